// The per-sample filter read of a channel for the exports, and the median ordering.
#include "channels/channel_filters.h"

#include <algorithm>
#include <bit>
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

SlidingMidRangeMedian::SlidingMidRangeMedian(std::uint16_t window)
    : Window(window), Ring(window), Counts(window != 0 ? 65536 : 0) {}

void SlidingMidRangeMedian::Clear() {
  for (std::uint32_t k = 0; k < Size; ++k) Mark(Ring[(Oldest + k) % Window], -1);
  Oldest = 0;
  Size = 0;
}

void SlidingMidRangeMedian::Mark(std::int32_t code, int delta) {
  const auto at = static_cast<std::uint32_t>(code + 32768);
  const std::uint32_t word = at >> 6;
  const std::uint64_t bit = std::uint64_t{1} << (at & 63);
  if (delta > 0) {
    if (Counts[at]++ == 0) Words[word] |= bit;
  } else if (--Counts[at] == 0) {
    Words[word] &= ~bit;
  }
  const std::uint64_t summary_bit = std::uint64_t{1} << (word & 63);
  if (Words[word] != 0) Summary[word >> 6] |= summary_bit;
  else Summary[word >> 6] &= ~summary_bit;
}

void SlidingMidRangeMedian::Push(std::int16_t code) {
  if (Window == 0) return;
  if (Size == Window) {
    Mark(Ring[Oldest], -1);
    Ring[Oldest] = code;
    Oldest = (Oldest + 1) % Window;
  } else {
    Ring[(Oldest + Size++) % Window] = code;
  }
  Mark(code, +1);
}

std::int32_t SlidingMidRangeMedian::Above(std::int32_t from) const {
  if (from > 32767) return kNone;
  const auto at = static_cast<std::uint32_t>(std::max(from, -32768) + 32768);
  std::uint32_t word = at >> 6;
  const std::uint64_t here = Words[word] & (~std::uint64_t{0} << (at & 63));
  if (here != 0) return static_cast<std::int32_t>(word * 64 + std::countr_zero(here)) - 32768;
  if (++word >= Words.size()) return kNone;
  for (std::uint32_t s = word >> 6; s < Summary.size(); ++s) {
    const std::uint64_t mask = s == word >> 6 ? Summary[s] & (~std::uint64_t{0} << (word & 63)) : Summary[s];
    if (mask == 0) continue;
    const std::uint32_t found = s * 64 + std::countr_zero(mask);
    return static_cast<std::int32_t>(found * 64 + std::countr_zero(Words[found])) - 32768;
  }
  return kNone;
}

std::int32_t SlidingMidRangeMedian::Below(std::int32_t from) const {
  if (from < -32768) return kNone;
  const auto at = static_cast<std::uint32_t>(std::min(from, 32767) + 32768);
  const auto up_to = [](std::uint32_t bit) { return bit == 63 ? ~std::uint64_t{0} : (std::uint64_t{2} << bit) - 1; };
  std::uint32_t word = at >> 6;
  const std::uint64_t here = Words[word] & up_to(at & 63);
  if (here != 0) return static_cast<std::int32_t>(word * 64 + 63 - std::countl_zero(here)) - 32768;
  if (word-- == 0) return kNone;
  for (std::int32_t s = static_cast<std::int32_t>(word >> 6); s >= 0; --s) {
    const std::uint64_t mask = s == static_cast<std::int32_t>(word >> 6) ? Summary[s] & up_to(word & 63) : Summary[s];
    if (mask == 0) continue;
    const std::uint32_t found = static_cast<std::uint32_t>(s) * 64 + 63 - std::countl_zero(mask);
    return static_cast<std::int32_t>(found * 64 + 63 - std::countl_zero(Words[found])) - 32768;
  }
  return kNone;
}

std::int32_t SlidingMidRangeMedian::SumOfFirst(std::int32_t a, std::int32_t b, int need) const {
  std::int32_t sum = 0;
  for (std::uint32_t k = 0; k < Size && need > 0; ++k) {
    const std::int32_t code = Ring[(Oldest + k) % Window];
    if (code == a || code == b) sum += code, --need;
  }
  return sum;
}

std::int32_t SlidingMidRangeMedian::Output() const {
  if (Size == 0) return 0;
  if (Size == 1) return Ring[Oldest];
  const std::int32_t middle = (Below(32767) + Above(-32768)) >> 1;
  std::int32_t low = Below(middle);
  std::int32_t high = Above(middle + 1);
  const auto distance = [middle](std::int32_t code) {
    return code == kNone ? std::int64_t{1} << 40 : std::abs(std::int64_t{code} - middle);
  };
  if (Window % 2 != 0) {
    const std::int64_t below = distance(low);
    const std::int64_t above = distance(high);
    return below < above ? low : above < below ? high : SumOfFirst(low, high, 1);
  }
  // The two codes nearest to the middle, by distance and then by arrival.
  int need = 2;
  std::int32_t sum = 0;
  while (need > 0 && (low != kNone || high != kNone)) {
    const std::int64_t below = distance(low);
    const std::int64_t above = distance(high);
    if (below == above) {
      sum += SumOfFirst(low, high, need);
      break;
    }
    const std::int32_t code = below < above ? low : high;
    const int take = std::min<int>(need, static_cast<int>(Count(code)));
    sum += take * code;
    need -= take;
    if (below < above) low = Below(low - 1);
    else high = Above(high + 1);
  }
  return sum >> 1;
}

FilteredSampleReader::FilteredSampleReader(const VessamorChannel& channel)
    : Channel(channel),
      Median(channel.MedianOn != 0 && channel.MedianWindow != 0),
      Smoothing(channel.SmoothingOn != 0),
      Width(Smoothing ? channel.SmoothingWindow : 0),
      MedianWindow(Median ? channel.MedianWindow : 0),
      Outputs(Width) {}

std::uint32_t FilteredSampleReader::Reach() const { return Width + (Median ? Channel.MedianWindow : 0u) + 1; }

std::int16_t FilteredSampleReader::CodeAt(std::uint32_t index) const {
  return Copy != nullptr ? Copy[index - CopyFirst] : Channel.Codes[index];
}

void FilteredSampleReader::Restart(std::uint32_t index) {
  const std::uint32_t first = Width == 0 ? index : index + 1 >= Width ? index + 1 - Width : 0;
  const std::uint32_t n = Median ? Channel.MedianWindow : 1u;
  Next = first + 1 >= n ? first + 1 - n : 0;
  FirstKept = first;
  MedianWindow.Clear();
  OutputsNext = 0;
  Fill = 0;
  SumOfSquares = 0;
  Started = true;
}

void FilteredSampleReader::Step(bool wanted) {
  const std::int16_t code = CodeAt(Next);
  if (Median) MedianWindow.Push(code);
  if (Next++ < FirstKept || !wanted) return;
  Last = Median ? MedianWindow.Output() : code;
  if (Width == 0) return;
  if (Fill == Width) SumOfSquares -= std::int64_t{Outputs[OutputsNext]} * Outputs[OutputsNext];
  else ++Fill;
  Outputs[OutputsNext] = Last;
  SumOfSquares += std::int64_t{Last} * Last;
  OutputsNext = (OutputsNext + 1) % Width;
}

std::int32_t FilteredSampleReader::At(std::uint32_t index) {
  if (Channel.Codes == nullptr || index >= Channel.CodeCapacity) return 0;
  if (!Median && !Smoothing) return CodeAt(index);
  const std::uint32_t span = Reach();
  if (!Started || index + 1 < Next || index + 1 - Next > span) Restart(index);
  // Without smoothing only the last output is read; the ones skipped on the way are not needed.
  while (Next <= index) Step(Width != 0 || Next == index);
  if (!Smoothing) return Last;
  if (Width == 0) return Last * 256;
  return static_cast<std::int32_t>(std::sqrt(static_cast<double>(SumOfSquares) / Fill) * 256.0);
}
