// Tests of the graph painting: label thinning, caption name, the indicators' throttle, and
// whole graph screens rendered headless and probed in pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "fakes/fake_paint_host.h"
#include "fakes/stepped_clock.h"
#include "graph/paint_rules.h"
#include "platform/png_writer.h"

namespace {

TEST(PaintRules, ValueLabelsThinToEverySecondOrThirdTick) {
  // Labels 20 high: ticks, grid height, stride.
  const int cases[][3] = {{10, 400, 1}, {21, 400, 2}, {33, 400, 3}, {20, 390, 1}, {20, 389, 2}};
  for (const auto& c : cases) EXPECT_EQ(paint_rules::ValueLabelStride(20, c[0], c[1]), c[2]) << c[0];
}

// A second kind's axis is labelled at the steps the grid takes for its own range: round values,
// none twice, zero as zero, the ends kept where they lie on a step.
TEST(PaintRules, SecondAxesTakeTheGridsRoundSteps) {
  const struct {
    double top, bottom, step;
    std::uint8_t decimals;
    std::vector<double> ticks;
  } cases[] = {
      {10.0, -10.0, 2.0, 0, {10, 8, 6, 4, 2, 0, -2, -4, -6, -8, -10}},  // a voltage beside a temperature
      {1.0, 0.0, 0.2, 1, {1.0, 0.8, 0.6, 0.4, 0.2, 0.0}},               // a rate's 0..1 axis
      {0.93, 0.07, 0.2, 1, {0.8, 0.6, 0.4, 0.2}},
      {960.0, -12.0, 100.0, 0, {900, 800, 700, 600, 500, 400, 300, 200, 100, 0}},
      {0.01, -0.01, 0.0025, 4, {0.01, 0.0075, 0.005, 0.0025, 0.0, -0.0025, -0.005, -0.0075, -0.01}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.top);
    const paint_rules::AxisStep step = paint_rules::ValueGridStep((c.top - c.bottom) / 8.0);  // eight divisions
    EXPECT_NEAR(step.Step, c.step, 1e-12);
    EXPECT_EQ(step.Decimals, c.decimals);
    const std::vector<double> ticks = paint_rules::RoundTicks(c.top, c.bottom, step.Step);
    ASSERT_EQ(ticks.size(), c.ticks.size());
    for (std::size_t i = 0; i < ticks.size(); ++i) EXPECT_NEAR(ticks[i], c.ticks[i], 1e-9) << i;
    EXPECT_FALSE(std::signbit(ticks[ticks.size() / 2]) && ticks[ticks.size() / 2] == 0.0) << "a negative zero";
    EXPECT_EQ(paint_rules::RoundTicks(c.bottom, c.top, step.Step), ticks) << "either way round";
  }
  EXPECT_TRUE(paint_rules::RoundTicks(1.0, 0.0, 0.0).empty());
  EXPECT_TRUE(paint_rules::RoundTicks(1.0, 0.0, NAN).empty());
  EXPECT_TRUE(paint_rules::RoundTicks(1e9, 0.0, 1.0).empty()) << "more ticks than the grid holds";
}

TEST(PaintRules, TimeLabelEndsStayAndTheirNeighboursGiveWayWhenCrowded) {
  // Eleven labels 40 wide, 100 apart, over 1000 pixels: all of them.
  std::vector<double> lefts, widths(11, 40.0);
  for (int i = 0; i <= 10; ++i) lefts.push_back(i * 100.0);
  EXPECT_EQ(paint_rules::TimeLabelsShown(lefts, widths, 1000), std::vector<bool>(11, true));
  // Tick 1 right after label 0, and the last pushed back onto the one before it.
  lefts[1] = 45, lefts[9] = 900, lefts[10] = 945;
  const std::vector<bool> crowded = paint_rules::TimeLabelsShown(lefts, widths, 1000);
  EXPECT_TRUE(crowded[0] && crowded[10]);
  EXPECT_FALSE(crowded[1] || crowded[9]);
  // Wide labels: every second inner tick, then every third.
  widths.assign(11, 90.0);
  const std::vector<bool> second = paint_rules::TimeLabelsShown(lefts, widths, 1000);
  EXPECT_TRUE(second[2] && !second[3] && second[4]);
  const std::vector<bool> third = paint_rules::TimeLabelsShown(lefts, std::vector<double>(11, 160.0), 1000);
  EXPECT_TRUE(third[3] && !third[4] && !third[5] && third[6]);
}

TEST(PaintRules, RecordNamesOf31CharactersAreCutOnCharacters) {
  const std::string thirty = "Запись температуры воды, 12345";  // 30 characters, most of two bytes
  EXPECT_EQ(paint_rules::CaptionRecordName(thirty), thirty);
  EXPECT_EQ(paint_rules::CaptionRecordName(thirty + "6"), "Запись температуры воды, 12...");
}

// 12-bit codes round the middle of the range.
std::int16_t Sine(std::size_t, std::uint32_t i) { return static_cast<std::int16_t>(2048 + 1500 * std::sin(i * 0.004)); }
std::int16_t Ramp(std::size_t, std::uint32_t i) { return static_cast<std::int16_t>(600 + (i % 5000) * 0.6); }

struct Screen {
  Screen(std::int32_t width, std::int32_t height) : window(width, height) {
    view.TickClock = &clock;
    view.Init(400000, window.GraphRect(), 0xFF, &window);
    view.PaintHost = &window;
  }
  // As the window paints: the graph afresh, then the markers over it.
  void Paint(const std::string& name) {
    view.Painting.ClearRequest = 1;
    view.Paint();
    view.DrawMarkerCaptions(window.Renderer());
    EXPECT_TRUE(platform::WritePng(window.Picture(), std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/" + name + ".png"));
  }
  platform::Colour At(int x, int y) { return window.Picture().GetPixel(x, y); }
  bool Has(const Rgba& c, const PixelRect& r) {
    for (int y = r.Top; y < r.Bottom; ++y) {
      for (int x = r.Left; x < r.Right; ++x) if (At(x, y) == platform::Colour{c.R, c.G, c.B, 255}) return true;
    }
    return false;
  }
  SteppedClock clock{5000};
  FakePaintWindow window;
  GraphView view;
};

TEST(GraphPaint, TwoChannelRecordAtBothScreenSizes) {
  for (const auto& [w, h] : {std::pair{1280, 994}, std::pair{1920, 1080}}) {
    Screen s(w, h);
    LoadWaveRecord(s.view, 9, 2, 20000, 1000, [](std::size_t k, std::uint32_t i) { return k == 0 ? Sine(k, i) : Ramp(k, i); });
    s.view.RecordName = "Опыт 1";
    s.Paint("graph_two_channels_" + std::to_string(w));
    const PixelRect plot = s.view.PlotRect;
    SCOPED_TRACE(w);
    // Each curve in its colour within the plot, and no curve outside it.
    for (std::size_t k = 0; k < 2; ++k) {
      EXPECT_TRUE(s.Has(s.view.Channel(k).Colour, plot));
      EXPECT_FALSE(s.Has(s.view.Channel(k).Colour, PixelRect{plot.Left, plot.Top - 12, plot.Right, plot.Top - 3}));
      EXPECT_FALSE(s.Has(s.view.Channel(k).Colour, PixelRect{plot.Right + 3, plot.Top, plot.Right + 20, plot.Bottom}));
    }
    // The curves' zero line is the row of the 0 tick.
    for (std::size_t i = 0; i <= s.view.Scale.ValueTickCount; ++i) {
      if (s.view.Scale.ValueTicks[i].Value != 0.0f) continue;
      EXPECT_NEAR(s.view.Scale.ZeroLinePixel, plot.Top + s.view.Scale.ValueTicks[i].Pixel, 1);
    }
    // Grid lines at the value ticks, the frame round the plot, the caption's text in its strip.
    const std::int32_t tick_row = plot.Top + s.view.Scale.ValueTicks[1].Pixel;
    EXPECT_EQ(s.At(plot.Left + 7, tick_row), (platform::Colour{230, 230, 230, 255}));
    EXPECT_EQ(s.At(plot.Left - 1, plot.Top + 20), (platform::Colour{0, 0, 0, 255}));
    const std::int32_t rate_left = s.view.ViewRect.Width() * 65 / 100, strip = s.view.CaptionHeight - 4;
    for (const std::int32_t left : {20, rate_left}) EXPECT_TRUE(s.Has({0, 0, 0, 255}, {left, 8, left + 150, strip}));
  }
}

TEST(GraphPaint, FourChannelRecordWithTwoMarkersAtBothScreenSizes) {
  for (const auto& [w, h] : {std::pair{1280, 994}, std::pair{1920, 1080}}) {
    SCOPED_TRACE(w);
    Screen four(w, h);
    LoadWaveRecord(four.view, 9, 4, 8000, 1000, [](std::size_t k, std::uint32_t i) {
      return static_cast<std::int16_t>(2048 + (400 + 300 * k) * std::sin(i * (0.003 + 0.002 * k)));
    });
    for (const auto& [marker, column] : {std::pair{0, 120}, std::pair{1, 380}}) {
      four.view.PlaceMarker(four.view.Markers[marker], static_cast<std::uint16_t>(column));
      four.view.Markers[marker].Set = 1;
    }
    four.Paint("graph_four_channels_" + std::to_string(w));
    for (std::size_t k = 0; k < 4; ++k) EXPECT_TRUE(four.Has(four.view.Channel(k).Colour, four.view.PlotRect)) << k;
    // The difference rows stand in the panel the side column keeps for them.
    EXPECT_GT(four.view.DifferencePanelRect.Height(), 0);
    EXPECT_TRUE(four.Has(four.view.Channel(0).Colour, four.view.DifferencePanelRect));
  }
}

TEST(GraphPaint, TickCountsBeyondThePlotAreLoweredButNeverBelowZero) {
  Screen s(1280, 994);
  LoadWaveRecord(s.view, 9, 1, 2000, 1000, Sine);
  // Count, pixel of the last tick and of the one before it, count after the paint.
  const int cases[][4] = {{8, 60000, 10, 7}, {8, 10, 60000, 6}, {1, 10, 60000, 0}, {0, 60000, 0, 0}, {8, 10, 10, 8}};
  ScaleState& scale = s.view.Scale;
  for (const auto& c : cases) {
    scale.ValueTickCount = static_cast<std::uint8_t>(c[0]);
    scale.ValueTicks[c[0]].Pixel = static_cast<std::uint16_t>(c[1]);
    if (c[0] > 0) scale.ValueTicks[c[0] - 1].Pixel = static_cast<std::uint16_t>(c[2]);
    s.view.Paint();
    EXPECT_EQ(scale.ValueTickCount, c[3]) << c[0] << " " << c[2];
  }
}

TEST(GraphPaint, IndicatorBoxesAtTheEdgeAreClippedAndComeBackFromThePicture) {
  Screen s(1280, 994);
  LoadWaveRecord(s.view, 9, 2, 20000, 1000, Sine);
  s.view.Painting.AltRestoreRequest = 1;
  s.Paint("graph_indicators");
  EXPECT_GT(s.window.IndicatorDraws, 0);
  // A box at the left edge keeps its background left of the buffer: the copies are clipped.
  s.view.IndicatorStrips[0] = PixelRect{2, s.view.PlotRect.Top, 202, s.view.PlotRect.Top + 80};
  s.view.Painting.ClearRequest = 1;
  s.view.Paint();
  s.view.Paint();
  // The boxes come back into a target from the picture.
  platform::Surface target(1280, 994);
  s.view.RestoreChannelStrips(target);
  const PixelRect box = s.view.Painting.Indicators[1].Box;
  EXPECT_EQ(target.GetPixel(box.Left + 1, box.Top + 1), s.At(box.Left + 1, box.Top + 1));
}

TEST(GraphPaint, ADragRepaintsOnlyTheSelectionAndTheStripsBesideThePlot) {
  Screen s(1280, 994);
  LoadWaveRecord(s.view, 9, 1, 20000, 1000, Sine);
  s.Paint("graph_drag");
  const PixelRect p = s.view.PlotRect;
  s.view.SelectionRect = PixelRect{p.Left + 100, p.Top + 50, p.Left + 300, p.Top + 200};
  const platform::Colour mark{1, 2, 3, 255};
  const std::pair<int, int> inside{p.Left + 150, p.Top + 60}, outside{p.Left + 500, p.Top + 60};
  for (const auto& [x, y] : {inside, outside}) s.window.Picture().SetPixel(x, y, mark);
  s.view.SelectionDrawn = 1;
  s.view.Paint();
  EXPECT_NE(s.At(inside.first, inside.second), mark);
  EXPECT_EQ(s.At(outside.first, outside.second), mark);
  EXPECT_EQ(s.At(s.view.SelectionRect.Left, s.view.SelectionRect.Top + 20), (platform::Colour{0, 0, 255, 255}));
  EXPECT_EQ(s.view.Painting.GridMode, 0);
}

}  // namespace
