#include "mail/delivery/ClockStepGuard.h"

#include <cstdlib>

#include "core/TextFormat.h"
#include "log/LogFile.h"

ClockStepGuard::ClockStepGuard(std::time_t wall, int64_t monotonic)
    : settledAt_(monotonic + kSettleSeconds), lastWall_(wall), lastMonotonic_(monotonic) {}

bool ClockStepGuard::Trusted(std::time_t wall, int64_t monotonic, LogFile& log) {
  const int64_t step = (static_cast<int64_t>(wall) - lastWall_) - (monotonic - lastMonotonic_);
  lastWall_ = wall;
  lastMonotonic_ = monotonic;
  if (std::llabs(step) > kSettleSeconds) {
    settledAt_ = monotonic + kSettleSeconds;
    log.Log(TextFormat("The clock jumped by %lld minutes: old messages are not deleted until it has "
                       "kept steady for an hour",
                       static_cast<long long>(step / 60)));
    return false;
  }
  return monotonic >= settledAt_;
}

int64_t ClockStepGuard::MonotonicNow() {
  timespec now{};
  ::clock_gettime(CLOCK_BOOTTIME, &now);
  return now.tv_sec;
}
