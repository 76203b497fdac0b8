// Drop-down list tests: single-selection checks, range-menu lists, highlight and its pixels, the row bound.
#include <gtest/gtest.h>

#include <vector>

#include "control_test_support.h"
#include "controls/menu_buttton.h"

namespace {

using platform::MouseKind;

struct MenuButttonTest : ::testing::Test {
  MenuButttonTest() : menu(h.owner) {
    h.Place(menu, 75008, platform::WindowRect::FromSize(20, 20, 200, 124));
    menu.SetItems(std::vector<MenuItemInit>{{"A", 0, 0}, {"B", 1, 0}, {"C", 0, 0}}, 3, 4, 75009);
    menu.Invalidate();
    h.host.UpdateNow();
  }
  // The middle of row i, in window coordinates.
  platform::WindowPoint Row(int i) const {
    const platform::WindowRect& r = menu.RowRects()[i];
    return {20 + (r.left + r.right) / 2, 20 + (r.top + r.bottom) / 2};
  }
  control_test::Harness h;
  MenuButtton menu;
};

TEST_F(MenuButttonTest, ClickReportsTheRowAndTogglesItsCheckAloneInASingleSelectionList) {
  h.Click(Row(1));
  EXPECT_EQ(h.owner.calls.back(), (control_test::OwnerCall{"press", 4, 1, 75009}));
  EXPECT_EQ(menu.Items[1].Checked, 0);  // it was checked: the click leaves none
  h.Click(Row(2));
  EXPECT_EQ(menu.Items[2].Checked, 1);
  EXPECT_EQ(menu.Items[1].Checked + menu.Items[0].Checked, 0);
  // The device list of a range menu keeps its marks, and moves over it ask for the sub-menu.
  menu.Items[0].HoverNotify = 1;
  h.Click(Row(0));
  EXPECT_EQ(menu.Items[2].Checked, 1);
  EXPECT_EQ(menu.Items[0].Checked, 0);
  h.Mouse(MouseKind::Move, {Row(0).x + 3, Row(0).y});
  EXPECT_EQ(h.owner.calls.back(), (control_test::OwnerCall{"range menu", 4, 0, 75009}));
}

TEST_F(MenuButttonTest, HighlightFollowsThePointerAndStaysOutsideTheRows) {
  const platform::WindowPoint row0 = Row(0);
  const platform::Colour plain = h.Pixel(row0.x + 60, row0.y - 8);
  h.Mouse(MouseKind::Move, row0);
  EXPECT_EQ(menu.Items[0].Highlighted, 1);
  EXPECT_NE(h.Pixel(row0.x + 60, row0.y - 8), plain);
  h.Mouse(MouseKind::Move, Row(2));
  h.Mouse(MouseKind::Move, {21, 21});  // the list's margin, between no rows
  EXPECT_EQ(menu.Items[0].Highlighted + menu.Items[2].Highlighted, 1);
  EXPECT_EQ(menu.Items[2].Highlighted, 1);
  EXPECT_EQ(menu.Hovered(), -1);
  menu.SetItemList({}, 500);
  EXPECT_EQ(menu.Count(), MenuButtton::kMaxItems);
}

}  // namespace
