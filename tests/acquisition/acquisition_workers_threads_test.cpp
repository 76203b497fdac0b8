// The device and control workers on their own threads against the simulated bus, as the window thread sees them.
#include <chrono>
#include <mutex>
#include <thread>

#include "acquisition/device_families.h"
#include "manager_test_support.h"

namespace managertest {
namespace {

using namespace std::chrono_literals;

// Generous: a condition that holds within a few hundred milliseconds on an idle machine.
constexpr auto kPatience = 60s;

bool WaitFor(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

class WorkersThreadsTest : public ManagerTestBase {
 protected:
  WorkersThreadsTest() : ManagerTestBase(300us) {}

  void TearDown() override {
    Close();
    ManagerTestBase::TearDown();
  }
  // The window's close: nothing searches or waits any more, then the manager ends the workers.
  // Tests whose hooks capture their own locals close before those go.
  void Close() {
    ClosingFlag = 1;
    StopAfterRecording = 1;
    DeviceRunFlag = 0;
    ControlRunFlag = 0;
    manager.reset();
  }
  // The window pauses the worker before it touches the tables.
  void Pause() {
    ASSERT_TRUE(RequestDeviceThreadState(kDevicePauseRequest));
    ASSERT_TRUE(WaitFor([] { return DeviceThreadState.load() == kDevicePaused; }));
  }
  // After the first search: pause, give slot `s` two channels and start recording.
  void StartMeasuring(std::size_t s, std::uint32_t bytes_per_channel = 1u << 20) {
    ASSERT_TRUE(WaitFor([&] { return side.Requests.load() >= 1; }));
    Pause();
    FillSlot(s, 2);
    recording.Recording = true;
    manager->StartAllDevices(Params(bytes_per_channel));
    ASSERT_TRUE(WaitFor([&] { return recording.Ticks.load() > 3 || recording.FullStopCalls.load() > 0; }));
  }
  template <typename Model, typename Read>
  auto ReadModel(sim::UnitId id, Read read) {
    decltype(read(std::declval<Model&>())) value{};
    bus.WithModel<Model>(id, [&](Model& m) { value = read(m); });
    return value;
  }
  int StopsOf(sim::UnitId id) {
    return ReadModel<sim::WiredUnitModel>(id, [](sim::WiredUnitModel& m) { return m.StopCount(); });
  }
};

TEST_F(WorkersThreadsTest, WithNoUnitTheWorkerStaysInSearchAndSearchesEveryTwoSeconds) {
  std::mutex mutex;
  std::vector<std::pair<std::uint32_t, std::uint8_t>> searches;
  side.OnRequest = [&](std::uint32_t) {
    std::lock_guard lock(mutex);
    searches.emplace_back(clock.NowMs(), DeviceThreadState.load());
  };
  manager->StartWorkers();
  ASSERT_TRUE(WaitFor([&] { return side.Requests.load() >= 4; }));
  std::lock_guard lock(mutex);
  for (std::size_t i = 0; i < searches.size(); ++i) {
    EXPECT_EQ(searches[i].second, kDeviceSearch);
    if (i == 0) continue;
    const std::uint32_t interval = searches[i].first - searches[i - 1].first;
    EXPECT_GT(interval, kSearchIntervalMs);
    EXPECT_LE(interval, kSearchIntervalMs + kIdleSleepMs);
  }
  EXPECT_EQ(ConnectedMask.load(), 0);
  Close();
}

TEST_F(WorkersThreadsTest, PauseDuringSearchIsAnsweredAfterItAndAStartAfterThePauseRuns) {
  // The type-6 unit's probe keeps the search waiting; the pause request comes then.
  PlugModel<sim::TypeSixUnit>(TypeSix());
  const sim::UnitId wired = PlugWired(VoltageSensor());
  std::atomic<bool> paused_once{false};
  std::atomic<int> requests_at_pause{-1};
  DeviceManager* searching = manager.get();
  clock.OnSleep = [&, searching](std::uint32_t) {
    if (searching->Searching.load() == 0 || paused_once.exchange(true)) return;
    requests_at_pause = side.Requests.load();
    RequestDeviceThreadState(kDevicePauseRequest);
  };
  manager->StartWorkers();
  ASSERT_TRUE(WaitFor([] { return DeviceThreadState.load() == kDevicePaused; }));
  EXPECT_EQ(requests_at_pause.load(), 0);
  // Answered only after the search had finished and the window had been asked.
  EXPECT_EQ(side.Requests.load(), 1);
  EXPECT_EQ(manager->Searching.load(), 0);
  EXPECT_EQ(ConnectedMask.load(), 0b11);

  side.SetSlotStatus(Unit(0), 0);
  FillSlot(1, 2);
  recording.Recording = true;
  manager->StartAllDevices(Params());
  ASSERT_TRUE(WaitFor([&] { return recording.Ticks.load() > 3; }));
  EXPECT_EQ(ReadModel<sim::WiredUnitModel>(wired, [](sim::WiredUnitModel& m) { return m.StartPackets().size(); }), 1u);

  manager->StopAllDevices();
  ASSERT_TRUE(WaitFor([] { return DeviceThreadState.load() == kDeviceSearch; }));
  EXPECT_GT(slots[0]->Channels[0]->CodeCount, 3u);
  EXPECT_EQ(Unit(0)->Running, 0);
  EXPECT_EQ(StopsOf(wired), 1);
  Close();
}

TEST_F(WorkersThreadsTest, UnplugDuringMeasuringClosesTheUnitAndReturnsToSearch) {
  const sim::UnitId wired = PlugWired(VoltageSensor());
  manager->StartWorkers();
  StartMeasuring(0);
  // Only a search changes the handle, and the worker measures now.
  const FT_HANDLE handle = Unit(0)->Handle;
  const int requests = side.Requests.load();
  bus.Unplug(wired);
  ASSERT_TRUE(WaitFor([&] { return side.Requests.load() > requests && Unit(0) == nullptr && manager->RetiredCount() == 0; }));
  EXPECT_EQ(recording.DeviceEndCalls.load(), 1);
  EXPECT_FALSE(recording.Recording.load());
  EXPECT_EQ(ConnectedMask.load(), 0);
  EXPECT_EQ(bus.Log(handle).back().Call, "FT_Close");
}

TEST_F(WorkersThreadsTest, FullRecordWritesTheStopBytesExactlyOnce) {
  const sim::UnitId wired = PlugWired(VoltageSensor());
  manager->StartWorkers();
  StartMeasuring(0, 400);
  ASSERT_TRUE(WaitFor([] { return DeviceThreadState.load() == kDeviceSearch; }));
  EXPECT_EQ(recording.FullStopCalls.load(), 1);
  // Two more searches: nothing starts or stops the unit again.
  const int requests = side.Requests.load();
  ASSERT_TRUE(WaitFor([&] { return side.Requests.load() >= requests + 2; }));
  EXPECT_EQ(StopsOf(wired), 1);
  EXPECT_EQ(ReadModel<sim::WiredUnitModel>(wired, [](sim::WiredUnitModel& m) { return m.StartPackets().size(); }), 1u);
}

TEST_F(WorkersThreadsTest, ClosingWhileMeasuringEndsBothWorkersBeforeAnyUnitIsDeleted) {
  const sim::UnitId wired = PlugWired(VoltageSensor());
  // A control unit that never answers RTS keeps the control worker in its modem-event wait.
  sim::UnitInfo info;
  info.Description = "CONTROL";
  auto model = std::make_unique<sim::ControlUnit>();
  model->SetAnswersRts(false);
  const sim::UnitId control = bus.Plug(info, std::move(model));
  auto unit = std::make_unique<DeviceFive>();
  unit->Clock = &clock;
  ASSERT_TRUE(unit->OpenByIndex(1));
  const FT_HANDLE control_handle = unit->Handle;
  manager->ControlDeviceTable[0] = std::move(unit);
  ControlCommand = kControlResetCycle;

  manager->StartWorkers();
  StartMeasuring(0);
  const FT_HANDLE handle = Unit(0)->Handle;
  ASSERT_TRUE(WaitFor([&] { return ReadModel<sim::ControlUnit>(control, [](sim::ControlUnit& m) { return m.Rts(); }); }));

  struct AtForget {
    std::uint8_t device = 0;
    std::uint8_t control = 0;
    bool unit_open = false;
    bool control_open = false;
  } at_forget;
  DeviceManager* going = manager.get();
  side.OnForget = [&] {
    at_forget.device = DeviceThreadState.load();
    at_forget.control = ControlCommand.load();
    std::lock_guard lock(going->TableLock);
    at_forget.unit_open = going->DeviceTable[0] != nullptr && going->DeviceTable[0]->IsOpen();
    at_forget.control_open = going->ControlDeviceTable[0] != nullptr && going->ControlDeviceTable[0]->IsOpen();
  };
  ClosingFlag = 1;
  StopAfterRecording = 1;
  DeviceRunFlag = 0;
  ControlRunFlag = 0;
  const std::uint32_t start = clock.NowMs();
  manager.reset();
  // The close's own waits keep to their limits, whatever the workers' scheduling.
  EXPECT_LE(clock.NowMs() - start, 2 * (1000u + 30u));
  side.OnForget = nullptr;

  EXPECT_EQ(at_forget.device, kDeviceEnded);
  EXPECT_EQ(at_forget.control, kControlEnded);
  EXPECT_TRUE(at_forget.unit_open);
  EXPECT_TRUE(at_forget.control_open);
  // The worker stopped the unit before it ended; the units closed after that.
  EXPECT_EQ(StopsOf(wired), 1);
  EXPECT_EQ(bus.Log(handle).back().Call, "FT_Close");
  EXPECT_EQ(bus.Log(control_handle).back().Call, "FT_Close");
}

}  // namespace
}  // namespace managertest
