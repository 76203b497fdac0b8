// The recursive filters run on incoming samples: the 50 Hz notch cascade, the band-pass chain, the designed notch.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

// Coefficients of one stage of the 50 Hz notch cascade (1000 Hz sampling):
// y = ((x - C1 x1 + x2) G + P1 y1 - P2 y2) K.
struct NotchCoefficients {
  double C1;
  double G;
  double P1;
  double P2;
  double K;
};

inline constexpr std::array<NotchCoefficients, 3> kNotchStages{{
    {1.90212, 1.019313, 1.86608, 0.962106, 0.9965},
    {1.90073, 1.019446, 1.86448, 0.96185, 0.9963},
    {1.90349, 1.01918, 1.86767, 0.962361, 0.996},
}};

// Band-pass chain in 1/4096 units: the sections of levels 1 and 2 share their feedback.
inline constexpr std::int32_t kBandPassFeedback1 = 4745;
inline constexpr std::int32_t kBandPassFeedback2 = 650;
inline constexpr std::int32_t kBandPassGainLevel1 = 6891;
inline constexpr std::int32_t kBandPassGainLevel2 = 1723;
inline constexpr std::size_t kBandPassSections = 7;

// Designed mains notch constants in 1/4096 units.
inline constexpr std::int32_t kDesignedNotchDivisor = 4096;
inline constexpr std::int32_t kDesignedNotchGain = 4055;
inline constexpr std::int32_t kDesignedNotchA2 = 3385;

// A filter output stored back as a code: limited to the 16-bit range instead of wrapping.
inline std::int16_t SaturateCode(std::int64_t value) {
  return static_cast<std::int16_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int16_t>::min(),
                                                            std::numeric_limits<std::int16_t>::max()));
}
