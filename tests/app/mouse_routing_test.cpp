// Mouse routing on the headless window: mouse sequences on both screens, the hint's delay and lifetime, hint pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "app/hint_window.h"
#include "app/start_screen_parts.h"
#include "info/start_page.h"
#include "app_test_support.h"
#include "controls/aimage_button.h"
#include "layout/main_controls.h"
#include "layout/start_screen_title.h"
#include "platform/png_writer.h"
#include "resources/picture_elements.h"

namespace {

using apptest::Rig;

// The window with the start screen's parts, its panel revealed and painted.
struct StartRig : Rig {
  explicit StartRig(bool english = false) : Rig(1366, 768) {
    Create(english, [this](MainWindow& w) { parts = InstallStartScreenParts(w); });
    for (int k = 0; k < 100; ++k) Step(33);
    Paint();
  }
  void Paint() {
    window->StartScreenDirty = 1;
    window->InvalidateLocal();
    host.Window().UpdateNow();
  }
  std::shared_ptr<StartScreenParts> parts;
};

// The text ends inside the hint's window: no dark ink within 4 px of its sides.
bool TextFits(const platform::Surface& s, const platform::WindowRect& r) {
  int ink = 0;
  for (int y = r.top + 3; y < r.bottom - 3; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      const platform::Colour c = s.GetPixel(x, y);
      if (c.r < 90 && c.g < 90 && c.b < 90 && (++ink, x <= r.left + 4 || x >= r.right - 4)) return false;
    }
  }
  return ink > 0;
}

TEST(MouseRouting, HintsShowAfterASecondForTheirLifetimeAndTheirTextFits) {
  for (const bool english : {false, true}) {
    StartRig s(english);
    MainWindow& w = *s.window;
    const AImageButton* hint = FindImageButton(s.host.Window(), kHintWindowId);
    // Hidden for 999 ms, then shown with its text for `lifetime` ms.
    const auto lifecycle = [&](std::int32_t id, int lifetime) {
      s.Step(999);
      EXPECT_EQ(w.HintShown, 0);
      s.Step(1);
      ASSERT_TRUE(w.HintShown == 1 && hint->IsVisible());
      EXPECT_EQ(hint->Caption(), HintTextFor(id, {english})->First);
      for (int k = 0; k < 10; ++k) s.Step(30);
      EXPECT_TRUE(TextFits(s.host.Window().Pixels(), hint->Rect()));
      EXPECT_TRUE(platform::WritePng(s.host.Window().Pixels(), std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/hint_" +
                                                                       (english ? "en_" : "ru_") + (id == kHintMainZone ? "start" : "measure") + ".png"));
      s.Step(lifetime - 301);
      EXPECT_EQ(w.HintShown, 1);
      s.Step(1);
      EXPECT_FALSE(w.HintShown != 0 || hint->IsVisible());
    };
    // The start screen: a zone hint beside the "Measurements" button.
    const platform::WindowRect measure = FindMainControl(s.host.Window(), 75172)->Rect();
    w.MainTickRect = platform::WindowRect::FromSize(measure.right, measure.top, 30, 30);
    w.SensorChosen = {1, 0, 0, 0};
    w.OnMouseMove(0, measure.right + 10, measure.top + 10);
    lifecycle(kHintMainZone, 8000);
    // The measurement screen, once the settings panel's hidden first paint has ended.
    ASSERT_TRUE(w.SelectActiveView());
    w.GotoGraphScreen();
    for (int k = 0; k < 20; ++k) s.Step(33);
    w.OnButtonHover(0, 0, 75045);
    lifecycle(75045, 5000);
    // A press on its button or a move away ends a shown hint; a move to the same point again leaves it.
    for (const int end : {0, 1, 2}) {
      w.OnButtonHover(0, 0, 75045);
      s.Step(1000);
      end == 0 ? w.OnButtonPress(0, 0, 75045) : w.OnMouse({platform::MouseKind::Move, {5, 5}, 0});
      EXPECT_EQ(hint->IsVisible(), end == 2) << end;
    }
  }
}

TEST(MouseRouting, SequencesOnBothScreens) {
  StartRig rig;
  MainWindow& w = *rig.window;
  InfoPanel& panel = *rig.parts->Panel;
  const auto centre = [](const platform::WindowRect& r) { return platform::WindowPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; };
  const auto item = [&](int i) { return centre(panel.MenuRowRects[static_cast<std::size_t>(panel.Body.Count() - 3 + i)]); };
  const auto press = [&](platform::WindowPoint p) { w.OnMouse({platform::MouseKind::LeftDown, p, 0}); };
  // Start screen: the menu row and the catalogue's lines take the hand cursor and the click; the first click
  // after a row's page opened goes back to the list.
  EXPECT_TRUE(w.MouseParts.PanelMove(item(1), false) && !w.MouseParts.PanelMove({5, 700}, false));
  press(item(1));
  EXPECT_EQ(panel.MenuSelection, 1);
  rig.Paint();
  const platform::WindowPoint row = centre(panel.Body.LineRects[3]);
  EXPECT_TRUE(w.MouseParts.PanelMove(row, false));
  press(row);
  rig.Paint();
  EXPECT_TRUE(panel.SubMenuOpen());
  EXPECT_EQ(panel.SensorCode, CatalogueRowKind(3).Code);
  press({5, 700});
  EXPECT_FALSE(panel.SubMenuOpen());
  // The contacts: sixteen lines and the menu row; the invitation line is the link, and a click on it
  // opens the program's page.
  press(item(2));
  rig.Paint();
  EXPECT_EQ(panel.Body.Count(), 16 + 3);
  EXPECT_NE(std::string(panel.Body.Text(4)).find("Посетите наш сайт"), std::string::npos);
  const platform::WindowRect link = w.Mouse.WebLinkRect;
  ASSERT_FALSE(link.IsEmpty());
  // It holds the one drawn line, the invitation, and none beside it.
  EXPECT_EQ(std::count_if(panel.LineBoxes.begin(), panel.LineBoxes.end(), [&](const platform::WindowRect& box) { return link.Contains(centre(box)); }), 1);
  EXPECT_TRUE(rig.host.Opened.empty());
  press(centre(link));
  ASSERT_EQ(rig.host.Opened.size(), 1u);
  EXPECT_EQ(rig.host.Opened[0].rfind("file://", 0), 0u);
  EXPECT_NE(rig.host.Opened[0].find("README.md"), std::string::npos);
  // A catalogue row's page shows its own sensor's picture, not the pictured computer.
  press(item(1));
  rig.Paint();
  press(centre(panel.Body.LineRects[5]));
  rig.Paint();
  ASSERT_TRUE(panel.SubMenuOpen());
  const CatalogueKind fifth = CatalogueRowKind(5);
  EXPECT_EQ(panel.SensorCode, fifth.Code);
  EXPECT_EQ(panel.Picture1, nullptr);
  EXPECT_EQ(panel.Picture2, w.Bitmap(PictureElementResource(IntroPictureElement(fifth.Code, 0, fifth.Wireless))));
  press({5, 700});
  press(item(0));
  // A hovered sensor button shows its page, not twice; a move onto the window returns to the start page.
  w.SensorButtons[1].SensorCode = 18;
  w.OnButtonHover(0, 0, 75164);
  EXPECT_TRUE(panel.ScreenNumber() == InfoPanel::kSensorInformation && panel.SensorCode == 18);
  rig.Paint();
  w.OnButtonHover(0, 0, 75164);
  EXPECT_EQ(w.StartScreenDirty, 0);
  w.OnMouse({platform::MouseKind::Move, {700, 400}, 0});
  EXPECT_EQ(panel.ScreenNumber(), InfoPanel::kStartPage);

  // Measurement screen: presses inside the view rectangle reach the graph view, others end its drag.
  w.Bytes.MeasureScreenActive = 1;
  w.ViewSlots[0] = w.View.get();
  w.View->Active = 1;
  w.View->RecordViewable = 1;
  const PixelRect v = w.View->ViewRect;
  // The graph-area test needs one span, edges included: a press below the graph within its width is
  // forwarded, one outside both spans is not.
  const std::int32_t cx = (v.Left + v.Right) / 2, cy = (v.Top + v.Bottom) / 2;
  struct Step { platform::MouseKind kind; std::int32_t x, y; std::uint8_t armed; };
  const Step steps[] = {{platform::MouseKind::LeftDown, cx, cy, 1},           {platform::MouseKind::LeftUp, cx, cy, 0},
                        {platform::MouseKind::LeftDown, cx, v.Bottom + 1, 1}, {platform::MouseKind::LeftUp, cx, v.Bottom + 1, 0},
                        {platform::MouseKind::LeftDown, v.Right + 1, v.Bottom + 1, 0},
                        {platform::MouseKind::LeftDown, cx, v.Top, 1},        {platform::MouseKind::LeftUp, v.Right + 1, cy, 0}};
  for (const Step& s : steps) {
    w.OnMouse({s.kind, {s.x, s.y}, 0});
    EXPECT_EQ(w.View->DataDragArmed, s.armed) << (&s - steps);
  }
  // The menu chain: a pressed Marker stays while hovered itself, and goes when another menu button is.
  AImageButton* marker = FindImageButton(rig.host.Window(), 75051);
  marker->State = ControlFrame::kStateDown;
  w.OnButtonHover(0, 0, 75051);
  EXPECT_EQ(marker->State.load(), ControlFrame::kStateDown);
  w.OnButtonHover(0, 0, 75012);
  EXPECT_EQ(marker->State.load(), ControlFrame::kStateUp);
  EXPECT_EQ(w.CurrentTimerId, 0);  // a chain that found a pressed button starts no hint
  // With a panel open only the channel record buttons start a hint.
  w.PanelMode = 1;
  for (const auto& [id, timer] : {std::pair{75045, 0}, std::pair{75022, int{kTimerHintDelay}}}) {
    w.OnButtonHover(0, 0, id);
    EXPECT_EQ(w.CurrentTimerId, timer) << id;
  }
  w.PanelMode = 0;
  // Near the sliders at the corners of the widened box, not past its top-right corner.
  ASSERT_TRUE(FindMainControl(rig.host.Window(), 75001) && FindMainControl(rig.host.Window(), 75003));
  const platform::WindowRect a = FindMainControl(rig.host.Window(), 75001)->Rect();
  const platform::WindowRect b = FindMainControl(rig.host.Window(), 75003)->Rect();
  const auto mx = static_cast<std::int32_t>(40 * w.Metrics.ScaleX), my = static_cast<std::int32_t>(40 * w.Metrics.ScaleY);
  EXPECT_TRUE(w.NearScaleSliders(b.left - mx + 1, a.bottom + my - 1));
  EXPECT_FALSE(w.NearScaleSliders(b.left - mx - 2, a.bottom));

  // Start screen: a tick click flips the sensor and its slot; the title band animates in and out.
  w.Bytes.MeasureScreenActive = 0;
  w.Bytes.InfoScreenActive = 1;
  w.SensorChosen = {0, 1, 0, 0};
  w.SensorTickRects[1] = {300, 300, 330, 330};
  {
    std::lock_guard lock(w.Devices->TableLock);
    w.Devices->DeviceTable[1] = std::make_unique<FTRecordDevice>();
    w.Devices->DeviceTable[1]->LocationId = 0x21;
  }
  const DeviceSlot probe = w.SlotBinder->Probe(*w.Devices->DeviceTable[1]);
  w.DeviceSlots[2].InUse = 1;
  w.DeviceSlots[2].Location = probe.Location;
  w.DeviceSlots[2].SerialNumber = probe.SerialNumber;
  w.DeviceSlots[2].SelectedForRecord = 0;
  // No tick during a recording; a unit gone since leaves its slot as it was.
  struct Tick { std::uint8_t recording; bool unit_stays; std::uint8_t prepared, selected, ready; };
  for (const Tick& t : {Tick{1, true, 0, 0, 0}, Tick{0, true, 1, 1, 1}, Tick{0, false, 0, 1, 0}}) {
    w.View->Recording = t.recording;
    if (!t.unit_stays) {
      std::lock_guard lock(w.Devices->TableLock);
      w.Devices->DeviceTable[1].reset();
    }
    w.OnMouse({platform::MouseKind::LeftDown, {330, 330}, 0});
    EXPECT_EQ(w.Bytes.SensorPrepared[1].load(), t.prepared);
    EXPECT_TRUE(w.DeviceSlots[2].SelectedForRecord == t.selected && w.MeasureButtonReady == t.ready) << int{t.prepared};
  }

  // Entering the title band slides it in on timer 8 with Receding 0 until frame 15; leaving starts timer 8 with
  // Receding 1.
  const StartScreenTitle& title = rig.parts->Title;
  const platform::WindowPoint in{title.TitleArea.left + 5, title.TitleArea.top + 5};
  w.CurrentTimerId = w.StartScreenDirty = 0;
  w.OnMouse({platform::MouseKind::Move, in, 0});
  EXPECT_TRUE(title.Receding == 0 && w.CurrentTimerId == kTimerTitle);
  for (int k = 0; k < 16; ++k) rig.Step(33);
  EXPECT_TRUE(title.Frame == 15 && w.CurrentTimerId == 0);
  w.OnMouse({platform::MouseKind::Move, {in.x, title.TitleArea.bottom + 5}, 0});
  EXPECT_TRUE(title.Receding == 1 && w.CurrentTimerId == kTimerTitle);
}

}  // namespace
