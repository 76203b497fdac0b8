// The measurement screen's hover groups: the top group of menu buttons and the side group of channel and view buttons.
#include "layout/hover_panels.h"

#include <string>

#include "app/main_window.h"
#include "controls/stick_button_mod.h"
#include "layout/main_controls.h"

namespace {

constexpr std::int32_t kTopGroup[] = {75010, 75011, 75012, 75050, 75054, 75016};
constexpr std::int32_t kViewButtons[] = {75045, 75046, 75037, 75013, 75014, 75053, 75052};
// The toolbar's buttons that stay down while their menu or panel is open.
// The hint window and the channel buttons with "GPS" and the channel-slot buttons.
constexpr std::int32_t kChannelGroup[] = {75175, 75038, 75039, 75040, 75041, 75042, 75181, 75182, 75183, 75184};
constexpr std::int32_t kToggleButtons[] = {75010, 75011, 75012, 75049, 75050, 75051, 75186, 75037, 75006};

void ShowButtons(MainWindow& window, std::initializer_list<std::int32_t> ids) {
  for (std::int32_t id : ids) {
    if (AImageButton* b = FindImageButton(window.Window(), id)) b->Show();
  }
}

template <std::size_t N>
void SetShown(MainWindow& window, const std::int32_t (&ids)[N], bool show) {
  for (std::int32_t id : ids) {
    if (AImageButton* b = FindImageButton(window.Window(), id)) show ? b->Show() : b->Hide();
  }
}

void InvalidateTopBand(MainWindow& window) {
  const GraphView& v = *window.View;
  window.InvalidateLocal(PixelRect{v.ViewRect.Left, v.ViewRect.Top, v.ViewRect.Right,
                                   v.ViewRect.Top + v.TopBandHeight + window.Metrics.ToolbarButtonHeight + 1});
}

// Every toggle button of the toolbar goes up again and the open toolbar panel ends.
void ReleaseToggleButtons(MainWindow& window) {
  for (std::int32_t id : kToggleButtons) {
    if (AImageButton* b = FindImageButton(window.Window(), id)) b->Release();
  }
  window.PanelMode = 0;
}

void ShowChannelButtons(MainWindow& window) {
  MainControls& c = window.Controls;
  for (std::size_t k = 0; k < c.ChannelOptionButtons.size(); ++k) {
    AImageButton* button = c.ChannelButtons[k];
    if (button == nullptr) continue;
    const VessamorChannel& channel = window.View->Channel(k);
    const bool recorded = channel.Enabled != 0;
    const Rgba colour = channel.Colour;
    button->SetBaseColour(static_cast<std::uint32_t>(colour.R | colour.G << 8 | colour.B << 16));
    button->SetStateAndCaption(recorded ? 2 : 1, std::to_string(k + 1), false);
    if (recorded) button->SelectShadedColours();
    button->Show();
    if (c.ChannelOptionButtons[k] != nullptr) c.ChannelOptionButtons[k]->Show();
  }
}

void HideListsAndPanel(MainWindow& window) {
  if (auto* panel = dynamic_cast<StickButtonMod*>(FindMainControl(window.Window(), 74998))) panel->Hide();
  for (std::int32_t id : {75009, 50060}) {
    if (ControlFrame* list = FindMainControl(window.Window(), id)) list->Hide();
  }
}

bool OpenSide(MainWindow& window, std::uint8_t form) {
  MainControls& c = window.Controls;
  if (c.SidePanelOpen != 0 || !window.View) return false;
  c.SidePanelOpen = 1;
  c.SidePanelState = form;
  window.InvalidateLocal(window.View->SideArea);
  ShowChannelButtons(window);
  return true;
}

}  // namespace

void ShowTopHoverPanel(MainWindow& window) {
  MainControls& c = window.Controls;
  if (c.TopPanelOpen != 0 || !window.View) return;
  c.TopPanelOpen = 1;
  window.View->TopPanelShown = 1;
  SetShown(window, kTopGroup, true);
  InvalidateTopBand(window);
}

void HideTopHoverPanel(MainWindow& window) {
  MainControls& c = window.Controls;
  if (c.TopPanelOpen != 0 && window.View) {
    SetShown(window, kTopGroup, false);
    window.View->TopPanelShown = 0;
    window.View->RedrawRequested = 1;
    InvalidateTopBand(window);
  }
  c.TopPanelOpen = 0;
}

void ShowSideHoverPanelA(MainWindow& window) {
  if (OpenSide(window, 1)) SetShown(window, kViewButtons, true);
  ReleaseToggleButtons(window);
}

void ShowSideHoverPanelB(MainWindow& window) {
  if (OpenSide(window, 2)) ShowButtons(window, {75037});
  ReleaseToggleButtons(window);
}

void HideSideHoverPanel(MainWindow& window) {
  MainControls& c = window.Controls;
  if (c.SidePanelOpen != 0 && window.View) {
    SetShown(window, kChannelGroup, false);
    SetShown(window, kViewButtons, false);
    for (std::int32_t id : {75008, 75003, 75001}) {
      if (ControlFrame* slider = FindMainControl(window.Window(), id)) slider->Hide();
    }
    HideListsAndPanel(window);
    window.View->RedrawRequested = 1;
    window.InvalidateLocal(window.View->SideArea);
  }
  c.SidePanelOpen = 0;
}

void CloseSideHoverPanel(MainWindow& window) {
  MainControls& c = window.Controls;
  window.PanelMode = 0;
  c.SidePanelState = 0;
  if (c.SidePanelOpen != 0 && window.View) {
    SetShown(window, kChannelGroup, false);
    HideListsAndPanel(window);
    window.InvalidateLocal(window.View->SideArea);
  }
  c.SidePanelOpen = 0;
}
