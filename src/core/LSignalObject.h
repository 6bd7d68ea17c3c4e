#pragma once

#include <atomic>
#include <mutex>

#include "core/PiMutex.h"
#include "core/UniqueFd.h"

// A manual-reset event: once set it stays set, waking every waiter, until it
// is reset. An eventfd carries the wake-up so a worker can sleep on two
// events at once; the state itself is a flag, so IsSet() costs no system call
// and still answers when the eventfd could not be created.
class LSignalObject {
 public:
  // Time-out value meaning "no limit" (any negative value does the same).
  static constexpr int kInfinite = -1;

  // Created non-signalled. Without an eventfd (descriptor limit reached) the
  // object still works except that waits return at once.
  LSignalObject();
  LSignalObject(const LSignalObject&) = delete;
  LSignalObject& operator=(const LSignalObject&) = delete;

  void Set();
  void Reset();
  bool IsSet() const { return set_.load(std::memory_order_acquire); }

  // Sleeps until this event is set or `timeoutMs` passes. True when set.
  bool Wait(int timeoutMs) const;
  // Sleeps until `other` (by convention the worker's stop signal) or this
  // event is set, or `timeoutMs` passes. True when either is set; callers
  // re-test IsToStop() rather than relying on which one fired.
  bool WaitSignalDual(const LSignalObject& other, int timeoutMs) const;

 private:
  bool PollUntilSet(const LSignalObject* other, int timeoutMs) const;

  PiMutex lock_;  // keeps the flag and the eventfd counter in step
  std::atomic<bool> set_{false};
  UniqueFd fd_;
};
