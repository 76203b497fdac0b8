// Tests of the unit families' port set-up, stop bytes and the control unit's close.
#include "acquisition/device_families.h"

#include <functional>
#include <string>

#include "unit_test_support.h"

namespace unittest {
namespace {

struct Call {
  std::string Name;
  std::vector<std::uint32_t> Args;
  bool operator==(const Call&) const = default;
};

std::vector<Call> SerialSetUp(std::uint32_t in, std::uint32_t out, std::uint32_t stop_bits, std::uint32_t baud) {
  return {{"FT_SetUSBParameters", {in, out}},
          {"FT_SetTimeouts", {500, 500}},
          {"FT_SetDataCharacteristics", {FT_BITS_8, stop_bits, FT_PARITY_NONE}},
          {"FT_SetFlowControl", {FT_FLOW_NONE, 0, 0}},
          {"FT_SetBaudRate", {baud}}};
}

struct Family {
  const char* Name;
  std::function<std::unique_ptr<FTRecordDevice>()> Make;
  std::vector<Call> Calls;
  std::uint32_t PacketLength;
};

template <typename T>
std::function<std::unique_ptr<FTRecordDevice>()> Maker() {
  return [] { return std::make_unique<T>(); };
}

std::vector<Family> Families() {
  std::vector<Call> six = SerialSetUp(256, 128, FT_STOP_BITS_1, kTypeSixBaudRate);
  six.push_back({"FT_Purge", {FT_PURGE_RX}});
  six.push_back({"FT_Write", {5}});
  return {
      {"base", Maker<FTRecordDevice>(), {{"FT_SetDivisor", {0}}}, 0},
      {"DeviceOne", Maker<DeviceOne>(), {{"FT_SetDivisor", {0}}}, 6},
      {"DeviceTwo", Maker<DeviceTwo>(), SerialSetUp(256, 128, FT_STOP_BITS_1, kWiredBaudRate), 6},
      {"DeviceTri", Maker<DeviceTri>(), SerialSetUp(256, 128, FT_STOP_BITS_1, 1220000), 5},
      {"DeviceFour", Maker<DeviceFour>(), SerialSetUp(256, 128, FT_STOP_BITS_1, kFastWiredBaudRate), 6},
      {"DeviceFive", Maker<DeviceFive>(), SerialSetUp(64, 64, FT_STOP_BITS_2, kControlBaudRate), 6},
      {"DeviceSix", Maker<DeviceSix>(), six, 5},
      {"DeviceQEMod", Maker<DeviceQEMod>(), SerialSetUp(256, 128, FT_STOP_BITS_1, kTimerBaudRate), 6},
  };
}

class DeviceFamiliesTest : public UnitTestBase {
 protected:
  FTRecordDevice& Open(const Family& family) {
    units.push_back(family.Make());
    FTRecordDevice& unit = *units.back();
    Attach(unit);
    EXPECT_TRUE(unit.OpenByIndex(0));
    unit.StartPacketLength = 0;
    return unit;
  }
  // The calls the unit made through its handle after the open, an FT_Write's count standing for its bytes.
  std::vector<Call> LoggedCalls(FT_HANDLE handle) {
    std::vector<Call> calls;
    for (const sim::CallRecord& record : bus.Log(handle)) {
      if (record.Call == "FT_Open") continue;
      calls.push_back({record.Call, record.Call == "FT_Write"
                                        ? std::vector<std::uint32_t>{static_cast<std::uint32_t>(record.Bytes.size())}
                                        : record.Args});
    }
    return calls;
  }
};

TEST_F(DeviceFamiliesTest, PortSetUpCallsInOrderAndTheFamilysStopByte) {
  for (const Family& family : Families()) {
    SCOPED_TRACE(family.Name);
    Fresh();
    PlugWired();
    FTRecordDevice& unit = Open(family);
    FT_HANDLE handle = unit.Handle;
    ASSERT_TRUE(unit.ConfigurePort());
    EXPECT_EQ(LoggedCalls(handle), family.Calls);
    EXPECT_EQ(unit.StartPacketLength, family.PacketLength);
    unit.StopCommand = 0x77;
    unit.SetStopCommand();
    ASSERT_TRUE(unit.SendStop());
    EXPECT_EQ(bus.Written(handle).back(), family.Name == std::string("DeviceTri") ? kRadioStopByte : kWiredStopByte);
  }
}

TEST_F(DeviceFamiliesTest, ControlUnitClosesWithoutTouchingTheSlotsOrTheRecording) {
  PlugWired();
  DeviceFive& control = OpenUnit<DeviceFive>();
  ConnectedMask = 0x01;
  bus.FailCall("FT_SetTimeouts", 1);
  EXPECT_FALSE(control.ConfigurePort());
  EXPECT_FALSE(control.IsOpen());
  EXPECT_EQ(ConnectedMask.load(), 0x01);
  EXPECT_EQ(events.Stops, 0);
}

}  // namespace
}  // namespace unittest
