// The preparation pages and the start page's text hooked into the main window: steps, action button, page opening.
#include "app/preparation_steps.h"

#include <memory>
#include <mutex>
#include <tuple>

#include "acquisition/device_status.h"
#include "acquisition/worker_threads.h"
#include "app/adjust_state.h"
#include "app/main_window.h"
#include "app/start_screen_parts.h"
#include "controls/aimage_button.h"
#include "channels/vessamor_channel.h"
#include "info/info_panel.h"

namespace {

AImageButton* ActionButton(MainWindow& window) {
  for (platform::Control* control : window.Window().Controls()) {
    if (control->Id() == kActionButtonId) return dynamic_cast<AImageButton*>(control);
  }
  return nullptr;
}

// The calibration of the page's value boxes' channels cleared; the step state is the page's own.
// The units' decoders read the gains as they write codes.
void ClearBoxCalibration(InfoPanel& panel, GraphView& view) {
  CodeLayoutHold layout(view.Devices);
  PreparationSteps kept{};
  VessamorChannel* first = panel.Box1.Channel;
  VessamorChannel* second = panel.Box2.Channel != first ? panel.Box2.Channel : nullptr;
  ResetAdjustState(kept, true, panel.SensorCode, first, second);
}

}  // namespace

void OnAdjustButton(MainWindow& window, InfoPanel& panel) {
  if (!window.View) return;
  PreparationState& s = panel.Steps;
  const std::int64_t now = window.Window().GetClock().NowMs();
  // A reference being typed is taken as it stands: the press makes no step of its own.
  if (panel.FinishValueInputs()) {
    s.LastPreparationTick = now;
    return;
  }
  VessamorChannel* first = panel.Box1.Channel;
  const std::uint16_t code = panel.SensorCode;
  {
    std::lock_guard lock(window.View->ViewLock);
    const bool fresh = s.StepIndex == 0 && (code != 6 || (first != nullptr && first->Device != nullptr));
    if (fresh) ClearBoxCalibration(panel, *window.View);
    // The gas kinds measure the increment from here on, on their wider axis.
    if ((code == 26 || code == 27) && first != nullptr) first->AltConversion = 1;
  }
  PressActionButton(panel);
  s.LastPreparationTick = now;
}

std::int64_t WindowPreparationHost::NowMs() const { return window_.Window().GetClock().NowMs(); }

bool WindowPreparationHost::SendModeByte(const FTRecordDevice* unit, std::uint8_t mode) {
  if (unit == nullptr || !window_.Devices) return false;
  DeviceManager& devices = *window_.Devices;
  std::lock_guard lock(devices.TableLock);
  for (auto& entry : devices.DeviceTable) {
    if (entry.get() != unit) continue;
    entry->ModeCommand = mode;
    // A failed write has closed the unit; the step goes on only with a unit that took the byte.
    return entry->SendModeByte();
  }
  return false;
}

int WindowPreparationHost::FindUnitSlot(const std::string& serial, std::uint32_t location) {
  for (std::size_t k = 0; k < window_.DeviceSlots.size(); ++k) {
    const DeviceSlot& slot = window_.DeviceSlots[k];
    if (slot.InUse != 0 && slot.Device != nullptr && slot.Device->Serial == serial && slot.Device->LocationId == location) {
      return static_cast<int>(k);
    }
  }
  return -1;
}

std::uint8_t WindowPreparationHost::SlotSensorCode(int slot) {
  if (slot < 0 || slot >= 4) return 0;
  const DeviceSlot& s = window_.DeviceSlots[static_cast<std::size_t>(slot)];
  return s.InUse != 0 && s.Device != nullptr ? s.SensorCode : 0;
}

void WindowPreparationHost::MarkPrepared(int slot, std::uint8_t button) {
  if (slot < 0 || slot >= 4) return;
  DeviceSlot& s = window_.DeviceSlots[static_cast<std::size_t>(slot)];
  if (s.Device != nullptr && window_.SlotBinder) window_.SlotBinder->MarkSlotForDevice(*s.Device);
  s.Prepared = 1;
  // The sensor's button takes its ticked box at once: the search that would show it waits while
  // the page measures, and choosing another sensor keeps only a sensor whose box is shown.
  const std::size_t b = button < 4 ? button : static_cast<std::size_t>(slot);
  window_.Bytes.SensorPrepared[b] = 1;
  window_.SensorButtons[b].TickBox = 1;
  window_.StartButtonsDirty = 1;
}

void WindowPreparationHost::SetMeasureButtonReady() {
  // The step that prepared the sensor makes the button ready at once: the sensor's tick box comes
  // only with the next search, which waits while the page measures.
  window_.MeasureButtonReady = 1;
  if (window_.SetMeasureButtonReady()) return;
  if (AImageButton* button = FindImageButton(window_.Window(), 75172)) button->ResetButtonState();
}

bool WindowPreparationHost::ActionButtonVisible() {
  const AImageButton* button = ActionButton(window_);
  return button != nullptr && button->IsVisible();
}

void WindowPreparationHost::ResetActionButton() {
  if (AImageButton* button = ActionButton(window_)) button->ResetButtonState();
}

void WindowPreparationHost::RangeSwitched() {
  GraphView* view = window_.View.get();
  if (view != nullptr && parts_.SetupGraphHeader) parts_.SetupGraphHeader(*view);
}

void WindowPreparationHost::RedrawPanel() {
  // While no step changes the page only its value boxes are drawn again, unless something else
  // asked for the whole panel meanwhile.
  const InfoPanel* panel = parts_.Panel.get();
  // The page's small graph is set up by full paints first.
  const bool partial = panel != nullptr && panel->Steps.PartialPaint != 0 && panel->ScreenNumber() == InfoPanel::kPreparation &&
                       panel->ButtonSet != 0 && panel->PageSettled != 0;
  if (!partial || window_.StartScreenDirty != 0 || !window_.Panels[1]) {
    RedrawInfoPanel(window_);
    return;
  }
  window_.InfoPanelOnly = 1;
  window_.InvalidateLocal(window_.Panels[1]->Area);
}

void OpenPreparationPage(MainWindow& window, StartScreenParts& parts, std::uint8_t button, std::uint8_t slot) {
  if (!parts.Panel || slot >= window.DeviceSlots.size()) return;
  InfoPanel& panel = *parts.Panel;
  DeviceSlot& s = window.DeviceSlots[slot];
  panel.Slot = &s;
  panel.DeviceIndex = slot;
  panel.SensorButton = button;
  panel.SensorCode = s.SensorCode;
  panel.Wireless = s.DeviceTypeCode == 3 ? 1 : 0;
  panel.BindValueBoxes(s.Device, s.Channels[0], s.Channels[1]);
  if (window.View) {
    std::lock_guard lock(window.View->ViewLock);
    ClearBoxCalibration(panel, *window.View);
  }
  ResetPreparationPage(panel);
  panel.SetScreen(InfoPanel::kPreparation);
  panel.PcScreenState = 1;
  panel.FirstChannelSetPending = 1;
  RedrawInfoPanel(window);
}

bool ChooseStartPageAfterSearch(MainWindow& window, StartScreenParts& parts) {
  if (!window.ChooseSlotsAfterSearch()) return false;
  if (!parts.Panel || !window.Devices || window.Bytes.InfoScreenActive.load() == 0 ||
      window.Bytes.MeasureScreenActive.load() != 0) {
    return true;
  }
  InfoPanel& panel = *parts.Panel;
  // A search's answer may reach the window only once the next search has begun, which clears the
  // connected units until it finds them again: only a count read between two searches says that
  // nothing is connected.
  const std::uint64_t mark = window.Devices->SearchMark();
  const bool none = window.Devices->CountDevices() == 0;
  if (none && window.Devices->SettledSince(mark)) {
    // Nothing connected: back to the start page, which asks for a sensor.
    if (panel.ScreenNumber() != InfoPanel::kStartPage || panel.Steps.PreparedShown != 0) {
      panel.Steps.PreparedShown = 0;
      panel.SetScreen(InfoPanel::kStartPage);
      if (panel.Calls.HideActionButton) panel.Calls.HideActionButton();
    }
  }
  // The heading follows the units found at the next build of the start page; the detected sensors'
  // list, built from the units connected when it was drawn (none while a search ran), is drawn again.
  if (panel.ScreenNumber() == InfoPanel::kStartPage || panel.ScreenNumber() == InfoPanel::kDetectedSensors) {
    RedrawInfoPanel(window);
  }
  return true;
}

bool PreparationKey(MainWindow& window, StartScreenParts& parts, unsigned key) {
  if (!parts.Panel || parts.Panel->ScreenNumber() != InfoPanel::kPreparation || !parts.Panel->IsTemperatureSensor()) return false;
  InfoPanel& panel = *parts.Panel;
  if (key == platform::key::kEnter) {
    panel.InputKey(nullptr);
    return true;
  }
  const bool digit = key >= platform::key::kDigit0 && key <= platform::key::kDigit0 + 9;
  if (!digit && key != platform::key::kBackspace && key != platform::key::kDelete && key != platform::key::kMinus &&
      key != platform::key::kComma && key != platform::key::kPeriod) {
    return false;
  }
  panel.InputKey(&key);
  (void)window;
  return true;
}

bool PreparationMouseDown(MainWindow& window, StartScreenParts& parts, platform::WindowPoint point) {
  if (!parts.Panel || parts.Panel->ScreenNumber() != InfoPanel::kPreparation) return false;
  InfoPanel& panel = *parts.Panel;
  if (const std::uint8_t option = panel.OptionAt(point); option != 0 && panel.SensorCode == 40) {
    panel.BreathingMode = option;
    window.Bytes.BreathingDisplayMode = option;
    VessamorChannel* channel = panel.Slot != nullptr ? panel.Slot->Channels[0] : nullptr;
    if (channel != nullptr && window.View) {
      std::lock_guard lock(window.View->ViewLock);
      channel->SwitchSensorRange(40);
    }
    RedrawInfoPanel(window);
    return true;
  }
  return panel.IsTemperatureSensor() && panel.ClickValueBox(point);
}

void InstallPreparationSteps(MainWindow& window, const std::shared_ptr<StartScreenParts>& parts) {
  auto host = std::make_shared<WindowPreparationHost>(window, *parts);
  MainWindow::Parts& hooks = window.Hooks;
  hooks.PreparationStep = [parts, host](MainWindow& w) {
    if (parts->Panel && w.View) ApplyPreparationStep(*parts->Panel, *w.View, *host);
  };
  // A sensor just selected opens its preparation page on the slot its unit was bound to, which
  // need not be the button's number; the page sets up its small graph from that slot's channels.
  hooks.SetInfoScreen = [set = hooks.SetInfoScreen, parts](MainWindow& w, std::uint8_t screen, std::int32_t button,
                                                           FTRecordDevice* unit) {
    if (set) set(w, screen, button, unit);
    if (unit == nullptr || screen != InfoPanel::kPreparation || !w.SlotBinder) return;
    const std::uint8_t slot = w.SlotBinder->FindDeviceSlot(*unit, 0) & 3;
    OpenPreparationPage(w, *parts, static_cast<std::uint8_t>(button), slot);
  };
  hooks.AdjustButton = [parts](MainWindow& w) {
    if (parts->Panel) OnAdjustButton(w, *parts->Panel);
  };
  hooks.FinishValueInputs = [parts](MainWindow&) { return parts->Panel && parts->Panel->FinishValueInputs(); };
  hooks.ReconcileSlots = [parts](MainWindow& w) { return ChooseStartPageAfterSearch(w, *parts); };
  hooks.InfoPanelKey = [parts](MainWindow& w, unsigned key) { return PreparationKey(w, *parts, key); };
  hooks.InfoPanelMouse = [parts](MainWindow& w, const platform::MouseEvent& event) {
    return event.kind == platform::MouseKind::LeftDown && PreparationMouseDown(w, *parts, event.point);
  };
  PreparationCalls calls;
  calls.PlaceActionButton = [&window, single_align = std::make_shared<std::uint8_t>(0)](const platform::WindowRect& rect,
                                                                                        const std::string& caption) {
    AImageButton* button = ActionButton(window);
    if (button == nullptr) return;
    // A caption of two lines (split by a newline) is written smaller, in two left-aligned lines.
    const std::size_t split = caption.find('\n');
    const bool two = split != std::string::npos;
    if (two && button->LayoutStyle != 4) {
      *single_align = button->AlignMode;
      button->LayoutStyle = 4;
      std::tie(button->TextX, button->TextY, button->SecondLineY) = std::tuple(0.11f, 0.4f, 0.45f);
      button->AlignMode = 0;
      button->BaseTextScale *= 0.95 / 1.3;
    } else if (!two && button->LayoutStyle == 4) {
      button->LayoutStyle = 2;
      std::tie(button->TextX, button->TextY, button->SecondLineY) = std::tuple(0.0f, 0.0f, 0.5f);
      button->AlignMode = *single_align;
      button->BaseTextScale *= 1.3 / 0.95;
    }
    button->SecondLine = two ? caption.substr(split + 1) : std::string();
    button->SetStateAndCaption(button->State, two ? caption.substr(0, split) : caption, true);
    if (!button->IsVisible()) {
      button->Move(rect);
      button->Show();
    }
  };
  calls.HideActionButton = [&window] {
    if (AImageButton* button = ActionButton(window); button != nullptr && button->IsVisible()) button->Hide();
  };
  calls.Invalidate = [&window](const platform::WindowRect& rect) { window.InvalidateLocal(rect); };
  // The panel is made while the window is created; it gets the calls then.
  hooks.CreateInfoPanel = [create = hooks.CreateInfoPanel, parts, calls](MainWindow& w) {
    if (create) create(w);
    if (parts->Panel) parts->Panel->Calls = calls;
  };
}
