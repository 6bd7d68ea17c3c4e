#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "core/LClock.h"

// The live view of the system log: the last 3072 to 4096 characters logged
// and whether an error was logged recently. One per process, owned by the
// engine; any thread may log, so every access takes the lock.
class StatusDisplay {
 public:
  static constexpr std::size_t kCapacity = 4096;
  // Dropped from the front when the buffer is full, so trimming is rare.
  static constexpr std::size_t kDrop = 1024;
  // The error colouring lasts until a line arrives this long after the last error.
  static constexpr uint64_t kErrorHoldMs = 60000;

  struct Snapshot {
    std::string text;
    bool error = false;
    // Characters appended since the start, dropped ones included, so a
    // reader can tell which end of `text` is new to it.
    uint64_t appended = 0;
  };

  explicit StatusDisplay(const LClock& clock) : clock_(clock) { text_.reserve(kCapacity); }
  StatusDisplay(const StatusDisplay&) = delete;
  StatusDisplay& operator=(const StatusDisplay&) = delete;

  void Append(std::string_view line);
  // Enters the error state and restarts its hold time.
  void SetError();
  Snapshot GetSnapshot() const;

 private:
  const LClock& clock_;
  mutable std::mutex mutex_;
  std::string text_;
  uint64_t appended_ = 0;
  bool error_ = false;
  uint64_t lastErrorTick_ = 0;
};
