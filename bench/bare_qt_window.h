// The yardstick of the Qt benchmarks: a bare frameless window that shows a picture of its own
// size, repainting what it is asked to.
#pragma once

#include <cstdint>
#include <fstream>

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
  // Showing `picture` from the start.
  BareWindow(const QSize& size, const QImage& picture) : BareWindow(size) {
    if (!picture.isNull()) picture_ = picture.convertToFormat(QImage::Format_RGB32);
  }
  QImage& Picture() { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    for (const QRect& rect : event->region()) painter.drawImage(rect.topLeft(), picture_, rect);
  }

 private:
  QImage picture_;
};

// A picture written as its width and height (two 32-bit numbers) and then its rows of 4-byte pixels
// (blue, green, red, unused); an empty picture when the file cannot be read.
inline QImage ReadPicture(const char* path) {
  std::ifstream file(path, std::ios::binary);
  std::int32_t size[2] = {};
  if (!file.read(reinterpret_cast<char*>(size), sizeof size) || size[0] <= 0 || size[1] <= 0) return {};
  QImage picture(size[0], size[1], QImage::Format_RGB32);
  for (int y = 0; y < size[1]; ++y) file.read(reinterpret_cast<char*>(picture.scanLine(y)), 4 * std::streamsize{size[0]});
  return file ? picture : QImage();
}
