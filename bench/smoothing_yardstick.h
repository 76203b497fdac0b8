// A yardstick for the smoothed column reduction, written apart from the program's: a centred
// moving RMS (optionally over a sliding median, by sorted window or histogram, whichever is faster)
// folded into each column's extremes, channel by channel on as many threads as the program deals
// its channels to.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <thread>
#include <vector>

#include "channels/column_record.h"

namespace bench_support {

struct ColumnExtremes {
  std::int32_t High = 0;
  std::int32_t Low = 0;
};

// One channel's filtered samples, read in rising order: a median over the last `median` codes
// (upper middle of an even window, codes ordered as unsigned; the raw code until it fills), then the
// mean square over the `smoothing` + 1 samples centred on each, given as its root times 256. The
// median keeps its window sorted, or (`histogram`) counts the window's codes in a histogram of all
// 65536 and walks the median's code to its place as codes come and go.
class CentredRms {
 public:
  CentredRms(const std::int16_t* codes, std::uint32_t limit, std::uint16_t smoothing, std::uint16_t median,
             bool histogram = false)
      : codes_(codes),
        limit_(limit),
        lead_(smoothing % 2 != 0 ? smoothing / 2 + 1 : smoothing / 2),
        trail_(smoothing / 2),
        size_(smoothing + 1u),
        squares_(size_ + 1u),
        median_(median),
        histogram_(histogram),
        sorted_(histogram ? 0 : median),
        counts_(histogram && median != 0 ? 65536 : 0) {}

  // Extremes of the outputs of samples [first, end).
  ColumnExtremes Fold(std::uint32_t first, std::uint32_t end) {
    std::int64_t high_sum = std::numeric_limits<std::int64_t>::min();
    std::int64_t low_sum = std::numeric_limits<std::int64_t>::max();
    std::int32_t high = std::numeric_limits<std::int32_t>::min();
    std::int32_t low = std::numeric_limits<std::int32_t>::max();
    for (std::uint32_t k = first; k < end; ++k) {
      if (median_ == 0 && to_ - from_ == size_ && from_ + 1 + lead_ == k && std::uint64_t{k} + trail_ < limit_) {
        // The full window moves along the codes themselves: one square in, one out.
        const auto stop = static_cast<std::uint32_t>(std::min<std::uint64_t>(end, std::uint64_t{limit_} - trail_));
        std::int64_t sum = sum_;
        for (std::uint32_t j = k; j < stop; ++j) {
          const std::int32_t in = codes_[j + trail_], out = codes_[j - 1 - lead_];
          sum += in * in - out * out;
          high_sum = std::max(high_sum, sum);
          low_sum = std::min(low_sum, sum);
        }
        sum_ = sum;
        from_ += stop - k;
        to_ += stop - k;
        k = stop - 1;
        continue;
      }
      Slide(k);
      if (to_ - from_ == size_) {
        // A full window: the output grows with the sum, so the sums' extremes are enough.
        high_sum = std::max(high_sum, sum_);
        low_sum = std::min(low_sum, sum_);
        continue;
      }
      const std::uint64_t wanted = std::uint64_t{k} + trail_ + 1;
      const double mean = wanted <= limit_ ? static_cast<double>(sum_ / (to_ - from_))
                                           : static_cast<double>(sum_) / static_cast<double>(to_ - from_);
      const auto out = static_cast<std::int32_t>(std::sqrt(mean) * 256.0);
      high = std::max(high, out);
      low = std::min(low, out);
    }
    const auto of_sum = [this](std::int64_t sum) {
      return static_cast<std::int32_t>(std::sqrt(static_cast<double>(sum / size_)) * 256.0);
    };
    if (high_sum >= low_sum) {
      high = std::max(high, of_sum(high_sum));
      low = std::min(low, of_sum(low_sum));
    }
    return {high, low};
  }

 private:
  // Moves the window [from_, to_) to the one centred on k.
  void Slide(std::uint32_t k) {
    const std::uint32_t from = k >= lead_ ? k - lead_ : 0;
    const auto to = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{k} + trail_ + 1, limit_));
    if (from < from_ || to < to_ || from >= to_) {
      from_ = to_ = from;
      sum_ = 0;
    }
    for (; to_ < to; ++to_) {
      const std::int64_t v = Input(to_);
      squares_[to_ % squares_.size()] = v * v;
      sum_ += v * v;
    }
    for (; from_ < from; ++from_) {
      const std::int64_t v = codes_[from_];
      sum_ -= median_ == 0 ? v * v : squares_[from_ % squares_.size()];
    }
  }

  std::int64_t Input(std::uint32_t t) {
    if (median_ == 0) return codes_[t];
    if (t + 1 < median_) return codes_[t];
    const auto code = [this](std::uint32_t i) { return static_cast<std::uint16_t>(codes_[i]); };
    if (histogram_) {
      const std::uint32_t rank = median_ / 2;
      if (next_ != t || t + 1 == median_) {
        std::fill(counts_.begin(), counts_.end(), 0);
        for (std::uint32_t i = 0; i < median_; ++i) ++counts_[code(t + 1 - median_ + i)];
        at_ = 0;
        below_ = 0;
      } else {
        const std::uint16_t out = code(t - median_), in = code(t);
        --counts_[out];
        below_ -= out < at_ ? 1 : 0;
        ++counts_[in];
        below_ += in < at_ ? 1 : 0;
      }
      while (below_ > rank) below_ -= counts_[--at_];
      while (below_ + counts_[at_] <= rank) below_ += counts_[at_++];
      next_ = t + 1;
      return static_cast<std::int16_t>(at_);
    }
    if (next_ != t || t + 1 == median_) {
      for (std::uint32_t i = 0; i < median_; ++i) sorted_[i] = code(t + 1 - median_ + i);
      std::sort(sorted_.begin(), sorted_.end());
    } else {
      // The window keeps its order: the outgoing code's place is taken by the incoming one.
      const std::uint16_t out = code(t - median_), in = code(t);
      auto slot = std::lower_bound(sorted_.begin(), sorted_.end(), out);
      if (in > out) {
        const auto at = std::lower_bound(slot, sorted_.end(), in);
        std::move(slot + 1, at, slot);
        *(at - 1) = in;
      } else if (in < out) {
        const auto at = std::upper_bound(sorted_.begin(), slot, in);
        std::move_backward(at, slot, slot + 1);
        *at = in;
      }
    }
    next_ = t + 1;
    return static_cast<std::int16_t>(sorted_[median_ / 2]);
  }

  const std::int16_t* codes_;
  std::uint32_t limit_;
  std::uint32_t lead_;
  std::uint32_t trail_;
  std::uint32_t size_;
  std::vector<std::int64_t> squares_;
  std::uint32_t from_ = 0;
  std::uint32_t to_ = 0;
  std::int64_t sum_ = 0;
  std::uint32_t median_;
  bool histogram_;
  std::vector<std::uint16_t> sorted_;
  // The histogram's counts, the median's code and how many of the window lie below it.
  std::vector<std::uint16_t> counts_;
  std::uint32_t at_ = 0;
  std::uint32_t below_ = 0;
  std::uint32_t next_ = 0;
};

// A channel to reduce: its codes and filter windows; the extremes of columns first..last land in
// Out[c - first].
struct SmoothedChannel {
  const std::int16_t* Codes = nullptr;
  std::uint16_t Smoothing = 20;
  std::uint16_t Median = 0;
  // The median by histogram rather than by sorted window.
  bool Histogram = false;
  std::vector<ColumnExtremes> Out;
};

// Reduces every channel over the columns first..last of a time base, within `limit` samples; the
// channels dealt out in turn to `threads` threads, this one taking the first share.
inline void ReduceSmoothed(std::vector<SmoothedChannel>& channels, const ColumnRecord* time_base, std::uint32_t first,
                           std::uint32_t last, std::uint32_t limit, std::uint32_t threads) {
  const auto reduce = [&](std::uint32_t share) {
    for (std::size_t k = share; k < channels.size(); k += threads) {
      SmoothedChannel& channel = channels[k];
      CentredRms rms(channel.Codes, limit, channel.Smoothing, channel.Median, channel.Histogram);
      channel.Out.resize(last - first + 1);
      for (std::uint32_t c = first; c <= last; ++c) {
        // A column without samples of its own shows the sample at its start.
        const ColumnRecord& base = time_base[c];
        const std::uint32_t from = std::min(base.FirstSample, limit - 1);
        const auto end = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(std::uint64_t{base.FirstSample} + std::max<std::uint32_t>(base.SampleCount, 1), limit));
        channel.Out[c - first] = rms.Fold(from, std::max(end, from + 1));
      }
    }
  };
  std::vector<std::jthread> helpers;
  for (std::uint32_t share = 1; share < threads; ++share) helpers.emplace_back(reduce, share);
  reduce(0);
}

// Sets the channels' median to the faster of the sorted window and the histogram here (each run
// twice on the wall clock, the lesser time of each compared), after checking that the two give the
// same extremes; true for the histogram.
inline bool ChooseFasterMedian(std::vector<SmoothedChannel>& channels, const ColumnRecord* time_base, std::uint32_t first,
                               std::uint32_t last, std::uint32_t limit, std::uint32_t threads) {
  const auto least = [&](bool histogram) {
    for (SmoothedChannel& channel : channels) channel.Histogram = histogram;
    double best = 1e300;
    for (int k = 0; k < 2; ++k) {
      const auto start = std::chrono::steady_clock::now();
      ReduceSmoothed(channels, time_base, first, last, limit, threads);
      best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
  };
  const double sorted = least(false);
  std::vector<std::vector<ColumnExtremes>> by_sorted;
  for (const SmoothedChannel& channel : channels) by_sorted.push_back(channel.Out);
  const double histogram = least(true);
  for (std::size_t k = 0; k < channels.size(); ++k) {
    for (std::size_t i = 0; i < by_sorted[k].size(); ++i) {
      if (by_sorted[k][i].High != channels[k].Out[i].High || by_sorted[k][i].Low != channels[k].Out[i].Low) {
        std::fprintf(stderr, "the histogram median differs from the sorted window's: channel %zu column %zu\n", k, first + i);
        std::exit(1);
      }
    }
  }
  const bool faster = histogram <= sorted;
  for (SmoothedChannel& channel : channels) channel.Histogram = faster;
  return faster;
}

// The program's columns first..last of a channel must hold the yardstick's extremes.
inline void RequireSameColumns(const char* what, std::size_t channel, const ColumnRecord* columns, std::uint32_t first,
                               const std::vector<ColumnExtremes>& yardstick) {
  for (std::uint32_t i = 0; i < yardstick.size(); ++i) {
    const ColumnRecord& c = columns[first + i];
    if (c.MaxCode != yardstick[i].High || c.MinCode != yardstick[i].Low) {
      std::fprintf(stderr, "%s: channel %zu column %u is %d..%d in the program, %d..%d in the yardstick\n", what, channel,
                   first + i, c.MinCode, c.MaxCode, yardstick[i].Low, yardstick[i].High);
      std::exit(1);
    }
  }
}

}  // namespace bench_support
