// Building EEPROM descriptions from identification keys.
#include "sim/description.h"

#include "acquisition/sensor_identification.h"

namespace sim {

std::uint32_t DescriptionKey(const std::string& description) {
  std::uint16_t sum = 0;
  for (size_t i = 2; i < description.size(); ++i) {
    sum = static_cast<std::uint16_t>(sum + static_cast<std::int8_t>(description[i]));
  }
  auto byte = [&](size_t i) -> std::uint32_t {
    return i < description.size() ? static_cast<std::uint8_t>(description[i]) : 0u;
  };
  return (static_cast<std::uint32_t>(sum) << 16) | (byte(0) << 8) | byte(1);
}

std::optional<std::string> DescriptionForKey(const std::string& first_two, std::uint16_t sum) {
  if (first_two.size() != 2) return std::nullopt;
  constexpr int kLow = 0x21;    // '!': fill characters are visible, so no trailing space is trimmed
  constexpr int kHigh = 0x7E;   // '~'
  constexpr int kMaxLength = 63;  // the terminator still fits a 64-byte buffer
  for (const char* middle : {" SIM ", ""}) {
    std::string text = first_two + middle;
    int rest = sum;
    for (size_t i = 2; i < text.size(); ++i) rest -= static_cast<unsigned char>(text[i]);
    if (rest < 0) continue;
    int count = (rest + kHigh - 1) / kHigh;
    if (static_cast<int>(text.size()) + count > kMaxLength || rest < kLow * count) continue;
    // Spread the rest evenly over the fewest characters that can carry it.
    for (int i = 0; i < count; ++i) {
      int share = rest / (count - i);
      text.push_back(static_cast<char>(share));
      rest -= share;
    }
    return text;
  }
  return std::nullopt;
}

std::optional<std::string> DescriptionForSensorKey(std::uint32_t key) { return MakeDescriptionForKey(key); }

std::optional<std::uint32_t> KeyForSensorKind(int sensor_code, std::optional<int> device_type) {
  for (const SensorKeyEntry& entry : SensorKeyTable()) {
    if (entry.SensorCode == sensor_code && (!device_type || entry.DeviceTypeCode == *device_type)) return entry.Key;
  }
  return std::nullopt;
}

std::optional<std::string> DescriptionForSensorKind(int sensor_code, std::optional<int> device_type) {
  std::optional<std::uint32_t> key = KeyForSensorKind(sensor_code, device_type);
  return key ? DescriptionForSensorKey(*key) : std::nullopt;
}

}  // namespace sim
