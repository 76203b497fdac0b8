// The main window's control table: every control's ids, class, captions, set-up values and creation rectangle.
#include "layout/control_table.h"

#include <array>
#include <cmath>

using platform::WindowRect;

std::int32_t CreationGeometry::H(std::int32_t a, std::int32_t b) const {
  const float slope = static_cast<float>(b - a) / 400.0f;
  return static_cast<std::int32_t>(std::lround(a + slope * static_cast<float>(m.ScreenHeight - 600)));
}

namespace {

using G = CreationGeometry;
constexpr auto I = ControlClass::Image;
constexpr auto Gr = ControlClass::Group;
constexpr std::int32_t kToolBitmap = 50010;

WindowRect At(int x, int y, int w, int h) { return WindowRect::FromSize(x, y, w, h); }
WindowRect Sized(int w, int h) { return At(0, 0, w, h); }
int T(double v) { return static_cast<int>(v); }

// Sliders: their heights keep a minimum by their own rules.
WindowRect HorizontalSlider(const G& g) {
  const int w = g.X(290);
  int h = T(w * static_cast<double>(6.0f / 29.0f));
  if (h < 40) h = T(h * 1.5);
  return At(200, 200, w, h);
}
WindowRect VerticalSlider(const G& g) {
  const int v = g.X(70);
  return At(200, 200, v < 40 ? T(v * 1.5) : v, T(v * static_cast<double>(23.0f / 7.0f)));
}
WindowRect ThirdSlider(const G& g) {
  const int w = g.X(290);
  const int h = T(w * static_cast<double>(11.0f / 58.0f));
  return At(200, 200, w, h < 30 ? 40 : h);
}

WindowRect TopBar(const G& g) { return Sized(g.m.ToolbarButtonWidth, g.m.ToolbarButtonHeight); }
WindowRect WindowButton(const G& g) { return Sized(g.X(40), g.m.ToolbarButtonHeight); }
WindowRect Wide115(const G& g) { return Sized(g.X(115), g.U(60)); }
WindowRect Wide85(const G& g) { return Sized(g.X(85), g.U(60)); }
WindowRect Page(const G& g) { return Sized(g.X(100), g.U(60)); }
WindowRect Recording(const G& g, double width) {
  return Sized(T(width * g.m.ScaleX - 2.0 * g.m.UiScale), g.U(75));
}
WindowRect Slot(const G& g) { return Sized(g.X(75), T(75.0 * g.m.UiScale * 0.8)); }
WindowRect Channel(const G& g) { return Sized(g.X(60), g.WideAspect() ? g.U(45) : g.U(50)); }
WindowRect Multiplier(int column, int channel) { return At(240 + 50 * column, 90 + 35 * channel, 30, 30); }
WindowRect SensorButton(const G& g, double top) {
  return At(g.X(100), g.Y(top), g.X(330), T(g.H(105, 95) * static_cast<double>(g.m.UiScale)));
}
WindowRect Corner(const G& g, int buttons, double gap) {
  const int s = g.U(65);
  return At(T(g.m.ScreenWidth - buttons * s - gap * g.m.ScaleX), g.Y(4), s, s);
}
int RightOfMeasurements(const G& g) { return T(150.0 * g.m.UiScale + g.measurements.right); }

WindowRect OpenFile(const G& g) {
  const WindowRect& r = g.measurements;
  const int left = r.right - (r.right - r.left) / 2;
  const double sh = g.m.ScreenHeight, sy = g.m.ScaleY, u = g.m.UiScale;
  if (!g.m.WideScreen) {
    return At(left, T(sh - 160 * sy - 40 * u), g.X(210), g.m.AspectRatio < 1.5f ? T(80 * sy) : T(80 * u));
  }
  if (g.m.AspectRatio >= 1.5f) return At(left, T(sh - 160 * sy), g.X(210), T(70 * u));
  return At(left, T(sh - 180 * sy), g.X(210), T(70 * sy));
}

#define PLACE(expr) [](const G& g) { return expr; }
#define FIXED(expr) [](const G&) { return expr; }

constexpr std::array kTable = std::to_array<ControlRow>({
    // Sliders, the channel settings panel and the two lists.
    {75001, 75001, ControlClass::Slider, "", "", 0, 0, StyleFamily::None, PLACE(HorizontalSlider(g))},
    {75003, 75003, ControlClass::Slider, "", "", 0, 0, StyleFamily::None, PLACE(VerticalSlider(g))},
    {75008, 75008, ControlClass::Slider, "", "", 0, 0, StyleFamily::None, PLACE(ThirdSlider(g))},
    {74998, 74998, ControlClass::SettingsPanel, "", "", 0, 0, StyleFamily::None, FIXED(At(100, 200, 200, 400))},
    {75009, 75009, ControlClass::List, "", "", 2, 0, StyleFamily::None, PLACE(Sized(g.X(200), 600))},
    {50060, 50060, ControlClass::List, "", "", 1, 0, StyleFamily::None, FIXED(Sized(140, 170))},
    // The measurement screen's top bar.
    {75010, 75010, I, "", "Файл", 1, kToolBitmap, StyleFamily::A, PLACE(TopBar(g))},
    {75011, 75011, I, "Датчики", "Датчики", 1, kToolBitmap, StyleFamily::A, PLACE(TopBar(g))},
    {75012, 75012, I, "Вид", "Вид", 1, kToolBitmap, StyleFamily::A, PLACE(TopBar(g))},
    {75049, 75049, I, "Сенсоры", "Сенсоры", 1, kToolBitmap, StyleFamily::A, PLACE(TopBar(g))},
    {75050, 75050, I, "<--", "<--", 1, kToolBitmap, StyleFamily::A, PLACE(TopBar(g))},
    {75051, 75051, I, "Маркер", "Маркер", 1, kToolBitmap, StyleFamily::A, PLACE(TopBar(g))},
    {75186, 75186, I, "Подсказка", "Подсказка", 1, kToolBitmap, StyleFamily::A, PLACE(TopBar(g))},
    {75016, 75016, I, "x", "x", 1, kToolBitmap, StyleFamily::A, PLACE(WindowButton(g))},
    {75016, 75054, I, "_", "_", 1, kToolBitmap, StyleFamily::A, PLACE(WindowButton(g))},
    // The toolbar.
    {75013, 75013, I, "Обзор", "Обзор", 1, kToolBitmap, StyleFamily::B, PLACE(Wide115(g))},
    {75014, 75014, I, "M", "M", 1, kToolBitmap, StyleFamily::B, PLACE(Wide85(g))},
    {75053, 75053, I, "M", "M", 1, kToolBitmap, StyleFamily::B, PLACE(Wide85(g))},
    {75052, 75052, I, "Масштаб", "Масштаб", 1, kToolBitmap, StyleFamily::B, PLACE(Wide115(g))},
    {75004, 75004, I, "Старт", "Старт", 1, kToolBitmap, StyleFamily::B, PLACE(Recording(g, 150))},
    {74999, 74999, I, "||", "||", 1, kToolBitmap, StyleFamily::B, PLACE(Recording(g, 85))},
    {75037, 75037, I, "^", "^", 1, kToolBitmap, StyleFamily::B, PLACE(Recording(g, 65))},
    {75005, 75005, Gr, "Диапазон", "", 2, 0, StyleFamily::None, PLACE(Sized(g.X(150), g.U(75)))},
    {75045, 75045, I, "<<", "<<", 1, kToolBitmap, StyleFamily::B, PLACE(Page(g))},
    {75046, 75046, I, ">>", ">>", 1, kToolBitmap, StyleFamily::B, PLACE(Page(g))},
    {75038, 75038, I, "1", "1", 1, kToolBitmap, StyleFamily::B, PLACE(Slot(g))},
    {75039, 75039, I, "2", "2", 1, kToolBitmap, StyleFamily::B, PLACE(Slot(g))},
    {75040, 75040, I, "3", "3", 1, kToolBitmap, StyleFamily::B, PLACE(Slot(g))},
    {75041, 75041, I, "4", "4", 1, kToolBitmap, StyleFamily::B, PLACE(Slot(g))},
    {75042, 75181, I, "GPS", "^", 1, kToolBitmap, StyleFamily::None, PLACE(Slot(g))},
    {75181, 75181, I, "^", "^", 1, kToolBitmap, StyleFamily::B, PLACE(Slot(g))},
    {75182, 75182, I, "^", "^", 1, kToolBitmap, StyleFamily::B, PLACE(Slot(g))},
    {75183, 75183, I, "^", "^", 1, kToolBitmap, StyleFamily::B, PLACE(Slot(g))},
    {75184, 75184, I, "^", "^", 1, kToolBitmap, StyleFamily::B, PLACE(Slot(g))},
    {75044, 75044, Gr, "Search", "", 1, 0, StyleFamily::None, FIXED(Sized(70, 30))},
    {75021, 75021, Gr, "4", "", 1, 0, StyleFamily::None, FIXED(Sized(20, 20))},
    {75026, 75026, Gr, "8", "", 1, 0, StyleFamily::None, FIXED(Sized(20, 20))},
    {75031, 75031, Gr, "12", "", 1, 0, StyleFamily::None, FIXED(Sized(20, 20))},
    {75036, 75036, Gr, "16", "", 1, 0, StyleFamily::None, FIXED(Sized(20, 20))},
    // The channel buttons, each followed by its multipliers.
    {75017, 75017, I, "1", "1", 1, kToolBitmap, StyleFamily::C, PLACE(Channel(g))},
    {75018, 75018, Gr, "1", "", 1, 0, StyleFamily::None, FIXED(Multiplier(0, 0))},
    {75019, 75019, Gr, "10", "", 1, 0, StyleFamily::None, FIXED(Multiplier(1, 0))},
    {75020, 75020, Gr, "100", "", 1, 0, StyleFamily::None, FIXED(Multiplier(2, 0))},
    {75022, 75022, I, "2", "2", 1, kToolBitmap, StyleFamily::C, PLACE(Channel(g))},
    {75023, 75023, Gr, "1", "", 1, 0, StyleFamily::None, FIXED(Multiplier(0, 1))},
    {75024, 75024, Gr, "10", "", 1, 0, StyleFamily::None, FIXED(Multiplier(1, 1))},
    {75025, 75025, Gr, "100", "", 1, 0, StyleFamily::None, FIXED(Multiplier(2, 1))},
    {75027, 75027, I, "3", "3", 1, kToolBitmap, StyleFamily::C, PLACE(Channel(g))},
    {75028, 75028, Gr, "1", "", 1, 0, StyleFamily::None, FIXED(Multiplier(0, 2))},
    {75029, 75029, Gr, "10", "", 1, 0, StyleFamily::None, FIXED(Multiplier(1, 2))},
    {75030, 75030, Gr, "100", "", 1, 0, StyleFamily::None, FIXED(Multiplier(2, 2))},
    {75032, 75032, I, "4", "4", 1, kToolBitmap, StyleFamily::C, PLACE(Channel(g))},
    {75033, 75033, Gr, "1", "", 1, 0, StyleFamily::None, FIXED(Multiplier(0, 3))},
    {75034, 75034, Gr, "10", "", 1, 0, StyleFamily::None, FIXED(Multiplier(1, 3))},
    {75035, 75035, Gr, "100", "", 1, 0, StyleFamily::None, FIXED(Multiplier(2, 3))},
    // Further toolbar buttons.
    {75006, 75006, I, "Диапазон", "Диапазон", 1, kToolBitmap, StyleFamily::CRange,
     PLACE(Sized(g.X(280), T((g.WideAspect() ? 9.0f / 56.0f : 11.0f / 56.0f) * 280.0 * g.m.ScaleX)))},
    {75043, 75043, I, "ok", "ok", 1, kToolBitmap, StyleFamily::COk, PLACE(Sized(g.X(60), g.U(50)))},
    // The start screen.
    {75100, 75172, I, "", "Проведение измерений", 1, kToolBitmap, StyleFamily::D,
     PLACE(At(g.X(45), g.m.WideScreen ? g.Y(120) : g.Y(150), g.X(425),
              T(g.H(140, 120) * static_cast<double>(g.m.UiScale))))},
    {75101, 75171, I, "", "Подключённые датчики :", 1, kToolBitmap, StyleFamily::E,
     PLACE(At(T(g.measurements.right - 350.0 * g.m.ScaleX),
              T(g.measurements.bottom + (g.m.WideScreen ? 80.0 : 50.0) * g.m.ScaleY), g.X(350),
              T(g.H(75, 60) * static_cast<double>(g.m.UiScale))))},
    {75163, 75163, I, "", "", 1, 50024, StyleFamily::F,
     PLACE(At(g.X(190), T(10.0 * g.m.ScaleY + g.sensor_caption.bottom), g.X(330),
              T(g.H(105, 95) * static_cast<double>(g.m.UiScale))))},
    {75164, 75164, I, "", "График", 1, kToolBitmap, StyleFamily::F, PLACE(SensorButton(g, 610))},
    {75165, 75165, I, "", "Аналоговый индикатор", 1, kToolBitmap, StyleFamily::F, PLACE(SensorButton(g, 710))},
    {75166, 75166, I, "", "Цифровой индикатор", 1, kToolBitmap, StyleFamily::F, PLACE(SensorButton(g, 810))},
    {75185, 75185, I, "Открыть файл", "Открыть файл", 2, 50050, StyleFamily::G, PLACE(OpenFile(g))},
    {75167, 75167, I, "x", "", 1, 50034, StyleFamily::Close, PLACE(Corner(g, 1, 8))},
    // Minimise keeps 4 design pixels to the left of close rather than reaching under it.
    {75169, 75169, I, "_", "", 1, 50036, StyleFamily::Close, PLACE(Corner(g, 2, 12))},
    {75173, 75173, I, "", "Обнулить", 2, 50050, StyleFamily::SetZero,
     PLACE(At(T(RightOfMeasurements(g) + 100.0 * g.m.ScaleX), g.X(10), g.X(270),
              T(g.H(110, 90) * static_cast<double>(g.m.UiScale))))},
    {75174, 75174, I, "", "Продолжить", 2, 50050, StyleFamily::None,
     PLACE(At(T(400.0 * g.m.ScaleX + RightOfMeasurements(g)), g.X(10), g.X(270),
              T(g.H(110, 90) * static_cast<double>(g.m.UiScale))))},
    {75175, 75175, I, "", "", 3, 50050, StyleFamily::Hint, PLACE(Sized(g.X(600), g.U(600)))},
});

#undef PLACE
#undef FIXED

}  // namespace

std::span<const ControlRow> MainControlTable() { return kTable; }

std::vector<WindowRect> CreationRects(const ScreenMetrics& m) {
  CreationGeometry g{m, {}, {}};
  std::vector<WindowRect> rects;
  rects.reserve(kTable.size());
  for (const ControlRow& row : kTable) {
    rects.push_back(row.Place(g));
    // Later rows are placed from these two as created.
    if (row.ControlId == 75172) g.measurements = rects.back();
    if (row.ControlId == 75171) g.sensor_caption = rects.back();
  }
  return rects;
}
