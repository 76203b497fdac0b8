// Requests made off the window thread: queued without blocking, carried out on the window thread.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/window_core.h"
#include "window_test_support.h"

namespace {

using platform::WindowRect;
using window_test::RecordingControl;

// Counts wake-ups, which may arrive from any thread.
class WakeCounter : public platform::HostBackend {
 public:
  void RequestUpdate(const WindowRect&) override {}
  void Present(const WindowRect&) override {}
  void WakeWindowThread() override { wakes.fetch_add(1); }
  void TimersChanged() override {}
  void SetCursor(platform::CursorShape) override {}
  void DestroyWindow() override {}
  std::atomic<int> wakes{0};
};

struct WindowQueueThreads : ::testing::Test {
  WindowQueueThreads() {
    host.SetHandler(&handler);
    host.SetBackend(&backend);
  }
  platform::FakeClock clock;
  platform::HostWindow host{320, 200, clock};
  window_test::RecordingHandler handler;
  WakeCounter backend;
};

TEST_F(WindowQueueThreads, InvalidateFromAnotherThreadIsQueuedAndPaintsOnTheWindowThread) {
  RecordingControl button;
  ASSERT_TRUE(button.Create(host, 75004, WindowRect::FromSize(10, 10, 40, 20)));
  host.UpdateNow();
  handler.paints.clear();
  std::thread worker([&] {
    host.Invalidate(WindowRect::FromSize(100, 50, 30, 30));
    button.Show();
    button.SetTimer(4, 33);
    host.UpdateNow();
  });
  worker.join();
  // Nothing has happened on the window's side yet; the window thread was woken once.
  EXPECT_EQ(backend.wakes.load(), 1);
  EXPECT_TRUE(handler.paints.empty());
  EXPECT_FALSE(button.IsVisible());
  host.DrainQueue();
  EXPECT_TRUE(button.IsVisible());
  EXPECT_EQ(host.MsUntilNextTimer(), 33);
  ASSERT_EQ(handler.paints.size(), 1u);
  EXPECT_EQ(handler.paints[0], (WindowRect{100, 50, 130, 80}));
  EXPECT_EQ(handler.paintThreads[0], std::this_thread::get_id());
}

TEST_F(WindowQueueThreads, ManyWorkersWhileTheWindowThreadDrains) {
  auto button = std::make_unique<RecordingControl>();
  ASSERT_TRUE(button->Create(host, 75004, WindowRect::FromSize(0, 0, 40, 20)));
  constexpr int kWorkers = 4, kRounds = 200;
  std::atomic<int> running{kWorkers};
  int ran = 0;  // touched only on the window thread
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&, w] {
      for (int i = 0; i < kRounds; ++i) {
        host.Invalidate(WindowRect::FromSize(w * 10, i % 100, 5, 5));
        if (i % 2) button->Show(); else button->Hide();
        button->Move(WindowRect::FromSize(i % 50, 0, 40, 20));
        host.Post([&] { ++ran; });
      }
      running.fetch_sub(1);
    });
  }
  while (running.load() > 0) {
    host.DrainQueue();
    host.UpdateNow();
  }
  for (auto& t : workers) t.join();
  std::thread([&] { button->SetTimer(1, 10); }).join();
  button.reset();  // calls still queued for it must not touch the freed control
  host.DrainQueue();
  host.UpdateNow();
  EXPECT_EQ(ran, kWorkers * kRounds);
  EXPECT_TRUE(host.Controls().empty());
  EXPECT_FALSE(host.MsUntilNextTimer().has_value());
  for (auto id : handler.paintThreads) EXPECT_EQ(id, std::this_thread::get_id());
}

}  // namespace
