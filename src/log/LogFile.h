#pragma once

#include <ctime>
#include <mutex>
#include <string>
#include <string_view>

#include "core/LClock.h"
#include "log/StatusDisplay.h"

// The daily system log and call log in the Logs folder. Every line opens its
// file, appends and closes it again, so other programs can read the logs
// between writes. One per process, owned by the engine; any thread may log.
class LogFile {
 public:
  // A daily-log line, time and line end included, holds at most this many characters.
  static constexpr std::size_t kMaxLine = 1023;

  LogFile(std::string logsFolder, const LClock& clock, StatusDisplay& display);
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // A system-log line, also shown on the status display.
  void Log(std::string_view text);
  // The two texts joined, cut at 259 characters.
  void Log(std::string_view text1, std::string_view text2);
  // As Log, and the status display shows the error state.
  void LogError(std::string_view text);
  void LogError(std::string_view text1, std::string_view text2);
  // The line goes to the system log first, then to the day's call log.
  void CallLog(std::string_view text);

 private:
  enum class Daily { kSystem, kCall };

  bool LocalNow(std::tm& local) const;
  // "hh:mm:ss text\r\n", the text cut so the line fits kMaxLine.
  static std::string FormatLine(const std::tm& local, std::string_view text);
  std::string DailyPath(const std::tm& local, Daily which) const;
  void LogLine(const std::tm& local, std::string_view text);
  // Appends the whole line or nothing; a line that could not be written is counted.
  bool AppendLine(const std::string& path, std::string_view line);
  // Once the system log can be written again, one line there says how many were lost.
  void ReportLostLines(const std::tm& local, const std::string& path);

  const std::string logsFolder_;
  const LClock& clock_;
  StatusDisplay& display_;
  // Our own threads take turns, so only a foreign holder of a day's file
  // lock can make a line get lost.
  std::mutex writeMutex_;
  // Lines lost to a failed open or write since the last report, and why the first was.
  int lostLines_ = 0;
  int lostError_ = 0;
};
