// The start background's drawing, which the build also runs to keep the picture in the program.
#include "resources/start_background.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/gdi.h"

using platform::Colour;
using platform::Pen;

void VerticalGradient(platform::Surface& s, Colour top, Colour bottom) {
  const auto mix = [](Colour a, Colour b, double t) {
    auto m = [t](std::uint8_t x, std::uint8_t y) { return static_cast<std::uint8_t>(x + (y - x) * t); };
    return Colour{m(a.r, b.r), m(a.g, b.g), m(a.b, b.b), 255};
  };
  const int h = std::max(1, s.Height() - 1);
  for (int y = 0; y < s.Height(); ++y) {
    platform::FillRect(s, {0, y, s.Width(), y + 1}, platform::Brush{mix(top, bottom, static_cast<double>(y) / h)});
  }
}

void DrawStartBackground(platform::Surface& s) {
  VerticalGradient(s, Colour{30, 70, 130, 255}, Colour{150, 195, 235, 255});
  const int w = s.Width(), h = s.Height();
  for (int x = 0; x < w; x += 32) platform::DrawLine(s, x, 0, x, h - 1, Pen{Colour{90, 130, 185, 255}, 1});
  for (int y = 0; y < h; y += 32) platform::DrawLine(s, 0, y, w - 1, y, Pen{Colour{90, 130, 185, 255}, 1});
  int px = 0, py = h * 2 / 3;
  for (int x = 0; x < w; x += 4) {
    const int y = h * 2 / 3 + static_cast<int>(h / 10.0 * std::sin(x / 55.0) * std::exp(-x / 700.0));
    platform::DrawLine(s, px, py, x, y, Pen{Colour{235, 245, 255, 255}, 2});
    px = x, py = y;
  }
}
