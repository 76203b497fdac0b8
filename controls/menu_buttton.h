// The drop-down item list: rows with highlight, check marks, swatches and sub-menu arrows; a click reports the row.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "controls/control_frame.h"

struct MenuButttonItem {
  std::string Caption;
  std::string SecondText;
  std::string ThirdText;
  std::uint8_t Marked = 0;
  std::uint8_t SeparatorAfter = 0;
  std::uint8_t Checked = 0;
  std::uint8_t HoverNotify = 0;
  std::uint8_t Highlighted = 0;
  std::uint8_t Swatch = 0;
  std::uint8_t TwoLine = 0;
  std::uint8_t Spare = 0;
};

// What the filler gives for each of the first eight rows.
struct MenuItemInit {
  std::string Caption;
  std::uint8_t Marked = 0;
  std::uint8_t Separator = 0;
};

class MenuButtton : public ControlFrame {
 public:
  static constexpr int kMaxItems = 32;
  static constexpr int kSwatchRows = 4;
  enum SelectionMode : std::uint8_t { kSingle = 1, kMultiple = 2 };

  explicit MenuButtton(ControlOwner& owner);

  // Up to eight rows from `items`; `count` rows in all (the owner fills the rest directly), at most 32.
  void SetItems(std::span<const MenuItemInit> items, int count, std::int32_t menuKind, std::int32_t notificationId);
  void SetItemList(std::span<const MenuItemInit> items, int count);
  void HideAndClear();
  void ClearItemStates();
  void ClearAllItemFlags();

  int Count() const { return count_; }
  int Hovered() const { return hovered_; }
  bool Pressed() const { return pressed_; }
  // The row rectangles of the last paint, inclusive of their right and bottom edges.
  const std::array<platform::WindowRect, kMaxItems>& RowRects() const { return rows_; }

  // Fields the owner writes before showing the list.
  std::array<MenuButttonItem, kMaxItems> Items{};
  std::array<rgba8, kSwatchRows> SwatchColours{};
  std::uint8_t Selection = kSingle;
  bool Clickable = true;
  double TextScale = 1.0;
  std::int32_t RowHeight = 0;
  float Size = 2.0f;

 protected:
  void Draw(agg_ren& renderer, platform::Surface& screen) override;
  void OnLButtonDown(platform::WindowPoint point) override;
  void OnLButtonUp(platform::WindowPoint point) override;
  void OnPressCancelled() override { pressed_ = false; }
  void OnMouseMove(platform::WindowPoint point, unsigned flags, bool hover) override;

 private:
  int HitTest(platform::WindowPoint p) const;
  void DrawRow(agg_ren& r, int i, double x, double top, double width, double height, double textX);

  int count_ = 0;
  int hovered_ = -1;
  std::int32_t menuKind_ = 0;
  std::int32_t notificationId_ = 0;
  bool painted_ = false;
  bool pressed_ = false;
  std::array<platform::WindowRect, kMaxItems> rows_{};
};
