// The measurement screen's drop-down menus as row models: File, connected sensors, View, quantity, Marker.
#include "app/measure_menus.h"

#include <array>
#include <utility>

#include "acquisition/ft_record_device.h"
#include "channels/device_slot.h"

namespace {

MenuModel Model(std::int32_t kind, std::int32_t width, bool clickable) {
  MenuModel model;
  model.Kind = kind;
  model.Width = width;
  model.Clickable = clickable;
  return model;
}

MenuRow Row(std::string caption, std::uint8_t marked = 0, std::uint8_t hover = 0, std::string second = {}) {
  MenuRow row;
  row.Caption = std::move(caption);
  row.Marked = marked;
  row.HoverNotify = hover;
  row.SecondLine = std::move(second);
  return row;
}

}  // namespace

MenuModel FileMenuModel(bool english, bool cyclic) {
  MenuModel model = Model(0, english ? 200 : 250, true);
  static constexpr std::array<const char*, 4> kRussian{"Новый", "Открыть", "Сохранить", "Сохранить выделенное"};
  static constexpr std::array<const char*, 4> kEnglish{"New", "Open", "Save", "Save selected"};
  for (std::size_t i = 0; i < kRussian.size(); ++i) model.Rows.push_back(Row(english ? kEnglish[i] : kRussian[i]));
  const char* cyclic_caption = english ? "Cyclic record" : (cyclic ? "Циклическая. запись" : "Циклическая запись");
  model.Rows.push_back(Row(cyclic_caption, static_cast<std::uint8_t>(cyclic ? 1 : 0)));
  return model;
}

MenuModel DeviceListMenuModel(std::span<const DeviceSlot> slots) {
  MenuModel model = Model(2, 300, true);
  for (const DeviceSlot& slot : slots) {
    if (slot.Device == nullptr || slot.Prepared == 0 || slot.InUse == 0) continue;
    model.Rows.push_back(Row(slot.Device->NameLine1, 0, 0, slot.Device->NameLine2));
  }
  if (model.Rows.size() == 1) model.ExtraHeight = 5;
  return model;
}

MenuModel ViewMenuModel(bool english, std::uint8_t display_mode) {
  MenuModel model = Model(3, 300, false);
  struct Entry {
    const char* russian;
    const char* english;
    std::uint8_t mode;
  };
  static constexpr std::array<Entry, 4> kRows{{{"Аналоговый индикатор", "Bargraph", 4},
                                             {"Цифровой индикатор", "Digital display", 1},
                                             {"Демонстрационный график", "Demonstration schedule", 2},
                                             {"График", "Schedule", 3}}};
  for (const Entry& row : kRows) {
    model.Rows.push_back(Row(english ? row.english : row.russian, static_cast<std::uint8_t>(row.mode == display_mode)));
  }
  return model;
}

MenuModel SensorMenuModel(std::uint16_t sensor_code) {
  MenuModel model = Model(sensor_code == 12 || sensor_code == 13 ? 5 : 4, 160, true);
  struct Entry {
    const char* caption;
    std::uint8_t hover;
    std::initializer_list<std::uint16_t> codes;
  };
  static const std::array<Entry, 11> kRows{{{"T", 1, {1, 2, 3, 4}},
                                          {"pH", 0, {5}},
                                          {"G", 1, {6, 19}},
                                          {"A", 1, {7, 8}},
                                          {"U", 1, {0, 9, 16}},
                                          {"I", 1, {10, 17, 18}},
                                          {"UI", 1, {11, 20, 21, 22, 23}},
                                          {"P", 1, {12, 13}},
                                          {"B 100", 0, {14}},
                                          {"N", 0, {15}},
                                          {"Ф", 0, {25}}}};
  for (const Entry& row : kRows) {
    std::uint8_t marked = 0;
    for (std::uint16_t code : row.codes) marked |= code == sensor_code ? 1 : 0;
    model.Rows.push_back(Row(row.caption, marked, row.hover));
  }
  return model;
}

MenuModel MarkerMenuModel(std::uint8_t marker_count) {
  MenuModel model = Model(5, 200, false);
  model.Rows.push_back(Row("2 маркера", static_cast<std::uint8_t>(marker_count == 2)));
  model.Rows.push_back(Row("4 маркера", static_cast<std::uint8_t>(marker_count != 2)));
  return model;
}
