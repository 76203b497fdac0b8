// The display modes that no command selects (1 the digital display, 2 the white graph, 4 the analog
// dial), set directly on the assembled window and read back as pictures; the View menu's
// "График" item brings the graph back.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <numbers>

#include "controls/aimage_button.h"
#include "graph/graph_paint_host.h"
#include "layout/display_modes.h"
#include "review_rig.h"

namespace {

using apptest::Picture;
using apptest::ReviewRig;
namespace key = platform::key;

bool Is(const Picture& p, int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  const std::uint8_t* px = p.At(x, y);
  return px[2] == r && px[1] == g && px[0] == b;
}

int Count(const Picture& p, const PixelRect& area, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  int n = 0;
  for (int y = std::max(area.Top, 0); y < std::min(area.Bottom, p.Height); ++y)
    for (int x = std::max(area.Left, 0); x < std::min(area.Right, p.Width); ++x) n += Is(p, x, y, r, g, b) ? 1 : 0;
  return n;
}

// Lets the recording run until the view has `samples` more, and the window paint meanwhile.
void RunFor(ReviewRig& rig, std::uint32_t samples) {
  const std::uint32_t from = rig.Samples();
  rig.Until([&] { return rig.Samples() > from + samples; });
  for (int k = 0; k < 4; ++k) rig.Step(260);
}

// The View menu's "График": the graph screen as entering the measurement screen shows it.
void BackToGraph(ReviewRig& rig) {
  rig.Window().OnToolbarCommand(3, 3, 75009, rig.View());
  for (int k = 0; k < 12; ++k) rig.Step(33);
  EXPECT_EQ(rig.View().DisplayMode, 3);
}

// After the View menu's "График" the window shows what it showed on entering the measurement screen.
void ExpectGraphBack(ReviewRig& rig, const Picture& entered) {
  BackToGraph(rig);
  const platform::WindowRect client{0, 0, entered.Width, entered.Height};
  const Picture back = rig.Screen();
  EXPECT_EQ(back.Differences(entered, client), 0);
}

constexpr double kPi = std::numbers::pi;

// The pixel `r` pixels from the dial's pivot in `degrees` (counter-clockwise from the positive x axis).
const std::uint8_t* OnRay(const Picture& p, const DialView& dial, double degrees, double r) {
  const double a = degrees * kPi / 180.0;
  return p.At(static_cast<int>(std::lround(dial.DialPivotX + r * std::cos(a))),
              static_cast<int>(std::lround(dial.DialPivotY - r * std::sin(a))));
}
// The needle's red-brown (170, 75, 50), anti-aliased over the plate and its shadows.
bool IsNeedle(const std::uint8_t* px) { return px[2] > px[1] + 50 && px[2] > px[0] + 60; }

// Mode 4: the needle points where the scale puts the value the channel shows, for two constant
// signals; the reference ticks stand on the scale's arcs at 135.04 and 90.22 degrees.
TEST(DisplayModes, DialNeedleFollowsTheSignalAndReferenceTicksStandOnTheScale) {
  const struct {
    const char* units;
    bool switch_while_recording;
  } cases[] = {{"wired:04/1195:const=1000", false}, {"wired:04/1195:const=3200", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.units);
    // A screen taller than 4:3: the whole dial and the needle's pivot lie inside the window.
    ReviewRig rig(1280, 1024, false, c.units);
    rig.EnterMeasureScreen();
    MainWindow& w = rig.Window();
    GraphView& view = rig.View();
    const Picture entered = rig.Screen();
    AImageButton& file = *FindImageButton(w.Window(), 75010);
    const std::string graph_face = file.Renderer().style.typeface;
    // Switched during a recording, the header the switch rebuilds sets up again the channels that
    // the unit writes into; else Start/Stop starts the recording on the dial.
    std::uint32_t recorded = 0;
    if (c.switch_while_recording) {
      rig.StartRecording();
      RunFor(rig, 500);
      recorded = rig.Samples();
    }
    SwitchToDialMode(w);
    // The record so far stays.
    EXPECT_GE(rig.Samples(), recorded);
    EXPECT_EQ(view.DisplayMode, 4);
    EXPECT_TRUE(FindMainControl(w.Window(), 75004)->IsVisible());
    EXPECT_TRUE(FindMainControl(w.Window(), 74999)->IsVisible());
    EXPECT_FALSE(FindMainControl(w.Window(), 75013)->IsVisible());
    // Every button's caption in bold "Verdana" on this screen; the graph screen gives the faces back.
    EXPECT_EQ(file.Renderer().style.typeface, "Verdana");
    EXPECT_EQ(file.Renderer().style.font_weight, 700);
    rig.Step(100);
    const Picture before_start = rig.Screen();
    if (!c.switch_while_recording) rig.StartRecording();
    RunFor(rig, 1500);
    const DialView& dial = view.Dial;
    // The needle turns on the window's clock once the samples are in, however late a busy machine
    // brings them: the window steps on until it stands at the value (the watchdog is against hangs only).
    const auto needle_at_value = [&] {
      std::lock_guard lock(view.ViewLock);
      const double v = view.Channel(0).SampleValue(view.LastShownColumn);
      const double span = view.Scale.TopValue - view.Scale.BottomValue;
      const double angle = (v - view.Scale.BottomValue) / span * dial.DialAngleSpan - dial.DialAngleMax;
      return span != 0.0 && std::abs(angle - dial.DialAngle) < 2.0;
    };
    for (auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
         !needle_at_value() && std::chrono::steady_clock::now() < end;) {
      rig.Step(100);
    }
    const Picture dial_picture = rig.Screen();
    ASSERT_EQ(dial.DialPrepared, 1);
    // Start/Stop on the dial brings the side-panel caption round the two buttons, above them, and
    // the needle's paints keep it.
    if (!c.switch_while_recording) {
      EXPECT_EQ(w.SidePanelRequest, 0);
      const PixelRect panel = view.PaintHost->ControlGroups()[0];
      const platform::WindowRect caption{panel.Left, panel.Top, panel.Right, FindMainControl(w.Window(), 75004)->Rect().top};
      ASSERT_FALSE(caption.IsEmpty());
      EXPECT_GT(dial_picture.Differences(before_start, caption), caption.Width() * caption.Height() / 3);
      EXPECT_TRUE(view.PaintHost->ControlGroups()[1].Width() <= 0);
    }
    double value = 0.0, bottom = 0.0, top = 0.0;
    {
      std::lock_guard lock(view.ViewLock);
      value = view.Channel(0).SampleValue(view.LastShownColumn);
      bottom = view.Scale.BottomValue;
      top = view.Scale.TopValue;
    }
    const double degrees = DialView::TickDegrees((value - bottom) / (top - bottom) * 199.0);
    // The needle shows inside the dial's rectangle, which ends at the buttons' top.
    int needle = 0, inside = 0, beside = 0;
    for (double r = 0.30; r < 0.96; r += 0.05) {
      const double a = degrees * kPi / 180.0;
      if (dial.DialPivotY - r * dial.NeedleLength * std::sin(a) >= dial.DialRect.Bottom - 2) continue;
      ++inside;
      needle += IsNeedle(OnRay(dial_picture, dial, degrees, r * dial.NeedleLength)) ? 1 : 0;
      for (double off : {-6.0, 6.0}) beside += IsNeedle(OnRay(dial_picture, dial, degrees + off, r * dial.NeedleLength)) ? 1 : 0;
    }
    EXPECT_GE(inside, 4);
    EXPECT_GE(needle, inside - 2) << value << " in " << bottom << ".." << top;
    EXPECT_EQ(beside, 0);
    // What the window shows of the dial's rectangle is the dial as last painted: no needle of an
    // earlier paint stays on the screen.
    {
      const platform::Surface& screen = rig.Host().Window().Pixels();
      const platform::Surface& back = w.BackBuffer(0);
      int stale = 0;
      for (int y = dial.DialRect.Top; y < dial.DialRect.Bottom; ++y)
        for (int x = dial.DialRect.Left; x < dial.DialRect.Right; ++x) stale += screen.GetPixel(x, y) == back.GetPixel(x, y) ? 0 : 1;
      EXPECT_EQ(stale, 0);
    }
    // The static face: the plate's background round the scale.
    EXPECT_GT(Count(dial_picture, view.ViewRect, 250, 250, 255), view.ViewRect.Width() * view.ViewRect.Height() / 4);

    // The reference ticks, on buffer 0 cleared to white, from the scale's own numbers.
    platform::Surface& back = w.BackBuffer(0);
    back.Fill({255, 255, 255, 255});
    view.Dial.DrawDialReferenceTicks(w.Renderer0());
    const double k = dial.DesignFactor;
    const auto ink = [&](double deg, double radius) {
      const double a = deg * kPi / 180.0;
      const int x = static_cast<int>(std::lround(dial.DialOriginX + (401.334 + radius * std::cos(a)) * k));
      const int y = static_cast<int>(std::lround(dial.DialOriginY + (561.82 - radius * std::sin(a)) * k));
      int darkest = 255;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) darkest = std::min<int>(darkest, back.GetPixel(x + dx, y + dy).r);
      return darkest < 128;
    };
    for (double deg : {135.04, 135.04 - 99 * 0.45274}) {
      EXPECT_TRUE(ink(deg, 400.0)) << deg;
      EXPECT_TRUE(ink(deg, 410.0)) << deg;
      EXPECT_FALSE(ink(deg, 440.0)) << deg;
    }
    EXPECT_FALSE(ink(135.04 - 50 * 0.45274, 405.0));

    rig.Key(key::kSpace);
    rig.Until([&] { return view.RecordViewable != 0; });
    ExpectGraphBack(rig, entered);
    EXPECT_EQ(file.Renderer().style.typeface, graph_face);
  }
}

// Mode 1: the digital indicators of the live channels in their column, on the display's background;
// leaving it gives back the graph.
TEST(DisplayModes, DigitalDisplayShowsTheLiveIndicators) {
  ReviewRig rig(1366, 768, false);
  rig.EnterMeasureScreen();
  MainWindow& w = rig.Window();
  GraphView& view = rig.View();
  const Picture entered = rig.Screen();
  // The switch comes during a recording: the header it rebuilds sets up again the channels that the
  // unit writes into.
  rig.StartRecording();
  RunFor(rig, 500);
  const std::uint32_t recorded = rig.Samples();
  SetDisplayModeDigital(w);
  EXPECT_EQ(view.DisplayMode, 1);
  EXPECT_GE(rig.Samples(), recorded);
  RunFor(rig, 2000);
  // A repaint between two value updates shows the indicators as they were drawn.
  w.InvalidateLocal();
  rig.Step(5);
  const Picture digital = rig.Screen();
  const PixelRect column = view.IndicatorColumn;
  ASSERT_GT(column.Height(), 0);
  ASSERT_EQ(view.IndicatorShown[0], 1);
  const PixelRect strip = view.IndicatorStrips[0];
  EXPECT_GE(strip.Left, column.Left);
  EXPECT_LE(strip.Right, column.Right);
  // The face is white with the value's digits in it; beside the column lies the bare background.
  EXPECT_GT(Count(digital, strip, 255, 255, 255), strip.Width() * strip.Height() / 4);
  const int face = Count(digital, strip, 255, 255, 255), background = Count(digital, strip, 0xFA, 0xFA, 0xFF);
  EXPECT_LT(face + background, strip.Width() * strip.Height()) << "no digits";
  const PixelRect beside{view.ViewRect.Left + 10, column.Top, column.Left - 10, column.Bottom};
  EXPECT_EQ(Count(digital, beside, 0xFA, 0xFA, 0xFF), beside.Width() * beside.Height());
  // The window's activation brings the side-panel caption round the shown buttons below the view;
  // the hidden ones get none.
  w.OnActivate(true);
  rig.Step(5);
  EXPECT_EQ(w.SidePanelRequest, 0);
  const PixelRect panel = view.PaintHost->ControlGroups()[0];
  const platform::WindowRect caption{panel.Left, panel.Top, panel.Right, FindMainControl(w.Window(), 75004)->Rect().top};
  ASSERT_FALSE(caption.IsEmpty());
  EXPECT_GT(rig.Screen().Differences(digital, caption), caption.Width() * caption.Height() / 3);
  EXPECT_EQ(rig.Screen().Differences(digital, FindMainControl(w.Window(), 75038)->Rect()), 0);
  rig.Key(key::kSpace);
  rig.Until([&] { return view.RecordViewable != 0; });
  ExpectGraphBack(rig, entered);
}

// Mode 2: the record on white with dark grey grid lines over the whole client area; the graph
// screen comes back.
TEST(DisplayModes, WhiteGraphDrawsDarkGreyGridAndTheGraphComesBack) {
  ReviewRig rig(1366, 768, false);
  rig.EnterMeasureScreen();
  MainWindow& w = rig.Window();
  GraphView& view = rig.View();
  const Picture entered = rig.Screen();
  rig.Record(1.0);
  const Picture graph = rig.Screen();
  EXPECT_LT(Count(graph, view.PlotRect, 0x1E, 0x1E, 0x1E), view.PlotRect.Width() / 10);
  const int curve = Count(graph, view.PlotRect, 255, 0, 0);
  EXPECT_GT(curve, 100);
  SetDisplayModeDemonstration(w);
  for (int k = 0; k < 4; ++k) rig.Step(33);
  const Picture white = rig.Screen();
  EXPECT_EQ(view.ViewRect.Bottom, w.Metrics.ScreenHeight);
  const PixelRect plot = view.PlotRect;
  EXPECT_GT(Count(white, plot, 0x1E, 0x1E, 0x1E), plot.Width() + plot.Height());
  EXPECT_GT(Count(white, plot, 255, 255, 255), plot.Width() * plot.Height() / 2);
  // The record stays in view.
  EXPECT_GT(Count(white, plot, 255, 0, 0), curve / 2);
  ExpectGraphBack(rig, entered);
}

// The hover groups in the modes that have them: the top group over the top band, the side group
// over the bottom bar (its first form in mode 2, the second in modes 1 and 4); the graph has none.
TEST(DisplayModes, PointerOpensAndClosesTheHoverGroups) {
  ReviewRig rig(1366, 768, false);
  rig.EnterMeasureScreen();
  MainWindow& w = rig.Window();
  GraphView& view = rig.View();
  const auto shown = [&](std::int32_t id) { return FindMainControl(w.Window(), id)->IsVisible(); };
  const auto move = [&](int x, int y) { rig.Mouse(platform::MouseKind::Move, x, y); };
  const int middle_x = w.Metrics.ScreenWidth / 2, middle_y = w.Metrics.ScreenHeight / 2;
  const struct {
    void (*enter)(MainWindow&);
    bool view_buttons;
  } modes[] = {{&SetDisplayModeDemonstration, true}, {&SetDisplayModeDigital, false}, {&SwitchToDialMode, false}};
  for (const auto& mode : modes) {
    mode.enter(w);
    SCOPED_TRACE(static_cast<int>(view.DisplayMode));
    move(middle_x, middle_y);
    EXPECT_FALSE(shown(75010));
    EXPECT_FALSE(shown(75038));
    move(middle_x, view.TopZone.Top + 2);
    EXPECT_TRUE(shown(75010));
    EXPECT_EQ(w.Controls.TopPanelOpen, 1);
    move(middle_x, middle_y);
    EXPECT_FALSE(shown(75010));
    move(10, w.Metrics.ScreenHeight - 5);
    EXPECT_TRUE(shown(75038));
    EXPECT_TRUE(shown(75181));
    EXPECT_EQ(shown(75013), mode.view_buttons);
    EXPECT_EQ(w.Controls.SidePanelState, mode.view_buttons ? 1 : 2);
    move(middle_x, middle_y);
    EXPECT_FALSE(shown(75038));
    EXPECT_EQ(w.Controls.SidePanelOpen, 0);
    if (!mode.view_buttons) {
      move(view.SideZone2.Left + 2, middle_y);
      EXPECT_TRUE(shown(75038));
      move(middle_x, middle_y);
    }
    BackToGraph(rig);
  }
  // The graph screen keeps its groups as they are.
  move(middle_x, 5);
  EXPECT_EQ(w.Controls.TopPanelOpen, 0);
}

// The dial shows one channel: showing a channel with data hides the others and puts their buttons
// up; a channel without data is not shown.
TEST(DisplayModes, DialShowsOneChannelAtATime) {
  ReviewRig rig(1366, 768, false, "wired:04/1195:const=1000;wired:04/1195:const=3200");
  rig.EnterMeasureScreen();
  MainWindow& w = rig.Window();
  GraphView& view = rig.View();
  SwitchToDialMode(w);
  std::vector<std::size_t> with_data, without;
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) (view.Channel(k).HasData != 0 ? with_data : without).push_back(k);
  ASSERT_EQ(with_data.size(), 2u);
  ASSERT_FALSE(without.empty());
  const auto button = [&](std::size_t k) { return FindImageButton(w.Window(), 75038 + static_cast<std::int32_t>(k)); };
  const auto down = [&](std::size_t k) { return button(k)->State.load() == ControlFrame::kStateDown; };
  // The channel buttons come with the side group over the bottom bar.
  rig.Mouse(platform::MouseKind::Move, 10, w.Metrics.ScreenHeight - 5);
  const std::size_t a = with_data[0], b = with_data[1];
  if (down(b)) rig.Press(75038 + static_cast<std::int32_t>(b));
  ASSERT_FALSE(down(b));
  rig.Press(75038 + static_cast<std::int32_t>(b));
  EXPECT_TRUE(down(b));
  EXPECT_EQ(view.Channel(b).Shown, 1);
  EXPECT_EQ(view.Channel(a).Shown, 0);
  EXPECT_FALSE(down(a));
  rig.Press(75038 + static_cast<std::int32_t>(without[0]));
  EXPECT_EQ(view.Channel(without[0]).Shown, 0);
  EXPECT_FALSE(down(without[0]));
  EXPECT_EQ(view.Channel(b).Shown, 1);
}

// No command reaches the other modes: the View menu's other three items leave the graph screen as it is.
TEST(DisplayModes, ViewMenuItemsSelectNoOtherMode) {
  ReviewRig rig(1366, 768, false);
  rig.EnterMeasureScreen();
  const Picture entered = rig.Screen();
  for (std::int32_t item : {0, 1, 2}) {
    rig.Window().OnToolbarCommand(3, item, 75009, rig.View());
    for (int k = 0; k < 4; ++k) rig.Step(33);
    EXPECT_EQ(rig.View().DisplayMode, 3) << item;
  }
  EXPECT_EQ(rig.Screen().Differences(entered, {0, 0, entered.Width, entered.Height}), 0);
}

}  // namespace
