// The graph view on the pictured computer's screen: the hand-over into picture-grid rows and the curves of the live channels.
#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

#include "graph/graph_view.h"
#include "graph/picture_grid.h"
#include "render/agg_ren.h"

namespace {

// The plot inside the grid: the axes stand at a tenth from the left and the bottom.
constexpr double kPlotStart = 0.1;
constexpr double kPlotEnd = 0.9;

}  // namespace

std::pair<std::int32_t, std::int32_t> MiniColumnRows(const MiniGraphState& m, MiniColumn column,
                                                     const MiniColumn* previous) {
  std::int32_t p = column.Max, q = column.Min;
  // Join to the previous column, so the curve has no gaps.
  if (previous != nullptr) {
    if (p >= previous->Min && q > previous->Max) {
      q = previous->Max + 1;
    } else if (p < previous->Min) {
      p = previous->Min - 1;
    }
  }
  std::int32_t h1 = m.Base - p, h2 = m.Base - q;
  if (h1 < m.Low) {
    h1 = m.Low;
    h2 = std::clamp(h2, m.Low, std::max(m.Low, m.High));
  } else if (h1 > m.High) {
    h1 = h2 = m.High;
  } else {
    h2 = h2 > m.High ? m.High : h2 + 1;
  }
  if (std::abs(h1 - h2) < 3) (h1 <= h2 ? h1 : h2) = std::max(h1, h2) - 3;
  return {h1, h2};
}

void GraphView::HandOverMiniGraph(const PictureGrid& grid) {
  MiniGraphState& m = MiniGraph;
  if (!grid.Built()) return;
  const std::int32_t first_line = static_cast<std::int32_t>(kPlotStart * grid.Columns);
  const std::int32_t last_line = static_cast<std::int32_t>(kPlotEnd * grid.Columns);
  m.Low = static_cast<std::int32_t>(kPlotStart * grid.Rows);
  m.High = static_cast<std::int32_t>(kPlotEnd * grid.Rows);
  m.FirstColumnLine = first_line;
  // The view's pixels become grid rows and columns: one column per column line of the plot.
  const PixelRect plot{0, 0, std::max(1, last_line - first_line), std::max(1, m.High - m.Low)};
  SetViewRect(plot, 0);
  // The small graph has no caption or label strips: its plot is the whole rectangle.
  PlotWidth = static_cast<std::uint16_t>(std::min(plot.Width(), 65535));
  PlotHeight = static_cast<std::uint16_t>(std::min(plot.Height(), 65535));
  PlotRect = plot;
  ValueOriginPixel = plot.Top;
  TimeOriginPixel = plot.Left;
  const auto seconds = static_cast<float>(Scale.SecondsPerDivision);
  const auto value = static_cast<float>(Scale.ValuePerDivision);
  Scale.SecondsPerDivision = 0.0;
  Scale.ValuePerDivision = 0.0;
  SetScales(seconds, value, 1);
  const double per_row = Scale.ValuePerPixel != 0.0 ? Scale.ValuePerPixel : 1.0;
  m.Base = m.Low + static_cast<std::int32_t>(Scale.TopValue / per_row);
  const std::uint8_t divisions = std::max<std::uint8_t>(ValueDivisions, 1);
  m.GridLineCount = static_cast<std::uint8_t>(std::min<std::size_t>(divisions + 1u, MiniGraphState::kMaxGridLines));
  m.PositionBase = m.Low;
  for (std::uint8_t k = 0; k < m.GridLineCount; ++k) m.Positions[k] = k * (m.High - m.Low) / divisions;
  m.PlottedFirst = m.PlottedLast = 0;
}

void GraphView::PlotDeviceChannelCurves(agg_ren& renderer, const PictureGrid& grid, std::uint16_t first,
                                        std::uint16_t last) {
  if (first == 0) first = 1;
  if (last < first || !grid.Built()) return;
  const MiniGraphState& m = MiniGraph;
  const double rows = grid.Rows;
  std::vector<MiniColumn> pairs;
  for (std::size_t index = 0; index < kLiveChannels; ++index) {
    Rgba colour;
    pairs.clear();
    {
      // The tick writes the records on the device worker; take them as one consistent batch.
      std::lock_guard<std::mutex> lock(ViewLock);
      const VessamorChannel& channel = *Channels[index];
      if (channel.Enabled == 0 || channel.Shown == 0 || channel.Columns == nullptr || channel.ColumnCapacity == 0) {
        continue;
      }
      colour = channel.Colour;
      const std::uint32_t end = std::min<std::uint32_t>(last, channel.ColumnCapacity - 1);
      for (std::uint32_t c = first - 1u; c <= end; ++c) {
        pairs.push_back({channel.Columns[c].MaxPixel, channel.Columns[c].MinPixel});
      }
    }
    const rgba8 ink(colour.R, colour.G, colour.B, colour.A);
    for (std::size_t k = 1; k < pairs.size(); ++k) {
      const std::uint32_t c = first + static_cast<std::uint32_t>(k) - 1u;
      const auto [h1, h2] = MiniColumnRows(m, pairs[k], c >= 2 ? &pairs[k - 1] : nullptr);
      const std::int32_t line = m.FirstColumnLine + static_cast<std::int32_t>(c) - 1;
      const auto a = grid.ColumnPoint(line, h1 / rows);
      const auto b = grid.ColumnPoint(line, h2 / rows);
      if (!a || !b) continue;
      renderer.DrawLineRgba({a->x, a->y, b->x, b->y}, ink, 1.5f);
    }
    if (renderer.Solid() != nullptr) {
      renderer.Solid()->color(ink);
      renderer.RenderScanlines();
    }
    renderer.Rasterizer().reset();
  }
}
