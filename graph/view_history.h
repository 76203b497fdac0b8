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

// A ring: once all entries are used the oldest is the one after the newest. Stepping never leaves
// the entries between the oldest and the newest, and a push drops the entries after the current one.
struct ViewHistory {
  static constexpr std::int32_t kEntries = 32;

  std::array<ViewHistoryEntry, kEntries> Entries{};
  std::int32_t LastIndex = kEntries - 1;
  std::int32_t CurrentIndex = -1;  // -1 while empty
  std::uint8_t Wrapped = 0;
  std::int32_t Count = 0;  // entries in use
  std::int32_t NewestIndex = 0;
  // An entry has been written since the entries were last cleared: only a push makes one to write.
  std::uint8_t Written = 0;

  bool Empty() const { return CurrentIndex < 0; }
  std::int32_t OldestIndex() const { return (NewestIndex - Count + 1 + kEntries) % kEntries; }
  // The entry before an index, in ring order.
  std::int32_t Before(std::int32_t index) const { return (index + kEntries - 1) % kEntries; }
  void Reset() {
    if (Written != 0) Entries.fill(ViewHistoryEntry{});
    Written = 0;
    LastIndex = kEntries - 1;
    CurrentIndex = -1;
    Wrapped = 0;
    Count = 0;
    NewestIndex = 0;
  }
  void Push() {
    Written = 1;
    if (Empty()) {
      CurrentIndex = NewestIndex = 0;
      Count = 1;
      return;
    }
    const std::int32_t kept = (CurrentIndex - OldestIndex() + kEntries) % kEntries + 1;
    CurrentIndex = (CurrentIndex + 1) % kEntries;
    NewestIndex = CurrentIndex;
    Count = kept < kEntries ? kept + 1 : kEntries;
    Wrapped = Count == kEntries ? 1 : Wrapped;
  }
  bool StepBack() {
    if (Empty() || CurrentIndex == OldestIndex()) return false;
    CurrentIndex = Before(CurrentIndex);
    return true;
  }
  bool StepForward() {
    if (Empty() || CurrentIndex == NewestIndex) return false;
    CurrentIndex = (CurrentIndex + 1) % kEntries;
    return true;
  }
};
