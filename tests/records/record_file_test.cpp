// Tests of the binary record file: layout, versions, damaged files, and the record's hand-over to the view.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <numeric>

#include "record_test_support.h"
#include "records/binary_record.h"

namespace {

using namespace recordtest;
using records::ReadOutcome;

constexpr std::size_t kBlocks = 10;  // where the first channel block starts
constexpr std::size_t kBlock = 49;   // a block without the kind's own fields

std::vector<std::uint8_t> Save(const GraphView& view) { return records::WriteBinaryRecord(view, {0, view.LastSampleIndex + 1}); }
records::BinaryRead Read(const std::vector<std::uint8_t>& bytes, std::uint32_t capacity = kCapacity) {
  return records::ReadBinaryRecord(records::MemorySource(bytes), capacity);
}
template <typename T> void Put(std::vector<std::uint8_t>& b, std::size_t at, T v) { std::memcpy(&b[at], &v, sizeof v); }
std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24;
}

TEST(RecordFileLayout, ThreeChannelsOfAThousandSamplesAndTheBlockOfEachKind) {
  RecordedView rec({1, 1, 1}, 1000);
  const auto bytes = Save(rec.view);
  ASSERT_EQ(bytes.size(), 6214u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), "PELN2");
  // Rate, shown channels, the empty channel's count of codes saved, N, the last index.
  EXPECT_EQ(std::tuple(U32At(bytes, 5), bytes[9], U32At(bytes, kBlocks + 3 * kBlock + 2), U32At(bytes, 206), U32At(bytes, 210)),
            std::tuple(1000u, 3, 0u, 1000u, 999u));
  RecordedView kinds({37, 40, 8}, 30);  // 35 and 7 are laid out in the damage test's file
  EXPECT_EQ(Save(kinds.view).size(), kBlocks + 57 + 57 + 53 + kBlock + 8 + 3 * 60);
}

// A version '2' file as an older one writes it: no curve fields, and for '0' no running extremes.
std::vector<std::uint8_t> AsVersion(const std::vector<std::uint8_t>& v2, char version) {
  if (version == '2') return v2;
  std::vector<std::uint8_t> out(v2.begin(), v2.begin() + kBlocks);
  out[4] = static_cast<std::uint8_t>(version);
  std::size_t at = kBlocks;
  for (int k = 0; k < 4; ++k) {
    const std::uint8_t kind = v2[at + 1];
    const std::size_t size = kBlock + (kind == 35 || kind == 37 || kind == 40 ? 8 : kind == 7 || kind == 8 ? 4 : 0);
    out.insert(out.end(), v2.begin() + at, v2.begin() + at + (version == '0' ? 39 : 43));
    out.insert(out.end(), v2.begin() + at + 45, v2.begin() + at + size);
    at += size;
  }
  out.insert(out.end(), v2.begin() + at, v2.end());
  return out;
}

TEST(RecordFileVersions, OlderLayoutsReadWithTheirDefaultsAndTheSameKindFields) {
  RecordedView rec({7, 35, 1}, 50);
  for (VessamorChannel* ch : {&rec.view.Channel(0), &rec.view.Channel(1), &rec.view.Channel(2)})
    ch->CurveMode = 2, ch->CurveSmoothOn = 1, ch->RunMax = 3000, ch->RunMin = 5, ch->RateDetector.Rate = 72.5f;
  for (const char version : {'2', '1', '0'}) {
    const auto read = Read(AsVersion(Save(rec.view), version));
    ASSERT_EQ(read.Outcome, ReadOutcome::Loaded) << version;
    // Only the rate kind (35) keeps a derived rate; the others are written with none.
    for (const auto& c : {read.Record.Channels[0], read.Record.Channels[1], read.Record.Channels[2]}) {
      const float rate = c.Settings.SensorCode == 35 ? 72.5f : 0.0f;
      EXPECT_EQ(std::tuple(c.Settings.CurveMode, c.Settings.CurveSmoothOn, c.Settings.RunMax, c.Settings.DerivedRate, c.Codes.size()),
                std::tuple(version == '2' ? 2 : 1, version == '2' ? 1 : 0, version == '0' ? -1 : 3000, rate, 50u));
    }
    RecordedView loaded({}, 1);  // without running extremes the second code stands in
    records::ApplyLoadedRecord(loaded.view, read.Record, "v.out");
    EXPECT_EQ(loaded.view.Channel(2).RunMax, version == '0' ? 2001 : 3000);
  }
}

// Every hazard of a damaged or hostile file: what the reader makes of it and what it keeps.
TEST(RecordFileDamage, EachHazardIsRefusedOrKeptWithinBounds) {
  RecordedView rec({1, 35, 7}, 1000);
  rec.view.Channel(3).SensorCode = 200;  // a hidden channel's kind is not checked
  rec.view.RecordRate = 100;             // windows of 500 samples: 26 history entries fit a share
  rec.view.Channel(1).RateDetector.History.assign(30, 60), rec.view.Channel(1).RateDetector.HistoryCount = 10;
  const auto good = Save(rec.view);
  const std::size_t b1 = kBlocks + kBlock, b2 = b1 + kBlock + 8, n = b2 + kBlock + 4 + kBlock, codes = n + 8;
  using Mutation = std::function<void(std::vector<std::uint8_t>&)>;
  auto cut = [](std::size_t size) { return Mutation([size](auto& b) { b.resize(size); }); };
  const struct {
    const char* name;
    Mutation mutate;
    ReadOutcome outcome;
    std::array<std::size_t, 3> kept;
    std::uint32_t rate = 100, count = 3, capacity = kCapacity;  // beyond its share a channel keeps the share less one
  } cases[] = {
      {"version 3", [](auto& b) { b[4] = '3'; }, ReadOutcome::NotARecord, {}},
      {"version first", [](auto& b) { b.insert(b.begin(), '2'); }, ReadOutcome::NotARecord, {}},
      {"header cut", cut(9), ReadOutcome::Refused, {}},
      {"block cut", cut(b2 + 20), ReadOutcome::Refused, {}},
      {"no codes", cut(codes), ReadOutcome::Refused, {}},
      {"N of 0", [=](auto& b) { Put<std::uint32_t>(b, n, 0); }, ReadOutcome::Refused, {}},
      {"unknown kind", [=](auto& b) { b[b1 + 1] = 89; }, ReadOutcome::Refused, {}},
      {"NaN offset", [=](auto& b) { Put(b, b1 + 6, std::nanf("")); }, ReadOutcome::Refused, {}},
      {"infinite gain", [=](auto& b) { Put(b, b2 + 49, INFINITY); }, ReadOutcome::Refused, {}},
      {"codes cut short", cut(codes + 2000 + 1001), ReadOutcome::Loaded, {1000, 500, 0}},
      {"history cut", cut(good.size() - 1), ReadOutcome::Loaded, {1000, 1000, 1000}},
      {"huge N", [=](auto& b) { Put<std::uint32_t>(b, n, 0xFFFFFFFF); }, ReadOutcome::Loaded, {3010, 0, 0}},
      {"huge history", [=](auto& b) { Put<std::uint32_t>(b, b1 + 49, 0xFFFFFFFF); }, ReadOutcome::Loaded, {1000, 1000, 1000}},
      {"huge windows", [=](auto& b) { b[b1 + 35] = b[b1 + 37] = 0xFF; }, ReadOutcome::Loaded, {1000, 1000, 1000}},
      {"rate too high", [](auto& b) { Put<std::uint32_t>(b, 5, 250000), b[9] = 7; }, ReadOutcome::Loaded, {1000, 1000, 1000}, 1000, 1},
      {"rate 0", [](auto& b) { Put<std::uint32_t>(b, 5, 0), b[9] = 0; }, ReadOutcome::Loaded, {1000, 1000, 1000}, 1000, 1},
      {"small share", [](auto&) {}, ReadOutcome::Loaded, {799, 799, 799}, 100, 3, 2400},
      {"no share", [](auto&) {}, ReadOutcome::Refused, {}, 100, 3, 2},
  };
  for (const auto& c : cases) {
    auto bytes = good;
    c.mutate(bytes);
    const auto read = Read(bytes, c.capacity);
    ASSERT_EQ(read.Outcome, c.outcome) << c.name;
    if (c.outcome != ReadOutcome::Loaded) continue;
    EXPECT_EQ(std::tuple(read.Record.Rate, read.Record.ChannelCount), std::tuple(c.rate, c.count)) << c.name;
    for (std::size_t k = 0; k < 3; ++k) {
      const records::LoadedChannel& ch = read.Record.Channels[k];
      EXPECT_EQ(ch.Codes.size(), c.kept[k]) << c.name << " channel " << k;
      EXPECT_TRUE(ch.Codes.empty() || ch.Codes[0] == static_cast<std::int16_t>(1000 * k));  // each from its own start
      EXPECT_LE(ch.Settings.MedianWindow, records::kLargestFilterWindow);
      EXPECT_LE(ch.History.size(), c.capacity / 3 / 500);
    }
  }
  auto odd = good;
  odd[b1 + 32] = 2, odd[b1 + 44] = 7;  // a flag byte of 2 is set, an unknown curve mode draws straight lines
  EXPECT_EQ(std::tuple(Read(odd).Record.Channels[1].Settings.MedianOn, Read(odd).Record.Channels[1].Settings.CurveMode), std::tuple(1, 1));
}

records::LoadedRecord ReadBack(const GraphView& source) { return Read(Save(source)).Record; }

auto Settings(const VessamorChannel& c) {
  return std::tuple(c.DeviceTypeCode, c.SensorCode, c.ZeroOffset, c.ZeroOffset2, c.EnteredValue, c.FineOffset,
                    c.FineOffset2, c.FineOffsetOn, c.FineOffset2On, c.ZeroOffsetOn, c.EnteredValueSet, c.MedianOn,
                    c.MedianWindow, c.SmoothingOn, c.SmoothingWindow, c.NoClamp, c.CurveSmoothOn, c.CurveMode,
                    c.RunMax, c.RunMin, c.Enabled, c.Shown, c.Gain);
}

TEST(LoadedRecord, AFullFourChannelRecordComesBackWithEveryCodeAndSetting) {
  RecordedView rec({7, 35, 26, 40}, kCapacity / 4);
  rec.view.RecordRate = 100;
  for (std::uint8_t k = 0; k < 4; ++k) {
    VessamorChannel& ch = rec.view.Channel(k);
    ch.SensorCode = std::array{7, 35, 26, 40}[k], ch.DeviceTypeCode = k + 1, rec.view.SetupChannels(0, k);  // the kind's conversion
    ch.ZeroOffset = k + 0.5f, ch.ZeroOffset2 = k + 1.5f, ch.EnteredValue = k + 2.5f;
    ch.FineOffset = -256 * (k + 1), ch.FineOffset2 = 512, ch.FineOffsetOn = ch.FineOffset2On = 1;
    ch.ZeroOffsetOn = ch.EnteredValueSet = ch.MedianOn = ch.CurveSmoothOn = 1, ch.CurveMode = 2;
    ch.MedianWindow = 5 + k, ch.SmoothingOn = k % 2, ch.SmoothingWindow = 20 + k, ch.NoClamp = k == 2;
    ch.ConfigureFilter();
    ch.RunMax = 4000 + k, ch.RunMin = -60 - k, ch.RateDetector.Rate = 60.5f + k;  // below 0 with an offset
    ch.RateDetector.History.resize(20), ch.RateDetector.HistoryCount = k == 1 ? 20 : 12;
    std::iota(ch.RateDetector.History.begin(), ch.RateDetector.History.end(), static_cast<std::uint16_t>(k * 100));
  }
  rec.view.Channel(0).Gain = 1.5f;
  RecordedView loaded({}, 1);
  for (std::uint8_t k = 0; k < 4; ++k) loaded.view.Channel(k).SensorCode = 1, loaded.view.SetupChannels(0, k);  // live units of another kind
  records::ApplyLoadedRecord(loaded.view, ReadBack(rec.view), "full.out");
  EXPECT_EQ(std::tie(loaded.view.RecordRate, loaded.view.LastSampleIndex), std::tuple(100u, kCapacity / 4 - 1));
  for (std::size_t k = 0; k < 4; ++k) {
    const VessamorChannel& a = rec.view.Channel(k);
    const VessamorChannel& b = loaded.view.Channel(k);
    ASSERT_EQ(b.CodeCount, a.CodeCount);
    EXPECT_TRUE(std::equal(a.Codes, a.Codes + a.CodeCount, b.Codes)) << k;
    EXPECT_EQ(Settings(b), Settings(a)) << k;
    for (const std::uint32_t i : {0u, 4321u, a.CodeCount - 1}) EXPECT_EQ(b.ValueAtIndex(i), a.ValueAtIndex(i)) << k;  // the record's kinds
  }
  // Rate kinds restart with their rate and as much history as a share holds (20 windows of 5 s,
  // 6 of 15 s at 100 Hz): a full history comes back whole.
  for (const auto& [k, count] : {std::pair{1u, 20u}, {3u, 6u}}) {
    const RateDetectorState& d = loaded.view.Channel(k).RateDetector;
    EXPECT_EQ(std::tie(d.Rate, d.HistoryCount, d.Started), std::tuple(60.5f + k, count, 0)) << k;
    EXPECT_EQ(d.Entry(count - 1), k * 100 + count - 1);
  }
}

TEST(LoadedRecord, ALoadSetsTheViewUpFromTheChannelsWithCodes) {
  const struct {
    std::vector<std::uint16_t> kinds;
    std::size_t hidden;  // a channel hidden before the save comes back hidden, without codes
    std::uint16_t view_kind, two_channel_text;
    std::array<std::uint8_t, 4> firsts;  // first-of-sensor flags
  } cases[] = {{{46, 46}, 9, 46, 1, {1, 0, 0, 0}}, {{46, 26, 46}, 9, 46, 0, {1, 1, 0, 0}}, {{1, 46, 26}, 0, 46, 1, {0, 1, 1, 0}}};
  for (const auto& c : cases) {
    RecordedView rec(c.kinds, 500);
    if (c.hidden < 4) rec.view.Channel(c.hidden).Shown = 0;
    RecordedView loaded({}, 1);
    int saves = 0, headers = 0;
    loaded.view.SetupHooks.SaveSetupToReference = [&] { ++saves; };
    loaded.view.SetupHooks.SetupGraphHeader = [&] { ++headers; };
    loaded.view.SetupHooks.CountMarkedPoints = [] { return 2u; };
    const auto applied = records::ApplyLoadedRecord(loaded.view, ReadBack(rec.view), "a.out");
    records::ApplyLoadedRecord(loaded.view, ReadBack(rec.view), "a.out");  // keeps the first load's kept set-up
    EXPECT_EQ(std::tie(saves, headers, applied.MarkersCleared), std::tuple(1, 2, 2u));
    EXPECT_EQ(std::tie(loaded.view.SensorCode, loaded.view.TwoChannelText, loaded.view.LastSampleIndex),
              std::tuple(c.view_kind, c.two_channel_text, 499u));
    EXPECT_EQ(std::tie(loaded.view.RecordViewable, loaded.view.LiveSetupKept, loaded.view.RecordName), std::tuple(1, 1, "a.out"));
    for (std::size_t k = 0; k < 4; ++k) {
      const VessamorChannel& ch = loaded.view.Channel(k);
      EXPECT_EQ(std::tuple(ch.FirstOfSensor, ch.Shown), std::tuple(c.firsts[k], k < c.kinds.size() && k != c.hidden)) << k;
      EXPECT_TRUE(ch.Shown == 0 || ch.OwnScale == (ch.SensorCode != c.view_kind));  // 46 and 26 have different spans
    }
    // Channel 0's columns reach the record's last sample and no further.
    const ColumnRecord& last = loaded.view.Channel(0).Columns[loaded.view.LastShownColumn];
    EXPECT_EQ(last.FirstSample + last.SampleCount, 500u);
  }
}

}  // namespace
