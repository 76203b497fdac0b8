// The assembled main window driven as a user does: a sensor chosen, the measurement screen entered,
// a record taken on the simulated bus (virtual time), then controls, mouse and keys, and what the
// window shows read back as pictures.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/start_screen_parts.h"
#include "layout/main_controls.h"
#include "app_test_support.h"
#include "fast_clock.h"
#include "sim/unit_list.h"

namespace apptest {

// A copy of the window's pixels.
struct Picture {
  int Width = 0, Height = 0;
  std::vector<std::uint8_t> Bytes;  // rows of Width * 4 bytes

  const std::uint8_t* At(int x, int y) const { return Bytes.data() + (static_cast<std::size_t>(y) * Width + x) * 4; }
  bool Same(const Picture& other, int x, int y) const {
    const std::uint8_t *a = At(x, y), *b = other.At(x, y);
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
  }
  // Pixels of `r` that differ from `other`.
  int Differences(const Picture& other, const platform::WindowRect& r) const {
    int n = 0;
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, Height); ++y)
      for (int x = std::max(r.left, 0); x < std::min(r.right, Width); ++x) n += Same(other, x, y) ? 0 : 1;
    return n;
  }
};

class ReviewRig {
 public:
  // `units` in the simulator's list syntax; the default is one voltage sensor giving a 1 Hz sine.
  explicit ReviewRig(int width = 1366, int height = 768, bool english = false,
                     const std::string& units = "wired:04/1195:sine=2048,1500,1")
      : rig_(std::make_unique<Rig>(width, height, true, 32, !english)) {
    bus_.Reset(sim::ClockMode::Virtual);
    for (const sim::UnitSpec& unit : sim::ParseUnitList(units)) sim::AttachUnit(bus_, unit);
    unit_count_ = sim::ParseUnitList(units).size();
    rig_->environment.Clock = &clock_;
    MainWindow& w = rig_->Create(english, [this](MainWindow& created) { parts_ = InstallStartScreenParts(created); });
    for (int k = 0; k < 400 && w.Panels[1]->ContentShown == 0; ++k) rig_->Step(33);
    Until([&] {
      for (std::size_t i = 0; i < unit_count_; ++i)
        if (w.SensorButtons[i].Unit == nullptr) return false;
      return true;
    });
  }
  ~ReviewRig() {
    rig_.reset();
    bus_.Reset(sim::ClockMode::Virtual);
  }
  ReviewRig(const ReviewRig&) = delete;
  ReviewRig& operator=(const ReviewRig&) = delete;

  MainWindow& Window() { return *rig_->window; }
  GraphView& View() { return *rig_->window->View; }
  platform::HeadlessHost& Host() { return rig_->host; }

  // Every unit chosen and ticked for the record, then "Measurements".
  void EnterMeasureScreen() {
    MainWindow& w = Window();
    for (std::size_t i = unit_count_; i-- > 0;) {
      Press(75163 + static_cast<std::int32_t>(i));
      {
        std::lock_guard lock(w.Devices->TableLock);
        w.SlotBinder->MarkSlotForDevice(*w.Devices->DeviceTable[i]);
      }
      w.RefreshDevices(1);
      w.Bytes.SensorPrepared[i] = 1;
    }
    w.UpdateMeasureButton();
    Press(75172);
    ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
    for (int k = 0; k < 10; ++k) Step(33);
  }
  // Space, `seconds` of the bus's time, Space; then the window settles on the stopped record.
  void Record(double seconds) {
    Key(platform::key::kSpace);
    ASSERT_EQ(View().Recording.load(), 1);
    const double wanted = seconds * View().RateSetting;
    // The window is left alone meanwhile: the bus runs on the worker's sleeps.
    for (int k = 0; k < 200000 && Samples() < wanted; ++k) std::this_thread::sleep_for(std::chrono::microseconds(100));
    Key(platform::key::kSpace);
    ASSERT_EQ(View().Recording.load(), 0);
    Until([&] { return View().RecordViewable != 0; });
    for (int k = 0; k < 5; ++k) Step(33);
  }
  std::uint32_t Samples() {
    std::lock_guard lock(View().ViewLock);
    return View().SampleCount;
  }

  // A left click in the middle of a control, through the window core as the pointer gives it.
  void Press(std::int32_t id) {
    const platform::Control* control = FindMainControl(Host().Window(), id);
    ASSERT_NE(control, nullptr) << id;
    ASSERT_TRUE(control->IsVisible()) << id;
    const platform::WindowRect r = control->Rect();
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    Mouse(platform::MouseKind::Move, x, y);
    Mouse(platform::MouseKind::LeftDown, x, y);
    Mouse(platform::MouseKind::LeftUp, x, y);
  }
  // One mouse event at a client point; the buttons held are tracked as the host reports them.
  void Mouse(platform::MouseKind kind, int x, int y) {
    const unsigned bit = Bit(kind);
    if (platform::IsPress(kind)) held_ |= bit;
    if (platform::IsRelease(kind)) held_ &= ~bit;
    Host().Window().DeliverMouse(kind, {x, y}, held_);
    Settle();
  }
  // A press at one point, moves in steps to another, and the release there.
  void Drag(platform::MouseButton button, int x0, int y0, int x1, int y1, int steps = 8) {
    using platform::MouseKind;
    const MouseKind down = button == platform::MouseButton::Right ? MouseKind::RightDown
                           : button == platform::MouseButton::Middle ? MouseKind::MiddleDown : MouseKind::LeftDown;
    const MouseKind up = button == platform::MouseButton::Right ? MouseKind::RightUp
                         : button == platform::MouseButton::Middle ? MouseKind::MiddleUp : MouseKind::LeftUp;
    Mouse(MouseKind::Move, x0, y0);
    Mouse(down, x0, y0);
    for (int k = 1; k <= steps; ++k) Mouse(MouseKind::Move, x0 + (x1 - x0) * k / steps, y0 + (y1 - y0) * k / steps);
    Mouse(up, x1, y1);
  }
  void Click(platform::MouseButton button, int x, int y) { Drag(button, x, y, x, y, 0); }
  void Key(unsigned virtual_key) {
    Window().OnKeyDown(virtual_key, 1, 0);
    Settle();
  }

  // Queued calls, due timers and the paint, as the host's loop runs them.
  void Settle() { Host().Pump(); }
  // The clock moves on by `ms`; due timers run and the window paints.
  void Step(int ms) {
    rig_->Step(ms);
    Host().Pump();
  }
  Picture Screen() {
    Settle();
    const platform::Surface& s = Host().Window().Pixels();
    Picture p{s.Width(), s.Height(), {}};
    p.Bytes.resize(static_cast<std::size_t>(p.Width) * p.Height * 4);
    for (int y = 0; y < p.Height; ++y) std::copy_n(s.Row(y), p.Width * 4, p.Bytes.data() + static_cast<std::size_t>(y) * p.Width * 4);
    return p;
  }
  platform::WindowRect Plot() const {
    const PixelRect& r = rig_->window->View->PlotRect;
    return {r.Left, r.Top, r.Right, r.Bottom};
  }
  platform::WindowRect ViewArea() const {
    const PixelRect& r = rig_->window->View->ViewRect;
    return {r.Left, r.Top, r.Right, r.Bottom};
  }

  template <typename Done>
  void Until(Done done, int ms = 20000) {
    for (int k = 0; k < ms && !done(); ++k) {
      Host().Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(done());
  }

 private:
  static unsigned Bit(platform::MouseKind kind) {
    switch (platform::ButtonOf(kind)) {
      case platform::MouseButton::Left: return platform::kMouseLeft;
      case platform::MouseButton::Right: return platform::kMouseRight;
      case platform::MouseButton::Middle: return platform::kMouseMiddle;
      default: return 0;
    }
  }

  sim::Bus& bus_ = sim::Bus::Instance();
  FastClock clock_;
  std::unique_ptr<Rig> rig_;
  std::shared_ptr<StartScreenParts> parts_;
  std::size_t unit_count_ = 0;
  unsigned held_ = 0;
};

}  // namespace apptest
