// The program's start-up and exit around its one window.
#pragma once

#include <string_view>

#include "app/main_window.h"
#include "platform/host_services.h"

// The class name a second start finds the running window by.
inline constexpr std::string_view kWindowClass = "Win_ZB_FTDI_USB";

// Creates the window, runs the host's event loop until the window has gone, and returns the exit code.
int RunVessamor(platform::HostServices& host, MainWindowEnvironment environment = SystemEnvironment());
