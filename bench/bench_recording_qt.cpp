// The whole process's CPU per frame while four channels record at 25 kHz, on the real Qt window at
// 1920x1080, beside a bare Qt window of the same size that repaints the same area once a frame: the
// two in turn, their ratio taken frame by frame. Without a display both paint off screen on a
// screen of that size; a display of another size fails the run.
#include <benchmark/benchmark.h>

// The simulator's headers come before Qt's, whose keyword macros would rename their words.
#include "sim/bus.h"
#include "sim/d2xx.h"

#include "bare_qt_window.h"
#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "acquisition/device_status.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/worker_threads.h"
#include "app/main_window.h"
#include "platform/clock.h"
#include "platform/qt/qt_host.h"
#include "bench_support.h"

namespace {

// Four channels at 25 kHz, painted 25 times a second: 1,000 samples of each a frame.
constexpr std::uint32_t kRate = 25000;
constexpr std::uint32_t kSamplesPerFrame = kRate / 25;

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;

QApplication& Application() {
  static int argc = 1;
  static char name[] = "bench_recording_qt";
  static char* argv[] = {name, nullptr};
  // Without a display the windows paint off screen, on a screen of the named size.
  if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr) {
    static const std::string config = "/tmp/vessamor-bench-recording-screen-" + std::to_string(::getpid()) + ".json";
    if (FILE* file = std::fopen(config.c_str(), "w")) {
      std::fprintf(file, "{\"screens\": [{\"name\": \"bench\", \"x\": 0, \"y\": 0, \"width\": %d, \"height\": %d}]}\n",
                   kScreenWidth, kScreenHeight);
      std::fclose(file);
    }
    setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
  }
  // One application for the whole run, never destroyed: as a static destroyed at exit it would free
  // its input devices after Qt's own globals they reach are gone, and crash.
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

bool ScreenAsNamed() {
  const QSize size = QGuiApplication::primaryScreen()->size();
  return size.width() == kScreenWidth && size.height() == kScreenHeight;
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
  // A frame's samples reach the view's columns, as the decoders and the tick would bring them; the
  // wave's codes are worked out once, so what is timed is the program's work on them.
  void Feed() {
    GraphView& view = *window->View;
    for (std::uint32_t n = 0; n < kSamplesPerFrame; ++n, ++fed) {
      for (std::size_t k = 0; k < 4; ++k) view.Channel(k).AppendCode(Wave()[(fed + 400 * k) % kWavePeriod]);
      if (n % 250 == 249) view.AcquisitionTick();
    }
  }
  static constexpr std::uint32_t kWavePeriod = 1571;  // about 2 pi / 0.004
  static const std::vector<std::int16_t>& Wave() {
    static const std::vector<std::int16_t> wave = [] {
      std::vector<std::int16_t> codes(kWavePeriod);
      for (std::uint32_t i = 0; i < kWavePeriod; ++i) codes[i] = static_cast<std::int16_t>(2048 + 1500 * std::sin(0.004 * i));
      return codes;
    }();
    return wave;
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


// The window's picture as the display shows it must be the program's own; a difference ends the run.
void RequireShownAsPainted(QWidget& window, const platform::Surface& painted) {
  const QImage shown = window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
  if (shown.width() < window.width() || shown.height() < window.height()) {
    std::fprintf(stderr, "the window's picture could not be taken from the display\n");
    std::exit(1);
  }
  const int width = std::min(shown.width(), painted.Width()), height = std::min(shown.height(), painted.Height());
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(shown.constScanLine(y));
    for (int x = 0; x < width; ++x) {
      std::uint32_t pixel = 0;
      std::memcpy(&pixel, painted.Row(y) + 4 * x, 4);
      if (((row[x] ^ pixel) & 0xFFFFFFu) != 0) {
        std::fprintf(stderr, "the window shows %06X at %d,%d where the program painted %06X\n", row[x] & 0xFFFFFFu, x, y,
                     pixel & 0xFFFFFFu);
        std::exit(1);
      }
    }
  }
}

// Each iteration is a second of recording, 25 frames: the program's (a frame's samples brought in
// and ticked, the view painted and shown) with its window alone on the display, then the bare
// window's with its own alone, each second on the process's CPU clock, so every thread's work counts;
// the window thread's own share of the program's frames beside it. Showing a window again is done
// and settled before its second is timed.
constexpr int kFramesASecond = 25;

void BM_RecordingBesideBareWindow(benchmark::State& state) {
  Application();
  if (!ScreenAsNamed()) {
    state.SkipWithError("the screen is not 1920x1080");
    return;
  }
  RecordingWindow recording;
  QWidget& program = recording.host->Widget();
  // The window shows only what each frame changed: after a second of frames what the display (or
  // Qt's own picture, off screen) shows must be the program's picture, pixel for pixel.
  for (int frame = 0; frame < kFramesASecond; ++frame) {
    recording.Feed();
    recording.Frame();
  }
  for (int k = 0; k < 10; ++k) QApplication::processEvents();
  RequireShownAsPainted(program, recording.host->Window().Pixels());
  const PixelRect& view = recording.window->View->ViewRect;
  const QRect area(view.Left, view.Top, view.Width(), view.Height());
  BareWindow bare(program.size());
  // On a display the two full-screen windows would cover each other; off screen each has its own
  // picture, and both stay shown.
  const bool on_display = QGuiApplication::platformName() != QStringLiteral("offscreen");
  if (!on_display) bare.show();
  const auto alone = [on_display](QWidget& shown, QWidget& hidden) {
    if (on_display) {
      hidden.hide();
      shown.show();
    }
    for (int k = 0; k < 10; ++k) QApplication::processEvents();
  };
  bench_support::PairedRatio ratio;
  double program_seconds = 0.0, bare_seconds = 0.0, window_thread_seconds = 0.0;
  for (auto _ : state) {
    alone(program, bare);
    double start = bench_support::ProcessCpuSeconds();
    const double thread_start = ThreadSeconds();
    for (int frame = 0; frame < kFramesASecond; ++frame) {
      recording.Feed();
      recording.Frame();
    }
    window_thread_seconds += ThreadSeconds() - thread_start;
    const double spent = bench_support::ProcessCpuSeconds() - start;
    alone(bare, program);
    start = bench_support::ProcessCpuSeconds();
    for (int frame = 0; frame < kFramesASecond; ++frame) {
      bare.update(area);
      QApplication::processEvents();
    }
    const double bare_spent = bench_support::ProcessCpuSeconds() - start;
    program_seconds += spent;
    bare_seconds += bare_spent;
    ratio.Add(spent, bare_spent);
    state.SetIterationTime(spent);
  }
  bare.hide();
  program.show();
  QApplication::processEvents();
  const double frames = static_cast<double>(state.iterations()) * kFramesASecond;
  state.counters["view_width"] = view.Width();
  state.counters["view_height"] = view.Height();
  state.counters["window_width"] = program.width();
  state.counters["window_height"] = program.height();
  state.counters["program_ms_per_frame"] = 1e3 * program_seconds / frames;
  state.counters["window_thread_ms_per_frame"] = 1e3 * window_thread_seconds / frames;
  state.counters["bare_window_ms_per_frame"] = 1e3 * bare_seconds / frames;
  state.counters["ratio_of_totals"] = program_seconds / bare_seconds;
  ratio.Report(state);
}
BENCHMARK(BM_RecordingBesideBareWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
