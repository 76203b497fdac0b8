// The measurement screen's paint at 1920x1080 with four live channels and their value indicators: a full
// repaint, and one recording's stripe.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "acquisition/device_status.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/worker_threads.h"
#include "app/main_window.h"
#include "platform/clock.h"
#include "platform/headless_host.h"
#include "sim/bus.h"
#include "sim/d2xx.h"
#include "app/fed_measure_screen.h"

namespace {

// The window on the measurement screen with no unit on the bus; its four channels fed as the tick would be.
struct MeasureScreen {
  MeasureScreen() : host(platform::ScreenInfo{1920, 1080, 32}, clock) {
    // The simulated bus, empty: the channels are fed here, not by units.
    window = apptest::OpenFedMeasureScreen(host, clock, 40'000'000);
    Feed(3000);
    host.Window().UpdateNow();
  }
  ~MeasureScreen() {
    window->View->Recording = 0;
    host.Window().Close();
    window.reset();
  }
  void Feed(std::uint32_t samples) {
    GraphView& view = *window->View;
    for (std::uint32_t n = 0; n < samples; ++n) {
      apptest::FeedSines(view, fed);
      if (n % 100 == 99) view.AcquisitionTick();
    }
  }
  platform::FakeClock clock;
  platform::HeadlessHost host;
  std::unique_ptr<MainWindow> window;
  std::uint64_t fed = 0;
};

void BM_MeasureScreenFullRepaint(benchmark::State& state) {
  MeasureScreen screen;
  for (auto _ : state) {
    {
      std::lock_guard lock(screen.window->View->ViewLock);
      screen.window->View->Painting.ClearRequest = 1;
    }
    screen.window->FullRepaint = 1;
    screen.window->InvalidateLocal();
    screen.host.Window().UpdateNow();
    benchmark::DoNotOptimize(screen.host.Window().Pixels().Pixels());
  }
}
// A full repaint of the measurement screen with four live channels at 1920x1080.
BENCHMARK(BM_MeasureScreenFullRepaint)->Unit(benchmark::kMillisecond);

void BM_MeasureScreenRecordingStripe(benchmark::State& state) {
  MeasureScreen screen;
  for (auto _ : state) {
    screen.Feed(100);
    // As the tick asks: the view rectangle, not the toolbar round it.
    screen.window->InvalidateLocal(screen.window->View->ViewRect);
    screen.host.Window().UpdateNow();
    benchmark::DoNotOptimize(screen.host.Window().Pixels().Pixels());
  }
}
// 100 samples of each channel fed and ticked on this thread, then the view repainted as the tick asks.
BENCHMARK(BM_MeasureScreenRecordingStripe)->Unit(benchmark::kMillisecond);

}  // namespace
