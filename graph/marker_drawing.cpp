// Graph view markers: counting and clearing them, restoring the areas they covered, drawing them with their captions.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "channels/main_window_services.h"
#include "channels/rate_detector.h"
#include "graph/graph_view.h"
#include "platform/cp1251.h"
#include "render/agg_ren.h"

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

namespace {

constexpr std::uint16_t kFlowKind = 49;
constexpr std::uint16_t kBreathingKind = 40;

// A marker's value as a value indicator shows it: cut, not rounded, to `decimals` (formatted with one
// decimal more and that one dropped), a magnitude below the last decimal's unit shown as 0.
std::string CutValue(double value, int decimals) {
  const int d = std::clamp(decimals, 0, 9);
  if (d > 0 && std::fabs(value) < std::pow(10.0, -d)) value = 0.0;
  char text[400];
  const int n = std::snprintf(text, sizeof text, "%.*f", d + 1, value);
  if (n <= 0 || n >= static_cast<int>(sizeof text)) return "--";
  std::string shown(text, static_cast<std::size_t>(n));
  shown.pop_back();
  if (d == 0 && !shown.empty() && shown.back() == '.') shown.pop_back();
  return shown;
}

// The panel style values a marker panel changes, put back when it is drawn.
class PanelScope {
 public:
  explicit PanelScope(agg_ren& surface)
      : surface_(surface), highlight_(surface.style.highlight), radius_(surface.style.corner_radius),
        after_(surface.style.outline_after_fill) {}
  ~PanelScope() {
    surface_.style.highlight = highlight_;
    surface_.style.corner_radius = radius_;
    surface_.style.outline_after_fill = after_;
  }
  PanelScope(const PanelScope&) = delete;
  PanelScope& operator=(const PanelScope&) = delete;

 private:
  agg_ren& surface_;
  rgba8 highlight_;
  double radius_;
  bool after_;
};

// A filled rounded panel with a border of the given colour and width.
void Panel(agg_ren& surface, double x, double y, double width, double height, const rgba8& fill, const rgba8& border,
           double line_width, double radius) {
  PanelScope scope(surface);
  surface.style.highlight = border;
  surface.style.corner_radius = radius;
  surface.style.outline_after_fill = true;
  PanelRect rect{x, width, y, height};
  surface.DrawRoundedPanel(rect, PanelStyle{0, 0, 0, 1, 100}, 1.0f, static_cast<float>(line_width), fill, 1.0f);
}

void Triangle(agg_ren& surface, const std::array<double, 6>& points, const rgba8& colour) {
  surface.DrawTextInBox(nullptr, 0, 0, 0, 0, 1.0, colour, &colour, 0, points);
}

std::string Format(const char* format, const char* name, int decimals, double value, const std::string& unit) {
  char text[128];
  std::snprintf(text, sizeof text, format, name, decimals, value, unit.c_str());
  return text;
}

// Writes the text and says how far right it reached.
double Text(agg_ren& surface, const std::string& utf8, double x, double y, double width, double height, double scale) {
  const std::string bytes = platform::Utf8ToCp1251(utf8);
  surface.DrawTextInBox(bytes.c_str(), x, y, width, height, scale, rgba8(0, 0, 0, 255), nullptr, 0);
  return surface.style.text_end_x;
}

PixelRect Union(const PixelRect& a, const PixelRect& b) {
  if (a.Width() <= 0 || a.Height() <= 0) return b;
  return PixelRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                   std::max(a.Bottom, b.Bottom)};
}

std::int32_t Px(double value) { return static_cast<std::int32_t>(value); }

bool Meets(const PixelRect& a, const PixelRect& b) {
  return a.Width() > 0 && a.Height() > 0 && a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

}  // namespace

void GraphView::PreDrawMarkers(agg_ren& target) {
  if (RecordViewable == 0) return;
  const std::size_t used = std::min<std::size_t>(MarkerCount, Markers.size());
  if (used == 0) {
    MovingCaptionRect = MovingBadgeRect = PixelRect{};
    return;
  }
  for (std::size_t i = 0; i < used; ++i) {
    MarkerRecord& marker = Markers[i];
    if (marker.Set == 0) continue;
    if (marker.Column > LastShownColumn) {
      marker.Column = LastShownColumn;
      marker.Set = 0;
      marker.Dragging = 0;
      continue;
    }
    if (MainWindow != nullptr) {
      for (const PixelRect& area : {marker.LineRect, marker.CaptionArea, marker.BadgeRect}) {
        if (area.Width() > 0 && area.Height() > 0) MainWindow->RestoreArea(target, area);
      }
    }
    if (marker.Dragging != 0) {
      MovingCaptionRect = marker.CaptionArea;
      MovingBadgeRect = marker.BadgeRect;
    }
  }
}

void GraphView::DrawMarkerCaptions(agg_ren& target) {
  const std::size_t used = std::min<std::size_t>(MarkerCount, Markers.size());
  if (RecordViewable == 0 || used == 0 || !target.Attached() || ColumnTables.empty()) return;
  for (std::size_t i = 0; i < used; ++i) {
    if (Markers[i].Set != 0 && Markers[i].Column > LastShownColumn) {
      Markers[i].Column = LastShownColumn;
      Markers[i].Set = 0;
    }
  }
  const std::uint32_t set = CountMarkedPoints();
  if (set == 0) return;
  std::uint32_t shown = 0;
  for (const auto& channel : Channels) shown += channel->Shown != 0 && channel->Enabled != 0 ? 1 : 0;
  const std::array<CaptionStack, 4> stacks = PlaceCaptionStacks(target);

  for (std::size_t i = used; i-- > 0;) {
    if (Markers[i].Set == 0) continue;
    // A pair's first marker shows the differences to the next set marker.
    std::size_t partner = used;
    for (std::size_t j = i + 1; j < used && partner == used; ++j) {
      if (Markers[j].Set != 0) partner = j;
    }
    bool pair = false;
    if (MarkerCount == 2) pair = i == 0 && set == 2;
    if (MarkerCount == 4) pair = (i == 0 && set >= 2) || (i == 2 && set == 4);
    // Any other marker has no partner: no slot, used or not, stands against it.
    DrawMarker(target, i, pair ? partner : Markers.size(), shown, stacks[i]);
  }
  target.style.panel_line_width = 15.0f;
}

void GraphView::DrawMarker(agg_ren& surface, std::size_t index, std::size_t partner, std::uint32_t shown,
                           const CaptionStack& stack) {
  MarkerRecord& marker = Markers[index];
  const double s = MainWindow != nullptr ? MainWindow->UiScale() : 1.0;
  const double top = PlotRect.Top;
  const double bottom = PlotRect.Bottom;
  // The line stands on the column's left edge: one to the left of the column's own pixel.
  const double x = PlotRect.Left + marker.Column - 1;

  const rgba8 ink(10, 10, 70, 255);
  Triangle(surface, {x - 7 * s, top - 14 * s, x + 7 * s, top - 14 * s, x, top}, rgba8(0, 0, 160, 255));
  Triangle(surface, {x, bottom, x - 7 * s, bottom + 10 * s, x + 7 * s, bottom + 10 * s}, rgba8(0, 0, 160, 255));
  const double by = top - 26 * s;
  const double side = 12 * s;
  // The badge stands right of the line, or left of it where it would cover a text of the caption strip.
  const auto covers_text = [&](double left) {
    const PixelRect badge{Px(left) - 2, Px(by) - 2, Px(left + side) + 3, Px(by + side) + 3};
    return std::any_of(HeaderTextReach.begin(), HeaderTextReach.end(), [&](const PixelRect& r) { return Meets(r, badge); });
  };
  double bx = x + 10 * s;
  if (covers_text(bx)) {
    if (!covers_text(x - 10 * s - side)) {
      bx = x - 10 * s - side;
    } else {
      // Both sides lie on a text: the badge goes to the nearer end of the texts it meets.
      double low = bx, high = bx;
      for (int round = 0; round < 4 && covers_text(low); ++round) {
        for (const PixelRect& r : HeaderTextReach) {
          const PixelRect badge{Px(low) - 2, Px(by) - 2, Px(low + side) + 3, Px(by + side) + 3};
          if (Meets(r, badge)) low = r.Left - side - 6;
        }
      }
      for (int round = 0; round < 4 && covers_text(high); ++round) {
        for (const PixelRect& r : HeaderTextReach) {
          const PixelRect badge{Px(high) - 2, Px(by) - 2, Px(high + side) + 3, Px(by + side) + 3};
          if (Meets(r, badge)) high = r.Right + 6;
        }
      }
      const bool low_fits = low >= ViewRect.Left + 2 && !covers_text(low);
      bx = low_fits && (x - low < high - x || covers_text(high)) ? low : high;
    }
  }
  Panel(surface, bx, by, side, side, rgba8(255, 255, 255, 255), rgba8(10, 10, 70, 155), 2 * s, 3 * s);
  surface.DrawLine(bx + 2, by + 2, bx + side - 2, by + side - 2, ink.r, ink.g, ink.b, ink.a, 1.0f);
  surface.DrawLine(bx + side - 2, by + 2, bx + 2, by + side - 2, ink.r, ink.g, ink.b, ink.a, 1.0f);
  // On the pixel's centre, so the one-pixel line covers its column whole.
  surface.DrawLine(x + 0.5, top, x + 0.5, bottom, ink.r, ink.g, ink.b, ink.a, 1.0f);
  surface.RenderScanlines();
  marker.BadgeRect = PixelRect{Px(bx) - 2, Px(by) - 2, Px(bx + side) + 3, Px(by + side) + 3};
  // A click on the badge, where it is drawn, removes the marker.
  marker.CaptionRect = marker.BadgeRect;

  // Value captions, one box per shown channel, stacked down from where the placing of all markers' stacks put them.
  const std::string time = FormatSampleTime(marker);
  const double line_height = (MainWindow != nullptr ? MainWindow->IndicatorCharHeight : 17.0) * s;
  marker.CaptionArea = PixelRect{};
  marker.ValueCaptionCount = 0;
  const double left = stack.Left;
  const double width = stack.Width;
  double y = stack.Top;
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    VessamorChannel& channel = *Channels[k];
    if (channel.Shown == 0 || channel.Enabled == 0) continue;
    const std::vector<std::string> lines = MarkerCaptionLines(marker, k, time);
    const Rgba c = channel.Colour;
    // A rotation caption has a line more: the angular speed.
    const double count = static_cast<double>(lines.size());
    const double box_height = count * line_height + 6.0;
    const double row = (box_height - 6.0) / count + 3.0;
    Panel(surface, left, y, width, box_height, rgba8(255, 255, 255, 230), rgba8(c.R, c.G, c.B, 255), 2 * s, 4 * s);
    double reach = Text(surface, lines.front(), left + 4, y + 2, width - 6, row, 0.8 * s);
    if (lines.size() == 3) reach = std::max(reach, Text(surface, lines[1], left + 4, y + 2 + row - 3.0, width - 6, row, 0.8 * s));
    reach = std::max(reach, Text(surface, lines.back(), left + 4, y + box_height - row, width - 6, row, 0.8 * s));
    const PixelRect box{Px(left), Px(y), Px(left + width) + 1, Px(y + box_height) + 1};
    marker.ValueTextRight[marker.ValueCaptionCount] = static_cast<std::int32_t>(std::ceil(reach));
    marker.ValueCaptionRects[marker.ValueCaptionCount++] = box;
    marker.CaptionArea = Union(marker.CaptionArea, box);
    y += box_height + 2.0;
  }
  if (partner < Markers.size()) DrawDifferenceRows(surface, index, partner);
  if (shown == 1) {
    const VessamorChannel* flow = nullptr;
    for (const auto& channel : Channels) {
      if (channel->Shown != 0 && channel->Enabled != 0 && channel->SensorCode == kFlowKind) flow = channel.get();
    }
    if (flow != nullptr && (MarkerCount == 4 || partner < Markers.size())) DrawVolumeBox(surface, *flow, index);
  }
  marker.Drawn = 1;
  if (marker.Dragging != 0) {
    MovingCaptionRect = marker.CaptionArea;
    MovingBadgeRect = marker.BadgeRect;
  }
}

std::vector<std::string> GraphView::MarkerCaptionLines(MarkerRecord& marker, std::size_t k, const std::string& time) {
  VessamorChannel& channel = *Channels[k];
  const bool english = MainWindow != nullptr && MainWindow->EnglishUi();
  const std::uint32_t column = std::min<std::uint32_t>(marker.Column, ColumnsPerChannelCount - 1);
  const std::uint32_t sample = ColumnTables[column].FirstSample;
  const bool has_sample = sample < std::min(SampleCount, channel.CodeCapacity);
  // A rate kind shows what its indicator shows for the marker's column: the rate, not the signal it
  // comes from; the others the value the curve shows there, the sample filtered as its columns are.
  const bool rate = channel.RateMode != 0 && channel.RateDisplayFn != nullptr;
  marker.Values[k] = !has_sample ? 0.0f
                     : rate      ? channel.RateDisplayFn(&channel, static_cast<std::uint16_t>(column))
                                 : channel.CurveValueAt(sample);
  marker.Times[k] = RecordRate > 0 ? sample / static_cast<double>(RecordRate) : 0.0;
  marker.ValueCaptions[k] = channel.Symbol + "=" + CutValue(marker.Values[k], channel.Decimals) + " " + channel.Unit;
  std::vector<std::string> lines{marker.ValueCaptions[k]};
  if (channel.ExtraValueShown != 0) {
    lines.push_back(CutValue(marker.Values[k] * kRadiansPerRevolution, channel.Decimals) + " " + AngularSpeedUnit(english));
  }
  lines.push_back(channel.AxisLabel + "=" + time + " " + channel.TimeUnit);
  return lines;
}

std::array<GraphView::CaptionStack, 4> GraphView::PlaceCaptionStacks(agg_ren& surface) {
  std::array<CaptionStack, 4> stacks{};
  const std::size_t used = std::min<std::size_t>(MarkerCount, Markers.size());
  const double s = MainWindow != nullptr ? MainWindow->UiScale() : 1.0;
  const double line_height = (MainWindow != nullptr ? MainWindow->IndicatorCharHeight : 17.0) * s;
  // Every marker's stack has the same height: two lines a box, three for a rotation channel.
  double stack = 0.0;
  for (const auto& channel : Channels) {
    if (channel->Shown != 0 && channel->Enabled != 0) stack += (channel->ExtraValueShown != 0 ? 3 : 2) * line_height + 8.0;
  }
  struct Marked {
    std::size_t Index;
    double X, Width;
    bool LeftSide;
  };
  std::vector<Marked> marked;
  for (std::size_t i = 0; i < used; ++i) {
    MarkerRecord& marker = Markers[i];
    if (marker.Set == 0) continue;
    const std::string time = FormatSampleTime(marker);
    // The boxes are as wide as their longest text, so that every character is written.
    double width = std::max(marker.CaptionWidth, 1);
    for (std::size_t k = 0; k < kLiveChannels; ++k) {
      if (Channels[k]->Shown == 0 || Channels[k]->Enabled == 0) continue;
      for (const std::string& line : MarkerCaptionLines(marker, k, time)) {
        width = std::max(width, std::ceil(surface.TextAdvance(platform::Utf8ToCp1251(line).c_str(), 0.8 * s)) + 10.0);
      }
    }
    marked.push_back({i, PlotRect.Left + marker.Column - 1.0, width, marker.CaptionState[0] != 0});
  }
  // From left to right, so that of two markers close together the left one's captions may stand
  // on its left and the right one's on its right.
  std::stable_sort(marked.begin(), marked.end(), [](const Marked& a, const Marked& b) { return a.X < b.X; });
  std::vector<PixelRect> indicators;
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    if (IndicatorShown[k] != 0) indicators.push_back(IndicatorStrips[k]);
  }
  const double top = PlotRect.Top + 2.0;
  const double end = PlotRect.Bottom - 2.0;
  const auto area = [&](double left, double width, double at) {
    return PixelRect{Px(left), Px(at), Px(left + width) + 1, Px(at + stack) + 1};
  };
  // The first row from `at` down where the stack meets none of the areas given.
  const auto lowest_clear = [&](double left, double width, double at, const std::vector<PixelRect>& areas) {
    for (bool moved = true; moved;) {
      moved = false;
      for (const PixelRect& r : areas) {
        if (!Meets(r, area(left, width, at))) continue;
        at = r.Bottom + 2.0;
        moved = true;
      }
    }
    return at;
  };
  // The first row from `at` up where it meets none of them.
  const auto highest_clear = [&](double left, double width, double at, const std::vector<PixelRect>& areas) {
    for (std::size_t round = 0; round <= areas.size(); ++round) {
      bool moved = false;
      for (const PixelRect& r : areas) {
        if (!Meets(r, area(left, width, at))) continue;
        at = r.Top - 2.0 - stack;
        moved = true;
      }
      if (!moved) break;
    }
    return at;
  };
  // Each choice of sides is tried; the cheapest wins: a side other than the usual one costs a
  // little, a stack pushed below another marker's more, one that ends at the plot's bottom over
  // the indicators more again, one past the plot's edge or over another stack most.
  const std::size_t n = marked.size();
  double best_cost = std::numeric_limits<double>::infinity();
  std::vector<CaptionStack> best(n);
  for (std::uint32_t flips = 0; flips < (1u << n); ++flips) {
    double cost = 0.0;
    std::vector<PixelRect> placed;
    std::vector<CaptionStack> layout(n);
    for (std::size_t j = 0; j < n && cost < best_cost; ++j) {
      const Marked& m = marked[j];
      const bool flipped = ((flips >> j) & 1u) != 0;
      const double left = m.LeftSide != flipped ? m.X - m.Width : m.X + 1.0;
      cost += flipped ? 1.0 : 0.0;
      if (left < PlotRect.Left || left + m.Width > PlotRect.Right) cost += 500.0;
      std::vector<PixelRect> around = indicators;
      around.insert(around.end(), placed.begin(), placed.end());
      double y = lowest_clear(left, m.Width, top, around);
      if (y + stack <= end) {
        if (y > lowest_clear(left, m.Width, top, indicators) + 0.5) cost += 10.0;
      } else {
        y = highest_clear(left, m.Width, std::max(top, end - stack), placed);
        if (y >= top) {
          cost += 100.0;
        } else {
          y = std::max(top, end - stack);
          cost += 1000.0;
        }
      }
      layout[j] = CaptionStack{left, y, m.Width};
      placed.push_back(area(left, m.Width, y));
    }
    if (cost < best_cost) {
      best_cost = cost;
      best = layout;
    }
  }
  for (std::size_t j = 0; j < n; ++j) stacks[marked[j].Index] = best[j];
  return stacks;
}

double GraphView::DifferenceRowHeight() const {
  return DifferencePanelRect.Height() / (5.0 * std::max<std::uint8_t>(MarkerCount, 2) / 2.0);
}

std::vector<GraphView::DifferenceRow> GraphView::DifferenceRowTexts(std::size_t index, std::size_t partner) const {
  std::vector<DifferenceRow> rows;
  if (index >= Markers.size() || partner >= Markers.size()) return rows;
  const MarkerRecord& here = Markers[index];
  const MarkerRecord& there = Markers[partner];
  const int time_decimals = RecordRate > 10000 ? 5 : RecordRate > 1000 ? 4 : 3;
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    const VessamorChannel& channel = *Channels[k];
    if (channel.Shown == 0 || channel.Enabled == 0) continue;
    double dv = std::fabs(static_cast<double>(here.Values[k]) - there.Values[k]);
    const double dt = std::fabs(here.Times[k] - there.Times[k]);
    // Below one unit of the last shown decimal the difference is shown as none.
    if (channel.Decimals >= 1 && dv < std::pow(10.0, -channel.Decimals)) dv = 0.0;
    DifferenceRow row;
    row.Channel = k;
    // Every row carries its channel's symbol, rate kinds too, but for the breathing sensor, whose
    // row gives the difference alone.
    const char* name = channel.SensorCode == kBreathingKind ? " " : channel.Symbol.c_str();
    row.Value = Format("%s=%.*f %s", name, channel.Decimals, dv, channel.Unit);
    row.Time = Format("%s=%.*f %s", channel.AxisLabel.c_str(), time_decimals, dt, channel.TimeUnit);
    rows.push_back(std::move(row));
  }
  return rows;
}

void GraphView::DrawDifferenceRows(agg_ren& surface, std::size_t index, std::size_t partner) {
  const PixelRect& panel = DifferencePanelRect;
  if (panel.Width() <= 0 || panel.Height() <= 0) return;
  const double s = MainWindow != nullptr ? MainWindow->UiScale() : 1.0;
  const double row = DifferenceRowHeight();
  const double left = panel.Left + panel.Width() / 30.0;
  const double width = panel.Width() - panel.Width() / 15.0;
  // The second pair of four markers takes the lower half of the panel.
  const double first_row = panel.Top + panel.Height() / 6.0 + (index >= 2 ? panel.Height() * 0.4 : 0.0);
  const std::vector<DifferenceRow> rows = DifferenceRowTexts(index, partner);
  if (rows.empty()) return;
  Panel(surface, left - 4 * s, first_row - 4 * s, width + 8 * s, row * rows.size() + 8 * s, rgba8(250, 250, 255, 220),
        rgba8(10, 10, 70, 75), 6 * s, 6 * s);
  double y = first_row;
  for (const DifferenceRow& texts : rows) {
    const VessamorChannel& channel = *Channels[texts.Channel];
    const Rgba c = channel.Colour;
    Panel(surface, left, y + 1, width, row - 2, rgba8(c.R, c.G, c.B, 60), rgba8(c.R, c.G, c.B, 255), 4 * s, 4 * s);
    const double glyph = row * 0.3;
    const double gx = left + 6 * s;
    const double gy = y + row / 2;
    for (const double inset : {0.0, 1.0}) {
      const rgba8 colour = inset == 0.0 ? rgba8(0, 0, 0, 255) : rgba8(255, 255, 255, 255);
      Triangle(surface, {gx + inset, gy - glyph + inset, gx + glyph - inset, gy, gx + inset, gy + glyph - inset}, colour);
    }
    const double text_scale = 0.9 * s;
    const double value_scale = channel.ValueWidth >= 6 ? text_scale * 0.85 : text_scale;
    const double text_left = gx + glyph + 4 * s;
    // Both texts stand on the row's middle line.
    const double line = surface.EngineHeight();
    Text(surface, texts.Value, text_left, y + (row - line * value_scale) / 2, width / 2, row, value_scale);
    Text(surface, texts.Time, text_left + width / 2 - glyph, y + (row - line * text_scale) / 2, width / 2 - glyph, row,
         text_scale);
    y += row;
  }
}

void GraphView::DrawVolumeBox(agg_ren& surface, const VessamorChannel& flow, std::size_t index) {
  const PixelRect& panel = DifferencePanelRect;
  if (panel.Width() <= 0 || panel.Height() <= 0) return;
  const double s = MainWindow != nullptr ? MainWindow->UiScale() : 1.0;
  const bool english = MainWindow != nullptr && MainWindow->EnglishUi();
  const double row = DifferenceRowHeight();
  const double left = panel.Left + panel.Width() / 30.0;
  const double width = panel.Width() - panel.Width() / 15.0;
  const double y = panel.Top + panel.Height() / 6.0 + (index >= 2 ? panel.Height() * 0.4 : 0.0) + row + 10 * s;
  Panel(surface, left, y, width, 2.8 * row, rgba8(252, 252, 255, 230), rgba8(10, 10, 70, 75), 6 * s, 6 * s);
  char text[48];
  std::snprintf(text, sizeof text, english ? "%.2f ml" : "%.2f мл", flow.IntegrateBetweenMarkers(0));
  const double length = std::max<std::size_t>(std::string(text).size(), 1);
  const bool wide = MainWindow != nullptr && MainWindow->AspectRatio() > 1.5;
  const double scale = std::min(11.0 / length * (wide ? 2.7 : 2.5) * s, (wide ? 2.8 : 2.6) * s);
  Text(surface, english ? "Volume" : "Объём", left + 8 * s, y + 4 * s, width, row, 0.9 * s);
  Text(surface, text, left + 8 * s, y + row, width, 1.6 * row, scale);
}
