// Drawing steps the owner-drawn controls share: UTF-8 text in boxes, filled polygons, shadowed pairs.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "render/agg_ren.h"

namespace control_draw {

// The colour with red, green and blue inverted, alpha kept: the shadow under a caption or glyph.
inline rgba8 Inverted(const rgba8& c) {
  return rgba8(255 - c.r, 255 - c.g, 255 - c.b, c.a);
}

// UTF-8 text in a box through DrawTextInBox, which takes code page 1251.
void Text(agg_ren& r, std::string_view utf8, double x, double y, double width, double height, double scale,
          const rgba8& colour, std::uint8_t mode);
// The same text twice: `shadow` one pixel right and down, then `colour` at its place.
void ShadowedText(agg_ren& r, std::string_view utf8, double x, double y, double width, double height,
                  double scale, const rgba8& shadow, const rgba8& colour, std::uint8_t mode);

// A filled polygon of x, y pairs (at most eight points).
void Polygon(agg_ren& r, std::initializer_list<double> xy, const rgba8& colour);
// A polygon drawn in `shadow` one pixel right and down, then in `colour`.
void ShadowedPolygon(agg_ren& r, std::initializer_list<double> xy, const rgba8& shadow, const rgba8& colour);

// A rounded panel with a plain fill and an outline of `outline` colour, without shadow or inset.
void FlatPanel(agg_ren& r, double x, double y, double width, double height, double radius, const rgba8& fill,
               const rgba8& outline, float line_width = 1.0f);

}  // namespace control_draw
