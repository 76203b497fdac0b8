// Closing the main window on the simulated bus while a worker awaits the window's answer, and while recording.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "app_test_support.h"
#include "sim/bus.h"
#include "sim/unit_list.h"

namespace {

using apptest::Rig;
using Clock = std::chrono::steady_clock;

bool WaitFor(const std::function<bool()>& condition) {
  const auto deadline = Clock::now() + std::chrono::seconds(120);
  while (!condition()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class MainWindowClose : public ::testing::Test {
 protected:
  void SetUp() override {
    bus.Reset(sim::ClockMode::RealTime);
    for (const sim::UnitSpec& unit : sim::DefaultUnits()) ASSERT_TRUE(sim::AttachUnit(bus, unit));
  }
  void TearDown() override { bus.Reset(sim::ClockMode::Virtual); }

  // Runs the window until the first search has found the units and asked the window about them;
  // the answer is "busy", so the worker asks again and waits.
  void StartAndAwaitTheSearch() {
    window = &rig.Create();
    window->Hooks.ReconcileSlots = [this](MainWindow&) {
      reconciles.fetch_add(1);
      return false;
    };
    ASSERT_TRUE(WaitFor([this] {
      rig.host.Pump();
      return reconciles.load() > 0;
    }));
    EXPECT_NE(ConnectedMask.load(), 0);
  }
  // Closes as the window manager would and checks what the close leaves.
  void CloseAndCheck() {
    rig.host.Window().Close();
    EXPECT_EQ(DeviceThreadState.load(), kDeviceEnded);
    EXPECT_EQ(window->Devices, nullptr);
    EXPECT_EQ(window->View, nullptr);
    // A request the worker queued before the close finds nothing to answer.
    const int before = reconciles.load();
    rig.host.Window().DrainQueue();
    EXPECT_EQ(reconciles.load(), before);
  }

  sim::Bus& bus = sim::Bus::Instance();
  Rig rig;
  MainWindow* window = nullptr;
  std::atomic<int> reconciles{0};
};

TEST_F(MainWindowClose, WhileTheWorkerAwaitsAnAnswer) {
  StartAndAwaitTheSearch();
  CloseAndCheck();
}

}  // namespace
