// The last 32 views (scales and the shown column range) that the middle button steps back through.
#pragma once

#include <array>
#include <cstdint>

#include "channels/column_record.h"
#include "graph/scale_state.h"

struct ViewHistoryEntry {
  ScaleState Scale;
  ColumnRecord FirstColumn;  // channel 0's record of the first shown column
  ColumnRecord LastColumn;   // and of the last one
  std::uint16_t LastShownColumn = 0;
  std::uint16_t FirstShownColumn = 0;
};

struct ViewHistory {
  static constexpr std::int32_t kEntries = 32;

  std::array<ViewHistoryEntry, kEntries> Entries{};
  std::int32_t LastIndex = kEntries - 1;
  std::int32_t CurrentIndex = -1;  // -1 while empty
  std::uint8_t Wrapped = 0;
  std::int32_t PushesSinceWrap = 0;
  std::int32_t NewestIndex = -1;

  bool Empty() const { return CurrentIndex < 0; }
  void Reset() {
    Entries.fill(ViewHistoryEntry{});
    LastIndex = kEntries - 1;
    CurrentIndex = -1;
    Wrapped = 0;
    PushesSinceWrap = 0;
    NewestIndex = -1;
  }
};
