// A record reviewed, saved and loaded on the assembled window as a user walks it: what the start screen's
// pages read afterwards, the names and texts the file dialogs offer, and what survives a change of view.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

#include "info/info_panel.h"
#include "review_rig.h"

namespace {

using apptest::ReviewRig;
namespace fs = std::filesystem;

struct Folder {
  explicit Folder(const char* n) : path(fs::path(VESSAMOR_TEST_OUTPUT_DIR) / n) { fs::remove_all(path), fs::create_directories(path); }
  ~Folder() { fs::remove_all(path); }
  fs::path path;
};

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

// A loaded record of the live sensor's kind does not stay in the channels the start screen's pages read:
// after a load and Escape, the temperature page reads the sensor again, as it did before.
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
