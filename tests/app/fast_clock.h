// A unit clock whose sleeps pass at once, per thread, moving the simulated bus along.
#pragma once

#include <chrono>
#include <thread>

#include "acquisition/unit_events.h"
#include "sim/bus.h"

namespace apptest {

struct FastClock : UnitClock {
  static inline thread_local std::uint32_t now = 100000;
  std::uint32_t NowMs() override { return now; }
  void SleepMs(std::uint32_t ms) override {
    now += ms;
    sim::Bus::Instance().Advance(std::chrono::milliseconds(ms));
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
};

}  // namespace apptest
