// Tests of the graph view's mouse handling, markers, selection zoom and view history.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "review_fixture.h"

namespace {

enum class Act { RightDown, RightUp, RightMove, LeftDown, LeftUp, LeftMove, MiddleDown };

// A pointer event at plot coordinates (x from the plot's left edge, y from its top).
struct Step {
  Act act;
  std::int32_t x;
  std::int32_t y;
};

// The zero line's row before any pan: the value range starts at a top of 2.
std::int32_t StartZeroLine(const GraphView& v) {
  return static_cast<std::int32_t>(2.0 / v.Scale.ValuePerPixel + v.PlotRect.Top);
}

class GraphMouse : public ReviewFixture {
 protected:
  void Run(const std::vector<Step>& steps) {
    for (const Step& s : steps) {
      const std::int32_t x = view.PlotRect.Left + s.x;
      const std::int32_t y = view.PlotRect.Top + s.y;
      switch (s.act) {
        case Act::RightDown: view.OnRButtonDown(GraphView::kRightButton, x, y); break;
        case Act::RightUp: view.OnRButtonUp(0, x, y); break;
        case Act::RightMove: view.OnMouseMove(GraphView::kRightButton, x, y); break;
        case Act::LeftDown: view.OnLButtonDown(GraphView::kLeftButton, x, y); break;
        case Act::LeftUp: view.OnLButtonUp(0, x, y); break;
        case Act::LeftMove: view.OnMouseMove(GraphView::kLeftButton, x, y); break;
        case Act::MiddleDown: view.OnMButtonDown(GraphView::kMiddleButton, x, y); break;
      }
    }
  }
};

TEST_F(GraphMouse, SequencesOfPressMoveAndRelease) {
  using A = Act;
  // 10 samples a column; column c (1-based) starts at sample 10 (c - 1).
  const struct Case {
    const char* name;
    std::uint32_t samples;
    float seconds_per_division;
    std::vector<Step> steps;
    std::function<void(const GraphView&)> check;
  } cases[] = {
      {"15 px is no selection", 30000, 1.0f, {{A::RightDown, 100, 100}, {A::RightMove, 115, 115}, {A::RightUp, 115, 115}},
       [](const GraphView& v) { EXPECT_DOUBLE_EQ(v.Scale.SamplesPerColumn, 10.0); }},
      {"16 px zooms", 30000, 1.0f, {{A::RightDown, 100, 100}, {A::RightMove, 300, 300}, {A::RightUp, 300, 300}},
       [](const GraphView& v) {
         EXPECT_DOUBLE_EQ(v.Scale.SamplesPerScreen, 2950 - 990 + 10);
         EXPECT_EQ(v.Channel(0).TimeBase[1].FirstSample, 990u);
         EXPECT_EQ(v.History.Count, 2);
       }},
      {"right to left", 30000, 1.0f, {{A::RightDown, 300, 300}, {A::RightMove, 100, 100}, {A::RightUp, 100, 100}},
       [](const GraphView& v) { EXPECT_EQ(v.Channel(0).TimeBase[1].FirstSample, 990u); }},
      {"20 samples at least", 30000, 0.01f, {{A::RightDown, 100, 100}, {A::RightMove, 117, 300}, {A::RightUp, 117, 300}},
       [](const GraphView& v) { EXPECT_DOUBLE_EQ(v.Scale.SamplesPerScreen, 20.0); }},
      {"markers, then a selection only", 30000, 1.0f,
       {{A::RightDown, 200, 50}, {A::RightUp, 200, 50}, {A::RightDown, 400, 50}, {A::RightUp, 400, 50},
        {A::RightDown, 600, 50}, {A::RightUp, 600, 50}},
       [](const GraphView& v) {
         EXPECT_EQ(v.Markers[0].Column, 201);
         EXPECT_EQ(v.Markers[1].Column, 401);
         EXPECT_EQ(v.CountMarkedPoints(), 2u);
       }},
      {"caption click removes", 30000, 1.0f,
       {{A::RightDown, 200, 50}, {A::RightUp, 200, 50}, {A::RightDown, 212, -20}, {A::RightUp, 212, -20}},
       [](const GraphView& v) { EXPECT_EQ(v.CountMarkedPoints(), 0u); }},
      {"drag clamped to the shown columns", 8000, 1.0f,
       {{A::RightDown, 200, 50}, {A::RightUp, 200, 50}, {A::RightDown, 200, 50}, {A::RightMove, 250, 50},
        {A::RightMove, 900, 50}, {A::RightUp, 900, 50}},
       [](const GraphView& v) {
         EXPECT_EQ(v.Markers[0].Column, 800);
         EXPECT_EQ(v.Markers[0].LineRect.Left, v.PlotRect.Left + 799 - 7 - 1);
       }},
      {"1 px residue", 30000, 1.0f, {{A::LeftDown, 100, 100}, {A::LeftMove, 100, 101}},
       [](const GraphView& v) { EXPECT_EQ(v.PanResidueY, 1); }},
      {"two 1 px moves pan by 2", 30000, 1.0f, {{A::LeftDown, 100, 100}, {A::LeftMove, 100, 101}, {A::LeftMove, 100, 102}},
       [](const GraphView& v) { EXPECT_EQ(v.Scale.ZeroLinePixel, StartZeroLine(v) + 2); }},
      {"pan capped at 0.66 of the plot", 30000, 1.0f, {{A::LeftDown, 100, 0}, {A::LeftMove, 100, 900}},
       [](const GraphView& v) {
         const auto cap = static_cast<std::int32_t>(0.66 * v.PlotHeight);
         EXPECT_EQ(v.Scale.ZeroLinePixel, StartZeroLine(v) + cap);
       }},
      {"middle button undoes a zoom", 30000, 1.0f,
       {{A::RightDown, 100, 100}, {A::RightMove, 300, 300}, {A::RightUp, 300, 300}, {A::MiddleDown, 0, 0}},
       [](const GraphView& v) {
         EXPECT_DOUBLE_EQ(v.Scale.SamplesPerColumn, 10.0);
         EXPECT_EQ(v.Channel(0).TimeBase[1].FirstSample, 0u);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Record(c.samples);
    if (c.seconds_per_division != 1.0f) {
      view.SetScales(c.seconds_per_division, 0.5f, 1);
      view.ShowFromStart(0.0);
    }
    view.ResetViewHistory();
    view.MoveInProgress = 0;  // as the paint of the last case's move would
    Run(c.steps);
    c.check(view);
  }
}

TEST_F(GraphMouse, HistoryIsARingThatStopsAtItsEnds) {
  ViewHistory ring;
  for (int i = 0; i < 40; ++i) ring.Push();
  EXPECT_EQ(ring.OldestIndex(), (ring.NewestIndex + 1) % ViewHistory::kEntries);
  int back = 0;
  while (ring.StepBack()) ++back;
  EXPECT_EQ(back, ViewHistory::kEntries - 1);
  EXPECT_EQ(ring.CurrentIndex, ring.OldestIndex());
  int forward = 0;
  while (ring.StepForward()) ++forward;
  EXPECT_EQ(forward, ViewHistory::kEntries - 1);
  // A push after stepping back drops the newer entries.
  ring.StepBack();
  ring.StepBack();
  ring.Push();
  EXPECT_FALSE(ring.StepForward());

  Record(30000);
  view.ResetViewHistory();
  view.SaveViewHistory();
  view.SaveViewHistory();
  EXPECT_EQ(view.History.Count, 1);
  // Saved at 1000 columns, restored after the plot narrowed: the columns stay inside the plot.
  view.LastShownColumn = 1000;
  view.SaveViewHistory();
  view.Scale.StartTime = 1.0;
  view.SetViewRect(PixelRect{0, 0, 600, 800}, 0);
  view.RestoreViewHistory(view.History.CurrentIndex);
  EXPECT_LE(view.LastShownColumn, view.PlotWidth);
  EXPECT_LE(LastShownSample(), view.LastSampleIndex);
}

TEST_F(GraphMouse, DeviceCaptionBoxCyclesTheUsableSlots) {
  Record(30000);
  std::uint32_t devices = 3;
  view.CountDevices = [&devices] { return devices; };
  auto& box = window.CaptionBox;
  box.Shown = 1;
  box.Rect = box.Inner = PixelRect{0, 0, 100, 30};
  for (std::size_t i : {1, 2}) {
    window.DeviceSlots[i].InUse = window.DeviceSlots[i].Prepared = 1;
    window.DeviceSlots[i].Channels[0] = &view.Channel(i);
    window.DeviceSlots[i].SensorName1 = i == 1 ? "one" : "two";
  }
  const struct {
    std::uint8_t slot_after;
    const char* caption;
  } presses[] = {{1, "one"}, {2, "two"}, {2, "two"}};  // slot 0 is not in use: the press ends
  for (const auto& p : presses) {
    view.OnLButtonDown(GraphView::kLeftButton, 10, 10);
    view.OnLButtonUp(0, 10, 10);
    EXPECT_EQ(view.ViewDeviceSlot, p.slot_after);
    EXPECT_EQ(box.Caption1, p.caption);
  }
  devices = 0;
  window.Bytes.EnglishUi = 1;
  view.OnLButtonDown(GraphView::kLeftButton, 10, 10);
  EXPECT_EQ(box.Caption1, "no sensors connected");
}

}  // namespace
