// Simple GDI button tests: the review button's refusal, toggles, the grey floor of the caption, the darkening rectangle.
#include <gtest/gtest.h>

#include "control_test_support.h"
#include "controls/simple_buttons.h"
#include "filter_panel_support.h"

namespace {

using platform::WindowRect;

TEST(SimpleButtons, ReviewButtonIsRefusedWithoutARecordAndToggleButtonsCheck) {
  const struct {
    std::int32_t id;
    bool toggle;
    std::uint8_t viewable;
    bool checked;
    std::size_t presses;
  } cases[] = {{75014, true, 0, false, 0}, {75014, true, 1, true, 1}, {75020, true, 0, true, 1}, {75020, false, 0, false, 1}};
  for (const auto& c : cases) {
    control_test::Harness h;
    FilterView fv;
    fv.view.RecordViewable = c.viewable;
    SimpleButton b(h.owner);
    b.View = &fv.view;
    h.Place(b, c.id, WindowRect::FromSize(10, 10, 120, 40));
    b.Setup("Обзор", c.id, c.toggle);
    h.Click({50, 30});
    h.Tick(8);
    EXPECT_EQ(b.Checked(), c.checked) << c.id;
    EXPECT_EQ(h.owner.Count("press"), c.presses) << c.id;
  }
}

TEST(SimpleButtons, CaptionGreyStaysAboveItsFloorAndTheRectangleDarkensWhileHeld) {
  control_test::Harness h;
  SimpleButton2 b(h.owner);
  StButton st(h.owner);
  h.Place(b, 75060, WindowRect::FromSize(10, 10, 120, 40));
  h.Place(st, 75061, WindowRect::FromSize(10, 60, 40, 40));
  b.Setup("Пуск", 75060);
  st.Setup();
  h.Mouse(platform::MouseKind::LeftDown, {40, 30}, platform::kMouseLeft);
  for (int i = 0; i < 4; ++i) {
    h.Tick();
    EXPECT_GE(b.Grey(), SimpleButton2::kGreyFloor);
  }
  h.Mouse(platform::MouseKind::LeftUp, {40, 30});
  EXPECT_EQ(h.owner.Count("press"), 1u);
  const platform::Colour up = h.Pixel(30, 80);
  h.Mouse(platform::MouseKind::LeftDown, {30, 80}, platform::kMouseLeft);
  EXPECT_LT(h.Pixel(30, 80).r, up.r);
  h.Mouse(platform::MouseKind::LeftUp, {30, 80});
  EXPECT_EQ(h.Pixel(30, 80), up);
}

}  // namespace
