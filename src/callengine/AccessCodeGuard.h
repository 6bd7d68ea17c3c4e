#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>

// Wrong mailbox access codes, counted per caller number across calls and
// lines, so a code cannot be guessed by calling again and again. A code is
// compared with every mailbox, so all share one count. Kept in memory only.
class AccessCodeGuard {
 public:
  // A call ends after this many wrong codes.
  static constexpr int kWrongPerCall = 3;
  // This many wrong codes from one number within the window lock it out.
  static constexpr int kWrongPerNumber = 6;
  static constexpr uint64_t kWindowMs = 10 * 60 * 1000;
  static constexpr uint64_t kLockMs = 30 * 60 * 1000;

  // Whether codes from `number` are refused unchecked at `tickMs`.
  bool IsLocked(const std::string &number, uint64_t tickMs) const;
  // Counts a wrong code from `number`; true when it locks the number out.
  bool Wrong(const std::string &number, uint64_t tickMs);

 private:
  struct History {
    std::deque<uint64_t> wrongAt;
    uint64_t lockedUntil = 0;
  };
  // Forgets numbers with neither a recent wrong code nor a lock.
  void Prune(uint64_t tickMs);

  std::map<std::string, History> numbers_;
};
