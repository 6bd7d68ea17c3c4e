#include "log/LogFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <string>
#include <thread>

#include "LogTestSupport.h"
#include "core/ManualClock.h"
#include "core/UniqueFd.h"

namespace {

const char kSystemLog[] = "2024-03-05 System Log.txt";
const char kCallLog[] = "2024-03-05 Call Log.txt";

class LogFileTest : public ::testing::Test {
 protected:
  TempLogsFolder folder_;
  ManualClock clock_{UtcTime(2024, 3, 5, 7, 8, 9), 1000};
  StatusDisplay display_{clock_};
  LogFile log_{folder_.Path(), clock_, display_};
};

TEST_F(LogFileTest, SystemAndCallLogLinesAndNames) {
  log_.Log("Line 1 ringing");
  clock_.Advance(61000);
  log_.CallLog("Line 1 5551234 [Answered]");
  log_.LogError("Mail ", "failed");

  EXPECT_EQ(folder_.Read(kSystemLog),
            "07:08:09 Line 1 ringing\r\n"
            "07:09:10 Line 1 5551234 [Answered]\r\n"
            "07:09:10 Mail failed\r\n");
  EXPECT_EQ(folder_.Read(kCallLog), "07:09:10 Line 1 5551234 [Answered]\r\n");

  struct stat info {};
  ASSERT_EQ(stat(folder_.File(kSystemLog).c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(LogFileTest, FirstLineAfterMidnightStartsNewDayFile) {
  clock_.SetNow(UtcTime(2024, 12, 31, 23, 59, 59));
  log_.CallLog("before");
  clock_.Advance(2000);
  log_.CallLog("after");

  EXPECT_EQ(folder_.Read("2024-12-31 System Log.txt"), "23:59:59 before\r\n");
  EXPECT_EQ(folder_.Read("2025-01-01 System Log.txt"), "00:00:01 after\r\n");
  EXPECT_EQ(folder_.Read("2024-12-31 Call Log.txt"), "23:59:59 before\r\n");
  EXPECT_EQ(folder_.Read("2025-01-01 Call Log.txt"), "00:00:01 after\r\n");
}

TEST_F(LogFileTest, LongTextsAreCutToFit) {
  // Joined texts are cut at 259 characters.
  log_.Log(std::string(200, 'a'), std::string(200, 'b'));
  // A single text is cut only so the whole line holds 1023 characters.
  log_.Log(std::string(1500, 'c'));
  log_.CallLog(std::string(1012, 'd'));

  std::string expected = "07:08:09 " + std::string(200, 'a') + std::string(59, 'b') + "\r\n" +
                         "07:08:09 " + std::string(1012, 'c') + "\r\n" +
                         "07:08:09 " + std::string(1012, 'd') + "\r\n";
  EXPECT_EQ(folder_.Read(kSystemLog), expected);
  EXPECT_EQ(folder_.Read(kCallLog).size(), 1023u);
}

TEST_F(LogFileTest, LineIsDroppedWhileAnotherHolderLocksTheFile) {
  log_.Log("first");
  // flock locks belong to the open file description, so this second open
  // conflicts with the logger's own open just as another program's would.
  UniqueFd holder(::open(folder_.File(kSystemLog).c_str(), O_RDONLY | O_CLOEXEC));
  ASSERT_TRUE(holder.Valid());
  ASSERT_EQ(::flock(holder.Get(), LOCK_EX | LOCK_NB), 0);
  log_.Log("lost");
  ASSERT_EQ(::flock(holder.Get(), LOCK_UN), 0);
  log_.Log("third");

  EXPECT_EQ(folder_.Read(kSystemLog), "07:08:09 first\r\n07:08:09 third\r\n");
  // The display still shows every line.
  EXPECT_NE(display_.GetSnapshot().text.find("lost"), std::string::npos);
}

TEST_F(LogFileTest, ConcurrentThreadsLoseNoLines) {
  constexpr int kLines = 400;
  auto writer = [this](char tag) {
    for (int i = 0; i < kLines; ++i) log_.Log(std::string(1, tag) + std::to_string(i));
  };
  std::thread a(writer, 'a');
  std::thread b(writer, 'b');
  a.join();
  b.join();

  std::string text = folder_.Read(kSystemLog);
  for (char tag : {'a', 'b'}) {
    for (int i = 0; i < kLines; ++i) {
      std::string line = "07:08:09 " + std::string(1, tag) + std::to_string(i) + "\r\n";
      EXPECT_NE(text.find(line), std::string::npos) << line;
    }
  }
  // Every line whole: 12 characters around the number, whose digits add up.
  EXPECT_EQ(text.size(), 2u * (kLines * 12 + 10 * 1 + 90 * 2 + 300 * 3));
}

TEST_F(LogFileTest, MissingFolderLosesLinesWithoutHarm) {
  LogFile missing(folder_.File("absent"), clock_, display_);
  missing.CallLog("nowhere");
  EXPECT_FALSE(folder_.Exists("absent"));
  EXPECT_NE(display_.GetSnapshot().text.find("nowhere"), std::string::npos);
}

}  // namespace
