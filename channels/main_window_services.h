// What the channels, the graph view and the device layer need of the main window, as one narrow interface.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "channels/device_slot.h"
#include "channels/pixel_types.h"

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

  bool EnglishUi() const { return Bytes.EnglishUi.load(std::memory_order_relaxed) != 0; }

  // The indicator font's character cell in pixels, and the line spacing the indicator layout sets.
  double IndicatorCharWidth = 9.0;
  double IndicatorCharHeight = 17.0;
  double LineSpacing = 15.0;
  std::array<DeviceSlot, 4> DeviceSlots{};
  MainWindowBytes Bytes;
};
