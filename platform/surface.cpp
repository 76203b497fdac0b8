// Pixel buffer storage and single-pixel access.
#include "platform/surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/mman.h>
#include <sys/shm.h>

namespace platform {

namespace {

// Buffers this large are mapped on their own, in ordinary pages: asked for in large ones, the first
// touch of a full-screen buffer may wait tens of milliseconds while the system makes room for them.
constexpr std::size_t kMappedBytes = std::size_t{2} << 20;

}  // namespace

void Surface::Release::operator()(std::uint8_t* pixels) const {
  if (shared) {
    shmdt(pixels);
  } else if (bytes >= kMappedBytes) {
    munmap(pixels, bytes);
  } else {
    std::free(pixels);
  }
}

Surface::Surface(int width, int height)
    : width_(std::max(0, width)), height_(std::max(0, height)), stride_(std::max(0, width) * 4) {
  const std::size_t bytes = static_cast<std::size_t>(stride_) * static_cast<std::size_t>(height_);
  if (bytes == 0) {
    return;
  }
  std::uint8_t* pixels = nullptr;
  if (bytes >= kMappedBytes) {
    void* mapped = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    pixels = static_cast<std::uint8_t*>(mapped);
  } else {
    pixels = static_cast<std::uint8_t*>(std::calloc(bytes, 1));
    if (pixels == nullptr) throw std::bad_alloc();
  }
  storage_ = std::unique_ptr<std::uint8_t[], Release>(pixels, Release{bytes, false});
  pixels_ = pixels;
}

Surface Surface::Borrow(std::uint8_t* pixels, int width, int height, int stride) {
  Surface s;
  s.pixels_ = pixels;
  s.width_ = std::max(0, width);
  s.height_ = std::max(0, height);
  s.stride_ = stride;
  return s;
}

Surface Surface::AdoptShared(std::uint8_t* pixels, int width, int height) {
  Surface s = Borrow(pixels, width, height, std::max(0, width) * 4);
  s.storage_ = std::unique_ptr<std::uint8_t[], Release>(pixels, Release{static_cast<std::size_t>(s.stride_) * static_cast<std::size_t>(s.height_), true});
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
  if (width_ == 0 || height_ == 0) return;
  // One row pixel by pixel, the others copied from it.
  const std::uint8_t pixel[4] = {c.b, c.g, c.r, c.a};
  std::uint8_t* first = Row(0);
  for (int x = 0; x < width_; ++x) std::memcpy(first + x * 4, pixel, 4);
  const std::size_t bytes = static_cast<std::size_t>(width_) * 4;
  for (int y = 1; y < height_; ++y) std::memcpy(Row(y), first, bytes);
}

bool IsSingleColour(const Surface& surface) {
  if (surface.Empty()) return true;
  // Blue, green and red of every pixel against the first one's; alpha is not looked at.
  std::uint32_t first = 0;
  std::memcpy(&first, surface.Row(0), 4);
  first &= 0x00FFFFFFu;
  for (int y = 0; y < surface.Height(); ++y) {
    const std::uint8_t* row = surface.Row(y);
    std::uint32_t differs = 0;
    for (int x = 0; x < surface.Width(); ++x) {
      std::uint32_t pixel = 0;
      std::memcpy(&pixel, row + x * 4, 4);
      differs |= (pixel & 0x00FFFFFFu) ^ first;
    }
    if (differs != 0) return false;
  }
  return true;
}

}  // namespace platform
