// The program's string table: texts by string id in Russian and English.
#include "resources/string_table.h"

#include <array>

namespace {

struct StringRow {
  int Id;
  std::string_view Ru;
  std::string_view En;
};

constexpr std::array<StringRow, 30> kStrings = {{
    {kStringTitle, "Вессамор Лаборатория", "Vessamor Laboratory"},
    {kStringMaker, "Проект Вессамор", "Vessamor Project"},
    {kStringNameFirst, "Вессамор", "Vessamor"},
    {kStringNameSecond, "Лаборатория", "Laboratory"},
    {132, "Старт", "Start"},
    {133, "Стоп", "Stop"},
    {kStringSensors, "Датчики", " Sensors"},
    {kStringNoSensorsShort, "нет датчиков", "no sensors"},
    {136, "Обзор", "Overview"},
    {137, "Масштаб", "Scale"},
    {139, "Вид", "View"},
    {140, "Файл", "File"},
    {169, "Подсказка", "Help"},
    {kStringMeasurements, "Проведение измерений", "Measurements"},
    {kStringSensorsConnected, "Подключённые датчики :", "Embeddable Sensors :"},
    {kStringNoSensors, "Датчики не обнаружены", "No sensors found"},
    {kStringOpenFile, "Открыть файл", "Open file"},
    {176, "Установить 0", "Set 0"},
    {177, "Настройки датчика", "Configure the sensor"},
    {178, "Диапазон", "Range"},
    {187, "Настройки датчиков", "Configure the sensors"},
    {kStringSensorControl, "Управление", "Sensor control"},
    {kStringViewRecord, "Просмотр записи", "View record"},
    {kStringChannels, "Каналы", "Channels"},
    {kStringDifferences, "Разности параметров", "Difference values"},
    {kStringChooseSensor, "Выберите датчик для измерений", "Select a sensor for measuring"},
    {kStringCurrentValue, "Текущее значение", "Current value"},
    {kStringCurrentValue1, "Текущее значение 1", "Current value 1"},
    {kStringCurrentValue2, "Текущее значение 2", "Current value 2"},
    {kStringTooFewChannels, "    Датчик нельзя выбрать: не хватает свободных каналов",
     "    The sensor cannot be chosen: not enough free channels"},
}};

}  // namespace

std::string_view LoadString(int id, std::uint16_t language) {
  for (const StringRow& row : kStrings) {
    if (row.Id == id) return language == 1049 ? row.Ru : row.En;
  }
  return {};
}
