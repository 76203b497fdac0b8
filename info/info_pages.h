// The pages of the information panel: which builder serves a sensor code, and the builders of every kind's two pages.
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
// The kind's name as its information page titles it, in the interface's language: the caption of its picture.
const char* KindTitle(const InfoPanel& panel);
// The breathing sensor's two options below the body (0 rate, 1 breath-holding time).
const char* BreathingOptionText(int option, bool english);
