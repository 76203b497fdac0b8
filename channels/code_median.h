// Sliding median of 16-bit codes: counted, or for short windows sorted in vector registers.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

// The median of a window of codes ordered as unsigned 16-bit numbers: the code of rank n / 2
// (the upper of the two middle codes for an even window). The codes are few and small, so the
// window is kept as a count per code rather than sorted: a step changes two counts and moves the
// median by at most one code present, found through the map in a few word operations, whatever
// the window's length. A short window (fewer than kSortedCodes codes, or kWideSortedCodes with
// AVX2) is kept sorted in vector registers instead, where a step is a fixed sequence of compares,
// shifts and blends with no branch on the codes: the counting step's branches on which way the
// median moves miss about every other sample.
class CodeCountMedian {
 public:
  // Starts afresh over the n > 0 codes from `codes`.
  void Fill(const std::int16_t* codes, std::uint32_t n);
  // The window moves on by one code. False when the window holds no `outgoing` code (the codes
  // changed under it): the caller fills it afresh.
  bool Step(std::int16_t outgoing, std::int16_t incoming) {
    if (sorted_registers_ != 0) {
      std::int32_t median = 0;
      return Run(&outgoing, &incoming, 1, &median) == 1;
    }
    const std::uint32_t out = static_cast<std::uint16_t>(outgoing);
    const std::uint32_t in = static_cast<std::uint16_t>(incoming);
    if (size_ == 0 || counts_[out] == 0) return false;
    Remove(out);
    Add(in);
    // Without branches: on noisy codes either side is as likely as the other.
    below_ = below_ + static_cast<std::uint32_t>(in < median_) - static_cast<std::uint32_t>(out < median_);
    // One code left and one entered: the code of the rank is at most one code present away.
    if (below_ > rank_) {
      median_ = PresentBelow(median_);
      below_ -= counts_[median_];
    } else if (below_ + counts_[median_] <= rank_) {
      below_ += counts_[median_];
      median_ = PresentAbove(median_);
    }
    return true;
  }
  // Steps along `count` codes: outgoing[i] leaves, incoming[i] enters (equal codes change nothing)
  // and out[i] takes the median. Returns the steps taken, fewer than `count` where the window holds
  // no outgoing code (the codes changed under it): the caller fills it afresh there.
  std::uint32_t Run(const std::int16_t* outgoing, const std::int16_t* incoming, std::uint32_t count,
                    std::int32_t* out);
  std::int16_t Median() const {
    return static_cast<std::int16_t>(sorted_registers_ != 0 ? sorted_[median_slot_] ^ 0x8000u : median_);
  }
  // Windows shorter than this are kept sorted rather than counted; with AVX2, in registers of 16
  // codes, windows shorter than kWideSortedCodes.
  static constexpr std::uint32_t kSortedCodes = 32;
  static constexpr std::uint32_t kWideSortedCodes = 128;
  // Vector instructions for the sorted windows, widest first: AVX2, SSE4.1, plain SSE2.
  enum class VectorSet : std::uint8_t { kAvx2, kSse41, kSse2 };
  // Steps sorted windows with at most the given instructions even where the processor has wider
  // ones, so that each way can be checked; kAvx2 (the start) takes the widest it has.
  static void LimitVectors(VectorSet widest);
  // Codes in the window; 0 before the first fill.
  std::uint32_t Size() const { return size_; }

 private:
  // A code enters or leaves; its bit is written whether it changes or not, so the noise of the
  // codes costs no mispredicted branches; the map of words changes only as a word of 64 codes
  // empties or fills, which is rare.
  void Add(std::uint32_t code) {
    ++counts_[code];
    std::uint64_t& word = present_[code >> 6];
    if (word == 0) words_[code >> 12] |= std::uint64_t{1} << ((code >> 6) & 63);
    word |= std::uint64_t{1} << (code & 63);
  }
  void Remove(std::uint32_t code) {
    const std::uint64_t gone = --counts_[code] == 0 ? 1 : 0;
    std::uint64_t& word = present_[code >> 6];
    word &= ~(gone << (code & 63));
    if (word == 0) words_[code >> 12] &= ~(std::uint64_t{1} << ((code >> 6) & 63));
  }
  // The nearest code present above or below `code`: mostly in the same word of the map, else
  // through the map of words.
  std::uint32_t PresentAbove(std::uint32_t code) const {
    const std::uint32_t bit = code & 63;
    const std::uint64_t bits = bit == 63 ? 0 : present_[code >> 6] & (~std::uint64_t{0} << (bit + 1));
    if (bits != 0) return (code & ~63u) | static_cast<std::uint32_t>(std::countr_zero(bits));
    return PresentAboveWord(code);
  }
  std::uint32_t PresentBelow(std::uint32_t code) const {
    const std::uint64_t bits = present_[code >> 6] & ((std::uint64_t{1} << (code & 63)) - 1);
    if (bits != 0) return (code & ~63u) | (63u - static_cast<std::uint32_t>(std::countl_zero(bits)));
    return PresentBelowWord(code);
  }
  std::uint32_t PresentAboveWord(std::uint32_t code) const;
  std::uint32_t PresentBelowWord(std::uint32_t code) const;

  // Count of each code in the window (65536 entries once filled).
  std::vector<std::uint16_t> counts_;
  // Bit per code present, and bit per word of those bits that has any set.
  std::vector<std::uint64_t> present_;
  std::array<std::uint64_t, 16> words_{};
  // A short window sorted, each code + 0x8000 so that signed compares order the codes as unsigned
  // numbers, then 0x7FFF up to the end of its registers; 0 registers while counting.
  static constexpr std::uint32_t kSortedSlots = 16 * 9;
  alignas(32) std::array<std::uint16_t, kSortedSlots> sorted_{};
  std::uint32_t sorted_registers_ = 0;
  // Codes a register: 8, or 16 in the registers of AVX2, where the codes are laid across the
  // registers above sorted_pads_ least codes; the median's slot in sorted_.
  std::uint32_t sorted_lanes_ = 8;
  std::uint32_t sorted_pads_ = 0;
  std::uint32_t median_slot_ = 0;
  std::uint32_t size_ = 0;
  std::uint32_t rank_ = 0;
  std::uint32_t median_ = 0;
  // Codes in the window below the median.
  std::uint32_t below_ = 0;
};
