// The longest the main window's event loop stands still (the gap between ticks of a timer on the
// window thread, past its period) while its full record, filtered (a median over 20 and smoothing
// over 20 on every channel, set through the window's settings panel command), is saved through its
// File list as text, as a sheet and as a record file, and while that record file is loaded through
// it, into the window that showed it or into one just started: the assembled window on the Qt host,
// with the commands' slow steps run aside (argument 1) and, for comparison, all on the window thread
// (argument 0). The text export is also timed beside its yardstick, the same stream with the view lock
// held while each piece is formatted (let go only while it is written), in the same run. What it
// writes goes when it ends.
#include <benchmark/benchmark.h>

// The simulator's headers come before Qt's, whose keyword macros would rename their words.
#include "sim/bus.h"
#include "sim/d2xx.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "bare_qt_window.h"

#include "acquisition/device_status.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/worker_threads.h"
#include "app/filter_panel_window.h"
#include "app/main_window.h"
#include "bench_support.h"
#include "channels/filter_panel_command.h"
#include "graph/graph_view.h"
#include "platform/clock.h"
#include "platform/qt/qt_host.h"
#include "records/binary_record.h"
#include "records/file_write.h"
#include "records/record_writers.h"
#include "records/text_record.h"

namespace {

// The window's full record (on a machine with the memory for it): four channels of 15 million codes
// each, a 120 MB record file; the text of its rows about 2 GB.
constexpr int kTickMs = 5;
constexpr std::int32_t kFilterWindow = 20;

QApplication& Application() { return BenchApplication(); }

// The yardstick of the text stream: the view lock held while each piece of rows is formatted, let go
// only while the piece is written, the same text.
bool StreamFormattedUnderLock(const GraphView& view, const records::SaveRange& range, bool english,
                              const records::TextPieceSink& sink, std::mutex* view_lock) {
  std::unique_lock lock(*view_lock);
  return records::StreamTextRecord(view, range, english, [&](std::string_view piece, std::uint64_t done, std::uint64_t rows) {
    lock.unlock();
    const bool ok = sink(piece, done, rows);
    lock.lock();
    return ok;
  });
}

// The machine's own floor: no rows at all, the file job only counting on for as long as the program's
// last text export took, in steps of 10 ms, so that the window shows the same progress box over the
// same time while nothing of the record is read, formatted or written.
std::atomic<double> last_export_ms{1000.0};
bool CountOnAlone(const GraphView&, const records::SaveRange&, bool, const records::TextPieceSink& sink, std::mutex*) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point begin = Clock::now();
  const auto total = std::chrono::duration<double, std::milli>(last_export_ms.load());
  constexpr std::uint64_t kSteps = 1000;
  for (Clock::time_point now = begin; now - begin < total; now = Clock::now()) {
    const auto done = static_cast<std::uint64_t>((now - begin) / total * kSteps);
    if (!sink({}, done, kSteps)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// The formats the bench's windows save with: the program's, or with the yardstick's text stream.
records::RecordFormats& BenchFormats() {
  static records::RecordFormats formats = records::InstalledFormats();
  return formats;
}

// The program's Qt host, with the file dialogs answered by a name chosen in advance and what the
// commands tell kept; `aside` false runs the aside work at once instead.
class AnsweringHost final : public platform::HostServices {
 public:
  explicit AnsweringHost(platform::qt::QtHost& host) : host_(host) {}
  bool SetDeviceArrivalHandler(platform::DeviceArrivalHandler) override { return false; }
  platform::HostWindow& Window() override { return host_.Window(); }
  void SetWindowTitle(std::string_view title) override { host_.SetWindowTitle(title); }
  void SetWindowIcon(const platform::Surface& icon) override { host_.SetWindowIcon(icon); }
  void ShowWindow() override { host_.ShowWindow(); }
  int RunEventLoop() override { return 0; }
  void ShowMessage(std::string_view text, std::string_view) override { told = std::string(text); }
  void ShowProgress(std::string_view text, std::uint64_t done, std::uint64_t total) override { host_.ShowProgress(text, done, total); }
  void RunAside(std::string_view text, const std::function<void()>& work) override {
    if (aside_) host_.RunAside(text, work);
    else work();
  }
  void RunAsideCounted(std::string_view text, const std::function<void()>& work, platform::AsideProgress& progress) override {
    if (aside_) host_.RunAsideCounted(text, work, progress);
    else work();
  }
  bool AskYesNo(std::string_view, std::string_view) override { return true; }
  platform::SaveChoice AskToSave(const platform::SaveQuestion&) override { return platform::SaveChoice::DontSave; }
  std::optional<platform::FileDialogResult> OpenFileDialog(const platform::FileDialogRequest&) override { return Answer(); }
  std::optional<platform::FileDialogResult> SaveFileDialog(const platform::FileDialogRequest&) override { return Answer(); }
  bool OpenAddress(std::string_view) override { return false; }
  bool UserLocaleIsRussian() const override { return false; }
  platform::ScreenInfo Screen() const override { return host_.Screen(); }
  std::string CommandLine() const override { return {}; }
  std::optional<platform::Surface> DesktopUnderWindow() override { return host_.DesktopUnderWindow(); }
  platform::AudioOutput* Audio() override { return host_.Audio(); }
  void SetPath(std::string path) { path_ = std::move(path); }
  void SetAside(bool aside) { aside_ = aside; }
  std::string told;

 private:
  std::optional<platform::FileDialogResult> Answer() const {
    platform::FileDialogResult result;
    result.path = path_;
    result.filterIndex = 1;
    return result;
  }
  platform::qt::QtHost& host_;
  std::string path_;
  bool aside_ = true;
};

// The longest gap between a timer's ticks on the window thread, past its period, while `run` runs.
// With `probe`, each tick also takes that lock as a paint does, and the longest wait for it is kept
// in `longest_wait` (ms), besides counting in the gap.
template <class Run>
double LongestGapMs(Run run, std::mutex* probe = nullptr, double* longest_wait = nullptr) {
  using Clock = std::chrono::steady_clock;
  Clock::time_point last = Clock::now();
  double longest = 0.0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    const Clock::time_point now = Clock::now();
    longest = std::max(longest, std::chrono::duration<double, std::milli>(now - last).count() - kTickMs);
    // The wait for the lock is the window's stand-still too: it counts in the gap to the next tick.
    if (probe != nullptr && longest_wait != nullptr) {
      { const std::lock_guard lock(*probe); }
      *longest_wait = std::max(*longest_wait, std::chrono::duration<double, std::milli>(Clock::now() - now).count());
    }
    last = now;
  });
  timer.start(kTickMs);
  QApplication::processEvents();
  last = Clock::now();
  run();
  // The gap up to the command's end counts too.
  longest = std::max(longest, std::chrono::duration<double, std::milli>(Clock::now() - last).count() - kTickMs);
  return longest;
}

// A main window of its own on a Qt host of its own (its timers on the steady clock) and an empty
// simulated bus, on the measurement screen with nothing loaded: as fresh as the program after its start.
struct Session {
  Session() : answering(host) {
    ResetDeviceStatus();
    ResetWorkerStatus();
    sim::Bus::Instance().Reset(sim::ClockMode::Virtual);
    MainWindowEnvironment environment = SystemEnvironment();
    environment.BindLibrary = [] { return BindFtdiLibrary(sim::d2xx::Resolve); };
    environment.AvailableMemory = [] { return std::uint64_t{1} << 32; };
    environment.RecordFormats = &BenchFormats();
    window = std::make_unique<MainWindow>(answering, environment);
    window->CreateMainWindow(false);
    host.ShowWindow();
    const auto watchdog = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (window->StartupInProgress != 0 && std::chrono::steady_clock::now() < watchdog) RunEventsFor(20);
    window->GotoGraphScreen();
    RunEventsFor(100);
  }

  static const platform::Clock& Clock() {
    Application();
    static platform::SteadyClock clock;
    return clock;
  }

  platform::qt::QtHost host{Clock()};
  AnsweringHost answering;
  std::unique_ptr<MainWindow> window;
};

// The folder of the record file and the saved files, removed with all it holds when the program ends.
struct Folder {
  Folder() : path(std::filesystem::temp_directory_path() / ("vessamor-bench-gaps-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path);
  }
  ~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};

Folder& TheFolder() {
  static Folder folder;
  return folder;
}

// The window with its full record loaded through File and filtered through its settings panel's command.
struct Bench {
  Bench() : folder(TheFolder().path), record((folder / "record.out").string()) {
    Renew();
    WriteRecordFile();
    ok = Load(record) && Filtered();
    if (!ok) {
      std::fprintf(stderr, "record not ready: told \"%s\", viewable %d, %u of %u samples (%u written), screen %d\n",
                   session->answering.told.c_str(), static_cast<int>(window().View->RecordViewable.load()), window().View->SampleCount,
                   window().View->ChannelCapacity, samples, window().Bytes.MeasureScreenActive.load());
    }
  }

  MainWindow& window() { return *session->window; }
  AnsweringHost& answering() { return session->answering; }
  // A new window in place of the one there, which goes with its record.
  void Renew() {
    session.reset();
    session = std::make_unique<Session>();
  }

  // The record file: four channels of as many codes as the window's view holds, written once.
  void WriteRecordFile() {
    bench_support::HeadlessWindow services;
    GraphView plain;
    plain.Init(window().SampleCapacity, PixelRect{0, 0, 1200, 800}, 0, &services);
    for (std::size_t k = 0; k < 4; ++k) plain.Channel(k).Enabled = plain.Channel(k).Shown = 1;
    plain.SetChannelFlags(4, 0);
    samples = plain.ChannelCapacity - 1;
    for (std::size_t k = 0; k < 4; ++k) {
      VessamorChannel& ch = plain.Channel(k);
      ch.SensorCode = 1;
      ch.RawToValueFn = [](std::int16_t c, const VessamorChannel*) { return c * 0.0025f; };
      for (std::uint32_t i = 0; i < samples; ++i) ch.AppendCode(static_cast<std::int16_t>((i * 7 + k) & 4095));
    }
    plain.SampleCount = samples;
    plain.LastSampleIndex = samples - 1;
    plain.RecordRate = 25000;
    plain.RecordViewable = 1;
    records::WriteFileAtomically(record, records::WriteBinaryRecord(plain, {0, samples}), nullptr);
  }
  // File, then the command of the list's row, the dialog answering `path`.
  void FileCommand(int row, const std::string& path) {
    answering().SetPath(path);
    window().MenuNotification(0, row, *window().View);
  }
  bool Load(const std::string& path) {
    answering().told.clear();
    FileCommand(1, path);
    return window().View->RecordViewable != 0 && answering().told.empty() && window().View->SampleCount >= samples;
  }
  // A median and smoothing on every channel, as the settings panel's items set them.
  void Filter() {
    for (std::uint8_t k = 0; k < 4; ++k) {
      MainWindowFilterPanel panel_window(window(), *window().View);
      FilterPanelState panel;
      panel.Channel = k;
      panel.MedianOn = panel.AveragingOn = true;
      panel.MedianWindow = panel.AveragingWindow = kFilterWindow;
      OnFilterPanelCommand(*window().View, panel_window, 3, panel);
      OnFilterPanelCommand(*window().View, panel_window, 4, panel);
    }
    RunEventsFor(200);
  }
  bool Filtered() {
    Filter();
    for (std::size_t k = 0; k < 4; ++k) {
      const VessamorChannel& ch = window().View->Channel(k);
      if (ch.MedianOn == 0 || ch.SmoothingOn == 0) {
        std::fprintf(stderr, "channel %zu: median %d (%d), smoothing %d (%d)\n", k, ch.MedianOn, ch.MedianWindow, ch.SmoothingOn, ch.SmoothingWindow);
        return false;
      }
    }
    return true;
  }

  std::unique_ptr<Session> session;
  std::filesystem::path folder;
  std::string record;
  std::uint32_t samples = 0;
  bool ok = false;
};

Bench& TheBench() {
  static Bench* bench = new Bench;
  return *bench;
}

void Count(benchmark::State& state, double longest, double total) {
  state.counters["longest_gap_ms"] = longest;
  state.counters["mean_longest_gap_ms"] = total / static_cast<double>(state.iterations());
}

// Argument 0: the file's kind (0 ".txt", 1 ".xls", 2 ".out"); argument 1: run aside or not.
void BM_WindowGapWhileSaving(benchmark::State& state) {
  static constexpr const char* kExtensions[] = {".txt", ".xls", ".out"};
  Bench& b = TheBench();
  if (!b.ok) {
    state.SkipWithError("the window's record was not loaded and filtered");
    return;
  }
  const std::string path = (b.folder / (std::string("saved") + kExtensions[state.range(0)])).string();
  b.answering().SetAside(state.range(1) != 0);
  double longest = 0.0, total = 0.0;
  for (auto _ : state) {
    const double gap = LongestGapMs([&] { b.FileCommand(2, path); });
    // The sheet tells how many rows it kept; any other message is a failure.
    if (!std::filesystem::exists(path) || (!b.answering().told.empty() && state.range(0) != 1)) {
      state.SkipWithError(("not saved: " + b.answering().told).c_str());
    }
    b.answering().told.clear();
    longest = std::max(longest, gap);
    total += gap;
    std::filesystem::remove(path);
  }
  Count(state, longest, total);
}

// The whole filtered record saved as text, aside, by the program's stream (the view lock held only
// while codes are copied) and by the yardstick (each piece formatted under the view lock) in turn, the
// order turned in every iteration, so that what else the machine does meets both alike; and, as the
// floor, a file job that only counts on for as long, under the same progress box (what the window
// stands still for with no record read at all: the display server's answers and the scheduler).
// Per way: the longest stand-still, its mean over the iterations and the iterations past 50 ms, and
// the longest a paint's taking of the view lock waited.
void BM_WindowGapWhileExportingText(benchmark::State& state) {
  Bench& b = TheBench();
  if (!b.ok) {
    state.SkipWithError("the window's record was not loaded and filtered");
    return;
  }
  const std::string path = (b.folder / "exported.txt").string();
  b.answering().SetAside(true);
  constexpr double kStandStillMs = 50.0;
  struct Way {
    records::RecordStreamFn Stream;
    double Longest = 0.0, Total = 0.0, LongestWait = 0.0;
    int Over = 0;
  };
  std::array<Way, 3> ways{Way{records::InstalledFormats().StreamText}, Way{&StreamFormattedUnderLock}, Way{&CountOnAlone}};
  constexpr std::array<const char*, 3> kNames{"lock free", "formatted under the lock", "no rows, the box alone"};
  std::uintmax_t bytes = 0;
  int iteration = 0;
  for (auto _ : state) {
    for (int turn = 0; turn < 3; ++turn) {
      const std::size_t index = static_cast<std::size_t>((turn + iteration) % 3);
      Way& way = ways[index];
      BenchFormats().StreamText = way.Stream;
      double wait = 0.0;
      const auto begin = std::chrono::steady_clock::now();
      const double gap = LongestGapMs([&] { b.FileCommand(2, path); }, &b.window().View->ViewLock, &wait);
      if (index == 0) last_export_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
      if (!std::filesystem::exists(path) || !b.answering().told.empty()) state.SkipWithError(("not saved: " + b.answering().told).c_str());
      // Both ways that write write the same text: the same length every time.
      const std::uintmax_t size = std::filesystem::exists(path) ? std::filesystem::file_size(path) : 0;
      if (index != 2 && bytes != 0 && size != bytes) state.SkipWithError("the two ways wrote texts of different lengths");
      if (index != 2) bytes = size;
      b.answering().told.clear();
      std::fprintf(stderr, "%s: stand-still %.1f ms, wait for the view lock %.1f ms\n", kNames[index], gap, wait);
      way.LongestWait = std::max(way.LongestWait, wait);
      way.Longest = std::max(way.Longest, gap);
      way.Total += gap;
      way.Over += gap > kStandStillMs ? 1 : 0;
      std::filesystem::remove(path);
    }
    ++iteration;
  }
  BenchFormats().StreamText = records::InstalledFormats().StreamText;
  const double n = static_cast<double>(state.iterations());
  state.counters["text_MiB"] = static_cast<double>(bytes) / (1 << 20);
  state.counters["longest_gap_ms"] = ways[0].Longest;
  state.counters["mean_longest_gap_ms"] = ways[0].Total / n;
  state.counters["runs_over_50ms"] = ways[0].Over;
  state.counters["longest_lock_wait_ms"] = ways[0].LongestWait;
  state.counters["yardstick_longest_lock_wait_ms"] = ways[1].LongestWait;
  state.counters["yardstick_longest_gap_ms"] = ways[1].Longest;
  state.counters["yardstick_mean_longest_gap_ms"] = ways[1].Total / n;
  state.counters["yardstick_runs_over_50ms"] = ways[1].Over;
  state.counters["floor_longest_gap_ms"] = ways[2].Longest;
  state.counters["floor_mean_longest_gap_ms"] = ways[2].Total / n;
  state.counters["floor_runs_over_50ms"] = ways[2].Over;
  state.SetLabel("yardstick: the same text, each piece formatted under the view lock; floor: no rows, the box alone");
}

// Argument: run aside or not. The record file of the full view, loaded back into the window, its
// filters set again after each load.
void BM_WindowGapWhileLoading(benchmark::State& state) {
  Bench& b = TheBench();
  if (!b.ok) {
    state.SkipWithError("the window's record was not loaded and filtered");
    return;
  }
  b.answering().SetAside(state.range(0) != 0);
  double longest = 0.0, total = 0.0;
  for (auto _ : state) {
    bool loaded = false;
    const double gap = LongestGapMs([&] { loaded = b.Load(b.record); });
    if (!loaded) state.SkipWithError(("not loaded: " + b.answering().told).c_str());
    state.PauseTiming();
    b.Filter();
    state.ResumeTiming();
    longest = std::max(longest, gap);
    total += gap;
  }
  state.counters["file_MiB"] = static_cast<double>(std::filesystem::file_size(b.record)) / (1 << 20);
  Count(state, longest, total);
}

// Argument: run aside or not. The record file of the full view loaded into a window just started,
// whose view has held no record yet: a new window for each load.
void BM_WindowGapWhileLoadingFirst(benchmark::State& state) {
  Bench& b = TheBench();
  if (!b.ok) {
    state.SkipWithError("the window's record was not loaded and filtered");
    return;
  }
  double longest = 0.0, total = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    b.Renew();
    b.answering().SetAside(state.range(0) != 0);
    state.ResumeTiming();
    bool loaded = false;
    const double gap = LongestGapMs([&] { loaded = b.Load(b.record); });
    if (!loaded) state.SkipWithError(("not loaded: " + b.answering().told).c_str());
    longest = std::max(longest, gap);
    total += gap;
  }
  // The benchmarks after this one find the window as they expect it.
  b.ok = b.Filtered();
  state.counters["file_MiB"] = static_cast<double>(std::filesystem::file_size(b.record)) / (1 << 20);
  Count(state, longest, total);
}

}  // namespace

// The window's longest stand-still while File saves its filtered full record, by kind, aside or not.
BENCHMARK(BM_WindowGapWhileSaving)
    ->ArgNames({"kind", "aside"})
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// The window's longest stand-still while File saves the whole filtered record as text, beside the
// yardstick that formats each piece under the view lock.
BENCHMARK(BM_WindowGapWhileExportingText)->Iterations(8)->Unit(benchmark::kMillisecond)->UseRealTime();
// The window's longest stand-still while File loads the full record file, aside or not.
BENCHMARK(BM_WindowGapWhileLoading)->ArgName("aside")->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
// The same for the first load after the window's start.
BENCHMARK(BM_WindowGapWhileLoadingFirst)->ArgName("aside")->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
