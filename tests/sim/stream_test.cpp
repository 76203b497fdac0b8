// Tests of the wired unit's stream on the virtual clock: rate, frames, stop, mode bytes, delivery.
#include "sim/unit_list.h"
#include "sim_test_support.h"

namespace simtest {
namespace {

TEST_F(BusTest, StreamsFramesAtTheRequestedRate) {
  const std::pair<int, int> cases[] = {{1, 40}, {2, 100}, {3, 200}, {4, 1000}, {2, 59999}};
  for (const auto& [channels, period_us] : cases) {
    SCOPED_TRACE(std::to_string(channels) + " channels, period " + std::to_string(period_us));
    bus.Reset(sim::ClockMode::Virtual);
    std::vector<sim::Signal> signals;
    for (int ch = 0; ch < channels; ++ch) signals.push_back(sim::Signal::Constant(ch == 3 ? 4095 : 100 * ch + 7));
    PlugWired(signals);
    FT_HANDLE handle = OpenAt(0);
    Write(handle, StartPacket(channels, period_us));
    size_t total = 0;
    for (int step = 1; step <= 4; ++step) {
      AdvanceUs(250000);
      for (const Frame& frame : DecodeFrames(ReadAll(handle))) {
        const int channel = static_cast<int>(total++ % channels);
        ASSERT_EQ(frame.Channel, channel);
        ASSERT_EQ(frame.Code, channel == 3 ? 4095 : 100 * channel + 7);
      }
      // One frame per channel for every whole period elapsed.
      ASSERT_EQ(total, static_cast<size_t>(step * 250000 / period_us * channels));
    }
  }
}

TEST_F(BusTest, StartStopAndModeBytesAreRecorded) {
  sim::UnitId unit = PlugWired();
  FT_HANDLE handle = OpenAt(0);
  Write(handle, {0xB3});
  AdvanceUs(100);
  Write(handle, {0xA7, 0x01});  // a start packet split over writes
  Write(handle, {0xA3, 0xE8, 0x03, 0xD5});
  AdvanceUs(10000);
  EXPECT_EQ(Queued(handle), 20u);
  Write(handle, {sim::WiredStopByte});
  AdvanceUs(10000);
  EXPECT_EQ(Queued(handle), 20u);  // nothing after the stop; what was sent stays queued
  Write(handle, {0xA7, 0x01, 0x00, 0xE8, 0x03, 0xA5});  // no A3 marker: starts nothing
  ASSERT_TRUE(bus.WithModel<sim::WiredUnitModel>(unit, [](sim::WiredUnitModel& model) {
    EXPECT_FALSE(model.Running());
    ASSERT_EQ(model.StartPackets().size(), 1u);
    EXPECT_EQ(model.StartPackets()[0].PeriodUs, 1000);
    EXPECT_EQ(model.StartPackets()[0].Mode, 0xD5);
    EXPECT_EQ(model.StopCount(), 1);
    EXPECT_EQ(model.ModeBytes().size(), 1u + 3u);  // B3, then the three bytes after the bad packet
    EXPECT_EQ(model.MalformedBytes(), 3);
  }));
}

TEST_F(BusTest, ChunkedDeliverySplitsFramesAndTheLatencyTimerFlushesTheRest) {
  sim::UnitId unit = PlugWired({sim::Signal::Constant(1234)});
  bus.SetChunkBytes(unit, 3);
  FT_HANDLE handle = OpenAt(0);
  ASSERT_EQ(FT_SetLatencyTimer(handle, 16), FT_OK);
  Write(handle, StartPacket(1, 1000));
  AdvanceUs(1000);
  EXPECT_EQ(Queued(handle), 0u);  // two bytes sent, no whole chunk yet
  AdvanceUs(1000);
  Bytes joined = ReadAll(handle);
  ASSERT_EQ(joined.size(), 3u);  // one frame and half of the next
  AdvanceUs(1000);
  Bytes second = ReadAll(handle);
  joined.insert(joined.end(), second.begin(), second.end());
  ASSERT_EQ(joined.size(), 6u);
  for (const Frame& frame : DecodeFrames(joined)) EXPECT_EQ(frame.Code, 1234);

  // An odd chunk size leaves a byte that follows once the latency timer runs out.
  bus.SetChunkBytes(unit, 5);
  Write(handle, {sim::WiredStopByte});
  Write(handle, StartPacket(1, 100));
  AdvanceUs(300);
  EXPECT_EQ(ReadAll(handle).size(), 5u);
  AdvanceUs(20000);
  EXPECT_EQ(ReadAll(handle).size(), 203u * 2 - 5);
}

TEST_F(BusTest, QueueFaults) {
  sim::UnitId unit = PlugWired({sim::Signal::Constant(300)});
  FT_HANDLE handle = OpenAt(0);
  bus.SetQueueCapacity(unit, 100);
  Write(handle, StartPacket(2, 1000));
  AdvanceUs(100000);  // 400 bytes sent to a queue of 100
  EXPECT_EQ(Queued(handle), 100u);
  EXPECT_EQ(bus.OverrunBytes(unit), 300u);
  ASSERT_EQ(FT_Purge(handle, FT_PURGE_RX), FT_OK);
  EXPECT_EQ(Queued(handle), 0u);

  AdvanceUs(2000);
  bus.InjectBytes(unit, {0x80});  // a stray byte lands between frames
  AdvanceUs(1000);
  Bytes bytes = ReadAll(handle);
  ASSERT_EQ(bytes.size(), 13u);
  EXPECT_EQ(bytes[8], 0x80);
  EXPECT_EQ(DecodeFrames(Bytes(bytes.begin() + 9, bytes.end()))[0].Code, 300);

  bus.Stall(unit, true);  // a stalled unit delivers nothing, then a burst
  AdvanceUs(50000);
  EXPECT_EQ(Queued(handle), 0u);
  bus.Stall(unit, false);
  EXPECT_EQ(Queued(handle), 100u);
}

TEST_F(BusTest, SignalsClampAndNoiseStaysInItsBandRepeatably) {
  EXPECT_EQ(sim::Signal::Constant(5000).CodeAt(0.0, 0), 4095);
  EXPECT_EQ(sim::Signal::Sine(2048, 1000, 1.0).CodeAt(0.25, 0), 3048);
  const sim::Signal noise = sim::Signal::Noise(2048, 100, 7);
  for (std::uint64_t i = 0; i < 1000; ++i) {
    ASSERT_NEAR(noise.CodeAt(0.0, i), 2048, 100);
    ASSERT_EQ(noise.CodeAt(0.0, i), noise.CodeAt(1.0, i));  // the same index gives the same code
  }
}

TEST(UnitList, ParsesEntriesAndReportsBadOnes) {
  std::vector<std::string> errors;
  std::vector<sim::UnitSpec> units = sim::ParseUnitList(
      "wired:15/1063:sine|ramp=0,4095,2;wired:desc=04 plain::AB12;laser:15/1063;wired:1;wired:15/1063:wobble;"
      "wired:15/1063:noise=0,0,-1;wired:15/1063:noise=0,0,1e30;wired:15/1063:noise=0,0,nan;wired:15/1063:noise=1,2,3",
      &errors);
  ASSERT_EQ(units.size(), 3u);
  EXPECT_EQ(errors.size(), 6u);
  EXPECT_EQ(errors[3], "wired:15/1063:noise=0,0,-1: bad signal");
  ASSERT_EQ(units[0].Signals.size(), 2u);
  EXPECT_EQ(units[0].Signals[1].Shape, sim::SignalShape::Ramp);
  EXPECT_EQ(units[1].SerialNumber, "AB12");
  EXPECT_TRUE(sim::ParseUnitList("").empty());
}

}  // namespace
}  // namespace simtest
