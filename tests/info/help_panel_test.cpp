// The help overlay: paging with its redraws, the "next" field's place, re-initialisation, pictures of every page.
#include "info/help_panel.h"

#include <gtest/gtest.h>

#include "app/app_test_support.h"
#include "platform/png_writer.h"
#include "render/agg_ren.h"

using platform::WindowRect;

TEST(HelpPanel, PagesCycleAndInitStartsOver) {
  apptest::Rig rig(1280, 994, false);
  MainWindow& w = rig.Create();
  HelpPanel& help = w.Help;
  help.Init(&w, {100, 100, 900, 600});
  help.Show();
  for (std::int32_t expected : {1, 2, 3, 0}) {
    w.View->RedrawRequested = 0;
    help.NextPage();
    EXPECT_EQ(help.Page, expected);
    EXPECT_EQ(w.View->RedrawRequested, 1);
  }
  help.PrevPage();
  EXPECT_EQ(help.Page, 0);
  help.NextPage();
  w.InitHelpPanel({0, 0, 800, 500});
  EXPECT_EQ(help.Page, 0);
  EXPECT_EQ(help.Rect, (WindowRect{0, 0, 800, 500}));
}

TEST(HelpPanel, NextFieldAtEachScale) {
  const struct {
    int width, height;
    WindowRect next;
  } cases[] = {{1280, 994, {635, 106, 735, 132}}, {1920, 1491, {635, 108, 785, 147}}};
  for (const auto& c : cases) {
    apptest::Rig rig(c.width, c.height, false);
    MainWindow& w = rig.Create();
    w.Help.Init(&w, {100, 100, 900, 600});
    platform::Surface s(c.width, c.height);
    agg_ren r;
    r.Attach(s);
    w.Help.Paint(r, s);
    EXPECT_EQ(w.Help.NextRect, c.next) << c.width;
  }
}

TEST(HelpPanel, PicturesOfEveryPage) {
  for (const bool english : {false, true}) {
    for (const auto& [width, height] : {std::pair{1280, 994}, {1366, 768}, {1920, 1080}}) {
      apptest::Rig rig(width, height, false, 32, !english);
      MainWindow& w = rig.Create();
      const float s = w.Metrics.UiScale;
      w.Help.Init(&w, WindowRect::FromSize(60, 50, static_cast<int>(760 * s), static_cast<int>(480 * s)));
      for (int page = 0; page < 4; ++page) {
        platform::Surface picture(width, height);
        picture.Fill({96, 84, 140, 255});
        agg_ren r;
        r.Attach(picture);
        w.Help.Paint(r, picture);
        const std::string name = std::string("help_") + (english ? "en_" : "ru_") + std::to_string(page) + "_" +
                                 std::to_string(width) + "x" + std::to_string(height) + ".png";
        EXPECT_TRUE(platform::WritePng(picture, std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/" + name));
        w.Help.NextPage();
      }
    }
  }
}
