// Mouse routing on the headless window: mouse sequences on both screens, the hint's delay and lifetime, hint pictures.
#include <gtest/gtest.h>

#include <array>

#include "app/hint_window.h"
#include "app_test_support.h"
#include "controls/aimage_button.h"
#include "layout/main_controls.h"
#include "layout/start_screen_title.h"
#include "platform/png_writer.h"

namespace {

using apptest::Rig;

TEST(MouseRouting, HoverShowsTheHintAfterASecondForItsLifetimeAndAMoveHidesIt) {
  for (const bool english : {false, true}) {
    Rig rig(1366, 768);
    MainWindow& w = rig.Create(english);
    for (int k = 0; k < 200; ++k) rig.Step(33);
    w.CurrentTimerId = 0;
    w.Bytes.MeasureScreenActive = 1;
    w.View->Sweep.GraphScreen = 1;
    w.SetHintStyleA();
    w.OnButtonHover(0, 0, 75045);
    EXPECT_EQ(w.CurrentTimerId, kTimerHintDelay);
    rig.Step(999);
    EXPECT_EQ(w.HintShown, 0);
    rig.Step(1);
    const AImageButton* hint = FindImageButton(rig.host.Window(), kHintWindowId);
    ASSERT_TRUE(w.HintShown == 1 && hint->IsVisible());
    EXPECT_EQ(hint->Caption(), HintTextFor(75045, {english})->First);
    EXPECT_LE(hint->Rect().right, 1356);
    EXPECT_TRUE(platform::WritePng(rig.host.Window().Pixels(), std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/hint_measure_" +
                                                        (english ? "en" : "ru") + ".png"));
    rig.Step(5000);
    EXPECT_FALSE(w.HintShown != 0 || hint->IsVisible());
    // A move away hides a pending hint.
    w.OnButtonHover(0, 0, 75045);
    w.OnMouseMove(0, 5, 5);
    EXPECT_EQ(w.CurrentTimerId, 0);
  }
}

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
    EXPECT_EQ(FindImageButton(rig.host.Window(), kHintWindowId)->Caption(), HintTextFor(kHintSensorUsed, {english})->First);
    EXPECT_TRUE(platform::WritePng(rig.host.Window().Pixels(), std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/hint_start_" +
                                                                   (english ? "en" : "ru") + ".png"));
    rig.Step(7999);
    EXPECT_EQ(w.HintShown, 1);
    rig.Step(1);
    EXPECT_EQ(w.HintShown, 0);
  }
}

TEST(MouseRouting, SequencesOnBothScreens) {
  Rig rig(1366, 768);
  MainWindow& w = rig.Create();
  for (int k = 0; k < 200; ++k) rig.Step(33);
  w.CurrentTimerId = 0;
  // Measurement screen: presses inside the view rectangle reach the graph view, others end its drag.
  w.Bytes.MeasureScreenActive = 1;
  w.ViewSlots[0] = w.View.get();
  w.View->Active = 1;
  w.View->RecordViewable = 1;
  const PixelRect v = w.View->ViewRect;
  // The graph-area test needs both spans, edges included.
  const std::array<std::array<std::int32_t, 3>, 4> area = {{{v.Left, v.Top, 1}, {v.Right, v.Bottom, 1}, {v.Left, v.Bottom + 1, 0}, {v.Right + 1, v.Top, 0}}};
  for (const auto& [x, y, inside] : area) EXPECT_EQ(w.View->InGraphArea(x, y), inside != 0) << x << "," << y;
  const std::int32_t cx = (v.Left + v.Right) / 2, cy = (v.Top + v.Bottom) / 2;
  struct Step { platform::MouseKind kind; std::int32_t x, y; std::uint8_t armed; };
  const Step steps[] = {{platform::MouseKind::LeftDown, cx, cy, 1},         {platform::MouseKind::LeftUp, cx, cy, 0},
                        {platform::MouseKind::LeftDown, cx, v.Bottom + 5, 0}, {platform::MouseKind::LeftDown, cx, v.Top, 1},
                        {platform::MouseKind::LeftUp, v.Right + 5, cy, 0}};
  for (const Step& s : steps) {
    w.OnMouse({s.kind, {s.x, s.y}, 0});
    EXPECT_EQ(w.View->DataDragArmed, s.armed) << (&s - steps);
  }
  // The menu chain: a pressed Marker stays while hovered itself, and goes when another menu button is.
  AImageButton* marker = FindImageButton(rig.host.Window(), 75051);
  marker->State = ControlFrame::kStateDown;
  w.OnButtonHover(0, 0, 75051);
  EXPECT_EQ(marker->State.load(), ControlFrame::kStateDown);
  w.OnButtonHover(0, 0, 75012);
  EXPECT_EQ(marker->State.load(), ControlFrame::kStateUp);
  EXPECT_EQ(w.CurrentTimerId, 0);  // a chain that found a pressed button starts no hint
  // Near the sliders at the corners of the widened box, not past its top-right corner.
  ASSERT_TRUE(FindMainControl(rig.host.Window(), 75001) && FindMainControl(rig.host.Window(), 75003));
  const platform::WindowRect a = FindMainControl(rig.host.Window(), 75001)->Rect();
  const platform::WindowRect b = FindMainControl(rig.host.Window(), 75003)->Rect();
  const auto mx = static_cast<std::int32_t>(40 * w.Metrics.ScaleX), my = static_cast<std::int32_t>(40 * w.Metrics.ScaleY);
  EXPECT_TRUE(w.NearScaleSliders(b.left - mx + 1, a.bottom + my - 1));
  EXPECT_FALSE(w.NearScaleSliders(b.left - mx - 2, a.bottom));

  // Start screen: a tick click flips the sensor and its slot; the title band animates in and out.
  w.Bytes.MeasureScreenActive = 0;
  w.Bytes.InfoScreenActive = 1;
  w.InfoPanelRevealed = 1;
  w.SensorChosen = {0, 1, 0, 0};
  w.SensorTickRects[1] = {300, 300, 330, 330};
  {
    std::lock_guard lock(w.Devices->TableLock);
    w.Devices->DeviceTable[1] = std::make_unique<FTRecordDevice>();
    w.Devices->DeviceTable[1]->LocationId = 0x21;
  }
  const DeviceSlot probe = w.SlotBinder->Probe(*w.Devices->DeviceTable[1]);
  w.DeviceSlots[2].InUse = 1;
  w.DeviceSlots[2].Location = probe.Location;
  w.DeviceSlots[2].SerialNumber = probe.SerialNumber;
  w.OnMouse({platform::MouseKind::LeftDown, {330, 330}, 0});
  EXPECT_EQ(w.Bytes.SensorPrepared[1].load(), 1);
  EXPECT_EQ(w.DeviceSlots[2].SelectedForRecord, 1);
  {
    std::lock_guard lock(w.Devices->TableLock);
    w.Devices->DeviceTable[1].reset();
  }
  w.OnMouse({platform::MouseKind::LeftDown, {310, 310}, 0});  // the unit has gone: the slot stays
  EXPECT_EQ(w.Bytes.SensorPrepared[1].load(), 0);
  EXPECT_EQ(w.DeviceSlots[2].SelectedForRecord, 1);

  StartScreenTitle title;
  title.TitleArea = {20, 20, 600, 130};
  std::vector<int> started;
  w.MouseParts.Title = [&title] { return &title; };
  w.MouseParts.StartTitleTimer = [&](std::uint8_t receding) {
    title.Receding = receding;
    started.push_back(receding);
    w.CurrentTimerId = kTimerTitle;
  };
  w.StartScreenDirty = 0;
  w.OnMouse({platform::MouseKind::Move, {100, 100}, 0});
  w.OnMouse({platform::MouseKind::Move, {100, 100}, 0});  // the same point does nothing
  w.CurrentTimerId = 0;
  w.OnMouse({platform::MouseKind::Move, {100, 400}, 0});
  EXPECT_EQ(started, (std::vector<int>{0, 1}));
  EXPECT_EQ(w.CurrentTimerId, kTimerTitle);
}

}  // namespace
