#include <gtest/gtest.h>

#include "telephony/rtp/LRtpSendPacer.h"

namespace {

// What one poll sends, skips and starts at.
std::tuple<uint32_t, uint64_t, uint64_t> Sent(const LRtpSendPacer::Due& due) {
  return {due.send, due.skipped, due.firstSlot};
}

}  // namespace

TEST(RtpSendPacer, SlotsFollowTheAbsoluteClockAndCatchUpWithinTheBurstLimit) {
  LRtpSendPacer pacer;
  pacer.Start(1000);
  EXPECT_EQ(Sent(pacer.Poll(1000)), std::tuple(1u, 0u, 0u));
  EXPECT_EQ(pacer.NextDueMs(), 1020u);
  EXPECT_EQ(pacer.Poll(1019).send, 0u);
  // Woken 7 ms late: the next slot is still due at 1040, not 1047.
  EXPECT_EQ(Sent(pacer.Poll(1027)), std::tuple(1u, 0u, 1u));
  EXPECT_EQ(pacer.NextDueMs(), 1040u);
  // After a stall it catches up within the burst limit.
  LRtpSendPacer stalled(20, 3);
  stalled.Start(0);
  stalled.Poll(0);
  EXPECT_EQ(Sent(stalled.Poll(50)), std::tuple(2u, 0u, 1u));  // slots 1 and 2
  // Slots 3 to 12: seven skipped, three sent.
  EXPECT_EQ(Sent(stalled.Poll(250)), std::tuple(3u, 7u, 10u));
  EXPECT_EQ(stalled.NextDueMs(), 260u);
}
