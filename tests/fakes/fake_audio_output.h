// A headless audio output: scripted device presence, recorded opens and closes, a device that reads the loop.
#pragma once

#include <functional>
#include <vector>

#include "platform/audio_output.h"

struct FakeAudioOutput : platform::AudioOutput {
  bool Open(std::uint32_t rate) override { return ++Opens, Rate = rate, IsOpen = DeviceExists; }
  bool PlayLooped(std::span<const std::int16_t> samples, std::uint32_t) override { return Loop = samples, IsOpen; }
  void Close() override { Closes += IsOpen ? 1 : 0, IsOpen = false, Loop = {}; }
  void SetEndHandler(std::function<void()> handler) override { End = std::move(handler); }
  // What the device plays in `passes` passes: each reads one second, Rate samples from the loop's start.
  std::vector<std::int16_t> Play(int passes) const {
    std::vector<std::int16_t> out;
    for (int p = 0; p < passes; ++p) out.insert(out.end(), Loop.data(), Loop.data() + Rate);
    return out;
  }
  bool DeviceExists = true, IsOpen = false;
  std::uint32_t Rate = 0;
  int Opens = 0, Closes = 0;
  std::span<const std::int16_t> Loop;
  std::function<void()> End;
};
