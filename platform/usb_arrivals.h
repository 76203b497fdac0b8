// Arrivals of USB devices from libudev, reported as Windows-style interface names.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

// "vid_15a2&pid_005a"-style interface name (lower-case hex) of a USB device.
std::string UsbInterfaceName(std::uint16_t vendor_id, std::uint16_t product_id);

// Parses the four-digit hex id udev reports ("15A2", "005a"); false on anything else.
bool ParseUsbId(const char* text, std::uint16_t& id);

// Watches the kernel's USB "add" and "remove" events. The owner polls its descriptor on the
// window thread (the Qt host uses a socket notifier) and calls Drain to receive the events.
class UsbArrivalMonitor {
 public:
  // state 1: arrival, 3: removal (the device-change codes the arrival check expects).
  using Handler = std::function<void(const std::string& interface_name, int state)>;

  UsbArrivalMonitor();
  ~UsbArrivalMonitor();
  UsbArrivalMonitor(const UsbArrivalMonitor&) = delete;
  UsbArrivalMonitor& operator=(const UsbArrivalMonitor&) = delete;

  // False when udev is unavailable (no monitor; arrivals are then found by the periodic search).
  bool Start();
  // The descriptor to watch for readability, or -1 when not started.
  int Descriptor() const;
  // Reads every pending event and hands each USB device add/remove to the handler.
  void Drain(const Handler& handler);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
