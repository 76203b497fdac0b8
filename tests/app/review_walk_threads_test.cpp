// A record reviewed, saved and loaded on the assembled window as a user walks it: what the start screen's
// pages read afterwards, the names and texts the file dialogs offer, and what survives a change of view.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <set>
#include <vector>

#include "info/info_panel.h"
#include "layout/main_controls.h"
#include "review_rig.h"

namespace {

using apptest::ReviewRig;
namespace fs = std::filesystem;

using apptest::Folder;

// File, then the command of the list's row, with the dialog answering `file` (none: cancelled).
void FileCommand(ReviewRig& rig, int row, const fs::path& file = {}, int filter = 1) {
  if (!file.empty()) rig.Host().DialogAnswers.push_back({file.string(), filter});
  rig.Window().MenuNotification(0, row, rig.View());
  rig.Settle();
}

constexpr const char* kTemperature = "wired:15/1063:const=2000";
constexpr const char* kVoltage = "wired:04/1195:sine=2048,1500,1";

// The temperature page's live reading, once the page's measurement has run a while.
float TemperaturePageReading(ReviewRig& rig) {
  InfoPanel& panel = *rig.Parts().Panel;
  rig.Press(75163);
  rig.Until([&] { return panel.ScreenNumber() == InfoPanel::kPreparation && panel.Box1.Shown != 0; });
  rig.Until([&] {
    rig.Step(50);
    std::lock_guard lock(rig.View().ViewLock);
    return rig.View().SampleCount > 2000;
  });
  for (int k = 0; k < 10; ++k) rig.Step(50);
  return panel.Box1.Value;
}

// With two units, a record loaded on the measurement screen and Escape back to the start screen: the
// temperature page reads its sensor again, as the set-up kept at the load is not put back over the
// unit's binding when the page starts measuring.
TEST(ReviewWalk, TemperaturePageReadsTheSensorAfterALoadAndEscape) {
  Folder folder("review-walk-load-escape");
  const fs::path saved = folder.path / "temperature.out";
  float recorded = 0.0f;
  {
    ReviewRig rig(1366, 768, false, kTemperature);
    rig.EnterMeasureScreen();
    rig.Record(1.0);
    {
      std::lock_guard lock(rig.View().ViewLock);
      recorded = rig.View().Channel(0).SampleValue(rig.View().LastShownColumn);
    }
    ASSERT_GT(recorded, 20.0f);
    FileCommand(rig, 2, saved);
    ASSERT_TRUE(fs::exists(saved));
  }
  ReviewRig rig(1366, 768, false, std::string(kTemperature) + ";" + kVoltage, 0, true);
  // As a user: the voltage sensor's page and its zero, the temperature sensor's page, "Measurements".
  InfoPanel& panel = *rig.Parts().Panel;
  rig.Press(75164);
  rig.Until([&] { return panel.ScreenNumber() == InfoPanel::kPreparation && panel.Box1.Shown != 0; });
  rig.Press(75173);
  rig.Until([&] {
    rig.Step(50);
    return panel.Steps.StepPending == 0;
  });
  rig.Press(75163);
  rig.Until([&] {
    rig.Step(50);
    return rig.Window().MeasureButtonReady != 0;
  });
  rig.Press(75172);
  ASSERT_EQ(rig.Window().Bytes.MeasureScreenActive.load(), 1);
  rig.Record(1.0);
  FileCommand(rig, 2, folder.path / "both.out");
  FileCommand(rig, 1, saved);
  ASSERT_NE(rig.View().RecordViewable, 0);
  rig.Key(27);
  ASSERT_EQ(rig.Window().Bytes.InfoScreenActive.load(), 1);
  EXPECT_NEAR(TemperaturePageReading(rig), recorded, 0.5f);
}

}  // namespace

// The record number advances with File > New only: a Save dialog opened and cancelled, however often,
// offers the same name, and the first New after a recording names the record number 2, whatever sensor
// the graph's header was set up for.
TEST(ReviewWalk, RecordNumberAdvancesWithNewOnly) {
  for (const bool english : {false, true}) {
    SCOPED_TRACE(english);
    ReviewRig rig(1366, 768, english, kTemperature);
    rig.EnterMeasureScreen();
    rig.Record(1.0);
    platform::HeadlessHost& host = rig.Host();
    for (int k = 0; k < 3; ++k) FileCommand(rig, 2);
    ASSERT_EQ(host.DialogRequests.size(), 3u);
    const std::string first = english ? "Record 1" : "Запись 1";
    for (const platform::FileDialogRequest& request : host.DialogRequests) EXPECT_EQ(request.initialName, first);
    EXPECT_EQ(rig.View().RecordName, first);

    FileCommand(rig, 0);
    EXPECT_EQ(rig.View().RecordName, english ? "Record 2" : "Запись 2");
    rig.Record(1.0);
    FileCommand(rig, 2);
    ASSERT_EQ(host.DialogRequests.size(), 4u);
    EXPECT_EQ(host.DialogRequests.back().initialName, english ? "Record 2" : "Запись 2");
    FileCommand(rig, 0);
    EXPECT_EQ(rig.View().RecordName, english ? "Record 3" : "Запись 3");
  }
}

// The panel buttons below the graph keep their look through a zoom. The right press that begins the
// selection sets a marker, which the drawn selection clears again; the paint that takes the marker's
// areas (the view and the differences panel) away must not copy the graph's picture over the buttons
// that lie between them.
TEST(ReviewWalk, PanelButtonsStayDrawnThroughAZoom) {
  for (const bool english : {false, true}) {
    SCOPED_TRACE(english);
    ReviewRig rig(english ? 1920 : 1366, english ? 1080 : 768, english);
    rig.EnterMeasureScreen();
    rig.Record(2.0);
    const apptest::Picture before = rig.Screen();
    const platform::WindowRect p = rig.Plot();
    // A user's quick drag: the press, two long moves, the release; between them the host paints
    // whatever each paint asked for in turn, as a desktop's host does before the pointer moves on.
    const int x0 = p.left + p.Width() / 7, y0 = p.top + p.Height() / 6, y1 = p.bottom - p.Height() / 3;
    const auto event = [&](platform::MouseKind kind, int x, int y) {
      rig.Mouse(kind, x, y);
      rig.Settle();
    };
    event(platform::MouseKind::Move, x0, y0);
    event(platform::MouseKind::RightDown, x0, y0);
    event(platform::MouseKind::Move, x0 + p.Width() / 25, y1);
    event(platform::MouseKind::Move, x0 + p.Width() / 6, y1);
    event(platform::MouseKind::RightUp, x0 + p.Width() / 6, y1);
    {
      std::lock_guard lock(rig.View().ViewLock);
      ASSERT_EQ(rig.View().CountMarkedPoints(), 0);
      ASSERT_GT(rig.View().FirstColumnFraction + rig.View().Scale.StartTime, 0.0);  // zoomed in
    }
    const apptest::Picture after = rig.Screen();
    for (const std::int32_t id : {75013, 75045, 75046, 75052, 75014, 75053, 75038, 75039, 75040, 75041, 74999, 75037}) {
      const ControlFrame* control = FindMainControl(rig.Host().Window(), id);
      ASSERT_TRUE(control != nullptr && control->IsVisible()) << id;
      EXPECT_EQ(after.Differences(before, control->Rect()), 0) << id;
    }
  }
}

// The sensors a user prepares on their pages, in any order and whichever buttons they are, are the
// ones recorded: the prepared tick belongs to the unit's button, not to the slot the unit took.
TEST(ReviewWalk, EverySensorPreparedOnItsPageIsRecorded) {
  const std::vector<std::vector<std::size_t>> cases = {{1}, {0, 1}, {1, 0}, {2, 0}};
  for (const std::vector<std::size_t>& prepared : cases) {
    SCOPED_TRACE(prepared.size() == 1 ? prepared[0] : prepared[0] * 10 + prepared[1]);
    ReviewRig rig(1366, 768, false, std::string(kVoltage) + ";" + kVoltage + ";" + kVoltage, 0, true);
    MainWindow& w = rig.Window();
    InfoPanel& panel = *rig.Parts().Panel;
    std::set<const FTRecordDevice*> wanted;
    for (std::size_t i : prepared) {
      rig.Press(75163 + static_cast<std::int32_t>(i));
      rig.Until([&] { return panel.ScreenNumber() == InfoPanel::kPreparation && panel.Box1.Shown != 0; });
      rig.Press(75173);
      rig.Until([&] {
        rig.Step(50);
        return panel.Steps.StepPending == 0 && w.MeasureButtonReady != 0;
      });
      std::lock_guard lock(w.Devices->TableLock);
      wanted.insert(w.Devices->DeviceTable[i].get());
    }
    rig.Press(75172);
    ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
    rig.Record(0.5);
    std::set<const FTRecordDevice*> recorded;
    std::lock_guard lock(rig.View().ViewLock);
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      const VessamorChannel& c = rig.View().Channel(k);
      if (c.Enabled != 0 && c.Device != nullptr) recorded.insert(c.Device);
    }
    EXPECT_EQ(recorded, wanted);
  }
}
