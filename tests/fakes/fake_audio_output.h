// A headless audio output: scripted device, a device reading the loop; a tone host.
#pragma once

#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "app/test_tone.h"
#include "platform/audio_output.h"

struct FakeAudioOutput : platform::AudioOutput {
  bool Open(std::uint32_t rate) override { return ++Opens, Rate = rate, IsOpen = DeviceExists; }
  bool PlayLooped(std::span<const std::int16_t> samples, std::uint32_t) override { return Loop = samples, IsOpen; }
  void Close() override { Closes += IsOpen ? 1 : 0, IsOpen = false, Loop = {}; }
  void SetEndHandler(std::function<void()> handler) override { End = std::move(handler); }
  // The device reads one second a pass: Rate samples from the loop's start.
  long PlayPass() const { return std::accumulate(Loop.data(), Loop.data() + Rate, 0L); }
  bool DeviceExists = true, IsOpen = false;
  std::uint32_t Rate = 0;
  int Opens = 0, Closes = 0;
  std::span<const std::int16_t> Loop;
  std::function<void()> End;
};

// Records the messages; posted calls wait for Drain, as on the window thread's queue.
struct FakeToneHost : TestToneHost {
  void ShowToneMessage(std::string_view text) override { messages.emplace_back(text); }
  bool EnglishUi() const override { return english; }
  void PostToWindow(std::function<void()> call) override { queued.push_back(std::move(call)); }
  void Drain() { for (auto& call : std::exchange(queued, {})) call(); }
  bool english = false;
  std::vector<std::string> messages;
  std::vector<std::function<void()>> queued;
};
