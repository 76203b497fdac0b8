// The hint window on the main window: its style presets, and setting its lines and place.
#include <algorithm>

#include "app/hint_window.h"
#include "app/main_window.h"
#include "controls/aimage_button.h"

namespace {

// Colour words hold red in the low byte, as the system's colour values do.
rgba8 FromWord(std::uint32_t word) {
  return rgba8(word & 0xFF, (word >> 8) & 0xFF, (word >> 16) & 0xFF, (word >> 24) & 0xFF);
}

struct HintStyle {
  std::uint32_t Panel;
  std::uint8_t Layout;
  PanelStyle Bytes;
  float Shape;
  std::uint32_t Text;
  std::uint32_t Ink;
  double TextFactor;
};

void ApplyHintStyle(AImageButton& hint, const HintStyle& s, double ui_scale) {
  hint.SetAnimationSteps(6, 6, 6, 1);
  hint.SetBaseColour(s.Panel & 0xFFFFFF);
  hint.LayoutStyle = s.Layout;
  hint.Panel = s.Bytes;
  hint.CornerRadius = s.Shape;
  for (AImageButton::Appearance& look : hint.Looks) {
    look.Fade = 1.0f;
    look.ColourA = FromWord(s.Text);
    look.ColourB = FromWord(s.Ink);
  }
  hint.BaseTextScale = s.TextFactor * ui_scale;
}

}  // namespace

void MainWindow::SetHintStyleA() {
  if (auto* hint = dynamic_cast<AImageButton*>(FindControl(kHintWindowId))) {
    ApplyHintStyle(*hint, {0xFF6E8250, 1, {0, 0, 0, 1, 100}, 3.0f, 0xFFF5FAF0, 0xFF000000, 1.1}, Metrics.UiScale);
  }
}

void MainWindow::SetHintStyleB() {
  if (auto* hint = dynamic_cast<AImageButton*>(FindControl(kHintWindowId))) {
    const auto width = static_cast<std::uint8_t>(std::max(6, static_cast<int>(8 * Metrics.UiScale)));
    ApplyHintStyle(*hint, {0xFF8C5050, 41, {0, width, 0, 1, 6}, 1.5f, 0xFFFFFDFD, 0xFF000000, 0.9}, Metrics.UiScale);
  }
}

void MainWindow::ShowSensorHint(std::int32_t id, const platform::WindowRect& anchor) {
  auto* hint = dynamic_cast<AImageButton*>(FindControl(kHintWindowId));
  if (hint == nullptr) return;
  const bool zone = id >= kHintMainZone && id <= kHintSensorUnused;
  HintContext context;
  context.English = zone ? EnglishUi() : UiLanguage != kLanguageRussian;
  context.RecordButtonDown = ButtonPressed(id);
  context.Chosen = SensorChosen;
  for (std::size_t i = 0; i < 4; ++i) context.Prepared[i] = Bytes.SensorPrepared[i].load();
  const std::optional<HintLines> lines = HintTextFor(id, context);
  if (!lines) return;
  const bool start_screen = Bytes.InfoScreenActive.load() != 0;
  HintMetrics m;
  m.UiScale = Metrics.UiScale;
  m.ScaleX = Metrics.ScaleX;
  m.ScreenHeight = Metrics.ScreenHeight;
  m.Client = Window().ClientRect();
  m.TextSize = (start_screen ? 0.9 : 1.1) * Metrics.UiScale;
  const std::string second = lines->Second.value_or(hint->SecondLine);
  const platform::WindowRect place =
      zone ? PlaceAtAnchor(anchor, std::max(CodePoints(lines->First), CodePoints(second)), m)
           : PlaceNextToControl(anchor, id, lines->First, context.English, m);
  hint->SecondLine = second;
  hint->SetStateAndCaption(hint->State.load(), lines->First, true);
  hint->Move(place);
  hint->BaseTextScale = m.TextSize;
  HintId = zone ? static_cast<std::uint8_t>(id) : 0;
  HoveredControlId = id;
}
