// Milliseconds of one full paint of the graph screen: four channels of a loaded record, headless,
// at the design size and at 1920 x 1080.
#include <benchmark/benchmark.h>

#include <cmath>

#include "fakes/fake_paint_host.h"

namespace {

void BM_FullGraphPaint(benchmark::State& state) {
  const auto width = static_cast<std::int32_t>(state.range(0));
  const auto height = static_cast<std::int32_t>(state.range(1));
  FakePaintWindow window(width, height);
  GraphView view;
  view.Init(400000, window.GraphRect(), 0xFF, &window);
  view.PaintHost = &window;
  LoadWaveRecord(view, 9, 4, 60000, 1000, [](std::size_t k, std::uint32_t i) {
    return static_cast<std::int16_t>(2048 + (400 + 300 * k) * std::sin(i * (0.003 + 0.002 * k)) + 60 * std::sin(i * 0.9));
  });
  if (state.range(2) == 1) {
    // One sensor of four channels: one column of value labels, a wider plot.
    for (std::size_t k = 1; k < GraphView::kLiveChannels; ++k) view.Channel(k).FirstOfSensor = 0;
    view.SetViewRect(view.ViewRect, 0xFF);
    view.ReapplyScales();
  }
  for (auto _ : state) {
    view.Painting.ClearRequest = 1;
    view.Paint();
    benchmark::DoNotOptimize(window.Picture().Pixels());
  }
  state.counters["columns"] = view.PlotWidth;
}
// One full paint of the graph screen of a loaded record. Arguments: screen width, height, and 1 for
// one sensor of four channels or 4 for four sensors.
BENCHMARK(BM_FullGraphPaint)
    ->Args({1280, 994, 4})
    ->Args({1920, 1080, 4})
    ->Args({1920, 1080, 1})
    ->Unit(benchmark::kMillisecond);

// The curves alone over the same plots.
void BM_FourCurves(benchmark::State& state) {
  const auto width = static_cast<std::int32_t>(state.range(0));
  const auto height = static_cast<std::int32_t>(state.range(1));
  FakePaintWindow window(width, height);
  GraphView view;
  view.Init(400000, window.GraphRect(), 0xFF, &window);
  LoadWaveRecord(view, 9, 4, 60000, 1000, [](std::size_t k, std::uint32_t i) {
    return static_cast<std::int16_t>(2048 + (400 + 300 * k) * std::sin(i * (0.003 + 0.002 * k)) + 60 * std::sin(i * 0.9));
  });
  for (auto _ : state) {
    view.DrawChannels(window.Renderer());
    benchmark::DoNotOptimize(window.Picture().Pixels());
  }
  state.counters["columns"] = view.PlotWidth;
}
// The four curves alone drawn over the plots of a loaded record.
BENCHMARK(BM_FourCurves)->Args({1280, 994})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

}  // namespace
