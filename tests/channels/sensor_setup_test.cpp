// Tests of the sensor-kind set-up: kind and channel choice, display reset, per-kind rows, range switch, rates, spans.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "channels/conversions.h"
#include "channels/sensor_kind_table.h"
#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"

namespace {

constexpr PixelRect kGraphRect{40, 60, 1240, 860};

struct SetupFixture {
  explicit SetupFixture(bool english = false) {
    window.Bytes.EnglishUi = english ? 1 : 0;
    view.Init(100000, kGraphRect, 0xFF, &window);
  }
  void SetDeviceType(std::uint8_t type) {
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) view.Channel(k).DeviceTypeCode = type;
  }
  void Request(std::uint8_t code, std::vector<std::uint8_t> channels) {
    view.SetupRequest.SetupRequestCode = code;
    view.SetupRequest.SetupRequestCount = static_cast<std::uint8_t>(channels.size());
    for (std::size_t k = 0; k < channels.size() && k < 4; ++k) view.SetupRequest.SetupRequestChannels[k] = channels[k];
    view.SetupRequest.SetupRequestPending = 1;
  }
  FakeMainWindow window;
  GraphView view;
};

float AxisAt(const VessamorChannel& channel, float fraction) { return channel.ScaleMappingPair.Inverse(&fraction); }
float AxisBottom(const VessamorChannel& channel) { return AxisAt(channel, 0.0f); }
float AxisTop(const VessamorChannel& channel) { return AxisAt(channel, 1.0f); }

// Marks a channel so that a display reset shows: rate mode, caption, smoothing and laid-out flags.
void MarkDisplay(VessamorChannel& channel) {
  channel.RateMode = 1;
  channel.SymbolCaption = 1;
  channel.SmoothingOn = 0;
  channel.IndicatorLaidOut = 1;
  channel.RateDetector.Started = 1;
}

bool WasReset(const VessamorChannel& channel) {
  return channel.RateMode == 0 && channel.SymbolCaption == 0 && channel.SmoothingOn == 1 &&
         channel.FractionalCodes == 1 && channel.IndicatorLaidOut == 0 && channel.RateDetector.Started == 0;
}

// ---- the default voltage row ----

TEST(SensorSetupDefaultRow, KindsWithoutARowBecomeTheVoltageSensorWithTheirOwnCode) {
  const std::array<std::pair<std::uint8_t, RawToValueFnType>, 3> types{
      {{1, VoltsFromCode10}, {2, VoltsFromCode12}, {3, VoltsFromCode12}}};
  for (std::uint16_t kind : {0, 28, 47, 89, 200}) {
    for (const auto& [type, expected] : types) {
      // The three ways a kind reaches the set-up: the view's code, the channel's own code, a request.
      for (int path = 0; path < 3; ++path) {
        SetupFixture f;
        f.SetDeviceType(type);
        if (path == 0) {
          f.view.SensorCode = kind;
          f.view.SetupChannels(0, -1);
        } else if (path == 1) {
          f.view.Channel(0).SensorCode = kind;
          f.view.SetupChannels(0, 0);
        } else {
          f.Request(static_cast<std::uint8_t>(kind), {0});
          f.view.SetupChannels(1, 0);
        }
        const VessamorChannel& c = f.view.Channel(0);
        SCOPED_TRACE(testing::Message() << "kind " << kind << " type " << int(type) << " path " << path);
        EXPECT_EQ(c.RawToValueFn, expected);
        EXPECT_EQ(c.SensorCode, kind);
        EXPECT_EQ(c.Symbol + c.Unit, "UВ");
        EXPECT_FLOAT_EQ(AxisTop(c), 4.0f);
      }
    }
  }
}

// ---- the 10/12-bit choice by the unit's type ----

TEST(SensorSetupConversions, TheUnitTypeChoosesTheConversionMember) {
  struct Case {
    std::uint16_t kind;
    RawToValueFnType type1;
    RawToValueFnType type2;
    RawToValueFnType type11;
  };
  const std::array<Case, 12> cases{{
      {1, LookupTable1024, LookupTable4096, LookupTable4096},
      {5, PhFromCode10, PhFromCode10, PhFromCode12},
      {6, ConductivityMsFromCode10, ConductivityMsFromCode12, ConductivityMsFromCode12},
      {29, ConductivityMsFromCode10, ConductivityMsFromCode12, ConductivityMsFromCode12},
      {9, Volts10FromCode10, Volts20FromCode16, Volts10FromCode12},
      {15, RawCodeFromCode10, RawCodeFromCode16, RawCodeFromCode10},
      {19, ConductivityUsFromCode10, ConductivityUsFromCode12, ConductivityUsFromCode12},
      {24, Angle1800FromCode10, Angle1800FromCode10, Angle1800FromCode12},
      {27, HumidityFromCode12, HumidityFromCode12, HumidityFromCode12},
      {43, FractionFromCode10, FractionFromCode12, FractionFromCode12},
      {74, FractionFromCode10, FractionFromCode12, FractionFromCode12},
      {0, VoltsFromCode10, VoltsFromCode12, VoltsFromCode12},
  }};
  for (const Case& c : cases) {
    for (const auto& [type, expected] : {std::pair{std::uint8_t{1}, c.type1}, std::pair{std::uint8_t{2}, c.type2},
                                         std::pair{std::uint8_t{11}, c.type11}}) {
      SetupFixture f;
      f.SetDeviceType(type);
      f.view.SensorCode = c.kind;
      f.view.SetupChannels(0, -1);
      EXPECT_EQ(f.view.Channel(0).RawToValueFn, expected) << "kind " << c.kind << " type " << int(type);
    }
  }
}

// ---- which channels a call resets and sets up ----

TEST(SensorSetupChannels, WithoutARequestTheIndexChoosesWhichChannelsAreReset) {
  struct Case {
    std::int32_t index;
    std::size_t set_up;
    std::array<bool, 4> reset;
  };
  const std::array<Case, 7> cases{{
      {-1, 0, {true, true, true, true}},
      {-40, 0, {true, true, true, true}},
      {0, 0, {true, true, false, false}},
      {1, 1, {false, true, true, false}},
      {2, 2, {false, false, true, true}},
      {3, 3, {false, false, false, true}},
      {9, 3, {false, false, false, true}},  // held to the last live channel
  }};
  for (const Case& c : cases) {
    SetupFixture f;
    f.view.SensorCode = 13;
    for (std::size_t k = 0; k < 4; ++k) {
      MarkDisplay(f.view.Channel(k));
      f.view.Channel(k).SensorCode = 0;
      f.view.Channel(k).PlotGainOn = 1;
      f.view.Channel(k).PlotGain = 5.0f;
    }
    f.view.SetupChannels(1, c.index);
    for (std::size_t k = 0; k < 4; ++k) {
      const VessamorChannel& ch = f.view.Channel(k);
      SCOPED_TRACE(testing::Message() << "index " << c.index << " channel " << k);
      EXPECT_EQ(WasReset(ch), c.reset[k]);
      EXPECT_EQ(ch.SensorCode, k == c.set_up ? 13 : 0);
      // A set-up of all channels takes the display gain off the second and fourth.
      const bool gain_off = c.index < 0 && k % 2 == 1;
      EXPECT_EQ(ch.PlotGainOn, gain_off ? 0 : 1);
      EXPECT_FLOAT_EQ(ch.PlotGain, gain_off ? 1.0f : 5.0f);
    }
  }
}

TEST(SensorSetupChannels, TheTakeViewCodeFlagChoosesBetweenViewAndChannelCode) {
  SetupFixture f;
  f.view.SensorCode = 13;
  f.view.Channel(2).SensorCode = 17;
  f.view.SetupChannels(0, 2);
  EXPECT_EQ(f.view.Channel(2).SensorCode, 17);
  EXPECT_EQ(f.view.Channel(2).Unit, "мА");
  f.view.SetupChannels(1, 2);
  EXPECT_EQ(f.view.Channel(2).SensorCode, 13);
  EXPECT_EQ(f.view.Channel(2).Unit, "кПа");
}

TEST(SensorSetupChannels, APendingRequestResetsTheRequestedChannelsHeldToTheLiveOnes) {
  struct Case {
    std::vector<std::uint8_t> channels;
    std::int32_t index;
    std::array<bool, 4> reset;
    std::size_t set_up;
  };
  const std::vector<Case> cases{
      {{2}, 2, {false, false, true, false}, 2},
      {{3, 1}, 3, {false, true, false, true}, 3},
      {{0, 1, 2, 3}, 0, {true, true, true, true}, 0},
      {{}, 1, {false, false, false, false}, 1},
      // Entries and indexes beyond the live channels are held to channel 3.
      {{200, 7}, 250, {false, false, false, true}, 3},
      {{1}, -5, {false, true, false, false}, 0},
  };
  for (const Case& c : cases) {
    SetupFixture f;
    for (std::size_t k = 0; k < 4; ++k) {
      MarkDisplay(f.view.Channel(k));
      f.view.Channel(k).SensorCode = 0;
    }
    f.Request(86, c.channels);
    f.view.SetupChannels(static_cast<std::uint8_t>(c.channels.size()), c.index);
    for (std::size_t k = 0; k < 4; ++k) {
      EXPECT_EQ(WasReset(f.view.Channel(k)), c.reset[k]) << "index " << c.index << " channel " << k;
      EXPECT_EQ(f.view.Channel(k).SensorCode, k == c.set_up ? 86 : 0) << "index " << c.index << " channel " << k;
    }
  }
}

TEST(SensorSetupChannels, TheRequestIsNeverLeftPending) {
  SetupFixture f;
  for (int kind = 0; kind < 256; ++kind) {
    for (bool pending : {false, true}) {
      for (std::int32_t index : {-1, 0, 3, 12}) {
        f.view.SensorCode = static_cast<std::uint16_t>(kind);
        if (pending) f.Request(static_cast<std::uint8_t>(kind), {1, 2});
        f.view.SetupChannels(1, index);
        ASSERT_EQ(f.view.SetupRequest.SetupRequestPending, 0) << kind << " " << pending << " " << index;
      }
    }
  }
}

// ---- the rows ----

TEST(SensorSetupRows, SymbolsUnitsAndWidthsFollowTheInterfaceLanguage) {
  struct Case {
    std::uint16_t kind;
    bool english;
    const char* symbol;
    const char* unit;
    std::uint16_t decimals;
    std::int32_t value_width;
    std::int32_t unit_width;
    float unit_scale;
    float bottom;
    float top;
  };
  const std::array<Case, 9> cases{{
      {1, false, "T", "°C", 2, 6, 2, 1.0f, -10, 110},
      {5, true, "pH", "units", 2, 6, 5, 0.9f, 0, 14},
      {30, true, "G", "mkS/sm", 2, 6, 7, 1.15f, 0, 100},
      {15, true, "N", "", 0, 6, 1, 1.0f, 0, 4096},
      {24, true, "F", "°", 1, 7, 2, 1.0f, -1800, 1800},
      {31, false, "\xD0\x90", "град", 1, 6, 4, 1.0f, -400, 400},  // Cyrillic A
      {76, false, "мутность", "FNU", 1, 5, 4, 1.0f, 0, 250},
      {76, true, "Y", "", 1, 5, 4, 1.0f, 0, 250},
      {84, false, "P", "мм рт.ст.", 0, 4, 8, 1.2f, 0, 60},
  }};
  for (const Case& c : cases) {
    SetupFixture f(c.english);
    f.view.SensorCode = c.kind;
    f.view.SetupChannels(0, -1);
    const VessamorChannel& ch = f.view.Channel(0);
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << (c.english ? " en" : " ru"));
    EXPECT_EQ(ch.Symbol, c.symbol);
    EXPECT_EQ(ch.Unit, c.unit);
    EXPECT_EQ(ch.TimeUnit, c.english ? "s" : "сек");
    EXPECT_EQ(ch.Decimals, c.decimals);
    EXPECT_EQ(ch.ValueWidth, c.value_width);
    EXPECT_EQ(ch.UnitWidth, c.unit_width);
    EXPECT_FLOAT_EQ(ch.UnitTextScale, c.unit_scale);
    EXPECT_FLOAT_EQ(AxisBottom(ch), c.bottom);
    EXPECT_FLOAT_EQ(AxisTop(ch), c.top);
  }
}

TEST(SensorSetupRows, EveryRowsAxisMatchesTheKindsScaleSpan) {
  GraphView view;
  for (const SensorKindRow& row : SensorKindRows()) {
    for (std::uint16_t kind : {std::uint16_t{row.Kind}, std::uint16_t{row.AlsoKind}}) {
      // The table keeps 100 for kind 13, half of its 0..200 axis.
      if (kind == 0 || kind == 13) continue;
      float zero = 0.0f, one = 1.0f;
      const float span = row.Axis.Inverse(&one) - row.Axis.Inverse(&zero);
      EXPECT_FLOAT_EQ(view.ScaleSpan(kind), span) << kind;
    }
  }
}

TEST(SensorSetupRows, NoClampWidensTheAxesOfThePressureAndHumidityKinds) {
  struct Case {
    std::uint16_t kind;
    std::uint8_t no_clamp;
    float bottom;
    float top;
  };
  const std::array<Case, 4> cases{{{26, 0, 0, 200}, {26, 1, -20, 200}, {27, 0, 0, 100}, {27, 1, -9, 100}}};
  for (const Case& c : cases) {
    SetupFixture f;
    f.view.Channel(0).NoClamp = c.no_clamp;
    f.view.SensorCode = c.kind;
    f.view.SetupChannels(0, -1);
    EXPECT_FLOAT_EQ(AxisBottom(f.view.Channel(0)), c.bottom) << c.kind << " " << int(c.no_clamp);
    EXPECT_FLOAT_EQ(AxisTop(f.view.Channel(0)), c.top) << c.kind << " " << int(c.no_clamp);
  }
}

TEST(SensorSetupRows, SmoothingOptionsRatesAndCaptions) {
  struct Case {
    std::uint16_t kind;
    std::uint8_t smoothing;
    std::uint16_t window;
    std::uint32_t rate;  // 0: the rates stay as they were
    std::uint8_t symbol_caption;
  };
  constexpr std::uint16_t kKept = 33;
  const std::array<Case, 5> cases{{{27, 1, 100, 125, 0}, {36, 1, 100, 0, 0}, {38, 1, kKept, 0, 1},
                                   {41, 0, kKept, 10000, 1}, {65, 1, 10, 1000, 0}}};
  for (const Case& c : cases) {
    SetupFixture f;
    f.view.RateSetting = 777;
    f.view.RecordRate = 777;
    f.view.Channel(0).SmoothingWindow = kKept;
    f.view.SensorCode = c.kind;
    f.view.SetupChannels(0, -1);
    const VessamorChannel& ch = f.view.Channel(0);
    SCOPED_TRACE(testing::Message() << "kind " << c.kind);
    EXPECT_EQ(ch.SmoothingOn, c.smoothing);
    EXPECT_EQ(ch.SmoothingWindow, c.window);
    // The filter options were applied after the row's smoothing choice.
    EXPECT_EQ(ch.FractionalCodes, c.smoothing);
    EXPECT_EQ(f.view.RateSetting, c.rate != 0 ? c.rate : 777u);
    EXPECT_EQ(f.view.RecordRate, c.rate != 0 ? c.rate : 777u);
    EXPECT_EQ(ch.SymbolCaption, c.symbol_caption);
  }
}

TEST(SensorSetupRows, TheDistanceSensorsRateFollowsTheNumberOfOpenUnits) {
  struct Case {
    int open_units;  // -1: no counter installed
    std::uint8_t viewable;
    std::uint32_t rate;
    std::uint32_t record_rate;
  };
  const std::array<Case, 6> cases{{{-1, 0, 1000, 1000}, {0, 0, 1000, 1000}, {1, 0, 200, 200}, {2, 0, 1000, 1000},
                                   {4, 0, 1000, 1000}, {1, 1, 200, 333}}};
  for (const Case& c : cases) {
    SetupFixture f;
    if (c.open_units >= 0) f.view.CountDevices = [n = c.open_units] { return static_cast<std::uint32_t>(n); };
    f.view.RecordViewable = c.viewable;
    f.view.RecordRate = 333;
    f.view.SensorCode = 64;
    f.view.SetupChannels(0, -1);
    EXPECT_EQ(f.view.RateSetting, c.rate) << c.open_units;
    EXPECT_EQ(f.view.RecordRate, c.record_rate) << c.open_units;
    EXPECT_EQ(f.view.Channel(0).SmoothingOn, 0);
    EXPECT_EQ(f.view.Channel(0).FractionalCodes, 0);
  }
}

// ---- range switch ----

TEST(SensorRangeSwitch, ConductivityRangesWriteTheirRussianTextsInEitherLanguage) {
  struct Case {
    std::uint8_t code;
    std::uint8_t device_type;
    RawToValueFnType conversion;
    std::uint16_t decimals;
    std::int32_t unit_width;
    const char* unit;
    float top;
  };
  const std::array<Case, 2> cases{{{6, 1, ConductivityMsFromCode10, 3, 6, "мСм/см", 5},
                                   {19, 2, ConductivityUsFromCode12, 2, 7, "мкСм/см", 100}}};
  for (const Case& c : cases) {
    for (bool english : {false, true}) {
      SetupFixture f(english);
      VessamorChannel& ch = f.view.Channel(0);
      ch.DeviceTypeCode = c.device_type;
      ch.AxisTextScale = 1.5f;
      ch.UnitTextScale = 1.15f;
      ch.SwitchSensorRange(c.code);
      SCOPED_TRACE(testing::Message() << "code " << int(c.code) << " type " << int(c.device_type));
      EXPECT_EQ(ch.RawToValueFn, c.conversion);
      EXPECT_EQ(ch.SensorCode, c.code);
      EXPECT_EQ(ch.Decimals, c.decimals);
      EXPECT_EQ(ch.UnitWidth, c.unit_width);
      EXPECT_EQ(ch.Symbol + ch.Unit + ch.TimeUnit, "S" + std::string(c.unit) + "сек");
      EXPECT_FLOAT_EQ(AxisTop(ch), c.top);
      EXPECT_FLOAT_EQ(ch.AxisTextScale, 1.0f);
    }
  }
}

TEST(SensorRangeSwitch, BreathingShowsTheRateOnlyInDisplayMode1) {
  struct Case {
    std::uint8_t mode;
    bool english;
    std::uint16_t decimals;
    std::int32_t value_width;
    const char* unit;
    std::int32_t unit_width;
  };
  const std::array<Case, 4> cases{
      {{1, false, 0, 3, "цикл/мин", 8}, {1, true, 0, 3, "cycle/min", 8},
       {0, false, 2, 4, " ", 1}, {7, true, 2, 4, " ", 1}}};
  for (const Case& c : cases) {
    SetupFixture f(c.english);
    f.window.Bytes.BreathingDisplayMode = c.mode;
    VessamorChannel& ch = f.view.Channel(1);
    ch.RawToValueFn = FractionFromCode12;
    ch.SensorCode = 40;
    ch.UnitTextScale = 1.15f;
    ch.SwitchSensorRange(40);
    SCOPED_TRACE(testing::Message() << "mode " << int(c.mode));
    EXPECT_EQ(ch.Decimals, c.decimals);
    EXPECT_EQ(ch.ValueWidth, c.value_width);
    EXPECT_EQ(ch.Unit, c.unit);
    EXPECT_EQ(ch.UnitWidth, c.unit_width);
    EXPECT_EQ(ch.TimeUnit, c.english ? "s" : "сек");
    EXPECT_EQ(ch.RawToValueFn, FractionFromCode12);  // the conversion stays
  }
}

TEST(SensorRangeSwitch, OtherCodesAndAChannelWithoutAWindowAreSafe) {
  SetupFixture f;
  VessamorChannel& ch = f.view.Channel(0);
  f.view.SensorCode = 13;
  f.view.SetupChannels(0, -1);
  for (std::uint8_t code : {0, 5, 29, 41, 255}) {
    ch.SwitchSensorRange(code);
    EXPECT_EQ(ch.SensorCode, 13);
    EXPECT_EQ(ch.Unit, "кПа");
    EXPECT_EQ(ch.RawToValueFn, Pressure13FromCode12);
  }
  VessamorChannel loose;  // no main window: the signal display, Russian texts
  loose.SwitchSensorRange(40);
  EXPECT_EQ(loose.Unit, " ");
  EXPECT_EQ(loose.TimeUnit, "сек");
}

// ---- default rates and spans ----

TEST(DefaultSampleRate, RatesByKindAndUnitType) {
  struct Case {
    std::uint16_t kind;
    std::uint8_t device_type;
    std::uint32_t rate;
  };
  const std::array<Case, 22> cases{{
      {27, 11, 125},   {45, 11, 125},    {46, 1, 125},     {48, 11, 125},    {49, 7, 125},    {84, 11, 125},
      {41, 11, 10000}, {43, 7, 10000},   {54, 11, 10000},  {73, 11, 10000},  {74, 2, 10000},  {77, 11, 10000},
      {44, 7, 100000}, {44, 11, 25000},  {78, 7, 100000},  {78, 11, 10000},  {79, 7, 100000}, {79, 3, 10000},
      {64, 11, 1000},  {65, 11, 1000},   {0, 7, 1000},     {200, 11, 1000},
  }};
  for (const Case& c : cases) {
    GraphView view;
    view.RecordRate = 333;
    view.SensorCode = c.kind;
    view.DefaultSampleRate(c.device_type);
    EXPECT_EQ(view.RateSetting, c.rate) << c.kind << " type " << int(c.device_type);
    EXPECT_EQ(view.RecordRate, 333u) << c.kind;
  }
}

TEST(ScaleSpans, EveryEntryHasItsDefaultSpan) {
  const std::array<float, GraphView::kScaleSpanCount> expected{
      4,                                                     // 0
      120,  140,  200,  1100, 14,  5,   40,  120,  20,       // 1-9
      4,    20,   200,  100,  200, 4096, 100, 40, 400, 100,  // 10-19
      20,   20,   100,  100,  3600, 720, 200, 100, 100, 5,   // 20-29
      100,  800,  600,  6000, 3,   1,   2,   1,   1,   220,  // 30-39
      1,    2,    20,   2,    1,   300, 100, 300, 1000, 1000,  // 40-49
      1000, 4,    800,  40,   140, 20,  200, 800, 4,   40,   // 50-59
      220,  109,  4,    4,    300, 300, 5,   500, 200, 50,   // 60-69
      5,    0.5f, 250,  5,    2,   5,   250, 10,  1,   1,    // 70-79
      6000, 150,  6000, 100,  60,  700, 120, 200, 200};      // 80-88
  GraphView view;
  view.ScaleSpans.fill(-1.0f);
  view.InitScaleSpans();
  for (std::size_t k = 0; k < expected.size(); ++k) EXPECT_FLOAT_EQ(view.ScaleSpans[k], expected[k]) << k;
}

}  // namespace
