// Sensor pages by code, language, unit and step; the start page's menu, catalogue scrolling and detected-sensors list.
#include "resources/sensor_pages.h"

#include <gtest/gtest.h>

#include <string>

#include "acquisition/device_manager.h"
#include "channels/main_window_services.h"
#include "info/info_pages.h"
#include "info/info_panel.h"
#include "info/start_page.h"

namespace {

class SensorPages : public ::testing::Test {
 protected:
  SensorPages() : panel(InfoPanel::kStartPage, {}) {
    panel.Owner.Bytes = &bytes;
    panel.Owner.PanelHeight = 700;
  }
  void Language(bool english) { bytes.EnglishUi = english ? 1 : 0; }
  void Unit(std::uint8_t type) {
    slot.DeviceTypeCode = type;
    slot.Device = type != 0 ? &unit : nullptr;
    panel.Slot = &slot;
  }
  std::string Text(const TextBlock& block, std::int32_t line) { return block.Text(line); }

  MainWindowBytes bytes;
  FTRecordDevice unit;
  DeviceSlot slot;
  InfoPanel panel;
};

constexpr const char* kStale = "stale";

TEST_F(SensorPages, EveryCodeLanguageUnitAndStepFillsEveryCountedLine) {
  for (int code = 0; code < 256; ++code) {
    for (bool english : {false, true}) {
      for (std::uint8_t type : {0, 3, 7}) {
        for (std::uint8_t step = 0; step <= 6; ++step) {
          for (bool preparation : {false, true}) {
            SCOPED_TRACE(testing::Message() << code << (english ? " en" : " ru") << " type " << int{type} << " step "
                                            << int{step} << (preparation ? " preparation" : " information"));
            Language(english);
            Unit(type);
            panel.Steps.StepIndex = step;
            panel.SensorCode = static_cast<std::uint16_t>(code);
            panel.SetScreen(preparation ? InfoPanel::kPreparation : InfoPanel::kSensorInformation);
            for (TextBlock* block : {&panel.Heading, &panel.Body, &panel.Extra}) block->Lines.fill(kStale);
            panel.Extra.LineCount = 5;
            preparation ? BuildPreparationPage(panel) : BuildInformationPage(panel, true);
            const std::int32_t body = panel.Body.LineCount;
            EXPECT_GE(panel.Heading.LineCount, 1);
            EXPECT_LE(panel.Heading.LineCount, 2);
            EXPECT_GE(body, preparation ? 1 : 3);
            EXPECT_LE(body, preparation ? 12 : 11);
            EXPECT_EQ(panel.Extra.LineCount, 0);
            for (const TextBlock* block : {&panel.Heading, &panel.Body}) {
              for (std::int32_t i = 0; i < block->LineCount; ++i) {
                const char* line = block->Lines[static_cast<std::size_t>(i)];
                EXPECT_TRUE(line != nullptr && line != kStale) << "line " << i;
                if (english && line != nullptr) {
                  EXPECT_EQ(std::string(line).find_first_of("\xD0\xD1"), std::string::npos) << line;  // no Cyrillic
                }
              }
            }
          }
        }
      }
    }
  }
}

TEST_F(SensorPages, TitlesAndLinesByCodeLanguageAndUnit) {
  // `line` is a heading line, or a body line when `body` is set.
  struct Case { std::uint16_t code; bool english, preparation; std::uint8_t type, wireless; std::int32_t line; bool body; const char* text; };
  const Case cases[] = {
      {0, false, false, 0, 0, 1, false, "Датчик напряжения 3.3V"},
      {89, false, true, 0, 0, 0, false, "Подготовка датчика напряжения 3.3V к работе"},
      {51, true, true, 0, 0, 0, false, "Preparation of the sensor voltage 2x3.3V to work"},
      {0, true, false, 7, 0, 3, true, " sampling rate up to 200kHz"},
      {76, true, false, 0, 0, 1, true, " range  1 to 200 FNU (FTU);"},
      {35, false, false, 0, 1, 1, false, "Датчик пульса беспроводной"},
      // The cuff is pumped as high as the help says.
      {39, false, true, 0, 0, 3, true, " - накачайте манжету до 200...220 мм рт.ст."},
      {39, true, true, 0, 0, 3, true, " - pump the cuff to 200...220 mm Hg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.code << (c.english ? " en" : " ru") << " type " << int{c.type});
    Language(c.english);
    Unit(c.type);
    panel.Wireless = c.wireless;
    panel.SensorCode = c.code;
    // A sensor's own pages: the start page's catalogue shows kinds, whatever unit a slot holds.
    panel.SetScreen(c.preparation ? InfoPanel::kPreparation : InfoPanel::kSensorInformation);
    c.preparation ? BuildPreparationPage(panel) : BuildInformationPage(panel, true);
    EXPECT_EQ(Text(c.body ? panel.Body : panel.Heading, c.line), c.text);
  }
  // The catalogue's rows are kinds: the wireless unit a slot still holds changes none of them.
  Language(false);
  Unit(3);
  panel.Wireless = 0;
  panel.SensorCode = 7;
  panel.SetScreen(InfoPanel::kStartPage);
  BuildInformationPage(panel, false);
  EXPECT_EQ(Text(panel.Heading, 1), "Датчик ускорения 1.5g");
  EXPECT_EQ(Text(panel.Body, panel.Body.LineCount - 1), " частота опроса датчика до 25 кГц");
}

TEST_F(SensorPages, AccelerationWalksSixPositions) {
  struct Case { std::uint8_t step; bool ready; char axis; std::int32_t lines; std::size_t marked_first, marked_last; };
  const Case cases[] = {{0, false, 'X', 7, 1, 2}, {1, false, 'X', 7, 3, 4}, {5, false, 'Z', 6, 3, 4},
                        {6, false, 'X', 7, 1, 2}, {0, true, 'X', 7, 6, 6},  {200, true, 'X', 7, 6, 6}};
  for (bool english : {false, true}) {
    Language(english);
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "step " << int{c.step} << (c.ready ? " ready" : ""));
      panel.SensorCode = 7;
      panel.Steps.StepIndex = c.step;
      panel.Owner.StepUnitReady = c.ready;
      BuildPreparationPage(panel);
      EXPECT_EQ(panel.Body.LineCount, c.lines);
      EXPECT_NE(Text(panel.Body, 1).find(english ? c.axis + std::string(" axis") : std::string("осью ") + c.axis), std::string::npos);
      EXPECT_EQ(Text(panel.Body, c.lines - 1), english ? " - click «Measurements»." : " - нажмите кнопку «Проведение измерений».");
      for (std::size_t i = 0; i < 7; ++i) {
        const bool marked = i >= c.marked_first && i <= c.marked_last;
        EXPECT_EQ(panel.Body.StepStyle[i], marked ? 1 : 0) << i;
        EXPECT_DOUBLE_EQ(panel.Body.FontSize[i], marked ? 1.1 * 0.9 : 0.9) << i;
      }
    }
  }
}

TEST_F(SensorPages, CatalogueScrollsThroughItsRowsAndOpensOne) {
  Language(false);
  panel.MenuSelection = 1;
  BuildStartPage(panel);
  const std::int32_t n = panel.Body.MenuLevel;
  ASSERT_GT(n, 5);
  EXPECT_EQ(panel.Body.LineCount, n + 3);
  EXPECT_EQ(Text(panel.Body, 1), "- USB Датчик силы тока ±2А");
  EXPECT_EQ(Text(panel.Body, n - 1), " ...........................");
  EXPECT_EQ(panel.Body.ColumnEnd[static_cast<std::size_t>(n)], 1);
  // The lower marker at the top: the next row comes second, under the upper marker.
  ASSERT_TRUE(SelectMenuItem(panel, static_cast<std::uint8_t>(n - 1)).Changed);
  BuildStartPage(panel);
  EXPECT_EQ(panel.Body.CatalogueFirstRow, n - 2);
  EXPECT_EQ(Text(panel.Body, 1), " ...........................");
  EXPECT_EQ(panel.Body.CatalogueRows[2], n - 1);
  // Down to the end: the last row in view and no lower marker.
  for (int page = 0; page < 10 && Text(panel.Body, panel.Body.LineCount - 4) == " ...........................";
       ++page) {
    const std::int32_t last = panel.Body.LineCount - 4;
    SelectMenuItem(panel, static_cast<std::uint8_t>(last));
    BuildStartPage(panel);
  }
  const std::int32_t k = panel.Body.CatalogueFirstRow;
  const std::int32_t shown = panel.Body.LineCount - 3;
  EXPECT_EQ(shown, 71 - k);
  // The upper marker goes back a page.
  SelectMenuItem(panel, 1);
  BuildStartPage(panel);
  EXPECT_EQ(panel.Body.CatalogueFirstRow, std::max(0, k - n + 3));
  // A row opens its kind's information page; the menu follows it and the catalogue state stays.
  const std::int32_t row_line = 3;
  const int row = panel.Body.CatalogueRows[row_line];
  SelectMenuItem(panel, row_line);
  BuildStartPage(panel);
  EXPECT_EQ(panel.SensorCode, CatalogueRowKind(row).Code);
  EXPECT_EQ(panel.Body.MenuLevel, n);
  EXPECT_EQ(Text(panel.Body, panel.Body.LineCount - 1), "Контакты");
  EXPECT_EQ(panel.Wireless, 0);
  // The same page from the sensor button clears the catalogue's count.
  BuildInformationPage(panel, true);
  EXPECT_EQ(panel.Body.MenuLevel, 0);
}

TEST_F(SensorPages, AboutAfterCatalogueIsAChange) {
  panel.MenuSelection = 1;
  const MenuChoice about = SelectMenuItem(panel, 0);
  EXPECT_TRUE(about.Changed);
  EXPECT_EQ(about.Index, 0);
  EXPECT_FALSE(SelectMenuItem(panel, 0).Changed);
}

TEST_F(SensorPages, ContactsStayRussianAndOnlyTheMenuFollowsTheLanguage) {
  for (const bool english : {false, true}) {
    Language(english);
    panel.MenuSelection = 2;
    BuildStartPage(panel);
    ASSERT_EQ(panel.Body.Count(), 19);
    for (std::int32_t i = 0; i < 16; ++i) {
      EXPECT_EQ(panel.Body.ColumnEnd[static_cast<std::size_t>(i)], 0) << i;
      EXPECT_EQ(panel.Body.CurrentStep[static_cast<std::size_t>(i)], i == 4 ? 1 : 0) << i;
    }
    EXPECT_EQ(Text(panel.Body, 0), "Приглашаем к сотрудничеству учителей и методистов,");
    EXPECT_EQ(Text(panel.Body, 15), "- найти контактные телефоны и электронные адреса");
    EXPECT_EQ(Text(panel.Body, 18), english ? "Contacts" : "Контакты");
  }
}

TEST_F(SensorPages, DetectedSensorsInBothFormatsBoundedAndNone) {
  DeviceManager devices;
  panel.Owner.Devices = &devices;
  BuildDetectedSensorsPage(panel);
  EXPECT_EQ(Text(panel.Body, 0), "Датчики не обнаружены");
  const std::string long_name(300, 'x');
  struct Unit { const char* first; std::string second; const char* model; };
  // The third line's 255th byte falls inside a letter: "ж " + 245 + "  " + two-byte letters.
  const Unit units[] = {{"датчик", "", "M1"}, {"датчик", "температуры", "M2"}, {"ж", long_name.substr(0, 245), "жжжжжж"}};
  for (std::size_t i = 0; i < 3; ++i) {
    auto unit = std::make_unique<FTRecordDevice>();
    unit->NameLine1 = units[i].first;
    unit->NameLine2 = units[i].second;
    unit->TwoLines = units[i].second.empty() ? 0 : 1;
    unit->Model = units[i].model;
    devices.DeviceTable[i] = std::move(unit);
  }
  ConnectedMask = 0b111;
  BuildDetectedSensorsPage(panel);
  ConnectedMask = 0;
  EXPECT_EQ(Text(panel.Heading, 0), "Обнаруженные датчики :");
  EXPECT_EQ(Text(panel.Body, 0), "датчик  M1");
  EXPECT_EQ(Text(panel.Body, 1), "датчик температуры  M2");
  const std::string cut = Text(panel.Body, 2);
  EXPECT_EQ(cut.size(), 254u);
  EXPECT_EQ(cut.substr(cut.size() - 2), "ж");
  EXPECT_EQ(panel.Body.StyleFlags[1], 1);
}

}  // namespace
