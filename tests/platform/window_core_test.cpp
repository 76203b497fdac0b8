// Tests of the window core: routing, capture, timers, painting and uncreated controls.
#include <gtest/gtest.h>

#include "platform/window_core.h"
#include "window_test_support.h"

namespace {

using platform::MouseKind;
using platform::WindowPoint;
using platform::WindowRect;
using window_test::RecordingControl;
using window_test::RecordingHandler;

class WindowCoreTest : public ::testing::Test {
 protected:
  WindowCoreTest() : host(640, 480, clock) { host.SetHandler(&handler); }

  void Create(RecordingControl& c, int id, WindowRect rect) {
    ASSERT_TRUE(c.Create(host, id, rect));
    c.Show();
  }
  void Mouse(MouseKind kind, WindowPoint p, unsigned flags = 0) { host.DeliverMouse(kind, p, flags); }
  void Click(WindowPoint down, WindowPoint up) {
    Mouse(MouseKind::LeftDown, down, platform::kMouseLeft);
    Mouse(MouseKind::LeftUp, up);
  }
  void Tick(std::int64_t ms) {
    clock.Advance(ms);
    host.RunDueTimers();
  }

  platform::FakeClock clock;
  platform::HostWindow host;
  RecordingHandler handler;
};

TEST_F(WindowCoreTest, ClickGoesToTopmostVisibleControlAndThroughHiddenOnes) {
  RecordingControl lower, upper;
  Create(lower, 1, WindowRect::FromSize(0, 0, 100, 100));
  Create(upper, 2, WindowRect::FromSize(50, 50, 100, 100));
  const WindowPoint overlap{60, 60};
  const std::function<void()> steps[] = {
      [] {}, [&] { upper.Hide(); }, [&] { upper.Show(), lower.BringToTop(); }, [&] { lower.Hide(), upper.Hide(); }};
  const std::pair<int, int> clicks[] = {{0, 1}, {1, 1}, {2, 1}, {2, 1}};  // lower, upper after each step
  for (int i = 0; i < 4; ++i) {
    steps[i]();
    Click(overlap, overlap);
    EXPECT_EQ(lower.clicks, clicks[i].first) << i;
    EXPECT_EQ(upper.clicks, clicks[i].second) << i;
  }
  EXPECT_EQ(handler.mouse.size(), 2u);  // the last click fell through to the main window
  // The rectangle holds its left and top edges, not its right and bottom ones.
  lower.Show();
  const std::pair<WindowPoint, bool> edges[] = {{{0, 0}, true}, {{99, 99}, true}, {{100, 0}, false}, {{0, 100}, false}};
  for (const auto& [p, inside] : edges) EXPECT_EQ(host.ControlAt(p) == &lower, inside) << p.x << "," << p.y;
}

TEST_F(WindowCoreTest, CaptureDeliversTheReleaseToThePressingControl) {
  RecordingControl a, b;
  Create(a, 1, WindowRect::FromSize(0, 0, 50, 50));
  Create(b, 2, WindowRect::FromSize(100, 0, 50, 50));
  // Pressed in a, dragged and released over b: a gets everything, and it is no click.
  Mouse(MouseKind::LeftDown, {10, 10}, platform::kMouseLeft);
  Mouse(MouseKind::Move, {120, 10}, platform::kMouseLeft);
  Mouse(MouseKind::LeftUp, {120, 10});
  EXPECT_EQ(host.CaptureControl(), nullptr);
  ASSERT_EQ(a.mouse.size(), 3u);
  EXPECT_EQ(a.mouse[2].point, (WindowPoint{120, 10}));
  EXPECT_EQ(a.clicks, 0);
  Click({10, 10}, {20, 20});  // released back inside: a click
  EXPECT_EQ(a.clicks, 1);

  // Double clicks capture as presses; the capture holds until the last button is up.
  Mouse(MouseKind::RightDoubleClick, {10, 10}, platform::kMouseRight);
  Mouse(MouseKind::MiddleDown, {110, 10}, platform::kMouseRight | platform::kMouseMiddle);
  Mouse(MouseKind::RightUp, {110, 10}, platform::kMouseMiddle);
  EXPECT_EQ(host.CaptureControl(), &a);
  Mouse(MouseKind::MiddleUp, {110, 10});
  EXPECT_EQ(host.CaptureControl(), nullptr);
  EXPECT_TRUE(b.mouse.empty());

  // A press on the main window keeps the release there; keys always go to the main window.
  Mouse(MouseKind::LeftDown, {300, 300}, platform::kMouseLeft);
  host.DeliverKeyDown(platform::key::kSpace, 1, 0);
  Mouse(MouseKind::LeftUp, {120, 10});
  EXPECT_TRUE(b.mouse.empty());
  EXPECT_EQ(handler.mouse.size(), 2u);
  EXPECT_EQ(handler.keys, (std::vector<unsigned>{platform::key::kSpace}));
}

TEST_F(WindowCoreTest, ReleasesWithoutTheirPressAreNoClicks) {
  auto button = std::make_unique<RecordingControl>();
  Create(*button, 1, WindowRect::FromSize(0, 0, 50, 50));
  Mouse(MouseKind::LeftUp, {10, 10});
  EXPECT_TRUE(button->mouse.empty());  // a stray release goes to the main window
  Mouse(MouseKind::LeftDown, {10, 10}, platform::kMouseLeft);
  host.ReleaseCapture();
  Mouse(MouseKind::LeftUp, {10, 10});
  EXPECT_EQ(button->clicks, 0);
  // The capturing control destroyed: its release goes to the main window, not to freed memory.
  Mouse(MouseKind::LeftDown, {10, 10}, platform::kMouseLeft);
  button.reset();
  Mouse(MouseKind::LeftUp, {10, 10});
  EXPECT_EQ(handler.mouse.back().kind, MouseKind::LeftUp);
}

TEST_F(WindowCoreTest, OperationsOnUncreatedControlsDoNothing) {
  RecordingControl never, destroyed;
  Create(destroyed, 1, WindowRect::FromSize(0, 0, 50, 50));
  destroyed.SetTimer(3, 100);
  destroyed.Destroy();
  host.UpdateNow();
  for (RecordingControl* c : {&never, &destroyed}) {
    const WindowRect before = c->Rect();
    c->Show();
    c->Move(WindowRect::FromSize(5, 5, 10, 10));
    c->Invalidate();
    c->SetTimer(7, 10);
    c->BringToTop();
    EXPECT_FALSE(c->IsVisible());
    EXPECT_EQ(c->Rect(), before);
  }
  EXPECT_TRUE(host.Controls().empty());
  EXPECT_FALSE(host.MsUntilNextTimer().has_value());  // the destroyed control's timer went with it
  EXPECT_FALSE(host.NeedsUpdate());
  Tick(1000);
  Click({1, 1}, {1, 1});
  EXPECT_TRUE(never.mouse.empty() && destroyed.mouse.empty() && destroyed.timers.empty());
}

TEST_F(WindowCoreTest, TimersFireOnTheFakeClockAndReplaceOnSet) {
  RecordingControl a;
  Create(a, 1, WindowRect::FromSize(0, 0, 10, 10));
  host.SetTimer(1, 100);
  a.SetTimer(1, 100);  // keyed by receiver and id: not a replacement of the window's
  Tick(99);
  EXPECT_TRUE(handler.timers.empty());
  Tick(1);
  EXPECT_EQ(handler.timers.size(), 1u);
  EXPECT_EQ(a.timers.size(), 1u);
  Tick(60);  // t = 160; set again, it restarts: one timer, not two
  host.SetTimer(1, 100);
  Tick(40);
  EXPECT_EQ(handler.timers.size(), 1u);
  Tick(60);
  EXPECT_EQ(handler.timers.size(), 2u);
  Tick(100 * 5 + 1);  // late: fires once
  EXPECT_EQ(handler.timers.size(), 3u);
  host.KillTimer(1);
  a.Destroy();
  Tick(1000);
  EXPECT_EQ(handler.timers.size(), 3u);
  host.SetTimer(11, 0);  // a zero period does not spin
  EXPECT_EQ(host.MsUntilNextTimer(), platform::TimerTable::kMinimumPeriodMs);
}

TEST_F(WindowCoreTest, TimerKilledByAnEarlierTickOfTheSameRoundStaysSilent) {
  struct Killer : RecordingHandler {
    platform::HostWindow* host = nullptr;
    void OnTimer(unsigned id) override {
      RecordingHandler::OnTimer(id);
      if (id == 1) host->KillTimer(2);
    }
  } killer;
  killer.host = &host;
  host.SetHandler(&killer);
  host.SetTimer(1, 50);
  host.SetTimer(2, 60);
  Tick(100);
  EXPECT_EQ(killer.timers, (std::vector<unsigned>{1}));
}

TEST_F(WindowCoreTest, InvalidatePaintsMainWindowThenControlsOnTop) {
  std::string order;
  RecordingControl lower, upper, away;
  for (auto [c, n] : {std::pair{&lower, 'L'}, {&upper, 'U'}, {&away, 'A'}}) {
    c->paintLog = &order;
    c->name = n;
  }
  Create(lower, 1, WindowRect::FromSize(0, 0, 100, 100));
  Create(upper, 2, WindowRect::FromSize(50, 50, 100, 100));
  Create(away, 3, WindowRect::FromSize(400, 400, 10, 10));
  host.UpdateNow();
  ASSERT_EQ(handler.paints.size(), 1u);
  EXPECT_EQ(handler.paints[0], host.ClientRect());  // a new window paints all of itself once
  order.clear();

  host.Invalidate(WindowRect::FromSize(10, 10, 20, 20));
  host.Invalidate(WindowRect::FromSize(60, 60, 5, 5));
  host.UpdateNow();
  EXPECT_EQ(handler.paints.back(), (WindowRect{10, 10, 65, 65}));
  EXPECT_EQ(order, "LU");
  EXPECT_EQ(upper.paints.back().origin, (WindowPoint{50, 50}));

  // A control's own redraw repaints it and what overlaps it from above, not the main window.
  order.clear();
  lower.Invalidate();
  host.UpdateNow();
  EXPECT_EQ(order, "LU");
  EXPECT_EQ(handler.paints.size(), 2u);
  // Hiding or moving uncovers the main window there.
  upper.Hide();
  away.Move(WindowRect::FromSize(300, 300, 20, 20));
  host.UpdateNow();
  EXPECT_EQ(handler.paints.back(), (WindowRect{50, 50, 410, 410}));
  EXPECT_EQ(away.paints.back().clip, (WindowRect{300, 300, 320, 320}));
  host.Invalidate(WindowRect::FromSize(700, 700, 10, 10));  // outside the client area: dropped
  EXPECT_FALSE(host.NeedsUpdate());
}

// A paint that reaches past its clip says so: the controls there paint again on top of it.
TEST_F(WindowCoreTest, PaintPastTheClipRepaintsTheControlsThere) {
  struct Reaching : RecordingHandler {
    platform::HostWindow* host = nullptr;
    WindowRect reach;
    void OnPaint(const platform::PaintContext& context) override {
      RecordingHandler::OnPaint(context);
      if (!reach.IsEmpty()) host->PaintedBeyondClip(reach);
    }
  } reaching;
  reaching.host = &host;
  host.SetHandler(&reaching);
  RecordingControl under, away;
  Create(under, 1, WindowRect::FromSize(200, 200, 40, 40));
  Create(away, 2, WindowRect::FromSize(400, 400, 10, 10));
  host.UpdateNow();
  const std::size_t painted = under.paints.size(), painted_away = away.paints.size();
  reaching.reach = WindowRect{150, 150, 260, 260};
  host.Invalidate(WindowRect::FromSize(10, 10, 20, 20));
  host.UpdateNow();
  ASSERT_EQ(under.paints.size(), painted + 1);
  EXPECT_TRUE(under.paints.back().covered);
  EXPECT_EQ(away.paints.size(), painted_away);
}

TEST_F(WindowCoreTest, MainWindowPaintGetsTheInvalidatedAreasApart) {
  host.UpdateNow();
  // Overlapping and nested areas stay apart, each as asked; the same area twice counts once.
  const std::vector<WindowRect> asked = {WindowRect::FromSize(0, 0, 300, 200), WindowRect::FromSize(10, 10, 20, 20),
                                         WindowRect::FromSize(250, 150, 100, 100)};
  for (const WindowRect& r : asked) host.Invalidate(r);
  host.Invalidate(asked[0]);
  host.Invalidate(WindowRect::FromSize(600, 470, 100, 100));  // kept as far as it lies in the window
  host.UpdateNow();
  std::vector<WindowRect> expected = asked;
  expected.push_back(WindowRect{600, 470, 640, 480});
  EXPECT_EQ(handler.areas.back(), expected);
  EXPECT_EQ(handler.paints.back(), (WindowRect{0, 0, 640, 480}));
  // Past sixteen areas the whole window stands for them.
  for (int i = 0; i < 17; ++i) host.Invalidate(WindowRect::FromSize(20 * i, 5, 10, 10));
  host.UpdateNow();
  EXPECT_EQ(handler.areas.back(), std::vector<WindowRect>{host.ClientRect()});
  host.Invalidate(WindowRect::FromSize(5, 5, 10, 10));
  host.UpdateNow();
  EXPECT_EQ(handler.areas.back(), std::vector<WindowRect>{WindowRect::FromSize(5, 5, 10, 10)});
}

TEST_F(WindowCoreTest, PostAndCloseAreQueuedOnTheWindowThread) {
  int ran = 0;
  host.Post([&] { ++ran; });
  host.PostClose();
  EXPECT_EQ(ran + handler.closes, 0);
  host.DrainQueue();
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(handler.closes, 1);
  host.DeliverKeyDown(platform::key::kEnter, 1, 0);
  EXPECT_TRUE(handler.keys.empty());  // a closed window takes no input
}

}  // namespace
