// The simple GDI buttons: caption and mark animations, press and release rules, shaded bodies.
#include "controls/simple_buttons.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "graph/graph_view.h"

using platform::Brush;
using platform::Colour;
using platform::Pen;
using platform::WindowPoint;

namespace {

constexpr unsigned kTimer = 1;
constexpr std::int32_t kRecordButtonId = 75013;
constexpr std::int32_t kReviewButtonId = 75014;

std::uint8_t GreyUp(std::uint8_t g) { return static_cast<std::uint8_t>(std::min(255, g + 25)); }
// Down by one step; a grey that falls below 80 rests at the floor.
std::uint8_t GreyDown(std::uint8_t g, std::uint8_t floor) {
  const int next = g - 25;
  return static_cast<std::uint8_t>(next < 80 ? floor : next);
}

void CentredCaption(platform::Surface& s, const std::string& text, const platform::Font& font, Colour colour, int dx,
                    int dy) {
  const platform::Size extent = platform::TextExtent(text, font);
  platform::DrawText(s, (s.Width() - extent.cx) / 2 + dx, (s.Height() - extent.cy) / 2 + dy, text, font, colour);
}

}  // namespace

SimpleButton2::SimpleButton2(ControlOwner& owner) : ControlFrame(owner, {BackgroundSource::KeptCopy, false}) {}

void SimpleButton2::Setup(const std::string& caption, std::int32_t controlId) {
  State = kStateUp;
  caption_ = caption;
  SetControlId(controlId);
  frame_ = 0;
  limit_ = 4;
  secondLimit_ = 7;
  font_ = {"Lucida Console", 16, 8, 400, false};
  grey_ = kGreyFloor;
  level_ = 50;
}

void SimpleButton2::SetCaption(std::uint8_t state, const std::string& text, bool force) {
  if (State == state && !force) return;
  State = state;
  caption_ = text;
  Invalidate();
}

void SimpleButton2::Start(SimpleMode mode, std::uint8_t limit) {
  mode_ = mode;
  frame_ = 0;
  limit_ = limit;
  running_ = true;
  SetTimer(kTimer, kAnimationPeriodMs);
}

void SimpleButton2::OnMouseMove(WindowPoint, unsigned, bool hover) {
  if (!hover || running_ || MouseDown()) return;
  mode_ = SimpleMode::Hover;
  frame_ = 0;
  limit_ = 6;
  level_ = 50;
}

void SimpleButton2::Leave() {
  if (mouseOver_) {
    const std::uint8_t limit = frame_ == 0 ? 8 : static_cast<std::uint8_t>(std::max(1, 8 - frame_));
    mouseOver_ = false;
    Start(SimpleMode::Leave, limit);
  } else if (offset_ != 0 && !running_) {
    offset_ = 0;
    secondLimit_ = 7;
    Invalidate();
  }
}

void SimpleButton2::OnLButtonDown(WindowPoint) {
  State = kStateDown;
  Start(SimpleMode::Press, 3);
  Invalidate();
  NotifyPress();
}

void SimpleButton2::OnLButtonUp(WindowPoint) {
  State = kStateUp;
  Start(SimpleMode::Release, 3);
  Invalidate();
}

void SimpleButton2::OnTimer(unsigned id) {
  if (id != kTimer) return;
  ++frame_;
  if (frame_ > limit_) {
    KillTimer(kTimer);
    running_ = false;
    if (mode_ != SimpleMode::Leave) mouseOver_ = true;
    frame_ = 0;
  } else if (frame_ == limit_) {
    KillTimer(kTimer);
    running_ = false;
    switch (mode_) {
      case SimpleMode::Hover:
      case SimpleMode::Release:
        grey_ = 255;
        offset_ = 175;
        break;
      case SimpleMode::Leave:
        offset_ = 0;
        font_.Height = 16;
        font_.Width = 8;
        grey_ = kGreyFloor;
        break;
      case SimpleMode::Press:
        offset_ = 30;
        font_.Height -= 1;
        grey_ = kGreyFloor;
        break;
      default:
        break;
    }
  } else {
    const bool second = frame_ % 2 == 0;
    switch (mode_) {
      case SimpleMode::Hover:
      case SimpleMode::Release:
        offset_ -= 10;
        if (mode_ == SimpleMode::Release || second) ++font_.Height, ++font_.Width;
        grey_ = GreyUp(grey_);
        break;
      case SimpleMode::Leave:
        offset_ += 6;
        if (second) --font_.Height, --font_.Width;
        grey_ = GreyDown(grey_, kGreyFloor);
        break;
      case SimpleMode::Press:
        secondOffset_ -= 10;
        offset_ += 6;
        --font_.Height, --font_.Width;
        grey_ = GreyDown(grey_, kGreyFloor);
        break;
      default:
        break;
    }
  }
  Invalidate();
}

void SimpleButton2::Draw(agg_ren&, platform::Surface& s) {
  platform::FillRect(s, s.Bounds(), Brush{State == kStateDown ? Colour{180, 180, 255, 255} : Colour{200, 200, 240, 255}});
  platform::DrawRectangle(s, s.Bounds(), Pen{{0, 0, 0, 255}, 1}, Brush{{0, 0, 0, 0}, true});
  CentredCaption(s, caption_, font_, {grey_, grey_, grey_, 255}, 0, 0);
}

SimpleButton::SimpleButton(ControlOwner& owner) : ControlFrame(owner, {BackgroundSource::KeptCopy, false}) {}

void SimpleButton::Setup(const std::string& caption, std::int32_t controlId, bool toggle) {
  State = kStateUp;
  SetControlId(controlId);
  caption_ = caption;
  toggle_ = toggle;
  font_ = CaptionSize != 0 ? platform::Font{"Tahoma", CaptionSize + 3, CaptionSize - 6, 400, false}
                           : platform::Font{"Tahoma", 22, 10, 400, false};
  grey_ = kGreyFloor;
}

void SimpleButton::SetCaption(const std::string& text) {
  caption_ = text;
  Invalidate();
}

void SimpleButton::StopAnimation() {
  if (running_) KillTimer(kTimer);
  running_ = false;
}

void SimpleButton::Reset() {
  StopAnimation();
  rotation_ = 0;
  rotationExact_ = 0.0;
  offset_ = secondOffset_ = 0;
  blocked_ = 0;
  mode_ = SimpleMode::None;
  pressedLook_ = false;
  limit_ = 6;
  level_ = 90;
  Invalidate();
}

void SimpleButton::SetUp() {
  StopAnimation();
  blocked_ = 0;
  checked_ = false;
  State = kStateUp;
  if (rotation_ != 0) Animate(SimpleMode::Leave, 33);
  Invalidate();
}

void SimpleButton::SetStart() {
  caption_ = "Старт";
  SetUp();
}

void SimpleButton::Release() {
  ReleaseNow(true);
  ClearMouseDown();
}

void SimpleButton::Press() {
  State = kStateDown;
  checked_ = false;
  PressNow();
}

void SimpleButton::PressNow() {
  if (blocked_ != 0) return;
  if (ReviewRefused()) {
    checked_ = false;
    return;
  }
  if (toggle_) checked_ = !checked_;
  if (ControlId() == kRecordButtonId || ControlId() == kReviewButtonId) checked_ = true;
  if (!toggle_) State = kStateDown;
  Animate(SimpleMode::Press, 25);
  Invalidate();
}

void SimpleButton::Hover() { Animate(SimpleMode::Hover, 33); }

bool SimpleButton::ReviewRefused() const {
  return ControlId() == kReviewButtonId && (View == nullptr || View->RecordViewable == 0);
}

void SimpleButton::ReleaseNow(bool notify) {
  if (blocked_ != 0) return;
  if (ReviewRefused()) {
    checked_ = false;
    State = kStateUp;
    Invalidate();
    return;
  }
  if (!toggle_) State = kStateUp;
  if (!checked_) Animate(SimpleMode::Release, 33);
  Invalidate();
  if (!notify) return;
  if (SuppressNext) {
    SuppressNext = false;
    return;
  }
  NotifyPress();
}

void SimpleButton::OnMouseMove(WindowPoint, unsigned, bool hover) {
  if (!hover || running_ || blocked_ != 0 || checked_) return;
  Animate(SimpleMode::Hover, 33);
}

void SimpleButton::Animate(SimpleMode mode, unsigned periodMs) {
  // A new move starts from where a running one stands, over the frames it has left.
  const int frames = running_ ? std::max(1, limit_ - frame_) : 6;
  mode_ = mode;
  frame_ = 0;
  limit_ = static_cast<std::uint8_t>(frames);
  const int target = mode == SimpleMode::Press ? kFullTurn : 0;
  rotationStep_ = static_cast<double>(target - rotationExact_) / frames;
  running_ = true;
  SetTimer(kTimer, periodMs);
}

void SimpleButton::Block(std::uint8_t how) {
  if (blocked_ != 0) return;
  StopAnimation();
  if (!running_) rotation_ = 0, rotationExact_ = 0.0;
  blocked_ = how;
  limit_ = 11;
  frame_ = 0;
  mode_ = SimpleMode::None;
  running_ = true;
  SetTimer(kTimer, 25);
  Show();
}

void SimpleButton::OnTimer(unsigned id) {
  if (id != kTimer) return;
  ++frame_;
  const bool forward = mode_ == SimpleMode::Press || mode_ == SimpleMode::Hover;
  rotationExact_ = std::clamp(rotationExact_ + rotationStep_, 0.0, static_cast<double>(kFullTurn));
  rotation_ = static_cast<int>(std::lround(rotationExact_));
  offset_ += forward ? 15 : -15;
  secondOffset_ += forward ? 10 : -10;
  grey_ = forward ? GreyUp(grey_) : GreyDown(grey_, kGreyFloor);
  cycle_ = (cycle_ + 1) % 3;
  if (frame_ >= limit_) {
    KillTimer(kTimer);
    running_ = false;
    pressedLook_ = mode_ == SimpleMode::Press;
  }
  Invalidate();
}

void SimpleButton::Draw(agg_ren&, platform::Surface& s) {
  const int inset = std::min<int>(Inset, 6), w = s.Width(), h = s.Height();
  // The body in one-pixel rows, shaded from the top; the outer rows shortened for round corners.
  for (int y = inset; y < h - inset; ++y) {
    const int fromEdge = std::min(y - inset, h - inset - 1 - y);
    const int cut = fromEdge == 0 ? 5 : fromEdge == 1 ? 3 : fromEdge <= 4 ? 2 : 0;
    Colour c{0, 0, 0, 255};
    std::uint8_t* parts[3] = {&c.r, &c.g, &c.b};
    for (int k = 0; k < 3; ++k) {
      const double shade = body_[k] - factors_[k] * (y - h / 2.0) * (pressedLook_ ? -1.0 : 1.0) * 0.4;
      *parts[k] = static_cast<std::uint8_t>(std::clamp(shade, 0.0, 255.0));
    }
    platform::FillRect(s, {inset + cut, y, w - inset - cut, y + 1}, Brush{c});
  }
  const platform::Rect body{inset, inset, w - inset, h - inset};
  platform::DrawRoundRect(s, body, 10, 10, Pen{{129, 123, 130, 255}, 1}, Brush{{}, true});
  if (Outline != 0) platform::DrawLine(s, inset + 2, h - inset - 1, w - inset - 3, h - inset - 1, Pen{{125, 115, 127, 255}, 2});
  CentredCaption(s, caption_, font_, {grey_, grey_, grey_, 255}, 8, 0);
  // The mark: a small arrow that turns a quarter turn over the full rotation (2.5 degrees a step).
  const double angle = rotation_ * std::numbers::pi / 72.0;
  const double cx = inset + h / 2.0, cy = h / 2.0, r = std::max(3, h / 5);
  const Pen mark{checked_ ? Colour{0, 150, 40, 255} : Colour{90, 80, 110, 255}, 2};
  const auto corner = [&](double a) {
    return platform::WindowPoint{static_cast<int>(std::lround(cx + r * std::cos(angle + a))),
                                 static_cast<int>(std::lround(cy + r * std::sin(angle + a)))};
  };
  const platform::WindowPoint tip = corner(0.0), left = corner(2.5), right = corner(-2.5);
  platform::DrawLine(s, tip.x, tip.y, left.x, left.y, mark);
  platform::DrawLine(s, left.x, left.y, right.x, right.y, mark);
  platform::DrawLine(s, right.x, right.y, tip.x, tip.y, mark);
}

StButton::StButton(ControlOwner& owner) : ControlFrame(owner, {BackgroundSource::KeptCopy, false}) {}

void StButton::Setup() {
  State = kStateUp;
  ready_ = true;
  Invalidate();
}

void StButton::Draw(agg_ren&, platform::Surface& s) {
  if (!ready_) return;
  const Brush brush{State == kStateDown ? Colour{0, 0, 0, 255} : Colour{155, 47, 232, 255}};
  platform::DrawRectangle(s, s.Bounds(), Pen{{0, 0, 0, 255}, 1}, brush);
}

void StButton::OnLButtonDown(WindowPoint) {
  State = kStateDown;
  Invalidate();
}

void StButton::OnLButtonUp(WindowPoint) {
  State = kStateUp;
  Invalidate();
}
