// Frames per second of the drawing engine: a 1280-column curve of four channels, and a screenful
// of text panels.
#include <benchmark/benchmark.h>

#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "platform/cp1251.h"
#include "render/agg_ren.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 800;
const rgba8 kColours[4] = {rgba8(200, 30, 30, 255), rgba8(30, 150, 30, 255), rgba8(30, 30, 200, 255),
                           rgba8(150, 100, 0, 255)};

// Channel c's curve at column x.
double CurveY(int c, int x) { return 100 + c * 170 + 70 * std::sin(x * (0.01 + 0.007 * c)) + 10 * std::sin(x * 0.37); }

// Each channel's curve drawn as the graph does: one short line per column, rendered per channel.
void BM_FourChannelCurve(benchmark::State& state) {
  platform::Surface surface(kWidth, kHeight);
  agg_ren ren;
  ren.Attach(surface);
  std::vector<double> values(4 * kWidth);
  for (int c = 0; c < 4; ++c) {
    for (int x = 0; x < kWidth; ++x) {
      values[c * kWidth + x] = CurveY(c, x);
    }
  }
  for (auto _ : state) {
    ren.ClearWhite();
    for (int c = 0; c < 4; ++c) {
      ren.Rasterizer().reset();
      for (int x = 1; x < kWidth; ++x) {
        ren.DrawLineRgba({x - 1.0, values[c * kWidth + x - 1], static_cast<double>(x), values[c * kWidth + x]},
                         kColours[c], 2.0f);
      }
      ren.RenderScanlines();
    }
    benchmark::DoNotOptimize(surface.Pixels());
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
// Four 1280-column curves drawn a short line per column.
BENCHMARK(BM_FourChannelCurve)->Unit(benchmark::kMillisecond);

// The same curves, each channel stroked as one polyline.
void BM_FourChannelPolyline(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  platform::Surface surface(width, kHeight);
  agg_ren ren;
  ren.Attach(surface);
  std::vector<double> points(4 * 2 * width);
  for (int c = 0; c < 4; ++c) {
    for (int x = 0; x < width; ++x) {
      points[2 * (c * width + x)] = x;
      points[2 * (c * width + x) + 1] = CurveY(c, x);
    }
  }
  for (auto _ : state) {
    ren.ClearWhite();
    for (int c = 0; c < 4; ++c) {
      ren.Rasterizer().reset();
      ren.DrawPolyline(std::span<const double>(points).subspan(2 * c * width, 2 * width), kColours[c], 2.0f);
      ren.RenderScanlines();
    }
    benchmark::DoNotOptimize(surface.Pixels());
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
// The same four curves, each stroked as one polyline.
BENCHMARK(BM_FourChannelPolyline)->Arg(1280)->Arg(1920)->Unit(benchmark::kMillisecond);

// Forty gradient panels with shadows and two lines of text each, as an information screen.
void BM_TextPanelScreen(benchmark::State& state) {
  platform::Surface surface(kWidth, kHeight);
  agg_ren ren;
  ren.Attach(surface);
  const std::string caption = platform::Utf8ToCp1251("Температура, °C#Ускорение м/с^2");
  for (auto _ : state) {
    ren.ClearWhite();
    for (int row = 0; row < 8; ++row) {
      for (int col = 0; col < 5; ++col) {
        PanelRect rect{20.0 + col * 250.0, 240.0, 10.0 + row * 98.0, 95.0};
        ren.DrawRoundedPanel(rect, {0, 1, 0x0F, 2, 0}, 1.0f, 2.0f, rgba8(240, 240, 200, 255), 0.8f);
        ren.DrawTextInBox(caption.c_str(), rect.x, rect.y, rect.width, rect.height, 1.0, rgba8(255, 255, 255, 255),
                          nullptr, 51);
      }
    }
    benchmark::DoNotOptimize(surface.Pixels());
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
// Forty gradient panels with shadows and two lines of text each.
BENCHMARK(BM_TextPanelScreen)->Unit(benchmark::kMillisecond);

}  // namespace
