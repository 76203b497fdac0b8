// Tests of zero setting, the zero-reference table, the offset hand-over and the two-position calibration.
#include "channels/zero_calibration.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "channel_fixtures.h"
#include "channels/conversions.h"

namespace {

TEST(ZeroSetting, ShiftsTheReadingOntoTheKindsZeroCode) {
  struct Case {
    std::uint16_t kind;
    std::uint8_t device_type;
    std::int32_t reading;
  };
  for (const Case& c : {Case{1, 3, 40}, Case{1, 6, 150}, Case{14, 3, 530}}) {
    LoneChannel f;
    f.channel.SensorCode = c.kind;
    f.channel.DeviceTypeCode = c.device_type;
    f.channel.FineOffsetOn = 1;
    f.channel.SetZeroOffset(c.reading, false);
    const ZeroReference r = ZeroReferenceFor(c.kind);
    EXPECT_EQ(f.channel.CodeOffset, (TenBitZeroReference(c.device_type) ? r.Code10 : r.Code12) - c.reading) << c.kind;
    EXPECT_EQ(f.channel.FineOffsetOn, 0);
  }
  // Kind 1 on a 12-bit unit reading 150: offset -7, so 150 reads as 143 once the recording turns it on.
  LoneChannel f;
  f.channel.SensorCode = 1;
  f.channel.DeviceTypeCode = 11;
  f.channel.SetZeroOffset(150, false);
  EXPECT_EQ(f.channel.CodeOffset, -7);
  f.channel.CodeOffsetOn = 1;
  f.channel.AppendCode(150);
  f.channel.RawToValueFn = &Identity;
  EXPECT_FLOAT_EQ(f.channel.SampleValue(0), 143.0f);
}

TEST(ZeroSetting, FractionalCodesAndTheSecondOffset) {
  LoneChannel f;
  f.channel.SensorCode = 1;
  f.channel.FractionalCodes = 1;
  const std::int32_t reading = 150 * 256 + 64;
  f.channel.SetZeroOffset(reading, false);
  f.channel.SetZeroOffset(reading + 256, true);
  EXPECT_EQ(f.channel.FineOffset, 143 * 256 - reading);
  EXPECT_EQ(f.channel.FineOffset2, 143 * 256 - reading - 256);
  LoneChannel g;
  g.channel.SensorCode = 1;
  g.channel.SetZeroOffset(100, true);
  EXPECT_EQ(g.channel.CodeOffset2, 43);
  EXPECT_EQ(g.channel.CodeOffset, 0);
}

TEST(ZeroSetting, FineReferenceIsWhereTheConversionCrossesZero) {
  // Kind 11's conversions cross zero at code 2047.5, or a quarter code past the table's 2048 falling,
  // or at 2048 itself: a zeroed reading then reads zero to the 1/256 code.
  const struct {
    RawToValueFnType conversion;
    std::int32_t fine_reference;
  } cases[] = {{&Volts10FromCode12, 2047 * 256 + 128},
               {[](std::int16_t c, const VessamorChannel*) { return 2048.25f - c; }, 2048 * 256 + 64},
               {[](std::int16_t c, const VessamorChannel*) { return c - 2048.0f; }, 2048 * 256}};
  for (const auto& c : cases) {
    LoneChannel f;
    f.channel.SensorCode = 11;
    f.channel.FractionalCodes = 1;
    f.channel.RawToValueFn = c.conversion;
    const std::int32_t reading = 3000 * 256 + 17;
    f.channel.SetZeroOffset(reading, false);
    EXPECT_EQ(f.channel.FineOffset, c.fine_reference - reading);
    EXPECT_NEAR(f.channel.ValueOfFilteredCode(reading), 0.0f, 1e-3f);
  }
}

TEST(ZeroSetting, ValueOffsetKindsSubtractThePresentValueOnceHoweverOftenSet) {
  SetupView v;
  VessamorChannel& channel = v.Ch(0);
  channel.RawToValueFn = &LinearHundredths;
  channel.FractionalCodes = 0;
  channel.SensorCode = 52;
  v.view.CursorColumn = 5;
  channel.Columns[5].MaxCode = 250;
  channel.SetZeroOffset(0, false);
  channel.SetZeroOffset(0, false);  // again at the same reading: the offset must not move
  EXPECT_FLOAT_EQ(channel.ZeroOffset, 2.5f);
  EXPECT_FLOAT_EQ(channel.SampleValue(5), 0.0f);
}

TEST(ZeroReset, ReportsTheDeviationAndClearsEveryOffset) {
  // The second offset wins when both are set.
  for (const auto& [offset, offset2, expected] : {std::array<int, 3>{0, 0, 0}, {-7, 0, 157}, {-7, 30, 120}}) {
    LoneChannel f;
    f.channel.AppendCode(150);
    f.channel.CodeOffset = static_cast<std::int16_t>(offset);
    f.channel.CodeOffset2 = static_cast<std::int16_t>(offset2);
    f.channel.FineOffset = 100;
    f.channel.FineOffsetOn = 1;
    f.channel.Gain = 0.5f;
    EXPECT_EQ(static_cast<std::int32_t>(f.channel.ResetZeroOffset()), expected);
    EXPECT_EQ(f.channel.CodeOffset | f.channel.CodeOffset2 | f.channel.FineOffset | f.channel.FineOffsetOn, 0);
    EXPECT_FLOAT_EQ(f.channel.Gain, 1.0f);
  }
}

TEST(OffsetHandOver, MovesOffsetsBetweenWholeAndFractionalCodes) {
  SetupView v;
  VessamorChannel& channel = v.Ch(1);
  // Smoothing on: a whole-code offset becomes a fine offset while no record is shown.
  channel.SmoothingOn = 1;
  channel.CodeOffset = -7;
  channel.FineOffsetOn = 0;
  channel.ConfigureFilter();
  EXPECT_EQ(channel.FineOffset, -7 * 256);
  EXPECT_EQ(channel.CodeOffset, 0);
  // Smoothing off again: back to whole codes, the arithmetic shift rounding down.
  channel.FineOffset = -7 * 256 - 1;
  channel.SmoothingOn = 0;
  channel.ConfigureFilter();
  EXPECT_EQ(channel.CodeOffset, -8);
  // A shown record keeps its whole-code offset and only marks the hand-over as pending.
  VessamorChannel& shown = v.Ch(2);
  v.view.RecordViewable = 1;
  shown.SmoothingOn = 1;
  shown.FineOffsetOn = 0;
  shown.CodeOffset = 12;
  shown.ConfigureFilter();
  EXPECT_EQ(shown.CodeOffset, 12);
  EXPECT_EQ(shown.OffsetPending, 1);
}

TEST(TwoPositionCalibration, ReadingsSetGainAndEqualOrImplausibleOnesAreRefused) {
  SetupView v;
  VessamorChannel& channel = v.Ch(0);
  channel.RawToValueFn = &Accel15FromCode12;
  channel.FractionalCodes = 0;
  channel.Columns[0].MaxCode = channel.Columns[0].MinCode = 2048;
  channel.p_UD = 2048.0f;
  channel.p_Uz = 1048.0f;
  ASSERT_TRUE(channel.CalibrateTwoPositions(false));
  const float gain = 9.81f / 500.0f;
  EXPECT_FLOAT_EQ(channel.Gain, gain);
  EXPECT_FLOAT_EQ(channel.CalibrationMid, 1548.0f);
  EXPECT_FLOAT_EQ(channel.ZeroOffset, 1548.0f * gain);
  // Equal readings: refused, the old calibration stays.
  channel.p_UD = channel.p_Uz = 1500.0f;
  EXPECT_FALSE(channel.CalibrateTwoPositions(true));
  EXPECT_FLOAT_EQ(channel.Gain, gain);
  EXPECT_FLOAT_EQ(channel.CalibrationMid, 1548.0f);
  // A cursor value above 200 once the fractional bits are dropped undoes it.
  VessamorChannel& other = v.Ch(1);
  other.RawToValueFn = &Identity;
  other.FractionalCodes = 1;
  v.view.CursorColumn = 3;
  other.Columns[3].MaxCode = 201 * 256;
  other.Columns[3].MinCode = 0;
  other.p_UD = 2048.0f;
  other.p_Uz = 1048.0f;
  EXPECT_FALSE(other.CalibrateTwoPositions(false));
  EXPECT_FLOAT_EQ(other.Gain, 1.0f);
  EXPECT_EQ(other.ZeroOffsetOn, 0);
}

TEST(TwoPositionCalibration, FourthChannelTakesTheAxisZeroCodes) {
  for (std::uint8_t device_type : {11, 3}) {
    SetupView v;
    for (std::size_t k = 0; k < 3; ++k) v.Ch(k).CalibrationMid = 0.5f * static_cast<float>(k + 1);
    VessamorChannel& magnitude = v.Ch(3);
    magnitude.ValueToRawFn = &Accel15ToCode12;
    magnitude.AdcZeroCode = 2048;
    magnitude.Gain = 3.0f;
    VessamorChannel& channel = v.Ch(0);
    channel.RawToValueFn = &Identity;
    channel.FractionalCodes = 0;
    channel.DeviceTypeCode = device_type;
    channel.p_UD = 10.2f;  // +1 g and -1 g as values, off centre by 0.4
    channel.p_Uz = -9.4f;
    ASSERT_TRUE(channel.CalibrateTwoPositions(true));
    EXPECT_NEAR(channel.CalibrationMid, 0.4f, 1e-5);
    std::array<std::int32_t, 3> expected{};
    for (std::size_t k = 0; k < 3; ++k) expected[k] = Accel15ToCode12(v.Ch(k).CalibrationMid) - 2048;
    if (device_type == 3) std::swap(expected[0], expected[2]);
    for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(magnitude.AxisZeroCodes[k], expected[k]) << k;
    EXPECT_FLOAT_EQ(magnitude.Gain, 1.0f);
  }
}

}  // namespace

namespace {

// The magnitude channel reads each axis through its squared gain and its zero code: whatever the
// calibration pages did last (calibrated an axis, started one again, had one refused), both match
// what the axis itself reads.
TEST(TwoPositionCalibration, MagnitudeStaysTrueToTheAxesAfterEveryChange) {
  SetupView v;
  v.SetDeviceType(11);
  v.SetupUnit(7, {0, 1, 2, 3});
  const auto expect_true_to_axes = [&](const char* after) {
    const VessamorChannel& magnitude = v.Ch(3);
    for (std::size_t k = 0; k < 3; ++k) {
      const VessamorChannel& axis = v.Ch(k);
      EXPECT_FLOAT_EQ(axis.GainSquared, axis.Gain * axis.Gain) << after << " axis " << k;
      EXPECT_EQ(magnitude.AxisZeroCodes[k], Accel15ToCode12(axis.CalibrationMid) - 2048) << after << " axis " << k;
    }
  };
  VessamorChannel& y = v.Ch(1);
  y.p_UD = 10.3f;
  y.p_Uz = -9.5f;
  ASSERT_TRUE(y.CalibrateTwoPositions(false));  // not the last axis: no flag
  EXPECT_NE(v.Ch(3).AxisZeroCodes[1], 0);
  expect_true_to_axes("a calibrated axis");
  y.ResetCalibration();
  expect_true_to_axes("an axis started again");
  ASSERT_TRUE(y.CalibrateTwoPositions(false));
  // Two readings a hair apart give a gain that throws the cursor column far beyond 200: refused.
  y.AppendCode(4095);
  y.p_UD = 0.51f;
  y.p_Uz = 0.49f;
  EXPECT_FALSE(y.CalibrateTwoPositions(false));
  expect_true_to_axes("a refused calibration");
}

}  // namespace
