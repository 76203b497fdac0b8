// Tests of the owner-drawn control frame: background copies, hold-back, clicks and hovers.
#include <gtest/gtest.h>

#include "control_test_support.h"
#include "controls/control_frame.h"
#include "platform/window_core.h"

namespace {

using control_test::kMainWindowGrey;
using control_test::OwnerCall;
using control_test::ProbeButton;
using control_test::RecordingOwner;
using platform::Colour;
using platform::MouseKind;
using platform::WindowPoint;
using platform::WindowRect;
using Source = ControlFrame::BackgroundSource;

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
  void Reshow(ControlFrame& c) {
    c.Hide();
    c.Show();
    host.UpdateNow();
  }
  void Mouse(MouseKind kind, WindowPoint p, unsigned flags = 0) { host.DeliverMouse(kind, p, flags); }
  Colour WindowPixel(int x, int y) { return host.Pixels().GetPixel(x, y); }

  // Every window pixel of the control's visible part equals `source` at the same place.
  void ExpectWindowShows(const WindowRect& rect, const platform::Surface& source) {
    const WindowRect visible = rect.Intersect(host.ClientRect());
    for (int y = visible.top; y < visible.bottom; ++y)
      for (int x = visible.left; x < visible.right; ++x)
        ASSERT_EQ(WindowPixel(x, y), source.GetPixel(x, y)) << "window pixel " << x << "," << y;
  }

  platform::FakeClock clock;
  platform::HostWindow host;
  RecordingOwner owner;
};

TEST_F(ControlFrameTest, BackgroundOfAControlThatDrawsNothingIsTheOwnersBufferAtItsPlace) {
  const struct {
    const char* what;
    WindowRect rect;
    Source source;
    bool startScreen;  // the id maps to the second buffer
  } cases[] = {
      {"at the origin", WindowRect::FromSize(0, 0, 50, 30), Source::KeptCopy, false},
      {"inside", WindowRect::FromSize(117, 63, 71, 29), Source::KeptCopy, false},
      {"second buffer", WindowRect::FromSize(117, 63, 71, 29), Source::KeptCopy, true},
      {"over the right and bottom edges", WindowRect::FromSize(290, 220, 60, 40), Source::KeptCopy, false},
      {"every paint", WindowRect::FromSize(5, 150, 90, 33), Source::EveryPaint, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ProbeButton button(owner, {c.source, true});
    if (c.startScreen) owner.buffers[75163] = &owner.startScreen;
    Place(button, c.startScreen ? 75163 : 75004, c.rect);
    const platform::Surface& source = c.startScreen ? owner.startScreen : owner.composition;
    ExpectWindowShows(c.rect, source);
    EXPECT_EQ(button.Screen().GetPixel(3, 2), source.GetPixel(c.rect.left + 3, c.rect.top + 2));
    owner.buffers.clear();
  }
}

TEST_F(ControlFrameTest, KeptCopyIsTakenWhenShownWhileEveryPaintFollowsTheBuffer) {
  ProbeButton kept(owner, {Source::KeptCopy, true}), fresh(owner, {Source::EveryPaint, true});
  ASSERT_TRUE(kept.Create(host, 75004, WindowRect::FromSize(10, 10, 40, 20)));
  host.UpdateNow();
  EXPECT_TRUE(kept.Screen().Empty());  // created hidden: nothing painted
  kept.Show();
  Place(fresh, 75009, WindowRect::FromSize(100, 10, 40, 20));
  const Colour before = owner.composition.GetPixel(12, 12), changed{1, 2, 3, 255};
  owner.composition.Fill(changed);
  kept.Invalidate();
  fresh.Invalidate();
  host.UpdateNow();
  EXPECT_EQ(WindowPixel(12, 12), before);
  EXPECT_EQ(WindowPixel(102, 12), changed);
  Reshow(kept);  // shown again, the kept copy is taken afresh
  EXPECT_EQ(WindowPixel(12, 12), changed);

  const WindowRect moved = WindowRect::FromSize(50, 60, 70, 35);  // surfaces follow the size
  kept.Move(moved);
  host.UpdateNow();
  EXPECT_EQ(kept.Screen().Width(), 70);
  EXPECT_EQ(kept.Background().Height(), 35);
  ExpectWindowShows(moved, owner.composition);
}

TEST_F(ControlFrameTest, WithoutABackgroundSourceTheLastCopyStays) {
  ProbeButton button(owner);
  owner.buffers[75000] = nullptr;
  Place(button, 75000, WindowRect::FromSize(60, 60, 30, 30));
  EXPECT_EQ(button.Screen().GetPixel(5, 5), (Colour{0, 0, 0, 0}));  // blank at first
  owner.buffers.clear();
  Reshow(button);
  const Colour copied = owner.composition.GetPixel(65, 65);
  EXPECT_EQ(button.Screen().GetPixel(5, 5), copied);
  owner.buffers[75000] = nullptr;
  owner.composition.Fill({9, 9, 9, 255});
  Reshow(button);
  EXPECT_EQ(button.Screen().GetPixel(5, 5), copied);
}

TEST_F(ControlFrameTest, HoldBackFlagSuppressesTheCopyToTheWindow) {
  const struct {
    bool honours, held, copied;
  } cases[] = {{true, false, true}, {true, true, false}, {false, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "honours " << c.honours << " held " << c.held);
    const WindowRect rect = WindowRect::FromSize(20, 20, 80, 40);
    ProbeButton button(owner, {Source::KeptCopy, c.honours});
    button.drawsSquare = true;
    owner.holdBack = c.held;
    Place(button, 75004, rect);
    host.Invalidate(rect);  // the main window paints over the place first
    host.UpdateNow();
    // The surface is drawn either way; only the copy to the window depends on the flag.
    EXPECT_EQ(button.Screen().GetPixel(40, 20), ProbeButton::kUp);
    EXPECT_EQ(WindowPixel(60, 40), c.copied ? ProbeButton::kUp : kMainWindowGrey);
    owner.holdBack = false;
  }
}

TEST_F(ControlFrameTest, CaptureBackgroundCopiesFromTheControlsPlace) {
  ProbeButton uncreated(owner);
  uncreated.CaptureBackground();
  EXPECT_TRUE(uncreated.Screen().Empty());
  ProbeButton button(owner);
  ASSERT_TRUE(button.Create(host, 75163, WindowRect::FromSize(200, 150, 30, 20)));
  owner.buffers[75163] = &owner.startScreen;
  button.CaptureBackground();
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
}

TEST_F(ControlFrameTest, ClickReachesTheOwnerOnlyForAPressReleasedInside) {
  const WindowPoint inside{110, 110}, elsewhere{10, 10}, corner{159, 129};
  const struct {
    const char* what;
    bool press, hide;
    WindowPoint down, up;
    std::size_t clicks;
    std::uint8_t state;
  } cases[] = {
      {"inside", true, false, inside, inside, 1, ControlFrame::kStateDown},
      {"at the far corner", true, false, inside, corner, 1, ControlFrame::kStateDown},
      {"released outside", true, false, inside, elsewhere, 0, ControlFrame::kStateUp},
      {"pressed outside", true, false, elsewhere, inside, 0, ControlFrame::kStateUp},
      {"release without a press", false, false, inside, inside, 0, ControlFrame::kStateUp},
      {"hidden while pressed", true, true, inside, inside, 0, ControlFrame::kStateDown},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingOwner local(kWidth, kHeight);
    ProbeButton button(local);
    button.SetControlId(75006);
    Place(button, 75016, WindowRect::FromSize(100, 100, 60, 30));
    if (c.press) Mouse(MouseKind::LeftDown, c.down, platform::kMouseLeft);
    if (c.hide) button.Hide();
    Mouse(MouseKind::LeftUp, c.up);
    EXPECT_EQ(local.Count("press"), c.clicks);
    if (c.clicks == 1) {
      EXPECT_EQ(local.calls.back(), (OwnerCall{"press", 0, 0, 75006}));
    }
    EXPECT_EQ(button.State, c.state);
  }
}

TEST_F(ControlFrameTest, HoverIsReportedPerEntryAndPerMoveAndRightPressIsARightClick) {
  ProbeButton button(owner);
  Place(button, 75004, WindowRect::FromSize(100, 100, 60, 30));
  const std::pair<WindowPoint, std::size_t> steps[] = {
      {{10, 10}, 0}, {{110, 110}, 1}, {{110, 110}, 1}, {{111, 110}, 2}, {{300, 200}, 2}, {{150, 120}, 3}};
  for (const auto& [to, hovers] : steps) {
    Mouse(MouseKind::Move, to);
    EXPECT_EQ(owner.Count("hover"), hovers) << to.x << "," << to.y;
  }
  EXPECT_EQ(owner.calls.back(), (OwnerCall{"hover", 0, 0, 75004}));
  // Dragged away while the button holds the capture: the moves outside are no hovers.
  Mouse(MouseKind::LeftDown, {150, 120}, platform::kMouseLeft);
  Mouse(MouseKind::Move, {10, 10}, platform::kMouseLeft);
  Mouse(MouseKind::Move, {11, 10}, platform::kMouseLeft);
  EXPECT_EQ(owner.Count("hover"), 3u);
  Mouse(MouseKind::LeftUp, {11, 10});
  Mouse(MouseKind::RightDown, {105, 105}, platform::kMouseRight);
  EXPECT_EQ(owner.calls.back(), (OwnerCall{"right click", 0, 0, 75004}));
}

}  // namespace
