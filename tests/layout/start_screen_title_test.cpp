// The title band: receding mirror, caption anchor, fonts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "layout/start_screen_title.h"
#include "render/agg_ren.h"

namespace {

std::vector<std::uint8_t> Pixels(const platform::Surface& s) {
  return {s.Pixels(), s.Pixels() + s.Stride() * s.Height()};
}

class TitleDrawing : public ::testing::Test {
 protected:
  TitleDrawing() : surface(560, 140) {
    renderer.Attach(surface);
    title.Setup(1.0f);
  }
  std::vector<std::uint8_t> Frame(std::uint8_t frame, std::uint8_t receding) {
    surface.Fill({255, 255, 255, 255});
    title.Frame = frame;
    title.Receding = receding;
    title.DrawMakerCaption(renderer, false, 1.0f);
    return Pixels(surface);
  }
  platform::Surface surface;
  agg_ren renderer;
  StartScreenTitle title;
};

TEST_F(TitleDrawing, RecedingMirrorsTheSlideIn) {
  for (std::uint8_t f : {0, 4, 9, 15}) EXPECT_EQ(Frame(f, 1), Frame(static_cast<std::uint8_t>(15 - f), 0)) << int{f};
}

TEST_F(TitleDrawing, CaptionFollowsItsAnchorAndStaysInTheBand) {
  // An anchor that does not travel leaves the caption at nothing.
  title.Frame = 15;
  auto& anchor = title.Shapes[StartScreenTitle::kAnchorShape];
  anchor.EndPoints = anchor.BasePoints;
  anchor.PointDelta.assign(anchor.PointCount, {0.0f, 0.0f});
  EXPECT_DOUBLE_EQ(title.CaptionProgress(), 0.0);
  // Nothing is drawn outside the band, whatever the frame.
  title.Setup(1.0f);
  for (std::uint8_t f : {8, 15}) {
    Frame(f, 0);
    int outside = 0;
    for (int y = 0; y < surface.Height(); ++y) {
      for (int x = 0; x < surface.Width(); ++x) {
        outside += !title.TitleArea.Contains({x, y}) && surface.GetPixel(x, y) != platform::Colour{255, 255, 255, 255};
      }
    }
    EXPECT_EQ(outside, 0) << int{f};
  }
}

TEST_F(TitleDrawing, ProductTitleRestoresTheDefaultFont) {
  DrawProductTitle(renderer, title, 1.0f, 1.0f);
  const AggStyle& font = renderer.style;
  EXPECT_EQ(std::tie(font.typeface, font.font_height, font.font_width, font.font_weight),
            std::make_tuple(std::string("Tahoma"), 17.0, 9.0, 400));
  // A face no font file serves falls back to a substitute and still draws.
  surface.Fill({255, 255, 255, 255});
  const auto blank = Pixels(surface);
  SetTextFont(renderer, "No Such Face", 12, 10, 400);
  renderer.DrawTextInBox("Test", 10, 10, 200, 40, 1.0, rgba8(0, 0, 0, 255), nullptr, 0);
  EXPECT_NE(Pixels(surface), blank);
}

TEST_F(TitleDrawing, ProductTitleKeepsAMarginInsideItsBand) {
  // On a black ground the title's white letters stand out from its dark, translucent band.
  surface.Fill({0, 0, 0, 255});
  DrawProductTitle(renderer, title, 1.0f, 1.0f);
  const platform::WindowRect& band = title.PanelArea;
  ASSERT_FALSE(band.IsEmpty());
  int letters = 0, at_edge = 0;
  for (int y = band.top; y < band.bottom; ++y) {
    for (int x = band.left; x < band.right; ++x) {
      const platform::Colour c = surface.GetPixel(x, y);
      if (c.r < 200 || c.g < 200 || c.b < 200) continue;
      ++letters;
      at_edge += y < band.top + 4 || y >= band.bottom - 4 ? 1 : 0;
    }
  }
  EXPECT_GT(letters, 100);
  EXPECT_EQ(at_edge, 0);
}

}  // namespace
