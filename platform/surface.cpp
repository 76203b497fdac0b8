// Pixel buffer storage and single-pixel access.
#include "platform/surface.h"

#include <algorithm>

namespace platform {

Surface::Surface(int width, int height)
    : width_(std::max(0, width)), height_(std::max(0, height)), stride_(std::max(0, width) * 4) {
  storage_.assign(static_cast<std::size_t>(stride_) * static_cast<std::size_t>(height_), 0);
  pixels_ = storage_.empty() ? nullptr : storage_.data();
}

Surface Surface::Borrow(std::uint8_t* pixels, int width, int height, int stride) {
  Surface s;
  s.pixels_ = pixels;
  s.width_ = std::max(0, width);
  s.height_ = std::max(0, height);
  s.stride_ = stride;
  return s;
}

Colour Surface::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {0, 0, 0, 0};
  const std::uint8_t* p = Row(y) + x * 4;
  return {p[2], p[1], p[0], p[3]};
}

void Surface::SetPixel(int x, int y, Colour c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  std::uint8_t* p = Row(y) + x * 4;
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
  p[3] = c.a;
}

void Surface::Fill(Colour c) {
  for (int y = 0; y < height_; ++y) {
    std::uint8_t* p = Row(y);
    for (int x = 0; x < width_; ++x, p += 4) {
      p[0] = c.b;
      p[1] = c.g;
      p[2] = c.r;
      p[3] = c.a;
    }
  }
}

bool IsSingleColour(const Surface& surface) {
  if (surface.Empty()) return true;
  const std::uint8_t* first = surface.Row(0);
  for (int y = 0; y < surface.Height(); ++y) {
    const std::uint8_t* row = surface.Row(y);
    for (int x = 0; x < surface.Width(); ++x) {
      if (!std::equal(row + x * 4, row + x * 4 + 3, first)) return false;
    }
  }
  return true;
}

}  // namespace platform
