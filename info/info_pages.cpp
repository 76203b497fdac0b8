// The page builders chosen by sensor code; until a kind's own pages exist every code shows the 3.3 V voltage pages.
#include "info/info_pages.h"

#include <algorithm>
#include <array>
#include <initializer_list>

#include "info/info_panel.h"

namespace {

// Codes served by one builder; the first code of a row names the group.
const std::initializer_list<std::initializer_list<std::uint16_t>> kSharedGroups = {
    {3, 72}, {4, 54}, {9, 68, 69, 70, 71}, {10, 66, 67}, {14, 88}, {26, 85, 86, 87}, {33, 80},
    {34, 76}, {43, 74}, {44, 78, 79}, {52, 57}, {53, 83}, {64, 65}, {73, 77}};
constexpr std::array<std::uint16_t, 36> kSingleCodes = {1,  2,  5,  6,  7,  8,  11, 12, 13, 16, 17, 18,
                                                        20, 21, 22, 23, 25, 27, 29, 30, 31, 32, 35, 36,
                                                        37, 38, 39, 40, 41, 42, 45, 46, 48, 59, 75, 84};
constexpr std::uint16_t kOwnInformationOnly = 28;

struct Bilingual {
  const char* Ru;
  const char* En;
  const char* In(bool english) const { return english ? En : Ru; }
};

constexpr Bilingual kInfoLead = {"    Для проведения подготовки к работе нажмите на кнопку",
                                 "    To provide training to work click on button"};
constexpr Bilingual kVoltageTitle = {"Датчик напряжения 3.3V", "Sensor voltage 3.3V"};
constexpr Bilingual kVoltageTitleTwo = {"Датчик напряжения 2x3.3V", "Sensor voltage 2x3.3V"};
constexpr Bilingual kSpecifications = {"Технические характеристики:", "Specifications:"};
constexpr Bilingual kVoltageRange = {" диапазон  3.3V", " range  3.3V"};
constexpr Bilingual kVoltageError = {" основная погрешность  2%", " basic error  2%"};
constexpr Bilingual kRate25k = {" частота опроса датчика до 25кГц", " sampling rate up to 25kHz"};
constexpr Bilingual kRate200k = {" частота опроса датчика до 200кГц", " sampling rate up to 200кГц"};
constexpr Bilingual kVoltagePreparation = {"Подготовка датчика напряжения 3.3V к работе",
                                           "Preparation of the sensor voltage 3.3V to work"};
constexpr Bilingual kVoltagePreparationTwo = {"Подготовка датчика напряжения 2x3.3V к работе",
                                              "Preparation of the sensor voltage 2x3.3V to work"};
constexpr std::array<Bilingual, 3> kVoltageSteps = {{
    {"Порядок подготовки датчика к работе :", "Order of preparing the sensor to work :"},
    {" - включите датчик в измерительную цепь и ", " - turn on the sensor measuring circuit"},
    {"   нажмите кнопку «Проведение измерений».", "   and then click «Measurements»"},
}};
constexpr Bilingual kConnectFirst = {"Для проведения измерений", "For the measurements,"};
constexpr Bilingual kConnectSecond = {"подключите датчик к USB-порту компьютера", "connect the sensor to the USB-port"};
constexpr Bilingual kChooseSensor = {"Выберите датчик для измерений", "Select a sensor for measuring"};

// The unit family whose voltage sensor samples at up to 200 kHz.
constexpr std::uint8_t kFastUnitType = 7;

void DefaultInformationPage(InfoPanel& panel, bool clear_catalogue) {
  const bool en = panel.English();
  const double base = panel.BaseFontSize;
  panel.Heading.Clear(true);
  panel.Body.Clear(clear_catalogue);
  panel.Heading.LineCount = 0;
  panel.Heading.SetLine(0, kInfoLead.In(en), base * 0.95);
  panel.Heading.SetLine(1, (panel.SensorCode == 51 ? kVoltageTitleTwo : kVoltageTitle).In(en), base * 1.3);
  panel.Body.LineCount = 0;
  panel.Body.SetLine(0, kSpecifications.In(en), 1.0);
  panel.Body.SetLine(1, kVoltageRange.In(en), 1.0);
  panel.Body.SetLine(2, kVoltageError.In(en), 1.0);
  panel.Body.SetLine(3, (panel.UnitType() == kFastUnitType ? kRate200k : kRate25k).In(en), 1.0);
  panel.Body.StyleFlags[2] = 1;
  panel.Extra.LineCount = 0;
}

void DefaultPreparationPage(InfoPanel& panel) {
  const bool en = panel.English();
  panel.Heading.Clear(true);
  panel.Body.Clear(true);
  panel.Heading.LineCount = 0;
  panel.Heading.SetLine(0, (panel.SensorCode == 51 ? kVoltagePreparationTwo : kVoltagePreparation).In(en),
                        panel.BaseFontSize * 1.2);
  panel.Body.LineCount = 0;
  for (std::size_t i = 0; i < kVoltageSteps.size(); ++i) {
    panel.Body.SetLine(static_cast<std::int32_t>(i), kVoltageSteps[i].In(en), 1.0);
  }
  panel.Body.StyleFlags[2] = 1;
  panel.Extra.LineCount = 0;
}

}  // namespace

std::uint16_t PageGroupOf(std::uint16_t code, bool preparation) {
  if (code == kOwnInformationOnly) return preparation ? 0 : code;
  if (std::ranges::find(kSingleCodes, code) != kSingleCodes.end()) return code;
  for (const auto& group : kSharedGroups) {
    if (std::ranges::find(group, code) != group.end()) return *group.begin();
  }
  return 0;
}

// Every group shows the default pages until its own builder is written; the group is chosen here
// so that a new builder only adds a case.
void BuildInformationPage(InfoPanel& panel, bool clear_catalogue) {
  switch (PageGroupOf(panel.SensorCode, false)) {
    default: DefaultInformationPage(panel, clear_catalogue); break;
  }
}

void BuildPreparationPage(InfoPanel& panel) {
  switch (PageGroupOf(panel.SensorCode, true)) {
    default: DefaultPreparationPage(panel); break;
  }
}

void BuildStartHeading(InfoPanel& panel, bool unit_connected) {
  const bool en = panel.English();
  panel.Heading.Clear(true);
  panel.Heading.LineCount = 0;
  if (!unit_connected) {
    panel.Heading.SetLine(0, kConnectFirst.In(en), panel.BaseFontSize * 1.2);
    panel.Heading.SetLine(1, kConnectSecond.In(en), panel.BaseFontSize * 1.2);
  } else {
    panel.Heading.SetLine(0, kChooseSensor.In(en), panel.BaseFontSize * 1.3);
  }
}

const char* BreathingOptionText(int option, bool english) {
  static constexpr std::array<Bilingual, 2> kOptions = {{
      {"Измерение частоты дыхания", "Breathing rate measurement"},
      {"Измерение времени задержки дыхания", "Breath-holding time measurement"},
  }};
  return kOptions[option == 0 ? 0 : 1].In(english);
}
