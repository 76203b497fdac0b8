// Start-up of the program's own binary (build/vessamor, as a user starts it, on the simulated bus's
// default units) from its launch to its first frame on the X server, beside a bare Qt widget's
// program (bare_first_frame: one frameless widget over the work area, one frame of one colour
// painted, nothing read): each launched in turn, their first frames seen from outside as the
// server's damage to the screen once it has covered all of it, with each process's resident memory
// at that moment. The two share no code but Qt.
// Runs on the display DISPLAY names, which must be of the named size, or, without one, on an Xvfb
// of that size started for the run (on the first free display from VESSAMOR_BENCH_FIRST_DISPLAY on,
// where that is set).
#include <benchmark/benchmark.h>

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench_support.h"

namespace {

// An X display for the run: the one named, or an Xvfb of the named size started here and ended with it.
class Display {
 public:
  Display(int width, int height) {
    if (const char* named = std::getenv("DISPLAY"); named != nullptr && *named != '\0') {
      name_ = named;
      return;
    }
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    // Where the run is told the first display number it may take, the first free one from there.
    if (const char* from = std::getenv("VESSAMOR_BENCH_FIRST_DISPLAY"); from != nullptr && *from != '\0') {
      for (int number = std::atoi(from); number < std::atoi(from) + 8 && name_.empty(); ++number) {
        const std::string n = std::to_string(number);
        if (std::filesystem::exists("/tmp/.X" + n + "-lock")) continue;
        xvfb_ = bench_support::Launch({"Xvfb", ":" + n, "-screen", "0", screen, "-nolisten", "tcp"}, {});
        for (int k = 0; k < 300 && !std::filesystem::exists("/tmp/.X11-unix/X" + n); ++k) ::usleep(10'000);
        if (std::filesystem::exists("/tmp/.X11-unix/X" + n)) {
          name_ = ":" + n;
        } else {
          bench_support::End(std::exchange(xvfb_, -1));
        }
      }
      return;
    }
    int ends[2];
    if (::pipe(ends) != 0) return;
    const std::string fd = std::to_string(ends[1]);
    // Xvfb writes the display's number to the pipe's end it inherits.
    xvfb_ = bench_support::Launch({"Xvfb", "-displayfd", fd, "-screen", "0", screen, "-nolisten", "tcp"}, {});
    ::close(ends[1]);
    char number[32] = {};
    pollfd wait{ends[0], POLLIN, 0};
    if (xvfb_ > 0 && ::poll(&wait, 1, 30000) == 1 && ::read(ends[0], number, sizeof number - 1) > 0) {
      name_ = ":" + std::string(number, std::strcspn(number, "\n"));
    }
    ::close(ends[0]);
  }
  ~Display() { bench_support::End(xvfb_); }
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
  pid_t xvfb_ = -1;
};

// Watches the screen of an X display for damage: what any client draws on it.
class DamageWatch {
 public:
  explicit DamageWatch(const std::string& display) {
    // A connection made just after another one to the server went may be refused: tried again.
    for (int attempt = 0; attempt < 20; ++attempt) {
      connection_ = xcb_connect(display.c_str(), nullptr);
      if (xcb_connection_has_error(connection_) == 0) break;
      xcb_disconnect(connection_);
      connection_ = nullptr;
      ::usleep(50'000);
    }
    if (connection_ == nullptr) return;
    screen_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection_, &xcb_damage_id);
    if (extension == nullptr || extension->present == 0) return;
    first_event_ = extension->first_event;
    std::free(xcb_damage_query_version_reply(connection_, xcb_damage_query_version(connection_, 1, 1), nullptr));
    const xcb_damage_damage_t damage = xcb_generate_id(connection_);
    xcb_damage_create(connection_, damage, screen_->root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    ready_ = true;
    Quiet();
  }
  ~DamageWatch() {
    if (connection_ != nullptr) xcb_disconnect(connection_);
  }
  bool Ready() const { return ready_; }
  int Width() const { return screen_->width_in_pixels; }
  int Height() const { return screen_->height_in_pixels; }

  // Forgets what was drawn so far, once nothing more has been drawn for a tenth of a second (at
  // most two seconds on): the screen's background where the last window went comes first.
  void Quiet() {
    const auto watchdog = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    bool drawn = true;
    while (drawn && std::chrono::steady_clock::now() < watchdog) {
      std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
      drawn = false;
      while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        drawn = true;
        std::free(event);
      }
      if (!drawn) {
        pollfd wait{xcb_get_file_descriptor(connection_), POLLIN, 0};
        drawn = ::poll(&wait, 1, 100) == 1;
      }
    }
  }
  // Waits until what is drawn on the screen from now on has covered all of it (a window's first
  // frame may reach the server in several pieces), while `alive` runs, at most a minute.
  bool AwaitCoveredScreen(pid_t alive) {
    const int width = Width(), height = Height();
    std::vector<std::uint8_t> covered(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    std::size_t left = covered.size();
    const auto watchdog = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < watchdog) {
      while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        if ((event->response_type & 0x7F) == first_event_ + XCB_DAMAGE_NOTIFY) {
          const xcb_rectangle_t area = reinterpret_cast<xcb_damage_notify_event_t*>(event)->area;
          const int x0 = std::max<int>(area.x, 0), x1 = std::min<int>(area.x + area.width, width);
          for (int y = std::max<int>(area.y, 0); y < std::min<int>(area.y + area.height, height); ++y) {
            std::uint8_t* row = covered.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
            for (int x = x0; x < x1; ++x) left -= std::exchange(row[x], std::uint8_t{1}) == 0 ? 1 : 0;
          }
        }
        std::free(event);
        if (left == 0) return true;
      }
      if (xcb_connection_has_error(connection_) != 0 || ::waitpid(alive, nullptr, WNOHANG) != 0) return false;
      pollfd wait{xcb_get_file_descriptor(connection_), POLLIN, 0};
      ::poll(&wait, 1, 100);
    }
    return false;
  }
  // The whole screen's pixels, 4 bytes each.
  std::vector<std::uint8_t> Screen() {
    xcb_get_image_reply_t* image = xcb_get_image_reply(
        connection_,
        xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, screen_->root, 0, 0, screen_->width_in_pixels,
                      screen_->height_in_pixels, ~0u),
        nullptr);
    std::vector<std::uint8_t> pixels;
    if (image != nullptr) {
      const std::uint8_t* data = xcb_get_image_data(image);
      pixels.assign(data, data + xcb_get_image_data_length(image));
      std::free(image);
    }
    return pixels;
  }

 private:
  xcb_connection_t* connection_ = nullptr;
  xcb_screen_t* screen_ = nullptr;
  std::uint8_t first_event_ = 0;
  bool ready_ = false;
};

// One launch: ms from just before it to its first frame covering the screen, the process's
// resident memory then, and (when asked) the screen as that first frame left it.
struct FirstFrame {
  double Ms = -1.0;
  double ResidentMiB = -1.0;
  std::vector<std::uint8_t> Screen;
};

FirstFrame LaunchOnce(DamageWatch& watch, const std::vector<std::string>& command, const std::vector<std::string>& environment,
                      bool keep_screen) {
  watch.Quiet();
  FirstFrame frame;
  const auto launch = std::chrono::steady_clock::now();
  const pid_t child = bench_support::Launch(command, environment);
  if (child > 0 && watch.AwaitCoveredScreen(child)) {
    frame.Ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - launch).count();
    frame.ResidentMiB = bench_support::StatusKiB("VmRSS", child) / 1024.0;
    if (keep_screen) frame.Screen = watch.Screen();
  }
  bench_support::End(child);
  return frame;
}

// A launch that shows nothing (a process that could not start on a busy machine) is tried again, twice at most.
FirstFrame Launch(DamageWatch& watch, const std::vector<std::string>& command, const std::vector<std::string>& environment,
                  bool keep_screen) {
  FirstFrame frame;
  for (int attempt = 0; attempt < 3 && frame.Ms < 0.0; ++attempt) frame = LaunchOnce(watch, command, environment, keep_screen);
  if (frame.Ms < 0.0) std::fprintf(stderr, "%s showed no first frame\n", command.front().c_str());
  return frame;
}

// Skips the run, saying why on the error stream too (where a failed repetition stays seen).
void Skip(benchmark::State& state, const char* why) {
  std::fprintf(stderr, "%s\n", why);
  state.SkipWithError(why);
}

// Each iteration launches the program and the bare widget, one after the other, on a screen of the
// size the arguments name; one launch of each comes first, untimed, to warm the file cache.
void BM_FirstFrameBesideBareWidget(benchmark::State& state) {
  const auto width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  Display display(width, height);
  if (display.Name().empty()) {
    Skip(state, "no X display: none is named and Xvfb did not start");
    return;
  }
  DamageWatch watch(display.Name());
  if (!watch.Ready()) {
    Skip(state, "the X display has no damage extension");
    return;
  }
  if (watch.Width() != width || watch.Height() != height) {
    Skip(state, "the display is not of the named size");
    return;
  }
  // As a user starts it: on the X server, the simulated driver beside it, nothing else told.
  const std::vector<std::string> program_command{VESSAMOR_PROGRAM_PATH};
  const std::vector<std::string> program_environment{"DISPLAY=" + display.Name(), "QT_QPA_PLATFORM=xcb",
                                                     "LD_LIBRARY_PATH=" VESSAMOR_SIM_LIBRARY_DIR};
  const std::vector<std::string> bare_command{BARE_FIRST_FRAME_PATH};
  const std::vector<std::string> bare_environment{"DISPLAY=" + display.Name(), "QT_QPA_PLATFORM=xcb"};
  const FirstFrame first = Launch(watch, program_command, program_environment, true);
  if (first.Ms < 0.0) {
    Skip(state, "the program showed no first frame");
    return;
  }
  // The program's first frame kept for a look, where asked: its rows of 4-byte pixels in a file
  // named by the variable and the screen's size.
  if (const char* keep = std::getenv("VESSAMOR_BENCH_FIRST_FRAME")) {
    std::ofstream(std::string(keep) + "-" + std::to_string(width) + "x" + std::to_string(height) + ".raw", std::ios::binary)
        .write(reinterpret_cast<const char*>(first.Screen.data()), static_cast<std::streamsize>(first.Screen.size()));
  }
  if (Launch(watch, bare_command, bare_environment, false).Ms < 0.0) {
    Skip(state, "the bare widget showed no first frame");
    return;
  }

  bench_support::PairedRatio ratio;
  double program_ms = 0.0, bare_ms = 0.0, program_mib = 0.0, bare_mib = 0.0;
  int pairs = 0, failed = 0;
  for (auto _ : state) {
    const FirstFrame program = Launch(watch, program_command, program_environment, false);
    const FirstFrame bare = Launch(watch, bare_command, bare_environment, false);
    // A pair with a launch that showed nothing is counted and left out (every repetition keeps its
    // number of iterations).
    if (program.Ms < 0.0 || bare.Ms < 0.0) {
      ++failed;
      state.SetIterationTime(0.0);
      continue;
    }
    ++pairs;
    program_ms += program.Ms;
    bare_ms += bare.Ms;
    program_mib += program.ResidentMiB;
    bare_mib += bare.ResidentMiB;
    ratio.Add(program.Ms, bare.Ms);
    state.SetIterationTime(program.Ms / 1e3);
  }
  const auto runs = static_cast<double>(std::max(pairs, 1));
  state.counters["failed_launches"] = failed;
  state.counters["program_ms"] = program_ms / runs;
  state.counters["bare_widget_ms"] = bare_ms / runs;
  state.counters["resident_MiB"] = program_mib / runs;
  state.counters["bare_widget_MiB"] = bare_mib / runs;
  ratio.Report(state);
}
// Launch to first frame of the program's binary and of the bare Qt widget, in turn.
BENCHMARK(BM_FirstFrameBesideBareWidget)
    ->ArgNames({"width", "height"})
    ->Args({1366, 768})
    ->Args({1920, 1080})
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace
