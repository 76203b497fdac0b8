// The pictured computer's grid and the mini-graph's columns: grid size, edges, points, clamping and joins, plotted range.
#include <gtest/gtest.h>

#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"
#include "graph/picture_grid.h"
#include "render/agg_ren.h"

namespace {

TEST(PictureGrid, SizeAtScaleOneAndEdgesThroughTheCorners) {
  PictureGrid grid;
  grid.BuildPcScreenGrid(1.0f, 0, 0);
  ASSERT_TRUE(grid.Built());
  EXPECT_EQ(grid.Columns, 312);
  EXPECT_EQ(grid.Rows, 172);
  const auto& q = PictureGrid::kDefaultQuad;
  const std::int32_t last_column = grid.Columns - 1, last_row = grid.Rows - 1;
  // The last column line runs down the right edge, the last row line along the bottom edge.
  const std::optional<GridPoint> ends[] = {grid.ColumnPoint(last_column, 0.0), grid.ColumnPoint(last_column, 1.0),
                                           grid.RowPoint(last_row, 0.0), grid.RowPoint(last_row, 1.0)};
  const std::size_t corners[] = {1, 2, 3, 2};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(ends[i]->x, q[2 * corners[i]], 1e-3) << i;
    EXPECT_NEAR(ends[i]->y, q[2 * corners[i] + 1], 1e-3) << i;
  }
}

TEST(PictureGrid, PointsFollowTheLineAndNothingOutsideTheGrid) {
  PictureGrid grid;
  for (float scale : {500.0f, 0.0f, -1.0f}) {
    grid.BuildPcScreenGrid(scale, 0, 0);
    EXPECT_FALSE(grid.Built()) << scale;
    EXPECT_FALSE(grid.ColumnPoint(0, 0.5).has_value());
  }
  grid.BuildPcScreenGrid(1.0f, 0, 0);
  for (std::int32_t index : {-1, grid.Columns}) EXPECT_FALSE(grid.ColumnPoint(index, 0.5).has_value());
  EXPECT_FALSE(grid.RowPoint(grid.Rows, 0.5).has_value());
  // Wherever the slope form is defined the point lies on it.
  const PictureGridLine& l = grid.ColumnLines[40];
  const auto p = grid.ColumnPoint(40, 0.3);
  EXPECT_NEAR(p->x, (p->y - l.B) / l.A, 0.05);
  // A vertical line, which has no slope, keeps its x.
  grid.ColumnLines[0].EndX = grid.ColumnLines[0].StartX;
  EXPECT_FLOAT_EQ(static_cast<float>(grid.ColumnPoint(0, 0.7)->x), grid.ColumnLines[0].StartX);
}

TEST(MiniGraph, ColumnRowsClampJoinAndKeepThreeRows) {
  MiniGraphState area;
  area.Base = 100, area.Low = 20, area.High = 150;
  const MiniColumn flat{40, 40};
  struct Case { MiniColumn column; bool joined; MiniColumn previous; std::int32_t h1, h2; };
  const Case cases[] = {
      {flat, true, flat, 58, 61},             // equal values: a 3-row segment
      {{70, 10}, false, {}, 30, 91},          // inside: the lower end one row further
      {{200, 10}, false, {}, 20, 90},         // above the area: the top row
      {{-80, -90}, false, {}, 147, 150},      // below it: the bottom row, 3 rows kept
      {{50, 45}, true, {30, 20}, 50, 70},     // rising: joined down to the previous maximum
      {{10, 5}, true, {30, 20}, 81, 96},      // falling: joined up to the previous minimum
  };
  for (const Case& c : cases) {
    const auto [h1, h2] = MiniColumnRows(area, c.column, c.joined ? &c.previous : nullptr);
    EXPECT_EQ(h1, c.h1) << c.column.Max << "," << c.column.Min;
    EXPECT_EQ(h2, c.h2) << c.column.Max << "," << c.column.Min;
  }
}

TEST(MiniGraph, PlotsTheGivenColumnsOfShownChannelsOnly) {
  FakeMainWindow window;
  GraphView view;
  ASSERT_TRUE(view.Init(100000, PixelRect{0, 0, 1000, 800}, 0, &window));
  PictureGrid grid;
  grid.BuildPcScreenGrid(1.0f, 0, 0);
  view.HandOverMiniGraph(grid);
  VessamorChannel& channel = view.Channel(0);
  channel.Enabled = channel.Shown = 1;
  for (std::uint32_t c = 0; c < 40; ++c) channel.Columns[c] = {0, 0, static_cast<std::int32_t>(c * 3), 0, 1, 0, 0.0};
  const auto plot = [&](std::uint16_t first, std::uint16_t last) {
    platform::Surface surface(640, 240);
    agg_ren r;
    r.Attach(surface);
    view.PlotDeviceChannelCurves(r, grid, first, last);
    return std::vector<std::uint8_t>(surface.Pixels(), surface.Pixels() + surface.Stride() * surface.Height());
  };
  const std::vector<std::uint8_t> blank(640u * 240u * 4u, 0);
  EXPECT_EQ(plot(0, 5), plot(1, 5));
  EXPECT_NE(plot(1, 5), blank);
  EXPECT_EQ(plot(6, 5), blank);
  channel.Shown = 0;
  EXPECT_EQ(plot(1, 5), blank);
  // Columns beyond the grid's lines are passed over.
  channel.Shown = 1;
  view.MiniGraph.FirstColumnLine = grid.Columns + 10;
  EXPECT_EQ(plot(1, 5), blank);
}

}  // namespace
