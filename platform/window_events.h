// Mouse and key events as the window core delivers them, with the classic key and button codes.
#pragma once

#include "platform/window_geometry.h"

namespace platform {

enum class MouseKind {
  Move,
  LeftDown,
  LeftUp,
  LeftDoubleClick,
  RightDown,
  RightUp,
  RightDoubleClick,
  MiddleDown,
  MiddleUp,
  MiddleDoubleClick,
};

// Bits of MouseEvent::flags: the buttons and modifier keys held after the event.
enum MouseFlag : unsigned {
  kMouseLeft = 0x0001,
  kMouseRight = 0x0002,
  kMouseShift = 0x0004,
  kMouseControl = 0x0008,
  kMouseMiddle = 0x0010,
};

struct MouseEvent {
  MouseKind kind = MouseKind::Move;
  WindowPoint point;    // in the receiver's own coordinates (a control's top-left is 0, 0)
  unsigned flags = 0;   // MouseFlag bits
};

enum class MouseButton { None, Left, Right, Middle };

// Which button a press or release concerns; None for a move.
MouseButton ButtonOf(MouseKind kind);
bool IsPress(MouseKind kind);    // down or double-click
bool IsRelease(MouseKind kind);

// Virtual-key codes the program reacts to; the host translates its own keys into these.
namespace key {
inline constexpr unsigned kBackspace = 8;
inline constexpr unsigned kTab = 9;
inline constexpr unsigned kEnter = 13;
inline constexpr unsigned kShift = 16;
inline constexpr unsigned kControl = 17;
inline constexpr unsigned kAlt = 18;
inline constexpr unsigned kEscape = 27;
inline constexpr unsigned kSpace = 32;
inline constexpr unsigned kPageUp = 33;
inline constexpr unsigned kPageDown = 34;
inline constexpr unsigned kEnd = 35;
inline constexpr unsigned kHome = 36;
inline constexpr unsigned kLeft = 37;
inline constexpr unsigned kUp = 38;
inline constexpr unsigned kRight = 39;
inline constexpr unsigned kDown = 40;
inline constexpr unsigned kInsert = 45;
inline constexpr unsigned kDelete = 46;
inline constexpr unsigned kDigit0 = 48;   // through 57 for '9'
inline constexpr unsigned kLetterA = 65;  // through 90 for 'Z'
inline constexpr unsigned kNumpad0 = 96;  // through 105
inline constexpr unsigned kMultiply = 106;
inline constexpr unsigned kAdd = 107;
inline constexpr unsigned kSubtract = 109;
inline constexpr unsigned kDecimal = 110;
inline constexpr unsigned kDivide = 111;
inline constexpr unsigned kF1 = 112;      // through 135 for F24
inline constexpr unsigned kF5 = 116;
inline constexpr unsigned kComma = 188;
inline constexpr unsigned kMinus = 189;
inline constexpr unsigned kPeriod = 190;
// Bit of the key flags: the key was already down (auto-repeat).
inline constexpr unsigned kFlagRepeat = 0x4000;
}  // namespace key

}  // namespace platform
