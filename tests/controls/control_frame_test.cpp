// Tests of the owner-drawn control frame: background copies, hold-back, clicks, hovers, the animation timer.
#include <gtest/gtest.h>

#include "control_test_support.h"
#include "controls/control_frame.h"
#include "platform/window_core.h"

namespace {

using control_test::OwnerCall;
using control_test::Pattern;
using control_test::ProbeButton;
using control_test::RecordingOwner;
using platform::Colour;
using platform::FakeClock;
using platform::HostWindow;
using platform::MouseKind;
using platform::WindowPoint;
using platform::WindowRect;

constexpr int kWidth = 320;
constexpr int kHeight = 240;

class ControlFrameTest : public ::testing::Test {
 protected:
  ControlFrameTest() : host(kWidth, kHeight, clock), owner(kWidth, kHeight) { host.SetHandler(&owner); }

  void Place(ControlFrame& c, int id, WindowRect rect) {
    ASSERT_TRUE(c.Create(host, id, rect));
    c.Show();
    host.UpdateNow();
  }
  void Click(WindowPoint down, WindowPoint up) {
    host.DeliverMouse(MouseKind::LeftDown, down, platform::kMouseLeft);
    host.DeliverMouse(MouseKind::LeftUp, up, 0);
  }
  Colour WindowPixel(int x, int y) { return host.Pixels().GetPixel(x, y); }

  // Every window pixel of the control's visible part equals `source` at the same place.
  void ExpectWindowShows(const WindowRect& rect, const platform::Surface& source) {
    const WindowRect visible = rect.Intersect(host.ClientRect());
    for (int y = visible.top; y < visible.bottom; ++y)
      for (int x = visible.left; x < visible.right; ++x)
        if (WindowPixel(x, y) != source.GetPixel(x, y)) {
          ADD_FAILURE() << "window pixel " << x << "," << y;
          return;
        }
  }

  FakeClock clock;
  HostWindow host;
  RecordingOwner owner;
};

TEST_F(ControlFrameTest, ControlsAreCreatedHiddenAndPaintOnlyOnceShown) {
  ProbeButton button(owner);
  ASSERT_TRUE(button.Create(host, 75004, WindowRect::FromSize(40, 30, 60, 20)));
  EXPECT_FALSE(button.IsVisible());
  host.UpdateNow();
  EXPECT_TRUE(button.Screen().Empty());
  EXPECT_EQ(WindowPixel(50, 40), control_test::kMainWindowGrey);
  button.Show();
  host.UpdateNow();
  EXPECT_EQ(button.Screen().Width(), 60);
  EXPECT_EQ(button.Screen().Height(), 20);
}

TEST_F(ControlFrameTest, BackgroundOfAControlThatDrawsNothingIsTheOwnersBufferAtItsPlace) {
  const struct {
    const char* what;
    WindowRect rect;
    ControlFrame::BackgroundSource source;
    bool startScreen;  // the id maps to the second buffer
  } cases[] = {
      {"at the origin", WindowRect::FromSize(0, 0, 50, 30), ControlFrame::BackgroundSource::KeptCopy, false},
      {"inside", WindowRect::FromSize(117, 63, 71, 29), ControlFrame::BackgroundSource::KeptCopy, false},
      {"second buffer", WindowRect::FromSize(117, 63, 71, 29), ControlFrame::BackgroundSource::KeptCopy, true},
      {"over the right and bottom edges", WindowRect::FromSize(290, 220, 60, 40),
       ControlFrame::BackgroundSource::KeptCopy, false},
      {"every paint", WindowRect::FromSize(5, 150, 90, 33), ControlFrame::BackgroundSource::EveryPaint, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ProbeButton button(owner, {c.source, true});
    if (c.startScreen) owner.buffers[75163] = &owner.startScreen;
    Place(button, c.startScreen ? 75163 : 75004, c.rect);
    const platform::Surface& source = c.startScreen ? owner.startScreen : owner.composition;
    ExpectWindowShows(c.rect, source);
    // The control's own surface holds the same pixels, from its own top-left corner.
    EXPECT_EQ(button.Screen().GetPixel(3, 2), source.GetPixel(c.rect.left + 3, c.rect.top + 2));
    owner.buffers.clear();
  }
}

TEST_F(ControlFrameTest, KeptCopyIsTakenWhenShownWhileEveryPaintFollowsTheBuffer) {
  const WindowRect kept = WindowRect::FromSize(10, 10, 40, 20);
  const WindowRect fresh = WindowRect::FromSize(100, 10, 40, 20);
  ProbeButton keptButton(owner, {ControlFrame::BackgroundSource::KeptCopy, true});
  ProbeButton freshButton(owner, {ControlFrame::BackgroundSource::EveryPaint, true});
  Place(keptButton, 75004, kept);
  Place(freshButton, 75009, fresh);
  const Colour before = owner.composition.GetPixel(12, 12);

  const Colour changed{1, 2, 3, 255};
  owner.composition.Fill(changed);
  keptButton.Invalidate();
  freshButton.Invalidate();
  host.UpdateNow();
  EXPECT_EQ(WindowPixel(12, 12), before);
  EXPECT_EQ(WindowPixel(102, 12), changed);

  // Shown again, the kept copy is taken afresh.
  keptButton.Hide();
  keptButton.Show();
  host.UpdateNow();
  EXPECT_EQ(WindowPixel(12, 12), changed);
}

TEST_F(ControlFrameTest, WithoutABackgroundSourceTheLastCopyStays) {
  const WindowRect rect = WindowRect::FromSize(60, 60, 30, 30);
  ProbeButton button(owner);
  owner.buffers[75000] = nullptr;
  Place(button, 75000, rect);
  EXPECT_EQ(button.Screen().GetPixel(5, 5), (Colour{0, 0, 0, 0}));  // blank at first

  owner.buffers.clear();
  button.Hide();
  button.Show();
  host.UpdateNow();
  const Colour copied = owner.composition.GetPixel(65, 65);
  EXPECT_EQ(button.Screen().GetPixel(5, 5), copied);

  owner.buffers[75000] = nullptr;
  owner.composition.Fill({9, 9, 9, 255});
  button.Hide();
  button.Show();
  host.UpdateNow();
  EXPECT_EQ(button.Screen().GetPixel(5, 5), copied);
}

TEST_F(ControlFrameTest, HoldBackFlagSuppressesTheCopyToTheWindow) {
  const struct {
    bool honours;
    bool held;
    bool copied;
  } cases[] = {{true, false, true}, {true, true, false}, {false, true, true}, {false, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "honours " << c.honours << " held " << c.held);
    const WindowRect rect = WindowRect::FromSize(20, 20, 80, 40);
    ProbeButton button(owner, {ControlFrame::BackgroundSource::KeptCopy, c.honours});
    button.drawsSquare = true;
    owner.holdBack = c.held;
    Place(button, 75004, rect);
    host.Invalidate(rect);  // the main window paints over the place first
    host.UpdateNow();
    // The surface is drawn either way; only the copy to the window depends on the flag.
    EXPECT_EQ(button.Screen().GetPixel(40, 20), ProbeButton::kUp);
    EXPECT_EQ(WindowPixel(60, 40), c.copied ? ProbeButton::kUp : control_test::kMainWindowGrey);
    EXPECT_EQ(WindowPixel(21, 21), c.copied ? owner.composition.GetPixel(21, 21) : control_test::kMainWindowGrey);
    owner.holdBack = false;
  }
}

TEST_F(ControlFrameTest, CaptureBackgroundCopiesFromTheControlsPlace) {
  const WindowRect rect = WindowRect::FromSize(200, 150, 30, 20);
  ProbeButton button(owner);
  ASSERT_TRUE(button.Create(host, 75163, rect));
  owner.buffers[75163] = &owner.startScreen;
  button.CaptureBackground();
  ASSERT_EQ(button.Screen().Width(), 30);
  EXPECT_EQ(button.Screen().GetPixel(0, 0), owner.startScreen.GetPixel(200, 150));
  EXPECT_EQ(button.Background().GetPixel(29, 19), owner.startScreen.GetPixel(229, 169));

  // Captured again while shown, the capture is what the next paint starts from.
  owner.buffers.clear();
  button.Show();
  host.UpdateNow();
  owner.composition.Fill({7, 8, 9, 255});
  button.CaptureBackground();
  button.Invalidate();
  host.UpdateNow();
  EXPECT_EQ(WindowPixel(215, 160), (Colour{7, 8, 9, 255}));

  ProbeButton uncreated(owner);
  uncreated.CaptureBackground();
  EXPECT_TRUE(uncreated.Screen().Empty());
}

TEST_F(ControlFrameTest, SurfacesFollowTheControlsSize) {
  ProbeButton button(owner);
  Place(button, 75004, WindowRect::FromSize(10, 10, 40, 20));
  const WindowRect moved = WindowRect::FromSize(50, 60, 70, 35);
  button.Move(moved);
  host.UpdateNow();
  EXPECT_EQ(button.Screen().Width(), 70);
  EXPECT_EQ(button.Background().Height(), 35);
  ExpectWindowShows(moved, owner.composition);
}

TEST_F(ControlFrameTest, ClickReachesTheOwnerOnlyForAPressReleasedInside) {
  const WindowRect rect = WindowRect::FromSize(100, 100, 60, 30);
  const WindowPoint inside{110, 110}, elsewhere{10, 10}, otherInside{159, 129};
  const struct {
    const char* what;
    bool press;
    WindowPoint down, up;
    std::size_t clicks;
    std::uint8_t state;
  } cases[] = {
      {"press and release inside", true, inside, inside, 1, ControlFrame::kStateDown},
      {"release at the far corner", true, inside, otherInside, 1, ControlFrame::kStateDown},
      {"released outside", true, inside, elsewhere, 0, ControlFrame::kStateUp},
      {"pressed outside, released inside", true, elsewhere, inside, 0, ControlFrame::kStateUp},
      {"release without a press", false, inside, inside, 0, ControlFrame::kStateUp},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingOwner local(kWidth, kHeight);
    ProbeButton button(local);
    button.SetControlId(75006);
    Place(button, 75016, rect);
    if (c.press) {
      Click(c.down, c.up);
    } else {
      host.DeliverMouse(MouseKind::LeftUp, c.up, 0);
    }
    EXPECT_EQ(local.Count("press"), c.clicks);
    if (c.clicks == 1) {
      EXPECT_EQ(local.calls.back(), (OwnerCall{"press", 0, 0, 75006}));
    }
    EXPECT_EQ(button.State, c.state);
  }
}

TEST_F(ControlFrameTest, HiddenWhilePressedTheReleaseIsNoClick) {
  ProbeButton button(owner);
  Place(button, 75004, WindowRect::FromSize(100, 100, 60, 30));
  host.DeliverMouse(MouseKind::LeftDown, {110, 110}, platform::kMouseLeft);
  button.Hide();
  host.DeliverMouse(MouseKind::LeftUp, {110, 110}, 0);
  EXPECT_EQ(owner.Count("press"), 0u);
}

TEST_F(ControlFrameTest, HoverIsReportedOncePerEntryAndPerMoveOverTheControl) {
  ProbeButton button(owner);
  Place(button, 75004, WindowRect::FromSize(100, 100, 60, 30));
  const struct {
    WindowPoint to;
    std::size_t hovers;  // hover reports so far
  } steps[] = {
      {{10, 10}, 0},    // over the main window
      {{110, 110}, 1},  // entry
      {{110, 110}, 1},  // no movement
      {{111, 110}, 2},  // one pixel
      {{111, 111}, 3},
      {{300, 200}, 3},  // out again
      {{150, 120}, 4},  // a new entry
  };
  for (const auto& s : steps) {
    host.DeliverMouse(MouseKind::Move, s.to, 0);
    EXPECT_EQ(owner.Count("hover"), s.hovers) << s.to.x << "," << s.to.y;
  }
  EXPECT_EQ(owner.calls.back(), (OwnerCall{"hover", 0, 0, 75004}));

  // Dragged away while the button holds the capture: the moves outside are no hovers.
  host.DeliverMouse(MouseKind::LeftDown, {150, 120}, platform::kMouseLeft);
  host.DeliverMouse(MouseKind::Move, {10, 10}, platform::kMouseLeft);
  host.DeliverMouse(MouseKind::Move, {11, 10}, platform::kMouseLeft);
  EXPECT_EQ(owner.Count("hover"), 4u);
  host.DeliverMouse(MouseKind::LeftUp, {11, 10}, 0);
}

TEST_F(ControlFrameTest, RightPressReportsARightClick) {
  ProbeButton button(owner);
  Place(button, 75012, WindowRect::FromSize(0, 0, 20, 20));
  host.DeliverMouse(MouseKind::RightDown, {5, 5}, platform::kMouseRight);
  host.DeliverMouse(MouseKind::RightUp, {5, 5}, 0);
  ASSERT_EQ(owner.calls.size(), 1u);
  EXPECT_EQ(owner.calls[0], (OwnerCall{"right click", 0, 0, 75012}));
}

TEST_F(ControlFrameTest, AnimationTimerFiresOnTheFakeClock) {
  ProbeButton button(owner);
  Place(button, 75004, WindowRect::FromSize(0, 0, 20, 20));
  button.StartAnimationTimer();
  const struct {
    std::int64_t advance;
    std::size_t ticks;
  } steps[] = {{ControlFrame::kAnimationPeriodMs - 1, 0}, {1, 1}, {ControlFrame::kAnimationPeriodMs, 2},
               {ControlFrame::kAnimationPeriodMs * 3, 3}};  // a late timer fires once
  for (const auto& s : steps) {
    clock.Advance(s.advance);
    host.RunDueTimers();
    EXPECT_EQ(button.ticks.size(), s.ticks) << "after " << clock.NowMs() << " ms";
  }
  EXPECT_EQ(button.ticks.front(), ControlFrame::kAnimationTimer);

  // Starting it again restarts the period.
  clock.Advance(20);
  button.StartAnimationTimer();
  clock.Advance(20);
  host.RunDueTimers();
  EXPECT_EQ(button.ticks.size(), 3u);
  clock.Advance(13);
  host.RunDueTimers();
  EXPECT_EQ(button.ticks.size(), 4u);

  button.StopAnimationTimer();
  clock.Advance(100);
  host.RunDueTimers();
  EXPECT_EQ(button.ticks.size(), 4u);
}

}  // namespace
