// Tests of IdentifySensor on the manager: EEPROM read over the simulated bus, the key table, failures.
#include <string>

#include "acquisition/sensor_identification.h"
#include "fakes/fake_main_window.h"
#include "unit_test_support.h"

namespace unittest {
namespace {

class IdentifySensorTest : public UnitTestBase {
 protected:
  // A manager holding the handle of the unit at listing index 0.
  FTRecordDevice& Manager() {
    FTRecordDevice& manager = OpenUnit(0);
    manager.Manager = 1;
    manager.MainWindow = &window;
    return manager;
  }
  FakeMainWindow window;
};

TEST_F(IdentifySensorTest, RefusesWhatIsNoSensor) {
  const std::string accelerometer = *MakeDescriptionForKey(SensorKey('4', '9', 1133));
  struct Case {
    const char* name;
    std::string description;
    const char* failing_call;
    bool closing;
  } cases[] = {
      {"other device", "USB Serial Converter", nullptr, false},
      {"EEPROM read fails", accelerometer, "FT_EE_Read", false},
      {"window closing", accelerometer, nullptr, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    PlugWired({}, c.description);
    FTRecordDevice& manager = Manager();
    manager.SensorCode = 99;
    if (c.failing_call != nullptr) bus.FailCall(c.failing_call, 1);
    ClosingFlag = c.closing ? 1 : 0;
    EXPECT_FALSE(manager.IdentifySensor(true));
    EXPECT_EQ(manager.SensorCode, 99);
    ClosingFlag = 0;
  }
}

TEST_F(IdentifySensorTest, EachUnitIsIdentifiedAfreshInTheWindowsLanguage) {
  PlugWired({}, *MakeDescriptionForKey(SensorKey('5', '1', 1384)));
  PlugWired({}, *MakeDescriptionForKey(SensorKey('1', '6', 1300)));
  FTRecordDevice& manager = Manager();
  ASSERT_TRUE(manager.IdentifySensor(true));
  EXPECT_EQ(manager.ChannelCount, 4);
  EXPECT_EQ(manager.NameLine1, "Датчик ускорения 1.5g");
  manager.Close(0);
  ASSERT_TRUE(manager.OpenByIndex(1));
  window.Bytes.EnglishUi = 1;  // the names come in the window's language
  ASSERT_TRUE(manager.IdentifySensor(true));
  EXPECT_EQ(manager.ChannelCount, 1);
  EXPECT_EQ(manager.SensorCode, 3);
  EXPECT_EQ(manager.NameLine1, IdentifyKey(SensorKey('1', '6', 1300), true).NameLine1);
  EXPECT_EQ(std::string(manager.Description.data()), *MakeDescriptionForKey(SensorKey('1', '6', 1300)));
}

}  // namespace
}  // namespace unittest
