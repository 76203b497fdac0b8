// The general button: set-up, looks and their frame animation, mouse reactions, caption layouts and glyphs.
#include "controls/aimage_button.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "controls/control_drawing.h"
#include "platform/debug_log.h"

using platform::WindowPoint;

namespace {

std::uint8_t Towards(std::uint8_t from, std::uint8_t to, int k, int n) {
  return static_cast<std::uint8_t>(std::lround(from - k * (static_cast<double>(from) - to) / n));
}

rgba8 Towards(const rgba8& from, const rgba8& to, int k, int n) {
  return rgba8(Towards(from.r, to.r, k, n), Towards(from.g, to.g, k, n), Towards(from.b, to.b, k, n),
               Towards(from.a, to.a, k, n));
}

bool SameColour(const rgba8& a, const rgba8& b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

const rgba8 kBlack(0, 0, 0, 255);
const rgba8 kWhite(255, 255, 255, 255);

}  // namespace

AImageButton::AImageButton(ControlOwner& owner) : ControlFrame(owner, {BackgroundSource::KeptCopy, true}) {}

void AImageButton::Setup(const std::string& firstText, std::int32_t controlId, std::uint8_t layoutStyle,
                         std::int32_t bitmapId, const std::string& captionText) {
  SetControlId(controlId);
  State = kStateUp;
  LayoutStyle = layoutStyle;
  BitmapId = bitmapId;
  DrawingWidth *= Owner().UiScale();
  caption_ = firstText;
  if (!fontMade_) {
    fontMade_ = true;
    caption_ = captionText;
  }
}

void AImageButton::Show() {
  if (IsVisible()) {
    RefreshBackgroundSource();
    Invalidate();
  } else {
    ControlFrame::Show();
  }
}

void AImageButton::Hide() {
  RunOnWindowThread([](platform::Control& c) {
    auto& b = static_cast<AImageButton&>(c);
    b.ClearMouseDown();
    b.State = kStateUp;
    b.Control::Hide();
  });
}

void AImageButton::ResetButtonState() {
  RunOnWindowThread([](platform::Control& c) {
    auto& b = static_cast<AImageButton&>(c);
    if (!b.IsVisible()) return;
    b.ClearMouseDown();
    if (b.Interactive == 0) return;
    b.ForgetMousePosition();
    if (b.State == kStateUp) b.SetAnimation(kNormal);
  });
}

void AImageButton::Release() {
  if (!IsVisible()) return;
  ClearMouseDown();
  ForgetMousePosition();
  State = kStateUp;
  SetAnimation(kNormal);
}

void AImageButton::SettleOn(std::uint8_t look) {
  if (running_) {
    StopAnimationTimer();
    running_ = false;
  }
  target_ = look;
  current_ = &Looks[look];
  slots_ = SlotsOf(look);
}

void AImageButton::SettleNormalLook() {
  if (current_ == nullptr) return;
  SettleOn(kNormal);
  Invalidate();
}

void AImageButton::SetStateAndCaption(std::uint8_t state, const std::string& text, bool force) {
  if (!IsCreated() || (State == state && !force)) return;
  State = state;
  caption_ = text;
  Invalidate();
}

void AImageButton::SetAnimationSteps(std::uint8_t frames1, std::uint8_t frames2, std::uint8_t frames3,
                                     std::uint8_t flag) {
  // A count of 0 frames would divide by zero: it is one frame.
  const auto per = [](float span, std::uint8_t frames) { return span / std::max<std::uint8_t>(frames, 1); };
  stepHoverNormal_ = per(Looks[kHover].Fade - Looks[kNormal].Fade, frames2);
  stepNormalPressed_ = per(Looks[kNormal].Fade - Looks[kPressed].Fade, frames3);
  stepHoverPressed_ = per(Looks[kHover].Fade - Looks[kPressed].Fade, frames1);
  for (Appearance& look : Looks) look.Flag = flag;
  current_ = &Looks[kNormal];
}

void AImageButton::SelectNormalColours() {
  if (ColourLevel < 2) return;
  pair_ = NormalColours;
  slots_ = SlotsOf(target_);
}

void AImageButton::SelectShadedColours() {
  if (ColourLevel < 2) return;
  pair_ = ShadedColours;
  slots_ = SlotsOf(target_);
}

void AImageButton::SetBaseColour(std::uint32_t colour) {
  const int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
  const auto floorAt = [](int v, int floor) { return static_cast<std::uint8_t>(v < 0 ? floor : v); };
  shades_[0] = rgba8(floorAt(r - 120, 0), floorAt(g - 120, 20), floorAt(b - 120, 40), 255);
  shades_[1] = rgba8(floorAt(r - 20, 0), floorAt(g - 20, 0), floorAt(b - 20, 0), 105);
  shades_[2] = rgba8(floorAt(r - 150, 0), floorAt(g - 150, 0), floorAt(b - 150, 0), 255);
}

void AImageButton::SetBitmap(std::int32_t bitmapId, const std::string& captionText) {
  if (bitmapId == BitmapId) return;
  BitmapId = bitmapId;
  caption_ = captionText;
  if (SecondBitmapId == 0) SecondBitmapId = kSecondBitmapId;
  MarkForRebuild();
}

void AImageButton::SetAnimationOld(std::uint8_t move) {
  static constexpr std::uint8_t kMoves[7][2] = {{0, 0},           {kNormal, kHover},   {kNormal, kPressed},
                                                {kHover, kNormal}, {kPressed, kNormal}, {kHover, kPressed},
                                                {kPressed, kHover}};
  if (move == 0 || move > 6 || current_ == nullptr) return;
  const auto [source, target] = std::pair{kMoves[move][0], kMoves[move][1]};
  SettleOn(source);
  SetAnimation(target);
}

void AImageButton::KillTimerLogged(unsigned id) {
  KillTimer(id);
  if (id == kAnimationTimer) running_ = false;
  platform::MainDebugLog().Write("KillTimer %u button %d\n", id, ControlId());
}

void AImageButton::SelectAltColours() {
  if (ColourLevel < 2) return;
  pair_ = AltColours;
  slots_ = SlotsOf(target_);
}

platform::WindowRect AImageButton::ScaledBox(double scale) const {
  const platform::WindowRect r = Rect();
  const double cx = r.Width() / 2.0, cy = r.Height() / 2.0;
  const double hw = r.Width() / 2.0 * scale, hh = r.Height() / 2.0 * scale;
  return {static_cast<int>(cx - hw), static_cast<int>(cy - hh), static_cast<int>(cx + hw), static_cast<int>(cy + hh)};
}

void AImageButton::SetAnimation(std::uint8_t target) {
  if (!IsCreated() || target > kPressed || target == target_ || current_ == nullptr) return;
  const std::uint8_t source = target_;
  if (running_) {
    StopAnimationTimer();
    running_ = false;
  }
  const bool pressedMove = source == kPressed || target == kPressed;
  const bool normalMove = source == kNormal || target == kNormal;
  const float step = !pressedMove ? stepHoverNormal_ : normalMove ? stepNormalPressed_ : stepHoverPressed_;
  const Appearance from = *current_;
  const Appearance& to = Looks[target];
  // Equal fades give a step of 0: no frames from the fade, never a division by zero.
  const float span = std::fabs(from.Fade - to.Fade);
  int n = step != 0.0f ? static_cast<int>(std::lround(span / std::fabs(step))) : 0;
  n = std::min(n, kMaxFrames);

  const ColourSlots fromSlots = slots_;
  const ColourSlots& toSlots = SlotsOf(target);
  bool slotsDiffer = false;
  if (ColourLevel >= 2) {
    for (std::size_t i = 0; i < kColourSlots; ++i) slotsDiffer = slotsDiffer || !SameColour(fromSlots[i], toSlots[i]);
    if (n == 0 && slotsDiffer) n = kMaxFrames;
  }
  target_ = target;
  if (n == 0) return;

  for (int k = 1; k <= n; ++k) {
    Appearance& f = frames_[k - 1];
    f = to;
    f.Fade = from.Fade - k * (from.Fade - to.Fade) / n;
    f.ColourA = Towards(from.ColourA, to.ColourA, k, n);
    f.ColourB = Towards(from.ColourB, to.ColourB, k, n);
    for (std::size_t i = 0; i < kColourSlots; ++i) slotFrames_[k - 1][i] = Towards(fromSlots[i], toSlots[i], k, n);
  }
  frames_[n - 1] = to;
  slotFrames_[n - 1] = toSlots;
  lastFrame_ = n;
  running_ = n >= 2;
  ShowFrame(running_ ? 1 : n);
  if (running_) StartAnimationTimer();
}

void AImageButton::ShowFrame(int frame) {
  frame_ = frame;
  current_ = &frames_[frame - 1];
  slots_ = slotFrames_[frame - 1];
  Invalidate();
}

void AImageButton::OnTimer(unsigned id) {
  if (id != kAnimationTimer || !running_) {
    KillTimer(id);
    return;
  }
  const int next = std::min(frame_ + 1, lastFrame_);
  if (next >= lastFrame_) {
    StopAnimationTimer();
    running_ = false;
  }
  ShowFrame(next);
}

void AImageButton::Press() {
  SetAnimation(kPressed);
  ToggleState();
  Invalidate();
}

void AImageButton::OnLButtonDown(WindowPoint) {
  if (Pressable()) Press();
}

void AImageButton::OnLButtonUp(WindowPoint) {
  if (!Pressable()) return;
  SetAnimation(State == kStateUp ? kHover : kPressed);
  NotifyPress();
}

// The press came up away from the button: its toggle is taken back and nothing is reported.
void AImageButton::OnPressCancelled() {
  if (!Pressable()) return;
  ToggleState();
  SetAnimation(State == kStateUp ? kNormal : kPressed);
  Invalidate();
}

void AImageButton::OnMouseMove(WindowPoint point, unsigned, bool hover) {
  if (Interactive == 0) {
    NotifyPassiveMove();
    return;
  }
  if (!IsVisible() || LayoutStyle == 3 || !ClientRect().Contains(point)) return;
  if (State == kStateUp) {
    SetAnimation(kHover);
  } else if (ReportHoverAlways == 0 && ReportHoverWhenDown == 0) {
    return;
  }
  if (hover) NotifyHover();
}

void AImageButton::OnRButtonDown(WindowPoint) { NotifyRightClick(); }

double AImageButton::TextScale(double width, float fade) const {
  const auto inset = [&](double f) {
    if (Panel.inset == 0) return ((1.0 - f) * 5.0 + 15.0) * Renderer().style.inset_scale;
    if (Panel.inset == 100) return LineWidth * 0.5;
    return Panel.inset + LineWidth * 0.5;
  };
  const double d = inset(fade), d1 = inset(1.0);
  if (width - 2 * d1 <= 0 || width - 2 * d <= 0) return BaseTextScale;
  const double scale = BaseTextScale + ZoomFactor * ((width - 2 * d) / (width - 2 * d1) - 1.0);
  if (scale != BaseTextScale) return scale;
  return BaseTextScale + (fade - 1.0) * 5.0 / ((width - 2 * d) / 2.0);
}

ControlFrame::PaintStep AImageButton::NextPaint() {
  if (PaintFrozen != 0 || current_ == nullptr) return PaintStep::Nothing;
  if (CopyOnly != 0) {
    CopyOnly = 0;
    return PaintStep::CopyOnly;
  }
  return PaintStep::Full;
}

void AImageButton::Draw(agg_ren& r, platform::Surface& screen) {
  if (current_ == nullptr) return;
  const Appearance look = *current_;
  r.style.corner_radius = CornerRadius;
  r.style.panel_line_width = DrawingWidth;
  const double width = screen.Width();
  PanelRect box{0, width, 0, static_cast<double>(screen.Height())};
  const rgba8 gradient1 = r.style.gradient1, gradient2 = r.style.gradient2;
  if (GradientFromColourSet && ColourLevel >= 2) std::tie(r.style.gradient1, r.style.gradient2) = std::tie(slots_[0], slots_[1]);
  r.DrawRoundedPanel(box, Panel, ShadowScale, LineWidth, look.ColourA, look.Fade);
  std::tie(r.style.gradient1, r.style.gradient2) = std::tie(gradient1, gradient2);
  BodyBox = {static_cast<int>(std::floor(box.x)), static_cast<int>(std::floor(box.y)),
             static_cast<int>(std::ceil(box.x + box.width)), static_cast<int>(std::ceil(box.y + box.height))};
  CaptionBox = {};
  if (ShadeByState != 0 && box.width > 2 && box.height > 2) {
    const double radius = std::min(CornerRadius, box.height / 2);
    if (State == kStateDown) {
      control_draw::FlatPanel(r, box.x, box.y, box.width, box.height, radius, shades_[1], shades_[0]);
    } else if (ShadeByState == 2) {
      control_draw::FlatPanel(r, box.x + 1, box.y + 1, box.width - 2, box.height - 2, radius, rgba8(0, 0, 0, 0), shades_[0], 2.0f);
    }
  }
  const double scale = TextScale(width, look.Fade);
  if (GlyphMode == 0) {
    DrawCaption(r, box.x, box.y, box.width, box.height, scale, look.ColourB);
  } else {
    DrawGlyph(r, box.x, box.y, box.width, box.height, scale, look.ColourB);
  }
  Painted = true;
}

void AImageButton::DrawCaption(agg_ren& r, double x, double y, double w, double h, double s, const rgba8& b) {
  // Each line drawn widens the caption's reach: from the pen's start to its end, ascent to descent.
  const auto note = [&](std::string_view text, double scale) {
    if (text.empty()) return;
    const double em = r.EngineHeight() * scale;
    const platform::WindowRect line{static_cast<int>(std::floor(r.style.text_origin_x)),
                                    static_cast<int>(std::floor(r.style.text_origin_y - 0.8 * em)),
                                    static_cast<int>(std::ceil(r.style.text_end_x)),
                                    static_cast<int>(std::ceil(r.style.text_end_y + 0.25 * em))};
    CaptionBox = CaptionBox.IsEmpty() ? line : CaptionBox.Union(line);
  };
  const auto Text = [&](agg_ren& rr, std::string_view text, double tx, double ty, double tw, double th, double ts,
                        const rgba8& colour, std::uint8_t mode) {
    control_draw::Text(rr, text, tx, ty, tw, th, ts, colour, mode);
    note(text, ts);
  };
  const auto ShadowedText = [&](agg_ren& rr, std::string_view text, double tx, double ty, double tw, double th, double ts,
                                const rgba8& shadow, const rgba8& colour, std::uint8_t mode) {
    control_draw::ShadowedText(rr, text, tx, ty, tw, th, ts, shadow, colour, mode);
    note(text, ts);
  };
  const rgba8 inverted = control_draw::Inverted(b);
  switch (LayoutStyle) {
    case 1:
      Text(r, caption_, x, y, w, h, s, b, AlignMode);
      break;
    case 2:
    case 3:
      ShadowedText(r, caption_, x, y, w, h, s, inverted, b, AlignMode);
      break;
    case 4:
      ShadowedText(r, caption_, x + TextX * w, y + TextY * h / 2, w, h / 2, s, kBlack, kWhite, AlignMode);
      ShadowedText(r, SecondLine, x + TextX * w, y + SecondLineY * h + 0.1 * TextY * h, w, h / 2, s, kBlack, kWhite,
                   AlignMode);
      break;
    case 5: {
      const double factor = r.style.glyph_contour_factor;
      r.style.glyph_contour_factor = factor + 0.25;
      Text(r, caption_, x, y, w, h, s, inverted, AlignMode);
      r.style.glyph_contour_factor = factor - 0.01;
      Text(r, caption_, x, y, w, h, s, b, AlignMode);
      r.style.glyph_contour_factor = factor;
      break;
    }
    case 6:
      ShadowedText(r, caption_, x + TextX * w, y + TextY * h, w, h, s, kBlack, kWhite, AlignMode);
      break;
    case 41:
      Text(r, caption_, x + TextX * w + 1, y + TextY * h / 2 + 1, w, h / 2, s, kBlack, AlignMode);
      Text(r, SecondLine, x + TextX * w + 1, y + 0.4 * h + 0.1 * TextY * h + 1, w, h / 2, s, kBlack, AlignMode);
      break;
    default:
      ShadowedText(r, caption_, x, y, w, h, s, kBlack, kWhite, AlignMode);
      break;
  }
}

void AImageButton::DrawGlyph(agg_ren& r, double x, double y, double w, double h, double s, const rgba8& b) {
  using control_draw::ShadowedPolygon;
  const rgba8 inverted = control_draw::Inverted(b);
  switch (GlyphMode) {
    case 1:
      for (const auto& [colour, d] : {std::pair{inverted, 1.0}, std::pair{b, 0.0}}) {
        r.DrawLineRgba({x + 0.25 * w + d, y + 0.75 * h + d, x + 0.75 * w + d, y + 0.25 * h + d}, colour, GlyphLineWidth);
        r.DrawLineRgba({x + 0.25 * w + d, y + 0.25 * h + d, x + 0.75 * w + d, y + 0.75 * h + d}, colour, GlyphLineWidth);
        r.RenderScanlines();
      }
      break;
    case 2: {
      const double top = y + h / 2.5, bottom = y + h - h / 2.5;
      if (State == kStateUp) {
        ShadowedPolygon(r, {x + w / 3, bottom, x + w / 2, top, x + 2 * w / 3, bottom}, inverted, b);
      } else {
        ShadowedPolygon(r, {x + w / 3, top, x + w / 2, bottom, x + 2 * w / 3, top}, inverted, b);
      }
      break;
    }
    case 3: {
      const double top = y + 0.35 * h, mid = y + 0.5 * h, bottom = y + 0.65 * h;
      const bool right = GlyphFlag1 != 0, wide = GlyphFlag2 != 0;
      const double from = x + w * (right ? (wide ? 0.45 : 0.35) : (wide ? 0.25 : 0.3));
      const double to = x + w * (right ? (wide ? 0.75 : 0.7) : (wide ? 0.55 : 0.65));
      if (right) {
        ShadowedPolygon(r, {from, top, to, mid, from, bottom}, inverted, b);
      } else if (!wide && w >= 3 * h) {
        // In a long, low body the triangle would flatten to a sliver: a head as wide as it is high and a
        // shaft behind it make the arrow back.
        const double head = from + (bottom - top), half = (bottom - top) / 6;
        ShadowedPolygon(r, {head, top, from, mid, head, bottom, head, mid + half, to, mid + half, to, mid - half, head, mid - half},
                        inverted, b);
      } else {
        ShadowedPolygon(r, {to, top, from, mid, to, bottom}, inverted, b);
      }
      if (wide) {
        const double textX = right ? x : to;
        const double textW = right ? from - x : x + w - to;
        control_draw::ShadowedText(r, caption_, textX, top, textW, bottom - top, s, inverted, b, AlignMode);
      }
      break;
    }
    case 4: {
      const double barH = 4 * Owner().UiScale();
      const rgba8 outline = GlyphFlag1 != 0 ? kWhite : kBlack;
      control_draw::FlatPanel(r, x + 0.2 * w + 1, y + 0.7 * h + 1, w / 2, barH, barH / 2, inverted, outline);
      control_draw::FlatPanel(r, x + 0.2 * w, y + 0.7 * h, w / 2, barH, barH / 2, b, outline);
      break;
    }
    case 5: {
      const double barW = w / 15, barH = 0.4 * h, top = y + 0.3 * h;
      for (const double left : {x + 0.4 * w, x + 0.4 * w + 2 * barW}) {
        ShadowedPolygon(r, {left, top, left + barW, top, left + barW, top + barH, left, top + barH}, inverted, b);
      }
      break;
    }
    default:
      break;
  }
}
