// Tests of the sensor unit: rate limits, polling against the simulated bus, the frame decoder, closing.
#include "acquisition/ft_record_device.h"

#include <string>
#include <tuple>

#include "unit_test_support.h"

namespace unittest {
namespace {

TEST(FTRecordDeviceRates, ClampRateAtItsBoundaries) {
  struct Case {
    std::uint8_t type, sensor;
    std::uint32_t rate;
    std::uint8_t shown;
    std::uint32_t expected;
  } cases[] = {
      {11, 0, 8000, 3, 5000}, {11, 0, 8000, 5, 1000}, {11, 0, 50, 0, 1000},       {11, 0, 124, 1, 125},
      {3, 0, 20000, 1, 1000}, {7, 0, 150000, 2, 100000}, {7, 79, 250000, 3, 200000},
  };
  for (const Case& c : cases) {
    FTRecordDevice unit;
    unit.DeviceTypeCode = c.type;
    unit.SensorCode = c.sensor;
    std::uint32_t rate = c.rate;
    unit.ClampRate(rate, c.shown);
    EXPECT_EQ(rate, c.expected) << "type " << int(c.type) << " rate " << c.rate << " shown " << int(c.shown);
  }
}

class UnitPollTest : public UnitTestBase {
 protected:
  // A wired unit streaming one frame per signal each period; channel 0 of `capacity` is bound.
  FTRecordDevice& Stream(std::vector<sim::Signal> signals, int period_us, std::uint32_t limit,
                         std::uint32_t capacity = 1000) {
    const int count = static_cast<int>(signals.size());
    id = PlugWired(std::move(signals));
    FTRecordDevice& unit = OpenUnit();
    channel = &NewChannel(capacity);
    unit.BindChannel(0, channel);
    unit.ByteLimit = limit;
    StartWired(unit, count, period_us);
    return unit;
  }
  sim::UnitId id = 0;
  VessamorChannel* channel = nullptr;
};

TEST_F(UnitPollTest, DecodesPerChannelWithOffsetsWrappingAt16BitsAndOneResyncForAStrayByte) {
  FTRecordDevice& unit = Stream({sim::Signal::Constant(30), sim::Signal::Constant(4000)}, 1000, 1u << 20);
  channel->CodeOffset = -50;
  VessamorChannel& second = NewChannel(1000);
  second.CodeOffset = 30000;
  unit.BindChannel(0, channel);  // the offsets are taken when a channel is bound
  unit.BindChannel(1, &second);
  bus.InjectBytes(id, {0xC5});
  AdvanceUs(10000);
  unit.Poll();
  EXPECT_EQ(unit.ResyncCount, 1u);
  EXPECT_EQ(CodesOf(*channel), Codes(10, -20));
  EXPECT_EQ(CodesOf(second), Codes(10, -31536));
}

TEST_F(UnitPollTest, FramesOfAnAbsentChannelAreDroppedByteByByte) {
  // Channel 0's low byte 0x20 names channel 1 itself, so a misaligned read never takes it as a start.
  FTRecordDevice& unit = Stream({sim::Signal::Constant(0x20), sim::Signal::Constant(3000)}, 1000, 1000);
  AdvanceUs(8000);
  unit.Poll();
  EXPECT_EQ(CodesOf(*channel), Codes(8, 0x20));
  // Two bytes skipped per channel-1 frame; the last one's second byte waits for the next poll.
  EXPECT_EQ(unit.ResyncCount, 15u);
  EXPECT_EQ(fill, 1u);
}

TEST_F(UnitPollTest, FramesSplitAcrossPollsDecodeInOrder) {
  const sim::Signal ramp = sim::Signal::Ramp(0, 4000, 50);
  FTRecordDevice& unit = Stream({ramp}, 1000, 100000);
  bus.SetChunkBytes(id, 3);
  bool carried_odd_byte = false;
  for (int step = 0; step < 40; ++step) {
    AdvanceUs(1000);
    unit.Poll();
    carried_odd_byte |= fill == 1;
    ASSERT_LE(fill, 1u);
  }
  EXPECT_TRUE(carried_odd_byte);
  EXPECT_EQ(unit.ResyncCount, 0u);
  const Codes codes = CodesOf(*channel);
  ASSERT_GE(codes.size(), 35u);
  for (std::size_t i = 0; i < codes.size(); ++i) {
    ASSERT_EQ(codes[i], static_cast<std::int16_t>(ramp.CodeAt(static_cast<double>(i) * 1e-3, i))) << i;
  }
}

TEST_F(UnitPollTest, OneShotRecordStopsAtItsLimitAndReportsFull) {
  FTRecordDevice& unit = Stream({sim::Signal::Constant(900)}, 100, 100);
  for (int poll = 0; poll < 2; ++poll) {
    AdvanceUs(20000);  // 200 frames, 400 bytes
    unit.Poll();
    EXPECT_EQ(PollResult.load(), 2);
    EXPECT_EQ(events.ReceivedMirror, 100u);
    EXPECT_EQ(channel->CodeCount, 50u);
  }
}

TEST_F(UnitPollTest, RecordMarkedFullByTheViewEndsWithTheNextPoll) {
  FTRecordDevice& unit = Stream({sim::Signal::Constant(900)}, 1000, 10000);
  view.RecordingState = 2;
  AdvanceUs(5000);
  unit.Poll();
  EXPECT_EQ(PollResult.load(), 2);
  EXPECT_EQ(view.RecordingState, 3);
}

TEST_F(UnitPollTest, CyclicWrapKeepsTheNewestOverflowBytes) {
  // 110 bytes arrive; an overflow beyond the limit keeps one frame.
  for (auto [limit, kept_bytes] : {std::pair{100u, 10u}, std::pair{4u, 2u}}) {
    SCOPED_TRACE("limit " + std::to_string(limit));
    Fresh();
    view.Continuous = 1;
    const sim::Signal ramp = sim::Signal::Ramp(0, 4000, 10);
    FTRecordDevice& unit = Stream({ramp}, 1000, limit);
    AdvanceUs(55000);
    unit.Poll();
    EXPECT_EQ(PollResult.load(), 1);
    EXPECT_EQ(events.Resets, 1);
    EXPECT_EQ(events.ReceivedMirror, kept_bytes);
    Codes newest;
    for (std::uint64_t i = 55 - kept_bytes / 2; i < 55; ++i) {
      newest.push_back(static_cast<std::int16_t>(ramp.CodeAt(i * 1e-3, i)));
    }
    EXPECT_EQ(CodesOf(*channel), newest);
  }
}

TEST_F(UnitPollTest, StreamSkewedToOneChannelNeverPassesItsCapacity) {
  for (std::uint8_t cyclic : {0, 1}) {
    SCOPED_TRACE(cyclic ? "cyclic" : "one-shot");
    Fresh();
    view.Continuous = cyclic;
    // The byte limit is meant for four channels, so it would let one channel take four shares.
    FTRecordDevice& unit = Stream({sim::Signal::Constant(321)}, 1000, 4 * 2 * 50, 50);
    for (int step = 0; step < 4; ++step) {
      AdvanceUs(60000);
      unit.Poll();
      ASSERT_LE(channel->CodeCount, 50u);
      ASSERT_TRUE(GuardIntact(*channel));
    }
    EXPECT_EQ(PollResult.load(), cyclic ? 1 : 2);
  }
}

TEST_F(UnitPollTest, ReadsNoMoreThanTheBufferHoldsAndLeavesTheRestQueued) {
  FTRecordDevice& unit = Stream({sim::Signal::Constant(5)}, 100, 100000);
  unit.SetReceiveBuffer(buffer.data(), &fill, 64);
  AdvanceUs(20000);  // 400 bytes
  unit.Poll();
  EXPECT_EQ(channel->CodeCount, 32u);
  EXPECT_EQ(Queued(unit.Handle), 400u - 64u);
  EXPECT_EQ(buffer[64], 0);  // nothing written past the room given
}

TEST_F(UnitPollTest, MinMaxTrackingAndPulseIntegration) {
  FTRecordDevice unit;
  Attach(unit);
  VessamorChannel& plain = NewChannel(100);
  plain.TrackingOn = plain.PulseOn = 1;
  plain.PulseSum = 99.0;
  VessamorChannel& offset = NewChannel(100);
  offset.PulseOn = offset.FineOffsetOn = 1;
  offset.FineOffset = -256 * 2;  // codes are read 2 lower
  unit.BindChannel(0, &plain);
  unit.BindChannel(1, &offset);
  // Channel 0: a sample above 9 is high; a new pulse restarts the sum. Channel 1: the pulse holds
  // while the mean of the last three samples stays above 9.
  const int steps[][4] = {{0, 5, 0, 0},   {0, 20, 20, 1}, {0, 30, 50, 1}, {0, 4, 50, 0}, {0, 15, 15, 1}, {1, 32, 30, 1},
                          {1, 32, 60, 1}, {1, 7, 65, 1},  {1, 2, 65, 1},  {1, 2, 65, 0}, {1, 14, 12, 1}};
  for (const auto& [index, code, sum, high] : steps) {
    Feed(unit, sim::EncodeWiredFrame(index, static_cast<std::uint16_t>(code)));
    const VessamorChannel& channel = index == 0 ? plain : offset;
    EXPECT_EQ(std::pair(channel.PulseSum, int(channel.PulseHigh)), std::pair(double(sum), high)) << code;
  }
  EXPECT_EQ(std::pair(plain.RunMin, plain.RunMax), std::pair(4, 30));
}

TEST_F(UnitPollTest, FailedDriverCallsCloseTheUnit) {
  struct Case {
    const char* entry_point;
    void (*act)(FTRecordDevice&);
  } cases[] = {
      {"FT_Write", [](FTRecordDevice& unit) { EXPECT_FALSE(unit.SendStop()); }},
      {"FT_Write", [](FTRecordDevice& unit) { EXPECT_FALSE(unit.SendModeByte()); }},
      {"FT_GetQueueStatus", [](FTRecordDevice& unit) { unit.Poll(); }},
      {"FT_Read", [](FTRecordDevice& unit) { unit.Poll(); }},
      {"FT_SetDivisor", [](FTRecordDevice& unit) { EXPECT_FALSE(unit.ConfigurePort()); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry_point);
    Fresh();
    FTRecordDevice& unit = Stream({sim::Signal::Constant(5)}, 1000, 1000);
    AdvanceUs(5000);
    bus.FailCall(c.entry_point, 1);
    c.act(unit);
    EXPECT_FALSE(unit.IsOpen());
    EXPECT_EQ(ConnectedMask.load(), 0);
    EXPECT_EQ(events.Stops, 1);  // it was the last open unit
  }
}

TEST_F(UnitPollTest, CloseStopsTheRecordingWithTheLastUnitOrAnyWhenAsked) {
  PlugWired();
  PlugWired();
  FTRecordDevice& first = OpenUnit(0);
  FTRecordDevice& second = OpenUnit(1);
  first.Close(0);
  first.Close(0);  // closing again does nothing
  EXPECT_EQ(ConnectedMask.load(), 2);
  EXPECT_EQ(events.Stops, 0);
  second.Close(0);
  EXPECT_EQ(ConnectedMask.load(), 0);
  EXPECT_EQ(events.Stops, 1);

  ASSERT_TRUE(first.OpenByIndex(0));
  ASSERT_TRUE(second.OpenByIndex(1));
  StopOnAnyDeviceClose = 1;
  first.Close(0);
  EXPECT_EQ(events.Stops, 2);
}

TEST_F(UnitPollTest, OpenByIndexSetsOnlySlotBitsAndTakesTheListedLocation) {
  for (int i = 0; i < 6; ++i) PlugWired();
  DeviceListing = {0x111, 0x222, 0x333, 0x444, 0x555};
  // Listing index, slot bit, location: only the first four indices are slots.
  const std::tuple<int, int, std::uint32_t> cases[] = {{0, 0x01, 0x111}, {3, 0x08, 0x444}, {4, 0, 0x555}, {5, 0, 0}};
  for (const auto& [index, mask, location] : cases) {
    ConnectedMask = 0;
    FTRecordDevice unit;
    ASSERT_TRUE(unit.OpenByIndex(index));
    EXPECT_EQ(std::pair(int(ConnectedMask.load()), unit.LocationId), std::pair(mask, location)) << index;
  }
  FTRecordDevice unit;
  EXPECT_FALSE(unit.OpenByIndex(6));
  EXPECT_FALSE(unit.OpenByIndex(-1));
  // The manager borrows handles during a search and leaves the slot bits alone.
  ConnectedMask = 0x04;
  FTRecordDevice manager;
  manager.Manager = 1;
  manager.Events = &events;
  ASSERT_TRUE(manager.OpenByIndex(0));
  manager.Close(0);
  EXPECT_EQ(ConnectedMask.load(), 0x04);
  EXPECT_EQ(events.Stops, 0);
}

}  // namespace
}  // namespace unittest
