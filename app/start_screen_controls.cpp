// The start screen's image buttons at their designed places, until the window's full control set is created.
#include "app/start_screen_controls.h"

#include <cmath>

#include "app/main_window.h"
#include "controls/aimage_button.h"
#include "resources/string_table.h"

namespace {

using platform::WindowRect;

struct Looks {
  float Normal, Pressed, Hover;
  rgba8 NormalA, NormalB, PressedA, PressedB, HoverA, HoverB;
};

void Style(AImageButton& button, const Looks& looks) {
  button.Looks[AImageButton::kNormal] = {looks.Normal, looks.NormalA, looks.NormalB, 6, 0};
  button.Looks[AImageButton::kPressed] = {looks.Pressed, looks.PressedA, looks.PressedB, 6, 0};
  button.Looks[AImageButton::kHover] = {looks.Hover, looks.HoverA, looks.HoverB, 6, 0};
  button.SetAnimationSteps(6, 6, 6, 1);
}

}  // namespace

void CreateStartScreenControls(MainWindow& window) {
  const ScreenMetrics& m = window.Metrics;
  const double sx = m.ScaleX, sy = m.ScaleY, ui = m.UiScale;
  auto t = [](double v) { return static_cast<std::int32_t>(v); };
  // The height on the line through (600, a) and (1000, b) at the screen height, rounded.
  auto lerp = [&](double a, double b) { return std::lround(a + (b - a) * (m.ScreenHeight - 600) / 400.0); };
  const std::uint16_t language = window.UiLanguage;
  const rgba8 black(0, 0, 0, 255), white(255, 255, 255, 255);

  auto make = [&](std::int32_t id, WindowRect rect, std::uint8_t layout, std::string_view caption, const Looks& looks) {
    auto button = std::make_unique<AImageButton>(window);
    button->Create(window.Window(), id, rect);
    button->Setup("", id, layout, 0, std::string(caption));
    Style(*button, looks);
    AImageButton& made = *button;
    window.OwnedControls.push_back(std::move(button));
    return &made;
  };

  const Looks measurements{1.4f, 1.0f, 0.7f, rgba8(133, 153, 255, 255), black, rgba8(143, 163, 242, 255), black,
                           rgba8(200, 60, 180, 255), black};
  const Looks caption{1.0f, 1.0f, 1.0f, rgba8(232, 236, 252, 255), black, rgba8(232, 236, 252, 255), black,
                      rgba8(232, 236, 252, 255), black};
  const Looks open{1.2f, 1.0f, 0.8f, rgba8(232, 236, 252, 255), black, rgba8(232, 236, 252, 255), black,
                   rgba8(232, 236, 252, 255), black};

  const std::int32_t r58_top = m.WideScreen ? t(120 * sy) : t(150 * sy);
  const WindowRect r58 = WindowRect::FromSize(t(45 * sx), r58_top, t(425 * sx), t(lerp(140, 120) * ui));
  make(75172, r58, 1, LoadString(kStringMeasurements, language), measurements);
  const std::int32_t r59_top = t(r58.bottom + 50 * sy + (m.WideScreen ? 30 * sy : 0.0));
  const WindowRect r59 = WindowRect::FromSize(t(r58.right - 350 * sx), r59_top, t(350 * sx), t(lerp(75, 60) * ui));
  make(75171, r59, 1, LoadString(kStringSensorsConnected, language), caption);

  window.SensorButtonHeight = t(lerp(105, 95) * ui);
  for (std::int32_t k = 0; k < 4; ++k) {
    const std::uint8_t red = k == 0 ? 0 : (k == 3 ? 15 : 10);
    const Looks sensor{1.4f, 1.0f, 0.7f, rgba8(179, 115, k == 0 ? 255 : 225, 255), black,
                       rgba8(163, 139, k == 0 ? 210 : 189, 255), white, rgba8(130 + red, 115, 140, 255), black};
    const WindowRect place = k == 0 ? WindowRect::FromSize(t(190 * sx), t(10 * sy + r59.bottom), t(330 * sx), window.SensorButtonHeight)
                                    : WindowRect::FromSize(t(100 * sx), t((510 + 100 * k) * sy), t(330 * sx), window.SensorButtonHeight);
    make(75163 + k, place, 1, "", sensor);
  }

  std::int32_t open_top = 0, open_height = 0;
  if (!m.WideScreen) {
    open_top = t(m.ScreenHeight - 160 * sy - 40 * ui);
    open_height = m.AspectRatio < 1.5f ? t(80 * sy) : t(80 * ui);
  } else if (m.AspectRatio >= 1.5f) {
    open_top = t(m.ScreenHeight - 160 * sy);
    open_height = t(70 * ui);
  } else {
    open_top = t(m.ScreenHeight - 180 * sy);
    open_height = t(70 * sy);
  }
  make(75185, WindowRect::FromSize(r58.right - r58.Width() / 2, open_top, t(210 * sx), open_height), 2,
       LoadString(kStringOpenFile, language), open);

  const std::int32_t s = t(65 * ui);
  const Looks close{1.1f, 0.9f, 0.8f, rgba8(14, 16, 206, 255), white, rgba8(14, 16, 206, 255), white,
                    rgba8(14, 16, 206, 255), white};
  const Looks minimise{1.1f, 0.9f, 0.8f, rgba8(180, 182, 226, 255), white, rgba8(180, 182, 226, 255), white,
                       rgba8(180, 182, 226, 255), white};
  make(75167, WindowRect::FromSize(t(m.ScreenWidth - s - 8 * sx), t(4 * sy), s, s), 1, "x", close);
  // Minimise keeps a gap of 4 design pixels to the left of close instead of reaching under it.
  const std::int32_t close_left = t(m.ScreenWidth - s - 8 * sx);
  make(75169, WindowRect::FromSize(close_left - s - t(4 * sx), t(4 * sy), s, s), 1, "_", minimise);
}
