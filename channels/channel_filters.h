// Ordering of the median window and the smoothing window's halves, shared by the reduction and the export read.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

class VessamorChannel;

// Compares two codes as unsigned 16-bit numbers (-1, 0 or 1): the ordering of the median window.
int CompareSamples(const std::int16_t* a, const std::int16_t* b);

inline bool UnsignedCodeLess(std::int16_t a, std::int16_t b) {
  return static_cast<std::uint16_t>(a) < static_cast<std::uint16_t>(b);
}

// The centred smoothing of a window n averages LeadHalf samples before and TrailHalf after the
// output sample: n + 1 samples in all.
struct SmoothingHalves {
  std::uint16_t Lead = 0;
  std::uint16_t Trail = 0;
  std::uint16_t Inner = 0;
  std::uint32_t RingSize = 0;
};

constexpr SmoothingHalves HalvesOfWindow(std::uint16_t n) {
  SmoothingHalves h;
  h.Lead = static_cast<std::uint16_t>(n % 2 != 0 ? n / 2 + 1 : n / 2);
  h.Trail = static_cast<std::uint16_t>(n / 2);
  h.Inner = static_cast<std::uint16_t>(n / 2 > 0 ? n / 2 - 1 : 0);
  h.RingSize = n + 1u;
  return h;
}

// The export's stand-in for a median, carried along a record: the window's codes in arrival order
// and a two-level presence bitmap over all 16-bit codes, so the window's extremes and the codes next
// to its mid-range are found in a few word operations whatever the window's length.
class SlidingMidRangeMedian {
 public:
  explicit SlidingMidRangeMedian(std::uint16_t window);
  void Clear();
  void Push(std::int16_t code);
  // The code nearest to the middle of the window's range (odd windows; the earliest on a tie), or
  // the mean of the two nearest (even windows).
  std::int32_t Output() const;

 private:
  static constexpr std::int32_t kNone = 0x7FFFFFFF;
  void Mark(std::int32_t code, int delta);
  // Smallest code at or above `from` in the window, kNone when there is none.
  std::int32_t Above(std::int32_t from) const;
  // Largest code at or below `from` in the window, kNone when there is none.
  std::int32_t Below(std::int32_t from) const;
  // The first `need` codes of the window, in arrival order, that equal a or b; their sum.
  std::int32_t SumOfFirst(std::int32_t a, std::int32_t b, int need) const;
  std::uint32_t Count(std::int32_t code) const { return Counts[static_cast<std::uint32_t>(code + 32768)]; }

  std::uint16_t Window;
  std::vector<std::int16_t> Ring;  // the window's codes; Oldest is the first in arrival order
  std::uint32_t Oldest = 0;
  std::uint32_t Size = 0;
  std::vector<std::uint16_t> Counts;  // per code, offset by 32768
  std::array<std::uint64_t, 1024> Words{};
  std::array<std::uint64_t, 16> Summary{};
};

// Reads one channel's samples after its filters, row after row, as GetSample would read each one
// alone: the median stand-in and the trailing RMS are carried from one sample to the next, so a
// whole export costs a constant amount of work per sample. Reading backwards or jumping far ahead
// starts the windows afresh.
class FilteredSampleReader {
 public:
  explicit FilteredSampleReader(const VessamorChannel& channel);
  std::int32_t At(std::uint32_t index);
  // Samples before an index that At may read besides it: the filters' reach back.
  std::uint32_t Reach() const;
  // Reads the channel's codes from `codes`, a copy of them from sample `first` on, in place of the
  // channel's own; the copy must hold every sample At reads, up to Reach() before the index.
  void ReadFrom(const std::int16_t* codes, std::uint32_t first) {
    Copy = codes;
    CopyFirst = first;
  }

 private:
  std::int16_t CodeAt(std::uint32_t index) const;
  void Restart(std::uint32_t index);
  void Step(bool wanted);

  const VessamorChannel& Channel;
  bool Median;
  bool Smoothing;
  std::uint32_t Width;  // the smoothing window, 0 without smoothing
  SlidingMidRangeMedian MedianWindow;
  std::vector<std::int32_t> Outputs;  // the last Width median outputs (or codes), a ring
  std::uint32_t OutputsNext = 0;
  std::uint32_t Fill = 0;
  std::int64_t SumOfSquares = 0;
  bool Started = false;
  std::uint32_t Next = 0;       // the next sample to take in
  std::uint32_t FirstKept = 0;  // outputs before this sample stay out of the smoothing
  std::int32_t Last = 0;        // the newest median output (or code)
  const std::int16_t* Copy = nullptr;
  std::uint32_t CopyFirst = 0;
};
