// Tests of the radioactivity rate captions: where they are drawn, when, and what they leave on the surface.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

#include "channel_fixtures.h"
#include "platform/png_writer.h"

namespace {

constexpr std::uint16_t kLastColumn = 250;
constexpr float kInf = std::numeric_limits<float>::infinity();

// A radioactivity channel whose curve rises one pixel per four columns, with a new rate of 72.
struct RateCaptionTest : PlotSurface {
  void SetUp() override {
    ren.Attach(surface);
    Reset();
  }
  void Reset() {
    Configure();
    view.LastShownColumn = kLastColumn;
    view.RateRefresh = 0;
    VessamorChannel& ch = Link(0, [](std::uint32_t i) { return static_cast<std::int32_t>(i / 4); });
    ch.MainWindow = &window;
    ch.AxisTextScale = 1.0f;
    ch.Enabled = ch.RateMode = ch.SymbolCaption = 1;
    ch.SensorCode = 37;
    ch.RateDetector.History = {0, 72, 0, 0};
    ch.RateDetector.HistoryCount = 2;
    ch.RateDetector.NewRate = 1;
  }
  VessamorChannel& Radiation() { return view.Channel(0); }
  double EndX() const { return kPlot.Left - 1.0 + kLastColumn; }
};

TEST_F(RateCaptionTest, PanelSitsLeftOfTheCurvesEndAndTheNewRateIsTaken) {
  // The cells start two units left of the curve's end, at its height.
  view.DrawRateLabels(ren);
  const double u = ren.EngineHeight() * Radiation().AxisTextScale * 1.2;
  const probe::Bounds ink = probe::Ink(surface);
  EXPECT_NEAR(ink.right, EndX() - u / 2.0, 1.5);
  EXPECT_NEAR((ink.top + ink.bottom) / 2.0, Row(tables[0][kLastColumn].MaxPixel), 1.5);
  EXPECT_EQ(Radiation().RateDetector.NewRate, 0);
  // A picture to look at: the caption over its curve.
  Reset();
  Radiation().DrawCurve(ren, 1, kLastColumn);
  view.DrawRateLabels(ren);
  EXPECT_TRUE(platform::WritePng(surface, std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/rate_caption.png"));
}

TEST_F(RateCaptionTest, CurveEndBeyondThePlotHoldsTheCaptionAtItsEdge) {
  for (const auto& [pixel, row] : {std::pair{100000, kPlot.Top}, std::pair{-100000, kPlot.Bottom - 1}}) {
    Reset();
    tables[0][kLastColumn].MaxPixel = tables[0][kLastColumn].MinPixel = pixel;
    view.DrawRateLabels(ren);
    const probe::Bounds ink = probe::Ink(surface);
    ASSERT_TRUE(ink.Any()) << pixel;
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, row, 1.5) << pixel;
  }
}

TEST_F(RateCaptionTest, OnlyDueRadioactivityChannelsWithAHistoryDraw) {
  using Spoil = void (*)(VessamorChannel&);
  const std::pair<const char*, Spoil> cases[] = {
      {"no new rate", [](VessamorChannel& c) { c.RateDetector.NewRate = 0; }},
      {"pulse kind", [](VessamorChannel& c) { c.SensorCode = 35; }},
      {"disabled", [](VessamorChannel& c) { c.Enabled = 0; }},
      {"caption off", [](VessamorChannel& c) { c.SymbolCaption = 0; }},
      {"empty history", [](VessamorChannel& c) { c.RateDetector.History.clear(); }},
      {"index past the history", [](VessamorChannel& c) { c.RateDetector.HistoryCount = 9; }},
      {"text scale NaN", [](VessamorChannel& c) { c.AxisTextScale = std::numeric_limits<float>::quiet_NaN(); }},
      {"text scale infinite", [](VessamorChannel& c) { c.AxisTextScale = kInf; }},
      {"plot gain infinite", [](VessamorChannel& c) { c.PlotGainOn = 1, c.PlotGain = kInf; }},
  };
  for (const auto& [name, spoil] : cases) {
    Reset();
    spoil(Radiation());
    view.DrawRateLabels(ren);
    EXPECT_FALSE(AnyInk()) << name;
  }
  // The refresh flag makes a caption due without a new rate.
  Reset();
  Radiation().RateDetector.NewRate = 0;
  view.RateRefresh = 1;
  view.DrawRateLabels(ren);
  EXPECT_TRUE(AnyInk());
}

TEST_F(RateCaptionTest, LeavesTheSurfacesSettingsAsAgreed) {
  // Aliased drawing set by the caller, and values a caption must not keep.
  ren.Rasterizer().gamma(agg::gamma_threshold(0.5));
  std::array<unsigned, 256> before{};
  for (unsigned i = 0; i < before.size(); ++i) before[i] = ren.Rasterizer().apply_gamma(i);
  ren.style.panel_line_width = 4.0f;
  ren.style.glyph_contour_factor = 0.03;
  window.Width = 2560;  // twice the design width: a wider outline while drawing
  view.DrawRateLabels(ren);
  ASSERT_TRUE(AnyInk());
  for (unsigned i = 0; i < before.size(); ++i) EXPECT_EQ(ren.Rasterizer().apply_gamma(i), before[i]) << i;
  EXPECT_EQ(ren.style.panel_line_width, 15.0f);
  EXPECT_EQ(ren.style.glyph_contour_factor, 0.01);
  EXPECT_TRUE(ren.style.outline_after_fill);
  // The panel is at least as tall as its outline, whose width follows the UI scale.
  EXPECT_GE(probe::Ink(surface).Height(), static_cast<int>(20.0f * window.UiScale()) - 1);
}

}  // namespace
