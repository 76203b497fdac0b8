// Each unit family identified, set up, started and polled by the program's own classes against its simulated unit.
#include <string>
#include <utility>

#include "acquisition/device_families.h"
#include "acquisition/sensor_identification.h"
#include "sim/description.h"
#include "sim/event_timer_unit.h"
#include "sim/radio_receiver_unit.h"
#include "sim/unit_list.h"
#include "unit_test_support.h"

namespace unittest {
namespace {

constexpr int kAccelerometerCode = 7;
constexpr int kPulseCode = 35;
constexpr int kRadioType = 3;
constexpr int kTimerType = 8;
constexpr int kLongRangeCode = 64;
constexpr int kShortRangeCode = 65;
constexpr std::uint32_t kRate = 1000;
constexpr std::uint16_t kPeriodUs = 1000000 / kRate;
constexpr std::int64_t kAccelerometerPacketUs = kPeriodUs * sim::RadioGroupsPerBlock;

class FamiliesOnSimTest : public UnitTestBase {
 protected:
  void SetUp() override {
    UnitTestBase::SetUp();
    view.RateSetting = kRate;
  }

  // Plugs a unit whose EEPROM description identifies as the sensor kind (the simulator picks the
  // family from its key), identifies it on a device manager and hands its handle to a new unit of
  // the family, as the factory does, which then sets up its port.
  template <typename Unit>
  Unit& PlugAndTakeOver(int type, int code, std::vector<sim::Signal> signals = {}) {
    sim::UnitSpec entry;
    entry.Family = sim::AutoFamily;
    entry.Description = sim::DescriptionForSensorKind(code, type).value_or("");
    entry.Signals = std::move(signals);
    EXPECT_TRUE(sim::AttachUnit(bus, entry));
    unit = bus.Units().back();
    FTRecordDevice manager;
    manager.Manager = 1;
    EXPECT_TRUE(manager.OpenByIndex(0));
    EXPECT_TRUE(manager.IdentifySensor(true));
    EXPECT_EQ(std::pair(int(manager.DeviceTypeCode), int(manager.SensorCode)), std::pair(type, code));
    units.push_back(std::make_unique<Unit>());
    Unit& ref = static_cast<Unit&>(*units.back());
    Attach(ref);
    ref.Handle = std::exchange(manager.Handle, nullptr);
    ref.Opened = 1;
    ref.DeviceTypeCode = manager.DeviceTypeCode;
    ref.SensorCode = manager.SensorCode;
    ref.ChannelCount = manager.ChannelCount;
    ref.ByteLimit = 1u << 24;
    EXPECT_TRUE(ref.ConfigurePort());
    return ref;
  }

  // Writes the start packet as the device worker does: its first StartPacketLength bytes.
  void Start(FTRecordDevice& device, const std::array<std::uint8_t, 6>& packet) {
    device.StartPacket = packet;
    DWORD written = 0;
    ASSERT_EQ(Ftdi.FT_Write(device.Handle, device.StartPacket.data(), device.StartPacketLength, &written), FT_OK);
    device.Running = 1;
    device.BytesReceived = 0;
  }

  template <typename Model, typename Action>
  void With(Action&& action) {
    ASSERT_TRUE(bus.WithModel<Model>(unit, std::forward<Action>(action)));
  }

  sim::UnitId unit = 0;
};

// --- Wireless receiver ---

using Radio = sim::RadioReceiverUnit;

class RadioOnSimTest : public FamiliesOnSimTest {
 protected:
  // An accelerometer receiver, set up and started; every axis moves so each sample tells where it came from.
  DeviceTri& StartAccelerometer(bool auto_link_up = true) {
    DeviceTri& radio = PlugAndTakeOver<DeviceTri>(
        kRadioType, kAccelerometerCode,
        {sim::Signal::Ramp(100, 900, 4), sim::Signal::Sine(512, 400, 7), sim::Signal::Ramp(50, 1000, 3)});
    With<Radio>([&](Radio& model) {
      model.SetAutoLinkUp(auto_link_up);
      model.SetQuality(200);
      model.SetNoise(9);
    });
    for (std::size_t i = 0; i < axes.size(); ++i) {
      axes[i] = &NewChannel(4000);
      radio.BindChannel(i, axes[i]);
    }
    Start(radio, {0xA7, kPeriodUs & 0xFF, kPeriodUs >> 8, 0x00, 0x00, 0x00});
    return radio;
  }

  // The channels hold the X, Y, Z codes the receiver sent for the given packets since the start.
  void ExpectAxes(const std::vector<std::uint64_t>& packets) {
    std::array<Codes, 3> expected;
    With<Radio>([&](Radio& model) {
      for (std::uint64_t packet : packets) {
        for (int g = 0; g < sim::RadioGroupsPerBlock; ++g) {
          const auto xyz = model.SampleAt(packet * sim::RadioGroupsPerBlock + static_cast<std::uint64_t>(g));
          for (int axis = 0; axis < 3; ++axis) expected[axis].push_back(static_cast<std::int16_t>(xyz[axis]));
        }
      }
    });
    for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(CodesOf(*axes[axis]), expected[axis]) << "axis " << axis;
    EXPECT_EQ(axes[3]->CodeCount, expected[0].size());
    for (const VessamorChannel* channel : axes) EXPECT_TRUE(GuardIntact(*channel));
  }
  using Packets = std::vector<std::uint64_t>;
  static Packets Range(std::uint64_t first, std::uint64_t last, Packets range = {}) {
    for (std::uint64_t i = first; i <= last; ++i) range.push_back(i);
    return range;
  }

  std::array<VessamorChannel*, 4> axes{};
};

TEST_F(RadioOnSimTest, SequencesRoundTheWrapLoseNothingAndDroppedPacketsRefillFromHistory) {
  DeviceTri& radio = StartAccelerometer();
  radio.Poll();
  EXPECT_EQ(events.Messages, (Messages{{0x02, 0x01}}));
  // Twenty packets, one per poll: numbers 0..15, then 0..3 again.
  for (int i = 0; i < 20; ++i) {
    AdvanceUs(kAccelerometerPacketUs);
    radio.Poll();
    ASSERT_EQ(events.Link.LastSequence, i % 16);
  }
  EXPECT_EQ(radio.LinkQuality, 200);
  EXPECT_EQ(radio.RadioNoise, 9);

  struct Case {
    int dropped;
    std::uint32_t charged;  // lost packets beyond what the next packet repeats
  } cases[] = {{0, 0}, {2, 0}, {kRadioHistoryBlocks, 0}, {kRadioHistoryBlocks + 2, 2}, {15, 10}};  // 15: same number
  std::vector<std::uint64_t> decoded = Range(0, 19);
  std::uint64_t next = 20;
  std::uint32_t charged = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dropped);
    With<Radio>([&](Radio& model) { model.DropPackets(c.dropped); });
    AdvanceUs((c.dropped + 1) * kAccelerometerPacketUs);
    radio.Poll();
    const std::uint64_t arrived = next + static_cast<std::uint64_t>(c.dropped);
    // The refilled packets come oldest first, then the one that arrived.
    decoded = Range(arrived - (c.dropped - c.charged), arrived, decoded);
    next = arrived + 1;
    charged += c.charged;
    EXPECT_EQ(events.Link.LostCount, charged);
    ExpectAxes(decoded);
  }
}

TEST_F(RadioOnSimTest, PulsePacketAddsItsSamplesAndStatus) {
  // A pulse sensor behind the receiver: the start carries the period marker; mode 1 alternates two channels.
  for (std::uint8_t mode : {2, 1}) {
    SCOPED_TRACE(int(mode));
    Fresh();
    DeviceTri& radio = PlugAndTakeOver<DeviceTri>(kRadioType, kPulseCode);
    With<Radio>([](Radio& model) { model.SetPulseFlag(3); });
    VessamorChannel* pulse[2] = {&NewChannel(1000), &NewChannel(1000)};
    radio.BindChannel(0, pulse[0]);
    radio.BindChannel(1, pulse[1]);
    radio.PulseMode = mode;
    Start(radio, {0xA7, sim::RadioPulsePeriodMarker & 0xFF, sim::RadioPulsePeriodMarker >> 8, 0, 0, 0});
    radio.Poll();
    AdvanceUs(2 * sim::RadioPulseSamplePeriodUs * sim::RadioPulseSamples);
    radio.Poll();
    Codes expected[2];
    With<Radio>([&](Radio& model) {
      for (int s = 0; s < 2 * sim::RadioPulseSamples; ++s) {
        expected[mode == 1 ? s % 2 : 0].push_back(static_cast<std::int16_t>(model.SampleAt(s)[0]));
      }
    });
    EXPECT_EQ(CodesOf(*pulse[0]), expected[0]);
    EXPECT_EQ(CodesOf(*pulse[1]), expected[1]);
    EXPECT_EQ(radio.PulseFlag, 3);
    EXPECT_TRUE(GuardIntact(*pulse[0]));
  }
}

TEST_F(RadioOnSimTest, BadFirstByteDropsTheReadAndTheStreamResumesAtTheNextWholePackets) {
  DeviceTri& radio = StartAccelerometer();
  radio.Poll();
  AdvanceUs(2 * kAccelerometerPacketUs);
  radio.Poll();  // packets 0 and 1

  // Stray bytes ahead of packet 2: the whole read goes, the link goes down, 100 ms pass.
  With<Radio>([](Radio& model) { model.QueueGarbage({0x11, 0x22}); });
  AdvanceUs(kAccelerometerPacketUs);
  radio.Poll();
  EXPECT_EQ(events.Link.LinkUp, 0);
  EXPECT_EQ(events.Link.FullPacket, 0);
  EXPECT_EQ(clock.Slept, 100u);
  EXPECT_EQ(fill, 0u);

  // The packets sent while it settled (3..22) show the receiver sending: the stream is taken up
  // again, and packet 3's history gives back packet 2, lost with the stray bytes.
  radio.Poll();
  EXPECT_EQ(events.Link.LinkUp, 1);
  EXPECT_EQ(events.Link.LostCount, 0u);
  ExpectAxes(Range(0, 22));

  // A host that fell behind finds the driver's queue cut mid-packet: the broken read goes, and
  // the stream resumes at the next pair of whole packets, the history filling what it can.
  bus.SetQueueCapacity(unit, 5 * kRadioPacketSize + 12);
  AdvanceUs(30 * kAccelerometerPacketUs);
  radio.Poll();
  bus.SetQueueCapacity(unit, 1 << 20);
  for (int k = 0; k < 3; ++k) {
    AdvanceUs(kAccelerometerPacketUs);
    radio.Poll();
  }
  EXPECT_EQ(events.Link.LinkUp, 1);
  const std::size_t before = axes[0]->CodeCount;
  AdvanceUs(2 * kAccelerometerPacketUs);
  radio.Poll();
  EXPECT_EQ(axes[0]->CodeCount, before + 2 * sim::RadioGroupsPerBlock);
  EXPECT_EQ(axes[3]->CodeCount, axes[0]->CodeCount);
  // Nothing of the cut packet was stored: every sample taken is one the receiver sent, in order.
  const std::array<Codes, 3> stored = {CodesOf(*axes[0]), CodesOf(*axes[1]), CodesOf(*axes[2])};
  With<Radio>([&](Radio& model) {
    std::uint64_t sent = 0;
    for (std::size_t i = 0; i < stored[0].size(); ++i, ++sent) {
      const auto taken = [&](std::uint64_t n) {
        const auto xyz = model.SampleAt(n);
        return xyz[0] == stored[0][i] && xyz[1] == stored[1][i] && xyz[2] == stored[2][i];
      };
      while (sent < 60 * sim::RadioGroupsPerBlock && !taken(sent)) ++sent;
      ASSERT_TRUE(taken(sent)) << "sample " << i;
    }
  });

  // A link-down message is just as much a broken stream while the link is up, but it is still
  // reported, so the recording ends instead of waiting for data that never comes; a link-up brings
  // the stream back, its history filling the packets missed.
  With<Radio>([](Radio& model) { model.QueueLinkDown(); });
  radio.Poll();
  EXPECT_EQ(events.Link.LinkUp, 0);
  EXPECT_EQ(events.Messages.back(), (Messages::value_type{0x02, 0x00}));
  With<Radio>([](Radio& model) { model.QueueLinkUp(); });
  AdvanceUs(kAccelerometerPacketUs);
  radio.Poll();
  EXPECT_EQ(events.Link.LinkUp, 1);
}

// --- Event timer ---

using Timer = sim::EventTimerUnit;

class TimerOnSimTest : public FamiliesOnSimTest {
 protected:
  DeviceQEMod& StartTimer(int code) {
    DeviceQEMod& timer = PlugAndTakeOver<DeviceQEMod>(kTimerType, code);
    channel = &NewChannel(4000);
    channel->SensorCode = static_cast<std::uint16_t>(code);
    timer.BindChannel(0, channel);
    timer.ResetTimingState();
    const std::uint8_t selector = code == kLongRangeCode ? 5 : 7;
    Start(timer, {0xA7, selector, 0xA3, kPeriodUs & 0xFF, kPeriodUs >> 8, 0xA5});
    With<Timer>([&](Timer& model) { period_us = model.FramePeriodUs(); });
    return timer;
  }
  // The echo delay of each generated frame, `interval` entries each.
  Codes Generated(std::uint64_t first, std::uint64_t end, std::size_t interval) {
    Codes codes;
    With<Timer>([&](Timer& model) {
      for (std::uint64_t i = first; i < end; ++i) {
        const sim::TimerFrame frame = model.GeneratedFrame(i);
        codes.insert(codes.end(), interval, static_cast<std::int16_t>(frame.T2 - frame.T1));
      }
    });
    return codes;
  }

  VessamorChannel* channel = nullptr;
  std::int64_t period_us = 0;
};

TEST_F(TimerOnSimTest, EchoDelaysAtTheEdgesOfTheRangeAndLateEchoes) {
  // Short range: lower threshold 9776, ten entries per interval; a late echo stands for one more
  // interval per scale of 10000 counts beyond the threshold.
  struct Case {
    std::uint16_t t1, t2, t3;
    std::int16_t value;
    std::size_t intervals;
  } cases[] = {
      {100, 30090, 9776, 29990, 1},     // longest echo
      {100, 30091, 500, 0, 1},          // no echo
      {1000, 3000, 9777, 8921, 2},      // late by one count
      {1000, 3000, 29776, 28920, 3},    // late by two scales
      {0, 31000, 20000, 0, 3},          // late, no echo
      {5000, 4000, 3000, -1856, 1},     // echo before the trigger
      {200, 1200, 3000, 1000, 1},       // ordinary again
  };
  DeviceQEMod& timer = StartTimer(kShortRangeCode);
  ASSERT_EQ(timer.LowerThreshold, 9776u);
  Codes expected;
  std::vector<sim::TimerFrame> frames;
  for (const Case& c : cases) {
    frames.push_back({c.t1, c.t2, c.t3});
    expected.insert(expected.end(), c.intervals * kRate / 100, c.value);
  }
  With<Timer>([&](Timer& model) { model.QueueFrames(frames); });
  AdvanceUs(static_cast<std::int64_t>(frames.size()) * period_us);
  timer.Poll();
  EXPECT_EQ(CodesOf(*channel), expected);
  EXPECT_DOUBLE_EQ(timer.Position, static_cast<double>(expected.size()));
}

}  // namespace
}  // namespace unittest
