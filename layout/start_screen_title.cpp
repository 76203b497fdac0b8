// The title band: its geometry from UiScale, the shapes' design, their timing by spline, and the drawing of one frame.
#include "layout/start_screen_title.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "platform/cp1251.h"
#include "render/agg_ren.h"
#include "resources/string_table.h"

namespace {

constexpr std::array<std::uint8_t, StartScreenTitle::kShapeCount> kPointCounts = {
    5, 4, 4, 4, 5, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 6, 4, 4, 4, 5, 4, 5, 4, 4, 4};
constexpr std::array<std::uint8_t, StartScreenTitle::kShapeCount> kStartOrder = {
    0, 1, 2, 3, 4, 6, 5, 7, 8, 9, 10, 12, 11, 14, 15, 13, 16, 26, 25, 24, 22, 23, 21, 20, 19, 18, 17};

// The first shape as designed: five points sliding left at constant heights.
constexpr std::array<std::array<float, 3>, 5> kFirstShape = {{{59.6065f, 30.4949f, 55.1265f},
                                                              {59.6123f, 37.7031f, 55.1322f},
                                                              {49.7247f, 37.785f, 47.4783f},
                                                              {49.7554f, 34.6724f, 47.5191f},
                                                              {49.8012f, 31.9693f, 47.58f}}};

// The other shapes: a small polygon about a centre, sheared a little, and how its points move.
enum class Move : std::uint8_t { All, Upper };
struct ShapeDesign {
  float Cx, Cy, Rx, Ry, Shear, Dx, Dy;
  Move Which;
};
constexpr std::array<ShapeDesign, StartScreenTitle::kShapeCount> kDesigns = {{
    {},  // the first shape is listed above
    // The shapes keep under the title's panel: the title's letters and the panel's empty right
    // part stay clear of them.
    {66.0f, 80.0f, 3.5f, 3.5f, 1.5f, -4.0f, 0.0f, Move::All},
    {76.0f, 80.0f, 3.0f, 3.5f, 1.5f, -3.5f, 0.0f, Move::All},
    {86.0f, 80.0f, 3.0f, 3.5f, 1.5f, -3.0f, 0.0f, Move::All},
    {430.0f, 95.0f, 4.0f, 3.0f, 0.0f, 0.0f, -6.0f, Move::Upper},
    {444.0f, 95.0f, 4.0f, 3.0f, 0.0f, 0.0f, -7.0f, Move::Upper},
    {458.0f, 95.0f, 4.0f, 3.0f, 0.0f, 0.0f, -5.0f, Move::Upper},
    {472.0f, 95.0f, 4.0f, 3.0f, 0.0f, 0.0f, -8.0f, Move::Upper},
    {486.0f, 95.0f, 4.0f, 3.0f, 0.0f, 0.0f, -6.0f, Move::Upper},
    {500.0f, 95.0f, 4.0f, 3.0f, 0.0f, 0.0f, -4.0f, Move::Upper},
    {514.0f, 95.0f, 4.0f, 3.0f, 0.0f, 0.0f, -7.0f, Move::Upper},
    {528.0f, 95.0f, 4.0f, 3.0f, 0.0f, 0.0f, -5.0f, Move::Upper},
    {542.0f, 95.0f, 4.0f, 3.0f, 0.0f, 0.0f, -6.0f, Move::Upper},
    {556.0f, 95.0f, 4.0f, 3.0f, 0.0f, 0.0f, -3.0f, Move::Upper},
    {570.0f, 95.0f, 4.0f, 3.0f, 0.0f, 0.0f, -5.0f, Move::Upper},
    {584.0f, 95.0f, 4.0f, 3.0f, 0.0f, 0.0f, -4.0f, Move::Upper},
    {510.0f, 90.0f, 90.0f, 8.0f, 0.0f, 0.0f, -8.0f, Move::Upper},  // the caption's strip
    {360.0f, 90.0f, 10.0f, 8.0f, 0.0f, 4.0f, -4.0f, Move::All},
    {80.0f, 93.0f, 6.0f, 4.0f, 2.0f, 0.0f, -6.0f, Move::All},
    {108.0f, 93.0f, 6.0f, 4.0f, 2.0f, 0.0f, -5.0f, Move::All},
    {136.0f, 93.0f, 6.0f, 4.0f, 2.0f, 0.0f, -4.0f, Move::All},
    {164.0f, 93.0f, 6.0f, 4.0f, 2.0f, 3.0f, -3.0f, Move::All},
    {192.0f, 93.0f, 6.0f, 4.0f, 2.0f, 0.0f, -5.0f, Move::All},
    {220.0f, 93.0f, 6.0f, 4.0f, 2.0f, 3.0f, -4.0f, Move::All},
    {248.0f, 93.0f, 6.0f, 4.0f, 2.0f, 0.0f, -3.0f, Move::All},
    {276.0f, 93.0f, 6.0f, 4.0f, 2.0f, 0.0f, -4.0f, Move::All},
    {304.0f, 93.0f, 6.0f, 4.0f, 2.0f, 0.0f, -2.0f, Move::All},
}};

// Letter advances of the maker's name: narrow letters closer, wide ones further apart.
constexpr std::array<double, 8> kRussianAdvances = {1.35, 1.2, 1.2, 1.25, 1.25, 1.2, 1.2, 1.1};
constexpr std::array<double, 7> kEnglishAdvances = {1.3, 0.9, 1.2, 1.25, 1.25, 1.2, 1.2};
constexpr const char* kMakerRu = "Браннокс";
constexpr const char* kMakerEn = "Brannox";

void BuildSpline(CubicSpline& spline, std::initializer_list<std::pair<double, double>> nodes) {
  std::vector<double> x, y;
  for (const auto& [a, b] : nodes) {
    x.push_back(a);
    y.push_back(b);
  }
  spline.Build(x.data(), y.data(), static_cast<std::uint32_t>(x.size()));
}

rgba8 FromWord(std::uint32_t word) {
  return rgba8(word & 0xFF, (word >> 8) & 0xFF, (word >> 16) & 0xFF, (word >> 24) & 0xFF);
}

}  // namespace

void TitleShape::AllocatePoints(std::uint8_t count) {
  PointCount = count;
  BasePoints.assign(count, {});
  EndPoints.assign(count, {});
  PointDelta.assign(count, {});
  DrawPoints.assign(2u * count, 0.0);
  PointMoves.assign(count, 0);
}

double TitleShape::Progress(std::int32_t e, const CubicSpline& ease) const {
  if (e < StartFrame) return 0.0;
  if (FrameCount == 0) return 1.0;
  const std::int32_t done = e > EndFrame ? FrameCount : e - StartFrame;
  return ease.Evaluate(static_cast<double>(done) / FrameCount);
}

void StartScreenTitle::Setup(float ui_scale) {
  const double s = 0.83 * ui_scale;
  const auto t = [](double v) { return static_cast<int>(v); };
  TitleArea.left = t(22 * s);
  TitleArea.top = t(20 * s);
  TitleArea.right = t(590 * s) + TitleArea.left;
  TitleArea.bottom = t(110 * s) + TitleArea.top;
  PanelArea = platform::WindowRect::FromSize(t(TitleArea.left + 25 * s), TitleArea.top + 2, t(545 * s), t(45 * s));
  CaptionArea = TitleArea;
  const float x_factor = static_cast<float>(t(545 * s)) / 535.0f;
  const float y_factor = static_cast<float>(t(45 * s)) / 45.0f;
  BuildTitleShapes(x_factor, y_factor, -10.0f * x_factor, -8.0f * y_factor);
  BuildSpline(ShapeStartSpline, {{0, 0}, {0.4 * 26, 5}, {0.7 * 27, 7}, {26, 9}});
  BuildSpline(EaseSpline, {{0, 0}, {0.3, 0.2}, {0.7, 0.5}, {1, 1}});
  BuildSpline(LetterSpline, {{0, 0.2}, {0.35, 0.4}, {0.75, 0.95}, {0.8, 0.95}, {0.85, 0.9}, {0.9, 0.9}, {1, 1}});
  BuildSpline(GrowSpline, {{0, 0}, {3, 0.15}, {6, 0.5}, {10, 0.7}});
  SetShapeTiming(0, 15);
  ShapeOrder = kStartOrder;
  for (std::size_t k = 0; k < ShapeOrder.size(); ++k) {
    TitleShape& shape = Shapes[ShapeOrder[k]];
    shape.StartFrame = static_cast<std::uint16_t>(ShapeStartSpline.Evaluate(static_cast<double>(k)));
    shape.EndFrame = std::min<std::uint16_t>(shape.StartFrame + 6, FrameLimit);
    shape.FrameCount = static_cast<std::uint16_t>(shape.EndFrame - shape.StartFrame);
    shape.ShapeFrame = 0;
    for (std::size_t i = 0; i < shape.PointCount; ++i) {
      shape.PointDelta[i] = {shape.EndPoints[i].first - shape.BasePoints[i].first,
                             shape.EndPoints[i].second - shape.BasePoints[i].second};
    }
  }
}

void StartScreenTitle::BuildTitleShapes(float scale_x, float scale_y, float offset_x, float offset_y) {
  Shapes.assign(kShapeCount, TitleShape{});
  ShapeCount = kShapeCount;
  const auto place = [&](float x, float y) { return std::pair<float, float>{offset_x + scale_x * x, offset_y + scale_y * y}; };
  for (std::size_t k = 0; k < kShapeCount; ++k) {
    TitleShape& shape = Shapes[k];
    shape.AllocatePoints(kPointCounts[k]);
    for (std::size_t i = 0; i < shape.PointCount; ++i) {
      float bx, by, ex, ey;
      bool moves = true;
      if (k == 0) {
        bx = kFirstShape[i][0], by = kFirstShape[i][1], ex = kFirstShape[i][2], ey = by;
      } else {
        const ShapeDesign& d = kDesigns[k];
        // Corners of a small polygon, from the lower left along the bottom and back over the top.
        const double angle = std::numbers::pi * (1.25 + 2.0 * static_cast<double>(i) / shape.PointCount);
        const float c = static_cast<float>(std::cos(angle)), sn = static_cast<float>(std::sin(angle));
        bx = d.Cx + d.Rx * c + d.Shear * sn;
        by = d.Cy - d.Ry * sn;
        moves = d.Which == Move::All || by < d.Cy;
        ex = bx + (moves ? d.Dx : 0.0f);
        ey = by + (moves ? d.Dy : 0.0f);
      }
      shape.BasePoints[i] = place(bx, by);
      shape.EndPoints[i] = place(ex, ey);
      shape.PointMoves[i] = moves ? 1 : 0;
    }
  }
}

void StartScreenTitle::SetShapeTiming(std::uint8_t first, std::uint8_t last) {
  FirstFrame = first;
  FrameLimit = last;
  FrameSpan = static_cast<std::uint8_t>(last - first + 1);
  Frame = 0;
  for (TitleShape& shape : Shapes) {
    shape.StartFrame = first;
    shape.EndFrame = last;
    shape.FrameCount = static_cast<std::uint16_t>(last - first);
  }
}

void StartScreenTitle::Start(std::uint8_t receding) {
  Frame = 0;
  FrameSpan = 15;
  Receding = receding;
}

bool StartScreenTitle::Step() {
  Frame = static_cast<std::uint8_t>(Frame + 1);
  if (Frame > FrameLimit) {
    Frame = FrameLimit;
    return true;
  }
  return false;
}

double StartScreenTitle::CaptionProgress() const {
  if (Shapes.size() <= kAnchorShape || Shapes[kAnchorShape].PointCount < 4) return 0.0;
  const TitleShape& anchor = Shapes[kAnchorShape];
  const double travel = anchor.EndPoints[3].second - anchor.BasePoints[3].second;
  if (travel == 0.0) return 0.0;
  const double t = anchor.Progress(Effective(), EaseSpline);
  return std::trunc(t * anchor.PointDelta[3].second) / travel;
}

void StartScreenTitle::DrawMakerCaption(agg_ren& renderer, bool english, float ui_scale) {
  if (!renderer.Attached() || renderer.Base() == nullptr) return;
  auto& base = *renderer.Base();
  const auto clip_to_band = [&] { base.clip_box(TitleArea.left, TitleArea.top, TitleArea.right - 1, TitleArea.bottom - 1); };
  const auto reset_clip = [&] {
    base.reset_clipping(true);
    renderer.Rasterizer().reset_clipping();
  };
  clip_to_band();
  const std::int32_t e = Effective();
  for (TitleShape& shape : Shapes) {
    const double t = shape.Progress(e, EaseSpline);
    for (std::size_t i = 0; i < shape.PointCount; ++i) {
      const double move = shape.PointMoves[i] != 0 ? t : 0.0;
      shape.DrawPoints[2 * i] = shape.BasePoints[i].first + move * shape.PointDelta[i].first;
      shape.DrawPoints[2 * i + 1] = shape.BasePoints[i].second + move * shape.PointDelta[i].second;
    }
    const auto alpha = static_cast<std::uint8_t>(70.0 * t);
    if (alpha == 0 || shape.PointCount < 3) continue;
    auto& ras = renderer.Rasterizer();
    ras.reset();
    ras.move_to_d(shape.DrawPoints[0], shape.DrawPoints[1]);
    for (std::size_t i = 1; i < shape.PointCount; ++i) ras.line_to_d(shape.DrawPoints[2 * i], shape.DrawPoints[2 * i + 1]);
    ras.close_polygon();
    renderer.Solid()->color(rgba8(0, 0, 100, alpha));
    renderer.RenderScanlines();
    ras.reset();
  }
  reset_clip();
  clip_to_band();
  // The caption rises with the anchor's strip, letter by letter.
  const double p = CaptionProgress();
  if (p > 0.0 && Shapes.size() > kAnchorShape) {
    const auto& points = Shapes[kAnchorShape].DrawPoints;
    const double w = std::abs(points[4] - points[6]);
    double x = points[6] + (english ? 0.135 : 0.2) * w;
    const double y = points[1] - 2.0;
    const double unit = renderer.EngineWidth() * 1.2 * ui_scale;
    const double full = p * 1.1 * ui_scale;
    const std::string name = platform::Utf8ToCp1251(english ? kMakerEn : kMakerRu);
    renderer.style.glyph_contour_factor = 0.2;
    for (std::size_t i = 0; i < name.size(); ++i) {
      const double g = GrowSpline.Evaluate(static_cast<double>(i));
      const double size = p < g ? 0.2 * full : LetterSpline.Evaluate(std::min(1.0, (p - g) / 0.2)) * full;
      const char letter[2] = {name[i], 0};
      const double height = renderer.EngineHeight() * size;
      renderer.DrawTextInBox(letter, x, y - height, unit * 2.0, height, size, rgba8(255, 255, 255, 255), nullptr, 0);
      const double factor = english ? (i < kEnglishAdvances.size() ? kEnglishAdvances[i] : 1.0)
                                    : (i < kRussianAdvances.size() ? kRussianAdvances[i] : 1.0);
      x += unit * factor;
    }
    renderer.style.glyph_contour_factor = 0.01;
  }
  reset_clip();
}

void SetTextFont(agg_ren& renderer, const char* face, std::uint8_t height, std::uint8_t width, std::uint16_t weight) {
  if (face == nullptr) {
    face = "Tahoma";
    height = 17;
    width = 9;
    weight = 400;
  }
  renderer.style.typeface = face;
  renderer.style.font_height = height;
  renderer.style.font_width = width;
  renderer.style.font_weight = weight;
  renderer.ResetFont();
}

void DrawTranslucentPanel(agg_ren& renderer, const StartScreenTitle& title, float scale_y) {
  const platform::WindowRect& a = title.PanelArea;
  PanelRect rect{static_cast<double>(a.left), static_cast<double>(a.Width()), static_cast<double>(a.top),
                 static_cast<double>(a.Height())};
  renderer.style.highlight = FromWord(0x9B5A0A0A);
  renderer.style.corner_radius = 5.0 * scale_y;
  renderer.DrawRoundedPanel(rect, PanelStyle{0, 0, 0, 1, 100}, 1.0f, 3.0f, FromWord(0x37FFFAFA), 1.0f);
}

void DrawProductTitle(agg_ren& renderer, StartScreenTitle& title, float ui_scale, float scale_y) {
  SetTextFont(renderer, "Impact", 12, 10, 400);
  const platform::WindowRect& a = title.PanelArea;
  PanelRect rect{static_cast<double>(a.left), static_cast<double>(a.Width()), static_cast<double>(a.top),
                 static_cast<double>(a.Height())};
  renderer.style.highlight = FromWord(0x9B5A0A0A);
  renderer.style.corner_radius = 8.0 * scale_y;
  renderer.DrawRoundedPanel(rect, PanelStyle{0, 0, 0, 1, 100}, 1.0f, 3.0f, FromWord(0x37FFFAFA), 1.0f);
  // Russian and English forms, one line each, both inside the panel: the designed size where the
  // panel holds two lines of it, else as large as it does (ascent, line step and descent in ems).
  // The margin keeps the letters' outlines off the band's edges.
  constexpr double kAscent = 0.8, kStep = 1.1, kDescent = 0.25;
  const double margin = std::max(4.0, 5.0 * ui_scale);
  const double unit = renderer.EngineHeight();
  const double fit = unit > 0.0 ? (a.Height() - 2.0 * margin) / ((kAscent + kStep + kDescent) * unit) : 0.0;
  const double size = std::min(1.6 * ui_scale, fit);
  const double em = unit * size;
  const double x = a.left + 12.0 * ui_scale;
  const double first_baseline = a.top + (a.Height() - (kAscent + kStep + kDescent) * em) / 2.0 + kAscent * em;
  const std::string lines[] = {platform::Utf8ToCp1251(LoadString(kStringTitle, 1049)),
                               platform::Utf8ToCp1251(LoadString(kStringTitle, 1033))};
  const double saved = renderer.style.glyph_contour_factor;
  title.TitleTextBox = {};
  for (std::size_t k = 0; k < 2; ++k) {
    // Mode 0 puts the baseline one em below the box's top.
    const double top = first_baseline + static_cast<double>(k) * kStep * em - em;
    // Outlines thin enough to leave the letters' counters open.
    renderer.style.glyph_contour_factor = 0.09;
    renderer.DrawTextInBox(lines[k].c_str(), x + 1, top + 1, a.Width(), em, size, FromWord(0x9B5A0A0A), nullptr, 0);
    renderer.style.glyph_contour_factor = 0.07;
    renderer.DrawTextInBox(lines[k].c_str(), x, top, a.Width(), em, size, FromWord(0xF5FFFFFF), nullptr, 0);
    const double baseline = top + em;
    const platform::WindowRect reach{static_cast<int>(std::floor(x)), static_cast<int>(std::floor(baseline - kAscent * em)),
                                     static_cast<int>(std::ceil(renderer.style.text_end_x + 1)),
                                     static_cast<int>(std::ceil(baseline + kDescent * em + 1))};
    title.TitleTextBox = title.TitleTextBox.Union(reach);
  }
  renderer.style.glyph_contour_factor = saved;
  SetTextFont(renderer, "Tahoma", 17, 9, 400);
}
