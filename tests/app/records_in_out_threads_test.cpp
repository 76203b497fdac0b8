// Records in and out on the assembled window: text imports, loads, saves and what each tells the user.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "controls/aimage_button.h"
#include "records/text_record.h"
#include "review_rig.h"
#include "sim/bus.h"

namespace {

using apptest::Picture;
using apptest::ReviewRig;
namespace fs = std::filesystem;

using apptest::Folder;

void WriteText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
std::string ReadText(const fs::path& path) {
  std::ostringstream out;
  out << std::ifstream(path, std::ios::binary).rdbuf();
  return out.str();
}

// The older text layout, code page 1251: "U3.3", a word, the rate, a word, the channel heads ("кан1",
// "кан2") and one more word, then rows of a time and one voltage per channel, then "Кoнец".
std::string OlderTextRecord(int rows, int channels) {
  std::ostringstream out;
  out << "U3.3 rec 100 Hz";
  for (int c = 1; c <= channels; ++c) out << " \xEA\xE0\xED" << c;
  out << " t\r\n";
  for (int i = 0; i < rows; ++i) {
    out << i * 0.01 << ' ' << 0.65 + 2.0 * i / (rows - 1);
    if (channels > 1) out << ' ' << 0.25 + 0.5 * std::fabs(std::sin(i * 0.05));
    out << "\r\n";
  }
  out << "\xCAo\xED\xE5\xF6\r\n";
  return out.str();
}

// File, then the command of the list's row, with the dialog answering `file`.
void FileCommand(ReviewRig& rig, int row, const fs::path& file, int filter = 1) {
  rig.Host().DialogAnswers.push_back({file.string(), filter});
  rig.Window().MenuNotification(0, row, rig.View());
  rig.Settle();
}

struct Range {
  double Low = 1e9, High = -1e9;
  void Take(double v) { Low = std::min(Low, v), High = std::max(High, v); }
};

// What the value indicator shows, column by column, over the record's screen.
Range IndicatorRange(ReviewRig& rig, std::size_t channel) {
  GraphView& view = rig.View();
  std::lock_guard lock(view.ViewLock);
  Range r;
  for (std::uint16_t c = view.FirstShownColumn; c <= view.LastShownColumn; ++c) r.Take(view.Channel(channel).SampleValue(c));
  return r;
}

// The value columns of a text export's rows ("time value value ...").
std::vector<Range> ExportedRanges(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<Range> ranges;
  for (std::string line; std::getline(in, line);) {
    std::istringstream row(line);
    std::vector<double> cells;
    for (double v; row >> v;) cells.push_back(v);
    if (cells.size() < 2 || !row.eof()) continue;
    ranges.resize(std::max(ranges.size(), cells.size() - 1));
    for (std::size_t k = 1; k < cells.size(); ++k) ranges[k - 1].Take(cells[k]);
  }
  return ranges;
}

// A text record holds values, not a unit's codes: after a live session whose channel had a zero offset
// and filters, its two channels show the file's own voltages on screen and in a text export of them.
TEST(RecordsInOut, OlderTextRecordShowsItsOwnValuesWhateverTheLiveChannelsHad) {
  Folder folder("records-in-out-text");
  ReviewRig rig(1366, 768, false);
  rig.EnterMeasureScreen();
  rig.Record(1.0);
  {
    std::lock_guard lock(rig.View().ViewLock);
    VessamorChannel& live = rig.View().Channel(0);
    live.ZeroOffsetOn = 1, live.ZeroOffset = 0.5f;
    live.MedianOn = 1, live.MedianWindow = 5, live.SmoothingOn = 1, live.SmoothingWindow = 100;
    live.ConfigureFilter();
  }
  WriteText(folder.path / "older.txt", OlderTextRecord(400, 2));
  FileCommand(rig, 1, folder.path / "older.txt");
  ASSERT_EQ(rig.View().LastSampleIndex, 399u);
  const Range first = IndicatorRange(rig, 0), second = IndicatorRange(rig, 1);
  EXPECT_NEAR(first.Low, 0.65, 0.02);
  EXPECT_NEAR(first.High, 2.65, 0.02);
  EXPECT_NEAR(second.Low, 0.25, 0.02);
  EXPECT_NEAR(second.High, 0.75, 0.02);

  FileCommand(rig, 2, folder.path / "again.txt", 3);
  const std::vector<Range> exported = ExportedRanges(folder.path / "again.txt");
  ASSERT_EQ(exported.size(), 2u);
  EXPECT_NEAR(exported[0].Low, 0.65, 0.02);
  EXPECT_NEAR(exported[0].High, 2.65, 0.02);
  EXPECT_NEAR(exported[1].Low, 0.25, 0.02);
  EXPECT_NEAR(exported[1].High, 0.75, 0.02);
  EXPECT_TRUE(rig.Host().Messages.empty());
}

// A text record of two quantities gives channel 2 the second one, as the unit's own recording does:
// each channel shows and exports the value the file holds, within one code of the unit's converter.
TEST(RecordsInOut, TwoQuantityTextRecordGivesEachChannelItsOwnQuantity) {
  const struct {
    const char* word;
    double first, second;            // the file's two values
    double step_first, step_second;  // one code of each quantity
    const char* unit;                // the second quantity's
  } cases[] = {
      {"UI", 5.0, 1.0, 0.0212, 0.0044, "А"},
      {"U10I0.02", 5.0, 10.0, 0.0212, 0.044, "мА"},
      {"U10I0.2", 5.0, 100.0, 0.0212, 0.44, "мА"},
      {"U50I0.02", 20.0, 10.0, 0.105, 0.044, "мА"},
      {"U50I0.2", 20.0, 100.0, 0.105, 0.44, "мА"},
  };
  Folder folder("records-in-out-pair");
  ReviewRig rig(1366, 768, false);
  rig.EnterMeasureScreen();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.word);
    std::ostringstream text;
    text << c.word << " rec 100 Hz \xEA\xE0\xED" << 1 << " \xEA\xE0\xED" << 2 << " t\r\n";
    for (int i = 0; i < 100; ++i) text << i * 0.01 << ' ' << c.first << ' ' << c.second << "\r\n";
    WriteText(folder.path / "pair.txt", text.str() + "\xCAo\xED\xE5\xF6\r\n");
    FileCommand(rig, 1, folder.path / "pair.txt");
    ASSERT_EQ(rig.View().LastSampleIndex, 99u);
    EXPECT_EQ(rig.View().Channel(0).Unit, "В");
    EXPECT_EQ(rig.View().Channel(1).Unit, c.unit);
    const Range first = IndicatorRange(rig, 0), second = IndicatorRange(rig, 1);
    EXPECT_NEAR(first.Low, c.first, c.step_first);
    EXPECT_NEAR(second.High, c.second, c.step_second);

    const fs::path again = folder.path / (std::string(c.word) + ".txt");
    FileCommand(rig, 2, again, 3);
    const std::vector<Range> exported = ExportedRanges(again);
    ASSERT_EQ(exported.size(), 2u);
    EXPECT_NEAR(exported[0].Low, c.first, c.step_first);
    EXPECT_NEAR(exported[1].High, c.second, c.step_second);
  }
  EXPECT_TRUE(rig.Host().Messages.empty());
}

// A text record with more rows than the record's share ends at the last row it holds whole, and the
// user is told how much of the file is shown, as a long ".out" file tells it.
TEST(RecordsInOut, LongerTextRecordThanTheShareEndsAtAWholeRowAndSaysSo) {
  Folder folder("records-in-out-long-text");
  // 60,000 samples: 30,000 rows for each of two channels.
  ReviewRig rig(1366, 768, false, "wired:04/1195:sine=2048,1500,1", 200'000);
  rig.EnterMeasureScreen();
  const std::string file = OlderTextRecord(40'000, 2);
  WriteText(folder.path / "long.txt", file);
  FileCommand(rig, 1, folder.path / "long.txt");
  platform::HeadlessHost& host = rig.Host();
  GraphView& view = rig.View();
  const std::uint32_t shown = view.LastSampleIndex + 1;
  ASSERT_LT(shown, 40'000u);
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].rfind("Файл длиннее, чем вмещает запись: показаны первые", 0), 0u) << host.Messages[0];
  EXPECT_NE(host.Messages[0].find("(" + std::to_string(shown) + " из 40000 отсчётов на канал)"), std::string::npos)
      << host.Messages[0];
  // The last row shown is the file's row of that index, both of its values.
  std::istringstream lines(file);
  std::string line;
  for (std::uint32_t i = 0; i <= shown; ++i) std::getline(lines, line);
  std::istringstream row(line);
  double time = 0, first = 0, second = 0;
  row >> time >> first >> second;
  std::lock_guard lock(view.ViewLock);
  for (const auto& [k, value] : {std::pair{0, first}, std::pair{1, second}}) {
    ASSERT_EQ(view.Channel(k).CodeCount, shown) << k;
    EXPECT_EQ(view.Channel(k).Codes[shown - 1],
              static_cast<std::int16_t>(std::trunc(static_cast<double>(static_cast<float>(value)) / 0.0032258064516)))
        << k;
  }
}

// However short, an imported record is what the view shows next: the old curves and name go.
TEST(RecordsInOut, TwoRowTextRecordReplacesTheRecordOnShow) {
  Folder folder("records-in-out-short");
  ReviewRig rig(1366, 768, false);
  rig.EnterMeasureScreen();
  rig.Record(2.0);
  rig.View().RecordName = "earlier.out";
  const platform::WindowRect plot = rig.Plot();
  const Rgba ink = rig.View().Channel(0).Colour;
  // Below the value indicator, which shows in the channel's colour too.
  auto inked_right_of = [&](const Picture& p, int x0) {
    int n = 0;
    for (int y = plot.top + plot.Height() / 3; y < plot.bottom; ++y)
      for (int x = x0; x < plot.right; ++x) n += p.At(x, y)[2] == ink.R && p.At(x, y)[1] == ink.G && p.At(x, y)[0] == ink.B;
    return n;
  };
  ASSERT_GT(inked_right_of(rig.Screen(), plot.left + 40), plot.Width() / 2) << "the recorded curve runs across the plot";

  WriteText(folder.path / "two.txt", OlderTextRecord(2, 1));
  FileCommand(rig, 1, folder.path / "two.txt");
  EXPECT_EQ(rig.View().LastSampleIndex, 1u);
  EXPECT_EQ(rig.View().RecordName, "two.txt");
  for (int k = 0; k < 3; ++k) rig.Step(33);
  EXPECT_EQ(inked_right_of(rig.Screen(), plot.left + 40), 0);
  // Too short to save: told, no dialog.
  const int dialogs = rig.Host().SaveDialogs;
  rig.Window().MenuNotification(0, 2, rig.View());
  EXPECT_EQ(rig.Host().SaveDialogs, dialogs);
  EXPECT_EQ(rig.Host().Messages, std::vector<std::string>{"Запись слишком короткая: сохраняется запись длиннее 11 отсчётов"});
}

// Two units recording, one pulled out: the recording stops there, "Stop" becomes "Start" again,
// the user is told which sensor went, and the record keeps what was taken up to then.
TEST(RecordsInOut, PulledCableStopsTheRecordingWithAMessageAndKeepsTheSamples) {
  ReviewRig rig(1366, 768, false, "wired:04/1195:sine=2048,1500,1;wired:04/1195:sine=2048,1000,2");
  rig.EnterMeasureScreen();
  for (DeviceSlot& slot : rig.Window().DeviceSlots) slot.SelectedForRecord = 1;  // both units record
  rig.Window().GotoGraphScreen();
  rig.Settle();
  rig.Key(platform::key::kSpace);
  ASSERT_EQ(rig.View().Recording.load(), 1);
  rig.Until([&] { return rig.Samples() > 3000; });
  const std::uint32_t pulled_at = rig.Samples();
  sim::Bus& bus = sim::Bus::Instance();
  ASSERT_TRUE(bus.Unplug(bus.Units()[1]));
  rig.Until([&] { return rig.View().Recording.load() == 0 && !rig.Host().Messages.empty(); });
  rig.Settle();
  ASSERT_EQ(rig.Host().Messages.size(), 1u);
  EXPECT_NE(rig.Host().Messages[0].find("Отключён датчик"), std::string::npos) << rig.Host().Messages[0];
  EXPECT_EQ(FindImageButton(rig.Window().Window(), 75004)->State.load(), 1) << "Start is up again";
  GraphView& view = rig.View();
  std::lock_guard lock(view.ViewLock);
  EXPECT_NE(view.RecordViewable, 0);
  EXPECT_GE(view.LastSampleIndex + 1, pulled_at);
  for (std::size_t s = 0; s < 2; ++s) {
    const VessamorChannel* recorded = rig.Window().DeviceSlots[s].Channels[0];
    ASSERT_NE(recorded, nullptr);
    EXPECT_GE(recorded->CodeCount, view.LastSampleIndex + 1) << s;
  }
}

// A name typed without its extension is asked about as the file the save writes, and only that
// file changes; Save and Save selected after New say there is nothing to save.
TEST(RecordsInOut, SavesAskBeforeReplacingAndSayWhyTheyWriteNothing) {
  Folder folder("records-in-out-save");
  ReviewRig rig(1366, 768, false);
  rig.EnterMeasureScreen();
  rig.Record(1.0);
  platform::HeadlessHost& host = rig.Host();
  WriteText(folder.path / "name.out", "old");
  WriteText(folder.path / "name", "plain");
  for (const bool replace : {false, true}) {
    host.Answers = {replace};
    FileCommand(rig, 2, folder.path / "name");
    ASSERT_EQ(host.Questions.size(), replace ? 2u : 1u);
    EXPECT_NE(host.Questions.back().find((folder.path / "name.out").string()), std::string::npos) << host.Questions.back();
    EXPECT_FALSE(host.DialogRequests.back().confirmOverwrite) << "the dialog itself does not ask about the name as typed";
    EXPECT_EQ(ReadText(folder.path / "name.out").substr(0, 4), replace ? "PELN" : "old");
    EXPECT_EQ(ReadText(folder.path / "name"), "plain");
  }
  EXPECT_TRUE(host.Messages.empty());

  rig.Window().MenuNotification(0, 0, rig.View());  // New
  const int dialogs = host.SaveDialogs;
  for (const int row : {2, 3}) rig.Window().MenuNotification(0, row, rig.View());
  EXPECT_EQ(host.SaveDialogs, dialogs);
  EXPECT_EQ(host.Messages, std::vector<std::string>(2, "Нет записи для сохранения"));
}

// A ".out" header of four 0-3.3 V channels of `samples` codes each at `rate`; the codes are left to
// the file system as zeros, so the file takes no room on the disk.
void WriteLongRecord(const fs::path& path, std::uint32_t samples, std::uint32_t rate) {
  std::string bytes = "PELN2";
  const auto u8 = [&](std::uint32_t v) { bytes.push_back(static_cast<char>(v & 0xFF)); };
  const auto u32 = [&](std::uint32_t v) { u8(v), u8(v >> 8), u8(v >> 16), u8(v >> 24); };
  u32(rate), u8(4);
  for (int k = 0; k < 4; ++k) {
    u8(11), u8(0), u32(samples);
    bytes.append(37, '\0');     // offsets, flags, filter windows, running extremes
    u8(0), u8(1), u32(0);      // straight lines, no derived rate
  }
  u32(samples), u32(samples - 1);
  WriteText(path, bytes);
  fs::resize_file(path, bytes.size() + std::uint64_t{4} * samples * 2);
}

// A file of 4 x 25 M samples (1,000 s) is more than the view holds: what fits is shown, the user is
// told how much, and the record is no longer named as the whole file, whose save asks first.
TEST(RecordsInOut, LongerFileThanTheViewHoldsSaysHowMuchIsShown) {
  Folder folder("records-in-out-long");
  ReviewRig rig(1366, 768, true);
  rig.EnterMeasureScreen();
  rig.Record(1.0);
  const fs::path big = folder.path / "big.out";
  WriteLongRecord(big, 25'000'000, 25'000);
  const auto size = fs::file_size(big);
  FileCommand(rig, 1, big);
  platform::HeadlessHost& host = rig.Host();
  const std::uint32_t shown = rig.View().LastSampleIndex + 1;
  ASSERT_LT(shown, 25'000'000u);
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].rfind("The file is longer than the record can hold", 0), 0u) << host.Messages[0];
  EXPECT_NE(host.Messages[0].find("of 1000 s are shown (" + std::to_string(shown) + " of 25000000 samples"), std::string::npos)
      << host.Messages[0];
  EXPECT_NE(rig.View().RecordName, "big.out");
  host.Answers = {false};
  FileCommand(rig, 2, big);
  EXPECT_NE(host.DialogRequests.back().initialName, "big");
  EXPECT_EQ(host.Questions.size(), 1u);
  EXPECT_EQ(fs::file_size(big), size);
}

// A save through a symbolic link replaces the file the link leads to and leaves the link; the
// replaced file keeps its permissions, and nothing else is left beside it.
TEST(RecordsInOut, SaveThroughALinkReplacesItsFileAndKeepsLinkAndPermissions) {
  Folder folder("records-in-out-link");
  ReviewRig rig(1366, 768, false);
  rig.EnterMeasureScreen();
  rig.Record(1.0);
  const fs::path store = folder.path / "store", real = store / "real.out", link = folder.path / "link.out";
  fs::create_directories(store);
  WriteText(real, "old");
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(real, mode);
  fs::create_symlink("store/real.out", link);
  rig.Host().Answers = {true};
  FileCommand(rig, 2, link);
  EXPECT_TRUE(rig.Host().Messages.empty());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadText(real).substr(0, 4), "PELN");
  EXPECT_EQ(fs::status(real).permissions(), mode);
  EXPECT_EQ(std::distance(fs::directory_iterator(store), {}), 1);
}

// A minute's record exported as text goes to the file piece by piece with its progress shown, and
// the file is the whole export.
TEST(RecordsInOut, LongTextExportShowsItsProgressAndWritesEveryRow) {
  Folder folder("records-in-out-export");
  ReviewRig rig(1366, 768, false);
  rig.EnterMeasureScreen();
  rig.Record(60.0);
  FileCommand(rig, 2, folder.path / "minute", 3);
  platform::HeadlessHost& host = rig.Host();
  EXPECT_TRUE(host.Messages.empty());
  ASSERT_GE(host.Progress.size(), 2u);
  EXPECT_LT(host.Progress.front().first, host.Progress.front().second) << "shown while the rows are written";
  EXPECT_EQ(host.Progress.back().first, host.Progress.back().second) << "gone at the end";
  GraphView& view = rig.View();
  std::lock_guard lock(view.ViewLock);
  EXPECT_EQ(ReadText(folder.path / "minute.txt"), records::WriteTextRecord(view, {0, view.LastSampleIndex + 1}, false));
}

}  // namespace
