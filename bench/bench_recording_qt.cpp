// The window thread's work per frame while four channels record, on the real Qt window, beside a bare
// Qt window that repaints the same area once a frame.
#include <benchmark/benchmark.h>

// The simulator's headers come before Qt's, whose keyword macros would rename their words.
#include "sim/bus.h"
#include "sim/d2xx.h"

#include "bare_qt_window.h"
#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "acquisition/device_status.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/worker_threads.h"
#include "app/main_window.h"
#include "platform/clock.h"
#include "platform/qt/qt_host.h"

namespace {

// Four channels at 25 kHz, painted 25 times a second: 1,000 samples of each a frame.
constexpr std::uint32_t kRate = 25000;
constexpr std::uint32_t kSamplesPerFrame = kRate / 25;

QApplication& Application() {
  static int argc = 1;
  static char name[] = "bench_recording_qt";
  static char* argv[] = {name, nullptr};
  // Without a display the windows paint off screen.
  if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  static QApplication application(argc, argv);
  return application;
}

// CPU time of the calling thread, in seconds: the window thread's own work, not the workers'.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The main window on the Qt host and an empty simulated bus, on the measurement screen, recording.
struct RecordingWindow {
  RecordingWindow() {
    Application();
    ResetDeviceStatus();
    ResetWorkerStatus();
    sim::Bus::Instance().Reset(sim::ClockMode::Virtual);
    host = std::make_unique<platform::qt::QtHost>(clock);
    MainWindowEnvironment environment = SystemEnvironment();
    environment.BindLibrary = [] { return BindFtdiLibrary(sim::d2xx::Resolve); };
    environment.AvailableMemory = [] { return std::uint64_t{40'000'000}; };
    window = std::make_unique<MainWindow>(*host, environment);
    window->CreateMainWindow(false);
    host->ShowWindow();
    for (int k = 0; k < 300 && window->StartupInProgress != 0; ++k) {
      clock.Advance(33);
      host->Window().RunDueTimers();
      QApplication::processEvents();
    }
    window->GotoGraphScreen();
    GraphView& view = *window->View;
    {
      std::lock_guard lock(view.ViewLock);
      for (auto& channel : view.Channels) channel->Enabled = channel->Shown = channel->SavedShown = 1;
      view.SetChannelFlags(4, 0);
      // The rate of the four channels, on the screen's time scale.
      view.SetKindRate(kRate);
      view.RederiveTimeBase();
    }
    view.Recording = 1;
    view.ComputeStartIndexes();
    Feed();
    Frame();
  }
  ~RecordingWindow() {
    window->View->Recording = 0;
    host->Widget().hide();
    host->Window().Close();
    QApplication::processEvents();
    window.reset();
    host.reset();
    ResetDeviceStatus();
    ResetWorkerStatus();
  }
  // A frame's samples reach the view's columns, as the decoders and the tick would bring them.
  void Feed() {
    GraphView& view = *window->View;
    for (std::uint32_t n = 0; n < kSamplesPerFrame; ++n, ++fed) {
      for (std::size_t k = 0; k < 4; ++k) {
        view.Channel(k).AppendCode(static_cast<std::int16_t>(2048 + 1500 * std::sin(0.004 * fed + k)));
      }
      if (n % 250 == 249) view.AcquisitionTick();
    }
  }
  // The window thread's part: the view invalidated as the tick asks, painted and shown.
  void Frame() {
    window->InvalidateLocal(window->View->ViewRect);
    QApplication::processEvents();
  }
  platform::FakeClock clock;
  std::unique_ptr<platform::qt::QtHost> host;
  std::unique_ptr<MainWindow> window;
  std::uint64_t fed = 0;
};


void BM_RecordingWindowThread(benchmark::State& state) {
  RecordingWindow recording;
  double seconds = 0.0;
  for (auto _ : state) {
    recording.Feed();
    const double start = ThreadSeconds();
    recording.Frame();
    const double spent = ThreadSeconds() - start;
    seconds += spent;
    state.SetIterationTime(spent);
  }
  const GraphView& graph = *recording.window->View;
  const PixelRect& view = graph.ViewRect;
  state.counters["seconds_per_division"] = graph.Scale.SecondsPerDivision;
  state.counters["view_width"] = view.Width();
  state.counters["view_height"] = view.Height();
  state.counters["ms_per_frame"] = 1e3 * seconds / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RecordingWindowThread)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The yardstick: the bare window repaints the recording's view area once a frame.
void BM_BareQtWindowSameArea(benchmark::State& state) {
  QRect area;
  int width = 0, height = 0;
  {
    // The same window and view as the recording's.
    RecordingWindow recording;
    const PixelRect& view = recording.window->View->ViewRect;
    area = QRect(view.Left, view.Top, view.Width(), view.Height());
    width = recording.host->Widget().width();
    height = recording.host->Widget().height();
  }
  BareWindow bare(QSize(width, height));
  bare.show();
  QApplication::processEvents();
  double seconds = 0.0;
  for (auto _ : state) {
    const double start = ThreadSeconds();
    bare.update(area);
    QApplication::processEvents();
    const double spent = ThreadSeconds() - start;
    seconds += spent;
    state.SetIterationTime(spent);
  }
  bare.hide();
  QApplication::processEvents();
  state.counters["ms_per_frame"] = 1e3 * seconds / static_cast<double>(state.iterations());
}
BENCHMARK(BM_BareQtWindowSameArea)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
