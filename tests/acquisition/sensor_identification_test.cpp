// Tests of sensor identification: the description key, the key table and generated descriptions.
#include "acquisition/sensor_identification.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <set>
#include <string>

namespace {

bool IsPrintableAscii(char c) { return c >= 0x20 && c <= 0x7E; }

std::string Bytes(const std::string& s) {
  std::string out;
  for (unsigned char c : s) out += std::to_string(c) + ' ';
  return out;
}

// Every row, through a description made for its key, comes back as that row in both languages;
// the same description with one byte moved by one is refused.
TEST(SensorIdentification, EveryKeyRoundTripsThroughItsDescription) {
  ASSERT_EQ(SensorKeyTable().size(), 104u);
  for (const SensorKeyEntry& entry : SensorKeyTable()) {
    SCOPED_TRACE(testing::Message() << "key 0x" << std::hex << entry.Key);
    const std::optional<std::string> description = MakeDescriptionForKey(entry.Key);
    ASSERT_TRUE(description.has_value());
    EXPECT_LE(description->size(), kDescriptionMaxLength - 1);
    for (char c : *description) EXPECT_TRUE(IsPrintableAscii(c)) << Bytes(*description);
    EXPECT_EQ(DescriptionKey(*description), entry.Key);

    const SensorNames& names = SensorNamesOf(entry);
    for (bool english : {false, true}) {
      const SensorIdentity id =
          IdentifyDescription(description->c_str(), description->size() + 1, english);
      ASSERT_TRUE(id.Found);
      EXPECT_EQ(id.DeviceTypeCode, entry.DeviceTypeCode);
      EXPECT_EQ(id.SensorCode, entry.SensorCode);
      EXPECT_EQ(id.ChannelCount, entry.ChannelCount);
      EXPECT_EQ(id.NameLine1, english ? names.Line1En : names.Line1Ru);
      EXPECT_EQ(id.NameLine2, english ? names.Line2En : names.Line2Ru);
      EXPECT_EQ(id.TwoLines, !id.NameLine2.empty());
      EXPECT_FALSE(id.NameLine1.empty());
      EXPECT_TRUE(id.Model.empty());
    }

    for (int delta : {1, -1}) {
      std::string changed = *description;
      changed.back() = static_cast<char>(changed.back() + delta);
      EXPECT_FALSE(IdentifyDescription(changed.c_str(), changed.size() + 1, false).Found)
          << "sum changed by " << delta;
    }
  }
}

// Rows checked against the table as published, one per family and per name special case.
TEST(SensorIdentification, KnownKeysGiveTheirUnits) {
  struct Case {
    char c0, c1;
    std::uint16_t sum;
    int type, code, channels;
    const char *ru1, *ru2, *en1, *en2;
  };
  const Case cases[] = {
      {'0', '0', 1246, 11, 0, 1, "Датчик напряжения 3.3V", "", "Sensor voltage 3.3V", ""},
      {'5', '0', 1549, 1, 0, 1, "Датчик напряжения 3.3V", "", "Sensor voltage 3.3V", ""},
      {'1', '3', 1081, 11, 0, 1, "Датчик влажности", "", "Humidity sensor", ""},
      {'1', '8', 1098, 11, 0, 1, "Датчик", "оптической плотности", "Датчик", "оптической плотности"},
      {'2', '3', 1142, 11, 0, 1, "Датчик освещенности 200лк", "", "Light sensor 200lk", ""},
      {'4', '9', 1133, 11, 7, 4, "Датчик ускорения 1.5g", "", "Датчик ускорения 1.5g", ""},
      {'5', '1', 1384, 3, 7, 4, "Датчик ускорения 1.5g", "беспроводной", "Датчик ускорения 1.5g",
       "беспроводной"},
      {'5', '2', 1384, 3, 8, 4, "Датчик ускорения 6g", "беспроводной", "Датчик ускорения 6g",
       "беспроводной"},
      {'3', '7', 1225, 11, 35, 1, "Датчик пульса", "", "Pulse sensor", ""},
      {'5', '8', 1476, 3, 35, 1, "Датчик пульса", "беспроводной", "Pulse sensor", "wireless"},
      {'5', '9', 1306, 6, 59, 1, "Датчик силы", "", "Weight sensor", ""},
      {'6', '4', 1212, 8, 64, 1, "Датчик расстояния 3м", "(ультразвуковой)", "Ultrasonic sensor", ""},
      {'6', '5', 1357, 8, 65, 1, "Датчик расстояния 0.8м", "(ультразвуковой)", "Ultrasonic sensor", ""},
      {'6', '5', 1366, 1, 2, 1, "Датчик", "температуры -20...+110°С", "Temperature sensor",
       " -20...+110°С"},
      {'5', '4', 1234, 11, 52, 3, "ИК датчик расстояния", "", "IR sensor (distance)", ""},
      {'4', '6', 1073, 11, 45, 1, "Датчик объёма газа ", "с контролем температуры",
       "Датчик объёма газа ", "с контролем температуры"},
      {'3', '9', 987, 11, 37, 1, "Датчик радиоактивности", "", "Radioactivity sensor", ""},
      {'8', '0', 1832, 1, 22, 1, "Датчик напряжения ±50V", "и силы тока ±20мA", "Sensor voltage ±50V",
       "and current ±20mA"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.c0 << c.c1 << "/" << c.sum);
    const std::uint32_t key = SensorKey(c.c0, c.c1, c.sum);
    const SensorIdentity ru = IdentifyKey(key, false);
    const SensorIdentity en = IdentifyKey(key, true);
    ASSERT_TRUE(ru.Found);
    EXPECT_EQ(ru.DeviceTypeCode, c.type);
    EXPECT_EQ(ru.SensorCode, c.code);
    EXPECT_EQ(ru.ChannelCount, c.channels);
    EXPECT_EQ(ru.NameLine1, c.ru1);
    EXPECT_EQ(ru.NameLine2, c.ru2);
    EXPECT_EQ(ru.TwoLines, std::strlen(c.ru2) > 0);
    EXPECT_EQ(en.NameLine1, c.en1);
    EXPECT_EQ(en.NameLine2, c.en2);
    EXPECT_EQ(en.TwoLines, std::strlen(c.en2) > 0);
  }
}

// The table's make-up: which families identification can yield and how many units of each.
TEST(SensorIdentification, TableYieldsOnlyTheIdentifiableFamilies) {
  std::array<int, 12> per_type{};
  int four_channel = 0, three_channel = 0;
  for (const SensorKeyEntry& entry : SensorKeyTable()) {
    ASSERT_LT(entry.DeviceTypeCode, per_type.size());
    ++per_type[entry.DeviceTypeCode];
    four_channel += entry.ChannelCount == 4;
    three_channel += entry.ChannelCount == 3;
  }
  for (int type : {0, 2, 4, 5, 7, 9, 10}) EXPECT_EQ(per_type[type], 0) << "type " << type;
  EXPECT_EQ(per_type[3], 3);  // wireless receiver: two accelerometers and the pulse sensor
  EXPECT_EQ(per_type[6], 1);  // one force sensor
  EXPECT_EQ(per_type[8], 2);  // two ultrasonic distance sensors
  EXPECT_EQ(per_type[1] + per_type[11], 98);
  EXPECT_EQ(four_channel, 4);
  EXPECT_EQ(three_channel, 2);
}

// Descriptions written out by hand, with their sums worked out from the bytes.
TEST(SensorIdentification, HandWrittenDescriptions) {
  struct Case {
    std::string description;
    bool found;
    int code;
  };
  const Case cases[] = {
      // 12 x 'd' (100) + '.' (46) = 1246: the 3.3 V voltage sensor.
      {"00dddddddddddd.", true, 0},
      // One more: 1247 after "00" is no sensor.
      {"00dddddddddddd/", false, 0},
      // 10 x 'd' + 0xF3 (-13) = 987: radioactivity. Read unsigned, 0xF3 would give 1243.
      {"39dddddddddd\xF3", true, 37},
      // Same bytes, 0xF3 replaced by 0x73 ('s', +115): 1115 is no "39" sensor.
      {"39dddddddddds", false, 0},
      // 14 x 'd' + 'L' (76) = 1476: the wireless pulse sensor.
      {"58ddddddddddddddL", true, 35},
      // 1133 with "49" is the 1.5 g accelerometer, with "50" the 6 g one: 11 x 'd' + '!' (33).
      {"49ddddddddddd!", true, 7},
      {"50ddddddddddd!", true, 8},
      // Descriptions of two characters or fewer are no sensors.
      {"", false, 0},
      {"0", false, 0},
      {"00", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Bytes(c.description));
    const SensorIdentity id = IdentifyDescription(c.description.c_str(), c.description.size() + 1,
                                                  false);
    EXPECT_EQ(id.Found, c.found);
    if (c.found) {
      EXPECT_EQ(id.SensorCode, c.code);
    }
  }
}

TEST(SensorIdentification, KeyOfShortAndSignedDescriptions) {
  EXPECT_EQ(DescriptionKey(nullptr, 64), 0u);
  EXPECT_EQ(DescriptionKey(""), 0u);
  EXPECT_EQ(DescriptionKey("7"), SensorKey('7', '\0', 0));
  EXPECT_EQ(DescriptionKey("00"), SensorKey('0', '0', 0));
  // A lone negative byte wraps the 16-bit sum below zero.
  EXPECT_EQ(DescriptionKey("00\x80"), SensorKey('0', '0', 0xFF80));
  EXPECT_EQ(DescriptionKey("00\xFF\x01"), SensorKey('0', '0', 0));
  // The first two bytes count unsigned.
  EXPECT_EQ(DescriptionKey("\xC4\xE0"), 0xC4E0u);
  // Bytes after the terminator do not count, even inside max_len.
  const char after_terminator[] = "00dd\0dddd";
  EXPECT_EQ(DescriptionKey(after_terminator, sizeof after_terminator), SensorKey('0', '0', 200));
  // A terminator in place of the second byte ends the description there.
  const char one_char[] = "0\0" "5";
  EXPECT_EQ(DescriptionKey(one_char, sizeof one_char), SensorKey('0', '\0', 0));
}

// A full EEPROM description has no terminator: the key reads exactly 64 bytes and no further.
TEST(SensorIdentification, FullDescriptionWithoutTerminator) {
  std::array<char, 80> buffer;
  buffer.fill('x');  // what lies beyond the description must not count
  std::string description = "00" + std::string(12, 'd') + "Z\xD4";  // 1200 + 90 - 44 = 1246
  while (description.size() < kDescriptionMaxLength) description += "d\x9C";  // +100 - 100
  ASSERT_EQ(description.size(), kDescriptionMaxLength);
  std::memcpy(buffer.data(), description.data(), description.size());

  const std::uint32_t key = SensorKey('0', '0', 1246);
  EXPECT_EQ(DescriptionKey(buffer.data(), kDescriptionMaxLength), key);
  EXPECT_EQ(DescriptionKey(buffer.data(), buffer.size()), key);  // longer bounds clamp to 64
  EXPECT_EQ(DescriptionKey(std::string_view(buffer.data(), buffer.size())), key);
  const SensorIdentity id = IdentifyDescription(buffer.data(), kDescriptionMaxLength, true);
  ASSERT_TRUE(id.Found);
  EXPECT_EQ(id.NameLine1, "Sensor voltage 3.3V");
  // A shorter bound cuts the sum: the first 63 bytes drop the last 0x9C (-100), so 1346.
  EXPECT_EQ(DescriptionKey(buffer.data(), 63), SensorKey('0', '0', 1346));
}

// The inverse over keys outside the table: sums of every sign, the reach of 61 filler bytes and
// keys no description can have.
TEST(SensorIdentification, DescriptionForArbitraryKeys) {
  struct Case {
    std::uint32_t key;
    bool possible;
  };
  const Case cases[] = {
      {0, true},                                   // the empty description
      {SensorKey('7', '\0', 0), true},             // one character
      {SensorKey('7', '\0', 5), false},            // one character cannot carry a sum
      {SensorKey('\0', '7', 0), false},            // nothing follows a leading terminator
      {SensorKey('0', '0', 0), true},
      {SensorKey('0', '0', 1), true},              // below a space: one control byte
      {SensorKey('0', '0', 31), true},
      {SensorKey('0', '0', 32), true},
      {SensorKey('0', '0', 127), true},
      {SensorKey('0', '0', 61 * 126), true},       // all '~'
      {SensorKey('0', '0', 61 * 127), true},       // needs DEL bytes
      {SensorKey('0', '0', 61 * 127 + 1), false},  // beyond 61 bytes
      {SensorKey('0', '0', 0x8000), false},
      {SensorKey('0', '0', 0xFFFF), true},                           // -1
      {SensorKey('0', '0', static_cast<std::uint16_t>(-61 * 128)), true},
      {SensorKey('0', '0', static_cast<std::uint16_t>(-61 * 128 - 1)), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "key 0x" << std::hex << c.key);
    const std::optional<std::string> description = MakeDescriptionForKey(c.key);
    ASSERT_EQ(description.has_value(), c.possible);
    if (!description) continue;
    EXPECT_LE(description->size(), kDescriptionMaxLength - 1);
    EXPECT_EQ(description->find('\0'), std::string::npos);
    EXPECT_EQ(DescriptionKey(*description), c.key);
    const int sum = static_cast<std::int16_t>(c.key >> 16);
    if (sum >= 32 && sum <= 61 * 126) {
      for (char ch : description->substr(2)) EXPECT_TRUE(IsPrintableAscii(ch)) << Bytes(*description);
    }
  }
}

}  // namespace
