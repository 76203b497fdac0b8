// A long refit on the assembled window: the "preparing data" box first, then the refitted curve.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "controls/stick_button_mod.h"
#include "platform/png_writer.h"
#include "review_rig.h"

namespace apptest {
namespace {

// Pixels of the box's fill colour inside a rectangle.
int BoxFillPixels(const Picture& p, const platform::WindowRect& r) {
  int n = 0;
  for (int y = std::max(r.top, 0); y < std::min(r.bottom, p.Height); ++y) {
    for (int x = std::max(r.left, 0); x < std::min(r.right, p.Width); ++x) {
      const std::uint8_t* px = p.At(x, y);
      n += px[0] == 245 && px[1] == 245 && px[2] == 245 ? 1 : 0;
    }
  }
  return n;
}

TEST(RefitBox, MedianTwentyOnALongRecordShowsThePreparingDataBoxThenTheFilteredCurve) {
  // Memory enough for a record of five million samples.
  ReviewRig rig(1366, 768, false, "wired:04/1195:sine=2048,1500,1", 120'000'000);
  rig.EnterMeasureScreen();
  rig.Record(0.3);
  MainWindow& w = rig.Window();
  GraphView& view = rig.View();
  VessamorChannel* channel = nullptr;
  constexpr std::uint32_t kSamples = 5'000'000;
  {
    // The record made long: a square wave of 1000 and 3000 with an impulse to 4000 every 50
    // samples, which a median over 20 samples takes away.
    std::lock_guard lock(view.ViewLock);
    for (std::size_t k = 0; k < GraphView::kLiveChannels && channel == nullptr; ++k) {
      if (view.Channel(k).Enabled != 0) channel = &view.Channel(k);
    }
    ASSERT_NE(channel, nullptr);
    ASSERT_GE(channel->CodeCapacity, kSamples);
    for (std::uint32_t i = 0; i < kSamples; ++i) {
      channel->Codes[i] = static_cast<std::int16_t>(i % 50 == 25 ? 4000 : (i / 500000) % 2 != 0 ? 3000 : 1000);
    }
    channel->CodeCount = kSamples;
    channel->RunMax = 4000;
    channel->RunMin = 1000;
    view.SampleCount = kSamples;
    view.LastSampleIndex = kSamples - 1;
  }
  // Fitted to the whole record, impulses and all.
  view.AutoScrollView();
  rig.Step(40);
  rig.Until([&] { return view.FitPending == 0 && view.PreparingDataRequest.load() == 0; });
  const auto highest = [&] {
    std::lock_guard lock(view.ViewLock);
    std::int32_t high = 0;
    for (std::uint16_t c = view.FirstShownColumn; c <= view.LastShownColumn; ++c) high = std::max(high, channel->Columns[c].MaxCode);
    return high;
  };
  // Codes come smoothed as set up (in 1/256 units): the impulses raise the smoothed tops.
  const std::int32_t top_code = 3000 * (channel->FractionalCodes != 0 ? 256 : 1);
  ASSERT_GT(highest(), top_code);
  const double ui = w.Metrics.UiScale;
  const PixelRect& area = view.ViewRect;
  const int left = static_cast<int>(area.Width() / 2 - ui * 70.0);
  const int top = area.Height() / 2;
  const platform::WindowRect box{left, top, left + static_cast<int>(ui * 350.0), top + static_cast<int>(ui * 40.0)};
  const int box_area = box.Width() * box.Height();
  const Picture fitted = rig.Screen();
  EXPECT_LT(BoxFillPixels(fitted, box), box_area / 10);

  // Median 20 from the channel's settings panel: the rebuild waits while the box shows.
  rig.Press(75181);
  auto* panel = dynamic_cast<StickButtonMod*>(FindMainControl(w.Window(), kSettingsPanelId));
  ASSERT_TRUE(panel != nullptr && panel->IsVisible());
  panel->Sliders[0].Value = 20;
  panel->MedianOn = 1;
  panel->HelpShown = StickButtonMod::kNoHelp;
  panel->ActionCode = StickButtonMod::kMedian;
  w.OnButtonPress(0, 0, kSettingsPanelId);
  ASSERT_EQ(channel->MedianOn, 1);
  ASSERT_EQ(channel->MedianWindow, 20);
  const Picture waiting = rig.Screen();
  EXPECT_EQ(view.PreparingDataRequest.load(), 1);
  // The box's light fill over most of its rectangle (its text and rim take the rest).
  EXPECT_GT(BoxFillPixels(waiting, box), box_area / 4);
  EXPECT_TRUE(platform::WritePng(w.Window().Pixels(), std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/refit_box_waiting.png"));
  EXPECT_GT(highest(), top_code);

  // The timer's step refits: the impulses are gone from the columns, and the box from the screen.
  rig.Step(40);
  rig.Until([&] { return view.PreparingDataRequest.load() == 0; });
  EXPECT_EQ(highest(), top_code);
  const Picture refitted = rig.Screen();
  EXPECT_TRUE(platform::WritePng(w.Window().Pixels(), std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/refit_box_done.png"));
  EXPECT_LT(BoxFillPixels(refitted, box), box_area / 10);
  EXPECT_GT(refitted.Differences(fitted, rig.Plot()), 0);
}

}  // namespace
}  // namespace apptest
