#include "core/SystemClock.h"

#include <chrono>

uint64_t SystemClock::TickCount() const {
  using namespace std::chrono;
  return static_cast<uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::time_t SystemClock::Now() const { return std::time(nullptr); }
