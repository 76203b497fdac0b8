// The tick at 25 kHz on a worker while the window thread runs preparation steps and paints the page with its boxes.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"
#include "info/info_panel.h"
#include "preparation_fakes.h"
#include "render/agg_ren.h"

namespace {

float Millivolts(std::int16_t code, const VessamorChannel*) { return code * 0.001f; }

TEST(PreparationThreads, StepsAndPaintsWhileTheTickRuns) {
  FakeMainWindow window;
  GraphView view;
  ASSERT_TRUE(view.Init(800000, PixelRect{0, 0, 1000, 800}, 0, &window));
  for (std::size_t k = 0; k < 4; ++k) view.Channel(k).RawToValueFn = &Millivolts;
  platform::Surface back(1280, 994);
  agg_ren renderer;
  renderer.Attach(back);
  InfoPanelOwner owner;
  owner.Buffer = &back;
  owner.Renderer = &renderer;
  owner.Content = {300, 100, 1200, 900};
  owner.View = &view;
  owner.Bytes = &window.Bytes;
  InfoPanel panel(InfoPanel::kPreparation, owner);
  panel.SensorCode = 20;
  panel.BindValueBoxes(nullptr, &view.Channel(0), &view.Channel(1));
  ResetPreparationPage(panel);
  view.SetKindRate(25000);
  view.Recording = 1;
  view.ComputeStartIndexes();

  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (std::uint64_t n = 0; n < 50000;) {
      for (int i = 0; i < 250; ++i, ++n) {
        for (std::size_t k = 0; k < 4; ++k) view.Channel(k).AppendCode(static_cast<std::int16_t>(n % 4096));
      }
      view.AcquisitionTick();
    }
    done = true;
  });
  FakePreparationHost host;
  int paints = 0;
  while (!done.load() || paints < 5) {
    host.now += 151;
    if (paints == 3) PressActionButton(panel);
    ApplyPreparationStep(panel, view, host);
    panel.PrepareScreenPaint();
    panel.RebuildScreen();
    ++paints;
  }
  worker.join();
  EXPECT_EQ(host.prepared.size(), 1u);
  EXPECT_EQ(panel.Box2.Shown, 1);
}

}  // namespace
