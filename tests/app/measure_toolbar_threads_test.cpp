// The measurement toolbar on the simulated bus with real workers: a unit pulled while recording, a refused
// sensor settings press, the channel panel's filter choices.
#include <gtest/gtest.h>

#include "app/start_screen_parts.h"
#include "app_test_support.h"
#include "controls/aimage_button.h"
#include "controls/stick_button_mod.h"
#include "fast_clock.h"
#include "sim/unit_list.h"

namespace {

const sim::Signal kRamp = sim::Signal::Ramp(100, 4000, 0.5);

class ToolbarOnTheBus : public ::testing::Test {
 protected:
  void SetUp() override {
    bus.Reset(sim::ClockMode::Virtual);
    for (const sim::UnitSpec& unit : sim::ParseUnitList("wired:04/1195:ramp=100,4000,0.5;wired:04/1195:ramp=100,4000,0.5")) {
      ASSERT_TRUE(sim::AttachUnit(bus, unit));
    }
    rig.environment.Clock = &clock;
  }
  void TearDown() override { bus.Reset(sim::ClockMode::Virtual); }
  void Until(const std::function<bool()>& done) {
    for (int k = 0; k < 20000 && !done(); ++k) {
      rig.host.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(done());
  }
  // The measurement screen with the first `units` units chosen on the start screen and ticked for the record.
  MainWindow& Enter(std::size_t units) {
    MainWindow& w = rig.Create(false, [this](MainWindow& created) { parts = InstallStartScreenParts(created); });
    for (int k = 0; k < 400 && w.Panels[1]->ContentShown == 0; ++k) rig.Step(33);
    Until([&] { return w.SensorButtons[0].Unit != nullptr && w.SensorButtons[1].Unit != nullptr; });
    for (std::size_t i = units; i-- > 0;) {
      Click(w, 75163 + static_cast<std::int32_t>(i));
      {
        std::lock_guard lock(w.Devices->TableLock);
        w.SlotBinder->MarkSlotForDevice(*w.Devices->DeviceTable[i]);
      }
      w.RefreshDevices(1);
      w.UpdateMeasureButton();
    }
    for (DeviceSlot& slot : w.DeviceSlots) slot.SelectedForRecord = 1;
    w.GotoGraphScreen();
    return w;
  }
  // A click as the button reports it: its state toggled, then the press.
  static void Click(MainWindow& w, std::int32_t id) {
    AImageButton* button = FindImageButton(w.Window(), id);
    button->State = button->State.load() == ControlFrame::kStateUp ? ControlFrame::kStateDown : ControlFrame::kStateUp;
    w.OnButtonPress(0, 0, id);
  }

  sim::Bus& bus = sim::Bus::Instance();
  apptest::FastClock clock;
  apptest::Rig rig{1366, 768};
  std::shared_ptr<StartScreenParts> parts;
};

TEST_F(ToolbarOnTheBus, APulledUnitLosesNothingRecordedBeforeAndTheRecordStaysViewable) {
  MainWindow& w = Enter(2);
  GraphView& view = *w.View;
  w.OnKeyDown(platform::key::kSpace, 1, 0);
  ASSERT_EQ(view.Recording.load(), 1);
  std::uint32_t pulled_at = 0;
  Until([&] {
    std::lock_guard lock(view.ViewLock);
    return (pulled_at = view.SampleCount) > 1000;
  });
  ASSERT_TRUE(bus.Unplug(bus.Units()[1]));
  Until([] { return ConnectedMask.load() == 1; });
  if (view.Recording.load() != 0) w.OnKeyDown(platform::key::kSpace, 1, 0);
  rig.host.Pump();
  std::lock_guard lock(view.ViewLock);
  ASSERT_GE(view.SampleCount, pulled_at);
  EXPECT_NE(view.RecordViewable, 0);
  const std::uint16_t period = StartPeriodUs(view.RecordRate);
  for (std::size_t s = 0; s < 2; ++s) {
    const VessamorChannel& channel = *w.DeviceSlots[s].Channels[0];
    for (std::uint32_t i = 0; i < pulled_at; ++i) {
      ASSERT_EQ(channel.Codes[i], kRamp.CodeAt(static_cast<double>(i * period) * 1e-6, i)) << "slot " << s << " sample " << i;
    }
  }
}

TEST_F(ToolbarOnTheBus, RefusedSensorSettingsLeaveTheWorkerSearchingAndTheButtonUp) {
  MainWindow& w = Enter(0);
  Click(w, 75037);
  EXPECT_EQ(FindImageButton(w.Window(), 75037)->State.load(), ControlFrame::kStateUp);
  EXPECT_EQ(DeviceThreadState.load(), kDeviceSearch);
}

TEST_F(ToolbarOnTheBus, ChannelPanelChoicesActOnTheLiveChannel) {
  MainWindow& w = Enter(1);
  VessamorChannel& channel = *w.DeviceSlots[0].Channels[0];
  channel.MedianWindow = 7;
  Click(w, 75181);
  auto* panel = dynamic_cast<StickButtonMod*>(FindMainControl(w.Window(), kSettingsPanelId));
  ASSERT_TRUE(panel->IsVisible());
  EXPECT_EQ(panel->Sliders[0].Value, 7);  // loaded from the channel
  const auto notify = [&](std::uint8_t code) {
    panel->ActionCode = code;
    w.OnButtonPress(0, 0, kSettingsPanelId);
  };
  panel->MedianOn = 1;
  panel->Sliders[0].Value = 9;
  notify(StickButtonMod::kMedian);
  EXPECT_EQ(channel.MedianOn, 1);
  EXPECT_EQ(channel.MedianWindow, 9);
  // With its help shown, the item shows the help, one line above the panel, and changes nothing.
  panel->HelpShown = StickButtonMod::kMedianHelp;
  panel->MedianOn = 0;
  notify(StickButtonMod::kMedian);
  const AImageButton* hint = FindImageButton(w.Window(), kHintWindowId);
  EXPECT_TRUE(hint->IsVisible() && hint->Rect().bottom <= panel->Rect().top);
  EXPECT_EQ(hint->Caption(), "Фильтр медианный - используется для обработки сигналов, подверженных воздействию импульсных помех.");
  EXPECT_EQ(channel.MedianOn, 1);
  notify(StickButtonMod::kClose);
  EXPECT_FALSE(panel->IsVisible());
  EXPECT_EQ(w.Controls.ChannelOptionButtons[0]->State.load(), ControlFrame::kStateUp);
}

}  // namespace
