// Device slots with fake units and no window: matching, attaching, reconciling, status bits, scales and preparation resets.
#include <gtest/gtest.h>

#include <deque>

#include "acquisition/ft_record_device.h"
#include "app/adjust_state.h"
#include "app/device_slots.h"
#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"

namespace {

struct SlotRig {
  SlotRig() { view.Init(4096, PixelRect{0, 40, 1280, 800}, 0xFF, &window); }
  // A unit of the sensor kind at a USB location.
  FTRecordDevice& Unit(std::uint32_t location, std::uint8_t code = 1, std::uint8_t channels = 1, std::uint8_t type = 11) {
    FTRecordDevice& unit = units.emplace_back();
    std::snprintf(unit.Description.data(), unit.Description.size(), "unit %u", location);
    std::tie(unit.Serial, unit.LocationId, unit.SensorCode, unit.ChannelCount, unit.DeviceTypeCode) =
        std::tuple("A1", location, code, channels, type);
    return unit;
  }
  // Attached and prepared (ticked for the record after a reset).
  void Ready(FTRecordDevice& unit, std::uint32_t connected) {
    ASSERT_TRUE(binder.AttachDeviceToSlot(unit, connected));
    binder.MarkSlotForDevice(unit);
  }
  VessamorChannel& Live(std::size_t k) { return view.Channel(k); }

  FakeMainWindow window;
  GraphView view;
  std::array<DeviceSlot, 4> slots{};
  DeviceSlotBinder binder{slots, view};
  std::deque<FTRecordDevice> units;
};

TEST(DeviceSlots, LiveChannelsByUnitCountAndChannelCount) {
  // One single-channel unit owns the view: channel 0 is fed, 1 to 3 carry its code without a unit.
  SlotRig one;
  FTRecordDevice& a = one.Unit(0x11);
  ASSERT_TRUE(one.binder.AttachDeviceToSlot(a, 1));
  for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(one.Live(k).Device, k == 0 ? &a : nullptr);
  EXPECT_EQ(one.Live(3).SensorCode, 1);
  EXPECT_EQ(one.slots[0].FillCounter, &one.Live(0).ReceivedCount);
  // Two units share the view: the second takes the next free channel.
  ASSERT_TRUE(one.binder.AttachDeviceToSlot(one.Unit(0x21), 2));
  EXPECT_EQ(one.slots[1].Channels[0], &one.Live(1));
  // A two-channel sensor binds two channels, or as many as the unit has, at most four.
  const std::pair<std::uint8_t, std::size_t> counts[] = {{2, 2}, {3, 3}, {4, 4}, {6, 4}};
  for (const auto& [channels, bound] : counts) {
    for (std::uint32_t connected : {1u, 2u}) {
      SlotRig r;
      ASSERT_TRUE(r.binder.AttachDeviceToSlot(r.Unit(0x11, 11, channels), connected));
      EXPECT_EQ(r.slots[0].CountChannels(), bound) << int(channels) << " " << connected;
      EXPECT_EQ(r.Live(3).Device != nullptr, bound == 4);
    }
  }
}

TEST(DeviceSlots, RefusalsChangeNothing) {
  SlotRig r;
  for (std::uint32_t k = 0; k < 4; ++k) r.Ready(r.Unit(0x11 + 0x10 * k), 4);
  const std::array<DeviceSlot, 4> before = r.slots;
  EXPECT_FALSE(r.binder.AttachDeviceToSlot(r.Unit(0x51), 4));  // a fifth unit
  for (std::size_t s = 0; s < 4; ++s) EXPECT_EQ(r.slots[s].Device, before[s].Device);
  // A two-channel sensor beside three units finds one live channel free.
  SlotRig three;
  for (std::uint32_t k = 0; k < 3; ++k) three.Ready(three.Unit(0x11 + 0x10 * k), 4);
  FTRecordDevice& pair = three.Unit(0x41, 20, 2);
  EXPECT_FALSE(three.binder.AttachDeviceToSlot(pair, 4));
  EXPECT_EQ(three.slots[3].InUse + (three.Live(3).Device != nullptr) + (pair.Channels[0] != nullptr), 0);
}

TEST(DeviceSlots, StatusBitsTwinsAndReattaching) {
  SlotRig r;
  FTRecordDevice& a = r.Unit(0x11, 1, 1, 11);
  FTRecordDevice& twin = r.Unit(0x11, 1, 1, 2);  // same name, serial and place, another type
  EXPECT_EQ(r.binder.FindDeviceSlot(a, 5), 0);
  r.Ready(a, 2);
  r.Ready(twin, 2);
  const std::uint8_t by_detail[] = {1, 1 | 4, 1 | 4 | 8, 1 | 4 | 8 | 16, 1 | 4 | 8 | 16 | 32, 1 | 4 | 8 | 16 | 32 | 64};
  for (std::uint8_t detail = 0; detail <= 5; ++detail) EXPECT_EQ(r.binder.FindDeviceSlot(twin, detail), by_detail[detail]);
  std::tie(r.slots[1].SelectedForRecord, r.slots[1].Channels) = std::tuple(0, std::array<VessamorChannel*, 4>{});
  EXPECT_EQ(r.binder.FindDeviceSlot(twin, 5), 1 | 4 | 8 | 16);
  // Attached again, a unit must be prepared again.
  EXPECT_EQ(r.binder.CountUsedSlots(), 2);
  ASSERT_TRUE(r.binder.AttachDeviceToSlot(a, 2));
  EXPECT_EQ(r.slots[0].Prepared, 0);
  EXPECT_EQ(r.binder.CountUsedSlots(), 1);
  // Rebound after a search that dropped it: neither the slot nor its channel keeps the unit.
  r.binder.RebindSlotDevices({&twin}, 0);
  EXPECT_EQ(r.slots[0].Device, nullptr);
  EXPECT_EQ(r.slots[0].Channels[0]->Device, nullptr);
}

TEST(DeviceSlots, ReconcileKeepsListedUnitsPacksWithoutDuplicatesAndTakesReplacedObjects) {
  SlotRig r;
  FTRecordDevice& a = r.Unit(0x11);
  FTRecordDevice& b = r.Unit(0x21);
  FTRecordDevice& c = r.Unit(0x31);
  r.Ready(a, 3);
  r.Ready(b, 3);
  ASSERT_TRUE(r.binder.AttachDeviceToSlot(c, 3));
  // The first unit is gone; the search rebuilt the third's object. Only the ticked prepared slot
  // that stays is counted.
  FTRecordDevice& c2 = r.Unit(0x31);
  EXPECT_EQ(r.binder.ReconcileDeviceSlots({&b, &c2}, 2, true), 1);
  EXPECT_EQ(r.slots[0].Device, &b);
  EXPECT_EQ(r.slots[1].Device, &c2);
  EXPECT_EQ(r.slots[2].Device, nullptr);
  EXPECT_EQ(r.slots[2].Location, 0u);
  EXPECT_EQ(r.binder.NextFreeSlot, 2);
  // The prepared slot kept its channel, the unprepared one lost it; a channel no slot holds idles.
  EXPECT_EQ(r.slots[0].Channels[0]->Device, &b);
  EXPECT_EQ(r.slots[1].CountChannels(), 0);
  EXPECT_EQ(r.Live(0).SensorCode, 0);
  // A table read while a search rebuilds it (every unit closed, none listed yet) costs no slot its
  // unit nor its preparation.
  EXPECT_EQ(r.binder.ReconcileDeviceSlots({}, 0, true, false), 1);
  EXPECT_EQ(r.slots[0].Device, &b);
  EXPECT_EQ(r.slots[0].Prepared, 1);
  EXPECT_EQ(r.slots[0].Channels[0]->Device, &b);
  // Nothing connected: every slot free, every channel unlinked.
  r.binder.ReconcileDeviceSlots({}, 0, true);
  EXPECT_EQ(r.binder.NextFreeSlot, 0);
  for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(r.slots[k].AssignIndex + (r.Live(k).Device != nullptr), -1);
}

TEST(DeviceSlots, ActiveChannelsOfAccelerometersAndDistanceSensors) {
  VessamorChannel a, b, c;
  DeviceSlot slot;
  slot.Channels = {&a, &b, &c, nullptr};
  a.SavedShown = c.SavedShown = 1;
  const std::tuple<std::uint16_t, std::uint16_t, int> cases[] = {{1, 1, 2}, {7, 1, 3}, {8, 1, 3}, {1, 52, 1}, {1, 57, 1}};
  for (const auto& [first, third, active] : cases) {
    std::tie(a.SensorCode, c.SensorCode) = std::tuple(first, third);
    EXPECT_EQ(slot.CountActiveChannels(), active) << first << " " << third;
  }
  slot.Channels[0] = nullptr;
  EXPECT_EQ(slot.CountActiveChannels(), 0);
}

TEST(DeviceSlots, ScaleRatiosAgainstTheLeadSensor) {
  GraphView view;
  // Kind 4 has no known span; 60 is the pressure kind's span on its second conversion.
  for (auto [code, span] : {std::pair{1, 100.0f}, {2, 100.005f}, {3, 50.0f}, {4, 0.0f}, {26, 200.0f}, {60, 400.0f}}) {
    view.ScaleSpans[code] = span;
  }
  const std::tuple<std::uint16_t, std::uint16_t, std::uint8_t, std::uint8_t, float> cases[] = {
      {1, 1, 0, 0, 1.0f}, {2, 1, 0, 0, 1.0f},   {1, 3, 0, 0, 2.0f},  {1, 4, 0, 0, 1.0f},
      {4, 1, 0, 0, 1.0f}, {1, 26, 1, 0, 0.25f}, {26, 1, 0, 1, 4.0f}, {1, 26, 0, 0, 0.5f}};
  for (const auto& [lead_code, own_code, own_alt, lead_alt, ratio] : cases) {
    VessamorChannel lead, channel;
    std::tie(lead.SensorCode, lead.AltConversion, channel.SensorCode, channel.AltConversion) =
        std::tuple(lead_code, lead_alt, own_code, own_alt);
    ApplyScaleRatio(channel, lead, view);
    EXPECT_FLOAT_EQ(channel.ScaleRatio, ratio) << lead_code << " " << own_code;
    EXPECT_EQ(channel.OwnScale, ratio != 1.0f) << lead_code << " " << own_code;
  }
}

TEST(DeviceSlots, PreparingForTheGraphMarksOneFirstChannelPerKind) {
  SlotRig r;
  for (FTRecordDevice* unit : {&r.Unit(0x11, 3), &r.Unit(0x21, 3), &r.Unit(0x31, 1)}) r.Ready(*unit, 3);
  int headers = 0;
  r.binder.PrepareSlotsForGraph(2, true, [&] { ++headers; });
  EXPECT_EQ(headers, 1);
  EXPECT_EQ(r.view.LeadChannel, 0);
  EXPECT_EQ(r.view.SensorCode, 3);
  EXPECT_EQ(std::vector<int>({r.Live(0).FirstOfSensor, r.Live(1).FirstOfSensor, r.Live(2).FirstOfSensor}), std::vector<int>({1, 0, 1}));
  EXPECT_EQ(r.view.GraphTitle, "Measurement");
  r.slots[2].SelectedForRecord = 0;  // unticked: its channel leaves the record
  r.binder.PrepareSlotsForGraph(1, true, {});
  EXPECT_EQ(r.Live(2).SavedShown, 0);
}

TEST(AdjustState, StepsRestartByKindGroup) {
  // Prepared on entry; by one counted step; not at all.
  const std::pair<std::uint16_t, int> cases[] = {{0, 1}, {5, 1}, {26, 1}, {46, 1}, {74, 1}, {87, 1}, {6, 2},
                                                  {19, 2}, {34, 2}, {7, 0}, {8, 0}, {47, 0}, {88, 0}};
  for (const auto& [code, group] : cases) {
    PreparationSteps steps{0, 1, 3, 2};
    ResetAdjustState(steps, false, code, nullptr, nullptr);
    const int pending = group == 1 ? 1 : 0, count = group == 2 ? 1 : 0;
    EXPECT_EQ(std::vector<int>({steps.StepPending, steps.StepFromButton, steps.StepIndex, steps.StepCount}),
              std::vector<int>({pending, pending, 0, count})) << code;
  }
}

}  // namespace
