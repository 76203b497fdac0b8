// Benchmark of reviewing a long record: paging with the smoothing filter, fitting it, and a zoom with Akima fill.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench_support.h"
#include "graph/graph_view.h"

namespace {

constexpr std::uint32_t kSamples = 4'000'000;

// A stopped record of one smoothed channel at 10 kHz, 1 s a division.
struct Review {
  Review() {
    view.Init(kSamples, PixelRect{0, 0, 1280, 900}, 0, &window);
    VessamorChannel& channel = view.Channel(0);
    channel.Enabled = 1;
    channel.RawToValueFn = [](std::int16_t code, const VessamorChannel*) { return code * 0.01f; };
    view.SetChannelFlags(4, 0);
    for (std::uint32_t i = 0; i < kSamples; ++i) channel.Codes[i] = static_cast<std::int16_t>(2048 + (i * 7) % 900);
    channel.CodeCount = view.SampleCount = kSamples;
    channel.RunMax = 2948;
    channel.RunMin = 2048;
    view.LastSampleIndex = kSamples - 1;
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
BENCHMARK(BM_ZoomedAkimaFill)->Unit(benchmark::kMicrosecond);
