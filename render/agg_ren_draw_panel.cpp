// agg_ren's rounded panels (shadow, fill, outline, frame, glow, bevel, marker) and gradient fills.
#include <agg_conv_stroke.h>
#include <agg_gamma_functions.h>
#include <agg_rounded_rect.h>
#include <agg_span_allocator.h>
#include <agg_span_gradient.h>
#include <agg_span_interpolator_linear.h>

#include <cmath>
#include <numbers>

#include "render/agg_ren.h"
#include "render/agg_ren_pipeline.h"

namespace {

struct Box {
  double x1, y1, x2, y2;
  Box Grown(double by) const { return {x1 - by, y1 - by, x2 + by, y2 + by}; }
  bool Empty() const { return !(x2 > x1) || !(y2 > y1); }
};

agg::rounded_rect RoundedRect(const Box& b, double radius) {
  agg::rounded_rect rect(b.x1, b.y1, b.x2, b.y2, std::max(0.0, radius));
  rect.normalize_radius();
  return rect;
}

rgba8 WithAlpha(const rgba8& c, double alpha) { return rgba8(c.r, c.g, c.b, render_detail::ToByte(alpha)); }

}  // namespace

void agg_ren::StrokeRoundedRect(double x1, double y1, double x2, double y2, double radius, double width,
                                const rgba8& colour) {
  agg::rounded_rect rect = RoundedRect({x1, y1, x2, y2}, radius);
  agg::conv_stroke<agg::rounded_rect> stroke(rect);
  stroke.width(width);
  FillPath(stroke, colour);
}

void agg_ren::BuildGradientTable(const CubicSpline& profile, const rgba8& at_one, const rgba8& at_zero) {
  using render_detail::ToByte;
  for (unsigned i = 0; i < 256; ++i) {
    const double s = profile.Evaluate(i / 255.0);
    const auto mix = [s](unsigned one, unsigned zero) { return ToByte(one * s + zero * (1.0 - s)); };
    gradient_.colours[i] = rgba8(mix(at_one.r, at_zero.r), mix(at_one.g, at_zero.g), mix(at_one.b, at_zero.b),
                                 mix(at_one.a, at_zero.a));
  }
  style.last_gradient = gradient_.colours[255];
}

void agg_ren::RenderGradient(const agg::trans_affine& position, double length) {
  if (!base_) return;
  // A period of zero would divide by zero in the span generator.
  if (!(length > 0.0)) length = 1.0;
  using Interpolator = agg::span_interpolator_linear<>;
  using Span = agg::span_gradient<rgba8, Interpolator, render_detail::ReflectGradient, GradientTable>;
  agg::trans_affine to_position = position;
  Interpolator interpolator(to_position);
  render_detail::ReflectGradient function;
  Span span(interpolator, function, gradient_, 0.0, length);
  agg::span_allocator<rgba8> allocator;
  agg::render_scanlines_aa(rasterizer_, scanline_, *base_, allocator, span);
}

void agg_ren::FillGradient(float x_scale, float x_shift, const CubicSpline& profile) {
  BuildGradientTable(profile, style.gradient1, style.gradient2);
  // Position = x * scale + shift; y plays no part.
  RenderGradient(agg::trans_affine(x_scale, 0.0, 0.0, 1.0, x_shift, 0.0), style.gradient_length);
}

void agg_ren::DrawRoundedPanel(PanelRect& rect, const PanelStyle& panel, float shadow_scale, float line_width,
                               const rgba8& fill, float fade, std::span<const double> marker) {
  if (!Attached()) return;
  const double f = fade, w = line_width, r = style.corner_radius;

  // 1.
  rasterizer_.reset();
  rasterizer_.gamma(agg::gamma_none());

  // 2. The panel inside the caller's rectangle.
  double d;
  if (panel.inset == 0) {
    d = ((1.0 - f) * 5.0 + style.inset_base) * style.inset_scale;
  } else if (panel.inset == 100) {
    d = w * 0.5;
  } else {
    d = panel.inset + w * 0.5;
  }
  const Box box{rect.x + d, rect.y + d, rect.x + rect.width - d, rect.y + rect.height - d};

  // 3.
  if (style.clip) {
    rasterizer_.clip_box(style.clip_rect[0], style.clip_rect[1], style.clip_rect[2], style.clip_rect[3]);
  }

  // 4. Shadow rings around a box shifted down and right.
  if (panel.shadow_rings != 0) {
    const double g = f * style.shadow_growth * f;
    double o1 = style.shadow_offset + g, o2 = g - style.shadow_offset;
    double ox = 0.0, oy = 0.0;
    if (style.shadow_shift) {
      ox = style.shadow_shift_x;
      oy = style.shadow_shift_y;
    }
    const Box shadow{box.x1 + o1 + ox, box.y1 + o1 + oy, box.x2 + o2 + ox, box.y2 + o2 + oy};
    const int rings = panel.shadow_rings == 1 ? 12 : panel.shadow_rings;
    const double alpha =
        std::max(0.0, (1.0 - f) * style.shadow_alpha_base + style.shadow_alpha_base) * shadow_scale;
    for (int i = 1; i <= rings; ++i) {
      const Box ring = shadow.Grown(i);
      StrokeRoundedRect(ring.x1, ring.y1, ring.x2, ring.y2, i * 0.5 + r, 1.5,
                        WithAlpha(style.shadow, alpha * profile_b.Evaluate(static_cast<double>(i) / rings)));
    }
  }

  // 5. The panel's shape, and the inset rectangle back to the caller (never negative in size).
  rasterizer_.reset();
  agg::rounded_rect shape = RoundedRect(box, r);
  rasterizer_.add_path(shape);
  rect = {box.x1, std::max(0.0, box.x2 - box.x1), box.y1, std::max(0.0, box.y2 - box.y1)};

  // 6. An outline under the fill.
  agg::conv_stroke<agg::rounded_rect> outline(shape);
  outline.width(w);
  if (!style.outline_after_fill) rasterizer_.add_path(outline);

  // 7. Fill.
  if (panel.fill == 1) {
    RenderWith(fill);
  } else if (panel.fill >= 2) {
    BuildGradientTable(profile_a, style.gradient1, style.gradient2);
    const double angle = style.gradient_angle * std::numbers::pi / 180.0;
    double sx = std::cos(angle), shx = -std::sin(angle), tx = 0.0;
    if (style.gradient_transform) {
      sx *= style.gradient_scale_x;
      shx *= style.gradient_scale_x;
      tx = style.gradient_shift;
    }
    // The span generator rounds 16 x length half away from zero, as the period is meant to.
    RenderGradient(agg::trans_affine(sx, 0.0, shx, 1.0, tx, 0.0), style.gradient_length);
  }

  // 8. The outline over the fill.
  if (style.outline_after_fill) FillPath(outline, style.highlight);

  // 9. Frame.
  if (style.frame) {
    const Box frame = box.Grown(w / 2.0);
    StrokeRoundedRect(frame.x1, frame.y1, frame.x2, frame.y2, r, 1.0, style.frame_colour);
  }

  // 10. Extra line.
  if (style.extra_line) {
    rasterizer_.reset();
    DrawLineRgba(style.extra_line_coords, style.extra_line_colour, style.extra_line_width);
    RenderScanlines();
  }

  // 11. Glow rings outside and inside the panel.
  if (style.glow) {
    const double steps = std::trunc((f - style.glow_reference) * style.glow_gain);
    const int k = std::isnan(steps) ? 0 : static_cast<int>(std::clamp(steps, 0.0, 1000.0));
    if (k > 0) {
      const double c = style.glow_colour.a;
      const double base = std::max(0.0, c + (style.glow_alpha_reference - f) * c);
      for (int i = 1; i <= k; ++i) {
        const Box ring = box.Grown(i);
        StrokeRoundedRect(ring.x1, ring.y1, ring.x2, ring.y2, r + i * 0.5, 1.5,
                          WithAlpha(style.glow_colour, base * profile_c.Evaluate(static_cast<double>(i) / k)));
      }
      for (int i = 1; i <= k; ++i) {
        const Box ring = box.Grown(-i);
        if (ring.Empty()) break;
        StrokeRoundedRect(ring.x1, ring.y1, ring.x2, ring.y2, r - i * 0.1, 1.5,
                          WithAlpha(style.glow_colour, base * profile_c.Evaluate(static_cast<double>(i) / k)));
      }
    }
  }

  // 12. Inner shadow and inner highlight.
  if (panel.bevel != 0) {
    const Box inner = box.Grown(-1.0);
    const int rings = style.inner_shadow_rings;
    CubicSpline fade_out;
    const double fx[] = {0.0, 2.0 * (rings - 1) / 3.0, static_cast<double>(rings - 1)};
    const double fy[] = {1.0, 0.1, 0.0};
    if (rings >= 2) fade_out.Build(fx, fy, 3);
    if ((panel.bevel & 0x0F) != 0) {
      for (int i = 0; i < rings; ++i) {
        const Box ring = inner.Grown(-i);
        if (ring.Empty()) break;
        StrokeRoundedRect(ring.x1, ring.y1, ring.x2, ring.y2, r - i * 0.1, 1.5,
                          WithAlpha(style.inner_shadow, std::trunc(fade_out.Evaluate(i) * style.inner_shadow.a)));
      }
    }
    if ((panel.bevel & 0xF0) != 0) {
      style.bevel_highlight = rgba8(255, 255, 255, 255);
      const Box ring = inner.Grown(-style.bevel_inset);
      if (!ring.Empty()) {
        StrokeRoundedRect(ring.x1, ring.y1, ring.x2, ring.y2, r - style.bevel_inset, style.bevel_width,
                          WithAlpha(style.highlight, static_cast<double>(style.highlight.a) - 50.0));
      }
    }
  }

  // 13. Marker stroke, from a record of at least 14 doubles.
  if (marker.size() >= 14) {
    const double mx = marker[12] - 9.0;
    agg::path_storage path;
    path.move_to(mx, marker[13] + 10.0);
    path.line_to(mx, marker[11]);
    agg::conv_stroke<agg::path_storage> stroke(path);
    stroke.width(2.0);
    FillPath(stroke, style.highlight);
  }

  // 14.
  if (style.clip) {
    rasterizer_.reset();
    rasterizer_.reset_clipping();
  }
}
