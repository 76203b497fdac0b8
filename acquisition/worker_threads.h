// The device worker and the control worker, the status bytes they share with the window thread, and the pause hand-over.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "acquisition/ftdi_api.h"
#include "acquisition/unit_events.h"

class DeviceManager;
class FTRecordDevice;
class UnitClock;

// DeviceThreadState values.
inline constexpr std::uint8_t kDeviceSearch = 0;
inline constexpr std::uint8_t kDeviceCommand = 1;
inline constexpr std::uint8_t kDeviceStopRequest = 2;
inline constexpr std::uint8_t kDeviceEnded = 3;
inline constexpr std::uint8_t kDeviceMeasuring = 4;
inline constexpr std::uint8_t kDevicePauseRequest = 5;
inline constexpr std::uint8_t kDevicePaused = 51;

// ControlCommand values.
inline constexpr std::uint8_t kControlIdle = 0;
inline constexpr std::uint8_t kControlPurge = 1;
inline constexpr std::uint8_t kControlResetCycle = 2;
inline constexpr std::uint8_t kControlIdleToo = 3;
inline constexpr std::uint8_t kControlStopRequest = 100;
inline constexpr std::uint8_t kControlEnded = 101;

// The manager's request byte: what the device worker does in the command state.
inline constexpr std::uint8_t kRequestStart = 1;
inline constexpr std::uint8_t kRequestStop = 2;
inline constexpr std::uint8_t kRequestModeBytesMeasure = 3;
inline constexpr std::uint8_t kRequestModeBytesIdle = 4;

// Timing of the workers, in milliseconds.
inline constexpr std::uint32_t kSearchIntervalMs = 2000;
inline constexpr std::uint32_t kIdleSleepMs = 20;
inline constexpr std::uint32_t kStartScreenWaitMs = 3000;
inline constexpr std::uint32_t kPollSleepMs = 10;
inline constexpr std::uint32_t kPollPauseEveryMs = 200;
inline constexpr std::uint32_t kPauseSleepMs = 10;
// How far the search tick is set back when a pause is answered, so a search follows the pause.
inline constexpr std::uint32_t kPauseSearchRewindMs = 3000;
inline constexpr std::uint32_t kControlPassSleepMs = 50;
inline constexpr std::uint32_t kResetCycleSleepMs = 100;
inline constexpr std::uint32_t kModemEventWaitMs = 1000;
inline constexpr std::uint32_t kModemEventPollMs = 10;
inline constexpr std::uint32_t kAckPollMs = 10;
inline constexpr std::uint32_t kAckWaitMs = 1000;
inline constexpr std::uint32_t kAckShortWaitMs = 250;

// The device worker's state: 0 search, 1 command, 2 stop request, 3 ended, 4 measuring,
// 5 pause request, 51 paused. A thread that does not own the current state changes it only by
// compare-exchange, so no request is lost.
extern std::atomic<std::uint8_t> DeviceThreadState;
// The control worker's command: 0 idle, 1 purge, 2 reset cycle, 3 idle, 100 stop request, 101 ended.
extern std::atomic<std::uint8_t> ControlCommand;
// Set: the device worker ends after the current stop.
extern std::atomic<std::uint8_t> StopAfterRecording;
// Latch of the device-arrival check; a search clears it.
extern std::atomic<std::uint8_t> SearchOnDemand;
// Set while the worker may run.
extern std::atomic<std::uint8_t> DeviceRunFlag;
extern std::atomic<std::uint8_t> ControlRunFlag;

// Wakes the device worker where it rests between searches: every change of its state, run flag or
// stop flag by another thread is followed by a Wake.
WakeSignal& DeviceWorkerWake();
inline void WakeDeviceWorker() { DeviceWorkerWake().Wake(); }

// Back to the values at start-up (tests).
void ResetWorkerStatus();

// Window side: asks the device worker for a state, unless it has ended or is being asked to end.
bool RequestDeviceThreadState(std::uint8_t state);
// The worker's own change of state: only when the state still reads `from`.
bool AdvanceDeviceThreadState(std::uint8_t from, std::uint8_t to);

// Pauses the device worker before the window touches the tables or the channels: sets the pause
// request (unless the worker is already paused or has ended) and polls every 10 ms until it answers,
// giving up after 1000 ms, or 250 ms with the short wait.
// A worker that has not answered when the wait gives up may be in a poll pass or a search's scan: the
// window waits for it to end, and a pass begun after the request polls nothing.
void WaitAcquisitionAck(bool short_wait, UnitClock& clock);
// Returns once no poll pass or scan is under way on the device worker. Called without the table's, the
// view's or the code layout lock: a pass takes them.
void WaitForPollPassUnderWay();

// Writes every running unit's start packet (the worker, on the start request).
void SendStartCommands(DeviceManager& manager);
// Writes the stop byte of every running unit, and the switch-back mode byte where one is due.
// With set_idle the worker goes back to searching.
void SendStopCommands(DeviceManager& manager, bool set_idle);
// Polls every running unit once; after data the acquisition tick, after a full record its stop.
void PollAllDevices(DeviceManager& manager);
// One pass of PollAllDevices, current on the device worker while it polls. A cyclic record wraps
// for all running units together, so no unit's wrap cuts the samples of another: a unit that
// reaches its byte limit holds its further bytes and the wrap follows at the start of the next
// pass, once the tick has seen every unit's samples; a unit that must store into a full channel
// wraps them all at once.
class PollPass {
 public:
  explicit PollPass(DeviceManager& manager);
  ~PollPass();
  PollPass(const PollPass&) = delete;
  PollPass& operator=(const PollPass&) = delete;

  // The pass running on this thread, or null outside PollAllDevices.
  static PollPass* Current();
  PollPass* Outer() const { return outer_; }
  // A unit reached its byte limit: the wrap follows at the start of the next pass.
  void DeferWrap();
  // Wraps every running unit now; `unit` starts the new cycle with `bytes_kept` bytes.
  void WrapNow(FTRecordDevice& unit, std::uint32_t bytes_kept);
  // The manager's code layout lock, held from the start of the pass until let go.
  bool HoldsCodeLayout() const { return layout_.owns_lock(); }
  void LetCodeLayoutGo() {
    if (layout_.owns_lock()) layout_.unlock();
  }
  void TakeCodeLayout() {
    if (!layout_.owns_lock()) layout_.lock();
  }

 private:
  DeviceManager& manager_;
  PollPass* outer_;
  std::unique_lock<std::mutex> layout_;
};

// A call from a poll pass into the view: the code layout lock is let go for its length.
class OutsideCodeLayout {
 public:
  OutsideCodeLayout() {
    // The pass that holds it: this one, or the one a nested pass runs in.
    for (PollPass* pass = PollPass::Current(); pass != nullptr && pass_ == nullptr; pass = pass->Outer()) {
      if (pass->HoldsCodeLayout()) pass_ = pass;
    }
    if (pass_ != nullptr) pass_->LetCodeLayoutGo();
  }
  ~OutsideCodeLayout() {
    if (pass_ != nullptr) pass_->TakeCodeLayout();
  }
  OutsideCodeLayout(const OutsideCodeLayout&) = delete;
  OutsideCodeLayout& operator=(const OutsideCodeLayout&) = delete;

 private:
  PollPass* pass_ = nullptr;
};

// Whether this thread may move the channels' slices without taking the code layout lock: it is
// in a poll pass that holds it, or in a CodeLayoutHold.
bool HoldsCodeLayout();

// The window's hold of the code layout lock while it sets the channels up again under a running
// recording: no unit writes a code meanwhile, and the view's own moves of the slices inside it take
// the lock no second time. Without a manager, or inside a hold already, it holds nothing. Taken
// after the view's lock, as the view takes it when it moves the slices.
class CodeLayoutHold {
 public:
  explicit CodeLayoutHold(DeviceManager* manager);
  ~CodeLayoutHold();
  CodeLayoutHold(const CodeLayoutHold&) = delete;
  CodeLayoutHold& operator=(const CodeLayoutHold&) = delete;

 private:
  std::unique_lock<std::mutex> layout_;
};

// Every running unit starts a new cycle: the view's channels once, then each unit's byte count at
// the bytes it still holds unparsed (`keeper` at `bytes_kept`).
void WrapAllUnits(DeviceManager& manager, FTRecordDevice* keeper, std::uint32_t bytes_kept);

// Prepares and sends the mode byte of every open unit.
void ResendModeBytes(DeviceManager& manager);

// The device worker's loop, one pass at a time, so tests can step it with their own clock.
class DeviceWorker {
 public:
  explicit DeviceWorker(DeviceManager& manager);
  // Search state; the first search follows 2 s later.
  void Begin();
  // One pass of the loop; false once the worker has ended (state 3).
  bool Step();

 private:
  bool Search(std::uint64_t wake_seen);
  bool Command();
  bool Measure();
  bool Pause();
  bool Paused();
  // Stops whatever still runs, then state 3.
  bool End();
  // Asks the window to reconcile its slots with the search's result and waits for the answer.
  void ReconcileWindow();

  DeviceManager& manager_;
  UnitClock& clock_;
  std::uint32_t search_tick_ = 0;
  std::uint32_t sleep_tick_ = 0;
};

// The control worker's loop: purge, the control unit's RTS reset cycle, stop.
class ControlWorker {
 public:
  explicit ControlWorker(DeviceManager& manager);
  ~ControlWorker();
  ControlWorker(const ControlWorker&) = delete;
  ControlWorker& operator=(const ControlWorker&) = delete;

  // One pass; false once the worker has ended (command 101).
  bool Step();
  // Cycles run so far, and how many of them saw the modem-status event in time.
  std::uint32_t Cycles() const { return cycles_; }
  std::uint32_t EventsSeen() const { return events_seen_; }

 private:
  void Purge();
  void ResetCycle();
  // Waits for the modem-status event at most 1 s, less when the worker is asked to stop.
  bool WaitModemEvent();
  void End();

  DeviceManager& manager_;
  UnitClock& clock_;
  // Created once for the worker's life; registered with the control unit for each cycle.
  EVENT_HANDLE event_{};
  std::uint32_t cycles_ = 0;
  std::uint32_t events_seen_ = 0;
};

// True on the device worker's thread (set by DeviceWorkerThread).
bool IsDeviceWorkerThread();

// Thread procedures, started by the manager with itself as the argument.
void DeviceWorkerThread(DeviceManager& manager);
int ControlWorkerThread(DeviceManager& manager);
