// A headless main window for tests: fixed screen geometry, recorded redraw requests, rate caps by the slot's unit.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "acquisition/ft_record_device.h"
#include "channels/main_window_services.h"

class FakeMainWindow : public MainWindowServices {
 public:
  explicit FakeMainWindow(std::int32_t width = 1280, std::int32_t height = 994) : Width(width), Height(height) {}

  float ScaleX() const override { return static_cast<float>(Width) / 1280.0f; }
  float ScaleY() const override { return static_cast<float>(Height) / 994.0f; }
  float UiScale() const override { return ScaleX() + (ScaleY() - ScaleX()) * 0.5f; }
  float AspectRatio() const override { return static_cast<float>(Width) / static_cast<float>(Height); }
  std::int32_t ScreenWidth() const override { return Width; }
  std::int32_t ScreenHeight() const override { return Height; }
  std::int32_t StripMargin() const override { return Margin; }

  void InvalidateLocal(const PixelRect& rect) override {
    std::lock_guard<std::mutex> lock(Mutex);
    Invalidated.push_back(rect);
  }
  void InvalidateLocal() override { InvalidateLocal(PixelRect{0, 0, Width, Height}); }

  // As the main window does: the unit in the slot caps the rate.
  void ClampUnitRate(const DeviceSlot& slot, std::uint32_t& rate, std::uint8_t shown) override {
    if (slot.Device != nullptr) slot.Device->ClampRate(rate, shown);
  }
  void SetWindowTimer(std::uint32_t id, std::uint32_t interval_ms) override { Timers.push_back({id, interval_ms}); }
  void DrawValueIndicator(VessamorChannel&, agg_ren&, std::int32_t, std::uint8_t, std::uint16_t) override {
    ++IndicatorDraws;
  }
  void RestoreArea(agg_ren&, const PixelRect& rect) override { Restored.push_back(rect); }
  // The window's other services, as a window without controls has them: recorded where a test reads them.
  void MarkFirstChannelPerSensor() override {}
  void InitHelpPanel(const PixelRect&) override {}
  void LayoutPanels() override {}
  void SetChannelButton(std::size_t channel, std::uint8_t state, std::uint8_t) override {
    if (channel < ChannelButtons.size()) ChannelButtons[channel] = state;
  }
  void CloseFileMenu() override {}
  void ClosePopups() override {}
  void ReleaseButtonsExcept(std::uint32_t) override {}
  void ReleaseZoomButton() override {}
  void ShowScaleSliders(bool) override {}
  void SetScaleSliders(float value_per_division, float seconds_per_division) override {
    Sliders = {value_per_division, seconds_per_division};
  }
  void NextHelpPage() override {}
  bool CycleSettingsDevice(std::int32_t, std::int32_t) override { return false; }
  void UpdateChannelRecordButtons(std::uint8_t) override {}

  std::size_t InvalidateCount() const {
    std::lock_guard<std::mutex> lock(Mutex);
    return Invalidated.size();
  }

  std::int32_t Width;
  std::int32_t Height;
  std::int32_t Margin = 10;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> Timers;
  std::uint32_t IndicatorDraws = 0;
  std::vector<PixelRect> Restored;
  std::array<std::uint8_t, 4> ChannelButtons{};
  std::pair<float, float> Sliders{};

 private:
  mutable std::mutex Mutex;
  std::vector<PixelRect> Invalidated;
};
