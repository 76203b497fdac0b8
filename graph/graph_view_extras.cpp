// Members of the graph view that no path of the program calls: line widths, the pH tests, the
// strips' restore after the view goes, and the time-grid scale test.
#include <algorithm>

#include "graph/graph_paint_host.h"
#include "graph/graph_view.h"
#include "platform/debug_log.h"

namespace {

constexpr std::uint8_t kPhSensor = 5;

template <class Value>
bool OutsidePhScale(Value value) {
  return value < Value(0) || value > Value(14);
}

}  // namespace

void GraphView::SetFrameWidth(std::int32_t width) {
  FrameWidth = width;
  Style.LineSettings[0] = width;
}

void GraphView::SetGridLineWidth(std::int32_t width) {
  GridLineWidth = width;
  Style.LineSettings[1] = width;
}

void GraphView::SetThirdLineWidth(std::int32_t width) { Style.LineSettings[2] = width; }

bool GraphView::IsPhView() const { return SensorCode == kPhSensor; }

bool GraphView::IsPhChannel(const VessamorChannel& channel) { return channel.SensorCode == kPhSensor; }

bool GraphView::PhOutOfRange(double value) const { return IsPhView() && OutsidePhScale(value); }

bool GraphView::PhOutOfRange(float value) const { return IsPhView() && OutsidePhScale(value); }

bool GraphView::PhOutOfRange(const VessamorChannel& channel, double value) {
  return IsPhChannel(channel) && OutsidePhScale(value);
}

bool GraphView::PhOutOfRange(const VessamorChannel& channel, float value) {
  return IsPhChannel(channel) && OutsidePhScale(value);
}

void GraphView::RestoreStripsAfterViewOff() {
  if (PaintHost == nullptr) return;
  for (IndicatorBox& box : Painting.Indicators) {
    if (box.Drawn != 0) PutIndicatorBackground(box, box.Box.Left);
    box.Drawn = 0;
    box.SaveMarked = 0;
    box.State = 0;
  }
}

std::uint32_t GraphView::StartScaleTest() {
  platform::DebugLog& log = platform::ScaleTestLog();
  log.Write("Start Scale Test\n");
  const ScaleState kept = Scale;
  const std::uint32_t kept_rate = RecordRate, kept_setting = RateSetting;
  const double kept_period = SecondsPerSample;
  RecordRate = RateSetting = 1000;
  SecondsPerSample = 1.0 / 1000.0;
  const double width = std::max<std::uint16_t>(PlotWidth, 1);
  std::uint32_t lines = 0;
  for (double step = 0.05; step < 1001.0; step += 0.3) {
    Scale.StartTime = 0.0;
    Scale.EndTime = 5.0;
    Scale.BottomValue = 0.0;
    Scale.TopValue = 5.0;
    Scale.SamplesPerScreen = 5000.0;
    Scale.SecondsPerDivision = 0.0;
    Scale.ValuePerDivision = 0.0;
    SetScales(static_cast<float>(step), 1.0f, 1);
    Scale.StartTime = 0.0;
    Scale.EndTime = 5.0;
    Scale.SamplesPerScreen = 5000.0;
    UpdateTimeGrid();
    const double last = Scale.TimeTicks[Scale.TimeTickCount].Pixel;
    const std::uint32_t placed = Scale.TimeTickCount + 1u;
    if (last > width || placed > 9 || last < width * 0.75) {
      log.Write("step %.2f ticks %u last %.0f of %.0f\n", step, placed, last, width);
      ++lines;
    }
  }
  Scale = kept;
  RecordRate = kept_rate;
  RateSetting = kept_setting;
  SecondsPerSample = kept_period;
  return lines;
}

void GraphView::EmptyOperation() {}
