// Axis state of the graph view: time and value ranges, scales, per-pixel factors and the tick tables.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

struct AxisTick {
  float Value = 0.0f;
  std::uint16_t Pixel = 0;
};

// Copied whole by the view history, so it holds only values.
struct ScaleState {
  static constexpr std::size_t kMaxTicks = 32;

  double StartTime = 0.0;  // seconds at the plot's left edge
  double EndTime = 0.0;
  double TopValue = 0.0;
  double BottomValue = 0.0;
  double SecondsPerDivision = 0.0;  // as last set
  double ValuePerDivision = 0.0;    // as last set
  double TimeLabelStep = 0.0;
  double ValueLabelStep = 0.0;
  double SamplesPerColumn = 1.0;
  double ValuePerPixel = 1.0;
  double SecondsPerColumn = 0.0;
  double SamplesPerScreen = 0.0;
  std::uint8_t TimeDivisions = 10;
  std::uint8_t ValueDivisions = 8;
  std::uint8_t TimeGridState = 0;
  std::int32_t ZeroLinePixel = 0;
  std::int32_t TopPixel = 0;
  std::int32_t BottomPixel = 0;
  std::uint8_t TimeTickCount = 0;
  std::uint8_t ValueTickCount = 0;
  std::array<AxisTick, kMaxTicks> TimeTicks{};
  std::array<AxisTick, kMaxTicks> ValueTicks{};
};
