#include "telephony/line/LRingCounter.h"

#include <gtest/gtest.h>

namespace {

TEST(RingCounter, CountsRingsAndRestartsAfterSevenSecondsOfQuiet) {
  LRingCounter rings;
  EXPECT_EQ(rings.Start(1000), 1);
  EXPECT_EQ(rings.Next(5000), 2);
  EXPECT_EQ(rings.Next(11999), 3);  // 6999 ms later: still the same call's rings
  EXPECT_EQ(rings.LongestIntervalMs(), 6999u);
  EXPECT_EQ(rings.Next(18999), 1);  // 7000 ms later: counting starts again
  EXPECT_EQ(rings.LongestIntervalMs(), 0u);
  EXPECT_EQ(rings.Next(20000), 2);
  EXPECT_EQ(rings.LongestIntervalMs(), 1001u);
  EXPECT_EQ(rings.Start(30000), 1);  // a new call
  EXPECT_EQ(rings.LongestIntervalMs(), 0u);
}

TEST(KeyWindow, KeysCountFromTheEndOfTheWindowOn) {
  LKeyWindow window;
  EXPECT_TRUE(window.Accepts(0));
  window.IgnoreUntil(1000);  // connection at 0: a second of quiet
  EXPECT_FALSE(window.Accepts(999));
  EXPECT_TRUE(window.Accepts(1000));
  window.IgnoreUntil(500);  // a shorter window replaces the longer one
  EXPECT_TRUE(window.Accepts(600));
}

}  // namespace
