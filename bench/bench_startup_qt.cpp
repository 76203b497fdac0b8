// First paint of the program's window on the real Qt window, in a fresh process, beside a bare Qt
// window's first paint in a fresh process of its own.
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


// In the fresh copy: from before the application exists (and, for the program, before what its host
// begins ahead of it) to the first paint shown, in ms, printed for the copy that started it.
[[noreturn]] void MeasureFresh(const std::string& which) {
  const auto start = std::chrono::steady_clock::now();
  if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
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
  const auto watchdog = start + std::chrono::seconds(60);
  while (!watch.painted && std::chrono::steady_clock::now() < watchdog) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  }
  const double ms = std::chrono::duration<double, std::milli>(watch.done - start).count();
  std::printf("first_paint %.3f %d\n", ms, watch.painted ? 1 : 0);
  std::fflush(stdout);
  std::_Exit(0);
}

// Runs a fresh copy of this program for `which`; its first paint in ms, or a negative number.
double FreshFirstPaint(const char* which) {
  char exe[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return -1.0;
  const std::string command = std::string(kFreshVariable) + "=" + which + " '" +
                              std::string(exe, static_cast<std::size_t>(n)) +
                              "' --benchmark_filter=BM_FirstPaintBesideBareWindow 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1.0;
  char line[256];
  double ms = -1.0;
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    double value = 0.0;
    int painted = 0;
    if (std::sscanf(line, "first_paint %lf %d", &value, &painted) == 2 && painted == 1) ms = value;
  }
  pclose(pipe);
  return ms;
}

// Each iteration starts a bare window and the program, one fresh process each, one after the other.
void BM_FirstPaintBesideBareWindow(benchmark::State& state) {
  if (const char* which = std::getenv(kFreshVariable)) MeasureFresh(which);
  double bare_ms = 0.0, program_ms = 0.0;
  for (auto _ : state) {
    const double bare = FreshFirstPaint("bare");
    const double program = FreshFirstPaint("program");
    if (bare < 0.0 || program < 0.0) {
      state.SkipWithError("a fresh process gave no first paint");
      return;
    }
    bare_ms += bare;
    program_ms += program;
    state.SetIterationTime(program / 1e3);
  }
  const auto runs = static_cast<double>(state.iterations());
  state.counters["program_ms"] = program_ms / runs;
  state.counters["bare_window_ms"] = bare_ms / runs;
  state.counters["ratio"] = program_ms / bare_ms;
}
BENCHMARK(BM_FirstPaintBesideBareWindow)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
