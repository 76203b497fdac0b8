// Tests of zero setting, the zero-reference table, the offset hand-over and the two-position calibration.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "channels/conversions.h"
#include "channels/vessamor_channel.h"
#include "channels/zero_calibration.h"
#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"

namespace {

constexpr PixelRect kGraphRect{40, 60, 1240, 860};

float LinearHundredths(std::int16_t code, const VessamorChannel*) { return code * 0.01f; }
float Identity(std::int16_t code, const VessamorChannel*) { return code; }

// A channel with its own codes and columns, outside any view.
struct LoneChannel {
  LoneChannel() {
    channel.RawToValueFn = &LinearHundredths;
    channel.Codes = codes.data();
    channel.CodeCapacity = static_cast<std::uint32_t>(codes.size());
    channel.Columns = columns.data();
    channel.TimeBase = columns.data();
    channel.ColumnCapacity = static_cast<std::uint32_t>(columns.size());
  }
  std::vector<std::int16_t> codes = std::vector<std::int16_t>(16, 0);
  std::vector<ColumnRecord> columns = std::vector<ColumnRecord>(8);
  VessamorChannel channel;
};

// A view set up as at start-up, for the cursor column and the fourth live channel.
struct ViewFixture {
  ViewFixture() { EXPECT_TRUE(view.Init(GraphView::kMinimumSampleCapacity, kGraphRect, 0xFF, &window)); }
  FakeMainWindow window;
  GraphView view;
};

TEST(ZeroSetting, ShiftsTheReadingOntoTheKindsZeroCode) {
  struct Case {
    std::uint16_t kind;
    std::uint8_t device_type;
    std::int32_t reading;
  };
  // Kind 1 on a 12-bit unit reading 150 is the classic case: offset -7, so 150 reads as 143.
  const std::array<Case, 4> cases{{{1, 2, 150}, {1, 3, 40}, {1, 6, 150}, {14, 3, 530}}};
  for (const Case& c : cases) {
    LoneChannel f;
    f.channel.SensorCode = c.kind;
    f.channel.DeviceTypeCode = c.device_type;
    f.channel.FineOffsetOn = 1;
    f.channel.SetZeroOffset(c.reading, false);
    const ZeroReference r = ZeroReferenceFor(c.kind);
    const std::int32_t reference = TenBitZeroReference(c.device_type) ? r.Code10 : r.Code12;
    EXPECT_EQ(f.channel.CodeOffset, reference - c.reading) << c.kind << "/" << int(c.device_type);
    EXPECT_EQ(f.channel.FineOffsetOn, 0);
    EXPECT_EQ(f.channel.CodeOffset2, 0);
  }
  LoneChannel f;
  f.channel.SensorCode = 1;
  f.channel.DeviceTypeCode = 11;
  f.channel.SetZeroOffset(150, false);
  EXPECT_EQ(f.channel.CodeOffset, -7);
  // The stored offset takes effect once the recording turns it on.
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
  EXPECT_EQ(f.channel.FineOffset, 143 * 256 - reading);
  f.channel.SetZeroOffset(reading + 256, true);
  EXPECT_EQ(f.channel.FineOffset2, 143 * 256 - reading - 256);
  EXPECT_EQ(f.channel.FineOffset, 143 * 256 - reading);

  LoneChannel g;
  g.channel.SensorCode = 1;
  g.channel.FineOffset2On = 1;
  g.channel.SetZeroOffset(100, true);
  EXPECT_EQ(g.channel.CodeOffset2, 43);
  EXPECT_EQ(g.channel.CodeOffset, 0);
  EXPECT_EQ(g.channel.FineOffset2On, 0);
}

TEST(ZeroSetting, KindsWithoutZeroSettingKeepEveryOffset) {
  for (std::uint16_t kind : {7, 8, 34, 46, 84}) {
    LoneChannel f;
    f.channel.SensorCode = kind;
    f.channel.CodeOffset = 5;
    f.channel.FineOffset = 77;
    f.channel.FineOffsetOn = 1;
    f.channel.ZeroOffset = 1.5f;
    f.channel.SetZeroOffset(1000, false);
    f.channel.SetZeroOffset(1000, true);
    EXPECT_EQ(f.channel.CodeOffset, 5);
    EXPECT_EQ(f.channel.FineOffset, 77);
    EXPECT_FLOAT_EQ(f.channel.ZeroOffset, 1.5f);
  }
}

TEST(ZeroSetting, ValueOffsetKindsSubtractThePresentValueOnceHoweverOftenSet) {
  ViewFixture v;
  VessamorChannel& channel = v.view.Channel(0);
  channel.RawToValueFn = &LinearHundredths;
  channel.FractionalCodes = 0;
  channel.SensorCode = 52;
  v.view.CursorColumn = 5;
  channel.Columns[5].MaxCode = 250;
  channel.SetZeroOffset(0, false);
  EXPECT_FLOAT_EQ(channel.SampleValue(5), 0.0f);
  // Setting zero again at the same reading must not move the offset.
  channel.SetZeroOffset(0, false);
  EXPECT_FLOAT_EQ(channel.ZeroOffset, 2.5f);
  EXPECT_FLOAT_EQ(channel.SampleValue(5), 0.0f);
}

TEST(ZeroReset, ReportsTheDeviationAndClearsEveryOffset) {
  struct Case {
    std::int16_t offset;
    std::int16_t offset2;
    std::int32_t expected;
  };
  // The second offset wins when both are set.
  const std::array<Case, 4> cases{{{0, 0, 0}, {-7, 0, 157}, {0, 30, 120}, {-7, 30, 120}}};
  for (const Case& c : cases) {
    LoneChannel f;
    f.channel.AppendCode(150);
    f.channel.CodeOffset = c.offset;
    f.channel.CodeOffset2 = c.offset2;
    f.channel.FineOffset = 100;
    f.channel.FineOffsetOn = 1;
    f.channel.Gain = 0.5f;
    EXPECT_EQ(static_cast<std::int32_t>(f.channel.ResetZeroOffset()), c.expected);
    EXPECT_EQ(f.channel.CodeOffset | f.channel.CodeOffset2 | f.channel.FineOffset | f.channel.FineOffsetOn, 0);
    EXPECT_FLOAT_EQ(f.channel.Gain, 1.0f);
  }
}

TEST(OffsetHandOver, MovesOffsetsBetweenWholeAndFractionalCodes) {
  ViewFixture v;
  VessamorChannel& channel = v.view.Channel(1);
  // Smoothing on: a whole-code offset becomes a fine offset while no record is shown.
  channel.SmoothingOn = 1;
  channel.CodeOffset = -7;
  channel.CodeOffset2 = 3;
  channel.FineOffsetOn = 0;
  channel.ConfigureFilter();
  EXPECT_EQ(channel.FineOffset, -7 * 256);
  EXPECT_EQ(channel.FineOffset2, 3 * 256);
  EXPECT_EQ(channel.CodeOffset, 0);
  EXPECT_EQ(channel.FineOffsetOn, 1);
  // Smoothing off again: back to whole codes, the arithmetic shift rounding down.
  channel.FineOffset = -7 * 256 - 1;
  channel.SmoothingOn = 0;
  channel.ConfigureFilter();
  EXPECT_EQ(channel.CodeOffset, -8);
  EXPECT_EQ(channel.CodeOffset2, 3);
  EXPECT_EQ(channel.CodeOffsetOn, 1);

  // A shown record keeps its whole-code offset and only marks the hand-over as pending.
  VessamorChannel& shown = v.view.Channel(2);
  v.view.RecordViewable = 1;
  shown.SmoothingOn = 1;
  shown.FineOffsetOn = 0;
  shown.CodeOffset = 12;
  shown.ConfigureFilter();
  EXPECT_EQ(shown.CodeOffset, 12);
  EXPECT_EQ(shown.OffsetPending, 1);
  shown.SmoothingOn = 0;
  shown.ConfigureFilter();
  EXPECT_EQ(shown.OffsetPending, 0);
}

TEST(TwoPositionCalibration, ReadingsSetGainMidpointAndSubtractedValue) {
  ViewFixture v;
  VessamorChannel& channel = v.view.Channel(0);
  channel.RawToValueFn = &Accel15FromCode12;
  channel.FractionalCodes = 0;
  channel.FineOffsetOn = 1;
  channel.FineOffset = 40;
  channel.Columns[0].MaxCode = channel.Columns[0].MinCode = 2048;
  channel.p_UD = 2048.0f;
  channel.p_Uz = 1048.0f;
  ASSERT_TRUE(channel.CalibrateTwoPositions(false));
  const float gain = 9.81f / 500.0f;
  EXPECT_FLOAT_EQ(channel.Gain, gain);
  EXPECT_FLOAT_EQ(channel.CalibrationMid, 1548.0f);
  EXPECT_FLOAT_EQ(channel.ZeroOffset, 1548.0f * gain);
  EXPECT_EQ(channel.FineOffsetOn, 0);
}

TEST(TwoPositionCalibration, EqualReadingsAreRefusedAndTheOldCalibrationStays) {
  ViewFixture v;
  VessamorChannel& channel = v.view.Channel(0);
  channel.RawToValueFn = &Accel15FromCode12;
  channel.Gain = 0.25f;
  channel.GainSquared = 0.0625f;
  channel.ZeroOffsetOn = 1;
  channel.ZeroOffset = 3.0f;
  channel.CalibrationMid = 7.0f;
  channel.p_UD = channel.p_Uz = 1500.0f;
  EXPECT_FALSE(channel.CalibrateTwoPositions(true));
  EXPECT_FLOAT_EQ(channel.Gain, 0.25f);
  EXPECT_FLOAT_EQ(channel.ZeroOffset, 3.0f);
  EXPECT_FLOAT_EQ(channel.CalibrationMid, 7.0f);
}

TEST(TwoPositionCalibration, AnImplausibleCursorValueUndoesIt) {
  ViewFixture v;
  VessamorChannel& channel = v.view.Channel(0);
  channel.RawToValueFn = &Identity;
  channel.FractionalCodes = 1;
  v.view.CursorColumn = 3;
  // 201 x 256: above 200 once the fractional bits are dropped.
  channel.Columns[3].MaxCode = 201 * 256;
  channel.Columns[3].MinCode = 0;
  channel.p_UD = 2048.0f;
  channel.p_Uz = 1048.0f;
  EXPECT_FALSE(channel.CalibrateTwoPositions(false));
  EXPECT_FLOAT_EQ(channel.Gain, 1.0f);
  EXPECT_EQ(channel.ZeroOffsetOn, 0);
}

TEST(TwoPositionCalibration, FourthChannelTakesTheAxisZeroCodes) {
  for (std::uint8_t device_type : {11, 3}) {
    ViewFixture v;
    for (std::size_t k = 0; k < 3; ++k) v.view.Channel(k).CalibrationMid = 0.5f * static_cast<float>(k + 1);
    VessamorChannel& magnitude = v.view.Channel(3);
    magnitude.ValueToRawFn = &Accel15ToCode12;
    magnitude.AdcZeroCode = 2048;
    magnitude.Gain = 3.0f;
    magnitude.ZeroOffsetOn = 1;
    VessamorChannel& channel = v.view.Channel(0);
    channel.RawToValueFn = &Identity;
    channel.FractionalCodes = 0;
    channel.DeviceTypeCode = device_type;
    // Readings of +1 g and -1 g as values, off centre by 0.4.
    channel.p_UD = 10.2f;
    channel.p_Uz = -9.4f;
    ASSERT_TRUE(channel.CalibrateTwoPositions(true));
    EXPECT_NEAR(channel.CalibrationMid, 0.4f, 1e-5);
    std::array<std::int32_t, 3> expected{};
    for (std::size_t k = 0; k < 3; ++k) {
      expected[k] = Accel15ToCode12(v.view.Channel(k).CalibrationMid) - 2048;
    }
    if (device_type == 3) std::swap(expected[0], expected[2]);
    for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(magnitude.AxisZeroCodes[k], expected[k]) << k;
    EXPECT_FLOAT_EQ(magnitude.Gain, 1.0f);
  }
}

}  // namespace
