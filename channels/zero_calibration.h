// Zero-reference table of the sensor kinds: what zero setting does for a kind and its code of zero input.
#pragma once

#include <cstdint>

enum class ZeroSetting : std::uint8_t {
  ReferenceCode,  // the code is shifted onto the kind's code of zero input
  None,           // the kind has no zero setting
  ValueOffset,    // the present value is subtracted instead
  Clear,          // the offset is cleared
};

struct ZeroReference {
  ZeroSetting Setting = ZeroSetting::Clear;
  std::int16_t Code12 = 0;  // 12-bit units
  std::int16_t Code10 = 0;  // 10-bit units (DeviceTypeCode 1 and 3)
};

// Kinds beyond the table clear the offset.
ZeroReference ZeroReferenceFor(std::uint16_t sensor_code);

// True for the families whose zero reference is the 10-bit one.
constexpr bool TenBitZeroReference(std::uint8_t device_type_code) {
  return device_type_code == 1 || device_type_code == 3;
}
