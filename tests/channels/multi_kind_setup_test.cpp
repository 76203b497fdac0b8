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

// Entering the measurement screen sets every channel up again from the code it carries: the channels
// a kind writes with another code keep their quantity, conversion and axis name.
TEST(MultiKindTwoQuantities, ChannelsSetUpAgainFromTheirOwnCodesKeepTheirQuantity) {
  const struct {
    std::uint8_t kind;
    std::array<std::uint16_t, 2> codes;
    std::array<RawToValueFnType, 2> from;
    std::array<const char*, 2> names;
  } cases[] = {
      {45, {47, 46}, {LookupGasVolume, LookupTemp46}, {"V,ml", "T,°C"}},
      {80, {82, 81}, {IlluminanceFromCode12, IlluminanceKlxFromCode12}, {"E,lx", "E,klx"}},
      {48, {49, 50}, {LookupFlow, FlowFromCode12}, {"Q,ml/s", "Q,ml/s"}},
  };
  for (const auto& c : cases) {
    SetupView f(true);
    f.SetDeviceType(11);
    f.SetupUnit(c.kind, {0, 1}, 2);
    for (std::int32_t k = 0; k < 2; ++k) f.view.SetupChannels(0, k);
    for (std::size_t k = 0; k < 2; ++k) {
      SCOPED_TRACE(testing::Message() << "kind " << int(c.kind) << " channel " << k);
      EXPECT_EQ(f.Ch(k).SensorCode, c.codes[k]);
      EXPECT_EQ(f.Ch(k).RawToValueFn, c.from[k]);
      EXPECT_EQ(f.Ch(k).Symbol + "," + f.Ch(k).Unit, c.names[k]);
    }
  }
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
