// Conversion library: raw code to value, value to code, range predicates and value-axis maps.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "channels/conversion_types.h"

// Calibration-table look-ups: entry 0 below code 0, the last entry above the last index.
float LookupTable4096(std::int16_t code, const VessamorChannel* channel);
float LookupTable1024(std::int16_t code, const VessamorChannel* channel);
float LookupTemp2Code12(std::int16_t code, const VessamorChannel* channel);
float LookupTemp2Code10(std::int16_t code, const VessamorChannel* channel);
float LookupTemp3Code12(std::int16_t code, const VessamorChannel* channel);
float LookupTemp3Code10(std::int16_t code, const VessamorChannel* channel);
float LookupTemp4Code12(std::int16_t code, const VessamorChannel* channel);
float LookupTemp4Code10(std::int16_t code, const VessamorChannel* channel);
float LookupTemp46(std::int16_t code, const VessamorChannel* channel);
float LookupGasVolume(std::int16_t code, const VessamorChannel* channel);
float LookupFlow(std::int16_t code, const VessamorChannel* channel);
float LookupDistance(std::int16_t code, const VessamorChannel* channel);
float LookupTemp54(std::int16_t code, const VessamorChannel* channel);
float LookupCurrent66(std::int16_t code, const VessamorChannel* channel);
float LookupCurrent67(std::int16_t code, const VessamorChannel* channel);
float LookupTemp72(std::int16_t code, const VessamorChannel* channel);
// The table a look-up member reads, for a caller that reads many codes of it (entry 0 below code
// 0, the last entry above the last index, the code taken in 16 bits); empty for any other conversion.
std::span<const float> LookupTableOf(RawToValueFnType convert);

// Formula members. "Code16" members take the 16 bits of the code as unsigned: their units send
// twelve bits with four further low bits, so codes from 0x8000 up are large, not negative.
float VoltsFromCode10(std::int16_t code, const VessamorChannel* channel);
float VoltsFromCode12(std::int16_t code, const VessamorChannel* channel);
float Volts10FromCode10(std::int16_t code, const VessamorChannel* channel);
float Volts10FromCode12(std::int16_t code, const VessamorChannel* channel);
float Volts20FromCode16(std::int16_t code, const VessamorChannel* channel);
float Volts50FromCode10(std::int16_t code, const VessamorChannel* channel);
float Volts50FromCode12(std::int16_t code, const VessamorChannel* channel);
float Current2FromCode10(std::int16_t code, const VessamorChannel* channel);
float Current2FromCode12(std::int16_t code, const VessamorChannel* channel);
float Current20FromCode10(std::int16_t code, const VessamorChannel* channel);
float Current20FromCode12(std::int16_t code, const VessamorChannel* channel);
float Current200FromCode10(std::int16_t code, const VessamorChannel* channel);
float Current200FromCode12(std::int16_t code, const VessamorChannel* channel);
float Pressure12FromCode10(std::int16_t code, const VessamorChannel* channel);
float Pressure12FromCode12(std::int16_t code, const VessamorChannel* channel);
float Pressure13FromCode10(std::int16_t code, const VessamorChannel* channel);
float Pressure13FromCode12(std::int16_t code, const VessamorChannel* channel);
float Pressure26FromCode10(std::int16_t code, const VessamorChannel* channel);
float Pressure26FromCode12(std::int16_t code, const VessamorChannel* channel);
float Pressure85FromCode12(std::int16_t code, const VessamorChannel* channel);
float Pressure86FromCode12(std::int16_t code, const VessamorChannel* channel);
float Pressure87FromCode12(std::int16_t code, const VessamorChannel* channel);
float AtmPressureFromCode12(std::int16_t code, const VessamorChannel* channel);
float Angle372FromCode10(std::int16_t code, const VessamorChannel* channel);
float Angle372FromCode12(std::int16_t code, const VessamorChannel* channel);
float Angle1800FromCode10(std::int16_t code, const VessamorChannel* channel);
float Angle1800FromCode12(std::int16_t code, const VessamorChannel* channel);
float MagFieldFromCode10(std::int16_t code, const VessamorChannel* channel);
float MagFieldFromCode12(std::int16_t code, const VessamorChannel* channel);
float MagField36FromCode12(std::int16_t code, const VessamorChannel* channel);
float PhFromCode10(std::int16_t code, const VessamorChannel* channel);
float PhFromCode12(std::int16_t code, const VessamorChannel* channel);
float ConductivityMsFromCode10(std::int16_t code, const VessamorChannel* channel);
float ConductivityMsFromCode12(std::int16_t code, const VessamorChannel* channel);
float ConductivityUsFromCode10(std::int16_t code, const VessamorChannel* channel);
float ConductivityUsFromCode12(std::int16_t code, const VessamorChannel* channel);
// Limited to 0..100 unless the channel's NoClamp is set (no channel: limited).
float HumidityFromCode12(std::int16_t code, const VessamorChannel* channel);
float IlluminanceLowFromCode12(std::int16_t code, const VessamorChannel* channel);
float IlluminanceHighFromCode12(std::int16_t code, const VessamorChannel* channel);
float IlluminanceFromCode12(std::int16_t code, const VessamorChannel* channel);
float IlluminanceKlxFromCode12(std::int16_t code, const VessamorChannel* channel);
float FractionFromCode10(std::int16_t code, const VessamorChannel* channel);
float FractionFromCode12(std::int16_t code, const VessamorChannel* channel);
float Fraction37FromCode12(std::int16_t code, const VessamorChannel* channel);
float Fraction38FromCode12(std::int16_t code, const VessamorChannel* channel);
float SoundFromCode12(std::int16_t code, const VessamorChannel* channel);
float BloodPressureFromCode12(std::int16_t code, const VessamorChannel* channel);
float ForceFromCode12(std::int16_t code, const VessamorChannel* channel);
float Force83FromCode12(std::int16_t code, const VessamorChannel* channel);
float Volts108FromCode12(std::int16_t code, const VessamorChannel* channel);
float Volts27FromCode12(std::int16_t code, const VessamorChannel* channel);
float Volts2p7FromCode12(std::int16_t code, const VessamorChannel* channel);
float Volts0p27FromCode12(std::int16_t code, const VessamorChannel* channel);
float ElectrodeVoltsFromCode12(std::int16_t code, const VessamorChannel* channel);
float TurbidityFromCode12(std::int16_t code, const VessamorChannel* channel);
float RevolutionsFromCode(std::int16_t code, const VessamorChannel* channel);
float DistanceFromEchoCode(std::int16_t code, const VessamorChannel* channel);
float DistanceCmFromCode(std::int16_t code, const VessamorChannel* channel);
float SpeedFromCode16(std::int16_t code, const VessamorChannel* channel);
float AccelFromCode16(std::int16_t code, const VessamorChannel* channel);
float FlowFromCode12(std::int16_t code, const VessamorChannel* channel);
float RawCodeFromCode10(std::int16_t code, const VessamorChannel* channel);
float RawCodeFromCode16(std::int16_t code, const VessamorChannel* channel);
// Reads the channel's p_UD and p_Uz on every call (no channel: 0).
float OpticalDensityFromCode(std::int16_t code, const VessamorChannel* channel);

// Accelerometers: the value is multiplied by the channel's Gain (no channel: 1). The inverse gives
// the code at gain 1, truncated toward zero and limited to the 32-bit range (not a number: 0).
float Accel15FromCode10(std::int16_t code, const VessamorChannel* channel);
float Accel15FromCode12(std::int16_t code, const VessamorChannel* channel);
float Accel6FromCode10(std::int16_t code, const VessamorChannel* channel);
float Accel6FromCode12(std::int16_t code, const VessamorChannel* channel);
std::int32_t Accel15ToCode10(float value);
std::int32_t Accel15ToCode12(float value);
std::int32_t Accel6ToCode10(float value);
std::int32_t Accel6ToCode12(float value);

// Range predicates: strict comparisons; a value that is not a number is never beyond.
bool BeyondRange2(float value);
bool BeyondRange10(float value);
bool BeyondRange20(float value);
bool BeyondRange50(float value);
bool BeyondRange200(float value);
bool NeverBeyondRange(float value);

// Value of a code carrying 8 fractional bits (code x 256 + fraction): the conversions of the two
// neighbouring whole codes, interpolated linearly with fraction / 256. The whole code is taken in
// 16 bits as on the plain path; at the top of the 16-bit range there is no upper neighbour and the
// whole code's value is returned.
float ConvertFractionalCode(RawToValueFnType convert, std::int32_t code,
                            const VessamorChannel* channel);

// Value axes: AxisFraction<axis> maps a value to its fraction of the axis (0 bottom, 1 top),
// AxisValue<axis> maps a fraction back. M stands for minus, p for the decimal point.
#define VESSAMOR_VALUE_AXES(X)          \
  X(0To3, 0.0, 3.0)                     \
  X(0To4, 0.0, 4.0)                     \
  X(0To5, 0.0, 5.0)                     \
  X(0To10, 0.0, 10.0)                   \
  X(0To14, 0.0, 14.0)                   \
  X(0To60, 0.0, 60.0)                   \
  X(0To100, 0.0, 100.0)                 \
  X(0To120, 0.0, 120.0)                 \
  X(0To140, 0.0, 140.0)                 \
  X(0To150, 0.0, 150.0)                 \
  X(0To200, 0.0, 200.0)                 \
  X(0To220, 0.0, 220.0)                 \
  X(0To250, 0.0, 250.0)                 \
  X(0To300, 0.0, 300.0)                 \
  X(0To600, 0.0, 600.0)                 \
  X(0To700, 0.0, 700.0)                 \
  X(0To800, 0.0, 800.0)                 \
  X(0To1000, 0.0, 1000.0)               \
  X(0To4096, 0.0, 4096.0)               \
  X(0To6000, 0.0, 6000.0)               \
  X(M0p25To0p25, -0.25, 0.25)           \
  X(M1To1, -1.0, 1.0)                   \
  X(M2To2, -2.0, 2.0)                   \
  X(M2p5To2p5, -2.5, 2.5)               \
  X(M6To6, -6.0, 6.0)                   \
  X(M10To10, -10.0, 10.0)               \
  X(M20To20, -20.0, 20.0)               \
  X(M25To25, -25.0, 25.0)               \
  X(M50To50, -50.0, 50.0)               \
  X(M100To100, -100.0, 100.0)           \
  X(M200To200, -200.0, 200.0)           \
  X(M250To250, -250.0, 250.0)           \
  X(M360To360, -360.0, 360.0)           \
  X(M400To400, -400.0, 400.0)           \
  X(M1800To1800, -1800.0, 1800.0)       \
  X(M0p5To1p5, -0.5, 1.5)               \
  X(M9To100, -9.0, 100.0)               \
  X(M10To110, -10.0, 110.0)             \
  X(M20To120, -20.0, 120.0)             \
  X(M20To200, -20.0, 200.0)             \
  X(M50To150, -50.0, 150.0)             \
  X(M50To200, -50.0, 200.0)             \
  X(M100To1000, -100.0, 1000.0)

#define VESSAMOR_DECLARE_AXIS(name, lo, hi) \
  float AxisFraction##name(const float* value); \
  float AxisValue##name(const float* fraction);
VESSAMOR_VALUE_AXES(VESSAMOR_DECLARE_AXIS)
#undef VESSAMOR_DECLARE_AXIS

// The axis 0..1: both directions return the argument.
float AxisIdentity(const float* value);

// Every axis with its bounds and pair, for the set-up to choose from by bounds.
struct ValueAxis {
  std::string_view Name;
  double Low;
  double High;
  ScaleMapping Pair;
};
std::span<const ValueAxis> ValueAxes();
