// A recording owner with patterned back buffers and a probe button on the control frame, for the control tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "controls/control_frame.h"
#include "controls/control_owner.h"
#include "platform/gdi.h"
#include "platform/window_core.h"

namespace control_test {

// A colour that differs from its neighbours in every direction, so a copy from a wrong place shows.
inline platform::Colour Pattern(int x, int y, std::uint8_t salt = 0) {
  return {static_cast<std::uint8_t>(x * 3 + salt), static_cast<std::uint8_t>(y * 5),
          static_cast<std::uint8_t>(x * 7 + y * 11), 255};
}

inline void PaintPattern(platform::Surface& s, std::uint8_t salt) {
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) s.SetPixel(x, y, Pattern(x, y, salt));
}

struct OwnerCall {
  std::string name;
  std::int32_t a = 0, b = 0, id = 0;
  friend bool operator==(const OwnerCall&, const OwnerCall&) = default;
};

inline constexpr platform::Colour kMainWindowGrey{90, 90, 90, 255};

// The main window as the controls see it, and as the window core sees it: it paints its client
// area plain grey, while its two back buffers hold patterns.
class RecordingOwner : public ControlOwner, public platform::MainWindowHandler {
 public:
  RecordingOwner(int width, int height) : composition(width, height), startScreen(width, height) {
    PaintPattern(composition, 0);
    PaintPattern(startScreen, 100);
  }

  float ScaleX() const override { return 1.0f; }
  float ScaleY() const override { return 1.0f; }
  float UiScale() const override { return 1.0f; }
  bool EnglishUi() const override { return english; }

  // The composition buffer unless the id is mapped elsewhere (nullptr: nothing behind it).
  platform::Surface* BackBufferForButton(const ControlFrame& control) override {
    auto it = buffers.find(control.ControlId());
    return it == buffers.end() ? &composition : it->second;
  }
  platform::Surface* GetBackBufferDC() override { return &composition; }
  bool HoldsBackControlCopies() const override { return holdBack; }

  void OnButtonPress(std::int32_t a, std::int32_t b, std::int32_t id) override {
    calls.push_back({"press", a, b, id});
  }
  void OnButtonHover(std::int32_t a, std::int32_t b, std::int32_t id) override {
    calls.push_back({"hover", a, b, id});
  }
  void HideHintAndSlideLogo(std::int32_t id) override { calls.push_back({"passive", 0, 0, id}); }
  void FillRangeMenu(std::int32_t kind, std::int32_t item, std::int32_t id) override {
    calls.push_back({"range menu", kind, item, id});
  }
  void OnButtonRightClick(std::int32_t id) override { calls.push_back({"right click", 0, 0, id}); }

  void OnPaint(const platform::PaintContext& context) override {
    const platform::WindowRect& c = context.clip;
    platform::FillRect(context.target, {c.left, c.top, c.right, c.bottom}, platform::Brush{kMainWindowGrey});
  }

  std::size_t Count(const std::string& name) const {
    return std::count_if(calls.begin(), calls.end(), [&](const OwnerCall& call) { return call.name == name; });
  }

  platform::Surface composition;
  platform::Surface startScreen;
  std::map<std::int32_t, platform::Surface*> buffers;
  bool holdBack = false;
  bool english = false;
  std::vector<OwnerCall> calls;
};

// A toggle button in the manner of the image buttons: the press toggles the state and redraws,
// the release over it reports the click, a cancelled press toggles back; it reports hovers and
// right clicks. It draws a square of its state's colour inset by `inset`, or nothing.
class ProbeButton : public ControlFrame {
 public:
  using ControlFrame::ControlFrame;
  using ControlFrame::StartAnimationTimer;
  using ControlFrame::StopAnimationTimer;

  static constexpr platform::Colour kUp{200, 40, 30, 255};
  static constexpr platform::Colour kDown{30, 200, 40, 255};

  bool drawsSquare = false;
  int inset = 4;
  std::vector<unsigned> ticks;

 protected:
  void Draw(agg_ren&, platform::Surface& screen) override {
    if (!drawsSquare) return;
    const platform::Colour c = State == kStateDown ? kDown : kUp;
    platform::FillRect(screen, {inset, inset, screen.Width() - inset, screen.Height() - inset},
                       platform::Brush{c});
  }
  void OnLButtonDown(platform::WindowPoint) override {
    Toggle();
    Invalidate();
  }
  void OnLButtonUp(platform::WindowPoint) override { NotifyPress(); }
  void OnPressCancelled() override {
    Toggle();
    Invalidate();
  }
  void OnMouseMove(platform::WindowPoint, unsigned, bool hover) override {
    if (hover) NotifyHover();
  }
  void OnRButtonDown(platform::WindowPoint) override { NotifyRightClick(); }
  void OnTimer(unsigned id) override { ticks.push_back(id); }

 private:
  void Toggle() { State = State == kStateUp ? kStateDown : kStateUp; }
};

// A host window with the recording owner behind it, and the steps every control test takes.
struct Harness {
  Harness(int width = 400, int height = 300) : host(width, height, clock), owner(width, height) {
    host.SetHandler(&owner);
  }
  void Place(platform::Control& c, int id, platform::WindowRect rect) {
    c.Create(host, id, rect);
    c.Show();
    host.UpdateNow();
  }
  void Mouse(platform::MouseKind kind, platform::WindowPoint p, unsigned flags = 0) {
    host.DeliverMouse(kind, p, flags);
    host.UpdateNow();
  }
  void Click(platform::WindowPoint p) {
    Mouse(platform::MouseKind::LeftDown, p, platform::kMouseLeft);
    Mouse(platform::MouseKind::LeftUp, p);
  }
  // Steps the fake clock one animation period and fires what is due.
  void Tick(int periods = 1) {
    for (int i = 0; i < periods; ++i) {
      clock.Advance(33);
      host.RunDueTimers();
    }
    host.UpdateNow();
  }
  platform::Colour Pixel(int x, int y) { return host.Pixels().GetPixel(x, y); }

  platform::FakeClock clock;
  platform::HostWindow host;
  RecordingOwner owner;
};

}  // namespace control_test
