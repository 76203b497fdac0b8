// One measurement channel: raw codes, conversions, filter state, column reduction, calibration.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "channels/code_median.h"
#include "channels/column_record.h"
#include "channels/conversion_types.h"
#include "channels/pixel_types.h"
#include "channels/rate_detector.h"

class GraphView;
class agg_ren;
class FTRecordDevice;
class MainWindowServices;
struct ScaleState;

// One stage of the 50 Hz notch cascade: inputs x[n], x[n-1], x[n-2] and outputs y[n], y[n-1], y[n-2].
struct NotchStage {
  std::array<double, 3> X{};
  std::array<double, 3> Y{};
};

// Working state of the median, the smoothing and the recursive filters; sized by ConfigureFilter.
struct ChannelFilterState {
  // Filtered codes of one piece: plain after the median alone, code x 256 after smoothing.
  std::vector<std::int32_t> Processed;
  std::uint32_t ProcessedCount = 0;

  // Sliding median: the window's codes counted; it continues only at sample MedianNext.
  CodeCountMedian MedianCounts;
  std::uint32_t MedianNext = 0;
  std::uint8_t MedianFull = 0;

  // Moving mean or RMS over the inputs SmoothFrom..SmoothTo-1, held in the ring from SmoothFirst;
  // the state continues only at output sample SmoothNext.
  std::int64_t SmoothSum = 0;
  std::uint32_t SmoothFill = 0;
  std::vector<std::int64_t> SmoothRing;
  std::uint32_t SmoothFirst = 0;
  std::uint32_t SmoothFrom = 0;
  std::uint32_t SmoothTo = 0;
  std::uint32_t SmoothNext = 0;
  std::uint8_t SmoothValid = 0;
  // What entered the centred window over the median's outputs, while a steady stretch is reduced.
  std::vector<std::int64_t> SmoothEntered;

  std::array<NotchStage, 3> Notch{};
  std::uint8_t NotchPrimed = 0;

  // Code history x1, x2, then y0, y1, y2 of each of the seven sections.
  std::array<std::int32_t, 23> BandPassHistory{};

  // Mains notch designed for the sampling rate, in 1/4096 units.
  std::int32_t DesignedGain = 0;
  std::int32_t DesignedB1 = 0;
  std::int32_t DesignedA1 = 0;
  std::int32_t DesignedA2 = 0;
  std::int32_t DesignedDivisor = 4096;
  std::array<std::int32_t, 12> DesignedHistory{};
};

// Window of the sparse-column interpolation: the last sampled columns (value and column) and the
// gap after them. Columns before the table's first (primed from earlier samples) may be negative.
struct ColumnInterpolationWindow {
  std::array<std::int32_t, 4> Values{};
  std::array<std::int32_t, 4> Points{};
  std::uint8_t WritePos = 0;  // values held
  std::uint8_t Waiting = 0;   // empty columns passed while the window was filling
  std::uint16_t GapFirst = 1;
  std::uint16_t GapLast = 1;
  std::uint16_t LastSampledColumn = 1;
  std::uint16_t Distance = 0;
  std::uint8_t AtViewEnd = 0;
  double RecordedSpan = 0.0;  // columns one sample spans, for the gap at the view's end
};

// Box geometry of one indicator line: value, unit and caption boxes as left, top, right, bottom.
using IndicatorGeometry = std::array<double, 12>;

class VessamorChannel {
 public:
  VessamorChannel();
  virtual ~VessamorChannel() = default;
  VessamorChannel(const VessamorChannel&) = delete;
  VessamorChannel& operator=(const VessamorChannel&) = delete;

  // Value at a column record; column 0 means the newest raw code.
  float SampleValue(std::uint16_t column) const;
  // Value of one sample after the channel's filters (exports, volume integration).
  float ValueAtIndex(std::uint32_t index) const;
  // The filtered code of one sample as the curve's column reduction makes it, and its value where
  // the curve draws it (marker captions: the caption reads what the curve shows).
  std::int32_t FilteredCodeAt(std::uint32_t index);
  float CurveValueAt(std::uint32_t index);
  // The value the curve draws for a filtered code (a column's extreme): the zero offset applied once.
  float CurveValueOfCode(std::int32_t code) const;
  // Value of a code as the filters hand it out: plain, or code x 256 when smoothing is on.
  float ValueOfFilteredCode(std::int32_t code) const;
  // Value of a code that carries its zero offset already: converted, ZeroOffset subtracted.
  float ValueOfZeroedCode(std::int32_t code) const;
  // Code of one sample after the channel's options; code x 256 when smoothing is on.
  std::int32_t GetSample(std::uint32_t index) const;
  // MaxCode of the record at the view's cursor column.
  std::int32_t CursorCode() const;
  // The newest raw code, 0 while none has arrived.
  std::int16_t NewestCode() const;
  void TrackMinMax(std::int16_t code);
  std::uint8_t DeviceType() const;
  void RestoreShown() { Shown = SavedShown; }
  void PlaceLabelBox(std::uint32_t offset);
  void SetLabelBox(const PixelRect& rect);
  // Drawing: the curve and the value indicator's layout (channel_drawing.cpp).
  // Draws columns first..last of the curve through `surface`, which is attached to the target buffer.
  void DrawCurve(agg_ren& surface, std::uint32_t first, std::uint32_t last) const;
  // The same from a copy of the column table (indexed as the table), which the paint takes under the view lock.
  void DrawCurveFrom(agg_ren& surface, const ColumnRecord* columns, std::uint32_t first, std::uint32_t last) const;
  std::optional<double> CurveBasePixel() const;
  void LayoutIndicator(const PixelRect& strip, std::uint16_t column);
  std::uint8_t IndicatorTwoLines = 0;  // a second line under the value (the large display)
  std::uint8_t IndicatorAtColumn = 0;  // the boxes start at the column's pixel rather than the strip's left
  std::string IndicatorCaption;        // time caption of the last layout, empty without one
  double IndicatorScale = 0.0;         // text size of the last layout
  // The rate caption at the curve's right end (rate_caption_drawing.cpp).
  void DrawRateCaption(agg_ren& surface);
  // Value path for a code: the zero offset of the code (ZeroedCode) from level 1 on, ZeroOffset
  // subtracted from level 2 on.
  float ChannelValueOfCode(std::int32_t code, std::uint8_t level) const;
  // A code (x 256 when smoothing is on) with the channel's zero offset applied once, whichever of
  // the whole-code and the fine offset the filters have put in force.
  std::int32_t ZeroedCode(std::int32_t code) const;
  virtual void ComputePlotPoints(std::uint32_t first, std::uint32_t last);
  // A value of this channel where the plot puts it, on the axis channel's value axis: multiplied
  // by the plot gain, or, for another kind of sensor, at its fraction of its
  // own axis read on the axis channel's.
  float PlottedValue(float value) const { return PlottedValueOn(value, AxisChannel()); }
  // The same with the axis channel already found, for loops over many values.
  float PlottedValueOn(float value, const VessamorChannel* axis) const;
  // Where the curve lies for a value of this channel, as a value of the axis channel's scale.
  double AxisValueOf(float value) const;
  // The channel whose value axis the plot shows: the first enabled, shown live channel of the
  // header's kind, else the first enabled, shown one.
  const VessamorChannel* AxisChannel() const;
  // The plot gain is in force: it is on, and the axis shown is this channel's own or its pair's
  // first quantity's (PlotGainAxisKind).
  bool PlotGainApplies() const { return PlotGainAppliesOn(AxisChannel()); }
  bool PlotGainAppliesOn(const VessamorChannel* axis) const;
  // With the gain in force, the plotted value of the plot's top row; nothing when not a number.
  std::optional<double> GainTopValue() const;

  // Appends one raw code unless the channel is full; every decoder writes through this.
  bool AppendCode(std::int16_t code) {
    if (Codes == nullptr || CodeCount >= CodeCapacity) return false;
    Codes[CodeCount++] = code;
    return true;
  }
  // Room left for codes; decoders check it before a batch.
  std::uint32_t CodeRoom() const { return CodeCount < CodeCapacity ? CodeCapacity - CodeCount : 0; }

  // Derives the filter flags from the options and sizes the filter state.
  void ConfigureFilter();
  // Clears the reduction and filter state so the next reduction starts afresh.
  void ResetColumnReduction();
  void InitSplineNodes();
  // Re-sets the channel for the other range of its sensor (codes 6, 19 and 40); other codes do nothing.
  void SwitchSensorRange(std::uint8_t sensor_code);
  // With the swap-pending flag set: clears it and swaps the waiting conversion pair in.
  void SwapPendingPair();

  // Column reduction, the reduction filters and the recursive filters on incoming samples.
  void UpdateChannelColumns(std::uint16_t first, std::uint16_t last);
  void BuildColumnMinMax(std::uint16_t first, std::uint16_t last);
  void InterpolateColumns(ColumnRecord& record);
  // Parts of the interpolation (channels/column_interpolation.cpp).
  void AddInterpolationPoint(std::int32_t value, std::int32_t column);
  void FillGap(std::int32_t from, std::int32_t to, double span);
  void FinishViewEnd();
  std::int32_t FilterNewestSample();
  void FilterIncomingSamples(std::uint32_t first, std::uint32_t end);
  void PrimeNotchCascade();
  std::int32_t NotchCascade(std::int16_t code, std::uint8_t stages);
  void ResetNotchCascade();
  void PrepareBandPass();
  std::int32_t BandPass(std::int16_t code, std::uint8_t level);
  void ResetBandPass();
  void DesignMainsNotch(std::uint32_t rate);
  ColumnInterpolationWindow Interpolation;

  GraphView* View = nullptr;
  FTRecordDevice* Device = nullptr;
  MainWindowServices* MainWindow = nullptr;

  std::string AxisLabel = "сек";
  std::string Symbol = "А";
  std::string TimeUnit;
  std::string Unit;

  RawToValueFnType RawToValueFn = nullptr;
  ValueToRawFnType ValueToRawFn = nullptr;
  RateProcessFnType RateProcessFn = nullptr;
  RateInitFnType RateInitFn = nullptr;
  RateValueAtFnType RateValueAtFn = nullptr;
  RateDisplayFnType RateDisplayFn = nullptr;
  ScaleMapping ScaleMappingPair;

  float Gain = 1.0f;
  float GainSquared = 1.0f;
  RateDetectorState RateDetector;

  // What the value indicator last showed (value and column of its time), so a reframe draws it again.
  double IndicatorShownValue = 0.0;
  // The angular speed its second line shows (rotation kinds), read back from the text drawn.
  double IndicatorShownAngular = 0.0;
  std::uint16_t IndicatorShownColumn = 0;
  std::uint8_t IndicatorShownValid = 0;
  // What it showed was a recorded volume (flow kinds), which a stopped recording no longer shows.
  std::uint8_t IndicatorShownVolume = 0;
  // It was read while a recording ran, so a recording that stops has it read again.
  std::uint8_t IndicatorShownLive = 0;
  // Everything its last full draw was drawn from (box, texts, colours, places): a box that would be
  // drawn from the same is not drawn again.
  std::string IndicatorShownFace;

  ScaleState* Scale = nullptr;
  ColumnRecord* Columns = nullptr;
  ColumnRecord* TimeBase = nullptr;
  // Records in Columns and TimeBase; every column index is checked against it.
  std::uint32_t ColumnCapacity = 0;

  std::int16_t* Codes = nullptr;
  std::uint32_t CodeCount = 0;
  // Codes this channel may hold in its slice; 0 for a channel without a slice of its own.
  std::uint32_t CodeCapacity = 0;

  std::uint8_t Enabled = 0;
  std::uint8_t Shown = 0;
  std::uint8_t SavedShown = 0;
  std::uint8_t PlotGainOn = 0;
  std::uint8_t IirOn = 0;
  std::uint8_t FilterOn = 0;
  std::uint8_t MedianOdd = 0;
  std::int16_t CodeOffset = 0;
  std::int16_t CodeOffset2 = 0;
  std::uint8_t CodeOffsetOn = 0;
  std::uint8_t OffsetPending = 0;
  std::uint8_t FineOffsetOn = 0;
  std::uint8_t FineOffset2On = 0;
  std::uint8_t ZeroOffsetOn = 0;
  float ZeroOffset = 0.0f;
  float ZeroOffset2 = 0.0f;
  float CalibrationMid = 0.0f;
  std::int32_t FineOffset = 0;
  std::int32_t FineOffset2 = 0;
  float EnteredValue = 0.0f;
  std::uint16_t AdcZeroCode = 2048;
  std::uint8_t DeviceTypeCode = 11;
  // Kept whole: codes above 88 stay as they are, tables indexed by it clamp.
  std::uint16_t SensorCode = 0;

  std::array<double, 4> SplineNodes{};
  std::array<double, 4> SplineSpacings{};
  std::uint8_t CurveMode = 1;
  std::uint8_t CurveSmoothOn = 0;
  std::uint8_t FractionalCodes = 0;
  std::uint8_t NoClamp = 0;
  float p_UD = 0.0f;
  float p_Uz = 0.0f;

  std::int32_t RunMax = 0;
  std::int32_t RunMin = 0;
  std::uint8_t RunReset = 1;
  // Decoder state while recording: min/max tracking on, pulse integration on, pulse level and sum.
  std::uint8_t TrackingOn = 0;
  std::uint8_t PulseOn = 0;
  std::uint8_t PulseHigh = 0;
  double PulseSum = 0.0;
  // Zero codes of the three accelerometer axes, held by the magnitude channel (channel 3).
  std::array<std::int16_t, 3> AxisZeroCodes{};

  PixelBox LabelBox;
  PixelRect LabelRect;
  std::uint8_t IndicatorStyle = 0;
  float IndicatorTextSize = 0.0f;

  std::uint8_t MedianOn = 0;
  std::uint8_t SmoothingOn = 0;
  std::uint8_t NotchOn = 0;  // also the fixed-rate option: the channel is sampled at 1000 Hz
  std::uint8_t BandPassOn = 0;
  std::uint16_t MedianWindow = 0;
  std::uint16_t SmoothingWindow = 0;
  std::uint16_t LeadHalf = 0;
  std::uint16_t TrailHalf = 0;
  std::uint16_t InnerHalf = 0;
  std::uint16_t SmoothRingSize = 0;
  std::uint8_t RmsMode = 1;
  std::uint8_t CentredSmoothing = 1;
  // The value indicator shows the volume accumulated while recording (flow kinds).
  std::uint8_t VolumeOn = 0;
  // The decoder's pulse sum as the last acquisition tick saw it: the sum of the flow's values over
  // the samples recorded so far, which the indicator divides by the rate to show a volume.
  double AccumulatedVolume = 0.0;
  ChannelFilterState Filter;

  float PlotGain = 1.0f;
  // The kind of the pair's first quantity, on whose axis the gain puts this channel (0: none).
  std::uint16_t PlotGainAxisKind = 0;
  std::uint16_t Decimals = 2;
  std::int32_t ValueWidth = 6;
  std::int32_t AxisLabelCount = 10;
  std::int32_t UnitWidth = 1;
  float AxisTextScale = 1.0f;
  float UnitTextScale = 1.0f;
  IndicatorGeometry ValueLineGeometry{};
  IndicatorGeometry SecondLineGeometry{};
  std::uint8_t IndicatorLaidOut = 0;
  Rgba Colour;
  std::int32_t PenWidth = 3;
  RangeCheckFnType RangeCheckFn = nullptr;

  // Binding and display state the window, the information screens and the settings panel use.
  std::uint8_t ChannelIndex = 0;
  std::uint8_t HasData = 0;
  std::uint8_t Bound = 0;
  std::uint8_t UserHidden = 0;
  std::uint32_t LocationId = 0;
  std::uint8_t FirstOfSensor = 0;
  std::uint8_t OwnScale = 0;
  float ScaleRatio = 1.0f;
  std::uint8_t AltConversion = 0;
  std::uint8_t RateMode = 0;
  // What a breathing channel was last set up to show: its rate (1) or, prepared for breath holding,
  // its signal (0). The window's choice is cleared once several sensors are measured; the channel
  // keeps showing what it was set up as.
  std::uint8_t BreathRateShown = 1;
  std::uint8_t SymbolCaption = 0;
  std::uint32_t HistoryStepSeconds = 0;
  // The indicator and the marker captions add the rate detector's running value (rotation kinds).
  std::uint8_t ExtraValueShown = 0;
  std::uint8_t EnteredValueSet = 0;
  float ReadingA = 0.0f;
  float ReadingB = 0.0f;
  std::int32_t StoredCursorCode = 0;
  std::uint8_t RangeChanged = 0;
  // A conversion pair waiting to be swapped in once the range switch is safe to apply.
  RawToValueFnType PendingRawToValueFn = nullptr;
  ValueToRawFnType PendingValueToRawFn = nullptr;
  std::uint8_t SwapPending = 0;
  // The value axis is redrawn on the next indicator pass even when nothing else changed.
  std::uint8_t DrawValueAxisForced = 0;
  std::uint8_t LineStyle = 0;
  // A unit's receive buffer and byte count, kept with the first channel it feeds.
  std::vector<std::uint8_t> ReceiveBytes;
  std::uint32_t ReceivedCount = 0;

  // Zero setting, two-position calibration, flow volume and the rate history fill.
  void SetZeroOffset(std::int32_t reading, bool second);
  void StoreZeroOffset(std::int32_t reference, std::int32_t reading, bool second);
  // The kind's zero reference in 1/256 code: where the conversion crosses zero next to that code.
  std::int32_t FineZeroReference(std::int32_t reference) const;
  std::uint32_t ResetZeroOffset();
  void ResetCalibration();
  bool CalibrateTwoPositions(bool fourth_channel);
  // The gain and its square change together: the accelerometer magnitude reads the square.
  void SetGain(float gain) {
    Gain = gain;
    GainSquared = gain * gain;
  }
  // An accelerometer axis whose calibration changed gives the magnitude channel (the fourth) the
  // axes' zero codes; `any_kind` does so whatever this channel's kind.
  void RefreshMagnitudeZeroCodes(bool any_kind = false);
  void ApplyOffsetHandOver();
  float IntegrateBetweenMarkers(std::uint32_t pair) const;
  void FillRateHistory();

 private:
  const ColumnRecord* ColumnAt(std::uint16_t column) const;
  float ConvertCode(std::int32_t code) const;
  float InterpolatedValue(std::int32_t fractional_code) const;
};
