// Tests of the graph view's mouse handling, markers, selection zoom and view history.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "acquisition/ft_record_device.h"
#include "review_fixture.h"

namespace {

using Handler = void (GraphView::*)(std::uint32_t, std::int32_t, std::int32_t);

// A pointer event at plot coordinates (x from the plot's left edge, y from its top).
struct Step {
  Handler handler;
  std::uint32_t buttons;
  std::int32_t x;
  std::int32_t y;
};
constexpr std::uint32_t kR = GraphView::kRightButton;
constexpr std::uint32_t kL = GraphView::kLeftButton;
constexpr Handler kDownR = &GraphView::OnRButtonDown, kUpR = &GraphView::OnRButtonUp, kMove = &GraphView::OnMouseMove,
                  kDownL = &GraphView::OnLButtonDown;

// The zero line's row before any pan: the value range starts at a top of 2.
std::int32_t StartZeroLine(const GraphView& v) {
  return static_cast<std::int32_t>(2.0 / v.Scale.ValuePerPixel + v.PlotRect.Top);
}

class GraphMouse : public ReviewFixture {
 protected:
  void Run(const std::vector<Step>& steps) {
    for (const Step& s : steps) (view.*s.handler)(s.buttons, view.PlotRect.Left + s.x, view.PlotRect.Top + s.y);
  }
};

TEST_F(GraphMouse, SequencesOfPressMoveAndRelease) {
  // 10 samples a column; column c (1-based) starts at sample 10 (c - 1).
  const struct Case {
    const char* name;
    std::uint32_t samples;
    float seconds_per_division;
    std::vector<Step> steps;
    std::function<void(const GraphView&)> check;
  } cases[] = {
      {"15 px is no selection", 30000, 1.0f, {{kDownR, kR, 100, 100}, {kMove, kR, 115, 115}, {kUpR, kR, 115, 115}},
       [](const GraphView& v) { EXPECT_DOUBLE_EQ(v.Scale.SamplesPerColumn, 10.0); }},
      {"16 px zooms", 30000, 1.0f, {{kDownR, kR, 100, 100}, {kMove, kR, 300, 300}, {kUpR, kR, 300, 300}},
       [](const GraphView& v) {
         EXPECT_DOUBLE_EQ(v.Scale.SamplesPerScreen, 2950 - 990 + 10);
         EXPECT_EQ(v.Channel(0).TimeBase[1].FirstSample, 990u);
         EXPECT_EQ(v.History.Count, 2);
       }},
      {"right to left", 30000, 1.0f, {{kDownR, kR, 300, 300}, {kMove, kR, 100, 100}, {kUpR, kR, 100, 100}},
       [](const GraphView& v) { EXPECT_EQ(v.Channel(0).TimeBase[1].FirstSample, 990u); }},
      {"20 samples at least", 30000, 0.01f, {{kDownR, kR, 100, 100}, {kMove, kR, 117, 300}, {kUpR, kR, 117, 300}},
       [](const GraphView& v) { EXPECT_DOUBLE_EQ(v.Scale.SamplesPerScreen, 20.0); }},
      {"markers, a selection only, a caption click", 30000, 1.0f,
       {{kDownR, kR, 200, 50}, {kUpR, kR, 200, 50}, {kDownR, kR, 400, 50}, {kUpR, kR, 400, 50},
        {kDownR, kR, 600, 50}, {kUpR, kR, 600, 50}, {kDownR, kR, 212, -20}, {kUpR, kR, 212, -20}},
       [](const GraphView& v) {
         EXPECT_EQ(v.Markers[0].Column + v.Markers[1].Column, 201 + 401);
         EXPECT_EQ(v.Markers[1].Set - v.Markers[0].Set, 1);
       }},
      {"drag clamped to the shown columns", 8000, 1.0f,
       {{kDownR, kR, 200, 50}, {kUpR, kR, 200, 50}, {kDownR, kR, 200, 50}, {kMove, kR, 250, 50},
        {kMove, kR, 900, 50}, {kUpR, kR, 900, 50}},
       [](const GraphView& v) {
         EXPECT_EQ(v.Markers[0].Column, 800);
         EXPECT_EQ(v.Markers[0].LineRect.Left, v.PlotRect.Left + 799 - 7 - 1);
       }},
      {"1 px residue", 30000, 1.0f, {{kDownL, kL, 100, 100}, {kMove, kL, 100, 101}},
       [](const GraphView& v) { EXPECT_EQ(v.PanResidueY, 1); }},
      {"two 1 px moves pan by 2", 30000, 1.0f, {{kDownL, kL, 100, 100}, {kMove, kL, 100, 101}, {kMove, kL, 100, 102}},
       [](const GraphView& v) { EXPECT_EQ(v.Scale.ZeroLinePixel, StartZeroLine(v) + 2); }},
      {"pan capped at 0.66 of the plot", 30000, 1.0f, {{kDownL, kL, 100, 0}, {kMove, kL, 100, 900}},
       [](const GraphView& v) { EXPECT_EQ(v.Scale.ZeroLinePixel, StartZeroLine(v) + static_cast<int>(0.66 * v.PlotHeight)); }},
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
  int back = 0, forward = 0;
  while (ring.StepBack()) ++back;
  EXPECT_EQ(ring.CurrentIndex, ring.OldestIndex());
  while (ring.StepForward()) ++forward;
  EXPECT_EQ(back + forward, 2 * (ViewHistory::kEntries - 1));
  // A push after stepping back drops the newer entries.
  ring.StepBack();
  ring.Push();
  EXPECT_FALSE(ring.StepForward());

  Record(30000);
  view.ResetViewHistory();
  view.SaveViewHistory();
  view.SaveViewHistory();
  EXPECT_EQ(view.History.Count, 1);
  // Saved at 1000 columns, restored after the plot narrowed: the columns stay inside the plot.
  view.SetViewRect(PixelRect{0, 0, 600, 800}, 0);
  view.RestoreViewHistory(view.History.CurrentIndex);
  EXPECT_LE(view.LastShownColumn, view.PlotWidth);
  EXPECT_LE(LastShownSample(), view.LastSampleIndex);
}

TEST_F(GraphMouse, DeviceCaptionBoxCyclesTheUsableSlots) {
  Record(30000);
  std::uint32_t devices = 3;
  view.CountDevices = [&devices] { return devices; };
  window.CaptionBox.Shown = 1;
  window.CaptionBox.Rect = window.CaptionBox.Inner = PixelRect{0, 0, 100, 30};
  std::array<FTRecordDevice, 3> units;
  for (std::size_t i : {1, 2}) {
    window.DeviceSlots[i].InUse = window.DeviceSlots[i].Prepared = 1;
    window.DeviceSlots[i].Channels[0] = &view.Channel(i);
    window.DeviceSlots[i].Device = &units[i];
    units[i].NameLine1 = std::to_string(i);
  }
  // Slot 0 is not in use: a press that would show it ends where it is.
  for (const std::uint8_t slot : {1, 2, 2}) {
    view.OnLButtonDown(kL, 10, 10);
    view.OnLButtonUp(0, 10, 10);
    EXPECT_EQ(view.ViewDeviceSlot, slot);
    EXPECT_EQ(window.CaptionBox.Caption1, std::to_string(slot));
  }
  devices = 0;
  window.Bytes.EnglishUi = 1;
  view.OnLButtonDown(kL, 10, 10);
  EXPECT_EQ(window.CaptionBox.Caption1, "no sensors connected");
}

}  // namespace
