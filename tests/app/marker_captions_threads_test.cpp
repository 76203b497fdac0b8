// Two markers set close together on the review screen: each keeps its value captions whole, none
// lying over another's, every character of their texts written, whatever the sensors and wherever
// on the plot the markers stand.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "review_rig.h"

namespace {

using apptest::Picture;
using apptest::ReviewRig;
using platform::MouseButton;

constexpr std::int32_t kOverview = 75013;

bool Meet(const PixelRect& a, const PixelRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

// Whether a pixel of the picture between columns x0 and x1 of row y is of the colour c.
bool Inked(const Picture& p, int x0, int x1, int y, const Rgba& c) {
  for (int x = x0; x <= x1; ++x) {
    const std::uint8_t* px = p.At(x, y);
    if (std::abs(px[2] - c.R) + std::abs(px[1] - c.G) + std::abs(px[0] - c.B) <= 60) return true;
  }
  return false;
}

// A right click on the plot at column x, on a row where no marker's line or caption lies.
void SetMarker(ReviewRig& rig, int x) {
  const GraphView& view = rig.View();
  int y = view.PlotRect.Bottom - 8;
  for (bool moved = true; moved;) {
    moved = false;
    for (const MarkerRecord& m : view.Markers) {
      if (m.Set == 0) continue;
      for (std::uint8_t c = 0; c < m.ValueCaptionCount; ++c) {
        const PixelRect& r = m.ValueCaptionRects[c];
        if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) {
          y = r.Top - 4;
          moved = true;
        }
      }
    }
  }
  rig.Click(MouseButton::Right, x, y);
}

TEST(MarkerCaptions, TwoMarkersCloseTogetherKeepTheirCaptionsWhole) {
  const struct {
    int width, height;
    bool english;
    const char* units;
    double at;  // the first marker's place, a share of the plot's width
    int apart;  // the second's, in pixels right of the first
  } cases[] = {
      // The pulse, its rate in beats a minute.
      {1366, 768, false, "auto:kind=35:sine=2048,1000,1.2", 0.3, 30},
      // The rotation: three lines a box, revolutions and angular speed.
      {1920, 1080, true, "auto:kind=77:square=0,4095,10", 0.45, 30},
      {1366, 768, false, "auto:kind=77:square=0,4095,10", 0.6, -30},
      // Two kinds, near the plot's left edge and near its right edge.
      {1366, 768, true, "wired:04/1195:sine=2048,1000,1;wired:15/1063:sine=2048,900,0.3", 0.03, 30},
      {1366, 768, false, "wired:04/1195:sine=2048,1000,1;wired:15/1063:sine=2048,900,0.3", 0.95, -30},
      // Four channels on a large screen.
      {1920, 1080, true, "wired:04/1195:sine;wired:04/1195:sine=2048,800,2;wired:15/1063:sine;wired:04/1195:sine=2048,500,3",
       0.5, 30},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.units) + " at " + std::to_string(c.at) + (c.english ? " en" : " ru"));
    ReviewRig rig(c.width, c.height, c.english, c.units);
    rig.EnterWithEveryUnit();
    rig.Record(4.0);
    rig.Press(kOverview);
    const GraphView& view = rig.View();
    const PixelRect& plot = view.PlotRect;
    const int x = plot.Left + static_cast<int>(c.at * plot.Width());
    SetMarker(rig, x);
    SetMarker(rig, x + c.apart);
    ASSERT_TRUE(view.Markers[0].Set != 0 && view.Markers[1].Set != 0);
    const Picture shown = rig.Screen();

    std::vector<const VessamorChannel*> channels;
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      if (view.Channel(k).Shown != 0 && view.Channel(k).Enabled != 0) channels.push_back(&view.Channel(k));
    }
    std::vector<PixelRect> boxes;
    for (std::size_t m = 0; m < 2; ++m) {
      const MarkerRecord& marker = view.Markers[m];
      ASSERT_EQ(marker.ValueCaptionCount, channels.size());
      for (std::size_t b = 0; b < marker.ValueCaptionCount; ++b) {
        SCOPED_TRACE("marker " + std::to_string(m + 1) + ", box " + std::to_string(b + 1) + ": " + marker.ValueCaptions[b]);
        const PixelRect& box = marker.ValueCaptionRects[b];
        EXPECT_TRUE(box.Left >= plot.Left && box.Right <= plot.Right + 1 && box.Top >= plot.Top && box.Bottom <= plot.Bottom);
        // Every character written inside the box.
        EXPECT_LE(marker.ValueTextRight[b], box.Right - 2);
        // Its border shows on both sides, in its channel's colour: nothing lies over it.
        const int middle = (box.Top + box.Bottom) / 2;
        EXPECT_TRUE(Inked(shown, box.Left, box.Left + 3, middle, channels[b]->Colour)) << "left border";
        EXPECT_TRUE(Inked(shown, box.Right - 4, box.Right - 1, middle, channels[b]->Colour)) << "right border";
        for (const PixelRect& other : boxes) EXPECT_FALSE(Meet(box, other)) << "lies over another caption";
        boxes.push_back(box);
      }
    }
  }
}

}  // namespace
