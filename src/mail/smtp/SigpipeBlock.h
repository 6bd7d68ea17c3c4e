#pragma once

#include <signal.h>

// Keeps SIGPIPE from ending the process while this thread writes to a peer
// that may have gone (OpenSSL writes with write(), which cannot be told not
// to raise it): blocked while the object lives, and a SIGPIPE raised in
// that time is taken off before the old mask returns.
class SigpipeBlock {
 public:
  SigpipeBlock();
  ~SigpipeBlock();
  SigpipeBlock(const SigpipeBlock&) = delete;
  SigpipeBlock& operator=(const SigpipeBlock&) = delete;

 private:
  sigset_t oldMask_{};
  bool wasPending_ = false;
};
