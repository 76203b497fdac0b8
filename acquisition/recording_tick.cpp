// The graph view's acquisition tick: start set-up, new samples, derived channels, the sweep and its redraws.
#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <tuple>

#include "acquisition/device_families.h"
#include "acquisition/device_manager.h"
#include "acquisition/device_status.h"
#include "acquisition/ft_record_device.h"
#include "channels/channel_filters.h"
#include "channels/main_window_services.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"

namespace {

constexpr std::uint8_t kWirelessReceiverType = 3;
constexpr std::uint8_t kEventTimerType = 8;
constexpr std::uint16_t kRadiationCode = 37;
constexpr std::uint16_t kBreathingCode = 40;
constexpr std::uint16_t kFlowCode = 49;
// Samples per column below this are taken as this: the sweep's column arithmetic stays finite.
constexpr double kSmallestSamplesPerColumn = 1e-6;

bool IsAccelerometer(std::uint16_t code) { return code == 7 || code == 8; }

bool IsDistance(std::uint16_t code) { return code == 52 || code == 57; }
bool IsRotation(std::uint16_t code) { return code == 73 || code == 77; }

std::uint8_t UnitTypeOf(const VessamorChannel& channel) {
  return channel.Device != nullptr ? channel.Device->DeviceTypeCode : channel.DeviceTypeCode;
}

// An event timer's frames stand for as many samples as the view now records in their time.
void FollowTimerRates(GraphView& view) {
  for (const auto& channel : view.Channels) {
    if (channel->Device == nullptr || channel->Device->DeviceTypeCode != kEventTimerType) continue;
    if (auto* timer = dynamic_cast<DeviceQEMod*>(channel->Device)) timer->FollowViewRate(view.RateSetting);
  }
}

// Samples the centred smoothing looks ahead of the sample it outputs; 0 for the causal filters.
std::uint32_t FilterDelay(const VessamorChannel& channel) {
  if (channel.SmoothingOn == 0 || channel.SmoothingWindow == 0 || channel.CentredSmoothing == 0) return 0;
  return HalvesOfWindow(channel.SmoothingWindow).Trail;
}

// A derived code: truncated, within 0..kDerivedCodeMax (a speed beyond the range sits at its end).
std::int16_t DerivedCode(double value) {
  if (std::isnan(value)) return 0;
  return static_cast<std::int16_t>(std::clamp(value, 0.0, static_cast<double>(kDerivedCodeMax)));
}

bool SlotMatches(const DeviceSlot& slot, const FTRecordDevice& unit) {
  return slot.Location == unit.LocationId && slot.DeviceTypeCode == unit.DeviceTypeCode && slot.SerialNumber == unit.Serial;
}

// What the tick asks of the window once the view lock is released.
struct RedrawAction {
  bool PreparationStep = false;
  bool Invalidate = false;
  PixelRect Rect;
};

}  // namespace

double GraphView::GuardedSamplesPerColumn() const {
  const double spc = Scale.SamplesPerColumn;
  if (!std::isfinite(spc) || spc <= 0.0) return 1.0;
  return std::max(spc, kSmallestSamplesPerColumn);
}

void GraphView::PlaceSweepTicks() {
  Scale.StartTime = Sweep.TimeOrigin;
  if (RecordRate > 0) Scale.EndTime = Sweep.TimeOrigin + PlotWidth * GuardedSamplesPerColumn() / RecordRate;
  PlaceTimeTicks();
}

void GraphView::ChooseDerivedChannels() {
  const std::uint8_t speed_channel = Derived.SpeedChannel;
  const std::uint8_t accel_channel = Derived.AccelChannel;
  Derived = DerivedChannels{};
  Derived.SpeedChannel = speed_channel;
  Derived.AccelChannel = accel_channel;
  for (const auto& live : Channels) {
    const VessamorChannel& channel = *live;
    if (channel.Enabled == 0) continue;
    if (IsAccelerometer(channel.SensorCode)) {
      // The wireless receiver sends the magnitude itself.
      if (UnitTypeOf(channel) == kWirelessReceiverType) {
        Derived.MagnitudeOn = 0;
        Derived.PairOn = 0;
      } else {
        Derived.MagnitudeOn = 1;
      }
    }
    if (IsDistance(channel.SensorCode)) {
      Derived.PairOn = 1;
      Derived.PairSource = channel.ChannelIndex;
    }
  }
}

void GraphView::ComputeStartIndexes() {
  ChooseDerivedChannels();

  // The rate detectors' start routines below size their windows from the record's rate.
  RecordRate = RateSetting;
  bool timed = false;
  for (auto& live : Channels) {
    VessamorChannel& channel = *live;
    channel.CodeCount = 0;
    channel.RunMin = 0;
    channel.RunMax = 0;
    channel.RunReset = 1;
    // The record is measured here: its history capacity is the detector's own.
    channel.RateDetector.CarriedCapacity.reset();
    channel.TrackingOn = IsRotation(channel.SensorCode) ? 0 : 1;
    // The decoder sums the flow's values as they come: the volume the indicator shows.
    channel.PulseOn = channel.SensorCode == kFlowCode ? 1 : 0;
    channel.AccumulatedVolume = 0.0;
    if (channel.PulseOn != 0) {
      channel.PulseHigh = 0;
      channel.PulseSum = 0.0;
    }
    // Filters and zero offsets start afresh with the record.
    channel.ResetNotchCascade();
    channel.ResetBandPass();
    channel.ConfigureFilter();
    // The event timer places its samples by its own clock of intervals, also while a sensor page
    // measures with its channel not yet shown.
    if (channel.Device != nullptr && channel.Device->DeviceTypeCode == kEventTimerType) {
      if (auto* timer = dynamic_cast<DeviceQEMod*>(channel.Device)) timer->ResetTimingState();
    }
    if (channel.Enabled == 0) continue;
    if (channel.RateMode != 0 && channel.RateInitFn != nullptr) {
      channel.RateDetector.Started = 0;
      channel.RateInitFn(&channel);
    }
    if (channel.SensorCode == kRadiationCode) RateLabelsOn = 1;
    if (channel.SensorCode == kBreathingCode && MainWindow != nullptr &&
        MainWindow->Bytes.RangeMode.load() == 1 && MainWindow->Bytes.MeasureScreenActive.load() != 0) {
      timed = true;
    }
  }
  Sweep.SampleLimit = timed ? kTimedBreathSeconds * RateSetting : 0;
  RecordingState = timed ? 1 : 0;

  Markers.fill(MarkerRecord{});
  MarkerWasSet.fill(0);

  SampleCount = 0;
  Sweep.PreviousSampleCount = 0;
  Sweep.FirstUnprocessed = 0;
  Sweep.FirstUnfiltered = 0;
  Sweep.LastProcessedCount = 0;
  Sweep.NewSamples = 0;
  Sweep.FixedCount = 0;
  Sweep.ColumnPosition = 0;
  Sweep.LastDrawnColumn = 1;
  Sweep.FirstRedrawColumn = 1;
  Sweep.LastRedrawColumn = 1;
  Sweep.FullRedraw = 1;
  Sweep.ScreenStart = 0.0;
  Sweep.CycleStartTime = 0.0;
  Sweep.TimeOrigin = 0.0;
  Sweep.RedrawTickValid = 0;
  Sweep.ReceivedBytes = 0;
  DisplayStart = 0;
  PulseAge = 0;
  UnitEventSink.RadioLink() = RadioLinkState{};
  if (ColumnTables.size() > 1) {
    ColumnTables[1].FirstSample = 0;
    ColumnTables[1].SampleCount = 0;
    ColumnTables[1].SampleFraction = 0.0;
  }
  PlaceSweepTicks();
}

std::uint32_t GraphView::NewestInputCount() const {
  bool any = false;
  std::uint32_t newest = std::numeric_limits<std::uint32_t>::max();
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    const VessamorChannel& channel = *Channels[k];
    if (channel.Enabled == 0) continue;
    // Channels the tick fills itself do not hold the units' samples back.
    if (Derived.MagnitudeOn != 0 && k == DerivedChannels::kMagnitudeChannel) continue;
    if (Derived.PairOn != 0 && k != Derived.PairSource && (k == Derived.SpeedChannel || k == Derived.AccelChannel)) {
      continue;
    }
    newest = std::min(newest, channel.CodeCount);
    any = true;
  }
  return any ? newest : SampleCount;
}

void GraphView::FillMagnitude(std::uint32_t first, std::uint32_t end) {
  VessamorChannel& out = *Channels[DerivedChannels::kMagnitudeChannel];
  if (out.Codes == nullptr || out.CodeCapacity == 0) return;
  end = std::min(end, out.CodeCapacity);
  for (std::uint32_t i = first; i < end; ++i) {
    double sum = 0.0;
    for (std::size_t j = 0; j < 3; ++j) {
      const VessamorChannel& axis = *Channels[j];
      if (axis.Enabled == 0 || axis.Codes == nullptr || i >= axis.CodeCapacity) continue;
      const double d = static_cast<double>(axis.Codes[i]) - out.AxisZeroCodes[j] - axis.AdcZeroCode;
      sum += axis.GainSquared * d * d;
    }
    const std::int16_t code = MagnitudeCode(sum, kMagnitudeZeroCode);
    out.Codes[i] = code;
    out.TrackMinMax(code);
  }
  out.CodeCount = end;
}

void GraphView::FillDerivedPair(std::uint32_t first, std::uint32_t end) {
  if (Derived.PairSource >= kLiveChannels) return;
  const VessamorChannel& source = *Channels[Derived.PairSource];
  if (source.Codes == nullptr) return;
  end = std::min(end, source.CodeCapacity);
  const std::uint32_t rate = RecordViewable != 0 ? RecordRate : RateSetting;
  if (rate == 0 || first >= end) return;
  const double period = 1.0 / rate;

  auto derived = [&](std::uint8_t index) -> VessamorChannel* {
    if (index >= kLiveChannels || index == Derived.PairSource) return nullptr;
    VessamorChannel* channel = Channels[index].get();
    return channel->Codes != nullptr && channel->CodeCapacity > 0 ? channel : nullptr;
  };
  VessamorChannel* speed = derived(Derived.SpeedChannel);
  VessamorChannel* accel = derived(Derived.AccelChannel);
  auto put = [](VessamorChannel* channel, std::uint32_t i, std::int16_t code) {
    if (channel == nullptr || i >= channel->CodeCapacity) return;
    channel->Codes[i] = code;
    channel->TrackMinMax(code);
  };

  for (std::uint32_t i = first; i < end; ++i) {
    const std::int16_t code = source.Codes[i];
    const double value = source.RawToValueFn != nullptr ? source.RawToValueFn(code, &source) : code;
    std::int16_t speed_code = 0;
    std::int16_t accel_code = 0;
    if (i == 0) {
      Derived.KeptSpeed = 0.0;
    } else {
      // The previous value is kept rather than read back, so a batch boundary changes nothing.
      const double v = (value - Derived.KeptValue) / period;
      speed_code = DerivedCode(1.6 * v + kDerivedZeroCode);
      accel_code = DerivedCode(0.16 * (v - Derived.KeptSpeed) / period + kDerivedZeroCode);
      Derived.KeptSpeed = v;
    }
    Derived.KeptValue = value;
    put(speed, i, speed_code);
    put(accel, i, accel_code);
  }
  for (VessamorChannel* channel : {speed, accel}) {
    if (channel != nullptr) channel->CodeCount = std::min(end, channel->CodeCapacity);
  }
}

bool GraphView::ProcessNewSamples() {
  if (Sweep.FixedCount != 0) {
    SampleCount = Sweep.FixedCount;
    for (auto& channel : Channels) channel->CodeCount = std::min(Sweep.FixedCount, channel->CodeCapacity);
  }
  if (Recording != 0) {
    std::uint32_t newest = NewestInputCount();
    // A timed record holds its limit, also on the passes between the limit and the stop.
    if (Sweep.SampleLimit != 0 && RecordingState.load() != 0 && newest >= Sweep.SampleLimit) {
      newest = Sweep.SampleLimit;
      std::uint8_t running = 1;
      RecordingState.compare_exchange_strong(running, 2);
    }
    if (newest != SampleCount) {
      Sweep.PreviousSampleCount = SampleCount;
      SampleCount = newest;
      if (Derived.MagnitudeOn != 0 && newest > Sweep.PreviousSampleCount) FillMagnitude(Sweep.PreviousSampleCount, newest);
    }
  }

  const std::uint32_t newest = SampleCount;
  std::uint32_t delay = 0;
  for (const auto& channel : Channels) {
    if (channel->Enabled != 0) delay = std::max(delay, FilterDelay(*channel));
  }
  // Nothing new, or fewer samples than the filters look ahead: nothing to do.
  if (newest <= delay) return false;
  const std::uint32_t end = newest - delay;
  if (end <= Sweep.FirstUnprocessed) return false;
  const std::uint32_t count = end - Sweep.FirstUnprocessed;
  const double spc = GuardedSamplesPerColumn();
  Sweep.WholeSamplesPerColumn = std::max<std::uint32_t>(static_cast<std::uint32_t>(std::min(spc, 4.0e9)), 1);
  if (count < Sweep.WholeSamplesPerColumn) return false;

  ProcessBatch(newest, end);
  Sweep.NewSamples = count;
  // A held graph screen keeps its columns; the sweep catches up when the hold ends.
  const bool held = Sweep.GraphScreen.load() != 0 && DisplayHold.load() != 0;
  if ((Sweep.GraphScreen.load() != 0 || Sweep.InfoLiveGraph.load() != 0) && !held) ShowFullScreenTicks();
  return true;
}

void GraphView::ProcessBatch(std::uint32_t newest, std::uint32_t end) {
  // Incoming samples: everything up to the newest, so the look-ahead of the smoothing reads
  // codes that are already filtered.
  if (Sweep.FirstUnfiltered < newest) {
    if (Derived.PairOn != 0) FillDerivedPair(Sweep.FirstUnfiltered, newest);
    for (auto& channel : Channels) {
      if (channel->Enabled != 0 && channel->IirOn != 0) channel->FilterIncomingSamples(Sweep.FirstUnfiltered, newest);
    }
    Sweep.FirstUnfiltered = newest;
  }
  if (end <= Sweep.FirstUnprocessed) return;
  for (auto& live : Channels) {
    VessamorChannel& channel = *live;
    // The decoder runs on this thread outside the lock; the paint reads the copy under it.
    if (channel.PulseOn != 0) channel.AccumulatedVolume = channel.PulseSum;
    if (channel.Enabled == 0 || channel.RateMode == 0 || channel.RateProcessFn == nullptr) continue;
    if (channel.RateDetector.Started == 0 && channel.RateInitFn != nullptr) channel.RateInitFn(&channel);
    channel.RateProcessFn(&channel, Sweep.FirstUnprocessed, end - 1);
  }
  Sweep.FirstUnprocessed = end;
}

void GraphView::ProcessRecordTail() {
  // The record ends at its count: samples the units sent after it are not the record's.
  if (SampleCount > Sweep.FirstUnprocessed) ProcessBatch(SampleCount, SampleCount);
}

void GraphView::ShowFullScreenTicks() {
  const std::uint32_t width = PlotWidth;
  if (width == 0) return;
  const double spc = GuardedSamplesPerColumn();
  // Complete columns since the screen's left edge, from the sample positions themselves, so no
  // remainder is lost between passes.
  const double covered = static_cast<double>(Sweep.FirstUnprocessed) - Sweep.ScreenStart;
  std::uint64_t position = covered > 0.0 ? static_cast<std::uint64_t>(std::floor(covered / spc)) : 0;

  if (position > width) {
    const std::uint64_t screens = position / width;
    position -= screens * width;
    Sweep.ScreenStart += static_cast<double>(screens) * width * spc;
    if (RecordRate > 0) Sweep.TimeOrigin = Sweep.CycleStartTime + Sweep.ScreenStart / RecordRate;
    DisplayStart = static_cast<std::uint32_t>(Sweep.ScreenStart);
    PlaceSweepTicks();
    Sweep.ColumnPosition = static_cast<std::uint32_t>(position);
    Sweep.FullRedraw = 1;
    const auto last = static_cast<std::uint16_t>(std::max<std::uint64_t>(position, 1));
    RebuildColumnTable(1, last);
    Sweep.LastDrawnColumn = last;
    return;
  }
  Sweep.ColumnPosition = static_cast<std::uint32_t>(position);
  if (position == 0) return;
  const auto last = static_cast<std::uint16_t>(position);
  // The last drawn column may have been partial: it is drawn again with the new ones.
  RebuildColumnTable(std::min(Sweep.LastDrawnColumn, last), last);
  Sweep.LastDrawnColumn = last;
}

void GraphView::RebuildColumnTable(std::uint16_t first, std::uint16_t last, bool backward) {
  std::tie(first, last) = LayColumnTable(first, last, backward);
  if (first > last) return;
  UpdateEnabledChannelColumns(first, last);
  Sweep.FirstRedrawColumn = first;
  Sweep.LastRedrawColumn = last;
}

std::pair<std::uint16_t, std::uint16_t> GraphView::LayColumnTable(std::uint16_t first, std::uint16_t last, bool backward) {
  if (ColumnsPerChannelCount < 2 || ColumnTables.empty()) return {1, 0};
  first = std::max<std::uint16_t>(first, 1);
  last = static_cast<std::uint16_t>(std::min<std::uint32_t>(last, ColumnsPerChannelCount - 1));
  if (first > last) return {first, last};
  ColumnRecord* base = ColumnTables.data();
  const double spc = GuardedSamplesPerColumn();
  double newest = SampleCount;
  // A record under review ends at its last sample, whatever was decoded beyond it.
  if (Recording.load() == 0 && LastSampleIndex > 0) newest = std::min(newest, LastSampleIndex + 1.0);
  if (backward) {
    // The last column keeps its start; the screen begins that many columns before it, not before sample 0.
    const ColumnRecord& anchor = base[last];
    Sweep.ScreenStart = std::max(anchor.FirstSample + anchor.SampleFraction - (last - 1) * spc, 0.0);
  }
  for (std::uint32_t step = 0; step <= static_cast<std::uint32_t>(last - first); ++step) {
    const std::uint32_t c = backward ? last - step : first + step;
    // Each column's edges come from the screen's start, which carries the fraction along the table.
    const double start = std::min(Sweep.ScreenStart + (c - 1) * spc, newest);
    const double end = std::min(Sweep.ScreenStart + c * spc, newest);
    const double whole = std::floor(start);
    base[c].FirstSample = static_cast<std::uint32_t>(whole);
    base[c].SampleCount = static_cast<std::uint32_t>(std::max(std::floor(end) - whole, 0.0));
    base[c].SampleFraction = start - whole;
  }
  DisplayStart = static_cast<std::uint32_t>(std::floor(Sweep.ScreenStart));
  Sweep.FineDrawing = spc < kFineDrawingSamples ? 1 : 0;
  return {first, last};
}

void GraphView::RestartSweep() {
  Sweep.ColumnPosition = 0;
  Sweep.LastDrawnColumn = 1;
  Sweep.FirstRedrawColumn = 1;
  Sweep.LastRedrawColumn = 2;
  Sweep.FullRedraw = 1;
  Sweep.FirstUnprocessed = SampleCount;
  Sweep.ScreenStart = SampleCount;
  if (RecordRate > 0) Sweep.TimeOrigin = Sweep.CycleStartTime + Sweep.ScreenStart / RecordRate;
  DisplayStart = SampleCount;
  PlaceSweepTicks();
}

bool GraphView::RedrawDue(std::uint32_t now, std::uint32_t interval) {
  if (Sweep.RedrawTickValid != 0 && now - Sweep.LastRedrawTick < interval) return false;
  Sweep.LastRedrawTick = now;
  Sweep.RedrawTickValid = 1;
  return true;
}

void GraphView::AcquisitionTick() {
  if (Sweep.TickHold.load() != 0) return;
  const std::uint32_t now = TickClock != nullptr ? TickClock->NowMs() : 0;
  RedrawAction action;
  {
    std::lock_guard<std::mutex> lock(ViewLock);
    FollowTimerRates(*this);
    bool advanced = false;
    if (Sweep.RestartPending.load() != 0) {
      if (now - Sweep.RestartTick.load() <= kSweepRestartMs) return;
      // Restarted once; the sweep then runs on from the new start.
      Sweep.RestartPending = 0;
      RestartSweep();
      advanced = ProcessNewSamples();
    } else if (MainWindow == nullptr || MainWindow->Bytes.SensorPageOpening.load() == 0) {
      advanced = ProcessNewSamples();
    }
    if (!advanced || MainWindow == nullptr) return;

    const MainWindowBytes& bytes = MainWindow->Bytes;
    if (Sweep.GraphScreen.load() == 0) {
      if (bytes.SensorPagePending.load() == 0) {
        action.PreparationStep = true;
      } else if (bytes.PaintInProgress.load() == 0 && RedrawDue(now, kPictureRedrawMs)) {
        Sweep.PictureRedraw = 1;
        action.Invalidate = true;
        action.Rect = Sweep.InfoPanelRect;
      }
    } else if (DisplayHold.load() != 0) {
      // Held: nothing new to show.
    } else if (DisplayMode == 2 || DisplayMode == 3) {
      if (RedrawDue(now, kGraphRedrawMs)) {
        if (SampleCount != Sweep.LastProcessedCount) {
          Sweep.FullRedraw = 1;
          Sweep.LastProcessedCount = SampleCount;
        }
        action.Invalidate = true;
        action.Rect = ViewRect;
      }
    } else if (RedrawDue(now, kOtherRedrawMs)) {
      action.Invalidate = true;
      action.Rect = DisplayMode == 4 ? Sweep.DialRect : ViewRect;
    }
  }
  if (action.PreparationStep && Hooks.ApplyPreparationStep) Hooks.ApplyPreparationStep();
  if (action.Invalidate) MainWindow->InvalidateLocal(action.Rect);
}

void GraphView::ResetRecordingBuffers() {
  std::lock_guard<std::mutex> lock(ViewLock);
  std::uint32_t cycle = 0;
  for (const auto& channel : Channels) {
    if (channel->Enabled != 0) cycle = std::max(cycle, channel->CodeCount);
  }
  for (auto& channel : Channels) {
    // Rates carry on across the wrap: the detectors see the cycle's last samples and move along.
    CarryRateDetectorOverWrap(*channel, Sweep.FirstUnprocessed);
    channel->CodeCount = 0;
    channel->RunReset = 1;
    // The event timer places its samples by a running position that must start again with them.
    if (channel->Device != nullptr && channel->Device->DeviceTypeCode == kEventTimerType) {
      if (auto* timer = dynamic_cast<DeviceQEMod*>(channel->Device)) {
        timer->Position = 0.0;
        timer->LastCount = 0;
      }
    }
  }
  SampleCount = 0;
  Sweep.PreviousSampleCount = 0;
  Sweep.FirstUnprocessed = 0;
  Sweep.FirstUnfiltered = 0;
  Sweep.LastProcessedCount = 0;
  Sweep.NewSamples = 0;
  Derived.KeptValue = 0.0;
  Derived.KeptSpeed = 0.0;

  // The new cycle's sample 0 follows the old cycle's last sample in time; its screen starts there.
  if (RecordRate > 0) Sweep.CycleStartTime += static_cast<double>(cycle) / RecordRate;
  Sweep.ScreenStart = 0.0;
  Sweep.TimeOrigin = Sweep.CycleStartTime;
  Sweep.ColumnPosition = 0;
  Sweep.LastDrawnColumn = 1;
  Sweep.FirstRedrawColumn = 1;
  Sweep.LastRedrawColumn = 1;
  Sweep.FullRedraw = 1;
  DisplayStart = 0;
  if (ColumnTables.size() > 1) {
    ColumnTables[1].FirstSample = 0;
    // No sample of the new cycle exists yet: the column claims none until the sweep fills it.
    ColumnTables[1].SampleCount = 0;
    ColumnTables[1].SampleFraction = 0.0;
  }
  PlaceSweepTicks();
}

void GraphView::SetReceivedBytes(std::uint32_t bytes) { Sweep.ReceivedBytes = bytes; }

void GraphView::StopRecordingOnDeviceEnd() {
  if (Recording.load() == 0) return;
  if (MainWindow != nullptr && MainWindow->Bytes.InfoScreenActive.load() != 0) {
    if (Hooks.EndSensorPageMeasurement) Hooks.EndSensorPageMeasurement();
    StopOnAnyDeviceClose = 0;
    return;
  }
  if (Hooks.RequestStopRecording) Hooks.RequestStopRecording();
}

void GraphView::OnRadioLinkMessage(std::uint8_t first, std::uint8_t second) {
  if ((first == 0x01 || first == 0x02) && second == 0x00) StopRecordingOnDeviceEnd();
}

void GraphView::MarkDeviceInUse(const FTRecordDevice& unit) {
  if (MainWindow == nullptr) return;
  for (DeviceSlot& slot : MainWindow->DeviceSlots) {
    if (slot.InUse != 0) slot.SelectedForRecord = 0;
  }
  for (DeviceSlot& slot : MainWindow->DeviceSlots) {
    if (SlotMatches(slot, unit)) {
      slot.SelectedForRecord = 1;
      return;
    }
  }
}

void GraphView::MarkDevicesInUse(bool with_first) {
  if (MainWindow == nullptr || MainWindow->Bytes.InfoScreenActive.load() == 0 || Devices == nullptr) return;
  // The tick of sensor button i belongs to the unit listed i-th, whichever slot that unit holds.
  std::lock_guard lock(Devices->TableLock);
  for (std::size_t i = 0; i < Devices->DeviceTable.size() && i < MainWindow->Bytes.SensorPrepared.size(); ++i) {
    const FTRecordDevice* unit = Devices->DeviceTable[i].get();
    if (unit == nullptr) continue;
    for (DeviceSlot& slot : MainWindow->DeviceSlots) {
      if (slot.InUse == 0 || slot.AssignIndex < 0 || !SlotMatches(slot, *unit)) continue;
      const std::uint8_t prepared = MainWindow->Bytes.SensorPrepared[i].load();
      slot.SelectedForRecord = prepared;
      if (with_first) slot.ChannelFlags[0] = prepared;
      break;
    }
  }
}
