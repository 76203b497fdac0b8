// Entering the measurement screen: the graph screen's styles and the layout of its controls, painting its buttons, panels and help.
#include <benchmark/benchmark.h>

#include <memory>

#include "acquisition/device_status.h"
#include "acquisition/worker_threads.h"
#include "app/main_window.h"
#include "layout/display_modes.h"
#include "layout/hover_panels.h"
#include "layout/main_controls.h"
#include "layout/measure_layout.h"
#include "layout/sensor_settings.h"
#include "render/agg_ren.h"
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
// The graph screen's styles set and its controls laid out, per screen size.
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
// Every shown control of the measurement screen painted into a screen-sized buffer.
BENCHMARK(BM_PaintMeasureButtons)->Args({1366, 768})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

// The settings panel's background and texts (third argument 1) or the first help page (2), into a screen-sized buffer.
void BM_PaintSettingsPanelOrHelpPage(benchmark::State& state) {
  Window w(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  MainWindow& m = *w.window;
  m.DeviceSlots[0].InUse = m.DeviceSlots[0].Prepared = 1;
  m.DeviceSlots[0].AssignIndex = 0;
  SetupSensorSettingsPanel(m);
  const float s = m.Metrics.UiScale;
  m.Help.Init(&m, platform::WindowRect::FromSize(60, 50, static_cast<int>(760 * s), static_cast<int>(480 * s)));
  platform::Surface target(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  agg_ren r;
  r.Attach(target);
  for (auto _ : state) {
    if (state.range(2) & 1) PaintSensorSettingsPanel(m, r);
    if (state.range(2) & 2) m.Help.Paint(r, target);
    benchmark::DoNotOptimize(target.Pixels());
  }
}
// The settings panel or the first help page painted into a screen-sized buffer.
BENCHMARK(BM_PaintSettingsPanelOrHelpPage)->Args({1366, 768, 1})->Args({1366, 768, 2})->Args({3840, 2160, 1})->Args({3840, 2160, 2})->Unit(benchmark::kMillisecond);

}  // namespace
