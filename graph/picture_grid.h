// The pictured computer's screen: its quadrilateral in perspective and the grid of column and row lines the mini-graph is drawn on.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// One grid line: start at the top (column) or left (row) edge, end at the opposite edge.
struct PictureGridLine {
  // y = a x + b; kept for readers of the slope form, unused where the line is vertical.
  float A = 0.0f;
  float B = 0.0f;
  std::int32_t Columns = 0;
  std::int32_t Rows = 0;
  float StartX = 0.0f, StartY = 0.0f, EndX = 0.0f, EndY = 0.0f;
  // (end - start) / Columns in x and (end - start) / Rows in y.
  float StepX = 0.0f, StepY = 0.0f;
  // A marked line yields the point (0, 0).
  std::int32_t Unusable = 0;
};

struct GridPoint {
  double x = 0.0, y = 0.0;
};

class PictureGrid {
 public:
  // Corners top-left, top-right, bottom-right, bottom-left as x, y pairs, in the computer bitmap's pixels.
  static constexpr std::array<double, 8> kDefaultQuad = {393, 24, 601, 32, 592, 163, 386, 147};

  void SetDefaultPcScreenQuad() { Quad = kDefaultQuad; }
  // Corners = defaults / scale + offset, then edges, steps and both line arrays. A scale that is
  // not positive, or a grid of fewer than one column or row, leaves no grid.
  void BuildPcScreenGrid(float scale, std::int32_t offset_x, std::int32_t offset_y);
  bool Built() const { return Columns >= 1 && Rows >= 1 && !ColumnLines.empty() && !RowLines.empty(); }

  // The point at fraction f along column record `index` (0-based), or along row record `index`;
  // none for an index outside the grid.
  std::optional<GridPoint> ColumnPoint(std::int32_t index, double f) const;
  std::optional<GridPoint> RowPoint(std::int32_t index, double f) const;

  std::array<double, 8> Quad = kDefaultQuad;
  std::int32_t Columns = 0;
  std::int32_t Rows = 0;
  // |x1 - x0| / C, |y1 - y2| / R, |x2 - x3| / C, |y3 - y0| / R.
  std::array<double, 4> StepLengths{};
  std::vector<PictureGridLine> ColumnLines;
  std::vector<PictureGridLine> RowLines;
};
