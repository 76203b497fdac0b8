// The start screen's composition: panel geometry from the "Measurements" button, composed once, and the button's readiness colours.
#include <gtest/gtest.h>

#include "app_test_support.h"
#include "controls/aimage_button.h"
#include "sim/bus.h"

namespace {

using apptest::Rig;
using platform::WindowRect;

MainWindow& OpenStartScreen(Rig& rig) {
  MainWindow& w = rig.Create(false);
  for (int k = 0; k < 100 && w.StartupInProgress != 0; ++k) rig.Step(33);
  return w;
}

TEST(StartScreenComposition, PanelGeometryAtThreeSizes) {
  // Derived by hand from the "Measurements" button's place and the panel's offsets.
  const struct {
    int width, height;
    WindowRect area, content, inner, slide;
  } cases[] = {
      {1280, 994, {258, 210, 1158, 884}, {510, 225, 1148, 869}, {470, 225, 1143, 869}, {228, 180, 1188, 914}},
      {1366, 768, {275, 152, 1235, 714}, {543, 163, 1225, 703}, {501, 163, 1219, 703}, {243, 129, 1267, 737}},
      {1920, 1080, {386, 205, 1736, 1004}, {764, 221, 1721, 988}, {704, 221, 1714, 988}, {341, 173, 1781, 1036}},
  };
  sim::Bus::Instance().Reset(sim::ClockMode::Virtual);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    Rig rig(c.width, c.height);
    const PanelAnimation& panel = *OpenStartScreen(rig).Panels[1];
    EXPECT_EQ(panel.Area, c.area);
    EXPECT_EQ(panel.ContentArea, c.content);
    EXPECT_EQ(panel.InnerArea, c.inner);
    EXPECT_EQ(panel.SlideArea, c.slide);
    if (c.width == 1280) {
      const std::array<double, 16> outline{510, 240, 1128, 240, 1148, 260, 1148, 824, 1128, 869, 510, 869, 510, 260, 510, 260};
      EXPECT_EQ(panel.Outline, outline);
    }
  }
}

TEST(StartScreenComposition, FirstPaintComposesAndStartsTheRevealLaterOnesDoNot) {
  Rig rig;
  MainWindow& w = OpenStartScreen(rig);
  EXPECT_EQ(w.StartBackgroundComposed, 1);
  EXPECT_EQ(w.CurrentTimerId, kTimerPanelSlide);
  for (int k = 0; k < 60 && w.Panels[1]->ContentShown == 0; ++k) rig.Step(33);
  ASSERT_EQ(w.CurrentTimerId, 0);
  // A mark in the composed background survives later paints: nothing composes it again.
  platform::Surface& background = w.BackBuffer(1);
  background.SetPixel(2, 2, platform::Colour{1, 2, 3, 255});
  w.MainButtonsShow();
  rig.host.Window().UpdateNow();
  EXPECT_EQ(w.CurrentTimerId, 0);
  EXPECT_EQ(background.GetPixel(2, 2), (platform::Colour{1, 2, 3, 255}));
  // The start screen's set: "Measurements", the caption, "Open file", close and minimise.
  for (std::int32_t id : {75172, 75171, 75185, 75167, 75169}) {
    bool shown = false;
    for (platform::Control* control : w.Window().Controls()) shown = shown || (control->Id() == id && control->IsVisible());
    EXPECT_TRUE(shown) << id;
  }
}

TEST(StartScreenComposition, MeasurementsColoursFollowReadiness) {
  Rig rig;
  MainWindow& w = OpenStartScreen(rig);
  for (int k = 0; k < 60 && w.Panels[1]->ContentShown == 0; ++k) rig.Step(33);
  AImageButton* button = nullptr;
  for (platform::Control* control : w.Window().Controls()) {
    if (control->Id() == 75172) button = dynamic_cast<AImageButton*>(control);
  }
  ASSERT_NE(button, nullptr);
  const auto first = [&w] { return w.MeasureColours[0]; };
  w.UpdateMeasureButton();
  EXPECT_EQ(w.MeasureButtonReady, 0);
  EXPECT_EQ(first().r, 209);
  EXPECT_FALSE(w.SetMeasureButtonNotReady());  // already in that set: nothing changes
  // Chosen and prepared on one button: ready.
  w.SensorChosen[2] = 1;
  w.Bytes.SensorPrepared[2] = 1;
  w.UpdateMeasureButton();
  EXPECT_EQ(w.MeasureButtonReady, 1);
  EXPECT_EQ(first().r, 142);
  EXPECT_EQ(w.MeasureColours[3].b, 255);
  EXPECT_EQ(button->TargetLook(), 1);
  // Again ready: the setter refuses and the button is only reset, back to its normal look.
  w.UpdateMeasureButton();
  EXPECT_EQ(first().r, 142);
  EXPECT_EQ(button->TargetLook(), AImageButton::kNormal);
  w.Bytes.SensorPrepared[2] = 0;
  w.UpdateMeasureButton();
  EXPECT_EQ(w.MeasureButtonReady, 0);
  EXPECT_EQ(w.MeasureColours[5].r, 171);
}

}  // namespace
