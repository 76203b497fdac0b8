// Benchmark of the column reduction: ten million samples onto a screen of columns, for each filter form.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <random>
#include <vector>

#include "bench_support.h"
#include "channels/code_median.h"
#include "channels/column_record.h"
#include "channels/vessamor_channel.h"

namespace {

constexpr std::uint32_t kSamples = 10'000'000;
constexpr std::uint32_t kColumns = 1280;

struct Form {
  std::uint8_t median_on;
  std::uint16_t median_window;
  std::uint8_t smoothing_on;
  std::uint16_t smoothing_window;
  std::uint8_t centred;
  std::uint8_t rms;
};

// Forms by benchmark argument: plain, median 20, trailing RMS 20, centred mean 20, centred RMS 20,
// median 20 then centred mean 20, median 100.
constexpr Form kForms[] = {
    {0, 0, 0, 0, 1, 0}, {1, 20, 0, 0, 1, 0}, {0, 0, 1, 20, 0, 0},   {0, 0, 1, 20, 1, 0},
    {0, 0, 1, 20, 1, 1}, {1, 20, 1, 20, 1, 0}, {1, 100, 0, 0, 1, 0},
};

const std::vector<std::int16_t>& NoisyCodes() {
  static const std::vector<std::int16_t> codes = [] {
    std::mt19937 generator(42);
    std::normal_distribution<double> noise(0.0, 40.0);
    std::vector<std::int16_t> c(kSamples);
    for (std::uint32_t i = 0; i < kSamples; ++i) {
      c[i] = static_cast<std::int16_t>(2048 + 1000 * ((i / 5000) % 2) + noise(generator));
    }
    return c;
  }();
  return codes;
}

// A channel over the noisy codes, its column spans laid as the yardsticks lay theirs.
struct Reduction {
  explicit Reduction(const Form& form) : codes(NoisyCodes()), base(kColumns + 1), records(kColumns + 1) {
    const double per_column = static_cast<double>(kSamples) / kColumns;
    for (std::uint32_t c = 1; c <= kColumns; ++c) {
      base[c].FirstSample = static_cast<std::uint32_t>((c - 1) * per_column);
      base[c].SampleCount = static_cast<std::uint32_t>(c * per_column) - base[c].FirstSample;
    }
    channel.Codes = codes.data();
    channel.CodeCapacity = kSamples;
    channel.CodeCount = kSamples;
    channel.TimeBase = base.data();
    channel.Columns = records.data();
    channel.ColumnCapacity = kColumns + 1;
    channel.MedianOn = form.median_on;
    channel.MedianWindow = form.median_window;
    channel.SmoothingOn = form.smoothing_on;
    channel.SmoothingWindow = form.smoothing_window;
    channel.CentredSmoothing = form.centred;
    channel.RmsMode = form.rms;
    channel.ConfigureFilter();
  }
  const std::vector<ColumnRecord>& Run() {
    channel.ResetColumnReduction();
    channel.BuildColumnMinMax(1, kColumns);
    return records;
  }
  std::vector<std::int16_t> codes;
  std::vector<ColumnRecord> base;
  std::vector<ColumnRecord> records;
  VessamorChannel channel;
};

void TrailingRms(std::uint16_t n, std::vector<ColumnRecord>& records);

// Every form of the reduction over the ten million codes, one after another; the trailing form's
// columns are first checked against a plain trailing RMS.
void BM_BuildColumnMinMax(benchmark::State& state) {
  const Form& form = kForms[state.range(0)];
  Reduction reduction(form);
  if (form.smoothing_on != 0 && form.centred == 0 && form.median_on == 0) {
    std::vector<ColumnRecord> plain(kColumns + 1);
    TrailingRms(form.smoothing_window, plain);
    const std::vector<ColumnRecord>& program = reduction.Run();
    for (std::uint32_t c = 1; c <= kColumns; ++c) {
      if (program[c].MinCode != plain[c].MinCode || program[c].MaxCode != plain[c].MaxCode) {
        state.SkipWithError("the trailing form's columns differ from a plain trailing RMS");
        return;
      }
    }
  }
  for (auto _ : state) benchmark::DoNotOptimize(reduction.Run().data());
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kSamples);
}

// The median forms on a processor with neither SSE4.1 nor AVX2.
void BM_BuildColumnMinMaxPlainVectors(benchmark::State& state) {
  CodeCountMedian::LimitVectors(CodeCountMedian::VectorSet::kSse2);
  BM_BuildColumnMinMax(state);
  CodeCountMedian::LimitVectors(CodeCountMedian::VectorSet::kAvx2);
}

// The yardstick of the unfiltered form: a plain min/max loop over the same column spans.
void PlainMinMax(std::vector<ColumnRecord>& records) {
  const std::vector<std::int16_t>& codes = NoisyCodes();
  const double per_column = static_cast<double>(kSamples) / kColumns;
  for (std::uint32_t c = 1; c <= kColumns; ++c) {
    const auto first = static_cast<std::uint32_t>((c - 1) * per_column);
    const auto end = static_cast<std::uint32_t>(c * per_column);
    std::int16_t high = codes[first];
    std::int16_t low = codes[first];
    for (std::uint32_t j = first + 1; j < end; ++j) {
      high = std::max(high, codes[j]);
      low = std::min(low, codes[j]);
    }
    records[c].MaxCode = high;
    records[c].MinCode = low;
  }
}

// The yardstick of the median forms: a sliding median that keeps its window sorted (binary search
// for the outgoing code, one move of the codes between it and the incoming code's place), over the
// same codes and columns; an even window's median is the upper of its two middle codes, as the
// program takes it. The first column, where the window fills, is left out.
void SortedWindowMedian(std::uint32_t n, std::vector<ColumnRecord>& records) {
  const std::vector<std::int16_t>& codes = NoisyCodes();
  const double per_column = static_cast<double>(kSamples) / kColumns;
  std::vector<std::uint16_t> window(n);
  std::copy_n(codes.begin(), n, window.begin());
  std::sort(window.begin(), window.end());
  for (std::uint32_t c = 1; c <= kColumns; ++c) {
    const auto first = std::max(static_cast<std::uint32_t>((c - 1) * per_column), n);
    const auto end = static_cast<std::uint32_t>(c * per_column);
    std::int16_t high = std::numeric_limits<std::int16_t>::min();
    std::int16_t low = std::numeric_limits<std::int16_t>::max();
    for (std::uint32_t j = first; j < end; ++j) {
      const auto out = static_cast<std::uint16_t>(codes[j - n]);
      const auto in = static_cast<std::uint16_t>(codes[j]);
      auto slot = std::lower_bound(window.begin(), window.end(), out);
      if (in > out) {
        const auto to = std::lower_bound(slot, window.end(), in);
        std::move(slot + 1, to, slot);
        *(to - 1) = in;
      } else if (in < out) {
        const auto to = std::upper_bound(window.begin(), slot, in);
        std::move_backward(to, slot, slot + 1);
        *to = in;
      }
      const auto median = static_cast<std::int16_t>(window[n / 2]);
      high = std::max(high, median);
      low = std::min(low, median);
    }
    records[c].MaxCode = high;
    records[c].MinCode = low;
  }
}

// The other yardstick of the median forms: a sliding median over a histogram of the 65536 codes,
// holding the median's code and how many codes of the window lie below it; each step counts the
// outgoing and incoming codes and walks the median to its place (a few bins on noisy codes). The
// same window, columns and rank as the sorted window's.
void HistogramMedian(std::uint32_t n, std::vector<ColumnRecord>& records) {
  const std::vector<std::int16_t>& codes = NoisyCodes();
  const double per_column = static_cast<double>(kSamples) / kColumns;
  static std::vector<std::uint32_t> counts(65536);
  std::fill(counts.begin(), counts.end(), 0u);
  for (std::uint32_t j = 0; j < n; ++j) ++counts[static_cast<std::uint16_t>(codes[j])];
  const std::uint32_t rank = n / 2;
  std::uint32_t median = 0, below = 0;
  while (below + counts[median] <= rank) below += counts[median++];
  for (std::uint32_t c = 1; c <= kColumns; ++c) {
    const auto first = std::max(static_cast<std::uint32_t>((c - 1) * per_column), n);
    const auto end = static_cast<std::uint32_t>(c * per_column);
    std::int16_t high = std::numeric_limits<std::int16_t>::min();
    std::int16_t low = std::numeric_limits<std::int16_t>::max();
    for (std::uint32_t j = first; j < end; ++j) {
      const auto out = static_cast<std::uint16_t>(codes[j - n]);
      const auto in = static_cast<std::uint16_t>(codes[j]);
      --counts[out];
      below -= out < median ? 1 : 0;
      ++counts[in];
      below += in < median ? 1 : 0;
      while (below > rank) below -= counts[--median];
      while (below + counts[median] <= rank) below += counts[median++];
      const auto value = static_cast<std::int16_t>(median);
      high = std::max(high, value);
      low = std::min(low, value);
    }
    records[c].MaxCode = high;
    records[c].MinCode = low;
  }
}

// The yardstick of the trailing form: the root of the mean square of the last n codes (fewer at the
// start) times 256, the mean an integer quotient, from one running sum of squares, every output
// folded into its column's extremes.
void TrailingRms(std::uint16_t n, std::vector<ColumnRecord>& records) {
  const std::vector<std::int16_t>& codes = NoisyCodes();
  const double per_column = static_cast<double>(kSamples) / kColumns;
  std::int64_t sum = 0;
  for (std::uint32_t c = 1; c <= kColumns; ++c) {
    const auto first = static_cast<std::uint32_t>((c - 1) * per_column);
    const auto end = static_cast<std::uint32_t>(c * per_column);
    std::int32_t high = std::numeric_limits<std::int32_t>::min();
    std::int32_t low = std::numeric_limits<std::int32_t>::max();
    for (std::uint32_t j = first; j < end; ++j) {
      sum += std::int64_t{codes[j]} * codes[j];
      if (j >= n) sum -= std::int64_t{codes[j - n]} * codes[j - n];
      const std::int64_t held = std::min<std::int64_t>(j + 1, n);
      const auto out = static_cast<std::int32_t>(std::sqrt(static_cast<double>(sum / held)) * 256.0);
      high = std::max(high, out);
      low = std::min(low, out);
    }
    records[c].MaxCode = high;
    records[c].MinCode = low;
  }
}

// The columns' extremes of the program and of a yardstick, from `from` on, must agree.
void RequireSameColumns(const char* what, const std::vector<ColumnRecord>& program, const std::vector<ColumnRecord>& yardstick,
                        std::uint32_t from) {
  for (std::uint32_t c = from; c <= kColumns; ++c) {
    if (program[c].MinCode != yardstick[c].MinCode || program[c].MaxCode != yardstick[c].MaxCode) {
      std::fprintf(stderr, "%s: column %u is %d..%d in the program, %d..%d in the yardstick\n", what, c, program[c].MinCode,
                   program[c].MaxCode, yardstick[c].MinCode, yardstick[c].MaxCode);
      std::exit(1);
    }
  }
}

// The program's reduction (form by the first argument) and its yardstick in turn, their columns
// checked to agree first; each timed on the wall clock and the CPU clock (both run on this one
// thread, as the program's reduction of a channel does), the ratios taken pair by pair. The
// yardsticks share no code with the program: they read the same codes and lay the same column spans.
template <void (*Yardstick)(const Form&, std::vector<ColumnRecord>&)>
void BM_ReductionBesideYardstick(benchmark::State& state) {
  const Form& form = kForms[state.range(0)];
  Reduction reduction(form);
  std::vector<ColumnRecord> plain(kColumns + 1);
  Yardstick(form, plain);
  // The median's first columns, while its window fills, are the program's own business.
  const std::uint32_t from = form.median_on != 0 ? 2 : 1;
  RequireSameColumns("reduction", reduction.Run(), plain, from);
  bench_support::PairedClocks clocks;
  for (auto _ : state) {
    const bench_support::Spent spent = bench_support::Measure([&] { benchmark::DoNotOptimize(reduction.Run().data()); });
    const bench_support::Spent plain_spent = bench_support::Measure([&] {
      Yardstick(form, plain);
      benchmark::DoNotOptimize(plain.data());
    });
    clocks.Add(spent, plain_spent);
    state.SetIterationTime(spent.Wall);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kSamples);
  clocks.Report(state);
}

void PlainForm(const Form&, std::vector<ColumnRecord>& records) { PlainMinMax(records); }
void TrailingForm(const Form& form, std::vector<ColumnRecord>& records) { TrailingRms(form.smoothing_window, records); }

// The median forms' yardstick: the sorted window or the histogram, whichever runs this window faster
// here (each timed thrice on the wall clock at its first use, the least of each compared).
using MedianYardstick = void (*)(std::uint32_t, std::vector<ColumnRecord>&);
MedianYardstick FasterMedian(std::uint32_t n) {
  static std::map<std::uint32_t, MedianYardstick> chosen;
  auto& choice = chosen[n];
  if (choice == nullptr) {
    std::vector<ColumnRecord> records(kColumns + 1);
    const auto least = [&](MedianYardstick median) {
      double best = 1e9;
      for (int k = 0; k < 3; ++k) best = std::min(best, bench_support::Measure([&] { median(n, records); }).Wall);
      return best;
    };
    choice = least(&HistogramMedian) <= least(&SortedWindowMedian) ? &HistogramMedian : &SortedWindowMedian;
  }
  return choice;
}
void MedianForm(const Form& form, std::vector<ColumnRecord>& records) { FasterMedian(form.median_window)(form.median_window, records); }

// The median forms beside the faster of the two medians, named in the label; the two are first
// checked to give the same columns.
void BM_MedianBesideYardstick(benchmark::State& state) {
  const Form& form = kForms[state.range(0)];
  std::vector<ColumnRecord> sorted(kColumns + 1), histogram(kColumns + 1);
  SortedWindowMedian(form.median_window, sorted);
  HistogramMedian(form.median_window, histogram);
  RequireSameColumns("histogram median", histogram, sorted, 2);
  state.SetLabel(FasterMedian(form.median_window) == &HistogramMedian ? "yardstick: histogram median"
                                                                      : "yardstick: sorted-window median");
  BM_ReductionBesideYardstick<&MedianForm>(state);
}

}  // namespace

// Forms 0 (plain), 1 (median 20) and 6 (median 100) beside their yardsticks.
BENCHMARK_TEMPLATE(BM_ReductionBesideYardstick, &PlainForm)->ArgName("form")->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MedianBesideYardstick)
    ->ArgName("form")
    ->Arg(1)
    ->Arg(6)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
// Form 2 (trailing RMS 20) beside a plain trailing RMS.
BENCHMARK_TEMPLATE(BM_ReductionBesideYardstick, &TrailingForm)->ArgName("form")->Arg(2)->UseManualTime()->Unit(benchmark::kMillisecond);
// Every form in turn: form 2 (trailing RMS) and form 3 (centred mean) side by side over the same codes.
BENCHMARK(BM_BuildColumnMinMax)
    ->ArgName("form")
    ->DenseRange(0, 6)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_BuildColumnMinMaxPlainVectors)
    ->ArgName("form")
    ->Arg(1)
    ->Arg(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
