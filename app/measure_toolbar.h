// Rules of the measurement toolbar's commands that need no window: the sampling rate, the scale limits,
// how many channel record buttons a slot presses.
#pragma once

#include <cstdint>
#include <span>

class VessamorChannel;
struct DeviceSlot;

// The rate slider's lowest mark, in hertz.
inline constexpr std::uint32_t kLowestSliderRate = 100;

// The rate slider's value (kHz) as hertz: rounded to the nearest hertz, never below the lowest mark.
std::uint32_t RateFromSlider(float kilohertz);
// A scale slider's value raised to its limit; with a limit of 0, to the slider's smallest step.
float ClampScale(float value, float limit, float smallest_step);
// The smallest positive step of a slider's segments, 0 when it has none.
float SmallestStep(std::span<const float> steps);
// Channel record buttons to press: with a loaded record, the slot's channels whose reference channel
// of the same index was shown when saved; else the slot's active channels. At most 4.
std::uint8_t CountRecordButtons(const DeviceSlot& slot, std::span<const VessamorChannel* const> references,
                                bool record_loaded);
