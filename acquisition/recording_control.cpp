// The graph view's recording control: start and stop, the stops that keep the data or leave a screen, the device wiring.
#include <algorithm>
#include <mutex>
#include <thread>
#include <utility>

#include "acquisition/device_manager.h"
#include "acquisition/device_status.h"
#include "acquisition/worker_threads.h"
#include "channels/main_window_services.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"
#include "graph/record_params.h"

namespace {

constexpr std::uint16_t kBreathingCode = 40;

// Lets a paused (or pausing) device worker go back to searching; any other state is left alone.
void ReleaseDeviceWorker() {
  std::uint8_t state = DeviceThreadState.load();
  while (state == kDevicePauseRequest || state == kDevicePaused) {
    if (DeviceThreadState.compare_exchange_weak(state, kDeviceSearch)) return;
  }
}

bool WorkerHoldsStill() {
  const std::uint8_t state = DeviceThreadState.load();
  return state == kDevicePaused || state == kDeviceEnded;
}

bool InfoScreen(const MainWindowServices* window) {
  return window != nullptr && window->Bytes.InfoScreenActive.load() != 0;
}

// Marks the calling thread as the one inside a start or stop, so a stop that the same thread
// reaches again (a unit closing while the stop bytes go out) leaves the decision to the outer call.
class ToggleScope {
 public:
  ToggleScope(std::atomic<std::thread::id>& owner) : owner_(owner) { owner_ = std::this_thread::get_id(); }
  ~ToggleScope() { owner_ = std::thread::id{}; }
  ToggleScope(const ToggleScope&) = delete;
  ToggleScope& operator=(const ToggleScope&) = delete;

 private:
  std::atomic<std::thread::id>& owner_;
};

// A loaded record was shown: the kept live set-up and caption come back, and with them the live
// sensor kind, whose header is rebuilt when it is not the loaded record's.
void GiveBackLiveSetup(GraphView& view) {
  const std::uint16_t loaded_kind = view.SensorCode;
  const ViewSetupHooks& hooks = view.SetupHooks;
  if (hooks.RestoreSetupFromReference) hooks.RestoreSetupFromReference();
  if (hooks.RestoreCaption) hooks.RestoreCaption();
  if (hooks.SyncIndicatorPanes) hooks.SyncIndicatorPanes();
  view.LiveSetupKept = 0;
  // The record's marks go with it: the live channels' first of each sensor are marked again before
  // the header and the label columns are laid out from them.
  if (view.MainWindow != nullptr) view.MainWindow->MarkFirstChannelPerSensor();
  if (view.SensorCode != loaded_kind && hooks.SetupGraphHeader) {
    // The header is the live kinds' again, but the rate stays the measurement's as the record found
    // it: the kinds' own rates would undo what the units in it keep, or what the user chose.
    const std::uint32_t rate = view.RateSetting;
    hooks.SetupGraphHeader();
    view.RateSetting = rate;
    return;
  }
  std::lock_guard lock(view.ViewLock);
  view.SetViewRect(view.ViewRect, 0);
}

}  // namespace

void GraphView::AttachDevices(DeviceManager& manager, WindowSide& window_side) {
  Devices = &manager;
  Window = &window_side;
  manager.View = this;
  manager.MainWindow = MainWindow;
  manager.Window = &window_side;
  manager.Events = &Events();
  manager.Sink = &Sink();
  CountDevices = [&manager] { return manager.CountDevices(); };
  Hooks.RequestStopRecording = [this] { StopRecording(); };
}

void GraphView::ToggleRecording(ToggleIntent intent) {
  if (ToggleOwner.load() == std::this_thread::get_id()) return;
  std::lock_guard toggle(ToggleLock);
  ToggleScope scope(ToggleOwner);
  if (Recording.load() != 0) {
    if (StopRecordingLocked(false)) AfterToggle();
  } else if (intent == ToggleIntent::StopOnly) {
    // The recording ended by itself first: the toolbar is shown as that stop left it.
    AfterToggle();
  } else {
    StartRecordingLocked();
  }
}

bool GraphView::StopRecording() {
  if (Recording.load() == 0 || ToggleOwner.load() == std::this_thread::get_id()) return false;
  // Never waits: the device worker must not block on a window-thread start that is pausing it.
  std::unique_lock toggle(ToggleLock, std::try_to_lock);
  if (!toggle.owns_lock()) return false;
  ToggleScope scope(ToggleOwner);
  if (!StopRecordingLocked(false)) return false;
  AfterToggle();
  return true;
}

void GraphView::StartRecordingLocked() {
  if (Devices == nullptr) return;
  WaitAcquisitionAck(false, *Devices->Clock);
  const std::uint32_t connected = Devices->CountDevices();
  if (LiveSetupKept != 0) {
    GiveBackLiveSetup(*this);
    // The buffer was shared out by the record's channels: the live ones take their slices again.
    std::lock_guard lock(ViewLock);
    SplitCodeBuffer();
  }
  const std::uint32_t ready = connected != 0 ? Devices->CountReadyDevices() : 0;
  if (ready == 0) {
    // Nothing is sent; the previous record stays as it was, and the worker searches again.
    {
      std::lock_guard lock(ViewLock);
      if (SampleCount > 1) RecordViewable = 1;
    }
    MarkDevicesInUse(Sweep.GraphScreen.load() != 0);
    ReleaseDeviceWorker();
    AfterToggle();
    return;
  }
  {
    std::lock_guard lock(ViewLock);
    SampleCount = 0;
    LastSampleIndex = 0;
    RecordViewable = 0;
    // On the measurement screen the record is taken at a rate every unit in it keeps.
    if (Sweep.GraphScreen.load() != 0) ClampRateToDevices();
    // The rate may have changed since the scales were derived.
    RederiveTimeBase();
    ResetViewHistory();
    ComputeStartIndexes();
    InitRecordParams(Params[0], this, 2 * ChannelCapacity);
    // The new record's files are laid out for its own channels, not a loaded record's.
    if (Sweep.GraphScreen.load() != 0) DecideTwoChannelText();
  }
  // The flag follows the start, as the units' own closes during it must not stop anything.
  if (Devices->StartAllDevices(Params[0])) {
    Recording = 1;
    StopOnAnyDeviceClose = 1;
  } else {
    RecordingState = 0;
    ReleaseDeviceWorker();
  }
  AfterToggle();
}

bool GraphView::StopRecordingLocked(bool converted_order) {
  if (Recording.load() == 0) return false;
  // Away from the device worker the record is finished only once the worker has stopped
  // decoding; the last samples it decoded have then been through the tick.
  const bool paused = Devices != nullptr && !IsDeviceWorkerThread();
  if (paused) WaitAcquisitionAck(false, *Devices->Clock);
  std::uint8_t running = 1;
  if (!Recording.compare_exchange_strong(running, 0)) {
    if (paused) ReleaseDeviceWorker();
    return false;
  }
  // The units' closes from here on (the stop bytes, the next search) end no recording.
  StopOnAnyDeviceClose = 0;
  FinishRecord(converted_order);
  // Ends the pause: the worker writes the stop bytes, or searches when no unit is connected.
  if (Devices != nullptr) Devices->StopAllDevices();
  return true;
}

void GraphView::FinishRecord(bool converted_order) {
  {
    std::lock_guard lock(ViewLock);
    if (SampleCount > 1) {
      // A rotation channel, whose detector writes its rates over the unit's pulses, would otherwise
      // end on the pulses' raw levels.
      ProcessRecordTail();
      RecordViewable = 1;
      LastSampleIndex = SampleCount - 1;
      // The record stays on its last screen, whole: every column the sweep has laid, however few
      // of them a paint had reached.
      const std::uint16_t last = std::max<std::uint16_t>(Sweep.LastDrawnColumn, 1);
      if (std::this_thread::get_id() == OwnerThread) {
        FirstShownColumn = 1;
        LastShownColumn = last;
      } else {
        StoppedLastShown = last;
      }
      for (auto& live : Channels) {
        VessamorChannel& channel = *live;
        if (channel.Enabled == 0) continue;
        bool swap = channel.RunMax < channel.RunMin;
        if (converted_order && channel.RawToValueFn != nullptr) {
          swap = channel.RawToValueFn(static_cast<std::int16_t>(channel.RunMax), &channel) <
                 channel.RawToValueFn(static_cast<std::int16_t>(channel.RunMin), &channel);
        }
        if (swap) std::swap(channel.RunMax, channel.RunMin);
        // The stop sets nothing further on pulse channels: their rate settings stay as the recording
        // left them, since the indicator and the exports read the detector's history after the stop.
        if (!converted_order && channel.SensorCode == kBreathingCode) channel.FillRateHistory();
      }
    }
    RecordingState = 0;
  }
}

void GraphView::AfterToggle() {
  if (RefreshToolbar) RefreshToolbar();
  if (MainWindow != nullptr && Sweep.GraphScreen.load() != 0) MainWindow->InvalidateLocal(ViewRect);
}

void GraphView::StopRecordKeepData() {
  if (ToggleOwner.load() == std::this_thread::get_id()) return;
  std::lock_guard toggle(ToggleLock);
  ToggleScope scope(ToggleOwner);
  if (!StopRecordingLocked(true)) return;
  if (MainWindow != nullptr && Sweep.GraphScreen.load() != 0) MainWindow->InvalidateLocal(ViewRect);
  StopOnAnyDeviceClose = 0;
}

void GraphView::StopRecordingOnExit(bool return_to_search) {
  if (ToggleOwner.load() == std::this_thread::get_id()) return;
  std::lock_guard toggle(ToggleLock);
  ToggleScope scope(ToggleOwner);
  if (Recording.load() == 0) return;
  if (Devices != nullptr) {
    // The stop bytes go out from here only once the worker has stopped polling.
    WaitAcquisitionAck(false, *Devices->Clock);
    if (!WorkerHoldsStill()) {
      Devices->StopAllDevices();
    } else if (Devices->CountDevices() != 0) {
      {
        std::lock_guard lock(Devices->TableLock);
        for (auto& unit : Devices->DeviceTable) {
          if (unit && unit->IsOpen() && unit->Running != 0) unit->SetStopCommand();
        }
      }
      SendStopCommands(*Devices, false);
    }
  }
  if (InfoScreen(MainWindow)) MarkDevicesInUse(false);
  Recording = 0;
  RecordingState = 0;
  if (return_to_search) ReleaseDeviceWorker();
  StopOnAnyDeviceClose = 0;
}
