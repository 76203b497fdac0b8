// The device worker's tick writes columns of four channels at 25 kHz while the window runs preparation steps, rebuilds the panel with its value boxes and plots the mini-graph.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"
#include "info/info_panel.h"
#include "preparation_fakes.h"
#include "render/agg_ren.h"
#include "resources/bitmaps.h"
#include "sim/signals.h"

namespace {

TEST(MiniGraphThreads, TickWritesColumnsWhileThePictureIsPainted) {
  FakeMainWindow window;
  GraphView view;
  ASSERT_TRUE(view.Init(800000, PixelRect{0, 0, 1000, 800}, 0, &window));
  platform::Surface back(1280, 994);
  const platform::Surface computer = LoadBitmapResource(50058, false);
  agg_ren renderer;
  renderer.Attach(back);
  DeviceSlot slot;
  for (std::size_t k = 0; k < 4; ++k) slot.Channels[k] = &view.Channel(k);
  InfoPanel panel(InfoPanel::kPreparation,
                  {&back, &renderer, 1.0f, 1.0f, 1.0f, {300, 100, 1200, 900},
                   [&](int element) { return element == kComputerElement ? &computer : nullptr; }, false, &view,
                   &window.Bytes, [](GraphView& v) {
                     v.SetupChannels(v.SetupRequest.SetupRequestCount, v.SetupRequest.SetupRequestChannels[0]);
                     v.Scale.TopValue = 4.0;
                     v.SetScales(0.1f, 0.5f, 1);
                   }});
  panel.Slot = &slot;
  panel.SensorCode = 20;
  panel.BindValueBoxes(nullptr, &view.Channel(0), &view.Channel(1));
  ResetPreparationPage(panel);
  panel.PcScreenState = panel.FirstChannelSetPending = 1;
  // The first paint sets the small graph up before the recording starts.
  panel.PrepareScreenPaint();
  panel.RebuildScreen();
  ASSERT_EQ(view.MiniGraph.SetUp, 1);
  view.SetKindRate(25000);
  view.Recording = 1;
  view.ComputeStartIndexes();

  std::atomic<bool> done{false};
  std::thread worker([&] {
    const sim::Signal signals[] = {sim::Signal::Sine(2048, 1500, 3.0), sim::Signal::Ramp(100, 4000, 2.0),
                                   sim::Signal::Square(500, 3500, 5.0), sim::Signal::Noise(2048, 800, 7)};
    // Two seconds at 25 kHz in 10 ms batches, each decoded and then ticked.
    for (std::uint64_t n = 0; n < 50000;) {
      for (int i = 0; i < 250; ++i, ++n) {
        for (std::size_t k = 0; k < 4; ++k) view.Channel(k).AppendCode(static_cast<std::int16_t>(signals[k].CodeAt(n / 25000.0, n)));
      }
      view.AcquisitionTick();
    }
    done = true;
  });
  FakePreparationHost host;
  for (int paints = 0; !done.load() || paints < 5; ++paints) {
    host.now += 151;
    if (paints == 3) PressActionButton(panel);
    ApplyPreparationStep(panel, view, host);
    panel.PrepareScreenPaint();
    panel.RebuildScreen();
    view.PlotDeviceChannelCurves(renderer, panel.Grid, 1, 4000);
  }
  worker.join();
  EXPECT_EQ(host.prepared.size(), 1u);
  EXPECT_EQ(panel.Box2.Shown, 1);
  std::lock_guard<std::mutex> lock(view.ViewLock);
  EXPECT_EQ(view.SampleCount, 50000u);
}

}  // namespace
