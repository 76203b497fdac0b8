// The device worker's tick writes columns of four channels at 25 kHz while the window rebuilds the panel and plots the mini-graph.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"
#include "info/info_panel.h"
#include "render/agg_ren.h"
#include "resources/bitmaps.h"
#include "sim/signals.h"

namespace {

float Millivolts(std::int16_t code, const VessamorChannel*) { return code * 0.001f; }

TEST(MiniGraphThreads, TickWritesColumnsWhileThePictureIsPainted) {
  FakeMainWindow window;
  GraphView view;
  ASSERT_TRUE(view.Init(800000, PixelRect{0, 0, 1000, 800}, 0, &window));
  platform::Surface back(1280, 994);
  const platform::Surface computer = LoadBitmapResource(50058);
  agg_ren renderer;
  renderer.Attach(back);
  DeviceSlot slot;
  for (std::size_t k = 0; k < 4; ++k) slot.Channels[k] = &view.Channel(k);
  InfoPanelOwner owner;
  owner.Buffer = &back;
  owner.Renderer = &renderer;
  owner.Content = {300, 100, 1200, 900};
  owner.Picture = [&](int element) { return element == kComputerElement ? &computer : nullptr; };
  owner.View = &view;
  owner.Bytes = &window.Bytes;
  owner.SetupGraphHeader = [](GraphView& v) {
    v.SetupChannels(v.SetupRequest.SetupRequestCount, v.SetupRequest.SetupRequestChannels[0]);
    for (std::size_t k = 0; k < 4; ++k) v.Channel(k).RawToValueFn = &Millivolts;
    v.Scale.TopValue = 4.0;
    v.SetScales(0.1f, 0.5f, 1);
  };
  InfoPanel panel(InfoPanel::kPreparation, owner);
  panel.Slot = &slot;
  panel.PcScreenState = 1;
  panel.FirstChannelSetPending = 1;
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
    // Two seconds at 25 kHz in 10 ms batches, as the device worker decodes and ticks.
    for (std::uint64_t n = 0; n < 50000;) {
      for (int i = 0; i < 250; ++i, ++n) {
        for (std::size_t k = 0; k < 4; ++k) {
          view.Channel(k).AppendCode(static_cast<std::int16_t>(signals[k].CodeAt(n / 25000.0, n)));
        }
      }
      view.AcquisitionTick();
    }
    done = true;
  });
  int paints = 0;
  while (!done.load() || paints < 5) {
    panel.PrepareScreenPaint();
    panel.RebuildScreen();
    std::uint32_t columns = 0;
    {
      std::lock_guard<std::mutex> lock(view.ViewLock);
      columns = view.Sweep.ColumnPosition;
    }
    view.PlotDeviceChannelCurves(renderer, panel.Grid, 1, static_cast<std::uint16_t>(std::min<std::uint32_t>(columns, 4000)));
    ++paints;
  }
  worker.join();
  std::lock_guard<std::mutex> lock(view.ViewLock);
  EXPECT_EQ(view.SampleCount, 50000u);
  EXPECT_GE(paints, 5);
}

}  // namespace
