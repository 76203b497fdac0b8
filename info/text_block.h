// A block of up to 74 text lines that the page builders fill and the information panel lays out and draws.
#pragma once

#include <array>
#include <cstdint>

#include "platform/window_geometry.h"

struct TextBlock {
  static constexpr std::int32_t kMaxLines = 74;
  template <class T>
  using PerLine = std::array<T, kMaxLines>;

  std::int32_t LineCount = 0;
  // Static texts the pages own; a null line draws as an empty one.
  PerLine<const char*> Lines{};
  PerLine<platform::WindowRect> LineRects{};
  PerLine<std::uint8_t> Clickable{};
  PerLine<std::uint8_t> Marked{};
  std::uint8_t MenuLevel = 0;
  std::uint8_t SubSelection = 0;
  // The first flagged line ends the body column; it and the lines after it form the menu row.
  PerLine<std::uint8_t> ColumnEnd{};
  PerLine<double> FontSize{};
  // First: the first menu item's rectangle is recorded; second: the text style; third: the larger body text factor.
  std::array<std::uint8_t, 3> StyleFlags{};
  PerLine<std::uint8_t> CurrentStep{};
  PerLine<std::uint8_t> StepStyle{};
  std::uint8_t CatalogueFirstRow = 0;
  PerLine<std::uint8_t> CatalogueRows{};

  TextBlock() { Init(); }
  // Everything cleared, every size 1.0.
  void Init();
  // Sizes back to 1.0, line flags and style flags cleared and the lines nulled; with `all` also
  // the marks and the menu level. The sub-selection stays.
  void Clear(bool all);
  // Sets line `index` (ignored outside the block) and grows the count to cover it.
  void SetLine(std::int32_t index, const char* text, double size);
  // The count kept within 0..74, whoever wrote it.
  std::int32_t Count() const;
  // The line's text, "" for a null one.
  const char* Text(std::int32_t index) const;
};
