// "Overview" on a zeroed channel: whichever filters draw the curve (averaging on or off, the median,
// the mains notch) and whichever way the zero shifts it, the curve fills the plot with a margin
// above and below and no stretch of it lies flat on the plot's edge.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <string>

#include "controls/aimage_button.h"
#include "review_rig.h"

namespace {

using apptest::Picture;
using apptest::ReviewRig;

constexpr std::int32_t kFit = 75013;

// The rows of the plot the channel's colour reaches (left of the value indicators, which ride at
// the curve's right end), from the plot's top.
struct Inked {
  int Top = -1, Bottom = -1;
};

Inked InkedRows(const Picture& p, const PixelRect& plot, const Rgba& c) {
  Inked rows;
  for (int y = plot.Top; y < plot.Bottom; ++y) {
    bool inked = false;
    for (int x = plot.Left; x < plot.Left + plot.Width() * 3 / 4 && !inked; ++x)
      inked = p.At(x, y)[2] == c.R && p.At(x, y)[1] == c.G && p.At(x, y)[0] == c.B;
    if (!inked) continue;
    if (rows.Top < 0) rows.Top = y - plot.Top;
    rows.Bottom = y - plot.Top;
  }
  return rows;
}

// A ±10 V sensor fed a sawtooth over its whole range, zeroed on its preparation page where the
// sawtooth stands at `zero_at` (a code), then measured with the mains notch on or off.
void ZeroAndMeasure(ReviewRig& rig, std::int32_t zero_at, bool notch) {
  rig.ZeroOnPage(0, [&](std::int32_t code) { return code >= zero_at && code < zero_at + 200; });
  rig.ReleaseBus();
  rig.EnterMeasureScreen(true);
  if (notch) rig.ChannelPanel(0, StickButtonMod::kMains, [](StickButtonMod& p) { p.MainsOn = 1; });
  ASSERT_EQ(rig.View().Channel(0).NotchOn, notch ? 1 : 0);
  rig.Record(6.0);
}

TEST(OverviewFit, ZeroedCurveFillsThePlotWhateverDrawsIt) {
  enum class Review { AveragingOff, AveragingOn, MedianWithoutAveraging };
  const struct {
    const char* name;
    std::int32_t zero_at;  // where on the sawtooth (0..4095) the zero is set
    bool notch;
    std::initializer_list<Review> reviews;
  } cases[] = {
      {"zeroed high: the curve shifted down", 3500, false, {Review::AveragingOff, Review::AveragingOn, Review::MedianWithoutAveraging}},
      {"zeroed low: the curve shifted up", 500, false, {Review::AveragingOff, Review::AveragingOn, Review::MedianWithoutAveraging}},
      {"zeroed high, mains notch", 3500, true, {Review::AveragingOff, Review::AveragingOn}},
      {"zeroed low, mains notch", 500, true, {Review::AveragingOff}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ReviewRig rig(1366, 768, false, "wired:04/1195:ramp=0,4095,0.5", 0, true);
    ZeroAndMeasure(rig, c.zero_at, c.notch);
    GraphView& view = rig.View();
    VessamorChannel& channel = view.Channel(0);
    ASSERT_NE(channel.FineOffsetOn + channel.CodeOffsetOn, 0) << "zeroed";
    for (const Review review : c.reviews) {
      const bool averaging = review == Review::AveragingOn;
      const bool median = review == Review::MedianWithoutAveraging;
      SCOPED_TRACE(averaging ? "averaging on" : median ? "median, averaging off" : "averaging off");
      rig.ChannelPanel(0, StickButtonMod::kAveraging, [&](StickButtonMod& p) { p.AveragingOn = averaging; });
      rig.ChannelPanel(0, StickButtonMod::kMedian, [&](StickButtonMod& p) { p.MedianOn = median, p.Sliders[0].Value = 9; });
      ASSERT_EQ(channel.SmoothingOn, averaging ? 1 : 0);
      ASSERT_EQ(channel.MedianOn, median ? 1 : 0);
      // The button stays down after a fit: a press lets it up (back to the view before), the next fits again.
      if (FindImageButton(rig.Window().Window(), kFit)->State.load() == ControlFrame::kStateDown) rig.Press(kFit);
      rig.Press(kFit);
      ASSERT_EQ(FindImageButton(rig.Window().Window(), kFit)->State.load(), ControlFrame::kStateDown);
      for (int k = 0; k < 3; ++k) rig.Step(33);
      const Picture fitted = rig.Screen();
      const PixelRect& plot = view.PlotRect;
      const Inked rows = InkedRows(fitted, plot, channel.Colour);
      ASSERT_GE(rows.Top, 0) << "the curve shows";
      // Overview leaves a tenth of the curve's span free above and below it: a twelfth of the plot.
      const int margin = plot.Height() / 12;
      EXPECT_GT(rows.Top, margin / 2) << "no stretch of the curve on the plot's top edge";
      EXPECT_LT(rows.Bottom, plot.Height() - 1 - margin / 2) << "no stretch of the curve on the plot's bottom edge";
      EXPECT_LT(rows.Top, margin * 2) << "no band of empty plot above the curve";
      EXPECT_GT(rows.Bottom, plot.Height() - 1 - margin * 2) << "no band of empty plot below the curve";
    }
  }
}

}  // namespace
