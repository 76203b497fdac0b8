// Tests of the multi-channel, motion, high-rate and rate sensor kinds of the set-up.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "channel_fixtures.h"
#include "channels/conversions.h"
#include "channels/rate_detector.h"

namespace {

TEST(MultiKindTwoQuantities, KindElevenAloneIsOneVoltageChannelThatStaysOne) {
  SetupView f;
  f.SetDeviceType(2);
  f.SetupOwn(0, 11);
  EXPECT_EQ(f.Ch(0).SensorCode, 9);
  EXPECT_EQ(f.Ch(0).RawToValueFn, Volts10FromCode10);  // the pair's voltage has no 16-bit member
  EXPECT_EQ(f.Ch(1).SensorCode, 0);
  f.view.SetupChannels(0, 0);
  EXPECT_EQ(f.Ch(0).SensorCode, 9);
  EXPECT_EQ(f.Ch(0).RawToValueFn, Volts20FromCode16);  // the voltage kind itself has one
}

TEST(MultiKindTwoQuantities, BothChannelsGetTheirCodesAndOnlyTheSecondItsGain) {
  struct Case {
    std::uint8_t kind;
    std::uint16_t first, second;
    float gain;  // 0: the second channel's gain is left alone
  };
  const Case cases[] = {
      {11, 9, 10, 5.0f}, {23, 16, 18, 5.0f}, {42, 42, 42, 0.0f}, {80, 82, 81, 0.025f}, {88, 14, 14, 0.0f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << int(c.kind));
    SetupView f;
    f.SetupUnit(c.kind, {2, 3});
    EXPECT_EQ(f.Ch(2).SensorCode, c.first);
    EXPECT_EQ(f.Ch(3).SensorCode, c.second);
    EXPECT_EQ(f.Ch(2).PlotGainOn, 0);
    EXPECT_EQ(f.Ch(3).PlotGainOn, c.gain != 0.0f ? 1 : 0);
    if (c.gain != 0.0f) {
      EXPECT_FLOAT_EQ(f.Ch(3).PlotGain, c.gain);
    }
    EXPECT_EQ(f.Ch(0).SensorCode + f.Ch(1).SensorCode, 0);
    EXPECT_EQ(f.view.SetupRequest.SetupRequestPending, 0);
  }
  // The illuminance codes lead to the voltage row when set up again.
  SetupView f;
  f.SetupUnit(80, {0, 1});
  EXPECT_EQ(f.Ch(1).RawToValueFn, IlluminanceKlxFromCode12);
  f.view.SetupChannels(0, 1);
  EXPECT_EQ(f.Ch(1).SensorCode, 81);
  EXPECT_EQ(f.Ch(1).Symbol + f.Ch(1).Unit, "UВ");
}

TEST(MultiKindAccelerometer, AllFourChannelsTakeTheZeroCodeAndPairOfTheirUnit) {
  struct Case {
    std::uint8_t kind, type;
    std::uint16_t zero;
    RawToValueFnType from;
    ValueToRawFnType to;
  };
  const Case cases[] = {{7, 11, 2048, Accel15FromCode12, Accel15ToCode12},
                        {7, 3, 512, Accel15FromCode10, Accel15ToCode10},
                        {8, 1, 512, Accel6FromCode10, Accel6ToCode10}};
  for (const Case& c : cases) {
    SetupView f;
    f.SetDeviceType(c.type);
    f.SetupOwn(1, c.kind);
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      const VessamorChannel& ch = f.Ch(k);
      EXPECT_TRUE(ch.AdcZeroCode == c.zero && ch.RawToValueFn == c.from && ch.ValueToRawFn == c.to)
          << "kind " << int(c.kind) << " type " << int(c.type) << " channel " << k;
    }
  }
}

TEST(MultiKindFlowAndGas, FlowCarriesFortyNineThenFiftyAndGasItsTemperature) {
  for (std::uint8_t kind : {48, 49}) {
    SetupView f;
    f.SetupUnit(kind, {0, 1, 2, 3}, 9);  // a count beyond the live channels is held to four
    EXPECT_EQ(f.Ch(0).SensorCode, 49);
    EXPECT_EQ(f.Ch(0).RawToValueFn, LookupFlow);
    for (std::size_t k = 1; k < 4; ++k) EXPECT_EQ(f.Ch(k).SensorCode, 50);
    EXPECT_EQ(f.Ch(3).RawToValueFn, FlowFromCode12);
    EXPECT_EQ(f.Ch(3).RateValueAtFn, IntegrateBetweenMarkersHook);
    EXPECT_EQ(f.view.RecordRate, 125u);
  }
  SetupView f(true);
  f.view.RecordViewable = 1;
  f.SetupUnit(45, {1, 0});
  EXPECT_EQ(f.Ch(1).SensorCode, 47);
  EXPECT_EQ(f.Ch(0).SensorCode, 46);
  EXPECT_FLOAT_EQ(f.Ch(0).PlotGain, 3.0f);
  EXPECT_EQ(f.Ch(1).TimeUnit + f.Ch(0).TimeUnit, "сексек");  // Russian in either language
  EXPECT_EQ(f.view.RateSetting, 125u);
  EXPECT_EQ(f.view.RecordRate, 1000u);
}

TEST(MultiKindMotion, KindFiftySixRebuildsItsRequestFromTheMotionChannels) {
  SetupView f;
  f.SetupOwn(0, 56);
  EXPECT_EQ(f.Ch(1).SensorCode, 55);
  EXPECT_FLOAT_EQ(f.Ch(1).PlotGain, 40.0f);
  EXPECT_EQ(f.Ch(0).SensorCode, 56);
  EXPECT_EQ(f.view.MotionChannels, (std::array<std::uint8_t, 3>{0, 1, 0}));
  // The distance and speed channels found by their own set-ups name the request next time.
  f.SetupUnit(57, {3});
  f.SetupUnit(55, {2});
  f.SetupUnit(56, {1});
  const auto& request = f.view.SetupRequest;
  EXPECT_EQ(request.SetupRequestCount, 3);
  EXPECT_EQ((std::array<int, 3>{request.SetupRequestChannels[0], request.SetupRequestChannels[1],
                                request.SetupRequestChannels[2]}),
            (std::array<int, 3>{3, 2, 1}));
  EXPECT_EQ((std::array<int, 3>{f.Ch(3).SensorCode, f.Ch(2).SensorCode, f.Ch(1).SensorCode}),
            (std::array<int, 3>{57, 55, 56}));
  EXPECT_EQ(f.Ch(3).RawToValueFn, DistanceFromEchoCode);
  // Entries beyond the live channels name the last one.
  f.view.MotionChannels = {200, 9, 0};
  f.SetupOwn(0, 56);
  EXPECT_EQ(request.SetupRequestChannels[0], 3);
  EXPECT_EQ(f.view.MotionChannels[1], 3);
}

}  // namespace
