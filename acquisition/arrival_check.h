// The device-arrival check: an arrival of the watched device stops a running recording, once between two searches.
#pragma once

#include <string_view>

class DeviceManager;

// Device-change states as the platform reports them.
inline constexpr int kInterfaceArrival = 1;
inline constexpr int kInterfaceRemoval = 3;

// The interfaces the check watches: names that contain this, lower-cased.
inline constexpr std::string_view kWatchedInterface = "vid_15a2&pid_005a";
// The pause after an arrival, before the recording is stopped.
inline constexpr unsigned kArrivalSettleMs = 16;

// True when the interface name, lower-cased, contains the watched vendor and product.
bool IsWatchedInterface(std::string_view interface_name);

// Window thread. An arrival (state 1) while the SearchOnDemand latch is clear sets the latch,
// waits a moment and stops a running recording; later arrivals wait for the next search, which
// clears the latch. A removal never acts. True when the arrival acted.
bool CompareFreescale(DeviceManager& manager, std::string_view interface_name, int state);

// The main window's device-change handler: the watched interfaces' arrivals and removals go to
// CompareFreescale, every other interface is ignored. True when the check acted.
bool OnDeviceInterfaceChange(DeviceManager& manager, std::string_view interface_name, int state);
