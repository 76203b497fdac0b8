// The start screen's panel, pictured computer and title: their per-paint steps and the window hooks that run them.
#include "app/start_screen_parts.h"

#include <algorithm>
#include <mutex>

#include "app/main_window.h"
#include "layout/main_controls.h"
#include "platform/gdi.h"
#include "resources/picture_elements.h"

namespace {

// The "Measurements" button, whose place the panel frame follows.
constexpr std::int32_t kMeasurementsButton = 75172;

}  // namespace

void RedrawInfoPanel(MainWindow& window) {
  window.InfoPanelOnly = 0;
  window.StartScreenDirty = 1;
  if (window.Panels[1]) window.InvalidateLocal(window.Panels[1]->Area);
}

float InfoFrameFade(std::int32_t frame, std::int32_t count) {
  if (frame < count - 4) return 0.0f;
  return static_cast<float>(frame - count + 4) / 3.0f;
}

agg_ren& StartScreenParts::RendererFor(int buffer) {
  platform::Surface& surface = Window.BackBuffer(buffer);
  agg_ren& renderer = buffer == 0 ? renderer_ : background_renderer_;
  const std::uint8_t*& attached = buffer == 0 ? attached_ : background_attached_;
  if (attached != surface.Pixels()) {
    renderer.Attach(surface);
    attached = surface.Pixels();
  }
  return renderer;
}

InfoPanelOwner StartScreenParts::OwnerFromWindow() {
  MainWindow& w = Window;
  InfoPanelOwner owner;
  owner.Buffer = &w.BackBuffer(0);
  owner.Renderer = &RendererFor(0);
  owner.ScaleX = w.Metrics.ScaleX;
  owner.ScaleY = w.Metrics.ScaleY;
  owner.UiScale = w.Metrics.UiScale;
  owner.Content = w.Panels[1] ? w.Panels[1]->ContentArea : platform::WindowRect{};
  owner.Picture = [&w](int element) { return w.Bitmap(PictureElementResource(element)); };
  owner.UnitFound = w.Devices && w.Devices->PreviousMask.load() != 0;
  owner.View = w.View.get();
  owner.Bytes = &w.Bytes;
  owner.SetupGraphHeader = SetupGraphHeader;
  owner.ScreenHeight = w.Metrics.ScreenHeight;
  owner.AspectRatio = w.Metrics.AspectRatio;
  owner.WideScreen = w.Metrics.WideScreen;
  owner.PanelHeight = w.Panels[1] ? w.Panels[1]->Area.Height() : 0;
  owner.Devices = w.Devices.get();
  owner.StepUnitReady = Panel && Panel->Slot != nullptr && Panel->Slot->Prepared != 0;
  return owner;
}

void StartScreenParts::RebuildInfoPanel() {
  // Without its place (the "Measurements" button places it) the panel has nowhere to go.
  if (!Panel || Window.BackBuffersReady == 0 || !Window.Panels[1] || Window.Panels[1]->ContentArea.IsEmpty()) return;
  // A partial paint of a preparation page with value boxes redraws the boxes alone, and the
  // pictured screen under the small graph's curves as the last full paint left it.
  if (Window.InfoPanelOnly != 0 && Panel->ScreenNumber() == InfoPanel::kPreparation && Panel->ButtonSet != 0) {
    Panel->Owner = OwnerFromWindow();
    if (!ScreenUnderCurves.IsEmpty() && !SavedScreen.Empty()) {
      platform::Blit(Window.BackBuffer(0), ScreenUnderCurves.left, ScreenUnderCurves.top, ScreenUnderCurves.Width(),
                     ScreenUnderCurves.Height(), SavedScreen, 0, 0);
    }
    Panel->RenderValueBoxes();
    return;
  }
  Panel->Owner = OwnerFromWindow();
  Panel->PrepareScreenPaint();
  Panel->RebuildScreen();
  // The pictured screen is kept before any curve is plotted on it.
  ScreenUnderCurves = {};
  if (Panel->ScreenNumber() == InfoPanel::kPreparation && Panel->PictureAddMode == 2 && Panel->Grid.Built()) {
    const auto& q = Panel->Grid.Quad;
    const platform::Surface& buffer = Window.BackBuffer(0);
    const int left = std::max(0, static_cast<int>(std::min({q[0], q[2], q[4], q[6]})) - 2);
    const int top = std::max(0, static_cast<int>(std::min({q[1], q[3], q[5], q[7]})) - 2);
    const int right = std::min(buffer.Width(), static_cast<int>(std::max({q[0], q[2], q[4], q[6]})) + 3);
    const int bottom = std::min(buffer.Height(), static_cast<int>(std::max({q[1], q[3], q[5], q[7]})) + 3);
    if (right > left && bottom > top) {
      ScreenUnderCurves = {left, top, right, bottom};
      if (SavedScreen.Width() != ScreenUnderCurves.Width() || SavedScreen.Height() != ScreenUnderCurves.Height()) {
        SavedScreen = platform::Surface(ScreenUnderCurves.Width(), ScreenUnderCurves.Height());
      }
      platform::Blit(SavedScreen, 0, 0, ScreenUnderCurves.Width(), ScreenUnderCurves.Height(), buffer, left, top);
    }
  }
}

void StartScreenParts::DrawInfoPanelFrame() {
  if (!Window.Panels[1] || Window.BackBuffersReady == 0 || Window.Panels[1]->Area.IsEmpty()) return;
  const PanelAnimation& panel = *Window.Panels[1];
  agg_ren& r = RendererFor(0);
  const float ui = Window.Metrics.UiScale;
  const float fade = InfoFrameFade(panel.Frame, panel.TargetFrame);
  // The frame is an outline around the contents: its fill stays out of the content area.
  const platform::WindowRect& a = panel.Area;
  const auto frame = [&](agg_ren& on) {
    on.style.corner_radius = 15.0 * ui;
    on.style.gradient1 = rgba8(0x8E, 0xAE, 0xD5, 255);
    on.style.gradient2 = rgba8(0x73, 0x92, 0xC9, 125);
    on.style.highlight = rgba8(0x3F, 0x3C, 0x73, 255);
    PanelRect outer{static_cast<double>(a.left), static_cast<double>(a.Width()), static_cast<double>(a.top),
                    static_cast<double>(a.Height())};
    on.DrawRoundedPanel(outer, PanelStyle{0, 0, 0, 0, 100}, 1.0f, 3.0f, rgba8(0xDB, 0xE2, 0xFF, 255), fade);
  };
  frame(r);
  // The frame's left edge runs down the column of start buttons, which copy the saved background
  // behind them: once the frame stands, its part left of the contents is kept in that background
  // too, so the edge runs unbroken between the buttons.
  if (panel.ContentShown != 0 && FrameKept != Window.StartBackgroundCount) {
    agg_ren& kept = RendererFor(1);
    kept.style.clip = true;
    kept.style.clip_rect = {0.0, 0.0, static_cast<double>(panel.ContentArea.left - 1),
                            static_cast<double>(Window.BackBuffer(1).Height())};
    frame(kept);
    kept.style.clip = false;
    FrameKept = Window.StartBackgroundCount;
    for (std::int32_t id : {75163, 75164, 75165, 75166, 75171, 75172, 75185}) {
      if (auto* control = dynamic_cast<ControlFrame*>(FindMainControl(Window.Window(), id)); control != nullptr && control->IsVisible()) {
        control->CaptureBackground();
        control->Invalidate();
      }
    }
  }
  const platform::Control* button = nullptr;
  for (const platform::Control* control : Window.Window().Controls()) {
    if (control->Id() == kMeasurementsButton) button = control;
  }
  if (button != nullptr) {
    const platform::WindowRect b = button->Rect();
    const double right = b.right - 35.0 * Window.Metrics.ScaleX;
    PanelRect around{b.left - 1.5, right - b.left + 3.0, b.top - 1.5, b.Height() + 3.0};
    r.style.gradient1 = rgba8(0x58, 0x8E, 0xCA, 105);
    r.style.gradient2 = rgba8(0x60, 0x7D, 0xBF, 145);
    r.style.highlight = rgba8(0x58, 0x8E, 0xCA, 105);
    r.DrawRoundedPanel(around, PanelStyle{0, 0, 0, 0, 100}, 1.0f, 2.0f, rgba8(0xD0, 0xDA, 0xFE, 255), fade);
    r.DrawLineRgba({right, b.top + 2.0, right, b.bottom - 2.0}, rgba8(0xA3, 0xD2, 0xFE, 55), 5.0f);
    r.RenderScanlines();
    r.Rasterizer().reset();
  }
  r.style.corner_radius = 15.0;
  r.style.panel_line_width = 5.0f;
}

void StartScreenParts::PlotMiniGraph() {
  GraphView* view = Window.View.get();
  if (!Panel || view == nullptr || view->MiniGraph.SmallGraph == 0 || !Panel->Grid.Built()) return;
  // Only a running measurement is plotted, and only on the page of the pictured computer whose grid
  // it was set up on: a released sensor's curve would lie across any other page's picture.
  if (view->Recording.load() == 0 || Panel->ScreenNumber() != InfoPanel::kPreparation) return;
  std::uint32_t columns = 0;
  {
    std::lock_guard<std::mutex> lock(view->ViewLock);
    columns = view->Sweep.ColumnPosition;
  }
  // The panel was rebuilt under the curve, so the whole sweep is plotted again.
  if (columns == 0) return;
  const auto last = static_cast<std::uint16_t>(std::min<std::uint32_t>(columns, view->PlotWidth));
  view->PlotDeviceChannelCurves(RendererFor(0), Panel->Grid, 1, last);
  view->MiniGraph.PlottedFirst = 1;
  view->MiniGraph.PlottedLast = last;
  view->MiniGraph.Refresh = 0;
}

void StartScreenParts::PaintTitle() {
  if (Window.BackBuffersReady == 0) return;
  const float ui = Window.Metrics.UiScale;
  if (TitleReady == 0) {
    Title.Setup(ui);
    TitleReady = 1;
  }
  if (TitleBackground != Window.StartBackgroundCount) {
    DrawProductTitle(RendererFor(1), Title, ui, Window.Metrics.ScaleY);
    TitleBackground = Window.StartBackgroundCount;
  }
  const platform::WindowRect& band = Title.TitleArea;
  platform::Blit(Window.BackBuffer(0), band.left, band.top, band.Width(), band.Height(), Window.BackBuffer(1), band.left,
                 band.top);
  agg_ren& r = RendererFor(0);
  Title.DrawMakerCaption(r, Window.EnglishUi(), ui);
  DrawTranslucentPanel(r, Title, Window.Metrics.ScaleY);
  Title.PanelPending = 0;
}

void StartScreenParts::OnTitleAnimationTimer() {
  if (Title.Step()) {
    Window.Window().KillTimer(kTimerTitle);
    if (Window.CurrentTimerId == kTimerTitle) Window.CurrentTimerId = 0;
    Window.TitleOnlyPaint = 0;
    return;
  }
  Window.TitleOnlyPaint = 1;
  Window.InvalidateLocal(Title.TitleArea);
}

void StartScreenParts::StartTitleTimer(std::uint8_t receding) {
  Title.Start(receding);
  if (Window.CurrentTimerId == kTimerTitle) Window.Window().KillTimer(kTimerTitle);
  Window.Window().SetTimer(kTimerTitle, kAnimationPeriodMs);
  Window.CurrentTimerId = kTimerTitle;
}

std::shared_ptr<StartScreenParts> InstallStartScreenParts(MainWindow& window) {
  auto parts = std::make_shared<StartScreenParts>(window);
  // The small graph gets its kind's header and the channels its request names.
  parts->SetupGraphHeader = [](GraphView& view) { view.SetupGraphHeader(false, &view.SetupRequest, true); };
  MainWindow::Parts& hooks = window.Hooks;
  hooks.CreateInfoPanel = [parts](MainWindow& w) {
    parts->Panel = std::make_unique<InfoPanel>(InfoPanel::kStartPage, InfoPanelOwner{});
    parts->Panel->BaseFontSize = 1.1 * w.Metrics.UiScale;
  };
  hooks.PaintInfoPanel = [parts](MainWindow& w) {
    parts->RebuildInfoPanel();
    if (parts->Panel) w.Mouse.WebLinkRect = parts->Panel->WebLinkRect();
    // The frame stands from the last full paint.
    if (w.InfoPanelOnly == 0) parts->DrawInfoPanelFrame();
    parts->PlotMiniGraph();
  };
  hooks.PaintStartTitle = [parts](MainWindow&) { parts->PaintTitle(); };
  hooks.TitleStep = [parts](MainWindow&) { parts->OnTitleAnimationTimer(); };
  window.MouseParts.Title = [parts] { return &parts->Title; };
  window.MouseParts.StartTitleTimer = [parts](std::uint8_t receding) { parts->StartTitleTimer(receding); };
  InstallStartScreenMouse(window, parts);
  hooks.ShowInfoStartPage = [parts](MainWindow& w) {
    if (parts->Panel) parts->Panel->SetScreen(InfoPanel::kStartPage);
    const platform::Surface* computer = w.Bitmap(PictureElementResource(kComputerElement));
    return computer != nullptr ? platform::Size{computer->Width(), computer->Height()} : platform::Size{};
  };
  hooks.SetInfoPictureIndent = [parts](MainWindow&, std::int32_t indent) {
    if (parts->Panel) parts->Panel->ContentIndent = indent;
  };
  hooks.InfoScreen = [parts](MainWindow&) { return parts->Panel ? static_cast<int>(parts->Panel->ScreenNumber()) : -1; };
  hooks.SetInfoScreen = [parts](MainWindow& w, std::uint8_t screen, std::int32_t slot, FTRecordDevice* unit) {
    if (!parts->Panel) return;
    InfoPanel& panel = *parts->Panel;
    panel.SetScreen(screen);
    if (unit == nullptr) return;
    const auto n = static_cast<std::size_t>(slot);
    panel.SensorCode = w.SensorButtons[n].SensorCode;
    panel.DeviceIndex = static_cast<std::uint8_t>(slot);
    panel.Slot = &w.DeviceSlots[n];
    panel.PcScreenState = 1;
  };
  return parts;
}
