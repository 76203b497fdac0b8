// Tests of the rate detectors: pulse, radioactivity, breathing and rotation, their histories and the flow volume.
#include "channels/rate_detector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "channel_fixtures.h"
#include "channels/conversions.h"

namespace {

// A channel of a view that is not set up: the test owns the codes and the time base.
struct RateFixture : LoneChannel {
  RateFixture(std::uint32_t rate, void (*install)(VessamorChannel&), std::uint32_t samples = 100000,
              std::uint16_t kind = 0)
      : LoneChannel(std::vector<std::int16_t>(samples, 0), 0, 64) {
    view.RecordRate = view.RateSetting = rate;
    view.SampleCapacity = view.ChannelCapacity = samples;
    channel.View = &view;
    channel.SensorCode = kind;
    channel.RawToValueFn = &RevolutionsFromCode;
    install(channel);
    channel.RateInitFn(&channel);
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
  const RateDetectorState& D() const { return channel.RateDetector; }
  GraphView view;
};

std::vector<std::int16_t> Sine(std::size_t samples, double hertz, std::uint32_t rate, double amplitude) {
  std::vector<std::int16_t> out(samples);
  for (std::size_t i = 0; i < samples; ++i) {
    out[i] = static_cast<std::int16_t>(
        2048 + amplitude * std::sin(2 * std::numbers::pi * hertz * static_cast<double>(i) / rate));
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

TEST(PulseDetector, SyntheticPulseGivesItsRatePerMinuteAndFlatWindowsZero) {
  // 1.2 Hz is 72 beats per minute; three windows, fed as the tick would, and in one batch.
  const std::vector<std::int16_t> signal = Sine(15000, 1.2, 1000, 1000.0);
  RateFixture f(1000, InstallPulseHooks), whole(1000, InstallPulseHooks);
  f.Feed(signal, 100);
  whole.Feed(signal, 15000);
  ASSERT_EQ(f.D().HistoryCount, 3u);
  for (std::uint32_t i = 0; i < 3; ++i) EXPECT_NEAR(f.D().History[i], 72, 1) << i;
  EXPECT_EQ(whole.D().History, f.D().History);
  // A range of 10 is still flat; 0.2 Hz has one peak in the five seconds, no interval to measure.
  std::vector<std::int16_t> flat(5000, 2048);
  for (std::size_t i = 0; i < flat.size(); i += 7) flat[i] = 2058;
  for (const auto& quiet : {flat, Sine(5000, 0.2, 1000, 1000.0)}) {
    RateFixture q(1000, InstallPulseHooks);
    q.Feed(quiet, 500);
    ASSERT_EQ(q.D().HistoryCount, 1u);
    EXPECT_EQ(q.D().History[0], 0);
  }
}

TEST(PulseDetector, HistoryEntriesRoundToNearestWithTiesToEven) {
  const std::pair<float, std::uint16_t> cases[] = {{72.5f, 72}, {73.5f, 74}, {72.6f, 73}, {-3.0f, 0}, {1.0e6f, 65535}};
  for (const auto& [rate, entry] : cases) EXPECT_EQ(RateHistoryEntry(rate), entry) << rate;
}

TEST(PulseDetector, ValueAtAndDisplayReadTheHistorySafely) {
  RateFixture f(1000, InstallPulseHooks);
  RateDetectorState& d = f.channel.RateDetector;
  EXPECT_FLOAT_EQ(PulseValueAt(&f.channel, 7), 0.0f);  // count 0
  d.History.assign(400, 0);
  for (std::uint32_t i = 0; i < 400; ++i) d.History[i] = static_cast<std::uint16_t>(60 + i % 7);
  d.HistoryCount = 350;
  EXPECT_FLOAT_EQ(PulseValueAt(&f.channel, 3), static_cast<float>((60 + 61 + 62 + 63) / 4));
  EXPECT_FLOAT_EQ(PulseValueAt(&f.channel, 100000), static_cast<float>(d.History[349]));
  EXPECT_FLOAT_EQ(PulseDisplay(&f.channel, 60000), 60.0f);
  // A count from a record file may fill the history, never go beyond it.
  EXPECT_TRUE(!d.AcceptHistoryCount(401) && d.AcceptHistoryCount(400));
  d.History.clear();
  d.HistoryCount = 1;
  EXPECT_FLOAT_EQ(PulseValueAt(&f.channel, 5), 0.0f);
  f.channel.FillRateHistory();  // nothing to write into
}

TEST(RateDetectors, RateZeroTurnsThemOffAndLowRatesEndEveryBatch) {
  for (auto install : {&InstallPulseHooks, &InstallRadiationHooks, &InstallBreathingHooks, &InstallRotationHooks}) {
    for (const std::uint32_t rate : {0u, 50u}) {
      RateFixture f(rate, install, 20000);
      f.Feed(Pulses(20000, 10, 40, 400, 8, 3000), 333);
      f.channel.RateProcessFn(&f.channel, 19990, 50000);  // past the codes it holds
      f.channel.RateProcessFn(&f.channel, 500, 100);      // an empty batch
      (void)f.channel.RateDisplayFn(&f.channel, 5);
      (void)f.channel.RateValueAtFn(&f.channel, 3);
      EXPECT_TRUE(rate != 0 || f.D().HistoryCount == 0u);
    }
  }
  RateFixture pulse(50, InstallPulseHooks, 20000);
  pulse.Feed(std::vector<std::int16_t>(1000, 2048), 333);
  EXPECT_EQ(pulse.D().HistoryCount, 4u);  // 250-sample windows
}

TEST(RadiationDetector, CountsEveryPulseWhereverTheBatchesSplitThem) {
  // 25 pulses in the first 40-second window, 7 in the second, none in the third.
  std::vector<std::int16_t> signal = Pulses(120000, 500, 1500, 25, 6, 3000);
  const std::vector<std::int16_t> second = Pulses(120000, 41000, 2000, 7, 9, 2500);
  std::copy(second.begin() + 40000, second.begin() + 80000, signal.begin() + 40000);
  for (const std::uint32_t batch : {1u, 37u, 40000u}) {
    RateFixture f(1000, InstallRadiationHooks, 200000);
    f.Feed(signal, batch);
    ASSERT_EQ(f.D().HistoryCount, 3u) << batch;
    EXPECT_EQ(f.D().History[0], 25) << batch;
    EXPECT_EQ(f.D().History[1], 7) << batch;
    EXPECT_EQ(f.D().History[2], 0) << batch;
  }
}

TEST(BreathingDetector, FlatSignalGivesZeroAndOneCycleInTheFirstStepFour) {
  RateFixture flat(100, InstallBreathingHooks);
  EXPECT_EQ(flat.D().History.size(), 100000u / 1500u);
  std::vector<std::int16_t> signal(1500, 2048);
  for (std::size_t i = 0; i < signal.size(); i += 3) signal[i] = 2098;  // a span of 50 counts nothing
  flat.Feed(signal, 100);
  EXPECT_EQ(flat.D().History[0], 0);
  EXPECT_EQ(flat.D().HistoryCount, 1u);

  RateFixture f(100, InstallBreathingHooks);
  std::fill(signal.begin(), signal.end(), 2048);
  const std::vector<std::int16_t> cycle = Sine(400, 0.25, 100, 300.0);
  std::copy(cycle.begin(), cycle.end(), signal.begin() + 200);
  f.Feed(signal, 1499);
  EXPECT_EQ(f.D().History[0], 4);
  EXPECT_EQ(f.D().HistoryCount, 1u);                   // the last sample closed the 1500-sample step
  EXPECT_FLOAT_EQ(BreathRateAt(&f.channel, 5), 4.0f);  // beyond the current step
}

TEST(BreathingDetector, SteadyBreathingGivesItsRateInEveryStepWhateverTheBatches) {
  // Four 15-second steps at 100 Hz; each step's entry counts four per breath, so a breath more or
  // less in a step is 4 a minute.
  for (const double per_minute : {15.0, 18.0, 30.0, 7.0}) {
    const std::vector<std::int16_t> signal = Sine(6000, per_minute / 60.0, 100, 1200.0);
    std::vector<std::uint16_t> first;
    for (const std::uint32_t batch : {1u, 7u, 100u, 1499u, 6000u}) {
      RateFixture f(100, InstallBreathingHooks);
      f.Feed(signal, batch);
      ASSERT_EQ(f.D().HistoryCount, 4u) << per_minute << " " << batch;
      for (std::uint32_t i = 0; i < 4; ++i) EXPECT_NEAR(f.D().History[i], per_minute, 4.0) << per_minute << " " << i;
      const std::vector<std::uint16_t> entries(f.D().History.begin(), f.D().History.begin() + 4);
      if (first.empty()) first = entries;
      EXPECT_EQ(entries, first) << per_minute << " " << batch;
    }
  }
}

TEST(BreathingDetector, ALaterStepRepeatsTheEntryBeforeItUntilItsSecondSecondWhateverTheBatches) {
  // One step whole, then under two seconds of the next (100 Hz): read in small or large batches,
  // the new step's entry is the last step's rate, never a 0 between steps.
  const std::vector<std::int16_t> signal = Sine(1699, 0.3, 100, 1200.0);
  for (const std::uint32_t batch : {1u, 50u, 150u, 199u, 1699u}) {
    RateFixture f(100, InstallBreathingHooks);
    f.Feed(signal, batch);
    ASSERT_EQ(f.D().HistoryCount, 1u) << batch;
    EXPECT_NEAR(f.D().Entry(0), 18.0, 4.0) << batch;
    EXPECT_EQ(f.D().Entry(1), f.D().Entry(0)) << batch;
  }
}

TEST(BreathingDetector, DisplayShowsWhatTheChannelWasSetUpAsOnTheMeasureScreen) {
  RateFixture f(100, InstallBreathingHooks);
  FakeMainWindow window;
  f.channel.MainWindow = &window;
  f.channel.RawToValueFn = &FractionFromCode12;
  RateDetectorState& d = f.channel.RateDetector;
  d.History[0] = 4;
  d.History[1] = 12;
  d.HistoryCount = 2;
  f.columns[7].FirstSample = 1500 + 20;
  f.columns[7].MaxCode = 4095;
  window.Bytes.MeasureScreenActive = 1;
  // The choice the channel is set up with; cleared beside another sensor (0), the channel keeps its own.
  const struct {
    std::uint8_t mode;
    float shows;
  } steps[] = {{1, 12.0f}, {0, 12.0f}, {2, 1.0f}, {0, 1.0f}, {1, 12.0f}};
  for (const auto& step : steps) {
    window.Bytes.BreathingDisplayMode = step.mode;
    TakeBreathingChoice(f.channel);
    EXPECT_FLOAT_EQ(BreathRateDisplay(&f.channel, 7), step.shows) << int(step.mode);
  }
  // Off the measurement screen, the signal.
  window.Bytes.MeasureScreenActive = 0;
  EXPECT_FLOAT_EQ(BreathRateDisplay(&f.channel, 7), 1.0f);
}

TEST(RotationDetector, PulsesAThousandSamplesApartGiveTheKindsRate) {
  // Pulses of 50 samples, 1000 samples apart at 10 kHz; the rate is written back as 8.8 codes.
  for (const auto& [kind, rate] : {std::pair<std::uint16_t, float>{73, 0.5f}, {77, 2.5f}}) {
    RateFixture f(10000, InstallRotationHooks, 100000, kind);
    f.Feed(Pulses(6000, 1000, 1000, 5, 50, 3000), 250);
    EXPECT_EQ(f.codes[1000], 0);  // the first pulse after the pause only starts the ramp
    for (const std::size_t pulse : {2000u, 3500u, 5000u}) {
      EXPECT_FLOAT_EQ(RevolutionsFromCode(f.codes[pulse], nullptr), rate) << kind << " at " << pulse;
    }
    EXPECT_LT(f.codes[1500], f.codes[1999]);  // between two pulses the codes climb to the new rate
  }
}

TEST(RotationDetector, WithoutPulsesTheRateFallsToZeroAfterTwoIntervalsBetweenHalfASecondAndTheWindow) {
  // Kind 73 at 10 kHz, three pulses `gap` apart: the rate stands for twice the gap, at least half a
  // second and at most the window (two seconds, the interval of 0.025 rev/s at 20 pulses a revolution).
  const struct {
    std::size_t gap;
    std::size_t end;  // the last sample of the first batch of 250 past the time the rate stands
  } cases[] = {{1000, 3000 + 5249}, {4000, 9000 + 8249}, {15000, 31000 + 20249}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.gap);
    const std::size_t last_pulse = 1000 + 2 * c.gap, size = c.end + 3000;
    RateFixture f(10000, InstallRotationHooks, size, 73);
    f.Feed(Pulses(size, 1000, c.gap, 3, 50, 3000), 250);
    const std::int16_t top = f.codes[last_pulse];
    ASSERT_GT(top, 0);
    EXPECT_EQ(f.D().Rotation.CurrentRate, 0.0);
    // A straight fall from the last rate to 0 at the end of that batch.
    for (std::size_t i = last_pulse + 1; i <= c.end; ++i) ASSERT_LE(f.codes[i], f.codes[i - 1]) << i;
    EXPECT_NEAR(f.codes[last_pulse + (c.end - last_pulse) / 2], top / 2, 1);
    EXPECT_EQ(*std::max_element(f.codes.begin() + c.end, f.codes.end()), 0);
  }
}

TEST(RotationDetector, PulsesAsFarApartAsTheWindowGiveTheSlowestRateAndFartherNone) {
  // 0.025 rev/s: one pulse in 2 s at 20 pulses a revolution (73), one in 10 s at 4 (77).
  for (const auto& [kind, seconds] : {std::pair<std::uint16_t, std::size_t>{73, 2}, {77, 10}}) {
    const std::size_t window = seconds * 1000;
    ASSERT_EQ(RotationWindow(kind, 1000), window);
    for (const std::size_t gap : {window, window + 1}) {
      RateFixture f(1000, InstallRotationHooks, 3 * gap + 500, kind);
      f.Feed(Pulses(3 * gap + 500, 100, gap, 3, 20, 3000), 300);
      const float third = RevolutionsFromCode(f.codes[100 + 2 * gap], nullptr);
      if (gap == window) {
        EXPECT_NEAR(third, 0.025f, 1.0f / 256) << kind;
      } else {
        EXPECT_EQ(third, 0.0f) << kind << ": each pulse starts afresh";
      }
    }
  }
}

TEST(RotationDetector, RateCodesSaturateAtTheLargestCode) {
  RateFixture f(10000, InstallRotationHooks, 100000, 73);
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
  LoneChannel f(std::vector<std::int16_t>(10000, 0), 0, 64);
  GraphView view;
  view.RecordRate = 100;
  f.channel.View = &view;
  f.channel.RawToValueFn = &Identity;
  std::fill(f.codes.begin(), f.codes.begin() + 1000, std::int16_t{20});  // 20 ml/s
  for (std::uint32_t c = 0; c < 20; ++c) {
    f.columns[c].FirstSample = c * 50;
    f.columns[c].SampleCount = 50;
  }
  view.Markers[1].Set = view.Markers[2].Set = 1;
  view.Markers[1].Column = 12;
  view.Markers[2].Column = 2;
  // Samples 100 to 648: 549 samples at 20 ml/s and 100 Hz.
  EXPECT_NEAR(f.channel.IntegrateBetweenMarkers(1), 549 * 20.0f / 100.0f, 1e-2);
  EXPECT_FLOAT_EQ(f.channel.IntegrateBetweenMarkers(3), 0.0f);  // no marker after the last
  for (std::uint16_t column : {12, 60000}) {                    // one column; beyond the column table
    view.Markers[2].Column = column;
    EXPECT_FLOAT_EQ(f.channel.IntegrateBetweenMarkers(1), 0.0f) << column;
  }
}

}  // namespace
