// The main window's control table: every control's ids, class, captions, set-up values and creation rectangle.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "app/screen_metrics.h"
#include "platform/window_geometry.h"

enum class ControlClass : std::uint8_t { Image, Group, Slider, SettingsPanel, List };

// The look families of the image buttons; None keeps the button's own defaults.
enum class StyleFamily : std::uint8_t { None, A, B, C, CRange, COk, D, E, F, G, Close, SetZero, Hint };

// What the creation rectangles are computed from.
struct CreationGeometry {
  const ScreenMetrics& m;
  // The rectangles of the "Measurements" button and the sensor list caption, which later rows follow.
  platform::WindowRect measurements;
  platform::WindowRect sensor_caption;
  std::int32_t X(double n) const { return static_cast<std::int32_t>(n * m.ScaleX); }
  std::int32_t Y(double n) const { return static_cast<std::int32_t>(n * m.ScaleY); }
  std::int32_t U(double n) const { return static_cast<std::int32_t>(n * m.UiScale); }
  // A height of a design units on a 600-pixel screen and b on a 1000-pixel one, rounded.
  std::int32_t H(std::int32_t a, std::int32_t b) const;
  bool WideAspect() const { return m.WideScreen && m.AspectRatio > 1.5f; }
};

struct ControlRow {
  std::int32_t WindowId;
  std::int32_t ControlId;
  ControlClass Class;
  const char* FirstText;
  const char* Caption;
  // Image buttons: layout style and bitmap; group buttons: behaviour mode in LayoutStyle.
  std::uint8_t LayoutStyle;
  std::int32_t Bitmap;
  StyleFamily Family;
  platform::WindowRect (*Place)(const CreationGeometry&);
};

// Every created control in creation order.
std::span<const ControlRow> MainControlTable();
// The creation rectangle of each row of the table, in table order.
std::vector<platform::WindowRect> CreationRects(const ScreenMetrics& m);

// The id a control is registered and found by in the window core: its control id, except the
// "GPS" button, which shares control id 75181 with the first channel-slot button and is kept
// under its window id.
inline std::int32_t RegistryId(const ControlRow& row) {
  return row.WindowId == 75042 ? row.WindowId : row.ControlId;
}
