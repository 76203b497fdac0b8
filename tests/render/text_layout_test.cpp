// Start x and baseline of box text for every alignment mode, from the mode table's formulas.
#include "render/text_layout.h"

#include <gtest/gtest.h>

namespace {

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
