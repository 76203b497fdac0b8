// Texts of the value indicators and value boxes: values cut to their decimals, times, bounded label copies.
#include "app/value_indicators.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace {

// "%.*f" in the "C" convention whatever the user's locale; "--" when the number does not fit.
std::string Fixed(double value, int decimals) {
  std::array<char, 400> buffer{};
  const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                          std::chars_format::fixed, decimals);
  if (error != std::errc{}) return "--";
  return std::string(buffer.data(), end);
}

double ParseBack(const std::string& text) {
  double parsed = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  return error == std::errc{} ? parsed : 0.0;
}

// One decimal more than shown, the last character dropped (and the point with no decimals left).
IndicatorText CutText(double value, int decimals) {
  IndicatorText shown;
  if (!std::isfinite(value)) {
    shown.Text = "--";
    shown.Parsed = value;
    return shown;
  }
  shown.Text = Fixed(value, decimals + 1);
  if (shown.Text == "--") {
    shown.Parsed = value;
    return shown;
  }
  shown.Text.pop_back();
  if (decimals == 0 && !shown.Text.empty() && shown.Text.back() == '.') shown.Text.pop_back();
  shown.Parsed = ParseBack(shown.Text);
  return shown;
}

int ClampDecimals(int decimals) { return std::clamp(decimals, 0, kMostIndicatorDecimals); }

}  // namespace

IndicatorText IndicatorValueText(double value, int decimals) {
  const int d = ClampDecimals(decimals);
  if (d > 0 && std::fabs(value) < std::pow(10.0, -d)) value = 0.0;
  return CutText(value, d);
}

IndicatorText IndicatorTimeText(std::uint32_t rate, std::uint32_t first_sample, bool column_inside) {
  if (rate == 0 || !column_inside) return {};
  const int decimals = rate > 10000 ? 5 : (rate > 1000 ? 4 : 3);
  return CutText(static_cast<double>(first_sample) / rate, decimals);
}

std::string CopyBounded(std::string_view text, std::size_t capacity) {
  if (capacity == 0) return {};
  std::size_t length = std::min(text.size(), capacity - 1);
  if (length < text.size()) {
    // Back off continuation bytes, then the lead byte whose character they would have finished.
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
  }
  return std::string(text.substr(0, length));
}

void FormatIndicatorValue(IndicatorValueBox& box, float value, std::string_view label, std::string_view unit,
                          std::int32_t decimals) {
  box.Label = CopyBounded(label, IndicatorValueBox::kLabelCapacity);
  box.Unit = CopyBounded(unit, IndicatorValueBox::kUnitCapacity);
  box.Decimals = decimals;
  UpdateIndicatorValue(box, value);
}

void UpdateIndicatorValue(IndicatorValueBox& box, float value) {
  box.Value = value;
  box.Text = std::isfinite(value) ? Fixed(value, ClampDecimals(box.Decimals)) : std::string("--");
}
