// The drop-down item list: filling, hit tests, highlight, check marks and painting of the rows.
#include "controls/menu_buttton.h"

#include <algorithm>
#include <cmath>

#include "controls/control_drawing.h"

using platform::WindowPoint;

namespace {

rgba8 Argb(std::uint32_t v) {
  return rgba8((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF, (v >> 24) & 0xFF);
}

// A row or list background: a rounded panel with a gradient between two colours.
void GradientPanel(agg_ren& r, double x, double y, double w, double h, std::uint32_t from, std::uint32_t to,
                   float lineWidth, const rgba8& outline) {
  r.style.gradient1 = Argb(from);
  r.style.gradient2 = Argb(to);
  r.style.highlight = outline;
  PanelRect box{x, w, y, h};
  r.DrawRoundedPanel(box, PanelStyle{0, 0, 0, 2, 100}, 1.0f, lineWidth, Argb(from), 1.0f);
}

}  // namespace

MenuButtton::MenuButtton(ControlOwner& owner) : ControlFrame(owner, {BackgroundSource::EveryPaint, false}) {}

void MenuButtton::SetItems(std::span<const MenuItemInit> items, int count, std::int32_t menuKind,
                           std::int32_t notificationId) {
  menuKind_ = menuKind;
  notificationId_ = notificationId;
  SetItemList(items, count);
}

void MenuButtton::SetItemList(std::span<const MenuItemInit> items, int count) {
  Clickable = true;
  Selection = kSingle;
  count_ = std::clamp(count, 0, kMaxItems);
  for (MenuButttonItem& item : Items) item.HoverNotify = item.Highlighted = 0;
  const std::size_t given = std::min<std::size_t>(items.size(), 8);
  for (std::size_t i = 0; i < given; ++i) {
    Items[i].Caption = items[i].Caption;
    Items[i].Marked = items[i].Marked;
    Items[i].Checked = items[i].Marked != 0;
    Items[i].SeparatorAfter = items[i].Separator;
  }
  Size = 2.0f * Owner().UiScale();
}

void MenuButtton::HideAndClear() {
  Hide();
  for (MenuButttonItem& item : Items) {
    item.Marked = item.SeparatorAfter = item.Checked = item.HoverNotify = 0;
    item.Highlighted = item.Swatch = item.TwoLine = 0;
  }
}

void MenuButtton::ClearItemStates() {
  for (MenuButttonItem& item : Items) item.Marked = item.Checked = item.Highlighted = item.TwoLine = 0;
}

void MenuButtton::ClearAllItemFlags() {
  for (MenuButttonItem& item : Items) {
    item.Marked = item.SeparatorAfter = item.Checked = item.HoverNotify = 0;
    item.Highlighted = item.Swatch = item.TwoLine = item.Spare = 0;
  }
}

int MenuButtton::HitTest(WindowPoint p) const {
  for (int i = 0; i < count_; ++i) {
    const platform::WindowRect& r = rows_[i];
    if (r.left <= p.x && p.x <= r.right && r.top <= p.y && p.y <= r.bottom) return i;
  }
  return -1;
}

void MenuButtton::OnMouseMove(WindowPoint point, unsigned, bool) {
  if (!painted_) return;
  hovered_ = HitTest(point);
  // Between rows or outside, the last highlight stays.
  if (hovered_ < 0) return;
  MenuButttonItem& item = Items[hovered_];
  if (item.Highlighted == 0) {
    for (MenuButttonItem& other : Items) other.Highlighted = 0;
    item.Highlighted = 1;
    Invalidate();
  }
  if (item.HoverNotify != 0) Owner().FillRangeMenu(menuKind_, hovered_, notificationId_);
}

void MenuButtton::OnLButtonDown(WindowPoint point) {
  if (!painted_ || !Clickable) return;
  hovered_ = HitTest(point);
  if (hovered_ < 0) return;
  // The device list of the range menus and multiple-selection lists keep their marks.
  if (Items[0].HoverNotify == 0 && Selection != kMultiple) {
    const std::uint8_t was = Items[hovered_].Checked;
    for (MenuButttonItem& item : Items) item.Marked = item.Checked = 0;
    Items[hovered_].Checked = was != 0 ? 0 : 1;
  }
  Owner().OnButtonPress(menuKind_, hovered_, notificationId_);
  pressed_ = true;
  Invalidate();
}

void MenuButtton::OnLButtonUp(WindowPoint) { pressed_ = false; }

void MenuButtton::Draw(agg_ren& r, platform::Surface& screen) {
  const float sx = Owner().ScaleX(), sy = Owner().ScaleY(), ui = Owner().UiScale();
  const double w = screen.Width(), h = screen.Height();
  r.style.corner_radius = 4 * sy;
  GradientPanel(r, 0, 0, w, h, 0xFFFBC6B5, 0xFFFFDDD7, 2.0f, Argb(0xFF280000));
  painted_ = true;
  if (count_ == 0) return;

  const double x = 2 * sx, top = 2 * ui, width = w - 4 * sx;
  const double rowHeight = (h - 2 * top) / count_;
  for (int i = 0; i < count_; ++i) {
    const double rowTop = top + i * rowHeight;
    DrawRow(r, i, x, rowTop, width, rowHeight, x + 15 * sx);
    rows_[i] = {static_cast<int>(x), static_cast<int>(rowTop), static_cast<int>(x + width),
                static_cast<int>(rowTop + rowHeight)};
  }
}

void MenuButtton::DrawRow(agg_ren& r, int i, double x, double top, double width, double height, double textX) {
  const float ui = Owner().UiScale();
  const MenuButttonItem& item = Items[i];
  rgba8 ink(0, 0, 0, 255);
  double scale = TextScale;
  if (item.Marked != 0 || item.Checked != 0) {
    GradientPanel(r, x, top, width, height - 3 * ui, 0x9BB7879F, 0x9BAD457A, 1.0f, rgba8(0, 0, 0, 0));
    ink = rgba8(255, 255, 255, 255);
  } else if (item.Highlighted != 0) {
    GradientPanel(r, x, top, width, height - 3 * ui, 0xFFFFD0BF, 0xFFFFF1F1, 1.0f, rgba8(0, 0, 0, 0));
    scale = 1.1 * TextScale - static_cast<double>(item.Caption.size()) / 300.0;
  }
  if (item.Swatch != 0 && i < kSwatchRows) {
    const double side = 0.65 * height, left = x + 10 * ui;
    control_draw::FlatPanel(r, left, top + 0.15 * height, side, side, side / 4, SwatchColours[i],
                            rgba8(0, 0, 0, 255));
    textX = left + side + 10 * ui;
  }
  if (item.TwoLine != 0) {
    control_draw::Text(r, item.Caption, textX, top - 0.05 * height, width, height, 0.8 * scale, ink, 0);
    control_draw::Text(r, item.SecondText, textX, top + 0.35 * height, width, height, 0.8 * scale, ink, 0);
  } else {
    control_draw::Text(r, item.Caption, textX, top + 0.1 * height, width, height, scale, ink, 0);
  }
  r.DrawLineRgba({x, top + height, x + width, top + height}, rgba8(0, 0, 0, 255), 1.0f);
  r.RenderScanlines();
  if (item.HoverNotify != 0) {
    const double listWidth = width + 4 * Owner().ScaleX();
    const bool lit = item.Highlighted != 0;
    const double baseX = 0.9 * listWidth + (lit ? 2 : 0), tipX = 0.95 * listWidth + (lit ? 6 : 0);
    const double upper = top + 0.25 * height - (lit ? 2 : 0), lower = top + 0.7 * height + (lit ? 2 : 0);
    const double middle = top + 0.475 * height;
    control_draw::Polygon(r, {baseX, upper, tipX, middle, baseX, lower}, rgba8(0xA2, 0x64, 0x7C, 255));
  }
}
