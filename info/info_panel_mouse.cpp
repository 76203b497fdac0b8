// The start page under the mouse: its menu row, clickable lines, the catalogue's open row, the web-address line, value boxes.
#include <algorithm>

#include "info/info_panel.h"

namespace {

constexpr std::uint8_t kCatalogueItem = 1;

}  // namespace

std::int32_t InfoPanel::MenuItemAt(platform::WindowPoint point) const {
  if (CurrentScreen != kStartPage) return -1;
  const std::int32_t count = Body.Count();
  // Only the current menu's lines count: rectangles of other pages' lines stay behind in the array.
  const auto end = Body.ColumnEnd.begin() + count;
  const auto first = static_cast<std::int32_t>(std::find(Body.ColumnEnd.begin(), end, 1) - Body.ColumnEnd.begin());
  for (std::int32_t k = first; k < count; ++k) {
    if (MenuRowRects[static_cast<std::size_t>(k)].Contains(point)) return k - first;
  }
  return -1;
}

std::int32_t InfoPanel::ClickableLineAt(platform::WindowPoint point) const {
  if (CurrentScreen != kStartPage) return -1;
  for (std::int32_t k = 0; k < Body.Count(); ++k) {
    const auto i = static_cast<std::size_t>(k);
    if (Body.Clickable[i] != 0 && Body.LineRects[i].Contains(point)) return k;
  }
  return -1;
}

bool InfoPanel::SubMenuOpen() const {
  return MenuSelection == kCatalogueItem && Body.MenuLevel != 0 && Body.SubSelection != 0;
}

void InfoPanel::CloseSubMenu() {
  MenuSelection = kCatalogueItem;
  Body.SubSelection = 0;
}

void InfoPanel::ChooseMenuItem(std::uint8_t item) {
  MenuSelection = item;
  Body.SubSelection = 0;
}

void InfoPanel::HighlightLine(std::int32_t line) {
  if (line < 0 || line >= Body.Count() || Body.Marked[static_cast<std::size_t>(line)] != 0) return;
  for (std::int32_t k = 0; k < Body.Count(); ++k) {
    const auto i = static_cast<std::size_t>(k);
    if (Body.Clickable[i] != 0 && Body.Marked[i] != 0) break;
    Body.Marked[i] = 0;
  }
  Body.Marked[static_cast<std::size_t>(line)] = 1;
}

// No page names a web address, so none has a link zone.
platform::WindowRect InfoPanel::WebLinkRect() const {
  // The contacts' invitation line, as the last paint placed it.
  if (CurrentScreen != kStartPage || MenuSelection != 2 || Body.MenuLevel != 0) return {};
  const bool link = std::any_of(Body.CurrentStep.begin(), Body.CurrentStep.begin() + std::max(Body.Count(), 0),
                                [](std::uint8_t step) { return step != 0; });
  return link ? StepLineRect : platform::WindowRect{};
}

bool InfoPanel::ClickValueBox(platform::WindowPoint point) {
  for (ValueInputBox* box : {&Box2, &Box1}) {
    if (box->Shown == 0 || !box->Rect.Contains(point)) continue;
    if (box->EditState == 0) {
      box->EditState = 1;
      box->Text.clear();
      if (Calls.Invalidate) Calls.Invalidate(box->Rect);
    } else {
      InputInto(*box, nullptr);
    }
    return true;
  }
  return false;
}
