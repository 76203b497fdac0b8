// A filter change from the settings panel while the device worker's tick filters the same channel.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "filter_panel_support.h"

namespace {

TEST(FilterPanelThreads, ChangesDuringARecordingTakeTheViewLockTheTickHolds) {
  FilterView fv;
  GraphView& view = fv.view;
  VessamorChannel& channel = view.Channel(2);
  channel.Enabled = 1;
  for (std::uint32_t i = 0; i < channel.CodeCapacity && i < 4000; ++i) channel.Codes[i] = static_cast<std::int16_t>(i % 97);
  view.SampleCount = 4000;
  view.Recording = 1;
  RecordingFilterWindow window;

  std::atomic<bool> stop{false};
  std::thread tick([&] {
    while (!stop.load()) {
      std::lock_guard<std::mutex> lock(view.ViewLock);
      view.RebuildColumnTable(1, 200);
    }
  });
  FilterPanelState panel;
  panel.Channel = 2;
  for (int i = 0; i < 200; ++i) {
    panel.MedianOn = i % 2 == 0;
    panel.MedianWindow = 3 + i % 7;
    panel.AveragingOn = i % 3 != 0;
    panel.AveragingWindow = 4 + i % 5;
    OnFilterPanelCommand(view, window, i % 2 == 0 ? 3 : 4, panel);
  }
  stop = true;
  tick.join();
  EXPECT_EQ(channel.MedianOn, 1);  // the last median item came at i = 198
  EXPECT_EQ(channel.MedianWindow, 3 + 198 % 7);
  EXPECT_FALSE(window.redraws.empty());
}

}  // namespace
