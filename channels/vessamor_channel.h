// One measurement channel: raw codes, conversions, filter state, column reduction, calibration.
#pragma once

#include "channels/conversion_types.h"

// Placeholder with the fields the conversion library reads; the full channel replaces it.
class VessamorChannel {
 public:
  float Gain = 1.0f;
  std::uint8_t NoClamp = 0;
  float p_UD = 0.0f;
  float p_Uz = 0.0f;
};
