// The channel settings panel's items applied to the selected channel and the view, and the filters' help texts.
#pragma once

#include <cstdint>
#include <string_view>

class GraphView;

// What the settings panel holds for its channel. The command reads it, and sets the drawing
// choice back when smoothing is switched on.
struct FilterPanelState {
  std::uint8_t Channel = 0;
  std::int32_t HelpShown = 0;  // 0 none, 1 median, 2 averaging, 3 smoothing
  bool MedianOn = false;
  std::int32_t MedianWindow = 0;
  bool AveragingOn = false;
  std::int32_t AveragingWindow = 0;
  bool MainsOn = false;
  bool VolumeOn = false;
  bool SmoothingOn = false;
  std::uint8_t CurveChoice = 0;    // 0 "x^2": root of the mean square; 1 "x": plain mean
  std::uint8_t DrawingChoice = 0;  // 0 line, 1 spline
};

// The main window as the command reaches it.
class FilterPanelWindow {
 public:
  virtual ~FilterPanelWindow() = default;
  virtual float UiScale() const = 0;
  virtual bool EnglishUi() const = 0;
  // Places and shows the hint box; '#' separates its lines.
  virtual void ShowHint(std::string_view text, float textScale, std::uint8_t style) = 0;
  // The sampling-rate control shows this rate.
  virtual void ShowRate(float kiloHertz) = 0;
  // The view's area is painted again; with `markers`, the markers too.
  virtual void RedrawView(bool markers) = 0;
  // The channel's two panel buttons and the panel's rectangle are painted again.
  virtual void RedrawChannelPanel(std::uint8_t channel) = 0;
  // Hides the settings panel and releases the channel's toggle button.
  virtual void CloseChannelPanel(std::uint8_t channel) = 0;
};

// Item 3 median, 4 averaging, 5 smoothing; any other item shows nothing.
void ShowFilterHelp(FilterPanelWindow& window, int item);

// Applies panel item `code` (the panel's action code) to the selected channel. Window thread; the
// channel's fields change under the view lock, since the device worker's tick reads them.
void OnFilterPanelCommand(GraphView& view, FilterPanelWindow& window, std::uint8_t code, FilterPanelState& panel);
