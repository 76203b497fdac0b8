// Tests of the sparse-column interpolation: which gaps are filled, linearly or after Akima, and at the view's end.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "channel_fixtures.h"

namespace {

constexpr std::int32_t kUntouched = -1;

struct Interpolated {
  Interpolated(std::uint8_t mode, std::uint8_t curve_on, std::uint16_t last_shown, std::uint32_t samples = 64)
      : f(std::vector<std::int16_t>(samples, 0), 0, 16) {
    for (std::uint32_t i = 0; i < samples; ++i) f.codes[i] = static_cast<std::int16_t>(10 * i);
    f.channel.TimeBase = f.base.data();
    f.channel.View = &view;
    f.channel.RawToValueFn = &Identity;
    f.channel.Shown = f.scale.ValuePerPixel = 1;
    f.channel.CurveMode = mode;
    f.channel.CurveSmoothOn = curve_on;
    f.scale.SamplesPerColumn = 1.0 / 3.0;
    view.SampleCount = samples;
    view.LastShownColumn = last_shown;
    for (auto& record : f.columns) record.MaxCode = record.MinCode = kUntouched;
  }
  // Columns in order, as a rebuild hands them on; `points` are the sampled ones (column, code).
  void Run(const std::vector<std::pair<std::uint16_t, std::int32_t>>& points, std::uint32_t first_sample = 20,
           std::uint16_t through = 0) {
    for (const auto& [column, code] : points) {
      f.base[column].SampleCount = 1;
      f.base[column].FirstSample = first_sample + column;
      f.columns[column].MaxCode = f.columns[column].MinCode = code;
    }
    f.channel.ResetColumnReduction();
    if (through == 0) through = view.LastShownColumn;
    for (std::uint16_t c = 1; c <= through; ++c) f.channel.InterpolateColumns(f.columns[c]);
  }
  LoneChannel f;
  GraphView view;
};

TEST(ColumnInterpolation, GapsBetweenSampledColumns) {
  using Points = std::vector<std::pair<std::uint16_t, std::int32_t>>;
  const Points ramp{{1, 0}, {4, 30}, {7, 60}, {10, 90}};
  const struct {
    const char* name;
    std::uint8_t mode, curve_on, recording;
    std::uint16_t through;  // columns passed; the view's end (column 15) completes the window
    Points points;
    Points expected;  // (column, MaxCode) after the pass
  } cases[] = {
      {"smoothing off", 1, 0, 0, 15, ramp, {{5, kUntouched}, {6, kUntouched}}},
      {"recording", 2, 1, 1, 15, ramp, {{5, kUntouched}, {6, kUntouched}}},
      {"two apart take the mean", 1, 1, 0, 15, {{2, 10}, {4, 21}}, {{3, 15}}},
      {"three points fill nothing yet", 1, 1, 0, 8, {{1, 0}, {4, 30}, {7, 60}}, {{5, kUntouched}, {2, kUntouched}}},
      {"linear between the middle points", 1, 1, 0, 15, ramp, {{2, kUntouched}, {5, 40}, {6, 50}}},
      {"equal slopes give the chord", 2, 1, 0, 15, ramp, {{5, 40}, {6, 50}}},
      {"equal values stay flat", 2, 1, 0, 15, {{1, 30}, {4, 30}, {7, 30}, {10, 30}}, {{5, 30}, {6, 30}}},
      {"neighbouring codes are not filled", 1, 1, 0, 15, {{1, 0}, {4, 5}, {7, 6}, {10, 9}}, {{5, kUntouched}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Interpolated run(c.mode, c.curve_on, 15);
    run.view.Recording = c.recording;
    run.Run(c.points, 20, c.through);
    for (const auto& [column, code] : c.expected) EXPECT_EQ(run.f.columns[column].MaxCode, code) << column;
  }
}

TEST(ColumnInterpolation, TheViewsEndTakesTheFollowingSamples) {
  // Sampled columns 1, 4, 7, 10 and the view ends at 10: the gap 7..10 is filled from the window
  // completed by the samples after column 10's (codes 10 x index), linearly.
  Interpolated run(1, 1, 10);
  run.Run({{1, 0}, {4, 30}, {7, 60}, {10, 90}}, 0);
  EXPECT_EQ(run.f.columns[8].MaxCode, 70);
  EXPECT_EQ(run.f.columns[9].MaxCode, 80);
}

TEST(ColumnInterpolation, OpeningSamplesNeverReadBeforeTheFirst) {
  // Empty columns open the view; the first sampled column holds sample 0 or 1 of a 2-sample channel.
  for (const std::uint32_t first : {0u, 1u}) {
    Interpolated run(2, 1, 12, 2);
    run.Run({{4, 5}}, first - 4);  // column 4 holds sample `first` (unsigned arithmetic wraps back)
    EXPECT_EQ(run.f.columns[4].MaxCode, 5);
  }
}

}  // namespace
