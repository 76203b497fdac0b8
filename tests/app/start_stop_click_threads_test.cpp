// A quick click on Start/Stop (press and release with nothing run by the window between them) at
// the moments the recording changes under it, on the assembled window with rate sensors recorded
// beside others: the click on "Stop" always stops and keeps the record, and a new recording never
// replaces a record not yet saved without asking.
#include <gtest/gtest.h>

#include <mutex>

#include "review_rig.h"

namespace {

using apptest::ReviewRig;
using platform::MouseKind;
using platform::SaveChoice;

// Rotation, breathing and the spirometer, as a lesson records them together.
constexpr const char* kUnits =
    "auto:kind=73:square=0,4000,20;auto:kind=40:sine=2048,1200,0.3;auto:kind=48:sine=2048,1500,0.5";
constexpr std::int32_t kStartStop = 75004;

void QuickClick(ReviewRig& rig) {
  const platform::WindowRect r = FindMainControl(rig.Host().Window(), kStartStop)->Rect();
  for (const MouseKind kind : {MouseKind::Move, MouseKind::LeftDown, MouseKind::LeftUp})
    rig.Mouse(kind, (r.left + r.right) / 2, (r.top + r.bottom) / 2, false);
}

std::uint8_t StartState(ReviewRig& rig) { return FindImageButton(rig.Host().Window(), kStartStop)->State.load(); }

bool SweepOnSecondScreen(ReviewRig& rig) {
  std::lock_guard lock(rig.View().ViewLock);
  return rig.View().Sweep.ScreenStart > 0.0;
}

// What the record holds and shows once the window has run on a while after the click.
struct Kept {
  std::uint32_t samples;
  apptest::Picture screen;
};

Kept AfterAWhile(ReviewRig& rig) {
  rig.ReleaseBus();
  // The button shows "Start" once the window has taken the device worker's word that the recording
  // ended, which a busy machine may bring late.
  rig.Until([&] {
    rig.Step(33);
    return StartState(rig) == ControlFrame::kStateUp;
  });
  for (int k = 0; k < 10; ++k) rig.Step(33);
  return {rig.Samples(), rig.Screen()};
}

// Clicked as the sweep turns to its next screen, and as the record fills (the device worker has
// stopped it, the window has not yet shown "Start"): either way the recording ends there, the
// record stays whole and viewable, nothing restarts it and nothing is asked.
TEST(StartStopClick, StopAtTheTurnOfAScreenOrAsTheRecordFillsKeepsTheRecord) {
  const struct {
    const char* moment;
    bool (*reached)(ReviewRig&);
    bool english;
  } moments[] = {
      {"the sweep turns to its second screen", SweepOnSecondScreen, false},
      {"the record fills", [](ReviewRig& r) { return r.View().Recording.load() == 0; }, true},
  };
  for (const auto& m : moments) {
    SCOPED_TRACE(m.moment);
    ReviewRig rig(1366, 768, m.english, kUnits);
    rig.EnterMeasureScreen();
    rig.RecordUntil([&] { return m.reached(rig); });
    ASSERT_TRUE(m.reached(rig));
    EXPECT_EQ(StartState(rig), ControlFrame::kStateDown) << "the button still shows Stop";
    const std::uint32_t at_click = rig.Samples();
    QuickClick(rig);
    EXPECT_EQ(rig.View().Recording.load(), 0);
    const Kept first = AfterAWhile(rig);
    EXPECT_EQ(rig.View().Recording.load(), 0) << "restarted";
    EXPECT_GE(first.samples, at_click);
    EXPECT_NE(rig.View().RecordViewable, 0);
    EXPECT_EQ(StartState(rig), ControlFrame::kStateUp);
    EXPECT_TRUE(rig.Host().SaveQuestions.empty());
    const Kept later = AfterAWhile(rig);
    EXPECT_EQ(later.samples, first.samples);
    EXPECT_EQ(later.screen.Differences(first.screen, rig.ViewArea()), 0);
  }
}

// The record full and "Start" on show: a click (or Space) asks before a new recording replaces it;
// Cancel keeps it as it was, "Don't save" starts anew.
TEST(StartStopClick, StartOverAnUnsavedRecordAsksFirst) {
  for (const bool by_key : {false, true}) {
    SCOPED_TRACE(by_key ? "Space" : "click");
    ReviewRig rig(1366, 768, by_key, kUnits);
    rig.EnterMeasureScreen();
    rig.RecordUntil([&] { return rig.View().Recording.load() == 0; });
    const Kept full = AfterAWhile(rig);
    ASSERT_EQ(StartState(rig), ControlFrame::kStateUp);
    platform::HeadlessHost& host = rig.Host();
    host.SaveAnswers = {SaveChoice::Cancel};
    const auto start = [&] { by_key ? rig.Key(platform::key::kSpace) : (QuickClick(rig), rig.Settle()); };
    start();
    ASSERT_EQ(host.SaveQuestions.size(), 1u);
    EXPECT_EQ(host.SaveQuestions[0].text, by_key ? "The record has not been saved. Save it?" : "Запись не сохранена. Сохранить её?");
    EXPECT_EQ(rig.View().Recording.load(), 0);
    EXPECT_EQ(StartState(rig), ControlFrame::kStateUp);
    const Kept kept = AfterAWhile(rig);
    EXPECT_EQ(kept.samples, full.samples);
    EXPECT_EQ(kept.screen.Differences(full.screen, rig.ViewArea()), 0);

    start();
    EXPECT_EQ(host.SaveQuestions.size(), 2u);
    EXPECT_EQ(rig.View().Recording.load(), 1);
  }
}

}  // namespace
