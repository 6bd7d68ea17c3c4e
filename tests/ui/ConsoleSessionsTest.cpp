// The slow-down of password guesses, counted per client address.
#include <gtest/gtest.h>

#include "core/ManualClock.h"
#include "ui/ConsoleSessions.h"

namespace {

void FailUntilWaiting(ConsoleSessions& sessions, const std::string& client) {
  for (int i = 0; i < ConsoleSessions::kFreeFailures; ++i) sessions.LoginFailed(client);
}

TEST(ConsoleSessionsTest, AStrangersGuessesDoNotDelayAnotherAddress) {
  const struct {
    const char* stranger;
    const char* other;
    bool shares;  // the stranger's wait reaches the other address
  } rows[] = {
      {"192.0.2.7", "127.0.0.1", false},
      {"192.0.2.7", "192.0.2.8", false},
      {"192.0.2.7", "192.0.2.7", true},
      {"2001:db8:1:2::7", "2001:db8:1:2:ffff::9", true},  // one network's /64
      {"2001:db8:1:2::7", "2001:db8:1:3::7", false},
      {"::ffff:192.0.2.7", "::ffff:192.0.2.8", false},
  };
  for (const auto& row : rows) {
    ManualClock clock;
    ConsoleSessions sessions(clock, "");
    FailUntilWaiting(sessions, row.stranger);
    EXPECT_EQ(sessions.LoginWaitMs(row.stranger), ConsoleSessions::kFirstWaitMs) << row.stranger;
    EXPECT_EQ(sessions.LoginWaitMs(row.other) > 0, row.shares) << row.stranger << " / " << row.other;
  }
}

TEST(ConsoleSessionsTest, ManyAddressesForgetTheOldestFirst) {
  ManualClock clock;
  ConsoleSessions sessions(clock, "");
  FailUntilWaiting(sessions, "192.0.2.1");
  clock.Advance(1);
  FailUntilWaiting(sessions, "192.0.2.2");
  for (size_t i = 0; i + 2 < ConsoleSessions::kMaxClients; ++i) sessions.LoginFailed("10.0.0." + std::to_string(i));
  EXPECT_GT(sessions.LoginWaitMs("192.0.2.1"), 0u);
  sessions.LoginFailed("198.51.100.1");
  EXPECT_EQ(sessions.LoginWaitMs("192.0.2.1"), 0u);
  EXPECT_GT(sessions.LoginWaitMs("192.0.2.2"), 0u);
}

}  // namespace
