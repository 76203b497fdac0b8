// Hint texts by id and language, and where the hint window goes.
#include <gtest/gtest.h>

#include "app/hint_window.h"

namespace {

TEST(HintTexts, EveryHintedIdInBothLanguages) {
  const std::int32_t ids[] = {74999, 75004, 75010, 75011, 75012, 75013, 75014, 75016, 75037, 75038, 75039, 75040,
                              75041, 75045, 75046, 75050, 75052, 75053, 75054, 75181, 75182, 75183, 75184, 75186};
  for (std::int32_t id : ids) {
    const auto ru = HintTextFor(id, {false});
    const auto en = HintTextFor(id, {true});
    ASSERT_TRUE(ru && en) << id;
    EXPECT_NE(ru->First, en->First) << id;
    EXPECT_FALSE(ru->Second) << id;
  }
  EXPECT_EQ(HintTextFor(75041, {false})->First, "Показать/Скрыть четвёртый канал");
  EXPECT_FALSE(HintTextFor(75015, {}));
  EXPECT_EQ(HintTextFor(75022, {true, true})->First, "Записывать 2 канал");
  EXPECT_EQ(HintTextFor(75032, {true, false})->First, "Не записывать 4 канал");
}

TEST(HintTexts, MainZoneByCountAndWithNothingPrepared) {
  struct Case { bool english; std::array<std::uint8_t, 4> chosen, prepared; const char* first; const char* second; };
  const Case cases[] = {
      {false, {1, 1, 0, 0}, {0, 1, 0, 0}, "К работе подготовлено два датчика.", " Нажмите \"Проведение измерений\"."},
      {true, {1, 1, 1, 0}, {1, 0, 0, 0}, "For work three sensors are prepared.", " press «Measurements»."},
      {false, {1, 1, 0, 0}, {0, 0, 1, 1}, "Подготовте датчик к работе или включите", " использование уже подготовленного"},
      {true, {0, 0, 0, 0}, {0, 0, 0, 0}, "Prepare a sensor for work or include", " use already prepared"},
  };
  for (const Case& c : cases) {
    const auto lines = HintTextFor(kHintMainZone, {c.english, false, c.chosen, c.prepared});
    EXPECT_EQ(lines->First, c.first);
    EXPECT_EQ(lines->Second, c.second);
  }
  EXPECT_EQ(HintTextFor(kHintSensorUnused, {false})->First, "Датчик подготовлен ,но в измерениях не используется.");
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
