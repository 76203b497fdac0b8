// The request with which the sensor information page asks the view to set up a unit's channels.
#pragma once

#include <array>
#include <cstdint>

// The count comes first and the first channel index second: the page hands the address of the
// count to the graph header set-up, which passes those two bytes on to SetupChannels.
struct ChannelSetupRequest {
  std::uint8_t SetupRequestCount = 0;
  std::array<std::uint8_t, 4> SetupRequestChannels{};
  std::uint8_t SetupRequestCode = 0;
  std::uint8_t SetupRequestPending = 0;
};
