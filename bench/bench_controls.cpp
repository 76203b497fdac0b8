// Painting the owner-drawn controls: one animation frame of an image button, a slider, the settings panel.
#include <benchmark/benchmark.h>

#include <vector>

#include "controls/aimage_button.h"
#include "controls/control_owner.h"
#include "controls/stick_button.h"
#include "controls/stick_button_mod.h"
#include "platform/clock.h"
#include "platform/window_core.h"

namespace {

// A full-screen owner whose one back buffer lies behind every control.
class QuietOwner : public ControlOwner {
 public:
  float ScaleX() const override { return 1.0f; }
  float ScaleY() const override { return 1.0f; }
  float UiScale() const override { return 1.0f; }
  bool EnglishUi() const override { return false; }
  platform::Surface* BackBufferForButton(const ControlFrame&) override { return &buffer; }
  platform::Surface* GetBackBufferDC() override { return &buffer; }
  bool HoldsBackControlCopies() const override { return false; }
  void OnButtonPress(std::int32_t, std::int32_t, std::int32_t) override {}
  void OnButtonHover(std::int32_t, std::int32_t, std::int32_t) override {}
  void HideHintAndSlideLogo(std::int32_t) override {}
  void FillRangeMenu(std::int32_t, std::int32_t, std::int32_t) override {}
  void OnButtonRightClick(std::int32_t) override {}
  platform::Surface buffer{1280, 994};
};

struct Screen {
  platform::FakeClock clock;
  platform::HostWindow host{1280, 994, clock};
  QuietOwner owner;
};

void BM_ImageButtonFrame(benchmark::State& state) {
  Screen s;
  AImageButton button(s.owner);
  button.Create(s.host, 75004, platform::WindowRect::FromSize(100, 100, 160, 56));
  button.Show();
  button.Setup("", 75004, 7, 0, "Старт");
  button.SetAnimationSteps(3, 3, 3, 0);
  for (auto _ : state) {
    button.Invalidate();
    s.host.UpdateNow();
  }
}
// One animation frame of an image button, painted into the host window.
BENCHMARK(BM_ImageButtonFrame);

void BM_SliderPaint(benchmark::State& state) {
  Screen s;
  StickButton slider(s.owner);
  slider.Create(s.host, 75001, platform::WindowRect::FromSize(100, 300, 300, 70));
  slider.Show();
  const std::vector<float> values{0.01f, 0.05f, 0.5f, 5.0f, 50.0f}, steps{0.01f, 0.05f, 0.5f, 5.0f};
  slider.Layout(StickButton::kHorizontal, 75001, 10, 4, values, steps, 0, 200);
  for (auto _ : state) {
    slider.Invalidate();
    s.host.UpdateNow();
  }
}
// One paint of a horizontal slider.
BENCHMARK(BM_SliderPaint);

void BM_SettingsPanelDraw(benchmark::State& state) {
  Screen s;
  StickButtonMod panel(s.owner);
  panel.Create(s.host, 74998, platform::WindowRect::FromSize(500, 100, 300, 440));
  panel.Setup(2, 74998, 10);
  panel.SetMode(0);
  panel.Enables[StickButtonMod::kSmoothingOption] = 1;
  for (auto _ : state) panel.DrawChannelOptions(s.owner.buffer);
}
// The settings panel's channel options drawn into the back buffer.
BENCHMARK(BM_SettingsPanelDraw);

}  // namespace
