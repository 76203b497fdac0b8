// The analog dial's paints on a 1280 x 994 screen: the first (static picture built) and the following ones.
#include <benchmark/benchmark.h>

#include "channels/main_window_services.h"
#include "graph/dial_view.h"
#include "graph/graph_view.h"
#include "render/agg_ren.h"

namespace {

float Hundredths(std::int16_t code, const VessamorChannel*) { return code * 0.01f; }

struct DialBench {
  DialBench() {
    view.Init(100000, {0, 40, 1280, 900}, 0xFF, nullptr);
    VessamorChannel& ch = view.Channel(0);
    ch.Enabled = ch.Shown = 1;
    ch.RawToValueFn = &Hundredths;
    ch.FractionalCodes = 0;
    view.Recording = 1;
    view.LastSampleIndex = 10;
    view.Scale.BottomValue = -2.0;
    ren.Attach(back);
    view.Dial.SwitchToDialMode(view);
  }
  void Paint(std::int32_t code) {
    view.Channel(0).Columns[view.LastShownColumn].MaxCode = code;
    screen.NowMs += 250;
    view.Dial.Paint(ren, back, {0, 0, 1280, 994}, view, screen);
  }
  GraphView view;
  DialScreen screen{1280, 994, 1.0f, 1.0f, 1.0f, {0, 0, 1280, 994}, 954, 0};
  platform::Surface back{1280, 994};
  agg_ren ren;
};

void BM_DialFirstPaint(benchmark::State& state) {
  DialBench b;
  for (auto _ : state) {
    b.view.Dial.DialPrepared = 0;
    b.Paint(100);
  }
  state.SetItemsProcessed(state.iterations());
}
// The dial's paint with its static picture built afresh.
BENCHMARK(BM_DialFirstPaint)->Unit(benchmark::kMillisecond);

void BM_DialPaint(benchmark::State& state) {
  DialBench b;
  b.Paint(0);
  std::int32_t code = -200;
  for (auto _ : state) {
    b.Paint(code);
    code = code >= 200 ? -200 : code + 7;
  }
  state.SetItemsProcessed(state.iterations());
}
// A following paint of the dial, its pointer moved.
BENCHMARK(BM_DialPaint)->Unit(benchmark::kMillisecond);

}  // namespace
