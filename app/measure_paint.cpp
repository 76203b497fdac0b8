// The measurement screen's paint: the graph into buffer 0, the cached background, the recording's
// stripe and the copy to the window.
#include <algorithm>
#include <array>
#include <vector>

#include "app/measure_paint_host.h"
#include "controls/stick_button_mod.h"
#include "layout/display_modes.h"
#include "layout/main_controls.h"
#include "layout/sensor_settings.h"
#include "platform/gdi.h"
#include "resources/bitmaps.h"
#include "resources/string_table.h"

PixelRect MeasurePaintHost::BelowGraph() const {
  if (!window_.View) return {};
  const PixelRect& view = window_.View->ViewRect;
  return {view.Left, view.Bottom, view.Right, window_.Metrics.ScreenHeight};
}

std::string_view MeasurePaintHost::PanelCaption(int id) const { return LoadString(id, window_.UiLanguage); }

namespace {

// The bottom band's control groups, as the measurement screen's layout places them (0: no control).
constexpr std::array<std::array<std::int32_t, 8>, 3> kPanelGroups = {{
    {75037, 75004, 74999},
    {75013, 75045, 75046, 75052, 75014, 75053},
    {75038, 75039, 75040, 75041, 75181, 75182, 75183, 75184},
}};

// A hash of the pixels of `area` (FNV-1a over its rows).
std::uint64_t PixelHash(const platform::Surface& surface, const platform::WindowRect& area) {
  const platform::WindowRect inside = area.Intersect({0, 0, surface.Width(), surface.Height()});
  std::uint64_t hash = 1469598103934665603ull;
  for (int y = inside.top; y < inside.bottom; ++y) {
    const std::uint8_t* row = surface.Row(y) + static_cast<std::size_t>(inside.left) * 4;
    for (int i = 0; i < inside.Width() * 4; ++i) hash = (hash ^ row[i]) * 1099511628211ull;
  }
  return hash;
}

// The columns the graph's last paint drew curves in, with the reach of the widest pen round them.
platform::WindowRect DrawnColumns(const GraphView& view) {
  std::int32_t width = 1;
  for (const auto& channel : view.Channels) {
    if (channel != nullptr && channel->Enabled != 0 && channel->Shown != 0) {
      width = std::max(width, std::clamp(channel->PenWidth, 1, 64));
    }
  }
  const std::int32_t half = (width - 1) / 2;
  const std::int32_t origin = view.TimeOriginPixel - 1;
  return {origin + view.DrawnFirstColumn - half - 1, view.PlotRect.Top, origin + view.DrawnLastColumn - half + width + 1,
          view.PlotRect.Bottom};
}

}  // namespace

void MergeOverlaps(std::vector<platform::WindowRect>& areas) {
  const auto area_of = [](const platform::WindowRect& r) { return std::int64_t{r.Width()} * r.Height(); };
  std::erase_if(areas, [](const platform::WindowRect& r) { return r.IsEmpty(); });
  for (bool merged = true; merged;) {
    merged = false;
    for (std::size_t i = 0; i < areas.size() && !merged; ++i) {
      for (std::size_t j = i + 1; j < areas.size() && !merged; ++j) {
        if (!areas[i].Intersects(areas[j])) continue;
        const platform::WindowRect both = areas[i].Union(areas[j]);
        // Two areas that overlap are one where their box is no larger than the two apart.
        if (area_of(both) > area_of(areas[i]) + area_of(areas[j])) continue;
        areas[i] = both;
        areas.erase(areas.begin() + static_cast<std::ptrdiff_t>(j));
        merged = true;
      }
    }
  }
}

std::array<PixelRect, 4> MeasurePaintHost::ControlGroups() const {
  std::array<PixelRect, 4> groups{};
  const PixelRect band = BelowGraph();
  if (band.Width() <= 0 || band.Height() <= 0) return groups;
  const double s = window_.Metrics.UiScale;
  // The groups stand 10 x ScaleX apart: each panel takes less than half of that on either side.
  const std::int32_t side = std::max(2, static_cast<std::int32_t>(4.5 * window_.Metrics.ScaleX));
  const std::int32_t below = std::max(3, static_cast<std::int32_t>(5.0 * s));
  // The dial and the digital display show a few of the buttons: panels only round those.
  const bool shown_only = window_.View && PaintsOwnDisplayMode(window_.View->DisplayMode);
  for (std::size_t g = 0; g < kPanelGroups.size(); ++g) {
    PixelRect around{};
    bool any = false;
    for (const std::int32_t id : kPanelGroups[g]) {
      const ControlFrame* control = id != 0 ? FindMainControl(window_.Window(), id) : nullptr;
      if (control == nullptr || (shown_only && !control->IsVisible())) continue;
      const platform::WindowRect r = control->Rect();
      // A button the layout has not placed in the band yet gives no panel.
      if (r.IsEmpty() || r.top < band.Top || r.bottom > band.Bottom) continue;
      around = any ? PixelRect{std::min(around.Left, r.left), std::min(around.Top, r.top),
                               std::max(around.Right, r.right), std::max(around.Bottom, r.bottom)}
                   : PixelRect{r.left, r.top, r.right, r.bottom};
      any = true;
    }
    if (!any) continue;
    // The caption stands in the band's top margin, above the buttons.
    groups[g] = PixelRect{std::max(band.Left, around.Left - side), band.Top + 2, around.Right + side,
                          std::min(band.Bottom - 2, around.Bottom + below)};
  }
  groups[3] = PanelColumn();
  return groups;
}

PixelRect MeasurePaintHost::PanelColumn() const {
  const PixelRect band = BelowGraph();
  if (band.Width() <= 0 || band.Height() <= 0) return {};
  // Beside the few buttons of the dial and the digital display there is no difference to show.
  if (window_.View && PaintsOwnDisplayMode(window_.View->DisplayMode)) return {};
  const double s = window_.Metrics.UiScale;
  const std::int32_t margin = std::max(3, static_cast<std::int32_t>(5.0 * s));
  std::int32_t left = band.Left;
  for (const auto& group : kPanelGroups) {
    for (const std::int32_t id : group) {
      const ControlFrame* control = id != 0 ? FindMainControl(window_.Window(), id) : nullptr;
      if (control == nullptr) continue;
      const platform::WindowRect r = control->Rect();
      if (!r.IsEmpty() && r.top >= band.Top && r.bottom <= band.Bottom) left = std::max(left, r.right);
    }
  }
  if (left == band.Left) return {};
  const PixelRect column{left + 2 * margin, band.Top + 2, band.Right - 2 * margin, band.Bottom - 2};
  return column.Width() > 0 && column.Height() > 0 ? column : PixelRect{};
}

platform::WindowRect SweepStripe(std::uint16_t first_changed, std::uint16_t last_changed, const PixelRect& plot) {
  const platform::WindowRect whole{plot.Left, plot.Top, plot.Right, plot.Bottom};
  if (last_changed < first_changed) return whole;
  const std::int32_t left = std::clamp(plot.Left + first_changed - 1, plot.Left, plot.Right);
  const std::int32_t right = std::clamp(plot.Left + last_changed + 1, plot.Left, plot.Right);
  return {left, plot.Top, right, plot.Bottom};
}

void MainWindow::DrawOptionsPanel(platform::WindowRect& clip) {
  auto* options = dynamic_cast<StickButtonMod*>(FindControl(kSettingsPanelId));
  const bool shown = options != nullptr && options->IsVisible();
  // A panel that has gone leaves the background where it stood, and the graph is drawn again over it.
  if (!OptionsPanelDrawn.IsEmpty() && (!shown || options->Rect() != OptionsPanelDrawn)) {
    Copy(buffers_[0], buffers_[1], OptionsPanelDrawn);
    if (View) {
      std::lock_guard lock(View->ViewLock);
      View->Painting.ClearRequest = 1;
    }
    InvalidateLocal();
    clip = clip.Union(OptionsPanelDrawn);
    OptionsPanelDrawn = {};
  }
  // The panel's showing on entry, which timer 7 ends, is not an opening: nothing is drawn, so
  // neither the screen nor the buttons that copy their background from buffer 0 ever see it.
  if (!shown || CurrentTimerId == kTimerSettingsPanel) return;
  options->DrawChannelOptions(buffers_[0]);
  OptionsPanelDrawn = options->Rect();
}

void MainWindow::LiftMarkers() {
  for (const platform::WindowRect& area : MarkerAreas) Copy(buffers_[0], MarkerUnder, area);
  MarkerAreas.clear();
}

void MainWindow::LayMarkers(GraphView& view) {
  std::lock_guard lock(view.ViewLock);
  MarkerRedraw = 0;
  if (view.CountMarkedPoints() == 0) return;
  // The lines and their badges stand above and below the plot, their captions inside it, the
  // differences in the side panel.
  for (const PixelRect& r : {view.ViewRect, view.DifferencePanelRect}) {
    if (r.Width() > 0 && r.Height() > 0) MarkerAreas.push_back({r.Left, r.Top, r.Right, r.Bottom});
  }
  if (MarkerUnder.Width() != buffers_[0].Width() || MarkerUnder.Height() != buffers_[0].Height()) {
    MarkerUnder = platform::Surface(buffers_[0].Width(), buffers_[0].Height());
  }
  for (const platform::WindowRect& area : MarkerAreas) Copy(MarkerUnder, buffers_[0], area);
  view.DrawMarkerCaptions(renderer0_);
}

void MainWindow::PaintMeasureScreen(const platform::PaintContext& context) {
  GraphView& view = *View;
  platform::Surface& buffer0 = buffers_[0];
  platform::Surface& buffer3 = BackBuffer(3);
  if (view.FontSet == 0) {
    // The screen's texts (captions, help, settings panel) are sized against this font, not the intro's.
    renderer0_.style.font_width = 9.0;
    renderer0_.style.font_height = 17.0;
    renderer0_.style.font_weight = 400;
    renderer0_.ResetFont();
    view.FontSet = 1;
  }
  std::uint16_t first_changed = 1, last_changed = 1;
  PixelRect plot;
  bool recording = false;
  {
    std::lock_guard lock(view.ViewLock);
    recording = view.Recording.load() != 0;
    // The value indicators ride with the curves: during a recording on every paint, afterwards
    // over the record that stays.
    view.Painting.RestoreRequest = recording ? 1 : 0;
    view.Painting.AltRestoreRequest = !recording && view.RecordViewable != 0 ? 1 : 0;
  }
  // On entry the start screen's panels and buttons leave buffer 0: the plain background goes under
  // the graph, once, whether or not a recording has begun meanwhile.
  if (MeasureBackgroundPending != 0) {
    MeasureBackgroundPending = 0;
    MarkerAreas.clear();  // what lay under the markers belongs to the screen left
    // Buffer 1 keeps the plain background while the measurement screen is up; the start screen's is
    // kept aside for the return.
    if (StartBackgroundComposed != 0) {
      if (StartBackgroundKept.Width() != buffers_[1].Width() || StartBackgroundKept.Height() != buffers_[1].Height()) {
        StartBackgroundKept = platform::Surface(buffers_[1].Width(), buffers_[1].Height());
      }
      Copy(StartBackgroundKept, buffers_[1], {0, 0, buffers_[1].Width(), buffers_[1].Height()});
      StartBackgroundSaved = 1;
    }
    if (const platform::Surface* background = Bitmap(kStartBackgroundBitmap)) {
      platform::StretchBlit(buffers_[1], {0, 0, Metrics.ScreenWidth, Metrics.ScreenHeight}, *background, background->Bounds());
      Copy(buffer0, buffers_[1], {0, 0, Metrics.ScreenWidth, Metrics.ScreenHeight});
    }
    std::lock_guard lock(view.ViewLock);
    view.Painting.ClearRequest = 1;
  }
  // The graph paints over what it left last time, without the markers.
  // The markers' areas reach outside the view (the differences in their side panel): what they
  // covered and what they cover now go to the window besides the clip, each area on its own, as
  // their bounding box would take in the panel buttons between the view and the differences.
  std::vector<platform::WindowRect> marker_reach = MarkerAreas;
  LiftMarkers();
  if (view.MarkerDragActive == 0) view.Paint();
  // The graph draws its side panels with every paint of its own: no caption request waits.
  SidePanelRequest = 0;
  if (!recording) {
    // The cached background is the graph alone: nothing drawn over it is restored from it later.
    const platform::WindowRect client{0, 0, Metrics.ScreenWidth, Metrics.ScreenHeight};
    const PixelRect& plot_now = view.PlotRect;
    if (CacheUpdateRequest == 2) {
      Copy(buffer3, buffer0, client);
    } else if (CacheUpdateRequest == 1) {
      Copy(buffer3, buffer0, {plot_now.Left, plot_now.Top, plot_now.Right, plot_now.Bottom});
    } else if (CacheUpdateRequest != 0) {
      for (std::int32_t id : {75001, 75003}) {
        if (const platform::Control* slider = FindControl(id)) Copy(buffer3, buffer0, slider->Rect());
      }
    }
    CacheUpdateRequest = 0;
    LayMarkers(view);
    marker_reach.insert(marker_reach.end(), MarkerAreas.begin(), MarkerAreas.end());
  }
  // A long rebuild is pending (the second step of a long record's fit, say): the box says so.
  if (!recording && view.PreparingDataRequest.load() != 0) DrawPreparingDataBox();
  // The panels that stand over the graph: the help overlay and, while its button is down, the sensor settings.
  if (Help.Shown != 0 && !recording) Help.Paint(renderer0_, buffer0);
  bool settings_drawn = false;
  if (const AImageButton* settings = FindImageButton(Window(), 75037);
      settings != nullptr && settings->State.load() == ControlFrame::kStateDown) {
    PaintSensorSettingsPanel(*this, renderer0_);
    settings_drawn = true;
  }
  {
    // The changed columns are read once, together with the plot they belong to.
    std::lock_guard lock(view.ViewLock);
    first_changed = view.Sweep.FirstRedrawColumn;
    last_changed = view.Sweep.LastRedrawColumn;
    plot = view.PlotRect;
  }
  platform::WindowRect clip = context.clip;
  // The differences stand outside the view, which is what most redraws ask for: a panel whose
  // rows have changed asks for its own paint, as the host shows only what was asked.
  if (!recording) {
    const PixelRect& panel = view.DifferencePanelRect;
    const platform::WindowRect area{panel.Left, panel.Top, panel.Right, panel.Bottom};
    const std::uint64_t now = PixelHash(buffer0, area);
    if (now != DifferencePanelShown) {
      DifferencePanelShown = now;
      const platform::WindowRect shown = context.clip.Intersect(area);
      const bool whole = shown.left == area.left && shown.top == area.top && shown.right == area.right &&
                         shown.bottom == area.bottom;
      if (!area.IsEmpty() && !whole) InvalidateLocal(panel);
    }
  }
  if (!recording) {
    DrawOptionsPanel(clip);
    Copy(context.target, buffer0, clip);
    for (const platform::WindowRect& area : marker_reach) {
      if (area.IsEmpty()) continue;
      Copy(context.target, buffer0, area);
      // The controls standing in the area paint again over the copy, and it is shown with the rest.
      Window().PaintedBeyondClip(area);
    }
    return;
  }
  DrawOptionsPanel(clip);
  // The markers and their rows of the review before go from the window with the recording's first paint.
  for (const platform::WindowRect& area : marker_reach) {
    if (area.IsEmpty()) continue;
    Copy(context.target, buffer0, area);
    Window().PaintedBeyondClip(area);
  }
  if (FullRepaint != 0) {
    Copy(context.target, buffer0, ClientRect.IsEmpty() ? clip : ClientRect);
    return;
  }
  // A sweep paints a stripe of new columns; only that stripe goes to the window.
  const platform::WindowRect plot_rect{plot.Left, plot.Top, plot.Right, plot.Bottom};
  const platform::WindowRect view_rect{view.ViewRect.Left, view.ViewRect.Top, view.ViewRect.Right, view.ViewRect.Bottom};
  const bool more_than_sweep = settings_drawn || !OptionsPanelDrawn.IsEmpty() || view.Painting.ViewRepainted != 0 ||
                               std::any_of(marker_reach.begin(), marker_reach.end(), [](const platform::WindowRect& r) { return !r.IsEmpty(); }) ||
                               context.areas == nullptr;
  if (more_than_sweep) {
    // More than the sweep's stripe was drawn: the window gets all that was invalidated.
    Copy(context.target, buffer0, clip);
    return;
  }
  std::vector<platform::WindowRect> changed{SweepStripe(first_changed, last_changed, plot),
                                            DrawnColumns(view).Intersect(plot_rect)};
  // The value indicators beside the curves go with it, as far as this paint changed them (and the
  // few pixels their frames may reach beyond).
  for (const IndicatorBox& box : view.Painting.Indicators) {
    const PixelRect& r = box.Changed;
    if (r.Right <= r.Left || r.Bottom <= r.Top) continue;
    changed.push_back(platform::WindowRect{r.Left - 2, r.Top - 2, r.Right + 2, r.Bottom + 2}.Intersect(view_rect));
  }
  // What else was invalidated (a control that went, a strip) is copied as asked; the view's own
  // invalidation, the tick's, is the stripe and the indicators.
  for (const platform::WindowRect& area : *context.areas) {
    if (area != view_rect) changed.push_back(area);
  }
  MergeOverlaps(changed);
  for (const platform::WindowRect& area : changed) Copy(context.target, buffer0, area);
  // Only these areas of the window changed: the rest of the view need not be shown again.
  Window().PaintedOnly(std::move(changed));
}
