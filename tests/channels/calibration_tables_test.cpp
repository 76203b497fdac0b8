// Tests of the generated calibration tables: given points, zero crossings, monotony, the curve.
#include "channels/calibration_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace {

bool Ordered(double before, double after, TableDirection direction) {
  return direction == TableDirection::Rising ? before <= after : before >= after;
}

// Every table is known by its first, quarter, half and last entries; its points must include them
// and follow the table's direction.
TEST(CalibrationTables, SourcesHoldTheFourKnownEntriesInTheirDirection) {
  for (const CalibrationTableSource& source : CalibrationTables::Sources()) {
    const std::string name(source.Name);
    std::vector<int> codes;
    for (std::size_t k = 0; k < source.Points.size(); ++k) {
      codes.push_back(source.Points[k].Code);
      if (k > 0) {
        EXPECT_LT(source.Points[k - 1].Code, source.Points[k].Code) << name;
      }
    }
    for (int known : {0, source.Entries / 4, source.Entries / 2, source.Entries - 1}) {
      EXPECT_NE(std::find(codes.begin(), codes.end(), known), codes.end()) << name << " lacks " << known;
    }
  }
}

// Sizes, given points (the two-slope lines within a thousandth of full scale) and direction.
TEST(CalibrationTables, EachTableHitsItsPointsAndIsMonotone) {
  for (std::size_t t = 0; t < kCalibrationTableCount; ++t) {
    const auto id = static_cast<CalibrationTableId>(t);
    const CalibrationTableSource& source = CalibrationTables::Source(id);
    const std::span<const float> table = CalibrationTables::Instance().Table(id);
    ASSERT_EQ(table.size(), static_cast<std::size_t>(source.Entries)) << source.Name;
    const double tolerance = source.FullScale != 0.0 ? 1e-3 * source.FullScale : 0.0;
    for (const CalibrationPoint& point : source.Points) {
      EXPECT_NEAR(table[static_cast<std::size_t>(point.Code)], static_cast<float>(point.Value), tolerance)
          << source.Name << " at " << point.Code;
    }
    for (std::size_t i = 1; i < table.size(); ++i) {
      ASSERT_TRUE(Ordered(table[i - 1], table[i], source.Direction)) << source.Name << " turns at " << i;
    }
    EXPECT_NE(table.front(), table.back()) << source.Name;
  }
}

TEST(CalibrationTables, CurrentTablesAreTheTwoSlopeLineThroughZero) {
  struct Line {
    CalibrationTableId Id;
    double FullScale;
  };
  for (const Line& line : {Line{CalibrationTableId::Current66, 2.7785}, Line{CalibrationTableId::Current67, 277.85}}) {
    const std::span<const float> table = CalibrationTables::Instance().Table(line.Id);
    EXPECT_EQ(table[2047], 0.0f);
    EXPECT_EQ(table[0], static_cast<float>(-line.FullScale));
    EXPECT_EQ(table[4095], static_cast<float>(line.FullScale));
  }
}

TEST(CalibrationTables, FlowAndDistanceKeepTheirStatedLowCodes) {
  const std::span<const float> flow = CalibrationTables::Instance().Table(CalibrationTableId::Flow);
  EXPECT_EQ(flow[1], 3.779f);
  EXPECT_EQ(flow[100], 380.0f);
  const std::span<const float> distance = CalibrationTables::Instance().Table(CalibrationTableId::Distance);
  EXPECT_EQ(distance[0], 800.0f);
  EXPECT_EQ(distance[2], 800.0f);
  EXPECT_LT(distance[3], 800.0f);
}

struct CurveCase {
  const char* Name;
  std::vector<CalibrationPoint> Points;
};

TEST(CalibrationTables, MonotoneCurveNeverOvershootsBesideASteepSegment) {
  // Ordinary cubics through these points swing beyond the neighbouring values beside the steep segment.
  const CurveCase cases[] = {
      {"flat, step, flat", {{0, 0.0}, {10, 0.0}, {12, 10.0}, {30, 10.0}}},
      {"gentle, steep, gentle", {{0, 0.0}, {10, 1.0}, {11, 10.0}, {21, 11.0}}},
      {"falling", {{0, 11.0}, {10, 10.0}, {11, 1.0}, {21, 0.0}}},
  };
  for (const CurveCase& c : cases) {
    const int entries = c.Points.back().Code + 1;
    const std::vector<double> curve = CalibrationTables::MonotoneCurve(c.Points, entries);
    ASSERT_EQ(curve.size(), static_cast<std::size_t>(entries));
    const bool rising = c.Points.back().Value > c.Points.front().Value;
    for (std::size_t k = 0; k + 1 < c.Points.size(); ++k) {
      const CalibrationPoint& a = c.Points[k];
      const CalibrationPoint& b = c.Points[k + 1];
      EXPECT_EQ(curve[static_cast<std::size_t>(a.Code)], a.Value) << c.Name;
      for (int i = a.Code + 1; i <= b.Code; ++i) {
        const double before = curve[static_cast<std::size_t>(i - 1)];
        const double here = curve[static_cast<std::size_t>(i)];
        EXPECT_TRUE(rising ? before <= here : before >= here) << c.Name << " at " << i;
        EXPECT_GE(here, std::min(a.Value, b.Value)) << c.Name << " at " << i;
        EXPECT_LE(here, std::max(a.Value, b.Value)) << c.Name << " at " << i;
      }
    }
  }
}

TEST(CalibrationTables, MonotoneCurveThroughCollinearPointsIsTheLine) {
  const CalibrationPoint line[] = {{0, 1.0}, {50, 101.0}, {100, 201.0}};
  const std::vector<double> curve = CalibrationTables::MonotoneCurve(line, 120);
  for (int i = 0; i <= 100; ++i) {
    EXPECT_NEAR(curve[static_cast<std::size_t>(i)], 1.0 + 2.0 * i, 1e-9) << i;
  }
  EXPECT_EQ(curve[119], 201.0);  // held flat beyond the last point
}

TEST(CalibrationTables, FirstUseFromManyThreadsSharesOneInstance) {
  std::vector<const CalibrationTables*> seen(8, nullptr);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < seen.size(); ++i) {
    threads.emplace_back([&seen, i] { seen[i] = &CalibrationTables::Instance(); });
  }
  for (std::thread& thread : threads) thread.join();
  for (const CalibrationTables* tables : seen) EXPECT_EQ(tables, seen.front());
}

}  // namespace
