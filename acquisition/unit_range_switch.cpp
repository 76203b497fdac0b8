// Switching a two-range conductivity unit between its ranges: mode byte, new start packet, stop byte.
#include "acquisition/unit_range_switch.h"

#include <mutex>

#include "acquisition/device_manager.h"
#include "acquisition/ftdi_binding.h"

namespace {

// Writes the bytes; a failure closes the unit. Nothing is written to a closed unit.
bool WriteOrClose(FTRecordDevice& unit, const std::uint8_t* bytes, DWORD count) {
  if (!unit.IsOpen()) return false;
  if (Ftdi.FT_Write(unit.Handle, const_cast<std::uint8_t*>(bytes), count, &unit.ByteCount) == FT_OK) return true;
  unit.Close(0);
  return false;
}

}  // namespace

bool SwitchUnitRange(DeviceManager& manager, std::uint32_t location_id, std::uint8_t sensor_code,
                     const ConductivityRangeChoice& range, std::uint32_t rate, UnitClock& clock) {
  std::lock_guard lock(manager.TableLock);
  FTRecordDevice* unit = nullptr;
  for (auto& entry : manager.DeviceTable) {
    if (entry && entry->LocationId == location_id && entry->SensorCode == sensor_code) {
      unit = entry.get();
      break;
    }
  }
  if (unit == nullptr) return false;
  unit->ModeCommand = range.ModeByte;
  unit->SendModeByte();
  // The packet is built before it is sent: a unit that never started has no mode byte of its own.
  const std::uint16_t period = StartPeriodUs(rate);
  unit->StartPacket = {kStartByte, 0x01, kStartMarker, static_cast<std::uint8_t>(period & 0xFF),
                       static_cast<std::uint8_t>(period >> 8), range.ModeByte};
  unit->StartPacketLength = 6;
  WriteOrClose(*unit, unit->StartPacket.data(), 6);
  const std::uint32_t sent = clock.NowMs();
  while (clock.NowMs() - sent < kRangeSwitchRunMs) clock.SleepMs(10);
  const std::uint8_t stop = kWiredStopByte;
  WriteOrClose(*unit, &stop, 1);
  unit->Running = 0;
  return true;
}
