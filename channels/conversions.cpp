// Conversion library: every member computes in double and rounds to single precision once.
#include "channels/conversions.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "channels/calibration_tables.h"
#include "channels/vessamor_channel.h"

namespace {

float Line(double slope, double offset, double code) {
  return static_cast<float>(slope * code + offset);
}

// The 10-bit units' two straight segments meet at code 512, which belongs to the upper one.
float TwoSegments(int code, double slope_low, double offset_low, double slope_high,
                double offset_high) {
  return code < 512 ? Line(slope_low, offset_low, code) : Line(slope_high, offset_high, code);
}

// "Clamped" members see only codes 0..4095, so codes beyond give the end values.
double Clamp12(int code) { return std::clamp(code, 0, 4095); }

float Lookup(CalibrationTableId id, std::int16_t code) {
  const std::span<const float> table = CalibrationTables::Instance().Table(id);
  if (code < 0) {
    return table.front();
  }
  if (static_cast<std::size_t>(code) >= table.size()) {
    return table.back();
  }
  return table[static_cast<std::size_t>(code)];
}

// Units that append four low bits fill all sixteen bits of the code.
unsigned Unsigned16(std::int16_t code) { return static_cast<std::uint16_t>(code); }

double GainOf(const VessamorChannel* channel) { return channel ? channel->Gain : 1.0; }

float Accel(std::int16_t code, const VessamorChannel* channel, double step, double bottom) {
  const double value = code > 0 ? step * code - bottom : -bottom;
  return static_cast<float>(value * GainOf(channel));
}

std::int32_t AccelCode(float value, double step, double bottom) {
  const double v = value;
  if (std::isnan(v) || v <= -bottom) {
    return 0;
  }
  const double code = std::trunc((v + bottom) / step);
  constexpr double kMax = std::numeric_limits<std::int32_t>::max();
  return code >= kMax ? std::numeric_limits<std::int32_t>::max() : static_cast<std::int32_t>(code);
}

bool Beyond(float value, double limit) { return value > limit || value < -limit; }

float AxisFractionOf(double value, double lo, double hi) {
  return static_cast<float>((value - lo) / (hi - lo));
}

float AxisValueOf(double fraction, double lo, double hi) {
  return static_cast<float>(fraction * (hi - lo) + lo);
}

}  // namespace

// --- Calibration-table look-ups ---

float LookupTable4096(std::int16_t c, const VessamorChannel*) { return Lookup(CalibrationTableId::Table4096, c); }
float LookupTable1024(std::int16_t c, const VessamorChannel*) { return Lookup(CalibrationTableId::Table1024, c); }
float LookupTemp2Code12(std::int16_t c, const VessamorChannel*) { return Lookup(CalibrationTableId::Temp2Code12, c); }
float LookupTemp2Code10(std::int16_t c, const VessamorChannel*) { return Lookup(CalibrationTableId::Temp2Code10, c); }
float LookupTemp3Code12(std::int16_t c, const VessamorChannel*) { return Lookup(CalibrationTableId::Temp3Code12, c); }
float LookupTemp3Code10(std::int16_t c, const VessamorChannel*) { return Lookup(CalibrationTableId::Temp3Code10, c); }
float LookupTemp4Code12(std::int16_t c, const VessamorChannel*) { return Lookup(CalibrationTableId::Temp4Code12, c); }
float LookupTemp4Code10(std::int16_t c, const VessamorChannel*) { return Lookup(CalibrationTableId::Temp4Code10, c); }
float LookupTemp46(std::int16_t c, const VessamorChannel*) { return Lookup(CalibrationTableId::Temp46, c); }
float LookupGasVolume(std::int16_t c, const VessamorChannel*) { return Lookup(CalibrationTableId::GasVolume, c); }
float LookupFlow(std::int16_t c, const VessamorChannel*) { return Lookup(CalibrationTableId::Flow, c); }
float LookupDistance(std::int16_t c, const VessamorChannel*) { return Lookup(CalibrationTableId::Distance, c); }
float LookupTemp54(std::int16_t c, const VessamorChannel*) { return Lookup(CalibrationTableId::Temp54, c); }
float LookupCurrent66(std::int16_t c, const VessamorChannel*) { return Lookup(CalibrationTableId::Current66, c); }
float LookupCurrent67(std::int16_t c, const VessamorChannel*) { return Lookup(CalibrationTableId::Current67, c); }
float LookupTemp72(std::int16_t c, const VessamorChannel*) { return Lookup(CalibrationTableId::Temp72, c); }

std::span<const float> LookupTableOf(RawToValueFnType convert) {
  static constexpr std::pair<RawToValueFnType, CalibrationTableId> kLookups[] = {
      {&LookupTable4096, CalibrationTableId::Table4096},
      {&LookupTable1024, CalibrationTableId::Table1024},
      {&LookupTemp2Code12, CalibrationTableId::Temp2Code12},
      {&LookupTemp2Code10, CalibrationTableId::Temp2Code10},
      {&LookupTemp3Code12, CalibrationTableId::Temp3Code12},
      {&LookupTemp3Code10, CalibrationTableId::Temp3Code10},
      {&LookupTemp4Code12, CalibrationTableId::Temp4Code12},
      {&LookupTemp4Code10, CalibrationTableId::Temp4Code10},
      {&LookupTemp46, CalibrationTableId::Temp46},
      {&LookupGasVolume, CalibrationTableId::GasVolume},
      {&LookupFlow, CalibrationTableId::Flow},
      {&LookupDistance, CalibrationTableId::Distance},
      {&LookupTemp54, CalibrationTableId::Temp54},
      {&LookupCurrent66, CalibrationTableId::Current66},
      {&LookupCurrent67, CalibrationTableId::Current67},
      {&LookupTemp72, CalibrationTableId::Temp72}};
  for (const auto& [member, id] : kLookups) {
    if (member == convert) return CalibrationTables::Instance().Table(id);
  }
  return {};
}

// --- Voltage and current ---

float VoltsFromCode10(std::int16_t c, const VessamorChannel*) {
  if (c < 1) return 0.0f;
  if (c >= 1023) return 3.3f;
  return Line(0.0032258064516, 0.0, c);
}

float VoltsFromCode12(std::int16_t c, const VessamorChannel*) {
  if (c < 1) return 0.0f;
  if (c >= 4095) return 3.3f;
  return Line(0.0008064516129, 0.0, c);
}

float Volts10FromCode10(std::int16_t c, const VessamorChannel*) {
  return TwoSegments(c, 0.021141649048625, -10.824524312896406, 0.021186440677966, -10.847457627118592);
}

float Volts10FromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.005284015852047556, -10.819022457067371, c);
}

float Volts20FromCode16(std::int16_t c, const VessamorChannel*) {
  return Line(0.004884004884004884, -0.0024420024420024333, Unsigned16(c) >> 4);
}

float Volts50FromCode10(std::int16_t c, const VessamorChannel*) {
  return TwoSegments(c, 0.10482180293501048, -53.668763102725364, 0.10504201680672269, -53.78151260504202);
}

float Volts50FromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.02621231979030144, -53.669724770642205, c);
}

float Current2FromCode10(std::int16_t c, const VessamorChannel*) {
  return Line(0.0043010752688172, -2.2021505376344086, c);
}

float Current2FromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.0010744023636852, -2.199838839645447, c);
}

float Current20FromCode10(std::int16_t c, const VessamorChannel*) {
  return Line(0.043010752688172, -22.021505376344084, c);
}

float Current20FromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.010744023636852002, -21.998388396454473, c);
}

float Current200FromCode10(std::int16_t c, const VessamorChannel*) {
  return Line(0.4301075268817204, -220.21505376344086, c);
}

float Current200FromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.10744023636852001, -219.98388396454473, c);
}

float Volts108FromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.05285177045177, -108.214, Clamp12(c));
}

float Volts27FromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.0133451037851, -27.3241, Clamp12(c));
}

float Volts2p7FromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.001345934065934, -2.7558, Clamp12(c));
}

float Volts0p27FromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.000135091575091575, -0.2766, Clamp12(c));
}

float ElectrodeVoltsFromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.001221001221001221, -2.5, Clamp12(c));
}

// --- Pressure ---

float Pressure12FromCode10(std::int16_t c, const VessamorChannel*) {
  return TwoSegments(c, -0.2061855670103092, 105.56701030927834, -0.2066115702479338, 105.78512396694215);
}

float Pressure12FromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(-0.05159958720330237, 105.57275541795666, c);
}

float Pressure13FromCode10(std::int16_t c, const VessamorChannel*) {
  return Line(-0.1083423618634886, 107.47562296858071, c);
}

float Pressure13FromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(-0.027078256160303276, 107.52775521256432, c);
}

float Pressure26FromCode10(std::int16_t c, const VessamorChannel*) {
  return Line(2.0 * -0.1083423618634886, 2.0 * 107.47562296858071, c);
}

float Pressure26FromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(2.0 * -0.027078256160303276, 2.0 * 107.52775521256432, c);
}

float Pressure85FromCode12(std::int16_t c, const VessamorChannel*) {
  if (c < 164) return 0.0f;
  if (c <= 3849) return Line(0.1899556860520967, -31.10904270475188, c);
  if (c <= 4094) return Line(0.12187195320116997, 230.93435164120896, c);
  return 730.0f;
}

float Pressure86FromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.0266018999076914, 10.555620582421996, Clamp12(c));
}

float Pressure87FromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(-0.0541514041514, 214.956, Clamp12(c));
}

float AtmPressureFromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.053724053724, 630.0, Clamp12(c));
}

float BloodPressureFromCode12(std::int16_t c, const VessamorChannel*) {
  if (c < 157) return 0.0f;
  return Line(0.0537283478785607, -8.468984562706007, c);
}

// --- Angle and magnetic field ---

float Angle372FromCode10(std::int16_t c, const VessamorChannel*) {
  return Line(0.7272297165200391, -371.978, c);
}

float Angle372FromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.18167423687423687, -371.978, c);
}

float Angle1800FromCode10(std::int16_t c, const VessamorChannel*) {
  return Line(3.5190615835777126, -1800.0, c);
}

float Angle1800FromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.8791208791208791, -1800.0, c);
}

float MagFieldFromCode10(std::int16_t c, const VessamorChannel*) {
  return TwoSegments(c, 0.1953125, -100.0, 0.1956947162426614, -100.19569471624266);
}

float MagFieldFromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.04884004884004884, -100.0, c);
}

float MagField36FromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.0005074969474969475, -1.0391, c);
}

// --- Chemistry ---

// The pH line would stay positive above its zero code; the electrode reads 0 there.
float PhFromCode10(std::int16_t c, const VessamorChannel*) {
  if (c >= 973) return 0.0f;
  return TwoSegments(c, -0.01511879049676026, 14.740820734341252, -0.015184381778741865, 14.774403470715836);
}

float PhFromCode12(std::int16_t c, const VessamorChannel*) {
  if (c >= 3896) return 0.0f;
  return Line(-0.003784806704514734, 14.745606920789402, c);
}

float ConductivityMsFromCode10(std::int16_t c, const VessamorChannel*) {
  if (c < 12) return 0.0f;
  return Line(0.005091649694501, -0.0560081466395112, c);
}

float ConductivityMsFromCode12(std::int16_t c, const VessamorChannel*) {
  if (c < 45) return 0.0f;
  return Line(0.0012729124236252546, -0.0560081466395112, c);
}

float ConductivityUsFromCode10(std::int16_t c, const VessamorChannel*) {
  if (c < 12) return 0.0f;
  return Line(0.10183299389002, -1.120162932790224, c);
}

float ConductivityUsFromCode12(std::int16_t c, const VessamorChannel*) {
  if (c < 45) return 0.0f;
  return Line(0.025458248472505093, -1.120162932790224, c);
}

float HumidityFromCode12(std::int16_t c, const VessamorChannel* channel) {
  double value = 0.039367133954546704 * c - 25.89058298788673;
  if (channel == nullptr || channel->NoClamp == 0) {
    value = std::clamp(value, 0.0, 100.0);
  }
  return static_cast<float>(value);
}

float TurbidityFromCode12(std::int16_t c, const VessamorChannel*) {
  if (c > 0) return 0.0f;
  return static_cast<float>(-static_cast<double>(c) * 0.08579032967);
}

float OpticalDensityFromCode(std::int16_t c, const VessamorChannel* channel) {
  if (channel == nullptr) return 0.0f;
  const double dark = channel->p_UD;
  const double d = c - dark;
  if (!(d > 0.0)) return 0.0f;
  const double ratio = (channel->p_Uz - dark) / d;
  if (!(ratio > 1.0)) return 0.0f;
  return static_cast<float>(std::log10(ratio));
}

// --- Light, fractions, sound ---

float IlluminanceLowFromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.14652014652, 0.0, c);
}

float IlluminanceHighFromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(1.4652014652, 0.0, c);
}

float IlluminanceFromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(1.6117216117216118, 0.0, Clamp12(c));
}

float IlluminanceKlxFromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.040293040293040296, 0.0, Clamp12(c));
}

float FractionFromCode10(std::int16_t c, const VessamorChannel*) {
  return static_cast<float>(c / 1023.0);
}

float FractionFromCode12(std::int16_t c, const VessamorChannel*) {
  return static_cast<float>(c / 4095.0);
}

float Fraction37FromCode12(std::int16_t c, const VessamorChannel*) {
  return static_cast<float>(c / 4095.0);
}

float Fraction38FromCode12(std::int16_t c, const VessamorChannel*) {
  return static_cast<float>(c / 4095.0);
}

float SoundFromCode12(std::int16_t c, const VessamorChannel*) {
  return static_cast<float>((c + 620.45) / 4095.0);
}

// --- Force ---

float ForceFromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.01154090354, -23.63, Clamp12(c));
}

float Force83FromCode12(std::int16_t c, const VessamorChannel*) {
  return Line(0.029069597069597, -59.52, Clamp12(c));
}

// --- Motion, distance, flow, counts ---

float RevolutionsFromCode(std::int16_t c, const VessamorChannel*) {
  const int code = c;
  return static_cast<float>((code >> 8) + (code & 255) * 0.00390625);
}

// The echo time is inversely proportional to the distance; the sensor reaches 800 mm at most.
float DistanceFromEchoCode(std::int16_t c, const VessamorChannel*) {
  if (c <= 0) return 0.0f;
  const double distance = 269277.2727272727 / c - 2.592;
  return static_cast<float>(std::clamp(distance, 0.0, 800.0));
}

float DistanceCmFromCode(std::int16_t c, const VessamorChannel*) {
  return static_cast<float>(c / 58.0);
}

float SpeedFromCode16(std::int16_t c, const VessamorChannel*) {
  if (c < 1) return -10.0f;
  if (c < 32000) return Line(0.000625, -10.0, c);
  return 10.0f;
}

float AccelFromCode16(std::int16_t c, const VessamorChannel*) {
  if (c < 1) return -100.0f;
  if (c < 32000) return Line(0.00625, -100.0, c);
  return 100.0f;
}

float FlowFromCode12(std::int16_t c, const VessamorChannel*) {
  if (c <= 0) return 0.0f;
  const double code = std::min<int>(c, 4095);
  return static_cast<float>(1015.0 * std::sqrt(code / 4095.0 * 3.3));
}

float RawCodeFromCode10(std::int16_t c, const VessamorChannel*) { return c; }

float RawCodeFromCode16(std::int16_t c, const VessamorChannel*) {
  return static_cast<float>(Unsigned16(c) >> 4);
}

// --- Accelerometers ---

float Accel15FromCode10(std::int16_t c, const VessamorChannel* channel) {
  return Accel(c, channel, 0.039517822265625, 20.233125);
}

float Accel15FromCode12(std::int16_t c, const VessamorChannel* channel) {
  return Accel(c, channel, 0.00989384615384607, 20.233125);
}

float Accel6FromCode10(std::int16_t c, const VessamorChannel* channel) {
  return Accel(c, channel, 0.1580712890625, 80.9325);
}

float Accel6FromCode12(std::int16_t c, const VessamorChannel* channel) {
  return Accel(c, channel, 0.039527472527433, 80.9325);
}

std::int32_t Accel15ToCode10(float value) { return AccelCode(value, 0.039517822265625, 20.233125); }
std::int32_t Accel15ToCode12(float value) { return AccelCode(value, 0.00989384615384607, 20.233125); }
std::int32_t Accel6ToCode10(float value) { return AccelCode(value, 0.1580712890625, 80.9325); }
std::int32_t Accel6ToCode12(float value) { return AccelCode(value, 0.039527472527433, 80.9325); }

// --- Range predicates ---

bool BeyondRange2(float value) { return Beyond(value, 2.0); }
bool BeyondRange10(float value) { return Beyond(value, 10.0); }
bool BeyondRange20(float value) { return Beyond(value, 20.0); }
bool BeyondRange50(float value) { return Beyond(value, 50.0); }
bool BeyondRange200(float value) { return Beyond(value, 200.0); }
bool NeverBeyondRange(float) { return false; }

// --- Fractional codes ---

float ConvertFractionalCode(RawToValueFnType convert, std::int32_t code,
                            const VessamorChannel* channel) {
  const auto whole = static_cast<std::int16_t>(code >> 8);
  const std::int32_t fraction = code & 255;
  const float low = convert(whole, channel);
  if (fraction == 0 || whole == std::numeric_limits<std::int16_t>::max()) {
    return low;
  }
  const float high = convert(static_cast<std::int16_t>(whole + 1), channel);
  return static_cast<float>(low + (static_cast<double>(high) - low) * fraction * 0.00390625);
}

// --- Value axes ---

#define VESSAMOR_DEFINE_AXIS(name, lo, hi)                                                 \
  float AxisFraction##name(const float* value) { return AxisFractionOf(*value, lo, hi); } \
  float AxisValue##name(const float* fraction) { return AxisValueOf(*fraction, lo, hi); }
VESSAMOR_VALUE_AXES(VESSAMOR_DEFINE_AXIS)
#undef VESSAMOR_DEFINE_AXIS

float AxisIdentity(const float* value) { return *value; }

namespace {

#define VESSAMOR_AXIS_ROW(name, lo, hi) {#name, lo, hi, {AxisFraction##name, AxisValue##name}},
constexpr ValueAxis kValueAxes[] = {
    VESSAMOR_VALUE_AXES(VESSAMOR_AXIS_ROW)  //
    {"Identity", 0.0, 1.0, {AxisIdentity, AxisIdentity}},
};
#undef VESSAMOR_AXIS_ROW

}  // namespace

std::span<const ValueAxis> ValueAxes() { return kValueAxes; }
