// The window core: host window, owner-drawn child controls, input routing, capture, timers, invalidation, queue.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/surface.h"
#include "platform/window_events.h"
#include "platform/window_geometry.h"
#include "platform/window_timers.h"

namespace platform {

class HostWindow;

// What a paint handler gets: the window's pixels, the area that must be redrawn (window
// coordinates) and where the receiver's own top-left corner lies in those pixels.
struct PaintContext {
  Surface& target;
  WindowRect clip;
  WindowPoint origin;
  // A control painted only because what lies below it was painted over it: its own look was not
  // invalidated, so a picture it still holds may go to the window again as it is.
  bool covered = false;
  // The main window's paint: the areas invalidated since the last paint, each as it was asked
  // for (clip is their bounding box); none when the window does not keep them apart.
  const std::vector<WindowRect>* areas = nullptr;
};

enum class CursorShape { Arrow, Hand };

// The main window's side of the host window: it gets every event no control takes, and all keys.
class MainWindowHandler {
 public:
  virtual ~MainWindowHandler() = default;
  virtual void OnPaint(const PaintContext& context) = 0;
  virtual void OnMouse(const MouseEvent& event) { (void)event; }  // window coordinates
  virtual void OnKeyDown(unsigned virtualKey, unsigned repeat, unsigned flags) {
    (void)virtualKey, (void)repeat, (void)flags;
  }
  virtual void OnTimer(unsigned id) { (void)id; }
  virtual void OnActivate(bool active) { (void)active; }
  // A close asked for from outside the program (the desktop's close); false keeps the window.
  virtual bool OnCloseRequest() { return true; }
  // A close request; the window is destroyed once this returns.
  virtual void OnClose() {}
};

// What the real window (the Qt host) does for the core. Tests run the core without one.
class HostBackend {
 public:
  virtual ~HostBackend() = default;
  // Window thread: an area became dirty; update it soon (the host then calls UpdateNow).
  virtual void RequestUpdate(const WindowRect& rect) = 0;
  // Window thread: the window's pixels changed in this area; show them.
  virtual void Present(const WindowRect& rect) = 0;
  // Any thread, must not block: the queue holds work; have the window thread drain it.
  virtual void WakeWindowThread() = 0;
  // Window thread: the set of timers changed; reschedule the wake-up for the next due one.
  virtual void TimersChanged() = 0;
  virtual void SetCursor(CursorShape shape) = 0;
  // Window thread: the main window handled the close request; take the window down.
  virtual void DestroyWindow() = 0;
  // Window thread: shows the window minimised (true) or maximised; a host without a desktop ignores it.
  virtual void ShowMinimisedOrMaximised(bool minimised) { (void)minimised; }
  // Window thread: the window's pixels are about to change, and have changed. A host whose display
  // may still be reading the pixels (they are its own picture of the window) waits in the first.
  virtual void BeginPaint() {}
  virtual void EndPaint() {}
};

// A child control: an owner-drawn rectangle of the host window. It is created hidden; every
// operation on a control that is not created does nothing.
class Control {
 public:
  Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control();

  // Window thread. Places the control on top of the others, hidden. False when already created.
  bool Create(HostWindow& host, int id, const WindowRect& rect);
  void Destroy();

  bool IsCreated() const { return created_.load(std::memory_order_acquire); }
  bool IsVisible() const { return IsCreated() && visible_.load(std::memory_order_acquire); }
  int Id() const { return id_; }
  // Window thread: the rectangle in the host window's client coordinates.
  WindowRect Rect() const { return rect_; }
  WindowRect ClientRect() const { return {0, 0, rect_.Width(), rect_.Height()}; }
  HostWindow* Host() const { return host_.load(std::memory_order_acquire); }

  // Any thread: off the window thread these are queued and carried out there.
  void Show();
  void Hide();
  void Move(const WindowRect& rect);
  void Invalidate();
  void SetTimer(unsigned id, unsigned periodMs);
  void KillTimer(unsigned id);
  // Window thread.
  void BringToTop();

 protected:
  // Draw the control's rectangle; context.origin is the control's top-left in context.target.
  virtual void OnPaint(const PaintContext& context) { (void)context; }
  // Points are relative to the control's top-left corner, and may lie outside it while the
  // control holds the capture.
  virtual void OnMouse(const MouseEvent& event) { (void)event; }
  virtual void OnTimer(unsigned id) { (void)id; }
  // The control has just been shown or hidden (window thread).
  virtual void OnShowChanged(bool visible) { (void)visible; }
  // Runs `op` with this control on the window thread: at once there, else queued; a control
  // destroyed meanwhile is left alone.
  void RunOnWindowThread(std::function<void(Control&)> op);

 private:
  friend class HostWindow;
  template <typename Op>
  void OnWindowThread(Op op);

  std::atomic<HostWindow*> host_{nullptr};
  std::atomic<bool> created_{false};
  std::atomic<bool> visible_{false};
  std::atomic<std::uint64_t> serial_{0};
  int id_ = 0;
  WindowRect rect_;
  bool dirty_ = false;
  // Invalidated itself (shown, moved, changed), not only painted over.
  bool ownDirty_ = false;
};

class HostWindow {
 public:
  // Built on the window thread, which is the thread that constructs it.
  HostWindow(int width, int height, const Clock& clock);
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;
  ~HostWindow();

  void SetHandler(MainWindowHandler* handler) { handler_ = handler; }
  // Set before other threads use the window.
  void SetBackend(HostBackend* backend) { backend_.store(backend, std::memory_order_release); }

  int Width() const { return width_; }
  int Height() const { return height_; }
  WindowRect ClientRect() const { return {0, 0, width_, height_}; }
  // The window's pixels as shown: BGRA, top-down; window thread.
  Surface& Pixels() { return pixels_; }
  // Window thread: the window's pixels move into `pixels` (rows `stride` bytes apart, room for the
  // whole window), which the host keeps alive until it moves them again: the host's own picture of
  // the window, so that what is painted there needs no copy on its way to the screen. `carry`
  // brings what the window shows along (the memory they leave must still be there); without it the
  // whole window paints again. Null takes the pixels back into memory of the window's own.
  void PlacePixels(std::uint8_t* pixels, int stride, bool carry);
  bool PixelsPlaced() const { return !pixels_.Owned(); }
  const Clock& GetClock() const { return clock_; }
  bool IsWindowThread() const { return std::this_thread::get_id() == windowThread_; }

  // Any thread. Marks the area (the whole client area without one) for repainting.
  void Invalidate();
  void Invalidate(const WindowRect& rect);
  // Window thread: paints whatever is dirty now. Off the window thread it is queued.
  void UpdateNow();
  // Window thread: the bounding box of what the main window must repaint.
  WindowRect DirtyBounds() const { return dirty_; }
  // Window thread, from the main window's paint handler: it painted this area as well as the one
  // it was given; the controls there paint again on top and the area is shown with the rest.
  void PaintedBeyondClip(const WindowRect& area);
  // Window thread, from the main window's paint handler: of its clip it changed only these areas
  // of the pixels (none when the list is empty); the rest still shows what was shown before, so
  // the host need not show it again.
  void PaintedOnly(std::vector<WindowRect> areas);
  bool NeedsUpdate() const;

  // Main-window timers; any thread.
  void SetTimer(unsigned id, unsigned periodMs);
  void KillTimer(unsigned id);
  // Window thread: fires every due timer once.
  void RunDueTimers();
  std::optional<std::int64_t> MsUntilNextTimer() const;

  // Any thread, never blocks: runs the call on the window thread at the next drain.
  void Post(std::function<void()> call);
  // Window thread: runs everything queued so far.
  void DrainQueue();
  // Any thread: a close request, always queued.
  void PostClose();
  // Window thread: the window shown minimised or maximised.
  void Minimise();
  void Maximise();
  // Window thread: the main window's close handler, then the window goes down.
  void Close();
  // Window thread: a close the main window may refuse (OnCloseRequest), else Close.
  void RequestClose();
  bool IsClosed() const { return closed_; }

  // Window thread. While a record's file is written or read, whichever thread does the work, the
  // user's mouse and keys are dropped and a close waits: Close and RequestClose only note it. Holds
  // nest; the last release carries out the close that waited (the asking one, when that is all
  // that was asked), queued so that it runs once the file's command has returned. A left press on
  // the window's own close control (SetCloseControl) is the one input kept: a close that waits.
  void HoldInput();
  void ReleaseInput();
  bool InputHeld() const { return holds_ > 0; }
  // Window thread: the id of the control that closes the window as the desktop's close does (0: none).
  void SetCloseControl(int id) { closeControlId_ = id; }

  // Window thread, from the host: input in client coordinates.
  void DeliverMouse(MouseKind kind, WindowPoint point, unsigned flags);
  void DeliverKeyDown(unsigned virtualKey, unsigned repeat, unsigned flags);
  void DeliverActivate(bool active);
  void SetCursor(CursorShape shape);
  // The cursor last set (window thread).
  CursorShape Cursor() const { return cursor_; }
  // Window thread: ends a capture early (a menu closing while a button is held).
  void ReleaseCapture();

  // Window thread: the topmost visible control under the point, or none.
  Control* ControlAt(WindowPoint point) const;
  // Window thread: the control holding the capture; none while the main window holds it or no
  // button is down.
  Control* CaptureControl() const;
  // Window thread: controls from bottom to top.
  const std::vector<Control*>& Controls() const { return controls_; }

 private:
  friend class Control;
  static constexpr std::uint64_t kMainWindow = 0;

  void Attach(Control& control);
  void Detach(Control& control);
  Control* FindControl(std::uint64_t serial) const;
  void AddDirty(const WindowRect& rect);
  // Marks the control and every visible control above it that overlaps the area.
  void MarkControlsDirty(const WindowRect& area, std::size_t fromIndex);
  std::size_t IndexOf(const Control& control) const;
  void SetTimerFor(std::uint64_t receiver, unsigned id, unsigned periodMs);
  void KillTimerFor(std::uint64_t receiver, unsigned id);
  void TimersChanged();
  void Deliver(std::uint64_t receiver, MouseKind kind, WindowPoint point, unsigned flags);

  const int width_;
  const int height_;
  const Clock& clock_;
  const std::thread::id windowThread_;
  Surface pixels_;
  // What the paint handler painted past its clip during the paint under way.
  WindowRect paintedBeyond_;
  // What the paint handler said it changed of its clip, during the paint under way; unset, the clip.
  std::optional<std::vector<WindowRect>> paintedOnly_;
  MainWindowHandler* handler_ = nullptr;
  std::atomic<HostBackend*> backend_{nullptr};

  std::vector<Control*> controls_;  // z-order, bottom first
  std::uint64_t nextSerial_ = 1;
  WindowRect dirty_;
  // The areas that make up dirty_, as they were invalidated; overlapping ones are merged.
  std::vector<WindowRect> dirtyAreas_;
  TimerTable timers_;

  // Capture: who got the press, and which buttons are down since.
  std::optional<std::uint64_t> captureReceiver_;
  unsigned buttonsDown_ = 0;
  std::optional<WindowPoint> lastPoint_;
  bool closed_ = false;
  CursorShape cursor_ = CursorShape::Arrow;
  // Window thread: the holds of the input, and the close asked for meanwhile.
  enum class WaitingClose { None, Request, Close };
  int holds_ = 0;
  WaitingClose waitingClose_ = WaitingClose::None;
  int closeControlId_ = 0;

  mutable std::mutex queueMutex_;
  std::deque<std::function<void()>> queue_;
};

// Holds the window's input for a scope (HostWindow::HoldInput).
class InputHoldScope {
 public:
  explicit InputHoldScope(HostWindow& window) : window_(window) { window_.HoldInput(); }
  ~InputHoldScope() { window_.ReleaseInput(); }
  InputHoldScope(const InputHoldScope&) = delete;
  InputHoldScope& operator=(const InputHoldScope&) = delete;

 private:
  HostWindow& window_;
};

// The display depths the program accepts: 32-bit, and the 24-bit visuals that X servers report
// for the same 32-bit pixel layout. Our surfaces are 32-bit whatever the display says.
inline bool DisplayDepthSupported(int bitsPerPixel) { return bitsPerPixel >= 24; }

}  // namespace platform
