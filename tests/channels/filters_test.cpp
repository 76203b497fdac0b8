// Tests of the channel filters: median ordering, the export read, the 50 Hz notch cascade, the band-pass chain, the
// designed notch.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "channel_fixtures.h"
#include "channels/channel_filters.h"
#include "channels/mains_filters.h"

namespace {

std::int16_t Sine(double hz, int i, double amplitude) {
  return static_cast<std::int16_t>(std::lround(amplitude * std::sin(2.0 * std::numbers::pi * hz * i / 1000.0)));
}

TEST(ExportRead, TrailingRmsOfTheLastSamplesAndNothingPastTheSlice) {
  std::mt19937 generator(11);
  std::vector<std::int16_t> codes(300);
  for (auto& c : codes) c = static_cast<std::int16_t>(std::uniform_int_distribution<int>(-2048, 2047)(generator));
  LoneChannel f(codes, 0);
  f.channel.CodeCount = 300;
  EXPECT_EQ(f.channel.GetSample(7), codes[7]);  // no filter: the raw code
  EXPECT_EQ(f.channel.GetSample(300), 0);
  EXPECT_EQ(f.channel.GetSample(4000000000u), 0);
  f.channel.SmoothingOn = 1;
  for (std::uint16_t w : {1, 5, 20}) {
    f.channel.SmoothingWindow = w;
    for (std::uint32_t i : {0u, 3u, 150u, 299u}) {
      const std::uint32_t from = i + 1 >= w ? i + 1 - w : 0;
      double sum = 0.0;
      for (std::uint32_t k = from; k <= i; ++k) sum += static_cast<double>(codes[k]) * codes[k];
      EXPECT_EQ(f.channel.GetSample(i), static_cast<std::int32_t>(std::sqrt(sum / (i - from + 1)) * 256.0))
          << w << " " << i;
    }
  }
  // A steady code reads back as code x 256, without a window as well.
  LoneChannel steady(std::vector<std::int16_t>(30, 100), 0);
  steady.channel.CodeCount = 30;
  steady.channel.SmoothingOn = 1;
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
  const Case cases[] = {
      {{10, 10, 1000, 10, 10}, 3, 2, 10},  // a spike among equals: the first of the equally near codes
      {{10, 12, 30, 11}, 3, 3, 12},        // range 11..30, middle 20: 12 is nearest
      {{0, 100, 40, 60}, 4, 3, 50},        // even window: 40 and 60 are nearest 50, their mean
      {{7}, 4, 0, 7},                      // a single code under an even window
  };
  for (const Case& c : cases) {
    LoneChannel f(c.codes, 0);
    f.channel.CodeCount = static_cast<std::uint32_t>(c.codes.size());
    f.channel.MedianOn = 1;
    f.channel.MedianWindow = c.window;
    EXPECT_EQ(f.channel.GetSample(c.index), c.expected) << "window " << c.window << " index " << c.index;
  }
}

// The reader that carries the windows along a record gives, sample for sample, what the one-off read
// gives: each filter form over random records of narrow (many ties) and wide code ranges, read in
// order, every 7th sample, and backwards.
TEST(ExportRead, CarriedWindowsReadAsTheOneOffRead) {
  struct Form {
    std::uint8_t median_on;
    std::uint16_t median_window;
    std::uint8_t smoothing_on;
    std::uint16_t smoothing_window;
  };
  const Form forms[] = {{1, 1, 0, 0},  {1, 5, 0, 0},   {1, 4, 0, 0},  {1, 100, 0, 0}, {0, 0, 1, 0},
                        {0, 0, 1, 20}, {0, 0, 1, 100}, {1, 3, 1, 4},  {1, 20, 1, 7},  {1, 100, 1, 100}};
  std::mt19937 generator(5);
  for (const int spread : {3, 40, 4095}) {
    std::vector<std::int16_t> codes(1500);
    for (auto& c : codes) c = static_cast<std::int16_t>(std::uniform_int_distribution<int>(-spread, spread)(generator));
    LoneChannel f(codes, 0);
    f.channel.CodeCount = static_cast<std::uint32_t>(codes.size());
    for (const Form& form : forms) {
      f.channel.MedianOn = form.median_on;
      f.channel.MedianWindow = form.median_window;
      f.channel.SmoothingOn = form.smoothing_on;
      f.channel.SmoothingWindow = form.smoothing_window;
      for (const int step : {1, 7, -13}) {
        FilteredSampleReader reader(f.channel);
        for (int k = 0; k < 1500; k += std::abs(step)) {
          const auto i = static_cast<std::uint32_t>(step > 0 ? k : 1499 - k);
          ASSERT_EQ(reader.At(i), f.channel.GetSample(i)) << "spread " << spread << " median " << form.median_window
                                                          << " smoothing " << form.smoothing_window << " at " << i;
        }
      }
    }
  }
}

TEST(NotchCascade, RemovesMainsAndPassesSlowSignals) {
  // After the cascade has settled: 50 Hz within a few codes of zero, 10 Hz nearly whole.
  for (const auto& [hz, low, high] : {std::array<int, 3>{50, 0, 3}, {10, 475, 525}}) {
    VessamorChannel channel;
    std::int32_t peak = 0;
    for (int i = 0; i < 4000; ++i) {
      const std::int32_t y = channel.NotchCascade(Sine(hz, i, 500.0), 3);
      if (i >= 2000) peak = std::max(peak, std::abs(y));
    }
    EXPECT_GE(peak, low) << hz;
    EXPECT_LE(peak, high) << hz;
  }
}

TEST(BandPass, LevelZeroPassesTheCodeAndStillShiftsEveryHistory) {
  VessamorChannel channel;
  channel.Filter.BandPassHistory.fill(9);
  for (std::int16_t code : {5, -6, 700, 32767}) EXPECT_EQ(channel.BandPass(code, 0), code);
  const auto& h = channel.Filter.BandPassHistory;
  EXPECT_EQ(h[0], 32767);
  EXPECT_EQ(h[1], 700);
  // Sections that did not run pass their stale outputs down their own history.
  for (std::size_t i = 2; i < 2 + 3 * kBandPassSections; ++i) EXPECT_EQ(h[i], 9) << i;
}

TEST(IncomingSamples, FilterOutputsSaturateInsteadOfWrapping) {
  for (const bool notch : {true, false}) {
    std::vector<std::int16_t> codes(400);
    for (std::size_t i = 0; i < codes.size(); ++i) {
      codes[i] = notch ? (i < 5 ? std::int16_t{0} : std::int16_t{32000})
                       : (i % 2 != 0 ? std::int16_t{32767} : std::int16_t{-32768});
    }
    const std::vector<std::int16_t> input = codes;
    VessamorChannel channel;
    channel.Codes = codes.data();
    channel.CodeCapacity = static_cast<std::uint32_t>(codes.size());
    channel.CodeCount = 300;  // the rest is not written yet
    channel.NotchOn = notch ? 1 : 0;
    channel.BandPassOn = notch ? 0 : 1;
    channel.ConfigureFilter();
    channel.Filter.NotchPrimed = 1;  // start from rest, as before the first code
    channel.FilterIncomingSamples(0, 400);
    VessamorChannel reference;
    bool saturated = false;
    for (std::size_t i = 0; i < 300; ++i) {
      const std::int32_t y = notch ? reference.NotchCascade(input[i], 3) : reference.BandPass(input[i], 3);
      saturated = saturated || y > 32767 || y < -32768;
      ASSERT_EQ(codes[i], SaturateCode(y)) << i;
    }
    EXPECT_TRUE(saturated);
    EXPECT_TRUE(std::equal(codes.begin() + 300, codes.end(), input.begin() + 300));
  }
}

TEST(DesignedNotch, AZeroRateIsGuarded) {
  VessamorChannel channel;
  channel.DesignMainsNotch(1000);
  EXPECT_NE(channel.Filter.DesignedGain, 0);
  channel.DesignMainsNotch(0);  // no division by a zero rate
  EXPECT_EQ(channel.Filter.DesignedGain, 0);
  EXPECT_EQ(channel.Filter.DesignedDivisor, 4096);
}

}  // namespace
