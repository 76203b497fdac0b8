// The window core: controls, input routing, capture, timers, invalidation and the window-thread queue.
#include "platform/window_core.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace platform {

namespace {

unsigned ButtonBit(MouseButton button) {
  switch (button) {
    case MouseButton::Left:
      return kMouseLeft;
    case MouseButton::Right:
      return kMouseRight;
    case MouseButton::Middle:
      return kMouseMiddle;
    case MouseButton::None:
      break;
  }
  return 0;
}

}  // namespace

// ---- Control ----

Control::~Control() {
  if (IsCreated()) Destroy();
}

bool Control::Create(HostWindow& host, int id, const WindowRect& rect) {
  if (IsCreated() || !host.IsWindowThread()) return false;
  id_ = id;
  rect_ = rect;
  dirty_ = false;
  visible_.store(false, std::memory_order_release);
  host_.store(&host, std::memory_order_release);
  host.Attach(*this);
  created_.store(true, std::memory_order_release);
  return true;
}

void Control::Destroy() {
  HostWindow* host = Host();
  if (!IsCreated() || host == nullptr || !host->IsWindowThread()) return;
  host->Detach(*this);
  created_.store(false, std::memory_order_release);
  visible_.store(false, std::memory_order_release);
  host_.store(nullptr, std::memory_order_release);
  serial_.store(0, std::memory_order_release);
}

// Runs op on this control on the window thread: at once there, else through the queue, finding
// the control again by its serial so that a control destroyed meanwhile is left alone.
template <typename Op>
void Control::OnWindowThread(Op op) {
  HostWindow* host = Host();
  if (!IsCreated() || host == nullptr) return;
  if (host->IsWindowThread()) {
    op(*this);
    return;
  }
  const std::uint64_t serial = serial_.load(std::memory_order_acquire);
  host->Post([host, serial, op] {
    if (Control* control = host->FindControl(serial)) op(*control);
  });
}

void Control::RunOnWindowThread(std::function<void(Control&)> op) { OnWindowThread(std::move(op)); }

void Control::Show() {
  OnWindowThread([](Control& c) {
    if (c.visible_.load(std::memory_order_relaxed)) return;
    c.visible_.store(true, std::memory_order_release);
    c.OnShowChanged(true);
    c.Invalidate();
  });
}

void Control::Hide() {
  OnWindowThread([](Control& c) {
    if (!c.visible_.load(std::memory_order_relaxed)) return;
    c.visible_.store(false, std::memory_order_release);
    c.dirty_ = false;
    c.Host()->AddDirty(c.rect_);  // what lay under it shows again
    c.OnShowChanged(false);
  });
}

void Control::Move(const WindowRect& rect) {
  OnWindowThread([rect](Control& c) {
    if (c.rect_ == rect) return;
    const bool visible = c.IsVisible();
    if (visible) c.Host()->AddDirty(c.rect_);
    c.rect_ = rect;
    if (visible) c.Invalidate();
  });
}

void Control::Invalidate() {
  OnWindowThread([](Control& c) {
    if (!c.IsVisible()) return;
    HostWindow& host = *c.Host();
    host.MarkControlsDirty(c.rect_, host.IndexOf(c));
    c.dirty_ = true;
    c.ownDirty_ = true;
    if (HostBackend* backend = host.backend_.load(std::memory_order_acquire)) {
      backend->RequestUpdate(c.rect_.Intersect(host.ClientRect()));
    }
  });
}

void Control::SetTimer(unsigned id, unsigned periodMs) {
  OnWindowThread([id, periodMs](Control& c) {
    c.Host()->SetTimerFor(c.serial_.load(std::memory_order_relaxed), id, periodMs);
  });
}

void Control::KillTimer(unsigned id) {
  OnWindowThread(
      [id](Control& c) { c.Host()->KillTimerFor(c.serial_.load(std::memory_order_relaxed), id); });
}

void Control::BringToTop() {
  HostWindow* host = Host();
  if (!IsCreated() || host == nullptr || !host->IsWindowThread()) return;
  auto& list = host->controls_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end() || it + 1 == list.end()) return;
  list.erase(it);
  list.push_back(this);
  Invalidate();
}

namespace {

// Adds an invalidated area to those kept apart, each as it was asked for (the same area twice is
// kept once); past a handful, the whole window stands for them all.
void AddDirtyArea(std::vector<WindowRect>& areas, const WindowRect& area, const WindowRect& client) {
  constexpr std::size_t kKeptApart = 16;
  if (std::find(areas.begin(), areas.end(), area) != areas.end()) return;
  if (areas.size() >= kKeptApart) {
    areas.assign(1, client);
    return;
  }
  areas.push_back(area);
}

}  // namespace

// ---- HostWindow ----

HostWindow::HostWindow(int width, int height, const Clock& clock)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      clock_(clock),
      windowThread_(std::this_thread::get_id()),
      pixels_(width_, height_),
      dirty_{0, 0, width_, height_} {}  // a new window has never been painted: it shows black till then

HostWindow::~HostWindow() {
  for (Control* control : controls_) {
    control->created_.store(false, std::memory_order_release);
    control->visible_.store(false, std::memory_order_release);
    control->host_.store(nullptr, std::memory_order_release);
    control->serial_.store(0, std::memory_order_release);
  }
}

void HostWindow::Invalidate() { Invalidate(ClientRect()); }

void HostWindow::Invalidate(const WindowRect& rect) {
  if (!IsWindowThread()) {
    Post([this, rect] { AddDirty(rect); });
    return;
  }
  AddDirty(rect);
}

void HostWindow::AddDirty(const WindowRect& rect) {
  const WindowRect area = rect.Intersect(ClientRect());
  if (area.IsEmpty() || closed_) return;
  dirty_ = dirty_.Union(area);
  AddDirtyArea(dirtyAreas_, area, ClientRect());
  if (HostBackend* backend = backend_.load(std::memory_order_acquire)) backend->RequestUpdate(area);
}

bool HostWindow::NeedsUpdate() const {
  if (!dirty_.IsEmpty()) return true;
  return std::any_of(controls_.begin(), controls_.end(),
                     [](const Control* c) { return c->dirty_ && c->IsVisible(); });
}

std::size_t HostWindow::IndexOf(const Control& control) const {
  auto it = std::find(controls_.begin(), controls_.end(), &control);
  return static_cast<std::size_t>(it - controls_.begin());
}

void HostWindow::MarkControlsDirty(const WindowRect& area, std::size_t fromIndex) {
  for (std::size_t i = fromIndex; i < controls_.size(); ++i) {
    Control* c = controls_[i];
    if (c->IsVisible() && c->rect_.Intersects(area)) c->dirty_ = true;
  }
}

void HostWindow::PaintedBeyondClip(const WindowRect& area) {
  const WindowRect inside = area.Intersect(ClientRect());
  if (inside.IsEmpty()) return;
  MarkControlsDirty(inside, 0);
  paintedBeyond_ = paintedBeyond_.Union(inside);
}

void HostWindow::PaintedOnly(std::vector<WindowRect> areas) { paintedOnly_ = std::move(areas); }

void HostWindow::PlacePixels(std::uint8_t* pixels, int stride, bool carry) {
  Surface moved = pixels != nullptr ? Surface::Borrow(pixels, width_, height_, stride) : Surface(width_, height_);
  if (carry) {
    const std::size_t bytes = std::size_t{4} * static_cast<std::size_t>(width_);
    for (int y = 0; y < height_; ++y) {
      if (moved.Row(y) != pixels_.Row(y)) std::memcpy(moved.Row(y), pixels_.Row(y), bytes);
    }
  } else {
    Invalidate();
  }
  pixels_ = std::move(moved);
}

void HostWindow::UpdateNow() {
  if (!IsWindowThread()) {
    Post([this] { UpdateNow(); });
    return;
  }
  if (closed_) return;
  Surface& target = pixels_;
  const WindowRect clip = dirty_.Intersect(ClientRect());
  HostBackend* const host = backend_.load(std::memory_order_acquire);
  const bool painting = !clip.IsEmpty() || std::any_of(controls_.begin(), controls_.end(), [](const Control* c) { return c->dirty_; });
  if (painting && host != nullptr) host->BeginPaint();
  dirty_ = {};
  std::vector<WindowRect> areas;
  areas.swap(dirtyAreas_);
  WindowRect presented;
  // Areas of a paint that changed only parts of its clip, shown each on its own.
  std::vector<WindowRect> parts;
  if (!clip.IsEmpty()) {
    // The main window paints over the whole clip, so every control there paints again on top.
    MarkControlsDirty(clip, 0);
    paintedBeyond_ = {};
    paintedOnly_.reset();
    if (handler_ != nullptr) handler_->OnPaint(PaintContext{target, clip, {0, 0}, false, &areas});
    if (paintedOnly_) {
      for (const WindowRect& area : *paintedOnly_) parts.push_back(area.Intersect(ClientRect()));
      presented = paintedBeyond_;
    } else {
      presented = clip.Union(paintedBeyond_);
    }
    paintedOnly_.reset();
    paintedBeyond_ = {};
  }
  // A paint handler may create, move or destroy controls: walk by serial, bottom to top.
  std::vector<std::uint64_t> order;
  order.reserve(controls_.size());
  for (const Control* c : controls_) order.push_back(c->serial_.load(std::memory_order_relaxed));
  for (std::uint64_t serial : order) {
    Control* c = FindControl(serial);
    if (c == nullptr || !c->dirty_) continue;
    c->dirty_ = false;
    const bool covered = !c->ownDirty_;
    c->ownDirty_ = false;
    const WindowRect area = c->rect_.Intersect(ClientRect());
    if (!c->IsVisible() || area.IsEmpty()) continue;
    c->OnPaint(PaintContext{target, area, {c->rect_.left, c->rect_.top}, covered});
    presented = presented.Union(area);
  }
  if (painting && host != nullptr) host->EndPaint();
  if (HostBackend* backend = backend_.load(std::memory_order_acquire)) {
    for (const WindowRect& part : parts) {
      if (!part.IsEmpty()) backend->Present(part);
    }
    if (!presented.IsEmpty()) backend->Present(presented);
  }
}

void HostWindow::SetTimer(unsigned id, unsigned periodMs) { SetTimerFor(kMainWindow, id, periodMs); }

void HostWindow::KillTimer(unsigned id) { KillTimerFor(kMainWindow, id); }

void HostWindow::SetTimerFor(std::uint64_t receiver, unsigned id, unsigned periodMs) {
  if (!IsWindowThread()) {
    Post([this, receiver, id, periodMs] { SetTimerFor(receiver, id, periodMs); });
    return;
  }
  if (closed_) return;
  // A control's timer queued before the control went away must not come back.
  if (receiver != kMainWindow && FindControl(receiver) == nullptr) return;
  timers_.Set({receiver, id}, periodMs, clock_.NowMs());
  TimersChanged();
}

void HostWindow::KillTimerFor(std::uint64_t receiver, unsigned id) {
  if (!IsWindowThread()) {
    Post([this, receiver, id] { KillTimerFor(receiver, id); });
    return;
  }
  timers_.Kill({receiver, id});
  TimersChanged();
}

void HostWindow::TimersChanged() {
  if (HostBackend* backend = backend_.load(std::memory_order_acquire)) backend->TimersChanged();
}

void HostWindow::RunDueTimers() {
  if (!IsWindowThread() || closed_) return;
  for (const TimerTable::Fire& fire : timers_.TakeDue(clock_.NowMs())) {
    // An earlier tick of this round may have killed or replaced this timer.
    if (!timers_.IsCurrent(fire)) continue;
    if (fire.key.receiver == kMainWindow) {
      if (handler_ != nullptr) handler_->OnTimer(fire.key.id);
    } else if (Control* c = FindControl(fire.key.receiver)) {
      c->OnTimer(fire.key.id);
    }
  }
  TimersChanged();
}

std::optional<std::int64_t> HostWindow::MsUntilNextTimer() const {
  return timers_.MsUntilNext(clock_.NowMs());
}

void HostWindow::Post(std::function<void()> call) {
  bool wake = false;
  {
    std::lock_guard lock(queueMutex_);
    wake = queue_.empty();
    queue_.push_back(std::move(call));
  }
  if (wake) {
    if (HostBackend* backend = backend_.load(std::memory_order_acquire)) backend->WakeWindowThread();
  }
}

void HostWindow::DrainQueue() {
  if (!IsWindowThread()) return;
  for (;;) {
    std::deque<std::function<void()>> calls;
    {
      std::lock_guard lock(queueMutex_);
      calls.swap(queue_);
    }
    if (calls.empty()) return;
    for (auto& call : calls) call();
  }
}

void HostWindow::PostClose() {
  Post([this] { Close(); });
}

void HostWindow::Close() {
  if (!IsWindowThread() || closed_) return;
  if (holds_ > 0) {
    waitingClose_ = WaitingClose::Close;
    return;
  }
  if (handler_ != nullptr) handler_->OnClose();
  closed_ = true;
  for (Control* c : controls_) timers_.KillReceiver(c->serial_.load(std::memory_order_relaxed));
  timers_.KillReceiver(kMainWindow);
  captureReceiver_.reset();
  buttonsDown_ = 0;
  if (HostBackend* backend = backend_.load(std::memory_order_acquire)) backend->DestroyWindow();
}

void HostWindow::RequestClose() {
  if (!IsWindowThread() || closed_) return;
  if (holds_ > 0) {
    if (waitingClose_ == WaitingClose::None) waitingClose_ = WaitingClose::Request;
    return;
  }
  if (handler_ != nullptr && !handler_->OnCloseRequest()) return;
  Close();
}

void HostWindow::HoldInput() {
  if (IsWindowThread()) ++holds_;
}

void HostWindow::ReleaseInput() {
  if (!IsWindowThread() || holds_ == 0 || --holds_ > 0) return;
  const WaitingClose waiting = std::exchange(waitingClose_, WaitingClose::None);
  if (waiting == WaitingClose::Close) {
    Post([this] { Close(); });
  } else if (waiting == WaitingClose::Request) {
    Post([this] { RequestClose(); });
  }
}

void HostWindow::DeliverMouse(MouseKind kind, WindowPoint point, unsigned flags) {
  if (!IsWindowThread() || closed_) return;
  if (holds_ > 0) {
    // The user asked for the close with the window's own control: it waits as the desktop's does.
    if (kind == MouseKind::LeftDown && closeControlId_ != 0) {
      if (const Control* hit = ControlAt(point); hit != nullptr && hit->id_ == closeControlId_) RequestClose();
    }
    return;
  }
  // The pointer has not moved: nothing to report.
  if (kind == MouseKind::Move && lastPoint_ == point) return;
  lastPoint_ = point;

  const unsigned bit = ButtonBit(ButtonOf(kind));
  std::uint64_t receiver = kMainWindow;
  if (IsPress(kind)) {
    // A press of a button still held down means its release never came (a modal dialog opened
    // by the press took it), and a capture by a control hidden since is of no use: either ends
    // here, so this press goes where the pointer is rather than to the stale receiver.
    if (captureReceiver_ && *captureReceiver_ != kMainWindow) {
      const Control* held = FindControl(*captureReceiver_);
      if (held == nullptr || !held->IsVisible()) buttonsDown_ |= bit;
    }
    if ((buttonsDown_ & bit) != 0) {
      captureReceiver_.reset();
      buttonsDown_ = 0;
    }
    if (captureReceiver_) {
      receiver = *captureReceiver_;
    } else {
      const Control* hit = ControlAt(point);
      receiver = hit ? hit->serial_.load(std::memory_order_relaxed) : kMainWindow;
      captureReceiver_ = receiver;
    }
    buttonsDown_ |= bit;
  } else if (IsRelease(kind)) {
    // A release the window saw no press for reaches no control: it can never be a click.
    if ((buttonsDown_ & bit) != 0) {
      receiver = captureReceiver_.value_or(kMainWindow);
      buttonsDown_ &= ~bit;
      if (buttonsDown_ == 0) captureReceiver_.reset();
    }
  } else if (captureReceiver_) {
    receiver = *captureReceiver_;
  } else if (const Control* hit = ControlAt(point)) {
    receiver = hit->serial_.load(std::memory_order_relaxed);
  }
  Deliver(receiver, kind, point, flags);
}

void HostWindow::Deliver(std::uint64_t receiver, MouseKind kind, WindowPoint point, unsigned flags) {
  if (receiver != kMainWindow) {
    if (Control* c = FindControl(receiver)) {
      c->OnMouse(MouseEvent{kind, {point.x - c->rect_.left, point.y - c->rect_.top}, flags});
      return;
    }
  }
  if (handler_ != nullptr) handler_->OnMouse(MouseEvent{kind, point, flags});
}

void HostWindow::DeliverKeyDown(unsigned virtualKey, unsigned repeat, unsigned flags) {
  if (!IsWindowThread() || closed_ || holds_ > 0) return;
  if (handler_ != nullptr) handler_->OnKeyDown(virtualKey, repeat, flags);
}

void HostWindow::DeliverActivate(bool active) {
  if (!IsWindowThread() || closed_) return;
  if (handler_ != nullptr) handler_->OnActivate(active);
}

void HostWindow::Minimise() {
  if (!IsWindowThread()) return;
  if (HostBackend* backend = backend_.load(std::memory_order_acquire)) backend->ShowMinimisedOrMaximised(true);
}

void HostWindow::Maximise() {
  if (!IsWindowThread()) return;
  if (HostBackend* backend = backend_.load(std::memory_order_acquire)) backend->ShowMinimisedOrMaximised(false);
}

void HostWindow::SetCursor(CursorShape shape) {
  if (!IsWindowThread()) return;
  cursor_ = shape;
  if (HostBackend* backend = backend_.load(std::memory_order_acquire)) backend->SetCursor(shape);
}

void HostWindow::ReleaseCapture() {
  if (!IsWindowThread()) return;
  captureReceiver_.reset();
  buttonsDown_ = 0;
}

Control* HostWindow::ControlAt(WindowPoint point) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    if ((*it)->IsVisible() && (*it)->rect_.Contains(point)) return *it;
  }
  return nullptr;
}

Control* HostWindow::CaptureControl() const {
  if (!captureReceiver_ || *captureReceiver_ == kMainWindow) return nullptr;
  return FindControl(*captureReceiver_);
}

Control* HostWindow::FindControl(std::uint64_t serial) const {
  if (serial == kMainWindow) return nullptr;
  for (Control* c : controls_) {
    if (c->serial_.load(std::memory_order_relaxed) == serial) return c;
  }
  return nullptr;
}

void HostWindow::Attach(Control& control) {
  control.serial_.store(nextSerial_++, std::memory_order_release);
  controls_.push_back(&control);
}

void HostWindow::Detach(Control& control) {
  const std::uint64_t serial = control.serial_.load(std::memory_order_relaxed);
  if (control.IsVisible()) AddDirty(control.rect_);
  std::erase(controls_, &control);
  timers_.KillReceiver(serial);
  TimersChanged();
  // The buttons stay down; their release now goes to the main window.
  if (captureReceiver_ == serial) captureReceiver_ = kMainWindow;
}

}  // namespace platform
