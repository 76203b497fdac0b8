// Tests of the device-arrival check: the watched interface names, the latch between searches, removals.
#include <gtest/gtest.h>

#include <utility>
#include <string>

#include "acquisition/arrival_check.h"
#include "acquisition/device_manager.h"
#include "acquisition/device_status.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/worker_threads.h"
#include "fakes/fake_main_window.h"
#include "fakes/fake_window_side.h"
#include "fakes/stepped_clock.h"
#include "graph/graph_view.h"
#include "platform/usb_arrivals.h"
#include "sim/bus.h"
#include "sim/d2xx.h"

namespace {

TEST(ArrivalCheck, WatchedInterfaceNames) {
  const std::pair<std::string, bool> cases[] = {
      {"\\\\?\\USB#VID_15A2&PID_005A#5&2a1b&0&1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", true},
      {platform::UsbInterfaceName(0x15A2, 0x005A), true},
      {platform::UsbInterfaceName(0x15A2, 0x005E), false},
      {platform::UsbInterfaceName(0x0403, 0x6001), false},
      {"vid_15a2&pid_005", false},
  };
  for (const auto& [name, watched] : cases) EXPECT_EQ(IsWatchedInterface(name), watched) << name;
}

class ArrivalCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(BindFtdiLibrary(sim::d2xx::Resolve));
    sim::Bus::Instance().Reset(sim::ClockMode::Virtual);
    ResetDeviceStatus();
    ResetWorkerStatus();
    ASSERT_TRUE(view.Init(70000, PixelRect{0, 0, 1000, 800}, 0, &window));
    manager.Clock = &clock;
    view.AttachDevices(manager, side);
  }
  void TearDown() override {
    ResetDeviceStatus();
    ResetWorkerStatus();
  }
  bool Change(int kind, std::uint16_t product = 0x005A) {
    return OnDeviceInterfaceChange(manager, platform::UsbInterfaceName(0x15A2, product), kind);
  }
  bool Arrive() { return Change(kInterfaceArrival); }

  SteppedClock clock;
  FakeMainWindow window;
  FakeWindowSide side;
  GraphView view;
  DeviceManager manager;
};

TEST_F(ArrivalCheckTest, TwoArrivalsBetweenSearchesStopTheRecordingOnce) {
  view.Recording = 1;
  // Until the first search the latch is set: an arrival waits for it.
  EXPECT_FALSE(Arrive());
  EXPECT_EQ(view.Recording.load(), 1);
  ASSERT_TRUE(manager.ScanDevices());
  const std::uint32_t before = clock.Now;
  EXPECT_TRUE(Arrive());
  EXPECT_EQ(view.Recording.load(), 0);
  EXPECT_GE(clock.Now - before, kArrivalSettleMs);
  // A recording started again before the next search is left alone.
  view.Recording = 1;
  EXPECT_FALSE(Arrive());
  EXPECT_EQ(view.Recording.load(), 1);
  // The search clears the latch: the next arrival acts again.
  ASSERT_TRUE(manager.ScanDevices());
  EXPECT_TRUE(Arrive());
  EXPECT_EQ(view.Recording.load(), 0);
}

TEST_F(ArrivalCheckTest, RemovalsAndOtherDevicesNeverAct) {
  ASSERT_TRUE(manager.ScanDevices());
  view.Recording = 1;
  EXPECT_FALSE(Change(kInterfaceRemoval));
  EXPECT_FALSE(Change(kInterfaceArrival, 0x005E));
  EXPECT_FALSE(Change(2));
  EXPECT_EQ(view.Recording.load(), 1);

  // An arrival with no recording still takes the latch, so a start right after is not stopped.
  view.Recording = 0;
  EXPECT_TRUE(Arrive());
  view.Recording = 1;
  EXPECT_FALSE(Arrive());
  EXPECT_EQ(view.Recording.load(), 1);
}

}  // namespace
