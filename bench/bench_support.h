// What the acquisition benchmarks stand on instead of a window: a counting main window and a poll clock.
#pragma once

#include <atomic>
#include <cstdint>

#include "acquisition/unit_events.h"
#include "channels/main_window_services.h"

namespace bench_support {

class HeadlessWindow : public MainWindowServices {
 public:
  float ScaleX() const override { return 1.0f; }
  float ScaleY() const override { return 1.0f; }
  float UiScale() const override { return 1.0f; }
  float AspectRatio() const override { return 1280.0f / 994.0f; }
  std::int32_t ScreenWidth() const override { return 1280; }
  std::int32_t ScreenHeight() const override { return 994; }
  std::int32_t StripMargin() const override { return 10; }
  void InvalidateLocal(const PixelRect&) override { Redraws.fetch_add(1, std::memory_order_relaxed); }
  void InvalidateLocal() override { Redraws.fetch_add(1, std::memory_order_relaxed); }
  void ClampUnitRate(const DeviceSlot&, std::uint32_t&, std::uint8_t) override {}
  // Nothing of the window's own stands behind a benchmark.
  void MarkFirstChannelPerSensor() override {}
  void SetWindowTimer(std::uint32_t, std::uint32_t) override {}
  void InitHelpPanel(const PixelRect&) override {}
  void LayoutPanels() override {}
  void SetChannelButton(std::size_t, std::uint8_t, std::uint8_t) override {}
  void DrawValueIndicator(VessamorChannel&, agg_ren&, std::int32_t, std::uint8_t, std::uint16_t) override {}
  void RestoreArea(agg_ren&, const PixelRect&) override {}
  void CloseFileMenu() override {}
  void ClosePopups() override {}
  void ReleaseButtonsExcept(std::uint32_t) override {}
  void ReleaseZoomButton() override {}
  void ShowScaleSliders(bool) override {}
  void SetScaleSliders(float, float) override {}
  void NextHelpPage() override {}
  bool CycleSettingsDevice(std::int32_t, std::int32_t) override { return false; }
  void UpdateChannelRecordButtons(std::uint8_t) override {}
  std::atomic<std::uint64_t> Redraws{0};
};

// Ten milliseconds pass with every tick, as they would between polls.
class PollClock : public UnitClock {
 public:
  std::uint32_t NowMs() override { return Now += 10; }
  void SleepMs(std::uint32_t ms) override { Now += ms; }
  std::uint32_t Now = 0;
};

}  // namespace bench_support
