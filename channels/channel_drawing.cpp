// The channel's drawing: its curve over the column table, and the box layout of its value indicator.
#include <agg_basics.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

#include "channels/main_window_services.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"
#include "graph/scale_state.h"
#include "render/agg_ren.h"

namespace {

// Far beyond any screen, yet well inside the integer range, so sums of pixels cannot overflow.
constexpr double kPixelLimit = 1.0e9;

// A double that may go into an integer conversion: NaN becomes 0, infinities and huge values
// stop at the pixel limit.
double Tame(double v) {
  if (std::isnan(v)) return 0.0;
  return std::clamp(v, -kPixelLimit, kPixelLimit);
}

// A size factor from a caller's field: negative or not a number counts as 0.
double NonNegative(double v) { return std::isfinite(v) && v > 0.0 ? v : 0.0; }

// The sampling rate the view's time axis follows.
std::uint32_t ViewRate(const GraphView& view) { return view.RecordViewable != 0 ? view.RecordRate : view.RateSetting; }

// Seconds as "%.*f" in the "C" convention, whatever the user's locale.
std::string FormatSeconds(double seconds, int decimals) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, seconds, std::chars_format::fixed, decimals);
  return result.ec == std::errc() ? std::string(text, result.ptr) : std::string("0");
}

struct Box {
  double left = 0.0, top = 0.0, right = 0.0, bottom = 0.0;
  bool Empty() const { return right <= left || bottom <= top; }
};

void Store(IndicatorGeometry& g, int slot, const Box& b) {
  g[slot * 4 + 0] = Tame(b.left);
  g[slot * 4 + 1] = Tame(b.top);
  g[slot * 4 + 2] = Tame(b.right);
  g[slot * 4 + 3] = Tame(b.bottom);
}

Box Load(const IndicatorGeometry& g, int slot) {
  return Box{g[slot * 4 + 0], g[slot * 4 + 1], g[slot * 4 + 2], g[slot * 4 + 3]};
}

// What one indicator line is laid out from.
struct IndicatorMetrics {
  double s = 1.0;             // the main window's UI scale
  double char_width = 9.0;    // indicator font cell, pixels at text size 1
  double char_height = 17.0;
  double text_size = 0.0;
  double spacing = 15.0;      // line spacing while laying out
  double origin_x = 0.0;      // left edge of the boxes in the styles with a caption
};

// Style 0: value and unit boxes ending at the strip's right edge (which the strip's placement puts
// at the view's right edge), the lines centred in the strip's height.
IndicatorGeometry StandardLine(const VessamorChannel& ch, const PixelRect& strip, const IndicatorMetrics& m,
                               int line, int lines, std::int32_t value_width) {
  const double h = m.char_height * m.text_size;
  const double value_w = std::max(value_width, 0) * m.char_width * m.text_size;
  const double unit_w =
      (std::max(ch.UnitWidth, 0) + 1) * m.char_width * m.text_size * NonNegative(ch.AxisTextScale);
  const double total = lines * h + (lines - 1) * m.spacing;
  const double strip_height = static_cast<double>(strip.Bottom) - strip.Top;
  const double top = strip.Top + std::max(0.0, (strip_height - total) / 2.0) + line * (h + m.spacing);
  const double right = strip.Right;

  const double unit_h = h * (ch.UnitWidth < 6 ? 0.7 : 0.64);
  const double free = h - unit_h;
  // The unit sits on the value's baseline; kind 31's unit rides higher in the free height.
  const double unit_top = top + (ch.SensorCode == 31 ? free * 0.4 : free);

  IndicatorGeometry g{};
  Store(g, 0, Box{right - unit_w - value_w, top, right - unit_w, top + h});
  Store(g, 1, Box{right - unit_w, unit_top, right, unit_top + unit_h});
  Store(g, 2, Box{right - unit_w - value_w, top + h, right - unit_w - value_w, top + h});
  return g;
}

// The styles with a time caption: value, unit and caption boxes side by side from the origin,
// a line spacing after the value and two after the unit; a second line 30 s lower.
IndicatorGeometry CaptionLine(const VessamorChannel& ch, const PixelRect& strip, const IndicatorMetrics& m, int line,
                              std::int32_t value_width) {
  const double h = m.char_height * (m.text_size + 0.05);
  const double unit_h = ch.UnitWidth >= 6 ? h * 0.65 : h;
  const double value_w = std::max(value_width, 0) * m.char_width * m.text_size;
  const double unit_w =
      (std::max(ch.UnitWidth, 0) + 1) * m.char_width * m.text_size * NonNegative(ch.AxisTextScale);
  const double caption_w = static_cast<double>(ch.IndicatorCaption.size()) * m.char_width * m.text_size;
  const double offset = 5.0 * m.s;
  const double left = m.origin_x + offset;
  const double top = strip.Top + offset + line * 30.0 * m.s;

  IndicatorGeometry g{};
  const Box value{left, top, left + value_w, top + h};
  const Box unit{value.right + m.spacing, top + h - unit_h, value.right + m.spacing + unit_w, top + h};
  const double caption_left = unit.right + 2.0 * m.spacing;
  Store(g, 0, value);
  Store(g, 1, unit);
  Store(g, 2, Box{caption_left, top, caption_left + caption_w, top + h});
  return g;
}

// Grows `r` (left, top, right, bottom as doubles) to hold every non-empty box of a line.
void Enclose(Box& r, const IndicatorGeometry& g) {
  for (int slot = 0; slot < 3; ++slot) {
    const Box b = Load(g, slot);
    if (b.Empty()) continue;
    r.left = std::min(r.left, b.left);
    r.top = std::min(r.top, b.top);
    r.right = std::max(r.right, b.right);
    r.bottom = std::max(r.bottom, b.bottom);
  }
}

}  // namespace

// Pixel row of the value 0 of the plotted values, the base every drawing of the curve starts from;
// nothing when it cannot be had as a number.
std::optional<double> VessamorChannel::CurveBasePixel() const {
  if (!PlotGainApplies()) return Scale->ZeroLinePixel;
  const std::optional<double> top = GainTopValue();
  if (!top) return std::nullopt;
  const double base = *top / Scale->ValuePerPixel + View->ValueOriginPixel;
  if (!std::isfinite(base)) return std::nullopt;
  return base;
}

void VessamorChannel::DrawCurve(agg_ren& surface, std::uint32_t first, std::uint32_t last) const {
  if (CodeCount == 0) return;
  DrawCurveFrom(surface, Columns, first, last);
}

void VessamorChannel::DrawCurveFrom(agg_ren& surface, const ColumnRecord* columns, std::uint32_t first,
                                    std::uint32_t last) const {
  if (View == nullptr || Scale == nullptr || columns == nullptr || ColumnCapacity < 2 || !surface.Attached()) {
    return;
  }
  // Column 0 only serves as the neighbour of column 1; no column lies right of the plot.
  first = std::max<std::uint32_t>(first, 1);
  last = std::min({last, ColumnCapacity - 1, static_cast<std::uint32_t>(View->PlotWidth)});
  if (first > last) return;

  const std::optional<double> base_value = CurveBasePixel();
  const std::optional<std::int64_t> base =
      base_value ? std::optional<std::int64_t>(static_cast<std::int64_t>(Tame(*base_value))) : std::nullopt;
  if (!base) return;

  // The strip's rows, and nothing outside the plot: a wide pen would otherwise paint the frame.
  const PixelRect& plot = View->PlotRect;
  const std::int64_t top = std::max(plot.Top, Scale->TopPixel);
  const std::int64_t bottom = std::min(plot.Bottom, Scale->BottomPixel) - 1;
  if (bottom < top || plot.Right <= plot.Left) return;

  agg_ren::RendererBase& target = *surface.Base();
  const agg::rect_i kept_clip = target.clip_box();
  target.clip_box(plot.Left, static_cast<int>(top), plot.Right - 1, static_cast<int>(bottom));
  // Paths someone left pending would otherwise come out in the curve's colour.
  surface.Rasterizer().reset();

  // Each column is a bar on whole pixels, so the curve stays crisp and adjacent bars merge. A pen
  // is a few pixels wide; the bound keeps a corrupt width from reaching the rasterizer.
  const std::int64_t width = std::clamp(PenWidth, 1, 64);
  agg::rasterizer_scanline_aa<>& raster = surface.Rasterizer();
  const rgba8 colour(Colour.R, Colour.G, Colour.B, Colour.A);
  const bool opaque = Colour.A == 255;
  for (std::uint32_t i = first; i <= last; ++i) {
    const ColumnRecord& here = columns[i];
    const ColumnRecord& before = columns[i - 1];
    std::int64_t high = here.MaxPixel;
    std::int64_t low = here.MinPixel;
    // Reach over to the previous column so that consecutive columns join.
    if (high < before.MinPixel) {
      high = static_cast<std::int64_t>(before.MinPixel) - 1;
    } else if (before.MaxPixel < low) {
      low = static_cast<std::int64_t>(before.MaxPixel) + 1;
    }
    std::int64_t y1 = std::clamp(*base - high, top, bottom);
    std::int64_t y2 = std::clamp(*base - low, top, bottom);
    if (y2 < y1) std::swap(y1, y2);
    // A square pen-wide bar round the segment: a column whose extremes coincide still shows,
    // and flat stretches are as thick as steep ones.
    const std::int64_t x = static_cast<std::int64_t>(View->TimeOriginPixel) - 1 + i;
    if (x + width <= plot.Left || x - width >= plot.Right) continue;
    const std::int64_t half = (width - 1) / 2;
    if (opaque) {
      // Whole-pixel bars of an opaque colour come out the same filled straight away, without
      // the rasterizer's cell sorting, which long curves of tall columns spend most time in.
      target.copy_bar(static_cast<int>(x - half), static_cast<int>(y1 - half), static_cast<int>(x - half + width - 1),
                      static_cast<int>(y2 - half + width - 1), colour);
      continue;
    }
    const auto left = static_cast<double>(x - half);
    const auto right = static_cast<double>(x - half + width);
    const auto upper = static_cast<double>(y1 - half);
    const auto lower = static_cast<double>(y2 - half + width);
    raster.move_to_d(left, upper);
    raster.line_to_d(right, upper);
    raster.line_to_d(right, lower);
    raster.line_to_d(left, lower);
    raster.close_polygon();
  }
  surface.Solid()->color(colour);
  surface.RenderScanlines();
  surface.Rasterizer().reset();
  // An empty clip box stays empty: one lying off the buffer is how the renderer keeps it so.
  if (kept_clip.x1 > kept_clip.x2 || kept_clip.y1 > kept_clip.y2) {
    target.clip_box(-2, -2, -1, -1);
  } else {
    target.clip_box(kept_clip.x1, kept_clip.y1, kept_clip.x2, kept_clip.y2);
  }
}

void VessamorChannel::LayoutIndicator(const PixelRect& strip, std::uint16_t column) {
  IndicatorMetrics m;
  if (MainWindow != nullptr) {
    const double s = MainWindow->UiScale();
    m.s = std::isfinite(s) && s > 0.0 ? s : 1.0;
    m.char_width = NonNegative(MainWindow->IndicatorCharWidth);
    m.char_height = NonNegative(MainWindow->IndicatorCharHeight);
  }

  // The column as far as the tables and the plot reach.
  std::uint32_t col = column;
  if (ColumnCapacity > 0) col = std::min(col, ColumnCapacity - 1);
  if (View != nullptr) col = std::min<std::uint32_t>(col, View->PlotWidth);

  IndicatorCaption.clear();
  if (IndicatorStyle != 0 && column != 0) {
    const std::uint32_t rate = View != nullptr ? ViewRate(*View) : 0;
    const double seconds =
        rate > 0 && TimeBase != nullptr && col < ColumnCapacity ? TimeBase[col].FirstSample / static_cast<double>(rate)
                                                                : 0.0;
    const int decimals = rate >= 10001 ? 5 : (rate >= 1001 ? 4 : 3);
    IndicatorCaption = FormatSeconds(seconds, decimals);
    m.text_size = IndicatorStyle == 1 ? 1.5 * m.s : NonNegative(IndicatorTextSize);
  } else {
    m.text_size = 4.1 * m.s;
  }

  m.spacing = (IndicatorStyle == 0 ? 20.0 : 8.0) * m.s;
  if (MainWindow != nullptr) MainWindow->LineSpacing = m.spacing;
  // A rotation channel's box adds a line for the angular speed.
  const bool two_lines = IndicatorTwoLines != 0 || ExtraValueShown != 0;
  if (IndicatorStyle == 0 && two_lines) {
    m.text_size *= 0.5;
    // Both lines stand inside the box's face, clear of its border: a strip too low for them at
    // this size takes them and the space between them smaller.
    const double face = std::max(0.0, static_cast<double>(strip.Bottom) - strip.Top - 10.0 * m.s);
    const double total = 2.0 * m.char_height * m.text_size + m.spacing;
    if (total > face && total > 0.0) {
      m.text_size *= face / total;
      m.spacing *= face / total;
    }
  }
  IndicatorScale = m.text_size;

  // Where the boxes of the captioned styles start: the strip's left edge, or the column's pixel
  // with the column option, the strip moving along.
  m.origin_x = strip.Left;
  if (IndicatorStyle != 0 && IndicatorAtColumn != 0 && View != nullptr) {
    m.origin_x = static_cast<double>(View->TimeOriginPixel) - 1.0 + col;
  }

  // The second line holds one character more of value.
  const int lines = two_lines ? 2 : 1;
  for (int line = 0; line < 2; ++line) {
    IndicatorGeometry& g = line == 0 ? ValueLineGeometry : SecondLineGeometry;
    if (line >= lines) {
      g = IndicatorGeometry{};
      continue;
    }
    const std::int32_t value_width = ValueWidth + line;
    g = IndicatorStyle == 0 ? StandardLine(*this, strip, m, line, lines, value_width)
                            : CaptionLine(*this, strip, m, line, value_width);
  }

  // The box to keep and restore covers the strip and everything laid out in it.
  Box all{m.origin_x, static_cast<double>(strip.Top), m.origin_x + (static_cast<double>(strip.Right) - strip.Left),
          static_cast<double>(strip.Bottom)};
  Enclose(all, ValueLineGeometry);
  if (lines == 2) Enclose(all, SecondLineGeometry);
  SetLabelBox(PixelRect{static_cast<std::int32_t>(std::floor(Tame(all.left))),
                        static_cast<std::int32_t>(std::floor(Tame(all.top))),
                        static_cast<std::int32_t>(std::ceil(Tame(all.right))),
                        static_cast<std::int32_t>(std::ceil(Tame(all.bottom)))});

  if (MainWindow != nullptr) MainWindow->LineSpacing = 15.0;
  IndicatorLaidOut = 1;
}
