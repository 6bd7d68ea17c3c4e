#include "telephony/line/LRingCounter.h"

#include <algorithm>

#include "core/Trace.h"

int LRingCounter::Start(uint64_t now) {
  next_ = 1;
  last_ = now;
  longestMs_ = 0;
  return next_++;
}

int LRingCounter::Next(uint64_t now) {
  const uint64_t elapsed = now - last_;
  if (elapsed >= kRestartMs) {
    Trace("Manually resetting ring count because more than 7000ms since last ring.");
    next_ = 1;
    longestMs_ = 0;
  } else {
    longestMs_ = std::max(longestMs_, static_cast<uint32_t>(elapsed));
  }
  last_ = now;
  return next_++;
}
