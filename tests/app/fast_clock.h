// A unit clock whose sleeps pass at once, per thread, moving the simulated bus along.
#pragma once

#include <chrono>
#include <thread>

#include "acquisition/unit_events.h"
#include "sim/bus.h"

namespace apptest {

class FastClock : public UnitClock {
 public:
  std::uint32_t NowMs() override { return Own(); }
  void SleepMs(std::uint32_t ms) override {
    Own() += ms;
    sim::Bus::Instance().Advance(std::chrono::milliseconds(ms));
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }

 private:
  static std::uint32_t& Own() {
    thread_local std::uint32_t now = 100000;
    return now;
  }
};

}  // namespace apptest
