// Tests of the device manager over the simulated bus: the slot table through searches, the factory, start packets and stop.
#include <algorithm>
#include <typeinfo>

#include "acquisition/device_families.h"
#include "manager_test_support.h"

namespace managertest {
namespace {

class DeviceManagerTest : public ManagerTestBase {
 protected:
  // The slot table agrees with itself and with ConnectedMask.
  void ExpectInvariant(std::uint8_t expected_mask) {
    EXPECT_EQ(ConnectedMask.load(), expected_mask);
    for (std::uint8_t s = 0; s < kSensorSlots; ++s) {
      FTRecordDevice* unit = Unit(s);
      const bool filled = (expected_mask >> s) & 1u;
      ASSERT_EQ(unit != nullptr, filled) << "slot " << int(s);
      if (unit == nullptr) continue;
      EXPECT_EQ(unit->SlotNumber, s);
      EXPECT_EQ(unit->SlotIndex, s);
      EXPECT_TRUE(unit->IsOpen());
      EXPECT_EQ(unit->Present, 1);
    }
  }
  std::uint32_t LocationOf(sim::UnitId id) { return bus.Info(id)->LocationId; }
  // The window reconciles with the table as it is now, which lets retired units go.
  void Reconcile() {
    manager->PostStartScreenText();
    manager->DeleteRetiredUnits();
  }
  // Runs a search and the start of every ready unit, then writes the start packets as the worker does.
  void StartAll(std::uint32_t rate, std::uint32_t bytes_per_channel = 1u << 20) {
    view.RateSetting = rate;
    manager->StartAllDevices(Params(bytes_per_channel));
    SendStartCommands(*manager);
  }
  std::vector<std::uint8_t> LastWritten(const FTRecordDevice& unit, std::size_t count) {
    const std::vector<std::uint8_t> bytes = WrittenBy(unit);
    if (bytes.size() < count) return bytes;
    return {bytes.end() - static_cast<std::ptrdiff_t>(count), bytes.end()};
  }
};

TEST_F(DeviceManagerTest, EmptyBusLeavesEverySlotEmpty) {
  ASSERT_TRUE(manager->ScanDevices());
  ExpectInvariant(0);

  const sim::UnitId a = PlugWired(VoltageSensor());
  const sim::UnitId b = PlugWired(VoltageSensor());
  manager->ScanDevices();
  ExpectInvariant(0b11);
  bus.Unplug(a);
  bus.Unplug(b);
  manager->ScanDevices();
  ExpectInvariant(0);
  EXPECT_EQ(manager->CountDevices(), 0u);
  EXPECT_EQ(manager->RetiredCount(), 2u);
}

TEST_F(DeviceManagerTest, UnpluggingTheFirstMovesTheSameObjectToSlotZero) {
  const sim::UnitId a = PlugWired(VoltageSensor());
  const sim::UnitId b = PlugWired(VoltageSensor());
  manager->ScanDevices();
  ExpectInvariant(0b11);
  EXPECT_EQ(Unit(0)->LocationId, LocationOf(a));
  EXPECT_EQ(Unit(1)->LocationId, LocationOf(b));
  FTRecordDevice* second = Unit(1);

  bus.Unplug(a);
  manager->ScanDevices();
  ExpectInvariant(0b01);
  EXPECT_EQ(Unit(0), second);
  EXPECT_EQ(second->LocationId, LocationOf(b));
  EXPECT_EQ(manager->RetiredCount(), 1u);
}

TEST_F(DeviceManagerTest, ThreeUnitsThenOneLeavesSlotsOneAndTwoEmpty) {
  PlugWired(VoltageSensor());
  const sim::UnitId b = PlugWired(VoltageSensor());
  const sim::UnitId c = PlugWired(VoltageSensor());
  manager->ScanDevices();
  ExpectInvariant(0b111);
  bus.Unplug(b);
  bus.Unplug(c);
  manager->ScanDevices();
  ExpectInvariant(0b001);
  EXPECT_EQ(manager->RetiredCount(), 2u);
}

TEST_F(DeviceManagerTest, NonSensorBetweenTwoSensorsLeavesNoPhantomBit) {
  const sim::UnitId a = PlugWired(VoltageSensor());
  const sim::UnitId other = PlugWired("USB Serial Converter");
  const sim::UnitId c = PlugWired(VoltageSensor());
  // The second search must be able to open the non-sensor again: its handle was released.
  for (int search = 0; search < 2; ++search) {
    manager->ScanDevices();
    ExpectInvariant(0b011);
    EXPECT_EQ(Unit(0)->LocationId, LocationOf(a));
    EXPECT_EQ(Unit(1)->LocationId, LocationOf(c));
  }
  EXPECT_EQ(bus.Log(bus.HandlesOf(other).back()).back().Call, "FT_Close");
  EXPECT_EQ(manager->CountOpenDevices(), 2u);
}

TEST_F(DeviceManagerTest, ReorderedListingKeepsTheInvariantAndTheObjects) {
  const sim::UnitId a = PlugWired(VoltageSensor());
  const sim::UnitId b = PlugWired(WiredAccelerometer());
  const sim::UnitId c = PlugWired(VoltageSensor());
  manager->ScanDevices();
  std::map<std::uint32_t, FTRecordDevice*> by_location;
  for (std::size_t s = 0; s < 3; ++s) by_location[Unit(s)->LocationId] = Unit(s);

  const std::vector<std::vector<sim::UnitId>> orders = {{c, a, b}, {b, c, a}, {a, c, b}, {a, b, c}};
  for (const auto& order : orders) {
    ASSERT_TRUE(bus.Reorder(order));
    manager->ScanDevices();
    ExpectInvariant(0b111);
    for (std::size_t s = 0; s < order.size(); ++s) {
      EXPECT_EQ(Unit(s), by_location[LocationOf(order[s])]) << "slot " << s;
    }
  }
  EXPECT_EQ(manager->RetiredCount(), 0u);
}

TEST_F(DeviceManagerTest, UnitWhosePortSetUpFailsIsNotPresent) {
  struct Case {
    const char* name;
    int failing_set_up;  // which unit's port set-up fails: 1 the first, 2 the second
    std::uint8_t mask;
  } cases[] = {{"first of two", 1, 0b01}, {"second of two", 2, 0b01}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Renew();
    const sim::UnitId first = PlugWired(VoltageSensor());
    const sim::UnitId second = PlugWired(VoltageSensor());
    bus.FailCall("FT_SetBaudRate", c.failing_set_up);
    manager->ScanDevices();
    // The failed unit's slot goes to the next unit that sets up.
    ExpectInvariant(c.mask);
    EXPECT_EQ(Unit(0)->LocationId, LocationOf(c.failing_set_up == 1 ? second : first));
    EXPECT_EQ(manager->CountOpenDevices(), 1u);
  }

  // A unit kept from an earlier search whose set-up now fails is not present either.
  Renew();
  PlugWired(VoltageSensor());
  manager->ScanDevices();
  ExpectInvariant(0b1);
  bus.FailCall("FT_SetBaudRate", 1);
  manager->ScanDevices();
  EXPECT_EQ(ConnectedMask.load(), 0);
  EXPECT_EQ(manager->CountDevices(), 0u);
  EXPECT_EQ(manager->CountOpenDevices(), 0u);
}

TEST_F(DeviceManagerTest, FactoryCreatesTheFamilyOfTheTypeAndHandsOverTheHandle) {
  struct Case {
    const std::string* description;
    const std::type_info* family;
    std::uint8_t type;
    std::uint8_t sensor;
  } cases[] = {
      {&VoltageSensor(), &typeid(DeviceTwo), 11, 0},
      {&RadioPulse(), &typeid(DeviceTri), 3, 35},
      {&LongRangeTimer(), &typeid(DeviceQEMod), 8, 64},
      {&TypeSix(), &typeid(DeviceSix), 6, 59},
  };
  for (const Case& c : cases) {
    PlugWired(*c.description);
  }
  manager->ScanDevices();
  ExpectInvariant(0b1111);
  for (std::size_t s = 0; s < 4; ++s) {
    FTRecordDevice& unit = *Unit(s);
    EXPECT_EQ(typeid(unit), *cases[s].family) << s;
    EXPECT_EQ(unit.DeviceTypeCode, cases[s].type);
    EXPECT_EQ(unit.SensorCode, cases[s].sensor);
    EXPECT_EQ(unit.Serial, bus.Info(bus.Units()[s])->SerialNumber);
    EXPECT_EQ(unit.View, &view);
    EXPECT_EQ(unit.Clock, &clock);
  }
  EXPECT_FALSE(manager->IsOpen());
  // A fifth unit finds no slot and is left closed.
  const sim::UnitId fifth = PlugWired(VoltageSensor());
  manager->ScanDevices();
  EXPECT_TRUE(bus.HandlesOf(fifth).empty());
}

TEST_F(DeviceManagerTest, UnitsLeaveOnlyAfterTheWindowHasReconciledWithoutThem) {
  const sim::UnitId a = PlugWired(VoltageSensor());
  manager->ScanDevices();
  Reconcile();
  bus.Unplug(a);
  manager->ScanDevices();
  ASSERT_EQ(manager->RetiredCount(), 1u);

  side.BusyAnswers = 1;
  Reconcile();
  EXPECT_EQ(manager->RetiredCount(), 1u);
  side.Answering = false;
  Reconcile();
  EXPECT_EQ(manager->RetiredCount(), 1u);
  side.Answering = true;
  Reconcile();
  EXPECT_EQ(manager->RetiredCount(), 0u);

  // Without a window side nothing can hold the units, so they go at once.
  manager->Window = nullptr;
  PlugWired(VoltageSensor());
  manager->ScanDevices();
  bus.Reset(sim::ClockMode::Virtual);
  manager->ScanDevices();
  EXPECT_EQ(manager->RetiredCount(), 0u);
  manager->Window = &side;
}

TEST_F(DeviceManagerTest, StartPacketPerFamily) {
  struct Case {
    const char* name;
    const std::string* description;
    std::size_t channels;
    std::uint16_t slot_sensor;
    std::uint16_t own_sensor;  // the kind of the channel the window attached as the unit's first
    std::uint32_t rate;
    std::vector<std::uint8_t> packet;
  } cases[] = {
      {"wired, two channels", &VoltageSensor(), 2, 0, 0, 1000, {0xA7, 0x02, 0xA3, 0xE8, 0x03, 0xA5}},
      {"wired, four channels", &VoltageSensor(), 4, 0, 0, 5000, {0xA7, 0x04, 0xA3, 0xC8, 0x00, 0xA5}},
      {"wired accelerometer", &WiredAccelerometer(), 4, 7, 7, 1000, {0xA7, 0x03, 0xA3, 0xE8, 0x03, 0xA5}},
      {"wired distance", &VoltageSensor(), 2, 52, 52, 500, {0xA7, 0x01, 0xA3, 0xD0, 0x07, 0xA5}},
      {"demonstration mechanics", &DemoMechanics(), 1, 74, 74, 1000, {0xA7, 0x01, 0xA3, 0xE8, 0x03, 0xD5}},
      {"wireless pulse", &RadioPulse(), 1, 35, 35, 5000, {0xA7, 0x5F, 0xEA, 0x00, 0x00}},
      {"wireless, other kind", &RadioPulse(), 3, 7, 7, 1000, {0xA7, 0xE8, 0x03, 0x00, 0x00}},
      {"event timer, long range", &LongRangeTimer(), 1, 64, 64, 1000, {0xA7, 0x05, 0xA3, 0xE8, 0x03, 0xA5}},
      {"event timer, short range", &LongRangeTimer(), 1, 65, 65, 200, {0xA7, 0x07, 0xA3, 0x88, 0x13, 0xA5}},
      {"type six", &TypeSix(), 1, 59, 59, 1000, {0xA7, 0x88, 0x00, 0xE8, 0x03}},
      {"rate 0", &VoltageSensor(), 1, 0, 0, 0, {0xA7, 0x01, 0xA3, 0xFF, 0xFF, 0xA5}},
      {"rate below 16 Hz", &VoltageSensor(), 1, 0, 0, 10, {0xA7, 0x01, 0xA3, 0xFF, 0xFF, 0xA5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Renew();
    window.DeviceSlots = {};
    PlugWired(*c.description);
    manager->ScanDevices();
    ASSERT_NE(Unit(0), nullptr);
    SlotStorage& slot = FillSlot(0, c.channels, c.slot_sensor);
    slot.Channels[0]->SensorCode = c.own_sensor;
    Unit(0)->BindChannel(0, slot.Channels[0].get());
    const std::size_t before = WrittenBy(*Unit(0)).size();
    StartAll(c.rate);
    EXPECT_EQ(Unit(0)->Running, 1);
    EXPECT_EQ(DeviceThreadState.load(), kDeviceCommand);
    EXPECT_EQ(manager->RequestCode.load(), kRequestStart);
    EXPECT_EQ(WrittenBy(*Unit(0)).size() - before, c.packet.size());
    EXPECT_EQ(LastWritten(*Unit(0), c.packet.size()), c.packet);
  }
}

TEST_F(DeviceManagerTest, PacketDetailsOfThePulseSensorAndTheSwitchBack) {
  PlugWired(RadioPulse());
  PlugWired(DemoMechanics());
  manager->ScanDevices();
  SlotStorage& pulse = FillSlot(0, 1, 35);
  SlotStorage& mechanics = FillSlot(1, 1, 74);
  Unit(1)->BindChannel(0, mechanics.Channels[0].get());
  StartAll(1000);
  EXPECT_EQ(Unit(0)->PulseMode, 2);
  EXPECT_EQ(Unit(0)->PulseFlag, 1);
  EXPECT_EQ(Unit(0)->Channels[0], pulse.Channels[0].get());
  EXPECT_EQ(Unit(1)->SwitchBack, 1);

  // On the information screens the mechanics unit starts in its plain mode and needs no switch back.
  window.Bytes.InfoScreenActive = 1;
  StartAll(1000);
  EXPECT_EQ(Unit(1)->StartPacket[5], 0xB3);
  EXPECT_EQ(Unit(1)->SwitchBack, 0);

  // The stop after a switched start writes the stop byte, then the plain mode byte.
  window.Bytes.InfoScreenActive = 0;
  StartAll(1000);
  manager->StopAllDevices();
  SendStopCommands(*manager, true);
  EXPECT_EQ(LastWritten(*Unit(1), 2), (std::vector<std::uint8_t>{0xB6, 0xB3}));
  EXPECT_EQ(LastWritten(*Unit(0), 1), (std::vector<std::uint8_t>{0x00}));
  EXPECT_EQ(Unit(1)->SwitchBack, 0);
  EXPECT_EQ(Unit(0)->Running, 0);
}

TEST_F(DeviceManagerTest, AccelerometerAxesSwapBetweenUnitAndSlot) {
  // Streams 0, 1, 2 of the unit carry 100, 200, 300.
  PlugWired(WiredAccelerometer());
  manager->ScanDevices();
  SlotStorage& slot = FillSlot(0, 3, 7);
  StartAll(1000);
  FTRecordDevice& unit = *Unit(0);
  EXPECT_EQ(unit.Channels[0], slot.Channels[2].get());
  EXPECT_EQ(unit.Channels[1], slot.Channels[1].get());
  EXPECT_EQ(unit.Channels[2], slot.Channels[0].get());
  for (int pass = 0; pass < 5; ++pass) {
    clock.SleepMs(10);
    PollAllDevices(*manager);
  }
  ASSERT_GT(slot.Channels[2]->CodeCount, 10u);
  ASSERT_GT(slot.Channels[0]->CodeCount, 10u);
  EXPECT_EQ(slot.Channels[2]->Codes[5], 100);
  EXPECT_EQ(slot.Channels[1]->Codes[5], 200);
  EXPECT_EQ(slot.Channels[0]->Codes[5], 300);
}

TEST_F(DeviceManagerTest, WhoTakesPartInAStart) {
  struct Case {
    const char* name;
    std::uint8_t status;
    std::uint8_t info_screen;
    std::size_t channels;
    bool starts;
  } cases[] = {
      {"ready", 124, 0, 2, true},
      {"not described", 116, 0, 2, false},
      {"not described, information screen", 116, 1, 2, true},
      {"not in use", 120, 0, 2, false},
      {"not indexed, information screen", 108, 1, 2, false},
      {"no slot", 0, 0, 2, false},
      {"no active channel", 124, 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Renew();
    window.DeviceSlots = {};
    window.Bytes.InfoScreenActive = c.info_screen;
    PlugWired(VoltageSensor());
    manager->ScanDevices();
    FillSlot(0, c.channels);
    side.DefaultStatus = c.status;
    const std::size_t written = WrittenBy(*Unit(0)).size();
    StartAll(1000);
    EXPECT_EQ(Unit(0)->Running, c.starts ? 1 : 0);
    EXPECT_EQ(DeviceThreadState.load(), c.starts ? kDeviceCommand : kDeviceSearch);
    EXPECT_EQ(WrittenBy(*Unit(0)).size() > written, c.starts);
  }
  window.Bytes.InfoScreenActive = 0;
  side.DefaultStatus = 124;
}

TEST_F(DeviceManagerTest, ByteLimitAndTransferTuningByFamilyAndRate) {
  PlugWired(VoltageSensor());
  PlugWired(RadioPulse());
  manager->ScanDevices();
  FillSlot(0, 2);
  FillSlot(1, 1, 35);
  StartAll(1000, 5000);
  EXPECT_EQ(manager->ByteLimit, 5000u);
  EXPECT_EQ(Unit(0)->ByteLimit, 2u * 5000u);
  // The radio stream is no two-byte stream; its record ends when the channels are full.
  EXPECT_EQ(Unit(1)->ByteLimit, std::numeric_limits<std::uint32_t>::max());

  struct Case {
    std::uint32_t rate;
    std::uint32_t in_transfer;
    std::uint32_t latency;
  } cases[] = {{2999, 256, 16}, {3000, 256, 5}, {10000, 512, 5}, {20000, 1024, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rate);
    ASSERT_TRUE(TuneFtdiTransfer(*Unit(0), c.rate));
    std::vector<sim::CallRecord> log = bus.Log(Unit(0)->Handle);
    auto last = [&](const char* call) {
      return *std::find_if(log.rbegin(), log.rend(), [&](const sim::CallRecord& r) { return r.Call == call; });
    };
    EXPECT_EQ(last("FT_SetUSBParameters").Args, (std::vector<std::uint32_t>{c.in_transfer, 128}));
    EXPECT_EQ(last("FT_SetLatencyTimer").Args, (std::vector<std::uint32_t>{c.latency}));
  }
  bus.FailCall("FT_SetLatencyTimer", 1);
  EXPECT_FALSE(TuneFtdiTransfer(*Unit(0), 1000));
  EXPECT_FALSE(Unit(0)->IsOpen());
}

TEST_F(DeviceManagerTest, FailedTuningLeavesTheUnitOutOfTheStart) {
  PlugWired(VoltageSensor());
  PlugWired(VoltageSensor());
  manager->ScanDevices();
  FillSlot(0, 1);
  FillSlot(1, 1);
  bus.FailCall("FT_Purge", 1);
  StartAll(1000);
  EXPECT_EQ(Unit(0)->Running, 0);
  EXPECT_FALSE(Unit(0)->IsOpen());
  EXPECT_EQ(Unit(1)->Running, 1);
  EXPECT_EQ(ConnectedMask.load(), 0b10);
  EXPECT_EQ(DeviceThreadState.load(), kDeviceCommand);
}

TEST_F(DeviceManagerTest, StopAsksTheWorkerForStopBytesOrASearch) {
  PlugWired(VoltageSensor());
  manager->ScanDevices();
  struct Case {
    const char* name;
    std::uint8_t mask;
    std::uint8_t before;
    std::uint8_t after;
  } cases[] = {
      {"units connected", 0b1, kDeviceMeasuring, kDeviceCommand},
      {"none connected", 0, kDeviceMeasuring, kDeviceSearch},
      {"worker ended", 0b1, kDeviceEnded, kDeviceEnded},
      {"worker asked to end", 0b1, kDeviceStopRequest, kDeviceStopRequest},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectedMask = c.mask;
    DeviceThreadState = c.before;
    StopOnAnyDeviceClose = 1;
    Unit(0)->StopCommand = 0;
    manager->RequestCode = 0;
    manager->StopAllDevices();
    EXPECT_EQ(DeviceThreadState.load(), c.after);
    EXPECT_EQ(manager->RequestCode.load(), c.mask != 0 ? kRequestStop : 0);
    EXPECT_EQ(StopOnAnyDeviceClose.load(), 0);
    EXPECT_EQ(Unit(0)->StopCommand, 0xB6);
  }
}

TEST_F(DeviceManagerTest, ActiveChannelsOfASlot) {
  struct Case {
    std::vector<std::pair<std::uint16_t, std::uint8_t>> channels;  // kind, enabled
    std::uint8_t active;
  } cases[] = {
      {{}, 0},
      {{{0, 1}, {0, 1}, {0, 0}, {0, 1}}, 3},
      {{{7, 0}}, 3},
      {{{8, 1}, {8, 1}, {8, 1}, {8, 1}}, 3},
      {{{0, 1}, {52, 1}}, 1},
      {{{57, 1}}, 1},
      {{{52, 0}, {0, 1}}, 1},
  };
  for (const Case& c : cases) {
    DeviceSlot slot;
    std::vector<std::unique_ptr<VessamorChannel>> owned;
    for (std::size_t i = 0; i < c.channels.size(); ++i) {
      owned.push_back(std::make_unique<VessamorChannel>());
      owned.back()->SensorCode = c.channels[i].first;
      owned.back()->Enabled = c.channels[i].second;
      slot.Channels[i] = owned.back().get();
    }
    EXPECT_EQ(CountActiveChannels(slot), c.active);
  }
}

TEST_F(DeviceManagerTest, PeriodGuards) {
  struct Case {
    std::uint32_t rate;
    std::uint16_t period;
  } cases[] = {{0, 65535}, {10, 65535}, {15, 65535}, {16, 62500}, {125, 8000}, {1000, 1000}, {25000, 40},
               {1000000, 1}, {3000000, 1}};
  for (const Case& c : cases) EXPECT_EQ(StartPeriodUs(c.rate), c.period) << c.rate;
}

TEST_F(DeviceManagerTest, DeletionForgetsTheWindowPointersBeforeTheUnitsGo) {
  const sim::UnitId a = PlugWired(VoltageSensor());
  manager->ScanDevices();
  const FT_HANDLE handle = Unit(0)->Handle;
  bool open_when_forgotten = false;
  DeviceManager* going = manager.get();
  side.OnForget = [&] {
    std::lock_guard lock(going->TableLock);
    open_when_forgotten = going->DeviceTable[0] != nullptr && going->DeviceTable[0]->IsOpen();
  };
  manager.reset();
  EXPECT_TRUE(open_when_forgotten);
  EXPECT_EQ(side.Forgets.load(), 1);
  EXPECT_EQ(bus.Log(handle).back().Call, "FT_Close");
  EXPECT_EQ(bus.HandlesOf(a).size(), 1u);
  side.OnForget = nullptr;
}

}  // namespace
}  // namespace managertest
