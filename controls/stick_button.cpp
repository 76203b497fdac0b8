// The slider: layout of the scale, track and marker drawing, dragging, value mapping and fades.
#include "controls/stick_button.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "controls/control_drawing.h"

using platform::WindowPoint;

namespace {

constexpr std::int32_t kTimeScaleSliderId = 75001;
const rgba8 kTrackColour(30, 40, 50, 255);

// "5", ".5", ".05": whole values plainly, fractions to one or two places without the leading zero.
std::string BreakpointLabel(float value, const StickScale& scale) {
  char text[32];
  if (value >= 1.0f) {
    std::snprintf(text, sizeof text, "%.0f", value);
  } else {
    std::snprintf(text, sizeof text, value >= 0.1f ? "%.1f" : "%.2f", value);
  }
  std::string label = text;
  if (label.front() == '0') label.erase(0, 1);
  if (scale.UnitOn) label += scale.Unit;
  if (label.size() > StickScale::kLabelLength) label.resize(StickScale::kLabelLength);
  return label;
}

}  // namespace

void StickButton::SetUnitSuffix(bool on) {
  StickScale& s = scale_;
  s.UnitOn = on;
  for (std::int32_t i = 1; i + 1 < s.Count; ++i) s.Labels[i] = BreakpointLabel(s.Values[i], s);
  Invalidate();
}

StickButton::StickButton(ControlOwner& owner)
    : ControlFrame(owner, {BackgroundSource::EveryPaint, false}) {}

bool StickButton::Layout(std::uint8_t orientation, std::int32_t controlId, std::int32_t divisions, std::int32_t n,
                         std::span<const float> values, std::span<const float> steps, std::int32_t minimum,
                         std::int32_t maximum) {
  if (!IsCreated()) return false;
  n = std::min<std::int32_t>(n, StickScale::kMaxBreakpoints - 1);
  if (n < 1 || values.size() < static_cast<std::size_t>(n) + 1 || steps.size() < static_cast<std::size_t>(n)) {
    return false;
  }
  const float sx = Owner().ScaleX(), sy = Owner().ScaleY();
  const float w = static_cast<float>(Rect().Width()), h = static_cast<float>(Rect().Height());
  const bool vertical = orientation == kVertical;
  const float start = vertical ? h - 20 * sx : 30 * sy;
  const float end = vertical ? 20 * sx : w - 35 * sy;
  const float segment = vertical ? (start - end) / n
                                 : static_cast<float>(maximum - minimum) * ((end - start) / 200.0f) / n;
  if (!(segment > 0.0f) || !std::isfinite(segment)) return false;

  SetControlId(controlId);
  orientation_ = orientation;
  divisions_ = divisions;
  State = kStateUp;
  trackStart_ = start;
  trackEnd_ = end;
  if (vertical) {
    base_ = 15 * sy;
    tickEnd_ = base_ + 10 * sy;
    knobAcross_ = 20 * sy;
    k_ = 10 * sx;
  } else {
    base_ = h - 20 * sx;
    tickEnd_ = base_ - 19 * sx;
    knobAcross_ = 20 * sx;
    k_ = 10 * sy;
  }

  StickScale& s = scale_;
  s.Count = n + 1;
  s.SegmentLength = segment;
  for (std::int32_t i = 0; i <= n; ++i) {
    s.ExactPositions[i] = vertical ? start - i * segment : start + i * segment;
    s.Positions[i] = static_cast<std::int32_t>(s.ExactPositions[i]);
    s.Values[i] = values[i];
    if (i < n) {
      s.StepSizes[i] = steps[i];
      s.StepCounts[i] = steps[i] > 0.0f ? (values[i + 1] - values[i]) / steps[i] : 0.0f;
      s.Labels[i] = BreakpointLabel(values[i], s);
    }
  }
  s.Labels[0] = "min";
  s.Labels[n] = "max";
  s.StyleSize = 10.0 * (vertical ? sx : sy);

  const float low = vertical ? end : start, high = vertical ? start : end;
  pressLow_ = static_cast<int>(low - k_);
  pressHigh_ = static_cast<int>(high + k_);
  marker_ = static_cast<std::int32_t>(start);
  offset_ = 0;

  const double p0 = s.ExactPositions[0], pn = s.ExactPositions[n];
  const double length = std::trunc(pn - p0);
  const double xs[] = {p0, p0 + 0.5 * length, p0 + 0.8 * length, pn + 1};
  const double ys[] = {0.1, 0.3, 0.6, 1.0};
  profile_.Build(xs, ys, 4);
  Invalidate();
  return true;
}

void StickButton::SetRange(std::int32_t minimum, std::int32_t maximum) {
  minimum_ = minimum;
  maximum_ = maximum;
  offset_ = 0;
}

void StickButton::SetValue(float value) {
  if (!IsCreated()) return;
  RunOnWindowThread([value](platform::Control& c) { static_cast<StickButton&>(c).SetValueNow(value); });
}

void StickButton::SetValueNow(float v) {
  const StickScale& s = scale_;
  if (s.Count == 0) return;
  marker_ = s.Positions[s.Count - 1];
  for (std::int32_t i = 0; i < s.Count; ++i) {
    if (!(s.Values[i] > v)) continue;
    if (i == 0) {
      marker_ = s.Positions[0];
    } else {
      const float share = (v - s.Values[i - 1]) / (s.Values[i] - s.Values[i - 1]);
      marker_ = static_cast<std::int32_t>(s.ExactPositions[i - 1] +
                                          share * (s.ExactPositions[i] - s.ExactPositions[i - 1]));
    }
    break;
  }
  // GetValue between breakpoints reads the offset, so it must follow the marker.
  offset_ = std::abs(marker_ - static_cast<std::int32_t>(trackStart_));
  Invalidate();
}

float StickButton::GetValue() {
  StickScale& s = scale_;
  if (s.Count == 0) return 0.0f;
  float value = s.Values[s.Count - 1];
  bool atBreakpoint = false;
  for (std::int32_t i = 0; i < s.Count && !atBreakpoint; ++i) {
    if (marker_ == s.Positions[i] || marker_ == static_cast<std::int32_t>(std::ceil(s.ExactPositions[i]))) {
      value = s.Values[i];
      atBreakpoint = true;
    }
  }
  const float length = std::fabs(trackEnd_ - trackStart_);
  if (!atBreakpoint && length > 0.0f) {
    const double t = (s.Count - 1) * (offset_ / static_cast<double>(length));
    const double i = std::floor(t);
    if (i < 0) {
      value = s.Values[0];
    } else if (i < s.Count - 1) {
      const auto n = static_cast<std::size_t>(i);
      value = s.Values[n] + s.StepSizes[n] * static_cast<float>(std::floor((t - i) * s.StepCounts[n]));
    }
  }
  s.LastValueTimes1000 = value * 1000.0f;
  return value;
}

void StickButton::MoveMarkerTo(int c) {
  const int start = static_cast<int>(trackStart_), end = static_cast<int>(trackEnd_);
  marker_ = std::clamp(c, std::min(start, end), std::max(start, end));
  offset_ = std::abs(marker_ - start);
}

void StickButton::OnLButtonDown(WindowPoint point) {
  const int c = Along(point);
  if (scale_.Count == 0 || c < pressLow_ || c > pressHigh_) return;
  MoveMarkerTo(c);
  State = kStateDown;
  dragging_ = true;
  lastAlong_ = c;
  Invalidate();
  NotifyPress();
}

void StickButton::OnMouseMove(WindowPoint point, unsigned flags, bool) {
  if (!dragging_) return;
  const int c = Along(point);
  if (std::abs(c - lastAlong_) < 1) return;
  MoveMarkerTo(c);
  lastAlong_ = c;
  Invalidate();
  if (orientation_ == kHorizontal || flags == platform::kMouseLeft) NotifyPress();
}

// The release ends the drag wherever it lands; the marker stays where the drag left it.
void StickButton::Release() {
  State = kStateUp;
  dragging_ = false;
  Invalidate();
  NotifyPress();
}
void StickButton::OnLButtonUp(WindowPoint) { Release(); }
void StickButton::OnPressCancelled() { Release(); }

void StickButton::OnShowChanged(bool visible) {
  ControlFrame::OnShowChanged(visible);
  dragging_ = false;
}

void StickButton::StartFadeOut() {
  if (!IsVisible()) return;
  if (brightness_ == kDimmest && fadeTimer_ == kFadeOutTimer && !fadeDone_) {
    KillTimer(kFadeOutTimer);
    fadeDone_ = true;
    return;
  }
  if (fadeTimer_ == kFadeOutTimer || brightness_ == kDimmest) return;
  if (!fadeDone_ && fadeTimer_ != 0) KillTimer(fadeTimer_);
  if (brightness_ - kDimmest >= kDimmest) {
    fadeAmount_ = static_cast<std::uint8_t>(brightness_ - kDimmest);
  } else {
    brightness_ = kDimmest;
  }
  fadeSteps_ = static_cast<std::uint8_t>(std::max(1, brightness_ / 15));
  fadeCounter_ = 1;
  fadeTimer_ = kFadeOutTimer;
  FadeStep();
  SetTimer(kFadeOutTimer, kAnimationPeriodMs);
  fadeDone_ = false;
  Invalidate();
}

void StickButton::StartFadeIn() {
  if (!IsVisible()) return;
  if (brightness_ == kBrightest && fadeTimer_ == kFadeInTimer && !fadeDone_) {
    KillTimer(kFadeInTimer);
    fadeDone_ = true;
    return;
  }
  if (fadeTimer_ == kFadeInTimer) return;
  if (!fadeDone_ && fadeTimer_ != 0) KillTimer(fadeTimer_);
  fadeSteps_ = static_cast<std::uint8_t>(std::max(1, (kBrightest - brightness_) / 15));
  fadeCounter_ = 1;
  fadeTimer_ = kFadeInTimer;
  FadeStep();
  SetTimer(kFadeInTimer, kAnimationPeriodMs);
  fadeDone_ = false;
  Invalidate();
}

// Each step starts from the present brightness, so the change grows from step to step.
void StickButton::FadeStep() {
  const double f = static_cast<double>(fadeCounter_) / fadeSteps_;
  const int b = fadeTimer_ == kFadeOutTimer ? static_cast<int>(brightness_ - fadeAmount_ * f)
                                            : static_cast<int>(fadeAmount_ * f + brightness_);
  if (b < kDimmest || b > kBrightest) {
    brightness_ = b < kDimmest ? kDimmest : kBrightest;
    fadeCounter_ = fadeSteps_;
  } else {
    brightness_ = static_cast<std::uint8_t>(b);
  }
}

void StickButton::OnTimer(unsigned id) {
  if (id != fadeTimer_ || (id != kFadeOutTimer && id != kFadeInTimer)) {
    KillTimer(id);
    return;
  }
  // The last step may leave the counter at the step count; the tick after it passes it.
  if (++fadeCounter_ >= fadeSteps_) {
    KillTimer(id);
    brightness_ = id == kFadeOutTimer ? kDimmest : kBrightest;
    fadeDone_ = true;
  } else {
    FadeStep();
  }
  if (IsVisible()) Invalidate();
}

double StickButton::Profile(double at) const {
  const double p = profile_.Evaluate(at);
  return std::isfinite(p) ? p : 0.0;
}

std::uint8_t StickButton::ProfileAlpha(double at) const {
  const double alpha = Profile(at) * 255.0 * brightness_ / 255.0;
  return static_cast<std::uint8_t>(std::clamp(std::trunc(alpha), 0.0, 255.0));
}

void StickButton::Draw(agg_ren& r, platform::Surface& screen) {
  if (scale_.Count == 0) return;
  r.style.highlight = rgba8(0, 0, 40, 0);
  PanelRect box{0, static_cast<double>(screen.Width()), 0, static_cast<double>(screen.Height())};
  r.DrawRoundedPanel(box, PanelStyle{0, 0, 0, 1, 100}, 1.0f, 2.0f, rgba8(230, 240, 250, brightness_ / 2), 1.0f);
  DrawTrack(r);
  DrawLabels(r);
  DrawMarker(r);
}

void StickButton::DrawTrack(agg_ren& r) {
  const StickScale& s = scale_;
  const int n = s.Count - 1;
  const rgba8 ink(kTrackColour.r, kTrackColour.g, kTrackColour.b, brightness_);
  if (orientation_ == kHorizontal) {
    const double lift = 20 * Owner().ScaleY();
    for (int x = static_cast<int>(s.ExactPositions[0]); x <= s.ExactPositions[n]; ++x) {
      const double p = Profile(x);
      r.DrawLine(x, base_, x, base_ - p * lift, ink.r, ink.g, ink.b, ProfileAlpha(x), 1.0f);
      r.RenderScanlines();
    }
    for (int i = 0; i <= n; ++i) r.DrawLineRgba({s.ExactPositions[i], tickEnd_, s.ExactPositions[i], base_}, ink, 1.0f);
    if (ControlId() == kTimeScaleSliderId && n >= 2) {
      const double x = s.ExactPositions[1] + (s.ExactPositions[2] - s.ExactPositions[1]) / 4;
      r.DrawLineRgba({x, (tickEnd_ + base_) / 2, x, base_}, ink, 1.0f);
    }
    r.DrawLineRgba({s.ExactPositions[0], base_, s.ExactPositions[n], base_}, ink, 2.0f);
  } else {
    const double reach = 20 * Owner().UiScale();
    for (int y = static_cast<int>(s.ExactPositions[n]); y < s.ExactPositions[0]; ++y) {
      const double p = Profile(y);
      r.DrawLine(base_, y, base_ + p * reach, y, ink.r, ink.g, ink.b, ProfileAlpha(y), 1.0f);
      r.RenderScanlines();
    }
    for (int i = 0; i <= n; ++i) r.DrawLineRgba({base_, s.ExactPositions[i], tickEnd_, s.ExactPositions[i]}, ink, 1.0f);
    r.DrawLineRgba({base_, s.ExactPositions[0], base_, s.ExactPositions[n]}, ink, 2.0f);
  }
  r.RenderScanlines();
}

void StickButton::DrawLabels(agg_ren& r) {
  const StickScale& s = scale_;
  const float sx = Owner().ScaleX(), sy = Owner().ScaleY(), ui = Owner().UiScale();
  const rgba8 ink(0, 0, 0, brightness_);
  for (int i = 0; i < s.Count; ++i) {
    const double scale = ui * ((i == 0 || i == s.Count - 1) ? 0.7 : 0.8);
    const double p = s.Positions[i];
    const auto chars = static_cast<double>(s.Labels[i].size());
    if (orientation_ == kHorizontal) {
      control_draw::Text(r, s.Labels[i], p - 4 * chars, tickEnd_ - 20 * ui, 40 * sy, 10 * sx, scale, ink, 0);
    } else {
      control_draw::Text(r, s.Labels[i], tickEnd_ + 7 * sy, p - 10 * scale, 5 * sy, 30 * sy, scale, ink, 0);
    }
  }
}

void StickButton::DrawMarker(agg_ren& r) {
  const double p = marker_, k = k_;
  double x[3], y[3];
  if (orientation_ == kHorizontal) {
    const double lip = 10 * Owner().ScaleX();
    x[0] = p - k, y[0] = base_ + lip, x[1] = p, y[1] = base_ - lip, x[2] = p + k, y[2] = base_ + lip;
  } else {
    const double across = 20 * Owner().ScaleY();
    x[0] = base_ - 0.4 * across, y[0] = p - k, x[1] = base_ + 0.6 * across, y[1] = p;
    x[2] = base_ - 0.4 * across, y[2] = p + k;
  }
  const bool pressed = State == kStateDown;
  control_draw::Polygon(r, {x[0], y[0], x[1], y[1], x[2], y[2]}, rgba8(0, 0, 0, pressed ? 255 : 155));
  if (!pressed) return;
  // The inner triangle: each corner 0.2 k nearer the middle.
  const double cx = (x[0] + x[1] + x[2]) / 3, cy = (y[0] + y[1] + y[2]) / 3;
  double ix[3], iy[3];
  for (int i = 0; i < 3; ++i) {
    const double dx = cx - x[i], dy = cy - y[i], d = std::hypot(dx, dy);
    const double move = d > 0 ? std::min(0.2 * k, d) / d : 0.0;
    ix[i] = x[i] + dx * move;
    iy[i] = y[i] + dy * move;
  }
  control_draw::Polygon(r, {ix[0], iy[0], ix[1], iy[1], ix[2], iy[2]}, rgba8(255, 255, 255, 255));
}
