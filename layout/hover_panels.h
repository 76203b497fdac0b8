// The measurement screen's hover groups: the top group of menu buttons and the side group of channel and view buttons.
#pragma once

class MainWindow;

void ShowTopHoverPanel(MainWindow& window);
void HideTopHoverPanel(MainWindow& window);
// The side group with the paging and scale buttons (first form) or without them (second form).
void ShowSideHoverPanelA(MainWindow& window);
void ShowSideHoverPanelB(MainWindow& window);
void HideSideHoverPanel(MainWindow& window);
// Closes the side group and ends any open toolbar panel, even when the group is already closed.
void CloseSideHoverPanel(MainWindow& window);
