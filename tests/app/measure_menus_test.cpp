// The measurement screen's menus as row models: captions, marks, kinds, widths and clickability.
#include <gtest/gtest.h>

#include "app/measure_menus.h"
#include "channels/device_slot.h"
#include "acquisition/ft_record_device.h"

namespace {

std::vector<std::string> Marked(const MenuModel& m) {
  std::vector<std::string> rows;
  for (const MenuRow& r : m.Rows) {
    if (r.Marked != 0) rows.push_back(r.Caption);
  }
  return rows;
}

TEST(MeasureMenus, FileViewAndMarkerMenusMarkTheirState) {
  const struct {
    MenuModel model;
    std::int32_t kind, width;
    bool clickable;
    std::size_t rows;
    std::vector<std::string> marked;
  } cases[] = {
      {FileMenuModel(false, true), 0, 250, true, 5, {"Циклическая. запись"}},
      {FileMenuModel(false, false), 0, 250, true, 5, {}},
      {FileMenuModel(true, true), 0, 200, true, 5, {"Cyclic record"}},
      {ViewMenuModel(false, 3), 3, 300, false, 4, {"График"}},
      {ViewMenuModel(true, 4), 3, 300, false, 4, {"Bargraph"}},
      {MarkerMenuModel(2), 5, 200, false, 2, {"2 маркера"}},
      {MarkerMenuModel(4), 5, 200, false, 2, {"4 маркера"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.model.Kind, c.kind);
    EXPECT_EQ(c.model.Width, c.width);
    EXPECT_EQ(c.model.Clickable, c.clickable);
    EXPECT_EQ(c.model.Rows.size(), c.rows);
    EXPECT_EQ(Marked(c.model), c.marked);
    for (const MenuRow& r : c.model.Rows) EXPECT_EQ(r.SeparatorAfter, 1);
  }
}

TEST(MeasureMenus, QuantityMenuMarksEveryCodeGroupAndHoversTheRangedOnes) {
  const std::pair<std::vector<std::uint16_t>, const char*> groups[] = {
      {{1, 2, 3, 4}, "T"}, {{5}, "pH"}, {{6, 19}, "G"}, {{7, 8}, "A"}, {{0, 9, 16}, "U"}, {{10, 17, 18}, "I"},
      {{11, 20, 21, 22, 23}, "UI"}, {{12, 13}, "P"}, {{14}, "B 100"}, {{15}, "N"}, {{25}, "Ф"}, {{24, 49, 300}, nullptr}};
  for (const auto& [codes, caption] : groups) {
    for (std::uint16_t code : codes) {
      const MenuModel m = SensorMenuModel(code);
      ASSERT_EQ(m.Rows.size(), 11u);
      EXPECT_EQ(Marked(m), caption ? std::vector<std::string>{caption} : std::vector<std::string>{}) << code;
      EXPECT_EQ(m.Kind, code == 12 || code == 13 ? 5 : 4) << code;
    }
  }
  std::string hovered;
  for (const MenuRow& r : SensorMenuModel(1).Rows) hovered += r.HoverNotify ? r.Caption + " " : "";
  EXPECT_EQ(hovered, "T G A U I UI P ");
}

TEST(MeasureMenus, SensorListTakesPreparedSlotsInUseAndOneRowIsTaller) {
  FTRecordDevice first, second;
  second.NameLine2 = "3 оси";
  std::array<DeviceSlot, 4> slots{};
  slots[1].Device = &first;
  slots[2].Device = &second;
  slots[1].Prepared = slots[1].InUse = slots[2].InUse = 1;  // slot 2 not prepared
  EXPECT_EQ(DeviceListMenuModel(slots).ExtraHeight, 5);
  slots[2].Prepared = 1;
  const MenuModel m = DeviceListMenuModel(slots);
  ASSERT_EQ(m.Rows.size(), 2u);
  EXPECT_EQ(m.ExtraHeight, 0);
  EXPECT_EQ(m.Rows[1].SecondLine, "3 оси");
}

}  // namespace
