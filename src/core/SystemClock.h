#pragma once

#include "core/LClock.h"

// The real clock: steady milliseconds and the system's wall time.
class SystemClock final : public LClock {
 public:
  uint64_t TickCount() const override;
  std::time_t Now() const override;
  void SetJumpListener(std::function<void()>) override {}
};
