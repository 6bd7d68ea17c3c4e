#include "log/LogFile.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
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
  AppendLine(DailyPath(local, Daily::kSystem), line);
  display_.Append(line);
}

void LogFile::AppendLine(const std::string& path, std::string_view line) {
  std::lock_guard lock(writeMutex_);
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0600));
  if (!fd.Valid()) {
    Trace("Log unable to open %s: %s", path.c_str(), std::strerror(errno));
    return;
  }
  if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
    // Another program is writing the file: this line is lost, by design.
    if (errno != EWOULDBLOCK) {
      Trace("Log unable to lock %s: %s", path.c_str(), std::strerror(errno));
    }
    return;
  }
  if (!WriteFully(fd.Get(), line)) {
    Trace("Log unable to write %s: %s", path.c_str(), std::strerror(errno));
  }
}
