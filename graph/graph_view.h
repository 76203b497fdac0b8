// The graph view: the live channels, the shared code buffer, column tables, scales, markers and history.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/acquisition_tick.h"
#include "acquisition/recording_events.h"
#include "acquisition/unit_events.h"
#include "acquisition/view_sink.h"
#include "channels/column_record.h"
#include "channels/pixel_types.h"
#include "channels/sensor_setup.h"
#include "channels/vessamor_channel.h"
#include "graph/dial_view.h"
#include "graph/graph_style.h"
#include "graph/marker_record.h"
#include "graph/record_params.h"
#include "graph/scale_state.h"
#include "graph/startup_settings.h"
#include "graph/view_history.h"
#include "graph/view_setup_hooks.h"

class DeviceManager;
class FTRecordDevice;
class MainWindowServices;
class WindowSide;

// Allocates the shared code buffer; throws std::bad_alloc when the memory is not there.
using CodeBufferAllocator = std::vector<std::int16_t> (*)(std::size_t codes);

class GraphView {
 public:
  static constexpr std::size_t kLiveChannels = 4;
  // Codes kept beyond the capacity so a decoder's last frame never lands outside the buffer.
  static constexpr std::uint32_t kCodeReserve = 4096;
  // Below this the view would be of no use; the allocation gives up retrying here.
  static constexpr std::uint32_t kMinimumSampleCapacity = 65536;
  static constexpr std::size_t kScaleSpanCount = 89;

  explicit GraphView(CodeBufferAllocator allocator = nullptr);
  GraphView(const GraphView&) = delete;
  GraphView& operator=(const GraphView&) = delete;

  // Sets the view up for a capacity of codes (smaller when memory is short); false when no buffer
  // could be had at all, in which case every channel refuses codes.
  bool Init(std::uint32_t capacity, const PixelRect& rect, std::uint8_t flags, MainWindowServices* main_window);
  void ApplyChannelSettings(const StartupSettings& settings);
  // True when every unit can deliver RateSetting as it is.
  bool ClampRateToDevices();
  void SetStyle();

  // Shows the enabled channels and divides the shared buffer among them.
  void SetChannelFlags(std::uint8_t count, std::uint8_t rate_flag);
  void SetScales(float seconds_per_division, float value_per_division, std::uint8_t derive);
  void SetViewRect(const PixelRect& rect, std::uint8_t flags);
  void InitScaleSpans();
  void ResetViewHistory() { History.Reset(); }
  void ResetViewState();

  // Span of a kind's default value axis; codes beyond the table take its last entry.
  float ScaleSpan(std::uint16_t sensor_code) const;
  // A plot width clamped to what the column tables can hold.
  std::uint16_t ClampPlotWidth(std::int32_t width) const;

  VessamorChannel& Channel(std::size_t index) { return *Channels[index]; }
  const VessamorChannel& Channel(std::size_t index) const { return *Channels[index]; }
  std::size_t CodeBufferSize() const { return CodeBuffer.size(); }
  const std::int16_t* CodeBufferData() const { return CodeBuffer.data(); }
  std::uint32_t ColumnsPerChannel() const { return ColumnsPerChannelCount; }

  // Guards the channels, the column tables and the counters between the device worker and the window.
  mutable std::mutex ViewLock;

  std::array<RecordParams, 2> Params{};

  std::string RecordName;
  std::string GraphTitle = "Измерение силы тока";
  std::string FrequencyCaption = "частота 1000Гц";
  std::int32_t CaptionNumber = 1;
  std::string TimeAxisLabel = "t,сек";
  std::string ValueAxisLabel = "U,B";
  std::uint8_t CaptionFlag = 0;
  std::uint8_t TwoChannelText = 0;

  MainWindowServices* MainWindow = nullptr;

  std::array<MarkerRecord, 4> Markers{};
  std::uint8_t MarkerCount = 2;
  std::array<std::uint8_t, 4> MarkerWasSet{};

  std::array<Rgba, 4> ChannelColours{Rgba{255, 0, 0, 255}, Rgba{0, 66, 255, 255}, Rgba{240, 0, 255, 255},
                                     Rgba{0, 255, 24, 255}};
  std::uint8_t DisplayMode = 3;
  ViewHistory History;
  PixelRect ViewRect;

  std::uint16_t SensorCode = 0;
  // The device slot (0 to 3) whose unit the settings panel and the device caption show.
  std::uint8_t ViewDeviceSlot = 0;
  std::uint16_t FirstOfSensorCount = 1;
  std::uint8_t AcquisitionMode = 0;
  std::array<std::uint8_t, 3> ModeBytes{};

  std::uint32_t SampleCapacity = 0;
  std::uint32_t ChannelCapacity = 0;

  // Written by the window thread (start, stop) and read by the device worker.
  std::atomic<std::uint8_t> Recording{0};
  std::uint8_t RecordViewable = 0;
  std::uint8_t TimeDivisions = 10;
  std::uint8_t ValueDivisions = 8;

  double SecondsPerSample = 0.001;
  std::uint32_t RecordRate = 1000;
  std::uint32_t RateSetting = 1000;
  std::uint8_t Continuous = 0;

  // Plot geometry, derived from the view rectangle.
  PixelRect PlotRect;
  std::int32_t StripWidth = 0;
  std::int32_t StripHeightUnit = 0;
  std::int32_t ValueOriginPixel = 0;
  std::int32_t TimeOriginPixel = 0;
  double FirstColumnFraction = 0.0;
  std::uint16_t FirstShownColumn = 1;
  std::uint16_t LastShownColumn = 1;
  std::uint16_t PlotWidth = 0;  // columns; never above the screen width
  std::uint16_t PlotHeight = 0;
  std::uint16_t CursorColumn = 0;

  std::uint32_t LastSampleIndex = 0;
  // Samples of each channel processed so far; the newest code of a channel is at SampleCount - 1.
  std::uint32_t SampleCount = 0;
  std::uint32_t RecordBytesPerChannel = 0;
  // 0 idle or running, 1 running timed, 2 record full, 3 full seen by the poll.
  std::atomic<std::uint8_t> RecordingState{0};
  std::uint8_t ColumnRebuildRequest = 0;

  // Filter switches of the view, and the present filtered code of one channel (calibration steps).
  std::uint8_t MedianSwitch = 1;
  std::uint8_t CentredSmoothingSwitch = 1;
  std::int32_t RunChannelFilterOnce(std::size_t channel_index);

  std::array<std::unique_ptr<VessamorChannel>, kLiveChannels> Channels;
  std::array<std::unique_ptr<VessamorChannel>, kLiveChannels> ReferenceChannels;

  ScaleState Scale;
  std::array<float, kScaleSpanCount> ScaleSpans{};

  // Sensor-kind set-up of the channels and the default sampling rate of a kind.
  void SetupChannels(std::uint8_t take_view_code, std::int32_t channel_index);
  void ResetChannelDisplay(VessamorChannel* channel, bool all);
  void DefaultSampleRate(std::uint8_t device_type_code);
  // RateSetting, and RecordRate unless a record is being viewed.
  void SetKindRate(std::uint32_t rate);
  ChannelSetupRequest SetupRequest;
  // Live channels of the distance, speed and acceleration of a motion sensor; kept between set-ups.
  std::array<std::uint8_t, 3> MotionChannels{0, 1, 2};
  // The continuous flag's kept copy, which the pulse kind switches on with the flag itself.
  std::uint8_t ContinuousKept = 0;
  // The number of open units (the device layer's CountDevices); none counts as no unit open.
  std::function<std::uint32_t()> CountDevices;

  std::uint8_t SaveSelection = 0;
  std::array<std::uint8_t, 4> ChannelOptions{};
  std::uint8_t LiveSetupKept = 0;
  ViewSetupHooks SetupHooks;
  // The channel a unit's binding sets up: the kept live one while a loaded record is shown.
  VessamorChannel& BindingTarget(std::size_t index);

  GraphStyle Style;
  // The analog dial of display mode 4; its Paint draws the whole view in that mode.
  DialView Dial;

  // Rate detectors: captions on and due, a redraw request, the rotation pulse age and the screen's first sample.
  std::uint8_t RateLabelsOn = 0;
  std::uint8_t RateRefresh = 0;
  std::uint8_t RedrawRequested = 0;
  // Set once the main window has initialised the view; the measurement screen is laid out only then.
  std::uint8_t Ready = 0;
  // The hover groups: the top group is shown, the side group's area and the top band's height.
  std::uint8_t TopPanelShown = 0;
  PixelRect SideArea;
  std::int32_t TopBandHeight = 0;
  std::int32_t PulseAge = 0;
  std::uint32_t DisplayStart = 0;
  // Draws the due rate captions of the radioactivity channels (channels/rate_caption_drawing.cpp).
  void DrawRateLabels(agg_ren& surface);

  // Recording control and the acquisition tick (acquisition/recording_tick.cpp). Unless said
  // otherwise the caller holds ViewLock.
  // The start set-up of the view and the channels; the device worker is paused.
  void ComputeStartIndexes();
  // Device worker, after a poll that brought data; takes ViewLock for its batch.
  void AcquisitionTick();
  // True when new samples were processed and the display advanced.
  bool ProcessNewSamples();
  void ShowFullScreenTicks();
  // Recomputes channel 0's column records first..last and every enabled channel's extremes.
  void RebuildColumnTable(std::uint16_t first, std::uint16_t last);
  // A cyclic wrap: every live channel and the sweep start again at sample 0. Takes ViewLock.
  void ResetRecordingBuffers();
  void SetReceivedBytes(std::uint32_t bytes);
  // Called without ViewLock held (from a unit's close or a radio link message).
  void StopRecordingOnDeviceEnd();
  void OnRadioLinkMessage(std::uint8_t first, std::uint8_t second);
  void MarkDeviceInUse(const FTRecordDevice& unit);
  void MarkDevicesInUse(bool with_first);
  // What the units hold to reach the recording control.
  UnitEvents& Events() { return UnitEventSink; }

  // Recording control (acquisition/recording_control.cpp). Start and the user's stop run on the
  // window thread; the stops of a full record and of a lost unit on the device worker. One start or
  // stop runs at a time (ToggleLock); the stops change the recording flag by compare-exchange.
  // The device layer the recording drives, and the view as its sink and unit events (window
  // thread, before the workers start).
  void AttachDevices(DeviceManager& manager, WindowSide& window_side);
  // Window thread: starts a recording when none runs, else stops it.
  void ToggleRecording();
  // Any thread: stops a running recording and keeps it viewable; never starts one. False when
  // none ran, or when a start or stop is under way elsewhere (that one decides).
  bool StopRecording();
  // Window thread: the stop of StopAcquisition; the min/max ordering compares converted values.
  void StopRecordKeepData();
  // Window thread, on close and screen changes: pauses the worker, then writes the stop bytes
  // itself. With return_to_search the worker is released to search; otherwise the caller ends the pause.
  void StopRecordingOnExit(bool return_to_search);
  AcquisitionSink& Sink() { return SinkAdapter; }
  DeviceManager* Devices = nullptr;
  WindowSide* Window = nullptr;
  // The main window's toolbar refresh after a start or stop (Start/Stop caption, page buttons).
  std::function<void()> RefreshToolbar;
  std::mutex ToggleLock;
  RecordingSweep Sweep;
  DerivedChannels Derived;
  RecordingHooks Hooks;
  // The redraw throttle's and the sweep restart's clock; tests step their own.
  UnitClock* TickClock = &SystemUnitClock();

 private:
  bool AllocateCodeBuffer(std::uint32_t capacity);
  void AllocateColumnTables();
  void SplitCodeBuffer();
  void DeriveScales();
  void SetupRateDetector(VessamorChannel& channel);
  // Parts of the acquisition tick (acquisition/recording_tick.cpp).
  std::uint32_t NewestInputCount() const;
  void FillMagnitude(std::uint32_t first, std::uint32_t end);
  void FillDerivedPair(std::uint32_t first, std::uint32_t end);
  void RestartSweep();
  void PlaceTimeTicks();
  double GuardedSamplesPerColumn() const;
  bool RedrawDue(std::uint32_t now, std::uint32_t interval);
  RecordingEvents UnitEventSink{*this};
  ViewSink SinkAdapter{*this};
  // Recording control helpers; the caller holds ToggleLock.
  void StartRecordingLocked();
  bool StopRecordingLocked(bool converted_order);
  void FinishRecord(bool converted_order);
  void AfterToggle();
  std::atomic<std::thread::id> ToggleOwner{};

  CodeBufferAllocator Allocator;
  std::vector<std::int16_t> CodeBuffer;
  std::vector<ColumnRecord> ColumnTables;
  std::uint32_t ColumnsPerChannelCount = 0;
};
