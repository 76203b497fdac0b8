// Reviewing a stopped record on the assembled window: fit, zoom, paging, undo and markers, read from its pixels.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "review_rig.h"

namespace {

using apptest::Picture;
using apptest::ReviewRig;
using platform::MouseButton;
using platform::WindowRect;

constexpr std::int32_t kFit = 75013, kBack = 75014, kNext = 75053, kPageBack = 75045, kPageForward = 75046;

// The time a plot column shows, on the view's own time axis.
double TimeAt(GraphView& view, int x) {
  const PixelRect& p = view.PlotRect;
  return view.Scale.StartTime + (view.Scale.EndTime - view.Scale.StartTime) * (x - p.Left) / p.Width();
}

// Pixels of the graph area that differ, the value indicators' strips left out.
int Changed(ReviewRig& rig, const Picture& a, const Picture& b) {
  Picture masked = b;
  for (const PixelRect& s : rig.View().IndicatorStrips) {
    for (int y = std::max(s.Top, 0); y < std::min(s.Bottom, a.Height); ++y)
      for (int x = std::max(s.Left, 0); x < std::min(s.Right, a.Width); ++x)
        std::copy_n(a.At(x, y), 4, masked.Bytes.data() + (static_cast<std::size_t>(y) * a.Width + x) * 4);
  }
  return a.Differences(masked, rig.ViewArea());
}

// What a paint of the whole window that the program did not ask for shows (the window uncovered).
Picture Fresh(ReviewRig& rig) {
  rig.Host().Window().Invalidate();
  return rig.Screen();
}

struct Screen {
  int width, height;
  bool english;
  const char* units;
};
constexpr Screen kScreens[] = {{1366, 768, false, "wired:04/1195:sine=2048,1500,1"},
                               {1920, 1080, true, "wired:04/1195:sine=2048,1500,1;wired:04/1195:ramp=1000,3000,0.4"}};

std::string Name(const Screen& s) { return std::to_string(s.width) + (s.english ? " en" : " ru"); }

TEST(Review, EveryCommandLeavesThePictureItsViewSays) {
  for (const Screen& s : kScreens) {
    SCOPED_TRACE(Name(s));
    ReviewRig rig(s.width, s.height, s.english, s.units);
    rig.EnterMeasureScreen();
    rig.Record(7.0);
    GraphView& view = rig.View();
    const WindowRect p = rig.Plot();
    // Each command's screen is the one a fresh paint of its view gives: nothing of the screen before it stays.
    const auto command = [&](const char* name, const std::function<void()>& act) {
      SCOPED_TRACE(name);
      act();
      const Picture shown = rig.Screen();
      EXPECT_EQ(Changed(rig, shown, Fresh(rig)), 0);
      return shown;
    };
    const Picture fitted = command("fit", [&] { rig.Press(kFit); });
    const Picture zoomed = command("zoom", [&] {
      rig.Drag(MouseButton::Right, p.left + p.Width() / 4, p.top + 20, p.left + p.Width() / 2, p.bottom - 20);
    });
    const double start = view.Scale.StartTime;
    command("page forward", [&] { rig.Press(kPageForward); });
    EXPECT_GT(view.Scale.StartTime, start);
    const Picture back = command("page back", [&] { rig.Press(kPageBack); });
    EXPECT_EQ(Changed(rig, zoomed, back), 0) << "a page forward and back gives back the zoomed picture";
    const Picture undone = command("middle button", [&] { rig.Click(MouseButton::Middle, p.left + 50, p.top + 50); });
    EXPECT_EQ(Changed(rig, fitted, undone), 0) << "undoing the zoom gives back the fitted picture";
    command("next scale", [&] { rig.Press(kNext); });
    EXPECT_EQ(Changed(rig, zoomed, rig.Screen()), 0);
    command("previous scale", [&] { rig.Press(kBack); });
  }
}

// The user aims a zoom by the time labels on the screen; after an undo they must be the view's own.
TEST(Review, AZoomLandsWhereTheTimeLabelsSayAlsoAfterAnUndo) {
  ReviewRig rig;
  rig.EnterMeasureScreen();
  rig.Record(7.0);
  GraphView& view = rig.View();
  const WindowRect p = rig.Plot();
  const auto zoom = [&](int from, int to) {
    const double t0 = TimeAt(view, from), t1 = TimeAt(view, to), column = (t1 - t0) / (to - from);
    rig.Drag(MouseButton::Right, from, p.top + 20, to, p.bottom - 20);
    EXPECT_NEAR(view.Scale.StartTime, t0, 2 * column);
    EXPECT_NEAR(view.Scale.EndTime, t1, 6 * column);  // the selection's right edge stands 4 pixels in
  };
  rig.Press(kFit);
  zoom(p.left + p.Width() / 6, p.left + p.Width() / 2);
  // Twice back by the toolbar: to the fitted record, then to the screen the recording stopped on.
  for (int k = 0; k < 2; ++k) {
    rig.Press(kBack);
    const Picture shown = rig.Screen();
    EXPECT_EQ(Changed(rig, shown, Fresh(rig)), 0) << k;
  }
  zoom(p.left + p.Width() / 10, p.left + p.Width() / 3);
}

// A marker line: the column is dark over the plot's whole height.
bool LineAt(const Picture& shown, const WindowRect& plot, int x) {
  for (int y = plot.top; y < plot.bottom; ++y) {
    const std::uint8_t* c = shown.At(x, y);
    if (c[0] > 120 || c[1] > 60 || c[2] > 60) return false;  // blue, green, red
  }
  return true;
}

TEST(Review, RightClicksSetMarkersWithCaptionsThatLeaveNothingBehind) {
  for (const Screen& s : kScreens) {
    SCOPED_TRACE(Name(s));
    ReviewRig rig(s.width, s.height, s.english, s.units);
    rig.EnterMeasureScreen();
    rig.Record(7.0);
    rig.Press(kFit);
    const Picture fitted = rig.Screen();
    const WindowRect p = rig.Plot();
    const int x1 = p.left + p.Width() / 4, x2 = p.left + p.Width() * 3 / 5, y = (p.top + p.bottom) / 2;
    const auto settled = [&] {
      const Picture shown = rig.Screen();
      EXPECT_EQ(Changed(rig, shown, Fresh(rig)), 0);
      return shown;
    };
    rig.Click(MouseButton::Right, x1, y);
    Picture shown = settled();
    EXPECT_TRUE(LineAt(shown, p, x1));
    // Its caption beside the line, at the plot's top.
    EXPECT_GT(fitted.Differences(shown, {x1 + 2, p.top, x1 + 60, p.top + 30}), 100);
    rig.Click(MouseButton::Right, x2, y);
    shown = settled();
    EXPECT_TRUE(LineAt(shown, p, x1) && LineAt(shown, p, x2));
    // The first marker dragged along: its line leaves its old column.
    rig.Drag(MouseButton::Right, x1, y, x1 + 80, y);
    shown = settled();
    EXPECT_TRUE(LineAt(shown, p, x1 + 80));
    EXPECT_FALSE(LineAt(shown, p, x1));
    // A click on the second one's badge removes it.
    const PixelRect badge = rig.View().Markers[1].CaptionRect;
    rig.Click(MouseButton::Right, (badge.Left + badge.Right) / 2, (badge.Top + badge.Bottom) / 2);
    shown = settled();
    EXPECT_FALSE(LineAt(shown, p, x2));
    EXPECT_TRUE(LineAt(shown, p, x1 + 80));
    // A right click outside the graph removes the markers: the fitted picture comes back.
    rig.Click(MouseButton::Right, 2, rig.ViewArea().bottom + 3);
    EXPECT_EQ(Changed(rig, fitted, rig.Screen()), 0);
  }
}

}  // namespace
