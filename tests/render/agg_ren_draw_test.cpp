// agg_ren's drawing operations probed in pixels: lines, box text, panels, gradients, splines, paths.
#include <agg_rounded_rect.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "platform/cp1251.h"
#include "render/agg_ren.h"
#include "render_probe.h"

namespace {

constexpr platform::Colour kWhite{255, 255, 255, 255};
const rgba8 kBlack(0, 0, 0, 255);

platform::Colour AsColour(const rgba8& c) { return {c.r, c.g, c.b, c.a}; }

struct Fixture : ::testing::Test {
  platform::Surface surface{400, 200};
  agg_ren ren;
  void SetUp() override {
    surface.Fill(kWhite);
    ren.Attach(surface);
  }
  void Text(const std::string& t, double x, double y, double scale = 1.0, std::uint8_t mode = 0) {
    ren.DrawTextInBox(t.c_str(), x, y, 300, 100, scale, kBlack, nullptr, mode);
  }
};

using AggRenLines = Fixture;

TEST_F(AggRenLines, TwoLinesRenderedOnceAreBothInTheLastColour) {
  ren.DrawLine(10, 20.5, 100, 20.5, 255, 0, 0, 255, 3.0f);
  ren.DrawLine(10, 60.5, 100, 60.5, 0, 0, 255, 255, 3.0f);
  EXPECT_FALSE(probe::Ink(surface).Any());  // nothing drawn before the render
  ren.RenderScanlines();
  EXPECT_EQ(surface.GetPixel(50, 20), (platform::Colour{0, 0, 255, 255}));
  EXPECT_EQ(surface.GetPixel(50, 60), (platform::Colour{0, 0, 255, 255}));
}

TEST_F(AggRenLines, CurrentColourLineKeepsTheRenderersColour) {
  ren.DrawLineRgba({10, 10.5, 50, 10.5}, rgba8(0, 200, 0, 255), 2.0f);
  ren.RenderScanlines();
  ren.Rasterizer().reset();
  ren.DrawLineCurrentColour({10, 40.5, 50, 40.5}, 2.0f);
  ren.RenderScanlines();
  EXPECT_EQ(surface.GetPixel(30, 40), (platform::Colour{0, 200, 0, 255}));
}

TEST_F(AggRenLines, StraightPathSpacesSixPointsEvenly) {
  ren.SetStraightPath(10, 7, 20);
  const interactive_polygon& p = *ren.Polygon(1);
  for (std::uint32_t i = 0; i < 6; ++i) {
    EXPECT_DOUBLE_EQ(p.xn(i), 10 + 2.0 * i);
    EXPECT_DOUBLE_EQ(p.yn(i), 7.0);
  }
  ren.SetStraightPath(0, 0, 1);  // step 0.2 held in single precision, the end point exact
  EXPECT_DOUBLE_EQ(p.xn(1), static_cast<double>(0.2f));
  EXPECT_DOUBLE_EQ(p.xn(5), 1.0);
}

TEST_F(AggRenLines, SplineShapeIsAddedButNotRendered) {
  interactive_polygon& p = *ren.Polygon(3);
  for (std::uint32_t i = 0; i < p.num_points(); ++i) {
    const double t = i * 2 * 3.141592653589793 / p.num_points();
    p.xn(i) = 200 + 80 * std::cos(t);
    p.yn(i) = 100 + 80 * std::sin(t);
  }
  ren.DrawSplineShape(rgba8(200, 0, 0, 255), 4.0f, 1);
  EXPECT_FALSE(probe::Ink(surface).Any());
  EXPECT_TRUE(p.close());
  ren.RenderScanlines();
  const probe::Bounds ink = probe::Ink(surface);
  EXPECT_NEAR(ink.left, 120, 4);
  EXPECT_NEAR(ink.right, 280, 4);
  EXPECT_EQ(surface.GetPixel(200, 100), kWhite);
}

using AggRenText = Fixture;

TEST_F(AggRenText, NullTextWithPointsFillsOnlyThePolygonInPaleBlue) {
  surface.Fill({0, 0, 0, 255});
  // Six coordinates: the list's length, not the surface's point-list length, bounds the read.
  const double triangle[] = {10, 10, 110, 10, 10, 110};
  ren.DrawTextInBox(nullptr, 0, 0, 100, 100, 1.0, kBlack, nullptr, 0, triangle);
  EXPECT_TRUE(probe::Near(surface.GetPixel(20, 20), {172, 172, 191, 255}, 1));
  EXPECT_EQ(surface.GetPixel(100, 100), (platform::Colour{0, 0, 0, 255}));
  const rgba8 fill(0, 255, 0, 255);
  ren.DrawTextInBox(nullptr, 0, 0, 100, 100, 1.0, kBlack, &fill, 0, triangle);
  EXPECT_EQ(surface.GetPixel(20, 20), (platform::Colour{0, 255, 0, 255}));
}

TEST_F(AggRenText, ModeZeroPutsTheBaselineOneHeightBelowTheTop) {
  Text("H", 20, 30);
  // A capital sits on the baseline y + H = 47.
  const probe::Bounds ink = probe::Ink(surface);
  EXPECT_NEAR(ink.bottom, 46, 1);
  EXPECT_EQ(ren.style.text_origin_x, 20.0);
  EXPECT_EQ(ren.style.text_origin_y, 47.0);
}

TEST_F(AggRenText, HashPutsTheNextLetterOneLineLowerAtTheStart) {
  ren.style.glyph_curves_only = true;
  Text("A#B", 20, 30);
  platform::Surface expected(400, 200);
  expected.Fill(kWhite);
  ren.Attach(expected);
  ren.style.glyph_curves_only = true;
  Text("A", 20, 30);
  Text("B", 20, 30 + 17 * 1.3);
  EXPECT_TRUE(probe::SamePixels(surface, expected));
}

TEST_F(AggRenText, CaretDrawsOneLetterHalfSizeAThirdHigherThenFullSize) {
  ren.style.glyph_curves_only = true;
  Text("^H", 20, 30);
  platform::Surface raised(400, 200);
  raised.Fill(kWhite);
  agg_ren other;
  other.Attach(raised);
  other.style.glyph_curves_only = true;
  // Half scale puts mode 0's baseline at y + H / 2; move it to 30 + 17 - 17 / 3.
  other.DrawTextInBox("H", 20, 30 + 17 - 17 / 3.0 - 8.5, 300, 100, 0.5, kBlack, nullptr, 0);
  EXPECT_TRUE(probe::SamePixels(surface, raised));

  // The letter after the raised one is full size on the line's baseline.
  surface.Fill(kWhite);
  const double scale = 1.0;
  Text("^HH", 20, 30, scale);
  const double after_raised = ren.style.text_end_x;
  const probe::Bounds second = probe::Ink(surface, kWhite, static_cast<int>(after_raised) - 9);
  surface.Fill(kWhite);
  Text("H", 20, 30, scale);
  EXPECT_EQ(second.Height(), probe::Ink(surface).Height());
  EXPECT_EQ(second.bottom, probe::Ink(surface).bottom);
}

TEST_F(AggRenText, RightLimitStopsTheLineAndNoInkPassesIt) {
  agg_ren limited;
  limited.Attach(surface.Pixels(), surface.Width(), surface.Height(), surface.Stride(), 100, 200, 0);
  const std::string text(40, 'W');
  limited.DrawTextInBox(text.c_str(), 10, 10, 300, 100, 1.0, kBlack, nullptr, 0);
  const probe::Bounds ink = probe::Ink(surface);
  ASSERT_TRUE(ink.Any());
  EXPECT_LT(ink.right, 100);
  EXPECT_GT(ink.right, 85);
  EXPECT_LE(limited.style.text_end_x, 100 + 2 * 9 * 1.5);
}

TEST_F(AggRenText, CallersScaleSurvivesACaretCutByTheRightLimit) {
  agg_ren limited;
  limited.Attach(surface.Pixels(), surface.Width(), surface.Height(), surface.Stride(), 60, 200, 0);
  double scale = 1.0;
  const std::string text = "WWWWWW^2WW";
  limited.DrawTextInBox(text.c_str(), 10, 10, 300, 100, scale, kBlack, nullptr, 0);
  EXPECT_EQ(scale, 1.0);
  // And nothing of the raised half scale carries into the next call.
  surface.Fill(kWhite);
  limited.DrawTextInBox("H", 10, 10, 300, 100, scale, kBlack, nullptr, 0);
  const int full = probe::Ink(surface).Height();
  surface.Fill(kWhite);
  limited.DrawTextInBox("H", 10, 10, 300, 100, 1.0, kBlack, nullptr, 0);
  EXPECT_EQ(probe::Ink(surface).Height(), full);
}

TEST_F(AggRenText, UnderlineRunsBelowTheFirstBaselineAndResets) {
  ren.style.underline_mode = 2;
  Text("mmmmmm", 20, 30);
  // Baseline 47, the underline 3 below it, stroked 2 wide.
  EXPECT_TRUE(probe::Near(surface.GetPixel(45, 50), {0, 0, 0, 255}, 40));
  EXPECT_EQ(ren.style.underline_mode, 0);
  surface.Fill(kWhite);
  Text("mmmmmm", 20, 30);
  EXPECT_EQ(surface.GetPixel(45, 50), kWhite);
}

TEST_F(AggRenText, CombinedPlusIsRaisedTwoLineScalesAndGetsItsBar) {
  Text("+", 20, 30);
  const probe::Bounds plain = probe::Ink(surface);
  const double advance_end = ren.style.text_end_x;
  surface.Fill(kWhite);
  ren.style.combined_plus = true;
  Text("+", 20, 30);
  const probe::Bounds raised = probe::Ink(surface, kWhite, 0, static_cast<int>(advance_end));
  EXPECT_EQ(raised.top, plain.top - 2);
  EXPECT_EQ(raised.bottom, plain.bottom - 2);
  EXPECT_EQ(ren.style.underline_mode, 0);
  EXPECT_TRUE(probe::Ink(surface, kWhite, static_cast<int>(advance_end) + 1).Any());  // the bar
}

TEST_F(AggRenText, MeanAdvanceOfTheAlphabetMatchesTheFontWidth) {
  for (double width : {6.0, 9.0, 13.0}) {
    ren.style.font_width = width;
    ren.ResetFont();
    Text("abcdefghijklmnopqrstuvwxyz", 0, 0);
    const double mean = (ren.style.text_end_x - ren.style.text_origin_x) / 26.0;
    EXPECT_NEAR(mean, width, width * 0.15) << width;
  }
}

TEST_F(AggRenText, CyrillicTextLeavesInk) {
  Text(platform::Utf8ToCp1251("Ёжик в тумане"), 10, 10);
  EXPECT_GT(probe::Ink(surface).Width(), 60);
}

using AggRenPanel = Fixture;

TEST_F(AggRenPanel, InsetModesWriteThePanelBack) {
  struct Case {
    std::uint8_t inset;
    float width, fade;
    PanelRect in, out;
  };
  const Case cases[] = {
      {100, 4.0f, 1.0f, {0, 100, 0, 50}, {2, 96, 2, 46}},
      {7, 4.0f, 1.0f, {10, 100, 20, 50}, {19, 82, 29, 32}},
      {0, 2.0f, 1.0f, {0, 100, 0, 50}, {15, 70, 15, 20}},
      {0, 2.0f, 0.0f, {0, 100, 0, 50}, {20, 60, 20, 10}},
      {0, 2.0f, 0.0f, {0, 30, 0, 30}, {20, 0, 20, 0}},  // inset past the middle: size 0, not negative
  };
  for (const auto& c : cases) {
    PanelRect r = c.in;
    ren.DrawRoundedPanel(r, {0, 0, 0, 1, c.inset}, 1.0f, c.width, kBlack, c.fade);
    EXPECT_EQ(r, c.out) << int(c.inset);
  }
}

TEST_F(AggRenPanel, SolidFillCoversTheCentre) {
  PanelRect r{50, 200, 20, 120};
  ren.DrawRoundedPanel(r, {0, 0, 0, 1, 100}, 1.0f, 2.0f, rgba8(10, 200, 30, 255), 1.0f);
  EXPECT_EQ(surface.GetPixel(150, 80), (platform::Colour{10, 200, 30, 255}));
  EXPECT_EQ(surface.GetPixel(50 + 5, 20 + 60), (platform::Colour{10, 200, 30, 255}));
  EXPECT_EQ(surface.GetPixel(49, 80), kWhite);
}

TEST_F(AggRenPanel, FillModeZeroLeavesTheInsideUntouched) {
  PanelRect r{50, 200, 20, 120};
  ren.DrawRoundedPanel(r, {0, 0, 0, 0, 100}, 1.0f, 2.0f, rgba8(10, 200, 30, 255), 1.0f);
  EXPECT_EQ(surface.GetPixel(150, 80), kWhite);
}

TEST_F(AggRenPanel, GradientRepeatsEveryTwoLengthsDownTheScreen) {
  platform::Surface tall(100, 400);
  tall.Fill(kWhite);
  ren.Attach(tall);
  PanelRect r{0, 100, 0, 400};
  ren.DrawRoundedPanel(r, {0, 0, 0, 2, 100}, 1.0f, 1.0f, kBlack, 1.0f);
  // Position -y: profile A peaks (gradient colour 1) half a length from each turning point.
  EXPECT_TRUE(probe::Near(tall.GetPixel(50, 40), {120, 140, 235, 255}, 3));
  EXPECT_TRUE(probe::Near(tall.GetPixel(50, 80), {20, 20, 180, 255}, 3));
  for (int y = 20; y < 220; y += 13) EXPECT_EQ(tall.GetPixel(50, y), tall.GetPixel(50, y + 160)) << y;
  EXPECT_EQ(AsColour(ren.style.last_gradient), (platform::Colour{20, 20, 180, 255}));
}

TEST_F(AggRenPanel, GradientLengthZeroCountsAsOne) {
  ren.style.gradient_length = 0.0;
  PanelRect r{0, 100, 0, 100};
  ren.DrawRoundedPanel(r, {0, 0, 0, 2, 100}, 1.0f, 1.0f, kBlack, 1.0f);
  EXPECT_NE(surface.GetPixel(50, 50), kWhite);
}

TEST_F(AggRenPanel, ShadowRingCountOneMeansTwelve) {
  const auto draw = [&](std::uint8_t rings) {
    surface.Fill(kWhite);
    PanelRect r{40, 200, 20, 120};
    ren.DrawRoundedPanel(r, {0, rings, 0, 1, 0}, 1.0f, 2.0f, rgba8(200, 200, 200, 255), 0.5f);
    platform::Surface copy(surface.Width(), surface.Height());
    std::copy(surface.Pixels(), surface.Pixels() + surface.Stride() * surface.Height(), copy.Pixels());
    return copy;
  };
  const platform::Surface one = draw(1), twelve = draw(12), eleven = draw(11);
  EXPECT_TRUE(probe::SamePixels(one, twelve));
  EXPECT_FALSE(probe::SamePixels(one, eleven));
}

TEST_F(AggRenPanel, ShadowAlphaSaturatesInsteadOfWrapping) {
  // With fade 0 the product passes 255 on the inner rings (visible: the panel is not filled);
  // they must be the darkest, not wrap round to pale.
  const auto darkest = [&](float fade) {
    surface.Fill(kWhite);
    PanelRect r{40, 200, 20, 120};
    ren.DrawRoundedPanel(r, {0, 1, 0, 0, 100}, 1.0f, 0.0f, kBlack, fade);
    int d = 255;
    for (int x = 230; x < 252; ++x) d = std::min<int>(d, surface.GetPixel(x, 80).r);
    return d;
  };
  EXPECT_LE(darkest(0.0f), darkest(0.5f));
  EXPECT_LT(darkest(0.0f), 100);
}

TEST_F(AggRenPanel, MarkerStrokeNeedsTheWholeRecord) {
  surface.Fill({0, 0, 0, 255});
  double record[14] = {};
  record[11] = 10;
  record[12] = 359;
  record[13] = 60;
  PanelRect r{0, 100, 0, 100};
  ren.DrawRoundedPanel(r, {0, 0, 0, 0, 100}, 1.0f, 1.0f, kBlack, 1.0f, std::span<const double>(record, 13));
  EXPECT_EQ(surface.GetPixel(350, 40), (platform::Colour{0, 0, 0, 255}));
  ren.DrawRoundedPanel(r, {0, 0, 0, 0, 100}, 1.0f, 1.0f, kBlack, 1.0f, record);
  EXPECT_EQ(surface.GetPixel(350, 40), kWhite);
  EXPECT_EQ(surface.GetPixel(350, 5), (platform::Colour{0, 0, 0, 255}));
}

TEST_F(AggRenPanel, EveryStepSurvivesTinyPanelsAndNaNFade) {
  ren.style.glow = true;
  ren.style.frame = true;
  ren.style.extra_line = true;
  ren.style.clip = true;
  ren.style.clip_rect = {0, 0, 200, 200};
  ren.style.extra_line_coords = {0, 0, 50, 50};
  for (float fade : {0.0f, 1.5f, 3.0f, std::numeric_limits<float>::quiet_NaN()}) {
    for (PanelRect r : {PanelRect{0, 4, 0, 4}, PanelRect{10, 60, 10, 60}}) {
      ren.DrawRoundedPanel(r, {0, 3, 0xFF, 2, 100}, 1.0f, 2.0f, kBlack, fade);
      EXPECT_GE(r.width, 0.0);
      EXPECT_GE(r.height, 0.0);
    }
  }
  EXPECT_NE(surface.GetPixel(25, 25), kWhite);
}

TEST_F(AggRenPanel, InnerShadowDarkensJustInsideTheEdge) {
  PanelRect r{0, 200, 0, 150};
  ren.DrawRoundedPanel(r, {0, 0, 0x01, 1, 100}, 1.0f, 1.0f, rgba8(255, 255, 255, 255), 1.0f);
  EXPECT_LT(surface.GetPixel(100, 4).r, 250);
  EXPECT_EQ(surface.GetPixel(100, 75).r, 255);
}

using AggRenGradient = Fixture;

TEST_F(AggRenGradient, FillGradientRunsAlongXAndReflects) {
  const double x[] = {0.0, 1.0};
  const double y[] = {0.0, 1.0};
  CubicSpline linear;
  linear.Build(x, y, 2);
  ren.Rasterizer().reset();
  agg::rounded_rect strip(0, 0, 400, 50, 0);
  ren.Rasterizer().add_path(strip);
  ren.FillGradient(1.0f, 0.0f, linear);
  EXPECT_TRUE(probe::Near(surface.GetPixel(0, 25), {20, 20, 180, 255}, 2));
  EXPECT_TRUE(probe::Near(surface.GetPixel(79, 25), {120, 140, 235, 255}, 2));
  EXPECT_TRUE(probe::Near(surface.GetPixel(159, 25), {20, 20, 180, 255}, 2));
  for (int px = 0; px < 200; px += 17) EXPECT_EQ(surface.GetPixel(px, 25), surface.GetPixel(px + 160, 25)) << px;
  EXPECT_EQ(AsColour(ren.style.last_gradient), (platform::Colour{120, 140, 235, 255}));
}

TEST_F(AggRenGradient, EmptyProfileGivesTransparentBlackNotGarbage) {
  CubicSpline empty;
  agg::rounded_rect strip(0, 0, 100, 50, 0);
  ren.Rasterizer().add_path(strip);
  ren.FillGradient(1.0f, 0.0f, empty);
  // The NaN of an empty spline turns every table entry into 0 before any integer conversion.
  EXPECT_EQ(surface.GetPixel(30, 25), kWhite);
  EXPECT_EQ(AsColour(ren.style.last_gradient), (platform::Colour{0, 0, 0, 0}));
}

using AggRenPathText = Fixture;

TEST_F(AggRenPathText, TextFollowsTheCurveOfPolygonTwo) {
  ren.CreateAltFont("Arial", 0, 20, 400);
  interactive_polygon& p = *ren.Polygon(2);
  p.xn(0) = 0;
  p.yn(0) = 150;
  p.xn(1) = 400;
  p.yn(1) = 50;
  ren.DrawTextAlongPath({"Hello", 1.0, kBlack, 0.0});
  const probe::Bounds ink = probe::Ink(surface);
  ASSERT_TRUE(ink.Any());
  EXPECT_LT(ink.top, 150);
  EXPECT_GT(ink.bottom, 100);
}

TEST_F(AggRenPathText, BetweenPathsNeedsTheFifthPolygon) {
  ren.CreateAltFont("Arial", 0, 20, 400);
  interactive_polygon& lower = *ren.Polygon(4);
  for (std::uint32_t i = 0; i < 6; ++i) {
    lower.xn(i) = i * 60.0;
    lower.yn(i) = 150;
  }
  ren.DrawTextBetweenPaths({"Hello", 1.0, kBlack, 0.0});
  EXPECT_FALSE(probe::Ink(surface).Any());
  ren.polygon5 = std::make_unique<interactive_polygon>(6, 5.0);
  for (std::uint32_t i = 0; i < 6; ++i) {
    ren.polygon5->xn(i) = i * 60.0;
    ren.polygon5->yn(i) = 100;
  }
  ren.DrawTextBetweenPaths({"Hello", 1.0, kBlack, 0.0});
  EXPECT_TRUE(probe::Ink(surface).Any());
}

}  // namespace
