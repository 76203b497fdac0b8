// A main window on a headless host with a stepped clock, bound to the in-process simulated bus.
#pragma once

#include <functional>
#include <memory>

#include "acquisition/device_status.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/worker_threads.h"
#include "app/main_window.h"
#include "controls/aimage_button.h"
#include "layout/main_controls.h"
#include "platform/headless_host.h"
#include "sim/d2xx.h"

namespace apptest {

struct Rig {
  explicit Rig(int width = 1280, int height = 994, bool library = true, int depth = 32, bool russian = true)
      : host(platform::ScreenInfo{width, height, depth}, clock) {
    ResetDeviceStatus();
    ResetWorkerStatus();
    host.LocaleRussian = russian;
    environment.BindLibrary = [library] { return library && BindFtdiLibrary(sim::d2xx::Resolve); };
    // A small record keeps the view's buffers small.
    environment.AvailableMemory = [] { return std::uint64_t{10'000'000}; };
  }
  ~Rig() {
    window.reset();
    ResetDeviceStatus();
    ResetWorkerStatus();
  }
  // `prepare` sets the window's hooks before it is created.
  MainWindow& Create(bool command_line_english = false, const std::function<void(MainWindow&)>& prepare = {}) {
    window = std::make_unique<MainWindow>(host, environment);
    if (prepare) prepare(*window);
    window->CreateMainWindow(command_line_english);
    return *window;
  }
  // The clock moves on; due timers tick, then what they invalidated is painted.
  void Step(int ms) {
    clock.Advance(ms);
    host.Window().RunDueTimers();
    host.Window().UpdateNow();
  }

  platform::FakeClock clock;
  platform::HeadlessHost host;
  MainWindowEnvironment environment;
  std::unique_ptr<MainWindow> window;
};

// A click on image button `id` as the button reports it: its state toggled, then the press.
// False when the window has no such button.
inline bool PressButton(MainWindow& w, std::int32_t id) {
  AImageButton* button = FindImageButton(w.Window(), id);
  if (button == nullptr) return false;
  button->State = button->State.load() == ControlFrame::kStateUp ? ControlFrame::kStateDown : ControlFrame::kStateUp;
  w.OnButtonPress(0, 0, id);
  return true;
}

}  // namespace apptest
