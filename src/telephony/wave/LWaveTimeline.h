#pragma once

#include <chrono>
#include <cstdint>

// The time base of the null and file wave devices: audio time runs from the
// moment the timeline is made, `speed` times faster than real time (1 for
// a call; tests run faster). Devices sharing a timeline stay aligned, so a
// file written by several successive plays has each one where it sounded.
class LWaveTimeline {
 public:
  using Clock = std::chrono::steady_clock;

  // A speed of 0 or less means real time.
  explicit LWaveTimeline(double speed = 1.0);

  double Speed() const { return speed_; }
  // Frames at `rate` that have passed since the timeline began.
  int64_t FrameNow(uint32_t rate) const;
  // The real time that `frames` frames at `rate` take.
  Clock::duration Duration(int64_t frames, uint32_t rate) const;

 private:
  const Clock::time_point start_;
  const double speed_;
};
