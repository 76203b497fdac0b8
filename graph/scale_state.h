// Axis state of the graph view: time and value ranges, scales, per-pixel factors and the tick tables.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

struct AxisTick {
  float Value = 0.0f;
  std::uint16_t Pixel = 0;  // from the plot's left edge (time) or top edge (value)
};

// Copied whole by the view history, so it holds only values.
struct ScaleState {
  // Tick loops run from 0 to the count inclusive; a count never exceeds kMaxTickCount.
  static constexpr std::size_t kMaxTicks = 96;
  static constexpr std::uint8_t kMaxTickCount = 95;

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
  std::uint8_t TimeTickCount = 0;   // index of the last time tick
  std::uint8_t ValueTickCount = 0;  // index of the last value tick
  std::uint8_t TimeLabelDecimals = 1;
  std::uint8_t ValueLabelDecimals = 1;
  double TimeGridStep = 0.0;        // the step the recording start snapped the time scale to
  std::uint32_t WholeSamplesPerColumn = 1;
  std::uint32_t WholeSamplesPerScreen = 0;
  float ValueSpan = 0.0f;
  std::int32_t ZeroTimePixel = 0;
  std::array<AxisTick, kMaxTicks> TimeTicks{};
  std::array<AxisTick, kMaxTicks> ValueTicks{};
};
