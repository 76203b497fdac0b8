// A measurement from end to end: simulated units, the real device worker, the graph view's recording control and tick.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "acquisition/device_manager.h"
#include "acquisition/device_status.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/worker_threads.h"
#include "channels/sensor_kind_table.h"
#include "fakes/fake_main_window.h"
#include "fakes/fake_window_side.h"
#include "graph/graph_view.h"
#include "manager_test_support.h"
#include "sim/bus.h"
#include "sim/d2xx.h"
#include "sim/radio_receiver_unit.h"
#include "sim/wired_unit.h"

namespace {

using namespace std::chrono_literals;
using managertest::ThreadClock;

// Generous: every condition here holds within a second on an idle machine.
constexpr auto kPatience = 120s;

bool WaitFor(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

// The headless main window, noting the device worker's redraw requests with the worker's own time.
class RecordingWindow : public FakeMainWindow {
 public:
  explicit RecordingWindow(ThreadClock& clock) : clock_(clock) {}
  void InvalidateLocal(const PixelRect& rect) override {
    FakeMainWindow::InvalidateLocal(rect);
    // The tick's requests: from the worker while recording (the stop's own redraw is not throttled).
    if (std::this_thread::get_id() == window_thread_ || Recording == nullptr || Recording->load() == 0) return;
    std::lock_guard lock(mutex_);
    worker_times_.push_back(clock_.NowMs());
  }
  const std::atomic<std::uint8_t>* Recording = nullptr;
  std::vector<std::uint32_t> WorkerRedrawTimes() const {
    std::lock_guard lock(mutex_);
    return worker_times_;
  }

 private:
  ThreadClock& clock_;
  std::thread::id window_thread_ = std::this_thread::get_id();
  mutable std::mutex mutex_;
  std::vector<std::uint32_t> worker_times_;
};

// How many samples apart two units' streams may start (their start packets go out a few ms apart).
constexpr std::uint64_t kStartSkew = 150;

const sim::Signal kRamp = sim::Signal::Ramp(100, 4000, 0.5);
const sim::Signal kSine = sim::Signal::Sine(2048, 1500, 3.0);

// The code of sample n of a unit started at `rate` Hz, as the simulated unit computes it.
std::int16_t ExpectedCode(const sim::Signal& signal, std::uint32_t rate, std::uint64_t n) {
  const std::uint32_t period = StartPeriodUs(rate);
  return static_cast<std::int16_t>(signal.CodeAt(static_cast<double>(n * period) * 1e-6, n));
}

class RecordingThreadsTest : public ::testing::Test {
 protected:
  RecordingThreadsTest() : clock(300us), window(clock) {}

  void SetUp() override {
    ASSERT_TRUE(BindFtdiLibrary(sim::d2xx::Resolve));
    bus.Reset(sim::ClockMode::Virtual);
    ResetDeviceStatus();
    ResetWorkerStatus();
  }
  void TearDown() override {
    Close();
    bus.Reset(sim::ClockMode::Virtual);
    ResetDeviceStatus();
    ResetWorkerStatus();
  }

  // The view with `capacity` codes and the manager around it; the workers start at once.
  void Begin(std::uint32_t capacity, std::initializer_list<std::size_t> enabled) {
    ASSERT_TRUE(view.Init(capacity, PixelRect{0, 0, 1000, 800}, 0, &window));
    window.Recording = &view.Recording;
    view.TickClock = &clock;
    for (std::size_t k : enabled) {
      VessamorChannel& channel = view.Channel(k);
      channel.Enabled = 1;
      channel.SmoothingOn = 0;
      channel.ConfigureFilter();
    }
    view.SetChannelFlags(4, 0);
    manager = std::make_unique<DeviceManager>();
    manager->Clock = &clock;
    view.AttachDevices(*manager, side);
    view.RefreshToolbar = [this] { toolbar_refreshes.fetch_add(1); };
    manager->StartWorkers();
    ASSERT_TRUE(WaitFor([&] { return side.Requests.load() >= 1; }));
  }

  // Main-window slot s feeds the view's channels; each takes the unit's sensor kind and its conversion.
  void BindSlot(std::size_t s, std::initializer_list<std::size_t> channels) {
    DeviceSlot& slot = window.DeviceSlots[s];
    slot.Channels = {};
    std::size_t i = 0;
    const std::uint8_t kind = UnitSensorCode(s);
    for (std::size_t k : channels) {
      VessamorChannel& channel = view.Channel(k);
      WriteSensorKindRow(channel, SensorKindRowFor(kind), kind, false);
      slot.Channels[i++] = &channel;
    }
    slot.ReceiveBuffer = staging[s].data();
    slot.ReceiveFill = &fills[s];
  }
  std::uint8_t UnitSensorCode(std::size_t s) {
    std::lock_guard lock(manager->TableLock);
    const FTRecordDevice* unit = manager->DeviceTable[s].get();
    return unit != nullptr ? unit->SensorCode : 0;
  }

  // As the window does before it touches the tables: the worker is paused, with a generous wait.
  void Pause() {
    ASSERT_TRUE(RequestDeviceThreadState(kDevicePauseRequest));
    ASSERT_TRUE(WaitFor([] { return DeviceThreadState.load() == kDevicePaused; }));
  }
  void StartRecording() {
    Pause();
    view.ToggleRecording();
    ASSERT_EQ(view.Recording.load(), 1);
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
    info.Description = managertest::VoltageSensor();
    return bus.Plug(info, std::make_unique<sim::WiredUnitModel>(std::vector<sim::Signal>{signal}));
  }
  template <typename Model, typename Read>
  auto ReadModel(sim::UnitId id, Read read) {
    decltype(read(std::declval<Model&>())) value{};
    bus.WithModel<Model>(id, [&](Model& m) { value = read(m); });
    return value;
  }
  int WiredStops(sim::UnitId id) {
    return ReadModel<sim::WiredUnitModel>(id, [](sim::WiredUnitModel& m) { return m.StopCount(); });
  }
  std::size_t WiredStarts(sim::UnitId id) {
    return ReadModel<sim::WiredUnitModel>(id, [](sim::WiredUnitModel& m) { return m.StartPackets().size(); });
  }

  // Every code of the channel (up to `count`) is the unit's sample `first + i`, and converts as it does.
  void ExpectStream(std::size_t k, const sim::Signal& signal, std::uint32_t rate, std::uint32_t count,
                    std::uint64_t first = 0) {
    const VessamorChannel& channel = view.Channel(k);
    ASSERT_NE(channel.RawToValueFn, nullptr);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::int16_t expected = ExpectedCode(signal, rate, first + i);
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
  std::array<std::vector<std::uint8_t>, 4> staging{std::vector<std::uint8_t>(FTRecordDevice::kReceiveBufferSize),
                                                   std::vector<std::uint8_t>(FTRecordDevice::kReceiveBufferSize),
                                                   std::vector<std::uint8_t>(FTRecordDevice::kReceiveBufferSize),
                                                   std::vector<std::uint8_t>(FTRecordDevice::kReceiveBufferSize)};
  std::array<std::uint32_t, 4> fills{};
  std::atomic<int> toolbar_refreshes{0};
};

TEST_F(RecordingThreadsTest, TwoWiredUnitsRecordAOneShotRecordThatStopsByItselfAtTheLimit) {
  const sim::UnitId a = PlugWired(kRamp);
  const sim::UnitId b = PlugWired(kSine);
  Begin(6000, {0, 1});
  ASSERT_EQ(ConnectedMask.load(), 0b11);
  BindSlot(0, {0});
  BindSlot(1, {1});
  StartRecording();
  ASSERT_TRUE(WaitForStop());

  const std::uint32_t limit = view.ChannelCapacity;
  ASSERT_EQ(limit, 3000u);
  EXPECT_EQ(WiredStarts(a), 1u);
  EXPECT_EQ(WiredStops(a), 1);
  EXPECT_EQ(WiredStops(b), 1);
  // Start packets at 1000 Hz with one stream each.
  const auto packet = ReadModel<sim::WiredUnitModel>(a, [](sim::WiredUnitModel& m) { return m.StartPackets()[0]; });
  EXPECT_EQ(packet.PeriodUs, 1000);
  EXPECT_EQ(packet.Channels, 1);

  std::lock_guard lock(view.ViewLock);
  EXPECT_EQ(view.SampleCount, limit);
  EXPECT_EQ(view.Channel(0).CodeCount, limit);
  EXPECT_EQ(view.Channel(1).CodeCount, limit);
  EXPECT_EQ(view.RecordViewable, 1);
  EXPECT_EQ(view.RecordingState.load(), 0);
  ExpectStream(0, kRamp, 1000, limit);
  ExpectStream(1, kSine, 1000, limit);
  EXPECT_EQ(view.Channel(1).RunMax, 2048 + 1500);
  EXPECT_EQ(view.Channel(1).RunMin, 2048 - 1500);

  // The sweep tiled the last screen's samples by whole columns of 10.
  const ColumnRecord* base = view.Channel(0).TimeBase;
  EXPECT_EQ(view.Sweep.TimeOrigin, 0.0);
  for (std::uint16_t c = 1; c <= view.Sweep.LastDrawnColumn; ++c) {
    ASSERT_EQ(base[c].FirstSample, view.DisplayStart + (c - 1) * 10u);
    ASSERT_LE(base[c].FirstSample + base[c].SampleCount, limit);
  }
  EXPECT_EQ(view.Sweep.LastDrawnColumn, limit / 10);

  // Redraw requests of the tick: at most one per 30 ms of the worker's time, and some of them.
  const std::vector<std::uint32_t> times = window.WorkerRedrawTimes();
  ASSERT_GE(times.size(), 10u);
  for (std::size_t i = 1; i < times.size(); ++i) ASSERT_GE(times[i] - times[i - 1], kGraphRedrawMs);
  EXPECT_GE(toolbar_refreshes.load(), 2);
}

TEST_F(RecordingThreadsTest, UnplugOfOneUnitKeepsEverySampleRecordedBefore) {
  const sim::UnitId a = PlugWired(kRamp);
  const sim::UnitId b = PlugWired(kSine);
  Begin(400000, {0, 1});
  BindSlot(0, {0});
  BindSlot(1, {1});
  StartRecording();
  ASSERT_TRUE(WaitFor([&] { return ViewSamples() >= 1000; }));
  bus.Unplug(b);
  ASSERT_TRUE(WaitFor([] { return ConnectedMask.load() == 0b01; }));
  // Another unit is still open: the recording goes on until the user stops it.
  ASSERT_TRUE(WaitFor([&] { return WiredStops(a) == 0 && ViewSamples() > 0; }));
  EXPECT_EQ(view.Recording.load(), 1);
  view.ToggleRecording();
  ASSERT_TRUE(WaitForStop());
  EXPECT_EQ(WiredStops(a), 1);

  std::lock_guard lock(view.ViewLock);
  const std::uint32_t kept = view.Channel(1).CodeCount;
  EXPECT_GE(kept, 1000u);
  EXPECT_GE(view.Channel(0).CodeCount, kept);
  // The record ends where the unplugged unit's samples end, and all of them are there.
  EXPECT_EQ(view.SampleCount, kept);
  EXPECT_EQ(view.RecordViewable, 1);
  ExpectStream(1, kSine, 1000, kept);
  ExpectStream(0, kRamp, 1000, view.Channel(0).CodeCount);
}

TEST_F(RecordingThreadsTest, WirelessLinkDownStopsTheRecording) {
  sim::UnitInfo info;
  info.Description = managertest::RadioPulse();
  const sim::UnitId radio =
      bus.Plug(info, std::make_unique<sim::RadioReceiverUnit>(sim::RadioLayout::Pulse, std::vector<sim::Signal>{kSine}));
  Begin(400000, {0});
  BindSlot(0, {0});
  StartRecording();
  ASSERT_TRUE(WaitFor([&] { return ViewSamples() >= 200; }));
  EXPECT_EQ(view.Recording.load(), 1);
  bus.WithModel<sim::RadioReceiverUnit>(radio, [](sim::RadioReceiverUnit& m) { m.QueueLinkDown(); });
  ASSERT_TRUE(WaitForStop());
  EXPECT_EQ(ReadModel<sim::RadioReceiverUnit>(radio, [](sim::RadioReceiverUnit& m) { return m.StopCount(); }), 1);
  EXPECT_EQ(ReadModel<sim::RadioReceiverUnit>(radio, [](sim::RadioReceiverUnit& m) { return m.StartPackets().size(); }),
            1u);
  std::lock_guard lock(view.ViewLock);
  EXPECT_EQ(view.RecordViewable, 1);
  EXPECT_GE(view.SampleCount, 200u);
}

TEST_F(RecordingThreadsTest, TimedBreathingRecordEndsAfterTwentySecondsOfSamples) {
  const sim::UnitId a = PlugWired(kRamp);
  window.Bytes.RangeMode = 1;
  window.Bytes.MeasureScreenActive = 1;
  Begin(400000, {0});
  BindSlot(0, {0});
  view.Channel(0).SensorCode = 40;
  view.RateSetting = 100;
  StartRecording();
  ASSERT_TRUE(WaitForStop());
  EXPECT_EQ(WiredStops(a), 1);
  const auto packet = ReadModel<sim::WiredUnitModel>(a, [](sim::WiredUnitModel& m) { return m.StartPackets()[0]; });
  EXPECT_EQ(packet.PeriodUs, StartPeriodUs(100));
  std::lock_guard lock(view.ViewLock);
  EXPECT_EQ(view.SampleCount, kTimedBreathSeconds * 100);
  EXPECT_GE(view.Channel(0).CodeCount, kTimedBreathSeconds * 100);
  EXPECT_EQ(view.RecordingState.load(), 0);
  ExpectStream(0, kRamp, 100, view.SampleCount);
}

TEST_F(RecordingThreadsTest, ThreeCyclicWrapsKeepBothUnitsInStepAndTheColumnsConsistent) {
  PlugWired(kRamp);
  PlugWired(kSine);
  Begin(4000, {0, 1});
  view.Continuous = 1;
  BindSlot(0, {0});
  BindSlot(1, {1});
  const std::uint32_t capacity = view.ChannelCapacity;
  ASSERT_EQ(capacity, 2000u);
  StartRecording();

  // What a paint reads while the worker records and wraps: short looks under the view lock.
  const double three_cycles = 3.0 * capacity / 1000.0;
  std::uint64_t bad = 0;
  bool done = false;
  const bool ended = WaitFor([&] {
    std::lock_guard lock(view.ViewLock);
    const ColumnRecord* base = view.Channel(0).TimeBase;
    if (view.SampleCount > capacity || view.Sweep.LastDrawnColumn > view.PlotWidth) ++bad;
    for (std::uint16_t c = 1; c <= view.Sweep.LastDrawnColumn && c <= view.PlotWidth; ++c) {
      if (base[c].FirstSample + base[c].SampleCount > view.SampleCount) ++bad;
      if (view.Channel(1).Columns[c].MinCode > view.Channel(1).Columns[c].MaxCode) ++bad;
    }
    done = view.Sweep.CycleStartTime >= three_cycles - 1e-9 && view.SampleCount >= 500;
    return done;
  });
  ASSERT_TRUE(ended);
  view.ToggleRecording();
  ASSERT_TRUE(WaitForStop());
  EXPECT_EQ(bad, 0u);

  std::lock_guard lock(view.ViewLock);
  // Three wraps, each of a whole record; both units wrapped together, and each channel's present
  // cycle continues its unit's stream without a gap (the units started a moment apart).
  EXPECT_NEAR(view.Sweep.CycleStartTime, three_cycles, 1e-9);
  EXPECT_EQ(view.SampleCount, std::min(view.Channel(0).CodeCount, view.Channel(1).CodeCount));
  const std::array<sim::Signal, 2> signals{kRamp, kSine};
  for (std::size_t k = 0; k < 2; ++k) {
    const VessamorChannel& channel = view.Channel(k);
    ASSERT_GE(channel.CodeCount, 500u);
    bool found = false;
    for (std::uint64_t first = 3ull * capacity - kStartSkew; first <= 3ull * capacity + kStartSkew && !found; ++first) {
      std::uint32_t i = 0;
      while (i < channel.CodeCount && channel.Codes[i] == ExpectedCode(signals[k], 1000, first + i)) ++i;
      found = i == channel.CodeCount;
    }
    EXPECT_TRUE(found) << "channel " << k;
  }
}

TEST_F(RecordingThreadsTest, ClosingWhileRecordingPausesTheWorkerAndStopsEachUnitOnce) {
  const sim::UnitId a = PlugWired(kRamp);
  const sim::UnitId b = PlugWired(kSine);
  Begin(400000, {0, 1});
  BindSlot(0, {0});
  BindSlot(1, {1});
  StartRecording();
  ASSERT_TRUE(WaitFor([&] { return ViewSamples() >= 500; }));

  ClosingFlag = 1;
  view.StopRecordingOnExit(false);
  // The stop bytes went out from this thread while the worker held still, and it still does.
  EXPECT_EQ(DeviceThreadState.load(), kDevicePaused);
  EXPECT_EQ(view.Recording.load(), 0);
  EXPECT_EQ(WiredStops(a), 1);
  EXPECT_EQ(WiredStops(b), 1);
  EXPECT_FALSE(ReadModel<sim::WiredUnitModel>(a, [](sim::WiredUnitModel& m) { return m.Running(); }));
  StopAfterRecording = 1;
  DeviceRunFlag = 0;
  ControlRunFlag = 0;
  manager.reset();
  view.Devices = nullptr;
  EXPECT_EQ(DeviceThreadState.load(), kDeviceEnded);
  EXPECT_EQ(WiredStops(a), 1);
  EXPECT_EQ(WiredStops(b), 1);
}

TEST_F(RecordingThreadsTest, StartWithNoReadySensorSendsNothingAndKeepsThePreviousRecord) {
  const sim::UnitId a = PlugWired(kRamp);
  Begin(1000, {0});
  BindSlot(0, {0});
  StartRecording();
  ASSERT_TRUE(WaitForStop());
  std::uint32_t recorded = 0;
  {
    std::lock_guard lock(view.ViewLock);
    recorded = view.SampleCount;
    ASSERT_EQ(recorded, 1000u);
  }
  const auto unplug = [&] {
    const int requests = side.Requests.load();
    bus.Unplug(a);
    ASSERT_TRUE(WaitFor([&] { return side.Requests.load() > requests && ConnectedMask.load() == 0; }));
  };
  struct Case {
    const char* what;
    std::function<void()> prepare;
  };
  const std::array<Case, 2> cases{{
      {"unit not ready", [&] { side.DefaultStatus = 0x7C - 0x08; }},
      {"no unit", [&] {
         side.DefaultStatus = 124;
         unplug();
       }},
  }};
  EXPECT_EQ(WiredStarts(a), 1u);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.prepare();
    Pause();
    const int writes = bus.CallCount("FT_Write");
    view.ToggleRecording();
    EXPECT_EQ(view.Recording.load(), 0);
    // The worker is let go, not left paused.
    EXPECT_EQ(DeviceThreadState.load(), kDeviceSearch);
    EXPECT_EQ(bus.CallCount("FT_Write"), writes);
    std::lock_guard lock(view.ViewLock);
    EXPECT_EQ(view.SampleCount, recorded);
    EXPECT_EQ(view.RecordViewable, 1);
    ExpectStream(0, kRamp, 1000, recorded);
  }
}

}  // namespace
