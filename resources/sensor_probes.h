// The parts the sensor pictures draw beside the unit: each kind's probe, cuff, microphone, cuvette
// holder or load hook, in the flat inked style of the unit itself.
#pragma once

#include <initializer_list>
#include <utility>

#include "platform/gdi.h"

namespace pictures {

inline constexpr platform::Colour kInk{40, 40, 50, 255};
inline constexpr platform::Colour kCable{60, 60, 70, 255};
inline constexpr platform::Colour kRed{200, 30, 30, 255};
inline constexpr platform::Colour kMetal{175, 180, 192, 255};

// Where a part goes: the unit's right edge `lx` and middle row `mid`, the picture's width `w` and
// the height `h` of its drawing (the foot below is left for the kind's name).
struct Beside {
  int lx, mid, w, h;
};

// Fills a convex polygon row by row: each row spans between the edges that cross its centre.
void FillConvex(platform::Surface& s, std::initializer_list<std::pair<double, double>> corners, platform::Colour colour);

// Optical density and turbidity: a cuvette of solution standing in its holder, the beam across it.
void DrawCuvetteHolder(platform::Surface& s, const Beside& at);
// Light: the probe's window facing a shining lamp.
void DrawLightProbe(platform::Surface& s, const Beside& at);
// Infrared distance: the emitter and receiver pair, their beam going to a board and coming back.
void DrawInfraredHead(platform::Surface& s, const Beside& at);
// Ultrasonic distance: the transducer sending its waves towards a cart.
void DrawUltrasonicHead(platform::Surface& s, const Beside& at);
// Humidity: a probe with a vented cap among droplets.
void DrawHumidityProbe(platform::Surface& s, const Beside& at);
// Blood pressure: the cuff on an arm, its tube to the unit and its pump bulb.
void DrawCuff(platform::Surface& s, const Beside& at);
// Force: the sensor hung from a stand, a load on its hook and the force's arrow.
void DrawLoadHook(platform::Surface& s, const Beside& at);
// Sound: one microphone, or two on a forked cable, listening to a tuning fork.
void DrawMicrophones(platform::Surface& s, const Beside& at, int count);

}  // namespace pictures
