// Tests of the text record: the export's bytes, padding and per-second rows, and the import's checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "export_test_support.h"
#include "platform/cp1251.h"
#include "records/text_record.h"

namespace {

using platform::Utf8ToCp1251;
using recordtest::RecordedView;

TEST(TextExport, RussianRecordIsCodePage1251WithCrLfAndEveryRowWhateverTheLocale) {
  RussianLocale locale;
  RecordedView r({0}, 20);
  MakePlain(r.view, 1000, [](std::size_t, std::uint32_t i) { return i * 10; });
  std::string expected = "Частота 1000Гц\n\nвремя,сек  кан.1   \n           U,В     \n";
  for (int i = 0; i < 20; ++i) {
    const std::string ms = std::to_string(100 + i).substr(1);
    expected += "0.0" + ms + "00    " + std::to_string(i / 10) + "." + std::to_string(i % 10) + "00   \n";
  }
  expected = Utf8ToCp1251(expected + "конец записи\n");
  for (std::size_t at = expected.find('\n'); at != std::string::npos; at = expected.find('\n', at + 2)) {
    expected.insert(at, "\r");
  }
  const std::string text = records::WriteTextRecord(r.view, {0, 20}, false);
  EXPECT_EQ(text, expected);
  EXPECT_EQ(text.substr(0, 9), "\xD7\xE0\xF1\xF2\xEE\xF2\xE0 1");
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
      {"В", 30000, 3, "U,В     \r\n", "300.0000\r\n"},
      {"В", 30000, 4, "U,В     \r\n", "300.00000\r\n"},
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
    std::vector<std::vector<std::uint16_t>> codes;
  } cases[] = {
      {"U3.3 x 1000 y кан.1 кан.2 z\r\n0 1.0 2.0\r\n1 0.5 3.3\r\nКoнец", 1000, {{310, 155}, {620, 1022}}},
      {"F x 100 y кан.1 кан.2 z 0 10 10", 100, {{0}, {525}}},
      {"N x 0 y кан.1 z 0 nan 1 1e30 2 -5 3 " + std::string(10000, '7') + " 4 12", 1000, {{0, 65535, 0, 65535, 12}}},
      {"N x 250000 y кан.1 кан.2 кан.3 кан.4 0 1 2 3 4 1 5", 1000, {{1, 5}, {2, 0}, {3, 0}, {4, 0}}},
  };
  for (const auto& c : cases) {
    const auto record = records::ParseTextRecord(Utf8ToCp1251(c.file), 100000);
    ASSERT_TRUE(record.has_value()) << c.file.substr(0, 20);
    EXPECT_EQ(record->Rate, c.rate);
    ASSERT_EQ(record->Codes.size(), c.codes.size());
    for (std::size_t k = 0; k < c.codes.size(); ++k) {
      EXPECT_EQ(std::vector<std::uint16_t>(record->Codes[k].begin(), record->Codes[k].end()), c.codes[k]);
    }
  }
  RecordedView r({7, 7, 7}, 30);
  ASSERT_EQ(records::ReadTextRecord(r.view, Utf8ToCp1251(cases[0].file), "r"), 2);
  EXPECT_EQ(r.view.LastSampleIndex, 1u);
  EXPECT_EQ(r.view.RateSetting, 1000u);
  EXPECT_EQ(r.view.Channel(1).Codes[1], 1022);
  EXPECT_EQ(r.view.Channel(2).Shown, 0);
}

TEST(TextImport, ForeignOrEmptyFilesChangeNothing) {
  for (const std::string file : {"T120 x 1000 y кан.1 z 0 1", "U3.3 x 1000 y chn.1 z 0 1", "U3.3 x 1000 y кан.1 z",
                                 "U3.3 x 1000 y кан.1 z Кoнец 1", "", "U3.3"}) {
    RecordedView r({7}, 30);
    EXPECT_EQ(records::ReadTextRecord(r.view, Utf8ToCp1251(file), "r"), 0) << file;
    EXPECT_EQ(r.view.LastSampleIndex, 29u);
    EXPECT_EQ(r.view.SensorCode, 0);
    EXPECT_EQ(r.view.Channel(0).CodeCount, 30u);
  }
}

}  // namespace
