// Tests of the unit families' port set-up, stop bytes and the control unit's close.
#include "acquisition/device_families.h"

#include <functional>
#include <memory>
#include <string>

#include "unit_test_support.h"

namespace unittest {
namespace {

struct Family {
  const char* Name;
  std::function<std::unique_ptr<FTRecordDevice>()> Make;
  std::uint32_t PacketLength;
};

template <typename T>
std::function<std::unique_ptr<FTRecordDevice>()> Maker() {
  return [] { return std::make_unique<T>(); };
}

const Family kFamilies[] = {
    {"base", Maker<FTRecordDevice>(), 0},       {"DeviceOne", Maker<DeviceOne>(), 6},
    {"DeviceTwo", Maker<DeviceTwo>(), 6},       {"DeviceTri", Maker<DeviceTri>(), 5},
    {"DeviceFour", Maker<DeviceFour>(), 6},     {"DeviceFive", Maker<DeviceFive>(), 6},
    {"DeviceSix", Maker<DeviceSix>(), 5},       {"DeviceQEMod", Maker<DeviceQEMod>(), 6},
};

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
};

TEST_F(DeviceFamiliesTest, PortSetUpAndTheFamilysStopByte) {
  for (const Family& family : kFamilies) {
    SCOPED_TRACE(family.Name);
    Fresh();
    PlugWired();
    FTRecordDevice& unit = Open(family);
    FT_HANDLE handle = unit.Handle;
    ASSERT_TRUE(unit.ConfigurePort());
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
