// The information pages' sensor pictures: a kind whose sensor stands apart from its unit shows it.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "info/info_panel.h"
#include "resources/bitmaps.h"
#include "resources/picture_elements.h"

namespace {

platform::Surface PictureOf(std::uint16_t code, bool wireless) {
  return LoadBitmapResource(PictureElementResource(IntroPictureElement(code, 0, wireless)), false);
}

TEST(SensorPictures, EachKindShowsItsOwnSensorBesideTheUnitInsideThePicture) {
  // Kinds of one form share a drawing; every other pair differs.
  struct Case { std::uint16_t code; bool wireless; char form; };
  const Case cases[] = {
      {34, false, 'c'}, {76, false, 'c'},                    // cuvette in its holder
      {32, false, 'l'}, {52, false, 'i'}, {57, false, 'i'},  // light probe, infrared head
      {27, false, 'h'}, {39, false, 'b'}, {64, false, 'u'},  // humidity probe, cuff, ultrasonic head
      {53, false, 'f'}, {59, false, 'f'}, {83, false, 'f'},  // load hook
      {44, false, 'm'}, {79, false, 'm'}, {79, true, 'm'},   // one microphone
      {78, false, '2'},                                      // two microphones
  };
  // The barometer's sensor is inside its unit: its picture is the bare unit, each row the plain background
  // right of it. Every sensor picture is as high, so its rows say what each picture's background is.
  const platform::Surface bare = PictureOf(84, false);
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
