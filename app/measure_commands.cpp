// Command routing of the main window: the start and sensor pages' table, the sensor buttons and the
// measurement screen's commands.
#include <algorithm>
#include <cstdio>
#include <mutex>

#include "acquisition/worker_threads.h"
#include "app/main_window.h"
#include "controls/menu_buttton.h"
#include "records/record_commands.h"
#include "resources/string_table.h"

namespace {

constexpr std::int32_t kFirstSensorId = 75163;
constexpr std::int32_t kStartStopId = 75004;
constexpr std::int32_t kPauseId = 74999;

}  // namespace

void MainWindow::OnButtonPress(std::int32_t a, std::int32_t b, std::int32_t control_id) {
  if (Bytes.MeasureScreenActive.load() != 0) {
    if (SelectActiveView()) OnMeasureCommand(a, b, control_id);
  } else if (Bytes.InfoScreenActive.load() != 0) {
    DispatchButtonPress(a, b, control_id);
  }
  // During the intro neither screen is up and the click is dropped.
}

bool MainWindow::SelectActiveView() {
  for (GraphView* view : ViewSlots) {
    if (view != nullptr && view->Active != 0) {
      CurrentView = view;
      return true;
    }
  }
  return false;
}

void MainWindow::DispatchButtonPress(std::int32_t, std::int32_t, std::int32_t control_id) {
  switch (control_id) {
    case 75009:
    case 50060:
      for (std::int32_t id : {75009, 50060}) {
        if (auto* menu = dynamic_cast<MenuButtton*>(FindControl(id))) menu->HideAndClear();
      }
      return;
    case 75050:
      CloseDropDowns();
      OnKeyDown(platform::key::kEscape, 1, 0);
      return;
    case 75169:
    case 75150:
    case 75168:
      if (AImageButton* button = FindImageButton(Window(), 75169)) button->State = 1;
      Window().Minimise();
      return;
    case 75151:
      Window().Maximise();
      return;
    case 75167:
    case 75152:
      if (!SettleUnsavedRecord()) return;
      if (CurrentTimerId != 0) KillWindowTimer(CurrentTimerId);
      StopAcquisition();
      Window().PostClose();
      return;
    case 75172:
      if (MeasureButtonReady != 0) {
        GotoGraphScreen();
      } else if (AImageButton* button = FindImageButton(Window(), 75172)) {
        button->State = 1;
        button->ResetButtonState();
      }
      return;
    case 75173:
      if (Hooks.AdjustButton) Hooks.AdjustButton(*this);
      return;
    case 75185:
      GotoGraphScreen();
      if (View && Bytes.MeasureScreenActive.load() != 0) {
        records::SaveRange range;
        std::string title;
        records::RecordCommandContext context{*View, host_, range, title, EnglishUi(), environment_.RecordFormats, {}};
        // Nothing loaded (the dialog cancelled, or the file refused with its message): back to the
        // start screen the teacher came from, not an empty graph with nothing to record.
        if (!records::OpenRecord(context)) OnKeyDown(platform::key::kEscape, 1, 0);
      }
      return;
    default:
      if (control_id >= kFirstSensorId && control_id < kFirstSensorId + 4) SensorButtonPress(control_id - kFirstSensorId);
      return;
  }
}

void MainWindow::SensorButtonPress(std::int32_t n) {
  const int screen = Hooks.InfoScreen ? Hooks.InfoScreen(*this) : -1;
  if (screen < 0 || !View) return;
  const auto slot = static_cast<std::size_t>(n);
  AImageButton* pressed = Controls.SensorButtons[slot];
  if (pressed == nullptr) return;
  if (pressed->State.load() == ControlFrame::kStateDown) {
    // The sensor is selected: the others go up, a recording of the page being left stops.
    bool left_preparation = false;
    for (std::size_t i = 0; i < 4; ++i) {
      AImageButton* other = Controls.SensorButtons[i];
      if (i == slot || other == nullptr) continue;
      if (other->State.load() == ControlFrame::kStateDown && screen == 11) {
        left_preparation = true;
        if (View->Recording.load() != 0) {
          WaitAcquisitionAck(false, *environment_.Clock);
          View->Sweep.TickHold = 1;
          View->StopRecordingOnExit(false);
        }
        if (SensorButtons[i].TickBox == 0) {
          SensorChosen[i] = 0;
          Bytes.SensorPrepared[i] = 0;
        }
      }
      other->State = ControlFrame::kStateUp;
      other->ResetButtonState();
    }
    ShowControl(75173, false);
    if (screen != 11 || left_preparation) {
      if (!left_preparation) WaitAcquisitionAck(false, *environment_.Clock);
      // The page left unprepared gives its channels back before the new sensor asks for some.
      if (left_preparation && SlotBinder) SlotBinder->ReleaseUnpreparedSlots();
      SensorButtons[slot].TickBox = 0;
      SensorChosen[slot] = 0;
      Bytes.SensorPrepared[slot] = 0;
      bool attached = false;
      FTRecordDevice* unit = nullptr;
      if (Devices) {
        // The table entry is read and bound under the table's lock, so a unit that leaves cannot go between.
        std::lock_guard lock(Devices->TableLock);
        unit = slot < Devices->DeviceTable.size() ? Devices->DeviceTable[slot].get() : nullptr;
        attached = unit != nullptr && AttachDeviceToSlot(*unit);
      }
      if (attached) {
        if (Hooks.SetInfoScreen) Hooks.SetInfoScreen(*this, 11, n, unit);
        // The tick holds the samples until the page's pictures are painted.
        Bytes.SensorPageOpening = 1;
        Bytes.SensorPagePending = 1;
        View->SensorCode = SensorButtons[slot].SensorCode;
        View->DefaultSampleRate(unit->DeviceTypeCode);
        View->MarkDeviceInUse(*unit);
        View->Sweep.RestartPending = 0;
        // The page's step state was restarted as it opened; the step itself waits for the tick.
        ToggleRecordingFromButton();
        // A type-6 unit binds no channel and sends no sample, so no acquisition tick runs its page's
        // step: that step runs once from here.
        if (unit->DeviceTypeCode == 6) ApplyPreparationStep();
        // The worker stays paused: the preparation page's recording drives it from here.
      } else {
        pressed->State = ControlFrame::kStateUp;
        pressed->ResetButtonState();
        DeviceThreadState = 0;
      }
    }
    View->Sweep.TickHold = 0;
    SensorPageLeft = 0;
    // A refused unit's button stays up; its information page, kept like a released sensor's, says why.
    if (pressed->State.load() == ControlFrame::kStateUp && SensorButtons[slot].Unit != nullptr && Hooks.SensorRefused) {
      Hooks.SensorRefused(*this, n);
      SensorPageLeft = 1;
    }
  } else {
    View->StopRecordingOnExit(true);
    ShowControl(75173, false);
    ShowControl(75174, false);
    if (Hooks.SetInfoScreen) Hooks.SetInfoScreen(*this, 1, n, nullptr);
    SensorPageLeft = 1;
  }
  if (Panels[1] && Panels[1]->ContentShown != 0) {
    StartScreenDirty = 1;
    if (CurrentTimerId == kTimerHintDelay || CurrentTimerId == kTimerHintEnd) {
      KillWindowTimer(CurrentTimerId);
      CurrentTimerId = 0;
    }
    platform::WindowRect area = Panels[1]->Area;
    if (const platform::Control* hint = FindControl(kHintWindowId); hint != nullptr && hint->IsVisible()) {
      ShowControl(kHintWindowId, false);
      area.right = std::max(area.right, hint->Rect().right);
    }
    InvalidateLocal(area);
    UpdateMeasureButton();
  }
}

void MainWindow::OnMeasureCommand(std::int32_t a, std::int32_t b, std::int32_t control_id) {
  GraphView* view = CurrentView;
  if (view == nullptr) return;
  const bool recording = view->Recording.load() != 0;
  if (recording) {
    static constexpr std::int32_t kWhileRecording[] = {75004, 75005, 75016, 75181, 75182, 75183,
                                                       75184, 75038, 75039, 75040, 75041, 74998, 74999};
    if (std::find(std::begin(kWhileRecording), std::end(kWhileRecording), control_id) == std::end(kWhileRecording)) return;
  }
  if (CurrentTimerId != 0) {
    // The options panel's hidden first paint is cut short with its timer; it must not stay up.
    if (CurrentTimerId == kTimerSettingsPanel) ShowControl(kSettingsPanelId, false);
    KillWindowTimer(CurrentTimerId);
    CurrentTimerId = 0;
  }
  ShowControl(kHintWindowId, false);
  AImageButton* button = FindImageButton(Window(), control_id);
  switch (control_id) {
    case kStartStopId:
      ReleaseButtonsExcept(static_cast<std::uint32_t>(control_id), false);
      // The press acts on what the button showed: released up, it was "Stop". A recording that
      // ended by itself meanwhile (a full record, stopped by the device worker) is kept as it is.
      if (button != nullptr ? button->State.load() == ControlFrame::kStateUp : recording) {
        view->ToggleRecording(GraphView::ToggleIntent::StopOnly);
      } else if (view->Recording.load() == 0 && !SettleUnsavedRecord()) {
        // A new recording would replace the record not yet saved: cancelled, "Start" stays up.
        RefreshToolbar();
        return;
      } else {
        view->ToggleRecording();
      }
      if (view->Recording.load() != 0) UnsavedRecord = 1;
      if (view->DisplayMode == DialView::kDisplayMode) {
        // On the dial the side-panel captions come again, and the redraw reaches down over the
        // band below the view where they stand, so the buttons there are drawn over them.
        SidePanelRequest = 1;
        PixelRect area;
        {
          std::lock_guard lock(view->ViewLock);
          area = view->ViewRect;
        }
        area.Bottom = std::max(area.Bottom, Metrics.ScreenHeight);
        InvalidateLocal(area);
      }
      return;
    case kPauseId:
      if (button == nullptr) return;
      if (recording) {
        if (button->State.load() == ControlFrame::kStateDown) {
          std::lock_guard lock(view->ViewLock);
          view->DisplayHold = 1;
          view->HoldPosition = view->SampleCount;
        } else {
          view->DisplayHold = 0;
        }
      } else if (button->State.load() == ControlFrame::kStateDown) {
        button->State = ControlFrame::kStateUp;
        button->ResetButtonState();
      }
      return;
    case 75016:
      if (SettleUnsavedRecord()) Window().PostClose();
      return;
    case 75050:
      ReleaseButtonsExcept(0, false);
      CloseDropDowns();
      OnKeyDown(platform::key::kEscape, 1, 0);
      return;
    case 75181:
    case 75182:
    case 75183:
    case 75184:
      ToggleChannelOptions(control_id - 75181);
      return;
    default:
      OnToolbarCommand(a, b, control_id, *view);
      return;
  }
}

void MainWindow::ToggleRecordingFromButton() {
  if (!View) return;
  if (Bytes.MeasureScreenActive.load() == 0) {
    View->ToggleRecording();
    return;
  }
  if (View->Ready == 0) return;
  AImageButton* start = FindImageButton(Window(), kStartStopId);
  if (start == nullptr) return;
  start->SetStateAndCaption(2, "", false);
  if (View->Recording.load() != 0) {
    View->StopRecordKeepData();
    start->SetStateAndCaption(1, std::string(LoadString(132, UiLanguage)), true);
  } else {
    View->ToggleRecording();
    if (View->Recording.load() != 0) UnsavedRecord = 1;
    start->SetStateAndCaption(2, std::string(LoadString(133, UiLanguage)), true);
  }
}
