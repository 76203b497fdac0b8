// Classification of mouse events by button and by press or release.
#include "platform/window_events.h"

namespace platform {

MouseButton ButtonOf(MouseKind kind) {
  switch (kind) {
    case MouseKind::LeftDown:
    case MouseKind::LeftUp:
    case MouseKind::LeftDoubleClick:
      return MouseButton::Left;
    case MouseKind::RightDown:
    case MouseKind::RightUp:
    case MouseKind::RightDoubleClick:
      return MouseButton::Right;
    case MouseKind::MiddleDown:
    case MouseKind::MiddleUp:
    case MouseKind::MiddleDoubleClick:
      return MouseButton::Middle;
    case MouseKind::Move:
      break;
  }
  return MouseButton::None;
}

bool IsPress(MouseKind kind) {
  switch (kind) {
    case MouseKind::LeftDown:
    case MouseKind::LeftDoubleClick:
    case MouseKind::RightDown:
    case MouseKind::RightDoubleClick:
    case MouseKind::MiddleDown:
    case MouseKind::MiddleDoubleClick:
      return true;
    default:
      return false;
  }
}

bool IsRelease(MouseKind kind) {
  return kind == MouseKind::LeftUp || kind == MouseKind::RightUp || kind == MouseKind::MiddleUp;
}

}  // namespace platform
