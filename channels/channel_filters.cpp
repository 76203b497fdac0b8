// The per-sample filter read of a channel for the exports, and the median ordering.
#include "channels/channel_filters.h"

#include <cmath>
#include <cstdlib>

#include "channels/vessamor_channel.h"

int CompareSamples(const std::int16_t* a, const std::int16_t* b) {
  const auto x = static_cast<std::uint16_t>(*a);
  const auto y = static_cast<std::uint16_t>(*b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

namespace {

// The export's stand-in for the median of codes[k - n + 1 .. k]: the code nearest to the middle of
// the window's range (odd windows), or the mean of the two nearest (even windows).
std::int32_t MidRangeMedian(const std::int16_t* codes, std::uint32_t k, std::uint16_t n) {
  const std::uint32_t start = k + 1 >= n ? k + 1 - n : 0;
  std::int32_t low = codes[start];
  std::int32_t high = codes[start];
  for (std::uint32_t j = start + 1; j <= k; ++j) {
    low = std::min<std::int32_t>(low, codes[j]);
    high = std::max<std::int32_t>(high, codes[j]);
  }
  const std::int32_t middle = (high + low) >> 1;
  std::int32_t nearest = codes[start];
  std::int32_t nearest_distance = std::abs(nearest - middle);
  if (n % 2 != 0) {
    for (std::uint32_t j = start + 1; j <= k; ++j) {
      const std::int32_t d = std::abs(codes[j] - middle);
      if (d < nearest_distance) {
        nearest = codes[j];
        nearest_distance = d;
      }
    }
    return nearest;
  }
  if (start == k) return nearest;
  std::int32_t second = codes[start + 1];
  std::int32_t second_distance = std::abs(second - middle);
  if (second_distance < nearest_distance) {
    std::swap(nearest, second);
    std::swap(nearest_distance, second_distance);
  }
  for (std::uint32_t j = start + 2; j <= k; ++j) {
    const std::int32_t d = std::abs(codes[j] - middle);
    if (d < nearest_distance) {
      second = nearest;
      second_distance = nearest_distance;
      nearest = codes[j];
      nearest_distance = d;
    } else if (d < second_distance) {
      second = codes[j];
      second_distance = d;
    }
  }
  return (nearest + second) >> 1;
}

}  // namespace

std::int32_t VessamorChannel::GetSample(std::uint32_t index) const {
  if (Codes == nullptr || index >= CodeCapacity) return 0;
  const bool median = MedianOn != 0 && MedianWindow != 0;
  const auto input = [&](std::uint32_t k) -> std::int32_t {
    return median ? MidRangeMedian(Codes, k, MedianWindow) : Codes[k];
  };
  if (SmoothingOn == 0) return input(index);
  const std::uint32_t w = SmoothingWindow;
  // Without a window the smoothing passes the code, still in the fractional form the value path reads.
  if (w == 0) return input(index) * 256;
  const std::uint32_t first = index + 1 >= w ? index + 1 - w : 0;
  std::int64_t sum = 0;
  for (std::uint32_t k = first; k <= index; ++k) {
    const std::int64_t v = input(k);
    sum += v * v;
  }
  const double fill = index - first + 1;
  return static_cast<std::int32_t>(std::sqrt(static_cast<double>(sum) / fill) * 256.0);
}
