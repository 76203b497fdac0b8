// The range list beside the toolbar list's sensor rows: the ranges of a sensor family, the shown one checked.
#pragma once

#include <cstdint>

class MainWindow;

inline constexpr std::int32_t kToolbarListId = 75009;
inline constexpr std::int32_t kRangeListId = 50060;
inline constexpr std::int32_t kRangeListKind = 100;

// Window thread; the toolbar list reports a hover over a row with the hover-notify flag. On the
// sensor-family list (kind 4) builds and places the row's range list once per row; on a list of
// kind 2 only closes an open range list; other kinds do nothing.
void FillRangeMenu(MainWindow& window, std::int32_t menu_kind, std::int32_t row);
