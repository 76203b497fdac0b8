// agg_ren's drawing operations probed in pixels: lines, box text, panels, gradient guards, path text.
#include <agg_rounded_rect.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "render/agg_ren.h"
#include "render_probe.h"

namespace {

constexpr platform::Colour kWhite{255, 255, 255, 255};
constexpr platform::Colour kOpaqueBlack{0, 0, 0, 255};
const rgba8 kBlack(0, 0, 0, 255);

platform::Colour AsColour(const rgba8& c) { return {c.r, c.g, c.b, c.a}; }

struct AggRen : ::testing::Test {
  platform::Surface surface{400, 200};
  agg_ren ren;
  void SetUp() override {
    surface.Fill(kWhite);
    ren.Attach(surface);
  }
};

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

// Text drawn under a clip to a few columns (as a value box is framed again over fresh columns)
// leaves those columns exactly as the whole text does, with the glyphs away from them skipped, and
// nothing outside them; the contour's widening and a raised caret included.
TEST_F(AggRen, TextUnderAClipLeavesItsColumnsAsTheWholeTextDoes) {
  const auto draw = [&](agg_ren& r) {
    r.style.glyph_contour_factor = 0.05;
    r.DrawTextInBox("12.34^5 W", 10, 10, 360, 120, 2.0, kBlack, nullptr, 0);
  };
  platform::Surface whole(400, 200);
  whole.Fill(kWhite);
  agg_ren full;
  full.Attach(whole);
  draw(full);
  for (const int left : {0, 37, 120, 250, 390}) {
    surface.Fill(kWhite);
    ren.Base()->clip_box(left, 0, left + 5, 199);
    draw(ren);
    ren.Base()->reset_clipping(true);
    for (int y = 0; y < 200; ++y) {
      for (int x = 0; x < 400; ++x) {
        const bool inside = x >= left && x <= left + 5;
        ASSERT_EQ(surface.GetPixel(x, y), inside ? whole.GetPixel(x, y) : kWhite) << left << ": " << x << ", " << y;
      }
    }
  }
}

// Mean width of the dark runs on row y between two columns: the stem width a reader sees there.
double StemWidth(const platform::Surface& s, int y, double from, double to) {
  double ink = 0.0;
  int runs = 0;
  for (int x = static_cast<int>(from); x < static_cast<int>(to); ++x) {
    ink += (255 - s.GetPixel(x, y).g) / 255.0;
    runs += s.GetPixel(x, y).g < 128 && s.GetPixel(x - 1, y).g >= 128;
  }
  return runs > 0 ? ink / runs : 0.0;
}

bool SamePixels(const platform::Surface& a, const platform::Surface& b) {
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
    }
  }
  return true;
}

// Text drawn from rasterised glyphs kept from earlier draws looks as the same text rasterised afresh
// from the outlines: after other texts, sizes and placements, after a draw clipped to a few columns
// (which must not keep a clipped glyph), and after a change of font.
TEST_F(AggRen, GlyphsKeptFromEarlierDrawsLookAsOnesRasterisedAfresh) {
  struct Row {
    const char* earlier;
    double earlier_scale, earlier_x;
    bool earlier_clipped;
    const char* text;
    double scale, x;
    double font_height;  // 0: the font stays
  };
  const Row rows[] = {
      {"0.844", 2.0, 20.0, false, "0.844", 2.0, 20.0, 0.0},      // the same text again
      {"0.845", 2.0, 20.3, false, "0.458", 2.0, 20.0, 0.0},      // its digits elsewhere, other fractions
      {"0.844", 1.0, 20.0, false, "0.844", 2.0, 20.0, 0.0},      // another size
      {"0.844", 2.0, 20.0, true, "0.844", 2.0, 20.0, 0.0},       // after a clip to a few columns
      {"Hz -12.5", 1.5, 33.7, false, "Hz -12.5", 1.5, 33.7, 24.0}, // a font of another height
  };
  for (const Row& row : rows) {
    platform::Surface fresh(400, 200);
    fresh.Fill(kWhite);
    agg_ren reference;
    reference.Attach(fresh);
    reference.SetGlyphRasterCache(false);
    if (row.font_height > 0.0) {
      reference.style.font_height = row.font_height;
      reference.ResetFont();
    }
    reference.DrawTextInBox(row.text, row.x, 40.0, 360.0, 120.0, row.scale, rgba8(200, 0, 0, 255), nullptr, 0);
    ASSERT_TRUE(probe::Ink(fresh).Any()) << row.text;

    agg_ren kept;
    kept.Attach(surface);
    surface.Fill(kWhite);
    if (row.earlier_clipped) kept.Base()->clip_box(60, 0, 64, 199);
    kept.DrawTextInBox(row.earlier, row.earlier_x, 40.0, 360.0, 120.0, row.earlier_scale, kBlack, nullptr, 0);
    kept.Base()->reset_clipping(true);
    const std::size_t glyphs = kept.RasterisedGlyphs();
    EXPECT_GT(glyphs, 0u) << row.earlier;
    if (row.font_height > 0.0) {
      kept.style.font_height = row.font_height;
      kept.ResetFont();
      EXPECT_EQ(kept.RasterisedGlyphs(), 0u);
    }
    surface.Fill(kWhite);
    kept.DrawTextInBox(row.text, row.x, 40.0, 360.0, 120.0, row.scale, rgba8(200, 0, 0, 255), nullptr, 0);
    EXPECT_TRUE(SamePixels(surface, fresh)) << row.earlier << " then " << row.text;
    if (row.font_height == 0.0 && std::string(row.earlier) == row.text && row.earlier_scale == row.scale && !row.earlier_clipped) {
      EXPECT_EQ(kept.RasterisedGlyphs(), glyphs) << "the same text again rasterises nothing";
    }
  }
}

TEST_F(AggRen, TheContourThickensEveryGlyphAlikeAloneAndInAWord) {
  const std::string word = "\xE8\xEE\xF2" "01";  // "и" "о" "т" in code page 1251; figures with and without a counter
  const double scale = 3.0;
  const auto row = [&] { return static_cast<int>(ren.style.text_origin_y - 0.25 * ren.EngineHeight() * scale); };
  std::vector<double> edges, plain, thick;
  for (const double factor : {0.0, 0.04}) {
    ren.style.glyph_contour_factor = factor;
    edges = {10.0};
    for (const char c : word) {
      const char one[2] = {c, 0};
      surface.Fill(kWhite);
      ren.DrawTextInBox(one, edges.back(), 20, 380, 100, scale, kBlack, nullptr, 0);
      (factor > 0 ? thick : plain).push_back(StemWidth(surface, row(), edges.back(), ren.style.text_end_x));
      edges.push_back(ren.style.text_end_x);
    }
  }
  surface.Fill(kWhite);
  ren.DrawTextInBox(word.c_str(), edges[0], 20, 380, 100, scale, kBlack, nullptr, 0);
  for (std::size_t i = 0; i < word.size(); ++i) {
    EXPECT_NEAR(thick[i] - plain[i], 0.04 * ren.EngineHeight() * scale, 0.5) << i;  // half the width each side
    EXPECT_NEAR(StemWidth(surface, row(), edges[i], edges[i + 1]), thick[i], 0.25) << i;
  }
}

TEST_F(AggRen, NullTextFillsOnlyThePolygonReadWithinItsLength) {
  surface.Fill({0, 0, 0, 255});
  const double triangle[] = {10, 10, 110, 10, 10, 110};  // six coordinates bound the read
  ren.DrawTextInBox(nullptr, 0, 0, 100, 100, 1.0, kBlack, nullptr, 0, triangle);
  EXPECT_TRUE(probe::Near(surface.GetPixel(20, 20), {172, 172, 191, 255}, 1));  // pale blue
  EXPECT_EQ(surface.GetPixel(100, 100), kOpaqueBlack);
}

TEST_F(AggRen, GradientsSurviveEmptyOrZeroProfiles) {
  agg::rounded_rect strip(0, 0, 400, 50, 0);
  ren.Rasterizer().add_path(strip);
  CubicSpline empty;  // an empty profile's NaN becomes 0 before any integer conversion
  ren.FillGradient(1.0f, 0.0f, empty);
  EXPECT_EQ(surface.GetPixel(30, 25), kWhite);
  EXPECT_EQ(AsColour(ren.style.last_gradient), (platform::Colour{0, 0, 0, 0}));
  ren.style.gradient_length = 0.0;  // counts as one, no division by zero
  PanelRect small{0, 100, 0, 100};
  ren.DrawRoundedPanel(small, {0, 0, 0, 2, 100}, 1.0f, 1.0f, kBlack, 1.0f);
  EXPECT_NE(surface.GetPixel(50, 50), kWhite);
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

// A fresh renderer's path polygons have all their points at one place: text along them draws
// nothing (and reads nothing beyond the one vertex such a path keeps).
TEST_F(AggRen, PathTextAlongCoincidentPointsDrawsNothing) {
  ren.CreateAltFont("Arial", 0, 20, 400);
  for (double at : {0.0, 120.0}) {
    interactive_polygon& p = *ren.Polygon(2);
    p.xn(0) = p.xn(1) = at, p.yn(0) = p.yn(1) = at;
    ren.DrawTextAlongPath({"Hello", 1.0, kBlack, 0.0});
    ren.DrawTextAlongPath({"Hello", 1.0, kBlack, 100.0});
    EXPECT_FALSE(probe::Ink(surface).Any()) << at;
  }
  ren.polygon5 = std::make_unique<interactive_polygon>(6, 5.0);
  ren.DrawTextBetweenPaths({"Hello", 1.0, kBlack, 0.0});
  EXPECT_FALSE(probe::Ink(surface).Any());
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

// A path point that is not a number or lies past what AGG's integer coordinates hold refuses the
// text along or between the paths, and a size scale that is not a number or would make glyphs
// larger than any screen refuses it too; a tiny base length lays glyphs far along the path's
// direction, held short of the integer limit. UBSan stops on any of these converted inside AGG.
TEST_F(AggRen, PathTextRefusesPointsAndScalesAGGCannotPlace) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  ren.CreateAltFont("Arial", 0, 20, 400);
  ren.polygon5 = std::make_unique<interactive_polygon>(6, 5.0);
  const auto lay = [&](double bad_at, std::uint32_t bad_point, bool bad_y) {
    interactive_polygon& along = *ren.Polygon(2);
    along.xn(0) = 0, along.yn(0) = 150, along.xn(1) = 400, along.yn(1) = 50;
    interactive_polygon& lower = *ren.Polygon(4);
    for (std::uint32_t i = 0; i < 6; ++i) {
      lower.xn(i) = ren.polygon5->xn(i) = i * 60.0;
      lower.yn(i) = 150, ren.polygon5->yn(i) = 100;
    }
    for (interactive_polygon* p : {&along, &lower, ren.polygon5.get()}) {
      if (bad_point < p->num_points()) (bad_y ? p->yn(bad_point) : p->xn(bad_point)) = bad_at;
    }
  };
  for (const double bad : {nan, inf, -inf, 1e300, -2.0e6}) {
    for (const bool bad_y : {false, true}) {
      surface.Fill(kWhite);
      lay(bad, 1, bad_y);
      ren.DrawTextAlongPath({"Hello", 1.0, kBlack, 0.0});
      ren.DrawTextBetweenPaths({"Hello", 1.0, kBlack, 0.0});
      EXPECT_FALSE(probe::Ink(surface).Any()) << bad << (bad_y ? " in y" : " in x");
    }
  }
  lay(0.0, 99, false);  // all points sound
  for (const double scale : {nan, inf, -inf, 1e9, -1e9}) {
    surface.Fill(kWhite);
    ren.DrawTextAlongPath({"Hello", scale, kBlack, 0.0});
    ren.DrawTextBetweenPaths({"Hello", scale, kBlack, 0.0});
    EXPECT_FALSE(probe::Ink(surface).Any()) << scale;
  }
  for (const double base : {1e-9, nan, inf, 1e300}) {
    ren.DrawTextAlongPath({"Hello", 1.0, kBlack, base});
    ren.DrawTextAlongPath({"Hello", -400.0 / 20, kBlack, base});
  }
  surface.Fill(kWhite);
  ren.DrawTextAlongPath({"Hello", 1.0, kBlack, 0.0});
  EXPECT_TRUE(probe::Ink(surface).Any());  // the sound path still draws
  for (const double height : {nan, inf, 1e300, -1e300}) {
    ren.CreateAltFont("Arial", height, height, 400);
    ren.DrawTextAlongPath({"Hello", 1.0, kBlack, 0.0});
  }
}

}  // namespace
