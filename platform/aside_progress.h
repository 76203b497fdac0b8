// How far work run aside has come: the work sets each step, the window thread shows it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>

namespace platform {

class AsideProgress {
 public:
  // The work: `done` of `total` (total above 0). With each step held (HoldEachStep), waits until the
  // window thread has shown it.
  void Set(std::uint64_t done, std::uint64_t total);

  // The window thread: the step set since the last one shown, if any; Shown once it is on the screen.
  std::optional<std::pair<std::uint64_t, std::uint64_t>> Fresh() const;
  void Shown();

  // A host whose window thread must see every step (one for tests) has the work wait at each; false
  // lets a waiting work go on.
  void HoldEachStep(bool hold);

 private:
  mutable std::mutex mutex_;
  std::condition_variable shown_;
  std::uint64_t done_ = 0;
  std::uint64_t total_ = 0;
  bool fresh_ = false;
  bool hold_ = false;
};

}  // namespace platform
