// The measurement toolbar on the simulated bus with real workers: the channel panel's filters, a unit
// pulled while recording, sensor settings refused without units.
#include <gtest/gtest.h>

#include <chrono>

#include "app/start_screen_parts.h"
#include "app_test_support.h"
#include "controls/aimage_button.h"
#include "controls/stick_button_mod.h"
#include "fast_clock.h"
#include "sim/unit_list.h"

namespace {

TEST(ToolbarOnTheBus, PanelFiltersThenAPullLosesNothingRecordedThenSettingsAreRefused) {
  sim::Bus& bus = sim::Bus::Instance();
  bus.Reset(sim::ClockMode::Virtual);
  const sim::Signal ramp = sim::Signal::Ramp(100, 4000, 0.5);
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(sim::AttachUnit(bus, sim::ParseUnitList("wired:04/1195:ramp=100,4000,0.5")[0]));
  apptest::FastClock clock;
  apptest::Rig rig(1366, 768);
  rig.environment.Clock = &clock;
  std::shared_ptr<StartScreenParts> parts;
  MainWindow& w = rig.Create(false, [&](MainWindow& created) { parts = InstallStartScreenParts(created); });
  const auto until = [&](const std::function<bool()>& done) {
    const auto watchdog = std::chrono::steady_clock::now() + std::chrono::minutes(2);  // against hangs only
    bool met = done();
    while (!met && std::chrono::steady_clock::now() < watchdog) {
      rig.host.Pump(), std::this_thread::sleep_for(std::chrono::milliseconds(1));
      met = done();
    }
    ASSERT_TRUE(met);
  };
  // A click as the button reports it: its state toggled, then the press.
  const auto click = [&](std::int32_t id) {
    apptest::PressButton(w, id);
  };
  // Both units chosen on the start screen, prepared and both tick boxes ticked (which the window
  // reads into the slots as it leaves the start screen).
  for (int k = 0; k < 400 && w.Panels[1]->ContentShown == 0; ++k) rig.Step(33);
  until([&] { return w.SensorButtons[0].Unit != nullptr && w.SensorButtons[1].Unit != nullptr; });
  for (std::int32_t i : {1, 0}) {
    click(75163 + i);
    std::lock_guard lock(w.Devices->TableLock);
    w.SlotBinder->MarkSlotForDevice(*w.Devices->DeviceTable[static_cast<std::size_t>(i)]);
  }
  w.RefreshDevices(1);
  for (auto& ticked : w.Bytes.SensorPrepared) ticked = 1;
  w.GotoGraphScreen();
  GraphView& view = *w.View;

  // The channel panel opens with the channel's filters; its choices reach the channel, its help
  // shows one line above it and changes nothing, and its close releases the slot button.
  VessamorChannel* first = w.DeviceSlots[0].Channels[0];
  first->MedianWindow = 7;
  click(75181);
  auto* panel = dynamic_cast<StickButtonMod*>(FindMainControl(w.Window(), kSettingsPanelId));
  ASSERT_TRUE(panel->IsVisible());
  EXPECT_EQ(panel->Sliders[0].Value, 7);
  const auto notify = [&](std::uint8_t code, std::int32_t median_on, std::int32_t help) {
    panel->ActionCode = code;
    panel->MedianOn = median_on;
    panel->HelpShown = help;
    w.OnButtonPress(0, 0, kSettingsPanelId);
  };
  panel->Sliders[0].Value = 9;
  notify(StickButtonMod::kMedian, 1, StickButtonMod::kNoHelp);
  EXPECT_TRUE(first->MedianOn == 1 && first->MedianWindow == 9);
  notify(StickButtonMod::kMedian, 0, StickButtonMod::kMedianHelp);
  const AImageButton* hint = FindImageButton(w.Window(), kHintWindowId);
  EXPECT_TRUE(hint->IsVisible() && hint->Rect().bottom <= panel->Rect().top);
  EXPECT_EQ(first->MedianOn, 1);
  notify(StickButtonMod::kClose, 1, StickButtonMod::kNoHelp);
  EXPECT_FALSE(panel->IsVisible());
  EXPECT_EQ(w.Controls.ChannelOptionButtons[0]->State.load(), ControlFrame::kStateUp);

  // The sensor settings panel asks the window to paint where it opens.
  rig.host.Pump();
  click(75037);
  const PixelRect opened = w.SettingsPanelRect;
  EXPECT_TRUE(opened.Right > opened.Left && w.Window().DirtyBounds().Contains({opened.Left, opened.Top}));
  click(75037);

  // One unit pulled while both record: every sample before is its unit's ramp, the pull ends the
  // recording at once, and the record stays viewable.
  w.OnKeyDown(platform::key::kSpace, 1, 0);
  ASSERT_EQ(view.Recording.load(), 1);
  // While recording previous scale is dropped (its button stays as the click left it); the channel panel still opens.
  click(75014);
  EXPECT_EQ(FindImageButton(w.Window(), 75014)->State.load(), ControlFrame::kStateDown);
  click(75181);
  EXPECT_TRUE(panel->IsVisible());
  std::uint32_t pulled_at = 0;
  until([&] {
    std::lock_guard lock(view.ViewLock);
    return (pulled_at = view.SampleCount) > 1000;
  });
  const std::array<const VessamorChannel*, 2> recorded{first, w.DeviceSlots[1].Channels[0]};
  ASSERT_TRUE(bus.Unplug(bus.Units()[1]));
  until([&] { return ConnectedMask.load() == 1 && view.Recording.load() == 0; });
  rig.host.Pump();
  {
    std::lock_guard lock(view.ViewLock);
    ASSERT_GE(view.SampleCount, pulled_at);
    EXPECT_NE(view.RecordViewable, 0);
    const std::uint16_t period = StartPeriodUs(view.RecordRate);
    for (std::size_t s = 0; s < 2; ++s) {
      ASSERT_GE(recorded[s]->CodeCount, pulled_at) << s;
      for (std::uint32_t i = 0; i < pulled_at; ++i) {
        ASSERT_EQ(recorded[s]->Codes[i], ramp.CodeAt(i * period * 1e-6, i)) << s << " " << i;
      }
    }
  }

  // Without a unit the sensor settings pop back up and the worker is let go to search.
  ASSERT_TRUE(bus.Unplug(bus.Units()[0]));
  until([] { return ConnectedMask.load() == 0; });
  click(75037);
  EXPECT_EQ(FindImageButton(w.Window(), 75037)->State.load(), ControlFrame::kStateUp);
  EXPECT_EQ(DeviceThreadState.load(), kDeviceSearch);
  // Without an active view no command runs, not even close.
  view.Active = 0;
  w.OnButtonPress(0, 0, 75016);
  rig.host.Pump();
  EXPECT_FALSE(w.Window().IsClosed());
}

}  // namespace
