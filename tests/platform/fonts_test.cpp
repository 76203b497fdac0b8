// Font files through the substitution table, and text sizes with Windows semantics.
#include <gtest/gtest.h>

#include <string>

#include "platform/fonts.h"
#include "platform/gdi.h"

namespace {

struct FaceCase {
  const char* family;
  int weight;
  const char* file_part;
};

TEST(Fonts, WindowsFacesMapToInstalledOnes) {
  const FaceCase cases[] = {
      {"Arial", 400, "LiberationSans-Regular"},     {"Arial", 700, "LiberationSans-Bold"},
      {"Times New Roman", 400, "LiberationSerif"},  {"Courier New", 400, "LiberationMono"},
      {"Tahoma", 400, "DejaVuSans.ttf"},            {"Verdana", 400, "DejaVuSans.ttf"},
      {"Impact", 400, "DejaVuSansCondensed-Bold"},
  };
  for (const auto& c : cases) {
    const platform::FontFile file = platform::FindFontFile(c.family, c.weight, false);
    EXPECT_NE(file.Path.find(c.file_part), std::string::npos) << c.family << " -> " << file.Path;
  }
  EXPECT_EQ(platform::SubstituteFamily("tahoma"), "DejaVu Sans");
  EXPECT_EQ(platform::SubstituteFamily("Liberation Sans"), "Liberation Sans");
}

TEST(Fonts, MeanAdvanceOfTheAlphabetMatchesTheRequestedWidth) {
  for (const char* family : {"Tahoma", "Arial", "Times New Roman", "Courier New"}) {
    for (int width : {5, 8, 12}) {
      const platform::Font font{family, 17, width, 400, false};
      const double mean = platform::TextExtent("abcdefghijklmnopqrstuvwxyz", font).cx / 26.0;
      EXPECT_NEAR(mean, width, width * 0.15) << family << " " << width;
    }
  }
}

TEST(Fonts, CyrillicTextLeavesInk) {
  platform::Surface s(200, 40);
  s.Fill({255, 255, 255, 255});
  const int advance = platform::DrawText(s, 2, 2, "Привет, мир", {"Arial", 18}, {0, 0, 0, 255});
  EXPECT_GT(advance, 60);
  int dark = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x) dark += s.GetPixel(x, y).r < 128;
  EXPECT_GT(dark, 100);
}

int InkHeight(int em_height) {
  platform::Surface s(300, 200);
  s.Fill({255, 255, 255, 255});
  platform::DrawText(s, 2, 2, "Hxg", {"Tahoma", em_height}, {0, 0, 0, 255});
  int top = -1, bottom = -1;
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) {
      if (s.GetPixel(x, y).r < 200) {
        if (top < 0) top = y;
        bottom = y;
      }
    }
  }
  return top < 0 ? 0 : bottom - top + 1;
}

TEST(Fonts, DoubledHeightAboutDoublesTheInk) {
  const int single = InkHeight(20);
  const int doubled = InkHeight(40);
  ASSERT_GT(single, 0);
  EXPECT_NEAR(static_cast<double>(doubled) / single, 2.0, 0.2);
}

TEST(Fonts, TextTopSitsAtTheRequestedYAndExtentHasTheCellHeight) {
  const platform::Font font{"Arial", 20};
  const platform::TextMetrics m = platform::GetTextMetrics(font);
  EXPECT_GT(m.Ascent, 14);
  EXPECT_GT(m.Descent, 2);
  EXPECT_EQ(platform::TextExtent("Hello", font).cy, m.Height);
  EXPECT_EQ(platform::TextExtent("", font), (platform::Size{0, m.Height}));
  platform::Surface s(100, 60);
  s.Fill({255, 255, 255, 255});
  platform::DrawText(s, 0, 10, "H", font, {0, 0, 0, 255});
  for (int x = 0; x < 100; ++x) EXPECT_EQ(s.GetPixel(x, 9).r, 255) << x;
}

}  // namespace
