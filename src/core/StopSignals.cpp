#include "core/StopSignals.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "core/Trace.h"

namespace {

// Process-wide because a signal handler has no other way to reach its loop.
std::atomic<int> activeWakeFd{-1};
std::atomic<int> pendingSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnStopSignal(int sig) {
  const int savedErrno = errno;
  pendingSignal.store(sig);
  const int fd = activeWakeFd.load();
  if (fd >= 0) {
    const uint64_t one = 1;
    ssize_t ignored = ::write(fd, &one, sizeof one);
    (void)ignored;
  }
  errno = savedErrno;
}

void Install(int sig, struct sigaction* old) {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  if (::sigaction(sig, &action, old) != 0)
    Trace("StopSignals sigaction %d FAILED: %s", sig, std::strerror(errno));
}

}  // namespace

StopSignals::StopSignals(int wakeFd) {
  pendingSignal.store(0);
  activeWakeFd.store(wakeFd);
  Install(SIGTERM, &oldTerm_);
  Install(SIGINT, &oldInt_);
}

StopSignals::~StopSignals() {
  ::sigaction(SIGTERM, &oldTerm_, nullptr);
  ::sigaction(SIGINT, &oldInt_, nullptr);
  activeWakeFd.store(-1);
}

int StopSignals::TakePending() { return pendingSignal.exchange(0); }
