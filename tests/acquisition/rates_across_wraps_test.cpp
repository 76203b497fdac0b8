// Rate detectors fed by a simulated unit through the acquisition tick: cyclic wraps change no rate.
#include <algorithm>
#include <cmath>
#include <map>

#include "channels/rate_detector.h"
#include "fakes/fake_main_window.h"
#include "unit_test_support.h"

namespace unittest {
namespace {

constexpr std::uint32_t kRate = 100;

struct RateKind {
  const char* name;
  std::uint16_t sensor_code;
  void (*install)(VessamorChannel&);
  sim::Signal signal;
  bool window_restarts;  // a pulse window that spans a wrap is dropped
};

struct RateRun {
  std::vector<float> rates;  // each completed window's entry
  std::map<std::uint64_t, std::int16_t> codes;  // rotation: settled codes by sample number
  std::uint32_t wraps = 0;
};

class RatesAcrossWrapsTest : public UnitTestBase {
 protected:
  // Records 130 s of the signal into one channel of `capacity` codes, a poll and a tick every 0.1 s.
  RateRun Record(const RateKind& kind, std::uint32_t capacity) {
    Fresh();
    FakeMainWindow window;
    GraphView recording;
    EXPECT_TRUE(recording.Init(capacity, PixelRect{0, 0, 1000, 800}, 0, &window));
    recording.TickClock = &clock;
    recording.Continuous = 1;
    recording.RateSetting = kRate;
    VessamorChannel& channel = recording.Channel(0);
    channel.Enabled = channel.RateMode = 1;
    channel.SmoothingOn = 0;
    channel.ConfigureFilter();
    recording.SetChannelFlags(4, 0);
    channel.SensorCode = kind.sensor_code;
    kind.install(channel);
    recording.Recording = 1;
    recording.ComputeStartIndexes();

    PlugWired({kind.signal});
    FTRecordDevice& unit = OpenUnit();
    unit.View = &recording;
    unit.Events = &recording.Events();
    unit.BindChannel(0, &channel);
    unit.ByteLimit = 2 * recording.ChannelCapacity;
    StartWired(unit, 1, 1000000 / kRate);

    RateRun run;
    const RateDetectorState& d = channel.RateDetector;
    std::uint32_t seen = 0;
    double cycle_start = 0.0;
    for (std::uint32_t step = 0; step < 1300; ++step) {
      AdvanceUs(100000);
      unit.Poll();
      recording.AcquisitionTick();
      if (recording.Sweep.CycleStartTime != cycle_start) ++run.wraps;
      cycle_start = recording.Sweep.CycleStartTime;
      // Rotation writes its rates into the codes back to the last pulse, a quarter of a second at
      // four pulses a second: the code half a second back, by its sample number since the start.
      const std::uint32_t settled = recording.Sweep.FirstUnprocessed;
      if (kind.sensor_code == 73 && settled > kRate / 2) {
        const auto start = static_cast<std::uint64_t>(std::llround(recording.Sweep.CycleStartTime * kRate));
        run.codes[start + settled - kRate / 2] = channel.Codes[settled - kRate / 2];
      }
      for (; seen != d.HistoryCount; seen = (seen + 1) % static_cast<std::uint32_t>(d.History.size())) {
        run.rates.push_back(d.Entry(seen));
      }
    }
    return run;
  }
};

TEST_F(RatesAcrossWrapsTest, RatesCarryOnThroughCyclicWraps) {
  const RateKind kinds[] = {
      {"pulse, 75 per minute", 35, InstallPulseHooks, sim::Signal::Sine(2048, 1500, 1.25), true},
      {"breathing at 0.2 Hz", 40, InstallBreathingHooks, sim::Signal::Sine(2048, 1000, 0.2), false},
      {"rotation, 4 pulses a second", 73, InstallRotationHooks, sim::Signal::Square(0, 3000, 4), false},
  };
  for (const RateKind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    const RateRun straight = Record(kind, 20000);
    const RateRun wrapped = Record(kind, 3100);
    EXPECT_EQ(straight.wraps, 0u);
    EXPECT_GE(wrapped.wraps, 3u);
    EXPECT_FALSE(straight.rates.empty() && straight.codes.empty());
    // The windows take the record's rate, whatever rate the view had before the start.
    if (kind.sensor_code == 35) {
      EXPECT_EQ(straight.rates, std::vector<float>(straight.rates.size(), 75.0f));
    }
    std::vector<float> expected = straight.rates;
    if (kind.window_restarts) {
      EXPECT_LE(expected.size(), wrapped.rates.size() + wrapped.wraps);
      expected.resize(std::min(expected.size(), wrapped.rates.size()));
    }
    EXPECT_EQ(wrapped.rates, expected);
    for (const auto& [sample, code] : wrapped.codes) ASSERT_EQ(code, straight.codes.at(sample)) << sample;
  }
}

}  // namespace
}  // namespace unittest
