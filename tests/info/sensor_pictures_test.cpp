// The information pages' sensor pictures: a kind whose sensor stands apart from its unit shows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "channels/main_window_services.h"
#include "info/info_panel.h"
#include "resources/bitmaps.h"
#include "resources/picture_elements.h"

namespace {

TEST(SensorPictures, EachCodeShowsTheElementOfItsRowWhateverItsUnit) {
  struct Row {
    std::vector<std::uint16_t> codes;
    int element;
  };
  const Row rows[] = {
      {{0, 9, 10, 16, 17, 18, 66, 67, 68, 69, 70, 71, 75}, 6},
      {{1, 2}, 15}, {{3, 72}, 14}, {{4, 54}, 13}, {{5}, 4}, {{6, 19, 29, 30}, 17}, {{7, 8}, 33},
      {{11, 20, 21, 22, 23, 42, 51}, 7}, {{12, 13, 26, 85, 86, 87}, 19}, {{14, 36, 88}, 16}, {{24, 25, 31}, 18},
      {{27}, 23}, {{28, 48}, 32}, {{32, 33, 52, 57, 80, 84}, 22}, {{34, 76}, 20}, {{35}, 21}, {{37}, 24},
      {{38}, 28}, {{39}, 25}, {{40}, 26}, {{41}, 27}, {{43}, 29}, {{44}, 30}, {{45, 46}, 31}, {{53, 59}, 39},
      {{64, 65}, 37}, {{73}, 42}, {{74}, 38}, {{77}, 41}, {{78}, 40}, {{79}, 40}, {{83}, 43},
  };
  // A unit of this type, or any unit of the wireless panel, shows the other element.
  struct Variant {
    std::vector<std::uint16_t> codes;
    std::uint8_t unit_type;
    int element;
  };
  const Variant variants[] = {{{7, 8}, 3, 35}, {{79}, 7, 30}};

  MainWindowBytes bytes;
  std::array<platform::Surface, 50> elements;
  InfoPanel panel(InfoPanel::kSensorInformation,
                  InfoPanelOwner{nullptr, nullptr, 1.0f, 1.0f, 1.0f, {}, [&](int element) { return &elements.at(element); },
                                 false, nullptr, &bytes, {}});
  for (std::uint16_t code = 0; code <= 90; ++code) {
    int element = 12;  // the bare unit
    for (const Row& row : rows)
      if (std::ranges::find(row.codes, code) != row.codes.end()) element = row.element;
    for (const std::uint8_t unit : {0, 3, 7, 11}) {
      for (const bool wireless : {false, true}) {
        int expected = element;
        for (const Variant& v : variants)
          if (std::ranges::find(v.codes, code) != v.codes.end() && (unit == v.unit_type || wireless)) expected = v.element;
        panel.SensorCode = code;
        panel.UnitTypeCode = unit;
        panel.Wireless = wireless ? 1 : 0;
        panel.ChooseIntroPicture();
        EXPECT_EQ(panel.Picture2, &elements.at(expected))
            << "code " << code << " unit " << int{unit} << (wireless ? " wireless" : "") << ": element " << expected;
      }
    }
  }
}

platform::Surface PictureOf(std::uint16_t code, bool wireless) {
  return LoadBitmapResource(PictureElementResource(IntroPictureElement(code, 0, wireless)), false);
}

TEST(SensorPictures, EachKindShowsItsOwnSensorBesideTheUnitInsideThePicture) {
  // Kinds of one form share a drawing; every other pair differs.
  struct Case { std::uint16_t code; bool wireless; char form; };
  const Case cases[] = {
      {34, false, 'c'}, {76, false, 'c'},                                      // cuvette in its holder
      {32, false, 'l'}, {52, false, 'l'}, {57, false, 'l'}, {84, false, 'l'},  // sensing head
      {27, false, 'h'}, {39, false, 'b'}, {64, false, 'u'},                    // humidity probe, cuff, ultrasonic head
      {53, false, 'f'}, {59, false, 'f'}, {83, false, 'f'},                    // load hook
      {44, false, 'm'}, {79, true, 'm'},                                       // microphone
      {78, false, 'M'}, {79, false, 'M'},                                      // microphone unit
      {14, false, 'p'}, {36, false, 'p'}, {88, false, 'p'},                    // field probe
      {38, false, 'e'}, {43, false, 'g'}, {28, false, 't'}, {48, false, 't'},  // electrodes, gate, flow tube
      {73, false, 'w'}, {77, false, 'a'},                                      // wheel, axis and pulley
  };
  // A kind of no row of its own shows the bare unit, each row the plain background right of it. Every
  // sensor picture is as high, so its rows say what each picture's background is.
  const platform::Surface bare = PictureOf(15, false);
  const auto drawn = [&](const platform::Surface& p, int left, int top, int right, int bottom) {
    int count = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) count += p.GetPixel(x, y) != bare.GetPixel(bare.Width() - 1, y);
    return count;
  };
  const auto part = [](const platform::Surface& p) {
    return std::pair{p.Width() * 2 / 5, p.Height() * kSensorDrawingPercent / 100};  // right of the unit, above the foot
  };
  ASSERT_EQ(drawn(bare, part(bare).first, 0, bare.Width(), bare.Height()), 0);

  std::vector<platform::Surface> pictures;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.code) + (c.wireless ? " wireless" : ""));
    const platform::Surface& p = pictures.emplace_back(PictureOf(c.code, c.wireless));
    ASSERT_EQ(p.Height(), bare.Height());
    const auto [left, foot] = part(p);
    EXPECT_GT(drawn(p, left, 0, p.Width(), foot), (p.Width() - left) * foot / 30);
    // Inside its box: the top rows, the right columns and the foot stay the background.
    EXPECT_EQ(drawn(p, 0, 0, p.Width(), 2), 0);
    EXPECT_EQ(drawn(p, p.Width() - 3, 0, p.Width(), p.Height()), 0);
    EXPECT_EQ(drawn(p, 0, foot + 2, p.Width(), p.Height()), 0);
  }
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      const platform::Surface &a = pictures[i], &b = pictures[j];
      bool same = a.Width() == b.Width();
      for (int y = 0; same && y < part(a).second; ++y)
        for (int x = part(a).first; same && x < a.Width(); ++x) same = a.GetPixel(x, y) == b.GetPixel(x, y);
      EXPECT_EQ(same, cases[i].form == cases[j].form) << cases[i].code << " and " << cases[j].code;
    }
  }
}

}  // namespace
