// The desktop grab on a connection of its own to the X server.
#include "platform/qt/desktop_grab.h"

#include <X11/Xlib.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/uio.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

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

// The server's shared-memory extension, asked for by hand: its requests as the protocol lays
// them out.
xcb_extension_t shared_memory{"MIT-SHM", 0};
constexpr std::uint8_t kAttach = 1, kDetach = 2, kGetImage = 4;

struct AttachRequest {
  std::uint8_t major, minor;
  std::uint16_t length;
  std::uint32_t segment, id;
  std::uint8_t read_only, pad[3];
};
struct DetachRequest {
  std::uint8_t major, minor;
  std::uint16_t length;
  std::uint32_t segment;
};
struct GetImageRequest {
  std::uint8_t major, minor;
  std::uint16_t length;
  std::uint32_t drawable;
  std::int16_t x, y;
  std::uint16_t width, height;
  std::uint32_t plane_mask;
  std::uint8_t format, pad[3];
  std::uint32_t segment, offset;
};

template <class Request>
unsigned Send(xcb_connection_t* c, Request request, std::uint8_t minor, bool is_void, int flags) {
  const xcb_protocol_request_t how{2, &shared_memory, minor, static_cast<std::uint8_t>(is_void ? 1 : 0)};
  iovec parts[4] = {};
  parts[2].iov_base = &request;
  parts[2].iov_len = sizeof request;
  parts[3].iov_base = nullptr;
  parts[3].iov_len = -parts[2].iov_len & 3;
  return xcb_send_request(c, flags, parts + 2, &how);
}

// A segment of shared memory, removed as the last side lets go of it.
class SharedSegment {
 public:
  explicit SharedSegment(std::size_t bytes) : id_(shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600)) {
    if (id_ < 0) return;
    void* at = shmat(id_, nullptr, 0);
    if (at != reinterpret_cast<void*>(-1)) address_ = static_cast<std::uint8_t*>(at);
  }
  ~SharedSegment() {
    if (address_ != nullptr) shmdt(address_);
    if (id_ >= 0) shmctl(id_, IPC_RMID, nullptr);
  }
  SharedSegment(const SharedSegment&) = delete;
  SharedSegment& operator=(const SharedSegment&) = delete;
  int Id() const { return id_; }
  std::uint8_t* Address() const { return address_; }
  // The pixels, as a surface that detaches them when it goes.
  Surface Adopt(int width, int height) { return Surface::AdoptShared(std::exchange(address_, nullptr), width, height); }

 private:
  int id_ = -1;
  std::uint8_t* address_ = nullptr;
};

// The pixels of an area through shared memory, which spares the server and this connection
// sending them over the socket; false where the server cannot reach this machine's memory.
bool FetchShared(xcb_connection_t* c, xcb_drawable_t drawable, std::int16_t x, std::int16_t y, std::uint16_t width,
                 std::uint16_t height, SharedSegment& segment) {
  const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &shared_memory);
  if (extension == nullptr || extension->present == 0 || segment.Address() == nullptr) return false;
  const std::uint32_t id = xcb_generate_id(c);
  AttachRequest attach{};
  attach.segment = id;
  attach.id = static_cast<std::uint32_t>(segment.Id());
  const xcb_void_cookie_t attached{Send(c, attach, kAttach, true, XCB_REQUEST_CHECKED)};
  std::unique_ptr<xcb_generic_error_t, FreeReply> attach_error(xcb_request_check(c, attached));
  if (attach_error) return false;
  GetImageRequest get{};
  get.drawable = drawable;
  get.x = x;
  get.y = y;
  get.width = width;
  get.height = height;
  get.plane_mask = ~0u;
  get.format = XCB_IMAGE_FORMAT_Z_PIXMAP;
  get.segment = id;
  const unsigned sequence = Send(c, get, kGetImage, false, XCB_REQUEST_CHECKED);
  xcb_generic_error_t* error = nullptr;
  std::unique_ptr<void, FreeReply> reply(xcb_wait_for_reply(c, sequence, &error));
  std::unique_ptr<xcb_generic_error_t, FreeReply> get_error(error);
  DetachRequest detach{};
  detach.segment = id;
  Send(c, detach, kDetach, true, 0);
  xcb_flush(c);
  return reply != nullptr && !get_error;
}

}  // namespace

std::string DisplayName(const _XDisplay* display) {
  if (display == nullptr) return {};
  const char* name = DisplayString(const_cast<_XDisplay*>(display));
  return name != nullptr ? name : "";
}

DesktopGrab::DesktopGrab(std::string display) : display_(std::move(display)) {
  thread_ = std::thread([this] { Run(); });
}

DesktopGrab::~DesktopGrab() {
  {
    std::lock_guard lock(mutex_);
    leaving_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void DesktopGrab::SetArea(int x, int y, int width, int height) {
  {
    std::lock_guard lock(mutex_);
    area_ = Area{x, y, width, height};
    area_given_ = true;
  }
  changed_.notify_all();
}

bool DesktopGrab::AreaFits() const {
  return area_given_ && area_.width > 0 && area_.height > 0 && area_.x >= 0 && area_.y >= 0 &&
         area_.x + area_.width <= screen_width_ && area_.y + area_.height <= screen_height_;
}

bool DesktopGrab::WaitTaken() {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, kAnswerWatchdog, [this] { return answered_; });
  return taken_ && AreaFits();
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

void DesktopGrab::Run() {
  int screen_number = 0;
  std::unique_ptr<xcb_connection_t, Disconnect> connection(
      xcb_connect(display_.empty() ? nullptr : display_.c_str(), &screen_number));
  xcb_connection_t* c = connection.get();
  if (xcb_connection_has_error(c) != 0) return Finish(false, {});
  const xcb_setup_t* setup = xcb_get_setup(c);
  auto roots = xcb_setup_roots_iterator(setup);
  for (int i = 0; i < screen_number && roots.rem > 0; ++i) xcb_screen_next(&roots);
  if (roots.rem <= 0) return Finish(false, {});
  const xcb_screen_t* screen = roots.data;
  if (!PixelsAreBgrx(setup, screen) || screen->width_in_pixels == 0 || screen->height_in_pixels == 0) {
    return Finish(false, {});
  }

  const std::uint16_t w = screen->width_in_pixels, h = screen->height_in_pixels;
  {
    std::lock_guard lock(mutex_);
    screen_width_ = w;
    screen_height_ = h;
  }
  const std::size_t row_bytes = static_cast<std::size_t>(w) * 4;
  const auto taken = [this] {
    {
      std::lock_guard lock(mutex_);
      answered_ = true;
      taken_ = true;
    }
    changed_.notify_all();
  };
  // Where the server shares this machine's memory, it writes the screen, windows on it included,
  // straight into a segment of it: once it has answered, the window may cover it.
  SharedSegment segment(row_bytes * h);
  const std::uint8_t* from = nullptr;
  std::unique_ptr<xcb_get_image_reply_t, FreeReply> image;
  if (FetchShared(c, screen->root, 0, 0, w, h, segment)) {
    taken();
    from = segment.Address();
  } else {
    // Else the server first copies the screen into a picture of its own, then sends it.
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    const std::uint32_t inferiors = XCB_SUBWINDOW_MODE_INCLUDE_INFERIORS;
    const xcb_void_cookie_t made = xcb_create_pixmap_checked(c, screen->root_depth, pixmap, screen->root, w, h);
    xcb_create_gc(c, gc, pixmap, XCB_GC_SUBWINDOW_MODE, &inferiors);
    const xcb_void_cookie_t copied = xcb_copy_area_checked(c, screen->root, pixmap, gc, 0, 0, 0, 0, w, h);
    xcb_free_gc(c, gc);
    // The checks wait for the server's answer: once it has come, the copy is made, and whatever is
    // asked later on another connection (the window's showing) comes after it.
    std::unique_ptr<xcb_generic_error_t, FreeReply> made_error(xcb_request_check(c, made));
    std::unique_ptr<xcb_generic_error_t, FreeReply> copy_error(xcb_request_check(c, copied));
    if (made_error || copy_error) return Finish(false, {});
    taken();
    image.reset(xcb_get_image_reply(c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, 0, 0, w, h, ~0u), nullptr));
    if (image && static_cast<std::size_t>(xcb_get_image_data_length(image.get())) >= row_bytes * h) {
      from = xcb_get_image_data(image.get());
    }
    xcb_free_pixmap(c, pixmap);
    xcb_flush(c);
  }
  if (from == nullptr) return Finish(true, {});
  // The pixels of the window's area alone are made ready, once the host has said where it lies.
  Area area;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return area_given_ || leaving_; });
    if (!area_given_ || !AreaFits()) {
      lock.unlock();
      return Finish(true, {});
    }
    area = area_;
  }
  // The window shows its pixels opaque; a desktop all of one colour is no desktop to play over.
  // Shared pixels of the whole screen are made so where they lie and kept; others are copied out.
  const bool in_place = !image && area.x == 0 && area.y == 0 && area.width == w && area.height == h;
  Surface picture = in_place ? segment.Adopt(w, h) : Surface(area.width, area.height);
  from += static_cast<std::size_t>(area.y) * row_bytes + static_cast<std::size_t>(area.x) * 4;
  std::uint32_t first = 0;
  std::memcpy(&first, from, 4);
  first &= 0x00FFFFFFu;
  std::uint32_t differs = 0;
  for (int row = 0; row < area.height; ++row, from += row_bytes) {
    std::uint8_t* to = picture.Row(row);
    for (int column = 0; column < area.width; ++column) {
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
