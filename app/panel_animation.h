// One animated region of the main window: the intro, the start screen's information panel, the title area.
#pragma once

#include <array>
#include <cstdint>

#include "platform/window_geometry.h"

struct PanelAnimation {
  platform::WindowRect Area;
  // A starter's copy of Area; the queued step copies it back.
  platform::WindowRect SavedArea;
  platform::WindowRect ContentArea;
  platform::WindowRect InnerArea;
  platform::WindowRect SlideArea;
  std::int32_t Frame = 0;
  std::int32_t TargetFrame = 0;
  // Milliseconds of the previous intro step.
  std::int64_t LastTick = 0;
  std::int64_t FirstTick = 0;
  // Delay before the first step; 0 when the steps run at the animation period.
  std::uint32_t Pause = 0;
  std::array<std::uint8_t, 3> ShadeColour{21, 21, 21};
  std::uint32_t FrameColour = 0xFF969696;
  // The information panel's frame outline: eight points, x then y.
  std::array<double, 16> Outline{};
  std::uint8_t SlideDone = 0;
  std::uint8_t ContentPending = 0;
  std::uint8_t ContentShown = 0;
  // The intro's grow-out saves its area once before it restores the client area.
  std::uint8_t RestorePending = 1;
  std::uint8_t Finished = 1;
  // The intro's gradient parameters, from the screen width.
  float WaveGradientFactor = 0.0f;
  float PanelGradientFactor = 0.0f;
  std::int32_t WaveGradientWidth = 0;
  std::int32_t PanelGradientWidth = 0;
};
