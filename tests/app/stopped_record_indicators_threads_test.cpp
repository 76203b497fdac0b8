// The value indicators of a stopped record on the assembled window: what they show once the
// recording stops is the record's last reading, and saving the record leaves them as they are.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "review_rig.h"
#include "sim/bus.h"

namespace {

using apptest::Folder;
using apptest::Picture;
using apptest::ReviewRig;

struct Shown {
  std::vector<double> Values;  // each shown indicator's value, by channel
  std::vector<double> Last;    // each one's channel read at the record's last column
  platform::WindowRect Boxes;  // the indicators' frames, together
};

Shown ShownIndicators(ReviewRig& rig) {
  GraphView& view = rig.View();
  std::lock_guard lock(view.ViewLock);
  Shown shown{{}, {}, {1 << 20, 1 << 20, 0, 0}};
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    const VessamorChannel& channel = view.Channel(k);
    if (view.IndicatorShown[k] == 0 || channel.IndicatorShownValid == 0 || channel.RateMode != 0) continue;
    shown.Values.push_back(channel.IndicatorShownValue);
    shown.Last.push_back(channel.SampleValue(view.LastShownColumn));
    const PixelRect& r = channel.LabelRect;
    shown.Boxes = {std::min(shown.Boxes.left, r.Left), std::min(shown.Boxes.top, r.Top),
                   std::max(shown.Boxes.right, r.Right), std::max(shown.Boxes.bottom, r.Bottom)};
  }
  return shown;
}

// The indicators read their value half a second into the recording and hold it while the curves
// go on; at the stop they show the record's last reading, and a save changes neither the values
// nor a pixel of the boxes.
TEST(StoppedRecordIndicators, ShowTheLastReadingFromTheStopAndKeepItThroughASave) {
  const struct {
    int width, height;
    bool english;
    const char* units;
  } cases[] = {
      {1366, 768, false, "wired:04/1195:sine=2048,1500,1"},
      {1920, 1080, true,
       "auto:kind=77:square=0,4095,8;wired:15/1063:sine;wired:04/1195:sine=2048,1500,1;auto:kind=40:sine=2048,1500,0.3"},
  };
  Folder folder("stopped-record-indicators");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.units);
    ReviewRig rig(c.width, c.height, c.english, c.units);
    rig.IndicatorsOnRigClock();
    rig.EnterWithEveryUnit();
    const double rate = rig.View().RateSetting;
    rig.RecordUntil([&] { return rig.Samples() >= 0.5 * rate; });
    // A third of a second more of the 1 Hz sine, the window painting along within the indicators'
    // hold, so the value they show was read at the half second.
    for (int n = 0; n < 7; ++n) {
      const std::uint32_t painted = rig.Samples();
      rig.Clock().HoldBusAt(sim::Bus::Instance().NowUs() + 60'000);
      rig.Until([&] { return rig.Samples() >= painted + 0.05 * rate; });
      rig.Step(33);
    }
    rig.Key(platform::key::kSpace);
    rig.ReleaseBus();
    rig.Until([&] { return rig.View().RecordViewable != 0; });
    for (int n = 0; n < 3; ++n) rig.Step(33);

    const Shown stopped = ShownIndicators(rig);
    ASSERT_FALSE(stopped.Values.empty());
    for (std::size_t i = 0; i < stopped.Values.size(); ++i) EXPECT_NEAR(stopped.Values[i], stopped.Last[i], 1e-4) << i;
    const Picture before = rig.Screen();

    rig.Host().DialogAnswers.push_back({(folder.path / "record.out").string(), 1});
    rig.Window().MenuNotification(0, 2, rig.View());
    for (int n = 0; n < 3; ++n) rig.Step(33);
    ASSERT_TRUE(std::filesystem::exists(folder.path / "record.out"));
    const Shown saved = ShownIndicators(rig);
    EXPECT_EQ(saved.Values, stopped.Values);
    EXPECT_EQ(rig.Screen().Differences(before, stopped.Boxes), 0);
  }
}

}  // namespace
