// The conductivity unit's range switch on the simulated bus: the bytes, their order, the wait and write failures.
#include "acquisition/unit_range_switch.h"

#include "acquisition/manager_test_support.h"

namespace {

using managertest::ManagerTestBase;

class UnitRangeSwitch : public ManagerTestBase {
 protected:
  // One wired unit in slot 0, taken for a two-range conductivity sensor; its bus log starts empty.
  FTRecordDevice& Conductivity() {
    PlugWired(managertest::VoltageSensor());
    EXPECT_TRUE(manager->ScanDevices());
    FTRecordDevice& unit = *Unit(0);
    unit.SensorCode = 6;
    handle = unit.Handle;
    logged = bus.Log(handle).size();
    return unit;
  }
  // The writes since the unit was found, with their times on the bus clock.
  std::vector<sim::CallRecord> Writes() {
    std::vector<sim::CallRecord> writes;
    const std::vector<sim::CallRecord> log = bus.Log(handle);
    for (std::size_t i = logged; i < log.size(); ++i) {
      if (log[i].Call == "FT_Write") writes.push_back(log[i]);
    }
    return writes;
  }
  FT_HANDLE handle = nullptr;
  std::size_t logged = 0;
};

TEST_F(UnitRangeSwitch, ModeByteThenTheNewPacketThenTheStopAfterTheRun) {
  FTRecordDevice& unit = Conductivity();
  unit.Running = 1;
  ASSERT_TRUE(SwitchUnitRange(*manager, unit.LocationId, 6, kMicroSiemensRange, 1000, clock));
  const std::vector<sim::CallRecord> writes = Writes();
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[0].Bytes, (std::vector<std::uint8_t>{0xD5}));
  EXPECT_EQ(writes[1].Bytes, (std::vector<std::uint8_t>{0xA7, 0x01, 0xA3, 0xE8, 0x03, 0xD5}));
  EXPECT_EQ(writes[2].Bytes, (std::vector<std::uint8_t>{0xB6}));
  EXPECT_GE(writes[2].TimeUs - writes[1].TimeUs, 250000);
  EXPECT_EQ(unit.StartPacket, (std::array<std::uint8_t, 6>{0xA7, 0x01, 0xA3, 0xE8, 0x03, 0xD5}));
  EXPECT_EQ(unit.Running, 0);
}

TEST_F(UnitRangeSwitch, PeriodFollowsTheStartRuleAndOnlyTheMatchingUnitIsTouched) {
  FTRecordDevice& unit = Conductivity();
  // Rate 0 and slow rates give the slowest period rather than a division by zero.
  for (const std::uint32_t rate : {0u, 10u}) {
    ASSERT_TRUE(SwitchUnitRange(*manager, unit.LocationId, 6, kMilliSiemensRange, rate, clock));
    EXPECT_EQ(unit.StartPacket, (std::array<std::uint8_t, 6>{0xA7, 0x01, 0xA3, 0xFF, 0xFF, 0xB3})) << rate;
  }
  const std::size_t before = Writes().size();
  EXPECT_FALSE(SwitchUnitRange(*manager, unit.LocationId, 19, kMicroSiemensRange, 1000, clock));
  EXPECT_FALSE(SwitchUnitRange(*manager, unit.LocationId + 1, 6, kMicroSiemensRange, 1000, clock));
  EXPECT_EQ(Writes().size(), before);
}

TEST_F(UnitRangeSwitch, AFailedWriteClosesTheUnitAndNothingFollows) {
  // The nth write fails: the mode byte, the packet, the stop byte.
  for (int failing = 1; failing <= 3; ++failing) {
    Renew();
    FTRecordDevice& unit = Conductivity();
    bus.FailCall("FT_Write", failing);
    ASSERT_TRUE(SwitchUnitRange(*manager, unit.LocationId, 6, kMicroSiemensRange, 1000, clock));
    EXPECT_FALSE(unit.IsOpen()) << failing;
    EXPECT_EQ(Writes().size(), static_cast<std::size_t>(failing)) << failing;
    EXPECT_EQ(unit.StartPacket[5], 0xD5) << failing;
  }
}

}  // namespace
