// The program's way into the host system: builds the real window and its services, free of Qt.
#pragma once

#include <functional>

#include "platform/host_services.h"

namespace platform {

// Prepares the host system (before anything of it exists), builds the window at the screen's
// work area and calls program with the services; program sets itself up, calls RunEventLoop and
// returns the exit code, which RunHost returns. `window_size_known` hears the window's size as soon
// as the host knows it, before the window is built.
int RunHost(int argc, char** argv, const std::function<int(HostServices&)>& program,
            const std::function<void(int width, int height)>& window_size_known = {});

}  // namespace platform
