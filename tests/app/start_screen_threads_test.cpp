// The start screen on the simulated bus with real workers: panel geometry, composition once, readiness colours,
// sensor buttons that follow plugging, unplugging and reordering (every part inside and apart: the screen sweep).
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

#include "app/preparation_steps.h"
#include "app/screen_metrics.h"
#include "info/info_panel.h"
#include "resources/picture_elements.h"
#include "app/start_screen_parts.h"
#include "app_test_support.h"
#include "fast_clock.h"
#include "controls/aimage_button.h"
#include "layout/main_controls.h"
#include "sim/bus.h"
#include "sim/description.h"
#include "sim/unit_list.h"

namespace {

using platform::WindowRect;

using apptest::FastClock;

struct StartScreenSensors : ::testing::Test {
  void SetUp() override {
    bus.Reset(sim::ClockMode::Virtual);
    for (const sim::UnitSpec& unit : sim::DefaultUnits()) ASSERT_TRUE(sim::AttachUnit(bus, unit));
  }
  void TearDown() override { rig.reset(); }
  // The window through its intro, and on until the information panel stands.
  MainWindow& Open(int width = 1280, int height = 994, bool english = false, bool intro_only = false) {
    rig.reset();  // the previous window's workers end before the status bytes are reset
    rig.reset();  // the old window and its workers gone before the new one starts
    rig = std::make_unique<apptest::Rig>(width, height);
    rig->environment.Clock = &clock;
    MainWindow& w = rig->Create(english, [this](MainWindow& created) {
      parts = InstallStartScreenParts(created);
      InstallPreparationSteps(created, parts);
    });
    for (int k = 0; k < 400 && (w.StartupInProgress != 0 || (!intro_only && w.Panels[1]->ContentShown == 0)); ++k) rig->Step(33);
    return w;
  }
  std::vector<std::uint32_t> OnBus() {
    std::vector<std::uint32_t> at;
    for (sim::UnitId id : bus.Units()) at.push_back(bus.Info(id)->LocationId);
    return at;
  }
  // Button i shows table unit i (at `expected`[i]), the rest are hidden; no slot holds a unit twice or unlisted.
  bool Follows(MainWindow& w, const std::vector<std::uint32_t>& expected) {
    std::lock_guard lock(w.Devices->TableLock);
    const auto& table = w.Devices->DeviceTable;
    std::set<const FTRecordDevice*> held;
    for (const DeviceSlot& slot : w.DeviceSlots) {
      const bool listed = std::any_of(table.begin(), table.end(), [&](const auto& u) { return u.get() == slot.Device; });
      if (slot.Device != nullptr && (!held.insert(slot.Device).second || !listed)) return false;
    }
    for (std::size_t i = 0; i < 4; ++i) {
      const FTRecordDevice* unit = table[i].get();
      if ((unit != nullptr ? unit->LocationId : 0u) != (i < expected.size() ? expected[i] : 0u)) return false;
      const AImageButton* button = w.Controls.SensorButtons[i];
      if (w.SensorButtons[i].Unit != unit || button->IsVisible() != (unit != nullptr)) return false;
      if (unit != nullptr && button->Caption() != unit->NameLine1) return false;
    }
    return true;
  }
  bool Settles(MainWindow& w, const std::vector<std::uint32_t>& expected) {
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120); std::chrono::steady_clock::now() < end;) {
      rig->host.Pump();
      if (Follows(w, expected)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }
  // As the sensor button's press does: the worker pauses while the window binds the unit.
  void AttachAndPrepare(MainWindow& w, std::size_t entry) {
    ASSERT_TRUE(RequestDeviceThreadState(kDevicePauseRequest));
    for (int k = 0; k < 60000 && DeviceThreadState.load() != kDevicePaused; ++k) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    {
      std::lock_guard lock(w.Devices->TableLock);
      ASSERT_TRUE(w.AttachDeviceToSlot(*w.Devices->DeviceTable[entry]));
      w.SlotBinder->MarkSlotForDevice(*w.Devices->DeviceTable[entry]);
    }
    w.RefreshDevices(1);
    w.UpdateMeasureButton();
    DeviceThreadState = kDeviceSearch;
  }

  sim::Bus& bus = sim::Bus::Instance();
  FastClock clock;
  std::unique_ptr<apptest::Rig> rig;
  std::shared_ptr<StartScreenParts> parts;
};

TEST_F(StartScreenSensors, PanelGeometryAtThreeSizes) {
  // Derived by hand from the "Measurements" button's place and the panel's offsets (and the outline's bevel).
  const struct {
    int width, height;
    WindowRect area, content, inner, slide;
  } cases[] = {
      {1280, 994, {258, 210, 1158, 884}, {510, 225, 1148, 869}, {470, 225, 1143, 869}, {228, 180, 1188, 914}},
      {1366, 768, {275, 152, 1235, 714}, {543, 163, 1225, 703}, {501, 163, 1219, 703}, {243, 129, 1267, 737}},
      {1920, 1080, {386, 205, 1736, 1004}, {764, 221, 1721, 988}, {704, 221, 1714, 988}, {341, 173, 1781, 1036}},
  };
  for (const auto& c : cases) {
    const PanelAnimation& panel = *Open(c.width, c.height, false, true).Panels[1];
    EXPECT_EQ(std::vector<WindowRect>({panel.Area, panel.ContentArea, panel.InnerArea, panel.SlideArea}),
              std::vector<WindowRect>({c.area, c.content, c.inner, c.slide})) << c.width;
  }
  EXPECT_EQ(rig->window->Panels[1]->Outline[6], 1736 - 15);  // the bevel's right edge
}

// On a wide screen the information picture, narrower than the design's panel, stands in by the
// fitted margin, and inside the panel; at the design's proportions it stands at the edge.
TEST_F(StartScreenSensors, InformationPictureStandsInByItsMarginOnWideScreens) {
  for (const auto& [width, height] : {std::pair{1280, 994}, {1366, 768}, {1920, 1080}}) {
    SCOPED_TRACE(width);
    MainWindow& w = Open(width, height);
    for (int k = 0; k < 10; ++k) rig->Step(33);
    const InfoPanel& panel = *parts->Panel;
    const WindowRect content = w.Panels[1]->ContentArea;
    const platform::Surface* computer = w.Bitmap(PictureElementResource(kComputerElement));
    ASSERT_NE(computer, nullptr);
    const auto fit = FitInfoPicture(content.Width(), computer->Width(), computer->Height(), w.Metrics.ScaleX, w.Metrics.ScaleY);
    const std::int32_t margin = w.Metrics.AspectRatio > 1.5f && fit ? fit->Margin : 0;
    EXPECT_EQ(margin > 0, width != 1280);
    EXPECT_EQ(panel.ContentIndent, margin);
    EXPECT_EQ(panel.PictureRect.left, panel.WorkRect.left + margin);
    EXPECT_LE(panel.PictureRect.right, content.right);
  }
}

TEST_F(StartScreenSensors, FirstPaintComposesLaterOnesDoNotAndMeasurementsShowsReadiness) {
  MainWindow& w = Open(1280, 994, false, true);
  EXPECT_EQ(w.StartBackgroundComposed, 1);
  EXPECT_EQ(w.CurrentTimerId, kTimerPanelSlide);
  for (int k = 0; k < 60 && w.Panels[1]->ContentShown == 0; ++k) rig->Step(33);
  ASSERT_EQ(w.CurrentTimerId, 0);
  // A mark in the composed background survives later paints: nothing composes it again.
  w.BackBuffer(1).SetPixel(2, 2, platform::Colour{1, 2, 3, 255});
  w.MainButtonsShow();
  rig->host.Window().UpdateNow();
  EXPECT_EQ(w.CurrentTimerId, 0);
  EXPECT_EQ(w.BackBuffer(1).GetPixel(2, 2), (platform::Colour{1, 2, 3, 255}));
  // The start screen's set: "Measurements", the caption, "Open file", close and minimise; no sensor button.
  for (std::int32_t id : {75172, 75171, 75185, 75167, 75169, 75163, 75166}) {
    EXPECT_EQ(FindMainControl(w.Window(), id)->IsVisible(), id < 75163 || id > 75166) << id;
  }
  DeviceThreadState = kDevicePauseRequest;  // while the worker pauses the window answers busy
  EXPECT_FALSE(w.ChooseSlotsAfterSearch());
  DeviceThreadState = kDeviceSearch;
  // "Measurements" by readiness, its panel red or blue beside the caption once the animation has run.
  // The worker is held paused and what its searches posted is run first, so nothing changes the
  // bytes set here, nor leaves the button's colours changed without its repaint.
  ASSERT_TRUE(RequestDeviceThreadState(kDevicePauseRequest));
  for (int k = 0; k < 60000 && DeviceThreadState.load() != kDevicePaused; ++k) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  rig->host.Pump();
  AImageButton* button = FindImageButton(w.Window(), 75172);
  const auto blue = [&] {
    for (int k = 0; k < 8; ++k) rig->Step(33);
    const WindowRect at = button->Rect();
    const platform::Colour c = rig->host.Window().Pixels().GetPixel(at.left + at.Width() / 10, at.top + at.Height() / 2);
    return c.b > c.r + 40 ? 1 : c.r > c.b + 40 ? 0 : -1;
  };
  // From the other set, so the change itself is what repaints the button.
  w.SetMeasureButtonReady();
  w.UpdateMeasureButton();
  EXPECT_EQ(w.MeasureButtonReady + w.MeasureColours[0].r + blue(), 209);
  EXPECT_FALSE(w.SetMeasureButtonNotReady());  // already in that set: nothing changes
  w.SensorChosen[2] = 1;
  w.Bytes.SensorPrepared[2] = 1;
  w.UpdateMeasureButton();
  EXPECT_EQ(w.MeasureButtonReady + w.MeasureColours[0].r + w.MeasureColours[3].b + blue(), 1 + 142 + 255 + 1);
  EXPECT_EQ(button->TargetLook(), 1);
  // Again ready: the setter refuses and the button is only reset, back to its normal look.
  w.UpdateMeasureButton();
  EXPECT_EQ(button->TargetLook(), AImageButton::kNormal);
}

TEST_F(StartScreenSensors, ButtonsFollowPlugUnplugReplugElsewhereAndReorder) {
  MainWindow& w = Open();
  const std::vector<sim::UnitId> ids = bus.Units();
  const std::vector<std::uint32_t> both = OnBus();
  ASSERT_TRUE(Settles(w, both));
  AttachAndPrepare(w, 0);
  AttachAndPrepare(w, 1);
  // Unplugged: its button goes, its slot is freed, the other unit moves up.
  sim::UnitInfo moved = *bus.Info(ids[0]);
  ASSERT_TRUE(bus.Unplug(ids[0]));
  ASSERT_TRUE(Settles(w, {both[1]}));
  // The freed slot takes the unit that moved up once the window has bound it, maybe a search later.
  for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
       w.DeviceSlots[0].Location != both[1] && std::chrono::steady_clock::now() < end;) {
    rig->host.Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(w.DeviceSlots[0].Location, both[1]);
  // The same unit in another port is another unit: a new button without a tick box.
  moved.LocationId = 0x7771;
  const sim::UnitSpec first = sim::DefaultUnits()[0];
  bus.Plug(moved, sim::MakeUnitModel(first.Family, first.Signals, sim::DescriptionKey(first.Description)));
  ASSERT_TRUE(Settles(w, {both[1], 0x7771}));
  EXPECT_EQ(w.SensorButtons[1].TickBox, 0);
  std::vector<sim::UnitId> order = bus.Units();
  std::swap(order[0], order[1]);
  ASSERT_TRUE(bus.Reorder(order));
  ASSERT_TRUE(Settles(w, {0x7771, both[1]}));
  for (sim::UnitId id : bus.Units()) bus.Unplug(id);
  ASSERT_TRUE(Settles(w, {}));
}

}  // namespace
