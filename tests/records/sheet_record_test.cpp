// Tests of the spreadsheet record: its records one by one, columns, the row cap, long labels, a real reader.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>

#include "export_test_support.h"
#include "platform/cp1251.h"
#include "records/sheet_record.h"

namespace {

using platform::Utf8ToCp1251;
using recordtest::RecordedView;
using Cell = std::pair<int, int>;  // row, column

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
  EXPECT_EQ(sheet.numbers.at({5 + 29, 3}), 2.29f);
}

TEST(SheetExport, LibreOfficeReadsTheLabelsAndNumbers) {
  if (std::system("command -v soffice > /dev/null 2>&1") != 0) {
    GTEST_SKIP() << "LibreOffice (soffice) is not installed: the spreadsheet round trip is not checked";
  }
  RecordedView r({0}, 20);
  MakePlain(r.view, 1000, [](std::size_t, std::uint32_t i) { return i * 10; });
  const std::string bytes = records::WriteSheetRecord(r.view, {0, 20}, false);
  const recordtest::ScratchFolder dir("sheet-round-trip");
  recordtest::WriteAll(dir.File("record.xls"), {bytes.begin(), bytes.end()});
  const std::string command = "cd '" + dir.path.string() + "' && LC_ALL=C.UTF-8 timeout 120 soffice --headless "
                              "-env:UserInstallation=file://" + dir.File("profile") +
                              " --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' record.xls > /dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::vector<std::uint8_t> csv_bytes = recordtest::ReadAll(dir.File("record.csv"));
  const std::string csv(csv_bytes.begin(), csv_bytes.end());
  for (const char* expected : {"Частота,Гц", "Канал 1", "\"время,сек\",\"U,В\"", "1000", "0.019,1.89999997"}) {
    EXPECT_NE(csv.find(expected), std::string::npos) << expected << " in\n" << csv;
  }
}

}  // namespace
