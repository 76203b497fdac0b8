// The graph header per sensor kind (title, axis labels, value range and scales) and the kept live set-up.
#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>

#include "acquisition/worker_threads.h"
#include "channels/main_window_services.h"
#include "graph/graph_view.h"

namespace {

enum HeaderTail : std::uint8_t {
  kPlainRow,
  kPressureRow,     // 26, 87: the extended range when a shown channel is unclamped
  kHumidityRow,     // 27: likewise
  kCountRow,        // 15: the range follows the unit's family
  kAngleRow,        // 25: the wide range for a request of two or more channels
  kBreathingRow,    // 40: its own title, time range and grid
  kAtmosphereRow,   // 84: its own time range and grid
  kSoundRow,        // 44, 78, 79: a time step of 0.1 s
  kLabelsKept,      // 75: the labels stay as they were
};

struct HeaderRow {
  std::array<std::uint8_t, 4> Kinds;  // unused places 0, which no row claims
  std::int32_t Number;
  const char* TitleRu;
  const char* TitleEn;
  const char* ValueRu;
  const char* ValueEn;  // null: the same label in both languages
  double Top, Bottom;
  std::uint8_t Divisions;
  double Step;
  bool Axis = false;
  HeaderTail Tail = kPlainRow;
  std::int32_t NumberEn = 0;  // 0: the same number in both languages
};

constexpr const char* kTemperatureRu = "Измерение температуры";
constexpr const char* kTemperatureEn = "Measurement of temperature";
constexpr const char* kVoltageRu = "Измерение напряжения";
constexpr const char* kVoltageEn = "Voltage measurement";
constexpr const char* kCurrentRu = "Измерение силы тока";
constexpr const char* kCurrentEn = "Current measurement";
constexpr const char* kConductivityRu = "Измерение электропроводности";
constexpr const char* kConductivityEn = "Measuring the electrical conductivity";
constexpr const char* kTwoQuantityRu = "Измерение напряжения и силы тока";
constexpr const char* kTwoQuantityEn = "Voltage and current measurement";
constexpr const char* kPressureRu = "Измерение давления";
constexpr const char* kPressureEn = "Pressure measurement";
constexpr const char* kFieldRu = "Измерение магнитного поля";
constexpr const char* kFieldEn = "Measurement of magnetic field";
constexpr const char* kLightRu = "Измерение освещённости";
constexpr const char* kLightEn = "Illuminance measurement";
constexpr const char* kAngleRu = "Измерение угла";
constexpr const char* kAngleEn = "Angle measurement";

// The header of each kind as the teacher's worksheets know it; labels that look borrowed from
// another row ("g,a" for distance and force, "U,В" for gas volume) are kept on purpose.
const HeaderRow kHeaderRows[] = {
    {{1}, 17, kTemperatureRu, kTemperatureEn, "T,°C", nullptr, 110, -10, 12, 10},
    {{2}, 18, kTemperatureRu, kTemperatureEn, "T,°C", nullptr, 120, -20, 14, 10},
    {{3}, 19, kTemperatureRu, kTemperatureEn, "T,°C", nullptr, 150, -50, 8, 25},
    {{4}, 20, kTemperatureRu, kTemperatureEn, "T,°C", nullptr, 1000, -100, 22, 50},
    {{5}, 16, "Измерение pH", "pH measurement", "pH", nullptr, 14, 0, 7, 2},
    {{6, 29}, 8, kConductivityRu, kConductivityEn, "G", nullptr, 5, 0, 5, 1},
    {{7}, 10, "Измерение ускорения", "Acceleration measurement", "g,a", nullptr, 20, -20, 8, 5},
    {{8}, 11, "Измерение ускорения", "Acceleration measurement", "g,a", nullptr, 60, -60, 6, 20},
    {{9}, 4, kVoltageRu, kVoltageEn, "U,В", "U,V", 10, -10, 8, 2.5},
    {{68}, 4, kVoltageRu, kVoltageEn, "U,В", "U,V", 100, -100, 10, 20},
    {{69}, 4, kVoltageRu, kVoltageEn, "U,В", "U,V", 25, -25, 10, 5},
    {{70}, 4, kVoltageRu, kVoltageEn, "U,В", "U,V", 2.5, -2.5, 10, 0.5},
    {{71}, 4, kVoltageRu, kVoltageEn, "U,В", "U,V", 0.25, -0.25, 10, 0.05},
    {{10}, 1, kCurrentRu, kCurrentEn, "I,A", nullptr, 2, -2, 8, 0.5},
    {{66}, 1, kCurrentRu, kCurrentEn, "I,A", nullptr, 2.5, -2.5, 10, 0.5},
    {{67}, 1, kCurrentRu, kCurrentEn, "I,A", nullptr, 250, -250, 10, 50},
    {{11}, 21, kTwoQuantityRu, kTwoQuantityEn, "U,В", "U,V", 10, -10, 8, 2.5, true},
    {{12}, 5, kPressureRu, kPressureEn, "P,кПа", "P,kPa", 100, -100, 8, 25},
    {{13}, 6, kPressureRu, kPressureEn, "P,кПа", "P,kPa", 100, 0, 10, 10},
    {{85}, 6, kPressureRu, kPressureEn, "P,кПа", "P,kPa", 700, 0, 14, 50},
    {{86}, 6, kPressureRu, kPressureEn, "P,кПа", "P,kPa", 120, 0, 12, 10},
    {{26, 87}, 26, kPressureRu, kPressureEn, "P,кПа", "P,kPa", 200, 0, 10, 20, false, kPressureRow},
    {{14, 88}, 13, kFieldRu, kFieldEn, "B,мТл", "B,mT", 100, -100, 8, 25},
    {{36}, 13, kFieldRu, kFieldEn, "B,мТл", "B,mT", 1, -1, 8, 0.25},
    {{15}, 14, "Измерение", "Measurement", "N", nullptr, 0, 0, 0, 0, false, kCountRow},
    {{16}, 15, kVoltageRu, kVoltageEn, "U,В", "U,V", 50, -50, 10, 10},
    {{17}, 2, kCurrentRu, kCurrentEn, "I,мА", "I,mA", 20, -20, 8, 5, false, kPlainRow, 1},
    {{18}, 3, kCurrentRu, kCurrentEn, "I,мА", "I,mA", 200, -200, 8, 50, false, kPlainRow, 1},
    {{19, 30}, 9, kConductivityRu, kConductivityEn, "G", nullptr, 100, 0, 5, 20},
    {{20}, 22, kTwoQuantityRu, kTwoQuantityEn, "U,В", "U,V", 10, -10, 8, 2.5, true},
    {{21}, 23, kTwoQuantityRu, kTwoQuantityEn, "U,В", "U,V", 10, -10, 8, 2.5, true},
    {{22}, 24, kTwoQuantityRu, kTwoQuantityEn, "U,В", "U,V", 50, -50, 10, 10, true},
    {{23}, 2, kTwoQuantityRu, kTwoQuantityEn, "U,В", "U,V", 50, -50, 10, 10, true},
    {{24}, 12, kAngleRu, kAngleEn, "Ф,град", "F,°", 1800, -1800, 18, 200, true},
    {{25}, 12, kAngleRu, kAngleEn, "Ф,град", "F,°", 360, -360, 16, 50, false, kAngleRow},
    {{31}, 12, kAngleRu, kAngleEn, "А,град", "A,degr", 400, -400, 16, 50},
    {{27}, 3, "Измерение  влажности", "Humidity measurement", "RH,%%", nullptr, 100, 0, 10, 10, false,
     kHumidityRow, 1},
    {{32}, 7, kLightRu, kLightEn, "E,лк", "E,lx", 600, 0, 12, 50},
    {{33, 80, 81, 82}, 7, kLightRu, kLightEn, "E,лк", "E,lx", 6000, 0, 12, 500},
    {{34}, 7, "Измерение оптической плотности", "Optical density measurement", "D", nullptr, 3, 0, 12, 0.25},
    {{76}, 7, "Измерение мутности", "Turbidity measurement", "D", nullptr, 250, 0, 10, 25},
    {{35}, 12, "Измерение пульса", "Heart rate measurement", "Y", nullptr, 1, 0, 10, 0.1},
    {{37}, 12, "Измерение мощности дозы излучения", "Measurement of the radiation dose power", "Y", nullptr, 1,
     0, 10, 0.1},
    {{38}, 12, "Измерение электрокардиограммы", "Electrocardiogram measurement", "Y", nullptr, 1, 0, 10, 0.1},
    {{39}, 12, "Измерение артериального давления", "Blood pressure measurement", "P", nullptr, 220, 0, 11, 20},
    {{40}, 12, "Измерение частоты дыхания", "Measurement of the frequency of breath ", "Y", nullptr, 1, 0, 10,
     0.1, false, kBreathingRow},
    {{41, 43, 74}, 12, "Измерение положения", "Measurement of the position", "Y", nullptr, 1.5, -0.5, 8, 0.25},
    {{42}, 4, kVoltageRu, kVoltageEn, "U,В", "U,V", 10, -10, 8, 2.5},
    {{44, 78, 79}, 12, "Измерение звука", "Measurement of the sound", "Y", nullptr, 1, 0, 10, 0.1, false,
     kSoundRow},
    {{45, 47}, 21, "Измерение объёма и температуры", "Volume and temperature measurement", "U,В", "U,V", 300, 0, 12, 25, true},
    {{46}, 12, "Изохорный процесс", "Isochoric process", "Y", nullptr, 100, 0, 10, 10},
    {{48, 49, 50}, 6, "Измерение параметров дыхания", "Measurement of the breath parameters", "P,кПа", "P,kPa",
     1000, 0, 10, 100},
    {{52, 57}, 11, "Измерение расстояния", "Measurement of the distance", "g,a", nullptr, 800, 0, 16, 50},
    {{64, 65}, 12, "Измерение расстояния", "Measurement of the distance", "Y", nullptr, 300, 0, 12, 25},
    {{53}, 11, "Измерение силы", "Force measurement", "g,a", nullptr, 20, -20, 16, 2.5},
    {{59, 83}, 11, "Измерение силы", "Force measurement", "g,a", nullptr, 50, -50, 10, 10},
    {{54}, 20, kTemperatureRu, kTemperatureEn, "T,°C", nullptr, 140, 0, 7, 20},
    {{72}, 19, kTemperatureRu, kTemperatureEn, "T,°C", nullptr, 200, -50, 10, 25},
    {{73}, 12, "Измерение угловой скорости", "Measurement of the rotation", "Y", nullptr, 5, 0, 10, 0.5},
    {{77}, 12, "Измерение частоты вращения", "Measurement of the rotation", "Y", nullptr, 10, 0, 10, 1},
    {{75}, 11, "Измерение электрохимического потенциала", "Electrochemical potential measurement", nullptr, nullptr, 2.5, -2.5, 10, 0.5, false,
     kLabelsKept},
    {{84}, 11, "Измерение атмосферного давления", "Atmospheric pressure measurement", nullptr, nullptr, 780, 720, 12, 0, false,
     kAtmosphereRow},
    // Kinds without a row of their own read as the 0..4 V voltage sensor.
    {{}, 7, kVoltageRu, "Measurement of voltage", "U,В", "U,V", 4, 0, 8, 0.5},
};

const HeaderRow& RowOfKind(std::uint16_t kind) {
  for (const HeaderRow& row : kHeaderRows) {
    if (kind != 0 && std::find(row.Kinds.begin(), row.Kinds.end(), kind) != row.Kinds.end()) return row;
  }
  return std::end(kHeaderRows)[-1];
}

struct RangeChoice {
  double Top, Bottom;
  std::uint8_t Divisions;
  double Step;
};

// The range of the counter kind by the unit's family; none for a family without one.
const RangeChoice* CountRange(std::uint8_t family) {
  static constexpr RangeChoice kTen{1024, 0, 20, 50};
  static constexpr RangeChoice kTwelve{4096, 0, 40, 100};
  static constexpr RangeChoice kSigned{2048, -2048, 40, 100};
  switch (family) {
    case 1:
    case 3: return &kTen;
    case 11: return &kTwelve;
    case 2: return &kSigned;
    default: return nullptr;
  }
}

}  // namespace

void GraphView::SetCaption(std::int32_t number, const std::string& title, const std::string& first) {
  CaptionNumber = number;
  GraphTitle = title;
  RecordName = first;
  char text[32];
  std::snprintf(text, sizeof text, "частота %d", 1000);
  FrequencyCaption = text;
}

void GraphView::SetAxisLabels(const std::string& value_label, const std::string& time_label) {
  ValueAxisLabel = value_label;
  TimeAxisLabel = time_label;
}

bool GraphView::UnclampedChannelShown() const {
  return std::any_of(Channels.begin(), Channels.end(),
                     [](const auto& channel) { return channel->SavedShown != 0 && channel->NoClamp != 0; });
}

void GraphView::SetupGraphHeader(bool keep_time, const ChannelSetupRequest* request, bool request_flag) {
  const bool english = MainWindow != nullptr && MainWindow->EnglishUi();
  double time_step = Scale.SecondsPerDivision;
  if (!keep_time) {
    Scale.StartTime = 0.0;
    Scale.EndTime = 5.0;
    time_step = 0.5;
  }
  TimeDivisions = 10;

  const std::uint16_t kind = SensorCode;
  const HeaderRow& row = RowOfKind(kind);
  const std::int32_t number = english && row.NumberEn != 0 ? row.NumberEn : row.Number;
  SetCaption(number, english ? row.TitleEn : row.TitleRu, RecordName);
  if (row.ValueRu != nullptr) {
    SetAxisLabels(english && row.ValueEn != nullptr ? row.ValueEn : row.ValueRu,
                  english ? "t,s" : "t,сек");
  }
  RangeChoice range{row.Top, row.Bottom, row.Divisions, row.Step};
  TwoQuantityAxis = row.Axis ? 1 : 0;
  bool set_scales = true;
  switch (row.Tail) {
    case kPressureRow:
      if (UnclampedChannelShown()) range = {200, -20, 8, 27.5};
      break;
    case kHumidityRow:
      if (UnclampedChannelShown()) range = {100, -9, 10, 10.9};
      break;
    case kCountRow:
      if (const RangeChoice* by_family = CountRange(KindDeviceType)) {
        range = *by_family;
      } else {
        set_scales = false;
      }
      break;
    case kAngleRow:
      if (request != nullptr && request->SetupRequestCount >= 2) {
        range = {1800, -1800, 18, 200};
        TwoQuantityAxis = 1;
      }
      break;
    case kSoundRow:
      time_step = 0.1;
      break;
    default:
      break;
  }
  if (set_scales) {
    Scale.TopValue = range.Top;
    Scale.BottomValue = range.Bottom;
    ValueDivisions = range.Divisions;
  }

  if (row.Tail == kBreathingRow) {
    // The title names what the indicator shows: the breathing rate unless the raw signal is chosen;
    // with the choice cleared, what the breathing channel was set up as.
    const std::uint8_t mode = MainWindow != nullptr ? MainWindow->Bytes.BreathingDisplayMode.load() : 1;
    const auto breathing = std::find_if(Channels.begin(), Channels.end(), [](const auto& c) { return c->SensorCode == 40; });
    const bool rate_shown = mode == 1 || (mode == 0 && (breathing == Channels.end() || (*breathing)->BreathRateShown != 0));
    if (english) {
      GraphTitle = rate_shown ? "Breathing rate measurement" : "Breath-holding time measurement";
    } else {
      GraphTitle = rate_shown ? "Измерение частоты дыхания" : "Измерение времени задержки дыхания";
    }
    Scale.EndTime = 20.0;
    TimeDivisions = 20;
    SetScales(1.0f, 0.1f, 1);
    UpdateTimeGrid();
    PlaceTimeTicks();
  } else if (row.Tail == kAtmosphereRow) {
    Scale.EndTime = 50.0;
    TimeDivisions = 10;
    SetScales(5.0f, 5.0f, 1);
    UpdateTimeGrid();
    PlaceTimeTicks();
  } else if (set_scales) {
    SetScales(static_cast<float>(time_step), static_cast<float>(range.Step), 1);
  }

  if (SuppressChannelSetup == 0) {
    if (request_flag && request != nullptr) {
      SetupChannels(request->SetupRequestCount, request->SetupRequestChannels[0]);
    } else {
      // A sensor left out of the measurement sets none of its rate: the channels in it decide.
      const bool measuring = std::any_of(Channels.begin(), Channels.end(), [](const auto& c) { return c->SavedShown != 0; });
      for (std::int32_t i = 0; i < static_cast<std::int32_t>(kLiveChannels); ++i) {
        KindRateHeld = measuring && Channels[static_cast<std::size_t>(i)]->SavedShown == 0 ? 1 : 0;
        SetupChannels(0, i);
      }
      KindRateHeld = 0;
    }
  }
  SuppressChannelSetup = 0;

  if (FirstOfSensorCount == 2 && IsochoricView != 0) {
    GraphTitle = "Изохорный процесс";
  } else {
    IsochoricView = 0;
    if (FirstOfSensorCount >= 2 && kind != 45 && kind != 47 && kind != 82) {
      CaptionNumber = 256;
      GraphTitle = english ? "Measurement" : "Измерение";
    }
  }
  if (MainWindow != nullptr && !(kind == 40 && FirstOfSensorCount <= 1)) MainWindow->Bytes.BreathingDisplayMode = 0;
  if (MainWindow != nullptr) MainWindow->SetScaleSliders(static_cast<float>(Scale.ValuePerDivision), static_cast<float>(Scale.SecondsPerDivision));

  ColumnRecord* time_base = ColumnTables.empty() ? nullptr : ColumnTables.data();
  if (request_flag) {
    if (time_base != nullptr && ColumnsPerChannelCount >= 2) {
      time_base[0].FirstSample = 0;
      time_base[1].FirstSample = 0;
      time_base[1].SampleCount = static_cast<std::uint32_t>(std::max(Scale.SamplesPerColumn, 0.0));
    }
    Sweep.TimeOrigin = Scale.StartTime;
    return;
  }
  if (!keep_time) {
    if (time_base != nullptr && ColumnsPerChannelCount >= 2) time_base[1].FirstSample = 0;
    // A loaded record of another kind than the live sensor is what the user opened: it stays.
    if (kind != PreviousSensorCode && LiveSetupKept == 0) {
      {
        // A device worker that did not pause in time may still be writing a unit's codes.
        CodeLayoutHold layout(Devices);
        for (auto& channel : Channels) channel->CodeCount = 0;
      }
      SampleCount = 0;
      LastSampleIndex = 0;
      RecordViewable = 0;
    }
  }
  SetViewRect(ViewRect, 0xFF);
  if (RecordViewable != 0) {
    CursorColumn = std::min(CursorColumn, LastShownColumn);
    RedrawRequested = 1;
  }
  PreviousSensorCode = kind;
  ResetViewHistory();
  if (KeepChannelMarks == 0 && MainWindow != nullptr) MainWindow->MarkFirstChannelPerSensor();
  ReapplyScales();
}

namespace {

// The part of a channel's set-up that a loaded record replaces and the live view takes back.
void CopySetup(VessamorChannel& to, const VessamorChannel& from) {
  to.RangeCheckFn = from.RangeCheckFn;
  to.RawToValueFn = from.RawToValueFn;
  // The inverse belongs with the conversion: calibration would otherwise map through the record's.
  to.ValueToRawFn = from.ValueToRawFn;
  to.ScaleMappingPair = from.ScaleMappingPair;
  to.Decimals = from.Decimals;
  to.ValueWidth = from.ValueWidth;
  to.UnitWidth = from.UnitWidth;
  to.SensorCode = from.SensorCode;
  to.AxisLabel = from.AxisLabel;
  to.Symbol = from.Symbol;
  to.TimeUnit = from.TimeUnit;
  to.Unit = from.Unit;
  to.BreathRateShown = from.BreathRateShown;
  to.AxisTextScale = from.AxisTextScale;
  to.UnitTextScale = from.UnitTextScale;
  to.Enabled = from.Enabled;
  to.Shown = from.Shown;
  to.SavedShown = from.SavedShown;
  to.PlotGainOn = from.PlotGainOn;
  to.FilterOn = from.FilterOn;
  to.CodeOffset = from.CodeOffset;
  to.CodeOffset2 = from.CodeOffset2;
  to.CodeOffsetOn = from.CodeOffsetOn;
  to.FineOffsetOn = from.FineOffsetOn;
  to.FineOffset2On = from.FineOffset2On;
  to.ZeroOffsetOn = from.ZeroOffsetOn;
  to.ZeroOffset = from.ZeroOffset;
  to.ZeroOffset2 = from.ZeroOffset2;
  to.FineOffset = from.FineOffset;
  to.FineOffset2 = from.FineOffset2;
  to.EnteredValue = from.EnteredValue;
  to.AdcZeroCode = from.AdcZeroCode;
  to.DeviceTypeCode = from.DeviceTypeCode;
  to.Gain = from.Gain;
  to.GainSquared = from.GainSquared;
  to.MedianOn = from.MedianOn;
  to.SmoothingOn = from.SmoothingOn;
  to.NotchOn = from.NotchOn;
  to.BandPassOn = from.BandPassOn;
  to.MedianWindow = from.MedianWindow;
  to.SmoothingWindow = from.SmoothingWindow;
  to.FractionalCodes = from.FractionalCodes;
  to.NoClamp = from.NoClamp;
  to.Device = from.Device;
}

}  // namespace

void GraphView::SaveSetupToReference() {
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    if (!ReferenceChannels[k]) ReferenceChannels[k] = std::make_unique<VessamorChannel>();
    CopySetup(*ReferenceChannels[k], *Channels[k]);
  }
}

void GraphView::RestoreSetupFromReference() {
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    // Nothing was kept for this channel: its live set-up is the one to keep.
    if (!ReferenceChannels[k]) continue;
    CopySetup(*Channels[k], *ReferenceChannels[k]);
    Channels[k]->ConfigureFilter();
  }
}

void GraphView::SaveCaption() {
  KeptCaption.Title = GraphTitle;
  KeptCaption.First = RecordName;
  KeptCaption.Kind = SensorCode;
  KeptCaption.Rate = RateSetting;
  KeptCaption.Mode = DisplayMode;
  KeptCaption.Kept = 1;
}

void GraphView::RestoreCaption() {
  if (KeptCaption.Kept != 0) {
    GraphTitle = KeptCaption.Title;
    RecordName = KeptCaption.First;
    SensorCode = KeptCaption.Kind;
    RateSetting = KeptCaption.Rate;
    DisplayMode = KeptCaption.Mode;
  }
  KeptCaption.Kept = 0;
}

void GraphView::InstallSetupHooks() {
  SetupHooks.SaveSetupToReference = [this] { SaveSetupToReference(); };
  SetupHooks.SaveCaption = [this] { SaveCaption(); };
  SetupHooks.RestoreSetupFromReference = [this] { RestoreSetupFromReference(); };
  SetupHooks.RestoreCaption = [this] { RestoreCaption(); };
  SetupHooks.SyncIndicatorPanes = [this] { SyncIndicatorPanes(); };
  // A loaded record's channels bring their set-up from the file; the header leaves them as loaded.
  SetupHooks.SetupGraphHeader = [this] {
    if (LiveSetupKept != 0) SuppressChannelSetup = 1;
    SetupGraphHeader(false, nullptr, false);
  };
  SetupHooks.CountMarkedPoints = [this] { return CountMarkedPoints(); };
  SetupHooks.ClearMarkedPoints = [this] { ClearMarkedPoints(); };
}
