// agg_ren's life cycle: attach and detach, clearing, the polygons, the fonts.
#include "render/agg_ren.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include "render_probe.h"

namespace {

constexpr platform::Colour kWhite{255, 255, 255, 255};

TEST(AggRenAttach, DrawingAtTheOriginLandsOnTheTopRow) {
  platform::Surface s(10, 4);
  s.Fill(kWhite);
  agg_ren ren;
  ren.Attach(s);
  ren.DrawLine(0, 0.5, 10, 0.5, 0, 0, 0, 255, 1.0f);
  ren.RenderScanlines();
  EXPECT_TRUE(probe::Near(s.GetPixel(5, 0), {0, 0, 0, 255}, 2));
  EXPECT_EQ(s.GetPixel(5, 3), kWhite);
}

TEST(AggRenAttach, FontCallsOnADetachedSurfaceDoNothing) {
  agg_ren ren;
  ren.ResetFont();
  ren.CreateAltFont("Arial", 8, 16, 400);
  platform::Surface s(100, 60);
  s.Fill(kWhite);
  ren.Attach(s);
  ren.Polygon(2)->xn(1) = 100;
  ren.Polygon(2)->yn(0) = ren.Polygon(2)->yn(1) = 40;
  ren.DrawTextAlongPath({"abc", 1.0, rgba8(0, 0, 0, 255), 0.0});  // no secondary engine yet
  EXPECT_FALSE(probe::Ink(s).Any());
}

TEST(AggRenAttach, ThousandAttachDetachCyclesKeepMemoryFlat) {
  platform::Surface s(64, 32);
  agg_ren ren;
  const auto cycle = [&] {
    ren.Attach(s);
    ren.DrawTextInBox("ok", 0, 0, 64, 32, 1.0, rgba8(0, 0, 0, 255), nullptr, 0);
    ren.Detach();
  };
  for (int i = 0; i < 20; ++i) cycle();  // the first cycles fill the process-wide font caches
  const std::size_t before = mallinfo2().uordblks;
  for (int i = 0; i < 1000; ++i) cycle();
  EXPECT_LT(mallinfo2().uordblks, before + 64 * 1024);
}

}  // namespace
