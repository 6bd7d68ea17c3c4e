#pragma once

#include <cstdint>
#include <ctime>
#include <functional>

// Every tick count, wait and timer in the system reads time through this
// interface, so tests can drive time by hand (ManualClock).
class LClock {
 public:
  virtual ~LClock() = default;

  // Milliseconds on a monotonic scale with an arbitrary origin.
  virtual uint64_t TickCount() const = 0;
  // Wall-clock seconds since 1970 (converted to local time by the caller).
  virtual std::time_t Now() const = 0;
  // Called after the clock jumps forward by hand, so a sleeping event loop
  // re-checks its timers. Real clocks never jump and ignore it. It runs on
  // the thread that moved the clock, and a listener just replaced may still
  // run once, so it should own (share) whatever it touches.
  virtual void SetJumpListener(std::function<void()> listener) = 0;
};
