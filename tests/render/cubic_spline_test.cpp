// Natural cubic spline nodes, interval choice and extrapolation; the truncating and float lerps.
#include "render/cubic_spline.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const double kX[] = {0.0, 0.3, 0.5, 0.7, 1.0};
const double kY[] = {0.0, 0.8, 1.0, 0.8, 0.0};

double Cubic(const SplineNode& n, double t) {
  const double dt = t - n.x;
  return n.a + n.b * dt + n.c / 2 * dt * dt + n.d / 6 * dt * dt * dt;
}

TEST(CubicSpline, PassesThroughEveryNodeSmoothlyWithNaturalEnds) {
  CubicSpline s;
  s.Build(kX, kY, 5);
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(s.Evaluate(kX[i]), kY[i], 1e-12) << i;
  EXPECT_DOUBLE_EQ(s.Node(0).c, 0.0);
  EXPECT_DOUBLE_EQ(s.Node(4).c, 0.0);
  for (std::uint32_t i = 1; i + 1 < 5; ++i) {  // first and second derivatives agree at inner nodes
    const SplineNode &left = s.Node(i), &right = s.Node(i + 1);
    const double h = right.x - left.x;
    EXPECT_NEAR(left.b, right.b - right.c * h + right.d / 2 * h * h, 1e-9) << i;
    EXPECT_NEAR(left.c, right.c - right.d * h, 1e-9) << i;
  }
  // Outside the nodes the outer cubics continue; between them the interval ending above is used.
  const std::pair<double, std::uint32_t> picks[] = {{-0.1, 1}, {0.3, 1}, {0.4, 2}, {0.7, 3}, {1.2, 4}};
  for (const auto& [t, node] : picks) EXPECT_DOUBLE_EQ(s.Evaluate(t), Cubic(s.Node(node), t)) << t;
}

TEST(CubicSpline, EmptyRebuiltAndDecreasingSplines) {
  CubicSpline s;
  EXPECT_TRUE(std::isnan(s.Evaluate(0.5)));
  s.Build(kX, kY, 1);  // too few nodes: stays empty
  EXPECT_TRUE(std::isnan(s.Evaluate(0.5)));
  const double x2[] = {0.0, 1.0}, y2[] = {2.0, 4.0};
  s.Build(x2, y2, 2);
  EXPECT_DOUBLE_EQ(s.Evaluate(0.25), 2.5);
  s.Free();
  s.Free();
  EXPECT_TRUE(std::isnan(s.Evaluate(0.25)));
  const double x[] = {10.0, 5.0, 0.0}, y[] = {0.0, 1.0, 0.0};
  s.Build(x, y, 3);
  for (double t : {10.0, 7.0, 0.0}) EXPECT_NEAR(s.Evaluate(t), Cubic(s.Node(1), t), 1e-12) << t;
}

TEST(Lerp, IntTruncatesFloatKeepsFractionsAndEqualAbscissaeDoNotDivide) {
  const struct {
    std::int32_t x2, x1, y2, y1, x, expected;
  } cases[] = {{10, 0, 100, 0, 5, 50}, {2, 0, 5, 0, 1, 2}, {2, 0, -5, 0, 1, -2}, {4, 2, 10, 20, 3, 15},
               {10, 0, 10, 0, 15, 15}, {3, 3, 9, 7, 3, 7}};
  for (const auto& c : cases) EXPECT_EQ(LerpInt(c.x2, c.x1, c.y2, c.y1, c.x), c.expected) << c.x2 << " " << c.y2;
  EXPECT_FLOAT_EQ(LerpFloat(2, 0, -5.0f, 0.0f, 1), -2.5f);
  EXPECT_FLOAT_EQ(LerpFloat(20, 10, 3.0f, 1.0f, 25), 4.0f);
  EXPECT_FLOAT_EQ(LerpFloat(3, 3, 9.0f, 7.0f, 3), 7.0f);
}

}  // namespace
