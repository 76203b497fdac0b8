// Settings panel tests: each item through the filter command to the channel, help, sliders, tabs, palette.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "control_test_support.h"
#include "controls/stick_button_mod.h"
#include "filter_panel_support.h"

namespace {

using platform::MouseKind;
using platform::WindowPoint;
using platform::WindowRect;
using Panel = StickButtonMod;

const WindowRect kPlace = WindowRect::FromSize(20, 20, 300, 440);

struct PanelTest : ::testing::Test {
  PanelTest() : h(400, 500), panel(h.owner) {
    h.Place(panel, 74998, kPlace);
    panel.Setup(2, 74998, 10);
    panel.ChannelNumber = 1;
    panel.SetMode(0);
    panel.Enables[Panel::kVolumeOption] = panel.Enables[Panel::kSmoothingOption] = 1;
    panel.SetRangeA(1, 100, 10);
    panel.SetRangeB(1, 100, 21);
    Draw();
  }
  void Draw() { panel.DrawChannelOptions(h.owner.composition); }
  WindowPoint At(const WindowRect& r, double fx = 0.5) const {
    return {kPlace.left + r.left + static_cast<int>(fx * r.Width()), kPlace.top + (r.top + r.bottom) / 2};
  }
  // A press on an item; the owner, as the main window does, runs the filter command.
  void Press(WindowPoint p) {
    h.Mouse(MouseKind::LeftDown, p, platform::kMouseLeft);
    h.Mouse(MouseKind::LeftUp, p);
    if (h.owner.Count("press") > presses) RunFilterPanelCommand(fv.view, window, panel);
    presses = h.owner.Count("press");
    Draw();
  }
  control_test::Harness h;
  Panel panel;
  FilterView fv;
  RecordingFilterWindow window;
  std::size_t presses = 0;
};

TEST_F(PanelTest, EveryFilterItemReachesTheChannelThroughTheCommand) {
  fv.view.RateSetting = 250;
  VessamorChannel& c = fv.view.Channel(1);
  const Panel::Layout& at = panel.Placed();
  const struct {
    const char* item;
    std::function<WindowPoint()> where;
    std::uint8_t code;
    std::function<bool()> effect;
  } cases[] = {
      {"median on", [&] { return At(at.checks[Panel::kMedianGroup]); }, Panel::kMedian,
       [&] { return c.MedianOn == 1 && c.MedianWindow == 10 && c.FilterOn == 1; }},
      {"median strength", [&] { return At(at.sliders[0], 0.25); }, Panel::kMedian,
       [&] { return c.MedianWindow == panel.Sliders[0].Value && c.MedianWindow > 20; }},
      {"averaging on, odd window raised", [&] { return At(at.checks[Panel::kAveragingGroup]); }, Panel::kAveraging,
       [&] { return c.SmoothingOn == 1 && c.SmoothingWindow == 22; }},
      {"mean instead of RMS", [&] { return At(at.curveChoice, 0.75); }, Panel::kCurveChoice,
       [&] { return c.RmsMode == 0; }},
      {"50 Hz at 250 Hz", [&] { return At(at.checks[Panel::kMainsOption]); }, Panel::kMains,
       [&] { return c.NotchOn == 1 && c.IirOn == 1 && fv.view.RateSetting == 1000 && window.rates == std::vector{1.0f}; }},
      {"volume", [&] { return At(at.checks[Panel::kVolumeOption]); }, Panel::kVolume, [&] { return c.VolumeOn == 1; }},
      {"smoothing", [&] { return At(at.checks[Panel::kSmoothingOption]); }, Panel::kSmoothing,
       [&] { return c.CurveSmoothOn == 1 && c.CurveMode == 1 && panel.DrawingChoice == 0; }},
      {"spline", [&] { return At(at.drawingChoice, 0.75); }, Panel::kDrawingChoice, [&] { return c.CurveMode == 2; }},
      {"close", [&] { return At(at.close); }, Panel::kClose, [&] { return window.closed == std::vector{1}; }},
  };
  for (const auto& item : cases) {
    Press(item.where());
    EXPECT_EQ(panel.ActionCode, item.code) << item.item;
    EXPECT_TRUE(item.effect()) << item.item;
  }
}

TEST_F(PanelTest, HelpButtonsToggleTheirHelpAndACheckBoxHidesIt) {
  const Panel::Layout& at = panel.Placed();
  Press(At(at.helps[Panel::kAveragingGroup]));
  EXPECT_EQ(panel.HelpShown, Panel::kAveragingHelp);
  ASSERT_EQ(window.hints.size(), 1u);
  EXPECT_TRUE(window.hints[0].starts_with("Фильтр усредняющий"));
  EXPECT_EQ(window.hintStyle, 51);
  EXPECT_TRUE(window.redraws.empty());  // help only: the channel is left alone
  Press(At(at.helps[Panel::kAveragingGroup]));
  EXPECT_EQ(panel.HelpShown, Panel::kNoHelp);
  Press(At(at.helps[Panel::kSmoothingOption]));
  EXPECT_EQ(panel.ActionCode, Panel::kSmoothingHelp);
  EXPECT_TRUE(window.hints.back().starts_with("Сглаживание"));
  Press(At(at.checks[Panel::kMedianGroup]));
  EXPECT_EQ(panel.HelpShown, Panel::kNoHelp);
  h.Mouse(MouseKind::Move, At(at.close));  // the close button lights up, and the owner hears of it
  EXPECT_TRUE(panel.CloseHovered);
  EXPECT_EQ(panel.ActionCode, Panel::kCloseHover);
}

// The close box shows its cross whether or not the pointer is over it, darker when it is.
TEST_F(PanelTest, CloseBoxShowsItsCross) {
  const WindowRect c = panel.Placed().close;
  const auto darkest = [&] {
    int low = 255 * 3;
    for (int k = c.Width() / 4 + 1; k < c.Width() * 3 / 4; ++k) {
      const platform::Colour p = h.owner.composition.GetPixel(kPlace.left + c.left + k, kPlace.top + c.top + k);
      low = std::min(low, p.r + p.g + p.b);
    }
    return low;
  };
  const int away = darkest();
  EXPECT_LT(away, 3 * 150) << "no cross";
  h.Mouse(MouseKind::Move, At(c));
  Draw();
  EXPECT_LT(darkest(), away);
}

TEST_F(PanelTest, SlidersFollowTheirTrackAndStopAtItsEnds) {
  const WindowRect track = panel.Placed().sliders[1];
  const int y = At(track).y, end = kPlace.left + track.right - 8;
  h.Mouse(MouseKind::LeftDown, At(track, 0.5), platform::kMouseLeft);
  EXPECT_NEAR(panel.Sliders[1].Value, 50, 2);
  h.Mouse(MouseKind::Move, {end + 150, y}, platform::kMouseLeft);
  EXPECT_EQ(panel.Sliders[1].Value, 100);
  h.Mouse(MouseKind::LeftUp, {end + 150, y});
  EXPECT_EQ(panel.Sliders[1].Value, 100);
  EXPECT_FALSE(panel.Sliders[1].Dragging);
  panel.SetRangeC(5, 9, 2);
  EXPECT_EQ(panel.Sliders[2].Value, 5);
}

TEST_F(PanelTest, TabsSwitchPagesOnlyWithoutThePageLockAndThePaletteIsPickedInsideItsBitmap) {
  panel.PageLock = 0;
  Draw();
  Press(At(panel.Placed().viewTab));
  EXPECT_EQ(panel.Page, 1);
  EXPECT_EQ(panel.Enables[Panel::kColourOption1], 1);
  const WindowRect palette = panel.Placed().palette;
  Press({kPlace.left + palette.right, kPlace.top + palette.bottom});  // the rectangle's far corner
  const platform::Colour corner = panel.Palette().GetPixel(kPaletteWidth - 1, kPaletteHeight - 1);
  EXPECT_EQ((platform::Colour{panel.CurrentColour.r, panel.CurrentColour.g, panel.CurrentColour.b, 255}), corner);
  EXPECT_EQ(window.panelRedraws, std::vector{1});
  panel.PageLock = 1;
  Draw();
  Press(At(panel.Placed().filtersTab.IsEmpty() ? WindowRect{12, 34, 120, 58} : panel.Placed().filtersTab));
  EXPECT_EQ(panel.Page, 1);
}

TEST_F(PanelTest, TheEnglishInterfaceHasEnglishCaptionsAndHelp) {
  const Panel::Layout& at = panel.Placed();
  // The panel's pixels, full width, over the rows of its captions.
  const auto rows = [&](bool english) {
    h.owner.english = window.english = english;
    control_test::PaintPattern(h.owner.composition, 0);
    Draw();
    std::vector<std::vector<platform::Colour>> bands;
    for (const WindowRect& r : {at.checks[Panel::kMedianGroup], at.checks[Panel::kAveragingGroup], at.checks[Panel::kMainsOption],
                                at.checks[Panel::kVolumeOption], at.checks[Panel::kSmoothingOption], at.drawingChoice}) {
      std::vector<platform::Colour>& band = bands.emplace_back();
      for (int y = r.top - 3; y < r.bottom + 3; ++y)
        for (int x = 0; x < kPlace.Width(); ++x) band.push_back(h.owner.composition.GetPixel(kPlace.left + x, kPlace.top + y));
    }
    return bands;
  };
  const auto russian = rows(false), english = rows(true);
  for (std::size_t i = 0; i < russian.size(); ++i) EXPECT_TRUE(russian[i] != english[i]) << "caption row " << i;
  for (const Panel::Option group : {Panel::kMedianGroup, Panel::kAveragingGroup, Panel::kSmoothingOption}) {
    Press(At(at.helps[group]));
    EXPECT_EQ(window.hints.back().find_first_of("\xD0\xD1"), std::string::npos) << window.hints.back();  // no Cyrillic
    Press(At(at.helps[group]));
  }
}

}  // namespace
