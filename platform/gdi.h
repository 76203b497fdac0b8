// GDI-style drawing on surfaces: pens, brushes, fonts, shapes, text, pixel reads, blits and blending.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/surface.h"

namespace platform {

struct Pen {
  Colour colour;
  int Width = 1;
  bool Null = false;  // draws no outline
};

struct Brush {
  Colour colour;
  bool Null = false;  // fills nothing
};

// A font as Windows asks for one: `Height` is the em height in pixels, `Width` the average
// character width (0: the face's own proportions), `Weight` 100..900 (400 normal, 700 bold).
struct Font {
  std::string Family = "Tahoma";
  int Height = 16;
  int Width = 0;
  int Weight = 400;
  bool Italic = false;
  friend bool operator==(const Font&, const Font&) = default;
};

struct TextMetrics {
  int Ascent = 0;
  int Descent = 0;
  int Height = 0;  // ascent + descent: the cell height of a line
};

// Every operation clips to the surface; rectangles are GDI rectangles (right and bottom excluded).
void FillRect(Surface& s, const Rect& r, const Brush& brush);
// Fills with the brush, then frames with the pen inside the rectangle.
void DrawRectangle(Surface& s, const Rect& r, const Pen& pen, const Brush& brush);
// Corners are quarter ellipses of `corner_width` x `corner_height`, as GDI's RoundRect.
void DrawRoundRect(Surface& s, const Rect& r, int corner_width, int corner_height, const Pen& pen,
                   const Brush& brush);
void DrawEllipse(Surface& s, const Rect& r, const Pen& pen, const Brush& brush);
// A line through the centres of the two end pixels, anti-aliased.
void DrawLine(Surface& s, int x1, int y1, int x2, int y2, const Pen& pen);

// UTF-8 text whose cell's top-left corner is at (x, y); returns the advance in pixels.
int DrawText(Surface& s, int x, int y, std::string_view utf8, const Font& font, Colour colour);
Size TextExtent(std::string_view utf8, const Font& font);
TextMetrics GetTextMetrics(const Font& font);

inline Colour GetPixel(const Surface& s, int x, int y) { return s.GetPixel(x, y); }

// Copies w x h pixels from (sx, sy) of `src` to (dx, dy) of `dst`, clipped to both surfaces.
void Blit(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy);
// Scales `src_rect` of `src` onto `dst_rect` of `dst` (nearest pixel), clipped to both.
void StretchBlit(Surface& dst, const Rect& dst_rect, const Surface& src, const Rect& src_rect);
// Source-over blending of `src_rect` onto `dst_rect` (scaled when sizes differ); every source
// alpha is multiplied by `constant_alpha`, and taken as 255 when `per_pixel_alpha` is false.
void AlphaBlend(Surface& dst, const Rect& dst_rect, const Surface& src, const Rect& src_rect,
                std::uint8_t constant_alpha, bool per_pixel_alpha);

}  // namespace platform
