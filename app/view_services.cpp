// What the window does for the graph view: the channel buttons, the first channel of each sensor,
// areas put back from the cached graph, the File menu's close, the zoom button and the scale sliders.
#include "app/main_window.h"
#include "controls/aimage_button.h"
#include "controls/menu_buttton.h"
#include "controls/stick_button.h"

namespace {
constexpr std::int32_t kScaleButton = 75052;
}  // namespace

void MainWindow::SetChannelButton(std::size_t channel, std::uint8_t state, std::uint8_t shown) {
  // A recording that a full record stops ends on the device worker: the buttons change on the window thread.
  if (!Window().IsWindowThread()) {
    PostToWindow([this, channel, state, shown] { SetChannelButton(channel, state, shown); });
    return;
  }
  if (channel >= IndicatorPanes.size()) return;
  IndicatorPanes[channel] = shown;
  AImageButton* button = Controls.ChannelButtons[channel];
  if (button == nullptr) return;
  const bool changed = button->State.load() != state;
  // A shown channel's button carries its colour; one the record lacks goes plain.
  if (shown != 0) {
    button->SelectShadedColours();
  } else {
    button->SelectNormalColours();
  }
  button->SetStateAndCaption(state, std::to_string(channel + 1), true);
  if (changed) button->SetAnimation(state == ControlFrame::kStateDown ? AImageButton::kPressed : AImageButton::kNormal);
}

void MainWindow::MarkFirstChannelPerSensor() {
  // A loaded record's channels are the record's, not the plugged units': its own marks stand.
  if (!SlotBinder || !View || View->LiveSetupKept != 0) return;
  SlotBinder->MarkFirstChannelPerSensor();
}

void MainWindow::RestoreArea(agg_ren& target, const PixelRect& rect) {
  if (!target.Attached() || BackBuffersReady == 0) return;
  platform::Surface& cached = BackBuffer(3);
  const platform::WindowRect area = platform::WindowRect{rect.Left, rect.Top, rect.Right, rect.Bottom}.Intersect(
      {0, 0, cached.Width(), cached.Height()});
  if (area.IsEmpty()) return;
  agg::rendering_buffer source(cached.Pixels(), static_cast<unsigned>(cached.Width()),
                               static_cast<unsigned>(cached.Height()), cached.Stride());
  const agg::rect_i from(area.left, area.top, area.right - 1, area.bottom - 1);
  target.Base()->copy_from(source, &from, 0, 0);
}

void MainWindow::CloseFileMenu() {
  for (std::int32_t id : {75009, 50060}) {
    if (auto* list = dynamic_cast<MenuButtton*>(FindControl(id))) list->HideAndClear();
  }
  if (AImageButton* file = FindImageButton(Window(), 75010)) {
    file->State = ControlFrame::kStateUp;
    file->ResetButtonState();
  }
}

void MainWindow::ReleaseZoomButton() {
  AImageButton* scale = FindImageButton(Window(), kScaleButton);
  ScalePanelPressed = 0;
  if (scale == nullptr || scale->State.load() != ControlFrame::kStateDown) return;
  // Up, as its own click would put it: the sliders go with it.
  scale->State = ControlFrame::kStateUp;
  scale->ResetButtonState();
  ShowScaleSliders(false);
}

void MainWindow::SetScaleSliders(float value_per_division, float seconds_per_division) {
  // A calibration step sets the header up on the device worker: the sliders change on the window thread.
  if (!Window().IsWindowThread()) {
    PostToWindow([this, value_per_division, seconds_per_division] { SetScaleSliders(value_per_division, seconds_per_division); });
    return;
  }
  const std::pair<std::int32_t, float> scales[] = {{75001, seconds_per_division}, {75003, value_per_division}};
  for (const auto& [id, value] : scales) {
    if (auto* slider = dynamic_cast<StickButton*>(FindControl(id))) slider->SetValue(value);
  }
}
