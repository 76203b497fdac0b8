// The device manager: lists, opens and identifies the units, keeps one per sensor slot, starts and stops them.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "acquisition/device_status.h"
#include "acquisition/ft_record_device.h"
#include "acquisition/window_side.h"

class AcquisitionSink;
struct DeviceSlot;
struct RecordParams;

// Period of a start packet in microseconds for a sampling rate, kept to what the packet's 16 bits
// carry: rate 0 and rates below 16 Hz give the slowest period, 65535.
std::uint16_t StartPeriodUs(std::uint32_t rate);

// USB transfer sizes and latency timer for the sampling rate; a failure closes the unit.
bool TuneFtdiTransfer(FTRecordDevice& unit, std::uint32_t rate);

// The manager is a plain unit with its manager flag set: it borrows each listed unit's handle to
// identify it, then hands the handle to the unit object of a sensor slot.
//
// Table invariant: entry index = slot number = slot index = ConnectedMask bit. DeviceTable changes
// only under TableLock; a unit leaves the table before it is deleted, and is deleted (under the
// lock) only once the window side has reconciled its slots with a table that no longer holds it.
class DeviceManager final : public FTRecordDevice {
 public:
  DeviceManager();
  // Asks both workers to end, waits for them, then deletes every unit.
  ~DeviceManager() override;

  // The search: closes the units, lists the bus, fills the slots in listing order (device worker).
  bool ScanDevices();
  // Identifies the unit behind the manager's handle and gives it a slot object (from the search).
  bool CreateDeviceForType(std::uint8_t slot);
  // Builds every ready unit's start packet, binds its channels and asks the worker to start (window
  // thread); false when no unit started, and the worker was not asked.
  bool StartAllDevices(const RecordParams& params);
  // Open units whose slot is ready to take part in a start (the window side's slot status, detail 5).
  std::uint32_t CountReadyDevices();
  // Asks the worker to write the stop bytes, or to search when no unit is connected.
  void StopAllDevices(int unused = 0);
  // Units connected (set bits of ConnectedMask).
  std::uint32_t CountDevices();
  // Table units with an open handle that are present.
  std::uint32_t CountOpenDevices();

  // Starts the device worker and the control worker with this manager.
  void StartWorkers();

  // Posts the window's slot reconciliation; returns its ticket (device worker).
  std::uint32_t PostStartScreenText();
  // Deletes the units that left the table once the window has reconciled without them (device worker).
  void DeleteRetiredUnits();
  std::size_t RetiredCount() const;

  std::array<std::unique_ptr<FTRecordDevice>, kSensorSlots> DeviceTable;
  // Entry 0 holds the control unit when one is found.
  std::array<std::unique_ptr<FTRecordDevice>, kSensorSlots> ControlDeviceTable;
  // Guards the tables' entries. Recursive: a unit's close may stop the recording, which stops all units.
  mutable std::recursive_mutex TableLock;
  // Held by the control worker while it uses the control unit, and by the search to replace it.
  std::mutex ControlLock;
  // Held by the device worker while its units write codes into the view's channels (a poll pass),
  // and by the view while it moves the channels' slices of the code buffer: no code lands in a
  // slice that is moving. The worker lets it go for every call into the view, so it never waits
  // for a lock of the view while holding this one.
  std::mutex CodeLayoutLock;

  // The manager's request byte pair (both bytes always alike): 1 start, 2 stop.
  std::atomic<std::uint8_t> RequestCode{0};
  std::atomic<std::uint8_t> DeviceCount{0};
  // ConnectedMask when a search begins, and again when the worker has finished it.
  std::atomic<std::uint8_t> PreviousMask{0};
  // 1 from the start of a search until the worker has finished it.
  std::atomic<std::uint8_t> Searching{0};
  // Searches started so far: a reader of the table tells from it whether a whole search, begun
  // and ended between its two looks at `Searching`, changed the table under it.
  std::atomic<std::uint32_t> SearchCount{0};
  // Taken before reading the table and its connected units: 0 while a search runs.
  std::uint64_t SearchMark() const {
    const std::uint32_t started = SearchCount.load();
    return Searching.load() != 0 ? 0 : started + 1ull;
  }
  // True when no search ran at any moment since `mark` was taken: what was read is one table.
  bool SettledSince(std::uint64_t mark) const {
    return mark != 0 && Searching.load() == 0 && SearchCount.load() + 1ull == mark;
  }
  // A cyclic wrap is due at the start of the next poll pass (device worker only).
  std::uint8_t WrapDue = 0;

  WindowSide* Window = nullptr;
  AcquisitionSink* Sink = nullptr;
  WindowAnswer Answer;

 private:
  // Takes the slot's unit out of the table, closing it first; deleted now when no window side
  // holds pointers, else kept until the window has reconciled.
  void Retire(std::size_t slot);
  bool ReuseUnit(std::uint8_t slot);
  bool CreateControlUnit();
  // Gives the new unit what the manager learnt of it and puts it in the slot.
  void Adopt(FTRecordDevice& unit, std::uint8_t slot);
  void Renumber(std::size_t entry);
  void ListDevices();
  // Packet, channel binding, buffer and byte limit of one unit; false when it does not start.
  bool PrepareUnit(FTRecordDevice& unit, const DeviceSlot& slot, std::uint32_t rate, bool info_screen);

  std::vector<std::unique_ptr<FTRecordDevice>> retired_;
  std::uint32_t retire_ticket_ = 0;
  std::atomic<std::uint32_t> next_ticket_{0};
  std::thread device_thread_;
  std::thread control_thread_;
};
