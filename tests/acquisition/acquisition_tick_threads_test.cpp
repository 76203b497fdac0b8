// The acquisition tick on a worker thread while the window thread reads the columns under the view lock.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"

namespace {

TEST(AcquisitionTickThreads, WindowReadsConsistentColumnsWhileTheWorkerTicksAndWraps) {
  FakeMainWindow window;
  GraphView view;
  ASSERT_TRUE(view.Init(60000, PixelRect{0, 0, 1000, 800}, 0, &window));
  view.Continuous = 1;
  for (std::size_t k : {0u, 1u}) {
    view.Channel(k).Enabled = 1;
    view.Channel(k).SmoothingOn = 0;
    view.Channel(k).ConfigureFilter();
  }
  view.SetChannelFlags(4, 0);
  view.Recording = 1;
  view.ComputeStartIndexes();

  std::atomic<bool> done{false};
  std::atomic<bool> reader_ready{false};
  std::thread worker([&] {
    while (!reader_ready.load()) std::this_thread::yield();
    std::uint32_t i = 0;
    for (int pass = 0; pass < 400; ++pass) {
      // A decoder's frames; a full channel wraps the record as a unit does.
      for (int n = 0; n < 250; ++n, ++i) {
        for (std::size_t k : {0u, 1u}) {
          const auto code = static_cast<std::int16_t>(i % 4096);
          if (!view.Channel(k).AppendCode(code)) {
            view.Events().ResetRecordingBuffers();
            view.Channel(k).AppendCode(code);
          }
        }
      }
      view.AcquisitionTick();
    }
    done = true;
  });

  // What a paint reads: every drawn column within the samples that exist, extremes in order.
  std::uint64_t reads = 0;
  std::uint64_t bad = 0;
  // The reader looks at least once after the worker has begun, however the threads are scheduled.
  reader_ready = true;
  bool last_look = false;
  while (!last_look) {
    last_look = done.load();
    std::this_thread::yield();
    std::lock_guard<std::mutex> lock(view.ViewLock);
    const ColumnRecord* base = view.Channel(0).TimeBase;
    const std::uint16_t drawn = view.Sweep.LastDrawnColumn;
    if (drawn > view.PlotWidth) ++bad;
    for (std::uint16_t c = 1; c <= drawn && c <= view.PlotWidth; ++c) {
      if (base[c].FirstSample + base[c].SampleCount > view.SampleCount) ++bad;
      const ColumnRecord& record = view.Channel(1).Columns[c];
      if (record.MinCode > record.MaxCode) ++bad;
    }
    ++reads;
  }
  worker.join();
  EXPECT_EQ(bad, 0u);
  EXPECT_GT(reads, 0u);
  EXPECT_GT(window.InvalidateCount(), 0u);
}

}  // namespace
