// The twelve alignment modes of box text as one table of start and baseline formulas.
#include "render/text_layout.h"

TextOrigin TextStart(std::uint8_t mode, const TextBox& b, int n, double scale, const TextLayoutFont& f) {
  const double h = f.engine_height * scale;
  // W spreads characters 1.3 widths apart, V one width plus 1.35 pixels: two width estimates the
  // centred modes choose between.
  const double w_wide = f.engine_width * n * scale * 1.3;
  const double w_plus = (f.engine_width + 1.35) * n * scale;
  TextOrigin o;
  switch (mode) {
    case 0: o = {b.x, b.y + h}; break;
    case 1: o = {b.x + (b.width - w_wide) / 2, b.y + b.height * 0.65}; break;
    case 2: o = {b.x + (b.width - w_plus) / 2, b.y + b.height * 0.6}; break;
    case 4: o = {b.x + (b.width - w_wide) / 2, b.y + b.height * 0.7}; break;
    case 6: o = {b.x + (b.width - w_wide) / 2, b.y + b.height * 0.9}; break;
    case 7: o = {b.x + (b.width - w_wide) / 1.7, b.y + b.height * 0.65}; break;
    case 10:
      o = {b.x + b.width * static_cast<double>(f.box_factor_x), b.y + b.height * static_cast<double>(f.box_factor_y)};
      break;
    case 21: o = {b.x + (b.width - w_plus) / 2.1, b.y + b.height * 0.6}; break;
    case 22: o = {b.x + (b.width - (f.engine_width * 1.2) * n * scale) / 2, b.y + b.height * 0.6}; break;
    case 23: o = {b.x + (b.width - f.engine_width * n * scale) / 2, b.y + b.height * 0.6}; break;
    case 51: o = {b.x + 10, b.y + b.height * 0.2}; break;
    default: o = {b.x + 10, b.y + b.height * 2.1 / 3}; break;
  }
  if (o.x < 0) o.x = b.x;
  if (o.baseline < 0) o.baseline = b.y;
  return o;
}
