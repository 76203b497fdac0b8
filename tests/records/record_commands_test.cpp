// Tests of the save and load commands: the writer chosen, the checks before writing, failed writes, loads, the start after.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>

#include "acquisition/device_manager.h"
#include "acquisition/device_status.h"
#include "acquisition/worker_threads.h"
#include "fakes/fake_window_side.h"
#include "record_test_support.h"
#include "records/binary_record.h"
#include "records/record_commands.h"

namespace {

using namespace recordtest;

bool FakeText(const GraphView&, const records::SaveRange&, bool, std::vector<std::uint8_t>& out) { return out = {'T'}, true; }
bool FakeSheet(const GraphView&, const records::SaveRange&, bool, std::vector<std::uint8_t>& out) { return out = {'S'}, true; }
std::uint32_t FakeImport(GraphView& view, std::span<const std::uint8_t> file, const std::string&) {
  return view.LastSampleIndex = static_cast<std::uint32_t>(file.size()), 1;
}
const records::RecordFormats kFakeFormats{&FakeText, &FakeSheet, &FakeImport};

struct Commands {
  explicit Commands(GraphView& view) : context{view, host, range, title, false, &kFakeFormats, {}} {}
  void Save(const std::string& path, int filter = 1) {
    host.Answer = platform::FileDialogResult{path, filter};
    records::SaveRecord(context);
  }
  void Open(const std::string& path) {
    host.Answer = platform::FileDialogResult{path, 1};
    records::OpenRecord(context);
  }
  FakeHost host;
  records::SaveRange range;
  std::string title;
  records::RecordCommandContext context;
};

std::size_t FilesIn(const ScratchFolder& folder) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder.path), {}));
}

// Three channels of 1000 samples need 3 x 999 x 2 = 5994 bytes of a binary file: 70 % of 8600
// free bytes is room enough, of 8563 not.
TEST(SaveRecordCommand, TheLastExtensionChoosesTheWriterOnceTheRecordAndTheSpaceAllowIt) {
  const struct {
    const char* typed;
    int filter;
    const char* written;  // "none": nothing written
    char first_byte;
    std::uint32_t samples = 1000;
    std::uint64_t free_bytes = 1ull << 40;
  } cases[] = {{"a.out", 2, "a.out", 'P'},         {"b.OUT", 1, "b.OUT", 'P'}, {"c.out.txt", 1, "c.out.txt", 'T'},
               {"d.txt.xls", 1, "d.txt.xls", 'S'}, {"e.dat", 1, "e.dat", 'S'}, {"f", 3, "f.txt", 'T'},
               {"g", 2, "g.xls", 'S'},             {"h", 1, "h.out", 'P'},     {"i.out", 1, "none", 0, 1000, 8563},
               {"j.out", 1, "none", 0, 11},            {"k.out", 1, "k.out", 'P', 12}, {"l.out", 1, "l.out", 'P', 1000, 8600},
               {nullptr, 1, "none", 0}};
  ScratchFolder folder("records-save");
  for (const auto& c : cases) {
    RecordedView rec({1, 1, 1}, c.samples);
    rec.view.RecordName = "old.out";
    rec.view.SaveSelection = 1;
    Commands commands(rec.view);
    commands.context.FreeBytes = [&](const std::string&) { return std::optional(c.free_bytes); };
    commands.host.Answer = platform::FileDialogResult{folder.File(c.typed != nullptr ? c.typed : ""), c.filter};
    if (c.typed == nullptr) commands.host.Answer.reset();  // cancelled
    records::SaveRecord(commands.context);
    const auto bytes = ReadAll(folder.File(c.written));
    EXPECT_EQ(bytes.empty() ? 0 : bytes[0], c.first_byte) << c.written;
    EXPECT_EQ(commands.host.Messages.size(), c.free_bytes == 8563 ? 1u : 0u);
    EXPECT_EQ(commands.host.LastRequest.initialName, "old");  // offered without its extension
    EXPECT_EQ(rec.view.SaveSelection, 0);
    EXPECT_EQ(rec.view.RecordName, c.first_byte == 'P' ? c.written : "old.out");  // a whole binary record takes its file's name
  }
  EXPECT_EQ(FilesIn(folder), 10u);
}

// Takes the override of file permissions from this thread while it lives, so that a privileged
// run meets a read-only folder as a user does.
struct NoPermissionOverride {
  NoPermissionOverride() {
    syscall(SYS_capget, &header, saved);
    __user_cap_data_struct reduced[2] = {saved[0], saved[1]};
    reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
    syscall(SYS_capset, &header, reduced);
  }
  ~NoPermissionOverride() { syscall(SYS_capset, &header, saved); }
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved[2]{};
};

// Files beyond a few bytes fail to grow, as on a full disk, while it lives.
struct FullDisk {
  FullDisk() {
    getrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{1000, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FullDisk() { setrlimit(RLIMIT_FSIZE, &saved); }
  rlimit saved{};
};

TEST(SaveRecordCommand, AFailedWriteLeavesTheOldFileAsItWasAndSaysSo) {
  namespace fs = std::filesystem;
  ScratchFolder folder("records-failures");
  const std::string path = folder.File("old.out");
  RecordedView rec({1, 1}, 5000);
  for (const bool english : {false, true}) {
    for (const bool full : {true, false}) {
      WriteAll(path, {'o', 'l', 'd'});
      Commands commands(rec.view);
      commands.context.EnglishUi = english;
      if (full) {
        FullDisk disk;
        commands.Save(path);
      } else {
        fs::permissions(folder.path, fs::perms::owner_read | fs::perms::owner_exec);
        NoPermissionOverride no_override;
        commands.Save(path);
      }
      fs::permissions(folder.path, fs::perms::owner_all);
      EXPECT_EQ(ReadAll(path), std::vector<std::uint8_t>({'o', 'l', 'd'}));
      EXPECT_EQ(FilesIn(folder), 1u);  // no temporary file left behind
      EXPECT_EQ(commands.host.Messages, std::vector<std::string>{english ? "File write error" : "Ошибка записи файла"});
    }
  }
}

TEST(SaveRecordCommand, TheSelectionRunsFromTheEarlierMarkersColumnToTheLaterOnesEnd) {
  RecordedView rec({1}, 5000);
  rec.view.Channel(0).Columns[100] = ColumnRecord{0, 0, 0, 0, 10, 1000, 0.0};
  rec.view.Channel(0).Columns[300] = ColumnRecord{0, 0, 0, 0, 10, 3000, 0.0};
  const struct {
    std::array<std::uint16_t, 4> columns;  // 0: not set
    std::uint8_t selection;
    std::uint32_t first, count;
  } cases[] = {{{0, 100, 0, 0}, 1, 1000, 4000}, {{300, 0, 0, 100}, 1, 1000, 2010}, {{0, 0, 0, 0}, 1, 0, 5000},
               {{100, 300, 0, 0}, 0, 0, 5000}};
  for (const auto& c : cases) {
    for (std::size_t m = 0; m < 4; ++m) rec.view.Markers[m].Set = c.columns[m] != 0, rec.view.Markers[m].Column = c.columns[m];
    rec.view.SaveSelection = c.selection;
    const records::SaveRange range = records::ChooseSaveRange(rec.view);
    EXPECT_EQ(std::tie(range.First, range.Count), std::tie(c.first, c.count));
  }
}

TEST(OpenRecordCommand, ADamagedFileSaysSoAndARefusedOrForeignOneLeavesTheViewUntouched) {
  ScratchFolder folder("records-open");
  RecordedView source({1, 1}, 1000);
  const auto good = records::WriteBinaryRecord(source.view, {0, 1000});
  auto cut = good, nan = good, no_magic = good;
  cut.resize(good.size() - 1000);
  nan[16] = nan[17] = 0xFF, nan[18] = 0xC0, nan[19] = 0x7F;
  no_magic[0] = '2';
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::size_t messages;
    std::uint32_t last_index;  // 4999: the view's own record
  } cases[] = {{"good.out", good, 0, 999},        {"cut.out", cut, 1, 499},      {"nan.out", nan, 1, 4999},
               {"magic.out", no_magic, 0, 4999}, {"text.txt", {1, 2, 3}, 0, 3}, {"missing.out", {}, 0, 4999}};
  for (const auto& c : cases) {
    RecordedView rec({5}, 5000);
    if (!c.bytes.empty()) WriteAll(folder.File(c.name), c.bytes);
    Commands commands(rec.view);
    commands.Open(folder.File(c.name));
    EXPECT_EQ(commands.host.Messages.size(), c.messages) << c.name;
    EXPECT_EQ(rec.view.LastSampleIndex, c.last_index) << c.name;
    if (c.last_index == 4999) {
      EXPECT_EQ(std::tie(rec.view.SensorCode, rec.view.Channel(0).SensorCode, rec.view.LiveSetupKept), std::tuple(0, 5, 0));
    }
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
    records::LoadedRecord loaded;
    loaded.Channels[0].Present = true;
    loaded.Channels[0].Settings.SensorCode = 1;
    loaded.Channels[0].Codes.assign(100, 7);
    ASSERT_TRUE(records::ValidateLoadedRecord(loaded, kCapacity));
    records::ApplyLoadedRecord(rec.view, loaded, "r.out");
    // A unit bound meanwhile sets up the kept live channel, not the loaded one.
    EXPECT_EQ(&rec.view.BindingTarget(2), rec.view.ReferenceChannels[2].get());
    calls.clear();
    FakeWindowSide side;  // outlives the manager, which tells it of its end
    DeviceManager manager;
    rec.view.AttachDevices(manager, side);
    DeviceThreadState = kDevicePaused;
    rec.view.ToggleRecording();  // no unit: nothing starts, but the live set-up is back
    ResetDeviceStatus();
    ResetWorkerStatus();
    std::vector<std::string> expected{"setup", "caption", "panes"};
    if (!same_kind) expected.push_back("header");
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(&rec.view.BindingTarget(2), &rec.view.Channel(2));
  }
}

}  // namespace
