// The colour palette of the channel settings panel, drawn in code: hues across, light to dark down, greys at the end.
#pragma once

#include "platform/surface.h"

inline constexpr int kPaletteWidth = 180;
inline constexpr int kPaletteHeight = 40;

platform::Surface DrawPaletteBitmap();
