#include <gtest/gtest.h>

#include <random>

#include "core/ManualClock.h"
#include "telephony/rtp/LRtpSendPacer.h"

TEST(RtpSendPacer, SlotsFollowTheAbsoluteClock) {
  LRtpSendPacer pacer;
  pacer.Start(1000);
  LRtpSendPacer::Due due = pacer.Poll(1000);
  EXPECT_EQ(due.send, 1u);
  EXPECT_EQ(due.firstSlot, 0u);
  EXPECT_EQ(pacer.NextDueMs(), 1020u);
  EXPECT_EQ(pacer.Poll(1019).send, 0u);
  // Woken 7 ms late: the next slot is still due at 1040, not 1047.
  due = pacer.Poll(1027);
  EXPECT_EQ(due.send, 1u);
  EXPECT_EQ(due.firstSlot, 1u);
  EXPECT_EQ(pacer.NextDueMs(), 1040u);
}

TEST(RtpSendPacer, CatchesUpAfterAStallWithinTheBurstLimit) {
  LRtpSendPacer pacer(20, 3);
  pacer.Start(0);
  pacer.Poll(0);
  LRtpSendPacer::Due due = pacer.Poll(50);  // slots 1 and 2
  EXPECT_EQ(due.send, 2u);
  EXPECT_EQ(due.skipped, 0u);
  due = pacer.Poll(250);  // slots 3 to 12: three sent, seven skipped
  EXPECT_EQ(due.send, 3u);
  EXPECT_EQ(due.skipped, 7u);
  EXPECT_EQ(due.firstSlot, 10u);
  EXPECT_EQ(pacer.NextDueMs(), 260u);
}

TEST(RtpSendPacer, NoDriftOverAnHour) {
  ManualClock clock(0, 5000);
  LRtpSendPacer pacer;
  pacer.Start(clock.TickCount());
  std::mt19937 random(3);
  std::uniform_int_distribution<int> lateness(0, 9);
  uint64_t sent = 0;
  uint64_t next = 0;
  while (clock.TickCount() < 5000 + 3600 * 1000) {
    // A loop that wakes up to 9 ms after the slot it asked for.
    clock.Advance(pacer.NextDueMs() - clock.TickCount() + static_cast<uint64_t>(lateness(random)));
    const LRtpSendPacer::Due due = pacer.Poll(clock);
    ASSERT_EQ(due.skipped, 0u);
    ASSERT_EQ(due.firstSlot, next);
    sent += due.send;
    next += due.send;
  }
  // Exactly one packet per 20 ms from the start, none early.
  EXPECT_EQ(sent, (clock.TickCount() - 5000) / 20 + 1);
  EXPECT_GT(pacer.NextDueMs(), clock.TickCount());
  EXPECT_LE(pacer.NextDueMs(), clock.TickCount() + 20);
}
