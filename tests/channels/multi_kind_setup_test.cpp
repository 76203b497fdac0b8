// Tests of the multi-channel, motion, high-rate and rate sensor kinds of the set-up.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "channels/conversions.h"
#include "channels/rate_detector.h"
#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"

namespace {

constexpr PixelRect kGraphRect{40, 60, 1240, 860};

struct MultiFixture {
  explicit MultiFixture(bool english = false) {
    window.Bytes.EnglishUi = english ? 1 : 0;
    view.Init(100000, kGraphRect, 0xFF, &window);
  }
  void SetDeviceType(std::uint8_t type) {
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) view.Channel(k).DeviceTypeCode = type;
  }
  // Sets up a unit's channels as the sensor information page asks for them.
  void SetupUnit(std::uint8_t code, std::vector<std::uint8_t> channels, std::uint8_t count = 0) {
    view.SetupRequest.SetupRequestCode = code;
    view.SetupRequest.SetupRequestCount = count != 0 ? count : static_cast<std::uint8_t>(channels.size());
    for (std::size_t k = 0; k < channels.size() && k < 4; ++k) view.SetupRequest.SetupRequestChannels[k] = channels[k];
    view.SetupRequest.SetupRequestPending = 1;
    view.SetupChannels(1, channels.empty() ? 0 : channels[0]);
  }
  // Sets up one channel from its own code, as a record or a range menu would.
  void SetupOwn(std::size_t channel, std::uint16_t code) {
    view.Channel(channel).SensorCode = code;
    view.SetupChannels(0, static_cast<std::int32_t>(channel));
  }
  FakeMainWindow window;
  GraphView view;
};

float AxisTop(const VessamorChannel& channel) {
  const float one = 1.0f;
  return channel.ScaleMappingPair.Inverse(&one);
}

TEST(MultiKindTwoQuantities, KindElevenAloneIsOneVoltageChannelThatStaysOne) {
  MultiFixture f;
  f.SetDeviceType(2);
  f.SetupOwn(0, 11);
  const VessamorChannel& c = f.view.Channel(0);
  EXPECT_EQ(c.SensorCode, 9);
  // The pair's voltage has no 16-bit member; the voltage kind itself does.
  EXPECT_EQ(c.RawToValueFn, Volts10FromCode10);
  EXPECT_EQ(f.view.Channel(1).SensorCode, 0);
  EXPECT_EQ(f.view.Channel(1).PlotGainOn, 0);
  f.view.SetupChannels(0, 0);
  EXPECT_EQ(c.SensorCode, 9);
  EXPECT_EQ(c.Symbol, "U");
  EXPECT_EQ(c.RawToValueFn, Volts20FromCode16);
}

TEST(MultiKindTwoQuantities, BothChannelsGetTheirCodesAndOnlyTheSecondItsGain) {
  struct Case {
    std::uint8_t kind;
    std::uint16_t first;
    std::uint16_t second;
    float gain;  // 0: the second channel's gain is left alone
  };
  const std::array<Case, 6> cases{{{11, 9, 10, 5.0f}, {23, 16, 18, 5.0f}, {25, 24, 25, 5.0f}, {42, 42, 42, 0.0f},
                                   {80, 82, 81, 0.025f}, {88, 14, 14, 0.0f}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << int(c.kind));
    MultiFixture f;
    f.SetupUnit(c.kind, {2, 3});
    EXPECT_EQ(f.view.Channel(2).SensorCode, c.first);
    EXPECT_EQ(f.view.Channel(2).PlotGainOn, 0);
    EXPECT_EQ(f.view.Channel(3).SensorCode, c.second);
    EXPECT_EQ(f.view.Channel(3).PlotGainOn, c.gain != 0.0f ? 1 : 0);
    if (c.gain != 0.0f) {
      EXPECT_FLOAT_EQ(f.view.Channel(3).PlotGain, c.gain);
    }
    for (std::size_t k : {0u, 1u}) EXPECT_EQ(f.view.Channel(k).SensorCode, 0);
    EXPECT_EQ(f.view.SetupRequest.SetupRequestPending, 0);
  }
}

TEST(MultiKindTwoQuantities, IlluminanceCodesLeadToTheVoltageRowWhenSetUpAgain) {
  MultiFixture f;
  f.SetupUnit(80, {0, 1});
  EXPECT_EQ(f.view.Channel(0).RawToValueFn, IlluminanceFromCode12);
  EXPECT_EQ(f.view.Channel(1).RawToValueFn, IlluminanceKlxFromCode12);
  for (std::size_t k : {0u, 1u}) {
    const std::uint16_t code = f.view.Channel(k).SensorCode;
    f.view.SetupChannels(0, static_cast<std::int32_t>(k));
    EXPECT_EQ(f.view.Channel(k).SensorCode, code);
    EXPECT_EQ(f.view.Channel(k).Symbol + f.view.Channel(k).Unit, "UВ");
    EXPECT_FLOAT_EQ(AxisTop(f.view.Channel(k)), 4.0f);
  }
}

TEST(MultiKindAccelerometer, AllFourChannelsTakeTheZeroCodeAndPairOfTheirUnit) {
  struct Case {
    std::uint8_t kind;
    std::uint8_t type;
    std::uint16_t zero;
    RawToValueFnType from;
    ValueToRawFnType to;
    float top;
  };
  const std::array<Case, 3> cases{{{7, 11, 2048, Accel15FromCode12, Accel15ToCode12, 2.0f},
                                   {7, 3, 512, Accel15FromCode10, Accel15ToCode10, 2.0f},
                                   {8, 1, 512, Accel6FromCode10, Accel6ToCode10, 6.0f}}};
  const std::array<std::string, 4> axes{"Ax", "Ay", "Az", "As"};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << int(c.kind) << " type " << int(c.type));
    MultiFixture f;
    f.SetDeviceType(c.type);
    f.SetupOwn(1, c.kind);
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      const VessamorChannel& ch = f.view.Channel(k);
      EXPECT_EQ(ch.AdcZeroCode, c.zero);
      EXPECT_EQ(ch.RawToValueFn, c.from);
      EXPECT_EQ(ch.ValueToRawFn, c.to);
      EXPECT_EQ(ch.SensorCode, c.kind);
      EXPECT_EQ(ch.Symbol, axes[k]);
      EXPECT_FLOAT_EQ(AxisTop(ch), c.top);
    }
  }
}

TEST(MultiKindFlowAndGas, FlowCarriesFortyNineThenFiftyOnFurtherChannels) {
  for (std::uint8_t kind : {48, 49}) {
    MultiFixture f;
    // A count beyond the live channels is held to four.
    f.SetupUnit(kind, {0, 1, 2, 3}, 9);
    EXPECT_EQ(f.view.Channel(0).SensorCode, 49);
    EXPECT_EQ(f.view.Channel(0).RawToValueFn, LookupFlow);
    for (std::size_t k = 1; k < 4; ++k) {
      EXPECT_EQ(f.view.Channel(k).SensorCode, 50);
      EXPECT_EQ(f.view.Channel(k).RawToValueFn, FlowFromCode12);
    }
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(f.view.Channel(k).RateValueAtFn, IntegrateBetweenMarkersHook);
    EXPECT_EQ(f.view.RecordRate, 125u);
  }
}

TEST(MultiKindFlowAndGas, GasVolumeWritesFortySevenAndItsTemperatureFortySix) {
  MultiFixture f(true);
  f.view.RecordViewable = 1;
  f.SetupUnit(45, {1, 0});
  EXPECT_EQ(f.view.Channel(1).SensorCode, 47);
  EXPECT_EQ(f.view.Channel(0).SensorCode, 46);
  EXPECT_FLOAT_EQ(f.view.Channel(0).PlotGain, 3.0f);
  // Both keep the Russian time unit in either language.
  EXPECT_EQ(f.view.Channel(1).TimeUnit + f.view.Channel(0).TimeUnit, "сексек");
  EXPECT_EQ(f.view.RateSetting, 125u);
  EXPECT_EQ(f.view.RecordRate, 1000u);
}

TEST(MultiKindMotion, KindFiftySixRebuildsItsRequestFromTheMotionChannels) {
  MultiFixture f;
  f.SetupOwn(0, 56);
  EXPECT_EQ(f.view.Channel(1).SensorCode, 55);
  EXPECT_FLOAT_EQ(f.view.Channel(1).PlotGain, 40.0f);
  EXPECT_EQ(f.view.Channel(0).SensorCode, 56);
  EXPECT_FLOAT_EQ(f.view.Channel(0).PlotGain, 4.0f);
  EXPECT_EQ(f.view.MotionChannels, (std::array<std::uint8_t, 3>{0, 1, 0}));

  // The distance and speed channels found by their own set-ups name the request next time.
  f.SetupUnit(57, {3});
  f.SetupUnit(55, {2});
  EXPECT_EQ(f.view.Channel(3).RawToValueFn, DistanceFromEchoCode);
  const std::string distance_symbol = f.view.Channel(3).Symbol;
  f.SetupUnit(56, {1});
  const auto& request = f.view.SetupRequest;
  EXPECT_EQ(request.SetupRequestCount, 3);
  EXPECT_EQ(request.SetupRequestChannels[0], 3);
  EXPECT_EQ(request.SetupRequestChannels[1], 2);
  EXPECT_EQ(request.SetupRequestChannels[2], 1);
  EXPECT_EQ(f.view.Channel(2).SensorCode, 55);
  EXPECT_EQ(f.view.Channel(1).SensorCode, 56);
  EXPECT_EQ(f.view.Channel(3).SensorCode, 57);
  EXPECT_EQ(f.view.Channel(3).Symbol, distance_symbol);

  // Entries beyond the live channels name the last one.
  f.view.MotionChannels = {200, 9, 0};
  f.SetupOwn(0, 56);
  EXPECT_EQ(request.SetupRequestChannels[0], 3);
  EXPECT_EQ(request.SetupRequestChannels[1], 3);
  EXPECT_EQ(f.view.MotionChannels[1], 3);
}

TEST(MultiKindRates, EachRateKindInstallsItsHooksAndRate) {
  struct Case {
    std::uint8_t kind;
    std::uint8_t rate_mode;
    RateInitFnType init;
    RateDisplayFnType display;
    std::uint32_t rate;
    std::uint8_t extra;
  };
  const std::array<Case, 5> cases{{{35, 1, PulseInit, PulseDisplay, 1000, 0},
                                   {37, 1, RadiationInit, RadiationDisplay, 1000, 0},
                                   {39, 0, PulseInit, PulseDisplay, 1000, 0},
                                   {40, 1, BreathRateInit, BreathRateDisplay, 1000, 0},
                                   {77, 1, RotationInit, RotationDisplay, 10000, 1}}};
  for (const Case& c : cases) {
    for (std::uint8_t viewable : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "kind " << int(c.kind) << " viewable " << int(viewable));
      MultiFixture f;
      f.view.RecordViewable = viewable;
      f.SetupOwn(2, c.kind);
      const VessamorChannel& ch = f.view.Channel(2);
      EXPECT_EQ(ch.RateMode, c.rate_mode);
      EXPECT_EQ(ch.RateInitFn, c.init);
      EXPECT_EQ(ch.RateDisplayFn, c.display);
      EXPECT_EQ(ch.ExtraValueShown, c.extra);
      EXPECT_EQ(f.view.RateSetting, c.rate);
      EXPECT_EQ(f.view.RecordRate, viewable != 0 ? 1000u : c.rate);
      EXPECT_EQ(f.view.Continuous, c.kind == 35 ? 1 : 0);
      // A later set-up as another kind leaves no rate display behind.
      f.SetupOwn(2, 1);
      EXPECT_EQ(ch.RateMode, 0);
      EXPECT_EQ(ch.ExtraValueShown, 0);
    }
  }
}

TEST(MultiKindHighRate, SoundAndTimingRatesAndTheSoundKindsSecondChannel) {
  MultiFixture f;
  f.SetupUnit(78, {0, 7});
  EXPECT_EQ(f.view.Channel(0).RawToValueFn, FractionFromCode12);
  EXPECT_EQ(f.view.Channel(3).RawToValueFn, SoundFromCode12);
  EXPECT_EQ(f.view.Channel(3).SymbolCaption, 1);
  EXPECT_EQ(f.view.RecordRate, 10000u);

  f.SetupOwn(1, 44);
  EXPECT_EQ(f.view.RecordRate, 25000u);
  // A channel of the fast unit runs at its top rate.
  int unit = 0;
  f.view.Channel(1).Device = reinterpret_cast<FTRecordDevice*>(&unit);
  f.view.Channel(1).DeviceTypeCode = 7;
  f.view.SetupChannels(0, 1);
  EXPECT_EQ(f.view.RecordRate, 100000u);
  f.view.Channel(1).Device = nullptr;
}

TEST(MultiKindTexts, SymbolsUnitsAndDecimalsInBothLanguages) {
  struct Case {
    std::uint8_t kind;
    std::size_t channel;
    std::string ru;
    std::string en;
    std::uint16_t decimals;
  };
  const std::array<Case, 5> cases{{{80, 1, "E клк", "E klx", 1},
                                   {45, 0, "V мл", "V мл", 2},
                                   {7, 3, "As м/с^2", "As m/s^2", 2},
                                   {35, 0, "Y уд.мин", "Y bpm", 0},
                                   {73, 0, "Y об/сек", "Y ", 2}}};
  for (const Case& c : cases) {
    for (bool english : {false, true}) {
      SCOPED_TRACE(testing::Message() << "kind " << int(c.kind) << " english " << english);
      MultiFixture f(english);
      f.SetupUnit(c.kind, {0, 1});
      const VessamorChannel& ch = f.view.Channel(c.channel);
      EXPECT_EQ(ch.Symbol + " " + ch.Unit, english ? c.en : c.ru);
      EXPECT_EQ(ch.Decimals, c.decimals);
    }
  }
  MultiFixture signal;
  signal.window.Bytes.BreathingDisplayMode = 2;
  signal.SetupOwn(0, 40);
  EXPECT_EQ(signal.view.Channel(0).Decimals, 2);
  EXPECT_EQ(signal.view.Channel(0).Unit, " ");
}

}  // namespace
