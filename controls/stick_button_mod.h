// The channel settings panel: filter groups, mains filter, volume, smoothing, colours from a palette and strength sliders.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "channels/filter_panel_command.h"
#include "controls/control_frame.h"
#include "resources/palette_bitmap.h"

class StickButtonMod : public ControlFrame {
 public:
  // What the last notification was about; the owner reads it after each OnButtonPress.
  enum ActionCodes : std::uint8_t {
    kColour1 = 0,
    kColour2 = 1,
    kMedian = 3,
    kAveraging = 4,
    kMains = 5,
    kVolume = 6,
    kSmoothing = 7,
    kCurveChoice = 30,
    kDrawingChoice = 71,
    kSmoothingHelp = 72,
    kCloseHover = 100,
    kClose = 101,
  };
  // The option enables E0 to E7.
  enum Option : std::size_t { kColourOption1, kColourOption2, kWidthOption, kMedianGroup, kAveragingGroup,
                              kMainsOption, kVolumeOption, kSmoothingOption };
  // Which help the panel shows.
  enum Help : std::int32_t { kNoHelp = 0, kMedianHelp = 1, kAveragingHelp = 2, kSmoothingHelpShown = 3 };

  struct Slider {
    std::int32_t Minimum = 1, Maximum = 100, Value = 0;
    int Knob = 0;
    bool Dragging = false;
  };
  // Where each item lies in the panel, as the last drawing placed it (inclusive hit rectangles).
  struct Layout {
    platform::WindowRect close, filtersTab, viewTab, page, palette, colour2;
    std::array<platform::WindowRect, 3> sliders;
    std::array<platform::WindowRect, 8> checks;
    std::array<platform::WindowRect, 8> helps;
    platform::WindowRect curveChoice, drawingChoice;
  };

  explicit StickButtonMod(ControlOwner& owner);

  void Setup(std::int32_t panelKind, std::int32_t controlId, int trackStep);
  void SetRangeA(std::int32_t minimum, std::int32_t maximum, std::int32_t value) { SetRange(0, minimum, maximum, value); }
  void SetRangeB(std::int32_t minimum, std::int32_t maximum, std::int32_t value) { SetRange(1, minimum, maximum, value); }
  void SetRangeC(std::int32_t minimum, std::int32_t maximum, std::int32_t value) { SetRange(2, minimum, maximum, value); }
  void SetRangeD(std::int32_t minimum, std::int32_t maximum, std::int32_t value) { SetRange(3, minimum, maximum, value); }
  // 0 the filters page, 1 the view page.
  void SetMode(std::uint8_t page);
  // Any thread: off the window thread it is queued there.
  void Hide();
  void HideIfVisible();
  // Window thread: draws the whole panel into the owner's back buffer at the panel's place.
  void DrawChannelOptions(platform::Surface& backBuffer);

  const platform::Surface& Palette() const { return palette_; }
  // The palette bitmap, as the panel draws it.
  const platform::Surface& GetPaletteDC() const { return palette_; }
  void SetPressState(std::uint8_t state);
  // The palette at (x, y) of `target` and under it a swatch of `colour` (a GDI colour value), 35
  // pixels wide with rounded corners.
  void DrawSwatch(platform::Surface& target, int x, int y, std::uint32_t colour);
  void SetCaptions(const std::array<std::string, 8>& captions);
  std::array<std::string, 8> Captions{};
  const Layout& Placed() const { return placed_; }

  // Choices and options; the owner sets them up and reads them after a notification.
  std::uint8_t ChannelNumber = 0;
  std::int32_t PanelKind = 2;
  std::uint8_t Page = 0;
  std::uint8_t PageLock = 1;
  std::array<std::uint8_t, 8> Enables{0, 0, 0, 0, 0, 1, 0, 0};
  std::int32_t MedianOn = 0, AveragingOn = 0, MainsOn = 0, VolumeOn = 0, SmoothingOn = 0;
  std::int32_t HelpShown = kNoHelp;
  std::uint8_t CurveChoice = 0, CurveChoiceEnabled = 1;
  std::uint8_t DrawingChoice = 0, DrawingChoiceEnabled = 1;
  std::array<Slider, 4> Sliders{};
  std::int32_t LastKnobOffset = 0;
  std::array<std::uint32_t, 2> Colours{0x0000FF, 0xFF4200};  // GDI colour values
  std::array<bool, 2> ColourDragging{};
  rgba8 CurrentColour{0, 0, 0, 255};
  std::uint8_t ActionCode = 0;
  bool CloseHovered = false;
  // Set at construction; the panel's first paint clears it.
  bool FirstPaintPending = true;

 protected:
  // The owner draws the panel into its back buffer; the window's own paint only marks that it has had one.
  PaintStep NextPaint() override {
    FirstPaintPending = false;
    return PaintStep::Nothing;
  }
  void OnShowChanged(bool visible) override;
  void OnLButtonDown(platform::WindowPoint point) override;
  void OnLButtonUp(platform::WindowPoint point) override { Release(point); }
  void OnPressCancelled() override;
  void OnMouseMove(platform::WindowPoint point, unsigned flags, bool hover) override;

 private:
  void SetRange(std::size_t slider, std::int32_t minimum, std::int32_t maximum, std::int32_t value);
  void Notify(std::uint8_t code);
  // The owner paints the panel: the area under it is redrawn.
  void Redraw();
  bool PressOptions(platform::WindowPoint p);
  bool PressGroup(platform::WindowPoint p, Option option, std::int32_t& flag, Help help, std::uint8_t code,
                  std::uint8_t helpCode);
  void PickColour(int which, platform::WindowPoint p);
  void DragSliderTo(std::size_t slider, int x);
  void Release(platform::WindowPoint p);
  Layout Arrange(int width, int height) const;
  void DrawRows(agg_ren& r, const Layout& at);
  void DrawCheck(agg_ren& r, const platform::WindowRect& box, bool on);
  void DrawHelpButton(agg_ren& r, const platform::WindowRect& box, bool shown);
  void DrawSlider(agg_ren& r, std::size_t slider, const platform::WindowRect& row);
  void DrawChoice(agg_ren& r, const platform::WindowRect& row, const char* first, const char* second, int chosen);
  void Caption(agg_ren& r, const std::string& text, int x, int y, double scale = 1.0);

  agg_ren renderer_;
  platform::Surface palette_;
  Layout placed_{};
  bool placedOnce_ = false;
  int trackStart_ = 40, trackEnd_ = 140;
  int knobHalf_ = 8;
  int rowHeight_ = 20;
  platform::WindowPoint lastMouse_;
};

// The panel's choices for its channel, as the filter command takes them.
FilterPanelState ReadFilterPanel(const StickButtonMod& panel);
// The owner's step after a notification of the panel: the filter command for its last action,
// and the drawing choice taken back from it.
void RunFilterPanelCommand(GraphView& view, FilterPanelWindow& window, StickButtonMod& panel);
