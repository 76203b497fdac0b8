// The information panel: the start and sensor pages drawn into the main window's buffer, with the pictured computer.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "graph/picture_grid.h"
#include "info/text_block.h"
#include "platform/surface.h"
#include "platform/window_geometry.h"

class agg_ren;
class GraphView;
struct DeviceSlot;
struct MainWindowBytes;

// What the panel reads of the main window; the window fills it before each build.
struct InfoPanelOwner {
  platform::Surface* Buffer = nullptr;  // the composition buffer
  agg_ren* Renderer = nullptr;          // attached to Buffer
  float ScaleX = 1.0f, ScaleY = 1.0f, UiScale = 1.0f;
  // The content area of the panel's animation.
  platform::WindowRect Content;
  // A picture element, or null when the program has none.
  std::function<const platform::Surface*(int element)> Picture;
  // The device layer exists and its previous search found a unit.
  bool UnitFound = false;
  GraphView* View = nullptr;
  MainWindowBytes* Bytes = nullptr;
  // Sets the view's header and channels up for its SetupRequest; empty: the channels alone.
  std::function<void(GraphView&)> SetupGraphHeader;
};

// Picture elements the panel uses.
inline constexpr int kComputerElement = 0;
inline constexpr int kMenuOverlayElement = 3;
inline constexpr int kStartPictureElement = 5;

// A picture fitted into the panel: even sizes, keeping its aspect; none for a picture without size.
std::optional<platform::Size> FitPanelPicture(int bitmap_width, int bitmap_height, int content_width, float scale_x,
                                              float scale_y);

class InfoPanel {
 public:
  enum Screen : std::uint8_t { kStartPage = 0, kSensorInformation = 1, kDetectedSensors = 2, kPreparation = 11 };

  InfoPanel(std::uint8_t initial_screen, InfoPanelOwner owner);

  void SetScreen(std::uint8_t screen) { CurrentScreen = screen; }
  std::uint8_t ScreenNumber() const { return CurrentScreen; }
  // The start-screen paint: pictures chosen, then the current screen built; false when the
  // screen number builds nothing.
  void PrepareScreenPaint();
  bool RebuildScreen();

  void LayoutTextBlocks();
  void PaintScreenPictures();
  void Compose();

  // The pictured computer's screen and its mini-graph axes (window thread).
  void DrawPcScreen(std::int32_t offset_y);
  void PaintPictureGrid();

  bool English() const;
  // The device type of the unit whose pages are shown, 0 for none.
  std::uint8_t UnitType() const;

  InfoPanelOwner Owner;
  // Where the page's slot binds its unit: the pages' unit and the small graph's channels.
  const DeviceSlot* Slot = nullptr;
  std::uint8_t DeviceIndex = 0;
  std::uint8_t CurrentScreen = 0;
  platform::WindowRect WorkRect;
  std::int32_t ContentIndent = 0;
  const platform::Surface* Picture1 = nullptr;
  const platform::Surface* Picture2 = nullptr;
  double PictureScale = 1.0;
  double BaseFontSize = 1.0;
  TextBlock Heading, Body, Extra;
  double HeadingTextFactor = 0.01;
  std::uint8_t MenuSelection = 0;
  std::array<platform::WindowRect, TextBlock::kMaxLines> MenuRowRects{};
  platform::WindowRect StepLineRect;
  std::uint8_t MenuStyle = 0;
  double MenuFactorA = 0.2;
  double MenuFactorB = 0.0;
  std::uint16_t SensorCode = 0;
  std::uint8_t Wireless = 0;
  std::uint8_t ButtonSet = 0;
  std::uint8_t PcScreenLit = 0;
  std::uint8_t SpecialMode = 0;
  std::array<platform::WindowRect, 2> OptionRects{};
  // 1 breathing rate, 2 breath-holding time.
  std::uint8_t BreathingMode = 0;

  // The pictured computer: 0 nothing, 1 build the grid at the next picture paint, 2 built.
  std::uint8_t PcScreenState = 0;
  std::int32_t PcScreenTop = 0;
  // 0 none, 1 lit screen, 2 lit screen with the live small graph.
  std::uint8_t PictureAddMode = 0;
  std::uint8_t KeepCleanScreen = 0;
  // The small graph's channel set waits for the next picture paint.
  std::uint8_t FirstChannelSetPending = 0;
  PictureGrid Grid;
  // The computer picture's place on the last paint.
  platform::WindowRect PictureRect;

 private:
  void ShowStartPage();
  void FinishPage();
  void ChoosePreparationPictures();
  void ChooseIntroPicture();
  void SetUpSmallGraph();
  void DrawBodyLines(std::int32_t& y, std::int32_t end_line);
  void DrawMenuRow(std::int32_t first_line, std::int32_t bottom);
  void DrawBreathingOptions(std::int32_t y);
  void DrawLine(const char* text, double x, double y, double width, double size, std::uint8_t mode,
                std::uint8_t r, std::uint8_t g, std::uint8_t b);
};
