#include "log/LogFolder.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <tuple>

#include "core/FileIo.h"
#include "core/Path.h"
#include "core/UniqueFd.h"

namespace {

constexpr std::string_view kCallSuffix = " Call Log.txt";
constexpr std::string_view kSystemSuffix = " System Log.txt";
constexpr std::string_view kRecentPrefix = "Most Recent Call Line ";
constexpr std::string_view kText = ".txt";
// Every line a call can be on: 64 lines, and the browser's phones above 100.
constexpr int kMaxLines = 256;

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// "yyyy-mm-dd" as the daily logs are named.
bool IsDate(std::string_view text) {
  return text.size() == 10 && text[4] == '-' && text[7] == '-' && AllDigits(text.substr(0, 4)) &&
         AllDigits(text.substr(5, 2)) && AllDigits(text.substr(8, 2));
}

// The file's place among the logs; nullopt when the name is no log's.
std::optional<LogFolder::File> Classify(std::string_view name) {
  for (const auto& [suffix, kind] : {std::pair{kCallSuffix, LogFolder::Kind::kCall},
                                     std::pair{kSystemSuffix, LogFolder::Kind::kSystem}}) {
    if (name.size() == 10 + suffix.size() && name.ends_with(suffix) && IsDate(name.substr(0, 10)))
      return LogFolder::File{std::string(name), kind, std::string(name.substr(0, 10)), 0, 0, 0};
  }
  if (!name.starts_with(kRecentPrefix) || !name.ends_with(kText)) return std::nullopt;
  const std::string_view number = name.substr(kRecentPrefix.size(), name.size() - kRecentPrefix.size() - kText.size());
  if (!AllDigits(number) || number.size() > 3 || number[0] == '0') return std::nullopt;
  const int line = std::stoi(std::string(number));
  if (line > kMaxLines) return std::nullopt;
  return LogFolder::File{std::string(name), LogFolder::Kind::kRecentCall, "", line, 0, 0};
}

bool Before(const LogFolder::File& a, const LogFolder::File& b) {
  const bool aDaily = a.kind != LogFolder::Kind::kRecentCall;
  const bool bDaily = b.kind != LogFolder::Kind::kRecentCall;
  if (aDaily != bDaily) return aDaily;
  if (a.date != b.date) return a.date > b.date;
  return std::tie(a.kind, a.line) < std::tie(b.kind, b.line);
}

}  // namespace

std::vector<LogFolder::File> LogFolder::Files() const {
  std::vector<File> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder_, error)) {
    std::optional<File> file = Classify(entry.path().filename().string());
    struct stat st {};
    if (!file || ::stat(entry.path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    file->size = st.st_size;
    file->modified = st.st_mtime;
    files.push_back(std::move(*file));
  }
  std::sort(files.begin(), files.end(), Before);
  return files;
}

std::optional<std::string> LogFolder::PathOf(std::string_view name) const {
  if (!Classify(name)) return std::nullopt;
  std::string path = PathJoin(folder_, name);
  if (!IsRegularFile(path)) return std::nullopt;
  return path;
}

// Opened non-blocking, so a FIFO named like a log never hangs the reader.
std::optional<LogFolder::Tail> LogFolder::ReadTail(std::string_view name) const {
  const std::optional<std::string> path = PathOf(name);
  if (!path) return std::nullopt;
  UniqueFd fd(::open(path->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valid()) return std::nullopt;
  const int64_t size = FileSize(fd.Get());
  const int64_t start = std::max<int64_t>(0, size - static_cast<int64_t>(kMaxShown));
  std::string text(static_cast<std::size_t>(size - start), '\0');
  text.resize(ReadUpToAt(fd.Get(), text.data(), text.size(), start));
  if (start == 0) return Tail{std::move(text), false};
  // The first line is only part of one.
  const std::size_t lineEnd = text.find('\n');
  text.erase(0, lineEnd == std::string::npos ? text.size() : lineEnd + 1);
  return Tail{std::move(text), true};
}
