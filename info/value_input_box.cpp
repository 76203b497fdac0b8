// The preparation page's numeric field: editing rules, layout and drawing.
#include "info/value_input_box.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "channels/vessamor_channel.h"
#include "graph/scale_state.h"
#include "platform/gdi.h"

namespace {

constexpr double kEmHeight = 17.0;
// A digit's height in the value's face, as a share of its em height.
constexpr double kDigitHeight = 0.72;
constexpr platform::Colour kFieldFill{250, 250, 255, 255};
constexpr platform::Colour kFieldLine{0, 0, 40, 255};
constexpr platform::Colour kPanelFill{249, 252, 255, 255};
constexpr platform::Colour kPanelLine{218, 222, 255, 255};
constexpr platform::Colour kLabel{50, 0, 200, 255};
constexpr platform::Colour kRefusal{200, 20, 30, 255};
constexpr platform::Colour kInk{0, 0, 0, 255};

int Trunc(double v) { return static_cast<int>(v); }
platform::Rect ToRect(const platform::WindowRect& r) { return {r.left, r.top, r.right, r.bottom}; }

// At most `chars` characters of UTF-8 text, never cutting one in two.
std::string FirstChars(std::string_view text, std::size_t chars) {
  std::size_t end = 0, count = 0;
  while (end < text.size() && count < chars) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    ++count;
  }
  return std::string(text.substr(0, end));
}

// A unit is written as the text drawing writes it elsewhere: what follows a "^" smaller and raised
// to the top of the letters ("м/с^2" as "м/с²"). Returns the width it takes.
int DrawUnit(platform::Surface* target, int x, int y, std::string_view unit, const platform::Font& font,
             platform::Colour colour) {
  const std::size_t caret = unit.find('^');
  const std::string_view base = unit.substr(0, caret);
  int width = platform::TextExtent(base, font).cx;
  if (target != nullptr) platform::DrawText(*target, x, y, base, font, colour);
  if (caret == std::string_view::npos || caret + 1 >= unit.size()) return width;
  const std::string_view raised = unit.substr(caret + 1);
  const platform::Font small{font.Family, std::max(6, font.Height * 3 / 5), 0, font.Weight};
  if (target != nullptr) platform::DrawText(*target, x + width, y, raised, small, colour);
  return width + platform::TextExtent(raised, small).cx;
}

}  // namespace

std::string FormatFixed(double value, int decimals) {
  decimals = std::clamp(decimals, 0, 6);
  if (!std::isfinite(value)) value = 0.0;
  // Below the last shown place the value is zero, and zero has no sign.
  if (std::fabs(value) < 0.5 * std::pow(10.0, -decimals)) value = 0.0;
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
  if (result.ec != std::errc{}) return "0";
  return std::string(buffer.data(), result.ptr);
}

float LinkQualityLevel(std::uint8_t quality) {
  const float level = (static_cast<float>(quality) - 60.0f) / 150.0f * 255.0f;
  return std::clamp(level, 0.0f, 255.0f);
}

std::size_t Utf8Length(std::string_view text) {
  return static_cast<std::size_t>(std::ranges::count_if(text, [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void ValueInputBox::SetRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
  Rect = platform::WindowRect::FromSize(x, y, width, height);
}

void ValueInputBox::Layout(const platform::WindowRect& rect, double char_width, double line_gap,
                           std::int32_t screen_height, bool wide_screen) {
  const double w = rect.Width(), h = rect.Height();
  TextArea = platform::WindowRect::FromSize(rect.left + Trunc(0.05 * w), rect.top, Trunc(0.65 * w), rect.Height());
  UnitArea = platform::WindowRect::FromSize(TextArea.right + Trunc(0.05 * w), rect.top, Trunc(0.18 * w), rect.Height());
  TextTop = rect.top + line_gap;
  TextHeight = 0.7 * h;
  UnitHeight = 0.8 * h;
  TextSize = UnitSize = 1.0;
  if (char_width > 0.0) {
    const double margin = MaxLength >= 7 ? 1.0 : 1.1;
    const double needed = MaxLength * margin * char_width;
    if (needed > TextArea.Width()) TextSize = TextArea.Width() / needed;
    const double unit_needed = std::max<std::uint32_t>(UnitLayout, 1) * char_width * 0.6;
    if (unit_needed > UnitArea.Width()) UnitSize = UnitArea.Width() / unit_needed;
  }
  // The unit stands by its length: short units raised to the value's top, long ones centred.
  const double line = kEmHeight * UnitSize;
  switch (UnitLayout) {
    case 1: UnitRaise = UnitHeight - TextHeight; break;
    case 2: UnitRaise = (MaxLength == 8 ? 1.5 : 1.4) * line - 1.35 * line; break;
    case 3: UnitRaise = 1.6 * line - 1.3 * line; break;
    case 4: UnitRaise = wide_screen ? 0.25 * line : 0.0; break;
    case 6: case 7: case 8: UnitRaise = 0.0; break;
    default: UnitRaise = -0.5 * line; break;
  }
  if (UnitLayout == 1 && screen_height < 801) UnitSize *= 0.9;
}

bool ValueInputBox::Refuse(Refusal why) {
  LastRefusal = why;
  return false;
}

bool ValueInputBox::ParseText(double& value) const {
  std::string text = Text;
  std::ranges::replace(text, ',', '.');
  // A sign or a separator without a digit reads as nothing typed yet: zero (while typing; a finish refuses it).
  if (!text.empty() && std::ranges::none_of(text, [](char c) { return c >= '0' && c <= '9'; }) &&
      text.find_first_not_of("-.") == std::string::npos && text.size() <= 2) {
    value = 0.0;
    return true;
  }
  const char* first = text.data();
  const char* last = first + text.size();
  const auto result = std::from_chars(first, last, value, std::chars_format::fixed);
  return result.ec == std::errc{} && result.ptr == last && std::isfinite(value);
}

bool ValueInputBox::Append(char c) {
  // One character more than MaxLength leaves room for a sign.
  if (Text.size() > MaxLength) return Refuse(Refusal::TooLong);
  Text.push_back(c);
  return true;
}

bool ValueInputBox::Input(const unsigned* key) {
  const std::uint32_t decimals = std::min<std::uint32_t>(Decimals, 6);
  if (key == nullptr) {
    // A sign or a separator alone is no number yet: as if nothing were typed, the reference stays.
    if (std::ranges::none_of(Text, [](char c) { return c >= '0' && c <= '9'; })) return Refuse(Refusal::Empty);
    double value = 0.0;
    if (!ParseText(value)) return Refuse(Refusal::NotANumber);
    double low = 0.0, high = 0.0;
    if (Channel != nullptr && Channel->Scale != nullptr && Channel->Scale->TopValue != Channel->Scale->BottomValue) {
      low = std::min(Channel->Scale->TopValue, Channel->Scale->BottomValue);
      high = std::max(Channel->Scale->TopValue, Channel->Scale->BottomValue);
    } else {
      high = std::pow(10.0, static_cast<double>(MaxLength) - decimals);
      low = -high;
    }
    if (value < low || value > high) return Refuse(Refusal::OutOfRange);
    Value = static_cast<float>(value);
    // Zero is a reference like any other (an ice bath): the channel reads it from then on.
    if (Channel != nullptr) {
      Channel->EnteredValue = Value;
      Channel->EnteredValueSet = 1;
    }
    if (ValueEnteredFlag != nullptr) *ValueEnteredFlag = 1;
    LastRefusal = Refusal::None;
    return true;
  }
  bool accepted = false;
  LastRefusal = Refusal::None;
  const std::size_t separator = Text.find_first_of(".,");
  switch (*key) {
    case kKeyBackspace:
    case kKeyDelete:
      if (!Text.empty()) Text.pop_back();
      accepted = true;
      break;
    case kKeyMinus:
      accepted = Text.empty() && Append('-');
      break;
    case kKeyComma:
    case kKeyPeriod:
      accepted = separator == std::string::npos && Append(*key == kKeyComma ? ',' : '.');
      break;
    default:
      if (*key < '0' || *key > '9') break;
      if (separator != std::string::npos &&
          (separator >= MaxLength - std::min(decimals, MaxLength) || Text.size() - separator - 1 >= decimals)) {
        Refuse(Refusal::TooLong);
        break;
      }
      accepted = Append(static_cast<char>(*key));
      break;
  }
  // The value follows the text as typed.
  if (accepted) {
    double typed = 0.0;
    if (!Text.empty() && ParseText(typed)) Value = static_cast<float>(typed);
  }
  EditState = Text.empty() ? 1 : 2;
  return accepted;
}

void ValueInputBox::FillFromChannel(const VessamorChannel* channel) {
  Prefix.clear();
  if (channel == nullptr) {
    Value = 0.0f;
    Decimals = 2;
    Unit = "В";
    UnitLayout = 1;
  } else {
    Decimals = std::min<std::uint32_t>(channel->Decimals, 6);
    Unit = FirstChars(channel->Unit, kUnitChars);
    MaxLength = static_cast<std::uint32_t>(std::clamp(channel->ValueWidth, 1, 12));
    // The unit's layout counts characters of the unit as it will be drawn.
    const std::size_t chars = Utf8Length(Unit);
    UnitLayout = channel->UnitWidth >= 1 && channel->UnitWidth <= 8 ? static_cast<std::uint32_t>(channel->UnitWidth)
                                                                    : static_cast<std::uint32_t>(std::max<std::size_t>(chars, 1));
  }
  Text = FormatFixed(Value, static_cast<int>(Decimals));
}

std::string ValueInputBox::RefusalText(bool english) const {
  switch (LastRefusal) {
    case Refusal::None: return {};
    case Refusal::Empty: return english ? "Enter a number" : "Введите число";
    case Refusal::NotANumber: return english ? "Not a number" : "Это не число";
    case Refusal::OutOfRange: return english ? "Out of the sensor's range" : "Вне диапазона датчика";
    case Refusal::TooLong: return english ? "Too many digits" : "Слишком много цифр";
  }
  return {};
}

void ValueInputBox::Render(platform::Surface& target, const ValueBoxStyle& style) {
  if (Rect.IsEmpty()) return;
  const double ui = style.UiScale;
  // 1. The panel and the field.
  platform::DrawRoundRect(target, ToRect(Rect), Trunc(12 * ui), Trunc(12 * ui), platform::Pen{kPanelLine, 1},
                          platform::Brush{kPanelFill});
  const double gap = (style.ScaleY - 1.0) * 6.0 + 4.0 * ui;
  const platform::WindowRect field{Rect.left + Trunc(8 * ui), Rect.top + Trunc(8 * ui + gap), Rect.right - Trunc(8 * ui),
                                   Rect.bottom - Trunc(6 * ui)};
  if (field.IsEmpty()) return;
  platform::DrawRoundRect(target, ToRect(field), Trunc(15 * ui), Trunc(15 * ui), platform::Pen{kFieldLine, 1},
                          platform::Brush{kFieldFill});
  // 2. A wireless unit's link quality: the number as the label and a bar on the field's right.
  std::string label = Label;
  QualityHistory = {QualityHistory[1], QualityHistory[2], static_cast<float>(LinkQuality)};
  if (Wireless != 0) {
    label = std::to_string(LinkQuality);
    const float level = LinkQualityLevel(LinkQuality);
    if (level > 10.0f) {
      const platform::Colour colour =
          level < 100.0f ? platform::Colour{255, static_cast<std::uint8_t>(level + 100.0f), 0, 255}
                         : platform::Colour{static_cast<std::uint8_t>(355.0f - level), 255, 0, 255};
      const double full = 0.86 * field.Height();
      const int height = Trunc(std::max(full * level / 255.0, 0.125 * field.Height()));
      const int right = field.right - Trunc(10 * ui);
      platform::Surface swatch(1, 1);
      swatch.Fill(colour);
      platform::AlphaBlend(target, {right - Trunc(10 * ui), field.bottom - 2 - height, right, field.bottom - 2}, swatch,
                           swatch.Bounds(), 120, false);
    }
  }
  // 3. The value text, from the right edge of the text area leftwards, its digits below the label: a field
  // too low for the full size takes smaller digits.
  const double base = (UseOwnSize != 0 ? OwnSize : 3.2) * ui;
  const int label_height = std::max(6, Trunc(kEmHeight * ui * 0.8));
  const platform::Font label_font{"Arial", label_height, 0, 400};
  LabelBox = platform::WindowRect::FromSize(field.left + Trunc(12 * ui), field.top + Trunc(3 * ui),
                                            platform::TextExtent(label, label_font).cx, platform::GetTextMetrics(label_font).Height);
  platform::Font font{"Arial", std::max(6, Trunc(std::min(kEmHeight * base * TextSize, 0.85 * field.Height()))), 0, 400};
  const int foot = std::max(1, Trunc(2 * ui));
  const auto baseline_of = [&](const platform::Font& f) { return field.bottom - f.Height - foot + platform::GetTextMetrics(f).Ascent; };
  const auto digits_top = [&](const platform::Font& f) { return baseline_of(f) - static_cast<int>(std::ceil(kDigitHeight * f.Height)); };
  while (font.Height > 6 && digits_top(font) < LabelBox.bottom + foot) --font.Height;
  std::string text;
  if (EditState == 0) text = FormatFixed(Value, static_cast<int>(Decimals));
  if (EditState == 2) text = Text;
  const int right = std::min(TextArea.right, field.right - Trunc(10 * ui));
  // A typed text one character over the length (a sign's room) keeps inside the field too.
  const auto cells = [&](const platform::Font& f) {
    const double step = platform::TextExtent("0", f).cx;
    double width = 0.0;
    for (char c : text) width += (c == '.' || c == ',' ? 0.5 : 1.0) * step;
    return width;
  };
  while (font.Height > 6 && right - cells(font) < field.left + Trunc(6 * ui)) --font.Height;
  const int text_top = field.bottom - font.Height - foot;
  CharStep = static_cast<float>(platform::TextExtent("0", font).cx);
  int text_left = right;
  if (DigitByDigit == 0) {
    double x = right;
    for (auto it = text.rbegin(); it != text.rend(); ++it) {
      const bool point = *it == '.' || *it == ',';
      x -= point ? CharStep * 0.5 : CharStep;
      // Each character stands at the right of its cell, so a narrow sign keeps to its digits.
      const std::string_view glyph(&*it, 1);
      const int inset = point ? 0 : std::max(0, Trunc(CharStep) - platform::TextExtent(glyph, font).cx);
      platform::DrawText(target, Trunc(x) + inset, text_top, glyph, font, kInk);
      text_left = std::min(text_left, Trunc(x) + inset);
    }
  } else {
    const int width = platform::TextExtent(text, font).cx;
    platform::DrawText(target, right - width, text_top, text, font, kInk);
    text_left = right - width;
  }
  ValueBox = {text_left, digits_top(font), right, baseline_of(font)};
  if (EditState == 1) {
    const int caret = right - Trunc(CharStep * 0.4);
    platform::DrawLine(target, caret, text_top + font.Height / 6, caret, text_top + font.Height, platform::Pen{kInk, std::max(1, Trunc(2 * ui))});
  }
  // 4. The unit and the label.
  const double unit_scale = Channel != nullptr ? Channel->UnitTextScale : 1.0;
  const std::string unit = Prefix + Unit;
  // A degree sign alone is written in the digits' font on their baseline: its ring stands at the top
  // of the digits, where a degree sign belongs, not low beside them as a small unit's would.
  const bool degree_sign = unit == "°";
  platform::Font unit_font = degree_sign ? font : platform::Font{"Arial", std::max(6, Trunc(font.Height * 0.6 * UnitSize * unit_scale)), 0, 400};
  // The unit keeps inside the field, and left of a wireless unit's bar: a long unit is drawn smaller.
  UnitLimit = Wireless != 0 ? field.right - Trunc(20 * ui) - std::max(4, Trunc(8 * ui)) : field.right - Trunc(8 * ui);
  const int room = UnitLimit - UnitArea.left;
  for (int width = DrawUnit(nullptr, 0, 0, unit, unit_font, kInk); width > room && unit_font.Height > 6;
       width = DrawUnit(nullptr, 0, 0, unit, unit_font, kInk)) {
    unit_font.Height = std::max(6, std::min(unit_font.Height - 1, unit_font.Height * room / std::max(1, width)));
  }
  const int unit_top = degree_sign ? text_top + font.Height - unit_font.Height
                                   : Trunc(text_top + font.Height - unit_font.Height - std::max(0.0, UnitRaise) * 0.25);
  const int unit_width = DrawUnit(&target, UnitArea.left, unit_top, unit, unit_font, kInk);
  UnitBox = platform::WindowRect::FromSize(UnitArea.left, unit_top, unit_width, unit_font.Height);
  platform::DrawText(target, LabelBox.left, LabelBox.top, label, label_font, kLabel);
  FieldRect = field;
  // A refused input says why in a line of its own above the box, at the body text's size; the typed text
  // stays for correction. The line's strip is cleared at each render, so a notice redrawn stays one clean
  // colour and one gone leaves nothing.
  const platform::Font notice_font{"Arial", std::max(6, style.NoticeHeight), 0, 700};
  const std::string notice = RefusalText(style.English);
  const int notice_gap = std::max(2, Trunc(4 * ui));
  const int cell = platform::GetTextMetrics(notice_font).Height;
  const int notice_left = Rect.left + Trunc(12 * ui);
  const int notice_width = notice.empty() ? 0 : platform::TextExtent(notice, notice_font).cx;
  const platform::WindowRect strip{Rect.left, Rect.top - notice_gap - cell, std::max(Rect.right, notice_left + notice_width),
                                   Rect.top - notice_gap};
  if (!notice.empty() || !RefusalArea.IsEmpty()) {
    const platform::WindowRect clear = RefusalArea.IsEmpty() ? strip : strip.Union(RefusalArea);
    platform::FillRect(target, ToRect(clear), platform::Brush{kPanelFill});
  }
  RefusalArea = notice.empty() ? platform::WindowRect{} : strip;
  RefusalBox = {};
  RefusalHeight = 0;
  if (!notice.empty()) {
    platform::DrawText(target, notice_left, strip.top, notice, notice_font, kRefusal);
    RefusalBox = platform::WindowRect::FromSize(notice_left, strip.top, notice_width, cell);
    RefusalHeight = notice_font.Height;
  }
}
