// Reviewing a stopped record on the assembled window: fit, zoom, paging, undo and markers, read from its pixels.
#include <gtest/gtest.h>

#include <string>

#include "review_rig.h"

namespace {

using apptest::Picture;
using apptest::ReviewRig;
using platform::MouseButton;
using platform::WindowRect;

constexpr std::int32_t kFit = 75013, kBack = 75014, kNext = 75053, kPageBack = 75045, kPageForward = 75046;

struct Screen {
  int width, height;
  bool english;
  const char* units;
};
constexpr Screen kScreens[] = {{1366, 768, false, "wired:04/1195:sine=2048,1500,1"},
                               {1920, 1080, true, "wired:04/1195:sine=2048,1500,1;wired:04/1195:ramp=1000,3000,0.4"}};

// A 7 s record, stopped on its second sweep screen.
std::unique_ptr<ReviewRig> Recorded(const Screen& s) {
  auto rig = std::make_unique<ReviewRig>(s.width, s.height, s.english, s.units);
  rig->EnterMeasureScreen();
  rig->Record(7.0);
  return rig;
}

// Pixels of the graph area that differ, the value indicators' strips left out.
int Changed(ReviewRig& rig, const Picture& a, Picture b) {
  for (const PixelRect& s : rig.View().IndicatorStrips)
    for (int y = std::max(s.Top, 0); y < std::min(s.Bottom, a.Height); ++y)
      for (int x = std::max(s.Left, 0); x < std::min(s.Right, a.Width); ++x)
        std::copy_n(a.At(x, y), 4, b.Bytes.data() + (static_cast<std::size_t>(y) * a.Width + x) * 4);
  return a.Differences(b, rig.ViewArea());
}

// The screen, checked against a paint of the whole window that the program did not ask for (the
// window uncovered): nothing of an earlier screen may stay. The time axis's name stays on the window.
Picture Settled(ReviewRig& rig) {
  const Picture shown = rig.Screen();
  rig.Host().Window().Invalidate();
  EXPECT_EQ(Changed(rig, shown, rig.Screen()), 0);
  EXPECT_LE(rig.View().TimeNameReach.Right, rig.View().ViewRect.Right) << "the time axis's name runs off the window";
  return shown;
}

// Each command's screen is its view's own, whatever came before; the user aims a zoom by the time
// labels on it, also on the screen an undo has brought back.
TEST(Review, EveryCommandLeavesThePictureItsViewSaysAndAZoomLandsWhereItsLabelsSay) {
  for (const Screen& s : kScreens) {
    SCOPED_TRACE(s.width);
    const auto rig = Recorded(s);
    GraphView& view = rig->View();
    const WindowRect p = rig->Plot();
    const auto zoom = [&](int from, int to) {
      const auto time = [&](int x) { return view.Scale.StartTime + (view.Scale.EndTime - view.Scale.StartTime) * (x - p.left) / p.Width(); };
      const double t0 = time(from), t1 = time(to), column = (t1 - t0) / (to - from);
      rig->Drag(MouseButton::Right, from, p.top + 20, to, p.bottom - 20);
      EXPECT_NEAR(view.Scale.StartTime, t0, 2 * column);
      EXPECT_NEAR(view.Scale.EndTime, t1, 6 * column);  // the selection's right edge stands 4 pixels in
      return Settled(*rig);
    };
    rig->Press(kFit);
    const Picture fitted = Settled(*rig);
    const Picture zoomed = zoom(p.left + p.Width() / 4, p.left + p.Width() / 2);
    const double start = view.Scale.StartTime;
    rig->Press(kPageForward);
    Settled(*rig);
    EXPECT_GT(view.Scale.StartTime, start);
    rig->Press(kPageBack);
    EXPECT_EQ(Changed(*rig, zoomed, Settled(*rig)), 0) << "a page forward and back gives back the zoomed picture";
    rig->Click(MouseButton::Middle, p.left + 50, p.top + 50);
    EXPECT_EQ(Changed(*rig, fitted, Settled(*rig)), 0) << "the middle button gives back the fitted picture";
    rig->Press(kNext);
    EXPECT_EQ(Changed(*rig, zoomed, Settled(*rig)), 0);
    // Twice back: to the fitted record, then to the screen the recording stopped on.
    rig->Press(kBack);
    EXPECT_EQ(Changed(*rig, fitted, Settled(*rig)), 0);
    rig->Press(kBack);
    Settled(*rig);
    zoom(p.left + p.Width() / 10, p.left + p.Width() / 3);
  }
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
    SCOPED_TRACE(s.width);
    const auto rig = Recorded(s);
    rig->Press(kFit);
    const Picture fitted = rig->Screen();
    const WindowRect p = rig->Plot();
    const int x1 = p.left + p.Width() / 4, x2 = p.left + p.Width() * 3 / 5, y = (p.top + p.bottom) / 2;
    rig->Click(MouseButton::Right, x1, y);
    Picture shown = Settled(*rig);
    EXPECT_TRUE(LineAt(shown, p, x1));
    EXPECT_GT(fitted.Differences(shown, {x1 + 2, p.top, x1 + 60, p.top + 30}), 100);  // its caption
    rig->Click(MouseButton::Right, x2, y);
    shown = Settled(*rig);
    EXPECT_TRUE(LineAt(shown, p, x1) && LineAt(shown, p, x2));
    // The first marker dragged along: its line leaves its old column.
    rig->Drag(MouseButton::Right, x1, y, x1 + 80, y);
    shown = Settled(*rig);
    EXPECT_TRUE(LineAt(shown, p, x1 + 80) && !LineAt(shown, p, x1));
    // A click on the second one's badge removes it.
    const PixelRect badge = rig->View().Markers[1].CaptionRect;
    rig->Click(MouseButton::Right, (badge.Left + badge.Right) / 2, (badge.Top + badge.Bottom) / 2);
    shown = Settled(*rig);
    EXPECT_TRUE(LineAt(shown, p, x1 + 80) && !LineAt(shown, p, x2));
    // A right click outside the graph removes the markers: the fitted picture comes back.
    rig->Click(MouseButton::Right, 2, rig->ViewArea().bottom + 3);
    EXPECT_EQ(Changed(*rig, fitted, rig->Screen()), 0);
  }
}

// A minute of a smoothed 5 Hz sine fitted to the screen: columns of fifty samples each span their
// range, so the band's edges stay level along the plot instead of tracing a false envelope.
TEST(Review, FittedLongSmoothedRecordShowsItsWholeRangeAlongThePlot) {
  ReviewRig rig(1366, 768, false, "wired:04/1195:sine=2048,2047,5");
  rig.EnterMeasureScreen();
  rig.Record(60.0);
  rig.Press(kFit);
  ASSERT_NE(rig.View().Channel(0).FractionalCodes, 0) << "the voltage sensor smooths by default";
  const Picture p = Settled(rig);
  const WindowRect plot = rig.Plot();
  const Rgba ink = rig.View().Channel(0).Colour;
  // The lowest inked row of every pixel column: most reach the troughs' row.
  std::vector<int> bottoms;
  for (int x = plot.left + 2; x < plot.right - 2; ++x) {
    int bottom = plot.top;
    for (int y = plot.top; y < plot.bottom; ++y)
      if (p.At(x, y)[2] == ink.R && p.At(x, y)[1] == ink.G && p.At(x, y)[0] == ink.B) bottom = y;
    bottoms.push_back(bottom);
  }
  const int lowest = *std::max_element(bottoms.begin(), bottoms.end());
  const auto near = std::count_if(bottoms.begin(), bottoms.end(), [&](int y) { return y >= lowest - 8; });
  EXPECT_GT(near * 2, static_cast<long>(bottoms.size())) << near << " of " << bottoms.size() << " columns reach the troughs";
}

}  // namespace
