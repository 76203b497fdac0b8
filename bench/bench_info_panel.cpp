// One rebuild of the information panel with its pictures at 1920 x 1080, as every start-screen paint runs it.
#include <benchmark/benchmark.h>

#include "channels/main_window_services.h"
#include "graph/graph_view.h"
#include "info/info_panel.h"
#include "render/agg_ren.h"
#include "resources/bitmaps.h"

namespace {

// The content area the start screen gives the panel at 1920 x 1080.
constexpr platform::WindowRect kContent{764, 221, 1721, 988};

struct PanelBench {
  explicit PanelBench(std::uint8_t screen) {
    view.Init(100000, {0, 0, 1000, 800}, 0xFF, nullptr);
    renderer.Attach(back);
    InfoPanelOwner owner;
    owner.Buffer = &back;
    owner.Renderer = &renderer;
    owner.ScaleX = 1.5f;
    owner.ScaleY = 1080.0f / 994.0f;
    owner.UiScale = owner.ScaleX + (owner.ScaleY - owner.ScaleX) * 0.5f;
    owner.Content = kContent;
    owner.Picture = [this](int element) -> const platform::Surface* {
      return element == kComputerElement ? &computer : element == kStartPictureElement ? &start : nullptr;
    };
    owner.View = &view;
    owner.Bytes = &bytes;
    panel = std::make_unique<InfoPanel>(screen, owner);
    panel->BaseFontSize = 1.1 * owner.UiScale;
  }
  void Rebuild() {
    panel->PrepareScreenPaint();
    panel->RebuildScreen();
  }
  platform::Surface back{1920, 1080};
  platform::Surface computer = LoadBitmapResource(50058, false);
  platform::Surface start = LoadBitmapResource(50064, false);
  agg_ren renderer;
  GraphView view;
  MainWindowBytes bytes;
  std::unique_ptr<InfoPanel> panel;
};

void BM_RebuildStartPage(benchmark::State& state) {
  PanelBench b(InfoPanel::kStartPage);
  for (auto _ : state) b.Rebuild();
}
// The start page rebuilt with its pictures at 1920 x 1080.
BENCHMARK(BM_RebuildStartPage)->Unit(benchmark::kMillisecond);

// The preparation page lights the computer's screen and draws the mini-graph's axes and grid.
void BM_RebuildPreparationPage(benchmark::State& state) {
  PanelBench b(InfoPanel::kPreparation);
  for (auto _ : state) b.Rebuild();
}
// The preparation page rebuilt, with the computer's screen and the mini-graph's axes.
BENCHMARK(BM_RebuildPreparationPage)->Unit(benchmark::kMillisecond);

// The preparation page of a two-channel sensor with both value boxes drawn.
void BM_RebuildTwoBoxPreparationPage(benchmark::State& state) {
  PanelBench b(InfoPanel::kPreparation);
  b.panel->SensorCode = 20;
  b.panel->BindValueBoxes(nullptr, &b.view.Channel(0), &b.view.Channel(1));
  for (auto _ : state) b.Rebuild();
}
// The preparation page of a two-channel sensor rebuilt with both value boxes.
BENCHMARK(BM_RebuildTwoBoxPreparationPage)->Unit(benchmark::kMillisecond);

// One value box alone, as a partial paint of the page redraws it.
void BM_RenderValueBox(benchmark::State& state) {
  PanelBench b(InfoPanel::kPreparation);
  ValueInputBox box;
  box.SetRect(800, 900, 450, 135);
  box.Label = "Текущее значение";
  for (auto _ : state) box.Render(b.back, ValueBoxStyle{1.09f, 1.3f, false});
}
// One value box rendered alone.
BENCHMARK(BM_RenderValueBox)->Unit(benchmark::kMicrosecond);

}  // namespace
