// Fonts, pens and brushes of the graph screen as plain values; the drawing surface realises them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "channels/pixel_types.h"

struct FontSpec {
  std::string Face;
  std::int32_t Height = 0;  // em height in pixels
  std::int32_t Width = 0;   // 0: the face's own proportion
  std::int32_t Weight = 400;
};

struct PenSpec {
  std::int32_t Width = 1;
  Rgba Colour;
};

struct BrushSpec {
  Rgba Colour;
};

struct GraphStyle {
  FontSpec SmallFont;
  FontSpec LargeFont;
  std::array<PenSpec, 3> Pens{};
  std::array<BrushSpec, 5> Brushes{};
  Rgba TextColour;
  Rgba PanelColour;
  Rgba BackgroundColour;
  Rgba FrameColour;
  Rgba ExtraColour;
  Rgba ColourB;
  Rgba ColourC{255, 0, 0, 255};
  std::array<std::int32_t, 3> LineSettings{1, 1, 3};
};
