// Mouse routing and hover: presses to the graph view or the start screen, hints, title band, sliders.
#include <algorithm>

#include "acquisition/worker_threads.h"
#include "app/hint_window.h"
#include "app/main_window.h"
#include "controls/aimage_button.h"
#include "controls/menu_buttton.h"
#include "controls/stick_button.h"
#include "layout/hover_panels.h"
#include "layout/start_screen_title.h"

namespace {

constexpr std::int32_t kMenuChain[] = {75050, 75010, 75011, 75186, 75012, 75049, 75051};
constexpr std::int32_t kMarkerButton = 75051;
constexpr std::int32_t kHintedIds[] = {74999, 75004, 75013, 75014, 75016, 75017, 75022, 75027, 75032, 75037, 75038,
                                       75039, 75040, 75041, 75045, 75046, 75052, 75053, 75054, 75181, 75182, 75183, 75184};

bool Holds(const platform::WindowRect& r, std::int32_t x, std::int32_t y) {
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}
bool IsRecordButton(std::int32_t id) { return id == 75017 || id == 75022 || id == 75027 || id == 75032; }
template <std::size_t N>
bool Among(const std::int32_t (&ids)[N], std::int32_t id) {
  return std::find(std::begin(ids), std::end(ids), id) != std::end(ids);
}

bool Within(const PixelRect& r, std::int32_t x, std::int32_t y) {
  return r.Right > r.Left && x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}

// The hover groups of the screens other than the graph (which has none): the top group over the
// top zone; the side group's first form in mode 2 while no panel is open, its second form in
// modes 1 and 4, where the second zone opens it too.
void MoveOverHoverZones(MainWindow& window, const GraphView& view, std::int32_t x, std::int32_t y) {
  const std::uint8_t mode = view.DisplayMode;
  if (mode != 1 && mode != 2 && mode != 4) return;
  Within(view.TopZone, x, y) ? ShowTopHoverPanel(window) : HideTopHoverPanel(window);
  if (mode == 2) {
    if (window.PanelMode != 0) return;
    Within(view.SideArea, x, y) ? ShowSideHoverPanelA(window) : HideSideHoverPanel(window);
  } else if (Within(view.SideArea, x, y) || Within(view.SideZone2, x, y)) {
    ShowSideHoverPanelB(window);
  } else {
    CloseSideHoverPanel(window);
  }
}

}  // namespace

bool GraphView::InGraphArea(std::int32_t x, std::int32_t y) const {
  // Either span: a press below or beside the view goes to it too (it pans by the span it is in).
  return (x >= ViewRect.Left && x <= ViewRect.Right) || (y >= ViewRect.Top && y <= ViewRect.Bottom);
}

void MainWindow::OnMouse(const platform::MouseEvent& event) {
  const std::int32_t x = event.point.x, y = event.point.y;
  // The information panel's value boxes and options see the start pages' events first.
  if (Bytes.InfoScreenActive.load() != 0 && Hooks.InfoPanelMouse) Hooks.InfoPanelMouse(*this, event);
  switch (event.kind) {
    case platform::MouseKind::Move: OnMouseMove(event.flags, x, y); break;
    case platform::MouseKind::LeftDown:
    case platform::MouseKind::LeftDoubleClick: OnLButtonDown(event.flags, x, y); break;
    case platform::MouseKind::LeftUp: OnLButtonUp(event.flags, x, y); break;
    default: OnOtherButton(event.kind, event.flags, x, y); break;
  }
}

void MainWindow::OnLButtonDown(unsigned flags, std::int32_t x, std::int32_t y) {
  if (Bytes.MeasureScreenActive.load() != 0) {
    // The help panel, drawn while nothing records, turns its page at a click on it, with or without
    // a record to view.
    if (Help.Shown != 0 && Help.Rect.Contains({x, y}) && !(View && View->Recording.load() != 0)) {
      Help.NextPage();
      return;
    }
    if (!View || !SelectActiveView() || View->Recording.load() != 0) return;
    if (View->RecordViewable != 0 && View->InGraphArea(x, y)) {
      View->OnLButtonDown(flags, x, y);
    } else {
      std::lock_guard lock(View->ViewLock);
      View->DataDragArmed = 0;
      View->MarkerDragActive = 0;
    }
    RefreshToolbar();
    return;
  }
  if (Bytes.InfoScreenActive.load() == 0 || InfoPanelRevealed == 0) return;
  const bool recording = View && View->Recording.load() != 0;
  if (OnWebLink(x, y)) OpenMakerWebPage(host_);
  const int screen = Hooks.InfoScreen ? Hooks.InfoScreen(*this) : -1;
  if (screen != 11) {
    if (CountTickBoxes() != 0 && !recording) {
      for (std::size_t i = 0; i < 4; ++i) {
        if (SensorChosen[i] == 0 || !Holds(SensorTickRects[i], x, y)) continue;
        const std::uint8_t prepared = Bytes.SensorPrepared[i].load() != 0 ? 0 : 1;
        Bytes.SensorPrepared[i] = prepared;
        Mouse.TickChanged[i] = 1;
        SensorButtons[i].TickChangePending = 1;
        WaitAcquisitionAck(true, *environment_.Clock);
        {
          std::lock_guard lock(Devices->TableLock);
          // The unit may have gone since the buttons were laid out.
          if (const FTRecordDevice* unit = Devices->DeviceTable[i].get()) {
            const DeviceSlot probe = SlotBinder->Probe(*unit);
            for (DeviceSlot& slot : DeviceSlots) {
              if (slot.InUse != 0 && slot.Location == probe.Location && slot.SerialNumber == probe.SerialNumber) {
                slot.SelectedForRecord = prepared;
                break;
              }
            }
          }
        }
        // The hint about this tick box, waiting or shown, says at once what the click made of it.
        if (HintId == kHintSensorUsed || HintId == kHintSensorUnused) {
          ShowSensorHint(prepared != 0 ? kHintSensorUsed : kHintSensorUnused, SensorTickRects[i]);
        }
        Mouse.PartialRect = SensorTickRects[i];
        Mouse.PartialPending = 1;
        StartScreenDirty = 1;
        InvalidateLocal(SensorTickRects[i]);
        UpdateMeasureButton();
        DeviceThreadState = 0;
        break;
      }
    }
    UpdateMeasureButton();
  }
  if (MouseParts.PanelPress) MouseParts.PanelPress({x, y}, recording);
}

void MainWindow::OnLButtonUp(unsigned flags, std::int32_t x, std::int32_t y) {
  if (Bytes.MeasureScreenActive.load() == 0 || !View || !SelectActiveView()) return;
  ReleaseButtonsExcept(0, true);
  if (View->Recording.load() != 0) return;
  if (View->RecordViewable != 0 && View->InGraphArea(x, y)) {
    View->OnLButtonUp(flags, x, y);
  } else {
    std::lock_guard lock(View->ViewLock);
    View->DataDragArmed = 0;
    View->MarkerDragActive = 0;
  }
}

void MainWindow::OnOtherButton(platform::MouseKind kind, unsigned flags, std::int32_t x, std::int32_t y) {
  if (Bytes.MeasureScreenActive.load() == 0 || !View || !SelectActiveView()) return;
  if (!View->InGraphArea(x, y)) {
    View->ClearMarkerFlags(flags, x, y);
    return;
  }
  switch (kind) {
    case platform::MouseKind::RightDown:
    case platform::MouseKind::RightDoubleClick: View->OnRButtonDown(flags, x, y); break;
    case platform::MouseKind::RightUp: View->OnRButtonUp(flags, x, y); break;
    case platform::MouseKind::MiddleDown:
    case platform::MouseKind::MiddleDoubleClick: View->OnMButtonDown(flags, x, y); break;
    case platform::MouseKind::MiddleUp: View->OnMButtonUp(flags, x, y); break;
    default: break;
  }
}

bool MainWindow::NearScaleSliders(std::int32_t x, std::int32_t y) {
  const platform::Control* a = FindControl(75001);
  const platform::Control* b = FindControl(75003);
  if (a == nullptr || b == nullptr) return false;
  const platform::WindowRect ra = a->Rect(), rb = b->Rect();
  const float mx = 40 * Metrics.ScaleX, my = 40 * Metrics.ScaleY;
  const auto fx = static_cast<float>(x), fy = static_cast<float>(y);
  return fx >= rb.left - mx && fx <= ra.right + mx && fy >= rb.top - my && fy <= ra.bottom + my &&
         (fx < rb.right + mx || fy > ra.top - my);
}

bool MainWindow::OnWebLink(std::int32_t x, std::int32_t y) const {
  return !Mouse.WebLinkRect.IsEmpty() && Holds(Mouse.WebLinkRect, x, y);
}

bool MainWindow::InSensorButtonColumn(std::int32_t x, std::int32_t y) const {
  const platform::Control* caption = FindControl(75171);
  const platform::Control* last = nullptr;
  for (const AImageButton* button : Controls.SensorButtons) {
    if (button != nullptr && button->IsVisible()) last = button;
  }
  if (caption == nullptr || last == nullptr) return false;
  const platform::WindowRect b = last->Rect();
  return x >= b.left && x <= b.right && y >= caption->Rect().top && y <= b.top;
}

std::uint8_t MainWindow::CountTickBoxes() {
  TickBoxCount = static_cast<std::uint8_t>(std::count_if(SensorChosen.begin(), SensorChosen.end(), [](std::uint8_t c) { return c != 0; }));
  return TickBoxCount;
}

void MainWindow::HideHint() {
  if (CurrentTimerId != kTimerHintDelay && CurrentTimerId != kTimerHintEnd) return;
  KillWindowTimer(CurrentTimerId);
  CurrentTimerId = 0;
  HintId = 0;
  HoveredControlId = 0;
  HintShown = 0;
  ShowControl(kHintWindowId, false);
}

void MainWindow::ReleaseMenuButtonsExcept(std::int32_t control_id) {
  for (std::int32_t id : kMenuChain) {
    if (id == control_id) continue;
    auto* button = dynamic_cast<AImageButton*>(FindControl(id));
    if (button == nullptr || button->State.load() != ControlFrame::kStateDown) continue;
    button->State = ControlFrame::kStateUp;
    button->ResetButtonState();
    // Help up means its panel down: never one without the other.
    if (id == 75186 && Help.Shown != 0) Help.Hide();
  }
}

void MainWindow::ReleaseMenuButtons() {
  if (const platform::Control* first = FindControl(75009); first != nullptr && first->IsVisible()) return;
  for (std::int32_t id : kMenuChain) {
    if (id == 75186 && Help.Shown != 0) continue;
    auto* button = dynamic_cast<AImageButton*>(FindControl(id));
    if (button == nullptr || button->State.load() != ControlFrame::kStateDown) continue;
    button->State = ControlFrame::kStateUp;
    button->ResetButtonState();
  }
  if (auto* second = dynamic_cast<MenuButtton*>(FindControl(50060)); second != nullptr && second->IsVisible()) second->HideAndClear();
}

bool MainWindow::CloseDropDowns() {
  bool closed = false;
  for (std::int32_t id : {75009, 50060}) {
    auto* menu = dynamic_cast<MenuButtton*>(FindControl(id));
    if (menu == nullptr || !menu->IsVisible()) continue;
    menu->HideAndClear();
    closed = true;
  }
  if (!closed) return false;
  for (std::int32_t id : kMenuChain) {
    if (id == 75186) continue;
    auto* button = dynamic_cast<AImageButton*>(FindControl(id));
    if (button == nullptr || button->State.load() != ControlFrame::kStateDown) continue;
    button->State = ControlFrame::kStateUp;
    button->ResetButtonState();
  }
  return true;
}

void MainWindow::OnMouseMove(unsigned flags, std::int32_t x, std::int32_t y) {
  if (Mouse.Last.x == x && Mouse.Last.y == y) return;
  Mouse.Last = {x, y};
  platform::HostWindow& window = Window();
  window.SetCursor(platform::CursorShape::Arrow);
  const bool recording = View && View->Recording.load() != 0;
  if (Bytes.MeasureScreenActive.load() != 0) {
    ReleaseButtonsExcept(0, true);
    ReleaseMenuButtons();
    if (CurrentTimerId == kTimerHintDelay || CurrentTimerId == kTimerHintEnd) {
      KillWindowTimer(CurrentTimerId);
      CurrentTimerId = 0;
    }
    if (const platform::Control* hint = FindControl(kHintWindowId); hint != nullptr && hint->IsVisible()) {
      ShowControl(kHintWindowId, false);
      HintShown = 0;
    }
    // The hand over what a click on the window acts on: the open panel's sensor zone and the help panel's page.
    if (PanelMode != 0 && Holds(Controls.SensorSettings.NextSensorZone, x, y)) window.SetCursor(platform::CursorShape::Hand);
    if (Help.Shown != 0 && !recording && Help.Rect.Contains({x, y})) window.SetCursor(platform::CursorShape::Hand);
    if (ButtonPressed(75052)) {
      const bool near = NearScaleSliders(x, y);
      for (std::int32_t id : {75001, 75003}) {
        if (auto* slider = dynamic_cast<StickButton*>(FindControl(id))) near ? slider->StartFadeIn() : slider->StartFadeOut();
      }
    }
    if (View) MoveOverHoverZones(*this, *View, x, y);
    if (View && !recording) View->OnMouseMove(flags, x, y);
    return;
  }
  if (Bytes.InfoScreenActive.load() == 0 || InfoPanelRevealed == 0 || StartScreenDirty != 0) return;
  ReleaseStartButtonsExcept(0);
  if (OnWebLink(x, y)) window.SetCursor(platform::CursorShape::Hand);
  if (InSensorButtonColumn(x, y)) return;
  if (MouseParts.PanelMove && MouseParts.PanelMove({x, y}, recording)) window.SetCursor(platform::CursorShape::Hand);
  // The title band.
  if (StartScreenTitle* title = MouseParts.Title ? MouseParts.Title() : nullptr) {
    if (Holds(title->TitleArea, x, y)) {
      if (CurrentTimerId == kTimerTitle) return;
      HideHint();
      const bool at_rest = (title->Receding == 1 && title->Frame == title->FrameLimit) ||
                           (title->Receding == 0 && title->Frame == 0);
      if (at_rest && MouseParts.StartTitleTimer) {
        MouseParts.StartTitleTimer(0);
        title->SlideArmed = 1;
      }
      return;
    }
    if (title->Receding == 0 && title->SlideArmed != 0 && MouseParts.StartTitleTimer) {
      if (CurrentTimerId != 0) KillWindowTimer(CurrentTimerId);
      title->SlideArmed = 0;
      MouseParts.StartTitleTimer(1);
    }
  }
  // The help zones of the tick boxes, only while nothing records: a preparation page measuring is
  // such a recording, and its tick boxes take no click meanwhile either.
  if (recording || (CurrentTimerId != 0 && CurrentTimerId != kTimerHintDelay && CurrentTimerId != kTimerHintEnd)) return;
  if (CountTickBoxes() == 0) return;
  const bool timer_runs = CurrentTimerId != 0;
  if (Holds(MainTickRect, x, y)) {
    if (HintId != kHintMainZone && !timer_runs) {
      ShowSensorHint(kHintMainZone, MainTickRect);
      SetWindowTimer(kTimerHintDelay, 1000);
      CurrentTimerId = kTimerHintDelay;
    }
    return;
  }
  for (std::size_t i = 0; i < 4; ++i) {
    if (SensorChosen[i] == 0 || !Holds(SensorTickRects[i], x, y)) continue;
    if (!(HintId == kHintSensorUsed && timer_runs)) {
      ShowSensorHint(Bytes.SensorPrepared[i].load() != 0 ? kHintSensorUsed : kHintSensorUnused, SensorTickRects[i]);
      SetWindowTimer(kTimerHintDelay, 1000);
      CurrentTimerId = kTimerHintDelay;
    }
    return;
  }
  HintId = 0;
  if (HintShown != 0) {
    ShowControl(kHintWindowId, false);
    HintShown = 0;
  }
  if (timer_runs) {
    KillWindowTimer(CurrentTimerId);
    CurrentTimerId = 0;
  }
}

void MainWindow::OnButtonHover(std::int32_t, std::int32_t, std::int32_t id) {
  const bool recording = View && View->Recording.load() != 0;
  if (Bytes.MeasureScreenActive.load() != 0) {
    const auto stop_hint = [this] {
      if (CurrentTimerId != 0) KillWindowTimer(CurrentTimerId);
      CurrentTimerId = 0;
      ShowControl(kHintWindowId, false);
      HintShown = 0;
    };
    bool hinted = Among(kHintedIds, id);
    if (const auto* at = std::find(std::begin(kMenuChain), std::end(kMenuChain), id); at != std::end(kMenuChain)) {
      for (const auto* p = at; p != std::end(kMenuChain); ++p) {
        if (!ButtonPressed(*p)) continue;
        ReleaseMenuButtonsExcept(*p == kMarkerButton ? id : *p);
        return;
      }
      if (ButtonPressed(75010) || ButtonPressed(75011) || ButtonPressed(75050) || ButtonPressed(75012) ||
          ButtonPressed(75049)) {
        return;
      }
      hinted = true;
    }
    if (!hinted) {
      stop_hint();
      return;
    }
    ReleaseButtonsExcept(static_cast<std::uint32_t>(id), true);
    stop_hint();
    if (!recording && (PanelMode == 0 || IsRecordButton(id))) {
      const platform::Control* control = FindControl(id);
      ShowSensorHint(id, control != nullptr ? control->Rect() : platform::WindowRect{});
      SetWindowTimer(kTimerHintDelay, 1000);
      CurrentTimerId = kTimerHintDelay;
    }
    return;
  }
  if (id >= 75163 && id <= 75166) {
    if (!recording && MouseParts.SensorButtonHover) MouseParts.SensorButtonHover(id - 75163);
    HideHint();
  } else if (id == 75171) {
    // The pointer may jump here straight from a sensor button, which then loses its hover look.
    ReleaseStartButtonsExcept(id);
    if (MouseParts.SensorButtonHover) MouseParts.SensorButtonHover(-1);
    HideHint();
  } else if (id == 75172) {
    HideHint();
  } else if (id == 75167 || id == 75168 || id == 75169) {
    const std::int32_t other = id == 75167 ? 75169 : 75167;
    if (auto* button = dynamic_cast<AImageButton*>(FindControl(other)); button != nullptr && ButtonPressed(other)) {
      button->State = ControlFrame::kStateUp;
      button->ResetButtonState();
    }
  }
}

void MainWindow::HideHintAndSlideLogo(std::int32_t) {
  if (Bytes.InfoScreenActive.load() == 0) {
    if (CurrentTimerId != 0) KillWindowTimer(CurrentTimerId);
    CurrentTimerId = 0;
    ShowControl(kHintWindowId, false);
    HintShown = 0;
    return;
  }
  if (CurrentTimerId == kTimerTitle) return;
  HideHint();
  StartScreenTitle* title = MouseParts.Title ? MouseParts.Title() : nullptr;
  if (title == nullptr || !MouseParts.StartTitleTimer) return;
  if (title->Frame == title->FrameLimit) {
    if (title->Receding == 1) return;
    title->SlideArmed = 0;
    MouseParts.StartTitleTimer(1);
    return;
  }
  if (title->Receding == 0 && title->SlideArmed != 0) {
    title->SlideArmed = 0;
    MouseParts.StartTitleTimer(1);
  }
}
