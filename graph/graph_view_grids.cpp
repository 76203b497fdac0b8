// Graph view axis grids: readable label steps for both axes and the placing of their ticks.
#include <algorithm>
#include <cmath>

#include "graph/graph_view.h"
#include "graph/paint_rules.h"

namespace {

struct StepAbove {
  double Above;
  double Step;
};

// Steps of divisions of at least 1, by the thresholds the grids have always used.
constexpr StepAbove kLongTimeSteps[] = {{7.1, 10},    {17.1, 20},   {40.1, 50},   {80.1, 100},
                                        {160.1, 200}, {210.1, 250}, {260.1, 500}, {710.1, 1000}};
constexpr StepAbove kLargeValueSteps[] = {{7.1, 10},    {17.1, 20},   {25, 25},     {45.1, 50},  {95.1, 100},
                                          {195.1, 200}, {245.1, 250}, {395.1, 500}, {895.1, 1000}};

template <std::size_t N>
double StepAboveFive(double d, const StepAbove (&table)[N]) {
  double step = 5.0;
  for (const StepAbove& entry : table) {
    if (d > entry.Above) step = entry.Step;
  }
  return step;
}

struct Mantissa {
  double Value;
  std::uint8_t Decimals;  // one per tenth scaled away
};

// d below 1 as a mantissa of at least 0.1, at most 6 decimals deep.
Mantissa MantissaOf(double d) {
  Mantissa m{d, 1};
  while (m.Value < 0.1 && m.Decimals < 6) {
    m.Value *= 10.0;
    ++m.Decimals;
  }
  return m;
}

double ScaledBack(double snapped, std::uint8_t decimals) { return snapped / std::pow(10.0, decimals - 1); }

std::uint16_t PixelOf(double pixel) { return static_cast<std::uint16_t>(std::clamp(pixel, 0.0, 65535.0)); }

std::int32_t IntPixel(double pixel) {
  if (!std::isfinite(pixel)) return 0;
  return static_cast<std::int32_t>(std::clamp(pixel, -2.0e9, 2.0e9));
}

bool Usable(double value) { return std::isfinite(value) && value > 0.0; }

// Tick count of a span at most ScaleState::kMaxTickCount; 0 when the step cannot divide it.
std::uint32_t TickCount(double span, double step) {
  if (!Usable(step) || !std::isfinite(span)) return 0;
  return static_cast<std::uint32_t>(std::min(std::fabs(span) / step, double{ScaleState::kMaxTickCount}));
}

}  // namespace

paint_rules::AxisStep paint_rules::ValueGridStep(double per_division) {
  const double v = per_division;
  if (v < 1.0) {
    const Mantissa m = MantissaOf(v);
    const double snapped = m.Value <= 0.101  ? 0.1
                           : m.Value <= 0.23 ? 0.2
                           : m.Value <= 0.4  ? 0.25
                           : m.Value <= 0.71 ? 0.5
                                             : 1.0;
      // A quarter step needs a decimal more, or its labels read a value off their rows.
    return {ScaledBack(snapped, m.Decimals), static_cast<std::uint8_t>(m.Decimals + (snapped == 0.25 ? 1 : 0))};
  }
  return {v <= 1.5 ? 1.0 : v <= 2.5 ? 2.0 : v <= 5.0 ? 5.0 : StepAboveFive(v, kLargeValueSteps), 0};
}

void GraphView::UpdateTimeGrid() {
  const double d = SecondsPerSample * Scale.SamplesPerScreen / std::max<std::uint8_t>(TimeDivisions, 1);
  if (Usable(d)) {
    if (d < 1.0) {
      const Mantissa m = MantissaOf(d);
      const double snapped = m.Value <= 0.12 ? 0.1 : m.Value <= 0.3 ? 0.2 : m.Value <= 0.71 ? 0.5 : 1.0;
      Scale.TimeLabelStep = ScaledBack(snapped, m.Decimals);
      Scale.TimeLabelDecimals = m.Decimals;
    } else {
      Scale.TimeLabelStep = d <= 1.5 ? 1.0 : d <= 3.0 ? 2.0 : d <= 5.0 ? 5.0 : StepAboveFive(d, kLongTimeSteps);
      Scale.TimeLabelDecimals = 0;
    }
  }
  PlaceTimeTicks();
}

void GraphView::PlaceTimeTicks() {
  const double seconds_per_pixel = Scale.SecondsPerColumn;
  if (Usable(seconds_per_pixel)) Scale.ZeroTimePixel = IntPixel(Scale.StartTime / seconds_per_pixel + PlotRect.Left);
  const double step = Scale.TimeLabelStep;
  const double start = Scale.StartTime;
  const double spc = GuardedSamplesPerColumn();
  const std::uint32_t count = TickCount(Scale.EndTime - start, step);
  Scale.TimeTickCount = 0;
  Scale.TimeTicks[0] = AxisTick{static_cast<float>(start), 0};
  if (!Usable(step)) return;
  const double k = std::trunc(start / step + 0.01);
  double first = step * k;
  if ((k + 0.01) * step < start) first += step;
  std::int32_t last = -1;
  for (std::uint32_t i = 0; i <= count; ++i) {
    const double tick = first + i * step;
    const double pixel = (tick - start) * RecordRate / spc + 0.01;
    if (pixel > PlotWidth) break;
    Scale.TimeTicks[i] = AxisTick{static_cast<float>(tick), PixelOf(pixel)};
    last = static_cast<std::int32_t>(i);
  }
  if (last > 0 && Scale.TimeTicks[last].Value > Scale.EndTime + step * 1e-6) --last;
  Scale.TimeTickCount = static_cast<std::uint8_t>(std::max(last, 0));
}

void GraphView::UpdateValueGrid(bool keep_range) {
  const double per_pixel = Scale.ValuePerPixel;
  if (!keep_range && Usable(per_pixel)) {
    const double middle = (Scale.TopValue + Scale.BottomValue) / 2.0;
    Scale.TopValue = middle + PlotHeight / 2.0 * per_pixel;
    Scale.BottomValue = Scale.TopValue - PlotHeight * per_pixel;
  }
  const double v = std::fabs(Scale.TopValue - Scale.BottomValue) / std::max<std::uint8_t>(ValueDivisions, 1);
  if (Usable(v)) {
    const paint_rules::AxisStep step = paint_rules::ValueGridStep(v);
    Scale.ValueLabelStep = step.Step;
    Scale.ValueLabelDecimals = step.Decimals;
  }
  PlaceValueTicks();
}

void GraphView::PlaceValueTicks() {
  const double per_pixel = Scale.ValuePerPixel;
  const double top = Scale.TopValue;
  // A top that arithmetic left a hair short of a whole pixel still puts the zero line on it.
  if (Usable(per_pixel)) Scale.ZeroLinePixel = IntPixel(top / per_pixel + ValueOriginPixel + 1e-7);
  const double step = Scale.ValueLabelStep;
  const std::uint32_t count = TickCount(top - Scale.BottomValue, step);
  Scale.ValueTickCount = 0;
  Scale.ValueTicks[0] = AxisTick{static_cast<float>(top), 0};
  if (!Usable(step) || !Usable(per_pixel)) return;
  double first = step * std::trunc(top / step);
  if (first > top) first -= step;
  std::int32_t last = -1;
  for (std::uint32_t i = 0; i <= count; ++i) {
    const double tick = first - i * step;
    const double pixel = (top - tick) / per_pixel;
    if (pixel > PlotHeight) break;
    Scale.ValueTicks[i] = AxisTick{static_cast<float>(tick), PixelOf(pixel)};
    last = static_cast<std::int32_t>(i);
  }
  if (last > 0 && Scale.ValueTicks[last].Value < Scale.BottomValue - step * 1e-6) --last;
  Scale.ValueTickCount = static_cast<std::uint8_t>(std::max(last, 0));
}
