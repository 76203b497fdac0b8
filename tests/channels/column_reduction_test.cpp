// Tests of the column reduction: sliding median, moving mean and RMS, pieces, plain extremes, the calibration read.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "channels/channel_filters.h"
#include "channels/column_reduction.h"
#include "channels/vessamor_channel.h"
#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"

namespace {

// Brute-force filters, straight from their definitions.
std::vector<std::int32_t> MedianOracle(const std::vector<std::int16_t>& codes, std::uint32_t n) {
  std::vector<std::int32_t> out(codes.size());
  for (std::size_t j = 0; j < codes.size(); ++j) {
    if (j + 1 < n) {
      out[j] = codes[j];
      continue;
    }
    std::vector<std::uint16_t> window;
    for (std::size_t i = j + 1 - n; i <= j; ++i) window.push_back(static_cast<std::uint16_t>(codes[i]));
    std::sort(window.begin(), window.end());
    out[j] = static_cast<std::int16_t>(window[n / 2]);
  }
  return out;
}

// Centred mean or RMS over the n + 1 samples around k; fewer at the ends, where the last samples
// take a floating-point quotient.
std::vector<std::int32_t> CentredOracle(const std::vector<std::int32_t>& in, std::uint16_t n, bool rms) {
  const SmoothingHalves h = HalvesOfWindow(n);
  const std::int64_t count = static_cast<std::int64_t>(in.size());
  std::vector<std::int32_t> out(in.size());
  for (std::int64_t k = 0; k < count; ++k) {
    const std::int64_t from = std::max<std::int64_t>(0, k - h.Lead);
    const std::int64_t wanted = k + h.Trail + 1;
    const std::int64_t to = std::min(wanted, count);
    std::int64_t sum = 0;
    for (std::int64_t i = from; i < to; ++i) sum += rms ? std::int64_t{in[i]} * in[i] : in[i];
    const std::int64_t m = to - from;
    if (to == wanted) {
      const std::int64_t q = sum / m;
      out[k] = rms ? static_cast<std::int32_t>(std::sqrt(static_cast<double>(q)) * 256.0)
                   : static_cast<std::int32_t>(q * 256);
    } else {
      const double mean = static_cast<double>(sum) / static_cast<double>(m);
      out[k] = static_cast<std::int32_t>((rms ? std::sqrt(mean) : mean) * 256.0);
    }
  }
  return out;
}

std::vector<std::int32_t> TrailingRmsOracle(const std::vector<std::int32_t>& in, std::uint32_t n) {
  std::vector<std::int32_t> out(in.size());
  for (std::size_t k = 0; k < in.size(); ++k) {
    const std::size_t from = k + 1 >= n ? k + 1 - n : 0;
    std::int64_t sum = 0;
    for (std::size_t i = from; i <= k; ++i) sum += std::int64_t{in[i]} * in[i];
    const std::int64_t q = sum / static_cast<std::int64_t>(k - from + 1);
    out[k] = static_cast<std::int32_t>(std::sqrt(static_cast<double>(q)) * 256.0);
  }
  return out;
}

std::vector<std::int32_t> Widen(const std::vector<std::int16_t>& codes) { return {codes.begin(), codes.end()}; }

std::vector<std::int16_t> RandomCodes(std::size_t count, std::int32_t low, std::int32_t high, unsigned seed) {
  std::mt19937 generator(seed);
  std::uniform_int_distribution<std::int32_t> pick(low, high);
  std::vector<std::int16_t> codes(count);
  for (auto& c : codes) c = static_cast<std::int16_t>(pick(generator));
  return codes;
}

// A channel over its own codes, with a time base of `columns` columns from column 1 on, each of
// `per_column` samples.
struct ReductionFixture {
  ReductionFixture(std::vector<std::int16_t> data, std::uint32_t per_column) : codes(std::move(data)) {
    const auto count = static_cast<std::uint32_t>(codes.size());
    const std::uint32_t columns = (count + per_column - 1) / per_column;
    base.assign(columns + 1, ColumnRecord{});
    records.assign(columns + 1, ColumnRecord{});
    for (std::uint32_t c = 1; c <= columns; ++c) {
      base[c].FirstSample = (c - 1) * per_column;
      base[c].SampleCount = std::min(per_column, count - base[c].FirstSample);
    }
    channel.Codes = codes.data();
    channel.CodeCapacity = count;
    channel.CodeCount = count;
    channel.TimeBase = base.data();
    channel.Columns = records.data();
    channel.ColumnCapacity = columns + 1;
  }
  std::uint16_t LastColumn() const { return static_cast<std::uint16_t>(records.size() - 1); }
  void Configure(std::uint8_t median_on, std::uint16_t median_window, std::uint8_t smoothing_on,
                 std::uint16_t smoothing_window, std::uint8_t centred, std::uint8_t rms) {
    channel.MedianOn = median_on;
    channel.MedianWindow = median_window;
    channel.SmoothingOn = smoothing_on;
    channel.SmoothingWindow = smoothing_window;
    channel.CentredSmoothing = centred;
    channel.RmsMode = rms;
    channel.ConfigureFilter();
  }
  // Column extremes over a per-sample output sequence.
  void ExpectColumnsMatch(const std::vector<std::int32_t>& outputs) const {
    for (std::size_t c = 1; c < records.size(); ++c) {
      const auto first = outputs.begin() + base[c].FirstSample;
      const auto [low, high] = std::minmax_element(first, first + base[c].SampleCount);
      ASSERT_EQ(records[c].MaxCode, *high) << "column " << c;
      ASSERT_EQ(records[c].MinCode, *low) << "column " << c;
    }
  }
  std::vector<std::int16_t> codes;
  std::vector<ColumnRecord> base;
  std::vector<ColumnRecord> records;
  VessamorChannel channel;
};

TEST(SlidingMedian, EqualsSortedWindowMedianForEveryWindow) {
  struct Data {
    const char* name;
    std::vector<std::int16_t> codes;
  };
  // Full signed range (so the unsigned ordering shows), ADC codes, and few values (equal in and out).
  const std::array<Data, 3> data{{{"full range", RandomCodes(3000, -32768, 32767, 1)},
                                  {"adc", RandomCodes(3000, 0, 4095, 2)},
                                  {"few values", RandomCodes(3000, 0, 2, 3)}}};
  for (const Data& d : data) {
    for (std::uint16_t n : {1, 2, 3, 4, 7, 20, 64, 255}) {
      ReductionFixture f(d.codes, 1);
      f.Configure(1, n, 0, 0, 1, 1);
      // Split calls continue the window; a later call over an earlier range sorts afresh.
      f.channel.BuildColumnMinMax(1, 700);
      f.channel.BuildColumnMinMax(701, f.LastColumn());
      f.channel.BuildColumnMinMax(300, 420);
      SCOPED_TRACE(::testing::Message() << d.name << " window " << n);
      f.ExpectColumnsMatch(MedianOracle(d.codes, n));
    }
  }
}

TEST(SlidingMedian, WindowOneIsIdentityAndOrderingIsUnsigned) {
  ReductionFixture f({5, -1, 10, 7, -32768, 32767}, 1);
  f.Configure(1, 1, 0, 0, 1, 1);
  f.channel.BuildColumnMinMax(1, f.LastColumn());
  for (std::size_t c = 1; c <= f.codes.size(); ++c) EXPECT_EQ(f.records[c].MaxCode, f.codes[c - 1]);

  // Codes 5, -1 (65535), 10: as unsigned numbers the middle one is 10, not 5.
  f.Configure(1, 3, 0, 0, 1, 1);
  f.channel.BuildColumnMinMax(1, f.LastColumn());
  EXPECT_EQ(f.records[3].MaxCode, 10);
}

TEST(SlidingMedian, ViewSwitchOffLeavesTheCodesUnfiltered) {
  GraphView view;
  ReductionFixture f(RandomCodes(200, 0, 4095, 4), 1);
  f.channel.View = &view;
  view.SampleCount = 200;
  view.MedianSwitch = 0;
  f.Configure(1, 9, 0, 0, 1, 1);
  f.channel.BuildColumnMinMax(1, f.LastColumn());
  f.ExpectColumnsMatch(Widen(f.codes));
}

TEST(MovingMean, CentredMeanAndRmsEqualDirectSums) {
  const std::vector<std::int16_t> codes = RandomCodes(1500, 0, 4095, 5);
  for (std::uint8_t median_on : {0, 1}) {
    const std::vector<std::int32_t> input = median_on != 0 ? MedianOracle(codes, 5) : Widen(codes);
    for (std::uint16_t n : {1, 2, 3, 20, 21, 100}) {
      for (std::uint8_t rms : {0, 1}) {
        ReductionFixture f(codes, 1);
        f.Configure(median_on, 5, 1, n, 1, rms);
        f.channel.BuildColumnMinMax(1, 600);
        f.channel.BuildColumnMinMax(601, f.LastColumn());
        SCOPED_TRACE(::testing::Message() << "median " << int{median_on} << " window " << n << " rms " << int{rms});
        f.ExpectColumnsMatch(CentredOracle(input, n, rms != 0));
      }
    }
  }
}

TEST(MovingMean, TrailingRmsEqualsDirectSums) {
  const std::vector<std::int16_t> codes = RandomCodes(1500, -2048, 2047, 6);
  for (std::uint8_t median_on : {0, 1}) {
    const std::vector<std::int32_t> input = median_on != 0 ? MedianOracle(codes, 4) : Widen(codes);
    for (std::uint16_t n : {1, 2, 7, 20, 300}) {
      ReductionFixture f(codes, 3);
      f.Configure(median_on, 4, 1, n, 0, 0);
      f.channel.BuildColumnMinMax(1, 200);
      f.channel.BuildColumnMinMax(201, f.LastColumn());
      SCOPED_TRACE(::testing::Message() << "median " << int{median_on} << " window " << n);
      f.ExpectColumnsMatch(TrailingRmsOracle(input, n));
    }
  }
}

TEST(MovingMean, FractionalFormOfKnownSums) {
  struct Case {
    std::vector<std::int16_t> codes;
    std::uint16_t window;
    std::uint8_t centred;
    std::uint8_t rms;
    std::uint16_t column;
    std::int32_t expected;
  };
  const std::array<Case, 7> cases{{
      {{100, 100, 100, 100}, 20, 1, 0, 2, 25600},  // a steady code 100 is stored as 25600
      {{100, 100, 100, 100}, 20, 1, 1, 2, 25600},
      {{100, 100, 100, 100}, 20, 0, 0, 2, 25600},
      {{100, 101}, 1, 1, 0, 2, 25600},    // a ring of two: integer quotient 201 / 2 = 100
      {{100, 101}, 2, 1, 0, 2, 25728},    // the end step: 201 / 2 in floating point
      {{1234}, 20, 1, 0, 1, 1234 * 256},  // one sample under a wide window divides by at least one
      {{7, 9, 8}, 0, 1, 1, 2, 9 * 256},   // smoothing without a window still hands out fractional codes
  }};
  for (const Case& c : cases) {
    ReductionFixture f(c.codes, 1);
    f.Configure(0, 0, 1, c.window, c.centred, c.rms);
    f.channel.BuildColumnMinMax(1, f.LastColumn());
    EXPECT_EQ(f.records[c.column].MaxCode, c.expected) << "window " << c.window << " column " << c.column;
  }
}

TEST(MovingMean, WindowsFromARecordFileAreSizedWithoutReconfiguring) {
  const std::vector<std::int16_t> codes = RandomCodes(5000, 0, 4095, 7);
  ReductionFixture f(codes, 5);
  f.Configure(0, 0, 0, 0, 1, 0);
  // As a record load leaves them: options set, no configuration run, no state sized for them.
  f.channel.MedianOn = 1;
  f.channel.MedianWindow = 301;
  f.channel.SmoothingOn = 1;
  f.channel.SmoothingWindow = 1000;
  f.channel.BuildColumnMinMax(1, f.LastColumn());
  f.ExpectColumnsMatch(CentredOracle(MedianOracle(codes, 301), 1000, false));
}

TEST(ReductionPieces, ThreePiecesGiveTheSameColumnsAsOne) {
  const std::vector<std::int16_t> codes = RandomCodes(300000, 0, 4095, 8);
  const std::vector<std::int32_t> expected = CentredOracle(MedianOracle(codes, 7), 20, false);
  // 300 samples a column: some columns straddle the piece boundaries.
  ASSERT_NE(kReductionPieceSamples % 300, 0u);
  ReductionFixture whole(codes, 300);
  whole.Configure(1, 7, 1, 20, 1, 0);
  whole.channel.BuildColumnMinMax(1, whole.LastColumn());
  whole.ExpectColumnsMatch(expected);

  ReductionFixture by_column(codes, 300);
  by_column.Configure(1, 7, 1, 20, 1, 0);
  for (std::uint16_t c = 1; c <= by_column.LastColumn(); ++c) by_column.channel.BuildColumnMinMax(c, c);
  for (std::size_t c = 1; c < whole.records.size(); ++c) {
    ASSERT_EQ(by_column.records[c].MaxCode, whole.records[c].MaxCode) << c;
    ASSERT_EQ(by_column.records[c].MinCode, whole.records[c].MinCode) << c;
  }
}

TEST(PlainReduction, ExtremesOfEachColumnWithinTheSamples) {
  ReductionFixture f({3, -4, 9, 9, 1, 0, -7, 2, 5, 5}, 4);
  f.Configure(0, 0, 0, 0, 1, 1);
  f.channel.UpdateChannelColumns(1, f.LastColumn());
  f.ExpectColumnsMatch(Widen(f.codes));
  EXPECT_EQ(f.records[3].MaxCode, 5);  // the short last column
}

TEST(PlainReduction, NeverReadsPastTheSampleCountOrTheCapacity) {
  std::vector<std::int16_t> codes(40, 30000);  // beyond the count: codes no column may show
  for (std::int16_t i = 0; i < 10; ++i) codes[i] = static_cast<std::int16_t>(100 + i);
  ReductionFixture f(codes, 4);
  f.channel.CodeCount = 10;
  f.Configure(0, 0, 0, 0, 1, 1);
  f.channel.UpdateChannelColumns(1, f.LastColumn());
  EXPECT_EQ(f.records[3].MaxCode, 109);  // samples 8..11, cut at the count
  EXPECT_EQ(f.records[3].MinCode, 108);
  // Columns past the newest sample show the newest sample.
  for (std::size_t c = 4; c < f.records.size(); ++c) EXPECT_EQ(f.records[c].MaxCode, 109) << c;

  // A slice smaller than the count bounds the reads as well.
  f.channel.CodeCount = 40;
  f.channel.CodeCapacity = 6;
  f.channel.UpdateChannelColumns(1, f.LastColumn());
  EXPECT_EQ(f.records[2].MaxCode, 105);
  EXPECT_EQ(f.records[9].MaxCode, 105);

  // A channel without a slice keeps its records.
  f.records[1].MaxCode = -99;
  f.channel.CodeCapacity = 0;
  f.channel.UpdateChannelColumns(1, f.LastColumn());
  EXPECT_EQ(f.records[1].MaxCode, -99);
}

TEST(PlainReduction, ColumnWithoutSamplesShowsTheSampleAtItsStart) {
  ReductionFixture f({10, 20, 30, 40}, 1);
  f.base[2].SampleCount = 0;
  for (std::uint8_t smoothing : {0, 1}) {
    f.Configure(0, 0, smoothing, 1, 0, 0);
    f.channel.UpdateChannelColumns(1, f.LastColumn());
    EXPECT_EQ(f.records[2].MinCode, smoothing != 0 ? 20 * 256 : 20);
  }
}

TEST(PlainReduction, ColumnRangeIsClippedToTheTable) {
  ReductionFixture f({1, 2, 3}, 1);
  f.Configure(1, 3, 1, 2, 1, 0);
  f.channel.BuildColumnMinMax(2, 65535);
  f.channel.UpdateChannelColumns(3, 2);
  EXPECT_EQ(f.records[0].MaxCode, 0);
  EXPECT_NE(f.records[3].MaxCode, 0);
}

TEST(ReductionHandOn, EveryColumnGetsItsPlotCoordinates) {
  ScaleState scale;
  scale.ValuePerPixel = 0.5;
  ReductionFixture f({10, 20, 30, 40}, 2);
  f.channel.Scale = &scale;
  f.channel.Shown = 1;
  f.channel.RawToValueFn = [](std::int16_t code, const VessamorChannel*) { return static_cast<float>(code); };
  f.Configure(0, 0, 0, 0, 1, 1);
  f.channel.UpdateChannelColumns(1, 2);
  EXPECT_EQ(f.records[1].MaxPixel, 40);
  EXPECT_EQ(f.records[1].MinPixel, 20);
  EXPECT_EQ(f.records[2].MaxPixel, 80);
}

TEST(ReductionWhileRecording, CentredSmoothingLooksAheadIntoWrittenCodes) {
  GraphView view;
  ReductionFixture f(std::vector<std::int16_t>(30, 50), 1);
  for (std::size_t i = 20; i < 30; ++i) f.codes[i] = 150;  // written, not yet counted by the view
  f.channel.View = &view;
  view.SampleCount = 20;
  f.Configure(0, 0, 1, 2, 1, 0);
  view.Recording = 1;
  f.channel.BuildColumnMinMax(20, 20);  // sample 19: 50, 50, 150 in the integer form
  EXPECT_EQ(f.records[20].MaxCode, (250 / 3) * 256);
  view.Recording = 0;
  f.channel.ResetColumnReduction();
  f.channel.BuildColumnMinMax(20, 20);  // reviewing: the record ends at sample 19
  EXPECT_EQ(f.records[20].MaxCode, 50 * 256);
}

struct CalibrationView {
  CalibrationView() {
    view.Init(100000, PixelRect{40, 60, 1240, 860}, 0xFF, &window);
    StartupSettings settings;
    settings.ChannelEnabled = {1, 1, 1, 1};
    view.ApplyChannelSettings(settings);
  }
  FakeMainWindow window;
  GraphView view;
};

TEST(RunChannelFilterOnce, ReadsTheNewestFilteredCodeWithoutTouchingTheDisplay) {
  CalibrationView v;
  EXPECT_EQ(v.view.RunChannelFilterOnce(0), 0);  // no samples yet
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    for (int i = 0; i < 50; ++i) v.view.Channel(k).AppendCode(static_cast<std::int16_t>(1000 + 100 * k));
  }
  v.view.SampleCount = 50;
  ColumnRecord& base = v.view.Channel(0).TimeBase[1];
  base.FirstSample = 7;
  base.SampleCount = 12;
  v.view.Channel(2).Columns[1].MaxCode = -5;

  // The view's channels smooth by default: the whole code x 256 comes back, not its low 16 bits.
  EXPECT_EQ(v.view.RunChannelFilterOnce(2), 1200 * 256);
  EXPECT_EQ(base.SampleCount, 12u);
  EXPECT_EQ(v.view.Channel(2).Columns[1].MaxCode, -5);

  // Indexes past the last channel read the last channel.
  EXPECT_EQ(v.view.RunChannelFilterOnce(7), 1300 * 256);

  VessamorChannel& plain = v.view.Channel(1);
  plain.SmoothingOn = 0;
  plain.ConfigureFilter();
  plain.Codes[49] = -12;
  EXPECT_EQ(v.view.RunChannelFilterOnce(1), -12);
}

}  // namespace
