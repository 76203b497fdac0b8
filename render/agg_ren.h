// The anti-aliased drawing surface: AGG's pipeline over a caller's 32-bit buffer, its style values
// and its drawing operations.
#pragma once

#include <agg_color_rgba.h>
#include <agg_conv_contour.h>
#include <agg_conv_curve.h>
#include <agg_conv_stroke.h>
#include <agg_curves.h>
#include <agg_path_storage.h>
#include <agg_rasterizer_outline_aa.h>
#include <agg_renderer_outline_aa.h>
#include <agg_pixfmt_rgba.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_base.h>
#include <agg_renderer_scanline.h>
#include <agg_rendering_buffer.h>
#include <agg_scanline_storage_aa.h>
#include <agg_scanline_u.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/fonts.h"
#include "platform/surface.h"
#include "render/cubic_spline.h"
#include "render/path_polygon.h"

using rgba8 = agg::rgba8;

// A panel rectangle in the order x, width, y, height.
struct PanelRect {
  double x = 0.0, width = 0.0, y = 0.0, height = 0.0;
  friend bool operator==(const PanelRect&, const PanelRect&) = default;
};

// The five-byte style record of a rounded panel.
struct PanelStyle {
  std::uint8_t unused = 0;
  std::uint8_t shadow_rings = 0;  // 0 no shadow, 1 twelve rings, n: n rings
  std::uint8_t bevel = 0;         // low nibble: inner shadow rings; high nibble: inner highlight line
  std::uint8_t fill = 0;          // 0 none, 1 solid, 2 and above: gradient
  std::uint8_t inset = 0;         // 0 from the fade amount, 100 half the line width, n: n + half of it
};

// What text along a path needs: 8-bit code page 1251 text, its size scale, colour, base length.
struct PathText {
  std::string text;
  double size_scale = 1.0;
  rgba8 colour{0, 0, 0, 255};
  double base_length = 0.0;  // 0: the path's own length
};

// The 256-entry colour table a gradient span reads.
struct GradientTable {
  std::array<rgba8, 256> colours{};
  static unsigned size() { return 256; }
  const rgba8& operator[](unsigned i) const { return colours[i]; }
};

// Every style value the drawing operations read, in one place; they survive attach and detach.
struct AggStyle {
  // Text.
  std::string typeface = "Tahoma";
  double font_width = 9.0;    // average character width
  double font_height = 17.0;  // em height
  int font_weight = 400;
  int precache_count = 0;        // glyphs 32..n cached at font creation; 0: none
  bool kerning = false;
  bool glyph_curves_only = false;  // on: glyph outlines skip the contour converter
  double glyph_contour_factor = 0.01;
  double letter_spacing = 0.01;
  bool combined_plus = false;
  std::uint8_t underline_mode = 0;
  double underline_width = 2.0;
  double text_origin_x = 0.0, text_origin_y = 0.0;
  double text_end_x = 0.0, text_end_y = 0.0;
  double line_scale = 1.0;
  bool keep_line_scale = false;
  float box_factor_x = 0.2f;
  float box_factor_y = 0.65f;

  // Colours.
  rgba8 spare_grey{190, 190, 190, 255};
  rgba8 highlight{255, 255, 255, 255};
  rgba8 gradient1{120, 140, 235, 255};
  rgba8 gradient2{20, 20, 180, 255};
  rgba8 last_gradient{0, 0, 0, 0};
  rgba8 inner_shadow{0, 0, 0, 20};
  rgba8 bevel_highlight{255, 255, 255, 255};
  rgba8 shadow{0, 0, 0, 255};
  rgba8 glow_colour{255, 255, 255, 255};
  rgba8 frame_colour{0, 0, 0, 255};
  rgba8 extra_line_colour{0, 0, 0, 255};

  // Panels.
  double corner_radius = 15.0;
  double inset_base = 15.0;
  // Inset mode 0 scales its whole inset by this: a control drawn smaller than designed keeps its body.
  double inset_scale = 1.0;
  double shadow_offset = 5.0;
  double shadow_growth = 3.0;
  double shadow_alpha_base = 185.0;
  double gradient_length = 80.0;
  double gradient_angle = 90.0;  // degrees
  bool gradient_transform = false;
  double gradient_scale_x = 1.0, gradient_scale_y = 1.0;
  double gradient_shift = 0.0;
  std::uint8_t inner_shadow_rings = 20;
  double bevel_inset = 3.0;
  double bevel_width = 1.0;
  bool glow = false;
  double glow_reference = 1.0;
  int glow_gain = 20;
  double glow_alpha_reference = 1.0;
  bool outline_after_fill = true;
  bool frame = false;
  bool clip = false;
  std::array<double, 4> clip_rect{};  // x1, y1, x2, y2
  bool extra_line = false;
  std::array<double, 4> extra_line_coords{};
  float extra_line_width = 3.0f;
  // Outline width the main window's captions pass to their panels; each caption puts it back to 15.
  float panel_line_width = 15.0f;
  bool shadow_shift = false;
  double shadow_shift_x = 0.0, shadow_shift_y = 0.0;

  // B-splines.
  double bspline_steps = 200.0;
  std::uint8_t closed = 1;
  std::uint8_t mode = 0;

  // Coordinates that DrawTextInBox takes from its point list.
  int point_list_length = 16;

  // x and y velocity of each point of polygon 1.
  std::array<double, 12> velocities{};
};

class agg_ren {
 public:
  using PixFmt = agg::pixfmt_bgra32;
  using RendererBase = agg::renderer_base<PixFmt>;
  using RendererSolid = agg::renderer_scanline_aa_solid<RendererBase>;
  using FontEngine = platform::FontEngine;
  using FontCache = platform::FontCache;
  using GlyphCurves = agg::conv_curve<FontCache::path_adaptor_type>;
  using GlyphContour = agg::conv_contour<GlyphCurves>;

  agg_ren();
  virtual ~agg_ren();
  agg_ren(const agg_ren&) = delete;
  agg_ren& operator=(const agg_ren&) = delete;

  // Attaches to a top-down buffer of 32-bit BGRA pixels that the caller owns and keeps alive until
  // Detach; `limit_width` and `limit_height` become the right text limit and the bottom limit.
  void Attach(std::uint8_t* pixels, int width, int height, int stride, int limit_width, int limit_height,
              std::uint32_t option);
  void Attach(platform::Surface& surface);
  void Detach();
  bool Attached() const { return pixfmt_ != nullptr; }

  // Recreates the primary text engine from the stored typeface, height, width and weight.
  void ResetFont();
  void CreateAltFont(std::string_view typeface, double width, double height, int weight);

  void RenderScanlines();
  void Clear(const rgba8& colour);
  virtual void ClearWhite();
  virtual bool InitDefaults();
  virtual void AnimatePoints();

  // The line family: each adds a stroked path to the rasterizer and sets the current colour;
  // nothing is drawn until the rasterizer is rendered.
  void DrawLine(double x1, double y1, double x2, double y2, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                std::uint8_t a, float width);
  void DrawLineRgba(const std::array<double, 4>& coords, const rgba8& colour, float width);
  void DrawLineCurrentColour(const std::array<double, 4>& coords, float width);

  // Draws the polyline through the points x0, y0, x1, y1, ... anti-aliased, as one path whose
  // segments share their ends; renders itself and leaves the rasterizer as it was.
  void DrawPolyline(std::span<const double> points, const rgba8& colour, float width);

  void SetStraightPath(double x1, double y, double x2);

  // Fills the polygon of `points` (when given) in `fill` or a pale blue, then draws 8-bit code
  // page 1251 `text` (may be null) placed by `mode`: "#" breaks the line, "^" raises the next
  // character. Renders itself.
  void DrawTextInBox(const char* text, double x, double y, double width, double height, double scale,
                     const rgba8& colour, const rgba8* fill, std::uint8_t mode, std::span<const double> points = {});

  // How far DrawTextInBox's pen travels over the 8-bit code page 1251 `text` at `scale`, without kerning.
  double TextAdvance(const char* text, double scale);

  // Draws a panel and writes the inset panel rectangle back into `rect`. `marker`, when it holds
  // at least 14 doubles, adds the marker stroke. Renders itself.
  void DrawRoundedPanel(PanelRect& rect, const PanelStyle& style, float shadow_scale, float line_width,
                        const rgba8& fill, float fade, std::span<const double> marker = {});

  // Fills what the rasterizer holds with a horizontal gradient whose colour follows `profile`.
  void FillGradient(float x_scale, float x_shift, const CubicSpline& profile);

  // Strokes a B-spline through polygon 3; adds to the rasterizer without rendering.
  void DrawSplineShape(const rgba8& colour, float width, std::uint8_t closed);

  void DrawTextAlongPath(const PathText& record);
  // Draws between B-splines through polygons 4 and 5; with polygon 5 absent nothing is drawn.
  void DrawTextBetweenPaths(const PathText& record);

  AggStyle style;
  CubicSpline profile_a, profile_b, profile_c;

  // Path polygons 1 to 4 exist while attached; the fifth slot stays empty unless a caller fills it.
  interactive_polygon* Polygon(int number);
  std::unique_ptr<interactive_polygon> polygon5;

  double RightLimit() const { return right_limit_; }
  double BottomLimit() const { return bottom_limit_; }
  // The font values text layout uses: as set on the primary engine, else the stored ones.
  double EngineWidth() const { return engine_width_; }
  double EngineHeight() const { return engine_height_; }

  agg::rasterizer_scanline_aa<>& Rasterizer() { return rasterizer_; }
  agg::scanline_u8& Scanline() { return scanline_; }
  RendererBase* Base() { return base_.get(); }
  RendererSolid* Solid() { return solid_.get(); }
  const GradientTable& Gradient() const { return gradient_; }

  // Glyphs of the primary engine rasterised so far (each size, outline width and sixteenth of a
  // pixel of placement once); a font change empties it.
  std::size_t RasterisedGlyphs() const { return glyph_rasters_.size(); }
  // Off: every glyph is rasterised from its outline where it is drawn, as a cached one was made.
  void SetGlyphRasterCache(bool on);

 private:
  void CreatePrimaryFont();
  void DestroyPrimaryFont();
  // Loads the faces chosen but not loaded yet: a font's file is read when its first text needs it.
  void LoadChosenFaces();
  void RenderWith(const rgba8& colour);
  template <class VertexSource>
  void FillPath(VertexSource& path, const rgba8& colour);
  void StrokeRoundedRect(double x1, double y1, double x2, double y2, double radius, double width,
                         const rgba8& colour);
  void RenderGradient(const agg::trans_affine& position, double length);
  void BuildGradientTable(const CubicSpline& profile, const rgba8& at_one, const rgba8& at_zero);
  template <class Transform>
  void DrawPathGlyphs(const PathText& record, const Transform& transform);
  // Draws the primary engine's glyph `code` with its pen at (x, y): its coverage rasterised once
  // for the placement's sixteenth of a pixel, the scale and the outline width, then laid at the
  // whole pixel.
  void DrawCachedGlyph(unsigned code, const agg::glyph_cache& glyph, double x, double y, double scale,
                       double contour_width, const rgba8& colour);

  // A rasterised glyph's key: code, scale and outline width as their bits, placement in sixteenths.
  struct GlyphRasterKey {
    unsigned code = 0;
    std::uint64_t scale = 0, contour = 0;
    std::uint8_t sub_x = 0, sub_y = 0;
    bool curves_only = false;
    friend bool operator==(const GlyphRasterKey&, const GlyphRasterKey&) = default;
  };
  struct GlyphRasterHash {
    std::size_t operator()(const GlyphRasterKey& k) const;
  };
  std::unordered_map<GlyphRasterKey, std::vector<agg::int8u>, GlyphRasterHash> glyph_rasters_;
  bool glyph_raster_cache_ = true;
  // Rasterises glyphs for the cache, never clipped by what the drawing rasterizer is limited to.
  agg::rasterizer_scanline_aa<> glyph_rasterizer_;
  agg::scanline_storage_aa8 glyph_storage_;

  // Surface objects: created by Attach, destroyed by Detach.
  std::unique_ptr<FontEngine> engine_;
  std::unique_ptr<FontCache> cache_;
  std::unique_ptr<GlyphCurves> curves_;
  std::unique_ptr<GlyphContour> contour_;
  std::unique_ptr<FontEngine> alt_engine_;
  std::unique_ptr<FontCache> alt_cache_;
  std::array<std::unique_ptr<interactive_polygon>, 4> polygons_;
  std::unique_ptr<PixFmt> pixfmt_;
  std::unique_ptr<RendererBase> base_;
  std::unique_ptr<RendererSolid> solid_;
  std::unique_ptr<RendererSolid> solid2_;

  // Reused by every line and polyline, so stroking allocates only while its storage grows.
  agg::curve3 line_curve_;
  agg::conv_stroke<agg::curve3> line_stroke_{line_curve_};
  agg::path_storage polyline_;
  // The polyline's line profile, rebuilt only when the width changes.
  agg::line_profile_aa polyline_profile_;
  double polyline_width_ = -1.0;

  agg::rendering_buffer buffer_;
  agg::rasterizer_scanline_aa<> rasterizer_;
  agg::scanline_u8 scanline_;
  GradientTable gradient_;

  // A face chosen for an engine and not loaded yet.
  struct ChosenFace {
    std::string typeface;
    int weight = 400;
    double height = 0.0;
    double width = 0.0;
    int precache_count = 0;
  };
  std::optional<ChosenFace> primary_face_;
  std::optional<ChosenFace> alt_face_;

  double engine_width_ = 9.0;
  double engine_height_ = 17.0;
  double alt_engine_width_ = 9.0;
  double alt_engine_height_ = 0.0;
  double right_limit_ = 0.0;
  double bottom_limit_ = 0.0;
  std::uint32_t option_ = 0;
};
