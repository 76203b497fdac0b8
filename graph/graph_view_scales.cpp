// Graph view scales: derived per-column and per-pixel factors, the time-grid snap, re-applying the scales.
#include <algorithm>
#include <cmath>

#include "graph/graph_view.h"

namespace {

// A factor that would be 0, negative or not finite is replaced, so no later division blows up.
double Guarded(double value, double fallback) { return std::isfinite(value) && value > 0.0 ? value : fallback; }

struct GridSnap {
  double UpTo;
  double Step;
  std::uint8_t Decimals;
};

constexpr GridSnap kRecordingSnaps[] = {{0.065, 0.05, 2}, {0.15, 0.1, 1}, {0.25, 0.2, 1}, {0.55, 0.5, 1},
                                        {1.1, 1.0, 0},    {2.2, 2.0, 0},  {5.3, 5.0, 0},  {10.5, 10.0, 0}};

}  // namespace

void GraphView::DeriveScales() {
  const std::uint32_t rate = RecordViewable != 0 ? RecordRate : RateSetting;
  const double width = std::max<std::uint16_t>(PlotWidth, 1);
  const double height = std::max<std::uint16_t>(PlotHeight, 1);
  Scale.TimeDivisions = TimeDivisions;
  Scale.ValueDivisions = ValueDivisions;
  Scale.SamplesPerColumn = Guarded(Scale.SamplesPerColumn, 1.0);
  Scale.WholeSamplesPerColumn = static_cast<std::uint32_t>(std::min(Scale.SamplesPerColumn, 4.0e9));
  Scale.ValuePerPixel = Guarded(ValueDivisions * Scale.ValuePerDivision / height, 1.0);
  SecondsPerSample = rate > 0 ? 1.0 / rate : 0.0;
  Scale.SecondsPerColumn =
      Guarded(TimeDivisions * Scale.SecondsPerDivision / width, Guarded(SecondsPerSample, 1.0) * Scale.SamplesPerColumn);
  Scale.SamplesPerScreen = width * Scale.SamplesPerColumn;
  Scale.WholeSamplesPerScreen = static_cast<std::uint32_t>(std::min(Scale.SamplesPerScreen, 4.0e9));
  Scale.ValueSpan = static_cast<float>(Scale.TopValue - Scale.BottomValue);
  Scale.TopPixel = PlotRect.Top;
  Scale.BottomPixel = PlotRect.Bottom;
  // The row of value 0 on the screen: the curves' rows are counted up from it.
  const double zero_row = ValueOriginPixel + Scale.TopValue / Scale.ValuePerPixel;
  Scale.ZeroLinePixel =
      std::isfinite(zero_row) ? static_cast<std::int32_t>(std::clamp(zero_row, -1.0e9, 1.0e9)) : ValueOriginPixel;
}

void GraphView::SetScales(float seconds_per_division, float value_per_division, std::uint8_t derive) {
  if (seconds_per_division == static_cast<float>(Scale.SecondsPerDivision) &&
      value_per_division == static_cast<float>(Scale.ValuePerDivision)) {
    return;
  }
  Scale.SecondsPerDivision = seconds_per_division;
  Scale.ValuePerDivision = value_per_division;
  const double width = std::max<std::uint16_t>(PlotWidth, 1);
  if (derive != 0) {
    const std::uint32_t rate = RecordViewable != 0 ? RecordRate : RateSetting;
    Scale.SamplesPerColumn = static_cast<float>(TimeDivisions * seconds_per_division * static_cast<float>(rate) /
                                                static_cast<float>(width));
  } else {
    // The caller has stored the span it wants on the screen, in samples.
    Scale.SamplesPerColumn = Scale.SamplesPerScreen / width;
  }
  DeriveScales();
  ColumnRebuildRequest = 1;
  Scale.TimeGridState = 0;
}

void GraphView::ChooseTimeGridStep() {
  const double t = Scale.SecondsPerDivision;
  for (const GridSnap& snap : kRecordingSnaps) {
    if (t <= snap.UpTo) {
      Scale.SecondsPerDivision = snap.Step;
      Scale.TimeGridStep = snap.Step;
      Scale.TimeLabelStep = snap.Step;
      Scale.TimeLabelDecimals = snap.Decimals;
      break;
    }
  }
  Scale.TimeDivisions = TimeDivisions;
}

void GraphView::RederiveTimeBase() {
  ChooseTimeGridStep();
  const auto seconds = static_cast<float>(Scale.SecondsPerDivision);
  const auto value = static_cast<float>(Scale.ValuePerDivision);
  Scale.SecondsPerDivision = 0.0;  // so that SetScales cannot skip
  SetScales(seconds, value, 1);
  const std::uint32_t rate = RecordViewable != 0 ? RecordRate : RateSetting;
  SecondsPerSample = rate > 0 ? 1.0 / rate : 0.0;
  if (RecordViewable == 0) {
    Scale.StartTime = 0.0;
    Scale.EndTime = PlotWidth * Scale.SecondsPerColumn;
  }
  UpdateTimeGrid();
  FullRedraw = 1;
}

void GraphView::ReapplyScales() {
  const auto seconds = static_cast<float>(Scale.SecondsPerDivision);
  const auto value = static_cast<float>(Scale.ValuePerDivision);
  Scale.SecondsPerDivision = 0.0;
  Scale.ValuePerDivision = 0.0;
  SetScales(seconds, value, 1);

  const double spc = Scale.SamplesPerColumn;
  ColumnRecord* base = ColumnTables.empty() ? nullptr : ColumnTables.data();
  if (base != nullptr && ColumnsPerChannelCount > 1) {
    base[1].SampleCount = static_cast<std::uint32_t>(std::min(spc, 4.0e9));
  }
  const double height = std::max<std::uint16_t>(PlotHeight, 1);
  Scale.ValuePerPixel = Guarded(std::fabs(Scale.TopValue - Scale.BottomValue) / height, 1.0);
  if (ScreenEntry == 0) {
    Scale.BottomValue = Scale.TopValue - Scale.ValuePerPixel * PlotHeight;
    const std::uint32_t rate = RecordViewable != 0 ? RecordRate : RateSetting;
    if (RecordRate > 0) Scale.EndTime = Scale.StartTime + PlotWidth * spc / RecordRate;
    SecondsPerSample = rate > 0 ? 1.0 / rate : 0.0;
  }
  UpdateValueGrid(true);
  UpdateTimeGrid();

  if (RecordViewable == 0 || base == nullptr) return;
  // The time base is laid again from the view's first sample with the new samples per column.
  const std::uint16_t last = LayColumnsFrom(1);
  FirstShownColumn = 1;
  LastShownColumn = last;
  ColumnRebuildRequest = 1;
  FullRedraw = 1;
  for (auto& channel : Channels) channel->ResetColumnReduction();
  RebuildColumnTable(1, last);
}

std::uint16_t GraphView::LayColumnsFrom(std::uint16_t first) {
  if (ColumnTables.empty() || ColumnsPerChannelCount < 2) return 1;
  first = static_cast<std::uint16_t>(std::clamp<std::uint32_t>(first, 1, ColumnsPerChannelCount - 1));
  const ColumnRecord& anchor = ColumnTables[first];
  const double spc = GuardedSamplesPerColumn();
  const double start = anchor.FirstSample + anchor.SampleFraction - (first - 1) * spc;
  Sweep.ScreenStart = std::max(start, 0.0);
  FirstColumnFraction = Sweep.ScreenStart - std::floor(Sweep.ScreenStart);
  DisplayStart = static_cast<std::uint32_t>(Sweep.ScreenStart);
  const std::uint16_t width = std::max<std::uint16_t>(ClampPlotWidth(PlotWidth), 1);
  // The last column that begins within the record.
  const double columns = (static_cast<double>(LastSampleIndex) + 1.0 - Sweep.ScreenStart) / spc;
  const double last = std::ceil(std::max(columns, 1.0));
  return static_cast<std::uint16_t>(std::min<double>(last, width));
}

void GraphView::SetupTestRecord() {
  for (auto& channel : Channels) channel->Enabled = 0;
  VessamorChannel& channel = *Channels[0];
  channel.Enabled = 1;
  SetChannelFlags(4, 0);
  channel.SmoothingOn = 1;
  channel.MedianWindow = 9;
  channel.SmoothingWindow = 9;
  channel.ConfigureFilter();
  RecordRate = 10000;
  RateSetting = 10000;
  RecordViewable = 1;
  const std::uint32_t wanted = 70000;
  const std::uint32_t count = std::min(wanted + 1, channel.CodeCapacity);
  if (count == 0) return;
  static constexpr std::int16_t kPattern[] = {0, 1, 3, 2, 4, 7, 9, 6, 8};
  for (std::uint32_t i = 0; i < count; ++i) channel.Codes[i] = kPattern[i % std::size(kPattern)];
  channel.CodeCount = count;
  SampleCount = count;
  LastSampleIndex = count - 1;
  Scale.SecondsPerDivision = 0.0;
  SetScales(1.0f, 1.0f, 1);
  SetViewStart(0.0);
  FirstShownColumn = 1;
  LastShownColumn = 2;
  channel.ResetColumnReduction();
  RebuildColumnTable(1, 2);
}

void GraphView::SetViewStart(double start) {
  Sweep.ScreenStart = std::max(start, 0.0);
  FirstColumnFraction = Sweep.ScreenStart - std::floor(Sweep.ScreenStart);
  DisplayStart = static_cast<std::uint32_t>(Sweep.ScreenStart);
  if (!ColumnTables.empty() && ColumnsPerChannelCount > 1) {
    ColumnTables[1].FirstSample = DisplayStart;
    ColumnTables[1].SampleFraction = FirstColumnFraction;
  }
  if (RecordRate > 0) {
    Scale.StartTime = DisplayStart / static_cast<double>(RecordRate);
    Scale.EndTime = Scale.StartTime + Scale.SecondsPerColumn * PlotWidth;
  }
}
