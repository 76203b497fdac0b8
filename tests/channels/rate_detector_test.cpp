// Tests of the rate detectors: pulse, radioactivity, breathing and rotation, their histories and the flow volume.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "channels/conversions.h"
#include "channels/rate_detector.h"
#include "channels/vessamor_channel.h"
#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"

namespace {

// A channel of a view that is not set up: the test owns the codes and the time base.
struct RateFixture {
  explicit RateFixture(std::uint32_t rate, std::uint32_t samples = 200000) {
    view.RecordRate = rate;
    view.RateSetting = rate;
    view.SampleCapacity = samples;
    view.ChannelCapacity = samples;
    codes.assign(samples, 0);
    channel.View = &view;
    channel.Codes = codes.data();
    channel.CodeCapacity = samples;
    channel.Columns = columns.data();
    channel.TimeBase = columns.data();
    channel.ColumnCapacity = static_cast<std::uint32_t>(columns.size());
  }

  // Writes the codes from index 0 and hands them to the process hook in batches.
  void Feed(const std::vector<std::int16_t>& signal, std::uint32_t batch) {
    std::copy(signal.begin(), signal.end(), codes.begin());
    FeedWritten(0, static_cast<std::uint32_t>(signal.size()), batch);
  }
  void FeedWritten(std::uint32_t from, std::uint32_t to, std::uint32_t batch) {
    for (std::uint32_t first = from; first < to; first += batch) {
      channel.RateProcessFn(&channel, first, std::min(first + batch, to) - 1);
    }
  }

  GraphView view;
  std::vector<std::int16_t> codes;
  std::vector<ColumnRecord> columns = std::vector<ColumnRecord>(64);
  VessamorChannel channel;
};

std::vector<std::int16_t> Sine(std::size_t samples, double hertz, std::uint32_t rate, double amplitude,
                               double phase = 0.0) {
  std::vector<std::int16_t> out(samples);
  for (std::size_t i = 0; i < samples; ++i) {
    const double t = static_cast<double>(i) / rate;
    out[i] = static_cast<std::int16_t>(2048 + amplitude * std::sin(2 * std::numbers::pi * hertz * t + phase));
  }
  return out;
}

// Rectangular pulses of a height on a low baseline.
std::vector<std::int16_t> Pulses(std::size_t samples, std::size_t first, std::size_t spacing, std::size_t count,
                                 std::size_t width, std::int16_t height) {
  std::vector<std::int16_t> out(samples, 100);
  for (std::size_t p = 0; p < count; ++p) {
    for (std::size_t i = first + p * spacing; i < first + p * spacing + width && i < samples; ++i) out[i] = height;
  }
  return out;
}

TEST(PulseDetector, SyntheticPulseGivesItsRatePerMinute) {
  RateFixture f(1000);
  PulseInit(&f.channel);
  // 1.2 Hz is 72 beats per minute; three windows, fed as the tick would, and in one batch.
  const std::vector<std::int16_t> signal = Sine(15000, 1.2, 1000, 1000.0);
  f.Feed(signal, 100);
  RateFixture whole(1000);
  PulseInit(&whole.channel);
  whole.Feed(signal, 15000);
  const RateDetectorState& d = f.channel.RateDetector;
  ASSERT_EQ(d.HistoryCount, 3u);
  ASSERT_EQ(whole.channel.RateDetector.HistoryCount, 3u);
  for (std::uint32_t i = 0; i < 3; ++i) {
    EXPECT_NEAR(d.History[i], 72, 1) << i;
    EXPECT_EQ(whole.channel.RateDetector.History[i], d.History[i]) << i;
  }
  EXPECT_NEAR(d.Rate, 72.0f, 1.0f);
}

TEST(PulseDetector, FlatOrSinglePeakWindowsGiveZero) {
  std::vector<std::int16_t> flat(5000, 2048);
  for (std::size_t i = 0; i < flat.size(); i += 7) flat[i] = 2058;  // a range of 10 is still flat
  // 0.2 Hz: one peak in the five seconds, no interval to measure.
  for (const auto& signal : {flat, Sine(5000, 0.2, 1000, 1000.0)}) {
    RateFixture f(1000);
    PulseInit(&f.channel);
    f.Feed(signal, 500);
    ASSERT_EQ(f.channel.RateDetector.HistoryCount, 1u);
    EXPECT_EQ(f.channel.RateDetector.History[0], 0);
  }
}

TEST(PulseDetector, HistoryEntriesRoundToNearestWithTiesToEven) {
  struct Case {
    float rate;
    std::uint16_t entry;
  };
  const std::array<Case, 5> cases{{{72.5f, 72}, {73.5f, 74}, {72.6f, 73}, {-3.0f, 0}, {1.0e6f, 65535}}};
  for (const Case& c : cases) EXPECT_EQ(RateHistoryEntry(c.rate), c.entry) << c.rate;
}

TEST(PulseDetector, ValueAtAndDisplayReadTheHistorySafely) {
  RateFixture f(1000);
  PulseInit(&f.channel);
  RateDetectorState& d = f.channel.RateDetector;
  EXPECT_FLOAT_EQ(PulseValueAt(&f.channel, 7), 0.0f);  // count 0
  d.History.assign(400, 0);
  for (std::uint32_t i = 0; i < 400; ++i) d.History[i] = static_cast<std::uint16_t>(60 + i % 7);
  d.HistoryCount = 350;
  EXPECT_FLOAT_EQ(PulseValueAt(&f.channel, 3), static_cast<float>((60 + 61 + 62 + 63) / 4));
  EXPECT_FLOAT_EQ(PulseValueAt(&f.channel, 100000), static_cast<float>(d.History[349]));
  f.columns[2].FirstSample = 2 * 5000 + 10;  // window 2
  EXPECT_FLOAT_EQ(PulseDisplay(&f.channel, 2), PulseValueAt(&f.channel, 2));
  EXPECT_FLOAT_EQ(PulseDisplay(&f.channel, 60000), 60.0f);
  // A count from a record file that names no entry is refused.
  EXPECT_FALSE(d.AcceptHistoryCount(400));
  EXPECT_EQ(d.HistoryCount, 0u);
  d.History.clear();
  d.HistoryCount = 1;
  EXPECT_FLOAT_EQ(PulseValueAt(&f.channel, 5), 0.0f);
  f.channel.FillRateHistory();  // nothing to write into
}

TEST(RateDetectors, RateZeroTurnsThemOffAndLowRatesEndEveryBatch) {
  using Hooks = void (*)(VessamorChannel&);
  const std::array<Hooks, 4> sets{&InstallPulseHooks, &InstallRadiationHooks, &InstallBreathingHooks,
                                  &InstallRotationHooks};
  for (const Hooks install : sets) {
    for (const std::uint32_t rate : {0u, 50u}) {
      RateFixture f(rate, 20000);
      install(f.channel);
      f.channel.RateInitFn(&f.channel);
      f.Feed(Pulses(20000, 10, 40, 400, 8, 3000), 333);
      f.channel.RateProcessFn(&f.channel, 19990, 50000);  // past the codes it holds
      f.channel.RateProcessFn(&f.channel, 500, 100);      // an empty batch
      (void)f.channel.RateDisplayFn(&f.channel, 5);
      (void)f.channel.RateValueAtFn(&f.channel, 3);
      if (rate == 0) {
        EXPECT_EQ(f.channel.RateDetector.HistoryCount, 0u);
      }
    }
  }
  RateFixture pulse(50, 20000);
  PulseInit(&pulse.channel);
  pulse.Feed(std::vector<std::int16_t>(1000, 2048), 333);
  EXPECT_EQ(pulse.channel.RateDetector.HistoryCount, 4u);  // 250-sample windows
}

TEST(RadiationDetector, CountsEveryPulseWhereverTheBatchesSplitThem) {
  for (const std::uint32_t batch : {1u, 37u, 1000u, 40000u}) {
    RateFixture f(1000, 200000);
    InstallRadiationHooks(f.channel);
    RadiationInit(&f.channel);
    // 25 pulses in the first 40-second window, 7 in the second, none in the third.
    std::vector<std::int16_t> signal = Pulses(120000, 500, 1500, 25, 6, 3000);
    const std::vector<std::int16_t> second = Pulses(120000, 41000, 2000, 7, 9, 2500);
    for (std::size_t i = 40000; i < 80000; ++i) signal[i] = second[i];
    f.Feed(signal, batch);
    const RateDetectorState& d = f.channel.RateDetector;
    ASSERT_EQ(d.HistoryCount, 3u) << batch;
    EXPECT_EQ(d.History[0], 25) << batch;
    EXPECT_EQ(d.History[1], 7) << batch;
    EXPECT_EQ(d.History[2], 0) << batch;
    EXPECT_FLOAT_EQ(RadiationValueAt(&f.channel, 1), 7.0f);
  }
}

TEST(RadiationDetector, WindowWithoutPulsesStoresZeroAndAFarCursorAsksForARedraw) {
  RateFixture f(1000, 100000);
  InstallRadiationHooks(f.channel);
  RadiationInit(&f.channel);
  f.view.CursorColumn = 10;
  f.view.LastShownColumn = 32;
  f.Feed(std::vector<std::int16_t>(40000, 900), 4000);
  EXPECT_EQ(f.channel.RateDetector.History[0], 0);
  EXPECT_EQ(f.view.RedrawRequested, 1);
}

TEST(BreathingDetector, FlatSignalLeavesTheEntryAtZero) {
  RateFixture f(100, 100000);
  InstallBreathingHooks(f.channel);
  BreathRateInit(&f.channel);
  EXPECT_EQ(f.channel.RateDetector.History.size(), 100000u / 1500u);
  EXPECT_EQ(f.channel.HistoryStepSeconds, 15u);
  std::vector<std::int16_t> signal(1500, 2048);
  for (std::size_t i = 0; i < signal.size(); i += 3) signal[i] = 2098;  // a span of 50 counts nothing
  f.Feed(signal, 100);
  EXPECT_EQ(f.channel.RateDetector.History[0], 0);
  EXPECT_EQ(f.channel.RateDetector.HistoryCount, 1u);
}

TEST(BreathingDetector, OneCycleInTheFirstStepGivesFourPerMinute) {
  RateFixture f(100, 100000);
  InstallBreathingHooks(f.channel);
  BreathRateInit(&f.channel);
  std::vector<std::int16_t> signal(1500, 2048);
  const std::vector<std::int16_t> cycle = Sine(400, 0.25, 100, 300.0);
  std::copy(cycle.begin(), cycle.end(), signal.begin() + 200);
  f.Feed(signal, 1499);
  EXPECT_EQ(f.channel.RateDetector.History[0], 4);
  // The last sample closed the 1500-sample step; the next one starts at 0.
  EXPECT_EQ(f.channel.RateDetector.HistoryCount, 1u);
  EXPECT_FLOAT_EQ(BreathRateAt(&f.channel, 5), 4.0f);  // beyond the current step
}

TEST(BreathingDetector, DisplayShowsTheRateOnlyInRateModeOnTheMeasureScreen) {
  RateFixture f(100, 100000);
  FakeMainWindow window;
  f.channel.MainWindow = &window;
  f.channel.RawToValueFn = &FractionFromCode12;
  InstallBreathingHooks(f.channel);
  BreathRateInit(&f.channel);
  RateDetectorState& d = f.channel.RateDetector;
  d.History[0] = 4;
  d.History[1] = 12;
  d.History[2] = 16;
  d.HistoryCount = 2;
  f.columns[7].FirstSample = 1500 + 20;
  f.columns[7].MaxCode = 4095;
  f.columns[8].FirstSample = 3 * 1500;
  window.Bytes.BreathingDisplayMode = 1;
  window.Bytes.MeasureScreenActive = 1;
  EXPECT_FLOAT_EQ(BreathRateDisplay(&f.channel, 7), 12.0f);
  EXPECT_FLOAT_EQ(BreathRateDisplay(&f.channel, 8), 4.0f);
  window.Bytes.BreathingDisplayMode = 2;
  EXPECT_FLOAT_EQ(BreathRateDisplay(&f.channel, 7), 1.0f);
}

// Rotation: pulses of 50 samples, 1000 samples apart at 10 kHz; the rate is written back as 8.8 codes.
struct RotationCase {
  std::uint16_t kind;
  float rate;
};

TEST(RotationDetector, PulsesAThousandSamplesApartGiveTheKindsRate) {
  for (const RotationCase c : {RotationCase{73, 0.5f}, RotationCase{77, 2.5f}}) {
    RateFixture f(10000, 100000);
    f.channel.SensorCode = c.kind;
    f.channel.RawToValueFn = &RevolutionsFromCode;
      InstallRotationHooks(f.channel);
    RotationInit(&f.channel);
    f.Feed(Pulses(6000, 1000, 1000, 5, 50, 3000), 250);
    // The first pulse after the pause only starts the ramp.
    EXPECT_EQ(f.codes[1000], 0);
    for (const std::size_t pulse : {2000u, 3000u, 4000u, 5000u}) {
      EXPECT_FLOAT_EQ(RevolutionsFromCode(f.codes[pulse], nullptr), c.rate) << c.kind << " at " << pulse;
    }
    EXPECT_NEAR(f.channel.RateDetector.Rotation.CurrentRate, c.rate, 1e-9);
    // Between two measured pulses the codes climb along the line to the new rate.
    EXPECT_LT(f.codes[1500], f.codes[1999]);
    EXPECT_FLOAT_EQ(RevolutionsFromCode(f.codes[3500], nullptr), c.rate);
  }
}

TEST(RotationDetector, HalfASecondWithoutPulsesLetsTheRateFallToZero) {
  RateFixture f(10000, 100000);
  f.channel.SensorCode = 73;
  InstallRotationHooks(f.channel);
  RotationInit(&f.channel);
  f.Feed(Pulses(20000, 1000, 1000, 3, 50, 3000), 250);
  const std::int16_t at_pulse = f.codes[3000];
  ASSERT_EQ(at_pulse, 128);
  EXPECT_EQ(f.channel.RateDetector.Rotation.Ramp, 0);
  EXPECT_EQ(f.channel.RateDetector.Rotation.CurrentRate, 0.0);
  // A straight fall from the last rate to 0 at the end of the first batch half a second on.
  constexpr std::size_t kEnd = 8249;
  for (std::size_t i = 3001; i <= kEnd; ++i) ASSERT_LE(f.codes[i], f.codes[i - 1]) << i;
  EXPECT_NEAR(f.codes[3000 + (kEnd - 3000) / 2], at_pulse / 2, 1);
  EXPECT_EQ(f.codes[kEnd], 0);
  EXPECT_EQ(*std::max_element(f.codes.begin() + kEnd, f.codes.begin() + 20000), 0);
}

TEST(RotationDetector, RateCodesSaturateAtTheLargestCode) {
  RateFixture f(10000, 100000);
  f.channel.SensorCode = 73;
  InstallRotationHooks(f.channel);
  RotationInit(&f.channel);
  f.Feed(std::vector<std::int16_t>(100, 100), 100);
  // A rate far above what 8.8 codes hold (a unit sending garbage): the written line must not wrap.
  RotationDetectorState& r = f.channel.RateDetector.Rotation;
  r.Ramp = 1;
  r.LastPulse = 99;
  r.PulseStart = 0;
  r.PreviousRate = r.CurrentRate = 1000.0;
  std::fill(f.codes.begin() + 100, f.codes.begin() + 1100, std::int16_t{100});
  std::fill(f.codes.begin() + 1100, f.codes.begin() + 1150, std::int16_t{3000});
  f.FeedWritten(100, 1200, 1100);
  for (std::size_t i = 100; i <= 1100; ++i) ASSERT_EQ(f.codes[i], 32767) << i;
  EXPECT_EQ(f.channel.RunMax, 32767);
}

TEST(FlowVolume, IntegratesBetweenTheMarkersOfAPair) {
  RateFixture f(100, 10000);
  f.channel.RawToValueFn = [](std::int16_t code, const VessamorChannel*) { return static_cast<float>(code); };
  std::fill(f.codes.begin(), f.codes.begin() + 1000, std::int16_t{20});  // 20 ml/s
  for (std::uint32_t c = 0; c < 20; ++c) {
    f.columns[c].FirstSample = c * 50;
    f.columns[c].SampleCount = 50;
  }
  f.view.Markers[1].Set = 1;
  f.view.Markers[1].Column = 12;
  f.view.Markers[2].Set = 1;
  f.view.Markers[2].Column = 2;
  // Samples 100 to 648: 549 samples at 20 ml/s and 100 Hz.
  EXPECT_NEAR(f.channel.IntegrateBetweenMarkers(1), 549 * 20.0f / 100.0f, 1e-2);
  f.view.Markers[2].Column = 12;
  EXPECT_FLOAT_EQ(f.channel.IntegrateBetweenMarkers(1), 0.0f);  // one column: s >= e
  f.view.Markers[2].Set = 0;
  EXPECT_FLOAT_EQ(f.channel.IntegrateBetweenMarkers(1), 0.0f);
  EXPECT_FLOAT_EQ(f.channel.IntegrateBetweenMarkers(3), 0.0f);  // no marker after the last
  f.view.Markers[2].Set = 1;
  f.view.Markers[2].Column = 60000;
  EXPECT_FLOAT_EQ(f.channel.IntegrateBetweenMarkers(1), 0.0f);  // beyond the column table
}

}  // namespace
