#include "log/LogFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <atomic>
#include <string>
#include <thread>

#include "LogTestSupport.h"
#include "core/FileIo.h"
#include "core/UniqueFd.h"
#include "log/StatusDisplay.h"

namespace {

using LogFileTest = LogTest;
const char kSystemLog[] = "2024-12-31 System Log.txt";

// Lines that cannot be written, the file locked by another program or the
// folder missing, are only shown.
TEST_F(LogFileTest, DailyLogsGetTimedLinesCutToFitAndRollOverAtMidnight) {
  log_.Log("Line 1 ringing");
  // flock locks belong to the open file description, so this second open
  // conflicts with the logger's own open just as another program's would.
  UniqueFd holder(::open((dir_ / kSystemLog).c_str(), O_RDONLY | O_CLOEXEC));
  ASSERT_EQ(::flock(holder.Get(), LOCK_EX | LOCK_NB), 0);
  log_.Log("lost");
  ASSERT_EQ(::flock(holder.Get(), LOCK_UN), 0);
  LogFile(dir_ / "absent", clock_, display_).CallLog("nowhere");
  // Joined texts are cut at 259 characters, a single text only so that the
  // whole line holds 1023 characters.
  log_.Log(std::string(200, 'a'), std::string(200, 'b'));
  log_.Log(std::string(1500, 'c'));
  clock_.Advance(61000);
  log_.CallLog("Line 1 5551234 [Answered]");
  log_.LogError("Mail ", "failed");
  clock_.Advance(30000);
  log_.CallLog("after midnight");

  EXPECT_EQ(Read(kSystemLog), "23:58:30 Line 1 ringing\r\n23:58:30 " + std::string(200, 'a') + std::string(59, 'b') +
                                  "\r\n23:58:30 " + std::string(1012, 'c') +
                                  "\r\n23:59:31 Line 1 5551234 [Answered]\r\n23:59:31 Mail failed\r\n");
  EXPECT_EQ(Read("2024-12-31 Call Log.txt"), "23:59:31 Line 1 5551234 [Answered]\r\n");
  EXPECT_EQ(Read("2025-01-01 System Log.txt") + Read("2025-01-01 Call Log.txt"),
            "00:00:01 after midnight\r\n00:00:01 after midnight\r\n");
  EXPECT_EQ(std::filesystem::status(dir_ / kSystemLog).permissions(), std::filesystem::perms(0600));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "absent"));
  const std::string shown = display_.GetSnapshot().text;
  EXPECT_TRUE(shown.find("lost") != std::string::npos && shown.find("nowhere") != std::string::npos);
}

TEST_F(LogFileTest, ConcurrentThreadsLoseNoLines) {
  constexpr int kLines = 400;
  auto writer = [this](char tag) { for (int i = 0; i < kLines; ++i) log_.Log(tag + std::to_string(i)); };
  std::thread a(writer, 'a'), b(writer, 'b');
  a.join(), b.join();
  const std::string text = Read(kSystemLog);
  for (char tag : {'a', 'b'})
    for (int i = 0; i < kLines; ++i) EXPECT_NE(text.find("23:58:30 " + (tag + std::to_string(i)) + "\r\n"), std::string::npos) << tag << i;
  // Every line whole: 12 characters around the number, whose digits add up.
  EXPECT_EQ(text.size(), 2u * (kLines * 12 + 10 * 1 + 90 * 2 + 300 * 3));
}

using StatusDisplayTest = LogTest;

TEST_F(StatusDisplayTest, FullBufferDropsItsFirst1024Characters) {
  display_.Append(std::string(4000, 'a'));
  const std::string pattern(200, 'p');
  display_.Append(pattern);
  // Full after 96 more characters: 1024 'a's go, the other 104 follow.
  EXPECT_EQ(display_.GetSnapshot().text, std::string(2976, 'a') + pattern);

  display_.Append(std::string(920, 'b'));
  display_.Append("c");
  EXPECT_EQ(display_.GetSnapshot().text, std::string(1952, 'a') + pattern + std::string(920, 'b') + "c");
}

TEST_F(StatusDisplayTest, ErrorStateEndsWithALineMoreThan60SecondsLater) {
  // Time alone does not end it; a new error restarts the hold time even
  // while the display is red.
  std::string states;
  for (auto [advance, error, text] : {std::tuple{0, false, "fine"}, {0, true, "Unable to send"}, {59000, false, "still red"},
                                      {2000, false, ""}, {0, false, "green again"}, {0, true, "a"},
                                      {50000, true, "again"}, {20000, false, "within 60 s of the last error"}}) {
    clock_.Advance(advance);
    if (*text) error ? log_.LogError(text) : log_.Log(text);
    states += display_.GetSnapshot().error ? "R" : "G";
  }
  EXPECT_EQ(states, "GRRRGRRR");
  EXPECT_TRUE(display_.GetSnapshot().text.starts_with(
      "23:58:30 fine\r\n23:58:30 Unable to send\r\n23:59:29 still red\r\n23:59:31 green again\r\n"));
}

}  // namespace

namespace {

// A disk with room for `room` more bytes in all, then full.
std::atomic<int64_t> room{0};
ssize_t FillingWrite(int fd, const void* data, std::size_t size) {
  const int64_t fits = std::min<int64_t>(static_cast<int64_t>(size), room.load());
  if (fits == 0) {
    errno = ENOSPC;
    return -1;
  }
  room -= fits;
  return ::write(fd, data, static_cast<std::size_t>(fits));
}

// A full disk leaves no line half written, and once lines can be written
// again one line says how many were lost.
TEST_F(LogFileTest, AFullDiskTearsNoLineAndTheLossIsReportedOnceWritingWorks) {
  log_.Log("before");
  room = 12;  // part of the next line fits
  const WriteCall previous = ReplaceWriteCall(&FillingWrite);
  log_.Log("Line 1 ringing");
  log_.CallLog("Line 1 answered");  // system and call log: two lines lost
  room = 0;
  log_.Log("still full");  // the report fails too and is not counted
  ReplaceWriteCall(previous);
  clock_.Advance(2000);
  log_.Log("after");
  EXPECT_EQ(Read(kSystemLog), "23:58:30 before\r\n23:58:32 4 log line(s) could not be written "
                              "(no space left on the device)\r\n23:58:32 after\r\n");
  EXPECT_EQ(Read("2024-12-31 Call Log.txt"), "");
  EXPECT_NE(display_.GetSnapshot().text.find("4 log line(s) could not be written"), std::string::npos);
}

}  // namespace
