// The Channels panel's buttons follow the sensors of each new measurement: after three sensors, a
// measurement of two leaves the third channel's button up and grey, as a record that lacks the
// channel leaves it; ticked again, the sensor brings its colour back.
#include <gtest/gtest.h>

#include <algorithm>

#include "controls/aimage_button.h"
#include "review_rig.h"

namespace {

using apptest::Picture;
using apptest::ReviewRig;

// Pixels of the rectangle whose colour stands well apart from grey.
int Coloured(const Picture& p, const platform::WindowRect& r) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      const std::uint8_t* px = p.At(x, y);
      n += std::max({px[0], px[1], px[2]}) - std::min({px[0], px[1], px[2]}) > 60 ? 1 : 0;
    }
  return n;
}

// Whether each channel's button looks coloured, button 4 (never in use here) being the grey one.
std::array<bool, 4> ColouredButtons(ReviewRig& rig) {
  for (int k = 0; k < 20; ++k) rig.Step(33);
  const Picture p = rig.Screen();
  const auto& buttons = rig.Window().Controls.ChannelButtons;
  const platform::WindowRect grey = buttons[3]->Rect();
  const int reference = Coloured(p, grey);
  std::array<bool, 4> coloured{};
  for (std::size_t k = 0; k < 4; ++k) {
    const platform::WindowRect r = buttons[k]->Rect();
    coloured[k] = Coloured(p, r) > reference + r.Width() * r.Height() / 5;
  }
  return coloured;
}

TEST(ChannelButtons, ASensorLeftOutOfTheNextMeasurementGreysItsChannelsButton) {
  const std::string unit = "wired:04/1195:sine=2048,1500,1";
  const struct {
    int width, height;
    bool english;
  } sizes[] = {{1366, 768, false}, {1920, 1080, true}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(std::to_string(s.width) + (s.english ? " en" : " ru"));
    ReviewRig rig(s.width, s.height, s.english, unit + ";" + unit + ";" + unit);
    MainWindow& w = rig.Window();
    GraphView& view = rig.View();
    rig.EnterWithEveryUnit();
    rig.Record(0.5);
    EXPECT_EQ(ColouredButtons(rig), (std::array<bool, 4>{true, true, true, false}));

    // The sensor of channel 3 unticked on the start screen, then a measurement of the other two.
    std::size_t third = 3;
    {
      std::lock_guard lock(w.Devices->TableLock);
      for (std::size_t i = 0; i < 3; ++i)
        if (view.Channel(2).Device == w.Devices->DeviceTable[i].get()) third = i;
    }
    ASSERT_LT(third, 3u);
    const auto tick = [&] {
      rig.Key(platform::key::kEscape);
      for (int k = 0; k < 30; ++k) rig.Step(33);
      ASSERT_EQ(w.Bytes.InfoScreenActive.load(), 1);
      const platform::WindowRect box = w.SensorTickRects[third];
      rig.Click(platform::MouseButton::Left, (box.left + box.right) / 2, (box.top + box.bottom) / 2);
      rig.Press(75172);
      ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
    };
    tick();
    ASSERT_EQ(w.Bytes.SensorPrepared[third].load(), 0);
    const std::array<bool, 4> two{true, true, false, false};
    EXPECT_EQ(ColouredButtons(rig), two) << "on entry";
    EXPECT_EQ(w.Controls.ChannelButtons[2]->State.load(), ControlFrame::kStateUp);
    rig.Record(0.5);
    EXPECT_EQ(ColouredButtons(rig), two) << "after the recording";
    EXPECT_EQ(w.Controls.ChannelButtons[2]->State.load(), ControlFrame::kStateUp);

    // Ticked again: three channels, three coloured buttons.
    tick();
    ASSERT_EQ(w.Bytes.SensorPrepared[third].load(), 1);
    EXPECT_EQ(ColouredButtons(rig), (std::array<bool, 4>{true, true, true, false}));
    EXPECT_EQ(w.Controls.ChannelButtons[2]->State.load(), ControlFrame::kStateDown);
  }
}

}  // namespace
