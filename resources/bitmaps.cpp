// The program's bitmaps by resource id, each drawn in code at load time.
#include "resources/bitmaps.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "platform/gdi.h"
#include "resources/sensor_probes.h"
#include "resources/start_background.h"

using platform::Brush;
using platform::Colour;
using platform::Font;
using platform::Pen;
using platform::Rect;
using platform::Surface;

namespace {

enum class Picture {
  StartBackground,  // a calm blue gradient with faint measuring grid and a curve
  Computer,         // a monitor showing a graph
  StartPicture,     // a laptop with a sensor plugged in
  HelpPicture,      // a question mark in a speech bubble
  Composition,      // a sensor beside a graph card
  Strip,            // a vertical shading strip
  ArrowLeft,        // small arrows
  ArrowRight,
  Leads,            // a sensor box with two measuring leads and clips
  Circuit,          // the voltage sensor across a battery
  Rod,              // a temperature probe
  Electrode,        // a glass electrode
  ElectrodeInBeaker,
  Gauge,            // a sensor box with a dial
  Axes,             // a sensor box with three axis arrows
  WirelessAxes,     // the same without its cable, with an aerial
  FingerClip,       // the pulse sensor's clip on a finger
  ChestBelt,        // the breathing sensor's belt round a chest
  MagneticGate,     // a gate with a magnet passing through it
  CounterTube,      // a radiation counter tube beside the radiation sign
  GasSyringe,       // a syringe whose gas is kept at a flask's temperature by a probe
  Cuvette,          // a cuvette of solution in its holder, a beam across it
  SensingHead,      // a head with a window, its field and the fronts reaching it
  UltrasonicHead,   // a transducer sending waves to a cart
  HumidityProbe,    // a probe with a vented cap among droplets
  Cuff,             // a cuff on an arm with its pump bulb
  LoadHook,         // a sensor hung from a stand with a load on its hook
  Microphone,       // a microphone listening to a tuning fork
  MicrophoneUnit,   // a microphone unit on its stand listening to a tuning fork
  FieldProbe,       // a field probe's tip by a bar magnet
  Electrodes,       // electrodes on a chest and the heart's trace
  OpticalGate,      // a gate's beam across its gap, a ball falling through
  FlowTube,         // a flow tube with its mouthpiece
  Wheel,            // a spoked wheel on the sensor at its hub
  AxisPulley,       // the sensor's axis with a pulley and a hanging load
  Box,              // a sensor box with its quantity
};

// A text of a picture in both languages.
struct Words {
  std::string_view Ru, En;
  std::string_view In(bool english) const { return english ? En : Ru; }
};

// A sensor picture may serve several kinds: the information panel writes the kind's own name on
// its foot, which the drawing leaves free. Only the quantity on the unit's case is the picture's.
struct BitmapRow {
  int Id;
  int Width;
  int Height;
  Picture Kind;
  Words Quantity = {};  // on the unit's case
};

constexpr Words kDegrees{"T, °C", "T, °C"};
constexpr Words kAccelerationSymbol{"a, g", "a, g"};
constexpr Words kNewtons{"F, Н", "F, N"};

constexpr BitmapRow kBitmaps[] = {
    {kStartBackgroundBitmap, kStartBackgroundWidth, kStartBackgroundHeight, Picture::StartBackground},
    {50058, 640, 240, Picture::Computer},
    {50064, 365, 240, Picture::StartPicture},
    {50065, 180, 173, Picture::HelpPicture},
    {50075, 200, 200, Picture::Composition},
    {50059, 2, 28, Picture::Strip},
    {50060, 2, 147, Picture::Strip},
    {50078, 32, 20, Picture::ArrowLeft},
    {50079, 32, 20, Picture::ArrowRight},
    {50062, 504, 240, Picture::Leads},
    {50085, 504, 240, Picture::HumidityProbe, {"RH, %", "RH, %"}},
    {50063, 365, 240, Picture::Circuit},
    {50067, 365, 240, Picture::ElectrodeInBeaker, {"G", "G"}},
    {50074, 365, 240, Picture::ElectrodeInBeaker, {"pH", "pH"}},
    {50096, 365, 240, Picture::Axes, kAccelerationSymbol},
    {50097, 365, 240, Picture::WirelessAxes, kAccelerationSymbol},
    {50068, 640, 240, Picture::Box},
    {50069, 640, 240, Picture::Rod, kDegrees},
    {50070, 640, 240, Picture::Rod, kDegrees},
    {50071, 640, 240, Picture::Rod, kDegrees},
    {50072, 640, 240, Picture::FieldProbe, {"B, мТл", "B, mT"}},
    {50073, 640, 240, Picture::Electrode, {"G", "G"}},
    {50076, 640, 240, Picture::Electrode, {"pH", "pH"}},
    {50077, 640, 240, Picture::Leads},
    {50080, 640, 240, Picture::Gauge},
    {50081, 640, 240, Picture::Gauge, {"P, кПа", "P, kPa"}},
    {50082, 640, 240, Picture::Cuvette},
    {50083, 640, 240, Picture::FingerClip},
    {50084, 640, 240, Picture::SensingHead},
    {50086, 640, 240, Picture::CounterTube},
    {50087, 640, 240, Picture::Cuff},
    {50088, 640, 240, Picture::ChestBelt},
    {50089, 640, 240, Picture::MagneticGate},
    {50090, 640, 240, Picture::OpticalGate},
    {50091, 640, 240, Picture::Microphone},
    {50092, 640, 240, Picture::Electrodes},
    {50093, 640, 240, Picture::GasSyringe},
    {50094, 640, 240, Picture::FlowTube},
    {50095, 640, 240, Picture::Axes, kAccelerationSymbol},
    {50098, 640, 240, Picture::WirelessAxes, kAccelerationSymbol},
    {50099, 640, 240, Picture::UltrasonicHead},
    {50100, 640, 240, Picture::Gauge},
    {50101, 640, 240, Picture::LoadHook, kNewtons},
    {50102, 640, 240, Picture::MicrophoneUnit},
    {50103, 640, 240, Picture::AxisPulley},
    {50104, 640, 240, Picture::Wheel},
    {50105, 640, 240, Picture::LoadHook, kNewtons},
};

using pictures::FillConvex;
using pictures::kCable;
using pictures::kInk;
using pictures::kMetal;
using pictures::kRed;
constexpr Colour kUnitBody{235, 200, 60, 255};

Pen Line(Colour c, int width) { return Pen{c, width}; }
Brush Fill(Colour c) { return Brush{c}; }

// The unit every sensor picture shows: a rounded yellow case with the USB cable leaving left.
Rect DrawUnit(Surface& s, int x, int y, int w, int h, bool cable = true) {
  if (cable) platform::DrawLine(s, 0, y + h / 2, x, y + h / 2, Line(kCable, std::max(2, h / 12)));
  const Rect body{x, y, x + w, y + h};
  platform::DrawRoundRect(s, body, h / 3, h / 3, Line(kInk, 2), Brush{kUnitBody});
  platform::FillRect(s, {x + w / 8, y + h / 4, x + w / 8 + h / 5, y + h / 4 + h / 5}, Brush{Colour{60, 190, 80, 255}});
  return body;
}

void Label(Surface& s, int x, int y, std::string_view text, int height, Colour colour = kInk) {
  platform::DrawText(s, x, y, text, Font{"Arial", height, 0, 700}, colour);
}

void DrawPlot(Surface& s, const Rect& r, Colour line) {
  platform::DrawRectangle(s, r, Line(Colour{90, 90, 110, 255}, 1), Brush{Colour{250, 250, 255, 255}});
  for (int i = 1; i < 4; ++i) {
    const int gy = r.top + r.Height() * i / 4;
    platform::DrawLine(s, r.left, gy, r.right - 1, gy, Line(Colour{210, 210, 225, 255}, 1));
  }
  int px = r.left, py = r.top + r.Height() / 2;
  for (int x = r.left; x < r.right; x += 3) {
    const double t = static_cast<double>(x - r.left) / std::max(1, r.Width());
    const int y = r.top + static_cast<int>(r.Height() * (0.5 - 0.35 * std::sin(t * 9.0) * (1.0 - 0.5 * t)));
    platform::DrawLine(s, px, py, x, y, Line(line, 2));
    px = x, py = y;
  }
}

Rect Centred(int cx, int cy, int rx, int ry) { return {cx - rx, cy - ry, cx + rx, cy + ry}; }

// The pulse sensor: its clip closed on a finger, the light shining through the fingertip.
void DrawFingerClip(Surface& s, int lx, int mid, int w, int h) {
  const int cx = lx + w / 4, jaw = h / 5;
  platform::DrawLine(s, lx, mid, cx - 2 * jaw, mid, Line(kCable, 5));
  platform::DrawRoundRect(s, {cx - 2 * jaw, mid + 3, cx + 2 * jaw, mid + jaw + 3}, jaw / 2, jaw / 2, Line(kInk, 2),
                          Fill(Colour{70, 75, 90, 255}));
  platform::DrawRoundRect(s, {cx - jaw, mid - jaw / 2, std::min(w - 4, cx + 6 * jaw), mid + jaw / 2}, jaw, jaw,
                          Line(Colour{150, 100, 80, 255}, 2), Fill(Colour{240, 200, 170, 255}));
  platform::DrawRoundRect(s, {cx - 2 * jaw, mid - jaw - 3, cx + 2 * jaw, mid - 3}, jaw / 2, jaw / 2, Line(kInk, 2),
                          Fill(Colour{70, 75, 90, 255}));
  platform::DrawEllipse(s, Centred(cx - 2 * jaw, mid, jaw / 3, jaw / 3), Line(kInk, 2), Fill(kMetal));
  platform::DrawEllipse(s, Centred(cx + jaw / 2, mid - 1, jaw / 3, jaw / 4), Pen{Colour{}, 0, true}, Fill(Colour{235, 40, 40, 255}));
}

// The breathing sensor: a belt round a chest, its pad on the breastbone.
void DrawChestBelt(Surface& s, int lx, int mid, int w, int h) {
  const int tx = std::min(w - w / 6, lx + w / 3), half = std::min(w / 8, h / 2);
  FillConvex(s, {{tx - half * 1.2, 0.0}, {tx + half * 1.2, 0.0}, {tx + half * 0.95, static_cast<double>(h)},
                 {tx - half * 0.95, static_cast<double>(h)}},
             Colour{150, 180, 215, 255});
  platform::DrawRectangle(s, {tx - half * 5 / 4, mid - h / 12, tx + half * 5 / 4, mid + h / 12}, Line(kInk, 1),
                          Fill(Colour{40, 70, 140, 255}));
  const Rect pad{tx - h / 8, mid - h / 7, tx + h / 8, mid + h / 7};
  platform::DrawRoundRect(s, pad, h / 12, h / 12, Line(kInk, 2), Fill(kMetal));
  platform::DrawLine(s, lx, mid, pad.left, mid, Line(kCable, 4));
}

// The magnetic gate: two posts on a base, a magnet passing between them.
void DrawMagneticGate(Surface& s, int lx, int mid, int w, int h) {
  const int gx = std::min(w - w / 8, lx + w / 3), half = std::max(20, h / 3);
  platform::DrawLine(s, lx, mid, gx - half, mid, Line(kCable, 5));
  platform::DrawRectangle(s, {gx - half - 8, h - h / 8, gx + half + 8, h - 2}, Line(kInk, 2), Fill(Colour{90, 95, 110, 255}));
  for (int side : {-1, 1}) {
    const int x = gx + side * half;
    platform::DrawRectangle(s, {x - 8, h / 10, x + 8, h - h / 8}, Line(kInk, 2), Fill(Colour{120, 125, 140, 255}));
  }
  const int m = half * 2 / 3;
  platform::DrawRectangle(s, {gx - m, mid - h / 14, gx, mid + h / 14}, Line(kInk, 1), Fill(kRed));
  platform::DrawRectangle(s, {gx, mid - h / 14, gx + m, mid + h / 14}, Line(kInk, 1), Fill(Colour{40, 80, 200, 255}));
  Label(s, gx - m + 3, mid - h / 14, "N", std::max(10, h / 8), Colour{255, 255, 255, 255});
  Label(s, gx + m - std::max(10, h / 8), mid - h / 14, "S", std::max(10, h / 8), Colour{255, 255, 255, 255});
  // The way the magnet moves.
  const int ay = mid - h / 5;
  platform::DrawLine(s, gx - m, ay, gx + m, ay, Line(kInk, 2));
  platform::DrawLine(s, gx + m - 8, ay - 5, gx + m, ay, Line(kInk, 2));
  platform::DrawLine(s, gx + m - 8, ay + 5, gx + m, ay, Line(kInk, 2));
}

// The radioactivity sensor: a counter tube with its window, and the radiation sign.
void DrawCounterTube(Surface& s, int lx, int mid, int w, int h) {
  const int r = std::max(6, h / 9), tx = lx + w / 12, length = std::min(w / 3, w - tx - 3 * h / 4);
  platform::DrawLine(s, lx, mid, tx, mid, Line(kCable, 5));
  platform::DrawRoundRect(s, {tx, mid - r, tx + length, mid + r}, r, r, Line(kInk, 2), Fill(kMetal));
  platform::DrawEllipse(s, {tx + length - r / 2, mid - r, tx + length + r / 2, mid + r}, Line(kInk, 2), Fill(Colour{120, 90, 60, 255}));
  // The sign: three blades round a disc on yellow.
  const int sr = std::min(h * 2 / 5, w / 10), sx = std::min(w - sr - w / 16, tx + length + sr + h / 6), sy = mid;
  platform::DrawEllipse(s, Centred(sx, sy, sr, sr), Line(kInk, 2), Fill(Colour{250, 215, 40, 255}));
  for (int blade = 0; blade < 3; ++blade) {
    const double a = (90.0 + 120.0 * blade) * 3.14159265358979 / 180.0, spread = 30.0 * 3.14159265358979 / 180.0;
    const double rr = sr * 0.85;
    FillConvex(s, {{static_cast<double>(sx), static_cast<double>(sy)},
                   {sx + rr * std::cos(a - spread), sy - rr * std::sin(a - spread)},
                   {sx + rr * std::cos(a), sy - rr * std::sin(a)},
                   {sx + rr * std::cos(a + spread), sy - rr * std::sin(a + spread)}},
               Colour{20, 20, 20, 255});
  }
  platform::DrawEllipse(s, Centred(sx, sy, sr / 4, sr / 4), Pen{Colour{}, 0, true}, Fill(Colour{250, 215, 40, 255}));
  platform::DrawEllipse(s, Centred(sx, sy, sr / 6, sr / 6), Pen{Colour{}, 0, true}, Fill(Colour{20, 20, 20, 255}));
}

// The gas volume sensor: a syringe on the unit, its gas led into a flask whose temperature a probe reads.
void DrawGasSyringe(Surface& s, int lx, int mid, int w, int h) {
  const int r = std::max(8, h / 9), bx = lx + w / 10, length = w / 5;
  // Plunger, barrel with its scale, piston and nozzle.
  platform::DrawRectangle(s, {lx, mid - r / 4, bx + r, mid + r / 4}, Line(kInk, 1), Fill(kMetal));
  platform::DrawRectangle(s, {lx - 2, mid - r, lx + 4, mid + r}, Line(kInk, 1), Fill(kMetal));
  platform::DrawRectangle(s, {bx, mid - r, bx + length, mid + r}, Line(kInk, 2), Fill(Colour{230, 240, 250, 255}));
  for (int k = 1; k < 8; ++k) platform::DrawLine(s, bx + length * k / 8, mid - r, bx + length * k / 8, mid - r / 2, Line(kInk, 1));
  platform::FillRect(s, {bx + 2, mid - r + 2, bx + r, mid + r - 1}, Fill(Colour{40, 40, 45, 255}));
  const int nx = bx + length;
  platform::DrawRectangle(s, {nx, mid - r / 3, nx + r, mid + r / 3}, Line(kInk, 1), Fill(Colour{230, 240, 250, 255}));
  // The flask, its water and the probe in it.
  const int fx = std::min(w - h / 3 - 4, nx + w / 6), fr = std::max(12, h / 3);
  platform::DrawLine(s, nx + r, mid, fx - fr / 3, mid - fr, Line(Colour{90, 140, 200, 255}, 3));
  platform::DrawRectangle(s, {fx - fr / 3, h / 12, fx + fr / 3, mid}, Line(kInk, 2), Fill(Colour{230, 240, 250, 255}));
  platform::DrawEllipse(s, Centred(fx, mid + fr / 2, fr, fr * 3 / 4), Line(kInk, 2), Fill(Colour{170, 210, 245, 255}));
  platform::DrawLine(s, fx + fr / 6, 2, fx + fr / 6, mid + fr / 2, Line(Colour{90, 95, 110, 255}, 4));
}

void DrawSensor(Surface& s, const BitmapRow& row, bool english) {
  const Picture kind = row.Kind;
  VerticalGradient(s, Colour{250, 250, 252, 255}, Colour{215, 222, 235, 255});
  // The drawing keeps above the foot, where the panel writes the kind's name.
  const int w = s.Width(), h = s.Height() * kSensorDrawingPercent / 100;
  const int uw = w * 2 / 7, uh = h / 3;
  const bool wireless = kind == Picture::WirelessAxes;
  const Rect unit = DrawUnit(s, w / 10, h / 3, uw, uh, !wireless);
  if (wireless) {
    // An aerial on the unit's top with two arcs of its signal.
    const int ax = unit.right - uw / 6;
    platform::DrawLine(s, ax, unit.top, ax, unit.top - uh / 2, Line(kInk, 3));
    for (int r : {uh / 5, uh / 3}) {
      platform::DrawEllipse(s, {ax - r, unit.top - uh / 2 - r, ax + r, unit.top - uh / 2 + r}, Line(Colour{60, 120, 200, 255}, 2),
                            Brush{Colour{}, true});
    }
  }
  const int mid = unit.top + uh / 2;
  const int lx = unit.right;
  switch (kind) {
    case Picture::Leads:
    case Picture::Circuit: {
      const Colour black{30, 30, 30, 255};
      const int clip = std::max(5, h / 20);
      platform::DrawLine(s, lx, mid - h / 16, w * 3 / 4, h / 8, Line(kRed, 4));
      platform::DrawLine(s, lx, mid + h / 16, w * 3 / 4, h * 7 / 8, Line(black, 4));
      platform::DrawRectangle(s, {w * 3 / 4, h / 8 - clip, w * 3 / 4 + 30, h / 8 + clip}, Line(kInk, 1), Brush{kRed});
      platform::DrawRectangle(s, {w * 3 / 4, h * 7 / 8 - clip, w * 3 / 4 + 30, h * 7 / 8 + clip}, Line(kInk, 1), Brush{black});
      if (kind == Picture::Circuit) {
        const Rect cell{w * 3 / 4 + 40, h / 8 - clip, std::min(w - 4, w * 3 / 4 + 75), h * 7 / 8 + clip};
        platform::DrawRectangle(s, cell, Line(kInk, 2), Brush{Colour{90, 140, 220, 255}});
        Label(s, cell.left + 8, cell.top + 4, "+", std::max(12, h / 8), Colour{255, 255, 255, 255});
      }
      break;
    }
    case Picture::Rod: {
      platform::DrawLine(s, lx, mid, lx + w / 8, mid, Line(kCable, 5));
      const Rect handle{lx + w / 8, mid - h / 10, lx + w / 8 + w / 10, mid + h / 10};
      platform::DrawRoundRect(s, handle, 10, 10, Line(kInk, 2), Brush{Colour{70, 70, 80, 255}});
      platform::DrawRectangle(s, {handle.right, mid - 5, w * 9 / 10, mid + 5}, Line(kInk, 1), Brush{Colour{200, 205, 215, 255}});
      break;
    }
    case Picture::Electrode:
    case Picture::ElectrodeInBeaker: {
      const int ex = std::min(w - 40, lx + w / 4);
      platform::DrawLine(s, lx, mid, ex, h / 12, Line(kCable, 5));
      if (kind == Picture::ElectrodeInBeaker) {
        const Rect beaker{ex - 45, h / 2, ex + 45, h};
        platform::DrawRectangle(s, {beaker.left, beaker.top + h / 8, beaker.right, beaker.bottom}, Pen{Colour{}, 0, true},
                                Brush{Colour{170, 210, 245, 255}});
        platform::DrawRectangle(s, beaker, Line(kInk, 2), Brush{Colour{}, true});
      }
      platform::DrawRectangle(s, {ex - 9, h / 12, ex + 9, h * 3 / 4}, Line(kInk, 2), Brush{Colour{225, 240, 250, 255}});
      platform::DrawEllipse(s, {ex - 14, h * 3 / 4 - 8, ex + 14, h * 3 / 4 + 16}, Line(kInk, 2), Brush{Colour{225, 240, 250, 255}});
      break;
    }
    case Picture::Gauge: {
      const int r = std::min(h * 2 / 5, w / 8);
      const int cx = std::min(w - r - 10, lx + w / 4), cy = mid;
      platform::DrawLine(s, lx, mid, cx - r, cy, Line(kCable, 5));
      platform::DrawEllipse(s, {cx - r, cy - r, cx + r, cy + r}, Line(kInk, 3), Brush{Colour{255, 255, 255, 255}});
      platform::DrawLine(s, cx, cy, cx + r * 2 / 3, cy - r / 2, Line(kRed, 3));
      break;
    }
    case Picture::Axes:
    case Picture::WirelessAxes: {
      const int ox = lx + w / 8, oy = mid;
      const int len = std::min(h * 2 / 5, w / 6);
      platform::DrawLine(s, lx, mid, ox, oy, Line(kCable, 3));
      platform::DrawLine(s, ox, oy, ox + len, oy, Line(kRed, 4));
      platform::DrawLine(s, ox, oy, ox, oy - len, Line(Colour{30, 150, 40, 255}, 4));
      platform::DrawLine(s, ox, oy, ox - len / 2, oy + len / 2, Line(Colour{30, 60, 200, 255}, 4));
      Label(s, ox + len + 4, oy - 10, "X", 18);
      Label(s, ox + 6, oy - len - 6, "Y", 18);
      Label(s, ox - len / 2 - 18, oy + len / 2 - 14, "Z", 18);
      break;
    }
    case Picture::FingerClip: DrawFingerClip(s, lx, mid, w, h); break;
    case Picture::ChestBelt: DrawChestBelt(s, lx, mid, w, h); break;
    case Picture::MagneticGate: DrawMagneticGate(s, lx, mid, w, h); break;
    case Picture::CounterTube: DrawCounterTube(s, lx, mid, w, h); break;
    case Picture::GasSyringe: DrawGasSyringe(s, lx, mid, w, h); break;
    case Picture::Cuvette: pictures::DrawCuvetteHolder(s, {lx, mid, w, h}); break;
    case Picture::SensingHead: pictures::DrawSensingHead(s, {lx, mid, w, h}); break;
    case Picture::UltrasonicHead: pictures::DrawUltrasonicHead(s, {lx, mid, w, h}); break;
    case Picture::HumidityProbe: pictures::DrawHumidityProbe(s, {lx, mid, w, h}); break;
    case Picture::Cuff: pictures::DrawCuff(s, {lx, mid, w, h}); break;
    case Picture::LoadHook: pictures::DrawLoadHook(s, {lx, mid, w, h}); break;
    case Picture::Microphone: pictures::DrawMicrophone(s, {lx, mid, w, h}); break;
    case Picture::MicrophoneUnit: pictures::DrawMicrophoneUnit(s, {lx, mid, w, h}); break;
    case Picture::FieldProbe: pictures::DrawFieldProbe(s, {lx, mid, w, h}); break;
    case Picture::Electrodes: pictures::DrawElectrodes(s, {lx, mid, w, h}); break;
    case Picture::OpticalGate: pictures::DrawOpticalGate(s, {lx, mid, w, h}); break;
    case Picture::FlowTube: pictures::DrawFlowTube(s, {lx, mid, w, h}); break;
    case Picture::Wheel: pictures::DrawWheel(s, {lx, mid, w, h}); break;
    case Picture::AxisPulley: pictures::DrawAxisPulley(s, {lx, mid, w, h}); break;
    default:
      break;
  }
  Label(s, unit.left + uw / 3, unit.top + uh / 4, row.Quantity.In(english), std::max(12, uh / 3));
}

// A monitor seen from the left: its screen is the quadrilateral the information panel lights and
// draws the live graph on, (393, 24), (601, 32), (592, 163), (386, 147); the sensor waits on the desk.
void DrawComputer(Surface& s) {
  VerticalGradient(s, Colour{245, 245, 250, 255}, Colour{210, 215, 230, 255});
  const Colour bezel{55, 60, 72, 255}, edge{95, 100, 115, 255}, stand{120, 124, 135, 255};
  // Desk line, stand and foot.
  platform::FillRect(s, {0, 214, s.Width(), 216}, Brush{Colour{190, 196, 212, 255}});
  FillConvex(s, {{478, 150}, {500, 152}, {506, 205}, {480, 205}}, stand);
  FillConvex(s, {{430, 203}, {560, 203}, {575, 216}, {418, 216}}, edge);
  // The case's side, then its face around the screen.
  FillConvex(s, {{372, 14}, {383, 9}, {377, 160}, {366, 158}}, edge);
  FillConvex(s, {{383, 9}, {612, 20}, {603, 176}, {377, 160}}, bezel);
  FillConvex(s, {{393, 24}, {601, 32}, {592, 163}, {386, 147}}, Colour{22, 26, 34, 255});
  // A little glare across the dark screen.
  FillConvex(s, {{393, 24}, {450, 26}, {418, 151}, {388, 148}}, Colour{34, 39, 50, 255});
  platform::FillRect(s, {485, 168, 495, 171}, Brush{Colour{80, 200, 110, 255}});
  // The sensor unit on the desk, its cable running to the computer.
  const Rect unit = DrawUnit(s, 40, 150, 150, 48);
  platform::DrawLine(s, unit.right, unit.top + 24, 366, 150, Line(kCable, 4));
  // A keyboard in front.
  FillConvex(s, {{250, 222}, {470, 222}, {490, 238}, {232, 238}}, Colour{170, 175, 188, 255});
  for (int row = 0; row < 3; ++row) {
    platform::FillRect(s, {256 + row * 3, 225 + row * 4, 470 + row * 4, 226 + row * 4}, Brush{Colour{140, 145, 160, 255}});
  }
}

void DrawStartPicture(Surface& s) {
  VerticalGradient(s, Colour{250, 250, 252, 255}, Colour{220, 225, 240, 255});
  const int w = s.Width(), h = s.Height();
  const Rect lid{w / 3, h / 8, w - 20, h * 2 / 3};
  platform::DrawRoundRect(s, lid, 10, 10, Line(kInk, 3), Brush{Colour{50, 55, 65, 255}});
  DrawPlot(s, {lid.left + 8, lid.top + 8, lid.right - 8, lid.bottom - 8}, Colour{30, 80, 200, 255});
  platform::DrawRectangle(s, {lid.left - 20, lid.bottom, lid.right + 10, lid.bottom + 14}, Line(kInk, 2),
                          Brush{Colour{160, 165, 175, 255}});
  DrawUnit(s, 10, h * 2 / 3, w / 4, h / 6);
  platform::DrawLine(s, 10 + w / 4, h * 2 / 3 + h / 12, lid.left - 20, lid.bottom + 7, Line(kCable, 3));
}

void DrawHelpPicture(Surface& s) {
  s.Fill(Colour{0, 0, 0, 0});
  const int w = s.Width(), h = s.Height();
  platform::DrawEllipse(s, {8, 8, w - 8, h - 30}, Line(Colour{30, 60, 140, 255}, 4), Brush{Colour{120, 170, 240, 255}});
  platform::DrawLine(s, w / 3, h - 40, w / 5, h - 8, Line(Colour{30, 60, 140, 255}, 6));
  Label(s, w / 2 - h / 8, h / 6, "?", h / 2, Colour{255, 255, 255, 255});
}

// The start page's menu lays this over its body at partial alpha: a pale page of graph paper with a
// faint curve, light enough for the menu's text to stay readable over it.
void DrawComposition(Surface& s) {
  VerticalGradient(s, Colour{252, 252, 255, 255}, Colour{232, 238, 250, 255});
  const int w = s.Width(), h = s.Height();
  for (int x = 0; x < w; x += 20) platform::DrawLine(s, x, 0, x, h - 1, Line(Colour{226, 232, 246, 255}, 1));
  for (int y = 0; y < h; y += 20) platform::DrawLine(s, 0, y, w - 1, y, Line(Colour{226, 232, 246, 255}, 1));
  int px = 0, py = h * 3 / 5;
  for (int x = 0; x < w; x += 2) {
    const int y = h * 3 / 5 - static_cast<int>(h / 6.0 * std::sin(x / 22.0) * std::exp(-x / 260.0));
    platform::DrawLine(s, px, py, x, y, Line(Colour{200, 212, 240, 255}, 2));
    px = x, py = y;
  }
}

void DrawArrow(Surface& s, bool right) {
  s.Fill(Colour{230, 230, 235, 255});
  const int w = s.Width(), h = s.Height();
  const int tip = right ? w - 4 : 4, tail = right ? 4 : w - 4, head = right ? w - 12 : 12;
  const Pen pen = Line(kInk, 3);
  platform::DrawLine(s, tail, h / 2, tip, h / 2, pen);
  platform::DrawLine(s, head, 3, tip, h / 2, pen);
  platform::DrawLine(s, head, h - 4, tip, h / 2, pen);
}

}  // namespace

Surface LoadBitmapResource(int id, bool english) {
  const auto row = std::ranges::find(kBitmaps, id, &BitmapRow::Id);
  if (row == std::end(kBitmaps)) return {};
  Surface s(row->Width, row->Height);
  switch (row->Kind) {
    case Picture::StartBackground: DrawStartBackground(s); break;
    case Picture::Computer: DrawComputer(s); break;
    case Picture::StartPicture: DrawStartPicture(s); break;
    case Picture::HelpPicture: DrawHelpPicture(s); break;
    case Picture::Composition: DrawComposition(s); break;
    case Picture::Strip: VerticalGradient(s, Colour{225, 228, 236, 255}, Colour{180, 186, 200, 255}); break;
    case Picture::ArrowLeft: DrawArrow(s, false); break;
    case Picture::ArrowRight: DrawArrow(s, true); break;
    default: DrawSensor(s, *row, english); break;
  }
  return s;
}

Surface LoadIconResource(int id) {
  if (id != kMainIcon) return {};
  // A small graph: a blue rounded tile with a white curve.
  Surface s(32, 32);
  s.Fill(Colour{0, 0, 0, 0});
  platform::DrawRoundRect(s, {1, 1, 31, 31}, 8, 8, Line(Colour{20, 50, 110, 255}, 1), Brush{Colour{50, 100, 180, 255}});
  int px = 4, py = 16;
  for (int x = 4; x <= 28; x += 2) {
    const int y = 16 - static_cast<int>(9.0 * std::sin((x - 4) / 4.0));
    platform::DrawLine(s, px, py, x, y, Line(Colour{255, 255, 255, 255}, 2));
    px = x, py = y;
  }
  return s;
}
