// Entering the measurement screen: the graph screen's styles and the layout of its controls, and painting its buttons.
#include <benchmark/benchmark.h>

#include <memory>

#include "acquisition/device_status.h"
#include "acquisition/worker_threads.h"
#include "app/main_window.h"
#include "layout/display_modes.h"
#include "layout/hover_panels.h"
#include "layout/main_controls.h"
#include "layout/measure_layout.h"
#include "platform/clock.h"
#include "platform/headless_host.h"

namespace {

struct Window {
  platform::SteadyClock clock;
  platform::HeadlessHost host;
  std::unique_ptr<MainWindow> window;
  Window(int width, int height) : host(platform::ScreenInfo{width, height, 32}, clock) {
    ResetDeviceStatus();
    ResetWorkerStatus();
    MainWindowEnvironment environment = SystemEnvironment();
    environment.BindLibrary = [] { return false; };
    window = std::make_unique<MainWindow>(host, environment);
    window->CreateMainWindow(false);
    window->Bytes.MeasureScreenActive = 1;
  }
};

void BM_EnterGraphScreenLayout(benchmark::State& state) {
  Window w(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    SetDisplayModeGraph(*w.window);
    LayoutControls(*w.window);
  }
}
BENCHMARK(BM_EnterGraphScreenLayout)->Args({1366, 768})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

void BM_PaintMeasureButtons(benchmark::State& state) {
  Window w(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  SetDisplayModeGraph(*w.window);
  LayoutControls(*w.window);
  ShowTopHoverPanel(*w.window);
  ShowSideHoverPanelA(*w.window);
  platform::Surface target(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    for (platform::Control* control : w.host.Window().Controls()) {
      if (control->IsVisible()) static_cast<ControlFrame*>(control)->PaintToBuffer(target);
    }
    benchmark::DoNotOptimize(target.Pixels());
  }
}
BENCHMARK(BM_PaintMeasureButtons)->Args({1366, 768})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

}  // namespace
