// Preparation pages rendered headless at two sizes in both languages: one box, two boxes, temperature, breathing options, wireless quality.
#include <gtest/gtest.h>

#include "../app/app_test_support.h"
#include "acquisition/device_status.h"
#include "acquisition/ft_record_device.h"
#include "app/preparation_steps.h"
#include "app/start_screen_parts.h"
#include "platform/png_writer.h"
#include "render/render_probe.h"

namespace {

// A revealed window with the start screen's parts, its controls and the preparation steps.
struct PreparationRig {
  PreparationRig(int width, int height, bool english) : rig(width, height) {
    rig.Create(english, [this](MainWindow& w) { InstallPreparationSteps(w, parts = InstallStartScreenParts(w)); });
    for (int i = 0; i < 30; ++i) rig.Step(100);
  }
  MainWindow& Window() { return *rig.window; }
  InfoPanel& Panel() { return *parts->Panel; }
  void PaintAll() {
    Window().StartScreenDirty = 1;
    Window().InvalidateLocal();
    rig.host.Window().UpdateNow();
  }
  apptest::Rig rig;
  std::shared_ptr<StartScreenParts> parts;
};

TEST(PreparationScreens, BoxesOptionsAndQualityBarAtTwoSizesInBothLanguages) {
  const struct {
    std::uint16_t code;
    std::uint8_t unit_type;
    const char* name;
  } pages[] = {{12, 11, "onebox"}, {20, 11, "twoboxes"}, {1, 11, "temperature"}, {40, 11, "breathing"}, {12, 3, "wireless"}};
  for (const auto& [width, height] : {std::pair{1366, 768}, std::pair{1920, 1080}}) {
    for (const bool english : {false, true}) {
      PreparationRig s(width, height, english);
      MainWindow& w = s.Window();
      FTRecordDevice unit;
      unit.LinkQuality = 170;
      for (const auto& page : pages) {
        const std::string name = std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/preparation_" + page.name + "_" +
                                 std::to_string(width) + "x" + std::to_string(height) + (english ? "_en" : "_ru") + ".png";
        SCOPED_TRACE(name);
        w.DeviceSlots[0].Channels = {&w.View->Channel(0), &w.View->Channel(1)};
        w.DeviceSlots[0].SensorCode = static_cast<std::uint8_t>(page.code);
        w.DeviceSlots[0].DeviceTypeCode = page.unit_type;
        w.DeviceSlots[0].Device = &unit;
        w.View->Channel(0).SensorCode = page.code;
        w.View->Channel(0).Unit = page.code == 1 ? "°C" : "В";
        OpenPreparationPage(w, *s.parts, 0, 0);
        GraphView& view = *w.View;
        view.Recording = 1;
        view.ComputeStartIndexes();
        for (int n = 0; n < 600; ++n) view.Channel(0).AppendCode(static_cast<std::int16_t>(2048 + n % 400 - width / 4));
        view.AcquisitionTick();
        s.rig.clock.Advance(200);
        w.Hooks.PreparationStep(w);
        s.PaintAll();
        const platform::Surface& shown = s.rig.host.Window().Pixels();
        EXPECT_TRUE(platform::WritePng(shown, name));
        const InfoPanel& panel = s.Panel();
        // Each shown box has its light field and its violet label.
        for (const ValueInputBox* box : {&panel.Box1, &panel.Box2}) {
          if (box->Shown == 0) continue;
          EXPECT_GT(probe::Count(shown, box->Rect, {250, 250, 255, 255}, 3), box->Rect.Width() * box->Rect.Height() / 4);
          EXPECT_GT(probe::Count(shown, box->Rect, {50, 0, 200, 255}, 90), 5);
        }
        EXPECT_EQ(panel.Box2.Shown, page.code == 20 ? 1 : 0);
        if (page.code == 40) {
          const platform::WindowRect& mark = panel.OptionRects[0];
          EXPECT_GT(probe::Count(shown, {mark.left, mark.top, mark.left + mark.Height(), mark.bottom}, {0, 0, 0, 255}, 60), 20);
        }
        if (page.unit_type == 3) {
          EXPECT_EQ(panel.Box1.Wireless, 1);
          // The quality bar is green-yellow over the field.
          EXPECT_GT(probe::Count(shown, panel.Box1.Rect, {217, 255, 102, 255}, 60), 20);
        }
      }
    }
  }
}

TEST(PreparationScreens, SearchWithoutUnitsReturnsToTheStartPageUnlessBusy) {
  PreparationRig s(1366, 768, true);
  MainWindow& w = s.Window();
  OpenPreparationPage(w, *s.parts, 0, 0);
  DeviceThreadState = kDevicePaused;
  EXPECT_FALSE(ChooseStartPageAfterSearch(w, *s.parts));
  EXPECT_EQ(s.Panel().ScreenNumber(), InfoPanel::kPreparation);
  DeviceThreadState = kDeviceSearch;
  EXPECT_TRUE(ChooseStartPageAfterSearch(w, *s.parts));
  s.PaintAll();
  EXPECT_EQ(s.Panel().ScreenNumber(), InfoPanel::kStartPage);
  EXPECT_STREQ(s.Panel().Heading.Text(0), "For the measurements,");
}

}  // namespace
