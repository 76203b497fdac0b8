// Tests of the wireless receiver's decoder on hand-built packets: magnitude, split packets, full records.
#include <limits>

#include "acquisition/device_families.h"
#include "sim/radio_receiver_unit.h"
#include "unit_test_support.h"

namespace unittest {
namespace {

// An accelerometer packet whose every group holds the same X, Y, Z (the default labels the axes 0, 1, 2 + base).
std::vector<std::uint8_t> AccelerometerPacket(int sequence, std::array<std::uint16_t, 3> xyz = {100, 101, 102}) {
  std::vector<std::uint8_t> packet(kRadioPacketSize, 0);
  packet[0] = kRadioPacketStart;
  packet[1] = static_cast<std::uint8_t>(sequence << 4);
  for (int group = 0; group < 30; ++group) {
    const auto bytes = sim::EncodeAccelerometerGroup(xyz[0], xyz[1], xyz[2]);
    std::copy(bytes.begin(), bytes.end(), packet.begin() + 2 + 4 * group);
  }
  return packet;
}

class DeviceTriTest : public UnitTestBase {
 protected:
  void SetUp() override {
    UnitTestBase::SetUp();
    Attach(radio);
    radio.ByteLimit = 1u << 20;
    for (int i = 0; i < 4; ++i) {
      axes[i] = &NewChannel(1000);
      radio.BindChannel(i, axes[i]);
    }
    events.Link.LinkUp = 1;
    events.Link.LastSequence = 15;
  }
  DeviceTri radio;
  std::array<VessamorChannel*, 4> axes{};
};

TEST_F(DeviceTriTest, MagnitudeChannelTakesTheGainWeightedLengthAroundTheZeroCodes) {
  struct Case {
    std::array<std::uint16_t, 3> xyz;
    std::array<float, 3> gain_squared;
    std::array<std::int16_t, 3> zero;
    std::int16_t expected;
  } cases[] = {
      {{542, 532, 512}, {1, 4, 1}, {10, 0, 0}, 556},  // sqrt(400 + 1600) = 44.7
      // A two-position calibration from close readings gives a gain near 45: the code stops at the top.
      {{1023, 0, 1023}, {2000, 2000, 2000}, {0, 0, 0}, 32767},
      {{1023, 0, 1023}, {std::numeric_limits<float>::quiet_NaN(), 1, 1}, {0, 0, 0}, 512},
  };
  for (const Case& c : cases) {
    axes[3]->CodeCount = 0;
    for (int i = 0; i < 3; ++i) axes[i]->GainSquared = c.gain_squared[i];
    axes[3]->AxisZeroCodes = c.zero;
    events.Link.LastSequence = 15;
    Feed(radio, AccelerometerPacket(0, c.xyz));
    EXPECT_EQ(CodesOf(*axes[3]), Codes(5, c.expected));
  }
}

TEST_F(DeviceTriTest, PartialPacketWaitsForTheRest) {
  std::vector<std::uint8_t> stream = AccelerometerPacket(0);
  const std::vector<std::uint8_t> next = AccelerometerPacket(1);
  stream.insert(stream.end(), next.begin(), next.end());
  Feed(radio, std::span(stream).first(60));
  EXPECT_EQ(fill, 60u);
  EXPECT_EQ(axes[0]->CodeCount, 0u);
  Feed(radio, std::span(stream).subspan(60, 74));
  EXPECT_EQ(axes[0]->CodeCount, 5u);
  EXPECT_EQ(fill, 10u);
  EXPECT_EQ(buffer[0], kRadioPacketStart);
  Feed(radio, std::span(stream).subspan(134));
  EXPECT_EQ(CodesOf(*axes[0]), Codes(10, 100));
  EXPECT_EQ(events.Link.LostCount, 0u);
  EXPECT_EQ(fill, 0u);
}

TEST_F(DeviceTriTest, FullRecordsAndSmallChannelsStoreNoMoreSamples) {
  for (std::uint8_t cyclic : {0, 1}) {
    events.Link.FullPacket = 0;
    events.Link.LastSequence = 15;
    axes[0]->CodeCount = 0;
    view.Continuous = cyclic;
    radio.ByteLimit = 100;
    radio.BytesReceived = 100;
    Feed(radio, AccelerometerPacket(0));
    EXPECT_EQ(events.Link.FullPacket, cyclic ? 0 : 1);
    EXPECT_EQ(axes[0]->CodeCount, cyclic ? 5u : 0u);
  }
  radio.ByteLimit = 1u << 20;
  view.Continuous = 0;
  VessamorChannel& small = NewChannel(7);
  radio.BindChannel(0, &small);
  events.Link.LastSequence = 3;
  Feed(radio, AccelerometerPacket(6));  // two lost: 15 samples for a channel of 7
  EXPECT_EQ(small.CodeCount, 7u);
  EXPECT_TRUE(GuardIntact(small));
  EXPECT_EQ(PollResult.load(), 2);
}

}  // namespace
}  // namespace unittest
