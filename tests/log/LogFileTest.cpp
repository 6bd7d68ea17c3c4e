#include "log/LogFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <string>
#include <thread>

#include "LogTestSupport.h"
#include "core/UniqueFd.h"
#include "log/StatusDisplay.h"

namespace {

using LogFileTest = LogTest;
const char kSystemLog[] = "2024-12-31 System Log.txt";

TEST_F(LogFileTest, DailyLogsGetTimedLinesCutToFitAndRollOverAtMidnight) {
  log_.Log("Line 1 ringing");
  // Joined texts are cut at 259 characters, a single text only so that the
  // whole line holds 1023 characters.
  log_.Log(std::string(200, 'a'), std::string(200, 'b'));
  log_.Log(std::string(1500, 'c'));
  clock_.Advance(61000);
  log_.CallLog("Line 1 5551234 [Answered]");
  log_.LogError("Mail ", "failed");
  clock_.Advance(30000);
  log_.CallLog("after midnight");

  EXPECT_EQ(Read(kSystemLog), "23:58:30 Line 1 ringing\r\n23:58:30 " + std::string(200, 'a') +
                                  std::string(59, 'b') + "\r\n23:58:30 " + std::string(1012, 'c') +
                                  "\r\n23:59:31 Line 1 5551234 [Answered]\r\n"
                                  "23:59:31 Mail failed\r\n");
  EXPECT_EQ(Read("2024-12-31 Call Log.txt"), "23:59:31 Line 1 5551234 [Answered]\r\n");
  EXPECT_EQ(Read("2025-01-01 System Log.txt"), "00:00:01 after midnight\r\n");
  EXPECT_EQ(Read("2025-01-01 Call Log.txt"), "00:00:01 after midnight\r\n");
  EXPECT_EQ(std::filesystem::status(dir_ / kSystemLog).permissions(), std::filesystem::perms(0600));
}

TEST_F(LogFileTest, LinesThatCannotBeWrittenAreOnlyShown) {
  log_.Log("first");
  // flock locks belong to the open file description, so this second open
  // conflicts with the logger's own open just as another program's would.
  UniqueFd holder(::open((dir_ / kSystemLog).c_str(), O_RDONLY | O_CLOEXEC));
  ASSERT_EQ(::flock(holder.Get(), LOCK_EX | LOCK_NB), 0);
  log_.Log("lost");
  ASSERT_EQ(::flock(holder.Get(), LOCK_UN), 0);
  log_.Log("third");
  LogFile(dir_ / "absent", clock_, display_).CallLog("nowhere");

  EXPECT_EQ(Read(kSystemLog), "23:58:30 first\r\n23:58:30 third\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "absent"));
  const std::string shown = display_.GetSnapshot().text;
  EXPECT_NE(shown.find("lost"), std::string::npos);
  EXPECT_NE(shown.find("nowhere"), std::string::npos);
}

TEST_F(LogFileTest, ConcurrentThreadsLoseNoLines) {
  constexpr int kLines = 400;
  auto writer = [this](char tag) {
    for (int i = 0; i < kLines; ++i) log_.Log(tag + std::to_string(i));
  };
  std::thread a(writer, 'a'), b(writer, 'b');
  a.join();
  b.join();

  const std::string text = Read(kSystemLog);
  for (char tag : {'a', 'b'}) {
    for (int i = 0; i < kLines; ++i) {
      const std::string line = "23:58:30 " + (tag + std::to_string(i)) + "\r\n";
      EXPECT_NE(text.find(line), std::string::npos) << line;
    }
  }
  // Every line whole: 12 characters around the number, whose digits add up.
  EXPECT_EQ(text.size(), 2u * (kLines * 12 + 10 * 1 + 90 * 2 + 300 * 3));
}

using StatusDisplayTest = LogTest;

TEST_F(StatusDisplayTest, FullBufferDropsItsFirst1024Characters) {
  display_.Append(std::string(4000, 'a'));
  std::string pattern;
  for (int i = 0; i < 200; ++i) pattern += static_cast<char>('0' + i % 10);
  display_.Append(pattern);
  // Full after 96 more characters: 1024 'a's go, the other 104 follow.
  EXPECT_EQ(display_.GetSnapshot().text, std::string(2976, 'a') + pattern);

  display_.Append(std::string(920, 'b'));
  display_.Append("c");
  EXPECT_EQ(display_.GetSnapshot().text,
            std::string(1952, 'a') + pattern + std::string(920, 'b') + "c");
}

TEST_F(StatusDisplayTest, ErrorStateEndsWithALineMoreThan60SecondsLater) {
  log_.Log("fine");
  EXPECT_FALSE(display_.GetSnapshot().error);
  log_.LogError("Unable to send");
  clock_.Advance(59000);
  log_.Log("still red");
  EXPECT_TRUE(display_.GetSnapshot().error);
  clock_.Advance(2000);
  EXPECT_TRUE(display_.GetSnapshot().error);  // time alone does not end it
  log_.Log("green again");
  EXPECT_FALSE(display_.GetSnapshot().error);
  EXPECT_EQ(display_.GetSnapshot().text,
            "23:58:30 fine\r\n23:58:30 Unable to send\r\n"
            "23:59:29 still red\r\n23:59:31 green again\r\n");

  // A new error restarts the hold time even while the display is red.
  log_.LogError("a", "b");
  clock_.Advance(50000);
  log_.LogError("again");
  clock_.Advance(20000);
  log_.Log("within 60 s of the last error");
  EXPECT_TRUE(display_.GetSnapshot().error);
}

}  // namespace
