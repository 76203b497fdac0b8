// The graph view's display modes as the main window switches them: view rectangle, button styles and layout.
#include "layout/display_modes.h"

#include <mutex>

#include "acquisition/worker_threads.h"
#include "app/main_window.h"
#include "layout/button_styles.h"
#include "layout/main_controls.h"
#include "layout/measure_layout.h"

namespace {

PixelRect ClientPixels(MainWindow& window) {
  const platform::WindowRect c = window.Window().ClientRect();
  return {c.left, c.top, c.right, c.bottom};
}

// The header of the digital display and the dial, over the sensor kind as if new. During a
// recording it keeps the record and its time scale, so the sweep goes on over the samples the units
// have written; and no unit writes a code while the channels are set up again.
void RebuildHeader(GraphView& view) {
  std::lock_guard lock(view.ViewLock);
  CodeLayoutHold layout(view.Devices);
  view.PreviousSensorCode = 255;
  view.SetupGraphHeader(view.Recording.load() != 0, nullptr, false);
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
  // The fonts are made again at the next paint, in the graph screen's face.
  view.FontSet = 0;
  window.Renderer0().style.typeface = "Tahoma";
  HideAllImageButtons(window);
  for (const MainControls::KeptFace& face : window.Controls.KeptFaces) {
    face.Button->Renderer().style.typeface = face.Typeface;
    face.Button->Renderer().style.font_weight = face.Weight;
    face.Button->BaseTextScale = face.TextScale;
  }
  window.Controls.KeptFaces.clear();
  view.SetStyle();
  const ScreenMetrics& m = window.Metrics;
  {
    // The acquisition tick reads the view's geometry while a recording runs.
    std::lock_guard lock(view.ViewLock);
    view.SetViewRect({0, m.ToolbarButtonHeight, m.ScreenWidth, m.ScreenHeight - m.BottomBarHeight}, 255);
  }
  ApplyGraphStyle(window);
  LoadLanguageCaptions(window);
  view.ResetIndicatorStrips();
}

PixelRect GraphRectangle(const MainWindow& window) {
  const ScreenMetrics& m = window.Metrics;
  return {0, m.ToolbarButtonHeight, m.ScreenWidth, m.ScreenHeight - m.BottomBarHeight};
}

bool PaintsOwnDisplayMode(std::uint8_t display_mode) { return display_mode == 1 || display_mode == 4; }

void SetDisplayModeDigital(MainWindow& window) {
  if (!window.View || window.View->DisplayMode == 1) return;
  GraphView& view = *window.View;
  const PixelRect display = GraphRectangle(window);
  HideAllImageButtons(window);
  {
    // The acquisition tick reads the view's geometry while a recording runs.
    std::lock_guard lock(view.ViewLock);
    view.DisplayMode = 1;
    view.FontSet = 0;
    view.TopPanelShown = 0;
    // The colour value 0xFFFAFA: red and green 0xFA, blue 0xFF.
    view.SetViewBackground(Rgba{0xFA, 0xFA, 0xFF, 255});
    view.SetViewRect(display, 255);
  }
  LayoutControls(window);
  ApplyControlStyle(window);
  RebuildHeader(view);
  window.InvalidateLocal(display);
  for (std::int32_t id : {75004, 74999, 75037}) {
    if (AImageButton* button = FindImageButton(window.Window(), id)) button->Show();
  }
}

void SetDisplayModeDemonstration(MainWindow& window) {
  if (!window.View) return;
  GraphView& view = *window.View;
  // The graph screen's buttons go; the hover groups bring them over the white graph.
  HideAllImageButtons(window);
  {
    // The acquisition tick reads the view's geometry while a recording runs.
    std::lock_guard lock(view.ViewLock);
    view.DisplayMode = 2;
    view.FontSet = 0;
    // White under dark grey grid lines; the graph screen's own style comes back with its switch.
    view.SetViewBackground(Rgba{255, 255, 255, 255});
    view.SetPanelBrush(Rgba{0x1E, 0x1E, 0x1E, 255});
    view.SetViewRect(ClientPixels(window), 255);
  }
  LayoutControls(window);
  ApplyControlStyle(window);
  {
    // The header is rebuilt over the same time range: the record in view stays to be shown on white.
    std::lock_guard lock(view.ViewLock);
    CodeLayoutHold layout(view.Devices);
    view.SetupGraphHeader(true, nullptr, false);
    view.FullRedraw = 1;
  }
  window.InvalidateLocal();
}

void SwitchToDialMode(MainWindow& window) {
  if (!window.View || window.View->DisplayMode == DialView::kDisplayMode) return;
  GraphView& view = *window.View;
  const PixelRect graph = GraphRectangle(window);
  HideAllImageButtons(window);
  {
    // The acquisition tick reads the view's geometry while a recording runs.
    std::lock_guard lock(view.ViewLock);
    // Mode 4, the static picture built afresh by the next paint, the rims and the needle's angles.
    view.Dial.SwitchToDialMode(view);
    view.TopPanelShown = 0;
    view.SetViewBackground(Rgba{250, 250, 255, 255});
    view.SetViewRect(graph, 255);
  }
  LayoutControls(window);
  ApplyControlStyle(window);
  RebuildHeader(view);
  const double x[] = {0.0, 0.5, 1.0}, y[] = {1.0, 0.5, 0.1};
  window.Controls.DialProfile.Build(x, y, 3);
  window.InvalidateLocal(graph);
  for (std::int32_t id : {75004, 74999}) {
    if (AImageButton* button = FindImageButton(window.Window(), id)) button->Show();
  }
}

void ApplyControlStyle(MainWindow& window) {
  std::vector<MainControls::KeptFace>& kept = window.Controls.KeptFaces;
  const bool keep = kept.empty();
  for (const auto& control : window.Controls.Owned) {
    if (auto* button = dynamic_cast<AImageButton*>(control.get())) {
      if (keep) {
        const AggStyle& s = button->Renderer().style;
        kept.push_back({button, s.typeface, s.font_weight, button->BaseTextScale});
      }
      // The graph screen's buttons keep their colours and scaled sizes; every button takes the bold face.
      StyleGraphButton(*button, window.Metrics);
      StyleDialModeButton(*button, window.Metrics);
    }
  }
}
