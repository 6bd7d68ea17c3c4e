#include "mail/smtp/SliceWaiter.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

SliceWaiter::SliceWaiter(LProgress& progress, int sliceMs, int timeoutMs)
    : progress_(progress),
      sliceMs_(sliceMs),
      deadline_(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs)) {}

int SliceWaiter::NextSliceMs() const {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline_ - std::chrono::steady_clock::now());
  return static_cast<int>(std::clamp<long long>(left.count(), 0, sliceMs_));
}

ProcessResult SliceWaiter::Wait(int fd, short events) {
  for (;;) {
    if (progress_.IsCancelled()) return kProcessCancelled;
    const int slice = NextSliceMs();
    if (slice <= 0) return kProcessFailed;
    pollfd watched{fd, events, 0};
    const int ready = ::poll(&watched, 1, slice);
    if (ready > 0) return kProcessDone;
    if (ready < 0 && errno != EINTR) return kProcessFailed;
  }
}
