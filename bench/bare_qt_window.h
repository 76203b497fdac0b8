// What the Qt benchmarks share: their application object, a run of the event loop, and their
// yardstick, a bare frameless window that shows a picture of its own size, repainting what it is
// asked to.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QTimer>
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

// The one application object of a benchmark program, made at its first use and never destroyed: as
// a static destroyed at exit it would free its input devices after Qt's own globals they reach are
// gone, and crash. Without a display the windows paint off screen, on a screen of the given size
// where one is given; the program's fresh copies inherit the choice.
inline QApplication& BenchApplication(int screen_width = 0, int screen_height = 0) {
  static int argc = 1;
  static char name[] = "vessamor_bench";
  static char* argv[] = {name, nullptr};
  if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr) {
    std::string platform = "offscreen";
    if (screen_width > 0 && screen_height > 0) {
      const std::string config = "/tmp/vessamor-bench-screen-" + std::to_string(::getpid()) + ".json";
      if (FILE* file = std::fopen(config.c_str(), "w")) {
        std::fprintf(file, "{\"screens\": [{\"name\": \"bench\", \"x\": 0, \"y\": 0, \"width\": %d, \"height\": %d}]}\n",
                     screen_width, screen_height);
        std::fclose(file);
      }
      platform += ":configfile=" + config;
    }
    setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
  }
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

// Runs the calling thread's event loop for `ms`, sleeping while nothing is due.
inline void RunEventsFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}
