// Texts of the value indicators and value boxes: values cut to their decimals, times, bounded label copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A shown text and the number read back from it, which the indicator keeps as the shown value.
struct IndicatorText {
  std::string Text;
  double Parsed = 0.0;
};

// More decimals than this say nothing a float holds; larger counts are clamped to it.
inline constexpr int kMostIndicatorDecimals = 9;

// The value cut (not rounded) to `decimals`: formatted with one decimal more and that one dropped;
// a magnitude below 10^-decimals shows 0. Locale-independent; a value that is not a number shows "--".
IndicatorText IndicatorValueText(double value, int decimals);
// The time of a column's first sample at `rate` Hz: 3 decimals, 4 above 1000 Hz, 5 above 10000 Hz, cut
// like the value. Empty without a rate or with the column outside the table.
IndicatorText IndicatorTimeText(std::uint32_t rate, std::uint32_t first_sample, bool column_inside);
// The first `capacity` - 1 bytes of `text` at most, cut before a partial UTF-8 character.
std::string CopyBounded(std::string_view text, std::size_t capacity);

// A value box of the preparation pages: the value, its decimals, its shown text, label and unit.
struct IndicatorValueBox {
  static constexpr std::size_t kLabelCapacity = 64;
  static constexpr std::size_t kUnitCapacity = 16;
  float Value = 0.0f;
  std::int32_t Decimals = 2;
  std::string Text;
  std::string Label;
  std::string Unit;
};

// Stores the four and formats the shown text, rounded to the decimals.
void FormatIndicatorValue(IndicatorValueBox& box, float value, std::string_view label, std::string_view unit,
                          std::int32_t decimals);
// Stores the value and formats the shown text with the stored decimals.
void UpdateIndicatorValue(IndicatorValueBox& box, float value);
