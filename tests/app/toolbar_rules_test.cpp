// The value-scale slider's segment choice, the channel options panel's place and the release rules.
#include <gtest/gtest.h>

#include <numeric>

#include "app/toolbar_rules.h"

namespace {

TEST(ValueSlider, StaysInsideTheTablesAndKeepsEveryCaseThatFitted) {
  // First and last point for m = 0, 0.1, 0.3 per M; 500 and above asked for up to breakpoint 12 of
  // 11 and now end at the table; the rest fitted and are as before.
  const float minimums[] = {0, 0.1f, 0.3f};
  const struct { float M; std::int32_t first_last[3][2]; } rows[] = {
      {0, {{0, 7}, {1, 7}, {1, 7}}},   {0.5f, {{0, 6}, {1, 6}, {1, 6}}}, {10, {{0, 6}, {1, 6}, {1, 6}}},
      {500, {{0, 10}, {1, 9}, {1, 9}}}, {1000, {{0, 10}, {1, 9}, {1, 9}}}, {5000, {{0, 10}, {1, 9}, {1, 9}}}};
  for (const auto& row : rows) {
    for (std::size_t k = 0; k < 3; ++k) {
      const ValueSliderLayout layout = ChooseValueSlider(row.M, minimums[k]);
      EXPECT_EQ(layout.First, row.first_last[k][0]) << row.M << " " << minimums[k];
      EXPECT_EQ(layout.Last, row.first_last[k][1]) << row.M << " " << minimums[k];
      ASSERT_EQ(layout.Breakpoints.size(), static_cast<std::size_t>(layout.Last) + 1);
      ASSERT_EQ(layout.Steps.size(), static_cast<std::size_t>(layout.Last));
      // Reading every point is what ASan checks against the table's end.
      const auto sum = [](std::span<const float> t) { return std::accumulate(t.begin(), t.end(), 0.0f); };
      EXPECT_GE(sum(layout.Breakpoints) + sum(layout.Steps), 0.0f);
    }
  }
}

TEST(ChannelOptionsPanel, WidthByAspectAndPlacedInsideTheClient) {
  EXPECT_EQ(ChannelOptionsWidth(1.0f, 1.25f), 360);
  EXPECT_EQ(ChannelOptionsWidth(1.0f, 16.0f / 9.0f), 330);
  EXPECT_EQ(ChannelOptionsLeft(100, 330, 1280), 100);
  EXPECT_EQ(ChannelOptionsLeft(1000, 330, 1280), 1280 - 330 - 2);
  EXPECT_EQ(ChannelOptionsLeft(100, 330, 300), 0);  // a client narrower than the panel
}

struct ReleaseRow {
  const char* name;
  std::int32_t id;
  bool keep_help;
  bool recording;
  std::uint8_t panel;
  std::vector<std::pair<std::int32_t, std::uint8_t>> down;   // controls down before
  std::vector<std::pair<std::int32_t, std::uint8_t>> after;  // expected states after
  std::vector<std::int32_t> visible;  // sliders and menus still shown after
  std::uint8_t panel_after;
};

TEST(ReleaseRules, TableOfCommandsAndStates) {
  const ReleaseRow rows[] = {
      {"menu pressed lets the other menus up", 75010, false, false, 0, {{75010, 2}, {75011, 2}}, {{75010, 2}, {75011, 1}}, {75009}, 0},
      {"an unpressed id only repaints the menus", 75010, false, false, 0, {{75011, 2}}, {{75011, 2}}, {75009}, 0},
      {"a slider id counts as not pressed", 75001, false, false, 0, {{75001, 2}, {75011, 2}}, {{75011, 2}}, {75001, 75009}, 0},
      {"help goes up", 75010, false, false, 0, {{75010, 2}, {75186, 2}}, {{75186, 1}}, {75009}, 0},
      {"help kept", 75010, true, false, 0, {{75010, 2}, {75186, 2}}, {{75186, 2}}, {75001, 75003, 75009}, 0},
      {"overview released", 75004, false, false, 0, {{75013, 2}}, {{75013, 1}}, {}, 0},
      {"overview kept with keep-help", 75004, true, false, 0, {{75013, 2}}, {{75013, 2}}, {75001, 75003}, 0},
      {"start released when idle", 75010, false, false, 0, {{75004, 2}}, {{75004, 1}}, {}, 0},
      {"start kept while recording", 75010, false, true, 0, {{75004, 2}}, {{75004, 2}}, {}, 0},
      {"start's own id untouched", 75004, false, false, 0, {{75004, 2}}, {{75004, 2}}, {}, 0},
      {"settings opener released while recording", 0, false, true, 1, {{75037, 2}}, {{75037, 1}}, {}, 0},
      {"settings opener kept with its panel open", 0, false, false, 1, {{75037, 2}}, {{75037, 2}}, {75008}, 1},
      {"settings opener released without a panel", 0, false, false, 0, {{75037, 2}}, {{75037, 1}}, {}, 0},
      {"pause released when idle", 0, false, false, 0, {{74999, 2}}, {{74999, 1}}, {}, 0},
      {"pause kept while recording", 0, false, true, 0, {{74999, 2}}, {{74999, 2}}, {}, 0},
      {"scale up hides the sliders", 0, false, false, 0, {}, {}, {}, 0},
      {"scale up with keep-help keeps them", 0, true, false, 0, {}, {}, {75001, 75003}, 0},
      {"scale down: a pressed slider goes up", 75003, false, false, 0, {{75052, 2}, {75001, 2}}, {{75001, 1}, {75052, 2}}, {75001, 75003}, 0},
      {"scale down while recording: up and sliders hidden", 0, false, true, 0, {{75052, 2}}, {{75052, 1}}, {}, 0},
      {"rate slider hidden without a panel", 0, false, false, 0, {}, {}, {}, 0},
      {"rate slider kept with a panel", 0, false, false, 1, {{75008, 2}}, {{75008, 1}}, {75008}, 1},
      {"first menu stays while a menu button is down", 75009, false, false, 0, {{75011, 2}}, {}, {75009}, 0},
      {"first menu closes otherwise", 0, false, false, 0, {}, {}, {}, 0},
  };
  for (const ReleaseRow& row : rows) {
    ToolbarSnapshot t;
    for (std::int32_t id : {75010, 75011, 75186, 75013, 75004, 75037, 74999, 75052, 75043}) t.Controls[id] = {};
    for (std::int32_t id : {75001, 75003, 75008, 75009, 50060}) t.Controls[id] = {1, true, false};
    for (const auto& [id, state] : row.down) t.Controls[id].State = state;
    t.Recording = row.recording;
    t.PanelMode = row.panel;
    t.HelpShown = true;
    ApplyReleaseRules(t, row.id, row.keep_help);
    for (const auto& [id, state] : row.after) EXPECT_EQ(t.Controls[id].State, state) << row.name << " " << id;
    for (const auto& [id, control] : t.Controls) {
      if (control.ImageButton) continue;
      const bool shown = std::find(row.visible.begin(), row.visible.end(), id) != row.visible.end();
      EXPECT_EQ(control.Visible, shown) << row.name << " " << id;
    }
    EXPECT_EQ(t.PanelMode, row.panel_after) << row.name;
  }
}

}  // namespace
