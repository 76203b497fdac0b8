// What an owner-drawn control needs of the window that owns it: scales, back buffers, and the calls it reports through.
#pragma once

#include <cstdint>

#include "platform/surface.h"

class ControlFrame;

// The main window as its controls see it. Every call is made on the window thread; the controls
// never post messages to their owner, they call it.
class ControlOwner {
 public:
  virtual ~ControlOwner() = default;

  // Scale factors against the 1280 x 994 design, and the interface language.
  virtual float ScaleX() const = 0;
  virtual float ScaleY() const = 0;
  virtual float UiScale() const = 0;
  virtual bool EnglishUi() const = 0;

  // The owner's back buffers cover its client area from the top-left corner, so a control's place
  // in the client area is its place in a buffer.
  // The buffer behind the control, chosen by its control id; none when nothing of the owner's lies
  // behind it.
  virtual platform::Surface* BackBufferForButton(const ControlFrame& control) = 0;
  // The composition buffer, behind the drop-down lists and the sliders; none only before the owner
  // has created its buffers.
  virtual platform::Surface* GetBackBufferDC() = 0;
  // While set, the controls that honour it leave their copy to the window out, because the owner's
  // own paint puts their pictures there.
  virtual bool HoldsBackControlCopies() const = 0;

  // A click: (0, 0, control id) from the buttons; a drop-down list passes (menu kind, item index,
  // its notification id).
  virtual void OnButtonPress(std::int32_t a, std::int32_t b, std::int32_t controlId) = 0;
  // The pointer moved over an interactive button: (0, 0, control id).
  virtual void OnButtonHover(std::int32_t a, std::int32_t b, std::int32_t controlId) = 0;
  // The pointer moved over a passive button.
  virtual void HideHintAndSlideLogo(std::int32_t controlId) = 0;
  // The pointer moved over a drop-down row that asks for it.
  virtual void FillRangeMenu(std::int32_t menuKind, std::int32_t item, std::int32_t notificationId) = 0;
  virtual void OnButtonRightClick(std::int32_t controlId) = 0;
};
