// agg_ren's stroked paths: the line family, the straight text path and the spline shape.
#include <agg_conv_bspline.h>

#include <algorithm>
#include <cmath>

#include "render/agg_ren.h"
#include "render/agg_ren_pipeline.h"

void agg_ren::DrawLine(double x1, double y1, double x2, double y2, std::uint8_t r, std::uint8_t g,
                       std::uint8_t b, std::uint8_t a, float width) {
  DrawLineRgba({x1, y1, x2, y2}, rgba8(r, g, b, a), width);
}

void agg_ren::DrawLineRgba(const std::array<double, 4>& c, const rgba8& colour, float width) {
  if (solid_) solid_->color(colour);
  DrawLineCurrentColour(c, width);
}

void agg_ren::DrawLineCurrentColour(const std::array<double, 4>& c, float width) {
  // A quadratic curve whose control point sits just short of the end: a straight stroke that
  // keeps AGG's curve-based joins.
  line_curve_.init(c[0], c[1], c[2] - 0.01, c[3] - 0.01, c[2], c[3]);
  line_stroke_.width(width);
  line_stroke_.line_cap(agg::butt_cap);
  line_stroke_.line_join(agg::miter_join);
  rasterizer_.add_path(line_stroke_);
}

void agg_ren::DrawPolyline(std::span<const double> points, const rgba8& colour, float width) {
  if (points.size() < 4 || !base_) return;
  // AGG's outline renderer draws thin anti-aliased lines straight into the pixels, without the
  // cell sorting of the scan-line rasterizer, which dominates long curves.
  const double w = std::clamp(static_cast<double>(width), 0.1, 64.0);
  if (w != polyline_width_) {
    polyline_profile_.width(w);
    polyline_width_ = w;
  }
  // Far points are held where the renderer's ints cannot overflow; a point that is not a number
  // breaks the line.
  constexpr double kFar = render_detail::kFarCoordinate;
  polyline_.remove_all();
  bool pen_down = false;
  for (std::size_t i = 0; i + 1 < points.size(); i += 2) {
    if (!std::isfinite(points[i]) || !std::isfinite(points[i + 1])) {
      pen_down = false;
      continue;
    }
    const double x = std::clamp(points[i], -kFar, kFar);
    const double y = std::clamp(points[i + 1], -kFar, kFar);
    if (pen_down) {
      polyline_.line_to(x, y);
    } else {
      polyline_.move_to(x, y);
      pen_down = true;
    }
  }
  agg::renderer_outline_aa<RendererBase> outline(*base_, polyline_profile_);
  const agg::rect_i clip = base_->clip_box();
  outline.clip_box(clip.x1, clip.y1, clip.x2 + 1, clip.y2 + 1);
  outline.color(colour);
  agg::rasterizer_outline_aa<agg::renderer_outline_aa<RendererBase>> raster(outline);
  raster.line_join(agg::outline_miter_accurate_join);
  raster.add_path(polyline_);
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
