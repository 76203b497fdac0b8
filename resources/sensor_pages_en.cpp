// The English page records of the sensor kinds that have English pages, and the start page's English texts.
#include "resources/sensor_pages.h"

#include <array>

namespace pages {
namespace {

using K = PageKind;
using Lines = std::array<const char*, kMaxBodyLines>;

constexpr const char* kSpec = "Specifications:";
constexpr const char* kOrder = "Order of preparing the sensor to work :";
constexpr const char* kRate25 = " sampling rate up to 25kHz";
constexpr const char* kRate10 = " sampling rate up to 10 kHz";
constexpr const char* kMeasure = " - click «Measurements».";
constexpr const char* kThenMeasure = "   click «Measurements»;";
constexpr const char* kSetZero = " - click «Set 0»;";
constexpr const char* kDisconnect = " - disconnect the sensor from the circuit;";
constexpr const char* kShort = " - short-circuit the sensor's input terminals;";
constexpr const char* kReconnect = " - open the terminals, connect the sensor;";
constexpr const char* kError1 = " basic error  1%";
constexpr const char* kError2 = " basic error  2%";
constexpr const char* kAirOff = " - disconnect the sensor from the air line;";
constexpr const char* kAirOn = " - connect the sensor to the air line;";
constexpr const char* kAbsolute = " - absolute pressure needs no preparation:";
constexpr const char* kIncrement = " - to measure a change of pressure";
constexpr const char* kIncrementZero = "   click «Set 0»,";
constexpr const char* kIncrementThen = "   then «Measurements».";
constexpr const char* kTempFree = " - temperature needs no preparation:";
constexpr const char* kTempDelta = " - to measure its change, place the sensor";
constexpr const char* kTempZero = "   in the medium and click «Set 0».";
constexpr const char* kRinse = " - rinse the electrode with distilled water;";
constexpr const char* kAway = " - keep the sensor away from magnets;";
constexpr const char* kShortVoltage = " - short-circuit the voltage inputs;";
constexpr const char* kConnect = " - connect the sensor to the circuit;";
constexpr const char* kShortTwo = " - short-circuit the inputs of both channels;";
constexpr const char* kTempAggressive1 = "sensor designed to measure the temperature of a chemically";
constexpr const char* kTempAggressive2 = " aggressive liquids and gases.";

constexpr Lines kFiveSteps = {kOrder, kDisconnect, kShort, kSetZero, kReconnect, kMeasure};
constexpr Lines kPressureSteps = {kOrder, kAirOff, kSetZero, kAirOn, kMeasure};
constexpr Lines kAbsoluteSteps = {kOrder, kAbsolute, kThenMeasure, kIncrement, kIncrementZero, kIncrementThen};
constexpr Lines kTempSteps = {kOrder, kTempFree, kThenMeasure, kTempDelta, kTempZero};
constexpr Lines kHotSteps = {kOrder, kSetZero, " - place the sensor in the medium;", kMeasure};
constexpr Lines kTwoChannelSteps = {kOrder, kDisconnect, kShortVoltage, kSetZero, kConnect, kMeasure};

const PageRecord kPages[] = {
    {{0}, K::Information, "Sensor voltage 3.3V", nullptr, 1.3,
     {kSpec, " range  3.3V", kError2, " sampling rate up to 25kHz"}, false, true, 0.95, nullptr, nullptr, nullptr,
     " sampling rate up to 200кГц"},
    {{0}, K::Preparation, "Preparation of the sensor voltage 3.3V to work", nullptr, 1.2,
     {kOrder, " - turn on the sensor measuring circuit", "   and then click «Measurements»"}},
    {{51}, K::Information, "Sensor voltage 2x3.3V", nullptr, 1.3,
     {kSpec, " range  3.3V", kError2, " sampling rate up to 25kHz"}, false, true, 0.95, nullptr, nullptr, nullptr,
     " sampling rate up to 200кГц"},
    {{51}, K::Preparation, "Preparation of the sensor voltage 2x3.3V to work", nullptr, 1.2,
     {kOrder, " - turn on the sensor measuring circuit", "   and then click «Measurements»"}},

    {{10}, K::Information, "Sensor current ±2A", nullptr, 1.3,
     {kSpec, " range  ±2 A", " resolution  1 mA", kError2, kRate25}},
    {{66}, K::Information, "Sensor current ±2.5А", nullptr, 1.3,
     {kSpec, " range  ±2.5 A", " resolution  1.25 mA", kError2, kRate25}},
    {{67}, K::Information, "Sensor current ±0.25А", nullptr, 1.3,
     {kSpec, " range  ±0.25 A", " resolution  0.125 mA", kError2, kRate25}},
    {{10}, K::Preparation, "Preparation of the sensor current ±2А to work", nullptr, 1.2, kFiveSteps},
    {{66}, K::Preparation, "Preparation of the sensor current ±2.5А to work", nullptr, 1.2, kFiveSteps},
    {{67}, K::Preparation, "Preparation of the sensor current ±0.25А to work", nullptr, 1.2, kFiveSteps},
    {{17}, K::Information, "Sensor current ±20mA", nullptr, 1.3,
     {kSpec, " range  ±20 mA", " resolution  0.01 mA", kError2, kRate25}},
    {{17}, K::Preparation, "Preparation of the sensor current ±20mA to work", nullptr, 1.2, kFiveSteps},
    {{18}, K::Information, "Sensor current ±200mA", nullptr, 1.3,
     {kSpec, " range  ±200 mA", " resolution  0.1 mA", kError2, kRate25}},
    {{18}, K::Preparation, "Preparation of the sensor current ±200mA to work", nullptr, 1.2, kFiveSteps},

    {{9}, K::Information, "Sensor voltage ±10V", nullptr, 1.3,
     {kSpec, " range  ±10 V", " resolution  5 mV", kError1, kRate25}},
    {{68}, K::Information, "Sensor voltage ±100V", nullptr, 1.3,
     {kSpec, " range  ±100 V", " resolution  50 mV", kError1, kRate25}},
    {{69}, K::Information, "Sensor voltage ±25V", nullptr, 1.3,
     {kSpec, " range  ±25 V", " resolution  12.5 mV", kError1, kRate25}},
    {{70}, K::Information, "Sensor voltage ±2.5V", nullptr, 1.3,
     {kSpec, " range  ±2.5 V", " resolution  1.25 mV", kError1, kRate25}},
    {{71}, K::Information, "Sensor voltage ±0.25V", nullptr, 1.3,
     {kSpec, " range  ±0.25 V", " resolution  0.125 mV", kError1, kRate25}},
    {{9}, K::Preparation, "Preparation of the sensor voltage ±10V to work", nullptr, 1.2, kFiveSteps},
    {{68}, K::Preparation, "Preparation of the sensor voltage ±100V to work", nullptr, 1.2, kFiveSteps},
    {{69}, K::Preparation, "Preparation of the sensor voltage ±25V to work", nullptr, 1.2, kFiveSteps},
    {{70}, K::Preparation, "Preparation of the sensor voltage ±2.5V to work", nullptr, 1.2, kFiveSteps},
    {{71}, K::Preparation, "Preparation of the sensor voltage ±0.25V to work", nullptr, 1.2, kFiveSteps},
    {{16}, K::Information, "Sensor voltage ±50V", nullptr, 1.3,
     {kSpec, " range  ±50 V", " resolution  25 mV", kError1, kRate25}},
    {{16}, K::Preparation, "Preparation of the sensor voltage ±50V to work", nullptr, 1.2, kFiveSteps},

    {{13}, K::Information, "Relative pressure sensor 100kPa", nullptr, 1.2,
     {kSpec, " range  0...100 kPa", " resolution  0.1 kPa", " gas temperature  10° to 60°C", kError2,
      " pressure limit  200 kPa", kRate25}},
    {{13}, K::Preparation, "Preparation of", " the relative pressure sensor 100kPa to work", 1.2, kPressureSteps},
    {{12}, K::Information, "Relative pressure sensor ±100kPa", nullptr, 1.2,
     {kSpec, " range  ±100 kPa", " resolution  0.1 kPa", " gas temperature  10° to 60°C", kError2,
      " pressure limit  200 kPa", kRate25}},
    {{12}, K::Preparation, "Preparation of", " the relative pressure sensor ±100kPa to work", 1.2, kPressureSteps},
    {{26}, K::Information, "Absolute pressure sensor 200kPa", nullptr, 1.2,
     {kSpec, " range  0...200 kPa", " resolution  0.1 kPa", kError2, " pressure limit  400 kPa", kRate25}},
    {{85}, K::Information, "Absolute pressure sensor 200kPa", nullptr, 1.2,
     {kSpec, " range  15...700 kPa", " resolution  0.5 kPa", " basic error  3%", kRate25}},
    {{86}, K::Information, "Absolute pressure sensor 200kPa", nullptr, 1.2,
     {kSpec, " range  15...115 kPa", " resolution  0.05 kPa", kError2, kRate25}},
    {{87}, K::Information, "Absolute pressure sensor 200kPa", nullptr, 1.2,
     {kSpec, " differential range  0...200 kPa", " resolution  0.1 kPa", kError2, " pressure limit  300 kPa", kRate25}},
    {{26}, K::Preparation, "Preparation of", " the absolute pressure sensor 200kPa to work", 1.2, kAbsoluteSteps},
    {{85}, K::Preparation, "Preparation of", " the absolute pressure sensor 700kPa to work", 1.2, kAbsoluteSteps},
    {{86}, K::Preparation, "Preparation of", " the absolute pressure sensor 115kPa to work", 1.2, kAbsoluteSteps},
    {{87}, K::Preparation, "Preparation of", " the differential pressure sensor 200kPa to work", 1.2,
     {kOrder, " - a pressure difference needs no preparation:", kThenMeasure, kIncrement, kIncrementZero,
      kIncrementThen}},

    // The ±100 mT titles stand at the base size: the bare cleared size falls below the lead line's on
    // large screens, and the heading's closer pitch then runs the two lines into each other.
    {{14}, K::Information, "Magnetic field sensor ± 100mT", nullptr, 1.0,
     {kSpec, " range  ±100 mT", " resolution  0.1 mT", " basic error  ±5 mT", kRate25}},
    {{88}, K::Information, "Magnetic field sensor ± 100mT", nullptr, 1.0,
     {kSpec, " two channels, range  ±100 mT", " resolution  0.1 mT", " basic error  ±5 mT", kRate25}},
    {{14, 88}, K::Preparation, "Preparation of the magnetic field sensor ±100mT to work", nullptr, 1.0,
     {kOrder, kAway, kSetZero, kMeasure}},
    {{36}, K::Information, "Magnetic field sensor ± 1mT", nullptr, 1.3,
     {kSpec, " range  ±1 mT", " resolution  1 µT", " basic error  5%", kRate25}},
    {{36}, K::Preparation, "Preparation of the magnetic field sensor ±1mT to work", nullptr, 1.0,
     {kOrder, kAway, " - hold the sensor as it will stand in the test;", kSetZero, kMeasure}},

    {{31}, K::Information, "Angle sensor ±360°", nullptr, 1.3,
     {kSpec, " range  ±360°", " resolution  0.1°", " basic error  ±2°", " dead band  up to 10°", kRate25}},
    {{31}, K::Preparation, "Preparation of the angle sensor ±360° to work", nullptr, 1.2,
     {kOrder, " - mind the dead band: near 360° readings", "   are not exact (up to 10°);",
      " - turn the shaft to its starting position;", kSetZero, kMeasure},
     false, false},

    {{27}, K::Information, "Humidity sensor", nullptr, 1.3,
     {kSpec, " range  10% to 98%", " resolution  1%", " basic error  8%", kRate25}},
    {{27}, K::Preparation, "Preparation of the humidity sensor to work", nullptr, 1.2,
     {kOrder, " - air the sensor for 1-2 minutes;", " - humidity needs no preparation:", kThenMeasure,
      " - to measure a change of humidity", kIncrementZero, kIncrementThen}},

    {{1}, K::Information, "Temperature sensor -5...+105°С", nullptr, 1.3,
     {kSpec, " range  -5...+105°C", " resolution  0.1°", " basic error  ±1°", kRate25}},
    {{1}, K::Preparation, "Preparation of", " the temperature sensor -5...+105°С to work", 1.15, kTempSteps,
     false, false},
    {{2}, K::Information, "Temperature sensor -20...+110°С", nullptr, 1.3,
     {kSpec, " range  -20...+110°C", " resolution  0.1°", " basic error  ±1°", kRate25}},
    {{2}, K::Preparation, "Preparation of", " the temperature sensor -20...+110°С to work", 1.15, kTempSteps,
     false, false},
    {{3}, K::Information, "Temperature sensor -50...+150°С", nullptr, 1.3,
     {kTempAggressive1, kTempAggressive2, kSpec, " range  -50...+150°C", " resolution  0.1°", " basic error  ±1°",
      kRate25}},
    {{72}, K::Information, "Temperature sensor -50...+180°С", nullptr, 1.3,
     {kTempAggressive1, kTempAggressive2, kSpec, " range  -50...+180°C", " resolution  0.1°", " basic error  ±1°",
      kRate25}},
    {{3}, K::Preparation, "Preparation of", " the temperature sensor -50...+150°С to work", 1.15, kTempSteps,
     false, false},
    {{72}, K::Preparation, "Preparation of", " the temperature sensor -50...+180°С to work", 1.15, kTempSteps,
     false, false},
    {{4}, K::Information, "Temperature sensor -50...+1000°С", nullptr, 1.3,
     {kSpec, " range  -50...+1000°C", " resolution  1°", " basic error  ±10°", kRate25}},
    {{54}, K::Information, "Temperature sensor +15...125°С", nullptr, 1.3,
     {kSpec, " range  +15...+125°C", " resolution  1°", " basic error  ±10°", kRate25}},
    {{4}, K::Preparation, "Preparation of", " the temperature sensor -50...+1000°С to work", 1.15, kHotSteps,
     false, false},
    {{54}, K::Preparation, "Preparation of", " the temperature sensor +15...125°С to work", 1.15, kHotSteps,
     false, false},

    {{5}, K::Information, "pH sensor", nullptr, 1.3,
     {kSpec, " range  0 to 14 pH", " resolution  0.01 pH", " basic error  ±0.2 pH", kRate25}},
    {{5}, K::Preparation, "Preparation of the pH sensor to work", nullptr, 1.2,
     {kOrder, " - read the sensor's data sheet;", " - remove the cap, rinse the electrode", "   with distilled water;",
      " - immerse the electrode in the solution;", kMeasure},
     false, false},
    {{29}, K::Information, "Conductivity sensor 5mS/sm", nullptr, 1.25,
     {kSpec, " range  0...5 mS/cm", " resolution  1 µS/cm", kError2, kRate25}},
    {{29}, K::Preparation, "Preparation of the conductivity sensor 5mS/sm to work", nullptr, 1.0,
     {kOrder, kRinse, kSetZero, " - immerse the electrode in the solution", "   and stir it;", kMeasure}, false,
     false},
    {{30}, K::Information, "Conductivity sensor 0.1mS/sm", nullptr, 1.3,
     {kSpec, " range  0...100 µS/cm", " resolution  0.1 µS/cm", kError2, kRate25}},
    {{30}, K::Preparation, "Preparation of the conductivity sensor 0.1mS/sm to work", nullptr, 1.0,
     {kOrder, kRinse, kSetZero, " - immerse the electrode in the solution", "   and stir it;", kMeasure}, false,
     false},

    {{11}, K::Information, "Sensor voltage ±10V and current ±2A", nullptr, 1.25,
     {kSpec, " range  ±10V ±2A", " basic error  1% (U), 2% (I)", " sampling rate up to 25kHz"}},
    {{20}, K::Information, "Sensor voltage ±10V and current ±20mA", nullptr, 1.2,
     {kSpec, " range  ±10V ±20mA", " basic error  1% (U), 2% (I)", " sampling rate up to 25kHz"}},
    {{21}, K::Information, "Sensor voltage ±10V and current ±200mA", nullptr, 1.2,
     {kSpec, " range  ±10V ±200mA", " basic error  1% (U), 2% (I)", " sampling rate up to 25kHz"}},
    {{22}, K::Information, "Sensor voltage ±50V and current ±20mA", nullptr, 1.2,
     {kSpec, " range  ±50V ±20mA", " basic error  1% (U), 2% (I)", " sampling rate up to 25kHz"}},
    {{23}, K::Information, "Sensor voltage ±50V and current ±200mA", nullptr, 1.2,
     {kSpec, " range  ±50V ±200mA", " basic error  1% (U), 2% (I)", " sampling rate up to 25kHz"}},
    {{11}, K::Preparation, "Preparation of the sensor voltage ±10V and current ±2A to work", nullptr, 0.9,
     kTwoChannelSteps},
    {{20}, K::Preparation, "Preparation of the sensor voltage ±10V and current ±20mA to work", nullptr, 0.85,
     kTwoChannelSteps},
    {{21}, K::Preparation, "Preparation of the sensor voltage ±10V and current ±200mA to work", nullptr, 0.85,
     kTwoChannelSteps},
    {{22}, K::Preparation, "Preparation of the sensor voltage ±50V and current ±20mA to work", nullptr, 0.85,
     kTwoChannelSteps},
    {{23}, K::Preparation, "Preparation of the sensor voltage ±50V and current ±200mA to work", nullptr, 0.85,
     kTwoChannelSteps},
    {{42}, K::Information, "Sensor voltage ±10V and ±10V", nullptr, 1.3,
     {kSpec, " two channels  ±10V", kError1, kRate10},
     false, true, 0.95, nullptr, nullptr, nullptr, " sampling rate up to 100 kHz"},
    {{42}, K::Preparation, "Preparation of the sensor voltage ±10V and ±10V to work", nullptr, 1.0,
     {kOrder, kDisconnect, kShortTwo, kSetZero, kConnect, kMeasure}},

    {{32}, K::Information, "Light sensor 600lx", nullptr, 0.95,
     {kSpec, " range  0...600 lx", " resolution  0.2 lx", " basic error  10%", kRate25}},
    {{32}, K::Preparation, "Preparation of the light sensor 600lx to work", nullptr, 1.2,
     {kOrder, " - cover the sensor's window;", kSetZero, " - uncover the window;", kMeasure}},
    {{33}, K::Information, "Light sensor 6000lx", nullptr, 0.95,
     {kSpec, " range  0...6000 lx", " resolution  2 lx", " basic error  10%", kRate25}},
    {{80}, K::Information, "Light sensor", nullptr, 0.95,
     {kSpec, " range 1  6000lx", " range 2  150000lx", " basic error  10%", kRate25}},
    {{33}, K::Preparation, "Preparation of the light sensor 6000lx to work", nullptr, 1.2,
     {kOrder, " - cover the sensor's window;", kSetZero, " - uncover the window;", kMeasure}},
    {{80}, K::Preparation, "Preparation of the light sensor to work", nullptr, 1.2,
     {kOrder, " - cover the sensor's windows;", kSetZero, " - uncover the windows;", kMeasure}},
    {{34}, K::Information, "Optical density sensor", nullptr, 1.3,
     {kSpec, " range  D at least 2", " emission maxima of the four types:", "   590, 525, 475 and 405 nm", kRate25}},
    {{34}, K::Preparation, "Preparation of the optical density sensor to work", nullptr, 1.2,
     {kOrder, " - fill the cuvette with the solution", "   and put it into the sensor;",
      " - with a cuvette of clear water and the", "   «Backlight» on, enter the signal without",
      "   absorption;", " - put the sample cuvette back;", kMeasure},
     false, false},
    // The turbidity sensor keeps its Russian title and range in English.
    {{76}, K::Information, "Датчик мутности", nullptr, 1.3,
     {kSpec, " диапазон измерения: от 1 до 200 FNU (FTU, ЕМФ);", kRate25}},

    {{35}, K::Information, "Pulse sensor", nullptr, 1.3,
     {kSpec, " range  40...140 beats per minute", " clip on the ear lobe or a finger", kRate25}, false, true, 0.95,
     "Pulse sensor wireless", "sampling rate sensor 1kHz"},
    {{35}, K::Preparation, "Preparation of the pulse sensor to work", nullptr, 1.2,
     {kOrder, " - clip the sensor on the ear lobe", "   or on a finger;", " - sit still, do not move;", kMeasure}},
    {{37}, K::Information, "Radioactivity sensor", nullptr, 1.3,
     {kSpec, " range  0 to 1000 µR/h", " counts beta and gamma radiation", kRate25}},
    {{37}, K::Preparation, "Preparation of the radioactivity sensor to work", nullptr, 1.0,
     {kOrder, " - measure the background without a sample;", " - place the sensor at the given",
      "   distance from the sample;", kMeasure}},
    {{38}, K::Information, "Electrocardiogram (ECG) sensor", nullptr, 1.3,
     {kSpec, " leads  I, II, III", " range  ±5 mV", kRate25}},
    {{38}, K::Preparation, "Preparation of the electrocardiogram (ECG) sensor to work", nullptr, 1.0,
     {kOrder, " - wet the skin under the electrodes with gel", "   or a 10% sodium chloride solution;",
      " - lead I: right and left arm;", " - lead II: right arm and left leg;", " - lead III: left arm and left leg;",
      " - sit still, relax the muscles;", kMeasure}},
    {{39}, K::Information, "Blood pressure sensor", nullptr, 1.3,
     {kSpec, " range  40 to 210 mm Hg", " operating temperature  10° to 35°C", kRate25}},
    {{39}, K::Preparation, "Preparation of the blood pressure sensor to work", nullptr, 1.0,
     {kOrder, " - put the cuff on the upper arm;", " - click «Measurements»;", " - pump the cuff to 160-180 mm Hg",
      "   and let the air out slowly;", " - the procedure is described in «Help»."}},
    {{40}, K::Information, "Frequency of breath sensor", nullptr, 1.3,
     {kSpec, " range  10 to 30 cycles per minute", " the belt goes round the chest", kRate25}},
    {{40}, K::Preparation, "Preparation of the frequency of breath sensor to work", nullptr, 0.98,
     {kOrder, " - fasten the sensor's belt round the chest;", " - choose the measurement below;", kMeasure}},

    {{41}, K::Information, "Position sensor (ME)", nullptr, 1.3,
     {kSpec, " reacts to a magnet on the moving body", " resolution  1 ms", kRate25}},
    {{41}, K::Preparation, "Preparation of the position sensor (ME) to work", nullptr, 1.0, {kOrder, kMeasure}},
    {{43}, K::Information, "Position sensor", nullptr, 1.3,
     {kSpec, " two channels (two light gates)", " resolution  1 ms", kRate25}},
    {{74}, K::Information, "Position sensor", nullptr, 1.3,
     {kSpec, " two channels (two light gates)", " resolution  1 ms", kRate25}},
    {{43, 74}, K::Preparation, "Preparation of the position sensor to work", nullptr, 1.0,
     {kOrder, " - set the light gates on the body's path;", kMeasure}},
    {{44}, K::Information, "Sound sensor", nullptr, 1.3,
     {kSpec, " microphone", " frequencies  100 to 10000 Hz", kRate25}, false, true, 0.95, nullptr, nullptr, nullptr,
     "sampling rate up to 100kHz"},
    {{78}, K::Information, "Sound sensor", nullptr, 1.3,
     {kSpec, " two microphones", " frequencies  100 to 10000 Hz", kRate10}, false, true, 0.95, nullptr, nullptr,
     nullptr, "sampling rate up to 100kHz"},
    {{79}, K::Information, "Sound sensor", nullptr, 1.3,
     {kSpec, " microphone with integration", " frequencies  100 to 10000 Hz", kRate10}, false, true, 0.95, nullptr,
     nullptr, nullptr, "sampling rate up to 200kHz"},
    {{44, 78, 79}, K::Preparation, "Preparation of the sound sensor to work", nullptr, 1.2,
     {kOrder, " - point the microphone at the sound source;", kMeasure}},
    {{73}, K::Information, "Rotation sensor", nullptr, 1.3,
     {kSpec, "", "", " range  0.025-20.0 rev/s (0.5-125.0 rad/s)", " resolution  0.01 rev/s", kRate25}},
    {{77}, K::Information, "Rotation sensor", nullptr, 1.3,
     {kSpec, "", "", " range  0...10 rev/s", " resolution  0.01 rev/s", kRate25}},
    {{73, 77}, K::Preparation, "Preparation of the rotation sensor to work", nullptr, 1.0,
     {kOrder, " - fix the sensor on the axis of rotation;", kMeasure}},

    {{75}, K::Information, "Sensor", nullptr, 1.3, {kSpec, " range  ±2.5V", " sampling rate 25 kHz"}},
    {{75}, K::Preparation, "Preparation of the sensor to work", nullptr, 1.2,
     {kOrder, " - short-circuit the sensor's inputs;", kSetZero, " - connect the electrodes, immerse them",
      "   in the solution under test;", kMeasure}},
    {{84}, K::Information, "Barometr", nullptr, 1.3, {kSpec, " range at least  640...840 mm Hg", kRate25}},
    {{84}, K::Preparation, "Preparation of the sensor to work", nullptr, 1.2,
     {kOrder, " - the sensor needs no preparation;", kMeasure}},
};

// Catalogue rows 1..42; the rows after them read the fallback.
constexpr const char* kCatalogue[] = {
    "- USB Sensor current ±2A",
    "- USB Sensor current ±200mA",
    "- USB Sensor current ±20mA",
    "- USB Sensor voltage ±10V",
    "- USB Sensor voltage ±50V",
    "- USB Sensor voltage ±10V and current ±2A",
    "- USB Sensor voltage ±10V and current ±20mA",
    "- USB Sensor voltage ±10V and current ±200mA",
    "- USB Sensor voltage ±50V and current ±20mA",
    "- USB Sensor voltage ±50V and current ±200mA",
    "- USB Relative pressure sensor 100kPa",
    "- USB Relative pressure sensor ±100kPa",
    "- USB Absolute pressure sensor 200kPa",
    "- USB Magnetic field sensor ±100mT",
    "- USB Magnetic field sensor ±1mT",
    "- USB Angle sensor ±360°",
    "- USB Humidity sensor",
    "- USB Temperature sensor -5...+105°C",
    "- USB Temperature sensor -50...+1000°C",
    "- USB Temperature sensor -50...+150°C",
    "        for chemically aggressive media",
    "- USB pH sensor",
    "- USB Conductivity sensor 5mS/cm",
    "- USB Conductivity sensor 0.1mS/cm",
    "- USB Light sensor 600lx",
    "- USB Light sensor 6000lx",
    "- USB Optical density sensor",
    "- USB Pulse sensor",
    "- USB Pulse sensor wireless",
    "- USB Radioactivity sensor",
    "- USB Blood pressure sensor",
    "- USB Frequency of breath sensor",
    "- USB Sensor voltage ±10V and ±10V",
    "- USB Position sensor (ME)",
    "- USB Position sensor (light gate)",
    "- USB Electrocardiogram (ECG) sensor",
    "- USB Sound sensor",
    "- USB Gas volume sensor with temperature",
    "- USB Breath sensor (spirometer)",
    "- USB Acceleration sensor 1.5g",
    "- USB Acceleration sensor 6g",
    "- USB Acceleration sensor 1.5g wireless",
};

const CommonTexts kTexts = {
    "    To provide training to work click on button",
    {nullptr, nullptr, nullptr},
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    kOrder,
    "For the measurements,",
    "connect the sensor to the USB-port",
    "Select a sensor for measuring",
    " allows you to:",
    {" - work with a wide choice of sensors;", " - automatic detection of connected sensors;",
     " - provide high accuracy;", " - the long recording measurements;", " - save files in various formats.",
     "   The laboratory has a user-friendly interface ", "    with features."},
    "Composition",
    "Contacts",
    nullptr,
    nullptr,
    {},
    "Sensor catalogue",
    kCatalogue,
    "- USB sensor",
    " ...........................",
    "Sensors detected :",
    "No sensors found",
};

}  // namespace

std::span<const PageRecord> EnglishPages() { return kPages; }
const CommonTexts& EnglishTexts() { return kTexts; }

}  // namespace pages
