// The pages of the information panel: which builder serves a sensor code, the default voltage pages and the start page's heading.
#pragma once

#include <cstdint>

class InfoPanel;

// The code that leads the group of pages serving `code` (its own code when it has pages alone),
// or 0 for the default 3.3 V voltage pages. Code 28 has an information page of its own but the
// default preparation page.
std::uint16_t PageGroupOf(std::uint16_t code, bool preparation);

// The builders fill the panel's heading, body and extra blocks.
void BuildInformationPage(InfoPanel& panel, bool clear_catalogue);
void BuildPreparationPage(InfoPanel& panel);
// The start page's heading: connect a sensor, or choose one.
void BuildStartHeading(InfoPanel& panel, bool unit_connected);
// The breathing sensor's two options below the body (0 rate, 1 breath-holding time).
const char* BreathingOptionText(int option, bool english);
