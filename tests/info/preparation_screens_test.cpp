// The preparation page on the headless window: where a search without units leads.
#include <gtest/gtest.h>

#include "../app/app_test_support.h"
#include "acquisition/device_status.h"
#include "acquisition/ft_record_device.h"
#include "app/preparation_steps.h"
#include "app/start_screen_parts.h"

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
