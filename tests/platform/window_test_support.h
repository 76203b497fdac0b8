// Recording main-window handler and control for the window core tests.
#pragma once

#include <string>
#include <thread>
#include <vector>

#include "platform/window_core.h"

namespace window_test {

struct Received {
  platform::MouseKind kind;
  platform::WindowPoint point;
};

class RecordingHandler : public platform::MainWindowHandler {
 public:
  void OnPaint(const platform::PaintContext& context) override {
    paints.push_back(context.clip);
    areas.push_back(context.areas != nullptr ? *context.areas : std::vector<platform::WindowRect>{});
    paintThreads.push_back(std::this_thread::get_id());
  }
  void OnMouse(const platform::MouseEvent& e) override { mouse.push_back({e.kind, e.point}); }
  void OnKeyDown(unsigned key, unsigned, unsigned) override { keys.push_back(key); }
  void OnTimer(unsigned id) override { timers.push_back(id); }
  void OnClose() override { ++closes; }

  std::vector<platform::WindowRect> paints;
  std::vector<std::vector<platform::WindowRect>> areas;  // of each paint, as invalidated
  std::vector<std::thread::id> paintThreads;
  std::vector<Received> mouse;
  std::vector<unsigned> keys;
  std::vector<unsigned> timers;
  int closes = 0;
};

// Behaves as the owner-drawn buttons do: a release counts as a click only after a press on it,
// with the pointer back inside its own rectangle.
class RecordingControl : public platform::Control {
 public:
  std::vector<Received> mouse;
  std::vector<unsigned> timers;
  std::vector<platform::PaintContext> paints;
  int clicks = 0;
  bool armed = false;
  std::string* paintLog = nullptr;  // shared log of paint order
  char name = '?';

 protected:
  void OnPaint(const platform::PaintContext& context) override {
    paints.push_back(context);
    if (paintLog) paintLog->push_back(name);
  }
  void OnMouse(const platform::MouseEvent& e) override {
    mouse.push_back({e.kind, e.point});
    if (e.kind == platform::MouseKind::LeftDown) armed = true;
    if (e.kind == platform::MouseKind::LeftUp) {
      if (armed && ClientRect().Contains(e.point)) ++clicks;
      armed = false;
    }
  }
  void OnTimer(unsigned id) override { timers.push_back(id); }
};

}  // namespace window_test
