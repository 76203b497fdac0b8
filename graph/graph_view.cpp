// Graph view: construction, set-up, the shared code buffer and its split, column tables and style.
#include "graph/graph_view.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include <sys/mman.h>
#include <unistd.h>

#include "acquisition/device_manager.h"
#include "acquisition/worker_threads.h"
#include "channels/main_window_services.h"

namespace {

CodeVector AllocateCodes(std::size_t codes) { return CodeVector(codes); }

}  // namespace

GraphView::GraphView(CodeBufferAllocator allocator) : Allocator(allocator != nullptr ? allocator : &AllocateCodes) {
  Style.Pens[1] = PenSpec{1, Rgba{0, 0, 255, 255}};
  Style.Pens[2] = PenSpec{1, Rgba{255, 255, 255, 255}};
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    Channels[k] = std::make_unique<VessamorChannel>();
    Channels[k]->View = this;
    Channels[k]->ChannelIndex = static_cast<std::uint8_t>(k);
  }
  ModeBytes = {1, 1, 0};
  InitScaleSpans();
  InstallSetupHooks();
}

bool GraphView::AllocateCodeBuffer(std::uint32_t capacity) {
  CodeBuffer.clear();
  CodeBuffer.shrink_to_fit();
  SampleCapacity = 0;
  // A short machine still records, just less: halve the request until it fits or is too small to use.
  std::uint32_t request = capacity;
  for (;;) {
    try {
      CodeBuffer = Allocator(static_cast<std::size_t>(request) + kCodeReserve);
      SampleCapacity = request;
      return true;
    } catch (const std::bad_alloc&) {
      if (request <= kMinimumSampleCapacity) return false;
      request = std::max(request / 2, kMinimumSampleCapacity);
    }
  }
}

void GraphView::PrepareCodePages(std::size_t first, std::size_t count) {
  if (first >= CodeBuffer.size()) return;
  count = std::min(count, CodeBuffer.size() - first);
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto from = reinterpret_cast<std::uintptr_t>(CodeBuffer.data() + first) & ~(page - 1);
  const auto to = reinterpret_cast<std::uintptr_t>(CodeBuffer.data() + first + count);
  if (count == 0 || madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE) == 0) return;
  // A system without that advice: each page is written with the code it holds, under the view lock
  // a few mebibytes at a time, so that the window's readers wait no longer than that.
  constexpr std::size_t kCodesAtOnce = std::size_t{1} << 21;
  for (std::size_t at = first; at < first + count; at += kCodesAtOnce) {
    std::lock_guard lock(ViewLock);
    const std::size_t end = std::min(first + count, at + kCodesAtOnce);
    for (std::size_t i = at; i < end; i = std::min(end - 1, i + page / sizeof(std::int16_t))) {
      volatile std::int16_t* code = CodeBuffer.data() + i;
      *code = *code;
      if (i == end - 1) break;
    }
  }
}

CodeVector GraphView::NewCodeBuffer() const {
  try {
    return Allocator(CodeBuffer.size());
  } catch (const std::bad_alloc&) {
    return {};
  }
}

bool GraphView::AdoptCodeBuffer(CodeVector& codes) {
  if (codes.size() != CodeBuffer.size() || codes.empty()) return false;
  std::unique_lock<std::mutex> layout;
  if (Devices != nullptr && !HoldsCodeLayout()) layout = std::unique_lock(Devices->CodeLayoutLock);
  const std::int16_t* const old_base = CodeBuffer.data();
  CodeBuffer.swap(codes);
  for (auto& channel : Channels) {
    if (channel->Codes != nullptr) channel->Codes = CodeBuffer.data() + (channel->Codes - old_base);
  }
  return true;
}

void GraphView::AllocateColumnTables() {
  // Sized once from the screen: no plot can be wider than the screen it is shown on.
  const std::int32_t screen_width = MainWindow != nullptr ? MainWindow->ScreenWidth() : 0;
  ColumnsPerChannelCount = static_cast<std::uint32_t>(std::clamp<std::int32_t>(screen_width, 1, 65534)) + 1;
  ColumnTables.assign(kLiveChannels * ColumnsPerChannelCount, ColumnRecord{});
}

std::uint16_t GraphView::ClampPlotWidth(std::int32_t width) const {
  const std::int32_t limit = ColumnsPerChannelCount > 0 ? static_cast<std::int32_t>(ColumnsPerChannelCount) - 1 : 0;
  return static_cast<std::uint16_t>(std::clamp(width, 0, limit));
}

bool GraphView::Init(std::uint32_t capacity, const PixelRect& rect, std::uint8_t flags,
                     MainWindowServices* main_window) {
  MainWindow = main_window;
  Recording = 0;
  RecordingState = 0;
  SampleCount = 0;
  RateSetting = 1000;
  RecordRate = 1000;
  SecondsPerSample = 1.0 / RecordRate;
  ModeBytes[0] = 2;
  ModeBytes[1] = 2;
  ChannelOptions = {1, 1, 1, 1};
  for (RecordParams& params : Params) params.Clear();

  const bool have_buffer = AllocateCodeBuffer(capacity);
  AllocateColumnTables();

  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    VessamorChannel& channel = *Channels[k];
    channel.MainWindow = main_window;
    channel.View = this;
    channel.Codes = CodeBuffer.empty() ? nullptr : CodeBuffer.data();
    channel.CodeCount = 0;
    channel.CodeCapacity = 0;
    channel.PenWidth = 3;
    channel.Colour = ChannelColours[k];
    channel.Enabled = 0;
    channel.Shown = 0;
    channel.SavedShown = 0;
    channel.Scale = &Scale;
    channel.ChannelIndex = static_cast<std::uint8_t>(k);
    channel.CodeOffset = 0;
    channel.Columns = ColumnTables.data() + k * ColumnsPerChannelCount;
    channel.TimeBase = ColumnTables.data();
    channel.ColumnCapacity = ColumnsPerChannelCount;
    channel.SensorCode = 0;
    channel.RateMode = 0;
    channel.MedianOn = 0;
    channel.SmoothingOn = 0;
    channel.NotchOn = 0;
    channel.BandPassOn = 0;
    channel.MedianWindow = 0;
    channel.SmoothingWindow = 0;
    channel.SmoothingOn = 1;
    channel.SmoothingWindow = 20;
    channel.ConfigureFilter();
    SetupRateDetector(channel);
  }
  SetChannelFlags(4, 0);

  Scale.SecondsPerDivision = 0.0;
  Scale.ValuePerDivision = 0.0;
  TimeDivisions = 10;
  ValueDivisions = 8;
  FirstShownColumn = 1;
  LastShownColumn = 1;
  LastSampleIndex = 0;
  SaveSelection = 0;
  RecordViewable = 0;
  // The plot is sized before the scales are derived, so the per-pixel factors never see a zero width.
  ViewRect = rect;
  PlotWidth = ClampPlotWidth(rect.Width());
  PlotHeight = static_cast<std::uint16_t>(std::clamp(rect.Height(), 0, 65535));
  SetScales(1.0f, 0.5f, 1);
  Scale.TimeLabelStep = 1.0;
  Scale.ValueLabelStep = 0.5;
  Scale.StartTime = 0.0;
  Scale.EndTime = 10.0;
  Scale.TopValue = 2.0;
  Scale.BottomValue = 2.0 - 8 * 0.5;
  Scale.TimeLabelDecimals = 1;
  Scale.ValueLabelDecimals = 1;
  ScreenEntry = 0;

  SetStyle();
  // Derives the factors for the laid-out plot and places both axes' ticks.
  SetViewRect(rect, flags);

  const float scale_x = main_window != nullptr ? main_window->ScaleX() : 1.0f;
  const std::int32_t margin = main_window != nullptr ? main_window->StripMargin() : 0;
  StripWidth = static_cast<std::int32_t>((ViewRect.Width() - 20.0f * scale_x - 2 * margin) * 0.25f);
  StripHeightUnit = static_cast<std::int32_t>(5.0f * scale_x);
  for (std::size_t k = 0; k < kLiveChannels; ++k) Channels[k]->PlaceLabelBox(static_cast<std::uint32_t>(90 * k));

  FirstShownColumn = 1;
  LastShownColumn = 1;
  ResetViewHistory();
  return have_buffer;
}

void GraphView::ApplyChannelSettings(const StartupSettings& settings) {
  RecordRate = settings.Rate;
  RateSetting = settings.Rate;
  Continuous = settings.Cyclic;
  ChannelOptions = settings.ChannelOptions;
  bool any_enabled = false;
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    Channels[k]->SavedShown = settings.ChannelShown[k];
    Channels[k]->Enabled = settings.ChannelEnabled[k];
    any_enabled = any_enabled || settings.ChannelEnabled[k] != 0;
  }
  if (!any_enabled) {
    Channels[0]->Enabled = 1;
    Channels[0]->SavedShown = 1;
  }
  ModeBytes[0] = settings.ModeA;
  ModeBytes[1] = settings.ModeB;
  ModeBytes[2] = settings.ModeC;
  SensorCode = settings.SensorCode;
  // The slices follow the enabled set, or a newly enabled channel would have no room for codes.
  SplitCodeBuffer();
}

bool GraphView::ClampRateToDevices() {
  if (MainWindow == nullptr) return true;
  const std::uint32_t before = RateSetting;
  for (const DeviceSlot& slot : MainWindow->DeviceSlots) {
    // A unit left out of the measurement is not started, so it holds no rate back.
    if (slot.Device == nullptr || slot.Prepared == 0 || slot.InUse == 0 || slot.SelectedForRecord == 0) continue;
    // The rate is for the next recording, which the live set-up makes: while a loaded record is
    // shown its channels hold the record's layout, and the live one is kept aside.
    std::uint8_t shown = 0;
    for (const VessamorChannel* channel : slot.Channels) {
      if (channel == nullptr) continue;
      const VessamorChannel* live = channel;
      for (std::size_t k = 0; k < kLiveChannels && LiveSetupKept != 0; ++k) {
        if (Channels[k].get() == channel && ReferenceChannels[k]) live = ReferenceChannels[k].get();
      }
      if (live->SavedShown != 0) ++shown;
    }
    MainWindow->ClampUnitRate(slot, RateSetting, shown);
  }
  return RateSetting == before;
}

void GraphView::DecideTwoChannelText() {
  constexpr std::uint16_t kPressure = 26, kTemperature = 46;
  bool pressure = false, temperature = false;
  for (const auto& channel : Channels) {
    if (channel->SavedShown == 0) continue;
    pressure = pressure || channel->SensorCode == kPressure;
    temperature = temperature || channel->SensorCode == kTemperature;
  }
  TwoChannelText = pressure && temperature ? 1 : 0;
}

void GraphView::SetStyle() {
  const float ui_scale = MainWindow != nullptr ? MainWindow->UiScale() : 1.0f;
  const float scale_y = MainWindow != nullptr ? MainWindow->ScaleY() : 1.0f;
  SetSmallFont(static_cast<std::int32_t>(20.0f * ui_scale));
  SetLargeFont(static_cast<std::int32_t>(30.0f * scale_y));
  Style.LineSettings = {1, 1, 3};
  SetStyleColorA(Rgba{0, 0, 0, 255});
  SetStyleColorB(Rgba{0, 0, 0, 255});
  SetStyleColorC(Rgba{255, 0, 0, 255});
  SetPanelBrush(Rgba{230, 230, 230, 255});
  SetViewBackground(Rgba{255, 255, 255, 255});
  SetDarkBrush(Rgba{0, 0, 0, 255});
  SetExtraBrush(Rgba{0, 0, 0, 255});
  Style.Pens[0] = PenSpec{1, Style.TextColour};
}

std::uint32_t GraphView::OwnRate(const VessamorChannel& channel) {
  const float period = channel.RateDetector.SecondsPerSample;
  return period > 0.0f ? static_cast<std::uint32_t>(std::lround(1.0 / period)) : 0;
}

void GraphView::SplitCodeBuffer(bool by_own_rate) {
  // The units write no code while the slices move.
  std::unique_lock<std::mutex> layout;
  if (Devices != nullptr && !HoldsCodeLayout()) layout = std::unique_lock(Devices->CodeLayoutLock);
  std::uint32_t divisor = 0;
  for (const auto& channel : Channels) {
    if (channel->Enabled == 0) continue;
    // By own rate only the channels sampled at a rate of their own, not the view's, share the buffer.
    const std::uint32_t own = by_own_rate ? OwnRate(*channel) : 0;
    divisor += !by_own_rate || (own != 0 && own != RateSetting) ? 1 : 0;
  }
  if (divisor == 0) divisor = 1;
  ChannelCapacity = SampleCapacity / divisor;
  RecordBytesPerChannel = ChannelCapacity * 2;
  std::int16_t* const base = CodeBuffer.empty() ? nullptr : CodeBuffer.data();
  const auto room = static_cast<std::uint32_t>(std::min<std::size_t>(CodeBuffer.size(), SampleCapacity));
  std::uint32_t start = 0;
  for (auto& channel : Channels) {
    // Fewer shares than enabled channels: a slice that would pass the buffer's end keeps what is left.
    const std::uint32_t capacity = start < room ? std::min(ChannelCapacity, room - start) : 0;
    if (channel->Enabled != 0 && base != nullptr && capacity > 0) {
      channel->Codes = base + start;
      channel->CodeCapacity = capacity;
      start += capacity;
    } else {
      // Shares the first slice's start for readers; a capacity of 0 keeps every writer out.
      channel->Codes = base;
      channel->CodeCapacity = 0;
    }
    channel->CodeCount = std::min(channel->CodeCount, channel->CodeCapacity);
  }
}

void GraphView::SetChannelFlags(std::uint8_t /*count*/, std::uint8_t rate_flag) {
  for (auto& channel : Channels) channel->Shown = channel->Enabled;
  SplitCodeBuffer(rate_flag != 0);
}

void GraphView::ResetViewState() {
  SensorCode = 0;
  FirstOfSensorCount = 1;
}

void GraphView::SetupRateDetector(VessamorChannel& channel) {
  // The window lengths come with the rate hooks; the sample period is all the tick needs before them.
  channel.RateDetector.SecondsPerSample = RateSetting > 0 ? 1.0f / static_cast<float>(RateSetting) : 0.0f;
}

void GraphView::InitScaleSpans() {
  static constexpr std::array<float, kScaleSpanCount> kSpans = {
      4,    120,  140, 200,  1100, 14,  5,   40,  120,  20,    // 0-9
      4,    20,   200, 100,  200,  4096, 100, 40, 400,  100,   // 10-19
      20,   20,   100, 100,  3600, 720, 200, 100, 100,  5,     // 20-29
      100,  800,  600, 6000, 3,    1,   2,   1,   1,    220,   // 30-39
      1,    2,    20,  2,    1,    300, 100, 300, 1000, 1000,  // 40-49
      1000, 4,    800, 40,   140,  20,  200, 800, 4,    40,    // 50-59
      220,  109,  4,   4,    300,  300, 5,   500, 200,  50,    // 60-69
      5,    0.5f, 250, 5,    2,    5,   250, 10,  1,    1,     // 70-79
      6000, 150,  6000, 100, 60,   700, 120, 200, 200};        // 80-88
  ScaleSpans = kSpans;
}

float GraphView::ScaleSpan(std::uint16_t sensor_code) const {
  return ScaleSpans[std::min<std::size_t>(sensor_code, kScaleSpanCount - 1)];
}
