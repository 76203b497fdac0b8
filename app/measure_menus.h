// The measurement screen's drop-down menus as row models: File, connected sensors, View, quantity, Marker.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct DeviceSlot;

struct MenuRow {
  std::string Caption;
  std::uint8_t Marked = 0;
  std::uint8_t SeparatorAfter = 1;
  // Hovering the row opens the range sub-menu of its quantity.
  std::uint8_t HoverNotify = 0;
  std::string SecondLine;
};

// What a filler hands to the drop-down: rows, the kind reported back with a click, the width in
// design pixels, whether rows take clicks, and pixels added to rows × row height.
struct MenuModel {
  std::vector<MenuRow> Rows;
  std::int32_t Kind = 0;
  std::int32_t Width = 0;
  bool Clickable = true;
  std::int32_t ExtraHeight = 0;
};

MenuModel FileMenuModel(bool english, bool cyclic);
// Rows of the slots that hold a unit and are prepared and in use, in slot order.
MenuModel DeviceListMenuModel(std::span<const DeviceSlot> slots);
MenuModel ViewMenuModel(bool english, std::uint8_t display_mode);
// Eleven quantity rows; the sensor code's row marked (none for a code outside the table).
MenuModel SensorMenuModel(std::uint16_t sensor_code);
MenuModel MarkerMenuModel(std::uint8_t marker_count);
