// The radioactivity rate captions: the last completed window's count in a panel at the curve's right end.
#include <agg_rasterizer_scanline_aa.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "channels/main_window_services.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"
#include "graph/scale_state.h"
#include "render/agg_ren.h"

namespace {

constexpr std::uint16_t kRadioactivityCode = 37;
constexpr float kPanelLineWidthAfter = 15.0f;
constexpr double kOutlinePrecision = 0.05;  // wide glyph contour: the black rim under each character
constexpr double kGlyphPrecision = 0.01;    // the surface's ordinary glyph contour, kept afterwards
constexpr std::uint8_t kPanelAlpha = 100;
// Far beyond any screen yet small enough for the rasterizer's 1/256-pixel integer coordinates.
constexpr double kPixelLimit = 1.0e6;
// A caption unit taller than any screen means a corrupt text scale.
constexpr double kMaxUnit = 1.0e4;

constexpr unsigned kCoverMask = agg::rasterizer_scanline_aa<>::aa_mask;

// The caption's changes to the surface, undone on every way out: the anti-alias gamma as found,
// the outline order as found, the panel width and the glyph contour at their ordinary values.
class CaptionSettings {
 public:
  explicit CaptionSettings(agg_ren& surface) : surface_(surface), outline_after_fill_(surface.style.outline_after_fill) {
    const auto& raster = surface.Rasterizer();
    for (unsigned i = 0; i < gamma_.size(); ++i) gamma_[i] = static_cast<std::uint8_t>(raster.apply_gamma(i));
  }
  ~CaptionSettings() {
    surface_.style.panel_line_width = kPanelLineWidthAfter;
    surface_.style.glyph_contour_factor = kGlyphPrecision;
    surface_.style.outline_after_fill = outline_after_fill_;
    // The panel switches the rasterizer to linear gamma; the table read back restores whatever was set.
    const auto& table = gamma_;
    surface_.Rasterizer().gamma([&table](double x) {
      const auto i = static_cast<std::size_t>(std::clamp(x, 0.0, 1.0) * kCoverMask + 0.5);
      return static_cast<double>(table[std::min(i, table.size() - 1)]) / kCoverMask;
    });
  }
  CaptionSettings(const CaptionSettings&) = delete;
  CaptionSettings& operator=(const CaptionSettings&) = delete;

 private:
  agg_ren& surface_;
  bool outline_after_fill_;
  std::array<std::uint8_t, kCoverMask + 1> gamma_{};
};

struct Point {
  double x = 0.0, y = 0.0;
};

// Where the curve ends on screen: the last shown column, in the middle of its extremes, held to the plot.
std::optional<Point> CurveEnd(const VessamorChannel& ch) {
  const GraphView& view = *ch.View;
  const std::uint32_t last = std::min({static_cast<std::uint32_t>(view.LastShownColumn), ch.ColumnCapacity - 1,
                                       static_cast<std::uint32_t>(view.PlotWidth)});
  if (last < 1) return std::nullopt;
  std::optional<double> base = ch.CurveBasePixel();
  if (base) base = std::clamp(*base, -kPixelLimit, kPixelLimit);
  if (!base) return std::nullopt;
  const PixelRect& plot = view.PlotRect;
  const double top = std::max(plot.Top, ch.Scale->TopPixel);
  const double bottom = static_cast<double>(std::min(plot.Bottom, ch.Scale->BottomPixel)) - 1.0;
  if (bottom < top || plot.Right <= plot.Left) return std::nullopt;
  const ColumnRecord& column = ch.Columns[last];
  const double middle = (static_cast<double>(column.MaxPixel) + column.MinPixel) / 2.0;
  const double x = static_cast<double>(view.TimeOriginPixel) - 1.0 + last;
  return Point{std::clamp(x, static_cast<double>(plot.Left), static_cast<double>(plot.Right) - 1.0),
               std::clamp(*base - middle, top, bottom)};
}

// Width of one character's cell: a decimal point takes half a unit.
double CellWidth(char c, double u) { return c == '.' ? u / 2.0 : u; }

}  // namespace

void GraphView::DrawRateLabels(agg_ren& surface) {
  for (const auto& channel : Channels) {
    if (channel == nullptr) continue;
    VessamorChannel& ch = *channel;
    if (ch.Shown == 0 || ch.Enabled == 0 || ch.SensorCode != kRadioactivityCode) continue;
    if (ch.RateMode == 0 || ch.SymbolCaption == 0) continue;
    if (RateRefresh != 0) ch.RateDetector.NewRate = 1;
    if (ch.RateDetector.NewRate != 0 && ch.RateDetector.HistoryCount > 0) ch.DrawRateCaption(surface);
  }
}

void VessamorChannel::DrawRateCaption(agg_ren& surface) {
  const RateDetectorState& d = RateDetector;
  // The entry before the current one is the last window that is complete.
  if (d.HistoryCount == 0 || d.HistoryCount > d.History.size()) return;
  if (View == nullptr || Scale == nullptr || Columns == nullptr || ColumnCapacity < 2 || !surface.Attached()) return;
  const std::optional<Point> end = CurveEnd(*this);
  if (!end) return;

  const double text_scale = AxisTextScale;
  const double u = surface.EngineHeight() * text_scale * 1.2;
  if (!std::isfinite(u) || u <= 0.0 || u > kMaxUnit) return;
  float ui_scale = MainWindow != nullptr ? MainWindow->UiScale() : 1.0f;
  // No screen is a hundred times the design size; the bound keeps the outline's pixels countable.
  if (!std::isfinite(ui_scale) || ui_scale <= 0.0f) ui_scale = 1.0f;
  ui_scale = std::min(ui_scale, 100.0f);

  const std::string text = std::to_string(d.Entry(d.HistoryCount - 1));
  // Cells run leftwards from 2u left of the curve's end: the last character first.
  double text_left = end->x - u;
  for (char c : text) text_left -= CellWidth(c, u);
  const double cell_top = end->y - u / 2.0;

  CaptionSettings restore(surface);
  surface.style.panel_line_width = 20.0f * ui_scale;
  // The outline joins the fill, so the whole panel is the channel's translucent colour.
  surface.style.outline_after_fill = false;
  const float w = surface.style.panel_line_width;
  // Half a unit of margin round the cells; the panel stops half a unit short of the curve's end.
  // Never thinner than the outline, or the inset panel would turn inside out and spill past it.
  const double width = std::max(end->x - text_left, static_cast<double>(w));
  const double height = std::max(u * 1.5, static_cast<double>(w));
  PanelRect panel{end->x - u / 2.0 - width, width, end->y - height / 2.0, height};
  const PanelStyle style{0, 0, 0, 1, 100};
  surface.DrawRoundedPanel(panel, style, 1.0f, w, rgba8(Colour.R, Colour.G, Colour.B, kPanelAlpha), 1.0f);

  const rgba8 black(0, 0, 0, 255);
  const rgba8 ink(Colour.R, Colour.G, Colour.B, Colour.A);
  double x = end->x - u;
  for (auto it = text.rbegin(); it != text.rend(); ++it) {
    x -= CellWidth(*it, u);
    const char glyph[2] = {*it, '\0'};
    surface.style.glyph_contour_factor = kOutlinePrecision;
    surface.DrawTextInBox(glyph, x, cell_top, u, u, text_scale, black, nullptr, 0);
    surface.style.glyph_contour_factor = kGlyphPrecision;
    surface.DrawTextInBox(glyph, x, cell_top, u, u, text_scale, ink, nullptr, 0);
  }
  RateDetector.NewRate = 0;
}
