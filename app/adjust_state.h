// The preparation page's step state and the reset of its value boxes' calibration.
#pragma once

#include <cstdint>

class VessamorChannel;

struct PreparationSteps {
  std::uint8_t StepPending = 0;
  std::uint8_t StepFromButton = 0;
  std::uint8_t StepIndex = 0;
  std::uint8_t StepCount = 0;
};

// Clears the calibration of the shown value boxes' channels (null: no such box); without `keep`
// the steps restart as the sensor kind `code` prepares: on entry, by count, or not at all.
void ResetAdjustState(PreparationSteps& steps, bool keep, std::uint16_t code, VessamorChannel* first_box,
                      VessamorChannel* second_box);
