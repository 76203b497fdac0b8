// Building EEPROM descriptions from identification keys.
#include "sim/description.h"

#include "acquisition/sensor_identification.h"

namespace sim {

std::uint32_t DescriptionKey(const std::string& description) { return ::DescriptionKey(description); }

std::optional<std::string> DescriptionForKey(const std::string& first_two, std::uint16_t sum) {
  if (first_two.size() != 2) return std::nullopt;
  return MakeDescriptionForKey(SensorKey(first_two[0], first_two[1], sum));
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
