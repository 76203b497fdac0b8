// Tests of the radioactivity rate captions: where they are drawn, when, and what they leave on the surface.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>

#include "channel_fixtures.h"

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

}  // namespace
