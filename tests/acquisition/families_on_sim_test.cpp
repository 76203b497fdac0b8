// Each unit family identified, set up, started and polled by the program's own classes against its simulated unit.
#include <optional>
#include <string>
#include <utility>

#include "acquisition/device_families.h"
#include "acquisition/sensor_identification.h"
#include "sim/control_unit.h"
#include "sim/description.h"
#include "sim/event_timer_unit.h"
#include "sim/radio_receiver_unit.h"
#include "sim/type_six_unit.h"
#include "sim/unit_list.h"
#include "unit_test_support.h"

namespace unittest {
namespace {

using Codes = std::vector<std::int16_t>;
using Messages = std::vector<std::pair<std::uint8_t, std::uint8_t>>;

constexpr int kAccelerometerCode = 7;
constexpr int kPulseCode = 35;
constexpr int kRadioType = 3;
constexpr int kTimerType = 8;
constexpr int kLongRangeCode = 64;
constexpr int kShortRangeCode = 65;
constexpr int kTypeSixCode = 59;
constexpr int kTypeSix = 6;
constexpr std::uint32_t kRate = 1000;
constexpr std::uint16_t kPeriodUs = 1000000 / kRate;
constexpr std::int64_t kAccelerometerPacketUs = kPeriodUs * sim::RadioGroupsPerBlock;
constexpr std::int64_t kPulsePacketUs = sim::RadioPulseSamplePeriodUs * sim::RadioPulseSamples;
constexpr std::uint32_t kUnlimited = 1u << 24;

class FamiliesOnSimTest : public UnitTestBase {
 protected:
  void SetUp() override {
    UnitTestBase::SetUp();
    view.RateSetting = kRate;
  }

  // Plugs a unit whose EEPROM description identifies as the sensor kind; the simulator picks the
  // family from that description's key, as it does for its unit list.
  sim::UnitId PlugKind(int code, int type, std::vector<sim::Signal> signals = {}) {
    std::optional<std::string> description = sim::DescriptionForSensorKind(code, type);
    EXPECT_TRUE(description.has_value());
    sim::UnitSpec unit_entry;
    unit_entry.Family = sim::AutoFamily;
    unit_entry.Description = description.value_or("");
    unit_entry.Signals = std::move(signals);
    EXPECT_TRUE(sim::AttachUnit(bus, unit_entry));
    return bus.Units().back();
  }

  // Opens listing index 0 on a device manager, identifies it, and hands the handle to a new unit
  // of the family, as the factory does. The port set-up is left to the test.
  template <typename Unit>
  Unit& TakeOver(std::optional<std::pair<int, int>> expected_type_and_code) {
    FTRecordDevice manager;
    manager.Manager = 1;
    EXPECT_TRUE(manager.OpenByIndex(0));
    const bool identified = manager.IdentifySensor(true);
    if (expected_type_and_code) {
      EXPECT_TRUE(identified);
      EXPECT_EQ(manager.DeviceTypeCode, expected_type_and_code->first);
      EXPECT_EQ(manager.SensorCode, expected_type_and_code->second);
    }
    auto unit = std::make_unique<Unit>();
    Unit& ref = *unit;
    units.push_back(std::move(unit));
    Attach(ref);
    ref.Handle = std::exchange(manager.Handle, nullptr);
    ref.Opened = 1;
    ref.DeviceTypeCode = manager.DeviceTypeCode;
    ref.SensorCode = manager.SensorCode;
    ref.ChannelCount = manager.ChannelCount;
    ref.ByteLimit = kUnlimited;
    return ref;
  }

  // Writes the start packet as the device worker does: its first StartPacketLength bytes.
  void Start(FTRecordDevice& unit, const std::array<std::uint8_t, 6>& packet) {
    unit.StartPacket = packet;
    DWORD written = 0;
    ASSERT_EQ(Ftdi.FT_Write(unit.Handle, unit.StartPacket.data(), unit.StartPacketLength, &written), FT_OK);
    ASSERT_EQ(written, unit.StartPacketLength);
    unit.Running = 1;
    unit.BytesReceived = 0;
  }

  template <typename Model, typename Action>
  void With(sim::UnitId unit, Action&& action) {
    ASSERT_TRUE(bus.WithModel<Model>(unit, std::forward<Action>(action)));
  }

  // A fresh bus and recording for the next case of a table.
  void Fresh() {
    units.clear();
    bus.Reset(sim::ClockMode::Virtual);
    ResetDeviceStatus();
    fill = 0;
    events = RecordingEvents{};
    clock = SteppedClock{};
  }
};

// --- Wireless receiver ---

const std::array<std::uint8_t, 6> kRadioStart = {0xA7, kPeriodUs & 0xFF, kPeriodUs >> 8, 0x00, 0x00, 0x00};

class RadioOnSimTest : public FamiliesOnSimTest {
 protected:
  // An accelerometer receiver, set up and started; every axis moves so each sample tells where it came from.
  DeviceTri& StartAccelerometer(bool auto_link_up = true) {
    unit = PlugKind(kAccelerometerCode, kRadioType,
                    {sim::Signal::Ramp(100, 900, 4), sim::Signal::Sine(512, 400, 7), sim::Signal::Ramp(50, 1000, 3)});
    With<sim::RadioReceiverUnit>(unit, [&](sim::RadioReceiverUnit& model) {
      EXPECT_EQ(model.Layout(), sim::RadioLayout::Accelerometer);
      model.SetAutoLinkUp(auto_link_up);
      model.SetQuality(200);
      model.SetNoise(9);
    });
    DeviceTri& radio = TakeOver<DeviceTri>(std::pair{kRadioType, kAccelerometerCode});
    EXPECT_TRUE(radio.ConfigurePort());
    for (std::size_t i = 0; i < axes.size(); ++i) {
      axes[i] = &NewChannel(4000);
      radio.BindChannel(i, axes[i]);
    }
    Start(radio, kRadioStart);
    return radio;
  }

  // The X, Y, Z codes the receiver sent for the given packets since the start.
  std::array<Codes, 3> ExpectedAxes(const std::vector<std::uint64_t>& packets) {
    std::array<Codes, 3> axes_codes;
    With<sim::RadioReceiverUnit>(unit, [&](sim::RadioReceiverUnit& model) {
      for (std::uint64_t packet : packets) {
        for (int g = 0; g < sim::RadioGroupsPerBlock; ++g) {
          const auto xyz = model.SampleAt(packet * sim::RadioGroupsPerBlock + static_cast<std::uint64_t>(g));
          for (int axis = 0; axis < 3; ++axis) axes_codes[axis].push_back(static_cast<std::int16_t>(xyz[axis]));
        }
      }
    });
    return axes_codes;
  }
  void ExpectAxes(const std::vector<std::uint64_t>& packets) {
    const std::array<Codes, 3> expected = ExpectedAxes(packets);
    for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(CodesOf(*axes[axis]), expected[axis]) << "axis " << axis;
    EXPECT_EQ(axes[3]->CodeCount, expected[0].size());
    for (const VessamorChannel* channel : axes) EXPECT_TRUE(GuardIntact(*channel));
  }
  static std::vector<std::uint64_t> Range(std::uint64_t first, std::uint64_t last) {
    std::vector<std::uint64_t> range;
    for (std::uint64_t i = first; i <= last; ++i) range.push_back(i);
    return range;
  }

  sim::UnitId unit = 0;
  std::array<VessamorChannel*, 4> axes{};
};

TEST_F(RadioOnSimTest, LinkUpThenSequencesRoundTheWrapLoseNothing) {
  DeviceTri& radio = StartAccelerometer();
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& model) {
    ASSERT_EQ(model.StartPackets().size(), 1u);
    EXPECT_EQ(model.StartPackets()[0].PeriodUs, kPeriodUs);
    EXPECT_EQ(model.UnknownBytes(), 0);
  });
  radio.Poll();
  EXPECT_EQ(events.Messages, (Messages{{0x02, 0x01}}));
  EXPECT_EQ(events.Link.LinkUp, 1);

  // Eighteen packets, one per poll: numbers 0..15, then 0 and 1 again.
  std::vector<int> sequences;
  for (int i = 0; i < 18; ++i) {
    AdvanceUs(kAccelerometerPacketUs);
    radio.Poll();
    sequences.push_back(events.Link.LastSequence);
  }
  std::vector<int> expected_sequences;
  for (int i = 0; i < 18; ++i) expected_sequences.push_back(i % 16);
  EXPECT_EQ(sequences, expected_sequences);
  EXPECT_EQ(events.Link.PacketCount, 18u);
  EXPECT_EQ(events.Link.LostCount, 0u);
  EXPECT_EQ(radio.LinkQuality, 200);
  EXPECT_EQ(radio.RadioNoise, 9);
  ExpectAxes(Range(0, 17));
  EXPECT_EQ(events.Messages.size(), 1u);
}

TEST_F(RadioOnSimTest, DroppedPacketsAreRefilledFromHistoryUpToFive) {
  DeviceTri& radio = StartAccelerometer();
  radio.Poll();
  AdvanceUs(4 * kAccelerometerPacketUs);
  radio.Poll();  // packets 0..3, the last numbered 3
  ASSERT_EQ(events.Link.LastSequence, 3);

  struct Case {
    int dropped;
    std::uint32_t charged;  // lost packets beyond what the next packet repeats
  };
  const Case cases[] = {{2, 0}, {kRadioHistoryBlocks, 0}, {kRadioHistoryBlocks + 2, 2}};
  std::vector<std::uint64_t> decoded = Range(0, 3);
  std::uint64_t next = 4;
  std::uint32_t charged = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dropped);
    With<sim::RadioReceiverUnit>(unit, [&](sim::RadioReceiverUnit& model) { model.DropPackets(c.dropped); });
    AdvanceUs((c.dropped + 1) * kAccelerometerPacketUs);
    radio.Poll();
    const std::uint64_t arrived = next + static_cast<std::uint64_t>(c.dropped);
    // The refilled packets come oldest first, then the one that arrived.
    for (std::uint64_t p = arrived - (static_cast<std::uint64_t>(c.dropped) - c.charged); p <= arrived; ++p) {
      decoded.push_back(p);
    }
    next = arrived + 1;
    charged += c.charged;
    EXPECT_EQ(events.Link.LastSequence, arrived % 16);
    EXPECT_EQ(events.Link.LostCount, charged);
    ExpectAxes(decoded);
  }
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& model) { EXPECT_EQ(model.PacketsDropped(), 14u); });
}

TEST_F(RadioOnSimTest, PulsePacketAddsItsSamplesAndStatus) {
  unit = PlugKind(kPulseCode, kRadioType);
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& model) {
    EXPECT_EQ(model.Layout(), sim::RadioLayout::Pulse);
    model.SetPulseFlag(3);
  });
  DeviceTri& radio = TakeOver<DeviceTri>(std::pair{kRadioType, kPulseCode});
  ASSERT_TRUE(radio.ConfigurePort());
  VessamorChannel& pulse = NewChannel(1000);
  radio.BindChannel(0, &pulse);
  // A pulse sensor behind the receiver: the start carries the period marker and pulse mode 2.
  radio.PulseMode = 2;
  Start(radio, {0xA7, sim::RadioPulsePeriodMarker & 0xFF, sim::RadioPulsePeriodMarker >> 8, 0, 0, 0});
  radio.Poll();
  ASSERT_EQ(events.Link.LinkUp, 1);

  Codes expected;
  for (int packet = 0; packet < 2; ++packet) {
    AdvanceUs(kPulsePacketUs);
    radio.Poll();
    With<sim::RadioReceiverUnit>(unit, [&](sim::RadioReceiverUnit& model) {
      for (int s = 0; s < sim::RadioPulseSamples; ++s) {
        expected.push_back(static_cast<std::int16_t>(
            model.SampleAt(static_cast<std::uint64_t>(packet * sim::RadioPulseSamples + s))[0]));
      }
    });
    EXPECT_EQ(CodesOf(pulse), expected) << "packet " << packet;
  }
  EXPECT_EQ(radio.PulseFlag, 3);
  EXPECT_EQ(events.Link.LostCount, 0u);
  EXPECT_TRUE(GuardIntact(pulse));
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& model) {
    EXPECT_EQ(model.StartPackets().at(0).PeriodUs, sim::RadioPulsePeriodMarker);
  });
}

TEST_F(RadioOnSimTest, LinkDownWithDataBehindItStopsTheRecording) {
  DeviceTri& radio = StartAccelerometer(/*auto_link_up=*/false);
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& model) {
    model.QueueLinkDown();
    model.QueueGarbage({0x05, 0x10, 0x20});
  });
  radio.Poll();
  // The message's own bytes reach the recording, which stops on 02 00.
  EXPECT_EQ(events.Messages, (Messages{{0x02, 0x00}}));
  EXPECT_EQ(events.Link.LinkUp, 0);
  EXPECT_EQ(fill, 0u);
  EXPECT_EQ(axes[0]->CodeCount, 0u);
}

TEST_F(RadioOnSimTest, LinkDownInTheStreamTakesTheLinkDownAndStops) {
  DeviceTri& radio = StartAccelerometer();
  radio.Poll();
  AdvanceUs(2 * kAccelerometerPacketUs);
  radio.Poll();
  ASSERT_EQ(axes[0]->CodeCount, 10u);

  // While the link is up anything but a packet is a broken stream: the link goes down and the
  // receiver is given time to settle; the receiver's one link-down message is still reported, so
  // the recording ends instead of waiting for data that never comes.
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& model) { model.QueueLinkDown(); });
  radio.Poll();
  EXPECT_EQ(events.Link.LinkUp, 0);
  EXPECT_EQ(clock.Slept, 100u);
  EXPECT_EQ(events.Messages, (Messages{{0x02, 0x01}, {0x02, 0x00}}));
  ExpectAxes(Range(0, 1));

  // Other broken bytes take the link down without a report.
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& model) { model.QueueLinkUp(); });
  radio.Poll();
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& model) { model.QueueGarbage({0x7E, 0x11, 0x22}); });
  radio.Poll();
  EXPECT_EQ(events.Link.LinkUp, 0);
  EXPECT_EQ(events.Messages, (Messages{{0x02, 0x01}, {0x02, 0x00}, {0x02, 0x01}}));
}

TEST_F(RadioOnSimTest, GarbageWhileTheLinkIsDownIsReportedAsTheLostLinkMarker) {
  DeviceTri& radio = StartAccelerometer(/*auto_link_up=*/false);
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& model) { model.QueueGarbage({0x7E, 0x11, 0x22}); });
  radio.Poll();
  EXPECT_EQ(events.Messages, (Messages{{0x03, 0x0A}}));
  EXPECT_EQ(fill, 0u);

  // The receiver recovers with a link-up; its first packet decodes from sample 0.
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& model) { model.QueueLinkUp(); });
  AdvanceUs(kAccelerometerPacketUs);
  radio.Poll();
  EXPECT_EQ(events.Messages, (Messages{{0x03, 0x0A}, {0x02, 0x01}}));
  EXPECT_EQ(events.Link.LinkUp, 1);
  ExpectAxes({0});
}

TEST_F(RadioOnSimTest, BadFirstByteWhileTheLinkIsUpDropsTheStreamUntilTheNextLinkUp) {
  DeviceTri& radio = StartAccelerometer();
  radio.Poll();
  AdvanceUs(2 * kAccelerometerPacketUs);
  radio.Poll();  // packets 0 and 1

  // Stray bytes ahead of packet 2: the whole read goes, the link goes down, 100 ms pass.
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& model) { model.QueueGarbage({0x11, 0x22}); });
  AdvanceUs(kAccelerometerPacketUs);
  radio.Poll();
  EXPECT_EQ(events.Link.LinkUp, 0);
  EXPECT_EQ(events.Link.FullPacket, 0);
  EXPECT_EQ(radio.LinkState, 0);
  EXPECT_EQ(clock.Slept, 100u);
  EXPECT_EQ(fill, 0u);

  // The packets sent while it settled (3..22) find the link down: marker reported, nothing stored.
  radio.Poll();
  EXPECT_EQ(events.Messages, (Messages{{0x02, 0x01}, {0x03, 0x0A}}));
  ExpectAxes(Range(0, 1));

  // After the next link-up, packet 23 follows number 1 with five missing: its history fills 18..22.
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& model) { model.QueueLinkUp(); });
  AdvanceUs(kAccelerometerPacketUs);
  radio.Poll();
  EXPECT_EQ(events.Link.LinkUp, 1);
  std::vector<std::uint64_t> decoded = Range(0, 1);
  for (std::uint64_t p : Range(18, 23)) decoded.push_back(p);
  ExpectAxes(decoded);
}

// --- Event timer ---

class TimerOnSimTest : public FamiliesOnSimTest {
 protected:
  DeviceQEMod& StartTimer(int code, std::uint32_t capacity = 4000) {
    unit = PlugKind(code, kTimerType);
    DeviceQEMod& timer = TakeOver<DeviceQEMod>(std::pair{kTimerType, code});
    EXPECT_TRUE(timer.ConfigurePort());
    channel = &NewChannel(capacity);
    channel->SensorCode = static_cast<std::uint16_t>(code);
    timer.BindChannel(0, channel);
    timer.ResetTimingState();
    const std::uint8_t selector = code == kLongRangeCode ? 5 : 7;
    Start(timer, {0xA7, selector, 0xA3, kPeriodUs & 0xFF, kPeriodUs >> 8, 0xA5});
    return timer;
  }
  std::int64_t FramePeriodUs() {
    std::int64_t period = 0;
    With<sim::EventTimerUnit>(unit, [&](sim::EventTimerUnit& model) { period = model.FramePeriodUs(); });
    return period;
  }
  static void Repeat(Codes& codes, std::int16_t value, std::size_t times) { codes.insert(codes.end(), times, value); }

  sim::UnitId unit = 0;
  VessamorChannel* channel = nullptr;
};

TEST_F(TimerOnSimTest, FramesOfEitherRangeFillTheirIntervalWithTheEchoDelay) {
  struct Case {
    int code;
    std::uint8_t selector;
    std::uint32_t entries_per_frame;  // the rate's samples in one frame period
  };
  for (const Case& c : {Case{kLongRangeCode, 5, kRate / 20}, Case{kShortRangeCode, 7, kRate / 100}}) {
    SCOPED_TRACE(c.code);
    Fresh();
    DeviceQEMod& timer = StartTimer(c.code);
    // First a frame whose echo count wrapped past 65535: 65000 -> 1000 is 1536 counts.
    With<sim::EventTimerUnit>(unit, [](sim::EventTimerUnit& model) { model.QueueFrames({{65000, 1000, 2000}}); });
    AdvanceUs(4 * FramePeriodUs());
    timer.Poll();

    Codes expected;
    Repeat(expected, 1536, c.entries_per_frame);
    With<sim::EventTimerUnit>(unit, [&](sim::EventTimerUnit& model) {
      ASSERT_EQ(model.StartPackets().size(), 1u);
      EXPECT_EQ(model.StartPackets()[0].Selector, c.selector);
      EXPECT_EQ(model.StartPackets()[0].PeriodUs, kPeriodUs);
      EXPECT_EQ(model.MalformedBytes(), 0);
      EXPECT_EQ(model.Threshold(), timer.LowerThreshold);
      for (std::uint64_t i = 1; i < 4; ++i) {
        const sim::TimerFrame frame = model.GeneratedFrame(i);
        Repeat(expected, static_cast<std::int16_t>(frame.T2 - frame.T1), c.entries_per_frame);
      }
    });
    EXPECT_EQ(CodesOf(*channel), expected);
    EXPECT_TRUE(GuardIntact(*channel));
  }
}

TEST_F(TimerOnSimTest, LateEchoesStandForSeveralIntervals) {
  DeviceQEMod& timer = StartTimer(kShortRangeCode);
  const std::uint16_t threshold = sim::TimerShortThreshold;
  const std::size_t interval = kRate / 100;
  With<sim::EventTimerUnit>(unit, [&](sim::EventTimerUnit& model) {
    model.QueueFrames({
        {100, 3100, static_cast<std::uint16_t>(threshold + 15000)},  // ends 1.5 scales late
        {100, 30100, static_cast<std::uint16_t>(threshold + 5000)},  // no echo within range
        {5000, 4000, 3000},                                          // echo before the trigger
        {200, 1200, 3000},                                           // ordinary again
    });
  });
  AdvanceUs(4 * FramePeriodUs());
  timer.Poll();

  Codes expected;
  Repeat(expected, static_cast<std::int16_t>(threshold + 15000 - 100 + 144), 3 * interval);
  Repeat(expected, 0, 2 * interval);
  Repeat(expected, static_cast<std::int16_t>(3000 - 5000 + 144), interval);
  Repeat(expected, 1000, interval);
  EXPECT_EQ(CodesOf(*channel), expected);
  EXPECT_DOUBLE_EQ(timer.Position, static_cast<double>(expected.size()));
}

TEST_F(TimerOnSimTest, CyclicWrapStartsThePositionOverWithTheRecord) {
  view.Continuous = 1;
  DeviceQEMod& timer = StartTimer(kShortRangeCode);
  const std::uint32_t interval = kRate / 100;
  timer.ByteLimit = 10 * kTimerFrameSize;
  AdvanceUs(12 * FramePeriodUs());
  timer.Poll();

  // The two frames past the limit start the record again at sample 0.
  EXPECT_EQ(events.Resets, 1);
  EXPECT_EQ(events.ReceivedMirror, 2 * kTimerFrameSize);
  Codes expected;
  With<sim::EventTimerUnit>(unit, [&](sim::EventTimerUnit& model) {
    for (std::uint64_t i = 10; i < 13; ++i) {
      const sim::TimerFrame frame = model.GeneratedFrame(i);
      Repeat(expected, static_cast<std::int16_t>(frame.T2 - frame.T1), interval);
    }
  });
  EXPECT_EQ(CodesOf(*channel), Codes(expected.begin(), expected.begin() + 2 * interval));
  EXPECT_DOUBLE_EQ(timer.Position, 2.0 * interval);

  AdvanceUs(FramePeriodUs());
  timer.Poll();
  EXPECT_EQ(CodesOf(*channel), expected);
  EXPECT_EQ(events.Resets, 1);
}

// --- Type-6 unit ---

TEST_F(FamiliesOnSimTest, TypeSixProbeWaitsABoundedTimeForAReplyOrSilence) {
  struct Case {
    const char* name;
    std::optional<std::vector<std::uint8_t>> reply;
    std::int64_t delay_us;
    bool answered;
  };
  const Case cases[] = {
      {"prompt reply", std::vector<std::uint8_t>{0x3B, 0x3C}, 20000, true},
      {"silent", std::nullopt, 0, false},
      {"reply after the wait", std::vector<std::uint8_t>{0x3B, 0x3C}, (kProbeReplyWaitMs + 100) * 1000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    const sim::UnitId unit = PlugKind(kTypeSixCode, kTypeSix);
    With<sim::TypeSixUnit>(unit, [&](sim::TypeSixUnit& model) { model.SetProbeReply(c.reply, c.delay_us); });
    DeviceSix& six = TakeOver<DeviceSix>(std::pair{kTypeSix, kTypeSixCode});
    const std::int64_t before = bus.NowUs();
    EXPECT_TRUE(six.ConfigurePort());
    EXPECT_TRUE(six.IsOpen());
    EXPECT_EQ(six.ProbeAnswered, c.answered ? 1 : 0);
    // Virtual time: a reply ends the wait when it arrives, silence when the limit is reached.
    if (c.answered) {
      EXPECT_EQ(bus.NowUs() - before, c.delay_us);
    } else {
      EXPECT_EQ(clock.Slept, kProbeReplyWaitMs);
    }
    const std::vector<std::uint8_t> written = bus.Written(six.Handle);
    EXPECT_EQ(written, std::vector<std::uint8_t>(kTypeSixProbe.begin(), kTypeSixProbe.end()));

    // Its start packet is five bytes: A7 88 00 and the period.
    Start(six, {0xA7, 0x88, 0x00, kPeriodUs & 0xFF, kPeriodUs >> 8, 0x00});
    With<sim::TypeSixUnit>(unit, [](sim::TypeSixUnit& model) {
      EXPECT_EQ(model.ProbeCount(), 1);
      ASSERT_EQ(model.StartPackets().size(), 1u);
      EXPECT_EQ(model.StartPackets()[0].PeriodUs, kPeriodUs);
      EXPECT_EQ(model.UnknownBytes(), 0);
    });
  }
}

// --- Control unit ---

TEST_F(FamiliesOnSimTest, ControlUnitAnswersRtsAndTakesTheResetMessage) {
  // No description identifies a control unit, so it is plugged by family and taken over unidentified.
  sim::UnitInfo info;
  info.Description = "control";
  const sim::UnitId unit = bus.Plug(info, sim::MakeUnitModel("control", {}));
  DeviceFive& control = TakeOver<DeviceFive>(std::nullopt);
  control.DeviceTypeCode = 5;
  ASSERT_TRUE(control.ConfigurePort());
  const std::uint8_t mask = ConnectedMask.load();

  EVENT_HANDLE event;
  pthread_mutex_init(&event.eMutex, nullptr);
  pthread_cond_init(&event.eCondVar, nullptr);
  event.iVar = 0;
  // Two rounds of the control worker's reset cycle.
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    event.iVar = 0;
    ASSERT_EQ(Ftdi.FT_Purge(control.Handle, FT_PURGE_RX), FT_OK);
    ASSERT_EQ(Ftdi.FT_SetEventNotification(control.Handle, FT_EVENT_MODEM_STATUS, &event), FT_OK);
    ASSERT_EQ(Ftdi.FT_SetRts(control.Handle), FT_OK);
    EXPECT_EQ(event.iVar, 1);
    DWORD rx = 0, tx = 0, word = 0;
    ASSERT_EQ(Ftdi.FT_GetStatus(control.Handle, &rx, &tx, &word), FT_OK);
    ASSERT_NE(word & FT_EVENT_MODEM_STATUS, 0u);
    ULONG modem = 0;
    ASSERT_EQ(Ftdi.FT_GetModemStatus(control.Handle, &modem), FT_OK);
    EXPECT_EQ(modem & FT_MODEM_STATUS_CTS, static_cast<ULONG>(FT_MODEM_STATUS_CTS));
    std::array<std::uint8_t, kControlResetMessage.size()> message = kControlResetMessage;
    DWORD written = 0;
    ASSERT_EQ(Ftdi.FT_Write(control.Handle, message.data(), static_cast<DWORD>(message.size()), &written), FT_OK);
    ASSERT_EQ(Ftdi.FT_ClrRts(control.Handle), FT_OK);
    With<sim::ControlUnit>(unit, [&](sim::ControlUnit& model) {
      EXPECT_EQ(model.RtsRaises(), round);
      EXPECT_EQ(model.ResetMessages(), round);
      EXPECT_EQ(model.ResetsWhileRts(), round);
      EXPECT_EQ(model.UnexpectedBytes(), 0);
      EXPECT_FALSE(model.Rts());
    });
  }
  Ftdi.FT_SetEventNotification(control.Handle, 0, nullptr);
  pthread_cond_destroy(&event.eCondVar);
  pthread_mutex_destroy(&event.eMutex);

  control.Close(0);
  EXPECT_FALSE(control.IsOpen());
  EXPECT_EQ(ConnectedMask.load(), mask);
  EXPECT_EQ(events.Stops, 0);
}

}  // namespace
}  // namespace unittest
