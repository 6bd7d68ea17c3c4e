#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/LClock.h"
#include "core/UniqueFd.h"

class LogFile;

// The most recent call file of one line: created anew when a call starts,
// kept open for the call, every step timed from the start of the call. Owned
// by the line's call controller and used only from its thread.
class LogCall {
 public:
  // An entry, line end and elapsed time included, holds at most this many characters.
  static constexpr std::size_t kMaxEntry = 607;

  LogCall(LogFile& logFile, const LClock& clock, std::string_view logsFolder, int lineIndex);
  LogCall(const LogCall&) = delete;
  LogCall& operator=(const LogCall&) = delete;

  // Closes any open file, creates the line's file empty and writes its header.
  // False when it cannot be created; the call's steps then reach only the system log.
  bool CreateNewLog();
  // The text goes to the system log and, while the file is open, to this file.
  void Log(std::string_view text);
  // The two texts joined; not cut (only the limits of the two logs apply).
  void Log(std::string_view text1, std::string_view text2);
  void Close();

  bool IsOpen() const { return file_.Valid(); }
  const std::string& FilePath() const { return path_; }

 private:
  void WriteHeader();
  void Append(std::string_view data);

  LogFile& logFile_;
  const LClock& clock_;
  const std::string path_;
  UniqueFd file_;
  uint64_t createdTick_ = 0;
};
