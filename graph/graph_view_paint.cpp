// Painting of the graph screen: grid, axis labels, curves, selection, axis names, caption strip,
// side panels and the value indicators kept between the two back buffers; the style setters.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "channels/main_window_services.h"
#include "graph/graph_paint_host.h"
#include "graph/graph_view.h"
#include "graph/paint_rules.h"
#include "platform/cp1251.h"
#include "platform/gdi.h"
#include "render/agg_ren.h"

namespace {

platform::Colour Colour(const Rgba& c) { return {c.R, c.G, c.B, c.A}; }
rgba8 Agg(const Rgba& c) { return rgba8(c.R, c.G, c.B, c.A); }
std::int32_t Px(double v) { return static_cast<std::int32_t>(v); }

void Fill(platform::Surface& s, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
          const Rgba& c) {
  platform::FillRect(s, platform::Rect{left, top, right, bottom}, platform::Brush{Colour(c)});
}
void Fill(platform::Surface& s, const PixelRect& r, const Rgba& c) { Fill(s, r.Left, r.Top, r.Right, r.Bottom, c); }

PixelRect Intersect(const PixelRect& a, const PixelRect& b) {
  return PixelRect{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                   std::min(a.Bottom, b.Bottom)};
}
bool Empty(const PixelRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

// Grows `area` to take in `r` as well.
void Include(PixelRect& area, const PixelRect& r) {
  if (Empty(r)) return;
  area = Empty(area) ? r
                     : PixelRect{std::min(area.Left, r.Left), std::min(area.Top, r.Top), std::max(area.Right, r.Right),
                                 std::max(area.Bottom, r.Bottom)};
}

// Copies a rectangle of one surface to a place of another (or of the same one), clipped to both.
void Copy(platform::Surface& to, std::int32_t x, std::int32_t y, const platform::Surface& from, const PixelRect& r) {
  if (Empty(r)) return;
  if (&to != &from) {
    platform::Blit(to, x, y, r.Width(), r.Height(), from, r.Left, r.Top);
    return;
  }
  // Within one surface the rows may overlap: go through a copy.
  platform::Surface kept(r.Width(), r.Height());
  platform::Blit(kept, 0, 0, r.Width(), r.Height(), from, r.Left, r.Top);
  platform::Blit(to, x, y, r.Width(), r.Height(), kept, 0, 0);
}

// A value as "%.*f" in the "C" convention, whatever the user's locale.
std::string Fixed(double value, int decimals) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return result.ec == std::errc() ? std::string(text, result.ptr) : std::string("0");
}

constexpr Rgba kStripFill{240, 235, 244, 255};
constexpr Rgba kStripEdge{45, 45, 75, 255};
constexpr Rgba kStripLines{10, 10, 45, 255};
constexpr Rgba kPanelFill{243, 240, 250, 255};

}  // namespace

void GraphView::SetViewBackground(const Rgba& colour) {
  Style.BackgroundColour = colour;
  Style.Brushes[0] = BrushSpec{colour};
}
void GraphView::SetPanelBrush(const Rgba& colour) {
  Style.PanelColour = colour;
  Style.Brushes[1] = BrushSpec{colour};
}
void GraphView::SetDarkBrush(const Rgba& colour) {
  Style.FrameColour = colour;
  Style.Brushes[2] = BrushSpec{colour};
}
void GraphView::SetExtraBrush(const Rgba& colour) {
  Style.ExtraColour = colour;
  Style.Brushes[3] = BrushSpec{colour};
}
void GraphView::SetStyleColorA(const Rgba& colour) { Style.TextColour = colour; }
void GraphView::SetStyleColorB(const Rgba& colour) { Style.ColourB = colour; }
void GraphView::SetStyleColorC(const Rgba& colour) { Style.ColourC = colour; }
void GraphView::SetLargeFont(std::int32_t height) { Style.LargeFont = FontSpec{"Tahoma", height, height / 2, 400}; }
void GraphView::SetSmallFont(std::int32_t height) { Style.SmallFont = FontSpec{"Tahoma", height, height / 2, 400}; }

void GraphView::TakePaintSnapshot() {
  std::lock_guard lock(ViewLock);
  // What the commands and the mouse asked for: a new view is painted afresh; a moved value axis
  // repaints the grid; a selection being dragged repaints round itself, and one let go is wiped.
  if (FullRedraw != 0) {
    FullRedraw = 0;
    Painting.ClearRequest = 1;
  }
  // A record under review shown over another stretch of time is never painted over the old one.
  if (Recording.load() == 0 && RecordViewable != 0 &&
      (PaintScale.StartTime != Scale.StartTime || PaintScale.EndTime != Scale.EndTime ||
       PaintScale.SecondsPerDivision != Scale.SecondsPerDivision)) {
    Painting.ClearRequest = 1;
  }
  if (StoppedLastShown != 0) {
    FirstShownColumn = 1;
    LastShownColumn = StoppedLastShown;
    StoppedLastShown = 0;
  }
  if (MoveInProgress != 0) Painting.FullRedrawRunning = 1;
  if (SelectionDrawn != 0 && Painting.ClearRequest == 0) {
    Painting.FullRedrawRunning = 1;
    Painting.GridMode = Painting.SelectionPainted != 0 ? 2 : 1;
  } else if (Painting.SelectionPainted != 0 && SelectionDrawn == 0) {
    Painting.ClearRequest = 1;
  }
  if (Recording.load() != 0) {
    // The tick hands over the columns it added; a new screen is drawn on a clean grid. The last
    // column painted before may have been partial, so it is drawn again.
    const bool new_screen = Sweep.ScreenStart != PaintScreenStart || Sweep.LastRedrawColumn < Painting.PaintedLast;
    PaintScreenStart = Sweep.ScreenStart;
    if (new_screen) Painting.ClearRequest = 1;
    FirstShownColumn = new_screen ? 1 : std::min(Painting.PaintedLast, Sweep.FirstRedrawColumn);
    LastShownColumn = std::max(Sweep.LastRedrawColumn, FirstShownColumn);
    Sweep.FullRedraw = 0;
    // A grid painted again covers the curves: every column of the screen is drawn over it.
    if (Painting.ClearRequest != 0 || Painting.FullRedrawRunning != 0) FirstShownColumn = 1;
  } else if (Sweep.FullRedraw != 0) {
    // The window asks for the whole graph again (a paint it did not start).
    Sweep.FullRedraw = 0;
    Painting.ClearRequest = 1;
  }
  const std::uint32_t limit = std::min<std::uint32_t>(PlotWidth, ColumnsPerChannelCount > 0 ? ColumnsPerChannelCount - 1 : 0);
  FirstShownColumn = static_cast<std::uint16_t>(std::clamp<std::uint32_t>(FirstShownColumn, 1, std::max(limit, 1u)));
  LastShownColumn = static_cast<std::uint16_t>(std::clamp<std::uint32_t>(LastShownColumn, 1, std::max(limit, 1u)));

  // A last tick beyond the plot is not drawn; the counts never fall below 0.
  const auto trim = [](std::uint8_t& count, const auto& ticks, std::uint32_t extent) {
    const std::size_t last = std::min<std::size_t>(count, ticks.size() - 1);
    if (ticks[last].Pixel > extent) {
      count = static_cast<std::uint8_t>(last >= 1 ? last - 1 : 0);
    } else if (last >= 1 && ticks[last - 1].Pixel > extent) {
      count = static_cast<std::uint8_t>(last >= 2 ? last - 2 : 0);
    }
  };
  trim(Scale.ValueTickCount, Scale.ValueTicks, PlotHeight);
  trim(Scale.TimeTickCount, Scale.TimeTicks, PlotWidth);

  PaintScale = Scale;
  PaintRecording = Recording.load() != 0;
  // While recording the record's last sample is the newest one the tick has taken.
  PaintLastSample = Recording.load() != 0 ? (SampleCount > 0 ? SampleCount - 1 : 0) : LastSampleIndex;
  PaintColumns.resize(kLiveChannels * ColumnsPerChannelCount);
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    const VessamorChannel& channel = *Channels[k];
    // The decoders count codes outside the lock; the samples the tick has taken tell whether any exist.
    PaintCodeCounts[k] = SampleCount;
    if (channel.Columns == nullptr || ColumnsPerChannelCount < 2) continue;
    const std::size_t from = FirstShownColumn - 1u;
    const std::size_t to = LastShownColumn;
    std::copy(channel.Columns + from, channel.Columns + to + 1, PaintColumns.begin() + k * ColumnsPerChannelCount + from);
  }
}

void GraphView::Paint() {
  if (PaintHost == nullptr) return;
  platform::Surface& picture = PaintHost->Picture();
  agg_ren& renderer = PaintHost->Renderer();
  TakePaintSnapshot();
  const bool recording = PaintRecording;

  // 1, 2.
  bool restore = paint_rules::RestoreIndicators(Painting.RestoreRequest != 0, Painting.AltRestoreRequest != 0,
                                                recording, PaintLastSample);
  Painting.PaintedFirst = FirstShownColumn;
  Painting.PaintedLast = LastShownColumn;
  Painting.ViewRepainted = 0;
  for (IndicatorBox& box : Painting.Indicators) box.Changed = {};

  // 3.
  if (Painting.ClearRequest != 0) {
    Painting.ViewRepainted = 1;
    Painting.ClearRequest = 0;
    Painting.FullRedrawRunning = 1;
    // A full grid follows below and covers the whole view itself.
    const bool full_grid_follows = Painting.DragCopy == 0 && (recording || Painting.GridMode == 0);
    if (!full_grid_follows) Fill(picture, ViewRect, Style.BackgroundColour);
    ViewJustFilled = full_grid_follows ? 0 : 1;
    Painting.RestoreRequest = 0;
    for (IndicatorBox& box : Painting.Indicators) box.Drawn = 0;  // the fill has wiped them
    // A new screen of a recording has just wiped the indicators: they are laid again over it, or
    // no later paint of the recording would bring them back.
    restore = (Painting.AltRestoreRequest != 0 && !recording) || (recording && restore);
    if (DisplayMode == 3) PaintPanelCaptions(0);
  }

  // 4.
  if (Painting.DragCopy != 0) {
    Painting.ViewRepainted = 1;
    ViewJustFilled = 0;
    Copy(picture, Painting.DragToX, Painting.DragToY, picture, Painting.DragSource);
    Painting.DragCopy = 0;
    if (RecordViewable != 0) RedrawRequested = 1;
  }

  // 6.
  if (Painting.FullRedrawRunning != 0) {
    Painting.ViewRepainted = 1;
    if (recording) Painting.GridMode = 0;
    if (Painting.GridMode == 0) {
      DrawFullGrid(picture);
    } else {
      DrawGrid(Painting.GridMode, picture);
      DrawAxisLabels(picture);
    }
    Painting.GridMode = 0;
    LayoutIndicatorStrips();
    if (LastShownColumn > FirstShownColumn) {
      if (recording) {
        FirstShownColumn = 1;
        RedrawRequested = 1;
      } else {
        // A recording stopped on the device worker may still be in its last tick, which reads the
        // channels' filter settings under the view's lock.
        std::lock_guard lock(ViewLock);
        for (auto& channel : Channels) channel->ResetColumnReduction();
      }
    }
  }

  // 7.
  bool moved = false;
  if (restore) moved = RestoreIndicatorBackground();

  // 8.
  if (RedrawRequested != 0 || RecordViewable != 0 || recording) {
    const bool both = Painting.PanFirst != 0 && Painting.PanSecond != 0;
    const auto pan = [&] {
      if (Painting.PanCount < 2) {
        FirstShownColumn = 1;
      } else {
        LastShownColumn = std::min<std::uint16_t>(Painting.PanCount, LastShownColumn);
      }
    };
    if (both) pan();
    std::array<const ColumnRecord*, kLiveChannels> copies{};
    for (std::size_t k = 0; k < kLiveChannels; ++k) {
      copies[k] = PaintCodeCounts[k] > 0 && !PaintColumns.empty() ? PaintColumns.data() + k * ColumnsPerChannelCount
                                                                   : nullptr;
    }
    DrawChannels(renderer, &copies);
    if (Painting.PanFirst != 0 && !both) pan();
    Painting.PanFirst = Painting.PanSecond = 0;
    RedrawRequested = 0;
  }

  // 9.
  if (SelectionDrawn != 0) {
    Painting.ViewRepainted = 1;
    DrawSelection(picture);
  }
  Painting.SelectionPainted = SelectionDrawn;

  // 10.
  if (Painting.AxisNames != 0 && (!recording || Painting.FullRedrawRunning != 0)) DrawAxisNames();

  // 11.
  if (Painting.CaptionStrip != 0 && (!recording || Painting.FullRedrawRunning != 0)) {
    const PixelRect strip{ViewRect.Left, ViewRect.Top, ViewRect.Right, ViewRect.Top + CaptionHeight};
    platform::DrawRectangle(picture, platform::Rect{strip.Left, strip.Top, strip.Right, strip.Bottom},
                            platform::Pen{Colour(kStripEdge), 1}, platform::Brush{Colour(kStripFill)});
    Fill(picture, strip.Left, strip.Top + 2, strip.Right, strip.Top + 3, kStripLines);
    Fill(picture, strip.Left, strip.Bottom - 4, strip.Right, strip.Bottom - 3, kStripLines);
    DrawCaptionLine();
  }

  // 12.
  if (restore) {
    RestoreIndicatorAreas();
    DrawIndicators(moved);
  }

  // 13.
  if (Painting.FullRedrawRunning != 0) Painting.IndicatorPhase = 0;
  if (recording && (Painting.FullRedrawRunning != 0 || RateRefresh != 0)) {
    Painting.ViewRepainted = 1;
    DrawRateLabels(renderer);
  }
  Painting.FullRedrawRunning = 0;

  // 14.
  if (Painting.DragEnd != 0) {
    Painting.DragEnd = 0;
    Painting.DragStart = 0;
    for (MarkerRecord& marker : Markers) {
      if (marker.Column >= LastShownColumn) marker.Set = 0;
      marker.Dragging = 0;
    }
  }
  if (Painting.DragStart != 0) DataMoved = 1;
  MoveInProgress = 0;
}

void GraphView::GridLinesWithin(platform::Surface& target, const PixelRect& area) {
  const ScaleState& s = PaintScale;
  const std::int32_t w = std::max(GridLineWidth, 1);
  for (std::size_t i = 0; i <= std::min<std::size_t>(s.ValueTickCount, s.ValueTicks.size() - 1); ++i) {
    const std::int32_t y = PlotRect.Top + s.ValueTicks[i].Pixel - w / 2;
    Fill(target, Intersect(PixelRect{GridRect.Left, y, GridRect.Right, y + w}, area), Style.PanelColour);
  }
  for (std::size_t i = 0; i <= std::min<std::size_t>(s.TimeTickCount, s.TimeTicks.size() - 1); ++i) {
    const std::int32_t x = PlotRect.Left + s.TimeTicks[i].Pixel - w / 2;
    Fill(target, Intersect(PixelRect{x, GridRect.Top + 1, x + w, GridRect.Bottom}, area), Style.PanelColour);
  }
  const std::int32_t f = FrameWidth;
  const PixelRect& p = PlotRect;
  const std::int32_t top = std::max(p.Top - f, 0);
  for (const PixelRect& bar : {PixelRect{p.Left - f, top, p.Right + f, top + f}, PixelRect{p.Left - f, p.Bottom, p.Right + f, p.Bottom + f},
                               PixelRect{p.Left - f, p.Top - f, p.Left, p.Bottom + f},
                               PixelRect{p.Right, p.Top - f, p.Right + f, p.Bottom + f}}) {
    Fill(target, Intersect(bar, area), Style.FrameColour);
  }
}

void GraphView::DrawGrid(std::uint8_t mode, platform::Surface& target) {
  if (mode == 0) {
    // A clear request of this paint has just filled it.
    if (ViewJustFilled == 0) Fill(target, ViewRect, Style.BackgroundColour);
    ViewJustFilled = 0;
    GridLinesWithin(target, ViewRect);
    return;
  }
  // During a drag only the selection and the strips beside the plot are painted again.
  const PixelRect& s = SelectionRect;
  const PixelRect& p = PlotRect;
  std::vector<PixelRect> areas;
  if (p.Top < s.Top || s.Bottom < p.Bottom) {
    areas.push_back(PixelRect{ViewRect.Left, p.Top, p.Left + 1, p.Bottom + 1});
  } else {
    areas.push_back(PixelRect{p.Left, p.Bottom, p.Right, ViewRect.Bottom});
  }
  areas.push_back(s);
  if (mode == 2) {
    areas.push_back(PixelRect{p.Right - 3, p.Top, p.Right, p.Bottom});
    areas.push_back(PixelRect{GridRect.Left, s.Top, s.Right, s.Bottom});
    PixelRect previous = Painting.PreviousSelection;
    if (previous.Bottom >= p.Bottom) previous.Bottom = GridRect.Bottom;
    areas.push_back(previous);
    areas.push_back(PixelRect{ViewRect.Left, p.Top, p.Left + 1, p.Bottom + 1});
    areas.push_back(PixelRect{p.Left, p.Bottom, p.Right, ViewRect.Bottom});
  }
  if (Painting.TopStrip != 0) {
    areas.push_back(PixelRect{ViewRect.Left, ViewRect.Top, ViewRect.Right, p.Top});
    Painting.TopStrip = 0;
  }
  for (const PixelRect& area : areas) {
    const PixelRect within = Intersect(area, ViewRect);
    if (Empty(within)) continue;
    Fill(target, within, Style.BackgroundColour);
    GridLinesWithin(target, within);
  }
  Painting.PreviousSelection = s;
}

PixelRect GraphView::ValueScaleArea() const {
  return PixelRect{ViewRect.Left, std::max(PlotRect.Top - kValueLabelReach, ViewRect.Top), PlotRect.Right,
                   std::min(PlotRect.Bottom + kValueLabelReach, ViewRect.Bottom)};
}

void GraphView::DrawAxisLabels(platform::Surface& target) {
  Fill(target, ValueTickStrip, Style.BackgroundColour);
  Fill(target, TimeTickStrip, Style.BackgroundColour);
  const ScaleState& s = PaintScale;
  const platform::Font font{Style.SmallFont.Face, std::max(Style.SmallFont.Height, 1), Style.SmallFont.Width, 400};

  const std::vector<ValueAxisColumn> axes = ValueAxisColumns();
  const bool coloured = axes.size() > 1;
  const std::string step_text = Fixed(s.ValueLabelStep, 1);
  const std::int32_t h = std::max(platform::TextExtent("0", font).cy, platform::TextExtent(step_text, font).cy);
  const VessamorChannel* axis = axes.empty() ? nullptr : Channels[axes.front().Channel].get();
  const std::int32_t time_row = PlotRect.Bottom + 2 * FrameWidth + 4;
  ValueLabelRects.clear();
  ValueLabelTexts.clear();
  ValueLabelChannels.clear();
  // The labels of one column: each value at its pixel below the plot top, thinned where they crowd.
  const auto write_column = [&](const ValueAxisColumn& column, const std::vector<std::pair<double, std::int32_t>>& ticks,
                                int decimals) {
    const VessamorChannel& channel = *Channels[column.Channel];
    const Rgba colour = coloured ? channel.Colour : Style.TextColour;
    const std::vector<PixelRect> names = AxisNameLines(column);
    // Labels at every n-th tick, the same n down the whole column, so that they read even steps; the
    // thinning starts on a tick whose value is a multiple of the labelled step.
    std::vector<std::int32_t> rows;
    std::vector<double> values;
    for (const auto& [value, pixel] : ticks) {
      values.push_back(value);
      rows.push_back(pixel);
    }
    const int stride = paint_rules::EvenLabelStride(
        paint_rules::ValueLabelStride(h, static_cast<int>(ticks.size()) - 1, GridRect.Height()), h, rows);
    const std::size_t phase = paint_rules::RoundLabelPhase(values, stride);
    // The row a label takes: centred on its tick, kept below the caption strip and above the plot's bottom.
    const auto label_top = [&](std::int32_t pixel) {
      std::int32_t top =
          std::max(PlotRect.Top + pixel - h / 2, std::max(PlotRect.Top - kValueLabelReach, ViewRect.Top + CaptionHeight + 1));
      if (top + h > PlotRect.Bottom + kValueLabelReach) top = PlotRect.Bottom - h;
      // Beside the plot the bottom one keeps above the time labels' row, whose first label begins there.
      if (column.Right == axes.front().Right) top = std::min(top, time_row - 2 - h);
      return top;
    };
    std::string previous;
    for (std::size_t i = phase; i < ticks.size(); i += static_cast<std::size_t>(stride)) {
      const auto [value, pixel] = ticks[i];
      std::string text;
      if (channel.SensorCode == 5) {
        // The pH scale has no values outside 0..14.
        if (value < 0.0 || value > 14.0) continue;
        text = value == 0.0 ? "0" : Fixed(value, std::max<int>(channel.Decimals, 1));
      } else {
        text = Fixed(value, std::max(decimals, 1));
      }
      // The top label stays below the caption strip, which is painted over this area afterwards.
      const std::int32_t top = label_top(pixel);
      // An end label pushed off its row gives way to the next one rather than the next to it, so
      // that the steps between the labels written stay even.
      const std::size_t next = i + static_cast<std::size_t>(stride);
      if (top != PlotRect.Top + pixel - h / 2 && next < ticks.size() && top + h + 2 > label_top(ticks[next].second) &&
          label_top(ticks[next].second) > top) {
        continue;
      }
      const std::int32_t width = platform::TextExtent(text, font).cx;
      const PixelRect box{column.Right - width, top, column.Right, top + h};
      // A label is never written twice, nor over a name, nor past its column or the view's edge.
      const bool under_name = std::any_of(names.begin(), names.end(), [&](const PixelRect& n) {
        return n.Left < box.Right && box.Left < n.Right && n.Top < box.Bottom + 2 && box.Top < n.Bottom + 2;
      });
      const bool crowded = !ValueLabelRects.empty() && ValueLabelChannels.back() == column.Channel &&
                           box.Top < ValueLabelRects.back().Bottom + 2;
      if (text == previous || under_name || crowded || box.Left < column.Left || box.Left < ViewRect.Left) continue;
      previous = text;
      platform::DrawText(target, box.Left, box.Top, text, font, Colour(colour));
      ValueLabelRects.push_back(box);
      ValueLabelTexts.push_back(text);
      ValueLabelChannels.push_back(static_cast<std::uint8_t>(column.Channel));
    }
  };
  for (std::size_t n = 0; n < axes.size(); ++n) {
    const ValueAxisColumn& column = axes[n];
    std::vector<std::pair<double, std::int32_t>> ticks;
    if (n == 0) {
      const int count = std::min<int>(s.ValueTickCount, static_cast<int>(s.ValueTicks.size()) - 1);
      for (int i = 0; i <= count; ++i) ticks.emplace_back(s.ValueTicks[i].Value, s.ValueTicks[i].Pixel);
      write_column(column, ticks, s.ValueLabelDecimals);
      continue;
    }
    // Another kind's axis: the plot's top and bottom read on its own scale, labelled at the round
    // steps the grid would take for that range, each where the kind's curve lies at that value.
    const VessamorChannel& channel = *Channels[column.Channel];
    const auto own = [&](double value) {
      float v = static_cast<float>(value);
      float fraction = axis->ScaleMappingPair.Forward != nullptr ? axis->ScaleMappingPair.Forward(&v) : v;
      return static_cast<double>(channel.ScaleMappingPair.Inverse != nullptr ? channel.ScaleMappingPair.Inverse(&fraction) : fraction);
    };
    // A kind drawn with a plot gain lies at its value times the gain on the axis channel's scale,
    // from the top value carried onto its own axis.
    const double top = own(s.TopValue);
    const double bottom = channel.PlotGainApplies() && channel.PlotGain != 0.0f
                              ? top - (s.TopValue - s.BottomValue) / channel.PlotGain
                              : own(s.BottomValue);
    const double span = top - bottom;
    if (!std::isfinite(span) || span == 0.0) continue;
    paint_rules::AxisStep step = paint_rules::ValueGridStep(std::fabs(span) / std::max<std::uint8_t>(ValueDivisions, 1));
    // A step whose labels would crowd goes up to the next round step that leaves them room, rather
    // than losing labels here and there.
    const double least = (h + 2.0) * std::fabs(span) / std::max<std::uint16_t>(PlotHeight, 1);
    if (step.Step < least) step = paint_rules::RoundStepAtLeast(least);
    for (double value : paint_rules::RoundTicks(top, bottom, step.Step)) {
      const double pixel = (top - value) / span * PlotHeight;
      ticks.emplace_back(value, static_cast<std::int32_t>(std::lround(pixel)));
    }
    if (span < 0.0) std::reverse(ticks.begin(), ticks.end());
    write_column(column, ticks, step.Decimals);
  }

  // Time labels.
  const int last = std::min<int>(s.TimeTickCount, static_cast<int>(s.TimeTicks.size()) - 1);
  std::vector<std::string> texts(static_cast<std::size_t>(last) + 1);
  std::vector<double> lefts(texts.size());
  std::vector<double> widths(texts.size());
  for (int i = 0; i <= last; ++i) {
    texts[i] = Fixed(s.TimeTicks[i].Value, std::max<int>(s.TimeLabelDecimals, 1));
    widths[i] = platform::TextExtent(texts[i], font).cx;
    double left = std::max<double>(PlotRect.Left + s.TimeTicks[i].Pixel - 10, ViewRect.Left + 10);
    if (left + widths[i] > GridRect.Right) left = GridRect.Right - widths[i];
    lefts[i] = left;
  }
  const std::vector<bool> shown =
      paint_rules::TimeLabelsShown(lefts, widths, static_cast<double>(GridRect.Right) - PlotRect.Left);
  const std::int32_t y = time_row;
  LastTimeLabel = {};
  TimeLabelRects.clear();
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (!shown[i]) continue;
    platform::DrawText(target, Px(lefts[i]), y, texts[i], font, Colour(Style.TextColour));
    LastTimeLabel = PixelRect{Px(lefts[i]), y, Px(lefts[i] + widths[i]), y + font.Height};
    TimeLabelRects.push_back(LastTimeLabel);
  }
}

void GraphView::DrawSelection(platform::Surface& target) {
  const PixelRect& s = SelectionRect;
  const platform::Pen pen{Colour(Style.Pens[1].Colour), 1};
  platform::DrawLine(target, s.Left, s.Top, s.Right + 1, s.Top, pen);
  platform::DrawLine(target, s.Left, s.Bottom, s.Right + 1, s.Bottom, pen);
  platform::DrawLine(target, s.Left, s.Top, s.Left, s.Bottom, pen);
  platform::DrawLine(target, s.Right, s.Top, s.Right, s.Bottom, pen);
  const platform::Brush brush{Colour(Style.BackgroundColour)};
  platform::DrawEllipse(target, platform::Rect{s.Left - 2, s.Top - 2, s.Left + 3, s.Top + 3}, pen, brush);
  platform::DrawEllipse(target, platform::Rect{s.Right - 2, s.Bottom - 2, s.Right + 3, s.Bottom + 3}, pen, brush);
}

void GraphView::DrawCaptionLine() {
  if (Painting.CaptionText == 0 || PaintHost == nullptr) return;
  agg_ren& renderer = PaintHost->Renderer();
  if (PaintHost->FontResetPending != 0) {
    renderer.ResetFont();
    PaintHost->FontResetPending = 0;
  }
  const bool english = MainWindow != nullptr && MainWindow->EnglishUi();
  const double sx = MainWindow != nullptr ? MainWindow->ScaleX() : 1.0;
  const double sy = MainWindow != nullptr ? MainWindow->ScaleY() : 1.0;
  const double aspect = MainWindow != nullptr ? MainWindow->AspectRatio() : 1.0;
  const double top = ViewRect.Top + (aspect > 1.5 ? 9.0 : 6.0) * sy;
  const double bottom = ViewRect.Top + CaptionHeight;
  const std::uint32_t rate = RecordViewable != 0 ? RecordRate : RateSetting;
  char frequency[96];
  std::snprintf(frequency, sizeof frequency, english ? "Sampling frequency : %u Hz" : "Частота дискретизации %u Гц",
                rate);
  const double width = ViewRect.Width();
  const std::pair<double, std::string> texts[] = {
      {ViewRect.Left + 20.0 * sx, GraphTitle},
      {ViewRect.Left + 0.4 * width, paint_rules::CaptionRecordName(RecordName)},
      {ViewRect.Left + 0.65 * width, frequency},
  };
  for (std::size_t n = 0; n < std::size(texts); ++n) {
    const auto& [x, text] = texts[n];
    const std::string cp1251 = platform::Utf8ToCp1251(text);
    renderer.DrawTextInBox(cp1251.c_str(), x, top, ViewRect.Right - x, bottom - top, 1.2 * sy, rgba8(0, 0, 0, 255),
                           nullptr, 0);
    // Where the text went, so that the markers' badges keep off it.
    HeaderTextReach[n] = PixelRect{Px(renderer.style.text_origin_x), Px(top), Px(std::ceil(renderer.style.text_end_x)),
                                   Px(bottom)};
  }
}

std::string GraphView::PlainAxisName(const VessamorChannel& channel) {
  // A channel whose indicator reads a rate it counts in the signal (pulse, breathing, radioactivity)
  // plots that signal, a fraction of the sensor's range: its axis goes by the symbol alone, without
  // the rate's unit.
  return channel.Unit.empty() || channel.SymbolCaption != 0 ? channel.Symbol : channel.Symbol + "," + channel.Unit;
}

std::string GraphView::AxisName(const VessamorChannel& channel) {
  std::string text = PlainAxisName(channel);
  // A unit's "^2" and "^3" are written raised, as the other captions show them.
  for (const auto& [plain, raised] : {std::pair<std::string_view, std::string_view>{"^2", "²"}, {"^3", "³"}}) {
    for (std::size_t at = text.find(plain); at != std::string::npos; at = text.find(plain, at))
      text.replace(at, plain.size(), raised);
  }
  return text;
}

std::size_t GraphView::AxisChannelIndex() const {
  std::size_t first = kLiveChannels;
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    const VessamorChannel& channel = *Channels[k];
    if (channel.Enabled == 0 || channel.Shown == 0) continue;
    if (channel.SensorCode == SensorCode) return k;
    if (first == kLiveChannels) first = k;
  }
  return first;
}

std::vector<GraphView::ValueAxisColumn> GraphView::ValueAxisColumns() const {
  // The shown axis first, then one further left for each other sensor kind shown. Channels of a
  // kind already there share its labels: the layout gave each kind one column (its first
  // channel's), and only those columns lie left of the plot.
  std::vector<ValueAxisColumn> columns;
  std::int32_t right = PlotRect.Left - FrameWidth - 8;
  const std::size_t axis = AxisChannelIndex();
  for (std::size_t n = 0; n < kLiveChannels; ++n) {
    // The axis channel's kind first, the others in channel order.
    const std::size_t k = axis < kLiveChannels ? (n == 0 ? axis : (n <= axis ? n - 1 : n)) : n;
    const VessamorChannel& channel = *Channels[k];
    if (channel.Enabled == 0 || channel.Shown == 0) continue;
    const auto same_kind = [&](std::size_t j) { return Channels[j]->SensorCode == channel.SensorCode; };
    if (std::any_of(columns.begin(), columns.end(), [&](const ValueAxisColumn& c) { return same_kind(c.Channel); })) continue;
    std::int32_t width = LabelColumnWidths[k];
    for (std::size_t j = 0; j < kLiveChannels && width == 0; ++j) {
      if (same_kind(j) && Channels[j]->FirstOfSensor != 0) width = LabelColumnWidths[j];
    }
    columns.push_back(ValueAxisColumn{k, right - width, right, {}});
    right -= width;
  }
  // Every channel is named while the accelerometer is channel 0's kind, else the shown ones.
  const bool all = Channels[0]->SensorCode == 7 || Channels[0]->SensorCode == 8;
  for (ValueAxisColumn& column : columns) {
    for (std::size_t k = 0; k < kLiveChannels; ++k) {
      const VessamorChannel& channel = *Channels[k];
      if (channel.SensorCode != Channels[column.Channel]->SensorCode || !(all || (channel.Enabled != 0 && channel.Shown != 0))) continue;
      const std::string text = AxisName(channel);
      const bool named = std::any_of(column.Names.begin(), column.Names.end(), [&](const auto& n) { return n.second == text; });
      if (!text.empty() && !named) column.Names.emplace_back(k, text);
    }
  }
  return columns;
}

std::vector<PixelRect> GraphView::AxisNameLines(const ValueAxisColumn& column) const {
  const FontSpec spec = AxisNameFont();
  const platform::Font font{spec.Face, std::max(spec.Height, 1), spec.Width, spec.Weight};
  const std::int32_t line = platform::GetTextMetrics(font).Height;
  // The first line sits at the band's bottom, clear of the top labels.
  const std::int32_t first = PlotRect.Top - NameBandHeight + 2;
  std::vector<PixelRect> lines;
  // Beside the plot the others follow it along the band, over the plot's top, where they fit; else
  // (and in the columns further left) they follow it down over the top labels.
  if (column.Right == PlotRect.Left - FrameWidth - 8) {
    const std::int32_t gap = std::max<std::int32_t>(line, 8);
    std::int32_t x = column.Right;
    for (std::size_t n = 0; n < column.Names.size(); ++n) {
      const std::int32_t width = platform::TextExtent(column.Names[n].second, font).cx;
      const std::int32_t left = n == 0 ? std::max(column.Right - width, column.Left) : x + gap;
      lines.push_back(PixelRect{left, first, left + (n == 0 ? column.Right - left : width), first + line});
      x = lines.back().Right;
    }
    if (lines.back().Right <= ViewRect.Right - gap) return lines;
    lines.clear();
  }
  for (std::size_t n = 0; n < column.Names.size(); ++n) {
    const std::int32_t width = platform::TextExtent(column.Names[n].second, font).cx;
    const std::int32_t top = n == 0 ? first : PlotRect.Top + static_cast<std::int32_t>(n - 1) * (line + 3) + 2;
    lines.push_back(PixelRect{std::max(column.Right - width, column.Left), top, column.Right, top + line});
  }
  return lines;
}

void GraphView::DrawAxisNames() {
  if (PaintHost == nullptr) return;
  platform::Surface& picture = PaintHost->Picture();
  const double s = MainWindow != nullptr ? MainWindow->UiScale() : 1.0;
  const std::vector<ValueAxisColumn> axes = ValueAxisColumns();
  const FontSpec spec = AxisNameFont();
  const platform::Font font{spec.Face, std::max(spec.Height, 1), spec.Width, spec.Weight};
  // Coloured as the labels are: in the channel's colour over a black shadow where several kinds
  // or channels share the screen.
  std::size_t names = 0;
  for (const ValueAxisColumn& column : axes) names += column.Names.size();
  const bool coloured = names > 1 || Channels[0]->SensorCode == 7 || Channels[0]->SensorCode == 8;
  ValueNameReach.clear();
  ValueNameChannels.clear();
  ValueNames.clear();
  for (const ValueAxisColumn& column : axes) {
    const std::vector<PixelRect> lines = AxisNameLines(column);
    for (std::size_t n = 0; n < lines.size(); ++n) {
      const auto& [k, text] = column.Names[n];
      const PixelRect& at = lines[n];
      // A paint that did not clear the view writes the name again: over its own background, not
      // over itself, whose smoothed edges would darken with every paint.
      Fill(picture, PixelRect{at.Left - 1, at.Top - 1, at.Right, at.Bottom}, Style.BackgroundColour);
      platform::DrawText(picture, at.Left, at.Top, text, font, platform::Colour{0, 0, 0, 255});
      if (coloured) platform::DrawText(picture, at.Left - 1, at.Top - 1, text, font, Colour(Channels[k]->Colour));
      ValueNameReach.push_back(PixelRect{at.Left - 1, at.Top - 1, at.Right, at.Bottom});
      ValueNameChannels.push_back(static_cast<std::uint8_t>(k));
      const VessamorChannel& named = *Channels[k];
      ValueNames.push_back(PlainAxisName(named));
    }
  }
  // The time axis is named after the axis channel's (channel 0's with the accelerometer and none shown).
  const VessamorChannel* timed = !axes.empty() ? Channels[axes.front().Channel].get() : coloured ? Channels[0].get() : nullptr;
  if (timed == nullptr) return;
  const std::string time = timed->TimeUnit.empty() ? timed->AxisLabel : timed->AxisLabel + "," + timed->TimeUnit;
  const platform::Size size = platform::TextExtent(time, font);
  // The name starts a gap right of the last time label where its place would touch that label.
  const double gap = 8.0 * s;
  double x = LastTimeLabel.Right > LastTimeLabel.Left ? std::max<double>(TimeNameRect.Left, LastTimeLabel.Right + gap)
                                                      : static_cast<double>(TimeNameRect.Left);
  double top = TimeNameRect.Top;
  // Where a label near the right edge leaves the name no room beside it, the name goes under the
  // labels, against the view's right edge, rather than off the window.
  if (x + size.cx > ViewRect.Right - gap / 2) {
    x = ViewRect.Right - gap / 2 - size.cx;
    top = std::max<double>(top, LastTimeLabel.Bottom + 2);
  }
  TimeNameReach = PixelRect{Px(x), Px(top), Px(x) + size.cx, Px(top) + size.cy};
  Fill(picture, TimeNameReach, Style.BackgroundColour);
  platform::DrawText(picture, Px(x), Px(top), time, font, platform::Colour{0, 0, 0, 255});
}

void GraphView::PaintPanelCaptions(std::uint8_t mode) {
  if (PaintHost == nullptr) return;
  platform::Surface& picture = PaintHost->Picture();
  agg_ren& renderer = PaintHost->Renderer();
  const double sx = MainWindow != nullptr ? MainWindow->ScaleX() : 1.0;
  const double s = MainWindow != nullptr ? MainWindow->UiScale() : 1.0;
  const bool english = MainWindow != nullptr && MainWindow->EnglishUi();

  const PixelRect column = PaintHost->PanelColumn();
  const PixelRect below = PaintHost->BelowGraph();
  // The side column comes out the same every time its place and language stay: it is drawn once
  // and copied afterwards.
  const std::array<PixelRect, 4> groups = PaintHost->ControlGroups();
  const PanelCacheKey key{column, below, groups, DisplayMode, mode, english};
  if (mode == 0 && PanelCache.Valid && PanelCache.Key == key) {
    Copy(picture, column.Left, column.Top, PanelCache.Column, PixelRect{0, 0, column.Width(), column.Height()});
    Copy(picture, below.Left, below.Top, PanelCache.Below, PixelRect{0, 0, below.Width(), below.Height()});
    return;
  }
  if (const platform::Surface* strip = PaintHost->PanelColumnStrip()) {
    platform::StretchBlit(picture, platform::Rect{column.Left, column.Top, column.Right, column.Bottom}, *strip,
                          strip->Bounds());
  }
  if (const platform::Surface* strip = PaintHost->BelowGraphStrip(); strip != nullptr && DisplayMode == 3) {
    platform::StretchBlit(picture, platform::Rect{below.Left, below.Top, below.Right, below.Bottom}, *strip,
                          strip->Bounds());
  }

  // Mode 0 has three panels: round the view and channel groups with the differences in the side
  // column where the window lays its controls in groups (the sensor control panel round its own
  // group too), else stacked in the side column. Mode 1 puts four round the control groups.
  std::vector<std::pair<int, PixelRect>> panels;
  const bool grouped = !Empty(groups[1]) && !Empty(groups[2]);
  if (mode == 0 && grouped) {
    for (int n = 0; n < 3; ++n) panels.emplace_back(165 + n, groups[static_cast<std::size_t>(n)]);
    panels.emplace_back(168, column);
  } else if (mode == 0) {
    const std::int32_t margin = Px(8.0 * s);
    const std::int32_t height = (column.Height() - 4 * margin) / 3;
    for (int n = 0; n < 3; ++n) {
      const std::int32_t top = column.Top + margin + n * (height + margin);
      panels.emplace_back(166 + n, PixelRect{column.Left + margin, top, column.Right - margin, top + height});
    }
  } else {
    for (int n = 0; n < 4; ++n) panels.emplace_back(165 + n, groups[static_cast<std::size_t>(n)]);
  }
  for (const auto& [id, r] : panels) {
    if (Empty(r)) continue;
    PanelRect filled{static_cast<double>(r.Left), static_cast<double>(r.Width()), static_cast<double>(r.Top),
                     static_cast<double>(r.Height())};
    PanelRect outline = filled;
    renderer.style.gradient1 = mode == 0 ? rgba8(250, 248, 255, 255) : rgba8(235, 232, 248, 255);
    renderer.style.gradient2 = rgba8(225, 220, 240, 255);
    // Both fill the rectangle as given, the outline inside it, so a panel never reaches over the
    // buttons it goes round.
    renderer.DrawRoundedPanel(filled, PanelStyle{0, 0, 0, 2, 100}, 1.0f, 1.0f, Agg(kPanelFill), 0.4f);
    renderer.DrawRoundedPanel(outline, PanelStyle{0, 0, 0, 0, 100}, 1.0f, 4.0f, Agg(kPanelFill), 0.4f);
    const std::string caption = platform::Utf8ToCp1251(PaintHost->PanelCaption(id));
    const double x = filled.x + (15.0 + (id == 166 ? 10.0 : 0.0)) * sx;
    // The caption's baseline 18 x UiScale below the panel's top, in the strip above the buttons.
    const double scale = 0.9 * s;
    const double y = filled.y + 18.0 * s - renderer.EngineHeight() * scale;
    renderer.DrawTextInBox(caption.c_str(), x, y, filled.x + filled.width - x, 30.0 * s, scale, rgba8(0, 0, 0, 255),
                           nullptr, 0);
    if (id == 168) DifferencePanelRect = r;
  }
  if (mode == 0) {
    PanelCache.Column = platform::Surface(std::max(column.Width(), 0), std::max(column.Height(), 0));
    PanelCache.Below = platform::Surface(std::max(below.Width(), 0), std::max(below.Height(), 0));
    Copy(PanelCache.Column, 0, 0, picture, column);
    Copy(PanelCache.Below, 0, 0, picture, below);
    PanelCache.Key = key;
    PanelCache.Valid = true;
  }
  renderer.style.panel_line_width = static_cast<float>(12.0 * s);
  renderer.style.spare_grey = rgba8(190, 190, 190, 255);
  renderer.style.highlight = rgba8(255, 255, 255, 255);
  renderer.style.shadow_offset = 5.0;
}

void GraphView::SaveIndicatorBackground(const IndicatorBox& box) {
  const std::int32_t offset = box.Box.Width() + 5;
  Copy(PaintHost->Copies(), box.Box.Left - offset, box.Box.Top, PaintHost->Picture(), box.Box);
}

void GraphView::PutIndicatorBackground(IndicatorBox& box, std::int32_t from_x) {
  const std::int32_t offset = box.Box.Width() + 5;
  const std::int32_t left = std::max(box.Box.Left, from_x);
  const PixelRect kept{left - offset, box.Box.Top, box.Box.Right - offset, box.Box.Bottom};
  Copy(PaintHost->Picture(), left, box.Box.Top, PaintHost->Copies(), kept);
  Include(box.Changed, PixelRect{left, box.Box.Top, box.Box.Right, box.Box.Bottom});
}

bool GraphView::RestoreIndicatorBackground() {
  const std::uint32_t now = TickClock != nullptr ? TickClock->NowMs() : 0;
  const bool moved = paint_rules::IndicatorsMove(now, Painting.LastIndicatorMove, Painting.IndicatorMoveValid != 0);
  if (moved) {
    Painting.LastIndicatorMove = now;
    Painting.IndicatorMoveValid = 1;
  }
  Painting.IndicatorPhase = moved ? 2 : 5;
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    IndicatorBox& box = Painting.Indicators[k];
    if (IndicatorShown[k] != 0) {
      // The box's frame takes in its texts where they reach past the strip (a volume's decimals):
      // all of it is kept, restored and sent to the window, so no part of an earlier value stays.
      box.Box = IndicatorStrips[k];
      const PixelRect& framed = Channels[k]->LabelRect;
      if (framed.Right > framed.Left && framed.Bottom > framed.Top) Include(box.Box, framed);
    }
    box.State = 0;
  }
  bool handled = false;
  const std::int32_t last_x = TimeOriginPixel - 1 + Painting.PaintedLast;
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    IndicatorBox& box = Painting.Indicators[k];
    if (IndicatorShown[k] == 0) continue;
    // A box not drawn yet (the recording's first screen began before its first sample) is laid now;
    // so is one still showing the volume of a recording that has stopped.
    const bool volume_over = Channels[k]->IndicatorShownVolume != 0 && !PaintRecording;
    if (Painting.FullRedrawRunning != 0 || box.Drawn == 0 || volume_over) {
      SaveIndicatorBackground(box);
      box.Drawn = 0;
      box.State = moved ? 3 : 4;
      handled = true;
    } else {
      // A value read while the recording ran is read again once it has stopped: the record's
      // last column, as every later draw of the stopped record shows it.
      const bool read_live = Channels[k]->IndicatorShownLive != 0 && !PaintRecording;
      bool renew = moved || read_live;
      // A move that would show the same texts in the same box leaves the box as it stands: only
      // the columns drawn under it are framed over again.
      if (renew && !read_live && MainWindow != nullptr) {
        std::lock_guard lock(ViewLock);
        renew = MainWindow->IndicatorFaceChanges(*Channels[k], Painting.PaintedLast);
      }
      if (box.Box.Left < last_x && !renew) {
        // The box is opaque: between two moves the new columns under it are only framed over, so
        // its value stays readable; the background it keeps is taken again at the next move.
        box.State = 2;
        handled = true;
      } else if (box.Box.Left < last_x) {
        box.State = 1;
        PutIndicatorBackground(box, box.Box.Left);
        box.SaveMarked = 1;
        handled = true;
      } else if (renew) {
        box.State = 1;
        PutIndicatorBackground(box, box.Box.Left);
        handled = true;
      }
    }
  }
  if (Painting.FullRedrawRunning == 0) Painting.IndicatorPhase = handled ? 3 : 5;
  return moved;
}

void GraphView::RestoreIndicatorAreas() {
  for (IndicatorBox& box : Painting.Indicators) {
    if (box.SaveMarked == 0) continue;
    SaveIndicatorBackground(box);
    box.SaveMarked = 0;
  }
}

void GraphView::DrawIndicators(bool /*moved*/) {
  platform::Surface& picture = PaintHost->Picture();
  platform::Surface& copies = PaintHost->Copies();
  agg_ren& renderer = PaintHost->Renderer();
  const std::int32_t first_x = TimeOriginPixel - 1 + Painting.PaintedFirst;
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    IndicatorBox& box = Painting.Indicators[k];
    if (box.State == 0 || IndicatorShown[k] == 0) {
      if (IndicatorShown[k] != 0) Painting.IndicatorPhase = 4;
      continue;
    }
    const std::int32_t offset = box.Box.Top - PlotRect.Top;
    if (box.State == 1 && box.Drawn == 0) SaveIndicatorBackground(box);
    const std::uint8_t mode = box.State == 2 ? 2 : 0;
    // Over freshly painted columns only their part of the box is framed again; the rest keeps its text.
    if (mode == 2) {
      const std::int32_t last_x = TimeOriginPixel + Painting.PaintedLast + 2;  // and the pen's reach
      renderer.Base()->clip_box(std::max(first_x - 3, box.Box.Left), box.Box.Top, std::min(last_x, box.Box.Right - 1),
                                box.Box.Bottom - 1);
      // The rasterizer keeps to the same few columns: the panel and texts outside them cost nothing.
      const agg::rect_i clip = renderer.Base()->clip_box();
      renderer.Rasterizer().clip_box(clip.x1 - 1, clip.y1 - 1, clip.x2 + 2, clip.y2 + 2);
    }
    if (MainWindow != nullptr) {
      // The value comes from the live columns, which the tick writes meanwhile.
      std::lock_guard lock(ViewLock);
      MainWindow->DrawValueIndicator(*Channels[k], renderer, offset, mode, Painting.PaintedLast);
    }
    if (mode == 2) {
      renderer.Base()->reset_clipping(true);
      renderer.Rasterizer().reset_clipping();
      const std::int32_t last_x = TimeOriginPixel + Painting.PaintedLast + 2;
      Include(box.Changed, PixelRect{std::max(first_x - 3, box.Box.Left), box.Box.Top, std::min(last_x + 1, box.Box.Right),
                                     box.Box.Bottom});
    } else {
      Include(box.Changed, box.Box);
    }
    PixelRect kept = box.Box;
    if (box.State == 2) kept.Right = std::min(kept.Right, first_x);
    Copy(copies, kept.Left, kept.Top, picture, kept);
    Painting.IndicatorPhase = box.State == 1 ? 1 : box.State == 2 ? 2 : 3;
    box.Drawn = 1;
    box.State = 0;
  }
}

void GraphView::RestoreChannelStrips(platform::Surface& target) {
  if (PaintHost == nullptr) return;
  for (const IndicatorBox& box : Painting.Indicators) {
    if (box.Drawn != 0) Copy(target, box.Box.Left, box.Box.Top, PaintHost->Picture(), box.Box);
  }
}

