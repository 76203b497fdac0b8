// The measurement toolbar's decisions as plain functions: the value-scale slider's tables, the
// channel options panel's place and the release rules of the toggle buttons.
#pragma once

#include <cstdint>
#include <map>
#include <span>

// The value-scale slider's segment choice for a maximum M and minimum m per division.
struct ValueSliderLayout {
  std::int32_t First = 0;
  // Breakpoints used: Last + 1 from First, with Last steps; never past the tables' end.
  std::int32_t Last = 7;
  std::span<const float> Breakpoints;
  std::span<const float> Steps;
};
ValueSliderLayout ChooseValueSlider(float maximum, float minimum);

// The time-scale and sampling-rate sliders' tables.
std::span<const float> TimeScaleBreakpoints();
std::span<const float> TimeScaleSteps();
std::span<const float> RateBreakpoints();
std::span<const float> RateSteps();

// The channel options panel's width and its left edge under channel-slot button `button_left`:
// moved left to end 2 pixels before the client's right edge, and never left of 0.
std::int32_t ChannelOptionsWidth(float scale_x, float aspect_ratio);
std::int32_t ChannelOptionsLeft(std::int32_t button_left, std::int32_t width, std::int32_t client_width);

// One control the release rules look at.
struct ToolbarControl {
  std::uint8_t State = 1;  // 1 up, 2 down
  bool Visible = true;
  // Only image buttons count as "pressed" when their id is the one in use.
  bool ImageButton = true;
  // What the window does with it: nothing, repaint by its state, or the release animation.
  enum Action : std::uint8_t { kNone, kReset, kRelease } Done = kNone;
};

// The toolbar as the release rules see it.
struct ToolbarSnapshot {
  std::map<std::int32_t, ToolbarControl> Controls;
  bool ViewExists = true;
  bool Recording = false;
  std::uint8_t PanelMode = 0;
  bool HelpShown = false;
  // The display-hold byte of the view, cleared with the pause button's release.
  std::uint8_t DisplayHold = 0;
  // Set when the scale sliders are to take the view's scales again.
  bool SyncScaleSliders = false;
  // Set when an open panel was closed (the window runs its hide operation).
  bool PanelClosed = false;
};

// Applies the release rules for a command of control `id` (0: none) to the snapshot.
void ApplyReleaseRules(ToolbarSnapshot& toolbar, std::int32_t id, bool keep_help);

// Control ids the measurement screen shows on entry (extended mode off).
std::span<const std::int32_t> MeasureScreenIds();
