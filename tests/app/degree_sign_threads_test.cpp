// The degree sign of the value boxes on the assembled window: a lone "°" (the angle kinds' unit in
// English) stands at the top of the digits at a degree sign's size, as the "°" of "°C" stands at the
// top of its "C"; on the preparation page's boxes and on the measurement screen's indicators.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "info/info_panel.h"
#include "review_rig.h"

namespace {

using apptest::Picture;
using platform::WindowRect;

struct Span {
  int top = INT_MAX, bottom = -1;
  int Height() const { return bottom - top + 1; }
  void Add(const Span& s) { top = std::min(top, s.top), bottom = std::max(bottom, s.bottom); }
};

// The rows the glyphs in `r` take, from its left: each a run of columns with ink (a pixel well off
// the boxes' white face, whatever its colour) standing apart from the next.
std::vector<Span> Glyphs(const Picture& p, const WindowRect& r) {
  std::vector<Span> glyphs;
  bool in_glyph = false;
  for (int x = std::max(r.left, 0); x < std::min(r.right, p.Width); ++x) {
    Span column;
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, p.Height); ++y) {
      if (const std::uint8_t* c = p.At(x, y); std::min({c[0], c[1], c[2]}) < 150) column.Add({y, y});
    }
    if (column.bottom >= 0 && !in_glyph) glyphs.emplace_back();
    in_glyph = column.bottom >= 0;
    if (in_glyph) glyphs.back().Add(column);
  }
  return glyphs;
}

// The unit's first glyph is the degree sign; it stands at the top of the letter after it, or of the
// digits where it stands alone, at the size a degree sign has beside them.
void ExpectDegreeAtTheTop(const Picture& p, const WindowRect& digits_area, const WindowRect& unit_area,
                          const std::string& where) {
  SCOPED_TRACE(where);
  Span digits;
  for (const Span& g : Glyphs(p, digits_area)) digits.Add(g);
  const std::vector<Span> unit = Glyphs(p, unit_area);
  ASSERT_TRUE(digits.bottom >= 0 && !unit.empty());
  const Span &ring = unit[0], &beside = unit.size() > 1 ? unit[1] : digits;
  SCOPED_TRACE("ring " + std::to_string(ring.top) + ".." + std::to_string(ring.bottom) + ", beside it " +
               std::to_string(beside.top) + ".." + std::to_string(beside.bottom));
  EXPECT_LE(std::abs(ring.top - beside.top), std::max(2, beside.Height() / 10));
  EXPECT_GE(ring.Height(), beside.Height() / 4);
  EXPECT_LE(ring.Height(), beside.Height() * 3 / 5);
}

TEST(DegreeSign, StandsAtTheTopOfTheDigitsInEveryValueBox) {
  const struct {
    int width, height;
    const char *units, *unit;
  } cases[] = {{1366, 768, "auto:kind=25:const=2600", "°"}, {1920, 1080, "auto:kind=25:const=2600", "°"},
               {1366, 768, "wired:15/1063:const=2000", "°C"}, {1920, 1080, "wired:15/1063:const=2000", "°C"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " " + c.units);
    apptest::ReviewRig rig(c.width, c.height, true, c.units, 0, true);
    rig.IndicatorsOnRigClock();
    InfoPanel& page = *rig.Parts().Panel;
    rig.Press(75163);
    rig.StepUntil([&] { return page.Box1.Shown != 0 && page.Box1.Unit == c.unit && page.Steps.StepPending == 0; });
    for (int n = 0; n < 10; ++n) rig.Step(20);
    const Picture on_page = rig.Screen();
    for (const ValueInputBox* box : {&page.Box1, &page.Box2}) {
      const int top = box->LabelBox.bottom, bottom = box->FieldRect.bottom - 2;
      if (box->Shown != 0)
        ExpectDegreeAtTheTop(on_page, {box->ValueBox.left, top, box->ValueBox.right + 1, bottom},
                             {box->UnitBox.left, top, box->UnitLimit, bottom}, box == &page.Box1 ? "page box 1" : "page box 2");
    }

    rig.EnterMeasureScreen(true);
    rig.Record(0.5);
    const Picture measuring = rig.Screen();
    int boxes = 0;
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      const VessamorChannel& channel = rig.View().Channel(k);
      if (rig.View().IndicatorShown[k] == 0 || channel.IndicatorShownValid == 0) continue;
      ++boxes;
      // Clear of the frame and its rounded corners.
      const PixelRect& r = channel.LabelRect;
      const int inset = (r.Bottom - r.Top) / 4, top = r.Top + 3, bottom = r.Bottom - 3;
      const IndicatorGeometry& g = channel.ValueLineGeometry;
      ExpectDegreeAtTheTop(measuring, {std::max(static_cast<int>(g[0]), r.Left + inset), top, static_cast<int>(g[2]), bottom},
                           {static_cast<int>(g[4]), top, r.Right - inset, bottom}, "indicator " + std::to_string(k));
    }
    EXPECT_GT(boxes, 0);
  }
}

}  // namespace
