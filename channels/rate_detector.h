// State of the derived-rate detectors of a channel (pulse, radioactivity, breathing, rotation) and their hooks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class VessamorChannel;

// Hooks the sensor-kind set-up installs for the rate kinds.
using RateProcessFnType = void (*)(VessamorChannel* channel, std::uint32_t first, std::uint32_t last);
using RateInitFnType = void (*)(VessamorChannel* channel);
using RateValueAtFnType = float (*)(const VessamorChannel* channel, std::uint32_t entry);
using RateDisplayFnType = float (*)(const VessamorChannel* channel, std::uint16_t column);

// A turning point of the current window.
struct RateExtremum {
  std::uint8_t Type = 0;  // 0 valley, 1 peak
  float Value = 0.0f;
  float Amplitude = 0.0f;
  std::uint32_t Interval = 0;
  std::uint32_t Index = 0;
};

// A turn of the breathing signal: kind 0 minimum, 1 maximum.
struct BreathTurn {
  std::uint8_t Kind = 0;
  float Value = 0.0f;
  float Difference = 0.0f;
  std::uint32_t Distance = 0;
  std::uint32_t Index = 0;
};

// Breathing detector: 15-second steps, breaths found by a hysteresis on the signal. The entry of a
// step counts four per breath: in the first step the breaths so far, in a later one, once a second,
// the breaths of the last 15 seconds halved against the entry before. The batch is walked a whole
// second at a time, so where the reads end changes nothing.
struct BreathDetectorState {
  std::uint32_t StepLength = 0;  // samples; 0 keeps the detector off
  std::uint8_t StepStarted = 0;
  // Negative once a cyclic wrap has moved the step's start out of the present cycle.
  std::int64_t StepFirst = 0;
  std::uint32_t StepLast = 0;
  std::int32_t Lo = 0;
  std::int32_t Hi = 0;
  float Hysteresis = 0.5f;
  std::uint8_t Phase = 0;  // 0 looking for a rise, 1 looking for a fall
  float Max = 0.0f;
  std::uint32_t MaxIndex = 0;
  float Min = 0.0f;
  std::uint32_t MinIndex = 0;
  std::array<BreathTurn, 6> Turns{};
  std::int32_t TurnCount = 0;
  // The step's breaths, and those since the last whole second that changed the entry.
  std::int32_t StepCycles = 0;
  std::int32_t Accumulator = 0;
  // Breaths of the second under way, counted when it is whole.
  std::int32_t SecondCycles = 0;
  std::uint32_t LastSecondsMark = 1;
  // Counter k: the breaths since second k of the step before; 0 unused.
  std::array<std::uint16_t, 16> SecondCounters{};
  std::uint16_t LastEntry = 0;
  // The hysteresis has taken its first sample; it then runs on across batches and steps.
  std::uint8_t Primed = 0;
  // The sample of the latest maximum counted (negative once a cyclic wrap moved it back).
  std::int64_t LastMaximum = 0;
};

// A rotation rate and the sample at which it was measured.
struct RotationRingEntry {
  double Rate = 0.0;
  std::int64_t Index = 0;
};

// Rotation detector: pulses above code 1000, the rate written back into the codes as 8.8 fixed point.
struct RotationDetectorState {
  std::uint8_t StepStarted = 0;
  std::uint8_t Stopped = 0;  // set, the detector leaves the codes alone
  std::uint8_t InPulse = 0;
  std::uint8_t Ramp = 0;  // a rate is being written
  std::int64_t LastPulse = 0;
  std::int64_t PulseStart = 0;
  double PreviousRate = 0.0;
  double CurrentRate = 0.0;
  std::array<RotationRingEntry, 4> Ring{};
  std::uint8_t RingPos = 0;
  // Samples of the longest pulse interval that still gives a rate.
  std::uint32_t Window = 0;
  // Samples without a pulse after which the rate falls to 0: twice the last interval, at least half
  // a second and at most the window; the window while no rate stands.
  std::uint32_t Timeout = 0;
  std::int32_t HighestCode = 4095;
  float Threshold = 0.5f;
};

struct RateDetectorState {
  std::array<RateExtremum, 6> Extrema{};
  std::int32_t ExtremaCount = 0;
  float Rate = 0.0f;
  float Valley = 0.0f;
  std::uint32_t ValleyIndex = 0;
  float Peak = 0.0f;
  std::uint32_t PeakIndex = 0;
  float TurnThreshold = 0.5f;
  float BeatThreshold = 0.65f;
  std::int32_t Rising = 0;
  std::uint32_t WindowLength = 0;  // 0 keeps the pulse and radioactivity detectors off
  std::uint32_t Step = 1;
  float SecondsPerSample = 0.0f;
  std::array<float, 5> RecentRates{};
  std::uint8_t RecentRateIndex = 0;
  std::uint8_t RecentRatesFull = 0;
  std::uint8_t WindowStarted = 0;
  std::int32_t WindowMin = 0;
  std::int32_t WindowMax = 0;
  std::uint32_t WindowFill = 0;
  std::uint32_t WindowStart = 0;
  std::uint32_t WindowEnd = 0;
  std::uint32_t PauseEnd = 0;
  // One entry per window; HistoryCount wraps at History.size().
  std::vector<std::uint16_t> History;
  std::uint32_t HistoryCount = 0;
  // The history capacity a loaded record carries, saved with it again as it came; none for a record
  // measured here, whose capacity is its history's size.
  std::optional<std::uint32_t> CarriedCapacity;

  // Set by every init hook; the acquisition tick runs the init hook while it is clear.
  std::uint8_t Started = 0;
  // The radioactivity caption has a new completed window to show.
  std::uint8_t NewRate = 0;
  // The pulse counter of the radioactivity window has its starting point.
  std::uint8_t CountPrimed = 0;
  BreathDetectorState Breath;
  RotationDetectorState Rotation;

  // Entry i, or 0 when the history is empty or i lies beyond it.
  std::uint16_t Entry(std::uint32_t i) const { return i < History.size() ? History[i] : 0; }
  // Writes entry i; a write beyond the history (or into an empty one) is skipped.
  void SetEntry(std::uint32_t i, std::uint32_t value) {
    if (i < History.size()) History[i] = static_cast<std::uint16_t>(value > 0xFFFF ? 0xFFFF : value);
  }
  // Takes a count from outside (a record file): at most the history as sized here, which a full
  // history fills. A larger count is refused and the count becomes 0.
  bool AcceptHistoryCount(std::uint32_t count) {
    const bool valid = count <= History.size();
    HistoryCount = valid ? count : 0;
    return valid;
  }
};

// A window's rate as its history entry: rounded to nearest with ties to even, within 0..65535.
std::uint16_t RateHistoryEntry(float rate);

// Pulse kind (SensorCode 35; the blood-pressure kind carries the same hooks).
void PulseInit(VessamorChannel* channel);
void PulseProcess(VessamorChannel* channel, std::uint32_t first, std::uint32_t last);
float PulseValueAt(const VessamorChannel* channel, std::uint32_t entry);
float PulseDisplay(const VessamorChannel* channel, std::uint16_t column);
// Beats per minute over the samples a..b of the current window.
float DetectPulse(VessamorChannel* channel, std::uint32_t a, std::uint32_t b);

// Radioactivity kind (SensorCode 37).
void RadiationInit(VessamorChannel* channel);
void RadiationProcess(VessamorChannel* channel, std::uint32_t first, std::uint32_t last);
float RadiationValueAt(const VessamorChannel* channel, std::uint32_t entry);
float RadiationDisplay(const VessamorChannel* channel, std::uint16_t column);
// Pulses whose fall ends within a..b, the hysteresis carried on through the window.
std::uint16_t CountPulses(VessamorChannel* channel, std::uint32_t a, std::uint32_t b);

// Breathing kind (SensorCode 40).
void BreathRateInit(VessamorChannel* channel);
void BreathRateProcess(VessamorChannel* channel, std::uint32_t first, std::uint32_t last);
float BreathRateAt(const VessamorChannel* channel, std::uint32_t entry);
float BreathRateDisplay(const VessamorChannel* channel, std::uint16_t column);
// A breathing channel's set-up takes the window's choice, the rate (1) or the signal (any other),
// while one stands; with the choice cleared (0) the channel keeps what it showed.
void TakeBreathingChoice(VessamorChannel& channel);
// Maxima found in first..last; the step's span and the hysteresis carry on from sample to sample.
std::int32_t BreathFindTurns(VessamorChannel* channel, std::uint32_t first, std::uint32_t last);

// Rotation kinds (SensorCode 73 and 77).
// Pulses the kind's disc gives a revolution: 20 for the rotation set (73), 4 for the rotation sensor (77).
std::uint32_t RotationPulsesPerRevolution(std::uint16_t sensor_code);
// The longest pulse interval, in samples at `record_rate`, of a rotation as slow as the kinds'
// pages name (0.025 rev/s): 2 s for kind 73, 10 s for kind 77.
std::uint32_t RotationWindow(std::uint16_t sensor_code, std::uint32_t record_rate);
// How long a rate measured over `interval` samples stands without a further pulse: twice the
// interval, never below half a second and never beyond `window`.
std::uint32_t RotationTimeout(std::int64_t interval, std::uint32_t record_rate, std::uint32_t window);
void RotationInit(VessamorChannel* channel);
void RotationProcess(VessamorChannel* channel, std::uint32_t first, std::uint32_t last);
float RotationValueAt(const VessamorChannel* channel, std::uint32_t entry);
float RotationDisplay(const VessamorChannel* channel, std::uint16_t column);
std::uint32_t RotationPulses(VessamorChannel* channel, std::uint32_t first, std::uint32_t last);
void RotationFillRamp(VessamorChannel* channel, std::uint32_t up_to);

// A cyclic wrap starts the channel's samples again at 0. The detector first takes the samples of
// the ending cycle it has not seen (from `first` on), then moves its positions back by the cycle's
// length so its windows carry on; a pulse window, which needs its samples again at its end, starts
// afresh. History and recent rates stay.
void CarryRateDetectorOverWrap(VessamorChannel& channel, std::uint32_t first);

// Rotation kinds show the angular speed beside the revolutions a second: the value times 2π.
inline constexpr double kRadiansPerRevolution = 6.2831855;
inline const char* AngularSpeedUnit(bool english) { return english ? "rad/s" : "рад/сек"; }

// Flow kinds: the value hook is the volume between the markers of pair p.
float IntegrateBetweenMarkersHook(const VessamorChannel* channel, std::uint32_t pair);

// Hook sets, each installing all four hooks.
void InstallPulseHooks(VessamorChannel& channel);
void InstallRadiationHooks(VessamorChannel& channel);
void InstallBreathingHooks(VessamorChannel& channel);
void InstallRotationHooks(VessamorChannel& channel);
