// The start screen: its background composed once, its paint from two back buffers, its button set, Escape and activation.
#include "app/main_window.h"

#include <array>
#include <tuple>

#include "controls/aimage_button.h"
#include "controls/control_frame.h"
#include "controls/group_button.h"
#include "controls/stick_button_mod.h"
#include "platform/gdi.h"
#include "platform/window_events.h"
#include "platform/cp1251.h"
#include "render/cubic_spline.h"
#include "resources/bitmaps.h"
#include "resources/string_table.h"

namespace {

// No web address is shipped; the program's own name stands under the panel instead.
constexpr std::string_view kMakerAddress = "";

// The "Measurements" button; the information panel's place is derived from it.
constexpr std::int32_t kMeasurementsButton = 75172;

// The start screen's button set: shown, then hidden.
constexpr std::array<std::int32_t, 2> kStartShown = {75169, 75167};
constexpr std::array<std::int32_t, 30> kStartHidden = {
    75004, 74999, 75049, 75010, 75011, 75012, 75050, 75051, 75186, 75163, 75164, 75165, 75166, 75173, 75174, 75175,
    75038, 75039, 75040, 75041, 75042, 75016, 75045, 75046, 75037, 75013, 75014, 75003, 75001, kSettingsPanelId};

}  // namespace

// The window core's registry: control ids, "GPS" under its window id.
platform::Control* MainWindow::FindControl(std::int32_t id) const { return FindMainControl(host_.Window(), id); }

// Each kind of control shows and hides in its own way (a button also drops its pressed state).
void MainWindow::ShowControl(std::int32_t id, bool show) {
  platform::Control* control = FindControl(id);
  if (control == nullptr) return;
  if (auto* button = dynamic_cast<AImageButton*>(control)) {
    show ? button->Show() : button->Hide();
  } else if (auto* group = dynamic_cast<GroupButton*>(control); group != nullptr && !show) {
    group->Hide();
  } else if (auto* panel = dynamic_cast<StickButtonMod*>(control); panel != nullptr && !show) {
    panel->Hide();
  } else {
    show ? control->Show() : control->Hide();
  }
}

void MainWindow::ComposeStartBackground() {
  if (StartBackgroundComposed != 0) return;
  platform::Surface& a = buffers_[0];
  platform::Surface& b = buffers_[1];
  // 1. The background picture over the whole client area of buffer B.
  ClientArea = Window().ClientRect();
  if (const platform::Surface* background = Bitmap(kStartBackgroundBitmap)) {
    platform::StretchBlit(b, {0, 0, ClientArea.right, ClientArea.bottom}, *background, background->Bounds());
  }
  // 3. Buffer A starts as the background.
  Copy(a, b, ClientArea);
  // 4. The information panel's regions, from the "Measurements" button's place.
  PanelAnimation& panel = *Panels[1];
  if (const platform::Control* button = FindControl(kMeasurementsButton)) {
    const platform::WindowRect r = button->Rect();
    StartButtonArea = {ClientArea.left, r.top, r.right, ClientArea.bottom};
    const float sx = Metrics.ScaleX, sy = Metrics.ScaleY;
    auto x = [sx](float v) { return static_cast<int>(v * sx); };
    auto y = [sy](float v) { return static_cast<int>(v * sy); };
    const int bottom_margin = Metrics.WideScreen ? (Metrics.AspectRatio >= 1.5f ? 70 : 100) : 110;
    panel.Area.left = r.right - r.Width() / 2;
    panel.Area.top = r.top + r.Height() / 2;
    panel.Area.right = panel.Area.left + x(900);
    panel.Area.bottom = ClientArea.bottom - y(static_cast<float>(bottom_margin));
    panel.ContentArea = {r.right + x(40), panel.Area.top + y(15), panel.Area.right - x(10), panel.Area.bottom - y(15)};
    panel.InnerArea = {r.right, panel.Area.top + y(15), panel.Area.right - x(15), panel.Area.bottom - y(15)};
    panel.SlideArea = {panel.Area.left - x(30), panel.Area.top - y(30), panel.Area.right + x(30),
                       panel.Area.bottom + y(30)};
    // The frame's outline: bevelled at the two right-hand corners.
    const double x0 = r.right + x(40), y0 = panel.Area.top + y(30);
    const double cl = panel.ContentArea.left, cr = panel.ContentArea.right, cb = panel.ContentArea.bottom;
    const double dx = x(20), dy = y(20);
    panel.Outline = {x0, y0, cr - dx, y0, cr, y0 + dy, cr, panel.Area.bottom - static_cast<double>(y(60)),
                     cr - dx, cb, cl, cb, cl, y0 + dy, x0, y0 + dy};
  }
  // 5-6. The program's name in the bottom-left strip, shadowed, kept in the background; panel 3
  // takes that strip.
  DrawStartName();
  // 7. The reveal of the information panel follows.
  StartBackgroundComposed = 1;
  ++StartBackgroundCount;
  StartPanelTimer(0, 1, 1000, kTimerPanelSlide, 1);
  // 8.
  const double nodes_x[] = {0.0, 0.5, 1.0};
  const double nodes_y[] = {0.0, 0.5, 1.0};
  renderer0_.profile_a.Build(nodes_x, nodes_y, 3);
}

void MainWindow::DrawStartName() {
  const std::int32_t height = Metrics.ScreenHeight;
  const double ui = Metrics.UiScale;
  const double size = LerpFloat(1000, 600, 1.2f, 1.3f, height) * ui;
  const double run = LerpInt(1000, 600, 18, 18, height) * ui;
  const std::int32_t band = static_cast<std::int32_t>(40.0 * size) + 20;
  const platform::WindowRect strip{ClientArea.left, ClientArea.bottom - band, ClientArea.left + static_cast<std::int32_t>(run * 20.0),
                                   ClientArea.bottom};
  const std::string name = platform::Utf8ToCp1251(LoadString(kStringNameFirst, UiLanguage));
  const std::string text = std::string(kMakerAddress).empty() ? name : std::string(kMakerAddress);
  const double x = strip.left + run, y = strip.top + 10.0;
  // The name keeps the intro's bold face, also when the background is composed again after the
  // measurement screen, which leaves its own smaller face on the renderer.
  auto& style = renderer0_.style;
  const auto saved = std::tuple(style.font_weight, style.font_width, style.font_height);
  std::tie(style.font_weight, style.font_width, style.font_height) = std::tuple(700, ui * 16.2, ui * 30.6);
  renderer0_.ResetFont();
  renderer0_.DrawTextInBox(text.c_str(), x + 1, y + 1, strip.Width(), band, size, rgba8(0, 0, 0, 255), nullptr, 0);
  renderer0_.DrawTextInBox(text.c_str(), x, y, strip.Width(), band, size, rgba8(255, 255, 255, 255), nullptr, 0);
  std::tie(style.font_weight, style.font_width, style.font_height) = saved;
  renderer0_.ResetFont();
  Copy(buffers_[1], buffers_[0], strip);
  PanelAnimation& maker = *Panels[2];
  maker.Area = strip;
  maker.Frame = maker.TargetFrame = 0;
}

void MainWindow::PaintMainScreen(const platform::PaintContext& context) {
  platform::Surface& a = buffers_[0];
  platform::Surface& b = buffers_[1];
  // 1.
  ClientArea = Window().ClientRect();
  ComposeStartBackground();
  // 2.
  // The full copy to the window stays due; a partial paint of the panel, which only a preparation
  // step asks for between two full ones, still copies the whole client area.
  if (ForceFullPaint != 0) {
    PaintArea = ClientArea;
    BlitToWindow = 1;
  }
  if (FullPaintPending != 0) InfoPanelOnly = 0;
  // A request for the whole panel made after a partial one wins.
  if (StartScreenDirty != 0) InfoPanelOnly = 0;
  // 3.
  if (TitleOnlyPaint != 0) {
    TitleOnlyPaint = 0;
  } else {
    PanelAnimation& panel = *Panels[1];
    if (StartScreenDirty != 0) {
      Copy(a, b, InfoPanelOnly != 0 ? panel.Area : PaintArea);
      StartScreenDirty = 0;
    }
    // The slid-in frame's area is taken into the background and kept there; the information panel
    // draws no overlay of its own over it.
    if (panel.SlideDone != 0) {
      Copy(a, b, panel.SlideArea);
      Copy(b, a, panel.SlideArea);
      InfoPanelRevealed = 0;
    }
    if (panel.ContentPending != 0) {
      Copy(b, a, panel.ContentArea);
      if (InfoPanelRevealed != 0) {
        Copy(b, a, panel.ContentArea);
        InfoPanelRevealed = 0;
      }
    }
    if (panel.ContentShown != 0) {
      if (Hooks.PaintInfoPanel) Hooks.PaintInfoPanel(*this);
      if (InfoPanelOnly == 0) PaintTickBoxes();
      if (StartButtonsDirty != 0) {
        StartButtonsDirty = 0;
        PaintStartButtons();
      }
    }
  }
  // 4.
  if (InfoPanelOnly == 0 && Hooks.PaintStartTitle) Hooks.PaintStartTitle(*this);
  // 5. Only what this paint covers goes to the window.
  if (BlitToWindow != 0) Copy(context.target, a, PaintArea.Intersect(context.clip));
  // 6. The next paint is a full one unless it is asked for as a partial one again.
  FullPaintPending = 0;
  InfoPanelOnly = 0;
  if (Bytes.SensorPageOpening.load() == 0) Bytes.SensorPagePending = 0;
}

void MainWindow::ShowStartScreenButtons() {
  if (Panels[1]->ContentShown != 0) {
    for (std::int32_t id : {75172, 75171, 75185}) ShowControl(id, true);
  }
  for (std::int32_t id : kStartHidden) ShowControl(id, false);
  for (std::int32_t id : kStartShown) ShowControl(id, true);
  SetHintStyleB();
}

void MainWindow::MainButtonsShow() {
  if (PanelMode != 0) PanelMode = 0;
  ShowStartScreenButtons();
  StartScreenDirty = 1;
  ForceFullPaint = 1;
  FullPaintPending = 0;
  InfoPanelOnly = 0;
  TitleOnlyPaint = 0;
  InvalidateLocal(ClientArea.IsEmpty() ? Window().ClientRect() : ClientArea);
}

void MainWindow::OnKeyDown(unsigned virtual_key, unsigned, unsigned flags) {
  namespace key = platform::key;
  // F5 switches the test tone on either screen.
  if (virtual_key == key::kF5) {
    if (View && Tone) Tone->ToggleTestTone(0);
    return;
  }
  // A held key acts once: it neither toggles a recording twice nor leaves the measurement screen
  // and then closes the program.
  const bool repeated = (flags & key::kFlagRepeat) != 0;
  const bool start_pages = Bytes.InfoScreenActive.load() != 0;
  if (virtual_key == key::kEscape) {
    if (repeated) return;
    // An open drop-down list is closed by Escape, and only it.
    if (!start_pages && Bytes.MeasureScreenActive.load() != 0 && CloseDropDowns()) return;
    if (start_pages || !SelectActiveView()) {
      if (!SettleUnsavedRecord()) return;
      StopAcquisition();
      Window().PostClose();
    } else if (SettleUnsavedRecord()) {
      // The record is left behind: the next entry starts afresh.
      UnsavedRecord = 0;
      LeaveMeasureScreen();
    }
    return;
  }
  // On a preparation page the other keys go to its value input first.
  if (start_pages && Hooks.InfoPanelKey && Hooks.InfoPanelKey(*this, virtual_key)) return;
  if (virtual_key == key::kSpace) {
    if (repeated || Bytes.MeasureScreenActive.load() == 0 || !SelectActiveView()) return;
    AImageButton* start = FindImageButton(Window(), 75004);
    if (start != nullptr) {
      // "Stop" on show is what the key presses, also when the recording has just ended by itself.
      if (CurrentView->Recording.load() != 0 || start->State.load() == ControlFrame::kStateDown) {
        start->State = ControlFrame::kStateUp;
        start->ResetButtonState();
        if (AImageButton* pause = FindImageButton(Window(), 74999); pause != nullptr && pause->State.load() == ControlFrame::kStateDown) {
          pause->Release();
          CurrentView->DisplayHold = 0;
        }
      } else {
        start->State = ControlFrame::kStateDown;
        start->SetAnimation(ControlFrame::kStateDown);
      }
    }
    OnMeasureCommand(0, 0, 75004);
    return;
  }
  if (virtual_key == key::kEnter && !start_pages) {
    if (repeated || !View || View->Recording.load() == 0 || !SelectActiveView()) return;
    if (AImageButton* pause = FindImageButton(Window(), 74999)) {
      if (pause->State.load() == ControlFrame::kStateUp) {
        pause->State = ControlFrame::kStateDown;
        pause->SetAnimation(ControlFrame::kStateDown);
      } else {
        pause->State = ControlFrame::kStateUp;
        pause->ResetButtonState();
      }
    }
    OnMeasureCommand(0, 0, 74999);
  }
}

void MainWindow::OnActivate(bool) {
  if (Closing[1].load() != 0) return;
  Reactivated = 1;
  if (View && View->Ready != 0 && Bytes.MeasureScreenActive.load() != 0) {
    // The side panels' captions come again with the measurement screen.
    SidePanelRequest = 2;
    // Sliders shown are drawn again; so is the graph, whole, and a marker dragged when the window
    // lost the mouse is put down where it stands.
    for (std::int32_t id : {75001, 75003, 75008}) {
      if (platform::Control* slider = FindControl(id); slider != nullptr && (id != 75008 || PanelMode != 0)) slider->Invalidate();
    }
    std::lock_guard lock(View->ViewLock);
    if (View->Recording.load() == 0) View->Sweep.FullRedraw = 1;
    for (MarkerRecord& marker : View->Markers) marker.Dragging = 0;
    View->MarkerDragActive = 0;
    View->MarkerCaptionsSaved = 0;
  } else {
    StartScreenDirty = 1;
  }
  // Leaving the window, or coming back to it, takes a value being typed as it stands.
  if (Bytes.InfoScreenActive.load() != 0 && Panels[1] && Panels[1]->ContentShown != 0 && Hooks.FinishValueInputs) {
    Hooks.FinishValueInputs(*this);
  }
  LocalPaint = {1, 1};
  FullRepaint = 1;
  Window().Invalidate(ClientRect.IsEmpty() ? Window().ClientRect() : ClientRect);
}
