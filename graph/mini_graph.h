// What the graph view hands the pictured computer's mini-graph: its area and grid lines in rows of the picture grid.
#pragma once

#include <array>
#include <cstdint>
#include <utility>

struct MiniGraphState {
  static constexpr std::size_t kMaxGridLines = 32;

  // The view plots into the picture (small-graph flag) and the screen is to be redrawn whole.
  std::uint8_t SmallGraph = 0;
  std::uint8_t Refresh = 0;
  // The channel set of the small graph was set up once in this run of the page.
  std::uint8_t SetUp = 0;
  // Horizontal grid lines: row k is Positions[k] + PositionBase.
  std::uint8_t GridLineCount = 0;
  std::array<std::int32_t, kMaxGridLines> Positions{};
  std::int32_t PositionBase = 0;
  // The graph area: the row of value 0 and the rows the curves stay within.
  std::int32_t Base = 0;
  std::int32_t Low = 0;
  std::int32_t High = 0;
  // Column line that column 1 of the channels lands on.
  std::int32_t FirstColumnLine = 0;
  // Columns already plotted since the last full redraw.
  std::uint16_t PlottedFirst = 0;
  std::uint16_t PlottedLast = 0;
};

// A column's extremes in plot units (value / value per pixel), maximum first.
struct MiniColumn {
  std::int32_t Max = 0;
  std::int32_t Min = 0;
};

// The rows from the picture's top of a column's segment, joined to the previous column when there
// is one, kept within the graph area and at least 3 rows long.
std::pair<std::int32_t, std::int32_t> MiniColumnRows(const MiniGraphState& area, MiniColumn column,
                                                     const MiniColumn* previous);
