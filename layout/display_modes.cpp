// The graph view's display modes as the main window switches them: view rectangle, button styles and layout.
#include "layout/display_modes.h"

#include "app/main_window.h"
#include "layout/button_styles.h"
#include "layout/main_controls.h"
#include "layout/measure_layout.h"

namespace {

PixelRect ClientPixels(MainWindow& window) {
  const platform::WindowRect c = window.Window().ClientRect();
  return {c.left, c.top, c.right, c.bottom};
}

}  // namespace

void ApplyGraphStyle(MainWindow& window) {
  for (std::int32_t id : kGraphButtons) {
    if (AImageButton* button = FindImageButton(window.Window(), id)) {
      button->LayoutStyle = 2;
      StyleGraphButton(*button, window.Metrics);
    }
  }
}

void SetDisplayModeGraph(MainWindow& window) {
  if (!window.View) return;
  GraphView& view = *window.View;
  view.DisplayMode = 3;
  // The screen's fonts are made again at its next paint: the start screen has changed the renderer's since.
  view.FontSet = 0;
  HideAllImageButtons(window);
  view.SetStyle();
  const ScreenMetrics& m = window.Metrics;
  view.SetViewRect({0, m.ToolbarButtonHeight, m.ScreenWidth, m.ScreenHeight - m.BottomBarHeight}, 255);
  ApplyGraphStyle(window);
  LoadLanguageCaptions(window);
  view.ResetIndicatorStrips();
}

void SetDisplayModeDigital(MainWindow& window) {
  if (!window.View || window.View->DisplayMode == 1) return;
  GraphView& view = *window.View;
  view.DisplayMode = 1;
  HideAllImageButtons(window);
  // The colour value 0xFFFAFA: red and green 0xFA, blue 0xFF.
  view.Style.BackgroundColour = Rgba{0xFA, 0xFA, 0xFF, 255};
  const PixelRect display = ClientPixels(window);
  view.SetViewRect(display, 255);
  LayoutControls(window);
  ApplyControlStyle(window);
  window.InvalidateLocal(display);
  for (std::int32_t id : {75004, 74999, 75037}) {
    if (AImageButton* button = FindImageButton(window.Window(), id)) button->Show();
  }
}

void SetDisplayModeDemonstration(MainWindow& window) {
  if (!window.View) return;
  GraphView& view = *window.View;
  view.DisplayMode = 2;
  view.Style.BackgroundColour = Rgba{255, 255, 255, 255};
  for (PenSpec& pen : view.Style.Pens) pen.Colour = Rgba{0x1E, 0x1E, 0x1E, 255};
  view.SetViewRect(ClientPixels(window), 255);
  LayoutControls(window);
  ApplyGraphStyle(window);
  window.InvalidateLocal();
}

void ApplyControlStyle(MainWindow& window) {
  for (const auto& control : window.Controls.Owned) {
    if (auto* button = dynamic_cast<AImageButton*>(control.get())) StyleDialModeButton(*button, window.Metrics);
  }
}
