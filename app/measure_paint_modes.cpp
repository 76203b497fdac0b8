// The measurement screen's paint in the display modes other than the graph: the digital display
// (mode 1) and the analog dial (mode 4). No command of the interface selects either.
#include "app/main_window.h"
#include "controls/aimage_button.h"
#include "graph/dial_view.h"
#include "graph/graph_paint_host.h"
#include "layout/display_modes.h"
#include "layout/main_controls.h"
#include "layout/sensor_settings.h"

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
    const PixelRect& dial = view.Dial.DialRect;
    view.Sweep.DialRect = dial;
    // The needle is drawn anywhere in the dial's rectangle, whatever region asked for this paint.
    clip = clip.Union({dial.Left, dial.Top, dial.Right, dial.Bottom});
  } else {
    // The digital display: the background over the view, then the value indicators of the shown channels.
    view.ResetFont(renderer0_);
    view.FontSet = 1;
    std::lock_guard lock(view.ViewLock);
    view.LayoutIndicatorStrips();
    const std::uint32_t drawn_at = view.LastIndicatorPaint;
    const std::uint8_t was_valid = view.IndicatorPaintValid;
    view.PaintLiveIndicators(renderer0_);
    // The values change at most every 240 ms; the paints between put back the indicators as last drawn.
    const bool drew = view.LastIndicatorPaint != drawn_at || view.IndicatorPaintValid != was_valid;
    if (IndicatorsKept.Width() != buffer0.Width() || IndicatorsKept.Height() != buffer0.Height()) {
      IndicatorsKept = platform::Surface(buffer0.Width(), buffer0.Height());
    }
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      if (view.IndicatorShown[k] == 0 || view.StripSaved[k] == 0) continue;
      const PixelRect& r = view.IndicatorStrips[k];
      const platform::WindowRect strip{r.Left, r.Top, r.Right, r.Bottom};
      drew ? Copy(IndicatorsKept, buffer0, strip) : Copy(buffer0, IndicatorsKept, strip);
    }
  }
  // As on the graph screen: the channel panel, the side-panel captions, the sensor settings panel.
  DrawOptionsPanel(clip);
  // The side-panel captions when asked for: by the window's activation, and on the dial by Start/Stop.
  if (SidePanelRequest != 0) {
    // The panels round the button groups below the view, and that band with them to the window.
    view.PaintPanelCaptions(1);
    SidePanelRequest = 0;
    if (view.DisplayMode == DialView::kDisplayMode && view.PaintHost != nullptr) {
      // The dial's own restores keep the panels, which stand partly in its rectangle.
      for (const PixelRect& panel : view.PaintHost->ControlGroups()) view.Dial.KeepDrawn(buffer0, panel);
    }
    const PixelRect& v = view.ViewRect;
    clip = clip.Union({v.Left, v.Bottom, v.Right, Metrics.ScreenHeight});
  }
  if (const AImageButton* settings = FindImageButton(Window(), 75037);
      settings != nullptr && settings->State.load() == ControlFrame::kStateDown) {
    PaintSensorSettingsPanel(*this, renderer0_);
  }
  Copy(context.target, buffer0, clip);
}
