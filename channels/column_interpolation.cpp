// Sparse-column interpolation: columns between sampled columns filled linearly or after Akima, and column plot points.
#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "channels/conversions.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"
#include "graph/scale_state.h"

namespace {

// Akima's tangent at a node from the slopes m[i-2], m[i-1], m[i], m[i+1]. Equal slopes on both
// sides leave both weights 0: the tangent is then their mean, so a straight run stays straight.
double AkimaTangent(double m_2, double m_1, double m0, double m1) {
  const double right = std::fabs(m1 - m0);
  const double left = std::fabs(m_1 - m_2);
  if (right + left == 0.0) return (m_1 + m0) / 2.0;
  return (right * m_1 + left * m0) / (right + left);
}

// Akima's cubic between the second and third of four equally spaced values, at s in [0, 1].
double AkimaMiddle(const std::array<double, 4>& y, double s) {
  const double m1 = y[1] - y[0];
  const double m2 = y[2] - y[1];
  const double m3 = y[3] - y[2];
  // The extra slopes beyond the ends, by Akima's end rule.
  const double m0 = 2.0 * m1 - m2;
  const double m4 = 2.0 * m3 - m2;
  const double t2 = AkimaTangent(m0, m1, m2, m3);
  const double t3 = AkimaTangent(m1, m2, m3, m4);
  const double c = 3.0 * m2 - 2.0 * t2 - t3;
  const double d = t2 + t3 - 2.0 * m2;
  return y[1] + s * (t2 + s * (c + s * d));
}

std::int32_t Truncated(double value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<std::int32_t>(std::clamp(value, -2.0e9, 2.0e9));
}

}  // namespace

const VessamorChannel* VessamorChannel::AxisChannel() const {
  if (View == nullptr) return nullptr;
  const std::size_t k = View->AxisChannelIndex();
  return k < GraphView::kLiveChannels ? &View->Channel(k) : nullptr;
}

bool VessamorChannel::PlotGainAppliesOn(const VessamorChannel* axis) const {
  if (PlotGainOn == 0) return false;
  // The gain scales a pair's second quantity onto its first quantity's axis; on the axis of any
  // other kind the product means nothing, and the channel is plotted as every other kind is.
  return axis == nullptr || axis == this || (PlotGainAxisKind != 0 && axis->SensorCode == PlotGainAxisKind);
}

std::optional<double> VessamorChannel::GainTopValue() const {
  if (Scale == nullptr) return std::nullopt;
  // The view's top value carried onto this channel's own axis (a missing map leaves it as it is),
  // times the gain: the plotted value the plot's top row stands for.
  const VessamorChannel* axis = AxisChannel();
  const ScaleMapping& shown = (axis != nullptr ? axis : this)->ScaleMappingPair;
  const float top = static_cast<float>(Scale->TopValue);
  const float fraction = shown.Forward != nullptr ? shown.Forward(&top) : top;
  const float mapped = ScaleMappingPair.Inverse != nullptr ? ScaleMappingPair.Inverse(&fraction) : fraction;
  const double value = static_cast<double>(mapped) * PlotGain;
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

float VessamorChannel::PlottedValueOn(float value, const VessamorChannel* axis) const {
  if (PlotGainAppliesOn(axis)) return value * PlotGain;
  // Another kind beside the axis channel is plotted where its own value axis, labelled beside the
  // axis channel's, puts it: its fraction of its axis read as a value of the axis channel's.
  if (axis != nullptr && axis != this && axis->SensorCode != SensorCode && ScaleMappingPair.Forward != nullptr &&
      axis->ScaleMappingPair.Inverse != nullptr) {
    float fraction = ScaleMappingPair.Forward(&value);
    value = axis->ScaleMappingPair.Inverse(&fraction);
  }
  return value;
}

double VessamorChannel::AxisValueOf(float value) const {
  const double plotted = PlottedValue(value);
  if (!PlotGainApplies() || Scale == nullptr) return plotted;
  // A gained curve hangs from the plot's top row: its top value there, the rest gained below it.
  const std::optional<double> top = GainTopValue();
  return top ? plotted - *top + Scale->TopValue : plotted;
}

void VessamorChannel::ComputePlotPoints(std::uint32_t first, std::uint32_t last) {
  if (first > last || Shown == 0 || Scale == nullptr || Columns == nullptr || ColumnCapacity == 0) return;
  const double per_pixel = Scale->ValuePerPixel != 0.0 ? Scale->ValuePerPixel : 1.0;
  const VessamorChannel* axis = AxisChannel();
  // What holds for every column is settled once: the value path of ChannelValueOfCode(code, 2),
  // then PlottedValueOn, without a call through them per code.
  const bool gained = PlotGainAppliesOn(axis);
  const bool mapped = !gained && axis != nullptr && axis != this && axis->SensorCode != SensorCode &&
                      ScaleMappingPair.Forward != nullptr && axis->ScaleMappingPair.Inverse != nullptr;
  const bool shifted = CodeOffsetOn != 0 || (FractionalCodes != 0 && FineOffsetOn != 0);
  const bool fractional = FractionalCodes != 0;
  const bool zeroed = ZeroOffsetOn != 0;
  // The gas volume of kind 47 never goes below zero once its zero is set.
  const bool floored = SensorCode == 47 && ZeroOffsetOn != 0;
  const RawToValueFnType convert = RawToValueFn;
  // A look-up member's table is read here, as the member reads it, without a call per code.
  const std::span<const float> table = LookupTableOf(convert);
  const auto converted = [&](std::int32_t code) __attribute__((always_inline)) {
    const auto whole = static_cast<std::int16_t>(code);
    if (!table.empty()) {
      if (whole < 0) return table.front();
      return static_cast<std::size_t>(whole) >= table.size() ? table.back() : table[static_cast<std::size_t>(whole)];
    }
    return convert != nullptr ? convert(whole, this) : 0.0f;
  };
  // Inlined into the loop below: a call per code costs as much as the conversion.
  const auto value_of = [&](std::int32_t code) __attribute__((always_inline)) {
    const std::int32_t c = shifted ? ZeroedCode(code) : code;
    float value = 0.0f;
    if (fractional) {
      const std::int32_t whole = c >> 8;  // arithmetic: the sign is kept
      const float low = converted(whole);
      const float high = converted(whole + 1);
      value = static_cast<float>(low + (high - low) * (c & 255) * 0.00390625);
    } else {
      value = converted(c);
    }
    if (zeroed) value -= ZeroOffset;
    if (floored && value < 0.0f) value = 0.0f;
    if (gained) return value * PlotGain;
    if (mapped) {
      float fraction = ScaleMappingPair.Forward(&value);
      value = axis->ScaleMappingPair.Inverse(&fraction);
    }
    return value;
  };
  last = std::min(last, ColumnCapacity - 1);
  for (std::uint32_t i = first; i <= last; ++i) {
    ColumnRecord& record = Columns[i];
    record.MaxPixel = Truncated(value_of(record.MaxCode) / per_pixel);
    // A column of several samples spans their range, smoothed or not: its maxima alone would draw
    // a false envelope where the samples of a column change faster than the columns.
    record.MinPixel = Truncated(value_of(record.MinCode) / per_pixel);
  }
}

void VessamorChannel::InterpolateColumns(ColumnRecord& record) {
  if (Columns == nullptr || &record < Columns || &record >= Columns + ColumnCapacity) return;
  const auto c = static_cast<std::uint32_t>(&record - Columns);
  ComputePlotPoints(c, c);
  if (CurveSmoothOn == 0 || View == nullptr || View->Recording.load() != 0 || TimeBase == nullptr) return;
  ColumnInterpolationWindow& w = Interpolation;
  // A rebuild that starts again without a reset: the window starts afresh.
  if (w.WritePos > 0 && static_cast<std::int32_t>(c) <= w.Points[w.WritePos - 1]) w = ColumnInterpolationWindow{};
  const double spc = Scale != nullptr ? Scale->SamplesPerColumn : 1.0;
  w.RecordedSpan = std::isfinite(spc) && spc > 0.0 ? std::min(1.0 / spc, 65535.0) : 1.0;

  const ColumnRecord& base = TimeBase[c];
  if (base.SampleCount > 0) {
    if (w.WritePos == 0 && w.Waiting != 0) {
      // The view begins with empty columns: the two samples before this one open the window.
      const std::uint32_t limit = std::min(View->SampleCount, CodeCapacity);
      for (std::uint32_t back = 2; back >= 1; --back) {
        if (Codes == nullptr || base.FirstSample < back || base.FirstSample - back >= limit) continue;
        const std::int32_t code = FractionalCodes != 0 ? Codes[base.FirstSample - back] * 256 : Codes[base.FirstSample - back];
        const std::int32_t at = static_cast<std::int32_t>(c) - static_cast<std::int32_t>(std::lround(back * w.RecordedSpan));
        AddInterpolationPoint(code, at);
        // A point that falls on a column of the table shows there, like every other point.
        if (at >= 1) {
          Columns[at].MaxCode = Columns[at].MinCode = code;
          ComputePlotPoints(static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(at));
        }
      }
    }
    AddInterpolationPoint(record.MaxCode, static_cast<std::int32_t>(c));
  } else if (w.WritePos < 4) {
    w.Waiting = 1;
  }
  if (c == View->LastShownColumn) FinishViewEnd();
}

void VessamorChannel::AddInterpolationPoint(std::int32_t value, std::int32_t column) {
  ColumnInterpolationWindow& w = Interpolation;
  if (w.WritePos > 0) {
    const std::int32_t before = w.Values[w.WritePos - 1];
    const std::int32_t d = column - w.Points[w.WritePos - 1];
    w.Distance = static_cast<std::uint16_t>(std::clamp(d, 0, 65535));
    if (d < 3) {
      const std::int32_t between = column - 1;
      const std::uint32_t end = View != nullptr ? std::min<std::uint32_t>(View->LastShownColumn, ColumnCapacity - 1) : 0;
      if (d == 2 && between >= 1 && static_cast<std::uint32_t>(between) <= end) {
        ColumnRecord& gap = Columns[between];
        gap.MaxCode = gap.MinCode = static_cast<std::int32_t>((std::int64_t{before} + value) / 2);
        ComputePlotPoints(static_cast<std::uint32_t>(between), static_cast<std::uint32_t>(between));
      }
      // Neighbouring points leave no gap to fill: only the last one stays.
      w.Values[0] = before;
      w.Points[0] = w.Points[w.WritePos - 1];
      w.WritePos = 1;
    }
  }
  w.Values[w.WritePos] = value;
  w.Points[w.WritePos] = column;
  ++w.WritePos;
  w.LastSampledColumn = static_cast<std::uint16_t>(std::clamp(column, 0, 65535));
  if (w.WritePos < 4) return;
  FillGap(w.Points[1], w.Points[2], w.Points[2] - w.Points[1]);
  std::rotate(w.Values.begin(), w.Values.begin() + 1, w.Values.end());
  std::rotate(w.Points.begin(), w.Points.begin() + 1, w.Points.end());
  w.WritePos = 3;
  w.Waiting = 0;
}

void VessamorChannel::FillGap(std::int32_t from, std::int32_t to, double span) {
  ColumnInterpolationWindow& w = Interpolation;
  const std::int32_t y1 = w.Values[1];
  const std::int32_t y2 = w.Values[2];
  if (FractionalCodes == 0 && y2 - y1 == 1) return;
  if (!(span > 0.0)) return;
  const std::array<double, 4> y{static_cast<double>(w.Values[0]), static_cast<double>(y1), static_cast<double>(y2),
                                static_cast<double>(w.Values[3])};
  const std::int64_t end = View != nullptr ? std::min<std::int64_t>(View->LastShownColumn, ColumnCapacity - 1) : 0;
  w.GapFirst = static_cast<std::uint16_t>(std::clamp(from + 1, 0, 65535));
  w.GapLast = static_cast<std::uint16_t>(std::clamp(to - 1, 0, 65535));
  for (std::int64_t column = std::max<std::int64_t>(from + 1, 1); column < to && column <= end; ++column) {
    const double k = static_cast<double>(column - from);
    ColumnRecord& record = Columns[column];
    // The straight fill truncates as the codes always have; the curve takes the nearest code.
    record.MaxCode = record.MinCode = CurveMode == 2 ? Truncated(std::round(AkimaMiddle(y, k / span)))
                                                     : Truncated(y1 + (y2 - y1) / span * k);
    ComputePlotPoints(static_cast<std::uint32_t>(column), static_cast<std::uint32_t>(column));
  }
}

void VessamorChannel::FinishViewEnd() {
  ColumnInterpolationWindow& w = Interpolation;
  w.AtViewEnd = 1;
  if (w.WritePos == 0) return;
  const std::int32_t last_point = w.Points[w.WritePos - 1];
  if (last_point < 1 || static_cast<std::uint32_t>(last_point) >= ColumnCapacity) return;
  const ColumnRecord& base = TimeBase[last_point];
  const std::uint32_t sample = base.FirstSample + std::max<std::uint32_t>(base.SampleCount, 1) - 1;
  const std::uint32_t limit = Codes != nullptr ? std::min(View->SampleCount, CodeCapacity) : 0;
  // The window's last places come from the samples after the view, or repeat the last value at
  // the end of the record; each lies a recorded span further on.
  std::int32_t value = w.Values[w.WritePos - 1];
  const auto step = std::max<std::int32_t>(static_cast<std::int32_t>(std::lround(w.RecordedSpan)), 1);
  for (std::uint32_t ahead = 1; ahead <= 2; ++ahead) {
    const std::uint64_t next = std::uint64_t{sample} + ahead;
    if (next < limit) value = FractionalCodes != 0 ? Codes[next] * 256 : Codes[next];
    AddInterpolationPoint(value, last_point + static_cast<std::int32_t>(ahead) * step);
  }
}
