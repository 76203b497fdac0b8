// libudev monitor of USB device arrivals and removals.
#include "platform/usb_arrivals.h"

#include <libudev.h>

#include <cstdio>
#include <cstring>

namespace platform {

std::string UsbInterfaceName(std::uint16_t vendor_id, std::uint16_t product_id) {
  char text[32];
  std::snprintf(text, sizeof text, "vid_%04x&pid_%04x", vendor_id, product_id);
  return text;
}

bool ParseUsbId(const char* text, std::uint16_t& id) {
  if (text == nullptr || std::strlen(text) != 4) return false;
  unsigned value = 0;
  for (int i = 0; i < 4; ++i) {
    const char c = text[i];
    unsigned digit;
    if (c >= '0' && c <= '9') digit = unsigned(c - '0');
    else if (c >= 'a' && c <= 'f') digit = unsigned(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') digit = unsigned(c - 'A' + 10);
    else return false;
    value = value * 16 + digit;
  }
  id = static_cast<std::uint16_t>(value);
  return true;
}

struct UsbArrivalMonitor::Impl {
  udev* context = nullptr;
  udev_monitor* monitor = nullptr;

  ~Impl() {
    if (monitor) udev_monitor_unref(monitor);
    if (context) udev_unref(context);
  }
};

UsbArrivalMonitor::UsbArrivalMonitor() : impl_(std::make_unique<Impl>()) {}
UsbArrivalMonitor::~UsbArrivalMonitor() = default;

bool UsbArrivalMonitor::Start() {
  if (impl_->monitor) return true;
  impl_->context = udev_new();
  if (!impl_->context) return false;
  impl_->monitor = udev_monitor_new_from_netlink(impl_->context, "udev");
  if (!impl_->monitor ||
      udev_monitor_filter_add_match_subsystem_devtype(impl_->monitor, "usb", "usb_device") < 0 ||
      udev_monitor_enable_receiving(impl_->monitor) < 0) {
    impl_ = std::make_unique<Impl>();
    return false;
  }
  return true;
}

int UsbArrivalMonitor::Descriptor() const {
  return impl_->monitor ? udev_monitor_get_fd(impl_->monitor) : -1;
}

void UsbArrivalMonitor::Drain(const Handler& handler) {
  if (!impl_->monitor) return;
  // The monitor's socket is non-blocking: receive returns null once the queue is empty.
  while (udev_device* device = udev_monitor_receive_device(impl_->monitor)) {
    const char* action = udev_device_get_action(device);
    std::uint16_t vendor = 0, product = 0;
    const bool ids = ParseUsbId(udev_device_get_sysattr_value(device, "idVendor"), vendor) &&
                     ParseUsbId(udev_device_get_sysattr_value(device, "idProduct"), product);
    const bool add = action && std::strcmp(action, "add") == 0;
    const bool remove = action && std::strcmp(action, "remove") == 0;
    // A removed device has no sysfs attributes left; its ids come from the event's properties.
    if (!ids && remove) {
      const char* vid = udev_device_get_property_value(device, "ID_VENDOR_ID");
      const char* pid = udev_device_get_property_value(device, "ID_MODEL_ID");
      if (ParseUsbId(vid, vendor) && ParseUsbId(pid, product)) {
        handler(UsbInterfaceName(vendor, product), 3);
      }
    } else if (ids && (add || remove)) {
      handler(UsbInterfaceName(vendor, product), add ? 1 : 3);
    }
    udev_device_unref(device);
  }
}

}  // namespace platform
