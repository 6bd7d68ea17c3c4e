#include "callengine/AccessCodeGuard.h"

bool AccessCodeGuard::IsLocked(const std::string &number, uint64_t tickMs) const {
  const auto found = numbers_.find(number);
  return found != numbers_.end() && tickMs < found->second.lockedUntil;
}

bool AccessCodeGuard::Wrong(const std::string &number, uint64_t tickMs) {
  Prune(tickMs);
  History &history = numbers_[number];
  history.wrongAt.push_back(tickMs);
  if (static_cast<int>(history.wrongAt.size()) < kWrongPerNumber) return false;
  history.wrongAt.clear();
  history.lockedUntil = tickMs + kLockMs;
  return true;
}

void AccessCodeGuard::Prune(uint64_t tickMs) {
  for (auto it = numbers_.begin(); it != numbers_.end();) {
    std::deque<uint64_t> &wrongAt = it->second.wrongAt;
    while (!wrongAt.empty() && tickMs - wrongAt.front() >= kWindowMs) wrongAt.pop_front();
    if (wrongAt.empty() && tickMs >= it->second.lockedUntil) {
      it = numbers_.erase(it);
    } else {
      ++it;
    }
  }
}
