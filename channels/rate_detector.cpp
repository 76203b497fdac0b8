// Pulse and radioactivity detectors: windowed rate detection, the per-window history and its read-out.
#include "channels/rate_detector.h"

#include <algorithm>
#include <cmath>

#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"

namespace {

std::uint32_t ViewRate(const VessamorChannel& channel) { return channel.View != nullptr ? channel.View->RecordRate : 0; }

// Narrows a batch to the codes the channel holds; false when nothing of it is readable.
bool ClampBatch(const VessamorChannel& channel, std::uint32_t first, std::uint32_t& last) {
  if (channel.Codes == nullptr || channel.CodeCapacity == 0) return false;
  last = std::min(last, channel.CodeCapacity - 1);
  return first <= last;
}

std::int32_t CodeAt(const VessamorChannel& channel, std::uint32_t i) {
  return i < channel.CodeCapacity && channel.Codes != nullptr ? channel.Codes[i] : 0;
}

void UpdateWindowRange(RateDetectorState& d, std::int32_t code) {
  if (code > d.WindowMax) d.WindowMax = code;
  else if (code < d.WindowMin) d.WindowMin = code;
}

// Clears the detector for a new recording; the history's storage is kept for reuse.
void ClearDetector(RateDetectorState& d) {
  std::vector<std::uint16_t> history = std::move(d.History);
  d = RateDetectorState{};
  d.History = std::move(history);
}

// The common set-up of the pulse and radioactivity windows; a rate of 0 leaves the detector off.
void InitWindows(VessamorChannel& channel, std::uint32_t samples_per_second_factor, std::uint32_t step) {
  RateDetectorState& d = channel.RateDetector;
  ClearDetector(d);
  d.Started = 1;
  const std::uint32_t rate = ViewRate(channel);
  if (rate == 0) return;
  d.WindowLength = samples_per_second_factor * rate;
  d.Step = std::max<std::uint32_t>(step, 1);
  d.SecondsPerSample = 1.0f / static_cast<float>(rate);
  d.TurnThreshold = 0.5f;
  d.WindowEnd = d.WindowLength - 1;
  d.RecentRates.fill(0.0f);
  const std::uint32_t capacity = channel.View->SampleCapacity / d.WindowLength;
  if (d.History.size() != capacity) d.History.assign(capacity, 0);
  d.SetEntry(0, 0);
  d.HistoryCount = 0;
}

float DisplayOfWindow(const VessamorChannel& channel, std::uint16_t column, std::uint32_t seconds_per_window,
                      float (*value_at)(const VessamorChannel*, std::uint32_t)) {
  const RateDetectorState& d = channel.RateDetector;
  const std::uint32_t window = seconds_per_window * ViewRate(channel);
  if (window == 0 || channel.TimeBase == nullptr || column >= channel.ColumnCapacity) return d.Entry(0);
  const std::uint32_t e = channel.TimeBase[column].FirstSample / window;
  if (e > 0 && e < d.History.size() && e <= d.HistoryCount) return value_at(&channel, e);
  return d.Entry(0);
}

}  // namespace

std::uint16_t RateHistoryEntry(float rate) {
  if (!(rate > 0.0f)) return 0;
  // nearbyint rounds in the default mode: to nearest, ties to even.
  return static_cast<std::uint16_t>(std::min(std::nearbyint(static_cast<double>(rate)), 65535.0));
}

void PulseInit(VessamorChannel* channel) {
  if (channel == nullptr) return;
  InitWindows(*channel, 5, ViewRate(*channel) / 100);
}

float DetectPulse(VessamorChannel* channel, std::uint32_t a, std::uint32_t b) {
  RateDetectorState& d = channel->RateDetector;
  const std::int32_t range = d.WindowMax - d.WindowMin;
  if (range <= 10) return 0.0f;
  // Only differences of normalised codes count, so the offset of the normalisation does not matter.
  const auto normalised = [&](std::uint32_t i) {
    return static_cast<float>(CodeAt(*channel, i) + d.WindowMin) / static_cast<float>(range);
  };
  d.Rising = normalised(a) < normalised(std::min(a + 2, b)) ? 1 : 0;
  d.Peak = d.Valley = normalised(a);
  d.PeakIndex = d.ValleyIndex = a;
  d.TurnThreshold = 0.5f;
  d.BeatThreshold = 0.65f;
  d.ExtremaCount = 0;
  std::uint32_t beats = 0;
  std::uint64_t interval_sum = 0;
  std::uint32_t peaks = 0;
  const std::uint32_t step = std::max<std::uint32_t>(d.Step, 1);

  for (std::uint64_t k = a; k <= b; k += step) {
    const auto i = static_cast<std::uint32_t>(k);
    const float v = normalised(i);
    if (v > d.Peak) {
      d.Peak = v;
      d.PeakIndex = i;
    } else if (v < d.Valley) {
      d.Valley = v;
      d.ValleyIndex = i;
    } else if (d.Rising == 0) {
      if (v - d.Valley > d.TurnThreshold) {
        d.Extrema[d.ExtremaCount++] = RateExtremum{0, d.Valley, 0.0f, 0, d.ValleyIndex};
        d.Peak = v;
        d.PeakIndex = i;
        d.Rising = 1;
      }
    } else if (d.Peak - v > d.TurnThreshold) {
      const std::int32_t n = d.ExtremaCount;
      RateExtremum peak{1, d.Peak, 0.0f, 0, d.PeakIndex};
      if (n > 0) peak.Amplitude = d.Peak - d.Extrema[n - 1].Value;
      ++peaks;
      // A beat's interval needs the peak before it, two records back.
      if (peaks >= 2 && n >= 2) {
        peak.Interval = peak.Index - d.Extrema[n - 2].Index;
        if (peak.Amplitude >= d.BeatThreshold) {
          ++beats;
          interval_sum += peak.Interval;
        }
      }
      d.Extrema[n] = peak;
      d.ExtremaCount = n + 1;
      d.Valley = v;
      d.ValleyIndex = i;
      d.Rising = 0;
    }
    if (d.ExtremaCount == static_cast<std::int32_t>(d.Extrema.size())) {
      d.Extrema[0] = d.Extrema[4];
      d.Extrema[1] = d.Extrema[5];
      d.ExtremaCount = 2;
    }
  }
  if (beats == 0 || interval_sum == 0) return 0.0f;
  const double mean_interval = static_cast<double>(interval_sum) / beats;
  const double rate = 60.0 / (mean_interval * d.SecondsPerSample);
  return rate < 1.0 ? 0.0f : static_cast<float>(rate);
}

void PulseProcess(VessamorChannel* channel, std::uint32_t first, std::uint32_t last) {
  if (channel == nullptr) return;
  RateDetectorState& d = channel->RateDetector;
  if (d.WindowLength == 0 || !ClampBatch(*channel, first, last)) return;
  std::uint32_t f = first;
  // A batch may span several windows (a slow tick at a high rate): each one is closed in turn.
  for (;;) {
    if (d.WindowStarted == 0) {
      d.WindowStarted = 1;
      d.WindowMin = d.WindowMax = CodeAt(*channel, f);
    }
    if (d.WindowFill == 0) {
      d.WindowStart = f;
      d.WindowEnd = f + d.WindowLength - 1;
    }
    const std::uint32_t end = std::min(last, d.WindowEnd);
    for (std::uint32_t i = f; i <= end; ++i) UpdateWindowRange(d, CodeAt(*channel, i));
    d.WindowFill += end - f + 1;
    if (d.WindowEnd > last) return;

    d.Rate = DetectPulse(channel, d.WindowStart, d.WindowEnd);
    d.WindowStarted = 0;
    d.WindowFill = 0;
    d.WindowMin = 0;
    d.WindowMax = 0;
    d.RecentRates[d.RecentRateIndex] = d.Rate;
    if (++d.RecentRateIndex >= d.RecentRates.size()) {
      d.RecentRateIndex = 0;
      d.RecentRatesFull = 1;
    }
    d.SetEntry(d.HistoryCount, RateHistoryEntry(d.Rate));
    if (!d.History.empty()) d.HistoryCount = (d.HistoryCount + 1) % static_cast<std::uint32_t>(d.History.size());
    if (d.WindowEnd == last) return;
    f = d.WindowEnd + 1;
  }
}

float PulseValueAt(const VessamorChannel* channel, std::uint32_t entry) {
  if (channel == nullptr) return 0.0f;
  const RateDetectorState& d = channel->RateDetector;
  if (d.History.empty() || d.HistoryCount == 0) return 0.0f;
  if (entry == 0) return d.Entry(0);
  if (entry >= d.HistoryCount) return d.Entry(d.HistoryCount - 1);
  const std::uint32_t from = entry >= 5 ? entry - 5 : 0;
  std::uint32_t sum = 0;
  for (std::uint32_t i = from; i <= entry; ++i) sum += d.Entry(i);
  return static_cast<float>(sum / (entry - from + 1));
}

float PulseDisplay(const VessamorChannel* channel, std::uint16_t column) {
  if (channel == nullptr) return 0.0f;
  return DisplayOfWindow(*channel, column, 5, &PulseValueAt);
}

void RadiationInit(VessamorChannel* channel) {
  if (channel == nullptr) return;
  InitWindows(*channel, 40, 1);
  if (channel->View != nullptr) channel->View->RateLabelsOn = 1;
}

std::uint16_t CountPulses(VessamorChannel* channel, std::uint32_t a, std::uint32_t b) {
  RateDetectorState& d = channel->RateDetector;
  const std::int32_t range = d.WindowMax - d.WindowMin;
  if (range <= 0) return 0;
  // Peak and valley are kept as codes so the hysteresis carries over batches while the window's
  // range still grows; the differences are normalised by the range as it stands.
  const float scale = 1.0f / static_cast<float>(range);
  if (d.CountPrimed == 0) {
    d.CountPrimed = 1;
    d.Peak = d.Valley = static_cast<float>(CodeAt(*channel, a));
    d.PeakIndex = d.ValleyIndex = a;
  }
  std::uint32_t count = 0;
  for (std::uint32_t i = a; i <= b; ++i) {
    const auto v = static_cast<float>(CodeAt(*channel, i));
    if (v > d.Peak) {
      d.Peak = v;
      d.PeakIndex = i;
    } else if (v < d.Valley) {
      d.Valley = v;
      d.ValleyIndex = i;
    } else if (d.Rising == 0) {
      if ((v - d.Valley) * scale > d.TurnThreshold) {
        d.Peak = v;
        d.PeakIndex = i;
        d.Rising = 1;
      }
    } else if ((d.Peak - v) * scale > d.TurnThreshold) {
      ++count;
      d.Valley = v;
      d.ValleyIndex = i;
      d.Rising = 0;
    }
  }
  return static_cast<std::uint16_t>(std::min<std::uint32_t>(count, 0xFFFF));
}

void RadiationProcess(VessamorChannel* channel, std::uint32_t first, std::uint32_t last) {
  if (channel == nullptr) return;
  RateDetectorState& d = channel->RateDetector;
  if (d.WindowLength == 0 || !ClampBatch(*channel, first, last)) return;
  const std::uint32_t rate = ViewRate(*channel);
  std::uint32_t f = first;
  for (;;) {
    if (d.WindowStarted == 0) {
      d.TurnThreshold = 0.5f;
      d.BeatThreshold = 0.5f;
      d.WindowMin = d.WindowMax = 0;
      d.WindowFill = 0;
      d.ExtremaCount = 0;
      d.CountPrimed = 0;
      d.SetEntry(d.HistoryCount, 0);
      d.WindowStart = f;
      d.WindowEnd = f + d.WindowLength - 1;
      d.PauseEnd = d.WindowEnd + 10 * rate;
      d.Rising = 1;
      d.WindowStarted = 1;
    }
    const std::uint32_t end = std::min(last, d.WindowEnd);
    bool pulse = false;
    for (std::uint32_t i = f; i <= end; ++i) {
      const std::int32_t code = CodeAt(*channel, i);
      UpdateWindowRange(d, code);
      pulse = pulse || code > 999;
    }
    // A pulse whose fall lands in a batch of low codes is still counted there.
    if (pulse || (d.CountPrimed != 0 && d.Rising != 0)) {
      d.SetEntry(d.HistoryCount, d.Entry(d.HistoryCount) + CountPulses(channel, f, end));
    } else if (d.Rising == 0) {
      d.WindowMin = 0;
      d.WindowMax = 0;
    }
    if (last < d.WindowEnd) return;

    if (!d.History.empty()) d.HistoryCount = (d.HistoryCount + 1) % static_cast<std::uint32_t>(d.History.size());
    d.WindowStarted = 0;
    d.SetEntry(d.HistoryCount, 0);
    d.NewRate = 1;
    if (GraphView* view = channel->View; view != nullptr && view->CursorColumn + 21 < view->LastShownColumn) {
      view->RedrawRequested = 1;
    }
    if (last == d.WindowEnd) return;
    f = d.WindowEnd + 1;
  }
}

float RadiationValueAt(const VessamorChannel* channel, std::uint32_t entry) {
  if (channel == nullptr) return 0.0f;
  const RateDetectorState& d = channel->RateDetector;
  if (entry > 0 && entry <= d.HistoryCount) return d.Entry(entry);
  return d.Entry(0);
}

float RadiationDisplay(const VessamorChannel* channel, std::uint16_t column) {
  if (channel == nullptr) return 0.0f;
  return DisplayOfWindow(*channel, column, 40, &RadiationValueAt);
}

void CarryRateDetectorOverWrap(VessamorChannel& channel, std::uint32_t first) {
  if (channel.Enabled == 0 || channel.RateMode == 0 || channel.RateProcessFn == nullptr) return;
  RateDetectorState& d = channel.RateDetector;
  if (d.Started == 0 && channel.RateInitFn != nullptr) channel.RateInitFn(&channel);
  const std::uint32_t cycle = channel.CodeCount;
  if (first < cycle) channel.RateProcessFn(&channel, first, cycle - 1);

  const auto back = [cycle](std::uint32_t& index) { index = index > cycle ? index - cycle : 0; };
  if (channel.RateProcessFn == &PulseProcess) {
    d.WindowStarted = 0;
    d.WindowFill = 0;
    d.WindowMin = 0;
    d.WindowMax = 0;
  } else if (d.WindowStarted != 0) {
    // An open window ends beyond the ending cycle, so its end stays a valid index.
    back(d.WindowStart);
    back(d.WindowEnd);
    back(d.PauseEnd);
    back(d.PeakIndex);
    back(d.ValleyIndex);
  }
  BreathDetectorState& b = d.Breath;
  b.LastMaximum -= cycle;
  if (b.StepStarted != 0) {
    b.StepFirst -= cycle;
    back(b.StepLast);
    back(b.MaxIndex);
    back(b.MinIndex);
  }
  RotationDetectorState& r = d.Rotation;
  if (r.StepStarted != 0) {
    r.LastPulse -= cycle;
    r.PulseStart -= cycle;
    for (RotationRingEntry& entry : r.Ring) entry.Index -= cycle;
  }
}

void InstallPulseHooks(VessamorChannel& channel) {
  channel.RateInitFn = &PulseInit;
  channel.RateProcessFn = &PulseProcess;
  channel.RateValueAtFn = &PulseValueAt;
  channel.RateDisplayFn = &PulseDisplay;
}

void InstallRadiationHooks(VessamorChannel& channel) {
  channel.RateInitFn = &RadiationInit;
  channel.RateProcessFn = &RadiationProcess;
  channel.RateValueAtFn = &RadiationValueAt;
  channel.RateDisplayFn = &RadiationDisplay;
}
