// Signal generators: the 12-bit code a simulated sensor channel reads at a given time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sim {

enum class SignalShape { Constant, Ramp, Sine, Square, Noise, Burst };

// Level and Amplitude are in codes (0..4095); FrequencyHz is the ramp, sine or square repeat rate.
// A burst is the square for its first Seconds, then Level as long, over and over (a disc that turns
// and stops).
struct Signal {
  SignalShape Shape = SignalShape::Constant;
  double Level = 2048.0;
  double Amplitude = 0.0;
  double FrequencyHz = 1.0;
  std::uint64_t Seed = 1;
  double Seconds = 0.0;

  static Signal Constant(double level) { return {SignalShape::Constant, level, 0.0, 1.0, 1}; }
  static Signal Ramp(double low, double high, double hz) {
    return {SignalShape::Ramp, low, high - low, hz, 1};
  }
  static Signal Sine(double mid, double amplitude, double hz) {
    return {SignalShape::Sine, mid, amplitude, hz, 1};
  }
  static Signal Square(double low, double high, double hz) {
    return {SignalShape::Square, low, high - low, hz, 1};
  }
  static Signal Burst(double low, double high, double hz, double seconds) {
    return {SignalShape::Burst, low, high - low, hz, 1, seconds};
  }
  static Signal Noise(double mid, double amplitude, std::uint64_t seed) {
    return {SignalShape::Noise, mid, amplitude, 1.0, seed};
  }

  // The code of sample `index`, taken at `seconds` since the stream started; clamped to 12 bits.
  // Noise depends only on the seed and the index, so a run repeats exactly.
  std::uint16_t CodeAt(double seconds, std::uint64_t index) const;
};

// Parses "const=L", "ramp", "ramp=LOW,HIGH,HZ", "sine", "sine=MID,AMP,HZ", "square", "square=LOW,HIGH,HZ",
// "noise", "noise=MID,AMP,SEED", "burst=LOW,HIGH,HZ,SECONDS"; empty when the text is not one of them.
std::optional<Signal> ParseSignal(const std::string& text);

}  // namespace sim
