// The start screen's information panel, pictured computer and title band, hooked into the main window.
#pragma once

#include <functional>
#include <memory>

#include "info/info_panel.h"
#include "layout/start_screen_title.h"
#include "render/agg_ren.h"

class MainWindow;
struct PanelAnimation;

struct StartScreenParts {
  explicit StartScreenParts(MainWindow& window) : Window(window) {}

  // The panel's pictures, the frame around it and the live mini-graph, into buffer 0.
  void RebuildInfoPanel();
  void DrawInfoPanelFrame();
  void PlotMiniGraph();
  // The title band's frame: the band restored from the background, panel, shapes and caption.
  void PaintTitle();
  // One tick of timer 8.
  void OnTitleAnimationTimer();
  // The pointer entered (receding 0) or left (1) the band.
  void StartTitleTimer(std::uint8_t receding);

  MainWindow& Window;
  std::unique_ptr<InfoPanel> Panel;
  // Sets the view's header and channels up for its SetupRequest; empty: the channels alone.
  std::function<void(GraphView&)> SetupGraphHeader;
  StartScreenTitle Title;
  std::uint8_t TitleReady = 0;
  // The start background the product title was drawn into; a new one (after the measurement screen) needs it again.
  std::uint32_t TitleBackground = 0;
  // The background composition whose saved copy holds the frame's left-hand part.
  std::uint32_t FrameKept = 0;
  // The pictured computer's screen with its grid, as the last full paint of a preparation page drew
  // it before any curve: a partial paint puts it back under the curves.
  platform::WindowRect ScreenUnderCurves;
  platform::Surface SavedScreen;

 private:
  // The renderers of buffer 0 and of the background buffer, attached on first use.
  agg_ren& RendererFor(int buffer);
  InfoPanelOwner OwnerFromWindow();
  agg_ren renderer_;
  agg_ren background_renderer_;
  const std::uint8_t* attached_ = nullptr;
  const std::uint8_t* background_attached_ = nullptr;
};

// Builds the parts and hooks them into the window before it is created; the hooks keep them alive.
std::shared_ptr<StartScreenParts> InstallStartScreenParts(MainWindow& window);
// The panel's clicks, moves and the sensor buttons' hovers (app/start_screen_mouse.cpp).
void InstallStartScreenMouse(MainWindow& window, const std::shared_ptr<StartScreenParts>& parts);
// The information page of sensor button `slot` (0..3), with `notice` in place of the lead to its button.
void ShowSensorInformation(MainWindow& window, InfoPanel& panel, std::int32_t slot, std::string_view notice);
// The panel is built again at the next start-screen paint.
void RedrawInfoPanel(MainWindow& window);

// The frame's fade over the panel's last frames: 0 until count - 4, then a third per frame.
float InfoFrameFade(std::int32_t frame, std::int32_t count);
