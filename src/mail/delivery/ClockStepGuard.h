#pragma once
#include <cstdint>
#include <ctime>

class LogFile;

// Whether the wall clock can be trusted for deleting messages by age. A
// machine may start with a wrong clock and have it set right later, and a
// clock may be stepped by days: either would make every message look old.
// So nothing is deleted for age in the first hour after start or after a
// step, a step being a round in which the wall clock moved against the
// monotonic clock by more than an hour since the round before.
class ClockStepGuard {
 public:
  static constexpr int64_t kSettleSeconds = 3600;

  // The clocks at start: `monotonic` in seconds since any fixed point,
  // counting time asleep.
  ClockStepGuard(std::time_t wall, int64_t monotonic);

  // Called once a round with the clocks now; a step is logged.
  bool Trusted(std::time_t wall, int64_t monotonic, LogFile& log);

  // The system's monotonic clock in seconds (CLOCK_BOOTTIME).
  static int64_t MonotonicNow();

 private:
  int64_t settledAt_;
  std::time_t lastWall_;
  int64_t lastMonotonic_;
};
