#pragma once

#include <cstdint>

class LClock;

// When the packets of a call's send path are due. Slot n is due at
// start + n * interval exactly, so the rate never drifts however late the
// caller wakes. After a stall the due slots are sent at once up to a burst
// limit; slots beyond it are skipped (their time has gone: the RTP timestamp
// still advances by them, so the far end hears a gap, not a slower stream).
class LRtpSendPacer {
 public:
  struct Due {
    uint64_t firstSlot = 0;  // slot of the first packet to send now
    uint32_t send = 0;       // packets to send now, slots firstSlot on
    uint64_t skipped = 0;    // slots dropped just before firstSlot
  };

  explicit LRtpSendPacer(uint32_t intervalMs = 20, uint32_t maxBurst = 3);

  // Slot 0 becomes due at `nowMs`.
  void Start(uint64_t nowMs);
  // The slots due by `nowMs` that were not handed out yet.
  Due Poll(uint64_t nowMs);
  Due Poll(const LClock& clock);
  // When the next slot is due.
  uint64_t NextDueMs() const { return startMs_ + next_ * intervalMs_; }

 private:
  const uint32_t intervalMs_;
  const uint32_t maxBurst_;
  uint64_t startMs_ = 0;
  uint64_t next_ = 0;
};
