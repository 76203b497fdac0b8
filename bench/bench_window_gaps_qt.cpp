// The longest the window's event loop stands still (the gap between ticks of a timer on the window
// thread, past its period) while a full record is exported as text, as a sheet and as a record
// file, and while a large record file is loaded: with the commands' slow steps run aside
// (argument 1) and, for comparison, all on the window thread (argument 0).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bench_support.h"
#include "graph/graph_view.h"
#include "platform/clock.h"
#include "platform/qt/qt_host.h"
#include "records/binary_record.h"
#include "records/file_write.h"
#include "records/record_commands.h"

namespace {

// Four channels of 16 million codes each: a 128 MB record file; the text of its rows about 2 GB.
constexpr std::uint32_t kCapacity = 64'000'000;
constexpr int kTickMs = 5;

QApplication& Application() {
  static int argc = 1;
  static char name[] = "bench_window_gaps_qt";
  static char* argv[] = {name, nullptr};
  if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

// The program's Qt host for what the commands show (progress, work run aside), with the file
// dialogs answered by a name chosen in advance; `aside` false runs the aside work at once instead.
class AnsweringHost final : public platform::HostServices {
 public:
  AnsweringHost(platform::qt::QtHost& host, std::string path, bool aside) : host_(host), path_(std::move(path)), aside_(aside) {}
  bool SetDeviceArrivalHandler(platform::DeviceArrivalHandler) override { return false; }
  platform::HostWindow& Window() override { return host_.Window(); }
  void SetWindowTitle(std::string_view) override {}
  void ShowWindow() override {}
  int RunEventLoop() override { return 0; }
  void ShowMessage(std::string_view text, std::string_view) override { told = std::string(text); }
  void ShowProgress(std::string_view text, std::uint64_t done, std::uint64_t total) override { host_.ShowProgress(text, done, total); }
  void RunAside(std::string_view text, const std::function<void()>& work) override {
    if (aside_) host_.RunAside(text, work);
    else work();
  }
  bool AskYesNo(std::string_view, std::string_view) override { return true; }
  std::optional<platform::FileDialogResult> OpenFileDialog(const platform::FileDialogRequest&) override { return Answer(); }
  std::optional<platform::FileDialogResult> SaveFileDialog(const platform::FileDialogRequest&) override { return Answer(); }
  bool OpenAddress(std::string_view) override { return false; }
  bool UserLocaleIsRussian() const override { return false; }
  platform::ScreenInfo Screen() const override { return host_.Screen(); }
  std::string CommandLine() const override { return {}; }
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
  bool aside_;
};

// The longest gap between a timer's ticks on the window thread, past its period, while `run` runs.
template <class Run>
double LongestGapMs(Run run) {
  using Clock = std::chrono::steady_clock;
  Clock::time_point last = Clock::now();
  double longest = 0.0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    const Clock::time_point now = Clock::now();
    longest = std::max(longest, std::chrono::duration<double, std::milli>(now - last).count() - kTickMs);
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

struct Bench {
  Bench() {
    Application();
    host = std::make_unique<platform::qt::QtHost>(clock);
    host->ShowWindow();
    view.Init(kCapacity, PixelRect{0, 0, 1200, 800}, 0, &window);
    for (std::size_t k = 0; k < 4; ++k) view.Channel(k).Enabled = view.Channel(k).Shown = 1;
    view.SetChannelFlags(4, 0);
    for (std::size_t k = 0; k < 4; ++k) {
      VessamorChannel& ch = view.Channel(k);
      ch.SensorCode = 1;
      ch.RawToValueFn = [](std::int16_t c, const VessamorChannel*) { return c * 0.0025f; };
      while (ch.AppendCode(static_cast<std::int16_t>((ch.CodeCount * 7 + k) & 4095))) {
      }
    }
    view.SampleCount = view.ChannelCapacity;
    view.LastSampleIndex = view.ChannelCapacity - 1;
    view.RecordRate = 25000;
    view.RecordViewable = 1;
    folder = std::filesystem::temp_directory_path() / ("vessamor-bench-gaps-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
  }
  ~Bench() { std::filesystem::remove_all(folder); }
  platform::SteadyClock clock;
  std::unique_ptr<platform::qt::QtHost> host;
  bench_support::HeadlessWindow window;
  GraphView view;
  std::filesystem::path folder;
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
  const std::string path = (b.folder / (std::string("saved") + kExtensions[state.range(0)])).string();
  AnsweringHost host(*b.host, path, state.range(1) != 0);
  records::SaveRange range{};
  std::string title;
  records::RecordCommandContext context{b.view, host, range, title, true, nullptr, {}};
  double longest = 0.0, total = 0.0;
  for (auto _ : state) {
    const double gap = LongestGapMs([&] { records::SaveRecord(context); });
    // The sheet tells how many rows it kept; any other message is a failure.
    if (!std::filesystem::exists(path) || (!host.told.empty() && state.range(0) != 1)) {
      state.SkipWithError(("not saved: " + host.told).c_str());
    }
    host.told.clear();
    longest = std::max(longest, gap);
    total += gap;
    std::filesystem::remove(path);
  }
  Count(state, longest, total);
}

// Argument: run aside or not. The record file of the full view, loaded back into it.
void BM_WindowGapWhileLoading(benchmark::State& state) {
  Bench& b = TheBench();
  const std::string path = (b.folder / "loaded.out").string();
  if (!std::filesystem::exists(path)) records::WriteFileAtomically(path, records::WriteBinaryRecord(b.view, {0, b.view.ChannelCapacity}), nullptr);
  AnsweringHost host(*b.host, path, state.range(0) != 0);
  records::SaveRange range{};
  std::string title;
  records::RecordCommandContext context{b.view, host, range, title, true, nullptr, {}};
  double longest = 0.0, total = 0.0;
  for (auto _ : state) {
    bool loaded = false;
    const double gap = LongestGapMs([&] { loaded = records::OpenRecord(context); });
    if (!loaded) state.SkipWithError(("not loaded: " + host.told).c_str());
    longest = std::max(longest, gap);
    total += gap;
  }
  state.counters["file_MiB"] = static_cast<double>(std::filesystem::file_size(path)) / (1 << 20);
  Count(state, longest, total);
}

}  // namespace

BENCHMARK(BM_WindowGapWhileSaving)
    ->ArgNames({"kind", "aside"})
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_WindowGapWhileLoading)->ArgName("aside")->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
