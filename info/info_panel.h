// The information panel: the start and sensor pages drawn into the main window's buffer, with the pictured computer.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "graph/picture_grid.h"
#include "info/preparation_state.h"
#include "info/text_block.h"
#include "info/value_input_box.h"
#include "platform/surface.h"
#include "platform/window_geometry.h"

class agg_ren;
namespace platform {
struct Font;
}
class FTRecordDevice;
class DeviceManager;
class GraphView;
class VessamorChannel;
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
  // The screen's shape as the pages adapt to it, and the panel's animated rectangle's height.
  std::int32_t ScreenHeight = 994;
  float AspectRatio = 1280.0f / 994.0f;
  bool WideScreen = false;
  std::int32_t PanelHeight = 0;
  // The units detected now; null before the device layer exists.
  DeviceManager* Devices = nullptr;
  // The unit bound to the first value box reports ready: its slot is prepared.
  bool StepUnitReady = false;
};

// What the preparation page asks of the window beside the owner; each may stay empty.
struct PreparationCalls {
  // The action button: placed with its caption (two lines split by a newline), or hidden.
  std::function<void(const platform::WindowRect&, const std::string&)> PlaceActionButton;
  std::function<void()> HideActionButton;
  // Redraws a part of the window (a box being edited).
  std::function<void(const platform::WindowRect&)> Invalidate;
};

// Picture elements the panel uses.
inline constexpr int kComputerElement = 0;
inline constexpr int kMenuOverlayElement = 3;
inline constexpr int kStartPictureElement = 5;

// A picture fitted into the panel: even sizes, keeping its aspect; none for a picture without size.
std::optional<platform::Size> FitPanelPicture(int bitmap_width, int bitmap_height, int content_width, float scale_x,
                                              float scale_y);

// Two pictures side by side at the lower one's height, both narrowed together (even sizes, each keeping
// its shape) where they are wider than `room`.
void FitPicturePair(platform::Size& first, platform::Size& second, int room);
// `text` broken at its blanks into lines no wider than `width` where a word allows.
std::vector<std::string> WrapText(std::string_view text, const platform::Font& font, int width);

// Picture elements by sensor kind: the information page's picture, and the preparation page's
// picture beside the live small graph (0 none, -1 the pictured computer alone).
int IntroPictureElement(std::uint16_t code, std::uint8_t unit_type, bool wireless);
int PreparationPictureElement(std::uint16_t code, std::uint8_t unit_type);
// The accelerometer's axis caption for a step; an index beyond the six positions names X.
const char* AccelerometerLabel(std::uint8_t step_index, bool english);
// The conductivity value box's caption for its range (micro: 100 µS/cm, else 5 mS/cm).
const char* ConductivityRangeLabel(bool micro, bool english);

class InfoPanel {
 public:
  enum Screen : std::uint8_t { kStartPage = 0, kSensorInformation = 1, kDetectedSensors = 2, kPreparation = 11 };

  InfoPanel(std::uint8_t initial_screen, InfoPanelOwner owner);

  // Every new screen starts without a notice.
  void SetScreen(std::uint8_t screen) {
    CurrentScreen = screen;
    Notice.clear();
  }
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

  // A body line's pitch at a size factor, and the menu row's height.
  std::int32_t BodyLinePitch(double font_size) const;
  std::int32_t MenuRowHeight() const;
  // The em height of body text at its plain size: captions and notices are never smaller.
  std::int32_t BodyTextHeight() const;

  bool English() const;

  // --- Preparation page: value boxes, action button, option marks (preparation_panel.cpp) ---
  // The kinds whose preparation page takes typed values.
  bool IsTemperatureSensor() const;
  void BindValueBoxes(FTRecordDevice* device, VessamorChannel* first, VessamorChannel* second);
  void SetupPreparationButtons();
  // Finishes every shown box being edited; true when one was.
  bool FinishValueInputs();
  // A key for the box being edited (null: finish); nothing when none is.
  void InputKey(const unsigned* key);
  void RenderValueBoxes();
  void DrawOptionMark(double x, double y, bool selected);
  // The breathing option under the point (1 or 2), 0 for none.
  std::uint8_t OptionAt(platform::WindowPoint point) const;

  // The information page's picture for SensorCode, alone in the picture row.
  void ChooseIntroPicture();

  // The device type of the unit whose pages are shown: its slot's, else UnitTypeCode; none on the
  // start page, whose catalogue rows are kinds rather than units.
  std::uint8_t UnitType() const;

  // --- The start page under the mouse (info_panel_mouse.cpp); hit rectangles of the last paint ---
  // The menu-row item under the point (0 the first), -1 none; only the start page has a menu row.
  std::int32_t MenuItemAt(platform::WindowPoint point) const;
  // The clickable body line under the point, -1 none.
  std::int32_t ClickableLineAt(platform::WindowPoint point) const;
  // A catalogue row's page is open over the catalogue (the start page's sub-menu).
  bool SubMenuOpen() const;
  // Back to the catalogue's list: the catalogue item stays chosen.
  void CloseSubMenu();
  // Chooses a menu item from the menu row; a catalogue row's page open over it closes.
  void ChooseMenuItem(std::uint8_t item);
  // The line under the mouse takes the highlight; lines before the first highlighted one lose theirs.
  void HighlightLine(std::int32_t line);
  // The contacts text's web-address line on the start page; empty elsewhere.
  platform::WindowRect WebLinkRect() const;
  // A click on a temperature sensor's value box (the second first): opens it for typing, or
  // finishes the typing in it; false when no shown box holds the point.
  bool ClickValueBox(platform::WindowPoint point);

  InfoPanelOwner Owner;
  // Where the page's slot binds its unit: the pages' unit and the small graph's channels.
  const DeviceSlot* Slot = nullptr;
  std::uint8_t DeviceIndex = 0;
  // The device type of the pages' unit while no slot binds it (a hovered button's unit), 0 none.
  std::uint8_t UnitTypeCode = 0;
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
  ValueInputBox Box1, Box2;
  platform::WindowRect ButtonRect;
  // The page's action button is wanted, with this caption (two lines split by a newline).
  std::uint8_t ActionButton = 0;
  std::string ActionCaption;
  // Why the sensor of an information page was not taken; shown there in place of the lead to its button.
  std::string Notice;
  // The sensor button whose pages are shown (0..3), and the step and pairing state of its page.
  std::uint8_t SensorButton = 0;
  PreparationState Steps;
  PreparationCalls Calls;

  // The pictured computer: 0 nothing, 1 build the grid at the next picture paint, 2 built.
  std::uint8_t PcScreenState = 0;
  std::int32_t PcScreenTop = 0;
  // 0 none, 1 lit screen, 2 lit screen with the live small graph.
  std::uint8_t PictureAddMode = 0;
  std::uint8_t KeepCleanScreen = 0;
  // The small graph's channel set waits for the next picture paint.
  std::uint8_t FirstChannelSetPending = 0;
  // The last build of the preparation page came after its small graph's set-up: a paint of its value
  // boxes alone shows them complete.
  std::uint8_t PageSettled = 0;
  PictureGrid Grid;
  // The computer picture's place on the last paint.
  platform::WindowRect PictureRect;
  // The second picture beside the first, as last drawn (empty when it stands alone or is absent).
  platform::WindowRect SecondPictureRect;
  // The row the pictures fill on the last paint and where their own drawings end: the rest of the row
  // carries their last columns.
  platform::WindowRect PictureRow;
  std::int32_t PicturesEnd = 0;
  // The kind's name over the foot of its picture: the title the last page build chose (null when the
  // page names no kind), its lines' cells and em height (0 when none).
  const char* PictureCaption = nullptr;
  platform::WindowRect CaptionBox;
  std::int32_t CaptionHeight = 0;
  // Pixels the start page's body lines may fill above the menu row, measured by the last layout; 0 unknown.
  std::int32_t StartBodyRoom = 0;
  // The detected-sensors list's lines.
  std::array<std::array<char, 256>, 4> DetectedLines{};
  // Every text line's box on the last paint: where it starts, to where its glyphs reached.
  std::vector<platform::WindowRect> LineBoxes;
  // The first of LineBoxes that belongs to the menu row (past the end when there is none).
  std::size_t MenuRowFirstBox = 0;

 private:
  void ShowStartPage();
  void FinishPage();
  void ChoosePreparationPictures();
  void SetupTemperatureBoxes();
  void SetupTwoChannelBoxes();
  void SetupSimpleValueBox();
  void SetupLabelledValueBox();
  void ShowSingleValueBox();
  void ShowLabelledValueBox();
  void ShowOpticalDensityBoxes();
  void ShowTwoValueBoxes();
  // One box (`two` false) or two, placed at the content's bottom left.
  void PlaceBoxes(bool two, bool optical_density);
  void PlaceActionButton(const std::string& caption);
  void HideBox2();
  // The box filled from its channel, or from the page's sensor kind without one.
  void FillBox(ValueInputBox& box);
  void FinishBox(ValueInputBox& box);
  // A key for `box` (null: finish); an accepted value arms the page's step.
  void InputInto(ValueInputBox& box, const unsigned* key);
  void SetUpSmallGraph();
  // The row right of `from` carries the picture's last columns.
  void CarryLastColumns(platform::Surface& buffer, const platform::Surface& picture, const platform::WindowRect& row,
                        std::int32_t from) const;
  // The kind's name on the foot of its picture, at the body text's height.
  void DrawPictureCaption(std::string_view text, const platform::WindowRect& picture);
  void DrawBodyLines(std::int32_t& y, std::int32_t end_line);
  void DrawMenuRow(std::int32_t first_line, std::int32_t bottom);
  void DrawBreathingOptions(std::int32_t y);
  void DrawLine(const char* text, double x, double y, double width, double size, std::uint8_t mode,
                std::uint8_t r, std::uint8_t g, std::uint8_t b);
};
