// Throughput of the conversions through a channel's function pointer: formulas, look-ups, fractional codes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "channels/calibration_tables.h"
#include "channels/conversions.h"
#include "channels/vessamor_channel.h"

namespace {

constexpr std::size_t kCodes = 1'000'000;

// A million 12-bit codes, a little beyond both ends now and then as a noisy unit sends them.
const std::vector<std::int16_t>& RawCodes() {
  static const std::vector<std::int16_t> codes = [] {
    std::vector<std::int16_t> out(kCodes);
    std::uint32_t state = 12345;
    for (std::int16_t& code : out) {
      state = state * 1664525u + 1013904223u;
      code = static_cast<std::int16_t>(static_cast<int>(state >> 20) - 8);  // -8..4087
    }
    return out;
  }();
  return codes;
}

// The same codes with 8 fractional bits, as the smoothing stores them.
const std::vector<std::int32_t>& FractionalCodes() {
  static const std::vector<std::int32_t> codes = [] {
    std::vector<std::int32_t> out(kCodes);
    const std::vector<std::int16_t>& raw = RawCodes();
    for (std::size_t i = 0; i < kCodes; ++i) {
      out[i] = raw[i] * 256 + static_cast<std::int32_t>(i % 256);
    }
    return out;
  }();
  return codes;
}

// A calibrated channel, so the members that read it take their full path.
void Calibrate(VessamorChannel& channel) {
  channel.Gain = 1.02f;
  channel.p_UD = 50.0f;
  channel.p_Uz = 4000.0f;
}

void ConvertRaw(benchmark::State& state, RawToValueFnType convert) {
  const std::vector<std::int16_t>& codes = RawCodes();
  VessamorChannel channel;
  Calibrate(channel);
  CalibrationTables::Instance();  // generated before timing
  benchmark::DoNotOptimize(convert);
  for (auto _ : state) {
    float sum = 0.0f;
    for (std::int16_t code : codes) {
      sum += convert(code, &channel);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kCodes));
}

void ConvertFractional(benchmark::State& state, RawToValueFnType convert) {
  const std::vector<std::int32_t>& codes = FractionalCodes();
  VessamorChannel channel;
  Calibrate(channel);
  CalibrationTables::Instance();
  benchmark::DoNotOptimize(convert);
  for (auto _ : state) {
    float sum = 0.0f;
    for (std::int32_t code : codes) {
      sum += ConvertFractionalCode(convert, code, &channel);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kCodes));
}

}  // namespace

// A million codes converted through the channel's function pointer: raw codes, then fractional ones.
BENCHMARK_CAPTURE(ConvertRaw, FormulaVolts, VoltsFromCode12)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertRaw, FormulaClampedForce, ForceFromCode12)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertRaw, FormulaFlowRoot, FlowFromCode12)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertRaw, FormulaAccelGain, Accel15FromCode12)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertRaw, FormulaOpticalDensity, OpticalDensityFromCode)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertRaw, LookupTemperature, LookupTable4096)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertRaw, LookupTenBit, LookupTable1024)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertFractional, FormulaVolts, VoltsFromCode12)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertFractional, LookupTemperature, LookupTable4096)->Unit(benchmark::kMillisecond);
