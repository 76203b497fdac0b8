// The conductivity unit's range switch on the simulated bus: the bytes, their order, the wait and write failures.
#include "acquisition/unit_range_switch.h"

#include "acquisition/manager_test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class UnitRangeSwitch : public managertest::ManagerTestBase {
 protected:
  // One wired unit in slot 0, taken for a two-range conductivity sensor; the writes since then.
  FTRecordDevice& Conductivity() {
    PlugWired(managertest::VoltageSensor());
    EXPECT_TRUE(manager->ScanDevices());
    Unit(0)->SensorCode = 6, handle = Unit(0)->Handle, logged = bus.Log(handle).size();
    return *Unit(0);
  }
  std::vector<sim::CallRecord> Writes() {
    std::vector<sim::CallRecord> log = bus.Log(handle), writes;
    for (std::size_t i = logged; i < log.size(); ++i) log[i].Call == "FT_Write" ? writes.push_back(log[i]) : void();
    return writes;
  }
  FT_HANDLE handle = nullptr;
  std::size_t logged = 0;  // log entries before the switch
};

TEST_F(UnitRangeSwitch, ModeByteThenTheNewPacketThenTheStopAfterTheRun) {
  FTRecordDevice& unit = Conductivity();
  unit.Running = 1;
  ASSERT_TRUE(SwitchUnitRange(*manager, unit.LocationId, 6, kMicroSiemensRange, 1000, clock));
  const std::vector<sim::CallRecord> w = Writes();
  std::vector<Bytes> sent;
  for (const sim::CallRecord& call : w) sent.push_back(call.Bytes);
  ASSERT_EQ(sent, (std::vector<Bytes>{{0xD5}, {0xA7, 0x01, 0xA3, 0xE8, 0x03, 0xD5}, {0xB6}}));
  EXPECT_GE(w[2].TimeUs - w[1].TimeUs, 250000);
  EXPECT_EQ(Bytes(unit.StartPacket.begin(), unit.StartPacket.end()), w[1].Bytes);
  EXPECT_EQ(unit.Running, 0);
  // Rate 0 and slow rates take the slowest period; another code or place touches nothing.
  ASSERT_TRUE(SwitchUnitRange(*manager, unit.LocationId, 6, kMilliSiemensRange, 0, clock));
  EXPECT_EQ(Writes()[4].Bytes, (Bytes{0xA7, 0x01, 0xA3, 0xFF, 0xFF, 0xB3}));
  EXPECT_FALSE(SwitchUnitRange(*manager, unit.LocationId, 19, kMicroSiemensRange, 1000, clock));
  EXPECT_FALSE(SwitchUnitRange(*manager, unit.LocationId + 1, 6, kMicroSiemensRange, 1000, clock));
  EXPECT_EQ(Writes().size(), 6u);
}

TEST_F(UnitRangeSwitch, AFailedWriteClosesTheUnitAndNothingFollows) {
  for (int failing = 1; failing <= 3; ++failing) {  // the mode byte, the packet, the stop byte
    Renew();
    FTRecordDevice& unit = Conductivity();
    bus.FailCall("FT_Write", failing);
    ASSERT_TRUE(SwitchUnitRange(*manager, unit.LocationId, 6, kMicroSiemensRange, 1000, clock));
    EXPECT_FALSE(unit.IsOpen()) << failing;
    EXPECT_EQ(Writes().size(), static_cast<std::size_t>(failing)) << failing;
  }
}

}  // namespace
