// Tests of the unit family models: radio packets and link messages, timer frames, the type-6 probe,
// the control unit's RTS answer, and a description for every identification key.
#include <functional>
#include <string>

#include "acquisition/sensor_identification.h"
#include "sim/control_unit.h"
#include "sim/description.h"
#include "sim/event_timer_unit.h"
#include "sim/radio_receiver_unit.h"
#include "sim/type_six_unit.h"
#include "sim/unit_list.h"
#include "sim_test_support.h"

namespace simtest {
namespace {

Bytes Slice(const Bytes& bytes, size_t offset, size_t length) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
               bytes.begin() + static_cast<std::ptrdiff_t>(offset + length));
}

// One accelerometer block as the receiver's X, Y, Z codes.
std::vector<std::array<std::uint16_t, 3>> DecodeBlock(const Bytes& packet, size_t offset) {
  std::vector<std::array<std::uint16_t, 3>> samples;
  for (int group = 0; group < sim::RadioGroupsPerBlock; ++group) {
    const std::uint8_t* g = &packet[offset + 4 * group];
    samples.push_back({static_cast<std::uint16_t>((g[0] << 2) | (g[3] >> 6)),
                       static_cast<std::uint16_t>((g[1] << 2) | ((g[3] >> 4) & 3)),
                       static_cast<std::uint16_t>((g[2] << 2) | ((g[3] >> 2) & 3))});
  }
  return samples;
}

class FamiliesTest : public BusTest {
 protected:
  // A unit of the family the sensor kind's key selects, opened.
  sim::UnitId PlugKind(int code, int type, std::vector<sim::Signal> signals = {}) {
    const std::string description = sim::DescriptionForSensorKind(code, type).value_or("");
    sim::UnitInfo info;
    info.Description = description;
    sim::UnitId unit = bus.Plug(info, sim::MakeUnitModel(sim::AutoFamily, signals, sim::DescriptionKey(description)));
    handle = OpenAt(0);
    return unit;
  }
  template <typename Model, typename Action>
  void With(sim::UnitId unit, Action&& action) {
    ASSERT_TRUE(bus.WithModel<Model>(unit, std::forward<Action>(action)));
  }
  void Radio(sim::UnitId unit, const std::function<void(sim::RadioReceiverUnit&)>& action) {
    With<sim::RadioReceiverUnit>(unit, action);
  }
  FT_HANDLE handle = nullptr;
};

constexpr int kRadioType = 3;
constexpr std::int64_t kPacketUs = 1000 * sim::RadioGroupsPerBlock;  // at the 1000 µs period
const Bytes kRadioStart = {0xA7, 0xE8, 0x03, 0x00, 0x00};

TEST_F(FamiliesTest, RadioSendsByteExactPacketsWithWrappingSequenceNumbers) {
  // X 341, Y 682, Z 1023: high bytes 55 AA FF, low bits 01 10 11 -> 0x6C.
  sim::UnitId unit = PlugKind(7, kRadioType,
                              {sim::Signal::Constant(341), sim::Signal::Constant(682), sim::Signal::Constant(1023)});
  Radio(unit, [](sim::RadioReceiverUnit& radio) {
    radio.SetQuality(200);
    radio.SetNoise(9);
  });
  Write(handle, kRadioStart);
  EXPECT_EQ(ReadAll(handle), (Bytes{0x02, 0x01}));  // link up
  AdvanceUs(kPacketUs - 1);
  EXPECT_TRUE(ReadAll(handle).empty());
  AdvanceUs(1);
  Bytes packet = ReadAll(handle);
  ASSERT_EQ(packet.size(), static_cast<size_t>(sim::RadioPacketLength));
  EXPECT_EQ(Slice(packet, 0, 2), (Bytes{0x05, 0x00}));
  for (int group = 0; group < sim::RadioGroupsPerBlock * sim::RadioBlocksPerPacket; ++group) {
    ASSERT_EQ(Slice(packet, 2 + 4 * group, 4), (Bytes{0x55, 0xAA, 0xFF, 0x6C})) << group;
  }
  EXPECT_EQ(Slice(packet, 122, 2), (Bytes{55, 9}));  // 255 - quality, noise

  Radio(unit, [](sim::RadioReceiverUnit& radio) { radio.SetNextSequence(14); });
  AdvanceUs(4 * kPacketUs);
  const Bytes stream = ReadAll(handle);
  ASSERT_EQ(stream.size(), 4u * sim::RadioPacketLength);
  const int expected[] = {14, 15, 0, 1};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(stream[i * sim::RadioPacketLength + 1] >> 4, expected[i]) << i;
}

TEST_F(FamiliesTest, RadioLostPacketsLeaveTheirSamplesInTheOlderBlocks) {
  sim::UnitId unit = PlugKind(7, kRadioType,
                              {sim::Signal::Noise(512, 500, 3), sim::Signal::Noise(512, 500, 4),
                               sim::Signal::Noise(512, 500, 5)});
  Write(handle, kRadioStart);
  ReadAll(handle);
  Radio(unit, [](sim::RadioReceiverUnit& radio) { radio.SetNextSequence(3); });
  AdvanceUs(kPacketUs);
  const Bytes first = ReadAll(handle);
  Radio(unit, [](sim::RadioReceiverUnit& radio) { radio.DropPackets(2); });
  AdvanceUs(3 * kPacketUs);
  const Bytes second = ReadAll(handle);
  ASSERT_EQ(second.size(), static_cast<size_t>(sim::RadioPacketLength));
  EXPECT_EQ(second[1] >> 4, 6);
  // Packet 6 carries its own samples at offset 2, lost packets 5 and 4 at 22 and 42, packet 3 at 62.
  EXPECT_EQ(Slice(second, 62, sim::RadioBlockBytes), Slice(first, 2, sim::RadioBlockBytes));
  Radio(unit, [&](sim::RadioReceiverUnit& radio) {
    const std::pair<size_t, std::uint64_t> blocks[] = {{42, 1}, {22, 2}, {2, 3}};
    for (const auto& [offset, number] : blocks) {
      const auto decoded = DecodeBlock(second, offset);
      for (int g = 0; g < sim::RadioGroupsPerBlock; ++g) {
        EXPECT_EQ(decoded[g], radio.SampleAt(number * sim::RadioGroupsPerBlock + g)) << offset;
      }
    }
    EXPECT_EQ(DecodeBlock(first, 102)[0], radio.SampleAt(0));  // before the first packet: the first sample
  });
}

TEST_F(FamiliesTest, RadioDuplicatesGarbageAndLinkMessagesComeBetweenPackets) {
  sim::UnitId unit = PlugKind(7, kRadioType);
  Radio(unit, [](sim::RadioReceiverUnit& radio) { radio.SetAutoLinkUp(false); });
  Write(handle, kRadioStart);
  AdvanceUs(5 * kPacketUs);
  EXPECT_TRUE(ReadAll(handle).empty());  // no packets until the link is up
  Radio(unit, [](sim::RadioReceiverUnit& radio) {
    radio.QueueLinkUp();
    radio.DuplicateNextPacket();
  });
  AdvanceUs(kPacketUs);
  Bytes stream = ReadAll(handle);
  ASSERT_EQ(stream.size(), 2u + 2 * sim::RadioPacketLength);
  EXPECT_EQ(Slice(stream, 0, 2), (Bytes{0x02, 0x01}));
  EXPECT_EQ(Slice(stream, 2, sim::RadioPacketLength), Slice(stream, 2 + sim::RadioPacketLength, sim::RadioPacketLength));

  // Garbage and a chosen message follow the packets already due, in the order queued.
  AdvanceUs(kPacketUs);
  Radio(unit, [](sim::RadioReceiverUnit& radio) {
    radio.QueueGarbage({0x33, 0x44, 0x55});
    radio.QueueMessage(0x04, 0x01);
  });
  stream = ReadAll(handle);
  ASSERT_EQ(stream.size(), static_cast<size_t>(sim::RadioPacketLength + 5));
  EXPECT_EQ(Slice(stream, sim::RadioPacketLength, 5), (Bytes{0x33, 0x44, 0x55, 0x04, 0x01}));

  // Link down: its message, then silence; up again: packets go on with the next number.
  Radio(unit, [](sim::RadioReceiverUnit& radio) { radio.QueueLinkDown(); });
  AdvanceUs(3 * kPacketUs);
  EXPECT_EQ(ReadAll(handle), (Bytes{0x02, 0x00}));
  Radio(unit, [](sim::RadioReceiverUnit& radio) { radio.QueueLinkUp(); });
  AdvanceUs(kPacketUs);
  stream = ReadAll(handle);
  ASSERT_EQ(stream.size(), static_cast<size_t>(2 + sim::RadioPacketLength));
  EXPECT_EQ(stream[3] >> 4, 2);

  Write(handle, {sim::RadioStopByte, 0x42});
  AdvanceUs(5 * kPacketUs);
  EXPECT_TRUE(ReadAll(handle).empty());
  Radio(unit, [](sim::RadioReceiverUnit& radio) { EXPECT_EQ(radio.UnknownBytes(), 1); });
}

TEST_F(FamiliesTest, RadioPulsePacketCarriesNinetyFourSamplesAndItsStatus) {
  sim::UnitId unit = PlugKind(35, kRadioType, {sim::Signal::Noise(500, 400, 9)});
  Radio(unit, [](sim::RadioReceiverUnit& radio) { radio.SetPulseFlag(1); });
  Write(handle, {0xA7, 0x5F, 0xEA, 0x00, 0x00});  // the pulse period 59999
  ReadAll(handle);
  AdvanceUs(sim::RadioPulseSamples * sim::RadioPulseSamplePeriodUs);
  const Bytes packet = ReadAll(handle);
  ASSERT_EQ(packet.size(), static_cast<size_t>(sim::RadioPacketLength));
  Radio(unit, [&](sim::RadioReceiverUnit& radio) {
    for (int i = 0; i < sim::RadioPulseSamples; ++i) {
      const int group = 2 + 5 * (i / 4);
      const int code = (packet[group + i % 4] << 2) | ((packet[group + 4] >> (6 - 2 * (i % 4))) & 3);
      ASSERT_EQ(code, radio.SampleAt(i)[0]) << i;
    }
  });
  EXPECT_EQ(packet[sim::RadioPulseFlagOffset], 254);
  EXPECT_EQ(packet[sim::RadioPulseStatusOffset], 0);
}

constexpr int kTimerType = 8;
Bytes TimerStart(std::uint8_t selector) { return {0xA7, selector, 0xA3, 0xE8, 0x03, 0xA5}; }

TEST_F(FamiliesTest, TimerSendsChosenFramesMostSignificantByteFirst) {
  sim::UnitId unit = PlugKind(64, kTimerType);
  // t1 65000, t2 1000: the echo count wrapped, d = 1536; then a late echo past the threshold.
  const sim::TimerFrame wrapped{65000, 1000, 300}, late{200, 150, 52000};
  With<sim::EventTimerUnit>(unit, [&](sim::EventTimerUnit& timer) {
    timer.QueueFrames({wrapped, late});
    EXPECT_GT(late.T3, timer.Threshold());
  });
  EXPECT_EQ(static_cast<std::uint16_t>(wrapped.T2 - wrapped.T1), 1536);
  Write(handle, {0xA7, 0x05, 0x00, 0xE8, 0x03, 0xA5});  // no A3 marker: ignored
  AdvanceUs(5 * sim::TimerLongFramePeriodUs);
  EXPECT_TRUE(ReadAll(handle).empty());
  Write(handle, TimerStart(sim::TimerLongRangeSelector));
  AdvanceUs(sim::TimerLongFramePeriodUs - 1);
  EXPECT_TRUE(ReadAll(handle).empty());
  AdvanceUs(1);
  EXPECT_EQ(ReadAll(handle), (Bytes{0xFD, 0xE8, 0x03, 0xE8, 0x01, 0x2C}));
  AdvanceUs(sim::TimerLongFramePeriodUs);
  EXPECT_EQ(ReadAll(handle), (Bytes{0x00, 0xC8, 0x00, 0x96, 0xCB, 0x20}));
}

TEST_F(FamiliesTest, TimerGeneratesFramesAtTheRangesRateAndWraps) {
  const struct {
    int code;
    std::uint8_t selector;
    std::int64_t period_us;
    std::uint16_t threshold;
  } cases[] = {{64, sim::TimerLongRangeSelector, sim::TimerLongFramePeriodUs, sim::TimerLongThreshold},
               {65, 7, sim::TimerShortFramePeriodUs, sim::TimerShortThreshold}};
  for (const auto& c : cases) {
    bus.Reset(sim::ClockMode::Virtual);
    sim::UnitId unit = PlugKind(c.code, kTimerType, {sim::Signal::Constant(400)});  // a delay of 2000 counts
    Write(handle, TimerStart(c.selector));
    AdvanceUs(3 * c.period_us);
    const Bytes stream = ReadAll(handle);
    ASSERT_EQ(stream.size(), 3u * sim::TimerFrameLength) << c.code;
    // t1 100, t2 2100, t3 = min(2300, threshold).
    const std::uint16_t t3 = std::min<std::uint16_t>(2300, c.threshold);
    EXPECT_EQ(Slice(stream, 12, 6), (Bytes{0x00, 0x64, 0x08, 0x34, static_cast<std::uint8_t>(t3 >> 8),
                                           static_cast<std::uint8_t>(t3 & 0xFF)}));
    With<sim::EventTimerUnit>(unit, [](sim::EventTimerUnit& timer) { timer.SetTriggerCount(65000); });
    AdvanceUs(c.period_us);
    // t2 = (65000 + 2000) mod 65536 = 1464; t3 capped at the threshold.
    EXPECT_EQ(ReadAll(handle), (Bytes{0xFD, 0xE8, 0x05, 0xB8, static_cast<std::uint8_t>(c.threshold >> 8),
                                      static_cast<std::uint8_t>(c.threshold & 0xFF)}));
    Write(handle, {sim::TimerStopByte});
    AdvanceUs(3 * c.period_us);
    EXPECT_TRUE(ReadAll(handle).empty());
  }
}

TEST_F(FamiliesTest, TypeSixStaysSilentUnlessGivenAReply) {
  sim::UnitId unit = PlugKind(59, 6);
  const Bytes probe(sim::TypeSixProbe.begin(), sim::TypeSixProbe.end());
  EXPECT_EQ(probe, (Bytes{0xA7, 0x00, 0x88, 0x00, 0x00}));
  Write(handle, probe);
  AdvanceUs(1'000'000);
  EXPECT_TRUE(ReadAll(handle).empty());
  // A reply 600 ms late is not there at 500 ms; the probe may come split over two writes.
  With<sim::TypeSixUnit>(unit, [](sim::TypeSixUnit& six) { six.SetProbeReply(Bytes{0x3B, 0x3C}, 600'000); });
  Write(handle, Bytes(probe.begin(), probe.begin() + 2));
  Write(handle, Bytes(probe.begin() + 2, probe.end()));
  AdvanceUs(500'000);
  EXPECT_TRUE(ReadAll(handle).empty());
  AdvanceUs(100'000);
  EXPECT_EQ(ReadAll(handle), (Bytes{0x3B, 0x3C}));
  With<sim::TypeSixUnit>(unit, [](sim::TypeSixUnit& six) { EXPECT_EQ(six.ProbeCount(), 2); });
}

TEST_F(FamiliesTest, ControlUnitAnswersRtsWithAModemStatusEvent) {
  for (bool answers : {true, false}) {
    bus.Reset(sim::ClockMode::Virtual);
    sim::UnitInfo info;
    info.Description = "control";
    sim::UnitId unit = bus.Plug(info, sim::MakeUnitModel("control", {}));
    handle = OpenAt(0);
    With<sim::ControlUnit>(unit, [&](sim::ControlUnit& control) { control.SetAnswersRts(answers); });
    EVENT_HANDLE event;
    pthread_mutex_init(&event.eMutex, nullptr);
    pthread_cond_init(&event.eCondVar, nullptr);
    event.iVar = 0;
    ASSERT_EQ(FT_SetEventNotification(handle, FT_EVENT_MODEM_STATUS, &event), FT_OK);
    ASSERT_EQ(FT_SetRts(handle), FT_OK);
    EXPECT_EQ(event.iVar, answers ? 1 : 0);
    ULONG modem = 0xFF;
    ASSERT_EQ(FT_GetModemStatus(handle, &modem), FT_OK);
    EXPECT_EQ(modem, answers ? FT_MODEM_STATUS_CTS : 0u);
    Write(handle, Bytes(sim::ControlResetMessage.begin(), sim::ControlResetMessage.end()));
    With<sim::ControlUnit>(unit, [](sim::ControlUnit& control) { EXPECT_EQ(control.ResetsWhileRts(), 1); });
    FT_SetEventNotification(handle, 0, nullptr);
    pthread_cond_destroy(&event.eCondVar);
    pthread_mutex_destroy(&event.eMutex);
  }
}

TEST_F(FamiliesTest, EveryKeyPlugsInAndListsWithItsDescriptionAndFamily) {
  std::span<const SensorKeyEntry> table = SensorKeyTable();
  ASSERT_EQ(table.size(), 104u);
  for (const SensorKeyEntry& entry : table) {
    std::optional<std::string> description = sim::DescriptionForSensorKey(entry.Key);
    ASSERT_TRUE(description.has_value()) << std::hex << entry.Key;
    sim::UnitSpec unit_entry;
    unit_entry.Family = sim::AutoFamily;
    unit_entry.Description = *description;
    ASSERT_TRUE(sim::AttachUnit(bus, unit_entry));
  }
  std::vector<sim::UnitId> units = bus.Units();
  ASSERT_EQ(units.size(), table.size());
  for (size_t i = 0; i < table.size(); ++i) {
    char listed[64] = {};
    ASSERT_EQ(FT_ListDevices(reinterpret_cast<PVOID>(i), listed, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION), FT_OK);
    EXPECT_EQ(DescriptionKey(listed, sizeof listed), table[i].Key) << i;
    std::string family;
    ASSERT_TRUE(bus.WithModel<sim::UnitModel>(units[i], [&](sim::UnitModel& model) { family = model.Family(); }));
    EXPECT_EQ(family, sim::FamilyForTypeCode(table[i].DeviceTypeCode)) << i;
  }
}

TEST(FamilySelection, TypeCodesKindsAndUnitListsChooseTheirModels) {
  const std::pair<int, const char*> types[] = {{1, "wired"}, {3, "radio"}, {5, "control"},
                                               {6, "typesix"}, {8, "timer"}, {11, "wired"}};
  for (const auto& [type, family] : types) EXPECT_EQ(sim::FamilyForTypeCode(type), family) << type;
  EXPECT_EQ(sim::FamilyForKey(0x12345678), "wired");  // a key of no sensor
  // A kind names the first of its keys in key order, or the one of the type given.
  EXPECT_EQ(sim::KeyForSensorKind(7), SensorKey('4', '9', 1133));
  EXPECT_EQ(sim::KeyForSensorKind(7, 3), SensorKey('5', '1', 1384));
  EXPECT_FALSE(sim::KeyForSensorKind(15).has_value());
  EXPECT_FALSE(sim::KeyForSensorKind(64, 11).has_value());

  std::vector<std::string> errors;
  std::vector<sim::UnitSpec> units = sim::ParseUnitList(
      "auto:kind=35/3;auto:kind=64;auto:kind=59;auto:kind=7;auto:65/1357;control:desc=CONTROL;"
      "auto:kind=15;auto:kind=x;auto:kind=7/;wired:kind=300",
      &errors);
  ASSERT_EQ(units.size(), 6u);
  EXPECT_EQ(errors.size(), 4u);
  const char* families[] = {"radio", "timer", "typesix", "wired", "timer", "control"};
  for (size_t i = 0; i < units.size(); ++i) {
    auto model = sim::MakeUnitModel(units[i].Family, units[i].Signals, sim::DescriptionKey(units[i].Description));
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->Family(), families[i]) << i;
    if (i == 0) {
      EXPECT_EQ(dynamic_cast<sim::RadioReceiverUnit&>(*model).Layout(), sim::RadioLayout::Pulse);
    }
  }
}

}  // namespace
}  // namespace simtest
