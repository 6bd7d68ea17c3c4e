#include "telephony/line/LKeyPacer.h"
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

struct PaceRow { const char* what; double spacingMs; int keys; int taken; };

TEST(KeyPacer, TakesWhatAPhoneSendsAndCutsFloods) {
  const PaceRow rows[] = {
      {"fastest dialler: 40 ms tone, 40 ms gap", 80, 40, 40},
      {"keys 20 ms apart: every other one", 20, 10, 5},
      {"50,000 events in 3 s: 14 a second", 0.06, 50000, 42},
  };
  for (const PaceRow& row : rows) {
    LKeyPacer pacer;
    int taken = 0;
    for (int i = 0; i < row.keys; ++i) taken += pacer.Accepts(5000 + static_cast<uint64_t>(i * row.spacingMs));
    EXPECT_EQ(taken, row.taken) << row.what;
  }
}

}  // namespace
