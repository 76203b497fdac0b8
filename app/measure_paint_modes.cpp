// The measurement screen's paint in the display modes other than the graph: the digital display
// (mode 1) and the analog dial (mode 4). No command of the interface selects either.
#include "app/main_window.h"
#include "controls/aimage_button.h"
#include "graph/dial_view.h"
#include "layout/display_modes.h"
#include "layout/main_controls.h"
#include "layout/sensor_settings.h"

bool PaintsOwnDisplayMode(std::uint8_t display_mode) { return display_mode == 1 || display_mode == 4; }

void MainWindow::PaintOtherDisplayMode(const platform::PaintContext& context) {
  GraphView& view = *View;
  platform::Surface& buffer0 = buffers_[0];
  platform::WindowRect clip = context.clip;
  if (view.DisplayMode == DialView::kDisplayMode) {
    const platform::Control* start = FindControl(75004);
    DialScreen screen{Metrics.ScreenWidth,
                      Metrics.ScreenHeight,
                      Metrics.ScaleX,
                      Metrics.ScaleY,
                      Metrics.UiScale,
                      view.ViewRect,
                      start != nullptr ? start->Rect().top : Metrics.ScreenHeight,
                      static_cast<std::uint32_t>(NowMs())};
    std::lock_guard lock(view.ViewLock);
    view.Dial.Paint(renderer0_, buffer0, {clip.left, clip.top, clip.right, clip.bottom}, view, screen);
    // The acquisition tick asks for the dial's rectangle only.
    view.Sweep.DialRect = view.Dial.DialRect;
  } else {
    // The digital display: the background over the view, then the value indicators of the shown channels.
    view.ResetFont(renderer0_);
    view.FontSet = 1;
    std::lock_guard lock(view.ViewLock);
    view.LayoutIndicatorStrips();
    view.PaintLiveIndicators(renderer0_);
  }
  // As on the graph screen: the channel panel, the side-panel captions, the sensor settings panel.
  DrawOptionsPanel(clip);
  // Seam: the side-panel captions of the graph screen's painter go here once the main window keeps
  // their request (the graph screen draws them within GraphView::Paint for now).
  if (const AImageButton* settings = FindImageButton(Window(), 75037);
      settings != nullptr && settings->State.load() == ControlFrame::kStateDown) {
    PaintSensorSettingsPanel(*this, renderer0_);
  }
  Copy(context.target, buffer0, clip);
}
