// Tests of the measurement channel: value paths, newest code, min/max tracking, capacity, plot points.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>

#include "channel_fixtures.h"

namespace {

// A table look-up that clamps below, the way the calibration tables do.
float ClampedTable(std::int16_t code, const VessamorChannel*) { return 5.0f + (code < 0 ? 0 : code); }

TEST(ChannelCodes, NewestCodeAndAppendStopAtCapacity) {
  LoneChannel f;
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
  EXPECT_EQ(f.codes[3], 0);
  VessamorChannel unlinked;
  EXPECT_FALSE(unlinked.AppendCode(1));
  EXPECT_EQ(unlinked.NewestCode(), 0);
}

TEST(ChannelSampleValue, OffsetsClampsAndFractionalCodes) {
  struct Case {
    const char* name;
    RawToValueFnType fn;
    std::int32_t code;
    std::uint8_t offset_on, zero_on, fractional;
    std::int16_t offset;
    std::uint16_t sensor;
    float expected;
  };
  const Case cases[] = {
      {"offset added", LinearHundredths, 250, 1, 0, 0, 10, 0, 2.6f},
      {"sum taken as signed 16 bits", LinearHundredths, 10, 1, 0, 0, -20, 0, -0.1f},
      {"negative sum reaches table entry 0", ClampedTable, 10, 1, 0, 0, -20, 0, 5.0f},
      {"zero offset subtracted", LinearHundredths, 250, 0, 1, 0, 0, 0, 1.5f},
      {"kind 47 never negative", LinearHundredths, 50, 0, 1, 0, 0, 47, 0.0f},
      {"half a code", LinearHundredths, 25728, 0, 0, 1, 0, 0, 1.005f},
      {"-0.5 lies between -1 and 0", LinearHundredths, -128, 0, 0, 1, 0, 0, -0.005f},
  };
  for (const Case& c : cases) {
    LoneChannel f;
    f.channel.RawToValueFn = c.fn;
    f.columns[1].MaxCode = c.code;
    f.channel.CodeOffsetOn = c.offset_on;
    f.channel.CodeOffset = c.offset;
    f.channel.ZeroOffsetOn = c.zero_on;
    f.channel.ZeroOffset = 1.0f;
    f.channel.FractionalCodes = c.fractional;
    f.channel.SensorCode = c.sensor;
    EXPECT_NEAR(f.channel.SampleValue(1), c.expected, 1e-5f) << c.name;
  }
  LoneChannel f;
  f.columns[7].MaxCode = 300;
  EXPECT_FLOAT_EQ(f.channel.SampleValue(8), 0.0f);  // beyond the table
  EXPECT_FLOAT_EQ(f.channel.SampleValue(65535), 0.0f);
}

TEST(ChannelValueAtIndex, WholeAndFractionalOffsets) {
  LoneChannel f;
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
}

TEST(ChannelPlotPoints, RecordsBecomePixelsWithinTheRange) {
  LoneChannel f;
  f.scale.ValuePerPixel = 0.25;
  f.columns[1].MaxCode = 250;
  f.columns[1].MinCode = -130;
  f.columns[1].MaxPixel = -1;
  f.channel.ComputePlotPoints(1, 1);  // not shown: left alone
  EXPECT_EQ(f.columns[1].MaxPixel, -1);
  f.channel.Shown = 1;
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

// "Set 0" taken with averaging on, then every filter combination, twice over: the curve shows the
// indicator's value, with the zero applied once (switching averaging off used to apply it twice).
TEST(ChannelZeroOffset, AppliedOnceInTheCurveWhateverTheFilters) {
  std::vector<std::int16_t> sine(400);
  for (std::size_t i = 0; i < sine.size(); ++i) sine[i] = static_cast<std::int16_t>(2048 + 1500 * std::sin(i * 0.08));
  LoneChannel f(sine, 10);
  f.scale.ValuePerPixel = 0.01;  // a pixel per code
  VessamorChannel& ch = f.channel;
  ch.Shown = 1, ch.SensorCode = 9, ch.MedianWindow = 5, ch.SmoothingWindow = 4, ch.SmoothingOn = 1;
  ch.ConfigureFilter(), ch.SetZeroOffset(1800 * 256, false);  // the zero code is 2048: 248 codes up
  for (int filters = 0; filters < 8; ++filters) {  // median and averaging in every combination, twice
    ch.MedianOn = filters & 1, ch.SmoothingOn = filters >> 1 & 1;
    ch.ConfigureFilter(), ch.UpdateChannelColumns(1, f.LastColumn()), ch.ComputePlotPoints(1, f.LastColumn());
    for (std::uint16_t c = 1; c <= f.LastColumn(); ++c) {
      EXPECT_NEAR(f.columns[c].MaxPixel * 0.01, ch.SampleValue(c), 0.0101) << filters << " " << c;
      EXPECT_TRUE((filters & 3) != 0 || ch.SampleValue(c) == (f.columns[c].MaxCode + 248) * 0.01f);  // the zero, once
    }
  }
}

}  // namespace
