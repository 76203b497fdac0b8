// Tests of the marker drawing: lines, badges, value captions and difference rows, probed on a headless surface.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/agg_ren.h"
#include "render/render_probe.h"
#include "review_fixture.h"

namespace {

class MarkerDrawing : public ReviewFixture {
 protected:
  // Two shown channels of ramps; the difference panel at the right of the screen.
  void Prepare(std::uint8_t marker_count, const std::vector<std::uint16_t>& columns) {
    Record(30000);
    view.Channel(1).Enabled = 1;
    view.SetChannelFlags(4, 0);
    for (std::size_t k : {0, 1}) {
      VessamorChannel& channel = view.Channel(k);
      channel.RawToValueFn = &Hundredths;
      channel.Symbol = k == 0 ? "U" : "I";
      channel.Unit = "B";
      channel.AxisLabel = "t";
      channel.TimeUnit = "c";
      channel.Decimals = 2;
      channel.SmoothingOn = 0;
      channel.ConfigureFilter();
      for (std::uint32_t i = 0; i < 30000; ++i) channel.Codes[i] = static_cast<std::int16_t>((k + 1) * (i % 7000));
    }
    view.DifferencePanelRect = PixelRect{1040, 520, 1270, 820};
    view.MarkerCount = marker_count;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      view.PlaceMarker(view.Markers[i], columns[i]);
      view.Markers[i].Set = 1;
    }
    surface.Fill({255, 255, 255, 255});
    ren.Attach(surface);
    view.DrawMarkerCaptions(ren);
  }
  platform::Colour At(double x, double y) const { return surface.GetPixel(static_cast<int>(x), static_cast<int>(y)); }
  // Ink within a rectangle of the surface.
  bool Inked(double left, double top, double right, double bottom) const {
    for (int y = static_cast<int>(top); y < static_cast<int>(bottom); ++y) {
      for (int x = static_cast<int>(left); x < static_cast<int>(right); ++x) {
        if (!(surface.GetPixel(x, y) == platform::Colour{255, 255, 255, 255})) return true;
      }
    }
    return false;
  }
  bool PairRowsDrawn(int pair) const {
    const PixelRect& p = view.DifferencePanelRect;
    const double top = p.Top + p.Height() / 6.0 + pair * p.Height() * 0.4;  // where the pair's rows begin
    return Inked(p.Left + 20, top + 5, p.Right - 20, top + 15);
  }

  platform::Surface surface{1280, 994};
  agg_ren ren;
};

TEST_F(MarkerDrawing, TwoAndFourMarkersWithTheirCaptionsAndDifferences) {
  const struct {
    std::uint8_t count;
    std::vector<std::uint16_t> columns;
    bool second_pair;
  } cases[] = {{2, {200, 600}, false}, {4, {150, 350, 550, 750}, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int{c.count});
    Prepare(c.count, c.columns);
    const double top = view.PlotRect.Top;
    for (std::size_t i = 0; i < c.columns.size(); ++i) {
      const MarkerRecord& m = view.Markers[i];
      const double x = view.PlotRect.Left + m.Column - 1;
      EXPECT_TRUE(probe::Near(At(x, top + 300), {10, 10, 70, 255}, 40)) << i;    // the line
      EXPECT_TRUE(probe::Near(At(x, top - 4), {0, 0, 160, 255}, 40)) << i;       // the top triangle
      ASSERT_EQ(m.ValueCaptionCount, 2) << i;
      for (std::size_t k = 0; k < 2; ++k) {
        const PixelRect& box = m.ValueCaptionRects[k];
        EXPECT_TRUE(Inked(box.Left + 4, box.Top + 4, box.Right - 4, box.Bottom - 4)) << i << k;  // the value text
      }
      // Column c starts at sample 10 (c - 1); channel 1 reads twice channel 0's code.
      const std::uint32_t sample = 10u * (m.Column - 1);
      EXPECT_FLOAT_EQ(m.Values[0], (sample % 7000) * 0.01f) << i;
      EXPECT_FLOAT_EQ(m.Values[1], 2 * (sample % 7000) * 0.01f) << i;
    }
    EXPECT_TRUE(PairRowsDrawn(0));
    EXPECT_EQ(PairRowsDrawn(1), c.second_pair);
  }
  // Four markers of which only the first two are set: one set of rows.
  Prepare(4, {150, 350});
  EXPECT_TRUE(PairRowsDrawn(0));
  EXPECT_FALSE(PairRowsDrawn(1));
  // A marker past the shown columns goes.
  view.LastShownColumn = 300;
  view.PreDrawMarkers(ren);
  EXPECT_EQ(view.CountMarkedPoints(), 1u);
}

}  // namespace
