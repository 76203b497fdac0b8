// One of the graph view's markers: its column, its line and caption rectangles and their state.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "channels/pixel_types.h"

struct MarkerRecord {
  std::uint8_t Set = 0;
  std::uint8_t Dragging = 0;
  std::uint16_t Column = 0;  // 1-based from the plot's left edge
  PixelRect LineRect;
  PixelRect CaptionRect;
  std::array<PixelRect, 4> ValueCaptionRects{};
  std::uint8_t ValueCaptionCount = 0;
  std::array<std::uint8_t, 4> CaptionState{};  // per channel: 1 when the caption stands left of the line
  std::int32_t CaptionWidth = 0;
  // What the drawing kept: the badge, the union of the value captions, and per channel the value
  // and time at the marker's sample.
  PixelRect BadgeRect;
  PixelRect CaptionArea;
  std::array<float, 4> Values{};
  std::array<double, 4> Times{};
  std::array<std::string, 4> ValueCaptions{};  // the value lines as drawn
  std::array<std::int32_t, 4> ValueTextRight{};  // per caption box, how far right its texts reach
  std::uint8_t Drawn = 0;
};
