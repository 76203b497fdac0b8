// Millisecond clocks for the window timers: the steady system clock and a fake one that tests step.
#pragma once

#include <atomic>
#include <cstdint>

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary fixed start; never goes back.
  virtual std::int64_t NowMs() const = 0;
};

class SteadyClock final : public Clock {
 public:
  std::int64_t NowMs() const override;
};

// Time stands still until a test advances it.
class FakeClock final : public Clock {
 public:
  explicit FakeClock(std::int64_t startMs = 0) : now_(startMs) {}
  std::int64_t NowMs() const override { return now_.load(std::memory_order_acquire); }
  void Advance(std::int64_t ms) { now_.fetch_add(ms < 0 ? 0 : ms, std::memory_order_acq_rel); }

 private:
  std::atomic<std::int64_t> now_;
};

}  // namespace platform
