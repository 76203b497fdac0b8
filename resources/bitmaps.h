// The program's bitmaps by resource id, each drawn in code at load time.
#pragma once

#include <array>

#include "platform/surface.h"

// The bitmaps the main window loads at start-up, in load order.
inline constexpr std::array<int, 47> kMainWindowBitmaps = {
    50057, 50058, 50062, 50077, 50063, 50064, 50065, 50067, 50074, 50075, 50076, 50068,
    50069, 50070, 50071, 50072, 50073, 50080, 50081, 50082, 50083, 50084, 50085, 50086,
    50087, 50088, 50089, 50090, 50091, 50092, 50093, 50094, 50095, 50096, 50097, 50098,
    50099, 50100, 50101, 50102, 50103, 50104, 50105, 50078, 50079, 50059, 50060};

inline constexpr int kStartBackgroundBitmap = 50057;

// The picture of `id` at its own size, its words in the interface's language; an empty surface
// for an id the program does not have.
platform::Surface LoadBitmapResource(int id, bool english);
// The share of a sensor picture's height its drawing takes from the top: the foot is left for the
// kind's name, which the information panel writes.
inline constexpr int kSensorDrawingPercent = 62;

// The window's icon.
inline constexpr int kMainIcon = 128;
// The icon of `id` at 32 x 32 pixels; an empty surface for an id the program does not have.
platform::Surface LoadIconResource(int id);
