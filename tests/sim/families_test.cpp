// Tests of the unit family models: byte-exact radio packets and timer frames.
#include <functional>
#include <string>

#include "sim/description.h"
#include "sim/event_timer_unit.h"
#include "sim/radio_receiver_unit.h"
#include "sim/unit_list.h"
#include "sim/wired_unit.h"
#include "sim_test_support.h"

namespace simtest {
namespace {

Bytes Slice(const Bytes& bytes, size_t offset, size_t length) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
               bytes.begin() + static_cast<std::ptrdiff_t>(offset + length));
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
  // X 341, Y 682, Z 1023, sent Z first: high bytes FF AA 55, low bits 11 10 01 -> 0xE4.
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
    ASSERT_EQ(Slice(packet, 2 + 4 * group, 4), (Bytes{0xFF, 0xAA, 0x55, 0xE4})) << group;
  }
  EXPECT_EQ(Slice(packet, 122, 2), (Bytes{55, 9}));  // 255 - quality, noise

  Radio(unit, [](sim::RadioReceiverUnit& radio) { radio.SetNextSequence(14); });
  AdvanceUs(4 * kPacketUs);
  const Bytes stream = ReadAll(handle);
  ASSERT_EQ(stream.size(), 4u * sim::RadioPacketLength);
  const int expected[] = {14, 15, 0, 1};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(stream[i * sim::RadioPacketLength + 1] >> 4, expected[i]) << i;
}

TEST_F(FamiliesTest, WiredAccelerometerSendsItsAxesZFirst) {
  // Signals are listed X, Y, Z; the unit's first channel carries Z, its third X.
  PlugKind(7, 11, {sim::Signal::Constant(100), sim::Signal::Constant(200), sim::Signal::Constant(300)});
  Write(handle, {0xA7, 0x03, 0xA3, 0xE8, 0x03, 0xA5});
  AdvanceUs(1000);
  Bytes expected;
  for (auto [channel, code] : {std::pair{0, 300}, {1, 200}, {2, 100}}) {
    const auto frame = sim::EncodeWiredFrame(channel, static_cast<std::uint16_t>(code));
    expected.insert(expected.end(), frame.begin(), frame.end());
  }
  EXPECT_EQ(ReadAll(handle), expected);
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

}  // namespace
}  // namespace simtest
