// Tests of the device manager over the simulated bus: the slot table through searches, the factory, starts and stops.
#include <algorithm>
#include <string_view>

#include "manager_test_support.h"

namespace managertest {
namespace {

class DeviceManagerTest : public ManagerTestBase {
 protected:
  // Entry index = slot number = mask bit, and every filled slot holds an open, present unit.
  void ExpectInvariant(std::uint8_t mask) {
    EXPECT_EQ(ConnectedMask.load(), mask);
    for (std::uint8_t s = 0; s < kSensorSlots; ++s) {
      FTRecordDevice* unit = Unit(s);
      ASSERT_EQ(unit != nullptr, ((mask >> s) & 1u) != 0) << "slot " << int(s);
      if (unit == nullptr) continue;
      EXPECT_TRUE(unit->SlotNumber == s && unit->SlotIndex == s && unit->IsOpen() && unit->Present == 1) << int(s);
    }
  }
  std::uint32_t LocationOf(sim::UnitId id) { return bus.Info(id)->LocationId; }
  void StartAll(std::uint32_t rate, std::uint32_t bytes_per_channel = 1u << 20) {
    view.RateSetting = rate;
    manager->StartAllDevices(Params(bytes_per_channel));
    SendStartCommands(*manager);
  }
  std::vector<std::uint8_t> Written(std::size_t slot) { return bus.Written(Unit(slot)->Handle); }
  std::vector<std::uint8_t> LastWritten(std::size_t slot, std::size_t count) {
    const std::vector<std::uint8_t> bytes = Written(slot);
    return {bytes.end() - static_cast<std::ptrdiff_t>(std::min(count, bytes.size())), bytes.end()};
  }
};

TEST_F(DeviceManagerTest, UnpluggingTheFirstMovesTheSameObjectToSlotZero) {
  ASSERT_TRUE(manager->ScanDevices());
  ExpectInvariant(0);
  const sim::UnitId a = PlugWired(VoltageSensor());
  const sim::UnitId b = PlugWired(VoltageSensor());
  manager->ScanDevices();
  ExpectInvariant(0b11);
  FTRecordDevice* second = Unit(1);
  EXPECT_EQ(second->LocationId, LocationOf(b));

  bus.Unplug(a);
  manager->ScanDevices();
  ExpectInvariant(0b01);
  EXPECT_EQ(Unit(0), second);
  bus.Unplug(b);
  manager->ScanDevices();
  ExpectInvariant(0);
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
    EXPECT_EQ(Unit(1)->LocationId, LocationOf(c));
  }
  EXPECT_EQ(Unit(0)->LocationId, LocationOf(a));
  EXPECT_EQ(bus.Log(bus.HandlesOf(other).back()).back().Call, "FT_Close");
}

TEST_F(DeviceManagerTest, UnitWhosePortSetUpFailsIsNotPresent) {
  for (int failing : {1, 2}) {  // which unit's port set-up fails
    SCOPED_TRACE(failing);
    Renew();
    const sim::UnitId first = PlugWired(VoltageSensor());
    const sim::UnitId second = PlugWired(VoltageSensor());
    bus.FailCall("FT_SetBaudRate", failing);
    manager->ScanDevices();
    ExpectInvariant(0b01);
    EXPECT_EQ(Unit(0)->LocationId, LocationOf(failing == 1 ? second : first));
  }
  // A unit kept from an earlier search whose set-up now fails is not present either.
  Renew();
  PlugWired(VoltageSensor());
  manager->ScanDevices();
  bus.FailCall("FT_SetBaudRate", 1);
  manager->ScanDevices();
  ExpectInvariant(0);
  EXPECT_EQ(manager->CountOpenDevices(), 0u);
}

TEST_F(DeviceManagerTest, UnitsLeaveOnlyAfterTheWindowHasReconciledWithoutThem) {
  const sim::UnitId a = PlugWired(VoltageSensor());
  manager->ScanDevices();
  bus.Unplug(a);
  manager->ScanDevices();
  struct Case {
    int busy;
    bool answering;
    std::size_t retired;
  } cases[] = {{1, true, 1}, {0, false, 1}, {0, true, 0}};
  for (const Case& c : cases) {
    side.BusyAnswers = c.busy;
    side.Answering = c.answering;
    manager->PostStartScreenText();
    manager->DeleteRetiredUnits();
    EXPECT_EQ(manager->RetiredCount(), c.retired);
  }
}

// A reader that looked at the table between two searches, or across a whole one, is told which.
TEST_F(DeviceManagerTest, TableReadAcrossAWholeSearchIsNotSettled) {
  const std::uint64_t before = manager->SearchMark();
  EXPECT_TRUE(manager->SettledSince(before));
  manager->ScanDevices();
  manager->Searching = 0;
  EXPECT_FALSE(manager->SettledSince(before));
  manager->Searching = 1;
  EXPECT_EQ(manager->SearchMark(), 0u);
  EXPECT_FALSE(manager->SettledSince(0));
  manager->Searching = 0;
  EXPECT_TRUE(manager->SettledSince(manager->SearchMark()));
}

TEST_F(DeviceManagerTest, MechanicsUnitSwitchesBackToItsPlainModeOnStop) {
  PlugWired(DemoMechanics());
  manager->ScanDevices();
  SlotStorage& mechanics = FillSlot(0, 1, 74);
  Unit(0)->BindChannel(0, mechanics.Channels[0].get());
  // On the information screens it starts in its plain mode and needs no switch back.
  window.Bytes.InfoScreenActive = 1;
  StartAll(1000);
  EXPECT_EQ(Unit(0)->StartPacket[5], 0xB3);
  window.Bytes.InfoScreenActive = 0;
  StartAll(1000);
  manager->StopAllDevices();
  SendStopCommands(*manager, true);
  EXPECT_EQ(LastWritten(0, 2), (std::vector<std::uint8_t>{0xB6, 0xB3}));
  EXPECT_EQ(Unit(0)->Running, 0);
}

TEST_F(DeviceManagerTest, AccelerometerAxesSwapBetweenUnitAndSlot) {
  // Streams 0, 1, 2 of the unit carry 100, 200, 300; the slot's channels take them in reverse.
  PlugWired(WiredAccelerometer());
  manager->ScanDevices();
  SlotStorage& slot = FillSlot(0, 3, 7);
  StartAll(1000);
  for (int pass = 0; pass < 5; ++pass) {
    clock.SleepMs(10);
    PollAllDevices(*manager);
  }
  ASSERT_GT(slot.Channels[0]->CodeCount, 10u);
  EXPECT_EQ(slot.Channels[2]->Codes[5], 100);
  EXPECT_EQ(slot.Channels[1]->Codes[5], 200);
  EXPECT_EQ(slot.Channels[0]->Codes[5], 300);
}

TEST_F(DeviceManagerTest, WhoTakesPartInAStart) {
  struct Case {
    const char* name;
    std::uint8_t status, info_screen;
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
    window.Bytes.InfoScreenActive = c.info_screen;
    PlugWired(VoltageSensor());
    manager->ScanDevices();
    FillSlot(0, c.channels);
    side.DefaultStatus = c.status;
    const std::size_t written = Written(0).size();
    StartAll(1000);
    EXPECT_EQ(DeviceThreadState.load(), c.starts ? kDeviceCommand : kDeviceSearch);
    EXPECT_EQ(Written(0).size() > written, c.starts);
  }
}

TEST_F(DeviceManagerTest, ByteLimitAndTransferTuning) {
  PlugWired(VoltageSensor());
  PlugWired(VoltageSensor());
  PlugWired(RadioPulse());
  manager->ScanDevices();
  FillSlot(0, 1);
  FillSlot(1, 2);
  FillSlot(2, 1, 35);
  bus.FailCall("FT_Purge", 1);
  StartAll(1000, 5000);
  // A unit whose tuning fails is closed and left out of the start.
  EXPECT_FALSE(Unit(0)->IsOpen());
  EXPECT_EQ(ConnectedMask.load(), 0b110);
  EXPECT_EQ(Unit(1)->ByteLimit, 2u * 5000u);
  // The radio stream is no two-byte stream; its record ends when the channels are full.
  EXPECT_EQ(Unit(2)->ByteLimit, std::numeric_limits<std::uint32_t>::max());

  // The latency pair's status is not tested: failing, or missing from the library, the unit measures.
  bus.FailCall("FT_SetLatencyTimer", 1);
  bus.FailCall("FT_GetLatencyTimer", 1);
  EXPECT_TRUE(TuneFtdiTransfer(*Unit(1), 1000));
  ASSERT_TRUE(BindFtdiLibrary([](const char* name) -> void* {
    return std::string_view(name).ends_with("LatencyTimer") ? nullptr : sim::d2xx::Resolve(name);
  }));
  StartAll(1000, 5000);
  EXPECT_TRUE(Unit(1)->IsOpen());
  bus.Advance(std::chrono::milliseconds(50));
  Unit(1)->Poll();
  EXPECT_GT(slots[1]->Channels[0]->CodeCount, 0u);
}

TEST_F(DeviceManagerTest, OneShotRecordEndsWhenFullThoughATypeSixUnitTakesPart) {
  // The type-6 unit feeds no channel and counts no bytes: it never fills, and must not hold the
  // record open once the voltage sensor has sent its record.
  PlugWired(VoltageSensor());
  PlugModel<sim::TypeSixUnit>(TypeSix());
  manager->ScanDevices();
  ASSERT_TRUE(Unit(0) != nullptr && Unit(1) != nullptr);
  ASSERT_EQ(Unit(1)->DeviceTypeCode, 6);
  FillSlot(0, 1);
  FillSlot(1, 1, 59);
  recording.Recording = true;
  StartAll(1000, 400);
  ASSERT_TRUE(Unit(0)->Running != 0 && Unit(1)->Running != 0);
  for (int pass = 0; pass < 200 && recording.FullStopCalls.load() == 0; ++pass) {
    clock.SleepMs(10);
    PollAllDevices(*manager);
  }
  EXPECT_FALSE(Unit(0)->HasRoom());
  EXPECT_EQ(recording.FullStopCalls.load(), 1);
  EXPECT_FALSE(recording.Recording.load());
}

TEST_F(DeviceManagerTest, CyclicWrapDecodesTheKeptFramesThoughNothingNewArrives) {
  // Two units of 100 codes a cycle; 150 ms bring 50 codes past the limit, which wait for the next
  // pass's wrap. The units then send nothing more (the measurement has stopped, or the bus is slow):
  // the kept frames are decoded all the same.
  PlugWired(VoltageSensor());
  PlugWired(VoltageSensor());
  manager->ScanDevices();
  view.Continuous = 1;
  SlotStorage& first = FillSlot(0, 1);
  SlotStorage& second = FillSlot(1, 1);
  StartAll(1000, 200);
  ASSERT_TRUE(Unit(0)->Running != 0 && Unit(1)->Running != 0);
  bus.Advance(std::chrono::milliseconds(150));
  PollAllDevices(*manager);
  for (SlotStorage* slot : {&first, &second}) {
    EXPECT_EQ(slot->Channels[0]->CodeCount, 100u);
    EXPECT_EQ(slot->Fill, 100u);
  }
  ASSERT_NE(manager->WrapDue, 0);
  PollAllDevices(*manager);
  EXPECT_EQ(manager->WrapDue, 0);
  for (SlotStorage* slot : {&first, &second}) {
    EXPECT_EQ(slot->Fill, 0u);
    EXPECT_EQ(slot->Channels[0]->CodeCount, 150u);  // this rig's view keeps the codes over a wrap
  }
  EXPECT_EQ(Unit(0)->BytesReceived, 100u);
}

TEST_F(DeviceManagerTest, StopAsksTheWorkerForStopBytesOrASearch) {
  PlugWired(VoltageSensor());
  manager->ScanDevices();
  struct Case {
    const char* name;
    std::uint8_t mask, before, after;
  } cases[] = {
      {"units connected", 0b1, kDeviceMeasuring, kDeviceCommand},
      {"none connected", 0, kDeviceMeasuring, kDeviceSearch},
      {"worker ended", 0b1, kDeviceEnded, kDeviceEnded},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectedMask = c.mask;
    DeviceThreadState = c.before;
    manager->RequestCode = 0;
    manager->StopAllDevices();
    EXPECT_EQ(DeviceThreadState.load(), c.after);
    EXPECT_EQ(manager->RequestCode.load(), c.mask != 0 ? kRequestStop : 0);
  }
}

TEST_F(DeviceManagerTest, PeriodGuards) {
  const std::pair<std::uint32_t, std::uint16_t> periods[] = {{0, 65535},    {15, 65535},  {16, 62500},
                                                            {1000, 1000}, {1000000, 1}, {3000000, 1}};
  for (const auto& [rate, period] : periods) EXPECT_EQ(StartPeriodUs(rate), period) << rate;
}

}  // namespace
}  // namespace managertest
