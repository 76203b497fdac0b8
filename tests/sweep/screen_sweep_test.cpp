// The screen sweep: every screen of the assembled window on the simulated bus, at common screen sizes in both
// languages, written to PNGs and checked on the geometry the window knows: texts inside their boxes, controls
// inside the client area and apart, every button with a body.
//
// VESSAMOR_SWEEP_SIZES (e.g. "1280x720,1366x768") chooses the sizes, VESSAMOR_SWEEP_DIR where the pictures go
// (<dir>/<size>-<lang>/<screen>.png); scripts/sweep.sh runs all five sizes, CI the two that fail most often.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <thread>

#include "../app/app_test_support.h"
#include "../app/fast_clock.h"
#include "acquisition/device_status.h"
#include "app/preparation_steps.h"
#include "app/start_screen_parts.h"
#include "controls/aimage_button.h"
#include "controls/menu_buttton.h"
#include "controls/stick_button.h"
#include "controls/stick_button_mod.h"
#include "layout/main_controls.h"
#include "platform/png_writer.h"
#include "sim/unit_list.h"

namespace {

using platform::WindowRect;

struct Size {
  int width, height;
};

std::vector<Size> SweepSizes() {
  const char* chosen = std::getenv("VESSAMOR_SWEEP_SIZES");
  std::string text = chosen != nullptr && *chosen != 0 ? chosen : "1366x768,1280x1024";
  std::vector<Size> sizes;
  std::stringstream list(text);
  for (std::string item; std::getline(list, item, ',');) {
    Size s{};
    if (std::sscanf(item.c_str(), "%dx%d", &s.width, &s.height) == 2) sizes.push_back(s);
  }
  return sizes;
}

std::string OutputDir() {
  const char* chosen = std::getenv("VESSAMOR_SWEEP_DIR");
  return chosen != nullptr && *chosen != 0 ? chosen : std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/sweep";
}

std::string Show(const WindowRect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

bool Inside(const WindowRect& inner, const WindowRect& outer, int slack = 0) {
  return inner.left >= outer.left - slack && inner.top >= outer.top - slack && inner.right <= outer.right + slack &&
         inner.bottom <= outer.bottom + slack;
}

// Overlays: the hint, menus, the settings panel and the sliders lie over other controls by design.
bool Overlay(platform::Control* c) {
  return c->Id() == 75175 || dynamic_cast<MenuButtton*>(c) != nullptr || dynamic_cast<StickButtonMod*>(c) != nullptr ||
         dynamic_cast<StickButton*>(c) != nullptr;
}

class Sweep {
 public:
  Sweep(Size size, bool english, const std::string& units) : size_(size), english_(english) {
    dir_ = OutputDir() + "/" + std::to_string(size.width) + "x" + std::to_string(size.height) + (english ? "-en" : "-ru");
    std::filesystem::create_directories(dir_);
    bus.Reset(sim::ClockMode::Virtual);
    for (const sim::UnitSpec& unit : sim::ParseUnitList(units)) EXPECT_TRUE(sim::AttachUnit(bus, unit));
    unit_count_ = sim::ParseUnitList(units).size();
    rig = std::make_unique<apptest::Rig>(size.width, size.height, true, 32, !english);
    rig->environment.Clock = &clock;
    rig->Create(english, [this](MainWindow& created) {
      parts = InstallStartScreenParts(created);
      InstallPreparationSteps(created, parts);
    });
    MainWindow& w = Window();
    for (int k = 0; k < 400 && (w.StartupInProgress != 0 || w.Panels[1]->ContentShown == 0); ++k) rig->Step(33);
    Until([&] {
      for (std::size_t i = 0; i < unit_count_; ++i)
        if (w.SensorButtons[i].Unit == nullptr) return false;
      return true;
    });
    for (int k = 0; k < 10; ++k) rig->Step(33);
  }
  ~Sweep() {
    rig.reset();
    bus.Reset(sim::ClockMode::Virtual);
  }
  MainWindow& Window() { return *rig->window; }
  InfoPanel& Panel() { return *parts->Panel; }

  template <typename Done>
  void Until(Done done, int ms = 20000) {
    for (int k = 0; k < ms && !done(); ++k) {
      rig->host.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(done());
  }
  void Settle(int steps = 12) {
    rig->host.Pump();
    for (int k = 0; k < steps; ++k) rig->Step(33);
  }
  // A click as the button reports it: its state toggled, then the press.
  void Click(std::int32_t id) {
    AImageButton* button = FindImageButton(Window().Window(), id);
    ASSERT_NE(button, nullptr) << id;
    button->State = button->State.load() == ControlFrame::kStateUp ? ControlFrame::kStateDown : ControlFrame::kStateUp;
    Window().OnButtonPress(0, 0, id);
  }
  void PaintAll() {
    Window().StartScreenDirty = 1;
    Window().ForceFullPaint = 1;
    rig->host.Window().Invalidate();
    rig->host.Window().UpdateNow();
  }

  // The picture and every check of one screen.
  void Shot(const std::string& name) {
    SCOPED_TRACE(dir_ + "/" + name);
    MainWindow& w = Window();
    rig->host.Window().UpdateNow();
    EXPECT_TRUE(platform::WritePng(rig->host.Window().Pixels(), dir_ + "/" + name + ".png"));
    CheckControls(w);
    if (w.Bytes.InfoScreenActive.load() != 0) CheckStartScreen(w);
    if (w.Bytes.MeasureScreenActive.load() != 0) {
      // The time axis's name keeps a clear gap (six pixels) from the last time label.
      const PixelRect& label = w.View->LastTimeLabel;
      const PixelRect& name = w.View->TimeNameReach;
      const bool apart = label.Right <= label.Left || name.Right <= name.Left || name.Left >= label.Right + 6 ||
                         name.Top >= label.Bottom + 2 || name.Bottom + 2 <= label.Top;
      EXPECT_TRUE(apart) << "time name (" << name.Left << "," << name.Top << ")-(" << name.Right << "," << name.Bottom
                         << ") on the last time label (" << label.Left << "," << label.Top << ")-(" << label.Right << ","
                         << label.Bottom << ")";
    }
    if (w.Help.Shown != 0) {
      for (const HelpPanel::LineFit& line : w.Help.Lines)
        EXPECT_TRUE(Inside(line.Line, line.Box, 1)) << "help line " << Show(line.Line) << " outside " << Show(line.Box);
    }
    ++shots;
  }

  void CheckControls(MainWindow& w) {
    const WindowRect client = w.Window().ClientRect();
    std::vector<platform::Control*> shown;
    for (platform::Control* c : w.Window().Controls()) {
      if (!c->IsVisible()) continue;
      const WindowRect r = c->Rect();
      EXPECT_TRUE(Inside(r, client)) << "control " << c->Id() << " " << Show(r) << " outside the client area";
      if (!Overlay(c)) shown.push_back(c);
      auto* button = dynamic_cast<AImageButton*>(c);
      if (button == nullptr || !button->Painted || r.IsEmpty()) continue;
      const WindowRect own{0, 0, r.Width(), r.Height()};
      // A body at least a fifth of the button's height, and its caption inside the button.
      EXPECT_GE(button->BodyBox.Height() * 5, r.Height()) << "button " << c->Id() << " body " << Show(button->BodyBox);
      if (!button->CaptionBox.IsEmpty()) {
        const WindowRect& cap = button->CaptionBox;
        EXPECT_TRUE(Inside(cap, own, 1)) << "button " << c->Id() << " caption " << Show(cap) << " outside " << Show(own);
        const int middle = (cap.top + cap.bottom) / 2;
        EXPECT_TRUE(middle >= button->BodyBox.top && middle <= button->BodyBox.bottom)
            << "button " << c->Id() << " caption " << Show(cap) << " off its body " << Show(button->BodyBox);
      }
    }
    for (std::size_t a = 0; a < shown.size(); ++a)
      for (std::size_t b = a + 1; b < shown.size(); ++b)
        EXPECT_FALSE(shown[a]->Rect().Intersects(shown[b]->Rect()))
            << "controls " << shown[a]->Id() << " and " << shown[b]->Id() << " overlap";
  }

  void CheckStartScreen(MainWindow& w) {
    InfoPanel& panel = Panel();
    const WindowRect content = w.Panels[1]->ContentArea;
    std::vector<WindowRect> boxes = panel.LineBoxes;
    boxes.erase(std::unique(boxes.begin(), boxes.end()), boxes.end());
    for (const WindowRect& b : boxes) EXPECT_TRUE(Inside(b, content)) << "panel line " << Show(b) << " outside " << Show(content);
    // The menu row's items keep off the panel's edges, and the lines above keep off the row.
    const std::size_t menu = std::min(panel.MenuRowFirstBox, panel.LineBoxes.size());
    int menu_top = content.bottom;
    for (std::size_t i = menu; i < panel.LineBoxes.size(); ++i) {
      const WindowRect& b = panel.LineBoxes[i];
      menu_top = std::min(menu_top, b.top);
      EXPECT_TRUE(b.left >= panel.WorkRect.left + 3 && b.right <= panel.WorkRect.right - 3)
          << "menu item " << Show(b) << " at the edge of " << Show(panel.WorkRect);
    }
    for (std::size_t i = 0; i < menu; ++i)
      EXPECT_LE(panel.LineBoxes[i].bottom + 2, menu_top) << "line " << Show(panel.LineBoxes[i]) << " on the menu row";
    // The frame's left edge runs down the button column unbroken: no more than a few rows together (where an
    // outline's edge or a rule crosses it) show neither its colour nor a button's body.
    const PanelAnimation& frame = *w.Panels[1];
    const int x = frame.Area.left + 1, radius = static_cast<int>(15 * w.Metrics.UiScale) + 2;
    int run = 0, longest = 0;
    for (int y = frame.Area.top + radius; y < frame.Area.bottom - radius; ++y) {
      bool body = false;
      for (platform::Control* c : w.Window().Controls()) {
        auto* b = dynamic_cast<AImageButton*>(c);
        if (b == nullptr || !b->IsVisible()) continue;
        const WindowRect r = c->Rect();
        body = body || WindowRect{r.left + b->BodyBox.left, r.top + b->BodyBox.top, r.left + b->BodyBox.right,
                                  r.top + b->BodyBox.bottom}.Contains({x, y});
      }
      const platform::Colour p = rig->host.Window().Pixels().GetPixel(x, y);
      run = !body && std::abs(p.r - 0x3F) + std::abs(p.g - 0x3C) + std::abs(p.b - 0x73) > 30 ? run + 1 : 0;
      longest = std::max(longest, run);
    }
    EXPECT_LE(longest, 3) << "rows together where the frame's left edge is broken";
    // The title's two lines inside their translucent panel.
    const StartScreenTitle& title = parts->Title;
    EXPECT_TRUE(Inside(title.TitleTextBox, title.PanelArea, 1))
        << "title " << Show(title.TitleTextBox) << " outside " << Show(title.PanelArea);
    // A value box's unit inside its field, left of the link-quality bar.
    for (const ValueInputBox* box : {&panel.Box1, &panel.Box2}) {
      if (box->Rect.IsEmpty() || box->UnitBox.IsEmpty()) continue;
      EXPECT_LE(box->UnitBox.right, box->UnitLimit) << "unit " << Show(box->UnitBox);
    }
    // A second picture keeps its shape.
    if (!panel.SecondPictureRect.IsEmpty() && panel.Picture2 != nullptr) {
      const double want = static_cast<double>(panel.Picture2->Width()) / panel.Picture2->Height();
      const double got = static_cast<double>(panel.SecondPictureRect.Width()) / panel.SecondPictureRect.Height();
      EXPECT_NEAR(got / want, 1.0, 0.05) << "second picture " << Show(panel.SecondPictureRect);
    }
  }

  // The title band while the pointer rests on it, and after it has left: the shapes keep off the title's
  // letters, and leaving gives back the band as it was.
  void TitleHover() {
    const platform::Surface& shown = rig->host.Window().Pixels();
    const WindowRect band = parts->Title.TitleArea;
    const auto copy = [&] {
      std::vector<platform::Colour> pixels;
      for (int y = band.top; y < band.bottom; ++y)
        for (int x = band.left; x < band.right; ++x) pixels.push_back(shown.GetPixel(x, y));
      return pixels;
    };
    const std::vector<platform::Colour> before = copy();
    parts->StartTitleTimer(0);
    Settle(20);
    Shot("title-hover");
    for (const TitleShape& shape : parts->Title.Shapes) {
      WindowRect reach{1 << 20, 1 << 20, -(1 << 20), -(1 << 20)};
      for (std::size_t i = 0; i < shape.PointCount; ++i) {
        const int x = static_cast<int>(shape.DrawPoints[2 * i]), y = static_cast<int>(shape.DrawPoints[2 * i + 1]);
        reach = {std::min(reach.left, x), std::min(reach.top, y), std::max(reach.right, x + 1), std::max(reach.bottom, y + 1)};
      }
      EXPECT_FALSE(reach.Intersects(parts->Title.TitleTextBox)) << "a shape " << Show(reach) << " over the title";
    }
    parts->StartTitleTimer(1);
    Settle(20);
    Shot("title-left");
    const std::vector<platform::Colour> after = copy();
    int changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i) changed += before[i] != after[i];
    EXPECT_EQ(changed, 0) << "pixels of the title band changed by hovering it";
  }

  // The start screen, its menu items, the detected list and the pages of each unit family.
  void StartScreens(bool catalogue) {
    PaintAll();
    Shot("start");
    TitleHover();
    InfoPanel& panel = Panel();
    for (std::uint8_t item = 0; item < (catalogue ? 3 : 0); ++item) {
      panel.MenuSelection = item;
      panel.SetScreen(InfoPanel::kStartPage);
      PaintAll();
      Shot("start-menu" + std::to_string(item));
    }
    if (catalogue) {
      panel.SetScreen(InfoPanel::kDetectedSensors);
      PaintAll();
      Shot("detected");
    }
    for (std::size_t i = 0; i < unit_count_; ++i) {
      const std::string unit = "unit-" + std::to_string(Window().SensorButtons[i].SensorCode);
      Click(75163 + static_cast<std::int32_t>(i));
      Settle();
      PaintAll();
      Shot(unit + "-preparation");
      {
        std::lock_guard lock(Window().Devices->TableLock);
        Window().SlotBinder->MarkSlotForDevice(*Window().Devices->DeviceTable[i]);
      }
      Window().RefreshDevices(1);
      Window().UpdateMeasureButton();
    }
    // The other families' pages from the catalogue: voltage, pH, conductivity, distance, pulse.
    for (std::uint16_t code : catalogue ? std::vector<std::uint16_t>{9, 5, 6, 64, 35} : std::vector<std::uint16_t>{}) {
      for (std::uint8_t screen : {InfoPanel::kSensorInformation, InfoPanel::kPreparation}) {
        panel.SensorCode = code;
        panel.Slot = nullptr;
        panel.SetScreen(screen);
        PaintAll();
        Shot((screen == InfoPanel::kPreparation ? "preparation-" : "information-") + std::to_string(code));
      }
    }
    panel.SetScreen(InfoPanel::kStartPage);
    Window().MainButtonsShow();
    Settle();
  }

  // The measurement screen with the units of `prepared`; its menus, panels and help pages on the first.
  void MeasureScreen(const std::vector<std::size_t>& prepared, const std::string& name, bool everything) {
    MainWindow& w = Window();
    for (std::size_t i = 0; i < 4; ++i) w.Bytes.SensorPrepared[i] = 0;
    for (std::size_t i : prepared) w.SensorChosen[i] = w.Bytes.SensorPrepared[i] = 1;
    w.UpdateMeasureButton();
    Click(75172);
    Until([&] { return w.Bytes.MeasureScreenActive.load() == 1; });
    Settle();
    w.OnKeyDown(platform::key::kSpace, 1, 0);
    for (int k = 0; k < 2000 && w.View->SampleCount < 1500; ++k) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    w.OnKeyDown(platform::key::kSpace, 1, 0);
    Settle();
    PaintAll();
    Shot(name);
    if (everything) {
      for (std::int32_t id : {75010, 75011, 75012, 75049}) {
        if (FindImageButton(w.Window(), id) == nullptr || !FindImageButton(w.Window(), id)->IsVisible()) continue;
        Click(id);
        Settle();
        Shot(name + "-menu" + std::to_string(id));
        Click(id);
        Settle();
      }
      Click(75037);  // the sensor settings panel
      Settle(20);
      Shot(name + "-settings");
      Click(75037);
      Settle(20);
      Click(75186);  // the help panel, page by page
      for (int page = 0; page < 4; ++page) {
        Settle();
        PaintAll();
        Shot(name + "-help" + std::to_string(page));
        w.Help.NextPage();
      }
      Click(75186);
      Settle();
      // A hint: the pointer rests on the File button.
      const WindowRect file = FindImageButton(w.Window(), 75010)->Rect();
      rig->host.Window().DeliverMouse(platform::MouseKind::Move, {file.left + file.Width() / 2, file.top + file.Height() / 2}, 0);
      Settle(40);
      Shot(name + "-hint");
    }
    w.OnKeyDown(platform::key::kEscape, 1, 0);
    Until([&] { return w.Bytes.InfoScreenActive.load() == 1; });
    Settle();
  }

  sim::Bus& bus = sim::Bus::Instance();
  apptest::FastClock clock;
  std::unique_ptr<apptest::Rig> rig;
  std::shared_ptr<StartScreenParts> parts;
  int shots = 0;

 private:
  Size size_;
  bool english_;
  std::string dir_;
  std::size_t unit_count_ = 0;
};

TEST(ScreenSweep, EveryScreenAtEachSizeInBothLanguages) {
  for (const Size& size : SweepSizes()) {
    for (bool english : {false, true}) {
      {
        // A temperature sensor and a two-channel voltage sensor.
        Sweep sweep(size, english, "wired:15/1063:sine;auto:kind=51:ramp|sine");
        sweep.StartScreens(true);
        sweep.MeasureScreen({0}, "measure-1ch", true);
        sweep.MeasureScreen({1}, "measure-2ch", false);
        sweep.MeasureScreen({0, 1}, "measure-3ch", false);
        EXPECT_GE(sweep.shots, 25);
      }
      // A wireless accelerometer (three channels) and a temperature sensor.
      Sweep sweep(size, english, "auto:kind=7/3;wired:15/1063:sine");
      sweep.StartScreens(false);
      sweep.MeasureScreen({0, 1}, "measure-4ch", false);
    }
  }
}

}  // namespace
