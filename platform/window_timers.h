// Window timers keyed by (receiver, id): setting an existing key replaces it; due times come from a clock.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace platform {

class TimerTable {
 public:
  // Receiver 0 is the main window; controls use their own serial numbers.
  struct Key {
    std::uint64_t receiver = 0;
    unsigned id = 0;
    friend auto operator<=>(const Key&, const Key&) = default;
  };
  struct Fire {
    Key key;
    std::uint64_t generation = 0;  // which setting of the key was due
  };

  // Periods below this are raised to it, so a zero period cannot spin the window thread.
  static constexpr std::int64_t kMinimumPeriodMs = 10;

  // (Re)starts the timer: first due one period after now.
  void Set(Key key, std::int64_t periodMs, std::int64_t nowMs);
  void Kill(Key key);
  void KillReceiver(std::uint64_t receiver);
  bool Contains(Key key) const { return timers_.count(key) != 0; }
  bool IsCurrent(const Fire& fire) const;

  // The timers due at nowMs, earliest first, each rescheduled for its next period. A timer that
  // fell behind fires once and then keeps its rhythm from now.
  std::vector<Fire> TakeDue(std::int64_t nowMs);
  // Milliseconds until the next timer is due (0 when one is due already); none without timers.
  std::optional<std::int64_t> MsUntilNext(std::int64_t nowMs) const;
  std::size_t Size() const { return timers_.size(); }

 private:
  struct Entry {
    std::int64_t periodMs = 0;
    std::int64_t dueMs = 0;
    std::uint64_t generation = 0;
  };
  std::map<Key, Entry> timers_;
  std::uint64_t nextGeneration_ = 1;
};

}  // namespace platform
