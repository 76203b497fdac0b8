// The assembled main window driven as a user does: sensors chosen, the measurement screen entered,
// a record taken on the simulated bus (virtual time), then controls, mouse and keys through the
// window core, and what the window shows read back as pictures.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "app/preparation_steps.h"
#include "app/start_screen_parts.h"
#include "app_test_support.h"
#include "controls/stick_button_mod.h"
#include "fast_clock.h"
#include "info/info_panel.h"
#include "layout/main_controls.h"
#include "sim/unit_list.h"

namespace apptest {

// A fresh folder under the test output folder, removed with its files at the end.
struct Folder {
  // Named for the process too, so copies of a test program run side by side keep out of each other's way.
  explicit Folder(const char* name)
      : path(std::filesystem::path(VESSAMOR_TEST_OUTPUT_DIR) / (std::string(name) + "-" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~Folder() { std::filesystem::remove_all(path); }
  std::filesystem::path path;
};

// A copy of the window's pixels (4 bytes each: blue, green, red, alpha).
struct Picture {
  int Width = 0, Height = 0;
  std::vector<std::uint8_t> Bytes;
  const std::uint8_t* At(int x, int y) const { return Bytes.data() + (static_cast<std::size_t>(y) * Width + x) * 4; }
  bool Same(const Picture& o, int x, int y) const { return std::equal(At(x, y), At(x, y) + 3, o.At(x, y)); }
  int Differences(const Picture& o, const platform::WindowRect& r) const {
    int n = 0;
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, Height); ++y)
      for (int x = std::max(r.left, 0); x < std::min(r.right, Width); ++x) n += Same(o, x, y) ? 0 : 1;
    return n;
  }
};

class ReviewRig {
 public:
  // `units` in the simulator's list syntax; by default one voltage sensor giving a 1 Hz sine.
  // `memory`: the free memory the window sizes its record by (0: the rig's small default).
  // `preparation`: the preparation pages' steps hooked in, as the program has them.
  explicit ReviewRig(int width = 1366, int height = 768, bool english = false,
                     const std::string& units = "wired:04/1195:sine=2048,1500,1", std::uint64_t memory = 0,
                     bool preparation = false)
      : units_(sim::ParseUnitList(units).size()) {
    bus_.Reset(sim::ClockMode::Virtual);
    for (const sim::UnitSpec& unit : sim::ParseUnitList(units)) sim::AttachUnit(bus_, unit);
    rig_ = std::make_unique<Rig>(width, height, true, 32, !english);
    rig_->environment.Clock = &clock_;
    if (memory != 0) rig_->environment.AvailableMemory = [memory] { return memory; };
    MainWindow& w = rig_->Create(english, [this, preparation](MainWindow& m) {
      parts_ = InstallStartScreenParts(m);
      if (preparation) InstallPreparationSteps(m, parts_);
    });
    for (int k = 0; k < 400 && w.Panels[1]->ContentShown == 0; ++k) Step(33);
    Until([&] { return w.SensorButtons[units_ - 1].Unit != nullptr; });
  }
  ~ReviewRig() {
    rig_.reset();
    bus_.Reset(sim::ClockMode::Virtual);
  }

  MainWindow& Window() { return *rig_->window; }
  GraphView& View() { return *rig_->window->View; }
  platform::HeadlessHost& Host() { return rig_->host; }
  StartScreenParts& Parts() { return *parts_; }
  platform::WindowRect Plot() { return Rect(View().PlotRect); }
  platform::WindowRect ViewArea() { return Rect(View().ViewRect); }

  // Every unit chosen and ticked for the record (with `chosen`, the user has pressed every unit's
  // button already, and a page stays open), then "Measurements".
  void EnterMeasureScreen(bool chosen = false) {
    MainWindow& w = Window();
    // A search's reconciling that lands between the marks and the press can leave the button not
    // ready; a user presses again.
    for (int attempt = 0; attempt < 5 && w.Bytes.MeasureScreenActive.load() == 0; ++attempt) {
      Until([&] { return w.Devices->Searching.load() == 0; });
      for (std::size_t i = units_; i-- > 0;) {
        // Prepared before the window runs anything queued: a search's reconciling leaves a prepared slot bound.
        if (!chosen) Press(75163 + static_cast<std::int32_t>(i), false);
        {
          std::lock_guard lock(w.Devices->TableLock);
          w.SlotBinder->MarkSlotForDevice(*w.Devices->DeviceTable[i]);
        }
        w.RefreshDevices(1);
        w.Bytes.SensorPrepared[i] = 1;
      }
      w.UpdateMeasureButton();
      Press(75172);
    }
    ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
  }
  // Every unit's button pressed and the unit marked prepared, the devices refreshed once, then
  // "Measurements": each unit's channels as its sensor pages would set them.
  void EnterWithEveryUnit() {
    MainWindow& w = Window();
    const auto units = static_cast<std::int32_t>(units_);
    for (int attempt = 0; attempt < 5 && w.Bytes.MeasureScreenActive.load() == 0; ++attempt) {
      Until([&] { return w.Devices->Searching.load() == 0; });
      for (std::int32_t i = units - 1; i >= 0; --i) {
        Press(75163 + i);
        std::lock_guard lock(w.Devices->TableLock);
        w.SlotBinder->MarkSlotForDevice(*w.Devices->DeviceTable[static_cast<std::size_t>(i)]);
      }
      w.RefreshDevices(1);
      for (std::int32_t i = 0; i < units; ++i) w.Bytes.SensorPrepared[static_cast<std::size_t>(i)] = 1;
      w.UpdateMeasureButton();
      Press(75172);
    }
    ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
  }
  // Space, `seconds` of the bus's time (the window left alone meanwhile), `during` while the
  // recording still runs, Space.
  void Record(double seconds, const std::function<void()>& during = {}) {
    const double wanted = seconds * View().RateSetting;
    RecordUntil([&] { return Samples() >= wanted; });
    if (during) during();
    Key(platform::key::kSpace);
    clock_.ReleaseBus();
    ASSERT_EQ(View().Recording.load(), 0);
    Until([&] { return View().RecordViewable != 0; });
    for (int k = 0; k < 5; ++k) Step(33);
  }
  // Space, then the bus let on 50 ms at a time until `reached` (the window left alone meanwhile:
  // nothing queued for it runs), so it comes within a few hundredths of a second of the bus's time
  // however the threads are paced. The bus stays held there until ReleaseBus. A watchdog against
  // hangs only: two minutes with no sample recorded.
  void RecordUntil(const std::function<bool()>& reached) {
    // A slot ready to record, as the window's own slots tell: the device worker's tables are not read
    // from here while it searches.
    Until([&] {
      const auto& slots = Window().DeviceSlots;
      return std::any_of(slots.begin(), slots.end(), [](const DeviceSlot& s) {
        return s.InUse != 0 && s.Prepared != 0 && s.AssignIndex >= 0 && s.SelectedForRecord != 0 && s.CountChannels() > 0;
      });
    });
    std::int64_t held = bus_.NowUs() + 200'000;
    clock_.HoldBusAt(held);
    StartRecording();
    ASSERT_EQ(View().Recording.load(), 1);
    std::uint32_t seen = Samples();
    for (auto watchdog = std::chrono::steady_clock::now() + std::chrono::minutes(2);
         !reached() && std::chrono::steady_clock::now() < watchdog;) {
      if (bus_.NowUs() >= held) clock_.HoldBusAt(held += 50'000);
      std::this_thread::sleep_for(std::chrono::microseconds(100));
      if (const std::uint32_t now = Samples(); now != seen) {
        seen = now;
        watchdog = std::chrono::steady_clock::now() + std::chrono::minutes(2);
      }
    }
  }
  void ReleaseBus() { clock_.ReleaseBus(); }
  FastClock& Clock() { return clock_; }
  // Space until a recording runs. A press while the device worker is busy with a search (a pause it
  // could not take in time, which the stepped clock makes short) finds no unit ready and starts
  // nothing; a user presses again.
  void StartRecording() {
    for (int k = 0; k < 20 && View().Recording.load() == 0; ++k) {
      Until([&] { return Window().Devices->Searching.load() == 0; });
      Key(platform::key::kSpace);
    }
  }
  // The value indicators move on the rig's clock rather than the wall clock's; before any recording.
  void IndicatorsOnRigClock() { View().TickClock = &clock_; }
  // What channel `k`'s value indicator shows once the indicators have moved on and the window is painted afresh.
  double Indicator(std::size_t k) {
    clock_.SleepMs(500);
    for (int n = 0; n < 3; ++n) Step(40);
    Host().Window().Invalidate();
    Step(40);
    return View().Channel(k).IndicatorShownValue;
  }
  std::uint32_t Samples() {
    std::lock_guard lock(View().ViewLock);
    return View().SampleCount;
  }

  // A left click in the middle of a shown control.
  void Press(std::int32_t id, bool settle = true) {
    const platform::Control* control = FindMainControl(Host().Window(), id);
    ASSERT_TRUE(control != nullptr && control->IsVisible()) << id;
    const platform::WindowRect r = control->Rect();
    for (const platform::MouseKind kind : {platform::MouseKind::Move, platform::MouseKind::LeftDown, platform::MouseKind::LeftUp})
      Mouse(kind, (r.left + r.right) / 2, (r.top + r.bottom) / 2, settle);
  }
  // Unit `unit`'s preparation page opened by its sensor button (a rig made with `preparation`), the
  // bus let on 20 ms at a time until `when` holds for the unit's newest code, then "Set 0", the bus
  // going on 10 ms a step until the page has taken the zero from the samples that follow. The bus
  // is left held.
  void ZeroOnPage(std::size_t unit, const std::function<bool(std::int32_t)>& when) {
    MainWindow& w = Window();
    InfoPanel& page = *Parts().Panel;
    Press(75163 + static_cast<std::int32_t>(unit));
    StepUntil([&] { return page.Box1.Shown != 0 && page.Box1.Channel != nullptr && page.Steps.StepPending == 0; });
    const auto newest = [&] {
      std::lock_guard lock(View().ViewLock);
      return std::int32_t{page.Box1.Channel->NewestCode()};
    };
    for (int k = 0; k < 400 && !when(newest()); ++k) {
      const std::int64_t to = bus_.NowUs() + 20'000;
      clock_.HoldBusAt(to);
      Until([&] { return bus_.NowUs() >= to; });
      for (int n = 0; n < 3; ++n) Step(20);
    }
    ASSERT_TRUE(when(newest())) << newest();
    Press(75173);
    StepUntil([&] {
      clock_.HoldBusAt(bus_.NowUs() + 10'000);
      return page.Steps.StepPending == 0 && w.MeasureButtonReady == 1;
    });
  }
  // The window's clock on in steps of 20 ms (its timers run the pages' steps) until `done`, however
  // slowly the workers answer (the watchdog of Until).
  template <typename Done>
  void StepUntil(Done done) {
    Until([&] {
      Step(20);
      return done();
    });
  }
  // Channel k's settings panel opened by its slot button, `choose` given the panel to set its items
  // as a user leaves them, the item `action` reported to the window, and the panel closed.
  void ChannelPanel(std::size_t k, std::uint8_t action, const std::function<void(StickButtonMod&)>& choose) {
    const auto slot = 75181 + static_cast<std::int32_t>(k);
    Press(slot);
    auto* panel = dynamic_cast<StickButtonMod*>(FindMainControl(Host().Window(), kSettingsPanelId));
    ASSERT_TRUE(panel != nullptr && panel->IsVisible());
    choose(*panel);
    panel->HelpShown = StickButtonMod::kNoHelp;
    panel->ActionCode = action;
    Window().OnButtonPress(0, 0, kSettingsPanelId);
    Settle();
    Press(slot);
  }
  // One mouse event at a client point, with the buttons held as a host reports them; then the window settles.
  void Mouse(platform::MouseKind kind, int x, int y, bool settle = true) {
    const unsigned bit = Bit(platform::ButtonOf(kind));
    held_ = platform::IsPress(kind) ? held_ | bit : platform::IsRelease(kind) ? held_ & ~bit : held_;
    Host().Window().DeliverMouse(kind, {x, y}, held_);
    if (settle) Settle();
  }
  // A press, moves in `steps` to the second point, the release there.
  void Drag(platform::MouseButton button, int x0, int y0, int x1, int y1, int steps = 8) {
    using K = platform::MouseKind;
    const int b = button == platform::MouseButton::Right ? 1 : button == platform::MouseButton::Middle ? 2 : 0;
    Mouse(K::Move, x0, y0);
    Mouse(std::array{K::LeftDown, K::RightDown, K::MiddleDown}[b], x0, y0);
    for (int k = 1; k <= steps; ++k) Mouse(K::Move, x0 + (x1 - x0) * k / steps, y0 + (y1 - y0) * k / steps);
    Mouse(std::array{K::LeftUp, K::RightUp, K::MiddleUp}[b], x1, y1);
  }
  void Click(platform::MouseButton button, int x, int y) { Drag(button, x, y, x, y, 0); }
  void Key(unsigned virtual_key) {
    Window().OnKeyDown(virtual_key, 1, 0);
    Settle();
  }

  // Queued calls, due timers and the paint, as one pass of the host's loop.
  void Settle() { Host().Pump(); }
  void Step(int ms) {
    rig_->Step(ms);
    Settle();
  }
  Picture Screen() {
    Settle();
    const platform::Surface& s = Host().Window().Pixels();
    Picture p{s.Width(), s.Height(), std::vector<std::uint8_t>(static_cast<std::size_t>(s.Width()) * s.Height() * 4)};
    for (int y = 0; y < p.Height; ++y) std::copy_n(s.Row(y), p.Width * 4, p.Bytes.data() + static_cast<std::size_t>(y) * p.Width * 4);
    return p;
  }
  template <typename Done>
  void Until(Done done) {
    // A watchdog against hangs only: a busy machine may take its time.
    const auto watchdog = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    bool met = done();
    while (!met && std::chrono::steady_clock::now() < watchdog) {
      Settle();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      met = done();
    }
    ASSERT_TRUE(met);
  }

 private:
  static platform::WindowRect Rect(const PixelRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }
  static unsigned Bit(platform::MouseButton b) {
    return b == platform::MouseButton::Left ? platform::kMouseLeft
           : b == platform::MouseButton::Right ? platform::kMouseRight
           : b == platform::MouseButton::Middle ? platform::kMouseMiddle : 0u;
  }

  sim::Bus& bus_ = sim::Bus::Instance();
  FastClock clock_;
  std::size_t units_;
  std::unique_ptr<Rig> rig_;
  std::shared_ptr<StartScreenParts> parts_;
  unsigned held_ = 0;
};

}  // namespace apptest
