// The review screen whole on the assembled window: the side panels and their captions, the marker
// differences and values, the long record's fit, a new record and scale changes, read as pictures.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>

#include "records/record_commands.h"
#include "review_rig.h"
#include "side_panel_checks.h"

namespace {

using apptest::Picture;
using apptest::ReviewRig;
using platform::MouseButton;
using platform::WindowRect;

constexpr std::uint8_t kFlowKind = 49;
constexpr std::int32_t kFit = 75013, kPageBack = 75045, kPageForward = 75046, kFile = 75010;

// The window shown, compared with a paint of the whole window the program did not ask for.
int StaleAfterFreshPaint(ReviewRig& rig, const WindowRect& area) {
  const Picture shown = rig.Screen();
  rig.Host().Window().Invalidate();
  return shown.Differences(rig.Screen(), area);
}

// Pixels of `area` in a channel's colour.
int Inked(const Picture& p, const WindowRect& area, const Rgba& c) {
  int n = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) n += p.At(x, y)[2] == c.R && p.At(x, y)[1] == c.G && p.At(x, y)[0] == c.B;
  return n;
}

WindowRect Rect(const PixelRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

// The number after the first '=' of a row's text.
double Number(const std::string& text) { return std::strtod(text.c_str() + text.find('=') + 1, nullptr); }

// The channel's curve without averaging, its columns made again.
void NoAveraging(GraphView& view, VessamorChannel& channel) {
  std::lock_guard lock(view.ViewLock);
  channel.SmoothingOn = 0;
  channel.MedianOn = 0;
  channel.ConfigureFilter();
  channel.ResetColumnReduction();
  view.RebuildColumnTable(view.FirstShownColumn, view.LastShownColumn);
}

TEST(ReviewPanels, CaptionsShowAboveTheirButtonsAtEverySizeInBothLanguages) {
  for (const auto& [width, height] : {std::pair{1280, 720}, {1366, 768}, {1920, 1080}, {2560, 1440}}) {
    for (const bool english : {false, true}) {
      ReviewRig rig(width, height, english);
      rig.EnterMeasureScreen();
      rig.Screen();
      apptest::ExpectSidePanels(rig.Window(), rig.Host().Window().Pixels(),
                                std::to_string(width) + "x" + std::to_string(height) + (english ? " en" : " ru"));
    }
  }
}

// Two markers on a known sine (its samples as they came, no averaging): one row in the
// "Difference values" panel gives the values' difference at the two columns and the time between
// them; the markers gone, the panel is empty again.
TEST(ReviewPanels, MarkerPairShowsDifferencesOfValueAndTime) {
  ReviewRig rig(1366, 768, false, "wired:04/1195:sine=2048,1000,1");
  rig.EnterMeasureScreen();
  rig.Record(3.0);
  GraphView& view = rig.View();
  VessamorChannel& channel = view.Channel(0);
  NoAveraging(view, channel);
  const Picture before = rig.Screen();
  const WindowRect p = rig.Plot(), panel = Rect(view.DifferencePanelRect);
  ASSERT_FALSE(panel.IsEmpty());
  const int x[2] = {p.left + p.Width() / 7, p.left + p.Width() / 2};
  for (const int at : x) rig.Click(MouseButton::Right, at, (p.top + p.bottom) / 2);
  ASSERT_EQ(view.CountMarkedPoints(), 2u);
  double value[2], time[2];
  for (int m = 0; m < 2; ++m) {
    const std::uint32_t sample = channel.TimeBase[view.Markers[m].Column].FirstSample;
    const std::int32_t code = channel.Codes[sample];
    value[m] = channel.ValueOfFilteredCode(channel.FractionalCodes != 0 ? code * 256 : code);
    time[m] = sample / static_cast<double>(view.RecordRate);
    EXPECT_NEAR(view.Markers[m].Values[0], value[m], std::pow(10.0, -channel.Decimals)) << m;
  }
  const auto rows = view.DifferenceRowTexts(0, 1);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_NEAR(Number(rows[0].Value), std::fabs(value[0] - value[1]), 1.01 * std::pow(10.0, -channel.Decimals));
  EXPECT_NEAR(Number(rows[0].Time), std::fabs(time[0] - time[1]), 0.0011);
  EXPECT_GT(std::fabs(value[0] - value[1]), 0.5) << "the sine differs at the two columns";
  // The rows are drawn in the panel, on the window too.
  const Picture marked = rig.Screen();
  EXPECT_GT(before.Differences(marked, panel), panel.Width() * 4);
  EXPECT_EQ(StaleAfterFreshPaint(rig, panel), 0);
  rig.Click(MouseButton::Right, 2, rig.ViewArea().bottom + 3);
  EXPECT_EQ(before.Differences(rig.Screen(), panel), 0);
}

// The rig's host, with file dialogs that name one file.
class NamingHost final : public platform::HostServices {
 public:
  NamingHost(platform::HostServices& host, std::string path) : host_(host), path_(std::move(path)) {}
  bool SetDeviceArrivalHandler(platform::DeviceArrivalHandler handler) override {
    return host_.SetDeviceArrivalHandler(std::move(handler));
  }
  platform::HostWindow& Window() override { return host_.Window(); }
  void SetWindowTitle(std::string_view title) override { host_.SetWindowTitle(title); }
  void ShowWindow() override { host_.ShowWindow(); }
  int RunEventLoop() override { return 0; }
  void ShowMessage(std::string_view text, std::string_view caption) override { host_.ShowMessage(text, caption); }
  std::optional<platform::FileDialogResult> OpenFileDialog(const platform::FileDialogRequest&) override {
    return platform::FileDialogResult{path_};
  }
  std::optional<platform::FileDialogResult> SaveFileDialog(const platform::FileDialogRequest&) override {
    return platform::FileDialogResult{path_};
  }
  bool OpenAddress(std::string_view) override { return false; }
  bool UserLocaleIsRussian() const override { return host_.UserLocaleIsRussian(); }
  platform::ScreenInfo Screen() const override { return host_.Screen(); }
  std::string CommandLine() const override { return host_.CommandLine(); }

 private:
  platform::HostServices& host_;
  std::string path_;
};

// The gas-volume sensor alone (a record of it opened from a file): the volume between the two
// markers is shown below the rows, inside the panel.
TEST(ReviewPanels, FlowRecordShowsTheVolumeBetweenMarkers) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("vessamor_flow_" + std::to_string(::getpid()) + ".out")).string();
  ReviewRig rig(1366, 768, true, "wired:04/1195:sine=2600,400,1");
  rig.EnterMeasureScreen();
  rig.Record(3.0);
  GraphView& view = rig.View();
  records::SaveRange range;
  std::string title;
  NamingHost host(rig.Host(), path);
  records::RecordCommandContext context{view, host, range, title, true, nullptr, {}};
  {
    std::lock_guard lock(view.ViewLock);
    view.Channel(0).SensorCode = kFlowKind;
    view.SensorCode = kFlowKind;
  }
  records::SaveRecord(context);
  ASSERT_TRUE(records::OpenRecord(context));
  std::filesystem::remove(path);
  rig.Settle();
  ASSERT_EQ(view.Channel(0).SensorCode, kFlowKind);
  const WindowRect p = rig.Plot(), panel = Rect(view.DifferencePanelRect);
  const double row = view.DifferenceRowHeight();
  const WindowRect below{panel.left, static_cast<int>(panel.top + panel.Height() / 6.0 + row + 2), panel.right, panel.bottom};
  const Picture before = rig.Screen();
  for (const int at : {p.left + p.Width() / 7, p.left + p.Width() / 2}) rig.Click(MouseButton::Right, at, (p.top + p.bottom) / 2);
  ASSERT_EQ(view.CountMarkedPoints(), 2u);
  const Picture marked = rig.Screen();
  EXPECT_GT(before.Differences(marked, below), below.Width() * 4) << "no volume box";
  // Nothing of it outside the panel: the window below the panel stays.
  EXPECT_EQ(before.Differences(marked, {panel.left, panel.bottom, panel.right, marked.Height}), 0);
}

// A marker's caption reads what the curve shows at its column, whatever the averaging.
TEST(ReviewPanels, MarkerCaptionIsThePlottedValueAtItsColumn) {
  ReviewRig rig(1366, 768, false, "wired:04/1195:sine=2048,1000,2");
  rig.EnterMeasureScreen();
  rig.Record(3.0);
  GraphView& view = rig.View();
  VessamorChannel& channel = view.Channel(0);
  const WindowRect p = rig.Plot();
  for (const std::uint16_t window : {20, 100}) {
    SCOPED_TRACE(window);
    {
      std::lock_guard lock(view.ViewLock);
      channel.SmoothingOn = 1;
      channel.SmoothingWindow = window;
      channel.ConfigureFilter();
      channel.ResetColumnReduction();
      view.RebuildColumnTable(view.FirstShownColumn, view.LastShownColumn);
    }
    rig.Host().Window().Invalidate();
    // Where the sine is steepest and where it turns.
    for (const int at : {p.left + p.Width() / 5, p.left + p.Width() / 3, p.left + p.Width() / 2}) {
      rig.Click(MouseButton::Right, at, (p.top + p.bottom) / 2);
      const MarkerRecord& marker = view.Markers[0];
      ASSERT_NE(marker.Set, 0) << at;
      const ColumnRecord& column = channel.Columns[marker.Column];
      const double a = channel.ChannelValueOfCode(column.MinCode, 2), b = channel.ChannelValueOfCode(column.MaxCode, 2);
      const double digit = std::pow(10.0, -channel.Decimals);
      EXPECT_GE(marker.Values[0], std::min(a, b) - digit) << at;
      EXPECT_LE(marker.Values[0], std::max(a, b) + digit) << at;
      rig.Click(MouseButton::Right, 2, rig.ViewArea().bottom + 3);  // the marker goes
    }
  }
}

// A record of 4,100,000 samples (a 10 Hz sine at 25 kHz, 164 s) written as a ".out" file; the
// file's name in VESSAMOR_LONG_RECORD keeps it.
std::string LongRecordFile() {
  const char* kept = std::getenv("VESSAMOR_LONG_RECORD");
  const std::string path = kept != nullptr ? kept
                                           : (std::filesystem::temp_directory_path() /
                                              ("vessamor_long_" + std::to_string(::getpid()) + ".out")).string();
  ReviewRig rig(1366, 768, false, "wired:04/1195:sine=2048,1000,1", 20'000'000);
  rig.EnterMeasureScreen();
  rig.Record(0.5);
  GraphView& view = rig.View();
  constexpr std::uint32_t kSamples = 4'100'000;
  {
    std::lock_guard lock(view.ViewLock);
    VessamorChannel& channel = view.Channel(0);
    EXPECT_GE(channel.CodeCapacity, kSamples);
    for (std::uint32_t i = 0; i < kSamples; ++i) {
      channel.Codes[i] = static_cast<std::int16_t>(2048 + 1000 * std::sin(2 * std::numbers::pi * 10.0 * i / 25000.0));
    }
    channel.CodeCount = kSamples;
    view.SampleCount = kSamples;
    view.LastSampleIndex = kSamples - 1;
    view.RecordRate = 25000;
  }
  records::SaveRange range;
  std::string title;
  NamingHost host(rig.Host(), path);
  records::RecordCommandContext context{view, host, range, title, false, nullptr, {}};
  records::SaveRecord(context);
  return path;
}

// One press of "Overview" fits the long record: the "preparing data" box shows until the window's
// timer brings the second step, which fits the whole record; then no trace of the box stays.
TEST(ReviewPanels, LongRecordFitsFromOnePress) {
  const std::string path = LongRecordFile();
  ReviewRig rig(1366, 768, false, "wired:04/1195:sine=2048,1000,1", 20'000'000);
  rig.EnterMeasureScreen();
  GraphView& view = rig.View();
  records::SaveRange range;
  std::string title;
  NamingHost host(rig.Host(), path);
  records::RecordCommandContext context{view, host, range, title, false, nullptr, {}};
  ASSERT_TRUE(records::OpenRecord(context));
  rig.Settle();
  ASSERT_EQ(view.LastSampleIndex, 4'099'999u);
  const Picture loaded = rig.Screen();
  const WindowRect plot = rig.Plot();
  rig.Press(kFit);
  EXPECT_EQ(view.FitPending, 1);
  EXPECT_EQ(view.PreparingDataRequest.load(), 1);
  const double ui = rig.Window().Metrics.UiScale;
  const PixelRect& v = view.ViewRect;
  const WindowRect box{static_cast<int>(v.Width() / 2 - ui * 70), v.Height() / 2,
                       static_cast<int>(v.Width() / 2 - ui * 70 + ui * 350), static_cast<int>(v.Height() / 2 + ui * 40)};
  EXPECT_GT(loaded.Differences(rig.Screen(), box), box.Width() * box.Height() / 4) << "no box";
  for (int k = 0; k < 10 && view.FitPending != 0; ++k) rig.Step(33);
  EXPECT_EQ(view.FitPending, 0);
  EXPECT_EQ(view.PreparingDataRequest.load(), 0);
  EXPECT_NEAR(view.Scale.StartTime, 0.0, 0.01);
  EXPECT_NEAR(view.Scale.EndTime, 164.0, 164.0 * 0.02);
  EXPECT_EQ(StaleAfterFreshPaint(rig, plot), 0) << "the box stays on the fitted record";
  if (std::getenv("VESSAMOR_LONG_RECORD") == nullptr) std::filesystem::remove(path);
}

// "New" leaves an empty plot: no curve, value box or marker of the record left; the view's
// commands then say there is nothing to show.
TEST(ReviewPanels, NewRecordLeavesAnEmptyPlotAndItsCommandsSaySo) {
  ReviewRig rig(1366, 768, true);
  rig.EnterMeasureScreen();
  rig.Record(2.0);
  GraphView& view = rig.View();
  const WindowRect p = rig.Plot();
  rig.Click(MouseButton::Right, p.left + p.Width() / 5, (p.top + p.bottom) / 2);
  const Rgba ink = view.Channel(0).Colour;
  ASSERT_GT(Inked(rig.Screen(), rig.ViewArea(), ink), 100);
  rig.Press(kFile);
  const WindowRect list = FindMainControl(rig.Window().Window(), 75009)->Rect();
  rig.Click(MouseButton::Left, list.left + list.Width() / 2, list.top + list.Height() / 10);
  for (int k = 0; k < 10; ++k) rig.Step(33);
  EXPECT_EQ(view.RecordViewable, 0);
  EXPECT_EQ(Inked(rig.Screen(), rig.ViewArea(), ink), 0) << "the discarded record is still shown";
  EXPECT_EQ(view.CountMarkedPoints(), 0u);
  EXPECT_EQ(StaleAfterFreshPaint(rig, rig.ViewArea()), 0);
  auto& messages = rig.Host().Messages;
  for (const std::int32_t id : {kFit, kPageBack, kPageForward}) {
    const std::size_t before = messages.size();
    rig.Press(id);
    ASSERT_EQ(messages.size(), before + 1) << id;
    EXPECT_NE(messages.back().find("nothing to show"), std::string::npos);
  }
}

// A drag of the value-scale slider and its release leave the picture a fresh paint gives at that
// scale: the curve once, under the new value labels.
TEST(ReviewPanels, ValueScaleDragRepaintsLikeAPage) {
  ReviewRig rig(1366, 768, false);
  rig.EnterMeasureScreen();
  rig.Record(2.0);
  GraphView& view = rig.View();
  rig.Press(75052);
  const WindowRect r = FindMainControl(rig.Window().Window(), 75003)->Rect();
  const double before = view.Scale.ValuePerDivision;
  const int x = (r.left + r.right) / 2;
  rig.Mouse(platform::MouseKind::Move, x, r.top + r.Height() / 2);
  rig.Mouse(platform::MouseKind::LeftDown, x, r.top + r.Height() / 2);
  for (int k = 1; k <= 6; ++k) {
    rig.Mouse(platform::MouseKind::Move, x, r.top + r.Height() / 2 - k * r.Height() / 16);
    EXPECT_EQ(StaleAfterFreshPaint(rig, rig.Plot()), 0) << "during the drag, step " << k;
  }
  rig.Mouse(platform::MouseKind::LeftUp, x, r.top + r.Height() / 8);
  EXPECT_NE(view.Scale.ValuePerDivision, before);
  // The labels left of the plot too, and the sliders over it are left out.
  const WindowRect labels{0, rig.Plot().top, rig.Plot().left, rig.Plot().bottom};
  EXPECT_EQ(StaleAfterFreshPaint(rig, labels), 0);
  EXPECT_EQ(StaleAfterFreshPaint(rig, {r.right + 1, rig.Plot().top, rig.Plot().right, rig.Plot().bottom}), 0);
}

// A left drag of the value axis to the plot's top or bottom edge leaves the value scale as a paint
// of the whole window gives it: no part of a label is left, not even of one that stood on the top
// or bottom tick with its text reaching past the plot.
TEST(ReviewPanels, ValueAxisDragLeavesNoPartOfALabel) {
  const struct {
    int width, height;
    bool english, to_top;
  } cases[] = {{1366, 768, false, true}, {1366, 768, false, false}, {1920, 1080, true, true}, {1920, 1080, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << (c.to_top ? " to the top" : " to the bottom"));
    ReviewRig rig(c.width, c.height, c.english);
    rig.EnterMeasureScreen();
    rig.Record(2.0);
    const GraphView& view = rig.View();
    const WindowRect plot = rig.Plot(), area = rig.ViewArea();
    rig.Host().Window().Invalidate();
    const bool past_edge = std::any_of(view.ValueLabelRects.begin(), view.ValueLabelRects.end(),
                                       [&](const PixelRect& r) { return r.Top < plot.top || r.Bottom > plot.bottom; });
    ASSERT_TRUE(past_edge) << "no label on the top or bottom tick";
    const double top = view.Scale.TopValue;
    const int x = (plot.left + plot.right) / 2, y = (plot.top + plot.bottom) / 2;
    rig.Drag(MouseButton::Left, x, y, x, c.to_top ? plot.top + 1 : plot.bottom - 2, 6);
    ASSERT_NE(view.Scale.TopValue, top) << "the axis did not move";
    EXPECT_EQ(StaleAfterFreshPaint(rig, {area.left, area.top, plot.left, area.bottom}), 0);
  }
}

// The bottom bar's buttons stay painted with a marker's difference row shown, after a zoom by the
// right button and with the Scale panel open: what the window shows of each is what a paint of
// the whole window gives.
TEST(ReviewPanels, BottomBarButtonsStayAfterAZoomAndTheScalePanel) {
  for (const auto& [width, height] : {std::pair{1366, 768}, {1920, 1080}}) {
    SCOPED_TRACE(width);
    ReviewRig rig(width, height, width > 1366, "wired:15/1063:sine=2000,300,0.1;wired:04/1195:sine=2048,1500,1");
    rig.EnterMeasureScreen();
    rig.Record(4.0);
    MainWindow& w = rig.Window();
    std::vector<WindowRect> buttons;
    for (const std::int32_t id : {74999, 75004, 75013, 75052, 75045, 75046, 75014, 75053, 75038, 75041, 75181, 75184}) {
      const platform::Control* c = FindMainControl(w.Window(), id);
      ASSERT_TRUE(c != nullptr && c->IsVisible()) << id;
      buttons.push_back(c->Rect());
    }
    const auto expect_painted = [&](const char* after) {
      for (const WindowRect& r : buttons) EXPECT_EQ(StaleAfterFreshPaint(rig, r), 0) << after << " at " << r.left << "," << r.top;
    };
    expect_painted("the record");
    const WindowRect plot = rig.Plot();
    // Both markers on the record as shown, well apart: a late batch of samples may have carried it a
    // little way onto a new screen, where a user fits the record first; a right click past its end
    // takes the markers away, and one on a marker's line picks that marker up.
    const GraphView& view = rig.View();
    if (view.LastShownColumn - view.FirstShownColumn < view.PlotWidth / 4) {
      rig.Press(kFit);
      for (int k = 0; k < 10; ++k) rig.Step(33);
    }
    const int shown = view.LastShownColumn - view.FirstShownColumn;
    ASSERT_GE(shown, view.PlotWidth / 4);
    for (const int quarter : {1, 3}) {
      rig.Click(MouseButton::Right, view.PlotRect.Left + view.FirstShownColumn - 1 + shown * quarter / 4, (plot.top + plot.bottom) / 2);
    }
    ASSERT_EQ(rig.View().CountMarkedPoints(), 2u) << "columns " << view.FirstShownColumn << ".." << view.LastShownColumn << " of "
                                                  << view.PlotWidth << ", " << view.SampleCount << " samples; marker 1 at "
                                                  << view.Markers[0].Column << " set " << int(view.Markers[0].Set) << ", marker 2 at "
                                                  << view.Markers[1].Column << " set " << int(view.Markers[1].Set);
    expect_painted("the markers");
    // The differences' panel repainted alone, as it asks when its rows change.
    w.InvalidateLocal(rig.View().DifferencePanelRect);
    expect_painted("the differences");
    rig.Drag(MouseButton::Right, plot.left + plot.Width() / 5, plot.top + plot.Height() / 4, plot.left + plot.Width() / 2,
             plot.top + plot.Height() / 2, 3);
    for (int k = 0; k < 10; ++k) rig.Step(33);
    expect_painted("the zoom");
    rig.Press(75052);
    for (int k = 0; k < 10; ++k) rig.Step(33);
    expect_painted("the Scale panel");
  }
}

// A record made after a change of sampling rate labels its time axis over the whole screen.
TEST(ReviewPanels, RateChangeDerivesTheTimeGridAgain) {
  ReviewRig rig(1366, 768, false);
  rig.EnterMeasureScreen();
  GraphView& view = rig.View();
  rig.Press(75037);
  const WindowRect r = FindMainControl(rig.Window().Window(), 75008)->Rect();
  const std::uint32_t rate = view.RateSetting;
  rig.Drag(MouseButton::Left, r.left + r.Width() / 5, (r.top + r.bottom) / 2, r.left + r.Width() / 2, (r.top + r.bottom) / 2);
  ASSERT_NE(view.RateSetting, rate);
  rig.Press(75037);
  for (const bool recorded : {false, true}) {
    SCOPED_TRACE(recorded);
    if (recorded) rig.Record(1.0);
    const std::uint32_t now = recorded ? view.RecordRate : view.RateSetting;
    EXPECT_DOUBLE_EQ(view.SecondsPerSample, 1.0 / now);
    const double screen = view.Scale.SecondsPerColumn * view.PlotWidth;
    EXPECT_NEAR(view.Scale.EndTime - view.Scale.StartTime, screen, screen * 0.01);
    EXPECT_GE(view.Scale.TimeTickCount, 4) << "labels per screen";
  }
}

}  // namespace

namespace {

bool Meet(const PixelRect& a, const PixelRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

// Wherever a marker stands, its badge keeps off the caption strip's texts and its value captions
// off the value indicators and inside the plot, with two channels and with four on a large screen.
TEST(ReviewPanels, MarkerBadgesAndCaptionsKeepOffOtherTexts) {
  const struct {
    int width, height;
    bool english;
    const char* units;
  } cases[] = {{1366, 768, false, "wired:04/1195:sine=2048,1000,1;wired:04/1195:sine=2048,800,2"},
               {1366, 768, true, "wired:04/1195:sine=2048,1000,1;wired:04/1195:sine=2048,800,2"},
               {1920, 1080, true,
                "wired:04/1195:sine;wired:04/1195:sine=2048,800,2;wired:15/1063:sine;wired:04/1195:sine=2048,500,3"}};
  for (const auto& screen : cases) {
    const bool english = screen.english;
    SCOPED_TRACE(screen.width);
    ReviewRig rig(screen.width, screen.height, english, screen.units);
    rig.EnterWithEveryUnit();
    rig.Record(3.0);
    rig.Press(kFit);
    GraphView& view = rig.View();
    const WindowRect p = rig.Plot();
    int checked = 0;
    for (int at = p.left + 4; at < p.right - 4; at += 7) {
      rig.Click(MouseButton::Right, at, p.bottom - 8);
      const MarkerRecord& marker = view.Markers[0];
      if (marker.Set == 0) continue;
      ++checked;
      for (const PixelRect& text : view.HeaderTextReach) EXPECT_FALSE(Meet(marker.BadgeRect, text)) << at;
      // Two channels' captions always find room off the indicators; four under the indicators may not.
      for (std::size_t k = 0; k < GraphView::kLiveChannels && screen.width == 1366; ++k) {
        if (view.IndicatorShown[k] == 0) continue;
        for (std::uint8_t c = 0; c < marker.ValueCaptionCount; ++c)
          EXPECT_FALSE(Meet(marker.ValueCaptionRects[c], view.IndicatorStrips[k])) << at;
      }
      // Each caption stands inside the plot, against its own marker's line.
      const int line = view.PlotRect.Left + static_cast<int>(marker.Column) - 1;
      for (std::uint8_t c = 0; c < marker.ValueCaptionCount; ++c) {
        const PixelRect& box = marker.ValueCaptionRects[c];
        EXPECT_TRUE(box.Top >= view.PlotRect.Top && box.Bottom <= view.PlotRect.Bottom) << at << " caption " << int(c);
        EXPECT_TRUE(std::abs(box.Left - line) <= 2 || std::abs(box.Right - line) <= 2) << at << " caption " << int(c);
      }
      rig.Click(MouseButton::Right, 2, rig.ViewArea().bottom + 3);
    }
    EXPECT_GT(checked, p.Width() / 7 / 2);
  }
}

}  // namespace

namespace {

// The value axes' names keep off the value labels (pH) and out of the plot, and each kind's labels
// keep their own column whether or not a kind before them has a label at that height, up to four kinds.
TEST(ReviewPanels, AxisNamesAndLabelColumnsStayApart) {
  const struct {
    const char* units;
    std::int32_t count;
    std::size_t columns;
  } cases[] = {{"auto:kind=5:sine", 1, 1},
               {"wired:04/1195:sine;auto:kind=5:sine;wired:15/1063:sine", 3, 3},
               {"wired:15/1063:sine;wired:04/1195:sine;auto:kind=40:sine;auto:kind=48:sine", 4, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.units);
    ReviewRig rig(1366, 768, false, c.units);
    rig.EnterWithEveryUnit();
    rig.Record(1.0);
    rig.Host().Window().Invalidate();
    rig.Screen();
    const GraphView& view = rig.View();
    ASSERT_FALSE(view.ValueLabelRects.empty());
    for (const PixelRect& name : view.ValueNameReach) {
      for (const PixelRect& label : view.ValueLabelRects) EXPECT_FALSE(Meet(name, label)) << name.Left << "," << name.Top;
      EXPECT_FALSE(Meet(name, view.PlotRect)) << "a name in the plot at " << name.Left << "," << name.Top;
    }
    std::vector<std::int32_t> rights;
    for (const PixelRect& label : view.ValueLabelRects) rights.push_back(label.Right);
    std::sort(rights.begin(), rights.end());
    rights.erase(std::unique(rights.begin(), rights.end()), rights.end());
    EXPECT_LE(rights.size(), c.columns) << "a label column moved sideways";
  }
}

}  // namespace
