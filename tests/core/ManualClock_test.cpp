#include <gtest/gtest.h>

#include <ctime>

#include "core/ManualClock.h"
#include "core/SystemClock.h"

namespace {

TEST(ManualClock, AdvanceMovesTicksAndWallTimeAndTellsTheListener) {
  ManualClock clock(1000, 50);
  uint64_t seenTick = 0;
  int calls = 0;
  clock.SetJumpListener([&] {
    seenTick = clock.TickCount();
    ++calls;
  });
  clock.Advance(1500);
  EXPECT_EQ(clock.TickCount(), 1550u);
  EXPECT_EQ(clock.Now(), 1001);
  EXPECT_EQ(seenTick, 1550u);
  clock.Advance(500);  // the half second left over completes a second
  EXPECT_EQ(clock.Now(), 1002);
  clock.SetNow(5000);
  clock.Advance(999);
  EXPECT_EQ(clock.Now(), 5000);
  EXPECT_EQ(clock.TickCount(), 3049u);
  clock.SetJumpListener(nullptr);
  clock.Advance(1);
  EXPECT_EQ(calls, 3);
}

TEST(SystemClock, TicksNeverGoBackAndWallTimeIsNow) {
  SystemClock clock;
  const uint64_t first = clock.TickCount();
  EXPECT_GE(clock.TickCount(), first);
  EXPECT_LE(std::abs(clock.Now() - std::time(nullptr)), 1);
}

}  // namespace
