#include "log/LogCall.h"

#include <fcntl.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "core/FileIo.h"
#include "core/Path.h"
#include "core/Trace.h"
#include "log/LogFile.h"

namespace {

std::string FileName(int lineIndex) {
  char name[64];
  std::snprintf(name, sizeof name, "Most Recent Call Line %d.txt", lineIndex + 1);
  return name;
}

}  // namespace

LogCall::LogCall(LogFile& logFile, const LClock& clock, std::string_view logsFolder, int lineIndex)
    : logFile_(logFile), clock_(clock), path_(PathJoin(logsFolder, FileName(lineIndex))) {}

bool LogCall::CreateNewLog() {
  Close();
  file_.Reset(::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0600));
  if (!file_.Valid()) {
    Trace("LogCall::CreateNewLog() Unable to open file");
    return false;
  }
  createdTick_ = clock_.TickCount();
  WriteHeader();
  return true;
}

void LogCall::Log(std::string_view text) {
  logFile_.Log(text);
  if (!file_.Valid()) return;
  uint64_t elapsed = clock_.TickCount() - createdTick_;
  char prefix[40];
  std::snprintf(prefix, sizeof prefix, "\r\n%.2" PRIu64 ":%.2d ", elapsed / 60000,
                static_cast<int>(elapsed / 1000 % 60));
  std::string entry(prefix);
  entry.append(CutText(text, kMaxEntry - entry.size()));
  Append(entry);
}

void LogCall::Log(std::string_view text1, std::string_view text2) {
  std::string joined(text1);
  joined.append(text2);
  Log(joined);
}

void LogCall::Close() { file_.Reset(); }

void LogCall::WriteHeader() {
  std::time_t now = clock_.Now();
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) {
    Trace("Log localtime returned NULL!");
    return;
  }
  char header[128];
  std::snprintf(header, sizeof header,
                "Zavotel Log for call answered 20%.2d-%.2d-%.2d %.2d:%.2d\r\n"
                "Created by Zavotel\r\n",
                local.tm_year % 100, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min);
  Append(header);
}

void LogCall::Append(std::string_view data) {
  if (!WriteFully(file_.Get(), data)) {
    Trace("LogCall unable to write %s: %s", path_.c_str(), std::strerror(errno));
  }
}
