// The owner-drawn control frame: surfaces, background copies, paint steps and the mouse protocol.
#include "controls/control_frame.h"

#include <cstring>

#include "platform/gdi.h"

using platform::MouseKind;
using platform::WindowPoint;
using platform::WindowRect;

platform::Surface CreateScreenDib(int width, int height) { return platform::Surface(width, height); }

ControlFrame::ControlFrame(ControlOwner& owner) : ControlFrame(owner, Options{}) {}

ControlFrame::ControlFrame(ControlOwner& owner, Options options) : owner_(owner), options_(options) {}

ControlFrame::~ControlFrame() {
  // The window goes first: no paint or timer may reach a half-destroyed control.
  Destroy();
  renderer_.Detach();
}

bool ControlFrame::SurfacesFit() const {
  const WindowRect rect = Rect();
  return screen_.Width() == rect.Width() && screen_.Height() == rect.Height();
}

void ControlFrame::RebuildSurfaces(int width, int height) {
  pictureValid_ = false;
  renderer_.Detach();
  screen_ = CreateScreenDib(width, height);
  background_ = CreateScreenDib(width, height);
  renderer_.Attach(screen_);
  rebuild_ = false;
  // A new background surface is blank until the owner's pixels are copied in again.
  copyBackground_ = true;
}

platform::Surface* ControlFrame::FetchSource() {
  if (options_.background == BackgroundSource::EveryPaint) return owner_.GetBackBufferDC();
  if (source_ == nullptr) source_ = owner_.BackBufferForButton(*this);
  return source_;
}

// The owner's buffers share the client area's coordinates: the control's rectangle is its place.
void ControlFrame::CopyFromSource(platform::Surface& target, const platform::Surface& source) const {
  const WindowRect place = Rect();
  platform::Blit(target, 0, 0, place.Width(), place.Height(), source, place.left, place.top);
}

void ControlFrame::OnShowChanged(bool visible) {
  if (visible) {
    if (options_.background == BackgroundSource::KeptCopy) {
      source_ = owner_.BackBufferForButton(*this);
      copyBackground_ = true;
    }
  } else {
    // A hidden control's capture may still deliver the release: it must not click.
    mouseDown_ = false;
  }
}

void ControlFrame::CaptureBackground() {
  platform::HostWindow* host = Host();
  if (!IsCreated() || host == nullptr || !host->IsWindowThread()) return;
  if (rebuild_ || !SurfacesFit()) RebuildSurfaces(Rect().Width(), Rect().Height());
  const platform::Surface* source = FetchSource();
  if (source == nullptr) return;
  CopyFromSource(background_, *source);
  platform::Blit(screen_, 0, 0, screen_.Width(), screen_.Height(), background_, 0, 0);
  copyBackground_ = false;
  pictureValid_ = false;
}

void ControlFrame::PaintToBuffer(platform::Surface& target, const platform::Surface* background) {
  platform::HostWindow* host = Host();
  if (!IsCreated() || host == nullptr || !host->IsWindowThread()) return;
  if (rebuild_ || !SurfacesFit()) RebuildSurfaces(Rect().Width(), Rect().Height());
  const WindowRect place = BufferPlace();
  platform::Blit(screen_, 0, 0, screen_.Width(), screen_.Height(), background != nullptr ? *background : target,
                 place.left, place.top);
  Draw(renderer_, screen_);
  pictureValid_ = false;
  platform::Blit(target, place.left, place.top, screen_.Width(), screen_.Height(), screen_, 0, 0);
}

bool ControlFrame::PictureStillFits() {
  if (!pictureValid_ || rebuild_ || !SurfacesFit()) return false;
  if (options_.background != BackgroundSource::EveryPaint) return !copyBackground_;
  const platform::Surface* source = FetchSource();
  if (source == nullptr || lastBackground_.Width() != screen_.Width() || lastBackground_.Height() != screen_.Height()) {
    return false;
  }
  const WindowRect place = Rect();
  if (place.left < 0 || place.top < 0 || place.right > source->Width() || place.bottom > source->Height()) return false;
  const auto bytes = static_cast<std::size_t>(place.Width()) * 4;
  for (int y = 0; y < place.Height(); ++y) {
    if (std::memcmp(lastBackground_.Row(y), source->Row(place.top + y) + place.left * 4, bytes) != 0) return false;
  }
  return true;
}

void ControlFrame::OnPaint(const platform::PaintContext& context) {
  PaintStep step = NextPaint();
  if (step == PaintStep::Nothing) return;
  // Painted over by the owner only, on the same background: the picture it has is still right.
  if (step == PaintStep::Full && context.covered && PictureStillFits()) step = PaintStep::CopyOnly;
  const WindowRect place = Rect();
  if (rebuild_ || !SurfacesFit()) RebuildSurfaces(place.Width(), place.Height());

  if (step == PaintStep::CopyOnly) {
    // Only the existing picture goes to the window.
  } else if (options_.background == BackgroundSource::EveryPaint) {
    if (const platform::Surface* source = FetchSource()) {
      CopyFromSource(screen_, *source);
      if (step == PaintStep::Full) {
        if (lastBackground_.Width() != screen_.Width() || lastBackground_.Height() != screen_.Height()) {
          lastBackground_ = platform::Surface(screen_.Width(), screen_.Height());
        }
        platform::Blit(lastBackground_, 0, 0, screen_.Width(), screen_.Height(), screen_, 0, 0);
      }
    }
  } else {
    // Without a source the last copy stays (blank at first).
    if (copyBackground_) {
      if (const platform::Surface* source = FetchSource()) {
        CopyFromSource(background_, *source);
        copyBackground_ = false;
      }
    }
    // Every frame starts from the clean background.
    platform::Blit(screen_, 0, 0, screen_.Width(), screen_.Height(), background_, 0, 0);
  }

  if (step == PaintStep::Full) {
    Draw(renderer_, screen_);
    pictureValid_ = true;
  }

  if (options_.honoursHoldBack && owner_.HoldsBackControlCopies()) return;
  const WindowRect area = place.Intersect(context.clip);
  if (area.IsEmpty()) return;
  platform::Blit(context.target, area.left, area.top, area.Width(), area.Height(), screen_,
                 area.left - context.origin.x, area.top - context.origin.y);
}

void ControlFrame::OnMouse(const platform::MouseEvent& event) {
  switch (event.kind) {
    case MouseKind::LeftDown:
      mouseDown_ = true;
      OnLButtonDown(event.point);
      break;
    case MouseKind::LeftDoubleClick:
      mouseDown_ = true;
      OnLButtonDblClk(event.point);
      break;
    case MouseKind::LeftUp:
      // The core holds the capture from the press, so the release comes here wherever it lands;
      // one without a press on this control is no click.
      if (!mouseDown_) break;
      mouseDown_ = false;
      if (ClientRect().Contains(event.point)) {
        OnLButtonUp(event.point);
      } else {
        OnPressCancelled();
      }
      break;
    case MouseKind::RightDown:
      OnRButtonDown(event.point);
      break;
    case MouseKind::Move: {
      const bool moved = !lastMouse_ || !(*lastMouse_ == event.point);
      lastMouse_ = event.point;
      OnMouseMove(event.point, event.flags, moved && ClientRect().Contains(event.point));
      break;
    }
    default:
      break;
  }
}
