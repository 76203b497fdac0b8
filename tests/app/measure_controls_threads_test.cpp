// The measurement screen's controls on the assembled window and the simulated bus: help against a
// recording, menus against the mouse and Escape, and which ticked sensors a record holds.
#include <gtest/gtest.h>

#include <set>

#include "controls/aimage_button.h"
#include "controls/stick_button.h"
#include "records/binary_record.h"
#include "records/byte_source.h"
#include "review_rig.h"

namespace {

using apptest::Picture;
using apptest::ReviewRig;
using platform::MouseKind;

bool Visible(MainWindow& w, std::int32_t id) {
  const platform::Control* c = FindMainControl(w.Window(), id);
  return c != nullptr && c->IsVisible();
}
bool Down(MainWindow& w, std::int32_t id) {
  const AImageButton* b = FindImageButton(w.Window(), id);
  return b != nullptr && b->State.load() == ControlFrame::kStateDown;
}
// Pixels of the help panel's frame colour within `r`.
int HelpFramePixels(const Picture& p, const platform::WindowRect& r) {
  int n = 0;
  for (int y = std::max(r.top, 0); y < std::min(r.bottom, p.Height); ++y)
    for (int x = std::max(r.left, 0); x < std::min(r.right, p.Width); ++x) {
      const std::uint8_t* px = p.At(x, y);
      n += px[2] == 126 && px[1] == 130 && px[0] == 191 ? 1 : 0;
    }
  return n;
}

TEST(MeasureControls, HelpGoesDownWithARecordingAndStaysUpUnderTheMouse) {
  ReviewRig rig;
  rig.EnterMeasureScreen();
  MainWindow& w = rig.Window();
  rig.Press(75186);
  ASSERT_EQ(w.Help.Shown, 1);
  const platform::WindowRect help = w.Help.Rect;
  ASSERT_GT(HelpFramePixels(rig.Screen(), help), 50);
  // A move over the graph leaves Help and its panel as they were; one click on Help closes both.
  const platform::WindowRect plot = rig.Plot();
  rig.Mouse(MouseKind::Move, plot.left + 20, plot.bottom - 20);
  rig.Mouse(MouseKind::Move, plot.left + 30, plot.bottom - 20);
  EXPECT_TRUE(Down(w, 75186));
  EXPECT_EQ(w.Help.Shown, 1);
  EXPECT_EQ(rig.Host().Window().Cursor(), platform::CursorShape::Arrow);
  // The help panel turns its page at a click: the hand over it.
  rig.Mouse(MouseKind::Move, (help.left + help.right) / 2, help.bottom - 10);
  EXPECT_EQ(rig.Host().Window().Cursor(), platform::CursorShape::Hand);
  rig.Press(75186);
  EXPECT_FALSE(Down(w, 75186));
  EXPECT_EQ(w.Help.Shown, 0);

  // Open again, then a recording: Help goes up, its panel down, and nothing of it is painted over the live curve.
  rig.Press(75186);
  ASSERT_EQ(w.Help.Shown, 1);
  rig.Record(1.0);
  EXPECT_FALSE(Down(w, 75186));
  EXPECT_EQ(w.Help.Shown, 0);
  EXPECT_EQ(HelpFramePixels(rig.Screen(), help), 0);
}

TEST(MeasureControls, FileListStaysUnderTheMouseAndEscapeClosesOnlyIt) {
  ReviewRig rig;
  rig.EnterMeasureScreen();
  MainWindow& w = rig.Window();
  rig.Record(1.0);
  const std::uint32_t samples = rig.Samples();
  ASSERT_GT(samples, 100u);
  rig.Press(75010);
  ASSERT_TRUE(Visible(w, 75009));
  const platform::WindowRect plot = rig.Plot();
  for (int k = 0; k < 3; ++k) rig.Mouse(MouseKind::Move, plot.left + 40 + 10 * k, plot.bottom - 20);
  EXPECT_TRUE(Visible(w, 75009));
  EXPECT_TRUE(Down(w, 75010));

  // Escape closes the list and lets File up; the record and the screen stay.
  rig.Key(platform::key::kEscape);
  EXPECT_FALSE(Visible(w, 75009));
  EXPECT_FALSE(Down(w, 75010));
  ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
  EXPECT_NE(rig.View().RecordViewable, 0);
  EXPECT_EQ(rig.Samples(), samples);
  EXPECT_EQ(rig.Host().SaveDialogs, 0);

  // With the record in view, a press below the view but within its width reaches the view.
  const platform::WindowRect area = rig.ViewArea();
  const platform::WindowPoint below{area.right - 20, area.bottom + 30};
  ASSERT_EQ(rig.Host().Window().ControlAt(below), nullptr);
  rig.Mouse(MouseKind::LeftDown, below.x, below.y);
  EXPECT_EQ(rig.View().DataDragArmed, 1);
  rig.Mouse(MouseKind::LeftUp, below.x, below.y);

  // The next Escape leaves, but asks about the unsaved record first, once; the save's dialog
  // cancelled, the screen and the record stay; not saved, the screen is left.
  rig.Host().SaveAnswers = {platform::SaveChoice::Save, platform::SaveChoice::DontSave};
  rig.Key(platform::key::kEscape);
  EXPECT_EQ(rig.Host().SaveQuestions.size(), 1u);
  EXPECT_EQ(rig.Host().SaveDialogs, 1);
  EXPECT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
  EXPECT_EQ(rig.Samples(), samples);
  rig.Key(platform::key::kEscape);
  EXPECT_EQ(rig.Host().SaveQuestions.size(), 2u);
  EXPECT_EQ(w.Bytes.MeasureScreenActive.load(), 0);
  EXPECT_EQ(rig.Host().SaveDialogs, 1);
}

TEST(MeasureControls, SensorsOneTwoAndFourTickedGiveThreeRecordedChannels) {
  const std::string unit = "wired:04/1195:sine=2048,1500,1";
  ReviewRig rig(1366, 768, false, unit + ";" + unit + ";" + unit + ";" + unit);
  MainWindow& w = rig.Window();
  // Sensors 1, 2 and 4 chosen and prepared, then ticked as their tick boxes' clicks leave them (the
  // button's tick and the unit's slot); sensor 3 left out.
  const std::size_t chosen[] = {3, 1, 0};
  for (std::size_t i : chosen) {
    rig.Press(75163 + static_cast<std::int32_t>(i), false);
    std::lock_guard lock(w.Devices->TableLock);
    w.SlotBinder->MarkSlotForDevice(*w.Devices->DeviceTable[i]);
  }
  w.RefreshDevices(1);
  for (std::size_t i : chosen) {
    std::lock_guard lock(w.Devices->TableLock);
    const FTRecordDevice& unit = *w.Devices->DeviceTable[i];
    w.Bytes.SensorPrepared[i] = 1;
    for (DeviceSlot& slot : w.DeviceSlots) {
      if (slot.InUse != 0 && slot.Location == unit.LocationId && slot.SerialNumber == unit.Serial) slot.SelectedForRecord = 1;
    }
  }
  w.UpdateMeasureButton();
  rig.Press(75172);
  ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
  rig.Record(1.0);
  GraphView& view = rig.View();
  std::set<const FTRecordDevice*> units;
  std::size_t recorded = 0;
  {
    std::lock_guard lock(view.ViewLock);
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      const VessamorChannel& c = view.Channel(k);
      if (c.Enabled == 0 || c.Device == nullptr) continue;
      ++recorded;
      units.insert(c.Device);
      EXPECT_NE(c.Shown, 0) << k;
    }
  }
  EXPECT_EQ(recorded, 3u);
  EXPECT_EQ(units.size(), 3u);
  {
    std::lock_guard lock(w.Devices->TableLock);
    EXPECT_EQ(units.count(w.Devices->DeviceTable[2].get()), 0u);
  }
  const std::vector<std::uint8_t> bytes = records::WriteBinaryRecord(view, {0, rig.Samples()});
  const records::BinaryRead read = records::ReadBinaryRecord(records::MemorySource(bytes), view.SampleCapacity);
  ASSERT_EQ(read.Outcome, records::ReadOutcome::Loaded);
  EXPECT_EQ(read.Record.ChannelCount, 3u);
}

// A teacher prepares one sensor on its page, then chooses and prepares the other: both are ticked
// beside their buttons and both are recorded. Sensor 2 first takes the first slot.
TEST(MeasureControls, TwoSensorsPreparedOneAfterTheOtherAreBothRecorded) {
  for (const std::array<std::size_t, 2> order : {std::array<std::size_t, 2>{0, 1}, std::array<std::size_t, 2>{1, 0}}) {
    SCOPED_TRACE(order[0]);
    ReviewRig rig(1366, 768, false, "wired:15/1063:sine=2000,300,0.1;wired:04/1195:sine=2048,1500,1", 0, true);
    MainWindow& w = rig.Window();
    const auto prepared = [&](std::size_t i) {
      std::lock_guard lock(w.Devices->TableLock);
      const FTRecordDevice* unit = w.Devices->DeviceTable[i].get();
      return std::any_of(w.DeviceSlots.begin(), w.DeviceSlots.end(), [&](const DeviceSlot& s) { return s.Device == unit && s.Prepared != 0; });
    };
    // The window's timers run on as the user waits, however slowly the workers answer.
    const auto wait = [&](auto done) {
      rig.Until([&] {
        rig.Step(20);
        return done();
      });
    };
    for (std::size_t i : order) {
      SCOPED_TRACE(i);
      rig.Press(75163 + static_cast<std::int32_t>(i));
      wait([&] { return Visible(w, 75173); });
      rig.Press(75173);
      wait([&] { return prepared(i) && w.Bytes.SensorPrepared[i].load() != 0; });
      // The sensor prepared carries its tick box, ticked, from now on.
      EXPECT_NE(w.SensorButtons[i].TickBox, 0);
    }
    EXPECT_NE(w.Bytes.SensorPrepared[order[0]].load(), 0);
    wait([&] { return w.MeasureButtonReady != 0; });
    rig.Press(75172);
    ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
    rig.Record(1.0);
    GraphView& view = rig.View();
    std::set<const FTRecordDevice*> units;
    {
      std::lock_guard lock(view.ViewLock);
      for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
        const VessamorChannel& c = view.Channel(k);
        if (c.Enabled != 0 && c.Device != nullptr) units.insert(c.Device);
      }
    }
    EXPECT_EQ(units.size(), 2u);
    const std::vector<std::uint8_t> bytes = records::WriteBinaryRecord(view, {0, rig.Samples()});
    const records::BinaryRead read = records::ReadBinaryRecord(records::MemorySource(bytes), view.SampleCapacity);
    ASSERT_EQ(read.Outcome, records::ReadOutcome::Loaded);
    EXPECT_EQ(read.Record.ChannelCount, 2u);
  }
}

}  // namespace

namespace {

// Pixels that differ between two same-sized controls' pictures on the screen.
int LooksApart(const Picture& p, const platform::WindowRect& a, const platform::WindowRect& b) {
  int n = 0;
  for (int y = 0; y < std::min(a.Height(), b.Height()); ++y)
    for (int x = 0; x < std::min(a.Width(), b.Width()); ++x) n += p.Same(p, 0, 0) && !std::equal(p.At(a.left + x, a.top + y), p.At(a.left + x, a.top + y) + 3, p.At(b.left + x, b.top + y)) ? 1 : 0;
  return n;
}

TEST(MeasureControls, ButtonsShowTheirStates) {
  ReviewRig rig;
  rig.EnterMeasureScreen();
  MainWindow& w = rig.Window();
  for (int k = 0; k < 20; ++k) rig.Step(33);
  // The settings panel of a one-channel sensor: the first record button pressed, the second up, and they look it.
  rig.Press(75037);
  for (int k = 0; k < 20; ++k) rig.Step(33);
  ASSERT_TRUE(Down(w, 75017));
  ASSERT_FALSE(Down(w, 75022));
  const Picture shown = rig.Screen();
  const platform::WindowRect first = FindMainControl(w.Window(), 75017)->Rect(), second = FindMainControl(w.Window(), 75022)->Rect();
  EXPECT_GT(LooksApart(shown, first, second), first.Width() * first.Height() / 10);
  // The rate slider's inner labels carry the unit.
  const auto* rate = dynamic_cast<const StickButton*>(FindMainControl(w.Window(), 75008));
  ASSERT_NE(rate, nullptr);
  EXPECT_EQ(rate->Scale().Labels[2], "1k");
  rig.Press(75043);

  // A channel's show/hide button wears its channel's colour, and hiding the channel changes its look.
  const platform::WindowRect button = FindMainControl(w.Window(), 75038)->Rect();
  const Rgba colour = rig.View().Channel(0).Colour;
  const auto tinted = [&](const Picture& p) {
    int n = 0;
    for (int y = button.top; y < button.bottom; ++y)
      for (int x = button.left; x < button.right; ++x) {
        // Leaning the channel colour's way from grey, whatever is blended with it.
        const std::uint8_t* px = p.At(x, y);
        const int pm = (px[0] + px[1] + px[2]) / 3, cm = (colour.R + colour.G + colour.B) / 3;
        n += (px[2] - pm) * (colour.R - cm) + (px[1] - pm) * (colour.G - cm) + (px[0] - pm) * (colour.B - cm) > 2000 ? 1 : 0;
      }
    return n;
  };
  const Picture before = rig.Screen();
  ASSERT_TRUE(Down(w, 75038));
  EXPECT_GT(tinted(before), button.Width() * button.Height() / 4);
  rig.Press(75038);
  for (int k = 0; k < 20; ++k) rig.Step(33);
  ASSERT_FALSE(Down(w, 75038));
  const Picture after = rig.Screen();
  EXPECT_GT(after.Differences(before, button), button.Width() * button.Height() / 10);
  EXPECT_LT(tinted(after), tinted(before) / 2);
}

}  // namespace

namespace {

// Back from the measurement screen, the start screen is the one composed at first: no second
// composition, no second reveal, the background as it was.
TEST(MeasureControls, TheStartScreenIsComposedOncePerWindow) {
  ReviewRig rig;
  MainWindow& w = rig.Window();
  for (int k = 0; k < 60; ++k) rig.Step(33);
  const std::uint32_t composed = w.StartBackgroundCount;
  const platform::WindowRect area = w.Panels[1]->Area;
  const platform::WindowRect below{area.left, area.bottom + 2, w.Metrics.ScreenWidth, w.Metrics.ScreenHeight};
  const Picture before = rig.Screen();
  rig.EnterMeasureScreen();
  for (int k = 0; k < 20; ++k) rig.Step(33);
  rig.Key(platform::key::kEscape);
  ASSERT_EQ(w.Bytes.InfoScreenActive.load(), 1);
  EXPECT_NE(w.CurrentTimerId, kTimerPanelSlide);
  for (int k = 0; k < 60; ++k) rig.Step(33);
  EXPECT_EQ(w.StartBackgroundCount, composed);
  EXPECT_EQ(rig.Screen().Differences(before, below), 0);
}

}  // namespace
