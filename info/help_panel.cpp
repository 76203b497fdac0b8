// The four-page help overlay of the measurement screen: mouse, markers, keys and sensors, paged by its "next" field.
#include "info/help_panel.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <string_view>

#include "app/main_window.h"
#include "controls/control_drawing.h"
#include "platform/cp1251.h"
#include "platform/gdi.h"
#include "render/agg_ren.h"
#include "resources/bitmaps.h"

namespace {

using control_draw::FlatPanel;

const rgba8 kBlack(0, 0, 0, 255);
const rgba8 kWhite(255, 255, 255, 255);

struct Texts {
  std::string_view Russian, English;
  std::string_view Of(bool english) const { return english ? English : Russian; }
};

constexpr Texts kTitles[] = {{"1.График и Мышь", "1.Schedule and Mouse"},
                             {"2.Маркеры и Мышь", "2.Markers and Mouse"},
                             {"3.Клавиатура", "3.Keyboard"},
                             {"4.Датчики", "4.Sensors"}};
constexpr Texts kNext{"далее", " next"};

struct Key {
  std::string_view Name;
  double NameAt;
  Texts Description;
};
constexpr Key kKeys[] = {
    {"Space", 0.2, {"начать или остановить запись", "start or stop recording"}},
    {"Enter", 0.25, {"приостановить запись (пауза)", "pause recording (pause)"}},
    {"Esc", 0.3, {"выйти в главное меню#в главном меню - выход из программы",
                  "exit to main menu#in the main menu - exit the program"}}};

constexpr Texts kMouseTexts[] = {
    {"Левая кнопка:# Для перемещения графика по экрану нажмите# и, удерживая кнопку, двигайте мышь",
     "Left button:# To move the chart on the screen, press and# hold down the button, move the mouse"},
    {"Средняя кнопка:# Нажмите для отмены последнего изменения# маштаба",
     "Middle button:# Click to undo the last change of scale"},
    {"Правая кнопка:# Для увеличения фрагмента записи нажмите# и, удерживая кнопку, двигайте мышь",
     "Right button:# To increase the fragment record, press and# hold down the button, move the mouse"}};
constexpr Texts kMarkerText{
    "Правая кнопка:# Для выставления маркера нажмите кнопку.# Для перемешения маркера нажмите на окно# маркера и, "
    "удерживая кнопку, двигайте мышь.# Нажмите на крестик над маркером, # если он больше не нужен.",
    "Right button:# A marker for display, press.# To move the marker, click on the window# for a marker and "
    "holding the button, move# the mouse. If the marker is not needed,# then cross over the handle."};
constexpr Texts kSensorText{
    "Датчик артериального давления# Нагнетайте давление в манжете до уровня 200...220#  мм рт.ст. Медленно и без "
    "рывков стравливайте#  давление в манжете в течение 35...40 секунд.# На кривой графика давления установите "
    "маркеры#  в точках появления и резкого убывания колебаний,#  соответствующих верхнему и нижнему "
    "артериальному#  давлению. ",
    "Blood pressure sensor# Inflate the cuff pressure to a level of 200...220 mm Hg.# Slowly and without jerks play "
    "off the cuff pressure for# 35...40 seconds. On the curve graph of pressure, set# markers at points of "
    "emergence and rapid decrease# of the oscillations of the upper and lower blood pressure."};

// Left, middle and right button: the lit outline and its darker companion.
const rgba8 kLitOutline[] = {rgba8(200, 50, 80, 255), rgba8(80, 50, 200, 255), rgba8(50, 200, 80, 255)};
const rgba8 kDarkOutline[] = {rgba8(120, 100, 100, 255), rgba8(100, 100, 120, 255), rgba8(100, 120, 100, 255)};

// A rounded outline through the surface's 40-point spline polygon: a superellipse around (cx, cy).
void SplineOutline(agg_ren& r, double cx, double cy, double a, double b, const rgba8& colour, float width) {
  interactive_polygon* p = r.Polygon(3);
  if (p == nullptr) return;
  const std::uint32_t n = p->num_points();
  for (std::uint32_t i = 0; i < n; ++i) {
    const double t = 2.0 * std::numbers::pi * i / n;
    const double c = std::cos(t), s = std::sin(t);
    p->xn(i) = cx + a * std::copysign(std::pow(std::abs(c), 0.75), c);
    p->yn(i) = cy + b * std::copysign(std::pow(std::abs(s), 0.75), s);
  }
  // A few vertices per node are smooth enough at this size; the surface's default is meant for long curves.
  const double kept_steps = r.style.bspline_steps;
  r.style.bspline_steps = 6.0;
  r.DrawSplineShape(colour, width, 1);
  r.RenderScanlines();
  r.style.bspline_steps = kept_steps;
}

platform::WindowRect Box(double x, double y, double w, double h) {
  return {static_cast<int>(x), static_cast<int>(y), static_cast<int>(x + w), static_cast<int>(y + h)};
}

// Lines step 1.3 em apart; a glyph reaches 0.8 em above its baseline and 0.25 em below.
constexpr double kLineStep = 1.3, kAscent = 0.8, kDescent = 0.25;

// How far the glyphs of `lines` lines reach down from the top of their box, in em.
double TextDepth(std::size_t lines) { return 1.0 + kDescent + kLineStep * static_cast<double>(lines - 1); }

std::size_t LineCount(std::string_view text) { return 1 + static_cast<std::size_t>(std::ranges::count(text, '#')); }

}  // namespace

void DrawHelpMouse(agg_ren& r, platform::Surface& buffer, const platform::Surface* picture, double x, double y,
                   double w, double h, unsigned lit) {
  const double cx = x + w / 2, cy = y + h / 2, a = w * 0.45, b = h * 0.47;
  // The body's texture: a piece of the picture under a translucent white.
  if (picture != nullptr && !picture->Bounds().Empty()) {
    const platform::Rect piece{0, 0, std::min(picture->Width(), 120), std::min(picture->Height(), 160)};
    platform::AlphaBlend(buffer,
                         {static_cast<int>(cx - a * 0.8), static_cast<int>(cy - b * 0.8),
                          static_cast<int>(cx + a * 0.8), static_cast<int>(cy + b * 0.8)},
                         *picture, piece, 70, false);
  }
  FlatPanel(r, cx - a, cy - b, 2 * a, 2 * b, a * 0.9, rgba8(250, 250, 255, 120), rgba8(0, 0, 0, 0), 0.5f);
  const double gap = a * 0.06, top = cy - b * 0.92, bottom = cy - b * 0.12;
  const double button_a = (a * 0.85 - gap) / 2, button_b = (bottom - top) / 2;
  const double left_cx = cx - gap - button_a, right_cx = cx + gap + button_a, button_cy = (top + bottom) / 2;
  const double centres[] = {left_cx, cx, right_cx};
  const double half_widths[] = {button_a, a * 0.1, button_a};
  const double half_heights[] = {button_b, b * 0.16, button_b};
  for (int k = 0; k < 3; ++k) {
    const bool on = (lit >> k & 1u) != 0;
    const double bx = centres[k], bw = half_widths[k], bh = half_heights[k];
    if (on) {
      const rgba8 fill(kLitOutline[k].r, kLitOutline[k].g, kLitOutline[k].b, 110);
      FlatPanel(r, bx - bw * 0.9, button_cy - bh * 0.9, bw * 1.8, bh * 1.8, bw * 0.6, fill, rgba8(0, 0, 0, 0), 0.5f);
    }
    SplineOutline(r, bx, button_cy, bw, bh, on ? kLitOutline[k] : kDarkOutline[k], on ? 3.0f : 1.5f);
  }
  SplineOutline(r, cx, cy, a, b, rgba8(60, 60, 90, 255), 2.5f);
}

void HelpPanel::Init(MainWindow* owner, const platform::WindowRect& rect) {
  Owner = owner;
  Rect = rect;
  Page = FirstPage();
  if (owner != nullptr) Scale = owner->Metrics.UiScale;
}

void HelpPanel::Invalidate() {
  if (Owner != nullptr) Owner->InvalidateLocal(Rect);
}

// The window keeps the shown flag and the rectangle that the graph view's click tests.
void HelpPanel::Show() {
  Shown = 1;
  if (Owner != nullptr) {
    Owner->HelpPanelShown = 1;
    Owner->HelpPanel = PixelRect{Rect.left, Rect.top, Rect.right, Rect.bottom};
  }
  Invalidate();
}

void HelpPanel::Hide() {
  Shown = 0;
  if (Owner != nullptr) Owner->HelpPanelShown = 0;
  if (Owner != nullptr && Owner->View) Owner->View->FullRedraw = 1;
  Invalidate();
}

void HelpPanel::NextPage() {
  const std::int32_t next = Page >= LastPage ? 0 : Page + 1;
  if (next == Page) return;
  Page = next;
  // The graph under the panel is drawn again, a viewable record with it.
  if (Owner != nullptr && Owner->View) Owner->View->FullRedraw = 1;
  Invalidate();
}

void HelpPanel::PrevPage() {
  if (Page <= 0) return;
  --Page;
  Invalidate();
}

void HelpPanel::TextIn(agg_ren& r, std::string_view text, double x, double y, const platform::WindowRect& box) {
  const double scale = 1.1 * Scale, em = r.EngineHeight() * scale;
  for (std::size_t start = 0, k = 0; start <= text.size(); ++k) {
    const std::size_t end = std::min(text.find('#', start), text.size());
    const std::string line = platform::Utf8ToCp1251(text.substr(start, end - start));
    start = end + 1;
    const double top = y + static_cast<double>(k) * kLineStep * em;
    r.DrawTextInBox(line.c_str(), x, top, box.Width(), em, scale, kBlack, nullptr, 0);
    const double baseline = top + em;
    Lines.push_back({{static_cast<int>(std::floor(x)), static_cast<int>(std::floor(baseline - kAscent * em)),
                      static_cast<int>(std::ceil(r.style.text_end_x)), static_cast<int>(std::ceil(baseline + kDescent * em))},
                     box});
  }
}

void HelpPanel::Paint(agg_ren& r, platform::Surface& buffer) {
  if (Owner == nullptr) return;
  Lines.clear();
  const double s = Scale, x0 = Rect.left, y0 = Rect.top, w = Rect.Width(), h = Rect.Height();
  const bool english = Owner->EnglishUi();
  // 1. The panel, with a piece of the start picture blended over it (the piece kept inside the picture).
  FlatPanel(r, x0, y0, w, h, 4 * s, rgba8(250, 250, 255, 165), rgba8(126, 130, 191, 255));
  const platform::Surface* picture = Owner->Bitmap(kStartBackgroundBitmap);
  if (picture != nullptr && !picture->Bounds().Empty()) {
    const platform::Rect wanted{200, picture->Height() - 200, 350, picture->Height()};
    const platform::Rect piece{std::clamp(wanted.left, 0, picture->Width()), std::clamp(wanted.top, 0, picture->Height()),
                               std::clamp(wanted.right, 0, picture->Width()),
                               std::clamp(wanted.bottom, 0, picture->Height())};
    if (!piece.Empty()) platform::AlphaBlend(buffer, {Rect.left, Rect.top, Rect.right, Rect.bottom}, *picture, piece, 164, false);
  }
  // 2. Title band and 3. the "next" field.
  const double band = 35 * s;
  FlatPanel(r, x0 + 2, y0 + 2, w - 4, band, 4 * s, kWhite, rgba8(126, 130, 191, 255));
  const double nx = x0 + 2 + 0.67 * (w - 4), ny = y0 + 2 + 0.125 * band, nw = 100 * s, nh = 0.75 * band;
  FlatPanel(r, nx, ny, nw, nh, 4 * s, kWhite, rgba8(126, 130, 191, 255));
  NextRect = Box(nx, ny, nw, nh);
  const double em = r.EngineHeight() * 1.1 * s;
  // One line set in the middle of the field's height, as the title beside it.
  TextIn(r, kNext.Of(english), nx + 0.2 * nw, ny + (nh - TextDepth(1) * em) / 2, NextRect);
  // 4. Page title, left of the "next" field.
  const std::size_t page = static_cast<std::size_t>(std::clamp(Page, 0, 3));
  TextIn(r, kTitles[page].Of(english), x0 + 15 * s, y0 + 2 + (band - TextDepth(1) * em) / 2, Box(x0 + 2, y0 + 2, nx - x0 - 2, band));
  const double below_band = y0 + 2 + band;
  if (Page == 2) PaintKeys(r, below_band);
  else if (Page == 3) PaintSensors(r, below_band);
  else PaintMousePage(r, buffer, below_band);
}

void HelpPanel::PaintKeys(agg_ren& r, double top) {
  const double s = Scale, x0 = Rect.left;
  const bool english = Owner->EnglishUi();
  const double cap_w = 110 * s, cap_h = 50 * s, cap_x = x0 + 30 * s, em = r.EngineHeight() * 1.1 * s;
  for (std::size_t k = 0; k < std::size(kKeys); ++k) {
    const double y = top + 20 + static_cast<double>(k) * 60 * s;
    // Texts sit in the middle of the caps' height: the two-line description fills it.
    const auto middle = [&](std::string_view text) { return y + (cap_h - TextDepth(LineCount(text)) * em) / 2; };
    FlatPanel(r, cap_x, y, cap_w, cap_h, 6 * s, kWhite, rgba8(125, 125, 125, 255));
    TextIn(r, kKeys[k].Name, cap_x + kKeys[k].NameAt * cap_w, middle(kKeys[k].Name), Box(cap_x, y, cap_w, cap_h));
    const double dx = cap_x + cap_w + 10 * s, dw = Rect.right - 10 * s - dx;
    FlatPanel(r, dx, y, dw, cap_h, 6 * s, kWhite, rgba8(125, 125, 125, 255));
    const std::string_view description = kKeys[k].Description.Of(english);
    TextIn(r, description, dx + 10 * s, middle(description), Box(dx, y, dw, cap_h));
  }
}

void HelpPanel::PaintMousePage(agg_ren& r, platform::Surface& buffer, double top) {
  const double s = Scale, x0 = Rect.left;
  const bool english = Owner->EnglishUi();
  const ScreenMetrics& m = Owner->Metrics;
  // Screens marked wide but lower than 801 pixels get taller text panels.
  const double extra = m.WideScreen && m.AspectRatio < 1.5f ? 10 * s : 0;
  const double mouse_w = 70 * s, text_x = x0 + 30 * s;
  const double text_w = Rect.right - text_x - mouse_w - 40 * s;
  const rgba8 fill = Page == 0 ? rgba8(255, 250, 250, 255) : rgba8(250, 255, 250, 255);
  const platform::Surface* picture = Owner->Bitmap(kStartBackgroundBitmap);
  const auto block = [&](double y, double height, std::string_view text, unsigned lit) {
    FlatPanel(r, text_x, y, text_w, height, 6 * s, fill, rgba8(125, 125, 125, 255));
    TextIn(r, text, text_x + 10 * s, y + 5 * s, Box(text_x, y, text_w, height));
    DrawHelpMouse(r, buffer, picture, text_x + text_w + 20 * s, y, mouse_w, std::min(height, 130 * s), lit);
  };
  if (Page == 1) {
    block(top + 10, 160 * s + extra, kMarkerText.Of(english), 4u);
    return;
  }
  double y = top + 10;
  for (std::size_t k = 0; k < std::size(kMouseTexts); ++k) {
    const double height = 90 * s + (k == 0 ? extra : 0);
    block(y, height, kMouseTexts[k].Of(english), 1u << k);
    y += height + 30 * s;
  }
}

void HelpPanel::PaintSensors(agg_ren& r, double top) {
  const double s = Scale, x = Rect.left + 20 * s, w = Rect.Width() - 40 * s;
  FlatPanel(r, x, top + 10, w, 220 * s, 6 * s, kWhite, rgba8(125, 125, 125, 255));
  TextIn(r, kSensorText.Of(Owner->EnglishUi()), x + 10 * s, top + 15, Box(x, top + 10, w, 220 * s));
}
