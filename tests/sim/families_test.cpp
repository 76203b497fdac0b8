// Tests of the unit family models: radio packets and link messages, timer frames, the type-6 probe,
// the control unit's RTS answer, and a description for every identification key.
#include <set>
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

using Bytes = std::vector<std::uint8_t>;

Bytes Slice(const Bytes& bytes, size_t offset, size_t length) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
               bytes.begin() + static_cast<std::ptrdiff_t>(offset + length));
}

// The packets of a stream that holds nothing else.
std::vector<Bytes> SplitPackets(const Bytes& bytes) {
  std::vector<Bytes> packets;
  for (size_t at = 0; at + sim::RadioPacketLength <= bytes.size(); at += sim::RadioPacketLength) {
    packets.push_back(Slice(bytes, at, sim::RadioPacketLength));
  }
  EXPECT_EQ(bytes.size() % sim::RadioPacketLength, 0u);
  return packets;
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
  // A unit of the family the description's key selects.
  sim::UnitId PlugFor(const std::string& description, std::vector<sim::Signal> signals = {}) {
    sim::UnitInfo info;
    info.Description = description;
    auto model = sim::MakeUnitModel(sim::AutoFamily, signals, sim::DescriptionKey(description));
    return bus.Plug(info, std::move(model));
  }
  sim::UnitId PlugKind(int code, int type, std::vector<sim::Signal> signals = {}) {
    std::optional<std::string> description = sim::DescriptionForSensorKind(code, type);
    EXPECT_TRUE(description.has_value());
    return PlugFor(description.value_or(""), std::move(signals));
  }
  void Write(FT_HANDLE handle, const Bytes& bytes) {
    DWORD written = 0;
    ASSERT_EQ(FT_Write(handle, const_cast<std::uint8_t*>(bytes.data()), static_cast<DWORD>(bytes.size()), &written),
              FT_OK);
  }
  template <typename Model, typename Action>
  void With(sim::UnitId unit, Action&& action) {
    ASSERT_TRUE(bus.WithModel<Model>(unit, std::forward<Action>(action)));
  }
};

// --- Wireless receiver ---

constexpr int kAccelerometerCode = 7;
constexpr int kPulseCode = 35;
constexpr int kRadioType = 3;
constexpr int kPeriodUs = 1000;
constexpr std::int64_t kAccelerometerPacketUs = kPeriodUs * sim::RadioGroupsPerBlock;
const Bytes kRadioStart = {0xA7, 0xE8, 0x03, 0x00, 0x00};  // 1000 µs

TEST_F(FamiliesTest, RadioStartBringsTheLinkUpThenSendsByteExactPackets) {
  // X 341, Y 682, Z 1023: high bytes 55 AA FF, low bits 01 10 11 -> 0x6C.
  sim::UnitId unit = PlugKind(kAccelerometerCode, kRadioType,
                              {sim::Signal::Constant(341), sim::Signal::Constant(682), sim::Signal::Constant(1023)});
  FT_HANDLE handle = OpenAt(0);
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& radio) {
    radio.SetQuality(200);
    radio.SetNoise(9);
  });
  Write(handle, kRadioStart);
  EXPECT_EQ(ReadAll(handle), (Bytes{0x02, 0x01}));
  AdvanceUs(kAccelerometerPacketUs - 1);
  EXPECT_TRUE(ReadAll(handle).empty());
  AdvanceUs(1);
  Bytes packet = ReadAll(handle);
  ASSERT_EQ(packet.size(), static_cast<size_t>(sim::RadioPacketLength));
  EXPECT_EQ(packet[0], 0x05);
  EXPECT_EQ(packet[1], 0x00);  // the first packet after a start is number 0
  for (int group = 0; group < sim::RadioGroupsPerBlock * sim::RadioBlocksPerPacket; ++group) {
    EXPECT_EQ(Slice(packet, 2 + 4 * group, 4), (Bytes{0x55, 0xAA, 0xFF, 0x6C})) << group;
  }
  EXPECT_EQ(packet[122], 55);  // 255 - quality 200
  EXPECT_EQ(packet[123], 9);
}

TEST_F(FamiliesTest, RadioSequenceNumbersWrapAfterFifteen) {
  sim::UnitId unit = PlugKind(kAccelerometerCode, kRadioType);
  FT_HANDLE handle = OpenAt(0);
  Write(handle, kRadioStart);
  ReadAll(handle);
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& radio) { radio.SetNextSequence(14); });
  AdvanceUs(4 * kAccelerometerPacketUs);
  std::vector<Bytes> packets = SplitPackets(ReadAll(handle));
  ASSERT_EQ(packets.size(), 4u);
  const int expected[] = {14, 15, 0, 1};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(packets[i][1], expected[i] << 4) << i;
}

TEST_F(FamiliesTest, RadioLostPacketsLeaveTheirSamplesInTheOlderBlocks) {
  sim::UnitId unit = PlugKind(kAccelerometerCode, kRadioType,
                              {sim::Signal::Noise(512, 500, 3), sim::Signal::Noise(512, 500, 4),
                               sim::Signal::Noise(512, 500, 5)});
  FT_HANDLE handle = OpenAt(0);
  Write(handle, kRadioStart);
  ReadAll(handle);
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& radio) { radio.SetNextSequence(3); });
  AdvanceUs(kAccelerometerPacketUs);
  Bytes first = ReadAll(handle);
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& radio) { radio.DropPackets(2); });
  AdvanceUs(3 * kAccelerometerPacketUs);
  Bytes second = ReadAll(handle);
  ASSERT_EQ(first.size(), static_cast<size_t>(sim::RadioPacketLength));
  ASSERT_EQ(second.size(), static_cast<size_t>(sim::RadioPacketLength));
  EXPECT_EQ(first[1] >> 4, 3);
  EXPECT_EQ(second[1] >> 4, 6);
  // Packet 6 carries its own samples at offset 2, lost packets 5 and 4 at 22 and 42, packet 3 at 62.
  EXPECT_EQ(Slice(second, 62, sim::RadioBlockBytes), Slice(first, 2, sim::RadioBlockBytes));
  std::array<std::uint16_t, 3> sample{};
  With<sim::RadioReceiverUnit>(unit, [&](sim::RadioReceiverUnit& radio) {
    const struct {
      size_t offset;
      std::uint64_t packet;
    } blocks[] = {{42, 1}, {22, 2}, {2, 3}};
    for (const auto& block : blocks) {
      auto decoded = DecodeBlock(second, block.offset);
      for (int g = 0; g < sim::RadioGroupsPerBlock; ++g) {
        EXPECT_EQ(decoded[g], radio.SampleAt(block.packet * sim::RadioGroupsPerBlock + g)) << block.offset;
      }
    }
    sample = radio.SampleAt(0);
    EXPECT_EQ(radio.PacketsDropped(), 2u);
  });
  // Before the first packet the older blocks repeat the first sample.
  EXPECT_EQ(DecodeBlock(first, 102)[0], sample);
}

TEST_F(FamiliesTest, RadioDuplicatesGarbageAndLinkMessagesComeBetweenPackets) {
  sim::UnitId unit = PlugKind(kAccelerometerCode, kRadioType);
  FT_HANDLE handle = OpenAt(0);
  Write(handle, kRadioStart);
  ReadAll(handle);
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& radio) { radio.DuplicateNextPacket(); });
  AdvanceUs(kAccelerometerPacketUs);
  std::vector<Bytes> packets = SplitPackets(ReadAll(handle));
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[0], packets[1]);

  // Garbage and a chosen message follow the packets already due, in the order queued.
  AdvanceUs(kAccelerometerPacketUs);
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& radio) {
    radio.QueueGarbage({0x33, 0x44, 0x55});
    radio.QueueMessage(0x04, 0x01);
  });
  Bytes stream = ReadAll(handle);
  ASSERT_EQ(stream.size(), static_cast<size_t>(sim::RadioPacketLength + 5));
  EXPECT_EQ(stream[1] >> 4, 1);
  EXPECT_EQ(Slice(stream, sim::RadioPacketLength, 5), (Bytes{0x33, 0x44, 0x55, 0x04, 0x01}));

  // Link down: its message, then silence; link up again: packets go on with the next number.
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& radio) { radio.QueueLinkDown(); });
  AdvanceUs(3 * kAccelerometerPacketUs);
  EXPECT_EQ(ReadAll(handle), (Bytes{0x02, 0x00}));
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& radio) { radio.QueueLinkUp(); });
  AdvanceUs(kAccelerometerPacketUs);
  stream = ReadAll(handle);
  ASSERT_EQ(stream.size(), static_cast<size_t>(2 + sim::RadioPacketLength));
  EXPECT_EQ(Slice(stream, 0, 2), (Bytes{0x02, 0x01}));
  EXPECT_EQ(stream[2], 0x05);
  EXPECT_EQ(stream[3] >> 4, 2);
}

TEST_F(FamiliesTest, RadioWithoutAutomaticLinkUpWaitsForOneAndStopsOnTheStopByte) {
  sim::UnitId unit = PlugKind(kAccelerometerCode, kRadioType);
  FT_HANDLE handle = OpenAt(0);
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& radio) { radio.SetAutoLinkUp(false); });
  Write(handle, kRadioStart);
  AdvanceUs(5 * kAccelerometerPacketUs);
  EXPECT_TRUE(ReadAll(handle).empty());
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& radio) { radio.QueueLinkUp(); });
  AdvanceUs(kAccelerometerPacketUs);
  EXPECT_EQ(ReadAll(handle).size(), static_cast<size_t>(2 + sim::RadioPacketLength));
  Write(handle, {sim::RadioStopByte, 0x42});
  AdvanceUs(5 * kAccelerometerPacketUs);
  EXPECT_TRUE(ReadAll(handle).empty());
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& radio) { EXPECT_EQ(radio.UnknownBytes(), 1); });
}

TEST_F(FamiliesTest, RadioPulsePacketCarriesNinetyFourSamplesAndItsStatus) {
  sim::UnitId unit = PlugKind(kPulseCode, kRadioType, {sim::Signal::Noise(500, 400, 9)});
  FT_HANDLE handle = OpenAt(0);
  With<sim::RadioReceiverUnit>(unit, [](sim::RadioReceiverUnit& radio) {
    EXPECT_EQ(radio.Layout(), sim::RadioLayout::Pulse);
    radio.SetPulseFlag(1);
  });
  Write(handle, {0xA7, 0x5F, 0xEA, 0x00, 0x00});  // the pulse period 59999
  ReadAll(handle);
  AdvanceUs(sim::RadioPulseSamples * sim::RadioPulseSamplePeriodUs);
  Bytes packet = ReadAll(handle);
  ASSERT_EQ(packet.size(), static_cast<size_t>(sim::RadioPacketLength));
  With<sim::RadioReceiverUnit>(unit, [&](sim::RadioReceiverUnit& radio) {
    for (int i = 0; i < sim::RadioPulseSamples; ++i) {
      int group = 2 + 5 * (i / 4);
      int code = (packet[group + i % 4] << 2) | ((packet[group + 4] >> (6 - 2 * (i % 4))) & 3);
      ASSERT_EQ(code, radio.SampleAt(i)[0]) << i;
    }
  });
  EXPECT_EQ(packet[sim::RadioPulseFlagOffset], 254);
  EXPECT_EQ(packet[sim::RadioPulseStatusOffset], 0);
  EXPECT_EQ((packet[121] & 0x0F), 0);  // the status places carry no low bits
}

TEST(RadioEncoding, GroupsPackLowBitsFromTheTop) {
  EXPECT_EQ(sim::EncodePulseGroup({1, 2, 3, 1023}), (std::array<std::uint8_t, 5>{0, 0, 0, 0xFF, 0x6F}));
  EXPECT_EQ(sim::EncodeAccelerometerGroup(0, 1023, 2), (std::array<std::uint8_t, 4>{0, 0xFF, 0, 0x38}));
  EXPECT_EQ(sim::RadioCode(sim::Signal::Constant(4000), 0.0, 0), sim::RadioMaxCode);
}

// --- Event timer ---

constexpr int kLongRangeCode = 64;
constexpr int kShortRangeCode = 65;
constexpr int kTimerType = 8;

Bytes TimerStart(std::uint8_t selector) { return {0xA7, selector, 0xA3, 0xE8, 0x03, 0xA5}; }

TEST_F(FamiliesTest, TimerSendsChosenFramesMostSignificantByteFirst) {
  sim::UnitId unit = PlugKind(kLongRangeCode, kTimerType);
  FT_HANDLE handle = OpenAt(0);
  // An ordinary frame whose echo count wrapped (d = 1000 - 65000 + 65536 = 1536), then a late echo.
  const sim::TimerFrame wrapped{65000, 1000, 300};
  const sim::TimerFrame late{200, 150, 52000};
  With<sim::EventTimerUnit>(unit, [&](sim::EventTimerUnit& timer) { timer.QueueFrames({wrapped, late}); });
  Write(handle, TimerStart(sim::TimerLongRangeSelector));
  AdvanceUs(sim::TimerLongFramePeriodUs - 1);
  EXPECT_TRUE(ReadAll(handle).empty());
  AdvanceUs(1);
  EXPECT_EQ(ReadAll(handle), (Bytes{0xFD, 0xE8, 0x03, 0xE8, 0x01, 0x2C}));
  EXPECT_EQ(static_cast<std::uint16_t>(wrapped.T2 - wrapped.T1), 1536);
  AdvanceUs(sim::TimerLongFramePeriodUs);
  EXPECT_EQ(ReadAll(handle), (Bytes{0x00, 0xC8, 0x00, 0x96, 0xCB, 0x20}));
  With<sim::EventTimerUnit>(unit, [&](sim::EventTimerUnit& timer) { EXPECT_GT(late.T3, timer.Threshold()); });
}

TEST_F(FamiliesTest, TimerGeneratesFramesAtTheRangesRate) {
  struct Case {
    int code;
    std::uint8_t selector;
    std::int64_t period_us;
    std::uint16_t threshold;
  } cases[] = {{kLongRangeCode, sim::TimerLongRangeSelector, sim::TimerLongFramePeriodUs, sim::TimerLongThreshold},
               {kShortRangeCode, 7, sim::TimerShortFramePeriodUs, sim::TimerShortThreshold}};
  for (const Case& c : cases) {
    bus.Reset(sim::ClockMode::Virtual);
    // Code 400 is a delay of 2000 counts.
    sim::UnitId unit = PlugKind(c.code, kTimerType, {sim::Signal::Constant(400)});
    FT_HANDLE handle = OpenAt(0);
    Write(handle, TimerStart(c.selector));
    AdvanceUs(3 * c.period_us);
    Bytes stream = ReadAll(handle);
    ASSERT_EQ(stream.size(), 3u * sim::TimerFrameLength) << c.code;
    // t1 100, t2 2100, t3 = min(2300, threshold).
    std::uint16_t t3 = std::min<std::uint16_t>(2300, c.threshold);
    EXPECT_EQ(Slice(stream, 12, 6), (Bytes{0x00, 0x64, 0x08, 0x34, static_cast<std::uint8_t>(t3 >> 8),
                                           static_cast<std::uint8_t>(t3 & 0xFF)}));
    With<sim::EventTimerUnit>(unit, [&](sim::EventTimerUnit& timer) {
      EXPECT_EQ(timer.Threshold(), c.threshold);
      timer.SetTriggerCount(65000);  // the echo count wraps past 65535
    });
    AdvanceUs(c.period_us);
    // t1 65000, t2 (65000 + 2000) mod 65536 = 1464, t3 capped at the threshold.
    EXPECT_EQ(ReadAll(handle), (Bytes{0xFD, 0xE8, 0x05, 0xB8, static_cast<std::uint8_t>(c.threshold >> 8),
                                      static_cast<std::uint8_t>(c.threshold & 0xFF)}));
    Write(handle, {sim::TimerStopByte});
    AdvanceUs(3 * c.period_us);
    EXPECT_TRUE(ReadAll(handle).empty());
  }
}

TEST_F(FamiliesTest, TimerIgnoresAStartPacketWithoutItsMarker) {
  sim::UnitId unit = PlugKind(kLongRangeCode, kTimerType);
  FT_HANDLE handle = OpenAt(0);
  Write(handle, {0xA7, 0x05, 0x00, 0xE8, 0x03, 0xA5});
  AdvanceUs(5 * sim::TimerLongFramePeriodUs);
  EXPECT_TRUE(ReadAll(handle).empty());
  With<sim::EventTimerUnit>(unit, [](sim::EventTimerUnit& timer) {
    EXPECT_FALSE(timer.Running());
    EXPECT_EQ(timer.MalformedBytes(), 6);
  });
}

// --- Type-6 unit ---

constexpr int kTypeSixCode = 59;
constexpr int kTypeSixType = 6;
const Bytes kProbe(sim::TypeSixProbe.begin(), sim::TypeSixProbe.end());

TEST_F(FamiliesTest, TypeSixStaysSilentUnlessGivenAReply) {
  sim::UnitId unit = PlugKind(kTypeSixCode, kTypeSixType);
  FT_HANDLE handle = OpenAt(0);
  EXPECT_EQ(kProbe, (Bytes{0xA7, 0x00, 0x88, 0x00, 0x00}));
  Write(handle, kProbe);
  AdvanceUs(1'000'000);
  EXPECT_TRUE(ReadAll(handle).empty());

  // A reply 600 ms late is not there at 500 ms.
  With<sim::TypeSixUnit>(unit, [](sim::TypeSixUnit& six) { six.SetProbeReply(Bytes{0x3B, 0x3C}, 600'000); });
  Write(handle, Bytes(kProbe.begin(), kProbe.begin() + 2));  // a probe split over two writes
  Write(handle, Bytes(kProbe.begin() + 2, kProbe.end()));
  AdvanceUs(500'000);
  EXPECT_TRUE(ReadAll(handle).empty());
  AdvanceUs(100'000);
  EXPECT_EQ(ReadAll(handle), (Bytes{0x3B, 0x3C}));

  Write(handle, {0xA7, 0x88, 0x00, 0xE8, 0x03, sim::TypeSixStopByte});
  With<sim::TypeSixUnit>(unit, [](sim::TypeSixUnit& six) {
    EXPECT_EQ(six.ProbeCount(), 2);
    EXPECT_EQ(six.StopCount(), 1);
  });
}

// --- Control unit ---

class ControlTest : public FamiliesTest {
 protected:
  void SetUp() override {
    FamiliesTest::SetUp();
    sim::UnitInfo info;
    info.Description = "control";
    unit = bus.Plug(info, sim::MakeUnitModel("control", {}));
    handle = OpenAt(0);
    pthread_mutex_init(&event.eMutex, nullptr);
    pthread_cond_init(&event.eCondVar, nullptr);
    event.iVar = 0;
    ASSERT_EQ(FT_SetEventNotification(handle, FT_EVENT_MODEM_STATUS, &event), FT_OK);
  }
  void TearDown() override {
    FT_SetEventNotification(handle, 0, nullptr);
    pthread_cond_destroy(&event.eCondVar);
    pthread_mutex_destroy(&event.eMutex);
    FamiliesTest::TearDown();
  }
  sim::UnitId unit = 0;
  FT_HANDLE handle = nullptr;
  EVENT_HANDLE event;
};

TEST_F(ControlTest, RaisingRtsSignalsTheModemStatusEventAndTheResetMessageIsCounted) {
  ASSERT_EQ(FT_SetRts(handle), FT_OK);
  EXPECT_EQ(event.iVar, 1);
  ULONG modem = 0;
  ASSERT_EQ(FT_GetModemStatus(handle, &modem), FT_OK);
  EXPECT_EQ(modem, FT_MODEM_STATUS_CTS);
  Write(handle, Bytes(sim::ControlResetMessage.begin(), sim::ControlResetMessage.end()));
  ASSERT_EQ(FT_ClrRts(handle), FT_OK);
  With<sim::ControlUnit>(unit, [](sim::ControlUnit& control) {
    EXPECT_FALSE(control.Rts());
    EXPECT_EQ(control.ResetsWhileRts(), 1);
  });
}

TEST_F(ControlTest, AUnitThatDoesNotAnswerRaisesNoEvent) {
  With<sim::ControlUnit>(unit, [](sim::ControlUnit& control) { control.SetAnswersRts(false); });
  ASSERT_EQ(FT_SetRts(handle), FT_OK);
  EXPECT_EQ(event.iVar, 0);
  ULONG modem = 0xFF;
  ASSERT_EQ(FT_GetModemStatus(handle, &modem), FT_OK);
  EXPECT_EQ(modem, 0u);
}

// --- Every key ---

TEST_F(FamiliesTest, EveryKeyPlugsInAndListsWithItsDescription) {
  std::span<const SensorKeyEntry> table = SensorKeyTable();
  ASSERT_EQ(table.size(), 104u);
  std::vector<std::uint32_t> keys;
  for (const SensorKeyEntry& entry : table) {
    std::optional<std::string> description = sim::DescriptionForSensorKey(entry.Key);
    ASSERT_TRUE(description.has_value()) << std::hex << entry.Key;
    sim::UnitSpec unit_entry;
    unit_entry.Family = sim::AutoFamily;
    unit_entry.Description = *description;
    ASSERT_TRUE(sim::AttachUnit(bus, unit_entry));
    keys.push_back(entry.Key);
  }
  DWORD count = 0;
  ASSERT_EQ(FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
  ASSERT_EQ(count, table.size());
  std::vector<sim::UnitId> units = bus.Units();
  for (size_t i = 0; i < table.size(); ++i) {
    char listed[64] = {};
    ASSERT_EQ(FT_ListDevices(reinterpret_cast<PVOID>(i), listed, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION), FT_OK);
    EXPECT_EQ(DescriptionKey(listed, sizeof listed), keys[i]) << i;
    // The EEPROM read gives the same description, and the model is the key's family.
    FT_HANDLE handle = OpenAt(static_cast<int>(i));
    FT_PROGRAM_DATA data{};
    data.Signature2 = 0xFFFFFFFFu;
    char manufacturer[32], manufacturer_id[16], description[64], serial[16];
    ASSERT_EQ(FT_EE_ReadEx(handle, &data, manufacturer, manufacturer_id, description, serial), FT_OK);
    EXPECT_EQ(DescriptionKey(description, sizeof description), keys[i]) << i;
    EXPECT_EQ(FT_Close(handle), FT_OK);
    std::string family;
    ASSERT_TRUE(bus.WithModel<sim::UnitModel>(units[i], [&](sim::UnitModel& model) { family = model.Family(); }));
    EXPECT_EQ(family, sim::FamilyForTypeCode(table[i].DeviceTypeCode)) << i;
  }
}

TEST(FamilySelection, TypeCodesAndKindsChooseTheirModels) {
  const struct {
    int type;
    const char* family;
  } types[] = {{1, "wired"}, {2, "wired"}, {3, "radio"}, {4, "wired"}, {5, "control"},
               {6, "typesix"}, {8, "timer"}, {11, "wired"}};
  for (const auto& t : types) EXPECT_EQ(sim::FamilyForTypeCode(t.type), t.family) << t.type;
  EXPECT_EQ(sim::FamilyForKey(0x12345678), "wired");  // a key of no sensor

  // A kind names the first of its keys in key order, or the one of the type given.
  for (const SensorKeyEntry& entry : SensorKeyTable()) {
    std::optional<std::uint32_t> key = sim::KeyForSensorKind(entry.SensorCode);
    ASSERT_TRUE(key.has_value());
    EXPECT_LE(*key, entry.Key);
    EXPECT_EQ(FindSensorKey(*key)->SensorCode, entry.SensorCode);
  }
  EXPECT_EQ(sim::KeyForSensorKind(7), SensorKey('4', '9', 1133));
  EXPECT_EQ(sim::KeyForSensorKind(7, 3), SensorKey('5', '1', 1384));
  EXPECT_FALSE(sim::KeyForSensorKind(15).has_value());
  EXPECT_FALSE(sim::KeyForSensorKind(64, 11).has_value());
}

TEST(FamilySelection, UnitListNamesAnyKindOrKey) {
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
  }
  auto pulse = sim::MakeUnitModel(units[0].Family, {}, sim::DescriptionKey(units[0].Description));
  EXPECT_EQ(dynamic_cast<sim::RadioReceiverUnit&>(*pulse).Layout(), sim::RadioLayout::Pulse);
  EXPECT_EQ(DescriptionKey(units[1].Description), SensorKey('6', '4', 1212));
}

}  // namespace
}  // namespace simtest
