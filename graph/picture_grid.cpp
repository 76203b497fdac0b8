// The pictured computer's screen grid: built by interpolating along the four edges of the quadrilateral.
#include "graph/picture_grid.h"

#include <cmath>

namespace {

// The x on the segment at a given y, and the y at a given x; the line is followed from its start,
// so a vertical segment (no slope) gives its own x and a horizontal one its own y.
double XAtY(double x0, double y0, double x1, double y1, double y) {
  return y1 == y0 ? x0 : x0 + (y - y0) * (x1 - x0) / (y1 - y0);
}
double YAtX(double x0, double y0, double x1, double y1, double x) {
  return x1 == x0 ? y0 : y0 + (x - x0) * (y1 - y0) / (x1 - x0);
}

PictureGridLine MakeLine(double sx, double sy, double ex, double ey, std::int32_t columns, std::int32_t rows) {
  PictureGridLine line;
  if (ex != sx) {
    line.A = static_cast<float>((ey - sy) / (ex - sx));
    line.B = static_cast<float>(sy - line.A * sx);
  }
  line.Columns = columns;
  line.Rows = rows;
  line.StartX = static_cast<float>(sx);
  line.StartY = static_cast<float>(sy);
  line.EndX = static_cast<float>(ex);
  line.EndY = static_cast<float>(ey);
  line.StepX = static_cast<float>((ex - sx) / columns);
  line.StepY = static_cast<float>((ey - sy) / rows);
  return line;
}

}  // namespace

void PictureGrid::BuildPcScreenGrid(float scale, std::int32_t offset_x, std::int32_t offset_y) {
  ColumnLines.clear();
  RowLines.clear();
  Columns = 0;
  Rows = 0;
  SetDefaultPcScreenQuad();
  if (!(scale > 0.0f)) return;
  for (std::size_t i = 0; i < Quad.size(); ++i) {
    Quad[i] = Quad[i] / scale + (i % 2 == 0 ? offset_x : offset_y);
  }
  const auto [x0, y0, x1, y1, x2, y2, x3, y3] = Quad;
  Columns = static_cast<std::int32_t>(1.5 * (x1 - x0));
  Rows = static_cast<std::int32_t>(1.5 * (y3 - y1));
  if (Columns < 1 || Rows < 1) {
    Columns = Rows = 0;
    return;
  }
  StepLengths = {std::abs(x1 - x0) / Columns, std::abs(y1 - y2) / Rows, std::abs(x2 - x3) / Columns,
                 std::abs(y3 - y0) / Rows};
  ColumnLines.reserve(static_cast<std::size_t>(Columns));
  for (std::int32_t i = 1; i <= Columns; ++i) {
    const double tx = x0 + i * StepLengths[0];
    const double bx = x3 + i * StepLengths[2];
    ColumnLines.push_back(MakeLine(tx, YAtX(x0, y0, x1, y1, tx), bx, YAtX(x3, y3, x2, y2, bx), Columns, Rows));
  }
  RowLines.reserve(static_cast<std::size_t>(Rows));
  for (std::int32_t j = 1; j <= Rows; ++j) {
    const double ly = y0 + j * StepLengths[3];
    const double ry = y1 + j * StepLengths[1];
    RowLines.push_back(MakeLine(XAtY(x3, y3, x0, y0, ly), ly, XAtY(x1, y1, x2, y2, ry), ry, Columns, Rows));
  }
}

std::optional<GridPoint> PictureGrid::ColumnPoint(std::int32_t index, double f) const {
  if (index < 0 || index >= static_cast<std::int32_t>(ColumnLines.size())) return std::nullopt;
  const PictureGridLine& l = ColumnLines[static_cast<std::size_t>(index)];
  if (l.Unusable != 0) return GridPoint{};
  const double y = l.StartY + f * l.Rows * l.StepY;
  return GridPoint{XAtY(l.StartX, l.StartY, l.EndX, l.EndY, y), y};
}

std::optional<GridPoint> PictureGrid::RowPoint(std::int32_t index, double f) const {
  if (index < 0 || index >= static_cast<std::int32_t>(RowLines.size())) return std::nullopt;
  const PictureGridLine& l = RowLines[static_cast<std::size_t>(index)];
  if (l.Unusable != 0) return GridPoint{};
  const double x = l.StartX + f * l.Columns * l.StepX;
  return GridPoint{x, YAtX(l.StartX, l.StartY, l.EndX, l.EndY, x)};
}
