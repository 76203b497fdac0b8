// The start background: drawn in code, and built into the program as the build drew it.
#pragma once

#include "platform/surface.h"

inline constexpr int kStartBackgroundWidth = 640;
inline constexpr int kStartBackgroundHeight = 480;

// A calm blue gradient with a faint measuring grid and a curve, over a surface of the size above.
void DrawStartBackground(platform::Surface& s);

// Rows shading from `top` to `bottom`, over the whole surface.
void VerticalGradient(platform::Surface& s, platform::Colour top, platform::Colour bottom);

// The start background the build drew, kept in the program itself: read-only pixels, there for the
// whole run, lent without a copy. Nothing may draw on it.
platform::Surface StartBackgroundPicture();
