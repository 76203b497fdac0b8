// The program's string table: texts by string id in Russian and English.
#include "resources/string_table.h"

#include <array>

namespace {

struct StringRow {
  int Id;
  std::string_view Ru;
  std::string_view En;
};

constexpr std::array<StringRow, 8> kStrings = {{
    {kStringTitle, "Вессамор Лаборатория", "Vessamor Laboratory"},
    {kStringMaker, "Проект Вессамор", "Vessamor Project"},
    {kStringNameFirst, "Вессамор", "Vessamor"},
    {kStringNameSecond, "Лаборатория", "Laboratory"},
    {kStringMeasurements, "Проведение измерений", "Measurements"},
    {kStringSensorsConnected, "Подключённые датчики :", "Embeddable Sensors :"},
    {kStringNoSensors, "Датчики не обнаружены", "No sensors found"},
    {kStringOpenFile, "Открыть файл", "Open file"},
}};

}  // namespace

std::string_view LoadString(int id, std::uint16_t language) {
  for (const StringRow& row : kStrings) {
    if (row.Id == id) return language == 1049 ? row.Ru : row.En;
  }
  return {};
}
