// Window timers keyed by (receiver, id).
#include "platform/window_timers.h"

#include <algorithm>

namespace platform {

void TimerTable::Set(Key key, std::int64_t periodMs, std::int64_t nowMs) {
  const std::int64_t period = std::max(periodMs, kMinimumPeriodMs);
  timers_[key] = Entry{period, nowMs + period, nextGeneration_++};
}

void TimerTable::Kill(Key key) { timers_.erase(key); }

void TimerTable::KillReceiver(std::uint64_t receiver) {
  std::erase_if(timers_, [receiver](const auto& item) { return item.first.receiver == receiver; });
}

bool TimerTable::IsCurrent(const Fire& fire) const {
  auto it = timers_.find(fire.key);
  return it != timers_.end() && it->second.generation == fire.generation;
}

std::vector<TimerTable::Fire> TimerTable::TakeDue(std::int64_t nowMs) {
  std::vector<std::pair<std::int64_t, Fire>> due;
  for (auto& [key, entry] : timers_) {
    if (entry.dueMs > nowMs) continue;
    due.push_back({entry.dueMs, Fire{key, entry.generation}});
    entry.dueMs += entry.periodMs;
    if (entry.dueMs <= nowMs) entry.dueMs = nowMs + entry.periodMs;
  }
  std::stable_sort(due.begin(), due.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Fire> result;
  result.reserve(due.size());
  for (auto& item : due) result.push_back(item.second);
  return result;
}

std::optional<std::int64_t> TimerTable::MsUntilNext(std::int64_t nowMs) const {
  if (timers_.empty()) return std::nullopt;
  std::int64_t earliest = timers_.begin()->second.dueMs;
  for (const auto& item : timers_) earliest = std::min(earliest, item.second.dueMs);
  return std::max<std::int64_t>(0, earliest - nowMs);
}

}  // namespace platform
