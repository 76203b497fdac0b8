// The measurement toolbar's rules: the rate from its slider, the scale limits, the record buttons to press,
// and its menus' row models.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "acquisition/ft_record_device.h"
#include "app/measure_menus.h"
#include "app/measure_toolbar.h"
#include "channels/device_slot.h"
#include "channels/vessamor_channel.h"

namespace {

TEST(MeasureToolbar, RateIsRoundedToTheHertzAndNeverBelowTheLowestMark) {
  const std::pair<float, std::uint32_t> cases[] = {{0.7f, 700}, {0.0f, 100}, {1.0f, 1000}, {0.05f, 100},
                                                   {2.5f, 2500}, {-1.0f, 100}, {std::nanf(""), 100}};
  for (const auto& [khz, hz] : cases) EXPECT_EQ(RateFromSlider(khz), hz) << khz;
}

TEST(MeasureToolbar, ScaleIsRaisedToItsLimitOrTheSmallestStep) {
  const float steps[] = {0.5f, 0.0f, 0.1f, 2.0f};
  EXPECT_FLOAT_EQ(SmallestStep(steps), 0.1f);
  const float cases[][4] = {{0.001f, 0.002f, 0.1f, 0.002f}, {0.0f, 0.0f, 0.1f, 0.1f}, {3.0f, 0.002f, 0.1f, 3.0f},
                            {std::nanf(""), 0.0f, 0.1f, 0.1f}};
  for (const auto& c : cases) EXPECT_FLOAT_EQ(ClampScale(c[0], c[1], c[2]), c[3]) << c[0];
}

TEST(MeasureToolbar, RecordButtonsFollowTheSlotOrTheLoadedRecord) {
  std::array<VessamorChannel, 4> channels;
  DeviceSlot two, accelerometer;
  for (std::uint8_t i = 0; i < 2; ++i) {
    channels[i].ChannelIndex = i;
    channels[i].SavedShown = 1;
    two.Channels[i] = &channels[i];
  }
  EXPECT_EQ(CountRecordButtons(two, {}, false), 2);
  accelerometer.Channels[0] = &channels[2];
  for (std::uint16_t code : {7, 8}) {
    channels[2].SensorCode = code;
    EXPECT_EQ(CountRecordButtons(accelerometer, {}, false), 3) << code;
  }
  // A loaded record: only the slot's channels whose saved reference was shown.
  channels[3].ChannelIndex = 1;
  channels[3].SavedShown = 1;
  const std::array<const VessamorChannel*, 1> saved{&channels[3]};
  EXPECT_EQ(CountRecordButtons(two, saved, true), 1);
}

std::string Marked(const MenuModel& m) {
  std::string rows;
  for (const MenuRow& r : m.Rows) rows += r.Marked != 0 ? r.Caption + ";" : "";
  return rows;
}

TEST(MeasureMenus, MenusMarkTheirStateAndOnlyTheFileMenuTakesClicks) {
  const std::tuple<MenuModel, bool, const char*> cases[] = {
      {FileMenuModel(false, true), true, "Циклическая. запись;"}, {FileMenuModel(false, false), true, ""},
      {ViewMenuModel(true, 4), false, "Bargraph;"},               {MarkerMenuModel(2), false, "2 маркера;"}};
  for (const auto& [model, clickable, marked] : cases) {
    EXPECT_EQ(model.Clickable, clickable);
    EXPECT_EQ(Marked(model), marked);
  }
  EXPECT_EQ(FileMenuModel(true, false).Width, 200);  // the English rows are shorter
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
