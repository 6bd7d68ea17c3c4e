#include "log/LogCall.h"

#include <gtest/gtest.h>

#include <string>

#include "LogTestSupport.h"

namespace {

const char kCallFile[] = "Most Recent Call Line 3.txt";

class LogCallTest : public LogTest {
 protected:
  LogCall call_{log_, clock_, dir_.Path(), 2};
};

// A new call truncates the file. Steps are timed from the call's start,
// across midnight; an entry is cut at 607 characters, joined texts only as a
// whole, and the system log gets all, also what comes without a call file.
TEST_F(LogCallTest, StepsAreTimedFromCallStartAndCutToFitAndTheSystemLogGetsAll) {
  ASSERT_TRUE(call_.CreateNewLog());
  call_.Log("first call");
  clock_.Advance(60000);
  ASSERT_TRUE(call_.CreateNewLog());
  call_.Log("Answer");
  call_.Log(std::string(300, 'b'), std::string(300, 'c'));
  clock_.Advance(95500);
  call_.Log("Play ", "Main");
  clock_.Advance(100 * 60000);  // minutes grow to three digits
  call_.Log(std::string(700, 'd'));
  call_.Close();
  call_.Log("between calls");
  LogCall missing(log_, clock_, dir_ / "absent", 0);
  EXPECT_FALSE(missing.CreateNewLog());
  missing.Log("uncreatable");

  EXPECT_EQ(Read(kCallFile), "Zavotel Log for call answered 2024-12-31 23:59\r\nCreated by Zavotel\r\n\r\n00:00 Answer\r\n00:00 " +
                                 std::string(300, 'b') + std::string(299, 'c') + "\r\n01:35 Play Main\r\n101:35 " +
                                 std::string(598, 'd'));
  EXPECT_EQ(Read("2024-12-31 System Log.txt"), "23:58:30 first call\r\n23:59:30 Answer\r\n23:59:30 " +
                                                   std::string(300, 'b') + std::string(300, 'c') + "\r\n");
  EXPECT_EQ(Read("2025-01-01 System Log.txt"), "00:01:05 Play Main\r\n01:41:05 " + std::string(700, 'd') +
                                                   "\r\n01:41:05 between calls\r\n01:41:05 uncreatable\r\n");
}

}  // namespace
