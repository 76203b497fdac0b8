// First paint of the program's window on the real Qt window, from the launch of a fresh process to
// its first frame shown, beside a bare Qt window's in a fresh process of its own, at a named screen
// size (the display's, which must be that size, or an offscreen screen made that size).
#include <benchmark/benchmark.h>

// The simulator's headers come before Qt's, whose keyword macros would rename their words.
#include "sim/bus.h"
#include "sim/d2xx.h"
#include "sim/unit_list.h"

#include "bare_qt_window.h"
#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include <unistd.h>

#include "acquisition/device_status.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/worker_threads.h"
#include "app/main_window.h"
#include "platform/clock.h"
#include "platform/qt/qt_host.h"
#include "bench_support.h"

namespace {

// Names what a fresh copy of this program starts ("bare" or "program"), measures, then ends.
constexpr const char* kFreshVariable = "VESSAMOR_BENCH_FIRST_PAINT";

// Notes when the first paint a window gets is done: its paint event and the flush of what it drew
// to the screen, which come in one go. A marker posted as the paint begins is delivered as soon as
// that go returns, before whatever the window is sent next (its activation, a timer).
class PaintWatch final : public QObject {
 public:
  bool painted = false;
  std::chrono::steady_clock::time_point done{};

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && !std::exchange(posted_, true)) {
      QCoreApplication::postEvent(this, new QEvent(kDone), Qt::HighEventPriority);
    }
    return false;
  }
  bool event(QEvent* event) override {
    if (event->type() != kDone) return QObject::event(event);
    done = std::chrono::steady_clock::now();
    painted = true;
    return true;
  }

 private:
  static constexpr QEvent::Type kDone = QEvent::User;
  bool posted_ = false;
};


// In the fresh copy: the moment its first paint is shown (on the machine's monotonic clock, which
// the copy that started it reads too) and the screen's size, printed for the copy that started it.
[[noreturn]] void MeasureFresh(const std::string& which) {
  static int argc = 1;
  static char name[] = "bench_startup_qt";
  static char* argv[] = {name, nullptr};
  // The program begins its host as its own start does, before the application object exists.
  const bool program = which != "bare";
  MainWindowEnvironment environment = SystemEnvironment();
  platform::qt::HostHead head;
  if (program) {
    const auto background = std::make_shared<StartBackgroundAhead>();
    environment.StartBackground = background;
    head = platform::qt::BeginHost();
    head.size_known = [background](int width, int height) { background->TellWindowSize(width, height); };
  }
  QApplication application(argc, argv);
  PaintWatch watch;
  std::unique_ptr<BareWindow> bare;
  platform::SteadyClock clock;
  std::unique_ptr<platform::qt::QtHost> host;
  std::unique_ptr<MainWindow> window;
  if (!program) {
    bare = std::make_unique<BareWindow>(QGuiApplication::primaryScreen()->availableGeometry().size());
    bare->installEventFilter(&watch);
    bare->show();
  } else {
    sim::Bus& bus = sim::Bus::Instance();
    bus.Reset(sim::ClockMode::RealTime);
    for (const sim::UnitSpec& unit : sim::DefaultUnits()) sim::AttachUnit(bus, unit);
    host = std::make_unique<platform::qt::QtHost>(clock, std::move(head));
    host->Widget().installEventFilter(&watch);
    environment.BindLibrary = [] { return BindFtdiLibrary(sim::d2xx::Resolve); };
    window = std::make_unique<MainWindow>(*host, environment);
    window->CreateMainWindow(false);
    host->ShowWindow();
  }
  // A watchdog against a window that never paints.
  const auto watchdog = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!watch.painted && std::chrono::steady_clock::now() < watchdog) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  }
  const QSize screen = QGuiApplication::primaryScreen()->size();
  std::printf("first_paint_at %lld %d %d %d\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(watch.done.time_since_epoch()).count()),
              watch.painted ? 1 : 0, screen.width(), screen.height());
  std::fflush(stdout);
  std::_Exit(0);
}

// Where no display is named, the fresh copies paint off screen on a screen of the named size.
std::string OffscreenPlatform(int width, int height) {
  const std::string path = "/tmp/vessamor-bench-screen-" + std::to_string(::getpid()) + "-" + std::to_string(width) + "x" +
                           std::to_string(height) + ".json";
  if (FILE* file = std::fopen(path.c_str(), "w")) {
    std::fprintf(file, "{\"screens\": [{\"name\": \"bench\", \"x\": 0, \"y\": 0, \"width\": %d, \"height\": %d}]}\n",
                 width, height);
    std::fclose(file);
  }
  return "offscreen:configfile=" + path;
}

// Runs a fresh copy of this program for `which`: ms from just before its launch to its first paint
// shown, or a negative number; a screen of another size than the named one is -2.
double FreshFirstPaint(const char* which, int width, int height) {
  char exe[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return -1.0;
  std::string platform;
  if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr) {
    platform = "QT_QPA_PLATFORM='" + OffscreenPlatform(width, height) + "' ";
  }
  const std::string command = "exec env " + platform + kFreshVariable + "=" + which + " '" +
                              std::string(exe, static_cast<std::size_t>(n)) +
                              "' --benchmark_filter=BM_FirstPaintBesideBareWindow 2>/dev/null";
  const auto launch = std::chrono::steady_clock::now();
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1.0;
  char line[256];
  double ms = -1.0;
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    long long at = 0;
    int painted = 0, screen_width = 0, screen_height = 0;
    if (std::sscanf(line, "first_paint_at %lld %d %d %d", &at, &painted, &screen_width, &screen_height) == 4 && painted == 1) {
      const std::chrono::steady_clock::time_point done{std::chrono::nanoseconds(at)};
      ms = screen_width == width && screen_height == height ? std::chrono::duration<double, std::milli>(done - launch).count() : -2.0;
    }
  }
  pclose(pipe);
  return ms;
}

// Each iteration starts a bare window and the program, one fresh process each, one after the other,
// on a screen of the size the arguments name.
void BM_FirstPaintBesideBareWindow(benchmark::State& state) {
  if (const char* which = std::getenv(kFreshVariable)) MeasureFresh(which);
  const auto width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  double bare_ms = 0.0, program_ms = 0.0;
  bench_support::PairedRatio ratio;
  for (auto _ : state) {
    const double bare = FreshFirstPaint("bare", width, height);
    const double program = FreshFirstPaint("program", width, height);
    if (bare == -2.0 || program == -2.0) {
      state.SkipWithError("the screen is not of the named size");
      return;
    }
    if (bare < 0.0 || program < 0.0) {
      state.SkipWithError("a fresh process gave no first paint");
      return;
    }
    bare_ms += bare;
    program_ms += program;
    ratio.Add(program, bare);
    state.SetIterationTime(program / 1e3);
  }
  const auto runs = static_cast<double>(state.iterations());
  state.counters["program_ms"] = program_ms / runs;
  state.counters["bare_window_ms"] = bare_ms / runs;
  ratio.Report(state);
}
BENCHMARK(BM_FirstPaintBesideBareWindow)
    ->ArgNames({"width", "height"})
    ->Args({1366, 768})
    ->Args({1920, 1080})
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace
