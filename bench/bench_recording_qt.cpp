// The whole process's CPU for a second of recording four units of one channel each at 25 kHz on the
// simulated bus (real time: the units' bytes come through the driver's calls to the device worker,
// its decoding and tick), shown on the real Qt window at 1920x1080; beside a bare Qt window, in a
// process of its own, that paints what the program's frames changed (the recording's stripe and the
// value indicators' boxes) with the same pixels at the same moments, taken from a second of the
// program's frames. The two run in turn, their ratio taken second by second. Without a display both
// paint off screen on a screen of that size; a display of another size fails the run.
#include <benchmark/benchmark.h>

// The simulator's headers come before Qt's, whose keyword macros would rename their words.
#include "sim/bus.h"
#include "sim/d2xx.h"
#include "sim/unit_list.h"

#include "bare_qt_window.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "acquisition/device_status.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/worker_threads.h"
#include "app/main_window.h"
#include "app/start_screen_parts.h"
#include "layout/main_controls.h"
#include "platform/clock.h"
#include "platform/qt/qt_host.h"
#include "platform/window_events.h"
#include "bench_support.h"

namespace {

// Four units of the high-rate signal sensor, each recording its one channel at 25 kHz.
constexpr const char* kUnits =
    "auto:kind=44:sine=2048,1500,50;auto:kind=44:sine=2048,1200,20;auto:kind=44:square=800,3300,5;auto:kind=44:noise=2048,600,3";
constexpr std::size_t kUnitCount = 4;

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;

// Names the frames file a fresh copy of this program replays as the bare window, then ends.
constexpr const char* kReplayVariable = "VESSAMOR_BENCH_REPLAY";

QApplication& Application() { return BenchApplication(kScreenWidth, kScreenHeight); }

// CPU time of the calling thread, in seconds: the window thread's own work, not the workers'.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The picture a window shows on the screen, as the display (or Qt's own picture, off screen) has it.
QImage Shown(QWidget& window) {
  return window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// A second of a window's frames: what it showed before them, each frame's moment (µs from the
// second's start) and areas with their new pixels, and what it showed after them.
struct Frames {
  struct Piece {
    QRect Area;
    QImage Pixels;
  };
  struct Frame {
    std::int64_t AtUs = 0;
    std::vector<Piece> Pieces;
  };
  QImage Before;
  QImage After;
  std::vector<Frame> List;

  bool Write(const std::string& path) const {
    std::ofstream file(path, std::ios::binary);
    const auto put = [&file](std::int64_t n) { file.write(reinterpret_cast<const char*>(&n), sizeof n); };
    const auto image = [&](const QImage& i) {
      put(i.width());
      put(i.height());
      for (int y = 0; y < i.height(); ++y) file.write(reinterpret_cast<const char*>(i.constScanLine(y)), 4 * std::streamsize{i.width()});
    };
    image(Before);
    image(After);
    put(static_cast<std::int64_t>(List.size()));
    for (const Frame& frame : List) {
      put(frame.AtUs);
      put(static_cast<std::int64_t>(frame.Pieces.size()));
      for (const Piece& piece : frame.Pieces) {
        put(piece.Area.x());
        put(piece.Area.y());
        image(piece.Pixels);
      }
    }
    return static_cast<bool>(file);
  }
  bool Read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const auto get = [&file] {
      std::int64_t n = 0;
      file.read(reinterpret_cast<char*>(&n), sizeof n);
      return n;
    };
    const auto image = [&] {
      const auto width = static_cast<int>(get()), height = static_cast<int>(get());
      if (!file || width <= 0 || height <= 0 || width > 1 << 14 || height > 1 << 14) return QImage();
      QImage i(width, height, QImage::Format_RGB32);
      for (int y = 0; y < height; ++y) file.read(reinterpret_cast<char*>(i.scanLine(y)), 4 * std::streamsize{width});
      return i;
    };
    Before = image();
    After = image();
    List.resize(static_cast<std::size_t>(std::clamp<std::int64_t>(get(), 0, 100000)));
    for (Frame& frame : List) {
      frame.AtUs = get();
      frame.Pieces.resize(static_cast<std::size_t>(std::clamp<std::int64_t>(get(), 0, 4096)));
      for (Piece& piece : frame.Pieces) {
        const auto x = static_cast<int>(get()), y = static_cast<int>(get());
        piece.Pixels = image();
        piece.Area = QRect(x, y, piece.Pixels.width(), piece.Pixels.height());
      }
    }
    return static_cast<bool>(file) && !Before.isNull();
  }
};

// Where two pictures differ, or empty when they are the same.
std::string Difference(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return "sizes differ";
  for (int y = 0; y < a.height(); ++y) {
    const auto* p = reinterpret_cast<const std::uint32_t*>(a.constScanLine(y));
    const auto* q = reinterpret_cast<const std::uint32_t*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x) {
      if (((p[x] ^ q[x]) & 0xFFFFFFu) != 0) return "at " + std::to_string(x) + "," + std::to_string(y);
    }
  }
  return {};
}

// In the fresh copy: the bare window shows the frames' first picture, settles, replays the frames
// at their moments over one second on the process's CPU clock, then checks that it shows the
// frames' last picture; the seconds and the check are printed for the copy that started it.
[[noreturn]] void ReplayAsBareWindow(const char* path) {
  Application();
  Frames frames;
  if (!frames.Read(path)) {
    std::printf("replay unreadable\n");
    std::fflush(stdout);
    std::_Exit(1);
  }
  BareWindow bare(frames.Before.size(), frames.Before);
  bare.show();
  RunEventsFor(500);
  QEventLoop loop;
  QElapsedTimer clock;
  std::size_t next = 0;
  QTimer frame_timer;
  frame_timer.setSingleShot(true);
  frame_timer.setTimerType(Qt::PreciseTimer);
  const auto schedule = [&] {
    if (next < frames.List.size()) frame_timer.start(static_cast<int>(std::max<std::int64_t>(0, frames.List[next].AtUs / 1000 - clock.elapsed())));
  };
  // A frame's pixels go into the window's picture and its areas are repainted from it.
  QObject::connect(&frame_timer, &QTimer::timeout, [&] {
    for (const Frames::Piece& piece : frames.List[next].Pieces) {
      for (int y = 0; y < piece.Area.height(); ++y) {
        std::memcpy(bare.Picture().scanLine(piece.Area.y() + y) + 4 * piece.Area.x(), piece.Pixels.constScanLine(y),
                    4 * static_cast<std::size_t>(piece.Area.width()));
      }
      bare.update(piece.Area);
    }
    ++next;
    schedule();
  });
  QTimer::singleShot(1000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  const double start = bench_support::ProcessCpuSeconds();
  clock.start();
  schedule();
  loop.exec();
  const double spent = bench_support::ProcessCpuSeconds() - start;
  RunEventsFor(100);
  const std::string difference = next == frames.List.size() ? Difference(Shown(bare), frames.After) : "frames left over";
  std::printf("replay %.9f %zu %s\n", spent, next, difference.empty() ? "same" : difference.c_str());
  std::fflush(stdout);
  std::_Exit(0);
}

// Notes the paints of the program's window, and with `frames` set keeps each one's changes: where
// the window core's picture, which the paint showed, differs from what it showed before, as one
// rectangle for each band of changed columns (the recording's stripe, each value indicator's box),
// with the new pixels there. The changes are taken as the paint is done (a marker posted as it
// begins is delivered as soon as it returns, before the next event).
class FrameRecorder final : public QObject {
 public:
  FrameRecorder(QWidget& widget, const platform::Surface& pixels) : widget_(widget), pixels_(pixels) {
    widget.installEventFilter(this);
  }
  ~FrameRecorder() override { widget_.removeEventFilter(this); }
  void Record(Frames* frames) {
    frames_ = frames;
    if (frames != nullptr) previous_ = Picture().copy();
    clock_.start();
  }
  std::uint64_t paints = 0;
  double painted_pixels = 0.0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &widget_ && event->type() == QEvent::Paint) {
      ++paints;
      const QRegion& region = static_cast<QPaintEvent*>(event)->region();
      for (const QRect& area : region) painted_pixels += area.width() * area.height();
      if (frames_ != nullptr) {
        pending_ += region;
        if (!std::exchange(posted_, true)) QCoreApplication::postEvent(this, new QEvent(kDone), Qt::HighEventPriority);
      }
    }
    return false;
  }
  bool event(QEvent* event) override {
    if (event->type() != kDone) return QObject::event(event);
    posted_ = false;
    if (frames_ == nullptr) return true;
    Frames::Frame frame;
    frame.AtUs = clock_.nsecsElapsed() / 1000;
    const QImage picture = Picture();
    const QRect within = std::exchange(pending_, QRegion()).boundingRect() & picture.rect();
    // Each column's first and last changed row, -1 where none changed.
    std::vector<int> top(static_cast<std::size_t>(picture.width()), -1), bottom(top);
    for (int y = within.top(); y <= within.bottom(); ++y) {
      const auto* now = reinterpret_cast<const std::uint32_t*>(picture.constScanLine(y));
      const auto* before = reinterpret_cast<const std::uint32_t*>(previous_.constScanLine(y));
      for (int x = within.left(); x <= within.right(); ++x) {
        if (((now[x] ^ before[x]) & 0xFFFFFFu) == 0) continue;
        if (top[x] < 0) top[x] = y;
        bottom[x] = y;
      }
    }
    // Bands of changed columns, apart where at least kGap columns in a row are unchanged.
    constexpr int kGap = 16;
    for (int x = within.left(); x <= within.right();) {
      if (top[x] < 0) {
        ++x;
        continue;
      }
      int last = x, high = top[x], low = bottom[x];
      for (int k = x + 1; k <= within.right() && k - last <= kGap; ++k) {
        if (top[k] < 0) continue;
        last = k;
        high = std::min(high, top[k]);
        low = std::max(low, bottom[k]);
      }
      const QRect area(x, high, last - x + 1, low - high + 1);
      frame.Pieces.push_back({area, picture.copy(area)});
      for (int y = area.top(); y <= area.bottom(); ++y) {
        std::memcpy(previous_.scanLine(y) + 4 * area.left(), picture.constScanLine(y) + 4 * area.left(), 4 * static_cast<std::size_t>(area.width()));
      }
      x = last + 1;
    }
    if (!frame.Pieces.empty()) frames_->List.push_back(std::move(frame));
    return true;
  }

 private:
  QImage Picture() const {
    return QImage(pixels_.Pixels(), pixels_.Width(), pixels_.Height(), pixels_.Stride(), QImage::Format_RGB32);
  }
  static constexpr QEvent::Type kDone = QEvent::User;
  QWidget& widget_;
  const platform::Surface& pixels_;
  Frames* frames_ = nullptr;
  QImage previous_;
  QElapsedTimer clock_;
  QRegion pending_;
  bool posted_ = false;
};

// The main window on the Qt host and the simulated bus in real time with the four units, as a user
// brings it to a recording: the units' buttons pressed, "Measurements", Space.
class RecordingWindow {
 public:
  RecordingWindow() {
    Application();
    ResetDeviceStatus();
    ResetWorkerStatus();
    sim::Bus& bus = sim::Bus::Instance();
    bus.Reset(sim::ClockMode::RealTime);
    for (const sim::UnitSpec& unit : sim::ParseUnitList(kUnits)) sim::AttachUnit(bus, unit);
    host = std::make_unique<platform::qt::QtHost>(clock);
    MainWindowEnvironment environment = SystemEnvironment();
    environment.BindLibrary = [] { return BindFtdiLibrary(sim::d2xx::Resolve); };
    window = std::make_unique<MainWindow>(*host, environment);
    parts_ = InstallStartScreenParts(*window);
    window->CreateMainWindow(false);
    host->ShowWindow();
    MainWindow& w = *window;
    ok = Until([&] { return w.Panels[1]->ContentShown != 0 && w.SensorButtons[kUnitCount - 1].Unit != nullptr; });
    for (int attempt = 0; ok && attempt < 5 && w.Bytes.MeasureScreenActive.load() == 0; ++attempt) {
      ok = Until([&] { return w.Devices->Searching.load() == 0; });
      for (std::size_t i = kUnitCount; i-- > 0;) {
        Press(75163 + static_cast<std::int32_t>(i));
        std::lock_guard lock(w.Devices->TableLock);
        w.SlotBinder->MarkSlotForDevice(*w.Devices->DeviceTable[i]);
      }
      w.RefreshDevices(1);
      for (std::size_t i = 0; i < kUnitCount; ++i) w.Bytes.SensorPrepared[i] = 1;
      w.UpdateMeasureButton();
      Press(75172);
    }
    ok = ok && w.Bytes.MeasureScreenActive.load() == 1;
    for (int k = 0; ok && k < 20 && w.View->Recording.load() == 0; ++k) {
      ok = Until([&] { return w.Devices->Searching.load() == 0; });
      w.OnKeyDown(platform::key::kSpace, 1, 0);
      RunEventsFor(100);
    }
    ok = ok && w.View->Recording.load() == 1;
    // The recording under way, its first screen's start behind it.
    RunEventsFor(2000);
  }
  ~RecordingWindow() {
    host->Widget().hide();
    host->Window().Close();
    QApplication::processEvents();
    window.reset();
    host.reset();
    sim::Bus::Instance().Reset(sim::ClockMode::Virtual);
    ResetDeviceStatus();
    ResetWorkerStatus();
  }
  std::uint32_t Samples() {
    std::lock_guard lock(window->View->ViewLock);
    return window->View->SampleCount;
  }
  std::uint32_t Rate() { return window->View->RecordRate; }

  platform::SteadyClock clock;
  std::unique_ptr<platform::qt::QtHost> host;
  std::unique_ptr<MainWindow> window;
  bool ok = false;

 private:
  // Waits while the window runs, at most a minute.
  static bool Until(const std::function<bool()>& done) {
    const auto watchdog = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!done() && std::chrono::steady_clock::now() < watchdog) RunEventsFor(5);
    return done();
  }
  // A left click in the middle of a shown control.
  void Press(std::int32_t id) {
    const platform::Control* control = FindMainControl(host->Window(), id);
    if (control == nullptr || !control->IsVisible()) return;
    const platform::WindowRect r = control->Rect();
    unsigned held = 0;
    for (const platform::MouseKind kind : {platform::MouseKind::Move, platform::MouseKind::LeftDown, platform::MouseKind::LeftUp}) {
      held = kind == platform::MouseKind::LeftDown ? platform::kMouseLeft : 0u;
      host->Window().DeliverMouse(kind, {(r.left + r.right) / 2, (r.top + r.bottom) / 2}, held);
      RunEventsFor(5);
    }
  }
  std::shared_ptr<StartScreenParts> parts_;
};

// Runs the bare window's replay of the frames file in a fresh process while this window runs on:
// its CPU seconds, or a negative number; a failed check ends the run.
double ReplayBeside(const std::string& path) {
  int ends[2];
  if (::pipe(ends) != 0) return -1.0;
  const pid_t child = bench_support::Launch({bench_support::OwnPath(), "--benchmark_filter=BM_RecordingBesideBareWindow"},
                                            {std::string(kReplayVariable) + "=" + path}, ends[1]);
  ::close(ends[1]);
  std::string said;
  QEventLoop loop;
  QSocketNotifier reader(ends[0], QSocketNotifier::Read);
  QObject::connect(&reader, &QSocketNotifier::activated, [&] {
    char buffer[256];
    const ssize_t n = ::read(ends[0], buffer, sizeof buffer);
    if (n <= 0) loop.quit();
    else said.append(buffer, static_cast<std::size_t>(n));
  });
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);
  if (child > 0) loop.exec();
  ::close(ends[0]);
  bench_support::End(child);
  double seconds = -1.0;
  std::size_t replayed = 0;
  char check[200] = {};
  if (std::sscanf(said.c_str(), "replay %lf %zu %199[^\n]", &seconds, &replayed, check) != 3) return -1.0;
  if (std::strcmp(check, "same") != 0) {
    std::fprintf(stderr, "the bare window's replay does not show what the program showed: %s\n", check);
    std::exit(1);
  }
  return seconds;
}

// Each iteration is a second of the program's recording, then a second of the bare window's replay
// in its own process (the program's window thread runs on meanwhile), each on its process's CPU
// clock, so every thread's work counts; the program's window then settles before its next second.
// The set-up takes a second of the program's frames and checks that the bare window, replaying
// them, ends with the picture the program ended with.
void BM_RecordingBesideBareWindow(benchmark::State& state) {
  if (const char* path = std::getenv(kReplayVariable)) ReplayAsBareWindow(path);
  Application();
  const QSize screen = QGuiApplication::primaryScreen()->size();
  if (screen.width() != kScreenWidth || screen.height() != kScreenHeight) {
    state.SkipWithError("the screen is not 1920x1080");
    return;
  }
  RecordingWindow recording;
  if (!recording.ok) {
    state.SkipWithError("the program did not come to a recording of the four units");
    return;
  }
  QWidget& program = recording.host->Widget();
  FrameRecorder recorder(program, recording.host->Window().Pixels());
  Frames frames;
  frames.Before = Shown(program);
  recorder.Record(&frames);
  RunEventsFor(1000);
  recorder.Record(nullptr);
  frames.After = Shown(program);
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("vessamor-bench-recording-frames-" + std::to_string(::getpid()) + ".bin")).string();
  if (!frames.Write(path) || ReplayBeside(path) < 0.0) {
    state.SkipWithError("the bare window's replay gave no answer");
    return;
  }
  RunEventsFor(500);

  bench_support::PairedRatio ratio;
  double program_seconds = 0.0, bare_seconds = 0.0, window_thread_seconds = 0.0;
  std::uint64_t paints = 0, samples = 0;
  double painted_pixels = 0.0;
  for (auto _ : state) {
    const std::uint64_t paints_before = recorder.paints;
    const double painted_before = recorder.painted_pixels;
    const std::uint32_t samples_before = recording.Samples();
    const double start = bench_support::ProcessCpuSeconds();
    const double thread_start = ThreadSeconds();
    RunEventsFor(1000);
    const double spent = bench_support::ProcessCpuSeconds() - start;
    window_thread_seconds += ThreadSeconds() - thread_start;
    paints += recorder.paints - paints_before;
    painted_pixels += recorder.painted_pixels - painted_before;
    samples += recording.Samples() - samples_before;
    const double bare_spent = ReplayBeside(path);
    if (bare_spent <= 0.0) {
      state.SkipWithError("the bare window's replay gave no answer");
      break;
    }
    RunEventsFor(500);
    program_seconds += spent;
    bare_seconds += bare_spent;
    ratio.Add(spent, bare_spent);
    state.SetIterationTime(spent);
  }
  std::filesystem::remove(path);
  const auto seconds = static_cast<double>(state.iterations());
  state.counters["program_core_share"] = program_seconds / seconds;
  state.counters["window_thread_core_share"] = window_thread_seconds / seconds;
  state.counters["bare_window_core_share"] = bare_seconds / seconds;
  state.counters["program_paints_per_s"] = static_cast<double>(paints) / seconds;
  state.counters["bare_window_frames_per_s"] = static_cast<double>(frames.List.size());
  double painted = 0.0;
  for (const Frames::Frame& frame : frames.List) {
    for (const Frames::Piece& piece : frame.Pieces) painted += piece.Area.width() * piece.Area.height();
  }
  state.counters["bare_window_kpixels_per_frame"] = painted / 1e3 / static_cast<double>(std::max<std::size_t>(frames.List.size(), 1));
  state.counters["program_kpixels_per_paint"] = painted_pixels / 1e3 / static_cast<double>(std::max<std::uint64_t>(paints, 1));
  state.counters["samples_per_s"] = static_cast<double>(samples) / seconds;
  state.counters["record_rate"] = recording.Rate();
  ratio.Report(state);
}
// A second of recording 4 x 25 kHz through the bus and its threads, beside a bare window's replay of its frames.
BENCHMARK(BM_RecordingBesideBareWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);

}  // namespace
