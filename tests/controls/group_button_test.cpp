// Group button tests: radio, toggle and momentary presses, cancelled presses, hovers and the face of each state.
#include <gtest/gtest.h>

#include "control_test_support.h"
#include "controls/group_button.h"

namespace {

using platform::MouseKind;
using platform::WindowPoint;

TEST(GroupButton, EachModeChangesStateAndNotifiesAsDesigned) {
  const struct {
    std::uint8_t mode;
    std::uint8_t after1, after2;  // state after the first and the second click
    std::size_t presses;          // notifications after both
  } cases[] = {
      {GroupButton::kRadio, 2, 2, 1},
      {GroupButton::kToggle, 2, 1, 2},
      {GroupButton::kMomentary, 1, 1, 2},
  };
  for (const auto& c : cases) {
    control_test::Harness h;
    GroupButton b(h.owner);
    h.Place(b, 75040, platform::WindowRect::FromSize(10, 10, 60, 40));
    b.Setup("K1", 75040, c.mode, false, 0, 0);
    h.Click({30, 30});
    EXPECT_EQ(b.State, c.after1) << int(c.mode);
    h.Click({30, 30});
    EXPECT_EQ(b.State, c.after2) << int(c.mode);
    EXPECT_EQ(h.owner.Count("press"), c.presses) << int(c.mode);
  }
}

TEST(GroupButton, MomentaryPressShowsDownAndSpringsBackSilentlyWhenReleasedOutside) {
  control_test::Harness h;
  GroupButton b(h.owner);
  h.Place(b, 75041, platform::WindowRect::FromSize(10, 10, 60, 40));
  b.Setup("", 75041, GroupButton::kMomentary, false, 0, 0);
  h.host.UpdateNow();
  const platform::Colour upFace = h.Pixel(40, 30);
  h.Mouse(MouseKind::LeftDown, {40, 30}, platform::kMouseLeft);
  EXPECT_NE(h.Pixel(40, 30), upFace);
  h.Mouse(MouseKind::Move, {200, 200}, platform::kMouseLeft);
  h.Mouse(MouseKind::LeftUp, {200, 200});
  EXPECT_EQ(b.State, ControlFrame::kStateUp);
  EXPECT_EQ(h.Pixel(40, 30), upFace);
  EXPECT_EQ(h.owner.Count("press"), 0u);
  EXPECT_EQ(h.owner.Count("hover"), 0u);
  h.Mouse(MouseKind::Move, {41, 30});
  h.Mouse(MouseKind::Move, {41, 30});
  EXPECT_EQ(h.owner.Count("hover"), 1u);
}

}  // namespace
