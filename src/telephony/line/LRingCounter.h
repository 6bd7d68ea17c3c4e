#pragma once

#include <cstdint>

// Counts the rings of an offered call: the first ring is number 1; a ring
// 7000 ms or more after the previous one starts the count again; the
// longest interval between two rings of the call is its distinctive-ring
// time.
class LRingCounter {
 public:
  static constexpr uint64_t kRestartMs = 7000;

  // A new call rang at `now`: ring 1.
  int Start(uint64_t now);
  // Another ring at `now`: its number.
  int Next(uint64_t now);
  uint32_t LongestIntervalMs() const { return longestMs_; }

 private:
  int next_ = 1;
  uint64_t last_ = 0;
  uint32_t longestMs_ = 0;
};
