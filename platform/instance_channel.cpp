// A per-user local channel named after the window class: the running window listens, a second start may ask it to close.
#include "platform/instance_channel.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace platform {

namespace {

// An abstract socket address: it belongs to the user and vanishes with the process that holds it,
// so a killed window leaves nothing behind that could answer.
socklen_t AddressOf(const std::string& name, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  const std::size_t length = std::min(name.size(), sizeof address.sun_path - 1);
  std::memcpy(address.sun_path + 1, name.data(), length);
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

std::string ChannelName(std::string_view window_class) {
  return std::string(window_class) + "-" + std::to_string(getuid());
}

}  // namespace

InstanceListener::InstanceListener(std::string_view window_class) : name_(ChannelName(window_class)) {}

InstanceListener::~InstanceListener() {
  if (fd_ >= 0) close(fd_);
}

bool InstanceListener::Start() {
  if (fd_ >= 0) return true;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un address;
  const socklen_t length = AddressOf(name_, address);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 || listen(fd, 4) != 0) {
    close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void InstanceListener::Drain(const std::function<void()>& on_close_request) {
  if (fd_ < 0) return;
  for (;;) {
    const int peer = accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (peer < 0) return;
    close(peer);
    if (on_close_request) on_close_request();
  }
}

bool CloseOtherInstance(std::string_view window_class) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return true;
  sockaddr_un address;
  const socklen_t length = AddressOf(ChannelName(window_class), address);
  const bool found = connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
  close(fd);
  return !found;
}

}  // namespace platform
