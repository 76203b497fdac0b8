// Tests of the save and load commands: the writer chosen, the checks before writing, failed writes, loads, the start after.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "acquisition/device_manager.h"
#include "acquisition/device_status.h"
#include "acquisition/worker_threads.h"
#include "fakes/fake_window_side.h"
#include "platform/cp1251.h"
#include "platform/host_services.h"
#include "platform/window_core.h"
#include "record_test_support.h"
#include "records/binary_record.h"
#include "records/record_commands.h"

namespace {

using namespace recordtest;
using M = records::RecordMessage;
namespace fs = std::filesystem;

// Dialogs answer what the test says; messages are collected.
class FakeHost : public platform::HostServices {
 public:
  bool SetDeviceArrivalHandler(platform::DeviceArrivalHandler) override { return false; }
  platform::HostWindow& Window() override { return window_; }
  void SetWindowTitle(std::string_view) override {}
  void ShowWindow() override {}
  int RunEventLoop() override { return 0; }
  void ShowMessage(std::string_view text, std::string_view) override { Messages.emplace_back(text); }
  bool AskYesNo(std::string_view text, std::string_view) override { return Questions.emplace_back(text), Yes; }
  std::optional<platform::FileDialogResult> OpenFileDialog(const platform::FileDialogRequest& r) override { return SaveFileDialog(r); }
  std::optional<platform::FileDialogResult> SaveFileDialog(const platform::FileDialogRequest& r) override { return OfferedName = r.initialName, Answer; }
  bool OpenAddress(std::string_view) override { return false; }
  bool UserLocaleIsRussian() const override { return true; }
  platform::ScreenInfo Screen() const override { return {}; }
  std::string CommandLine() const override { return {}; }
  platform::FakeClock clock_;
  platform::HostWindow window_{8, 8, clock_};
  std::optional<platform::FileDialogResult> Answer;
  std::string OfferedName;
  std::vector<std::string> Messages;
  std::vector<std::string> Questions;
  bool Yes = true;
};

bool FakeText(const GraphView&, const records::SaveRange&, bool, std::vector<std::uint8_t>& out, std::mutex*) { return out = {'T'}, true; }
bool FakeSheet(const GraphView&, const records::SaveRange&, bool, std::vector<std::uint8_t>& out, std::mutex*) { return out = {'S'}, true; }
const records::RecordFormats kFakeFormats{&FakeText, &FakeSheet, nullptr};

// The commands on a view, with the file the dialog names (none: cancelled).
struct Commands {
  Commands(GraphView& view, const std::optional<fs::path>& file, int filter = 1, const records::RecordFormats* formats = &kFakeFormats)
      : context{view, host, range, title, false, formats, {}} {
    if (file) host.Answer = platform::FileDialogResult{file->string(), filter};
  }
  FakeHost host;
  records::SaveRange range;
  std::string title;
  records::RecordCommandContext context;
};

// A fresh folder under the test output folder, removed with its files at the end.
struct Folder {
  explicit Folder(const char* n) : path(fs::path(VESSAMOR_TEST_OUTPUT_DIR) / n) { fs::remove_all(path), fs::create_directories(path); }
  ~Folder() { fs::remove_all(path); }
  std::size_t Files() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(path), {})); }
  fs::path path;
};

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
  return {std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}};
}
void WriteAll(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
}

// Three channels of 1000 samples need 3 x 999 x 2 = 5994 bytes of a binary file: 70 % of 8600
// free bytes is room enough, of 8563 not.
TEST(SaveRecordCommand, TheLastExtensionChoosesTheWriterOnceTheRecordAndTheSpaceAllowIt) {
  const struct {
    const char *typed, *written;  // typed none: cancelled; written "none": nothing written
    int filter;
    char first_byte;
    std::uint32_t samples = 1000;
    std::uint64_t free_bytes = 1ull << 40;
  } cases[] = {{"a.out", "a.out", 2, 'P'},         {"b.OUT", "b.OUT", 1, 'P'}, {"c.out.txt", "c.out.txt", 1, 'T'},
               {"d.txt.xls", "d.txt.xls", 1, 'S'}, {"e.dat", "e.dat", 1, 'S'}, {"f", "f.txt", 3, 'T'},
               {"g", "g.xls", 2, 'S'},             {"h", "h.out", 1, 'P'},     {"i.out", "none", 1, 0, 1000, 8563},
               {"j.out", "none", 1, 0, 11},        {"k.out", "k.out", 1, 'P', 12}, {"l.out", "l.out", 1, 'P', 1000, 8600},
               {nullptr, "none", 1, 0}};
  Folder folder("records-save");
  for (const auto& c : cases) {
    RecordedView rec({1, 1, 1}, c.samples);
    rec.view.RecordName = "old.out", rec.view.SaveSelection = 1;
    Commands commands(rec.view, c.typed != nullptr ? std::optional(folder.path / c.typed) : std::nullopt, c.filter);
    commands.context.FreeBytes = [&](const std::string&) { return std::optional(c.free_bytes); };
    records::SaveRecord(commands.context);
    const auto bytes = ReadAll(folder.path / c.written);
    EXPECT_EQ(bytes.empty() ? 0 : bytes[0], c.first_byte) << c.written;
    const bool too_short = c.samples <= 11;  // told before any dialog
    EXPECT_EQ(commands.host.Messages.size(), c.free_bytes == 8563 || too_short ? 1u : 0u);
    EXPECT_EQ(std::tie(commands.host.OfferedName, rec.view.SaveSelection), std::tuple(too_short ? "" : "old", 0));
    EXPECT_EQ(rec.view.RecordName, c.first_byte == 'P' ? c.written : "old.out");  // a whole binary record takes its file's name
  }
}

// 1: a full disk (file sizes limited); 2: a read-only folder met as a user meets it (no override).
struct Obstacle {
  explicit Obstacle(int kind, const fs::path& folder) {
    getrlimit(RLIMIT_FSIZE, &saved_limit);
    syscall(SYS_capget, &header, saved_caps);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{kind == 1 ? 1000 : saved_limit.rlim_cur, saved_limit.rlim_max};
    __user_cap_data_struct reduced[2] = {saved_caps[0], saved_caps[1]};
    reduced[0].effective &= kind == 2 ? ~(1u << CAP_DAC_OVERRIDE) : ~0u;
    if (kind == 2) fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    setrlimit(RLIMIT_FSIZE, &limit), syscall(SYS_capset, &header, reduced);
  }
  ~Obstacle() { setrlimit(RLIMIT_FSIZE, &saved_limit), syscall(SYS_capset, &header, saved_caps); }
  rlimit saved_limit{};
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_caps[2]{};
};

std::string Told(M m, bool english, const fs::path& file) {  // what failed, the file under it
  return std::string(records::RecordMessageText(m, english)) + "\n" + file.string();
}

TEST(SaveRecordCommand, EveryFailedSaveSaysWhatFailedAndLeavesTheOldFileAsItWas) {
  Folder folder("records-failures");
  RecordedView rec({1, 1}, 5000);
  ASSERT_TRUE(fs::create_directory(folder.path / "dir.out") && mkfifo((folder.path / "pipe.out").c_str(), 0600) == 0);
  const std::tuple<const char*, int, M> cases[] = {
      {"old.out", 1, M::DiskFull},     {"old.out", 2, M::FolderNotWritable}, {"none/a.out", 0, M::NoFolder},
      {"old.out/a.out", 0, M::NoFolder}, {"dir.out", 0, M::NotAFile},        {"pipe.out", 0, M::NotAFile},
      {"/proc/r.out", 0, M::FolderNotWritable}};
  for (const auto& [name, obstacle, message] : cases) {
    WriteAll(folder.path / "old.out", {'o', 'l', 'd'});
    Commands commands(rec.view, folder.path / name);
    commands.context.EnglishUi = obstacle != 2;
    Obstacle(obstacle, folder.path), records::SaveRecord(commands.context);  // saved while the obstacle stands
    fs::permissions(folder.path, fs::perms::owner_all);
    EXPECT_EQ(ReadAll(folder.path / "old.out"), std::vector<std::uint8_t>({'o', 'l', 'd'}));
    EXPECT_EQ(folder.Files(), 3u);  // no temporary file left behind
    EXPECT_EQ(commands.host.Messages, std::vector{Told(message, obstacle != 2, folder.path / name)});
  }
}

// A sheet takes 65,530 rows of data: a longer record's sheet says how many of its rows it kept.
TEST(SaveRecordCommand, ASheetOfMoreRowsThanItTakesSaysHowManyItKept) {
  Folder folder("records-sheet-rows");
  for (const std::uint32_t samples : {65530u, 70000u}) {
    RecordedView rec({1}, samples, 100000);
    Commands commands(rec.view, folder.path / "big.xls", 2, nullptr);
    records::SaveRecord(commands.context);
    const std::vector<std::string> told{"В таблицу записаны первые 65530 строк из " + std::to_string(samples) + ":\n" +
                                        (folder.path / "big.xls").string()};
    EXPECT_EQ(commands.host.Messages, samples > 65530 ? told : std::vector<std::string>{});
  }
}

// A sensor left unticked at the start is shown but holds no samples: no save writes it.
TEST(SaveRecordCommand, AChannelThatWasNotRecordedIsInNoFile) {
  Folder folder("records-unrecorded");
  RecordedView rec({9, 1}, 1000);
  rec.view.Channel(2).Shown = 1, rec.view.Channel(2).SensorCode = 9;
  for (const char* name : {"r.out", "r.txt", "r.xls"}) {
    Commands commands(rec.view, folder.path / name, 1, nullptr);  // the program's own writers
    records::SaveRecord(commands.context);
  }
  const auto file = [&](const char* name) { const auto b = ReadAll(folder.path / name); return std::string(b.begin(), b.end()); };
  EXPECT_EQ(std::tuple(file("r.out").size(), file("r.out").at(9)), std::tuple(10 + 4 * 49 + 8 + 4000u, 2));  // two channels
  const auto has = [&](const char* name, const char* text) { return file(name).find(platform::Utf8ToCp1251(text)) != std::string::npos; };
  EXPECT_TRUE(has("r.txt", "кан.2") && !has("r.txt", "кан.3") && has("r.xls", "Канал 2") && !has("r.xls", "Канал 3"));
}

TEST(SaveRecordCommand, TheSelectionRunsFromTheEarlierMarkersColumnToTheLaterOnesEnd) {
  RecordedView rec({1}, 5000);
  rec.view.Channel(0).Columns[100] = ColumnRecord{0, 0, 0, 0, 10, 1000, 0.0};
  rec.view.Channel(0).Columns[300] = ColumnRecord{0, 0, 0, 0, 10, 3000, 0.0};
  const struct {
    std::array<std::uint16_t, 4> columns;  // 0: not set
    std::uint32_t selection, first, count;
  } cases[] = {{{0, 100, 0, 0}, 1, 1000, 4000}, {{300, 0, 0, 100}, 1, 1000, 2010}, {{}, 1, 0, 5000}, {{100, 300}, 0, 0, 5000}};
  for (const auto& c : cases) {
    for (std::size_t m = 0; m < 4; ++m) rec.view.Markers[m].Set = c.columns[m] != 0, rec.view.Markers[m].Column = c.columns[m];
    rec.view.SaveSelection = static_cast<std::uint8_t>(c.selection);
    const records::SaveRange range = records::ChooseSaveRange(rec.view);
    EXPECT_EQ(std::tie(range.First, range.Count), std::tie(c.first, c.count));
  }
}

TEST(OpenRecordCommand, AFileThatGivesNoRecordSaysWhyAndLeavesTheViewUntouched) {
  Folder folder("records-open");
  RecordedView source({1, 1}, 1000);
  const auto good = records::WriteBinaryRecord(source.view, {0, 1000});
  auto cut = good, nan = good, no_magic = good;
  cut.resize(good.size() - 1000), no_magic[0] = '2';
  nan[16] = nan[17] = 0xFF, nan[18] = 0xC0, nan[19] = 0x7F;
  const auto text = [](const auto& bytes) { return std::string(bytes.begin(), bytes.end()); };
  const std::string noise(good.rbegin(), good.rend());  // a record's bytes backwards
  const std::tuple<std::string, std::string, std::optional<M>, std::size_t> cases[] = {  // 4999: the view's own record
      {"good.out", text(good), {}, 999},        {"cut.out", text(cut), M::Damaged, 499},
      {"nan.out", text(nan), M::Damaged, 4999},  {"magic.out", text(no_magic), M::NotARecord, 4999},
      {"noise.out", noise, M::NotARecord, 4999},  {"empty.out", "", M::NotARecord, 4999},
      {"text.txt", platform::Utf8ToCp1251("U3.3 x 1000 y кан.1 z 0 1.0 1 2.0 2 3.0"), {}, 2},
      {"letter.txt", "Dear parents, the lab is on Monday", M::NotARecord, 4999},
      {"missing.out", "", M::CannotOpen, 4999},  {"busy.out", text(good), {}, 4999}};
  for (const auto& [name, bytes, message, last_index] : cases) {
    RecordedView rec({5}, 5000);
    rec.view.Recording = name == "busy.out" ? 1 : 0;
    if (name != "missing.out") WriteAll(folder.path / name, {bytes.begin(), bytes.end()});
    Commands commands(rec.view, folder.path / name, 1, nullptr);  // the program's own formats
    records::OpenRecord(commands.context);
    const auto told = message ? std::vector{Told(*message, false, folder.path / name)} : std::vector<std::string>{};
    EXPECT_EQ(std::tie(commands.host.Messages, rec.view.LastSampleIndex), std::tie(told, last_index)) << name;
    EXPECT_TRUE(last_index != 4999 || (rec.view.SensorCode == 0 && rec.view.Channel(0).SensorCode == 5 && rec.view.LiveSetupKept == 0));
  }
}

TEST(RecordingStartAfterALoad, GivesTheLiveSetUpBackAndRebuildsTheHeaderOnlyForAnotherKind) {
  for (const bool same_kind : {true, false}) {
    RecordedView rec({1}, 500);
    std::vector<std::string> calls;
    ViewSetupHooks& hooks = rec.view.SetupHooks;
    hooks.RestoreSetupFromReference = [&] { calls.push_back("setup"); };
    hooks.RestoreCaption = [&] { calls.push_back("caption"), rec.view.SensorCode = same_kind ? 1 : 9; };
    hooks.SyncIndicatorPanes = [&] { calls.push_back("panes"); };
    hooks.SetupGraphHeader = [&] { calls.push_back("header"); };
    RecordedView source({1}, 100);
    const auto bytes = records::WriteBinaryRecord(source.view, {0, 100});
    records::ApplyLoadedRecord(rec.view, records::ReadBinaryRecord(records::MemorySource(bytes), kCapacity).Record, "r.out");
    // A unit bound meanwhile sets up the kept live channel, not the loaded one.
    EXPECT_EQ(&rec.view.BindingTarget(2), rec.view.ReferenceChannels[2].get());
    calls.clear();
    FakeWindowSide side;  // outlives the manager, which tells it of its end
    DeviceManager manager;
    rec.view.AttachDevices(manager, side);
    DeviceThreadState = kDevicePaused;
    rec.view.ToggleRecording();  // no unit: nothing starts, but the live set-up is back
    ResetDeviceStatus(), ResetWorkerStatus();
    EXPECT_EQ(calls, (same_kind ? std::vector<std::string>{"setup", "caption", "panes"}
                                : std::vector<std::string>{"setup", "caption", "panes", "header"}));
    EXPECT_EQ(&rec.view.BindingTarget(2), &rec.view.Channel(2));
  }
}

}  // namespace
