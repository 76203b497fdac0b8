// Every value axis of a record of several kinds reads even, round steps, before "Overview" and
// after it, however the fit stretched the axis channel's range.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "review_rig.h"

namespace {

using apptest::ReviewRig;

constexpr std::int32_t kOverview = 75013;

// A step is round when it is 1, 2, 2.5 or 5 times a power of ten.
bool Round(double step) {
  const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
  for (const double m : {1.0, 2.0, 2.5, 5.0}) {
    if (std::fabs(mantissa - m) < 1e-6) return true;
  }
  return false;
}

// Each label column as written: its values from the top down, and its labels' boxes.
void ExpectEvenRoundColumns(const GraphView& view, const std::string& when) {
  std::map<std::uint8_t, std::vector<std::size_t>> columns;
  for (std::size_t i = 0; i < view.ValueLabelTexts.size(); ++i) columns[view.ValueLabelChannels[i]].push_back(i);
  EXPECT_GE(columns.size(), 2u) << when;
  for (const auto& [channel, labels] : columns) {
    SCOPED_TRACE(when + ", the column of channel " + std::to_string(channel));
    ASSERT_GE(labels.size(), 3u);
    std::string read;
    for (const std::size_t i : labels) read += view.ValueLabelTexts[i] + " ";
    const double first = std::strtod(view.ValueLabelTexts[labels[0]].c_str(), nullptr);
    const double step = first - std::strtod(view.ValueLabelTexts[labels[1]].c_str(), nullptr);
    EXPECT_TRUE(step > 0.0 && Round(step)) << read;
    for (std::size_t n = 1; n < labels.size(); ++n) {
      const double above = std::strtod(view.ValueLabelTexts[labels[n - 1]].c_str(), nullptr);
      const double here = std::strtod(view.ValueLabelTexts[labels[n]].c_str(), nullptr);
      EXPECT_NEAR(above - here, step, step * 1e-6) << read;
      // No two labels of a column touch.
      EXPECT_GE(view.ValueLabelRects[labels[n]].Top, view.ValueLabelRects[labels[n - 1]].Bottom + 2) << read;
    }
  }
}

TEST(AxisSteps, EveryAxisKeepsEvenRoundStepsAfterOverview) {
  const struct {
    int width, height;
    bool english;
    const char* units;
  } cases[] = {
      // Three voltages and a temperature, each of the two kinds on the plot's own axis in turn.
      {1366, 768, false, "wired:04/1195:sine;wired:04/1195:sine;wired:04/1195:square;wired:15/1063:ramp"},
      {1920, 1080, true, "wired:04/1195:sine;wired:04/1195:sine;wired:04/1195:square;wired:15/1063:ramp"},
      {1366, 768, false, "wired:15/1063:ramp;wired:04/1195:sine;wired:04/1195:sine;wired:04/1195:square"},
      {1920, 1080, true, "wired:15/1063:sine=2048,2000,0.3;wired:04/1195:ramp;wired:04/1195:sine=2048,600,2"},
      // Other kinds beside them.
      {1366, 768, true, "auto:kind=40:ramp;wired:04/1195:square;wired:15/1063:ramp"},
      {1366, 768, false, "auto:kind=45:ramp;auto:kind=1:sine;wired:15/1063:ramp"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.units) + " at " + std::to_string(c.width) + (c.english ? " en" : " ru"));
    ReviewRig rig(c.width, c.height, c.english, c.units);
    rig.EnterWithEveryUnit();
    rig.Record(3.0);
    rig.Screen();
    ExpectEvenRoundColumns(rig.View(), "before Overview");
    rig.Press(kOverview);
    rig.Screen();
    ExpectEvenRoundColumns(rig.View(), "after Overview");
  }
}

}  // namespace
