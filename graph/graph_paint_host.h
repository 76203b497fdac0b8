// What the graph painting takes from the main window: its two back buffers, its renderer, the
// bitmaps behind the side panels and the rectangles the panels go round.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "channels/pixel_types.h"

namespace platform {
class Surface;
}
class agg_ren;

class GraphPaintHost {
 public:
  virtual ~GraphPaintHost() = default;
  // The first back buffer holds the picture; the second keeps copies of parts of it.
  virtual platform::Surface& Picture() = 0;
  virtual platform::Surface& Copies() = 0;
  // The main window's renderer, attached to the picture.
  virtual agg_ren& Renderer() = 0;
  // The strips stretched behind the side panels: 2 x 28 pixels for the panel column, 2 x 147 for
  // the area below the graph; null while the window has none.
  virtual const platform::Surface* PanelColumnStrip() = 0;
  virtual const platform::Surface* BelowGraphStrip() = 0;
  // The panel column beside the graph and the area below it, in window pixels.
  virtual PixelRect PanelColumn() const = 0;
  virtual PixelRect BelowGraph() const = 0;
  // The control groups that the panels of the control layout go round: sensor control, view
  // record, channels, difference values.
  virtual std::array<PixelRect, 4> ControlGroups() const = 0;

  // A side panel's caption from the string table (ids 165 to 168) in the interface language.
  virtual std::string_view PanelCaption(int id) const = 0;

  // Set by the window when its renderer's text font is to be built again before the caption.
  std::uint8_t FontResetPending = 0;
};
