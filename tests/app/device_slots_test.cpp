// Device slots with fake units and no window: matching, attaching, reconciling, status bits and preparation resets.
#include <gtest/gtest.h>

#include <deque>

#include "acquisition/ft_record_device.h"
#include "app/adjust_state.h"
#include "app/device_slots.h"
#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"

namespace {

struct SlotRig {
  SlotRig() {
    view.Init(4096, PixelRect{0, 40, 1280, 800}, 0xFF, &window);
    for (DeviceSlot& slot : slots) slot.Reset();
  }
  // A unit of the sensor kind at a USB location.
  FTRecordDevice& Unit(std::uint32_t location, std::uint8_t code = 1, std::uint8_t channels = 1, std::uint8_t type = 11,
                       const char* serial = "A1") {
    FTRecordDevice& unit = units.emplace_back();
    std::snprintf(unit.Description.data(), unit.Description.size(), "unit %u", location);
    unit.Serial = serial;
    unit.LocationId = location;
    unit.SensorCode = code;
    unit.ChannelCount = channels;
    unit.DeviceTypeCode = type;
    return unit;
  }
  UnitList Table(std::initializer_list<FTRecordDevice*> listed) {
    UnitList table{};
    std::copy(listed.begin(), listed.end(), table.begin());
    return table;
  }
  // Attaches and prepares, ticked for the record.
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

TEST(DeviceSlots, SingleChannelUnitsTakeTheLiveChannelsInTurn) {
  SlotRig r;
  FTRecordDevice& a = r.Unit(0x11);
  ASSERT_TRUE(r.binder.AttachDeviceToSlot(a, 1));
  // One unit owns the view: channel 0 is fed, 1 to 3 carry its code without a unit.
  EXPECT_EQ(r.Live(0).Device, &a);
  for (std::size_t k = 1; k < 4; ++k) {
    EXPECT_EQ(r.Live(k).Device, nullptr);
    EXPECT_EQ(r.Live(k).SensorCode, 1);
  }
  EXPECT_EQ(r.slots[0].FillCounter, &r.Live(0).ReceivedCount);

  SlotRig two;
  FTRecordDevice& b = two.Unit(0x11);
  FTRecordDevice& c = two.Unit(0x21);
  ASSERT_TRUE(two.binder.AttachDeviceToSlot(b, 2));
  ASSERT_TRUE(two.binder.AttachDeviceToSlot(c, 2));
  EXPECT_EQ(two.slots[0].Channels[0], &two.Live(0));
  EXPECT_EQ(two.slots[1].Channels[0], &two.Live(1));
  EXPECT_EQ(two.Live(1).Device, &c);
}

TEST(DeviceSlots, TwoChannelSensorsBindByTheUnitsChannelCount) {
  const struct {
    std::uint8_t channels;
    std::size_t bound;
  } cases[] = {{2, 2}, {3, 3}, {4, 4}, {6, 4}};
  for (const auto& c : cases) {
    for (std::uint32_t connected : {1u, 2u}) {
      SlotRig r;
      FTRecordDevice& unit = r.Unit(0x11, 11, c.channels);
      ASSERT_TRUE(r.binder.AttachDeviceToSlot(unit, connected));
      EXPECT_EQ(r.slots[0].CountChannels(), c.bound) << int(c.channels) << " " << connected;
      for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(r.Live(k).Device, k < c.bound ? &unit : nullptr) << k;
    }
  }
}

TEST(DeviceSlots, RefusalsChangeNothing) {
  SlotRig r;
  FTRecordDevice* four[4];
  for (std::uint32_t k = 0; k < 4; ++k) four[k] = &r.Unit(0x11 + 0x10 * k);
  for (FTRecordDevice* unit : four) r.Ready(*unit, 4);
  const std::array<DeviceSlot, 4> before = r.slots;
  // A fifth unit finds no slot; a two-channel sensor beside three units finds too few channels.
  EXPECT_FALSE(r.binder.AttachDeviceToSlot(r.Unit(0x51), 4));
  for (std::size_t s = 0; s < 4; ++s) EXPECT_EQ(r.slots[s].Device, before[s].Device);

  SlotRig three;
  for (std::uint32_t k = 0; k < 3; ++k) three.Ready(three.Unit(0x11 + 0x10 * k), 4);
  three.slots[3].Clear();
  FTRecordDevice& pair = three.Unit(0x41, 20, 2);
  EXPECT_FALSE(three.binder.AttachDeviceToSlot(pair, 4));
  EXPECT_EQ(three.slots[3].InUse, 0);
  EXPECT_EQ(three.Live(3).Device, nullptr);
  EXPECT_EQ(pair.Channels[0], nullptr);
}

TEST(DeviceSlots, ReattachingUnpreparesAndTwinsOfAnotherTypeTakeTwoSlots) {
  SlotRig r;
  FTRecordDevice& a = r.Unit(0x11, 1, 1, 11);
  FTRecordDevice& twin = r.Unit(0x11, 1, 1, 2);
  r.Ready(a, 2);
  r.Ready(twin, 2);
  EXPECT_EQ(r.binder.FindDeviceSlot(twin, 0), 1);
  EXPECT_EQ(r.binder.CountUsedSlots(), 2);
  ASSERT_TRUE(r.binder.AttachDeviceToSlot(a, 2));
  EXPECT_EQ(r.slots[0].Prepared, 0);
  EXPECT_EQ(r.binder.CountUsedSlots(), 1);
}

TEST(DeviceSlots, StatusBitsByDetail) {
  SlotRig r;
  FTRecordDevice& a = r.Unit(0x11);
  FTRecordDevice& b = r.Unit(0x21);
  EXPECT_EQ(r.binder.FindDeviceSlot(a, 5), 0);
  r.Ready(a, 2);
  r.Ready(b, 2);
  const std::uint8_t expected[] = {1, 1 | 4, 1 | 4 | 8, 1 | 4 | 8 | 16, 1 | 4 | 8 | 16 | 32, 1 | 4 | 8 | 16 | 32 | 64};
  for (std::uint8_t detail = 0; detail <= 5; ++detail) EXPECT_EQ(r.binder.FindDeviceSlot(b, detail), expected[detail]);
  r.slots[1].SelectedForRecord = 0;
  r.slots[1].Channels = {};
  EXPECT_EQ(r.binder.FindDeviceSlot(b, 5), 1 | 4 | 8 | 16);
}

TEST(DeviceSlots, ReconcileKeepsListedUnitsPacksWithoutDuplicatesAndTakesReplacedObjects) {
  SlotRig r;
  FTRecordDevice& a = r.Unit(0x11);
  FTRecordDevice& b = r.Unit(0x21);
  FTRecordDevice& c = r.Unit(0x31);
  r.Ready(a, 3);
  r.Ready(b, 3);
  ASSERT_TRUE(r.binder.AttachDeviceToSlot(c, 3));
  // The first unit is gone; the search rebuilt the third's object.
  FTRecordDevice& c2 = r.Unit(0x31);
  EXPECT_EQ(r.binder.ReconcileDeviceSlots(r.Table({&b, &c2}), 2, true), 1);
  EXPECT_EQ(r.slots[0].Device, &b);
  EXPECT_EQ(r.slots[1].Device, &c2);
  EXPECT_EQ(r.slots[2].Device, nullptr);
  EXPECT_EQ(r.slots[2].Location, 0u);
  EXPECT_EQ(r.binder.NextFreeSlot, 2);
  // The prepared slot kept its channel, the unprepared one lost it; a channel no slot holds idles.
  EXPECT_EQ(r.slots[0].Channels[0]->Device, &b);
  EXPECT_EQ(r.slots[1].CountChannels(), 0);
  EXPECT_EQ(r.Live(0).Device, nullptr);
  EXPECT_EQ(r.Live(0).SensorCode, 0);

  // Re-plugged elsewhere: another unit, and the old slot goes at the next reconciliation.
  FTRecordDevice& moved = r.Unit(0x91);
  ASSERT_TRUE(r.binder.AttachDeviceToSlot(moved, 2));
  EXPECT_EQ(r.binder.FindDeviceSlot(moved, 0), 2);
  r.binder.ReconcileDeviceSlots(r.Table({&c2, &moved}), 2, true);
  EXPECT_EQ(r.slots[0].Device, &c2);
  EXPECT_EQ(r.slots[1].Device, &moved);

  // Nothing connected: every slot free, every channel unlinked.
  r.binder.ReconcileDeviceSlots(r.Table({}), 0, true);
  EXPECT_EQ(r.binder.NextFreeSlot, 0);
  for (const DeviceSlot& slot : r.slots) EXPECT_EQ(slot.AssignIndex, -1);
  for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(r.Live(k).Device, nullptr);
}

TEST(DeviceSlots, ActiveChannelsOfAccelerometersAndDistanceSensors) {
  VessamorChannel a, b, c;
  DeviceSlot slot;
  slot.Channels = {&a, &b, &c, nullptr};
  a.SavedShown = c.SavedShown = 1;
  const struct {
    std::uint16_t first, third;
    std::uint8_t active;
  } cases[] = {{1, 1, 2}, {7, 1, 3}, {8, 1, 3}, {1, 52, 1}, {1, 57, 1}};
  for (const auto& k : cases) {
    a.SensorCode = k.first;
    c.SensorCode = k.third;
    EXPECT_EQ(slot.CountActiveChannels(), k.active) << k.first << " " << k.third;
  }
  slot.Channels[0] = nullptr;
  EXPECT_EQ(slot.CountActiveChannels(), 0);
}

TEST(AdjustState, StepsRestartByKindGroupAndCalibrationClears) {
  const struct {
    std::uint16_t code;
    PreparationSteps expected;
  } cases[] = {{0, {1, 1, 0, 0}},  {5, {1, 1, 0, 0}},  {26, {1, 1, 0, 0}}, {46, {1, 1, 0, 0}}, {74, {1, 1, 0, 0}},
               {87, {1, 1, 0, 0}}, {6, {0, 0, 0, 1}},  {19, {0, 0, 0, 1}}, {34, {0, 0, 0, 1}}, {7, {0, 0, 0, 0}},
               {8, {0, 0, 0, 0}},  {47, {0, 0, 0, 0}}, {88, {0, 0, 0, 0}}};
  for (const auto& c : cases) {
    PreparationSteps steps{0, 1, 3, 2};
    ResetAdjustState(steps, false, c.code, nullptr, nullptr);
    EXPECT_EQ(steps.StepPending, c.expected.StepPending) << c.code;
    EXPECT_EQ(steps.StepFromButton, c.expected.StepFromButton) << c.code;
    EXPECT_EQ(steps.StepIndex, 0) << c.code;
    EXPECT_EQ(steps.StepCount, c.expected.StepCount) << c.code;
  }
  VessamorChannel box;
  box.ZeroOffsetOn = 1;
  box.Gain = 2.0f;
  box.AltConversion = 1;
  PreparationSteps kept{1, 1, 2, 3};
  ResetAdjustState(kept, true, 26, &box, nullptr);
  EXPECT_EQ(kept.StepIndex, 2);
  EXPECT_EQ(box.ZeroOffsetOn, 0);
  EXPECT_EQ(box.Gain, 1.0f);
  EXPECT_EQ(box.AltConversion, 0);
  EXPECT_NE(box.RawToValueFn, nullptr);
}

}  // namespace

namespace {

TEST(DeviceSlots, ScaleRatiosAgainstTheLeadSensor) {
  GraphView view;
  view.ScaleSpans[1] = 100.0f;
  view.ScaleSpans[2] = 100.005f;
  view.ScaleSpans[3] = 50.0f;
  view.ScaleSpans[4] = 0.0f;  // a kind without a known span
  view.ScaleSpans[26] = 200.0f;
  view.ScaleSpans[60] = 400.0f;
  const struct {
    std::uint16_t lead, own;
    std::uint8_t own_alt, lead_alt;
    float ratio;
    std::uint8_t own_scale;
  } cases[] = {{1, 1, 0, 0, 1.0f, 0},    {2, 1, 0, 0, 1.0f, 0},  {1, 3, 0, 0, 2.0f, 1},   {1, 4, 0, 0, 1.0f, 0},
               {4, 1, 0, 0, 1.0f, 0},    {1, 26, 1, 0, 0.25f, 1}, {26, 1, 0, 1, 4.0f, 1}, {1, 26, 0, 0, 0.5f, 1}};
  for (const auto& c : cases) {
    VessamorChannel lead, channel;
    lead.SensorCode = c.lead;
    lead.AltConversion = c.lead_alt;
    channel.SensorCode = c.own;
    channel.AltConversion = c.own_alt;
    ApplyScaleRatio(channel, lead, view);
    EXPECT_FLOAT_EQ(channel.ScaleRatio, c.ratio) << c.lead << " " << c.own;
    EXPECT_EQ(channel.OwnScale, c.own_scale) << c.lead << " " << c.own;
  }
}

TEST(DeviceSlots, PreparingForTheGraphMarksOneFirstChannelPerKind) {
  SlotRig r;
  FTRecordDevice& a = r.Unit(0x11, 3);
  FTRecordDevice& b = r.Unit(0x21, 3);
  FTRecordDevice& c = r.Unit(0x31, 1);
  for (FTRecordDevice* unit : {&a, &b, &c}) r.Ready(*unit, 3);
  int headers = 0;
  r.binder.PrepareSlotsForGraph(2, true, [&] { ++headers; });
  EXPECT_EQ(headers, 1);
  EXPECT_EQ(r.view.LeadChannel, 0);
  EXPECT_EQ(r.view.SensorCode, 3);
  EXPECT_EQ(r.Live(0).FirstOfSensor, 1);
  EXPECT_EQ(r.Live(1).FirstOfSensor, 0);
  EXPECT_EQ(r.Live(2).FirstOfSensor, 1);
  EXPECT_EQ(r.view.FirstOfSensorCount, 2);
  EXPECT_EQ(r.view.GraphTitle, "Measurement");
  // Unticked, a slot's channels leave the record.
  r.slots[2].SelectedForRecord = 0;
  r.binder.PrepareSlotsForGraph(1, true, {});
  EXPECT_EQ(r.Live(2).SavedShown, 0);
  r.binder.PrepareSlotsForGraph(0, true, {});
  EXPECT_EQ(r.view.LeadChannel, 255);
  EXPECT_EQ(r.slots[0].InUse, 0);
}

}  // namespace
