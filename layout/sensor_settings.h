// The sensor settings panel: its place and controls, the range label and switch, the rate slider's scale, its drawing.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/screen_metrics.h"
#include "channels/main_window_services.h"
#include "platform/window_geometry.h"

class MainWindow;
class agg_ren;

inline constexpr std::int32_t kSensorSettingsButtonId = 75037;
inline constexpr std::int32_t kRateSliderId = 75008;
inline constexpr std::int32_t kRangeButtonId = 75006;
inline constexpr std::int32_t kSettingsCloseId = 75043;
inline constexpr std::array<std::int32_t, 4> kChannelRecordButtonIds = {75017, 75022, 75027, 75032};

// Where the panel and its controls go, from the settings button (B) and the client rectangle (C).
struct SettingsPanelPlaces {
  platform::WindowRect Panel;
  std::array<platform::WindowRect, 4> Channels;
  platform::WindowRect Close;
  platform::WindowRect Slider;
  platform::WindowRect RangeButton;
};
// The panel is 235 x UiScale high so that the channel buttons, 170 below its top, sit under the
// rate box and the slider; everything else keeps its design offset from the top.
SettingsPanelPlaces PlaceSettingsPanel(const ScreenMetrics& m, const platform::WindowRect& button,
                                       const platform::WindowRect& client, std::uint8_t display_mode,
                                       const platform::WindowRect& slider, const platform::WindowRect& range_button);

// The rate slider's breakpoints (kHz) and steps for a device type, rebuilt from the base values
// each time, and the divisions and segment count to lay it out with.
struct RateScales {
  static constexpr std::size_t kEntries = 11;
  std::array<float, kEntries> First{};
  std::array<float, kEntries> Second{};
  std::int32_t Divisions = 6;
  std::int32_t Segments = 5;
};
RateScales RateScalesFor(std::uint8_t device_type);

// The range button's caption for a sensor code other than the two-range conductivity (6, 19).
std::string RangeCaption(std::uint8_t sensor_code, std::uint16_t language);
std::string ConductivityCaption(bool micro_siemens, bool english);

// A slot the panel may show: in use, assigned to a unit and prepared.
inline bool SlotUsable(const DeviceSlot& slot) { return slot.Complete(); }

// What the panel keeps between its set-up and its paints.
struct SensorSettingsState {
  std::int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  std::string Caption;
  std::string SensorName;
  std::string SensorName2;
  std::uint8_t TwoNames = 0;
  platform::WindowRect PanelArea;
  platform::WindowRect NextSensorZone;
  platform::WindowRect RateBox;
  RateScales Rates;
};

// Window thread. The settings button went down: chooses a usable slot, sets the panel up and shows
// its controls, or puts the button back up when the slot has no unit.
void ShowSensorSettings(MainWindow& window);
void SetupSensorSettingsPanel(MainWindow& window);
// The range button's caption from the shown slot's sensor; with `toggle` the two-range
// conductivity unit switches to the range the button's state chooses.
void UpdateSensorRange(MainWindow& window, std::uint8_t toggle);
// Window thread. A click at (x, y) in the open panel's name-row zone while two or more units are
// connected: the panel shows the next slot (wrapping at 4 and at the unit count). True when it did.
bool CycleSensorSettingsDevice(MainWindow& window, std::int32_t x, std::int32_t y);
// The panel's background and texts into the renderer's buffer while the shown slot is usable.
void PaintSensorSettingsPanel(MainWindow& window, agg_ren& renderer);
