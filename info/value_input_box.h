// A numeric field of the preparation page: shows a channel's live value and takes a typed reference value.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/surface.h"
#include "platform/window_geometry.h"

class FTRecordDevice;
class VessamorChannel;

// Virtual-key codes the box takes.
inline constexpr unsigned kKeyBackspace = 8;
inline constexpr unsigned kKeyDelete = 46;
inline constexpr unsigned kKeyMinus = 189;
inline constexpr unsigned kKeyComma = 188;
inline constexpr unsigned kKeyPeriod = 190;

// `value` with `decimals` (kept within 0..6) in the "C" convention whatever the locale; a value
// that rounds to zero prints without a sign.
std::string FormatFixed(double value, int decimals);
// The link-quality bar's level 0..255 for a quality byte.
float LinkQualityLevel(std::uint8_t quality);
// Number of characters in UTF-8 text.
std::size_t Utf8Length(std::string_view text);

// What the box draws with; the panel fills it.
struct ValueBoxStyle {
  float ScaleY = 1.0f;
  float UiScale = 1.0f;
  bool English = false;
  // The em height of the page's body text: a refusal is written at it.
  int NoticeHeight = 17;
};

class ValueInputBox {
 public:
  // Why the last key or finish was refused; the box shows it in a line under itself.
  enum class Refusal : std::uint8_t { None, Empty, NotANumber, OutOfRange, TooLong };
  // Long enough for every unit a sensor names ("cycle/min", "мм рт.ст."), whole.
  static constexpr std::size_t kUnitChars = 16;

  void SetRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);
  // Text and unit areas and their sizes inside `rect`; `char_width` is the text face's average
  // character width at size 1, `line_gap` the gap above the text.
  void Layout(const platform::WindowRect& rect, double char_width, double line_gap, std::int32_t screen_height,
              bool wide_screen);
  // A key (null: finish). Returns false when the key was refused or ignored.
  bool Input(const unsigned* key);
  // Decimals, unit, text and display fields from the channel; defaults without one.
  void FillFromChannel(const VessamorChannel* channel);
  void Render(platform::Surface& target, const ValueBoxStyle& style);
  // The refusal line in the interface language; empty when nothing was refused.
  std::string RefusalText(bool english) const;
  bool Editing() const { return EditState != 0; }

  float Value = 0.0f;
  std::int32_t LiveCode = 0;
  std::int32_t StepCode = 0;
  platform::WindowRect Rect;
  // Text area, unit area and their baselines from Layout.
  platform::WindowRect TextArea, UnitArea;
  // The unit as the last render drew it, and the right edge it must keep within (the field's, or the
  // link-quality bar's left).
  platform::WindowRect UnitBox;
  int UnitLimit = 0;
  // What the last render drew: the field, the label's cell, the value from its digits' top to its
  // baseline, and the refusal line's cell with its em height (0 when none is shown).
  platform::WindowRect FieldRect, LabelBox, ValueBox, RefusalBox;
  int RefusalHeight = 0;
  // The strip above the box the refusal line takes while one is shown; a redraw of the box covers it.
  platform::WindowRect RefusalArea;
  double TextTop = 0.0, TextHeight = 0.0, UnitHeight = 0.0, UnitRaise = 0.0;
  FTRecordDevice* Device = nullptr;
  VessamorChannel* Channel = nullptr;
  // Raised by every accepted finish; the preparation step consumes it.
  std::uint8_t* ValueEnteredFlag = nullptr;
  std::uint32_t Decimals = 2;
  std::uint32_t MaxLength = 6;
  std::uint32_t UnitLayout = 1;
  std::string Text = "0.0";
  std::string Label;
  std::string Prefix;
  std::string Unit = "В";
  std::uint8_t Shown = 0;
  // 0 showing the live value, 1 editing with empty text, 2 editing with text.
  std::uint8_t EditState = 0;
  std::uint8_t UseOwnSize = 0;
  double OwnSize = 3.2;
  double TextSize = 1.0, UnitSize = 1.0;
  double SizeFactor = 0.3;
  float CharStep = 0.0f;
  // 0: the value text is drawn character by character from the right.
  std::uint8_t DigitByDigit = 0;
  std::array<float, 3> QualityHistory{};
  Refusal LastRefusal = Refusal::None;
  // Wireless units: the link quality shown in the field (set by the panel before a render).
  std::uint8_t Wireless = 0;
  std::uint8_t LinkQuality = 0;

 private:
  bool Append(char c);
  bool Refuse(Refusal why);
  // The typed text as a number when it is one ("," counts as "."); false otherwise.
  bool ParseText(double& value) const;
};
