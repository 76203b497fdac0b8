// Measurement channel: defaults, value paths, min/max tracking, label box and plot points.
#include "channels/vessamor_channel.h"

#include <algorithm>
#include <cmath>

#include "channels/main_window_services.h"
#include "graph/graph_view.h"
#include "graph/scale_state.h"

namespace {

// Offsets come from files too: a hostile one must not overflow the code it shifts.
std::int32_t ShiftedCode(std::int32_t code, std::int64_t offset) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{code} + offset, INT32_MIN, INT32_MAX));
}

}  // namespace

VessamorChannel::VessamorChannel() {
  ResetColumnReduction();
  InitSplineNodes();
  // The pulse kind's hooks without its value hook, until a sensor-kind set-up installs its own.
  RateInitFn = &PulseInit;
  RateProcessFn = &PulseProcess;
  RateDisplayFn = &PulseDisplay;
}

void VessamorChannel::InitSplineNodes() {
  SplineNodes = {0.0, 1.0, 2.0, 3.0};
  SplineSpacings = {1.0, 1.0, 1.0, 1.0};
}

void VessamorChannel::ConfigureFilter() {
  FilterOn = (MedianOn != 0 || SmoothingOn != 0) ? 1 : 0;
  IirOn = (NotchOn != 0 || BandPassOn != 0) ? 1 : 0;
  FractionalCodes = SmoothingOn != 0 ? 1 : 0;
  MedianOdd = (MedianWindow % 2 != 0) ? 1 : 0;
  // The reduction's room for a piece of filtered samples is made by its first filtered piece.
  Filter.MedianFull = 0;
  Filter.SmoothRing.assign(SmoothingWindow != 0 ? SmoothingWindow + 1u : 0u, 0);
  ApplyOffsetHandOver();
  ResetColumnReduction();
}

const ColumnRecord* VessamorChannel::ColumnAt(std::uint16_t column) const {
  if (Columns == nullptr || column >= ColumnCapacity) return nullptr;
  return &Columns[column];
}

std::int16_t VessamorChannel::NewestCode() const {
  std::uint32_t count = View != nullptr ? View->SampleCount : CodeCount;
  // A channel without a slice of its own has no newest code, whatever the view counts.
  count = std::min(count, CodeCapacity);
  if (Codes == nullptr || count == 0) return 0;
  return Codes[count - 1];
}

float VessamorChannel::ConvertCode(std::int32_t code) const {
  if (RawToValueFn == nullptr) return 0.0f;
  return RawToValueFn(static_cast<std::int16_t>(code), this);
}

float VessamorChannel::InterpolatedValue(std::int32_t c) const {
  const std::int32_t whole = c >> 8;  // arithmetic: the sign is kept
  const std::int32_t fraction = c & 255;
  const float a = ConvertCode(whole);
  const float b = ConvertCode(whole + 1);
  return static_cast<float>(a + (b - a) * fraction * 0.00390625);
}

std::int32_t VessamorChannel::ZeroedCode(std::int32_t code) const {
  // Switching the averaging off hands the fine offset over to the whole-code one and leaves its
  // flag set: plain codes take the whole-code offset alone, so the zero is applied once.
  if (FractionalCodes == 0) return CodeOffsetOn != 0 ? code + CodeOffset : code;
  std::int32_t c = code;
  // A whole-code offset that a shown record keeps while averaging is on, in 1/256 code.
  if (CodeOffsetOn != 0) c = ShiftedCode(c, std::int64_t{CodeOffset} * 256);
  if (FineOffsetOn != 0) c = ShiftedCode(c, FineOffset);
  return c;
}

float VessamorChannel::ValueOfZeroedCode(std::int32_t code) const {
  float value = FractionalCodes != 0 ? InterpolatedValue(code) : ConvertCode(code);
  if (ZeroOffsetOn != 0) value -= ZeroOffset;
  if (SensorCode == 47 && value < 0.0f) value = 0.0f;
  return value;
}

float VessamorChannel::SampleValue(std::uint16_t column) const {
  std::int32_t code = 0;
  if (column == 0) {
    code = NewestCode() * (FractionalCodes != 0 ? 256 : 1);
  } else {
    const ColumnRecord* record = ColumnAt(column);
    if (record == nullptr) return 0.0f;
    code = record->MaxCode;
  }
  return ValueOfZeroedCode(ZeroedCode(code));
}

float VessamorChannel::ValueOfFilteredCode(std::int32_t code) const { return ValueOfZeroedCode(ZeroedCode(code)); }

float VessamorChannel::ValueAtIndex(std::uint32_t index) const { return ValueOfFilteredCode(GetSample(index)); }

float VessamorChannel::ChannelValueOfCode(std::int32_t code, std::uint8_t level) const {
  const std::int32_t c = level >= 1 ? ZeroedCode(code) : code;
  float value = FractionalCodes != 0 ? InterpolatedValue(c) : ConvertCode(c);
  if (level >= 2 && ZeroOffsetOn != 0) value -= ZeroOffset;
  return value;
}

std::int32_t VessamorChannel::CursorCode() const {
  if (View == nullptr) return 0;
  const ColumnRecord* record = ColumnAt(View->CursorColumn);
  return record != nullptr ? record->MaxCode : 0;
}

void VessamorChannel::TrackMinMax(std::int16_t code) {
  if (RunReset != 0) {
    RunReset = 0;
    RunMin = code;
    RunMax = code;
  } else if (code > RunMax) {
    RunMax = code;
  } else if (code < RunMin) {
    RunMin = code;
  }
}

std::uint8_t VessamorChannel::DeviceType() const { return Device != nullptr ? DeviceTypeCode : 0; }

void VessamorChannel::SetLabelBox(const PixelRect& rect) {
  LabelRect = rect;
  LabelBox = PixelBox{rect.Left, rect.Top, rect.Width(), rect.Height()};
}

void VessamorChannel::PlaceLabelBox(std::uint32_t offset) {
  if (View == nullptr) return;
  const float s = MainWindow != nullptr ? MainWindow->UiScale() : 1.0f;
  PixelRect rect;
  rect.Left = View->ViewRect.Right - static_cast<std::int32_t>(390.0f * s);
  rect.Right = View->ViewRect.Right - 1;
  rect.Top = View->ViewRect.Top + static_cast<std::int32_t>(offset) + 5;
  rect.Bottom = rect.Top + static_cast<std::int32_t>(80.0f * s);
  SetLabelBox(rect);
}

