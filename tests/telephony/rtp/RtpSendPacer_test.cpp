#include <gtest/gtest.h>

#include <random>

#include "core/ManualClock.h"
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

TEST(RtpSendPacer, NoDriftOverAnHour) {
  ManualClock clock(0, 5000);
  LRtpSendPacer pacer;
  pacer.Start(clock.TickCount());
  std::mt19937 random(3);
  std::uniform_int_distribution<int> lateness(0, 9);
  uint64_t sent = 0;
  while (clock.TickCount() < 5000 + 3600 * 1000) {
    // A loop that wakes up to 9 ms after the slot it asked for.
    clock.Advance(pacer.NextDueMs() - clock.TickCount() + static_cast<uint64_t>(lateness(random)));
    const LRtpSendPacer::Due due = pacer.Poll(clock);
    ASSERT_EQ(std::tuple(due.skipped, due.firstSlot), std::tuple(0u, sent));
    sent += due.send;
  }
  // Exactly one packet per 20 ms from the start, none early.
  EXPECT_EQ(sent, (clock.TickCount() - 5000) / 20 + 1);
  EXPECT_TRUE(pacer.NextDueMs() > clock.TickCount() && pacer.NextDueMs() <= clock.TickCount() + 20);
}
