// Reviewing a stopped record on the assembled window: fit, zoom, paging, undo and markers, read from its pixels.
#include <gtest/gtest.h>

#include "review_rig.h"

namespace {

using apptest::Picture;
using apptest::ReviewRig;
using platform::MouseButton;

// The time a plot column shows, on the view's own time axis.
double TimeAt(GraphView& view, int x) {
  const PixelRect& p = view.PlotRect;
  return view.Scale.StartTime + (view.Scale.EndTime - view.Scale.StartTime) * (x - p.Left) / p.Width();
}

TEST(Review, SelectionZoomShowsTheSelectedSpan) {
  ReviewRig rig;
  rig.EnterMeasureScreen();
  rig.Record(7.0);
  rig.Press(75013);  // fit
  GraphView& view = rig.View();
  const platform::WindowRect p = rig.Plot();
  const int from = p.left + p.right / 6, to = p.left + p.right / 2;
  const double t0 = TimeAt(view, from), t1 = TimeAt(view, to);
  rig.Drag(MouseButton::Right, from, p.top + 30, to, p.bottom - 30);
  const double column = (t1 - t0) / p.Width() * 4;
  EXPECT_NEAR(view.Scale.StartTime, t0, column);
  EXPECT_NEAR(view.Scale.EndTime, t1, 4 * column);
}

}  // namespace
