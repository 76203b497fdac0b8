// State of the derived-rate detector of a channel (pulse and radioactivity kinds) and its hook types.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

class VessamorChannel;

// Hooks the sensor-kind set-up installs for the rate kinds.
using RateProcessFnType = void (*)(VessamorChannel* channel, std::uint32_t first, std::uint32_t last);
using RateInitFnType = void (*)(VessamorChannel* channel);
using RateValueAtFnType = float (*)(const VessamorChannel* channel, std::uint32_t entry);
using RateDisplayFnType = float (*)(const VessamorChannel* channel, std::uint16_t column);

// A turning point of the current window.
struct RateExtremum {
  std::uint8_t Type = 0;  // 0 valley, 1 peak
  float Value = 0.0f;
  float Amplitude = 0.0f;
  std::uint32_t Interval = 0;
  std::uint32_t Index = 0;
};

struct RateDetectorState {
  std::array<RateExtremum, 6> Extrema{};
  std::int32_t ExtremaCount = 0;
  float Rate = 0.0f;
  float Valley = 0.0f;
  std::uint32_t ValleyIndex = 0;
  float Peak = 0.0f;
  std::uint32_t PeakIndex = 0;
  float TurnThreshold = 0.5f;
  float BeatThreshold = 0.65f;
  std::int32_t Rising = 0;
  std::uint32_t WindowLength = 0;
  std::uint32_t Step = 1;
  float SecondsPerSample = 0.0f;
  std::array<float, 5> RecentRates{};
  std::uint8_t RecentRateIndex = 0;
  std::uint8_t RecentRatesFull = 0;
  std::uint8_t WindowStarted = 0;
  std::int32_t WindowMin = 0;
  std::int32_t WindowMax = 0;
  std::uint32_t WindowFill = 0;
  std::uint32_t WindowStart = 0;
  std::uint32_t WindowEnd = 0;
  std::uint32_t PauseEnd = 0;
  // One entry per window; HistoryCount wraps at History.size().
  std::vector<std::uint16_t> History;
  std::uint32_t HistoryCount = 0;
};
