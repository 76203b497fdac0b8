// Helpers of the device manager, worker and recording tests: a fake recording, a per-thread clock, slots, units on the bus.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/acquisition_sink.h"
#include "acquisition/device_families.h"
#include "acquisition/device_manager.h"
#include "acquisition/device_status.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/sensor_identification.h"
#include "acquisition/unit_events.h"
#include "acquisition/worker_threads.h"
#include "channels/vessamor_channel.h"
#include "fakes/fake_main_window.h"
#include "fakes/fake_window_side.h"
#include "graph/graph_view.h"
#include "graph/record_params.h"
#include "sim/bus.h"
#include "sim/control_unit.h"
#include "sim/d2xx.h"
#include "sim/radio_receiver_unit.h"
#include "sim/type_six_unit.h"
#include "sim/wired_unit.h"

namespace managertest {

// Waits for a condition another thread brings about; the limit is generous so a loaded machine never fails it.
inline bool WaitFor(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// The recording as the device layer sees it: a stop (full record or last unit gone) stops all units as the view does.
class FakeRecording : public AcquisitionSink, public UnitEvents {
 public:
  void AcquisitionTick() override {
    Ticks.fetch_add(1);
    if (DuringTick) DuringTick();
  }
  void StopFullRecord() override {
    FullStopCalls.fetch_add(1);
    if (Recording.exchange(false) && Manager != nullptr) Manager->StopAllDevices();
  }
  void MarkDevicesInUse(bool) override {}
  bool IsRecording() const override { return Recording.load(); }
  void ResetRecordingBuffers() override {}
  void SetReceivedBytes(std::uint32_t) override {}
  void StopRecordingOnDeviceEnd() override {
    DeviceEndCalls.fetch_add(1);
    if (OnDeviceEnd) OnDeviceEnd();
    if (Recording.exchange(false) && Manager != nullptr) Manager->StopAllDevices();
  }
  void OnRadioLinkMessage(std::uint8_t, std::uint8_t) override {}
  RadioLinkState& RadioLink() override { return Link; }

  DeviceManager* Manager = nullptr;
  std::atomic<bool> Recording{false};
  std::atomic<int> Ticks{0};
  std::atomic<int> FullStopCalls{0};
  std::atomic<int> DeviceEndCalls{0};
  std::function<void()> OnDeviceEnd;
  // Set before any worker starts.
  std::function<void()> DuringTick;
  RadioLinkState Link;
};

// Milliseconds that pass only when a thread sleeps, per thread, so one worker's time never depends on
// another's scheduling. A sleep moves the bus on and, for threaded tests, yields a moment of real time.
class ThreadClock : public UnitClock {
 public:
  explicit ThreadClock(std::chrono::microseconds real_pause = std::chrono::microseconds(0)) : pause_(real_pause) {}
  std::uint32_t NowMs() override { return Own(); }
  void SleepMs(std::uint32_t ms) override {
    Own() += ms;
    if (!BusFollowsDeviceWorker || IsDeviceWorkerThread()) {
      std::lock_guard lock(hold_mutex_);
      sim::Bus& bus = sim::Bus::Instance();
      const std::int64_t step = std::min<std::int64_t>(std::int64_t{ms} * 1000, held_at_us_ - bus.NowUs());
      if (step > 0) bus.Advance(std::chrono::microseconds(step));
    }
    if (OnSleep) OnSleep(Own());
    if (pause_.count() > 0) std::this_thread::sleep_for(pause_);
  }
  // Called on the sleeping thread after its time has moved; set before any worker starts.
  std::function<void(std::uint32_t)> OnSleep;
  // The bus goes no further than `us` however long the threads sleep on: a test bounds what the
  // units send, whatever pace the threads are given.
  void HoldBusAt(std::int64_t us) {
    std::lock_guard lock(hold_mutex_);
    held_at_us_ = us;
  }
  // Holds the bus where it stands, read under the same lock the sleeps move it with; returns where.
  std::int64_t HoldBusHere() {
    std::lock_guard lock(hold_mutex_);
    held_at_us_ = sim::Bus::Instance().NowUs();
    return held_at_us_;
  }
  void ReleaseBus() { HoldBusAt(std::numeric_limits<std::int64_t>::max()); }
  // Only the device worker's sleeps move the bus: every unit of one poll pass is read at the same
  // moment, as on a real bus whose polls follow each other within microseconds. Set before any
  // worker starts.
  bool BusFollowsDeviceWorker = false;

 private:
  static std::uint32_t& Own() {
    thread_local std::uint32_t now = 100000;
    return now;
  }
  std::chrono::microseconds pause_;
  std::mutex hold_mutex_;
  std::int64_t held_at_us_ = std::numeric_limits<std::int64_t>::max();
};

// A description that identifies as the sensor kind.
inline std::string DescriptionOf(char c0, char c1, std::uint16_t sum) {
  const std::optional<std::string> text = MakeDescriptionForKey(SensorKey(c0, c1, sum));
  EXPECT_TRUE(text.has_value());
  return text.value_or("");
}
// clang-format off
inline const std::string& VoltageSensor() { static const std::string s = DescriptionOf('0', '0', 1246); return s; }
inline const std::string& WiredAccelerometer() { static const std::string s = DescriptionOf('4', '9', 1133); return s; }
inline const std::string& RadioPulse() { static const std::string s = DescriptionOf('5', '8', 1476); return s; }
inline const std::string& TypeSix() { static const std::string s = DescriptionOf('5', '9', 1306); return s; }
inline const std::string& DemoMechanics() { static const std::string s = DescriptionOf('7', '4', 1383); return s; }
// clang-format on

template <typename Model, typename Read>
auto ReadModel(sim::UnitId id, Read read) {
  decltype(read(std::declval<Model&>())) value{};
  sim::Bus::Instance().WithModel<Model>(id, [&](Model& m) { value = read(m); });
  return value;
}
inline int WiredStops(sim::UnitId id) {
  return ReadModel<sim::WiredUnitModel>(id, [](sim::WiredUnitModel& m) { return m.StopCount(); });
}
inline std::size_t WiredStarts(sim::UnitId id) {
  return ReadModel<sim::WiredUnitModel>(id, [](sim::WiredUnitModel& m) { return m.StartPackets().size(); });
}

// One main-window slot's channels, code storage and staging buffer.
struct SlotStorage {
  std::array<std::unique_ptr<VessamorChannel>, 4> Channels;
  std::array<std::vector<std::int16_t>, 4> Codes;
  std::vector<std::uint8_t> Staging = std::vector<std::uint8_t>(FTRecordDevice::kReceiveBufferSize);
  std::uint32_t Fill = 0;
};

class ManagerTestBase : public ::testing::Test {
 protected:
  explicit ManagerTestBase(std::chrono::microseconds real_pause = std::chrono::microseconds(0)) : clock(real_pause) {}

  void SetUp() override {
    ASSERT_TRUE(BindFtdiLibrary(sim::d2xx::Resolve));
    Renew();
  }
  void TearDown() override {
    manager.reset();
    bus.Reset(sim::ClockMode::Virtual);
    ResetDeviceStatus();
    ResetWorkerStatus();
  }

  // A fresh manager on an empty bus, every status byte back at its start.
  void Renew() {
    ManagerTestBase::TearDown();
    window.DeviceSlots = {};
    manager = std::make_unique<DeviceManager>();
    manager->MainWindow = &window;
    manager->Window = &side;
    manager->Sink = &recording;
    manager->Events = &recording;
    manager->View = &view;
    manager->Clock = &clock;
    recording.Manager = manager.get();
  }

  template <typename Model, typename... Args>
  sim::UnitId PlugModel(const std::string& description, Args&&... args) {
    sim::UnitInfo info;
    info.Description = description;
    return bus.Plug(info, std::make_unique<Model>(std::forward<Args>(args)...));
  }
  sim::UnitId PlugWired(const std::string& description) {
    return PlugModel<sim::WiredUnitModel>(
        description, std::vector{sim::Signal::Constant(100), sim::Signal::Constant(200), sim::Signal::Constant(300)});
  }
  // A control unit that answers RTS or not, opened into the control table as the factory would.
  sim::UnitId PlugControl(bool answers, int index) {
    sim::UnitInfo info;
    info.Description = "CONTROL";
    auto model = std::make_unique<sim::ControlUnit>();
    model->SetAnswersRts(answers);
    const sim::UnitId id = bus.Plug(info, std::move(model));
    auto unit = std::make_unique<DeviceFive>();
    unit->Clock = &clock;
    EXPECT_TRUE(unit->OpenByIndex(index));
    manager->ControlDeviceTable[0] = std::move(unit);
    return id;
  }

  // Gives main-window slot s `count` enabled channels of the sensor kind.
  SlotStorage& FillSlot(std::size_t s, std::size_t count, std::uint16_t sensor_code = 0) {
    auto storage = std::make_unique<SlotStorage>();
    DeviceSlot& slot = window.DeviceSlots[s];
    for (std::size_t i = 0; i < count; ++i) {
      storage->Channels[i] = std::make_unique<VessamorChannel>();
      storage->Codes[i].assign(4096, 0);
      VessamorChannel& channel = *storage->Channels[i];
      channel.Codes = storage->Codes[i].data();
      channel.CodeCapacity = 4096;
      channel.Enabled = 1;
      channel.SavedShown = 1;  // chosen for the record, as the window marks it
      channel.SensorCode = sensor_code;
      slot.Channels[i] = &channel;
    }
    slot.ReceiveBuffer = storage->Staging.data();
    slot.FillCounter = &storage->Fill;
    slots.push_back(std::move(storage));
    return *slots.back();
  }
  RecordParams Params(std::uint32_t bytes_per_channel = 1u << 20) {
    RecordParams params;
    params.Owner = &view;
    params.RecordBytesPerChannel = bytes_per_channel;
    return params;
  }
  FTRecordDevice* Unit(std::size_t slot) {
    std::lock_guard lock(manager->TableLock);
    return manager->DeviceTable[slot].get();
  }

  sim::Bus& bus = sim::Bus::Instance();
  ThreadClock clock;
  FakeMainWindow window;
  FakeWindowSide side;
  FakeRecording recording;
  GraphView view;
  std::unique_ptr<DeviceManager> manager;
  std::deque<std::unique_ptr<SlotStorage>> slots;
};

}  // namespace managertest
