// EEPROM descriptions that identify as a chosen sensor kind: the key of a description and its inverse.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sim {

// The identification key of a description: (sum << 16) | (first char << 8) | second char, where sum
// is the wrapping 16-bit sum of the characters from the third on, each taken as a signed byte.
std::uint32_t DescriptionKey(const std::string& description);

// A printable description of at most 63 characters that starts with `first_two` and whose key has
// the sum `sum`; empty when no such printable text exists.
std::optional<std::string> DescriptionForKey(const std::string& first_two, std::uint16_t sum);

// A description that identifies as the key (the program's own inverse of its key); empty when the
// key cannot be written in an EEPROM description.
std::optional<std::string> DescriptionForSensorKey(std::uint32_t key);

// The key of a sensor kind: the first row of the key table, in key order, with that SensorCode
// (and that DeviceTypeCode when one is given); empty when no row has them.
std::optional<std::uint32_t> KeyForSensorKind(int sensor_code, std::optional<int> device_type = std::nullopt);

// A description of the first key of the sensor kind, as KeyForSensorKind chooses it.
std::optional<std::string> DescriptionForSensorKind(int sensor_code, std::optional<int> device_type = std::nullopt);

}  // namespace sim
