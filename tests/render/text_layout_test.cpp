// Start x and baseline of box text for every alignment mode, from the mode table's formulas.
#include "render/text_layout.h"

#include <gtest/gtest.h>

namespace {

// Box (100, 50, 200, 40), ten characters at scale 1, engine width 9 and height 17:
// W = 9 * 10 * 1.3 = 117, V = (9 + 1.35) * 10 = 103.5.
TEST(TextLayout, EveryModeStartsWhereItsFormulaSays) {
  const TextBox box{100, 50, 200, 40};
  const struct {
    std::uint8_t mode;
    double x, baseline;
  } cases[] = {
      {0, 100, 67},
      {1, 100 + (200 - 117) / 2.0, 50 + 40 * 0.65},
      {2, 100 + (200 - 103.5) / 2.0, 50 + 40 * 0.6},
      {4, 100 + (200 - 117) / 2.0, 50 + 40 * 0.7},
      {6, 100 + (200 - 117) / 2.0, 50 + 40 * 0.9},
      {7, 100 + (200 - 117) / 1.7, 50 + 40 * 0.65},
      {10, 100 + 200 * static_cast<double>(0.2f), 50 + 40 * static_cast<double>(0.65f)},
      {21, 100 + (200 - 103.5) / 2.1, 50 + 40 * 0.6},
      {22, 100 + (200 - 9 * 1.2 * 10) / 2.0, 50 + 40 * 0.6},
      {23, 100 + (200 - 90) / 2.0, 50 + 40 * 0.6},
      {51, 110, 50 + 40 * 0.2},
      {3, 110, 50 + 40 * 2.1 / 3},
      {99, 110, 50 + 40 * 2.1 / 3},
  };
  for (const auto& c : cases) {
    const TextOrigin o = TextStart(c.mode, box, 10, 1.0, {});
    EXPECT_DOUBLE_EQ(o.x, c.x) << int(c.mode);
    EXPECT_DOUBLE_EQ(o.baseline, c.baseline) << int(c.mode);
  }
}

TEST(TextLayout, ScaleFontFactorsAndClampsAtTheBoxEdge) {
  EXPECT_DOUBLE_EQ(TextStart(0, {0, 10, 100, 40}, 4, 2.0, {}).baseline, 10 + 17 * 2.0);
  EXPECT_DOUBLE_EQ(TextStart(1, {0, 10, 200, 40}, 4, 2.0, {}).x, (200 - 9 * 4 * 2.0 * 1.3) / 2);
  EXPECT_DOUBLE_EQ(TextStart(1, {0, 0, 20, 40}, 30, 1.0, {}).x, 0.0);  // wider than the box: not left of it
  const TextOrigin negative = TextStart(1, {-50, -100, 20, 40}, 30, 1.0, {});
  EXPECT_DOUBLE_EQ(negative.x, -50.0);
  EXPECT_DOUBLE_EQ(negative.baseline, -100.0);
  TextLayoutFont font;
  font.box_factor_x = 0.5f;
  font.box_factor_y = 0.25f;
  const TextOrigin ten = TextStart(10, {10, 20, 100, 40}, 3, 1.0, font);
  EXPECT_DOUBLE_EQ(ten.x, 60.0);
  EXPECT_DOUBLE_EQ(ten.baseline, 30.0);
}

}  // namespace
