// The one real window: a frameless QWidget that shows the window core's pixels and feeds it input.
#pragma once

#include <QEvent>
#include <QImage>
#include <QRegion>
#include <QWidget>

#include <thread>

#include "platform/window_core.h"

namespace platform::qt {

class HostWidget final : public QWidget {
 public:
  explicit HostWidget(HostWindow& core);
  ~HostWidget() override;

  // The core changed pixels in this area: Qt shows it again.
  void Present(const QRect& rect);
  // The core has an area to paint again: it paints soon, and shows what that paint changed.
  void Request(const QRect& rect);
  // The core is about to paint, and has painted: where its pixels are Qt's picture of the window,
  // the display is kept from reading them meanwhile.
  void BeginCorePaint();
  void EndCorePaint();
  // Before the window first shows: Qt makes its picture of the window now, and a thread touches its
  // memory beside the showing, so that the first frame's copy into it waits for no page of it.
  void PrepareStore();
  // Lets the next close event through (the core has handled the close request).
  void AllowClose() { allowClose_ = true; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void Forward(QMouseEvent* event, MouseKind kind);
  // Copies the areas of the core's pixels straight into Qt's picture of the window, where that is
  // a plain image of the same pixel format (Qt's painter would wake a pool of threads for each
  // area of some size, which costs more than the copy); false where it is not.
  bool CopyToBackingStore(const QRegion& shown, const Surface& pixels);
  // Qt's own picture of the window where the core's pixels can live in it: a plain image of 32-bit
  // pixels whose alpha counts for nothing, one pixel to a pixel, at least the window's size, kept in
  // place between paints (X and offscreen); null elsewhere.
  QImage* StoreImage();
  // Moves the core's pixels into Qt's picture of the window where they can live there, so that what
  // the core paints goes to the screen without another copy; back into the core's own memory where
  // they cannot (any more).
  void PlacePixels();
  void TakeBackPixels();


  HostWindow& core_;
  // The core's paint asked for and not run yet (one posted event stands for every request).
  static constexpr QEvent::Type kCorePaint = static_cast<QEvent::Type>(QEvent::User + 71);
  bool corePaintPosted_ = false;
  bool painting_ = false;
  QRegion presentedWhilePainting_;
  // Qt's picture of the window is painted (rather than a grab's) while this is set.
  bool toBackingStore_ = false;
  bool allowClose_ = false;
  // The picture of Qt's that holds the core's pixels: its bits and its image's serial number.
  const uchar* placedBits_ = nullptr;
  qint64 placedSerial_ = 0;
  int storePaints_ = 0;
  // Touches the memory of Qt's picture of the window before its first paint (PrepareStore).
  std::thread storeToucher_;
  void StoreReady() {
    if (storeToucher_.joinable()) storeToucher_.join();
  }
};

}  // namespace platform::qt
