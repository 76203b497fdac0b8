// agg_ren's text: box text in twelve alignment modes, text along a curve and between two curves.
#include <agg_conv_bspline.h>
#include <agg_conv_segmentator.h>
#include <agg_conv_stroke.h>
#include <agg_conv_transform.h>
#include <agg_trans_double_path.h>
#include <agg_trans_single_path.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/cp1251.h"
#include "render/agg_ren.h"
#include "render/agg_ren_pipeline.h"
#include "render/text_layout.h"

namespace {

// Limits the base renderer to the columns left of `limit` for the life of the object.
class RightClip {
 public:
  RightClip(agg_ren::RendererBase* base, double limit) : base_(base) {
    if (!base_) return;
    saved_ = base_->clip_box();
    const int last = static_cast<int>(std::ceil(limit)) - 1;
    base_->clip_box(saved_.x1, saved_.y1, std::min(saved_.x2, last), saved_.y2);
  }
  ~RightClip() {
    if (base_) base_->clip_box(saved_.x1, saved_.y1, saved_.x2, saved_.y2);
  }
  RightClip(const RightClip&) = delete;
  RightClip& operator=(const RightClip&) = delete;

 private:
  agg_ren::RendererBase* base_;
  agg::rect_i saved_;
};

// Whether a glyph's box (in the font's pixels, at `scale` from the pen), grown by the contour's
// width and a pixel, reaches into the base renderer's clip box.
bool ReachesClip(const agg_ren::RendererBase* base, const agg::rect_i& bounds, double x, double y, double scale, double grow) {
  if (base == nullptr) return false;
  const agg::rect_i clip = base->clip_box();
  const double margin = std::abs(grow) + 1.0;
  const double x1 = x + std::min(bounds.x1 * scale, bounds.x2 * scale) - margin;
  const double x2 = x + std::max(bounds.x1 * scale, bounds.x2 * scale) + margin;
  const double y1 = y + std::min(bounds.y1 * scale, bounds.y2 * scale) - margin;
  const double y2 = y + std::max(bounds.y1 * scale, bounds.y2 * scale) + margin;
  // Not a number compares false and so shows, as it always did.
  return !(x2 < clip.x1 || x1 > clip.x2 + 1 || y2 < clip.y1 || y1 > clip.y2 + 1);
}

unsigned GlyphCode(char c) { return platform::Cp1251ToUnicode(static_cast<std::uint8_t>(c)); }

// Twice the signed area of all the contours of a path. Counters run against the outer outlines and
// lie inside them, so the sign is the outer outlines' orientation (positive: counter-clockwise).
template <class Path>
double SignedArea(Path& path) {
  double area = 0.0, x = 0.0, y = 0.0, first_x = 0.0, first_y = 0.0, last_x = 0.0, last_y = 0.0;
  path.rewind(0);
  for (unsigned cmd = path.vertex(&x, &y); !agg::is_stop(cmd); cmd = path.vertex(&x, &y)) {
    if (agg::is_move_to(cmd)) {
      area += last_x * first_y - first_x * last_y;
      first_x = last_x = x;
      first_y = last_y = y;
    } else if (agg::is_vertex(cmd)) {
      area += last_x * y - x * last_y;
      last_x = x;
      last_y = y;
    }
  }
  return area + last_x * first_y - first_x * last_y;
}

}  // namespace

double agg_ren::TextAdvance(const char* text, double scale) {
  LoadChosenFaces();
  if (text == nullptr || !cache_) return 0.0;
  double advance = 0.0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (const agg::glyph_cache* glyph = cache_->glyph(GlyphCode(*c))) {
      advance += scale * glyph->advance_x + style.letter_spacing * scale;
    }
  }
  return advance;
}

void agg_ren::DrawTextInBox(const char* text, double x, double y, double width, double height, double scale,
                            const rgba8& colour, const rgba8* fill, std::uint8_t mode, std::span<const double> points) {
  if (!Attached()) return;

  // 1. The optional polygon behind the text, from at most the point-list length of coordinates.
  if (!points.empty()) {
    const std::size_t count =
        std::min(points.size(), static_cast<std::size_t>(std::max(0, style.point_list_length))) / 2;
    if (count > 0) {
      agg::path_storage path;
      path.move_to(points[0], points[1]);
      for (std::size_t i = 1; i < count; ++i) path.line_to(points[2 * i], points[2 * i + 1]);
      path.close_polygon();
      FillPath(path, fill ? *fill : rgba8(agg::rgba(0.9, 0.9, 1.0, 0.75)));
    }
  }

  // 2. Glyph set-up.
  LoadChosenFaces();
  if (text == nullptr || !cache_) return;
  const double line_height = engine_height_ * scale;
  const double contour_width = style.glyph_contour_factor * line_height;

  // 3. Where the first line starts.
  const int n = static_cast<int>(std::strlen(text));
  const TextOrigin origin = TextStart(mode, {x, y, width, height}, n, scale,
                                      {engine_width_, engine_height_, style.box_factor_x, style.box_factor_y});
  // 4.
  style.text_origin_x = origin.x;
  style.text_origin_y = origin.baseline;
  if (!style.keep_line_scale) style.line_scale = scale;

  // 5. The glyphs. The "^" works on this local scale, never on the caller's value.
  RightClip clip(base_.get(), right_limit_);
  double glyph_scale = scale;
  bool raised = false;
  double pen_x = origin.x, baseline = origin.baseline;
  double half_first_advance = 0.0;
  bool first_glyph = true;
  cache_->reset_last_glyph();
  for (int i = 0; i < n; ++i) {
    const char c = text[i];
    if (c == '^') {
      if (i + 1 == n) break;
      if (!raised) {
        glyph_scale = scale * 0.5;
        baseline -= line_height / 3.0;
        raised = true;
      }
      continue;
    }
    const agg::glyph_cache* glyph = cache_->glyph(GlyphCode(c));
    if (!glyph) continue;
    if (pen_x > right_limit_) break;
    if (c == '#') {
      baseline += line_height * 1.3;
      pen_x = origin.x;
      continue;
    }
    if (style.kerning) {
      double dx = 0.0, dy = 0.0;
      if (cache_->add_kerning(&dx, &dy)) pen_x += dx * glyph_scale;
    }
    const bool combined_plus = style.combined_plus && c == '+';
    if (combined_plus) baseline -= 2.0 * style.line_scale;

    rasterizer_.reset();
    // A glyph wholly outside the pixels being drawn (a caller's clip to a few fresh columns) only
    // moves the pen: its outline is never widened nor rasterized.
    if (ReachesClip(base_.get(), glyph->bounds, pen_x, baseline, glyph_scale, contour_width)) {
      DrawCachedGlyph(GlyphCode(c), *glyph, pen_x, baseline, glyph_scale, contour_width, colour);
    }

    const double advance = glyph_scale * glyph->advance_x;
    if (first_glyph) {
      half_first_advance = advance * 0.5;
      first_glyph = false;
    }
    pen_x += advance + style.letter_spacing * glyph_scale;
    baseline += glyph->advance_y * style.line_scale;
    if (combined_plus) {
      // The bar under a raised plus, drawn with the underline at the end.
      SetStraightPath(pen_x + advance / 3.0, baseline + 2.0 * glyph_scale, pen_x + advance / 2.0);
      style.underline_mode = 1;
      baseline += 2.0 * style.line_scale;
    }
    if (raised) {
      // Back to full size on the line's own baseline after the one raised character.
      glyph_scale = scale;
      baseline += line_height / 3.0;
      raised = false;
    }
  }

  // 6. End point and underline.
  style.text_end_x = pen_x;
  style.text_end_y = baseline;
  if (style.underline_mode != 0) {
    static constexpr double kInsetFactor[] = {0.0, 0.0, 1.0, 2.0, 1.5};
    const std::uint8_t m = style.underline_mode;
    if (m >= 2 && m <= 4) {
      const double k = half_first_advance * kInsetFactor[m];
      SetStraightPath(origin.x + k, origin.baseline + 3.0, pen_x - k);
    }
    if (m >= 1 && m <= 4) {
      agg::path_storage path = render_detail::PolygonPath(*polygons_[0], style.closed != 0);
      agg::conv_bspline<agg::path_storage> spline(path);
      spline.interpolation_step(1.0 / std::max(1.0, style.bspline_steps));
      agg::conv_stroke<agg::conv_bspline<agg::path_storage>> stroke(spline);
      stroke.width(style.underline_width);
      FillPath(stroke, colour);
    }
    style.underline_mode = 0;
  }
  // 7.
  rasterizer_.reset();
}

std::size_t agg_ren::GlyphRasterHash::operator()(const GlyphRasterKey& k) const {
  std::uint64_t h = k.code;
  for (const std::uint64_t part : {k.scale, k.contour, std::uint64_t{k.sub_x} << 9 | std::uint64_t{k.sub_y} << 1 | k.curves_only}) {
    h = (h ^ part) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 29;
  }
  return static_cast<std::size_t>(h);
}

void agg_ren::SetGlyphRasterCache(bool on) {
  glyph_raster_cache_ = on;
  glyph_rasters_.clear();
}

void agg_ren::DrawCachedGlyph(unsigned code, const agg::glyph_cache& glyph, double x, double y, double scale,
                              double contour_width, const rgba8& colour) {
  // The pen to a sixteenth of a pixel: the whole pixels place the raster, the rest is rasterised.
  constexpr double kSteps = 16.0;
  const double held_x = render_detail::HeldNear(x), held_y = render_detail::HeldNear(y);
  const double steps_x = std::floor(held_x * kSteps + 0.5), steps_y = std::floor(held_y * kSteps + 0.5);
  const double whole_x = std::floor(steps_x / kSteps), whole_y = std::floor(steps_y / kSteps);
  const double sub_x = steps_x - whole_x * kSteps, sub_y = steps_y - whole_y * kSteps;
  GlyphRasterKey key;
  key.code = code;
  std::memcpy(&key.scale, &scale, sizeof scale);
  std::memcpy(&key.contour, &contour_width, sizeof contour_width);
  key.sub_x = static_cast<std::uint8_t>(sub_x);
  key.sub_y = static_cast<std::uint8_t>(sub_y);
  key.curves_only = style.glyph_curves_only;

  auto found = glyph_raster_cache_ ? glyph_rasters_.find(key) : glyph_rasters_.end();
  std::vector<agg::int8u> made;
  if (found == glyph_rasters_.end()) {
    // The outline at the placement's fraction of a pixel from the origin, widened outward as a whole
    // so that every letter of a line gains the same stem width.
    cache_->init_embedded_adaptors(&glyph, sub_x / kSteps, sub_y / kSteps, scale);
    glyph_rasterizer_.reset();
    if (style.glyph_curves_only) {
      glyph_rasterizer_.add_path(*curves_);
    } else {
      contour_->width(SignedArea(*curves_) >= 0.0 ? contour_width : -contour_width);
      glyph_rasterizer_.add_path(*contour_);
    }
    glyph_storage_.prepare();
    agg::scanline_u8 line;
    agg::render_scanlines(glyph_rasterizer_, line, glyph_storage_);
    // A glyph that covers nothing (a space) keeps no raster: an empty storage's bounds are the
    // integer limits, which placing would overflow.
    if (glyph_storage_.min_x() <= glyph_storage_.max_x()) {
      made.resize(glyph_storage_.byte_size());
      glyph_storage_.serialize(made.data());
    }
    glyph_rasterizer_.reset();
    if (glyph_raster_cache_) {
      // A run of ever new sizes (a zoom) cannot grow the cache without end.
      constexpr std::size_t kMostGlyphs = 8192;
      if (glyph_rasters_.size() >= kMostGlyphs) glyph_rasters_.clear();
      found = glyph_rasters_.emplace(key, std::move(made)).first;
    }
  }
  const std::vector<agg::int8u>& raster = found != glyph_rasters_.end() ? found->second : made;
  if (raster.empty() || !solid2_) return;
  agg::serialized_scanlines_adaptor_aa8 placed(raster.data(), static_cast<unsigned>(raster.size()), whole_x, whole_y);
  agg::serialized_scanlines_adaptor_aa8::embedded_scanline line;
  solid2_->color(colour);
  agg::render_scanlines(placed, line, *solid2_);
}

template <class Transform>
void agg_ren::DrawPathGlyphs(const PathText& record, const Transform& transform) {
  LoadChosenFaces();
  if (!alt_cache_ || !Attached()) return;
  // A scale that is not a number would never finish cutting the outlines into pieces; a huge one
  // would cut them into millions.
  if (!(std::abs(record.size_scale) * std::max(1.0, alt_engine_height_) <= render_detail::kTallestPathGlyph)) return;
  using Curves = agg::conv_curve<FontCache::path_adaptor_type>;
  using Segments = agg::conv_segmentator<Curves>;
  using Held = render_detail::HeldTransform<Transform>;
  Curves curves(alt_cache_->path_adaptor());
  Segments segments(curves);
  Held held{transform};
  agg::conv_transform<Segments, Held> warped(segments, held);
  curves.approximation_scale(3.0);
  segments.approximation_scale(5.0);

  const double n = static_cast<double>(record.text.size());
  double x = 50.0 - n * record.size_scale * engine_width_ * 0.5;
  double y = 0.0;
  alt_cache_->reset_last_glyph();
  // Glyphs held at the far limit cost no cells beyond the surface.
  rasterizer_.clip_box(0, 0, base_->width(), base_->height());
  for (char c : record.text) {
    const agg::glyph_cache* glyph = alt_cache_->glyph(GlyphCode(c));
    if (!glyph) continue;
    if (x > right_limit_) break;
    if (style.kerning) {
      double dx = 0.0, dy = 0.0;
      if (alt_cache_->add_kerning(&dx, &dy)) x += dx * record.size_scale;
    }
    alt_cache_->init_embedded_adaptors(glyph, x, y, record.size_scale);
    FillPath(warped, record.colour);
    x += glyph->advance_x * record.size_scale;
    y += glyph->advance_y * record.size_scale;
  }
  rasterizer_.reset_clipping();
  rasterizer_.reset();
}

namespace {

// A B-spline through a polygon, sampled 1/steps apart.
struct PolygonSpline {
  agg::path_storage path;
  agg::conv_bspline<agg::path_storage> spline{path};
  PolygonSpline(const interactive_polygon& p, double steps) : path(render_detail::PolygonPath(p, false)) {
    spline.interpolation_step(1.0 / std::max(1.0, steps));
  }
  // A line through points that are not numbers or lie too far for AGG's integer coordinates is
  // refused; so is one whose points all coincide, with no direction to lay glyphs along (the path
  // transforms would read past their one remaining vertex).
  bool Usable(const interactive_polygon& p) {
    if (!render_detail::PolygonPlaceable(p)) return false;
    double length = 0.0, px = 0.0, py = 0.0, x = 0.0, y = 0.0;
    bool started = false;
    spline.rewind(0);
    for (unsigned cmd = spline.vertex(&x, &y); !agg::is_stop(cmd); cmd = spline.vertex(&x, &y)) {
      if (!agg::is_vertex(cmd)) continue;
      if (started) length += std::hypot(x - px, y - py);
      started = true;
      px = x, py = y;
    }
    return length > 1e-6;
  }
};

}  // namespace

void agg_ren::DrawTextAlongPath(const PathText& record) {
  if (!polygons_[1]) return;
  PolygonSpline baseline(*polygons_[1], style.bspline_steps);
  if (!baseline.Usable(*polygons_[1])) return;
  agg::trans_single_path path;
  path.add_path(baseline.spline);
  path.preserve_x_scale(true);
  if (record.base_length > 0.0) path.base_length(record.base_length);
  DrawPathGlyphs(record, path);
}

void agg_ren::DrawTextBetweenPaths(const PathText& record) {
  if (!polygons_[3] || !polygon5) return;
  PolygonSpline lower(*polygons_[3], style.bspline_steps);
  PolygonSpline upper(*polygon5, style.bspline_steps);
  if (!lower.Usable(*polygons_[3]) || !upper.Usable(*polygon5)) return;
  agg::trans_double_path path;
  path.add_paths(lower.spline, upper.spline);
  path.preserve_x_scale(true);
  path.base_height(20.0);
  path.base_length(180.0);
  DrawPathGlyphs(record, path);
}
