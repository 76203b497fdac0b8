// The start screen's sensor buttons: slots reconciled after each search, tick boxes, and the readiness of "Measurements".
#include <algorithm>
#include <mutex>
#include <tuple>

#include "acquisition/worker_threads.h"
#include "app/main_window.h"
#include "controls/aimage_button.h"
#include "resources/string_table.h"

namespace {

constexpr std::int32_t kFirstSensorButton = 75163;
constexpr std::int32_t kSensorListCaption = 75171;
constexpr std::int32_t kMeasurementsButton = 75172;
constexpr std::int32_t kOpenFileButton = 75185;
constexpr std::int32_t kSensorMenu = 75011;
constexpr std::int32_t kStartButtons[] = {75172, 75171, 75163, 75164, 75165, 75166, 75173, 75174, 75167, 75169, 75185};

using ColourSet = std::array<rgba8, 6>;
const ColourSet kReadyColours = {rgba8(142, 160, 232, 255), rgba8(101, 125, 221, 255), rgba8(122, 140, 232, 255),
                                 rgba8(31, 55, 255, 255),   rgba8(112, 130, 212, 255), rgba8(71, 95, 255, 255)};
const ColourSet kNotReadyColours = {rgba8(209, 128, 140, 255), rgba8(154, 70, 83, 255), rgba8(159, 86, 89, 255),
                                    rgba8(217, 99, 46, 255),   rgba8(158, 90, 79, 255), rgba8(171, 99, 59, 255)};

bool SameRgb(const rgba8& a, const rgba8& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

rgba8 FromWord(std::uint32_t argb) {
  return rgba8(static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8), static_cast<std::uint8_t>(argb),
               static_cast<std::uint8_t>(argb >> 24));
}

// Arrow pointing left at the "Measurements" button, and the tick, as fractions of their box.
constexpr double kArrow[] = {0.2, 0.5, 0.4, 0.2, 0.4, 0.4, 0.8, 0.4, 0.8, 0.6, 0.4, 0.6, 0.4, 0.8};
constexpr double kTick[] = {0.15, 0.5, 0.5, 0.72, 0.75, 0.2, 0.9, 0.2, 0.5, 0.9};

// The caption above the sensor buttons says whether any unit is connected, in red when none is.
void ShowSensorListCaption(MainWindow& w, bool units) {
  AImageButton* caption = FindImageButton(w.Window(), kSensorListCaption);
  if (caption == nullptr) return;
  const std::string text(LoadString(units ? kStringSensorsConnected : kStringNoSensors, w.UiLanguage));
  if (caption->Caption() == text) return;
  AggStyle& style = caption->Renderer().style;
  style.gradient1 = units ? rgba8(159, 138, 194, 255) : rgba8(203, 72, 78, 255);
  style.gradient2 = units ? rgba8(198, 201, 244, 255) : rgba8(183, 67, 78, 255);
  caption->SetStateAndCaption(caption->State, text, true);
}

// The measurement screen's sensor menu says so, smaller, when no unit is connected.
void ShowSensorMenuCaption(MainWindow& w, bool units) {
  AImageButton* menu = FindImageButton(w.Window(), kSensorMenu);
  if (menu == nullptr) return;
  const std::string text(LoadString(units ? kStringSensors : kStringNoSensorsShort, w.UiLanguage));
  if (menu->Caption() == text) return;
  menu->BaseTextScale = (units ? 1.1 : 0.85) * w.Metrics.ScaleY;
  menu->AlignMode = units ? 1 : 2;
  menu->SetStateAndCaption(menu->State, text, true);
}

}  // namespace

// --- Slots after a search ---

bool MainWindow::ChooseSlotsAfterSearch() {
  if (!View || !SlotBinder || !Devices) return true;
  const std::uint8_t state = DeviceThreadState.load();
  if (state == kDevicePauseRequest || state == kDevicePaused) return false;
  // A request that waited past the next search's start would find the table and the connected
  // units half rebuilt (none connected at all): the worker asks again once the search is done.
  // The request may also reach the window so late that the worker has stopped waiting for its
  // answer and begun the next search: the table is read between two looks that no search ran.
  const std::uint64_t mark = Devices->SearchMark();
  if (mark == 0) return false;
  if (Bytes.MeasureScreenActive.load() != 0) {
    const UnitList listed = ListedUnits();
    const std::uint32_t connected = Devices->CountDevices();
    if (!Devices->SettledSince(mark)) return false;
    for (std::int32_t k = 0; k < 4; ++k) ShowControl(kFirstSensorButton + k, false);
    for (SensorButtonState& button : SensorButtons) button.Unit = nullptr;
    // The answer lets the device layer delete the units it dropped: no slot may keep one.
    if (connected == 0) SlotBinder->ResetAll();
    else SlotBinder->RebindSlotDevices(listed, 0);
    ShowSensorMenuCaption(*this, connected != 0);
    return true;
  }
  // Before the information panel stands the sensor buttons have no place yet.
  if (StartupInProgress != 0 || Bytes.InfoScreenActive.load() == 0 || Panels[1]->ContentShown == 0) return false;
  // A search's request that reaches the window after a sensor was chosen finds its page measuring:
  // reconciling then would unbind the unit just bound, before its page could prepare it.
  if (View->Recording.load() != 0) return false;
  const std::uint8_t flags = RefreshDevices(1);
  ShowSensorListCaption(*this, Devices->CountDevices() != 0);
  if ((flags & 1) != 0) StartScreenDirty = 1;
  if ((flags & 4) != 0) FullPaintPending = 1;
  UpdateMeasureButton();
  StartButtonsDirty = 1;
  InvalidateLocal(ClientArea.IsEmpty() ? Window().ClientRect() : ClientArea);
  return true;
}

bool MainWindow::AttachDeviceToSlot(FTRecordDevice& unit) {
  if (!SlotBinder || !Devices) return false;
  return SlotBinder->AttachDeviceToSlot(unit, Devices->CountDevices());
}

UnitList MainWindow::ListedUnits() const {
  // Copied under the table's lock; a unit leaves the table before the window has reconciled, but is
  // deleted only after that.
  UnitList table{};
  std::lock_guard lock(Devices->TableLock);
  for (std::size_t i = 0; i < table.size(); ++i) table[i] = Devices->DeviceTable[i].get();
  return table;
}

std::uint8_t MainWindow::RefreshDevices(std::uint8_t mode) {
  if (!SlotBinder || !Devices) return 0;
  // A search closes every unit and lists them again; its table, read meanwhile, is no reason to
  // forget the sensors the user has chosen and prepared.
  const std::uint64_t mark = Devices->SearchMark();
  const UnitList table = ListedUnits();
  const std::uint32_t connected = Devices->CountDevices();
  const bool settled = Devices->SettledSince(mark);
  std::size_t units = 0;
  while (units < table.size() && table[units] != nullptr) ++units;

  // 1. Geometry under the sensor-list caption, down to "Open file".
  std::uint8_t result = 0;
  const platform::Control* caption = FindControl(kSensorListCaption);
  const platform::Control* first = FindControl(kFirstSensorButton);
  const platform::Control* open = FindControl(kOpenFileButton);
  std::int32_t left = 0, top = 0, width = 0, h = 1;
  float font_first = 0.4f, font_second = 0.5f;
  if (caption != nullptr && first != nullptr && open != nullptr) {
    const std::int32_t gap = static_cast<std::int32_t>(10.0f * Metrics.ScaleY);
    top = caption->Rect().bottom + gap;
    width = first->Rect().Width();
    h = std::max(1, first->Rect().Height());
    left = caption->Rect().right - width;
    const std::int32_t room = open->Rect().top - (top + gap);
    const std::int32_t n = static_cast<std::int32_t>(units);
    const std::int32_t designed = SensorButtonHeight;
    if (n > 0 && n * h <= room) {
      if (designed > 0 && designed != h && (designed + 2) * n <= room) {
        h = designed;
        LayoutResized = 1;
      }
    } else if (n > 0) {
      h = std::max(1, room / n - 1);
      const float ratio = static_cast<float>(h) / static_cast<float>(designed > 0 ? designed : h);
      font_first = ratio * 0.4f;
      font_second = 1.05f * ratio * 0.5f;
      LayoutResized = 1;
    }
  }
  const bool resized = LayoutResized != 0;

  // 2.
  const bool unlink = Bytes.InfoScreenActive.load() != 0 ||
                      (Bytes.MeasureScreenActive.load() != 0 && View && View->RecordViewable == 0);
  SlotBinder->ReconcileDeviceSlots(table, connected, unlink, settled);

  // 3. One button per listed unit.
  for (std::size_t i = 0; i < units; ++i) {
    FTRecordDevice& unit = *table[i];
    SensorButtonState& state = SensorButtons[i];
    const std::uint8_t status = SlotBinder->FindDeviceSlot(unit, 4);
    if ((status & 28) != 28) {
      state.TickBox = 0;
      if (SensorChosen[i] != 0 || Bytes.SensorPrepared[i].load() != 0) result |= 1;
      SensorChosen[i] = 0;
      Bytes.SensorPrepared[i] = 0;
    } else {
      result |= 2;
      Bytes.SensorPrepared[i] = (status & 32) != 0 ? 1 : 0;
      SensorChosen[i] = 1;
      state.TickBox = 1;
    }
    if (state.TickChangePending != 0) {
      state.TickChangePending = 0;
      result |= 1;
    }
    platform::Control* control = FindControl(kFirstSensorButton + static_cast<std::int32_t>(i));
    auto* button = dynamic_cast<AImageButton*>(control);
    const std::string& description = unit.NameLine1;
    const std::string second = unit.TwoLines != 0 ? unit.NameLine2 : std::string();
    state.Unit = &unit;
    state.SensorCode = unit.SensorCode;
    if (button != nullptr && button->IsVisible() && button->Caption() == description &&
        (button->LayoutStyle != 4 || button->SecondLine == second) && button->Rect().Height() == h) {
      continue;
    }
    state.Style = unit.TwoLines != 0 ? 4 : 6;
    if (button != nullptr) {
      button->SetStateAndCaption(button->State, description, true);
      button->LayoutStyle = state.Style;
      button->SecondLine = second;
    }
    if (mode != 1 || control == nullptr) continue;
    control->Move(platform::WindowRect::FromSize(left, top + (h + 2) * static_cast<std::int32_t>(i), width, h));
    if (resized) {
      const bool low_two_line = state.Style == 4 && h < SensorButtonHeight;
      state.FontFactor = font_first - (low_two_line ? 0.05f : 0.0f);
      if (low_two_line) state.SecondLineFactor = font_second;
    }
    // The two factors place the caption's lines in the button's height (the caption's at 0.4 of it
    // and the second line's at half at the designed height), so they stay centred as it shrinks.
    if (button != nullptr) std::tie(button->TextY, button->SecondLineY) = std::tuple(state.FontFactor, state.SecondLineFactor);
    if (control->IsVisible()) control->Invalidate();
    else if (button != nullptr) button->Show();
    else control->Show();
  }
  // 4. Every button past the last unit.
  for (std::size_t i = units; i < SensorButtons.size(); ++i) {
    SensorButtons[i].TickBox = 0;
    SensorButtons[i].Unit = nullptr;
    if (mode == 1) ShowControl(kFirstSensorButton + static_cast<std::int32_t>(i), false);
    if (SensorChosen[i] != 0 || Bytes.SensorPrepared[i].load() != 0) {
      SensorChosen[i] = 0;
      result |= 1;
    }
  }
  // 5.
  if (resized) result |= 4;
  LayoutResized = 0;
  return result;
}

// --- "Measurements" ---

void MainWindow::UpdateMeasureButton() {
  bool ready = false;
  for (std::size_t i = 0; i < SensorChosen.size(); ++i) {
    ready = ready || (SensorChosen[i] != 0 && Bytes.SensorPrepared[i].load() != 0);
  }
  MeasureButtonReady = ready ? 1 : 0;
  const bool changed = ready ? SetMeasureButtonReady() : SetMeasureButtonNotReady();
  if (changed) return;
  // A press under way stays: the search's reconciling comes every second or so, and would
  // otherwise swallow a click whose release comes after it.
  auto* button = dynamic_cast<AImageButton*>(FindControl(kMeasurementsButton));
  if (button != nullptr && !button->PressUnderWay()) button->ResetButtonState();
}

namespace {

bool ApplyMeasureColours(std::array<rgba8, 6>& held, const ColourSet& set, AImageButton* button, std::uint8_t target) {
  if (SameRgb(held[0], set[0])) return false;
  held = set;
  if (button != nullptr) {
    // The six colours are the button's normal, alternative and shaded pairs; the animation shows them.
    button->NormalColours.rest[0] = button->ShadedColours.rest[0] = set[0];
    button->NormalColours.rest[1] = button->ShadedColours.rest[1] = set[1];
    button->NormalColours.active[0] = button->ShadedColours.active[0] = set[2];
    button->NormalColours.active[1] = button->ShadedColours.active[1] = set[3];
    button->ShadedColours.rest[0] = set[4];
    button->ShadedColours.rest[1] = set[5];
    button->SelectNormalColours();
    button->Invalidate();  // the animation below does not run when the button already shows that look
    button->SetAnimation(target);
  }
  return true;
}

}  // namespace

bool MainWindow::SetMeasureButtonReady() {
  return ApplyMeasureColours(MeasureColours, kReadyColours, dynamic_cast<AImageButton*>(FindControl(kMeasurementsButton)), 1);
}

bool MainWindow::SetMeasureButtonNotReady() {
  return ApplyMeasureColours(MeasureColours, kNotReadyColours, dynamic_cast<AImageButton*>(FindControl(kMeasurementsButton)), 0);
}

void MainWindow::ReleaseStartButtonsExcept(std::int32_t control_id) {
  for (std::int32_t id : kStartButtons) {
    if (id == control_id) continue;
    auto* button = dynamic_cast<AImageButton*>(FindControl(id));
    if (button == nullptr) continue;
    const bool always = id == kMeasurementsButton || id == kSensorListCaption || id == kOpenFileButton;
    if (always || button->IsVisible()) button->ResetButtonState();
  }
}

// --- Tick boxes ---

void MainWindow::PaintTickBoxes() {
  const bool prepared = std::any_of(DeviceSlots.begin(), DeviceSlots.end(), [](const DeviceSlot& s) { return s.Prepared != 0; });
  const platform::Control* measure = FindControl(kMeasurementsButton);
  StartScreenDirty = 0;
  if (!prepared || !Panels[1] || measure == nullptr) {
    SensorChosen = {};
    TickBoxCount = 0;
    return;
  }
  agg_ren& r = renderer0_;
  const float ui = Metrics.UiScale;
  const std::int32_t side = static_cast<std::int32_t>(35.0f * ui);
  auto box = [&](const platform::WindowRect& rect, const double* shape, std::size_t count) {
    r.style.corner_radius = 10.0 * ui;
    for (int pass = 0; pass < 2; ++pass) {
      const double shift = pass == 0 ? 1.0 : 0.0;
      PanelRect panel{rect.left + shift, static_cast<double>(rect.Width()), rect.top + shift, static_cast<double>(rect.Height())};
      r.DrawRoundedPanel(panel, PanelStyle{0, 0, 0, 1, 100}, 1.0f, 1.2f * ui, FromWord(pass == 0 ? 0xFFCCA39C : 0xFFFFFBF7), 1.0f);
    }
    if (shape == nullptr) return;
    for (int pass = 0; pass < 2; ++pass) {
      const double shift = pass == 0 ? 1.0 : 0.0;
      std::array<double, 16> points{};
      for (std::size_t k = 0; k < count; k += 2) {
        points[k] = rect.left + shift + shape[k] * rect.Width();
        points[k + 1] = rect.top + shift + shape[k + 1] * rect.Height();
      }
      const rgba8 fill = FromWord(pass == 0 ? 0xFF074307 : 0xFF47A74D);
      r.DrawTextInBox(nullptr, 0, 0, 0, 0, 1.0, fill, &fill, 0, std::span<const double>(points.data(), count));
    }
  };
  MainTickRect = platform::WindowRect::FromSize(measure->Rect().right, Panels[1]->Area.top, side, side);
  box(MainTickRect, kArrow, std::size(kArrow));
  SensorChosen = {};
  TickBoxCount = 0;
  for (std::size_t i = 0; i < SensorButtons.size(); ++i) {
    const platform::Control* button = FindControl(kFirstSensorButton + static_cast<std::int32_t>(i));
    if (button == nullptr || !button->IsVisible() || SensorButtons[i].TickBox == 0) continue;
    const platform::WindowRect place = button->Rect();
    const std::int32_t down = static_cast<std::int32_t>((place.Height() - 25.0f * ui) * 0.5f);
    SensorTickRects[i] = platform::WindowRect::FromSize(place.right, place.top + down, side, side);
    SensorChosen[i] = 1;
    ++TickBoxCount;
    box(SensorTickRects[i], Bytes.SensorPrepared[i].load() != 0 ? kTick : nullptr, std::size(kTick));
  }
}

void MainWindow::PaintStartButtons() {
  platform::Surface& background = buffers_[1];
  for (std::int32_t id : {75172, 75171, 75185, 75169, 75167, 75163, 75164, 75165, 75166}) {
    auto* button = dynamic_cast<AImageButton*>(FindControl(id));
    if (button != nullptr && button->IsVisible()) button->PaintToBuffer(buffers_[0], &background);
  }
}
