// Points and rectangles in the host window's client coordinates.
#pragma once

#include <algorithm>

namespace platform {

struct WindowPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const WindowPoint&, const WindowPoint&) = default;
};

// Left and top inclusive, right and bottom exclusive, as window rectangles have always been.
struct WindowRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  static WindowRect FromSize(int x, int y, int width, int height) {
    return {x, y, x + width, y + height};
  }
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool Contains(WindowPoint p) const {
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
  }
  bool Intersects(const WindowRect& o) const { return !Intersect(o).IsEmpty(); }
  WindowRect Intersect(const WindowRect& o) const {
    WindowRect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                 std::min(bottom, o.bottom)};
    return r.IsEmpty() ? WindowRect{} : r;
  }
  // The bounding box of both; an empty rectangle adds nothing.
  WindowRect Union(const WindowRect& o) const {
    if (IsEmpty()) return o.IsEmpty() ? WindowRect{} : o;
    if (o.IsEmpty()) return *this;
    return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
            std::max(bottom, o.bottom)};
  }
  WindowRect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

}  // namespace platform
