// The trailing moving RMS of the column reduction against a sample-by-sample computation of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "channel_fixtures.h"
#include "channels/column_reduction.h"

namespace {

// The inputs of the smoothing: the raw codes, or a median over the last `median` codes (upper
// middle, as unsigned numbers; the raw code until the window first fills).
std::vector<std::int64_t> Inputs(const std::vector<std::int16_t>& codes, std::uint32_t median) {
  std::vector<std::int64_t> in(codes.begin(), codes.end());
  for (std::size_t j = median > 0 ? median - 1 : codes.size(); j < codes.size(); ++j) {
    std::vector<std::uint16_t> w(codes.begin() + static_cast<std::ptrdiff_t>(j + 1 - median),
                                 codes.begin() + static_cast<std::ptrdiff_t>(j + 1));
    std::nth_element(w.begin(), w.begin() + median / 2, w.end());
    in[j] = static_cast<std::int16_t>(w[median / 2]);
  }
  return in;
}

// Root of the integer mean of the squares of the last n inputs (fewer at the start), times 256.
std::vector<std::int32_t> TrailingRms(const std::vector<std::int64_t>& in, std::uint32_t n) {
  std::vector<std::int32_t> out(in.size());
  for (std::size_t k = 0; k < in.size(); ++k) {
    const std::size_t from = k + 1 >= n ? k + 1 - n : 0;
    std::int64_t sum = 0;
    for (std::size_t i = from; i <= k; ++i) sum += in[i] * in[i];
    out[k] = static_cast<std::int32_t>(std::sqrt(static_cast<double>(sum / static_cast<std::int64_t>(k + 1 - from))) * 256.0);
  }
  return out;
}

std::vector<std::int16_t> Noise(std::size_t count, std::int32_t low, std::int32_t high, unsigned seed) {
  std::mt19937 generator(seed);
  std::uniform_int_distribution<std::int32_t> pick(low, high);
  std::vector<std::int16_t> codes(count);
  for (auto& c : codes) c = static_cast<std::int16_t>(pick(generator));
  return codes;
}

// A lone channel of those codes, `per_column` samples a column, with the trailing form over them.
struct Trailing : LoneChannel {
  Trailing(const std::vector<std::int16_t>& codes, std::uint32_t per_column, std::uint32_t median, std::uint16_t n,
           std::uint8_t rms = 1)
      : LoneChannel(codes, per_column) {
    channel.MedianOn = median != 0, channel.MedianWindow = static_cast<std::uint16_t>(median);
    channel.SmoothingOn = 1, channel.SmoothingWindow = n, channel.CentredSmoothing = 0, channel.RmsMode = rms;
    channel.ConfigureFilter();
  }
  // Every column holds the extremes of the expected outputs of its samples.
  void Expect(const std::vector<std::int32_t>& expected, const std::string& what) const {
    for (std::size_t c = 1; c < columns.size(); ++c) {
      const auto first = expected.begin() + base[c].FirstSample;
      const auto [low, high] = std::minmax_element(first, first + base[c].SampleCount);
      ASSERT_EQ(std::pair(columns[c].MinCode, columns[c].MaxCode), std::pair(*low, *high)) << what << " column " << c;
    }
  }
};

TEST(TrailingSmoothing, ColumnsHoldTheExtremesOfTheSampleBySampleRms) {
  // Columns of one sample (every window cut by a column), of a few and of many; the run split over
  // two calls and an earlier stretch rebuilt after them; ADC codes and the full signed range.
  for (const auto& codes : {Noise(6000, 0, 4095, 11), Noise(6000, -32768, 32767, 12)}) {
    for (const std::uint32_t median : {0u, 5u}) {
      const std::vector<std::int64_t> in = Inputs(codes, median);
      for (const std::uint16_t n : {1, 2, 19, 20, 101}) {
        const std::vector<std::int32_t> expected = TrailingRms(in, n);
        for (const std::uint32_t per_column : {1u, 7u, 997u}) {
          for (const std::uint8_t rms : {0, 1}) {  // the trailing form is an RMS either way
            Trailing f(codes, per_column, median, n, rms);
            const auto split = static_cast<std::uint16_t>(f.LastColumn() * 2 / 3);
            f.channel.BuildColumnMinMax(1, split);
            f.channel.BuildColumnMinMax(split + 1, f.LastColumn());
            f.channel.BuildColumnMinMax(1, std::max<std::uint16_t>(split / 2, 1));
            f.Expect(expected, "median " + std::to_string(median) + " window " + std::to_string(n) + " per column " +
                                   std::to_string(per_column));
          }
        }
      }
    }
  }
}

TEST(TrailingSmoothing, ARecordLongerThanOnePieceGivesTheSameColumnsAsTheSums) {
  // Columns of 1000 samples across the boundary of the filter's pieces, one of them cut by it.
  const std::vector<std::int16_t> codes = Noise(kReductionPieceSamples + 9500, 0, 4095, 13);
  for (const std::uint32_t median : {0u, 3u}) {
    const std::vector<std::int32_t> expected = TrailingRms(Inputs(codes, median), 20);
    Trailing f(codes, 1000, median, 20);
    f.channel.BuildColumnMinMax(1, f.LastColumn());
    f.Expect(expected, "median " + std::to_string(median));
  }
}

}  // namespace
