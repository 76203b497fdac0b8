// agg_ren's life cycle: attach and detach, clearing, point animation, the polygons, the fonts.
#include "render/agg_ren.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include "render_probe.h"

namespace {

TEST(AggRenAttach, DrawingAtTheOriginLandsOnTheTopRow) {
  platform::Surface s(10, 4);
  s.Fill({255, 255, 255, 255});
  agg_ren ren;
  ren.Attach(s);
  ren.DrawLine(0, 0.5, 10, 0.5, 0, 0, 0, 255, 1.0f);
  ren.RenderScanlines();
  EXPECT_TRUE(probe::Near(s.GetPixel(5, 0), {0, 0, 0, 255}, 2));
  EXPECT_EQ(s.GetPixel(5, 3), (platform::Colour{255, 255, 255, 255}));
}

TEST(AggRenAttach, ClearWhiteSetsEveryByte) {
  platform::Surface s(7, 5);
  agg_ren ren;
  ren.Attach(s);
  ren.ClearWhite();
  for (int y = 0; y < s.Height(); ++y) {
    for (int i = 0; i < s.Width() * 4; ++i) ASSERT_EQ(s.Row(y)[i], 255) << y << " " << i;
  }
}

TEST(AggRenAttach, ClearStoresBlueGreenRedAlpha) {
  platform::Surface s(3, 2);
  agg_ren ren;
  ren.Attach(s);
  ren.Clear(rgba8(10, 20, 30, 40));
  EXPECT_EQ(s.Row(1)[0], 30);
  EXPECT_EQ(s.Row(1)[1], 20);
  EXPECT_EQ(s.Row(1)[2], 10);
  EXPECT_EQ(s.Row(1)[3], 40);
}

TEST(AggRenAttach, AttachSetsLimitsRadiusAndSplineDefaultsButKeepsStyle) {
  platform::Surface s(8, 8);
  agg_ren ren;
  ren.style.corner_radius = 3.0;
  ren.style.closed = 0;
  ren.style.bspline_steps = 10.0;
  ren.style.gradient_length = 33.0;
  std::vector<std::uint8_t> pixels(40 * 30 * 4);
  ren.Attach(pixels.data(), 40, 30, 160, 25, 20, 7);
  EXPECT_DOUBLE_EQ(ren.style.corner_radius, 15.0);
  EXPECT_EQ(ren.style.closed, 1);
  EXPECT_DOUBLE_EQ(ren.style.bspline_steps, 200.0);
  EXPECT_DOUBLE_EQ(ren.style.gradient_length, 33.0);
  EXPECT_DOUBLE_EQ(ren.RightLimit(), 25.0);
  EXPECT_DOUBLE_EQ(ren.BottomLimit(), 20.0);
  EXPECT_FALSE(ren.InitDefaults());
}

TEST(AggRenAttach, AttachOnAnAttachedSurfaceStartsOver) {
  platform::Surface a(8, 8), b(16, 16);
  agg_ren ren;
  ren.Attach(a);
  ren.Polygon(1)->xn(0) = 5.0;
  ren.Attach(b);
  EXPECT_EQ(ren.Polygon(1)->xn(0), 0.0);
  ren.ClearWhite();
  EXPECT_EQ(b.GetPixel(15, 15), (platform::Colour{255, 255, 255, 255}));
  EXPECT_EQ(a.GetPixel(0, 0), (platform::Colour{0, 0, 0, 0}));
}

TEST(AggRenAttach, FontCallsOnADetachedSurfaceDoNothing) {
  agg_ren ren;
  ren.ResetFont();
  ren.CreateAltFont("Arial", 8, 16, 400);
  platform::Surface s(100, 60);
  s.Fill({255, 255, 255, 255});
  ren.Attach(s);
  ren.Polygon(2)->xn(1) = 100;
  ren.Polygon(2)->yn(0) = ren.Polygon(2)->yn(1) = 40;
  ren.DrawTextAlongPath({"abc", 1.0, rgba8(0, 0, 0, 255), 0.0});  // no secondary engine yet
  EXPECT_FALSE(probe::Ink(s).Any());
}

TEST(AggRenAttach, ASecondAltFontReplacesTheFirst) {
  platform::Surface s(300, 100);
  agg_ren ren;
  ren.Attach(s);
  interactive_polygon& line = *ren.Polygon(2);
  line.xn(0) = 0;
  line.xn(1) = 300;
  line.yn(0) = line.yn(1) = 80;
  auto ink_height = [&](double height) {
    s.Fill({255, 255, 255, 255});
    ren.CreateAltFont("Arial", 0, height, 400);
    ren.DrawTextAlongPath({"HHH", 1.0, rgba8(0, 0, 0, 255), 0.0});
    return probe::Ink(s).Height();
  };
  const int small = ink_height(12);
  const int large = ink_height(36);
  EXPECT_GT(small, 0);
  EXPECT_NEAR(static_cast<double>(large) / small, 3.0, 0.5);
}

TEST(AggRenAttach, ThousandAttachDetachCyclesKeepMemoryFlat) {
  platform::Surface s(64, 32);
  agg_ren ren;
  const auto cycle = [&] {
    ren.Attach(s);
    ren.DrawTextInBox("ok", 0, 0, 64, 32, 1.0, rgba8(0, 0, 0, 255), nullptr, 0);
    ren.Detach();
  };
  // The first cycles fill the process-wide font look-up caches.
  for (int i = 0; i < 20; ++i) cycle();
  const std::size_t before = mallinfo2().uordblks;
  for (int i = 0; i < 1000; ++i) cycle();
  const std::size_t after = mallinfo2().uordblks;
  EXPECT_LT(after, before + 64 * 1024);
}

TEST(AggRenAnimate, PointsBounceOffTheEdges) {
  platform::Surface s(8, 8);
  agg_ren ren;
  std::vector<std::uint8_t> pixels(100 * 50 * 4);
  ren.Attach(pixels.data(), 100, 50, 400, 100, 50, 0);
  interactive_polygon& p = *ren.Polygon(1);
  p.xn(0) = -3;
  ren.style.velocities[0] = -2;
  p.xn(1) = 104;
  ren.style.velocities[2] = 3;
  p.yn(2) = 60;
  ren.style.velocities[5] = 1;
  p.xn(3) = 10;
  p.yn(3) = 10;
  ren.style.velocities[6] = 1;
  ren.style.velocities[7] = -1;
  ren.AnimatePoints();
  EXPECT_DOUBLE_EQ(p.xn(0), 2.0);
  EXPECT_DOUBLE_EQ(ren.style.velocities[0], 2.0);
  EXPECT_DOUBLE_EQ(p.xn(1), 97.0);
  EXPECT_DOUBLE_EQ(ren.style.velocities[2], -3.0);
  EXPECT_DOUBLE_EQ(p.yn(2), 49.0);
  EXPECT_DOUBLE_EQ(ren.style.velocities[5], -1.0);
  EXPECT_DOUBLE_EQ(p.xn(3), 11.0);
  EXPECT_DOUBLE_EQ(p.yn(3), 9.0);
}

}  // namespace
