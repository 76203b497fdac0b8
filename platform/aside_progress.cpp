// How far work run aside has come: the work sets each step, the window thread shows it.
#include "platform/aside_progress.h"

namespace platform {

void AsideProgress::Set(std::uint64_t done, std::uint64_t total) {
  std::unique_lock lock(mutex_);
  done_ = done;
  total_ = total;
  fresh_ = true;
  shown_.wait(lock, [&] { return !fresh_ || !hold_; });
}

std::optional<std::pair<std::uint64_t, std::uint64_t>> AsideProgress::Fresh() const {
  std::lock_guard lock(mutex_);
  if (!fresh_) return std::nullopt;
  return std::pair{done_, total_};
}

void AsideProgress::Shown() {
  {
    std::lock_guard lock(mutex_);
    fresh_ = false;
  }
  shown_.notify_all();
}

void AsideProgress::HoldEachStep(bool hold) {
  {
    std::lock_guard lock(mutex_);
    hold_ = hold;
  }
  shown_.notify_all();
}

}  // namespace platform
