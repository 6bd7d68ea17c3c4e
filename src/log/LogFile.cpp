#include "log/LogFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "core/FileIo.h"
#include "core/Path.h"
#include "core/Trace.h"
#include "core/UniqueFd.h"

namespace {

// "hh:mm:ss " before the text and "\r\n" after it.
constexpr std::size_t kTimeWidth = 9;
constexpr std::size_t kLineEndWidth = 2;

}  // namespace

LogFile::LogFile(std::string logsFolder, const LClock& clock, StatusDisplay& display)
    : logsFolder_(std::move(logsFolder)), clock_(clock), display_(display) {}

void LogFile::Log(std::string_view text) {
  std::tm local{};
  if (LocalNow(local)) LogLine(local, text);
}

void LogFile::Log(std::string_view text1, std::string_view text2) {
  std::string joined(text1);
  joined.append(text2);
  Log(CutText(joined));
}

void LogFile::LogError(std::string_view text) {
  Log(text);
  display_.SetError();
}

void LogFile::LogError(std::string_view text1, std::string_view text2) {
  Log(text1, text2);
  display_.SetError();
}

void LogFile::CallLog(std::string_view text) {
  std::tm local{};
  if (!LocalNow(local)) return;
  // One time for both files, so the two lines always agree.
  LogLine(local, text);
  AppendLine(DailyPath(local, Daily::kCall), FormatLine(local, text));
}

bool LogFile::LocalNow(std::tm& local) const {
  std::time_t now = clock_.Now();
  if (localtime_r(&now, &local) == nullptr) {
    Trace("Log localtime returned NULL!");
    return false;
  }
  return true;
}

std::string LogFile::FormatLine(const std::tm& local, std::string_view text) {
  std::string body = CutText(text, kMaxLine - kTimeWidth - kLineEndWidth);
  char time[16];
  std::snprintf(time, sizeof time, "%.2d:%.2d:%.2d ", local.tm_hour, local.tm_min, local.tm_sec);
  std::string line(time);
  line.append(body);
  line.append("\r\n");
  return line;
}

std::string LogFile::DailyPath(const std::tm& local, Daily which) const {
  char name[64];
  std::snprintf(name, sizeof name, "20%.2d-%.2d-%.2d %s", local.tm_year % 100, local.tm_mon + 1,
                local.tm_mday, which == Daily::kSystem ? "System Log.txt" : "Call Log.txt");
  return PathJoin(logsFolder_, name);
}

void LogFile::LogLine(const std::tm& local, std::string_view text) {
  std::string line = FormatLine(local, text);
  const std::string path = DailyPath(local, Daily::kSystem);
  ReportLostLines(local, path);
  AppendLine(path, line);
  display_.Append(line);
}

void LogFile::ReportLostLines(const std::tm& local, const std::string& path) {
  int lost, error;
  {
    std::lock_guard lock(writeMutex_);
    lost = std::exchange(lostLines_, 0);
    error = std::exchange(lostError_, 0);
  }
  if (lost == 0) return;
  const bool full = error == ENOSPC || error == EDQUOT;
  const std::string line = FormatLine(
      local, std::to_string(lost) + " log line(s) could not be written (" +
                 (full ? std::string("no space left on the device") : std::strerror(error)) + ")");
  if (!AppendLine(path, line)) {
    // Still failing: the report waits; it was counted as a lost line, which it is not.
    std::lock_guard lock(writeMutex_);
    lostLines_ += lost - 1;
    return;
  }
  display_.Append(line);
}

bool LogFile::AppendLine(const std::string& path, std::string_view line) {
  std::lock_guard lock(writeMutex_);
  auto lost = [&](const char* what) {
    if (lostLines_++ == 0) lostError_ = errno;
    Trace("Log unable to %s %s: %s", what, path.c_str(), std::strerror(errno));
    return false;
  };
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0600));
  if (!fd.Valid()) return lost("open");
  if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
    // Another program is writing the file: this line is lost, by design.
    if (errno != EWOULDBLOCK) {
      Trace("Log unable to lock %s: %s", path.c_str(), std::strerror(errno));
    }
    return false;
  }
  // Under the lock the end cannot move: a line cut short by a full disk is
  // taken back, so the next line does not continue it.
  struct stat before {};
  const bool sized = ::fstat(fd.Get(), &before) == 0;
  if (WriteFully(fd.Get(), line)) return true;
  const int error = errno;
  if (!sized || ::ftruncate(fd.Get(), before.st_size) != 0)
    Trace("Log unable to take back a cut line in %s", path.c_str());
  errno = error;
  return lost("write");
}
