// A unit clock whose time moves only when a sleep or the test moves it.
#pragma once

#include <cstdint>

#include "acquisition/unit_events.h"

struct SteppedClock : UnitClock {
  explicit SteppedClock(std::uint32_t start = 1000) : Now(start) {}
  std::uint32_t NowMs() override { return Now; }
  void SleepMs(std::uint32_t ms) override { Now += ms; }
  std::uint32_t Now;
};
