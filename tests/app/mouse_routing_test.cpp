// Mouse routing on the headless window: the graph-area test, the hint's delay and lifetime, a hint picture.
#include <gtest/gtest.h>

#include "app/hint_window.h"
#include "app_test_support.h"
#include "controls/aimage_button.h"
#include "platform/png_writer.h"

namespace {

using apptest::Rig;

TEST(MouseRouting, GraphAreaNeedsBothSpans) {
  Rig rig(1366, 768);
  MainWindow& w = rig.Create();
  w.View->ViewRect = {100, 50, 900, 600};
  struct Case { std::int32_t x, y; bool inside; };
  const Case cases[] = {{100, 50, true}, {900, 600, true}, {500, 700, false}, {950, 300, false}, {950, 700, false}};
  for (const Case& c : cases) EXPECT_EQ(w.View->InGraphArea(c.x, c.y), c.inside) << c.x << "," << c.y;
}

TEST(MouseRouting, HoverShowsTheHintAfterASecondForItsLifetimeAndAMoveHidesIt) {
  for (const bool english : {false, true}) {
    Rig rig(1366, 768);
    MainWindow& w = rig.Create(english);
    rig.host.Window().KillTimer(kTimerIntro);
    w.StartupInProgress = 0;
    w.StartBackgroundComposed = 1;
    w.Bytes.MeasureScreenActive = 1;
    w.View->Sweep.GraphScreen = 1;
    w.SetHintStyleA();
    w.OnButtonHover(0, 0, 75045);
    EXPECT_EQ(w.CurrentTimerId, kTimerHintDelay);
    rig.Step(999);
    EXPECT_EQ(w.HintShown, 0);
    rig.Step(1);
    EXPECT_EQ(w.HintShown, 1);
    auto* hint = FindImageButton(rig.host.Window(), kHintWindowId);
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->IsVisible());
    EXPECT_EQ(hint->Caption(), HintTextFor(75045, {english})->First);
    const platform::WindowRect place = hint->Rect();
    EXPECT_GT(place.left, 0);
    EXPECT_LE(place.right, 1356);
    rig.host.Window().UpdateNow();
    EXPECT_TRUE(platform::WritePng(rig.host.Window().Pixels(), std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/hint_measure_" +
                                                        (english ? "en" : "ru") + ".png"));
    rig.Step(5000);
    EXPECT_EQ(w.HintShown, 0);
    EXPECT_FALSE(hint->IsVisible());
    // A move away hides a pending hint.
    w.OnButtonHover(0, 0, 75045);
    w.OnMouseMove(0, 5, 5);
    EXPECT_EQ(w.CurrentTimerId, 0);
  }
}

}  // namespace

TEST(MouseRouting, ATickZoneHintOnTheStartScreenLastsEightSeconds) {
  for (const bool english : {false, true}) {
    Rig rig(1366, 768);
    MainWindow& w = rig.Create(english);
    for (int k = 0; k < 200; ++k) rig.Step(33);
    w.CurrentTimerId = 0;
    w.Bytes.InfoScreenActive = 1;
    w.InfoPanelRevealed = 1;
    w.StartScreenDirty = 0;
    w.SetHintStyleB();
    w.SensorChosen = {1, 0, 0, 0};
    w.Bytes.SensorPrepared[0] = 1;
    w.SensorTickRects[0] = {300, 300, 330, 330};
    w.OnMouseMove(0, 310, 310);
    EXPECT_EQ(w.CurrentTimerId, kTimerHintDelay);
    EXPECT_EQ(w.HintId, kHintSensorUsed);
    rig.Step(1000);
    ASSERT_EQ(w.HintShown, 1);
    auto* hint = FindImageButton(rig.host.Window(), kHintWindowId);
    EXPECT_EQ(hint->Caption(), HintTextFor(kHintSensorUsed, {english})->First);
    EXPECT_EQ(hint->Rect().left, 330 + static_cast<int>(10 * w.Metrics.UiScale));
    rig.host.Window().UpdateNow();
    EXPECT_TRUE(platform::WritePng(rig.host.Window().Pixels(), std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/hint_start_" +
                                                                   (english ? "en" : "ru") + ".png"));
    rig.Step(7999);
    EXPECT_EQ(w.HintShown, 1);
    rig.Step(1);
    EXPECT_EQ(w.HintShown, 0);
  }
}
