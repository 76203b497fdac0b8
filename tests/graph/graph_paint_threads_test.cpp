// The graph painting on the window thread while the acquisition tick runs four channels at 25 kHz.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "fakes/fake_paint_host.h"

namespace {

class WorkerClock : public UnitClock {
 public:
  std::uint32_t NowMs() override { return Now.load(); }
  void SleepMs(std::uint32_t ms) override { Now += ms; }
  std::atomic<std::uint32_t> Now{0};
};

TEST(GraphPaintThreads, PaintsWhileTheTickRunsFourChannelsAt25kHz) {
  FakePaintWindow window(1280, 994);
  WorkerClock clock;
  GraphView view;
  view.TickClock = &clock;
  ASSERT_TRUE(view.Init(2000000, window.GraphRect(), 0xFF, &window));
  view.PaintHost = &window;
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) view.Channel(k).Enabled = view.Channel(k).SavedShown = 1;
  view.SetChannelFlags(4, 0);
  view.RateSetting = view.RecordRate = 25000;
  view.SetScales(0.01f, 0.5f, 1);
  view.Recording = 1;
  view.ComputeStartIndexes();

  // The device worker: 10 ms of samples per poll, as a decoder writes them, then the tick; every 50
  // polls it lets a paint begin before it goes on (a watchdog against hangs only).
  std::atomic<bool> done{false};
  std::atomic<int> paints{0};
  std::thread worker([&] {
    for (std::uint32_t poll = 0; poll < 150; ++poll) {
      for (std::uint32_t n = 0; n < 4 * 250; ++n) {
        view.Channel(n / 250).AppendCode(static_cast<std::int16_t>(2048 + 1000 * std::sin((poll * 250 + n) * 0.01)));
      }
      clock.SleepMs(10);
      view.AcquisitionTick();
      if (poll % 50 == 0) {
        const int seen = paints.load();
        for (int k = 0; k < 60000 && paints.load() == seen; ++k) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    done = true;
  });
  while (!done.load()) {
    view.Paint();
    ++paints;
  }
  worker.join();
  view.Paint();
  EXPECT_GE(paints.load(), 3);  // paints came between the ticks
  EXPECT_LE(view.Painting.PaintedLast, view.PlotWidth);
  // The newest column is on the screen (the channels without a conversion lie on one line, the last on top).
  const std::int32_t x = view.PlotRect.Left + view.Painting.PaintedLast - 2;
  EXPECT_EQ(window.Picture().GetPixel(x, view.Scale.ZeroLinePixel), (platform::Colour{0, 255, 24, 255}));
}

}  // namespace
