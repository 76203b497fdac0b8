// The start page's menu (about, sensor catalogue, contacts) and the list of the sensors detected now.
#pragma once

#include <cstdint>

class InfoPanel;

// The start page: heading by whether a sensor is connected, body by the chosen menu item.
void BuildStartPage(InfoPanel& panel);

// A menu item or catalogue line chosen; Changed says whether the page must be rebuilt (item 0 is
// a choice like any other).
struct MenuChoice {
  std::uint8_t Index = 0;
  bool Changed = false;
};
MenuChoice SelectMenuItem(InfoPanel& panel, std::uint8_t index);

// Screen 2: the units connected now, one line each.
void BuildDetectedSensorsPage(InfoPanel& panel);

// The catalogue's visible lines for its first row and the body's line count.
void BuildSensorCataloguePage(InfoPanel& panel);
// The chosen catalogue line's kind and its information page.
void ShowCatalogueEntry(InfoPanel& panel);

// The sensor code of catalogue row 1..69 and whether the row is the wireless unit; 0 outside.
struct CatalogueKind {
  std::uint8_t Code = 0;
  bool Wireless = false;
};
CatalogueKind CatalogueRowKind(int row);

// Visible catalogue lines for the panel's height, kept within 3..71.
std::uint8_t CatalogueLineCount(std::int32_t panel_height, float scale_y, float aspect, bool two_line_heading);
