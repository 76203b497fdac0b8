// The one real window: a frameless QWidget that shows the window core's pixels and feeds it input.
#include "platform/qt/host_widget.h"

#include <QBackingStore>
#include <QCloseEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cstring>
#include <utility>

#include "platform/qt/key_map.h"

namespace platform::qt {

namespace {

unsigned MouseFlags(const QMouseEvent* event) {
  unsigned flags = 0;
  const Qt::MouseButtons buttons = event->buttons();
  if (buttons & Qt::LeftButton) flags |= kMouseLeft;
  if (buttons & Qt::RightButton) flags |= kMouseRight;
  if (buttons & Qt::MiddleButton) flags |= kMouseMiddle;
  if (event->modifiers() & Qt::ShiftModifier) flags |= kMouseShift;
  if (event->modifiers() & Qt::ControlModifier) flags |= kMouseControl;
  return flags;
}

// The core's kind for a press, double-click or release of a Qt button; Move for other buttons.
MouseKind KindOf(Qt::MouseButton button, QEvent::Type type) {
  const int column = type == QEvent::MouseButtonPress ? 0 : type == QEvent::MouseButtonDblClick ? 1 : 2;
  static constexpr MouseKind kLeft[] = {MouseKind::LeftDown, MouseKind::LeftDoubleClick, MouseKind::LeftUp};
  static constexpr MouseKind kRight[] = {MouseKind::RightDown, MouseKind::RightDoubleClick, MouseKind::RightUp};
  static constexpr MouseKind kMiddle[] = {MouseKind::MiddleDown, MouseKind::MiddleDoubleClick,
                                          MouseKind::MiddleUp};
  switch (button) {
    case Qt::LeftButton: return kLeft[column];
    case Qt::RightButton: return kRight[column];
    case Qt::MiddleButton: return kMiddle[column];
    default: return MouseKind::Move;
  }
}

}  // namespace

HostWidget::HostWidget(HostWindow& core) : core_(core) {
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  resize(core.Width(), core.Height());
}

void HostWidget::Present(const QRect& rect) {
  if (painting_) {
    presentedWhilePainting_ += rect;
    return;
  }
  mustShow_ += rect;
  if (mustShow_.rectCount() > 64) mustShow_ = mustShow_.boundingRect();
  update(rect);
}

void HostWidget::Request(const QRect& rect) {
  requested_ += rect;
  // A window that does not paint for long (minimised) keeps no ever longer list: its next paint gives all.
  if (requested_.rectCount() > 64) {
    requested_ = QRegion();
    showAll_ = true;
  }
  update(rect);
}

void HostWidget::paintEvent(QPaintEvent* event) {
  // A paint elsewhere (a grab) leaves what Qt's picture still lacks to the next paint into it.
  const bool to_store = toBackingStore_;
  const QRegion asked = to_store ? std::exchange(requested_, QRegion()) : QRegion();
  const QRegion must = to_store ? std::exchange(mustShow_, QRegion()) : QRegion();
  painting_ = true;
  presentedWhilePainting_ = QRegion();
  core_.UpdateNow();
  painting_ = false;
  if (!to_store && !presentedWhilePainting_.isEmpty()) {
    mustShow_ += presentedWhilePainting_;
    update(presentedWhilePainting_);
  }

  QRegion shown = event->region();
  if (to_store && !std::exchange(showAll_, false)) shown -= asked - presentedWhilePainting_ - must;
  const Surface& pixels = core_.Pixels();
  if (!CopyToBackingStore(shown, pixels)) {
    // Wraps the core's BGRA bytes, which are RGB32 on a little-endian machine; nothing is copied.
    const QImage image(pixels.Pixels(), pixels.Width(), pixels.Height(), pixels.Stride(), QImage::Format_RGB32);
    QPainter painter(this);
    for (const QRect& rect : shown) painter.drawImage(rect.topLeft(), image, rect);
  }

  // The core may have repainted more than this event covers (it repaints a bounding box).
  const QRegion rest = presentedWhilePainting_ - event->region();
  if (!rest.isEmpty()) {
    mustShow_ += rest;
    update(rest);
  }
}

bool HostWidget::CopyToBackingStore(const QRegion& shown, const Surface& pixels) {
  if (!toBackingStore_) return false;
  QBackingStore* store = backingStore();
  auto* image = store != nullptr ? dynamic_cast<QImage*>(store->paintDevice()) : nullptr;
  // Only Qt's own unshared picture of 32-bit pixels, one pixel to a pixel, takes the rows as they
  // are, each pixel opaque (as Qt's painter lays an RGB32 picture on any of them).
  const QImage::Format format = image != nullptr ? image->format() : QImage::Format_Invalid;
  if ((format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 && format != QImage::Format_ARGB32_Premultiplied) ||
      image->devicePixelRatio() != 1.0 || !image->isDetached()) {
    return false;
  }
  const QRect bounds = image->rect() & QRect(0, 0, pixels.Width(), pixels.Height());
  for (const QRect& area : shown) {
    const QRect r = area & bounds;
    if (r.isEmpty()) continue;
    for (int y = r.top(); y <= r.bottom(); ++y) {
      auto* to = reinterpret_cast<std::uint32_t*>(image->scanLine(y)) + r.left();
      const std::uint8_t* from = pixels.Row(y) + std::size_t{4} * static_cast<std::size_t>(r.left());
      for (int x = 0; x < r.width(); ++x) {
        std::uint32_t pixel = 0;
        std::memcpy(&pixel, from + std::size_t{4} * static_cast<std::size_t>(x), 4);
        to[x] = pixel | 0xFF000000u;
      }
    }
  }
  return true;
}

void HostWidget::Forward(QMouseEvent* event, MouseKind kind) {
  const QPoint p = event->position().toPoint();
  core_.DeliverMouse(kind, WindowPoint{p.x(), p.y()}, MouseFlags(event));
  event->accept();
}

void HostWidget::mousePressEvent(QMouseEvent* event) {
  const MouseKind kind = KindOf(event->button(), QEvent::MouseButtonPress);
  if (kind != MouseKind::Move) Forward(event, kind);
}

void HostWidget::mouseReleaseEvent(QMouseEvent* event) {
  const MouseKind kind = KindOf(event->button(), QEvent::MouseButtonRelease);
  if (kind != MouseKind::Move) Forward(event, kind);
}

void HostWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  const MouseKind kind = KindOf(event->button(), QEvent::MouseButtonDblClick);
  if (kind != MouseKind::Move) Forward(event, kind);
}

void HostWidget::mouseMoveEvent(QMouseEvent* event) { Forward(event, MouseKind::Move); }

// The wheel is accepted and does nothing.
void HostWidget::wheelEvent(QWheelEvent* event) { event->accept(); }

void HostWidget::keyPressEvent(QKeyEvent* event) {
  const unsigned key = VirtualKeyFromQt(event->key(), event->modifiers());
  if (key != 0) core_.DeliverKeyDown(key, 1, event->isAutoRepeat() ? key::kFlagRepeat : 0);
  event->accept();
}

void HostWidget::closeEvent(QCloseEvent* event) {
  // A close from the desktop takes the program's own way out first, which may keep the window.
  if (!allowClose_ && !core_.IsClosed()) core_.RequestClose();
  if (allowClose_ || core_.IsClosed()) {
    event->accept();
  } else {
    event->ignore();
  }
}

bool HostWidget::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::WindowActivate: core_.DeliverActivate(true); break;
    case QEvent::WindowDeactivate: core_.DeliverActivate(false); break;
    case QEvent::Show:
    case QEvent::Resize:
    case QEvent::WinIdChange:
    case QEvent::ScreenChangeInternal: showAll_ = true; break;
    case QEvent::UpdateRequest: {
      // Qt paints its backing store from here; a grab paints elsewhere.
      toBackingStore_ = true;
      const bool handled = QWidget::event(event);
      toBackingStore_ = false;
      return handled;
    }
    default: break;
  }
  return QWidget::event(event);
}

}  // namespace platform::qt
