// Start-up of the main window on the simulated bus, up to its first intro frame on a headless host.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

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

// Names the window size a fresh copy of this program measures, then ends.
constexpr const char* kFreshWindowVariable = "VESSAMOR_BENCH_FRESH_WINDOW";

std::unique_ptr<MainWindow> StartWindow(platform::HeadlessHost& host) {
  ResetDeviceStatus();
  ResetWorkerStatus();
  MainWindowEnvironment environment = SystemEnvironment();
  environment.BindLibrary = [] { return BindFtdiLibrary(sim::d2xx::Resolve); };
  auto window = std::make_unique<MainWindow>(host, environment);
  window->CreateMainWindow(false);
  host.Window().UpdateNow();
  return window;
}

// In the fresh copy: resident memory before any window, with a bare host window of the size, and
// with the start screen's first frame painted; printed for the copy that started it.
[[noreturn]] void MeasureFreshWindow(const char* size) {
  int width = 0, height = 0;
  std::sscanf(size, "%dx%d", &width, &height);
  sim::Bus& bus = sim::Bus::Instance();
  bus.Reset(sim::ClockMode::RealTime);
  for (const sim::UnitSpec& unit : sim::DefaultUnits()) sim::AttachUnit(bus, unit);
  platform::SteadyClock clock;
  const double before = ResidentMiB();
  double bare = before;
  {
    platform::HeadlessHost host(platform::ScreenInfo{width, height, 32}, clock);
    // The bare window's pixels written once, as a first paint would.
    host.Window().Pixels().Fill(platform::Colour{0, 0, 0, 255});
    bare = ResidentMiB();
  }
  platform::HeadlessHost host(platform::ScreenInfo{width, height, 32}, clock);
  auto window = StartWindow(host);
  std::printf("fresh %.2f %.2f %.2f\n", before, bare, ResidentMiB());
  std::fflush(stdout);
  std::_Exit(0);
}

// Memory of the start screen read in a fresh process of this program, so no earlier window or
// benchmark has left anything in it.
bool FreshWindowMemory(int width, int height, double& before, double& bare, double& after) {
  char exe[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return false;
  const std::string command = std::string(kFreshWindowVariable) + "=" + std::to_string(width) + "x" +
                              std::to_string(height) + " '" + std::string(exe, static_cast<std::size_t>(n)) +
                              "' --benchmark_filter=BM_StartToFirstIntroFrame 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  char line[256];
  bool found = false;
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    if (std::sscanf(line, "fresh %lf %lf %lf", &before, &bare, &after) == 3) found = true;
  }
  pclose(pipe);
  return found;
}

void BM_StartToFirstIntroFrame(benchmark::State& state) {
  if (const char* size = std::getenv(kFreshWindowVariable)) MeasureFreshWindow(size);
  sim::Bus& bus = sim::Bus::Instance();
  bus.Reset(sim::ClockMode::RealTime);
  for (const sim::UnitSpec& unit : sim::DefaultUnits()) sim::AttachUnit(bus, unit);
  platform::SteadyClock clock;
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  for (auto _ : state) {
    platform::HeadlessHost host(platform::ScreenInfo{width, height, 32}, clock);
    auto window = StartWindow(host);
    benchmark::DoNotOptimize(host.Window().Pixels().Pixels());
    state.PauseTiming();
    host.Window().Close();
    window.reset();
    state.ResumeTiming();
  }
  bus.Reset(sim::ClockMode::Virtual);
  // What the start screen holds, beside a bare host window of the same size, both in a fresh process:
  // the sample buffer counts only as written.
  double before = 0.0, bare = 0.0, after = 0.0;
  if (!FreshWindowMemory(width, height, before, bare, after)) {
    state.SkipWithError("the fresh process gave no figures");
    return;
  }
  state.counters["resident_MiB"] = after;
  state.counters["bare_window_MiB"] = bare;
  state.counters["resident_before_MiB"] = before;
}
BENCHMARK(BM_StartToFirstIntroFrame)->Args({1366, 768})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
