// The rate sensors and the flow sensor on the simulated bus with real workers, as a user meets them:
// the pulse, breathing and radioactivity readings on the preparation page, in the value indicator
// while recording and in the saved and exported record; the flow volume while recording.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <source_location>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "app/preparation_steps.h"
#include "app/start_screen_parts.h"
#include "app_test_support.h"
#include "channels/conversions.h"
#include "channels/vessamor_channel.h"
#include "controls/aimage_button.h"
#include "app/value_indicators.h"
#include "controls/stick_button.h"
#include "fast_clock.h"
#include "layout/main_controls.h"
#include "records/binary_record.h"
#include "records/text_record.h"
#include "review_rig.h"
#include "sim/unit_list.h"

namespace {

class RateSensors : public ::testing::Test {
 protected:
  void TearDown() override {
    rig.reset();
    apptest::ExpectNoBytesLost(bus);
    bus.Reset(sim::ClockMode::Virtual);
  }
  // The start screen with a button for each unit of `units`; `memory` bounds the record's length.
  // Without the preparation steps a sensor needs no calibration before it records.
  MainWindow& Open(const std::string& units, bool english = false, std::uint64_t memory = 10'000'000,
                   bool preparation = true) {
    rig.reset();
    apptest::ExpectNoBytesLost(bus);  // of the case before
    bus.Reset(sim::ClockMode::Virtual);
    for (const sim::UnitSpec& unit : sim::ParseUnitList(units)) EXPECT_TRUE(sim::AttachUnit(bus, unit));
    rig.reset();
    rig = std::make_unique<apptest::Rig>(1366, 768, true, 32, !english);
    rig->environment.Clock = &clock;
    rig->environment.AvailableMemory = [memory] { return memory; };
    MainWindow& w = rig->Create(english, [this, preparation](MainWindow& created) {
      parts = InstallStartScreenParts(created);
      if (preparation) InstallPreparationSteps(created, parts);
    });
    // The indicators take new values on the test's clock; no unit measures yet, so nothing reads it meanwhile.
    w.View->TickClock = &clock;
    for (int k = 0; k < 400 && w.Panels[1]->ContentShown == 0; ++k) rig->Step(33);
    Until([&] { return w.SensorButtons[bus.Units().size() - 1].Unit != nullptr; });
    return w;
  }
  // Pumps the window (posted calls, timers, paints) until `done`; the watchdog only guards against hangs.
  void Until(const std::function<bool()>& done, std::source_location where = std::source_location::current()) {
    bool met = done();
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120); !met && std::chrono::steady_clock::now() < end;) {
      rig->Step(20);
      rig->host.Pump();
      std::this_thread::sleep_for(std::chrono::microseconds(300));
      met = done();
    }
    ASSERT_TRUE(met) << "waited in vain at line " << where.line();
  }
  // The bus moves on by `seconds` with the window left alone (a paint would hold the ticks up) and
  // is held there while the window catches up, until the next call or ReleaseBus.
  void RunBus(double seconds) {
    const std::int64_t until = bus.NowUs() + static_cast<std::int64_t>(seconds * 1e6);
    clock.HoldBusAt(until);
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
         bus.NowUs() < until && std::chrono::steady_clock::now() < end;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_GE(bus.NowUs(), until);
    for (int k = 0; k < 5; ++k) {
      rig->Step(40);
      rig->host.Pump();
    }
  }
  // The bus let on a tenth of a second at a time until the record holds `seconds` of samples, however
  // late the device worker took the start; then held there while the window catches up.
  void RecordFor(MainWindow& w, double seconds) {
    const auto recorded = [&] {
      std::lock_guard lock(w.View->ViewLock);
      return w.View->SampleCount >= seconds * w.View->RecordRate;
    };
    std::int64_t held = bus.NowUs();
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
         !recorded() && std::chrono::steady_clock::now() < end;) {
      if (bus.NowUs() >= held) clock.HoldBusAt(held += 100'000);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(recorded());
    for (int k = 0; k < 5; ++k) {
      rig->Step(40);
      rig->host.Pump();
    }
  }
  void Press(MainWindow& w, std::int32_t id) {
    ASSERT_TRUE(apptest::PressButton(w, id)) << id;
  }
  // Every unit chosen and ticked (the first one's page already open when `page_open`), then the
  // measurement screen; the last `left_out` units prepared but unticked.
  void Measure(MainWindow& w, bool page_open = false, std::size_t left_out = 0) {
    for (std::size_t n = bus.Units().size(); n-- > 0;) {
      if (!page_open || n != 0) Click(75163 + static_cast<std::int32_t>(n));
      {
        std::lock_guard lock(w.Devices->TableLock);
        w.SlotBinder->MarkSlotForDevice(*w.Devices->DeviceTable[n]);
      }
      w.RefreshDevices(1);
      w.Bytes.SensorPrepared[n] = 1;
    }
    for (std::size_t n = bus.Units().size() - left_out; n < bus.Units().size(); ++n) w.Bytes.SensorPrepared[n] = 0;
    w.UpdateMeasureButton();
    Press(w, 75172);
    ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
  }
  // A left click in the middle of a shown control, as the host delivers it.
  void Click(std::int32_t id) {
    const platform::Control* control = FindMainControl(rig->host.Window(), id);
    ASSERT_TRUE(control != nullptr && control->IsVisible()) << id;
    const platform::WindowRect r = control->Rect();
    unsigned held = 0;
    for (const platform::MouseKind kind : {platform::MouseKind::Move, platform::MouseKind::LeftDown, platform::MouseKind::LeftUp}) {
      held = kind == platform::MouseKind::LeftDown ? platform::kMouseLeft : 0u;
      rig->host.Window().DeliverMouse(kind, {(r.left + r.right) / 2, (r.top + r.bottom) / 2}, held);
    }
  }
  // Space starts a recording with the bus held a moment on, so the record's time is what the test lets pass.
  void StartRecording(MainWindow& w) {
    recording_started_us = bus.NowUs();
    clock.HoldBusAt(bus.NowUs() + 200'000);
    Key(w, platform::key::kSpace);
    ASSERT_EQ(w.View->Recording.load(), 1);
  }
  // The bus's time when the last recording was started.
  std::int64_t recording_started_us = 0;
  void Key(MainWindow& w, unsigned key) {
    w.OnKeyDown(key, 1, 0);
    rig->host.Pump();
  }
  // What channel k's value indicator shows after a fresh paint.
  double Indicator(MainWindow& w, std::size_t k = 0) {
    // The boxes take a new value a quarter of a second after the last one, on this thread's clock.
    clock.SleepMs(500);
    for (int k = 0; k < 3; ++k) {
      rig->Step(40);
      rig->host.Pump();
    }
    w.Window().Invalidate();
    rig->Step(40);
    return w.View->Channel(k).IndicatorShownValue;
  }

  sim::Bus& bus = sim::Bus::Instance();
  apptest::FastClock clock;
  std::unique_ptr<apptest::Rig> rig;
  std::shared_ptr<StartScreenParts> parts;
};

// The values of the rows of a text export: the second column of every row that starts with a number.
std::vector<double> TextRows(const std::string& text) {
  std::vector<double> values;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] < '0' || line[0] > '9') continue;
    std::istringstream row(line);
    double time = 0.0, value = 0.0;
    if (row >> time >> value) values.push_back(value);
  }
  return values;
}

// The values of one column of the rows of a text export (1: the first value after the time).
std::vector<double> TextColumn(const std::string& text, std::size_t column) {
  std::vector<double> values;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] < '0' || line[0] > '9') continue;
    std::istringstream row(line);
    std::vector<double> cells;
    for (double cell = 0.0; row >> cell;) cells.push_back(cell);
    if (column < cells.size()) values.push_back(cells[column]);
  }
  return values;
}

// The number cells of one column of a sheet's data rows (from row 5), in row order.
std::vector<double> SheetColumn(const std::string& bytes, std::uint16_t column) {
  std::vector<std::pair<std::uint16_t, double>> cells;
  const auto word = [&](std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8);
  };
  for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4u + word(at + 2)) {
    if (word(at) != 0x0003 || word(at + 2) != 15 || at + 19 > bytes.size() || word(at + 6) != column || word(at + 4) < 5) continue;
    std::uint64_t raw = 0;
    std::memcpy(&raw, bytes.data() + at + 11, 8);
    cells.emplace_back(word(at + 4), std::bit_cast<double>(raw));
  }
  std::stable_sort(cells.begin(), cells.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<double> values;
  for (const auto& cell : cells) values.push_back(cell.second);
  return values;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ostringstream out;
  out << std::ifstream(path, std::ios::binary).rdbuf();
  return out.str();
}

// The window's pixels in a box, as rows of bytes.
std::vector<std::uint8_t> ShownPixels(const platform::Surface& s, const PixelRect& r) {
  std::vector<std::uint8_t> bytes;
  for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, s.Height()); ++y) {
    const int left = std::clamp(r.Left, 0, s.Width()), right = std::clamp(r.Right, 0, s.Width());
    bytes.insert(bytes.end(), s.Row(y) + left * 4, s.Row(y) + right * 4);
  }
  return bytes;
}

// The encoded text a value box's face key holds for `text`.
std::string FaceText(const std::string& text) {
  const std::size_t size = text.size();
  return std::string(reinterpret_cast<const char*>(&size), sizeof size) + text;
}

// Every rate kind reads its rate, not the signal it comes from, wherever the program shows it: on
// its page, in the indicator while recording (alone and beside other sensors), in a marker's
// caption on the record, in the ".txt" and ".xls" rows and once the record is loaded again; beside
// a unit of another family the measurement runs at a rate both keep, and its seconds are the bus's.
// The breathing sensor prepared for breath holding reads its signal in all those places instead.
TEST_F(RateSensors, RateKindsReadTheirRateOnPageIndicatorMarkerAndTextRows) {
  const struct {
    const char* units;  // the rate sensor first
    bool hold;          // the breathing page's breath-holding option chosen
    double reads;       // on the page, in the indicator, at the marker and in the rows
    double within;
    int decimals;       // of the indicator's value
    const char* unit;   // beside it
    double seconds;  // recorded
    double read_at;  // seconds into the recording the indicator is read
    bool english;
    const char* difference;  // how its row between two markers begins ("" for the symbol and "=")
    const char* title;       // of the graph, when it is checked
    double second = 0.0;     // the second sensor's rate, in its indicator and the files (0: not read)
    double second_within = 0.0;
  } cases[] = {
      {"auto:kind=35:sine=2048,1000,1.2", false, 72.0, 2.0, 0, "уд.мин", 16.0, 16.0, false, "", nullptr},
      {"auto:kind=35/3:sine=512,300,1.2", false, 72.0, 2.0, 0, "bpm", 16.0, 16.0, true, "", nullptr},
      // A breath more or less in a 15-second step is 4 a minute. The breathing row has no name.
      {"auto:kind=40:sine=2048,1200,0.25", false, 15.0, 4.0, 0, "цикл/мин", 17.0, 17.0, false, " =",
       "Измерение частоты дыхания"},
      {"auto:kind=40:sine=2048,1200,0.3;auto:kind=37:square=0,2000,2", false, 18.0, 4.0, 0, "cycle/min", 17.0, 17.0, true,
       " =", "Measurement"},
      {"auto:kind=40:sine=2048,1200,0.5;wired:15/1063:const=2000;wired:04/1195:const=3000", false, 30.0, 4.0, 0,
       "цикл/мин", 17.0, 17.0, false, " =", "Измерение"},
      // Breath held: the signal, 3000 of 4095, with two decimals and no unit.
      {"auto:kind=40:const=3000", true, 0.7326, 0.004, 2, " ", 6.0, 6.0, false, " =", "Измерение времени задержки дыхания"},
      {"auto:kind=40:const=3000", true, 0.7326, 0.004, 2, " ", 6.0, 6.0, true, " =", "Breath-holding time measurement"},
      {"auto:kind=40:const=3000;wired:04/1195:const=2000", true, 0.7326, 0.004, 2, " ", 6.0, 6.0, false, " =",
       "Измерение"},
      {"auto:kind=40:const=3000;auto:kind=37:square=0,2000,2", true, 0.7326, 0.004, 2, " ", 6.0, 6.0, true, " =",
       "Measurement"},
      // Two pulses a second: 80 in the 40-second window, read as it closes; the record's first row.
      {"auto:kind=37:square=0,2000,2", false, 80.0, 3.0, 0, "мкР/ч", 41.0, 39.9, false, "", nullptr},
      // Ten pulses a second: twenty a revolution, or four.
      {"auto:kind=73:square=0,4095,10", false, 0.5, 0.02, 2, "об/сек", 3.0, 3.0, false, "", nullptr},
      {"auto:kind=77:square=0,4095,10", false, 2.5, 0.02, 2, "rev/s", 3.0, 3.0, true, "", nullptr},
      // The wireless receiver sends 1000 samples a second whatever the rotation sensor would take.
      {"auto:kind=77:square=0,4095,10;auto:kind=35/3:sine=512,300,1.2", false, 2.5, 0.02, 2, "об/сек", 16.0, 16.0, false,
       "", nullptr, 72.0, 2.0},
  };
  apptest::Folder folder("rate-kinds-read");
  int record = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.units);
    MainWindow& w = Open(c.units, c.english);
    Press(w, 75163);
    ASSERT_EQ(parts->Panel->ScreenNumber(), InfoPanel::kPreparation);
    const ValueInputBox& box = parts->Panel->Box1;
    Until([&] { return box.Shown != 0 && parts->Panel->Steps.StepPending == 0; });
    if (c.hold) {
      // The second option, as the user clicks it on the page.
      const platform::WindowRect option = parts->Panel->OptionRects[1];
      ASSERT_FALSE(option.IsEmpty());
      const platform::WindowPoint at{option.left + 10, (option.top + option.bottom) / 2};
      rig->host.Window().DeliverMouse(platform::MouseKind::Move, at, 0u);
      rig->host.Window().DeliverMouse(platform::MouseKind::LeftDown, at, platform::kMouseLeft);
      rig->host.Window().DeliverMouse(platform::MouseKind::LeftUp, at, 0u);
      rig->host.Pump();
      ASSERT_EQ(parts->Panel->BreathingMode, 2);
    }
    // Radioactivity's page would count for a whole window; the others settle on their rate.
    if (std::string(c.units).rfind("auto:kind=37", 0) != 0) {
      RunBus(16.0);
      clock.ReleaseBus();
      Until([&] { return std::abs(box.Value - c.reads) <= c.within; });
      EXPECT_NEAR(box.Value, c.reads, c.within) << "page";
    }
    Measure(w, true);
    StartRecording(w);
    RecordFor(w, c.read_at);
    // The recording's own paints show the whole box the indicator draws: the window holds there what
    // the paint drew.
    clock.SleepMs(500);
    for (int k = 0; k < 3; ++k) {
      rig->Step(40);
      rig->host.Pump();
    }
    const PixelRect laid = w.View->Channel(0).LabelRect;
    EXPECT_EQ(ShownPixels(rig->host.Window().Pixels(), laid), ShownPixels(w.BackBuffer(0), laid)) << "indicator box";
    // Each line of the box (the rotation's angular speed the second) stands inside its face, clear of the border.
    for (const auto* line : {&w.View->Channel(0).ValueLineGeometry, &w.View->Channel(0).SecondLineGeometry}) {
      if ((*line)[2] <= (*line)[0]) continue;
      EXPECT_GE((*line)[1], laid.Top + 4) << "indicator line top";
      EXPECT_LE((*line)[3], laid.Bottom - 4) << "indicator line bottom";
    }
    // The indicator's value with its decimals and unit, as the box draws them.
    const auto indicator_shows = [&](const char* where) {
      const double shown = Indicator(w);
      EXPECT_NEAR(shown, c.reads, c.within) << where;
      const std::string& face = w.View->Channel(0).IndicatorShownFace;
      EXPECT_NE(face.find(FaceText(IndicatorValueText(shown, c.decimals).Text) + FaceText(c.unit)), std::string::npos)
          << where << ": " << shown << " " << w.View->Channel(0).Unit;
      if (c.title != nullptr) {
        EXPECT_EQ(w.View->GraphTitle, c.title) << where;
      }
    };
    indicator_shows("indicator");
    if (c.second != 0.0) {
      EXPECT_NEAR(Indicator(w, 1), c.second, c.second_within) << "second indicator";
    }
    RecordFor(w, c.seconds);
    std::uint32_t samples = 0;
    {
      std::lock_guard lock(w.View->ViewLock);
      samples = w.View->SampleCount;
    }
    // The time runs with the bus: the seconds recorded are the samples at the record's rate.
    EXPECT_NEAR(samples / static_cast<double>(w.View->RecordRate), (bus.NowUs() - recording_started_us) * 1e-6, 0.5);
    Key(w, platform::key::kSpace);
    clock.ReleaseBus();
    Until([&] {
      std::lock_guard lock(w.View->ViewLock);
      return w.View->Recording.load() == 0 && w.View->RecordViewable != 0;
    });
    // The whole record fitted to the screen, and a marker in its middle.
    Click(75013);
    for (int k = 0; k < 5; ++k) rig->Step(40);
    const PixelRect plot = w.View->PlotRect;
    const int x = plot.Left - 1 + (w.View->FirstShownColumn + w.View->LastShownColumn) / 2;
    for (const platform::MouseKind kind : {platform::MouseKind::Move, platform::MouseKind::RightDown, platform::MouseKind::RightUp}) {
      rig->host.Window().DeliverMouse(kind, {x, (plot.Top + plot.Bottom) / 2},
                                      kind == platform::MouseKind::RightDown ? platform::kMouseRight : 0u);
      rig->host.Pump();
    }
    rig->Step(40);
    // A second marker a little further on: the rate stays, and the row between the two says so.
    for (const platform::MouseKind kind : {platform::MouseKind::Move, platform::MouseKind::RightDown, platform::MouseKind::RightUp}) {
      rig->host.Window().DeliverMouse(kind, {x + 5, (plot.Top + plot.Bottom) / 2},
                                      kind == platform::MouseKind::RightDown ? platform::kMouseRight : 0u);
      rig->host.Pump();
    }
    rig->Step(40);
    GraphView& view = *w.View;
    {
      std::lock_guard lock(view.ViewLock);
      ASSERT_NE(view.Markers[0].Set, 0);
      EXPECT_NEAR(view.Markers[0].Values[0], c.reads, c.within) << "marker";
      EXPECT_NE(view.Markers[0].ValueCaptions[0].find(" " + std::string(c.unit)), std::string::npos)
          << view.Markers[0].ValueCaptions[0];
      const auto differences = view.DifferenceRowTexts(0, 1);
      ASSERT_FALSE(differences.empty());
      ASSERT_EQ(differences.front().Channel, 0u);
      const std::string& row = differences.front().Value;
      const std::string begins = *c.difference != 0 ? std::string(c.difference) : view.Channel(0).Symbol + "=";
      EXPECT_EQ(row.substr(0, begins.size()), begins) << row;
    }
    // Saved through File as a record, text and a sheet: the middle row of each sensor read reads its rate.
    const std::filesystem::path file = folder.path / ("rec" + std::to_string(++record));
    for (const int filter : {1, 2, 3}) {
      rig->host.DialogAnswers.push_back({file.string(), filter});
      w.MenuNotification(0, 2, view);
      rig->host.Pump();
    }
    const std::string text = ReadFile(std::filesystem::path(file).replace_extension(".txt"));
    const std::string sheet = ReadFile(std::filesystem::path(file).replace_extension(".xls"));
    for (const auto& [k, reads, within] : {std::tuple{std::size_t{0}, c.reads, c.within}, std::tuple{std::size_t{1}, c.second, c.second_within}}) {
      if (reads == 0.0) continue;
      for (const auto& [rows, what] : {std::pair{TextColumn(text, k + 1), ".txt"}, std::pair{SheetColumn(sheet, static_cast<std::uint16_t>(k + 1)), ".xls"}}) {
        ASSERT_FALSE(rows.empty()) << what << " channel " << k;
        EXPECT_NEAR(rows[rows.size() / 2], reads, within) << what << " middle row of channel " << k;
      }
    }
    // The ".out" loaded again from the File menu: the record reads as it did.
    const std::string out = std::filesystem::path(file).replace_extension(".out").string();
    rig->host.DialogAnswers.push_back({out, 1});
    w.MenuNotification(0, 1, *w.View);
    Until([&] { return w.View->RecordName == std::filesystem::path(out).filename().string(); });
    Click(75013);
    for (int k = 0; k < 5; ++k) rig->Step(40);
    indicator_shows("loaded");
  }
}

// A measurement's rate is one every unit in it keeps, whichever screen set it last: entering the
// measurement (the lead sensor's default), the rate slider, a record of another rate opened and
// then Start, leaving and entering again. The seconds recorded are the bus's.
TEST_F(RateSensors, MeasurementRateIsOneEveryUnitInItKeeps) {
  const struct {
    const char* units;
    std::size_t left_out;   // the last units prepared but unticked
    std::uint32_t entered;  // Hz on entering
    std::uint32_t fastest;  // the slider's 25 kHz as the units keep it
  } cases[] = {
      {"auto:kind=77:square=0,4095,10", 0, 10000, 25000},
      {"auto:kind=77:square=0,4095,10;auto:kind=35/3:sine=512,300,1.2", 0, 1000, 1000},
      {"auto:kind=35/3:sine=512,300,1.2;auto:kind=77:square=0,4095,10", 0, 1000, 1000},
      {"auto:kind=77:square=0,4095,10;auto:kind=35/3:sine=512,300,1.2", 1, 10000, 25000},
      {"auto:kind=64:const=1500;auto:kind=35/3:sine=512,300,1.2", 0, 1000, 1000},
      {"auto:kind=77:square=0,4095,10;auto:kind=64:const=1500", 0, 1000, 25000},
  };
  apptest::Folder folder("measurement-rate");
  const auto record = [&](MainWindow& w, std::uint32_t rate, const char* what) {
    StartRecording(w);
    RecordFor(w, 1.0);
    std::uint32_t samples = 0;
    {
      std::lock_guard lock(w.View->ViewLock);
      samples = w.View->SampleCount;
    }
    EXPECT_EQ(w.View->RecordRate, rate) << what;
    EXPECT_NEAR(samples / static_cast<double>(w.View->RecordRate), (bus.NowUs() - recording_started_us) * 1e-6, 0.3) << what;
    Key(w, platform::key::kSpace);
    clock.ReleaseBus();
    Until([&] { return w.View->Recording.load() == 0 && w.View->RecordViewable != 0; });
  };
  // A record of the rotation sensor alone, at its own 10 kHz.
  const std::filesystem::path other = folder.path / "other.out";
  {
    MainWindow& w = Open("auto:kind=77:square=0,4095,10");
    Measure(w);
    record(w, 10000, "the rotation alone");
    rig->host.DialogAnswers.push_back({other.string(), 1});
    w.MenuNotification(0, 2, *w.View);
    rig->host.Pump();
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.units);
    MainWindow& w = Open(c.units);
    Press(w, 75163);
    Until([&] { return parts->Panel->Box1.Shown != 0 && parts->Panel->Steps.StepPending == 0; });
    Measure(w, true, c.left_out);
    EXPECT_EQ(w.View->RateSetting, c.entered) << "entered";
    auto* slider = dynamic_cast<StickButton*>(FindMainControl(w.Window(), 75008));
    ASSERT_NE(slider, nullptr);
    slider->SetValue(25.0f);
    w.OnButtonPress(0, 0, 75008);
    EXPECT_EQ(w.View->RateSetting, c.fastest) << "the slider";
    // The record opened shows at its own rate; Start records at the measurement's.
    rig->host.DialogAnswers.push_back({other.string(), 1});
    w.MenuNotification(0, 1, *w.View);
    rig->host.Pump();
    ASSERT_EQ(w.View->RecordRate, 10000u) << "opened";
    record(w, c.fastest, "after a record opened");
    // Back on the start screen and in again: the sensors' rate again, as the units in it keep it.
    Key(w, platform::key::kEscape);
    Until([&] { return w.Bytes.InfoScreenActive.load() != 0 && w.MeasureButtonReady == 1; });
    Press(w, 75172);
    ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
    EXPECT_EQ(w.View->RateSetting, c.entered) << "entered again";
    record(w, c.entered, "entered again");
  }
}

TEST_F(RateSensors, PulseReadsItsBeatsPerMinuteOnItsPageAndWhileRecording) {
  for (const bool english : {false, true}) {
    // 1.2 beats a second: 72 a minute.
    MainWindow& w = Open("auto:kind=35:sine=2048,1000,1.2", english);
    Press(w, 75163);
    ASSERT_EQ(parts->Panel->ScreenNumber(), InfoPanel::kPreparation);
    const ValueInputBox& box = parts->Panel->Box1;
    Until([&] { return box.Shown != 0 && parts->Panel->Steps.StepPending == 0; });
    // Three five-second windows; the page takes the reading with the samples that follow.
    RunBus(16.0);
    // The device worker may still be taking the samples the bus has sent, and the page's first
    // readings count fewer beats: the reading settles on the rate as the samples come.
    clock.ReleaseBus();
    Until([&] { return std::abs(box.Value - 72.0) <= 2.0; });
    EXPECT_NEAR(box.Value, 72.0, 2.0) << english;
    EXPECT_EQ(box.Unit, english ? "bpm" : "уд.мин");

    Measure(w, true);
    StartRecording(w);
    RecordFor(w, 16.0);
    EXPECT_NEAR(Indicator(w), 72.0, 2.0) << english;
    clock.ReleaseBus();
    Key(w, platform::key::kSpace);
  }
}

TEST_F(RateSensors, BreathingCountsBreathsWhateverTheReadBatchesInIndicatorRecordAndExport) {
  const struct {
    double per_minute;
    std::size_t chunk;  // bytes the unit hands over at a time; 0: as produced
    bool english;
  } cases[] = {{15.0, 0, false}, {18.0, 64, true}, {30.0, 1000, false}, {15.0, 2000, true}};
  for (const auto& c : cases) {
    const std::string hz = std::to_string(c.per_minute / 60.0);
    MainWindow& w = Open("auto:kind=40:sine=2048,1200," + hz, c.english);
    bus.SetChunkBytes(bus.Units()[0], c.chunk);
    // The page chooses the rate, and the graph takes it; the page reads it too, its unit whole.
    Press(w, 75163);
    ASSERT_EQ(parts->Panel->ScreenNumber(), InfoPanel::kPreparation);
    const ValueInputBox& box = parts->Panel->Box1;
    Until([&] { return box.Shown != 0; });
    EXPECT_EQ(w.Bytes.BreathingDisplayMode.load(), 1);
    RunBus(16.0);
    clock.ReleaseBus();
    Until([&] { return std::abs(box.Value - c.per_minute) <= 4.0; });
    EXPECT_NEAR(box.Value, c.per_minute, 4.0) << c.per_minute << " " << c.chunk;
    EXPECT_EQ(box.Unit, c.english ? "cycle/min" : "цикл/мин");
    Measure(w, true);
    StartRecording(w);
    // Two seconds into the second 15-second step; the record is a timed one of 20 seconds.
    RecordFor(w, 17.0);
    const double shown = Indicator(w);
    EXPECT_EQ(w.View->Recording.load(), 1);
    EXPECT_NEAR(shown, c.per_minute, 4.0) << c.per_minute << " " << c.chunk;
    clock.ReleaseBus();
    Until([&] {
      std::lock_guard lock(w.View->ViewLock);
      return w.View->Recording.load() == 0 && w.View->RecordViewable != 0;
    });

    std::lock_guard lock(w.View->ViewLock);
    const GraphView& view = *w.View;
    const records::SaveRange range{0, view.Channel(0).CodeCount};
    const std::vector<std::uint8_t> file = records::WriteBinaryRecord(view, range);
    const records::BinaryRead read = records::ReadBinaryRecord(records::MemorySource(file), view.SampleCapacity);
    ASSERT_EQ(read.Outcome, records::ReadOutcome::Loaded);
    const std::vector<std::uint16_t>& history = read.Record.Channels[0].History;
    // Twenty seconds: the first step and the one after it.
    const std::uint32_t count = read.Record.Channels[0].Settings.HistoryCount;
    ASSERT_GE(count, 1u);
    for (std::uint32_t i = 0; i <= count && i < history.size(); ++i) {
      EXPECT_NEAR(history[i], c.per_minute, 4.0) << c.per_minute << " entry " << i;
    }
    const std::vector<double> rows = TextRows(records::WriteTextRecord(view, range, false));
    ASSERT_GE(rows.size(), 1u);
    for (const double row : rows) EXPECT_NEAR(row, c.per_minute, 4.0) << c.per_minute << " " << c.chunk;
  }
}

TEST_F(RateSensors, RadioactivityShowsThePulsesCountedInItsWindow) {
  // Two pulses a second: the 40-second window's count grows by two a second.
  MainWindow& w = Open("auto:kind=37:square=0,2000,2");
  Measure(w);
  StartRecording(w);
  RunBus(30.0);
  const double shown = Indicator(w);
  float entry = 0.0f;
  std::uint32_t samples = 0;
  {
    std::lock_guard lock(w.View->ViewLock);
    entry = w.View->Channel(0).RateDetector.Entry(0);
    samples = w.View->Channel(0).CodeCount;
  }
  clock.ReleaseBus();
  Key(w, platform::key::kSpace);
  EXPECT_NEAR(shown, 2.0 * samples / 1000.0, 4.0);
  EXPECT_NEAR(shown, entry, 2.0);
}

TEST_F(RateSensors, FlowVolumeGrowsAsTheIntegralOfTheFlow) {
  const std::int16_t code = 1500;
  MainWindow& w = Open("auto:kind=48:const=1500");
  Measure(w);
  {
    std::lock_guard lock(w.View->ViewLock);
    w.View->Channel(0).VolumeOn = 1;
  }
  const float flow = LookupFlow(code, nullptr);
  ASSERT_GT(flow, 0.0f);
  StartRecording(w);
  double volumes[2] = {};
  for (int k = 0; k < 2; ++k) {
    RecordFor(w, 4.0 * (k + 1));
    const double volume = volumes[k] = Indicator(w);
    std::uint32_t samples = 0;
    {
      std::lock_guard lock(w.View->ViewLock);
      samples = w.View->Channel(0).CodeCount;
    }
    // The flow in ml/s times the seconds recorded, within the samples a tick may be behind.
    EXPECT_NEAR(volume, flow * samples / 125.0, flow * 0.5);
  }
  EXPECT_GT(volumes[1], volumes[0] + 3.0 * flow);
  clock.ReleaseBus();
  Key(w, platform::key::kSpace);
}

}  // namespace
