// Graph view markers: counting and clearing them, restoring the areas they covered, drawing them with their captions.
#include <algorithm>

#include "channels/main_window_services.h"
#include "graph/graph_view.h"

std::uint32_t GraphView::CountMarkedPoints() const {
  const std::size_t used = std::min<std::size_t>(MarkerCount, Markers.size());
  return static_cast<std::uint32_t>(
      std::count_if(Markers.begin(), Markers.begin() + used, [](const MarkerRecord& m) { return m.Set != 0; }));
}

void GraphView::ClearMarkedPoints() {
  const std::size_t used = std::min<std::size_t>(MarkerCount, Markers.size());
  for (std::size_t i = 0; i < used; ++i) {
    Markers[i].Set = 0;
    Markers[i].Dragging = 0;
    MarkerState[i] = 0;
  }
}
