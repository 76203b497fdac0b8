// A per-user local channel named after the window class: the running window listens, a second start may ask it to close.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace platform {

// The running window's side. The owner watches the descriptor on the window thread (the Qt host
// uses a socket notifier) and calls Drain when it is readable.
class InstanceListener {
 public:
  explicit InstanceListener(std::string_view window_class);
  ~InstanceListener();
  InstanceListener(const InstanceListener&) = delete;
  InstanceListener& operator=(const InstanceListener&) = delete;

  // False when the channel cannot be opened, for instance because another window listens already.
  bool Start();
  int Descriptor() const { return fd_; }
  // Takes every waiting request; each one is a close request.
  void Drain(const std::function<void()>& on_close_request);

 private:
  std::string name_;
  int fd_ = -1;
};

// Asks a running window of the class to close through its ordinary close. False when one was
// asked; true when none runs (also when one ended without closing its channel).
bool CloseOtherInstance(std::string_view window_class);

}  // namespace platform
