#include "log/StatusDisplay.h"

#include <gtest/gtest.h>

#include <string>

#include "LogTestSupport.h"
#include "core/ManualClock.h"
#include "log/LogFile.h"

namespace {

TEST(StatusDisplayTest, FullBufferDropsItsFirst1024Characters) {
  ManualClock clock;
  StatusDisplay display(clock);
  display.Append(std::string(4000, 'a'));
  std::string pattern;
  for (int i = 0; i < 200; ++i) pattern += static_cast<char>('0' + i % 10);
  display.Append(pattern);

  // Full after 96 more characters: 1024 'a's go, the other 104 follow.
  EXPECT_EQ(display.GetSnapshot().text, std::string(2976, 'a') + pattern);

  display.Append(std::string(920, 'b'));
  EXPECT_EQ(display.GetSnapshot().text.size(), StatusDisplay::kCapacity);
  display.Append("c");
  EXPECT_EQ(display.GetSnapshot().text,
            std::string(1952, 'a') + pattern + std::string(920, 'b') + "c");
}

TEST(StatusDisplayTest, ErrorStateEndsWithALineMoreThan60SecondsLater) {
  TempLogsFolder folder;
  ManualClock clock(UtcTime(2024, 3, 5, 10, 0, 0), 1000);
  StatusDisplay display(clock);
  LogFile log(folder.Path(), clock, display);

  log.Log("fine");
  EXPECT_FALSE(display.GetSnapshot().error);
  log.LogError("Unable to send");
  EXPECT_TRUE(display.GetSnapshot().error);
  clock.Advance(59000);
  log.Log("still red");
  EXPECT_TRUE(display.GetSnapshot().error);
  clock.Advance(2000);
  // Time alone does not end it; the next line does.
  EXPECT_TRUE(display.GetSnapshot().error);
  log.Log("green again");
  EXPECT_FALSE(display.GetSnapshot().error);
  EXPECT_EQ(display.GetSnapshot().text,
            "10:00:00 fine\r\n10:00:00 Unable to send\r\n"
            "10:00:59 still red\r\n10:01:01 green again\r\n");

  // A new error restarts the hold time even while the display is red.
  log.LogError("a", "b");
  clock.Advance(50000);
  log.LogError("again");
  clock.Advance(20000);
  log.Log("within 60 s of the last error");
  EXPECT_TRUE(display.GetSnapshot().error);
}

}  // namespace
