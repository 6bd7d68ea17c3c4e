#pragma once

#include <atomic>
#include <mutex>

#include "core/LClock.h"

// A clock moved by hand: the call simulator's fast-forward and the tests use
// it to pass minutes, midnights and time-outs without waiting.
class ManualClock final : public LClock {
 public:
  explicit ManualClock(std::time_t wallStart = 0, uint64_t tickStart = 0)
      : tick_(tickStart), wall_(wallStart) {}

  uint64_t TickCount() const override { return tick_.load(); }
  std::time_t Now() const override;
  void SetJumpListener(std::function<void()> listener) override;

  // Moves both the tick count and the wall time forward.
  void Advance(uint64_t ms);
  // Sets the wall time alone (for example to just before midnight).
  void SetNow(std::time_t wall);

 private:
  std::atomic<uint64_t> tick_;
  std::time_t wall_;
  uint64_t wallRemainderMs_ = 0;
  mutable std::mutex mutex_;
  std::function<void()> listener_;
};
