// The channel options panel on entering the measurement screen: shown unseen until its window has
// painted once, taken away at the first tick of timer 7 after that paint, and ready for the user's
// first opening.
#include <gtest/gtest.h>

#include "controls/aimage_button.h"
#include "controls/stick_button_mod.h"
#include "review_rig.h"

namespace {

using apptest::Picture;
using apptest::ReviewRig;

StickButtonMod& OptionsPanel(ReviewRig& rig) {
  return *dynamic_cast<StickButtonMod*>(FindMainControl(rig.Window().Window(), kSettingsPanelId));
}

// "Measurements" pressed with the one sensor prepared; with `painted` the window settles (and paints)
// at once, as after any click, else the clock's first step comes before the first paint.
void Enter(ReviewRig& rig, bool painted) {
  MainWindow& w = rig.Window();
  for (int attempt = 0; attempt < 5 && w.Bytes.MeasureScreenActive.load() == 0; ++attempt) {
    rig.Until([&] { return w.Devices->Searching.load() == 0; });
    rig.Press(75163, false);
    {
      std::lock_guard lock(w.Devices->TableLock);
      w.SlotBinder->MarkSlotForDevice(*w.Devices->DeviceTable[0]);
    }
    w.RefreshDevices(1);
    w.Bytes.SensorPrepared[0] = 1;
    w.UpdateMeasureButton();
    rig.Press(75172, painted);
  }
  ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
}

TEST(OptionsPanelEntry, TimerSevenEndsAtTheFirstTickAfterThePanelsFirstPaint) {
  const struct {
    int width, height;
    bool english;
    bool painted;    // the window paints before timer 7's first tick
    int last_tick;   // the tick that takes the panel away
  } cases[] = {
      {1366, 768, false, true, 1},
      {1920, 1080, true, true, 1},
      {1366, 768, false, false, 2},
      {1920, 1080, true, false, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + (c.english ? " en" : " ru") + (c.painted ? " painted" : " not yet painted"));
    ReviewRig rig(c.width, c.height, c.english);
    MainWindow& w = rig.Window();
    StickButtonMod& panel = OptionsPanel(rig);
    ASSERT_TRUE(panel.FirstPaintPending) << "never shown before the measurement screen";
    Enter(rig, c.painted);
    ASSERT_TRUE(panel.IsVisible());
    ASSERT_EQ(w.CurrentTimerId, kTimerSettingsPanel);
    EXPECT_EQ(panel.FirstPaintPending, !c.painted);
    for (int tick = 1; tick <= c.last_tick; ++tick) {
      EXPECT_TRUE(panel.IsVisible()) << "before tick " << tick;
      rig.Step(33);
      EXPECT_FALSE(panel.FirstPaintPending) << "painted by tick " << tick;
    }
    EXPECT_FALSE(panel.IsVisible());
    EXPECT_EQ(w.CurrentTimerId, 0u);
    EXPECT_EQ(w.SettingsPanelTicks, 0u);

    // Taken away unseen: a user's opening of channel 1's options is the panel's first showing on screen.
    for (int k = 0; k < 10; ++k) rig.Step(33);
    const Picture before = rig.Screen();
    AImageButton* options = w.Controls.ChannelOptionButtons[0];
    ASSERT_NE(options, nullptr);
    const platform::WindowRect o = options->Rect();
    rig.Click(platform::MouseButton::Left, (o.left + o.right) / 2, (o.top + o.bottom) / 2);
    for (int k = 0; k < 5; ++k) rig.Step(33);
    ASSERT_TRUE(panel.IsVisible());
    const platform::WindowRect r = panel.Rect();
    EXPECT_GT(rig.Screen().Differences(before, r), r.Width() * r.Height() / 4);
    EXPECT_EQ(w.CurrentTimerId, 0u);
  }
}

}  // namespace
