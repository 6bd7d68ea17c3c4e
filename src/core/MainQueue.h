#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "core/LClock.h"
#include "core/LMessage.h"
#include "core/UniqueFd.h"

// The main loop's message queue: filled from any thread, emptied by the loop
// thread. It holds any number of messages (a pipe would refuse them once
// about 4096 are pending) and wakes the loop through an eventfd only when it
// goes from empty to non-empty. It also carries the replies a sender waits
// for. Held by shared_ptr, so a sender still waiting and a clock listener
// never outlive it.
class MainQueue {
 public:
  struct Reply {
    bool done = false;
    std::optional<int64_t> result;
  };
  struct Item {
    std::function<void()> task;     // a posted function, or else
    LMessage message;               // a main-window message
    std::shared_ptr<Reply> reply;   // when a sender waits for the result
  };

  MainQueue();
  MainQueue(const MainQueue&) = delete;
  MainQueue& operator=(const MainQueue&) = delete;

  // -1 when the eventfd could not be made (the queue is then closed).
  int WakeFd() const { return wakeFd_.Get(); }
  // Wakes the loop; async-signal-safe.
  void Wake() const;
  // Resets the wake-up; the loop calls it before taking messages.
  void ClearWake() const;

  // False, and the item is not kept, once the queue is closed.
  bool Push(Item item);
  // The oldest message, if any. A Push onto a non-empty queue does not wake
  // the loop, so a taker that leaves messages behind must call Wake().
  std::optional<Item> TakeNext();
  bool Empty() const;

  // Refuses every later Push and wakes the loop so it can finish.
  void Close();
  bool IsClosed() const;
  // Closes, drops what is left (its senders get no result) and returns how
  // many messages were dropped.
  size_t Shutdown();

  void Complete(Reply& reply, std::optional<int64_t> result);
  // Waits until the reply is done or `timeoutMs` have passed on `clock`;
  // true when done.
  bool WaitReply(const Reply& reply, const LClock& clock, uint64_t timeoutMs);
  // The clock jumped: waiting senders re-check their time-out.
  void NotifyWaiters();

 private:
  UniqueFd wakeFd_;
  mutable std::mutex mutex_;
  std::condition_variable replied_;
  std::deque<Item> items_;
  bool closed_ = false;
};
