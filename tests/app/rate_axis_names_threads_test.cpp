// The value axes' names over a recording with the rate sensors among others: a kind that counts a rate
// in the signal it plots names its axis by the symbol alone, a kind that plots its rate gives the
// rate's unit, and names side by side keep apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "review_rig.h"

namespace {

using apptest::ReviewRig;

TEST(RateAxisNames, ASignalPlottedForACountedRateGoesByItsSymbolAlone) {
  const struct {
    const char* units;
    int width, height;
    bool english;
    std::set<std::string> names;
  } cases[] = {
      {"auto:kind=77;wired:15/1063;wired:04/1195;auto:kind=40:sine=2048,1200,0.3", 1366, 768, false,
       {"Y,об/сек", "T,°C", "U,В", "Y"}},
      {"auto:kind=77;wired:15/1063;wired:04/1195;auto:kind=40:sine=2048,1200,0.3", 1920, 1080, true,
       {"Y,rev/s", "T,°C", "U,V", "Y"}},
      {"auto:kind=40:sine=2048,1200,0.3", 1366, 768, false, {"Y"}},
      {"auto:kind=35:sine=2048,1000,1.2;wired:04/1195:sine", 1366, 768, true, {"Y", "U,V"}},
      {"auto:kind=37:square=0,2000,2;wired:15/1063", 1366, 768, false, {"Y", "T,°C"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.units + std::string(c.english ? " en" : " ru"));
    ReviewRig rig(c.width, c.height, c.english, c.units, 0, true);
    rig.EnterWithEveryUnit();
    rig.Record(2.0);
    rig.Host().Window().Invalidate();
    rig.Screen();
    const GraphView& view = rig.View();
    EXPECT_EQ(std::set<std::string>(view.ValueNames.begin(), view.ValueNames.end()), c.names);
    // Names that share a line stand well apart (half a line's height at least); none covers another.
    const std::vector<PixelRect>& at = view.ValueNameReach;
    const std::int32_t blank = std::max(8, (at.empty() ? 0 : at.front().Height()) / 2);
    for (std::size_t i = 0; i < at.size(); ++i) {
      for (std::size_t j = i + 1; j < at.size(); ++j) {
        const bool same_line = at[i].Top < at[j].Bottom && at[j].Top < at[i].Bottom;
        if (!same_line) continue;
        const std::int32_t apart = std::max(at[j].Left - at[i].Right, at[i].Left - at[j].Right);
        EXPECT_GE(apart, blank) << view.ValueNames[i] << " | " << view.ValueNames[j];
      }
    }
  }
}

}  // namespace
