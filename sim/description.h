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

}  // namespace sim
