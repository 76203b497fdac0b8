// The simulated sensor bus: attached units, driver handles, clock, delivery, faults and call logs.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/ftdi_api.h"
#include "sim/unit_model.h"

namespace sim {

enum class ClockMode { Virtual, RealTime };

using UnitId = std::uint32_t;

// What the bus shows of a unit: its listing entry and its EEPROM strings.
struct UnitInfo {
  std::uint32_t LocationId = 0;  // 0: the bus assigns one
  std::string SerialNumber;      // empty: the bus assigns one
  std::string Manufacturer = "Vessamor";
  std::string ManufacturerId = "VS";
  std::string Description;
  std::uint16_t VendorId = 0x15A2;
  std::uint16_t ProductId = 0x005A;
};

// One call made through a handle, as the unit saw it.
struct CallRecord {
  std::int64_t TimeUs = 0;
  std::string Call;                  // the entry point's name
  std::vector<std::uint32_t> Args;   // its numeric arguments in order
  std::vector<std::uint8_t> Bytes;   // bytes written (FT_Write only)
  FT_STATUS Status = FT_OK;
};

class Bus {
 public:
  // The bus behind the entry points. On first use it attaches the units named by the environment
  // variable VESSAMOR_SIM_UNITS (or the two default units) and runs in real time.
  static Bus& Instance();

  explicit Bus(ClockMode mode = ClockMode::Virtual);
  ~Bus();
  Bus(const Bus&) = delete;
  Bus& operator=(const Bus&) = delete;

  // Detaches every unit, forgets handles, logs and faults, and restarts the clock at 0.
  void Reset(ClockMode mode);

  // --- Units: listed in bus order ---
  UnitId Plug(UnitInfo info, std::unique_ptr<UnitModel> model,
              std::optional<size_t> position = std::nullopt);
  bool Unplug(UnitId unit);
  // `order` must name every attached unit once.
  bool Reorder(const std::vector<UnitId>& order);
  std::vector<UnitId> Units() const;
  std::optional<UnitInfo> Info(UnitId unit) const;
  // Runs `action` on the unit's model under the bus lock; false when absent or of another family.
  // What the unit sent before now is delivered first, and what the action queues follows at once.
  template <typename Model, typename Action>
  bool WithModel(UnitId unit, Action&& action);

  // --- Time ---
  ClockMode Mode() const;
  std::int64_t NowUs() const;
  // Moves the virtual clock on (ignored in real time).
  void Advance(std::chrono::microseconds step);

  // --- Delivery from a unit to the driver's receive queue ---
  // Bytes move to the queue in whole chunks of this size (0: as produced); a remainder follows once
  // the unit's latency timer has run out, as the chip does.
  void SetChunkBytes(UnitId unit, size_t bytes);
  // The driver queue's capacity; bytes that arrive at a full queue are lost and counted.
  void SetQueueCapacity(UnitId unit, size_t bytes);
  std::uint64_t OverrunBytes(UnitId unit) const;
  // Bytes put into the unit's stream now, after what it has sent so far.
  void InjectBytes(UnitId unit, const std::vector<std::uint8_t>& bytes);
  // While stalled a unit keeps sampling but nothing reaches the driver queue.
  void Stall(UnitId unit, bool stalled);
  // Sets the modem status bits as a unit model would, raising the event when they change.
  void SetModemStatus(UnitId unit, std::uint8_t status);

  // --- Faults ---
  // The nth call from now (1 = the next one) of the named entry point fails with `status`.
  void FailCall(const std::string& entry_point, int nth, FT_STATUS status = FT_IO_ERROR);
  // Calls of the entry point so far (failed ones included).
  int CallCount(const std::string& entry_point) const;

  // --- Logs: kept after a handle closes ---
  // Every call through the handle except the polling ones (read, queue and status queries).
  std::vector<CallRecord> Log(FT_HANDLE handle) const;
  // Every byte written through the handle, in order.
  std::vector<std::uint8_t> Written(FT_HANDLE handle) const;
  std::vector<FT_HANDLE> HandlesOf(UnitId unit) const;

  // --- The entry points' behaviour (see d2xx.h for the C signatures) ---
  FT_STATUS ListDevices(PVOID arg1, PVOID arg2, DWORD flags);
  FT_STATUS Open(int index, FT_HANDLE* handle);
  FT_STATUS OpenEx(PVOID arg1, DWORD flags, FT_HANDLE* handle);
  FT_STATUS Close(FT_HANDLE handle);
  FT_STATUS Write(FT_HANDLE handle, const void* buffer, DWORD count, DWORD* written);
  FT_STATUS Read(FT_HANDLE handle, void* buffer, DWORD count, DWORD* returned);
  FT_STATUS GetQueueStatus(FT_HANDLE handle, DWORD* rx_bytes, const char* name);
  FT_STATUS GetStatus(FT_HANDLE handle, DWORD* rx_bytes, DWORD* tx_bytes, DWORD* event_word);
  FT_STATUS GetEventStatus(FT_HANDLE handle, DWORD* event_word);
  FT_STATUS Purge(FT_HANDLE handle, ULONG mask);
  FT_STATUS SetTimeouts(FT_HANDLE handle, ULONG read_ms, ULONG write_ms);
  FT_STATUS SetBaudRate(FT_HANDLE handle, ULONG baud);
  FT_STATUS SetDivisor(FT_HANDLE handle, USHORT divisor);
  FT_STATUS SetDataCharacteristics(FT_HANDLE handle, UCHAR bits, UCHAR stop, UCHAR parity);
  FT_STATUS SetFlowControl(FT_HANDLE handle, USHORT flow, UCHAR xon, UCHAR xoff);
  FT_STATUS SetUSBParameters(FT_HANDLE handle, ULONG in_size, ULONG out_size);
  FT_STATUS SetLatencyTimer(FT_HANDLE handle, UCHAR ms);
  FT_STATUS GetLatencyTimer(FT_HANDLE handle, UCHAR* ms);
  FT_STATUS SetChars(FT_HANDLE handle, UCHAR event, UCHAR event_on, UCHAR error, UCHAR error_on);
  FT_STATUS SetLine(FT_HANDLE handle, const char* name);  // DTR, RTS, break, resets: no argument
  FT_STATUS GetModemStatus(FT_HANDLE handle, ULONG* status);
  FT_STATUS SetEventNotification(FT_HANDLE handle, DWORD mask, PVOID event);
  FT_STATUS GetDeviceInfo(FT_HANDLE handle, FT_DEVICE* device, DWORD* id, char* serial,
                          char* description);
  FT_STATUS ReadEeprom(FT_HANDLE handle, FT_PROGRAM_DATA* data, char* manufacturer,
                       char* manufacturer_id, char* description, char* serial, const char* name);
  FT_STATUS ProgramEeprom(FT_HANDLE handle, const FT_PROGRAM_DATA* data);
  FT_STATUS UserAreaSize(FT_HANDLE handle, DWORD* size);
  FT_STATUS UserAreaRead(FT_HANDLE handle, UCHAR* data, DWORD length, DWORD* read);
  FT_STATUS UserAreaWrite(FT_HANDLE handle, const UCHAR* data, DWORD length);
  FT_STATUS SetBitMode(FT_HANDLE handle, UCHAR mask, UCHAR enable);
  FT_STATUS GetBitMode(FT_HANDLE handle, UCHAR* mode);
  FT_STATUS SetResetPipeRetryCount(FT_HANDLE handle, DWORD count);

 private:
  struct Unit;
  struct Handle;
  struct Pending;  // event records to signal once the lock is released

  Unit* FindUnit(UnitId id) const;
  UnitModel* ModelOf(UnitId id) const;
  Handle* FindHandle(FT_HANDLE handle) const;
  std::int64_t NowLocked() const;
  bool TakeFault(const std::string& name, FT_STATUS* status);
  void Pump(Unit& unit, Pending& pending);
  void RaiseEvent(Unit& unit, DWORD event, Pending& pending);
  // Common frame of a call on a handle: fault, handle and unit checks, log entry.
  template <typename Body>
  FT_STATUS OnHandle(FT_HANDLE handle, const char* name, std::vector<std::uint32_t> args, Body&& body,
                     std::vector<std::uint8_t> bytes = {});
  FT_STATUS OpenUnit(Unit* unit, FT_HANDLE* handle);
  bool VisitModel(UnitId unit, const std::function<bool(UnitModel&)>& visit);

  mutable std::mutex mutex_;
  ClockMode mode_;
  std::int64_t virtual_us_ = 0;
  std::chrono::steady_clock::time_point origin_;
  std::vector<std::unique_ptr<Unit>> units_;         // attached, in bus order
  std::vector<std::unique_ptr<Unit>> unplugged_;     // kept so stale handles stay harmless
  std::map<std::uintptr_t, std::unique_ptr<Handle>> handles_;
  std::uintptr_t next_handle_ = 0x5100;
  UnitId next_unit_ = 1;
  std::map<std::string, int> call_counts_;
  std::multimap<std::string, std::pair<int, FT_STATUS>> faults_;
};

template <typename Model, typename Action>
bool Bus::WithModel(UnitId unit, Action&& action) {
  return VisitModel(unit, [&](UnitModel& base) {
    Model* model = dynamic_cast<Model*>(&base);
    if (model == nullptr) return false;
    action(*model);
    return true;
  });
}

}  // namespace sim
