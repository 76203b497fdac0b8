// Small value types for screen geometry and colour shared by the channels and the graph view.
#pragma once

#include <cstdint>

// Rectangle as left, top, right, bottom in pixels of the main window.
struct PixelRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;

  std::int32_t Width() const { return Right - Left; }
  std::int32_t Height() const { return Bottom - Top; }
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Rectangle as left, top, width, height.
struct PixelBox {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  friend bool operator==(const PixelBox&, const PixelBox&) = default;
};

struct Rgba {
  std::uint8_t R = 0;
  std::uint8_t G = 0;
  std::uint8_t B = 0;
  std::uint8_t A = 255;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};
