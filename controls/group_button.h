// The small bevelled button of the channel groups: radio, toggle or momentary, drawn with plain GDI steps.
#pragma once

#include <cstdint>
#include <string>

#include "controls/control_frame.h"
#include "platform/gdi.h"

class GroupButton : public ControlFrame {
 public:
  enum Mode : std::uint8_t { kRadio = 1, kToggle = 2, kMomentary = 3 };

  explicit GroupButton(ControlOwner& owner);

  // Colours are GDI colour values (0x00BBGGRR); without the custom flag the face is blue with white text.
  void Setup(const std::string& caption, std::int32_t controlId, std::uint8_t mode, bool customColours,
             std::uint32_t faceColour, std::uint32_t textColour);
  // Any thread: off the window thread it is queued there.
  void Hide();
  void SetState(std::uint8_t state, bool force);
  // Takes another icon resource for the face.
  void SetIcon(std::int32_t iconId);
  void SetStateAndInvalidate(std::uint8_t state);
  void SetCaption(const std::string& caption);
  // A new caption that the next paint fits the button to.
  void SetCaptionAndFit(const std::string& caption);
  std::int32_t IconId = 0;
  bool FitPending = false;

  const std::string& Caption() const { return caption_; }
  std::uint8_t BehaviourMode() const { return mode_; }

  // An up button inset by 1 pixel instead of 6.
  bool Slim = false;

 protected:
  void Draw(agg_ren& renderer, platform::Surface& screen) override;
  void OnLButtonDown(platform::WindowPoint point) override;
  void OnLButtonUp(platform::WindowPoint point) override;
  void OnPressCancelled() override;
  void OnMouseMove(platform::WindowPoint point, unsigned flags, bool hover) override;

 private:
  void Notify();
  void DrawCaption(platform::Surface& s, bool down);

  std::string caption_;
  std::uint8_t mode_ = kRadio;
  platform::Colour face_{0x4B, 0x64, 0xAA, 255};
  platform::Colour upText_{255, 255, 255, 255};
  platform::Colour downText_{0, 0, 0, 255};
};

// A GDI colour value (0x00BBGGRR) as a colour.
inline platform::Colour FromGdiColour(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>((v >> 8) & 0xFF),
          static_cast<std::uint8_t>((v >> 16) & 0xFF), 255};
}
