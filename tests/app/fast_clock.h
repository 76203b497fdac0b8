// A unit clock whose sleeps pass at once, per thread; the device worker's move the simulated bus along.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "acquisition/unit_events.h"
#include "acquisition/worker_threads.h"
#include "sim/bus.h"

namespace apptest {

// Only the device worker's sleeps move the bus, as the units' bytes are read on that thread alone:
// a worker that runs late in real time is never late in the bus's time, so the driver's queue
// holds what a real worker polling every few milliseconds would find (another thread's sleeps
// would let the units stream on unread until the queue overruns). Nor do a paused worker's sleeps:
// they last as long as the window's work in real time, which a real pause spends in milliseconds
// but a loaded test machine may stretch into many seconds of the bus's time.
struct FastClock : UnitClock {
  static inline thread_local std::uint32_t now = 100000;
  std::uint32_t NowMs() override { return now; }
  void SleepMs(std::uint32_t ms) override {
    now += ms;
    if (IsDeviceWorkerThread() && DeviceThreadState.load() != kDevicePaused) {
      std::lock_guard lock(mutex_);
      sim::Bus& bus = sim::Bus::Instance();
      const std::int64_t room = std::max<std::int64_t>(held_at_us_ - bus.NowUs(), 0);
      const std::int64_t step = std::min<std::int64_t>(std::int64_t{ms} * 1000, room);
      if (step > 0) bus.Advance(std::chrono::microseconds(step));
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  // The bus goes no further than `us`, however long the threads sleep on: a test bounds what the
  // units send in bus time, whatever pace the threads are given.
  void HoldBusAt(std::int64_t us) {
    std::lock_guard lock(mutex_);
    held_at_us_ = us;
  }
  void ReleaseBus() { HoldBusAt(std::numeric_limits<std::int64_t>::max()); }
  std::int64_t HeldAt() {
    std::lock_guard lock(mutex_);
    return held_at_us_;
  }

 private:
  std::mutex mutex_;
  std::int64_t held_at_us_ = std::numeric_limits<std::int64_t>::max();
};

// A sample lost on the way is never passed over: no unit's bytes met a full driver queue.
inline void ExpectNoBytesLost(sim::Bus& bus) {
  for (const sim::UnitId unit : bus.Units()) EXPECT_EQ(bus.OverrunBytes(unit), 0u) << "bytes lost from unit " << unit;
}

}  // namespace apptest
