// A record's file is written or read whole while the window's input waits: the user's keys and
// clicks mid-save change nothing of the record or the file, a close waits for the file's end, and a
// saved record carries nothing of the record shown before it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "controls/aimage_button.h"
#include "controls/menu_buttton.h"
#include "records/binary_record.h"
#include "records/record_commands.h"
#include "records/sheet_record.h"
#include "records/text_record.h"
#include "review_rig.h"

namespace {

using apptest::Folder;
using apptest::ReviewRig;
using platform::MouseKind;
namespace fs = std::filesystem;
namespace key = platform::key;

std::string ReadAll(const fs::path& path) {
  std::ostringstream out;
  out << std::ifstream(path, std::ios::binary).rdbuf();
  return out.str();
}

struct ChannelSpec {
  std::uint8_t SensorCode = 0;  // 0: 0-3.3 V; 35: a kind with a rate window
  float DerivedRate = 0.0f;
  std::uint16_t FilterWindow = 0;  // a median and smoothing over this many samples; 0: none
  bool Recorded = true;
};

// A ".out" file of four channel blocks, those recorded with `samples` codes each at 1000 Hz, every
// code its own.
void WriteRecord(const fs::path& path, std::uint32_t samples, const std::array<ChannelSpec, 4>& channels) {
  std::string bytes = "PELN2";
  const auto u8 = [&](std::uint32_t v) { bytes.push_back(static_cast<char>(v & 0xFF)); };
  const auto u16 = [&](std::uint32_t v) { u8(v), u8(v >> 8); };
  const auto u32 = [&](std::uint32_t v) { u16(v), u16(v >> 16); };
  u32(1000), u8(static_cast<std::uint32_t>(std::count_if(channels.begin(), channels.end(), [](const ChannelSpec& c) { return c.Recorded; })));
  for (const ChannelSpec& c : channels) {
    u8(11), u8(c.SensorCode), u32(c.Recorded ? samples : 0);
    bytes.append(26, '\0');  // offsets and their flags
    const std::uint32_t filtered = c.FilterWindow != 0 ? 1 : 0;
    u8(filtered), u8(filtered), u16(c.FilterWindow), u16(c.FilterWindow), u8(0);
    u16(4095), u16(0);       // running extremes
    u8(0), u8(1);            // straight lines
    std::uint32_t rate = 0;
    std::memcpy(&rate, &c.DerivedRate, 4);
    u32(rate);
    if (c.SensorCode == 35) u32(0), u32(0);  // no rate history
  }
  u32(samples), u32(samples - 1);
  for (std::uint32_t k = 0; k < 4; ++k) {
    if (!channels[k].Recorded) continue;
    for (std::uint32_t i = 0; i < samples; ++i) u16((i * (3 + k) + 500 * k) % 4096);
  }
  std::ofstream(path, std::ios::binary) << bytes;
}

// The derived rate of each channel block of a version '2' file of 0-3.3 V or rate kinds.
std::array<float, 4> DerivedRates(const std::string& file) {
  std::array<float, 4> rates{};
  std::size_t at = 10;
  for (float& rate : rates) {
    std::memcpy(&rate, file.data() + at + 45, 4);
    at += static_cast<std::uint8_t>(file[at + 1]) == 35 ? 57 : 49;
  }
  return rates;
}

// File, then the command of the list's row, with the dialog answering `file`.
void FileCommand(ReviewRig& rig, int row, const fs::path& file, int filter = 1) {
  rig.Host().DialogAnswers.push_back({file.string(), filter});
  rig.Window().MenuNotification(0, row, rig.View());
  rig.Settle();
}

// Clicks File and, when its list opens, the list's row.
void FileRow(ReviewRig& rig, int row) {
  rig.Press(75010);
  auto* list = dynamic_cast<MenuButtton*>(FindMainControl(rig.Host().Window(), 75009));
  if (list == nullptr || !list->IsVisible()) return;
  const platform::WindowRect r = list->RowRects()[static_cast<std::size_t>(row)];
  rig.Click(platform::MouseButton::Left, list->Rect().left + (r.left + r.right) / 2, list->Rect().top + (r.top + r.bottom) / 2);
}

void Key(ReviewRig& rig, unsigned virtual_key) {
  rig.Host().Window().DeliverKeyDown(virtual_key, 1, 0);
  rig.Settle();
}

// Mid-save of a long text export, Escape (where the progress box stood) and then one input, as the
// window gets them: the file is the record row by row, nothing else is left in the folder, the
// record stays on show, and the program goes on and ends when asked; a close asked for mid-save
// ends it once the file is whole.
TEST(SaveHeld, InputMidSaveLeavesTheFileWholeAndTheRecordAsItWas) {
  const struct {
    const char* input;
    std::function<void(ReviewRig&)> act;
    bool closes;   // the program ends once the file is written
    bool unsaved = false;  // the record is not saved, and only its part between markers (none: all) is
  } cases[] = {
      {"Start", [](ReviewRig& rig) { rig.Press(75004); }, false},
      {"Space", [](ReviewRig& rig) { Key(rig, key::kSpace); }, false},
      {"Escape", [](ReviewRig& rig) { Key(rig, key::kEscape); }, false},
      {"<-- button", [](ReviewRig& rig) { rig.Press(75050); }, false},
      {"left arrow", [](ReviewRig& rig) { Key(rig, key::kLeft); }, false},
      {"File, Open", [](ReviewRig& rig) { FileRow(rig, 1); }, false},
      {"File, New", [](ReviewRig& rig) { FileRow(rig, 0); }, false},
      // The program's own close button is a close as the desktop's is.
      {"toolbar close", [](ReviewRig& rig) { rig.Press(75016); }, true},
      {"window close", [](ReviewRig& rig) { rig.Host().Window().RequestClose(); }, true},
      // The close asks about the record still not saved, once the file is written; Cancel keeps it.
      {"window close, record not saved", [](ReviewRig& rig) { rig.Host().Window().RequestClose(); }, false, true},
      {"toolbar close, record not saved", [](ReviewRig& rig) { rig.Press(75016); }, false, true},
  };
  constexpr std::uint32_t kSamples = 60'000;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    Folder folder("save-held");
    ReviewRig rig(1366, 768, true);
    rig.EnterMeasureScreen();
    WriteRecord(folder.path / "long.out", kSamples, {});
    FileCommand(rig, 1, folder.path / "long.out");
    GraphView& view = rig.View();
    ASSERT_EQ(view.LastSampleIndex + 1, kSamples);
    const std::string expected = [&] {
      std::lock_guard lock(view.ViewLock);
      return records::WriteTextRecord(view, {0, kSamples}, true);
    }();

    platform::HeadlessHost& host = rig.Host();
    std::size_t acted_at = 0;
    host.DuringProgress = [&] {
      if (acted_at != 0) return;
      acted_at = host.Progress.size();
      Key(rig, key::kEscape);
      c.act(rig);
    };
    rig.Window().UnsavedRecord = c.unsaved ? 1 : 0;
    host.SaveAnswers = {platform::SaveChoice::Cancel};
    FileCommand(rig, c.unsaved ? 3 : 2, folder.path / "copy", 3);
    host.DuringProgress = {};
    ASSERT_NE(acted_at, 0u);
    ASSERT_GT(host.Progress.size(), acted_at + 1) << "the save ended before the input";
    EXPECT_LT(host.Progress[acted_at].first, host.Progress[acted_at].second);
    for (int k = 0; k < 5; ++k) rig.Step(33);

    EXPECT_EQ(ReadAll(folder.path / "copy.txt"), expected);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), {}), 2) << "a temporary file is left";
    EXPECT_TRUE(host.Messages.empty()) << host.Messages.front();
    EXPECT_EQ(host.SaveDialogs, 1);
    EXPECT_EQ(host.OpenDialogs, 1);
    EXPECT_EQ(host.SaveQuestions.size(), c.unsaved ? 1u : 0u);
    if (c.closes) {
      EXPECT_TRUE(host.Window().IsClosed());
      continue;
    }
    ASSERT_FALSE(host.Window().IsClosed());
    EXPECT_EQ(rig.Window().Bytes.MeasureScreenActive.load(), 1);
    EXPECT_EQ(view.Recording.load(), 0);
    EXPECT_EQ(view.RecordViewable, 1);
    EXPECT_EQ(view.LastSampleIndex + 1, kSamples);
    // The program goes on: a click reaches the window again (File opens its list), and a close ends it.
    rig.Press(75010);
    EXPECT_TRUE(FindMainControl(host.Window(), 75009)->IsVisible());
    host.SaveAnswers = {platform::SaveChoice::DontSave};
    host.Window().RequestClose();
    rig.Until([&] { return host.Window().IsClosed(); });
  }
}

// A record's file is read, and a record's file or a sheet made, aside: input meanwhile changes
// nothing of the record loaded or of the file written, and a close asked for mid-save ends the
// program once the file is whole.
TEST(SaveHeld, InputWhileARecordOrSheetIsMadeAsideLeavesItWhole) {
  constexpr std::uint32_t kSamples = 60'000;
  for (const auto& [name, filter] : {std::pair{"copy.out", 1}, std::pair{"copy.xls", 2}}) {
    SCOPED_TRACE(name);
    Folder folder("save-held-aside");
    ReviewRig rig(1366, 768, false);
    rig.EnterMeasureScreen();
    WriteRecord(folder.path / "long.out", kSamples, {});
    platform::HeadlessHost& host = rig.Host();
    // The load's reading and checking run aside too: what the user does meanwhile waits.
    host.DuringProgress = [&] {
      Key(rig, key::kEscape);
      rig.Press(75004);
      FileRow(rig, 0);
    };
    FileCommand(rig, 1, folder.path / "long.out");
    GraphView& view = rig.View();
    ASSERT_EQ(view.LastSampleIndex + 1, kSamples);
    ASSERT_EQ(rig.Window().Bytes.MeasureScreenActive.load(), 1);
    ASSERT_EQ(view.Recording.load(), 0);
    const std::string expected = [&, filter = filter] {
      std::lock_guard lock(view.ViewLock);
      if (filter == 2) return records::WriteSheetRecord(view, {0, kSamples}, false);
      const std::vector<std::uint8_t> bytes = records::WriteBinaryRecord(view, {0, kSamples});
      return std::string(bytes.begin(), bytes.end());
    }();
    bool acted = false;
    host.DuringProgress = [&] {
      if (std::exchange(acted, true)) return;
      Key(rig, key::kEscape);
      rig.Press(75004);
      Key(rig, key::kSpace);
      FileRow(rig, 0);
      host.Window().RequestClose();
    };
    FileCommand(rig, 2, folder.path / name, filter);
    host.DuringProgress = {};
    ASSERT_TRUE(acted);
    rig.Until([&] { return host.Window().IsClosed(); });
    EXPECT_EQ(ReadAll(folder.path / name), expected);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), {}), 2) << "a temporary file is left";
    EXPECT_TRUE(host.Messages.empty()) << host.Messages.front();
  }
}

// A record of a kind without a rate window, loaded after one whose channels had a derived rate,
// is saved with a derived rate of 0 in every channel, and saved again gives the same bytes.
TEST(SaveHeld, RecordLoadedAfterARateRecordSavesNoDerivedRate) {
  Folder folder("save-held-rate");
  ReviewRig rig(1366, 768, false);
  rig.EnterMeasureScreen();
  WriteRecord(folder.path / "pulse.out", 2000, {{{35, 72.5f}, {35, 61.0f}, {35, 55.0f}, {35, 48.0f}}});
  FileCommand(rig, 1, folder.path / "pulse.out");
  ASSERT_EQ(rig.View().LastSampleIndex + 1, 2000u);
  EXPECT_EQ(DerivedRates(ReadAll(folder.path / "pulse.out"))[0], 72.5f);

  WriteRecord(folder.path / "volts.out", 2000, {});
  FileCommand(rig, 1, folder.path / "volts.out");
  for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(rig.View().Channel(k).RateDetector.Rate, 0.0f) << k;
  FileCommand(rig, 2, folder.path / "first.out");
  const std::string first = ReadAll(folder.path / "first.out");
  ASSERT_GT(first.size(), 10u + 4 * 49);
  EXPECT_EQ(DerivedRates(first), (std::array<float, 4>{}));

  FileCommand(rig, 1, folder.path / "first.out");
  FileCommand(rig, 2, folder.path / "second.out");
  EXPECT_EQ(ReadAll(folder.path / "second.out"), first);
  EXPECT_TRUE(rig.Host().Messages.empty());
}

// The text export, its rows made aside piece by piece while the window goes on, is the record's
// text as made whole at once, for records filtered or not, of rate kinds, of the two-channel layout and
// of one to four channels; the progress box follows the rows.
TEST(SaveHeld, TextMadeAsideIsTheRecordsTextByteForByte) {
  const ChannelSpec volts{}, pulse{35, 72.5f}, smoothed{0, 0.0f, 20}, smoothed_pulse{35, 61.0f, 9}, none{0, 0.0f, 0, false};
  const struct {
    const char* name;
    std::array<ChannelSpec, 4> channels;
    bool english;
  } cases[] = {
      {"one channel", {{volts, none, none, none}}, false},
      {"two filtered", {{smoothed, none, smoothed, none}}, true},
      {"rate kinds among others", {{pulse, volts, none, smoothed_pulse}}, false},
      {"four filtered", {{smoothed, smoothed, smoothed, smoothed}}, false},
      {"four of a rate kind", {{pulse, smoothed_pulse, pulse, smoothed_pulse}}, true},
      {"pressure and volume", {{ChannelSpec{46}, ChannelSpec{26}, none, none}}, false},
  };
  constexpr std::uint32_t kSamples = 60'000;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Folder folder("save-held-text");
    ReviewRig rig(1366, 768, c.english);
    rig.EnterMeasureScreen();
    WriteRecord(folder.path / "record.out", kSamples, c.channels);
    FileCommand(rig, 1, folder.path / "record.out");
    GraphView& view = rig.View();
    ASSERT_EQ(view.LastSampleIndex + 1, kSamples);
    for (std::size_t k = 0; k < 4; ++k) ASSERT_EQ(view.Channel(k).MedianOn, c.channels[k].FilterWindow != 0 ? 1 : 0) << k;
    const std::string expected = [&] {
      std::lock_guard lock(view.ViewLock);
      return records::WriteTextRecord(view, {0, kSamples}, c.english);
    }();
    platform::HeadlessHost& host = rig.Host();
    host.Progress.clear();
    FileCommand(rig, 2, folder.path / "copy", 3);
    EXPECT_EQ(ReadAll(folder.path / "copy.txt"), expected);
    EXPECT_TRUE(host.Messages.empty()) << host.Messages.front();
    // Rows counted up while the box stands (a text longer than a piece), then the box gone.
    ASSERT_EQ(host.Progress.size() > 1, expected.size() > (1u << 18));
    EXPECT_EQ(host.Progress.back(), (std::pair<std::uint64_t, std::uint64_t>{1, 1}));
    for (std::size_t i = 0; i + 1 < host.Progress.size(); ++i) {
      EXPECT_LT(host.Progress[i].first, host.Progress[i].second) << i;
      if (i > 0) {
        EXPECT_GT(host.Progress[i].first, host.Progress[i - 1].first) << i;
      }
    }
  }
}

// The first load after the start, into a view no record has filled, shows the record as a later load
// of it does, every code as the file holds it.
TEST(SaveHeld, TheFirstLoadShowsTheRecordAsALaterLoadDoes) {
  constexpr std::uint32_t kSamples = 150'000;
  for (const bool english : {false, true}) {
    Folder folder("save-held-first");
    ReviewRig rig(1366, 768, english);
    rig.EnterMeasureScreen();
    WriteRecord(folder.path / "record.out", kSamples, {});
    ASSERT_EQ(rig.View().LiveSetupKept, 0);
    FileCommand(rig, 1, folder.path / "record.out");
    for (int k = 0; k < 10; ++k) rig.Step(33);
    const apptest::Picture first = rig.Screen();
    GraphView& view = rig.View();
    ASSERT_EQ(view.LastSampleIndex + 1, kSamples);
    for (std::uint32_t k = 0; k < 4; ++k) {
      const VessamorChannel& ch = view.Channel(k);
      std::uint32_t wrong = 0;
      for (std::uint32_t i = 0; i < kSamples; ++i) wrong += ch.Codes[i] == static_cast<std::int16_t>((i * (3 + k) + 500 * k) % 4096) ? 0 : 1;
      EXPECT_EQ(wrong, 0u) << k;
    }
    FileCommand(rig, 1, folder.path / "record.out");
    for (int k = 0; k < 10; ++k) rig.Step(33);
    EXPECT_EQ(rig.Screen().Differences(first, {0, 0, first.Width, first.Height}), 0);
    EXPECT_TRUE(rig.Host().Messages.empty());
  }
}

// Pixels of the rectangle whose colour stands well apart from grey.
int Coloured(const apptest::Picture& p, const platform::WindowRect& r) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      const std::uint8_t* px = p.At(x, y);
      n += std::max({px[0], px[1], px[2]}) - std::min({px[0], px[1], px[2]}) > 60 ? 1 : 0;
    }
  return n;
}

// Pixels of the rectangle dark enough to be text.
int Dark(const apptest::Picture& p, const platform::WindowRect& r) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += std::max({p.At(x, y)[0], p.At(x, y)[1], p.At(x, y)[2]}) < 100 ? 1 : 0;
  return n;
}

// What of a record the screen shows: curves in the plot, the title and the record's name over it (the
// caption left of the sampling frequency), and the channels' buttons coloured or down.
struct RecordOnScreen {
  int CurvePixels = 0;
  int TitlePixels = 0;
  int ButtonsShown = 0;
};

RecordOnScreen Shown(ReviewRig& rig) {
  for (int k = 0; k < 10; ++k) rig.Step(33);
  const apptest::Picture p = rig.Screen();
  const GraphView& view = rig.View();
  RecordOnScreen shown;
  shown.CurvePixels = Coloured(p, rig.Plot());
  const PixelRect& v = view.ViewRect;
  // The caption's text rows, between the lines that frame it.
  shown.TitlePixels = Dark(p, {v.Left + 2, v.Top + view.CaptionHeight / 4, v.Left + v.Width() * 63 / 100, v.Top + view.CaptionHeight * 3 / 4});
  for (std::size_t k = 0; k < 4; ++k) {
    const AImageButton& button = *rig.Window().Controls.ChannelButtons[k];
    const platform::WindowRect r = button.Rect();
    const bool coloured = Coloured(p, r) > r.Width() * r.Height() / 5;
    shown.ButtonsShown += coloured || button.State.load() != ControlFrame::kStateUp ? 1 : 0;
  }
  return shown;
}

// A record's file that shrinks after its check and before its codes are read: the user is told that
// nothing could be read and the record shown before is closed, and the window shows no record, no
// curve, title or channel button of it; Save says there is none.
TEST(SaveHeld, AFileShrunkMidLoadLeavesNoRecordOnTheScreen) {
  const struct {
    int width, height;
    bool english;
  } sizes[] = {{1366, 768, false}, {1920, 1080, true}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(size.english ? "en" : "ru");
    Folder folder("save-held-shrunk");
    ReviewRig rig(size.width, size.height, size.english);
    rig.EnterMeasureScreen();
    WriteRecord(folder.path / "shown.out", 3000, {});
    FileCommand(rig, 1, folder.path / "shown.out");
    ASSERT_EQ(rig.View().RecordViewable, 1);
    const RecordOnScreen before = Shown(rig);
    ASSERT_GT(before.CurvePixels, 0);
    ASSERT_GT(before.TitlePixels, 0);
    ASSERT_EQ(before.ButtonsShown, 4);

    const fs::path shrinks = folder.path / "shrinks.out";
    WriteRecord(shrinks, 3000, {});
    platform::HeadlessHost& host = rig.Host();
    // Checked whole, then cut where the first channel's codes begin: 10 bytes of a version '2' header,
    // four blocks of 49 and the two counts.
    host.AfterAside = [&] { fs::resize_file(shrinks, 10 + 4 * 49 + 8); };
    FileCommand(rig, 1, shrinks);
    host.AfterAside = {};
    const std::string told = std::string(records::RecordMessageText(records::RecordMessage::DamagedNothingRead, size.english)) +
                             "\n" + shrinks.string();
    EXPECT_EQ(host.Messages, std::vector{told});
    const RecordOnScreen after = Shown(rig);
    EXPECT_EQ(after.CurvePixels, 0);
    EXPECT_EQ(after.TitlePixels, 0);
    EXPECT_EQ(after.ButtonsShown, 0);
    EXPECT_EQ(rig.View().RecordViewable, 0);

    host.Messages.clear();
    FileCommand(rig, 2, folder.path / "copy.out");
    EXPECT_EQ(host.Messages, std::vector{std::string(records::RecordMessageText(records::RecordMessage::NothingToSave, size.english))});
    EXPECT_FALSE(fs::exists(folder.path / "copy.out"));
  }
}

}  // namespace
