// The channel settings panel's command on the main window: help hints, the rate control, redraws and closing.
#include "app/filter_panel_window.h"

#include <algorithm>
#include <mutex>
#include <string>

#include "app/hint_window.h"
#include "app/main_window.h"
#include "controls/aimage_button.h"
#include "controls/stick_button.h"
#include "controls/stick_button_mod.h"

namespace {

constexpr std::uint32_t kFilterHintLifetimeMs = 5000;

StickButtonMod* OptionsPanel(MainWindow& window) {
  return dynamic_cast<StickButtonMod*>(FindMainControl(window.Window(), kSettingsPanelId));
}

// The help text's '#'-separated pieces as the hint window's one line, runs of spaces made one.
std::string HintLineFromPieces(std::string_view text) {
  std::string line;
  for (char c : text) {
    if (c == '#') c = ' ';
    if (c == ' ' && (line.empty() || line.back() == ' ')) continue;
    line.push_back(c);
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

}  // namespace

void LoadChannelOptions(StickButtonMod& panel, const VessamorChannel& channel, std::uint8_t index, bool centred_smoothing) {
  panel.ChannelNumber = index;
  panel.HelpShown = StickButtonMod::kNoHelp;
  panel.MedianOn = channel.MedianOn;
  panel.AveragingOn = channel.SmoothingOn;
  panel.MainsOn = channel.NotchOn;
  panel.SmoothingOn = channel.CurveSmoothOn;
  // Only a flow channel offers the volume: the panel is taller for that row.
  panel.Enables[StickButtonMod::kVolumeOption] = channel.SensorCode == 49 ? 1 : 0;
  panel.VolumeOn = channel.VolumeOn;
  panel.CurveChoice = channel.RmsMode != 0 ? 0 : 1;
  panel.DrawingChoice = channel.CurveMode == 2 ? 1 : 0;
  panel.SetRangeA(5, 100, channel.MedianWindow);
  panel.SetRangeB(centred_smoothing ? 2 : 5, 100, channel.SmoothingWindow);
  panel.SetRangeC(5, 100, 5);
  panel.SetRangeD(5, 100, 5);
}

void MainWindow::FilterPanelCommand(GraphView& view) {
  StickButtonMod* panel = OptionsPanel(*this);
  if (panel == nullptr) return;
  MainWindowFilterPanel window(*this, view);
  RunFilterPanelCommand(view, window, *panel);
}

float MainWindowFilterPanel::UiScale() const { return window_.Metrics.UiScale; }

bool MainWindowFilterPanel::EnglishUi() const { return window_.EnglishUi(); }

// The measurement screen's hint window shows the help as one line above the panel, in the
// screen's own hint style, so that the control hints after it look as before.
void MainWindowFilterPanel::ShowHint(std::string_view text, float textScale, std::uint8_t /*style*/) {
  auto* hint = FindImageButton(window_.Window(), kHintWindowId);
  StickButtonMod* panel = OptionsPanel(window_);
  if (hint == nullptr || panel == nullptr) return;
  const std::string line = HintLineFromPieces(text);
  const platform::WindowRect client = window_.Window().ClientRect();
  const platform::WindowRect anchor = panel->Rect();
  const double u = window_.Metrics.UiScale;
  // As wide as a control hint of that many characters.
  const auto width = std::clamp(static_cast<std::int32_t>(CodePoints(line) * 9.0 * textScale * 1.05 * 1.05), 1,
                                std::max(1, client.Width() - 20));
  const auto height = static_cast<std::int32_t>(2 * 18 * u);
  const std::int32_t left = std::clamp(anchor.left, client.left + 10, std::max(client.left + 10, client.right - 10 - width));
  const std::int32_t top = std::max(client.top, anchor.top - height - static_cast<std::int32_t>(8 * u));
  hint->SetStateAndCaption(hint->State.load(), line, true);
  hint->Move(platform::WindowRect::FromSize(left, top, width, height));
  hint->BaseTextScale = textScale;
  window_.ShowHint(kFilterHintLifetimeMs);
}

void MainWindowFilterPanel::ShowRate(float kiloHertz) {
  if (auto* rate = dynamic_cast<StickButton*>(FindMainControl(window_.Window(), 75008))) rate->SetValue(kiloHertz);
}

void MainWindowFilterPanel::RedrawView(bool markers) {
  {
    std::lock_guard lock(view_.ViewLock);
    view_.FullRedraw = 1;
  }
  if (markers) {
    window_.CacheUpdateRequest = 1;
    window_.MarkerRedraw = 1;
    window_.InvalidateLocal();
  } else {
    window_.InvalidateLocal(view_.ViewRect);
  }
}

void MainWindowFilterPanel::RedrawChannelPanel(std::uint8_t channel) {
  if (channel >= window_.Controls.ChannelOptionButtons.size()) return;
  if (AImageButton* shown = FindImageButton(window_.Window(), 75038 + channel)) window_.InvalidateLocal(shown->Rect());
  if (AImageButton* slot = window_.Controls.ChannelOptionButtons[channel]) window_.InvalidateLocal(slot->Rect());
  if (StickButtonMod* panel = OptionsPanel(window_)) window_.InvalidateLocal(panel->Rect());
}

void MainWindowFilterPanel::CloseChannelPanel(std::uint8_t channel) {
  if (StickButtonMod* panel = OptionsPanel(window_); panel != nullptr && panel->IsVisible()) {
    const platform::WindowRect was = panel->Rect();
    panel->Hide();
    {
      std::lock_guard lock(view_.ViewLock);
      view_.FullRedraw = 1;
    }
    window_.InvalidateLocal(was);
  }
  if (channel >= window_.Controls.ChannelOptionButtons.size()) return;
  AImageButton* slot = window_.Controls.ChannelOptionButtons[channel];
  if (slot != nullptr && slot->State.load() == ControlFrame::kStateDown) {
    slot->State = ControlFrame::kStateUp;
    slot->ResetButtonState();
  }
}
