// The sensor settings panel: placement, channel buttons, range captions and switch, rate scale, title, pictures.
#include "layout/sensor_settings.h"

#include <gtest/gtest.h>

#include "acquisition/worker_threads.h"
#include "app/app_test_support.h"
#include "controls/stick_button.h"
#include "layout/display_modes.h"
#include "layout/main_controls.h"
#include "layout/measure_layout.h"
#include "platform/png_writer.h"
#include "render/agg_ren.h"

using platform::WindowRect;

namespace {

// The measurement screen with one unit in slot 0 (three enabled channels of `code`) and a second
// usable slot when asked.
struct Panel {
  apptest::Rig rig;
  MainWindow& w;
  Panel(int width, int height, std::uint8_t code, bool english = false, bool two_slots = false)
      : rig(width, height, false, 32, !english), w(rig.Create()) {
    w.Bytes.MeasureScreenActive = 1;
    SetDisplayModeGraph(w);
    LayoutControls(w);
    auto unit = std::make_unique<FTRecordDevice>();
    unit->SensorCode = code;
    unit->LocationId = 7;
    DeviceSlot& slot = w.DeviceSlots[0];
    slot = DeviceSlot{};
    slot.InUse = 1, slot.DeviceIndex = 0, slot.LocationId = 7, slot.Unit = unit.get(), slot.SensorName1 = "Sensor";
    for (std::size_t k = 0; k < 3; ++k) {
      VessamorChannel& c = w.View->Channel(k);
      c.Enabled = 1, c.SensorCode = code, c.ChannelIndex = static_cast<std::uint8_t>(k);
      slot.Channels[k] = &c;
    }
    w.Devices->DeviceTable[0] = std::move(unit);
    if (two_slots) w.DeviceSlots[2].InUse = 1, w.DeviceSlots[2].DeviceIndex = 1;
    ShowSensorSettings(w);
  }
  AImageButton& Button(std::int32_t id) { return *FindImageButton(w.Window(), id); }
  WindowRect Rect(std::int32_t id) { return FindMainControl(w.Window(), id)->Rect(); }
};

}  // namespace

TEST(SensorSettings, PanelSitsAboveTheButtonOrAtTheLeftEdge) {
  ScreenMetrics m = MeasureScreen(1280, 994);
  const WindowRect client{0, 0, 1280, 994}, slider = WindowRect::FromSize(0, 0, 290, 54);
  const struct {
    WindowRect button;
    std::uint8_t mode;
    std::int32_t left;
  } cases[] = {{WindowRect::FromSize(12, 870, 63, 75), 3, 10},
               {WindowRect::FromSize(400, 870, 63, 75), 3, 200},
               {WindowRect::FromSize(400, 870, 63, 75), 2, 10},
               {WindowRect::FromSize(700, 870, 63, 75), 2, 313}};
  for (const auto& c : cases) {
    const SettingsPanelPlaces p = PlaceSettingsPanel(m, c.button, client, c.mode, slider, slider);
    EXPECT_EQ(p.Panel, WindowRect::FromSize(c.left, 870 - 235 - 4, 470, 235)) << c.button.left;
  }
}

TEST(SensorSettings, ChannelButtonsTitleAndRateScale) {
  Panel one(1280, 994, 14, true);
  EXPECT_EQ(one.w.PanelMode, 1);
  for (std::size_t k = 0; k < 4; ++k) {
    AImageButton& b = one.Button(kChannelRecordButtonIds[k]);
    EXPECT_EQ(b.State, k < 3 ? ControlFrame::kStateDown : ControlFrame::kStateUp) << k;
    EXPECT_EQ(b.Interactive, k < 3 ? 1 : 0) << k;
    EXPECT_EQ(b.Caption(), std::to_string(k + 1));
  }
  EXPECT_EQ(one.w.Controls.SensorSettings.Caption, "Configure the sensor");
  EXPECT_EQ(one.Button(kRangeButtonId).Caption(), "±100 mT");
  Panel two(1280, 994, 10, false, true);
  EXPECT_EQ(two.w.Controls.SensorSettings.Caption, "Настройки датчиков");
  EXPECT_EQ(two.Button(kRangeButtonId).Caption(), "±2 \xD0\x90");  // a Cyrillic capital A
  // Rebuilt from the base each time: the faster family's top entries do not stay.
  const RateScales fast = RateScalesFor(2), slow = RateScalesFor(1);
  EXPECT_EQ(fast.First[7], 200.0f);
  EXPECT_EQ(fast.Segments, 7);
  EXPECT_EQ(slow.First[5], 25.0f);
  EXPECT_EQ(slow.First[6], 0.0f);
  EXPECT_EQ(slow.Segments, 5);
  EXPECT_EQ(static_cast<StickButton*>(FindMainControl(two.w.Window(), kRateSliderId))->Scale().Count, 6);
}

TEST(SensorSettings, CaptionsByCode) {
  const struct {
    std::uint8_t code;
    std::uint16_t language;
    const char* caption;
  } cases[] = {{9, kLanguageRussian, "±10 B"},  {14, kLanguageRussian, "±100 мТл"}, {3, kLanguageEnglish, "0-150 °C"},
               {99, kLanguageRussian, "Диапазон"}, {7, kLanguageEnglish, "Range"}};
  for (const auto& c : cases) EXPECT_EQ(RangeCaption(c.code, c.language), c.caption) << int(c.code);
  // Volts with a Latin "B".
  EXPECT_EQ(RangeCaption(16, kLanguageRussian).back(), 'B');
}

TEST(SensorSettings, ConductivityFollowsTheModeAndSwitchesTheChannels) {
  Panel p(1280, 994, 6);
  EXPECT_EQ(p.Button(kRangeButtonId).Caption(), "5 мСм/см");
  p.w.View->AcquisitionMode = 1;
  UpdateSensorRange(p.w, 0);
  EXPECT_EQ(p.Button(kRangeButtonId).Caption(), "100 мкСм/см");
  EXPECT_EQ(p.Button(kRangeButtonId).State, ControlFrame::kStateDown);
  EXPECT_EQ(p.w.HoldBackCopies, 1);
  // The click went down: the micro-siemens range; the unit has no handle, the channels switch anyway.
  DeviceThreadState = kDevicePaused;
  p.w.View->AcquisitionMode = 2;
  p.w.View->Channel(0).SwapPending = 1;
  UpdateSensorRange(p.w, 1);
  EXPECT_EQ(p.w.View->AcquisitionMode, 1);
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(p.w.View->Channel(k).SensorCode, 19) << k;
    EXPECT_EQ(p.w.View->Channel(k).SwapPending, 0) << k;
  }
  // No unit at the slot's place: the button goes back up.
  p.w.Devices->DeviceTable[0]->LocationId = 8;
  UpdateSensorRange(p.w, 1);
  EXPECT_EQ(p.Button(kRangeButtonId).State, ControlFrame::kStateUp);
}

TEST(SensorSettings, PicturesInBothLanguages) {
  for (const bool english : {false, true}) {
    for (const auto& [width, height] : {std::pair{1280, 994}, {1366, 768}, {1920, 1080}}) {
      Panel p(width, height, 19, english);
      platform::Surface s(width, height);
      s.Fill({96, 84, 140, 255});
      agg_ren r;
      r.Attach(s);
      PaintSensorSettingsPanel(p.w, r);
      for (std::int32_t id : {kSettingsCloseId, kRateSliderId, 75017, 75022, 75027, 75032}) {
        static_cast<ControlFrame*>(FindMainControl(p.w.Window(), id))->PaintToBuffer(s);
      }
      const std::string name = "sensor_settings_" + std::string(english ? "en_" : "ru_") + std::to_string(width) +
                               "x" + std::to_string(height) + ".png";
      EXPECT_TRUE(platform::WritePng(s, std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/" + name));
      const SensorSettingsState& st = p.w.Controls.SensorSettings;
      const WindowRect panel = st.PanelArea;
      const WindowRect title = WindowRect::FromSize(panel.left, panel.top, panel.Width() / 2, panel.Height() / 6);
      std::vector<WindowRect> parts = {title, st.RateBox};
      for (std::int32_t id : {kSettingsCloseId, kRateSliderId, 75017, 75022, 75027, 75032}) parts.push_back(p.Rect(id));
      for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_EQ(parts[i].Intersect(panel), parts[i]) << name << " " << i;
        for (std::size_t j = i + 1; j < parts.size(); ++j) EXPECT_FALSE(parts[i].Intersects(parts[j])) << name << i << j;
      }
      EXPECT_EQ(panel.Intersect({0, 0, width, height}), panel) << name;
    }
  }
}
