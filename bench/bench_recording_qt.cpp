// The whole process's CPU for a second of recording four units of one channel each at 25 kHz on the
// simulated bus (real time: the units' bytes come through the driver's calls to the device worker,
// its decoding and tick), shown on the real Qt window at 1920x1080; beside a bare Qt window, in a
// process of its own, that does the same job as plainly as a careful program would: it starts the
// same four units on a simulated bus of its own, reads and decodes their bytes on a thread, reduces
// each screen column to its lowest and highest code, and at the program's frame rate draws the new
// columns of the four curves with Qt's painter over the same plot, and the four value boxes wherever
// their text changes (every 241 ms, the program's pace), showing only what it changed. The two run
// in turn, their ratio taken second by second. Without a display both paint off screen on a screen
// of that size; a display of another size fails the run.
#include <benchmark/benchmark.h>

// The simulator's headers come before Qt's, whose keyword macros would rename their words.
#include "sim/bus.h"
#include "sim/d2xx.h"
#include "sim/unit_list.h"
#include "sim/wired_unit.h"

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
#include <mutex>
#include <array>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "acquisition/device_status.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/worker_threads.h"
#include "app/main_window.h"
#include "app/start_screen_parts.h"
#include "graph/graph_view.h"
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

// Holds the job a fresh copy of this program does as the bare window, then ends.
constexpr const char* kBareVariable = "VESSAMOR_BENCH_BARE";

QApplication& Application() { return BenchApplication(kScreenWidth, kScreenHeight); }

// CPU time of the calling thread, in seconds: the window thread's own work, not the workers'.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// What the bare window copies of the program's screen: its frame rate, the plot, the four value
// boxes, and the columns a screen of the recording takes, as the environment variable's numbers.
struct BareJob {
  double FramesPerSecond = 25.0;
  QRect Plot;
  std::array<QRect, kUnitCount> Boxes{};
  double SecondsPerScreen = 1.0;

  std::string Encode() const {
    std::string text = std::to_string(FramesPerSecond) + " " + std::to_string(SecondsPerScreen);
    for (const QRect& r : {Plot, Boxes[0], Boxes[1], Boxes[2], Boxes[3]}) {
      for (const int v : {r.x(), r.y(), r.width(), r.height()}) text += " " + std::to_string(v);
    }
    return text;
  }
  bool Decode(const char* text) {
    int v[20] = {};
    if (std::sscanf(text, "%lf %lf %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d", &FramesPerSecond,
                    &SecondsPerScreen, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10],
                    &v[11], &v[12], &v[13], &v[14], &v[15], &v[16], &v[17], &v[18], &v[19]) != 22) {
      return false;
    }
    Plot = QRect(v[0], v[1], v[2], v[3]);
    for (std::size_t k = 0; k < kUnitCount; ++k) Boxes[k] = QRect(v[4 + 4 * k], v[5 + 4 * k], v[6 + 4 * k], v[7 + 4 * k]);
    return FramesPerSecond > 0.0 && SecondsPerScreen > 0.0 && Plot.width() > 1 && Plot.height() > 1;
  }
};

// The four units' codes as a plain reader takes them: each unit opened and started at 25 kHz, its
// bytes read as they come and cut into two-byte frames, the codes kept per unit until the window
// takes them.
class BareReader {
 public:
  BareReader() {
    sim::Bus& bus = sim::Bus::Instance();
    bus.Reset(sim::ClockMode::RealTime);
    for (const sim::UnitSpec& unit : sim::ParseUnitList(kUnits)) sim::AttachUnit(bus, unit);
    for (std::size_t k = 0; k < kUnitCount; ++k) {
      if (sim::d2xx::FT_Open(static_cast<int>(k), &handles_[k]) != FT_OK) return;
      // One channel every 40 µs.
      std::uint8_t start[] = {sim::WiredStartByte, 1, sim::WiredStartMarker, 40, 0, 0};
      DWORD written = 0;
      sim::d2xx::FT_Write(handles_[k], start, sizeof start, &written);
    }
    ok = true;
    thread_ = std::thread([this] { Run(); });
  }
  ~BareReader() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    for (FT_HANDLE handle : handles_) {
      if (handle != nullptr) sim::d2xx::FT_Close(handle);
    }
  }
  // The codes read since the last call, per unit.
  void Take(std::array<std::vector<std::uint16_t>, kUnitCount>& codes) {
    std::lock_guard lock(mutex_);
    for (std::size_t k = 0; k < kUnitCount; ++k) {
      codes[k].clear();
      codes[k].swap(codes_[k]);
    }
  }
  bool ok = false;

 private:
  void Run() {
    std::array<std::vector<std::uint8_t>, kUnitCount> bytes;
    std::array<std::vector<std::uint16_t>, kUnitCount> decoded;
    while (!stop_) {
      for (std::size_t k = 0; k < kUnitCount; ++k) {
        DWORD queued = 0;
        if (sim::d2xx::FT_GetQueueStatus(handles_[k], &queued) != FT_OK || queued == 0) continue;
        const std::size_t kept = bytes[k].size();
        bytes[k].resize(kept + queued);
        DWORD read = 0;
        sim::d2xx::FT_Read(handles_[k], bytes[k].data() + kept, queued, &read);
        bytes[k].resize(kept + read);
        std::size_t i = 0;
        for (; i + 1 < bytes[k].size(); i += 2) {
          decoded[k].push_back(static_cast<std::uint16_t>((bytes[k][i] & 0x7F) | ((bytes[k][i + 1] & 0x1F) << 7)));
        }
        bytes[k].erase(bytes[k].begin(), bytes[k].begin() + static_cast<std::ptrdiff_t>(i));
      }
      {
        std::lock_guard lock(mutex_);
        for (std::size_t k = 0; k < kUnitCount; ++k) {
          codes_[k].insert(codes_[k].end(), decoded[k].begin(), decoded[k].end());
          decoded[k].clear();
        }
      }
      // The program's device worker rests as long between its polls.
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  std::array<FT_HANDLE, kUnitCount> handles_{};
  std::mutex mutex_;
  std::array<std::vector<std::uint16_t>, kUnitCount> codes_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The bare window: a frameless window that shows a picture of its own, repainting what it is asked
// to; the picture is in the pixel format Qt's own picture of a window has on this kind of display,
// laid over it as it stands (no blending, no conversion).
class BareRecordingWindow final : public QWidget {
 public:
  explicit BareRecordingWindow(const QSize& size) : picture_(size, QImage::Format_ARGB32_Premultiplied) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    picture_.fill(Qt::white);
    resize(size);
  }
  QImage& Picture() { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& rect : event->region()) painter.drawImage(rect.topLeft(), picture_, rect);
  }

 private:
  QImage picture_;
};

// The bare window's recording: a picture of the screen in which the plot is swept column by column
// (each column a stroke from its lowest to its highest code, joined to the column before) and the
// value boxes are drawn where their text changes; each frame shows only the areas it changed.
class BareRecording {
 public:
  BareRecording(const BareJob& job, BareRecordingWindow& window) : job_(job), window_(window) {
    samples_per_column_ = 25000.0 * job.SecondsPerScreen / job.Plot.width();
    ClearPlot();
    for (QRect& shown : shown_boxes_) shown = QRect();
  }
  // One frame: the samples read since the last, reduced and drawn; the boxes every 241 ms.
  void Frame(std::int64_t now_ms) {
    reader_.Take(fresh_);
    QPainter painter(&window_.Picture());
    // The curves keep out of the boxes.
    QRegion outside(job_.Plot);
    for (const QRect& box : job_.Boxes) outside -= box;
    painter.setClipRegion(outside);
    QRect changed;
    for (std::size_t k = 0; k < kUnitCount; ++k) {
      read_samples_ += static_cast<std::int64_t>(fresh_[k].size());
      // Each column a bar two pixels wide from its highest code to its lowest, reaching to where the
      // column before ended: the min/max envelope, filled rather than stroked.
      painter.setPen(Qt::NoPen);
      const QBrush brush(kColours[k]);
      const auto y = [&](std::uint16_t c) { return job_.Plot.bottom() - (job_.Plot.height() - 1) * c / 4095; };
      for (const std::uint16_t code : fresh_[k]) {
        samples_[k] += 1;
        low_[k] = std::min(low_[k], code);
        high_[k] = std::max(high_[k], code);
        last_[k] = code;
        if (samples_[k] < samples_per_column_) continue;
        const int x = job_.Plot.left() + column_[k];
        int top = y(high_[k]), bottom = y(low_[k]);
        if (previous_[k] >= 0) {
          top = std::min(top, previous_[k]);
          bottom = std::max(bottom, previous_[k]);
        }
        painter.fillRect(QRect(x - 1, top, 2, bottom - top + 1), brush);
        previous_[k] = y(last_[k]);
        changed |= QRect(x - 1, job_.Plot.top(), 2, job_.Plot.height());
        samples_[k] = 0;
        low_[k] = 0xFFFF;
        high_[k] = 0;
        if (++column_[k] >= job_.Plot.width()) {
          column_[k] = 0;
          previous_[k] = -1;
          wrapped_ = true;
        }
      }
    }
    painter.setClipping(false);
    if (wrapped_) {
      // A new screen: the plot is cleared and shown whole, the boxes laid again over it.
      wrapped_ = false;
      painter.end();
      ClearPlot();
      for (std::size_t k = 0; k < kUnitCount; ++k) column_[k] = 0;
      changed = job_.Plot;
      painter.begin(&window_.Picture());
      painter.setRenderHint(QPainter::Antialiasing, true);
    }
    if (now_ms - last_box_ms_ >= 241) {
      last_box_ms_ = now_ms;
      for (std::size_t k = 0; k < kUnitCount; ++k) {
        const QString text = QString::number(last_[k] / 4095.0, 'f', 3);
        if (text == texts_[k] && shown_boxes_[k] == job_.Boxes[k]) continue;
        texts_[k] = text;
        shown_boxes_[k] = job_.Boxes[k];
        DrawBox(painter, job_.Boxes[k], text, kColours[k]);
        changed |= job_.Boxes[k];
        window_.update(job_.Boxes[k]);
      }
    }
    if (!changed.isEmpty()) window_.update(changed & job_.Plot);
    ++frames;
  }
  std::int64_t Samples() const { return read_samples_; }
  bool ok() const { return reader_.ok; }
  std::uint64_t frames = 0;
  std::int64_t read_samples_ = 0;

 private:
  static constexpr std::array<QColor, kUnitCount> kColours = {QColor(255, 0, 0), QColor(0, 64, 255), QColor(255, 0, 255), QColor(0, 255, 0)};

  void ClearPlot() {
    QPainter painter(&window_.Picture());
    painter.fillRect(job_.Plot, Qt::white);
    painter.setPen(QPen(QColor(230, 230, 230), 1.0));
    for (int i = 1; i < 10; ++i) {
      const int x = job_.Plot.left() + job_.Plot.width() * i / 10, y = job_.Plot.top() + job_.Plot.height() * i / 10;
      painter.drawLine(x, job_.Plot.top(), x, job_.Plot.bottom());
      painter.drawLine(job_.Plot.left(), y, job_.Plot.right(), y);
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (std::size_t k = 0; k < kUnitCount; ++k) {
      if (!texts_[k].isEmpty()) DrawBox(painter, job_.Boxes[k], texts_[k], kColours[k]);
    }
  }
  static void DrawBox(QPainter& painter, const QRect& box, const QString& text, const QColor& colour) {
    if (box.isEmpty()) return;
    painter.fillRect(box, Qt::white);
    painter.setPen(QPen(QColor(10, 10, 70, 155), 2.0));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(box).adjusted(1, 1, -1, -1), 20, 20);
    QFont font = painter.font();
    font.setPixelSize(std::max(8, box.height() * 7 / 10));
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(box.adjusted(8, 0, -16, 0), Qt::AlignRight | Qt::AlignVCenter, text);
  }

  BareJob job_;
  BareRecordingWindow& window_;
  BareReader reader_;
  double samples_per_column_ = 1.0;
  std::array<std::vector<std::uint16_t>, kUnitCount> fresh_;
  std::array<int, kUnitCount> samples_{}, column_{};
  std::array<std::uint16_t, kUnitCount> low_{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}, high_{}, last_{};
  std::array<int, kUnitCount> previous_{-1, -1, -1, -1};
  std::array<QString, kUnitCount> texts_;
  std::array<QRect, kUnitCount> shown_boxes_{};
  std::int64_t last_box_ms_ = -1000;
  bool wrapped_ = false;
};

// In the fresh copy: the bare window records for a second and a half to settle, then a second on
// the process's CPU clock; the seconds, its frames and the codes it took are printed for the copy
// that started it.
[[noreturn]] void RunBareWindow(const char* job_text) {
  Application();
  BareJob job;
  if (!job.Decode(job_text)) {
    std::printf("bare unreadable\n");
    std::fflush(stdout);
    std::_Exit(1);
  }
  const QSize screen = QGuiApplication::primaryScreen()->size();
  BareRecordingWindow bare(screen);
  bare.show();
  BareRecording recording(job, bare);
  if (!recording.ok()) {
    std::printf("bare no units\n");
    std::fflush(stdout);
    std::_Exit(1);
  }
  QElapsedTimer clock;
  clock.start();
  QTimer frames;
  frames.setTimerType(Qt::PreciseTimer);
  QObject::connect(&frames, &QTimer::timeout, [&] { recording.Frame(clock.elapsed()); });
  frames.start(static_cast<int>(std::lround(1000.0 / job.FramesPerSecond)));
  RunEventsFor(1500);
  const std::uint64_t frames_before = recording.frames;
  const double start = bench_support::ProcessCpuSeconds();
  RunEventsFor(1000);
  const double spent = bench_support::ProcessCpuSeconds() - start;
  std::printf("bare %.9f %llu %lld\n", spent, static_cast<unsigned long long>(recording.frames - frames_before),
              static_cast<long long>(recording.Samples()));
  std::fflush(stdout);
  std::_Exit(0);
}

// Counts the paints of the program's window and the area they cover.
class PaintCounter final : public QObject {
 public:
  explicit PaintCounter(QWidget& widget) : widget_(widget) { widget.installEventFilter(this); }
  ~PaintCounter() override { widget_.removeEventFilter(this); }
  std::uint64_t paints = 0;
  double painted_pixels = 0.0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &widget_ && event->type() == QEvent::Paint) {
      ++paints;
      for (const QRect& area : static_cast<QPaintEvent*>(event)->region()) painted_pixels += area.width() * area.height();
    }
    return false;
  }

 private:
  QWidget& widget_;
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

// What a second of the bare window cost and did.
struct BareSecond {
  double Seconds = -1.0;
  std::uint64_t Frames = 0;
  long long Samples = 0;
};

// Runs the bare window's job in a fresh process while this window runs on.
BareSecond RunBareBeside(const BareJob& job) {
  BareSecond second;
  int ends[2];
  if (::pipe(ends) != 0) return second;
  const pid_t child = bench_support::Launch({bench_support::OwnPath(), "--benchmark_filter=BM_RecordingBesideBareWindow"},
                                            {std::string(kBareVariable) + "=" + job.Encode()}, ends[1]);
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
  unsigned long long frames = 0;
  if (std::sscanf(said.c_str(), "bare %lf %llu %lld", &second.Seconds, &frames, &second.Samples) != 3) return BareSecond{};
  second.Frames = frames;
  return second;
}

// Each iteration is a second of the program's recording, then a second of the bare window's job in
// its own process (the program's window thread runs on meanwhile), each on its process's CPU clock,
// so every thread's work counts; the program's window then settles before its next second. The
// set-up takes the program's frame rate, plot and value boxes over a second, for the bare window to
// do the same.
void BM_RecordingBesideBareWindow(benchmark::State& state) {
  if (const char* job = std::getenv(kBareVariable)) RunBareWindow(job);
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
  PaintCounter counter(program);
  RunEventsFor(1000);
  BareJob job;
  job.FramesPerSecond = std::max<double>(1.0, static_cast<double>(counter.paints));
  {
    GraphView& view = *recording.window->View;
    std::lock_guard lock(view.ViewLock);
    const PixelRect& plot = view.PlotRect;
    job.Plot = QRect(plot.Left, plot.Top, plot.Right - plot.Left, plot.Bottom - plot.Top);
    for (std::size_t k = 0; k < kUnitCount; ++k) {
      const PixelRect& box = view.Painting.Indicators[k].Box;
      job.Boxes[k] = QRect(box.Left, box.Top, box.Right - box.Left, box.Bottom - box.Top);
    }
    job.SecondsPerScreen = view.Scale.SamplesPerColumn * view.PlotWidth / std::max<std::uint32_t>(view.RecordRate, 1u);
  }
  if (RunBareBeside(job).Seconds < 0.0) {
    state.SkipWithError("the bare window gave no answer");
    return;
  }
  RunEventsFor(500);

  bench_support::PairedRatio ratio;
  double program_seconds = 0.0, bare_seconds = 0.0, window_thread_seconds = 0.0;
  std::uint64_t paints = 0, samples = 0, bare_frames = 0;
  long long bare_samples = 0;
  double painted_pixels = 0.0;
  for (auto _ : state) {
    const std::uint64_t paints_before = counter.paints;
    const double painted_before = counter.painted_pixels;
    const std::uint32_t samples_before = recording.Samples();
    const double start = bench_support::ProcessCpuSeconds();
    const double thread_start = ThreadSeconds();
    RunEventsFor(1000);
    const double spent = bench_support::ProcessCpuSeconds() - start;
    window_thread_seconds += ThreadSeconds() - thread_start;
    paints += counter.paints - paints_before;
    painted_pixels += counter.painted_pixels - painted_before;
    samples += recording.Samples() - samples_before;
    const BareSecond bare = RunBareBeside(job);
    if (bare.Seconds <= 0.0) {
      state.SkipWithError("the bare window gave no answer");
      break;
    }
    RunEventsFor(500);
    program_seconds += spent;
    bare_seconds += bare.Seconds;
    bare_frames += bare.Frames;
    bare_samples += bare.Samples;
    ratio.Add(spent, bare.Seconds);
    state.SetIterationTime(spent);
  }
  const auto seconds = static_cast<double>(state.iterations());
  state.counters["program_core_share"] = program_seconds / seconds;
  state.counters["window_thread_core_share"] = window_thread_seconds / seconds;
  state.counters["bare_window_core_share"] = bare_seconds / seconds;
  state.counters["program_paints_per_s"] = static_cast<double>(paints) / seconds;
  state.counters["bare_window_frames_per_s"] = static_cast<double>(bare_frames) / seconds;
  state.counters["program_kpixels_per_paint"] = painted_pixels / 1e3 / static_cast<double>(std::max<std::uint64_t>(paints, 1));
  state.counters["samples_per_s"] = static_cast<double>(samples) / seconds;
  // Each of the bare window's runs reads its units for two and a half seconds.
  state.counters["bare_window_samples_per_s_per_unit"] = static_cast<double>(bare_samples) / seconds / 2.5 / kUnitCount;
  state.counters["record_rate"] = recording.Rate();
  ratio.Report(state);
}
// A second of recording 4 x 25 kHz through the bus and its threads, beside a bare window doing the same job.
BENCHMARK(BM_RecordingBesideBareWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);

}  // namespace
