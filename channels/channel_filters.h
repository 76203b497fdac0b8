// Ordering of the median window and the smoothing window's halves, shared by the reduction and the export read.
#pragma once

#include <cstdint>

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
