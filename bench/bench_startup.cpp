// Start-up of the main window on the simulated bus, up to its first intro frame on a headless host.
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>

#include <unistd.h>

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

// Resident memory of this process in MiB, from /proc.
double ResidentMiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void BM_StartToFirstIntroFrame(benchmark::State& state) {
  sim::Bus& bus = sim::Bus::Instance();
  bus.Reset(sim::ClockMode::RealTime);
  for (const sim::UnitSpec& unit : sim::DefaultUnits()) sim::AttachUnit(bus, unit);
  platform::SteadyClock clock;
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  // The yardstick of memory: the process before any window, with its libraries loaded.
  const double before = ResidentMiB();
  double after = before;  // set once, after the first window
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
    if (after == before) after = ResidentMiB();  // the first window, on memory no window had before
    host.Window().Close();
    window.reset();
    state.ResumeTiming();
  }
  bus.Reset(sim::ClockMode::Virtual);
  // What the start screen holds beyond the bare process: the sample buffer counts only as written.
  state.counters["resident_MiB"] = after;
  state.counters["resident_before_MiB"] = before;
}
BENCHMARK(BM_StartToFirstIntroFrame)->Args({1366, 768})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
