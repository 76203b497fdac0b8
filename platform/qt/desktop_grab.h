// The desktop under the window on an X server, taken without holding up the window's start.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "platform/surface.h"

struct _XDisplay;

namespace platform::qt {

// Takes a picture of the X desktop on a connection and a thread of its own, begun before the
// application object exists so that the server's copy is made beside Qt's own start. The server
// writes the whole screen into memory shared with this program (or, where it cannot, copies it into
// a picture of its own and sends that over); the window is shown once the screen is taken, and only
// the first frame waits for the pixels of the window's area to be made ready.
// The name of the display a connection was opened on; empty for none.
std::string DisplayName(const _XDisplay* display);

class DesktopGrab {
 public:
  // Starts taking the screen of the display named (the default display when the name is empty).
  explicit DesktopGrab(std::string display);
  ~DesktopGrab();
  DesktopGrab(const DesktopGrab&) = delete;
  DesktopGrab& operator=(const DesktopGrab&) = delete;

  // The display's name as it was given.
  const std::string& Display() const { return display_; }
  // The area the window covers, in the root window's coordinates: its pixels alone are made ready.
  void SetArea(int x, int y, int width, int height);
  // Waits until the screen is taken, so that the window may cover it; false when it could not be
  // (no server, a screen of another pixel layout, an area off the screen).
  bool WaitTaken();
  // Waits for the area's pixels and gives them away, opaque; empty when the grab failed or the area
  // is all one colour.
  Surface TakePicture();

 private:
  struct Area {
    int x = 0, y = 0, width = 0, height = 0;
  };
  void Run();
  void Finish(bool taken, Surface picture);
  bool AreaFits() const;

  const std::string display_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool answered_ = false;  // the copy is made, or will never be
  bool taken_ = false;
  bool done_ = false;  // the pixels are here, or will never be
  bool area_given_ = false;
  bool leaving_ = false;  // the grab goes before an area was given
  Area area_;
  int screen_width_ = 0, screen_height_ = 0;
  Surface picture_;
  std::thread thread_;
};

}  // namespace platform::qt
