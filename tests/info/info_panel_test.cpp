// The information panel: screens, builders by code, picture fit, text blocks, body bands and the menu row.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "acquisition/sensor_identification.h"
#include "channels/main_window_services.h"
#include "graph/graph_view.h"
#include "info/info_pages.h"
#include "info/info_panel.h"
#include "platform/gdi.h"
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

TEST_F(InfoPanelTest, APictureSeveralKindsShareLeavesItsFootToEachKindsOwnName) {
  std::map<int, std::set<std::uint16_t>> kinds;  // the kinds whose pages show each picture
  for (std::uint16_t code = 0; code < 256; ++code) {
    for (const int element : {IntroPictureElement(code, 3, false), IntroPictureElement(code, 3, true),
                              PreparationPictureElement(code, 3), PreparationPictureElement(code, 0)})
      kinds[PictureElementResource(element)].insert(code);
  }
  for (const auto& [id, codes] : kinds) {
    if (id == 0 || id == 50058) continue;  // no picture, and the pictured computer beside every preparation page
    // The drawing keeps above the foot: there the rows are the plain background, whatever the language.
    for (bool english : {false, true}) {
      const platform::Surface picture = LoadBitmapResource(id, english);
      int drawn = 0;
      for (int y = picture.Height() * kSensorDrawingPercent / 100 + 2; y < picture.Height(); ++y)
        for (int x = 1; x < picture.Width(); ++x) drawn += picture.GetPixel(x, y) != picture.GetPixel(0, y);
      EXPECT_EQ(drawn, 0) << id << (english ? " en" : " ru");
    }
  }
  // Each kind's name is the title of its own information page, in the interface's language.
  for (bool english : {false, true}) {
    bytes.EnglishUi = english ? 1 : 0;
    for (std::uint16_t code : {0, 9, 35, 40, 41, 42, 45, 48, 52, 37, 59, 80, 89}) {
      panel->SensorCode = code;
      BuildInformationPage(*panel, true);
      EXPECT_STREQ(KindTitle(*panel), panel->Heading.Text(1)) << code;
    }
  }
}

TEST_F(InfoPanelTest, EverySensorButtonNamesItsKindAsItsPageTitlesIt) {
  const auto trimmed = [](std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return std::string(text);
  };
  for (const SensorKeyEntry& row : SensorKeyTable()) {
    // Code 0's other sensors show the voltage pages, and the English pages of the pressure sensors share one title.
    const SensorNames& names = SensorNamesOf(row);
    if (row.SensorCode == 0 && names.Line1En != "Sensor voltage 3.3V") continue;
    for (bool english : {false, true}) {
      if (english && row.SensorCode == 87) continue;
      bytes.EnglishUi = english ? 1 : 0;
      panel->SensorCode = row.SensorCode;
      panel->UnitTypeCode = row.DeviceTypeCode;
      const std::string button = trimmed(english ? names.Line1En : names.Line1Ru);
      EXPECT_EQ(std::string(KindTitle(*panel)).rfind(button, 0), 0u) << button << " / " << KindTitle(*panel);
    }
  }
}

TEST(InfoPicture, APairSharesItsRowAtOneHeightNarrowedTogether) {
  struct Case { platform::Size first, second; int room; platform::Size fit_first, fit_second; };
  const Case cases[] = {
      {{680, 254}, {386, 254}, 1200, {680, 254}, {386, 254}},  // room for both at their own sizes
      {{524, 196}, {298, 196}, 650, {414, 154}, {234, 154}},   // too wide together: both narrowed by 650 / 822
      {{680, 254}, {400, 200}, 2000, {534, 200}, {400, 200}},  // the lower one's height
      {{680, 254}, {386, 254}, 0, {0, 0}, {0, 0}},
  };
  for (const Case& c : cases) {
    platform::Size first = c.first, second = c.second;
    FitPicturePair(first, second, c.room);
    EXPECT_EQ(first, c.fit_first) << c.room;
    EXPECT_EQ(second, c.fit_second) << c.room;
    EXPECT_LE(first.cx + second.cx, std::max(c.room, 0));
  }
}

TEST(InfoPicture, CaptionsBreakAtBlanksWithinTheirWidth) {
  const platform::Font font{"Arial", 16, 0, 700};
  const int word = platform::TextExtent("Датчик", font).cx, narrow = platform::TextExtent("напряжения ±10V", font).cx - 1;
  struct Case { const char* text; int width; std::vector<std::string> lines; };
  const Case cases[] = {
      {"Датчик пульса", 1000, {"Датчик пульса"}},
      {"Датчик напряжения ±10V и ±10V", narrow, {"Датчик", "напряжения", "±10V и ±10V"}},
      {"Датчик  пульса ", word, {"Датчик", "пульса"}},  // blanks never make empty lines
      {"Спирометр", 1, {"Спирометр"}},                   // a word wider than the room stays whole
      {"", 100, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(WrapText(c.text, font, c.width), c.lines) << c.text;
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
