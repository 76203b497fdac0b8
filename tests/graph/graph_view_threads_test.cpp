// The window's scale changes and vertical pan while the device worker runs the acquisition tick.
#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "review_fixture.h"

namespace {

using GraphViewThreads = ReviewFixture;

TEST_F(GraphViewThreads, ScaleChangesAndPanDuringARecordingShareTheViewLock) {
  ASSERT_TRUE(view.Init(400000, PixelRect{0, 0, 1000, 800}, 0, &window));
  view.TickClock = &clock;
  VessamorChannel& channel = view.Channel(0);
  channel.Enabled = view.Recording = view.Sweep.GraphScreen = 1;
  view.SetChannelFlags(4, 0);
  view.ComputeStartIndexes();

  constexpr std::uint32_t kBatches = 300;
  std::thread worker([&] {
    for (std::uint32_t b = 0; b < kBatches; ++b) {
      for (std::uint32_t i = 0; i < 200; ++i) channel.AppendCode(static_cast<std::int16_t>(i));
      clock.Now += 40;
      view.AcquisitionTick();
    }
  });
  for (int i = 0; i < 200; ++i) {
    view.SetTimeScale(i % 2 != 0 ? 0.5f : 1.0f);
    view.SetValueScale(i % 3 != 0 ? 0.25f : 0.5f);
    view.OnLButtonDown(GraphView::kLeftButton, 500, 300);
    view.OnMouseMove(GraphView::kLeftButton, 500, 300 + i % 7);
    view.OnLButtonUp(0, 500, 300);
    std::lock_guard lock(view.ViewLock);
    view.MoveInProgress = 0;  // as the paint that shows the move does
  }
  worker.join();
  std::lock_guard lock(view.ViewLock);
  EXPECT_EQ(view.SampleCount, kBatches * 200);
}

}  // namespace
