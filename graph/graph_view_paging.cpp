// Graph view review commands: paging by half a screen, fit to record, selection zoom, the scale sliders.
#include <algorithm>
#include <cmath>
#include <limits>

#include "channels/main_window_services.h"
#include "graph/graph_view.h"

void GraphView::RedrawAfterMove(std::uint32_t markers) {
  if (MainWindow == nullptr) return;
  if (markers > 0) MainWindow->MarkerRedraw = 1;
  if (markers >= 2) {
    MainWindow->InvalidateLocal();
  } else {
    MainWindow->InvalidateLocal(ViewRect);
  }
}

void GraphView::ShowFromStart(double start) {
  SetViewStart(start);
  FirstShownColumn = 1;
  LastShownColumn = LayColumnsFrom(1);
  for (auto& channel : Channels) channel->ResetColumnReduction();
  RebuildColumnTable(1, LastShownColumn);
}

// Half a screen in whole columns, so that a page back undoes a page forward column for column.
double GraphView::HalfScreenSamples() const { return (PlotWidth / 2) * GuardedSamplesPerColumn(); }

// A page start that only the rounding of adding and taking away half a screen has moved off a
// whole sample is put back on it.
double GraphView::PageStart(double start) {
  const double whole = std::round(start);
  return std::fabs(start - whole) < 1e-6 ? whole : start;
}

bool GraphView::Reviewable() const { return RecordViewable != 0 && Recording.load() == 0 && !ColumnTables.empty(); }

void GraphView::PageForward() {
  std::uint32_t markers = 0;
  {
    std::lock_guard lock(ViewLock);
    if (!Reviewable()) return;
    markers = CountMarkedPoints();
    ClearMarkedPoints();
    const double half = HalfScreenSamples();
    if (LastSampleIndex >= half && LastShownColumn == PlotWidth) {
      const ColumnRecord& last = ColumnTables[LastShownColumn];
      const double end = last.FirstSample + (last.SampleCount > 0 ? last.SampleCount - 1.0 : 0.0);
      // A record that ends inside the next half screen still moves, as long as one more column follows.
      if (end + half <= LastSampleIndex || end + Scale.SamplesPerColumn <= LastSampleIndex) {
        // The middle column, half a screen in, becomes the first.
        ShowFromStart(PageStart(ColumnTables[1].FirstSample + ColumnTables[1].SampleFraction + half));
        PlaceTimeTicks();
        // A new stretch of the record: the old curve and time labels go.
        FullRedraw = 1;
      }
    }
  }
  RedrawAfterMove(markers);
}

void GraphView::PageBack() {
  std::uint32_t markers = 0;
  {
    std::lock_guard lock(ViewLock);
    if (!Reviewable()) return;
    markers = CountMarkedPoints();
    ClearMarkedPoints();
    const double half = HalfScreenSamples();
    const double start = ColumnTables[1].FirstSample + ColumnTables[1].SampleFraction;
    if (LastSampleIndex >= half && start > 0.0) {
      ShowFromStart(start < half ? 0.0 : PageStart(start - half));
      PlaceTimeTicks();
      FullRedraw = 1;
    }
  }
  RedrawAfterMove(markers);
  // Without markers the window's own marker captions are drawn again.
  if (markers == 0 && MainWindow != nullptr && MainWindow->MarkerCaptionsShown != 0) MainWindow->MarkerRedraw = 3;
}

void GraphView::ShowPreparingData() {
  PreparingDataRequest = 1;
  if (MainWindow != nullptr) MainWindow->InvalidateLocal(ViewRect);
}

void GraphView::HidePreparingData() {
  if (PreparingDataRequest.exchange(0) == 0) return;
  FullRedraw = 1;
  if (MainWindow != nullptr) MainWindow->InvalidateLocal(ViewRect);
}

void GraphView::AutoScrollView() {
  std::uint32_t markers = 0;
  {
    std::lock_guard lock(ViewLock);
    if (!Reviewable() || LastSampleIndex <= 20 || ColumnsPerChannelCount < 3) {
      // A second step whose record has gone takes its box away.
      FitPending = 0;
      HidePreparingData();
      return;
    }
    if (RefitIsLong(std::uint64_t{LastSampleIndex} + 1) && FitPending == 0) {
      // A long record is fitted from the window's timer, so the window can show the wait first.
      FitPending = 1;
      ShowPreparingData();
      if (MainWindow != nullptr) MainWindow->SetWindowTimer(kFitTimerId, kFitTimerMs);
      return;
    }
    FitPending = 0;
    PreparingDataRequest = 0;
    SelectionRect = PixelRect{PlotRect.Left + 1, PlotRect.Top, PlotRect.Left + 2, PlotRect.Bottom};
    ColumnRecord* base = ColumnTables.data();
    base[1].FirstSample = 0;
    base[1].SampleFraction = 0.0;
    base[2].FirstSample = LastSampleIndex - 1;
    base[2].SampleCount = 0;

    // The whole record is laid into the plot and reduced by every channel's filters as it will be
    // drawn; the range then comes from the columns themselves, the curves exactly as drawn.
    ApplySelection(true);
    const std::uint32_t last = std::min<std::uint32_t>(LastShownColumn, PlotWidth);
    // Every curve's extremes where the plot puts them, on the axis channel's scale. A curve drawn
    // with a plot gain hangs from the top value, so the range is taken again at the top it gives,
    // until every curve lies within it.
    const auto extremes = [&] {
      std::pair<double, double> range{std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
      for (const auto& channel : Channels) {
        if (channel->Enabled == 0 || channel->Shown == 0 || channel->Columns == nullptr) continue;
        if (channel->Codes == nullptr || std::min(SampleCount, channel->CodeCapacity) == 0) continue;
        const std::uint32_t end = std::min(last, channel->ColumnCapacity - 1);
        for (std::uint32_t c = 1; c <= end; ++c) {
          const ColumnRecord& column = channel->Columns[c];
          for (const std::int32_t code : {column.MaxCode, column.MinCode}) {
            const double value = channel->AxisValueOf(channel->CurveValueOfCode(code));
            if (!std::isfinite(value)) continue;
            range.first = std::min(range.first, value);
            range.second = std::max(range.second, value);
          }
        }
      }
      return range;
    };
    const double kept_top = Scale.TopValue;
    const double margin = ScaleSpan(SensorCode) / 100.0;
    bool fitted = false;
    double top = 0.0;
    double bottom = 0.0;
    for (int pass = 0; pass < 4; ++pass) {
      auto [low, high] = extremes();
      if (!std::isfinite(low) || !std::isfinite(high)) break;
      if (fitted && low >= bottom && high <= top) break;
      if (fitted) {
        low = std::min(low, bottom);
        high = std::max(high, top);
      }
      const double span = high - low;
      if (span >= margin) {
        low -= span / 10.0;
        high += span / 10.0;
      } else {
        const double middle = (high + low) / 2.0;
        low = middle - margin / 2.0;
        high = middle + margin / 2.0;
      }
      if (!(high > low)) break;
      top = high;
      bottom = low;
      fitted = true;
      Scale.TopValue = top;
    }
    Scale.TopValue = kept_top;
    if (fitted) {
      // The columns stay as laid and reduced: only where their values lie on the new range is
      // worked out again.
      Scale.TopValue = top;
      Scale.BottomValue = bottom;
      Scale.ValuePerDivision = static_cast<float>((top - bottom) / std::max<std::uint8_t>(ValueDivisions, 1));
      DeriveScales();
      UpdateValueGrid(true);
      for (auto& channel : Channels) {
        if (channel->Enabled != 0) channel->ComputePlotPoints(1, LastShownColumn);
      }
    }
    markers = CountMarkedPoints();
    ClearMarkedPoints();
  }
  RedrawAfterMove(markers);
}

void GraphView::ApplySelection(bool keep_range) {
  if (ColumnTables.empty() || ColumnsPerChannelCount < 2) return;
  const std::int64_t limit = std::min<std::int64_t>(std::max<std::uint16_t>(PlotWidth, 1), ColumnsPerChannelCount - 1);
  const std::int64_t left = std::clamp<std::int64_t>(std::int64_t{SelectionRect.Left} - PlotRect.Left, 1, limit);
  const std::int64_t right = std::clamp<std::int64_t>(std::int64_t{SelectionRect.Right} - PlotRect.Left, left, limit);
  const ColumnRecord& from = ColumnTables[static_cast<std::size_t>(left)];
  const ColumnRecord& to = ColumnTables[static_cast<std::size_t>(right)];
  const std::int64_t record = std::int64_t{LastSampleIndex} + 1;
  std::int64_t samples = std::int64_t{to.FirstSample} - from.FirstSample + to.SampleCount;
  samples = std::min<std::int64_t>(std::max<std::int64_t>(samples, 20), record);
  // The zoomed span lies wholly inside the record.
  const std::int64_t first = std::clamp<std::int64_t>(from.FirstSample, 0, record - samples);

  double value_per_division = Scale.ValuePerDivision;
  if (!keep_range) {
    const double per_pixel = Scale.ValuePerPixel;
    double top = (Scale.ZeroLinePixel - SelectionRect.Top) * per_pixel;
    double bottom = (Scale.ZeroLinePixel - SelectionRect.Bottom) * per_pixel;
    const double minimum = std::trunc(ValueResolution(false));
    if (top - bottom < minimum) {
      const double widen = (minimum - (top - bottom)) / 2.0;
      top += widen;
      bottom -= widen;
    }
    Scale.TopValue = top;
    Scale.BottomValue = bottom;
    value_per_division = std::fabs(bottom - top) / std::max<std::uint8_t>(ValueDivisions, 1);
  }
  const double seconds = SecondsPerSample * static_cast<double>(samples) / std::max<std::uint8_t>(TimeDivisions, 1);
  Scale.SamplesPerScreen = static_cast<double>(samples);
  Scale.SecondsPerDivision = 0.0;
  Scale.ValuePerDivision = 0.0;
  SetScales(static_cast<float>(seconds), static_cast<float>(value_per_division), 0);

  // The time axis starts at the first column's sample, as after a page: paging there and back
  // gives the same axis.
  SetViewStart(static_cast<double>(first));
  FirstShownColumn = 1;
  LastShownColumn = LayColumnsFrom(1);
  UpdateTimeGrid();
  UpdateValueGrid(true);
  for (auto& channel : Channels) channel->ResetColumnReduction();
  RebuildColumnTable(1, LastShownColumn);
  ViewChanged = 1;
  FullRedraw = 1;
}

void GraphView::SetTimeScale(float seconds_per_division) {
  std::uint32_t markers = 0;
  {
    // Also while recording: the tick reads these factors, so they change under the lock.
    std::lock_guard lock(ViewLock);
    if (seconds_per_division == static_cast<float>(Scale.SecondsPerDivision)) return;
    SetScales(seconds_per_division, static_cast<float>(Scale.ValuePerDivision), 1);
    markers = CountMarkedPoints();
    ClearMarkedPoints();
    if (RecordViewable == 0 || Recording.load() != 0 || ColumnTables.empty()) {
      if (Recording.load() == 0) {
        Scale.StartTime = 0.0;
        Scale.EndTime = PlotWidth * Scale.SecondsPerColumn;
        FullRedraw = 1;  // the time labels of the new grid
      }
      UpdateTimeGrid();
    } else {
      // The view stays centred on its middle column.
      const ColumnRecord& middle = ColumnTables[std::max<std::uint16_t>(PlotWidth / 2, 1)];
      ShowFromStart(std::max(middle.FirstSample + middle.SampleFraction - Scale.SamplesPerScreen / 2.0, 0.0));
      UpdateTimeGrid();
    }
  }
  RedrawAfterMove(markers);
}

void GraphView::SetValueScale(float value_per_division) {
  std::uint32_t markers = 0;
  {
    std::lock_guard lock(ViewLock);
    if (value_per_division == static_cast<float>(Scale.ValuePerDivision)) return;
    markers = CountMarkedPoints();
    ClearMarkedPoints();
    SetScales(static_cast<float>(Scale.SecondsPerDivision), value_per_division, 1);
    UpdateValueGrid(ValueRangeLock != 0);
    if (Reviewable()) {
      for (auto& channel : Channels) channel->ResetColumnReduction();
      RebuildColumnTable(FirstShownColumn, LastShownColumn);
    }
    // As after a page: the plot and its value labels are drawn afresh, no curve of the old scale stays.
    FullRedraw = 1;
  }
  RedrawAfterMove(markers);
}

float GraphView::TwoSamplePeriods() const { return RecordRate > 0 ? 2.0f / static_cast<float>(RecordRate) : 0.0f; }

float GraphView::ValueResolution(bool none) const {
  if (none) return 0.0f;
  const float resolution = ScaleSpan(SensorCode) / 4096.0f;
  const double limit = 10.0 * Scale.ValuePerDivision * ValueDivisions / std::max<std::uint16_t>(PlotHeight, 1);
  return resolution < limit ? resolution : 0.0f;
}

std::uint8_t GraphView::CountShownChannels() const {
  return static_cast<std::uint8_t>(
      std::count_if(Channels.begin(), Channels.end(), [](const auto& channel) { return channel->Shown != 0; }));
}
