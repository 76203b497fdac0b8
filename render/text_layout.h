// Where a line of box text starts and where its baseline lies, per alignment mode.
#pragma once

#include <cstdint>

struct TextBox {
  double x = 0.0, y = 0.0, width = 0.0, height = 0.0;
};

struct TextOrigin {
  double x = 0.0;
  double baseline = 0.0;
  friend bool operator==(const TextOrigin&, const TextOrigin&) = default;
};

// The font values the layout needs: the engine's width and height (as set), the box factors.
struct TextLayoutFont {
  double engine_width = 9.0;
  double engine_height = 17.0;
  float box_factor_x = 0.2f;   // mode 10's start, as a share of the box width
  float box_factor_y = 0.65f;  // mode 10's baseline, as a share of the box height
};

// Start x and baseline of `char_count` characters at `scale` in `box` for alignment `mode`; a start
// left of 0 becomes the box's x and a baseline above 0 the box's y.
TextOrigin TextStart(std::uint8_t mode, const TextBox& box, int char_count, double scale, const TextLayoutFont& font);
