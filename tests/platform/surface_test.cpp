// Surfaces, GDI-style shapes, blits, blending, PNG output and code page 1251 conversion.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
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

TEST(Surface, OwnedStartsZeroAndBorrowedWritesThrough) {
  Surface owned(3, 2);
  EXPECT_TRUE(owned.Owned());
  EXPECT_EQ(owned.Stride(), 12);
  EXPECT_EQ(owned.GetPixel(2, 1), kNone);

  std::vector<std::uint8_t> memory(4 * 20, 7);  // 4 rows of 5 pixels each, stride 20
  Surface borrowed = Surface::Borrow(memory.data(), 4, 4, 20);
  EXPECT_FALSE(borrowed.Owned());
  borrowed.SetPixel(1, 2, {10, 20, 30, 40});
  EXPECT_EQ(memory[2 * 20 + 4 + 0], 30);  // blue first
  EXPECT_EQ(memory[2 * 20 + 4 + 2], 10);
  EXPECT_EQ(memory[2 * 20 + 16], 7);  // the row's padding is not a pixel
  borrowed.Fill(kRed);
  EXPECT_EQ(memory[16], 7);
}

TEST(Surface, ReadsAndWritesOutsideAreHarmless) {
  Surface s(2, 2);
  s.SetPixel(-1, 0, kRed);
  s.SetPixel(2, 0, kRed);
  s.SetPixel(0, 5, kRed);
  EXPECT_EQ(s.GetPixel(-1, 0), kNone);
  EXPECT_EQ(s.GetPixel(0, 2), kNone);
  EXPECT_EQ(s.GetPixel(0, 0), kNone);
}

TEST(Gdi, FillRectExcludesRightAndBottomAndClips) {
  Surface s(6, 4);
  platform::FillRect(s, {-5, -5, 3, 2}, {kRed});
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_EQ(s.GetPixel(x, y), (x < 3 && y < 2) ? kRed : kNone) << x << "," << y;
  }
  platform::FillRect(s, {0, 0, 6, 4}, {kBlue, true});  // a null brush fills nothing
  EXPECT_EQ(s.GetPixel(5, 3), kNone);
}

TEST(Gdi, RectangleFramesWithThePenInside) {
  Surface s(10, 10);
  platform::DrawRectangle(s, {2, 2, 8, 7}, {kRed, 1}, {kBlue});
  EXPECT_EQ(s.GetPixel(2, 2), kRed);
  EXPECT_EQ(s.GetPixel(7, 6), kRed);
  EXPECT_EQ(s.GetPixel(8, 6), kNone);
  EXPECT_EQ(s.GetPixel(7, 7), kNone);
  EXPECT_EQ(s.GetPixel(4, 4), kBlue);
}

TEST(Gdi, EllipseRoundRectAndLineLandWhereAsked) {
  Surface s(40, 40);
  platform::DrawEllipse(s, {0, 0, 40, 40}, {kRed, 2}, {kBlue});
  EXPECT_EQ(s.GetPixel(20, 20), kBlue);
  EXPECT_EQ(s.GetPixel(20, 1), kRed);
  EXPECT_EQ(s.GetPixel(1, 1), kNone);

  Surface r(40, 40);
  platform::DrawRoundRect(r, {0, 0, 40, 40}, 20, 20, {kRed, 1, true}, {kBlue});
  EXPECT_EQ(r.GetPixel(20, 0), kBlue);
  EXPECT_EQ(r.GetPixel(0, 0), kNone);

  Surface l(20, 10);
  platform::DrawLine(l, 2, 5, 15, 5, {kRed, 1});
  EXPECT_EQ(l.GetPixel(8, 5), kRed);
  EXPECT_EQ(l.GetPixel(8, 3), kNone);
}

struct BlitCase {
  int dx, dy, w, h, sx, sy;
  Rect expected_in_dst;  // the pixels that receive the source
};

TEST(Gdi, BlitClipsToBothSurfaces) {
  // The source is 4 x 4 and red; the destination 6 x 6.
  const BlitCase cases[] = {
      {1, 1, 2, 2, 0, 0, {1, 1, 3, 3}},    {-1, -1, 4, 4, 0, 0, {0, 0, 3, 3}},
      {4, 4, 10, 10, 0, 0, {4, 4, 6, 6}},  {0, 0, 10, 10, 2, 2, {0, 0, 2, 2}},
      {2, 0, 3, 3, -1, -2, {3, 2, 5, 3}},  {0, 0, 3, 3, 9, 9, {0, 0, 0, 0}},
  };
  Surface src(4, 4);
  src.Fill(kRed);
  for (const auto& c : cases) {
    Surface dst(6, 6);
    platform::Blit(dst, c.dx, c.dy, c.w, c.h, src, c.sx, c.sy);
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 6; ++x) {
        const bool inside = x >= c.expected_in_dst.left && x < c.expected_in_dst.right &&
                            y >= c.expected_in_dst.top && y < c.expected_in_dst.bottom;
        EXPECT_EQ(dst.GetPixel(x, y), inside ? kRed : kNone) << c.dx << " " << c.sx << " @" << x << "," << y;
      }
    }
  }
}

TEST(Gdi, StretchDoublesEachPixel) {
  Surface src(2, 1);
  src.SetPixel(0, 0, kRed);
  src.SetPixel(1, 0, kBlue);
  Surface dst(4, 2);
  platform::StretchBlit(dst, {0, 0, 4, 2}, src, {0, 0, 2, 1});
  EXPECT_EQ(dst.GetPixel(1, 1), kRed);
  EXPECT_EQ(dst.GetPixel(2, 0), kBlue);
  platform::StretchBlit(dst, {-2, 0, 2, 2}, src, {0, 0, 2, 1});  // partly off the left edge
  EXPECT_EQ(dst.GetPixel(0, 0), kBlue);
}

TEST(Gdi, AlphaBlendMixesByConstantAndPixelAlpha) {
  Surface src(2, 1);
  src.SetPixel(0, 0, {255, 255, 255, 255});
  src.SetPixel(1, 0, {255, 255, 255, 0});
  Surface dst(2, 1);
  dst.Fill({0, 0, 0, 255});
  platform::AlphaBlend(dst, {0, 0, 2, 1}, src, {0, 0, 2, 1}, 128, true);
  EXPECT_EQ(dst.GetPixel(0, 0).r, 128);
  EXPECT_EQ(dst.GetPixel(1, 0).r, 0);
  platform::AlphaBlend(dst, {0, 0, 2, 1}, src, {0, 0, 2, 1}, 255, false);
  EXPECT_EQ(dst.GetPixel(1, 0).r, 255);
}

TEST(Png, WritesARgbaImageThatReadsBack) {
  Surface s(5, 3);
  s.SetPixel(4, 2, {10, 20, 30, 255});
  const std::string path = std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/png_writer_test.png";
  ASSERT_TRUE(platform::WritePng(s, path));
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
  EXPECT_EQ(image.width, 5u);
  EXPECT_EQ(image.height, 3u);
  const std::size_t at = (2 * 5 + 4) * 4;
  EXPECT_EQ(pixels[at], 10);
  EXPECT_EQ(pixels[at + 1], 20);
  EXPECT_EQ(pixels[at + 2], 30);
}

TEST(Png, UnwritablePathFailsAndLeavesNothing) {
  Surface s(2, 2);
  const std::string path = std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/no-such-dir/x.png";
  EXPECT_FALSE(platform::WritePng(s, path));
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
  EXPECT_FALSE(platform::WritePng(Surface(), std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/empty.png"));
}

TEST(Cp1251, EveryByteRoundTripsThroughUtf8) {
  for (int b = 0; b < 256; ++b) {
    if (b == 0x98) continue;  // unassigned in the code page
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(platform::Utf8ToCp1251(platform::Cp1251ToUtf8(one)), one) << b;
  }
}

TEST(Cp1251, KnownLettersAndUnmappableCharacters) {
  EXPECT_EQ(platform::Utf8ToCp1251("Привет"), "\xCF\xF0\xE8\xE2\xE5\xF2");
  EXPECT_EQ(platform::Utf8ToCp1251("Ёё№°"), "\xA8\xB8\xB9\xB0");
  EXPECT_EQ(platform::Cp1251ToUtf8("\xC0\xFF"), "Ая");
  EXPECT_EQ(platform::Utf8ToCp1251("a中b"), "a?b");
  // Malformed: a lone continuation byte, a truncated sequence, an overlong slash.
  EXPECT_EQ(platform::Utf8ToCp1251("\x80x"), "?x");
  EXPECT_EQ(platform::Utf8ToCp1251("x\xD0"), "x?");
  EXPECT_EQ(platform::Utf8ToCp1251("\xC0\xAF"), "??");
}

}  // namespace
