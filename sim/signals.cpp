// Signal generators of the simulated sensor channels.
#include "sim/signals.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace sim {

namespace {

std::uint64_t SplitMix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

double Phase(double seconds, double hz) {
  double cycles = seconds * hz;
  return cycles - std::floor(cycles);
}

}  // namespace

std::uint16_t Signal::CodeAt(double seconds, std::uint64_t index) const {
  double value = Level;
  switch (Shape) {
    case SignalShape::Constant:
      break;
    case SignalShape::Ramp:
      value = Level + Amplitude * Phase(seconds, FrequencyHz);
      break;
    case SignalShape::Sine:
      value = Level + Amplitude * std::sin(2.0 * std::numbers::pi * Phase(seconds, FrequencyHz));
      break;
    case SignalShape::Square:
      value = Phase(seconds, FrequencyHz) < 0.5 ? Level : Level + Amplitude;
      break;
    case SignalShape::Burst:
      value = Seconds > 0.0 && Phase(seconds, 0.5 / Seconds) >= 0.5 ? Level
              : Phase(seconds, FrequencyHz) < 0.5                  ? Level
                                                                   : Level + Amplitude;
      break;
    case SignalShape::Noise: {
      double unit = static_cast<double>(SplitMix(Seed ^ SplitMix(index)) >> 11) * 0x1.0p-53;
      value = Level + Amplitude * (2.0 * unit - 1.0);
      break;
    }
  }
  return static_cast<std::uint16_t>(std::clamp(std::lround(value), 0l, 4095l));
}

std::optional<Signal> ParseSignal(const std::string& text) {
  std::string name = text.substr(0, text.find('='));
  std::vector<double> args;
  if (name.size() < text.size()) {
    std::string rest = text.substr(name.size() + 1);
    size_t start = 0;
    while (start <= rest.size()) {
      size_t comma = rest.find(',', start);
      std::string part = rest.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      // Read the same whatever the user's locale: a point is the decimal separator.
      double number = 0.0;
      const char* end = part.data() + part.size();
      const auto [stop, error] = std::from_chars(part.data(), end, number);
      if (error != std::errc() || stop != end) return std::nullopt;
      args.push_back(number);
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }
  auto arg = [&](size_t i, double fallback) { return i < args.size() ? args[i] : fallback; };
  if (name == "const" && args.size() == 1) return Signal::Constant(args[0]);
  if (name == "burst" && args.size() == 4 && args[3] > 0.0) return Signal::Burst(args[0], args[1], args[2], args[3]);
  if (args.size() != 0 && args.size() != 3) return std::nullopt;
  if (name == "ramp") return Signal::Ramp(arg(0, 0.0), arg(1, 4095.0), arg(2, 0.5));
  if (name == "sine") return Signal::Sine(arg(0, 2048.0), arg(1, 1500.0), arg(2, 1.0));
  if (name == "square") return Signal::Square(arg(0, 1024.0), arg(1, 3072.0), arg(2, 1.0));
  if (name == "noise") {
    // A seed is a whole number of 64 bits; anything else (negative, too large, NaN) does not parse.
    const double seed = arg(2, 1.0);
    if (!(seed >= 0.0 && seed < 0x1.0p64) || seed != std::trunc(seed)) return std::nullopt;
    return Signal::Noise(arg(0, 2048.0), arg(1, 200.0), static_cast<std::uint64_t>(seed));
  }
  return std::nullopt;
}

}  // namespace sim
