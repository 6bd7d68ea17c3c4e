#include "core/TimerQueue.h"

#include <climits>
#include <functional>

bool TimerQueue::KeyLess::operator()(const Key& a, const Key& b) const {
  if (a.first != b.first) return std::less<const LTimerHandler*>()(a.first, b.first);
  return a.second < b.second;
}

void TimerQueue::Set(LTimerHandler* handler, int id, uint64_t deadline) {
  Kill(handler, id);
  const Slot slot{deadline, nextSequence_++};
  bySlot_.emplace(slot, Due{handler, id});
  byKey_.emplace(Key{handler, id}, slot);
}

bool TimerQueue::Kill(LTimerHandler* handler, int id) {
  auto it = byKey_.find(Key{handler, id});
  if (it == byKey_.end()) return false;
  bySlot_.erase(it->second);
  byKey_.erase(it);
  return true;
}

void TimerQueue::KillAll(const LTimerHandler* handler) {
  auto it = byKey_.lower_bound(Key{handler, INT_MIN});
  while (it != byKey_.end() && it->first.first == handler) {
    bySlot_.erase(it->second);
    it = byKey_.erase(it);
  }
}

std::optional<uint64_t> TimerQueue::NextDeadline() const {
  if (bySlot_.empty()) return std::nullopt;
  return bySlot_.begin()->first.deadline;
}

std::optional<TimerQueue::Due> TimerQueue::PopDue(uint64_t now, uint64_t setBefore) {
  // Timers set during the round have larger sequence numbers and deadlines of
  // at least `now`, so they sort after every timer still eligible.
  if (bySlot_.empty()) return std::nullopt;
  auto first = bySlot_.begin();
  if (first->first.deadline > now || first->first.sequence >= setBefore) return std::nullopt;
  const Due due = first->second;
  byKey_.erase(Key{due.handler, due.id});
  bySlot_.erase(first);
  return due;
}
