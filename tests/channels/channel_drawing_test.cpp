// Tests of the channel's drawing: the curve probed in pixels, and the value indicator's box layout.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "channel_fixtures.h"

namespace {

constexpr platform::Colour kWhite{255, 255, 255, 255};
constexpr PixelRect kPlot = PlotSurface::kPlot;
constexpr std::uint32_t kColumns = PlotSurface::kColumns;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

std::int32_t Ramp(std::uint32_t i) { return static_cast<std::int32_t>(i / 3) - 40; }
std::int32_t Square(std::uint32_t i) {
  if (i >= 200 && i < 206) return 300;   // a spike above the plot
  if (i >= 250 && i < 256) return -300;  // and one below it
  return (i / 50) % 2 == 0 ? 60 : -60;
}
std::int32_t Flat(std::uint32_t) { return 20; }

platform::Colour AsColour(const Rgba& c) { return {c.R, c.G, c.B, c.A}; }


using CurveTest = PlotSurface;

TEST_F(CurveTest, PassesEachColumnsRowJoinsJumpsAndStaysInThePlot) {
  const VessamorChannel& ramp = Link(0, Ramp);
  const VessamorChannel& square = Link(1, Square);
  ramp.DrawCurve(ren, 0, 100000);  // ranges past the tables and the plot are cut back to them
  square.DrawCurve(ren, 0, 100000);
  const std::pair<const VessamorChannel*, std::uint32_t> probes[] = {
      {&ramp, 1}, {&ramp, 280}, {&square, 25}, {&square, 290}};
  for (const auto& [channel, column] : probes) {
    EXPECT_EQ(surface.GetPixel(X(column), Row(channel->Columns[column].MaxPixel)), AsColour(channel->Colour)) << column;
  }
  // Column 50 drops from +60 to -60 and reaches up to one pixel below the previous column.
  for (int y = Row(square.Columns[49].MinPixel - 1); y <= Row(square.Columns[50].MinPixel); ++y) {
    EXPECT_EQ(surface.GetPixel(X(50), y), AsColour(square.Colour)) << "row " << y;
  }
  // The ink fills the plot's width and, with the spikes held at the strip, its height; none outside.
  const probe::Bounds ink = probe::Ink(surface);
  EXPECT_EQ((platform::Rect{ink.left, ink.top, ink.right + 1, ink.bottom + 1}),
            (platform::Rect{kPlot.Left, kPlot.Top, kPlot.Right, kPlot.Bottom}));
  // The surface's clip and pending paths are left alone.
  ren.DrawLine(0, 5.5, 400, 5.5, 0, 0, 0, 255, 1.0f);
  ren.RenderScanlines();
  EXPECT_EQ(surface.GetPixel(10, 5), (platform::Colour{0, 0, 0, 255}));
}

TEST_F(CurveTest, EmptyOrUnlinkedChannelDrawsNothing) {
  using Spoil = void (*)(VessamorChannel&, GraphView&);
  const std::pair<const char*, Spoil> cases[] = {
      {"empty range", [](VessamorChannel&, GraphView&) {}},
      {"no codes", [](VessamorChannel& c, GraphView&) { c.CodeCount = 0; }},
      {"no column table", [](VessamorChannel& c, GraphView&) { c.Columns = nullptr; }},
      {"one record", [](VessamorChannel& c, GraphView&) { c.ColumnCapacity = 1; }},
      {"no scale", [](VessamorChannel& c, GraphView&) { c.Scale = nullptr; }},
      {"no view", [](VessamorChannel& c, GraphView&) { c.View = nullptr; }},
      {"plot without width", [](VessamorChannel&, GraphView& v) { v.PlotWidth = 0; }},
      {"strip without height", [](VessamorChannel&, GraphView& v) { v.Scale.BottomPixel = v.Scale.TopPixel; }},
  };
  for (const auto& [name, spoil] : cases) {
    Configure();
    VessamorChannel& ch = Link(0, Ramp);
    spoil(ch, view);
    ch.DrawCurve(ren, 10, 5);
    if (name != cases[0].first) ch.DrawCurve(ren, 1, 300);
    EXPECT_FALSE(AnyInk()) << name;
  }
  agg_ren detached;
  Link(0, Ramp).DrawCurve(detached, 1, 300);
}

// Maps of the axes, with values that must never reach a pixel.
float NotANumber(const float*) { return kNaN; }
float Infinite(const float*) { return kInf; }
float Huge(const float*) { return 1.0e30f; }

TEST_F(CurveTest, UnusableNumbersNeverReachAPixel) {
  struct Case {
    const char* name;
    ScaleMapFnType inverse;
    double value_per_pixel;
    bool draws;
  };
  const Case cases[] = {{"NaN top", &NotANumber, 0.5, false},
                        {"infinite top", &Infinite, 0.5, false},
                        {"no value per pixel", nullptr, 0.0, false},
                        {"huge top", &Huge, 0.5, true}};
  for (const Case& c : cases) {
    surface.Fill(kWhite);
    view.Scale.ValuePerPixel = 0.5;
    VessamorChannel& ch = Link(0, Ramp);
    ch.PlotGainOn = 1;
    ch.ScaleMappingPair.Inverse = c.inverse;
    view.Scale.ValuePerPixel = c.value_per_pixel;
    ch.DrawCurve(ren, 1, 300);
    EXPECT_EQ(AnyInk(), c.draws) << c.name;
  }
}

TEST_F(CurveTest, ExtremePlotCoordinatesAreHeldAtTheStrip) {
  VessamorChannel& ch = Link(0, Flat);
  tables[0][100].MaxPixel = std::numeric_limits<std::int32_t>::max();
  tables[0][100].MinPixel = tables[0][101].MaxPixel = tables[0][101].MinPixel =
      std::numeric_limits<std::int32_t>::min();
  ch.DrawCurve(ren, 1, 300);
  for (int y = kPlot.Top; y < kPlot.Bottom; ++y) EXPECT_EQ(surface.GetPixel(X(100), y), AsColour(ch.Colour));
}

// The indicator layout, from the main window's scale and indicator font.
struct IndicatorTest : ::testing::Test {
  FakeMainWindow window{1280, 994};
  GraphView view;
  std::vector<ColumnRecord> table = std::vector<ColumnRecord>(kColumns);
  const PixelRect strip{300, 100, 690, 180};

  VessamorChannel& Channel() {
    VessamorChannel& ch = view.Channel(0);
    ch.MainWindow = &window;
    ch.Columns = ch.TimeBase = table.data();
    ch.ColumnCapacity = kColumns;
    view.ViewRect = PixelRect{0, 0, 1280, 700};
    view.PlotRect = PixelRect{60, 40, 1260, 640};
    view.PlotWidth = kColumns - 1;
    view.TimeOriginPixel = 60;
    for (std::uint32_t i = 0; i < kColumns; ++i) table[i].FirstSample = i * 300;
    return ch;
  }
  double S() const { return window.UiScale(); }
};

struct BoxD {
  double left, top, right, bottom;
};
BoxD Slot(const IndicatorGeometry& g, int slot) {
  return BoxD{g[slot * 4], g[slot * 4 + 1], g[slot * 4 + 2], g[slot * 4 + 3]};
}

TEST_F(IndicatorTest, ColumnOptionStartsAtTheColumnsPixelWithinThePlot) {
  // Columns past the tables and the plot take the last one there is.
  for (const auto& [column, expected] : {std::pair<std::uint16_t, std::uint32_t>{150, 150}, {65535, kColumns - 1}}) {
    VessamorChannel& ch = Channel();
    ch.IndicatorStyle = ch.IndicatorAtColumn = 1;
    view.RateSetting = 1000;
    ch.LayoutIndicator(strip, column);
    const int origin = view.TimeOriginPixel - 1 + static_cast<int>(expected);
    EXPECT_NEAR(Slot(ch.ValueLineGeometry, 0).left, origin + 5.0 * S(), 1e-9);
    EXPECT_EQ(ch.LabelRect.Left, origin);
  }
}

TEST_F(IndicatorTest, UnusableSizesLeaveFiniteBoxes) {
  for (float size : {kNaN, kInf, -3.0f}) {
    VessamorChannel& ch = Channel();
    ch.IndicatorStyle = 2;
    ch.IndicatorTextSize = size;
    ch.AxisTextScale = kNaN;
    ch.ValueWidth = -4;
    ch.LayoutIndicator(strip, 3);
    for (double v : ch.ValueLineGeometry) EXPECT_TRUE(std::isfinite(v));
    EXPECT_EQ(ch.LabelRect, strip);
  }
}

}  // namespace
