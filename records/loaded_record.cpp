// A record read from a file, held apart from the view until it is checked, and its hand-over to the graph view.
#include "records/loaded_record.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <mutex>

#include "graph/graph_view.h"
#include "records/byte_source.h"

namespace records {

namespace {

constexpr std::uint16_t kAccelerometerLow = 7;
constexpr std::uint16_t kAccelerometerHigh = 8;
// Kinds whose record holds a two-column text layout when they are the only two channels.
constexpr std::uint16_t kTwoChannelKinds[] = {46, 26};
// Kinds with an extended axis, and where in the span table that axis's span stands.
constexpr std::uint16_t kExtendedAxisKinds[] = {26, 27};
constexpr std::size_t kExtendedSpanIndex[] = {60, 61};
// The view a loaded record opens with: seconds and value per division, value divisions, the
// time shown and the top of the value range.
constexpr float kLoadSecondsPerDivision = 0.5f;
constexpr float kLoadValuePerDivision = 2.5f;
constexpr std::uint8_t kLoadValueDivisions = 8;
constexpr double kLoadEndTime = 5.0;
constexpr double kLoadTopValue = 10.0;
constexpr double kLoadValueTickStep = 5.0;
// A record shorter than this is taken in but not set up for viewing.
constexpr std::uint32_t kViewableLastIndex = 20;

// Only a value that is not finite is beyond use; any other byte of a flag or a curve mode is read
// as the writer meant it: a non-zero flag is set, a curve mode other than 2 draws straight lines.
bool SettingsAreSound(RecordChannelSettings& s) {
  const float floats[] = {s.ZeroOffset, s.ZeroOffset2, s.EnteredValue, s.DerivedRate, s.Gain};
  for (float f : floats) {
    if (!std::isfinite(f)) return false;
  }
  for (std::uint8_t* flag : {&s.FineOffsetOn, &s.FineOffset2On, &s.ZeroOffsetOn, &s.ZeroOffset2On, &s.EnteredValueOn,
                             &s.CalibrationOn, &s.MedianOn, &s.SmoothingOn, &s.AltRange, &s.CurveSmoothOn}) {
    *flag = *flag != 0 ? 1 : 0;
  }
  if (s.CurveMode != 2) s.CurveMode = 1;
  return true;
}

// Codes per channel once the buffer is shared among the channels with codes.
std::uint32_t PerChannelCapacity(const LoadedRecord& record, std::uint32_t sample_capacity) {
  std::uint32_t present = 0;
  for (const LoadedChannel& c : record.Channels) present += c.Present ? 1 : 0;
  return sample_capacity / std::max<std::uint32_t>(present, 1);
}

// The span of a kind's default axis; the extended axis stands in for a channel that uses it.
double AxisSpan(const GraphView& view, std::uint16_t kind, std::uint8_t extended) {
  for (std::size_t i = 0; i < std::size(kExtendedAxisKinds); ++i) {
    if (kind == kExtendedAxisKinds[i] && extended != 0) return view.ScaleSpans[kExtendedSpanIndex[i]];
  }
  return view.ScaleSpan(kind);
}

void ApplySettings(VessamorChannel& ch, const RecordChannelSettings& s) {
  ch.DeviceTypeCode = s.DeviceTypeCode;
  ch.SensorCode = s.SensorCode;
  // A value whose in-force flag is clear is not carried over.
  ch.FineOffsetOn = s.FineOffsetOn;
  ch.FineOffset = s.FineOffsetOn != 0 ? s.FineOffset : 0;
  ch.FineOffset2On = s.FineOffset2On;
  ch.FineOffset2 = s.FineOffset2On != 0 ? s.FineOffset2 : 0;
  ch.ZeroOffsetOn = s.ZeroOffsetOn;
  ch.ZeroOffset = s.ZeroOffsetOn != 0 ? s.ZeroOffset : 0.0f;
  ch.ZeroOffset2 = s.ZeroOffset2On != 0 ? s.ZeroOffset2 : 0.0f;
  ch.EnteredValueSet = s.EnteredValueOn;
  ch.EnteredValue = s.EnteredValueOn != 0 ? s.EnteredValue : 0.0f;
  ch.MedianWindow = s.MedianWindow;
  ch.MedianOn = s.MedianWindow != 0 ? s.MedianOn : 0;
  ch.SmoothingWindow = s.SmoothingWindow;
  ch.SmoothingOn = s.SmoothingWindow != 0 ? s.SmoothingOn : 0;
  ch.NoClamp = s.AltRange;
  ch.RunMax = s.RunMax;
  ch.RunMin = s.RunMin;
  ch.CurveSmoothOn = s.CurveSmoothOn;
  ch.CurveMode = s.CurveMode;
  if (s.SensorCode == kAccelerometerLow || s.SensorCode == kAccelerometerHigh) ch.Gain = s.Gain;
  ch.NotchOn = 0;
  ch.BandPassOn = 0;
  ch.CodeOffsetOn = 0;
  ch.CodeOffset = 0;
  ch.CodeOffset2 = 0;
  ch.FirstOfSensor = 0;
  ch.ConfigureFilter();
}

// A channel taken without settings shows its codes' own values: whatever the live channel had
// switched on for its unit (zero offsets, a calibration, filters) stays with the live set-up.
void ClearLiveSettings(VessamorChannel& ch) {
  ch.FineOffsetOn = ch.FineOffset2On = 0;
  ch.FineOffset = ch.FineOffset2 = 0;
  ch.ZeroOffset2 = 0.0f;
  ch.EnteredValueSet = 0;
  ch.EnteredValue = 0.0f;
  // The calibration's zero and gain; the live ones come back with the live set-up.
  ch.ZeroOffsetOn = 0;
  ch.ZeroOffset = 0.0f;
  ch.Gain = 1.0f;
  ch.MedianOn = ch.SmoothingOn = 0;
  ch.NotchOn = ch.BandPassOn = 0;
  ch.CodeOffsetOn = 0;
  ch.CodeOffset = ch.CodeOffset2 = 0;
  ch.ConfigureFilter();
}

// A rate kind restarts its detector from the record's rate, with the history the record holds.
void ApplyRateKind(VessamorChannel& ch, const LoadedChannel& loaded, std::uint32_t rate, std::uint32_t capacity) {
  RateDetectorState& d = ch.RateDetector;
  const std::uint32_t seconds = RateWindowSeconds(ch.SensorCode);
  ch.RateMode = seconds != 0 ? 1 : 0;
  d.History.clear();
  d.HistoryCount = 0;
  d.CarriedCapacity.reset();
  if (seconds == 0) {
    d.Rate = 0.0f;
    return;
  }
  const std::uint32_t window = rate * seconds;
  d.Started = 0;
  d.WindowFill = 0;
  d.Rate = loaded.Settings.DerivedRate;
  d.CarriedCapacity = loaded.Settings.HistoryCapacity;
  if (ch.SensorCode == 40) {
    d.Breath.StepLength = window;
  } else {
    d.WindowLength = window;
  }
  if (!loaded.Present || loaded.History.empty() || window == 0) return;
  d.History.assign(capacity / window, 0);
  std::copy_n(loaded.History.begin(), std::min(loaded.History.size(), d.History.size()), d.History.begin());
  const std::uint32_t entries = static_cast<std::uint32_t>(std::min(loaded.History.size(), d.History.size()));
  // The count is of the windows the record holds whole, as at the end of a recording; an entry
  // beyond them is the count of the window that ran when the record ended.
  d.AcceptHistoryCount(std::min(entries, ch.CodeCount / window));
}

// Lays channel 0's columns over the whole record from sample 0 and marks the kinds and ratios;
// the channels' extremes are reduced unless the graph header's set-up, which lays the columns again
// for its own scales, follows.
void SetUpView(GraphView& view) {
  view.RateSetting = view.RecordRate;
  view.Scale.SecondsPerDivision = 0.0;
  view.Scale.ValuePerDivision = 0.0;
  view.ValueDivisions = kLoadValueDivisions;
  view.SetScales(kLoadSecondsPerDivision, kLoadValuePerDivision, 1);
  view.Scale.StartTime = 0.0;
  view.Scale.EndTime = kLoadEndTime;
  view.Scale.TopValue = kLoadTopValue;
  view.Scale.BottomValue = kLoadTopValue - view.PlotHeight * view.Scale.ValuePerPixel;
  view.Scale.ValueTickCount =
      static_cast<std::uint8_t>(std::min<std::size_t>(view.ValueDivisions + 1u, ScaleState::kMaxTicks));
  for (std::uint8_t i = 0; i < view.Scale.ValueTickCount; ++i) {
    const double value = kLoadTopValue - i * kLoadValueTickStep;
    const double pixel = (kLoadTopValue - value) / view.Scale.ValuePerPixel;
    view.Scale.ValueTicks[i].Value = static_cast<float>(value);
    view.Scale.ValueTicks[i].Pixel = static_cast<std::uint16_t>(std::clamp(pixel, 0.0, 65535.0));
  }

  view.Sweep.ScreenStart = 0.0;
  view.Sweep.TimeOrigin = 0.0;
  view.Sweep.FirstUnprocessed = view.SampleCount;
  const double spc = view.Scale.SamplesPerColumn > 0.0 ? view.Scale.SamplesPerColumn : 1.0;
  const double columns = std::ceil(view.SampleCount / spc);
  // The column that holds the last sample, within the plot and the column tables.
  const std::uint32_t tables = view.ColumnsPerChannel() > 0 ? view.ColumnsPerChannel() - 1 : 0;
  const std::uint32_t limit = std::max<std::uint32_t>(std::min<std::uint32_t>(view.PlotWidth, tables), 1);
  const auto last = static_cast<std::uint16_t>(std::clamp<double>(columns, 1.0, limit));
  view.FirstShownColumn = 1;
  view.LastShownColumn = last;
  if (view.SetupHooks.SetupGraphHeader) {
    view.LayColumnTable(1, last);
  } else {
    view.RebuildColumnTable(1, last);
  }

  const VessamorChannel* first = nullptr;
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    VessamorChannel& ch = view.Channel(k);
    ch.HasData = ch.Enabled;
    if (ch.Enabled != 0 && first == nullptr) first = &ch;
  }
  if (first != nullptr) view.SensorCode = first->SensorCode;
  // One first-of-sensor channel per distinct kind among the channels with codes.
  std::uint16_t firsts = 0;
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    VessamorChannel& ch = view.Channel(k);
    ch.FirstOfSensor = 0;
    if (ch.Enabled == 0) continue;
    bool seen = false;
    for (std::size_t j = 0; j < k; ++j) {
      seen = seen || (view.Channel(j).Enabled != 0 && view.Channel(j).SensorCode == ch.SensorCode);
    }
    if (!seen) {
      ch.FirstOfSensor = 1;
      ++firsts;
    }
  }
  view.FirstOfSensorCount = std::max<std::uint16_t>(firsts, 1);
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    VessamorChannel& ch = view.Channel(k);
    double ratio = 1.0;
    if (ch.SensorCode != view.SensorCode) {
      const double own = AxisSpan(view, ch.SensorCode, ch.NoClamp);
      ratio = own != 0.0 ? AxisSpan(view, view.SensorCode, ch.NoClamp) / own : 1.0;
    }
    const bool same = ratio >= 0.9999 && ratio <= 1.0001;
    ch.ScaleRatio = same ? 1.0f : static_cast<float>(ratio);
    ch.OwnScale = same ? 0 : 1;
  }
}

}  // namespace

std::uint32_t RateWindowSeconds(std::uint16_t sensor_code) {
  switch (sensor_code) {
    case 35: return 5;
    case 37: return 40;
    case 40: return 15;
    default: return 0;
  }
}

bool ValidateLoadedRecord(LoadedRecord& record, std::uint32_t sample_capacity) {
  if (record.Rate == 0 || record.Rate > kHighestRecordRate) record.Rate = kDefaultRecordRate;
  if (record.ChannelCount == 0 || record.ChannelCount > 4) record.ChannelCount = 1;
  for (LoadedChannel& c : record.Channels) {
    if (record.CodeCount(c) == 0) c.Present = false;
    if (c.HasSettings) {
      if (!SettingsAreSound(c.Settings)) return false;
      c.Settings.MedianWindow = std::min(c.Settings.MedianWindow, kLargestFilterWindow);
      c.Settings.SmoothingWindow = std::min(c.Settings.SmoothingWindow, kLargestFilterWindow);
    }
    if (c.Present && c.Settings.SensorCode > kHighestSensorCode) return false;
    if (!c.Present) {
      c.Codes.clear();
      c.FileCodes = 0;
      c.History.clear();
    }
  }
  const std::uint32_t capacity = PerChannelCapacity(record, sample_capacity);
  bool any = false;
  for (LoadedChannel& c : record.Channels) {
    if (!c.Present) continue;
    // A channel longer than its share keeps one code less than the share, as a recording would.
    if (record.CodeCount(c) > capacity) {
      c.Codes.resize(std::min<std::size_t>(c.Codes.size(), capacity > 0 ? capacity - 1 : 0));
      c.FileCodes = capacity > 0 ? capacity - 1 : 0;
    }
    if (record.CodeCount(c) == 0) {
      c.Present = false;
      continue;
    }
    any = true;
    const std::uint32_t window = record.Rate * RateWindowSeconds(c.Settings.SensorCode);
    const std::size_t entries = window != 0 ? capacity / window : 0;
    if (c.History.size() > entries) c.History.resize(entries);
  }
  return any;
}

void PrepareHandOver(GraphView& view, const LoadedRecord& record) {
  // The hand-over gives each channel with codes its share of the buffer, in channel order.
  const std::uint32_t capacity = PerChannelCapacity(record, view.SampleCapacity);
  std::size_t start = 0;
  for (const LoadedChannel& c : record.Channels) {
    if (!c.Present) continue;
    view.PrepareCodePages(start, std::min<std::size_t>(record.CodeCount(c), capacity));
    start += capacity;
  }
}

void GiveBackPages(void* data, std::size_t bytes) {
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
  const std::uintptr_t to = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(page - 1);
  constexpr std::uintptr_t kStep = std::uintptr_t{4} << 20;
  for (std::uintptr_t at = from; at < to; at += kStep) {
    madvise(reinterpret_cast<void*>(at), std::min(kStep, to - at), MADV_DONTNEED);
  }
}

void ReadCodesAhead(const GraphView& view, LoadedRecord& record) {
  record.ReadyCodes = CodeVector();
  if (record.CodeSource == nullptr) return;
  CodeVector codes = view.NewCodeBuffer();
  if (codes.empty()) return;
  const std::uint32_t share = PerChannelCapacity(record, view.SampleCapacity);
  std::size_t start = 0;
  bool failed = false;
  for (LoadedChannel& c : record.Channels) {
    c.ReadyCount = 0;
    c.ReadyFailed = false;
    if (!c.Present) continue;
    const std::size_t count = std::min<std::size_t>(record.CodeCount(c), std::min<std::size_t>(share, codes.size() - start));
    std::int16_t* const to = codes.data() + start;
    c.ReadyAt = start;
    start += share;
    // As the hand-over reads: the channel the file ends in keeps the codes read before its end, and
    // those after it come without codes.
    if (failed) {
      c.ReadyFailed = true;
      continue;
    }
    c.ReadyCount = record.CodeSource->ReadUpTo(c.FileCodesAt, to, 2 * count) / 2;
    failed = c.ReadyFailed = c.ReadyCount < count;
  }
  record.ReadyCodes = std::move(codes);
}

namespace {

// Copies a channel's codes into the view. With `release` the record's own copy goes back to the
// system page by page behind the copy, so a load never holds the record twice.
void CopyCodes(const std::int16_t* from, std::size_t count, std::int16_t* to, bool release) {
  constexpr std::size_t kStep = std::size_t{1} << 18;  // codes a step: half a MiB
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  std::uintptr_t released = (reinterpret_cast<std::uintptr_t>(from) + page - 1) & ~(page - 1);
  for (std::size_t done = 0; done < count;) {
    const std::size_t n = std::min(kStep, count - done);
    std::copy_n(from + done, n, to + done);
    done += n;
    const std::uintptr_t copied = reinterpret_cast<std::uintptr_t>(from + done) & ~(page - 1);
    if (release && copied > released) {
      madvise(reinterpret_cast<void*>(released), copied - released, MADV_DONTNEED);
      released = copied;
    }
  }
}

AppliedRecord HandOver(GraphView& view, const LoadedRecord& record, const std::string& title, bool release_codes,
                       CodeVector* ready);

}  // namespace

AppliedRecord ApplyLoadedRecord(GraphView& view, const LoadedRecord& record, const std::string& title) {
  return HandOver(view, record, title, false, nullptr);
}

AppliedRecord ApplyLoadedRecord(GraphView& view, LoadedRecord&& record, const std::string& title) {
  return HandOver(view, record, title, true, &record.ReadyCodes);
}

namespace {

AppliedRecord HandOver(GraphView& view, const LoadedRecord& record, const std::string& title, bool release_codes,
                       CodeVector* ready) {
  AppliedRecord applied;
  if (view.LiveSetupKept == 0) {
    for (auto& reference : view.ReferenceChannels) {
      if (reference == nullptr) reference = std::make_unique<VessamorChannel>();
    }
    if (view.SetupHooks.SaveSetupToReference) view.SetupHooks.SaveSetupToReference();
    if (view.SetupHooks.SaveCaption) view.SetupHooks.SaveCaption();
    view.LiveSetupKept = 1;
  }
  bool long_enough = false;
  {
    std::lock_guard lock(view.ViewLock);
    // Each channel converts its codes as its kind in the record does, whatever unit is plugged
    // into its slot here: the kind's set-up first, then the record's own settings over it.
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      VessamorChannel& ch = view.Channel(k);
      const LoadedChannel& loaded = record.Channels[k];
      if (!loaded.HasSettings && !loaded.Present) continue;
      ch.SensorCode = loaded.Settings.SensorCode;
      ch.DeviceTypeCode = loaded.Settings.DeviceTypeCode;
      view.SetupChannels(0, static_cast<std::int32_t>(k));
    }
    view.RecordRate = record.Rate;
    if (record.AcquisitionMode) view.AcquisitionMode = *record.AcquisitionMode;
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      VessamorChannel& ch = view.Channel(k);
      const LoadedChannel& loaded = record.Channels[k];
      const std::uint8_t present = loaded.Present ? 1 : 0;
      ch.Enabled = ch.Shown = ch.SavedShown = present;
      if (loaded.HasSettings) {
        ApplySettings(ch, loaded.Settings);
      } else if (loaded.Present) {
        ClearLiveSettings(ch);
      }
    }
    // Codes read ahead come with their buffer, which takes the place of the view's.
    const bool ahead = ready != nullptr && record.CodeSource != nullptr && view.AdoptCodeBuffer(*ready);
    // The slices follow the channels with codes, so each has room for what it brings.
    view.SetChannelFlags(record.ChannelCount, 0);
    std::uint32_t shortest = 0;
    bool any = false;
    std::uint8_t two_channel_kinds = 0;
    std::uint8_t with_codes = 0;
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      VessamorChannel& ch = view.Channel(k);
      const LoadedChannel& loaded = record.Channels[k];
      std::size_t count =
          loaded.Present && ch.Codes != nullptr ? std::min<std::size_t>(record.CodeCount(loaded), ch.CodeCapacity) : 0;
      const bool in_place = ahead && count > 0 && ch.Codes == view.CodeBufferData() + loaded.ReadyAt;
      if (record.CodeSource == nullptr) {
        CopyCodes(loaded.Codes.data(), count, ch.Codes, release_codes);
      } else if (applied.ReadFailed) {
        // The file ended in an earlier channel: this one comes without codes.
        count = 0;
      } else if (in_place && (loaded.ReadyFailed || count <= loaded.ReadyCount)) {
        // Read ahead into their place; the file may have ended inside them.
        applied.ReadFailed = loaded.ReadyFailed;
        count = std::min(count, loaded.ReadyCount);
      } else if (count > 0) {
        const std::size_t read = record.CodeSource->ReadUpTo(loaded.FileCodesAt, ch.Codes, 2 * count) / 2;
        applied.ReadFailed = read < count;
        count = read;
      }
      // The channel the file ended in keeps the codes read before its end; one without any is not shown.
      if (count == 0 && applied.ReadFailed) ch.Enabled = ch.Shown = ch.SavedShown = 0;
      ch.CodeCount = static_cast<std::uint32_t>(count);
      if (loaded.HasSettings && !loaded.Settings.HasRunRange && count > 1) {
        ch.RunMax = ch.RunMin = ch.Codes[1];
      }
      if (!loaded.HasSettings && count > 0) {
        const auto [low, high] = std::minmax_element(ch.Codes, ch.Codes + count);
        ch.RunMin = *low;
        ch.RunMax = *high;
      }
      if (loaded.HasSettings) ApplyRateKind(ch, loaded, record.Rate, view.ChannelCapacity);
      if (count == 0) continue;
      shortest = any ? std::min<std::uint32_t>(shortest, static_cast<std::uint32_t>(count)) : static_cast<std::uint32_t>(count);
      any = true;
      ++with_codes;
      if (std::find(std::begin(kTwoChannelKinds), std::end(kTwoChannelKinds), ch.SensorCode) != std::end(kTwoChannelKinds)) {
        ++two_channel_kinds;
      }
    }
    view.TwoChannelText = (with_codes == 2 && two_channel_kinds == 2) ? 1 : 0;
    view.SampleCount = shortest;
    view.LastSampleIndex = shortest > 0 ? shortest - 1 : 0;
    if (record.ViewSensorCode) view.SensorCode = *record.ViewSensorCode;
    long_enough = any && (view.LastSampleIndex >= kViewableLastIndex || record.ShowAnyLength);
    // A read that failed has written over the record shown before and brought too little to show:
    // the view is empty, as after New, with no record's name or title over it.
    if (!long_enough && applied.ReadFailed) {
      applied.Emptied = true;
      view.RecordViewable = 0;
      view.RecordName.clear();
      view.GraphTitle.clear();
      view.DisplayStart = 0;
      view.FirstShownColumn = 1;
      view.LastShownColumn = 1;
      view.Sweep.ScreenStart = 0.0;
      view.FullRedraw = 1;
    }
    if (long_enough) {
      SetUpView(view);
      if (record.ViewSensorCode) view.SensorCode = *record.ViewSensorCode;
      view.RecordName = title;
      view.RecordViewable = 1;
    }
  }
  if (applied.Emptied) {
    if (view.SetupHooks.ClearMarkedPoints) view.SetupHooks.ClearMarkedPoints();
    if (view.SetupHooks.SyncIndicatorPanes) view.SetupHooks.SyncIndicatorPanes();
  }
  if (!long_enough) return applied;
  applied.ViewSetUp = true;
  if (view.SetupHooks.CountMarkedPoints) applied.MarkersCleared = view.SetupHooks.CountMarkedPoints();
  if (view.SetupHooks.ClearMarkedPoints) view.SetupHooks.ClearMarkedPoints();
  if (view.SetupHooks.SyncIndicatorPanes) view.SetupHooks.SyncIndicatorPanes();
  if (view.SetupHooks.SetupGraphHeader) view.SetupHooks.SetupGraphHeader();
  return applied;
}

}  // namespace

}  // namespace records

VessamorChannel& GraphView::BindingTarget(std::size_t index) {
  if (LiveSetupKept != 0 && ReferenceChannels[index] != nullptr) return *ReferenceChannels[index];
  return *Channels[index];
}
