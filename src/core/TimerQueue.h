#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <utility>

#include "core/LTimerHandler.h"

// The main loop's pending timers, keyed by (handler, id), ordered by deadline
// and, for equal deadlines, by the order in which they were set. Deadlines
// are absolute ticks of the loop's LClock. Not thread-safe: the loop thread
// owns it.
class TimerQueue {
 public:
  struct Due {
    LTimerHandler* handler;
    int id;
  };

  // Sets or re-arms the timer; a re-armed timer counts as set now.
  void Set(LTimerHandler* handler, int id, uint64_t deadline);
  bool Kill(LTimerHandler* handler, int id);
  void KillAll(const LTimerHandler* handler);

  std::optional<uint64_t> NextDeadline() const;
  // Marks the start of a firing round: timers set from now on have a sequence
  // number at least this large.
  uint64_t NextSequence() const { return nextSequence_; }
  // Removes and returns the earliest timer that is due at `now` and was set
  // before `setBefore`, so a handler that re-arms itself with 0 ms waits for
  // the next round instead of starving the loop.
  std::optional<Due> PopDue(uint64_t now, uint64_t setBefore);
  size_t Size() const { return byKey_.size(); }

 private:
  struct Slot {
    uint64_t deadline;
    uint64_t sequence;
    auto operator<=>(const Slot&) const = default;
  };
  using Key = std::pair<const LTimerHandler*, int>;
  // Total order on unrelated handler pointers (plain < is unspecified).
  struct KeyLess {
    bool operator()(const Key& a, const Key& b) const;
  };

  std::map<Slot, Due> bySlot_;
  std::map<Key, Slot, KeyLess> byKey_;
  uint64_t nextSequence_ = 0;
};
