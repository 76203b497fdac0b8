// Translation of Qt keys into the virtual-key codes the program handles.
#include "platform/qt/key_map.h"

#include "platform/window_events.h"

namespace platform::qt {

unsigned VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers) {
  namespace k = platform::key;
  const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
    const unsigned digit = static_cast<unsigned>(qtKey - Qt::Key_0);
    return (keypad ? k::kNumpad0 : k::kDigit0) + digit;
  }
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return k::kLetterA + static_cast<unsigned>(qtKey - Qt::Key_A);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return k::kF1 + static_cast<unsigned>(qtKey - Qt::Key_F1);
  switch (qtKey) {
    case Qt::Key_Backspace: return k::kBackspace;
    case Qt::Key_Tab: return k::kTab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return k::kEnter;
    case Qt::Key_Shift: return k::kShift;
    case Qt::Key_Control: return k::kControl;
    case Qt::Key_Alt: return k::kAlt;
    case Qt::Key_Escape: return k::kEscape;
    case Qt::Key_Space: return k::kSpace;
    case Qt::Key_PageUp: return k::kPageUp;
    case Qt::Key_PageDown: return k::kPageDown;
    case Qt::Key_End: return k::kEnd;
    case Qt::Key_Home: return k::kHome;
    case Qt::Key_Left: return k::kLeft;
    case Qt::Key_Up: return k::kUp;
    case Qt::Key_Right: return k::kRight;
    case Qt::Key_Down: return k::kDown;
    case Qt::Key_Insert: return k::kInsert;
    case Qt::Key_Delete: return k::kDelete;
    case Qt::Key_Asterisk: return keypad ? k::kMultiply : 0;
    case Qt::Key_Plus: return keypad ? k::kAdd : 0;
    case Qt::Key_Slash: return keypad ? k::kDivide : 0;
    case Qt::Key_Comma: return k::kComma;
    case Qt::Key_Minus: return keypad ? k::kSubtract : k::kMinus;
    case Qt::Key_Period: return keypad ? k::kDecimal : k::kPeriod;
    default: return 0;
  }
}

}  // namespace platform::qt
