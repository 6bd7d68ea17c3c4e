#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The keys a telephone can send: each is a tone and a gap of at least 40 ms,
// so 13 fit in a second (network jitter may bunch one more). A key closer
// than kMinGapMs after the previous one (it cannot have ended sooner), or
// beyond kMaxPerSecond within a second, is a flood, not a caller.
class LKeyPacer {
 public:
  static constexpr uint64_t kMinGapMs = 40;
  static constexpr size_t kMaxPerSecond = 14;

  // Whether a key arriving at `nowMs` is taken; taken keys are counted.
  bool Accepts(uint64_t nowMs);

 private:
  // When the last kMaxPerSecond keys were taken, oldest at `next_`.
  std::array<uint64_t, kMaxPerSecond> taken_{};
  size_t count_ = 0;
  size_t next_ = 0;
};
