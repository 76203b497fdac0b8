// Every page painted headless at four screen sizes: text inside its panels, no overlaps, room for the controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "acquisition/device_manager.h"
#include "info/start_page.h"
#include "platform/gdi.h"
#include "../app/app_test_support.h"
#include "app/start_screen_parts.h"
#include "resources/sensor_pages.h"

namespace {

// The window with its controls and start screen, revealed.
struct StartScreen {
  StartScreen(int width, int height, bool english) : rig(width, height) {
    rig.Create(english, [this](MainWindow& w) { parts = InstallStartScreenParts(w); });
    for (int i = 0; i < 60; ++i) rig.Step(33);
    for (int i = 0; i < 10; ++i) rig.Step(100);
  }
  apptest::Rig rig;
  std::shared_ptr<StartScreenParts> parts;
};

struct PageCase {
  std::uint8_t screen; std::uint16_t code; std::uint8_t wireless = 0, type = 0, step = 0; bool ready = false;
  std::uint8_t menu = 0; bool unit_first = false;
};

// Every page each table holds, the unit and step variants, the menu items and the detected list.
std::vector<PageCase> Cases() {
  std::set<std::pair<std::uint8_t, std::uint16_t>> codes;
  for (auto table : {pages::RussianPages(), pages::EnglishPages()}) {
    for (const pages::PageRecord& r : table) {
      for (std::uint8_t code : r.Codes) {
        codes.insert(
            {r.Kind == pages::PageKind::Preparation ? InfoPanel::kPreparation : InfoPanel::kSensorInformation, code});
      }
    }
  }
  std::vector<PageCase> cases;
  for (const auto& [screen, code] : codes) cases.push_back({screen, code});
  for (std::uint16_t code : {7, 8, 35}) cases.push_back({InfoPanel::kSensorInformation, code, 1});
  for (std::uint16_t code : {0, 42, 44, 79}) cases.push_back({InfoPanel::kSensorInformation, code, 0, 7});
  for (std::uint8_t step = 1; step <= 5; ++step) cases.push_back({InfoPanel::kPreparation, 7, 0, 0, step});
  cases.push_back({InfoPanel::kPreparation, 8, 0, 0, 0, true});
  for (std::uint8_t menu = 0; menu < 3; ++menu) {
    for (bool unit_first : {false, true}) cases.push_back({InfoPanel::kStartPage, 0, 0, 0, 0, false, menu, unit_first});
  }
  cases.push_back({InfoPanel::kDetectedSensors, 0});
  return cases;
}

TEST(SensorPagesScreens, EveryPageFitsItsPanelAtFourSizesInBothLanguages) {
  struct Size { int width, height; };
  const std::vector<PageCase> cases = Cases();
  for (const Size& size :
       {Size{1366, 768}, Size{1920, 1080}, Size{1280, 994}, Size{1024, 600}}) {
    for (bool english : {false, true}) {
      StartScreen s(size.width, size.height, english);
      const std::string name = std::to_string(size.width) + "x" + std::to_string(size.height) + (english ? " en" : " ru");
      MainWindow& w = *s.rig.window;
      ASSERT_EQ(w.Panels[1]->ContentShown, 1);
      s.parts->RebuildInfoPanel();
      InfoPanel& panel = *s.parts->Panel;
      platform::Surface& buffer = w.BackBuffer(0);
      platform::Surface clean(buffer.Width(), buffer.Height());
      platform::Blit(clean, 0, 0, buffer.Width(), buffer.Height(), buffer, 0, 0);
      const InfoPanelOwner window_owner = panel.Owner;
      const platform::WindowRect content = window_owner.Content;
      // The start page's heading follows these tables, not the simulated bus the window searches.
      DeviceManager no_unit, one_unit;
      one_unit.DeviceTable[0] = std::make_unique<FTRecordDevice>();
      DeviceSlot slot;
      FTRecordDevice unit;
      for (const PageCase& c : cases) {
        SCOPED_TRACE(testing::Message() << name << " screen " << int{c.screen} << " code " << c.code << " wireless "
                                        << int{c.wireless} << " type " << int{c.type} << " step " << int{c.step}
                                        << " menu " << int{c.menu} << (c.unit_first ? " unit" : ""));
        platform::Blit(buffer, 0, 0, buffer.Width(), buffer.Height(), clean, 0, 0);
        panel.Owner = window_owner;
        panel.Steps.StepIndex = c.step;
        panel.Owner.StepUnitReady = c.ready;
        panel.Owner.Devices = c.unit_first ? &one_unit : &no_unit;
        slot.DeviceTypeCode = c.type;
        slot.Device = c.type != 0 ? &unit : nullptr;
        panel.Slot = &slot;
        panel.SensorCode = c.code;
        panel.Wireless = c.wireless;
        panel.MenuSelection = c.menu;
        panel.Body.MenuLevel = 0;
        panel.Body.SubSelection = 0;
        panel.PictureRect = {};
        panel.SetScreen(c.screen);
        panel.PrepareScreenPaint();
        panel.Wireless = c.wireless;
        ASSERT_TRUE(panel.RebuildScreen());

        std::vector<platform::WindowRect> boxes = panel.LineBoxes;
        // A step line is drawn twice, outline then ink.
        boxes.erase(std::unique(boxes.begin(), boxes.end()), boxes.end());
        const std::size_t heading = static_cast<std::size_t>(panel.Heading.Count());
        ASSERT_GE(boxes.size(), heading);
        const int body_top = panel.WorkRect.top;
        const int band_bottom = panel.PictureRect.IsEmpty() || c.screen == InfoPanel::kSensorInformation
                                    ? body_top
                                    : std::min(body_top, panel.PictureRect.top);
        int last_bottom = body_top;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
          const platform::WindowRect& b = boxes[i];
          EXPECT_GE(b.left, panel.WorkRect.left) << "line " << i;
          EXPECT_LE(b.right, panel.WorkRect.right) << "line " << i;
          if (i < heading) {
            EXPECT_GE(b.top, content.top) << "heading line " << i;
            EXPECT_LE(b.bottom, band_bottom - 3) << "heading line " << i;
          } else {
            EXPECT_GE(b.top, body_top) << "body line " << i;
            EXPECT_LE(b.bottom, content.bottom) << "body line " << i;
            last_bottom = std::max(last_bottom, b.bottom);
          }
          for (std::size_t j = 0; j < i; ++j) EXPECT_FALSE(b.Intersects(boxes[j])) << "lines " << j << " and " << i;
        }
        // Room for the value boxes and the action button below the steps.
        if (c.screen == InfoPanel::kPreparation) {
          panel.SetupPreparationButtons();
          EXPECT_LE(last_bottom, std::min(panel.Box1.Rect.top, panel.ButtonRect.top));
        }
        // The kind's picture and the body's lines keep apart.
        if (c.screen == InfoPanel::kSensorInformation && !panel.PictureRect.IsEmpty()) {
          for (std::size_t i = heading; i < boxes.size(); ++i) EXPECT_FALSE(boxes[i].Intersects(panel.PictureRect)) << "line " << i;
        }
      }
      // The catalogue shows two rows fewer under a two-line heading.
      EXPECT_EQ(CatalogueLineCount(window_owner.PanelHeight, window_owner.ScaleY, window_owner.AspectRatio, false) - 2,
                CatalogueLineCount(window_owner.PanelHeight, window_owner.ScaleY, window_owner.AspectRatio, true));
      panel.Owner = window_owner;
    }
  }
}

}  // namespace
