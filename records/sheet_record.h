// The spreadsheet record: BIFF records built in memory, and the sheet export of the record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "records/export_plan.h"

class GraphView;

namespace records {

// One sheet's records, one after the other, as the file holds them (little-endian throughout).
class SheetRecord {
 public:
  // A number cell: type, length, row, column, three attribute bytes and the double.
  static constexpr std::size_t kNumberCellBytes = 19;
  // BOF, then the code page of the labels, so that the Cyrillic ones read right everywhere.
  void WriteBofRecord();
  void WriteEofRecord();
  void WriteNumberCell(std::uint16_t row, std::uint16_t column, double value);
  // The text in code page 1251, cut to the 255 bytes that the length byte can count.
  void WriteLabelCell(std::uint16_t row, std::uint16_t column, std::string_view utf8);
  // A label from 16-bit units up to the first 0 (or the end), each unit's low byte written.
  void WriteLabelCellWide(std::uint16_t row, std::uint16_t column, std::u16string_view text);
  // A sheet with nothing in it: BOF and EOF only.
  void WriteEmptySheet();

  std::string Bytes;

 private:
  void Word(std::uint16_t value);
  void Cell(std::uint16_t type, std::uint16_t length, std::uint16_t row, std::uint16_t column);
};

// The rows of data a sheet of `range` holds, and how many the range has: a sheet takes at most
// 65,530 and keeps the first of them.
struct SheetRows {
  std::uint32_t Kept = 0;
  std::uint32_t Wanted = 0;
};
SheetRows CountSheetRows(const GraphView& view, SaveRange range);
// Twelve values as "%x" each, run together, to the second diagnostics log when that is open.
void DumpTwelveValues(const std::uint32_t (&values)[12]);

// The sheet export of `range`; without SaveSelection a history sheet holds the whole rate history.
std::string WriteSheetRecord(const GraphView& view, SaveRange range, bool english);
// The two-channel record's sheet: per-second rows, or (per_sample) one row per sample.
std::string WriteSheetRecordAlt(const GraphView& view, SaveRange range, bool english, bool per_sample);
// The same sheets made beside the window: the view is read only under `codes_lock` (the view's lock,
// not held by the caller), the heads whole and the codes a few tens of thousands at a time
// (CellReader); the cells are worked out and laid out with the lock free.
std::string WriteSheetRecordAside(const GraphView& view, SaveRange range, bool english, std::mutex* codes_lock);
std::string WriteSheetRecordAltAside(const GraphView& view, SaveRange range, bool english, bool per_sample,
                                     std::mutex* codes_lock);

}  // namespace records
