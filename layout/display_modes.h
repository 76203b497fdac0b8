// The graph view's display modes as the main window switches them: view rectangle, button styles and layout.
#pragma once

class MainWindow;

// The graph screen (display mode 3): the view's style and rectangle, the seventeen buttons' style
// and the captions of the interface language.
void SetDisplayModeGraph(MainWindow& window);
void ApplyGraphStyle(MainWindow& window);
// The digital display (mode 1) and the demonstration graph (mode 2); no command reaches either.
void SetDisplayModeDigital(MainWindow& window);
void SetDisplayModeDemonstration(MainWindow& window);
// The dial screen's button style (bold "Verdana" captions).
void ApplyControlStyle(MainWindow& window);
