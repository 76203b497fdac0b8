// The sensor settings panel: its place and controls, the range label and switch, the rate slider's scale, its drawing.
#include "layout/sensor_settings.h"

#include <cmath>
#include <cstdio>
#include <mutex>

#include "acquisition/device_manager.h"
#include "acquisition/unit_range_switch.h"
#include "acquisition/worker_threads.h"
#include "app/main_window.h"
#include "controls/control_drawing.h"
#include "controls/stick_button.h"
#include "layout/main_controls.h"
#include "render/agg_ren.h"
#include "resources/string_table.h"

using platform::WindowRect;

namespace {

int Trunc(double v) { return static_cast<int>(v); }

// The scale every set-up starts from: breakpoints in kHz and the step of each segment.
constexpr std::array<float, RateScales::kEntries> kBaseFirst = {0.0f, 0.1f, 1.0f, 5.0f, 10.0f, 20.0f};
constexpr std::array<float, RateScales::kEntries> kBaseSecond = {0.01f, 0.1f, 0.5f, 1.0f, 1.0f, 5.0f};

struct RangeRow {
  std::uint8_t Code;
  const char* Russian;
  const char* English;
};
// Volts with a Latin "B", amps with a Cyrillic "А": the captions as the units print them.
constexpr RangeRow kRanges[] = {
    {0, "0-3.3 B", "0-3.3 B"},           {1, "0-100 °C", "0-100 °C"},
    {2, "0-120 °C", "0-120 °C"},         {3, "0-150 °C", "0-150 °C"},
    {4, "0-1000 °C", "0-1000 °C"},       {5, "0-14 pH", "0-14 pH"},
    {9, "±10 B", "±10 B"},               {10, "±2 А", "±2 А"},
    {11, "±10 B / ±2 А", "±10 B / ±2 А"}, {12, "±100 kPa", "±100 kPa"},
    {13, "0-100 kPa", "0-100 kPa"},      {14, "±100 мТл", "±100 mT"},
    {16, "±50 B", "±50 B"},              {17, "±20 мА", "±20 мА"},
    {18, "±200 мА", "±200 мА"},          {25, "±360/±1800 градусов", "±360/±1800 градусов"},
    {26, "0-200 kPa", "0-200 kPa"},      {29, "0-5 мСм/см", "0-5 мСм/см"},
    {30, "0-100 мкСм/см", "0-100 мкСм/см"},
};

bool TwoRangeConductivity(std::uint8_t code) { return code == 6 || code == 19; }

// Holds the device table while slot and unit records are read; nothing to hold without a manager.
std::unique_lock<std::recursive_mutex> TableGuard(MainWindow& window) {
  if (!window.Devices) return {};
  return std::unique_lock<std::recursive_mutex>(window.Devices->TableLock);
}

std::uint8_t CountUsableSlots(const MainWindow& window) {
  std::uint8_t n = 0;
  for (const DeviceSlot& slot : window.DeviceSlots) n += SlotUsable(slot) ? 1 : 0;
  return n;
}

DeviceSlot& ShownSlot(MainWindow& window) { return window.DeviceSlots[window.View->ViewDeviceSlot % 4]; }

std::uint8_t SlotSensorCode(const DeviceSlot& slot) {
  if (slot.Device != nullptr) return slot.Device->SensorCode;
  return slot.Channels[0] != nullptr ? static_cast<std::uint8_t>(slot.Channels[0]->SensorCode) : 0xFF;
}

template <typename T>
T* Find(MainWindow& window, std::int32_t id) {
  return dynamic_cast<T*>(FindMainControl(window.Window(), id));
}

// The shown slot's unit found again in the device table (same place, type and serial number), and
// its names. The caller holds the table lock.
void RefreshSensorNames(MainWindow& window) {
  SensorSettingsState& s = window.Controls.SensorSettings;
  DeviceSlot& slot = ShownSlot(window);
  s.SensorName = slot.Device != nullptr ? slot.SensorName1 : (window.EnglishUi() ? "no sensor" : "датчик отсутствует");
  s.TwoNames = 0;
  if (!window.Devices) return;
  for (auto& unit : window.Devices->DeviceTable) {
    if (unit && unit->LocationId == slot.Location && unit->DeviceTypeCode == slot.DeviceTypeCode &&
        slot.SerialNumber == unit->SerialNumber.data()) {
      slot.Device = unit.get();
      if (unit->TwoLines != 0 && !unit->NameLine2.empty()) {
        s.TwoNames = 1;
        s.SensorName2 = unit->NameLine2;
      }
      return;
    }
  }
}

void Text(agg_ren& r, std::string_view utf8, double x, double y, double w, double h, double scale,
          const rgba8& colour) {
  control_draw::Text(r, utf8, x, y, w, h, scale, colour, 0);
}

void Panel(agg_ren& r, double x, double y, double w, double h, double radius, const rgba8& outline,
           const rgba8& fill) {
  control_draw::FlatPanel(r, x, y, w, h, radius, fill, outline);
}

void DrawSensorSettingsPanel(MainWindow& window, agg_ren& r) {
  SensorSettingsState& s = window.Controls.SensorSettings;
  const double ui = window.Metrics.UiScale, sx = window.Metrics.ScaleX;
  const double left = s.Left, top = s.Top, width = s.Width, height = s.Height;
  const bool english = window.EnglishUi();
  const std::uint8_t used = CountUsableSlots(window);
  // 1. Body and 2. title band.
  const rgba8 body_outline = window.View->DisplayMode == 3 ? rgba8(10, 10, 70, 255) : rgba8(240, 240, 250, 255);
  Panel(r, left, top, width, height, 8 * ui, body_outline, rgba8(220, 220, 250, 255));
  // The band is drawn inset by 8 x UiScale inside its rectangle.
  r.style.corner_radius = 6 * ui;
  r.style.highlight = rgba8(10, 10, 70, 255);
  PanelRect band{left, width, top, 40 * ui};
  r.DrawRoundedPanel(band, PanelStyle{0, 0, 0, 1, static_cast<std::uint8_t>(8 * ui)}, 1.0f, 1.0f,
                     rgba8(245, 245, 255, 255), 1.0f);
  if (AImageButton* range = FindImageButton(window.Window(), kRangeButtonId)) {
    range->Looks[AImageButton::kNormal].ColourA = rgba8(80, 80, 153, 155);
  }
  // 3. Title with its shadow.
  const double tx = left + 20 * sx, ty = top + 6 * ui;
  Text(r, s.Caption, tx + 1, ty + 1, width, 40 * ui, 1.1 * ui, rgba8(0, 0, 0, 55));
  Text(r, s.Caption, tx, ty, width, 40 * ui, 1.1 * ui, rgba8(0, 0, 0, 255));
  // 4. The areas the graph view reads.
  s.PanelArea = WindowRect::FromSize(s.Left, s.Top, s.Width, s.Height);
  const double nx = left + 5, ny = top + 40 * ui, nw = width - 10, nh = 35 * ui;
  s.NextSensorZone = used <= 1 ? WindowRect{Trunc(nx + 0.6 * nw), Trunc(ny), Trunc(nx + nw), Trunc(ny + nh)}
                               : WindowRect{Trunc(nx), Trunc(ny), Trunc(nx + nw), Trunc(ny)};
  // 5. Sampling-rate group.
  Panel(r, left + 5 * sx, top + 50 * ui, width - 10 * sx, height - 58 * ui, (used > 1 ? 4 : 6) * ui,
        rgba8(10, 10, 70, 55), rgba8(240, 240, 255, 255));
  const double tab_x = left + 5 * sx, tab_y = top + 48 * ui, tab_w = 230 * ui, tab_h = 27 * ui;
  Panel(r, tab_x, tab_y, tab_w, tab_h, 5 * ui, rgba8(10, 10, 70, 55), rgba8(245, 245, 255, 255));
  Text(r, english ? "Sampling rate" : "Частота дискретизации", tab_x + 10 * sx, tab_y + tab_h / 10, tab_w, tab_h,
       0.9 * ui, rgba8(0, 0, 0, 255));
  // 6. Rate box, the number right-aligned by its character count.
  const double bx = left + 15 * sx, by = top + 83 * ui, bw = 160 * sx, bh = 35 * ui;
  s.RateBox = WindowRect{Trunc(bx), Trunc(by), Trunc(bx + bw), Trunc(by + bh)};
  Panel(r, bx, by, bw, bh, 7 * ui, rgba8(10, 10, 70, 105), rgba8(250, 250, 255, 255));
  char rate[32];
  const int chars = std::snprintf(rate, sizeof rate, english ? "%u Hz" : "%u Гц", window.View->RateSetting);
  Text(r, rate, bx + 0.9 * bw - chars * bw / 12, by + 0.15 * bh, bw, bh, 1.2 * ui, rgba8(0, 0, 0, 255));
}

}  // namespace

SettingsPanelPlaces PlaceSettingsPanel(const ScreenMetrics& m, const WindowRect& button, const WindowRect& client,
                                       std::uint8_t display_mode, const WindowRect& slider,
                                       const WindowRect& range_button) {
  const float sx = m.ScaleX, ui = m.UiScale;
  const bool wide = m.AspectRatio > 1.5f && m.WideScreen;
  std::int32_t left = 10;
  if (display_mode == 2) {
    const std::int32_t at = Trunc(button.right - 450 * sx);
    if (at >= 150 * sx) left = at;
  } else if (button.left - client.left >= 150 * sx) {
    left = Trunc(button.left - 200 * sx);
  }
  const std::int32_t width = Trunc(470 * sx), height = Trunc(235 * ui);
  const std::int32_t top = button.top - height - 4;
  // The design's own height, from which the slider and the range button keep their offsets.
  const std::int32_t design_bottom = top + Trunc(170 * ui);
  SettingsPanelPlaces p;
  p.Panel = WindowRect::FromSize(left, top, width, height);
  const std::int32_t x0 = left + Trunc(30 * ui);
  const std::int32_t y = top + Trunc(170 * ui) + (wide ? Trunc(5 * ui) : 0);
  for (std::size_t k = 0; k < p.Channels.size(); ++k) {
    p.Channels[k] = WindowRect::FromSize(x0 + Trunc(static_cast<float>(k) * 64 * sx), y, Trunc(60 * sx), Trunc(50 * ui));
  }
  p.Close = WindowRect::FromSize(left + width - Trunc(42 * sx), top + 2, Trunc(38 * sx), Trunc(38 * ui));
  p.Slider = WindowRect::FromSize(left + Trunc(180 * sx),
                                  design_bottom - slider.Height() - Trunc((wide ? 20 : 30) * ui), slider.Width(),
                                  slider.Height());
  p.RangeButton = WindowRect::FromSize(left + Trunc(30 * ui), design_bottom - Trunc(15 * ui) - range_button.Height(),
                                       range_button.Width(), range_button.Height());
  return p;
}

RateScales RateScalesFor(std::uint8_t device_type) {
  RateScales s;
  s.First = kBaseFirst;
  s.Second = kBaseSecond;
  if (device_type == 1 || device_type == 11) {
    s.First[5] = 25.0f;
    s.Second[5] = 1.0f;
  } else if (device_type == 2 || device_type == 7) {
    s.First[5] = 50.0f, s.First[6] = 100.0f, s.First[7] = 200.0f;
    s.Second[5] = 10.0f, s.Second[6] = 20.0f, s.Second[7] = 200.0f;
    s.Divisions = 8;
    s.Segments = 7;
  }
  return s;
}

std::string RangeCaption(std::uint8_t sensor_code, std::uint16_t language) {
  for (const RangeRow& row : kRanges) {
    if (row.Code == sensor_code) return language == kLanguageRussian ? row.Russian : row.English;
  }
  return std::string(LoadString(178, language));
}

std::string ConductivityCaption(bool micro_siemens, bool english) {
  if (micro_siemens) return english ? "100 µS/cm" : "100 мкСм/см";
  return english ? "5 mS/cm" : "5 мСм/см";
}

void ShowSensorSettings(MainWindow& window) {
  if (!window.View) return;
  {
    auto lock = TableGuard(window);
    std::uint8_t& shown = window.View->ViewDeviceSlot;
    if (shown >= 4 || !SlotUsable(window.DeviceSlots[shown])) {
      shown = 0;
      for (std::uint8_t s = 0; s < 4; ++s) {
        if (SlotUsable(window.DeviceSlots[s])) {
          shown = s;
          break;
        }
      }
    }
    const DeviceSlot& slot = window.DeviceSlots[shown];
    if (slot.InUse == 0 || slot.Device == nullptr) {
      if (AImageButton* button = FindImageButton(window.Window(), kSensorSettingsButtonId)) {
        button->State = ControlFrame::kStateUp;
        button->ResetButtonState();
      }
      return;
    }
  }
  SetupSensorSettingsPanel(window);
  window.PanelMode = 1;
  for (std::int32_t id : {kSettingsCloseId, kRateSliderId}) {
    if (ControlFrame* c = FindMainControl(window.Window(), id)) c->Show();
  }
  for (std::int32_t id : kChannelRecordButtonIds) {
    if (AImageButton* b = FindImageButton(window.Window(), id)) b->Show();
  }
  // The slider shows the view's rate; the channel buttons are drawn pressed or up by their states.
  if (auto* slider = Find<StickButton>(window, kRateSliderId)) slider->SetValue(static_cast<float>(window.View->RateSetting) / 1000.0f);
  window.UpdateChannelRecordButtons(2);
}

void SetupSensorSettingsPanel(MainWindow& window) {
  if (!window.View) return;
  SensorSettingsState& s = window.Controls.SensorSettings;
  const ControlFrame* button = FindMainControl(window.Window(), kSensorSettingsButtonId);
  auto* slider = Find<StickButton>(window, kRateSliderId);
  AImageButton* range = FindImageButton(window.Window(), kRangeButtonId);
  if (button == nullptr || slider == nullptr || range == nullptr) return;
  const SettingsPanelPlaces p = PlaceSettingsPanel(window.Metrics, button->Rect(), window.Window().ClientRect(),
                                                   window.View->DisplayMode, slider->Rect(), range->Rect());
  s.Left = p.Panel.left, s.Top = p.Panel.top, s.Width = p.Panel.Width(), s.Height = p.Panel.Height();
  // Opening and closing redraw this area of the window.
  window.SettingsPanelRect = PixelRect{p.Panel.left, p.Panel.top, p.Panel.right, p.Panel.bottom};
  std::uint8_t device_type = 0;
  {
    auto lock = TableGuard(window);
    s.Caption = LoadString(CountUsableSlots(window) == 1 ? 177 : 187, window.UiLanguage);
    RefreshSensorNames(window);
    device_type = ShownSlot(window).DeviceTypeCode;
  }
  // Pressed and pressable for the slot's active channels (a loaded record's shown ones).
  window.UpdateChannelRecordButtons(1);
  for (std::size_t k = 0; k < kChannelRecordButtonIds.size(); ++k) {
    AImageButton* b = FindImageButton(window.Window(), kChannelRecordButtonIds[k]);
    if (b == nullptr) continue;
    b->SetStateAndCaption(b->State, std::to_string(k + 1), true);
    b->Move(p.Channels[k]);
  }
  range->State = ControlFrame::kStateUp;
  UpdateSensorRange(window, 0);
  if (AImageButton* close = FindImageButton(window.Window(), kSettingsCloseId)) {
    close->Move(p.Close);
    close->State = ControlFrame::kStateUp;
  }
  slider->Move(p.Slider);
  s.Rates = RateScalesFor(device_type);
  slider->Layout(StickButton::kHorizontal, kRateSliderId, s.Rates.Divisions, s.Rates.Segments, s.Rates.First,
                 s.Rates.Second, 0, 200);
  range->Move(p.RangeButton);
}

void UpdateSensorRange(MainWindow& window, std::uint8_t toggle) {
  AImageButton* range = FindImageButton(window.Window(), kRangeButtonId);
  if (!window.View || range == nullptr) return;
  GraphView& view = *window.View;
  // The buttons' own copies wait until the paint has drawn the sliders over the new caption.
  window.HoldBackCopies = 1;
  const bool english = window.EnglishUi();
  std::uint8_t code = 0;
  std::uint32_t location = 0;
  std::array<VessamorChannel*, 4> channels{};
  {
    auto lock = TableGuard(window);
    const DeviceSlot& slot = ShownSlot(window);
    code = SlotSensorCode(slot), location = slot.Location, channels = slot.Channels;
  }
  if (!TwoRangeConductivity(code)) {
    range->SetStateAndCaption(ControlFrame::kStateUp, RangeCaption(code, window.UiLanguage), true);
    range->ResetButtonState();
    return;
  }
  if (toggle == 0) {
    const bool micro = view.AcquisitionMode == 1;
    range->SetStateAndCaption(micro ? ControlFrame::kStateDown : ControlFrame::kStateUp,
                              ConductivityCaption(micro, english), true);
    if (!micro) range->ResetButtonState();
    return;
  }
  const bool micro = range->State == ControlFrame::kStateDown;
  const ConductivityRangeChoice& choice = micro ? kMicroSiemensRange : kMilliSiemensRange;
  bool found = false;
  if (window.Devices) {
    // The worker is paused before the table is taken: it may need the table to reach its pause.
    WaitAcquisitionAck(false, *window.Devices->Clock);
    found = SwitchUnitRange(*window.Devices, location, code, choice, view.RateSetting, *window.Devices->Clock);
  }
  if (!found) {
    range->State = ControlFrame::kStateUp;
    range->ResetButtonState();
    return;
  }
  range->SetStateAndCaption(range->State, ConductivityCaption(micro, english), true);
  {
    std::lock_guard view_lock(view.ViewLock);
    view.AcquisitionMode = choice.AcquisitionMode;
    const VessamorChannel* last = nullptr;
    for (VessamorChannel* channel : channels) {
      if (channel == nullptr) continue;
      channel->SwitchSensorRange(choice.SensorCode);
      channel->SwapPending = 1;
      channel->SwapPendingPair();
      last = channel;
    }
    // The view's header follows when the switched channel is the first of its kind on the screen.
    if (last != nullptr && last->FirstOfSensor != 0) {
      view.SensorCode = last->SensorCode;
      view.SetupGraphHeader(true, nullptr, true);
      view.UpdateValueGrid(false);
    }
    view.FullRedraw = 1;
  }
  window.FullPaintPending = 1;
  window.InvalidateLocal(view.ViewRect);
}

bool CycleSensorSettingsDevice(MainWindow& window, std::int32_t x, std::int32_t y) {
  const SensorSettingsState& s = window.Controls.SensorSettings;
  if (!window.View || window.PanelMode != 1 || !window.Devices || !s.NextSensorZone.Contains({x, y})) return false;
  {
    auto lock = TableGuard(window);
    const std::uint32_t units = window.Devices->CountDevices();
    if (units < 2) return false;
    std::uint8_t& shown = window.View->ViewDeviceSlot;
    shown = shown + 1u >= 4 || shown + 1u >= units ? 0 : static_cast<std::uint8_t>(shown + 1);
    RefreshSensorNames(window);
  }
  UpdateSensorRange(window, 0);
  window.InvalidateLocal(s.PanelArea);
  return true;
}

void PaintSensorSettingsPanel(MainWindow& window, agg_ren& renderer) {
  if (!window.View) return;
  bool usable = false;
  {
    auto lock = TableGuard(window);
    usable = SlotUsable(ShownSlot(window));
  }
  if (!usable) {
    window.View->ViewDeviceSlot = 0;
    return;
  }
  DrawSensorSettingsPanel(window, renderer);
}
