// The window's scale changes and vertical pan while the device worker runs the acquisition tick.
#include <gtest/gtest.h>

#include <mutex>
#include <random>
#include <thread>
#include <vector>

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

TEST_F(GraphViewThreads, FittingFourLongChannelsSideBySideGivesEachChannelsOwnColumns) {
  // Four channels of 400000 samples: long enough for the fit to take them side by side.
  constexpr std::uint32_t kSamples = 400000;
  ASSERT_TRUE(view.Init(4 * kSamples, PixelRect{0, 0, 1100, 800}, 0, &window));
  view.TickClock = &clock;
  for (std::uint32_t k = 0; k < GraphView::kLiveChannels; ++k) view.Channel(k).Enabled = 1;
  view.SetChannelFlags(4, 0);
  std::mt19937 generator(7);
  std::normal_distribution<double> noise(0.0, 60.0);
  for (std::uint32_t k = 0; k < GraphView::kLiveChannels; ++k) {
    VessamorChannel& channel = view.Channel(k);
    ASSERT_GE(channel.CodeCapacity, kSamples);
    channel.RawToValueFn = &Hundredths;
    for (std::uint32_t i = 0; i < kSamples; ++i) {
      channel.Codes[i] = static_cast<std::int16_t>(2048 + 800 * ((i / 3000 + k) % 2) + noise(generator));
    }
    channel.CodeCount = kSamples;
    channel.RunMax = 3200;
    channel.RunMin = 1800;
    // Median 20, median 100 before a centred mean, a trailing RMS, and no filter.
    channel.MedianOn = k < 2 ? 1 : 0;
    channel.MedianWindow = k == 0 ? 20 : 100;
    channel.SmoothingOn = k == 1 || k == 2 ? 1 : 0;
    channel.SmoothingWindow = 20;
    channel.ConfigureFilter();
  }
  view.Channel(2).CentredSmoothing = 0;
  view.SampleCount = kSamples;
  view.LastSampleIndex = kSamples - 1;
  view.RecordRate = view.RateSetting = 10000;
  view.RecordViewable = 1;
  view.Scale.SecondsPerDivision = 0.0;
  view.SetScales(1.0f, 0.5f, 1);
  view.ShowFromStart(0.0);
  view.AutoScrollView();
  ASSERT_EQ(view.FitPending, 0);

  std::lock_guard lock(view.ViewLock);
  const std::uint16_t last = view.LastShownColumn;
  ASSERT_GT(last, 100);
  for (std::uint32_t k = 0; k < GraphView::kLiveChannels; ++k) {
    VessamorChannel& channel = view.Channel(k);
    const std::vector<ColumnRecord> fitted(channel.Columns + 1, channel.Columns + last + 1);
    // The same channel alone, from a fresh filter state.
    channel.ResetColumnReduction();
    channel.UpdateChannelColumns(1, last);
    for (std::uint16_t c = 1; c <= last; ++c) {
      ASSERT_EQ(fitted[c - 1].MaxCode, channel.Columns[c].MaxCode) << "channel " << k << " column " << c;
      ASSERT_EQ(fitted[c - 1].MinCode, channel.Columns[c].MinCode) << "channel " << k << " column " << c;
    }
  }
}

}  // namespace
