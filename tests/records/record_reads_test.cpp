// How a record file is read: a small file in one read, a long one's header in one read and its codes straight after.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "record_test_support.h"
#include "records/binary_record.h"

namespace {

using namespace recordtest;

// A file in memory that counts the reads made of it.
class CountedSource final : public records::ByteSource {
 public:
  explicit CountedSource(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.Size(); }
  bool ReadAt(std::uint64_t offset, void* out, std::size_t size) const override {
    ++Reads;
    return bytes_.ReadAt(offset, out, size);
  }
  mutable int Reads = 0;

 private:
  records::MemorySource bytes_;
};

TEST(RecordFileReads, ASmallFileIsReadOnceAndALongOneByItsHeaderThenEachChannelsCodes) {
  // Four channels of 2500 samples (20 kB), and three of 13000 (78 kB), one of a rate kind with history.
  const struct {
    std::vector<std::uint16_t> kinds;
    std::uint32_t samples;
    int reads;
  } cases[] = {
      {{1, 1, 1, 1}, 2500, 1},
      {{1, 35, 7}, 13000, 1 + 3 + 1},
  };
  for (const auto& c : cases) {
    RecordedView rec(c.kinds, c.samples);
    rec.view.RecordRate = 100;
    const auto bytes = records::WriteBinaryRecord(rec.view, {0, c.samples});
    const CountedSource counted(bytes);
    const auto read = records::ReadBinaryRecord(counted, kCapacity);
    const auto plain = records::ReadBinaryRecord(records::MemorySource(bytes), kCapacity);
    ASSERT_EQ(read.Outcome, records::ReadOutcome::Loaded) << c.samples;
    EXPECT_LE(counted.Reads, c.reads) << c.samples;
    for (std::size_t k = 0; k < c.kinds.size(); ++k) {
      EXPECT_EQ(read.Record.Channels[k].Codes, plain.Record.Channels[k].Codes) << c.samples << " channel " << k;
      EXPECT_EQ(read.Record.Channels[k].Codes.size(), c.samples) << c.samples << " channel " << k;
      EXPECT_EQ(read.Record.Channels[k].History, plain.Record.Channels[k].History);
    }
  }
}

}  // namespace
