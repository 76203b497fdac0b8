// Tests of the spreadsheet record: its records one by one, columns, the row cap, long labels, a real reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/cp1251.h"
#include "record_view.h"
#include "records/sheet_record.h"

namespace {

using platform::Utf8ToCp1251;

// The cells of a sheet by (row, column): a label's code page 1251 text or a number's text.
struct ReadSheet {
  explicit ReadSheet(const std::string& bytes) {
    const std::string head("\x09\x08\x08\x00\x05\x00\x10\x00\x00\x00\x00\x00\x42\x00\x02\x00\xE3\x04", 18);
    EXPECT_EQ(bytes.substr(0, 18), head);  // BOF, then the code page 1251
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\x0A\x00\x00\x00", 4));
    const auto word = [&](std::size_t at) { return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8; };
    for (std::size_t at = 18; at + 4 < bytes.size(); at += 4 + word(at + 2)) {
      const std::pair<int, int> cell{word(at + 4), word(at + 6)};
      if (word(at) == 3) {
        double value;
        std::memcpy(&value, bytes.data() + at + 11, 8);
        numbers[cell] = value;
      } else {
        EXPECT_EQ(word(at), 4);
        EXPECT_EQ(word(at + 2), static_cast<std::uint8_t>(bytes[at + 11]) + 8);  // lengths agree
        labels[cell] = bytes.substr(at + 12, word(at + 2) - 8);
      }
    }
  }
  std::map<std::pair<int, int>, std::string> labels;
  std::map<std::pair<int, int>, double> numbers;
};

TEST(SheetExport, TwentySamplesGiveHeadsAndEveryRow) {
  RecordView r;
  r.Add(0, 0);
  r.Fill(20, 1000, [](std::size_t, std::uint32_t i) { return i * 10; });
  const ReadSheet sheet(records::WriteSheetRecord(r.view, {0, 20}, false));
  const std::map<std::pair<int, int>, std::string> labels{
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
    RecordView r(140000);
    r.Add(0, c.code);
    r.Fill(c.samples, c.rate, [](std::size_t, std::uint32_t i) { return i % 1000; });
    const ReadSheet sheet(records::WriteSheetRecord(r.view, {0, c.samples}, true));
    EXPECT_EQ(sheet.numbers.size(), 1 + 2 * c.rows) << c.samples;
    EXPECT_EQ(sheet.numbers.rbegin()->first.first, 4 + c.rows);
  }
  RecordView r;
  const std::string unit = "абвгдежзийклмнопрстуфхцчшщъыьэюяABCDEF";  // 38 letters
  for (std::size_t k : {0, 1, 2}) r.Add(k, 1, "Q", unit);
  r.Fill(30, 100, [](std::size_t k, std::uint32_t i) { return k * 100 + i; });
  r.view.Channel(1).Shown = 0;
  const ReadSheet sheet(records::WriteSheetRecord(r.view, {0, 30}, false));
  EXPECT_EQ(sheet.labels.at({3, 3}), Utf8ToCp1251("Q," + unit));
  for (int row = 0; row < 40; ++row) EXPECT_FALSE(sheet.numbers.count({row, 2}) || sheet.labels.count({row, 2}));
  EXPECT_EQ(sheet.numbers.at({5 + 29, 3}), 2.29f);
}

TEST(SheetExport, LibreOfficeReadsTheLabelsAndNumbers) {
  if (std::system("command -v soffice > /dev/null 2>&1") != 0) {
    GTEST_SKIP() << "LibreOffice (soffice) is not installed: the spreadsheet round trip is not checked";
  }
  RecordView r;
  r.Add(0, 0);
  r.Fill(20, 1000, [](std::size_t, std::uint32_t i) { return i * 10; });
  const std::filesystem::path dir = std::filesystem::path(VESSAMOR_TEST_OUTPUT_DIR) / "sheet_round_trip";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "record.xls", std::ios::binary) << records::WriteSheetRecord(r.view, {0, 20}, false);
  const std::string command = "cd '" + dir.string() + "' && LC_ALL=C.UTF-8 timeout 120 soffice -env:UserInstallation=file://" +
                              dir.string() + "/profile --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' "
                              "record.xls > soffice.log 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::stringstream csv;
  csv << std::ifstream(dir / "record.csv").rdbuf();
  for (const char* expected : {"Частота,Гц", "Канал 1", "\"время,сек\",\"U,В\"", "1000", "0.019,1.89999997"}) {
    EXPECT_NE(csv.str().find(expected), std::string::npos) << expected << " in\n" << csv.str();
  }
}

}  // namespace
