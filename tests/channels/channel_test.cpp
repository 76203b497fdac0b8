// Tests of the measurement channel: value paths, newest code, min/max tracking, capacity, plot points.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "channels/vessamor_channel.h"
#include "graph/scale_state.h"

namespace {

// 0.01 per code, so neighbouring codes are easy to tell apart.
float LinearHundredths(std::int16_t code, const VessamorChannel*) { return code * 0.01f; }

// A table look-up that clamps below, the way the calibration tables do.
float ClampedTable(std::int16_t code, const VessamorChannel*) { return 5.0f + (code < 0 ? 0 : code); }

struct ChannelFixture {
  ChannelFixture() {
    channel.RawToValueFn = &LinearHundredths;
    channel.Codes = codes.data();
    channel.CodeCapacity = static_cast<std::uint32_t>(codes.size());
    channel.Columns = channel.TimeBase = columns.data();
    channel.ColumnCapacity = static_cast<std::uint32_t>(columns.size());
    channel.Scale = &scale;
  }
  std::vector<std::int16_t> codes = std::vector<std::int16_t>(16, 0);
  std::vector<ColumnRecord> columns = std::vector<ColumnRecord>(8);
  ScaleState scale;
  VessamorChannel channel;
};

TEST(ChannelCodes, NewestCodeAndAppendStopAtCapacity) {
  ChannelFixture f;
  EXPECT_EQ(f.channel.NewestCode(), 0);
  f.channel.AppendCode(321);
  f.channel.AppendCode(-7);
  f.codes[2] = 999;  // the slot after the newest code is never read
  EXPECT_EQ(f.channel.NewestCode(), -7);
  // Column 0 reads the newest raw code, not a record.
  f.columns[0].MaxCode = 5000;
  f.channel.CodeOffsetOn = 1;
  f.channel.CodeOffset = -50;
  EXPECT_FLOAT_EQ(f.channel.SampleValue(0), -0.57f);

  f.channel.CodeCapacity = 3;
  EXPECT_TRUE(f.channel.AppendCode(1));
  EXPECT_FALSE(f.channel.AppendCode(77));
  EXPECT_EQ(f.channel.CodeCount, 3u);
  EXPECT_EQ(f.codes[3], 0);
  f.channel.CodeCapacity = 0;
  EXPECT_FALSE(f.channel.AppendCode(1));
  VessamorChannel unlinked;
  EXPECT_FALSE(unlinked.AppendCode(1));
  EXPECT_EQ(unlinked.NewestCode(), 0);
}

TEST(ChannelSampleValue, PlainCodesWithOffsetsAndClamps) {
  struct Case {
    const char* name;
    RawToValueFnType fn;
    std::int32_t max_code;
    std::uint8_t offset_on;
    std::int16_t offset;
    std::uint8_t zero_on;
    std::uint16_t sensor;
    float expected;
  };
  const std::array<Case, 6> cases{{
      {"plain", LinearHundredths, 250, 0, 10, 0, 0, 2.5f},
      {"offset added", LinearHundredths, 250, 1, 10, 0, 0, 2.6f},
      {"sum taken as signed 16 bits", LinearHundredths, 10, 1, -20, 0, 0, -0.1f},
      {"negative sum reaches table entry 0", ClampedTable, 10, 1, -20, 0, 0, 5.0f},
      {"zero offset subtracted", LinearHundredths, 250, 0, 0, 1, 0, 1.5f},
      {"kind 47 never negative", LinearHundredths, 50, 0, 0, 1, 47, 0.0f},
  }};
  for (const Case& c : cases) {
    ChannelFixture f;
    f.channel.RawToValueFn = c.fn;
    f.columns[1].MaxCode = c.max_code;
    f.channel.CodeOffsetOn = c.offset_on;
    f.channel.CodeOffset = c.offset;
    f.channel.ZeroOffsetOn = c.zero_on;
    f.channel.ZeroOffset = 1.0f;
    f.channel.SensorCode = c.sensor;
    EXPECT_NEAR(f.channel.SampleValue(1), c.expected, 1e-5f) << c.name;
  }
  ChannelFixture f;
  f.columns[7].MaxCode = 300;
  EXPECT_FLOAT_EQ(f.channel.SampleValue(7), 3.0f);
  EXPECT_FLOAT_EQ(f.channel.SampleValue(8), 0.0f);  // beyond the table
  EXPECT_FLOAT_EQ(f.channel.SampleValue(65535), 0.0f);
}

TEST(ChannelSampleValue, FractionalCodesInterpolateBetweenNeighbours) {
  struct Case {
    std::int32_t code;  // 1/256 units
    std::uint8_t fine_on;
    std::int32_t fine;
    float expected;
  };
  const std::array<Case, 4> cases{{
      {25728, 0, 0, 1.005f},
      {25600, 0, 0, 1.0f},
      {25600, 1, 128, 1.005f},
      {-128, 0, 0, -0.005f},  // the sign survives the shift: -0.5 lies between codes -1 and 0
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

TEST(ChannelValueAtIndex, WholeAndFractionalOffsets) {
  ChannelFixture f;
  f.channel.AppendCode(400);
  f.channel.AppendCode(410);
  f.channel.CodeOffsetOn = 1;
  f.channel.CodeOffset = -10;
  EXPECT_FLOAT_EQ(f.channel.ValueAtIndex(1), 4.0f);

  f.channel.FractionalCodes = 1;
  f.channel.CodeOffset = 2;  // a whole-code offset still pending shifts by whole codes
  EXPECT_NEAR(f.channel.ValueOfFilteredCode(25728), 1.025f, 1e-6f);
  f.channel.FineOffsetOn = 1;
  f.channel.FineOffset = -128;
  EXPECT_NEAR(f.channel.ValueOfFilteredCode(25728), 1.02f, 1e-6f);

  ChannelFixture s;
  s.channel.SmoothingOn = 1;
  s.channel.SmoothingWindow = 1;
  s.channel.ConfigureFilter();
  s.channel.AppendCode(123);
  EXPECT_NEAR(s.channel.ValueAtIndex(0), 1.23f, 1e-6f);
}

TEST(ChannelTrackMinMax, ResetStartsAfreshThenExtremesGrow) {
  VessamorChannel channel;
  channel.RunMin = -500;
  channel.RunMax = 500;
  channel.RunReset = 1;
  const std::array<std::array<std::int32_t, 3>, 4> steps{
      {{10, 10, 10}, {-3, -3, 10}, {40, -3, 40}, {-32768, -32768, 40}}};
  for (const auto& [code, min, max] : steps) {
    channel.TrackMinMax(static_cast<std::int16_t>(code));
    EXPECT_EQ(channel.RunReset, 0);
    EXPECT_EQ(channel.RunMin, min) << code;
    EXPECT_EQ(channel.RunMax, max) << code;
  }
}

TEST(ChannelFilterConfig, DerivedFlagsAndSmoothingHalves) {
  struct Case {
    std::uint8_t median_on;
    std::uint16_t median_window;
    std::uint8_t smoothing_on;
    std::uint16_t smoothing_window;
    std::uint8_t notch_on;
    std::uint8_t filter_on, iir_on, fractional;
    std::uint16_t lead, trail;
  };
  const std::array<Case, 4> cases{{{0, 0, 1, 20, 0, 1, 0, 1, 10, 10},
                                   {1, 7, 0, 7, 0, 1, 0, 0, 4, 3},
                                   {0, 4, 0, 0, 1, 0, 1, 0, 0, 0},
                                   {1, 20, 1, 100, 1, 1, 1, 1, 50, 50}}};
  for (const Case& c : cases) {
    VessamorChannel channel;
    channel.MedianOn = c.median_on;
    channel.MedianWindow = c.median_window;
    channel.SmoothingOn = c.smoothing_on;
    channel.SmoothingWindow = c.smoothing_window;
    channel.NotchOn = c.notch_on;
    channel.ConfigureFilter();
    SCOPED_TRACE(testing::Message() << "smoothing window " << c.smoothing_window);
    EXPECT_EQ(channel.FilterOn, c.filter_on);
    EXPECT_EQ(channel.IirOn, c.iir_on);
    EXPECT_EQ(channel.FractionalCodes, c.fractional);
    EXPECT_EQ(channel.LeadHalf, c.lead);
    EXPECT_EQ(channel.TrailHalf, c.trail);
  }
}

TEST(ChannelPlotPoints, RecordsBecomePixelsWithinTheRange) {
  ChannelFixture f;
  f.scale.ValuePerPixel = 0.25;
  f.columns[1].MaxCode = 250;
  f.columns[1].MinCode = -130;
  f.columns[1].MaxPixel = -1;
  f.channel.ComputePlotPoints(1, 1);  // not shown: left alone
  EXPECT_EQ(f.columns[1].MaxPixel, -1);
  f.channel.Shown = 1;
  f.channel.ComputePlotPoints(2, 1);  // empty range
  EXPECT_EQ(f.columns[1].MaxPixel, -1);
  f.channel.ComputePlotPoints(1, 60000);  // clipped to the table
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
}

}  // namespace
