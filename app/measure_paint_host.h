// The main window as the graph painting's host: its back buffers, renderer and side-panel places.
#pragma once

#include <vector>

#include "app/main_window.h"
#include "graph/graph_paint_host.h"

class MeasurePaintHost final : public GraphPaintHost {
 public:
  explicit MeasurePaintHost(MainWindow& window) : window_(window) {}
  platform::Surface& Picture() override { return window_.BackBuffer(0); }
  platform::Surface& Copies() override { return window_.BackBuffer(3); }
  agg_ren& Renderer() override { return window_.Renderer0(); }
  const platform::Surface* PanelColumnStrip() override { return window_.Bitmap(50059); }
  const platform::Surface* BelowGraphStrip() override { return window_.Bitmap(50060); }
  // The band below the graph right of the control groups: the "Difference values" panel's place.
  PixelRect PanelColumn() const override;
  PixelRect BelowGraph() const override;
  // Sensor control (the recording row), view record (the six view buttons) and channels (the
  // channel-slot columns), each round its buttons with room for its caption above them; the
  // fourth is the panel column.
  std::array<PixelRect, 4> ControlGroups() const override;
  std::string_view PanelCaption(int id) const override;

 private:
  MainWindow& window_;
};

// The window columns a recording's paint copies: the changed columns from one before the first to
// the last, clamped to the plot, over its height; a wrap (last before first) copies the whole plot.
platform::WindowRect SweepStripe(std::uint16_t first_changed, std::uint16_t last_changed, const PixelRect& plot);

// Joins each two of the areas that overlap into their bounding box where that box is no larger than
// the two apart, so that no pixel is copied twice; empty areas go.
void MergeOverlaps(std::vector<platform::WindowRect>& areas);
