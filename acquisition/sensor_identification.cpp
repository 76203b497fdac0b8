// Sensor identification: key computation, the key table with its name lines, and the inverse.
#include "acquisition/sensor_identification.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>

namespace {

// Name variants: most codes have one name pair; these tell apart the codes that have several.
constexpr std::uint8_t kPlain = 0;
constexpr std::uint8_t kWireless = 1;  // codes 7, 8, 35 behind the wireless receiver
constexpr std::uint8_t kHumidity = 0;  // code 0 is shared by four unrelated sensors
constexpr std::uint8_t kOpticalDensity = 1;
constexpr std::uint8_t kLight200 = 2;
constexpr std::uint8_t kVoltage3V3 = 3;

constexpr SensorKeyEntry Row(const char (&chars)[3], std::uint16_t sum, std::uint8_t type,
                             std::uint8_t code, std::uint8_t channels = 1,
                             std::uint8_t variant = kPlain) {
  SensorKeyEntry entry;
  entry.Key = SensorKey(chars[0], chars[1], sum);
  entry.DeviceTypeCode = type;
  entry.SensorCode = code;
  entry.ChannelCount = channels;
  entry.NameVariant = variant;
  return entry;
}

// Row(first two characters, sum of the rest, DeviceTypeCode, SensorCode[, channels[, names]]),
// in key order (sum first, then the two characters).
constexpr std::array kKeyTable = {
    Row("39", 987, 11, 37),
    Row("47", 1020, 11, 46),
    Row("40", 1039, 11, 38),
    Row("82", 1045, 11, 84),
    Row("45", 1049, 11, 44),
    Row("31", 1051, 11, 29),
    Row("33", 1051, 11, 32),
    Row("41", 1061, 11, 39),
    Row("44", 1061, 11, 43),
    Row("15", 1063, 11, 2),
    Row("22", 1068, 11, 41),
    Row("56", 1068, 11, 54),
    Row("46", 1073, 11, 45),
    Row("55", 1078, 11, 53),
    Row("13", 1081, 11, 0, 1, kHumidity),
    Row("81", 1081, 11, 83),
    Row("32", 1095, 11, 30),
    Row("18", 1098, 11, 0, 1, kOpticalDensity),
    Row("34", 1099, 11, 33),
    Row("77", 1099, 11, 78),
    Row("01", 1115, 11, 10),
    Row("75", 1120, 11, 75),
    Row("49", 1133, 11, 7, 4),
    Row("50", 1133, 11, 8, 4),
    Row("42", 1136, 11, 40),
    Row("12", 1137, 11, 27),
    Row("10", 1138, 11, 14),
    Row("38", 1138, 11, 36),
    Row("23", 1142, 11, 0, 1, kLight200),
    Row("35", 1145, 11, 31),
    Row("05", 1149, 11, 16),
    Row("26", 1151, 11, 0, 1, kOpticalDensity),
    Row("20", 1153, 11, 0, 1, kOpticalDensity),
    Row("19", 1155, 11, 0, 1, kOpticalDensity),
    Row("14", 1156, 11, 1),
    Row("09", 1167, 11, 26),
    Row("17", 1180, 11, 5),
    Row("04", 1195, 11, 9),
    Row("24", 1195, 11, 6),
    Row("69", 1201, 11, 69),
    Row("02", 1209, 11, 18),
    Row("76", 1211, 11, 76),
    Row("64", 1212, 8, 64),
    Row("66", 1214, 11, 66),
    Row("85", 1220, 11, 87),
    Row("07", 1222, 11, 13),
    Row("83", 1222, 11, 85),
    Row("37", 1225, 11, 35),
    Row("54", 1234, 11, 52, 3),
    Row("57", 1236, 11, 57, 3),
    Row("68", 1243, 11, 68),
    Row("00", 1246, 11, 0, 1, kVoltage3V3),
    Row("70", 1247, 11, 70),
    Row("80", 1255, 11, 80),
    Row("03", 1257, 11, 17),
    Row("67", 1262, 11, 67),
    Row("84", 1265, 11, 86),
    Row("21", 1295, 1, 43),
    Row("71", 1295, 11, 71),
    Row("53", 1296, 11, 51),
    Row("16", 1300, 11, 3),
    Row("72", 1303, 11, 72),
    Row("59", 1306, 6, 59),
    Row("08", 1318, 11, 12),
    Row("36", 1353, 11, 34),
    Row("65", 1357, 8, 65),
    Row("25", 1365, 11, 4),
    Row("65", 1366, 1, 2),
    Row("66", 1366, 1, 3),
    Row("86", 1378, 11, 88),
    Row("79", 1379, 11, 79),
    Row("06", 1383, 11, 11),
    Row("74", 1383, 1, 74),
    Row("51", 1384, 3, 7, 4, kWireless),
    Row("52", 1384, 3, 8, 4, kWireless),
    Row("48", 1386, 11, 48),
    Row("11", 1393, 11, 25),
    Row("51", 1418, 1, 10),
    Row("60", 1441, 1, 14),
    Row("55", 1452, 1, 16),
    Row("64", 1459, 1, 1),
    Row("43", 1463, 11, 42),
    Row("58", 1476, 3, 35, 1, kWireless),
    Row("27", 1477, 11, 21),
    Row("29", 1481, 11, 23),
    Row("67", 1483, 1, 5),
    Row("54", 1498, 1, 9),
    Row("74", 1498, 1, 6),
    Row("78", 1508, 11, 77),
    Row("52", 1512, 1, 18),
    Row("28", 1525, 11, 20),
    Row("57", 1525, 1, 13),
    Row("30", 1529, 11, 22),
    Row("50", 1549, 1, 0, 1, kVoltage3V3),
    Row("73", 1554, 11, 73),
    Row("53", 1560, 1, 17),
    Row("58", 1621, 1, 12),
    Row("75", 1668, 1, 4),
    Row("56", 1686, 1, 11),
    Row("61", 1696, 1, 25),
    Row("77", 1780, 1, 21),
    Row("79", 1784, 1, 23),
    Row("78", 1828, 1, 20),
    Row("80", 1832, 1, 22),
};

struct SensorNameRow {
  std::uint8_t SensorCode;
  std::uint8_t Variant;
  SensorNames Names;
};

// {SensorCode, variant, {Russian line 1, Russian line 2, English line 1, English line 2}}. A button
// names its kind as the kind's information page titles it.
constexpr SensorNameRow kNameTable[] = {
    {0, kHumidity, {"Датчик влажности", {}, "Humidity sensor", {}}},
    {0, kOpticalDensity, {"Датчик", "оптической плотности", "Optical density", "sensor"}},
    {0, kLight200, {"Датчик освещенности 200лк", {}, "Light sensor 200lk", {}}},
    {0, kVoltage3V3, {"Датчик напряжения 3.3V", {}, "Sensor voltage 3.3V", {}}},
    {1, kPlain, {"Датчик", "температуры -5...+105°С", "Temperature sensor", " -5...+105°C"}},
    {2, kPlain, {"Датчик", "температуры -20...+110°С", "Temperature sensor", " -20...+110°C"}},
    {3, kPlain, {"Датчик", "температуры -50...+150°С", "Temperature sensor", " -50...+150°C"}},
    {4, kPlain, {"Датчик", "температуры -50...+1000°С", "Temperature sensor", "-50...+1000°C"}},
    {5, kPlain, {"Датчик pH", {}, "pH sensor", {}}},
    {6, kPlain, {"Датчик", "электропроводности", "Conductivity sensor", {}}},
    {7, kPlain, {"Датчик ускорения 1.5g", {}, "Acceleration sensor 1.5g", {}}},
    {7, kWireless, {"Датчик ускорения 1.5g", "беспроводной", "Acceleration sensor 1.5g", "wireless"}},
    {8, kPlain, {"Датчик ускорения 6g", {}, "Acceleration sensor 6g", {}}},
    {8, kWireless, {"Датчик ускорения 6g", "беспроводной", "Acceleration sensor 6g", "wireless"}},
    {9, kPlain, {"Датчик напряжения ±10V", {}, "Sensor voltage ±10V", {}}},
    {10, kPlain, {"Датчик силы тока ±2А", {}, "Sensor current ±2A", {}}},
    {11, kPlain, {"Датчик напряжения ±10V", "и силы тока ±2A", "Sensor voltage ±10V", "and current ±2A"}},
    {12, kPlain, {"Датчик относительного", "давления ±100кПа", "Relative pressure sensor", " ±100kPa"}},
    {13, kPlain, {"Датчик относительного", "давления 100кПа", "Relative pressure sensor", " 100kPa"}},
    {14, kPlain, {"Датчик", "магнитного поля ±100 мТл", "Magnetic field sensor", " ± 100mT"}},
    {16, kPlain, {"Датчик напряжения ±50V", {}, "Sensor voltage ±50V", {}}},
    {17, kPlain, {"Датчик силы тока ±20mА", {}, "Sensor current ±20mA", {}}},
    {18, kPlain, {"Датчик силы тока ±200mА", {}, "Sensor current ±200mA", {}}},
    {20, kPlain, {"Датчик напряжения ±10V", "и силы тока ±20мA", "Sensor voltage ±10V", "and current ±20mA"}},
    {21, kPlain, {"Датчик напряжения ±10V", "и силы тока ±200мA", "Sensor voltage ±10V", "and current ±200mA"}},
    {22, kPlain, {"Датчик напряжения ±50V", "и силы тока ±20мA", "Sensor voltage ±50V", "and current ±20mA"}},
    {23, kPlain, {"Датчик напряжения ±50V", "и силы тока ±200мA", "Sensor voltage ±50V", "and current ±200mA"}},
    {25, kPlain, {"Датчик угла", {}, "Angle sensor", {}}},
    {26, kPlain, {"Датчик абсолютного", "давления 200кПа", "Absolute pressure sensor", " 200kPa"}},
    {27, kPlain, {"Датчик влажности", {}, "Humidity sensor", {}}},
    {29, kPlain, {"Датчик электропроводности", " 5мСм/см", "Conductivity sensor", "5mS/cm"}},
    {30, kPlain, {"Датчик электропроводности", " 0.1мСм/см", "Conductivity sensor", "0.1mS/cm"}},
    {31, kPlain, {"Датчик угла ±360°", {}, "Angle sensor ±360°", {}}},
    {32, kPlain, {"Датчик освещённости 600лк", {}, "Light sensor 600lx", {}}},
    {33, kPlain, {"Датчик ", "освещённости 6000лк", "Light sensor 6000lx", {}}},
    {34, kPlain, {"Датчик", "оптической плотности", "Optical density sensor", {}}},
    {35, kPlain, {"Датчик пульса", {}, "Pulse sensor", {}}},
    {35, kWireless, {"Датчик пульса", "беспроводной", "Pulse sensor", "wireless"}},
    {36, kPlain, {"Датчик", "магнитного поля ±1 мТл", "Magnetic field sensor ± 1mT", {}}},
    {37, kPlain, {"Датчик радиоактивности", {}, "Radioactivity sensor", {}}},
    {38, kPlain, {"Датчик", "электрокардиограммы (ЭКГ)", "Electrocardiogram (ECG)", " sensor"}},
    {39, kPlain, {"Датчик", "артериального давления", "Blood pressure sensor", {}}},
    {40, kPlain, {"Датчик частоты", "дыхания", "Frequency of breath", "sensor"}},
    {41, kPlain, {"Датчик положения", "(магнитозатвор)", "Position sensor (ME)", {}}},
    {42, kPlain, {"Датчик напряжения ±10V", "и ±10V", "Sensor voltage ±10V", "and ±10V"}},
    {43, kPlain, {"Датчик положения", "(оптозатвор)", "Position sensor", {}}},
    {44, kPlain, {"Датчик звука", {}, "Sound sensor", {}}},
    {45, kPlain, {"Датчик объёма газа ", "с контролем температуры", "Gas volume sensor ", "with temperature control"}},
    {46, kPlain, {"Датчик", "температуры +10...+80°С", "Temperature sensor", " +10...+80°C"}},
    {48, kPlain, {"Датчик дыхания", "(спирометр)", "Breath sensor", "(spirometer)"}},
    {51, kPlain, {"Датчик напряжения 2x3.3V", {}, "Sensor voltage 2x3.3V", {}}},
    {52, kPlain, {"ИК датчик расстояния", {}, "IR distance sensor", {}}},
    {53, kPlain, {"Датчик силы", {}, "Force sensor", {}}},
    {54, kPlain, {"Датчик", "термопара +15...+125°С", "Temperature sensor", "+15...125°C"}},
    {57, kPlain, {"ИК датчик расстояния", {}, "IR distance sensor", {}}},
    {59, kPlain, {"Датчик силы", {}, "Force sensor", {}}},
    {64, kPlain, {"Датчик расстояния 3м", "(ультразвуковой)", "Distance sensor 3m", "(ultrasonic)"}},
    {65, kPlain, {"Датчик расстояния 0.8м", "(ультразвуковой)", "Distance sensor 0.8m", "(ultrasonic)"}},
    {66, kPlain, {"Датчик силы тока ±2.5А", {}, "Sensor current ±2.5A", {}}},
    {67, kPlain, {"Датчик силы тока ±0.25А", {}, "Sensor current ±0.25A", {}}},
    {68, kPlain, {"Датчик напряжения ±100V", {}, "Sensor voltage ±100V", {}}},
    {69, kPlain, {"Датчик напряжения ±25V", {}, "Sensor voltage ±25V", {}}},
    {70, kPlain, {"Датчик напряжения ±2.5V", {}, "Sensor voltage ±2.5V", {}}},
    {71, kPlain, {"Датчик напряжения ±0.25V", {}, "Sensor voltage ±0.25V", {}}},
    {72, kPlain, {"Датчик", "температуры -50...+180°С", "Temperature sensor", " -50...+180°C"}},
    {73, kPlain, {"Набор", "вращательное движение", "Rotation sensor", {}}},
    {74, kPlain, {"Демонстрационная", " механика", "Position sensor", {}}},
    {75, kPlain, {"Датчик электрохимического", " потенциала", "Sensor", {}}},
    {76, kPlain, {"Датчик мутности", "(турбидиметр)", "Turbidity sensor", {}}},
    {77, kPlain, {"Датчик частоты вращения", {}, "Rotation sensor", {}}},
    {78, kPlain, {"Датчик звука ", "двухканальный", "Sound sensor", {}}},
    {79, kPlain, {"Датчик звука", "с интегрированием", "Sound sensor", {}}},
    {80, kPlain, {"Датчик ", "освещённости", "Light sensor", {}}},
    {83, kPlain, {"Датчик силы", {}, "Force sensor", {}}},
    {84, kPlain, {"Датчик ", "атмосферного давления", "Barometr", {}}},
    {85, kPlain, {"Датчик абсолютного", "давления 700кПа", "Absolute pressure sensor", " 700kPa"}},
    {86, kPlain, {"Датчик абсолютного", "давления 115кПа", "Absolute pressure sensor", " 115kPa"}},
    {87, kPlain, {"Датчик дифференциального", "давления 200кПа", "Differential pressure sensor", " 200kPa"}},
    {88, kPlain, {"Датчик магнитного поля", " ±100 мТл и ±100 мТл", "Magnetic field sensor", " ± 100mT and ± 100mT"}},
};

constexpr bool KeysStrictlyAscending() {
  for (std::size_t i = 1; i < kKeyTable.size(); ++i) {
    if (kKeyTable[i - 1].Key >= kKeyTable[i].Key) return false;
  }
  return true;
}

constexpr int NameRowsFor(std::uint8_t code, std::uint8_t variant) {
  int count = 0;
  for (const SensorNameRow& row : kNameTable) {
    if (row.SensorCode == code && row.Variant == variant) ++count;
  }
  return count;
}

constexpr bool EveryKeyHasOneNamePair() {
  for (const SensorKeyEntry& entry : kKeyTable) {
    if (NameRowsFor(entry.SensorCode, entry.NameVariant) != 1) return false;
  }
  return true;
}

constexpr bool EveryNamePairIsUsed() {
  for (const SensorNameRow& row : kNameTable) {
    const bool used = std::any_of(kKeyTable.begin(), kKeyTable.end(), [&](const SensorKeyEntry& e) {
      return e.SensorCode == row.SensorCode && e.NameVariant == row.Variant;
    });
    if (!used || row.Names.Line1Ru.empty() || row.Names.Line1En.empty()) return false;
  }
  return true;
}

static_assert(kKeyTable.size() == 104);
static_assert(KeysStrictlyAscending(), "the lookup searches the keys in order");
static_assert(EveryKeyHasOneNamePair());
static_assert(EveryNamePairIsUsed());

std::uint8_t Byte(char c) { return static_cast<std::uint8_t>(c); }

}  // namespace

std::uint32_t DescriptionKey(const char* description, std::size_t max_len) {
  if (description == nullptr) return 0;
  const std::size_t limit = std::min(max_len, kDescriptionMaxLength);
  std::size_t length = 0;
  while (length < limit && description[length] != '\0') ++length;

  const std::uint8_t c0 = length > 0 ? Byte(description[0]) : 0;
  const std::uint8_t c1 = length > 1 ? Byte(description[1]) : 0;
  std::uint16_t sum = 0;
  for (std::size_t i = 2; i < length; ++i) {
    sum = static_cast<std::uint16_t>(sum + static_cast<std::int8_t>(Byte(description[i])));
  }
  return SensorKey(static_cast<char>(c0), static_cast<char>(c1), sum);
}

std::uint32_t DescriptionKey(std::string_view description) {
  return DescriptionKey(description.data(), description.size());
}

std::span<const SensorKeyEntry> SensorKeyTable() { return kKeyTable; }

const SensorKeyEntry* FindSensorKey(std::uint32_t key) {
  const auto it = std::lower_bound(kKeyTable.begin(), kKeyTable.end(), key,
                                   [](const SensorKeyEntry& e, std::uint32_t k) { return e.Key < k; });
  if (it == kKeyTable.end() || it->Key != key) return nullptr;
  return &*it;
}

const SensorNames& SensorNamesOf(const SensorKeyEntry& entry) {
  // Every row has exactly one name pair (checked at compile time above).
  return std::find_if(std::begin(kNameTable), std::end(kNameTable), [&](const SensorNameRow& row) {
           return row.SensorCode == entry.SensorCode && row.Variant == entry.NameVariant;
         })->Names;
}

SensorIdentity IdentifyKey(std::uint32_t key, bool english) {
  const SensorKeyEntry* entry = FindSensorKey(key);
  if (entry == nullptr) return {};
  const SensorNames& names = SensorNamesOf(*entry);
  SensorIdentity identity;
  identity.Found = true;
  identity.DeviceTypeCode = entry->DeviceTypeCode;
  identity.SensorCode = entry->SensorCode;
  identity.ChannelCount = entry->ChannelCount;
  identity.NameLine1 = english ? names.Line1En : names.Line1Ru;
  identity.NameLine2 = english ? names.Line2En : names.Line2Ru;
  identity.TwoLines = !identity.NameLine2.empty();
  identity.Model = entry->Model;
  return identity;
}

SensorIdentity IdentifyDescription(const char* description, std::size_t max_len, bool english) {
  return IdentifyKey(DescriptionKey(description, max_len), english);
}

std::optional<std::string> MakeDescriptionForKey(std::uint32_t key) {
  const char c0 = static_cast<char>((key >> 8) & 0xFF);
  const char c1 = static_cast<char>(key & 0xFF);
  // Filler of at most 61 bytes sums to no more than ±7808, so the signed reading of S is the only
  // one within reach.
  const int sum = static_cast<std::int16_t>(key >> 16);

  std::string description;
  if (c0 == '\0') return key == 0 ? std::optional<std::string>(description) : std::nullopt;
  description.push_back(c0);
  if (c1 == '\0') return sum == 0 ? std::optional<std::string>(description) : std::nullopt;
  description.push_back(c1);
  if (sum == 0) return description;

  constexpr std::size_t kRoom = kDescriptionMaxLength - 1 - 2;
  auto bytes_needed = [&](int widest) {
    return static_cast<std::size_t>((std::abs(sum) + std::abs(widest) - 1) / std::abs(widest));
  };
  // Positive sums use bytes up to '~' so they stay printable; DEL only when '~' is not enough.
  int widest = sum > 0 ? '~' : -128;
  std::size_t count = bytes_needed(widest);
  if (count > kRoom && sum > 0) {
    widest = 127;
    count = bytes_needed(widest);
  }
  if (count > kRoom) return std::nullopt;

  // An even spread keeps every byte near sum / count: printable for any sum from a space up, and
  // never zero since count never exceeds |sum|.
  const int n = static_cast<int>(count);
  const int base = sum / n;
  const int rest = sum - base * n;
  const int step = sum > 0 ? 1 : -1;
  for (int i = 0; i < n; ++i) {
    const int value = base + (i < std::abs(rest) ? step : 0);
    description.push_back(static_cast<char>(static_cast<std::uint8_t>(value & 0xFF)));
  }
  return description;
}
