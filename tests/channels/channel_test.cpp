// Tests of the measurement channel: value paths, newest code, min/max tracking, capacity, plot points.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "channels/vessamor_channel.h"
#include "graph/scale_state.h"

namespace {

// A linear conversion: 0.01 per code, so neighbouring codes are easy to tell apart.
float LinearHundredths(std::int16_t code, const VessamorChannel*) { return code * 0.01f; }

// A table look-up that clamps below, the way the calibration tables do.
float ClampedTable(std::int16_t code, const VessamorChannel*) {
  const std::int16_t index = code < 0 ? 0 : code;
  return 5.0f + index;
}

// A channel with its own small code array and column table.
struct ChannelFixture {
  ChannelFixture() {
    channel.RawToValueFn = &LinearHundredths;
    channel.Codes = codes.data();
    channel.CodeCapacity = static_cast<std::uint32_t>(codes.size());
    channel.Columns = columns.data();
    channel.TimeBase = columns.data();
    channel.ColumnCapacity = static_cast<std::uint32_t>(columns.size());
    channel.Scale = &scale;
  }
  std::vector<std::int16_t> codes = std::vector<std::int16_t>(16, 0);
  std::vector<ColumnRecord> columns = std::vector<ColumnRecord>(8);
  ScaleState scale;
  VessamorChannel channel;
};

TEST(ChannelNewestCode, IsTheLastWrittenCodeAndZeroBeforeAny) {
  ChannelFixture f;
  EXPECT_EQ(f.channel.NewestCode(), 0);
  ASSERT_TRUE(f.channel.AppendCode(321));
  EXPECT_EQ(f.channel.NewestCode(), 321);
  ASSERT_TRUE(f.channel.AppendCode(-7));
  EXPECT_EQ(f.channel.NewestCode(), -7);
  // The slot after the newest code is never read.
  f.codes[2] = 999;
  EXPECT_EQ(f.channel.NewestCode(), -7);
}

TEST(ChannelNewestCode, ColumnZeroReadsTheNewestRawCodeNotARecord) {
  ChannelFixture f;
  f.columns[0].MaxCode = 5000;
  f.channel.AppendCode(100);
  f.channel.AppendCode(200);
  EXPECT_FLOAT_EQ(f.channel.SampleValue(0), 2.0f);
  f.channel.CodeOffsetOn = 1;
  f.channel.CodeOffset = -50;
  EXPECT_FLOAT_EQ(f.channel.SampleValue(0), 1.5f);
}

TEST(ChannelCapacity, AppendStopsAtCapacity) {
  ChannelFixture f;
  f.channel.CodeCapacity = 3;
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(f.channel.AppendCode(static_cast<std::int16_t>(i + 1)));
  EXPECT_FALSE(f.channel.AppendCode(77));
  EXPECT_EQ(f.channel.CodeCount, 3u);
  EXPECT_EQ(f.channel.CodeRoom(), 0u);
  EXPECT_EQ(f.codes[3], 0);
}

TEST(ChannelCapacity, ChannelWithoutSliceRefusesEveryCode) {
  ChannelFixture f;
  f.channel.CodeCapacity = 0;
  EXPECT_EQ(f.channel.CodeRoom(), 0u);
  EXPECT_FALSE(f.channel.AppendCode(1));
  EXPECT_EQ(f.codes[0], 0);
  VessamorChannel unlinked;
  EXPECT_FALSE(unlinked.AppendCode(1));
  EXPECT_EQ(unlinked.NewestCode(), 0);
}

TEST(ChannelSampleValue, PlainCodesWithOffsetsAndClamps) {
  struct Case {
    const char* name;
    std::int32_t max_code;
    std::uint8_t offset_on;
    std::int16_t offset;
    std::uint8_t zero_on;
    float zero;
    std::uint16_t sensor;
    float expected;
  };
  const std::array<Case, 6> cases{{
      {"plain", 250, 0, 0, 0, 0.0f, 0, 2.5f},
      {"offset added", 250, 1, 10, 0, 0.0f, 0, 2.6f},
      {"offset ignored while off", 250, 0, 10, 0, 0.0f, 0, 2.5f},
      {"sum taken as signed 16 bits", 10, 1, -20, 0, 0.0f, 0, -0.1f},
      {"zero offset subtracted", 250, 0, 0, 1, 1.0f, 0, 1.5f},
      {"kind 47 never negative", 50, 0, 0, 1, 1.0f, 47, 0.0f},
  }};
  for (const Case& c : cases) {
    ChannelFixture f;
    f.columns[1].MaxCode = c.max_code;
    f.channel.CodeOffsetOn = c.offset_on;
    f.channel.CodeOffset = c.offset;
    f.channel.ZeroOffsetOn = c.zero_on;
    f.channel.ZeroOffset = c.zero;
    f.channel.SensorCode = c.sensor;
    EXPECT_NEAR(f.channel.SampleValue(1), c.expected, 1e-5f) << c.name;
  }
}

TEST(ChannelSampleValue, NegativeSumReachesTableEntryZero) {
  ChannelFixture f;
  f.channel.RawToValueFn = &ClampedTable;
  f.columns[1].MaxCode = 10;
  f.channel.CodeOffsetOn = 1;
  f.channel.CodeOffset = -20;
  EXPECT_FLOAT_EQ(f.channel.SampleValue(1), ClampedTable(0, nullptr));
}

TEST(ChannelSampleValue, FractionalCodesInterpolateBetweenNeighbours) {
  struct Case {
    std::int32_t code;  // 1/256 units
    std::uint8_t fine_on;
    std::int32_t fine;
    float expected;
  };
  const std::array<Case, 4> cases{{
      {25728, 0, 0, (LinearHundredths(100, nullptr) + LinearHundredths(101, nullptr)) / 2},
      {25600, 0, 0, LinearHundredths(100, nullptr)},
      {25600, 1, 128, (LinearHundredths(100, nullptr) + LinearHundredths(101, nullptr)) / 2},
      // Negative codes keep their sign through the shift: -0.5 lies between codes -1 and 0.
      {-128, 0, 0, (LinearHundredths(-1, nullptr) + LinearHundredths(0, nullptr)) / 2},
  }};
  for (const Case& c : cases) {
    ChannelFixture f;
    f.channel.FractionalCodes = 1;
    f.channel.FineOffsetOn = c.fine_on;
    f.channel.FineOffset = c.fine;
    f.columns[2].MaxCode = c.code;
    EXPECT_NEAR(f.channel.SampleValue(2), c.expected, 1e-6f) << c.code;
  }
}

TEST(ChannelSampleValue, ColumnsBeyondTheTableReadNothing) {
  ChannelFixture f;
  f.columns[7].MaxCode = 300;
  EXPECT_FLOAT_EQ(f.channel.SampleValue(7), 3.0f);
  EXPECT_FLOAT_EQ(f.channel.SampleValue(8), 0.0f);
  EXPECT_FLOAT_EQ(f.channel.SampleValue(65535), 0.0f);
}

TEST(ChannelValueAtIndex, PlainSamplesTakeTheCodeOffset) {
  ChannelFixture f;
  f.channel.AppendCode(400);
  f.channel.AppendCode(410);
  EXPECT_FLOAT_EQ(f.channel.ValueAtIndex(1), 4.1f);
  f.channel.CodeOffsetOn = 1;
  f.channel.CodeOffset = -10;
  EXPECT_FLOAT_EQ(f.channel.ValueAtIndex(1), 4.0f);
}

TEST(ChannelValueAtIndex, FractionalCodesTakeWholeAndFineOffsets) {
  ChannelFixture f;
  f.channel.FractionalCodes = 1;
  EXPECT_NEAR(f.channel.ValueOfFilteredCode(25728), 1.005f, 1e-6f);
  // A whole-code offset still pending on a fractional channel shifts by whole codes.
  f.channel.CodeOffsetOn = 1;
  f.channel.CodeOffset = 2;
  EXPECT_NEAR(f.channel.ValueOfFilteredCode(25728), 1.025f, 1e-6f);
  f.channel.FineOffsetOn = 1;
  f.channel.FineOffset = -128;
  EXPECT_NEAR(f.channel.ValueOfFilteredCode(25728), 1.02f, 1e-6f);
}

TEST(ChannelValueAtIndex, SmoothedChannelReadsItsSampleInFractionalForm) {
  ChannelFixture f;
  f.channel.SmoothingOn = 1;
  f.channel.SmoothingWindow = 1;
  f.channel.ConfigureFilter();
  f.channel.AppendCode(123);
  EXPECT_NEAR(f.channel.ValueAtIndex(0), 1.23f, 1e-6f);
}

TEST(ChannelTrackMinMax, ResetStartsAfreshThenExtremesGrow) {
  struct Step {
    std::int16_t code;
    std::int32_t min;
    std::int32_t max;
  };
  VessamorChannel channel;
  channel.RunMin = -500;
  channel.RunMax = 500;
  channel.RunReset = 1;
  const std::array<Step, 5> steps{{{10, 10, 10}, {-3, -3, 10}, {40, -3, 40}, {5, -3, 40}, {-32768, -32768, 40}}};
  for (const Step& s : steps) {
    channel.TrackMinMax(s.code);
    EXPECT_EQ(channel.RunReset, 0);
    EXPECT_EQ(channel.RunMin, s.min) << s.code;
    EXPECT_EQ(channel.RunMax, s.max) << s.code;
  }
  channel.RunReset = 1;
  channel.TrackMinMax(7);
  EXPECT_EQ(channel.RunMin, 7);
  EXPECT_EQ(channel.RunMax, 7);
}

TEST(ChannelFilterConfig, DerivedFlagsAndSmoothingHalves) {
  struct Case {
    std::uint8_t median_on;
    std::uint16_t median_window;
    std::uint8_t smoothing_on;
    std::uint16_t smoothing_window;
    std::uint8_t notch_on;
    std::uint8_t filter_on, iir_on, fractional, median_odd;
    std::uint16_t lead, trail, ring;
  };
  const std::array<Case, 4> cases{{
      {0, 0, 1, 20, 0, 1, 0, 1, 0, 10, 10, 21},
      {1, 7, 0, 7, 0, 1, 0, 0, 1, 4, 3, 8},
      {0, 4, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0},
      {1, 20, 1, 100, 1, 1, 1, 1, 0, 50, 50, 101},
  }};
  for (const Case& c : cases) {
    VessamorChannel channel;
    channel.MedianOn = c.median_on;
    channel.MedianWindow = c.median_window;
    channel.SmoothingOn = c.smoothing_on;
    channel.SmoothingWindow = c.smoothing_window;
    channel.NotchOn = c.notch_on;
    channel.ConfigureFilter();
    EXPECT_EQ(channel.FilterOn, c.filter_on);
    EXPECT_EQ(channel.IirOn, c.iir_on);
    EXPECT_EQ(channel.FractionalCodes, c.fractional);
    EXPECT_EQ(channel.MedianOdd, c.median_odd);
    EXPECT_EQ(channel.LeadHalf, c.lead);
    EXPECT_EQ(channel.TrailHalf, c.trail);
    EXPECT_EQ(channel.SmoothRingSize, c.ring);
    EXPECT_EQ(channel.Filter.SmoothRing.size(), c.smoothing_window == 0 ? 0u : c.smoothing_window + 1u);
    EXPECT_EQ(channel.Filter.MedianSorted.size(), c.median_window);
  }
}

TEST(ChannelPlotPoints, PlainAndFractionalRecordsBecomePixels) {
  ChannelFixture f;
  f.channel.Shown = 1;
  f.scale.ValuePerPixel = 0.25;
  f.columns[1].MaxCode = 250;
  f.columns[1].MinCode = -130;
  f.channel.ComputePlotPoints(1, 1);
  EXPECT_EQ(f.columns[1].MaxPixel, 10);
  EXPECT_EQ(f.columns[1].MinPixel, -5);  // -5.2 truncates toward zero

  f.channel.PlotGainOn = 1;
  f.channel.PlotGain = 2.0f;
  f.channel.ComputePlotPoints(1, 1);
  EXPECT_EQ(f.columns[1].MaxPixel, 20);

  f.channel.PlotGainOn = 0;
  f.channel.FractionalCodes = 1;
  f.columns[2].MaxCode = 1000 * 256 + 128;  // 1000.5 codes = 10.005
  f.channel.ComputePlotPoints(2, 2);
  EXPECT_EQ(f.columns[2].MaxPixel, 40);
  EXPECT_EQ(f.columns[2].MinPixel, 40);
}

TEST(ChannelPlotPoints, EmptyRangesHiddenChannelsAndTableEndAreLeftAlone) {
  ChannelFixture f;
  f.scale.ValuePerPixel = 1.0;
  f.columns[3].MaxCode = 500;
  f.columns[3].MaxPixel = -1;
  f.channel.ComputePlotPoints(3, 3);  // not shown
  EXPECT_EQ(f.columns[3].MaxPixel, -1);
  f.channel.Shown = 1;
  f.channel.ComputePlotPoints(4, 3);
  EXPECT_EQ(f.columns[3].MaxPixel, -1);
  f.channel.ComputePlotPoints(3, 60000);  // clipped to the table
  EXPECT_EQ(f.columns[3].MaxPixel, 5);
}

}  // namespace
