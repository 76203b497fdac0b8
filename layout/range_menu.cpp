// The range list beside the toolbar list's sensor rows: the ranges of a sensor family, the shown one checked.
#include "layout/range_menu.h"

#include <span>
#include <vector>

#include "app/main_window.h"
#include "controls/menu_buttton.h"
#include "layout/main_controls.h"

namespace {

struct RangeEntry {
  const char* Caption;
  std::uint8_t SensorCode;
};

// By row of the sensor-family list; row 1 (pH) has no range list.
const std::vector<RangeEntry>& RangesOfRow(std::int32_t row) {
  static const std::vector<RangeEntry> kRows[] = {
      {{"T 100", 1}, {"T 120", 2}, {"T 150", 3}, {"T 1000", 4}},
      {},
      {{"G 5", 6}, {"G 0.1", 19}},
      {{"A 1.5", 7}, {"A 6", 8}},
      {{"U 10", 9}, {"U 50", 16}, {"U 3.3", 0}},
      {{"I 2", 10}, {"I 0.02", 17}, {"I 0.2", 18}},
      {{"U 10  I 2", 11}, {"U 10  I 0.02", 20}, {"U 10  I 0.2", 21}, {"U 50  I 0.02", 22}, {"U 50  I 0.2", 23}},
      {{"P +-100", 12}, {"P 100", 13}},
  };
  static const std::vector<RangeEntry> kNone;
  return row >= 0 && row < static_cast<std::int32_t>(std::size(kRows)) ? kRows[row] : kNone;
}

void CloseIfOpen(MenuButtton& list) {
  if (list.IsVisible()) list.HideAndClear();
}

}  // namespace

void FillRangeMenu(MainWindow& window, std::int32_t menu_kind, std::int32_t row) {
  if (menu_kind != 4 && menu_kind != 2) return;
  auto* toolbar = dynamic_cast<MenuButtton*>(FindMainControl(window.Window(), kToolbarListId));
  auto* ranges = dynamic_cast<MenuButtton*>(FindMainControl(window.Window(), kRangeListId));
  if (toolbar == nullptr || ranges == nullptr || !window.View) return;
  std::int32_t& hovered = window.Controls.HoveredMenuRow;
  const bool notify = row >= 0 && row < MenuButtton::kMaxItems && toolbar->Items[row].HoverNotify != 0;
  if (!notify) {
    CloseIfOpen(*ranges);
    hovered = row;
    return;
  }
  if (row == hovered) return;
  CloseIfOpen(*ranges);
  const std::vector<RangeEntry>& entries = RangesOfRow(row);
  if (menu_kind == 2 || entries.empty()) {
    // A row without a range list leaves none standing.
    if (menu_kind == 2) hovered = row;
    return;
  }
  const platform::WindowRect list = toolbar->Rect();
  const int count = static_cast<int>(entries.size());
  const int row_height = static_cast<int>(32 * window.Metrics.ScaleY);
  ranges->Move(platform::WindowRect::FromSize(list.right, list.top + toolbar->RowRects()[row].top - 2,
                                              window.Metrics.MenuWidth, count * row_height));
  // The list draws equal rows filling its window, so no entry carries a gap below it.
  std::vector<MenuItemInit> items;
  for (const RangeEntry& entry : entries) {
    items.push_back({entry.Caption, static_cast<std::uint8_t>(entry.SensorCode == window.View->SensorCode), 0});
  }
  ranges->SetItems(items, count, kRangeListKind, kRangeListId);
  for (int i = count; i < MenuButtton::kMaxItems; ++i) ranges->Items[i] = MenuButttonItem{};
  ranges->Show();
  hovered = row;
}
