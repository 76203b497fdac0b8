// Tests of sensor identification: the description key, the key table and generated descriptions.
#include "acquisition/sensor_identification.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace {

// Every row, through a description made for its key, comes back as that row in both languages;
// the same description with its last byte moved by one is refused.
TEST(SensorIdentification, EveryKeyRoundTripsThroughItsDescription) {
  ASSERT_EQ(SensorKeyTable().size(), 104u);
  for (const SensorKeyEntry& entry : SensorKeyTable()) {
    SCOPED_TRACE(testing::Message() << "key 0x" << std::hex << entry.Key);
    const std::optional<std::string> description = MakeDescriptionForKey(entry.Key);
    ASSERT_TRUE(description.has_value());
    EXPECT_LE(description->size(), kDescriptionMaxLength - 1);
    const SensorNames& names = SensorNamesOf(entry);
    for (bool english : {false, true}) {
      const SensorIdentity id = IdentifyDescription(description->c_str(), description->size() + 1, english);
      ASSERT_TRUE(id.Found);
      EXPECT_EQ(id.DeviceTypeCode, entry.DeviceTypeCode);
      EXPECT_EQ(id.SensorCode, entry.SensorCode);
      EXPECT_EQ(id.ChannelCount, entry.ChannelCount);
      EXPECT_EQ(id.NameLine1, english ? names.Line1En : names.Line1Ru);
      EXPECT_EQ(id.NameLine2, english ? names.Line2En : names.Line2Ru);
      EXPECT_EQ(id.TwoLines, !id.NameLine2.empty());
      EXPECT_TRUE(!english || (std::string(id.NameLine1) + std::string(id.NameLine2)).find_first_of("\xD0\xD1") == std::string::npos);
    }
    for (int delta : {1, -1}) {
      std::string changed = *description;
      changed.back() = static_cast<char>(changed.back() + delta);
      EXPECT_FALSE(IdentifyDescription(changed.c_str(), changed.size() + 1, false).Found) << delta;
    }
  }
}

// Descriptions written out by hand, with their sums worked out from the bytes.
TEST(SensorIdentification, HandWrittenDescriptions) {
  struct Case {
    std::string description;
    int code;  // -1: no sensor
  } cases[] = {
      {"00dddddddddddd.", 0},     // 12 x 'd' (100) + '.' (46) = 1246: the 3.3 V voltage sensor
      {"00dddddddddddd/", -1},    // 1247
      {"39dddddddddd\xF3", 37},   // 10 x 'd' + 0xF3 (-13) = 987: radioactivity; unsigned it would be 1243
      {"39dddddddddds", -1},      // 's' (+115) in its place: 1115
      {"", -1}, {"0", -1}, {"00", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    const SensorIdentity id = IdentifyDescription(c.description.c_str(), c.description.size() + 1, false);
    EXPECT_EQ(id.Found ? id.SensorCode : -1, c.code);
  }
}

TEST(SensorIdentification, KeyOfShortAndSignedDescriptions) {
  EXPECT_EQ(DescriptionKey(nullptr, 64), 0u);
  EXPECT_EQ(DescriptionKey("7"), SensorKey('7', '\0', 0));
  EXPECT_EQ(DescriptionKey("00\x80"), SensorKey('0', '0', 0xFF80));  // a lone negative byte wraps below zero
  EXPECT_EQ(DescriptionKey("\xC4\xE0"), 0xC4E0u);                    // the first two bytes count unsigned
  const char after_terminator[] = "00dd\0dddd";
  EXPECT_EQ(DescriptionKey(after_terminator, sizeof after_terminator), SensorKey('0', '0', 200));
  const char one_char[] = "0\0" "5";
  EXPECT_EQ(DescriptionKey(one_char, sizeof one_char), SensorKey('0', '\0', 0));
}

// A full EEPROM description has no terminator: the key reads exactly 64 bytes and no further.
TEST(SensorIdentification, FullDescriptionWithoutTerminator) {
  std::array<char, 80> buffer;
  buffer.fill('x');  // what lies beyond the description must not count
  std::string description = "00" + std::string(12, 'd') + "Z\xD4";  // 1200 + 90 - 44 = 1246
  while (description.size() < kDescriptionMaxLength) description += "d\x9C";  // +100 - 100
  std::memcpy(buffer.data(), description.data(), kDescriptionMaxLength);

  const std::uint32_t key = SensorKey('0', '0', 1246);
  EXPECT_EQ(DescriptionKey(buffer.data(), kDescriptionMaxLength), key);
  EXPECT_EQ(DescriptionKey(buffer.data(), buffer.size()), key);  // longer bounds clamp to 64
  EXPECT_EQ(DescriptionKey(std::string_view(buffer.data(), buffer.size())), key);
  EXPECT_EQ(IdentifyDescription(buffer.data(), kDescriptionMaxLength, true).NameLine1, "Sensor voltage 3.3V");
  // The first 63 bytes drop the last 0x9C (-100): 1346.
  EXPECT_EQ(DescriptionKey(buffer.data(), 63), SensorKey('0', '0', 1346));
}

}  // namespace
