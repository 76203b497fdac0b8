// The start-up settings the main window hands to the graph view.
#pragma once

#include <array>
#include <cstdint>

struct StartupSettings {
  std::array<std::uint8_t, 4> ChannelShown{1, 1, 1, 1};
  std::array<std::uint8_t, 4> ChannelEnabled{0, 0, 0, 0};
  std::uint8_t ModeA = 0;
  std::uint8_t ModeB = 2;
  std::uint32_t Rate = 1000;
  std::uint8_t Cyclic = 0;
  std::array<std::uint8_t, 4> ChannelOptions{0, 0, 0, 0};
  std::uint8_t SensorCode = 0;
  std::uint8_t ModeC = 1;
};
