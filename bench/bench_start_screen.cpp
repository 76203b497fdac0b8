// One full paint of the start screen with its sensor buttons and tick boxes, and one refresh of the buttons after a search.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "acquisition/device_status.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/worker_threads.h"
#include "app/main_window.h"
#include "platform/clock.h"
#include "platform/headless_host.h"
#include "sim/bus.h"
#include "sim/d2xx.h"
#include "sim/unit_list.h"

namespace {

// A window on the default simulated bus, its intro and panel reveal run, both units listed.
struct StartScreen {
  explicit StartScreen(int width, int height) : host(platform::ScreenInfo{width, height, 32}, clock) {
    sim::Bus& bus = sim::Bus::Instance();
    bus.Reset(sim::ClockMode::RealTime);
    for (const sim::UnitSpec& unit : sim::DefaultUnits()) sim::AttachUnit(bus, unit);
    ResetDeviceStatus();
    ResetWorkerStatus();
    MainWindowEnvironment environment = SystemEnvironment();
    environment.BindLibrary = [] { return BindFtdiLibrary(sim::d2xx::Resolve); };
    window = std::make_unique<MainWindow>(host, environment);
    window->CreateMainWindow(false);
    for (int k = 0; k < 2000 && (window->Panels[1]->ContentShown == 0 || window->Devices->CountDevices() < 2); ++k) {
      clock.Advance(33);
      host.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));  // the worker's search runs in real time
    }
    window->RefreshDevices(1);
    if (window->SensorButtons[1].Unit == nullptr) std::abort();
  }
  ~StartScreen() {
    host.Window().Close();
    window.reset();
    sim::Bus::Instance().Reset(sim::ClockMode::Virtual);
  }
  platform::FakeClock clock;
  platform::HeadlessHost host;
  std::unique_ptr<MainWindow> window;
};

void BM_StartScreenFullPaint(benchmark::State& state) {
  StartScreen screen(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    screen.window->MainButtonsShow();
    screen.window->RefreshDevices(1);
    screen.window->StartButtonsDirty = 1;
    screen.host.Window().UpdateNow();
    benchmark::DoNotOptimize(screen.host.Window().Pixels().Pixels());
  }
}
// A full paint of the start screen with both units' buttons, per screen size.
BENCHMARK(BM_StartScreenFullPaint)->Args({1366, 768})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

void BM_RefreshDevices(benchmark::State& state) {
  StartScreen screen(1366, 768);
  for (auto _ : state) benchmark::DoNotOptimize(screen.window->RefreshDevices(1));
}
// One refresh of the sensor buttons after a search.
BENCHMARK(BM_RefreshDevices)->Unit(benchmark::kMicrosecond);

}  // namespace
