// Every sensor kind the simulated bus presents, fed a known signal and taken the way a teacher does:
// its page opened, the measurement screen entered, a recording made, a marker set and the record
// exported. The page's boxes, the indicator while recording, the marker caption and the last ".txt"
// row all read the kind's conversion of the code fed (or the rate a rate kind derives), and the
// value axis is named with the kind's own symbol and unit.
//
// Kinds the bus cannot present, so left out of the table: 15, 19, 24, 28, 58 and 60 to 63 (no
// description identifies as them), 47, 49, 50, 55, 56, 81 and 82 (codes the set-up writes for the
// channels of kinds 45, 48, 52, 57 and 80, which the table covers), and 59 (its type-6 unit sends no
// samples: nothing to read).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "channels/conversions.h"
#include "channels/vessamor_channel.h"
#include "info/info_panel.h"
#include "records/text_record.h"
#include "review_rig.h"

namespace {

// One box of a page: the conversion of the code fed (none for a channel the program derives from the
// others, whose value is left unread), and the value axis's name in Russian and English; a rate
// counted in the signal it plots has the signal's axis, named by its own names.
struct Quantity {
  RawToValueFnType Convert;
  const char* NameRu;
  const char* NameEn;
  const char* AxisRu = nullptr;
  const char* AxisEn = nullptr;
};

struct KindCase {
  const char* Id;       // the unit as the simulator's list names it
  const char* Signal;   // what every channel of the unit is fed
  std::int16_t Code;    // the code a channel receives from it (a constant's, or 0 for a rate kind)
  std::vector<Quantity> Boxes;
  double Seconds = 1.0;  // recorded
  // A rate kind shows the rate it derives instead: `Rate`, or `Rate` per second recorded when `Grows`.
  double Rate = -1.0;
  bool Grows = false;
  double RateTolerance = 0.0;
  // The optical density's page walks the detector's calibration first: its box reads the detector.
  bool PageReadsValue = true;
};

constexpr Quantity Volts10{Volts10FromCode12, "U,В", "U,V"};
constexpr Quantity Volts50{Volts50FromCode12, "U,В", "U,V"};
constexpr Quantity Celsius(RawToValueFnType f) { return {f, "T,°C", "T,°C"}; }
constexpr Quantity KiloPascal(RawToValueFnType f) { return {f, "P,кПа", "P,kPa"}; }
constexpr Quantity MilliAmps(RawToValueFnType f) { return {f, "I,мА", "I,mA"}; }
constexpr Quantity Signal(RawToValueFnType f) { return {f, "Y", "Y"}; }
// A distance that stands still: no speed, no acceleration.
float Still(std::int16_t, const VessamorChannel*) { return 0.0f; }
constexpr Quantity Speed{Still, "v,м/с", "v,m/s"};
constexpr Quantity Acceleration{Still, "a,м/с^2", "a,m/s^2"};
constexpr Quantity Magnitude{nullptr, "As,м/с^2", "As,m/s^2"};

// A constant of 2600 (a little above the middle of a 12-bit code) unless a kind needs another.
const std::vector<KindCase> kKinds = {
    {"kind=0", "const=2600", 2600, {{VoltsFromCode12, "U,В", "U,V"}}},
    {"kind=1", "const=2600", 2600, {Celsius(LookupTable4096)}},
    {"kind=2", "const=2600", 2600, {Celsius(LookupTemp2Code12)}},
    {"kind=3", "const=2600", 2600, {Celsius(LookupTemp3Code12)}},
    {"kind=4", "const=2600", 2600, {Celsius(LookupTemp4Code12)}},
    {"kind=5", "const=2600", 2600, {{PhFromCode12, "pH,ед.", "pH,units"}}},
    {"kind=6", "const=2600", 2600, {{ConductivityMsFromCode12, "G,мСм/см", "G,mS/cm"}}},
    {"kind=7", "const=2600", 2600,
     {{Accel15FromCode12, "Ax,м/с^2", "Ax,m/s^2"}, {Accel15FromCode12, "Ay,м/с^2", "Ay,m/s^2"},
      {Accel15FromCode12, "Az,м/с^2", "Az,m/s^2"}, Magnitude}},
    {"kind=8", "const=2600", 2600,
     {{Accel6FromCode12, "Ax,м/с^2", "Ax,m/s^2"}, {Accel6FromCode12, "Ay,м/с^2", "Ay,m/s^2"},
      {Accel6FromCode12, "Az,м/с^2", "Az,m/s^2"}, Magnitude}},
    {"kind=9", "const=2600", 2600, {Volts10}},
    {"kind=10", "const=2600", 2600, {{Current2FromCode12, "I,А", "I,A"}}},
    {"kind=11", "const=2600", 2600, {Volts10, {Current2FromCode12, "I,А", "I,A"}}},
    {"kind=12", "const=2600", 2600, {KiloPascal(Pressure12FromCode12)}},
    {"kind=13", "const=2600", 2600, {KiloPascal(Pressure13FromCode12)}},
    {"kind=14", "const=2600", 2600, {{MagFieldFromCode12, "B,мТл", "B,mT"}}},
    {"kind=16", "const=2600", 2600, {Volts50}},
    {"kind=17", "const=2600", 2600, {MilliAmps(Current20FromCode12)}},
    {"kind=18", "const=2600", 2600, {MilliAmps(Current200FromCode12)}},
    {"kind=20", "const=2600", 2600, {Volts10, MilliAmps(Current20FromCode12)}},
    {"kind=21", "const=2600", 2600, {Volts10, MilliAmps(Current200FromCode12)}},
    {"kind=22", "const=2600", 2600, {Volts50, MilliAmps(Current20FromCode12)}},
    {"kind=23", "const=2600", 2600, {Volts50, MilliAmps(Current200FromCode12)}},
    {"kind=25", "const=2600", 2600,
     {{Angle1800FromCode12, "Ф,град", "F,°"}, {Angle372FromCode12, "Ф,град", "F,°"}}},
    {"kind=26", "const=2600", 2600, {KiloPascal(Pressure26FromCode12)}},
    {"kind=27", "const=2600", 2600, {{HumidityFromCode12, "RH,%", "RH,%"}}},
    {"kind=29", "const=2600", 2600, {{ConductivityMsFromCode12, "G,мСм/см", "G,mS/cm"}}},
    {"kind=30", "const=2600", 2600, {{ConductivityUsFromCode12, "G,мкСм/см", "G,µS/cm"}}},
    {"kind=31", "const=2600", 2600, {{Angle372FromCode12, "А,град", "A,degr"}}},
    {"kind=32", "const=2600", 2600, {{IlluminanceLowFromCode12, "E,лк", "E,lx"}}},
    {"kind=33", "const=2600", 2600, {{IlluminanceHighFromCode12, "E,лк", "E,lx"}}},
    // Density and turbidity read 0 until the page's calibration or zero gives them a reference.
    {"kind=34", "const=2600", 2600, {{OpticalDensityFromCode, "D", "D"}}, 1.0, -1.0, false, 0.0, false},
    // 1.2 beats a second, wired and wireless.
    {"kind=35", "sine=2048,1000,1.2", 0, {{nullptr, "Y,уд.мин", "Y,bpm", "Y", "Y"}}, 16.0, 72.0, false, 2.0},
    {"kind=35/3", "sine=512,250,1.2", 0, {{nullptr, "Y,уд.мин", "Y,bpm", "Y", "Y"}}, 16.0, 72.0, false, 2.0},
    {"kind=36", "const=2600", 2600, {{MagField36FromCode12, "B,мТл", "B,mT"}}},
    // Two pulses a second, all counted while the window is still filling.
    {"kind=37", "square=0,2000,2", 0, {{nullptr, "Y,мкР/ч", "Y,mkR/h", "Y", "Y"}}, 10.0, 2.0, true, 4.0},
    {"kind=38", "const=2600", 2600, {Signal(Fraction38FromCode12)}},
    {"kind=39", "const=2600", 2600, {{BloodPressureFromCode12, "P,мм рт.ст.", "P,mm Hg"}}},
    // 18 breaths a minute, counted in whole breaths of each 15-second step.
    {"kind=40", "sine=2048,1200,0.3", 0, {{nullptr, "Y,цикл/мин", "Y,cycle/min", "Y", "Y"}}, 17.0, 18.0, false, 4.0},
    {"kind=41", "const=2600", 2600, {Signal(FractionFromCode12)}},
    {"kind=42", "const=2600", 2600, {Volts10, Volts10}},
    {"kind=43", "const=2600", 2600, {Signal(FractionFromCode12)}},
    {"kind=44", "const=2600", 2600, {Signal(FractionFromCode12)}},
    {"kind=45", "const=2600", 2600, {{LookupGasVolume, "V,мл", "V,ml"}, Celsius(LookupTemp46)}},
    {"kind=46", "const=2600", 2600, {Celsius(LookupTemp46)}},
    {"kind=48", "const=2600", 2600, {{LookupFlow, "Q,мл/сек", "Q,ml/s"}}},
    {"kind=51", "const=2600", 2600, {{VoltsFromCode12, "U,В", "U,V"}, {VoltsFromCode12, "U,В", "U,V"}}},
    {"kind=52", "const=2600", 2600, {{LookupDistance, "S,мм", "S,mm"}, Speed, Acceleration}},
    {"kind=53", "const=2600", 2600, {{ForceFromCode12, "F,Н", "F,N"}}},
    {"kind=54", "const=2600", 2600, {Celsius(LookupTemp54)}},
    {"kind=57", "const=2600", 2600, {{DistanceFromEchoCode, "S,мм", "S,mm"}, Speed, Acceleration}},
    // The event timer's echo takes five counts a code: the channel records the counts.
    {"kind=64", "const=1500", 7500, {{DistanceCmFromCode, "D,см", "D,sm"}}},
    {"kind=65", "const=1500", 7500, {{DistanceCmFromCode, "D,см", "D,sm"}}},
    {"kind=66", "const=2600", 2600, {{LookupCurrent66, "I,А", "I,A"}}},
    {"kind=67", "const=2600", 2600, {MilliAmps(LookupCurrent67)}},
    {"kind=68", "const=2600", 2600, {{Volts108FromCode12, "U,В", "U,V"}}},
    {"kind=69", "const=2600", 2600, {{Volts27FromCode12, "U,В", "U,V"}}},
    {"kind=70", "const=2600", 2600, {{Volts2p7FromCode12, "U,В", "U,V"}}},
    {"kind=71", "const=2600", 2600, {{Volts0p27FromCode12, "U,В", "U,V"}}},
    {"kind=72", "const=2600", 2600, {Celsius(LookupTemp72)}},
    // Ten pulses a second: a twentieth of a revolution each on the slow sensor, a quarter on the fast one.
    {"kind=73", "square=0,4000,10", 0, {{nullptr, "Y,об/сек", "Y,rev/s"}}, 2.0, 0.5, false, 0.05},
    {"kind=74", "const=2600", 2600, {Signal(FractionFromCode10)}},
    {"kind=75", "const=2600", 2600, {{ElectrodeVoltsFromCode12, "U,В", "U,V"}}},
    {"kind=76", "const=2600", 2600, {{TurbidityFromCode12, "мутность,FNU", "Y"}}},
    {"kind=77", "square=0,4000,10", 0, {{nullptr, "Y,об/сек", "Y,rev/s"}}, 2.0, 2.5, false, 0.2},
    {"kind=78", "const=2600", 2600, {Signal(FractionFromCode12), Signal(SoundFromCode12)}},
    {"kind=79", "const=2600", 2600, {Signal(FractionFromCode12), Signal(FractionFromCode12)}},
    {"kind=80", "const=2600", 2600,
     {{IlluminanceFromCode12, "E,лк", "E,lx"}, {IlluminanceKlxFromCode12, "E,клк", "E,klx"}}},
    {"kind=83", "const=2600", 2600, {{Force83FromCode12, "F,Н", "F,N"}}},
    {"kind=84", "const=2600", 2600, {{AtmPressureFromCode12, "P,мм рт.ст.", "P,mm"}}},
    {"kind=85", "const=2600", 2600, {KiloPascal(Pressure85FromCode12)}},
    {"kind=86", "const=2600", 2600, {KiloPascal(Pressure86FromCode12)}},
    {"kind=87", "const=2600", 2600, {KiloPascal(Pressure87FromCode12)}},
    {"kind=88", "const=2600", 2600, {{MagFieldFromCode12, "B,мТл", "B,mT"}, {MagFieldFromCode12, "B,мТл", "B,mT"}}},
};

void PrintTo(const KindCase& c, std::ostream* out) { *out << c.Id << ":" << c.Signal; }

class EveryKind : public ::testing::TestWithParam<KindCase> {
 protected:
  // The check `what` of this row, with what the window showed when it fails.
  void Check(const std::string& what, bool ok, const std::string& seen) {
    if (!ok) ADD_FAILURE() << what << ": " << seen;
  }
  void Near(const std::string& what, double shown, double wanted, double tolerance) {
    std::ostringstream seen;
    seen << "shows " << shown << ", the conversion gives " << wanted;
    Check(what, std::abs(shown - wanted) <= tolerance, seen.str());
  }
};

// The numbers of a ".txt" record's last row of values, time first.
std::vector<double> LastRow(const std::string& text) {
  std::vector<double> last;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] < '0' || line[0] > '9') continue;
    std::istringstream row(line);
    std::vector<double> numbers;
    for (double x = 0.0; row >> x;) numbers.push_back(x);
    last = numbers;
  }
  return last;
}

TEST_P(EveryKind, ReadsItsConversionOnItsPageIndicatorMarkerExportAndAxis) {
  const KindCase& c = GetParam();
  // Alternate rows in English, so both languages' axis names are read.
  const auto row_at = std::find_if(kKinds.begin(), kKinds.end(), [&](const KindCase& k) { return std::string(k.Id) == c.Id; });
  const bool english = (row_at - kKinds.begin()) % 2 == 1;
  apptest::ReviewRig rig(1366, 768, english, std::string("auto:") + c.Id + ":" + c.Signal, 0, true);
  rig.IndicatorsOnRigClock();
  GraphView& view = rig.View();
  InfoPanel& panel = *rig.Parts().Panel;

  // What box k should read where the value is taken at `seconds` into the record.
  const auto wanted = [&](std::size_t k, double seconds) -> double {
    if (c.Rate >= 0.0) return c.Grows ? c.Rate * seconds : c.Rate;
    const Quantity& q = c.Boxes[k];
    std::lock_guard lock(view.ViewLock);
    return q.Convert(c.Code, &view.Channel(k));
  };
  // A derived quantity's value is not read; its axis name is.
  const auto read = [&](std::size_t k) { return c.Rate >= 0.0 || c.Boxes[k].Convert != nullptr; };
  const auto tolerance = [&](std::size_t k) {
    if (c.Rate >= 0.0) return c.RateTolerance;
    std::lock_guard lock(view.ViewLock);
    return std::pow(10.0, -static_cast<double>(view.Channel(k).Decimals)) + 1e-4;
  };

  // The page, its boxes reading for a second of the bus's time.
  rig.Press(75163);
  ASSERT_EQ(panel.ScreenNumber(), InfoPanel::kPreparation);
  rig.Until([&] { return panel.Box1.Shown != 0 && panel.Steps.StepPending == 0; });
  const double page_seconds = c.Rate >= 0.0 ? c.Seconds : 1.0;
  // Until the page has taken those samples, or the bus has sent them and some more.
  sim::Bus& bus = sim::Bus::Instance();
  const std::int64_t sent = bus.NowUs() + static_cast<std::int64_t>((page_seconds + 1.0) * 1e6);
  rig.Until([&] { return rig.Samples() >= page_seconds * view.RateSetting || bus.NowUs() >= sent; });
  const ValueInputBox* boxes[] = {&panel.Box1, &panel.Box2};
  const std::size_t page_boxes = std::min<std::size_t>(c.Boxes.size(), panel.ButtonSet == 2 ? 2 : 1);
  const auto page_value = [&](std::size_t k) {
    std::lock_guard lock(view.ViewLock);
    return static_cast<double>(boxes[k]->Value);
  };
  // The page refreshes its boxes as the worker brings the samples, which a busy machine does late:
  // the boxes are read once they agree, or after a watchdog against hangs only.
  const auto watchdog = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  for (bool agree = false; !agree && std::chrono::steady_clock::now() < watchdog;) {
    rig.Step(20);
    agree = true;
    for (std::size_t k = 0; k < page_boxes; ++k) {
      if (read(k) && c.PageReadsValue) agree = agree && std::abs(page_value(k) - wanted(k, page_seconds)) <= tolerance(k);
    }
  }
  for (std::size_t k = 0; k < page_boxes; ++k) {
    if (read(k) && c.PageReadsValue) Near("page box " + std::to_string(k + 1), page_value(k), wanted(k, page_seconds), tolerance(k));
  }

  // Prepared, on the measurement screen, recording.
  rig.EnterMeasureScreen(true);
  std::vector<double> indicators;
  rig.Record(c.Seconds, [&] {
    for (std::size_t k = 0; k < c.Boxes.size(); ++k) indicators.push_back(rig.Indicator(k));
  });
  for (std::size_t k = 0; k < indicators.size(); ++k) {
    if (read(k)) Near("indicator " + std::to_string(k + 1), indicators[k], wanted(k, c.Seconds), tolerance(k));
  }

  // A marker two thirds along the columns the stopped record shows.
  const platform::WindowRect plot = rig.Plot();
  int column = 0;
  {
    std::lock_guard lock(view.ViewLock);
    column = view.FirstShownColumn + (view.LastShownColumn - view.FirstShownColumn) * 2 / 3;
  }
  rig.Click(platform::MouseButton::Right, plot.left + column - 1, (plot.top + plot.bottom) / 2);
  rig.Screen();
  ASSERT_NE(view.Markers[0].Set, 0);
  ASSERT_NE(view.Markers[0].Drawn, 0);
  const MarkerRecord& marker = view.Markers[0];
  for (std::size_t k = 0; k < c.Boxes.size(); ++k) {
    // "symbol=value unit", the symbol and unit those of the axis's name.
    const std::string name = english ? c.Boxes[k].NameEn : c.Boxes[k].NameRu;
    const std::string symbol = name.substr(0, name.find(','));
    const std::string unit = name.find(',') == std::string::npos ? "" : name.substr(name.find(',') + 1);
    const std::string& caption = marker.ValueCaptions[k];
    const bool framed = caption.rfind(symbol + "=", 0) == 0 && caption.size() >= unit.size() &&
                        caption.compare(caption.size() - unit.size(), unit.size(), unit) == 0;
    Check("marker caption " + std::to_string(k + 1), framed, caption);
    if (read(k)) {
      const double value = framed ? std::atof(caption.c_str() + symbol.size() + 1) : NAN;
      Near("marker " + std::to_string(k + 1), value, wanted(k, marker.Times[k]), tolerance(k));
    }
  }

  // The export's last row: its time, then each channel's value.
  std::string text;
  {
    std::lock_guard lock(view.ViewLock);
    text = records::WriteTextRecord(view, {0, view.Channel(0).CodeCount}, english);
  }
  const std::vector<double> row = LastRow(text);
  // A counting kind exports one row a counting window; a shorter record has none.
  if (!c.Grows) {
    ASSERT_FALSE(row.empty()) << text.substr(0, 400);
  }
  for (std::size_t k = 0; k < c.Boxes.size() && !row.empty(); ++k) {
    if (!read(k)) continue;
    const bool there = row.size() > k + 1;
    Near(".txt " + std::to_string(k + 1), there ? row[k + 1] : NAN, wanted(k, row[0]), tolerance(k));
  }

  // The value axis named for each quantity.
  rig.Host().Window().Invalidate();
  rig.Screen();
  // A name the channels of one column share is written once; the kinds' columns stand in their own order.
  const auto distinct = [](std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
  };
  std::vector<std::string> names;
  for (const Quantity& q : c.Boxes) {
    const char* axis = english ? q.AxisEn : q.AxisRu;
    names.push_back(axis != nullptr ? axis : english ? q.NameEn : q.NameRu);
  }
  std::ostringstream seen;
  for (const std::string& name : view.ValueNames) seen << '"' << name << "\" ";
  Check("axis", distinct(view.ValueNames) == distinct(names), seen.str());
}

INSTANTIATE_TEST_SUITE_P(Kinds, EveryKind, ::testing::ValuesIn(kKinds), [](const auto& info) {
  std::string name = info.param.Id + 5;
  for (char& ch : name) ch = ch == '/' ? 'w' : ch;
  return "k" + name;
});

}  // namespace


