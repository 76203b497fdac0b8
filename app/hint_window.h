// The hint window's texts and placement: which two lines a control or sensor zone shows, and where.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/window_geometry.h"

// Hint ids of the start screen's zones; every other hint id is a control id.
inline constexpr std::int32_t kHintMainZone = 1;
inline constexpr std::int32_t kHintSensorUsed = 2;
inline constexpr std::int32_t kHintSensorUnused = 3;

struct HintLines {
  std::string First;
  // Control hints leave the second line as it was.
  std::optional<std::string> Second;
};

// What the zone hints and the channel record buttons' texts depend on.
struct HintContext {
  bool English = false;
  bool RecordButtonDown = false;
  std::array<std::uint8_t, 4> Chosen{};
  std::array<std::uint8_t, 4> Prepared{};
};

// The lines of a hint id; none for an id without a hint.
std::optional<HintLines> HintTextFor(std::int32_t id, const HintContext& context);

// Code points of UTF-8 text: hint widths count characters, not bytes.
std::size_t CodePoints(std::string_view text);

// Characters added to a control hint's width by language.
std::int32_t HintWidthCorrection(std::int32_t id, bool english);

struct HintMetrics {
  float UiScale = 1.0f;
  float ScaleX = 1.0f;
  std::int32_t ScreenHeight = 768;
  // The main window's client area, in its own coordinates.
  platform::WindowRect Client;
  // The hint's text size factor while placing (the screen's preset) and its font's character width.
  double TextSize = 1.1;
  double CharWidth = 9.0;
};

// The hint window's rectangle next to a control's window rectangle.
platform::WindowRect PlaceNextToControl(const platform::WindowRect& control, std::int32_t id, std::string_view line1,
                                        bool english, const HintMetrics& m);
// The hint window's rectangle beside an anchor (the zone hints); `longest` in characters.
platform::WindowRect PlaceAtAnchor(const platform::WindowRect& anchor, std::size_t longest, const HintMetrics& m);
