// The preparation page's step state and the reset of its value boxes' calibration.
#include "app/adjust_state.h"

#include "channels/sensor_kind_table.h"
#include "channels/vessamor_channel.h"

namespace {

// Kinds whose preparation step runs on entry, as if its button had been pressed.
bool PreparedOnEntry(std::uint16_t code) {
  const auto in = [code](std::uint16_t low, std::uint16_t high) { return code >= low && code <= high; };
  return in(0, 5) || code == 26 || code == 27 || code == 32 || code == 33 || code == 35 || in(37, 46) || in(51, 54) ||
         code == 57 || code == 59 || code == 64 || code == 65 || in(72, 74) || in(77, 80) || in(83, 87);
}

void ClearCalibration(VessamorChannel& channel, std::uint16_t code) {
  channel.CodeOffsetOn = 0;
  channel.FineOffsetOn = 0;
  channel.FineOffset2On = 0;
  channel.ZeroOffsetOn = 0;
  channel.ZeroOffset = 0.0f;
  channel.ZeroOffset2 = 0.0f;
  channel.CodeOffset = 0;
  channel.CodeOffset2 = 0;
  channel.FineOffset = 0;
  channel.FineOffset2 = 0;
  channel.EnteredValueSet = 0;
  channel.OffsetPending = 0;
  channel.SwapPending = 0;
  channel.SetGain(1.0f);
  // The two kinds with a second conversion go back to their first one.
  if (code == 26 || code == 27) {
    channel.RawToValueFn = ChooseConversion(SensorKindRowFor(code).Conversion, channel.DeviceTypeCode);
    channel.NoClamp = 0;
    channel.ScaleMappingPair = SensorKindRowFor(code).Axis;
  }
}

}  // namespace

void ResetAdjustState(PreparationSteps& steps, bool keep, std::uint16_t code, VessamorChannel* first_box,
                      VessamorChannel* second_box) {
  if (first_box != nullptr) {
    ClearCalibration(*first_box, code);
    first_box->AltConversion = 0;
  }
  if (second_box != nullptr) ClearCalibration(*second_box, code);
  if (keep) return;
  steps = PreparationSteps{};
  if (PreparedOnEntry(code)) {
    steps.StepPending = 1;
    steps.StepFromButton = 1;
  } else if (code == 6 || code == 19 || code == 34) {
    steps.StepCount = 1;
  }
}
