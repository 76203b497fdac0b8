// Settings the Qt host makes before the application object exists.
#include "platform/qt/qt_environment.h"

#include <QByteArray>
#include <QtGlobal>

namespace platform::qt {

void PrepareQtEnvironment() {
  qputenv("QT_ENABLE_HIGHDPI_SCALING", QByteArray("0"));
  qunsetenv("QT_SCALE_FACTOR");
  qunsetenv("QT_SCREEN_SCALE_FACTORS");
}

}  // namespace platform::qt
