// The graph view: the live channels, the shared code buffer, column tables, scales, markers and history.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <utility>
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
#include "graph/mini_graph.h"
#include "graph/paint_state.h"
#include "graph/record_params.h"
#include "graph/scale_state.h"
#include "graph/startup_settings.h"
#include "graph/view_history.h"
#include "graph/view_setup_hooks.h"
#include "platform/surface.h"

class DeviceManager;
class GraphPaintHost;
class FTRecordDevice;
class MainWindowServices;
class PictureGrid;
class agg_ren;
class WindowSide;

// Hands out zeroed memory without writing it: large blocks come as fresh pages from the system, so a
// buffer sized for a long recording costs resident memory only as samples are written into it.
template <class T>
struct ZeroPagesAllocator {
  using value_type = T;
  ZeroPagesAllocator() = default;
  template <class U>
  ZeroPagesAllocator(const ZeroPagesAllocator<U>&) {}
  T* allocate(std::size_t n) {
    void* p = std::calloc(n, sizeof(T));
    if (p == nullptr) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t) { std::free(p); }
  // The memory is zero already: elements are left as they are.
  template <class U>
  void construct(U* p) {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  friend bool operator==(const ZeroPagesAllocator&, const ZeroPagesAllocator&) { return true; }
};

using CodeVector = std::vector<std::int16_t, ZeroPagesAllocator<std::int16_t>>;

// Allocates the shared code buffer; throws std::bad_alloc when the memory is not there.
using CodeBufferAllocator = CodeVector (*)(std::size_t codes);

class GraphView {
 public:
  static constexpr std::size_t kLiveChannels = 4;
  // Codes kept beyond the capacity so a decoder's last frame never lands outside the buffer.
  static constexpr std::uint32_t kCodeReserve = 4096;
  // Below this the view would be of no use; the allocation gives up retrying here.
  static constexpr std::uint32_t kMinimumSampleCapacity = 65536;
  static constexpr std::size_t kScaleSpanCount = 89;
  // How far past the plot's top or bottom a value label on an end tick may stand.
  static constexpr std::int32_t kValueLabelReach = 10;

  explicit GraphView(CodeBufferAllocator allocator = nullptr);
  GraphView(const GraphView&) = delete;
  GraphView& operator=(const GraphView&) = delete;

  // Sets the view up for a capacity of codes (smaller when memory is short); false when no buffer
  // could be had at all, in which case every channel refuses codes.
  bool Init(std::uint32_t capacity, const PixelRect& rect, std::uint8_t flags, MainWindowServices* main_window);
  void ApplyChannelSettings(const StartupSettings& settings);
  // Each unit in the measurement (its slot prepared, in use and ticked for the record) clamps
  // RateSetting for its channels measured; true when every one can deliver it as it is.
  bool ClampRateToDevices();
  void SetStyle();

  // Shows the enabled channels and divides the shared buffer among them.
  void SetChannelFlags(std::uint8_t count, std::uint8_t rate_flag);
  void SetScales(float seconds_per_division, float value_per_division, std::uint8_t derive);
  // The view's layout: caption, label and tick strips, the plot, the help panel's rectangle.
  void SetViewRect(const PixelRect& rect, std::uint8_t flags, bool alternate = false);
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
  // Makes codes [first, first + count) of the shared buffer ready to be written without a wait: their
  // pages, which the system hands out only as they are first written, are taken now, and no code
  // changes. For a thread beside the window's, ahead of a write that the window thread will make.
  void PrepareCodePages(std::size_t first, std::size_t count);
  // A fresh buffer of the shared buffer's size, zeroed, for codes read beside the window thread while
  // the view goes on showing its own; empty when the memory is not there. Safe beside the window
  // thread while the buffer keeps its size.
  CodeVector NewCodeBuffer() const;
  // Takes `codes`, of the shared buffer's size, as the shared buffer and leaves the former one in it,
  // each channel's slice at the same place in the new buffer. False, with nothing changed, for a
  // buffer of another size.
  bool AdoptCodeBuffer(CodeVector& codes);
  std::uint32_t ColumnsPerChannel() const { return ColumnsPerChannelCount; }

  // Guards the channels, the column tables and the counters between the device worker and the window.
  mutable std::mutex ViewLock;

  std::array<RecordParams, 2> Params{};

  std::string RecordName;
  // The number of the record that File > New starts: 1 for the first, one more with each New.
  std::int32_t RecordNumber = 1;
  std::string GraphTitle = "Измерение силы тока";
  std::string FrequencyCaption = "частота 1000Гц";
  std::int32_t CaptionNumber = 1;
  std::string TimeAxisLabel = "t,сек";
  std::string ValueAxisLabel = "U,B";
  std::uint8_t CaptionFlag = 0;
  // The files' two-channel layout, a row a second: the gas-law pair's record (pressure and
  // temperature) alone takes it. Set by the pair's preparation and by a load of the pair's record;
  // a record that begins otherwise decides it from its own channels.
  std::uint8_t TwoChannelText = 0;
  // Decides TwoChannelText from the channels measured (saved-shown).
  void DecideTwoChannelText();

  MainWindowServices* MainWindow = nullptr;

  std::array<MarkerRecord, 4> Markers{};
  std::uint8_t MarkerCount = 2;
  std::array<std::uint8_t, 4> MarkerWasSet{};
  std::array<std::uint8_t, 4> MarkerState{};

  std::array<Rgba, 4> ChannelColours{Rgba{255, 0, 0, 255}, Rgba{0, 66, 255, 255}, Rgba{240, 0, 255, 255},
                                     Rgba{0, 255, 24, 255}};
  // Set by the window thread, read by the acquisition tick on the device worker.
  std::atomic<std::uint8_t> DisplayMode{3};
  ViewHistory History;
  PixelRect ViewRect;

  std::uint16_t SensorCode = 0;
  std::uint16_t FirstOfSensorCount = 1;
  // The live channel whose sensor kind leads the view's scale; 255 while none is chosen.
  std::uint8_t LeadChannel = 255;
  std::uint8_t AcquisitionMode = 0;
  std::array<std::uint8_t, 3> ModeBytes{};

  std::uint32_t SampleCapacity = 0;
  std::uint32_t ChannelCapacity = 0;

  // Written by the window thread (start, stop) and read by the device worker.
  std::atomic<std::uint8_t> Recording{0};
  std::atomic<std::uint8_t> RecordViewable{0};
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
  // The shown columns are the paint's, on the thread that made the view: a recording stopped on
  // the device worker leaves its last screen's columns here, under the view lock, for the next paint.
  std::thread::id OwnerThread = std::this_thread::get_id();
  std::uint16_t StoppedLastShown = 0;
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
  // RateSetting, and RecordRate unless a record is being viewed; nothing while a channel left out
  // of the measurement is set up (KindRateHeld).
  void SetKindRate(std::uint32_t rate);
  std::uint8_t KindRateHeld = 0;
  // The rate was chosen on the measurement screen (the rate slider, the mains filter), not by a
  // sensor's default: a new measurement keeps it. A sensor button's default clears it.
  std::uint8_t RateChosen = 0;
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
  // Where the pointer opens the top group and (besides SideArea) the side group's second form, and
  // the digital display's column of value indicators; SetViewRect lays them for modes 1, 2 and 4.
  PixelRect TopZone;
  PixelRect SideZone2;
  PixelRect IndicatorColumn;
  std::int32_t PulseAge = 0;
  std::uint32_t DisplayStart = 0;
  // Draws the due rate captions of the radioactivity channels (channels/rate_caption_drawing.cpp).
  void DrawRateLabels(agg_ren& surface);


  // Scales, paging, fit, grids and view housekeeping (graph_view_scales.cpp, graph_view_paging.cpp,
  // graph_view_layout.cpp). Commands from the window take ViewLock themselves; the rest expect
  // the caller to hold it.
  void ChooseTimeGridStep();
  // After a change of sampling rate, and as a recording starts: the time scale snapped, the
  // samples per column and the time grid derived again from the rate. The caller holds ViewLock.
  void RederiveTimeBase();
  void ReapplyScales();
  void SetupTestRecord();
  // Steps the time scale from 0.05 s per division by 0.3 while below 1001 over a 5 s, 1000 Hz span
  // and writes each step whose time grid is placed badly to the scale test's log; returns how
  // many were. The view's scales come back as they were.
  std::uint32_t StartScaleTest();
  void EmptyOperation();
  // Line widths of the frame, the grid and the third line setting.
  void SetFrameWidth(std::int32_t width);
  void SetGridLineWidth(std::int32_t width);
  void SetThirdLineWidth(std::int32_t width);
  // The pH sensor (kind 5), and its values outside 0 to 14, on the view's kind or on a channel's.
  bool IsPhView() const;
  static bool IsPhChannel(const VessamorChannel& channel);
  bool PhOutOfRange(double value) const;
  bool PhOutOfRange(float value) const;
  static bool PhOutOfRange(const VessamorChannel& channel, double value);
  static bool PhOutOfRange(const VessamorChannel& channel, float value);
  // Every drawn indicator strip gets back the picture kept under it, and the strips are forgotten.
  void RestoreStripsAfterViewOff();
  void PageForward();
  void PageBack();
  void AutoScrollView();
  void SetTimeScale(float seconds_per_division);
  void SetValueScale(float value_per_division);
  void UpdateTimeGrid();
  void UpdateValueGrid(bool keep_range);
  void PlaceValueTicks();
  float TwoSamplePeriods() const;
  float ValueResolution(bool none) const;
  std::uint8_t CountShownChannels() const;
  // Zooms to the selection rectangle; with keep_range the value range stays as it is.
  void ApplySelection(bool keep_range);
  // Lays channel 0's time base from column `first` (whose record holds the start) forward while
  // samples last; returns the last column laid.
  std::uint16_t LayColumnsFrom(std::uint16_t first);
  // Puts the view's first column at a sample position (with its fraction) and the time range with it.
  void SetViewStart(double start);
  // Markers in use that are set, and clearing them (graph/marker_drawing.cpp).
  std::uint32_t CountMarkedPoints() const;
  void ClearMarkedPoints();
  // Window thread: an empty record; refused while a recording runs.
  void NewRecord();
  void SyncIndicatorPanes();
  // Time of the marker's column, and its caption width and side (marker captions).
  std::string FormatSampleTime(MarkerRecord& marker);
  // Draws from copies of the column tables when given (the paint's, taken under ViewLock).
  void DrawChannels(agg_ren& surface, const std::array<const ColumnRecord*, kLiveChannels>* copies = nullptr);
  void LayoutIndicatorStrips();
  void ResetIndicatorStrips();
  void ResetFont(agg_ren& surface);
  void PaintLiveIndicators(agg_ren& surface);

  // A viewable record while no recording runs.
  bool Reviewable() const;
  // Lays the view from a sample position and rebuilds its columns.
  void ShowFromStart(double start);
  double HalfScreenSamples() const;
  static double PageStart(double start);
  // The redraw after a page, fit or scale change: the markers' captions, the window or the view.
  void RedrawAfterMove(std::uint32_t markers);

  // A value axis left of the plot: the shown channel whose labels it carries, its column's edges,
  // and the names written over it (the shown channels of that kind, one line per distinct name).
  struct ValueAxisColumn {
    std::size_t Channel = 0;
    std::int32_t Left = 0;
    std::int32_t Right = 0;
    std::vector<std::pair<std::size_t, std::string>> Names;
  };
  // The columns right to left, the axis channel's first; each kind shown has one.
  std::vector<ValueAxisColumn> ValueAxisColumns() const;
  // The channel the value axis and the scale belong to: the first shown one of the header's kind,
  // else the first shown one (kLiveChannels: none shown).
  std::size_t AxisChannelIndex() const;
  // "quantity,unit", or the quantity alone when the unit is suppressed; the first with "^2" and "^3"
  // raised, as drawn, the second as the channel writes them.
  static std::string AxisName(const VessamorChannel& channel);
  static std::string PlainAxisName(const VessamorChannel& channel);
  // The bold face of the axes' names, a little larger than the labels'.
  FontSpec AxisNameFont() const { return FontSpec{"Verdana", Style.SmallFont.Height * 13 / 10, 0, 700}; }
  // Where the names' lines of a column lie: the first in the band above the plot, the others along
  // the band beside the plot's column where they fit, else below it in the column.
  std::vector<PixelRect> AxisNameLines(const ValueAxisColumn& column) const;

  // Layout derived by SetViewRect.
  std::int32_t CaptionHeight = 0;
  std::int32_t FrameWidth = 2;
  std::int32_t GridLineWidth = 1;
  PixelRect GridRect;        // the plot with its frame and tick margins
  PixelRect ValueTickStrip;  // left of the plot
  // The plot with its value scale, reaching as far as the labels on its end ticks do.
  PixelRect ValueScaleArea() const;
  PixelRect TimeTickStrip;   // below the plot
  PixelRect CaptionRect;
  PixelRect ValueNameRect;
  PixelRect TimeNameRect;
  // Where the last time label and the time axis's name were last drawn; the name keeps right of the label.
  PixelRect LastTimeLabel;
  std::vector<PixelRect> TimeLabelRects;
  PixelRect TimeNameReach;
  // The value labels as the last full grid wrote them, so that the axis names keep off them.
  std::vector<PixelRect> ValueLabelRects;
  // Beside each of them: its text and the live channel whose axis it labels.
  std::vector<std::string> ValueLabelTexts;
  std::vector<std::uint8_t> ValueLabelChannels;
  // Where the value axes' names were last drawn.
  std::vector<PixelRect> ValueNameReach;
  std::vector<std::uint8_t> ValueNameChannels;
  // What the names read (symbol and unit as the channel gives them), one for each name drawn.
  std::vector<std::string> ValueNames;
  // The caption strip's three texts as last drawn.
  std::array<PixelRect, 3> HeaderTextReach{};
  PixelRect HelpPanelRect;
  PixelRect SelectionRect;
  std::array<std::int32_t, kLiveChannels> LabelColumnWidths{};
  // The band between the caption strip and the plot that holds the value axes' names.
  std::int32_t NameBandHeight = 0;
  std::uint8_t PanelLayoutFlag = 0;
  std::uint8_t FontSet = 0;
  // Screen-entry flag: the scales are applied again without deriving the ranges.
  std::uint8_t ScreenEntry = 0;
  std::uint8_t ValueRangeLock = 0;
  std::uint8_t FullRedraw = 0;
  std::uint8_t ViewChanged = 0;
  // Fit of a long record: the first step ran, the window's timer brings the second.
  std::uint8_t FitPending = 0;
  // The "preparing data" box: while set, the main window's paint draws it over the graph. Whoever
  // starts a long rebuild calls ShowPreparingData (the box is painted before the work begins) and
  // HidePreparingData when it is done (the graph is drawn afresh over the box). Window thread;
  // HidePreparingData expects the caller to hold ViewLock.
  std::atomic<std::uint8_t> PreparingDataRequest{0};
  void ShowPreparingData();
  void HidePreparingData();
  static constexpr std::uint32_t kFitTimerId = 10;
  static constexpr std::uint32_t kFitTimerMs = 33;
  static constexpr std::uint32_t kTwoStepFitSamples = 4000000;
  // Median samples, in the busiest lane of a rebuild, that take about a tenth of a second.
  static constexpr std::uint64_t kLongMedianSamples = 4000000;
  // Whether rebuilding `samples` samples of every enabled channel takes long enough for the box:
  // a record as long as a two-step fit, or as much median work in one lane.
  bool RefitIsLong(std::uint64_t samples) const;
  // A long rebuild of the shown columns of a record under review (after a filter change) is left
  // to the fit timer so the box shows first; true when it was. Under ViewLock.
  bool DeferLongRebuild();
  std::uint8_t RebuildPending = 0;
  // The timer's step: runs a pending rebuild. -1 when none was pending, else 1 when markers are set.
  int RunPendingRebuild();
  // Curves drawn by the last DrawChannels, and the column limit a pan sets (0: none).
  std::uint16_t DrawnFirstColumn = 1;
  std::uint16_t DrawnLastColumn = 1;
  std::uint16_t ColumnLimit = 0;
  // Value strips of the live channels, stacked by LayoutIndicatorStrips.
  std::array<PixelRect, kLiveChannels> IndicatorStrips{};
  std::array<std::uint8_t, kLiveChannels> IndicatorShown{};
  std::array<std::uint8_t, kLiveChannels> IndicatorOn{1, 1, 1, 1};
  std::array<std::uint8_t, kLiveChannels> LargeIndicator{};
  std::array<std::uint8_t, kLiveChannels> StripSaved{};
  std::uint32_t LastIndicatorPaint = 0;
  std::uint8_t IndicatorPaintValid = 0;
  static constexpr std::uint32_t kIndicatorPaintMs = 240;

  // Mouse handling (graph/graph_view_mouse.cpp): button flags as the window passes them, the
  // pointer in the main window's client coordinates. Window thread; each takes ViewLock.
  static constexpr std::uint32_t kLeftButton = 0x0001;
  static constexpr std::uint32_t kRightButton = 0x0002;
  static constexpr std::uint32_t kMiddleButton = 0x0010;
  void OnRButtonDown(std::uint32_t flags, std::int32_t x, std::int32_t y);
  void OnRButtonUp(std::uint32_t flags, std::int32_t x, std::int32_t y);
  void OnLButtonDown(std::uint32_t flags, std::int32_t x, std::int32_t y);
  void OnLButtonUp(std::uint32_t flags, std::int32_t x, std::int32_t y);
  void OnMButtonDown(std::uint32_t flags, std::int32_t x, std::int32_t y);
  void OnMButtonUp(std::uint32_t flags, std::int32_t x, std::int32_t y);
  void OnMouseMove(std::uint32_t flags, std::int32_t x, std::int32_t y);
  // A right or middle click outside the graph: the markers go.
  void ClearMarkerFlags(std::uint32_t flags, std::int32_t x, std::int32_t y);
  // The point lies within the view rectangle, edges included (app/mouse_routing.cpp).
  bool InGraphArea(std::int32_t x, std::int32_t y) const;
  // Sets a marker's column and the line and caption rectangles that go with it.
  void PlaceMarker(MarkerRecord& marker, std::uint16_t column);
  bool FindViewDevice();
  // Parts of the handlers; false when nothing needs redrawing.
  bool RightDrag(std::int32_t x, std::int32_t y, PixelRect& redraw);
  bool VerticalPan(std::int32_t x, std::int32_t y, PixelRect& redraw);
  void ShowNextDevice(std::uint32_t devices);

  // View history (graph/view_history.cpp); the caller holds ViewLock.
  void PushViewHistory() { History.Push(); }
  void SaveViewHistory();
  void RestoreViewHistory(std::int32_t index);
  void StepViewHistory(bool forward);

  // Marker drawing (graph/marker_drawing.cpp), window thread, into the first back buffer.
  void PreDrawMarkers(agg_ren& target);
  void DrawMarkerCaptions(agg_ren& target);
  // Where a marker's value captions stand: the left and top of its stack and the boxes' width.
  struct CaptionStack {
    double Left = 0.0, Top = 0.0, Width = 0.0;
  };
  // The stacks of all set markers placed together, so that none lies over another (Markers' order).
  std::array<CaptionStack, 4> PlaceCaptionStacks(agg_ren& surface);
  // The lines of marker's caption box for channel k (value, angular speed for a rotation, time);
  // keeps the value and time at the marker in the record.
  std::vector<std::string> MarkerCaptionLines(MarkerRecord& marker, std::size_t k, const std::string& time);
  // One set marker with its value captions; partner is the pair's second marker (none: past the end).
  void DrawMarker(agg_ren& surface, std::size_t index, std::size_t partner, std::uint32_t shown,
                  const CaptionStack& stack);
  void DrawDifferenceRows(agg_ren& surface, std::size_t index, std::size_t partner);
  // The texts of a pair's difference rows, value and time, one row per shown channel: what the
  // "Difference values" panel shows for markers `index` and `partner`.
  struct DifferenceRow {
    std::size_t Channel = 0;
    std::string Value;
    std::string Time;
  };
  std::vector<DifferenceRow> DifferenceRowTexts(std::size_t index, std::size_t partner) const;
  void DrawVolumeBox(agg_ren& surface, const VessamorChannel& flow, std::size_t index);
  double DifferenceRowHeight() const;
  // The "Difference values" side panel, kept by the panel painting for the difference rows.
  PixelRect DifferencePanelRect;
  // Copies of the moving marker's caption and badge areas for the next restore.
  PixelRect MovingCaptionRect;
  PixelRect MovingBadgeRect;

  // Mouse state.
  struct PointerPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
  };
  PointerPoint PressPoint;
  PointerPoint DragPoint;
  PointerPoint LastPoint;
  std::uint8_t MarkerCaptionsSaved = 0;
  std::uint8_t DataDragArmed = 0;
  std::uint8_t DataMoved = 0;
  std::uint8_t SelectionDrawn = 0;
  std::uint8_t SelectionStarted = 0;
  std::uint8_t MarkerDragActive = 0;
  // Set by a vertical pan, cleared by the paint that shows it; movement meanwhile is carried.
  std::uint8_t MoveInProgress = 0;
  std::int32_t PanResidueY = 0;
  std::uint8_t RedrawOnly = 0;
  std::uint8_t StartFlags = 1;
  std::uint8_t ViewDeviceSlot = 0;
  std::uint8_t ViewChannelIndex = 0;

  // Recording control and the acquisition tick (acquisition/recording_tick.cpp). Unless said
  // otherwise the caller holds ViewLock.
  // The start set-up of the view and the channels; the device worker is paused.
  void ComputeStartIndexes();
  // The magnitude channel and the derived pair follow the enabled channels; the caller holds the view lock.
  void ChooseDerivedChannels();
  // Device worker, after a poll that brought data; takes ViewLock for its batch.
  void AcquisitionTick();
  // True when new samples were processed and the display advanced.
  bool ProcessNewSamples();
  // The record's last samples, fewer than a column, that no batch has taken: the filters and the
  // rate detectors take them as a last batch, so the record ends on processed values.
  void ProcessRecordTail();
  void ShowFullScreenTicks();
  // Recomputes channel 0's column records first..last and every enabled channel's extremes;
  // backward keeps the last column's start and lays the columns before it down to the first.
  void RebuildColumnTable(std::uint16_t first, std::uint16_t last, bool backward = false);
  // The first half of that: channel 0's column records alone, for a caller that has the extremes
  // reduced later (the first and last column as laid).
  std::pair<std::uint16_t, std::uint16_t> LayColumnTable(std::uint16_t first, std::uint16_t last, bool backward = false);
  // Every enabled channel's extremes over columns first..last; a long range takes the channels side by side.
  void UpdateEnabledChannelColumns(std::uint16_t first, std::uint16_t last);
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
  // What a toggle may do: a click on "Stop" only stops, so a recording that ended by itself just
  // before (a full record) is kept rather than replaced by a new one.
  enum class ToggleIntent : std::uint8_t { Either, StopOnly };
  // Window thread: starts a recording when none runs, else stops it.
  void ToggleRecording(ToggleIntent intent = ToggleIntent::Either);
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
  // A view slot of the main window is used only while its view is active.
  std::uint8_t Active = 1;
  // The pause button holds the live display: the recording goes on, the sweep stands still until
  // the hold ends (read by the device worker's tick). The hold began at this sample count.
  std::atomic<std::uint8_t> DisplayHold{0};
  std::uint32_t HoldPosition = 0;
  std::mutex ToggleLock;
  RecordingSweep Sweep;
  DerivedChannels Derived;
  RecordingHooks Hooks;
  // The redraw throttle's and the sweep restart's clock; tests step their own.
  UnitClock* TickClock = &SystemUnitClock();

  // Graph header per sensor kind and the kept live set-up (graph/graph_header.cpp).
  // The title, labels, value range and scales of the view's SensorCode; then the channels, layout
  // and counters. A request record (when given and flagged) names the channels to set up.
  void SetupGraphHeader(bool keep_time, const ChannelSetupRequest* request, bool request_flag);
  void SetCaption(std::int32_t number, const std::string& title, const std::string& first);
  void SetAxisLabels(const std::string& value_label, const std::string& time_label);
  void SaveSetupToReference();
  void RestoreSetupFromReference();
  void SaveCaption();
  void RestoreCaption();
  // Fills the set-up hooks with the view's own operations.
  void InstallSetupHooks();
  std::uint8_t TwoQuantityAxis = 0;
  std::uint16_t PreviousSensorCode = 0;
  // The unit family of the counter kind, whose range depends on it.
  std::uint8_t KindDeviceType = 0;
  std::uint8_t SuppressChannelSetup = 0;
  std::uint8_t IsochoricView = 0;
  std::uint8_t KeepChannelMarks = 0;
  struct CaptionCopy {
    std::string Title;
    std::string First;
    std::uint16_t Kind = 0;
    std::uint32_t Rate = 0;
    std::uint8_t Mode = 3;
    std::uint8_t Kept = 0;
  } KeptCaption;

  // Painting of the graph screen on the window thread (graph/graph_view_paint.cpp). The paint takes
  // the column range, scales and the columns to draw under ViewLock, then draws without it.
  void Paint();
  void DrawGrid(std::uint8_t mode, platform::Surface& target);
  void DrawAxisLabels(platform::Surface& target);
  void PaintPanelCaptions(std::uint8_t mode);
  void DrawCaptionLine();
  void DrawAxisNames();
  bool RestoreIndicatorBackground();
  void RestoreIndicatorAreas();
  void DrawIndicators(bool moved);
  void RestoreChannelStrips(platform::Surface& target);
  void SetViewBackground(const Rgba& colour);
  void SetPanelBrush(const Rgba& colour);
  void SetDarkBrush(const Rgba& colour);
  void SetExtraBrush(const Rgba& colour);
  void SetStyleColorA(const Rgba& colour);
  void SetStyleColorB(const Rgba& colour);
  void SetStyleColorC(const Rgba& colour);
  void SetLargeFont(std::int32_t height);
  void SetSmallFont(std::int32_t height);
  GraphPaintHost* PaintHost = nullptr;
  PaintState Painting;

  // The pictured computer's mini-graph (graph/mini_graph.cpp), on the window thread.
  // Lays the view out on the grid's plot rows and columns and hands over its area and grid lines;
  // the caller holds ViewLock.
  void HandOverMiniGraph(const PictureGrid& grid);
  // Columns first..last (0 counts as 1) of every enabled, shown live channel, read under ViewLock.
  void PlotDeviceChannelCurves(agg_ren& renderer, const PictureGrid& grid, std::uint16_t first, std::uint16_t last);
  MiniGraphState MiniGraph;

 private:
  bool AllocateCodeBuffer(std::uint32_t capacity);
  bool UnclampedChannelShown() const;
  void TakePaintSnapshot();
  void GridLinesWithin(platform::Surface& target, const PixelRect& area);
  void DrawSelection(platform::Surface& target);
  void SaveIndicatorBackground(const IndicatorBox& box);
  void PutIndicatorBackground(IndicatorBox& box, std::int32_t from_x);
  // What the paint took under ViewLock.
  ScaleState PaintScale;
  bool PaintRecording = false;
  std::uint32_t PaintLastSample = 0;
  double PaintScreenStart = -1.0;
  std::uint8_t ViewJustFilled = 0;
  struct PanelCacheKey {
    PixelRect Column;
    PixelRect Below;
    std::array<PixelRect, 4> Groups{};
    std::uint8_t Mode = 0;
    std::uint8_t PanelMode = 0;
    bool English = false;
    friend bool operator==(const PanelCacheKey&, const PanelCacheKey&) = default;
  };
  struct {
    PanelCacheKey Key;
    platform::Surface Column;
    platform::Surface Below;
    bool Valid = false;
  } PanelCache;
  // The grid with its labels, as the last full grid left the view rectangle, and what it was drawn from.
  struct {
    std::vector<std::uint8_t> Key;
    platform::Surface Picture;
  } GridCache;
  std::vector<std::uint8_t> GridCacheKey() const;
  void DrawFullGrid(platform::Surface& target);
  std::vector<ColumnRecord> PaintColumns;
  std::array<std::uint32_t, kLiveChannels> PaintCodeCounts{};
  void AllocateColumnTables();
  // With `by_own_rate` the buffer is shared only by the enabled channels whose own rate (OwnRate) is
  // not the view's RateSetting.
  void SplitCodeBuffer(bool by_own_rate = false);
  // A channel's own sampling rate: the inverse of its rate detector's sample period, 0 without one.
  static std::uint32_t OwnRate(const VessamorChannel& channel);
  void DeriveScales();
  void SetupRateDetector(VessamorChannel& channel);
  // Parts of the acquisition tick (acquisition/recording_tick.cpp).
  std::uint32_t NewestInputCount() const;
  void FillMagnitude(std::uint32_t first, std::uint32_t end);
  void FillDerivedPair(std::uint32_t first, std::uint32_t end);
  void RestartSweep();
  void PlaceTimeTicks();
  void PlaceSweepTicks();
  double GuardedSamplesPerColumn() const;
  // One batch: the incoming filters up to `newest`, the rate detectors from the first unprocessed sample up to `end`.
  void ProcessBatch(std::uint32_t newest, std::uint32_t end);
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
  CodeVector CodeBuffer;
  std::vector<ColumnRecord> ColumnTables;
  std::uint32_t ColumnsPerChannelCount = 0;
};
