// The step state of a sensor's preparation page: what is pending, which step it is, and the gas-law pairing.
#pragma once

#include <cstdint>
#include <string>

class FTRecordDevice;

struct PreparationState {
  // A step waits: armed by the action button, by a finished value input or on entry.
  std::uint8_t StepPending = 0;
  // The pending step is a capture (on entry or by button) rather than a typed value.
  std::uint8_t StepFromButton = 0;
  // The current step (0 = none done) and the kind's number of steps.
  std::uint8_t StepIndex = 0;
  std::uint8_t StepCount = 0;
  // The sensor button for which the step was armed.
  std::uint8_t StepButton = 0;
  std::int64_t LastPreparationTick = -1000000;
  std::uint8_t PreparedShown = 0;
  std::uint8_t PartialPaint = 0;
  std::uint8_t StepMade = 0;
  std::uint8_t ButtonImageDue = 0;
  // Raised by a finished value input.
  std::uint8_t ValueEntered = 0;
  // The gas-law pair: the first unit's button, serial number, location and slot, waiting for its partner.
  std::uint8_t PairPending = 0;
  std::uint8_t PairButton = 0;
  std::int8_t PairSlot = -1;
  std::int8_t PairIndex = -1;
  std::string PairSerial;
  std::uint32_t PairLocation = 0;
};

// Codes that are prepared on entry to their preparation page.
bool PreparedOnEntry(std::uint16_t sensor_code);
