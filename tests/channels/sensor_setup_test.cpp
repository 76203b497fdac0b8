// Tests of the sensor-kind set-up: kind and channel choice, display reset, per-kind rows, range switch, rates, spans.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "channel_fixtures.h"
#include "channels/conversions.h"
#include "channels/sensor_kind_table.h"

namespace {

// Marks a channel so that a display reset shows.
void MarkDisplay(VessamorChannel& channel) {
  channel.RateMode = channel.SymbolCaption = channel.IndicatorLaidOut = channel.RateDetector.Started = 1;
  channel.SmoothingOn = 0;
  channel.SensorCode = 0;
}

bool WasReset(const VessamorChannel& channel) {
  return channel.RateMode == 0 && channel.SymbolCaption == 0 && channel.SmoothingOn == 1 &&
         channel.FractionalCodes == 1 && channel.IndicatorLaidOut == 0 && channel.RateDetector.Started == 0;
}

TEST(SensorSetupDefaultRow, KindsWithoutARowBecomeTheVoltageSensorWithTheirOwnCode) {
  for (std::uint16_t kind : {0, 28, 200}) {
    for (const auto& [type, expected] : {std::pair{std::uint8_t{1}, RawToValueFnType{VoltsFromCode10}},
                                         {std::uint8_t{2}, VoltsFromCode12},
                                         {std::uint8_t{3}, VoltsFromCode12}}) {
      // The three ways a kind reaches the set-up: the view's code, the channel's own code, a request.
      for (int path : {0, 1, 2}) {
        SetupView f;
        f.SetDeviceType(type);
        if (path == 0) f.SetupAll(kind);
        if (path == 1) f.SetupOwn(0, kind);
        if (path == 2) f.SetupUnit(static_cast<std::uint8_t>(kind), {0});
        const VessamorChannel& c = f.Ch(0);
        SCOPED_TRACE(testing::Message() << "kind " << kind << " type " << int(type) << " path " << path);
        EXPECT_EQ(c.RawToValueFn, expected);
        EXPECT_EQ(c.SensorCode, kind);
        EXPECT_EQ(c.Symbol + c.Unit, "UВ");
        EXPECT_FLOAT_EQ(AxisAt(c, 1.0f), 4.0f);
      }
    }
  }
}

TEST(SensorSetupChannels, WithoutARequestTheIndexChoosesWhichChannelsAreReset) {
  struct Case {
    std::int32_t index;
    std::size_t set_up;
    std::array<bool, 4> reset;
  };
  const Case cases[] = {
      {-1, 0, {true, true, true, true}},   {0, 0, {true, true, false, false}},
      {1, 1, {false, true, true, false}},  {2, 2, {false, false, true, true}},
      {3, 3, {false, false, false, true}}, {9, 3, {false, false, false, true}},  // held to the last live channel
  };
  for (const Case& c : cases) {
    SetupView f;
    f.view.SensorCode = 13;
    for (std::size_t k = 0; k < 4; ++k) {
      MarkDisplay(f.Ch(k));
      f.Ch(k).PlotGainOn = 1;
      f.Ch(k).PlotGain = 5.0f;
    }
    f.view.SetupChannels(1, c.index);
    for (std::size_t k = 0; k < 4; ++k) {
      SCOPED_TRACE(testing::Message() << "index " << c.index << " channel " << k);
      EXPECT_EQ(WasReset(f.Ch(k)), c.reset[k]);
      EXPECT_EQ(f.Ch(k).SensorCode, k == c.set_up ? 13 : 0);
      // A set-up of all channels takes the display gain off the second and fourth.
      EXPECT_EQ(f.Ch(k).PlotGainOn, c.index < 0 && k % 2 == 1 ? 0 : 1);
    }
  }
  // The take-view-code flag chooses between the view's code and the channel's.
  SetupView f;
  f.view.SensorCode = 13;
  f.SetupOwn(2, 17);
  EXPECT_EQ(f.Ch(2).Unit, "мА");
  f.view.SetupChannels(1, 2);
  EXPECT_EQ(f.Ch(2).Unit, "кПа");
}

TEST(SensorSetupChannels, APendingRequestResetsTheRequestedChannelsHeldToTheLiveOnes) {
  struct Case {
    std::vector<std::uint8_t> channels;
    std::int32_t index;
    std::array<bool, 4> reset;
    std::size_t set_up;
  };
  const Case cases[] = {
      {{3, 1}, 3, {false, true, false, true}, 3},
      {{0, 1, 2, 3}, 0, {true, true, true, true}, 0},
      {{}, 1, {false, false, false, false}, 1},
      {{200, 7}, 250, {false, false, false, true}, 3},  // beyond the live channels: channel 3
      {{1}, -5, {false, true, false, false}, 0},
  };
  for (const Case& c : cases) {
    SetupView f;
    for (std::size_t k = 0; k < 4; ++k) MarkDisplay(f.Ch(k));
    f.Request(86, c.channels);
    f.view.SetupChannels(static_cast<std::uint8_t>(c.channels.size()), c.index);
    for (std::size_t k = 0; k < 4; ++k) {
      EXPECT_EQ(WasReset(f.Ch(k)), c.reset[k]) << "index " << c.index << " channel " << k;
      EXPECT_EQ(f.Ch(k).SensorCode, k == c.set_up ? 86 : 0) << "index " << c.index << " channel " << k;
    }
  }
}

TEST(SensorSetupChannels, TheRequestIsNeverLeftPending) {
  SetupView f;
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

TEST(SensorSetupRows, TheDistanceSensorsRateFollowsTheNumberOfOpenUnits) {
  struct Case {
    int open_units;  // -1: no counter installed
    std::uint8_t viewable;
    std::uint32_t rate, record_rate;
  };
  for (const Case& c : {Case{-1, 0, 1000, 1000}, Case{0, 0, 1000, 1000}, Case{1, 0, 200, 200}, Case{2, 0, 1000, 1000},
                        Case{1, 1, 200, 333}}) {
    SetupView f;
    if (c.open_units >= 0) f.view.CountDevices = [n = c.open_units] { return static_cast<std::uint32_t>(n); };
    f.view.RecordViewable = c.viewable;
    f.view.RecordRate = 333;
    f.SetupAll(64);
    EXPECT_EQ(f.view.RateSetting, c.rate) << c.open_units;
    EXPECT_EQ(f.view.RecordRate, c.record_rate) << c.open_units;
    EXPECT_EQ(f.Ch(0).FractionalCodes, 0);
  }
}

TEST(SensorRangeSwitch, BreathingShowsTheRateOnlyInDisplayMode1AndOtherCodesAreSafe) {
  struct Case {
    std::uint8_t mode;
    bool english;
    std::uint16_t decimals;
    const char* unit;
  };
  for (const Case& c : {Case{1, false, 0, "цикл/мин"}, Case{1, true, 0, "cycle/min"}, Case{7, true, 2, " "}}) {
    SetupView f(c.english);
    f.window.Bytes.BreathingDisplayMode = c.mode;
    VessamorChannel& ch = f.Ch(1);
    ch.RawToValueFn = FractionFromCode12;
    ch.SensorCode = 40;
    ch.SwitchSensorRange(40);
    EXPECT_EQ(ch.Decimals, c.decimals) << int(c.mode);
    EXPECT_EQ(ch.Unit, c.unit) << int(c.mode);
    EXPECT_EQ(ch.RawToValueFn, FractionFromCode12);  // the conversion stays
  }
  SetupView f;
  f.SetupAll(13);
  for (std::uint8_t code : {0, 5, 29, 41, 255}) {
    f.Ch(0).SwitchSensorRange(code);
    EXPECT_EQ(f.Ch(0).SensorCode, 13);
    EXPECT_EQ(f.Ch(0).RawToValueFn, Pressure13FromCode12);
  }
  VessamorChannel loose;  // no main window: the signal display, Russian texts
  loose.SwitchSensorRange(40);
  EXPECT_EQ(loose.Unit + loose.TimeUnit, " сек");
}

TEST(SensorSetup, TheEnglishInterfaceGivesEveryKindEnglishUnits) {
  SetupView s(true);
  for (int code = 0; code < 256; ++code) {
    s.SetupUnit(static_cast<std::uint8_t>(code), {0, 1, 2, 3});
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      s.Ch(k).SwitchSensorRange(static_cast<std::uint8_t>(code));  // the conductivity ranges' own units
      for (const std::string& text : {s.Ch(k).Unit, s.Ch(k).TimeUnit})
        EXPECT_EQ(text.find_first_of("\xD0\xD1"), std::string::npos) << code << ": " << text;  // no Cyrillic
    }
  }
}

}  // namespace
