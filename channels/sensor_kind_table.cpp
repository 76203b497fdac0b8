// The single-channel sensor kinds as data, the default voltage row, and how a row is written into a channel.
#include "channels/sensor_kind_table.h"

#include <algorithm>
#include <array>
#include <string>

#include "channels/conversions.h"
#include "channels/vessamor_channel.h"

namespace {

#define VESSAMOR_AXIS(name) ScaleMapping{AxisFraction##name, AxisValue##name}

constexpr ScaleMapping kIdentityAxis{AxisIdentity, AxisIdentity};

constexpr ConversionChoice One(RawToValueFnType member) { return {member, nullptr, WidthRule::Single, nullptr}; }
constexpr ConversionChoice For11Or2(RawToValueFnType code12, RawToValueFnType code10) {
  return {code12, code10, WidthRule::Type11Or2, nullptr};
}
constexpr ConversionChoice For11(RawToValueFnType code12, RawToValueFnType code10) {
  return {code12, code10, WidthRule::Type11, nullptr};
}

constexpr LocalText Same(std::string_view text) { return {text, text}; }

constexpr LocalText kCelsius = Same("°C");
constexpr LocalText kVolts{"В", "V"};
constexpr LocalText kKiloPascal{"кПа", "kPa"};
constexpr LocalText kMilliTesla{"мТл", "mT"};
constexpr LocalText kMilliAmps{"мА", "mA"};
constexpr LocalText kLux{"лк", "lx"};
constexpr LocalText kNewton{"Н", "N"};
constexpr LocalText kCentimetres{"см", "sm"};

const std::array kRows = std::to_array<SensorKindRow>({
    {.Kind = 1, .Symbol = Same("T"), .Unit = kCelsius, .Conversion = For11Or2(LookupTable4096, LookupTable1024),
     .Decimals = 2, .ValueWidth = 6, .UnitWidthRu = 2, .UnitWidthEn = 2, .Axis = VESSAMOR_AXIS(M10To110)},
    {.Kind = 2, .Symbol = Same("T"), .Unit = kCelsius, .Conversion = For11Or2(LookupTemp2Code12, LookupTemp2Code10),
     .Decimals = 2, .ValueWidth = 6, .UnitWidthRu = 2, .UnitWidthEn = 2, .Axis = VESSAMOR_AXIS(M20To120)},
    {.Kind = 3, .Symbol = Same("T"), .Unit = kCelsius, .Conversion = For11Or2(LookupTemp3Code12, LookupTemp3Code10),
     .Decimals = 2, .ValueWidth = 6, .UnitWidthRu = 2, .UnitWidthEn = 2, .Axis = VESSAMOR_AXIS(M50To150)},
    {.Kind = 4, .Symbol = Same("T"), .Unit = kCelsius, .Conversion = For11Or2(LookupTemp4Code12, LookupTemp4Code10),
     .Decimals = 1, .ValueWidth = 6, .UnitWidthRu = 2, .UnitWidthEn = 2, .Axis = VESSAMOR_AXIS(M100To1000)},
    {.Kind = 5, .Symbol = Same("pH"), .Unit = {"ед.", "units"}, .Conversion = For11(PhFromCode12, PhFromCode10),
     .Decimals = 2, .ValueWidth = 6, .UnitWidthRu = 2, .UnitWidthEn = 5, .UnitTextScaleRu = 0.9f,
     .UnitTextScaleEn = 0.9f, .Axis = VESSAMOR_AXIS(0To14)},
    {.Kind = 6, .AlsoKind = 29, .Symbol = Same("G"), .Unit = {"мСм/см", "mS/cm"},
     .Conversion = For11Or2(ConductivityMsFromCode12, ConductivityMsFromCode10), .Decimals = 3, .ValueWidth = 6,
     .UnitWidthRu = 6, .UnitWidthEn = 6, .UnitTextScaleEn = 1.15f, .Axis = VESSAMOR_AXIS(0To5)},
    {.Kind = 9, .Symbol = Same("U"), .Unit = kVolts,
     .Conversion = {Volts10FromCode12, Volts10FromCode10, WidthRule::Type11, Volts20FromCode16},
     .RangeCheck = BeyondRange10, .Decimals = 3, .ValueWidth = 7, .Axis = VESSAMOR_AXIS(M10To10)},
    {.Kind = 10, .Symbol = Same("I"), .Unit = {"А", "A"}, .Conversion = For11(Current2FromCode12, Current2FromCode10),
     .RangeCheck = BeyondRange2, .Decimals = 3, .ValueWidth = 6, .Axis = VESSAMOR_AXIS(M2To2)},
    {.Kind = 12, .Symbol = Same("P"), .Unit = kKiloPascal,
     .Conversion = For11(Pressure12FromCode12, Pressure12FromCode10), .Decimals = 2, .ValueWidth = 7,
     .UnitWidthRu = 3, .UnitWidthEn = 3, .Axis = VESSAMOR_AXIS(M100To100)},
    {.Kind = 13, .Symbol = Same("P"), .Unit = kKiloPascal,
     .Conversion = For11(Pressure13FromCode12, Pressure13FromCode10), .Decimals = 2, .ValueWidth = 6,
     .UnitWidthRu = 3, .UnitWidthEn = 3, .Axis = VESSAMOR_AXIS(0To200)},
    {.Kind = 14, .Symbol = Same("B"), .Unit = kMilliTesla, .Conversion = For11(MagFieldFromCode12, MagFieldFromCode10),
     .Decimals = 1, .ValueWidth = 6, .UnitWidthRu = 4, .UnitWidthEn = 3, .UnitTextScaleRu = 1.15f,
     .UnitTextScaleEn = 1.15f, .Axis = VESSAMOR_AXIS(M100To100)},
    {.Kind = 15, .Symbol = Same("N"), .Unit = Same(""),
     .Conversion = {RawCodeFromCode10, nullptr, WidthRule::Single, RawCodeFromCode16}, .Decimals = 0,
     .ValueWidth = 6, .Axis = VESSAMOR_AXIS(0To4096)},
    {.Kind = 16, .Symbol = Same("U"), .Unit = kVolts, .Conversion = For11(Volts50FromCode12, Volts50FromCode10),
     .RangeCheck = BeyondRange50, .Decimals = 2, .ValueWidth = 6, .Axis = VESSAMOR_AXIS(M50To50)},
    {.Kind = 17, .Symbol = Same("I"), .Unit = kMilliAmps, .Conversion = For11(Current20FromCode12, Current20FromCode10),
     .RangeCheck = BeyondRange20, .Decimals = 2, .ValueWidth = 6, .UnitWidthRu = 3, .UnitWidthEn = 3,
     .UnitTextScaleRu = 1.15f, .UnitTextScaleEn = 1.15f, .Axis = VESSAMOR_AXIS(M20To20)},
    {.Kind = 18, .Symbol = Same("I"), .Unit = kMilliAmps,
     .Conversion = For11(Current200FromCode12, Current200FromCode10), .RangeCheck = BeyondRange200, .Decimals = 1,
     .ValueWidth = 6, .UnitWidthRu = 3, .UnitWidthEn = 3, .UnitTextScaleRu = 1.15f, .UnitTextScaleEn = 1.15f,
     .Axis = VESSAMOR_AXIS(M200To200)},
    {.Kind = 19, .AlsoKind = 30, .Symbol = Same("G"), .Unit = {"мкСм/см", "µS/cm"},
     .Conversion = For11Or2(ConductivityUsFromCode12, ConductivityUsFromCode10), .Decimals = 2, .ValueWidth = 6,
     .UnitWidthRu = 7, .UnitWidthEn = 7, .UnitTextScaleEn = 1.15f, .Axis = VESSAMOR_AXIS(0To100)},
    {.Kind = 24, .Symbol = {"Ф", "F"}, .Unit = {"град", "°"},
     .Conversion = For11(Angle1800FromCode12, Angle1800FromCode10), .Decimals = 1, .ValueWidth = 7,
     .UnitWidthRu = 4, .UnitWidthEn = 2, .Axis = VESSAMOR_AXIS(M1800To1800)},
    {.Kind = 26, .Symbol = Same("P"), .Unit = kKiloPascal,
     .Conversion = For11(Pressure26FromCode12, Pressure26FromCode10), .Decimals = 2, .ValueWidth = 6,
     .UnitWidthRu = 3, .UnitWidthEn = 3, .Axis = VESSAMOR_AXIS(0To200), .NoClampAxis = VESSAMOR_AXIS(M20To200)},
    {.Kind = 27, .Symbol = Same("RH"), .Unit = Same("%"), .Conversion = One(HumidityFromCode12), .Decimals = 1,
     .ValueWidth = 5, .UnitWidthRu = 2, .UnitWidthEn = 2, .Axis = VESSAMOR_AXIS(0To100),
     .NoClampAxis = VESSAMOR_AXIS(M9To100), .Smoothing = SmoothingChoice::On, .SmoothingWindow = 100,
     .Filter = true, .Rate = 125},
    // Cyrillic "А" in Russian, Latin "A" in English.
    {.Kind = 31, .Symbol = {"А", "A"}, .Unit = {"град", "degr"},
     .Conversion = For11(Angle372FromCode12, Angle372FromCode10), .Decimals = 1, .ValueWidth = 6,
     .UnitWidthRu = 4, .UnitWidthEn = 4, .Axis = VESSAMOR_AXIS(M400To400), .FirstRequestedChannel = true},
    {.Kind = 32, .Symbol = Same("E"), .Unit = kLux, .Conversion = One(IlluminanceLowFromCode12), .Decimals = 1,
     .ValueWidth = 5, .UnitWidthRu = 2, .UnitWidthEn = 2, .Axis = VESSAMOR_AXIS(0To600)},
    {.Kind = 33, .Symbol = Same("E"), .Unit = kLux, .Conversion = One(IlluminanceHighFromCode12), .Decimals = 0,
     .ValueWidth = 5, .UnitWidthRu = 2, .UnitWidthEn = 2, .Axis = VESSAMOR_AXIS(0To6000)},
    {.Kind = 34, .Symbol = Same("D"), .Unit = Same(""), .Conversion = One(OpticalDensityFromCode), .Decimals = 3,
     .ValueWidth = 6, .Axis = VESSAMOR_AXIS(0To3), .SymbolCaption = 1},
    {.Kind = 36, .Symbol = Same("B"), .Unit = kMilliTesla, .Conversion = One(MagField36FromCode12), .Decimals = 3,
     .ValueWidth = 6, .UnitWidthRu = 4, .UnitWidthEn = 3, .UnitTextScaleRu = 1.15f, .UnitTextScaleEn = 1.15f,
     .Axis = VESSAMOR_AXIS(M1To1), .Smoothing = SmoothingChoice::On, .SmoothingWindow = 100, .Filter = true},
    {.Kind = 38, .Symbol = Same("Y"), .Unit = Same(""), .Conversion = One(Fraction38FromCode12), .Decimals = 3,
     .ValueWidth = 5, .Axis = kIdentityAxis, .Smoothing = SmoothingChoice::OnKeepWindow, .Filter = true,
     .SymbolCaption = 1},
    {.Kind = 41, .Symbol = Same("Y"), .Unit = Same(""), .Conversion = One(FractionFromCode12), .Decimals = 0,
     .ValueWidth = 3, .Axis = VESSAMOR_AXIS(M0p5To1p5), .Smoothing = SmoothingChoice::Off, .Filter = true,
     .Rate = 10000, .SymbolCaption = 1},
    {.Kind = 43, .AlsoKind = 74, .Symbol = Same("Y"), .Unit = Same(""),
     .Conversion = {FractionFromCode12, FractionFromCode10, WidthRule::NotType1, nullptr}, .Decimals = 3,
     .ValueWidth = 5, .Axis = VESSAMOR_AXIS(M0p5To1p5), .Smoothing = SmoothingChoice::Off, .Filter = true,
     .Rate = 10000, .SymbolCaption = 1},
    {.Kind = 46, .Symbol = Same("T"), .Unit = kCelsius, .Conversion = One(LookupTemp46), .Decimals = 2,
     .ValueWidth = 5, .UnitWidthRu = 2, .UnitWidthEn = 2, .Axis = VESSAMOR_AXIS(0To100), .Rate = 125,
     .HistoryStepSeconds = 1},
    // The gas volume channel of kind 45.
    {.Kind = 47, .Symbol = Same("V"), .Unit = {"мл", "ml"}, .Conversion = One(LookupGasVolume), .Decimals = 2,
     .ValueWidth = 6, .UnitWidthRu = 2, .UnitWidthEn = 2, .Axis = VESSAMOR_AXIS(0To300), .Rate = 125,
     .HistoryStepSeconds = 1},
    {.Kind = 53, .AlsoKind = 59, .Symbol = Same("F"), .Unit = kNewton, .Conversion = One(ForceFromCode12),
     .Decimals = 2, .ValueWidth = 6, .UnitWidthRu = 2, .UnitWidthEn = 2, .Axis = VESSAMOR_AXIS(M20To20)},
    {.Kind = 54, .Symbol = Same("T"), .Unit = kCelsius, .Conversion = One(LookupTemp54), .Decimals = 1,
     .ValueWidth = 5, .UnitWidthRu = 2, .UnitWidthEn = 2, .Axis = VESSAMOR_AXIS(0To140),
     .Smoothing = SmoothingChoice::Off, .Filter = true, .Rate = 10000},
    {.Kind = 64, .Symbol = Same("D"), .Unit = kCentimetres, .Conversion = One(DistanceCmFromCode), .Decimals = 1,
     .ValueWidth = 5, .UnitWidthRu = 2, .UnitWidthEn = 2, .Axis = VESSAMOR_AXIS(0To300),
     .Smoothing = SmoothingChoice::Off, .Filter = true, .FilterAfterRate = true, .Rate = kRateByOpenUnits},
    {.Kind = 65, .Symbol = Same("D"), .Unit = kCentimetres, .Conversion = One(DistanceCmFromCode), .Decimals = 1,
     .ValueWidth = 5, .UnitWidthRu = 2, .UnitWidthEn = 2, .Axis = VESSAMOR_AXIS(0To300),
     .Smoothing = SmoothingChoice::On, .SmoothingWindow = 10, .Filter = true, .FilterAfterRate = true,
     .Rate = 1000},
    {.Kind = 66, .Symbol = Same("I"), .Unit = {"А", "A"}, .Conversion = One(LookupCurrent66),
     .RangeCheck = BeyondRange2, .Decimals = 3, .ValueWidth = 6, .Axis = VESSAMOR_AXIS(M2p5To2p5)},
    // The kind keeps whatever code the channel had.
    {.Kind = 67, .Symbol = Same("I"), .Unit = kMilliAmps, .Conversion = One(LookupCurrent67),
     .RangeCheck = BeyondRange2, .Decimals = 1, .ValueWidth = 6, .UnitWidthRu = 3, .UnitWidthEn = 3,
     .UnitTextScaleRu = 1.15f, .UnitTextScaleEn = 1.15f, .Axis = VESSAMOR_AXIS(M250To250),
     .WritesSensorCode = false},
    {.Kind = 68, .Symbol = Same("U"), .Unit = kVolts, .Conversion = One(Volts108FromCode12),
     .RangeCheck = BeyondRange10, .Decimals = 2, .ValueWidth = 7, .Axis = VESSAMOR_AXIS(M100To100)},
    {.Kind = 69, .Symbol = Same("U"), .Unit = kVolts, .Conversion = One(Volts27FromCode12),
     .RangeCheck = BeyondRange10, .Decimals = 3, .ValueWidth = 7, .Axis = VESSAMOR_AXIS(M25To25)},
    {.Kind = 70, .Symbol = Same("U"), .Unit = kVolts, .Conversion = One(Volts2p7FromCode12),
     .RangeCheck = BeyondRange10, .Decimals = 4, .ValueWidth = 8, .Axis = VESSAMOR_AXIS(M2p5To2p5)},
    {.Kind = 71, .Symbol = Same("U"), .Unit = kVolts, .Conversion = One(Volts0p27FromCode12),
     .RangeCheck = BeyondRange10, .Decimals = 5, .ValueWidth = 9, .Axis = VESSAMOR_AXIS(M0p25To0p25)},
    {.Kind = 72, .Symbol = Same("T"), .Unit = kCelsius, .Conversion = One(LookupTemp72), .Decimals = 2,
     .ValueWidth = 6, .UnitWidthRu = 2, .UnitWidthEn = 2, .Axis = VESSAMOR_AXIS(M50To200)},
    {.Kind = 75, .Symbol = Same("U"), .Unit = kVolts, .Conversion = One(ElectrodeVoltsFromCode12),
     .RangeCheck = BeyondRange10, .Decimals = 3, .ValueWidth = 6, .Axis = VESSAMOR_AXIS(M2p5To2p5)},
    // The Russian interface names the quantity in words; the English one has neither word nor unit.
    {.Kind = 76, .Symbol = {"мутность", "Y"}, .Unit = {"FNU", ""}, .Conversion = One(TurbidityFromCode12),
     .Decimals = 1, .ValueWidth = 5, .UnitWidthRu = 4, .UnitWidthEn = 4, .Axis = VESSAMOR_AXIS(0To250)},
    // The two channels of kind 80: the whole range in lux, the bright end in kilolux.
    {.Kind = 81, .Symbol = Same("E"), .Unit = {"клк", "klx"}, .Conversion = One(IlluminanceKlxFromCode12),
     .Decimals = 1, .ValueWidth = 5, .UnitWidthRu = 3, .UnitWidthEn = 3, .Axis = VESSAMOR_AXIS(0To150)},
    {.Kind = 82, .Symbol = Same("E"), .Unit = kLux, .Conversion = One(IlluminanceFromCode12), .Decimals = 0,
     .ValueWidth = 5, .UnitWidthRu = 2, .UnitWidthEn = 2, .Axis = VESSAMOR_AXIS(0To6000)},
    {.Kind = 83, .Symbol = Same("F"), .Unit = kNewton, .Conversion = One(Force83FromCode12), .Decimals = 2,
     .ValueWidth = 6, .UnitWidthRu = 2, .UnitWidthEn = 2, .Axis = VESSAMOR_AXIS(M50To50)},
    {.Kind = 84, .Symbol = Same("P"), .Unit = {"мм рт.ст.", "mm"}, .Conversion = One(AtmPressureFromCode12),
     .Decimals = 0, .ValueWidth = 4, .UnitWidthRu = 8, .UnitWidthEn = 8, .AxisTextScale = 1.5f,
     .UnitTextScaleRu = 1.2f, .UnitTextScaleEn = 1.2f, .Axis = VESSAMOR_AXIS(0To60),
     .Smoothing = SmoothingChoice::On, .SmoothingWindow = 100, .Filter = true, .Rate = 125},
    {.Kind = 85, .Symbol = Same("P"), .Unit = kKiloPascal, .Conversion = One(Pressure85FromCode12), .Decimals = 2,
     .ValueWidth = 6, .UnitWidthRu = 3, .UnitWidthEn = 3, .Axis = VESSAMOR_AXIS(0To700)},
    {.Kind = 86, .Symbol = Same("P"), .Unit = kKiloPascal, .Conversion = One(Pressure86FromCode12), .Decimals = 2,
     .ValueWidth = 6, .UnitWidthRu = 3, .UnitWidthEn = 3, .Axis = VESSAMOR_AXIS(0To120)},
    {.Kind = 87, .Symbol = Same("P"), .Unit = kKiloPascal, .Conversion = One(Pressure87FromCode12), .Decimals = 2,
     .ValueWidth = 6, .UnitWidthRu = 3, .UnitWidthEn = 3, .Axis = VESSAMOR_AXIS(0To200)},
});

const SensorKindRow kDefaultRow{.Symbol = Same("U"),
                                .Unit = kVolts,
                                .Conversion = {VoltsFromCode12, VoltsFromCode10, WidthRule::NotType1, nullptr},
                                .Decimals = 3,
                                .ValueWidth = 6,
                                .Axis = VESSAMOR_AXIS(0To4)};

#undef VESSAMOR_AXIS

}  // namespace

RawToValueFnType ChooseConversion(const ConversionChoice& choice, std::uint8_t device_type_code) {
  if (choice.ForType2 != nullptr && device_type_code == 2) return choice.ForType2;
  bool first = true;
  switch (choice.Rule) {
    case WidthRule::Single:
      break;
    case WidthRule::Type11Or2:
      first = device_type_code == 11 || device_type_code == 2;
      break;
    case WidthRule::Type11:
      first = device_type_code == 11;
      break;
    case WidthRule::NotType1:
      first = device_type_code != 1;
      break;
  }
  return first || choice.Second == nullptr ? choice.First : choice.Second;
}

std::span<const SensorKindRow> SensorKindRows() { return kRows; }

const SensorKindRow& DefaultSensorKindRow() { return kDefaultRow; }

const SensorKindRow& SensorKindRowFor(std::uint16_t kind) {
  const auto found = std::find_if(kRows.begin(), kRows.end(), [kind](const SensorKindRow& row) { return row.Covers(kind); });
  return found != kRows.end() ? *found : kDefaultRow;
}

void WriteSensorKindRow(VessamorChannel& channel, const SensorKindRow& row, std::uint16_t kind, bool english) {
  channel.RangeCheckFn = row.RangeCheck != nullptr ? row.RangeCheck : NeverBeyondRange;
  channel.RawToValueFn = ChooseConversion(row.Conversion, channel.DeviceTypeCode);
  if (row.WritesSensorCode) channel.SensorCode = kind;
  channel.AxisLabel = "t";
  channel.Symbol = std::string(row.Symbol.In(english));
  channel.Unit = std::string(row.Unit.In(english));
  channel.TimeUnit = english ? "s" : "сек";
  channel.Decimals = row.Decimals;
  channel.ValueWidth = row.ValueWidth;
  channel.UnitWidth = english ? row.UnitWidthEn : row.UnitWidthRu;
  channel.AxisTextScale = row.AxisTextScale;
  channel.UnitTextScale = english ? row.UnitTextScaleEn : row.UnitTextScaleRu;
  const bool wide_axis = channel.NoClamp != 0 && row.NoClampAxis.Forward != nullptr;
  channel.ScaleMappingPair = wide_axis ? row.NoClampAxis : row.Axis;

  if (row.SymbolCaption != 0) channel.SymbolCaption = row.SymbolCaption;
  if (row.HistoryStepSeconds != 0) channel.HistoryStepSeconds = row.HistoryStepSeconds;
  switch (row.Smoothing) {
    case SmoothingChoice::Untouched:
      break;
    case SmoothingChoice::Off:
      channel.SmoothingOn = 0;
      break;
    case SmoothingChoice::On:
      channel.SmoothingOn = 1;
      channel.SmoothingWindow = row.SmoothingWindow;
      break;
    case SmoothingChoice::OnKeepWindow:
      channel.SmoothingOn = 1;
      break;
  }
}
