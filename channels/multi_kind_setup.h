// Set-up of the sensor kinds that span several channels, write another kind's code, set high rates or install rate hooks.
#pragma once

#include <cstddef>
#include <cstdint>

class GraphView;

// What one set-up call concerns, settled before any channel is written.
struct SensorSetupTarget {
  std::uint16_t Kind = 0;
  std::size_t Channel = 0;
  bool RequestPending = false;
  // The two-quantity kinds also set up the further requested channels.
  bool SecondChannelOn = false;
  bool English = false;
};

// Kinds 11, 20 to 23, 25, 42, 51, 80 and 88: a quantity and, on the second requested channel, its partner.
void SetupTwoQuantityKind(GraphView& view, const SensorSetupTarget& target);
// Kinds 7 and 8: the three axes and their sum on all four live channels.
void SetupAccelerometer(GraphView& view, const SensorSetupTarget& target);
// Kind 45: gas volume and, on the second channel, its temperature.
void SetupGasVolume(GraphView& view, const SensorSetupTarget& target);
// Kinds 48 and 49: flow on the channel and on every further requested channel.
void SetupFlow(GraphView& view, const SensorSetupTarget& target);
// Kinds 52, 55, 56 and 57: distance with derived speed and acceleration channels.
void SetupMotion(GraphView& view, const SensorSetupTarget& target);
// Kinds 44, 78 and 79: sound and timing signals sampled at high rates.
void SetupHighRateSignal(GraphView& view, const SensorSetupTarget& target);
// Kinds 35, 37, 39, 40, 73 and 77: the rate kinds with their detector hooks.
void SetupRateKind(GraphView& view, const SensorSetupTarget& target);
