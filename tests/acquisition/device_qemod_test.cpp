// Tests of the event timer's decoder on hand-built frames: fractional intervals, split frames, capacity.
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
  // Sensor 65 at 1000 Hz unless set otherwise: 10 entries per interval, lower threshold 9776.
  VessamorChannel& Bind(std::uint32_t capacity) {
    Attach(timer);
    timer.ByteLimit = 1u << 20;
    VessamorChannel& channel = NewChannel(capacity);
    channel.SensorCode = 65;
    timer.BindChannel(0, &channel);
    timer.ResetTimingState();
    return channel;
  }
  DeviceQEMod timer;
};

TEST_F(DeviceQEModTest, FractionalIntervalsAddUp) {
  view.RateSetting = 250;  // 2.5 entries per frame
  VessamorChannel& channel = Bind(100);
  for (std::uint32_t expected : {2, 5, 7, 10}) {
    Feed(timer, TimerFrame(0, 700, 0));
    EXPECT_EQ(channel.CodeCount, expected);
  }
}

TEST_F(DeviceQEModTest, FramesFollowARateTheViewTakesWhileRunning) {
  // A sensor's set-up may change the rate after the start: the frames, sent on the unit's own
  // clock, then stand for the samples of the new rate.
  VessamorChannel& channel = Bind(100);
  Feed(timer, TimerFrame(0, 700, 0));
  EXPECT_EQ(channel.CodeCount, 10u);
  timer.FollowViewRate(200);
  Feed(timer, TimerFrame(0, 700, 0));
  EXPECT_EQ(channel.CodeCount, 12u);
}

TEST_F(DeviceQEModTest, ShortRemainderWaitsAndTrackingFollowsTheValues) {
  VessamorChannel& channel = Bind(100);
  channel.TrackingOn = 1;
  std::vector<std::uint8_t> bytes = TimerFrame(0, 1536, 0);
  const std::vector<std::uint8_t> second = TimerFrame(0, 3000, 0);
  bytes.insert(bytes.end(), second.begin(), second.begin() + 4);
  Feed(timer, bytes);
  EXPECT_EQ(fill, 4u);
  Feed(timer, std::span(second).subspan(4));
  EXPECT_EQ(fill, 0u);
  EXPECT_EQ(channel.CodeCount, 20u);
  EXPECT_EQ(channel.RunMin, 1536);
  EXPECT_EQ(channel.RunMax, 3000);
}

TEST_F(DeviceQEModTest, CapacityBoundsEveryFrame) {
  for (std::uint8_t cyclic : {0, 1}) {
    SCOPED_TRACE(cyclic ? "cyclic" : "one-shot");
    Fresh();
    view.Continuous = cyclic;
    VessamorChannel& channel = Bind(25);
    for (int frame = 0; frame < 3; ++frame) Feed(timer, TimerFrame(0, 500, 0));
    EXPECT_TRUE(GuardIntact(channel));
    // Cyclic: the third frame's ten entries start the record over, and the position with it.
    EXPECT_EQ(channel.CodeCount, cyclic ? 10u : 25u);
    EXPECT_EQ(events.Resets, cyclic ? 1 : 0);
    if (cyclic) {
      EXPECT_DOUBLE_EQ(timer.Position, 10.0);
    }
  }
}

}  // namespace
}  // namespace unittest
