// The parts the sensor pictures draw beside the unit.
#include "resources/sensor_probes.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pictures {

namespace {

using platform::Brush;
using platform::Colour;
using platform::Pen;
using platform::Rect;
using platform::Surface;

constexpr double kPi = 3.14159265358979;
constexpr Colour kDark{70, 70, 80, 255};
constexpr Colour kSteel{120, 125, 140, 255};
constexpr Colour kWave{60, 120, 200, 255};
constexpr Colour kLamp{250, 215, 40, 255};
constexpr Colour kGlass{232, 242, 250, 255};
constexpr Pen kNoPen{Colour{}, 0, true};

Pen Line(Colour c, int width) { return Pen{c, width}; }
Brush Fill(Colour c) { return Brush{c}; }
int Round(double v) { return static_cast<int>(std::lround(v)); }
Rect Centred(int cx, int cy, int rx, int ry) { return {cx - rx, cy - ry, cx + rx, cy + ry}; }

// An arc of an ellipse from angle `from` to `to`, degrees counted anticlockwise from the right.
void EllipseArc(Surface& s, double cx, double cy, double rx, double ry, double from, double to, const Pen& pen) {
  const int steps = std::max(4, static_cast<int>(std::abs(to - from) / 6.0));
  double px = cx + rx * std::cos(from * kPi / 180.0), py = cy - ry * std::sin(from * kPi / 180.0);
  for (int i = 1; i <= steps; ++i) {
    const double a = (from + (to - from) * i / steps) * kPi / 180.0;
    const double x = cx + rx * std::cos(a), y = cy - ry * std::sin(a);
    platform::DrawLine(s, Round(px), Round(py), Round(x), Round(y), pen);
    px = x, py = y;
  }
}

void Arc(Surface& s, double cx, double cy, double r, double from, double to, const Pen& pen) {
  EllipseArc(s, cx, cy, r, r, from, to, pen);
}

// A line with an arrowhead at its second end, and at its first one too when `both`.
void Arrow(Surface& s, int x1, int y1, int x2, int y2, const Pen& pen, int head, bool both = false) {
  platform::DrawLine(s, x1, y1, x2, y2, pen);
  const auto tip = [&](int x, int y, double towards) {
    for (double side : {-0.45, 0.45}) {
      platform::DrawLine(s, x, y, Round(x - head * std::cos(towards + side)), Round(y - head * std::sin(towards + side)), pen);
    }
  };
  const double angle = std::atan2(y2 - y1, x2 - x1);
  tip(x2, y2, angle);
  if (both) tip(x1, y1, angle + kPi);
}

// An arc of an ellipse with an arrowhead at its `to` end, showing a turn.
void TurnArrow(Surface& s, double cx, double cy, double rx, double ry, double from, double to, const Pen& pen, int head) {
  EllipseArc(s, cx, cy, rx, ry, from, to, pen);
  const double back = (to > from ? to - 8.0 : to + 8.0) * kPi / 180.0, end = to * kPi / 180.0;
  Arrow(s, Round(cx + rx * std::cos(back)), Round(cy - ry * std::sin(back)), Round(cx + rx * std::cos(end)),
        Round(cy - ry * std::sin(end)), pen, head);
}

// A dashed line: dashes and gaps of `dash` pixels.
void Dashed(Surface& s, int x1, int y1, int x2, int y2, const Pen& pen, int dash) {
  const double length = std::hypot(x2 - x1, y2 - y1);
  const int pieces = std::max(1, static_cast<int>(length / dash));
  for (int i = 0; i < pieces; i += 2) {
    const double a = static_cast<double>(i) / pieces, b = static_cast<double>(i + 1) / pieces;
    platform::DrawLine(s, Round(x1 + (x2 - x1) * a), Round(y1 + (y2 - y1) * a), Round(x1 + (x2 - x1) * b),
                       Round(y1 + (y2 - y1) * b), pen);
  }
}

// A round head of wire mesh, as on a microphone.
void MeshHead(Surface& s, int cx, int cy, int r) {
  platform::DrawEllipse(s, Centred(cx, cy, r, r), Line(kInk, 2), Fill(kMetal));
  for (int d = -r + 4; d <= r - 4; d += 4) {
    const int half = static_cast<int>(std::sqrt(static_cast<double>(r * r - d * d))) - 3;
    if (half <= 0) continue;
    platform::DrawLine(s, cx - half, cy + d, cx + half, cy + d, Line(kSteel, 1));
    platform::DrawLine(s, cx + d, cy - half, cx + d, cy + half, Line(kSteel, 1));
  }
}

void Droplet(Surface& s, int x, int y, int r) {
  const Colour water{70, 140, 220, 255};
  FillConvex(s, {{static_cast<double>(x), y - 2.3 * r}, {x + 0.87 * r, y - 0.5 * r}, {x - 0.87 * r, y - 0.5 * r}}, water);
  platform::DrawEllipse(s, Centred(x, y, r, r), kNoPen, Fill(water));
}

}  // namespace

void FillConvex(Surface& s, std::initializer_list<std::pair<double, double>> corners, Colour colour) {
  const std::vector<std::pair<double, double>> p(corners);
  double top = p[0].second, bottom = p[0].second;
  for (const auto& c : p) top = std::min(top, c.second), bottom = std::max(bottom, c.second);
  for (int y = static_cast<int>(top); y <= static_cast<int>(bottom); ++y) {
    const double cy = y + 0.5;
    double left = 1e9, right = -1e9;
    for (std::size_t i = 0; i < p.size(); ++i) {
      const auto& [x0, y0] = p[i];
      const auto& [x1, y1] = p[(i + 1) % p.size()];
      if ((cy < std::min(y0, y1)) || (cy > std::max(y0, y1)) || y0 == y1) continue;
      const double x = x0 + (cy - y0) * (x1 - x0) / (y1 - y0);
      left = std::min(left, x), right = std::max(right, x);
    }
    if (left < right) platform::FillRect(s, {static_cast<int>(left + 0.5), y, static_cast<int>(right + 0.5), y + 1}, Brush{colour});
  }
}

void DrawCuvetteHolder(Surface& s, const Beside& at) {
  const int bw = at.h * 17 / 20, post = bw / 5;
  const int hx = std::min(at.w - bw - at.w / 10, at.lx + at.w / 5);
  const int post_top = at.mid - at.h / 6, base = std::min(at.h - at.h / 8, at.mid + at.h / 4);
  const Colour body{70, 75, 90, 255};
  platform::DrawLine(s, at.lx, at.mid, hx, at.mid, Line(kCable, 5));
  platform::DrawRectangle(s, {hx, base, hx + bw, base + at.h / 14}, Line(kInk, 2), Fill(body));
  for (int x : {hx, hx + bw - post}) platform::DrawRectangle(s, {x, post_top, x + post, base + 1}, Line(kInk, 2), Fill(body));
  // The cuvette between the posts, the solution filling its lower three quarters.
  const Rect glass{hx + post + 3, at.h / 10, hx + bw - post - 3, base};
  platform::FillRect(s, glass, Fill(kGlass));
  platform::FillRect(s, {glass.left, glass.top + glass.Height() / 4, glass.right, glass.bottom}, Fill(Colour{120, 190, 170, 255}));
  // The beam from the lamp in the left post through the solution to the detector in the right one.
  const int beam = at.mid + at.h / 12, lamp = std::max(3, post / 3);
  platform::DrawLine(s, hx + post, beam, hx + bw - post, beam, Line(kLamp, 4));
  platform::DrawRectangle(s, glass, Line(kInk, 2), Brush{Colour{}, true});
  platform::DrawEllipse(s, Centred(hx + post / 2, beam, lamp, lamp), Line(kInk, 1), Fill(kLamp));
  platform::FillRect(s, {hx + bw - post + 3, beam - lamp, hx + bw - 3, beam + lamp}, Fill(Colour{20, 20, 25, 255}));
}

void DrawSensingHead(Surface& s, const Beside& at) {
  const int hx = at.lx + at.w / 10, length = at.w / 7, r = at.h / 8;
  platform::DrawLine(s, at.lx, at.mid, hx, at.mid, Line(kCable, 5));
  // The head: a dark body, a metal collar and the domed window at its front.
  platform::DrawRoundRect(s, {hx, at.mid - r, hx + length, at.mid + r}, r, r, Line(kInk, 2), Fill(kDark));
  const int collar = hx + length - r / 2;
  platform::DrawRectangle(s, {collar, at.mid - r - 3, collar + r / 2, at.mid + r + 3}, Line(kInk, 2), Fill(kMetal));
  const int wx = collar + r / 2;
  platform::DrawEllipse(s, {wx - r / 2, at.mid - r + 3, wx + r / 2, at.mid + r - 3}, Line(kInk, 2), Fill(Colour{200, 225, 245, 255}));
  platform::DrawEllipse(s, Centred(wx + r / 6, at.mid - r / 3, std::max(2, r / 8), std::max(3, r / 4)), kNoPen,
                        Fill(Colour{255, 255, 255, 255}));
  // The field the window takes in, and the fronts of what reaches it across that field.
  const int far = at.w - at.w / 8, near = wx + r / 2 + 4, spread = at.h * 2 / 5;
  const auto half_at = [&](double x) { return r / 3.0 + (x - near) * (spread - r / 3.0) / (far - near); };
  for (int side : {-1, 1}) Dashed(s, near, at.mid + side * r / 3, far, at.mid + side * spread, Line(kSteel, 1), 6);
  const double source = far + at.w / 16.0;
  for (int k = 1; k <= 4; ++k) {
    const double x = near + (far - near) * k / 5.0, radius = source - x;
    const double angle = std::asin(std::min(1.0, half_at(x) * 0.85 / radius)) * 180.0 / kPi;
    Arc(s, source, at.mid, radius, 180.0 - angle, 180.0 + angle, Line(kWave, 3));
  }
  Arrow(s, far - 6, at.mid, near + 6, at.mid, Line(kWave, 2), 9);
}

void DrawUltrasonicHead(Surface& s, const Beside& at) {
  const int ux = at.lx + at.w / 10, can = ux + at.h / 5, half = at.h / 4;
  platform::DrawLine(s, at.lx, at.mid, ux, at.mid, Line(kCable, 5));
  platform::DrawRoundRect(s, {ux, at.mid - half, can, at.mid + half}, 6, 6, Line(kInk, 2), Fill(Colour{50, 80, 130, 255}));
  // The transducer: a round can seen from the side, its mesh face outwards.
  const int face = can + at.h / 10, ch = at.h / 5;
  platform::DrawRectangle(s, {can, at.mid - ch, face, at.mid + ch}, Line(kInk, 2), Fill(kMetal));
  for (int y = at.mid - ch + 5; y < at.mid + ch - 3; y += 5) platform::DrawLine(s, can + 3, y, face - 4, y, Line(kSteel, 1));
  // The cart whose distance it measures, on the ground.
  const int cart = at.w / 8, cx = at.w - at.w / 12 - cart, body = at.h / 5, wheel = at.h / 14;
  const int ground = at.mid + body + 2 * wheel;
  platform::DrawLine(s, cx - at.w / 20, ground, at.w - at.w / 24, ground, Line(kSteel, 2));
  platform::DrawRoundRect(s, {cx, at.mid - body, cx + cart, at.mid + body}, 8, 8, Line(kInk, 2), Fill(Colour{200, 60, 50, 255}));
  for (int x : {cx + cart / 4, cx + cart * 3 / 4})
    platform::DrawEllipse(s, Centred(x, ground - wheel, wheel, wheel), Line(kInk, 2), Fill(kDark));
  // Its waves, widening on their way.
  for (int k = 1; k <= 4; ++k) Arc(s, face, at.mid, (cx - face) * k / 5.0, -25, 25, Line(kWave, 3));
}

void DrawHumidityProbe(Surface& s, const Beside& at) {
  const int px = at.lx + at.w / 12, r = at.h / 10;
  platform::DrawLine(s, at.lx, at.mid, px, at.mid, Line(kCable, 5));
  const Rect handle{px, at.mid - r, px + at.w / 10, at.mid + r};
  platform::DrawRoundRect(s, handle, r, r, Line(kInk, 2), Fill(kDark));
  const Rect tube{handle.right, at.mid - r * 2 / 3, handle.right + at.w / 7, at.mid + r * 2 / 3};
  platform::DrawRectangle(s, tube, Line(kInk, 2), Fill(Colour{225, 230, 238, 255}));
  // The vented cap over the sensing element.
  const Rect cap{tube.right, at.mid - r, tube.right + at.w / 10, at.mid + r};
  platform::DrawRoundRect(s, cap, r / 2, r / 2, Line(kInk, 2), Fill(kMetal));
  for (int x = cap.left + 6; x < cap.right - 5; x += 6) platform::DrawLine(s, x, cap.top + 4, x, cap.bottom - 5, Line(kDark, 2));
  // Droplets of the air's water round it.
  const int d = std::max(4, at.h / 16);
  const int dx = cap.right, dy = at.mid;
  for (const auto& [x, y] : {std::pair{3, -3}, {7, -4}, {6, 1}, {3, 4}}) Droplet(s, dx + x * d, dy + y * d, d);
}

void DrawCuff(Surface& s, const Beside& at) {
  const int cw = at.w / 6, cx = std::min(at.w - at.w / 4, at.lx + at.w / 3);
  const int ay = at.mid - at.h / 8, arm = at.h / 9, band = at.h / 10;
  // The upper arm with the cuff round it.
  platform::DrawRoundRect(s, {cx - cw / 2 - at.w / 10, ay - arm, std::min(at.w - 6, cx + cw / 2 + at.w / 6), ay + arm}, arm * 2,
                          arm * 2, Line(Colour{150, 100, 80, 255}, 2), Fill(Colour{240, 200, 170, 255}));
  const Rect cuff{cx - cw / 2, ay - arm - band, cx + cw / 2, ay + arm + band};
  platform::DrawRoundRect(s, cuff, band, band, Line(kInk, 2), Fill(Colour{40, 70, 140, 255}));
  for (int y : {cuff.top + band / 2, cuff.bottom - band / 2 - 2})
    platform::FillRect(s, {cuff.left + 5, y, cuff.right - 5, y + 2}, Fill(Colour{110, 140, 200, 255}));
  // Its tube to the unit, and the pump bulb with its valve on the second tube.
  const int tx = cuff.left + cw / 4, ty = cuff.bottom + at.h / 10;
  platform::DrawLine(s, at.lx, at.mid, tx, ty, Line(kCable, 4));
  platform::DrawLine(s, tx, ty, tx, cuff.bottom, Line(kCable, 4));
  const int bx = std::min(at.w - at.w / 12, cuff.right + at.w / 12), rx = at.h / 9, ry = at.h / 7;
  const int by = at.h - ry - at.h / 20;
  platform::DrawLine(s, cuff.right - cw / 4, cuff.bottom, bx, by - ry, Line(kCable, 4));
  platform::DrawEllipse(s, Centred(bx, by, rx, ry), Line(kInk, 2), Fill(Colour{150, 30, 30, 255}));
  platform::DrawRectangle(s, {bx - rx / 2, by - ry - 6, bx + rx / 2, by - ry + 2}, Line(kInk, 1), Fill(kMetal));
}

void DrawLoadHook(Surface& s, const Beside& at) {
  const int bx = std::min(at.w - at.w / 4, at.lx + at.w / 4), bar = at.h / 14, post = std::min(at.w - 30, bx + at.w / 6);
  // The stand: a post on its foot and an arm over the sensor.
  const Colour stand{120, 125, 140, 255};
  platform::DrawRectangle(s, {post - 5, bar, post + 5, at.h - 8}, Line(kInk, 1), Fill(stand));
  platform::DrawRectangle(s, {post - 25, at.h - 12, post + 25, at.h - 4}, Line(kInk, 1), Fill(stand));
  platform::DrawRectangle(s, {bx - 10, bar - 4, post + 5, bar + 4}, Line(kInk, 1), Fill(stand));
  // The sensor hangs from the arm; its cable runs to the unit.
  const int bw = at.h / 4, top = bar + 10, bottom = top + at.h / 4;
  platform::DrawLine(s, bx, bar + 4, bx, top, Line(kInk, 3));
  platform::DrawLine(s, at.lx, at.mid, bx - bw / 2, (top + bottom) / 2, Line(kCable, 5));
  platform::DrawRoundRect(s, {bx - bw / 2, top, bx + bw / 2, bottom}, 6, 6, Line(kInk, 2), Fill(kMetal));
  // The hook and the load on it.
  const int hr = std::max(4, at.h / 18), hy = bottom + at.h / 10;
  platform::DrawLine(s, bx, bottom, bx, hy, Line(kInk, 3));
  Arc(s, bx - hr, hy, hr, 0, -200, Line(kInk, 3));
  const int lx = bx - hr, ltop = hy + hr + 4, lbottom = at.h - 8, lw = at.h / 8;
  platform::DrawEllipse(s, Centred(lx, ltop - 2, 4, 4), Line(kInk, 2), Brush{Colour{}, true});
  FillConvex(s, {{lx - lw * 0.6, static_cast<double>(ltop + 2)}, {lx + lw * 0.6, static_cast<double>(ltop + 2)},
                 {lx + lw, static_cast<double>(lbottom)}, {lx - lw, static_cast<double>(lbottom)}},
             Colour{80, 80, 90, 255});
  // The force pulling the hook down.
  const int fx = bx + bw / 2 + 12;
  Arrow(s, fx, hy, fx, lbottom, Line(kRed, 3), 10);
  platform::DrawText(s, fx + 6, (hy + lbottom) / 2 - 10, "F", platform::Font{"Arial", std::max(12, at.h / 8), 0, 700}, kRed);
}

namespace {

// The tuning fork a sound picture listens to, at the right; returns the x its sound starts from.
int DrawTuningFork(Surface& s, const Beside& at) {
  const int fx = at.w - at.w / 10, tine = at.h / 20 + 2;
  const Pen steel = Line(kSteel, 5);
  for (int x : {fx - tine, fx + tine}) platform::DrawLine(s, x, at.h / 8, x, at.mid, steel);
  Arc(s, fx, at.mid, tine, 180, 360, steel);
  platform::DrawLine(s, fx, at.mid + tine, fx, at.h - at.h / 8, steel);
  platform::DrawRoundRect(s, {fx - 16, at.h - at.h / 8, fx + 16, at.h - at.h / 8 + 8}, 4, 4, Line(kInk, 1), Fill(Colour{170, 120, 70, 255}));
  return fx;
}

// The fork's sound spreading from `fx` towards `x`.
void SoundFronts(Surface& s, const Beside& at, int fx, int x) {
  const double reach = fx - at.h / 20 - 2 - x;
  for (int k = 1; k <= 3; ++k) Arc(s, fx, at.mid, reach * k / 4.0, 150, 210, Line(kWave, 3));
}

}  // namespace

void DrawMicrophone(Surface& s, const Beside& at) {
  const int fx = DrawTuningFork(s, at);
  // A tapering handle and a meshed head on the unit's cable.
  const int r = at.h / 7, hx = at.lx + at.w / 8, hl = at.w / 12;
  platform::DrawLine(s, at.lx, at.mid, hx, at.mid, Line(kCable, 4));
  FillConvex(s, {{static_cast<double>(hx), at.mid - r / 3.0}, {static_cast<double>(hx + hl), at.mid - r * 0.7},
                 {static_cast<double>(hx + hl), at.mid + r * 0.7}, {static_cast<double>(hx), at.mid + r / 3.0}},
             Colour{50, 50, 60, 255});
  const int cx = hx + hl + r * 4 / 5;
  MeshHead(s, cx, at.mid, r);
  SoundFronts(s, at, fx, cx + r);
}

void DrawMicrophoneUnit(Surface& s, const Beside& at) {
  const int fx = DrawTuningFork(s, at);
  // The housing on a clamp, the clamp on a stand; the cable enters the housing's back.
  const int ux = at.lx + at.w / 10, length = at.w / 6, r = at.h / 7, post = ux + length / 2;
  const int base = at.h - at.h / 12;
  platform::DrawRectangle(s, {post - 4, at.mid, post + 4, base}, Line(kInk, 1), Fill(kSteel));
  platform::DrawRoundRect(s, {post - at.w / 20, base, post + at.w / 20, base + at.h / 20}, 4, 4, Line(kInk, 1), Fill(kDark));
  platform::DrawLine(s, at.lx, at.mid, ux, at.mid, Line(kCable, 4));
  platform::DrawRoundRect(s, {ux, at.mid - r, ux + length, at.mid + r}, r / 2, r / 2, Line(kInk, 2), Fill(Colour{50, 55, 70, 255}));
  platform::DrawRectangle(s, {post - 8, at.mid - r - 3, post + 8, at.mid + r + 3}, Line(kInk, 1), Fill(kSteel));
  platform::DrawEllipse(s, Centred(ux + length / 5, at.mid, 3, 3), kNoPen, Fill(Colour{80, 200, 110, 255}));
  // The grille over the microphone at its front.
  const Rect grille{ux + length, at.mid - r - 4, ux + length + r, at.mid + r + 4};
  platform::DrawRoundRect(s, grille, r / 2, r / 2, Line(kInk, 2), Fill(kMetal));
  for (int y = grille.top + 5; y < grille.bottom - 3; y += 4) platform::DrawLine(s, grille.left + 3, y, grille.right - 4, y, Line(kSteel, 1));
  for (int x = grille.left + 5; x < grille.right - 3; x += 4) platform::DrawLine(s, x, grille.top + 3, x, grille.bottom - 4, Line(kSteel, 1));
  SoundFronts(s, at, fx, grille.right);
}

void DrawFieldProbe(Surface& s, const Beside& at) {
  const int hx = at.lx + at.w / 12, hl = at.w / 10, r = at.h / 10, tip = hx + hl + at.w / 6;
  platform::DrawLine(s, at.lx, at.mid, hx, at.mid, Line(kCable, 5));
  platform::DrawRoundRect(s, {hx, at.mid - r, hx + hl, at.mid + r}, r, r, Line(kInk, 2), Fill(kDark));
  // The flat stem, the sensing element at its tip.
  platform::DrawRectangle(s, {hx + hl, at.mid - 3, tip, at.mid + 4}, Line(kInk, 1), Fill(kMetal));
  platform::FillRect(s, {tip - 9, at.mid - 5, tip, at.mid + 6}, Fill(Colour{30, 30, 35, 255}));
  // The bar magnet ahead of the tip and its field lines from pole to pole.
  const int mx = tip + at.w / 20, ml = at.w / 7, mh = at.h / 6, mcx = mx + ml / 2;
  for (int k = 1; k <= 3; ++k) {
    const double rx = ml / 2.0 + 12.0 * k, ry = mh / 2.0 + 14.0 * k;
    for (double from : {15.0, 195.0}) EllipseArc(s, mcx, at.mid, rx, ry, from, from + 150.0, Line(kWave, 2));
  }
  platform::DrawRectangle(s, {mx, at.mid - mh / 2, mcx, at.mid + mh / 2}, Line(kInk, 1), Fill(kRed));
  platform::DrawRectangle(s, {mcx, at.mid - mh / 2, mx + ml, at.mid + mh / 2}, Line(kInk, 1), Fill(Colour{40, 80, 200, 255}));
  const platform::Font font{"Arial", std::max(10, mh * 3 / 4), 0, 700};
  platform::DrawText(s, mx + 4, at.mid - mh * 3 / 8, "N", font, Colour{255, 255, 255, 255});
  platform::DrawText(s, mx + ml - mh * 3 / 4, at.mid - mh * 3 / 8, "S", font, Colour{255, 255, 255, 255});
}

void DrawElectrodes(Surface& s, const Beside& at) {
  // A chest and shoulders below the neck.
  const double cx = at.lx + at.w / 4, top = at.h / 7.0, bottom = at.h - 3, h = at.h;
  const Colour skin{240, 205, 178, 255};
  platform::FillRect(s, {Round(cx - h / 10), 4, Round(cx + h / 10), Round(top) + 2}, Fill(skin));
  FillConvex(s, {{cx - 0.35 * h, top}, {cx + 0.35 * h, top}, {cx + 0.55 * h, top + 0.2 * h}, {cx + 0.47 * h, bottom},
                 {cx - 0.47 * h, bottom}, {cx - 0.55 * h, top + 0.2 * h}},
             skin);
  // The electrodes: right and left shoulder and the left side, each lead of its own colour to one joint.
  const int pr = std::max(6, at.h / 14), joint = at.lx + at.w / 20;
  const struct { double x, y; Colour lead; } pads[] = {
      {cx - 0.36 * h, top + 0.2 * h, kRed}, {cx + 0.36 * h, top + 0.2 * h, Colour{230, 190, 20, 255}},
      {cx + 0.28 * h, bottom - 0.2 * h, Colour{30, 150, 60, 255}}};
  platform::DrawLine(s, at.lx, at.mid, joint, at.mid, Line(kCable, 5));
  for (const auto& pad : pads) platform::DrawLine(s, joint, at.mid, Round(pad.x), Round(pad.y), Line(pad.lead, 2));
  platform::DrawEllipse(s, Centred(joint, at.mid, 5, 5), Line(kInk, 1), Fill(kDark));
  for (const auto& pad : pads) {
    platform::DrawEllipse(s, Centred(Round(pad.x), Round(pad.y), pr, pr), Line(kInk, 1), Fill(Colour{250, 250, 250, 255}));
    platform::DrawEllipse(s, Centred(Round(pad.x), Round(pad.y), pr / 3 + 1, pr / 3 + 1), kNoPen, Fill(kSteel));
  }
  // The heart's trace on its paper: two beats.
  const int px = Round(cx + 0.55 * h) + at.w / 24, pw = at.w - at.w / 20 - px, base = at.mid + at.h / 8;
  const Rect paper{px, at.mid - at.h / 3, px + pw, at.mid + at.h / 4};
  platform::DrawRectangle(s, paper, Line(Colour{220, 160, 160, 255}, 1), Fill(Colour{255, 240, 240, 255}));
  for (int x = paper.left + 8; x < paper.right; x += 8) platform::DrawLine(s, x, paper.top, x, paper.bottom - 1, Line(Colour{245, 200, 200, 255}, 1));
  for (int y = paper.top + 8; y < paper.bottom; y += 8) platform::DrawLine(s, paper.left, y, paper.right - 1, y, Line(Colour{245, 200, 200, 255}, 1));
  // One beat over a unit of width: the P wave, Q, the R spike, S and the T wave.
  const std::pair<double, double> beat[] = {{0.0, 0.0},   {0.12, 0.0},  {0.18, -0.08}, {0.24, 0.0}, {0.32, 0.0},
                                            {0.35, 0.08}, {0.4, -0.85}, {0.45, 0.2},   {0.5, 0.0},  {0.62, 0.0},
                                            {0.7, -0.15}, {0.78, 0.0},  {1.0, 0.0}};
  const double span = (pw - 8) / 2.0, amplitude = base - paper.top - 6;
  for (int b = 0; b < 2; ++b) {
    for (std::size_t i = 1; i < std::size(beat); ++i) {
      const auto point = [&](std::size_t k) {
        return std::pair{Round(px + 4 + span * (b + beat[k].first)), Round(base + amplitude * beat[k].second)};
      };
      const auto [x0, y0] = point(i - 1);
      const auto [x1, y1] = point(i);
      platform::DrawLine(s, x0, y0, x1, y1, Line(kRed, 2));
    }
  }
}

void DrawOpticalGate(Surface& s, const Beside& at) {
  const int gx = at.lx + at.w / 4, half = at.h / 3, arm = at.h / 9, top = at.h / 6, bottom = at.h - at.h / 8;
  const Colour body{40, 45, 60, 255};
  // The fork: two arms on a bar, open at the top.
  platform::DrawLine(s, at.lx, at.mid, gx - half, at.mid, Line(kCable, 5));
  platform::FillRect(s, {gx - half, top, gx - half + arm, bottom}, Fill(body));
  platform::FillRect(s, {gx + half - arm, top, gx + half, bottom}, Fill(body));
  platform::FillRect(s, {gx - half, bottom - arm, gx + half, bottom}, Fill(body));
  const std::pair<int, int> outline[] = {{gx - half, top},         {gx - half + arm, top},   {gx - half + arm, bottom - arm},
                                         {gx + half - arm, bottom - arm}, {gx + half - arm, top}, {gx + half, top},
                                         {gx + half, bottom},      {gx - half, bottom}};
  for (std::size_t i = 0; i < std::size(outline); ++i) {
    const auto& [x0, y0] = outline[i];
    const auto& [x1, y1] = outline[(i + 1) % std::size(outline)];
    platform::DrawLine(s, x0, y0, x1, y1, Line(kInk, 2));
  }
  // The emitter in one arm, the receiver in the other and the beam across the gap.
  const int beam = at.mid + at.h / 10, lamp = std::max(3, arm / 3);
  Dashed(s, gx - half + arm, beam, gx + half - arm, beam, Line(Colour{220, 40, 40, 255}, 2), 5);
  platform::DrawEllipse(s, Centred(gx - half + arm, beam, lamp, lamp), Line(kInk, 1), Fill(Colour{235, 40, 40, 255}));
  platform::FillRect(s, {gx + half - arm - 2, beam - lamp, gx + half - arm + 1, beam + lamp}, Fill(Colour{15, 15, 20, 255}));
  // The ball on its way down through the gap, with the way it falls.
  const int br = at.h / 11, by = at.mid - at.h / 8;
  for (int dx : {-br / 2, 0, br / 2}) platform::DrawLine(s, gx + dx, by - br - at.h / 7, gx + dx, by - br - 4, Line(kSteel, 1));
  platform::DrawEllipse(s, Centred(gx, by, br, br), Line(kInk, 2), Fill(Colour{120, 130, 150, 255}));
  platform::DrawEllipse(s, Centred(gx - br / 3, by - br / 3, br / 4, br / 4), kNoPen, Fill(Colour{230, 235, 245, 255}));
  const int ax = gx + half + at.w / 30;
  Arrow(s, ax, top, ax, bottom - arm, Line(kInk, 2), 9);
}

void DrawFlowTube(Surface& s, const Beside& at) {
  const int tx = at.lx + at.w / 8, length = at.w / 4, r = at.h / 7, screen = tx + length / 2;
  // The hoses from the top of the unit to the two ports either side of the screen.
  const Pen hose = Line(Colour{150, 170, 195, 255}, 3);
  for (int k : {0, 1}) {
    const int port = screen + (2 * k - 1) * length / 5, level = at.mid - r - 14 - 8 * k, out = at.lx - 16 - 12 * k;
    platform::DrawLine(s, out, at.mid - at.h / 6, out, level, hose);
    platform::DrawLine(s, out, level, port, level, hose);
    platform::DrawLine(s, port, level, port, at.mid - r - 6, hose);
    platform::DrawRectangle(s, {port - 4, at.mid - r - 7, port + 4, at.mid - r + 1}, Line(kInk, 1), Fill(kMetal));
  }
  // The tube, open at its far end, with the fine screen across it.
  platform::DrawRectangle(s, {tx, at.mid - r, tx + length, at.mid + r}, Line(kInk, 2), Fill(kGlass));
  platform::DrawEllipse(s, {tx - r / 3, at.mid - r, tx + r / 3, at.mid + r}, Line(kInk, 2), Fill(Colour{205, 215, 228, 255}));
  platform::DrawRectangle(s, {screen - 3, at.mid - r, screen + 3, at.mid + r}, Line(kInk, 1), Fill(kMetal));
  for (int y = at.mid - r + 4; y < at.mid + r - 2; y += 4) platform::DrawLine(s, screen - 2, y, screen + 2, y, Line(kSteel, 1));
  // The mouthpiece, narrowing to a flat opening.
  const double mx = tx + length, tip = mx + at.w / 12.0;
  FillConvex(s, {{mx, at.mid - r + 2.0}, {tip, at.mid - r / 2.0}, {tip, at.mid + r / 2.0}, {mx, at.mid + r - 2.0}},
             Colour{120, 170, 225, 255});
  platform::DrawLine(s, Round(mx), at.mid - r + 2, Round(tip), at.mid - r / 2, Line(kInk, 2));
  platform::DrawLine(s, Round(mx), at.mid + r - 2, Round(tip), at.mid + r / 2, Line(kInk, 2));
  platform::DrawEllipse(s, {Round(tip) - 3, at.mid - r / 2, Round(tip) + 4, at.mid + r / 2}, Line(kInk, 2), Fill(Colour{40, 60, 90, 255}));
  // The breath, in and out.
  Arrow(s, Round(tip) + 12, at.mid, Round(tip) + at.w / 10, at.mid, Line(kWave, 3), 10, true);
}

void DrawWheel(Surface& s, const Beside& at) {
  const int r = at.h * 3 / 8, cx = at.lx + at.w / 5 + r, cy = at.mid, hub = r / 6;
  // The stand behind the wheel.
  platform::DrawRectangle(s, {cx - 4, cy, cx + 4, at.h - 8}, Line(kInk, 1), Fill(kSteel));
  platform::DrawRoundRect(s, {cx - at.w / 18, at.h - 10, cx + at.w / 18, at.h - 3}, 4, 4, Line(kInk, 1), Fill(kDark));
  // Tyre, rim and spokes.
  platform::DrawEllipse(s, Centred(cx, cy, r, r), Line(kInk, 2), Fill(Colour{60, 60, 70, 255}));
  platform::DrawEllipse(s, Centred(cx, cy, r - 6, r - 6), Line(kInk, 1), Fill(Colour{228, 232, 240, 255}));
  for (int k = 0; k < 6; ++k) {
    const double a = (15.0 + 60.0 * k) * kPi / 180.0;
    platform::DrawLine(s, Round(cx + hub * std::cos(a)), Round(cy - hub * std::sin(a)), Round(cx + (r - 7) * std::cos(a)),
                       Round(cy - (r - 7) * std::sin(a)), Line(kSteel, 3));
  }
  const double mark = 50.0 * kPi / 180.0;
  platform::DrawEllipse(s, Centred(Round(cx + (r - 3) * std::cos(mark)), Round(cy - (r - 3) * std::sin(mark)), 3, 3), kNoPen, Fill(kRed));
  // The sensor on the axle, its cable to the unit.
  platform::DrawLine(s, at.lx, at.mid, cx - hub, cy, Line(kCable, 5));
  platform::DrawRoundRect(s, Centred(cx, cy, hub + 3, hub + 3), 4, 4, Line(kInk, 2), Fill(Colour{50, 80, 130, 255}));
  platform::DrawEllipse(s, Centred(cx, cy, 3, 3), kNoPen, Fill(kMetal));
  // The way it turns.
  TurnArrow(s, cx, cy, r + 9, r + 9, 35, 145, Line(kRed, 3), 10);
}

void DrawAxisPulley(Surface& s, const Beside& at) {
  const int sx = at.lx + at.w / 10, sw = at.w / 9, sh = at.h / 3;
  platform::DrawLine(s, at.lx, at.mid, sx, at.mid, Line(kCable, 5));
  platform::DrawRoundRect(s, {sx, at.mid - sh / 2, sx + sw, at.mid + sh / 2}, 6, 6, Line(kInk, 2), Fill(Colour{50, 80, 130, 255}));
  // The axis out of the sensor, and the pulley on it seen a little from the side.
  const int px = sx + sw + at.w / 10, ry = at.h * 2 / 7, rx = ry / 3, groove = ry - 7;
  platform::DrawRectangle(s, {sx + sw, at.mid - 3, px + 8, at.mid + 4}, Line(kInk, 1), Fill(kMetal));
  platform::DrawEllipse(s, Centred(px - 7, at.mid, rx, ry), Line(kInk, 2), Fill(kMetal));
  platform::DrawRectangle(s, {px - 7, at.mid - groove, px + 7, at.mid + groove}, kNoPen, Fill(kSteel));
  platform::DrawEllipse(s, Centred(px, at.mid, rx - 2, groove), Line(kInk, 1), Fill(kSteel));
  platform::DrawEllipse(s, Centred(px + 7, at.mid, rx, ry), Line(kInk, 2), Fill(Colour{205, 210, 222, 255}));
  platform::DrawEllipse(s, Centred(px + 7, at.mid, 3, 4), kNoPen, Fill(kDark));
  // The thread wound in the groove, hanging to its load.
  const int thread = px + rx - 1, load = at.h - at.h / 5;
  platform::DrawLine(s, thread, at.mid, thread, load, Line(kInk, 1));
  platform::DrawRectangle(s, {thread - 9, load, thread + 9, at.h - 6}, Line(kInk, 1), Fill(Colour{80, 80, 90, 255}));
  // The way it turns.
  TurnArrow(s, px + 7, at.mid, rx + 14, ry + 10, -70, 70, Line(kRed, 3), 9);
}

}  // namespace pictures
