// Tests of the generated calibration tables: given points, zero crossings, monotony, the curve.
#include "channels/calibration_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

bool Ordered(double before, double after, bool rising) { return rising ? before <= after : before >= after; }

// Each table holds its first, quarter, half and last entries among its points, hits every point
// (the two-slope lines within a thousandth of full scale) and follows its direction.
TEST(CalibrationTables, EachTableHitsItsPointsAndIsMonotone) {
  for (std::size_t t = 0; t < kCalibrationTableCount; ++t) {
    const auto id = static_cast<CalibrationTableId>(t);
    const CalibrationTableSource& source = CalibrationTables::Source(id);
    const std::span<const float> table = CalibrationTables::Instance().Table(id);
    ASSERT_EQ(table.size(), static_cast<std::size_t>(source.Entries)) << source.Name;
    for (int known : {0, source.Entries / 4, source.Entries / 2, source.Entries - 1}) {
      EXPECT_TRUE(std::any_of(source.Points.begin(), source.Points.end(),
                              [&](const CalibrationPoint& p) { return p.Code == known; }))
          << source.Name << " lacks " << known;
    }
    const double tolerance = 1e-3 * source.FullScale;
    for (const CalibrationPoint& point : source.Points) {
      EXPECT_NEAR(table[static_cast<std::size_t>(point.Code)], static_cast<float>(point.Value), tolerance)
          << source.Name << " at " << point.Code;
    }
    const bool rising = source.Direction == TableDirection::Rising;
    for (std::size_t i = 1; i < table.size(); ++i)
      ASSERT_TRUE(Ordered(table[i - 1], table[i], rising)) << source.Name << " at " << i;
    EXPECT_NE(table.front(), table.back()) << source.Name;
  }
}

TEST(CalibrationTables, MonotoneCurveNeverOvershootsBesideASteepSegment) {
  // Ordinary cubics through these points swing beyond the neighbouring values beside the steep segment.
  const std::vector<CalibrationPoint> cases[] = {{{0, 0.0}, {10, 0.0}, {12, 10.0}, {30, 10.0}},
                                                 {{0, 0.0}, {10, 1.0}, {11, 10.0}, {21, 11.0}},
                                                 {{0, 11.0}, {10, 10.0}, {11, 1.0}, {21, 0.0}}};
  for (const auto& points : cases) {
    const std::vector<double> curve = CalibrationTables::MonotoneCurve(points, points.back().Code + 1);
    const bool rising = points.back().Value > points.front().Value;
    for (std::size_t k = 0; k + 1 < points.size(); ++k) {
      const CalibrationPoint &a = points[k], &b = points[k + 1];
      EXPECT_EQ(curve[static_cast<std::size_t>(a.Code)], a.Value);
      for (auto i = static_cast<std::size_t>(a.Code + 1); i <= static_cast<std::size_t>(b.Code); ++i) {
        EXPECT_TRUE(Ordered(curve[i - 1], curve[i], rising)) << i;
        EXPECT_GE(curve[i], std::min(a.Value, b.Value)) << i;
        EXPECT_LE(curve[i], std::max(a.Value, b.Value)) << i;
      }
    }
  }
  // Through collinear points the curve is the line, held flat beyond the last point.
  const CalibrationPoint line[] = {{0, 1.0}, {50, 101.0}, {100, 201.0}};
  const std::vector<double> curve = CalibrationTables::MonotoneCurve(line, 120);
  for (int i = 0; i <= 100; ++i) EXPECT_NEAR(curve[static_cast<std::size_t>(i)], 1.0 + 2.0 * i, 1e-9) << i;
  EXPECT_EQ(curve[119], 201.0);
}

}  // namespace
