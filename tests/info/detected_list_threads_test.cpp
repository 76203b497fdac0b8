// The detected-sensors list built on the window thread while the device worker's searches replace the units.
#include <cstring>

#include "../acquisition/manager_test_support.h"
#include "info/info_panel.h"
#include "info/start_page.h"

namespace managertest {
namespace {

class DetectedListThreadsTest : public ManagerTestBase {
 protected:
  DetectedListThreadsTest() : ManagerTestBase(std::chrono::microseconds(300)) {}
  // The window's close: nothing searches any more, then the manager ends the workers.
  void TearDown() override {
    ClosingFlag = 1, DeviceRunFlag = 0, ControlRunFlag = 0;
    ManagerTestBase::TearDown();
  }
};

TEST_F(DetectedListThreadsTest, ListReadsTheUnitsWhileSearchesPlugAndUnplugThem) {
  sim::UnitId moving = PlugWired(VoltageSensor());
  PlugWired(VoltageSensor());
  MainWindowBytes bytes;
  InfoPanel panel(InfoPanel::kDetectedSensors, {});
  panel.Owner.Bytes = &bytes;
  panel.Owner.Devices = manager.get();
  manager->StartWorkers();
  ASSERT_TRUE(WaitFor([&] { return side.Requests.load() >= 1; }));
  bool plugged = true;
  int searches = side.Requests.load();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (side.Requests.load() < 8 && std::chrono::steady_clock::now() < deadline) {
    // After each search one unit leaves or comes back.
    if (side.Requests.load() != searches) {
      searches = side.Requests.load();
      if (plugged) {
        bus.Unplug(moving);
      } else {
        moving = PlugWired(VoltageSensor());
      }
      plugged = !plugged;
    }
    BuildDetectedSensorsPage(panel);
    ASSERT_GE(panel.Body.Count(), 1);
    ASSERT_LE(panel.Body.Count(), 4);
    for (std::int32_t i = 0; i < panel.Body.Count(); ++i) EXPECT_LT(std::strlen(panel.Body.Text(i)), 256u);
  }
  EXPECT_GE(side.Requests.load(), 8);
}

}  // namespace
}  // namespace managertest
