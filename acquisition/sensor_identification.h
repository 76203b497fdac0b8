// Sensor identification: the key of an EEPROM description and the table of known sensor units.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// The chip's EEPROM holds at most this many description bytes; a full one has no terminator.
inline constexpr std::size_t kDescriptionMaxLength = 64;

// Name lines of one sensor in both interface languages; an empty line 2 means the unit has none.
struct SensorNames {
  std::string_view Line1Ru;
  std::string_view Line2Ru;
  std::string_view Line1En;
  std::string_view Line2En;
};

// One row of the key table.
struct SensorKeyEntry {
  std::uint32_t Key = 0;
  std::uint8_t DeviceTypeCode = 11;
  std::uint8_t SensorCode = 0;
  std::uint8_t ChannelCount = 1;
  // Which of the sensor code's name pairs this key shows (a few codes have more than one).
  std::uint8_t NameVariant = 0;
  // The maker's catalogue code; stored with the unit, never shown. Not known, so left empty.
  std::string_view Model;
};

// What a description identifies; the fields a unit takes over from identification.
struct SensorIdentity {
  bool Found = false;
  std::uint8_t DeviceTypeCode = 11;
  std::uint8_t SensorCode = 0;
  std::uint8_t ChannelCount = 1;
  std::string_view NameLine1;
  std::string_view NameLine2;
  bool TwoLines = false;  // set exactly when line 2 is given in the chosen language
  std::string_view Model;
};

// The key of a description: (S << 16) | (C0 << 8) | C1, with C0 and C1 the first two bytes
// (unsigned) and S the wrapping 16-bit sum of the bytes after them, each as a signed 8-bit value.
// Reads up to the terminator and never past max_len bytes (clamped to kDescriptionMaxLength), so a
// full EEPROM buffer without a terminator is safe. Bytes after a terminator count as zero.
std::uint32_t DescriptionKey(const char* description, std::size_t max_len);
std::uint32_t DescriptionKey(std::string_view description);

// The key of a table row written as its two leading characters and their sum.
constexpr std::uint32_t SensorKey(char c0, char c1, std::uint16_t sum) {
  return (static_cast<std::uint32_t>(sum) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(c0)) << 8) |
         static_cast<unsigned char>(c1);
}

// All 104 rows, sorted by key.
std::span<const SensorKeyEntry> SensorKeyTable();

// The row of a key, or null when the key names no sensor.
const SensorKeyEntry* FindSensorKey(std::uint32_t key);

// The name lines a row shows.
const SensorNames& SensorNamesOf(const SensorKeyEntry& entry);

// Identity of a key; Found is false (and the rest at its defaults) for an unknown key.
SensorIdentity IdentifyKey(std::uint32_t key, bool english);

// Identity of an EEPROM description: DescriptionKey, then IdentifyKey.
SensorIdentity IdentifyDescription(const char* description, std::size_t max_len, bool english);

// A description whose key is the given one: the two leading characters, then filler bytes that
// are printable ASCII where the sum allows, at most kDescriptionMaxLength - 1 bytes in all so it
// fits the EEPROM with its terminator. Empty optional when no such description exists.
std::optional<std::string> MakeDescriptionForKey(std::uint32_t key);
