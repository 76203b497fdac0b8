// The information panel under the mouse: menu-row and line clicks, hand cursor and highlights, sensor-button hovers.
#include <algorithm>
#include <mutex>

#include "app/main_window.h"
#include "app/start_screen_parts.h"
#include "acquisition/ft_record_device.h"
#include "controls/aimage_button.h"
#include "info/start_page.h"
#include "layout/main_controls.h"
#include "resources/string_table.h"

namespace {

constexpr std::int32_t kFirstSensorButton = 75163;
// The preparation page's two buttons, hidden when the panel goes back to its start page.
constexpr std::int32_t kPreparationButtons[] = {75173, 75174};
constexpr std::int32_t kWebPageItem = 3;
constexpr std::uint8_t kWirelessReceiver = 3;

bool SensorButtonPressed(const MainWindow& w) {
  return std::any_of(w.Controls.SensorButtons.begin(), w.Controls.SensorButtons.end(), [](const AImageButton* b) {
    return b != nullptr && b->State.load() == ControlFrame::kStateDown;
  });
}

void PanelPress(MainWindow& w, InfoPanel& panel, platform::WindowPoint point, bool recording) {
  const std::int32_t item = panel.MenuItemAt(point);
  if (item == kWebPageItem) {
    OpenMakerWebPage(w.Host());
  } else if (item >= 0) {
    panel.ChooseMenuItem(static_cast<std::uint8_t>(item));
    RedrawInfoPanel(w);
  }
  // The catalogue's lines; a row's page open over the catalogue closes at any click.
  if (recording || panel.ScreenNumber() != InfoPanel::kStartPage || panel.Body.MenuLevel == 0) return;
  if (panel.SubMenuOpen()) {
    panel.CloseSubMenu();
    RedrawInfoPanel(w);
    return;
  }
  const std::int32_t line = panel.ClickableLineAt(point);
  if (line >= 0 && SelectMenuItem(panel, static_cast<std::uint8_t>(line)).Changed) RedrawInfoPanel(w);
}

void HidePreparationButtons(MainWindow& w) {
  for (std::int32_t id : kPreparationButtons) {
    if (ControlFrame* button = FindMainControl(w.Window(), id); button != nullptr && button->IsVisible()) button->Hide();
  }
}

// True over something clickable.
bool PanelMove(MainWindow& w, InfoPanel& panel, platform::WindowPoint point, bool recording) {
  if (recording) return panel.ScreenNumber() == InfoPanel::kPreparation && panel.OptionAt(point) != 0;
  // A pressed sensor button's page, or a released one's information page, stays.
  if (SensorButtonPressed(w) || w.SensorPageLeft != 0) return false;
  if (panel.ScreenNumber() != InfoPanel::kStartPage) {
    HidePreparationButtons(w);
    panel.SetScreen(InfoPanel::kStartPage);
    RedrawInfoPanel(w);
    return false;
  }
  const std::int32_t line = panel.ClickableLineAt(point);
  if (line >= 0) {
    panel.HighlightLine(line);
  } else if (panel.SubMenuOpen() && w.Panels[1] && !w.Panels[1]->Area.Contains(point)) {
    panel.CloseSubMenu();
    RedrawInfoPanel(w);
  }
  return line >= 0 || panel.MenuItemAt(point) >= 0;
}

// Slot 0..3: that sensor's information page; -1, the sensor-list caption: the units detected now.
void SensorButtonHover(MainWindow& w, InfoPanel& panel, std::int32_t slot) {
  if (slot < 0) {
    if (SensorButtonPressed(w) || panel.ScreenNumber() == InfoPanel::kDetectedSensors || !w.Devices) return;
    {
      std::lock_guard lock(w.Devices->TableLock);
      const auto& table = w.Devices->DeviceTable;
      if (std::none_of(table.begin(), table.end(), [](const auto& unit) { return unit != nullptr; })) return;
    }
    panel.SetScreen(InfoPanel::kDetectedSensors);
    RedrawInfoPanel(w);
    return;
  }
  const MainWindow::SensorButtonState& button = w.SensorButtons[static_cast<std::size_t>(slot)];
  // The page shown already is not built again.
  if (panel.ScreenNumber() == InfoPanel::kSensorInformation && panel.SensorCode == button.SensorCode &&
      panel.SensorButton == slot) {
    return;
  }
  ShowSensorInformation(w, panel, slot, {});
  w.ReleaseStartButtonsExcept(kFirstSensorButton + slot);
}

}  // namespace

// A sensor's information page; no button of a preparation page stays on it.
void ShowSensorInformation(MainWindow& w, InfoPanel& panel, std::int32_t slot, std::string_view notice) {
  const MainWindow::SensorButtonState& button = w.SensorButtons[static_cast<std::size_t>(slot)];
  HidePreparationButtons(w);
  panel.SensorButton = static_cast<std::uint8_t>(slot);
  panel.DeviceIndex = static_cast<std::uint8_t>(slot);
  // The slot bound to the button's unit gives the page its unit type (wireless, fast).
  const auto bound = std::find_if(w.DeviceSlots.begin(), w.DeviceSlots.end(), [&](const DeviceSlot& s) {
    return button.Unit != nullptr && s.Device == button.Unit;
  });
  panel.Slot = bound != w.DeviceSlots.end() ? &*bound : nullptr;
  panel.SensorCode = button.SensorCode;
  // Before its press the unit has no slot: the page takes its type from the unit itself.
  panel.UnitTypeCode = button.Unit != nullptr ? button.Unit->DeviceTypeCode : 0;
  panel.Wireless = panel.UnitTypeCode == kWirelessReceiver ? 1 : 0;
  panel.SetScreen(InfoPanel::kSensorInformation);
  panel.Notice = notice;
  RedrawInfoPanel(w);
}

void InstallStartScreenMouse(MainWindow& window, const std::shared_ptr<StartScreenParts>& parts) {
  MouseSeams& seams = window.MouseParts;
  MainWindow* w = &window;
  seams.PanelPress = [w, parts](platform::WindowPoint point, bool recording) {
    if (parts->Panel) PanelPress(*w, *parts->Panel, point, recording);
  };
  seams.PanelMove = [w, parts](platform::WindowPoint point, bool recording) {
    return parts->Panel && PanelMove(*w, *parts->Panel, point, recording);
  };
  seams.SensorButtonHover = [w, parts](std::int32_t slot) {
    if (parts->Panel) SensorButtonHover(*w, *parts->Panel, slot);
  };
  window.Hooks.SensorRefused = [parts](MainWindow& w, std::int32_t button) {
    if (!parts->Panel || button < 0 || button > 3) return;
    ShowSensorInformation(w, *parts->Panel, button, LoadString(kStringTooFewChannels, w.EnglishUi() ? 1033 : 1049));
  };
}
