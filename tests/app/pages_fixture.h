// The start side on the simulated bus with real workers: the start screen with a button for each
// unit, its pages and preparation steps, pumped on the fast clock.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/preparation_steps.h"
#include "app/start_screen_parts.h"
#include "app_test_support.h"
#include "controls/aimage_button.h"
#include "layout/main_controls.h"
#include "fast_clock.h"
#include "info/info_panel.h"
#include "sim/unit_list.h"

namespace apptest {

class PagesFixture : public ::testing::Test {
 protected:
  void TearDown() override {
    rig.reset();
    bus.Reset(sim::ClockMode::Virtual);
  }
  // The start screen with a button for each unit of `units` (the defaults when empty).
  MainWindow& Open(const std::string& units, bool english = false) {
    bus.Reset(sim::ClockMode::Virtual);
    for (const sim::UnitSpec& unit : units.empty() ? sim::DefaultUnits() : sim::ParseUnitList(units)) {
      EXPECT_TRUE(sim::AttachUnit(bus, unit));
    }
    rig.reset();  // the old window and its workers gone before the new one starts
    rig = std::make_unique<Rig>(1366, 768);
    rig->environment.Clock = &clock;
    MainWindow& w = rig->Create(english, [this](MainWindow& created) {
      parts = InstallStartScreenParts(created);
      InstallPreparationSteps(created, parts);
    });
    for (int k = 0; k < 400 && w.Panels[1]->ContentShown == 0; ++k) rig->Step(33);
    Until([&] { return w.SensorButtons[bus.Units().size() - 1].Unit != nullptr; });
    return w;
  }
  // Pumps the window (posted calls, timers, paints) until `done`; the watchdog only guards against hangs.
  void Until(const std::function<bool()>& done) {
    bool met = done();
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120); !met && std::chrono::steady_clock::now() < end;) {
      rig->Step(20);
      rig->host.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      met = done();
    }
    ASSERT_TRUE(met);
  }
  // The window's clock through at least `ms`, its timers and paints only.
  void Run(int ms) {
    for (int k = 0; k < ms / 20; ++k) {
      rig->Step(20);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  // The same with the posted calls handled too: the preparation steps the ticks ask for.
  void RunPumped(int ms) {
    for (int k = 0; k < ms / 20; ++k) {
      rig->Step(20);
      rig->host.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  void Press(MainWindow& w, std::int32_t id) {
    ASSERT_TRUE(apptest::PressButton(w, id)) << id;
  }
  void Click(MainWindow& w, platform::WindowPoint at) {
    w.OnMouse({platform::MouseKind::LeftDown, at, 0});
    w.OnMouse({platform::MouseKind::LeftUp, at, 0});
  }
  InfoPanel& Panel() { return *parts->Panel; }

  sim::Bus& bus = sim::Bus::Instance();
  FastClock clock;
  std::unique_ptr<Rig> rig;
  std::shared_ptr<StartScreenParts> parts;
};

}  // namespace apptest
