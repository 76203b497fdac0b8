// The preparation steps on a fake clock: throttle, prepared on entry, ranges, typed values, pending steps, live text, pairs, six positions.
#include <gtest/gtest.h>

#include "channels/sensor_kind_table.h"
#include "channels/vessamor_channel.h"
#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"
#include "info/info_panel.h"
#include "preparation_fakes.h"

namespace {

float Thousandths(std::int16_t code, const VessamorChannel*) { return static_cast<float>(code) / 1000.0f; }

class PreparationStepTest : public ::testing::Test {
 protected:
  PreparationStepTest() : panel(InfoPanel::kPreparation, InfoPanelOwner{}) {
    view.Init(20000, PixelRect{40, 60, 1240, 860}, 0xFF, &window);
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      view.Channel(k).RawToValueFn = Thousandths;
      view.Channel(k).Enabled = 1;
    }
    view.Scale.TopValue = 100.0;
    view.SetChannelFlags(4, 0);
  }
  // Every channel's newest code.
  void Feed(std::int16_t code) {
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) view.Channel(k).AppendCode(code);
    view.SampleCount = view.Channel(0).CodeCount;
  }
  void Open(std::uint16_t code, std::uint8_t button = 0) {
    panel.SensorCode = code;
    panel.SensorButton = button;
    panel.DeviceIndex = button;
    view.Channel(0).SensorCode = code;
    panel.BindValueBoxes(nullptr, &view.Channel(0), &view.Channel(1));
    panel.Box1.Shown = 1;
    ResetPreparationPage(panel);
  }
  void Step(int ms = 151) {
    host.now += ms;
    ApplyPreparationStep(panel, view, host);
  }

  FakeMainWindow window;
  GraphView view;
  InfoPanel panel;
  FakePreparationHost host;
};

TEST_F(PreparationStepTest, PreparedOnEntryInOneCallThrottledAndPendingForItsOwnPage) {
  Open(1);
  Step();
  EXPECT_EQ(host.prepared, std::vector<int>{0});
  EXPECT_EQ(host.ready, 1);
  Step(150);
  EXPECT_EQ(host.redraws, 1);
  Step(1);
  EXPECT_EQ(host.redraws, 2);
  // A step armed on another sensor's page waits for that page.
  panel.Steps.StepPending = 1;
  panel.Steps.StepButton = 1;
  Step();
  EXPECT_EQ(panel.Steps.StepPending, 1);
  EXPECT_EQ(host.prepared.size(), 1u);
}

TEST_F(PreparationStepTest, ConductivityAlternatesItsRanges) {
  Open(6);
  view.Channel(0).DeviceTypeCode = 11;
  const struct {
    std::uint8_t mode, acquisition;
    std::uint16_t code;
    std::size_t prepared;
  } expected[] = {{0x55, 1, 19, 0}, {0x57, 2, 6, 1}, {0x55, 1, 19, 1}, {0x57, 2, 6, 2}};
  for (const auto& e : expected) {
    PressActionButton(panel);
    Step();
    EXPECT_EQ(host.modes.back(), e.mode);
    EXPECT_EQ(view.AcquisitionMode, e.acquisition);
    EXPECT_EQ(view.Channel(0).SensorCode, e.code);
    EXPECT_EQ(host.prepared.size(), e.prepared);
  }
  // A failed send ends the step without touching the channel.
  host.send_ok = false;
  PressActionButton(panel);
  Step();
  EXPECT_EQ(view.Channel(0).SensorCode, 6);
  EXPECT_EQ(panel.Steps.StepPending, 0);
}

TEST_F(PreparationStepTest, TypedReferenceSetsTheOffsetZeroIncluded) {
  // The channel reads 12 here: a typed value is what it reads from then on, its offset 12 less that value.
  const std::pair<std::string_view, float> cases[] = {{"25.0", -13.0f}, {"0", 12.0f}};
  for (const auto& [typed, offset] : cases) {
    Open(1);
    Feed(12000);
    Step();
    host.prepared.clear();
    panel.Box1.EditState = 2;
    panel.Box1.Text = typed;
    EXPECT_TRUE(panel.FinishValueInputs());
    Step();
    EXPECT_EQ(host.prepared, std::vector<int>{0}) << typed;
    EXPECT_EQ(view.Channel(0).ZeroOffset, offset) << typed;
    EXPECT_EQ(view.Channel(0).EnteredValueSet, 0) << typed;
    EXPECT_EQ(panel.Box1.EditState, 0);
  }
}

TEST_F(PreparationStepTest, LiveTextDropsTheLastDigitInsteadOfRounding) {
  const std::pair<std::int16_t, std::string_view> cases[] = {{1239, "1.23"}, {-1239, "-1.23"}, {-1, "0.00"}};
  for (const auto& [code, text] : cases) {
    Open(28);
    Feed(code);
    Step();
    EXPECT_EQ(panel.Box1.Text, text);
  }
}

TEST_F(PreparationStepTest, GasLawUnitsPair) {
  const struct {
    bool partner_present_first, partner_unplugged;
    std::vector<int> prepared;
  } cases[] = {{true, false, {0}}, {false, false, {1, 0}}, {false, true, {1}}};
  for (const auto& c : cases) {
    host.prepared.clear();
    host.units.clear();
    host.codes = {46, static_cast<std::uint8_t>(c.partner_present_first ? 26 : 0), 0, 0};
    view.TwoChannelText = 0;
    Open(46, 0);
    Step();
    if (!c.partner_present_first) {
      EXPECT_EQ(panel.Steps.PairPending, 1);
      if (!c.partner_unplugged) host.units[panel.Steps.PairSerial] = 0;
      host.codes[1] = 26;
      Open(26, 1);
      Step();
    }
    EXPECT_EQ(host.prepared, c.prepared);
    EXPECT_EQ(view.TwoChannelText, c.partner_unplugged ? 0 : 1);
    EXPECT_EQ(panel.Steps.PairPending, 0);
  }
}

TEST_F(PreparationStepTest, SixPositionsCalibrateTheAxesAndPrepareOnce) {
  Open(7);
  for (int press = 1; press <= 6; ++press) {
    Feed(static_cast<std::int16_t>(press % 2 == 1 ? 1000 : -1000));
    PressActionButton(panel);
    Step();
    EXPECT_EQ(panel.Box1.Label, AccelerometerLabel(static_cast<std::uint8_t>(press % 6), false));
  }
  for (std::size_t k = 0; k < 3; ++k) EXPECT_NE(view.Channel(k).Gain, 1.0f) << k;
  EXPECT_EQ(host.prepared, std::vector<int>{0});
  EXPECT_EQ(panel.Box1.Channel, &view.Channel(0));
}

TEST_F(PreparationStepTest, GasZeroStepWidensTheAxis) {
  for (std::uint16_t code : {26, 27}) {
    Open(code);
    Step();
    PressActionButton(panel);
    Step();
    EXPECT_EQ(view.Channel(0).NoClamp, 1);
    EXPECT_EQ(view.Channel(0).ScaleMappingPair.Forward, SensorKindRowFor(code).NoClampAxis.Forward);
  }
}

}  // namespace
