// Function types a channel stores to turn raw codes into values and to map values onto its axis.
#pragma once

#include <cstdint>

class VessamorChannel;

// Raw code to physical value; most conversions ignore the channel (it supplies gain, the no-clamp
// flag and the optical-density calibration values to those that need them).
using RawToValueFnType = float (*)(std::int16_t code, const VessamorChannel* channel);
// Physical value to raw code (accelerometers only).
using ValueToRawFnType = std::int32_t (*)(float value);
// Value to fraction of the kind's default axis (0 bottom, 1 top), or back.
using ScaleMapFnType = float (*)(const float* value);
// True when the value lies beyond the sensor's range.
using RangeCheckFnType = bool (*)(float value);

struct ScaleMapping {
  ScaleMapFnType Forward = nullptr;
  ScaleMapFnType Inverse = nullptr;
};
