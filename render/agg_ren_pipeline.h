// Small AGG pieces shared by the drawing operations of agg_ren: paths from polygons, the reflecting
// gradient function, safe colour arithmetic.
#pragma once

#include <agg_path_storage.h>

#include <algorithm>
#include <cmath>

#include "render/agg_ren.h"

namespace render_detail {

// The farthest from the origin a point handed to AGG may lie: its rasterizers count in 1/256 pixel
// ints, which a point much farther (or one that is not a number) would overflow.
inline constexpr double kFarCoordinate = 1.0e6;
// The tallest glyph a path text draws, in pixels: larger than any screen, small enough that cutting
// its outline into pieces stays quick.
inline constexpr double kTallestPathGlyph = 1.0e4;

// False for a point that is not a number or lies farther than kFarCoordinate.
inline bool Placeable(double x, double y) {
  return std::abs(x) <= kFarCoordinate && std::abs(y) <= kFarCoordinate;
}

inline bool PolygonPlaceable(const interactive_polygon& polygon) {
  for (std::uint32_t i = 0; i < polygon.num_points(); ++i) {
    if (!Placeable(polygon.xn(i), polygon.yn(i))) return false;
  }
  return true;
}

// A coordinate held within kFarCoordinate; not a number becomes 0.
inline double HeldNear(double v) { return std::isnan(v) ? 0.0 : std::clamp(v, -kFarCoordinate, kFarCoordinate); }

// A path transform whose results are held within kFarCoordinate: glyphs laid past a path's end go
// on along its last direction, as far as the text and the path's scale take them.
template <class Transform>
struct HeldTransform {
  const Transform& inner;
  void transform(double* x, double* y) const {
    inner.transform(x, y);
    *x = HeldNear(*x);
    *y = HeldNear(*y);
  }
};

// A path through the polygon's points, closed when asked.
inline agg::path_storage PolygonPath(const interactive_polygon& polygon, bool closed) {
  agg::path_storage path;
  for (std::uint32_t i = 0; i < polygon.num_points(); ++i) {
    if (i == 0) {
      path.move_to(polygon.xn(i), polygon.yn(i));
    } else {
      path.line_to(polygon.xn(i), polygon.yn(i));
    }
  }
  if (closed && polygon.num_points() > 0) path.close_polygon();
  return path;
}

// The colour runs from the table's first entry to its last over d and back over the next d,
// repeating; positions and d in 1/16 pixel.
struct ReflectGradient {
  static int calculate(int x, int, int d) {
    if (d <= 0) return 0;
    const int period = 2 * d;
    int m = x % period;
    if (m < 0) m += period;
    return m < d ? m : period - m;
  }
};

// A double as an integer for a colour or alpha: NaN becomes 0, the rest is truncated and held to
// 0..255 so nothing wraps.
inline std::uint8_t ToByte(double v) {
  if (std::isnan(v)) return 0;
  return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
}

}  // namespace render_detail

template <class VertexSource>
void agg_ren::FillPath(VertexSource& path, const rgba8& colour) {
  rasterizer_.reset();
  rasterizer_.add_path(path);
  RenderWith(colour);
}
