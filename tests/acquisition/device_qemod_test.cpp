// Tests of the event timer's decoder: echo delays, ordinary and late-echo frames, timing state, wraps.
#include <string>

#include "acquisition/device_families.h"
#include "unit_test_support.h"

namespace unittest {
namespace {

std::vector<std::uint8_t> TimerFrame(std::uint16_t t1, std::uint16_t t2, std::uint16_t t3) {
  return {static_cast<std::uint8_t>(t1 >> 8), static_cast<std::uint8_t>(t1), static_cast<std::uint8_t>(t2 >> 8),
          static_cast<std::uint8_t>(t2), static_cast<std::uint8_t>(t3 >> 8), static_cast<std::uint8_t>(t3)};
}

class DeviceQEModTest : public UnitTestBase {
 protected:
  void SetUp() override {
    UnitTestBase::SetUp();
    Attach(timer);
    timer.ByteLimit = 1u << 20;
  }
  VessamorChannel& Bind(std::uint32_t capacity, std::uint16_t sensor = 65) {
    VessamorChannel& channel = NewChannel(capacity);
    channel.SensorCode = sensor;
    timer.BindChannel(0, &channel);
    timer.ResetTimingState();
    return channel;
  }

  DeviceQEMod timer;
};

TEST_F(DeviceQEModTest, TimingStateBySensor) {
  struct Case {
    std::uint16_t sensor;
    std::uint32_t rate;
    std::uint32_t threshold;
    double interval;
    float scale;
    std::uint32_t filter_start;
  } cases[] = {
      {64, 1000, 49776, 50.0, 50000.0f, 100},
      {65, 1000, 9776, 10.0, 10000.0f, 20},
      {65, 250, 9776, 2.5, 10000.0f, 5},
  };
  for (const Case& c : cases) {
    view.RateSetting = c.rate;
    timer.Position = 7.0;
    timer.LastCount = 9;
    timer.Step = 4;
    Bind(10, c.sensor);
    EXPECT_EQ(timer.LowerThreshold, c.threshold);
    EXPECT_DOUBLE_EQ(timer.Interval, c.interval);
    EXPECT_FLOAT_EQ(timer.CountScale, c.scale);
    EXPECT_EQ(timer.FilterStart, c.filter_start);
    EXPECT_DOUBLE_EQ(timer.Position, 0.0);
    EXPECT_EQ(timer.LastCount, 0u);
    EXPECT_EQ(timer.Step, 1u);
  }
}

TEST_F(DeviceQEModTest, FramesGiveTheEchoDelay) {
  // Sensor 65 at 1000 Hz: 10 entries per interval, lower threshold 9776, scale 10000.
  struct Case {
    const char* name;
    std::uint16_t t1, t2, t3;
    std::int16_t value;
    std::uint32_t entries;
  } cases[] = {
      {"delay across the wrap", 65000, 1000, 0, 1536, 10},
      {"longest echo", 100, 30090, 9776, 29990, 10},
      {"no echo", 100, 30091, 500, 0, 10},
      {"late by one count", 1000, 3000, 9777, 8921, 20},
      {"late by two scales", 1000, 3000, 29776, 28920, 30},
      {"negative delay", 5000, 4000, 100, -4756, 10},
      {"late, no echo", 0, 31000, 20000, 0, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fill = 0;
    VessamorChannel& channel = Bind(100);
    Feed(timer, TimerFrame(c.t1, c.t2, c.t3));
    EXPECT_EQ(CodesOf(channel), std::vector<std::int16_t>(c.entries, c.value));
    EXPECT_EQ(timer.LastCount, c.t1);
  }
}

TEST_F(DeviceQEModTest, FractionalIntervalsAddUp) {
  view.RateSetting = 250;  // 2.5 entries per frame
  VessamorChannel& channel = Bind(100);
  const std::uint32_t counts[] = {2, 5, 7, 10};
  for (std::uint32_t expected : counts) {
    Feed(timer, TimerFrame(0, 700, 0));
    EXPECT_EQ(channel.CodeCount, expected);
  }
}

TEST_F(DeviceQEModTest, ShortRemainderWaitsAndTrackingFollowsTheValues) {
  VessamorChannel& channel = Bind(100);
  channel.TrackingOn = 1;
  std::vector<std::uint8_t> bytes = TimerFrame(0, 1536, 0);
  const std::vector<std::uint8_t> second = TimerFrame(0, 3000, 0);
  bytes.insert(bytes.end(), second.begin(), second.begin() + 4);
  Feed(timer, bytes);
  EXPECT_EQ(fill, 4u);
  EXPECT_EQ(buffer[2], second[2]);
  Feed(timer, std::vector<std::uint8_t>(second.begin() + 4, second.end()));
  EXPECT_EQ(fill, 0u);
  EXPECT_EQ(channel.CodeCount, 20u);
  EXPECT_EQ(channel.RunMin, 1536);
  EXPECT_EQ(channel.RunMax, 3000);
}

TEST_F(DeviceQEModTest, CapacityBoundsEveryFrame) {
  for (std::uint8_t cyclic : {0, 1}) {
    SCOPED_TRACE(cyclic ? "cyclic" : "one-shot");
    view.Continuous = cyclic;
    events.Resets = 0;
    PollResult = 0;
    fill = 0;
    VessamorChannel& channel = Bind(25);
    for (int frame = 0; frame < 3; ++frame) Feed(timer, TimerFrame(0, 500, 0));
    EXPECT_TRUE(GuardIntact(channel));
    if (cyclic) {
      // The third frame's ten entries start the record over, and the position with it.
      EXPECT_EQ(events.Resets, 1);
      EXPECT_EQ(channel.CodeCount, 10u);
      EXPECT_DOUBLE_EQ(timer.Position, 10.0);
    } else {
      EXPECT_EQ(channel.CodeCount, 25u);
      EXPECT_EQ(PollResult.load(), 2);
    }
  }
}

TEST_F(DeviceQEModTest, CyclicWrapOfThePollResetsThePosition) {
  sim::UnitId id = PlugScripted();
  DeviceQEMod& unit = OpenUnit<DeviceQEMod>();
  VessamorChannel& channel = NewChannel(1000);
  channel.SensorCode = 65;
  unit.BindChannel(0, &channel);
  unit.ResetTimingState();
  view.Continuous = 1;
  unit.ByteLimit = 12;
  unit.Position = 123.0;
  unit.LastCount = 77;
  std::vector<std::uint8_t> bytes;
  for (std::uint16_t t1 : {1, 2, 3}) {
    const std::vector<std::uint8_t> frame = TimerFrame(t1, static_cast<std::uint16_t>(t1 + 800), 0);
    bytes.insert(bytes.end(), frame.begin(), frame.end());
  }
  bus.InjectBytes(id, bytes);
  unit.Poll();
  // Only the newest frame stays, decoded from a fresh position.
  EXPECT_EQ(events.Resets, 1);
  EXPECT_EQ(unit.BytesReceived, 6u);
  EXPECT_DOUBLE_EQ(unit.Position, 10.0);
  EXPECT_EQ(unit.LastCount, 3u);
  EXPECT_EQ(CodesOf(channel), std::vector<std::int16_t>(10, 800));
}

}  // namespace
}  // namespace unittest
