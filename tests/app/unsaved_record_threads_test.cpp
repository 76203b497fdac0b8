// A record not yet saved on the assembled window: every way of dropping it asks first, Cancel (or a
// cancelled save) keeps the record and the screen, and with nothing unsaved nothing is asked.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "review_rig.h"
#include "sim/bus.h"

namespace {

using apptest::Folder;
using apptest::ReviewRig;
using platform::SaveChoice;

// The user's ways of dropping the record on show, and how each looks done.
struct DropPath {
  const char* name;
  std::function<void(ReviewRig&)> act;
  std::function<bool(ReviewRig&)> done;
};

bool Left(ReviewRig& rig) { return rig.Window().Bytes.MeasureScreenActive.load() == 0; }
bool Closed(ReviewRig& rig) { return rig.Host().Window().IsClosed(); }

const DropPath kPaths[] = {
    {"Escape", [](ReviewRig& r) { r.Key(platform::key::kEscape); }, Left},
    {"back button", [](ReviewRig& r) { r.Press(75050); }, Left},
    {"File New", [](ReviewRig& r) { r.Window().MenuNotification(0, 0, r.View()), r.Settle(); },
     [](ReviewRig& r) { return r.View().RecordViewable == 0; }},
    {"File Open", [](ReviewRig& r) { r.Window().MenuNotification(0, 1, r.View()), r.Settle(); },
     [](ReviewRig& r) { return r.Host().OpenDialogs == 1; }},
    {"close button", [](ReviewRig& r) { r.Press(75016); }, Closed},
    {"desktop close", [](ReviewRig& r) { r.Host().Window().RequestClose(), r.Settle(); }, Closed},
};

// Each way asks once, in the interface's language; Cancel leaves the samples, the screen and the
// program as they were; asked again and answered "don't save", the way goes on.
TEST(UnsavedRecord, EveryWayOfDroppingItAsksAndCancelKeepsIt) {
  for (const DropPath& path : kPaths) {
    SCOPED_TRACE(path.name);
    const bool english = &path == &kPaths[1];
    ReviewRig rig(1366, 768, english);
    rig.EnterMeasureScreen();
    rig.Record(1.0);
    const std::uint32_t samples = rig.Samples();
    const apptest::Picture before = rig.Screen();
    platform::HeadlessHost& host = rig.Host();
    host.SaveAnswers = {SaveChoice::Cancel, SaveChoice::DontSave};
    path.act(rig);
    ASSERT_EQ(host.SaveQuestions.size(), 1u);
    const platform::SaveQuestion& asked = host.SaveQuestions[0];
    EXPECT_EQ(asked.text, english ? "The record has not been saved. Save it?" : "Запись не сохранена. Сохранить её?");
    EXPECT_EQ(asked.dontSave, english ? "Don't save" : "Не сохранять");
    EXPECT_FALSE(path.done(rig));
    EXPECT_FALSE(Closed(rig));
    EXPECT_EQ(rig.Window().Bytes.MeasureScreenActive.load(), 1);
    EXPECT_NE(rig.View().RecordViewable, 0);
    EXPECT_EQ(rig.Samples(), samples);
    EXPECT_EQ(host.SaveDialogs + host.OpenDialogs, 0);
    EXPECT_EQ(rig.Screen().Differences(before, rig.Plot()), 0);

    path.act(rig);
    EXPECT_EQ(host.SaveQuestions.size(), 2u);
    EXPECT_TRUE(path.done(rig));
  }
}

// Each way taken while a recording runs ("<--" is not: a recording ignores it) stops it
// there, as Stop does, and asks about the record as it stopped: after Cancel the bus goes on and nothing more reaches the record, "Start" is up again,
// and "Save" writes the record as it stopped before the way goes on.
TEST(UnsavedRecord, EveryWayTakenWhileRecordingStopsTheRecordingFirst) {
  for (const DropPath& path : kPaths) {
    SCOPED_TRACE(path.name);
    Folder folder("unsaved-record-recording");
    ReviewRig rig;
    rig.EnterMeasureScreen();
    rig.RecordUntil([&] { return rig.Samples() >= rig.View().RateSetting; });
    platform::HeadlessHost& host = rig.Host();
    host.SaveAnswers = {SaveChoice::Cancel, SaveChoice::Save};
    path.act(rig);
    if (&path == &kPaths[1]) {
      // "<--" is not among the commands a recording takes: ignored, the recording goes on.
      EXPECT_TRUE(host.SaveQuestions.empty());
      EXPECT_EQ(rig.View().Recording.load(), 1);
      rig.ReleaseBus();
      continue;
    }
    ASSERT_EQ(host.SaveQuestions.size(), 1u);
    EXPECT_EQ(rig.View().Recording.load(), 0);
    const std::uint32_t stopped = rig.Samples();
    const std::int64_t later = sim::Bus::Instance().NowUs() + 2'000'000;
    rig.Clock().HoldBusAt(later);
    rig.Until([&] { return sim::Bus::Instance().NowUs() >= later; });
    for (int k = 0; k < 5; ++k) rig.Step(33);
    EXPECT_EQ(rig.Samples(), stopped);
    EXPECT_EQ(rig.View().LastSampleIndex + 1, stopped);
    EXPECT_FALSE(path.done(rig));
    EXPECT_EQ(FindImageButton(host.Window(), 75004)->State.load(), 1);

    host.DialogAnswers.push_back({(folder.path / "stopped.out").string(), 1});
    path.act(rig);
    EXPECT_TRUE(path.done(rig));
    std::string head(16, '\0');
    std::ifstream(folder.path / "stopped.out", std::ios::binary).read(head.data(), 16);
    std::uint32_t written = 0;
    std::memcpy(&written, head.data() + 12, 4);  // the first channel's sample count
    EXPECT_EQ(written, stopped);
    rig.ReleaseBus();
  }
}

// "Save" runs the save dialog (cancelled, it keeps the screen: MeasureControls); with the file
// written the screen is left, and nothing is asked again.
TEST(UnsavedRecord, SaveLeavesOnceTheRecordIsWritten) {
  Folder folder("unsaved-record-save");
  ReviewRig rig;
  rig.EnterMeasureScreen();
  rig.Record(1.0);
  platform::HeadlessHost& host = rig.Host();
  host.SaveAnswers = {SaveChoice::Save};
  host.DialogAnswers.push_back({(folder.path / "lesson.out").string(), 1});
  rig.Key(platform::key::kEscape);
  EXPECT_TRUE(std::filesystem::exists(folder.path / "lesson.out"));
  EXPECT_TRUE(Left(rig));
  EXPECT_EQ(rig.Window().UnsavedRecord, 0);
}

// With nothing unsaved every way is as it always was: no record yet, or the record saved from the
// File list, and the close ends the program at once.
TEST(UnsavedRecord, NothingUnsavedClosesAtOnce) {
  Folder folder("unsaved-record-none");
  for (const bool recorded : {false, true}) {
    SCOPED_TRACE(recorded);
    ReviewRig rig;
    rig.EnterMeasureScreen();
    if (recorded) {
      rig.Record(1.0);
      rig.Host().DialogAnswers.push_back({(folder.path / "kept.out").string(), 1});
      rig.Window().MenuNotification(0, 2, rig.View());
      rig.Settle();
      ASSERT_TRUE(std::filesystem::exists(folder.path / "kept.out"));
    }
    rig.Press(75016);
    EXPECT_TRUE(Closed(rig));
    EXPECT_TRUE(rig.Host().SaveQuestions.empty());
  }
}

}  // namespace
