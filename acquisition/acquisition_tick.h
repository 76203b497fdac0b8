// State of a running recording's sweep, the derived channels and the seams the acquisition tick calls.
#pragma once

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>

#include "channels/pixel_types.h"

// Redraw throttles of the tick: graph (display modes 2 and 3), other display modes, information picture.
inline constexpr std::uint32_t kGraphRedrawMs = 30;
inline constexpr std::uint32_t kOtherRedrawMs = 250;
inline constexpr std::uint32_t kPictureRedrawMs = 100;
// A preparation step's restart of the sweep waits this long for the units to settle.
inline constexpr std::uint32_t kSweepRestartMs = 200;
// A computed magnitude may exceed its axes' 12-bit codes (three axes at full scale give 5593), so
// it is bounded only by the largest code the buffer holds.
inline constexpr std::int32_t kMagnitudeCodeMax = 32767;
inline constexpr std::int32_t kMagnitudeZeroCode = 2048;
// A magnitude's code: trunc(√sum + zero) within zero..kMagnitudeCodeMax. A NaN or negative sum
// (a bad calibration) gives the zero code, so the conversion to 16 bits is always defined.
inline std::int16_t MagnitudeCode(double sum, double zero) {
  const double magnitude = std::sqrt(std::max(sum, 0.0)) + zero;
  if (std::isnan(magnitude)) return static_cast<std::int16_t>(zero);
  return static_cast<std::int16_t>(std::min(magnitude, double{kMagnitudeCodeMax}));
}

// Derived speed and acceleration codes: offset and range.
inline constexpr std::int32_t kDerivedZeroCode = 16000;
inline constexpr std::int32_t kDerivedCodeMax = 32000;
// A timed breathing recording lasts this many seconds.
inline constexpr std::uint32_t kTimedBreathSeconds = 20;
// Below this many samples per column the curve is drawn sample by sample.
inline constexpr double kFineDrawingSamples = 21.0;

// The running recording as the acquisition tick advances it. The sample indexes count the
// samples of the present cycle (a cyclic wrap starts them again at 0).
struct RecordingSweep {
  // Samples of a timed recording; 0 when the recording is not timed.
  std::uint32_t SampleLimit = 0;
  // The newest count before its last change.
  std::uint32_t PreviousSampleCount = 0;
  // First sample the per-sensor routines and the columns have not seen yet.
  std::uint32_t FirstUnprocessed = 0;
  // First sample the incoming-sample stage (derived channels, notch, band-pass) has not seen yet;
  // it runs up to the newest sample even while the columns are held back by a filter delay.
  std::uint32_t FirstUnfiltered = 0;
  // The newest count at the last graph redraw.
  std::uint32_t LastProcessedCount = 0;
  // Samples the last processing pass handed to the columns.
  std::uint32_t NewSamples = 0;
  // Whole part of the samples per column the last pass used.
  std::uint32_t WholeSamplesPerColumn = 1;
  // Complete columns on the present screen.
  std::uint32_t ColumnPosition = 0;
  std::uint16_t LastDrawnColumn = 1;
  std::uint16_t FirstRedrawColumn = 1;
  std::uint16_t LastRedrawColumn = 1;
  // Sample position of the screen's left edge, fraction included.
  double ScreenStart = 0.0;
  // Seconds at sample 0 of the present cycle, and at the screen's left edge.
  double CycleStartTime = 0.0;
  double TimeOrigin = 0.0;
  // The painter repaints every column (set with a new screen and with a redraw of new samples).
  std::uint8_t FullRedraw = 0;
  // Fewer than kFineDrawingSamples samples make a column.
  std::uint8_t FineDrawing = 0;
  // A loaded record shown with a fixed count; 0 when none.
  std::uint32_t FixedCount = 0;

  std::uint32_t LastRedrawTick = 0;
  std::uint8_t RedrawTickValid = 0;

  // Mirror of the bytes a unit received since the start or the last wrap.
  std::atomic<std::uint32_t> ReceivedBytes{0};

  // Written by the window thread, read by the device worker.
  std::atomic<std::uint8_t> GraphScreen{1};
  // The information picture shows its small live graph.
  std::atomic<std::uint8_t> InfoLiveGraph{0};
  // Held by the main window's dispatcher during a sensor-button command: the tick waits.
  std::atomic<std::uint8_t> TickHold{0};
  // Set by a preparation step with RestartTick: the sweep starts again at the newest sample.
  std::atomic<std::uint8_t> RestartPending{0};
  std::atomic<std::uint32_t> RestartTick{0};
  // Set for the information screen when its picture is to be drawn again.
  std::atomic<std::uint8_t> PictureRedraw{0};
  // The information panel's picture, and the dial area of display mode 4.
  PixelRect InfoPanelRect;
  PixelRect DialRect;
};

// Channels the tick computes itself: the magnitude of three accelerometer axes in channel 3, or
// speed and acceleration derived from a distance channel.
struct DerivedChannels {
  static constexpr std::uint8_t kMagnitudeChannel = 3;

  std::uint8_t MagnitudeOn = 0;
  std::uint8_t PairOn = 0;
  std::uint8_t PairSource = 0;
  // The speed and acceleration channels; the motion set-up names them.
  std::uint8_t SpeedChannel = 1;
  std::uint8_t AccelChannel = 2;
  // The source's previous value and the speed derived from it.
  double KeptValue = 0.0;
  double KeptSpeed = 0.0;
};

// Operations of the main window and of the recording start/stop that the tick and the unit
// events call. Each may be empty; the tick then skips it.
struct RecordingHooks {
  // Stops a running recording (never starts one); called without the view lock held.
  std::function<void()> RequestStopRecording;
  // On the information screens: releases the pressed sensor button and ends that page's measurement.
  std::function<void()> EndSensorPageMeasurement;
  // A unit closed while recording: tells the user which sensor it was (the recording has stopped).
  std::function<void(const std::string&)> UnitLost;
  // The pending calibration step of the preparation page.
  std::function<void()> ApplyPreparationStep;
};
