// Three small buttons drawn with plain GDI steps: the animated push buttons SimpleButton2 and SimpleButton, and StButton.
#pragma once

#include <cstdint>
#include <string>

#include "controls/control_frame.h"
#include "platform/gdi.h"

class GraphView;

// Animation modes of the simple buttons.
enum class SimpleMode : std::uint8_t { None = 0, Hover = 1, Press = 2, Leave = 3, Release = 4 };

// A push button whose caption grows, brightens and shifts in frames of a 33 ms timer.
class SimpleButton2 : public ControlFrame {
 public:
  static constexpr std::uint8_t kGreyFloor = 55;

  explicit SimpleButton2(ControlOwner& owner);
  void Setup(const std::string& caption, std::int32_t controlId);
  void SetCaption(std::uint8_t state, const std::string& text, bool force);
  // The pointer left: the caption shrinks back over the frames not yet run.
  void Leave();

  const std::string& Caption() const { return caption_; }
  std::uint8_t Grey() const { return grey_; }
  int Offset() const { return offset_; }
  SimpleMode Mode() const { return mode_; }

 protected:
  void Draw(agg_ren& renderer, platform::Surface& screen) override;
  void OnLButtonDown(platform::WindowPoint point) override;
  void OnLButtonUp(platform::WindowPoint point) override;
  void OnPressCancelled() override { OnLButtonUp({}); }
  void OnMouseMove(platform::WindowPoint point, unsigned flags, bool hover) override;
  void OnTimer(unsigned id) override;

 private:
  void Start(SimpleMode mode, std::uint8_t limit);

  std::string caption_;
  SimpleMode mode_ = SimpleMode::None;
  std::uint8_t frame_ = 0, limit_ = 4, secondLimit_ = 7;
  bool running_ = false, mouseOver_ = false;
  int offset_ = 0, secondOffset_ = 0;
  platform::Font font_{"Lucida Console", 16, 8, 400, false};
  std::uint8_t grey_ = kGreyFloor;
  std::uint8_t level_ = 50;
};

// A push or toggle button with a rotating mark, a shaded body and blocked states.
class SimpleButton : public ControlFrame {
 public:
  static constexpr std::uint8_t kGreyFloor = 55;
  static constexpr int kFullTurn = 36;

  explicit SimpleButton(ControlOwner& owner);
  void Setup(const std::string& caption, std::int32_t controlId, bool toggle);
  void SetCaption(const std::string& text);
  void Redraw() { Invalidate(); }
  void Reset();
  void SetUp();
  void SetStart();
  void Release();
  void Press();
  void Hover();
  void Block1() { Block(1); }
  void Block2() { Block(2); }

  bool Checked() const { return checked_; }
  std::uint8_t Blocked() const { return blocked_; }
  int Rotation() const { return rotation_; }
  std::uint8_t Grey() const { return grey_; }
  const std::string& Caption() const { return caption_; }

  // The view whose viewable record the review button (id 75014) needs.
  const GraphView* View = nullptr;
  // The next release reports nothing.
  bool SuppressNext = false;
  std::uint8_t Inset = 0;
  int CaptionSize = 0;
  std::uint8_t Outline = 1;

 protected:
  void Draw(agg_ren& renderer, platform::Surface& screen) override;
  void OnLButtonDown(platform::WindowPoint) override { PressNow(); }
  void OnLButtonUp(platform::WindowPoint) override { ReleaseNow(true); }
  void OnPressCancelled() override { ReleaseNow(false); }
  void OnMouseMove(platform::WindowPoint point, unsigned flags, bool hover) override;
  void OnTimer(unsigned id) override;

 private:
  bool ReviewRefused() const;
  void PressNow();
  void ReleaseNow(bool notify);
  void Animate(SimpleMode mode, unsigned periodMs);
  void Block(std::uint8_t how);
  void StopAnimation();

  std::string caption_;
  bool toggle_ = false, checked_ = false, pressedLook_ = false;
  std::uint8_t blocked_ = 0;
  SimpleMode mode_ = SimpleMode::None;
  bool running_ = false;
  std::uint8_t frame_ = 0, limit_ = 6;
  int rotation_ = 0;
  double rotationStep_ = 0.0, rotationExact_ = 0.0;
  int offset_ = 0, secondOffset_ = 0, cycle_ = 0;
  std::uint8_t grey_ = kGreyFloor, level_ = 90, level2_ = 101;
  std::uint8_t body_[3] = {225, 215, 238};
  float factors_[3] = {2.25f, 2.15f, 2.38f};
  platform::Font font_{"Tahoma", 22, 10, 400, false};
};

// A plain rectangle that darkens while the left button holds it down; it reports to nobody.
class StButton : public ControlFrame {
 public:
  explicit StButton(ControlOwner& owner);
  void Setup();

 protected:
  void Draw(agg_ren& renderer, platform::Surface& screen) override;
  void OnLButtonDown(platform::WindowPoint) override;
  void OnLButtonUp(platform::WindowPoint) override;
  void OnPressCancelled() override { OnLButtonUp({}); }

 private:
  bool ready_ = false;
};
