// Entering and leaving the measurement screen: the toolbar, the channel buttons and options panel,
// the sliders, the release rules, the panels and the keys.
#include <algorithm>
#include <cmath>

#include "acquisition/worker_threads.h"
#include "app/filter_panel_window.h"
#include "app/main_window.h"
#include "app/toolbar_rules.h"
#include "controls/menu_buttton.h"
#include "controls/stick_button.h"
#include "controls/stick_button_mod.h"
#include "layout/display_modes.h"
#include "layout/measure_layout.h"
#include "layout/start_screen_title.h"
#include "records/record_commands.h"
#include "resources/string_table.h"

namespace {

// The start screen's controls the measurement screen hides.
constexpr std::int32_t kStartControls[] = {75171, 75172, 75163, 75164, 75165, 75166, 75185, 75167, 75169, 75173, 75174};
constexpr std::int32_t kScaleSliders[] = {75001, 75003};
constexpr std::int32_t kChannelRecordButtons[] = {75017, 75022, 75027, 75032};
constexpr std::uint16_t kBloodPressureSensor = 39;
// A record of this many samples or fewer is not saved, so nothing of it is asked about.
constexpr std::uint32_t kShortestSavedRecord = 11;
constexpr char kUnsavedQuestionRu[] = "Запись не сохранена. Сохранить её?";
constexpr char kUnsavedQuestionEn[] = "The record has not been saved. Save it?";
// Every control the release rules look at.
constexpr std::int32_t kToolbarControls[] = {75010, 75011, 75012, 75049, 75050, 75051, 75186, 75016, 75014, 75053,
                                             75054, 75013, 75004, 75037, 74999, 75045, 75046, 75043, 75006, 75017,
                                             75022, 75027, 75032, 75052, 75001, 75003, 75008, 75038, 75039, 75040,
                                             75041, 75181, 75182, 75183, 75184, 75009, 50060};

std::uint32_t ToColourRef(const Rgba& c) {
  return static_cast<std::uint32_t>(c.R) | static_cast<std::uint32_t>(c.G) << 8 | static_cast<std::uint32_t>(c.B) << 16;
}

}  // namespace

void MainWindow::GotoGraphScreen() {
  GraphView* view = CurrentView;
  if (view == nullptr || view->Active == 0) return;
  if (Hooks.InfoScreen && Hooks.InfoScreen(*this) >= 0 && view->Recording.load() != 0) view->StopRecordingOnExit(false);
  WaitAcquisitionAck(false, *environment_.Clock);
  view->MarkDevicesInUse(true);
  if (CurrentTimerId != 0) {
    KillWindowTimer(CurrentTimerId);
    CurrentTimerId = 0;
  }
  SensorPageLeft = 0;
  {
    std::lock_guard lock(view->ViewLock);
    view->RecordViewable = 0;
    view->SampleCount = 0;
    view->FirstShownColumn = 1;
    view->LastShownColumn = 1;
    view->Painting.ClearRequest = 1;
  }
  view->Recording = 0;
  for (DeviceSlot& slot : DeviceSlots) slot.Attached = 0;
  StartupInProgress = 0;
  Bytes.MeasureScreenActive = 1;
  Bytes.InfoScreenActive = 0;
  // No sensor page is opening behind the graph, whose recordings take every sample.
  Bytes.SensorPageOpening = 0;
  view->Sweep.GraphScreen = 1;
  // The slots are reconciled with the device table and prepared for the graph; with no sensor the
  // view takes the default header.
  std::uint8_t found = 0;
  bool default_header = true;
  if (SlotBinder && Devices) {
    // A search the pause did not stop in time has the table half rebuilt: the slots keep their units.
    const std::uint64_t mark = Devices->SearchMark();
    UnitList table{};
    {
      std::lock_guard lock(Devices->TableLock);
      for (std::size_t i = 0; i < table.size(); ++i) table[i] = Devices->DeviceTable[i].get();
    }
    const std::uint32_t connected = Devices->CountDevices();
    const bool settled = Devices->SettledSince(mark);
    found = SlotBinder->ReconcileDeviceSlots(table, connected, false, settled);
    SlotBinder->PrepareSlotsForGraph(found, EnglishUi(), [&] {
      view->SetupGraphHeader(ExtendedMode != 0, nullptr, false);
      default_header = false;
    });
  }
  view->MarkDevicesInUse(false);
  if (found == 0 && default_header) {
    view->SensorCode = 0;
    view->SetupGraphHeader(ExtendedMode != 0, nullptr, false);
  }
  // The rate the sensors' set-up chose is one every unit in the measurement keeps, as the rate
  // slider keeps it: the wireless receiver, for one, sends 1000 samples a second whatever it is asked.
  if (!view->ClampRateToDevices()) {
    std::lock_guard lock(view->ViewLock);
    view->RecordRate = view->RateSetting;
  }
  view->Continuous = view->ContinuousKept;
  view->DisplayMode = 0;
  SetDisplayModeGraph(*this);
  LayoutControls(*this);
  view->PreviousSensorCode = 255;
  view->FindViewDevice();
  {
    // A channel is bound while its unit is attached; the channels of the slots ticked for the
    // record are the ones in use.
    std::lock_guard lock(view->ViewLock);
    std::uint8_t enabled = 0;
    for (auto& channel : view->Channels) {
      channel->Bound = channel->Device != nullptr ? 1 : 0;
      channel->HasData = channel->Bound;
      channel->Enabled = channel->Bound != 0 && channel->SavedShown != 0 ? 1 : 0;
      enabled = static_cast<std::uint8_t>(enabled + channel->Enabled);
    }
    // The record's code buffer is shared out among the channels in use; a channel left without
    // its slice would hold back every other one.
    // Shown are the channels in use (SetChannelFlags): one whose unit stays attached but was left
    // out of this measurement is shown no more than one without a unit, its button up and grey.
    view->SetChannelFlags(enabled, 0);
  }
  SetupSlider(view->Scale.ValueSpan, view->ValueResolution(true));
  {
    std::lock_guard lock(view->ViewLock);
    view->UpdateValueGrid(found != 0 || !default_header);
    view->UpdateTimeGrid();
  }
  CacheUpdateRequest = 2;
  MeasureBackgroundPending = 1;
  InvalidateLocal();
  ShowMeasureScreen();
  DeviceThreadState = 0;
  // The help has three pages; a blood pressure sensor on a live channel adds its own, shown first.
  bool pressure = false;
  {
    std::lock_guard lock(view->ViewLock);
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      pressure = pressure || (view->Channel(k).Device != nullptr && view->Channel(k).SensorCode == kBloodPressureSensor);
    }
  }
  Help.LastPage = pressure ? 3 : 2;
  Help.Page = Help.FirstPage();
}

void MainWindow::ShowMeasureScreen() {
  for (std::int32_t id : {75004, 74999, 75012, 75010, 75011, 75050, 75186}) ShowControl(id, true);
  ShowControl(75049, ExtendedMode != 0);
  if (AImageButton* back = FindImageButton(Window(), 75050)) back->State = 1;
  ShowControl(75051, false);
  for (std::int32_t id : kStartControls) ShowControl(id, false);
  ShowControl(kHintWindowId, false);
  SetHintStyleA();
  SetupChannelButtons(true);
  for (std::int32_t id : {75016, 75045, 75046, 75037, 75013, 75014, 75053, 75052, 75054}) ShowControl(id, true);
  // The options panel paints once hidden from view, so its first opening is ready; timer 7 hides it.
  if (auto* panel = dynamic_cast<StickButtonMod*>(FindControl(kSettingsPanelId))) {
    const auto height = static_cast<std::int32_t>(Metrics.UiScale * 350.0f);
    panel->Move(platform::WindowRect::FromSize(0, 0, ChannelOptionsWidth(Metrics.ScaleX, Metrics.AspectRatio), height));
    panel->Show();
    CurrentTimerId = kTimerSettingsPanel;
    SettingsPanelTicks = 0;
    SetWindowTimer(kTimerSettingsPanel, kAnimationPeriodMs);
  }
  if (View) SetupSlider(View->Scale.ValueSpan, View->ValueResolution(true));
  if (auto* time = dynamic_cast<StickButton*>(FindControl(75001))) {
    time->Layout(StickButton::kHorizontal, 75001, 10, 9, TimeScaleBreakpoints(), TimeScaleSteps(), 0, 200);
    time->SetRange(0, 50);
  }
  if (auto* rate = dynamic_cast<StickButton*>(FindControl(75008))) {
    rate->Layout(StickButton::kHorizontal, 75008, 6, 5, RateBreakpoints(), RateSteps(), 0, 200);
    rate->SetUnitSuffix(true);
  }
  for (std::int32_t id : {75003, 75001, 75008}) ShowControl(id, false);
  ReleaseButtonsExcept(0, false);
}

void MainWindow::SetupSlider(float maximum, float minimum) {
  auto* slider = dynamic_cast<StickButton*>(FindControl(75003));
  if (slider == nullptr) return;
  const ValueSliderLayout layout = ChooseValueSlider(maximum, minimum);
  slider->Layout(StickButton::kVertical, 75003, layout.Last + 1, layout.Last, layout.Breakpoints, layout.Steps,
                 static_cast<std::int32_t>(minimum), static_cast<std::int32_t>(maximum));
  slider->SetRange(static_cast<std::int32_t>(minimum), static_cast<std::int32_t>(maximum));
}

void MainWindow::SetupChannelButtons(bool show) {
  if (!View) return;
  for (std::size_t k = 0; k < 4; ++k) {
    const VessamorChannel& channel = *View->Channels[k];
    AImageButton* button = Controls.ChannelButtons[k];
    if (button == nullptr) continue;
    button->SetBaseColour(ToColourRef(channel.Colour));
    button->ShadeByState = 2;
    button->SetStateAndCaption(static_cast<std::uint8_t>(channel.Shown + 1), std::to_string(k + 1), false);
    // The last measurement's colour goes with its channel.
    if (channel.Shown != 0) {
      button->SelectShadedColours();
    } else {
      button->SelectNormalColours();
    }
    AImageButton* slot = Controls.ChannelOptionButtons[k];
    if (show) {
      button->Show();
      if (slot != nullptr) slot->Show();
    }
    button->Interactive = channel.Bound;
    if (slot != nullptr) slot->Interactive = channel.Bound;
  }
}

void MainWindow::RefreshToolbar() {
  if (Bytes.MeasureScreenActive.load() == 0 || !SelectActiveView()) return;
  GraphView& view = *CurrentView;
  const bool recording = view.Recording.load() != 0;
  if (AImageButton* start = FindImageButton(Window(), 75004)) {
    start->SetStateAndCaption(recording ? 2 : 1, std::string(LoadString(recording ? 133 : 132, UiLanguage)), true);
  }
  const std::pair<std::int32_t, const char*> symbols[] = {{75045, "<<"}, {75046, ">>"}, {75014, "s"}, {75016, "r"}};
  for (const auto& [id, caption] : symbols) {
    if (AImageButton* button = FindImageButton(Window(), id)) button->SetStateAndCaption(1, caption, false);
  }
  if (!recording && view.DisplayHold != 0) {
    if (AImageButton* pause = FindImageButton(Window(), 74999)) {
      pause->State = 1;
      pause->ResetButtonState();
    }
    view.DisplayHold = 0;
  }
  for (std::int32_t id : {75009, 50060}) {
    if (auto* menu = dynamic_cast<MenuButtton*>(FindControl(id)); menu != nullptr && menu->IsVisible()) menu->HideAndClear();
  }
  for (std::size_t k = 0; k < 4; ++k) {
    AImageButton* button = Controls.ChannelButtons[k];
    if (button == nullptr) continue;
    const auto state = static_cast<std::uint8_t>(view.Channels[k]->Shown + 1);
    button->SetStateAndCaption(state, std::to_string(k + 1), button->State.load() != state);
  }
  if (recording) {
    for (std::int32_t id : kScaleSliders) ShowControl(id, false);
    for (std::int32_t id : {75052, 75013}) {
      if (AImageButton* button = FindImageButton(Window(), id); button != nullptr && button->State.load() != 1) {
        button->State = 1;
        button->ResetButtonState();
      }
    }
    if (PanelMode != 0) ClosePanel();
  }
}

void MainWindow::ToggleChannelOptions(std::int32_t n) {
  auto* panel = dynamic_cast<StickButtonMod*>(FindControl(kSettingsPanelId));
  AImageButton* button = Controls.ChannelOptionButtons[static_cast<std::size_t>(n)];
  if (panel == nullptr || button == nullptr || !View) return;
  const auto close = [&] {
    if (!panel->IsVisible()) return;
    const platform::WindowRect was = panel->Rect();
    panel->Hide();
    std::lock_guard lock(View->ViewLock);
    View->FullRedraw = 1;
    InvalidateLocal(was);
  };
  close();
  if (button->State.load() != ControlFrame::kStateDown) return;
  for (std::size_t k = 0; k < 4; ++k) {
    AImageButton* other = Controls.ChannelOptionButtons[k];
    if (other == nullptr || other == button) continue;
    other->State = 1;
    other->ResetButtonState();
  }
  const std::int32_t width = ChannelOptionsWidth(Metrics.ScaleX, Metrics.AspectRatio);
  const std::int32_t x = ChannelOptionsLeft(button->Rect().left, width, ClientArea.Width() > 0 ? ClientArea.Width() : Metrics.ScreenWidth);
  const VessamorChannel& channel = *View->Channels[static_cast<std::size_t>(n)];
  panel->Colours = {ToColourRef(channel.Colour), ToColourRef(channel.Colour)};
  panel->SetMode(0);
  const float rows = channel.SensorCode == 49 ? 420.0f : 340.0f;
  const auto height = static_cast<std::int32_t>(Metrics.UiScale * rows);
  LoadChannelOptions(*panel, channel, static_cast<std::uint8_t>(n), View->CentredSmoothingSwitch != 0);
  panel->Move(platform::WindowRect::FromSize(x, View->ViewRect.Bottom - height, width, height));
  panel->Show();
  InvalidateLocal(panel->Rect());
}

void MainWindow::ApplyToolbarSnapshot(ToolbarSnapshot& toolbar) {
  for (auto& [id, entry] : toolbar.Controls) {
    auto* control = dynamic_cast<ControlFrame*>(FindControl(id));
    if (control == nullptr) continue;
    if (!entry.Visible && control->IsVisible()) {
      if (auto* menu = dynamic_cast<MenuButtton*>(control)) {
        menu->HideAndClear();
      } else {
        control->Hide();
      }
    }
    auto* button = dynamic_cast<AImageButton*>(control);
    if (button == nullptr) {
      control->State = entry.State;
      continue;
    }
    if (entry.Done == ToolbarControl::kRelease && button->State.load() == ControlFrame::kStateDown) {
      button->Release();
    } else {
      button->State = entry.State;
      if (entry.Done != ToolbarControl::kNone) button->ResetButtonState();
    }
  }
}

void MainWindow::ReleaseButtonsExcept(std::uint32_t control_id, bool keep_help) {
  ToolbarSnapshot toolbar;
  for (std::int32_t id : kToolbarControls) {
    const auto* control = dynamic_cast<const ControlFrame*>(FindControl(id));
    if (control == nullptr) continue;
    toolbar.Controls[id] = {control->State.load(), control->IsVisible(), dynamic_cast<const AImageButton*>(control) != nullptr};
  }
  toolbar.ViewExists = View != nullptr;
  toolbar.Recording = View && View->Recording.load() != 0;
  toolbar.PanelMode = PanelMode;
  toolbar.DisplayHold = View ? View->DisplayHold.load() : 0;
  toolbar.HelpShown = Help.Shown != 0;
  const std::uint8_t panel_before = PanelMode;
  ApplyReleaseRules(toolbar, static_cast<std::int32_t>(control_id), keep_help);
  ApplyToolbarSnapshot(toolbar);
  if (const AImageButton* scale = FindImageButton(Window(), 75052)) {
    ScalePanelPressed = scale->State.load() == ControlFrame::kStateDown ? 1 : 0;
  }
  // Help went up with the button in use: its panel goes with it.
  if (Help.Shown != 0 && !toolbar.HelpShown) Help.Hide();
  if (View) View->DisplayHold = toolbar.DisplayHold;
  if (toolbar.SyncScaleSliders && View) {
    const std::pair<std::int32_t, double> scales[] = {{75001, View->Scale.SecondsPerDivision}, {75003, View->Scale.ValuePerDivision}};
    for (const auto& [id, value] : scales) {
      auto* slider = dynamic_cast<StickButton*>(FindControl(id));
      if (slider != nullptr && static_cast<std::uint32_t>(id) != control_id && slider->GetValue() != static_cast<float>(value)) {
        slider->SetValue(static_cast<float>(value));
      }
    }
  }
  if (panel_before != 0 && toolbar.PanelMode == 0) {
    PanelMode = panel_before;
    ClosePanel();
  }
}

void MainWindow::ClosePanel() {
  if (AImageButton* opener = FindImageButton(Window(), 75037)) {
    opener->State = 1;
    opener->ResetButtonState();
  }
  if (PanelMode == 1) {
    for (std::int32_t id : kChannelRecordButtons) ShowControl(id, false);
    for (std::int32_t id : {75006, 75043, 75008}) ShowControl(id, false);
  }
  PanelMode = 0;
}

void MainWindow::ClosePopups() {
  if (auto* panel = dynamic_cast<StickButtonMod*>(FindControl(kSettingsPanelId)); panel != nullptr && panel->IsVisible()) {
    panel->Hide();
    for (AImageButton* slot : Controls.ChannelOptionButtons) {
      if (slot != nullptr && slot->State.load() == ControlFrame::kStateDown) slot->Release();
    }
  }
  if (auto* menu = dynamic_cast<MenuButtton*>(FindControl(75009)); menu != nullptr && menu->IsVisible()) {
    menu->HideAndClear();
    for (std::int32_t id : {75050, 75010, 75011, 75012}) {
      if (AImageButton* b = FindImageButton(Window(), id); b != nullptr && b->State.load() == ControlFrame::kStateDown) b->Release();
    }
  }
  if (PanelMode != 0) ClosePanel();
}

bool MainWindow::SettleUnsavedRecord() {
  GraphView* view = View.get();
  if (view == nullptr || UnsavedRecord == 0) return true;
  // A recording ends where the user asked to drop it, as the Start/Stop button's stop ends it: the
  // question, and a save it leads to, are about the record as it stood then.
  if (view->Recording.load() != 0) {
    view->StopRecordKeepData();
    RefreshToolbar();
  }
  // A record too short for a file has nothing to keep.
  {
    // Read under the view lock: a recording's worker moves the count meanwhile.
    std::lock_guard lock(view->ViewLock);
    const bool recording = view->Recording.load() != 0;
    const std::uint32_t samples =
        recording ? view->SampleCount : (view->RecordViewable != 0 ? view->LastSampleIndex + 1 : 0);
    if (samples <= kShortestSavedRecord) return true;
  }
  const bool english = EnglishUi();
  const platform::SaveQuestion question{english ? kUnsavedQuestionEn : kUnsavedQuestionRu,
                                        std::string(LoadString(kStringTitle, UiLanguage)),
                                        english ? "Save" : "Сохранить", english ? "Don't save" : "Не сохранять",
                                        english ? "Cancel" : "Отмена"};
  const platform::SaveChoice choice = host_.AskToSave(question);
  if (choice != platform::SaveChoice::Save) return choice == platform::SaveChoice::DontSave;
  view->SaveSelection = 0;
  records::SaveRange range;
  std::string title;
  records::RecordCommandContext context{*view, host_, range, title, english, environment_.RecordFormats, {}};
  if (!records::SaveRecord(context)) return false;
  UnsavedRecord = 0;
  return true;
}

void MainWindow::LeaveMeasureScreen() {
  GraphView* view = View.get();
  if (view == nullptr) return;
  if (view->Recording.load() != 0) view->StopRecordKeepData();
  WaitAcquisitionAck(false, *environment_.Clock);
  if (view->LiveSetupKept != 0) {
    view->RestoreSetupFromReference();
    view->RestoreCaption();
    // The channels hold the live set-up again: the sensor pages bind their units into them from
    // here on, and a later start must not put the set-up kept at the load back over those bindings.
    view->LiveSetupKept = 0;
  }
  ReturnToStart = 1;
  if (PanelMode != 0) ClosePanel();
  HideAllImageButtons(*this);
  for (std::int32_t id : {74998, 75001, 75003, 75008}) ShowControl(id, false);
  for (std::int32_t id : {75009, 50060}) {
    if (auto* menu = dynamic_cast<MenuButtton*>(FindControl(id))) menu->HideAndClear();
  }
  for (AImageButton* sensor : Controls.SensorButtons) {
    if (sensor == nullptr) continue;
    sensor->State = 1;
    sensor->ResetButtonState();
    // Hidden while the measurement screen shows, a button keeps the look it was hidden in (the chosen
    // sensor's pressed one): the start page shows them up from its first frame.
    sensor->SettleNormalLook();
  }
  if (CurrentTimerId != 0) {
    KillWindowTimer(CurrentTimerId);
    CurrentTimerId = 0;
  }
  {
    std::lock_guard lock(view->ViewLock);
    view->FirstShownColumn = 1;
    view->LastShownColumn = 1;
    view->Sweep.LastDrawnColumn = 1;
    view->Sweep.FirstRedrawColumn = 1;
    view->RecordViewable = 0;
    view->ContinuousKept = view->Continuous;
    // The gas-law pair's one-row-a-second files belong to the record it was measured in: a later
    // record, of whatever sensors, is written sample by sample unless its own preparation asks again.
    view->TwoChannelText = 0;
    // The start page's pictured computer shows no live graph until a sensor page measures again.
    view->MiniGraph.SmallGraph = 0;
  }
  HintId = 0;
  ShowControl(kHintWindowId, false);
  if (AImageButton* open = FindImageButton(Window(), 75185)) open->State = 1;
  StartupInProgress = 0;
  Bytes.MeasureScreenActive = 0;
  // The tick serves the sensor pages again: their preparation step and small graph, not the plot.
  view->Sweep.GraphScreen = 0;
  Bytes.InfoScreenActive = 1;
  if (Hooks.ShowInfoStartPage) Hooks.ShowInfoStartPage(*this);
  // The title band starts afresh: at rest, its panel to be drawn again.
  if (StartScreenTitle* title = MouseParts.Title ? MouseParts.Title() : nullptr) {
    title->Receding = 0;
    title->PanelPending = 1;
    title->Frame = 0;
    title->SlideArmed = 0;
  }
  StartScreenDirty = 1;
  // The start background composed before comes back as it was; only without it is it composed (and revealed) again.
  if (StartBackgroundSaved != 0 && BackBuffersReady != 0 && StartBackgroundKept.Width() == buffers_[1].Width() &&
      StartBackgroundKept.Height() == buffers_[1].Height()) {
    Copy(buffers_[1], StartBackgroundKept, {0, 0, buffers_[1].Width(), buffers_[1].Height()});
  } else if (MeasureBackgroundPending == 0) {
    StartBackgroundComposed = 0;
  }
  StartBackgroundSaved = 0;
  FullRepaint = 1;
  MainButtonsShow();
  RefreshDevices(1);
  UpdateMeasureButton();
  InvalidateLocal();
  DeviceThreadState = 0;
}
