// The start-up benchmark's yardstick: the least a Qt program does to put a window on the screen.
// It shows one frameless widget over the screen's work area, paints one frame of one colour (the
// widget draws its whole area itself, with no background filled first) and reads nothing: no file,
// no font, no picture.
#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace {

class BareWidget final : public QWidget {
 public:
  BareWidget() {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    painter.fillRect(event->rect(), QColor(0x20, 0x40, 0x80));
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  BareWidget widget;
  widget.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
  widget.show();
  return application.exec();
}
