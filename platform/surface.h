// A 32-bit BGRA pixel buffer, rows top-down, either owned or borrowed from its creator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

// A colour as red, green, blue and alpha bytes; stored in a surface as blue, green, red, alpha.
struct Colour {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
  friend bool operator==(const Colour&, const Colour&) = default;
};

// Left, top inclusive; right, bottom exclusive, as GDI rectangles are.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
  int cx = 0, cy = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

class Surface {
 public:
  Surface() = default;
  // An owned buffer of width x height pixels, all bytes 0.
  Surface(int width, int height);
  // Borrows `pixels` (rows `stride` bytes apart, top row first); the caller keeps it alive.
  static Surface Borrow(std::uint8_t* pixels, int width, int height, int stride);
  // Owns `pixels`, width x height packed rows attached from a shared-memory segment, and detaches
  // them when it goes.
  static Surface AdoptShared(std::uint8_t* pixels, int width, int height);

  Surface(Surface&&) noexcept = default;
  Surface& operator=(Surface&&) noexcept = default;
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Stride() const { return stride_; }
  bool Empty() const { return pixels_ == nullptr || width_ <= 0 || height_ <= 0; }
  bool Owned() const { return storage_ != nullptr; }
  std::uint8_t* Pixels() { return pixels_; }
  const std::uint8_t* Pixels() const { return pixels_; }
  std::uint8_t* Row(int y) { return pixels_ + static_cast<std::ptrdiff_t>(y) * stride_; }
  const std::uint8_t* Row(int y) const { return pixels_ + static_cast<std::ptrdiff_t>(y) * stride_; }
  Rect Bounds() const { return {0, 0, width_, height_}; }

  // Reads outside the surface give transparent black.
  Colour GetPixel(int x, int y) const;
  // Writes outside the surface are ignored.
  void SetPixel(int x, int y, Colour c);
  void Fill(Colour c);

 private:
  // Owned pixels come from the system zeroed, untouched until drawn on, so making one costs little
  // before it is used.
  struct Release {
    std::size_t bytes;
    bool shared;  // attached from a shared-memory segment
    void operator()(std::uint8_t* pixels) const;
  };
  std::unique_ptr<std::uint8_t[], Release> storage_;
  std::uint8_t* pixels_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
};

// Every pixel has the same colour (alpha aside), or the surface is empty: a grab of a screen with
// nothing on it.
bool IsSingleColour(const Surface& surface);

}  // namespace platform
