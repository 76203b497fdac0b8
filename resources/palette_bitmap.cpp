// The colour palette bitmap: a hue sweep over 160 columns, shaded from pale at the top to deep at the bottom, then a grey ramp.
#include "resources/palette_bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr int kHueColumns = 160;

// Fully saturated colour of hue h in [0, 360).
void Hue(double h, double rgb[3]) {
  const double x = 1.0 - std::fabs(std::fmod(h / 60.0, 2.0) - 1.0);
  const int sector = static_cast<int>(h / 60.0) % 6;
  const double table[6][3] = {{1, x, 0}, {x, 1, 0}, {0, 1, x}, {0, x, 1}, {x, 0, 1}, {1, 0, x}};
  std::copy(table[sector], table[sector] + 3, rgb);
}

std::uint8_t Byte(double v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

}  // namespace

platform::Surface DrawPaletteBitmap() {
  platform::Surface palette(kPaletteWidth, kPaletteHeight);
  for (int y = 0; y < kPaletteHeight; ++y) {
    // -1 at the top (towards white) to +1 at the bottom (towards black).
    const double shade = 2.0 * y / (kPaletteHeight - 1) - 1.0;
    for (int x = 0; x < kPaletteWidth; ++x) {
      double rgb[3];
      if (x < kHueColumns) {
        Hue(360.0 * x / kHueColumns, rgb);
      } else {
        const double grey = 1.0 - static_cast<double>(x - kHueColumns) / (kPaletteWidth - kHueColumns - 1);
        rgb[0] = rgb[1] = rgb[2] = grey;
      }
      for (double& c : rgb) c = shade < 0 ? c + (1.0 - c) * -shade * 0.8 : c * (1.0 - shade * 0.8);
      palette.SetPixel(x, y, {Byte(rgb[0]), Byte(rgb[1]), Byte(rgb[2]), 255});
    }
  }
  return palette;
}
