// Proportional layout of the measurement screen: the bottom bar, the top bar and the scale sliders.
#include "layout/measure_layout.h"

#include "app/main_window.h"
#include "layout/main_controls.h"

using platform::WindowRect;

namespace {

int T(double v) { return static_cast<int>(v); }

// The bottom bar's three groups from the left, each after the one before: the recording row, the
// two rows of view buttons and the four channel-slot columns.
void PlaceBottomBar(std::vector<Placement>& out, const ScreenMetrics& m, const WindowRect& client, int gb) {
  const double sx = m.ScaleX, sy = m.ScaleY, u = m.UiScale;
  const auto X = [sx](double n) { return T(n * sx); };
  const int u75 = T(75 * u);

  const int row_y = T(gb + 35 * sy);
  int x = T(12 * sx + client.left);
  for (const auto& [id, design] : {std::pair{75037, 65.0}, {75004, 150.0}, {74999, 85.0}}) {
    const double width = design * sx - 2 * u;
    out.push_back({id, WindowRect::FromSize(x, row_y, T(width), u75)});
    x = T(x + width);
  }
  const int row_right = out.back().Rect.right;

  const int x0 = row_right + X(10);
  const int y1 = T(gb + 30 * sy);
  const int y2 = T(56 * u + y1);
  const int xa = T(117 * sx + x0);
  const int xb = T(87 * sx + xa);
  const int h = T(55 * u);
  out.push_back({75013, WindowRect::FromSize(x0, y1, X(115), h)});
  out.push_back({75045, WindowRect::FromSize(xa, y1, X(85), h)});
  out.push_back({75046, WindowRect::FromSize(xb, y1, X(85), h)});
  out.push_back({75052, WindowRect::FromSize(x0, y2, X(115), h)});
  out.push_back({75014, WindowRect::FromSize(xa, y2, X(85), h)});
  out.push_back({75053, WindowRect::FromSize(xb, y2, X(85), h)});

  const int w = X(75);
  const int xc = xb + X(85) + X(10);
  // The lower row starts where the upper one ends before truncation.
  const int lower_y = T(y1 + 0.9 * u75);
  for (int k = 0; k < 4; ++k) {
    out.push_back({75038 + k, WindowRect::FromSize(xc + k * w, y1, w, T(0.9 * u75))});
    out.push_back({75181 + k, WindowRect::FromSize(xc + k * w, lower_y, w, T(0.6 * u75))});
  }
}

}  // namespace

std::vector<Placement> MeasureScreenPlacements(const ScreenMetrics& m, const WindowRect& client,
                                               std::int32_t graph_bottom, std::uint8_t display_mode,
                                               bool sensor_menu) {
  std::vector<Placement> out;
  // The other screens (1, 2 and 4) show parts of the same bottom bar, on hover or for recording.
  if (display_mode >= 1 && display_mode <= 4) PlaceBottomBar(out, m, client, graph_bottom);
  const int width = client.Width();
  const int W = m.ToolbarButtonWidth, H = m.ToolbarButtonHeight;
  const int button = T(40 * m.ScaleX);
  out.push_back({75016, WindowRect::FromSize(T(width - 42 * m.ScaleX), 0, button, H)});
  const int minimise_left = T(width - 84 * m.ScaleX);
  out.push_back({75054, WindowRect::FromSize(minimise_left, 0, button, H)});
  const int bar[] = {75050, 75010, 75011, 75012, 75049};
  for (int k = 0; k < (sensor_menu ? 5 : 4); ++k) out.push_back({bar[k], WindowRect::FromSize(k * W, 0, W, H)});
  out.push_back({75186, WindowRect::FromSize(T(minimise_left - 24 * m.ScaleX - W), 0, W, H)});
  return out;
}

SliderPlaces ScaleSliderPlaces(const WindowRect& vertical, const WindowRect& horizontal, std::int32_t plot_left,
                               std::int32_t plot_bottom) {
  const int a_h = horizontal.Height(), b_w = vertical.Width(), b_h = vertical.Height();
  return {WindowRect::FromSize(plot_left + 5, plot_bottom - b_h - a_h - 5, b_w, b_h),
          WindowRect::FromSize(plot_left + b_w + 5, plot_bottom - a_h - 5, horizontal.Width(), a_h)};
}

void LayoutControls(MainWindow& window) {
  MainControls& c = window.Controls;
  const WindowRect client = window.Window().ClientRect();
  c.ClientBounds = {client.left, client.top, client.Width(), client.Height()};
  if (client.Width() == 0 || window.Bytes.MeasureScreenActive.load() == 0 || !window.View || window.View->Ready == 0) {
    return;
  }
  const GraphView& view = *window.View;
  // Off the graph screen the bar stands below the main window's graph rectangle, whatever the view covers.
  const std::int32_t graph_bottom =
      view.DisplayMode == 3 ? view.ViewRect.Bottom : window.Metrics.ScreenHeight - window.Metrics.BottomBarHeight;
  for (const Placement& p : MeasureScreenPlacements(window.Metrics, client, graph_bottom, view.DisplayMode,
                                                    c.SensorMenuEnabled != 0)) {
    if (ControlFrame* control = FindMainControl(window.Window(), p.Id)) control->Move(p.Rect);
  }
  LayoutScaleSliders(window);
}

void LayoutScaleSliders(MainWindow& window) {
  ControlFrame* horizontal = FindMainControl(window.Window(), 75001);
  ControlFrame* vertical = FindMainControl(window.Window(), 75003);
  if (horizontal == nullptr || vertical == nullptr || !window.View) return;
  const PixelRect& plot = window.View->PlotRect;
  const SliderPlaces places = ScaleSliderPlaces(vertical->Rect(), horizontal->Rect(), plot.Left, plot.Bottom);
  vertical->Move(places.Vertical);
  horizontal->Move(places.Horizontal);
  vertical->Invalidate();
  horizontal->Invalidate();
}

void MainWindow::LayoutPanels() { LayoutScaleSliders(*this); }
