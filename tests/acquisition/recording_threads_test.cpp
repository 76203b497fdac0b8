// A measurement from end to end: simulated units, the real device worker, the graph view's recording control and tick.
#include <algorithm>
#include <array>
#include <mutex>

#include "channels/sensor_kind_table.h"
#include "manager_test_support.h"

namespace managertest {
namespace {

using namespace std::chrono_literals;

// The headless main window, noting the worker's redraw requests while recording, with the worker's own time.
class RecordingWindow : public FakeMainWindow {
 public:
  explicit RecordingWindow(ThreadClock& clock) : clock_(clock) {}
  void InvalidateLocal(const PixelRect& rect) override {
    FakeMainWindow::InvalidateLocal(rect);
    if (std::this_thread::get_id() == window_thread_ || Recording == nullptr || Recording->load() == 0) return;
    std::lock_guard lock(mutex_);
    worker_times_.push_back(clock_.NowMs());
  }
  std::vector<std::uint32_t> WorkerRedrawTimes() const {
    std::lock_guard lock(mutex_);
    return worker_times_;
  }
  const std::atomic<std::uint8_t>* Recording = nullptr;

 private:
  ThreadClock& clock_;
  std::thread::id window_thread_ = std::this_thread::get_id();
  mutable std::mutex mutex_;
  std::vector<std::uint32_t> worker_times_;
};

const sim::Signal kRamp = sim::Signal::Ramp(100, 4000, 0.5);
const sim::Signal kSine = sim::Signal::Sine(2048, 1500, 3.0);

// The code of sample n of a unit started at `rate` Hz, as the simulated unit computes it.
std::int16_t ExpectedCode(const sim::Signal& signal, std::uint32_t rate, std::uint64_t n) {
  return static_cast<std::int16_t>(signal.CodeAt(static_cast<double>(n * StartPeriodUs(rate)) * 1e-6, n));
}

class RecordingThreadsTest : public ::testing::Test {
 protected:
  RecordingThreadsTest() : clock(300us), window(clock) {}

  void SetUp() override {
    ASSERT_TRUE(BindFtdiLibrary(sim::d2xx::Resolve));
    TearDown();
  }
  void TearDown() override {
    Close();
    bus.Reset(sim::ClockMode::Virtual);
    ResetDeviceStatus();
    ResetWorkerStatus();
  }

  // The view with `capacity` codes and the manager around it; the workers start at once.
  void Begin(std::uint32_t capacity, std::initializer_list<std::size_t> enabled, bool continuous = false) {
    ASSERT_TRUE(view.Init(capacity, PixelRect{0, 0, 1000, 800}, 0, &window));
    // A plot of 1000 columns inside the view's margins.
    view.SetViewRect(PixelRect{0, 0, 2000 - view.PlotWidth, 800}, 0);
    window.Recording = &view.Recording;
    view.TickClock = &clock;
    view.Continuous = continuous ? 1 : 0;
    for (std::size_t k : enabled) {
      view.Channel(k).Enabled = 1;
      view.Channel(k).SavedShown = 1;
      view.Channel(k).SmoothingOn = 0;
      view.Channel(k).ConfigureFilter();
    }
    view.SetChannelFlags(4, 0);
    manager = std::make_unique<DeviceManager>();
    manager->Clock = &clock;
    view.AttachDevices(*manager, side);
    manager->StartWorkers();
    ASSERT_TRUE(WaitFor([&] { return side.Requests.load() >= 1; }));
  }
  // Main-window slot s feeds view channel k, which takes the unit's sensor kind and its conversion.
  void BindSlot(std::size_t s, std::size_t k) {
    std::uint8_t kind = 0;
    {
      std::lock_guard lock(manager->TableLock);
      if (manager->DeviceTable[s]) kind = manager->DeviceTable[s]->SensorCode;
    }
    WriteSensorKindRow(view.Channel(k), SensorKindRowFor(kind), kind, false);
    DeviceSlot& slot = window.DeviceSlots[s];
    slot.Channels = {};
    slot.Channels[0] = &view.Channel(k);
    slot.ReceiveBuffer = staging[s].data();
    slot.FillCounter = &fills[s];
  }
  // As the window does before it touches the tables: the worker is paused.
  void Pause() {
    ASSERT_TRUE(RequestDeviceThreadState(kDevicePauseRequest));
    ASSERT_TRUE(WaitFor([] { return DeviceThreadState.load() == kDevicePaused; }));
  }
  void StartRecording() {
    Pause();
    view.ToggleRecording();
    ASSERT_EQ(view.Recording.load(), 1);
  }
  // Two wired units (ramp, sine) on slots 0 and 1 feeding channels 0 and 1, recording.
  void RecordTwo(std::uint32_t capacity, bool continuous = false) {
    a = PlugWired(kRamp);
    b = PlugWired(kSine);
    Begin(capacity, {0, 1}, continuous);
    BindSlot(0, 0);
    BindSlot(1, 1);
    StartRecording();
  }
  // The recording has ended and the worker has written the stop bytes and searches again.
  bool WaitForStop() {
    return WaitFor([&] { return view.Recording.load() == 0 && DeviceThreadState.load() == kDeviceSearch; });
  }
  std::uint32_t ViewSamples() {
    std::lock_guard lock(view.ViewLock);
    return view.SampleCount;
  }
  // The window's close: stop while recording, end the workers, delete the manager.
  void Close() {
    if (!manager) return;
    ClosingFlag = 1;
    view.StopRecordingOnExit(false);
    StopAfterRecording = 1;
    DeviceRunFlag = 0;
    ControlRunFlag = 0;
    manager.reset();
    view.Devices = nullptr;
  }
  sim::UnitId PlugWired(const sim::Signal& signal) {
    sim::UnitInfo info;
    info.Description = VoltageSensor();
    return bus.Plug(info, std::make_unique<sim::WiredUnitModel>(std::vector<sim::Signal>{signal}));
  }
  // Every code of channel k (up to `count`) is the unit's sample i, and converts as the unit's kind does.
  void ExpectStream(std::size_t k, const sim::Signal& signal, std::uint32_t rate, std::uint32_t count) {
    const VessamorChannel& channel = view.Channel(k);
    ASSERT_NE(channel.RawToValueFn, nullptr);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::int16_t expected = ExpectedCode(signal, rate, i);
      ASSERT_EQ(channel.Codes[i], expected) << "channel " << k << " sample " << i;
      ASSERT_FLOAT_EQ(channel.ValueAtIndex(i), channel.RawToValueFn(expected, &channel)) << "sample " << i;
    }
  }

  sim::Bus& bus = sim::Bus::Instance();
  ThreadClock clock;
  RecordingWindow window;
  FakeWindowSide side;
  GraphView view;
  std::unique_ptr<DeviceManager> manager;
  std::vector<std::vector<std::uint8_t>> staging{4, std::vector<std::uint8_t>(FTRecordDevice::kReceiveBufferSize)};
  std::array<std::uint32_t, 4> fills{};
  sim::UnitId a{}, b{};
};

TEST_F(RecordingThreadsTest, TwoWiredUnitsRecordAOneShotRecordThatStopsByItselfAtTheLimit) {
  RecordTwo(6000);
  ASSERT_TRUE(WaitForStop());
  EXPECT_EQ(WiredStops(a), 1);
  EXPECT_EQ(WiredStops(b), 1);
  std::lock_guard lock(view.ViewLock);
  const std::uint32_t limit = view.ChannelCapacity;
  ASSERT_EQ(limit, 3000u);
  EXPECT_EQ(view.SampleCount, limit);
  EXPECT_EQ(view.Channel(0).CodeCount, limit);
  EXPECT_EQ(view.Channel(1).CodeCount, limit);
  ExpectStream(0, kRamp, 1000, limit);
  ExpectStream(1, kSine, 1000, limit);
  EXPECT_EQ(view.Sweep.LastDrawnColumn, limit / 10);

  // The tick's redraw requests: some (a worker given little time may take the whole record in one
  // batch), and at most one per 30 ms of the worker's time.
  const std::vector<std::uint32_t> times = window.WorkerRedrawTimes();
  ASSERT_GE(times.size(), 1u);
  for (std::size_t i = 1; i < times.size(); ++i) ASSERT_GE(times[i] - times[i - 1], kGraphRedrawMs);
}

TEST_F(RecordingThreadsTest, ThreeCyclicWrapsKeepBothUnitsInStepAndTheColumnsConsistent) {
  a = PlugWired(kRamp);
  b = PlugWired(kSine);
  // The units are read together, so each cycle ends for both at one moment of the bus.
  clock.BusFollowsDeviceWorker = true;
  Begin(4000, {0, 1}, true);
  BindSlot(0, 0);
  BindSlot(1, 1);
  // The bus stands still until the units have been started, then moves on 100 ms at a time, each
  // step given once the threads have used up the last and the view has taken in what it brought:
  // the stop comes within the fourth cycle of 2 s, however the threads are scheduled.
  const std::int64_t started_at = clock.HoldBusHere();
  std::int64_t held_at = started_at;
  StartRecording();
  ASSERT_TRUE(WaitFor([] { return DeviceThreadState.load() == kDeviceMeasuring; }));
  const std::uint32_t capacity = view.ChannelCapacity;
  ASSERT_EQ(capacity, 2000u);

  // What a paint reads while the worker records and wraps: short looks under the view lock.
  const double three_cycles = 3.0 * capacity / 1000.0;
  std::uint64_t bad = 0;
  double taken_ms = 0;
  const bool wrapped = WaitFor([&] {
    std::lock_guard lock(view.ViewLock);
    taken_ms = view.Sweep.CycleStartTime * 1000.0 + view.SampleCount;
    if (bus.NowUs() >= held_at && taken_ms + 600.0 >= (held_at - started_at) / 1000.0) clock.HoldBusAt(held_at += 100'000);
    const ColumnRecord* base = view.Channel(0).TimeBase;
    if (view.SampleCount > capacity || view.Sweep.LastDrawnColumn > view.PlotWidth) ++bad;
    for (std::uint16_t c = 1; c <= view.Sweep.LastDrawnColumn && c <= view.PlotWidth; ++c) {
      if (base[c].FirstSample + base[c].SampleCount > view.SampleCount) ++bad;
      if (view.Channel(1).Columns[c].MinCode > view.Channel(1).Columns[c].MaxCode) ++bad;
    }
    return view.Sweep.CycleStartTime >= three_cycles - 1e-9 && view.SampleCount >= 500;
  });
  if (!wrapped) {
    std::lock_guard lock(view.ViewLock);
    FAIL() << "bus " << (bus.NowUs() - started_at) / 1000 << " ms on, held at " << (held_at - started_at) / 1000
           << " ms; taken " << taken_ms << " ms, cycle " << view.Sweep.CycleStartTime << " s, " << view.SampleCount
           << " samples, codes " << view.Channel(0).CodeCount << "/" << view.Channel(1).CodeCount << ", worker "
           << int(DeviceThreadState.load()) << ", connected " << int(ConnectedMask.load());
  }
  view.ToggleRecording();
  ASSERT_TRUE(WaitForStop());
  clock.ReleaseBus();
  EXPECT_EQ(bad, 0u);

  std::lock_guard lock(view.ViewLock);
  // Three wraps of a whole record each, both units together; each channel's present cycle continues
  // its unit's stream without a gap (the units started up to 150 samples apart).
  EXPECT_NEAR(view.Sweep.CycleStartTime, three_cycles, 1e-9);
  EXPECT_EQ(view.SampleCount, std::min(view.Channel(0).CodeCount, view.Channel(1).CodeCount));
  const std::array<sim::Signal, 2> signals{kRamp, kSine};
  for (std::size_t k = 0; k < 2; ++k) {
    const VessamorChannel& channel = view.Channel(k);
    // The longest run of the unit's stream the cycle starts with, from up to 150 samples either side
    // of three whole records; a break is reported where it comes.
    std::uint64_t best_first = 0;
    std::uint32_t best = 0;
    for (std::uint64_t first = 3ull * capacity - 150; first <= 3ull * capacity + 150 && best < channel.CodeCount; ++first) {
      std::uint32_t i = 0;
      while (i < channel.CodeCount && channel.Codes[i] == ExpectedCode(signals[k], 1000, first + i)) ++i;
      if (i > best) best = i, best_first = first;
    }
    EXPECT_EQ(best, channel.CodeCount) << "channel " << k << " follows sample " << best_first << " for " << best << " codes";
  }
}

TEST_F(RecordingThreadsTest, StartWithNoReadySensorLeavesTheWorkerSearchingAndKeepsThePreviousRecord) {
  const sim::UnitId unit = PlugWired(kRamp);
  Begin(1000, {0});
  BindSlot(0, 0);
  StartRecording();
  ASSERT_TRUE(WaitForStop());
  ASSERT_EQ(ViewSamples(), 1000u);
  const std::function<void()> prepare[] = {
      [&] { side.DefaultStatus = 0x7C - 0x08; },  // the unit is not ready
      [&] {                                        // no unit at all
        side.DefaultStatus = 124;
        const int requests = side.Requests.load();
        bus.Unplug(unit);
        ASSERT_TRUE(WaitFor([&] { return side.Requests.load() > requests && ConnectedMask.load() == 0; }));
      }};
  for (const auto& step : prepare) {
    step();
    Pause();
    const int writes = bus.CallCount("FT_Write");
    view.ToggleRecording();
    EXPECT_EQ(view.Recording.load(), 0);
    EXPECT_EQ(DeviceThreadState.load(), kDeviceSearch);  // let go, not left paused
    EXPECT_EQ(bus.CallCount("FT_Write"), writes);
    EXPECT_EQ(ViewSamples(), 1000u);
  }
}

}  // namespace
}  // namespace managertest
