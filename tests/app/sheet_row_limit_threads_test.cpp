// A sheet holds at most 65,530 rows of data. Whatever the record's kinds and rate, and whether the
// whole record or a part between markers is saved, a ".xls" that keeps fewer rows than the text
// export of the same part says how many of how many; one that keeps them all says nothing.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "review_rig.h"

namespace {

using apptest::Folder;
using apptest::ReviewRig;
namespace fs = std::filesystem;

constexpr std::uint32_t kSheetRows = 65530;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Data rows of a sheet: the number cells of the time column below the heads.
std::uint32_t SheetDataRows(const fs::path& path) {
  const std::string d = ReadAll(path);
  const auto word = [&](std::size_t at) { return static_cast<std::uint16_t>(static_cast<std::uint8_t>(d[at]) | static_cast<std::uint8_t>(d[at + 1]) << 8); };
  std::uint32_t rows = 0;
  for (std::size_t at = 0; at + 4 <= d.size(); at += 4 + word(at + 2)) {
    if (word(at) == 0x0003 && word(at + 6) == 0 && word(at + 4) >= 5) ++rows;
  }
  return rows;
}

// Data rows of a text export: lines of a time and at least one value, numbers only.
std::uint32_t TextDataRows(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::uint32_t rows = 0;
  for (std::string line; std::getline(in, line);) {
    std::istringstream row(line);
    int cells = 0;
    for (double v; row >> v;) ++cells;
    rows += cells >= 2 && row.eof() ? 1 : 0;
  }
  return rows;
}

struct Case {
  const char* what;
  std::string units;
  bool english;
  double seconds;
  bool faster;               // the rate raised as far as the rate slider goes
  double from = 0, to = 0;   // markers at these fractions of the shown columns; none when equal
};

TEST(SheetRowLimit, ASheetThatKeepsFewerRowsThanTheRecordSaysHowManyOfHowMany) {
  const std::string four =
      "auto:kind=40:sine=2048,1500,0.3;wired:04/1195:sine=2048,1500,1;wired:15/1063:sine;auto:kind=77:square=0,4000,8";
  const std::string two = "wired:04/1195:sine=2048,1500,1;wired:15/1063:sine";
  const Case cases[] = {
      {"four kinds, 10 kHz, whole", four, true, 7.0, false},
      {"four kinds, 10 kHz, wide selection", four, false, 7.0, false, 0.01, 0.99},
      {"four kinds, 10 kHz, narrow selection", four, true, 7.0, false, 0.2, 0.6},
      {"two kinds, fastest, whole", two, false, 3.0, true},
      {"breathing alone: its rate history", "auto:kind=40:sine=2048,1500,0.3", true, 20.0, false},
      {"one voltage, 1 kHz, whole", "wired:04/1195:sine=2048,1500,1", false, 3.0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Folder folder("sheet-row-limit");
    ReviewRig rig(c.english ? 1920 : 1366, c.english ? 1080 : 768, c.english, c.units, 400'000'000);
    rig.EnterWithEveryUnit();
    if (c.faster) {
      rig.Press(75037);
      const platform::WindowRect r = FindMainControl(rig.Window().Window(), 75008)->Rect();
      rig.Drag(platform::MouseButton::Left, r.left + r.Width() / 5, (r.top + r.bottom) / 2, r.right - 3, (r.top + r.bottom) / 2);
      rig.Press(75037);
    }
    rig.Record(c.seconds);
    GraphView& view = rig.View();
    const bool selection = c.from != c.to;
    if (selection) {
      // The whole record on screen ("Overview"), then the two markers.
      rig.Press(75013);
      for (int k = 0; k < 20; ++k) rig.Step(33);
      const platform::WindowRect plot = rig.Plot();
      for (const double at : {c.from, c.to}) {
        int column = 0;
        {
          std::lock_guard lock(view.ViewLock);
          column = view.FirstShownColumn + static_cast<int>((view.LastShownColumn - view.FirstShownColumn) * at);
        }
        rig.Click(platform::MouseButton::Right, plot.left + column - 1, (plot.top + plot.bottom) / 2);
      }
      ASSERT_EQ(view.CountMarkedPoints(), 2u);
    }
    // The same part as text (which keeps every row) and as a sheet.
    const auto save = [&](const fs::path& file, int filter) {
      rig.Host().DialogAnswers.push_back({file.string(), filter});
      rig.Window().MenuNotification(0, selection ? 3 : 2, view);
      rig.Settle();
    };
    const fs::path text = folder.path / "part.txt", sheet = folder.path / "part.xls";
    save(text, 3);
    ASSERT_TRUE(rig.Host().Messages.empty()) << rig.Host().Messages[0];
    save(sheet, 2);
    const std::uint32_t wanted = TextDataRows(text), kept = SheetDataRows(sheet);
    ASSERT_GT(wanted, 0u);
    EXPECT_EQ(kept, std::min(wanted, kSheetRows));
    if (kept < wanted) {
      const std::string k = std::to_string(kept), n = std::to_string(wanted);
      const std::string told = c.english ? "The sheet holds the first " + k + " rows of " + n + ":\n" + sheet.string()
                                         : "В таблицу записаны первые " + k + " строк из " + n + ":\n" + sheet.string();
      EXPECT_EQ(rig.Host().Messages, std::vector<std::string>{told});
    } else {
      EXPECT_TRUE(rig.Host().Messages.empty()) << rig.Host().Messages[0];
    }
  }
}

}  // namespace
