// The start screen rendered headless at two sizes in both languages: panel, frame, lit computer with a live mini-graph, title frames.
#include <gtest/gtest.h>

#include "platform/png_writer.h"
#include "start_screen_rig.h"

namespace {

using infotest::StartScreenRig;

// Pixels of a colour (within a tolerance) inside a rectangle.
int CountColour(const platform::Surface& s, const platform::WindowRect& r, platform::Colour c, int tolerance) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      const platform::Colour p = s.GetPixel(x, y);
      n += std::abs(p.r - c.r) + std::abs(p.g - c.g) + std::abs(p.b - c.b) <= tolerance ? 1 : 0;
    }
  }
  return n;
}

platform::WindowRect QuadBox(const PictureGrid& grid) {
  const auto& q = grid.Quad;
  return {static_cast<int>(std::min(q[0], q[6])), static_cast<int>(std::min(q[1], q[3])),
          static_cast<int>(std::max(q[2], q[4])), static_cast<int>(std::max(q[5], q[7]))};
}

TEST(StartScreenScreens, PanelComputerMiniGraphAndTitleAtTwoSizesInBothLanguages) {
  struct Case {
    int width, height;
    bool english;
  };
  for (const Case& c : {Case{1366, 768, false}, Case{1366, 768, true}, Case{1920, 1080, false}, Case{1920, 1080, true}}) {
    StartScreenRig s(c.width, c.height, c.english);
    const std::string name = std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/start_" + std::to_string(c.width) + "x" +
                             std::to_string(c.height) + (c.english ? "_en" : "_ru");
    SCOPED_TRACE(name);
    s.Reveal();
    ASSERT_EQ(s.Window().Panels[1]->ContentShown, 1);
    s.PaintAll();
    const platform::Surface& shown = s.rig.host.Window().Pixels();
    EXPECT_TRUE(platform::WritePng(shown, name + "_start.png"));
    // The start page shows the computer with its screen dark, and the heading band above it.
    const InfoPanel& panel = s.Panel();
    ASSERT_TRUE(panel.Grid.Built());
    EXPECT_GT(panel.PictureRect.Width(), 0);
    EXPECT_EQ(panel.Heading.Count(), 2);

    s.OpenTwoChannelPage(51);
    s.PaintAll();
    EXPECT_EQ(s.Window().View->SetupRequest.SetupRequestPending, 0);
    EXPECT_EQ(s.Window().View->MiniGraph.SmallGraph, 1);
    s.Feed(6000, 1000);
    s.PaintAll();
    EXPECT_TRUE(platform::WritePng(shown, name + "_minigraph.png"));
    // The lit screen carries both channels' curves.
    const platform::WindowRect screen = QuadBox(panel.Grid);
    const auto& colours = s.Window().View->ChannelColours;
    for (int k = 0; k < 2; ++k) {
      const platform::Colour ink{colours[k].R, colours[k].G, colours[k].B, 255};
      EXPECT_GT(CountColour(shown, screen, ink, 60), 20) << "channel " << k;
    }
    EXPECT_GT(CountColour(shown, screen, {0xFA, 0xFA, 0xFF, 255}, 6), screen.Width() * screen.Height() / 4);

    // The title slides in: frames 0, 7 and 15.
    StartScreenTitle& title = s.parts->Title;
    s.parts->StartTitleTimer(0);
    for (int tick = 0; tick <= 16; ++tick) {
      if (tick == 0 || tick == 7 || tick == 15) {
        s.Window().InvalidateLocal(title.TitleArea);
        s.rig.host.Window().UpdateNow();
        EXPECT_TRUE(platform::WritePng(shown, name + "_title" + std::to_string(tick) + ".png"));
      }
      s.rig.Step(33);
    }
    EXPECT_EQ(title.Frame, 15);
    EXPECT_EQ(s.Window().CurrentTimerId, 0);
    // At the last frame the caption's white letters stand in the band.
    EXPECT_GT(CountColour(shown, title.TitleArea, {255, 255, 255, 255}, 30), 30);
  }
}

}  // namespace
