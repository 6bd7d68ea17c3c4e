#include "mail/smtp/SigpipeBlock.h"

#include <pthread.h>

#include <ctime>

namespace {
sigset_t OnlySigpipe() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGPIPE);
  return set;
}
}  // namespace

SigpipeBlock::SigpipeBlock() {
  sigset_t pending;
  sigemptyset(&pending);
  ::sigpending(&pending);
  wasPending_ = sigismember(&pending, SIGPIPE) == 1;
  const sigset_t pipe = OnlySigpipe();
  ::pthread_sigmask(SIG_BLOCK, &pipe, &oldMask_);
}

SigpipeBlock::~SigpipeBlock() {
  if (!wasPending_) {
    const sigset_t pipe = OnlySigpipe();
    const timespec now{0, 0};
    while (::sigtimedwait(&pipe, nullptr, &now) == SIGPIPE) {
    }
  }
  ::pthread_sigmask(SIG_SETMASK, &oldMask_, nullptr);
}
