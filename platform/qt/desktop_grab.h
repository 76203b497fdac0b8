// The desktop under the window on an X server, taken without holding up the window's start.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "platform/surface.h"

struct _XDisplay;

namespace platform::qt {

// Takes a picture of an area of the X desktop on a connection and a thread of its own, begun as
// the host is made. The server writes the area into memory shared with this program (or, where it
// cannot, copies it into a picture of its own and sends that over); the window is shown once the
// area is taken, and only the first frame waits for the pixels to be made ready.
class DesktopGrab {
 public:
  // Starts taking the area (in the root window's coordinates) of the display `shown_on` is
  // connected to, or of the default display when it is null.
  DesktopGrab(const _XDisplay* shown_on, int x, int y, int width, int height);
  ~DesktopGrab();
  DesktopGrab(const DesktopGrab&) = delete;
  DesktopGrab& operator=(const DesktopGrab&) = delete;

  // Waits until the area is taken, so that the window may cover it; false when it could not be
  // (no server, a screen of another pixel layout).
  bool WaitTaken();
  // Waits for the pixels and gives them away, opaque; empty when the grab failed or the area is
  // all one colour.
  Surface TakePicture();

 private:
  void Run(const std::string& display, int x, int y, int width, int height);
  void Finish(bool taken, Surface picture);

  std::mutex mutex_;
  std::condition_variable changed_;
  bool answered_ = false;  // the copy is made, or will never be
  bool taken_ = false;
  bool done_ = false;  // the pixels are here, or will never be
  Surface picture_;
  std::thread thread_;
};

}  // namespace platform::qt
