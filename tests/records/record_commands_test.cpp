// Tests of the save and load commands: the writer chosen, the checks before writing, failed writes, loads.
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

bool FakeText(const GraphView&, const records::SaveRange&, bool, std::vector<std::uint8_t>& out) {
  out = {'T'};
  return true;
}
bool FakeSheet(const GraphView&, const records::SaveRange&, bool, std::vector<std::uint8_t>& out) {
  out = {'S'};
  return true;
}
std::uint32_t FakeImport(GraphView& view, std::span<const std::uint8_t> file, const std::string&) {
  view.LastSampleIndex = static_cast<std::uint32_t>(file.size());
  return 1;
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

TEST(SaveRecordCommand, TheLastExtensionChoosesTheWriterAndABareNameTakesTheFiltersOwn) {
  const struct {
    const char* typed;
    int filter;
    const char* written;
    char first_byte;
  } cases[] = {{"a.out", 2, "a.out", 'P'}, {"b.OUT", 1, "b.OUT", 'P'}, {"c.out.txt", 1, "c.out.txt", 'T'},
               {"d.txt.xls", 1, "d.txt.xls", 'S'}, {"e.dat", 1, "e.dat", 'S'}, {"f", 1, "f.out", 'P'},
               {"g", 2, "g.xls", 'S'}, {"h", 3, "h.txt", 'T'}};
  ScratchFolder folder("writers");
  RecordedView rec({1, 1}, 100);
  Commands commands(rec.view);
  for (const auto& c : cases) {
    commands.Save(folder.File(c.typed), c.filter);
    const auto bytes = ReadAll(folder.File(c.written));
    ASSERT_FALSE(bytes.empty()) << c.typed;
    EXPECT_EQ(bytes[0], c.first_byte) << c.typed;
  }
  EXPECT_EQ(folder.FileCount(), std::size(cases));
  EXPECT_TRUE(commands.host.Messages.empty());
  EXPECT_EQ(rec.view.RecordName, "f.out");  // a whole binary record takes its file's name
  EXPECT_EQ(commands.host.LastRequest.initialName, "f");  // offered without its extension
}

TEST(SaveRecordCommand, NothingIsWrittenForAShortRecordACancelOrTooLittleSpace) {
  ScratchFolder folder("refusals");
  // Three channels of 1000 samples need 3 x 999 x 2 = 5994 bytes, within 70 % of the free space.
  const struct {
    std::uint32_t samples;
    bool cancel;
    std::uint64_t free_bytes;
    bool written;
    std::size_t messages;
  } cases[] = {{1000, false, 8600, true, 0}, {1000, false, 8563, false, 1}, {11, false, 1u << 30, false, 0},
               {12, false, 1u << 30, true, 0},  {1000, true, 1u << 30, false, 0}};
  for (const auto& c : cases) {
    RecordedView rec({1, 1, 1}, c.samples);
    rec.view.SaveSelection = 1;
    Commands commands(rec.view);
    commands.context.FreeBytes = [&](const std::string&) { return std::optional<std::uint64_t>(c.free_bytes); };
    const std::string path = folder.File("r" + std::to_string(c.free_bytes) + "-" + std::to_string(c.samples) + ".out");
    commands.host.Answer = platform::FileDialogResult{path, 1};
    if (c.cancel) commands.host.Answer.reset();
    records::SaveRecord(commands.context);
    EXPECT_EQ(std::filesystem::exists(path), c.written) << path;
    EXPECT_EQ(commands.host.Messages.size(), c.messages) << path;
    EXPECT_EQ(rec.view.SaveSelection, 0);
  }
}

// Drops the override of file permissions from this thread while it lives, so even a privileged
// test run meets a read-only folder as a user does.
class WithoutPermissionOverride {
 public:
  WithoutPermissionOverride() {
    syscall(SYS_capget, &header_, saved_);
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
    syscall(SYS_capset, &header_, reduced);
  }
  ~WithoutPermissionOverride() { syscall(SYS_capset, &header_, saved_); }

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2]{};
};

// File sizes beyond the limit fail as on a full disk while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
};

TEST(SaveRecordCommand, AFailedWriteLeavesTheOldFileAsItWasAndSaysSo) {
  ScratchFolder folder("failures");
  const std::string path = folder.File("old.out");
  const std::vector<std::uint8_t> old_bytes{'o', 'l', 'd'};
  RecordedView rec({1, 1}, 5000);
  for (const bool english : {false, true}) {
    for (const bool full : {true, false}) {
      WriteAll(path, old_bytes);
      Commands commands(rec.view);
      commands.context.EnglishUi = english;
      {
        std::optional<FileSizeLimit> limit;
        std::optional<WithoutPermissionOverride> no_override;
        if (full) limit.emplace(1000);
        if (!full) {
          std::filesystem::permissions(folder.path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
          no_override.emplace();
        }
        commands.Save(path);
      }
      std::filesystem::permissions(folder.path, std::filesystem::perms::owner_all);
      EXPECT_EQ(ReadAll(path), old_bytes);
      EXPECT_EQ(folder.FileCount(), 1u);  // no temporary file left behind
      ASSERT_EQ(commands.host.Messages.size(), 1u);
      EXPECT_EQ(commands.host.Messages[0], english ? "File write error" : "Ошибка записи файла");
    }
  }
}

TEST(SaveRecordCommand, TheSelectionRunsBetweenTheSetMarkersInAscendingOrder) {
  RecordedView rec({1}, 5000);
  ColumnRecord* columns = rec.view.Channel(0).Columns;
  columns[100] = ColumnRecord{0, 0, 0, 0, 10, 1000, 0.0};
  columns[300] = ColumnRecord{0, 0, 0, 0, 10, 3000, 0.0};
  const struct {
    std::array<std::uint16_t, 4> columns;  // 0: marker not set
    std::uint8_t selection;
    records::SaveRange range;
  } cases[] = {{{0, 100, 0, 0}, 1, {1000, 4000}}, {{300, 0, 0, 100}, 1, {1000, 2010}},
               {{0, 0, 0, 0}, 1, {0, 5000}},       {{100, 300, 0, 0}, 0, {0, 5000}}};
  for (const auto& c : cases) {
    for (std::size_t m = 0; m < 4; ++m) {
      rec.view.Markers[m].Set = c.columns[m] != 0;
      rec.view.Markers[m].Column = c.columns[m];
    }
    rec.view.SaveSelection = c.selection;
    const records::SaveRange range = records::ChooseSaveRange(rec.view);
    EXPECT_EQ(range.First, c.range.First);
    EXPECT_EQ(range.Count, c.range.Count);
  }
  // A selection's file holds its codes only; the view keeps its name.
  ScratchFolder folder("selection");
  Commands commands(rec.view);
  rec.view.SaveSelection = 1;
  commands.Save(folder.File("part.out"));
  const auto read = records::ReadBinaryRecord(records::MemorySource(ReadAll(folder.File("part.out"))), kCapacity);
  ASSERT_EQ(read.Record.Channels[0].Codes.size(), 2010u);
  EXPECT_EQ(read.Record.Channels[0].Codes[0], 0);  // sample 1000
  EXPECT_EQ(rec.view.RecordName, "");
}

TEST(OpenRecordCommand, ADamagedFileSaysSoAndOnlyARefusedOneLeavesTheViewUntouched) {
  ScratchFolder folder("open");
  RecordedView source({1, 1}, 1000);
  const auto good = records::WriteBinaryRecord(source.view, {0, 1000});
  auto truncated = good;
  truncated.resize(good.size() - 1000);
  auto nan = good;
  nan[16] = nan[17] = 0xFF, nan[18] = 0xC0, nan[19] = 0x7F;
  auto no_magic = good;
  no_magic[0] = '2';
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::size_t messages;
    std::uint32_t last_index;  // after the load; 4999 is the view's own record
  } cases[] = {{"good.out", good, 0, 999},   {"cut.out", truncated, 1, 499}, {"nan.out", nan, 1, 4999},
               {"magic.out", no_magic, 0, 4999}, {"text.txt", {1, 2, 3}, 0, 3},  {"missing.out", {}, 0, 4999}};
  for (const auto& c : cases) {
    RecordedView rec({5}, 5000);
    if (!c.bytes.empty()) WriteAll(folder.File(c.name), c.bytes);
    Commands commands(rec.view);
    commands.Open(folder.File(c.name));
    EXPECT_EQ(commands.host.Messages.size(), c.messages) << c.name;
    EXPECT_EQ(rec.view.LastSampleIndex, c.last_index) << c.name;
    if (c.last_index == 4999) {
      EXPECT_EQ(rec.view.SensorCode, 0);
      EXPECT_EQ(rec.view.Channel(0).SensorCode, 5);
      EXPECT_EQ(rec.view.LiveSetupKept, 0);
    }
  }
}

TEST(RecordingStartAfterALoad, GivesTheLiveSetUpBackAndRebuildsTheHeaderOnlyForAnotherKind) {
  for (const bool same_kind : {true, false}) {
    RecordedView rec({1}, 500);
    std::vector<std::string> calls;
    ViewSetupHooks& hooks = rec.view.SetupHooks;
    hooks.RestoreSetupFromReference = [&] { calls.push_back("setup"); };
    hooks.RestoreCaption = [&] {
      calls.push_back("caption");
      if (!same_kind) rec.view.SensorCode = 9;
    };
    hooks.SyncIndicatorPanes = [&] { calls.push_back("panes"); };
    hooks.SetupGraphHeader = [&] { calls.push_back("header"); };
    records::LoadedRecord loaded;
    loaded.Channels[0].Present = true;
    loaded.Channels[0].Codes.assign(100, 7);
    ASSERT_TRUE(records::ValidateLoadedRecord(loaded, kCapacity));
    records::ApplyLoadedRecord(rec.view, loaded, "r.out");
    ASSERT_EQ(rec.view.LiveSetupKept, 1);
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
    EXPECT_EQ(rec.view.LiveSetupKept, 0);
    EXPECT_EQ(&rec.view.BindingTarget(2), &rec.view.Channel(2));
  }
}

}  // namespace
