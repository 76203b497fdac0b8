// Benchmark of the acquisition path's steps on one thread: simulated unit bytes, the frame decoder, the
// tick with conversion, filters and columns (without the driver's calls and the worker threads, which
// the recording benchmark runs).
#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "acquisition/device_status.h"
#include "acquisition/ft_record_device.h"
#include "bench/bench_support.h"
#include "channels/main_window_services.h"
#include "channels/sensor_kind_table.h"
#include "graph/graph_view.h"
#include "sim/signals.h"
#include "sim/wired_unit.h"

namespace {

// Four wired units, each streaming one channel at the highest rate a unit delivers.
constexpr std::uint32_t kUnits = 4;
constexpr std::uint32_t kRate = 25000;
constexpr std::uint32_t kPollsPerSecond = 100;
constexpr std::uint32_t kFramesPerPoll = kRate / kPollsPerSecond;  // one 10 ms poll of one unit
constexpr std::uint32_t kCapacity = 8'000'000;
// Sensor kind 0 with its 12-bit conversion, as a voltage sensor's channel is set up.
constexpr std::uint16_t kKind = 0;

using bench_support::HeadlessWindow;
using bench_support::PollClock;

// One second of a unit's byte stream, from the simulated signal through the wire encoding.
std::vector<std::uint8_t> UnitSecond(const sim::Signal& signal) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(2 * kRate);
  for (std::uint32_t n = 0; n < kRate; ++n) {
    const auto frame = sim::EncodeWiredFrame(0, signal.CodeAt(static_cast<double>(n) / kRate, n));
    bytes.insert(bytes.end(), frame.begin(), frame.end());
  }
  return bytes;
}

// Argument: 0 plain reduction; 1 the default centred smoothing (20) and the 50 Hz notch.
void BM_WholePath(benchmark::State& state) {
  const bool filtered = state.range(0) != 0;
  HeadlessWindow window;
  GraphView view;
  view.Init(kCapacity, PixelRect{0, 0, 1280, 800}, 0, &window);
  PollClock clock;
  view.TickClock = &clock;
  for (std::size_t k = 0; k < kUnits; ++k) {
    VessamorChannel& channel = view.Channel(k);
    channel.Enabled = 1;
    WriteSensorKindRow(channel, SensorKindRowFor(kKind), kKind, false);
    channel.SmoothingOn = filtered ? 1 : 0;
    channel.NotchOn = filtered ? 1 : 0;
    channel.ConfigureFilter();
  }
  view.SetChannelFlags(4, 0);
  view.SetKindRate(kRate);
  view.SetScales(0.2f, 0.5f, 1);  // a 2 s screen
  view.Recording = 1;
  view.ComputeStartIndexes();

  const std::array<sim::Signal, kUnits> signals{sim::Signal::Sine(2048, 1500, 50.0), sim::Signal::Ramp(0, 4095, 2.0),
                                                sim::Signal::Square(500, 3500, 5.0), sim::Signal::Noise(2048, 300, 9)};
  std::array<std::vector<std::uint8_t>, kUnits> streams;
  std::array<std::unique_ptr<FTRecordDevice>, kUnits> units;
  std::array<std::vector<std::uint8_t>, kUnits> staging;
  std::array<std::uint32_t, kUnits> fills{};
  for (std::size_t u = 0; u < kUnits; ++u) {
    streams[u] = UnitSecond(signals[u]);
    staging[u].assign(FTRecordDevice::kReceiveBufferSize, 0);
    units[u] = std::make_unique<FTRecordDevice>();
    units[u]->SetReceiveBuffer(staging[u].data(), &fills[u]);
    units[u]->BindChannel(0, &view.Channel(u));
  }

  const std::uint32_t poll_bytes = 2 * kFramesPerPoll;
  std::uint32_t offset = 0;
  float newest_value = 0.0f;
  for (auto _ : state) {
    // A cyclic record: the channels start again before they would overflow.
    if (view.Channel(0).CodeRoom() < kFramesPerPoll) view.ResetRecordingBuffers();
    for (std::size_t u = 0; u < kUnits; ++u) {
      std::copy_n(streams[u].begin() + offset, poll_bytes, staging[u].begin() + fills[u]);
      fills[u] += poll_bytes;
      units[u]->ParseStream();
    }
    offset = (offset + poll_bytes) % (2 * kRate);
    view.AcquisitionTick();
    // The indicators convert the newest value of each channel once per poll.
    for (std::size_t u = 0; u < kUnits; ++u) newest_value += view.Channel(u).SampleValue(0);
  }
  benchmark::DoNotOptimize(newest_value);
  const double recorded_seconds = static_cast<double>(state.iterations()) / kPollsPerSecond;
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kFramesPerPoll * kUnits);
  // Seconds of recording per CPU second, and its inverse: the share of one core that real time takes.
  state.counters["realtime_factor"] = benchmark::Counter(recorded_seconds, benchmark::Counter::kIsRate);
  state.counters["core_share"] =
      benchmark::Counter(recorded_seconds, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["redraws"] = static_cast<double>(window.Redraws.load());
}
// A 10 ms poll of four units' bytes decoded and ticked on this thread, plain and filtered.
BENCHMARK(BM_WholePath)->Arg(0)->Arg(1)->ArgName("filtered")->Unit(benchmark::kMicrosecond);

}  // namespace
