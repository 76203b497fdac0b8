// Set-up of the two-quantity, accelerometer, gas, flow, motion, high-rate and rate sensor kinds.
#include "channels/multi_kind_setup.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "channels/conversions.h"
#include "channels/main_window_services.h"
#include "channels/rate_detector.h"
#include "channels/sensor_kind_table.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"

namespace {

#define VESSAMOR_AXIS(name) ScaleMapping{AxisFraction##name, AxisValue##name}

constexpr ScaleMapping kIdentityAxis{AxisIdentity, AxisIdentity};

constexpr ConversionChoice One(RawToValueFnType member) { return {member, nullptr, WidthRule::Single, nullptr}; }
constexpr LocalText Same(std::string_view text) { return {text, text}; }

constexpr LocalText kVolts{"В", "V"};
constexpr LocalText kNoUnit = Same("");

// Live channels are 0..3; an index from a request, from MotionChannels or from a caller is held there.
std::size_t LiveIndex(std::int32_t index) {
  return static_cast<std::size_t>(std::clamp<std::int32_t>(index, 0, GraphView::kLiveChannels - 1));
}

std::size_t RequestedChannel(const GraphView& view, std::size_t k) {
  return LiveIndex(view.SetupRequest.SetupRequestChannels[k]);
}

// The requested channels, never more than there are live channels.
std::size_t RequestCount(const GraphView& view) {
  return std::min<std::size_t>(view.SetupRequest.SetupRequestCount, GraphView::kLiveChannels);
}

// Writes a row and its filter and rate steps (the rows here never take their rate from the open units).
VessamorChannel& ApplyRow(GraphView& view, std::size_t index, const SensorKindRow& row, std::uint16_t code,
                          bool english) {
  VessamorChannel& channel = view.Channel(index);
  WriteSensorKindRow(channel, row, code, english);
  if (row.Filter && !row.FilterAfterRate) channel.ConfigureFilter();
  if (row.Rate != kRateUntouched && row.Rate != kRateByOpenUnits) view.SetKindRate(row.Rate);
  if (row.Filter && row.FilterAfterRate) channel.ConfigureFilter();
  return channel;
}

// The gain puts the channel on the axis of its pair's first quantity, of kind `axis_kind`.
void SetPlotGain(VessamorChannel& channel, float gain, std::uint16_t axis_kind) {
  channel.PlotGainOn = 1;
  channel.PlotGain = gain;
  channel.PlotGainAxisKind = axis_kind;
}

// ---- two-quantity kinds ----

struct QuantityPair {
  SensorKindRow First;
  std::uint16_t FirstCode = 0;
  SensorKindRow Second;
  std::uint16_t SecondCode = 0;
  float Gain = 0.0f;  // 0: the second quantity keeps its display gain
};

SensorKindRow RowOf(std::uint16_t kind) { return SensorKindRowFor(kind); }

// The voltage channel of the voltage-and-current kinds: kind 9 without its 16-bit member.
SensorKindRow VoltageOfPair() {
  SensorKindRow row = RowOf(9);
  row.Conversion = {Volts10FromCode12, Volts10FromCode10, WidthRule::Type11, nullptr};
  return row;
}

SensorKindRow TwoVoltagesRow() {
  return {.Symbol = Same("U"), .Unit = kVolts, .Conversion = One(Volts10FromCode12), .RangeCheck = BeyondRange10,
          .Decimals = 3, .ValueWidth = 7, .UnitWidthRu = 1, .UnitWidthEn = 1, .Axis = VESSAMOR_AXIS(M10To10)};
}

QuantityPair PairFor(std::uint16_t kind) {
  switch (kind) {
    case 11:
      return {VoltageOfPair(), 9, RowOf(10), 10, 5.0f};
    case 20:
      return {VoltageOfPair(), 9, RowOf(17), 17, 5.0f};
    case 21:
      return {VoltageOfPair(), 9, RowOf(18), 18, 5.0f};
    case 22:
      return {RowOf(16), 16, RowOf(17), 17, 5.0f};
    case 23: {
      SensorKindRow current = RowOf(18);
      current.Decimals = 2;
      current.ValueWidth = 7;
      return {RowOf(16), 16, current, 18, 5.0f};
    }
    case 42:
      return {TwoVoltagesRow(), 42, TwoVoltagesRow(), 42, 0.0f};
    case 51: {
      SensorKindRow voltage = DefaultSensorKindRow();
      voltage.Conversion = One(VoltsFromCode12);
      SensorKindRow ranged = voltage;
      ranged.RangeCheck = BeyondRange10;
      return {voltage, 51, ranged, 51, 0.0f};
    }
    case 80:
      // The kilolux axis (0..150) spans the lux axis (0..6000) at a gain of 40; its reciprocal
      // would squeeze the kilolux curve into the plot's top row.
      return {RowOf(82), 82, RowOf(81), 81, 40.0f};
    default: {  // 88
      SensorKindRow field = RowOf(14);
      field.Conversion = One(MagFieldFromCode12);
      return {field, 14, field, 14, 0.0f};
    }
  }
}

// Kind 25: the angle on the first requested channel and the narrower angle beside it, or alone.
void SetupAnglePair(GraphView& view, const SensorSetupTarget& target) {
  const SensorKindRow angle{.Symbol = {"Ф", "F"}, .Unit = {"град", "°"},
                            .Conversion = {Angle372FromCode12, Angle372FromCode10, WidthRule::Type11, nullptr},
                            .Decimals = 1, .ValueWidth = 7, .UnitWidthRu = 4, .UnitWidthEn = 2,
                            .Axis = VESSAMOR_AXIS(M360To360)};
  std::size_t angle_channel = target.RequestPending ? RequestedChannel(view, 0) : target.Channel;
  if (target.SecondChannelOn) {
    ApplyRow(view, RequestedChannel(view, 0), RowOf(24), 24, target.English);
    angle_channel = RequestedChannel(view, 1);
  }
  SetPlotGain(ApplyRow(view, angle_channel, angle, 25, target.English), 5.0f, 24);
}

// ---- motion ----

void WriteSpeedOrAcceleration(GraphView& view, std::size_t k, bool english) {
  const std::size_t index = RequestedChannel(view, k);
  const bool speed = k == 1;
  const SensorKindRow row = speed ? SensorKindRow{.Symbol = Same("v"), .Unit = {"м/с", "m/s"},
                                                  .Conversion = One(SpeedFromCode16), .Decimals = 3,
                                                  .ValueWidth = 7, .UnitWidthRu = 3, .UnitWidthEn = 3,
                                                  .Axis = VESSAMOR_AXIS(M10To10)}
                                  : SensorKindRow{.Symbol = Same("a"), .Unit = {"м/с^2", "m/s^2"},
                                                  .Conversion = One(AccelFromCode16), .Decimals = 2,
                                                  .ValueWidth = 7, .UnitWidthRu = 3, .UnitWidthEn = 3,
                                                  .Axis = VESSAMOR_AXIS(M100To100)};
  VessamorChannel& channel = ApplyRow(view, index, row, speed ? 55 : 56, english);
  SetPlotGain(channel, speed ? 40.0f : 4.0f, view.Channel(RequestedChannel(view, 0)).SensorCode);
  view.MotionChannels[speed ? 1 : 2] = static_cast<std::uint8_t>(index);
}

// ---- rate kinds ----

struct RateKind {
  SensorKindRow Row;
  std::uint8_t RateMode = 1;
  void (*Install)(VessamorChannel&) = nullptr;
};

RateKind RateKindFor(std::uint16_t kind) {
  switch (kind) {
    case 35:
      return {{.Symbol = Same("Y"), .Unit = {"уд.мин", "bpm"}, .Conversion = One(FractionFromCode12),
               .Decimals = 0, .ValueWidth = 4, .UnitWidthRu = 6, .UnitWidthEn = 4, .Axis = kIdentityAxis,
               .SymbolCaption = 1},
              1, InstallPulseHooks};
    case 37:
      return {{.Symbol = Same("Y"), .Unit = {"мкР/ч", "mkR/h"}, .Conversion = One(Fraction37FromCode12),
               .Decimals = 0, .ValueWidth = 5, .UnitWidthRu = 5, .UnitWidthEn = 6, .Axis = kIdentityAxis,
               .SymbolCaption = 1},
              1, InstallRadiationHooks};
    case 39:
      // The pulse hooks are installed but not run: the kind shows the pressure itself.
      return {{.Symbol = Same("P"), .Unit = {"мм рт.ст.", "mm Hg"}, .Conversion = One(BloodPressureFromCode12),
               .Decimals = 2, .ValueWidth = 6, .UnitWidthRu = 7, .UnitWidthEn = 6, .Axis = VESSAMOR_AXIS(0To220)},
              0, InstallPulseHooks};
    case 40:
      return {{.Symbol = Same("Y"), .Unit = {"цикл/мин", "cycle/min"}, .Conversion = One(FractionFromCode12),
               .Decimals = 0, .ValueWidth = 3, .UnitWidthRu = 8, .UnitWidthEn = 8, .Axis = kIdentityAxis,
               .SymbolCaption = 1},
              1, InstallBreathingHooks};
    default:  // 73 and 77
      return {{.Symbol = Same("Y"), .Unit = {"об/сек", "rev/s"}, .Conversion = One(RevolutionsFromCode), .Decimals = 2,
               .ValueWidth = 5, .UnitWidthRu = 6, .UnitWidthEn = 6,
               .Axis = kind == 73 ? VESSAMOR_AXIS(0To5) : VESSAMOR_AXIS(0To10),
               .Smoothing = SmoothingChoice::Off, .Filter = true, .Rate = 10000},
              1, InstallRotationHooks};
  }
}

}  // namespace

void SetupTwoQuantityKind(GraphView& view, const SensorSetupTarget& target) {
  if (target.Kind == 25) {
    SetupAnglePair(view, target);
    return;
  }
  const QuantityPair pair = PairFor(target.Kind);
  ApplyRow(view, target.Channel, pair.First, pair.FirstCode, target.English);
  if (!target.SecondChannelOn) return;
  VessamorChannel& second = ApplyRow(view, RequestedChannel(view, 1), pair.Second, pair.SecondCode, target.English);
  if (pair.Gain != 0.0f) SetPlotGain(second, pair.Gain, pair.FirstCode);
}

void SetupAccelerometer(GraphView& view, const SensorSetupTarget& target) {
  static constexpr std::array<std::string_view, GraphView::kLiveChannels> kAxes{"Ax", "Ay", "Az", "As"};
  const bool range15 = target.Kind == 7;
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    VessamorChannel& channel = view.Channel(k);
    const bool code12 = channel.DeviceTypeCode == 11 || channel.DeviceTypeCode == 2;
    const SensorKindRow row{
        .Symbol = Same(kAxes[k]),
        .Unit = {"м/с^2", "m/s^2"},
        .Conversion = range15 ? ConversionChoice{Accel15FromCode12, Accel15FromCode10, WidthRule::Type11Or2, nullptr}
                              : ConversionChoice{Accel6FromCode12, Accel6FromCode10, WidthRule::Type11Or2, nullptr},
        .Decimals = 2,
        .ValueWidth = 6,
        .UnitWidthRu = 3,
        .UnitWidthEn = 3,
        .Axis = range15 ? VESSAMOR_AXIS(M2To2) : VESSAMOR_AXIS(M6To6)};
    WriteSensorKindRow(channel, row, target.Kind, target.English);
    channel.AdcZeroCode = code12 ? 2048 : 512;
    if (range15) channel.ValueToRawFn = code12 ? Accel15ToCode12 : Accel15ToCode10;
    else channel.ValueToRawFn = code12 ? Accel6ToCode12 : Accel6ToCode10;
  }
}

void SetupGasVolume(GraphView& view, const SensorSetupTarget& target) {
  ApplyRow(view, target.Channel, RowOf(47), 47, target.English);
  if (target.SecondChannelOn) {
    SetPlotGain(ApplyRow(view, RequestedChannel(view, 1), RowOf(46), 46, target.English), 3.0f, 47);
  }
  view.SetKindRate(125);
}

void SetupFlow(GraphView& view, const SensorSetupTarget& target) {
  SensorKindRow flow{.Symbol = Same("Q"), .Unit = {"мл/сек", "ml/s"}, .Conversion = One(LookupFlow), .Decimals = 1,
                     .ValueWidth = 6, .UnitWidthRu = 6, .UnitWidthEn = 6, .Axis = VESSAMOR_AXIS(0To1000),
                     .HistoryStepSeconds = 1};
  // A unit's further flow channels (code 50) read the flow without the table, with no display gain.
  const auto further = [&](std::size_t index) {
    SensorKindRow row = flow;
    row.Conversion = One(FlowFromCode12);
    VessamorChannel& channel = ApplyRow(view, index, row, 50, target.English);
    channel.PlotGainOn = 0;
    channel.PlotGain = 1.0f;
    channel.RateValueAtFn = IntegrateBetweenMarkersHook;
  };
  if (target.Kind == 50) {
    // Set up again from its own code, a further channel stays one.
    further(target.Channel);
  } else {
    VessamorChannel& channel = ApplyRow(view, target.Channel, flow, 49, target.English);
    channel.RateValueAtFn = IntegrateBetweenMarkersHook;
    if (target.RequestPending && target.SecondChannelOn) {
      for (std::size_t k = 1; k < RequestCount(view); ++k) further(RequestedChannel(view, k));
    }
  }
  view.SetKindRate(125);
}

void SetupMotion(GraphView& view, const SensorSetupTarget& target) {
  const bool second = target.RequestPending && target.SecondChannelOn;
  const std::size_t index = second ? RequestedChannel(view, 0) : target.Channel;
  VessamorChannel& channel = view.Channel(index);
  const auto own_index = static_cast<std::uint8_t>(LiveIndex(channel.ChannelIndex));
  switch (target.Kind) {
    case 52:
    case 57: {
      const SensorKindRow distance{.Symbol = Same("S"), .Unit = {"мм", "mm"},
                                   .Conversion = One(target.Kind == 57 ? DistanceFromEchoCode : LookupDistance),
                                   .Decimals = 2, .ValueWidth = 7, .UnitWidthRu = 2, .UnitWidthEn = 2,
                                   .Axis = VESSAMOR_AXIS(0To800)};
      ApplyRow(view, index, distance, target.Kind, target.English);
      view.MotionChannels[0] = own_index;
      if (!target.SecondChannelOn) return;
      break;
    }
    case 55:
      view.MotionChannels[1] = own_index;
      if (!target.SecondChannelOn) return;
      break;
    default: {  // 56: the derived pair follows the distance and speed channels found before
      ChannelSetupRequest& request = view.SetupRequest;
      request.SetupRequestCount = 3;
      request.SetupRequestChannels[0] = static_cast<std::uint8_t>(LiveIndex(view.MotionChannels[0]));
      request.SetupRequestChannels[1] = static_cast<std::uint8_t>(LiveIndex(view.MotionChannels[1]));
      request.SetupRequestChannels[2] = own_index;
      break;
    }
  }
  // The distance channel itself is not written again.
  for (std::size_t k = 1; k < RequestCount(view); ++k) WriteSpeedOrAcceleration(view, k, target.English);
}

void SetupHighRateSignal(GraphView& view, const SensorSetupTarget& target) {
  SensorKindRow signal{.Symbol = Same("Y"), .Unit = kNoUnit, .Conversion = One(FractionFromCode12), .Decimals = 3,
                       .ValueWidth = 5, .UnitWidthRu = 1, .UnitWidthEn = 1, .Axis = kIdentityAxis,
                       .Smoothing = SmoothingChoice::Off, .Filter = true, .SymbolCaption = 1};
  // Set up again from its own code, the sound unit's second channel stays the sound: it shares its
  // unit with a channel before it.
  const FTRecordDevice* unit = view.Channel(target.Channel).Device;
  const bool second_of_unit = !target.RequestPending && target.Kind == 78 && unit != nullptr &&
                              std::any_of(view.Channels.begin(), view.Channels.begin() + target.Channel,
                                          [unit](const auto& earlier) { return earlier->Device == unit; });
  if (second_of_unit) signal.Conversion = One(SoundFromCode12);
  VessamorChannel& channel = ApplyRow(view, target.Channel, signal, target.Kind, target.English);
  std::uint32_t rate = target.Kind == 44 ? 25000 : 10000;
  // The fast unit samples the signal at its own top rate.
  if (channel.DeviceType() == 7) rate = 100000;
  view.SetKindRate(rate);
  if (target.SecondChannelOn) {
    if (target.Kind == 78) signal.Conversion = One(SoundFromCode12);
    ApplyRow(view, RequestedChannel(view, 1), signal, target.Kind, target.English);
  }
}

void SetupRateKind(GraphView& view, const SensorSetupTarget& target) {
  const RateKind kind = RateKindFor(target.Kind);
  VessamorChannel& channel = view.Channel(target.Channel);
  WriteSensorKindRow(channel, kind.Row, target.Kind, target.English);
  kind.Install(channel);
  channel.RateMode = kind.RateMode;
  switch (target.Kind) {
    case 35:
      if (channel.DeviceTypeCode == 3) channel.RawToValueFn = FractionFromCode10;
      // Pulse is watched without end: the record wraps rather than stops.
      view.Continuous = 1;
      view.ContinuousKept = 1;
      break;
    case 40:
      TakeBreathingChoice(channel);
      if (channel.BreathRateShown == 0) {
        channel.Decimals = 2;
        channel.ValueWidth = 4;
        channel.UnitWidth = 1;
        channel.Unit.assign(1, ' ');
      }
      break;
    case 73:
    case 77:
      channel.ExtraValueShown = 1;
      break;
    default:
      break;
  }
  if (kind.Row.Filter) channel.ConfigureFilter();
  if (kind.Row.Rate != kRateUntouched) view.SetKindRate(kind.Row.Rate);
}

#undef VESSAMOR_AXIS
