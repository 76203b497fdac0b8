// The range list beside the sensor-family list: built once per row, placed at the row, the shown range checked.
#include "layout/range_menu.h"

#include <gtest/gtest.h>

#include "app/app_test_support.h"
#include "controls/menu_buttton.h"
#include "layout/main_controls.h"
#include "platform/png_writer.h"

namespace {

struct Lists {
  apptest::Rig rig;
  MainWindow& w;
  MenuButtton& toolbar = *dynamic_cast<MenuButtton*>(FindMainControl(w.Window(), kToolbarListId));
  MenuButtton& ranges = *dynamic_cast<MenuButtton*>(FindMainControl(w.Window(), kRangeListId));
  // The sensor-family list as its filler leaves it: every row but "pH" reports its hover.
  Lists(int width, int height) : rig(width, height, false), w(rig.Create()) {
    std::vector<MenuItemInit> rows;
    for (const char* letter : {"T", "pH", "G", "A", "U", "I", "UI", "P"}) rows.push_back({letter, 0, 0});
    toolbar.SetItems(rows, 8, 4, kToolbarListId);
    for (int i = 0; i < 8; ++i) toolbar.Items[i].HoverNotify = i != 1;
    toolbar.Move(platform::WindowRect::FromSize(300, 50, w.Metrics.MenuWidth, 8 * 40));
    toolbar.Show();
    w.Window().UpdateNow();
  }
  std::vector<std::string> Checked() {
    std::vector<std::string> out;
    for (int i = 0; i < ranges.Count(); ++i) ranges.Items[i].Checked != 0 ? out.push_back(ranges.Items[i].Caption) : void();
    return out;
  }
};

}  // namespace

TEST(RangeMenu, BuiltOncePerRowPlacedAtTheRowAndChecked) {
  Lists l(1920, 1093);  // ScaleX 1.5, ScaleY 1.1
  l.w.View->SensorCode = 3;
  FillRangeMenu(l.w, 4, 0);
  EXPECT_EQ(l.ranges.Rect(), platform::WindowRect::FromSize(540, 50 + l.toolbar.RowRects()[0].top - 2, 240, 140));
  EXPECT_EQ(l.Checked(), std::vector<std::string>{"T 150"});
  l.ranges.Items[0].Caption = "kept";
  FillRangeMenu(l.w, 4, 0);
  EXPECT_EQ(l.ranges.Items[0].Caption, "kept");
  FillRangeMenu(l.w, 4, 4);
  EXPECT_EQ(l.ranges.Rect().top, 50 + l.toolbar.RowRects()[4].top - 2);
  EXPECT_TRUE(l.ranges.Count() == 3 && l.Checked().empty());
  // A click moves the check mark only.
  l.w.Window().UpdateNow();
  l.w.Window().DeliverMouse(platform::MouseKind::LeftDown, {l.ranges.Rect().left + 20, l.ranges.Rect().top + 40}, 0);
  EXPECT_EQ(l.Checked(), std::vector<std::string>{"U 50"});
  EXPECT_EQ(l.w.View->SensorCode, 3);
}

TEST(RangeMenu, OnlyTheSensorListBuildsOne) {
  for (const auto& [width, height] : {std::pair{1280, 994}, {1366, 768}, {1920, 1080}}) {
    Lists l(width, height);
    FillRangeMenu(l.w, 4, 6);
    EXPECT_EQ(l.ranges.Count(), 5);
    for (std::int32_t kind : {0, 3, 5, 100}) FillRangeMenu(l.w, kind, 2);
    EXPECT_EQ(l.ranges.Count(), 5);
    FillRangeMenu(l.w, 2, 2);
    EXPECT_FALSE(l.ranges.IsVisible());
    l.w.View->SensorCode = 19, l.w.Controls.HoveredMenuRow = -1;  // as the sensor list's filler leaves it
    FillRangeMenu(l.w, 4, 2);
    EXPECT_EQ(l.Checked(), std::vector<std::string>{"G 0.1"});
    platform::Surface s(width, height);
    s.Fill({96, 84, 140, 255});
    l.toolbar.PaintToBuffer(s);
    l.ranges.PaintToBuffer(s);
    EXPECT_TRUE(platform::WritePng(s, std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/range_menu_" + std::to_string(width) + "x" +
                                          std::to_string(height) + ".png"));
  }
}
