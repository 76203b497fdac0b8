// Fontconfig look-ups with the Windows face substitution table, and Windows font sizing.
#include "platform/fonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

namespace platform {
namespace {

struct Substitution {
  std::string_view windows;
  std::string_view installed;
  bool condensed_bold;
};

constexpr std::array<Substitution, 6> kSubstitutions = {{
    {"Arial", "Liberation Sans", false},
    {"Times New Roman", "Liberation Serif", false},
    {"Courier New", "Liberation Mono", false},
    {"Tahoma", "DejaVu Sans", false},
    {"Verdana", "DejaVu Sans", false},
    {"Impact", "DejaVu Sans", true},
}};

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

const Substitution* FindSubstitution(std::string_view family) {
  for (const auto& s : kSubstitutions) {
    if (EqualNoCase(s.windows, family)) return &s;
  }
  return nullptr;
}

// Our own fontconfig configuration, released at exit so that nothing stays allocated behind it.
struct ConfigDeleter {
  void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};

FcConfig* Config() {
  static std::unique_ptr<FcConfig, ConfigDeleter> config(FcInitLoadConfigAndFonts());
  return config.get();
}

FontFile QueryFontconfig(std::string_view family, int weight, bool italic) {
  FcConfig* config = Config();
  if (!config) return {};
  const Substitution* sub = FindSubstitution(family);
  const std::string name(sub ? sub->installed : family);
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return {};
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  if (sub && sub->condensed_bold) {
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_BOLD);
    FcPatternAddInteger(pattern, FC_WIDTH, FC_WIDTH_CONDENSED);
  } else {
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(std::clamp(weight, 1, 1000)));
  }
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FontFile file;
  if (match) {
    FcChar8* path = nullptr;
    int index = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path) {
      file.Path = reinterpret_cast<const char*>(path);
      if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) file.Index = index;
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return file;
}

std::mutex& CacheMutex() {
  static std::mutex m;
  return m;
}

double MeasureAverageWidthPerEm(const FontFile& file) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return 0.5;
  double result = 0.5;
  FT_Face face = nullptr;
  if (FT_New_Face(library, file.Path.c_str(), file.Index, &face) == 0) {
    double sum = 0;
    int count = 0;
    for (char32_t c = 'a'; c <= 'z'; ++c) {
      const FT_UInt index = FT_Get_Char_Index(face, c);
      if (index != 0 && FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE) == 0) {
        sum += static_cast<double>(face->glyph->metrics.horiAdvance);
        ++count;
      }
    }
    if (count > 0 && face->units_per_EM > 0) result = sum / count / face->units_per_EM;
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
  return result;
}

}  // namespace

std::string_view SubstituteFamily(std::string_view family) {
  const Substitution* sub = FindSubstitution(family);
  return sub ? sub->installed : family;
}

void PrepareFontLookUps() { Config(); }

FontFile FindFontFile(std::string_view family, int weight, bool italic) {
  static std::map<std::tuple<std::string, int, bool>, FontFile> cache;
  std::lock_guard lock(CacheMutex());
  auto key = std::make_tuple(std::string(family), weight, italic);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  FontFile file = QueryFontconfig(family, weight, italic);
  cache.emplace(std::move(key), file);
  return file;
}

double AverageWidthPerEm(const FontFile& file) {
  static std::map<std::pair<std::string, int>, double> cache;
  std::lock_guard lock(CacheMutex());
  auto key = std::make_pair(file.Path, file.Index);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  const double value = MeasureAverageWidthPerEm(file);
  cache.emplace(std::move(key), value);
  return value;
}

double EmWidthForAverageWidth(const FontFile& file, double em_height, double average_width) {
  if (!(average_width > 0)) return em_height;
  const double per_em = AverageWidthPerEm(file);
  return per_em > 0 ? average_width / per_em : em_height;
}

bool SelectFont(FontEngine& engine, std::string_view family, double height, double width, int weight,
                bool italic, agg::glyph_rendering rendering) {
  const FontFile file = FindFontFile(family, weight, italic);
  if (!file.Found()) return false;
  // 72 dpi makes FreeType's point sizes pixel sizes while keeping their fractions.
  engine.resolution(72);
  if (!engine.load_font(file.Path.c_str(), static_cast<unsigned>(file.Index), rendering)) return false;
  const double em_height = std::max(1.0, height);
  engine.height(em_height);
  engine.width(std::max(1.0, EmWidthForAverageWidth(file, em_height, width)));
  return true;
}

}  // namespace platform
