// The measurement toolbar's rules: the rate from its slider, the scale limits, the record buttons to press.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/measure_toolbar.h"
#include "channels/device_slot.h"
#include "channels/vessamor_channel.h"

namespace {

TEST(MeasureToolbar, RateIsRoundedToTheHertzAndNeverBelowTheLowestMark) {
  const std::pair<float, std::uint32_t> cases[] = {{0.7f, 700}, {0.0f, 100}, {1.0f, 1000}, {0.05f, 100},
                                                   {2.5f, 2500}, {-1.0f, 100}, {std::nanf(""), 100}};
  for (const auto& [khz, hz] : cases) EXPECT_EQ(RateFromSlider(khz), hz) << khz;
}

TEST(MeasureToolbar, ScaleIsRaisedToItsLimitOrTheSmallestStep) {
  const float steps[] = {0.5f, 0.0f, 0.1f, 2.0f};
  EXPECT_FLOAT_EQ(SmallestStep(steps), 0.1f);
  const struct {
    float value, limit, step, result;
  } cases[] = {{0.001f, 0.002f, 0.1f, 0.002f}, {0.0f, 0.0f, 0.1f, 0.1f}, {3.0f, 0.002f, 0.1f, 3.0f},
               {std::nanf(""), 0.0f, 0.1f, 0.1f}};
  for (const auto& c : cases) EXPECT_FLOAT_EQ(ClampScale(c.value, c.limit, c.step), c.result) << c.value;
}

TEST(MeasureToolbar, RecordButtonsFollowTheSlotOrTheLoadedRecord) {
  std::array<VessamorChannel, 4> channels;
  DeviceSlot two, accelerometer;
  for (std::size_t i = 0; i < 2; ++i) {
    channels[i].ChannelIndex = static_cast<std::uint8_t>(i);
    channels[i].SavedShown = 1;
    two.Channels[i] = &channels[i];
  }
  channels[2].SensorCode = 7;
  accelerometer.Channels[0] = &channels[2];
  const std::array<const VessamorChannel*, 4> none{};
  EXPECT_EQ(CountRecordButtons(two, none, false), 2);
  EXPECT_EQ(CountRecordButtons(accelerometer, none, false), 3);
  channels[3].ChannelIndex = 1;
  channels[3].SavedShown = 1;
  const std::array<const VessamorChannel*, 4> saved{&channels[3], nullptr, nullptr, nullptr};
  EXPECT_EQ(CountRecordButtons(two, saved, true), 1);
}

}  // namespace
