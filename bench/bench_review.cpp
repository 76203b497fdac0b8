// Benchmark of reviewing a long record: paging with the smoothing filter, fitting it, and a zoom with Akima fill.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "graph/graph_view.h"

namespace {

constexpr std::uint32_t kSamples = 4'000'000;

// A stopped record of smoothed channels (centred RMS over 20, as set up) at 10 kHz, 1 s a division.
struct Review {
  explicit Review(std::uint32_t samples = kSamples, std::uint32_t channels = 1) {
    view.Init(samples * channels, PixelRect{0, 0, 1280, 900}, 0, &window);
    for (std::uint32_t k = 0; k < GraphView::kLiveChannels; ++k) view.Channel(k).Enabled = k < channels ? 1 : 0;
    view.SetChannelFlags(static_cast<std::uint8_t>(channels == 1 ? 4 : channels), 0);
    for (std::uint32_t k = 0; k < channels; ++k) {
      VessamorChannel& channel = view.Channel(k);
      channel.RawToValueFn = [](std::int16_t code, const VessamorChannel*) { return code * 0.01f; };
      for (std::uint32_t i = 0; i < samples; ++i) channel.Codes[i] = static_cast<std::int16_t>(2048 + (i * 7 + k) % 900);
      channel.CodeCount = samples;
      channel.RunMax = 2948;
      channel.RunMin = 2048;
    }
    view.SampleCount = samples;
    view.LastSampleIndex = samples - 1;
    view.RecordRate = view.RateSetting = 10000;
    view.RecordViewable = 1;
    view.Scale.SecondsPerDivision = 0.0;
    view.SetScales(1.0f, 0.5f, 1);
    view.ShowFromStart(0.0);
  }
  bench_support::HeadlessWindow window;
  GraphView view;
};

void BM_PageForwardSmoothed(benchmark::State& state) {
  Review review;
  for (auto _ : state) {
    review.view.PageForward();
    // Back to the start when the record's end is reached.
    if (review.view.LastShownColumn != review.view.PlotWidth) review.view.ShowFromStart(0.0);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * review.view.Scale.SamplesPerScreen));
}

void BM_FitWholeRecord(benchmark::State& state) {
  Review review;
  for (auto _ : state) {
    review.view.FitPending = 1;  // the timer's step: fitted at once
    review.view.AutoScrollView();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kSamples);
}

// The refit spreads its channels over up to four threads: besides the time on the wall, the CPU
// time of all of them, to set beside the yardstick on one thread.
void CountRefit(benchmark::State& state, double cpu_seconds, double samples) {
  state.counters["ns/sample"] = benchmark::Counter(samples * static_cast<double>(state.iterations()),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["cpu_ns/sample"] = 1e9 * cpu_seconds / (samples * static_cast<double>(state.iterations()));
  state.counters["threads"] = static_cast<double>(std::min(4u, std::max(1u, std::thread::hardware_concurrency())));
}

// Refitting a fitted record of four channels of 10^7 samples each, beside its yardstick: one plain
// pass that reads every code of the record once, on as many threads.
void BM_RefitFourLongChannels(benchmark::State& state) {
  constexpr std::uint32_t kLong = 10'000'000;
  Review review(kLong, 4);
  review.view.FitPending = 1;
  review.view.AutoScrollView();
  const double cpu = bench_support::ProcessCpuSeconds();
  for (auto _ : state) {
    review.view.FitPending = 1;
    review.view.AutoScrollView();
  }
  CountRefit(state, bench_support::ProcessCpuSeconds() - cpu, 4.0 * kLong);
}

// The same refit with the median over 20 samples before the smoothing, as the settings panel sets it.
void BM_RefitFourLongChannelsMedian(benchmark::State& state) {
  constexpr std::uint32_t kLong = 10'000'000;
  Review review(kLong, 4);
  for (std::uint32_t k = 0; k < 4; ++k) {
    VessamorChannel& channel = review.view.Channel(k);
    channel.MedianOn = 1;
    channel.MedianWindow = static_cast<std::uint16_t>(state.range(0));
    channel.ConfigureFilter();
  }
  review.view.FitPending = 1;
  review.view.AutoScrollView();
  const double cpu = bench_support::ProcessCpuSeconds();
  for (auto _ : state) {
    review.view.FitPending = 1;
    review.view.AutoScrollView();
  }
  CountRefit(state, bench_support::ProcessCpuSeconds() - cpu, 4.0 * kLong);
}

// The yardstick: every code of the four channels read once, on one thread (argument 1) or one
// thread a channel (argument 4), as the refit deals them out.
void BM_ReadFourLongChannels(benchmark::State& state) {
  constexpr std::uint32_t kLong = 10'000'000;
  Review review(kLong, 4);
  const auto threads = static_cast<std::uint32_t>(state.range(0));
  const auto read = [&review](std::uint32_t share, std::uint32_t shares, std::int64_t& sum) {
    for (std::uint32_t k = share; k < 4; k += shares) {
      const std::int16_t* codes = review.view.Channel(k).Codes;
      for (std::uint32_t i = 0; i < kLong; ++i) sum += codes[i];
    }
  };
  const double cpu = bench_support::ProcessCpuSeconds();
  for (auto _ : state) {
    std::vector<std::int64_t> sums(threads, 0);
    {
      std::vector<std::jthread> helpers;
      for (std::uint32_t share = 1; share < threads; ++share) helpers.emplace_back(read, share, threads, std::ref(sums[share]));
      read(0, threads, sums[0]);
    }
    benchmark::DoNotOptimize(sums.data());
  }
  CountRefit(state, bench_support::ProcessCpuSeconds() - cpu, 4.0 * kLong);
  state.counters["threads"] = threads;
}

void BM_ZoomedAkimaFill(benchmark::State& state) {
  Review review;
  review.view.Channel(0).CurveSmoothOn = 1;
  review.view.Channel(0).CurveMode = 2;
  review.view.SetScales(0.01f, 0.5f, 1);  // a tenth of a sample a column
  for (auto _ : state) review.view.ShowFromStart(123456.0);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * review.view.PlotWidth);
}

}  // namespace

BENCHMARK(BM_PageForwardSmoothed)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FitWholeRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefitFourLongChannels)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RefitFourLongChannelsMedian)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadFourLongChannels)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ZoomedAkimaFill)->Unit(benchmark::kMicrosecond);
