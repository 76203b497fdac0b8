// The image buttons' style values: the look families given at creation and the graph screen's seventeen buttons.
#pragma once

#include <array>
#include <cstdint>

#include "app/screen_metrics.h"
#include "controls/aimage_button.h"
#include "layout/control_table.h"

// The graph screen's buttons in the order they are styled.
inline constexpr std::array<std::int32_t, 17> kGraphButtons = {75013, 75014, 75053, 75052, 75004, 74999,
                                                               75037, 75045, 75046, 75038, 75039, 75040,
                                                               75041, 75181, 75182, 75183, 75184};

// The caption mode of the Scale button: alignment 21 on a screen wider than 3:2, else 10.
inline std::uint8_t ScaleButtonCaptionMode(float aspect_ratio) { return aspect_ratio > 1.5f ? 21 : 10; }

// Looks, colour pairs, caption and panel values of a created button by its family.
void ApplyCreationStyle(AImageButton& button, StyleFamily family, const ScreenMetrics& m);

// The graph-screen style of one of kGraphButtons, without its layout style; the same values at
// creation and at every entry into the graph screen.
void StyleGraphButton(AImageButton& button, const ScreenMetrics& m);

// The display-mode-4 look: bold "Verdana" captions scaled to the screen.
void StyleDialModeButton(AImageButton& button, const ScreenMetrics& m);
