// Pixel-probe helpers for the drawing tests: ink bounds, colour comparisons and counts on surfaces.
#pragma once

#include <algorithm>
#include <cstdlib>

#include "platform/surface.h"
#include "platform/window_geometry.h"

namespace probe {

struct Bounds {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive; right < 0: no ink
  bool Any() const { return right >= 0; }
  int Height() const { return Any() ? bottom - top + 1 : 0; }
  int Width() const { return Any() ? right - left + 1 : 0; }
};

// Pixels that differ from `background` within columns [x0, x1) of the surface.
inline Bounds Ink(const platform::Surface& s, platform::Colour background = {255, 255, 255, 255}, int x0 = 0,
                  int x1 = 1 << 30) {
  Bounds b;
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = std::max(0, x0); x < std::min(x1, s.Width()); ++x) {
      if (s.GetPixel(x, y) == background) continue;
      b.left = std::min(b.left, x);
      b.right = std::max(b.right, x);
      b.top = std::min(b.top, y);
      b.bottom = std::max(b.bottom, y);
    }
  }
  return b;
}

inline bool Near(platform::Colour a, platform::Colour b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// Pixels of rectangle r (clipped to the surface) within `tolerance` of c, summed over the channels.
inline int Count(const platform::Surface& s, const platform::WindowRect& r, platform::Colour c, int tolerance) {
  int n = 0;
  for (int y = std::max(0, r.top); y < std::min(s.Height(), r.bottom); ++y) {
    for (int x = std::max(0, r.left); x < std::min(s.Width(), r.right); ++x) {
      const platform::Colour p = s.GetPixel(x, y);
      n += std::abs(p.r - c.r) + std::abs(p.g - c.g) + std::abs(p.b - c.b) <= tolerance ? 1 : 0;
    }
  }
  return n;
}

}  // namespace probe
