// The analog dial (display mode 4): design geometry, the static face, the scale, the hub and the needle.
#include "graph/dial_view.h"

#include <agg_conv_bspline.h>
#include <agg_conv_stroke.h>
#include <agg_ellipse.h>
#include <agg_path_storage.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <string>

#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"
#include "platform/cp1251.h"
#include "render/agg_ren.h"

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// The scale's arcs: centre and radii (design units), inside out; tick 0 at 135.04 degrees.
constexpr double kScaleCentreX = 401.334, kScaleCentreY = 561.82;
constexpr std::array<double, 4> kArcRadius = {393.785, 412.39, 418.678, 427.667};
constexpr double kTick0Degrees = 135.04, kTickStepDegrees = 0.45274;
constexpr double kPivotX = 400.0, kPivotY = 561.821;

// The plate: its rectangle, corner radius, and the notch radius round the hub (design units). The
// notch clears the square that each paint wipes round the hub (half-side 98: radius 139 at its corners).
constexpr double kPlateLeft = 18.0, kPlateTop = 18.0, kPlateRight = 782.0, kPlateBottom = 563.0;
constexpr double kPlateCorner = 24.0, kPlateNotch = 142.0;
constexpr double kPlateStep = 0.75;

struct Dome {
  double cy, radius, from_degrees;  // centre (400, cy); runs from from_degrees down to 180 - from_degrees
};

// The circle through both ends (x symmetric about 400, at end_y) and the apex.
Dome DomeThrough(double end_x, double end_y, double apex_y) {
  const double a = kPivotX - end_x, s = end_y - apex_y;
  const double radius = (a * a + s * s) / (2.0 * s);
  const double cy = apex_y + radius;
  return {cy, radius, std::atan2(cy - end_y, -a) / kDegree};
}

// Renders what the rasterizer holds in one colour, then empties it.
void RenderIn(agg_ren& ren, const rgba8& colour) {
  ren.Solid()->color(colour);
  agg::render_scanlines(ren.Rasterizer(), ren.Scanline(), *ren.Solid());
  ren.Rasterizer().reset();
}

// A smooth B-spline through the points with the renderer's step, stroked.
template <class Points>
void StrokeSpline(agg_ren& ren, const Points& points, bool closed, const rgba8& colour, double width) {
  agg::path_storage path;
  bool first = true;
  for (const auto& p : points) {
    if (first) path.move_to(p.x, p.y);
    else path.line_to(p.x, p.y);
    first = false;
  }
  if (closed) path.close_polygon();
  agg::conv_bspline<agg::path_storage> spline(path);
  spline.interpolation_step(1.0 / std::max(1.0, ren.style.bspline_steps));
  agg::conv_stroke<agg::conv_bspline<agg::path_storage>> stroke(spline);
  stroke.width(width);
  ren.Rasterizer().reset();
  ren.Rasterizer().add_path(stroke);
  RenderIn(ren, colour);
}

struct Pt {
  double x, y;
};

// Appends points every `step` along the straight run from a to b (a included, b not).
void AddRun(std::vector<Pt>& out, Pt a, Pt b, double step) {
  const double len = std::hypot(b.x - a.x, b.y - a.y);
  const int n = std::max(1, static_cast<int>(std::ceil(len / step)));
  for (int i = 0; i < n; ++i) out.push_back({a.x + (b.x - a.x) * i / n, a.y + (b.y - a.y) * i / n});
}

// Appends points every `step` along an arc about c (y up), from degrees a0 to a1 (a1 not included).
void AddArc(std::vector<Pt>& out, Pt c, double r, double a0, double a1, double step) {
  const int n = std::max(1, static_cast<int>(std::ceil(std::abs(a1 - a0) * kDegree * r / step)));
  for (int i = 0; i < n; ++i) {
    const double a = (a0 + (a1 - a0) * i / n) * kDegree;
    out.push_back({c.x + r * std::cos(a), c.y - r * std::sin(a)});
  }
}

// The plate's outline `e` design units in from its edge: a rounded rectangle whose bottom edge
// rises round the hub; points about evenly spaced, so the spline follows the shape closely.
std::vector<Pt> PlateOutline(double e) {
  const double l = kPlateLeft + e, t = kPlateTop + e, r = kPlateRight - e, b = kPlateBottom - e;
  const double c = kPlateCorner - e, n = kPlateNotch + e, step = 8.0;
  // Where the notch meets the bottom edge.
  const double meet = std::asin(std::clamp((kPivotY - b) / n, -1.0, 1.0)) / kDegree;
  std::vector<Pt> out;
  AddRun(out, {l + c, t}, {r - c, t}, step);
  AddArc(out, {r - c, t + c}, c, 90.0, 0.0, step);
  AddRun(out, {r, t + c}, {r, b - c}, step);
  AddArc(out, {r - c, b - c}, c, 0.0, -90.0, step);
  AddRun(out, {r - c, b}, {kPivotX + n * std::cos(meet * kDegree), b}, step);
  AddArc(out, {kPivotX, kPivotY}, n, meet, 180.0 - meet, step);
  AddRun(out, {kPivotX - n * std::cos(meet * kDegree), b}, {l + c, b}, step);
  AddArc(out, {l + c, b - c}, c, 270.0, 180.0, step);
  AddRun(out, {l, b - c}, {l, t + c}, step);
  AddArc(out, {l + c, t + c}, c, 180.0, 90.0, step);
  return out;
}

// A shading line under the plate's top edge, `j` of four: the edge's inner offset from one end at
// y 34.6 + 1.5 j over the top (y 21.6 + 1.5 j) to the other, round the plate's corners.
std::vector<Pt> ShadingLine(int j) {
  const double e = 3.6 + 1.5 * j, end_y = 34.6 + 1.5 * j, c = kPlateCorner - e, step = 8.0;
  const Pt left{kPlateLeft + kPlateCorner, kPlateTop + kPlateCorner};
  const Pt right{kPlateRight - kPlateCorner, left.y};
  const double from = 180.0 - std::asin(std::clamp((left.y - end_y) / c, -1.0, 1.0)) / kDegree;
  std::vector<Pt> out;
  AddArc(out, left, c, from, 90.0, step);
  AddRun(out, {left.x, kPlateTop + e}, {right.x, kPlateTop + e}, step);
  AddArc(out, right, c, 90.0, 180.0 - from, step);
  const double a = (180.0 - from) * kDegree;
  out.push_back({right.x + c * std::cos(a), right.y - c * std::sin(a)});
  return out;
}

PixelRect Clamped(const PixelRect& r, const platform::Surface& s) {
  return {std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, s.Width()), std::min(r.Bottom, s.Height())};
}

// Copies the rectangle of `from` into `to` (both the same size).
void CopyRect(const platform::Surface& from, platform::Surface& to, const PixelRect& rect) {
  const PixelRect r = Clamped(Clamped(rect, from), to);
  if (r.Right <= r.Left) return;
  for (int y = r.Top; y < r.Bottom; ++y) {
    std::copy_n(from.Row(y) + 4 * r.Left, 4 * (r.Right - r.Left), to.Row(y) + 4 * r.Left);
  }
}

const VessamorChannel* FirstShownChannel(const GraphView& view) {
  for (const auto& ch : view.Channels) {
    if (ch && ch->Enabled != 0 && ch->Shown != 0) return ch.get();
  }
  return nullptr;
}

std::string OneDecimal(double v) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 1);
  return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("?");
}

}  // namespace

float DialScreen::NeedleScale() const {
  return Height / 600.0 >= Width / 800.0 ? ScaleX : ScaleY;
}

float DialView::DesignScale(const DialScreen& screen) {
  const float a = static_cast<float>(screen.Width - 40.0f * screen.ScaleX) / 800.0f;
  const float b = static_cast<float>(screen.Height - screen.ToolbarHeight()) / 600.0f;
  return screen.Height / 600.0 >= screen.Width / 800.0 ? b : a;
}

std::uint8_t DialView::DialTickOfPixel(double y, double h) {
  if (!(h > 0.0)) return 0;
  const double t = std::round((h - y) / h * 199.0);
  return static_cast<std::uint8_t>(std::clamp(std::isnan(t) ? 0.0 : t, 0.0, 199.0));
}

double DialView::TickDegrees(double tick) { return kTick0Degrees - tick * kTickStepDegrees; }

double DialView::NeedleDegrees(float dial_angle) const {
  const double f = DialAngleSpan != 0.0f ? (dial_angle + DialAngleMax) / DialAngleSpan : 0.5;
  return TickDegrees(f * (kTicks - 1));
}

void DialView::SwitchToDialMode(GraphView& view) {
  if (view.DisplayMode == kDisplayMode) return;
  view.DisplayMode = kDisplayMode;
  DialPrepared = 0;
  DialRimStyles[0].Colour = rgba8(79, 79, 79, 255);
  DialRimStyles[1].Colour = rgba8(203, 203, 203, 255);
  DialRimStyles[1].Width = 3.0f;
  DialAngleMax = 89.0f;
  DialAngleMin = -90.0f;
  DialAngleSpan = DialAngleMax - DialAngleMin;
  DialAngle = DialAngleMax - DialAngleSpan * 0.5f;
}

void DialView::Paint(agg_ren& ren, platform::Surface& back, const PixelRect& clip, GraphView& view,
                     const DialScreen& screen) {
  if (!ren.Attached() || !(DesignScale(screen) > 0.0f)) return;
  if (DialPrepared == 0) {
    DrawDialFrame(ren, screen);
    BuildDialGeometry(ren, screen);
    LayoutDialScreen(screen);
    const float reach = NeedleLength + 10.0f;
    DialRect = {static_cast<std::int32_t>(DialPivotX - reach), static_cast<std::int32_t>(DialPivotY - reach),
                static_cast<std::int32_t>(DialPivotX + reach), screen.ButtonTop - 1};
    if (saved_.Width() != back.Width() || saved_.Height() != back.Height()) {
      saved_ = platform::Surface(back.Width(), back.Height());
    }
    // The picture is kept over the dial's rectangle too, whatever the first clip: later paints
    // restore that rectangle from it while recording.
    CopyRect(back, saved_, clip);
    CopyRect(back, saved_, DialRect);
    DialPrepared = 1;
  }
  CopyRect(saved_, back, view.Recording.load(std::memory_order_acquire) != 0 ? DialRect : clip);
  PaintDialScreen(ren, view, screen);
}

void DialView::DrawDialFrame(agg_ren& ren, const DialScreen& screen) {
  ren.Clear(Background);
  const PixelRect& v = screen.ViewRect;
  const double ix = 10.0 * screen.ScaleX, iy = 10.0 * screen.ScaleY, toolbar = screen.ToolbarHeight();
  PanelRect panel{v.Left + ix, v.Width() - 2.0 * ix, v.Top + iy + toolbar, v.Height() - 2.0 * iy - toolbar};
  const rgba8 kept = ren.style.highlight;
  ren.style.highlight = rgba8(10, 10, 70, 255);
  ren.style.corner_radius = 30.0 * screen.UiScale;
  ren.DrawRoundedPanel(panel, PanelStyle{0, 0, 0, 0, 100}, 1.0f, 2.0f * screen.UiScale, rgba8(0, 0, 0, 0), 1.0f);
  ren.style.corner_radius = 15.0 * screen.UiScale;
  ren.style.highlight = kept;
}

void DialView::BuildDialGeometry(agg_ren& ren, const DialScreen& screen) {
  const float k = DesignScale(screen);
  DesignFactor = k;
  DialOriginX = screen.Width * 0.5f - 400.0f * k;
  DialOriginY = screen.Width / 800.0 <= screen.Height / 600.0
                    ? static_cast<float>(screen.Height * 0.9363683333333334 - kPivotY * k)
                    : 0.0f;
  BuildDialTickPoints(DialOriginX, DialOriginY, k);
  DrawDialFace(ren, DialOriginX, DialOriginY, k);
  DialHubPolygons.clear();
  for (const auto& curve : HubCurves) {
    interactive_polygon& p = DialHubPolygons.emplace_back(static_cast<std::uint32_t>(kHubPoints), 3.0);
    for (std::uint32_t i = 0; i < kHubPoints; ++i) {
      p.xn(i) = curve[i].x;
      p.yn(i) = curve[i].y;
    }
  }
  for (std::size_t i = 1; i <= 8; ++i) {
    DialRimStyles[i].Flag = 0;
    DialRimStyles[i].Width = 1.5f;
  }
  const std::uint8_t alphas[] = {125, 106, 86, 48, 21};
  for (std::size_t i = 0; i < 5; ++i) DialRimStyles[2 + i].Colour.a = alphas[i];
  // The width of the first rim, which nothing else sets: one design unit, as the plate's own
  // outer line in the same grey.
  DialRimStyles[0].Width = k;
}

void DialView::BuildDialTickPoints(float ox, float oy, float k) {
  for (std::size_t i = 0; i < kTicks; ++i) {
    const double a = TickDegrees(static_cast<double>(i)) * kDegree;
    for (std::size_t j = 0; j < 4; ++j) {
      AnalogDialGeometry[i][j] = {static_cast<float>(ox + (kScaleCentreX + kArcRadius[j] * std::cos(a)) * k),
                                  static_cast<float>(oy + (kScaleCentreY - kArcRadius[j] * std::sin(a)) * k)};
    }
  }
  // Hub curves: arcs about the pivot through their ends and apex. The first has 13 points from end
  // to end; its points 0 and 14 continue the arc one step beyond each end. The six others run 15
  // points from end to end, each 0.45 design units further out.
  const Dome first = DomeThrough(308.25, 533.8, 465.9);
  const Dome outer = DomeThrough(305.2, 539.2, 464.4);
  for (std::size_t c = 0; c < kHubCurves; ++c) {
    const Dome d = c == 0 ? first : Dome{outer.cy, outer.radius + 0.45 * (c - 1), outer.from_degrees};
    const double span = 2.0 * d.from_degrees - 180.0;
    const double step = c == 0 ? span / 12.0 : span / 14.0;
    const double start = c == 0 ? d.from_degrees + step : d.from_degrees;
    for (std::size_t i = 0; i < kHubPoints; ++i) {
      const double a = (start - step * static_cast<double>(i)) * kDegree;
      HubCurves[c][i] = {static_cast<float>(ox + (kPivotX + d.radius * std::cos(a)) * k),
                         static_cast<float>(oy + (d.cy - d.radius * std::sin(a)) * k)};
    }
  }
}

void DialView::DrawDialFace(agg_ren& ren, float ox, float oy, float k) {
  const auto to_pixels = [&](std::vector<Pt> points) {
    for (Pt& p : points) p = {ox + p.x * k, oy + p.y * k};
    return points;
  };
  const std::uint8_t plate_greys[] = {79, 203, 0, 39, 79, 117, 164};
  for (int j = 0; j < 7; ++j) {
    const std::uint8_t g = plate_greys[j];
    StrokeSpline(ren, to_pixels(PlateOutline(kPlateStep * j)), true, rgba8(g, g, g, 255), j == 1 ? 3.0 : k);
  }
  const std::uint8_t shading_greys[] = {29, 60, 101, 141};
  for (int j = 0; j < 4; ++j) {
    const std::uint8_t g = shading_greys[j];
    StrokeSpline(ren, to_pixels(ShadingLine(j)), false, rgba8(g, g, g, 255), k);
  }
  for (std::size_t arc = 0; arc < 2; ++arc) {
    std::vector<Pt> points;
    for (int m = 0; m <= 6; ++m) {
      const double a = TickDegrees(199.0 * m / 6.0) * kDegree;
      points.push_back({kScaleCentreX + kArcRadius[arc] * std::cos(a), kScaleCentreY - kArcRadius[arc] * std::sin(a)});
    }
    StrokeSpline(ren, to_pixels(points), false, rgba8(0, 0, 0, 255), 2.0);
  }
}

void DialView::LayoutDialScreen(const DialScreen& screen) {
  const float s = screen.NeedleScale();
  const float k = DesignScale(screen);
  DialPivotX = DialOriginX + static_cast<float>(kPivotX) * k;
  DialPivotY = DialOriginY + static_cast<float>(kPivotY) * k;
  NeedleLength = 550.0f * s;
  NeedleTail = 120.5f * s;
  // Outlines as (x along the needle, half-width across) at the tail and at the tip: three shadows,
  // widest and faintest first, then the needle with its point 20 pixels beyond the tip.
  struct Shape {
    float tail, tip;
    bool point;
  };
  const Shape shapes[] = {{10.0f, 4.0f, false}, {7.0f, 3.2f, false}, {6.2f, 2.0f, false}, {4.0f, 0.2f, true}};
  for (std::size_t n = 0; n < NeedleOutlines.size(); ++n) {
    std::vector<std::pair<float, float>> v = {{-NeedleTail, -shapes[n].tail}, {NeedleLength, -shapes[n].tip}};
    if (shapes[n].point) v.push_back({NeedleLength + 20.0f, 0.0f});
    v.push_back({NeedleLength, shapes[n].tip});
    v.push_back({-NeedleTail, shapes[n].tail});
    NeedlePolygon& out = NeedleOutlines[n];
    out.Radius.clear();
    out.Angle.clear();
    for (auto [x, y] : v) {
      const float r = std::hypot(x, y);
      out.Radius.push_back(r);
      out.Angle.push_back(std::copysign(std::acos(x / r), y));
    }
  }
}

void DialView::PaintDialScreen(agg_ren& ren, GraphView& view, const DialScreen& screen) {
  DrawDialScale(ren, view, screen);
  const float d = HubTopDistance();
  if (ren.Base()) {
    const rgba8 b = Background;
    ren.Base()->copy_bar(static_cast<int>(DialPivotX - d - 1), static_cast<int>(DialPivotY - d - 2),
                         static_cast<int>(DialPivotX + d + 1), static_cast<int>(HubBottomY() - 1), b);
  }
  UpdateDialNeedle(ren, view, screen);
  DrawDialHub(ren);
}

float DialView::HubTopDistance() const { return DialPivotY - HubCurves[1][7].y; }

float DialView::HubBottomY() const { return HubCurves[1][kHubPoints - 1].y; }

void DialView::DrawDialScale(agg_ren& ren, GraphView& view, const DialScreen& screen) {
  const VessamorChannel* shown = FirstShownChannel(view);
  const VessamorChannel& channel = shown ? *shown : view.Channel(0);
  const ScaleState& scale = view.Scale;

  // Labels follow the label height; their font's cell is that of the main font, so the renderer
  // centres them on their tick.
  const double label_height = 35.0 * screen.ScaleY;
  ren.CreateAltFont("Arial", ren.EngineWidth(), ren.EngineHeight(), 400);
  const double text_scale = 0.6 * label_height / std::max(1.0, ren.EngineHeight());

  DialTickMarks.fill(0);
  const double h = view.PlotHeight;
  const int count = std::min<int>(scale.ValueTickCount, ScaleState::kMaxTicks);
  for (int i = count - 1; i >= 0 && h > 0.0; --i) {
    const std::uint8_t t = DialTickOfPixel(scale.ValueTicks[i].Pixel, h);
    ValueTickDialTicks[i] = t;
    DialTickMarks[t] = 2;
    // A path 100 pixels long, tangent to the scale just outside tick t, running clockwise so the
    // text stands upright; the renderer centres the text at its middle.
    const double a = TickDegrees(t) * kDegree;
    const double r = (kArcRadius[3] + 6.0) * DesignFactor;
    const double cx = DialOriginX + kScaleCentreX * DesignFactor + r * std::cos(a);
    const double cy = DialOriginY + kScaleCentreY * DesignFactor - r * std::sin(a);
    interactive_polygon& path = *ren.Polygon(2);
    path.xn(0) = cx - 50.0 * std::sin(a), path.yn(0) = cy - 50.0 * std::cos(a);
    path.xn(1) = cx + 50.0 * std::sin(a), path.yn(1) = cy + 50.0 * std::cos(a);
    ren.DrawTextAlongPath({OneDecimal(scale.ValueTicks[i].Value), text_scale, rgba8(0, 0, 0, 255), 0.0});
  }
  // Half ticks between neighbouring labelled ticks.
  int previous = -1;
  for (int t = 0; t < static_cast<int>(kTicks); ++t) {
    if (DialTickMarks[t] != 2) continue;
    if (previous >= 0 && DialTickMarks[previous + (t - previous) / 2] == 0) {
      DialTickMarks[previous + (t - previous) / 2] = 1;
    }
    previous = t;
  }
  for (std::size_t t : {std::size_t{0}, kTicks - 1}) {
    if (DialTickMarks[t] == 0) DialTickMarks[t] = 1;
  }
  ren.Rasterizer().reset();
  for (std::size_t t = 0; t < kTicks; ++t) {
    if (DialTickMarks[t] == 0) continue;
    const DialPoint& inner = AnalogDialGeometry[t][0];
    const DialPoint& outer = AnalogDialGeometry[t][DialTickMarks[t] == 2 ? 2 : 1];
    ren.DrawLineRgba({outer.x, outer.y, inner.x, inner.y}, rgba8(0, 0, 0, 255), DialTickMarks[t] == 2 ? 2.0f : 1.0f);
  }
  ren.RenderScanlines();
  ren.Rasterizer().reset();

  const std::string caption = platform::Utf8ToCp1251(channel.Symbol + "," + channel.Unit);
  const double s = 4.0 * screen.ScaleY;
  const double width = caption.size() * ren.EngineWidth() * s * 1.3, height = ren.EngineHeight() * s;
  ren.DrawTextInBox(caption.c_str(), DialPivotX - width / 2.0, DialPivotY - 400.0 * screen.ScaleY - height / 2.0,
                    width, height, s * 0.5, rgba8(0x64, 0x64, 0x6E, 0xFF), nullptr, 1);
}

void DialView::KeepDrawn(const platform::Surface& back, const PixelRect& area) {
  if (DialPrepared == 0 || saved_.Width() != back.Width() || saved_.Height() != back.Height()) return;
  CopyRect(back, saved_, area);
}

void DialView::UpdateDialNeedle(agg_ren& ren, GraphView& view, const DialScreen& screen) {
  const VessamorChannel* channel = FirstShownChannel(view);
  if (channel == nullptr) return RotateShapes(ren, DialAngle);
  DialChannel = channel;
  const bool due = screen.NowMs - DialNeedleTick > 199;
  // While recording the samples so far are counted by SampleCount; LastSampleIndex follows at the stop.
  const std::uint32_t last = std::max<std::uint32_t>(view.LastSampleIndex, view.SampleCount > 0 ? view.SampleCount - 1 : 0);
  if (view.Recording.load(std::memory_order_acquire) == 0 || !due || last <= 1) {
    return RotateShapes(ren, DialAngle);
  }
  DialNeedleTick = screen.NowMs;
  const std::uint16_t column = view.LastShownColumn;
  if (channel->Columns == nullptr || column >= channel->ColumnCapacity || channel->RawToValueFn == nullptr) {
    return RotateShapes(ren, DialAngle);
  }
  const std::int32_t code = channel->Columns[column].MaxCode;
  const auto value_of = [channel](std::int32_t c) {
    return static_cast<double>(channel->RawToValueFn(static_cast<std::int16_t>(std::clamp(c, -32768, 32767)), channel));
  };
  double v = value_of(code);
  if (channel->FractionalCodes != 0) {
    const std::int32_t whole = code >> 8;
    v = value_of(whole) + (value_of(whole + 1) - value_of(whole)) * ((code & 0xFF) / 256.0);
  }
  const double span = view.Scale.TopValue - view.Scale.BottomValue;
  // A flat axis or an unreadable value leaves the needle where it was.
  const double angle = (v - view.Scale.BottomValue) / span * DialAngleSpan - DialAngleMax;
  if (span != 0.0 && std::isfinite(angle)) DialAngle = static_cast<float>(angle);
  RotateShapes(ren, DialAngle);
}

void DialView::DrawDialHub(agg_ren& ren) {
  const double d = HubTopDistance();
  auto& ras = ren.Rasterizer();
  ras.reset();
  ras.clip_box(DialPivotX - d - 1, DialPivotY - d - 1, DialPivotX + d + 1, HubBottomY() + 1);
  agg::ellipse disc(DialPivotX, DialPivotY, d, d, 64);
  ras.add_path(disc);
  RenderIn(ren, Background);
  // The outer rims rise a little above the disc's box; they are cut only at its bottom.
  ras.clip_box(DialPivotX - d - 1, DialPivotY - d - 10.0 * DesignFactor, DialPivotX + d + 1, HubBottomY() + 1);
  for (std::size_t c = 0; c < DialHubPolygons.size() && c < DialRimStyles.size(); ++c) {
    std::vector<Pt> points;
    const interactive_polygon& p = DialHubPolygons[c];
    for (std::uint32_t i = 0; i < p.num_points(); ++i) points.push_back({p.xn(i), p.yn(i)});
    StrokeSpline(ren, points, false, DialRimStyles[c].Colour, DialRimStyles[c].Width);
  }
  ras.reset_clipping();
}

void DialView::DrawDialReferenceTicks(agg_ren& ren) {
  ren.Rasterizer().reset();
  for (std::size_t t : {std::size_t{0}, std::size_t{99}}) {
    const DialPoint& inner = AnalogDialGeometry[t][0];
    const DialPoint& outer = AnalogDialGeometry[t][2];
    ren.DrawLineRgba({inner.x, inner.y, outer.x, outer.y}, rgba8(0, 0, 0, 255), 1.5f);
  }
  ren.RenderScanlines();
  ren.Rasterizer().reset();
}

void DialView::RotateShapes(agg_ren& ren, float angle) {
  const double direction = NeedleDegrees(angle) * kDegree;
  const rgba8 colours[] = {rgba8(128, 128, 128, 25), rgba8(128, 128, 128, 55), rgba8(128, 128, 128, 100),
                           rgba8(170, 75, 50, 255)};
  // The shadows fall a little down and to the right.
  const double shadow_shift = 3.0;
  // Only inside the dial rectangle, which every paint restores; elsewhere an old needle would stay.
  ren.Rasterizer().clip_box(DialRect.Left, DialRect.Top, DialRect.Right, DialRect.Bottom);
  for (std::size_t n = 0; n < NeedleOutlines.size(); ++n) {
    const NeedlePolygon& outline = NeedleOutlines[n];
    const double shift = n + 1 < NeedleOutlines.size() ? shadow_shift : 0.0;
    agg::path_storage path;
    for (std::size_t i = 0; i < outline.Radius.size(); ++i) {
      const double a = direction + outline.Angle[i];
      const double x = DialPivotX + shift + outline.Radius[i] * std::cos(a);
      const double y = DialPivotY + shift - outline.Radius[i] * std::sin(a);
      if (i == 0) path.move_to(x, y);
      else path.line_to(x, y);
    }
    path.close_polygon();
    ren.Rasterizer().reset();
    ren.Rasterizer().add_path(path);
    RenderIn(ren, colours[n]);
  }
  ren.Rasterizer().reset_clipping();
}
