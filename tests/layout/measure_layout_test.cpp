// The measurement screen's layout across screen sizes.
#include <gtest/gtest.h>

#include "app/app_test_support.h"
#include "controls/stick_button.h"
#include "layout/display_modes.h"
#include "layout/hover_panels.h"
#include "layout/main_controls.h"
#include "layout/measure_layout.h"

using platform::WindowRect;

namespace {

struct Measure {
  apptest::Rig rig;
  MainWindow& w;
  Measure(int width, int height, bool enter = true) : rig(width, height, false), w(rig.Create()) {
    w.Bytes.MeasureScreenActive = enter ? 1 : 0;
    SetDisplayModeGraph(w);
    LayoutControls(w);
  }
  WindowRect Rect(std::int32_t id) { return FindMainControl(w.Window(), id)->Rect(); }
};

constexpr std::int32_t kBottomBar[] = {75037, 75004, 74999, 75013, 75045, 75046, 75052, 75014, 75053,
                                       75038, 75039, 75040, 75041, 75181, 75182, 75183, 75184};
constexpr std::int32_t kTopBar[] = {75016, 75054, 75050, 75010, 75011, 75012, 75186};

}  // namespace

TEST(MeasureLayout, StopsEarlyOutsideTheMeasurementScreen) {
  Measure off(1280, 994, false);
  EXPECT_EQ(off.Rect(75004), WindowRect::FromSize(0, 0, 148, 75));
  EXPECT_EQ(off.w.Controls.ClientBounds[2], 1280);
  Measure unready(1280, 994, false);
  unready.w.View->Ready = 0;
  unready.w.Bytes.MeasureScreenActive = 1;
  LayoutControls(unready.w);
  EXPECT_EQ(unready.Rect(75016), WindowRect::FromSize(0, 0, 40, 40));
  // The dial screen's mode places the bottom bar below the graph rectangle, as the graph screen
  // does; any other mode only the window buttons and the top bar.
  unready.w.View->Ready = 1;
  unready.w.View->DisplayMode = 4;
  LayoutControls(unready.w);
  EXPECT_EQ(unready.Rect(75016), WindowRect::FromSize(1238, 0, 40, 40));
  const int graph_bottom = unready.w.Metrics.ScreenHeight - unready.w.Metrics.BottomBarHeight;
  EXPECT_EQ(unready.Rect(75004).top, static_cast<int>(graph_bottom + 35 * unready.w.Metrics.ScaleY));
  Measure other(1280, 994, false);
  other.w.Bytes.MeasureScreenActive = 1;
  other.w.View->DisplayMode = 5;
  LayoutControls(other.w);
  EXPECT_EQ(other.Rect(75016), WindowRect::FromSize(1238, 0, 40, 40));
  EXPECT_EQ(other.Rect(75004), WindowRect::FromSize(0, 0, 148, 75));
}

TEST(MeasureLayout, NothingOverlapsOrLeavesTheClientAtAnySize) {
  const std::pair<int, int> sizes[] = {{1024, 768}, {1280, 994}, {1366, 768}, {1920, 1080}, {2560, 1440}, {3840, 2160}};
  for (const auto& [width, height] : sizes) {
    Measure s(width, height);
    const WindowRect client{0, 0, width, height};
    const int graph_bottom = s.w.View->ViewRect.Bottom;
    std::vector<std::pair<std::int32_t, WindowRect>> placed;
    for (std::int32_t id : kTopBar) placed.emplace_back(id, s.Rect(id));
    for (std::int32_t id : kBottomBar) {
      placed.emplace_back(id, s.Rect(id));
      EXPECT_GE(s.Rect(id).top, graph_bottom) << width << " " << id;
    }
    for (std::int32_t id : {75001, 75003}) {
      placed.emplace_back(id, s.Rect(id));
      EXPECT_EQ(s.Rect(id).Intersect(client), s.Rect(id));
      EXPECT_LE(s.Rect(id).bottom, graph_bottom) << width << " " << id;
    }
    for (std::size_t i = 0; i < placed.size(); ++i) {
      EXPECT_EQ(placed[i].second.Intersect(client), placed[i].second) << width << " " << placed[i].first;
      for (std::size_t j = i + 1; j < placed.size(); ++j) {
        EXPECT_FALSE(placed[i].second.Intersects(placed[j].second))
            << width << "x" << height << ": " << placed[i].first << " and " << placed[j].first;
      }
    }
    // The start screen's main buttons.
    const WindowRect start[] = {s.Rect(75172), s.Rect(75171), s.Rect(75185)};
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(start[i].Intersect(client), start[i]) << width << " start " << i;
      EXPECT_FALSE(start[i].Intersects(start[(i + 1) % 3])) << width << " start " << i;
    }
  }
}
