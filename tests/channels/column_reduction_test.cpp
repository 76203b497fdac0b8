// Tests of the column reduction: sliding median, moving mean and RMS, pieces, plain extremes, the calibration read.
#include "channels/column_reduction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "channel_fixtures.h"
#include "channels/channel_filters.h"
#include "channels/code_median.h"

namespace {

// Brute-force filters, straight from their definitions.
std::vector<std::int32_t> MedianOracle(const std::vector<std::int16_t>& codes, std::uint32_t n) {
  std::vector<std::int32_t> out(codes.begin(), codes.end());
  for (std::size_t j = n - 1; j < codes.size(); ++j) {
    std::vector<std::uint16_t> window(codes.begin() + static_cast<std::ptrdiff_t>(j + 1 - n),
                                      codes.begin() + static_cast<std::ptrdiff_t>(j + 1));
    std::sort(window.begin(), window.end());
    out[j] = static_cast<std::int16_t>(window[n / 2]);
  }
  return out;
}

// Mean or RMS over [from, to) in the 1/256 form; `whole` takes the integer quotient.
std::int32_t MeanOf(const std::vector<std::int32_t>& in, std::int64_t from, std::int64_t to, bool rms, bool whole) {
  std::int64_t sum = 0;
  for (std::int64_t i = from; i < to; ++i) sum += rms ? std::int64_t{in[i]} * in[i] : in[i];
  const double mean = whole ? static_cast<double>(sum / (to - from)) : static_cast<double>(sum) / (to - from);
  return static_cast<std::int32_t>((rms ? std::sqrt(mean) : mean) * 256.0);
}

// Centred over the window's halves round k; fewer at the ends, where the last samples take a
// floating-point quotient.
std::vector<std::int32_t> CentredOracle(const std::vector<std::int32_t>& in, std::uint16_t n, bool rms) {
  const SmoothingHalves h = HalvesOfWindow(n);
  const auto count = static_cast<std::int64_t>(in.size());
  std::vector<std::int32_t> out(in.size());
  for (std::int64_t k = 0; k < count; ++k) {
    const std::int64_t wanted = k + h.Trail + 1;
    out[k] = MeanOf(in, std::max<std::int64_t>(0, k - h.Lead), std::min(wanted, count), rms, wanted <= count);
  }
  return out;
}

std::vector<std::int32_t> TrailingRmsOracle(const std::vector<std::int32_t>& in, std::uint32_t n) {
  std::vector<std::int32_t> out(in.size());
  for (std::size_t k = 0; k < in.size(); ++k) {
    out[k] =
        MeanOf(in, k + 1 >= n ? static_cast<std::int64_t>(k + 1 - n) : 0, static_cast<std::int64_t>(k + 1), true, true);
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

struct Reduction : LoneChannel {
  Reduction(std::vector<std::int16_t> data, std::uint32_t per_column) : LoneChannel(std::move(data), per_column) {}
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
    for (std::size_t c = 1; c < columns.size(); ++c) {
      const auto first = outputs.begin() + base[c].FirstSample;
      const auto [low, high] = std::minmax_element(first, first + base[c].SampleCount);
      ASSERT_EQ(columns[c].MaxCode, *high) << "column " << c;
      ASSERT_EQ(columns[c].MinCode, *low) << "column " << c;
    }
  }
};

// Short windows are stepped in vector registers with the widest instructions the processor has:
// each test of them runs with each set this processor has (a set it lacks falls back to the next).
class EachVectorSet {
 public:
  static constexpr CodeCountMedian::VectorSet kSets[] = {
      CodeCountMedian::VectorSet::kAvx2, CodeCountMedian::VectorSet::kSse41, CodeCountMedian::VectorSet::kSse2};
  ~EachVectorSet() { CodeCountMedian::LimitVectors(CodeCountMedian::VectorSet::kAvx2); }
};

TEST(SlidingMedian, EqualsSortedWindowMedianForEveryWindow) {
  EachVectorSet restore;
  // Full signed range (so the unsigned ordering shows), ADC codes, and few values; the windows on
  // either side of each register of 8 codes, and counted ones beyond.
  for (const auto& codes :
       {RandomCodes(3000, -32768, 32767, 1), RandomCodes(3000, 0, 4095, 2), RandomCodes(3000, 0, 2, 3)}) {
    for (const CodeCountMedian::VectorSet set : EachVectorSet::kSets) {
      CodeCountMedian::LimitVectors(set);
      for (std::uint16_t n : {1, 2, 3, 7, 8, 15, 16, 20, 23, 24, 31, 32, 45, 46, 64, 100, 120, 121, 127, 128, 255}) {
        if (set != EachVectorSet::kSets[0] && n >= CodeCountMedian::kSortedCodes) continue;
        Reduction f(codes, 1);
        f.Configure(1, n, 0, 0, 1, 1);
        // Split calls continue the window; a later call over an earlier range sorts afresh.
        f.channel.BuildColumnMinMax(1, 700);
        f.channel.BuildColumnMinMax(701, f.LastColumn());
        f.channel.BuildColumnMinMax(300, 420);
        SCOPED_TRACE(::testing::Message() << "window " << n << " first code " << codes[0] << " set " << int(set));
        f.ExpectColumnsMatch(MedianOracle(codes, n));
      }
    }
  }
  // Codes 5, 10, -1 (65535): as unsigned numbers the middle one is 10, not 5; the view's median
  // switch off leaves the codes unfiltered.
  GraphView view;
  view.SampleCount = 3;
  for (std::uint8_t on : {1, 0}) {
    Reduction f({5, 10, -1}, 1);
    f.Configure(1, 3, 0, 0, 1, 1);
    view.MedianSwitch = on;
    f.channel.View = &view;
    f.channel.BuildColumnMinMax(1, f.LastColumn());
    EXPECT_EQ(f.columns[3].MaxCode, on != 0 ? 10 : -1);
  }
}

TEST(SlidingMedian, RunStepsLikeTheSortedWindowAndStopsWhereTheLeavingCodeIsMissing) {
  EachVectorSet restore;
  const std::vector<std::int16_t> codes = RandomCodes(2000, 1, 60, 9);
  // Sorted windows in registers of 8 and (with AVX2) 16 codes with each set, and counted ones.
  using Set = CodeCountMedian::VectorSet;
  for (const auto& [n, set] : {std::pair<std::uint32_t, Set>{20, Set::kAvx2}, {20, Set::kSse41}, {20, Set::kSse2},
                               {40, Set::kAvx2}, {40, Set::kSse41}, {200, Set::kAvx2}}) {
    SCOPED_TRACE(::testing::Message() << "window " << n << " set " << int(set));
    CodeCountMedian::LimitVectors(set);
    const std::vector<std::int32_t> oracle = MedianOracle(codes, n);
    // The window lies about what leaves next: a code it never held, also the least and the
    // greatest code. The run stops before that step and keeps the last median.
    for (const std::int16_t lie : {std::int16_t{4000}, std::int16_t{0}, std::int16_t{-1}}) {
      CodeCountMedian window;
      window.Fill(codes.data(), n);
      std::vector<std::int32_t> out(codes.size());
      // Sample n - 1's window is filled; each step adds the next sample.
      ASSERT_EQ(window.Run(codes.data(), codes.data() + n, 1000, out.data()), 1000u);
      for (std::size_t i = 0; i < 1000; ++i) ASSERT_EQ(out[i], oracle[n + i]) << i;
      std::vector<std::int16_t> leaving(codes.begin() + 1000, codes.begin() + 1010);
      leaving[4] = lie;
      EXPECT_EQ(window.Run(leaving.data(), codes.data() + 1000 + n, 10, out.data()), 4u) << lie;
      EXPECT_EQ(out[3], oracle[1003 + n]);
      EXPECT_EQ(window.Median(), oracle[1003 + n]);
      // The same where the codes changed under a window that steps along them: the leaving code
      // that entered before this run is gone, and the run stops there too.
      std::vector<std::int16_t> changed = codes;
      window.Fill(changed.data(), n);
      changed[7] = lie;
      EXPECT_EQ(window.Run(changed.data(), changed.data() + n, 100, out.data()), 7u) << lie;
      EXPECT_EQ(window.Median(), oracle[n + 6]);
    }
  }
}

TEST(MovingMean, CentredAndTrailingMeanAndRmsEqualDirectSums) {
  // ADC codes, and the full signed range, whose squares make the largest sums.
  for (const auto& codes : {RandomCodes(1500, -2048, 4095, 5), RandomCodes(1500, -32768, 32767, 6)}) {
    for (std::uint8_t median_on : {0, 1}) {
      const std::vector<std::int32_t> input = median_on != 0 ? MedianOracle(codes, 5) : Widen(codes);
      for (std::uint16_t n : {1, 2, 21, 300}) {
        for (int form : {0, 1, 2}) {  // centred mean, centred RMS, trailing RMS
          Reduction f(codes, 3);
          f.Configure(median_on, 5, 1, n, form != 2, form == 1);
          f.channel.BuildColumnMinMax(1, 200);
          f.channel.BuildColumnMinMax(201, f.LastColumn());
          SCOPED_TRACE(::testing::Message() << "median " << int{median_on} << " window " << n << " form " << form);
          f.ExpectColumnsMatch(form == 2 ? TrailingRmsOracle(input, n) : CentredOracle(input, n, form == 1));
        }
      }
    }
  }
}

TEST(MovingMean, FractionalFormOfKnownSums) {
  struct Case {
    std::vector<std::int16_t> codes;
    std::uint16_t window;
    std::uint8_t centred, rms;
    std::uint16_t column;
    std::int32_t expected;
  };
  const Case cases[] = {
      {{100, 100, 100, 100}, 20, 1, 0, 2, 25600},  // a steady code 100 is stored as 25600
      {{100, 101}, 1, 1, 0, 2, 25600},    // a ring of two: integer quotient 201 / 2 = 100
      {{100, 101}, 2, 1, 0, 2, 25728},    // the end step: 201 / 2 in floating point
      {{1234}, 20, 1, 0, 1, 1234 * 256},  // one sample under a wide window divides by at least one
      {{7, 9, 8}, 0, 1, 1, 2, 9 * 256},   // smoothing without a window still hands out fractional codes
  };
  for (const Case& c : cases) {
    Reduction f(c.codes, 1);
    f.Configure(0, 0, 1, c.window, c.centred, c.rms);
    f.channel.BuildColumnMinMax(1, f.LastColumn());
    EXPECT_EQ(f.columns[c.column].MaxCode, c.expected) << "window " << c.window << " column " << c.column;
  }
}

TEST(MovingMean, WindowsFromARecordFileAreSizedWithoutReconfiguring) {
  const std::vector<std::int16_t> codes = RandomCodes(5000, 0, 4095, 7);
  Reduction f(codes, 5);
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
  // 300 samples a column: some columns straddle the piece boundaries.
  ASSERT_NE(kReductionPieceSamples % 300, 0u);
  // A median before a centred mean, and a centred RMS straight over the codes.
  for (const auto& [median, rms] : {std::pair<std::uint8_t, std::uint8_t>{1, 0}, {0, 1}}) {
    Reduction whole(codes, 300);
    whole.Configure(median, 7, 1, 20, 1, rms);
    whole.channel.BuildColumnMinMax(1, whole.LastColumn());
    whole.ExpectColumnsMatch(CentredOracle(median != 0 ? MedianOracle(codes, 7) : Widen(codes), 20, rms != 0));
    Reduction by_column(codes, 300);
    by_column.Configure(median, 7, 1, 20, 1, rms);
    for (std::uint16_t c = 1; c <= by_column.LastColumn(); ++c) by_column.channel.BuildColumnMinMax(c, c);
    for (std::size_t c = 1; c < whole.columns.size(); ++c) {
      ASSERT_EQ(by_column.columns[c].MaxCode, whole.columns[c].MaxCode) << c;
      ASSERT_EQ(by_column.columns[c].MinCode, whole.columns[c].MinCode) << c;
    }
  }
}

TEST(PlainReduction, NeverReadsPastTheSampleCountOrTheCapacity) {
  std::vector<std::int16_t> codes(40, 30000);  // beyond the count: codes no column may show
  for (std::int16_t i = 0; i < 10; ++i) codes[i] = static_cast<std::int16_t>(100 + i);
  Reduction f(codes, 4);
  f.channel.CodeCount = 10;
  f.Configure(0, 0, 0, 0, 1, 1);
  f.channel.UpdateChannelColumns(1, f.LastColumn());
  EXPECT_EQ(f.columns[3].MaxCode, 109);  // samples 8..11, cut at the count
  EXPECT_EQ(f.columns[3].MinCode, 108);
  // Columns past the newest sample show the newest sample.
  for (std::size_t c = 4; c < f.columns.size(); ++c) EXPECT_EQ(f.columns[c].MaxCode, 109) << c;
  // A slice smaller than the count bounds the reads as well.
  f.channel.CodeCount = 40;
  f.channel.CodeCapacity = 6;
  f.channel.UpdateChannelColumns(1, f.LastColumn());
  EXPECT_EQ(f.columns[9].MaxCode, 105);
  // A channel without a slice keeps its records.
  f.columns[1].MaxCode = -99;
  f.channel.CodeCapacity = 0;
  f.channel.UpdateChannelColumns(1, f.LastColumn());
  EXPECT_EQ(f.columns[1].MaxCode, -99);
}

TEST(PlainReduction, EmptyColumnShowsTheSampleAtItsStartAndRangesAreClipped) {
  Reduction f({10, 20, 30, 40}, 1);
  f.base[2].SampleCount = 0;
  for (std::uint8_t smoothing : {0, 1}) {
    f.Configure(0, 0, smoothing, 1, 0, 0);
    f.channel.UpdateChannelColumns(1, f.LastColumn());
    EXPECT_EQ(f.columns[2].MinCode, smoothing != 0 ? 20 * 256 : 20);
  }
  Reduction g({1, 2, 3}, 1);
  g.Configure(1, 3, 1, 2, 1, 0);
  g.channel.BuildColumnMinMax(2, 65535);
  g.channel.UpdateChannelColumns(3, 2);
  EXPECT_EQ(g.columns[0].MaxCode, 0);
  EXPECT_NE(g.columns[3].MaxCode, 0);
}

// The fold of a span's extremes against a plain loop, for 16- and 32-bit values: every length up to
// a few vector steps and some longer, at every misalignment, over the patterns below.
template <class T>
void ExpectSpanExtremesMatchPlainLoop() {
  constexpr T kLow = std::numeric_limits<T>::lowest();
  constexpr T kHigh = std::numeric_limits<T>::max();
  std::mt19937 generator(5);
  std::uniform_int_distribution<std::int64_t> any(kLow, kHigh);
  // The value at place k of a span of n.
  const std::pair<const char*, std::function<T(std::uint32_t, std::uint32_t)>> patterns[] = {
      {"random over the whole type", [&](std::uint32_t, std::uint32_t) { return static_cast<T>(any(generator)); }},
      {"all equal", [](std::uint32_t, std::uint32_t) { return T{-7}; }},
      {"all the type's lowest", [](std::uint32_t, std::uint32_t) { return kLow; }},
      {"all the type's highest", [](std::uint32_t, std::uint32_t) { return kHigh; }},
      {"lowest first, highest last",
       [](std::uint32_t k, std::uint32_t n) { return k == 0 ? kLow : k + 1 == n ? kHigh : T{3}; }},
      {"highest first, lowest last",
       [](std::uint32_t k, std::uint32_t n) { return k == 0 ? kHigh : k + 1 == n ? kLow : T{3}; }},
      {"lone extremes inside", [](std::uint32_t k, std::uint32_t n) { return k == n / 2 ? kLow : k == n / 3 ? kHigh : T{-2}; }},
      {"rising through zero", [](std::uint32_t k, std::uint32_t) { return static_cast<T>(static_cast<int>(k) - 60); }},
  };
  std::vector<std::uint32_t> lengths;
  for (std::uint32_t n = 0; n <= 100; ++n) lengths.push_back(n);
  for (std::uint32_t n : {127u, 128u, 129u, 1000u, 1001u, 7813u}) lengths.push_back(n);
  for (const auto& [name, value] : patterns) {
    for (const std::uint32_t n : lengths) {
      for (std::uint32_t offset = 0; offset < 8; ++offset) {
        // The span ends the buffer, so a read past it is a read past the allocation.
        std::vector<T> buffer(offset + n, T{0});
        for (std::uint32_t k = 0; k < n; ++k) buffer[offset + k] = value(k, n);
        T high = kLow;
        T low = kHigh;
        for (std::uint32_t k = 0; k < n; ++k) {
          high = std::max(high, buffer[offset + k]);
          low = std::min(low, buffer[offset + k]);
        }
        const auto [fold_high, fold_low] = SpanExtremes(buffer.data() + offset, n);
        ASSERT_EQ(fold_high, high) << name << ", " << n << " values at offset " << offset << ", " << sizeof(T) << " bytes";
        ASSERT_EQ(fold_low, low) << name << ", " << n << " values at offset " << offset << ", " << sizeof(T) << " bytes";
      }
    }
  }
}

TEST(SpanExtremes, EqualAPlainLoopAtEveryLengthAndOffset) {
  ExpectSpanExtremesMatchPlainLoop<std::int16_t>();
  ExpectSpanExtremesMatchPlainLoop<std::int32_t>();
}

TEST(ReductionWhileRecording, CentredSmoothingLooksAheadIntoWrittenCodes) {
  GraphView view;
  Reduction f(std::vector<std::int16_t>(30, 50), 1);
  for (std::size_t i = 20; i < 30; ++i) f.codes[i] = 150;  // written, not yet counted by the view
  f.channel.View = &view;
  view.SampleCount = 20;
  f.Configure(0, 0, 1, 2, 1, 0);
  view.Recording = 1;
  f.channel.BuildColumnMinMax(20, 20);  // sample 19: 50, 50, 150 in the integer form
  EXPECT_EQ(f.columns[20].MaxCode, (250 / 3) * 256);
  view.Recording = 0;
  f.channel.ResetColumnReduction();
  f.channel.BuildColumnMinMax(20, 20);  // reviewing: the record ends at sample 19
  EXPECT_EQ(f.columns[20].MaxCode, 50 * 256);
}

TEST(RunChannelFilterOnce, ReadsTheNewestFilteredCodeWithoutTouchingTheDisplay) {
  SetupView v;
  StartupSettings settings;
  settings.ChannelEnabled = {1, 1, 1, 1};
  v.view.ApplyChannelSettings(settings);
  EXPECT_EQ(v.view.RunChannelFilterOnce(0), 0);  // no samples yet
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    for (int i = 0; i < 50; ++i) v.Ch(k).AppendCode(static_cast<std::int16_t>(1000 + 100 * k));
  }
  v.view.SampleCount = 50;
  ColumnRecord& base = v.Ch(0).TimeBase[1];
  base.FirstSample = 7;
  base.SampleCount = 12;
  v.Ch(2).Columns[1].MaxCode = -5;
  // The view's channels smooth by default: the whole code x 256 comes back, not its low 16 bits.
  EXPECT_EQ(v.view.RunChannelFilterOnce(2), 1200 * 256);
  EXPECT_EQ(base.SampleCount, 12u);
  EXPECT_EQ(v.Ch(2).Columns[1].MaxCode, -5);
  EXPECT_EQ(v.view.RunChannelFilterOnce(7), 1300 * 256);  // past the last channel: the last
}

}  // namespace
