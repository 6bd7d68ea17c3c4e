#pragma once

#include <ctime>
#include <optional>
#include <string>

// The outbound number list "outboundlist.txt" in the data folder: entries
// separated by ";", each a number optionally followed by "&key=value"
// parameters; characters of code 32 or less inside an entry are ignored.
// The scheduler takes entries from the head; retries go to the end.
class OutboundList {
 public:
  static constexpr const char *kFileName = "outboundlist.txt";

  OutboundList(std::string dataRoot, std::string settingsFile);

  // Appends `entry` and makes the run active ([outbound] "active").
  bool Add(const std::string &entry) const;

  // What taking the head gave.
  struct Head {
    enum class Kind { kEmpty, kWaiting, kSkipped, kTaken };
    Kind kind = Kind::kEmpty;
    std::string entry;  // kTaken: cut to 259 characters, blanks removed
  };
  // Takes the head entry unless it waits for its "intervalnext" after `now`.
  // An empty or missing list, or taking the last entry, ends the run.
  Head TakeHead(std::time_t now) const;

  // The number of an entry: the text before its first "&".
  static std::string Number(const std::string &entry);

 private:
  std::string Path() const;
  void SetActive(bool active) const;

  const std::string dataRoot_;
  const std::string settingsFile_;
};
