// Switching a two-range conductivity unit between its ranges: mode byte, new start packet, stop byte.
#pragma once

#include <cstdint>

#include "acquisition/unit_events.h"

class DeviceManager;

// One range of the two-range conductivity sensor: the unit's mode byte, the channels' sensor code
// and the view's acquisition mode that stand for it.
struct ConductivityRangeChoice {
  std::uint8_t ModeByte;
  std::uint8_t SensorCode;
  std::uint8_t AcquisitionMode;
};
inline constexpr ConductivityRangeChoice kMicroSiemensRange{0xD5, 19, 1};
inline constexpr ConductivityRangeChoice kMilliSiemensRange{0xB3, 6, 2};

// How long the unit runs on its new packet before the stop byte.
inline constexpr std::uint32_t kRangeSwitchRunMs = 250;

// Window thread, with the device worker paused. Under the table lock: the first table unit with
// the location and sensor code gets the range's mode byte, then a new start packet (period from
// `rate`), and after kRangeSwitchRunMs on `clock` the stop byte. A failed write closes the unit and
// nothing more is written to it. False when no unit matched.
bool SwitchUnitRange(DeviceManager& manager, std::uint32_t location_id, std::uint8_t sensor_code,
                     const ConductivityRangeChoice& range, std::uint32_t rate, UnitClock& clock);
