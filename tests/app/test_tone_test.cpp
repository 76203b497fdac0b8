// Tests of the test tone: its one-second buffer, and toggling, failing, finishing and closing on a fake output.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>

#include "app/test_tone.h"
#include "fakes/fake_audio_output.h"

namespace {

struct RecordingToneHost : TestToneHost {
  void ShowToneMessage(std::string_view text) override { messages.emplace_back(text); }
  bool EnglishUi() const override { return english; }
  void PostToWindow(std::function<void()> call) override { queued.push_back(std::move(call)); }
  void Drain() {
    for (auto& call : std::exchange(queued, {})) call();
  }
  bool english = false;
  std::vector<std::string> messages;
  std::vector<std::function<void()>> queued;
};

TEST(TestToneBuffer, OneSecondOfSixtyWholePeriodsThatLoopsWithoutAClick) {
  std::vector<std::int16_t> s;
  TestTone::FillSamples(s, 44100);
  ASSERT_EQ(s.size(), 44100u);
  int largest_step = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    EXPECT_EQ(s[i], static_cast<std::int16_t>(std::sin(i * 2.0 * std::numbers::pi * 60.0 / 44100.0) * 32767.0));
    if (i > 0) largest_step = std::max(largest_step, std::abs(s[i] - s[i - 1]));
  }
  for (std::size_t k = 0; k < 60; ++k) EXPECT_LE(std::abs(s[735 * k]), 1) << k;
  EXPECT_LE(std::abs(s.front() - s.back()), largest_step);
}

class TestToneOnFake : public ::testing::Test {
 protected:
  FakeAudioOutput output;
  RecordingToneHost host;
  TestTone tone{&output, host};
};

TEST_F(TestToneOnFake, ToggleStartsStopsAndStartsAfreshFromTheFirstSample) {
  const std::uint8_t expected[] = {TestTone::kPlaying, TestTone::kIdle, TestTone::kPlaying};
  for (std::uint8_t state : expected) {
    EXPECT_TRUE(tone.ToggleTestTone(0));
    EXPECT_EQ(tone.State(), state);
    EXPECT_EQ(output.IsOpen, state == TestTone::kPlaying);
  }
  EXPECT_EQ(output.Rate, TestTone::kDefaultRate);
  EXPECT_EQ(output.Loop.data(), tone.Samples().data());
  EXPECT_EQ(output.Play(1).front(), 0);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(TestToneOnFake, NoDeviceLeavesTheToneIdleWithOneMessagePerPress) {
  output.DeviceExists = false;
  EXPECT_FALSE(tone.ToggleTestTone(0));
  EXPECT_EQ(tone.State(), TestTone::kIdle);
  host.english = true;
  EXPECT_FALSE(tone.ToggleTestTone(0));
  EXPECT_EQ(host.messages, (std::vector<std::string>{"Нет устройства вывода звука", "No audio output device"}));
  RecordingToneHost silent;
  TestTone without_audio(nullptr, silent);
  EXPECT_FALSE(without_audio.ToggleTestTone(0));
  EXPECT_EQ(silent.messages.size(), 1u);
}

TEST_F(TestToneOnFake, FinishedToneReopensAndStaleEndNoticesAreDropped) {
  tone.ToggleTestTone(0);
  output.End();
  EXPECT_EQ(tone.State(), TestTone::kPlaying);  // not before the window thread runs it
  host.Drain();
  EXPECT_EQ(tone.State(), TestTone::kFinished);
  EXPECT_TRUE(tone.ToggleTestTone(0));
  EXPECT_EQ(tone.State(), TestTone::kPlaying);
  EXPECT_EQ(output.Closes, 1);
  EXPECT_EQ(output.Opens, 2);
  output.End();  // ends just as the user stops it
  tone.ToggleTestTone(0);
  host.Drain();
  EXPECT_EQ(tone.State(), TestTone::kIdle);
}

TEST_F(TestToneOnFake, OtherRatesPlayInsideTheirBufferAndCloseStopsThePlay) {
  for (std::int32_t rate : {96000, 8000, 65536}) {
    tone.ToggleTestTone(rate);
    ASSERT_EQ(output.Rate, static_cast<std::uint32_t>(rate));
    EXPECT_EQ(output.Play(2).size(), 2u * rate);  // reads one second a pass; the sanitizers watch the buffer
    tone.StopTestTone();
    EXPECT_FALSE(output.IsOpen);
  }
  {
    TestTone closing{&output, host};
    closing.ToggleTestTone(0);
  }
  EXPECT_FALSE(output.IsOpen);
}

}  // namespace
