#include "mail/delivery/RetryBackoff.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<int64_t, 5> kDelays = {60, 120, 300, 600, RetryBackoff::kIdleSeconds};

}  // namespace

int64_t RetryBackoff::DelayIfFailed() const {
  return kDelays[static_cast<std::size_t>(std::min<int>(failedRounds_, kDelays.size() - 1))];
}

void RetryBackoff::RoundEnded(bool failed) {
  delay_ = failed ? DelayIfFailed() : kIdleSeconds;
  failedRounds_ = failed ? failedRounds_ + 1 : 0;
}
