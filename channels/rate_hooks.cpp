// Breathing and rotation detectors, the rate history fill and the flow volume between two markers.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "channels/channel_filters.h"
#include "channels/main_window_services.h"
#include "channels/rate_detector.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"

namespace {

constexpr std::uint32_t kBreathStepSeconds = 15;
constexpr std::int32_t kBreathQuietSpan = 50;
constexpr std::int32_t kRotationPulseCode = 1000;
// The slowest rotation the rotation kinds' pages name (rev/s).
constexpr double kSlowestRevolutions = 0.025;
// Rates are written back as 8.8 fixed point; the top of the 16-bit codes bounds them.
constexpr std::int32_t kLargestCode = 32767;

std::uint32_t RecordRateOf(const VessamorChannel& channel) {
  return channel.View != nullptr ? channel.View->RecordRate : 0;
}

bool ClampBatch(const VessamorChannel& channel, std::uint32_t first, std::uint32_t& last) {
  if (channel.Codes == nullptr || channel.CodeCapacity == 0) return false;
  last = std::min(last, channel.CodeCapacity - 1);
  return first <= last;
}

std::int32_t CodeAt(const VessamorChannel& channel, std::int64_t i) {
  if (channel.Codes == nullptr || i < 0 || i >= static_cast<std::int64_t>(channel.CodeCapacity)) return 0;
  return channel.Codes[i];
}

void SetCode(VessamorChannel& channel, std::int64_t i, std::int32_t code) {
  if (channel.Codes == nullptr || i < 0 || i >= static_cast<std::int64_t>(channel.CodeCapacity)) return;
  channel.Codes[i] = static_cast<std::int16_t>(code);
}

// A rate as a code: 8.8 fixed point to the nearest 1/256, 0 for a rate that is not above 0, at most
// the largest code. (Cut rather than rounded, a slow rotation's code would lie a whole step low, and
// 0.05 rev/s read 0.04 on the indicator, which cuts its digits too.)
std::int32_t RateCode(double rate) {
  if (!(rate > 0.0)) return 0;
  return static_cast<std::int32_t>(std::lround(std::min(rate * 256.0, static_cast<double>(kLargestCode))));
}

// Codes after..to take the straight line from `from` (at `after`) to `to_rate` (at `to`).
void WriteRateLine(VessamorChannel& channel, std::int64_t after, std::int64_t to, double from, double to_rate) {
  const std::int64_t span = to - after;
  if (span <= 0) return;
  const std::int64_t begin = std::max<std::int64_t>(after + 1, 0);
  const std::int64_t end = std::min<std::int64_t>(to, static_cast<std::int64_t>(channel.CodeCapacity) - 1);
  for (std::int64_t j = begin; j <= end; ++j) {
    const double t = static_cast<double>(j - after) / static_cast<double>(span);
    const std::int32_t code = RateCode(from + (to_rate - from) * t);
    SetCode(channel, j, code);
    channel.TrackMinMax(static_cast<std::int16_t>(code));
  }
}

}  // namespace

void BreathRateInit(VessamorChannel* channel) {
  if (channel == nullptr) return;
  RateDetectorState& d = channel->RateDetector;
  const std::uint32_t rate = channel->View != nullptr ? channel->View->RateSetting : 0;
  d.Breath = BreathDetectorState{};
  d.Breath.StepLength = rate * kBreathStepSeconds;
  d.Breath.Hysteresis = 0.5f;
  channel->HistoryStepSeconds = kBreathStepSeconds;
  d.Started = 1;
  if (d.Breath.StepLength > 0) {
    // A capacity below one step keeps the old history.
    const std::uint32_t size = channel->View->ChannelCapacity / d.Breath.StepLength;
    if (size > 0 && size != d.History.size()) d.History.assign(size, 0);
  }
  d.SetEntry(0, 0);
  d.HistoryCount = 0;
}

std::int32_t BreathFindTurns(VessamorChannel* channel, std::uint32_t first, std::uint32_t last) {
  BreathDetectorState& b = channel->RateDetector.Breath;
  std::int32_t count = 0;
  for (std::uint32_t i = first; i <= last; ++i) {
    const std::int32_t code = CodeAt(*channel, i);
    // The step's span, from 0 up to its highest code (down to its lowest below 0).
    if (code > b.Hi) b.Hi = code;
    else if (code < b.Lo) b.Lo = code;
    const std::int32_t span = b.Hi - b.Lo;
    // A span of 50 or less is no breathing.
    if (span <= kBreathQuietSpan) continue;
    // The hysteresis works on codes: a turn needs a move of more than h of the span, so a maximum's
    // place does not depend on where the batches end or on how the span grew before it.
    const auto v = static_cast<float>(code);
    const float threshold = b.Hysteresis * static_cast<float>(span);
    if (b.Primed == 0) {
      b.Primed = 1;
      b.Max = b.Min = v;
      b.MaxIndex = b.MinIndex = i;
      b.Phase = 0;
      continue;
    }
    if (v > b.Max) {
      b.Max = v;
      b.MaxIndex = i;
    } else if (v < b.Min) {
      b.Min = v;
      b.MinIndex = i;
    } else if (b.Phase == 0) {
      if (v - b.Min > threshold) {
        b.Turns[b.TurnCount++] = BreathTurn{0, b.Min, 0.0f, 0, b.MinIndex};
        b.Max = v;
        b.MaxIndex = i;
        b.Phase = 1;
      }
    } else if (b.Max - v > threshold && b.TurnCount > 0 && b.Turns[b.TurnCount - 1].Kind == 0) {
      const BreathTurn& before = b.Turns[b.TurnCount - 1];
      const auto distance = static_cast<std::uint32_t>(std::max<std::int64_t>(b.MaxIndex - b.LastMaximum, 0));
      b.Turns[b.TurnCount++] = BreathTurn{1, b.Max, b.Max - before.Value, distance, b.MaxIndex};
      b.LastMaximum = b.MaxIndex;
      b.Min = v;
      b.MinIndex = i;
      b.Phase = 0;
      ++count;
    }
    if (b.TurnCount == static_cast<std::int32_t>(b.Turns.size())) {
      b.Turns[0] = b.Turns[4];
      b.Turns[1] = b.Turns[5];
      b.TurnCount = 2;
    }
  }
  return count;
}

namespace {

// A whole second `s` (1..15) of the current step has passed: the entry takes the breaths counted.
void BreathCloseSecond(RateDetectorState& d, std::uint32_t s) {
  BreathDetectorState& b = d.Breath;
  const std::int32_t n = b.SecondCycles;
  b.SecondCycles = 0;
  // A step whose codes have spanned no more than the quiet span counts nothing and keeps its entry.
  if (b.Hi - b.Lo <= kBreathQuietSpan) return;
  const std::uint32_t cur = d.HistoryCount;
  const auto counter = [](std::int64_t v) { return static_cast<std::uint16_t>(std::clamp<std::int64_t>(v, 0, 0xFFFF)); };
  if (cur == 0) {
    // The first step counts up: four per breath so far; each counter takes the breaths from its second on.
    if (b.LastSecondsMark == 1) {
      b.SecondCounters.fill(0);
      b.LastSecondsMark = 2;
    }
    d.SetEntry(0, static_cast<std::uint32_t>(std::max<std::int64_t>(d.Entry(0) + 4LL * n, 0)));
    b.LastEntry = d.Entry(0);
    for (std::uint32_t k = 1; k <= s; ++k) b.SecondCounters[k] = counter(b.SecondCounters[k] + n);
    return;
  }
  if (s == b.LastSecondsMark) return;
  std::int64_t entry = 0;
  if (s == kBreathStepSeconds) {
    const std::int64_t cycles = 4LL * b.StepCycles;
    entry = b.StepCycles == 0 ? 0 : b.LastEntry == 0 ? cycles : (b.LastEntry + cycles) / 2;
  } else {
    // The breaths of the last 15 seconds: the counter of this second in the step before and those since.
    const std::int64_t cycles = 4LL * (b.SecondCounters[s] + b.Accumulator);
    entry = b.LastEntry == 0 ? cycles : (cycles + b.LastEntry) / 2;
  }
  d.SetEntry(cur, static_cast<std::uint32_t>(std::max<std::int64_t>(entry, 0)));
  b.LastEntry = d.Entry(cur);
  if (b.Accumulator != 0) {
    for (std::size_t k = 1; k <= kBreathStepSeconds; ++k) b.SecondCounters[k] = counter(b.SecondCounters[k] + b.Accumulator);
  }
  b.SecondCounters[s] = 0;
  b.Accumulator = 0;
  b.LastSecondsMark = s;
}

// The entry of a step about to start: the first one counts up from 0; a later one shows the entry
// before it until its own counts come.
void BreathOpenEntry(RateDetectorState& d) {
  const std::uint32_t cur = d.HistoryCount;
  d.SetEntry(cur, cur > 0 ? d.Entry(cur - 1) : 0);
}

}  // namespace

void BreathRateProcess(VessamorChannel* channel, std::uint32_t first, std::uint32_t last) {
  if (channel == nullptr) return;
  RateDetectorState& d = channel->RateDetector;
  BreathDetectorState& b = d.Breath;
  const std::uint32_t rate = RecordRateOf(*channel);
  if (b.StepLength == 0 || rate == 0 || !ClampBatch(*channel, first, last)) return;
  std::uint32_t f = first;
  for (;;) {
    if (b.StepStarted == 0) {
      // The span starts again from 0 with each step; the hysteresis runs on, so a breath across the
      // step's start is counted once.
      b.Hysteresis = 0.08f;
      b.StepCycles = 0;
      b.Accumulator = 0;
      b.SecondCycles = 0;
      b.LastSecondsMark = 1;
      b.Lo = b.Hi = 0;
      BreathOpenEntry(d);
      b.StepFirst = f;
      b.StepLast = f + b.StepLength - 1;
      b.StepStarted = 1;
    }
    const std::uint32_t step_end = std::min(last, b.StepLast);
    // A second at a time: the entry changes only as a whole second of the step has passed.
    while (f <= step_end) {
      const std::int64_t into = static_cast<std::int64_t>(f) - b.StepFirst;
      const std::int64_t second = into / rate + 1;
      const std::int64_t second_last = b.StepFirst + second * rate - 1;
      const auto end = static_cast<std::uint32_t>(std::min<std::int64_t>(step_end, second_last));
      const std::int32_t n = BreathFindTurns(channel, f, end);
      b.StepCycles += n;
      b.Accumulator += n;
      b.SecondCycles += n;
      if (end == second_last) BreathCloseSecond(d, static_cast<std::uint32_t>(std::min<std::int64_t>(second, kBreathStepSeconds)));
      f = end + 1;
    }
    if (last < b.StepLast) return;

    if (!d.History.empty()) d.HistoryCount = (d.HistoryCount + 1) % static_cast<std::uint32_t>(d.History.size());
    b.StepStarted = 0;
    b.Accumulator = 0;
    b.LastSecondsMark = 1;
    BreathOpenEntry(d);
    if (last == b.StepLast) return;
    f = b.StepLast + 1;
  }
}

float BreathRateAt(const VessamorChannel* channel, std::uint32_t entry) {
  if (channel == nullptr) return 0.0f;
  const RateDetectorState& d = channel->RateDetector;
  if (entry == 0 || entry > d.HistoryCount) return d.Entry(0);
  return d.Entry(entry);
}

void TakeBreathingChoice(VessamorChannel& channel) {
  const MainWindowServices* window = channel.MainWindow;
  const std::uint8_t mode = window != nullptr ? window->Bytes.BreathingDisplayMode.load(std::memory_order_relaxed) : 0;
  if (mode != 0) channel.BreathRateShown = mode == 1 ? 1 : 0;
}

float BreathRateDisplay(const VessamorChannel* channel, std::uint16_t column) {
  if (channel == nullptr) return 0.0f;
  const MainWindowServices* window = channel->MainWindow;
  // What the channel was set up as, alone or beside other sensors: the window's choice is cleared
  // once several are measured, and with it the channel's own stands.
  const bool rate_shown = window != nullptr && channel->BreathRateShown != 0 &&
                          window->Bytes.MeasureScreenActive.load(std::memory_order_relaxed) != 0;
  if (!rate_shown) return channel->SampleValue(column);
  const RateDetectorState& d = channel->RateDetector;
  const std::uint32_t step_samples = RecordRateOf(*channel) * kBreathStepSeconds;
  if (step_samples == 0 || channel->TimeBase == nullptr || column >= channel->ColumnCapacity) return d.Entry(0);
  const std::uint32_t step = channel->TimeBase[column].FirstSample / step_samples;
  if (step > 0 && step < d.History.size() && step <= d.HistoryCount) return BreathRateAt(channel, step);
  return d.Entry(0);
}

void VessamorChannel::FillRateHistory() {
  const std::uint32_t current = RateDetector.HistoryCount;
  const std::uint16_t value = RateDetector.Entry(current);
  for (std::uint32_t i = 0; i < current; ++i) RateDetector.SetEntry(i, value);
}

std::uint32_t RotationPulsesPerRevolution(std::uint16_t sensor_code) { return sensor_code == 77 ? 4 : 20; }

std::uint32_t RotationWindow(std::uint16_t sensor_code, std::uint32_t record_rate) {
  return static_cast<std::uint32_t>(
      std::lround(record_rate / (RotationPulsesPerRevolution(sensor_code) * kSlowestRevolutions)));
}

std::uint32_t RotationTimeout(std::int64_t interval, std::uint32_t record_rate, std::uint32_t window) {
  const std::int64_t half = record_rate / 2;
  return static_cast<std::uint32_t>(std::min<std::int64_t>(std::max(2 * interval, half), window));
}

void RotationInit(VessamorChannel* channel) {
  if (channel == nullptr) return;
  RateDetectorState& d = channel->RateDetector;
  RotationDetectorState& r = d.Rotation;
  const std::uint32_t rate = RecordRateOf(*channel);
  r = RotationDetectorState{};
  channel->HistoryStepSeconds = 40;
  r.Window = RotationWindow(channel->SensorCode, rate);
  r.Timeout = r.Window;
  for (RotationRingEntry& entry : r.Ring) entry = RotationRingEntry{0.0, -2 - static_cast<std::int64_t>(rate)};
  r.Threshold = 0.5f;
  d.Started = 1;
  d.HistoryCount = 0;
  d.History.clear();
  if (channel->View != nullptr) channel->View->RateLabelsOn = 1;
}

void RotationFillRamp(VessamorChannel* channel, std::uint32_t up_to) {
  if (channel == nullptr) return;
  const RotationDetectorState& r = channel->RateDetector.Rotation;
  WriteRateLine(*channel, r.LastPulse, up_to, r.CurrentRate, 0.0);
}

std::uint32_t RotationPulses(VessamorChannel* channel, std::uint32_t first, std::uint32_t last) {
  if (channel == nullptr) return 0;
  RotationDetectorState& r = channel->RateDetector.Rotation;
  GraphView* view = channel->View;
  const std::uint32_t rate = RecordRateOf(*channel);
  // Kind 77 averages the rates of the pulses of the last half second.
  const std::int64_t half = rate / 2;
  const std::int64_t min_gap = rate / 500;
  const double per_revolution = RotationPulsesPerRevolution(channel->SensorCode);
  std::uint32_t count = 0;
  for (std::uint32_t i = first; i <= last; ++i) {
    // Decided on the code as it came from the unit, before any rate is written over it.
    const std::int32_t code = CodeAt(*channel, i);
    if (r.InPulse != 0) {
      if (code < kRotationPulseCode && r.HighestCode - code > kRotationPulseCode && i - r.PulseStart > min_gap) {
        r.InPulse = 0;
        r.PulseStart = i;
      }
    } else if (code > kRotationPulseCode && i - r.PulseStart > min_gap) {
      r.InPulse = 1;
      r.PulseStart = i;
      ++count;
      if (r.Ramp == 0) {
        SetCode(*channel, i, 0);
      } else {
        const std::int64_t interval = i - r.LastPulse;
        if (interval > 0 && interval <= r.Timeout) {
          double rate_now = rate / (per_revolution * static_cast<double>(interval));
          if (channel->SensorCode == 77) {
            r.Ring[r.RingPos] = RotationRingEntry{rate_now, i};
            r.RingPos = static_cast<std::uint8_t>((r.RingPos + 1) % r.Ring.size());
            if (r.PreviousRate > 0.01) {
              double sum = 0.0;
              int n = 0;
              for (const RotationRingEntry& entry : r.Ring) {
                if (entry.Index <= i && i - entry.Index <= half) {
                  sum += entry.Rate;
                  ++n;
                }
              }
              if (n > 0) rate_now = sum / n;
            }
          } else {
            if (r.PreviousRate > 0.01) rate_now = std::sqrt((rate_now * rate_now + r.PreviousRate * r.PreviousRate) * 0.5);
          }
          WriteRateLine(*channel, r.LastPulse, i, r.PreviousRate, rate_now);
          r.PreviousRate = rate_now;
          r.CurrentRate = rate_now;
          // A stopped disc reads 0 soon after its last pulse, a slow one reads on until its next.
          r.Timeout = RotationTimeout(interval, rate, r.Window);
        } else {
          RotationFillRamp(channel, i);
          r.PreviousRate = 0.0;
          r.CurrentRate = 0.0;
          r.Ramp = 0;
          r.Timeout = r.Window;
        }
      }
      r.Ramp = 1;
      r.LastPulse = i;
      if (view != nullptr) view->PulseAge = static_cast<std::int32_t>(static_cast<std::int64_t>(i) - view->DisplayStart);
    }
    if (r.Ramp != 0 && i - r.LastPulse > r.Timeout) {
      RotationFillRamp(channel, i);
      r.PreviousRate = 0.0;
      r.CurrentRate = 0.0;
      r.LastPulse = i;
      r.Ramp = 0;
      r.Timeout = r.Window;
    } else if (r.Ramp == 0) {
      SetCode(*channel, i, 0);
    }
  }
  return count;
}

namespace {

// The codes after the last pulse hold the rate as it stands until the next pulse writes its line
// over them, so the columns, the indicator and the page read a rate, not the pulses' level.
void RotationHoldRate(VessamorChannel& channel, std::uint32_t last) {
  const RotationDetectorState& r = channel.RateDetector.Rotation;
  if (r.Ramp != 0) WriteRateLine(channel, r.LastPulse, last, r.CurrentRate, r.CurrentRate);
}

}  // namespace

void RotationProcess(VessamorChannel* channel, std::uint32_t first, std::uint32_t last) {
  if (channel == nullptr) return;
  RotationDetectorState& r = channel->RateDetector.Rotation;
  const std::uint32_t rate = RecordRateOf(*channel);
  if (r.Stopped != 0 || rate == 0 || !ClampBatch(*channel, first, last)) return;
  if (r.StepStarted == 0) {
    r.Threshold = 0.5f;
    r.HighestCode = 4095;
    r.RingPos = 0;
    r.InPulse = 0;
    r.Ramp = 0;
    r.LastPulse = 0;
    r.PulseStart = 0;
    r.Timeout = r.Window;
    r.StepStarted = 1;
  }
  // A pulse still open at the end of the last batch ends in this one, even if it brings no pulse code:
  // otherwise the next pulse would be taken for the old one, and its rate lost, as the reads fall.
  bool pulse_codes = r.InPulse != 0;
  for (std::uint32_t i = first; i <= last && !pulse_codes; ++i) pulse_codes = CodeAt(*channel, i) > 999;
  if (pulse_codes) {
    if (RotationPulses(channel, first, last) == 0 && channel->View != nullptr) channel->View->PulseAge = 0;
    RotationHoldRate(*channel, last);
    return;
  }
  if (static_cast<std::int64_t>(last) - r.LastPulse <= static_cast<std::int64_t>(r.Timeout)) {
    if (r.Ramp != 0) {
      if (channel->View != nullptr) channel->View->PulseAge = 0;
      RotationHoldRate(*channel, last);
    } else {
      for (std::uint32_t i = first; i <= last; ++i) SetCode(*channel, i, 0);
    }
    return;
  }
  RotationFillRamp(channel, last);
  r.LastPulse = last;
  r.PreviousRate = 0.0;
  r.CurrentRate = 0.0;
  r.InPulse = 0;
  r.Ramp = 0;
  r.Timeout = r.Window;
}

float RotationValueAt(const VessamorChannel*, std::uint32_t) { return 0.0f; }

float RotationDisplay(const VessamorChannel* channel, std::uint16_t column) {
  return channel != nullptr ? channel->SampleValue(column) : 0.0f;
}

float VessamorChannel::IntegrateBetweenMarkers(std::uint32_t pair) const {
  if (View == nullptr || TimeBase == nullptr || pair + 1 >= View->Markers.size()) return 0.0f;
  const MarkerRecord& a = View->Markers[pair];
  const MarkerRecord& b = View->Markers[pair + 1];
  const std::uint32_t rate = View->RecordRate;
  if (a.Set == 0 || b.Set == 0 || rate == 0) return 0.0f;
  const std::uint16_t low = std::min(a.Column, b.Column);
  const std::uint16_t high = std::max(a.Column, b.Column);
  // Two markers on one column enclose no time.
  if (low == high || high >= ColumnCapacity) return 0.0f;
  const std::int64_t s = TimeBase[low].FirstSample;
  std::int64_t e = static_cast<std::int64_t>(TimeBase[high].FirstSample) + TimeBase[high].SampleCount - 1;
  // No sample beyond the record counts, however the columns read.
  e = std::min<std::int64_t>(e, CodeCapacity);
  if (s >= e) return 0.0f;
  float volume = 0.0f;
  FilteredSampleReader samples(*this);
  for (std::int64_t i = s; i < e; ++i) {
    volume += ValueOfFilteredCode(samples.At(static_cast<std::uint32_t>(i))) / static_cast<float>(rate);
  }
  return volume;
}

float IntegrateBetweenMarkersHook(const VessamorChannel* channel, std::uint32_t pair) {
  return channel != nullptr ? channel->IntegrateBetweenMarkers(pair) : 0.0f;
}

void InstallBreathingHooks(VessamorChannel& channel) {
  channel.RateInitFn = &BreathRateInit;
  channel.RateProcessFn = &BreathRateProcess;
  channel.RateValueAtFn = &BreathRateAt;
  channel.RateDisplayFn = &BreathRateDisplay;
}

void InstallRotationHooks(VessamorChannel& channel) {
  channel.RateInitFn = &RotationInit;
  channel.RateProcessFn = &RotationProcess;
  channel.RateValueAtFn = &RotationValueAt;
  channel.RateDisplayFn = &RotationDisplay;
}
