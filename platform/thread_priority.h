// Work that may wait behind the window thread.
#pragma once

namespace platform {

// Lowers the calling thread's scheduling priority below the window thread's, so that on a busy
// machine work done beside the window yields to it; where the system refuses, nothing changes.
void YieldToWindowThread();

}  // namespace platform
