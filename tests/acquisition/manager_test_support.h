// Helpers of the device manager and worker tests: a recording that stops like the view, a clock per
// thread, slots with channels and staging buffers, and units of each family on the simulated bus.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/acquisition_sink.h"
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
#include "sim/event_timer_unit.h"
#include "sim/type_six_unit.h"
#include "sim/wired_unit.h"

namespace managertest {

// The recording as the device layer sees it: the tick counts, and a stop (full record or last unit
// gone) stops all units the way the view's stop does.
class FakeRecording : public AcquisitionSink, public UnitEvents {
 public:
  void AcquisitionTick() override { Ticks.fetch_add(1); }
  void StopFullRecord() override {
    FullStopCalls.fetch_add(1);
    if (Recording.exchange(false) && Manager != nullptr) Manager->StopAllDevices();
  }
  void MarkDevicesInUse(bool) override { Marks.fetch_add(1); }
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
  std::atomic<int> Marks{0};
  std::function<void()> OnDeviceEnd;
  RadioLinkState Link;
};

// Milliseconds that pass only when a thread sleeps, counted per thread so that one worker's time
// never depends on how another was scheduled. Every sleep also moves the bus on and, for threaded
// tests, yields for a moment of real time.
class ThreadClock : public UnitClock {
 public:
  explicit ThreadClock(std::chrono::microseconds real_pause = std::chrono::microseconds(0)) : pause_(real_pause) {
    Own() = kStart;
  }
  std::uint32_t NowMs() override { return Own(); }
  void SleepMs(std::uint32_t ms) override {
    Own() += ms;
    sim::Bus::Instance().Advance(std::chrono::milliseconds(ms));
    if (OnSleep) OnSleep(Own());
    if (pause_.count() > 0) std::this_thread::sleep_for(pause_);
  }
  // Called on the sleeping thread after its time has moved; set before any worker starts.
  std::function<void(std::uint32_t)> OnSleep;
  static constexpr std::uint32_t kStart = 100000;

 private:
  static std::uint32_t& Own() {
    thread_local std::uint32_t now = kStart;
    return now;
  }
  std::chrono::microseconds pause_;
};

// A description that identifies as the sensor kind (and device type).
inline std::string DescriptionOf(char c0, char c1, std::uint16_t sum) {
  const std::optional<std::string> text = MakeDescriptionForKey(SensorKey(c0, c1, sum));
  EXPECT_TRUE(text.has_value());
  return text.value_or("");
}

inline const std::string& VoltageSensor() {
  static const std::string text = DescriptionOf('0', '0', 1246);
  return text;
}
inline const std::string& WiredAccelerometer() {
  static const std::string text = DescriptionOf('4', '9', 1133);
  return text;
}
inline const std::string& RadioPulse() {
  static const std::string text = DescriptionOf('5', '8', 1476);
  return text;
}
inline const std::string& LongRangeTimer() {
  static const std::string text = DescriptionOf('6', '4', 1212);
  return text;
}
inline const std::string& TypeSix() {
  static const std::string text = DescriptionOf('5', '9', 1306);
  return text;
}
inline const std::string& DemoMechanics() {
  static const std::string text = DescriptionOf('7', '4', 1383);
  return text;
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
  explicit ManagerTestBase(std::chrono::microseconds real_pause = std::chrono::microseconds(0))
      : clock(real_pause) {}

  void SetUp() override {
    ASSERT_TRUE(BindFtdiLibrary(sim::d2xx::Resolve));
    bus.Reset(sim::ClockMode::Virtual);
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
    manager.reset();
    bus.Reset(sim::ClockMode::Virtual);
    ResetDeviceStatus();
    ResetWorkerStatus();
    manager = std::make_unique<DeviceManager>();
    manager->MainWindow = &window;
    manager->Window = &side;
    manager->Sink = &recording;
    manager->Events = &recording;
    manager->View = &view;
    manager->Clock = &clock;
    recording.Manager = manager.get();
  }

  sim::UnitId PlugWired(const std::string& description, std::vector<sim::Signal> signals = {}) {
    sim::UnitInfo info;
    info.Description = description;
    if (signals.empty()) signals = {sim::Signal::Constant(100), sim::Signal::Constant(200), sim::Signal::Constant(300)};
    return bus.Plug(info, std::make_unique<sim::WiredUnitModel>(std::move(signals)));
  }
  template <typename Model, typename... Args>
  sim::UnitId PlugModel(const std::string& description, Args&&... args) {
    sim::UnitInfo info;
    info.Description = description;
    return bus.Plug(info, std::make_unique<Model>(std::forward<Args>(args)...));
  }

  // Gives main-window slot s `count` enabled channels of the sensor kind, each holding `capacity` codes.
  SlotStorage& FillSlot(std::size_t s, std::size_t count, std::uint16_t sensor_code = 0, std::uint32_t capacity = 4096) {
    auto storage = std::make_unique<SlotStorage>();
    DeviceSlot& slot = window.DeviceSlots[s];
    for (std::size_t i = 0; i < count; ++i) {
      storage->Channels[i] = std::make_unique<VessamorChannel>();
      storage->Codes[i].assign(capacity, 0);
      VessamorChannel& channel = *storage->Channels[i];
      channel.Codes = storage->Codes[i].data();
      channel.CodeCapacity = capacity;
      channel.Enabled = 1;
      channel.SensorCode = sensor_code;
      slot.Channels[i] = &channel;
    }
    slot.ReceiveBuffer = storage->Staging.data();
    slot.ReceiveFill = &storage->Fill;
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
  std::vector<std::uint8_t> WrittenBy(const FTRecordDevice& unit) { return bus.Written(unit.Handle); }

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
