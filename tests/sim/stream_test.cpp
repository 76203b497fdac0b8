// Tests of the wired unit's stream on the virtual clock: rate, frames, stop, mode bytes, delivery.
#include <cmath>

#include "sim/description.h"
#include "sim/unit_list.h"
#include "sim_test_support.h"

namespace simtest {
namespace {

TEST_F(BusTest, StreamsFramesAtTheRequestedRate) {
  struct Case {
    int channels;
    int period_us;
  } cases[] = {{1, 40}, {2, 100}, {3, 200}, {4, 1000}, {1, 8000}, {2, 59999}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.channels) + " channels, period " + std::to_string(c.period_us));
    bus.Reset(sim::ClockMode::Virtual);
    std::vector<sim::Signal> signals;
    for (int ch = 0; ch < c.channels; ++ch) signals.push_back(sim::Signal::Constant(100 * ch + 7));
    PlugWired(signals);
    FT_HANDLE handle = OpenAt(0);
    WriteBytes(handle, StartPacket(c.channels, c.period_us));
    const std::int64_t step_us = 250000;
    std::int64_t elapsed_us = 0;
    size_t total = 0;
    for (int i = 0; i < 4; ++i) {
      AdvanceUs(step_us);
      elapsed_us += step_us;
      std::vector<Frame> frames = DecodeFrames(ReadAll(handle));
      for (size_t f = 0; f < frames.size(); ++f) {
        int expected_channel = static_cast<int>((total + f) % c.channels);
        ASSERT_EQ(frames[f].Channel, expected_channel);
        ASSERT_EQ(frames[f].Code, 100 * expected_channel + 7);
      }
      total += frames.size();
      // Samples due = whole periods elapsed, one frame per channel each.
      ASSERT_EQ(total, static_cast<size_t>(elapsed_us / c.period_us * c.channels));
    }
  }
}

TEST_F(BusTest, StartStopAndModeBytesAreRecorded) {
  sim::UnitId unit = PlugWired();
  FT_HANDLE handle = OpenAt(0);
  WriteBytes(handle, std::array<std::uint8_t, 1>{0xB3});
  AdvanceUs(100);
  // The start packet may arrive split over writes.
  WriteBytes(handle, std::array<std::uint8_t, 2>{0xA7, 0x01});
  WriteBytes(handle, std::array<std::uint8_t, 4>{0xA3, 0xE8, 0x03, 0xD5});
  AdvanceUs(10000);
  EXPECT_EQ(Queued(handle), 20u);
  WriteBytes(handle, std::array<std::uint8_t, 1>{sim::WiredStopByte});
  AdvanceUs(10000);
  EXPECT_EQ(Queued(handle), 20u);  // nothing after the stop; what was sent stays queued
  WriteBytes(handle, std::array<std::uint8_t, 1>{0x55});
  // A packet without its A3 marker starts nothing.
  WriteBytes(handle, std::array<std::uint8_t, 6>{0xA7, 0x01, 0x00, 0xE8, 0x03, 0xA5});

  ASSERT_TRUE(bus.WithModel<sim::WiredUnitModel>(unit, [](sim::WiredUnitModel& model) {
    EXPECT_FALSE(model.Running());
    ASSERT_EQ(model.StartPackets().size(), 1u);
    EXPECT_EQ(model.StartPackets()[0].Channels, 1);
    EXPECT_EQ(model.StartPackets()[0].PeriodUs, 1000);
    EXPECT_EQ(model.StartPackets()[0].Mode, 0xD5);
    EXPECT_EQ(model.StartPackets()[0].TimeUs, 100);
    EXPECT_EQ(model.StopCount(), 1);
    ASSERT_EQ(model.ModeBytes().size(), 2u + 3u);  // B3, 55, then the three bytes after the bad packet
    EXPECT_EQ(model.ModeBytes()[0].Value, 0xB3);
    EXPECT_EQ(model.ModeBytes()[1].Value, 0x55);
    EXPECT_EQ(model.MalformedBytes(), 3);
  }));
}

TEST_F(BusTest, FrameEncodingCarriesChannelAndTwelveBits) {
  for (int channel = 0; channel < 4; ++channel) {
    for (int code : {0, 1, 127, 128, 2048, 4095}) {
      auto frame = sim::EncodeWiredFrame(channel, static_cast<std::uint16_t>(code));
      EXPECT_EQ(frame[0] & 0x80, 0);
      EXPECT_EQ(frame[1] & 0x80, 0);
      std::vector<Frame> decoded = DecodeFrames({frame[0], frame[1]});
      EXPECT_EQ(decoded[0].Channel, channel);
      EXPECT_EQ(decoded[0].Code, code);
    }
  }
}

TEST_F(BusTest, ChunkedDeliverySplitsAFrameAcrossReads) {
  sim::UnitId unit = PlugWired({sim::Signal::Constant(1234)});
  bus.SetChunkBytes(unit, 3);
  FT_HANDLE handle = OpenAt(0);
  ASSERT_EQ(FT_SetLatencyTimer(handle, 16), FT_OK);
  WriteBytes(handle, StartPacket(1, 1000));
  AdvanceUs(1000);
  EXPECT_EQ(Queued(handle), 0u);  // two bytes sent, no whole chunk yet
  AdvanceUs(1000);
  std::vector<std::uint8_t> first = ReadAll(handle);
  ASSERT_EQ(first.size(), 3u);  // one frame and the first half of the next
  AdvanceUs(1000);
  std::vector<std::uint8_t> second = ReadAll(handle);
  ASSERT_EQ(second.size(), 3u);
  std::vector<std::uint8_t> joined = first;
  joined.insert(joined.end(), second.begin(), second.end());
  for (const Frame& frame : DecodeFrames(joined)) EXPECT_EQ(frame.Code, 1234);

  // A remainder shorter than a chunk follows once the latency timer runs out.
  WriteBytes(handle, std::array<std::uint8_t, 1>{sim::WiredStopByte});
  AdvanceUs(1000);
  EXPECT_EQ(Queued(handle), 0u);
  AdvanceUs(16000);
  EXPECT_EQ(Queued(handle), 0u);  // 6 bytes were sent and 6 delivered: nothing left over
}

TEST_F(BusTest, OddChunkLeavesAByteForTheNextRead) {
  sim::UnitId unit = PlugWired({sim::Signal::Constant(5)});
  bus.SetChunkBytes(unit, 5);
  FT_HANDLE handle = OpenAt(0);
  WriteBytes(handle, StartPacket(1, 100));
  AdvanceUs(300);  // 6 bytes sent, one chunk of 5 delivered
  EXPECT_EQ(ReadAll(handle).size(), 5u);
  AdvanceUs(20000);  // latency ran out: the odd byte and the rest arrive
  std::vector<std::uint8_t> rest = ReadAll(handle);
  EXPECT_EQ(rest.size(), 203u * 2 - 5);
}

TEST_F(BusTest, BoundedQueueLosesAndCountsTheOverflow) {
  sim::UnitId unit = PlugWired();
  bus.SetQueueCapacity(unit, 100);
  FT_HANDLE handle = OpenAt(0);
  WriteBytes(handle, StartPacket(2, 1000));
  AdvanceUs(100000);  // 400 bytes sent
  EXPECT_EQ(Queued(handle), 100u);
  EXPECT_EQ(bus.OverrunBytes(unit), 300u);
  ASSERT_EQ(FT_Purge(handle, FT_PURGE_RX), FT_OK);
  EXPECT_EQ(Queued(handle), 0u);
}

TEST_F(BusTest, StrayBytesArriveBetweenFrames) {
  sim::UnitId unit = PlugWired({sim::Signal::Constant(300)});
  FT_HANDLE handle = OpenAt(0);
  WriteBytes(handle, StartPacket(1, 1000));
  AdvanceUs(2000);
  bus.InjectBytes(unit, {0x80});
  AdvanceUs(1000);
  std::vector<std::uint8_t> bytes = ReadAll(handle);
  ASSERT_EQ(bytes.size(), 7u);
  EXPECT_EQ(bytes[4], 0x80);
  std::vector<std::uint8_t> after(bytes.begin() + 5, bytes.end());
  EXPECT_EQ(DecodeFrames(after)[0].Code, 300);
}

TEST_F(BusTest, StalledUnitDeliversNothingThenABurst) {
  sim::UnitId unit = PlugWired();
  FT_HANDLE handle = OpenAt(0);
  WriteBytes(handle, StartPacket(1, 1000));
  bus.Stall(unit, true);
  AdvanceUs(50000);
  EXPECT_EQ(Queued(handle), 0u);
  bus.Stall(unit, false);
  EXPECT_EQ(Queued(handle), 100u);
}

TEST_F(BusTest, UnplugMidStreamFailsTheNextPoll) {
  sim::UnitId unit = PlugWired();
  FT_HANDLE handle = OpenAt(0);
  WriteBytes(handle, StartPacket(1, 1000));
  AdvanceUs(5000);
  EXPECT_EQ(Queued(handle), 10u);
  ASSERT_TRUE(bus.Unplug(unit));
  DWORD queued = 0;
  EXPECT_EQ(FT_GetQueueStatus(handle, &queued), FT_IO_ERROR);
  std::uint8_t buffer[16];
  DWORD got = 0;
  EXPECT_EQ(FT_Read(handle, buffer, 10, &got), FT_IO_ERROR);
}

TEST_F(BusTest, SignalsFollowTheirShapes) {
  EXPECT_EQ(sim::Signal::Constant(5000).CodeAt(0.0, 0), 4095);  // clamped to 12 bits
  EXPECT_EQ(sim::Signal::Ramp(0, 1000, 1.0).CodeAt(0.25, 0), 250);
  EXPECT_EQ(sim::Signal::Square(100, 200, 1.0).CodeAt(0.25, 0), 100);
  EXPECT_EQ(sim::Signal::Square(100, 200, 1.0).CodeAt(0.75, 0), 200);
  EXPECT_EQ(sim::Signal::Sine(2048, 1000, 1.0).CodeAt(0.25, 0), 3048);
  sim::Signal noise = sim::Signal::Noise(2048, 100, 7);
  for (std::uint64_t i = 0; i < 1000; ++i) {
    std::uint16_t code = noise.CodeAt(0.0, i);
    ASSERT_GE(code, 1948);
    ASSERT_LE(code, 2148);
    ASSERT_EQ(code, noise.CodeAt(1.0, i));  // the same index gives the same code
  }
}

TEST(UnitList, ParsesEntriesAndReportsBadOnes) {
  std::vector<std::string> errors;
  std::vector<sim::UnitSpec> units = sim::ParseUnitList(
      "wired:15/1063:sine|ramp=0,4095,2;wired:desc=04 plain::AB12;laser:15/1063;wired:1;wired:15/1063:wobble",
      &errors);
  ASSERT_EQ(units.size(), 2u);
  EXPECT_EQ(sim::DescriptionKey(units[0].Description), (1063u << 16) | ('1' << 8) | '5');
  ASSERT_EQ(units[0].Signals.size(), 2u);
  EXPECT_EQ(units[0].Signals[1].Shape, sim::SignalShape::Ramp);
  EXPECT_EQ(units[1].Description, "04 plain");
  EXPECT_EQ(units[1].SerialNumber, "AB12");
  EXPECT_EQ(errors.size(), 3u);
  EXPECT_TRUE(sim::ParseUnitList("").empty());
}

TEST(UnitList, DefaultUnitsAreATemperatureAndAVoltageSensor) {
  std::vector<sim::UnitSpec> units = sim::DefaultUnits();
  ASSERT_EQ(units.size(), 2u);
  // Keys of the -20..+110 °C temperature sensor and the ±10 V voltage sensor.
  EXPECT_EQ(sim::DescriptionKey(units[0].Description), (1063u << 16) | ('1' << 8) | '5');
  EXPECT_EQ(sim::DescriptionKey(units[1].Description), (1195u << 16) | ('0' << 8) | '4');
  for (const sim::UnitSpec& unit : units) EXPECT_EQ(unit.Family, "wired");
}

}  // namespace
}  // namespace simtest
