// The one real window: a frameless QWidget that shows the window core's pixels and feeds it input.
#include "platform/qt/host_widget.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QCloseEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QWindow>

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
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

HostWidget::~HostWidget() {
  StoreReady();
  // The core may outlive Qt's picture of the window.
  TakeBackPixels();
}

void HostWidget::Present(const QRect& rect) {
  if (painting_) {
    presentedWhilePainting_ += rect;
    return;
  }
  update(rect);
}

void HostWidget::Request(const QRect&) {
  // The core paints at the next turn of the event loop, and Qt is asked to show only what that
  // paint changed (Present): an area asked for and left as it was is neither copied nor sent to the
  // display again.
  if (std::exchange(corePaintPosted_, true)) return;
  QCoreApplication::postEvent(this, new QEvent(kCorePaint));
}

void HostWidget::paintEvent(QPaintEvent* event) {
  StoreReady();
  // Qt paints its picture of the window (through a redirection to it) or a grab's.
  QBackingStore* store = backingStore();
  toBackingStore_ = store != nullptr && redirected(nullptr) == store->paintDevice();
  // Whatever is still dirty is painted first (a grab, or an expose before the posted paint).
  painting_ = true;
  presentedWhilePainting_ = QRegion();
  if (toBackingStore_) PlacePixels();
  core_.UpdateNow();
  painting_ = false;

  // The region is what the core presented or what the display lost: all of it comes from the core's
  // pixels, which are already there where they live in Qt's picture of the window.
  const QRegion& shown = event->region();
  const Surface& pixels = core_.Pixels();
  const bool inPlace = toBackingStore_ && placedBits_ != nullptr && pixels.Pixels() == placedBits_;
  if (!inPlace && !CopyToBackingStore(shown, pixels)) {
    // Wraps the core's BGRA bytes, which are RGB32 on a little-endian machine; nothing is copied.
    const QImage image(pixels.Pixels(), pixels.Width(), pixels.Height(), pixels.Stride(), QImage::Format_RGB32);
    QPainter painter(this);
    for (const QRect& rect : shown) painter.drawImage(rect.topLeft(), image, rect);
  }

  // The core may have changed more than this event covers: that follows in a paint of its own.
  const QRegion rest = presentedWhilePainting_ - event->region();
  if (!rest.isEmpty()) update(rest);
}

bool HostWidget::CopyToBackingStore(const QRegion& shown, const Surface& pixels) {
  if (!toBackingStore_) return false;
  QBackingStore* store = backingStore();
  auto* image = store != nullptr ? dynamic_cast<QImage*>(store->paintDevice()) : nullptr;
  // Only Qt's own unshared picture of 32-bit pixels, one pixel to a pixel, takes the rows as they
  // are: a picture without alpha (the X server's 24-bit visual) row by row, one with alpha with
  // each pixel made opaque (as Qt's painter lays an RGB32 picture on any of them).
  const QImage::Format format = image != nullptr ? image->format() : QImage::Format_Invalid;
  if ((format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 && format != QImage::Format_ARGB32_Premultiplied) ||
      image->devicePixelRatio() != 1.0 || !image->isDetached()) {
    return false;
  }
  const bool opaque = format == QImage::Format_RGB32;
  const QRect bounds = image->rect() & QRect(0, 0, pixels.Width(), pixels.Height());
  for (const QRect& area : shown) {
    const QRect r = area & bounds;
    if (r.isEmpty()) continue;
    const std::size_t bytes = std::size_t{4} * static_cast<std::size_t>(r.width());
    for (int y = r.top(); y <= r.bottom(); ++y) {
      std::uint8_t* to = image->scanLine(y) + std::size_t{4} * static_cast<std::size_t>(r.left());
      const std::uint8_t* from = pixels.Row(y) + std::size_t{4} * static_cast<std::size_t>(r.left());
      if (opaque) {
        std::memcpy(to, from, bytes);
        continue;
      }
      int x = 0;
#if defined(__SSE2__)
      // Four pixels at a time.
      const __m128i opaque_alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
      for (; x + 4 <= r.width(); x += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + std::size_t{4} * static_cast<std::size_t>(x)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + std::size_t{4} * static_cast<std::size_t>(x)), _mm_or_si128(four, opaque_alpha));
      }
#endif
      for (; x < r.width(); ++x) {
        std::uint32_t pixel = 0;
        std::memcpy(&pixel, from + std::size_t{4} * static_cast<std::size_t>(x), 4);
        pixel |= 0xFF000000u;
        std::memcpy(to + std::size_t{4} * static_cast<std::size_t>(x), &pixel, 4);
      }
    }
  }
  return true;
}

QImage* HostWidget::StoreImage() {
  const QString platform = QGuiApplication::platformName();
  const bool x = platform == QLatin1String("xcb");
  if (!x && platform != QLatin1String("offscreen")) return nullptr;
  QBackingStore* store = backingStore();
  auto* image = store != nullptr ? dynamic_cast<QImage*>(store->paintDevice()) : nullptr;
  if (image == nullptr) return nullptr;
  // On X Qt keeps the picture of a window without alpha in a format with it, for its painter's sake;
  // the server takes the window's 24 bits of colour from each pixel and leaves the fourth byte.
  const bool opaqueWindow = windowHandle() != nullptr && !windowHandle()->format().hasAlpha();
  const bool plain = image->format() == QImage::Format_RGB32 ||
                     (x && opaqueWindow && image->format() == QImage::Format_ARGB32_Premultiplied);
  if (!plain || image->devicePixelRatio() != 1.0 || !image->isDetached() || image->width() < core_.Width() ||
      image->height() < core_.Height()) {
    return nullptr;
  }
  return image;
}

void HostWidget::PlacePixels() {
  QImage* image = StoreImage();
  // An image's serial number is the high half of its cache key; its low half counts its detaches.
  const qint64 serial = image != nullptr ? image->cacheKey() >> 32 : 0;
  if (image != nullptr && placedBits_ == image->constBits() && placedSerial_ == serial) return;
  // Qt made a new picture (a new size, say): the memory the pixels lived in has gone with the old
  // one, so the core paints all of them again.
  const bool lost = placedBits_ != nullptr;
  placedBits_ = nullptr;
  if (image == nullptr) {
    if (lost) core_.PlacePixels(nullptr, 0, false);
    return;
  }
  core_.PlacePixels(image->bits(), static_cast<int>(image->bytesPerLine()), !lost);
  placedBits_ = image->constBits();
  placedSerial_ = serial;
}

void HostWidget::TakeBackPixels() {
  if (placedBits_ == nullptr) return;
  placedBits_ = nullptr;
  core_.PlacePixels(nullptr, 0, true);
}

void HostWidget::PrepareStore() {
  if (isVisible() || storeToucher_.joinable()) return;
  create();
  QBackingStore* store = backingStore();
  if (store == nullptr) return;
  store->resize(size());
  QImage* image = StoreImage();
  if (image == nullptr) return;
  std::uint8_t* bytes = image->bits();
  const std::size_t length = static_cast<std::size_t>(image->sizeInBytes());
  storeToucher_ = std::thread([bytes, length] {
    // Nothing shows the picture before the first paint, which waits for this; until then the core's
    // pixels are its own.
    for (std::size_t at = 0; at < length; at += 4096) bytes[at] = 0;
  });
}

void HostWidget::BeginCorePaint() {
  // The display may still be reading an area the last frame sent from this memory: Qt's own paint
  // waits for that, and so does the core's.
  QBackingStore* store = backingStore();
  if (placedBits_ == nullptr || store == nullptr) return;
  store->beginPaint(QRegion(rect()));
  ++storePaints_;
}

void HostWidget::EndCorePaint() {
  if (storePaints_ == 0) return;
  --storePaints_;
  if (QBackingStore* store = backingStore()) store->endPaint();
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
  if (event->type() == kCorePaint) {
    corePaintPosted_ = false;
    core_.UpdateNow();
    return true;
  }
  switch (event->type()) {
    case QEvent::WindowActivate: core_.DeliverActivate(true); break;
    case QEvent::WindowDeactivate: core_.DeliverActivate(false); break;
    // Qt may let its picture of the window go while the window is hidden, or make a new one of a new size.
    case QEvent::Hide:
    case QEvent::Resize: TakeBackPixels(); break;
    default: break;
  }
  return QWidget::event(event);
}

}  // namespace platform::qt
