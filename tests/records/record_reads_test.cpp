// How a record file is read: the check reads the header in one read, and the hand-over each channel's
// codes with one read straight into the view's buffers, or the reads ahead into a buffer of the view's
// size that the hand-over then takes as the view's, the same codes in the same places.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "record_test_support.h"
#include "records/binary_record.h"

namespace {

using namespace recordtest;

// A file in memory that counts the reads made of it; reads that reach `gone` on fail, as of a
// file that shrank after it was checked.
class CountedSource final : public records::ByteSource {
 public:
  explicit CountedSource(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.Size(); }
  bool ReadAt(std::uint64_t offset, void* out, std::size_t size) const override {
    ++Reads;
    return offset + size <= Gone && bytes_.ReadAt(offset, out, size);
  }
  std::size_t ReadUpTo(std::uint64_t offset, void* out, std::size_t size) const override {
    ++Reads;
    return offset < Gone ? bytes_.ReadUpTo(offset, out, static_cast<std::size_t>(std::min<std::uint64_t>(size, Gone - offset))) : 0;
  }
  mutable int Reads = 0;
  std::uint64_t Gone = std::numeric_limits<std::uint64_t>::max();

 private:
  records::MemorySource bytes_;
};

TEST(RecordFileReads, TheCheckReadsTheHeaderOnceAndTheHandOverEachChannelsCodesIntoTheView) {
  // Four channels of 2500 samples (20 kB), three of 13000, one of a rate kind with history, and
  // records that fill the channels' shares of the buffer exactly.
  const struct {
    std::vector<std::uint16_t> kinds;
    std::uint32_t samples;
    int check_reads;
  } cases[] = {
      {{1, 1, 1, 1}, 2500, 1}, {{1, 35, 7}, 13000, 1 + 1}, {{1}, kCapacity, 1}, {{1, 1}, kCapacity / 2, 1},
  };
  for (const auto& c : cases) {
    for (const bool ahead : {false, true}) {
      const std::string name = std::to_string(c.kinds.size()) + " x " + std::to_string(c.samples) + (ahead ? " ahead" : "");
      RecordedView rec(c.kinds, c.samples);
      rec.view.RecordRate = 100;
      for (std::size_t k = 0; k < c.kinds.size(); ++k) {
        if (c.kinds[k] == 35) rec.view.Channel(k).RateDetector.History.assign(30, 60), rec.view.Channel(k).RateDetector.HistoryCount = 10;
      }
      const auto bytes = records::WriteBinaryRecord(rec.view, {0, c.samples});
      const CountedSource counted(bytes);
      auto read = records::CheckBinaryRecord(counted, kCapacity);
      ASSERT_EQ(read.Outcome, records::ReadOutcome::Loaded) << name;
      EXPECT_EQ(counted.Reads, c.check_reads) << name;
      RecordedView loaded({}, 1);
      const std::int16_t* const former = loaded.view.CodeBufferData();
      if (ahead) records::ReadCodesAhead(loaded.view, read.Record);
      const records::AppliedRecord applied = records::ApplyLoadedRecord(loaded.view, std::move(read.Record), "r.out");
      EXPECT_EQ(counted.Reads, c.check_reads + static_cast<int>(c.kinds.size())) << name;
      // Read ahead, the view holds the buffer the codes were read into and the record the view's former one.
      EXPECT_EQ(loaded.view.CodeBufferData() == former, !ahead) << name;
      EXPECT_EQ(read.Record.ReadyCodes.data() == former, ahead) << name;
      EXPECT_TRUE(applied.ViewSetUp && !applied.ReadFailed) << name;
      EXPECT_EQ(loaded.view.SampleCount, c.samples) << name;
      for (std::size_t k = 0; k < c.kinds.size(); ++k) {
        const VessamorChannel& ch = loaded.view.Channel(k);
        ASSERT_EQ(ch.CodeCount, c.samples) << name << " channel " << k;
        EXPECT_TRUE(std::equal(ch.Codes, ch.Codes + c.samples, rec.view.Channel(k).Codes)) << name << " channel " << k;
        EXPECT_EQ(ch.RateDetector.HistoryCount, c.kinds[k] == 35 ? 10u : 0u) << name << " channel " << k;
      }
    }
  }
}

// A record file handed out in pieces is the file made whole, pausing within each channel longer
// than a piece and never after the last; a failed write stops it.
TEST(RecordFileReads, ARecordFileStreamedInPiecesIsTheWholeFile) {
  constexpr std::uint32_t kSamples = (1u << 20) + 10;
  RecordedView rec({1, 7, 1}, kSamples, 4 * kSamples);
  for (const int fail_at : {-1, 0, 2}) {
    std::vector<std::uint8_t> streamed;
    int pauses = 0, writes = 0;
    const bool ok = records::StreamBinaryRecord(
        rec.view, {0, kSamples},
        [&](const void* data, std::size_t size) {
          if (writes++ == fail_at) return false;
          streamed.insert(streamed.end(), static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size);
          return true;
        },
        [&] { ++pauses; });
    EXPECT_EQ(ok, fail_at < 0) << fail_at;
    EXPECT_TRUE(!ok || streamed == records::WriteBinaryRecord(rec.view, {0, kSamples}));
    EXPECT_EQ(std::tuple(pauses, writes), fail_at < 0 ? std::tuple(3, 7) : std::tuple(fail_at / 2, fail_at + 1)) << fail_at;
  }
}

TEST(RecordFileReads, AFileThatShrinksAfterItsCheckKeepsTheCodesReadBeforeAndSaysSo) {
  RecordedView rec({1, 1, 1}, 2500);
  const auto bytes = records::WriteBinaryRecord(rec.view, {0, 2500});
  const std::uint64_t codes = bytes.size() - 3 * 2 * 2500;
  // Where the file ends once checked, and the codes each channel keeps: the one it ends in keeps
  // those before its end (a half code is none), those after it none. A record too short to show
  // leaves nothing shown, not even the record the view held before.
  const struct {
    std::uint64_t gone;
    std::array<std::uint32_t, 3> kept;
  } cases[] = {
      {codes + 5000 + 3000, {2500, 1500, 0}}, {codes + 5000 + 10, {2500, 5, 0}}, {codes + 5000, {2500, 0, 0}},
      {codes + 3001, {1500, 0, 0}},           {codes + 10, {5, 0, 0}},           {codes, {0, 0, 0}},
  };
  for (const auto& c : cases) {
    for (const bool ahead : {false, true}) {
      const std::string name = std::to_string(c.gone - codes) + (ahead ? " ahead" : "");
      CountedSource shrinking(bytes);
      auto read = records::CheckBinaryRecord(shrinking, kCapacity);
      ASSERT_EQ(read.Outcome, records::ReadOutcome::Loaded);
      shrinking.Gone = c.gone;
      RecordedView loaded({1}, 800);
      if (ahead) records::ReadCodesAhead(loaded.view, read.Record);
      const records::AppliedRecord applied = records::ApplyLoadedRecord(loaded.view, std::move(read.Record), "r.out");
      std::uint32_t shortest = 2500;
      for (const std::uint32_t n : c.kept) shortest = n > 0 ? std::min(shortest, n) : shortest;
      const bool shown = c.kept[0] > 0 && shortest > 20;
      EXPECT_TRUE(applied.ReadFailed) << name;
      EXPECT_EQ(std::tuple(applied.ViewSetUp, applied.Emptied), std::tuple(shown, !shown)) << name;
      EXPECT_EQ(std::tuple(loaded.view.RecordViewable.load(), loaded.view.RecordName.empty()), std::tuple(shown ? 1 : 0, !shown)) << name;
      EXPECT_EQ(loaded.view.SampleCount, c.kept[0] > 0 ? shortest : 0u) << name;
      for (std::size_t k = 0; k < 3; ++k) {
        const VessamorChannel& ch = loaded.view.Channel(k);
        EXPECT_EQ(std::tuple(ch.CodeCount, ch.Enabled), std::tuple(c.kept[k], c.kept[k] > 0 ? 1 : 0)) << name << " channel " << k;
        EXPECT_TRUE(std::equal(ch.Codes, ch.Codes + ch.CodeCount, rec.view.Channel(k).Codes)) << name << " channel " << k;
      }
    }
  }
}

}  // namespace
