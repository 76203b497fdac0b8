// Tests of the graph view's scales, grids, paging, fit and housekeeping on a record under review.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "render/agg_ren.h"
#include "review_fixture.h"

namespace {

using GraphScales = ReviewFixture;

TEST_F(GraphScales, TimeGridStepsAndTheRecordingSnap) {
  Record(5000);
  const std::pair<float, double> grids[] = {{6.0f, 5.0}, {8.0f, 10.0}, {1.2f, 1.0}, {0.3f, 0.2}, {0.05f, 0.05}};
  for (const auto& [division, step] : grids) {
    view.SetScales(division, 0.5f, 1);
    view.UpdateTimeGrid();
    EXPECT_DOUBLE_EQ(view.Scale.TimeLabelStep, step) << division;
  }
  const std::tuple<double, double, std::uint8_t> snaps[] = {{0.3, 0.5, 1}, {0.065, 0.05, 2}, {1.1, 1.0, 0}, {12, 12, 7}};
  for (const auto& [scale, step, decimals] : snaps) {
    view.Scale.SecondsPerDivision = scale;
    view.Scale.TimeLabelDecimals = 7;
    view.ChooseTimeGridStep();
    EXPECT_DOUBLE_EQ(view.Scale.SecondsPerDivision, step) << scale;
    EXPECT_EQ(view.Scale.TimeLabelDecimals, decimals) << scale;
  }
}

TEST_F(GraphScales, HostileScalesNeverPlaceMoreThan95Ticks) {
  Record(5000);
  for (const double step : {1e-9, 0.001, 0.0, std::numeric_limits<double>::quiet_NaN()}) {
    view.Scale.EndTime = view.Scale.TopValue = 1e9;
    view.Scale.BottomValue = -1e9;
    view.Scale.TimeLabelStep = view.Scale.ValueLabelStep = step;
    view.PlaceValueTicks();
    view.UpdateTimeGrid();
    EXPECT_LE(view.Scale.TimeTickCount, ScaleState::kMaxTickCount);
    EXPECT_LE(view.Scale.ValueTickCount, ScaleState::kMaxTickCount);
  }
  // A rate of 0 and a zero plot leave every factor finite.
  view.RecordRate = view.RateSetting = 0;
  view.PlotWidth = 0;
  view.SetScales(1.5f, 0.0f, 1);
  for (double f : {view.Scale.SamplesPerColumn, view.Scale.ValuePerPixel, view.Scale.SecondsPerColumn}) {
    EXPECT_TRUE(std::isfinite(f) && f > 0.0);
  }
}

TEST_F(GraphScales, PagingByHalfAScreen) {
  // 10 samples a column, 10,000 a screen; the middle column 501 starts at sample 5000.
  const struct {
    std::uint32_t samples;
    double start;
    bool forward;
    std::uint32_t first_after;
    std::uint16_t last_column;
  } cases[] = {
      {30000, 0, true, 5000, 1000},     {12000, 0, true, 5000, 700},  {8000, 0, true, 0, 800},
      {30000, 3000, false, 0, 1000},    {30000, 20000, false, 15000, 1000}, {30000, 0, false, 0, 1000},
      {30000, 25000, true, 25000, 500},
  };
  for (const auto& c : cases) {
    Record(c.samples, 1000, c.start);
    c.forward ? view.PageForward() : view.PageBack();
    EXPECT_EQ(FirstShownSample(), c.first_after) << c.samples << " " << c.start;
    EXPECT_EQ(view.LastShownColumn, c.last_column) << c.samples << " " << c.start;
    EXPECT_LE(LastShownSample(), view.LastSampleIndex);
  }
}

TEST_F(GraphScales, BackwardRebuildKeepsTheLastColumnsStart) {
  Record(30000, 1000, 1234.5);
  view.SetScales(0.37f, 0.5f, 1);  // a fractional 3.7 samples a column
  view.RebuildColumnTable(1, 1000);
  const ColumnRecord first = view.Channel(0).TimeBase[1];
  view.Sweep.ScreenStart = 0.0;
  view.RebuildColumnTable(1, 1000, true);
  EXPECT_EQ(view.Channel(0).TimeBase[1].FirstSample, first.FirstSample);
  // Anchored too close to the start, the screen begins at sample 0.
  view.Channel(0).TimeBase[1000].FirstSample = 100;
  view.RebuildColumnTable(1, 1000, true);
  EXPECT_EQ(view.Channel(0).TimeBase[1].FirstSample, 0u);
}

TEST_F(GraphScales, FitShowsTheWholeRecordWithMargins) {
  // The range is the drawn curve's, whatever the running extremes say; without a shown curve the
  // range stays.
  const struct {
    std::int16_t low, high;
    bool shown;
    double top, bottom;
  } cases[] = {{100, 500, true, 5.4, 0.6}, {300, 300, true, 3.02, 2.98}, {0, 0, true, 0.02, -0.02}, {100, 500, false, 2.0, -2.0}};
  for (const auto& c : cases) {
    Record(3000);
    VessamorChannel& channel = view.Channel(0);
    for (std::uint32_t i = 0; i < 3000; ++i) channel.Codes[i] = static_cast<std::int16_t>(c.low + (c.high - c.low) * (i % 7) / 6);
    channel.RunMax = 4000;
    channel.RunMin = -4000;
    channel.Shown = c.shown ? 1 : 0;
    view.AutoScrollView();
    EXPECT_NEAR(view.Scale.TopValue, c.top, 1e-5) << c.high;
    EXPECT_NEAR(view.Scale.BottomValue, c.bottom, 1e-5) << c.high;
    EXPECT_EQ(FirstShownSample(), 0u);
    EXPECT_GE(LastShownSample(), 2990u);
  }
  // 20 samples are not fitted; over 4,000,000 the fit takes a second step from timer 10.
  Record(21);
  view.AutoScrollView();
  EXPECT_DOUBLE_EQ(view.Scale.SamplesPerColumn, 10.0);
  Record(4000001);
  view.AutoScrollView();
  EXPECT_EQ(view.FitPending, 1);
  EXPECT_EQ(window.Timers, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{10, 33}}));
  view.AutoScrollView();
  EXPECT_EQ(view.FitPending, 0);
  EXPECT_NEAR(view.Scale.SamplesPerScreen, 3999999.0, 1.0);
}

TEST_F(GraphScales, LongLabelsOnASmallScreenKeepThePlotInsideTheTables) {
  FakeMainWindow small(1024, 600);
  ASSERT_TRUE(view.Init(100000, PixelRect{0, 0, 1024, 600}, 0, &small));
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    view.Channel(k).FirstOfSensor = view.Channel(k).Enabled = 1;
    view.Channel(k).ValueWidth = 22;
  }
  view.SetChannelFlags(4, 0);
  view.SetViewRect(PixelRect{0, 0, 1024, 600}, 0);
  EXPECT_TRUE(view.PlotWidth >= 1 && view.PlotWidth <= 1024);
  view.Channel(0).ValueWidth = 200;  // labels wider than the screen
  view.SetViewRect(PixelRect{0, 0, 1024, 600}, 0);
  EXPECT_EQ(view.PlotWidth, 1);
  view.SampleCount = 20000;
  view.LastSampleIndex = 19999;
  view.RecordViewable = 1;
  view.ShowFromStart(0.0);
  view.SelectionRect = PixelRect{0, 0, 5000, 600};
  view.ApplySelection(false);
  view.PageForward();
  EXPECT_LE(view.LastShownColumn, view.Channel(0).ColumnCapacity - 1);
}

TEST_F(GraphScales, MarkerTimeDecimalsFollowTheRate) {
  const std::pair<std::uint32_t, const char*> cases[] = {{1000, "12.345"}, {5000, "2.4690"}, {25000, "0.49380"}};
  for (const auto& [rate, text] : cases) {
    Record(20000, rate);
    view.Channel(0).TimeBase[3].FirstSample = 12345;
    MarkerRecord marker;
    marker.Column = 3;
    EXPECT_EQ(view.FormatSampleTime(marker), text);
  }
}

TEST_F(GraphScales, NewRecordsCountFromTwoAndNeverInterruptARecording) {
  GraphView fresh;
  ASSERT_TRUE(fresh.Init(100000, PixelRect{0, 0, 1000, 800}, 0, &window));
  fresh.SampleCount = fresh.RecordViewable = 1;
  fresh.NewRecord();
  EXPECT_EQ(fresh.RecordName, "Запись 2");
  EXPECT_EQ(fresh.RecordViewable + fresh.SampleCount, 0u);
  fresh.Recording = 1;
  fresh.NewRecord();
  EXPECT_EQ(fresh.RecordName, "Запись 2");
}

TEST_F(GraphScales, LiveIndicatorsRedrawAtMostEvery240Ms) {
  Record(5000);
  view.Recording = 1;
  view.LastShownColumn = 50;
  view.LayoutIndicatorStrips();
  agg_ren surface;
  const std::pair<std::uint32_t, std::uint32_t> steps[] = {{0, 1}, {100, 1}, {139, 1}, {1, 2}};  // ms on, draws
  for (const auto& [ms, draws] : steps) {
    clock.Now += ms;
    view.PaintLiveIndicators(surface);
    EXPECT_EQ(window.IndicatorDraws, draws) << ms;
  }
  EXPECT_EQ(window.Restored.size(), 2u);  // the kept strips went back in between
}

}  // namespace
