// agg_ren's life cycle: construction, attach and detach, text engines, clearing, point animation.
#include "render/agg_ren.h"

#include <agg_gamma_functions.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "render/agg_ren_pipeline.h"

namespace {

void BuildProfile(CubicSpline& spline, std::initializer_list<double> x, std::initializer_list<double> y) {
  spline.Build(x.begin(), y.begin(), static_cast<std::uint32_t>(x.size()));
}

}  // namespace

agg_ren::agg_ren() {
  // Profile A shapes the gradient fill of panels.
  BuildProfile(profile_a, {0.0, 0.3, 0.5, 0.7, 1.0}, {0.0, 0.8, 1.0, 0.8, 0.0});
  InitDefaults();
}

agg_ren::~agg_ren() { Detach(); }

void agg_ren::Attach(platform::Surface& surface) {
  Attach(surface.Pixels(), surface.Width(), surface.Height(), surface.Stride(), surface.Width(),
         surface.Height(), 0);
}

void agg_ren::Attach(std::uint8_t* pixels, int width, int height, int stride, int limit_width, int limit_height,
                     std::uint32_t option) {
  // Attaching over an attachment would orphan the old objects' buffer; start clean instead.
  if (Attached()) Detach();
  right_limit_ = limit_width;
  bottom_limit_ = limit_height;
  option_ = option;
  InitDefaults();

  polygons_[0] = std::make_unique<interactive_polygon>(6, 5.0);
  polygons_[1] = std::make_unique<interactive_polygon>(2, 2.0);
  polygons_[2] = std::make_unique<interactive_polygon>(40, 5.0);
  polygons_[3] = std::make_unique<interactive_polygon>(6, 5.0);

  if (pixels == nullptr || width <= 0 || height <= 0) {
    width = height = 0;
    pixels = nullptr;
  }
  buffer_.attach(pixels, static_cast<unsigned>(width), static_cast<unsigned>(height), stride);
  pixfmt_ = std::make_unique<PixFmt>(buffer_);
  base_ = std::make_unique<RendererBase>(*pixfmt_);
  base_->clip_box(0, 0, width - 1, height - 1);
  solid_ = std::make_unique<RendererSolid>(*base_);
  solid2_ = std::make_unique<RendererSolid>(*base_);

  CreatePrimaryFont();
  style.corner_radius = 15.0;
  // Profiles B and C fade the shadow rings and the glow rings.
  BuildProfile(profile_b, {0.0, 0.3, 0.7, 1.0}, {1.0, 0.5, 0.1, 0.0});
  BuildProfile(profile_c, {0.0, 0.8, 1.0}, {1.0, 0.1, 0.0});
  InitDefaults();
}

void agg_ren::Detach() {
  DestroyPrimaryFont();
  alt_face_.reset();
  alt_cache_.reset();
  alt_engine_.reset();
  for (auto& p : polygons_) p.reset();
  solid2_.reset();
  solid_.reset();
  base_.reset();
  pixfmt_.reset();
  buffer_.attach(nullptr, 0, 0, 0);
  rasterizer_.reset();
  rasterizer_.reset_clipping();
}

interactive_polygon* agg_ren::Polygon(int number) {
  if (number >= 1 && number <= 4) return polygons_[number - 1].get();
  if (number == 5) return polygon5.get();
  return nullptr;
}

void agg_ren::CreatePrimaryFont() {
  engine_ = std::make_unique<FontEngine>(32);
  cache_ = std::make_unique<FontCache>(*engine_, 32);
  curves_ = std::make_unique<GlyphCurves>(cache_->path_adaptor());
  contour_ = std::make_unique<GlyphContour>(*curves_);
  // Each glyph's orientation is found as a whole when it is drawn: detected contour by contour, a
  // counter would widen into its letter instead of narrowing.
  contour_->auto_detect_orientation(false);
  engine_width_ = static_cast<int>(style.font_width);
  engine_height_ = static_cast<int>(style.font_height);
  // Flipped before anything is cached, so the engine keeps one signature and its cache one font.
  engine_->flip_y(true);
  primary_face_ = ChosenFace{style.typeface, style.font_weight, engine_height_, engine_width_, style.precache_count};
}

void agg_ren::LoadChosenFaces() {
  if (primary_face_ && engine_) {
    const ChosenFace face = *std::exchange(primary_face_, std::nullopt);
    platform::SelectFont(*engine_, face.typeface, face.height, face.width, face.weight, false);
    if (face.precache_count >= 32) cache_->precache(32, static_cast<unsigned>(face.precache_count));
  }
  if (alt_face_ && alt_engine_) {
    const ChosenFace face = *std::exchange(alt_face_, std::nullopt);
    platform::SelectFont(*alt_engine_, face.typeface, face.height, face.width, face.weight, false);
  }
}

void agg_ren::DestroyPrimaryFont() {
  glyph_rasters_.clear();
  primary_face_.reset();
  contour_.reset();
  curves_.reset();
  cache_.reset();
  engine_.reset();
}

void agg_ren::ResetFont() {
  if (!Attached()) return;
  DestroyPrimaryFont();
  CreatePrimaryFont();
}

void agg_ren::CreateAltFont(std::string_view typeface, double width, double height, int weight) {
  if (!Attached()) return;
  alt_cache_.reset();
  alt_engine_ = std::make_unique<FontEngine>(32);
  alt_cache_ = std::make_unique<FontCache>(*alt_engine_, 32);
  // Whole pixels; a size that is not a number, or past the tallest glyph a path text draws, is held.
  const auto whole = [](double v) {
    return std::trunc(std::isnan(v) ? 0.0 : std::clamp(v, -render_detail::kTallestPathGlyph, render_detail::kTallestPathGlyph));
  };
  alt_engine_width_ = whole(width);
  alt_engine_height_ = whole(height);
  alt_engine_->flip_y(true);
  alt_face_ = ChosenFace{std::string(typeface), weight, alt_engine_height_, alt_engine_width_, 0};
}

void agg_ren::RenderWith(const rgba8& colour) {
  if (!solid2_) return;
  solid2_->color(colour);
  agg::render_scanlines(rasterizer_, scanline_, *solid2_);
}

void agg_ren::RenderScanlines() {
  if (!solid_) return;
  agg::render_scanlines(rasterizer_, scanline_, *solid_);
}

void agg_ren::Clear(const rgba8& colour) {
  if (!Attached() || buffer_.width() == 0) return;
  const std::uint8_t pixel[4] = {colour.b, colour.g, colour.r, colour.a};
  // One row pixel by pixel, the others copied from it.
  std::uint8_t* first = buffer_.row_ptr(0);
  for (unsigned x = 0; x < buffer_.width(); ++x) std::memcpy(first + 4u * x, pixel, 4);
  for (unsigned y = 1; y < buffer_.height(); ++y) {
    std::memcpy(buffer_.row_ptr(static_cast<int>(y)), first, buffer_.width() * 4u);
  }
}

void agg_ren::ClearWhite() { Clear(rgba8(agg::rgba(1.0, 1.0, 1.0, 1.0))); }

bool agg_ren::InitDefaults() {
  style.bspline_steps = 200.0;
  style.closed = 1;
  style.mode = 0;
  return false;
}

void agg_ren::AnimatePoints() {
  interactive_polygon* polygon = polygons_[0].get();
  if (!polygon) return;
  for (std::uint32_t i = 0; i < polygon->num_points() && 2 * i + 1 < style.velocities.size(); ++i) {
    double& x = polygon->xn(i);
    double& y = polygon->yn(i);
    double& vx = style.velocities[2 * i];
    double& vy = style.velocities[2 * i + 1];
    if (x < 0.0) {
      x = 0.0;
      vx = -vx;
    }
    if (x > right_limit_) {
      x = right_limit_;
      vx = -vx;
    }
    if (y < 0.0) {
      y = 0.0;
      vy = -vy;
    }
    if (y > bottom_limit_) {
      y = bottom_limit_;
      vy = -vy;
    }
    x += vx;
    y += vy;
  }
}
