// Tests of the binary record file: its layout, the versions it reads, and what a damaged file gives.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "record_test_support.h"
#include "records/binary_record.h"

namespace {

using namespace recordtest;
using records::ReadOutcome;

constexpr std::size_t kFirstBlock = 10;
constexpr std::size_t kBaseBlock = 49;

std::vector<std::uint8_t> Save(const GraphView& view) {
  return records::WriteBinaryRecord(view, {0, view.LastSampleIndex + 1});
}

records::BinaryRead Read(const std::vector<std::uint8_t>& bytes, std::uint32_t capacity = kCapacity) {
  return records::ReadBinaryRecord(records::MemorySource(bytes), capacity);
}

void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) { std::memcpy(&b[at], &v, 4); }
void PutF32(std::vector<std::uint8_t>& b, std::size_t at, float v) { std::memcpy(&b[at], &v, 4); }

TEST(BinaryRecordLayout, ThreeChannelsOfAThousandSamplesMakeTheDocumentedFile) {
  RecordedView rec({1, 1, 1}, 1000);
  const auto bytes = Save(rec.view);
  ASSERT_EQ(bytes.size(), 6214u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), "PELN2");
  EXPECT_EQ(bytes[5] | bytes[6] << 8, 1000);  // the rate
  EXPECT_EQ(bytes[9], 3);                     // shown channels
  const std::size_t tail = kFirstBlock + 4 * kBaseBlock;
  EXPECT_EQ(bytes[tail] | bytes[tail + 1] << 8, 1000);          // N
  EXPECT_EQ(bytes[tail + 4] | bytes[tail + 5] << 8, 999);       // last index
  EXPECT_EQ(bytes[kFirstBlock + 3 * kBaseBlock + 2], 0);        // the empty channel saves no codes
  EXPECT_EQ(bytes[tail + 8 + 2000] | bytes[tail + 9 + 2000] << 8, 1000);  // channel 1's first code
}

TEST(BinaryRecordLayout, BlockSizeFollowsTheSensorKind) {
  const std::pair<std::uint16_t, std::size_t> cases[] = {{1, 49}, {35, 57}, {37, 57}, {40, 57}, {7, 53}, {8, 53}};
  for (const auto& [kind, block] : cases) {
    RecordedView rec({kind}, 30);
    EXPECT_EQ(Save(rec.view).size(), kFirstBlock + 3 * kBaseBlock + block + 8 + 60) << kind;
  }
}

// Drops the fields a version lacks from every block of a version '2' file.
std::vector<std::uint8_t> AsVersion(const std::vector<std::uint8_t>& v2, char version) {
  if (version == '2') return v2;
  std::vector<std::uint8_t> out(v2.begin(), v2.begin() + kFirstBlock);
  out[4] = static_cast<std::uint8_t>(version);
  std::size_t at = kFirstBlock;
  for (int k = 0; k < 4; ++k) {
    const std::uint8_t kind = v2[at + 1];
    const std::size_t size = kBaseBlock + (kind == 35 || kind == 37 || kind == 40 ? 8 : kind == 7 || kind == 8 ? 4 : 0);
    const std::size_t dropped_from = version == '0' ? 39 : 43;
    out.insert(out.end(), v2.begin() + at, v2.begin() + at + dropped_from);
    out.insert(out.end(), v2.begin() + at + 45, v2.begin() + at + size);
    at += size;
  }
  out.insert(out.end(), v2.begin() + at, v2.end());
  return out;
}

TEST(BinaryRecordVersions, OlderLayoutsReadWithTheirDefaultsAndTheSameTail) {
  RecordedView rec({7, 35, 1}, 50);
  for (std::size_t k = 0; k < 3; ++k) {
    VessamorChannel& ch = rec.view.Channel(k);
    ch.CurveMode = 2;
    ch.CurveSmoothOn = 1;
    ch.RunMax = 3000;
    ch.RunMin = 5;
    ch.RateDetector.Rate = 72.5f;
  }
  rec.view.Channel(0).Gain = 1.25f;
  const auto v2 = Save(rec.view);
  struct Case {
    char version;
    std::uint8_t curve_mode;
    std::uint8_t curve_smooth;
    bool run_range;
  } cases[] = {{'2', 2, 1, true}, {'1', 1, 0, true}, {'0', 1, 0, false}};
  for (const Case& c : cases) {
    const auto read = Read(AsVersion(v2, c.version));
    ASSERT_EQ(read.Outcome, ReadOutcome::Loaded) << c.version;
    for (std::size_t k = 0; k < 3; ++k) {
      const records::RecordChannelSettings& s = read.Record.Channels[k].Settings;
      EXPECT_EQ(s.CurveMode, c.curve_mode);
      EXPECT_EQ(s.CurveSmoothOn, c.curve_smooth);
      EXPECT_EQ(s.HasRunRange, c.run_range);
      EXPECT_EQ(s.RunMax, c.run_range ? 3000 : 0xFFFF);
      EXPECT_EQ(s.DerivedRate, 72.5f);
      EXPECT_EQ(read.Record.Channels[k].Codes.size(), 50u);
    }
    EXPECT_EQ(read.Record.Channels[0].Settings.Gain, 1.25f);
  }
}

TEST(BinaryRecordHeader, OutOfRangeRateAndChannelCountTakeTheirDefaults) {
  RecordedView rec({1, 1}, 100);
  const auto good = Save(rec.view);
  const struct {
    std::uint32_t rate;
    std::uint8_t count;
    std::uint32_t rate_read;
    std::uint8_t count_read;
  } cases[] = {{250000, 7, 1000, 1}, {0, 0, 1000, 1}, {200000, 4, 200000, 4}, {125, 3, 125, 3}};
  for (const auto& c : cases) {
    auto bytes = good;
    PutU32(bytes, 5, c.rate);
    bytes[9] = c.count;
    const auto read = Read(bytes);
    ASSERT_EQ(read.Outcome, ReadOutcome::Loaded);
    EXPECT_EQ(read.Record.Rate, c.rate_read);
    EXPECT_EQ(read.Record.ChannelCount, c.count_read);
    // The slices follow the two channels with codes, whatever the count byte says.
    EXPECT_EQ(read.Record.Channels[1].Codes.size(), 100u);
  }
}

TEST(BinaryRecordCapacity, LongChannelsKeepOneCodeLessThanTheirShareAndTheNextStartsInPlace) {
  RecordedView rec({1, 1, 1}, 12000, 3 * 12000);
  const auto bytes = Save(rec.view);
  const struct {
    std::uint32_t capacity;
    std::size_t kept;
  } cases[] = {{36000, 12000}, {30000, 9999}, {3, 0}};
  for (const auto& c : cases) {
    const auto read = Read(bytes, c.capacity);
    ASSERT_EQ(read.Outcome, c.kept > 0 ? ReadOutcome::Loaded : ReadOutcome::Refused);
    for (std::size_t k = 0; c.kept > 0 && k < 3; ++k) {
      ASSERT_EQ(read.Record.Channels[k].Codes.size(), c.kept);
      EXPECT_EQ(read.Record.Channels[k].Codes[0], static_cast<std::int16_t>(1000 * k));
    }
  }
}

// Every hazard of a damaged or hostile file: what the reader makes of it, and the codes it keeps.
TEST(BinaryRecordDamage, EachHazardIsRefusedOrKeptWithinBounds) {
  RecordedView rec({1, 35, 7}, 1000);
  rec.view.Channel(3).SensorCode = 200;  // a hidden channel's kind is not checked
  rec.view.RecordRate = 100;             // rate windows of 500 samples: 26 history entries fit
  rec.view.Channel(1).RateDetector.History.assign(30, 60);
  rec.view.Channel(1).RateDetector.HistoryCount = 10;
  const auto good = Save(rec.view);
  const std::size_t block1 = kFirstBlock + kBaseBlock, block2 = block1 + kBaseBlock + 8;
  const std::size_t tail = block2 + kBaseBlock + 4 + kBaseBlock;
  const std::size_t codes = tail + 8;
  using Mutation = std::function<void(std::vector<std::uint8_t>&)>;
  auto cut = [](std::size_t size) { return Mutation([size](auto& b) { b.resize(size); }); };
  const struct {
    const char* name;
    Mutation mutate;
    ReadOutcome outcome;
    std::array<std::size_t, 3> kept;
  } cases[] = {
      {"magic only", cut(4), ReadOutcome::NotARecord, {}},
      {"other magic", [](auto& b) { b[3] = 'X'; }, ReadOutcome::NotARecord, {}},
      {"version 3", [](auto& b) { b[4] = '3'; }, ReadOutcome::NotARecord, {}},
      {"version first", [](auto& b) { b.insert(b.begin(), '2'); }, ReadOutcome::NotARecord, {}},
      {"header cut", cut(9), ReadOutcome::Refused, {}},
      {"block cut", cut(block2 + 20), ReadOutcome::Refused, {}},
      {"count cut", cut(tail + 6), ReadOutcome::Refused, {}},
      {"no codes", cut(codes), ReadOutcome::Refused, {}},
      {"N of 0", [=](auto& b) { PutU32(b, tail, 0); }, ReadOutcome::Refused, {}},
      {"unknown kind", [=](auto& b) { b[block1 + 1] = 89; }, ReadOutcome::Refused, {}},
      {"NaN offset", [=](auto& b) { PutF32(b, block1 + 6, std::nanf("")); }, ReadOutcome::Refused, {}},
      {"infinite gain", [=](auto& b) { PutF32(b, block2 + 49, INFINITY); }, ReadOutcome::Refused, {}},
      {"flag of 2", [=](auto& b) { b[block1 + 32] = 2; }, ReadOutcome::Refused, {}},
      {"curve mode 0", [=](auto& b) { b[block1 + 44] = 0; }, ReadOutcome::Refused, {}},
      {"codes cut short", cut(codes + 2000 + 1001), ReadOutcome::Loaded, {1000, 500, 0}},
      {"history cut", cut(good.size() - 1), ReadOutcome::Loaded, {1000, 1000, 1000}},
      {"codes cut", cut(good.size() - 21), ReadOutcome::Loaded, {1000, 1000, 999}},
      {"huge N", [=](auto& b) { PutU32(b, tail, 0xFFFFFFFF); }, ReadOutcome::Loaded, {3010, 0, 0}},
      {"huge history", [=](auto& b) { PutU32(b, block1 + 49, 0xFFFFFFFF); }, ReadOutcome::Loaded, {1000, 1000, 1000}},
      {"huge windows", [=](auto& b) { b[block1 + 35] = b[block1 + 37] = 0xFF; }, ReadOutcome::Loaded, {1000, 1000, 1000}},
  };
  for (const auto& c : cases) {
    auto bytes = good;
    c.mutate(bytes);
    const auto read = Read(bytes);
    ASSERT_EQ(read.Outcome, c.outcome) << c.name;
    if (c.outcome != ReadOutcome::Loaded) continue;
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_EQ(read.Record.Channels[k].Codes.size(), c.kept[k]) << c.name << " channel " << k;
      EXPECT_LE(read.Record.Channels[k].Settings.MedianWindow, records::kLargestFilterWindow);
      EXPECT_LE(read.Record.Channels[k].History.size(), kCapacity / 3 / 500);
    }
  }
}

}  // namespace
