// Proportional layout of the measurement screen: the bottom bar, the top bar and the scale sliders.
#pragma once

#include <cstdint>
#include <vector>

#include "app/screen_metrics.h"
#include "platform/window_geometry.h"

class MainWindow;

struct Placement {
  std::int32_t Id;
  platform::WindowRect Rect;
};

// The controls the measurement screen places, for the display mode (1 to 4 add the bottom bar's
// recording row, view buttons and channel-slot columns to the window buttons and the top bar).
// `graph_bottom` is the bottom edge of the graph view's rectangle.
std::vector<Placement> MeasureScreenPlacements(const ScreenMetrics& m, const platform::WindowRect& client,
                                               std::int32_t graph_bottom, std::uint8_t display_mode,
                                               bool sensor_menu);

// The two scale sliders as an L in the plot's bottom-left corner, 5 pixels in: the vertical one
// (size `vertical`) stands on the horizontal one, which begins at the vertical one's right edge.
struct SliderPlaces {
  platform::WindowRect Vertical;
  platform::WindowRect Horizontal;
};
SliderPlaces ScaleSliderPlaces(const platform::WindowRect& vertical, const platform::WindowRect& horizontal,
                               std::int32_t plot_left, std::int32_t plot_bottom);

// Stores the client bounds and, on the measurement screen with a ready graph view, moves the controls.
void LayoutControls(MainWindow& window);
// Moves the scale sliders against the graph view's plot; nothing while they do not exist.
void LayoutScaleSliders(MainWindow& window);
