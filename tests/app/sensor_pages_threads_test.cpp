// The start side on the simulated bus with real workers, as a user meets it: typing a reference value into a
// temperature page, the captions once no unit is left, the hovered unit's page, and the help panel's pages.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "app/preparation_steps.h"
#include "app/start_screen_parts.h"
#include "app_test_support.h"
#include "pages_fixture.h"
#include "channels/vessamor_channel.h"
#include "controls/aimage_button.h"
#include "fast_clock.h"
#include "resources/bitmaps.h"
#include "resources/picture_elements.h"
#include "resources/string_table.h"
#include "sim/unit_list.h"

namespace {

namespace key = platform::key;

platform::WindowPoint Centre(const platform::WindowRect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class SensorPages : public apptest::PagesFixture {
 protected:
  // The sensor of button `n` chosen and ticked, then the measurement screen.
  void Measure(MainWindow& w, std::size_t n) {
    Press(w, 75163 + static_cast<std::int32_t>(n));
    {
      std::lock_guard lock(w.Devices->TableLock);
      w.SlotBinder->MarkSlotForDevice(*w.Devices->DeviceTable[n]);
    }
    w.RefreshDevices(1);
    w.UpdateMeasureButton();
    Press(w, 75172);
    ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
  }
  // Red minus blue of the window a tenth into `r`, halfway down: a caption's panel beside its text.
  int Redness(const platform::WindowRect& r) {
    const platform::Colour c = Pixel({r.left + r.Width() / 10, (r.top + r.bottom) / 2});
    return c.r - c.b;
  }
  std::vector<platform::Colour> Picture(const platform::WindowRect& r) {
    std::vector<platform::Colour> at;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) at.push_back(Pixel({x, y}));
    return at;
  }
  platform::Colour Pixel(platform::WindowPoint at) { return rig->host.Window().Pixels().GetPixel(at.x, at.y); }
};

TEST_F(SensorPages, TemperatureValueBoxTakesATypedReferenceThroughRepaints) {
  MainWindow& w = Open("wired:15/1063:const=2000");  // a temperature sensor held at one temperature
  Press(w, 75163);
  ASSERT_EQ(Panel().ScreenNumber(), InfoPanel::kPreparation);
  ASSERT_TRUE(Panel().IsTemperatureSensor());
  ValueInputBox& box = Panel().Box1;
  Until([&] { return box.Shown != 0 && Panel().Steps.StepPending == 0; });
  const float live = box.Value;
  Click(w, Centre(box.Rect));
  // The box stays open, caret and no value, through the page's repaints and steps; the keys reach it.
  Run(40);
  const std::vector<platform::Colour> open = Picture(box.Rect);
  Run(600);
  EXPECT_EQ(box.EditState, 1);
  EXPECT_TRUE(Picture(box.Rect) == open);
  for (unsigned k : {unsigned{'2'}, unsigned{'5'}, key::kPeriod, unsigned{'5'}, key::kBackspace}) w.OnKeyDown(k, 1, 0);
  Run(600);
  EXPECT_EQ(box.Text, "25.");
  EXPECT_EQ(box.EditState, 2);
  // Enter finishes: the next step takes the value over as what the channel reads now, and the box
  // shows the live value again, which is that value.
  w.OnKeyDown(key::kEnter, 1, 0);
  Until([&] { return box.EditState == 0; });
  EXPECT_TRUE(box.Channel->ZeroOffsetOn);
  EXPECT_NEAR(box.Channel->ZeroOffset, live - 25.0f, 0.2f);
  Run(400);
  EXPECT_NEAR(box.Value, 25.0f, 0.02f);
  EXPECT_EQ(box.Text, FormatFixed(box.Value, static_cast<int>(box.Decimals)));
}

TEST_F(SensorPages, CaptionsSayNoSensorsOnceTheLastUnitIsUnplugged) {
  for (const bool english : {false, true}) {
    MainWindow& w = Open("", english);
    const AImageButton& caption = *FindImageButton(w.Window(), 75171);
    const auto says = [&](const AImageButton& b, int id) { return b.Caption() == LoadString(id, w.UiLanguage); };
    const std::vector<sim::UnitId> units = bus.Units();
    for (sim::UnitId id : units) bus.Unplug(id);
    Until([&] { return says(caption, kStringNoSensors); });
    Run(300);
    EXPECT_GT(Redness(caption.Rect()), 40);
    sim::AttachUnit(bus, sim::DefaultUnits()[0]);
    Until([&] { return says(caption, kStringSensorsConnected); });
    Run(300);
    EXPECT_LT(Redness(caption.Rect()), 0);
    // On the measurement screen the sensor menu's caption.
    Measure(w, 0);
    const AImageButton& menu = *FindImageButton(w.Window(), 75011);
    EXPECT_TRUE(says(menu, kStringSensors));
    for (sim::UnitId id : bus.Units()) bus.Unplug(id);
    Until([&] { return says(menu, kStringNoSensorsShort); });
    sim::AttachUnit(bus, sim::DefaultUnits()[1]);
    Until([&] { return says(menu, kStringSensors); });
  }
}

TEST_F(SensorPages, HelpTurnsThreePagesOrFourFromTheSensorsPageWithoutARecord) {
  const struct {
    const char* units;
    std::vector<std::int32_t> pages;
  } cases[] = {{"", {0, 1, 2, 0}}, {"auto:kind=39", {3, 0, 1, 2, 3}}};
  for (const auto& c : cases) {
    MainWindow& w = Open(c.units);
    Measure(w, 0);
    Press(w, 75186);
    ASSERT_EQ(w.Help.Shown, 1);
    ASSERT_EQ(w.View->RecordViewable, 0);
    Run(100);
    const platform::WindowRect panel = w.Help.Rect;
    const std::vector<platform::Colour> first = Picture(panel);
    for (std::size_t k = 0; k < c.pages.size(); ++k) {
      EXPECT_EQ(w.Help.Page, c.pages[k]) << c.units << k;
      // Each turn shows another page until the first comes round again.
      EXPECT_EQ(Picture(panel) == first, k == 0 || k + 1 == c.pages.size()) << c.units << k;
      Click(w, Centre(w.Help.NextRect));
      Run(100);
    }
  }
}

TEST_F(SensorPages, HoveredWirelessAccelerometerShowsItsOwnPage) {
  MainWindow& w = Open("auto:kind=7/3");
  rig->host.Window().DeliverMouse(platform::MouseKind::Move, Centre(w.Controls.SensorButtons[0]->Rect()), 0);
  Until([&] { return Panel().ScreenNumber() == InfoPanel::kSensorInformation; });
  Run(100);
  EXPECT_STREQ(Panel().Heading.Text(1), "Датчик ускорения 1.5g беспроводной");
  const TextBlock& body = Panel().Body;
  EXPECT_NE(std::string(body.Text(body.Count() - 1)).find("1 кГц"), std::string::npos);
  const platform::Surface* wireless = w.Bitmap(PictureElementResource(35));
  const platform::Surface* wired = w.Bitmap(PictureElementResource(33));
  ASSERT_EQ(Panel().Picture2, wireless);
  // Halfway down the drawing, the wired unit's cable leaves the picture's left edge; the wireless one has none.
  const int y = wired->Height() * kSensorDrawingPercent / 200;
  EXPECT_NE(wired->GetPixel(1, y), wireless->GetPixel(1, y));
}

}  // namespace
