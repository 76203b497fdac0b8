// The parts the sensor pictures draw beside the unit: each kind's probe, head, cuff, microphone,
// electrodes, gate, wheel or pulley, in the flat inked style of the unit itself.
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
// Light, infrared distance and atmospheric pressure: a sensing head, its window open to what reaches it.
void DrawSensingHead(platform::Surface& s, const Beside& at);
// Ultrasonic distance: the transducer sending its waves towards a cart.
void DrawUltrasonicHead(platform::Surface& s, const Beside& at);
// Humidity: a probe with a vented cap among droplets.
void DrawHumidityProbe(platform::Surface& s, const Beside& at);
// Blood pressure: the cuff on an arm, its tube to the unit and its pump bulb.
void DrawCuff(platform::Surface& s, const Beside& at);
// Force: the sensor hung from a stand, a load on its hook and the force's arrow.
void DrawLoadHook(platform::Surface& s, const Beside& at);
// Sound: a microphone on its cable listening to a tuning fork.
void DrawMicrophone(platform::Surface& s, const Beside& at);
// Two-channel and integrating sound: a microphone unit on its stand, its grille turned to a tuning fork.
void DrawMicrophoneUnit(platform::Surface& s, const Beside& at);
// Magnetic field: a probe on its handle, its tip in the field of a bar magnet.
void DrawFieldProbe(platform::Surface& s, const Beside& at);
// Heart: three electrodes on a chest, their leads joined to the unit's cable, and the heart's trace.
void DrawElectrodes(platform::Surface& s, const Beside& at);
// Optical gate: a fork with its beam across the gap, a ball falling through.
void DrawOpticalGate(platform::Surface& s, const Beside& at);
// Breathing and its humidity: a flow tube with its mouthpiece, the breath going in and out.
void DrawFlowTube(platform::Surface& s, const Beside& at);
// Rotation: a spoked wheel turning on the sensor at its hub.
void DrawWheel(platform::Surface& s, const Beside& at);
// Rotation frequency: the sensor's axis with a pulley, a thread wound on it to a hanging load.
void DrawAxisPulley(platform::Surface& s, const Beside& at);

}  // namespace pictures
