// The spreadsheet export: heads in rows 0 to 4, the time in column 0, each shown channel c in column c + 1.
#include "records/sheet_record.h"

#include <bit>
#include <algorithm>
#include <charconv>
#include <limits>
#include <mutex>

#include "graph/graph_view.h"
#include "platform/cp1251.h"
#include "platform/debug_log.h"

namespace records {
namespace {

constexpr std::uint32_t kRowLimit = 65530;
constexpr std::size_t kLabelLimit = 255;

std::string Say(bool english, const char* russian, const char* in_english) { return english ? in_english : russian; }

// Rows 2 and 3: the channel numbers, the time head and each channel's quantity with its unit.
void WriteColumnHeads(SheetRecord& sheet, const GraphView& view, const ExportPlan& plan, bool english) {
  for (const std::uint8_t c : plan.Shown) {
    const std::uint16_t column = c + 1;
    sheet.WriteLabelCell(2, column, Say(english, "Канал ", "Channel ") + std::to_string(column));
    sheet.WriteLabelCell(3, column, view.Channel(c).Symbol + "," + view.Channel(c).Unit);
  }
  sheet.WriteLabelCell(3, 0, Say(english, "время,сек", "time,s"));
}

// The double a cell holds for a single-precision value: the one nearest to the shortest decimal
// that reads back as the same float, so the sheet shows 9.99 where the float is 9.99f.
double CellNumber(float value) {
  char buffer[32];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
  double number = value;
  if (written.ec == std::errc{}) std::from_chars(buffer, written.ptr, number);
  return number;
}

void WriteColumns(SheetRecord& sheet, const GraphView& view, const ExportPlan& plan, const ExportRows& rows,
                  std::uint16_t first_row, std::mutex* codes_lock) {
  if (plan.Shown.empty()) return;
  // The whole sheet's room at once, the end record included: the cells never move as it grows.
  const std::uint64_t count = rows.End > rows.First ? (std::uint64_t{rows.End} - rows.First + rows.Step - 1) / rows.Step : 0;
  sheet.Bytes.reserve(sheet.Bytes.size() + count * (plan.Shown.size() + 1) * SheetRecord::kNumberCellBytes + 4);
  ForEachRow(rows, [&](std::uint32_t at, std::uint32_t row) {
    sheet.WriteNumberCell(static_cast<std::uint16_t>(first_row + row), 0, RowTime(view, plan, rows, at));
  });
  CellReader cells(view, codes_lock);
  for (const std::uint8_t c : plan.Shown) {
    ForEachRow(rows, [&](std::uint32_t at, std::uint32_t row) {
      sheet.WriteNumberCell(static_cast<std::uint16_t>(first_row + row), c + 1, CellNumber(cells.Value(c, rows, at)));
    });
  }
}

}  // namespace

void SheetRecord::Word(std::uint16_t value) {
  Bytes.push_back(static_cast<char>(value & 0xFF));
  Bytes.push_back(static_cast<char>(value >> 8));
}

void SheetRecord::Cell(std::uint16_t type, std::uint16_t length, std::uint16_t row, std::uint16_t column) {
  Word(type);
  Word(length);
  Word(row);
  Word(column);
  Bytes.append(3, '\0');  // cell attributes
}

void SheetRecord::WriteBofRecord() {
  for (const std::uint16_t w : {0x0809, 8, 0x0005, 0x0010, 0, 0}) Word(w);
  for (const std::uint16_t w : {0x0042, 2, 1251}) Word(w);
}

void SheetRecord::WriteEofRecord() {
  Word(0x000A);
  Word(0);
}

void SheetRecord::WriteNumberCell(std::uint16_t row, std::uint16_t column, double value) {
  // Laid out whole and appended once: the sheet's bulk is these cells.
  char cell[kNumberCellBytes] = {0x03, 0x00, 15, 0x00};
  const auto put = [&cell](std::size_t at, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i, v >>= 8) cell[at + static_cast<std::size_t>(i)] = static_cast<char>(v & 0xFF);
  };
  put(4, row, 2);
  put(6, column, 2);
  put(11, std::bit_cast<std::uint64_t>(value), 8);  // after the three attribute bytes, left 0
  Bytes.append(cell, sizeof cell);
}

void SheetRecord::WriteLabelCell(std::uint16_t row, std::uint16_t column, std::string_view utf8) {
  std::string text = platform::Utf8ToCp1251(utf8);
  if (text.size() > kLabelLimit) text.resize(kLabelLimit);
  Cell(0x0004, static_cast<std::uint16_t>(text.size() + 8), row, column);
  Bytes.push_back(static_cast<char>(text.size()));
  Bytes += text;
}

SheetRows CountSheetRows(const GraphView& view, SaveRange range) {
  const bool alt = view.TwoChannelText != 0;
  const ExportPlan plan = alt ? ClassifyTwoChannel(view, false) : ClassifyChannels(view);
  const bool whole_history = !alt && view.SaveSelection == 0 && plan.HistorySheet();
  const auto count = [](const ExportRows& rows) {
    return rows.End > rows.First ? static_cast<std::uint32_t>((std::uint64_t{rows.End} - rows.First + rows.Step - 1) / rows.Step) : 0u;
  };
  return {count(PlanRows(view, plan, range, kRowLimit, whole_history)),
          count(PlanRows(view, plan, range, std::numeric_limits<std::uint32_t>::max(), whole_history))};
}

void SheetRecord::WriteLabelCellWide(std::uint16_t row, std::uint16_t column, std::u16string_view text) {
  const std::size_t end = text.find(u'\0');
  std::size_t n = std::min(end == std::u16string_view::npos ? text.size() : end, kLabelLimit);
  Cell(0x0004, static_cast<std::uint16_t>(n + 8), row, column);
  Bytes.push_back(static_cast<char>(n));
  for (std::size_t i = 0; i < n; ++i) Bytes.push_back(static_cast<char>(text[i] & 0xFF));
}

void SheetRecord::WriteEmptySheet() {
  WriteBofRecord();
  WriteEofRecord();
}

void DumpTwelveValues(const std::uint32_t (&v)[12]) {
  platform::SecondDebugLog().Write("%x%x%x%x%x%x%x%x%x%x%x%x", v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8],
                                   v[9], v[10], v[11]);
}

std::string WriteSheetRecord(const GraphView& view, SaveRange range, bool english) {
  return WriteSheetRecordAside(view, range, english, nullptr);
}

std::string WriteSheetRecordAlt(const GraphView& view, SaveRange range, bool english, bool per_sample) {
  return WriteSheetRecordAltAside(view, range, english, per_sample, nullptr);
}

std::string WriteSheetRecordAside(const GraphView& view, SaveRange range, bool english, std::mutex* codes_lock) {
  std::unique_lock head = codes_lock != nullptr ? std::unique_lock(*codes_lock) : std::unique_lock<std::mutex>();
  if (view.TwoChannelText != 0) {
    if (head.owns_lock()) head.unlock();
    return WriteSheetRecordAltAside(view, range, english, false, codes_lock);
  }
  const ExportPlan plan = ClassifyChannels(view);
  SheetRecord sheet;
  sheet.WriteBofRecord();
  const bool seconds = (plan.OtherCount == 0 && plan.RateCount <= 1) || plan.PerSecond;
  sheet.WriteLabelCell(0, 4, seconds ? Say(english, "Частота,сек", "Frequency,s")
                                     : Say(english, "Частота,Гц", "Frequency,Hz"));
  if (plan.HistorySheet() || (plan.OtherCount != 0 && plan.PerSecond)) {
    sheet.WriteNumberCell(1, 4, FrequencySeconds(view, plan));
  } else if (plan.OtherCount != 0 || plan.RateCount != 0) {
    sheet.WriteNumberCell(1, 4, plan.Decimation == 1 ? 20 : plan.Decimation == 2 ? 100 : view.RecordRate);
  }
  WriteColumnHeads(sheet, view, plan, english);
  std::uint16_t first_row = 5;
  if (plan.Volume && CountMarkedPoints(view) >= 2) {
    for (const std::uint8_t c : plan.Shown) {
      const VessamorChannel& channel = view.Channel(c);
      if (channel.SensorCode != 49) continue;
      const std::string volume = FixedText(channel.IntegrateBetweenMarkers(0), 3);
      sheet.WriteLabelCell(4, c + 1, Say(english, "Объём ", "Volume ") + volume + Say(english, " мл", " ml"));
    }
    first_row = 6;
  }
  const bool whole_history = view.SaveSelection == 0 && plan.HistorySheet();
  const ExportRows rows = PlanRows(view, plan, range, kRowLimit, whole_history);
  if (head.owns_lock()) head.unlock();
  WriteColumns(sheet, view, plan, rows, first_row, codes_lock);
  sheet.WriteEofRecord();
  return std::move(sheet.Bytes);
}

std::string WriteSheetRecordAltAside(const GraphView& view, SaveRange range, bool english, bool per_sample,
                                     std::mutex* codes_lock) {
  std::unique_lock head = codes_lock != nullptr ? std::unique_lock(*codes_lock) : std::unique_lock<std::mutex>();
  const ExportPlan plan = ClassifyTwoChannel(view, per_sample);
  SheetRecord sheet;
  sheet.WriteBofRecord();
  sheet.WriteLabelCell(0, 4, Say(english, "Частота,сек", "Frequency,s"));
  sheet.WriteNumberCell(1, 4, FrequencySeconds(view, plan));
  WriteColumnHeads(sheet, view, plan, english);
  const ExportRows rows = PlanRows(view, plan, range, kRowLimit, false);
  if (head.owns_lock()) head.unlock();
  WriteColumns(sheet, view, plan, rows, 5, codes_lock);
  sheet.WriteEofRecord();
  return std::move(sheet.Bytes);
}

}  // namespace records
