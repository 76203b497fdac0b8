// The simulated sensor bus: units, handles, delivery, faults and logs behind the D2XX calls.
#include "sim/bus.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

#include "sim/unit_list.h"

namespace sim {

struct Bus::Unit {
  UnitId Id = 0;
  UnitInfo Info;
  std::unique_ptr<UnitModel> Model;
  bool Attached = true;
  std::uintptr_t OpenHandle = 0;
  std::deque<std::uint8_t> InFlight;  // sent by the unit, not yet in the driver queue
  std::int64_t InFlightSinceUs = 0;
  std::deque<std::uint8_t> Queue;     // the driver's receive queue
  size_t QueueCapacity = 65536;
  size_t ChunkBytes = 0;
  std::uint8_t LatencyMs = 16;
  bool Stalled = false;
  std::uint64_t Overrun = 0;
  std::uint8_t Modem = 0;
  std::uint8_t ModelModem = 0;  // the model's last reported bits; a test may set Modem apart
  std::vector<std::uint8_t> UserArea = std::vector<std::uint8_t>(64, 0);
  std::uint8_t BitMode = 0;
};

struct Bus::Handle {
  Unit* Target = nullptr;  // stays valid: units are never freed before the bus resets
  bool Open = true;
  std::vector<CallRecord> Log;
  std::vector<std::uint8_t> Written;
  ULONG ReadTimeoutMs = 300;
  DWORD EventMask = 0;
  EVENT_HANDLE* Event = nullptr;
  DWORD EventWord = 0;
};

struct Bus::Pending {
  std::vector<EVENT_HANDLE*> Events;
  ~Pending() {
    for (EVENT_HANDLE* event : Events) {
      pthread_mutex_lock(&event->eMutex);
      event->iVar = 1;
      pthread_cond_signal(&event->eCondVar);
      pthread_mutex_unlock(&event->eMutex);
    }
  }
};

namespace {

// Polling calls are counted but not logged, so logs hold the commands a test asserts on.
bool IsPollingCall(const std::string& name) {
  return name == "FT_Read" || name == "FT_GetQueueStatus" || name == "FT_GetQueueStatusEx" ||
         name == "FT_GetStatus" || name == "FT_GetModemStatus" || name == "FT_GetEventStatus";
}

// Copies a string into a caller's buffer of `size` bytes, always terminated inside it.
void CopyString(char* target, const std::string& text, size_t size) {
  if (target == nullptr || size == 0) return;
  size_t length = std::min(text.size(), size - 1);
  std::memcpy(target, text.data(), length);
  target[length] = '\0';
}

}  // namespace

Bus& Bus::Instance() {
  static Bus& bus = []() -> Bus& {
    static Bus instance(ClockMode::RealTime);
    AttachUnitsFromEnvironment(instance);
    return instance;
  }();
  return bus;
}

Bus::Bus(ClockMode mode) : mode_(mode), origin_(std::chrono::steady_clock::now()) {}
Bus::~Bus() = default;

void Bus::Reset(ClockMode mode) {
  std::lock_guard lock(mutex_);
  mode_ = mode;
  virtual_us_ = 0;
  origin_ = std::chrono::steady_clock::now();
  units_.clear();
  handles_.clear();
  unplugged_.clear();
  call_counts_.clear();
  faults_.clear();
}

Bus::Unit* Bus::FindUnit(UnitId id) const {
  for (const auto& unit : units_) {
    if (unit->Id == id) return unit.get();
  }
  return nullptr;
}

UnitModel* Bus::ModelOf(UnitId id) const {
  Unit* unit = FindUnit(id);
  return unit != nullptr ? unit->Model.get() : nullptr;
}

Bus::Handle* Bus::FindHandle(FT_HANDLE handle) const {
  auto found = handles_.find(reinterpret_cast<std::uintptr_t>(handle));
  return found != handles_.end() ? found->second.get() : nullptr;
}

std::int64_t Bus::NowLocked() const {
  if (mode_ == ClockMode::Virtual) return virtual_us_;
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - origin_)
      .count();
}

// --- Units ---

UnitId Bus::Plug(UnitInfo info, std::unique_ptr<UnitModel> model, std::optional<size_t> position) {
  std::lock_guard lock(mutex_);
  auto unit = std::make_unique<Unit>();
  unit->Id = next_unit_++;
  if (info.LocationId == 0) info.LocationId = 0x1000 + unit->Id * 0x10 + 1;
  if (info.SerialNumber.empty()) {
    char serial[16];
    std::snprintf(serial, sizeof serial, "VS%06u", unit->Id);
    info.SerialNumber = serial;
  }
  unit->Info = std::move(info);
  unit->Model = std::move(model);
  unit->Modem = unit->ModelModem = unit->Model ? unit->Model->ModemStatus() : 0;
  UnitId id = unit->Id;
  size_t at = std::min(position.value_or(units_.size()), units_.size());
  units_.insert(units_.begin() + static_cast<std::ptrdiff_t>(at), std::move(unit));
  return id;
}

bool Bus::Unplug(UnitId id) {
  std::lock_guard lock(mutex_);
  auto found = std::find_if(units_.begin(), units_.end(), [&](const auto& u) { return u->Id == id; });
  if (found == units_.end()) return false;
  (*found)->Attached = false;
  unplugged_.push_back(std::move(*found));
  units_.erase(found);
  return true;
}

bool Bus::Reorder(const std::vector<UnitId>& order) {
  std::lock_guard lock(mutex_);
  if (order.size() != units_.size()) return false;
  std::vector<std::unique_ptr<Unit>> sorted;
  for (UnitId id : order) {
    auto found = std::find_if(units_.begin(), units_.end(), [&](const auto& u) { return u && u->Id == id; });
    if (found == units_.end()) {
      // Put back what was taken so a bad order changes nothing.
      for (auto& unit : sorted) *std::find(units_.begin(), units_.end(), nullptr) = std::move(unit);
      return false;
    }
    sorted.push_back(std::move(*found));
  }
  units_ = std::move(sorted);
  return true;
}

std::vector<UnitId> Bus::Units() const {
  std::lock_guard lock(mutex_);
  std::vector<UnitId> ids;
  for (const auto& unit : units_) ids.push_back(unit->Id);
  return ids;
}

std::optional<UnitInfo> Bus::Info(UnitId id) const {
  std::lock_guard lock(mutex_);
  Unit* unit = FindUnit(id);
  if (unit == nullptr) return std::nullopt;
  return unit->Info;
}

bool Bus::VisitModel(UnitId id, const std::function<bool(UnitModel&)>& visit) {
  Pending pending;
  std::lock_guard lock(mutex_);
  Unit* unit = FindUnit(id);
  if (unit == nullptr || !unit->Model) return false;
  Pump(*unit, pending);
  bool visited = visit(*unit->Model);
  Pump(*unit, pending);
  return visited;
}

// --- Time and delivery ---

ClockMode Bus::Mode() const {
  std::lock_guard lock(mutex_);
  return mode_;
}

std::int64_t Bus::NowUs() const {
  std::lock_guard lock(mutex_);
  return NowLocked();
}

void Bus::Advance(std::chrono::microseconds step) {
  std::lock_guard lock(mutex_);
  if (mode_ == ClockMode::Virtual && step.count() > 0) virtual_us_ += step.count();
}

void Bus::SetChunkBytes(UnitId id, size_t bytes) {
  std::lock_guard lock(mutex_);
  if (Unit* unit = FindUnit(id)) unit->ChunkBytes = bytes;
}

void Bus::SetQueueCapacity(UnitId id, size_t bytes) {
  std::lock_guard lock(mutex_);
  if (Unit* unit = FindUnit(id)) unit->QueueCapacity = bytes;
}

std::uint64_t Bus::OverrunBytes(UnitId id) const {
  std::lock_guard lock(mutex_);
  Unit* unit = FindUnit(id);
  return unit != nullptr ? unit->Overrun : 0;
}

void Bus::InjectBytes(UnitId id, const std::vector<std::uint8_t>& bytes) {
  Pending pending;
  std::lock_guard lock(mutex_);
  Unit* unit = FindUnit(id);
  if (unit == nullptr) return;
  Pump(*unit, pending);  // what the unit sent before now goes first
  if (unit->InFlight.empty()) unit->InFlightSinceUs = NowLocked();
  unit->InFlight.insert(unit->InFlight.end(), bytes.begin(), bytes.end());
  Pump(*unit, pending);
}

void Bus::Stall(UnitId id, bool stalled) {
  Pending pending;
  std::lock_guard lock(mutex_);
  Unit* unit = FindUnit(id);
  if (unit == nullptr) return;
  Pump(*unit, pending);
  unit->Stalled = stalled;
}

void Bus::SetModemStatus(UnitId id, std::uint8_t status) {
  Pending pending;
  std::lock_guard lock(mutex_);
  Unit* unit = FindUnit(id);
  if (unit == nullptr || unit->Modem == status) return;
  unit->Modem = status;
  RaiseEvent(*unit, FT_EVENT_MODEM_STATUS, pending);
}

void Bus::RaiseEvent(Unit& unit, DWORD event, Pending& pending) {
  Handle* handle = unit.OpenHandle != 0 ? FindHandle(reinterpret_cast<FT_HANDLE>(unit.OpenHandle)) : nullptr;
  if (handle == nullptr || (handle->EventMask & event) == 0) return;
  handle->EventWord |= event;
  if (handle->Event != nullptr) pending.Events.push_back(handle->Event);
}

void Bus::Pump(Unit& unit, Pending& pending) {
  if (!unit.Attached) return;
  std::int64_t now = NowLocked();
  if (unit.Model) {
    std::vector<std::uint8_t> sent;
    unit.Model->Produce(now, sent);
    if (!sent.empty()) {
      if (unit.InFlight.empty()) unit.InFlightSinceUs = now;
      unit.InFlight.insert(unit.InFlight.end(), sent.begin(), sent.end());
    }
    std::uint8_t modem = unit.Model->ModemStatus();
    if (modem != unit.ModelModem) {
      unit.ModelModem = modem;
      unit.Modem = modem;
      RaiseEvent(unit, FT_EVENT_MODEM_STATUS, pending);
    }
  }
  if (unit.Stalled || unit.InFlight.empty()) return;
  size_t moving = unit.InFlight.size();
  if (unit.ChunkBytes > 0) {
    bool latency_out = now - unit.InFlightSinceUs >= static_cast<std::int64_t>(unit.LatencyMs) * 1000;
    if (!latency_out) moving -= moving % unit.ChunkBytes;
  }
  if (moving == 0) return;
  size_t room = unit.QueueCapacity > unit.Queue.size() ? unit.QueueCapacity - unit.Queue.size() : 0;
  size_t kept = std::min(moving, room);
  unit.Queue.insert(unit.Queue.end(), unit.InFlight.begin(), unit.InFlight.begin() + static_cast<std::ptrdiff_t>(kept));
  unit.Overrun += moving - kept;
  unit.InFlight.erase(unit.InFlight.begin(), unit.InFlight.begin() + static_cast<std::ptrdiff_t>(moving));
  unit.InFlightSinceUs = now;
  if (kept > 0) RaiseEvent(unit, FT_EVENT_RXCHAR, pending);
}

// --- Faults and logs ---

void Bus::FailCall(const std::string& entry_point, int nth, FT_STATUS status) {
  std::lock_guard lock(mutex_);
  if (nth < 1) return;
  faults_.insert({entry_point, {call_counts_[entry_point] + nth, status}});
}

int Bus::CallCount(const std::string& entry_point) const {
  std::lock_guard lock(mutex_);
  auto found = call_counts_.find(entry_point);
  return found != call_counts_.end() ? found->second : 0;
}

bool Bus::TakeFault(const std::string& name, FT_STATUS* status) {
  int count = ++call_counts_[name];
  auto [first, last] = faults_.equal_range(name);
  for (auto it = first; it != last; ++it) {
    if (it->second.first == count) {
      *status = it->second.second;
      faults_.erase(it);
      return true;
    }
  }
  return false;
}

std::vector<CallRecord> Bus::Log(FT_HANDLE handle) const {
  std::lock_guard lock(mutex_);
  Handle* found = FindHandle(handle);
  return found != nullptr ? found->Log : std::vector<CallRecord>{};
}

std::vector<std::uint8_t> Bus::Written(FT_HANDLE handle) const {
  std::lock_guard lock(mutex_);
  Handle* found = FindHandle(handle);
  return found != nullptr ? found->Written : std::vector<std::uint8_t>{};
}

std::vector<FT_HANDLE> Bus::HandlesOf(UnitId id) const {
  std::lock_guard lock(mutex_);
  std::vector<FT_HANDLE> result;
  for (const auto& [value, handle] : handles_) {
    if (handle->Target != nullptr && handle->Target->Id == id) result.push_back(reinterpret_cast<FT_HANDLE>(value));
  }
  return result;
}

// --- Entry points ---

template <typename Body>
FT_STATUS Bus::OnHandle(FT_HANDLE value, const char* name, std::vector<std::uint32_t> args, Body&& body,
                        std::vector<std::uint8_t> bytes) {
  Pending pending;
  std::unique_lock lock(mutex_);
  Handle* handle = FindHandle(value);
  FT_STATUS status = FT_OK;
  bool faulted = TakeFault(name, &status);
  if (handle == nullptr || !handle->Open) return faulted ? status : FT_INVALID_HANDLE;
  if (!faulted) {
    if (!handle->Target->Attached) {
      status = FT_IO_ERROR;  // the unit is gone: every call on its handle fails
    } else {
      Pump(*handle->Target, pending);
      status = body(*handle, *handle->Target, pending, lock);
      handle = FindHandle(value);  // a waiting read may have let the handle go
      if (handle == nullptr) return status;
    }
  }
  if (!IsPollingCall(name)) handle->Log.push_back({NowLocked(), name, std::move(args), std::move(bytes), status});
  return status;
}

FT_STATUS Bus::ListDevices(PVOID arg1, PVOID arg2, DWORD flags) {
  std::lock_guard lock(mutex_);
  FT_STATUS status = FT_OK;
  if (TakeFault("FT_ListDevices", &status)) return status;
  DWORD count = static_cast<DWORD>(units_.size());
  DWORD what = flags & ~FT_LIST_MASK;
  auto string_of = [&](const Unit& unit) {
    return what == FT_OPEN_BY_DESCRIPTION ? unit.Info.Description : unit.Info.SerialNumber;
  };
  if (flags & FT_LIST_NUMBER_ONLY) {
    if (arg1 == nullptr) return FT_INVALID_PARAMETER;
    *static_cast<DWORD*>(arg1) = count;
    return FT_OK;
  }
  if (flags & FT_LIST_BY_INDEX) {
    DWORD index = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(arg1));
    if (arg2 == nullptr) return FT_INVALID_PARAMETER;
    if (index >= count) return FT_DEVICE_NOT_FOUND;
    if (what == FT_OPEN_BY_LOCATION) {
      *static_cast<DWORD*>(arg2) = units_[index]->Info.LocationId;
    } else {
      CopyString(static_cast<char*>(arg2), string_of(*units_[index]), FtDescriptionSize);
    }
    return FT_OK;
  }
  if (flags & FT_LIST_ALL) {
    if (arg1 == nullptr || arg2 == nullptr) return FT_INVALID_PARAMETER;
    // Exactly `count` entries: the caller's array was sized from the number it asked for.
    for (DWORD i = 0; i < count; ++i) {
      if (what == FT_OPEN_BY_LOCATION) {
        static_cast<DWORD*>(arg1)[i] = units_[i]->Info.LocationId;
      } else {
        CopyString(static_cast<char**>(arg1)[i], string_of(*units_[i]), FtDescriptionSize);
      }
    }
    *static_cast<DWORD*>(arg2) = count;
    return FT_OK;
  }
  return FT_INVALID_PARAMETER;
}

FT_STATUS Bus::OpenUnit(Unit* unit, FT_HANDLE* handle) {
  if (unit == nullptr) return FT_DEVICE_NOT_FOUND;
  if (unit->OpenHandle != 0) return FT_DEVICE_NOT_OPENED;  // one handle per unit at a time
  std::uintptr_t value = next_handle_;
  next_handle_ += 0x10;
  auto state = std::make_unique<Handle>();
  state->Target = unit;
  state->Log.push_back({NowLocked(), "FT_Open", {unit->Info.LocationId}, {}, FT_OK});
  handles_[value] = std::move(state);
  unit->OpenHandle = value;
  *handle = reinterpret_cast<FT_HANDLE>(value);
  return FT_OK;
}

FT_STATUS Bus::Open(int index, FT_HANDLE* handle) {
  std::lock_guard lock(mutex_);
  FT_STATUS status = FT_OK;
  if (TakeFault("FT_Open", &status)) return status;
  if (handle == nullptr) return FT_INVALID_PARAMETER;
  if (index < 0 || static_cast<size_t>(index) >= units_.size()) return FT_DEVICE_NOT_FOUND;
  return OpenUnit(units_[static_cast<size_t>(index)].get(), handle);
}

FT_STATUS Bus::OpenEx(PVOID arg1, DWORD flags, FT_HANDLE* handle) {
  std::lock_guard lock(mutex_);
  FT_STATUS status = FT_OK;
  if (TakeFault("FT_OpenEx", &status)) return status;
  if (handle == nullptr || (flags != FT_OPEN_BY_LOCATION && arg1 == nullptr)) return FT_INVALID_PARAMETER;
  for (const auto& unit : units_) {
    bool match = false;
    if (flags == FT_OPEN_BY_LOCATION) {
      match = unit->Info.LocationId == static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(arg1));
    } else if (flags == FT_OPEN_BY_SERIAL_NUMBER) {
      match = unit->Info.SerialNumber == static_cast<const char*>(arg1);
    } else if (flags == FT_OPEN_BY_DESCRIPTION) {
      match = unit->Info.Description == static_cast<const char*>(arg1);
    } else {
      return FT_INVALID_PARAMETER;
    }
    if (match) return OpenUnit(unit.get(), handle);
  }
  return FT_DEVICE_NOT_FOUND;
}

FT_STATUS Bus::Close(FT_HANDLE value) {
  std::lock_guard lock(mutex_);
  Handle* handle = FindHandle(value);
  FT_STATUS status = FT_OK;
  bool faulted = TakeFault("FT_Close", &status);
  if (handle == nullptr || !handle->Open) return faulted ? status : FT_INVALID_HANDLE;
  if (faulted) {
    handle->Log.push_back({NowLocked(), "FT_Close", {}, {}, status});
    return status;
  }
  // The handle is released even for a vanished unit, which still reports the failure.
  status = handle->Target->Attached ? FT_OK : FT_IO_ERROR;
  handle->Open = false;
  if (handle->Target->OpenHandle == reinterpret_cast<std::uintptr_t>(value)) handle->Target->OpenHandle = 0;
  handle->Log.push_back({NowLocked(), "FT_Close", {}, {}, status});
  return status;
}

FT_STATUS Bus::Write(FT_HANDLE handle, const void* buffer, DWORD count, DWORD* written) {
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  std::vector<std::uint8_t> data;
  if (bytes != nullptr) data.assign(bytes, bytes + count);
  return OnHandle(
      handle, "FT_Write", {count},
      [&](Handle& h, Unit& unit, Pending&, auto&) {
        if (written == nullptr || (bytes == nullptr && count > 0)) return FT_INVALID_PARAMETER;
        h.Written.insert(h.Written.end(), data.begin(), data.end());
        if (unit.Model) unit.Model->OnWrite(data, NowLocked());
        *written = count;
        return FT_OK;
      },
      data);
}

FT_STATUS Bus::Read(FT_HANDLE value, void* buffer, DWORD count, DWORD* returned) {
  return OnHandle(value, "FT_Read", {count}, [&](Handle& h, Unit& unit, Pending& pending, auto& lock) {
    if (returned == nullptr || (buffer == nullptr && count > 0)) return FT_INVALID_PARAMETER;
    // In real time a read waits, as the driver does, until the bytes are there or the time-out ends;
    // virtual time does not pass while a read waits, so it returns what is queued.
    if (mode_ == ClockMode::RealTime && h.ReadTimeoutMs > 0) {
      std::int64_t deadline = NowLocked() + static_cast<std::int64_t>(h.ReadTimeoutMs) * 1000;
      while (unit.Queue.size() < count && NowLocked() < deadline) {
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        lock.lock();
        if (FindHandle(value) != &h || !h.Open || !unit.Attached) return FT_IO_ERROR;
        Pump(unit, pending);
      }
    }
    DWORD taken = static_cast<DWORD>(std::min<size_t>(count, unit.Queue.size()));
    std::copy_n(unit.Queue.begin(), taken, static_cast<std::uint8_t*>(buffer));
    unit.Queue.erase(unit.Queue.begin(), unit.Queue.begin() + taken);
    *returned = taken;
    return FT_OK;
  });
}

FT_STATUS Bus::GetQueueStatus(FT_HANDLE handle, DWORD* rx_bytes, const char* name) {
  return OnHandle(handle, name, {}, [&](Handle&, Unit& unit, Pending&, auto&) {
    if (rx_bytes == nullptr) return FT_INVALID_PARAMETER;
    *rx_bytes = static_cast<DWORD>(unit.Queue.size());
    return FT_OK;
  });
}

FT_STATUS Bus::GetStatus(FT_HANDLE handle, DWORD* rx_bytes, DWORD* tx_bytes, DWORD* event_word) {
  return OnHandle(handle, "FT_GetStatus", {}, [&](Handle& h, Unit& unit, Pending&, auto&) {
    if (rx_bytes == nullptr || tx_bytes == nullptr || event_word == nullptr) return FT_INVALID_PARAMETER;
    *rx_bytes = static_cast<DWORD>(unit.Queue.size());
    *tx_bytes = 0;
    *event_word = h.EventWord;
    h.EventWord = 0;
    return FT_OK;
  });
}

FT_STATUS Bus::GetEventStatus(FT_HANDLE handle, DWORD* event_word) {
  return OnHandle(handle, "FT_GetEventStatus", {}, [&](Handle& h, Unit&, Pending&, auto&) {
    if (event_word == nullptr) return FT_INVALID_PARAMETER;
    *event_word = h.EventWord;
    h.EventWord = 0;
    return FT_OK;
  });
}

FT_STATUS Bus::Purge(FT_HANDLE handle, ULONG mask) {
  return OnHandle(handle, "FT_Purge", {mask}, [&](Handle&, Unit& unit, Pending&, auto&) {
    if ((mask & ~(FT_PURGE_RX | FT_PURGE_TX)) != 0) return FT_INVALID_PARAMETER;
    if (mask & FT_PURGE_RX) {
      unit.Queue.clear();
      unit.InFlight.clear();
    }
    return FT_OK;
  });
}

FT_STATUS Bus::SetTimeouts(FT_HANDLE handle, ULONG read_ms, ULONG write_ms) {
  return OnHandle(handle, "FT_SetTimeouts", {read_ms, write_ms}, [&](Handle& h, Unit&, Pending&, auto&) {
    h.ReadTimeoutMs = read_ms;
    return FT_OK;
  });
}

FT_STATUS Bus::SetBaudRate(FT_HANDLE handle, ULONG baud) {
  return OnHandle(handle, "FT_SetBaudRate", {baud}, [&](Handle&, Unit&, Pending&, auto&) {
    return baud >= 183 && baud <= 3000000 ? FT_OK : FT_INVALID_BAUD_RATE;
  });
}

FT_STATUS Bus::SetDivisor(FT_HANDLE handle, USHORT divisor) {
  return OnHandle(handle, "FT_SetDivisor", {divisor}, [&](Handle&, Unit&, Pending&, auto&) { return FT_OK; });
}

FT_STATUS Bus::SetDataCharacteristics(FT_HANDLE handle, UCHAR bits, UCHAR stop, UCHAR parity) {
  return OnHandle(handle, "FT_SetDataCharacteristics", {bits, stop, parity},
                  [&](Handle&, Unit&, Pending&, auto&) {
                    bool valid = (bits == FT_BITS_7 || bits == FT_BITS_8) &&
                                 (stop == FT_STOP_BITS_1 || stop == FT_STOP_BITS_2) && parity <= FT_PARITY_SPACE;
                    return valid ? FT_OK : FT_INVALID_PARAMETER;
                  });
}

FT_STATUS Bus::SetFlowControl(FT_HANDLE handle, USHORT flow, UCHAR xon, UCHAR xoff) {
  return OnHandle(handle, "FT_SetFlowControl", {flow, xon, xoff}, [&](Handle&, Unit&, Pending&, auto&) {
    bool valid = flow == FT_FLOW_NONE || flow == FT_FLOW_RTS_CTS || flow == FT_FLOW_DTR_DSR ||
                 flow == FT_FLOW_XON_XOFF;
    return valid ? FT_OK : FT_INVALID_PARAMETER;
  });
}

FT_STATUS Bus::SetUSBParameters(FT_HANDLE handle, ULONG in_size, ULONG out_size) {
  return OnHandle(handle, "FT_SetUSBParameters", {in_size, out_size}, [&](Handle&, Unit&, Pending&, auto&) {
    // Transfer sizes are multiples of 64 from 64 to 64 KiB; an out size of 0 leaves it unchanged.
    bool in_valid = in_size >= 64 && in_size <= 65536 && in_size % 64 == 0;
    bool out_valid = out_size == 0 || (out_size >= 64 && out_size <= 65536 && out_size % 64 == 0);
    return in_valid && out_valid ? FT_OK : FT_INVALID_PARAMETER;
  });
}

FT_STATUS Bus::SetLatencyTimer(FT_HANDLE handle, UCHAR ms) {
  return OnHandle(handle, "FT_SetLatencyTimer", {ms}, [&](Handle&, Unit& unit, Pending&, auto&) {
    if (ms < 2) return FT_INVALID_PARAMETER;
    unit.LatencyMs = ms;
    return FT_OK;
  });
}

FT_STATUS Bus::GetLatencyTimer(FT_HANDLE handle, UCHAR* ms) {
  return OnHandle(handle, "FT_GetLatencyTimer", {}, [&](Handle&, Unit& unit, Pending&, auto&) {
    if (ms == nullptr) return FT_INVALID_PARAMETER;
    *ms = unit.LatencyMs;
    return FT_OK;
  });
}

FT_STATUS Bus::SetChars(FT_HANDLE handle, UCHAR event, UCHAR event_on, UCHAR error, UCHAR error_on) {
  return OnHandle(handle, "FT_SetChars", {event, event_on, error, error_on},
                  [&](Handle&, Unit&, Pending&, auto&) { return FT_OK; });
}

FT_STATUS Bus::SetLine(FT_HANDLE handle, const char* name) {
  std::string call = name;
  return OnHandle(handle, name, {}, [&](Handle&, Unit& unit, Pending& pending, auto&) {
    if ((call == "FT_SetRts" || call == "FT_ClrRts") && unit.Model) {
      unit.Model->OnRts(call == "FT_SetRts", NowLocked());
      Pump(unit, pending);  // the model may answer with a modem-status change
    }
    if (call == "FT_ResetDevice" || call == "FT_ResetPort") {
      unit.Queue.clear();
      unit.InFlight.clear();
    }
    return FT_OK;
  });
}

FT_STATUS Bus::GetModemStatus(FT_HANDLE handle, ULONG* status) {
  return OnHandle(handle, "FT_GetModemStatus", {}, [&](Handle&, Unit& unit, Pending&, auto&) {
    if (status == nullptr) return FT_INVALID_PARAMETER;
    *status = unit.Modem;  // line status (second byte) is always clear
    return FT_OK;
  });
}

FT_STATUS Bus::SetEventNotification(FT_HANDLE handle, DWORD mask, PVOID event) {
  return OnHandle(handle, "FT_SetEventNotification", {mask}, [&](Handle& h, Unit&, Pending&, auto&) {
    h.EventMask = mask;
    h.Event = static_cast<EVENT_HANDLE*>(event);
    h.EventWord = 0;
    return FT_OK;
  });
}

FT_STATUS Bus::GetDeviceInfo(FT_HANDLE handle, FT_DEVICE* device, DWORD* id, char* serial, char* description) {
  return OnHandle(handle, "FT_GetDeviceInfo", {}, [&](Handle&, Unit& unit, Pending&, auto&) {
    if (device != nullptr) *device = FT_DEVICE_232R;
    if (id != nullptr) *id = (static_cast<DWORD>(unit.Info.VendorId) << 16) | unit.Info.ProductId;
    CopyString(serial, unit.Info.SerialNumber, FtSerialNumberSize);
    CopyString(description, unit.Info.Description, FtDescriptionSize);
    return FT_OK;
  });
}

FT_STATUS Bus::ReadEeprom(FT_HANDLE handle, FT_PROGRAM_DATA* data, char* manufacturer, char* manufacturer_id,
                          char* description, char* serial, const char* name) {
  return OnHandle(handle, name, {}, [&](Handle&, Unit& unit, Pending&, auto&) {
    if (data == nullptr || data->Signature1 != 0x00000000u || data->Signature2 != 0xFFFFFFFFu) {
      return FT_INVALID_PARAMETER;
    }
    data->VendorId = unit.Info.VendorId;
    data->ProductId = unit.Info.ProductId;
    data->MaxPower = 90;
    data->PnP = 1;
    data->SerNumEnable = 1;
    // Strings are cut to the documented buffer sizes and always terminated inside them.
    CopyString(manufacturer, unit.Info.Manufacturer, FtManufacturerSize);
    CopyString(manufacturer_id, unit.Info.ManufacturerId, FtManufacturerIdSize);
    CopyString(description, unit.Info.Description, FtDescriptionSize);
    CopyString(serial, unit.Info.SerialNumber, FtSerialNumberSize);
    return FT_OK;
  });
}

FT_STATUS Bus::ProgramEeprom(FT_HANDLE handle, const FT_PROGRAM_DATA* data) {
  return OnHandle(handle, "FT_EE_Program", {}, [&](Handle&, Unit& unit, Pending&, auto&) {
    if (data == nullptr) return FT_INVALID_PARAMETER;
    auto take = [](const char* text, size_t size, std::string& field) {
      if (text != nullptr) field.assign(text, strnlen(text, size - 1));
    };
    take(data->Manufacturer, FtManufacturerSize, unit.Info.Manufacturer);
    take(data->ManufacturerId, FtManufacturerIdSize, unit.Info.ManufacturerId);
    take(data->Description, FtDescriptionSize, unit.Info.Description);
    take(data->SerialNumber, FtSerialNumberSize, unit.Info.SerialNumber);
    unit.Info.VendorId = data->VendorId;
    unit.Info.ProductId = data->ProductId;
    return FT_OK;
  });
}

FT_STATUS Bus::UserAreaSize(FT_HANDLE handle, DWORD* size) {
  return OnHandle(handle, "FT_EE_UASize", {}, [&](Handle&, Unit& unit, Pending&, auto&) {
    if (size == nullptr) return FT_INVALID_PARAMETER;
    *size = static_cast<DWORD>(unit.UserArea.size());
    return FT_OK;
  });
}

FT_STATUS Bus::UserAreaRead(FT_HANDLE handle, UCHAR* data, DWORD length, DWORD* read) {
  return OnHandle(handle, "FT_EE_UARead", {length}, [&](Handle&, Unit& unit, Pending&, auto&) {
    if (data == nullptr || read == nullptr) return FT_INVALID_PARAMETER;
    DWORD taken = static_cast<DWORD>(std::min<size_t>(length, unit.UserArea.size()));
    std::copy_n(unit.UserArea.begin(), taken, data);
    *read = taken;
    return FT_OK;
  });
}

FT_STATUS Bus::UserAreaWrite(FT_HANDLE handle, const UCHAR* data, DWORD length) {
  return OnHandle(handle, "FT_EE_UAWrite", {length}, [&](Handle&, Unit& unit, Pending&, auto&) {
    if (data == nullptr || length > unit.UserArea.size()) return FT_INVALID_PARAMETER;
    std::copy_n(data, length, unit.UserArea.begin());
    return FT_OK;
  });
}

FT_STATUS Bus::SetBitMode(FT_HANDLE handle, UCHAR mask, UCHAR enable) {
  return OnHandle(handle, "FT_SetBitMode", {mask, enable}, [&](Handle&, Unit& unit, Pending&, auto&) {
    unit.BitMode = enable;
    return FT_OK;
  });
}

FT_STATUS Bus::GetBitMode(FT_HANDLE handle, UCHAR* mode) {
  return OnHandle(handle, "FT_GetBitMode", {}, [&](Handle&, Unit& unit, Pending&, auto&) {
    if (mode == nullptr) return FT_INVALID_PARAMETER;
    *mode = unit.BitMode;
    return FT_OK;
  });
}

FT_STATUS Bus::SetResetPipeRetryCount(FT_HANDLE handle, DWORD count) {
  return OnHandle(handle, "FT_SetResetPipeRetryCount", {count},
                  [&](Handle&, Unit&, Pending&, auto&) { return FT_OK; });
}

}  // namespace sim
