// The slider: a labelled scale of breakpoints, a wedge-shaped track, a dragged triangular marker, fades.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "controls/control_frame.h"
#include "render/cubic_spline.h"

// The slider's breakpoints: where each lies along the track, its value, its label and the value
// quantum of the segment that starts at it.
struct StickScale {
  static constexpr int kMaxBreakpoints = 16;
  static constexpr std::size_t kLabelLength = 15;

  std::int32_t Count = 0;
  std::array<float, kMaxBreakpoints> ExactPositions{};
  std::array<std::int32_t, kMaxBreakpoints> Positions{};
  std::array<float, kMaxBreakpoints> Values{};
  std::array<float, kMaxBreakpoints> StepSizes{};
  std::array<float, kMaxBreakpoints> StepCounts{};
  std::array<std::string, kMaxBreakpoints> Labels{};
  float SegmentLength = 0.0f;
  float LastValueTimes1000 = 0.0f;
  double StyleSize = 10.0;
  std::string Unit = "k";
  bool UnitOn = false;
};

class StickButton : public ControlFrame {
 public:
  static constexpr std::uint8_t kVertical = 1;
  static constexpr std::uint8_t kHorizontal = 0;
  static constexpr std::uint8_t kDimmest = 40;
  static constexpr std::uint8_t kBrightest = 255;
  static constexpr unsigned kFadeOutTimer = 1;
  static constexpr unsigned kFadeInTimer = 2;

  explicit StickButton(ControlOwner& owner);

  // Lays the slider out in its rectangle with n + 1 breakpoints from `values` (n + 1) and
  // `steps` (n). False, and nothing changed, when n is 0, the arrays are short or a segment would
  // have no length; n above 15 is cut to 15.
  bool Layout(std::uint8_t orientation, std::int32_t controlId, std::int32_t divisions, std::int32_t n,
              std::span<const float> values, std::span<const float> steps, std::int32_t minimum,
              std::int32_t maximum);
  void SetRange(std::int32_t minimum, std::int32_t maximum);
  // Any thread: off the window thread it is queued there.
  void SetValue(float value);
  float GetValue();

  void StartFadeOut();
  // The faded or full level at once, without a fade (the owner's set-up starts sliders faded).
  void SetBrightness(std::uint8_t level) { brightness_ = level; }
  void StartFadeIn();

  const StickScale& Scale() const { return scale_; }
  // The unit after the inner value labels ("1k", "5k"), or none; the ends stay "min" and "max".
  void SetUnitSuffix(bool on);
  std::int32_t MarkerPosition() const { return marker_; }
  std::uint8_t Brightness() const { return brightness_; }
  bool Dragging() const { return dragging_; }
  std::int32_t Minimum() const { return minimum_; }
  std::int32_t Maximum() const { return maximum_; }

 protected:
  void Draw(agg_ren& renderer, platform::Surface& screen) override;
  void OnLButtonDown(platform::WindowPoint point) override;
  void OnLButtonUp(platform::WindowPoint point) override;
  void OnPressCancelled() override;
  void OnMouseMove(platform::WindowPoint point, unsigned flags, bool hover) override;
  void OnTimer(unsigned id) override;
  void OnShowChanged(bool visible) override;

 private:
  int Along(platform::WindowPoint p) const { return orientation_ == kVertical ? p.y : p.x; }
  void MoveMarkerTo(int c);
  void SetValueNow(float value);
  void Release();
  void FadeStep();
  void DrawTrack(agg_ren& r);
  void DrawLabels(agg_ren& r);
  void DrawMarker(agg_ren& r);
  // The track profile; 0 where it has no value.
  double Profile(double at) const;
  std::uint8_t ProfileAlpha(double at) const;

  StickScale scale_;
  CubicSpline profile_;
  std::uint8_t orientation_ = kHorizontal;
  std::int32_t divisions_ = 0;
  bool dragging_ = false;
  std::int32_t minimum_ = 0, maximum_ = 0;

  float trackStart_ = 0, trackEnd_ = 0, base_ = 0, tickEnd_ = 0, knobAcross_ = 0, k_ = 0;
  int pressLow_ = 0, pressHigh_ = 0;
  std::int32_t marker_ = 0;
  std::int32_t offset_ = 0;
  int lastAlong_ = 0;

  std::uint8_t brightness_ = kBrightest;
  std::uint8_t fadeAmount_ = 255;
  std::uint8_t fadeTimer_ = 0;
  std::uint8_t fadeCounter_ = 0;
  std::uint8_t fadeSteps_ = 1;
  bool fadeDone_ = true;
};
