// The sessions' lifetime and the slow-down of password guesses, counted per
// client address.
#include <gtest/gtest.h>

#include <deque>

#include "core/ManualClock.h"
#include "ui/ConsoleSessions.h"

namespace {

// Readings handed out in the order given: what request threads see when one
// reads the clock, is held up, and takes the lock after another.
class ScriptedClock final : public LClock {
 public:
  explicit ScriptedClock(std::deque<uint64_t> readings) : readings_(std::move(readings)) {}
  uint64_t TickCount() const override {
    const uint64_t now = readings_.front();
    if (readings_.size() > 1) readings_.pop_front();
    return now;
  }
  std::time_t Now() const override { return 0; }
  void SetJumpListener(std::function<void()>) override {}

 private:
  mutable std::deque<uint64_t> readings_;
};

// A session in use lives on when parallel requests stamp their uses out of
// order (a later reading stored first ended it, and its token was refused);
// one left idle longer than kIdleMs ends.
TEST(ConsoleSessionsTest, ASessionInUseOutlivesRequestsStampedOutOfOrder) {
  constexpr uint64_t kIdle = ConsoleSessions::kIdleMs;
  ScriptedClock clock({1000, 1002, 1001, 1001, 999, 1003 + kIdle});
  ConsoleSessions sessions(clock, "");
  const ConsoleSessions::Session session = sessions.Open();  // 1000
  EXPECT_EQ(sessions.TokenOf(session.id), session.token);    // 1002
  EXPECT_EQ(sessions.TokenOf(session.id), session.token);    // 1001, read before the one above
  EXPECT_FALSE(sessions.Open().id.empty());                  // 1001: purges the idle only
  EXPECT_EQ(sessions.TokenOf(session.id), session.token);    // 999
  EXPECT_EQ(sessions.TokenOf(session.id), std::nullopt);     // idle since 1002
}

void Fail(ConsoleSessions& sessions, const std::string& client) {
  ASSERT_EQ(sessions.BeginLogin(client), 0u) << client;
  sessions.EndLogin(client, false);
}

void FailUntilWaiting(ConsoleSessions& sessions, const std::string& client) {
  for (int i = 0; i < ConsoleSessions::kFreeFailures; ++i) Fail(sessions, client);
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
  for (size_t i = 0; i + 2 < ConsoleSessions::kMaxClients; ++i) Fail(sessions, "10.0.0." + std::to_string(i));
  EXPECT_GT(sessions.LoginWaitMs("192.0.2.1"), 0u);
  Fail(sessions, "198.51.100.1");
  EXPECT_EQ(sessions.LoginWaitMs("192.0.2.1"), 0u);
  EXPECT_GT(sessions.LoginWaitMs("192.0.2.2"), 0u);
}

// Guesses sent in parallel are counted before their slow check, one check
// per address at a time, so they meet the wait as guesses in a row do.
TEST(ConsoleSessionsTest, ParallelGuessesWaitForTheCheckInHand) {
  ManualClock clock;
  ConsoleSessions sessions(clock, "");
  ASSERT_EQ(sessions.BeginLogin("192.0.2.7"), 0u);
  EXPECT_EQ(sessions.BeginLogin("192.0.2.7"), ConsoleSessions::kBusyWaitMs);
  EXPECT_EQ(sessions.BeginLogin("198.51.100.1"), 0u);  // another address is not held up
  sessions.EndLogin("198.51.100.1", true);
  sessions.EndLogin("192.0.2.7", false);
  // The attempts that ran count, whether ended yet or not.
  ASSERT_EQ(sessions.BeginLogin("192.0.2.7"), 0u);
  EXPECT_GT(sessions.BeginLogin("192.0.2.7"), 0u);
  sessions.EndLogin("192.0.2.7", false);
  ASSERT_EQ(sessions.BeginLogin("192.0.2.7"), 0u);  // the third
  EXPECT_EQ(sessions.BeginLogin("192.0.2.7"), ConsoleSessions::kFirstWaitMs);
  sessions.EndLogin("192.0.2.7", false);
  EXPECT_EQ(sessions.LoginWaitMs("192.0.2.7"), ConsoleSessions::kFirstWaitMs);
  // A right password, once its turn comes, forgives them.
  clock.Advance(ConsoleSessions::kFirstWaitMs);
  ASSERT_EQ(sessions.BeginLogin("192.0.2.7"), 0u);
  sessions.EndLogin("192.0.2.7", true);
  EXPECT_EQ(sessions.LoginWaitMs("192.0.2.7"), 0u);
}

}  // namespace
