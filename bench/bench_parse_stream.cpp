// Throughput of the two-byte frame decoder on clean frames and on a stream with 1% stray bytes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "acquisition/device_status.h"
#include "acquisition/ft_record_device.h"
#include "channels/vessamor_channel.h"

namespace {

constexpr std::uint32_t kBufferBytes = FTRecordDevice::kReceiveBufferSize;

// A full receive buffer of frames for four channels; `stray_percent` of the bytes are stray ones.
std::vector<std::uint8_t> MakeStream(int stray_percent) {
  std::mt19937 random(7);
  std::vector<std::uint8_t> bytes;
  bytes.reserve(kBufferBytes);
  std::uint32_t sample = 0;
  while (bytes.size() + 2 <= kBufferBytes) {
    // A stray byte in place of about one frame in fifty makes the strays one byte in a hundred.
    if (static_cast<int>(random() % 100) < 2 * stray_percent) {
      bytes.push_back(static_cast<std::uint8_t>(0x80 | (random() & 0x7F)));
      continue;
    }
    const int channel = static_cast<int>(sample % 4);
    const std::uint16_t code = static_cast<std::uint16_t>((sample * 37) & 0x0FFF);
    bytes.push_back(static_cast<std::uint8_t>(code & 0x7F));
    bytes.push_back(static_cast<std::uint8_t>((channel << 5) | (code >> 7)));
    ++sample;
  }
  return bytes;
}

void ParseStream(benchmark::State& state) {
  const std::vector<std::uint8_t> stream = MakeStream(static_cast<int>(state.range(0)));
  std::vector<std::uint8_t> buffer(stream.size());
  std::uint32_t fill = 0;
  std::vector<std::int16_t> codes(4 * kBufferBytes);
  VessamorChannel channels[4];
  FTRecordDevice unit;
  unit.SetReceiveBuffer(buffer.data(), &fill);
  for (int i = 0; i < 4; ++i) {
    channels[i].Codes = codes.data() + i * kBufferBytes;
    channels[i].CodeCapacity = kBufferBytes;
    channels[i].TrackingOn = 1;
    unit.BindChannel(static_cast<std::size_t>(i), &channels[i]);
  }
  for (auto _ : state) {
    state.PauseTiming();
    std::copy(stream.begin(), stream.end(), buffer.begin());
    fill = static_cast<std::uint32_t>(stream.size());
    for (VessamorChannel& channel : channels) channel.CodeCount = 0;
    unit.ResyncCount = 0;
    state.ResumeTiming();
    unit.ParseStream();
    benchmark::DoNotOptimize(channels[0].CodeCount);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(stream.size()));
  state.counters["stray_bytes"] = static_cast<double>(unit.ResyncCount);
  state.counters["buffer_bytes"] = static_cast<double>(stream.size());
}

}  // namespace

// One full receive buffer of four-channel frames decoded, clean and with 1% stray bytes.
BENCHMARK(ParseStream)->Arg(0)->ArgName("stray_percent")->Arg(1);
