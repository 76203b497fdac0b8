// Request flags, the painted column range and the value-indicator boxes of the graph painting.
#pragma once

#include <array>
#include <cstdint>

#include "channels/pixel_types.h"

// One value indicator as the painting moves it: where it stands, and how it is to be drawn.
struct IndicatorBox {
  PixelRect Box;
  std::uint8_t Drawn = 0;
  // 1 moved whole, 2 redrawn over the painted columns, 3 and 4 after a full redraw (moving or not).
  std::uint8_t State = 0;
  std::uint8_t SaveMarked = 0;
  // What the last paint changed of the box in the picture; empty when nothing.
  PixelRect Changed;
};

struct PaintState {
  // Set elsewhere, consumed by the next paint.
  std::uint8_t ClearRequest = 1;
  std::uint8_t RestoreRequest = 0;
  std::uint8_t AltRestoreRequest = 0;
  std::uint8_t GridMode = 0;  // 0 full; 1 and 2 repaint round the selection during a drag
  std::uint8_t TopStrip = 0;
  std::uint8_t DragCopy = 0;
  PixelRect DragSource;
  std::int32_t DragToX = 0;
  std::int32_t DragToY = 0;
  std::uint8_t DragStart = 0;
  std::uint8_t DragEnd = 0;
  PixelRect PreviousSelection;
  std::uint8_t PanFirst = 0;
  std::uint8_t PanSecond = 0;
  std::uint16_t PanCount = 0;
  std::uint8_t CaptionStrip = 1;
  std::uint8_t CaptionText = 1;
  std::uint8_t AxisNames = 1;

  // Kept by the paint.
  std::uint8_t FullRedrawRunning = 0;
  std::uint8_t IndicatorPhase = 0;
  std::uint16_t PaintedFirst = 1;
  std::uint16_t PaintedLast = 1;
  std::uint32_t LastIndicatorMove = 0;
  std::uint8_t IndicatorMoveValid = 0;
  std::array<IndicatorBox, 4> Indicators{};
  // The selection as the last paint drew it.
  std::uint8_t SelectionPainted = 0;
  // The last paint drew more of the view than the curves' new columns and the value indicators
  // (the grid, a moved picture, the selection, captions, axis names, rate captions).
  std::uint8_t ViewRepainted = 0;
};
