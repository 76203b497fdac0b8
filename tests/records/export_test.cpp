// Tests of the text and spreadsheet records: exact bytes, padding, per-second and history rows, the
// sheet's cells, row cap and labels, and the text import's checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/cp1251.h"
#include "record_test_support.h"
#include "records/sheet_record.h"
#include "records/text_record.h"

namespace {

using platform::Utf8ToCp1251;
using recordtest::RecordedView;
using Cell = std::pair<int, int>;  // row, column

// Every enabled channel unfiltered, read as code / 100, quantity "U" in "В", with codes code_of(k, i).
template <class CodeOf>
void MakePlain(GraphView& view, std::uint32_t rate, CodeOf code_of) {
  view.RecordRate = rate;
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    VessamorChannel& ch = view.Channel(k);
    ch.SmoothingOn = ch.MedianOn = 0;
    ch.ConfigureFilter();
    ch.RawToValueFn = [](std::int16_t c, const VessamorChannel*) { return c * 0.01f; };
    ch.Symbol = "U";
    ch.Unit = "В";
    for (std::uint32_t i = 0; i < ch.CodeCount; ++i) ch.Codes[i] = static_cast<std::int16_t>(code_of(k, i));
  }
}

// A sheet's cells: a label's code page 1251 text or a number; BOF, code page and EOF checked.
struct ReadSheet {
  explicit ReadSheet(const std::string& bytes) {
    EXPECT_EQ(bytes.substr(0, 18), std::string("\x09\x08\x08\x00\x05\x00\x10\x00\0\0\0\0\x42\x00\x02\x00\xE3\x04", 18));
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\x0A\x00\x00\x00", 4));
    const auto byte = [&](std::size_t at) { return static_cast<std::uint8_t>(bytes[at]); };
    const auto word = [&](std::size_t at) { return byte(at) | byte(at + 1) << 8; };
    for (std::size_t at = 18; at + 4 < bytes.size(); at += 4 + word(at + 2)) {
      const Cell cell{word(at + 4), word(at + 6)};
      if (word(at) == 3) std::memcpy(&numbers[cell], bytes.data() + at + 11, 8);
      else labels[cell] = bytes.substr(at + 12, word(at + 2) - 8);
      EXPECT_EQ(word(at + 2), word(at) == 3 ? 15 : byte(at + 11) + 8);
    }
  }
  std::map<Cell, std::string> labels;
  std::map<Cell, double> numbers;
};

TEST(SheetExport, TwentySamplesGiveHeadsAndEveryRow) {
  RecordedView r({0}, 20);
  MakePlain(r.view, 1000, [](std::size_t, std::uint32_t i) { return i * 10; });
  const ReadSheet sheet(records::WriteSheetRecord(r.view, {0, 20}, false));
  const std::map<Cell, std::string> labels{
      {{0, 4}, "Частота,Гц"}, {{2, 1}, "Канал 1"}, {{3, 0}, "время,сек"}, {{3, 1}, "U,В"}};
  ASSERT_EQ(sheet.labels.size(), labels.size());
  for (const auto& [cell, text] : labels) EXPECT_EQ(sheet.labels.at(cell), Utf8ToCp1251(text));
  EXPECT_EQ(sheet.numbers.size(), 41u);
  EXPECT_EQ(sheet.numbers.at({1, 4}), 1000.0);
  for (int i = 0; i < 20; ++i) {
    EXPECT_DOUBLE_EQ(sheet.numbers.at({5 + i, 0}), i / 1000.0);
    EXPECT_FLOAT_EQ(sheet.numbers.at({5 + i, 1}), i * 0.1f);
  }
}

TEST(SheetExport, ColumnsFollowChannelsRowsStopAtTheCapAndLabelsStayWhole) {
  const struct {
    std::uint16_t code;
    std::uint32_t rate, samples;
    std::size_t rows;
  } cases[] = {{0, 1000, 70000, 65530}, {64, 40, 140000, 65530}, {64, 40, 1000, 500}};
  for (const auto& c : cases) {
    RecordedView r({c.code}, c.samples, 140000);
    r.view.RecordRate = c.rate;
    const ReadSheet sheet(records::WriteSheetRecord(r.view, {0, c.samples}, true));
    EXPECT_EQ(sheet.numbers.size(), 1 + 2 * c.rows) << c.samples;
    EXPECT_EQ(sheet.numbers.rbegin()->first.first, 4 + c.rows);
  }
  RecordedView r({1, 1, 1}, 30);
  MakePlain(r.view, 100, [](std::size_t k, std::uint32_t i) { return k * 100 + i; });
  const std::string unit = "абвгдежзийклмнопрстуфхцчшщъыьэюяABCDEF";  // 38 letters
  r.view.Channel(2).Unit = unit;
  r.view.Channel(0).Unit = std::string(300, 'x');
  r.view.Channel(1).Shown = 0;
  const ReadSheet sheet(records::WriteSheetRecord(r.view, {0, 30}, false));
  EXPECT_EQ(sheet.labels.at({3, 3}), Utf8ToCp1251("U," + unit));
  EXPECT_EQ(sheet.labels.at({3, 1}), "U," + std::string(253, 'x'));
  for (int row = 0; row < 40; ++row) EXPECT_FALSE(sheet.numbers.count({row, 2}) || sheet.labels.count({row, 2}));
  EXPECT_EQ(sheet.numbers.at({5 + 29, 3}), 2.29);  // the float's shortest decimal, no float noise
}

TEST(SheetExport, ARateChannelAloneGivesItsHistoryEntriesAtTheirEndSeconds) {
  RecordedView r({35}, 15000);
  VessamorChannel& ch = r.view.Channel(0);
  ch.RateMode = 1;
  ch.RateDetector.WindowLength = 5000;  // 5 s at 1000 Hz
  ch.HistoryStepSeconds = 15;            // left by an earlier kind
  ch.RateDetector.History.assign(2, 0);
  ch.RateDetector.HistoryCount = 2;
  ch.RateValueAtFn = [](const VessamorChannel*, std::uint32_t entry) { return 60.0f + entry; };
  const ReadSheet sheet(records::WriteSheetRecord(r.view, {0, 15000}, false));
  EXPECT_EQ(sheet.labels.at({0, 4}), Utf8ToCp1251("Частота,сек"));
  const std::map<Cell, double> numbers{{{1, 4}, 5}, {{5, 0}, 5}, {{5, 1}, 60}, {{6, 0}, 10}, {{6, 1}, 61}};
  EXPECT_EQ(sheet.numbers, numbers);
  // The text takes its range's entries; one beyond the history reads the last.
  const std::string rows = "00005      60.000  \r\n00010      61.000  \r\n00015      61.000  \r\nend of record\r\n";
  EXPECT_EQ(records::WriteTextRecord(r.view, {0, 15000}, true),
            Utf8ToCp1251("Frequency 5 s\r\n\r\ntime,s     chn.1   \r\n           А,      \r\n" + rows));
}

TEST(TextExport, RussianRecordIsCodePage1251WithCrLfAndEveryRowWhateverTheLocale) {
  const std::string locale = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "ru_RU.UTF-8");  // a comma as decimal separator, where the system has it
  RecordedView r({0}, 20);
  MakePlain(r.view, 1000, [](std::size_t, std::uint32_t i) { return i * 10; });
  std::string expected = "Частота 1000Гц\r\n\r\nвремя,сек  кан.1   \r\n           U,В     \r\n";
  for (int i = 0; i < 20; ++i) {
    const std::string ms = std::to_string(100 + i).substr(1);
    expected += "0.0" + ms + "00    " + std::to_string(i / 10) + "." + std::to_string(i % 10) + "00   \r\n";
  }
  const std::string text = records::WriteTextRecord(r.view, {0, 20}, false);
  EXPECT_EQ(text, Utf8ToCp1251(expected + "конец записи\r\n"));
  EXPECT_EQ(text.substr(0, 9), "\xD7\xE0\xF1\xF2\xEE\xF2\xE0 1");
  std::setlocale(LC_ALL, locale.c_str());
}

// A long record's text goes out in pieces of whole rows, a mebibyte or so each, that together are
// the export made whole; the rows counted rise to the total; a refused piece ends it.
TEST(TextExport, StreamedPiecesOfWholeRowsMakeTheWholeExport) {
  // Locked: the stream takes the view lock itself and reads the codes from copies it takes under it.
  for (const auto& [two_channel, locked] : {std::pair{false, false}, {true, false}, {false, true}, {true, true}}) {
    RecordedView r({1, 1}, 100000, 200000);
    MakePlain(r.view, 1000, [](std::size_t k, std::uint32_t i) { return (i * 7 + k * 300) % 4000; });
    r.view.TwoChannelText = two_channel ? 1 : 0;
    std::string joined;
    std::vector<std::uint64_t> done;
    std::uint64_t total = 0;
    EXPECT_TRUE(records::StreamTextRecord(r.view, {0, 100000}, true, [&](std::string_view piece, std::uint64_t rows, std::uint64_t all) {
      EXPECT_TRUE(!locked || r.view.ViewLock.try_lock()) << "a piece handed over under the view lock";
      if (locked) r.view.ViewLock.unlock();
      EXPECT_LE(piece.size(), (1u << 20) + 200);
      EXPECT_TRUE(piece.ends_with("\r\n"));
      joined += piece, done.push_back(rows), total = all;
      return true;
    }, locked ? &r.view.ViewLock : nullptr));
    EXPECT_EQ(joined, two_channel ? records::WriteTextRecordAlt(r.view, {0, 100000}, true, false)
                                  : records::WriteTextRecord(r.view, {0, 100000}, true));
    EXPECT_GE(done.size(), two_channel ? 1u : 2u);
    EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
    EXPECT_EQ(done.back(), total);
    int pieces = 0;
    EXPECT_FALSE(records::StreamTextRecord(r.view, {0, 100000}, true, [&](std::string_view, std::uint64_t, std::uint64_t) {
      return ++pieces, false;
    }));
    EXPECT_EQ(pieces, 1);
  }
}

TEST(TextExport, LongUnitsAndValuesKeepTheirColumnsApart) {
  const struct {
    std::string unit;
    std::int16_t code;
    std::uint16_t decimals;
    std::string head_end, row_end;
  } cases[] = {
      {"мл/сек", 5, 2, "U,мл/сек \r\n", "0.050   \r\n"},
      {"м²", 6614, 2, "U,м?    \r\n", "66.140  \r\n"},  // no "²" in the code page
      {"В", 30000, 3, "U,В     \r\n", "300.0000 \r\n"},  // a blank still ends a full cell
  };
  for (const auto& c : cases) {
    RecordedView r({1}, 2);
    MakePlain(r.view, 1000, [&](std::size_t, std::uint32_t) { return c.code; });
    r.view.Channel(0).Unit = c.unit;
    r.view.Channel(0).Decimals = c.decimals;
    const std::string text = records::WriteTextRecord(r.view, {0, 1}, false);
    EXPECT_NE(text.find(Utf8ToCp1251(c.head_end)), std::string::npos) << c.unit;
    EXPECT_NE(text.find("0.00000    " + c.row_end), std::string::npos) << c.code;
  }
}

TEST(TextExport, PerSecondRowsAverageTheSecondsSamplesTheRecordHolds) {
  RecordedView r({46}, 4500);
  // Second 0 is negative; second k > 0 averages k.
  MakePlain(r.view, 1000,
            [](std::size_t, std::uint32_t i) { return i < 1000 ? -50 : i / 1000 * 100 + i % 2 * 20 - 10; });
  r.view.Channel(0).HistoryStepSeconds = 1;
  const std::pair<records::SaveRange, std::string> cases[] = {
      {{2000, 2500}, "3.00000    2.000   \r\n4.00000    3.000   \r\n"},
      {{0, 4500}, "1.00000    0.000   \r\n2.00000    1.000   \r\n3.00000    2.000   \r\n4.00000    3.000   \r\n"},
      {{4100, 300}, "5.00000    4.000   \r\n"},
  };
  for (const auto& [range, rows] : cases) {
    const std::string text = records::WriteTextRecord(r.view, range, true);
    EXPECT_EQ(text.substr(0, 18), "Frequency 1 s\r\n\r\nt");
    const std::size_t start = text.find("\r\n", text.find("U,")) + 2;
    EXPECT_EQ(text.substr(start), rows + "end of record\r\n") << range.First;
  }
}

TEST(TextImport, CodeWordRateAndHeadsGiveChannelsOfTruncatedCodes) {
  const struct {
    std::string file;
    std::uint32_t rate;
    std::vector<std::vector<std::int16_t>> codes;
  } cases[] = {
      {"U3.3 x 1000 y кан.1 кан.2 z\r\n0 1.0 2.0\r\n1 0.5 3.3\r\nКoнец", 1000, {{310, 155}, {620, 1022}}},
      {"F x 100 y кан.1 кан.2 z 0 10 10", 100, {{-514}, {525}}},
      {"N x 0 y кан.1 z 0 nan 1 1e30 2 -5 3 " + std::string(10000, '7') + " 4 12", 1000, {{0, -1, -5, -1, 12}}},
      {"N x 250000 y кан.1 кан.2 кан.3 кан.4 0 1 2 3 4 1 5", 1000, {{1, 5}, {2, 0}, {3, 0}, {4, 0}}},
  };
  for (const auto& c : cases) {
    const auto record = records::ParseTextRecord(Utf8ToCp1251(c.file), 100000);
    ASSERT_TRUE(record.has_value()) << c.file.substr(0, 20);
    EXPECT_EQ(record->Rate, c.rate);
    std::vector<std::vector<std::int16_t>> codes;
    for (const auto& channel : record->Codes) codes.emplace_back(channel.begin(), channel.end());
    EXPECT_EQ(codes, c.codes);
  }
  RecordedView r({7, 7, 7}, 30);
  ASSERT_EQ(records::ReadTextRecord(r.view, Utf8ToCp1251(cases[0].file), "r").Channels, 2u);
  EXPECT_EQ(r.view.LastSampleIndex, 1u);
  EXPECT_EQ(r.view.RateSetting, 1000u);
  EXPECT_EQ(r.view.Channel(1).Codes[1], 1022);
  EXPECT_EQ(r.view.Channel(2).Shown, 0);
}

// Rows end at the last whole row: at the share of the capacity (the file's rows still counted), or
// where the bytes read end before the file does, inside a row or on its last value.
TEST(TextImport, RowsEndAtTheLastWholeRowAndTellWhetherTheFileWentOn) {
  const std::string head = "U3.3 x 1000 y кан.1 кан.2 z\r\n0 1.0 2.0\r\n";
  const struct {
    std::string tail;
    bool goes_on;
    std::uint32_t capacity;
    std::vector<std::vector<std::int16_t>> codes;
    bool cut;
    std::uint32_t file_rows;
  } cases[] = {
      {"1 0.5 3.3", true, 100, {{310}, {620}}, true, 0},
      {"1 0.5", true, 100, {{310}, {620}}, true, 0},
      {"1 0.5 3.3\r\n", true, 100, {{310, 155}, {620, 1022}}, true, 0},
      {"1 0.5 3.3\r\nКoнец", true, 100, {{310, 155}, {620, 1022}}, false, 0},
      {"1 0.5 3.3\r\n", false, 100, {{310, 155}, {620, 1022}}, false, 0},
      {"1 0.5 3.3\r\n2 0.1 0.1\r\nКoнец", false, 5, {{310, 155}, {620, 1022}}, true, 3},
      {"1 0.5 3.3\r\n2 0.1 0.1\r\n", true, 4, {{310, 155}, {620, 1022}}, true, 0},
  };
  for (const auto& c : cases) {
    const auto record = records::ParseTextRecord(Utf8ToCp1251(head + c.tail), c.capacity, c.goes_on);
    ASSERT_TRUE(record.has_value()) << c.tail;
    std::vector<std::vector<std::int16_t>> codes;
    for (const auto& channel : record->Codes) codes.emplace_back(channel.begin(), channel.end());
    EXPECT_EQ(codes, c.codes) << c.tail;
    EXPECT_EQ(record->Cut, c.cut) << c.tail;
    EXPECT_EQ(record->FileRows, c.file_rows) << c.tail;
  }
}

TEST(TextImport, ForeignOrEmptyFilesChangeNothing) {
  for (const std::string file : {"T120 x 1000 y кан.1 z 0 1", "U3.3 x 1000 y chn.1 z 0 1", "U3.3 x 1000 y кан.1 z",
                                 "U3.3 x 1000 y кан.1 z Кoнец 1", "", "U3.3"}) {
    RecordedView r({7}, 30);
    EXPECT_EQ(records::ReadTextRecord(r.view, Utf8ToCp1251(file), "r").Channels, 0u) << file;
    EXPECT_EQ(r.view.LastSampleIndex, 29u);
    EXPECT_EQ(r.view.SensorCode, 0);
    EXPECT_EQ(r.view.Channel(0).CodeCount, 30u);
  }
}

}  // namespace
