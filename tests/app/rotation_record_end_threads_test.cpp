// Rotation records on the assembled window, simulated bus on virtual time: a record ends on its rate
// wherever the stop falls (indicator, curve, marker and the three file kinds), and rotations as slow
// as the kinds' pages promise read their rate rather than 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/value_indicators.h"
#include "channels/conversions.h"
#include "channels/rate_detector.h"
#include "records/binary_record.h"
#include "review_rig.h"
#include "sim/bus.h"
#include "sim/wired_unit.h"

namespace {

using apptest::Folder;
using apptest::ReviewRig;
namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ostringstream out;
  out << std::ifstream(path, std::ios::binary).rdbuf();
  return out.str();
}

// (time, value) of the rows of a text export, the value in column `column` (1: the first after the time).
std::vector<std::pair<double, double>> TextRows(const std::string& text, std::size_t column) {
  std::vector<std::pair<double, double>> rows;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream row(line);
    std::vector<double> cells;
    for (double cell = 0.0; row >> cell;) cells.push_back(cell);
    if (column < cells.size()) rows.emplace_back(cells[0], cells[column]);
  }
  return rows;
}

// (time, value) of a sheet's number cells: the time in column 0, the value in column `column`.
std::vector<std::pair<double, double>> SheetRows(const std::string& bytes, std::uint16_t column) {
  std::vector<std::pair<double, double>> rows;
  const auto word = [&](std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8);
  };
  std::vector<double> times;
  for (std::size_t at = 0; at + 4 <= bytes.size();) {
    const std::uint16_t type = word(at), length = word(at + 2);
    if (type == 0x0003 && length == 15 && at + 19 <= bytes.size()) {
      const std::uint16_t row = word(at + 4), col = word(at + 6);
      std::uint64_t raw = 0;
      std::memcpy(&raw, bytes.data() + at + 11, 8);
      const double value = std::bit_cast<double>(raw);
      if (col == 0) {
        times.resize(std::max<std::size_t>(times.size(), row + 1u), -1.0);
        times[row] = value;
      } else if (col == column && row < times.size()) {
        rows.emplace_back(times[row], value);
      }
    }
    at += 4u + length;
  }
  return rows;
}

class RotationRecord : public ::testing::Test {
 protected:
  // The index of the rotation channel and its place among the shown channels (the files' value column).
  static std::pair<std::size_t, std::size_t> RotationChannel(GraphView& view) {
    std::size_t place = 0;
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      const VessamorChannel& ch = view.Channel(k);
      if (ch.Shown == 0 || ch.CodeCount == 0) continue;
      ++place;
      if (ch.SensorCode == 73 || ch.SensorCode == 77) return {k, place};
    }
    return {GraphView::kLiveChannels, 0};
  }
  // The first unprocessed sample and the count, once the window has counted every sample the
  // units sent up to the bus's hold: the worker has read and decoded them all and the tick has
  // taken them in. The window is left alone meanwhile, as while recording (a watchdog against
  // hangs only).
  static std::array<std::uint32_t, 2> Settled(ReviewRig& rig) {
    GraphView& view = rig.View();
    sim::Bus& bus = sim::Bus::Instance();
    const auto state = [&] {
      std::lock_guard lock(view.ViewLock);
      return std::array<std::uint32_t, 2>{view.Sweep.FirstUnprocessed, view.SampleCount};
    };
    const auto wait = [](const auto& done) {
      const auto watchdog = std::chrono::steady_clock::now() + std::chrono::minutes(2);
      while (!done() && std::chrono::steady_clock::now() < watchdog) std::this_thread::sleep_for(std::chrono::microseconds(200));
      EXPECT_TRUE(done());
    };
    // The samples every recording unit has sent by the time the bus reaches its hold (they start
    // together, at one rate).
    wait([&] { return bus.NowUs() >= rig.Clock().HeldAt(); });
    const std::int64_t held = bus.NowUs();
    std::uint64_t due = ~std::uint64_t{0};
    for (const sim::UnitId unit : bus.Units()) {
      bus.WithModel<sim::WiredUnitModel>(unit, [&](const sim::WiredUnitModel& m) {
        if (m.Running()) due = std::min(due, m.SamplesDueAt(held));
      });
    }
    wait([&] { return state()[1] >= due; });
    const auto s = state();
    EXPECT_EQ(s[1], due) << "samples the units did not send";
    return s;
  }
  // Records `seconds` and lets every sample so far through the window's processing; then lets the
  // bus on by `tail` of a column's samples, which the window counts but leaves for the next batch,
  // and presses Space there. Returns how many samples were left so.
  // With `late_ms`, the window then holds the view's lock while that long passes on the units'
  // clock: the device worker, waiting on it, runs late.
  static std::uint32_t RecordAndStop(ReviewRig& rig, double seconds, double tail, std::uint32_t late_ms = 0) {
    GraphView& view = rig.View();
    sim::Bus& bus = sim::Bus::Instance();
    rig.RecordUntil([&] { return rig.Samples() >= seconds * view.RecordRate; });
    if (late_ms != 0) {
      std::lock_guard lock(view.ViewLock);
      rig.Clock().HoldBusAt(bus.NowUs() + std::int64_t{late_ms} * 1000);
      rig.Clock().SleepMs(late_ms);
    }
    const auto settled = [&] { return Settled(rig); };
    // A millisecond on at a time until a batch has taken everything decoded.
    for (auto s = settled(); s[0] != s[1]; s = settled()) rig.Clock().HoldBusAt(bus.NowUs() + 1000);
    const double spc = [&] {
      std::lock_guard lock(view.ViewLock);
      return view.Scale.SamplesPerColumn;
    }();
    // The tail, less than a column's samples; should it have completed a batch, the bus is let on again.
    auto s = settled();
    for (int k = 0; k < 20 && s[1] == s[0]; ++k, s = settled()) {
      rig.Clock().HoldBusAt(bus.NowUs() + static_cast<std::int64_t>(tail * spc * 1e6 / view.RecordRate));
    }
    rig.Key(platform::key::kSpace);
    rig.ReleaseBus();
    rig.Until([&] { return view.Recording.load() == 0 && view.RecordViewable != 0; });
    for (int k = 0; k < 5; ++k) rig.Step(33);
    return s[1] - s[0];
  }
};

// A rotation record ends on its rate wherever the stop falls: the samples after the last batch the
// window took hold the rate (or its fall to 0), never the unit's pulses or a 0 in their place. The
// slow cases read rates whose pulses lie more than half a second apart.
TEST_F(RotationRecord, EndsOnItsRateInIndicatorCurveMarkerAndFiles) {
  const struct {
    const char* units;  // the rotation sensor first
    double rate;        // rev/s: pulses a second / pulses a revolution (20 for kind 73, 4 for kind 77)
    const char* shown;  // the indicator's digits, cut to hundredths: rev/s and rad/s
    const char* angular;
    double gap;         // seconds between pulses
    double seconds;     // recorded before the tail (a sheet holds 6.5 s at 10 kHz)
    double tail;        // of a column's samples after the last batch
    bool english;
    std::uint32_t late_ms = 0;  // the device worker held up this long mid-record
  } cases[] = {
      {"auto:kind=77:square=0,4095,8", 2.0, "2.00", "12.56", 0.125, 3.0, 0.4, false},
      {"auto:kind=77:square=0,4095,8", 2.0, "2.00", "12.56", 0.125, 3.37, 0.9, true},
      {"auto:kind=77:square=0,4095,8", 2.0, "2.00", "12.56", 0.125, 3.56, 0.2, false},
      // More than the driver's queue holds comes due while the worker waits: none of it is lost.
      {"auto:kind=77:square=0,4095,8", 2.0, "2.00", "12.56", 0.125, 1.5, 0.5, true, 4000},
      {"auto:kind=77:square=0,4095,8;wired:15/1063:const=2000;wired:04/1195:sine=2048,1500,1;"
       "auto:kind=40:sine=2048,1200,0.3",
       2.0, "2.00", "12.56", 0.125, 4.5, 0.6, true},
      {"auto:kind=73:square=0,4095,1", 0.05, "0.05", "0.31", 1.0, 5.0, 0.7, false},
      // The slowest the rotation set's page names, and a slow turn of the rotation sensor.
      // Codes step by 1/256 rev/s: 0.0234 rev/s here, 0.147 rad/s.
      {"auto:kind=73:square=0,4095,0.5", 0.025, "0.02", "0.14", 2.0, 6.2, 0.5, true},
      {"auto:kind=77:square=0,4095,1", 0.25, "0.25", "1.57", 1.0, 5.5, 0.8, false},
  };
  Folder folder("rotation-record-end");
  int record = 0;
  for (const auto& c : cases) {
    const fs::path file = folder.path / ("rec" + std::to_string(++record));
    SCOPED_TRACE(std::string(c.units) + " stopped at " + std::to_string(c.seconds));
    ReviewRig rig(c.english ? 1920 : 1366, c.english ? 1080 : 768, c.english, c.units);
    rig.IndicatorsOnRigClock();
    rig.EnterMeasureScreen();
    ASSERT_GT(RecordAndStop(rig, c.seconds, c.tail, c.late_ms), 0u) << "no samples left after the last batch";
    // The codes step by 1/256 rev/s, and the text rows keep three decimals.
    const double within = 0.006 + c.rate * 0.01;
    GraphView& view = rig.View();
    std::size_t k = 0, place = 0;
    {
      std::lock_guard lock(view.ViewLock);
      std::tie(k, place) = RotationChannel(view);
    }
    ASSERT_LT(k, GraphView::kLiveChannels);
    // From the second pulse on the rate stands; every row, code and column after it reads the rate.
    const double settled = 2.0 * c.gap + 0.1;
    using Rows = std::vector<std::pair<double, double>>;  // (seconds, rev/s)
    const auto check_rows = [&](const Rows& rows, double end, const char* what) {
      ASSERT_FALSE(rows.empty()) << what;
      EXPECT_NEAR(rows.back().first, end, 0.01) << what << " ends with the record";
      const auto off = std::find_if(rows.begin(), rows.end(), [&](const auto& row) {
        return row.first >= settled && std::abs(row.second - c.rate) > within;
      });
      EXPECT_TRUE(off == rows.end()) << what << ": " << off->second << " at " << off->first << " s";
    };
    const double stopped = rig.Indicator(k);
    EXPECT_EQ(IndicatorValueText(stopped, 2).Text, c.shown) << "indicator at the stop";
    EXPECT_EQ(IndicatorValueText(view.Channel(k).IndicatorShownAngular, 2).Text, c.angular) << "angular speed at the stop";
    // The whole record on the screen: its last column holds the record's last samples.
    rig.Press(75013);
    for (int n = 0; n < 5; ++n) rig.Step(40);
    EXPECT_EQ(IndicatorValueText(rig.Indicator(k), 2).Text, c.shown) << "indicator on the whole record";
    std::uint32_t rate = 0, samples = 0;
    std::uint16_t last_column = 0;
    {
      std::lock_guard lock(view.ViewLock);
      rate = view.RecordRate;
      samples = view.LastSampleIndex + 1;
      last_column = view.LastShownColumn;
      const VessamorChannel& ch = view.Channel(k);
      Rows curve;
      for (std::uint16_t col = view.FirstShownColumn; col <= last_column; ++col) {
        curve.emplace_back(ch.TimeBase[col].FirstSample / static_cast<double>(rate), ch.SampleValue(col));
      }
      check_rows(curve, (samples - 1.0) / rate, "curve");
    }
    // A marker on the curve's right end.
    const platform::WindowRect plot = rig.Plot();
    rig.Click(platform::MouseButton::Right, plot.left - 1 + last_column, (plot.top + plot.bottom) / 2);
    {
      std::lock_guard lock(view.ViewLock);
      ASSERT_NE(view.Markers[0].Set, 0);
      EXPECT_NEAR(view.Markers[0].Values[k], c.rate, within) << "marker";
    }
    // Saved as a record, a sheet and text (the save dialog's three filters).
    for (int filter = 1; filter <= 3; ++filter) {
      rig.Host().DialogAnswers.push_back({file.string(), filter});
      rig.Window().MenuNotification(0, 2, view);
      rig.Settle();
    }
    const std::string out = ReadFile(fs::path(file).replace_extension(".out"));
    const records::BinaryRead read = records::ReadBinaryRecord(
        records::MemorySource({reinterpret_cast<const std::uint8_t*>(out.data()), out.size()}), view.SampleCapacity);
    ASSERT_EQ(read.Outcome, records::ReadOutcome::Loaded);
    const std::vector<std::int16_t>& codes = read.Record.Channels[k].Codes;
    ASSERT_EQ(codes.size(), samples);
    Rows stored;
    for (std::size_t i = 0; i < codes.size(); ++i) stored.emplace_back(i / static_cast<double>(rate), RevolutionsFromCode(codes[i], nullptr));
    const double end = (samples - 1.0) / rate;
    check_rows(stored, end, ".out");
    check_rows(TextRows(ReadFile(fs::path(file).replace_extension(".txt")), place), end, ".txt");
    check_rows(SheetRows(ReadFile(fs::path(file).replace_extension(".xls")), static_cast<std::uint16_t>(k + 1)), end, ".xls");
  }
}

// A disc that stops reads 0 soon after its last pulse: half a second at speed, two pulse intervals
// when slow (at most the interval of the slowest rate the pages name); until then it reads its rate.
TEST_F(RotationRecord, AStoppedDiscFallsToZeroSoonAndASlowOneReadsOnBetweenPulses) {
  const struct {
    const char* units;
    double rate;    // rev/s
    double gap;     // seconds between pulses
    double zero;    // seconds after the stop by which it reads 0
    bool english;
  } cases[] = {
      {"auto:kind=77:square=0,4095,8", 2.0, 0.125, 0.75, false},
      {"auto:kind=73:square=0,4095,40", 2.0, 0.025, 0.75, true},
      {"auto:kind=77:square=0,4095,0.2", 0.05, 5.0, 10.5, true},
      {"auto:kind=73:square=0,4095,1", 0.05, 1.0, 2.5, false},
  };
  sim::Bus& bus = sim::Bus::Instance();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.units);
    ReviewRig rig(c.english ? 1920 : 1366, c.english ? 1080 : 768, c.english, c.units);
    rig.IndicatorsOnRigClock();
    rig.EnterMeasureScreen();
    GraphView& view = rig.View();
    // The pulses rise half an interval into each; the disc stops just after its third.
    const double stop = std::max(2.55 * c.gap, 2.0);
    rig.RecordUntil([&] { return rig.Samples() >= stop * view.RecordRate; });
    const auto bus_on = [&](double seconds) {
      const std::int64_t until = bus.NowUs() + static_cast<std::int64_t>(seconds * 1e6);
      for (std::int64_t held = bus.NowUs(); held < until;) {
        rig.Clock().HoldBusAt(held = std::min<std::int64_t>(held + 50'000, until));
        for (auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
             bus.NowUs() < held && std::chrono::steady_clock::now() < end;)
          std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      Settled(rig);
    };
    bus_on(0.0);
    const std::size_t k = RotationChannel(view).first;
    ASSERT_LT(k, GraphView::kLiveChannels);
    const double within = 0.006 + c.rate * 0.01;
    EXPECT_NEAR(rig.Indicator(k), c.rate, within) << "turning";
    ASSERT_TRUE(bus.WithModel<sim::WiredUnitModel>(bus.Units()[0], [](sim::WiredUnitModel& unit) {
      unit.SetSignals({sim::Signal::Constant(0)});
    }));
    bus_on(0.8 * c.gap);
    EXPECT_NEAR(rig.Indicator(k), c.rate, within) << "most of an interval after the last pulse";
    bus_on(c.zero - 0.8 * c.gap);
    EXPECT_EQ(rig.Indicator(k), 0.0) << c.zero << " s after the stop";
    rig.Key(platform::key::kSpace);
    rig.ReleaseBus();
    rig.Until([&] { return view.Recording.load() == 0 && view.RecordViewable != 0; });
    std::lock_guard lock(view.ViewLock);
    EXPECT_EQ(view.Channel(k).ValueAtIndex(view.LastSampleIndex), 0.0f) << "the record ends stopped";
  }
}

}  // namespace
