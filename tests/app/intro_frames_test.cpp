// The intro rendered headless at two screen sizes in both languages and probed.
#include <gtest/gtest.h>

#include <string>

#include "app_test_support.h"

namespace {

using apptest::Rig;

int Difference(platform::Colour a, platform::Colour b) { return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b); }

TEST(IntroFrames, FramesAtTwoSizesInBothLanguages) {
  struct Case {
    int width, height;
    bool english;
  };
  const Case cases[] = {{1366, 768, false}, {1366, 768, true}, {1920, 1080, false}, {1920, 1080, true}};
  for (const Case& c : cases) {
    Rig rig(c.width, c.height);
    MainWindow& w = rig.Create(c.english);
    rig.host.Window().KillTimer(kTimerIntro);
    platform::Surface& shown = rig.host.Window().Pixels();
    const platform::WindowRect a = w.Panels[0]->Area;
    const platform::WindowPoint centre{(a.left + a.right) / 2, (a.top + a.bottom) / 2};
    SCOPED_TRACE(testing::Message() << c.width << (c.english ? " en" : " ru"));
    for (int f = 0; f <= 49; ++f) {
      w.Panels[0]->Frame = f;
      w.InvalidateLocal(f == 0 ? rig.host.Window().ClientRect() : a);
      if (f >= 45) w.InvalidateLocal();
      rig.host.Window().UpdateNow();
      const platform::Surface& background = w.BackBuffer(1);
      if (f == 0) {
        // The intro starts over the start background, all over the window.
        EXPECT_EQ(shown.GetPixel(centre.x, centre.y), background.GetPixel(centre.x, centre.y));
        EXPECT_EQ(shown.GetPixel(5, c.height - 5), background.GetPixel(5, c.height - 5));
        EXPECT_GT(Difference(shown.GetPixel(5, 5), platform::Colour{0, 0, 0, 255}), 60);
      }
      if (f == 48) {
        // The grow-out tints the background beyond the panel.
        EXPECT_GT(Difference(shown.GetPixel(a.left - 40, centre.y), background.GetPixel(a.left - 40, centre.y)), 3);
      }
      if (f == 49) {
        // The last frame shows the saved background with the finished panel.
        EXPECT_EQ(shown.GetPixel(a.left - 40, centre.y), background.GetPixel(a.left - 40, centre.y));
        EXPECT_EQ(shown.GetPixel(centre.x, centre.y), background.GetPixel(centre.x, centre.y));
        EXPECT_GT(Difference(background.GetPixel(centre.x, centre.y), w.Bitmap(50057)->GetPixel(320, 240)), 30);
      }
    }
  }
}

}  // namespace
