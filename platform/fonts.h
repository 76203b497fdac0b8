// Font files found through fontconfig, and font sizes with Windows semantics on AGG's FreeType engine.
#pragma once

#include <agg_font_freetype.h>

#include <string>
#include <string_view>

namespace platform {

struct FontFile {
  std::string Path;
  int Index = 0;
  bool Found() const { return !Path.empty(); }
};

// The installed family that stands in for a Windows face ("Arial" -> "Liberation Sans"), or the
// name itself when the table has no entry.
std::string_view SubstituteFamily(std::string_view family);

// The file of the best installed match for a Windows face name, weight (100..900) and slant.
// Results are cached; safe from any thread.
FontFile FindFontFile(std::string_view family, int weight, bool italic);
// Reads fontconfig's configuration and caches, which the first look-up would otherwise wait for
// (milliseconds): any thread may call it, once or more, ahead of the first text.
void PrepareFontLookUps();

// Mean advance of "a".."z" divided by the em size: the font's average character width per em.
double AverageWidthPerEm(const FontFile& file);

// The em width to ask FreeType for so that the average character width comes out as
// `average_width`; 0 or less keeps the font's own proportions (width = height).
double EmWidthForAverageWidth(const FontFile& file, double em_height, double average_width);

using FontEngine = agg::font_engine_freetype_int32;
using FontCache = agg::font_cache_manager<FontEngine>;

// Loads the face for family/weight/italic into `engine` as outlines and sizes it the Windows way:
// `height` is the em height and `width` the average character width (0: natural width).
// Returns false when no font file could be loaded; the engine then yields no glyphs.
bool SelectFont(FontEngine& engine, std::string_view family, double height, double width, int weight,
                bool italic, agg::glyph_rendering rendering = agg::glyph_ren_outline);

}  // namespace platform
