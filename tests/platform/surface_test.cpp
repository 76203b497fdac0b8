// Surfaces, GDI-style shapes, blits, blending, PNG output and code page 1251 conversion.
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <string>

#include "platform/cp1251.h"
#include "platform/gdi.h"
#include "platform/png_writer.h"
#include "platform/surface.h"

namespace {

using platform::Colour;
using platform::Rect;
using platform::Surface;

constexpr Colour kRed{255, 0, 0, 255};
constexpr Colour kBlue{0, 0, 255, 255};
constexpr Colour kNone{0, 0, 0, 0};

TEST(Surface, BorrowedWritesThroughAndOutsideIsHarmless) {
  std::vector<std::uint8_t> memory(4 * 20, 7);  // 4 rows of 4 pixels, stride 20
  Surface borrowed = Surface::Borrow(memory.data(), 4, 4, 20);
  borrowed.SetPixel(1, 2, {10, 20, 30, 40});
  EXPECT_EQ(memory[2 * 20 + 4], 30);  // blue first
  borrowed.Fill(kRed);
  EXPECT_EQ(memory[16], 7);  // the row's padding is not a pixel
  for (auto [x, y] : {std::pair{-1, 0}, {4, 0}, {0, 4}}) {
    borrowed.SetPixel(x, y, kBlue);
    EXPECT_EQ(borrowed.GetPixel(x, y), kNone);
  }
  EXPECT_EQ(memory[16], 7);
}

TEST(Gdi, ShapesLandWhereAsked) {
  Surface s(10, 10);
  platform::FillRect(s, {-5, -5, 3, 2}, {kRed});  // right and bottom excluded, clipped
  EXPECT_EQ(s.GetPixel(2, 1), kRed);
  EXPECT_EQ(s.GetPixel(3, 1), kNone);
  EXPECT_EQ(s.GetPixel(2, 2), kNone);
  platform::FillRect(s, {0, 0, 10, 10}, {kBlue, true});  // a null brush fills nothing
  EXPECT_EQ(s.GetPixel(5, 5), kNone);
  platform::DrawRectangle(s, {2, 2, 8, 7}, {kRed, 1}, {kBlue});  // the pen inside
  EXPECT_EQ(s.GetPixel(7, 6), kRed);
  EXPECT_EQ(s.GetPixel(8, 6), kNone);
  EXPECT_EQ(s.GetPixel(4, 4), kBlue);
}

TEST(Gdi, BlitClipsToBothSurfaces) {
  const struct {
    int dx, dy, w, h, sx, sy;
    Rect expected;  // the destination pixels that receive the 4 x 4 red source
  } cases[] = {
      {1, 1, 2, 2, 0, 0, {1, 1, 3, 3}},   {-1, -1, 4, 4, 0, 0, {0, 0, 3, 3}}, {4, 4, 10, 10, 0, 0, {4, 4, 6, 6}},
      {0, 0, 10, 10, 2, 2, {0, 0, 2, 2}}, {2, 0, 3, 3, -1, -2, {3, 2, 5, 3}}, {0, 0, 3, 3, 9, 9, {0, 0, 0, 0}},
  };
  Surface src(4, 4);
  src.Fill(kRed);
  for (const auto& c : cases) {
    Surface dst(6, 6);
    platform::Blit(dst, c.dx, c.dy, c.w, c.h, src, c.sx, c.sy);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 6; ++x) {
        const bool inside = x >= c.expected.left && x < c.expected.right && y >= c.expected.top && y < c.expected.bottom;
        ASSERT_EQ(dst.GetPixel(x, y), inside ? kRed : kNone) << c.dx << " " << c.sx << " @" << x << "," << y;
      }
  }
}

TEST(Gdi, StretchAndAlphaBlend) {
  Surface src(2, 1);
  src.SetPixel(0, 0, {255, 255, 255, 255});
  src.SetPixel(1, 0, {255, 255, 255, 0});
  Surface dst(4, 2);
  dst.Fill({0, 0, 0, 255});
  platform::AlphaBlend(dst, {0, 0, 2, 1}, src, {0, 0, 2, 1}, 128, true);
  EXPECT_EQ(dst.GetPixel(0, 0).r, 128);  // constant alpha
  EXPECT_EQ(dst.GetPixel(1, 0).r, 0);    // pixel alpha
  src.SetPixel(1, 0, kBlue);
  platform::StretchBlit(dst, {0, 0, 4, 2}, src, {0, 0, 2, 1});
  EXPECT_EQ(dst.GetPixel(1, 1).r, 255);
  EXPECT_EQ(dst.GetPixel(2, 0), kBlue);
  platform::StretchBlit(dst, {-2, 0, 2, 2}, src, {0, 0, 2, 1});  // partly off the left edge
  EXPECT_EQ(dst.GetPixel(0, 0), kBlue);
}

// Every stretched pixel is the source pixel nearest its place, whether its row is drawn or taken
// from the row above, and pixels mapped off the source keep what they had.
TEST(Gdi, StretchTakesTheNearestSourcePixelEverywhere) {
  Surface src(7, 5);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) src.SetPixel(x, y, {static_cast<std::uint8_t>(x * 30), static_cast<std::uint8_t>(y * 50), 7, 255});
  }
  const std::pair<platform::Rect, platform::Rect> cases[] = {
      {{0, 0, 23, 17}, {0, 0, 7, 5}},    // enlarged, rows repeated
      {{2, 3, 5, 4}, {0, 0, 7, 5}},      // reduced
      {{-4, -3, 20, 30}, {1, 1, 6, 4}},  // off the destination's edges
      {{0, 0, 23, 17}, {-2, 3, 9, 8}},   // part of the source rectangle off the source
  };
  for (const auto& [to, from] : cases) {
    Surface dst(23, 17);
    dst.Fill(kBlue);
    platform::StretchBlit(dst, to, src, from);
    for (int y = 0; y < dst.Height(); ++y) {
      for (int x = 0; x < dst.Width(); ++x) {
        const long long sx = from.left + static_cast<long long>(x - to.left) * from.Width() / to.Width();
        const long long sy = from.top + static_cast<long long>(y - to.top) * from.Height() / to.Height();
        const bool mapped = x >= to.left && x < to.right && y >= to.top && y < to.bottom && sx >= 0 && sx < 7 &&
                            sy >= 0 && sy < 5;
        const platform::Colour want = mapped ? src.GetPixel(static_cast<int>(sx), static_cast<int>(sy)) : kBlue;
        ASSERT_EQ(dst.GetPixel(x, y), want) << to.left << "," << to.top << " at " << x << "," << y;
      }
    }
  }
}

TEST(Png, WritesAnImageThatReadsBackAndFailsCleanly) {
  Surface s(5, 3);
  s.SetPixel(4, 2, {10, 20, 30, 255});
  const std::string dir = VESSAMOR_TEST_OUTPUT_DIR;
  ASSERT_TRUE(platform::WritePng(s, dir + "/png_writer_test.png"));
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, (dir + "/png_writer_test.png").c_str()));
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
  EXPECT_EQ(image.width, 5u);
  EXPECT_EQ(std::vector<std::uint8_t>(pixels.end() - 4, pixels.end() - 1), (std::vector<std::uint8_t>{10, 20, 30}));

  EXPECT_FALSE(platform::WritePng(s, dir + "/no-such-dir/x.png"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/no-such-dir/x.png.tmp"));
  EXPECT_FALSE(platform::WritePng(Surface(), dir + "/empty.png"));
}

TEST(Cp1251, EveryByteRoundTripsAndBadInputBecomesQuestionMarks) {
  for (int b = 0; b < 256; ++b) {
    if (b == 0x98) continue;  // unassigned in the code page
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(platform::Utf8ToCp1251(platform::Cp1251ToUtf8(one)), one) << b;
  }
  const std::pair<const char*, const char*> cases[] = {
      {"Привет", "\xCF\xF0\xE8\xE2\xE5\xF2"}, {"Ёё№°", "\xA8\xB8\xB9\xB0"}, {"a中b", "a?b"},
      {"\x80x", "?x"}, {"x\xD0", "x?"}, {"\xC0\xAF", "??"}};  // a lone continuation, truncated, overlong
  for (const auto& [utf8, cp1251] : cases) EXPECT_EQ(platform::Utf8ToCp1251(utf8), cp1251) << utf8;
}

TEST(Surface, SingleColourIsAScreenWithNothingOnIt) {
  platform::Surface empty;
  EXPECT_TRUE(platform::IsSingleColour(empty));
  platform::Surface black(8, 4);
  EXPECT_TRUE(platform::IsSingleColour(black));
  black.SetPixel(0, 0, {0, 0, 0, 0});  // alpha aside
  EXPECT_TRUE(platform::IsSingleColour(black));
  black.SetPixel(7, 3, {1, 0, 0, 255});
  EXPECT_FALSE(platform::IsSingleColour(black));
}

}  // namespace
