// Tests of the acquisition tick: the sweep by screens, timed records, derived channels, incoming filters, guards, redraws, stops.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <vector>

#include "acquisition/acquisition_tick.h"
#include "acquisition/device_families.h"
#include "acquisition/device_status.h"
#include "channels/mains_filters.h"
#include "fakes/fake_main_window.h"
#include "fakes/stepped_clock.h"
#include "graph/graph_view.h"

namespace {

// 1000 plot columns; with the view's initial scales (10 divisions of 1 s at 1000 Hz) a column is 10 samples.
constexpr PixelRect kPlot{0, 0, 1000, 800};
constexpr std::uint32_t kCapacity = 400000;

float Hundredths(std::int16_t code, const VessamorChannel*) { return code * 0.01f; }

class AcquisitionTickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(view.Init(kCapacity, kPlot, 0, &window));
    // The view keeps margins round its plot: widen it until the plot is 1000 columns.
    view.SetViewRect(PixelRect{0, 0, 2 * kPlot.Right - view.PlotWidth, kPlot.Bottom}, 0);
    view.TickClock = &clock;
  }

  // Enables the channels with the plain reduction (no look-ahead) and splits the buffer among them.
  void Enable(std::initializer_list<std::size_t> channels) {
    for (std::size_t k : channels) {
      VessamorChannel& channel = view.Channel(k);
      channel.Enabled = 1;
      channel.SmoothingOn = 0;
      channel.ConfigureFilter();
    }
    view.SetChannelFlags(4, 0);
  }

  void Start() {
    view.Recording = 1;
    view.ComputeStartIndexes();
  }

  // Writes codes as a decoder does.
  void Feed(std::size_t channel, std::uint32_t count, const std::function<std::int16_t(std::uint32_t)>& code) {
    for (std::uint32_t n = 0; n < count; ++n) ASSERT_TRUE(view.Channel(channel).AppendCode(code(written[channel]++)));
  }

  FakeMainWindow window{1280, 994};
  GraphView view;
  SteppedClock clock{5000};
  std::array<std::uint32_t, 4> written{};
};

std::int16_t Sawtooth(std::uint32_t i) { return static_cast<std::int16_t>(i % 4096); }

// The largest code of a sawtooth run of samples, as the plain reduction keeps it.
std::int16_t SawtoothMax(std::uint32_t first, std::uint32_t count) {
  std::int16_t m = Sawtooth(first);
  for (std::uint32_t i = first; i < first + count; ++i) m = std::max(m, Sawtooth(i));
  return m;
}

TEST_F(AcquisitionTickTest, SweepMovesByWholeScreensWhateverTheBatches) {
  ASSERT_DOUBLE_EQ(view.Scale.SamplesPerColumn, 10.0);
  struct Case {
    std::uint32_t samples;
    std::uint32_t batch;
    std::uint32_t screens;
    std::uint16_t drawn;
  };
  const std::array<Case, 4> cases{{{10500, 10500, 1, 50}, {10500, 7, 1, 50}, {9990, 9990, 0, 999}, {25000, 300, 2, 500}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.samples << " in batches of " << c.batch);
    written = {};
    Enable({0});
    Start();
    for (std::uint32_t fed = 0; fed < c.samples; fed += c.batch) {
      Feed(0, std::min(c.batch, c.samples - fed), Sawtooth);
      view.AcquisitionTick();
    }
    const std::uint32_t screen_first = c.screens * view.PlotWidth * 10;
    EXPECT_DOUBLE_EQ(view.Sweep.TimeOrigin, screen_first / 1000.0);
    EXPECT_EQ(view.Sweep.LastDrawnColumn, c.drawn);

    // The drawn columns tile the samples of the screen, 10 each, with their extremes.
    const ColumnRecord* base = view.Channel(0).TimeBase;
    for (std::uint16_t col = 1; col <= c.drawn; ++col) {
      ASSERT_EQ(base[col].FirstSample, screen_first + (col - 1) * 10u) << "column " << col;
      ASSERT_EQ(view.Channel(0).Columns[col].MaxCode, SawtoothMax(base[col].FirstSample, 10)) << "column " << col;
    }
  }
}

TEST_F(AcquisitionTickTest, NoNewSamplesDoNothingAndAResetCountsAfresh) {
  Enable({0});
  Start();
  Feed(0, 9, Sawtooth);  // less than a column waits
  view.AcquisitionTick();
  EXPECT_EQ(view.Sweep.FirstUnprocessed, 0u);
  Feed(0, 491, Sawtooth);
  view.AcquisitionTick();
  EXPECT_EQ(window.InvalidateCount(), 1u);
  // No new samples, however much time passes: no processing, no redraw.
  for (int i = 0; i < 5; ++i) {
    clock.Now += 100;
    view.AcquisitionTick();
  }
  EXPECT_EQ(view.Sweep.LastDrawnColumn, 50);
  EXPECT_EQ(window.InvalidateCount(), 1u);

  // After a wrap the counts are below the old first unprocessed index; the next samples still count.
  view.Events().ResetRecordingBuffers();
  Feed(0, 100, Sawtooth);
  clock.Now += 100;
  view.AcquisitionTick();
  EXPECT_EQ(view.SampleCount, 100u);
  EXPECT_EQ(view.Sweep.LastDrawnColumn, 10);
}

TEST_F(AcquisitionTickTest, TimedBreathingRecordOnlyOnTheMeasureScreenInRangeMode) {
  struct Case {
    std::uint8_t range_mode, measure_screen;
    bool timed;
  } cases[] = {{1, 1, true}, {0, 1, false}, {1, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int{c.range_mode} << " " << int{c.measure_screen});
    written = {};
    window.Bytes.RangeMode = c.range_mode;
    window.Bytes.MeasureScreenActive = c.measure_screen;
    Enable({0});
    view.Channel(0).SensorCode = 40;
    view.RateSetting = 100;
    Start();
    const std::uint32_t limit = kTimedBreathSeconds * view.RateSetting;
    Feed(0, limit - 1, Sawtooth);
    view.AcquisitionTick();
    EXPECT_EQ(view.RecordingState.load(), c.timed ? 1 : 0);
    // Samples that arrive before the poll ends the record stay outside it.
    Feed(0, 501, Sawtooth);
    view.AcquisitionTick();
    EXPECT_EQ(view.RecordingState.load(), c.timed ? 2 : 0);
    EXPECT_EQ(view.SampleCount, c.timed ? limit : limit + 500);
  }
}

TEST_F(AcquisitionTickTest, MagnitudeChannelFromThreeAxes) {
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    std::array<std::int16_t, 3> codes, zero;
    std::array<float, 3> gain_squared;
    bool axis2_enabled;  // axis 2 may be left out
    std::int16_t expected;
  } cases[] = {
      // √(30² + 4·20² + 40²/4) = 53.9 over the zero code 2048.
      {{2048 + 10 + 30, 2048 + 20 + 20, 2048 + 30 + 40}, {10, 20, 30}, {1.0f, 4.0f, 0.25f}, true, 2101},
      {{2048 + 10 + 30, 2048 + 20 + 20, 0}, {10, 20, 30}, {1.0f, 4.0f, 0.25f}, false, 2098},
      // Three axes at full scale pass the 12-bit codes; a wild gain stops at the largest code.
      {{4095, 4095, 4095}, {0, 0, 0}, {1.0f, 1.0f, 1.0f}, true, 5593},
      {{4095, 0, 4095}, {10, 20, 30}, {900.0f, 900.0f, 900.0f}, true, 32767},
      {{4095, 0, 4095}, {0, 0, 0}, {kNaN, 1.0f, 1.0f}, true, 2048},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    written = {};
    for (std::size_t k = 0; k < 4; ++k) view.Channel(k).Enabled = 0;
    Enable({0, 1, 3});
    if (c.axis2_enabled) Enable({2});
    for (std::size_t j = 0; j < 3; ++j) {
      view.Channel(j).SensorCode = 7;
      view.Channel(j).GainSquared = c.gain_squared[j];
      view.Channel(j).AdcZeroCode = 2048;
    }
    view.Channel(3).AxisZeroCodes = c.zero;
    Start();
    for (std::size_t j = 0; j < 3; ++j) {
      if (j < 2 || c.axis2_enabled) Feed(j, 100, [&](std::uint32_t) { return c.codes[j]; });
    }
    view.AcquisitionTick();
    // The magnitude channel does not hold the newest back, and follows the axes' count.
    ASSERT_EQ(view.Channel(3).CodeCount, 100u);
    EXPECT_EQ(view.Channel(3).Codes[99], c.expected);
  }
}

TEST_F(AcquisitionTickTest, DerivedSpeedAndAccelerationFromDistance) {
  Enable({0, 1, 2});
  view.Channel(0).SensorCode = 52;
  view.Channel(0).RawToValueFn = &Hundredths;
  Start();
  // Distance codes: a steady rise of 2 codes per sample, a jump up, a jump down.
  auto code = [](std::uint32_t i) -> std::int16_t {
    if (i < 100) return static_cast<std::int16_t>(1000 + 2 * i);
    return i < 150 ? 30000 : 100;
  };
  // Fed in uneven batches: a batch boundary must not change a derived code.
  for (std::uint32_t batch : {37u, 63u, 25u, 75u}) {
    Feed(0, batch, code);
    view.AcquisitionTick();
  }
  // A steady 20 units/s: the same speed throughout and no acceleration, across every batch boundary.
  ASSERT_EQ(view.Channel(2).CodeCount, 200u);
  EXPECT_EQ(view.Channel(1).Codes[0], 0);
  for (std::uint32_t i = 2; i < 100; ++i) {
    ASSERT_NEAR(view.Channel(1).Codes[i], 1.6 * 20.0 + kDerivedZeroCode, 1.0) << "speed " << i;
    ASSERT_NEAR(view.Channel(2).Codes[i], kDerivedZeroCode, 1) << "acceleration " << i;
  }
  // The jumps sit at the ends of the code range.
  EXPECT_EQ(view.Channel(1).Codes[100], kDerivedCodeMax);
  EXPECT_EQ(view.Channel(2).Codes[100], kDerivedCodeMax);
  EXPECT_EQ(view.Channel(1).Codes[150], 0);
  EXPECT_EQ(view.Channel(2).Codes[150], 0);
}

TEST_F(AcquisitionTickTest, NotchFiltersEachIncomingSampleOnce) {
  auto mains = [](std::uint32_t i) {
    return static_cast<std::int16_t>(2048 + std::lround(400.0 * std::sin(2.0 * 3.14159265358979 * 50.0 * i / 1000.0)));
  };
  // The centred smoothing holds the columns back behind the newest sample.
  for (const auto& [first_batch, smoothing] : {std::pair{3000u, 0}, std::pair{40u, 0}, std::pair{40u, 1}}) {
    SCOPED_TRACE(testing::Message() << "first batch " << first_batch << " smoothing " << smoothing);
    written = {};
    Enable({0});
    view.Channel(0).NotchOn = 1;
    view.Channel(0).SmoothingOn = static_cast<std::uint8_t>(smoothing);
    view.Channel(0).ConfigureFilter();
    Start();
    Feed(0, first_batch, mains);
    view.AcquisitionTick();
    for (std::uint32_t fed = first_batch; fed < 3000; fed += 130) {
      Feed(0, std::min(130u, 3000 - fed), mains);
      view.AcquisitionTick();
    }
    // The cascade by its own definition, primed with the newest code of the first pass.
    VessamorChannel reference;
    const double level = mains(first_batch - 1);
    for (NotchStage& stage : reference.Filter.Notch) {
      stage.X.fill(level);
      stage.Y.fill(level);
    }
    reference.Filter.NotchPrimed = 1;
    double tail_peak = 0.0;
    for (std::uint32_t i = 0; i < 3000; ++i) {
      const std::int16_t expected = SaturateCode(reference.NotchCascade(mains(i), 3));
      ASSERT_EQ(view.Channel(0).Codes[i], expected) << "sample " << i;
      if (i >= 2000) tail_peak = std::max(tail_peak, std::abs(expected - 2048.0));
    }
    EXPECT_LT(tail_peak, 40.0);  // once settled the 50 Hz wave is mostly gone
  }
}

TEST_F(AcquisitionTickTest, DegenerateScalesAndAnEmptyPlotAreHarmless) {
  struct Case {
    PixelRect plot;
    double samples_per_column;
  } cases[] = {{kPlot, 0.0}, {kPlot, std::nan("")}, {kPlot, -4.0}, {kPlot, 1e-12}, {PixelRect{0, 0, 0, 800}, 10.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "width " << c.plot.Width() << " spc " << c.samples_per_column);
    ASSERT_TRUE(view.Init(kCapacity, c.plot, 0, &window));
    view.TickClock = &clock;
    written = {};
    Enable({0});
    Start();
    view.Scale.SamplesPerColumn = c.samples_per_column;
    for (int tick = 0; tick < 4; ++tick) {
      Feed(0, 3000, Sawtooth);
      view.AcquisitionTick();
    }
    EXPECT_EQ(view.SampleCount, 12000u);
    EXPECT_LE(view.Sweep.LastDrawnColumn, std::max<std::uint16_t>(view.PlotWidth, 1));
    const ColumnRecord* base = view.Channel(0).TimeBase;
    for (std::uint16_t col = 1; col <= view.Sweep.LastDrawnColumn; ++col) {
      ASSERT_LE(base[col].FirstSample + base[col].SampleCount, view.SampleCount);
    }
  }
}

TEST_F(AcquisitionTickTest, ARestartWaitsMoreThan200MsThenSweepsFromTheNewestSample) {
  Enable({0});
  Start();
  Feed(0, 500, Sawtooth);
  view.AcquisitionTick();
  view.Sweep.RestartTick = clock.Now;
  view.Sweep.RestartPending = 1;
  clock.Now += kSweepRestartMs;
  Feed(0, 100, Sawtooth);
  view.AcquisitionTick();
  EXPECT_EQ(view.SampleCount, 500u);
  clock.Now += 1;
  view.AcquisitionTick();
  EXPECT_EQ(view.DisplayStart, 500u);
  EXPECT_EQ(view.Sweep.LastDrawnColumn, 10);
}

TEST_F(AcquisitionTickTest, LinkMessagesAndDeviceEndStopOnlyARunningRecording) {
  int stops = 0;
  int page_ends = 0;
  view.Hooks.RequestStopRecording = [&] { ++stops; };
  view.Hooks.EndSensorPageMeasurement = [&] { ++page_ends; };
  const std::array<std::uint8_t, 2> stopping[] = {{0x02, 0x00}, {0x01, 0x00}};
  const std::array<std::uint8_t, 2> ignored[] = {{0x00, 0x00}, {0x03, 0x00}, {0x01, 0x01}, {0x02, 0x02}, {0x00, 0x02}};
  Enable({0});
  Start();
  for (const auto& m : stopping) view.Events().OnRadioLinkMessage(m[0], m[1]);
  EXPECT_EQ(stops, 2);
  for (const auto& m : ignored) view.Events().OnRadioLinkMessage(m[0], m[1]);
  EXPECT_EQ(stops, 2);

  view.Recording = 0;
  view.Events().OnRadioLinkMessage(0x02, 0x00);
  view.Events().StopRecordingOnDeviceEnd();
  EXPECT_EQ(stops, 2);

  // On the information screens the sensor page ends its measurement instead.
  view.Recording = 1;
  window.Bytes.InfoScreenActive = 1;
  view.Events().StopRecordingOnDeviceEnd();
  EXPECT_EQ(stops, 2);
  EXPECT_EQ(page_ends, 1);
}

}  // namespace
