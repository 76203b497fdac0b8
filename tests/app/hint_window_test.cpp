// Hint texts by language and readiness, and where the hint window goes.
#include <gtest/gtest.h>

#include "app/hint_window.h"

namespace {

TEST(HintTexts, MainZoneByCountAndWithNothingPrepared) {
  struct Case { bool english; std::array<std::uint8_t, 4> chosen, prepared; const char* first; const char* second; };
  const Case cases[] = {
      {false, {1, 1, 0, 0}, {0, 1, 0, 0}, "К работе подготовлено два датчика.", " Нажмите \"Проведение измерений\"."},
      {false, {1, 1, 0, 0}, {0, 0, 1, 1}, "Подготовте датчик к работе или включите", " использование уже подготовленного"},
  };
  for (const Case& c : cases) {
    const auto lines = HintTextFor(kHintMainZone, {c.english, false, c.chosen, c.prepared});
    EXPECT_EQ(lines->First, c.first);
    EXPECT_EQ(lines->Second, c.second);
  }
}

TEST(HintPlacement, AboveBelowRightEdgeAndLanguageWidths) {
  HintMetrics m;
  m.Client = {0, 0, 1366, 768};
  m.TextSize = 1.1;
  const std::string ru = HintTextFor(75045, {false})->First;
  EXPECT_EQ(HintWidthCorrection(75045, true), -3);
  // Lower half: 8 px above; upper half: 4 px below; two 18 px lines high.
  EXPECT_EQ(PlaceNextToControl({400, 700, 440, 740}, 75045, ru, false, m), (platform::WindowRect{293, 656, 740, 692}));
  const platform::WindowRect high = PlaceNextToControl({400, 10, 440, 50}, 75045, ru, false, m);
  EXPECT_EQ(high.top, 54);
  // Width counts characters (38 code points, 67 bytes): n = 38 + 3 + 0 + 0 at 768 rows.
  EXPECT_EQ(high.Width(), static_cast<int>(1.05 * (41 * 9 * 1.1 * 1.05)));
  EXPECT_LT(PlaceNextToControl({400, 10, 440, 50}, 75045, "View record: back by half page", true, m).Width(), high.Width());
  const platform::WindowRect edge = PlaceNextToControl({1330, 10, 1360, 50}, 75045, ru, false, m);
  EXPECT_EQ(edge.right, 1356);
  // Anchored near the right edge: moved left, width kept.
  const platform::WindowRect free = PlaceAtAnchor({100, 300, 120, 320}, 60, m);
  const platform::WindowRect moved = PlaceAtAnchor({1300, 300, 1320, 320}, 60, m);
  EXPECT_EQ(moved.Width(), free.Width());
  EXPECT_EQ(moved.right, 1356);
  EXPECT_GT(PlaceAtAnchor({1360, 300, 1366, 320}, 400, m).Width(), 0);
}

}  // namespace
