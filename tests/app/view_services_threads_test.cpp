// What the graph view asks of the assembled window: the channel buttons after a load, the marker
// differences before and during a recording, the zoom button and the scale sliders after a zoom, and
// the first click on a scale slider.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "controls/aimage_button.h"
#include "controls/stick_button.h"
#include "review_rig.h"

namespace {

using apptest::Picture;
using apptest::ReviewRig;
using platform::MouseButton;
using platform::WindowRect;
namespace fs = std::filesystem;

WindowRect Rect(const PixelRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

// An older-layout text record of 400 rows at 100 Hz, one voltage column per channel (code page 1251).
void WriteTextRecord(const fs::path& path, int channels) {
  std::ostringstream out;
  out << "U3.3 rec 100 Hz";
  for (int c = 1; c <= channels; ++c) out << " \xEA\xE0\xED" << c;
  out << " t\r\n";
  for (int i = 0; i < 400; ++i) {
    out << i * 0.01;
    for (int c = 0; c < channels; ++c) out << ' ' << 0.5 + c + std::sin(i * 0.05);
    out << "\r\n";
  }
  out << "\xCAo\xED\xE5\xF6\r\n";
  std::ofstream(path, std::ios::binary) << out.str();
}

// The File list's Open with the dialog answering `file`.
void Open(ReviewRig& rig, const fs::path& file) {
  rig.Host().DialogAnswers.push_back({file.string(), 1});
  rig.Window().MenuNotification(0, 1, rig.View());
  for (int k = 0; k < 10; ++k) rig.Step(33);
}

// With two sensors live, the channel buttons follow each record opened (pressed for a channel it
// has, up for one it lacks), and a recording after that shows the live sensors again: both
// buttons, each sensor's own label column and the group title.
TEST(ViewServices, ChannelButtonsFollowTheRecordOpenedAndTheRecordingAfter) {
  apptest::Folder folder("view-services-load");
  ReviewRig rig(1366, 768, false, "wired:04/1195:sine=2048,1500,1;wired:15/1063:sine=2000,300,0.1");
  // Both units ticked for the record on the start page.
  rig.EnterWithEveryUnit();
  rig.Record(1.0);
  MainWindow& w = rig.Window();
  GraphView& view = rig.View();
  const struct {
    int opened;  // channels of the record opened; 0: a recording
    std::array<std::uint8_t, 4> states;
    std::uint16_t firsts;
  } steps[] = {{1, {2, 1, 1, 1}, 1}, {2, {2, 2, 1, 1}, 1}, {1, {2, 1, 1, 1}, 1}, {0, {2, 2, 1, 1}, 2}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.opened);
    if (step.opened != 0) {
      const fs::path file = folder.path / ("rec" + std::to_string(step.opened) + ".txt");
      WriteTextRecord(file, step.opened);
      Open(rig, file);
    } else {
      rig.StartRecording();
      rig.Until([&] { return rig.Samples() > 300; });
      rig.Step(40);
      EXPECT_EQ(view.GraphTitle, "Измерение");
    }
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(w.Controls.ChannelButtons[k]->State.load(), step.states[k]) << "button " << k + 1;
    std::lock_guard lock(view.ViewLock);
    EXPECT_EQ(view.FirstOfSensorCount, step.firsts);
  }
  rig.Key(platform::key::kSpace);
}

// A record on screen with its markers: one marker gives no difference rows; two give one set,
// which a recording started next takes off the window for as long as it runs.
TEST(ViewServices, DifferenceRowsOnlyForAPairAndNoneWhileRecording) {
  ReviewRig rig(1366, 768, false);
  rig.EnterMeasureScreen();
  rig.Record(3.0);
  GraphView& view = rig.View();
  if (view.LastShownColumn - view.FirstShownColumn < view.PlotWidth / 4) {
    rig.Press(75013);
    for (int k = 0; k < 10; ++k) rig.Step(33);
  }
  const WindowRect plot = rig.Plot(), panel = Rect(view.DifferencePanelRect);
  ASSERT_FALSE(panel.IsEmpty());
  const Picture before = rig.Screen();
  const int shown = view.LastShownColumn - view.FirstShownColumn;
  const auto mark = [&](int quarter) {
    rig.Click(MouseButton::Right, view.PlotRect.Left + view.FirstShownColumn - 1 + shown * quarter / 4, (plot.top + plot.bottom) / 2);
  };
  mark(1);
  ASSERT_EQ(view.CountMarkedPoints(), 1u);
  EXPECT_EQ(before.Differences(rig.Screen(), panel), 0) << "rows for one marker";
  mark(3);
  ASSERT_EQ(view.CountMarkedPoints(), 2u);
  const Picture marked = rig.Screen();
  EXPECT_GT(before.Differences(marked, panel), panel.Width() * 4) << "no rows for the pair";

  rig.StartRecording();
  for (const std::uint32_t samples : {300u, 1500u}) {
    rig.Until([&] { return rig.Samples() > samples; });
    rig.Step(40);
    EXPECT_EQ(before.Differences(rig.Screen(), panel), 0) << "rows after " << samples << " samples";
  }
  rig.Key(platform::key::kSpace);
}

// A zoom by the right button lets the Scale button up with its sliders; pressed again, the button
// shows them holding the new scales.
TEST(ViewServices, SelectionZoomReleasesTheZoomButtonAndSetsTheSliders) {
  ReviewRig rig(1366, 768, true);
  rig.EnterMeasureScreen();
  rig.Record(3.0);
  MainWindow& w = rig.Window();
  GraphView& view = rig.View();
  rig.Press(75052);
  for (int k = 0; k < 10; ++k) rig.Step(33);
  AImageButton* scale = FindImageButton(w.Window(), 75052);
  ASSERT_EQ(scale->State.load(), ControlFrame::kStateDown);
  const double seconds = view.Scale.SecondsPerDivision, value_step = view.Scale.ValuePerDivision;
  const WindowRect plot = rig.Plot();
  rig.Drag(MouseButton::Right, plot.left + plot.Width() / 5, plot.top + plot.Height() / 4, plot.left + plot.Width() / 2,
           plot.top + plot.Height() / 2, 3);
  for (int k = 0; k < 10; ++k) rig.Step(33);
  ASSERT_LT(view.Scale.SecondsPerDivision, seconds / 2) << "no zoom";
  EXPECT_EQ(scale->State.load(), ControlFrame::kStateUp);
  auto* time = dynamic_cast<StickButton*>(FindMainControl(w.Window(), 75001));
  auto* value = dynamic_cast<StickButton*>(FindMainControl(w.Window(), 75003));
  ASSERT_TRUE(time != nullptr && value != nullptr);
  EXPECT_FALSE(time->IsVisible());
  EXPECT_FALSE(value->IsVisible());
  rig.Press(75052);
  for (int k = 0; k < 10; ++k) rig.Step(33);
  ASSERT_TRUE(time->IsVisible() && value->IsVisible());
  // A slider shows its step at or below the scale: nearer the new scale than the one before the zoom.
  const struct {
    StickButton* slider;
    double before, now;
  } sliders[] = {{time, seconds, view.Scale.SecondsPerDivision}, {value, value_step, view.Scale.ValuePerDivision}};
  for (const auto& s : sliders) {
    ASSERT_NE(s.before, s.now);
    EXPECT_LT(std::fabs(s.slider->GetValue() - s.now), std::fabs(s.slider->GetValue() - s.before)) << s.slider->Id();
  }
}

// The first click on a scale slider sets its scale, whatever set the view up just before: the
// measurement screen entered (a new header), a recording or a record loaded. The slider's mark
// stays where it was clicked and the axis is labelled anew; the middle button then takes the view
// back, and the mark with it.
TEST(ViewServices, FirstClickOnAScaleSliderSetsItsScale) {
  apptest::Folder folder("first-slider-click");
  const fs::path file = folder.path / "rec.txt";
  WriteTextRecord(file, 1);
  enum Before { kEntered, kRecorded, kLoaded };
  const std::pair<std::int32_t, Before> cases[] = {{75001, kEntered}, {75001, kRecorded}, {75001, kLoaded},
                                                   {75003, kEntered}, {75003, kRecorded}, {75003, kLoaded}};
  for (const auto& [id, prior] : cases) {
    SCOPED_TRACE(testing::Message() << id << " after " << (prior == kEntered ? "entering" : prior == kRecorded ? "a recording" : "a load"));
    ReviewRig rig(1366, 768, false);
    rig.EnterMeasureScreen();
    if (prior == kRecorded) rig.Record(2.0);
    if (prior == kLoaded) Open(rig, file);
    GraphView& view = rig.View();
    rig.Press(75052);
    for (int k = 0; k < 10; ++k) rig.Step(33);
    auto* slider = dynamic_cast<StickButton*>(FindMainControl(rig.Window().Window(), id));
    ASSERT_TRUE(slider != nullptr && slider->IsVisible());
    const bool time = id == 75001;
    const auto scale = [&] { return static_cast<float>(time ? view.Scale.SecondsPerDivision : view.Scale.ValuePerDivision); };
    const float before = scale();
    const std::int32_t mark = slider->MarkerPosition();
    // The time slider's "10" as the tester clicked it; on the value slider an inner mark of another value.
    const StickScale& s = slider->Scale();
    std::int32_t i = time ? 7 : s.Count / 2;
    if (!time && s.Values[i] == before) ++i;
    ASSERT_TRUE(!time || s.Labels[7] == "10") << s.Labels[7];
    const float chosen = s.Values[i];
    const WindowRect r = slider->Rect();
    const WindowRect labels = time ? WindowRect{rig.Plot().left, rig.Plot().bottom, rig.Plot().right, rig.ViewArea().bottom}
                                   : WindowRect{rig.ViewArea().left, rig.Plot().top, rig.Plot().left, rig.Plot().bottom};
    const Picture shown = rig.Screen();
    rig.Click(MouseButton::Left, time ? r.left + s.Positions[i] : (r.left + r.right) / 2, time ? (r.top + r.bottom) / 2 : r.top + s.Positions[i]);
    for (int k = 0; k < 5; ++k) rig.Step(33);
    EXPECT_EQ(scale(), chosen) << "before " << before;
    EXPECT_EQ(slider->MarkerPosition(), s.Positions[i]) << "the mark went back";
    EXPECT_EQ(slider->GetValue(), chosen);
    EXPECT_GT(shown.Differences(rig.Screen(), labels), 0) << "the axis labels stayed";
    rig.Click(MouseButton::Middle, (rig.Plot().left + rig.Plot().right) / 2, (rig.Plot().top + rig.Plot().bottom) / 2);
    for (int k = 0; k < 5; ++k) rig.Step(33);
    EXPECT_EQ(scale(), before) << "the middle button's step back";
    EXPECT_EQ(slider->MarkerPosition(), mark);
  }
}

}  // namespace
