// What the channels, the graph view and the device layer need of the main window, as one narrow interface.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "channels/device_slot.h"
#include "channels/pixel_types.h"

class VessamorChannel;
class agg_ren;

// Main-window status bytes the device worker reads while the window thread writes them.
struct MainWindowBytes {
  std::atomic<std::uint8_t> InfoScreenActive{0};
  std::atomic<std::uint8_t> MeasureScreenActive{0};
  std::atomic<std::uint8_t> EnglishUi{0};
  std::atomic<std::uint8_t> PaintInProgress{0};
  std::atomic<std::uint8_t> SensorPagePending{0};
  std::atomic<std::uint8_t> SensorPageOpening{0};
  std::array<std::atomic<std::uint8_t>, 4> SensorPrepared{};
  std::atomic<std::uint8_t> RangeMode{1};
  std::atomic<std::uint8_t> BreathingDisplayMode{0};
  std::atomic<std::uint8_t> OsMajorVersion{0};
};

class MainWindowServices {
 public:
  virtual ~MainWindowServices() = default;

  // Scale factors against the 1280 x 994 design: width / 1280, height / 994, and their blend.
  virtual float ScaleX() const = 0;
  virtual float ScaleY() const = 0;
  virtual float UiScale() const = 0;
  virtual float AspectRatio() const = 0;
  // Screen width in pixels; the column tables hold ScreenWidth() + 1 records per channel.
  virtual std::int32_t ScreenWidth() const = 0;
  virtual std::int32_t ScreenHeight() const = 0;
  // Margin kept at each side of the graph's value strips, in pixels.
  virtual std::int32_t StripMargin() const = 0;

  // Requests a redraw of the rectangle, or of the whole client area; safe from any thread.
  virtual void InvalidateLocal(const PixelRect& rect) = 0;
  virtual void InvalidateLocal() = 0;

  // Lets the slot's unit lower or raise the rate to what it can deliver for that many shown channels.
  virtual void ClampUnitRate(const DeviceSlot& slot, std::uint32_t& rate, std::uint8_t shown_channels) = 0;

  // Marks the first channel of each sensor among the used slots.
  virtual void MarkFirstChannelPerSensor() = 0;
  // What the graph view asks of the window.
  // The view may hold ViewLock while it calls them: none of them may call back into the view.
  // Starts (replacing) a window timer; timer 10 brings the second step of fitting a long record.
  virtual void SetWindowTimer(std::uint32_t id, std::uint32_t interval_ms) = 0;
  // The help panel takes its rectangle from the view's layout.
  virtual void InitHelpPanel(const PixelRect& rect) = 0;
  virtual void LayoutPanels() = 0;
  // The channel button and its twin: state (1 up, 2 down, animated on a change) and shown flag; any thread.
  virtual void SetChannelButton(std::size_t channel, std::uint8_t state, std::uint8_t shown) = 0;
  // Draws a channel's value box at the vertical offset; mode 2 clips it to the painted columns.
  virtual void DrawValueIndicator(VessamorChannel& channel, agg_ren& surface, std::int32_t offset, std::uint8_t mode,
                                  std::uint16_t column) = 0;
  // Whether the channel's value box, drawn now at the column, would look other than it does (its
  // texts, its box or their places changed). Called under ViewLock.
  virtual bool IndicatorFaceChanges(VessamorChannel& channel, std::uint16_t column) {
    (void)channel, (void)column;
    return true;
  }
  // Puts an area back into the target from the second back buffer (the graph as last cached).
  virtual void RestoreArea(agg_ren& target, const PixelRect& rect) = 0;
  // The File menu's new-record command: the drop-down menu closes and the File button returns up.
  virtual void CloseFileMenu() = 0;
  // What the graph's mouse handling reaches: the measurement screen's popups, the toolbar's toggle
  // buttons (id 0: all of them), the zoom button, the two scale sliders, the help panel's page and
  // the channel record buttons (mode 1 compute, 2 show, 12 both).
  virtual void ClosePopups() = 0;
  virtual void ReleaseButtonsExcept(std::uint32_t id) = 0;
  virtual void ReleaseZoomButton() = 0;
  virtual void ShowScaleSliders(bool shown) = 0;
  // Any thread: the sliders take the view's scales.
  virtual void SetScaleSliders(float value_per_division, float seconds_per_division) = 0;
  virtual void NextHelpPage() = 0;
  // A click on the open sensor settings panel's name row: the panel shows the next unit. False when
  // the click is elsewhere or nothing changed.
  virtual bool CycleSettingsDevice(std::int32_t x, std::int32_t y) = 0;
  virtual void UpdateChannelRecordButtons(std::uint8_t mode) = 0;

  bool EnglishUi() const { return Bytes.EnglishUi.load(std::memory_order_relaxed) != 0; }

  // The indicator font's character cell in pixels, and the line spacing the indicator layout sets.
  double IndicatorCharWidth = 9.0;
  double IndicatorCharHeight = 17.0;
  double LineSpacing = 15.0;
  std::array<DeviceSlot, 4> DeviceSlots{};
  MainWindowBytes Bytes;
  // Window state the graph view reads and sets: the marker-redraw request (3: captions shown), the
  // layout flag choosing a whole-window redraw, and the renderer's pending font reset.
  std::uint8_t MarkerRedraw = 0;
  std::uint8_t MarkerCaptionsShown = 0;
  std::uint8_t WholeWindowRedraw = 1;
  std::uint8_t FontResetPending = 0;
  float FontScale = 1.0f;
  // No marker work while the information overlay is shown; the help panel turns pages on a click.
  std::uint8_t InfoOverlayShown = 0;
  std::uint8_t HelpPanelShown = 0;
  PixelRect HelpPanel;
  std::uint8_t ScalePanelPressed = 0;
  // The box over the graph that names the shown device; a click in its inner part shows the next.
  struct DeviceCaptionBox {
    PixelRect Rect;
    PixelRect Inner;
    std::uint8_t Shown = 0;
    std::uint8_t Pressed = 0;
    std::string Caption1;
    std::string Caption2;
  } CaptionBox;
};
