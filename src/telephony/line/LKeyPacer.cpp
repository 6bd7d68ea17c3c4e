#include "telephony/line/LKeyPacer.h"

bool LKeyPacer::Accepts(uint64_t nowMs) {
  if (count_ > 0) {
    const uint64_t last = taken_[(next_ + kMaxPerSecond - 1) % kMaxPerSecond];
    if (nowMs < last + kMinGapMs) return false;
  }
  if (count_ == kMaxPerSecond && nowMs < taken_[next_] + 1000) return false;
  taken_[next_] = nowMs;
  next_ = (next_ + 1) % kMaxPerSecond;
  if (count_ < kMaxPerSecond) ++count_;
  return true;
}
