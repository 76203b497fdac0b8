// Process-wide status bytes of the device layer and the driver's device listing.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "acquisition/ftdi_api.h"

// Sensor slots a unit can occupy; ConnectedMask has one bit per slot.
inline constexpr std::size_t kSensorSlots = 4;

// Bit s set while sensor slot s holds an open unit.
extern std::atomic<std::uint8_t> ConnectedMask;
// Result of the last pass over the units: 0 nothing, 1 new data, 2 record full.
extern std::atomic<std::uint8_t> PollResult;
// Set when a polled unit had fewer than 2 bytes queued; the device worker clears it.
extern std::atomic<std::uint8_t> NoDataFlag;
// While set, any unit's close stops the recording (not only the last one's).
extern std::atomic<std::uint8_t> StopOnAnyDeviceClose;
// Set once the window is closing; identification then finds nothing.
extern std::atomic<std::uint8_t> ClosingFlag;

// The complement of bit i at index i.
inline constexpr std::array<std::uint8_t, 8> BitClearTable = {0xFE, 0xFD, 0xFB, 0xF7, 0xEF, 0xDF, 0xBF, 0x7F};

// Location ids of the last listing, by listing index; sized to the count the driver reported.
// Written and read only by the device worker.
extern std::vector<DWORD> DeviceListing;

// Back to the values at start-up (tests).
void ResetDeviceStatus();
