// A channel's switch to the other range of its sensor, and the default sampling rate of each kind.
#include <string>
#include <utility>

#include "channels/conversions.h"
#include "channels/main_window_services.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"

namespace {

// The two conductivity ranges. The range menus write the Russian texts and the symbol "S" in
// either interface language; the calibration pages compare against exactly these texts.
struct ConductivityRange {
  RawToValueFnType Code12;
  RawToValueFnType Code10;
  std::uint16_t Decimals;
  std::int32_t UnitWidth;
  const char* UnitRu;
  const char* UnitEn;
  ScaleMapping Axis;
};

constexpr ConductivityRange kMilliSiemens{ConductivityMsFromCode12, ConductivityMsFromCode10, 3, 6, "мСм/см", "mS/cm",
                                          {AxisFraction0To5, AxisValue0To5}};
constexpr ConductivityRange kMicroSiemens{ConductivityUsFromCode12, ConductivityUsFromCode10, 2, 7, "мкСм/см", "µS/cm",
                                          {AxisFraction0To100, AxisValue0To100}};

void SwitchConductivity(VessamorChannel& channel, std::uint8_t code, const ConductivityRange& range) {
  const bool wide = channel.DeviceTypeCode == 11 || channel.DeviceTypeCode == 2;
  channel.RangeCheckFn = NeverBeyondRange;
  channel.RawToValueFn = wide ? range.Code12 : range.Code10;
  channel.Decimals = range.Decimals;
  channel.ValueWidth = 6;
  channel.UnitWidth = range.UnitWidth;
  channel.SensorCode = code;
  channel.Symbol = "S";
  channel.AxisLabel = "t";
  const bool english = channel.MainWindow != nullptr && channel.MainWindow->EnglishUi();
  channel.Unit = english ? range.UnitEn : range.UnitRu;
  channel.TimeUnit = english ? "s" : "сек";
  channel.ScaleMappingPair = range.Axis;
  channel.AxisTextScale = 1.0f;
  channel.UnitTextScale = 1.0f;
}

// The breathing sensor shows its rate in cycles per minute when the rate is chosen, else the
// signal; with the choice cleared it keeps what it showed. Without a window it shows the signal.
void SwitchBreathing(VessamorChannel& channel) {
  const MainWindowServices* window = channel.MainWindow;
  const bool english = window != nullptr && window->EnglishUi();
  if (window != nullptr) {
    TakeBreathingChoice(channel);
  } else {
    channel.BreathRateShown = 0;
  }
  const bool rate_display = channel.BreathRateShown != 0;
  channel.Symbol = "Y";
  channel.AxisLabel = "t";
  channel.TimeUnit = english ? "s" : "сек";
  if (rate_display) {
    channel.Decimals = 0;
    channel.ValueWidth = 3;
    channel.Unit = english ? "cycle/min" : "цикл/мин";
    channel.UnitWidth = 8;
  } else {
    channel.Decimals = 2;
    channel.ValueWidth = 4;
    channel.Unit = " ";
    channel.UnitWidth = 1;
  }
}

}  // namespace

void VessamorChannel::SwitchSensorRange(std::uint8_t sensor_code) {
  switch (sensor_code) {
    case 6:
      SwitchConductivity(*this, sensor_code, kMilliSiemens);
      break;
    case 19:
      SwitchConductivity(*this, sensor_code, kMicroSiemens);
      break;
    case 40:
      SwitchBreathing(*this);
      break;
    default:
      break;
  }
}

void GraphView::DefaultSampleRate(std::uint8_t device_type_code) {
  // The fastest unit family records sound and timing at its own top rate.
  const bool fast_unit = device_type_code == 7;
  std::uint32_t rate = 1000;
  switch (SensorCode) {
    case 27: case 45: case 46: case 48: case 49: case 84:
      rate = 125;
      break;
    case 41: case 43: case 54: case 73: case 74: case 77:
      rate = 10000;
      break;
    case 44:
      rate = fast_unit ? 100000 : 25000;
      break;
    case 78: case 79:
      rate = fast_unit ? 100000 : 10000;
      break;
    default:
      break;
  }
  RateSetting = rate;
  RateChosen = 0;
}

void VessamorChannel::SwapPendingPair() {
  if (SwapPending == 0) return;
  SwapPending = 0;
  // Only a waiting conversion replaces the present one; an empty slot keeps it.
  if (PendingRawToValueFn != nullptr) std::swap(RawToValueFn, PendingRawToValueFn);
  if (PendingValueToRawFn != nullptr) std::swap(ValueToRawFn, PendingValueToRawFn);
}
