// The help overlay: paging with its redraws, the "next" field's place, re-initialisation, every page on the live screen.
#include "info/help_panel.h"

#include <gtest/gtest.h>

#include "app/app_test_support.h"
#include "platform/png_writer.h"
#include "render/agg_ren.h"

using platform::WindowRect;

TEST(HelpPanel, NextFieldPagingAndInit) {
  for (const auto& [width, height, next] : {std::tuple{1280, 994, WindowRect{635, 106, 735, 132}},
                                            std::tuple{1920, 1491, WindowRect{635, 108, 785, 147}}}) {
    apptest::Rig rig(width, height, false);
    MainWindow& w = rig.Create();
    platform::Surface picture(width, height);
    agg_ren r;
    r.Attach(picture);
    w.Help.Init(&w, {100, 100, 900, 600});
    w.Help.Paint(r, picture);
    EXPECT_EQ(w.Help.NextRect, next) << width;
    for (std::int32_t expected : {1, 2, 3, 0}) {  // "next" on the last page comes back to the first
      w.View->FullRedraw = 0;
      w.Help.NextPage();
      EXPECT_TRUE(w.Help.Page == expected && w.View->FullRedraw == 1) << expected;
    }
    w.Help.NextPage();
    w.InitHelpPanel({0, 0, 800, 500});
    EXPECT_EQ(w.Help.Page, 0);
  }
}

// Painted by the window itself after the intro began, so with the font the measurement screen sets.
TEST(HelpPanel, EveryLineFitsItsPanelOnEveryPage) {
  for (const bool english : {false, true}) {
    for (const auto& [width, height] : {std::pair{1280, 994}, {1366, 768}, {1920, 1080}}) {
      apptest::Rig rig(width, height, false, 32, !english);
      MainWindow& w = rig.Create();
      rig.Step(33), rig.Step(33);  // the intro's first frames set its own large font
      w.GotoGraphScreen();
      w.Help.Show();
      for (int page = 0; page < 4; ++page, w.Help.NextPage()) {
        const std::string name = std::string(english ? "en_" : "ru_") + std::to_string(page) + "_" +
                                 std::to_string(width) + "x" + std::to_string(height);
        w.InvalidateLocal();
        w.Window().UpdateNow();
        ASSERT_FALSE(w.Help.Lines.empty()) << name;
        for (const HelpPanel::LineFit& fit : w.Help.Lines) {
          EXPECT_EQ(fit.Line.Intersect(fit.Box), fit.Line) << name << " line at " << fit.Line.top;
          EXPECT_EQ(fit.Box.Intersect(w.Help.Rect), fit.Box) << name << " box at " << fit.Box.top;
        }
        EXPECT_TRUE(platform::WritePng(w.Window().Pixels(), std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/help_" + name + ".png"));
      }
    }
  }
}
