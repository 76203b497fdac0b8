// The start screen's sensor buttons on the simulated bus with real workers: they follow plugging, unplugging and reordering.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "app/start_screen_parts.h"
#include "app_test_support.h"
#include "fast_clock.h"
#include "controls/aimage_button.h"
#include "platform/png_writer.h"
#include "sim/bus.h"
#include "sim/description.h"
#include "sim/unit_list.h"

namespace {

using apptest::Rig;
using SensorButtonState = MainWindow::SensorButtonState;
using platform::WindowRect;

using apptest::FastClock;

class StartScreenSensors : public ::testing::Test {
 protected:
  void SetUp() override {
    bus.Reset(sim::ClockMode::Virtual);
    for (const sim::UnitSpec& unit : sim::DefaultUnits()) ASSERT_TRUE(sim::AttachUnit(bus, unit));
  }
  void TearDown() override {
    rig.reset();
    bus.Reset(sim::ClockMode::Virtual);
  }
  // The window through its intro until the information panel stands.
  MainWindow& Open(int width = 1280, int height = 994, bool english = false) {
    rig = std::make_unique<Rig>(width, height);
    rig->environment.Clock = &clock;
    MainWindow& w = rig->Create(english, [this](MainWindow& created) {
      parts = InstallStartScreenParts(created);
    });
    for (int k = 0; k < 400 && w.Panels[1]->ContentShown == 0; ++k) rig->Step(33);
    EXPECT_EQ(w.Panels[1]->ContentShown, 1);
    return w;
  }
  // The table's units as locations, under its lock.
  std::vector<std::uint32_t> Listed(MainWindow& w) {
    std::vector<std::uint32_t> listed;
    std::lock_guard lock(w.Devices->TableLock);
    for (const auto& unit : w.Devices->DeviceTable) {
      if (unit) listed.push_back(unit->LocationId);
    }
    return listed;
  }
  std::vector<std::uint32_t> OnBus() {
    std::vector<std::uint32_t> locations;
    for (sim::UnitId id : bus.Units()) locations.push_back(bus.Info(id)->LocationId);
    return locations;
  }
  // Button i shows table unit i, the rest are hidden; no slot holds a unit twice or one not listed.
  bool Follows(MainWindow& w) {
    std::lock_guard lock(w.Devices->TableLock);
    std::set<const FTRecordDevice*> held;
    for (const DeviceSlot& slot : w.DeviceSlots) {
      if (slot.Device == nullptr) continue;
      if (!held.insert(slot.Device).second) return false;
      bool listed = false;
      for (const auto& unit : w.Devices->DeviceTable) listed = listed || unit.get() == slot.Device;
      if (!listed) return false;
    }
    for (std::size_t i = 0; i < 4; ++i) {
      const FTRecordDevice* unit = w.Devices->DeviceTable[i].get();
      const AImageButton* button = nullptr;
      for (platform::Control* control : w.Window().Controls()) {
        if (control->Id() == 75163 + static_cast<int>(i)) button = dynamic_cast<const AImageButton*>(control);
      }
      if (button == nullptr || w.SensorButtons[i].Unit != unit || button->IsVisible() != (unit != nullptr)) return false;
      if (unit != nullptr && button->Caption() != unit->NameLine1) return false;
    }
    return true;
  }
  // Pumps the window until the table lists `expected` and the buttons follow it.
  ::testing::AssertionResult Settles(MainWindow& w, const std::vector<std::uint32_t>& expected) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      rig->host.Pump();
      if (Listed(w) == expected && Follows(w)) return ::testing::AssertionSuccess();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    auto failure = ::testing::AssertionFailure() << "listed " << Listed(w).size() << " of " << expected.size();
    for (std::uint32_t l : Listed(w)) failure << " " << l;
    for (std::uint32_t l : expected) failure << " e" << l;
    for (platform::Control* c : w.Window().Controls()) {
      if (auto* b = dynamic_cast<AImageButton*>(c); b != nullptr && c->Id() >= 75163 && c->Id() <= 75166) {
        failure << "; " << c->Id() << " vis " << c->IsVisible() << " '" << b->Caption() << "'";
      }
    }
    return failure << "; state " << int(DeviceThreadState.load());
  }
  // As the sensor button's press does: the worker pauses while the window binds the unit.
  void AttachAndPrepare(MainWindow& w, std::size_t entry) {
    ASSERT_TRUE(RequestDeviceThreadState(kDevicePauseRequest));
    for (int k = 0; k < 60000 && DeviceThreadState.load() != kDevicePaused; ++k) {
      rig->host.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(DeviceThreadState.load(), kDevicePaused);
    {
      std::lock_guard lock(w.Devices->TableLock);
      FTRecordDevice& unit = *w.Devices->DeviceTable[entry];
      ASSERT_TRUE(w.AttachDeviceToSlot(unit));
      w.SlotBinder->MarkSlotForDevice(unit);
    }
    w.RefreshDevices(1);
    w.UpdateMeasureButton();
    DeviceThreadState = kDeviceSearch;
  }

  sim::Bus& bus = sim::Bus::Instance();
  FastClock clock;
  std::unique_ptr<Rig> rig;
  std::shared_ptr<StartScreenParts> parts;
};

TEST_F(StartScreenSensors, ButtonsFollowPlugUnplugReplugElsewhereAndReorder) {
  MainWindow& w = Open();
  const std::vector<sim::UnitId> ids = bus.Units();
  const std::vector<std::uint32_t> both = OnBus();
  ASSERT_TRUE(Settles(w, both));
  AttachAndPrepare(w, 0);
  AttachAndPrepare(w, 1);
  EXPECT_EQ(w.MeasureButtonReady, 1);

  // Unplugged: its button goes, its slot is freed, the other unit moves up.
  const sim::UnitInfo first = *bus.Info(ids[0]);
  ASSERT_TRUE(bus.Unplug(ids[0]));
  ASSERT_TRUE(Settles(w, {both[1]}));
  EXPECT_EQ(w.DeviceSlots[0].Location, both[1]);
  EXPECT_EQ(w.DeviceSlots[1].InUse, 0);

  // The same unit in another port is another unit: a new button, an unprepared slot.
  sim::UnitInfo moved = first;
  moved.LocationId = 0x7771;
  const sim::UnitSpec spec = sim::DefaultUnits()[0];
  bus.Plug(moved, sim::MakeUnitModel(spec.Family, spec.Signals, sim::DescriptionKey(spec.Description)));
  ASSERT_TRUE(Settles(w, {both[1], 0x7771}));
  EXPECT_EQ(w.SensorButtons[1].TickBox, 0);

  // Reordered on the bus: the buttons follow the table's new order.
  std::vector<sim::UnitId> order = bus.Units();
  std::swap(order[0], order[1]);
  ASSERT_TRUE(bus.Reorder(order));
  ASSERT_TRUE(Settles(w, {0x7771, both[1]}));

  // All gone: every slot free, every button hidden.
  for (sim::UnitId id : bus.Units()) bus.Unplug(id);
  ASSERT_TRUE(Settles(w, {}));
  EXPECT_EQ(w.SlotBinder->NextFreeSlot, 0);
  for (const DeviceSlot& slot : w.DeviceSlots) EXPECT_EQ(slot.AssignIndex, -1);
}

// What a start-screen control must not overlap, and where the panel must lie.
void CheckLayout(MainWindow& w, const StartScreenParts& parts) {
  const WindowRect client = w.Window().ClientRect();
  std::vector<WindowRect> placed;
  for (platform::Control* control : w.Window().Controls()) {
    if (!control->IsVisible()) continue;
    const WindowRect r = control->Rect();
    EXPECT_EQ(r.Intersect(client), r) << control->Id();
    placed.push_back(r);
  }
  placed.push_back(w.MainTickRect);
  for (std::size_t i = 0; i < 4; ++i) {
    if (w.SensorButtons[i].TickBox != 0) placed.push_back(w.SensorTickRects[i]);
  }
  for (std::size_t a = 0; a < placed.size(); ++a) {
    for (std::size_t b = a + 1; b < placed.size(); ++b) {
      const WindowRect x = placed[a], y = placed[b];
      EXPECT_TRUE(x.Intersect(y).IsEmpty()) << x.left << "," << x.top << "," << x.right << "," << x.bottom << " / " << y.left << ","
                                            << y.top << "," << y.right << "," << y.bottom;
    }
  }
  const PanelAnimation& panel = *w.Panels[1];
  for (const WindowRect& r : placed) {
    if (r.right <= client.right / 2) {
      EXPECT_LE(r.right, panel.ContentArea.left);
    }
  }
  EXPECT_GE(panel.Area.top, parts.Title.TitleArea.bottom);
}

TEST_F(StartScreenSensors, StartScreenPngsWithOneUnitPreparedAndTicked) {
  const struct {
    int width, height;
    bool english;
  } cases[] = {{1366, 768, false}, {1366, 768, true}, {1920, 1080, false}, {1920, 1080, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + (c.english ? " en" : " ru"));
    MainWindow& w = Open(c.width, c.height, c.english);
    ASSERT_TRUE(Settles(w, OnBus()));
    AttachAndPrepare(w, 0);
    ASSERT_TRUE(Settles(w, OnBus()));
    for (int k = 0; k < 30; ++k) rig->Step(33);
    w.MainButtonsShow();
    w.RefreshDevices(1);
    w.StartButtonsDirty = 1;
    rig->host.Window().UpdateNow();
    EXPECT_EQ(w.SensorButtons[0].TickBox, 1);
    EXPECT_EQ(w.SensorButtons[1].TickBox, 0);
    EXPECT_EQ(w.TickBoxCount, 1);
    EXPECT_EQ(w.MeasureButtonReady, 1);
    CheckLayout(w, *parts);
    // The tick is drawn green inside its box.
    const WindowRect tick = w.SensorTickRects[0];
    int green = 0;
    for (int y = tick.top; y < tick.bottom; ++y) {
      for (int x = tick.left; x < tick.right; ++x) {
        const platform::Colour p = rig->host.Window().Pixels().GetPixel(x, y);
        green += p.g > p.r + 40 && p.g > p.b + 40 ? 1 : 0;
      }
    }
    EXPECT_GT(green, tick.Width() * tick.Height() / 10);
    const std::string name = std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/start_screen_" + std::to_string(c.width) + "x" +
                             std::to_string(c.height) + (c.english ? "_en" : "_ru") + ".png";
    EXPECT_TRUE(platform::WritePng(rig->host.Window().Pixels(), name));
    rig.reset();
  }
}

}  // namespace
