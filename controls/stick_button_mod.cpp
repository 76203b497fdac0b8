// The channel settings panel: item geometry, drawing into the owner's back buffer, presses, drags and action codes.
#include "controls/stick_button_mod.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "controls/control_drawing.h"
#include "controls/group_button.h"
#include "platform/gdi.h"
#include "render/cubic_spline.h"
#include "resources/palette_bitmap.h"

using platform::WindowPoint;
using platform::WindowRect;

namespace {

// Inclusive of the right and bottom edges, as the panel's hit tests are; an unplaced item is never hit.
bool Hit(const WindowRect& r, WindowPoint p) {
  return !r.IsEmpty() && r.left <= p.x && p.x <= r.right && r.top <= p.y && p.y <= r.bottom;
}

WindowRect Box(double x, double y, double w, double h) {
  const auto at = [](double v) { return static_cast<int>(std::lround(v)); };
  return {at(x), at(y), at(x + w), at(y + h)};
}

rgba8 Argb(std::uint32_t v) { return rgba8((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF, (v >> 24) & 0xFF); }
rgba8 FromGdi(std::uint32_t v) { return rgba8(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF, 255); }

const rgba8 kInk(30, 40, 50, 255);
const rgba8 kCheckFill(250, 250, 255, 255);
const rgba8 kCheckOutline = Argb(0x9B280000);
const rgba8 kBlack(0, 0, 0, 255);
const rgba8 kWhite(255, 255, 255, 255);
const rgba8 kCloseCross(90, 90, 110, 255);

}  // namespace

StickButtonMod::StickButtonMod(ControlOwner& owner) : ControlFrame(owner, {BackgroundSource::KeptCopy, false}) {}

void StickButtonMod::Setup(std::int32_t panelKind, std::int32_t controlId, int trackStep) {
  PanelKind = panelKind;
  SetControlId(controlId);
  State = kStateUp;
  const int step = std::max(1, trackStep);
  trackStart_ = 40;
  trackEnd_ = 40 + step * std::max(1, (Rect().Width() - 59) / step);
  knobHalf_ = static_cast<int>(std::lround(8 * Owner().ScaleX()));
  rowHeight_ = static_cast<int>(std::lround(20 * Owner().ScaleY()));
  if (palette_.Empty()) palette_ = DrawPaletteBitmap();
}

void StickButtonMod::SetRange(std::size_t slider, std::int32_t minimum, std::int32_t maximum, std::int32_t value) {
  Slider& s = Sliders[slider];
  s.Minimum = minimum;
  s.Maximum = maximum;
  s.Value = std::max(value, minimum);
  LastKnobOffset = minimum;
}

void StickButtonMod::SetMode(std::uint8_t page) {
  if (page == 0) {
    Enables[kMedianGroup] = Enables[kAveragingGroup] = 1;
    Enables[kColourOption1] = Enables[kColourOption2] = Enables[kWidthOption] = 0;
  } else if (page == 1) {
    Enables[kColourOption1] = 1;
    Enables[kColourOption2] = Enables[kWidthOption] = Enables[kMedianGroup] = Enables[kAveragingGroup] = 0;
  }
}

void StickButtonMod::Hide() {
  RunOnWindowThread([](platform::Control& c) {
    auto& panel = static_cast<StickButtonMod&>(c);
    panel.ColourDragging = {};
    for (Slider& s : panel.Sliders) s.Dragging = false;
    panel.Control::Hide();
  });
}

void StickButtonMod::OnShowChanged(bool visible) {
  ControlFrame::OnShowChanged(visible);
  if (visible) Redraw();
}

void StickButtonMod::HideIfVisible() {
  if (IsVisible()) Hide();
}

void StickButtonMod::Notify(std::uint8_t code) {
  ActionCode = code;
  NotifyPress();
}

void StickButtonMod::Redraw() {
  if (platform::HostWindow* host = Host(); host != nullptr && IsCreated()) host->Invalidate(Rect());
}

void StickButtonMod::PickColour(int which, WindowPoint p) {
  // Drawing and picking share the one rectangle; the pointer maps onto the bitmap and stays inside it.
  const WindowRect& at = placed_.palette;
  const int bx = std::clamp((p.x - at.left) * kPaletteWidth / std::max(1, at.Width()), 0, kPaletteWidth - 1);
  const int by = std::clamp((p.y - at.top) * kPaletteHeight / std::max(1, at.Height()), 0, kPaletteHeight - 1);
  const platform::Colour c = palette_.GetPixel(bx, by);
  Colours[which] = c.r | (c.g << 8) | (c.b << 16);
  CurrentColour = rgba8(c.r, c.g, c.b, 255);
}

void StickButtonMod::DragSliderTo(std::size_t slider, int x) {
  Slider& s = Sliders[slider];
  s.Knob = std::clamp(x, trackStart_, trackEnd_);
  const double share = static_cast<double>(s.Knob - trackStart_) / std::max(1, trackEnd_ - trackStart_);
  s.Value = static_cast<std::int32_t>(std::lround(share * (s.Maximum - s.Minimum) + s.Minimum));
}

bool StickButtonMod::PressGroup(WindowPoint p, Option option, std::int32_t& flag, Help help, std::uint8_t code,
                                std::uint8_t helpCode) {
  if (Enables[option] == 0) return false;
  if (Hit(placed_.checks[option], p)) {
    flag = flag != 0 ? 0 : 1;
    HelpShown = kNoHelp;
    Notify(code);
    Redraw();
    return true;
  }
  if (help != kNoHelp && Hit(placed_.helps[option], p)) {
    HelpShown = HelpShown == help ? kNoHelp : help;
    Notify(helpCode);
    Redraw();
    return true;
  }
  return false;
}

void StickButtonMod::OnLButtonDown(WindowPoint p) {
  lastMouse_ = p;
  if (PanelKind == 1) {
    State = kStateDown;
    Redraw();
    NotifyPress();
    return;
  }
  if (PanelKind != 2 || !placedOnce_) return;
  if (Hit(placed_.close, p)) {
    Notify(kClose);
    return;
  }
  if (PageLock == 0 && (Hit(placed_.filtersTab, p) || Hit(placed_.viewTab, p))) {
    const std::uint8_t page = Hit(placed_.filtersTab, p) ? 0 : 1;
    if (page != Page) {
      Page = page;
      SetMode(page);
      Redraw();
    }
    return;
  }
  PressOptions(p);
}

bool StickButtonMod::PressOptions(WindowPoint p) {
  for (int which = 0; which < 2; ++which) {
    if (Enables[which] == 0) continue;
    if (Hit(placed_.palette, p)) {
      PickColour(which, p);
      ColourDragging[which] = true;
      Notify(static_cast<std::uint8_t>(which));
      Redraw();
      return true;
    }
    ColourDragging[which] = false;
  }
  int dragged = -1;
  if (PressGroup(p, kMedianGroup, MedianOn, kMedianHelp, kMedian, kMedian)) return true;
  if (Enables[kMedianGroup] != 0 && Hit(placed_.sliders[0], p)) {
    HelpShown = kNoHelp;
    dragged = 0;
  } else if (PressGroup(p, kAveragingGroup, AveragingOn, kAveragingHelp, kAveraging, kAveraging)) {
    return true;
  } else if (Enables[kAveragingGroup] != 0 && Hit(placed_.sliders[1], p)) {
    dragged = 1;
  } else if (Enables[kAveragingGroup] != 0 && CurveChoiceEnabled != 0 && Hit(placed_.curveChoice, p)) {
    CurveChoice = p.x <= (placed_.curveChoice.left + placed_.curveChoice.right) / 2 ? 0 : 1;
    Notify(kCurveChoice);
    Redraw();
    return true;
  } else if (PressGroup(p, kMainsOption, MainsOn, kNoHelp, kMains, kMains) ||
             PressGroup(p, kVolumeOption, VolumeOn, kNoHelp, kVolume, kVolume) ||
             PressGroup(p, kSmoothingOption, SmoothingOn, kSmoothingHelpShown, kSmoothing, kSmoothingHelp)) {
    return true;
  } else if (Enables[kSmoothingOption] != 0 && DrawingChoiceEnabled != 0 && Hit(placed_.drawingChoice, p)) {
    DrawingChoice = p.x <= (placed_.drawingChoice.left + placed_.drawingChoice.right) / 2 ? 0 : 1;
    Notify(kDrawingChoice);
    Redraw();
    return true;
  }
  if (dragged < 0) return false;
  Slider& s = Sliders[dragged];
  s.Dragging = true;
  State = kStateDown;
  DragSliderTo(dragged, p.x);
  Notify(static_cast<std::uint8_t>(dragged + 3));
  Redraw();
  return true;
}

void StickButtonMod::OnMouseMove(WindowPoint p, unsigned flags, bool) {
  if (PanelKind != 2) return;
  const bool moved = !(p == lastMouse_);
  lastMouse_ = p;
  if (Hit(placed_.close, p)) {
    if (moved) {
      CloseHovered = true;
      Notify(kCloseHover);
      Redraw();
    }
  } else if (CloseHovered) {
    CloseHovered = false;
    Notify(kCloseHover);
    Redraw();
  }
  if (flags != platform::kMouseLeft) return;
  for (int which = 0; which < 2; ++which) {
    if (Enables[which] == 0 || !ColourDragging[which]) continue;
    if (Hit(placed_.palette, p)) {
      PickColour(which, p);
      Notify(static_cast<std::uint8_t>(which));
      Redraw();
    }
    return;
  }
  const Option groups[] = {kMedianGroup, kAveragingGroup};
  for (std::size_t i = 0; i < 2; ++i) {
    Slider& s = Sliders[i];
    if (Enables[groups[i]] == 0 || !s.Dragging) continue;
    if (std::abs(std::clamp(p.x, trackStart_, trackEnd_) - s.Knob) < 1) return;
    DragSliderTo(i, p.x);
    Notify(static_cast<std::uint8_t>(i + 3));
    Redraw();
    return;
  }
}

void StickButtonMod::Release(WindowPoint p) {
  if (PanelKind != 2) return;
  State = kStateUp;
  ColourDragging = {};
  for (std::size_t i = 0; i < 3; ++i) {
    if (!Sliders[i].Dragging) continue;
    DragSliderTo(i, p.x);
    Sliders[i].Dragging = false;
  }
  Redraw();
}

void StickButtonMod::OnPressCancelled() { Release(lastMouse_); }

StickButtonMod::Layout StickButtonMod::Arrange(int width, int height) const {
  (void)height;
  const double sx = Owner().ScaleX(), sy = Owner().ScaleY(), ui = Owner().UiScale();
  const double w = width, m = 10 * sx, inner = w - 2 * m;
  Layout at{};
  at.close = Box(w - 23 * sx, 5 * sy, 22 * ui, 22 * ui);
  const double tabsTop = 34 * sy, tabsHeight = 24 * sy;
  if (PageLock == 0) {
    at.filtersTab = Box(12 * sx, tabsTop, w / 2 - 25 * sx, tabsHeight);
    at.viewTab = Box(w / 2 + 12 * sx, tabsTop, w / 2 - 25 * sx, tabsHeight);
  }
  const double pageTop = tabsTop + tabsHeight + 4 * sy;
  double y = pageTop + 4 * ui;
  const auto checkRow = [&](Option option, bool help) {
    at.checks[option] = Box(m + 4 * ui, y + 3 * ui, 16 * ui, 16 * ui);
    if (help) at.helps[option] = Box(m + 26 * ui, y + 3 * ui, 16 * ui, 16 * ui);
  };
  const auto sliderRow = [&](std::size_t slider, double top) {
    at.sliders[slider] = Box(trackStart_ - knobHalf_, top, trackEnd_ - trackStart_ + 2 * knobHalf_, 34 * ui);
  };
  if (Enables[kColourOption1] != 0) {
    at.palette = Box(60, pageTop + 10, std::round(kPaletteWidth * sx), kPaletteHeight);
    y = pageTop + 56;
  }
  if (Enables[kColourOption2] != 0) {
    at.colour2 = Box(m, y, inner, 22 * ui);
    y += 28 * ui;
  }
  if (Enables[kWidthOption] != 0) {
    sliderRow(2, y + 22 * ui);
    y += 64 * ui;
  } else {
    if (Enables[kMedianGroup] != 0) {
      checkRow(kMedianGroup, true);
      sliderRow(0, y + 22 * ui);
      y += 64 * ui;
    }
    if (Enables[kAveragingGroup] != 0) {
      checkRow(kAveragingGroup, true);
      sliderRow(1, y + 22 * ui);
      at.curveChoice = Box(m, y + 56 * ui, inner, 22 * ui);
      y += 86 * ui;
    }
  }
  if (Enables[kMainsOption] != 0) {
    checkRow(kMainsOption, false);
    y += 86 * ui;
  }
  if (Enables[kVolumeOption] != 0) {
    checkRow(kVolumeOption, false);
    y += 30 * ui;
  }
  if (Enables[kSmoothingOption] != 0) {
    checkRow(kSmoothingOption, true);
    at.drawingChoice = Box(m, y + 22 * ui, inner, 22 * ui);
    y += 52 * ui;
  }
  at.page = Box(m, pageTop, inner, y - pageTop);
  return at;
}

void StickButtonMod::Caption(agg_ren& r, const std::string& text, int x, int y, double scale) {
  control_draw::Text(r, text, x, y, Rect().Width() - x, 22 * Owner().UiScale(), 0.85 * scale * Owner().UiScale(),
                     kBlack, 0);
}

void StickButtonMod::DrawChannelOptions(platform::Surface& backBuffer) {
  platform::HostWindow* host = Host();
  if (!IsCreated() || host == nullptr || !host->IsWindowThread()) return;
  const WindowRect place = Rect();
  // The panel lies inside the buffer as the owner places it; a place reaching outside is cut.
  const WindowRect inside = place.Intersect({0, 0, backBuffer.Width(), backBuffer.Height()});
  if (inside.IsEmpty() || inside.left != place.left || inside.top != place.top) return;
  platform::Surface view = platform::Surface::Borrow(backBuffer.Row(place.top) + place.left * 4, inside.Width(),
                                                     inside.Height(), backBuffer.Stride());
  agg_ren& r = renderer_;
  r.Attach(view);
  const double sx = Owner().ScaleX(), sy = Owner().ScaleY(), ui = Owner().UiScale();
  const double w = place.Width(), h = place.Height();
  const bool english = Owner().EnglishUi();
  placed_ = Arrange(place.Width(), place.Height());
  placedOnce_ = true;
  const Layout& at = placed_;

  // 1. The panel and its close button.
  r.style.corner_radius = 12 * ui;
  r.style.gradient1 = rgba8(206, 214, 246, 255);
  r.style.gradient2 = rgba8(160, 172, 228, 255);
  r.style.highlight = rgba8(60, 60, 110, 255);
  PanelRect box{0, w, 0, h};
  r.DrawRoundedPanel(box, PanelStyle{0, 0, 0, 2, 100}, 1.0f, 2.0f, kCheckFill, 1.0f);
  const WindowRect& c = at.close;
  control_draw::FlatPanel(r, c.left, c.top, c.Width(), c.Height(), 4 * sy, kCheckFill, kCheckOutline);
  {
    // The box always shows what it does; the cross darkens under the pointer.
    const double a = 0.25, b = 0.75;
    const rgba8 cross = CloseHovered ? kBlack : kCloseCross;
    r.DrawLineRgba({c.left + a * c.Width(), c.top + a * c.Height(), c.left + b * c.Width(), c.top + b * c.Height()},
                   cross, 2.0f);
    r.DrawLineRgba({c.left + a * c.Width(), c.top + b * c.Height(), c.left + b * c.Width(), c.top + a * c.Height()},
                   cross, 2.0f);
    r.RenderScanlines();
  }

  // 2. The heading.
  char heading[64];
  std::snprintf(heading, sizeof heading, english ? "Options for channel %d" : "Настройки %dго канала",
                ChannelNumber + 1);
  control_draw::ShadowedText(r, heading, 10 * sx, 4 * sy, w - 40 * sx, 26 * ui, 1.1 * ui, kBlack, kWhite, 0);

  // 3. Tabs, or the page's title over its area.
  const char* filters = english ? "Filters" : "Фильтры";
  const char* view_page = english ? "View" : "Вид";
  if (PageLock == 0) {
    const WindowRect& chosen = Page == 0 ? at.filtersTab : at.viewTab;
    control_draw::FlatPanel(r, chosen.left, chosen.top, chosen.Width(), chosen.Height(), 6 * ui,
                            rgba8(210, 210, 255, 255), kCheckOutline);
    Caption(r, filters, at.filtersTab.left + 8, at.filtersTab.top + 1);
    Caption(r, view_page, at.viewTab.left + 8, at.viewTab.top + 1);
  } else {
    Caption(r, PageLock == 1 ? filters : view_page, static_cast<int>(12 * sx), static_cast<int>(35 * sy));
    control_draw::FlatPanel(r, at.page.left, at.page.top, at.page.Width(), at.page.Height(), 8 * ui,
                            rgba8(255, 255, 255, 145), Argb(0x9BDCB4B4));
  }
  DrawRows(r, at);
  if (Enables[kColourOption1] != 0) {
    const WindowRect& p = at.palette;
    platform::StretchBlit(view, {p.left, p.top, p.right, p.bottom}, palette_, palette_.Bounds());
  }
  r.Detach();
}

void StickButtonMod::SetPressState(std::uint8_t state) {
  State = state;
  Invalidate();
}

void StickButtonMod::DrawSwatch(platform::Surface& target, int x, int y, std::uint32_t colour) {
  if (palette_.Empty()) palette_ = DrawPaletteBitmap();
  platform::Blit(target, x, y, palette_.Width(), palette_.Height(), palette_, 0, 0);
  const int top = y + palette_.Height() + 2;
  const platform::Colour c = FromGdiColour(colour);
  platform::DrawRoundRect(target, {x, top, x + 35, top + 14}, 6, 6, platform::Pen{{0, 0, 0, 255}, 1}, platform::Brush{c});
}

void StickButtonMod::SetCaptions(const std::array<std::string, 8>& captions) {
  Captions = captions;
  Invalidate();
}

void StickButtonMod::DrawRows(agg_ren& r, const Layout& at) {
  const double ui = Owner().UiScale(), sx = Owner().ScaleX();
  const bool english = Owner().EnglishUi();
  const int m = static_cast<int>(std::lround(10 * sx));
  const auto captionX = [&](Option o) { return at.helps[o].IsEmpty() ? at.checks[o].right + 8 : at.helps[o].right + 8; };
  const auto swatch = [&](int x, int y, std::uint32_t colour) {
    control_draw::FlatPanel(r, x, y, 40 * sx, 14 * ui, 3 * ui, FromGdi(colour), kBlack);
  };
  const char* colour = english ? "Colour" : "Цвет";
  if (Enables[kColourOption1] != 0) {
    Caption(r, colour, m + 2, at.palette.top - 4);
    swatch(m + 2, at.palette.top + 22, Colours[0]);
  }
  if (Enables[kColourOption2] != 0) {
    Caption(r, colour, at.colour2.left + 2, at.colour2.top);
    swatch(static_cast<int>(60 * sx), at.colour2.top + 4, Colours[1]);
  }
  if (Enables[kWidthOption] != 0) {
    Caption(r, english ? "Width" : "Ширина", m + 2, at.sliders[2].top - static_cast<int>(22 * ui));
    DrawSlider(r, 2, at.sliders[2]);
  } else {
    if (Enables[kMedianGroup] != 0) {
      DrawCheck(r, at.checks[kMedianGroup], MedianOn != 0);
      DrawHelpButton(r, at.helps[kMedianGroup], HelpShown == kMedianHelp);
      Caption(r, english ? "Median" : "Медианный", captionX(kMedianGroup), at.checks[kMedianGroup].top - 3);
      DrawSlider(r, 0, at.sliders[0]);
    }
    if (Enables[kAveragingGroup] != 0) {
      DrawCheck(r, at.checks[kAveragingGroup], AveragingOn != 0);
      DrawHelpButton(r, at.helps[kAveragingGroup], HelpShown == kAveragingHelp);
      Caption(r, english ? "Averaging" : "Усредняющий", captionX(kAveragingGroup), at.checks[kAveragingGroup].top - 3);
      DrawSlider(r, 1, at.sliders[1]);
      DrawChoice(r, at.curveChoice, "x^2", "x", CurveChoice);
    }
  }
  if (Enables[kMainsOption] != 0) {
    const WindowRect& check = at.checks[kMainsOption];
    DrawCheck(r, check, MainsOn != 0);
    Caption(r, english ? "50Hz" : "50Гц", captionX(kMainsOption), check.top - 3);
    const char* lines[2][3] = {
        {"Предназначен для устранения", " помех от электросети.", "Частота дискретизации 1кГц."},
        {"The filter is designed to suppress", "noise from the mains.", "1 kHz sampling frequency is fixed."}};
    for (int i = 0; i < 3; ++i) {
      Caption(r, lines[english ? 1 : 0][i], m + 4, check.bottom + 2 + static_cast<int>(i * 19 * ui), 0.8);
    }
  }
  if (Enables[kVolumeOption] != 0) {
    DrawCheck(r, at.checks[kVolumeOption], VolumeOn != 0);
    Caption(r, english ? "Calculate volume" : "Считать объём", captionX(kVolumeOption), at.checks[kVolumeOption].top - 3);
  }
  if (Enables[kSmoothingOption] != 0) {
    DrawCheck(r, at.checks[kSmoothingOption], SmoothingOn != 0);
    DrawHelpButton(r, at.helps[kSmoothingOption], HelpShown == kSmoothingHelpShown);
    Caption(r, english ? "Smoothing" : "Сглаживание", captionX(kSmoothingOption), at.checks[kSmoothingOption].top - 3);
    DrawChoice(r, at.drawingChoice, english ? "line" : "линия", english ? "spline" : "сплайн", DrawingChoice);
  }
}

void StickButtonMod::DrawCheck(agg_ren& r, const WindowRect& b, bool on) {
  control_draw::FlatPanel(r, b.left, b.top, b.Width(), b.Height(), 4 * Owner().ScaleY(), kCheckFill, kCheckOutline);
  if (!on) return;
  const double x = b.left, y = b.top, w = b.Width(), h = b.Height();
  const rgba8 green(0, 180, 40, 255);
  r.DrawLineRgba({x + 0.2 * w, y + 0.5 * h, x + 0.45 * w, y + 0.78 * h}, green, 2.5f);
  r.DrawLineRgba({x + 0.45 * w, y + 0.78 * h, x + 0.85 * w, y + 0.2 * h}, green, 2.5f);
  r.RenderScanlines();
}

void StickButtonMod::DrawHelpButton(agg_ren& r, const WindowRect& b, bool shown) {
  const rgba8 glyph = Argb(0xFF280000), face = Argb(0xFFFFF5F5);
  // A shown help swaps the colours, so the button reads as pressed.
  control_draw::FlatPanel(r, b.left, b.top, b.Width(), b.Height(), b.Height() / 2.0, shown ? glyph : face, glyph);
  const double scale = b.Height() / 20.0;
  control_draw::Text(r, "?", b.left + 0.32 * b.Width(), b.top - 0.12 * b.Height(), b.Width(), b.Height(), scale,
                     shown ? face : glyph, 0);
}

void StickButtonMod::DrawSlider(agg_ren& r, std::size_t i, const WindowRect& row) {
  const Slider& s = Sliders[i];
  const double ui = Owner().UiScale();
  const double start = trackStart_, end = trackEnd_, base = row.top + 26 * ui;
  const std::int32_t value = std::clamp(s.Value, std::min(s.Minimum, s.Maximum), std::max(s.Minimum, s.Maximum));
  const double span = s.Maximum != s.Minimum ? static_cast<double>(s.Maximum - s.Minimum) : 1.0;
  const double knob = s.Dragging ? s.Knob : (value - s.Minimum) / span * (end - start) + start;
  // The wedge: a natural spline through the track's start, middle, four fifths and end.
  CubicSpline wedge;
  const double xs[] = {start, (start + end) / 2, start + 0.8 * (end - start), end + 1};
  const double ys[] = {0.1, 0.3, 0.6, 1.0};
  wedge.Build(xs, ys, 4);
  for (int x = trackStart_; x <= trackEnd_; ++x) {
    const double t = std::clamp(wedge.Evaluate(x), 0.0, 1.0);
    r.DrawLineRgba({static_cast<double>(x), base, static_cast<double>(x), base - 24 * ui * t},
                   rgba8(kInk.r, kInk.g, kInk.b, static_cast<std::uint8_t>(std::lround(t * 255))), 1.0f);
    r.RenderScanlines();
  }
  r.DrawLineRgba({start, base, end, base}, kInk, 2.0f);
  r.RenderScanlines();
  const double k = knobHalf_, tall = 0.3 * rowHeight_;
  if (s.Dragging) {
    control_draw::Polygon(r, {knob - k - 1, base + tall + 1, knob, base - 1, knob + k + 1, base + tall + 1}, kWhite);
  }
  control_draw::Polygon(r, {knob - k, base + tall, knob, base, knob + k, base + tall},
                        rgba8(0, 0, 0, s.Dragging ? 255 : 150));
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  control_draw::Text(r, text, 10 * Owner().ScaleX() + 2, base - 18 * ui, start - 12, 20 * ui, 0.75 * ui, kBlack, 0);
}

void StickButtonMod::DrawChoice(agg_ren& r, const WindowRect& row, const char* first, const char* second,
                                int chosen) {
  const double ui = Owner().UiScale();
  const int half = row.Width() / 2;
  for (int i = 0; i < 2; ++i) {
    const double x = row.left + i * half + 6 * ui, y = row.top + 4 * ui, d = 14 * ui;
    control_draw::FlatPanel(r, x, y, d, d, d / 2, kCheckFill, kCheckOutline);
    if (i == chosen) {
      control_draw::FlatPanel(r, x + 3 * ui, y + 3 * ui, d - 6 * ui, d - 6 * ui, (d - 6 * ui) / 2,
                              rgba8(0, 180, 40, 255), rgba8(0, 120, 30, 255));
    }
    Caption(r, i == 0 ? first : second, static_cast<int>(x + d + 6 * ui), row.top - 1);
  }
}

FilterPanelState ReadFilterPanel(const StickButtonMod& panel) {
  FilterPanelState state;
  state.Channel = panel.ChannelNumber;
  state.HelpShown = panel.HelpShown;
  state.MedianOn = panel.MedianOn != 0;
  state.MedianWindow = panel.Sliders[0].Value;
  state.AveragingOn = panel.AveragingOn != 0;
  state.AveragingWindow = panel.Sliders[1].Value;
  state.MainsOn = panel.MainsOn != 0;
  state.VolumeOn = panel.VolumeOn != 0;
  state.SmoothingOn = panel.SmoothingOn != 0;
  state.CurveChoice = panel.CurveChoice;
  state.DrawingChoice = panel.DrawingChoice;
  return state;
}

void RunFilterPanelCommand(GraphView& view, FilterPanelWindow& window, StickButtonMod& panel) {
  FilterPanelState state = ReadFilterPanel(panel);
  OnFilterPanelCommand(view, window, panel.ActionCode, state);
  panel.DrawingChoice = state.DrawingChoice;
}
