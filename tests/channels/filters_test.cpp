// Tests of the channel filters: median ordering, the export read, the 50 Hz notch cascade, the band-pass chain, the designed notch.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "channels/channel_filters.h"
#include "channels/mains_filters.h"
#include "channels/vessamor_channel.h"

namespace {

// A channel over its own codes, as the exports read it.
struct ExportFixture {
  explicit ExportFixture(std::vector<std::int16_t> data) : codes(std::move(data)) {
    channel.Codes = codes.data();
    channel.CodeCapacity = static_cast<std::uint32_t>(codes.size());
    channel.CodeCount = channel.CodeCapacity;
  }
  std::vector<std::int16_t> codes;
  VessamorChannel channel;
};

std::int16_t Sine(double hz, int i, double amplitude, double rate = 1000.0) {
  return static_cast<std::int16_t>(std::lround(amplitude * std::sin(2.0 * std::numbers::pi * hz * i / rate)));
}

TEST(CompareSamples, OrdersCodesAsUnsignedNumbers) {
  struct Case {
    std::int16_t a;
    std::int16_t b;
    int expected;
  };
  const std::array<Case, 5> cases{{{3, 3, 0}, {2, 5, -1}, {-1, 5, 1}, {5, -1, -1}, {32767, -32768, -1}}};
  for (const Case& c : cases) EXPECT_EQ(CompareSamples(&c.a, &c.b), c.expected) << c.a << " " << c.b;
}

TEST(SmoothingHalves, FollowTheWindowParity) {
  struct Case {
    std::uint16_t n, lead, trail, inner;
    std::uint32_t ring;
  };
  const std::array<Case, 4> cases{{{1, 1, 0, 0, 2}, {2, 1, 1, 0, 3}, {7, 4, 3, 2, 8}, {65535, 32768, 32767, 32766, 65536}}};
  for (const Case& c : cases) {
    const SmoothingHalves h = HalvesOfWindow(c.n);
    EXPECT_EQ(h.Lead, c.lead) << c.n;
    EXPECT_EQ(h.Trail, c.trail) << c.n;
    EXPECT_EQ(h.Inner, c.inner) << c.n;
    EXPECT_EQ(h.RingSize, c.ring) << c.n;
  }
}

TEST(ExportRead, RawCodeWithoutFiltersAndNothingPastTheSlice) {
  ExportFixture f({-3, 17, 4000});
  EXPECT_EQ(f.channel.GetSample(0), -3);
  EXPECT_EQ(f.channel.GetSample(3), 0);
  EXPECT_EQ(f.channel.GetSample(4000000000u), 0);
}

TEST(ExportRead, TrailingRmsOfTheLastSamplesInFractionalForm) {
  std::mt19937 generator(11);
  std::vector<std::int16_t> codes(300);
  for (auto& c : codes) c = static_cast<std::int16_t>(std::uniform_int_distribution<int>(-2048, 2047)(generator));
  ExportFixture f(codes);
  f.channel.SmoothingOn = 1;
  for (std::uint16_t w : {1, 5, 20}) {
    f.channel.SmoothingWindow = w;
    for (std::uint32_t i : {0u, 3u, 19u, 150u, 299u}) {
      const std::uint32_t from = i + 1 >= w ? i + 1 - w : 0;
      double sum = 0.0;
      for (std::uint32_t k = from; k <= i; ++k) sum += static_cast<double>(codes[k]) * codes[k];
      const auto expected = static_cast<std::int32_t>(std::sqrt(sum / (i - from + 1)) * 256.0);
      EXPECT_EQ(f.channel.GetSample(i), expected) << "window " << w << " sample " << i;
    }
  }
  // A steady code reads back as code x 256; without a window still in that form.
  ExportFixture steady(std::vector<std::int16_t>(30, 100));
  steady.channel.SmoothingOn = 1;
  steady.channel.SmoothingWindow = 20;
  EXPECT_EQ(steady.channel.GetSample(25), 25600);
  steady.channel.SmoothingWindow = 0;
  EXPECT_EQ(steady.channel.GetSample(25), 25600);
}

TEST(ExportRead, MedianStandInPicksTheCodeNearestTheMiddleOfTheRange) {
  struct Case {
    std::vector<std::int16_t> codes;
    std::uint16_t window;
    std::uint32_t index;
    std::int32_t expected;
  };
  const std::array<Case, 5> cases{{
      {{10, 10, 1000, 10, 10}, 3, 2, 10},  // a spike among equals: the first of the equally near codes
      {{10, 12, 30, 11}, 3, 3, 12},        // range 11..30, middle 20: 12 is nearest
      {{10, 12}, 2, 1, 11},                // even window: the mean of the two nearest
      {{0, 100, 40, 60}, 4, 3, 50},        // middle 50: 40 and 60, mean 50
      {{7}, 4, 0, 7},                      // a single code under an even window
  }};
  for (const Case& c : cases) {
    ExportFixture f(c.codes);
    f.channel.MedianOn = 1;
    f.channel.MedianWindow = c.window;
    EXPECT_EQ(f.channel.GetSample(c.index), c.expected) << "window " << c.window << " index " << c.index;
  }
}

TEST(NotchCascade, CoefficientsPlaceTheNotchAt50HzFor1000HzSampling) {
  EXPECT_NEAR(kNotchStages[0].C1, 2.0 * std::cos(18.0 * std::numbers::pi / 180.0), 1e-5);
  for (const NotchCoefficients& c : kNotchStages) {
    const double hz = std::acos(c.C1 / 2.0) / (2.0 * std::numbers::pi) * 1000.0;
    EXPECT_NEAR(hz, 50.0, 0.5);
  }
}

TEST(NotchCascade, RemovesMainsAndPassesSlowSignals) {
  struct Case {
    double hz;
    std::int32_t low;
    std::int32_t high;
  };
  // After the cascade has settled: 50 Hz within a few codes of zero, 10 Hz nearly whole.
  const std::array<Case, 2> cases{{{50.0, 0, 3}, {10.0, 475, 525}}};
  for (const Case& c : cases) {
    VessamorChannel channel;
    std::int32_t peak = 0;
    for (int i = 0; i < 4000; ++i) {
      const std::int32_t y = channel.NotchCascade(Sine(c.hz, i, 500.0), 3);
      if (i >= 2000) peak = std::max(peak, std::abs(y));
    }
    EXPECT_GE(peak, c.low) << c.hz;
    EXPECT_LE(peak, c.high) << c.hz;
  }
}

TEST(NotchCascade, NoStagesPassTheCodeAndPrimingStartsAtTheNewestCode) {
  VessamorChannel channel;
  EXPECT_EQ(channel.NotchCascade(-77, 0), -77);
  std::vector<std::int16_t> codes{900, 900, 2000};
  channel.Codes = codes.data();
  channel.CodeCapacity = channel.CodeCount = 3;
  channel.PrimeNotchCascade();
  for (const NotchStage& stage : channel.Filter.Notch) {
    for (double v : stage.X) EXPECT_EQ(v, 2000.0);
    for (double v : stage.Y) EXPECT_EQ(v, 2000.0);
  }
  // Primed once: a later prime keeps the running state.
  channel.NotchCascade(0, 3);
  codes[2] = 5;
  channel.PrimeNotchCascade();
  EXPECT_EQ(channel.Filter.Notch[0].X[1], 0.0);
}

TEST(BandPass, LevelZeroPassesTheCodeAndStillShiftsEveryHistory) {
  VessamorChannel channel;
  channel.Filter.BandPassHistory.fill(9);
  const std::array<std::int16_t, 4> input{5, -6, 700, 32767};
  for (std::int16_t code : input) EXPECT_EQ(channel.BandPass(code, 0), code);
  const auto& h = channel.Filter.BandPassHistory;
  EXPECT_EQ(h[0], 32767);
  EXPECT_EQ(h[1], 700);
  // Sections that did not run pass their stale outputs down their own history.
  for (std::size_t i = 2; i < 2 + 3 * kBandPassSections; ++i) EXPECT_EQ(h[i], 9) << i;
}

TEST(IncomingSamples, FilterOutputsSaturateInsteadOfWrapping) {
  struct Case {
    std::uint8_t notch;
    std::uint8_t band_pass;
  };
  for (const Case& c : {Case{1, 0}, Case{0, 1}}) {
    std::vector<std::int16_t> codes(400);
    for (std::size_t i = 0; i < codes.size(); ++i) {
      codes[i] = c.notch != 0 ? (i < 5 ? std::int16_t{0} : std::int16_t{32000})
                              : (i % 2 != 0 ? std::int16_t{32767} : std::int16_t{-32768});
    }
    const std::vector<std::int16_t> input = codes;
    VessamorChannel channel;
    channel.Codes = codes.data();
    channel.CodeCapacity = static_cast<std::uint32_t>(codes.size());
    channel.CodeCount = 300;  // the rest is not written yet
    channel.NotchOn = c.notch;
    channel.BandPassOn = c.band_pass;
    channel.ConfigureFilter();
    channel.Filter.NotchPrimed = 1;  // start from rest, as before the first code
    channel.FilterIncomingSamples(0, 400);

    VessamorChannel reference;
    bool saturated = false;
    for (std::size_t i = 0; i < 300; ++i) {
      const std::int32_t y = c.notch != 0 ? reference.NotchCascade(input[i], 3) : reference.BandPass(input[i], 3);
      saturated = saturated || y > 32767 || y < -32768;
      ASSERT_EQ(codes[i], SaturateCode(y)) << i;
    }
    EXPECT_TRUE(saturated);
    EXPECT_TRUE(std::equal(codes.begin() + 300, codes.end(), input.begin() + 300));
  }
}

TEST(DesignedNotch, CoefficientsForTheRateAndAGuardedZeroRate) {
  VessamorChannel channel;
  channel.Filter.DesignedHistory.fill(5);
  channel.DesignMainsNotch(1000);
  // w = 18 degrees: -2 cos w = -1.90211, over 1.1 = -1.72919, in 1/4096 units.
  EXPECT_EQ(channel.Filter.DesignedB1, -7791);
  EXPECT_EQ(channel.Filter.DesignedA1, -7082);
  EXPECT_EQ(channel.Filter.DesignedA2, 3385);
  EXPECT_EQ(channel.Filter.DesignedGain, 4055);
  EXPECT_EQ(std::count(channel.Filter.DesignedHistory.begin(), channel.Filter.DesignedHistory.end(), 0), 12);
  channel.DesignMainsNotch(0);  // no division by a zero rate
  EXPECT_EQ(channel.Filter.DesignedGain, 0);
  EXPECT_EQ(channel.Filter.DesignedDivisor, 4096);
}

}  // namespace
