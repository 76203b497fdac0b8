// The general button: caption layouts and glyphs over a rounded panel, animated between normal, hover and pressed looks.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "controls/control_frame.h"

class AImageButton : public ControlFrame {
 public:
  enum Look : std::uint8_t { kNormal = 0, kHover = 1, kPressed = 2 };
  static constexpr int kMaxFrames = 6;
  static constexpr std::size_t kColourSlots = 10;
  using ColourSlots = std::array<rgba8, kColourSlots>;
  // Colours while at rest (normal look) and while active (hover and pressed).
  struct ColourPair {
    ColourSlots rest{};
    ColourSlots active{};
  };

  // One look, or one frame of a move between two looks.
  struct Appearance {
    float Fade = 1.0f;
    rgba8 ColourA{255, 255, 255, 255};  // the panel
    rgba8 ColourB{255, 255, 255, 255};  // text and glyphs
    std::uint8_t Frames = 6;
    std::uint8_t Flag = 0;
  };

  explicit AImageButton(ControlOwner& owner);

  void Setup(const std::string& firstText, std::int32_t controlId, std::uint8_t layoutStyle, std::int32_t bitmapId,
             const std::string& captionText);
  // Takes the background anew when hidden; only redraws when already shown.
  void Show();
  // Any thread: off the window thread these are queued there.
  void Hide();
  void ResetButtonState();
  // Pressed by the mouse, its release still to come (window thread).
  bool PressUnderWay() const { return MouseDown(); }
  void SetStateAndCaption(std::uint8_t state, const std::string& text, bool force);
  void SetAnimation(std::uint8_t target);
  void Release();
  // The normal look at once, with no move from the look shown: a hidden button comes back up in
  // the first frame it is shown again.
  void SettleNormalLook();
  void SetAnimationSteps(std::uint8_t frames1, std::uint8_t frames2, std::uint8_t frames3, std::uint8_t flag);
  void SelectNormalColours();
  void SelectShadedColours();
  // Three shades of a GDI colour value (0x00BBGGRR).
  void SetBaseColour(std::uint32_t colour);
  // Replaces the bitmap and the caption when the bitmap id differs; the surfaces are made again.
  void SetBitmap(std::int32_t bitmapId, const std::string& captionText);
  // The older form of SetAnimation, by move number: 0 none, 1 normal to hover, 2 normal to pressed,
  // 3 hover to normal, 4 pressed to normal, 5 hover to pressed, 6 pressed to hover; the move starts
  // from its source look whatever is shown.
  void SetAnimationOld(std::uint8_t move);
  // Kills one of the button's timers, with a line in the diagnostics log when that is open.
  void KillTimerLogged(unsigned id);
  // The third stored colour pair, as SelectNormalColours.
  void SelectAltColours();
  // The box round the button's centre whose half sizes are the button's times `scale`.
  platform::WindowRect ScaledBox(double scale) const;

  const std::string& Caption() const { return caption_; }
  std::uint8_t TargetLook() const { return target_; }
  bool Animating() const { return running_; }
  // The appearance being shown: a look or a frame of a move; none before SetAnimationSteps.
  const Appearance* Current() const { return current_; }
  const ColourSlots& CurrentSlots() const { return slots_; }
  const std::array<rgba8, 3>& Shades() const { return shades_; }

  // The embedded renderer, whose panel colours and gradient profile the owner sets.
  using ControlFrame::Renderer;

  // Style fields the owner writes directly.
  std::string SecondLine;
  std::uint8_t LayoutStyle = 1;
  std::uint8_t Interactive = 1;
  std::uint8_t ReportHoverAlways = 0;
  std::uint8_t ReportHoverWhenDown = 0;
  std::int32_t BitmapId = 0;
  std::uint8_t PaintFrozen = 0;
  std::uint8_t CopyOnly = 0;
  std::uint8_t GlyphMode = 0;
  std::uint8_t GlyphFlag1 = 0;
  std::uint8_t GlyphFlag2 = 0;
  float GlyphLineWidth = 2.0f;
  float TextX = 0.0f, TextY = 0.0f, SecondLineY = 0.5f;
  double CornerRadius = 15.0;
  float DrawingWidth = 2.0f;
  PanelStyle Panel{0, 0, 0, 2, 0};
  float ShadowScale = 1.0f;
  float LineWidth = 2.0f;
  std::uint8_t AlignMode = 1;
  double BaseTextScale = 1.0;
  float ZoomFactor = 1.0f;
  std::array<Appearance, 3> Looks{};
  std::uint8_t ColourLevel = 2;
  // The panel's gradient follows the animated colour set instead of the renderer's two gradient
  // colours (the "Measurements" button shows its readiness this way).
  bool GradientFromColourSet = false;
  // The body carries the base colour's shades: 1 filled with them while down (a toggle whose pressed
  // look alone hardly differs from its normal one), 2 also outlined with them while up (a channel's
  // buttons show the channel's colour and whether it is shown or recorded); 0 neither.
  std::uint8_t ShadeByState = 0;
  ColourPair NormalColours{};
  ColourPair ShadedColours{};
  ColourPair AltColours{};
  // The bitmap that SetBitmap loads once beside the button's own.
  static constexpr std::int32_t kSecondBitmapId = 50023;
  std::int32_t SecondBitmapId = 0;
  // Where PaintToBuffer puts the button instead of its window rectangle, when set (top-left only).
  bool UsePlacement = false;
  platform::WindowRect Placement;
  // The painted flag: the button has drawn itself at least once.
  bool Painted = false;
  // What the last paint drew, in the button's own coordinates: the panel's body and the caption's
  // reach (empty without a caption).
  platform::WindowRect BodyBox, CaptionBox;

 protected:
  PaintStep NextPaint() override;
  platform::WindowRect BufferPlace() const override {
    return UsePlacement ? platform::WindowRect::FromSize(Placement.left, Placement.top, Rect().Width(), Rect().Height())
                        : Rect();
  }
  void Draw(agg_ren& renderer, platform::Surface& screen) override;
  void OnLButtonDown(platform::WindowPoint point) override;
  void OnLButtonUp(platform::WindowPoint point) override;
  void OnPressCancelled() override;
  void OnMouseMove(platform::WindowPoint point, unsigned flags, bool hover) override;
  void OnRButtonDown(platform::WindowPoint point) override;
  void OnTimer(unsigned id) override;

 private:
  bool Pressable() const { return Interactive != 0 && LayoutStyle != 3; }
  void Press();
  void ToggleState() { State = State == kStateUp ? kStateDown : kStateUp; }
  // Stops any move and shows `look` at once.
  void SettleOn(std::uint8_t look);
  const ColourSlots& SlotsOf(std::uint8_t look) const { return look == kNormal ? pair_.rest : pair_.active; }
  void ShowFrame(int frame);
  double TextScale(double width, float fade) const;
  void DrawCaption(agg_ren& r, double x, double y, double w, double h, double scale, const rgba8& colourB);
  void DrawGlyph(agg_ren& r, double x, double y, double w, double h, double scale, const rgba8& colourB);

  std::string caption_;
  bool fontMade_ = false;
  std::uint8_t target_ = kNormal;
  bool running_ = false;
  int frame_ = 0, lastFrame_ = 0;
  const Appearance* current_ = nullptr;
  std::array<Appearance, kMaxFrames> frames_{};
  std::array<ColourSlots, kMaxFrames> slotFrames_{};
  ColourPair pair_{};
  ColourSlots slots_{};
  float stepHoverNormal_ = 0, stepNormalPressed_ = 0, stepHoverPressed_ = 0;
  std::array<rgba8, 3> shades_{};
};
