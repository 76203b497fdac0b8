// Tests of the test tone: its one-second buffer, and toggling, failing, finishing and closing on a fake output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <thread>

#include "fakes/fake_audio_output.h"

namespace {

TEST(TestToneBuffer, OneSecondOfSixtyWholePeriodsThatLoopsWithoutAClick) {
  std::vector<std::int16_t> s;
  TestTone::FillSamples(s, 44100);
  ASSERT_EQ(s.size(), 44100u);
  for (std::size_t k = 0; k < 60; ++k) EXPECT_LE(std::abs(s[735 * k]), 1) << k;
  // The join from the last sample to the first is no larger than a step inside the period.
  EXPECT_LE(std::abs(s.front() - s.back()), std::abs(s[1] - s[0]));
}

struct TestToneOnFake : ::testing::Test {
  FakeAudioOutput output;
  FakeToneHost host;
  TestTone tone{&output, host};
};

TEST_F(TestToneOnFake, ToggleStartsStopsAndStartsAfreshFromTheFirstSample) {
  for (std::uint8_t state : {TestTone::kPlaying, TestTone::kIdle, TestTone::kPlaying}) {
    EXPECT_TRUE(tone.ToggleTestTone(0));
    EXPECT_EQ(tone.State(), state);
    EXPECT_EQ(output.IsOpen, state == TestTone::kPlaying);
  }
  EXPECT_EQ(output.Rate, TestTone::kDefaultRate);
  EXPECT_EQ(output.PlayPass(), 0);  // whole periods
}

TEST_F(TestToneOnFake, FinishedToneReopensAndAStaleEndNoticeIsDropped) {
  tone.ToggleTestTone(0);
  std::thread([&] { output.End(); }).join();  // the audio service's own thread
  EXPECT_EQ(tone.State(), TestTone::kPlaying);  // until the window thread runs the notice
  host.Drain();
  EXPECT_EQ(tone.State(), TestTone::kFinished);
  EXPECT_TRUE(tone.ToggleTestTone(0));
  EXPECT_EQ(tone.State(), TestTone::kPlaying);
  EXPECT_EQ(output.Opens - output.Closes, 1);
  output.End();  // ends just as the user stops it
  tone.ToggleTestTone(0);
  host.Drain();
  EXPECT_EQ(tone.State(), TestTone::kIdle);
}

TEST_F(TestToneOnFake, OtherRatesPlayInsideTheirBufferFailuresStayIdleAndCloseStopsThePlay) {
  for (std::int32_t rate : {96000, 65536}) {
    tone.ToggleTestTone(rate);
    output.PlayPass();  // the sanitizers watch the buffer
    tone.StopTestTone();
    EXPECT_FALSE(output.IsOpen);
  }
  // A rate no device plays, or no device: idle, and one message per press in the window's language.
  EXPECT_FALSE(tone.ToggleTestTone(1 << 30));
  output.DeviceExists = false;
  host.english = true;
  EXPECT_FALSE(tone.ToggleTestTone(0));
  EXPECT_EQ(tone.State(), TestTone::kIdle);
  EXPECT_EQ(host.messages, (std::vector<std::string>{"Нет устройства вывода звука", "No audio output device"}));
  output.DeviceExists = true;
  std::optional<TestTone> closing(std::in_place, &output, host);
  closing->ToggleTestTone(0);
  closing.reset();
  EXPECT_FALSE(output.IsOpen);
}

}  // namespace
