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
using apptest::ReviewRig;
using platform::WindowRect;

struct Ink {
  int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
  bool Empty() const { return right < left; }
  int Height() const { return bottom - top + 1; }
  void Add(int x, int y) {
    left = std::min(left, x), right = std::max(right, x);
    top = std::min(top, y), bottom = std::max(bottom, y);
  }
};

// A pixel well off the boxes' white face: a glyph's ink, whatever its colour.
bool IsInk(const Picture& p, int x, int y) {
  const std::uint8_t* c = p.At(x, y);
  return std::min({c[0], c[1], c[2]}) < 150;
}

// The glyphs in `r` from its left, each a run of columns with ink standing apart from the next.
std::vector<Ink> Glyphs(const Picture& p, const WindowRect& r) {
  std::vector<Ink> glyphs;
  bool in_glyph = false;
  for (int x = std::max(r.left, 0); x < std::min(r.right, p.Width); ++x) {
    Ink column;
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, p.Height); ++y) {
      if (IsInk(p, x, y)) column.Add(x, y);
    }
    if (column.Empty()) {
      in_glyph = false;
      continue;
    }
    if (!in_glyph) glyphs.emplace_back();
    in_glyph = true;
    glyphs.back().Add(x, column.top);
    glyphs.back().Add(x, column.bottom);
  }
  return glyphs;
}

// The unit's first glyph is the degree sign; it stands at the top of the letter after it, or of the
// digits where it stands alone, at the size a degree sign has beside them.
void ExpectDegreeAtTheTop(const Picture& p, const WindowRect& digits_area, const WindowRect& unit_area, const char* where) {
  SCOPED_TRACE(where);
  Ink digits;
  for (const Ink& g : Glyphs(p, digits_area)) digits.Add(g.left, g.top), digits.Add(g.right, g.bottom);
  const std::vector<Ink> unit = Glyphs(p, unit_area);
  ASSERT_FALSE(digits.Empty());
  ASSERT_FALSE(unit.empty());
  const Ink& ring = unit.front();
  const Ink& beside = unit.size() > 1 ? unit[1] : digits;
  EXPECT_LE(std::abs(ring.top - beside.top), std::max(2, beside.Height() / 10))
      << "ring " << ring.top << ".." << ring.bottom << ", beside it " << beside.top << ".." << beside.bottom;
  EXPECT_GE(ring.Height(), beside.Height() / 4) << ring.Height() << " of " << beside.Height();
  EXPECT_LE(ring.Height(), beside.Height() * 3 / 5) << ring.Height() << " of " << beside.Height();
}

TEST(DegreeSign, StandsAtTheTopOfTheDigitsInEveryValueBox) {
  const struct {
    int width, height;
    const char* units;
    const char* unit;
  } cases[] = {{1366, 768, "auto:kind=25:const=2600", "°"},
               {1920, 1080, "auto:kind=25:const=2600", "°"},
               {1366, 768, "wired:15/1063:const=2000", "°C"},
               {1920, 1080, "wired:15/1063:const=2000", "°C"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " " + c.units);
    ReviewRig rig(c.width, c.height, true, c.units, 0, true);
    rig.IndicatorsOnRigClock();
    InfoPanel& page = *rig.Parts().Panel;
    rig.Press(75163);
    rig.StepUntil([&] { return page.Box1.Shown != 0 && page.Box1.Unit == c.unit && page.Steps.StepPending == 0; });
    for (int n = 0; n < 10; ++n) rig.Step(20);
    const Picture on_page = rig.Screen();
    for (const ValueInputBox* box : {&page.Box1, &page.Box2}) {
      if (box->Shown == 0) continue;
      const int top = box->LabelBox.bottom, bottom = box->FieldRect.bottom - 2;
      ExpectDegreeAtTheTop(on_page, {box->ValueBox.left, top, box->ValueBox.right + 1, bottom},
                           {box->UnitBox.left, top, box->UnitLimit, bottom}, box == &page.Box1 ? "page box 1" : "page box 2");
    }

    rig.EnterMeasureScreen(true);
    rig.Record(0.5);
    const Picture measuring = rig.Screen();
    GraphView& view = rig.View();
    int boxes = 0;
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      const VessamorChannel& channel = view.Channel(k);
      if (view.IndicatorShown[k] == 0 || channel.IndicatorShownValid == 0) continue;
      ++boxes;
      // Clear of the frame and its rounded corners.
      const PixelRect& r = channel.LabelRect;
      const int inset = (r.Bottom - r.Top) / 4;
      const IndicatorGeometry& g = channel.ValueLineGeometry;
      const int top = r.Top + 3, bottom = r.Bottom - 3;
      ExpectDegreeAtTheTop(measuring, {std::max(static_cast<int>(g[0]), r.Left + inset), top, static_cast<int>(g[2]), bottom},
                           {static_cast<int>(g[4]), top, r.Right - inset, bottom}, ("indicator " + std::to_string(k)).c_str());
    }
    EXPECT_GT(boxes, 0);
  }
}

}  // namespace
