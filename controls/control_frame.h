// The frame every owner-drawn control shares: owner, control id, state, surfaces over the owner's background, paint steps, mouse protocol, animation timer.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "controls/control_owner.h"
#include "platform/surface.h"
#include "platform/window_core.h"
#include "render/agg_ren.h"

// A 32-bit BGRA surface of the given size, top-down, cleared to transparent black: the bitmap a
// control draws into. Our displays are always shown 32-bit, whatever depth the screen reports.
platform::Surface CreateScreenDib(int width, int height);

// An owner-drawn child control. It is created hidden (platform::Control::Create), draws every pixel
// itself over a copy of the owner's back buffer and reports to the owner by direct calls.
class ControlFrame : public platform::Control {
 public:
  // Where the picture behind the control comes from.
  enum class BackgroundSource {
    // BackBufferForButton, copied when the control is shown (or captured) and kept between paints.
    KeptCopy,
    // GetBackBufferDC, copied again at every paint.
    EveryPaint,
  };
  struct Options {
    BackgroundSource background = BackgroundSource::KeptCopy;
    // Leave the copy to the window out while the owner holds the controls' copies back.
    bool honoursHoldBack = true;
  };

  static constexpr std::uint8_t kStateUp = 1;
  static constexpr std::uint8_t kStateDown = 2;
  // Every control animates on its own timer 1.
  static constexpr unsigned kAnimationTimer = 1;
  static constexpr unsigned kAnimationPeriodMs = 33;

  explicit ControlFrame(ControlOwner& owner);
  ControlFrame(ControlOwner& owner, Options options);
  ~ControlFrame() override;

  ControlOwner& Owner() const { return owner_; }
  // The number the owner tells its controls apart by; the window id until one is set.
  std::int32_t ControlId() const { return controlId_ != 0 ? controlId_ : Id(); }
  void SetControlId(std::int32_t id) { controlId_ = id; }

  // Window thread: copies the owner's pixels at the control's place into the kept background and
  // the drawn surface now, without waiting for a paint.
  void CaptureBackground();
  // The surfaces are made again at the next paint (a new bitmap, a new size).
  void MarkForRebuild() { rebuild_ = true; }

  // Window thread: draws the control at its place into `target`, over `background` at that place
  // (over `target` itself without one), whether or not it is shown.
  void PaintToBuffer(platform::Surface& target, const platform::Surface* background = nullptr);

  // The surface that is drawn and shown, and the kept background; empty until the first paint.
  const platform::Surface& Screen() const { return screen_; }
  const platform::Surface& Background() const { return background_; }

  // 1 up (off), 2 down (on). The device worker reads it, hence atomic.
  std::atomic<std::uint8_t> State{kStateUp};

 protected:
  // Where PaintToBuffer puts the control in the owner's buffer; its window rectangle unless a
  // control keeps a placement of its own (same size).
  virtual platform::WindowRect BufferPlace() const { return Rect(); }
  // What the next paint does: all steps, only the copy of the drawn surface to the window, or nothing.
  enum class PaintStep { Full, CopyOnly, Nothing };
  virtual PaintStep NextPaint() { return PaintStep::Full; }
  // Draws the control over its background into `screen`, to which `renderer` is attached.
  virtual void Draw(agg_ren& renderer, platform::Surface& screen) { (void)renderer, (void)screen; }

  // The mouse, in the control's own coordinates.
  virtual void OnLButtonDown(platform::WindowPoint point) { (void)point; }
  virtual void OnLButtonDblClk(platform::WindowPoint point) { OnLButtonDown(point); }
  // The left button came up over the control after a press on it: a click.
  virtual void OnLButtonUp(platform::WindowPoint point) { (void)point; }
  // The left button came up away from the control after a press on it: the press is cancelled.
  virtual void OnPressCancelled() {}
  // `hover`: the pointer is over the control and moved by at least one pixel since the last move.
  virtual void OnMouseMove(platform::WindowPoint point, unsigned flags, bool hover) {
    (void)point, (void)flags, (void)hover;
  }
  virtual void OnRButtonDown(platform::WindowPoint point) { (void)point; }

  // The calls into the owner, each with this control's id.
  void NotifyPress(std::int32_t a = 0, std::int32_t b = 0) { owner_.OnButtonPress(a, b, ControlId()); }
  void NotifyHover() { owner_.OnButtonHover(0, 0, ControlId()); }
  void NotifyPassiveMove() { owner_.HideHintAndSlideLogo(ControlId()); }
  void NotifyRangeMenu(std::int32_t menuKind, std::int32_t item) {
    owner_.FillRangeMenu(menuKind, item, ControlId());
  }
  void NotifyRightClick() { owner_.OnButtonRightClick(ControlId()); }

  void StartAnimationTimer() { SetTimer(kAnimationTimer, kAnimationPeriodMs); }
  void StopAnimationTimer() { KillTimer(kAnimationTimer); }

  // The left button went down on this control and has not come up yet.
  bool MouseDown() const { return mouseDown_; }
  void ClearMouseDown() { mouseDown_ = false; }
  // The next move reports a hover wherever it lands.
  void ForgetMousePosition() { lastMouse_.reset(); }

  agg_ren& Renderer() { return renderer_; }
  const agg_ren& Renderer() const { return renderer_; }
  // Asks the owner again which buffer lies behind the control (kept-copy controls).
  void RefreshBackgroundSource() {
    if (options_.background == BackgroundSource::KeptCopy) source_ = owner_.BackBufferForButton(*this);
  }

  void OnShowChanged(bool visible) override;

 private:
  void OnPaint(const platform::PaintContext& context) override;
  void OnMouse(const platform::MouseEvent& event) override;

  void RebuildSurfaces(int width, int height);
  bool SurfacesFit() const;
  platform::Surface* FetchSource();
  void CopyFromSource(platform::Surface& target, const platform::Surface& source) const;

  ControlOwner& owner_;
  const Options options_;
  std::int32_t controlId_ = 0;

  agg_ren renderer_;
  platform::Surface screen_;
  platform::Surface background_;
  platform::Surface* source_ = nullptr;
  bool rebuild_ = true;
  bool copyBackground_ = true;
  // screen_ holds the control's finished picture over lastBackground_ (the owner's pixels it was
  // drawn on, for controls that take them at every paint).
  bool pictureValid_ = false;
  platform::Surface lastBackground_;
  bool PictureStillFits();

  bool mouseDown_ = false;
  std::optional<platform::WindowPoint> lastMouse_;
};
