// The output's end notice from its own thread reaches the tone through the window core's queue.
#include <gtest/gtest.h>

#include <thread>

#include "app/test_tone.h"
#include "fakes/fake_audio_output.h"
#include "platform/window_core.h"

namespace {

struct QueueToneHost : TestToneHost {
  explicit QueueToneHost(platform::HostWindow& w) : window(w) {}
  void ShowToneMessage(std::string_view) override {}
  bool EnglishUi() const override { return false; }
  void PostToWindow(std::function<void()> call) override { window.Post(std::move(call)); }
  platform::HostWindow& window;
};

TEST(TestToneThreads, EndNoticeFromTheAudioThreadFinishesTheTone) {
  platform::FakeClock clock;
  platform::HostWindow window(8, 8, clock);
  QueueToneHost host(window);
  FakeAudioOutput output;
  TestTone tone(&output, host);
  tone.ToggleTestTone(0);
  std::thread([&] { output.End(); }).join();
  window.DrainQueue();
  EXPECT_EQ(tone.State(), TestTone::kFinished);
}

}  // namespace
