// GDI-style operations implemented on AGG's scanline pipeline and FreeType outlines.
#include "platform/gdi.h"

#include <agg_conv_curve.h>
#include <agg_conv_stroke.h>
#include <agg_ellipse.h>
#include <agg_path_storage.h>
#include <agg_pixfmt_rgba.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_base.h>
#include <agg_renderer_scanline.h>
#include <agg_rounded_rect.h>
#include <agg_scanline_u.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/cp1251.h"
#include "platform/fonts.h"

// AGG's add_path leaves its vertex variables unset until the source yields one; GCC cannot see
// that through agg::ellipse and warns once it inlines the loop here.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace platform {
namespace {

using PixFmt = agg::pixfmt_bgra32;
using RendererBase = agg::renderer_base<PixFmt>;

agg::rgba8 ToAgg(Colour c) { return agg::rgba8(c.r, c.g, c.b, c.a); }

// One drawing target: the AGG pipeline over a surface's pixels for the length of one call.
class Canvas {
 public:
  explicit Canvas(Surface& s)
      : buffer_(s.Pixels(), static_cast<unsigned>(s.Width()), static_cast<unsigned>(s.Height()), s.Stride()),
        pixfmt_(buffer_),
        base_(pixfmt_) {}

  template <class VertexSource>
  void Fill(VertexSource& path, Colour c) {
    raster_.reset();
    raster_.add_path(path);
    agg::render_scanlines_aa_solid(raster_, scanline_, base_, ToAgg(c));
  }

 private:
  agg::rendering_buffer buffer_;
  PixFmt pixfmt_;
  RendererBase base_;
  agg::rasterizer_scanline_aa<> raster_;
  agg::scanline_u8 scanline_;
};

void BlendPixel(std::uint8_t* d, const std::uint8_t* s, unsigned alpha) {
  for (int i = 0; i < 3; ++i) d[i] = static_cast<std::uint8_t>((s[i] * alpha + d[i] * (255 - alpha) + 127) / 255);
  d[3] = static_cast<std::uint8_t>(alpha + (d[3] * (255 - alpha) + 127) / 255);
}

// Rows and columns of `dst_rect` that lie on `dst`, with the nearest source pixel of each.
template <class Fn>
void ForEachMappedPixel(Surface& dst, const Rect& dst_rect, const Surface& src, const Rect& src_rect, Fn fn) {
  if (dst_rect.Empty() || src_rect.Empty() || dst.Empty() || src.Empty()) return;
  const int x0 = std::max(dst_rect.left, 0), x1 = std::min(dst_rect.right, dst.Width());
  const int y0 = std::max(dst_rect.top, 0), y1 = std::min(dst_rect.bottom, dst.Height());
  if (x0 >= x1) return;
  // The source column of every destination column, once for all rows (-1: off the source).
  std::vector<int> columns(static_cast<std::size_t>(x1 - x0));
  for (int x = x0; x < x1; ++x) {
    const long long sx = src_rect.left + (static_cast<long long>(x - dst_rect.left) * src_rect.Width()) / dst_rect.Width();
    columns[static_cast<std::size_t>(x - x0)] = sx < 0 || sx >= src.Width() ? -1 : static_cast<int>(sx);
  }
  for (int y = y0; y < y1; ++y) {
    const long long sy = src_rect.top + (static_cast<long long>(y - dst_rect.top) * src_rect.Height()) / dst_rect.Height();
    if (sy < 0 || sy >= src.Height()) continue;
    std::uint8_t* drow = dst.Row(y);
    const std::uint8_t* srow = src.Row(static_cast<int>(sy));
    for (int x = x0; x < x1; ++x) {
      const int sx = columns[static_cast<std::size_t>(x - x0)];
      if (sx >= 0) fn(drow + x * 4, srow + sx * 4);
    }
  }
}

struct TextEngine {
  // AGG's font cache pool and its engine's face list make room for one entry past their size by
  // moving their tables over themselves with memcpy (undefined behaviour). Both start afresh
  // before that could happen: a font needs at most one face and one cache entry.
  static constexpr unsigned kCachedFonts = 32;

  std::unique_ptr<FontEngine> engine;
  std::unique_ptr<FontCache> cache;
  std::vector<Font> cached;  // the fonts whose faces and glyphs the engine and cache may hold
  Font selected;
  bool loaded = false;

  TextEngine() { Restart(); }

  void Restart() {
    cache.reset();
    engine = std::make_unique<FontEngine>(kCachedFonts);
    // Set before any font, so each font has one signature and one place in the cache.
    engine->flip_y(true);
    cache = std::make_unique<FontCache>(*engine, kCachedFonts);
    cached.clear();
    loaded = false;
  }

  bool Select(const Font& font) {
    if (loaded && selected == font) return true;
    if (std::find(cached.begin(), cached.end(), font) == cached.end()) {
      if (cached.size() == kCachedFonts) Restart();
      cached.push_back(font);
    }
    loaded = SelectFont(*engine, font.Family, font.Height, font.Width, font.Weight, font.Italic);
    selected = font;
    return loaded;
  }
};

// FreeType state is not shared between threads: each thread that draws text has its own engine.
TextEngine& ThreadTextEngine() {
  thread_local auto engine = std::make_unique<TextEngine>();
  return *engine;
}

}  // namespace

void FillRect(Surface& s, const Rect& r, const Brush& brush) {
  if (brush.Null || s.Empty()) return;
  const int x0 = std::max(r.left, 0), x1 = std::min(r.right, s.Width());
  const int y0 = std::max(r.top, 0), y1 = std::min(r.bottom, s.Height());
  const std::uint8_t src[4] = {brush.colour.b, brush.colour.g, brush.colour.r, brush.colour.a};
  if (x0 >= x1 || y0 >= y1) return;
  if (brush.colour.a == 255) {
    // One row pixel by pixel, the others copied from it.
    std::uint8_t* first = s.Row(y0) + x0 * 4;
    for (int x = x0; x < x1; ++x) std::copy(src, src + 4, first + (x - x0) * 4);
    for (int y = y0 + 1; y < y1; ++y) std::copy(first, first + (x1 - x0) * 4, s.Row(y) + x0 * 4);
    return;
  }
  for (int y = y0; y < y1; ++y) {
    std::uint8_t* p = s.Row(y) + x0 * 4;
    for (int x = x0; x < x1; ++x, p += 4) BlendPixel(p, src, brush.colour.a);
  }
}

void DrawRectangle(Surface& s, const Rect& r, const Pen& pen, const Brush& brush) {
  FillRect(s, r, brush);
  if (pen.Null || pen.Width <= 0) return;
  const int w = std::min(pen.Width, std::max(1, std::min(r.Width(), r.Height()) / 2 + 1));
  const Brush edge{pen.colour, false};
  FillRect(s, {r.left, r.top, r.right, r.top + w}, edge);
  FillRect(s, {r.left, r.bottom - w, r.right, r.bottom}, edge);
  FillRect(s, {r.left, r.top + w, r.left + w, r.bottom - w}, edge);
  FillRect(s, {r.right - w, r.top + w, r.right, r.bottom - w}, edge);
}

namespace {

template <class Shape>
void FillAndStroke(Surface& s, Shape& fill_shape, Shape& stroke_shape, const Pen& pen, const Brush& brush) {
  if (s.Empty()) return;
  Canvas canvas(s);
  if (!brush.Null) canvas.Fill(fill_shape, brush.colour);
  if (!pen.Null && pen.Width > 0) {
    agg::conv_stroke<Shape> stroke(stroke_shape);
    stroke.width(pen.Width);
    canvas.Fill(stroke, pen.colour);
  }
}

}  // namespace

void DrawRoundRect(Surface& s, const Rect& r, int corner_width, int corner_height, const Pen& pen,
                   const Brush& brush) {
  if (r.Empty()) return;
  const double inset = pen.Null ? 0.0 : pen.Width * 0.5;
  agg::rounded_rect fill(r.left, r.top, r.right, r.bottom, 0);
  fill.radius(corner_width * 0.5, corner_height * 0.5);
  fill.normalize_radius();
  agg::rounded_rect stroke(r.left + inset, r.top + inset, r.right - inset, r.bottom - inset, 0);
  stroke.radius(std::max(0.0, corner_width * 0.5 - inset), std::max(0.0, corner_height * 0.5 - inset));
  stroke.normalize_radius();
  FillAndStroke(s, fill, stroke, pen, brush);
}

void DrawEllipse(Surface& s, const Rect& r, const Pen& pen, const Brush& brush) {
  if (r.Empty()) return;
  const double cx = (r.left + r.right) * 0.5, cy = (r.top + r.bottom) * 0.5;
  const double inset = pen.Null ? 0.0 : pen.Width * 0.5;
  agg::ellipse fill(cx, cy, r.Width() * 0.5, r.Height() * 0.5);
  agg::ellipse stroke(cx, cy, std::max(0.0, r.Width() * 0.5 - inset), std::max(0.0, r.Height() * 0.5 - inset));
  FillAndStroke(s, fill, stroke, pen, brush);
}

void DrawLine(Surface& s, int x1, int y1, int x2, int y2, const Pen& pen) {
  if (pen.Null || pen.Width <= 0 || s.Empty()) return;
  agg::path_storage path;
  path.move_to(x1 + 0.5, y1 + 0.5);
  path.line_to(x2 + 0.5, y2 + 0.5);
  agg::conv_stroke<agg::path_storage> stroke(path);
  stroke.width(pen.Width);
  stroke.line_cap(agg::square_cap);
  Canvas canvas(s);
  canvas.Fill(stroke, pen.colour);
}

TextMetrics GetTextMetrics(const Font& font) {
  TextEngine& te = ThreadTextEngine();
  if (!te.Select(font)) return {};
  TextMetrics m;
  m.Ascent = static_cast<int>(std::ceil(te.engine->ascender()));
  m.Descent = static_cast<int>(std::ceil(-te.engine->descender()));
  m.Height = m.Ascent + m.Descent;
  return m;
}

namespace {

// Walks the glyphs of a UTF-8 string with kerning; calls fn(glyph, pen_x) for each one.
template <class Fn>
double LayOut(TextEngine& te, std::string_view utf8, double x, Fn fn) {
  te.cache->reset_last_glyph();
  std::size_t pos = 0;
  double pen_x = x, pen_y = 0;
  while (pos < utf8.size()) {
    const char32_t cp = NextCodePoint(utf8, pos);
    const agg::glyph_cache* glyph = te.cache->glyph(cp);
    if (!glyph) continue;
    te.cache->add_kerning(&pen_x, &pen_y);
    fn(glyph, pen_x);
    pen_x += glyph->advance_x;
  }
  return pen_x - x;
}

}  // namespace

int DrawText(Surface& s, int x, int y, std::string_view utf8, const Font& font, Colour colour) {
  TextEngine& te = ThreadTextEngine();
  if (s.Empty() || !te.Select(font)) return 0;
  Canvas canvas(s);
  const double baseline = y + std::ceil(te.engine->ascender());
  agg::conv_curve<FontCache::path_adaptor_type> curves(te.cache->path_adaptor());
  const double advance = LayOut(te, utf8, x, [&](const agg::glyph_cache* glyph, double pen_x) {
    te.cache->init_embedded_adaptors(glyph, pen_x, baseline);
    canvas.Fill(curves, colour);
  });
  return static_cast<int>(std::lround(advance));
}

Size TextExtent(std::string_view utf8, const Font& font) {
  TextEngine& te = ThreadTextEngine();
  if (!te.Select(font)) return {};
  const double advance = LayOut(te, utf8, 0.0, [](const agg::glyph_cache*, double) {});
  return {static_cast<int>(std::lround(advance)), GetTextMetrics(font).Height};
}

void Blit(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy) {
  // Clip against the source first, then the destination, moving both origins together.
  if (sx < 0) { dx -= sx; w += sx; sx = 0; }
  if (sy < 0) { dy -= sy; h += sy; sy = 0; }
  if (dx < 0) { sx -= dx; w += dx; dx = 0; }
  if (dy < 0) { sy -= dy; h += dy; dy = 0; }
  w = std::min({w, src.Width() - sx, dst.Width() - dx});
  h = std::min({h, src.Height() - sy, dst.Height() - dy});
  if (w <= 0 || h <= 0) return;
  for (int row = 0; row < h; ++row) {
    const std::uint8_t* from = src.Row(sy + row) + sx * 4;
    std::copy(from, from + static_cast<std::size_t>(w) * 4, dst.Row(dy + row) + dx * 4);
  }
}

void StretchBlit(Surface& dst, const Rect& dst_rect, const Surface& src, const Rect& src_rect) {
  if (dst_rect.Empty() || src_rect.Empty() || dst.Empty() || src.Empty()) return;
  const int x0 = std::max(dst_rect.left, 0), x1 = std::min(dst_rect.right, dst.Width());
  const int y0 = std::max(dst_rect.top, 0), y1 = std::min(dst_rect.bottom, dst.Height());
  if (x0 >= x1) return;
  // The nearest source pixel of each destination pixel, as every mapped copy takes it; a row
  // that takes the same source row as the one above it, whole, is a copy of that row.
  std::vector<int> columns(static_cast<std::size_t>(x1 - x0));
  bool whole = true;
  for (int x = x0; x < x1; ++x) {
    const long long sx = src_rect.left + (static_cast<long long>(x - dst_rect.left) * src_rect.Width()) / dst_rect.Width();
    columns[static_cast<std::size_t>(x - x0)] = sx < 0 || sx >= src.Width() ? -1 : static_cast<int>(sx);
    whole = whole && sx >= 0 && sx < src.Width();
  }
  const std::size_t row_bytes = static_cast<std::size_t>(x1 - x0) * 4;
  long long previous = -1;
  for (int y = y0; y < y1; ++y) {
    const long long sy = src_rect.top + (static_cast<long long>(y - dst_rect.top) * src_rect.Height()) / dst_rect.Height();
    if (sy < 0 || sy >= src.Height()) {
      previous = -1;
      continue;
    }
    std::uint8_t* drow = dst.Row(y);
    if (whole && sy == previous) {
      std::memcpy(drow + x0 * 4, dst.Row(y - 1) + x0 * 4, row_bytes);
      continue;
    }
    const std::uint8_t* srow = src.Row(static_cast<int>(sy));
    for (int x = x0; x < x1; ++x) {
      const int sx = columns[static_cast<std::size_t>(x - x0)];
      if (sx >= 0) std::memcpy(drow + x * 4, srow + sx * 4, 4);
    }
    previous = sy;
  }
}

void AlphaBlend(Surface& dst, const Rect& dst_rect, const Surface& src, const Rect& src_rect,
                std::uint8_t constant_alpha, bool per_pixel_alpha) {
  ForEachMappedPixel(dst, dst_rect, src, src_rect, [&](std::uint8_t* d, const std::uint8_t* s) {
    const unsigned a = per_pixel_alpha ? (s[3] * constant_alpha + 127) / 255 : constant_alpha;
    BlendPixel(d, s, a);
  });
}

}  // namespace platform
