// What the benchmarks stand on: a counting main window and a poll clock instead of a window; the
// wall and CPU clocks, a same-output check and paired ratios for the benchmarks beside yardsticks.
#pragma once

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/unit_events.h"
#include "channels/main_window_services.h"

namespace bench_support {

class HeadlessWindow : public MainWindowServices {
 public:
  float ScaleX() const override { return 1.0f; }
  float ScaleY() const override { return 1.0f; }
  float UiScale() const override { return 1.0f; }
  float AspectRatio() const override { return 1280.0f / 994.0f; }
  std::int32_t ScreenWidth() const override { return 1280; }
  std::int32_t ScreenHeight() const override { return 994; }
  std::int32_t StripMargin() const override { return 10; }
  void InvalidateLocal(const PixelRect&) override { Redraws.fetch_add(1, std::memory_order_relaxed); }
  void InvalidateLocal() override { Redraws.fetch_add(1, std::memory_order_relaxed); }
  void ClampUnitRate(const DeviceSlot&, std::uint32_t&, std::uint8_t) override {}
  // Nothing of the window's own stands behind a benchmark.
  void MarkFirstChannelPerSensor() override {}
  void SetWindowTimer(std::uint32_t, std::uint32_t) override {}
  void InitHelpPanel(const PixelRect&) override {}
  void LayoutPanels() override {}
  void SetChannelButton(std::size_t, std::uint8_t, std::uint8_t) override {}
  void DrawValueIndicator(VessamorChannel&, agg_ren&, std::int32_t, std::uint8_t, std::uint16_t) override {}
  void RestoreArea(agg_ren&, const PixelRect&) override {}
  void CloseFileMenu() override {}
  void ClosePopups() override {}
  void ReleaseButtonsExcept(std::uint32_t) override {}
  void ReleaseZoomButton() override {}
  void ShowScaleSliders(bool) override {}
  void SetScaleSliders(float, float) override {}
  void NextHelpPage() override {}
  bool CycleSettingsDevice(std::int32_t, std::int32_t) override { return false; }
  void UpdateChannelRecordButtons(std::uint8_t) override {}
  std::atomic<std::uint64_t> Redraws{0};
};

// Ten milliseconds pass with every tick, as they would between polls.
class PollClock : public UnitClock {
 public:
  std::uint32_t NowMs() override { return Now += 10; }
  void SleepMs(std::uint32_t ms) override { Now += ms; }
  std::uint32_t Now = 0;
};

// CPU seconds of the whole process: every thread's work, none of the waiting.
inline double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Seconds by the clock on the wall: what a user waits.
inline double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The time one piece of work took on the wall and on the process's CPU (every thread's).
struct Spent {
  double Wall = 0.0;
  double Cpu = 0.0;
};

template <class Work>
Spent Measure(Work&& work) {
  const double wall = WallSeconds(), cpu = ProcessCpuSeconds();
  work();
  return {WallSeconds() - wall, ProcessCpuSeconds() - cpu};
}

// A yardstick is worth comparing with only when it makes the same output from the same data: when
// the two differ, says where and ends the run with a failure.
inline void RequireSameOutput(std::string_view what, std::string_view program, std::string_view yardstick) {
  if (program == yardstick) return;
  const auto at = static_cast<std::size_t>(
      std::mismatch(program.begin(), program.end(), yardstick.begin(), yardstick.end()).first - program.begin());
  std::fprintf(stderr, "%.*s: the yardstick's output differs from the program's at byte %zu (sizes %zu and %zu)\n",
               static_cast<int>(what.size()), what.data(), at, program.size(), yardstick.size());
  std::exit(1);
}

// Ratios of the program's time to its yardstick's, taken pair by pair (the two run in turn, so a
// drift of the machine's speed moves both); reported as the median and the spread.
class PairedRatio {
 public:
  void Add(double program, double yardstick) {
    if (yardstick > 0.0) ratios_.push_back(program / yardstick);
  }
  void Report(benchmark::State& state, const std::string& name = "ratio") {
    if (ratios_.empty()) return;
    std::sort(ratios_.begin(), ratios_.end());
    const std::size_t n = ratios_.size();
    state.counters[name] = n % 2 == 1 ? ratios_[n / 2] : 0.5 * (ratios_[n / 2 - 1] + ratios_[n / 2]);
    state.counters[name + "_min"] = ratios_.front();
    state.counters[name + "_max"] = ratios_.back();
  }

 private:
  std::vector<double> ratios_;
};

// A program and its yardstick timed in turn on both clocks: the ratio of their wall-clock times
// (what a user waits on) taken pair by pair, the ratio of their CPU times beside it, and each one's
// mean wall-clock and CPU milliseconds.
class PairedClocks {
 public:
  void Add(const Spent& program, const Spent& yardstick) {
    wall_.Add(program.Wall, yardstick.Wall);
    cpu_.Add(program.Cpu, yardstick.Cpu);
    program_.Wall += program.Wall;
    program_.Cpu += program.Cpu;
    yardstick_.Wall += yardstick.Wall;
    yardstick_.Cpu += yardstick.Cpu;
    ++pairs_;
  }
  void Report(benchmark::State& state, const std::string& name = "ratio_to_yardstick") {
    if (pairs_ == 0) return;
    wall_.Report(state, name);
    cpu_.Report(state, name + "_cpu");
    const double per_pair_ms = 1e3 / pairs_;
    state.counters["program_wall_ms"] = program_.Wall * per_pair_ms;
    state.counters["program_cpu_ms"] = program_.Cpu * per_pair_ms;
    state.counters["yardstick_wall_ms"] = yardstick_.Wall * per_pair_ms;
    state.counters["yardstick_cpu_ms"] = yardstick_.Cpu * per_pair_ms;
  }

 private:
  PairedRatio wall_, cpu_;
  Spent program_, yardstick_;
  int pairs_ = 0;
};

// Kibibytes of a line of /proc/self/status ("VmRSS", "VmHWM"), or of another process's.
inline double StatusKiB(std::string_view key, pid_t process = 0) {
  std::ifstream status(process > 0 ? "/proc/" + std::to_string(process) + "/status" : std::string("/proc/self/status"));
  for (std::string line; std::getline(status, line);) {
    if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 && line[key.size()] == ':') {
      return std::stod(line.substr(key.size() + 1));
    }
  }
  return 0.0;
}

// The resident memory a piece of work takes at its peak and keeps after it, in MiB beyond what the
// process held before it.
struct MemoryPeak {
  double Peak = -1.0;
  double Kept = -1.0;
};

// Runs `prepare` and then `work` in a fresh child process, measuring `work` alone. A fresh process's
// peak starts at what it holds when it is made (and is set there again where the kernel allows), and
// the heap's free memory is given back before the work, so the figure is read the same way every
// run, whatever earlier benchmarks took and freed. Negative when the child gave no answer.
template <class Prepare, class Work>
MemoryPeak PeakInChild(Prepare prepare, Work work) {
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe_ends[0]);
    // Memory freed earlier but still resident would be taken again unseen: it goes back first.
    ::malloc_trim(0);
    prepare();
    ::malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    const double before = StatusKiB("VmRSS");
    work();
    const double answer[2] = {(StatusKiB("VmHWM") - before) / 1024, (StatusKiB("VmRSS") - before) / 1024};
    const bool sent = ::write(pipe_ends[1], answer, sizeof answer) == static_cast<ssize_t>(sizeof answer);
    ::_exit(sent ? 0 : 1);
  }
  ::close(pipe_ends[1]);
  double answer[2] = {-1.0, -1.0};
  const bool got = child > 0 && ::read(pipe_ends[0], answer, sizeof answer) == static_cast<ssize_t>(sizeof answer);
  ::close(pipe_ends[0]);
  if (child > 0) ::waitpid(child, nullptr, 0);
  return got ? MemoryPeak{answer[0], answer[1]} : MemoryPeak{};
}

// This benchmark program's own file, for fresh copies of it.
inline std::string OwnPath() {
  char path[4096] = {};
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

// Starts `command` (looked up on PATH) with this process's environment and the variables of
// `environment` ("NAME=value") over it; its output goes to `output` (a descriptor of this process)
// or nowhere, its errors nowhere. The process's id, or -1.
inline pid_t Launch(const std::vector<std::string>& command, const std::vector<std::string>& environment, int output = -1) {
  std::vector<std::string> variables;
  for (char** v = environ; *v != nullptr; ++v) {
    const std::string_view name(*v, std::strcspn(*v, "="));
    const bool replaced = std::any_of(environment.begin(), environment.end(), [name](const std::string& e) {
      return e.size() > name.size() && e.compare(0, name.size(), name) == 0 && e[name.size()] == '=';
    });
    if (!replaced) variables.emplace_back(*v);
  }
  variables.insert(variables.end(), environment.begin(), environment.end());
  std::vector<char*> argv, envp;
  for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
  for (const std::string& e : variables) envp.push_back(const_cast<char*>(e.c_str()));
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (output >= 0) posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
  else posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t child = -1;
  const int failed = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return failed == 0 ? child : -1;
}

// Ends a process this one started and waits for it: asked first, then made to.
inline void End(pid_t child) {
  if (child <= 0) return;
  ::kill(child, SIGTERM);
  for (int k = 0; k < 500; ++k) {
    if (::waitpid(child, nullptr, WNOHANG) != 0) return;
    ::usleep(10'000);
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
}

}  // namespace bench_support
