// What the mouse routing keeps between messages, and the seams to the start screen's parts.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/host_services.h"
#include "platform/program_documents.h"
#include "platform/window_geometry.h"

class StartScreenTitle;

// The program's page, opened by the contacts' link and the panel's fourth menu item: the program's
// own documentation shipped with it; nothing opens when it is not there.
inline constexpr std::string_view kProgramPage = "README.md";
inline void OpenMakerWebPage(platform::HostServices& host) {
  if (const std::string address = platform::ShippedDocumentAddress(kProgramPage); !address.empty()) host.OpenAddress(address);
}

struct MouseRoutingState {
  platform::WindowPoint Last{-1, -1};
  platform::WindowRect WebLinkRect;
  // The start screen's partial repaint after a tick click.
  platform::WindowRect PartialRect;
  std::uint8_t PartialPending = 0;
  std::array<std::uint8_t, 4> TickChanged{};
};

// Parts of the start screen the routing reaches; each may stay empty.
struct MouseSeams {
  std::function<StartScreenTitle*()> Title;
  std::function<void(std::uint8_t receding)> StartTitleTimer;
  // A left press on the information panel after the tick boxes: menu items, lines, options, value boxes.
  std::function<void(platform::WindowPoint point, bool recording)> PanelPress;
  // A move over the information panel: its hand cursor and highlights; true over something clickable.
  std::function<bool(platform::WindowPoint point, bool recording)> PanelMove;
  // A sensor button (slot) or the sensor-list caption (-1) was hovered.
  std::function<void(std::int32_t slot)> SensorButtonHover;
};
