// The graph view's display modes as the main window switches them: view rectangle, button styles and layout.
#pragma once

#include <cstdint>

#include "channels/pixel_types.h"

class MainWindow;

// The graph screen (display mode 3): the view's style and rectangle, the seventeen buttons' style
// and the captions of the interface language.
void SetDisplayModeGraph(MainWindow& window);
void ApplyGraphStyle(MainWindow& window);
// The digital display (mode 1) and the demonstration graph (mode 2); no command reaches either.
void SetDisplayModeDigital(MainWindow& window);
void SetDisplayModeDemonstration(MainWindow& window);
// Modes 1 and 4 paint their own screen instead of the graph.
bool PaintsOwnDisplayMode(std::uint8_t display_mode);
// The analog dial (mode 4); no command reaches it either.
void SwitchToDialMode(MainWindow& window);
// The main window's graph rectangle: between the toolbar and the bottom bar.
PixelRect GraphRectangle(const MainWindow& window);
// The style of the screens other than the graph: the graph buttons' colours and sizes, every
// button's caption in bold "Verdana".
void ApplyControlStyle(MainWindow& window);
