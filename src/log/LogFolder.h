#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The logs an owner reads back, as the Logs folder holds them now: the daily
// call and system logs ("2026-12-10 Call Log.txt") and each line's most
// recent call ("Most Recent Call Line 3.txt"). Other files there are not
// logs and are never listed or read.
class LogFolder {
 public:
  // The most of a log read for showing: its last lines.
  static constexpr std::size_t kMaxShown = 512 * 1024;

  enum class Kind { kCall, kSystem, kRecentCall };
  struct File {
    std::string name;
    Kind kind;
    std::string date;  // "yyyy-mm-dd" of a daily log, "" otherwise
    int line;          // the line number (from 1) of a most recent call, 0 otherwise
    int64_t size;
    std::time_t modified;
  };
  struct Tail {
    std::string text;
    bool cut;  // earlier lines were left out
  };

  explicit LogFolder(std::string folder) : folder_(std::move(folder)) {}

  // Daily logs newest first, a day's call log before its system log; then
  // the most recent calls by line.
  std::vector<File> Files() const;
  // The log named `name` from its end: at most kMaxShown bytes, starting at a
  // line; nullopt when no such log is there.
  std::optional<Tail> ReadTail(std::string_view name) const;
  // The path of the log named `name`; nullopt when no such log is there.
  std::optional<std::string> PathOf(std::string_view name) const;

 private:
  const std::string folder_;
};
