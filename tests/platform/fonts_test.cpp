// Text sizes and ink with Windows semantics.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/fonts.h"
#include "platform/gdi.h"

namespace {

TEST(Fonts, MeanAdvanceOfTheAlphabetMatchesTheRequestedWidth) {
  for (const char* family : {"Tahoma", "Arial", "Times New Roman", "Courier New"}) {
    for (int width : {5, 8, 12}) {
      const double mean = platform::TextExtent("abcdefghijklmnopqrstuvwxyz", {family, 17, width, 400, false}).cx / 26.0;
      EXPECT_NEAR(mean, width, width * 0.15) << family << " " << width;
    }
  }
}

// Rows [top, bottom] holding ink of the text drawn at (2, y), or {-1, -1}.
std::pair<int, int> InkRows(const char* text, const platform::Font& font, int y = 2) {
  platform::Surface s(300, 200);
  s.Fill({255, 255, 255, 255});
  platform::DrawText(s, 2, y, text, font, {0, 0, 0, 255});
  std::pair<int, int> rows{-1, -1};
  for (int row = 0; row < s.Height(); ++row)
    for (int x = 0; x < s.Width(); ++x)
      if (s.GetPixel(x, row).r < 200) {
        if (rows.first < 0) rows.first = row;
        rows.second = row;
      }
  return rows;
}

TEST(Fonts, InkOfCyrillicAndOfADoubledHeight) {
  platform::Surface s(200, 40);
  EXPECT_GT(platform::DrawText(s, 2, 2, "Привет, мир", {"Arial", 18}, {0, 0, 0, 255}), 60);
  EXPECT_GE(InkRows("Привет", {"Arial", 18}).first, 0);
  const auto single = InkRows("Hxg", {"Tahoma", 20}), doubled = InkRows("Hxg", {"Tahoma", 40});
  ASSERT_GE(single.first, 0);
  EXPECT_NEAR(double(doubled.second - doubled.first + 1) / (single.second - single.first + 1), 2.0, 0.2);
}

TEST(Fonts, TextTopSitsAtTheRequestedYAndExtentHasTheCellHeight) {
  const platform::Font font{"Arial", 20};
  const platform::TextMetrics m = platform::GetTextMetrics(font);
  EXPECT_EQ(platform::TextExtent("Hello", font).cy, m.Height);
  EXPECT_EQ(platform::TextExtent("", font), (platform::Size{0, m.Height}));
  EXPECT_GE(InkRows("H", font, 10).first, 10);
}

TEST(Fonts, AHundredFontsInTurnLeaveEachFontDrawingAsBefore) {
  platform::Surface s(120, 60);
  const auto picture = [&](const platform::Font& font) {
    s.Fill({255, 255, 255, 255});
    platform::DrawText(s, 2, 2, "Ag", font, {0, 0, 0, 255});
    return std::vector<std::uint8_t>(s.Pixels(), s.Pixels() + s.Stride() * s.Height());
  };
  // More faces and fonts than the text engine keeps at a time.
  const char* families[] = {"Arial", "Times New Roman", "Courier New", "Tahoma", "DejaVu Sans Mono", "DejaVu Serif",
                            "Liberation Sans Narrow", "DejaVu Sans Condensed", "DejaVu Serif Condensed", "DejaVu Sans Light"};
  const auto before = picture({"Arial", 8});
  for (int i = 0; i < 100; ++i) picture({families[i % 10], 8 + i / 10, 0, (i / 10) % 2 ? 700 : 400, (i / 20) % 2 == 1});
  EXPECT_EQ(picture({"Arial", 8}), before);
}

}  // namespace
