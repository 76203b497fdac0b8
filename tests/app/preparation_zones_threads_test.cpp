// A preparation page and the start page's catalogue on the simulated bus with real workers: a typed
// reference of zero, the tick boxes' hints on a measuring page and once it is left, and catalogue
// rows opened after a wireless unit's page.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "app/hint_window.h"
#include "app/preparation_steps.h"
#include "app/start_screen_parts.h"
#include "app_test_support.h"
#include "pages_fixture.h"
#include "channels/vessamor_channel.h"
#include "controls/aimage_button.h"
#include "fast_clock.h"
#include "info/start_page.h"
#include "resources/picture_elements.h"
#include "sim/unit_list.h"

namespace {

namespace key = platform::key;

platform::WindowPoint Centre(const platform::WindowRect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class PreparationZones : public apptest::PagesFixture {
 protected:
  // The first sensor's preparation page, its sensor prepared: on entry, or by `presses` of its action button.
  MainWindow& OpenPage(const std::string& units, bool english = false, int presses = 0) {
    MainWindow& w = Open(units, english);
    Press(w, 75163);
    Until([&] { return Panel().Box1.Shown != 0 && Panel().Steps.StepPending == 0; });
    for (int k = 0; k < presses; ++k) {
      RunPumped(200);
      Press(w, 75173);
      Until([&] { return Panel().Steps.StepPending == 0; });
    }
    Until([&] { return w.MeasureButtonReady == 1; });
    RunPumped(400);
    return w;
  }
  void Click(MainWindow& w, platform::WindowPoint at) {
    PagesFixture::Click(w, at);
    RunPumped(100);
  }
  void Hover(platform::WindowPoint at) {
    rig->host.Window().DeliverMouse(platform::MouseKind::Move, at, 0);
    RunPumped(1200);
  }
  // The catalogue's row `row` clicked, the list moved on by its lower marker until the row is in view.
  void ClickCatalogueRow(MainWindow& w, int row) {
    const TextBlock& body = Panel().Body;
    for (int turn = 0; turn < 10; ++turn) {
      const int n = body.MenuLevel, k = body.CatalogueFirstRow;
      ASSERT_GT(n, 3);
      for (int i = k > 0 ? 2 : 1; i < n - 1; ++i) {
        if ((k > 0 ? k - 1 + i : i) != row) continue;
        Click(w, Centre(body.LineRects[static_cast<std::size_t>(i)]));
        return;
      }
      Click(w, Centre(body.LineRects[static_cast<std::size_t>(n - 1)]));
    }
    FAIL() << "row " << row << " never came into view";
  }
};

TEST_F(PreparationZones, TypedZeroIsAReferenceLikeAnyOther) {
  // An ice bath (a signed zero too), and a reference below it: from the moment it is typed the channel
  // reads it.
  const std::pair<const char*, float> cases[] = {{"0", 0.0f}, {"-0", 0.0f}, {"-5", -5.0f}};
  for (const auto& [typed, reads] : cases) {
    SCOPED_TRACE(typed);
    MainWindow& w = OpenPage("wired:15/1063:const=2000");
    ValueInputBox& box = Panel().Box1;
    ASSERT_GT(std::fabs(box.Value - reads), 5.0f) << "the unit reads far from the reference before";
    Click(w, Centre(box.Rect));
    for (const char c : std::string(typed)) {
      w.OnKeyDown(c == ',' ? key::kComma : c == '-' ? key::kMinus : static_cast<unsigned>(c), 1, 0);
    }
    w.OnKeyDown(key::kEnter, 1, 0);
    Until([&] { return box.EditState == 0 && Panel().Steps.StepPending == 0; });
    RunPumped(600);
    EXPECT_NEAR(box.Value, reads, 0.02f);
    EXPECT_EQ(box.Text, FormatFixed(reads, static_cast<int>(box.Decimals)));
    EXPECT_NE(w.DeviceSlots[0].Prepared, 0);
    std::lock_guard lock(w.View->ViewLock);
    EXPECT_NEAR(box.Channel->SampleValue(0), reads, 0.02f);
  }
}

TEST_F(PreparationZones, TickBoxAndArrowMarkHintOnlyWhileNoPageMeasures) {
  // A preparation page measures its sensor: no hint, and its tick box takes no click. Its sensor
  // released, the information page measures nothing: both hints show.
  const struct {
    bool english, released;
    const char *tick, *arrow;
  } cases[] = {{false, false, nullptr, nullptr},
               {true, false, nullptr, nullptr},
               {false, true, "будет использоваться", "подготовлен один датчик"},
               {true, true, "will be used in measurements", "one sensor is prepared"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.english ? "English" : "Russian") + (c.released ? ", information page" : ", preparation page"));
    MainWindow& w = OpenPage("wired:15/1063:const=2000", c.english);
    ASSERT_EQ(Panel().ScreenNumber(), InfoPanel::kPreparation);
    if (c.released) {
      Press(w, 75163);
      RunPumped(200);
      ASSERT_EQ(w.View->Recording.load(), 0);
    } else {
      ASSERT_NE(w.View->Recording.load(), 0);
    }
    const AImageButton& hint = *FindImageButton(w.Window(), 75175);
    ASSERT_FALSE(w.SensorTickRects[0].IsEmpty());
    ASSERT_FALSE(w.MainTickRect.IsEmpty());
    for (const auto& [zone, says] : {std::pair{w.SensorTickRects[0], c.tick}, std::pair{w.MainTickRect, c.arrow}}) {
      Hover(Centre(zone));
      if (says == nullptr) {
        EXPECT_FALSE(hint.IsVisible()) << hint.Caption();
        continue;
      }
      ASSERT_TRUE(hint.IsVisible()) << says;
      EXPECT_NE(hint.Caption().find(says), std::string::npos) << hint.Caption();
      // The hint stands beside its zone, in the window.
      EXPECT_GE(hint.Rect().left, zone.right);
      Hover({zone.left - 60, zone.bottom + 60});
    }
    EXPECT_FALSE(hint.IsVisible());
    if (!c.released) {
      Click(w, Centre(w.SensorTickRects[0]));
      EXPECT_NE(w.Bytes.SensorPrepared[0].load(), 0) << "a click on the measuring page's tick box";
      EXPECT_EQ(Panel().ScreenNumber(), InfoPanel::kPreparation);
    }
  }
}

TEST_F(PreparationZones, CatalogueRowsShowTheirOwnKindAfterAWirelessPage) {
  const struct {
    int row;
    bool english;
    const char *title, *rate;
  } cases[] = {
      {40, false, "Датчик ускорения 1.5g", "25 кГц"},
      {28, false, "Датчик пульса", "25 кГц"},
      {29, false, "Датчик пульса беспроводной", "1 кГц"},
      {28, true, "Pulse sensor", "25kHz"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    // The wireless accelerometer laid on its six sides.
    MainWindow& w = OpenPage("auto:kind=7/3", c.english, 6);
    // On to the measurement screen and back: the start page, its catalogue and the row.
    Press(w, 75172);
    ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
    RunPumped(200);
    w.OnKeyDown(key::kEscape, 1, 0);
    Until([&] { return w.Bytes.InfoScreenActive.load() != 0 && w.StartScreenDirty == 0; });
    RunPumped(200);
    Hover({Centre(w.Panels[1]->Area).x, w.Panels[1]->Area.bottom - 5});
    ASSERT_EQ(Panel().ScreenNumber(), InfoPanel::kStartPage);
    Click(w, Centre(Panel().MenuRowRects[static_cast<std::size_t>(Panel().Body.Count() - 2)]));
    ASSERT_EQ(Panel().MenuSelection, 1);
    ClickCatalogueRow(w, c.row);
    ASSERT_TRUE(Panel().SubMenuOpen());
    const CatalogueKind kind = CatalogueRowKind(c.row);
    EXPECT_STREQ(Panel().Heading.Text(1), c.title);
    const TextBlock& body = Panel().Body;
    // The page's last line is its rate; the menu row's three items follow it.
    const std::string rate = body.Text(body.Count() - 4);
    EXPECT_NE(rate.find(c.rate), std::string::npos) << rate;
    EXPECT_EQ(Panel().Picture2, w.Bitmap(PictureElementResource(IntroPictureElement(kind.Code, 0, kind.Wireless))));
    EXPECT_STREQ(Panel().PictureCaption, c.title);
  }
}

}  // namespace
