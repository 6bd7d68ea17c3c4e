#pragma once
#include <cstdint>

// How long the delivery task waits after a round: after rounds in which a
// delivery failed, 1, 2, 5 and 10 minutes, so that a server back after a
// short outage is used soon without trying a dead one again and again; then,
// and after a round without failure, the usual hour.
class RetryBackoff {
 public:
  static constexpr int64_t kIdleSeconds = 3600;

  // The wait that follows if the round now starting fails.
  int64_t DelayIfFailed() const;
  // The wait after the round that just ended.
  int64_t Delay() const { return delay_; }
  void RoundEnded(bool failed);

 private:
  int failedRounds_ = 0;
  int64_t delay_ = kIdleSeconds;
};
