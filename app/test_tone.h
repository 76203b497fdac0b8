// The 60 Hz test tone that F5 switches on and off: its one-second sample buffer and its state.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/audio_output.h"

// What the tone needs of the main window.
class TestToneHost {
 public:
  virtual ~TestToneHost() = default;
  // Window thread: a message box with the text.
  virtual void ShowToneMessage(std::string_view text) = 0;
  virtual bool EnglishUi() const = 0;
  // Any thread, never blocks: runs the call on the window thread (the window core's queue).
  virtual void PostToWindow(std::function<void()> call) = 0;
};

class TestTone {
 public:
  static constexpr std::uint8_t kIdle = 0;
  static constexpr std::uint8_t kPlaying = 1;
  static constexpr std::uint8_t kFinished = 2;  // the output ended by itself and is still open
  static constexpr std::uint32_t kDefaultRate = 44100;
  // No output device plays faster; a larger rate would only ask for a huge buffer.
  static constexpr std::uint32_t kMaxRate = 384000;
  static constexpr double kFrequency = 60.0;
  // About three years of one-second passes.
  static constexpr std::uint32_t kLoops = 100'000'000;

  // Window thread. Without an output every start reports the missing device.
  TestTone(platform::AudioOutput* output, TestToneHost& host);
  ~TestTone();
  TestTone(const TestTone&) = delete;
  TestTone& operator=(const TestTone&) = delete;

  // Window thread (F5 passes 0, the default rate): starts the tone when none plays, else stops
  // it. False when the output refused or the rate is above kMaxRate (the user is told that there is
  // no device for it; the tone stays idle).
  bool ToggleTestTone(std::int32_t rate);
  // Window thread, also on the program's close: silences and closes the output; idle after.
  void StopTestTone();

  std::uint8_t State() const { return shared_->state.load(std::memory_order_acquire); }
  std::span<const std::int16_t> Samples() const { return samples_; }

  // One second at `rate`: sample i = sin(i * 2 pi * 60 / rate) * 32767, truncated. At the default
  // rate that is exactly 60 periods, so the loop joins without a click.
  static void FillSamples(std::vector<std::int16_t>& samples, std::uint32_t rate);

 private:
  // Outlives the tone, so an end notice still queued after the tone has gone finds valid state.
  struct Shared {
    std::atomic<std::uint8_t> state{kIdle};
    std::atomic<std::uint32_t> play{0};  // counts starts; a notice of an older play is stale
  };
  bool FailStart();

  platform::AudioOutput* output_;
  TestToneHost& host_;
  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  std::vector<std::int16_t> samples_;
};
