// Tests of the wireless receiver's decoder: link messages, packet sequence and loss refill, both layouts.
#include <functional>
#include <string>

#include "acquisition/device_families.h"
#include "unit_test_support.h"

namespace unittest {
namespace {

using AxisValue = std::function<std::uint16_t(int block, int group, int axis)>;

// X, Y, Z of block k (0 the newest), group g: 100k + 10g + axis, so every sample tells where it came from.
std::uint16_t Labelled(int block, int group, int axis) { return static_cast<std::uint16_t>(100 * block + 10 * group + axis); }

std::vector<std::uint8_t> AccelerometerPacket(int sequence, const AxisValue& value = Labelled) {
  std::vector<std::uint8_t> packet(kRadioPacketSize, 0);
  packet[0] = kRadioPacketStart;
  packet[1] = static_cast<std::uint8_t>(sequence << 4);
  for (int block = 0; block < 6; ++block) {
    for (int group = 0; group < 5; ++group) {
      std::uint8_t* bytes = packet.data() + 2 + 20 * block + 4 * group;
      for (int axis = 0; axis < 3; ++axis) {
        const std::uint16_t v = value(block, group, axis);
        bytes[axis] = static_cast<std::uint8_t>(v >> 2);
        bytes[3] |= static_cast<std::uint8_t>((v & 3) << (6 - 2 * axis));
      }
    }
  }
  return packet;
}

// Pulse layout: sample s is (7 s) mod 1024; bytes 119 and 120 (samples 94, 95) carry status.
std::vector<std::uint8_t> PulsePacket(int sequence, std::uint8_t status) {
  std::vector<std::uint8_t> packet(kRadioPacketSize, 0);
  packet[0] = kRadioPacketStart;
  packet[1] = static_cast<std::uint8_t>(sequence << 4);
  for (int s = 0; s < 96; ++s) {
    const std::uint16_t v = static_cast<std::uint16_t>((7 * s) % 1024);
    std::uint8_t* group = packet.data() + 2 + 5 * (s / 4);
    group[s % 4] = static_cast<std::uint8_t>(v >> 2);
    group[4] |= static_cast<std::uint8_t>((v & 3) << (6 - 2 * (s % 4)));
  }
  packet[119] = status;
  return packet;
}

std::vector<std::int16_t> BlockX(std::initializer_list<int> blocks) {
  std::vector<std::int16_t> values;
  for (int block : blocks) {
    for (int group = 0; group < 5; ++group) values.push_back(static_cast<std::int16_t>(Labelled(block, group, 0)));
  }
  return values;
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
  }
  void LinkUp(std::uint8_t last_sequence = 15) {
    events.Link.LinkUp = 1;
    events.Link.LastSequence = last_sequence;
  }
  void FeedBytes(const std::vector<std::uint8_t>& bytes) { Feed(radio, bytes); }

  DeviceTri radio;
  std::array<VessamorChannel*, 4> axes{};
};

TEST_F(DeviceTriTest, SequencesAroundTheWrapLoseNothing) {
  LinkUp(13);
  for (int sequence : {14, 15, 0, 1}) FeedBytes(AccelerometerPacket(sequence));
  EXPECT_EQ(events.Link.PacketCount, 4u);
  EXPECT_EQ(events.Link.LostCount, 0u);
  EXPECT_EQ(events.Link.LastSequence, 1);
  EXPECT_EQ(CodesOf(*axes[0]), BlockX({0, 0, 0, 0}));
  EXPECT_EQ(axes[3]->CodeCount, 20u);
  EXPECT_EQ(fill, 0u);
}

TEST_F(DeviceTriTest, LostPacketsAreRefilledFromTheRepeatedBlocks) {
  struct Case {
    int last;
    int sequence;
    std::uint32_t charged;
    std::vector<std::int16_t> x;
  } cases[] = {
      {3, 4, 0, BlockX({0})},
      {3, 6, 0, BlockX({2, 1, 0})},                // two lost, refilled oldest first
      {3, 3, 10, BlockX({5, 4, 3, 2, 1, 0})},      // a whole round lost: 5 refilled, 10 counted
      {3, 10, 1, BlockX({5, 4, 3, 2, 1, 0})},      // six lost: 5 refilled, 1 counted
      {15, 0, 0, BlockX({0})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.last) + " then " + std::to_string(c.sequence));
    for (VessamorChannel* axis : axes) axis->CodeCount = 0;
    events.Link = RadioLinkState{};
    LinkUp(static_cast<std::uint8_t>(c.last));
    FeedBytes(AccelerometerPacket(c.sequence));
    EXPECT_EQ(events.Link.LostCount, c.charged);
    EXPECT_EQ(CodesOf(*axes[0]), c.x);
    EXPECT_EQ(axes[1]->CodeCount, c.x.size());
    EXPECT_EQ(axes[1]->Codes[0], c.x[0] + 1);
    EXPECT_EQ(axes[2]->Codes[0], c.x[0] + 2);
  }
}

TEST_F(DeviceTriTest, MagnitudeChannelTakesTheGainWeightedLengthAroundTheZeroCodes) {
  struct Case {
    std::array<std::uint16_t, 3> xyz;
    std::array<float, 3> gain_squared;
    std::array<std::int16_t, 3> zero;
    std::int16_t expected;
  } cases[] = {
      {{512, 512, 512}, {1, 1, 1}, {0, 0, 0}, 512},
      {{542, 532, 512}, {1, 4, 1}, {0, 0, 0}, 562},   // sqrt(900 + 4 x 400) = 50
      {{542, 532, 512}, {1, 4, 1}, {10, 0, 0}, 556},  // sqrt(400 + 1600) = 44.7
      {{482, 512, 472}, {1, 1, 1}, {0, 0, 0}, 562},
  };
  for (const Case& c : cases) {
    for (VessamorChannel* axis : axes) axis->CodeCount = 0;
    for (int i = 0; i < 3; ++i) axes[i]->GainSquared = c.gain_squared[i];
    axes[3]->AxisZeroCodes = c.zero;
    events.Link = RadioLinkState{};
    LinkUp();
    FeedBytes(AccelerometerPacket(0, [&](int, int, int axis) { return c.xyz[axis]; }));
    ASSERT_EQ(axes[3]->CodeCount, 5u);
    EXPECT_EQ(axes[3]->Codes[0], c.expected);
  }
}

TEST_F(DeviceTriTest, PulsePacketAddsItsSamplesAndStatus) {
  radio.PulseMode = 2;
  LinkUp();
  FeedBytes(PulsePacket(0, 0xF0));
  ASSERT_EQ(axes[0]->CodeCount, 94u);
  for (int s = 0; s < 94; ++s) ASSERT_EQ(axes[0]->Codes[s], (7 * s) % 1024) << s;
  EXPECT_EQ(axes[1]->CodeCount, 0u);
  EXPECT_EQ(radio.PulseFlag, 0x0F);

  // Two-channel mode: the same samples, alternating between channels 0 and 1.
  axes[0]->CodeCount = 0;
  radio.PulseMode = 1;
  FeedBytes(PulsePacket(1, 0));
  ASSERT_EQ(axes[0]->CodeCount, 47u);
  ASSERT_EQ(axes[1]->CodeCount, 47u);
  EXPECT_EQ(axes[0]->Codes[1], 14);
  EXPECT_EQ(axes[1]->Codes[1], 21);
}

TEST_F(DeviceTriTest, QualityAndNoiseBytes) {
  LinkUp();
  std::vector<std::uint8_t> packet = AccelerometerPacket(0);
  packet[122] = 55;
  packet[123] = 17;
  FeedBytes(packet);
  EXPECT_EQ(radio.LinkQuality, 200);
  EXPECT_EQ(radio.RadioNoise, 17);
}

TEST_F(DeviceTriTest, LinkMessagesWhileTheLinkIsDown) {
  const std::vector<std::uint8_t> packet = AccelerometerPacket(0);
  auto then_packet = [&](std::vector<std::uint8_t> head) {
    head.insert(head.end(), packet.begin(), packet.end());
    return head;
  };
  using Messages = std::vector<std::pair<std::uint8_t, std::uint8_t>>;
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    Messages messages;
    std::uint8_t link_up;
    std::uint8_t auto_mode;
    std::uint32_t samples;
  } cases[] = {
      {"link up, then data", then_packet({0x02, 0x01}), {{0x02, 0x01}}, 1, 0, 5},
      // Each message reports its own two bytes: the link-down is seen even with data behind it.
      {"link down with data behind", then_packet({0x02, 0x00}), {{0x02, 0x00}}, 0, 0, 0},
      {"unit gone", {0x01, 0x00, 0x02, 0x01}, {{0x01, 0x00}, {0x02, 0x01}}, 1, 0, 0},
      {"auto mode on", {0x04, 0x01}, {{0x04, 0x01}}, 0, 1, 0},
      {"auto mode off", {0x04, 0x01, 0x04, 0x02}, {{0x04, 0x01}, {0x04, 0x02}}, 0, 0, 0},
      {"garbage", {0x77, 0x12, 0x02, 0x01}, {{0x03, 0x0A}}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    events.Messages.clear();
    events.Link = RadioLinkState{};
    axes[0]->CodeCount = 0;
    radio.LinkState = 9;
    fill = 0;
    FeedBytes(c.bytes);
    EXPECT_EQ(events.Messages, c.messages);
    EXPECT_EQ(events.Link.LinkUp, c.link_up);
    EXPECT_EQ(events.Link.AutoMode, c.auto_mode);
    EXPECT_EQ(axes[0]->CodeCount, c.samples);
    EXPECT_EQ(radio.LinkState, 0);
    EXPECT_EQ(fill, 0u);
  }
}

TEST_F(DeviceTriTest, BadFirstByteWhileTheLinkIsUpDropsTheBuffer) {
  for (std::uint8_t first : {0x42, 0x03, 0x02}) {
    SCOPED_TRACE(int(first));
    LinkUp();
    events.Link.FullPacket = 1;
    events.Messages.clear();
    clock.Slept = 0;
    fill = 0;
    std::vector<std::uint8_t> bytes = {first, 0x0A};
    const std::vector<std::uint8_t> packet = AccelerometerPacket(0);
    bytes.insert(bytes.end(), packet.begin(), packet.end());
    FeedBytes(bytes);
    EXPECT_EQ(events.Link.LinkUp, 0);
    EXPECT_EQ(events.Link.FullPacket, 0);
    EXPECT_EQ(fill, 0u);
    EXPECT_EQ(axes[0]->CodeCount, 0u);
    EXPECT_EQ(clock.Slept, 100u);
    EXPECT_TRUE(events.Messages.empty());
  }
}

TEST_F(DeviceTriTest, PartialPacketWaitsForTheRest) {
  LinkUp();
  std::vector<std::uint8_t> stream = AccelerometerPacket(0);
  const std::vector<std::uint8_t> next = AccelerometerPacket(1);
  stream.insert(stream.end(), next.begin(), next.end());
  FeedBytes({stream.begin(), stream.begin() + 60});
  EXPECT_EQ(fill, 60u);
  EXPECT_EQ(axes[0]->CodeCount, 0u);
  FeedBytes({stream.begin() + 60, stream.begin() + 134});
  EXPECT_EQ(axes[0]->CodeCount, 5u);
  EXPECT_EQ(fill, 10u);
  EXPECT_EQ(buffer[0], kRadioPacketStart);
  FeedBytes({stream.begin() + 134, stream.end()});
  EXPECT_EQ(axes[0]->CodeCount, 10u);
  EXPECT_EQ(events.Link.LostCount, 0u);
  EXPECT_EQ(fill, 0u);
}

TEST_F(DeviceTriTest, FullOneShotRecordStoresNoMoreSamples) {
  for (std::uint8_t cyclic : {0, 1}) {
    LinkUp();
    events.Link.FullPacket = 0;
    axes[0]->CodeCount = 0;
    view.Continuous = cyclic;
    radio.ByteLimit = 100;
    radio.BytesReceived = 100;
    FeedBytes(AccelerometerPacket(0));
    EXPECT_EQ(events.Link.FullPacket, cyclic ? 0 : 1);
    EXPECT_EQ(axes[0]->CodeCount, cyclic ? 5u : 0u);
  }
}

TEST_F(DeviceTriTest, ChannelCapacityHoldsAgainstEveryPacket) {
  VessamorChannel& small = NewChannel(7);
  radio.BindChannel(0, &small);
  LinkUp(3);
  FeedBytes(AccelerometerPacket(6));  // 15 samples for a channel of 7
  EXPECT_EQ(small.CodeCount, 7u);
  EXPECT_TRUE(GuardIntact(small));
  EXPECT_EQ(PollResult.load(), 2);
}

TEST_F(DeviceTriTest, PacketsArriveThroughTheDriver) {
  sim::UnitId id = PlugScripted();
  DeviceTri& unit = OpenUnit<DeviceTri>();
  unit.ByteLimit = 1u << 20;
  VessamorChannel& x = NewChannel(100);
  unit.BindChannel(0, &x);
  std::vector<std::uint8_t> bytes = {0x02, 0x01};
  for (int sequence : {0, 1}) {
    const std::vector<std::uint8_t> packet = AccelerometerPacket(sequence);
    bytes.insert(bytes.end(), packet.begin(), packet.end());
  }
  bus.InjectBytes(id, bytes);
  unit.Poll();
  EXPECT_EQ(events.Messages, (std::vector<std::pair<std::uint8_t, std::uint8_t>>{{0x02, 0x01}}));
  EXPECT_EQ(CodesOf(x), BlockX({0, 0}));
  EXPECT_EQ(unit.BytesReceived, bytes.size());
}

}  // namespace
}  // namespace unittest
