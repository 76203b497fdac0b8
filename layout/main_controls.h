// The main window's controls: creation from the control table, lookup by control id, captions, layout and hover state.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/aimage_button.h"
#include "controls/control_frame.h"
#include "layout/sensor_settings.h"
#include "platform/window_core.h"
#include "render/cubic_spline.h"

class MainWindow;

// What the main window holds of its controls besides the window core's registry.
struct MainControls {
  // Every constructed control, created or not, in table order.
  std::vector<std::unique_ptr<ControlFrame>> Owned;
  // The start screen's sensor buttons 75163 to 75166.
  std::array<AImageButton*, 4> SensorButtons{};
  // The channel show/hide buttons 75038 to 75041 and "GPS", and the channel-slot buttons 75181 to 75184.
  std::array<AImageButton*, 5> ChannelButtons{};
  std::array<AImageButton*, 4> ChannelOptionButtons{};
  // The client rectangle as left, top, width, height, stored by each layout.
  std::array<std::int32_t, 4> ClientBounds{};
  // Nothing in the interface sets it; "Сенсоры" then keeps its creation place.
  std::uint8_t SensorMenuEnabled = 0;
  std::uint8_t TopPanelOpen = 0;
  std::uint8_t SidePanelOpen = 0;
  // 0 closed, 1 opened in the first form, 2 in the second.
  std::uint8_t SidePanelState = 0;
  SensorSettingsState SensorSettings;
  // The toolbar list's row whose range list stands; -1 after each opening of a toolbar list.
  std::int32_t HoveredMenuRow = -1;
  // The profile that the switch to the analog dial builds (x 0, 0.5, 1 to 1, 0.5, 0.1).
  CubicSpline DialProfile;
  // The caption faces the other screens' style replaced, given back by the graph screen's switch.
  struct KeptFace {
    AImageButton* Button = nullptr;
    std::string Typeface;
    int Weight = 400;
    double TextScale = 1.0;
  };
  std::vector<KeptFace> KeptFaces;
};

// Creates every control of the main window once, hidden, at its creation rectangle, with its ids,
// captions and style; then the captions of the interface language.
void CreateMainControls(MainWindow& window);

// The control registered under `id` (a control id; "GPS" under its window id 75042), or none.
ControlFrame* FindMainControl(const platform::HostWindow& host, std::int32_t id);
AImageButton* FindImageButton(const platform::HostWindow& host, std::int32_t id);

// The first caption line of the eleven language-dependent buttons from the string table.
void LoadLanguageCaptions(MainWindow& window);
// The sizes and caption placements the captions of the interface language need (Start/Stop, Overview,
// Scale, Sensors, "Measurements" and "Open file").
void ApplyLanguageSizes(MainWindow& window);

// Hides every image button of the main window.
void HideAllImageButtons(MainWindow& window);
