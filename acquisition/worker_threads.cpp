// The device worker's state machine, the control worker's command loop, and the status bytes they share.
#include "acquisition/worker_threads.h"

#include <algorithm>
#include <array>
#include <limits>

#include "acquisition/acquisition_sink.h"
#include "acquisition/device_manager.h"
#include "acquisition/device_status.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/unit_events.h"
#include "channels/main_window_services.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"

std::atomic<std::uint8_t> DeviceThreadState{kDeviceSearch};
std::atomic<std::uint8_t> ControlCommand{kControlIdle};
std::atomic<std::uint8_t> StopAfterRecording{0};
// Set until the first search: an arrival acts only once a search has cleared it.
std::atomic<std::uint8_t> SearchOnDemand{1};
std::atomic<std::uint8_t> DeviceRunFlag{0};
std::atomic<std::uint8_t> ControlRunFlag{0};

namespace {

// Ten 01 bytes and FF: the control unit's reset message.
constexpr std::array<std::uint8_t, 11> kResetMessage = {0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
                                                        0x01, 0x01, 0x01, 0x01, 0xFF};

// A failed driver call on an open unit closes it.
bool Ok(FTRecordDevice& unit, FT_STATUS status) {
  if (status == FT_OK) return true;
  unit.Close(0);
  return false;
}

bool InfoScreenActive(const DeviceManager& manager) {
  return manager.MainWindow != nullptr && manager.MainWindow->Bytes.InfoScreenActive.load() != 0;
}

}  // namespace

WakeSignal& DeviceWorkerWake() {
  static WakeSignal wake;
  return wake;
}

void ResetWorkerStatus() {
  DeviceThreadState = kDeviceSearch;
  ControlCommand = kControlIdle;
  StopAfterRecording = 0;
  SearchOnDemand = 1;
  DeviceRunFlag = 0;
  ControlRunFlag = 0;
}

bool RequestDeviceThreadState(std::uint8_t state) {
  std::uint8_t current = DeviceThreadState.load();
  for (;;) {
    if (current == kDeviceStopRequest || current == kDeviceEnded) return false;
    if (DeviceThreadState.compare_exchange_weak(current, state)) {
      WakeDeviceWorker();
      return true;
    }
  }
}

bool AdvanceDeviceThreadState(std::uint8_t from, std::uint8_t to) {
  return DeviceThreadState.compare_exchange_strong(from, to);
}

void WaitAcquisitionAck(bool short_wait, UnitClock& clock) {
  std::uint8_t current = DeviceThreadState.load();
  for (;;) {
    if (current == kDevicePaused || current == kDeviceStopRequest || current == kDeviceEnded) return;
    if (DeviceThreadState.compare_exchange_weak(current, kDevicePauseRequest)) break;
  }
  WakeDeviceWorker();
  const std::uint32_t limit = short_wait ? kAckShortWaitMs : kAckWaitMs;
  const std::uint32_t start = clock.NowMs();
  while (DeviceThreadState.load() != kDevicePaused) {
    if (clock.NowMs() - start >= limit) {
      WaitForPollPassUnderWay();
      return;
    }
    clock.SleepMs(kAckPollMs);
  }
}

// --- Commands on all units ---

void SendStartCommands(DeviceManager& manager) {
  std::lock_guard lock(manager.TableLock);
  for (auto& unit : manager.DeviceTable) {
    if (unit && unit->Running != 0) {
      unit->BytesReceived = 0;
      break;
    }
  }
  const bool recording = manager.Sink != nullptr && manager.Sink->IsRecording();
  // A unit that goes ends the recording: the record's length is its shortest channel's, so the
  // others would record on unseen and unsaved.
  StopOnAnyDeviceClose = recording ? 1 : 0;
  for (auto& unit : manager.DeviceTable) {
    if (!unit || unit->Running == 0 || !unit->IsOpen()) continue;
    const DWORD length = std::min<DWORD>(unit->StartPacketLength, static_cast<DWORD>(unit->StartPacket.size()));
    if (!Ok(*unit, Ftdi.FT_Write(unit->Handle, unit->StartPacket.data(), length, &unit->ByteCount))) continue;
    unit->StartTick = manager.Clock->NowMs();
  }
  manager.StartTick = manager.Clock->NowMs();
}

void SendStopCommands(DeviceManager& manager, bool set_idle) {
  {
    std::lock_guard lock(manager.TableLock);
    for (auto& unit : manager.DeviceTable) {
      if (!unit || unit->Running == 0) continue;
      // Clears the running flag even for a unit that has closed meanwhile.
      unit->SendStop();
      if (unit->SwitchBack != 0) {
        unit->SwitchBack = 0;
        unit->ModeCommand = 0xB3;
        unit->SendModeByte();
      }
    }
  }
  if (set_idle) AdvanceDeviceThreadState(kDeviceCommand, kDeviceSearch);
}

namespace {
// Held by the device worker for the whole of each poll pass and each search's scan.
std::mutex& PollPassUnderWay() {
  static std::mutex lock;
  return lock;
}
thread_local PollPass* current_pass = nullptr;
thread_local bool device_worker_thread = false;
thread_local bool window_holds_layout = false;
}  // namespace

bool IsDeviceWorkerThread() { return device_worker_thread; }

PollPass::PollPass(DeviceManager& manager)
    : manager_(manager), outer_(current_pass), layout_(manager.CodeLayoutLock, std::defer_lock) {
  // A nested pass runs inside the outer one's hold.
  if (outer_ == nullptr || !outer_->HoldsCodeLayout()) layout_.lock();
  current_pass = this;
}

bool HoldsCodeLayout() {
  if (window_holds_layout) return true;
  for (const PollPass* pass = PollPass::Current(); pass != nullptr; pass = pass->Outer()) {
    if (pass->HoldsCodeLayout()) return true;
  }
  return false;
}

PollPass::~PollPass() { current_pass = outer_; }

CodeLayoutHold::CodeLayoutHold(DeviceManager* manager) {
  if (manager == nullptr || HoldsCodeLayout()) return;
  layout_ = std::unique_lock(manager->CodeLayoutLock);
  window_holds_layout = true;
}

CodeLayoutHold::~CodeLayoutHold() {
  if (layout_.owns_lock()) window_holds_layout = false;
}

PollPass* PollPass::Current() { return current_pass; }

void PollPass::DeferWrap() { manager_.WrapDue = 1; }

void PollPass::WrapNow(FTRecordDevice& unit, std::uint32_t bytes_kept) {
  // The wrap resets the view's channels under the view's lock.
  OutsideCodeLayout outside;
  WrapAllUnits(manager_, &unit, bytes_kept);
}

void WrapAllUnits(DeviceManager& manager, FTRecordDevice* keeper, std::uint32_t bytes_kept) {
  manager.WrapDue = 0;
  // Read without the lock: only the device worker changes the table, and it is the caller.
  UnitEvents* events = nullptr;
  for (auto& unit : manager.DeviceTable) {
    if (unit && unit->Running != 0 && unit->Events != nullptr) {
      events = unit->Events;
      break;
    }
  }
  if (events != nullptr) {
    events->ResetRecordingBuffers();
  } else {
    for (auto& unit : manager.DeviceTable) {
      if (!unit || unit->Running == 0) continue;
      for (VessamorChannel* channel : unit->Channels) {
        if (channel != nullptr) channel->CodeCount = 0;
      }
    }
  }
  for (auto& unit : manager.DeviceTable) {
    if (!unit || unit->Running == 0) continue;
    const std::uint32_t staged = unit->ReceiveFill != nullptr ? *unit->ReceiveFill : 0;
    unit->RestartCycle(unit.get() == keeper ? bytes_kept : staged);
  }
}

namespace {

// A unit has all its record: its byte limit is reached or a channel it feeds is full.
bool UnitFull(const FTRecordDevice& unit) {
  if (!unit.HasRoom()) return true;
  for (const VessamorChannel* channel : unit.Channels) {
    if (channel != nullptr && channel->Codes != nullptr && channel->CodeCapacity > 0 && channel->CodeRoom() == 0) {
      return true;
    }
  }
  return false;
}

// A unit can fill its record: it has a byte limit or feeds a channel. A unit with neither (the
// type-6 unit binds no channel and counts no bytes) would hold a one-shot record open for good.
bool UnitCanFill(const FTRecordDevice& unit) {
  if (unit.ByteLimit != std::numeric_limits<std::uint32_t>::max()) return true;
  return std::any_of(unit.Channels.begin(), unit.Channels.end(), [](const VessamorChannel* channel) {
    return channel != nullptr && channel->Codes != nullptr && channel->CodeCapacity > 0;
  });
}

// A full record ends the recording once every open running unit that can fill has sent its record
// (units started a moment apart each still deliver all their samples); a timed record ends at its limit.
bool RecordComplete(const DeviceManager& manager) {
  if (manager.View != nullptr && manager.View->RecordingState.load() > 1) return true;
  for (const auto& unit : manager.DeviceTable) {
    if (unit && unit->Running != 0 && unit->IsOpen() && UnitCanFill(*unit) && !UnitFull(*unit)) return false;
  }
  return true;
}

}  // namespace

void WaitForPollPassUnderWay() {
  // A poll pass of this thread, or the window's own hold of the code layout, would wait on itself.
  if (IsDeviceWorkerThread() || PollPass::Current() != nullptr || HoldsCodeLayout()) return;
  std::lock_guard wait(PollPassUnderWay());
}

void PollAllDevices(DeviceManager& manager) {
  PollResult = 0;
  std::lock_guard under_way(PollPassUnderWay());
  // The window may be setting the units and channels up: a pass begun after it asked for the pause
  // touches none of them.
  const std::uint8_t state = DeviceThreadState.load();
  if (state == kDevicePauseRequest || state == kDevicePaused) return;
  if (manager.WrapDue != 0) WrapAllUnits(manager, nullptr, 0);
  PollPass pass(manager);
  // Only this thread changes the table while it polls, so the entries are read without the lock.
  for (auto& unit : manager.DeviceTable) {
    if (unit && unit->Running != 0) unit->Poll();
  }
  // The codes are written; the tick takes the view's lock.
  pass.LetCodeLayoutGo();
  const std::uint8_t result = PollResult.load();
  if (result == 0 || manager.Sink == nullptr) return;
  manager.Sink->AcquisitionTick();
  if (result == 2 && RecordComplete(manager)) manager.Sink->StopFullRecord();
}

void ResendModeBytes(DeviceManager& manager) {
  std::lock_guard lock(manager.TableLock);
  for (auto& unit : manager.DeviceTable) {
    if (!unit || !unit->IsOpen()) continue;
    unit->PrepareModeByte();
    unit->SendModeByte();
  }
}

// --- Device worker ---

DeviceWorker::DeviceWorker(DeviceManager& manager) : manager_(manager), clock_(*manager.Clock) {}

void DeviceWorker::Begin() {
  DeviceThreadState = kDeviceSearch;
  search_tick_ = clock_.NowMs();
  sleep_tick_ = search_tick_;
}

bool DeviceWorker::Step() {
  // Read before the flags: a change made after it ends the rest at once.
  const std::uint64_t wake_seen = DeviceWorkerWake().Count();
  if (DeviceRunFlag.load() == 0) return End();
  const std::uint8_t state = DeviceThreadState.load();
  switch (state) {
    case kDeviceSearch: return Search(wake_seen);
    case kDeviceCommand: return Command();
    case kDeviceStopRequest: return End();
    case kDeviceEnded: AdvanceDeviceThreadState(kDeviceEnded, kDeviceSearch); return true;
    case kDeviceMeasuring: return Measure();
    case kDevicePauseRequest: return Pause();
    case kDevicePaused: return Paused();
    default: AdvanceDeviceThreadState(state, kDeviceSearch); return true;
  }
}

bool DeviceWorker::Search(std::uint64_t wake_seen) {
  const std::uint32_t now = clock_.NowMs();
  if (now - search_tick_ <= kSearchIntervalMs) {
    // At rest until the next search is due, unless the window asks for something first.
    clock_.RestMs(kSearchIntervalMs + 1 - (now - search_tick_), kIdleSleepMs, DeviceWorkerWake(), wake_seen);
    return true;
  }
  search_tick_ = now;
  {
    // The search closes and opens the units: a window that gave up waiting for the pause waits for it.
    std::lock_guard under_way(PollPassUnderWay());
    if (DeviceThreadState.load() == kDevicePauseRequest) return true;
    manager_.ScanDevices();
  }
  manager_.PreviousMask = ConnectedMask.load();
  manager_.Searching = 0;
  if (ClosingFlag.load() != 0) return End();
  ReconcileWindow();
  search_tick_ = clock_.NowMs();
  manager_.DeleteRetiredUnits();
  return true;
}

void DeviceWorker::ReconcileWindow() {
  if (manager_.Window == nullptr) return;
  auto keep_waiting = [this] {
    return DeviceRunFlag.load() != 0 && ClosingFlag.load() == 0 && DeviceThreadState.load() <= kDeviceCommand &&
           clock_.NowMs() - search_tick_ < kStartScreenWaitMs;
  };
  // Asked at least once, even when a pause came during the search; a busy window is asked again.
  for (;;) {
    const std::uint32_t ticket = manager_.PostStartScreenText();
    std::uint8_t answer = manager_.Answer.AnswerTo(ticket);
    while (answer == 0 && keep_waiting()) {
      clock_.SleepMs(kIdleSleepMs);
      answer = manager_.Answer.AnswerTo(ticket);
    }
    if (answer != 2 || !keep_waiting()) return;
    clock_.SleepMs(kIdleSleepMs);
    if (!keep_waiting()) return;
  }
}

bool DeviceWorker::Command() {
  switch (manager_.RequestCode.load()) {
    case kRequestStart:
      SendStartCommands(manager_);
      AdvanceDeviceThreadState(kDeviceCommand, kDeviceMeasuring);
      return true;
    case kRequestStop:
      SendStopCommands(manager_, true);
      if (InfoScreenActive(manager_) && manager_.Sink != nullptr) manager_.Sink->MarkDevicesInUse(false);
      if (StopAfterRecording.load() != 0) return End();
      return true;
    case kRequestModeBytesMeasure:
      ResendModeBytes(manager_);
      AdvanceDeviceThreadState(kDeviceCommand, kDeviceMeasuring);
      return true;
    case kRequestModeBytesIdle:
      ResendModeBytes(manager_);
      AdvanceDeviceThreadState(kDeviceCommand, kDeviceSearch);
      return true;
    default:
      clock_.SleepMs(kIdleSleepMs);
      return true;
  }
}

bool DeviceWorker::Measure() {
  PollAllDevices(manager_);
  if (ConnectedMask.load() == 0) AdvanceDeviceThreadState(kDeviceMeasuring, kDeviceSearch);
  if (StopAfterRecording.load() != 0) return End();
  const std::uint32_t now = clock_.NowMs();
  if (NoDataFlag.load() != 0) {
    clock_.SleepMs(kPollSleepMs);
    NoDataFlag = 0;
    sleep_tick_ = clock_.NowMs();
  } else if (now - sleep_tick_ > kPollPauseEveryMs) {
    clock_.SleepMs(kPollSleepMs);
    sleep_tick_ = clock_.NowMs();
  }
  return true;
}

bool DeviceWorker::Pause() {
  if (!AdvanceDeviceThreadState(kDevicePauseRequest, kDevicePaused)) return true;
  // A search follows at once when the pause ends.
  search_tick_ = clock_.NowMs() - kPauseSearchRewindMs;
  return true;
}

bool DeviceWorker::Paused() {
  if (StopAfterRecording.load() != 0) return End();
  clock_.SleepMs(kPauseSleepMs);
  return true;
}

bool DeviceWorker::End() {
  // Units still measuring are stopped first, so none streams on after the program has gone.
  SendStopCommands(manager_, false);
  DeviceThreadState = kDeviceEnded;
  return false;
}

void DeviceWorkerThread(DeviceManager& manager) {
  device_worker_thread = true;
  DeviceWorker worker(manager);
  worker.Begin();
  while (worker.Step()) {
  }
}

// --- Control worker ---

ControlWorker::ControlWorker(DeviceManager& manager) : manager_(manager), clock_(*manager.Clock) {
  pthread_mutex_init(&event_.eMutex, nullptr);
  pthread_cond_init(&event_.eCondVar, nullptr);
  event_.iVar = 0;
}

ControlWorker::~ControlWorker() {
  pthread_cond_destroy(&event_.eCondVar);
  pthread_mutex_destroy(&event_.eMutex);
}

bool ControlWorker::Step() {
  switch (ControlCommand.load()) {
    case kControlPurge: {
      Purge();
      std::uint8_t expected = kControlPurge;
      ControlCommand.compare_exchange_strong(expected, kControlIdle);
      break;
    }
    case kControlResetCycle:
      ResetCycle();
      clock_.SleepMs(kResetCycleSleepMs);
      break;
    case kControlIdleToo: {
      std::uint8_t expected = kControlIdleToo;
      ControlCommand.compare_exchange_strong(expected, kControlIdle);
      break;
    }
    default: break;
  }
  if (ControlRunFlag.load() == 0 || ControlCommand.load() == kControlStopRequest) {
    End();
    return false;
  }
  clock_.SleepMs(kControlPassSleepMs);
  return true;
}

void ControlWorker::Purge() {
  std::lock_guard lock(manager_.ControlLock);
  FTRecordDevice* unit = manager_.ControlDeviceTable[0].get();
  if (unit != nullptr && unit->IsOpen()) Ok(*unit, Ftdi.FT_Purge(unit->Handle, FT_PURGE_RX));
}

void ControlWorker::ResetCycle() {
  std::lock_guard lock(manager_.ControlLock);
  FTRecordDevice* unit = manager_.ControlDeviceTable[0].get();
  if (unit == nullptr || !unit->IsOpen()) return;
  ++cycles_;
  if (!Ok(*unit, Ftdi.FT_Purge(unit->Handle, FT_PURGE_RX))) return;
  pthread_mutex_lock(&event_.eMutex);
  event_.iVar = 0;
  pthread_mutex_unlock(&event_.eMutex);
  if (!Ok(*unit, Ftdi.FT_SetEventNotification(unit->Handle, FT_EVENT_MODEM_STATUS, &event_))) return;
  if (!Ok(*unit, Ftdi.FT_SetRts(unit->Handle))) return;
  if (WaitModemEvent()) ++events_seen_;
  DWORD rx = 0;
  DWORD tx = 0;
  DWORD event_word = 0;
  if (!Ok(*unit, Ftdi.FT_GetStatus(unit->Handle, &rx, &tx, &event_word))) return;
  if ((event_word & FT_EVENT_MODEM_STATUS) != 0) {
    ULONG modem = 0;
    if (!Ok(*unit, Ftdi.FT_GetModemStatus(unit->Handle, &modem))) return;
  }
  std::array<std::uint8_t, kResetMessage.size()> message = kResetMessage;
  if (!Ok(*unit, Ftdi.FT_Write(unit->Handle, message.data(), static_cast<DWORD>(message.size()), &unit->ByteCount))) {
    return;
  }
  Ok(*unit, Ftdi.FT_ClrRts(unit->Handle));
}

bool ControlWorker::WaitModemEvent() {
  // Polled rather than waited on, so the wait goes by the worker's clock and a stop request ends it.
  const std::uint32_t start = clock_.NowMs();
  for (;;) {
    pthread_mutex_lock(&event_.eMutex);
    const bool signalled = event_.iVar != 0;
    event_.iVar = 0;
    pthread_mutex_unlock(&event_.eMutex);
    if (signalled) return true;
    if (ControlCommand.load() == kControlStopRequest || ControlRunFlag.load() == 0) return false;
    if (clock_.NowMs() - start >= kModemEventWaitMs) return false;
    clock_.SleepMs(kModemEventPollMs);
  }
}

void ControlWorker::End() {
  {
    // The event dies with the worker: the unit must no longer signal it.
    std::lock_guard lock(manager_.ControlLock);
    FTRecordDevice* unit = manager_.ControlDeviceTable[0].get();
    if (unit != nullptr && unit->IsOpen() && cycles_ > 0) Ftdi.FT_SetEventNotification(unit->Handle, 0, nullptr);
  }
  ControlCommand = kControlEnded;
}

int ControlWorkerThread(DeviceManager& manager) {
  ControlWorker worker(manager);
  while (worker.Step()) {
  }
  return 0;
}
