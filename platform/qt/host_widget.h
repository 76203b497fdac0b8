// The one real window: a frameless QWidget that shows the window core's pixels and feeds it input.
#pragma once

#include <QRegion>
#include <QWidget>

#include "platform/window_core.h"

namespace platform::qt {

class HostWidget final : public QWidget {
 public:
  explicit HostWidget(HostWindow& core);

  // The core changed pixels in this area.
  void Present(const QRect& rect);
  // The core asks to paint this area again.
  void Request(const QRect& rect);
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

  HostWindow& core_;
  bool painting_ = false;
  QRegion presentedWhilePainting_;
  // Qt's own picture of the window (its backing store) keeps what it was last given. What the core
  // asked to repaint and then left as it was need not be given again; what it changed outside a
  // paint, or beyond the paint's area, must be. A paint that is not to the backing store (a grab),
  // or the first after the window was shown or resized, gives all it is asked for.
  QRegion requested_;
  QRegion mustShow_;
  bool toBackingStore_ = false;
  bool showAll_ = true;
  bool allowClose_ = false;
};

}  // namespace platform::qt
