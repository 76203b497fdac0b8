// The measurement screen on the simulated bus with real workers: choosing a sensor, entering, recording by key, leaving.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "app/start_screen_parts.h"
#include "app/toolbar_rules.h"
#include "app_test_support.h"
#include "controls/aimage_button.h"
#include "fast_clock.h"
#include "platform/png_writer.h"
#include "sim/unit_list.h"

namespace {

using apptest::Rig;
using platform::WindowRect;
namespace key = platform::key;

class MeasureScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    bus.Reset(sim::ClockMode::Virtual);
    for (const sim::UnitSpec& unit : sim::DefaultUnits()) ASSERT_TRUE(sim::AttachUnit(bus, unit));
  }
  void TearDown() override {
    rig.reset();
    bus.Reset(sim::ClockMode::Virtual);
  }
  // The start screen with both units' buttons up.
  MainWindow& Open(int width, int height, bool english) {
    rig = std::make_unique<Rig>(width, height);
    rig->environment.Clock = &clock;
    MainWindow& w = rig->Create(english, [this](MainWindow& created) { parts = InstallStartScreenParts(created); });
    for (int k = 0; k < 400 && w.Panels[1]->ContentShown == 0; ++k) rig->Step(33);
    Until(w, [&] { return w.SensorButtons[0].Unit != nullptr && w.SensorButtons[1].Unit != nullptr; });
    return w;
  }
  template <typename Done>
  void Until(MainWindow& w, Done done, int ms = 20000) {
    for (int k = 0; k < ms && !done(); ++k) {
      rig->host.Pump();
      (void)w;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(done());
  }
  // A click as the button reports it: its state toggled, then the press.
  void Click(MainWindow& w, std::int32_t id) {
    AImageButton* button = FindImageButton(w.Window(), id);
    ASSERT_NE(button, nullptr);
    button->State = button->State.load() == ControlFrame::kStateUp ? ControlFrame::kStateDown : ControlFrame::kStateUp;
    w.OnButtonPress(0, 0, id);
  }
  // The sensor of entry `i` chosen, its page's measurement running, then marked prepared.
  void Choose(MainWindow& w, std::size_t i) {
    Click(w, 75163 + static_cast<std::int32_t>(i));
    EXPECT_EQ(w.Controls.SensorButtons[i]->State.load(), 2);
    EXPECT_EQ(parts->Panel->ScreenNumber(), 11);
    EXPECT_EQ(w.View->Recording.load(), 1);
    {
      std::lock_guard lock(w.Devices->TableLock);
      w.SlotBinder->MarkSlotForDevice(*w.Devices->DeviceTable[i]);
    }
    w.RefreshDevices(1);
    w.UpdateMeasureButton();
  }
  std::set<std::int32_t> Visible(MainWindow& w) {
    std::set<std::int32_t> shown;
    for (platform::Control* c : w.Window().Controls()) {
      if (c->IsVisible() && dynamic_cast<AImageButton*>(c) != nullptr) shown.insert(c->Id());
    }
    return shown;
  }

  sim::Bus& bus = sim::Bus::Instance();
  apptest::FastClock clock;
  std::unique_ptr<Rig> rig;
  std::shared_ptr<StartScreenParts> parts;
};

TEST_F(MeasureScreen, ChooseEnterRecordBySpaceAndLeaveByEscape) {
  MainWindow& w = Open(1280, 994, false);
  const std::set<std::int32_t> start_set = Visible(w);
  Choose(w, 0);
  ASSERT_EQ(w.MeasureButtonReady, 1);
  Click(w, 75172);
  ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
  const std::span<const std::int32_t> ids = MeasureScreenIds();
  EXPECT_EQ(Visible(w), std::set<std::int32_t>(ids.begin(), ids.end()));
  EXPECT_EQ(w.View->Recording.load(), 0);

  // A held Space starts once; the second press stops and keeps the record.
  w.OnKeyDown(key::kSpace, 1, 0);
  w.OnKeyDown(key::kSpace, 1, key::kFlagRepeat);
  EXPECT_EQ(w.View->Recording.load(), 1);
  Until(w, [&] { return w.View->SampleCount > 200; });
  w.OnKeyDown(key::kSpace, 1, 0);
  EXPECT_EQ(w.View->Recording.load(), 0);
  const std::uint32_t kept = w.View->SampleCount;
  EXPECT_GT(kept, 200u);

  // A held Escape returns once and does not close the program.
  w.OnKeyDown(key::kEscape, 1, 0);
  w.OnKeyDown(key::kEscape, 1, key::kFlagRepeat);
  EXPECT_FALSE(w.Window().IsClosed());
  rig->host.Pump();
  EXPECT_EQ(w.Bytes.InfoScreenActive.load(), 1);
  EXPECT_EQ(w.View->SampleCount, kept);
  for (AImageButton* sensor : w.Controls.SensorButtons) EXPECT_EQ(sensor->State.load(), 1);
  EXPECT_EQ(w.MeasureButtonReady, 1);
  EXPECT_EQ(Visible(w), start_set);
}

TEST_F(MeasureScreen, PngsWithTwoLiveChannelsAtTwoSizesInBothLanguages) {
  const struct {
    int width, height;
    bool english;
  } cases[] = {{1366, 768, false}, {1366, 768, true}, {1920, 1080, false}, {1920, 1080, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + (c.english ? " en" : " ru"));
    MainWindow& w = Open(c.width, c.height, c.english);
    Choose(w, 1);
    Choose(w, 0);
    // Both sensors ticked for the record, as a click on each tick box does.
    for (DeviceSlot& slot : w.DeviceSlots) slot.SelectedForRecord = 1;
    Click(w, 75172);
    ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
    for (int k = 0; k < 10; ++k) rig->Step(33);
    w.OnKeyDown(key::kSpace, 1, 0);
    Until(w, [&] { return w.View->SampleCount > 3000; });
    for (int k = 0; k < 10; ++k) rig->Step(33);
    w.OnKeyDown(key::kSpace, 1, 0);
    rig->host.Pump();
    w.FullRepaint = 1;
    w.InvalidateLocal();
    rig->host.Window().UpdateNow();
    const WindowRect client = w.Window().ClientRect();
    const PixelRect& view = w.View->ViewRect;
    std::vector<WindowRect> toolbar;
    for (platform::Control* control : w.Window().Controls()) {
      if (!control->IsVisible()) continue;
      const WindowRect r = control->Rect();
      EXPECT_EQ(r.Intersect(client), r) << control->Id();
      if (control->Id() == 75001 || control->Id() == 75003) {
        EXPECT_TRUE(r.left >= view.Left && r.right <= view.Right && r.top >= view.Top && r.bottom <= view.Bottom) << control->Id();
      } else if (dynamic_cast<AImageButton*>(control) != nullptr) {
        toolbar.push_back(r);
      }
    }
    for (std::size_t a = 0; a < toolbar.size(); ++a) {
      for (std::size_t b = a + 1; b < toolbar.size(); ++b) EXPECT_TRUE(toolbar[a].Intersect(toolbar[b]).IsEmpty());
    }
    const std::string name = std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/measure_screen_" + std::to_string(c.width) + "x" +
                             std::to_string(c.height) + (c.english ? "_en" : "_ru") + ".png";
    EXPECT_TRUE(platform::WritePng(rig->host.Window().Pixels(), name));
    rig.reset();
  }
}

}  // namespace
