// The sensor settings panel: placement, channel buttons, range captions and switch, rate scale, title, every part inside and apart.
#include "layout/sensor_settings.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "acquisition/worker_threads.h"
#include "app/app_test_support.h"
#include "controls/stick_button.h"
#include "layout/display_modes.h"
#include "layout/main_controls.h"
#include "layout/measure_layout.h"
#include "render/agg_ren.h"
#include "platform/png_writer.h"

using platform::WindowRect;

namespace {

// The measurement screen with one unit in slot 0 (three enabled channels of `code`), a second usable slot when asked.
struct Panel {
  apptest::Rig rig;
  MainWindow& w;
  Panel(int width, int height, std::uint8_t code, bool english = false, bool two_slots = false)
      : rig(width, height, false, 32, !english), w(rig.Create()) {
    rig.Step(33), w.GotoGraphScreen();
    auto unit = std::make_unique<FTRecordDevice>();
    unit->SensorCode = code, unit->LocationId = 7;
    DeviceSlot& slot = w.DeviceSlots[0];
    slot = DeviceSlot{};
    slot.InUse = slot.Prepared = 1, slot.AssignIndex = 0, slot.Location = 7, slot.Device = unit.get(), slot.SensorName1 = "Sensor";
    for (std::size_t k = 0; k < 3; ++k) {
      VessamorChannel& c = w.View->Channel(k);
      c.Enabled = 1, c.SensorCode = code, c.ChannelIndex = static_cast<std::uint8_t>(k);
      slot.Channels[k] = &c;
    }
    w.Devices->DeviceTable[0] = std::move(unit);
    if (two_slots) w.DeviceSlots[2].InUse = w.DeviceSlots[2].Prepared = 1, w.DeviceSlots[2].AssignIndex = 1;
    ShowSensorSettings(w);
  }
  AImageButton& Button(std::int32_t id) { return *FindImageButton(w.Window(), id); }
};

}  // namespace

TEST(SensorSettings, ChannelButtonsTitleCaptionsAndRateScale) {
  Panel one(1280, 994, 14, true);
  for (std::size_t k = 0; k < 4; ++k) {  // three active channels: 1 to 3 down and pressable, 4 up
    const AImageButton& b = one.Button(kChannelRecordButtonIds[k]);
    EXPECT_TRUE(b.State == (k < 3 ? 2 : 1) && b.Interactive == (k < 3 ? 1 : 0)) << k;
  }
  EXPECT_TRUE(one.w.Controls.SensorSettings.Caption == "Configure the sensor" && one.Button(kRangeButtonId).Caption() == "±100 mT");
  Panel two(1280, 994, 10, false, true);
  EXPECT_EQ(two.Button(kRangeButtonId).Caption(), "±2 \xD0\x90");  // a Cyrillic capital A
  EXPECT_EQ(RangeCaption(99, kLanguageRussian), "Диапазон");
  // Rebuilt from the base each time: the faster family's top entries do not stay.
  EXPECT_EQ(RateScalesFor(1).First[6], 0.0f);
  auto* rate = static_cast<StickButton*>(FindMainControl(two.w.Window(), kRateSliderId));
  EXPECT_TRUE(rate->Scale().Count == 6 && rate->GetValue() == static_cast<float>(two.w.View->RateSetting) / 1000.0f);
}

TEST(SensorSettings, ConductivityFollowsTheModeAndSwitchesTheChannels) {
  Panel p(1280, 994, 6);
  EXPECT_EQ(p.Button(kRangeButtonId).Caption(), "5 мСм/см");
  p.w.View->AcquisitionMode = 1;
  UpdateSensorRange(p.w, 0);
  EXPECT_TRUE(p.Button(kRangeButtonId).Caption() == "100 мкСм/см" && p.Button(kRangeButtonId).State == ControlFrame::kStateDown);
  EXPECT_EQ(p.w.HoldBackCopies, 1);
  p.w.InvalidateLocal(), p.w.Window().UpdateNow();
  EXPECT_EQ(p.w.HoldBackCopies, 0);  // the measurement paint lets the buttons show themselves again
  // The click went down: the micro-siemens range; the unit has no handle, the channels switch anyway.
  DeviceThreadState = kDevicePaused;
  p.w.View->AcquisitionMode = 2;
  p.w.View->Channel(2).FirstOfSensor = 1;
  UpdateSensorRange(p.w, 1);
  EXPECT_TRUE(p.w.View->AcquisitionMode == 1 && p.w.View->SensorCode == 19);
  for (std::size_t k = 0; k < 3; ++k) EXPECT_TRUE(p.w.View->Channel(k).SensorCode == 19 && p.w.View->Channel(k).SwapPending == 0) << k;
  // No unit at the slot's place: the button goes back up.
  p.w.Devices->DeviceTable[0]->LocationId = 8;
  UpdateSensorRange(p.w, 1);
  EXPECT_EQ(p.Button(kRangeButtonId).State, ControlFrame::kStateUp);
}

TEST(SensorSettings, BothLanguagesAndThreeSizesKeepEveryPartInsideAndApart) {
  const std::int32_t ids[] = {kSettingsCloseId, kRateSliderId, 75017, 75022, 75027, 75032};
  for (const bool english : {false, true}) {
    for (const auto& [width, height] : {std::pair{1280, 994}, {1366, 768}, {1920, 1080}}) {
      Panel p(width, height, 19, english);
      p.Button(kSensorSettingsButtonId).State = ControlFrame::kStateDown;
      p.w.InvalidateLocal();  // drawn by the window's own paint while the settings button is down
      for (int k = 0; k < 20; ++k) p.rig.Step(33);  // the buttons' animations run out
      const std::string name = (english ? "en_" : "ru_") + std::to_string(width) + "x" + std::to_string(height);
      EXPECT_TRUE(platform::WritePng(p.w.Window().Pixels(), std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/sensor_settings_" + name + ".png"));
      const SensorSettingsState& st = p.w.Controls.SensorSettings;
      const WindowRect panel = st.PanelArea;
      // The title's half of the band, the rate box, the close button, the slider, the channel buttons.
      std::vector<WindowRect> parts = {WindowRect::FromSize(panel.left, panel.top, panel.Width() / 2, 40), st.RateBox};
      for (std::int32_t id : ids) parts.push_back(FindMainControl(p.w.Window(), id)->Rect());
      EXPECT_TRUE(std::ranges::all_of(ids, [&](std::int32_t id) { return FindMainControl(p.w.Window(), id)->IsVisible(); }));
      // On the screen, at x 10: the settings button is at the screen's left edge.
      EXPECT_TRUE(panel.Intersect({0, 0, width, height}) == panel && panel.left == 10) << name;
      for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_EQ(parts[i].Intersect(panel), parts[i]) << name << " " << i;
        for (std::size_t j = i + 1; j < parts.size(); ++j) EXPECT_FALSE(parts[i].Intersects(parts[j])) << name << i << j;
      }
      ConnectedMask = 0b11;  // a second unit: a click on the name row's zone shows the next slot, which has none
      p.w.View->OnLButtonDown(0, st.NextSensorZone.left + 1, st.NextSensorZone.top + 1);
      EXPECT_TRUE(p.w.View->ViewDeviceSlot == 1 && st.SensorName == (english ? "no sensor" : "датчик отсутствует")) << name;
    }
  }
}
