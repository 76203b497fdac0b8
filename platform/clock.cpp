// The steady system clock in milliseconds.
#include "platform/clock.h"

#include <chrono>

namespace platform {

std::int64_t SteadyClock::NowMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace platform
