// Rate records on the assembled window, simulated bus on virtual time: a record of the pulse,
// breathing or radioactivity sensor saved as ".out" and loaded again reads what it read when it
// stopped, a window or step that was still running included.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>

#include "review_rig.h"

namespace {

using apptest::Folder;
using apptest::ReviewRig;
namespace fs = std::filesystem;

// The first channel of a rate kind.
std::size_t RateChannel(GraphView& view) {
  std::lock_guard lock(view.ViewLock);
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    const std::uint16_t code = view.Channel(k).SensorCode;
    if (code == 35 || code == 37 || code == 40) return k;
  }
  return GraphView::kLiveChannels;
}

TEST(LoadedRateRecord, ReadsWhatTheRecordReadWhenItStopped) {
  const struct {
    int width, height;
    bool english;
    const char* units;
    double seconds;  // recorded
    const char* title;  // of the record opened in a fresh run, when it is checked there
  } cases[] = {
      // Shorter than a breathing step, beside rotation, temperature and voltage at the rotation's rate.
      {1920, 1080, true,
       "auto:kind=77:square=0,4095,8;wired:15/1063:const=2000;wired:04/1195:sine=2048,1500,1;"
       "auto:kind=40:sine=2048,1200,0.3",
       4.5, nullptr},
      {1366, 768, false, "auto:kind=40:sine=2048,1200,0.3", 6.0, "Измерение частоты дыхания"},
      // Into the second step, and into the second radioactivity window.
      {1366, 768, false, "auto:kind=40:sine=2048,1200,0.5", 17.0, nullptr},
      {1920, 1080, true, "auto:kind=40:sine=2048,1200,0.5", 6.0, "Breathing rate measurement"},
      {1366, 768, false, "auto:kind=37:square=0,2000,2", 41.0, nullptr},
      // The pulse shows its last whole window.
      {1366, 768, false, "auto:kind=35:sine=2048,1000,1.2", 12.0, nullptr},
      {1920, 1080, true, "auto:kind=35/3:sine=512,300,1.2", 12.0, nullptr},
  };
  Folder folder("loaded-rate-record");
  int record = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.units);
    const fs::path file = folder.path / ("rec" + std::to_string(++record) + ".out");
    double stopped = 0.0;
    std::size_t k = GraphView::kLiveChannels;
    {
      ReviewRig rig(c.width, c.height, c.english, c.units);
      rig.IndicatorsOnRigClock();
      rig.EnterWithEveryUnit();
      k = RateChannel(rig.View());
      ASSERT_LT(k, GraphView::kLiveChannels);
      const double rate = rig.View().RateSetting;
      rig.RecordUntil([&] { return rig.Samples() >= c.seconds * rate; });
      rig.Key(platform::key::kSpace);
      rig.ReleaseBus();
      rig.Until([&] { return rig.View().RecordViewable != 0; });
      for (int n = 0; n < 3; ++n) rig.Step(33);
      stopped = rig.Indicator(k);
      EXPECT_GT(stopped, 0.0) << "at the stop";

      rig.Host().DialogAnswers.push_back({file.string(), 1});
      rig.Window().MenuNotification(0, 2, rig.View());
      rig.Settle();
      ASSERT_TRUE(fs::exists(file));
      rig.Host().DialogAnswers.push_back({file.string(), 1});
      rig.Window().MenuNotification(0, 1, rig.View());
      rig.Settle();
      ASSERT_EQ(rig.View().RecordName, file.filename().string());
      ASSERT_EQ(RateChannel(rig.View()), k);
      // The whole record on the screen: the indicator reads its last column, as at the stop.
      rig.Press(75013);
      for (int n = 0; n < 5; ++n) rig.Step(40);
      EXPECT_EQ(rig.Indicator(k), stopped) << "loaded";
    }
    if (c.title == nullptr) continue;
    // Opened from the start screen of a fresh run: titled by the rate its indicator reads.
    ReviewRig fresh(c.width, c.height, c.english, c.units);
    fresh.IndicatorsOnRigClock();
    fresh.Host().DialogAnswers.push_back({file.string(), 1});
    fresh.Press(75185);
    fresh.Until([&] { return fresh.View().RecordName == file.filename().string(); });
    EXPECT_EQ(fresh.View().GraphTitle, c.title);
    fresh.Press(75013);
    for (int n = 0; n < 5; ++n) fresh.Step(40);
    EXPECT_EQ(fresh.Indicator(k), stopped) << "opened in a fresh run";
  }
}

}  // namespace
