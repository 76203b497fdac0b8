// The yardstick of the Qt benchmarks: a bare frameless window that shows a picture of its own
// size, repainting what it is asked to.
#pragma once

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

class BareWindow final : public QWidget {
 public:
  explicit BareWindow(const QSize& size) : picture_(size, QImage::Format_RGB32) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    picture_.fill(Qt::white);
    resize(size);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    for (const QRect& rect : event->region()) painter.drawImage(rect.topLeft(), picture_, rect);
  }

 private:
  QImage picture_;
};
