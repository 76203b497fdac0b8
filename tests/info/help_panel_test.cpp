// The help overlay: paging with its redraws, re-initialisation, every page on the live screen.
#include "info/help_panel.h"

#include <gtest/gtest.h>

#include "app/app_test_support.h"
#include "render/agg_ren.h"
#include "platform/png_writer.h"

// Painted by the window itself after the intro began, so with the font the measurement screen sets.
TEST(HelpPanel, EveryPageInTurnWithEveryLineInsideItsPanel) {
  for (const bool english : {false, true}) {
    for (const auto& [width, height] : {std::pair{1280, 994}, {1366, 768}, {1920, 1080}}) {
      apptest::Rig rig(width, height, false, 32, !english);
      MainWindow& w = rig.Create();
      rig.Step(33), rig.Step(33);  // the intro's first frames set its own large font
      w.GotoGraphScreen(), w.Help.Show();
      EXPECT_EQ(w.Help.LastPage, 2);  // no blood pressure sensor: three pages
      w.Help.LastPage = 3;
      for (int page = 0; page < 4; ++page) {
        const std::string name = (english ? "en_" : "ru_") + std::to_string(page) + "_" + std::to_string(width) + "x" + std::to_string(height);
        EXPECT_EQ(w.Help.Page, page);
        w.InvalidateLocal();
        w.Window().UpdateNow();
        ASSERT_FALSE(w.Help.Lines.empty()) << name;
        for (const HelpPanel::LineFit& fit : w.Help.Lines) {
          EXPECT_EQ(fit.Line.Intersect(fit.Box), fit.Line) << name << " line at " << fit.Line.top;
          EXPECT_EQ(fit.Box.Intersect(w.Help.Rect), fit.Box) << name << " box at " << fit.Box.top;
        }
        EXPECT_TRUE(platform::WritePng(w.Window().Pixels(), std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/help_" + name + ".png"));
        w.View->FullRedraw = 0, w.Help.NextPage();  // after the last page the first
        EXPECT_EQ(w.View->FullRedraw, 1);
      }
      EXPECT_EQ(w.Help.Page, 0);
      w.Help.NextPage(), w.InitHelpPanel({0, 0, 800, 500});
      EXPECT_EQ(w.Help.Page, 3);  // back to the first page, the sensors page of a four-page panel
    }
  }
}
