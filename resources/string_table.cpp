// The program's string table: texts by string id in Russian and English.
#include "resources/string_table.h"

#include <array>

namespace {

struct StringRow {
  int Id;
  std::string_view Ru;
  std::string_view En;
};

constexpr std::array<StringRow, 13> kStrings = {{
    {kStringTitle, "Вессамор Лаборатория", "Vessamor Laboratory"},
    {kStringMaker, "Проект Вессамор", "Vessamor Project"},
    {kStringNameFirst, "Вессамор", "Vessamor"},
    {kStringNameSecond, "Лаборатория", "Laboratory"},
    {kStringMeasurements, "Проведение измерений", "Measurements"},
    {kStringSensorsConnected, "Подключённые датчики :", "Embeddable Sensors :"},
    {kStringNoSensors, "Датчики не обнаружены", "No sensors found"},
    {kStringOpenFile, "Открыть файл", "Open file"},
    {kStringChooseSensor, "Выберите датчик для измерений", "Select a sensor for measuring"},
    {kStringSetZero, "Установить 0", "Set 0"},
    {kStringCurrentValue, "Текущее значение", "Current value"},
    {kStringCurrentValue1, "Текущее значение 1", "Current value 1"},
    {kStringCurrentValue2, "Текущее значение 2", "Current value 2"},
}};

}  // namespace

std::string_view LoadString(int id, std::uint16_t language) {
  for (const StringRow& row : kStrings) {
    if (row.Id == id) return language == 1049 ? row.Ru : row.En;
  }
  return {};
}
