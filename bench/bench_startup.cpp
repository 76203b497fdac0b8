// Start-up of the main window on the simulated bus, up to its first intro frame on a headless host.
#include <benchmark/benchmark.h>

#include <memory>

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

void BM_StartToFirstIntroFrame(benchmark::State& state) {
  sim::Bus& bus = sim::Bus::Instance();
  bus.Reset(sim::ClockMode::RealTime);
  for (const sim::UnitSpec& unit : sim::DefaultUnits()) sim::AttachUnit(bus, unit);
  platform::SteadyClock clock;
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  for (auto _ : state) {
    ResetDeviceStatus();
    ResetWorkerStatus();
    platform::HeadlessHost host(platform::ScreenInfo{width, height, 32}, clock);
    MainWindowEnvironment environment = SystemEnvironment();
    environment.BindLibrary = [] { return BindFtdiLibrary(sim::d2xx::Resolve); };
    auto window = std::make_unique<MainWindow>(host, environment);
    window->CreateMainWindow(false);
    host.Window().UpdateNow();
    benchmark::DoNotOptimize(host.Window().Pixels().Pixels());
    state.PauseTiming();
    host.Window().Close();
    window.reset();
    state.ResumeTiming();
  }
  bus.Reset(sim::ClockMode::Virtual);
}
BENCHMARK(BM_StartToFirstIntroFrame)->Args({1366, 768})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
