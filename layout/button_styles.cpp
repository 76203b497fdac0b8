// The image buttons' style values: the look families given at creation and the graph screen's seventeen buttons.
#include "layout/button_styles.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace {

using Colour = rgba8;
const Colour kBlack(0, 0, 0, 255);
const Colour kWhite(255, 255, 255, 255);

struct Look {
  float Fade;
  Colour A, B;
};

// Normal, pressed and hover looks, and the normal, alternative and shaded colour pairs.
struct FamilyLooks {
  Look Normal, Pressed, Hover;
  std::optional<std::array<Colour, 6>> Pairs;
};

constexpr double kGraphProfileX[] = {0.0, 0.2, 0.4, 0.7, 1.0};
constexpr double kGraphProfileY[] = {0.0, 0.8, 1.0, 0.5, 0.0};
constexpr double kRiseProfileX[] = {0.0, 0.5, 1.0};
constexpr double kRiseProfileY[] = {0.0, 0.6, 1.0};

const Colour kAltC(242, 240, 255, 255), kAltC2(71, 95, 255, 255);

FamilyLooks LooksOf(StyleFamily family, std::int32_t id) {
  switch (family) {
    case StyleFamily::A:
      return {{1.3f, {250, 250, 255, 95}, kBlack},
              {0.9f, {190, 160, 200, 15}, kBlack},
              {0.85f, {100, 60, 180, 145}, kWhite},
              std::nullopt};
    case StyleFamily::C:
      return {{1.0f, {190, 160, 200, 255}, kBlack},
              {0.9f, {202, 200, 234, 255}, kBlack},
              {0.8f, {80, 50, 155, 255}, kWhite},
              std::array<Colour, 6>{Colour(232, 230, 254, 255), Colour(101, 125, 221, 255), kAltC, kAltC2,
                                    Colour(51, 65, 201, 255), Colour(21, 45, 100, 255)}};
    case StyleFamily::CRange:
      return {{1.1f, {190, 160, 200, 255}, kBlack},
              {0.9f, {202, 200, 234, 255}, kBlack},
              {0.8f, {180, 150, 255, 255}, kBlack},
              std::array<Colour, 6>{Colour(247, 245, 255, 255), Colour(101, 125, 221, 255), kAltC, kAltC2,
                                    Colour(252, 250, 255, 255), Colour(41, 55, 255, 255)}};
    case StyleFamily::COk:
      return {{1.0f, {242, 240, 254, 255}, kBlack},
              {0.9f, {232, 230, 254, 255}, kBlack},
              {0.8f, {180, 180, 255, 255}, kBlack},
              std::array<Colour, 6>{Colour(242, 230, 254, 255), Colour(101, 125, 221, 255), kAltC, kAltC2,
                                    Colour(202, 200, 254, 255), Colour(41, 55, 255, 255)}};
    case StyleFamily::D:
      return {{1.4f, {133, 153, 255, 255}, kBlack},
              {1.0f, {143, 163, 242, 255}, kBlack},
              {0.7f, {200, 60, 180, 255}, kBlack},
              std::array<Colour, 6>{Colour(142, 160, 232, 255), Colour(101, 125, 221, 255), Colour(122, 140, 232, 255),
                                    Colour(31, 55, 255, 255), Colour(112, 130, 212, 255), Colour(71, 95, 255, 255)}};
    case StyleFamily::E: {
      const Look same{1.0f, {232, 236, 252, 255}, kBlack};
      const Colour p(144, 158, 231, 255), q(195, 215, 255, 255);
      return {same, same, same, std::array<Colour, 6>{p, q, p, q, p, q}};
    }
    case StyleFamily::F: {
      // The first sensor button is the brighter one; the others redden its pairs by 10 or 15.
      const bool first = id == 75163;
      const std::uint8_t red = id == 75166 ? 15 : id == 75163 ? 0 : 10;
      std::array<Colour, 6> pairs{Colour(157, 148, 231, 255), Colour(145, 122, 217, 255), Colour(144, 110, 230, 255),
                                  Colour(114, 105, 160, 255), Colour(138, 125, 200, 255), Colour(87, 47, 188, 255)};
      for (Colour& c : pairs) c.r = static_cast<std::uint8_t>(c.r + red);
      return {{1.4f, {179, 115, static_cast<std::uint8_t>(first ? 255 : 225), 255}, kBlack},
              {1.0f, {163, 139, static_cast<std::uint8_t>(first ? 210 : 189), 255}, kWhite},
              {0.7f, {130, 115, 140, 255}, kBlack},
              pairs};
    }
    case StyleFamily::G: {
      const Colour c(232, 236, 252, 255);
      return {{1.2f, c, kBlack},
              {1.0f, c, kBlack},
              {0.8f, c, kBlack},
              std::array<Colour, 6>{Colour(143, 152, 245, 255), Colour(205, 225, 255, 255), Colour(140, 141, 244, 255),
                                    Colour(145, 118, 180, 255), Colour(140, 98, 184, 255), Colour(138, 91, 187, 255)}};
    }
    case StyleFamily::Close: {
      const Colour c = id == 75167 ? Colour(14, 16, 206, 255) : Colour(180, 182, 226, 255);
      return {{1.1f, c, kWhite}, {0.9f, c, kWhite}, {0.8f, c, kWhite}, std::nullopt};
    }
    case StyleFamily::SetZero: {
      const Colour c(200, 60, 180, 255);
      return {{1.4f, c, kBlack}, {1.0f, c, kBlack}, {0.7f, c, kBlack}, std::nullopt};
    }
    case StyleFamily::Hint: {
      const Look same{1.0f, {240, 250, 245, 255}, kBlack};
      return {same, same, same, std::nullopt};
    }
    case StyleFamily::B:
    case StyleFamily::None:
      break;
  }
  return {};
}

void SetLooks(AImageButton& b, const Look& normal, const Look& pressed, const Look& hover) {
  const auto put = [](AImageButton::Appearance& a, const Look& l) {
    a.Fade = l.Fade;
    a.ColourA = l.A;
    a.ColourB = l.B;
  };
  put(b.Looks[AImageButton::kNormal], normal);
  put(b.Looks[AImageButton::kPressed], pressed);
  put(b.Looks[AImageButton::kHover], hover);
}

void SetPairs(AImageButton& b, const std::array<Colour, 6>& c) {
  b.NormalColours.rest[0] = c[0];
  b.NormalColours.rest[1] = c[1];
  b.NormalColours.active[0] = c[2];
  b.NormalColours.active[1] = c[3];
  b.ShadedColours.rest[0] = c[4];
  b.ShadedColours.rest[1] = c[5];
  b.ShadedColours.active[0] = c[2];
  b.ShadedColours.active[1] = c[3];
}

// The caption and panel values: alignment in the low byte of the mode, the glyph in the high one.
struct CaptionValues {
  double Scale;
  double Radius;
  std::optional<std::uint16_t> Mode;
  std::optional<Colour> Frame;
  std::optional<int> Inset;
  std::optional<Colour> Panel;
  std::optional<std::pair<Colour, Colour>> Gradient;
};

// The panel's inset at the designed size and above is the designed one. On a smaller screen it
// shrinks with the square of the scale: the designed inset takes two thirds of a 40-pixel button's
// height, so shrinking it only as fast as the button would leave a strip under the caption.
void ScalePanelInset(AImageButton& b, const ScreenMetrics& m) {
  const double s = std::min({1.0f, m.ScaleX, m.ScaleY});
  b.Renderer().style.inset_scale = s * s;
}

void SetCaption(AImageButton& b, const CaptionValues& v) {
  b.BaseTextScale = v.Scale;
  b.CornerRadius = v.Radius;
  if (v.Mode) {
    b.AlignMode = static_cast<std::uint8_t>(*v.Mode & 0xFF);
    b.GlyphMode = static_cast<std::uint8_t>(*v.Mode >> 8);
  }
  AggStyle& s = b.Renderer().style;
  if (v.Frame) s.highlight = *v.Frame;
  if (v.Inset) b.Panel.inset = static_cast<std::uint8_t>(*v.Inset);
  if (v.Panel) s.inner_shadow = *v.Panel;
  if (v.Gradient) {
    s.gradient1 = v.Gradient->first;
    s.gradient2 = v.Gradient->second;
  }
}

std::uint16_t Mode(int align, int glyph = 0) { return static_cast<std::uint16_t>(glyph << 8 | align); }

CaptionValues CreationCaption(const AImageButton& b, StyleFamily family, const ScreenMetrics& m) {
  const double u = m.UiScale;
  const std::int32_t id = b.ControlId();
  const auto U = [u](double n) { return static_cast<int>(n * u); };
  const std::pair<Colour, Colour> graph_gradient{{222, 220, 244, 155}, {44, 20, 72, 105}};
  switch (family) {
    case StyleFamily::A: {
      const std::uint16_t mode = id == 75186   ? Mode(2)
                                 : id == 75050 ? Mode(1, 3)
                                 : id == 75016 ? Mode(1, 1)
                                 : id == 75054 ? Mode(1, 4)
                                               : Mode(1);
      // A narrow inset: the bar is low, and its buttons' bodies fill most of it, their captions inside.
      return {1.1 * (id == 75010 ? u : m.ScaleY), 3 * u, mode, Colour(100, 60, 180, 255), std::max(U(2), 1), {}, {}};
    }
    case StyleFamily::C:
      return {1.1 * u, 8 * u, Mode(4), Colour(254, 252, 255, 255), U(8), Colour(80, 80, 153, 155), graph_gradient};
    case StyleFamily::CRange:
      return {u, 8 * u, Mode(2), Colour(254, 252, 255, 255), U(10), Colour(80, 80, 153, 155), graph_gradient};
    case StyleFamily::COk:
      return {1.4 * u, 4.0, Mode(4, 1), Colour(254, 252, 255, 255), U(5), Colour(40, 40, 84, 105), graph_gradient};
    case StyleFamily::D:
      return {u, 15 * u, Mode(2), {}, {}, Colour(0, 0, 100, 20), std::pair{kWhite, kWhite}};
    case StyleFamily::E:
      return {1.05 * u, 15 * u, {}, Colour(250, 250, 255, 155), {}, {},
              std::pair{Colour(159, 138, 194, 255), Colour(198, 201, 244, 255)}};
    case StyleFamily::F:
      return {0.7 * u, 15 * u, Mode(0), {}, {}, {}, std::pair{Colour(158, 135, 189, 255), Colour(117, 77, 148, 255)}};
    case StyleFamily::G:
      return {u, 10 * u, Mode(22), {}, {}, {}, {}};
    case StyleFamily::Close:
      return {u, 8 * u, id == 75167 ? Mode(7, 1) : Mode(7, 4), {}, {}, {},
              std::pair{id == 75167 ? Colour(218, 212, 255, 255) : Colour(215, 217, 255, 255),
                        Colour(205, 207, 255, 255)}};
    case StyleFamily::SetZero:
      return {1.3 * u * b.BaseTextScale, 15 * u, Mode(2), {}, {}, {}, {}};
    case StyleFamily::Hint:
      return {1.1 * u, 5 * u, Mode(5), Colour(80, 130, 110, 255), {}, {}, {}};
    case StyleFamily::B:
    case StyleFamily::None:
      break;
  }
  return {b.BaseTextScale, b.CornerRadius, {}, {}, {}, {}, {}};
}

// Per-button values of the graph screen's buttons: caption scale and corner radius in UiScale,
// caption mode, the glyph's direction and caption flags, and whether a pressed button still hovers.
struct GraphButtonValues {
  std::int32_t Id;
  double Scale;
  double Radius;
  std::uint16_t Mode;
  std::uint8_t GlyphFlag1, GlyphFlag2, HoverWhenDown;
};

constexpr std::array<GraphButtonValues, 17> kGraphValues = {{
    {75013, 1.0, 12, 2, 0, 0, 0},     {75014, 1.0, 12, 770, 0, 1, 0},  {75053, 1.0, 12, 770, 1, 1, 0},
    {75052, 0.85, 12, 0, 0, 0, 0},    {75004, 1.4, 20, 2, 0, 0, 0},    {74999, 1.4, 20, 1282, 0, 0, 0},
    {75037, 1.4, 20, 516, 0, 0, 0},   {75045, 1.4, 20, 769, 0, 0, 0},  {75046, 1.4, 20, 770, 1, 0, 0},
    {75038, 1.4, 20, 2, 0, 0, 1},     {75039, 1.4, 20, 2, 0, 0, 1},    {75040, 1.4, 20, 2, 0, 0, 1},
    {75041, 1.4, 20, 2, 0, 0, 1},     {75181, 1.4, 20, 518, 0, 0, 0},  {75182, 1.4, 20, 518, 0, 0, 0},
    {75183, 1.4, 20, 518, 0, 0, 0},   {75184, 1.4, 20, 518, 0, 0, 0},
}};

}  // namespace

void StyleGraphButton(AImageButton& b, const ScreenMetrics& m) {
  const std::int32_t id = b.ControlId();
  const GraphButtonValues* v = nullptr;
  for (const GraphButtonValues& row : kGraphValues) {
    if (row.Id == id) v = &row;
  }
  if (v == nullptr) return;
  b.ColourLevel = 2;
  Look normal{1.0f, {190, 160, 200, 255}, kBlack};
  Look pressed{0.9f, {222, 220, 244, 255}, kBlack};
  Look hover{0.8f, {180, 150, 255, 255}, kWhite};
  std::array<Colour, 6> pairs{Colour(222, 220, 244, 255), Colour(144, 120, 172, 255), Colour(252, 250, 255, 255),
                              Colour(144, 120, 172, 255), Colour(172, 140, 224, 255), Colour(24, 20, 62, 255)};
  if (id == 75037) {
    normal.B = kWhite;
    hover.B = kBlack;
    pairs[2] = Colour(222, 220, 244, 255);
  } else if (id == 75038) {
    hover = {0.8f, {122, 20, 44, 255}, {1, 1, 1, 255}};
  } else if (id >= 75039 && id <= 75041) {
    hover.B = kBlack;
  }
  SetLooks(b, normal, pressed, hover);
  b.SetAnimationSteps(6, 6, 6, 1);
  SetPairs(b, pairs);

  const double u = m.UiScale;
  std::pair<Colour, Colour> gradient{{222, 220, 244, 155}, {44, 20, 72, 105}};
  if (id == 75004) gradient = {{222, 220, 244, 255}, {44, 20, 72, 255}};
  if (id == 75181) gradient = {{222, 20, 44, 155}, {144, 20, 22, 155}};
  const std::uint16_t mode = id == 75052 ? ScaleButtonCaptionMode(m.AspectRatio) : v->Mode;
  SetCaption(b, {v->Scale * u, v->Radius * u, mode, Colour(224, 232, 255, 255), static_cast<int>(10 * u),
                 Colour(118, 80, 153, 155), gradient});
  ScalePanelInset(b, m);
  b.Renderer().profile_a.Build(kGraphProfileX, kGraphProfileY, 5);
  b.GlyphFlag1 = v->GlyphFlag1;
  b.GlyphFlag2 = v->GlyphFlag2;
  b.ReportHoverWhenDown = v->HoverWhenDown;
  if (id == 75052) b.ZoomFactor = 0.15f;
  // The hold keeps its two bars in either state; its body shows the shaded colour while it holds.
  if (id == 74999) {
    b.SetBaseColour(172 | 140 << 8 | 224 << 16);
    b.ShadeByState = 1;
  }
  b.SelectNormalColours();
}

void ApplyCreationStyle(AImageButton& b, StyleFamily family, const ScreenMetrics& m) {
  if (family == StyleFamily::None) return;
  if (family == StyleFamily::B) {
    StyleGraphButton(b, m);
    return;
  }
  const std::int32_t id = b.ControlId();
  FamilyLooks looks = LooksOf(family, id);
  if (family == StyleFamily::A) {
    if (id == 75011 || id == 75012) looks.Hover.A.a = 95;
    if (id == 75016 || id == 75054) looks.Hover.B = kBlack;
  }
  SetLooks(b, looks.Normal, looks.Pressed, looks.Hover);
  // Without pairs there is nothing for a colour animation to move between.
  b.ColourLevel = looks.Pairs ? 2 : 1;
  if (looks.Pairs) SetPairs(b, *looks.Pairs);
  b.SetAnimationSteps(6, 6, 6, 1);
  SetCaption(b, CreationCaption(b, family, m));
  ScalePanelInset(b, m);
  if (id == 75171 || id == 75185) b.Renderer().profile_a.Build(kRiseProfileX, kRiseProfileY, 3);
  // "Measurements" shows its readiness colours, which the main window writes into its colour set; a
  // sensor button its normal or its alternative pair, so the chosen sensor stands out while pressed.
  b.GradientFromColourSet = family == StyleFamily::D || family == StyleFamily::F;
  // A sensor's caption keeps clear of the panel's rounded left edge; the device refresh places it in height.
  if (family == StyleFamily::F) b.TextX = 0.04f;
  if (looks.Pairs) b.SelectNormalColours();
}

void StyleDialModeButton(AImageButton& b, const ScreenMetrics& m) {
  AggStyle& s = b.Renderer().style;
  s.typeface = "Verdana";
  s.font_weight = 700;
  b.BaseTextScale = m.UiScale;
}
