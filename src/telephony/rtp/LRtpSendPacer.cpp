#include "telephony/rtp/LRtpSendPacer.h"

#include <algorithm>

#include "core/LClock.h"

LRtpSendPacer::LRtpSendPacer(uint32_t intervalMs, uint32_t maxBurst)
    : intervalMs_(std::max<uint32_t>(1, intervalMs)), maxBurst_(std::max<uint32_t>(1, maxBurst)) {}

void LRtpSendPacer::Start(uint64_t nowMs) {
  startMs_ = nowMs;
  next_ = 0;
}

LRtpSendPacer::Due LRtpSendPacer::Poll(uint64_t nowMs) {
  Due due;
  if (nowMs < NextDueMs()) {
    due.firstSlot = next_;
    return due;
  }
  const uint64_t owed = (nowMs - startMs_) / intervalMs_ + 1 - next_;
  due.skipped = owed > maxBurst_ ? owed - maxBurst_ : 0;
  due.send = static_cast<uint32_t>(owed - due.skipped);
  due.firstSlot = next_ + due.skipped;
  next_ += owed;
  return due;
}

LRtpSendPacer::Due LRtpSendPacer::Poll(const LClock& clock) { return Poll(clock.TickCount()); }
