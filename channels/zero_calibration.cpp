// Zero setting and two-position calibration of a channel, with the zero-reference table of the kinds.
#include "channels/zero_calibration.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>

#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"

namespace {

constexpr std::size_t kKinds = 89;

struct ReferenceRow {
  std::initializer_list<std::uint16_t> Kinds;
  std::int16_t Code12;
  std::int16_t Code10;
};

std::array<ZeroReference, kKinds> BuildTable() {
  std::array<ZeroReference, kKinds> table{};  // every kind not named below clears its offset
  const std::initializer_list<ReferenceRow> rows = {
      {{1}, 143, 36},
      {{2}, 382, 95},
      {{3}, 1075, 268},
      {{4}, 3784, 945},
      {{5}, 3896, 973},
      {{6, 19, 29, 30}, 44, 11},
      {{9, 10, 11, 12, 14, 16, 17, 18, 20, 21, 22, 23, 24, 25, 31, 36, 42, 88}, 2048, 512},
      {{13, 26}, 3971, 992},
      {{53, 66, 67, 68, 69, 70, 71, 75, 83}, 2047, 512},
      {{27}, 658, 658},
      {{39}, 157, 157},
      {{59}, 2047, 2047},
      {{72}, 964, 964},
      {{85}, 164, 164},
      {{86}, 167, 167},
      {{87}, 3971, 3971},
      {{0, 32, 33, 35, 37, 38, 40, 41, 43, 44, 45, 47, 48, 49, 50, 51, 73, 74, 76, 77, 78, 79, 81, 82}, 0, 0},
  };
  for (const ReferenceRow& row : rows) {
    for (const std::uint16_t kind : row.Kinds) table[kind] = {ZeroSetting::ReferenceCode, row.Code12, row.Code10};
  }
  for (const std::uint16_t kind : {7, 8, 34, 46, 84}) table[kind] = {ZeroSetting::None, 0, 0};
  for (const std::uint16_t kind : {52, 54, 57, 64, 65}) table[kind] = {ZeroSetting::ValueOffset, 0, 0};
  return table;
}

const std::array<ZeroReference, kKinds>& Table() {
  static const std::array<ZeroReference, kKinds> table = BuildTable();
  return table;
}

std::int16_t SaturateToCode(std::int32_t value) {
  return static_cast<std::int16_t>(
      std::clamp<std::int32_t>(value, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

}  // namespace

ZeroReference ZeroReferenceFor(std::uint16_t sensor_code) {
  if (sensor_code >= kKinds) return ZeroReference{};
  return Table()[sensor_code];
}

void VessamorChannel::SetZeroOffset(std::int32_t reading, bool second) {
  const ZeroReference reference = ZeroReferenceFor(SensorCode);
  switch (reference.Setting) {
    case ZeroSetting::ReferenceCode:
      StoreZeroOffset(TenBitZeroReference(DeviceTypeCode) ? reference.Code10 : reference.Code12, reading, second);
      break;
    case ZeroSetting::None:
      break;
    case ZeroSetting::ValueOffset: {
      // The present value is read without the old offset, so setting zero twice does not shift it twice.
      ZeroOffsetOn = 0;
      ZeroOffset = SampleValue(View != nullptr ? View->CursorColumn : 0);
      ZeroOffsetOn = 1;
      break;
    }
    case ZeroSetting::Clear:
      if (FractionalCodes != 0) {
        FineOffsetOn = 1;
        FineOffset = 0;
      } else {
        FineOffsetOn = 0;
        CodeOffset = 0;
      }
      break;
  }
}

std::int32_t VessamorChannel::FineZeroReference(std::int32_t reference) const {
  // The table gives the whole code nearest the kind's zero; some conversions cross zero between it
  // and a neighbour (at code 2047.5, say). Between whole codes the value is interpolated linearly,
  // so the crossing is found to 1/256 of a code, and a zeroed reading then reads zero, not half a code.
  const std::int32_t fine = reference * 256;
  if (RawToValueFn == nullptr) return fine;
  const float at = ConvertCode(reference);
  if (at == 0.0f || !std::isfinite(at)) return fine;
  for (const std::int32_t neighbour : {reference - 1, reference + 1}) {
    const float other = ConvertCode(neighbour);
    const bool crosses = other == 0.0f || (other < 0.0f) != (at < 0.0f);
    if (!std::isfinite(other) || !crosses) continue;
    // The value runs from `at` to `other` over one code: zero lies this far towards the neighbour.
    const double toward = static_cast<double>(at) / (static_cast<double>(at) - other);
    return fine + static_cast<std::int32_t>(std::lround(toward * 256.0)) * (neighbour - reference);
  }
  return fine;
}

void VessamorChannel::StoreZeroOffset(std::int32_t reference, std::int32_t reading, bool second) {
  if (FractionalCodes != 0) {
    const std::int32_t offset = FineZeroReference(reference) - reading;
    if (second) {
      FineOffset2 = offset;
      FineOffset2On = 1;
    } else {
      FineOffset = offset;
      FineOffsetOn = 1;
    }
  } else {
    const auto offset = static_cast<std::int16_t>(reference - reading);
    if (second) {
      CodeOffset2 = offset;
      FineOffset2On = 0;
    } else {
      CodeOffset = offset;
      FineOffsetOn = 0;
      // Plain codes take the whole-code offset in their value path from now on.
      CodeOffsetOn = 1;
    }
  }
}

std::uint32_t VessamorChannel::ResetZeroOffset() {
  const std::int32_t newest = NewestCode();
  std::int32_t deviation = 0;
  if (CodeOffset != 0) deviation = newest - CodeOffset;
  if (CodeOffset2 != 0) deviation = newest - CodeOffset2;
  ZeroOffset = 0.0f;
  ZeroOffset2 = 0.0f;
  FineOffset = 0;
  EnteredValue = 0.0f;
  FineOffset2 = 0;
  FineOffsetOn = 0;
  CodeOffset = 0;
  CodeOffset2 = 0;
  SetGain(1.0f);
  return static_cast<std::uint32_t>(deviation);
}

void VessamorChannel::ResetCalibration() {
  ZeroOffsetOn = 0;
  CalibrationMid = 0.0f;
  ZeroOffset = 0.0f;
  SetGain(1.0f);
  RefreshMagnitudeZeroCodes();
}

void VessamorChannel::RefreshMagnitudeZeroCodes(bool any_kind) {
  if (View == nullptr || (!any_kind && SensorCode != 7 && SensorCode != 8)) return;
  VessamorChannel& magnitude = View->Channel(3);
  if (&magnitude == this || magnitude.ValueToRawFn == nullptr) return;
  for (std::size_t k = 0; k < 3; ++k) {
    magnitude.AxisZeroCodes[k] =
        SaturateToCode(magnitude.ValueToRawFn(View->Channel(k).CalibrationMid) - magnitude.AdcZeroCode);
  }
  if (DeviceTypeCode == 3) std::swap(magnitude.AxisZeroCodes[0], magnitude.AxisZeroCodes[2]);
}

bool VessamorChannel::CalibrateTwoPositions(bool fourth_channel) {
  const double mid = (static_cast<double>(p_Uz) + p_UD) * 0.5;
  const double half_span = std::fabs(p_UD - mid);
  // Two equal readings carry no span to scale by; the channel keeps the calibration it has.
  if (!(half_span > 0.0) || !std::isfinite(half_span)) return false;

  SetGain(1.0f);
  ZeroOffsetOn = 1;
  FineOffset = 0;
  FineOffsetOn = 0;

  const double gain = 9.81 / half_span;
  Gain = static_cast<float>(gain);
  GainSquared = static_cast<float>(gain * gain);
  CalibrationMid = static_cast<float>(mid);
  ZeroOffset = static_cast<float>(mid * gain);

  // The calibrated reading at the cursor must be a plausible acceleration, or the calibration is undone.
  if (View != nullptr && RawToValueFn != nullptr) {
    if (const ColumnRecord* record = ColumnAt(View->CursorColumn)) {
      const int shift = FractionalCodes != 0 ? 8 : 0;
      const float high = RawToValueFn(static_cast<std::int16_t>(record->MaxCode >> shift), this);
      const float low = RawToValueFn(static_cast<std::int16_t>(record->MinCode >> shift), this);
      const auto plausible = [](float v) { return v >= -200.0f && v <= 200.0f; };
      if (!plausible(high) || !plausible(low)) {
        CalibrationMid = 0.0f;
        ZeroOffsetOn = 0;
        ZeroOffset = 0.0f;
        SetGain(1.0f);
        RefreshMagnitudeZeroCodes();
        return false;
      }
    }
  }

  if (fourth_channel && View != nullptr) {
    VessamorChannel& magnitude = View->Channel(3);
    if (magnitude.ValueToRawFn != nullptr) {
      magnitude.SetGain(1.0f);
      magnitude.ZeroOffset = 0.0f;
      magnitude.ZeroOffsetOn = 0;
      magnitude.FineOffset = 0;
      magnitude.FineOffsetOn = 0;
    }
  }
  // Every axis calibration moves the magnitude's zero at once, not only the last axis's: a half-done
  // calibration keeps the magnitude true to the axes as they read.
  RefreshMagnitudeZeroCodes(fourth_channel);
  return true;
}

void VessamorChannel::ApplyOffsetHandOver() {
  if (SmoothingOn != 0) {
    if (CodeOffset == 0) {
      if (CodeOffsetOn != 0) {
        CodeOffsetOn = 0;
        FineOffsetOn = 1;
      }
    } else if (FineOffsetOn != 0) {
      CodeOffset = 0;
      CodeOffset2 = 0;
      CodeOffsetOn = 0;
    } else if (View == nullptr || View->RecordViewable == 0) {
      FineOffset = CodeOffset * 256;
      FineOffset2 = CodeOffset2 * 256;
      CodeOffset = 0;
      CodeOffset2 = 0;
      FineOffsetOn = 1;
    } else {
      // A shown record keeps its whole-code offsets until it is left.
      OffsetPending = 1;
    }
  } else {
    if (FineOffsetOn != 0) {
      CodeOffset = static_cast<std::int16_t>(FineOffset >> 8);
      CodeOffset2 = static_cast<std::int16_t>(FineOffset2 >> 8);
      CodeOffsetOn = 1;
    }
    OffsetPending = 0;
  }
}
