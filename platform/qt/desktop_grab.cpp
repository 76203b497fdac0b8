// The desktop grab on a connection of its own to the X server.
#include "platform/qt/desktop_grab.h"

#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

namespace platform::qt {

namespace {

// Against a server that stops answering: the window then starts without the desktop.
constexpr std::chrono::seconds kAnswerWatchdog{2};

struct Disconnect {
  void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};

// Whether the screen's pixels are the window's own: 32 bits a pixel, blue first, 8 bits a colour.
bool PixelsAreBgrx(const xcb_setup_t* setup, const xcb_screen_t* screen) {
  if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST || screen->root_depth != 24) return false;
  bool format = false;
  for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem > 0; xcb_format_next(&it)) {
    if (it.data->depth == 24) format = it.data->bits_per_pixel == 32 && it.data->scanline_pad == 32;
  }
  if (!format) return false;
  for (auto depth = xcb_screen_allowed_depths_iterator(screen); depth.rem > 0; xcb_depth_next(&depth)) {
    for (auto visual = xcb_depth_visuals_iterator(depth.data); visual.rem > 0; xcb_visualtype_next(&visual)) {
      const xcb_visualtype_t& v = *visual.data;
      if (v.visual_id != screen->root_visual) continue;
      return v.red_mask == 0xFF0000u && v.green_mask == 0xFF00u && v.blue_mask == 0xFFu &&
             (v._class == XCB_VISUAL_CLASS_TRUE_COLOR || v._class == XCB_VISUAL_CLASS_DIRECT_COLOR);
    }
  }
  return false;
}

}  // namespace

DesktopGrab::DesktopGrab(const _XDisplay* shown_on, int x, int y, int width, int height) {
  std::string display;
  if (shown_on != nullptr) {
    if (const char* name = DisplayString(const_cast<_XDisplay*>(shown_on))) display = name;
  }
  thread_ = std::thread([this, display = std::move(display), x, y, width, height] { Run(display, x, y, width, height); });
}

DesktopGrab::~DesktopGrab() {
  if (thread_.joinable()) thread_.join();
}

bool DesktopGrab::WaitTaken() {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, kAnswerWatchdog, [this] { return answered_; });
  return taken_;
}

Surface DesktopGrab::TakePicture() {
  std::unique_lock lock(mutex_);
  if (!changed_.wait_for(lock, kAnswerWatchdog, [this] { return done_; })) return {};
  return std::exchange(picture_, Surface{});
}

void DesktopGrab::Finish(bool taken, Surface picture) {
  {
    std::lock_guard lock(mutex_);
    answered_ = true;
    taken_ = taken_ || taken;
    done_ = true;
    picture_ = std::move(picture);
  }
  changed_.notify_all();
}

void DesktopGrab::Run(const std::string& display, int x, int y, int width, int height) {
  int screen_number = 0;
  std::unique_ptr<xcb_connection_t, Disconnect> connection(
      xcb_connect(display.empty() ? nullptr : display.c_str(), &screen_number));
  xcb_connection_t* c = connection.get();
  if (xcb_connection_has_error(c) != 0 || width <= 0 || height <= 0 || x < 0 || y < 0) return Finish(false, {});
  const xcb_setup_t* setup = xcb_get_setup(c);
  auto roots = xcb_setup_roots_iterator(setup);
  for (int i = 0; i < screen_number && roots.rem > 0; ++i) xcb_screen_next(&roots);
  if (roots.rem <= 0) return Finish(false, {});
  const xcb_screen_t* screen = roots.data;
  if (!PixelsAreBgrx(setup, screen) || x + width > screen->width_in_pixels || y + height > screen->height_in_pixels) {
    return Finish(false, {});
  }

  // The server's own copy of the area, windows on it included.
  const auto w = static_cast<std::uint16_t>(width), h = static_cast<std::uint16_t>(height);
  const xcb_pixmap_t pixmap = xcb_generate_id(c);
  const xcb_gcontext_t gc = xcb_generate_id(c);
  const std::uint32_t inferiors = XCB_SUBWINDOW_MODE_INCLUDE_INFERIORS;
  const xcb_void_cookie_t made = xcb_create_pixmap_checked(c, screen->root_depth, pixmap, screen->root, w, h);
  xcb_create_gc(c, gc, pixmap, XCB_GC_SUBWINDOW_MODE, &inferiors);
  const xcb_void_cookie_t copied = xcb_copy_area_checked(c, screen->root, pixmap, gc, static_cast<std::int16_t>(x),
                                                         static_cast<std::int16_t>(y), 0, 0, w, h);
  xcb_free_gc(c, gc);
  // The checks wait for the server's answer: once it has come, the copy is made, and whatever is
  // asked later on another connection (the window's showing) comes after it.
  std::unique_ptr<xcb_generic_error_t, FreeReply> made_error(xcb_request_check(c, made));
  std::unique_ptr<xcb_generic_error_t, FreeReply> copy_error(xcb_request_check(c, copied));
  if (made_error || copy_error) return Finish(false, {});
  {
    std::lock_guard lock(mutex_);
    answered_ = true;
    taken_ = true;
  }
  changed_.notify_all();

  std::unique_ptr<xcb_get_image_reply_t, FreeReply> image(xcb_get_image_reply(
      c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, 0, 0, w, h, ~0u), nullptr));
  xcb_free_pixmap(c, pixmap);
  xcb_flush(c);
  const std::size_t row_bytes = static_cast<std::size_t>(width) * 4;
  if (!image || static_cast<std::size_t>(xcb_get_image_data_length(image.get())) < row_bytes * static_cast<std::size_t>(height)) {
    return Finish(true, {});
  }
  // The window shows its pixels opaque; a desktop all of one colour is no desktop to play over.
  const std::uint8_t* from = xcb_get_image_data(image.get());
  Surface picture(width, height);
  std::uint32_t first = 0;
  std::memcpy(&first, from, 4);
  first &= 0x00FFFFFFu;
  std::uint32_t differs = 0;
  for (int row = 0; row < height; ++row, from += row_bytes) {
    std::uint8_t* to = picture.Row(row);
    for (int column = 0; column < width; ++column) {
      std::uint32_t pixel = 0;
      std::memcpy(&pixel, from + column * 4, 4);
      differs |= (pixel & 0x00FFFFFFu) ^ first;
      pixel |= 0xFF000000u;
      std::memcpy(to + column * 4, &pixel, 4);
    }
  }
  Finish(true, differs != 0 ? std::move(picture) : Surface{});
}

}  // namespace platform::qt
