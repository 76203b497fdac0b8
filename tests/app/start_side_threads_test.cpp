// Sensors chosen and prepared from the start screen through real clicks, on the simulated bus with real workers.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "app/preparation_steps.h"
#include "app/start_screen_parts.h"
#include "app_test_support.h"
#include "controls/aimage_button.h"
#include "fast_clock.h"
#include "platform/png_writer.h"
#include "resources/string_table.h"
#include "sim/unit_list.h"

namespace {

using platform::WindowRect;

struct StartSide : ::testing::Test {
  void TearDown() override {
    rig.reset();
    apptest::ExpectNoBytesLost(bus);
    bus.Reset(sim::ClockMode::Virtual);
  }
  // The start screen with a button for each of `units`.
  MainWindow& Open(const std::string& units) {
    bus.Reset(sim::ClockMode::Virtual);
    for (const sim::UnitSpec& unit : sim::ParseUnitList(units)) EXPECT_TRUE(sim::AttachUnit(bus, unit));
    rig.reset();  // the old window and its workers gone before the new one starts
    rig = std::make_unique<apptest::Rig>(1366, 768);
    rig->environment.Clock = &clock;
    MainWindow& w = rig->Create(false, [this](MainWindow& created) {
      parts = InstallStartScreenParts(created);
      InstallPreparationSteps(created, parts);
    });
    const std::size_t last = bus.Units().size() - 1;
    // The info panel has slid in and shows its start page and the sensor list's caption: only then
    // can the mouse reach the caption, and a page it opens is not replaced by the start page.
    Until([&] { return w.StartupInProgress == 0 && w.SensorButtons[last].Unit != nullptr && w.Panels[1]->ContentShown != 0; });
    return w;
  }
  // The window and the workers run, on the stepped clock, until `done` (a watchdog against hangs only).
  template <typename Done>
  void Until(Done done, int line = __builtin_LINE()) {
    // Each look is taken once: a picture met once is met, whatever the next search shows after it.
    bool met = done();
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120); !met && std::chrono::steady_clock::now() < end;) {
      rig->host.Pump();
      rig->Step(33);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      met = done();
    }
    ASSERT_TRUE(met) << "waited at line " << line;
  }
  // A left click at the control's centre, as the mouse gives it.
  void Click(std::int32_t id) {
    const WindowRect r = FindImageButton(rig->window->Window(), id)->Rect();
    for (auto kind : {platform::MouseKind::LeftDown, platform::MouseKind::LeftUp}) {
      rig->host.Window().DeliverMouse(kind, {(r.left + r.right) / 2, (r.top + r.bottom) / 2}, 0);
    }
  }
  platform::Colour At(std::int32_t id, double fx, double fy) {
    const WindowRect r = FindImageButton(rig->window->Window(), id)->Rect();
    return rig->host.Window().Pixels().GetPixel(r.left + static_cast<int>(fx * r.Width()), r.top + static_cast<int>(fy * r.Height()));
  }
  // The panel once it stays the same over a whole search of the device worker, the window's answer
  // to it painted: a search lists the units afresh, however slowly the workers run.
  std::vector<platform::Colour> SettledPanel() {
    std::vector<platform::Colour> shown = Panel();
    for (int k = 0; k < 20; ++k) {
      // The next search starts once the one begun after this look has been answered.
      const std::uint32_t searches = rig->window->Devices->SearchCount.load();
      Until([&] { return rig->window->Devices->SearchCount.load() >= searches + 2; });
      rig->Step(100);
      std::vector<platform::Colour> next = Panel();
      if (next == shown) break;
      shown = std::move(next);
    }
    return shown;
  }
  std::vector<platform::Colour> Panel() {
    std::vector<platform::Colour> pixels;
    const WindowRect a = rig->window->Panels[1]->ContentArea;
    for (int y = a.top; y < a.bottom; ++y)
      for (int x = a.left; x < a.right; ++x) pixels.push_back(rig->host.Window().Pixels().GetPixel(x, y));
    return pixels;
  }

  sim::Bus& bus = sim::Bus::Instance();
  apptest::FastClock clock;
  std::unique_ptr<apptest::Rig> rig;
  std::shared_ptr<StartScreenParts> parts;
};

TEST_F(StartSide, WiredAccelerometerWalksItsSixPositions) {
  MainWindow& w = Open("auto:kind=7:sine|sine|sine");
  Click(75163);
  InfoPanel& panel = *parts->Panel;
  // A search's answer that reaches the window only now leaves the unit bound for its page.
  EXPECT_FALSE(w.ChooseSlotsAfterSearch());
  EXPECT_NE(w.DeviceSlots[0].Channels[3], nullptr);
  // Its samples reach the page: the value box shows them in the sensor's unit.
  ASSERT_NO_FATAL_FAILURE(Until([&] {
    std::lock_guard lock(w.View->ViewLock);
    return !panel.Box1.Unit.empty() && w.View->SampleCount > 1000;
  }));
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(w.MeasureButtonReady, 0) << k;
    Click(kActionButtonId);
    Until([&] { return panel.Steps.StepPending == 0; });
  }
  EXPECT_EQ(w.MeasureButtonReady, 1);
}

TEST_F(StartSide, SilentTypeSixUnitIsPreparedOnEntry) {
  MainWindow& w = Open("auto:kind=59");
  Click(75163);
  Until([&] { return w.MeasureButtonReady == 1; });
}

TEST_F(StartSide, DetectedSensorsPageFollowsAUnitUnpluggedAndPluggedAgain) {
  const std::string units = "auto:kind=53;auto:kind=12";
  MainWindow& w = Open(units);
  InfoPanel& panel = *parts->Panel;
  w.OnButtonHover(0, 0, 75171);
  Until([&] { return panel.ScreenNumber() == InfoPanel::kDetectedSensors; });
  const std::vector<platform::Colour> both = SettledPanel();
  // The page, left open, lists what the next search finds.
  ASSERT_TRUE(bus.Unplug(bus.Units()[1]));
  Until([&] { return w.Devices->CountDevices() == 1 && Panel() != both; });
  EXPECT_EQ(panel.ScreenNumber(), InfoPanel::kDetectedSensors);
  ASSERT_TRUE(sim::AttachUnit(bus, sim::ParseUnitList(units)[1]));
  Until([&] { return Panel() == both; });
}

TEST_F(StartSide, PressedLookRefusalAndNoCurveLeftOnOtherPages) {
  MainWindow& w = Open("auto:kind=53;auto:kind=12;auto:kind=7;wired:15/1063");
  InfoPanel& panel = *parts->Panel;
  // The detected sensors' page before any sensor has measured.
  w.OnButtonHover(0, 0, 75171);
  Until([&] { return panel.ScreenNumber() == InfoPanel::kDetectedSensors && w.View->Recording.load() == 0; });
  const std::vector<platform::Colour> detected = SettledPanel();
  // The force sensor chosen: its button stands out from its released look; it is ready at once.
  const platform::Colour released = At(75163, 0.9, 0.75);
  Click(75163);
  Until([&] {
    std::lock_guard lock(w.View->ViewLock);
    return w.MeasureButtonReady == 1 && w.View->Sweep.ColumnPosition > 20;
  });
  rig->Step(600);
  const platform::Colour pressed = At(75163, 0.9, 0.75);
  EXPECT_GT(std::abs(released.r - pressed.r) + std::abs(released.g - pressed.g) + std::abs(released.b - pressed.b), 40);
  // The accelerometer needs four channels and finds three: its button stays up, its page says why, and
  // the force page's "Set 0" does not stay on it.
  Click(75165);
  rig->Step(600);
  EXPECT_EQ(w.Controls.SensorButtons[2]->State.load(), ControlFrame::kStateUp);
  EXPECT_EQ(panel.ScreenNumber(), InfoPanel::kSensorInformation);
  EXPECT_EQ(panel.Notice, LoadString(kStringTooFewChannels, 1049));
  EXPECT_FALSE(FindImageButton(w.Window(), kActionButtonId)->IsVisible());
  // Once measured and released, the detected sensors' page comes back as it was painted before: no
  // curve left on it (a busy machine may take a moment over the stop, so the page is watched until then).
  w.OnButtonHover(0, 0, 75171);
  Until([&] { return panel.ScreenNumber() == InfoPanel::kDetectedSensors && w.View->Recording.load() == 0; });
  Until([&] { return Panel() == detected; });
  if (Panel() != detected) {
    // Where the page differs, and both pictures, to see what stayed on it.
    const WindowRect a = rig->window->Panels[1]->ContentArea;
    const std::vector<platform::Colour> now = Panel();
    platform::Surface before(a.Width(), a.Height()), after(a.Width(), a.Height());
    int differ = 0, left = a.Width(), top = a.Height(), right = 0, bottom = 0;
    for (int y = 0; y < a.Height(); ++y)
      for (int x = 0; x < a.Width(); ++x) {
        const std::size_t k = static_cast<std::size_t>(y) * a.Width() + x;
        before.SetPixel(x, y, detected[k]);
        after.SetPixel(x, y, now[k]);
        if (!(detected[k] == now[k])) {
          ++differ;
          left = std::min(left, x), top = std::min(top, y), right = std::max(right, x + 1), bottom = std::max(bottom, y + 1);
        }
      }
    const std::string dir = VESSAMOR_TEST_OUTPUT_DIR;
    platform::WritePng(before, dir + "/start_side_detected_before.png");
    platform::WritePng(after, dir + "/start_side_detected_after.png");
    ADD_FAILURE() << differ << " pixels differ within " << left << "," << top << " to " << right << "," << bottom
                  << " of the " << a.Width() << "x" << a.Height() << " page; pictures in " << dir;
  }
}

}  // namespace
