// The device manager: search, factory, start and stop of all units, and the shutdown of the workers.
#include "acquisition/device_manager.h"

#include <algorithm>
#include <bit>
#include <limits>

#include "acquisition/acquisition_sink.h"
#include "acquisition/device_families.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/worker_threads.h"
#include "channels/main_window_services.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"
#include "graph/record_params.h"

namespace {

// Room for units that arrive between counting the bus and listing it.
constexpr DWORD kListingSlack = 16;

// Slot status bits that make a unit take part in a start: all of them, or all but "described"
// while an information screen is shown.
constexpr std::uint8_t kReadyMask = 0x7C;
constexpr std::uint8_t kReady = 124;
constexpr std::uint8_t kReadyOnInfoScreen = 116;

constexpr std::uint8_t kAccelerometerA = 7;
constexpr std::uint8_t kAccelerometerB = 8;
constexpr std::uint16_t kPulseSensor = 35;
constexpr std::uint16_t kLongRangeTimer = 64;
constexpr std::uint8_t kDemoMechanics = 74;
constexpr std::uint16_t kRadioPulsePeriod = 59999;
constexpr std::uint8_t kTypeSixMarker = 0x88;
constexpr std::uint8_t kModeSwitchBack = 0xD5;
constexpr std::uint8_t kModePlain = 0xB3;

constexpr std::uint32_t kStartSettleMs = 30;
constexpr std::uint32_t kShutdownPollMs = 30;
constexpr std::uint32_t kShutdownWaitMs = 1000;

bool IsAccelerometer(std::uint8_t code) { return code == kAccelerometerA || code == kAccelerometerB; }

std::uint8_t Low(std::uint16_t word) { return static_cast<std::uint8_t>(word & 0xFF); }
std::uint8_t High(std::uint16_t word) { return static_cast<std::uint8_t>(word >> 8); }

}  // namespace

std::uint16_t StartPeriodUs(std::uint32_t rate) {
  if (rate == 0) return std::numeric_limits<std::uint16_t>::max();
  const std::uint32_t period = 1000000u / rate;
  // Rates above 1 MHz would round to a period of 0, which no unit can run at.
  return static_cast<std::uint16_t>(std::clamp<std::uint32_t>(period, 1, std::numeric_limits<std::uint16_t>::max()));
}

bool TuneFtdiTransfer(FTRecordDevice& unit, std::uint32_t rate) {
  if (!unit.IsOpen()) return false;
  const ULONG in_transfer = rate < 10000 ? 256 : rate < 20000 ? 512 : 1024;
  if (Ftdi.FT_SetUSBParameters(unit.Handle, in_transfer, 128) != FT_OK) {
    unit.Close(0);
    return false;
  }
  // The latency pair only tunes the transfer and may be missing from the library: its status is
  // not tested and the value read back is not used.
  const UCHAR latency = rate < 3000 ? 16 : 5;
  static_cast<void>(Ftdi.FT_SetLatencyTimer(unit.Handle, latency));
  UCHAR read_back = 0;
  static_cast<void>(Ftdi.FT_GetLatencyTimer(unit.Handle, &read_back));
  return true;
}

DeviceManager::DeviceManager() { Manager = 1; }

DeviceManager::~DeviceManager() {
  std::uint8_t command = ControlCommand.load();
  while (command != kControlEnded && !ControlCommand.compare_exchange_weak(command, kControlStopRequest)) {
  }
  std::uint8_t state = DeviceThreadState.load();
  while (state != kDeviceEnded && !DeviceThreadState.compare_exchange_weak(state, kDeviceStopRequest)) {
  }
  WakeDeviceWorker();
  // The designed waits first; a worker that has not answered by then is waited for all the same,
  // since no unit may go while a worker can still reach it.
  auto wait_for = [this](std::thread& worker, const std::atomic<std::uint8_t>& status, std::uint8_t ended) {
    if (!worker.joinable()) return;
    for (std::uint32_t waited = 0; status.load() != ended && waited < kShutdownWaitMs; waited += kShutdownPollMs) {
      Clock->SleepMs(kShutdownPollMs);
    }
    worker.join();
  };
  wait_for(device_thread_, DeviceThreadState, kDeviceEnded);
  wait_for(control_thread_, ControlCommand, kControlEnded);

  if (Window != nullptr) Window->ForgetUnits();
  std::lock_guard lock(TableLock);
  for (auto& unit : DeviceTable) {
    if (!unit) continue;
    // The recording has been stopped by now; the view may already be gone.
    unit->Events = nullptr;
    if (unit->IsOpen()) unit->Close(1);
    unit.reset();
  }
  std::lock_guard control_lock(ControlLock);
  for (auto& unit : ControlDeviceTable) {
    if (!unit) continue;
    unit->Events = nullptr;
    unit->Close(0);
    unit.reset();
  }
  retired_.clear();
}

void DeviceManager::StartWorkers() {
  if (device_thread_.joinable() || control_thread_.joinable()) return;
  DeviceRunFlag = 1;
  // Set here rather than by the control worker, so a close that clears it early is never undone.
  ControlRunFlag = 1;
  device_thread_ = std::thread([this] { DeviceWorkerThread(*this); });
  control_thread_ = std::thread([this] { ControlWorkerThread(*this); });
}

// --- Search and factory ---

void DeviceManager::ListDevices() {
  DWORD number = 0;
  if (Ftdi.FT_ListDevices(&number, nullptr, FT_LIST_NUMBER_ONLY) != FT_OK) number = 0;
  DeviceListing.assign(number + kListingSlack, 0);
  DWORD count = 0;
  if (Ftdi.FT_ListDevices(DeviceListing.data(), &count, FT_LIST_ALL | FT_OPEN_BY_LOCATION) != FT_OK) count = 0;
  DeviceListing.resize(std::min<std::size_t>(count, DeviceListing.size()));
}

bool DeviceManager::ScanDevices() {
  if (Manager == 0) return false;
  PreviousMask = ConnectedMask.load();
  ++SearchCount;
  Searching = 1;

  for (auto& unit : DeviceTable) {
    if (!unit) continue;
    if (unit->IsOpen()) unit->Close(0);
    // Nothing runs while the worker searches; a unit that failed mid-recording keeps no stale flag.
    unit->Running = 0;
  }

  ListDevices();
  ConnectedMask = 0;

  std::uint8_t filled = 0;
  for (std::size_t index = 0; index < DeviceListing.size() && filled < kSensorSlots; ++index) {
    if (ClosingFlag.load() != 0) continue;
    if (!OpenByIndex(static_cast<int>(index))) continue;
    if (!CreateDeviceForType(filled)) continue;
    ++filled;
  }
  for (std::size_t slot = filled; slot < kSensorSlots; ++slot) Retire(slot);

  // The mask is the filled slots, whatever the opens and closes on the way have done to it.
  std::uint8_t mask = 0;
  {
    std::lock_guard lock(TableLock);
    for (std::uint8_t slot = 0; slot < filled; ++slot) {
      const FTRecordDevice* unit = DeviceTable[slot].get();
      if (unit != nullptr && unit->IsOpen() && unit->Present != 0) mask |= static_cast<std::uint8_t>(1u << slot);
    }
  }
  ConnectedMask = mask;
  SearchOnDemand = 0;
  return true;
}

bool DeviceManager::CreateDeviceForType(std::uint8_t slot) {
  if (slot >= kSensorSlots) {
    Close(0);
    return false;
  }
  if (!IdentifySensor(true) || ClosingFlag.load() != 0) {
    Close(0);
    return false;
  }
  if (ReuseUnit(slot)) return true;
  // A reused unit whose port set-up failed has its handle and is closed; nothing more to do here.
  if (!IsOpen()) return false;

  Retire(slot);
  std::unique_ptr<FTRecordDevice> unit;
  switch (DeviceTypeCode) {
    case 1:
    case 11: unit = std::make_unique<DeviceTwo>(); break;
    case 2: unit = std::make_unique<DeviceOne>(); break;
    case 3: unit = std::make_unique<DeviceTri>(); break;
    case 4: unit = std::make_unique<DeviceFour>(); break;
    case 6: unit = std::make_unique<DeviceSix>(); break;
    case 8: unit = std::make_unique<DeviceQEMod>(); break;
    case 5: return CreateControlUnit();
    default:
      // Nothing takes the handle: release it, or the unit could not be opened at the next search.
      Close(0);
      return false;
  }
  FTRecordDevice& ref = *unit;
  Adopt(ref, slot);
  {
    std::lock_guard lock(TableLock);
    DeviceTable[slot] = std::move(unit);
  }
  DeviceTypeCode = 11;
  if (!ref.ConfigurePort()) return false;
  ref.Present = 1;
  return true;
}

bool DeviceManager::ReuseUnit(std::uint8_t slot) {
  // Entries below the slot hold this search's units already.
  for (std::size_t entry = slot; entry < kSensorSlots; ++entry) {
    FTRecordDevice* unit = DeviceTable[entry].get();
    if (unit == nullptr || unit->Opened == 0 || unit->LocationId != LocationId || unit->SensorCode != SensorCode ||
        unit->DeviceTypeCode != DeviceTypeCode || unit->Serial != SerialNumber.data()) {
      continue;
    }
    unit->Handle = Handle;
    Handle = nullptr;
    unit->Present = 0;
    if (!unit->ConfigurePort()) return false;
    unit->Present = 1;
    if (entry != slot) {
      // Moving swaps the entries, so every entry keeps the slot number of its index.
      std::lock_guard lock(TableLock);
      std::swap(DeviceTable[entry], DeviceTable[slot]);
      Renumber(entry);
      Renumber(slot);
    }
    return true;
  }
  return false;
}

void DeviceManager::Renumber(std::size_t entry) {
  FTRecordDevice* unit = DeviceTable[entry].get();
  if (unit == nullptr) return;
  unit->SlotNumber = static_cast<std::uint8_t>(entry);
  unit->SlotIndex = static_cast<std::uint8_t>(entry);
}

void DeviceManager::Adopt(FTRecordDevice& unit, std::uint8_t slot) {
  unit.MainWindow = MainWindow;
  unit.View = View;
  unit.Events = Events;
  unit.Clock = Clock;
  unit.Serial = SerialNumber.data();
  unit.SlotNumber = slot;
  unit.SlotIndex = slot;
  unit.Handle = Handle;
  Handle = nullptr;
  unit.Opened = Opened;
  unit.LocationId = LocationId;
  unit.ChannelCount = ChannelCount;
  unit.DeviceTypeCode = DeviceTypeCode;
  unit.SwitchBack = SwitchBack;
  unit.SensorCode = SensorCode;
  unit.NameLine1 = NameLine1;
  unit.Model = Model;
  if (TwoLines != 0) {
    unit.TwoLines = 1;
    unit.NameLine2 = NameLine2;
    TwoLines = 0;
  }
}

bool DeviceManager::CreateControlUnit() {
  auto unit = std::make_unique<DeviceFive>();
  FTRecordDevice& ref = *unit;
  Adopt(ref, 0);
  ref.Events = nullptr;
  {
    std::lock_guard control_lock(ControlLock);
    std::lock_guard lock(TableLock);
    if (ControlDeviceTable[0]) ControlDeviceTable[0]->Close(0);
    ControlDeviceTable[0] = std::move(unit);
    ref.ConfigurePort();
  }
  // The control worker starts its reset cycle unless it is being stopped; the device worker pauses
  // until the window lets it go on.
  std::uint8_t command = ControlCommand.load();
  while (command < kControlStopRequest && !ControlCommand.compare_exchange_weak(command, kControlResetCycle)) {
  }
  AdvanceDeviceThreadState(kDeviceSearch, kDevicePauseRequest);
  DeviceTypeCode = 11;
  return false;
}

void DeviceManager::Retire(std::size_t slot) {
  FTRecordDevice* unit = nullptr;
  {
    std::lock_guard lock(TableLock);
    unit = DeviceTable[slot].get();
  }
  if (unit == nullptr) return;
  // Closed outside the lock: a close may stop the recording, which reaches back into the table.
  if (unit->IsOpen()) unit->Close(0);
  std::lock_guard lock(TableLock);
  std::unique_ptr<FTRecordDevice> gone = std::move(DeviceTable[slot]);
  if (Window == nullptr) return;  // nobody holds pointers to it: deleted here, under the lock
  retired_.push_back(std::move(gone));
  retire_ticket_ = next_ticket_.load() + 1;
}

std::uint32_t DeviceManager::PostStartScreenText() {
  const std::uint32_t ticket = next_ticket_.fetch_add(1) + 1;
  if (Window != nullptr) Window->ChooseStartScreenText(ticket, Answer);
  return ticket;
}

void DeviceManager::DeleteRetiredUnits() {
  std::lock_guard lock(TableLock);
  if (retired_.empty() || Answer.Reconciled() < retire_ticket_) return;
  retired_.clear();
}

std::size_t DeviceManager::RetiredCount() const {
  std::lock_guard lock(TableLock);
  return retired_.size();
}

// --- Start and stop ---

bool DeviceManager::PrepareUnit(FTRecordDevice& unit, const DeviceSlot& slot, std::uint32_t rate, bool info_screen) {
  if (slot.ReceiveBuffer == nullptr || slot.FillCounter == nullptr) return false;
  std::uint16_t period = StartPeriodUs(rate);
  auto& packet = unit.StartPacket;
  std::uint8_t bound = 0;
  switch (unit.DeviceTypeCode) {
    case 3: {
      const VessamorChannel* first = slot.Channels[0];
      const bool pulse = first != nullptr && first->SensorCode == kPulseSensor;
      if (pulse) period = kRadioPulsePeriod;
      unit.PulseMode = pulse ? 2 : 0;
      unit.PulseFlag = pulse ? 1 : 0;
      packet = {kStartByte, Low(period), High(period), 0, 0, 0};
      for (const VessamorChannel* channel : slot.Channels) bound += channel != nullptr ? 1 : 0;
      unit.LinkState = 0;
      unit.LinkQuality = 0;
      break;
    }
    case 8: {
      const VessamorChannel* own = unit.Channels[0];
      const std::uint8_t selector = own != nullptr && own->SensorCode == kLongRangeTimer ? 5 : 7;
      packet = {kStartByte, selector, kStartMarker, Low(period), High(period), static_cast<std::uint8_t>(slot.DefaultB)};
      bound = slot.Channels[0] != nullptr ? 1 : 0;
      break;
    }
    case 6:
      packet = {kStartByte, kTypeSixMarker, 0, Low(period), High(period), packet[5]};
      break;
    default: {
      packet[0] = kStartByte;
      packet[1] = slot.CountActiveChannels();
      packet[2] = kStartMarker;
      packet[3] = Low(period);
      packet[4] = High(period);
      const VessamorChannel* own = unit.Channels[0];
      if (own != nullptr && own->SensorCode == kDemoMechanics) {
        packet[5] = info_screen ? kModePlain : kModeSwitchBack;
        unit.SwitchBack = info_screen ? 0 : 1;
      }
      bound = packet[1];
      break;
    }
  }
  // A unit with nothing to feed would only fill the driver's queue.
  if (unit.DeviceTypeCode != 6 && bound == 0) return false;

  // Channels beyond the bound ones are cleared, so no earlier binding receives this run's frames.
  for (std::size_t i = 0; i < kChannels; ++i) {
    VessamorChannel* channel = nullptr;
    if (unit.DeviceTypeCode == 3) channel = slot.Channels[i];
    else if (unit.DeviceTypeCode != 6 && i < bound) channel = slot.Channels[i];
    unit.BindChannel(i, channel);
  }
  if (IsAccelerometer(unit.SensorCode)) {
    unit.BindChannel(0, slot.Channels[2]);
    unit.BindChannel(2, slot.Channels[0]);
  }
  // The codes are kept as the unit sent them: a channel's zero offset is applied once, where its
  // values are read, so a record holds the unit's own 12-bit codes whatever the filters were set to.
  unit.CodeOffsets.fill(0);

  unit.Running = 1;
  unit.SetReceiveBuffer(slot.ReceiveBuffer, slot.FillCounter);
  unit.ResyncCount = 0;
  unit.BytesReceived = 0;
  *slot.FillCounter = 0;
  // The wired count byte is the number of two-byte streams; the other families' byte 1 is no
  // channel count, and their records end when the channels are full.
  const bool counted = unit.DeviceTypeCode != 3 && unit.DeviceTypeCode != 6 && unit.DeviceTypeCode != 8;
  unit.ByteLimit = counted ? packet[1] * ByteLimit : std::numeric_limits<std::uint32_t>::max();
  if (!TuneFtdiTransfer(unit, rate) || Ftdi.FT_Purge(unit.Handle, FT_PURGE_RX) != FT_OK) {
    if (unit.IsOpen()) unit.Close(0);
    unit.Running = 0;
    return false;
  }
  unit.StartTick = Clock->NowMs();
  return true;
}

std::uint32_t DeviceManager::CountReadyDevices() {
  if (MainWindow == nullptr || Window == nullptr) return 0;
  const bool info_screen = MainWindow->Bytes.InfoScreenActive.load() != 0;
  std::uint32_t ready = 0;
  std::lock_guard lock(TableLock);
  for (const auto& unit : DeviceTable) {
    if (!unit || !unit->IsOpen()) continue;
    const std::uint8_t status = Window->FindDeviceSlot(*unit, 5);
    if ((status & kReadyMask) >= (info_screen ? kReadyOnInfoScreen : kReady)) ++ready;
  }
  return ready;
}

bool DeviceManager::StartAllDevices(const RecordParams& params) {
  ByteLimit = params.RecordBytesPerChannel;
  if (MainWindow == nullptr || Window == nullptr) return false;
  const bool info_screen = MainWindow->Bytes.InfoScreenActive.load() != 0;
  const std::uint32_t rate = View != nullptr ? View->RateSetting : 0;
  bool started = false;
  {
    std::lock_guard lock(TableLock);
    for (auto& entry : DeviceTable) {
      FTRecordDevice* unit = entry.get();
      if (unit == nullptr || !unit->IsOpen()) continue;
      const std::uint8_t status = Window->FindDeviceSlot(*unit, 5);
      if ((status & kReadyMask) < (info_screen ? kReadyOnInfoScreen : kReady)) continue;
      const DeviceSlot& slot = MainWindow->DeviceSlots[status & 3];
      started = PrepareUnit(*unit, slot, rate, info_screen) || started;
    }
  }
  if (!started) return false;
  RequestCode = kRequestStart;
  RequestDeviceThreadState(kDeviceCommand);
  Clock->SleepMs(kStartSettleMs);
  return true;
}

void DeviceManager::StopAllDevices(int /*unused*/) {
  {
    std::lock_guard lock(TableLock);
    for (auto& unit : DeviceTable) {
      if (unit && unit->IsOpen()) unit->SetStopCommand();
    }
  }
  if (ConnectedMask.load() != 0) {
    RequestCode = kRequestStop;
    RequestDeviceThreadState(kDeviceCommand);
  } else {
    RequestDeviceThreadState(kDeviceSearch);
  }
  StopOnAnyDeviceClose = 0;
}

std::uint32_t DeviceManager::CountDevices() {
  const auto count = static_cast<std::uint8_t>(std::popcount(ConnectedMask.load()));
  DeviceCount = count;
  return count;
}

std::uint32_t DeviceManager::CountOpenDevices() {
  std::uint8_t count = 0;
  {
    std::lock_guard lock(TableLock);
    for (const auto& unit : DeviceTable) {
      if (unit && unit->IsOpen() && unit->Present != 0) ++count;
    }
  }
  DeviceCount = count;
  return count;
}
