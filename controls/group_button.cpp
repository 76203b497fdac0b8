// The bevelled group button: radio, toggle and momentary presses, hover reports, the ringed bevel and its caption.
#include "controls/group_button.h"

#include <algorithm>
#include <span>

using platform::Brush;
using platform::Colour;
using platform::Pen;
using platform::WindowPoint;

namespace {

const Colour kBackground = FromGdiColour(0xFFE6E6);
// Dark and light rings of the bevel.
const Pen kDarkPen{FromGdiColour(0x3C3232), 1};
const Pen kLightPen{FromGdiColour(0xE1A0A0), 1};
const Brush kDarkBrush{FromGdiColour(0x3C3232)};
const Brush kLightBrush{FromGdiColour(0xE1A0A0)};
const Brush kDownFace{FromGdiColour(0xFFBEBE)};
const Colour kDownShadow = FromGdiColour(0x8C3228);
const platform::Font kCaptionFont{"Tahoma", 20, 10, 400, false};

// The "^" caption: the up-pointing triangle of the symbol face, drawn as a shape.
void FillTriangleUp(platform::Surface& s, int cx, int top, int height, Colour c) {
  for (int row = 0; row < height; ++row) {
    const int half = row * 2 / 3 + 1;
    platform::FillRect(s, {cx - half, top + row, cx + half, top + row + 1}, Brush{c});
  }
}

}  // namespace

GroupButton::GroupButton(ControlOwner& owner) : ControlFrame(owner, {BackgroundSource::KeptCopy, false}) {}

void GroupButton::Setup(const std::string& caption, std::int32_t controlId, std::uint8_t mode, bool customColours,
                        std::uint32_t faceColour, std::uint32_t textColour) {
  caption_ = caption;
  SetControlId(controlId);
  mode_ = mode;
  State = kStateUp;
  face_ = customColours ? FromGdiColour(faceColour) : FromGdiColour(0xAA644B);
  upText_ = customColours ? FromGdiColour(textColour) : Colour{255, 255, 255, 255};
}

void GroupButton::Hide() {
  RunOnWindowThread([](platform::Control& c) {
    auto& b = static_cast<GroupButton&>(c);
    b.ForgetMousePosition();
    b.Control::Hide();
  });
}

void GroupButton::SetState(std::uint8_t state, bool force) {
  if (State == state && !force) return;
  State = state;
  Invalidate();
}

void GroupButton::SetIcon(std::int32_t iconId) {
  IconId = iconId;
  Invalidate();
}

void GroupButton::SetStateAndInvalidate(std::uint8_t state) {
  State = state;
  Invalidate();
}

void GroupButton::SetCaption(const std::string& caption) {
  caption_ = caption;
  Invalidate();
}

void GroupButton::SetCaptionAndFit(const std::string& caption) {
  caption_ = caption;
  FitPending = true;
  Invalidate();
}

void GroupButton::Notify() {
  Invalidate();
  NotifyPress();
}

void GroupButton::OnLButtonDown(WindowPoint) {
  switch (mode_) {
    case kRadio:
      if (State == kStateDown) return;
      State = kStateDown;
      Notify();
      break;
    case kToggle:
      State = State == kStateUp ? kStateDown : kStateUp;
      Notify();
      break;
    default:
      State = kStateDown;
      Invalidate();
      if (Host() != nullptr) Host()->UpdateNow();
      break;
  }
}

void GroupButton::OnLButtonUp(WindowPoint) {
  if (mode_ == kMomentary) {
    State = kStateUp;
    Notify();
  } else {
    Invalidate();
  }
}

// A momentary press that came up away from the button springs back without a click.
void GroupButton::OnPressCancelled() {
  if (mode_ == kMomentary) State = kStateUp;
  Invalidate();
}

void GroupButton::OnMouseMove(WindowPoint, unsigned, bool hover) {
  if (hover) NotifyHover();
}

void GroupButton::Draw(agg_ren&, platform::Surface& s) {
  platform::FillRect(s, s.Bounds(), Brush{kBackground});
  const bool down = State == kStateDown;
  // Rings from the outside in: each further in on every side, dark and light in turn.
  struct Ring {
    int inset;
    Pen pen;
    Brush brush;
  };
  const Ring up[] = {{Slim ? 1 : 6, kDarkPen, kDarkBrush},
                     {2, kLightPen, kLightBrush},
                     {1, Pen{face_, 1}, Brush{face_}},
                     {1, kLightPen, Brush{face_}}};
  const Ring pressed[] = {{6, kDarkPen, kDarkBrush}, {2, kLightPen, kLightBrush}, {1, kDarkPen, kDownFace}};
  int inset = 0;
  for (const Ring& ring : down ? std::span<const Ring>(pressed) : std::span<const Ring>(up)) {
    inset += ring.inset;
    const platform::Rect r{inset, inset, s.Width() - inset, s.Height() - inset};
    if (!r.Empty()) platform::DrawRoundRect(s, r, 6, 6, ring.pen, ring.brush);
  }
  DrawCaption(s, down);
}

void GroupButton::DrawCaption(platform::Surface& s, bool down) {
  const Colour shadow = down ? kDownShadow : Colour{0, 0, 0, 255};
  const Colour text = down ? downText_ : upText_;
  if (caption_ == "^") {
    const int height = std::max(4, s.Height() / 3);
    const int top = (s.Height() - height) / 2 + 1;
    FillTriangleUp(s, s.Width() / 2 + 1, top + 1, height, shadow);
    FillTriangleUp(s, s.Width() / 2, top, height, text);
    return;
  }
  const platform::Size extent = platform::TextExtent(caption_, kCaptionFont);
  const int x = (s.Width() - extent.cx) / 2;
  const int y = (s.Height() - extent.cy) / 2 + 1;
  platform::DrawText(s, x + 1, y + 1, caption_, kCaptionFont, shadow);
  platform::DrawText(s, x, y, caption_, kCaptionFont, text);
}
