// The device and control workers on their own threads against the simulated bus, as the window thread sees them.
#include <mutex>
#include <thread>

#include "manager_test_support.h"

namespace managertest {
namespace {

using namespace std::chrono_literals;

class WorkersThreadsTest : public ManagerTestBase {
 protected:
  WorkersThreadsTest() : ManagerTestBase(300us) {}

  void TearDown() override {
    Close();
    ManagerTestBase::TearDown();
  }
  // The window's close: nothing searches or waits any more, then the manager ends the workers.
  void Close() {
    ClosingFlag = 1;
    StopAfterRecording = 1;
    DeviceRunFlag = 0;
    ControlRunFlag = 0;
    manager.reset();
  }
  // After the first search the window pauses the worker, gives slot 0 two channels and starts recording.
  void StartMeasuring(std::uint32_t bytes_per_channel = 1u << 20) {
    ASSERT_TRUE(WaitFor([&] { return side.Requests.load() >= 1; }));
    ASSERT_TRUE(RequestDeviceThreadState(kDevicePauseRequest));
    ASSERT_TRUE(WaitFor([] { return DeviceThreadState.load() == kDevicePaused; }));
    FillSlot(0, 2);
    recording.Recording = true;
    manager->StartAllDevices(Params(bytes_per_channel));
    ASSERT_TRUE(WaitFor([&] { return recording.Ticks.load() > 3 || recording.FullStopCalls.load() > 0; }));
  }
};

// A clock that notes the device worker's rests and ends each at a wake, or after a watchdog.
class RestClock : public UnitClock {
 public:
  std::uint32_t NowMs() override { return now; }
  void SleepMs(std::uint32_t ms) override { now += ms; }
  void RestMs(std::uint32_t ms, std::uint32_t, WakeSignal& wake, std::uint64_t seen) override {
    asked_ms = ms;
    resting = true;
    wake.WaitFor(120000, seen);
    woken = wake.Count() != seen;
  }
  std::atomic<std::uint32_t> now{100000};
  std::atomic<std::uint32_t> asked_ms{0};
  std::atomic<bool> resting{false};
  std::atomic<bool> woken{false};
};

TEST_F(WorkersThreadsTest, BetweenSearchesTheWorkerRestsUntilTheNextSearchUnlessTheWindowAsksFirst) {
  RestClock rest;
  manager->Clock = &rest;
  DeviceRunFlag = 1;
  DeviceWorker worker(*manager);
  worker.Begin();
  // A pause (as before the window touches the tables), a start or stop command, and the close.
  const std::function<void()> requests[] = {
      [] { RequestDeviceThreadState(kDevicePauseRequest); },
      [] { RequestDeviceThreadState(kDeviceCommand); },
      [&] { WaitAcquisitionAck(true, clock); },
  };
  for (const auto& request : requests) {
    DeviceThreadState = kDeviceSearch;
    rest.resting = false;
    rest.woken = false;
    std::thread step([&] { worker.Step(); });
    ASSERT_TRUE(WaitFor([&] { return rest.resting.load(); }));
    request();
    step.join();
    // One rest until the search is due, not a step of 20 ms; the request ended it.
    EXPECT_EQ(rest.asked_ms.load(), kSearchIntervalMs + 1);
    EXPECT_TRUE(rest.woken.load());
  }
  DeviceThreadState = kDeviceSearch;
  manager->Clock = &clock;
}

TEST_F(WorkersThreadsTest, PauseDuringSearchIsAnsweredAfterItAndAStartAfterThePauseRuns) {
  // The type-6 unit's probe keeps the search waiting on the clock; the pause request comes then.
  PlugModel<sim::TypeSixUnit>(TypeSix());
  const sim::UnitId wired = PlugWired(VoltageSensor());
  std::atomic<bool> paused_once{false};
  DeviceManager* searching = manager.get();
  clock.OnSleep = [&, searching](std::uint32_t) {
    if (searching->Searching.load() == 0 || paused_once.exchange(true)) return;
    RequestDeviceThreadState(kDevicePauseRequest);
  };
  manager->StartWorkers();
  ASSERT_TRUE(WaitFor([] { return DeviceThreadState.load() == kDevicePaused; }));
  // Answered only after the search had finished and the window had been asked.
  EXPECT_EQ(side.Requests.load(), 1);
  EXPECT_EQ(ConnectedMask.load(), 0b11);

  side.SetSlotStatus(Unit(0), 0);
  FillSlot(1, 2);
  recording.Recording = true;
  manager->StartAllDevices(Params());
  ASSERT_TRUE(WaitFor([&] { return recording.Ticks.load() > 3; }));
  manager->StopAllDevices();
  ASSERT_TRUE(WaitFor([] { return DeviceThreadState.load() == kDeviceSearch; }));
  Close();
  EXPECT_GT(slots[0]->Channels[0]->CodeCount, 3u);
  EXPECT_EQ(WiredStarts(wired), 1u);
  EXPECT_EQ(WiredStops(wired), 1);
}

// Holds the device worker where it calls Hold until the window's wait for the pause has given up, and
// a moment more, so a window that went on at once would find the work still under way.
struct HeldWork {
  struct WindowClock : UnitClock {
    std::uint32_t NowMs() override { return now; }
    void SleepMs(std::uint32_t ms) override {
      now += ms;
      if (now >= kAckWaitMs) gave_up = true;
    }
    std::atomic<std::uint32_t> now{0};
    std::atomic<bool> gave_up{false};
  } window;
  std::atomic<bool> armed{false}, held{false};
  void Hold() {
    if (!IsDeviceWorkerThread() || !armed.load()) return;
    held = true;
    WaitFor([&] { return window.gave_up.load(); });
    std::this_thread::sleep_for(50ms);
    armed = false;
  }
  // The window goes on only once the held work has ended; the worker then answers the pause.
  void ExpectTheWindowWaitsForIt() {
    ASSERT_TRUE(WaitFor([&] { return held.load(); }));
    WaitAcquisitionAck(false, window);
    EXPECT_EQ(window.now.load(), kAckWaitMs);
    EXPECT_FALSE(armed.load());
    EXPECT_TRUE(WaitFor([] { return DeviceThreadState.load() == kDevicePaused; }));
  }
};

TEST_F(WorkersThreadsTest, AWindowThatGaveUpWaitingForThePauseGoesOnOnlyAfterThePollPassUnderWay) {
  HeldWork work;
  recording.DuringTick = [&] { work.Hold(); };
  PlugWired(VoltageSensor());
  manager->StartWorkers();
  StartMeasuring();
  work.armed = true;
  work.ExpectTheWindowWaitsForIt();
  Close();
}

TEST_F(WorkersThreadsTest, AWindowThatGaveUpWaitingForThePauseGoesOnOnlyAfterTheSearchUnderWay) {
  // The type-6 unit's probe keeps the search's scan waiting on the clock.
  PlugModel<sim::TypeSixUnit>(TypeSix());
  HeldWork work;
  work.armed = true;
  DeviceManager* searching = manager.get();
  clock.OnSleep = [&work, searching](std::uint32_t) {
    if (searching->Searching.load() != 0) work.Hold();
  };
  manager->StartWorkers();
  work.ExpectTheWindowWaitsForIt();
  Close();
  clock.OnSleep = nullptr;
}

TEST_F(WorkersThreadsTest, UnplugDuringMeasuringClosesTheUnitAndReturnsToSearch) {
  const sim::UnitId wired = PlugWired(VoltageSensor());
  manager->StartWorkers();
  StartMeasuring();
  // Only a search changes the handle, and the worker measures now.
  const FT_HANDLE handle = Unit(0)->Handle;
  const int requests = side.Requests.load();
  // Every search closes the units it reopens, so the searches before the start (as many as the
  // threads' pace allows) have each told of an end already: the unplug tells of one more.
  const int ends = recording.DeviceEndCalls.load();
  bus.Unplug(wired);
  ASSERT_TRUE(WaitFor([&] { return side.Requests.load() > requests && Unit(0) == nullptr && manager->RetiredCount() == 0; }));
  EXPECT_EQ(recording.DeviceEndCalls.load() - ends, 1);
  EXPECT_EQ(ConnectedMask.load(), 0);
  EXPECT_EQ(bus.Log(handle).back().Call, "FT_Close");
}

TEST_F(WorkersThreadsTest, ClosingWhileMeasuringEndsBothWorkersBeforeAnyUnitIsDeleted) {
  const sim::UnitId wired = PlugWired(VoltageSensor());
  // A control unit that never answers RTS keeps the control worker in its modem-event wait.
  const sim::UnitId control = PlugControl(false, 1);
  const FT_HANDLE control_handle = manager->ControlDeviceTable[0]->Handle;
  ControlCommand = kControlResetCycle;
  manager->StartWorkers();
  StartMeasuring();
  const FT_HANDLE handle = Unit(0)->Handle;
  ASSERT_TRUE(WaitFor([&] { return ReadModel<sim::ControlUnit>(control, [](sim::ControlUnit& m) { return m.Rts(); }); }));

  std::uint8_t device_at_forget = 0, control_at_forget = 0;
  bool open_at_forget = false;
  DeviceManager* going = manager.get();
  side.OnForget = [&] {
    device_at_forget = DeviceThreadState.load();
    control_at_forget = ControlCommand.load();
    std::lock_guard lock(going->TableLock);
    open_at_forget = going->DeviceTable[0]->IsOpen() && going->ControlDeviceTable[0]->IsOpen();
  };
  const std::uint32_t start = clock.NowMs();
  Close();
  side.OnForget = nullptr;
  // The close's own waits keep to their limits, whatever the workers' scheduling.
  EXPECT_LE(clock.NowMs() - start, 2 * (kModemEventWaitMs + 30u));
  EXPECT_EQ(device_at_forget, kDeviceEnded);
  EXPECT_EQ(control_at_forget, kControlEnded);
  EXPECT_TRUE(open_at_forget);
  // The worker stopped the unit before it ended; the units closed after that.
  EXPECT_EQ(WiredStops(wired), 1);
  EXPECT_EQ(bus.Log(handle).back().Call, "FT_Close");
  EXPECT_EQ(bus.Log(control_handle).back().Call, "FT_Close");
}

}  // namespace
}  // namespace managertest
