// A revealed main window with the start screen's parts and the preparation steps, fed with a signal on channels 0 and 1.
#pragma once

#include <memory>
#include <mutex>

#include "../app/app_test_support.h"
#include "app/preparation_steps.h"
#include "app/start_screen_parts.h"
#include "sim/signals.h"

struct PreparationRig {
  PreparationRig(int width, int height, bool english) : rig(width, height) {
    rig.window = std::make_unique<MainWindow>(rig.host, rig.environment);
    parts = InstallStartScreenParts(*rig.window);
    InstallPreparationSteps(*rig.window, parts);
    // The "Measurements" button's place, which the panel's place follows.
    rig.window->Hooks.CreateMainControls = [this](MainWindow& w) {
      const ScreenMetrics& m = w.Metrics;
      button.Create(w.Window(), 75172,
                    platform::WindowRect::FromSize(static_cast<int>(45 * m.ScaleX), static_cast<int>((m.WideScreen ? 120 : 150) * m.ScaleY),
                                                   static_cast<int>(425 * m.ScaleX), static_cast<int>(130 * m.UiScale)));
    };
    rig.window->CreateMainWindow(english);
    for (int i = 0; i < 60; ++i) rig.Step(33);
    for (int i = 0; i < 10; ++i) rig.Step(100);
  }
  MainWindow& Window() { return *rig.window; }
  InfoPanel& Panel() { return *parts->Panel; }
  void PaintAll() {
    Window().StartScreenDirty = 1;
    Window().InvalidateLocal();
    rig.host.Window().UpdateNow();
  }
  // A sine on the live channels, ticked as the device worker does.
  void Feed(std::uint32_t samples) {
    GraphView& view = *Window().View;
    {
      std::lock_guard<std::mutex> lock(view.ViewLock);
      view.Recording = 1;
      view.ComputeStartIndexes();
    }
    for (std::uint32_t n = 0; n < samples; ++n) {
      for (std::size_t k = 0; k < 2; ++k) view.Channel(k).AppendCode(static_cast<std::int16_t>(sine.CodeAt(n / 1000.0, n)));
      if (n % 100 == 99) view.AcquisitionTick();
    }
  }

  apptest::Rig rig;
  platform::Control button;
  std::shared_ptr<StartScreenParts> parts;
  sim::Signal sine = sim::Signal::Sine(2048, 1500, 1.0);
};
