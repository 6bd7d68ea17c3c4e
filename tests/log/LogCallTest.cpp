#include "log/LogCall.h"

#include <gtest/gtest.h>

#include <string>

#include "LogTestSupport.h"
#include "core/ManualClock.h"
#include "log/LogFile.h"

namespace {

const char kHeader[] = "Zavotel Log for call answered 2024-12-31 23:58\r\nCreated by Zavotel\r\n";

class LogCallTest : public ::testing::Test {
 protected:
  TempLogsFolder folder_;
  ManualClock clock_{UtcTime(2024, 12, 31, 23, 58, 30), 5000};
  StatusDisplay display_{clock_};
  LogFile logFile_{folder_.Path(), clock_, display_};
  LogCall call_{logFile_, clock_, folder_.Path(), 2};
};

TEST_F(LogCallTest, StepsAreTimedFromCallStartAcrossMidnight) {
  ASSERT_TRUE(call_.CreateNewLog());
  call_.Log("Answer");
  clock_.Advance(95500);
  call_.Log("Play ", "Main");
  call_.Close();

  EXPECT_EQ(call_.FilePath(), folder_.File("Most Recent Call Line 3.txt"));
  EXPECT_EQ(folder_.Read("Most Recent Call Line 3.txt"),
            std::string(kHeader) + "\r\n00:00 Answer\r\n01:35 Play Main");
  EXPECT_EQ(folder_.Read("2024-12-31 System Log.txt"), "23:58:30 Answer\r\n");
  EXPECT_EQ(folder_.Read("2025-01-01 System Log.txt"), "00:00:05 Play Main\r\n");
}

TEST_F(LogCallTest, MinutesGrowPastTwoDigits) {
  ASSERT_TRUE(call_.CreateNewLog());
  clock_.Advance(100 * 60000 + 7000);
  call_.Log("Hang up");
  EXPECT_EQ(folder_.Read("Most Recent Call Line 3.txt"),
            std::string(kHeader) + "\r\n100:07 Hang up");
}

TEST_F(LogCallTest, EntriesAreCutAt607ButJoinedTextsAreNot) {
  ASSERT_TRUE(call_.CreateNewLog());
  call_.Log(std::string(700, 'a'));
  call_.Log(std::string(300, 'b'), std::string(300, 'c'));
  clock_.Advance(100 * 60000);
  call_.Log(std::string(700, 'd'));

  std::string expected = std::string(kHeader) +
                         "\r\n00:00 " + std::string(599, 'a') +
                         "\r\n00:00 " + std::string(300, 'b') + std::string(299, 'c') +
                         "\r\n100:00 " + std::string(598, 'd');
  EXPECT_EQ(folder_.Read("Most Recent Call Line 3.txt"), expected);
  // The system log gets the whole joined text.
  std::string system = folder_.Read("2024-12-31 System Log.txt");
  EXPECT_NE(system.find("23:58:30 " + std::string(300, 'b') + std::string(300, 'c') + "\r\n"),
            std::string::npos);
}

TEST_F(LogCallTest, NewCallTruncatesAndClosedFileGetsNothing) {
  ASSERT_TRUE(call_.CreateNewLog());
  call_.Log("first call");
  clock_.Advance(120000);
  ASSERT_TRUE(call_.CreateNewLog());
  call_.Log("second call");
  call_.Close();
  EXPECT_FALSE(call_.IsOpen());
  call_.Log("between calls");

  EXPECT_EQ(folder_.Read("Most Recent Call Line 3.txt"),
            "Zavotel Log for call answered 2025-01-01 00:00\r\nCreated by Zavotel\r\n"
            "\r\n00:00 second call");
  EXPECT_NE(folder_.Read("2025-01-01 System Log.txt").find("between calls"), std::string::npos);
}

TEST_F(LogCallTest, UncreatableFileLeavesOnlyTheSystemLog) {
  LogCall missing(logFile_, clock_, folder_.File("absent"), 0);
  EXPECT_FALSE(missing.CreateNewLog());
  EXPECT_FALSE(missing.IsOpen());
  missing.Log("step");
  EXPECT_EQ(folder_.Read("2024-12-31 System Log.txt"), "23:58:30 step\r\n");
}

}  // namespace
