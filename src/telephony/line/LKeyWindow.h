#pragma once

#include <cstdint>

// Keys arriving before a moment are dropped: the line's own tones and the
// noise of connection must not count as the caller's keys.
class LKeyWindow {
 public:
  void IgnoreUntil(uint64_t tick) { until_ = tick; }
  bool Accepts(uint64_t now) const { return now >= until_; }

 private:
  uint64_t until_ = 0;
};
