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

  HostWindow& core_;
  bool painting_ = false;
  QRegion presentedWhilePainting_;
  bool allowClose_ = false;
};

}  // namespace platform::qt
