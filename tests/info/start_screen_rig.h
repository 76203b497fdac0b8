// A main window with the start screen's parts on the headless host, revealed, and fed from the simulated units' signals.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "../app/app_test_support.h"
#include "app/start_screen_parts.h"
#include "sim/signals.h"

namespace infotest {

struct StartScreenRig {
  StartScreenRig(int width, int height, bool english) : rig(width, height) {
    rig.window = std::make_unique<MainWindow>(rig.host, rig.environment);
    MainWindow& w = *rig.window;
    parts = InstallStartScreenParts(w);
    // The 3.3 V header: 0..3.3 V in a frame a little larger, two seconds a screen.
    parts->SetupGraphHeader = [](GraphView& view) {
      view.SetupChannels(view.SetupRequest.SetupRequestCount, view.SetupRequest.SetupRequestChannels[0]);
      view.Scale.TopValue = 3.5;
      view.Scale.BottomValue = -0.5;
      view.ValueDivisions = 8;
      view.SetScales(0.2f, 0.5f, 1);
    };
    w.CreateMainWindow(english);
  }
  MainWindow& Window() { return *rig.window; }
  InfoPanel& Panel() { return *parts->Panel; }
  // The intro runs out and the panel is revealed.
  void Reveal() {
    for (int i = 0; i < 60; ++i) rig.Step(33);
    for (int i = 0; i < 10; ++i) rig.Step(100);
  }
  void PaintAll() {
    Window().StartScreenDirty = 1;
    Window().InvalidateLocal();
    rig.host.Window().UpdateNow();
  }
  // A preparation page of a two-channel unit on channels 0 and 1, its small graph waiting for the next paint.
  void OpenTwoChannelPage(std::uint16_t code) {
    DeviceSlot& slot = Window().DeviceSlots[0];
    slot.Channels = {&Window().View->Channel(0), &Window().View->Channel(1)};
    Window().View->Channel(0).SensorCode = code;
    Panel().Slot = &slot;
    Panel().SensorCode = code;
    Panel().SetScreen(InfoPanel::kPreparation);
    Panel().PcScreenState = 1;
    Panel().FirstChannelSetPending = 1;
  }
  // The units' signals into channels 0 and 1 and the tick over them, as the device worker runs it.
  void Feed(std::uint32_t samples, std::uint32_t rate) {
    GraphView& view = *Window().View;
    if (view.Recording.load() == 0) {
      std::lock_guard<std::mutex> lock(view.ViewLock);
      view.Recording = 1;
      view.ComputeStartIndexes();
    }
    for (std::uint32_t n = 0; n < samples; ++n, ++fed) {
      const double t = static_cast<double>(fed) / rate;
      view.Channel(0).AppendCode(static_cast<std::int16_t>(sine.CodeAt(t, fed)));
      view.Channel(1).AppendCode(static_cast<std::int16_t>(ramp.CodeAt(t, fed)));
      if (n % 100 == 99) view.AcquisitionTick();
    }
    view.AcquisitionTick();
  }

  apptest::Rig rig;
  std::shared_ptr<StartScreenParts> parts;
  sim::Signal sine = sim::Signal::Sine(2048, 1500, 1.0);
  sim::Signal ramp = sim::Signal::Ramp(400, 3600, 0.7);
  std::uint64_t fed = 0;
};

}  // namespace infotest
