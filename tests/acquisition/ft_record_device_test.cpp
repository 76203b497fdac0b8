// Tests of the sensor unit: rate limits, polling against the simulated bus, the frame decoder, closing.
#include "acquisition/ft_record_device.h"

#include <string>

#include "unit_test_support.h"

namespace unittest {
namespace {

TEST(FTRecordDeviceRates, ClampRateAtItsBoundaries) {
  struct Case {
    std::uint8_t type;
    std::uint8_t sensor;
    std::uint32_t rate;
    std::uint8_t shown;
    std::uint32_t expected;
  } cases[] = {
      {11, 0, 8000, 3, 5000},     {11, 0, 100, 2, 125},      {11, 0, 8000, 5, 1000},   {11, 0, 50, 5, 1000},
      {11, 0, 50, 0, 1000},       {11, 0, 25000, 1, 25000},  {11, 0, 25001, 1, 25000}, {11, 0, 10000, 2, 10000},
      {11, 0, 10001, 2, 10000},   {11, 0, 5001, 4, 5000},    {11, 0, 124, 1, 125},     {11, 0, 125, 3, 125},
      {1, 0, 30000, 1, 25000},    {3, 0, 20000, 1, 1000},    {3, 0, 50, 1, 1000},      {7, 0, 150000, 2, 100000},
      {7, 0, 150000, 1, 150000},  {7, 0, 250000, 1, 200000}, {7, 79, 250000, 3, 200000}, {7, 0, 100, 2, 125},
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

class UnitPollTest : public UnitTestBase {};

TEST_F(UnitPollTest, DecodesTheSimulatedStreamPerChannel) {
  PlugWired({sim::Signal::Constant(100), sim::Signal::Constant(2000), sim::Signal::Constant(4095)});
  FTRecordDevice& unit = OpenUnit();
  VessamorChannel* bound[3] = {&NewChannel(1000), &NewChannel(1000), &NewChannel(1000)};
  for (int i = 0; i < 3; ++i) unit.BindChannel(i, bound[i]);
  unit.ByteLimit = 1u << 20;
  StartWired(unit, 3, 1000);
  AdvanceUs(10000);
  unit.Poll();
  EXPECT_EQ(PollResult.load(), 1);
  EXPECT_EQ(unit.BytesReceived, 60u);
  EXPECT_EQ(unit.ResyncCount, 0u);
  EXPECT_EQ(fill, 0u);
  EXPECT_EQ(CodesOf(*bound[0]), std::vector<std::int16_t>(10, 100));
  EXPECT_EQ(CodesOf(*bound[1]), std::vector<std::int16_t>(10, 2000));
  EXPECT_EQ(CodesOf(*bound[2]), std::vector<std::int16_t>(10, 4095));
}

TEST_F(UnitPollTest, FewerThanTwoBytesQueuedIsNoData) {
  sim::UnitId id = PlugScripted();
  FTRecordDevice& unit = OpenUnit();
  unit.BindChannel(0, &NewChannel(100));
  bus.InjectBytes(id, {0x11});
  unit.Poll();
  EXPECT_EQ(NoDataFlag.load(), 1);
  EXPECT_EQ(PollResult.load(), 0);
  EXPECT_EQ(Queued(unit.Handle), 1u);
}

TEST_F(UnitPollTest, LeadingStrayByteCostsOneResync) {
  sim::UnitId id = PlugWired({sim::Signal::Constant(1234)});
  FTRecordDevice& unit = OpenUnit();
  VessamorChannel& channel = NewChannel(100);
  unit.BindChannel(0, &channel);
  unit.ByteLimit = 1000;
  bus.InjectBytes(id, {0xC5});
  StartWired(unit, 1, 1000);
  AdvanceUs(5000);
  unit.Poll();
  EXPECT_EQ(unit.ResyncCount, 1u);
  EXPECT_EQ(CodesOf(channel), std::vector<std::int16_t>(5, 1234));
}

TEST_F(UnitPollTest, FramesOfAnAbsentChannelAreDroppedByteByByte) {
  // Channel 0's low byte 0x20 names channel 1 itself, so a misaligned read never takes it as a start.
  PlugWired({sim::Signal::Constant(0x20), sim::Signal::Constant(3000)});
  FTRecordDevice& unit = OpenUnit();
  VessamorChannel& channel = NewChannel(100);
  unit.BindChannel(0, &channel);
  unit.ByteLimit = 1000;
  StartWired(unit, 2, 1000);
  AdvanceUs(8000);
  unit.Poll();
  EXPECT_EQ(CodesOf(channel), std::vector<std::int16_t>(8, 0x20));
  // Two bytes skipped per channel-1 frame; the last one's second byte waits for the next poll.
  EXPECT_EQ(unit.ResyncCount, 15u);
  EXPECT_EQ(fill, 1u);
}

TEST_F(UnitPollTest, FramesSplitAcrossPollsDecodeInOrder) {
  const sim::Signal ramp = sim::Signal::Ramp(0, 4000, 50);
  sim::UnitId id = PlugWired({ramp});
  bus.SetChunkBytes(id, 3);
  FTRecordDevice& unit = OpenUnit();
  VessamorChannel& channel = NewChannel(1000);
  unit.BindChannel(0, &channel);
  unit.ByteLimit = 100000;
  StartWired(unit, 1, 1000);
  bool carried_odd_byte = false;
  for (int step = 0; step < 40; ++step) {
    AdvanceUs(1000);
    unit.Poll();
    if (fill == 1) carried_odd_byte = true;
    ASSERT_LE(fill, 1u);
  }
  EXPECT_TRUE(carried_odd_byte);
  EXPECT_EQ(unit.ResyncCount, 0u);
  const std::vector<std::int16_t> codes = CodesOf(channel);
  ASSERT_GE(codes.size(), 35u);
  for (std::size_t i = 0; i < codes.size(); ++i) {
    ASSERT_EQ(codes[i], static_cast<std::int16_t>(ramp.CodeAt(static_cast<double>(i) * 1e-3, i))) << i;
  }
}

TEST_F(UnitPollTest, OddByteStaysAtTheBufferStart) {
  FTRecordDevice unit;
  Attach(unit);
  VessamorChannel& channel = NewChannel(10);
  unit.BindChannel(0, &channel);
  const auto a = WiredFrame(0, 1500);
  const auto b = WiredFrame(0, 77);
  const std::uint8_t first[] = {a[0], a[1], b[0]};
  Feed(unit, first);
  EXPECT_EQ(fill, 1u);
  EXPECT_EQ(buffer[0], b[0]);
  const std::uint8_t second[] = {b[1]};
  Feed(unit, second);
  EXPECT_EQ(fill, 0u);
  EXPECT_EQ(CodesOf(channel), (std::vector<std::int16_t>{1500, 77}));
}

TEST_F(UnitPollTest, CodeOffsetWrapsAtSixteenBits) {
  struct Case {
    std::int16_t offset;
    std::uint16_t value;
    std::int16_t expected;
  } cases[] = {
      {0, 4095, 4095}, {100, 4000, 4100}, {-50, 50, 0}, {-50, 30, -20}, {30000, 4000, -31536}, {-1, 0, -1},
  };
  for (const Case& c : cases) {
    FTRecordDevice unit;
    Attach(unit);
    VessamorChannel& channel = NewChannel(4);
    channel.CodeOffset = c.offset;
    unit.BindChannel(2, &channel);
    const auto frame = WiredFrame(2, c.value);
    fill = 0;
    Feed(unit, frame);
    ASSERT_EQ(channel.CodeCount, 1u);
    EXPECT_EQ(channel.Codes[0], c.expected) << "offset " << c.offset << " value " << c.value;
  }
}

TEST_F(UnitPollTest, OneShotRecordStopsAtItsLimitAndReportsFull) {
  PlugWired({sim::Signal::Constant(900)});
  FTRecordDevice& unit = OpenUnit();
  VessamorChannel& channel = NewChannel(1000);
  unit.BindChannel(0, &channel);
  unit.ByteLimit = 100;
  StartWired(unit, 1, 100);
  AdvanceUs(20000);  // 200 frames queued, 400 bytes
  unit.Poll();
  EXPECT_EQ(PollResult.load(), 2);
  EXPECT_EQ(unit.BytesReceived, 100u);
  EXPECT_EQ(events.ReceivedMirror, 100u);
  EXPECT_EQ(channel.CodeCount, 50u);
  EXPECT_FALSE(unit.HasRoom());
  PollResult = 0;
  AdvanceUs(5000);
  unit.Poll();
  EXPECT_EQ(PollResult.load(), 2);
  EXPECT_EQ(unit.BytesReceived, 100u);
  EXPECT_EQ(channel.CodeCount, 50u);
}

TEST_F(UnitPollTest, RecordMarkedFullByTheViewEndsWithTheNextPoll) {
  PlugWired({sim::Signal::Constant(900)});
  FTRecordDevice& unit = OpenUnit();
  unit.BindChannel(0, &NewChannel(1000));
  unit.ByteLimit = 10000;
  view.RecordingState = 2;
  StartWired(unit, 1, 1000);
  AdvanceUs(5000);
  unit.Poll();
  EXPECT_EQ(PollResult.load(), 2);
  EXPECT_EQ(view.RecordingState, 3);
}

TEST_F(UnitPollTest, CyclicWrapKeepsTheOverflowBytes) {
  struct Case {
    std::uint32_t limit;
    std::uint32_t kept_bytes;
  } cases[] = {{100, 10}, {4, 2}};  // 110 bytes arrive; an overflow beyond the limit keeps one frame
  for (const Case& c : cases) {
    SCOPED_TRACE("limit " + std::to_string(c.limit));
    bus.Reset(sim::ClockMode::Virtual);
    ConnectedMask = 0;
    PollResult = 0;
    fill = 0;
    events.Resets = 0;
    const sim::Signal ramp = sim::Signal::Ramp(0, 4000, 10);
    PlugWired({ramp});
    FTRecordDevice& unit = OpenUnit();
    VessamorChannel& channel = NewChannel(1000);
    unit.BindChannel(0, &channel);
    unit.ByteLimit = c.limit;
    view.Continuous = 1;
    StartWired(unit, 1, 1000);
    AdvanceUs(55000);  // 55 frames
    unit.Poll();
    EXPECT_EQ(PollResult.load(), 1);
    EXPECT_EQ(events.Resets, 1);
    EXPECT_EQ(unit.BytesReceived, c.kept_bytes);
    EXPECT_EQ(events.ReceivedMirror, c.kept_bytes);
    // The frames kept are the newest ones.
    const std::uint32_t kept = c.kept_bytes / 2;
    ASSERT_EQ(channel.CodeCount, kept);
    for (std::uint32_t i = 0; i < kept; ++i) {
      const std::uint64_t index = 55 - kept + i;
      EXPECT_EQ(channel.Codes[i], static_cast<std::int16_t>(ramp.CodeAt(index * 1e-3, index)));
    }
  }
}

TEST_F(UnitPollTest, StreamSkewedToOneChannelNeverPassesItsCapacity) {
  for (std::uint8_t cyclic : {0, 1}) {
    SCOPED_TRACE(cyclic ? "cyclic" : "one-shot");
    bus.Reset(sim::ClockMode::Virtual);
    ConnectedMask = 0;
    PollResult = 0;
    fill = 0;
    PlugWired({sim::Signal::Constant(321)});
    FTRecordDevice& unit = OpenUnit();
    VessamorChannel& channel = NewChannel(50);
    unit.BindChannel(0, &channel);
    // The byte limit is meant for four channels, so it would let one channel take four shares.
    unit.ByteLimit = 4 * 2 * 50;
    view.Continuous = cyclic;
    StartWired(unit, 1, 1000);
    for (int step = 0; step < 4; ++step) {
      AdvanceUs(60000);
      unit.Poll();
      ASSERT_LE(channel.CodeCount, channel.CodeCapacity);
      ASSERT_TRUE(GuardIntact(channel));
    }
    if (cyclic) {
      EXPECT_EQ(PollResult.load(), 1);
      EXPECT_GT(events.Resets, 0);
    } else {
      EXPECT_EQ(PollResult.load(), 2);
      EXPECT_EQ(channel.CodeCount, 50u);
    }
  }
}

TEST_F(UnitPollTest, ReadsNoMoreThanTheBufferHoldsAndLeavesTheRestQueued) {
  PlugWired({sim::Signal::Constant(5)});
  FTRecordDevice& unit = OpenUnit();
  VessamorChannel& channel = NewChannel(1000);
  unit.BindChannel(0, &channel);
  unit.SetReceiveBuffer(buffer.data(), &fill, 64);
  unit.ByteLimit = 100000;
  StartWired(unit, 1, 100);
  AdvanceUs(20000);  // 400 bytes
  unit.Poll();
  EXPECT_EQ(unit.BytesReceived, 64u);
  EXPECT_EQ(channel.CodeCount, 32u);
  EXPECT_EQ(Queued(unit.Handle), 400u - 64u);
  EXPECT_EQ(buffer[64], 0);  // nothing written past the room given
}

TEST_F(UnitPollTest, MinMaxTrackingAndPulseIntegration) {
  FTRecordDevice unit;
  Attach(unit);
  VessamorChannel& channel = NewChannel(100);
  channel.TrackingOn = 1;
  channel.PulseOn = 1;
  channel.PulseSum = 99.0;
  unit.BindChannel(0, &channel);
  struct Step {
    std::uint16_t code;
    double sum;
    std::uint8_t high;
  };
  // Plain mode: a sample above 9 is high; a new pulse restarts the sum.
  const Step plain[] = {{5, 0.0, 0}, {20, 20.0, 1}, {30, 50.0, 1}, {4, 50.0, 0}, {15, 15.0, 1}};
  for (const Step& s : plain) {
    Feed(unit, WiredFrame(0, s.code));
    EXPECT_DOUBLE_EQ(channel.PulseSum, s.sum) << s.code;
    EXPECT_EQ(channel.PulseHigh, s.high) << s.code;
  }
  EXPECT_EQ(channel.RunMin, 4);
  EXPECT_EQ(channel.RunMax, 30);

  // Offset mode: the pulse holds while the mean of the last three samples stays above 9.
  VessamorChannel& offset = NewChannel(100);
  offset.PulseOn = 1;
  offset.FineOffsetOn = 1;
  offset.FineOffset = -256 * 2;  // codes are read 2 lower
  unit.BindChannel(1, &offset);
  const Step shifted[] = {{32, 30.0, 1}, {32, 60.0, 1}, {7, 65.0, 1}, {2, 65.0, 1}, {2, 65.0, 0}, {14, 12.0, 1}};
  for (const Step& s : shifted) {
    Feed(unit, WiredFrame(1, s.code));
    EXPECT_DOUBLE_EQ(offset.PulseSum, s.sum) << s.code;
    EXPECT_EQ(offset.PulseHigh, s.high) << s.code;
  }
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
    bus.Reset(sim::ClockMode::Virtual);
    ConnectedMask = 0;
    events.Stops = 0;
    PlugWired({sim::Signal::Constant(5)});
    FTRecordDevice& unit = OpenUnit();
    unit.BindChannel(0, &NewChannel(100));
    unit.ByteLimit = 1000;
    StartWired(unit, 1, 1000);
    AdvanceUs(5000);
    ASSERT_EQ(ConnectedMask.load(), 1);
    bus.FailCall(c.entry_point, 1);
    c.act(unit);
    EXPECT_FALSE(unit.IsOpen());
    EXPECT_EQ(ConnectedMask.load(), 0);
    EXPECT_EQ(events.Stops, 1);  // it was the last open unit
  }
}

TEST_F(UnitPollTest, SendStopClearsRunningAndWritesTheStopByte) {
  sim::UnitId id = PlugWired({sim::Signal::Constant(5)});
  FTRecordDevice& unit = OpenUnit();
  StartWired(unit, 1, 1000);
  fill = 7;
  unit.StopAndReset();
  EXPECT_EQ(fill, 0u);
  EXPECT_EQ(unit.Running, 0);
  EXPECT_TRUE(unit.IsOpen());
  const std::vector<std::uint8_t> written = bus.Written(bus.HandlesOf(id).at(0));
  EXPECT_EQ(written.back(), kWiredStopByte);
}

TEST_F(UnitPollTest, CloseStopsTheRecordingWithTheLastUnitOrAnyWhenAsked) {
  PlugWired({});
  PlugWired({});
  FTRecordDevice& first = OpenUnit(0);
  FTRecordDevice& second = OpenUnit(1);
  ASSERT_EQ(ConnectedMask.load(), 3);
  first.Close(0);
  EXPECT_EQ(ConnectedMask.load(), 2);
  EXPECT_EQ(events.Stops, 0);
  first.Close(0);  // closing again does nothing
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
  for (int i = 0; i < 6; ++i) PlugWired({});
  DeviceListing = {0x111, 0x222, 0x333, 0x444, 0x555};
  struct Case {
    int index;
    std::uint8_t mask;
    std::uint32_t location;
  } cases[] = {{0, 0x01, 0x111}, {3, 0x08, 0x444}, {4, 0x00, 0x555}, {5, 0x00, 0}};
  for (const Case& c : cases) {
    ConnectedMask = 0;
    FTRecordDevice unit;
    ASSERT_TRUE(unit.OpenByIndex(c.index));
    EXPECT_EQ(ConnectedMask.load(), c.mask) << c.index;
    EXPECT_EQ(unit.LocationId, c.location) << c.index;
    EXPECT_EQ(unit.Opened, 1);
  }
  FTRecordDevice unit;
  EXPECT_FALSE(unit.OpenByIndex(6));
  EXPECT_FALSE(unit.OpenByIndex(-1));
  EXPECT_EQ(unit.Handle, nullptr);

  // The manager borrows handles during a search and leaves the slot bits alone.
  ConnectedMask = 0x04;
  FTRecordDevice manager;
  manager.Manager = 1;
  manager.Events = &events;
  ASSERT_TRUE(manager.OpenByIndex(0));
  EXPECT_EQ(ConnectedMask.load(), 0x04);
  manager.Close(0);
  EXPECT_EQ(ConnectedMask.load(), 0x04);
  EXPECT_EQ(events.Stops, 0);
}

}  // namespace
}  // namespace unittest
