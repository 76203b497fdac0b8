// agg_ren's drawing operations probed in pixels: lines, box text, panels, gradients, path text.
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
constexpr platform::Colour kOpaqueBlack{0, 0, 0, 255};
const rgba8 kBlack(0, 0, 0, 255);
constexpr double kH = 17;  // the engine's text height at scale 1

platform::Colour AsColour(const rgba8& c) { return {c.r, c.g, c.b, c.a}; }

struct AggRen : ::testing::Test {
  platform::Surface surface{400, 200};
  agg_ren ren;
  void SetUp() override {
    surface.Fill(kWhite);
    ren.Attach(surface);
  }
  void Text(const std::string& t, double x, double y, double scale = 1.0) {
    ren.DrawTextInBox(t.c_str(), x, y, 300, 100, scale, kBlack, nullptr, 0);
  }
  // The same surface drawn by `draw` on a fresh white sheet with a fresh renderer.
  template <typename Draw>
  bool SameAs(Draw draw) {
    platform::Surface expected(surface.Width(), surface.Height());
    expected.Fill(kWhite);
    agg_ren other;
    other.Attach(expected);
    other.style.glyph_curves_only = true;
    draw(other);
    return probe::SamePixels(surface, expected);
  }
};

TEST_F(AggRen, TwoLinesRenderedOnceAreBothInTheLastColour) {
  ren.DrawLine(10, 20.5, 100, 20.5, 255, 0, 0, 255, 3.0f);
  ren.DrawLine(10, 60.5, 100, 60.5, 0, 0, 255, 255, 3.0f);
  EXPECT_FALSE(probe::Ink(surface).Any());  // nothing drawn before the render
  ren.RenderScanlines();
  EXPECT_EQ(surface.GetPixel(50, 20), (platform::Colour{0, 0, 255, 255}));
  EXPECT_EQ(surface.GetPixel(50, 60), (platform::Colour{0, 0, 255, 255}));
}

TEST_F(AggRen, PolylineRendersItselfAlongItsPointsAndSkipsWhatIsNotANumber) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double points[] = {10, 20, 100, 20, 100, 120, nan, 5, 200, 150, 1e300, 150};
  ren.DrawPolyline(points, rgba8(255, 0, 0, 255), 3.0f);
  EXPECT_EQ(surface.GetPixel(50, 20), (platform::Colour{255, 0, 0, 255}));
  EXPECT_EQ(surface.GetPixel(100, 70), (platform::Colour{255, 0, 0, 255}));
  EXPECT_EQ(surface.GetPixel(300, 150), (platform::Colour{255, 0, 0, 255}));  // on to the far point
  EXPECT_EQ(surface.GetPixel(150, 135), kWhite);                              // no join across the gap
  EXPECT_LE(probe::Ink(surface).top, 20);
  EXPECT_GE(probe::Ink(surface).top, 17);
}

TEST_F(AggRen, HashAndCaretPlaceTheNextLettersAsTheLineRulesSay) {
  Text("H", 20, 30);
  EXPECT_EQ(ren.style.text_origin_y, 30 + kH);  // mode 0: the baseline one height below the top
  EXPECT_NEAR(probe::Ink(surface).bottom, 46, 1);

  surface.Fill(kWhite);
  ren.style.glyph_curves_only = true;
  Text("A#B", 20, 30);  // "#": the next line 1.3 H lower, at the start
  EXPECT_TRUE(SameAs([](agg_ren& r) {
    r.DrawTextInBox("A", 20, 30, 300, 100, 1.0, kBlack, nullptr, 0);
    r.DrawTextInBox("B", 20, 30 + kH * 1.3, 300, 100, 1.0, kBlack, nullptr, 0);
  }));
  surface.Fill(kWhite);
  Text("^H", 20, 30);  // "^": half size, H / 3 above the baseline (half scale's own baseline is y + H / 2)
  EXPECT_TRUE(SameAs([](agg_ren& r) {
    r.DrawTextInBox("H", 20, 30 + kH - kH / 3.0 - kH / 2, 300, 100, 0.5, kBlack, nullptr, 0);
  }));
}

TEST_F(AggRen, RightLimitStopsTheLineAndTheCallersScaleSurvivesACutCaret) {
  agg_ren limited;
  limited.Attach(surface.Pixels(), surface.Width(), surface.Height(), surface.Stride(), 100, 200, 0);
  const std::string text(40, 'W');
  limited.DrawTextInBox(text.c_str(), 10, 10, 300, 100, 1.0, kBlack, nullptr, 0);
  const probe::Bounds ink = probe::Ink(surface);
  EXPECT_LT(ink.right, 100);
  EXPECT_GT(ink.right, 85);
  EXPECT_LE(limited.style.text_end_x, 100 + 9 * 1.5);  // the pen stops within one glyph past the limit

  double scale = 1.0;
  limited.Attach(surface.Pixels(), surface.Width(), surface.Height(), surface.Stride(), 60, 200, 0);
  limited.DrawTextInBox("WWWWWW^2WW", 10, 10, 300, 100, scale, kBlack, nullptr, 0);
  EXPECT_EQ(scale, 1.0);
  surface.Fill(kWhite);
  limited.DrawTextInBox("H", 10, 10, 300, 100, scale, kBlack, nullptr, 0);  // nothing half-size carries over
  const int after = probe::Ink(surface).Height();
  surface.Fill(kWhite);
  agg_ren fresh;
  fresh.Attach(surface);
  fresh.DrawTextInBox("H", 10, 10, 300, 100, 1.0, kBlack, nullptr, 0);
  EXPECT_EQ(after, probe::Ink(surface).Height());
}

TEST_F(AggRen, MeanAdvanceMatchesTheFontWidthAndCyrillicLeavesInk) {
  for (double width : {6.0, 9.0, 13.0}) {
    ren.style.font_width = width;
    ren.ResetFont();
    Text("abcdefghijklmnopqrstuvwxyz", 0, 0);
    EXPECT_NEAR((ren.style.text_end_x - ren.style.text_origin_x) / 26.0, width, width * 0.15) << width;
  }
  surface.Fill(kWhite);
  Text(platform::Utf8ToCp1251("Ёжик в тумане"), 10, 10);
  EXPECT_GT(probe::Ink(surface).Width(), 60);
}

TEST_F(AggRen, NullTextFillsOnlyThePolygonReadWithinItsLength) {
  surface.Fill({0, 0, 0, 255});
  const double triangle[] = {10, 10, 110, 10, 10, 110};  // six coordinates bound the read
  ren.DrawTextInBox(nullptr, 0, 0, 100, 100, 1.0, kBlack, nullptr, 0, triangle);
  EXPECT_TRUE(probe::Near(surface.GetPixel(20, 20), {172, 172, 191, 255}, 1));  // pale blue
  EXPECT_EQ(surface.GetPixel(100, 100), kOpaqueBlack);
}

TEST_F(AggRen, PanelWriteBackSolidCentreAndInsetPastTheMiddle) {
  const struct {
    std::uint8_t inset;
    float width, fade;
    PanelRect in, out;
  } cases[] = {
      {100, 4.0f, 1.0f, {0, 100, 0, 50}, {2, 96, 2, 46}},
      {7, 4.0f, 1.0f, {10, 100, 20, 50}, {19, 82, 29, 32}},
      {0, 2.0f, 1.0f, {0, 100, 0, 50}, {15, 70, 15, 20}},
      {0, 2.0f, 0.0f, {0, 100, 0, 50}, {20, 60, 20, 10}},
      {0, 2.0f, 0.0f, {0, 30, 0, 30}, {20, 0, 20, 0}},  // size 0, not negative
  };
  for (const auto& c : cases) {
    PanelRect r = c.in;
    ren.DrawRoundedPanel(r, {0, 0, 0, 1, c.inset}, 1.0f, c.width, kBlack, c.fade);
    EXPECT_EQ(r, c.out) << int(c.inset);
  }
  surface.Fill(kWhite);
  PanelRect r{50, 200, 20, 120};
  ren.DrawRoundedPanel(r, {0, 0, 0, 1, 100}, 1.0f, 2.0f, rgba8(10, 200, 30, 255), 1.0f);
  EXPECT_EQ(surface.GetPixel(150, 80), (platform::Colour{10, 200, 30, 255}));
  EXPECT_EQ(surface.GetPixel(49, 80), kWhite);
}

TEST_F(AggRen, GradientsRepeatEveryTwoLengthsAndSurviveEmptyOrZeroProfiles) {
  platform::Surface tall(100, 400);
  tall.Fill(kWhite);
  ren.Attach(tall);
  PanelRect r{0, 100, 0, 400};
  ren.DrawRoundedPanel(r, {0, 0, 0, 2, 100}, 1.0f, 1.0f, kBlack, 1.0f);
  // Down the screen profile A peaks half a length from each turning point.
  EXPECT_TRUE(probe::Near(tall.GetPixel(50, 40), {120, 140, 235, 255}, 3));
  EXPECT_TRUE(probe::Near(tall.GetPixel(50, 80), {20, 20, 180, 255}, 3));
  for (int y = 20; y < 220; y += 13) EXPECT_EQ(tall.GetPixel(50, y), tall.GetPixel(50, y + 160)) << y;

  ren.Attach(surface);  // along x with a linear profile: reflected, period 160
  const double x[] = {0.0, 1.0}, y[] = {0.0, 1.0};
  CubicSpline linear;
  linear.Build(x, y, 2);
  agg::rounded_rect strip(0, 0, 400, 50, 0);
  ren.Rasterizer().add_path(strip);
  ren.FillGradient(1.0f, 0.0f, linear);
  EXPECT_TRUE(probe::Near(surface.GetPixel(79, 25), {120, 140, 235, 255}, 2));
  for (int px = 0; px < 200; px += 17) EXPECT_EQ(surface.GetPixel(px, 25), surface.GetPixel(px + 160, 25)) << px;

  surface.Fill(kWhite);  // an empty profile's NaN becomes 0 before any integer conversion
  CubicSpline empty;
  ren.Rasterizer().add_path(strip);
  ren.FillGradient(1.0f, 0.0f, empty);
  EXPECT_EQ(surface.GetPixel(30, 25), kWhite);
  EXPECT_EQ(AsColour(ren.style.last_gradient), (platform::Colour{0, 0, 0, 0}));
  ren.style.gradient_length = 0.0;  // counts as one, no division by zero
  PanelRect small{0, 100, 0, 100};
  ren.DrawRoundedPanel(small, {0, 0, 0, 2, 100}, 1.0f, 1.0f, kBlack, 1.0f);
  EXPECT_NE(surface.GetPixel(50, 50), kWhite);
}

TEST_F(AggRen, ShadowAlphaSaturatesInsteadOfWrapping) {
  // With fade 0 the product passes 255 on the inner rings: they must be the darkest, not pale.
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

TEST_F(AggRen, PanelStepsSurviveShortRecordsTinyPanelsAndNaNFade) {
  surface.Fill({0, 0, 0, 255});
  double record[14] = {};
  record[11] = 10, record[12] = 359, record[13] = 60;
  PanelRect r{0, 100, 0, 100};
  // A marker record one short is not read; the whole one strokes.
  ren.DrawRoundedPanel(r, {0, 0, 0, 0, 100}, 1.0f, 1.0f, kBlack, 1.0f, std::span<const double>(record, 13));
  EXPECT_EQ(surface.GetPixel(350, 40), kOpaqueBlack);
  ren.DrawRoundedPanel(r, {0, 0, 0, 0, 100}, 1.0f, 1.0f, kBlack, 1.0f, record);
  EXPECT_EQ(surface.GetPixel(350, 40), kWhite);

  ren.style.glow = ren.style.frame = ren.style.extra_line = ren.style.clip = true;
  ren.style.clip_rect = {0, 0, 200, 200};
  ren.style.extra_line_coords = {0, 0, 50, 50};
  for (float fade : {0.0f, 3.0f, std::numeric_limits<float>::quiet_NaN()}) {
    for (PanelRect p : {PanelRect{0, 4, 0, 4}, PanelRect{10, 60, 10, 60}}) {
      ren.DrawRoundedPanel(p, {0, 3, 0xFF, 2, 100}, 1.0f, 2.0f, kBlack, fade);
      EXPECT_TRUE(p.width >= 0.0 && p.height >= 0.0);
    }
  }
}

TEST_F(AggRen, PathTextFollowsPolygonTwoAndBetweenPathsNeedsTheFifth) {
  ren.CreateAltFont("Arial", 0, 20, 400);
  interactive_polygon& p = *ren.Polygon(2);
  p.xn(0) = 0, p.yn(0) = 150, p.xn(1) = 400, p.yn(1) = 50;
  ren.DrawTextAlongPath({"Hello", 1.0, kBlack, 0.0});
  const probe::Bounds ink = probe::Ink(surface);
  EXPECT_LT(ink.top, 150);
  EXPECT_GT(ink.bottom, 100);

  surface.Fill(kWhite);
  interactive_polygon& lower = *ren.Polygon(4);
  for (std::uint32_t i = 0; i < 6; ++i) lower.xn(i) = i * 60.0, lower.yn(i) = 150;
  ren.DrawTextBetweenPaths({"Hello", 1.0, kBlack, 0.0});
  EXPECT_FALSE(probe::Ink(surface).Any());
  ren.polygon5 = std::make_unique<interactive_polygon>(6, 5.0);
  for (std::uint32_t i = 0; i < 6; ++i) ren.polygon5->xn(i) = i * 60.0, ren.polygon5->yn(i) = 100;
  ren.DrawTextBetweenPaths({"Hello", 1.0, kBlack, 0.0});
  EXPECT_TRUE(probe::Ink(surface).Any());
}

}  // namespace
