// Benchmark of reviewing a long record: paging with the smoothing filter, fitting it, and a zoom with Akima fill.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "smoothing_yardstick.h"
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

// The threads the refit deals four channels to: one a channel, as many as there are cores.
std::uint32_t RefitThreads() { return std::min(4u, std::max(1u, std::thread::hardware_concurrency())); }

// Refitting a fitted record of four channels of 10^7 samples each (centred RMS over 20, with the
// median over the first argument's window before it when that is not 0), beside its yardstick: the
// same filters written plainly, folded into the same columns, on as many threads. The yardstick's
// columns are checked against the program's before anything is timed; the two run in turn, timed
// on the wall clock and on the process's CPU clock (every thread's work), their ratios taken pair by pair.
void BM_RefitBesideYardstick(benchmark::State& state) {
  constexpr std::uint32_t kLong = 10'000'000;
  const auto median = static_cast<std::uint16_t>(state.range(0));
  Review review(kLong, 4);
  for (std::uint32_t k = 0; k < 4 && median != 0; ++k) {
    VessamorChannel& channel = review.view.Channel(k);
    channel.MedianOn = 1;
    channel.MedianWindow = median;
    channel.ConfigureFilter();
  }
  const auto refit = [&review] {
    review.view.FitPending = 1;
    review.view.AutoScrollView();
  };
  refit();
  GraphView& view = review.view;
  const std::uint32_t first = view.FirstShownColumn, last = view.LastShownColumn;
  std::vector<bench_support::SmoothedChannel> plain(4);
  for (std::uint32_t k = 0; k < 4; ++k) {
    plain[k].Codes = view.Channel(k).Codes;
    plain[k].Smoothing = view.Channel(k).SmoothingWindow;
    plain[k].Median = median;
  }
  const std::uint32_t threads = RefitThreads();
  const bool histogram =
      median != 0 && bench_support::ChooseFasterMedian(plain, view.Channel(0).TimeBase, first, last, view.SampleCount, threads);
  const auto yardstick = [&] { bench_support::ReduceSmoothed(plain, view.Channel(0).TimeBase, first, last, view.SampleCount, threads); };
  yardstick();
  for (std::uint32_t k = 0; k < 4; ++k) bench_support::RequireSameColumns("refit", k, view.Channel(k).Columns, first, plain[k].Out);

  // Timed on the wall clock, which a user waits on; the CPU time of every thread beside it.
  bench_support::PairedClocks clocks;
  double program_cpu = 0.0;
  for (auto _ : state) {
    const bench_support::Spent spent = bench_support::Measure(refit);
    const bench_support::Spent plain_spent = bench_support::Measure([&] {
      yardstick();
      benchmark::DoNotOptimize(plain.data());
    });
    clocks.Add(spent, plain_spent);
    program_cpu += spent.Cpu;
    state.SetIterationTime(spent.Wall);
  }
  const double samples = 4.0 * kLong * static_cast<double>(state.iterations());
  state.counters["cpu_ns/sample"] = 1e9 * program_cpu / samples;
  state.counters["threads"] = threads;
  state.SetLabel(std::string(median == 0 ? "" : histogram ? "histogram median; " : "sorted-window median; ") +
                 "yardstick shares: the view's column spans (its time base)");
  clocks.Report(state, "ratio_to_yardstick");
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

// One page forward through a smoothed 4-million-sample record.
BENCHMARK(BM_PageForwardSmoothed)->Unit(benchmark::kMicrosecond);
// The whole smoothed record fitted to the screen.
BENCHMARK(BM_FitWholeRecord)->Unit(benchmark::kMillisecond);
// A refit of four filtered 10^7-sample channels beside plain filters folded into the same columns:
// without a median, and with one over 20 and over 100 samples; timed on the wall clock, CPU time beside it.
BENCHMARK(BM_RefitBesideYardstick)->ArgName("median")->Arg(0)->Arg(20)->Arg(100)->UseManualTime()->Unit(benchmark::kMillisecond);
// A zoomed screen of a tenth of a sample a column, filled by Akima interpolation.
BENCHMARK(BM_ZoomedAkimaFill)->Unit(benchmark::kMicrosecond);
