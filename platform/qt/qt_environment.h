// Settings the Qt host makes before the application object exists.
#pragma once

namespace platform::qt {

// Turns Qt's high-DPI scaling off: the program scales itself from the screen size, and one
// window pixel must be one screen pixel. Call before the QApplication is created.
void PrepareQtEnvironment();

}  // namespace platform::qt
