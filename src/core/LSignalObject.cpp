#include "core/LSignalObject.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>

#include "core/Trace.h"

LSignalObject::LSignalObject() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  if (!fd_.Valid()) Trace("LSignalObject::LSignalObject CreateEvent FAILED");
}

void LSignalObject::Set() {
  std::lock_guard<PiMutex> guard(lock_);
  if (set_.load(std::memory_order_relaxed)) return;
  set_.store(true, std::memory_order_release);
  if (fd_.Valid()) {
    uint64_t one = 1;
    // Cannot block or fail short: the counter is 0 or 1 here.
    ssize_t ignored = ::write(fd_.Get(), &one, sizeof one);
    (void)ignored;
  }
}

void LSignalObject::Reset() {
  std::lock_guard<PiMutex> guard(lock_);
  if (!set_.load(std::memory_order_relaxed)) return;
  set_.store(false, std::memory_order_release);
  if (fd_.Valid()) {
    uint64_t drained = 0;
    ssize_t ignored = ::read(fd_.Get(), &drained, sizeof drained);
    (void)ignored;
  }
}

bool LSignalObject::Wait(int timeoutMs) const {
  return PollUntilSet(nullptr, timeoutMs);
}

bool LSignalObject::WaitSignalDual(const LSignalObject& other, int timeoutMs) const {
  return PollUntilSet(&other, timeoutMs);
}

bool LSignalObject::PollUntilSet(const LSignalObject* other, int timeoutMs) const {
  if (!fd_.Valid()) {
    Trace("LSignalObject::WaitSignalDual hSignalObject is NULL");
    return IsSet() || (other && other->IsSet());
  }
  pollfd fds[2] = {{fd_.Get(), POLLIN, 0}, {-1, POLLIN, 0}};
  // An other event without an eventfd is still seen through its flag below,
  // just not woken for.
  nfds_t count = 1;
  if (other && other->fd_.Valid()) fds[count++].fd = other->fd_.Get();

  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    if (IsSet() || (other && other->IsSet())) return true;
    int wait = -1;
    if (timeoutMs >= 0) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left < 0) return false;
      wait = static_cast<int>(left);
    }
    int ready = ::poll(fds, count, wait);
    if (ready == 0) return IsSet() || (other && other->IsSet());
    if (ready < 0 && errno != EINTR) return false;
    // Ready or interrupted: the flags above decide; a reset that raced the
    // wake-up simply leads to another wait.
  }
}
