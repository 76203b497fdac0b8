// The window's device slots: matching units, attaching them to slots and channels, reconciling after a search.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "channels/device_slot.h"

class FTRecordDevice;
class GraphView;
class VessamorChannel;

// The device layer's table as the slots read it, entry by entry (null = none), under its lock.
using UnitList = std::array<FTRecordDevice*, 4>;

// Works on the window's four slots and the graph view's live channels; window thread only. Every
// change of the channels is made under the view lock.
class DeviceSlotBinder {
 public:
  DeviceSlotBinder(std::array<DeviceSlot, 4>& records, GraphView& view) : slots_(records), view_(view) {}

  // A scratch record naming the unit as a slot would, with its code, use and counter for attachment.
  DeviceSlot Probe(const FTRecordDevice& unit) const;
  // First slot with the probe's description, serial number, location and type; -1 when none.
  int FindMatchingSlot(const DeviceSlot& probe) const;
  // Slot index in bits 0-1; by detail: 4 in use, 8 prepared, 16 indexed, 32 selected, 64 channels.
  std::uint8_t FindDeviceSlot(const FTRecordDevice& unit, std::uint8_t detail) const;
  void MarkSlotForDevice(const FTRecordDevice& unit);
  std::uint8_t CountUsedSlots() const;
  // Binds the unit to a slot and to live channels by the number of connected units; false, with
  // nothing changed, when there is no room.
  bool AttachDeviceToSlot(FTRecordDevice& unit, std::uint32_t connected);
  // After a search: keeps the slots whose unit is still listed, resets the rest, packs them from
  // slot 0 and idles the live channels no slot holds. `unlink_live`: with no unit connected the
  // live channels forget their unit too. Returns the slots kept with their binding. Without
  // `settled` the table is one a search is rebuilding: a slot whose unit it does not list keeps
  // that unit (the search's own reconciling comes next), and no unit at all resets nothing.
  std::uint8_t ReconcileDeviceSlots(const UnitList& table, std::uint32_t connected, bool unlink_live, bool settled = true);
  // Before the measurement screen. Mode 0 frees every slot; otherwise the channels of the ticked,
  // prepared slots are chosen, the lead sensor found and each channel scaled against it.
  // `setup_header` rebuilds the view's header for its sensor kind.
  void PrepareSlotsForGraph(std::uint8_t mode, bool english, const std::function<void()>& setup_header);
  // Marks the first channel of each sensor kind among those slots; the lead channel's index.
  std::uint8_t MarkFirstChannelPerSensor();
  // Slots whose unit was not prepared give their channels back, as the next search would.
  void ReleaseUnpreparedSlots();
  // `slot` 0 stands for all four.
  void RebindSlotDevices(const UnitList& table, int slot);
  void ResetAll();

  // Where the next new unit is written, and the assignment counter (both 0..3).
  std::uint8_t NextFreeSlot = 0;
  std::uint8_t SlotAssignCounter = 0;

 private:
  bool Matches(const DeviceSlot& slot, const FTRecordDevice& unit) const;
  void LinkChannel(VessamorChannel& channel, FTRecordDevice& unit) const;

  std::array<DeviceSlot, 4>& slots_;
  GraphView& view_;
};

// The channel's scale against the lead channel's, from the view's full-scale table; a ratio within
// 0.0001 of 1, or one that an unknown full scale leaves undefined, is 1 with no scale of its own.
void ApplyScaleRatio(VessamorChannel& channel, const VessamorChannel& lead, const GraphView& view);

// Codes of sensors that stream two or more channels.
bool IsTwoChannelCode(std::uint8_t code);
