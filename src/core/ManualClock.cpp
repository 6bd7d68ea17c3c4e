#include "core/ManualClock.h"

std::time_t ManualClock::Now() const {
  std::lock_guard lock(mutex_);
  return wall_;
}

void ManualClock::SetJumpListener(std::function<void()> listener) {
  std::lock_guard lock(mutex_);
  listener_ = std::move(listener);
}

void ManualClock::Advance(uint64_t ms) {
  std::function<void()> listener;
  {
    std::lock_guard lock(mutex_);
    tick_ += ms;
    wallRemainderMs_ += ms;
    wall_ += static_cast<std::time_t>(wallRemainderMs_ / 1000);
    wallRemainderMs_ %= 1000;
    listener = listener_;
  }
  if (listener) listener();
}

void ManualClock::SetNow(std::time_t wall) {
  std::lock_guard lock(mutex_);
  wall_ = wall;
  wallRemainderMs_ = 0;
}
