// Sliding median of 16-bit codes by counting.
#include "channels/code_median.h"

#include <bit>

namespace {

constexpr std::uint32_t kCodes = 65536;
constexpr std::uint32_t kWords = kCodes / 64;

}  // namespace

void CodeCountMedian::Fill(const std::int16_t* codes, std::uint32_t n) {
  if (counts_.empty()) {
    counts_.assign(kCodes, 0);
    present_.assign(kWords, 0);
  }
  // Only the codes of the last window are cleared, found through the map.
  for (std::uint32_t g = 0; g < words_.size(); ++g) {
    for (std::uint64_t groups = words_[g]; groups != 0; groups &= groups - 1) {
      const std::uint32_t w = (g << 6) | static_cast<std::uint32_t>(std::countr_zero(groups));
      for (std::uint64_t bits = present_[w]; bits != 0; bits &= bits - 1) {
        counts_[(w << 6) | static_cast<std::uint32_t>(std::countr_zero(bits))] = 0;
      }
      present_[w] = 0;
    }
    words_[g] = 0;
  }
  size_ = n;
  rank_ = n / 2;
  for (std::uint32_t i = 0; i < n; ++i) Add(static_cast<std::uint16_t>(codes[i]));
  // The lowest code present, then upwards until the rank is reached.
  median_ = PresentAbove(0);
  if (counts_[0] != 0) median_ = 0;
  below_ = 0;
  while (below_ + counts_[median_] <= rank_) {
    below_ += counts_[median_];
    median_ = PresentAbove(median_);
  }
}

std::uint32_t CodeCountMedian::Run(const std::int16_t* outgoing, const std::int16_t* incoming,
                                   std::uint32_t count, std::int32_t* out) {
  if (size_ == 0) return 0;
  // The median and the count below it stay in registers over the run.
  std::uint32_t median = median_;
  std::uint32_t below = below_;
  const std::uint32_t rank = rank_;
  std::uint16_t* const counts = counts_.data();
  std::uint32_t i = 0;
  for (; i < count; ++i) {
    const std::uint32_t leaving = static_cast<std::uint16_t>(outgoing[i]);
    const std::uint32_t entering = static_cast<std::uint16_t>(incoming[i]);
    if (leaving != entering) {
      if (counts[leaving] == 0) break;
      Remove(leaving);
      Add(entering);
      below = below + static_cast<std::uint32_t>(entering < median) - static_cast<std::uint32_t>(leaving < median);
      // One code left and one entered: the code of the rank is at most one code present away.
      if (below > rank) {
        median = PresentBelow(median);
        below -= counts[median];
      } else if (below + counts[median] <= rank) {
        below += counts[median];
        median = PresentAbove(median);
      }
    }
    out[i] = static_cast<std::int16_t>(median);
  }
  median_ = median;
  below_ = below;
  return i;
}

std::uint32_t CodeCountMedian::PresentAboveWord(std::uint32_t code) const {
  std::uint32_t w = code >> 6;
  // The next word with a code present, through the map of words.
  const std::uint32_t next = w + 1;
  if (next >= kWords) return code;
  std::uint32_t g = next >> 6;
  std::uint64_t groups = words_[g] & (~std::uint64_t{0} << (next & 63));
  while (groups == 0) {
    if (++g == words_.size()) return code;
    groups = words_[g];
  }
  w = (g << 6) | static_cast<std::uint32_t>(std::countr_zero(groups));
  return (w << 6) | static_cast<std::uint32_t>(std::countr_zero(present_[w]));
}

std::uint32_t CodeCountMedian::PresentBelowWord(std::uint32_t code) const {
  std::uint32_t w = code >> 6;
  if (w == 0) return code;
  const std::uint32_t before = w - 1;
  std::uint32_t g = before >> 6;
  const std::uint32_t top = before & 63;
  std::uint64_t groups = words_[g] & (top == 63 ? ~std::uint64_t{0} : (std::uint64_t{2} << top) - 1);
  while (groups == 0) {
    if (g == 0) return code;
    groups = words_[--g];
  }
  w = (g << 6) | (63u - static_cast<std::uint32_t>(std::countl_zero(groups)));
  return (w << 6) | (63u - static_cast<std::uint32_t>(std::countl_zero(present_[w])));
}
