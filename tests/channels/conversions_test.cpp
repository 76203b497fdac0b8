// Tests of the conversion library: edge codes, clamping, inverses, predicates, axes.
#include "channels/conversions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "channels/calibration_tables.h"
#include "channels/vessamor_channel.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct CodeCase {
  const char* Name;
  RawToValueFnType Fn;
  int Code;
  float Expected;
};

#define C(fn, ...) CodeCase{#fn, fn, __VA_ARGS__}

float Convert(RawToValueFnType fn, int code) { return fn(static_cast<std::int16_t>(code), nullptr); }

// RawCodeFromCode16 and Volts20FromCode16 take twelve bits with four low bits: the top codes are large,
// not negative.
TEST(Conversions, EdgeCodesGiveTheirDefinedValues) {
  const CodeCase cases[] = {
      C(VoltsFromCode12, -7, 0.0f), C(VoltsFromCode12, 20000, 3.3f), C(PhFromCode12, 3896, 0.0f),
      C(PhFromCode12, 4095, 0.0f), C(PhFromCode10, 973, 0.0f), C(MagFieldFromCode10, 1023, 100.0f),
      C(DistanceFromEchoCode, 300, 800.0f), C(DistanceFromEchoCode, -300, 0.0f), C(TurbidityFromCode12, 4095, 0.0f),
      C(TurbidityFromCode12, -1000, 85.79032967f), C(Pressure85FromCode12, 4095, 730.0f),
      C(SpeedFromCode16, 16000, 0.0f), C(SpeedFromCode16, 32000, 10.0f), C(AccelFromCode16, -5, -100.0f),
      C(FlowFromCode12, 9000, FlowFromCode12(4095, nullptr)), C(RevolutionsFromCode, 384, 1.5f),
      C(RevolutionsFromCode, -1, -0.00390625f), C(FractionFromCode10, 1023, 1.0f), C(DistanceCmFromCode, 580, 10.0f),
      C(RawCodeFromCode16, static_cast<std::int16_t>(0xFFF0), 4095.0f),
      C(Volts20FromCode16, 15, Volts20FromCode16(0, nullptr)),
      C(Accel15FromCode12, 5593, 35.103157f),  // the magnitude of three full-scale axes
  };
  for (const CodeCase& c : cases) EXPECT_FLOAT_EQ(Convert(c.Fn, c.Code), c.Expected) << c.Name << " at " << c.Code;
}

TEST(Conversions, HumidityIsLimitedUnlessTheChannelSaysNoClamp) {
  VessamorChannel channel;
  EXPECT_FLOAT_EQ(HumidityFromCode12(4095, &channel), 100.0f);
  EXPECT_FLOAT_EQ(HumidityFromCode12(0, &channel), 0.0f);
  channel.NoClamp = 1;
  EXPECT_NEAR(HumidityFromCode12(4095, &channel), 135.31783f, 1e-4);
  EXPECT_LT(HumidityFromCode12(0, &channel), -25.0f);
}

TEST(Conversions, ClampedMembersHoldTheirEndValuesOutsideTwelveBits) {
  for (const RawToValueFnType fn :
       {Pressure86FromCode12, Pressure87FromCode12, AtmPressureFromCode12, IlluminanceFromCode12,
        IlluminanceKlxFromCode12, ForceFromCode12, Force83FromCode12, Volts108FromCode12, Volts27FromCode12,
        Volts2p7FromCode12, Volts0p27FromCode12, ElectrodeVoltsFromCode12}) {
    EXPECT_NE(Convert(fn, 0), Convert(fn, 4095));
    for (int below : {-1, -32768}) EXPECT_EQ(Convert(fn, below), Convert(fn, 0)) << below;
    for (int above : {4096, 32767}) EXPECT_EQ(Convert(fn, above), Convert(fn, 4095)) << above;
  }
}

TEST(Conversions, LookupsNeverIndexOutsideTheirTable) {
  using T = CalibrationTableId;
  const std::pair<RawToValueFnType, T> cases[] = {
      {LookupTable4096, T::Table4096}, {LookupTable1024, T::Table1024}, {LookupTemp2Code10, T::Temp2Code10},
      {LookupTemp46, T::Temp46},       {LookupGasVolume, T::GasVolume}, {LookupCurrent67, T::Current67},
  };
  for (const auto& [fn, id] : cases) {
    const std::span<const float> table = CalibrationTables::Instance().Table(id);
    const int last = static_cast<int>(table.size()) - 1;
    const std::string name(CalibrationTables::Source(id).Name);
    for (int below : {-5, -32768}) EXPECT_EQ(Convert(fn, below), table.front()) << name << " at " << below;
    for (int above : {last + 1, 5593, 32767}) EXPECT_EQ(Convert(fn, above), table.back()) << name << " at " << above;
    for (int inside : {100, last}) {
      EXPECT_EQ(Convert(fn, inside), table[static_cast<std::size_t>(inside)]) << name << " at " << inside;
    }
  }
}

TEST(Conversions, FractionalCodesInterpolateBetweenNeighbouringCodes) {
  for (RawToValueFnType fn : {VoltsFromCode12, LookupTable4096, LookupFlow, PhFromCode12}) {
    const double at100 = Convert(fn, 100), at101 = Convert(fn, 101);
    EXPECT_FLOAT_EQ(ConvertFractionalCode(fn, 25728, nullptr), static_cast<float>((at100 + at101) / 2));
    EXPECT_FLOAT_EQ(ConvertFractionalCode(fn, 25664, nullptr), static_cast<float>(at100 + (at101 - at100) / 4));
  }
  // Below zero the whole part goes toward minus infinity: -0.5 lies between -1 and 0.
  EXPECT_FLOAT_EQ(ConvertFractionalCode(RevolutionsFromCode, -128, nullptr), -0.5f / 256.0f);
  // Whole codes are taken in 16 bits as on the plain path, so the four-low-bit units keep their top.
  EXPECT_EQ(ConvertFractionalCode(RawCodeFromCode16, 0xFFF0 * 256, nullptr), 4095.0f);
  // No neighbour above the top code.
  EXPECT_EQ(ConvertFractionalCode(LookupTable4096, 32767 * 256 + 128, nullptr), LookupTable4096(32767, nullptr));
}

TEST(Conversions, OpticalDensityReadsTheChannelCalibration) {
  VessamorChannel channel;
  channel.p_UD = 100.0f;
  channel.p_Uz = 1100.0f;
  // No signal above dark, or full scale and beyond (nothing absorbed), reads zero.
  for (int code : {50, 100, 1100, 2000}) EXPECT_EQ(OpticalDensityFromCode(code, &channel), 0.0f) << code;
  EXPECT_FLOAT_EQ(OpticalDensityFromCode(200, &channel), 1.0f);  // a tenth of full scale
  EXPECT_EQ(OpticalDensityFromCode(200, nullptr), 0.0f);
}

TEST(Conversions, AccelerometerInverseGivesTheCodeBack) {
  struct Case {
    RawToValueFnType from;
    ValueToRawFnType to;
    int last_code;
    float bottom;
  };
  const Case cases[] = {{Accel15FromCode12, Accel15ToCode12, 4095, -20.233125f},
                        {Accel6FromCode10, Accel6ToCode10, 1023, -80.9325f}};
  for (const Case& c : cases) {
    for (int code = 1; code <= c.last_code; ++code) {
      const std::int32_t back = c.to(Convert(c.from, code));
      ASSERT_TRUE(back == code || back == code - 1) << c.last_code << " code " << code << " gave " << back;
    }
    EXPECT_FLOAT_EQ(Convert(c.from, -300), c.bottom);
    EXPECT_EQ(c.to(c.bottom), 0);
    EXPECT_EQ(c.to(kNaN), 0);
    EXPECT_EQ(c.to(kInf), std::numeric_limits<std::int32_t>::max());
  }
}

TEST(Conversions, RangePredicatesAreStrictAndIgnoreNaN) {
  const std::pair<RangeCheckFnType, float> cases[] = {
      {BeyondRange2, 2.0f}, {BeyondRange10, 10.0f}, {BeyondRange20, 20.0f}, {BeyondRange50, 50.0f},
      {BeyondRange200, 200.0f}};
  for (const auto& [fn, limit] : cases) {
    for (float quiet : {limit, -limit, 0.0f, kNaN}) EXPECT_FALSE(fn(quiet)) << limit << " " << quiet;
    EXPECT_TRUE(fn(std::nextafter(limit, kInf))) << limit;
    EXPECT_TRUE(fn(std::nextafter(-limit, -kInf))) << limit;
  }
  EXPECT_FALSE(NeverBeyondRange(kInf));
}

// "M0p5To1p5" -> -0.5 and 1.5: the name is the axis, so it must agree with the bounds.
std::pair<double, double> BoundsFromName(std::string name) {
  std::replace(name.begin(), name.end(), 'M', '-');
  std::replace(name.begin(), name.end(), 'p', '.');
  const std::size_t to = name.find("To");
  return {std::stod(name.substr(0, to)), std::stod(name.substr(to + 2))};
}

TEST(Conversions, EveryAxisPairMapsItsEndsAndBack) {
  ASSERT_EQ(ValueAxes().size(), 44u);
  for (const ValueAxis& axis : ValueAxes()) {
    const std::string name(axis.Name);
    EXPECT_TRUE(name == "Identity" || BoundsFromName(name) == std::pair(axis.Low, axis.High)) << name;
    const float low = static_cast<float>(axis.Low), high = static_cast<float>(axis.High);
    const float mid = static_cast<float>((axis.Low + axis.High) / 2), zero = 0.0f, one = 1.0f, half = 0.5f;
    EXPECT_EQ(axis.Pair.Forward(&low), 0.0f) << name;
    EXPECT_EQ(axis.Pair.Forward(&high), 1.0f) << name;
    EXPECT_FLOAT_EQ(axis.Pair.Forward(&mid), 0.5f) << name;
    EXPECT_EQ(axis.Pair.Inverse(&zero), low) << name;
    EXPECT_EQ(axis.Pair.Inverse(&one), high) << name;
    EXPECT_FLOAT_EQ(axis.Pair.Inverse(&half), mid) << name;
  }
  const float below = -0.5f, above = 1.5f;
  EXPECT_EQ(AxisFractionM0p5To1p5(&below), 0.0f);
  EXPECT_EQ(AxisFractionM0p5To1p5(&above), 1.0f);
}

}  // namespace
