// Helpers of the sensor unit tests: the simulated bus bound in process, a recording control that
// keeps what it is told, a stepped clock, channels with guarded storage and hand-built streams.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/device_status.h"
#include "acquisition/ft_record_device.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/unit_events.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"
#include "sim/bus.h"
#include "sim/d2xx.h"
#include "sim/wired_unit.h"

namespace unittest {

using Codes = std::vector<std::int16_t>;
using Messages = std::vector<std::pair<std::uint8_t, std::uint8_t>>;

// The recording control as the units see it; resets the channels it is given, as the view does.
class RecordingEvents : public UnitEvents {
 public:
  void ResetRecordingBuffers() override {
    ++Resets;
    for (VessamorChannel* channel : Live) {
      channel->CodeCount = 0;
      channel->RunReset = 1;
    }
  }
  void SetReceivedBytes(std::uint32_t bytes) override { ReceivedMirror = bytes; }
  void StopRecordingOnDeviceEnd() override { ++Stops; }
  void OnRadioLinkMessage(std::uint8_t first, std::uint8_t second) override { Messages.push_back({first, second}); }
  RadioLinkState& RadioLink() override { return Link; }

  std::vector<VessamorChannel*> Live;
  int Resets = 0;
  std::uint32_t ReceivedMirror = 0;
  int Stops = 0;
  unittest::Messages Messages;
  RadioLinkState Link;
};

// Time that passes only when a unit sleeps; it moves the simulated bus's clock along with it.
class SteppedClock : public UnitClock {
 public:
  std::uint32_t NowMs() override { return Now; }
  void SleepMs(std::uint32_t ms) override {
    Now += ms;
    Slept += ms;
    sim::Bus::Instance().Advance(std::chrono::milliseconds(ms));
  }
  std::uint32_t Now = 1000;
  std::uint32_t Slept = 0;
};

inline constexpr std::int16_t kGuard = 0x5A5A;

class UnitTestBase : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(BindFtdiLibrary(sim::d2xx::Resolve));
    Fresh();
    buffer.assign(FTRecordDevice::kReceiveBufferSize, 0);
  }
  void TearDown() override { Fresh(); }
  // A fresh bus, status and recording, for the next case of a table.
  void Fresh() {
    units.clear();
    bus.Reset(sim::ClockMode::Virtual);
    ResetDeviceStatus();
    fill = 0;
    events = RecordingEvents{};
    clock = SteppedClock{};
  }

  // A channel holding `capacity` codes, followed by guard codes that must stay untouched.
  VessamorChannel& NewChannel(std::uint32_t capacity) {
    storage.emplace_back(capacity + 64, kGuard);
    channels.push_back(std::make_unique<VessamorChannel>());
    VessamorChannel& channel = *channels.back();
    channel.Codes = storage.back().data();
    channel.CodeCapacity = capacity;
    events.Live.push_back(&channel);
    return channel;
  }
  bool GuardIntact(const VessamorChannel& channel) const {
    for (const auto& codes : storage) {
      if (codes.data() == channel.Codes) {
        return std::all_of(codes.begin() + channel.CodeCapacity, codes.end(), [](auto c) { return c == kGuard; });
      }
    }
    return false;
  }
  static Codes CodesOf(const VessamorChannel& channel) { return {channel.Codes, channel.Codes + channel.CodeCount}; }

  // A wired unit; until started it sends nothing but what a test puts on its stream.
  sim::UnitId PlugWired(std::vector<sim::Signal> signals = {}, const std::string& description = "15 unit") {
    sim::UnitInfo info;
    info.Description = description;
    return bus.Plug(info, std::make_unique<sim::WiredUnitModel>(std::move(signals)));
  }

  // Opens the unit at a listing index and gives it the test's view, recording control, clock and buffer.
  template <typename Unit = FTRecordDevice>
  Unit& OpenUnit(int index = 0) {
    units.push_back(std::make_unique<Unit>());
    Unit& unit = static_cast<Unit&>(*units.back());
    Attach(unit);
    EXPECT_TRUE(unit.OpenByIndex(index));
    unit.SlotIndex = static_cast<std::uint8_t>(index);
    return unit;
  }
  void Attach(FTRecordDevice& unit) {
    unit.View = &view;
    unit.Events = &events;
    unit.Clock = &clock;
    unit.SetReceiveBuffer(buffer.data(), &fill);
  }
  // Starts a wired stream of `count` channels at the period, as the device worker's start does.
  void StartWired(FTRecordDevice& unit, int count, int period_us) {
    std::uint8_t packet[6] = {0xA7, static_cast<std::uint8_t>(count), 0xA3, static_cast<std::uint8_t>(period_us & 0xFF),
                              static_cast<std::uint8_t>(period_us >> 8), 0xA5};
    DWORD written = 0;
    ASSERT_EQ(Ftdi.FT_Write(unit.Handle, packet, 6, &written), FT_OK);
    unit.Running = 1;
  }
  // Puts hand-built bytes into the receive buffer after what is there and decodes them.
  void Feed(FTRecordDevice& unit, std::span<const std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), buffer.begin() + fill);
    fill += static_cast<std::uint32_t>(bytes.size());
    unit.ParseStream();
  }
  static DWORD Queued(FT_HANDLE handle) {
    DWORD count = 0;
    Ftdi.FT_GetQueueStatus(handle, &count);
    return count;
  }
  void AdvanceUs(std::int64_t us) { bus.Advance(std::chrono::microseconds(us)); }

  sim::Bus& bus = sim::Bus::Instance();
  GraphView view;
  RecordingEvents events;
  SteppedClock clock;
  std::vector<std::uint8_t> buffer;
  std::uint32_t fill = 0;
  std::deque<std::vector<std::int16_t>> storage;
  std::vector<std::unique_ptr<VessamorChannel>> channels;
  std::vector<std::unique_ptr<FTRecordDevice>> units;
};

}  // namespace unittest
