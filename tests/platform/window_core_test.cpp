// Tests of the window core: routing, hover, capture, timers, painting and uncreated controls.
#include <gtest/gtest.h>

#include "platform/window_core.h"
#include "window_test_support.h"

namespace {

using platform::FakeClock;
using platform::HostWindow;
using platform::MouseKind;
using platform::WindowPoint;
using platform::WindowRect;
using window_test::RecordingControl;
using window_test::RecordingHandler;

class WindowCoreTest : public ::testing::Test {
 protected:
  WindowCoreTest() : host(640, 480, clock) { host.SetHandler(&handler); }

  void Create(RecordingControl& c, int id, WindowRect rect, bool show = true) {
    ASSERT_TRUE(c.Create(host, id, rect));
    if (show) c.Show();
  }
  void Click(WindowPoint down, WindowPoint up) {
    host.DeliverMouse(MouseKind::LeftDown, down, platform::kMouseLeft);
    host.DeliverMouse(MouseKind::LeftUp, up, 0);
  }

  FakeClock clock;
  HostWindow host;
  RecordingHandler handler;
};

TEST_F(WindowCoreTest, MoveReportsOnlyAChangeOfPosition) {
  RecordingControl button;
  Create(button, 75004, WindowRect::FromSize(100, 100, 50, 20));
  struct Case {
    WindowPoint start;
    int dx, dy;
    int reports;  // moves delivered for the second position
  };
  const Case cases[] = {
      {{110, 110}, 0, 0, 0}, {{110, 110}, 1, 0, 1}, {{110, 110}, 0, 1, 1},
      {{110, 110}, -1, -1, 1}, {{10, 10}, 0, 0, 0},  {{10, 10}, 1, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start.x << "," << c.start.y << " +" << c.dx << "," << c.dy);
    host.DeliverMouse(MouseKind::Move, {0, 479}, 0);  // a different place first
    host.DeliverMouse(MouseKind::Move, c.start, 0);
    const std::size_t before = button.mouse.size() + handler.mouse.size();
    host.DeliverMouse(MouseKind::Move, {c.start.x + c.dx, c.start.y + c.dy}, 0);
    EXPECT_EQ(button.mouse.size() + handler.mouse.size() - before, std::size_t(c.reports));
  }
}

TEST_F(WindowCoreTest, MovesCarryButtonFlagsAndLocalPoints) {
  RecordingControl button;
  Create(button, 75004, WindowRect::FromSize(100, 100, 50, 20));
  host.DeliverMouse(MouseKind::Move, {120, 105}, platform::kMouseRight | platform::kMouseShift);
  ASSERT_EQ(button.mouse.size(), 1u);
  EXPECT_EQ(button.mouse[0].point, (WindowPoint{20, 5}));
  EXPECT_EQ(button.mouse[0].flags, platform::kMouseRight | platform::kMouseShift);
  host.DeliverMouse(MouseKind::Move, {5, 6}, 0);
  ASSERT_EQ(handler.mouse.size(), 1u);
  EXPECT_EQ(handler.mouse[0].point, (WindowPoint{5, 6}));  // client coordinates for the main window
}

TEST_F(WindowCoreTest, ClickGoesToTopmostVisibleControlAndThroughHiddenOnes) {
  RecordingControl lower, upper, uncreated;
  Create(lower, 1, WindowRect::FromSize(0, 0, 100, 100));
  Create(upper, 2, WindowRect::FromSize(50, 50, 100, 100));
  const WindowPoint overlap{60, 60};

  Click(overlap, overlap);
  EXPECT_EQ(upper.clicks, 1);
  EXPECT_EQ(lower.clicks, 0);

  upper.Hide();
  Click(overlap, overlap);
  EXPECT_EQ(lower.clicks, 1);
  EXPECT_EQ(upper.clicks, 1);

  upper.Show();
  lower.BringToTop();
  Click(overlap, overlap);
  EXPECT_EQ(lower.clicks, 2);

  lower.Hide();
  upper.Hide();
  Click(overlap, overlap);
  EXPECT_EQ(lower.clicks, 2);
  EXPECT_EQ(upper.clicks, 1);
  ASSERT_EQ(handler.mouse.size(), 2u);
  EXPECT_EQ(handler.mouse[0].kind, MouseKind::LeftDown);
  EXPECT_EQ(uncreated.mouse.size(), 0u);
}

TEST_F(WindowCoreTest, RectangleEdgesFollowWindowRules) {
  RecordingControl button;
  Create(button, 1, WindowRect::FromSize(10, 20, 30, 40));
  const struct {
    WindowPoint p;
    bool inside;
  } cases[] = {{{10, 20}, true}, {{39, 59}, true}, {{40, 20}, false}, {{10, 60}, false}, {{9, 20}, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(host.ControlAt(c.p) == &button, c.inside) << c.p.x << "," << c.p.y;
  }
}

TEST_F(WindowCoreTest, CaptureSendsReleaseToThePressingControl) {
  RecordingControl a, b;
  Create(a, 1, WindowRect::FromSize(0, 0, 50, 50));
  Create(b, 2, WindowRect::FromSize(100, 0, 50, 50));

  // Pressed in a, dragged and released over b: a gets everything, and it is no click.
  host.DeliverMouse(MouseKind::LeftDown, {10, 10}, platform::kMouseLeft);
  EXPECT_EQ(host.CaptureControl(), &a);
  host.DeliverMouse(MouseKind::Move, {120, 10}, platform::kMouseLeft);
  host.DeliverMouse(MouseKind::LeftUp, {120, 10}, 0);
  EXPECT_EQ(host.CaptureControl(), nullptr);
  ASSERT_EQ(a.mouse.size(), 3u);
  EXPECT_EQ(a.mouse[1].kind, MouseKind::Move);
  EXPECT_EQ(a.mouse[2].kind, MouseKind::LeftUp);
  EXPECT_EQ(a.mouse[2].point, (WindowPoint{120, 10}));  // outside its own rectangle
  EXPECT_EQ(a.clicks, 0);
  EXPECT_TRUE(b.mouse.empty());
  EXPECT_TRUE(handler.mouse.empty());

  // Released back inside after leaving: a click.
  host.DeliverMouse(MouseKind::LeftDown, {10, 10}, platform::kMouseLeft);
  host.DeliverMouse(MouseKind::Move, {300, 300}, platform::kMouseLeft);
  host.DeliverMouse(MouseKind::LeftUp, {20, 20}, 0);
  EXPECT_EQ(a.clicks, 1);

  // A press on the main window keeps the main window's capture over a control.
  host.DeliverMouse(MouseKind::LeftDown, {300, 300}, platform::kMouseLeft);
  host.DeliverMouse(MouseKind::LeftUp, {120, 10}, 0);
  EXPECT_TRUE(b.mouse.empty());
  ASSERT_EQ(handler.mouse.size(), 2u);
  EXPECT_EQ(handler.mouse[1].kind, MouseKind::LeftUp);
}

TEST_F(WindowCoreTest, CaptureHoldsUntilTheLastButtonIsUp) {
  RecordingControl a, b;
  Create(a, 1, WindowRect::FromSize(0, 0, 50, 50));
  Create(b, 2, WindowRect::FromSize(100, 0, 50, 50));
  host.DeliverMouse(MouseKind::RightDown, {10, 10}, platform::kMouseRight);
  host.DeliverMouse(MouseKind::MiddleDown, {110, 10}, platform::kMouseRight | platform::kMouseMiddle);
  host.DeliverMouse(MouseKind::RightUp, {110, 10}, platform::kMouseMiddle);
  EXPECT_EQ(host.CaptureControl(), &a);
  host.DeliverMouse(MouseKind::MiddleUp, {110, 10}, 0);
  EXPECT_EQ(host.CaptureControl(), nullptr);
  EXPECT_EQ(a.mouse.size(), 4u);
  EXPECT_TRUE(b.mouse.empty());
}

TEST_F(WindowCoreTest, ReleaseWithoutPressIsNoClick) {
  RecordingControl button;
  Create(button, 1, WindowRect::FromSize(0, 0, 50, 50));
  const MouseKind releases[] = {MouseKind::LeftUp, MouseKind::RightUp, MouseKind::MiddleUp};
  for (MouseKind kind : releases) host.DeliverMouse(kind, {10, 10}, 0);
  EXPECT_TRUE(button.mouse.empty());
  EXPECT_EQ(button.clicks, 0);
  EXPECT_EQ(handler.mouse.size(), 3u);

  // A capture ended early: the release that follows is no click either.
  host.DeliverMouse(MouseKind::LeftDown, {10, 10}, platform::kMouseLeft);
  host.ReleaseCapture();
  host.DeliverMouse(MouseKind::LeftUp, {10, 10}, 0);
  EXPECT_EQ(button.clicks, 0);
}

TEST_F(WindowCoreTest, DoubleClicksActAsPressesForCapture) {
  RecordingControl a, b;
  Create(a, 1, WindowRect::FromSize(0, 0, 50, 50));
  Create(b, 2, WindowRect::FromSize(100, 0, 50, 50));
  const MouseKind presses[] = {MouseKind::LeftDoubleClick, MouseKind::RightDoubleClick,
                               MouseKind::MiddleDoubleClick};
  const MouseKind releases[] = {MouseKind::LeftUp, MouseKind::RightUp, MouseKind::MiddleUp};
  for (int i = 0; i < 3; ++i) {
    host.DeliverMouse(presses[i], {10, 10}, 0);
    host.DeliverMouse(releases[i], {110, 10}, 0);
    EXPECT_EQ(a.mouse.back().kind, releases[i]);
  }
  EXPECT_TRUE(b.mouse.empty());
}

TEST_F(WindowCoreTest, DestroyingTheCapturingControlHandsTheReleaseToTheMainWindow) {
  auto a = std::make_unique<RecordingControl>();
  Create(*a, 1, WindowRect::FromSize(0, 0, 50, 50));
  host.DeliverMouse(MouseKind::LeftDown, {10, 10}, platform::kMouseLeft);
  a.reset();
  host.DeliverMouse(MouseKind::LeftUp, {10, 10}, 0);
  ASSERT_EQ(handler.mouse.size(), 1u);
  EXPECT_EQ(handler.mouse[0].kind, MouseKind::LeftUp);
}

TEST_F(WindowCoreTest, KeysAlwaysGoToTheMainWindow) {
  RecordingControl button;
  Create(button, 1, WindowRect::FromSize(0, 0, 50, 50));
  host.DeliverMouse(MouseKind::LeftDown, {10, 10}, platform::kMouseLeft);  // button holds capture
  host.DeliverKeyDown(platform::key::kSpace, 1, 0);
  host.DeliverKeyDown(platform::key::kEscape, 1, 0);
  EXPECT_EQ(handler.keys, (std::vector<unsigned>{platform::key::kSpace, platform::key::kEscape}));
}

TEST_F(WindowCoreTest, ControlsAreCreatedHidden) {
  RecordingControl button;
  ASSERT_TRUE(button.Create(host, 75163, WindowRect::FromSize(0, 0, 50, 50)));
  EXPECT_TRUE(button.IsCreated());
  EXPECT_FALSE(button.IsVisible());
  EXPECT_EQ(host.ControlAt({10, 10}), nullptr);
  EXPECT_FALSE(button.Create(host, 1, {}));  // once only
  EXPECT_EQ(button.Id(), 75163);
  EXPECT_TRUE(button.shows.empty());

  // Showing or hiding twice tells the control once.
  button.Show();
  button.Show();
  button.Hide();
  button.Hide();
  EXPECT_EQ(button.shows, (std::vector<bool>{true, false}));
}

TEST_F(WindowCoreTest, OperationsOnUncreatedControlsDoNothing) {
  RecordingControl never, destroyed;
  Create(destroyed, 1, WindowRect::FromSize(0, 0, 50, 50));
  destroyed.SetTimer(3, 100);
  destroyed.Destroy();
  EXPECT_FALSE(destroyed.IsCreated());
  handler.paints.clear();
  host.UpdateNow();
  handler.paints.clear();

  for (RecordingControl* c : {&never, &destroyed}) {
    const WindowRect before = c->Rect();
    c->Show();
    c->Move(WindowRect::FromSize(5, 5, 10, 10));
    c->Invalidate();
    c->SetTimer(7, 10);
    c->BringToTop();
    c->Hide();
    c->Destroy();
    EXPECT_FALSE(c->IsVisible());
    EXPECT_EQ(c->Rect(), before);
  }
  EXPECT_TRUE(host.Controls().empty());
  EXPECT_FALSE(host.MsUntilNextTimer().has_value());  // the destroyed control's timer went with it
  EXPECT_FALSE(host.NeedsUpdate());
  clock.Advance(1000);
  host.RunDueTimers();
  host.DeliverMouse(MouseKind::LeftDown, {1, 1}, platform::kMouseLeft);
  host.DeliverMouse(MouseKind::LeftUp, {1, 1}, 0);
  EXPECT_TRUE(never.mouse.empty() && destroyed.mouse.empty());
  EXPECT_TRUE(never.timers.empty() && destroyed.timers.empty());
  EXPECT_TRUE(never.paints.empty());
}

TEST_F(WindowCoreTest, TimersFireOnTheClockAndReplaceOnSet) {
  host.SetTimer(1, 100);
  clock.Advance(99);
  host.RunDueTimers();
  EXPECT_TRUE(handler.timers.empty());
  clock.Advance(1);
  host.RunDueTimers();
  EXPECT_EQ(handler.timers, (std::vector<unsigned>{1}));

  // Setting the same id again restarts it with the new period: one timer, not two.
  clock.Advance(60);  // t = 160, the old timer was due at 200
  host.SetTimer(1, 100);
  clock.Advance(40);  // t = 200
  host.RunDueTimers();
  EXPECT_EQ(handler.timers.size(), 1u);
  clock.Advance(60);  // t = 260
  host.RunDueTimers();
  EXPECT_EQ(handler.timers.size(), 2u);

  host.KillTimer(1);
  clock.Advance(1000);
  host.RunDueTimers();
  EXPECT_EQ(handler.timers.size(), 2u);
  EXPECT_FALSE(host.MsUntilNextTimer().has_value());
}

TEST_F(WindowCoreTest, TimersAreKeyedByReceiverAndId) {
  RecordingControl a, b;
  Create(a, 1, WindowRect::FromSize(0, 0, 10, 10));
  Create(b, 2, WindowRect::FromSize(20, 0, 10, 10));
  host.SetTimer(6, 33);
  a.SetTimer(6, 33);
  b.SetTimer(6, 33);
  b.SetTimer(6, 66);  // replaces b's only
  clock.Advance(33);
  host.RunDueTimers();
  EXPECT_EQ(handler.timers, (std::vector<unsigned>{6}));
  EXPECT_EQ(a.timers, (std::vector<unsigned>{6}));
  EXPECT_TRUE(b.timers.empty());
  clock.Advance(33);
  host.RunDueTimers();
  EXPECT_EQ(b.timers, (std::vector<unsigned>{6}));
  EXPECT_EQ(a.timers.size(), 2u);
}

TEST_F(WindowCoreTest, LateTimerFiresOnceAndZeroPeriodDoesNotSpin) {
  host.SetTimer(10, 33);
  clock.Advance(33 * 5 + 1);
  host.RunDueTimers();
  EXPECT_EQ(handler.timers.size(), 1u);
  EXPECT_EQ(host.MsUntilNextTimer(), 33);

  host.SetTimer(11, 0);
  EXPECT_EQ(host.MsUntilNextTimer(), platform::TimerTable::kMinimumPeriodMs);
}

TEST_F(WindowCoreTest, TimerKilledByAnEarlierTickOfTheSameRoundStaysSilent) {
  struct Killer : RecordingHandler {
    HostWindow* host = nullptr;
    void OnTimer(unsigned id) override {
      RecordingHandler::OnTimer(id);
      if (id == 1) host->KillTimer(2);
    }
  } killer;
  killer.host = &host;
  host.SetHandler(&killer);
  host.SetTimer(1, 50);
  host.SetTimer(2, 60);
  clock.Advance(100);
  host.RunDueTimers();
  EXPECT_EQ(killer.timers, (std::vector<unsigned>{1}));
}

TEST_F(WindowCoreTest, NewWindowPaintsItsWholeClientAreaOnce) {
  EXPECT_TRUE(host.NeedsUpdate());
  host.UpdateNow();
  ASSERT_EQ(handler.paints.size(), 1u);
  EXPECT_EQ(handler.paints[0], host.ClientRect());
  host.UpdateNow();
  EXPECT_EQ(handler.paints.size(), 1u);
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
  order.clear();
  handler.paints.clear();

  host.Invalidate(WindowRect::FromSize(10, 10, 20, 20));
  host.Invalidate(WindowRect::FromSize(60, 60, 5, 5));
  EXPECT_EQ(host.DirtyBounds(), (WindowRect{10, 10, 65, 65}));
  host.UpdateNow();
  ASSERT_EQ(handler.paints.size(), 1u);
  EXPECT_EQ(handler.paints[0], (WindowRect{10, 10, 65, 65}));
  EXPECT_EQ(order, "LU");
  EXPECT_EQ(upper.paints.back().origin, (WindowPoint{50, 50}));
  EXPECT_FALSE(host.NeedsUpdate());

  // A control's own redraw repaints it and what overlaps it from above, not the main window.
  order.clear();
  lower.Invalidate();
  host.UpdateNow();
  EXPECT_EQ(order, "LU");
  EXPECT_EQ(handler.paints.size(), 1u);

  // Hiding uncovers the main window there.
  upper.Hide();
  host.UpdateNow();
  ASSERT_EQ(handler.paints.size(), 2u);
  EXPECT_EQ(handler.paints[1], upper.Rect());

  // Invalidation outside the client area is dropped.
  host.Invalidate(WindowRect::FromSize(700, 700, 10, 10));
  EXPECT_FALSE(host.NeedsUpdate());
}

TEST_F(WindowCoreTest, MoveRepaintsOldAndNewPlaces) {
  RecordingControl button;
  Create(button, 1, WindowRect::FromSize(0, 0, 10, 10));
  host.UpdateNow();
  handler.paints.clear();
  button.Move(WindowRect::FromSize(100, 100, 20, 20));
  EXPECT_EQ(button.Rect(), (WindowRect{100, 100, 120, 120}));
  host.UpdateNow();
  ASSERT_EQ(handler.paints.size(), 1u);
  EXPECT_EQ(handler.paints[0], (WindowRect{0, 0, 10, 10}));
  EXPECT_EQ(button.paints.back().clip, (WindowRect{100, 100, 120, 120}));
}

TEST_F(WindowCoreTest, CallsOnTheWindowThreadRunAtOnceAndCloseIsQueued) {
  int ran = 0;
  host.Post([&] { ++ran; });
  EXPECT_EQ(ran, 0);  // Post always queues
  host.DrainQueue();
  EXPECT_EQ(ran, 1);

  host.PostClose();
  EXPECT_EQ(handler.closes, 0);
  host.DrainQueue();
  EXPECT_EQ(handler.closes, 1);
  EXPECT_TRUE(host.IsClosed());
  host.DeliverKeyDown(platform::key::kEnter, 1, 0);
  EXPECT_TRUE(handler.keys.empty());
}

TEST(DisplayDepth, AcceptsThirtyTwoBitLayoutsOnly) {
  const struct {
    int depth;
    bool ok;
  } cases[] = {{8, false}, {15, false}, {16, false}, {24, true}, {32, true}};
  for (const auto& c : cases) EXPECT_EQ(platform::DisplayDepthSupported(c.depth), c.ok) << c.depth;
}

}  // namespace
