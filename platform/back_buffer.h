// A borrowed view of 32-bit BGRA pixels, rows top-down: the window's own pixels as the host shows them.
#pragma once

#include <cstdint>

namespace platform {

struct BackBuffer {
  std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;  // bytes from one row to the next

  std::uint32_t* Row(int y) const { return reinterpret_cast<std::uint32_t*>(pixels + y * stride); }
};

}  // namespace platform
