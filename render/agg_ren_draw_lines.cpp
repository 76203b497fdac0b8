// agg_ren's stroked paths: the line family, the straight text path and the spline shape.
#include <agg_conv_bspline.h>
#include <agg_conv_stroke.h>
#include <agg_curves.h>

#include "render/agg_ren.h"
#include "render/agg_ren_pipeline.h"

namespace {

// A quadratic curve whose control point sits just short of the end: a straight stroke that
// keeps AGG's curve-based joins.
agg::curve3 LineCurve(double x1, double y1, double x2, double y2) {
  return agg::curve3(x1, y1, x2 - 0.01, y2 - 0.01, x2, y2);
}

}  // namespace

void agg_ren::DrawLine(double x1, double y1, double x2, double y2, std::uint8_t r, std::uint8_t g,
                       std::uint8_t b, std::uint8_t a, float width) {
  DrawLineRgba({x1, y1, x2, y2}, rgba8(r, g, b, a), width);
}

void agg_ren::DrawLineRgba(const std::array<double, 4>& c, const rgba8& colour, float width) {
  if (solid_) solid_->color(colour);
  DrawLineCurrentColour(c, width);
}

void agg_ren::DrawLineCurrentColour(const std::array<double, 4>& c, float width) {
  agg::curve3 curve = LineCurve(c[0], c[1], c[2], c[3]);
  agg::conv_stroke<agg::curve3> stroke(curve);
  stroke.width(width);
  stroke.line_cap(agg::butt_cap);
  stroke.line_join(agg::miter_join);
  rasterizer_.add_path(stroke);
}

void agg_ren::SetStraightPath(double x1, double y, double x2) {
  interactive_polygon* p = polygons_[0].get();
  if (!p) return;
  const double step = static_cast<float>((x2 - x1) / 5.0);
  for (std::uint32_t i = 0; i < 5; ++i) {
    p->xn(i) = x1 + i * step;
    p->yn(i) = y;
  }
  p->xn(5) = x2;
  p->yn(5) = y;
}

void agg_ren::DrawSplineShape(const rgba8& colour, float width, std::uint8_t closed) {
  interactive_polygon* p = polygons_[2].get();
  if (!p) return;
  p->close(closed != 0);
  agg::path_storage path = render_detail::PolygonPath(*p, p->close());
  agg::conv_bspline<agg::path_storage> spline(path);
  spline.interpolation_step(1.0 / std::max(1.0, style.bspline_steps));
  agg::conv_stroke<agg::conv_bspline<agg::path_storage>> stroke(spline);
  stroke.width(width);
  if (solid_) solid_->color(colour);
  rasterizer_.add_path(stroke);
}
