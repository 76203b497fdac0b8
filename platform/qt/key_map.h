// Translation of Qt keys into the virtual-key codes the program handles.
#pragma once

#include <Qt>

namespace platform::qt {

// 0 for a key the program has no code for.
unsigned VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers);

}  // namespace platform::qt
