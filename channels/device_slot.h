// One of the main window's four sensor slots: a unit remembered by its identity and bound to up to four channels.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class FTRecordDevice;
class VessamorChannel;

struct DeviceSlot {
  // A full reset: every bound channel forgets its unit and leaves the slot.
  void Reset();
  // The same field values without touching any channel (a probe record, a vacated slot).
  void Clear();
  std::uint8_t CountChannels() const;
  // Channels chosen for the record: 3 for an accelerometer, 1 for a distance sensor, else the count;
  // byte 1 of a wired unit's start packet.
  std::uint8_t CountActiveChannels() const;
  // In use, indexed and prepared: the unit's sensor button shows a tick box.
  bool Complete() const { return InUse != 0 && AssignIndex >= 0 && Prepared != 0; }

  std::uint8_t Prepared = 0;
  // When Prepared was set: how many other complete slots there were.
  std::uint8_t PreparedOrder = 0;
  // A unit is the same one only when description, serial number, location and type all agree.
  std::string Description;
  std::string SerialNumber;
  std::uint8_t DeviceTypeCode = 0;
  // Packed from the first entry.
  std::array<VessamorChannel*, 4> Channels{};
  // Owned by the device layer, never by the slot.
  FTRecordDevice* Device = nullptr;
  // Entry 0 carries the first flag byte of the record marks.
  std::array<std::uint8_t, 4> ChannelFlags{};
  std::int32_t DefaultA = 1000;
  std::int32_t Reserved = 0;
  // Also byte 5 of an event timer's start packet.
  std::int32_t DefaultB = 165;
  // -1 while free; else the assignment counter when the unit was attached.
  std::int32_t AssignIndex = -1;
  std::uint8_t InUse = 0;
  std::uint8_t Attached = 0;
  // Ticked for the measurement.
  std::uint8_t SelectedForRecord = 1;
  std::uint32_t Location = 0;
  std::uint8_t SensorCode = 0;
  // Both point into the receive bookkeeping of the slot's first channel; a unit takes them when it starts.
  std::uint32_t* FillCounter = nullptr;
  std::uint8_t* ReceiveBuffer = nullptr;
  // The graph's caption box: the first channel's sensor name, the second only when the sensor has one.
  std::string SensorName1;
  std::string SensorName2;
};
