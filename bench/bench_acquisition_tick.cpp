// Benchmark of the acquisition tick: four channels at 25 kHz each, 10 ms batches, per filter set-up.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <random>
#include <vector>

#include "bench/bench_support.h"
#include "channels/main_window_services.h"
#include "graph/graph_view.h"

namespace {

constexpr std::uint32_t kRate = 25000;
constexpr std::uint32_t kBatch = kRate / 100;  // one 10 ms poll of one channel
constexpr std::uint32_t kChannels = 4;
constexpr std::uint32_t kCapacity = 8'000'000;

using bench_support::HeadlessWindow;
using bench_support::PollClock;

const std::vector<std::int16_t>& NoisyCodes() {
  static const std::vector<std::int16_t> codes = [] {
    std::mt19937 generator(7);
    std::normal_distribution<double> noise(0.0, 30.0);
    std::vector<std::int16_t> c(kRate);
    for (std::uint32_t i = 0; i < kRate; ++i) c[i] = static_cast<std::int16_t>(2048 + 800 * ((i / 2500) % 2) + noise(generator));
    return c;
  }();
  return codes;
}

// Argument: 0 plain reduction, 1 the view's default centred smoothing (20), 2 smoothing and the 50 Hz notch.
void BM_AcquisitionTick(benchmark::State& state) {
  const auto form = state.range(0);
  HeadlessWindow window;
  GraphView view;
  view.Init(kCapacity, PixelRect{0, 0, 1280, 800}, 0, &window);
  PollClock clock;
  view.TickClock = &clock;
  for (std::size_t k = 0; k < kChannels; ++k) {
    VessamorChannel& channel = view.Channel(k);
    channel.Enabled = 1;
    channel.SmoothingOn = form >= 1 ? 1 : 0;
    channel.NotchOn = form >= 2 ? 1 : 0;
    channel.ConfigureFilter();
  }
  view.SetChannelFlags(4, 0);
  view.SetKindRate(kRate);
  view.SetScales(0.2f, 0.5f, 1);  // a 2 s screen: about 39 samples per column
  view.Recording = 1;
  view.ComputeStartIndexes();

  const std::vector<std::int16_t>& codes = NoisyCodes();
  std::uint32_t offset = 0;
  for (auto _ : state) {
    for (std::size_t k = 0; k < kChannels; ++k) {
      VessamorChannel& channel = view.Channel(k);
      if (channel.CodeRoom() < kBatch) {
        view.ResetRecordingBuffers();
        break;
      }
    }
    for (std::size_t k = 0; k < kChannels; ++k) {
      VessamorChannel& channel = view.Channel(k);
      for (std::uint32_t n = 0; n < kBatch; ++n) channel.AppendCode(codes[(offset + n) % kRate]);
    }
    offset = (offset + kBatch) % kRate;
    view.AcquisitionTick();
  }
  const double samples = static_cast<double>(state.iterations()) * kBatch * kChannels;
  state.SetItemsProcessed(static_cast<std::int64_t>(samples));
  // Seconds of recording handled per second of CPU (each iteration is 10 ms of recording); the
  // share of a core that real time takes is its inverse.
  state.counters["realtime_factor"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 0.01, benchmark::Counter::kIsRate);
  state.counters["redraws"] = static_cast<double>(window.Redraws.load());
}
// One 10 ms tick of four 25 kHz channels (their codes appended first), plain, smoothed, smoothed with the notch.
BENCHMARK(BM_AcquisitionTick)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
