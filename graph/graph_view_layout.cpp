// Graph view housekeeping: the view's layout, value strips, curves, live indicators, new record, marker time.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "channels/main_window_services.h"
#include "graph/graph_view.h"
#include "platform/gdi.h"
#include "render/agg_ren.h"
#include "render/cubic_spline.h"

namespace {

std::int32_t Px(double value) { return static_cast<std::int32_t>(value); }

// Characters of a UTF-8 text (continuation bytes do not count).
std::size_t Characters(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace

void GraphView::SetViewRect(const PixelRect& rect, std::uint8_t /*flags*/, bool alternate) {
  const float s = MainWindow != nullptr ? MainWindow->UiScale() : 1.0f;
  const float sx = MainWindow != nullptr ? MainWindow->ScaleX() : 1.0f;
  const float sy = MainWindow != nullptr ? MainWindow->ScaleY() : 1.0f;
  const std::int32_t screen_width = MainWindow != nullptr ? MainWindow->ScreenWidth() : rect.Width();
  const std::int32_t screen_height = MainWindow != nullptr ? MainWindow->ScreenHeight() : rect.Height();
  ViewRect = rect;
  CaptionHeight = Px(40.0f * s);
  const std::int32_t f = FrameWidth;

  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  LabelColumnWidths.fill(0);
  NameBandHeight = 0;
  if (alternate) {
    left = Px(0.1 * screen_width);
    top = Px(0.1 * screen_height);
    width = Px(0.8 * screen_width);
    height = Px(0.8 * screen_height);
  } else {
    const std::int32_t label_strip = LerpInt(996, 564, 70, 40, screen_height);
    const std::int32_t name_height = Style.SmallFont.Height;
    // The value axes' names stand in a band of their own above the plot, clear of the top labels
    // (which reach at most 10 pixels above it).
    const FontSpec spec = AxisNameFont();
    const platform::Font name_font{spec.Face, std::max(spec.Height, 1), spec.Width, spec.Weight};
    const platform::TextMetrics name_metrics = platform::GetTextMetrics(name_font);
    NameBandHeight = name_metrics.Height + 10 + 4;
    height = rect.Height() - CaptionHeight - 2 * f - label_strip - name_height - NameBandHeight;
    width = rect.Width() - 2 * f - Px(20.0f * s) - Px(5.0f * s);
    left = rect.Left + f + Px(4.0f * s) + Px(5.0f * s);
    top = rect.Top + CaptionHeight + f + NameBandHeight;
    // Each sensor's first channel takes a column of value labels left of the plot, wide enough for
    // the names of its kind written over it, with a gap to the next column.
    for (std::size_t k = 0; k < kLiveChannels; ++k) {
      const VessamorChannel& channel = *Channels[k];
      if (channel.FirstOfSensor == 0) continue;
      const std::int32_t characters = std::max(channel.ValueWidth, 0) + (channel.OwnScale != 0 ? 0 : 2);
      std::int32_t widest_name = 0;
      for (const auto& other : Channels) {
        if (other->SensorCode == channel.SensorCode) widest_name = std::max(widest_name, platform::TextExtent(AxisName(*other), name_font).cx);
      }
      // The names of neighbouring columns stand a name's height apart, so that they read as two.
      LabelColumnWidths[k] = std::max(Px(characters * name_height * 0.7), widest_name + name_metrics.Height);
      left += LabelColumnWidths[k];
      width -= LabelColumnWidths[k];
    }
  }
  // However long the labels, the plot keeps a column and stays inside the column tables.
  PlotWidth = std::max<std::uint16_t>(ClampPlotWidth(std::min(width, std::max(screen_width, 1))), 1);
  PlotHeight = static_cast<std::uint16_t>(std::clamp(height, 1, 65535));
  PlotRect = PixelRect{left, top, left + PlotWidth, top + PlotHeight};
  ValueOriginPixel = PlotRect.Top;
  TimeOriginPixel = PlotRect.Left;
  GridRect = PixelRect{left - f - 7, top - 3, PlotRect.Right + 2 * f + Px(5.0f * sx), PlotRect.Bottom + 2 * f + 7};
  ValueTickStrip = PixelRect{rect.Left, PlotRect.Top, PlotRect.Left - f, PlotRect.Bottom};
  TimeTickStrip = PixelRect{rect.Left, PlotRect.Bottom + f, rect.Right, rect.Bottom};
  CaptionRect = PixelRect{rect.Left, rect.Top, rect.Right, rect.Top + CaptionHeight};
  ValueNameRect = PixelRect{PlotRect.Left - Px(100.0f * sx), PlotRect.Top - Px(50.0f * sx),
                            PlotRect.Left + Px(80.0f * sx), PlotRect.Top - Px(20.0f * sy)};
  TimeNameRect = PixelRect{PlotRect.Right - Px(100.0f * sx), PlotRect.Bottom + Px(20.0f * sy),
                           PlotRect.Right + Px(20.0f * sx), PlotRect.Bottom + Px(50.0f * sx)};

  // A new plot size changes every derived factor, even with the scales as they were.
  const auto seconds = static_cast<float>(Scale.SecondsPerDivision);
  const auto value = static_cast<float>(Scale.ValuePerDivision);
  Scale.SecondsPerDivision = 0.0;
  Scale.ValuePerDivision = 0.0;
  SetScales(seconds, value, 1);
  PlaceTimeTicks();
  PlaceValueTicks();

  HelpPanelRect = PixelRect{rect.Right - Px(605.0f * s), rect.Top + CaptionHeight + Px(20.0f * s),
                            rect.Right - Px(5.0f * s), rect.Bottom - 1};
  // The screens other than the graph (the digital display 1, the white graph 2, the dial 4) keep
  // their controls out of sight: the top group shows over the top band, the side group over the
  // bottom bar or when the pointer reaches the left edge. Their value indicators stand in one
  // column in the middle of the view.
  TopZone = SideArea = SideZone2 = IndicatorColumn = PixelRect{};
  TopBandHeight = 0;
  if (DisplayMode == 1 || DisplayMode == 2 || DisplayMode == 4) {
    const std::int32_t toolbar = Px(40.0f * sy);
    TopBandHeight = CaptionHeight;
    TopZone = PixelRect{rect.Left, 0, rect.Right, toolbar + CaptionHeight};
    SideArea = PixelRect{0, screen_height - Px(130.0f * sy), screen_width, screen_height};
    SideZone2 = PixelRect{0, TopZone.Bottom, Px(40.0f * sx), SideArea.Top};
    if (DisplayMode == 1) {
      const std::int32_t middle = rect.Left + rect.Width() / 2;
      IndicatorColumn = PixelRect{middle - Px(195.0f * s), rect.Top + CaptionHeight + Px(20.0f * s),
                                  middle + Px(195.0f * s), rect.Bottom - Px(10.0f * s)};
    }
  }
  if (MainWindow != nullptr) {
    MainWindow->InitHelpPanel(HelpPanelRect);
    MainWindow->FontScale = s;
    MainWindow->LayoutPanels();  // a no-op until the scale sliders exist
  }
  for (MarkerRecord& marker : Markers) {
    marker.Set = 0;
    marker.Dragging = 0;
  }
}

void GraphView::LayoutIndicatorStrips() {
  const float s = MainWindow != nullptr ? MainWindow->UiScale() : 1.0f;
  // The digital display stacks its indicators in its own column, the graph at the plot's right edge.
  const PixelRect& column = DisplayMode == 1 && IndicatorColumn.Height() > 0 ? IndicatorColumn : PlotRect;
  std::int32_t y = column.Top;
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    VessamorChannel& channel = *Channels[k];
    IndicatorShown[k] = 0;
    if (IndicatorOn[k] == 0 || channel.Shown == 0 || channel.Enabled == 0) continue;
    const bool large = LargeIndicator[k] != 0;
    const std::int32_t box = Px((large ? 160.0f : 80.0f) * s);
    const PixelRect strip{column.Right - Px(390.0f * s), y, column.Right, y + box};
    if (strip.Bottom > column.Bottom) continue;
    IndicatorStrips[k] = strip;
    IndicatorShown[k] = 1;
    channel.LayoutIndicator(strip, LastShownColumn);
    y += Px((large ? 170.0f : 90.0f) * s);
  }
  // The boxes of one screen share one left edge and width, the widest box's (a rate kind's long
  // unit reaches left of the strip), and each strip holds its whole box: the picture kept under
  // a strip is then all that a box covers, and no curve shows through it.
  std::int32_t left = column.Right, right = column.Right;
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    if (IndicatorShown[k] == 0) continue;
    left = std::min({left, IndicatorStrips[k].Left, Channels[k]->LabelRect.Left});
    right = std::max({right, IndicatorStrips[k].Right, Channels[k]->LabelRect.Right});
  }
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    if (IndicatorShown[k] == 0 || (IndicatorStrips[k].Left == left && IndicatorStrips[k].Right == right)) continue;
    IndicatorStrips[k].Left = left;
    IndicatorStrips[k].Right = right;
    Channels[k]->LayoutIndicator(IndicatorStrips[k], LastShownColumn);
  }
}

void GraphView::ResetIndicatorStrips() { StripSaved.fill(0); }

void GraphView::ResetFont(agg_ren& surface) {
  if (FontSet == 0) {
    surface.style.typeface = "Verdana";
    surface.style.font_weight = 800;
    surface.style.font_height = 24.0;
    surface.style.font_width = 13.0;
    surface.ResetFont();
  }
  if (!surface.Attached() || ViewRect.Width() <= 0 || ViewRect.Height() <= 0) return;
  const Rgba c = Style.BackgroundColour;
  surface.Base()->copy_bar(ViewRect.Left, ViewRect.Top, ViewRect.Right - 1, ViewRect.Bottom - 1,
                           rgba8(c.R, c.G, c.B, c.A));
}

void GraphView::DrawChannels(agg_ren& surface, const std::array<const ColumnRecord*, kLiveChannels>* copies) {
  std::uint16_t start = FirstShownColumn;
  if (ColumnLimit != 0) start = std::min(start, ColumnLimit);
  if (start <= 1) start = 2;
  const std::uint16_t end = LastShownColumn;
  if (end > PlotWidth) return;
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    const VessamorChannel& channel = *Channels[k];
    if (channel.Enabled == 0 || channel.Shown == 0) continue;
    if (copies != nullptr) {
      channel.DrawCurveFrom(surface, (*copies)[k], start, end);
    } else {
      channel.DrawCurve(surface, start, end);
    }
  }
  DrawnFirstColumn = start;
  DrawnLastColumn = end;
}

void GraphView::PaintLiveIndicators(agg_ren& surface) {
  if (Recording.load() == 0 || SampleCount == 0 || MainWindow == nullptr) return;
  const std::uint32_t now = TickClock != nullptr ? TickClock->NowMs() : 0;
  const float s = MainWindow->UiScale();
  if (IndicatorPaintValid == 0 || now - LastIndicatorPaint >= kIndicatorPaintMs) {
    LastIndicatorPaint = now;
    IndicatorPaintValid = 1;
    for (std::size_t k = 0; k < kLiveChannels; ++k) {
      VessamorChannel& channel = *Channels[k];
      if (channel.Shown == 0 || channel.Enabled == 0 || IndicatorShown[k] == 0) continue;
      MainWindow->DrawValueIndicator(channel, surface, IndicatorStrips[k].Top - PlotRect.Top, 0, LastShownColumn);
      StripSaved[k] = 1;
    }
    return;
  }
  // Between two value updates the strips keep their picture: the kept background goes back.
  if (LastShownColumn <= 1) return;
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    if (IndicatorOn[k] == 0 || IndicatorShown[k] == 0 || StripSaved[k] == 0) continue;
    if (IndicatorStrips[k].Height() > Px(90.0f * s)) continue;
    MainWindow->RestoreArea(surface, IndicatorStrips[k]);
  }
}

void GraphView::NewRecord() {
  if (Recording.load() != 0) return;
  if (MainWindow != nullptr) MainWindow->CloseFileMenu();
  {
    std::lock_guard lock(ViewLock);
    for (auto& channel : Channels) channel->CodeCount = 0;
    LastSampleIndex = 0;
    SampleCount = 0;
    ViewChanged = 1;
    DisplayStart = 0;
    FirstShownColumn = 1;
    FirstColumnFraction = 0.0;
    Sweep.ScreenStart = 0.0;
    ++RecordNumber;
    const bool english = MainWindow != nullptr && MainWindow->EnglishUi();
    char name[64];
    std::snprintf(name, sizeof name, english ? "Record %d" : "Запись %d", RecordNumber);
    RecordName = name;
    if (RecordViewable != 0) {
      Scale.StartTime = 0.0;
      Scale.EndTime = RecordRate > 0 ? PlotWidth * GuardedSamplesPerColumn() / RecordRate : 0.0;
      PlaceTimeTicks();
      RecordViewable = 0;
    }
    // The view is drawn again empty: no curve, value box or marker of the discarded record stays.
    ClearMarkedPoints();
    LastShownColumn = 1;
    FullRedraw = 1;
  }
  if (MainWindow != nullptr) MainWindow->InvalidateLocal(ViewRect);
}

void GraphView::SyncIndicatorPanes() {
  if (MainWindow == nullptr) return;
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    const std::uint8_t shown = Channels[k]->SavedShown != 0 ? 1 : 0;
    MainWindow->SetChannelButton(k, static_cast<std::uint8_t>(shown + 1), shown);
  }
}

std::string GraphView::FormatSampleTime(MarkerRecord& marker) {
  std::uint32_t first = 0;
  if (!ColumnTables.empty() && marker.Column < ColumnsPerChannelCount) first = ColumnTables[marker.Column].FirstSample;
  const int decimals = RecordRate <= 1000 ? 3 : RecordRate <= 10000 ? 4 : 5;
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, RecordRate > 0 ? first / static_cast<double>(RecordRate) : 0.0);
  const std::string time = text;

  const float s = MainWindow != nullptr ? MainWindow->UiScale() : 1.0f;
  const double char_width = MainWindow != nullptr ? MainWindow->IndicatorCharWidth : 9.0;
  double widest = 0.0;
  for (const auto& channel : Channels) {
    if (channel->Enabled == 0 || channel->Shown == 0) continue;
    // The caption's longer line: the value with its symbol and unit, or the time with its unit.
    const std::size_t value_line = Characters(channel->Symbol) + 1 + std::max(channel->ValueWidth, 0) + 1 +
                                   Characters(channel->Unit);
    const std::size_t time_line = Characters(channel->AxisLabel) + 1 + time.size() + 1 + Characters(channel->TimeUnit);
    widest = std::max(widest, std::max(value_line, time_line) * char_width * 1.05 * s);
  }
  marker.CaptionWidth = Px(widest);
  const bool left = PlotRect.Left + marker.Column + 1 + marker.CaptionWidth > PlotRect.Right - Px(10.0f * s);
  marker.CaptionState.fill(left ? 1 : 0);
  return time;
}
