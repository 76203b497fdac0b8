// The settings panel's filter items: channel options, rate, rebuild of the shown columns, help texts.
#include "channels/filter_panel_command.h"

#include <algorithm>
#include <limits>
#include <mutex>
#include <type_traits>

#include "graph/graph_view.h"

namespace {

constexpr std::uint8_t kHintStyle = 51;
constexpr std::uint32_t kMainsFilterRate = 1000;

std::uint16_t Window(std::int32_t v) {
  return static_cast<std::uint16_t>(std::clamp<std::int32_t>(v, 0, std::numeric_limits<std::uint16_t>::max()));
}

// The shown columns again, once the filter state is new; the caller holds the view lock.
void Rebuild(GraphView& view) {
  view.RedrawRequested = 1;
  // A long rebuild of a record under review follows from the window's timer, the box shown first.
  if (view.DeferLongRebuild()) return;
  view.RebuildColumnTable(view.FirstShownColumn, view.LastShownColumn);
}

bool AnyMarkerSet(const GraphView& view) {
  return std::any_of(view.Markers.begin(), view.Markers.end(), [](const MarkerRecord& m) { return m.Set != 0; });
}

}  // namespace

void ShowFilterHelp(FilterPanelWindow& window, int item) {
  std::string_view text;
  switch (item) {
    case 3:
      text = window.EnglishUi()
                 ? "Median filter  - # it is used for processing of the signals# subject to impulse noise."
                 : "Фильтр медианный -  # используется для обработки сигналов, # подверженных воздействию импульсных# помех.";
      break;
    case 4:
      text = window.EnglishUi()
                 ? "Average filter  - # it is used for smoothing of the signals# subject to influence of hindrances."
                 : "Фильтр усредняющий  - # используется для сглаживания сигналов, # подверженных воздействию помех.";
      break;
    case 5:
      text = window.EnglishUi() ? "Smoothing  - # it is used for smoothing the lines# between the samples."
                                : "Сглаживание -  # используется для сглаживания линий # между отсчетами.";
      break;
    default:
      return;
  }
  window.ShowHint(text, 0.9f * window.UiScale(), kHintStyle);
}

void OnFilterPanelCommand(GraphView& view, FilterPanelWindow& window, std::uint8_t code, FilterPanelState& panel) {
  if (panel.Channel >= GraphView::kLiveChannels) return;
  const std::uint8_t ch = panel.Channel;
  // Each item's help belongs to its own help button.
  const auto helpFor = [&](std::int32_t help, int item) {
    if (panel.HelpShown != help) return false;
    ShowFilterHelp(window, item);
    return true;
  };

  switch (code) {
    case 0:
    case 1:
      window.RedrawChannelPanel(ch);
      return;
    case 101:
      window.CloseChannelPanel(ch);
      return;
    case 72:
      helpFor(3, 5);
      return;
    case 3:
      if (helpFor(1, 3)) return;
      break;
    case 4:
      if (helpFor(2, 4)) return;
      break;
    case 5:
      if (helpFor(3, 5)) return;
      break;
    case 6:
    case 7:
    case 30:
    case 71:
      break;
    default:
      return;
  }

  bool changed = false, redraw = false, markers = false;
  {
    std::lock_guard<std::mutex> lock(view.ViewLock);
    VessamorChannel& c = view.Channel(ch);
    const bool live = view.Recording.load(std::memory_order_acquire) != 0;
    const bool shown = live || view.RecordViewable != 0;
    const auto set = [&changed](auto& field, auto value) {
      using Field = std::remove_reference_t<decltype(field)>;
      if (field != static_cast<Field>(value)) changed = true;
      field = static_cast<Field>(value);
    };
    switch (code) {
      case 3:
        set(c.MedianOn, panel.MedianOn ? 1 : 0);
        set(c.MedianWindow, Window(panel.MedianWindow));
        c.ConfigureFilter();
        break;
      case 4: {
        std::uint16_t window_size = Window(panel.AveragingWindow);
        if (window_size % 2 != 0 && view.CentredSmoothingSwitch != 0 && window_size < 0xFFFF) ++window_size;
        set(c.SmoothingOn, panel.AveragingOn ? 1 : 0);
        set(c.SmoothingWindow, window_size);
        c.ConfigureFilter();
        break;
      }
      case 5:
        c.NotchOn = panel.MainsOn ? 1 : 0;
        if (c.NotchOn != 0 && view.RateSetting != kMainsFilterRate) {
          view.RateSetting = kMainsFilterRate;
          view.RateChosen = 1;
          window.ShowRate(kMainsFilterRate / 1000.0f);
        }
        c.ConfigureFilter();
        redraw = true;
        break;
      case 6:
        c.VolumeOn = panel.VolumeOn ? 1 : 0;
        redraw = true;
        break;
      case 7:
        set(c.CurveSmoothOn, panel.SmoothingOn ? 1 : 0);
        if (c.CurveSmoothOn != 0) {
          if (c.CurveMode == 0) c.CurveMode = 1;
          panel.DrawingChoice = c.CurveMode == 2 ? 1 : 0;
        }
        c.ConfigureFilter();
        break;
      case 30:
        set(c.RmsMode, panel.CurveChoice == 0 ? 1 : 0);
        break;
      case 71:
        set(c.CurveMode, panel.DrawingChoice == 0 ? 1 : 2);
        break;
      default:
        break;
    }
    if (changed && shown && code != 6) {
      Rebuild(view);
      redraw = true;
      markers = !live && AnyMarkerSet(view);
    }
  }
  if (redraw) window.RedrawView(markers);
}
