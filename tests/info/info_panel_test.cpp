// The information panel: screens, builders by code, picture fit, text blocks, body bands and the menu row.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "channels/main_window_services.h"
#include "graph/graph_view.h"
#include "info/info_pages.h"
#include "info/info_panel.h"
#include "render/agg_ren.h"
#include "resources/bitmaps.h"
#include "resources/picture_elements.h"

namespace {

class InfoPanelTest : public ::testing::Test {
 protected:
  InfoPanelTest() : buffer(1000, 700), computer(LoadBitmapResource(50058, false)) {
    renderer.Attach(buffer);
    const auto picture = [this](int element) { return element == kComputerElement ? &computer : nullptr; };
    panel = std::make_unique<InfoPanel>(
        InfoPanel::kStartPage, InfoPanelOwner{&buffer, &renderer, 1.0f, 1.0f, 1.0f, {100, 50, 900, 650}, picture, false, nullptr, &bytes, {}});
  }
  std::vector<std::uint8_t> Pixels() const { return {buffer.Pixels(), buffer.Pixels() + buffer.Stride() * buffer.Height()}; }
  // A body of `count` lines, each recording its rectangle.
  void Body(std::int32_t count) {
    panel->Body.Clear(true);
    for (std::int32_t i = 0; i < count; ++i) panel->Body.SetLine(i, "line", 1.0);
    std::fill_n(panel->Body.Clickable.begin(), count, 1);
  }

  platform::Surface buffer;
  platform::Surface computer;
  agg_ren renderer;
  MainWindowBytes bytes;
  std::unique_ptr<InfoPanel> panel;
};

TEST_F(InfoPanelTest, OnlyTheFourScreensBuild) {
  for (std::uint8_t screen : {3, 10, 12, 255, 0, 1, 2, 11}) {
    const bool known = screen <= 2 || screen == 11;
    panel->SetScreen(screen);
    panel->PrepareScreenPaint();
    const auto before = Pixels();
    EXPECT_EQ(panel->RebuildScreen(), known) << int{screen};
    EXPECT_EQ(Pixels() == before, !known) << int{screen};
  }
}

TEST(InfoPages, CodesChooseTheirGroupsAndTheRestTheVoltagePages) {
  struct Case { std::uint16_t code, information, preparation; };
  const Case cases[] = {{28, 28, 0}, {0, 0, 0}, {255, 0, 0}, {19, 0, 0}, {72, 3, 3}, {65, 64, 64}, {1, 1, 1}};
  for (const Case& c : cases) {
    EXPECT_EQ(PageGroupOf(c.code, false), c.information) << c.code;
    EXPECT_EQ(PageGroupOf(c.code, true), c.preparation) << c.code;
  }
}

TEST(InfoPicture, APictureSeveralKindsShareNamesNoRangeAndSpeaksTheInterfacesLanguage) {
  std::map<int, std::set<std::uint16_t>> kinds;  // the kinds whose pages show each picture
  for (std::uint16_t code = 0; code < 256; ++code) {
    for (const int element : {IntroPictureElement(code, 3, false), IntroPictureElement(code, 3, true),
                              PreparationPictureElement(code, 3), PreparationPictureElement(code, 0)})
      kinds[PictureElementResource(element)].insert(code);
  }
  for (const auto& [id, codes] : kinds) {
    const std::string ru(PictureName(id, false)), en(PictureName(id, true));
    EXPECT_TRUE(codes.size() == 1 || ru.find_first_of("0123456789") == std::string::npos) << ru;
    EXPECT_EQ(en.find_first_of("\xD0\xD1"), std::string::npos) << en;  // no Cyrillic
    if (ru.empty()) continue;  // the computer and the start pictures carry no words
    // The words drawn are the interface's: the two languages' pictures differ below the drawing.
    const platform::Surface ru_picture = LoadBitmapResource(id, false), en_picture = LoadBitmapResource(id, true);
    int differing = 0;
    for (int y = ru_picture.Height() * 3 / 4; y < ru_picture.Height(); ++y)
      for (int x = 0; x < ru_picture.Width(); ++x) differing += ru_picture.GetPixel(x, y) != en_picture.GetPixel(x, y);
    EXPECT_GT(differing, 100) << id;
  }
}

TEST(InfoPicture, FitKeepsTheAspectInEvenSizes) {
  struct Case { int width, height, content; float sx, sy; platform::Size fit; };
  const Case cases[] = {
      {640, 240, 1200, 1.0f, 1.0f, {680, 254}},  // (240 + 15) x 2.667, rounded down to even sizes
      {640, 240, 300, 1.0f, 1.0f, {280, 104}},   // wider than the panel: the panel's width
      {365, 240, 900, 1.5f, 1.2f, {464, 306}},
  };
  for (const Case& c : cases) {
    const auto fit = FitPanelPicture(c.width, c.height, c.content, c.sx, c.sy);
    ASSERT_TRUE(fit.has_value());
    EXPECT_EQ(*fit, c.fit) << c.width << "x" << c.height << " in " << c.content;
  }
}

TEST_F(InfoPanelTest, ZeroSizedPictureIsPassedOver) {
  const platform::Surface empty;
  panel->Picture1 = &empty;
  panel->LayoutTextBlocks();
  const std::int32_t top = panel->WorkRect.top;
  panel->PaintScreenPictures();
  EXPECT_EQ(panel->WorkRect.top, top);
  // A panel reaching past the buffer's edge draws only what lies on it.
  panel->Owner.Content = {700, 500, 1400, 900};
  panel->Picture1 = &computer;
  panel->LayoutTextBlocks();
  panel->PaintScreenPictures();
  EXPECT_GT(panel->PictureRect.bottom, buffer.Height());
}

TEST_F(InfoPanelTest, TextBlocksKeepWithinTheirLines) {
  TextBlock block;
  block.SetLine(0, "a", 1.2);
  block.SetLine(TextBlock::kMaxLines, "beyond", 1.0);
  EXPECT_EQ(block.Count(), 1);
  // A block that claims more lines than it has, with a null among them, still paints.
  Body(3);
  panel->Body.Lines[1] = nullptr;
  panel->Body.LineCount = 400;
  panel->LayoutTextBlocks();
  panel->Compose();
  EXPECT_GT(panel->Body.LineRects[1].Height(), 0);
}

TEST_F(InfoPanelTest, ColumnEndOnTheFirstLineGivesOnlyAMenuRow) {
  Body(3);
  panel->Body.ColumnEnd[0] = 1;
  panel->Body.StyleFlags[0] = 1;
  panel->LayoutTextBlocks();
  panel->Compose();
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(panel->Body.LineRects[static_cast<std::size_t>(i)].IsEmpty());
    EXPECT_FALSE(panel->MenuRowRects[static_cast<std::size_t>(i)].IsEmpty());
  }
  // Equal columns across the body.
  EXPECT_NEAR(panel->MenuRowRects[0].Width(), panel->MenuRowRects[2].Width(), 1);
}

TEST_F(InfoPanelTest, AListInUnderlineStyleOneAfterTheMenuRowRepeatsNoUnderline) {
  Body(3);
  panel->Body.ColumnEnd[0] = 1;
  panel->LayoutTextBlocks();
  panel->Compose();
  const platform::WindowRect row = panel->MenuRowRects[2];
  Body(1);
  panel->Body.StyleFlags[1] = 1;
  panel->LayoutTextBlocks();
  panel->Compose();
  int dark = 0;
  for (int y = row.top; y < row.bottom; ++y) {
    for (int x = row.left; x < row.right; ++x) dark += buffer.GetPixel(x, y).r < 128 ? 1 : 0;
  }
  EXPECT_EQ(dark, 0);
}

TEST_F(InfoPanelTest, ThreeStepLinesShareOneBandAndTheFirstLineHasNone) {
  Body(6);
  for (std::size_t i : {0u, 2u, 3u, 4u}) panel->Body.StepStyle[i] = 1;
  panel->LayoutTextBlocks();
  panel->Compose();
  const auto& rects = panel->Body.LineRects;
  const int x = panel->WorkRect.right - 3;
  const auto white = [&](const platform::WindowRect& r) {
    return buffer.GetPixel(x, (r.top + r.bottom) / 2) == platform::Colour{255, 255, 255, 255};
  };
  EXPECT_FALSE(white(rects[0]));
  EXPECT_FALSE(white(rects[1]));
  for (std::size_t i : {2u, 3u, 4u}) EXPECT_TRUE(white(rects[i])) << i;
  EXPECT_FALSE(white(rects[5]));
}

TEST_F(InfoPanelTest, APagePaintsEveryRowOfItsColumnBelowTheHeading) {
  // Whatever an earlier page left in the buffer is covered: between picture and body not a row of it stays.
  std::map<int, platform::Surface> pictures;
  panel->Owner.Picture = [&](int element) -> const platform::Surface* {
    const int id = PictureElementResource(element);
    if (id == 0) return nullptr;
    auto [at, fresh] = pictures.try_emplace(element);
    if (fresh) at->second = LoadBitmapResource(id, false);
    return &at->second;
  };
  constexpr platform::Colour kStale{255, 0, 255, 255};
  for (const auto& [screen, code] : std::vector<std::pair<std::uint8_t, std::uint16_t>>{{0, 0}, {1, 7}, {1, 12}, {11, 9}}) {
    buffer.Fill(kStale);
    panel->SensorCode = code;
    panel->SetScreen(screen);
    panel->PrepareScreenPaint();
    ASSERT_TRUE(panel->RebuildScreen());
    const platform::WindowRect& c = panel->Owner.Content;
    int stale = 0;
    for (int y = c.top + 120; y < c.bottom - 20; ++y) stale += buffer.GetPixel((c.left + c.right) / 2, y) == kStale ? 1 : 0;
    EXPECT_EQ(stale, 0) << "screen " << int{screen} << " code " << code;
  }
}

}  // namespace
