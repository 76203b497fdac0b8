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

// An arc of a circle from angle `from` to `to`, degrees counted anticlockwise from the right.
void Arc(Surface& s, double cx, double cy, double r, double from, double to, const Pen& pen) {
  const int steps = std::max(4, static_cast<int>(std::abs(to - from) / 6.0));
  double px = cx + r * std::cos(from * kPi / 180.0), py = cy - r * std::sin(from * kPi / 180.0);
  for (int i = 1; i <= steps; ++i) {
    const double a = (from + (to - from) * i / steps) * kPi / 180.0;
    const double x = cx + r * std::cos(a), y = cy - r * std::sin(a);
    platform::DrawLine(s, Round(px), Round(py), Round(x), Round(y), pen);
    px = x, py = y;
  }
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

void DrawLightProbe(Surface& s, const Beside& at) {
  const int px = at.lx + at.w / 10, length = at.w / 7, r = at.h / 10;
  platform::DrawLine(s, at.lx, at.mid, px, at.mid, Line(kCable, 5));
  platform::DrawRoundRect(s, {px, at.mid - r, px + length, at.mid + r}, r, r, Line(kInk, 2), Fill(kDark));
  // The window at the probe's end.
  const int wx = px + length;
  platform::DrawEllipse(s, {wx - r / 2, at.mid - r + 2, wx + r / 2, at.mid + r - 2}, Line(kInk, 2), Fill(Colour{235, 245, 255, 255}));
  // A lamp shining all round, its light falling on the window.
  const int sr = at.h / 7, sx = at.w - at.w / 10 - sr, sy = at.mid;
  const Colour orange{230, 140, 20, 255};
  for (int k = 0; k < 12; ++k) {
    const double a = k * kPi / 6.0;
    platform::DrawLine(s, Round(sx + 1.35 * sr * std::cos(a)), Round(sy - 1.35 * sr * std::sin(a)),
                       Round(sx + 1.85 * sr * std::cos(a)), Round(sy - 1.85 * sr * std::sin(a)), Line(orange, 3));
  }
  platform::DrawEllipse(s, Centred(sx, sy, sr, sr), Line(orange, 2), Fill(kLamp));
  for (int k : {-1, 0, 1}) Arrow(s, sx - 2 * sr, sy + k * sr, wx + r, at.mid + k * r / 2, Line(orange, 2), 9);
}

void DrawInfraredHead(Surface& s, const Beside& at) {
  const int mx = at.lx + at.w / 10, front = mx + at.h / 6, half = at.h / 4, lens = at.h / 14;
  platform::DrawLine(s, at.lx, at.mid, mx, at.mid, Line(kCable, 5));
  platform::DrawRoundRect(s, {mx, at.mid - half, front, at.mid + half}, 6, 6, Line(kInk, 2), Fill(Colour{40, 45, 60, 255}));
  // The board the beam comes back from, and the distance measured to it.
  const int bx = at.w - at.w / 8;
  platform::DrawRectangle(s, {bx, at.h / 10, bx + at.h / 12, at.h - at.h / 5}, Line(kInk, 2), Fill(Colour{205, 175, 125, 255}));
  const int emitter = at.mid - half / 2, receiver = at.mid + half / 2;
  const Pen beam = Line(Colour{220, 40, 40, 255}, 2);
  Dashed(s, front + lens, emitter, bx, at.mid, beam, 7);
  Dashed(s, bx, at.mid, front + lens, receiver, beam, 7);
  platform::DrawEllipse(s, {front - lens / 2, emitter - lens, front + lens, emitter + lens}, Line(kInk, 2), Fill(Colour{245, 225, 225, 255}));
  platform::DrawEllipse(s, {front - lens / 2, receiver - lens, front + lens, receiver + lens}, Line(kInk, 2), Fill(Colour{25, 25, 35, 255}));
  const int ay = at.h - at.h / 10;
  Arrow(s, front + 2, ay, bx - 2, ay, Line(kInk, 2), 8, true);
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

void DrawMicrophones(Surface& s, const Beside& at, int count) {
  // The tuning fork they listen to.
  const int fx = at.w - at.w / 10, tine = at.h / 20 + 2;
  const Pen steel = Line(kSteel, 5);
  for (int x : {fx - tine, fx + tine}) platform::DrawLine(s, x, at.h / 8, x, at.mid, steel);
  Arc(s, fx, at.mid, tine, 180, 360, steel);
  platform::DrawLine(s, fx, at.mid + tine, fx, at.h - at.h / 8, steel);
  platform::DrawRoundRect(s, {fx - 16, at.h - at.h / 8, fx + 16, at.h - at.h / 8 + 8}, 4, 4, Line(kInk, 1), Fill(Colour{170, 120, 70, 255}));
  // Each microphone: a tapering handle and a meshed head, on the unit's cable or on a fork of it.
  const int r = count > 1 ? at.h / 9 : at.h / 7, hx = at.lx + at.w / 8, hl = at.w / 12;
  const int fork = at.lx + at.w / 24;
  if (count > 1) platform::DrawLine(s, at.lx, at.mid, fork, at.mid, Line(kCable, 4));
  int head_right = hx;
  for (int i = 0; i < count; ++i) {
    const int y = count > 1 ? at.mid + (2 * i - 1) * at.h / 4 : at.mid;
    platform::DrawLine(s, count > 1 ? fork : at.lx, at.mid, hx, y, Line(kCable, 4));
    FillConvex(s, {{static_cast<double>(hx), y - r / 3.0}, {static_cast<double>(hx + hl), y - r * 0.7},
                   {static_cast<double>(hx + hl), y + r * 0.7}, {static_cast<double>(hx), y + r / 3.0}},
               Colour{50, 50, 60, 255});
    const int cx = hx + hl + r * 4 / 5;
    MeshHead(s, cx, y, r);
    head_right = cx + r;
  }
  // The fork's sound spreading towards them.
  const double reach = fx - tine - head_right;
  for (int k = 1; k <= 3; ++k) Arc(s, fx, at.mid, reach * k / 4.0, 150, 210, Line(kWave, 3));
}

}  // namespace pictures
