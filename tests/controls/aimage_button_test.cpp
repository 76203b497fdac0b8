// Image button tests: toggling clicks, cancelled presses, passive and style-3 buttons, look animation, glyph pixels.
#include <gtest/gtest.h>

#include "control_test_support.h"
#include "controls/aimage_button.h"

namespace {

using platform::MouseKind;
using platform::WindowRect;

const WindowRect kPlace = WindowRect::FromSize(40, 30, 120, 60);
const rgba8 kInk(250, 250, 20, 255);

struct AImageButtonTest : ::testing::Test {
  AImageButtonTest() : button(h.owner) {
    h.Place(button, 75020, kPlace);
    button.Setup("", 75020, 7, 0, "Пуск");
    button.Panel = PanelStyle{0, 0, 0, 1, 2};
    button.Looks[0] = {1.0f, rgba8(60, 60, 160, 255), kInk, 6, 0};
    button.Looks[1] = {0.7f, rgba8(90, 90, 200, 255), kInk, 6, 0};
    button.Looks[2] = {0.1f, rgba8(20, 20, 90, 255), kInk, 6, 0};
    button.SetAnimationSteps(1, 1, 1, 0);
    button.Invalidate();
    h.host.UpdateNow();
  }
  platform::Colour At(double fx, double fy) {
    return h.Pixel(kPlace.left + static_cast<int>(fx * kPlace.Width()), kPlace.top + static_cast<int>(fy * kPlace.Height()));
  }
  control_test::Harness h;
  AImageButton button;
};

TEST_F(AImageButtonTest, PressesToggleAndReportOnReleaseWhileAPressReleasedOutsideIsCancelled) {
  const platform::WindowPoint inside{60, 50}, outside{300, 200};
  h.Click(inside);
  EXPECT_EQ(button.State, ControlFrame::kStateDown);
  h.Click(inside);
  EXPECT_EQ(button.State, ControlFrame::kStateUp);
  EXPECT_EQ(h.owner.Count("press"), 2u);
  h.Mouse(MouseKind::LeftDown, inside, platform::kMouseLeft);
  h.Mouse(MouseKind::LeftUp, outside);
  EXPECT_EQ(button.State, ControlFrame::kStateUp);
  EXPECT_EQ(h.owner.Count("press"), 2u);
  // Style 3 takes no presses and no hovers; a passive button only asks to hide the hint.
  button.LayoutStyle = 3;
  h.Click({70, 50});
  h.Mouse(MouseKind::Move, {72, 52});
  EXPECT_EQ(h.owner.Count("press"), 2u);
  EXPECT_EQ(button.TargetLook(), AImageButton::kNormal);
  button.Interactive = 0;
  h.Mouse(MouseKind::Move, {74, 52});
  EXPECT_EQ(h.owner.calls.back().name, "passive");
}

TEST_F(AImageButtonTest, LookMovesRunAtMostSixFramesEndingOnTheExactTarget) {
  const struct {
    float hoverFade;
    std::uint8_t level, frames;  // colour level; frames of the hover-normal step
    int ticksToEnd;              // -1: nothing moves
  } cases[] = {
      {0.7f, 1, 1, 0},   // one frame of 0.3: shown at once, no timer
      {1.0f, 1, 1, -1},  // equal fades, no colour slots
      {1.0f, 2, 1, 5},   // equal fades, differing colour slots: six frames
      {0.0f, 1, 10, 5},  // ten frames of 0.1 are cut to six
  };
  for (const auto& c : cases) {
    AImageButton b(h.owner);
    h.Place(b, 75021, WindowRect::FromSize(200, 30, 100, 50));
    b.Looks[1] = {c.hoverFade, rgba8(1, 2, 3, 255), kInk, 6, 0};
    b.ColourLevel = c.level;
    b.NormalColours.active[0] = rgba8(9, 9, 9, 255);
    b.SetAnimationSteps(1, c.frames, 1, 0);
    b.SelectNormalColours();
    b.SetAnimation(AImageButton::kHover);
    h.Tick(std::max(c.ticksToEnd, 0));
    EXPECT_FALSE(b.Animating());
    EXPECT_EQ(b.Current()->ColourA.r, c.ticksToEnd < 0 ? 255 : 1);  // still the normal look, or the hover one
  }
}

TEST_F(AImageButtonTest, HoverAndPressLooksShowTheirPanelColours) {
  EXPECT_EQ(At(0.1, 0.2), (platform::Colour{60, 60, 160, 255}));
  h.Mouse(MouseKind::Move, {50, 38});
  EXPECT_EQ(At(0.1, 0.2), (platform::Colour{90, 90, 200, 255}));
  EXPECT_EQ(h.owner.Count("hover"), 1u);
  h.Mouse(MouseKind::LeftDown, {50, 38}, platform::kMouseLeft);
  EXPECT_EQ(At(0.1, 0.2), (platform::Colour{20, 20, 90, 255}));
  // Into a buffer of the owner's, at the button's own placement.
  platform::Surface start(400, 300);
  button.UsePlacement = true;
  button.Placement = WindowRect::FromSize(200, 150, 1, 1);
  button.PaintToBuffer(start);
  EXPECT_EQ(start.GetPixel(212, 162), (platform::Colour{20, 20, 90, 255}));
}

}  // namespace
