// Clearing, filling and reading a text block, always within its 74 lines.
#include "info/text_block.h"

#include <algorithm>

void TextBlock::Init() {
  Clear(true);
  LineCount = 0;
  LineRects.fill({});
  SubSelection = 0;
  CatalogueFirstRow = 0;
  CatalogueRows.fill(0);
}

void TextBlock::Clear(bool all) {
  FontSize.fill(1.0);
  Clickable.fill(0);
  ColumnEnd.fill(0);
  CurrentStep.fill(0);
  StepStyle.fill(0);
  // A builder that sets fewer lines than it counts leaves nulls, never a stale page's text.
  Lines.fill(nullptr);
  if (all) {
    Marked.fill(0);
    MenuLevel = 0;
  }
  StyleFlags.fill(0);
}

void TextBlock::SetLine(std::int32_t index, const char* text, double size) {
  if (index < 0 || index >= kMaxLines) return;
  const auto i = static_cast<std::size_t>(index);
  Lines[i] = text;
  FontSize[i] = size;
  LineCount = std::max(LineCount, index + 1);
}

std::int32_t TextBlock::Count() const { return std::clamp(LineCount, 0, kMaxLines); }

const char* TextBlock::Text(std::int32_t index) const {
  if (index < 0 || index >= kMaxLines) return "";
  const char* line = Lines[static_cast<std::size_t>(index)];
  return line != nullptr ? line : "";
}
