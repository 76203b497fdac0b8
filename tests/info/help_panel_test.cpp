// The help overlay: paging with its redraws, the "next" field's place, re-initialisation, pictures of every page.
#include "info/help_panel.h"

#include <gtest/gtest.h>

#include "app/app_test_support.h"
#include "platform/png_writer.h"
#include "render/agg_ren.h"

using platform::WindowRect;

TEST(HelpPanel, NextFieldPagingInitAndPicturesOfEveryPage) {
  const struct {
    int width, height;
    WindowRect next;  // for the panel at (100, 100, 900, 600)
  } cases[] = {{1280, 994, {635, 106, 735, 132}}, {1920, 1491, {635, 108, 785, 147}},
               {1366, 768, {}}, {1920, 1080, {}}};
  for (const bool english : {false, true}) {
    for (const auto& c : cases) {
      apptest::Rig rig(c.width, c.height, false, 32, !english);
      MainWindow& w = rig.Create();
      platform::Surface picture(c.width, c.height);
      agg_ren r;
      r.Attach(picture);
      w.Help.Init(&w, {100, 100, 900, 600});
      w.Help.Paint(r, picture);
      EXPECT_TRUE(c.next.right == 0 || w.Help.NextRect == c.next) << c.width;
      for (std::int32_t expected : {1, 2, 3, 0}) {  // "next" on the last page comes back to the first
        w.View->FullRedraw = 0;
        w.Help.NextPage();
        EXPECT_TRUE(w.Help.Page == expected && w.View->FullRedraw == 1) << expected;
      }
      w.Help.NextPage();
      w.InitHelpPanel({0, 0, 800, 500});
      EXPECT_EQ(w.Help.Page, 0);
      const float s = w.Metrics.UiScale;
      w.Help.Init(&w, WindowRect::FromSize(60, 50, static_cast<int>(760 * s), static_cast<int>(480 * s)));
      for (int page = 0; page < 4; ++page, w.Help.NextPage()) {
        picture.Fill({96, 84, 140, 255});
        w.Help.Paint(r, picture);
        const std::string name = std::string("help_") + (english ? "en_" : "ru_") + std::to_string(page) + "_" +
                                 std::to_string(c.width) + "x" + std::to_string(c.height) + ".png";
        EXPECT_TRUE(platform::WritePng(picture, std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/" + name));
      }
    }
  }
}
