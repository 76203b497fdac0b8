// The test tone on the Qt audio output under the offscreen platform, with and without a device.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMediaDevices>

#include "fakes/fake_audio_output.h"
#include "platform/qt/lazy_audio_output.h"
#include "platform/qt/qt_audio_output.h"

namespace {

TEST(QtAudioOutputTest, LoopSourceWrapsThePassesAndEndsAfterTheLast) {
  const std::int16_t samples[] = {1, 2, 3};
  platform::qt::LoopSource source(samples, 2);
  std::int16_t out[8] = {};
  EXPECT_EQ(source.read(reinterpret_cast<char*>(out), 8), 8);  // across the join
  EXPECT_EQ(source.read(reinterpret_cast<char*>(out + 4), 16), 4);
  EXPECT_EQ(std::vector<std::int16_t>(out, out + 6), (std::vector<std::int16_t>{1, 2, 3, 1, 2, 3}));
  EXPECT_EQ(source.read(reinterpret_cast<char*>(out), 8), 0);
}

// The host's output loads its module from beside the program at the first open: beside this test
// there is none, and the tone tells the user as it does without a device.
TEST(QtAudioOutputTest, HostOutputWithoutItsModuleOpensNothing) {
  platform::qt::LazyAudioOutput output;
  FakeToneHost host;
  TestTone tone(&output, host);
  EXPECT_FALSE(tone.ToggleTestTone(0));
  EXPECT_FALSE(output.Loaded());
  EXPECT_EQ(tone.State(), TestTone::kIdle);
  EXPECT_EQ(host.messages, std::vector<std::string>{"Нет устройства вывода звука"});
  const std::int16_t samples[] = {1, 2};
  EXPECT_FALSE(output.PlayLooped(samples, 1));
  output.Close();
}

TEST(QtAudioOutputTest, WithADeviceTheSinkPlaysElseTheUserIsTold) {
  platform::qt::QtAudioOutput output;
  FakeToneHost host;
  TestTone tone(&output, host);
  if (QMediaDevices::audioOutputs().isEmpty()) {
    EXPECT_FALSE(tone.ToggleTestTone(0));
    EXPECT_EQ(tone.State(), TestTone::kIdle);
    EXPECT_EQ(host.messages, std::vector<std::string>{"Нет устройства вывода звука"});
    GTEST_SKIP() << "no audio output device: the 200 ms play was not tried";
  }
  ASSERT_TRUE(tone.ToggleTestTone(0));
  QElapsedTimer played;
  for (played.start(); played.elapsed() < 200;) QApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(tone.State(), TestTone::kPlaying);
  tone.ToggleTestTone(0);
  EXPECT_EQ(tone.State(), TestTone::kIdle);
}

}  // namespace
