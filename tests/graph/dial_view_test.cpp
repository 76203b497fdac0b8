// Tests of the analog dial: tick mapping, and rendered dials whose needle is probed.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "fakes/fake_main_window.h"
#include "graph/dial_view.h"
#include "graph/graph_view.h"
#include "render/agg_ren.h"

namespace {

TEST(DialGeometry, ValueTicksMapOntoTheScaleAndStayInsideIt) {
  const struct {
    double y, h;
    int tick;
  } cases[] = {{0, 400, 199}, {400, 400, 0}, {-50, 400, 199}, {900, 400, 0}, {10, 0, 0}};
  for (const auto& c : cases) EXPECT_EQ(DialView::DialTickOfPixel(c.y, c.h), c.tick) << c.y << "/" << c.h;
}

float Hundredths(std::int16_t code, const VessamorChannel*) { return code * 0.01f; }

class DialPaint : public ::testing::Test {
 protected:
  DialPaint() {
    view.Init(100000, {0, 40, 1280, 900}, 0xFF, &window);
    VessamorChannel& ch = view.Channel(0);
    ch.Enabled = ch.Shown = 1;
    ch.RawToValueFn = &Hundredths;
    ch.FractionalCodes = 0;
    ch.Symbol = "U";
    ch.Unit = "В";
    view.Recording = 1;
    view.LastSampleIndex = 10;
    view.LastShownColumn = 5;
    view.Scale.BottomValue = -2.0;  // the axis of the set-up view: -2 .. 2
    back.Fill({0, 0, 0, 255});
    ren.Attach(back);
    dial.SwitchToDialMode(view);
  }
  // Paints with the last shown column at `value`, a second after the previous paint.
  void PaintAt(double value) {
    view.Channel(0).Columns[view.LastShownColumn].MaxCode = static_cast<std::int32_t>(std::lround(value * 100));
    screen.NowMs += 1000;
    dial.Paint(ren, back, {0, 0, back.Width(), back.Height()}, view, screen);
  }
  // The pixel `r` pixels from the pivot in `degrees` (counter-clockwise from the positive x axis).
  platform::Colour At(double degrees, double r) const {
    const double a = degrees * std::numbers::pi / 180.0;
    return back.GetPixel(static_cast<int>(std::lround(dial.DialPivotX + r * std::cos(a))),
                         static_cast<int>(std::lround(dial.DialPivotY - r * std::sin(a))));
  }

  FakeMainWindow window{1280, 994};
  GraphView view;
  DialScreen screen{1280, 994, window.ScaleX(), window.ScaleY(), window.UiScale(), {0, 0, 1280, 994}, 954, 0};
  platform::Surface back{1280, 994};
  agg_ren ren;
  DialView& dial = view.Dial;
};

TEST_F(DialPaint, NeedlePointsAtTheValueOnTheScaleAndBeyondIt) {
  const platform::Colour needle{170, 75, 50, 255};
  for (double value : {-2.0, 0.0, 3.0}) {
    PaintAt(value);
    // Where the scale puts the value: tick 0 at the axis bottom, tick 199 at its top.
    const double degrees = DialView::TickDegrees((value + 2.0) / 4.0 * 199.0);
    for (double r : {0.35, 0.65}) {
      EXPECT_EQ(At(degrees, r * dial.NeedleLength), needle) << value << " at " << r;
      EXPECT_NE(At(degrees + 4.0, r * dial.NeedleLength), needle) << value << " at " << r;
    }
  }
  // The needle past the top ends beyond the scale's right end (44.95 degrees).
  EXPECT_LT(dial.NeedleDegrees(dial.DialAngle), DialView::TickDegrees(199) - 20.0);
}

TEST_F(DialPaint, NeedleHoldsItsAngleWhenThereIsNothingNewToShow) {
  const struct {
    const char* what;
    void (*change)(GraphView&, DialScreen&);
  } cases[] = {
      {"flat axis", [](GraphView& v, DialScreen&) { v.Scale.TopValue = v.Scale.BottomValue; }},
      {"not recording", [](GraphView& v, DialScreen&) { v.Recording = 0; }},
      {"no channel shown", [](GraphView& v, DialScreen&) { v.Channel(0).Shown = 0; }},
      {"within 200 ms", [](GraphView&, DialScreen& s) { s.NowMs -= 900; }},
  };
  for (const auto& c : cases) {
    PaintAt(1.0);
    const float angle = dial.DialAngle;
    c.change(view, screen);
    PaintAt(-1.0);
    EXPECT_EQ(dial.DialAngle, angle) << c.what;
    view.Scale.TopValue = 2.0, view.Recording = 1, view.Channel(0).Shown = 1;
  }
  // An axis without height places no labels.
  view.PlotHeight = 0;
  PaintAt(0.0);
  for (std::size_t t = 1; t + 1 < DialView::kTicks; ++t) EXPECT_EQ(dial.DialTickMarks[t], 0) << t;
}

// While recording, the samples so far are the view's sample count; the last index follows only at
// the stop, and the needle moves all the same.
TEST_F(DialPaint, NeedleMovesWhileRecordingBeforeTheLastIndexIsKnown) {
  view.LastSampleIndex = 0;
  view.SampleCount = 2;
  PaintAt(1.0);
  EXPECT_EQ(dial.DialAngle, -0.5f);
  view.SampleCount = 50;
  PaintAt(1.0);
  EXPECT_NEAR(dial.DialAngle, 3.0 / 4.0 * 179.0 - 89.0, 1e-3);
}

TEST_F(DialPaint, FractionalCodesInterpolateBetweenNeighbouringValues) {
  view.Channel(0).FractionalCodes = 1;
  view.Channel(0).Columns[view.LastShownColumn].MaxCode = 150 * 256 + 128;  // 1.505
  screen.NowMs += 1000;
  dial.Paint(ren, back, {0, 0, 1280, 994}, view, screen);
  EXPECT_NEAR(dial.DialAngle, (1.505 + 2.0) / 4.0 * 179.0 - 89.0, 1e-3);
}

}  // namespace
