// Tests of a record's hand-over to the view: the round trip of every setting and the view set up after a load.
#include <gtest/gtest.h>

#include "record_test_support.h"
#include "records/binary_record.h"

namespace {

using namespace recordtest;

records::LoadedRecord ReadBack(const GraphView& source, std::uint32_t capacity) {
  const auto bytes = records::WriteBinaryRecord(source, {0, source.LastSampleIndex + 1});
  auto read = records::ReadBinaryRecord(records::MemorySource(bytes), capacity);
  EXPECT_EQ(read.Outcome, records::ReadOutcome::Loaded);
  return read.Record;
}

TEST(LoadedRecordRoundTrip, FullFourChannelRecordComesBackWithEveryCodeAndSetting) {
  RecordedView rec({7, 35, 26, 40}, kCapacity / 4);
  rec.view.RecordRate = 100;
  for (std::size_t k = 0; k < 4; ++k) {
    VessamorChannel& ch = rec.view.Channel(k);
    const float f = static_cast<float>(k) + 0.5f;
    ch.DeviceTypeCode = static_cast<std::uint8_t>(k + 1);
    ch.ZeroOffset = f, ch.ZeroOffset2 = 2 * f, ch.EnteredValue = 3 * f;
    ch.FineOffset = -256 * static_cast<std::int32_t>(k + 1), ch.FineOffset2 = 512;
    ch.FineOffsetOn = ch.FineOffset2On = ch.ZeroOffsetOn = ch.EnteredValueSet = 1;
    ch.MedianOn = 1, ch.MedianWindow = static_cast<std::uint16_t>(5 + k);
    ch.SmoothingOn = k % 2, ch.SmoothingWindow = static_cast<std::uint16_t>(20 + k);
    ch.NoClamp = k == 2, ch.CurveSmoothOn = 1, ch.CurveMode = 2;
    ch.RunMax = 4000 + static_cast<std::int32_t>(k), ch.RunMin = static_cast<std::int32_t>(k);
    ch.RateDetector.Rate = 60.0f + f;
    ch.RateDetector.History.assign(20, 0);
    for (std::uint16_t i = 0; i < 20; ++i) ch.RateDetector.History[i] = static_cast<std::uint16_t>(k * 100 + i);
    ch.RateDetector.HistoryCount = 12;
  }
  rec.view.Channel(0).Gain = 1.5f;
  RecordedView loaded({}, 1);
  records::ApplyLoadedRecord(loaded.view, ReadBack(rec.view, kCapacity), "full.out");
  EXPECT_EQ(loaded.view.RecordRate, 100u);
  EXPECT_EQ(loaded.view.LastSampleIndex, kCapacity / 4 - 1);
  for (std::size_t k = 0; k < 4; ++k) {
    const VessamorChannel& a = rec.view.Channel(k);
    const VessamorChannel& b = loaded.view.Channel(k);
    ASSERT_EQ(b.CodeCount, a.CodeCount);
    EXPECT_TRUE(std::equal(a.Codes, a.Codes + a.CodeCount, b.Codes)) << k;
    EXPECT_EQ(std::tie(b.DeviceTypeCode, b.SensorCode, b.ZeroOffset, b.ZeroOffset2, b.EnteredValue, b.FineOffset,
                       b.FineOffset2, b.FineOffsetOn, b.FineOffset2On, b.ZeroOffsetOn, b.EnteredValueSet),
              std::tie(a.DeviceTypeCode, a.SensorCode, a.ZeroOffset, a.ZeroOffset2, a.EnteredValue, a.FineOffset,
                       a.FineOffset2, a.FineOffsetOn, a.FineOffset2On, a.ZeroOffsetOn, a.EnteredValueSet));
    EXPECT_EQ(std::tie(b.MedianOn, b.MedianWindow, b.SmoothingOn, b.SmoothingWindow, b.NoClamp, b.CurveSmoothOn,
                       b.CurveMode, b.RunMax, b.RunMin),
              std::tie(a.MedianOn, a.MedianWindow, a.SmoothingOn, a.SmoothingWindow, a.NoClamp, a.CurveSmoothOn,
                       a.CurveMode, a.RunMax, a.RunMin));
    EXPECT_EQ(b.Enabled + b.Shown + b.SavedShown, 3);
  }
  EXPECT_EQ(loaded.view.Channel(0).Gain, 1.5f);
  // The rate kinds bring their rate and history back, at most one entry less than the history a
  // channel's share holds (20 windows of 5 s, 6 of 15 s at 100 Hz), and restart their detectors.
  for (const auto& [k, count] : {std::pair{1u, 12u}, std::pair{3u, 5u}}) {
    const RateDetectorState& d = loaded.view.Channel(k).RateDetector;
    EXPECT_EQ(d.Rate, rec.view.Channel(k).RateDetector.Rate);
    EXPECT_EQ(d.HistoryCount, count);
    EXPECT_EQ(d.Entry(count - 1), k * 100 + count - 1);
    EXPECT_EQ(d.Started, 0);
    EXPECT_EQ(loaded.view.Channel(k).RateMode, 1);
  }
}

TEST(LoadedRecordView, ALoadSetsTheViewUpFromTheChannelsWithCodes) {
  struct Case {
    std::vector<std::uint16_t> kinds;
    std::uint8_t hidden;  // index of a channel hidden before the save, or 9
    std::uint16_t view_kind;
    std::array<std::uint8_t, 4> firsts;
    std::uint8_t two_channel_text;
  } cases[] = {
      {{46, 46}, 9, 46, {1, 0, 0, 0}, 1},
      {{46, 26, 46}, 9, 46, {1, 1, 0, 0}, 0},
      {{1, 46, 26}, 0, 46, {0, 1, 1, 0}, 1},  // the hidden channel comes back hidden, without codes
  };
  for (const Case& c : cases) {
    RecordedView rec(c.kinds, 500);
    if (c.hidden < 4) rec.view.Channel(c.hidden).Shown = 0;
    RecordedView loaded({}, 1);
    loaded.view.Markers[0].Set = 1;
    int saves = 0, headers = 0;
    loaded.view.SetupHooks.SaveSetupToReference = [&] { ++saves; };
    loaded.view.SetupHooks.SetupGraphHeader = [&] { ++headers; };
    loaded.view.SetupHooks.CountMarkedPoints = [&] { return 1u; };
    const auto applied = records::ApplyLoadedRecord(loaded.view, ReadBack(rec.view, kCapacity), "a.out");
    // A second load keeps the live set-up kept by the first.
    records::ApplyLoadedRecord(loaded.view, ReadBack(rec.view, kCapacity), "a.out");
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(headers, 2);
    EXPECT_EQ(applied.MarkersCleared, 1u);
    EXPECT_EQ(loaded.view.LiveSetupKept, 1);
    EXPECT_EQ(loaded.view.SensorCode, c.view_kind);
    EXPECT_EQ(loaded.view.TwoChannelText, c.two_channel_text);
    EXPECT_EQ(loaded.view.RecordViewable, 1);
    EXPECT_EQ(loaded.view.RecordName, "a.out");
    EXPECT_EQ(loaded.view.LastSampleIndex, 499u);
    for (std::size_t k = 0; k < 4; ++k) {
      const VessamorChannel& ch = loaded.view.Channel(k);
      EXPECT_EQ(ch.FirstOfSensor, c.firsts[k]) << k;
      EXPECT_EQ(ch.Shown, k < c.kinds.size() && k != c.hidden);
      // Kinds 46 and 26 have different default spans.
      if (ch.Shown != 0) {
        EXPECT_EQ(ch.OwnScale, ch.SensorCode != c.view_kind);
      }
    }
    // Channel 0's columns reach the record's last sample and no further.
    const ColumnRecord& last = loaded.view.Channel(0).Columns[loaded.view.LastShownColumn];
    EXPECT_EQ(last.FirstSample + last.SampleCount, 500u);
  }
}

TEST(LoadedRecordView, ARecordOfTwentySamplesOrFewerIsTakenInButNotShown) {
  RecordedView rec({1}, 20);
  RecordedView loaded({}, 1);
  const auto applied = records::ApplyLoadedRecord(loaded.view, ReadBack(rec.view, kCapacity), "short.out");
  EXPECT_FALSE(applied.ViewSetUp);
  EXPECT_EQ(loaded.view.LastSampleIndex, 19u);
  EXPECT_EQ(loaded.view.RecordName, "");
}

}  // namespace
