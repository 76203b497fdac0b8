// The start screen rendered headless at two sizes in both languages: panel, frame, lit computer with a live mini-graph.
#include <gtest/gtest.h>

#include <mutex>

#include "../app/app_test_support.h"
#include "app/start_screen_parts.h"
#include "sim/signals.h"

namespace {

int CountColour(const platform::Surface& s, const platform::WindowRect& r, platform::Colour c, int tolerance) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      const platform::Colour p = s.GetPixel(x, y);
      n += std::abs(p.r - c.r) + std::abs(p.g - c.g) + std::abs(p.b - c.b) <= tolerance;
    }
  }
  return n;
}

// The window with the start screen's parts and its controls.
struct StartScreen {
  StartScreen(int width, int height, bool english) : rig(width, height) {
    rig.window = std::make_unique<MainWindow>(rig.host, rig.environment);
    parts = InstallStartScreenParts(*rig.window);
    // The 3.3 V header: 0..3.3 V in a frame a little larger, two seconds a screen.
    parts->SetupGraphHeader = [](GraphView& view) {
      view.SetupChannels(view.SetupRequest.SetupRequestCount, view.SetupRequest.SetupRequestChannels[0]);
      view.Scale.TopValue = 3.5;
      view.ValueDivisions = 8;
      view.SetScales(0.2f, 0.5f, 1);
    };
    rig.window->CreateMainWindow(english);
    for (int i = 0; i < 60; ++i) rig.Step(33);
    for (int i = 0; i < 10; ++i) rig.Step(100);
  }
  void PaintAll() {
    rig.window->StartScreenDirty = 1;
    rig.window->InvalidateLocal();
    rig.host.Window().UpdateNow();
  }

  apptest::Rig rig;
  std::shared_ptr<StartScreenParts> parts;
};

TEST(StartScreenScreens, PanelComputerAndMiniGraphAtTwoSizesInBothLanguages) {
  struct Case { int width, height; bool english; };
  for (const Case& c : {Case{1366, 768, false}, Case{1366, 768, true}, Case{1920, 1080, false}, Case{1920, 1080, true}}) {
    StartScreen s(c.width, c.height, c.english);
    MainWindow& w = *s.rig.window;
    InfoPanel& panel = *s.parts->Panel;
    const platform::Surface& shown = s.rig.host.Window().Pixels();
    SCOPED_TRACE(testing::Message() << c.width << (c.english ? " en" : " ru"));
    ASSERT_EQ(w.Panels[1]->ContentShown, 1);
    s.PaintAll();

    // A two-channel unit's preparation page: the computer lights up and sets its small graph up.
    DeviceSlot& slot = w.DeviceSlots[0];
    slot.Channels = {&w.View->Channel(0), &w.View->Channel(1)};
    w.View->Channel(0).SensorCode = panel.SensorCode = 51;
    panel.Slot = &slot;
    panel.SetScreen(InfoPanel::kPreparation);
    panel.PcScreenState = panel.FirstChannelSetPending = 1;
    s.PaintAll();
    EXPECT_EQ(w.View->SetupRequest.SetupRequestPending, 0);
    EXPECT_EQ(w.View->MiniGraph.SmallGraph, 1);
    // The tick redraws the picture's rectangle, and the page is no longer opening.
    const platform::WindowRect& p = panel.PictureRect;
    EXPECT_EQ(w.View->Sweep.InfoPanelRect, (PixelRect{p.left, p.top, p.right, p.bottom}));
    EXPECT_EQ(w.Bytes.SensorPageOpening.load(), 0);
    // Six seconds of two simulated channels through the acquisition tick, as the device worker runs it.
    w.View->Recording = 1;
    w.View->ComputeStartIndexes();
    const sim::Signal sine = sim::Signal::Sine(2048, 1500, 1.0), ramp = sim::Signal::Ramp(400, 3600, 0.7);
    for (std::uint32_t n = 0; n < 6000; ++n) {
      w.View->Channel(0).AppendCode(static_cast<std::int16_t>(sine.CodeAt(n / 1000.0, n)));
      w.View->Channel(1).AppendCode(static_cast<std::int16_t>(ramp.CodeAt(n / 1000.0, n)));
      if (n % 100 == 99) w.View->AcquisitionTick();
    }
    s.PaintAll();
    const auto& q = panel.Grid.Quad;
    const platform::WindowRect screen{static_cast<int>(q[6]), static_cast<int>(q[1]), static_cast<int>(q[2]), static_cast<int>(q[5])};
    for (int k = 0; k < 2; ++k) {
      const Rgba& ink = w.View->ChannelColours[static_cast<std::size_t>(k)];
      EXPECT_GT(CountColour(shown, screen, {ink.R, ink.G, ink.B, 255}, 60), 20) << "channel " << k;
    }
    EXPECT_GT(CountColour(shown, screen, {0xFA, 0xFA, 0xFF, 255}, 6), screen.Width() * screen.Height() / 4);

  }
}

}  // namespace
