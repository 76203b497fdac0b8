// The device-arrival check with its latch, and the filter of the device-change handler.
#include "acquisition/arrival_check.h"

#include <algorithm>
#include <string>

#include "acquisition/device_manager.h"
#include "acquisition/worker_threads.h"
#include "graph/graph_view.h"

bool IsWatchedInterface(std::string_view interface_name) {
  std::string lower(interface_name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
  return lower.find(kWatchedInterface) != std::string::npos;
}

bool CompareFreescale(DeviceManager& manager, std::string_view /*interface_name*/, int state) {
  // A removal would concern a serial-port unit, which this system never creates.
  if (state != kInterfaceArrival) return false;
  std::uint8_t clear = 0;
  if (!SearchOnDemand.compare_exchange_strong(clear, static_cast<std::uint8_t>(state))) return false;
  manager.Clock->SleepMs(kArrivalSettleMs);
  if (manager.View != nullptr) manager.View->StopRecording();
  return true;
}

bool OnDeviceInterfaceChange(DeviceManager& manager, std::string_view interface_name, int state) {
  if (state != kInterfaceArrival && state != kInterfaceRemoval) return false;
  if (!IsWatchedInterface(interface_name)) return false;
  return CompareFreescale(manager, interface_name, state);
}
