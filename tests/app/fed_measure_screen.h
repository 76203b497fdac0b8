// The window on the measurement screen with no unit on the bus, its four live channels enabled and
// shown as a recording's set-up leaves them, and recording: the caller feeds the channels as the
// decoders would. Shared by the recording paint's tests and the measurement screen's benchmarks.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>

#include "acquisition/device_status.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/worker_threads.h"
#include "app/main_window.h"
#include "platform/clock.h"
#include "platform/headless_host.h"
#include "sim/bus.h"
#include "sim/d2xx.h"

namespace apptest {

inline std::unique_ptr<MainWindow> OpenFedMeasureScreen(platform::HeadlessHost& host, platform::FakeClock& clock,
                                                        std::uint64_t memory, UnitClock* tick_clock = nullptr) {
  ResetDeviceStatus();
  ResetWorkerStatus();
  sim::Bus::Instance().Reset(sim::ClockMode::Virtual);
  MainWindowEnvironment environment = SystemEnvironment();
  environment.BindLibrary = [] { return BindFtdiLibrary(sim::d2xx::Resolve); };
  environment.AvailableMemory = [memory] { return memory; };
  auto window = std::make_unique<MainWindow>(host, environment);
  window->CreateMainWindow(false);
  for (int k = 0; k < 300 && window->StartupInProgress != 0; ++k) {
    clock.Advance(33);
    host.Pump();
  }
  window->GotoGraphScreen();
  GraphView& view = *window->View;
  {
    std::lock_guard lock(view.ViewLock);
    for (auto& channel : view.Channels) channel->Enabled = channel->Shown = channel->SavedShown = 1;
    view.SetChannelFlags(4, 0);
  }
  if (tick_clock != nullptr) view.TickClock = tick_clock;
  view.Recording = 1;
  view.ComputeStartIndexes();
  return window;
}

// One code on each of the four channels, a sine of its own per channel; `fed` counts the samples.
inline void FeedSines(GraphView& view, std::uint64_t& fed) {
  for (std::size_t k = 0; k < 4; ++k) {
    view.Channel(k).AppendCode(static_cast<std::int16_t>(2048 + 1500 * std::sin(0.004 * static_cast<double>(fed) + static_cast<double>(k))));
  }
  ++fed;
}

}  // namespace apptest
