// Sliding median of 16-bit codes by counting: a count per code and a two-level map of the codes present.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

// The median of a window of codes ordered as unsigned 16-bit numbers: the code of rank n / 2
// (the upper of the two middle codes for an even window). The codes are few and small, so the
// window is kept as a count per code rather than sorted: a step changes two counts and moves the
// median by at most one code present, found through the map in a few word operations, whatever
// the window's length.
class CodeCountMedian {
 public:
  // Starts afresh over the n > 0 codes from `codes`.
  void Fill(const std::int16_t* codes, std::uint32_t n);
  // The window moves on by one code. False when the window holds no `outgoing` code (the codes
  // changed under it): the caller fills it afresh.
  bool Step(std::int16_t outgoing, std::int16_t incoming);
  std::int16_t Median() const { return static_cast<std::int16_t>(median_); }
  // Codes in the window; 0 before the first fill.
  std::uint32_t Size() const { return size_; }

 private:
  // A code enters or leaves; its bits are written whether they change or not, so the noise of
  // the codes costs no mispredicted branches.
  void Add(std::uint32_t code) {
    ++counts_[code];
    present_[code >> 6] |= std::uint64_t{1} << (code & 63);
    words_[code >> 12] |= std::uint64_t{1} << ((code >> 6) & 63);
  }
  void Remove(std::uint32_t code) {
    const std::uint64_t gone = --counts_[code] == 0 ? 1 : 0;
    std::uint64_t& word = present_[code >> 6];
    word &= ~(gone << (code & 63));
    words_[code >> 12] &= ~(std::uint64_t{word == 0 ? 1u : 0u} << ((code >> 6) & 63));
  }
  // The nearest code present above or below `code`.
  std::uint32_t PresentAbove(std::uint32_t code) const;
  std::uint32_t PresentBelow(std::uint32_t code) const;

  // Count of each code in the window (65536 entries once filled).
  std::vector<std::uint16_t> counts_;
  // Bit per code present, and bit per word of those bits that has any set.
  std::vector<std::uint64_t> present_;
  std::array<std::uint64_t, 16> words_{};
  std::uint32_t size_ = 0;
  std::uint32_t rank_ = 0;
  std::uint32_t median_ = 0;
  // Codes in the window below the median.
  std::uint32_t below_ = 0;
};
