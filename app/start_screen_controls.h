// The start screen's image buttons at their designed places, until the window's full control set is created.
#pragma once

class MainWindow;

// Creates "Measurements", the sensor-list caption, the four sensor buttons, "Open file", close and
// minimise (hidden, owned by the window) and sets the designed sensor-button height.
void CreateStartScreenControls(MainWindow& window);
