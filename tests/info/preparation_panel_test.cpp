// The preparation page's set-ups by kind: box sets, binding, labels and the action button.
#include <gtest/gtest.h>

#include <tuple>

#include "acquisition/ft_record_device.h"
#include "channels/main_window_services.h"
#include "channels/vessamor_channel.h"
#include "info/info_panel.h"

namespace {

class PreparationPanelTest : public ::testing::Test {
 protected:
  PreparationPanelTest() : panel(InfoPanel::kPreparation, Owner()) {
    panel.Calls.PlaceActionButton = [this](const platform::WindowRect&, const std::string& caption) { placed = caption; };
    panel.Calls.HideActionButton = [this] { placed = "(none)"; };
  }
  InfoPanelOwner Owner() {
    InfoPanelOwner owner;
    owner.Content = {100, 200, 700, 900};
    owner.Bytes = &bytes;
    return owner;
  }
  void SetUp(std::uint16_t code, bool english = false) {
    bytes.EnglishUi = english ? 1 : 0;
    panel.SensorCode = code;
    placed.clear();
    panel.SetupPreparationButtons();
  }

  MainWindowBytes bytes;
  InfoPanel panel;
  std::string placed;
};

TEST_F(PreparationPanelTest, BoxSetsLabelsAndButtonsByKind) {
  const struct {
    std::uint16_t code;
    bool english;
    std::uint8_t set, box2_shown;
    std::string_view label, caption;
  } cases[] = {
      {1, false, 3, 0, "Текущее значение", "Установить 0"},        {20, true, 2, 1, "Current value 1", "Set 0"},
      {34, false, 2, 1, "Минимальный отклик", "Ввести значение"}, {34, true, 1, 0, "Optical density", "Backlight"},
      {78, false, 2, 1, "Текущее значение 1", "(none)"},         {35, true, 1, 0, "Current value", "(none)"},
  };
  for (const auto& c : cases) {
    SetUp(c.code, c.english);
    EXPECT_EQ(panel.ButtonSet, c.set) << c.code;
    EXPECT_EQ(panel.Box2.Shown, c.box2_shown) << c.code;
    EXPECT_EQ(panel.Box1.Label, c.label) << c.code;
    EXPECT_EQ(placed, c.caption) << c.code;
  }
  SetUp(40);
  EXPECT_EQ(panel.SpecialMode, 1);
  EXPECT_EQ(panel.BreathingMode, 1);
  // The conductivity label follows the channel's range, the accelerometer's its step.
  VessamorChannel channel;
  panel.BindValueBoxes(nullptr, &channel, nullptr);
  const std::tuple<std::uint16_t, bool, std::string_view> ranges[] = {
      {6, false, "Диапазон 5 мСм/см"}, {19, false, "Диапазон 100 мкСм/см"}, {6, true, "Range 5 mS/cm"}, {19, true, "Range 100 µS/cm"}};
  for (const auto& [channel_code, english, label] : ranges) {
    channel.SensorCode = channel_code;
    SetUp(6, english);
    EXPECT_EQ(panel.Box1.Label, label);
  }
  panel.Steps.StepCount = 5;
  const std::string_view axes[] = {"X", "X (180°)", "Y", "Y (180°)", "Z", "Z (180°)", "X"};
  for (std::uint8_t index = 0; index <= 6; ++index) {
    panel.Steps.StepIndex = index;
    SetUp(7);
    EXPECT_EQ(panel.Box1.Label, "ускорение по оси " + std::string(axes[index])) << int{index};
    EXPECT_EQ(placed, "Ввести значение");
    SetUp(7, true);
    EXPECT_EQ(panel.Box1.Label, "acceleration along " + std::string(axes[index])) << int{index};
    EXPECT_EQ(placed, "Enter value");
  }
}

TEST_F(PreparationPanelTest, BindingByKind) {
  VessamorChannel first, second;
  FTRecordDevice unit;
  const struct {
    std::uint8_t code;
    bool box2_device;
    const VessamorChannel* box2_channel;
  } cases[] = {{3, false, nullptr}, {11, true, &second}, {12, true, &first}};
  for (const auto& c : cases) {
    unit.SensorCode = c.code;
    panel.Box1.EditState = panel.Box2.EditState = 2;
    panel.BindValueBoxes(&unit, &first, &second);
    EXPECT_EQ(panel.Box1.Channel, &first);
    EXPECT_EQ(panel.Box2.Device != nullptr, c.box2_device) << int{c.code};
    EXPECT_EQ(panel.Box2.Channel, c.box2_channel) << int{c.code};
    EXPECT_EQ(panel.Box1.EditState + panel.Box2.EditState, 0);
  }
  unit.SensorCode = 11;
  panel.BindValueBoxes(&unit, &first, nullptr);
  EXPECT_EQ(panel.Box2.Channel, &first);
}

TEST_F(PreparationPanelTest, AContentTooNarrowForTheButtonStillLeavesItAPixel) {
  panel.Owner.Content = {100, 200, 400, 900};
  SetUp(12);
  EXPECT_EQ(panel.ButtonRect.Width(), 1);
}

}  // namespace
