// The measurement screen's paint while recording: what the window shows of the view is the back buffer's picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "acquisition/device_status.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/unit_events.h"
#include "acquisition/worker_threads.h"
#include "app/main_window.h"
#include "platform/clock.h"
#include "platform/gdi.h"
#include "platform/headless_host.h"
#include "sim/bus.h"
#include "sim/d2xx.h"
#include "app/fed_measure_screen.h"

namespace {

using platform::WindowRect;

// A plain control that covers part of the plot with its colour.
class Cover final : public platform::Control {
 protected:
  void OnPaint(const platform::PaintContext& context) override {
    const WindowRect& r = context.clip;
    platform::FillRect(context.target, platform::Rect{r.left, r.top, r.right, r.bottom},
                       platform::Brush{platform::Colour{250, 0, 0, 255}});
  }
};

// The tick's clock, stepped a frame at a time: the value indicators move on it.
class FrameClock final : public UnitClock {
 public:
  std::uint32_t NowMs() override { return now; }
  void SleepMs(std::uint32_t ms) override { now += ms; }
  std::uint32_t now = 0;
};

// The window on the measurement screen with no unit on the bus, its four channels fed as the
// decoders would feed them and the tick run by hand.
class RecordingPaint : public ::testing::Test {
 protected:
  void SetUp() override {
    window = apptest::OpenFedMeasureScreen(host, clock, 10'000'000, &tick_clock);
    host.Window().UpdateNow();
  }
  void TearDown() override {
    window->View->TickClock = &SystemUnitClock();
    window->View->Recording = 0;
    host.Window().Close();
    window.reset();
    ResetDeviceStatus();
    ResetWorkerStatus();
  }
  // One tick's worth of samples, the tick's invalidation of the view, and the paint.
  void Frame(std::uint32_t samples) {
    GraphView& view = *window->View;
    for (std::uint32_t n = 0; n < samples; ++n) apptest::FeedSines(view, fed);
    tick_clock.now += 40;
    view.AcquisitionTick();
    window->InvalidateLocal(view.ViewRect);
    host.Pump();
    host.Window().UpdateNow();
  }
  // Rows of the plot where the window's pixels differ from the back buffer's, outside `skip`.
  int RowsDiffering(const WindowRect& skip = {}) {
    const platform::Surface& shown = host.Window().Pixels();
    const platform::Surface& buffer = *window->GetBackBufferDC();
    const PixelRect& plot = window->View->PlotRect;
    int rows = 0;
    for (int y = plot.Top; y < plot.Bottom; ++y) {
      for (int x = plot.Left; x < plot.Right; ++x) {
        if (!skip.IsEmpty() && x >= skip.left && x < skip.right && y >= skip.top && y < skip.bottom) continue;
        if (std::memcmp(shown.Row(y) + 4 * x, buffer.Row(y) + 4 * x, 4) != 0) {
          ++rows;
          break;
        }
      }
    }
    return rows;
  }

  platform::FakeClock clock;
  FrameClock tick_clock;
  platform::HeadlessHost host{platform::ScreenInfo{1366, 768, 32}, clock};
  std::unique_ptr<MainWindow> window;
  std::uint64_t fed = 0;
};

TEST_F(RecordingPaint, WindowShowsTheBackBufferOverScreensOfTheSweep) {
  // Several screens of the sweep, each frame adding a stripe; new screens repaint the whole view.
  const auto screen_start = [&] {
    std::lock_guard lock(window->View->ViewLock);
    return window->View->Sweep.ScreenStart;
  };
  double last = screen_start();
  int screens = 0;
  for (int frame = 0; frame < 6000 && screens < 2; ++frame) {
    Frame(150);
    ASSERT_EQ(RowsDiffering(), 0) << "frame " << frame;
    if (screen_start() != last) {
      last = screen_start();
      ++screens;
    }
  }
  EXPECT_EQ(screens, 2) << "the sweep never began new screens";
}

TEST_F(RecordingPaint, AControlThatGoesFromThePlotLeavesTheGraphBehind) {
  for (int k = 0; k < 5; ++k) Frame(150);
  const PixelRect& plot = window->View->PlotRect;
  // Over the plot's left part, away from the sweep's new columns.
  const WindowRect over{plot.Left + 10, plot.Top + 40, plot.Left + 90, plot.Top + 120};
  Cover cover;
  ASSERT_TRUE(cover.Create(host.Window(), 99001, over));
  cover.Show();
  Frame(150);
  EXPECT_EQ(RowsDiffering(over), 0);
  EXPECT_GT(RowsDiffering(), 0) << "the cover is not shown";
  cover.Hide();
  Frame(150);
  EXPECT_EQ(RowsDiffering(), 0);
  cover.Move({over.left + 200, over.top, over.right + 200, over.bottom});
  cover.Show();
  Frame(150);
  cover.Move(over);
  Frame(150);
  EXPECT_EQ(RowsDiffering(over), 0);
  cover.Destroy();
  Frame(150);
  EXPECT_EQ(RowsDiffering(), 0);
}

}  // namespace
